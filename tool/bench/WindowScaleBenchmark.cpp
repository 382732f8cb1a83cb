// How the main window copes with a whole site on one UDP port. Reports the figures; asserts nothing.
//
//     tarvex-window-scale-benchmark [N]      (N simulated terminals, 1 to 65,025; 10,000 by default)
//
// The real window runs offscreen in a scratch working folder, against zenvar-sim's terminals on one
// loopback UDP port, every one of them already reporting once a second when Start is pressed, as at a site
// where the tool is opened while the terminals run.
// 1. Listing: from pressing Start until the window lists all N (its terminals and the list's rows).
// 2. Its event loop meanwhile: the longest stall of a 100 ms timer, the longest wait of a call queued to it
//    from another thread (as Ostrel's worker thread queues its hand-overs), and the longest single event.
// 3. Resident memory before Start and with all N listed, and the difference per terminal: the window's and
//    Ostrel's (the simulator is a process of its own).
// 4. Steady state with all N reporting once a second: the user-interface thread's share of a core, and
//    the event loop's figures.
// 5. Every terminal signing off at once: how many the window shows off line, and how soon.
// 6. A flood: spoofed reports from every address of the port, as fast as one socket sends, for 20 s: how
//    much the window's memory grows, its event loop meanwhile, and how soon it answers once the flood ends.

#include "RecordingPrompter.h"
#include "ScratchWorkingFolder.h"
#include "SimulatedTerminals.h"
#include "TestDatabase.h"
#include "gridmara/CGridmaraView.h"
#include "main/MainDlg.h"
#include "support/FreeUdpPort.h"
#include "support/WireFrames.h"
#include "terminals/OstrelSession.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A and B each run from 0 to 254: 255 names a whole block.
constexpr int kAddressesPerBlock = OSTREL_WHOLE_BLOCK;
constexpr int kWholePort = kAddressesPerBlock * kAddressesPerBlock;
constexpr int kDefaultTerminals = 10000;
// zenvar-sim starts the terminals of a link this far apart, so that they do not all report in one instant.
constexpr auto kSimStartSpacing = 100us;
// After the last terminal has started, every one has sent a report and goes on once a second.
constexpr auto kAllReporting = 1500ms;
constexpr auto kWaitLimit = 60s;
// The reports that the first acknowledgements let go die down before the steady state is measured.
constexpr auto kSettle = 2s;
constexpr auto kSteadyPeriod = 10s;
constexpr auto kTick = 100ms;
constexpr auto kQueuedCallEvery = 20ms;
constexpr auto kFloodPeriod = 20s;
// A status report of protocol type 2 with its zone flags, as the terminals of the site send them.
constexpr std::uint8_t kStatusReport = 241;

// Sends spoofed status reports from every address of a port to 127.0.0.1:`port`, round after round, as fast
// as one socket can, until `stop`; returns how many it sent.
long long flood(int port, const std::atomic<bool>& stop) {
    std::vector<std::vector<std::uint8_t>> reports;
    for (int a = 0; a < kAddressesPerBlock; ++a)
        for (int b = 0; b < kAddressesPerBlock; ++b)
            reports.push_back(wire::network({127, 0, 0, 1}, std::uint8_t(a), std::uint8_t(b), kStatusReport,
                                            {0, 0, 0x04, 0x01, 0xFF, 0, 0, 0, 0}));
    const int socketFd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    long long sent = 0;
    while (!stop)
        for (std::size_t n = 0; n < reports.size() && !stop; ++n)
            sent += ::sendto(socketFd, reports[n].data(), reports[n].size(), 0,
                             reinterpret_cast<const sockaddr*>(&target), sizeof target) > 0;
    ::close(socketFd);
    return sent;
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

double milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double seconds(std::chrono::nanoseconds duration) {
    return std::chrono::duration<double>(duration).count();
}

// The first n addresses of the port, block by block, as the simulator's address list ("0-38.0-254,39.0-54").
QString addressList(int n) {
    const int wholeBlocks = n / kAddressesPerBlock;
    const int rest = n % kAddressesPerBlock;
    QStringList parts;
    if (wholeBlocks > 0)
        parts << QStringLiteral("0-%1.0-%2").arg(wholeBlocks - 1).arg(kAddressesPerBlock - 1);
    if (rest > 0)
        parts << QStringLiteral("%1.0-%2").arg(wholeBlocks).arg(rest - 1);
    return parts.join(QLatin1Char(','));
}

// VmRSS of /proc/self/status, in bytes. Read whole: a file of /proc reports no size, so QFile would be at its
// end before the first line.
long long residentBytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLongLong() * 1024;
    return 0;
}

