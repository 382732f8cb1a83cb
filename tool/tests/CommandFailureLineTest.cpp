// The main window's line about commands that get no answer, fed as the session's hand-overs feed it.
#include "main/CommandFailureLine.h"

#include "ostrel/ostrel.h"

#include <QRegularExpression>
#include <QTest>

namespace {

const QString kWording = QStringLiteral("Commands to terminal %1 get no answer: %3 failed since %2");

SendFailures Failures(int addressB, std::uint64_t count) {
    return {{OSTREL_PORT_UDP, 1, std::uint8_t(addressB), OSTREL_COMMAND_LCD_DISPLAY}, count};
}

TerminalChange Heard(int addressB, int code) {
    return {OSTREL_PORT_UDP, 1, std::uint8_t(addressB), std::uint8_t(code), std::uint32_t{1} << code};
}

} // namespace

class CommandFailureLineTest : public QObject {
    Q_OBJECT

private slots:
    void tellsTheNewestTerminalAndHowManyFailedSince();
    void goesWhenThatTerminalComesOnLineAgain();
    void goesAfterAQuietTime();
};

void CommandFailureLineTest::tellsTheNewestTerminalAndHowManyFailedSince() {
    CommandFailureLine line;
    line.SetWording(kWording);
    QVERIFY(line.isHidden());
    line.Add({});
    QVERIFY2(line.isHidden(), "a hand-over without failures shows nothing");

    line.Add(Failures(2, 1));
    line.Add(Failures(3, 4));
    QVERIFY(!line.isHidden());
    static const QRegularExpression told(QStringLiteral(
        "^Commands to terminal 11\\.1\\.3 get no answer: 5 failed since \\d\\d:\\d\\d:\\d\\d$"));
    QVERIFY2(told.match(line.text()).hasMatch(), qPrintable(line.text()));

    // Stopping communication ends the story: the next failure starts a new count.
    line.Clear();
    QVERIFY(line.isHidden());
    line.Add(Failures(2, 1));
    QVERIFY2(line.text().startsWith(QStringLiteral("Commands to terminal 11.1.2 get no answer: 1 failed")),
             qPrintable(line.text()));
}

void CommandFailureLineTest::goesWhenThatTerminalComesOnLineAgain() {
    CommandFailureLine line;
    line.SetWording(kWording);
    line.Add(Failures(2, 1));
    line.TerminalsChanged({Heard(3, OSTREL_EVENT_TERMINAL_ON_LINE), Heard(2, OSTREL_EVENT_TERMINAL_OFF_LINE),
                           Heard(2, OSTREL_EVENT_ZONE_ALARM_SET)});
    QVERIFY2(!line.isHidden(), "another terminal, or this one going off line, says nothing of its commands");
    line.TerminalsChanged({Heard(2, OSTREL_EVENT_TERMINAL_ON_LINE)});
    QVERIFY(line.isHidden());
}

void CommandFailureLineTest::goesAfterAQuietTime() {
    CommandFailureLine line(nullptr, std::chrono::milliseconds(200));
    line.SetWording(kWording);
    line.Add(Failures(2, 1));
    QVERIFY(!line.isHidden());
    QTRY_VERIFY_WITH_TIMEOUT(line.isHidden(), 10000);
    QVERIFY(line.text().isEmpty());
}

QTEST_MAIN(CommandFailureLineTest)
#include "CommandFailureLineTest.moc"
