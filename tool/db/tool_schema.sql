-- The tool database (DB/VaZeraVI.mdb) and its shipped copy (DB/Default.mdb): device models, their master
-- codes and sub codes with the programmed values, and the voice prompt slots in Chinese and English.
--
-- No statement of the tool sorts its rows: the order of a table is the order its rows were added, and
-- every index below keeps that order among equal keys.

-- One row per device model.
CREATE TABLE tb_Terminal (
    TerID INTEGER PRIMARY KEY,
    TerName TEXT,
    AdminPsw TEXT
);

-- One row per master code of a model. ProType: 0 string, 1 digit string, 2 IP address, 3 telephone
-- number. HaveOrder is 1 when each sub code's function is named with its number, else 0.
CREATE TABLE tb_MasterCode (
    MasterCode INTEGER NOT NULL,
    TerID INTEGER NOT NULL,
    ProType INTEGER NOT NULL DEFAULT 0,
    Function TEXT,
    HaveOrder INTEGER NOT NULL DEFAULT 0,
    lDescribe TEXT,
    rDescribe TEXT NOT NULL DEFAULT '',
    CodeNum INTEGER NOT NULL DEFAULT 0,
    Remark TEXT
);
-- The load reads the master codes model by model.
CREATE INDEX ix_MasterCode_TerID ON tb_MasterCode (TerID);

-- One row per sub code of a master code, with its programmed value.
CREATE TABLE tb_SubCode (
    TerID INTEGER NOT NULL,
    MasterCode INTEGER NOT NULL,
    SubCode INTEGER NOT NULL,
    CodeValue TEXT NOT NULL DEFAULT ''
);
-- The load reads the sub codes master code by master code; changes and removals name a master code too.
CREATE INDEX ix_SubCode_TerID_MasterCode ON tb_SubCode (TerID, MasterCode);

-- The voice prompt slots of a terminal, Chinese (tb_Sound) and English (tb_SoundEg): the slot's type,
-- the wave file assigned to it (empty when none) and a description. byOrder is the slot's number, the
-- key of the assignments.
CREATE TABLE tb_Sound (
    WavType TEXT,
    WavName TEXT NOT NULL DEFAULT '',
    Remark TEXT,
    byOrder INTEGER PRIMARY KEY CHECK (byOrder BETWEEN 0 AND 255)
);
CREATE TABLE tb_SoundEg (
    WavType TEXT,
    WavName TEXT NOT NULL DEFAULT '',
    Remark TEXT,
    byOrder INTEGER PRIMARY KEY CHECK (byOrder BETWEEN 0 AND 255)
);