std::chrono::nanoseconds cpuTime(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// Runs the event loop for the period.
void runFor(std::chrono::milliseconds period) {
    QEventLoop loop;
    QTimer::singleShot(period, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The application, timing each event the user-interface thread handles: the longest is the longest the
// event loop was kept busy in one go, whether or not a probe happened to be due meanwhile.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        // Events sent while one is handled are part of it.
        static thread_local int depth = 0;
        const bool timed = depth == 0 && QThread::currentThread() == thread();
        const Clock::time_point start = Clock::now();
        ++depth;
        const bool handled = QApplication::notify(receiver, event);
        --depth;
        if (timed)
            m_longestEvent = std::max(m_longestEvent, Clock::now() - start);
        return handled;
    }
    // The longest event since the last call.
    Clock::duration takeLongestEvent() { return std::exchange(m_longestEvent, Clock::duration::zero()); }

private:
    Clock::duration m_longestEvent{};
};

// How late the user-interface thread's event loop gets to its work: the longest a 100 ms timer fired late,
// the longest a call queued from another thread waited to run, and the application's longest event. Each
// period starts afresh.
class EventLoopWatch : public QObject {
public:
    explicit EventLoopWatch(TimedApplication& application) : m_application(application) {
        m_ticks.setTimerType(Qt::PreciseTimer);
        m_ticks.setInterval(kTick);
        connect(&m_ticks, &QTimer::timeout, this, [this] {
            const Clock::time_point now = Clock::now();
            m_longestStall = std::max(m_longestStall, now - m_lastTick - kTick);
            m_lastTick = now;
        });
        m_lastTick = Clock::now();
        m_ticks.start();
        m_poster = std::thread([this] {
            while (!m_stopPosting) {
                QMetaObject::invokeMethod(
                    this,
                    [this, posted = Clock::now()] {
                        m_longestQueuedWait = std::max(m_longestQueuedWait, Clock::now() - posted);
                    },
                    Qt::QueuedConnection);
                std::this_thread::sleep_for(kQueuedCallEvery);
            }
        });
    }
    ~EventLoopWatch() override {
        m_stopPosting = true;
        m_poster.join();
    }

    void startPeriod() {
        m_application.takeLongestEvent();
        m_longestStall = Clock::duration::zero();
        m_longestQueuedWait = Clock::duration::zero();
    }
    // Ends the period once the event loop has caught up: the work of the hand-over that ended it shows only
    // in the timer's next firing and the calls queued meanwhile.
    QString endPeriod() {
        runFor(2 * kTick);
        return QStringLiteral("longest GUI stall %1 ms, longest queued-call wait %2 ms, longest event %3 ms")
            .arg(milliseconds(m_longestStall), 0, 'f', 1)
            .arg(milliseconds(m_longestQueuedWait), 0, 'f', 1)
            .arg(milliseconds(m_application.takeLongestEvent()), 0, 'f', 1);
    }

private:
    TimedApplication& m_application;
    QTimer m_ticks;
    Clock::time_point m_lastTick;
    Clock::duration m_longestStall{};
    Clock::duration m_longestQueuedWait{};
    std::atomic<bool> m_stopPosting{false};
    std::thread m_poster;
};

// Runs the event loop until `done` holds right after a hand-over of terminal events has reached the window
// (only hand-overs change its terminals), or the limit has passed. True when it held.
bool runUntilHandedOver(CMainDlg& window, const std::function<bool()>& done) {
    if (done())
        return true;
    QEventLoop loop;
    bool held = false;
    // Connected after the window's own handler, so it sees the hand-over applied.
    QObject::connect(&window.Session(), &OstrelSession::TerminalsChanged, &loop, [&] {
        if (done()) {
            held = true;
            loop.quit();
        }
    });
    QTimer::singleShot(kWaitLimit, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    return held;
}

int offLineCount(const CMainDlg& window) {
    const TerminalList& terminals = window.Terminals();
    int offLine = 0;
    for (int index = 0; index < terminals.size(); ++index)
        offLine += terminals.at(index).onLine ? 0 : 1;
    return offLine;
}

} // namespace

int main(int argc, char** argv) {
    const int terminals = argc > 1 ? std::atoi(argv[1]) : kDefaultTerminals;
    if (terminals < 1 || terminals > kWholePort) {
        std::fprintf(stderr, "usage: tarvex-window-scale-benchmark [N]   (1 to %d terminals)\n", kWholePort);
        return 2;
    }
    // Each figure shows as soon as it is measured, into a pipe too.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    ScratchWorkingFolder folder;
    if (!folder.isValid() || !prepareWorkingFolder("English"))
        fail("no working folder");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A sound server that is not there: the voice page never reaches for (or starts) the desktop's.
    qputenv("PULSE_SERVER", QFile::encodeName(QStringLiteral("unix:") + QDir::currentPath() + "/no-sound"));
    TimedApplication application(argc, argv);

    RecordingPrompter prompter;
    CMainDlg window(prompter);
    window.show();
    auto* list = window.findChild<CGridmaraView*>(QStringLiteral("terminalList"));
    const auto listed = [&] {
        return window.Terminals().size() == terminals && list->model()->rowCount() == terminals;
    };

    const int port = freeUdpPort();
    SimulatedTerminals sim;
    if (port == 0 ||
        !sim.start(port, {QStringLiteral("--type"), QStringLiteral("2"), QStringLiteral("--terminals"),
                          addressList(terminals), QStringLiteral("--interval"), QStringLiteral("1")}))
        fail("the simulator did not start");
    runFor(
        std::chrono::duration_cast<std::chrono::milliseconds>(terminals * kSimStartSpacing + kAllReporting));
    std::printf("%d simulated terminals on loopback UDP port %d, each reporting once a second\n", terminals,
                port);

    // As the user does it: type the port, add it, press Start.
    EventLoopWatch watch(application);
    const long long residentBeforeStart = residentBytes();
    window.findChild<QLineEdit*>(QStringLiteral("newPort"))->setText(QString::number(port));
    window.findChild<QPushButton*>(QStringLiteral("addPortButton"))->click();
    watch.startPeriod();
    const Clock::time_point started = Clock::now();
    window.findChild<QPushButton*>(QStringLiteral("startButton"))->click();
    if (!window.findChild<QPushButton*>(QStringLiteral("stopButton"))->isVisible())
        fail(qPrintable(QStringLiteral("Start failed: ") + prompter.messages.join(QLatin1Char(' '))));
    if (runUntilHandedOver(window, listed))
        std::printf("listing: all %d terminals listed %.2f s after Start\n", terminals,
                    seconds(Clock::now() - started));
    else
        std::printf("listing: only %d of %d terminals listed %.0f s after Start\n", window.Terminals().size(),
                    terminals, seconds(kWaitLimit));
    const long long residentListed = residentBytes();
    std::printf("listing: %s\n", qPrintable(watch.endPeriod()));
    std::printf("memory: VmRSS %.1f MB before Start, %.1f MB with %d listed: %.0f bytes per terminal\n",
                static_cast<double>(residentBeforeStart) / 1e6, static_cast<double>(residentListed) / 1e6,
                window.Terminals().size(),
                static_cast<double>(residentListed - residentBeforeStart) /
                    std::max(1, window.Terminals().size()));

    runFor(kSettle);
    watch.startPeriod();
    const auto guiCpuBefore = cpuTime(CLOCK_THREAD_CPUTIME_ID);
    const auto processCpuBefore = cpuTime(CLOCK_PROCESS_CPUTIME_ID);
    const Clock::time_point steadyStart = Clock::now();
    runFor(kSteadyPeriod);
    const double steadySeconds = seconds(Clock::now() - steadyStart);
    const double guiCpuShare = seconds(cpuTime(CLOCK_THREAD_CPUTIME_ID) - guiCpuBefore) / steadySeconds;
    const double processCpuShare =
        seconds(cpuTime(CLOCK_PROCESS_CPUTIME_ID) - processCpuBefore) / steadySeconds;
    std::printf("steady state (%.0f s): GUI thread %.1f%% of a core (whole process %.1f%%), %s\n",
                steadySeconds, 100 * guiCpuShare, 100 * processCpuShare, qPrintable(watch.endPeriod()));

    watch.startPeriod();
    const Clock::time_point signedOff = Clock::now();
    sim.command("offline all");
    const QString when = runUntilHandedOver(window, [&] { return offLineCount(window) == terminals; })
                             ? QStringLiteral("%1 s after the simulator signed them all off")
                                   .arg(seconds(Clock::now() - signedOff), 0, 'f', 2)
                             : QStringLiteral("when %1 s had passed").arg(seconds(kWaitLimit));
    std::printf("sign-off burst: %d of %d terminals shown off line %s\n", offLineCount(window), terminals,
                qPrintable(when));
    std::printf("sign-off burst: %s\n", qPrintable(watch.endPeriod()));

    sim.stop();
    runFor(kSettle);
    const long long residentBeforeFlood = residentBytes();
    watch.startPeriod();
    std::atomic<bool> stopFlood = false;
    long long flooded = 0;
    std::thread flooder([&] { flooded = flood(port, stopFlood); });
    runFor(std::chrono::duration_cast<std::chrono::milliseconds>(kFloodPeriod));
    stopFlood = true;
    flooder.join();
    // How soon the window answers once the flood has ended: a call queued now, run when its turn comes.
    const Clock::time_point floodEnded = Clock::now();
    std::optional<Clock::duration> answeredAfter;
    QMetaObject::invokeMethod(
        &window, [&] { answeredAfter = Clock::now() - floodEnded; }, Qt::QueuedConnection);
    QEventLoop loop;
    while (!answeredAfter && Clock::now() - floodEnded < kWaitLimit)
        loop.processEvents(QEventLoop::WaitForMoreEvents, 10);
    const long long residentFlooded = residentBytes();
    std::printf(
        "flood: %lld spoofed reports in %.0f s (%.0f/s); VmRSS %.1f MB before, %.1f MB after (%+.1f MB)\n",
        flooded, seconds(kFloodPeriod), static_cast<double>(flooded) / seconds(kFloodPeriod),
        static_cast<double>(residentBeforeFlood) / 1e6, static_cast<double>(residentFlooded) / 1e6,
        static_cast<double>(residentFlooded - residentBeforeFlood) / 1e6);
    std::printf("flood: a call queued to the window as it ended ran %s\n",
                answeredAfter
                    ? qPrintable(QStringLiteral("%1 ms later").arg(milliseconds(*answeredAfter), 0, 'f', 1))
                    : "never");
    std::printf("flood: %s\n", qPrintable(watch.endPeriod()));

    window.reject();
    return 0;
}
