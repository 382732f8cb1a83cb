#pragma once

#include "ostrel/ostrel.h"
#include "terminals/OutcomeQueue.h"
#include "terminals/SendFailureQueue.h"
#include "terminals/TerminalEventQueue.h"

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <vector>

// The tool's side of communication: the running Ostrel context and the callbacks it is given. Terminal
// events, the commands Ostrel gave up on and the outcomes of frames and serial lines arrive on Ostrel's
// worker thread; they gather in queues that hold at most one change per terminal, one record of failures
// and a bounded run of outcomes, and reach the user-interface thread in batches, one hand-over per period,
// as typed signals. The worker never waits for that thread, so stopping can never deadlock against an event
// in flight, and a flood of reports, failures or outcomes costs the window one pass per period.
class OstrelSession : public QObject {
    Q_OBJECT
public:
    static constexpr int kReplyTimeout = 1000;
    static constexpr int kRetryLimit = 3;
    static_assert(kRetryLimit <= OSTREL_RETRY_LIMIT_MAX, "Start_Ostrel refuses a higher retry limit");
    // How long events gather before they are handed over: the window repaints its list at most this often.
    static constexpr std::chrono::milliseconds kHandOverPeriod{100};

    enum class StartResult { Running, NoPort, PortUsed };
    // What became of a port: opened by Start, or a serial line that went away and that Ostrel opened again.
    enum class LineState { Open, Lost, Reopened };

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

    // Starts Ostrel for the ports (decimal texts, in list order), telling each port that opens as
    // PortLineChanged. A context that already exists counts as started. When a port fails the context is
    // kept with the ports that did start.
    StartResult Start(const QStringList& ports);
    // Quits the context, if any, and forgets it. The outcomes of its frames, those of the frames it
    // discarded in quitting included, are handed over before it returns, and then Stopped; the events it
    // reported before are handed over later; the commands it gave up on are not.
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
    // What became of queued frames since the last hand-over, one outcome per frame, in the order they
    // happened.
    void FramesSettled(const std::vector<OstrelOutcome>& outcomes);
    // A port opened, or a serial line was lost or opened again. `port` is the number Start was given.
    void PortLineChanged(int port, LineState state);
    // Outcomes that came faster than the window took them and were not kept, since the last hand-over.
    void OutcomesLost(std::uint64_t count);
    // Stop has quit the context: no outcome comes for a frame that has none yet.
    void Stopped();

private:
    static void OnSendFailed(void* user, int32_t port, int32_t addressA, int32_t addressB,
                             int32_t commandCode, const char* text);
    static void OnTerminalEvent(void* user, int32_t port, int32_t addressA, int32_t addressB, int32_t index,
                                int32_t code, const char* text);
    static void OnConnectionLost(void* user, const char* text);
    static void OnOutcome(void* user, const OstrelOutcome* outcome);
    // Asks the user-interface thread for a hand-over; called on the worker thread once per batch.
    void AskForHandOver();
    void HandOver();
    void HandOverOutcomes();

    OstrelContext* m_context = nullptr;
    TerminalEventQueue m_events;
    SendFailureQueue m_failures;
    OutcomeQueue m_outcomes;
    QTimer m_handOverTimer;
};
