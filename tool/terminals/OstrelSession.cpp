#include "terminals/OstrelSession.h"

#include <QMetaObject>

namespace {

// Every slot but the terminal events is answered by doing nothing.
OstrelCallbacks CallbacksWith(decltype(OstrelCallbacks::onTerminalEvent) onTerminalEvent) {
    return {
        [](void*, int32_t, int32_t, int32_t, int32_t, const unsigned char*) {},
        [](void*) {},
        [](void*) {},
        [](void*) {},
        [](void*) {},
        [](void*, int32_t, int32_t, int32_t, int32_t, const char*) {},
        onTerminalEvent,
        [](void*, const char*) {},
    };
}

} // namespace

OstrelSession::OstrelSession(QObject* parent) : QObject(parent) {
    m_handOverTimer.setSingleShot(true);
    m_handOverTimer.setInterval(kHandOverPeriod);
    connect(&m_handOverTimer, &QTimer::timeout, this, &OstrelSession::HandOver);
}

OstrelSession::~OstrelSession() {
    Stop();
}

OstrelSession::StartResult OstrelSession::Start(const QStringList& ports) {
    static const OstrelCallbacks callbacks = CallbacksWith(&OstrelSession::OnTerminalEvent);
    if (m_context)
        return StartResult::Running;
    if (ports.isEmpty())
        return StartResult::NoPort;
    m_context = Init_Ostrel(this, &callbacks);
    // Without a context no port can be open: the same answer as a port that would not start.
    if (!m_context)
        return StartResult::PortUsed;
    bool anyFailed = false;
    for (const QString& port : ports)
        anyFailed |= !Start_Ostrel(m_context, port.toInt(), kReplyTimeout, kRetryLimit);
    return anyFailed ? StartResult::PortUsed : StartResult::Running;
}

void OstrelSession::Stop() {
    if (!m_context)
        return;
    Quit_Ostrel(m_context);
    m_context = nullptr;
}

void OstrelSession::OnTerminalEvent(void* user, int32_t port, int32_t addressA, int32_t addressB, int32_t,
                                    int32_t code, const char*) {
    // Runs on Ostrel's worker thread. The first event of a batch asks the user-interface thread for one
    // hand-over; the ones after it join the batch. The text buffer is Ostrel's and not needed.
    auto* session = static_cast<OstrelSession*>(user);
    if (session->m_events.push(port, addressA, addressB, code))
        QMetaObject::invokeMethod(
            session, [session] { session->m_handOverTimer.start(); }, Qt::QueuedConnection);
}

void OstrelSession::HandOver() {
    const std::vector<TerminalChange> changes = m_events.take();
    if (!changes.empty())
        emit TerminalsChanged(changes);
}
