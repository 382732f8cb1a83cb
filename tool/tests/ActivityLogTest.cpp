#include "activity/ActivityLog.h"

#include "CsvRecords.h"
#include "FullDisk.h"
#include "QStringPrinting.h"
#include "RecordingPrompter.h"
#include "ScratchWorkingFolder.h"
#include "TestDatabase.h"
#include "activity/CsvFile.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QSignalSpy>
#include <gtest/gtest.h>

// The activity log as the main window fills it: rows recorded as commands are queued, settled by the
// frame outcomes of the session's hand-overs, and written out as CSV.
namespace {

const QDateTime kMorning(QDate(2026, 3, 9), QTime(8, 5, 7));

SentCommand LcdClean(int addressB) {
    return {OSTREL_PORT_UDP, 1, addressB, OSTREL_COMMAND_LCD_CLEAN};
}

OstrelOutcome Outcome(int kind, std::uint32_t frame, int sendings = 1, int elapsedMs = 0) {
    return {kind, OSTREL_PORT_UDP, 1, 2, OSTREL_COMMAND_LCD_CLEAN, frame, sendings, elapsedMs};
}

QStringList Column(const ActivityLog& log, int column) {
    QStringList texts;
    for (int row = 0; row < log.rowCount(); ++row)
        texts.append(log.index(row, column).data().toString());
    return texts;
}

class ActivityLogTest : public ::testing::Test {
protected:
    ActivityLog log;
    QAbstractItemModelTester rules{&log, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(ActivityLogTest, EachRowSaysWhenWhereAndWhatInTheChosenLanguage) {
    log.Record(7, {OSTREL_PORT_COM1 + 2, 1, 9, OSTREL_COMMAND_CONFIG_FUNCTION, 30, 2}, kMorning);
    log.Record(kNotQueued, LcdClean(2), kMorning.addSecs(1));
    EXPECT_EQ(Column(log, ActivityLog::TimeColumn),
              QStringList({"2026-03-09 08:05:07", "2026-03-09 08:05:08"}));
    EXPECT_EQ(Column(log, ActivityLog::TerminalColumn), QStringList({"3.1.9", "11.1.2"}));
    EXPECT_EQ(Column(log, ActivityLog::CommandColumn), QStringList({"编程（主码 30，从码 2）", "LED清除"}));
    EXPECT_EQ(Column(log, ActivityLog::ResultColumn), QStringList({"已排队", "未发送（发送队列已满）"}));

    RecordingPrompter prompter;
    const std::optional<TextTable> english =
        TextTable::read(builtWorkFile(QStringLiteral("DB/English.mdb")), kQvToolsTable, prompter);
    ASSERT_TRUE(english);
    QSignalSpy headers(&log, &QAbstractItemModel::headerDataChanged);
    log.SetTexts(*english);
    EXPECT_EQ(headers.size(), 1);
    EXPECT_EQ(Column(log, ActivityLog::CommandColumn),
              QStringList({"Program, master code 30, sub code 2", "Clear display"}));
    EXPECT_EQ(log.headerData(ActivityLog::ResultColumn, Qt::Horizontal).toString(), QStringLiteral("Result"));
}

TEST_F(ActivityLogTest, OutcomesSettleTheirFramesRowsInAnyOrderAndNothingElse) {
    for (std::uint32_t frame = 1; frame <= 5; ++frame)
        log.Record(frame, LcdClean(2), kMorning);
    QSignalSpy changed(&log, &QAbstractItemModel::dataChanged);
    log.Settle({Outcome(OSTREL_FRAME_ANSWERED, 4, 2, 1250),
                Outcome(OSTREL_FRAME_FAILED, 2, 3, 3010),
                Outcome(OSTREL_FRAME_ANSWERED, 99), // a frame the log never recorded
                {OSTREL_LINE_LOST, 3, OSTREL_WHOLE_BLOCK, OSTREL_WHOLE_BLOCK, 0, 0, 0, 0},
                Outcome(OSTREL_FRAME_UNREACHABLE, 1, 0, 0)});
    EXPECT_EQ(Column(log, ActivityLog::ResultColumn),
              QStringList(
                  {"无法送达（未发出）", "无应答（发送 3 次）", "已排队", "已应答（1250 毫秒）", "已排队"}));
    ASSERT_EQ(changed.size(), 1) << "one change per hand-over";
    EXPECT_EQ(changed[0][0].toModelIndex(), log.index(0, ActivityLog::ResultColumn));
    EXPECT_EQ(changed[0][1].toModelIndex(), log.index(3, ActivityLog::ResultColumn));

    // A settled frame stays settled; the rest settle later.
    log.Settle({Outcome(OSTREL_FRAME_DISCARDED, 5), Outcome(OSTREL_FRAME_DISCARDED, 4),
                Outcome(OSTREL_FRAME_DISCARDED, 3)});
    EXPECT_EQ(Column(log, ActivityLog::ResultColumn),
              QStringList({"无法送达（未发出）", "无应答（发送 3 次）", "已放弃（通信已停止）",
                           "已应答（1250 毫秒）", "已放弃（通信已停止）"}));
    EXPECT_EQ(log.index(1, ActivityLog::TimeColumn).data(ActivityLog::FateRole).toInt(),
              int(ActivityLog::Fate::Failed));

    // A new context numbers its frames from 1 again: the old rows are no longer found by them.
    log.Record(6, LcdClean(2), kMorning);
    log.ForgetWaiting();
    log.Record(1, LcdClean(3), kMorning);
    log.Settle({Outcome(OSTREL_FRAME_ANSWERED, 6), Outcome(OSTREL_FRAME_ANSWERED, 1, 1, 30)});
    EXPECT_EQ(Column(log, ActivityLog::ResultColumn).mid(5), QStringList({"已排队", "已应答（30 毫秒）"}));
}

TEST_F(ActivityLogTest, KeepsTheNewestRowsUpToItsLimitAndClears) {
    ActivityLog bounded(3);
    QAbstractItemModelTester boundedRules{&bounded, QAbstractItemModelTester::FailureReportingMode::Fatal};
    for (std::uint32_t frame = 1; frame <= 5; ++frame)
        bounded.Record(frame, LcdClean(int(frame)), kMorning);
    EXPECT_EQ(Column(bounded, ActivityLog::TerminalColumn), QStringList({"11.1.3", "11.1.4", "11.1.5"}));
    bounded.Settle({Outcome(OSTREL_FRAME_ANSWERED, 1), Outcome(OSTREL_FRAME_ANSWERED, 4, 1, 20)});
    EXPECT_EQ(Column(bounded, ActivityLog::ResultColumn),
              QStringList({"已排队", "已应答（20 毫秒）", "已排队"}))
        << "a dropped row's outcome is ignored";

    bounded.Clear();
    EXPECT_EQ(bounded.rowCount(), 0);
    bounded.Settle({Outcome(OSTREL_FRAME_ANSWERED, 5)});
    bounded.Record(8, LcdClean(8), kMorning);
    bounded.Settle({Outcome(OSTREL_FRAME_ANSWERED, 3), Outcome(OSTREL_FRAME_FAILED, 8, 3)});
    EXPECT_EQ(Column(bounded, ActivityLog::ResultColumn), QStringList({"无应答（发送 3 次）"}));

    // A row dropped while it waited leaves alone the newer row that its frame's number, given again by a
    // later context, now stands for.
    bounded.Record(9, LcdClean(1), kMorning);
    bounded.ForgetWaiting();
    bounded.Record(9, LcdClean(2), kMorning);
    bounded.Record(10, LcdClean(3), kMorning);
    bounded.Record(11, LcdClean(4), kMorning);
    bounded.Settle({Outcome(OSTREL_FRAME_ANSWERED, 9, 1, 50)});
    EXPECT_EQ(Column(bounded, ActivityLog::TerminalColumn), QStringList({"11.1.2", "11.1.3", "11.1.4"}));
    EXPECT_EQ(Column(bounded, ActivityLog::ResultColumn),
              QStringList({"已应答（50 毫秒）", "已排队", "已排队"}));
}

TEST(CsvFieldTest, QuotesOnlyWhatASpreadsheetWouldMisread) {
    EXPECT_EQ(CsvField(QStringLiteral("11.1.2")), QStringLiteral("11.1.2"));
    EXPECT_EQ(CsvField(QStringLiteral("编程（主码 30，从码 2）")), QStringLiteral("编程（主码 30，从码 2）"))
        << "a full-width comma is text";
    EXPECT_EQ(CsvField(QStringLiteral("a, b")), QStringLiteral("\"a, b\""));
    EXPECT_EQ(CsvField(QStringLiteral("say \"hi\"")), QStringLiteral("\"say \"\"hi\"\"\""));
    EXPECT_EQ(CsvField(QStringLiteral("two\nlines")), QStringLiteral("\"two\nlines\""));
    EXPECT_EQ(CsvField(QStringLiteral("cr\r")), QStringLiteral("\"cr\r\""));
    EXPECT_EQ(CsvField(QString()), QString());
}

// The rows written are the rows shown, whatever the texts hold: texts of a language database of the
// test's own, with commas, quotes, line breaks and Chinese in them.
TEST(ActivityCsvTest, AFileReadBackHoldsTheRowsAsShown) {
    ScratchWorkingFolder folder;
    ASSERT_TRUE(folder.isValid());
    ASSERT_TRUE(createDatabase(QStringLiteral("DB/Odd.mdb"),
                               "CREATE TABLE tb_QvTools (ActTime TEXT, ActCommand TEXT, CmdLcdClear TEXT, "
                               "CmdProgram TEXT, ActQueued TEXT);"
                               "INSERT INTO tb_QvTools VALUES ('When, exactly', 'The \"command\"', "
                               "'Clear\nthe display', '编程, \"值\"', 'Queued,\r\nstill');"));
    RecordingPrompter prompter;
    const std::optional<TextTable> odd =
        TextTable::read(QStringLiteral("DB/Odd.mdb"), kQvToolsTable, prompter);
    ASSERT_TRUE(odd);
    ActivityLog log;
    log.SetTexts(*odd);
    log.Record(1, LcdClean(2), kMorning);
    log.Record(2, {OSTREL_PORT_UDP, 1, 2, OSTREL_COMMAND_CONFIG_FUNCTION, 4, 1}, kMorning);
    log.Record(3, LcdClean(3), kMorning);
    log.Settle({Outcome(OSTREL_FRAME_ANSWERED, 2, 1, 15)});
    ASSERT_EQ(log.index(0, ActivityLog::CommandColumn).data().toString(),
              QStringLiteral("Clear\nthe display"));

    QString error;
    ASSERT_TRUE(WriteCsvFile(log, QStringLiteral("activity.csv"), error)) << error.toStdString();
    QFile file(QStringLiteral("activity.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("\"When, exactly\",")) << "no byte order mark, the header first";
    const QList<QStringList> read = csvRecords(QString::fromUtf8(bytes));
    EXPECT_EQ(read, shownRecords(log));
    EXPECT_EQ(read.size(), 4);
}

TEST(ActivityCsvTest, AFullDiskIsToldAndTheFileThereStaysAsItWas) {
    ScratchWorkingFolder folder;
    ASSERT_TRUE(folder.isValid());
    {
        QFile earlier(QStringLiteral("activity.csv"));
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier\r\n");
    }
    ActivityLog log;
    log.Record(1, LcdClean(2), kMorning);
    QString error;
    bool written = true;
    {
        const FullDisk full;
        ASSERT_TRUE(full.isSet());
        written = WriteCsvFile(log, QStringLiteral("activity.csv"), error);
    }
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.isEmpty());
    QFile file(QStringLiteral("activity.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("earlier\r\n"));
    EXPECT_EQ(log.rowCount(), 1);
}

} // namespace
