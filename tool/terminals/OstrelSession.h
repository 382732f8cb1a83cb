#pragma once

#include "ostrel/ostrel.h"
#include "terminals/SendFailureQueue.h"
#include "terminals/TerminalEventQueue.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <vector>

// The tool's side of communication: the running Ostrel context and the callbacks table it is given.
// Terminal events and the commands Ostrel gave up on arrive on Ostrel's worker thread; they gather in
// queues that hold at most one change per terminal and one record of failures, and reach the
// user-interface thread in batches, one hand-over per period, as the typed signals TerminalsChanged and
// CommandsFailed. The worker never waits for that thread, so stopping can never deadlock against an event
// in flight, and a flood of reports or failures costs the window one pass per period.
class OstrelSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kReplyTimeout = 1000;
    static constexpr int kRetryLimit = 3;
    static_assert(kRetryLimit <= OSTREL_RETRY_LIMIT_MAX, "Start_Ostrel refuses a higher retry limit");
    // How long events gather before they are handed over: the window repaints its list at most this often.
    static constexpr std::chrono::milliseconds kHandOverPeriod{100};

    enum class StartResult { Running, NoPort, PortUsed };

    // Start opens the port numbers OSTREL_PORT_COM1 to OSTREL_PORT_COM10 as those serial lines and binds any
    // other number, 0 included, as the context's UDP port, of which a context has only one.
    static constexpr bool IsUdpPortNumber(int portNumber) {
        return portNumber < OSTREL_PORT_COM1 || portNumber > OSTREL_PORT_COM10;
    }

    explicit OstrelSession(QObject* parent = nullptr);
    // Quits a running context.
    ~OstrelSession() override;

    // The running context, null while communication is stopped. The pages pass it to every command.
    OstrelContext* Context() const { return m_context; }

    // Starts Ostrel for the ports (decimal texts, in list order). A context that already exists counts as
    // started. When a port fails the context is kept with the ports that did start.
    StartResult Start(const QStringList& ports);
    // Quits the context, if any, and forgets it. Events it reported before are still handed over; the
    // commands it gave up on are not.
    void Stop();

signals:
    // The terminals that spoke since the last hand-over, in the order they first did.
    void TerminalsChanged(const std::vector<TerminalChange>& changes);
    // The commands that got no reply within the retry limit since the last hand-over: the newest of them
    // and how many.
    void CommandsFailed(const SendFailures& failures);
    // The network closed the context's UDP port: nothing is heard on it any more, and Ostrel has forgotten
    // every terminal. Once per context at most.
    void ConnectionLost();

private:
    static void OnSendFailed(void* user, int32_t port, int32_t addressA, int32_t addressB,
                             int32_t commandCode, const char* text);
    static void OnTerminalEvent(void* user, int32_t port, int32_t addressA, int32_t addressB, int32_t index,
                                int32_t code, const char* text);
    static void OnConnectionLost(void* user, const char* text);
    // Asks the user-interface thread for a hand-over; called on the worker thread once per batch.
    void AskForHandOver();
    void HandOver();

    OstrelContext* m_context = nullptr;
    TerminalEventQueue m_events;
    SendFailureQueue m_failures;
    QTimer m_handOverTimer;
};
