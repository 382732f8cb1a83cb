#include "terminals/OstrelSession.h"

#include <QMetaObject>

OstrelSession::OstrelSession(QObject* parent) : QObject(parent) {
    m_handOverTimer.setSingleShot(true);
    m_handOverTimer.setInterval(kHandOverPeriod);
    connect(&m_handOverTimer, &QTimer::timeout, this, &OstrelSession::HandOver);
}

OstrelSession::~OstrelSession() {
    // Nobody is told any more: whoever listens may be half gone with the window.
    if (m_context)
        Quit_Ostrel(m_context);
}

OstrelSession::StartResult OstrelSession::Start(const QStringList& ports) {
    // Reports are seen through the terminal events they cause; the slots Ostrel never calls stay empty.
    static constexpr OstrelCallbacks callbacks = {
        .onReport = nullptr,
        .reserved1 = nullptr,
        .reserved2 = nullptr,
        .onRefresh = nullptr,
        .reserved4 = nullptr,
        .onSendFailed = &OstrelSession::OnSendFailed,
        .onTerminalEvent = &OstrelSession::OnTerminalEvent,
        .onConnectionLost = &OstrelSession::OnConnectionLost,
    };
    if (m_context)
        return StartResult::Running;
    if (ports.isEmpty())
        return StartResult::NoPort;
    m_context = Init_Ostrel(this, &callbacks);
    // Without a context no port can be open: the same answer as a port that would not start.
    if (!m_context)
        return StartResult::PortUsed;
    SetOutcomeCallback(m_context, &OstrelSession::OnOutcome);
    bool anyFailed = false;
    for (const QString& port : ports) {
        const bool opened = Start_Ostrel(m_context, port.toInt(), kReplyTimeout, kRetryLimit);
        if (opened)
            emit PortLineChanged(port.toInt(), LineState::Open);
        anyFailed |= !opened;
    }
    return anyFailed ? StartResult::PortUsed : StartResult::Running;
}

void OstrelSession::Stop() {
    if (!m_context)
        return;
    Quit_Ostrel(m_context);
    m_context = nullptr;
    // Its commands are gone with it: what failed of them is no news once the user has stopped.
    m_failures.take();
    // What became of its frames is: at once, before a new context numbers its frames from 1 again.
    HandOverOutcomes();
    emit Stopped();
}

void OstrelSession::OnSendFailed(void* user, int32_t port, int32_t addressA, int32_t addressB,
                                 int32_t commandCode, const char*) {
    // Runs on Ostrel's worker thread, like the two below; the text buffer is Ostrel's and not needed.
    auto* session = static_cast<OstrelSession*>(user);
    if (session->m_failures.push(port, addressA, addressB, commandCode))
        session->AskForHandOver();
}

void OstrelSession::OnTerminalEvent(void* user, int32_t port, int32_t addressA, int32_t addressB, int32_t,
                                    int32_t code, const char*) {
    // The first event of a batch asks for one hand-over; the ones after it join the batch.
    auto* session = static_cast<OstrelSession*>(user);
    if (session->m_events.push(port, addressA, addressB, code))
        session->AskForHandOver();
}

void OstrelSession::OnConnectionLost(void* user, const char*) {
    // Ostrel closes the socket after this: it cannot come again for the same context.
    auto* session = static_cast<OstrelSession*>(user);
    QMetaObject::invokeMethod(
        session, [session] { emit session->ConnectionLost(); }, Qt::QueuedConnection);
}

void OstrelSession::OnOutcome(void* user, const OstrelOutcome* outcome) {
    auto* session = static_cast<OstrelSession*>(user);
    if (session->m_outcomes.push(*outcome))
        session->AskForHandOver();
}

void OstrelSession::AskForHandOver() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            // Events, failures and outcomes share the period: a hand-over already on its way takes them all.
            if (!m_handOverTimer.isActive())
                m_handOverTimer.start();
        },
        Qt::QueuedConnection);
}

void OstrelSession::HandOver() {
    const std::vector<TerminalChange> changes = m_events.take();
    if (!changes.empty())
        emit TerminalsChanged(changes);
    const SendFailures failures = m_failures.take();
    if (failures.count != 0)
        emit CommandsFailed(failures);
    HandOverOutcomes();
}

void OstrelSession::HandOverOutcomes() {
    const Outcomes taken = m_outcomes.take();
    std::vector<OstrelOutcome> frames;
    frames.reserve(taken.outcomes.size());
    for (const OstrelOutcome& outcome : taken.outcomes) {
        switch (outcome.kind) {
        case OSTREL_LINE_LOST:
            emit PortLineChanged(outcome.port, LineState::Lost);
            break;
        case OSTREL_LINE_REOPENED:
            emit PortLineChanged(outcome.port, LineState::Reopened);
            break;
        default:
            frames.push_back(outcome);
            break;
        }
    }
    if (!frames.empty())
        emit FramesSettled(frames);
    if (taken.lost != 0)
        emit OutcomesLost(taken.lost);
}
