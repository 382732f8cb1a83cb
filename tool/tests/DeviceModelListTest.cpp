#include "model/DeviceModelList.h"

#include "QStringPrinting.h"
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

// The texts of a master code, in column order.
struct MasterCodeTexts {
    const char* function;
    const char* left;
    const char* right;
    const char* remark;
};

MasterCodeItem* appendMasterCode(DeviceModel& model, std::int32_t number, std::int32_t valueType,
                                 bool haveOrder, std::int32_t codeNum, const MasterCodeTexts& texts) {
    auto item = std::make_unique<MasterCodeItem>();
    item->MasterCode = number;
    item->ProType = valueType;
    item->HaveOrder = haveOrder;
    item->CodeNum = codeNum;
    item->Function = QString::fromUtf8(texts.function);
    item->lDescribe = QString::fromUtf8(texts.left);
    item->rDescribe = QString::fromUtf8(texts.right);
    item->Remark = QString::fromUtf8(texts.remark);
    return model.AppendMasterCode(std::move(item));
}

SubCodeItem* appendSubCode(MasterCodeItem& masterCode, std::int32_t number, const char* value) {
    auto item = std::make_unique<SubCodeItem>();
    item->SubCode = number;
    item->CodeValue = QString::fromUtf8(value);
    return masterCode.AppendSubCode(std::move(item));
}

class DeviceModelListTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    void makeToolDatabase(const char* sql) { ASSERT_TRUE(createToolDatabase(kToolDatabase, sql)); }
    DeviceModel* appendModel(const char* name, const char* password) {
        auto model = std::make_unique<DeviceModel>();
        model->TerID = models.TakeNextModelId();
        model->TerName = QString::fromUtf8(name);
        model->AdminPsw = QString::fromUtf8(password);
        return models.AppendModel(std::move(model));
    }
    QStringList rows(const char* sql) const { return queryRows(kToolDatabase, sql); }

    ScratchWorkingFolder folder;
    RecordingPrompter prompter;
    DeviceModelList models{prompter};
};

TEST_F(DeviceModelListTest, LoadsTheTreeInDatabaseOrderWithItsOwners) {
    makeToolDatabase(kTwoModels);
    models.Load();
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

TEST_F(DeviceModelListTest, NextModelIdStaysAboveEveryIdLoadedOrRemoved) {
    makeToolDatabase("");
    models.Load();
    EXPECT_TRUE(models.Models().empty());
    EXPECT_EQ(models.TakeNextModelId(), 0) << "the first model of an empty database";
    EXPECT_EQ(models.TakeNextModelId(), 1);

    DeviceModelList loaded(prompter);
    QFile::remove(kToolDatabase);
    makeToolDatabase(kTwoModels);
    loaded.Load();
    EXPECT_EQ(loaded.NextModelId(), 8);
    EXPECT_EQ(loaded.RemoveModel(loaded.Models()[1].get()), 1);
    EXPECT_EQ(loaded.TakeNextModelId(), 8) << "the removed model's id is not handed out again";
    loaded.FreeAll();
    EXPECT_TRUE(loaded.Models().empty());
    EXPECT_EQ(loaded.TakeNextModelId(), 9) << "freeing the tree keeps the next id";
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

TEST_F(DeviceModelListTest, MissingToolDatabaseShowsTheConnectMessageAndLeavesTheTreeEmpty) {
    models.Load();
    EXPECT_EQ(prompter.messages, QStringList{QStringLiteral("连接数据库失败DB/VaZeraVI.mdb")});
    EXPECT_TRUE(models.Models().empty());
    EXPECT_FALSE(QFile::exists(kToolDatabase)) << "the load never creates the database";
}

TEST_F(DeviceModelListTest, UnreadableTablesLeaveOutWhatTheyHoldAndKeepWhatWasRead) {
    ASSERT_TRUE(createDatabase(kToolDatabase,
                               "CREATE TABLE tb_Terminal (TerID INTEGER, TerName TEXT, AdminPsw TEXT);"
                               "INSERT INTO tb_Terminal VALUES (4, 'Keypad', '1234');"));
    models.Load();
    EXPECT_EQ(prompter.messages, QStringList{QStringLiteral("打开数据库表失败SELECT * FROM tb_MasterCode")});
    ASSERT_EQ(models.Models().size(), 1u);
    EXPECT_TRUE(models.Models()[0]->MasterCodes().empty());

    ASSERT_TRUE(createDatabase(kToolDatabase,
                               "CREATE TABLE tb_MasterCode (MasterCode INTEGER, TerID INTEGER);"
                               "INSERT INTO tb_MasterCode VALUES (9, 4);"));
    prompter.messages.clear();
    DeviceModelList withoutSubCodes(prompter);
    withoutSubCodes.Load();
    EXPECT_EQ(prompter.messages,
              QStringList{
                  QStringLiteral("打开数据库表失败SELECT * FROM tb_SubCode WHERE TerID=4 AND MasterCode=9")});
    ASSERT_EQ(withoutSubCodes.Models()[0]->MasterCodes().size(), 1u);
    EXPECT_EQ(withoutSubCodes.Models()[0]->MasterCodes()[0]->MasterCode, 9);
}

TEST_F(DeviceModelListTest, InsertsLeaveOutEmptyRightNamesAndValues) {
    makeToolDatabase("");
    models.Load();
    DeviceModel* keypad = appendModel("ZV-K200", "1234");
    EXPECT_EQ(models.AppendModel(nullptr), nullptr);
    ASSERT_EQ(models.Models().size(), 1u);
    MasterCodeItem* zoneTypes =
        appendMasterCode(*keypad, 4, DigitString, true, 2, {"防区类型", "防区", "类型", "zone types"});
    MasterCodeItem* phones =
        appendMasterCode(*keypad, 10, TelephoneNumber, false, 16, {"报警电话", "报警电话", "", "phones"});
    SubCodeItem* zone1 = appendSubCode(*zoneTypes, 1, "01");
    SubCodeItem* phone1 = appendSubCode(*phones, 1, "");

    StatementRecorder recorder;
    CAdoConnection connection;
    ASSERT_TRUE(ConnectToolDatabase(connection, prompter));
    DeviceModelList::InsertModelRow(connection, keypad);
    DeviceModelList::InsertMasterCodeRow(connection, zoneTypes);
    DeviceModelList::InsertMasterCodeRow(connection, phones);
    DeviceModelList::InsertSubCodeRow(connection, zone1);
    DeviceModelList::InsertSubCodeRow(connection, phone1);
    DeviceModelList::InsertModelRow(connection, nullptr);
    DeviceModelList::InsertMasterCodeRow(connection, nullptr);
    DeviceModelList::InsertSubCodeRow(connection, nullptr);
    DeviceModelList::UpdateSubCodeValue(connection, nullptr);
    connection.Close();
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
            QStringLiteral("INSERT INTO tb_SubCode(TerID,MasterCode,SubCode) VALUES(0,10,1)"),
        }));
    EXPECT_EQ(rows("SELECT MasterCode, rDescribe FROM tb_MasterCode"),
              (QStringList{QStringLiteral("4|类型"), QStringLiteral("10|")}));
    EXPECT_EQ(rows("SELECT MasterCode, SubCode, CodeValue FROM tb_SubCode"),
              (QStringList{QStringLiteral("4|1|01"), QStringLiteral("10|1|")}));
}

