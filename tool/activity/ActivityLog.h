#pragma once

#include "language/TextTable.h"
#include "ostrel/ostrel.h"
#include "terminals/QueuedFrame.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

// A command the tool sent to a terminal, as the activity log names it.
struct SentCommand {
    int port = 0;
    int addressA = 0;
    int addressB = 0;
    int commandCode = 0; // OstrelCommandCode
    // The programming value's master and sub code; -1 for the other commands.
    int masterCode = -1;
    int subCode = -1;
};

// Every command the tool sent, one row each, oldest first: when it was queued, its terminal, the command by
// name and what became of its frame. A row waits as queued until Ostrel reports its frame's outcome, found
// by frame number in constant time. The log keeps the newest rows up to a limit and drops the oldest, so a
// session of any length costs bounded memory. Texts are those of the main window's language; the header
// data are the column titles. Used on the user-interface thread only.
class ActivityLog : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TimeColumn, TerminalColumn, CommandColumn, ResultColumn, ColumnCount };
    enum class Fate { Queued, Answered, Failed, NotQueued, Unreachable, Discarded };
    static constexpr int kRowLimit = 100000;
    // The row's Fate, as an int, in every column: for a view that marks fates its own way.
    static constexpr int FateRole = Qt::UserRole;

    explicit ActivityLog(int rowLimit = kRowLimit, QObject* parent = nullptr);

    // The texts of the main window's table (tb_QvTools).
    void SetTexts(const TextTable& texts);

    // A command sent at `queuedAt`, queued as `frame`, or not queued at all (kNotQueued).
    void Record(QueuedFrame frame, const SentCommand& command, const QDateTime& queuedAt);
    // One hand-over of frame outcomes: each settles the row of its frame; frames the log does not wait for
    // (another context's, dropped rows', line events) change nothing.
    void Settle(const std::vector<OstrelOutcome>& outcomes);
    // The context is gone: no outcome can come for the rows still waiting, and its frame numbers will be
    // given again by the next one. The rows keep their state.
    void ForgetWaiting();
    void Clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QDateTime queuedAt;
        SentCommand command;
        QueuedFrame frame = kNotQueued;
        Fate fate = Fate::Queued;
        std::int32_t sendings = 0;
        std::int32_t elapsedMs = 0;
    };
    struct Texts {
        QString columns[ColumnCount];
        QString queued, answered, failed, notQueued, unreachable, discarded;
        QString programmingCodes;
        // By OstrelCommandCode, as kCommandNameKeys lists them.
        std::vector<std::pair<int, QString>> commandNames;
    };

    void DropOldest();
    QString CommandText(const SentCommand& command) const;
    QString ResultText(const Row& row) const;

    const int m_rowLimit;
    Texts m_texts;
    std::deque<Row> m_rows;
    // Rows are numbered in the order they were recorded: m_rows[i] is number m_firstNumber + i.
    std::uint64_t m_firstNumber = 0;
    // The number of each row that waits for its frame's outcome, by frame number.
    std::unordered_map<QueuedFrame, std::uint64_t> m_waiting;
};
