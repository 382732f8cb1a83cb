#include "QStringPrinting.h"
#include "RecordingPrompter.h"
#include "TestDatabase.h"
#include "store/AdoConnection.h"
#include "store/AdoRecordSet.h"
#include "store/DatabaseRoutines.h"
#include "store/SqlStatement.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class RecordStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(createDatabase(path, R"(
            CREATE TABLE tb_Terminal (TerID INTEGER, TerName TEXT, AdminPsw TEXT, Flag INTEGER);
            INSERT INTO tb_Terminal VALUES (1, 'Keypad', '5863', 1);
            INSERT INTO tb_Terminal VALUES (2, NULL, 200, 0);
            INSERT INTO tb_Terminal VALUES (-7, 'Panel', 'x', 300);
            CREATE TABLE tb_Empty (Name TEXT);
        )"));
    }

    // Opens `statement` on a fresh connection to the test database.
    bool open(CAdoRecordSet& records, const QString& statement) {
        if (!connection.ConnectAccess(path))
            return false;
        records.SetAdoConnection(&connection);
        return records.Open(statement);
    }

    int rowCount(const QString& table) {
        CAdoConnection reader;
        CAdoRecordSet records;
        if (!reader.ConnectAccess(path))
            return -1;
        records.SetAdoConnection(&reader);
        std::int32_t count = -1;
        if (!records.Open(QStringLiteral("SELECT count(*) AS n FROM ") + table))
            return -1;
        records.GetCollect(QStringLiteral("n"), count);
        return count;
    }

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("VaZeraVI.mdb"));
    CAdoConnection connection;
    RecordingPrompter prompter;
};

TEST_F(RecordStoreTest, ConnectsOnlyToAnExistingDatabase) {
    const QString missing = folder.filePath(QStringLiteral("Missing.mdb"));
    EXPECT_FALSE(connection.ConnectAccess(missing));
    EXPECT_FALSE(QFile::exists(missing)) << "a failed connect must not create the file";

    const QString notADatabase = folder.filePath(QStringLiteral("notes.mdb"));
    QFile notes(notADatabase);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("These are notes, not a database file, and long enough to hold a page header.\n");
    notes.close();
    EXPECT_FALSE(connection.ConnectAccess(notADatabase));
    EXPECT_FALSE(connection.IsOpen());

    EXPECT_TRUE(connection.ConnectAccess(path));
    EXPECT_TRUE(connection.IsOpen());
    connection.Close();
    EXPECT_FALSE(connection.IsOpen());
}