TEST_F(DeviceModelListTest, TextsWithQuotesAreStoredAndComeBackAfterARestart) {
    makeToolDatabase("");
    models.Load();
    DeviceModel* keypad = appendModel("O'Neil's 键盘", "12'4");
    MasterCodeItem* masterCode = appendMasterCode(*keypad, 31, StringValue, false, 16,
                                                  {"it's", "l'", "'r", "x'); DELETE FROM tb_Terminal; --"});
    SubCodeItem* subCode = appendSubCode(*masterCode, 1, "a'b");

    CAdoConnection connection;
    ASSERT_TRUE(ConnectToolDatabase(connection, prompter));
    DeviceModelList::InsertModelRow(connection, keypad);
    DeviceModelList::InsertMasterCodeRow(connection, masterCode);
    DeviceModelList::InsertSubCodeRow(connection, subCode);
    subCode->CodeValue = QStringLiteral("Zenvar's '");
    DeviceModelList::UpdateSubCodeValue(connection, subCode);
    connection.Close();

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

TEST_F(DeviceModelListTest, RemovingAModelDeletesItsSubCodesThenMasterCodesThenItsRow) {
    makeToolDatabase(kTwoModels);
    models.Load();
    const DeviceModel* panel = models.Models()[1].get();

    StatementRecorder recorder;
    EXPECT_EQ(models.RemoveModel(models.Models()[0].get()), 0);
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
    EXPECT_EQ(models.RemoveSubCode(zoneTypes.SubCodes()[0].get()), 0);
    EXPECT_EQ(recorder.changes, QStringList{QStringLiteral(
                                    "DELETE FROM tb_SubCode WHERE TerID=3 AND MasterCode=12 AND SubCode=2")});
    ASSERT_EQ(zoneTypes.SubCodes().size(), 1u);
    EXPECT_EQ(zoneTypes.SubCodes()[0]->SubCode, 1);

    recorder.clear();
    EXPECT_EQ(models.RemoveMasterCode(keypad.MasterCodes()[1].get()), 1);
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
    EXPECT_EQ(models.RemoveModel(&otherKeypad), -1);
    EXPECT_EQ(models.RemoveModel(&unlisted), -1);
    EXPECT_EQ(models.RemoveModel(nullptr), -1);
    EXPECT_EQ(models.RemoveMasterCode(&orphan), -1);
    EXPECT_EQ(models.RemoveMasterCode(nullptr), -1);
    EXPECT_EQ(models.RemoveSubCode(&orphanSubCode), -1);
    EXPECT_EQ(models.RemoveSubCode(nullptr), -1);
    EXPECT_EQ(recorder.connections, 0);
    EXPECT_TRUE(recorder.changes.isEmpty());
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_EQ(models.Models().size(), 2u);
    EXPECT_EQ(rows("SELECT count(*) FROM tb_SubCode"), QStringList{QStringLiteral("4")});
}

TEST_F(DeviceModelListTest, RemovalWithoutTheDatabaseStillLeavesTheTree) {
    makeToolDatabase(kTwoModels);
    models.Load();
    ASSERT_TRUE(QFile::remove(kToolDatabase));
    EXPECT_EQ(models.RemoveModel(models.Models()[1].get()), 1);
    EXPECT_EQ(prompter.messages, QStringList{QStringLiteral("连接数据库失败DB/VaZeraVI.mdb")});
    EXPECT_EQ(models.Models().size(), 1u);
}

} // namespace
