#include "voice/PromptSlotTable.h"

#include "QStringPrinting.h"
#include "ReadOnlyFile.h"
#include "RecordingPrompter.h"
#include "ScratchWorkingFolder.h"
#include "StatementRecorder.h"
#include "TestDatabase.h"
#include "model/ToolDatabase.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class PromptSlotTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        ASSERT_TRUE(createToolDatabase(QLatin1String(kToolDatabasePath), ""));
    }

    static QStringList assigned(const char* table) {
        return queryRows(QLatin1String(kToolDatabasePath), QByteArray("SELECT byOrder, WavName FROM ") +
                                                               table +
                                                               " WHERE WavName <> '' ORDER BY byOrder");
    }

    ScratchWorkingFolder m_folder;
    RecordingPrompter prompter;
};

TEST_F(PromptSlotTableTest, TheLanguageFlagChoosesTheTable) {
    const std::vector<PromptSlotRow> chinese = LoadPromptSlots(0, prompter);
    const std::vector<PromptSlotRow> english = LoadPromptSlots(1, prompter);
    ASSERT_EQ(chinese.size(), 40U);
    ASSERT_EQ(english.size(), 40U);
    EXPECT_EQ(chinese[20].type, QStringLiteral("报警信息"));
    EXPECT_EQ(english[20].type, QStringLiteral("Alarm message"));
    EXPECT_EQ(english[16].remark, QStringLiteral("Name of zone 16"));
    EXPECT_EQ(english[17].waveName, QStringLiteral("Armed.wav"));
    EXPECT_EQ(english[39].order, 39);

    EXPECT_TRUE(LoadPromptSlots(7, prompter).empty());
    EXPECT_TRUE(LoadPromptSlots(-1, prompter).empty());
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(PromptSlotTableTest, EveryAssignedSlotIsWrittenToBothTablesQuotesAndAll) {
    const std::vector<PromptSlot> slotList{{"O'Brien's \"door\".wav", 3},
                                           {"", 4},
                                           {"50% off.wav", 20},
                                           {"x.wav'); DROP TABLE tb_Sound; --", 31}};
    QString error;
    StatementRecorder recorder;
    ASSERT_TRUE(SavePromptAssignments(slotList, prompter, error)) << error.toStdString();
    // One update per assigned slot and table, on one connection.
    EXPECT_EQ(recorder.connections, 1);
    EXPECT_EQ(
        recorder.changes,
        QStringList({"UPDATE tb_Sound SET WavName='O''Brien''s \"door\".wav' WHERE byOrder=3",
                     "UPDATE tb_SoundEg SET WavName='O''Brien''s \"door\".wav' WHERE byOrder=3",
                     "UPDATE tb_Sound SET WavName='50% off.wav' WHERE byOrder=20",
                     "UPDATE tb_SoundEg SET WavName='50% off.wav' WHERE byOrder=20",
                     "UPDATE tb_Sound SET WavName='x.wav''); DROP TABLE tb_Sound; --' WHERE byOrder=31",
                     "UPDATE tb_SoundEg SET WavName='x.wav''); DROP TABLE tb_Sound; --' WHERE byOrder=31"}));

    const QStringList expected{"0|Welcome.wav",  "3|O'Brien's \"door\".wav",
                               "17|Armed.wav",   "18|Disarmed.wav",
                               "20|50% off.wav", "31|x.wav'); DROP TABLE tb_Sound; --"};
    EXPECT_EQ(assigned("tb_Sound"), expected);
    EXPECT_EQ(assigned("tb_SoundEg"), expected) << "whichever language the page shows";
    EXPECT_TRUE(prompter.messages.isEmpty());
}

TEST_F(PromptSlotTableTest, ADatabaseThatRefusesTheChangeKeepsItWholeAndSaysWhy) {
    QString error;
    {
        const ReadOnlyFile readOnly{QString::fromLatin1(kToolDatabasePath)};
        if (!readOnly.isSet())
            GTEST_SKIP() << "this file system has no immutable flag";
        EXPECT_FALSE(SavePromptAssignments(std::vector<PromptSlot>{{"a.wav", 1}}, prompter, error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(assigned("tb_Sound").size(), 3);

    // A database that cannot be opened has been reported by the connect; no reason is added.
    ASSERT_TRUE(QFile::remove(QLatin1String(kToolDatabasePath)));
    EXPECT_FALSE(SavePromptAssignments(std::vector<PromptSlot>{{"a.wav", 1}}, prompter, error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(prompter.messages, QStringList{QStringLiteral("连接数据库失败DB/VaZeraVI.mdb")});
    EXPECT_TRUE(LoadPromptSlots(0, prompter).empty());
}

} // namespace
