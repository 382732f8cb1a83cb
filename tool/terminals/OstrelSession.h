#pragma once

#include "ostrel/ostrel.h"

#include <QStringList>

class QObject;

// The tool's side of communication: the running Ostrel context and the callbacks table it is given.
// Terminal events arrive on Ostrel's worker thread; they are handed to the main window's
// user-interface thread as queued calls of its OnTerminalEvent(int port, int a, int b, int code), and
// the worker never waits for that thread, so stopping can never deadlock against an event in flight.
namespace OstrelSession {

inline constexpr int kReplyTimeout = 1000;
inline constexpr int kRetryLimit = 3;
static_assert(kRetryLimit <= OSTREL_RETRY_LIMIT_MAX, "Start_Ostrel refuses a higher retry limit");

enum class StartResult { Running, NoPort, PortUsed };

// Start opens the port numbers OSTREL_PORT_COM1 to OSTREL_PORT_COM10 as those serial lines and binds any
// other number, 0 included, as the context's UDP port, of which a context has only one.
inline constexpr bool IsUdpPortNumber(int portNumber) {
    return portNumber < OSTREL_PORT_COM1 || portNumber > OSTREL_PORT_COM10;
}

// The running context, null while communication is stopped. The pages pass it to every command.
OstrelContext* CurrentContext();

// Starts Ostrel for the ports (decimal texts, in list order) with `eventReceiver` as the user value.
// A context that already exists counts as started. When a port fails the context is kept with the ports
// that did start.
StartResult Start(QObject* eventReceiver, const QStringList& ports);
// Quits the context, if any, and forgets it.
void Stop();

} // namespace OstrelSession
