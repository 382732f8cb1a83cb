// The activity pane as the main window shows it: the newest row in sight while the user is at the end of
// the list, left alone while the user reads older rows, and results in the colours of their fates.
#include "activity/ActivityPane.h"

#include "RecordingPrompter.h"
#include "forms/Captions.h"
#include "gridmara/CGridmaraView.h"

#include <QScrollBar>
#include <QTest>

namespace {

OstrelOutcome Outcome(int kind, std::uint32_t frame) {
    return {kind, OSTREL_PORT_UDP, 1, 2, OSTREL_COMMAND_LCD_CLEAN, frame, 3, 40};
}

} // namespace

class ActivityPaneTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void theNewestRowStaysInSightUnlessTheUserReadsOlderOnes();
    void resultsShowTheColoursOfTheirFates();

private:
    void record(int count) {
        for (int n = 0; n < count; ++n) {
            ++m_frames;
            m_log->Record(m_frames, {OSTREL_PORT_UDP, 1, 2, OSTREL_COMMAND_LCD_CLEAN},
                          QDateTime::currentDateTime());
        }
    }
    // Whether the row is wholly inside the list's visible area.
    bool inSight(int row) {
        const QRect cell = m_list->visualRect(m_list->model()->index(row, 0));
        return m_list->viewport()->rect().contains(cell);
    }

    RecordingPrompter m_prompter;
    Captions m_captions;
    std::unique_ptr<ActivityLog> m_log;
    std::unique_ptr<ActivityPane> m_pane;
    CGridmaraView* m_list = nullptr;
    std::uint32_t m_frames = 0;
};

void ActivityPaneTest::init() {
    m_log = std::make_unique<ActivityLog>();
    m_pane = std::make_unique<ActivityPane>(*m_log, m_prompter, m_captions);
    m_pane->SetTexts(TextTable::chinese(kQvToolsTable));
    m_pane->resize(700, 200);
    m_pane->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_pane.get()));
    m_list = m_pane->findChild<CGridmaraView*>(QStringLiteral("activityList"));
    QVERIFY(m_list != nullptr);
    m_frames = 0;
}

void ActivityPaneTest::cleanup() {
    m_pane.reset();
    m_log.reset();
}

void ActivityPaneTest::theNewestRowStaysInSightUnlessTheUserReadsOlderOnes() {
    record(40);
    QVERIFY(inSight(39));
    QVERIFY(!inSight(0));
    record(1);
    QVERIFY(inSight(40));

    // The user scrolls up to read: new rows do not pull the list away.
    m_list->verticalScrollBar()->setValue(0);
    record(5);
    QVERIFY(inSight(0));
    QVERIFY(!inSight(45));

    // Back at the end, the list follows again.
    m_list->scrollToBottom();
    record(1);
    QVERIFY(inSight(46));
}

void ActivityPaneTest::resultsShowTheColoursOfTheirFates() {
    record(3);
    m_log->Record(kNotQueued, {OSTREL_PORT_UDP, 1, 2, OSTREL_COMMAND_LCD_CLEAN},
                  QDateTime::currentDateTime());
    m_log->Settle({Outcome(OSTREL_FRAME_ANSWERED, 1), Outcome(OSTREL_FRAME_FAILED, 2)});
    const auto colourOf = [this](int row) {
        return m_list->model()
            ->index(row, ActivityLog::ResultColumn)
            .data(Qt::ForegroundRole)
            .value<QColor>();
    };
    QCOMPARE(colourOf(0), QColor(0x00, 0x70, 0x00));
    QCOMPARE(colourOf(1), QColor(0xa0, 0x00, 0x00));
    QVERIFY2(!colourOf(2).isValid(), "a queued row keeps the list's colour");
    QCOMPARE(colourOf(3), QColor(0xa0, 0x00, 0x00));
    QVERIFY(!m_list->model()->index(1, ActivityLog::CommandColumn).data(Qt::ForegroundRole).isValid());
}

QTEST_MAIN(ActivityPaneTest)
#include "ActivityPaneTest.moc"
