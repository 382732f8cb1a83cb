#include "model/DeviceModelList.h"

#include "DatabaseWriteLock.h"
#include "FullDisk.h"
#include "QStringPrinting.h"
#include "ReadOnlyFile.h"
#include "RecordingPrompter.h"
#include "ScratchWorkingFolder.h"
#include "StatementRecorder.h"
#include "TestDatabase.h"
#include "model/ToolDatabase.h"
#include "store/AdoConnection.h"

#include <QFile>
#include <gtest/gtest.h>

// The model tree against a real tool database in a scratch working folder.
namespace {

const QString kToolDatabase = QLatin1String(kToolDatabasePath);

// Two models whose ids leave gaps; model 3 lists its master codes out of number order and master code 12
// its sub codes likewise, as rows added over time would.
constexpr char kTwoModels[] = R"(
    INSERT INTO tb_Terminal (TerID, TerName, AdminPsw) VALUES (3, 'Keypad', '1234'), (7, 'Panel', '123456');
    INSERT INTO tb_MasterCode (MasterCode, TerID, ProType, Function, HaveOrder, lDescribe, rDescribe, CodeNum, Remark)
        VALUES (12, 3, 1, '防区类型', 1, '防区', '类型', 2, 'zone types'),
               (40, 7, 2, '中心IP地址', 0, '中心IP地址', '', 15, 'centre'),
               (5, 3, 3, '报警电话', 1, '报警电话', '', 16, 'phones');
    INSERT INTO tb_SubCode (TerID, MasterCode, SubCode, CodeValue)
        VALUES (3, 12, 2, '03'), (3, 12, 1, ''), (7, 40, 1, '10.0.0.9'), (3, 5, 1, '5550100');
)";

// The whole tree as text, a line per item, to hold what the tool shows against what the database holds.
QStringList treeText(const DeviceModelList& list) {
    QStringList lines;
    for (const auto& model : list.Models()) {
        lines << QStringLiteral("%1|%2|%3").arg(model->TerID).arg(model->TerName, model->AdminPsw);
        for (const auto& masterCode : model->MasterCodes()) {
            lines << QStringLiteral("  %1|%2|%3|%4|%5|%6|%7|%8")
                         .arg(masterCode->MasterCode)
                         .arg(masterCode->ProType)
                         .arg(masterCode->CodeNum)
                         .arg(masterCode->HaveOrder)
                         .arg(masterCode->Function, masterCode->lDescribe, masterCode->rDescribe,
                              masterCode->Remark);
            for (const auto& subCode : masterCode->SubCodes())
                lines << QStringLiteral("    %1|%2").arg(subCode->SubCode).arg(subCode->CodeValue);
        }
    }
    return lines;
}

// The texts of a master code, in column order.
struct MasterCodeTexts {
    const char* function;
    const char* left;
    const char* right;
    const char* remark;
};

std::unique_ptr<MasterCodeItem> newMasterCode(std::int32_t number, std::int32_t valueType, bool haveOrder,
                                              std::int32_t codeNum, const MasterCodeTexts& texts) {
    auto item = std::make_unique<MasterCodeItem>();
    item->MasterCode = number;
    item->ProType = valueType;
    item->HaveOrder = haveOrder;
    item->CodeNum = codeNum;
    item->Function = QString::fromUtf8(texts.function);
    item->lDescribe = QString::fromUtf8(texts.left);
    item->rDescribe = QString::fromUtf8(texts.right);
    item->Remark = QString::fromUtf8(texts.remark);
    return item;
}

std::unique_ptr<SubCodeItem> newSubCode(std::int32_t number, const char* value) {
    auto item = std::make_unique<SubCodeItem>();
    item->SubCode = number;
    item->CodeValue = QString::fromUtf8(value);
    return item;
}

class DeviceModelListTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    void makeToolDatabase(const char* sql) { ASSERT_TRUE(createToolDatabase(kToolDatabase, sql)); }
    // Adds a model, a master code or sub codes and expects the database to take them.
    DeviceModel* addModel(const char* name, const char* password) {
        auto model = std::make_unique<DeviceModel>();
        model->TerName = QString::fromUtf8(name);
        model->AdminPsw = QString::fromUtf8(password);
        EXPECT_TRUE(models.AddModel(std::move(model)).saved());
        return models.Models().empty() ? nullptr : models.Models().back().get();
    }
    MasterCodeItem* addMasterCode(DeviceModel& model, std::unique_ptr<MasterCodeItem> masterCode) {
        EXPECT_TRUE(models.AddMasterCode(model, std::move(masterCode)).saved());
        return model.MasterCodes().empty() ? nullptr : model.MasterCodes().back().get();
    }
    void addSubCodes(MasterCodeItem& masterCode, std::vector<std::unique_ptr<SubCodeItem>> subCodes) {
        EXPECT_TRUE(models.AddSubCodes(masterCode, std::move(subCodes)).saved());
    }
    std::vector<std::unique_ptr<SubCodeItem>>
    subCodes(std::initializer_list<std::pair<int, const char*>> items) {
        std::vector<std::unique_ptr<SubCodeItem>> made;
        for (const auto& [number, value] : items)
            made.push_back(newSubCode(number, value));
        return made;
    }
    QStringList rows(const char* sql) const { return queryRows(kToolDatabase, sql); }

    ScratchWorkingFolder folder;
    RecordingPrompter prompter;
    DeviceModelList models{prompter};
};

TEST_F(DeviceModelListTest, LoadsTheTreeInDatabaseOrderWithItsOwners) {
    makeToolDatabase(kTwoModels);
    const ToolDatabaseLoad load = models.Load();
    EXPECT_EQ(load.outcome, ToolDatabaseLoad::Loaded);
    EXPECT_EQ(load.failedReads, 0);
    EXPECT_TRUE(models.LoadedWhole());
    EXPECT_TRUE(prompter.messages.isEmpty());

    ASSERT_EQ(models.Models().size(), 2u);
    const DeviceModel& keypad = *models.Models()[0];
    EXPECT_EQ(keypad.TerID, 3);
    EXPECT_EQ(keypad.TerName, QStringLiteral("Keypad"));
    EXPECT_EQ(keypad.AdminPsw, QStringLiteral("1234"));
    ASSERT_EQ(keypad.MasterCodes().size(), 2u);

    const MasterCodeItem& zoneTypes = *keypad.MasterCodes()[0];
    EXPECT_EQ(zoneTypes.MasterCode, 12) << "rows come in the order the database keeps them";
    EXPECT_EQ(zoneTypes.Owner(), &keypad);
    EXPECT_EQ(zoneTypes.ProType, DigitString);
    EXPECT_EQ(zoneTypes.Function, QStringLiteral("防区类型"));
    EXPECT_TRUE(zoneTypes.HaveOrder);
    EXPECT_EQ(zoneTypes.lDescribe, QStringLiteral("防区"));
    EXPECT_EQ(zoneTypes.rDescribe, QStringLiteral("类型"));
    EXPECT_EQ(zoneTypes.CodeNum, 2);
    EXPECT_EQ(zoneTypes.Remark, QStringLiteral("zone types"));
    ASSERT_EQ(zoneTypes.SubCodes().size(), 2u);
    EXPECT_EQ(zoneTypes.SubCodes()[0]->SubCode, 2);
    EXPECT_EQ(zoneTypes.SubCodes()[0]->CodeValue, QStringLiteral("03"));
    EXPECT_EQ(zoneTypes.SubCodes()[1]->CodeValue, QString());
    EXPECT_EQ(zoneTypes.SubCodes()[1]->Owner(), &zoneTypes);

    const MasterCodeItem& phones = *keypad.MasterCodes()[1];
    EXPECT_EQ(phones.MasterCode, 5);
    EXPECT_EQ(phones.ProType, TelephoneNumber);
    EXPECT_TRUE(phones.rDescribe.isEmpty());
    ASSERT_EQ(phones.SubCodes().size(), 1u);
    EXPECT_EQ(phones.SubCodes()[0]->CodeValue, QStringLiteral("5550100"));

    const DeviceModel& panel = *models.Models()[1];
    ASSERT_EQ(panel.MasterCodes().size(), 1u);
    EXPECT_FALSE(panel.MasterCodes()[0]->HaveOrder);
    EXPECT_EQ(panel.MasterCodes()[0]->SubCodes()[0]->CodeValue, QStringLiteral("10.0.0.9"));
}

