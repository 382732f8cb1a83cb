#include "activity/ActivityLog.h"

#include <algorithm>
#include <optional>

namespace {

struct CommandNameKey {
    int code;
    const char* key;
};

constexpr CommandNameKey kCommandNameKeys[] = {
    {OSTREL_COMMAND_TERMINAL_CONTROL, "CmdTerCtrl"}, {OSTREL_COMMAND_SINGLE_OUTPUT, "CmdOutput"},
    {OSTREL_COMMAND_SINGLE_LIGHT, "CmdLight"},       {OSTREL_COMMAND_BUZZER_CONTROL, "CmdBuzzer"},
    {OSTREL_COMMAND_LCD_DISPLAY, "CmdLcdShow"},      {OSTREL_COMMAND_LCD_CLEAN, "CmdLcdClear"},
    {OSTREL_COMMAND_MESSAGE, "CmdMessage"},          {OSTREL_COMMAND_ALL_OUTPUT, "CmdAllOutput"},
    {OSTREL_COMMAND_SETUP_TIME, "CmdSetTime"},       {OSTREL_COMMAND_CONFIG_NAME, "CmdSetName"},
    {OSTREL_COMMAND_CONFIG_FUNCTION, "CmdProgram"},  {OSTREL_COMMAND_POWERUP, "CmdPowerUp"},
};

constexpr const char* kColumnKeys[] = {"ActTime", "ActTerminal", "ActCommand", "ActResult"};
static_assert(std::size(kColumnKeys) == ActivityLog::ColumnCount);

// The fate a frame outcome gives its row; none for the line events.
std::optional<ActivityLog::Fate> FateOfOutcome(const OstrelOutcome& outcome) {
    switch (outcome.kind) {
    case OSTREL_FRAME_ANSWERED:
        return ActivityLog::Fate::Answered;
    case OSTREL_FRAME_FAILED:
        return ActivityLog::Fate::Failed;
    case OSTREL_FRAME_UNREACHABLE:
        return ActivityLog::Fate::Unreachable;
    case OSTREL_FRAME_DISCARDED:
        return ActivityLog::Fate::Discarded;
    default:
        return std::nullopt;
    }
}

} // namespace

ActivityLog::ActivityLog(int rowLimit, QObject* parent)
    : QAbstractTableModel(parent), m_rowLimit(std::max(rowLimit, 1)) {
    SetTexts(TextTable::chinese(kQvToolsTable));
}

void ActivityLog::SetTexts(const TextTable& texts) {
    for (int column = 0; column < ColumnCount; ++column)
        m_texts.columns[column] = texts.text(kColumnKeys[column]);
    m_texts.queued = texts.text("ActQueued");
    m_texts.answered = texts.text("ActAnswered");
    m_texts.failed = texts.text("ActFailed");
    m_texts.notQueued = texts.text("ActNotQueued");
    m_texts.unreachable = texts.text("ActUnreachable");
    m_texts.discarded = texts.text("ActDiscarded");
    m_texts.programmingCodes = texts.text("CmdCodes");
    m_texts.commandNames.clear();
    for (const CommandNameKey& name : kCommandNameKeys)
        m_texts.commandNames.emplace_back(name.code, texts.text(name.key));
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!m_rows.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void ActivityLog::Record(QueuedFrame frame, const SentCommand& command, const QDateTime& queuedAt) {
    if (rowCount() >= m_rowLimit)
        DropOldest();
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_rows.push_back({queuedAt, command, frame, frame == kNotQueued ? Fate::NotQueued : Fate::Queued, 0, 0});
    if (frame != kNotQueued)
        m_waiting[frame] = m_firstNumber + std::uint64_t(row);
    endInsertRows();
}

void ActivityLog::DropOldest() {
    beginRemoveRows({}, 0, 0);
    // Its frame's number may wait for a newer row by now, given again by a later context.
    const auto waiting = m_waiting.find(m_rows.front().frame);
    if (waiting != m_waiting.end() && waiting->second == m_firstNumber)
        m_waiting.erase(waiting);
    m_rows.pop_front();
    ++m_firstNumber;
    endRemoveRows();
}

void ActivityLog::Settle(const std::vector<OstrelOutcome>& outcomes) {
    int firstChanged = rowCount();
    int lastChanged = -1;
    for (const OstrelOutcome& outcome : outcomes) {
        const std::optional<Fate> fate = FateOfOutcome(outcome);
        const auto found = m_waiting.find(outcome.frameNumber);
        if (!fate || found == m_waiting.end())
            continue;
        const int row = int(found->second - m_firstNumber);
        m_waiting.erase(found);
        Row& settled = m_rows[std::size_t(row)];
        settled.fate = *fate;
        settled.sendings = outcome.sendings;
        settled.elapsedMs = outcome.elapsedMs;
        firstChanged = std::min(firstChanged, row);
        lastChanged = std::max(lastChanged, row);
    }
    if (lastChanged >= 0)
        emit dataChanged(index(firstChanged, ResultColumn), index(lastChanged, ResultColumn));
}

void ActivityLog::ForgetWaiting() {
    m_waiting.clear();
}

void ActivityLog::Clear() {
    beginResetModel();
    m_firstNumber += m_rows.size();
    m_rows.clear();
    m_waiting.clear();
    endResetModel();
}

int ActivityLog::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ActivityLog::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ActivityLog::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Row& row = m_rows[std::size_t(index.row())];
    if (role == FateRole)
        return int(row.fate);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case TimeColumn:
        return row.queuedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case TerminalColumn:
        return QStringLiteral("%1.%2.%3")
            .arg(row.command.port)
            .arg(row.command.addressA)
            .arg(row.command.addressB);
    case CommandColumn:
        return CommandText(row.command);
    case ResultColumn:
        return ResultText(row);
    default:
        return {};
    }
}

QVariant ActivityLog::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return m_texts.columns[section];
}

QString ActivityLog::CommandText(const SentCommand& command) const {
    const auto named =
        std::find_if(m_texts.commandNames.begin(), m_texts.commandNames.end(),
                     [&command](const auto& name) { return name.first == command.commandCode; });
    // A code the tool has no name for is shown as its number.
    const QString name =
        named == m_texts.commandNames.end() ? QString::number(command.commandCode) : named->second;
    if (command.masterCode < 0)
        return name;
    return m_texts.programmingCodes.arg(name).arg(command.masterCode).arg(command.subCode);
}

QString ActivityLog::ResultText(const Row& row) const {
    switch (row.fate) {
    case Fate::Queued:
        return m_texts.queued;
    case Fate::Answered:
        return m_texts.answered.arg(row.elapsedMs);
    case Fate::Failed:
        return m_texts.failed.arg(row.sendings);
    case Fate::NotQueued:
        return m_texts.notQueued;
    case Fate::Unreachable:
        return m_texts.unreachable;
    case Fate::Discarded:
        return m_texts.discarded;
    }
    return {};
}