TEST_F(RecordStoreTest, ConnectRoutineNamesThePathOfAFailedConnect) {
    EXPECT_FALSE(ConnectDatabase(connection, QStringLiteral("DB/Nowhere.mdb"), prompter));
    EXPECT_EQ(prompter.messages, QStringList{QStringLiteral("连接数据库失败DB/Nowhere.mdb")});

    prompter.messages.clear();
    EXPECT_TRUE(ConnectDatabase(connection, path, prompter));
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(RecordStoreTest, OpenRoutineTellsRowsFromEmptyFromFailed) {
    ASSERT_TRUE(ConnectDatabase(connection, path, prompter));
    CAdoRecordSet records;
    records.SetAdoConnection(&connection);
    EXPECT_EQ(OpenTable(records, QStringLiteral("SELECT * FROM tb_Terminal"), prompter),
              OpenTableResult::Rows);
    EXPECT_EQ(OpenTable(records, QStringLiteral("SELECT * FROM tb_Empty"), prompter), OpenTableResult::Empty);
    EXPECT_TRUE(prompter.messages.isEmpty()) << "an empty table is not an error";

    EXPECT_EQ(OpenTable(records, QStringLiteral("SELECT * FROM tb_SoundEg"), prompter),
              OpenTableResult::Failed);
    EXPECT_EQ(prompter.messages, QStringList{QStringLiteral("打开数据库表失败SELECT * FROM tb_SoundEg")});

    CAdoRecordSet unbound;
    EXPECT_EQ(OpenTable(unbound, QStringLiteral("SELECT * FROM tb_Terminal"), prompter),
              OpenTableResult::Failed);
}

TEST_F(RecordStoreTest, WalksTheRowsInOrder) {
    CAdoRecordSet records;
    ASSERT_TRUE(open(records, QStringLiteral("SELECT * FROM tb_Terminal ORDER BY rowid")));
    EXPECT_FALSE(records.IsBOF());
    std::vector<std::int32_t> ids;
    for (; !records.IsEOF(); records.MoveNext()) {
        std::int32_t id = 0;
        EXPECT_TRUE(records.GetCollect(QStringLiteral("TerID"), id));
        ids.push_back(id);
    }
    EXPECT_EQ(ids, (std::vector<std::int32_t>{1, 2, -7}));
    EXPECT_FALSE(records.MoveNext());
    QString name = QStringLiteral("unchanged");
    EXPECT_FALSE(records.GetCollect(QStringLiteral("TerName"), name)) << "no current row past the end";
    EXPECT_EQ(name, QStringLiteral("unchanged"));

    EXPECT_TRUE(records.MoveFirst());
    EXPECT_TRUE(records.GetCollect(QStringLiteral("TerName"), name));
    EXPECT_EQ(name, QStringLiteral("Keypad"));

    ASSERT_TRUE(records.Open(QStringLiteral("SELECT * FROM tb_Empty")));
    EXPECT_TRUE(records.IsBOF());
    EXPECT_TRUE(records.IsEOF());
    EXPECT_FALSE(records.MoveFirst());
}

TEST_F(RecordStoreTest, ConvertsColumnsToTheRequestedType) {
    CAdoRecordSet records;
    ASSERT_TRUE(open(records, QStringLiteral("SELECT * FROM tb_Terminal WHERE TerID = 2")));
    QString text = QStringLiteral("old");
    EXPECT_TRUE(records.GetCollect(QStringLiteral("TerName"), text));
    EXPECT_EQ(text, QString()) << "an empty field reads as the empty text";
    EXPECT_TRUE(records.GetCollect(QStringLiteral("adminpsw"), text)) << "column names in any case";
    EXPECT_EQ(text, QStringLiteral("200"));
    std::uint8_t byte = 0;
    EXPECT_TRUE(records.GetCollect(QStringLiteral("AdminPsw"), byte));
    EXPECT_EQ(byte, 200);
    bool flag = true;
    EXPECT_TRUE(records.GetCollect(QStringLiteral("Flag"), flag));
    EXPECT_FALSE(flag);

    std::int32_t number = 99;
    EXPECT_FALSE(records.GetCollect(QStringLiteral("TerName"), number)) << "an empty field is no number";
    EXPECT_FALSE(records.GetCollect(QStringLiteral("NoSuchColumn"), number));
    EXPECT_FALSE(records.GetCollect(QStringLiteral("NoSuchColumn"), text));
    EXPECT_EQ(number, 99);
    EXPECT_EQ(text, QStringLiteral("200"));

    ASSERT_TRUE(records.Open(QStringLiteral("SELECT * FROM tb_Terminal WHERE TerID = -7")));
    EXPECT_FALSE(records.GetCollect(QStringLiteral("AdminPsw"), number)) << "text that is no number";
    EXPECT_EQ(number, 99);
    EXPECT_TRUE(records.GetCollect(QStringLiteral("Flag"), flag));
    EXPECT_TRUE(flag);
}

TEST_F(RecordStoreTest, ExecutesAccessStatementsOneAtATime) {
    ASSERT_TRUE(connection.ConnectAccess(path));
    EXPECT_TRUE(connection.Execute(QStringLiteral("delete * from tb_Terminal WHERE TerID = 1")));
    EXPECT_EQ(rowCount(QStringLiteral("tb_Terminal")), 2);

    EXPECT_FALSE(connection.Execute(QStringLiteral("DELETE FROM tb_Terminal; DROP TABLE tb_Terminal")));
    EXPECT_EQ(rowCount(QStringLiteral("tb_Terminal")), 2)
        << "a second statement must not run the first either";
    EXPECT_FALSE(connection.Execute(QStringLiteral("UPDATE tb_Missing SET a = 1")));
    EXPECT_TRUE(connection.Execute(QStringLiteral("DELETE * FROM tb_Terminal;")));
    EXPECT_EQ(rowCount(QStringLiteral("tb_Terminal")), 0);

    connection.Close();
    EXPECT_FALSE(connection.Execute(QStringLiteral("DELETE FROM tb_Empty")));
}

TEST_F(RecordStoreTest, QuotesInTextValuesStayInsideTheValue) {
    ASSERT_TRUE(connection.ConnectAccess(path));
    const QStringList names = {QStringLiteral("O'Brien"), QStringLiteral("x'); DROP TABLE tb_Terminal; --"),
                               QStringLiteral("前门'键盘")};
    int id = 10;
    for (const QString& name : names)
        EXPECT_TRUE(connection.Execute(
            SqlStatement("INSERT INTO tb_Terminal (TerID, TerName) VALUES (%d, '%q')", ++id, name)));

    CAdoRecordSet records;
    records.SetAdoConnection(&connection);
    ASSERT_TRUE(
        records.Open(QStringLiteral("SELECT TerName FROM tb_Terminal WHERE TerID > 10 ORDER BY TerID")));
    QStringList stored;
    for (; !records.IsEOF(); records.MoveNext()) {
        QString name;
        records.GetCollect(QStringLiteral("TerName"), name);
        stored.append(name);
    }
    EXPECT_EQ(stored, names);
    EXPECT_EQ(SqlStatement("SELECT * FROM tb_SubCode WHERE MasterCode=%d AND Remark='%q'", 7,
                           QStringLiteral("it's")),
              QStringLiteral("SELECT * FROM tb_SubCode WHERE MasterCode=7 AND Remark='it''s'"));
    EXPECT_EQ(SqlStatement("UPDATE t SET a='%q', b=%lld WHERE c LIKE '100%%'", QStringLiteral("50% %d %q"),
                           -9000000000LL),
              QStringLiteral("UPDATE t SET a='50% %d %q', b=-9000000000 WHERE c LIKE '100%'"))
        << "a percent sign in a value is text";
}

TEST_F(RecordStoreTest, TextsTheDatabaseCannotHoldAreRefusedNeverCut) {
    ASSERT_TRUE(connection.ConnectAccess(path));
    const QString withZero = QStringLiteral("Key") + QChar(u'\0') + QStringLiteral("pad");
    const QString halfPair = QStringLiteral("Key") + QChar(char16_t(0xD800)) + QStringLiteral("pad");
    for (const QString& name : {withZero, halfPair}) {
        EXPECT_FALSE(connection.Execute(
            SqlStatement("INSERT INTO tb_Terminal (TerID, TerName) VALUES (%d, '%q')", 20, name)));
        EXPECT_TRUE(connection.LastError().contains(QStringLiteral("cannot store")))
            << connection.LastError().toStdString();
    }
    EXPECT_EQ(rowCount(QStringLiteral("tb_Terminal")), 3) << "nothing was written, not even a cut name";

    EXPECT_FALSE(connection.Execute(QStringLiteral("UPDATE tb_Missing SET a = 1")));
    EXPECT_TRUE(connection.LastError().contains(QStringLiteral("no such table")))
        << "a refusal is not the reason for a later failure: " << connection.LastError().toStdString();
}

TEST_F(RecordStoreTest, ATextReadsBackWhole) {
    ASSERT_TRUE(connection.ConnectAccess(path));
    // A byte order mark that begins a value is one of its characters, like any other.
    const QString name = QChar(char16_t(0xFEFF)) + QStringLiteral("前门 keypad ") + QChar(char16_t(0xFEFF));
    ASSERT_TRUE(connection.Execute(
        SqlStatement("INSERT INTO tb_Terminal (TerID, TerName) VALUES (%d, '%q')", 20, name)));
    CAdoRecordSet records;
    records.SetAdoConnection(&connection);
    ASSERT_TRUE(records.Open(QStringLiteral("SELECT TerName FROM tb_Terminal WHERE TerID = 20")));
    QString stored;
    EXPECT_TRUE(records.GetCollect(QStringLiteral("TerName"), stored));
    EXPECT_EQ(stored, name);
    EXPECT_EQ(stored.size(), name.size());
}

} // namespace