TEST_F(DeviceModelListTest, NewModelIdsStayAboveEveryIdLoadedRemovedOrStored) {
    makeToolDatabase("");
    models.Load();
    EXPECT_TRUE(models.Models().empty());
    EXPECT_EQ(addModel("A", "1")->TerID, 0) << "the first model of an empty database";
    EXPECT_EQ(addModel("B", "1")->TerID, 1);

    DeviceModelList loaded(prompter);
    QFile::remove(kToolDatabase);
    makeToolDatabase(kTwoModels);
    loaded.Load();
    EXPECT_EQ(loaded.NextModelId(), 8);
    EXPECT_EQ(loaded.RemoveModel(loaded.Models()[1].get()).index, 1);
    auto model = std::make_unique<DeviceModel>();
    model->TerID = 3; // whatever the caller thought: the id is chosen as the row is written
    ASSERT_TRUE(loaded.AddModel(std::move(model)).saved());
    EXPECT_EQ(loaded.Models().back()->TerID, 8) << "the removed model's id is not handed out again";

    // Another program added a model since the load: its id is not handed out either.
    ASSERT_TRUE(createDatabase(kToolDatabase, "INSERT INTO tb_Terminal VALUES (20, 'Theirs', '1')"));
    ASSERT_TRUE(loaded.AddModel(std::make_unique<DeviceModel>()).saved());
    EXPECT_EQ(loaded.Models().back()->TerID, 21);
    EXPECT_EQ(
        rows("SELECT TerID FROM tb_Terminal ORDER BY TerID"),
        (QStringList{QStringLiteral("3"), QStringLiteral("8"), QStringLiteral("20"), QStringLiteral("21")}));
    loaded.FreeAll();
    EXPECT_TRUE(loaded.Models().empty());
    EXPECT_EQ(loaded.NextModelId(), 22) << "freeing the tree keeps the next id";
}

TEST_F(DeviceModelListTest, FindsNamesExactlyAndMasterCodesByNumber) {
    makeToolDatabase(kTwoModels);
    models.Load();
    EXPECT_TRUE(models.ModelNameExists(QStringLiteral("Keypad")));
    EXPECT_FALSE(models.ModelNameExists(QStringLiteral("keypad"))) << "letter case counts";
    EXPECT_FALSE(models.ModelNameExists(QStringLiteral("Keypad ")));
    const DeviceModel* keypad = models.Models()[0].get();
    EXPECT_TRUE(DeviceModelList::MasterCodeExists(keypad, 5));
    EXPECT_FALSE(DeviceModelList::MasterCodeExists(keypad, 40)) << "master code 40 is the panel's";
    EXPECT_FALSE(DeviceModelList::MasterCodeExists(nullptr, 5));
}

