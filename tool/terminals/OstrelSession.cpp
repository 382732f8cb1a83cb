#include "terminals/OstrelSession.h"

#include <QMetaObject>
#include <QObject>

namespace {

OstrelContext* current = nullptr;

void OnTerminalEvent(void* user, int32_t port, int32_t a, int32_t b, int32_t, int32_t code, const char*) {
    // Only the low byte of each value means anything; the text buffer is Ostrel's and not needed.
    QMetaObject::invokeMethod(static_cast<QObject*>(user), "OnTerminalEvent", Qt::QueuedConnection,
                              Q_ARG(int, port & 0xFF), Q_ARG(int, a & 0xFF), Q_ARG(int, b & 0xFF),
                              Q_ARG(int, code & 0xFF));
}

// Every slot but the terminal events is answered by doing nothing.
const OstrelCallbacks kCallbacks = {
    [](void*, int32_t, int32_t, int32_t, int32_t, const unsigned char*) {},
    [](void*) {},
    [](void*) {},
    [](void*) {},
    [](void*) {},
    [](void*, int32_t, int32_t, int32_t, int32_t, const char*) {},
    OnTerminalEvent,
    [](void*, const char*) {},
};

} // namespace

namespace OstrelSession {

OstrelContext* CurrentContext() {
    return current;
}

StartResult Start(QObject* eventReceiver, const QStringList& ports) {
    if (current)
        return StartResult::Running;
    if (ports.isEmpty())
        return StartResult::NoPort;
    current = Init_Ostrel(eventReceiver, &kCallbacks);
    // Without a context no port can be open: the same answer as a port that would not start.
    if (!current)
        return StartResult::PortUsed;
    bool anyFailed = false;
    for (const QString& port : ports)
        anyFailed |= !Start_Ostrel(current, port.toInt(), kReplyTimeout, kRetryLimit);
    return anyFailed ? StartResult::PortUsed : StartResult::Running;
}

void Stop() {
    if (!current)
        return;
    Quit_Ostrel(current);
    current = nullptr;
}

} // namespace OstrelSession
