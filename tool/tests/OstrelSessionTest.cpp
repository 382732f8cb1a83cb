// The session's hand-over of terminal events from Ostrel's worker to the user-interface thread, with a real
// Ostrel context on loopback UDP and terminals reporting as fast as a socket sends.
#include "terminals/OstrelSession.h"

#include "OstrelOnFreeUdpPort.h"
#include "support/WireFrames.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTest>
#include <QUdpSocket>
#include <memory>

namespace {

constexpr std::uint8_t kReport = 1;

void Report(QUdpSocket& terminal, int port, int a, int b) {
    const std::vector<std::uint8_t> frame = wire::canonical(std::uint8_t(a), std::uint8_t(b), kReport);
    terminal.writeDatagram(reinterpret_cast<const char*>(frame.data()), qint64(frame.size()),
                           QHostAddress::LocalHost, quint16(port));
}

} // namespace

class OstrelSessionTest : public QObject {
    Q_OBJECT

private slots:
    void eventsArriveInBatchesEachTerminalOnceInOrder();
    void aSessionGoneBeforeItsHandOverIsNoHarm();
    void outcomesArriveInOrderAndStopHandsOverTheDiscardedOnesFirst();
};

void OstrelSessionTest::eventsArriveInBatchesEachTerminalOnceInOrder() {
    constexpr int kTerminals = 2000;
    OstrelSession session;
    std::vector<TerminalChange> heard;
    std::vector<bool> known(kTerminals);
    int knownCount = 0;
    int handOvers = 0;
    connect(&session, &OstrelSession::TerminalsChanged, this,
            [&](const std::vector<TerminalChange>& changes) {
                ++handOvers;
                heard.insert(heard.end(), changes.begin(), changes.end());
                for (const TerminalChange& change : changes) {
                    const std::size_t n = std::size_t((change.addressA - 1) * 250 + change.addressB);
                    if (n < known.size() && !known[n]) {
                        known[n] = true;
                        ++knownCount;
                    }
                }
            });
    const int port = startOstrelOnFreeUdpPort(session);
    QVERIFY(port != 0);

    // Two reports from each of 2,000 terminals, in rounds, paced so that no datagram is dropped on the way.
    QUdpSocket terminal;
    QElapsedTimer elapsed;
    elapsed.start();
    for (int round = 0; round < 2; ++round)
        for (int n = 0; n < kTerminals; ++n) {
            Report(terminal, port, 1 + n / 250, n % 250);
            if (n % 100 == 99)
                QTest::qWait(1);
        }
    QTRY_COMPARE_WITH_TIMEOUT(knownCount, kTerminals, 20000);
    QTest::qWait(int(2 * OstrelSession::kHandOverPeriod.count()));
    const qint64 ms = elapsed.elapsed();

    // Each terminal once per hand-over it spoke in: at most twice, and first in the order they first spoke.
    std::vector<int> firstOrder;
    std::vector<int> timesHeard(kTerminals);
    for (const TerminalChange& change : heard) {
        const int n = (change.addressA - 1) * 250 + change.addressB;
        QVERIFY(change.port == OSTREL_PORT_UDP && n >= 0 && n < kTerminals);
        if (timesHeard[std::size_t(n)]++ == 0)
            firstOrder.push_back(n);
    }
    for (int n = 0; n < kTerminals; ++n) {
        QVERIFY(timesHeard[std::size_t(n)] >= 1 && timesHeard[std::size_t(n)] <= 2);
        QCOMPARE(firstOrder[std::size_t(n)], n);
    }
    // One hand-over per period at most while they keep coming, not one per event.
    QVERIFY2(handOvers <= ms / OstrelSession::kHandOverPeriod.count() + 2,
             qPrintable(QStringLiteral("%1 hand-overs in %2 ms").arg(handOvers).arg(ms)));
}

void OstrelSessionTest::aSessionGoneBeforeItsHandOverIsNoHarm() {
    auto session = std::make_unique<OstrelSession>();
    bool handedOver = false;
    connect(session.get(), &OstrelSession::TerminalsChanged, this, [&] { handedOver = true; });
    const int port = startOstrelOnFreeUdpPort(*session);
    QVERIFY(port != 0);
    QUdpSocket terminal;
    Report(terminal, port, 1, 1);
    QTRY_VERIFY_WITH_TIMEOUT(handedOver, 10000);

    // A report whose hand-over is still on its way when the session goes.
    handedOver = false;
    Report(terminal, port, 1, 2);
    QTest::qWait(20);
    session.reset();
    QTest::qWait(int(2 * OstrelSession::kHandOverPeriod.count()));
    QVERIFY(!handedOver);
}

void OstrelSessionTest::outcomesArriveInOrderAndStopHandsOverTheDiscardedOnesFirst() {
    OstrelSession session;
    std::vector<OstrelOutcome> settled;
    QStringList told;
    connect(&session, &OstrelSession::FramesSettled, this, [&](const std::vector<OstrelOutcome>& outcomes) {
        settled.insert(settled.end(), outcomes.begin(), outcomes.end());
        told.append(QStringLiteral("settled %1").arg(outcomes.size()));
    });
    connect(&session, &OstrelSession::Stopped, this, [&] { told.append(QStringLiteral("stopped")); });
    QList<int> opened;
    connect(&session, &OstrelSession::PortLineChanged, this, [&](int port, OstrelSession::LineState state) {
        if (state == OstrelSession::LineState::Open)
            opened.append(port);
    });
    bool heard = false;
    connect(&session, &OstrelSession::TerminalsChanged, this, [&] { heard = true; });
    const int port = startOstrelOnFreeUdpPort(session);
    QVERIFY(port != 0);
    QCOMPARE(opened.last(), port);

    // Terminal 1.2 reports, then answers nothing; nothing was ever heard of 2.9 or its block.
    QUdpSocket terminal;
    Report(terminal, port, 1, 2);
    QTRY_VERIFY_WITH_TIMEOUT(heard, 10000);
    OstrelContext* context = session.Context();
    std::vector<std::uint32_t> frames;
    for (const auto& [a, b] : {std::pair{2, 9}, std::pair{1, 2}, std::pair{1, 2}}) {
        QVERIFY(Cmd_LCDcleans_Send(context, OSTREL_PORT_UDP, a, b, 0));
        frames.push_back(GetLastQueuedFrame(context));
    }
    QTRY_COMPARE_WITH_TIMEOUT(settled.size(), std::size_t{1}, 10000);
    QCOMPARE(settled[0].frameNumber, frames[0]);
    QCOMPARE(settled[0].kind, int(OSTREL_FRAME_UNREACHABLE));

    // The frame awaiting its reply and the one behind it are discarded, and told before Stop returns.
    told.clear();
    session.Stop();
    QCOMPARE(told, (QStringList{QStringLiteral("settled 2"), QStringLiteral("stopped")}));
    QCOMPARE(settled.size(), std::size_t{3});
    for (std::size_t n = 1; n < 3; ++n) {
        QCOMPARE(settled[n].frameNumber, frames[n]);
        QCOMPARE(settled[n].kind, int(OSTREL_FRAME_DISCARDED));
    }
}

QTEST_MAIN(OstrelSessionTest)
#include "OstrelSessionTest.moc"