// The load tells nobody anything itself: its report says what went wrong, for the window to tell the user
// once, in the user's language.
TEST_F(DeviceModelListTest, AToolDatabaseThatCannotBeOpenedLeavesAnEmptyTreeThatTakesNoChange) {
    ToolDatabaseLoad load = models.Load();
    EXPECT_EQ(load.outcome, ToolDatabaseLoad::Missing);
    EXPECT_TRUE(models.Models().empty());
    EXPECT_FALSE(models.LoadedWhole());
    EXPECT_EQ(models.AddModel(std::make_unique<DeviceModel>()).outcome, SaveResult::NotLoaded);
    EXPECT_TRUE(models.Models().empty());
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_FALSE(QFile::exists(kToolDatabase)) << "neither the load nor a change creates the database";

    // A file in its place that is no database.
    QFile other(kToolDatabase);
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write(QByteArray(4096, 'x'));
    other.close();
    DeviceModelList again(prompter);
    load = again.Load();
    EXPECT_EQ(load.outcome, ToolDatabaseLoad::Unreadable);
    EXPECT_EQ(load.reason, QStringLiteral("file is not a database"));
    EXPECT_TRUE(load.failedRead.isEmpty());
    EXPECT_FALSE(again.LoadedWhole());
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(DeviceModelListTest, MissingTablesLeaveOutWhatTheyHoldKeepWhatWasReadAndTakeNoChange) {
    ASSERT_TRUE(createDatabase(kToolDatabase,
                               "CREATE TABLE tb_Terminal (TerID INTEGER, TerName TEXT, AdminPsw TEXT);"
                               "INSERT INTO tb_Terminal VALUES (4, 'Keypad', '1234'), (5, 'Panel', '1');"));
    ToolDatabaseLoad load = models.Load();
    EXPECT_EQ(load.outcome, ToolDatabaseLoad::Incomplete);
    EXPECT_EQ(load.failedRead, QStringLiteral("SELECT * FROM tb_MasterCode"));
    EXPECT_EQ(load.reason, QStringLiteral("no such table: tb_MasterCode"));
    EXPECT_EQ(load.failedReads, 3) << "the whole table, then each model's own rows";
    ASSERT_EQ(models.Models().size(), 2u);
    EXPECT_TRUE(models.Models()[0]->MasterCodes().empty());
    EXPECT_EQ(models.RemoveModel(models.Models()[0].get()).save.outcome, SaveResult::NotLoaded);
    EXPECT_EQ(models.Models().size(), 2u);
    EXPECT_EQ(rows("SELECT count(*) FROM tb_Terminal"), QStringList{QStringLiteral("2")});

    ASSERT_TRUE(createDatabase(kToolDatabase,
                               "CREATE TABLE tb_MasterCode (MasterCode INTEGER, TerID INTEGER);"
                               "INSERT INTO tb_MasterCode VALUES (9, 4);"));
    DeviceModelList withoutSubCodes(prompter);
    load = withoutSubCodes.Load();
    EXPECT_EQ(load.outcome, ToolDatabaseLoad::Incomplete);
    EXPECT_EQ(load.failedRead,
              QStringLiteral("SELECT rowid,* FROM tb_SubCode WHERE TerID=4 AND MasterCode=9"));
    EXPECT_EQ(load.failedReads, 1);
    ASSERT_EQ(withoutSubCodes.Models()[0]->MasterCodes().size(), 1u);
    EXPECT_EQ(withoutSubCodes.Models()[0]->MasterCodes()[0]->MasterCode, 9);
    EXPECT_TRUE(prompter.messages.isEmpty());
}

// A table whose b-tree is damaged on disk fails every read that reaches it: a large site's load counts
// them all, reads on past them, and the tree, which misses what the table holds, takes no change.
TEST_F(DeviceModelListTest, ADamagedTableFailsEveryReadOfItAndTheRestIsLoaded) {
    const struct {
        const char* table;
        int failedReads;
        const char* firstFailed;
        int masterCodes;
    } cases[] = {
        {"tb_SubCode", kLargeSiteMasterCodes, "SELECT rowid,* FROM tb_SubCode WHERE TerID=0 AND MasterCode=0",
         kLargeSiteMasterCodes},
        {"tb_MasterCode", 1 + kLargeSiteModels, "SELECT * FROM tb_MasterCode", 0},
    };
    for (const auto& damaged : cases) {
        SCOPED_TRACE(damaged.table);
        QFile::remove(kToolDatabase);
        makeToolDatabase(kLargeSite);
        ASSERT_TRUE(damageTable(kToolDatabase, damaged.table));
        DeviceModelList site(prompter);
        const ToolDatabaseLoad load = site.Load();
        EXPECT_EQ(load.outcome, ToolDatabaseLoad::Incomplete);
        EXPECT_EQ(load.failedReads, damaged.failedReads);
        EXPECT_EQ(load.failedRead, QLatin1String(damaged.firstFailed));
        EXPECT_EQ(load.reason, QStringLiteral("database disk image is malformed"));
        ASSERT_EQ(site.Models().size(), std::size_t{kLargeSiteModels});
        int masterCodes = 0;
        for (const auto& model : site.Models()) {
            masterCodes += static_cast<int>(model->MasterCodes().size());
            for (const auto& masterCode : model->MasterCodes())
                EXPECT_TRUE(masterCode->SubCodes().empty());
        }
        EXPECT_EQ(masterCodes, damaged.masterCodes);

        EXPECT_EQ(site.RemoveModel(site.Models()[0].get()).save.outcome, SaveResult::NotLoaded);
        EXPECT_EQ(site.AddModel(std::make_unique<DeviceModel>()).outcome, SaveResult::NotLoaded);
        EXPECT_EQ(site.Models().size(), std::size_t{kLargeSiteModels});
        EXPECT_EQ(rows("SELECT count(*) FROM tb_Terminal"), QStringList{QString::number(kLargeSiteModels)});
        EXPECT_TRUE(prompter.messages.isEmpty());
    }
}

// Another program writes its changes into the file through the whole start: reading waits for it and
// gives up. The tree knows none of the stored models, so it takes no change: a new model could repeat a
// stored id, a removal could miss what it cannot see.
TEST_F(DeviceModelListTest, ADatabaseHeldThroughTheStartIsInUseAndTheTreeTakesNoChange) {
    makeToolDatabase(kTwoModels);
    ToolDatabaseLoad load;
    {
        const DatabaseWriteLock otherProgram(kToolDatabase, DatabaseWriteLock::Stage::Committing);
        ASSERT_TRUE(otherProgram.isLocked());
        load = models.Load();
    }
    EXPECT_EQ(load.outcome, ToolDatabaseLoad::InUse);
    EXPECT_EQ(load.reason, QStringLiteral("database is locked"));
    EXPECT_TRUE(models.Models().empty());
    EXPECT_EQ(models.AddModel(std::make_unique<DeviceModel>()).outcome, SaveResult::NotLoaded);
    EXPECT_EQ(rows("SELECT TerID FROM tb_Terminal"), (QStringList{QStringLiteral("3"), QStringLiteral("7")}));
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(DeviceModelListTest, InsertsLeaveOutEmptyRightNamesAndValues) {
    makeToolDatabase("");
    models.Load();
    StatementRecorder recorder;
    DeviceModel* keypad = addModel("ZV-K200", "1234");
    EXPECT_TRUE(models.AddModel(nullptr).saved()) << "nothing to add";
    ASSERT_EQ(models.Models().size(), 1u);
    MasterCodeItem* zoneTypes = addMasterCode(
        *keypad, newMasterCode(4, DigitString, true, 2, {"防区类型", "防区", "类型", "zone types"}));
    MasterCodeItem* phones = addMasterCode(
        *keypad, newMasterCode(10, TelephoneNumber, false, 16, {"报警电话", "报警电话", "", "phones"}));
    addSubCodes(*zoneTypes, subCodes({{1, "01"}, {2, "02"}}));
    addSubCodes(*phones, subCodes({{1, ""}}));
    EXPECT_EQ(
        recorder.changes,
        (QStringList{
            QStringLiteral("INSERT INTO tb_Terminal(TerName,TerID,AdminPsw) VALUES('ZV-K200',0,'1234')"),
            QStringLiteral(
                "INSERT INTO tb_MasterCode(MasterCode,TerID,ProType,Function,HaveOrder,lDescribe,"
                "rDescribe,CodeNum,Remark) VALUES(4,0,1,'防区类型',1,'防区','类型',2,'zone types')"),
            QStringLiteral("INSERT INTO tb_MasterCode(MasterCode,TerID,ProType,Function,HaveOrder,lDescribe,"
                           "CodeNum,Remark) VALUES(10,0,3,'报警电话',0,'报警电话',16,'phones')"),
            QStringLiteral("INSERT INTO tb_SubCode(TerID,MasterCode,SubCode,CodeValue) VALUES(0,4,1,'01')"),
            QStringLiteral("INSERT INTO tb_SubCode(TerID,MasterCode,SubCode,CodeValue) VALUES(0,4,2,'02')"),
            QStringLiteral("INSERT INTO tb_SubCode(TerID,MasterCode,SubCode) VALUES(0,10,1)"),
        }));
    EXPECT_EQ(recorder.connections, 5) << "one connection a change";
    ASSERT_EQ(zoneTypes->SubCodes().size(), 2u);
    EXPECT_EQ(zoneTypes->SubCodes()[1]->Owner(), zoneTypes);
    EXPECT_EQ(rows("SELECT MasterCode, rDescribe FROM tb_MasterCode"),
              (QStringList{QStringLiteral("4|类型"), QStringLiteral("10|")}));
    EXPECT_EQ(rows("SELECT MasterCode, SubCode, CodeValue FROM tb_SubCode"),
              (QStringList{QStringLiteral("4|1|01"), QStringLiteral("4|2|02"), QStringLiteral("10|1|")}));
}

TEST_F(DeviceModelListTest, TextsWithQuotesAreStoredAndComeBackAfterARestart) {
    makeToolDatabase("");
    models.Load();
    DeviceModel* keypad = addModel("O'Neil's 键盘", "12'4");
    MasterCodeItem* masterCode =
        addMasterCode(*keypad, newMasterCode(31, StringValue, false, 16,
                                             {"it's", "l'", "'r", "x'); DELETE FROM tb_Terminal; --"}));
    addSubCodes(*masterCode, subCodes({{1, "a'b"}}));
    const ValueChange change{masterCode->SubCodes()[0].get(), QStringLiteral("Zenvar's '")};
    EXPECT_TRUE(models.SetSubCodeValues({&change, 1}).saved());
    EXPECT_EQ(masterCode->SubCodes()[0]->CodeValue, QStringLiteral("Zenvar's '"));

    DeviceModelList restarted(prompter);
    restarted.Load();
    EXPECT_TRUE(prompter.messages.isEmpty());
    ASSERT_EQ(restarted.Models().size(), 1u);
    EXPECT_TRUE(restarted.ModelNameExists(QStringLiteral("O'Neil's 键盘")));
    EXPECT_EQ(restarted.Models()[0]->AdminPsw, QStringLiteral("12'4"));
    ASSERT_EQ(restarted.Models()[0]->MasterCodes().size(), 1u);
    const MasterCodeItem& loaded = *restarted.Models()[0]->MasterCodes()[0];
    EXPECT_EQ(loaded.Function, QStringLiteral("it's"));
    EXPECT_EQ(loaded.lDescribe, QStringLiteral("l'"));
    EXPECT_EQ(loaded.rDescribe, QStringLiteral("'r"));
    EXPECT_EQ(loaded.Remark, QStringLiteral("x'); DELETE FROM tb_Terminal; --"));
    ASSERT_EQ(loaded.SubCodes().size(), 1u);
    EXPECT_EQ(loaded.SubCodes()[0]->CodeValue, QStringLiteral("Zenvar's '"));
}

// Two sub codes of one master code may carry the same number (stored files hold such twins): changing or
// removing one must leave the other's row alone.
TEST_F(DeviceModelListTest, TwinSubCodeNumbersAreChangedAndRemovedOneRowAtATime) {
    makeToolDatabase(kTwoModels);
    models.Load();
    MasterCodeItem& zoneTypes = *models.Models()[0]->MasterCodes()[0];
    addSubCodes(zoneTypes, subCodes({{2, "07"}}));
    ASSERT_EQ(zoneTypes.SubCodes().size(), 3u);
    SubCodeItem* first = zoneTypes.SubCodes()[0].get();
    SubCodeItem* twin = zoneTypes.SubCodes()[2].get();
    ASSERT_EQ(first->SubCode, twin->SubCode);

    const ValueChange change{twin, QStringLiteral("09")};
    ASSERT_TRUE(models.SetSubCodeValues({&change, 1}).saved());
    EXPECT_EQ(first->CodeValue, QStringLiteral("03"));
    EXPECT_EQ(rows("SELECT CodeValue FROM tb_SubCode WHERE TerID=3 AND MasterCode=12 AND SubCode=2"),
              (QStringList{QStringLiteral("03"), QStringLiteral("09")}));

    ASSERT_TRUE(models.RemoveSubCode(first).removed());
    EXPECT_EQ(rows("SELECT CodeValue FROM tb_SubCode WHERE TerID=3 AND MasterCode=12 AND SubCode=2"),
              QStringList{QStringLiteral("09")});

    DeviceModelList restarted(prompter);
    restarted.Load();
    const MasterCodeItem& reloaded = *restarted.Models()[0]->MasterCodes()[0];
    ASSERT_EQ(reloaded.SubCodes().size(), 2u);
    EXPECT_EQ(reloaded.SubCodes()[1]->CodeValue, QStringLiteral("09"));
}

TEST_F(DeviceModelListTest, RemovingAModelDeletesItsSubCodesThenMasterCodesThenItsRow) {
    makeToolDatabase(kTwoModels);
    models.Load();
    const DeviceModel* panel = models.Models()[1].get();

    StatementRecorder recorder;
    EXPECT_EQ(models.RemoveModel(models.Models()[0].get()).index, 0);
    EXPECT_EQ(recorder.connections, 1);
    EXPECT_EQ(recorder.changes, (QStringList{QStringLiteral("DELETE FROM tb_SubCode WHERE TerID=3"),
                                             QStringLiteral("DELETE FROM tb_MasterCode WHERE TerID=3"),
                                             QStringLiteral("DELETE FROM tb_Terminal WHERE TerID=3")}));
    ASSERT_EQ(models.Models().size(), 1u);
    EXPECT_EQ(models.Models()[0].get(), panel) << "the models after it move up";
    EXPECT_EQ(rows("SELECT TerID FROM tb_Terminal"), QStringList{QStringLiteral("7")});
    EXPECT_EQ(rows("SELECT DISTINCT TerID FROM tb_MasterCode"), QStringList{QStringLiteral("7")});
    EXPECT_EQ(rows("SELECT DISTINCT TerID FROM tb_SubCode"), QStringList{QStringLiteral("7")});
}

TEST_F(DeviceModelListTest, RemovingCodesDeletesTheirRowsAndReturnsTheirFormerIndex) {
    makeToolDatabase(kTwoModels);
    models.Load();
    DeviceModel& keypad = *models.Models()[0];
    const MasterCodeItem& zoneTypes = *keypad.MasterCodes()[0];

    StatementRecorder recorder;
    const RemoveResult removed = models.RemoveSubCode(zoneTypes.SubCodes()[0].get());
    EXPECT_TRUE(removed.removed());
    EXPECT_EQ(removed.index, 0);
    EXPECT_EQ(recorder.changes,
              QStringList{QStringLiteral("DELETE FROM tb_SubCode WHERE rowid=1 AND TerID=3 AND "
                                         "MasterCode=12 AND SubCode=2")});
    ASSERT_EQ(zoneTypes.SubCodes().size(), 1u);
    EXPECT_EQ(zoneTypes.SubCodes()[0]->SubCode, 1);

    recorder.clear();
    EXPECT_EQ(models.RemoveMasterCode(keypad.MasterCodes()[1].get()).index, 1);
    EXPECT_EQ(recorder.changes,
              (QStringList{QStringLiteral("DELETE FROM tb_SubCode WHERE TerID=3 AND MasterCode=5"),
                           QStringLiteral("DELETE FROM tb_MasterCode WHERE TerID=3 AND MasterCode=5")}));
    ASSERT_EQ(keypad.MasterCodes().size(), 1u);
    EXPECT_EQ(rows("SELECT TerID, MasterCode, SubCode FROM tb_SubCode"),
              (QStringList{QStringLiteral("3|12|1"), QStringLiteral("7|40|1")}));
    EXPECT_EQ(rows("SELECT TerID, MasterCode FROM tb_MasterCode"),
              (QStringList{QStringLiteral("3|12"), QStringLiteral("7|40")}));
}

TEST_F(DeviceModelListTest, RemovingWhatIsNotInItsOwnersListTouchesNothing) {
    makeToolDatabase(kTwoModels);
    models.Load();
    // The same rows loaded into another tree: equal numbers, other items.
    DeviceModelList other(prompter);
    other.Load();
    const DeviceModel& otherKeypad = *other.Models()[0];
    const DeviceModel unlisted;
    const MasterCodeItem orphan;
    const SubCodeItem orphanSubCode;

    StatementRecorder recorder;
    EXPECT_EQ(models.RemoveModel(&otherKeypad).index, -1);
    EXPECT_EQ(models.RemoveModel(&unlisted).index, -1);
    EXPECT_EQ(models.RemoveModel(nullptr).index, -1);
    EXPECT_EQ(models.RemoveMasterCode(&orphan).index, -1);
    EXPECT_EQ(models.RemoveMasterCode(nullptr).index, -1);
    EXPECT_EQ(models.RemoveSubCode(&orphanSubCode).index, -1);
    EXPECT_EQ(models.RemoveSubCode(nullptr).index, -1);
    EXPECT_EQ(recorder.connections, 0);
    EXPECT_TRUE(recorder.changes.isEmpty());
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_EQ(models.Models().size(), 2u);
    EXPECT_EQ(rows("SELECT count(*) FROM tb_SubCode"), QStringList{QStringLiteral("4")});
}

// No change is lost silently: the tree takes a change only when the database did.
TEST_F(DeviceModelListTest, AChangeTheDatabaseDoesNotTakeLeavesTheTreeAsItWas) {
    makeToolDatabase(kTwoModels);
    models.Load();
    DeviceModel& keypad = *models.Models()[0];
    MasterCodeItem& zoneTypes = *keypad.MasterCodes()[0];

    ASSERT_TRUE(QFile::remove(kToolDatabase));
    const RemoveResult unreached = models.RemoveModel(models.Models()[1].get());
    EXPECT_EQ(unreached.save.outcome, SaveResult::NotConnected);
    EXPECT_EQ(prompter.messages, QStringList{QStringLiteral("连接数据库失败DB/VaZeraVI.mdb")});
    EXPECT_EQ(models.Models().size(), 2u) << "the model stays, as it stays in the database";

    // A damaged file: the sub code table is gone. Removing a model is one transaction: nothing of it goes.
    makeToolDatabase(kTwoModels);
    ASSERT_TRUE(createDatabase(kToolDatabase, "DROP TABLE tb_SubCode"));
    const RemoveResult failed = models.RemoveModel(&keypad);
    EXPECT_EQ(failed.save.outcome, SaveResult::Failed);
    EXPECT_TRUE(failed.save.reason.contains(QStringLiteral("no such table")))
        << failed.save.reason.toStdString();
    EXPECT_EQ(models.Models().size(), 2u);
    EXPECT_EQ(rows("SELECT count(*) FROM tb_MasterCode WHERE TerID=3"), QStringList{QStringLiteral("2")});
    EXPECT_EQ(rows("SELECT count(*) FROM tb_Terminal WHERE TerID=3"), QStringList{QStringLiteral("1")});

    const ValueChange change{zoneTypes.SubCodes()[0].get(), QStringLiteral("99")};
    EXPECT_EQ(models.SetSubCodeValues({&change, 1}).outcome, SaveResult::Failed);
    EXPECT_EQ(zoneTypes.SubCodes()[0]->CodeValue, QStringLiteral("03"));
    EXPECT_FALSE(models.AddSubCodes(zoneTypes, subCodes({{3, "01"}, {4, "02"}})).saved());
    EXPECT_EQ(zoneTypes.SubCodes().size(), 2u) << "none of the run is added";
}

TEST_F(DeviceModelListTest, ADatabaseAnotherProgramHoldsRefusesTheChangeWithItsReason) {
    makeToolDatabase(kTwoModels);
    models.Load();
    MasterCodeItem& zoneTypes = *models.Models()[0]->MasterCodes()[0];
    DatabaseWriteLock otherProgram(kToolDatabase);
    ASSERT_TRUE(otherProgram.isLocked());
    const ValueChange change{zoneTypes.SubCodes()[0].get(), QStringLiteral("99")};
    const SaveResult result = models.SetSubCodeValues({&change, 1});
    EXPECT_EQ(result.outcome, SaveResult::Failed);
    EXPECT_EQ(result.reason, QStringLiteral("database is locked"));
    EXPECT_EQ(zoneTypes.SubCodes()[0]->CodeValue, QStringLiteral("03"));
    EXPECT_FALSE(
        models
            .AddMasterCode(*models.Models()[0], newMasterCode(77, StringValue, false, 4, {"f", "l", "", "r"}))
            .saved());
    EXPECT_EQ(models.Models()[0]->MasterCodes().size(), 2u);
}

TEST_F(DeviceModelListTest, AReadOnlyToolDatabaseIsFoundAtTheLoad) {
    makeToolDatabase(kTwoModels);
    models.Load();
    EXPECT_FALSE(models.ToolDatabaseIsReadOnly());

    const ReadOnlyFile readOnly(kToolDatabase);
    if (!readOnly.isSet())
        GTEST_SKIP() << "this file system cannot make a file read-only for root";
    DeviceModelList again(prompter);
    again.Load();
    EXPECT_TRUE(again.ToolDatabaseIsReadOnly());
    ASSERT_EQ(again.Models().size(), 2u) << "it is still read";
    const SaveResult result = again.AddModel(std::make_unique<DeviceModel>());
    EXPECT_EQ(result.outcome, SaveResult::Failed);
    EXPECT_TRUE(result.reason.contains(QStringLiteral("readonly"))) << result.reason.toStdString();
    EXPECT_EQ(again.Models().size(), 2u);
}

// A full disk: every change fails with SQLite's reason, and the tree stays what the database holds.
TEST_F(DeviceModelListTest, OnAFullDiskEveryChangeFailsWithItsReasonAndTheTreeStaysWhatIsStored) {
    makeToolDatabase(kTwoModels);
    models.Load();
    DeviceModel& keypad = *models.Models()[0];
    MasterCodeItem& zoneTypes = *keypad.MasterCodes()[0];
    const QStringList stored = treeText(models);
    const ValueChange change{zoneTypes.SubCodes()[0].get(), QStringLiteral("99")};
    std::vector<SaveResult> results;
    {
        const FullDisk full;
        ASSERT_TRUE(full.isSet());
        results.push_back(models.AddModel(std::make_unique<DeviceModel>()));
        results.push_back(
            models.AddMasterCode(keypad, newMasterCode(77, StringValue, false, 4, {"f", "l", "", "r"})));
        results.push_back(models.AddSubCodes(zoneTypes, subCodes({{3, "01"}, {4, "02"}})));
        results.push_back(models.SetSubCodeValues({&change, 1}));
        results.push_back(models.RemoveSubCode(zoneTypes.SubCodes()[0].get()).save);
        results.push_back(models.RemoveMasterCode(keypad.MasterCodes()[1].get()).save);
        results.push_back(models.RemoveModel(models.Models()[1].get()).save);
    }
    for (const SaveResult& result : results) {
        EXPECT_EQ(result.outcome, SaveResult::Failed);
        EXPECT_EQ(result.reason, QStringLiteral("disk I/O error"));
    }
    EXPECT_EQ(treeText(models), stored);
    DeviceModelList restarted(prompter);
    restarted.Load();
    EXPECT_EQ(treeText(restarted), stored);
    EXPECT_TRUE(prompter.messages.isEmpty());

    // With room again the same change goes through.
    EXPECT_TRUE(models.SetSubCodeValues({&change, 1}).saved());
    EXPECT_EQ(zoneTypes.SubCodes()[0]->CodeValue, QStringLiteral("99"));
}

} // namespace
