#include "main/CommandFailureLine.h"

#include "ostrel/ostrel.h"

namespace {

QString AddressText(std::uint8_t port, std::uint8_t addressA, std::uint8_t addressB) {
    return QStringLiteral("%1.%2.%3").arg(port).arg(addressA).arg(addressB);
}

} // namespace

CommandFailureLine::CommandFailureLine(QWidget* parent, std::chrono::milliseconds quietTime)
    : QLabel(parent) {
    setObjectName(QStringLiteral("commandFailureLine"));
    setWordWrap(true);
    // The colour of a warning, readable on the window's background.
    setStyleSheet(QStringLiteral("color: #a00000;"));
    hide();
    m_quietTimer.setSingleShot(true);
    m_quietTimer.setInterval(quietTime);
    connect(&m_quietTimer, &QTimer::timeout, this, &CommandFailureLine::Clear);
}

void CommandFailureLine::SetWording(const QString& wording) {
    m_wording = wording;
}

void CommandFailureLine::Add(const SendFailures& failures) {
    if (failures.count == 0)
        return;
    if (m_count == 0)
        m_since = QTime::currentTime();
    m_count += failures.count;
    m_latest = failures.latest;
    m_quietTimer.start();
    ShowFailures();
}

void CommandFailureLine::TerminalsChanged(const std::vector<TerminalChange>& changes) {
    if (m_count == 0)
        return;
    constexpr std::uint32_t kCameOnLine = std::uint32_t{1} << OSTREL_EVENT_TERMINAL_ON_LINE;
    for (const TerminalChange& change : changes) {
        if (change.port == m_latest.port && change.addressA == m_latest.addressA &&
            change.addressB == m_latest.addressB && (change.codesSeen & kCameOnLine) != 0) {
            Clear();
            return;
        }
    }
}

void CommandFailureLine::Clear() {
    m_quietTimer.stop();
    m_count = 0;
    clear();
    hide();
}

void CommandFailureLine::ShowFailures() {
    setText(m_wording.arg(AddressText(m_latest.port, m_latest.addressA, m_latest.addressB),
                          m_since.toString(QStringLiteral("HH:mm:ss")), QString::number(m_count)));
    show();
}
