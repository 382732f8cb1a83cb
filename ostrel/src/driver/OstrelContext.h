#pragma once

#include "PrivateMessage.h"
#include "UdpPort.h"
#include "core/OstrelCore.h"
#include "ostrel/ostrel.h"

#include <asio/executor_work_guard.hpp>
#include <asio/io_context.hpp>
#include <asio/post.hpp>
#include <asio/steady_timer.hpp>
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>

// The library context behind the C handle. It owns the worker thread and its loop, the UDP socket and
// the core; everything the core does runs on the worker thread, driven by the 100 ms tick and by socket
// readiness. The caller's thread only posts to the loop or runs short jobs on it and waits for them.
struct OstrelContext final : private ostrel::Transport {
public:
    static constexpr std::chrono::milliseconds kTickPeriod{100};
    static constexpr int kSerialBaudRate = 9600;
    // A readiness wake-up takes at most this many datagrams before the loop runs what else is due, so
    // that a flood which never lets the socket's queue empty still leaves room for the tick and for the
    // callers' jobs (Stop_Ostrel, Quit_Ostrel); the rest is read at the next wake-up, which comes at once.
    static constexpr int kMostDatagramsPerWakeUp = 256;
    // A lost serial line is tried again this often, about once a second.
    static constexpr int kReopenTicks = 10;

    // Returns a context whose loop is running, or null when the thread cannot be started. The UDP socket
    // moves its datagrams through socketCalls.
    static std::unique_ptr<OstrelContext>
    create(void* userValue, const OstrelCallbacks& callbacks,
           ostrel::SocketCalls& socketCalls = ostrel::systemSocketCalls());
    ~OstrelContext() override;

    bool start(int portNumber, int replyTimeout, int retryLimit);
    bool startTranslib(const char* forwardHost, int forwardPort);
    int stop();
    // Closes the socket, ends the worker thread and waits for it; the destructor does this too.
    void quit();

    // Runs job on the worker thread and returns its result; inline when already there.
    template <class Job> auto onWorker(Job&& job) -> std::invoke_result_t<Job&> {
        if (std::this_thread::get_id() == workerId_)
            return job();
        std::packaged_task<std::invoke_result_t<Job&>()> task(std::forward<Job>(job));
        auto result = task.get_future();
        asio::post(io_, std::move(task));
        return result.get();
    }

    // Safe from any thread: the rings and the table's queries take their own locks. queue returns the
    // frame's number (0: not queued) and remembers it as the calling thread's last on this context.
    std::uint32_t queue(int portIndex, const ostrel::CommandFrame& frame);
    std::uint32_t lastQueuedFrame() const;
    void setOutcomeCallback(OstrelOutcomeCallback callback) { core_.setOutcomeCallback(callback); }
    ostrel::TerminalTable& table() { return core_.table(); }
    // Changes to the table are the worker's, also those a caller asks for.
    void setTerminalProperty(int portIndex, std::uint8_t a, std::uint8_t b, std::int32_t timeout);

    // Read on the worker thread (see onWorker).
    const ostrel::OstrelCore& core() const { return core_; }
    const ostrel::UdpPort& udpPort() const { return udp_; }
    int startTimersHandled() const { return startTimersHandled_; }

private:
    OstrelContext(void* userValue, const OstrelCallbacks& callbacks, ostrel::SocketCalls& socketCalls);

    void post(ostrel::PrivateMessage message, std::uintptr_t parameter = 0);
    // The core measures outcomes by the time it is given before each thing it handles.
    void stampTime();
    void handle(ostrel::PrivateMessage message, std::uintptr_t parameter);
    void armTick();
    void onTick(const std::error_code& error);
    // What a read of the socket's queue came to.
    enum class Drained {
        Read,         // datagrams were read: the queue ran empty, or the bound was reached
        FoundNothing, // the queue was empty from the start
        Stalled,      // an error that leaves the socket usable came first
        Failed        // the socket failed for good
    };

    void watchSocket();
    void onSocketReadable();
    // Reads and hands to the core what the socket has queued, a batch at a time, until it is empty or
    // kMostDatagramsPerWakeUp were read; what handling a batch produced is sent at the end of that batch.
    Drained readQueuedDatagrams();
    void flushSends();
    // The socket failed for good: the connection-lost path (MSG_SOCKET with FD_CLOSE) runs next in the loop,
    // never inside the core's own handling, which may be what sent into the failed socket.
    void socketFailed(std::string reason);
    bool openSerial(int portNumber);
    bool openUdp(int portNumber);
    // Tries to open again each line this context started that went away since.
    void reopenLostLines();

    // What each line being received brought in this period, read into chunks.
    using SerialChunks =
        std::array<std::array<std::uint8_t, ostrel::SerialLineBuffer::kCapacity>, ostrel::kSerialPortCount>;
    using SerialReads = std::array<ostrel::SerialRead, ostrel::kSerialPortCount>;
    std::span<const ostrel::SerialRead> readSerialLines(SerialChunks& chunks, SerialReads& reads);

    // Transport
    void sendDatagram(std::span<const std::uint8_t> bytes, const ostrel::Ipv4Address& host,
                      std::uint16_t port) override;
    void writeSerial(int portIndex, std::span<const std::uint8_t> bytes) override;
    void closeUdp() override;

    asio::io_context io_;
    asio::executor_work_guard<asio::io_context::executor_type> keepRunning_;
    asio::steady_timer tickTimer_;
    std::chrono::steady_clock::time_point nextTick_;
    bool ticking_ = false;
    ostrel::UdpPort udp_;
    // Counts the sockets opened, so that a readiness wait of a socket since replaced is ignored.
    unsigned socketGeneration_ = 0;
    bool watching_ = false;
    // While a batch read from the socket is handed to the core, datagrams it sends wait for its end.
    bool draining_ = false;
    bool socketFailureQueued_ = false;
    ostrel::OstrelCore core_;
    // Tells apart the contexts a thread queued on, also one made where an ended one was.
    const std::uint64_t instanceId_;
    // The serial lines this context's starts opened: those it opens again when they come back.
    std::array<bool, ostrel::kSerialPortCount> startedLines_{};
    int ticksToReopen_ = kReopenTicks;
    bool timersStarted_ = false;
    int startTimersHandled_ = 0;
    std::thread worker_;
    std::thread::id workerId_;
};
