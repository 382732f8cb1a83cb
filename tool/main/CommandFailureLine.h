#pragma once

#include "terminals/SendFailureQueue.h"
#include "terminals/TerminalEventQueue.h"

#include <QLabel>
#include <QTime>
#include <QTimer>
#include <chrono>
#include <vector>

// The line under the terminal list that tells the user a terminal's commands get no answer: the terminal
// of the newest failure, since when commands have been failing and how many have. One line however many
// fail, never a message box to click away per command. It goes when that terminal comes on line again,
// when no command has failed for a quiet time, or when communication stops.
class CommandFailureLine : public QLabel {
    Q_OBJECT
public:
    static constexpr std::chrono::seconds kQuietTime{30};

    explicit CommandFailureLine(QWidget* parent = nullptr, std::chrono::milliseconds quietTime = kQuietTime);

    // The words of the line: %1 the terminal's address, %2 the time the failures began, %3 how many.
    void SetWording(const QString& wording);

    // One hand-over of the commands Ostrel gave up on.
    void Add(const SendFailures& failures);
    // One hand-over of terminal events.
    void TerminalsChanged(const std::vector<TerminalChange>& changes);
    void Clear();

private:
    void ShowFailures();

    QString m_wording;
    QTimer m_quietTimer;
    SendFailure m_latest;
    // Since the line appeared.
    std::uint64_t m_count = 0;
    QTime m_since;
};
