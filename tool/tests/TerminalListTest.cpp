#include "terminals/TerminalList.h"

#include "QStringPrinting.h"
#include "ostrel/ostrel.h"

#include <gtest/gtest.h>

using Effect = TerminalList::EventEffect;
using Added = TerminalList::AddResult;

TEST(TerminalListEvents, AddThenChangeStateOnlyWhenItDiffers) {
    TerminalList list;
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, 3, 7, OSTREL_EVENT_TERMINAL_ON_LINE).effect, Effect::Added);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list.at(0).addressText, QStringLiteral("11.3.7"));
    EXPECT_TRUE(list.at(0).onLine);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, 3, 7, OSTREL_EVENT_TERMINAL_OFF_LINE).effect,
              Effect::StateChanged);
    EXPECT_FALSE(list.at(0).onLine);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, 3, 7, OSTREL_EVENT_TERMINAL_OFF_LINE).effect,
              Effect::Unchanged);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, 3, 7, OSTREL_EVENT_ZONE_ALARM_SET).effect,
              Effect::StateChanged)
        << "every other code means on line";
    EXPECT_EQ(list.size(), 1);
}

TEST(TerminalListEvents, OffLineEventsAddOffLineAndWholeBlocksAreNotShown) {
    TerminalList list;
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_COM1, 2, 3, OSTREL_EVENT_TERMINAL_OFF_LINE).effect, Effect::Added);
    EXPECT_FALSE(list.at(0).onLine);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_COM1, 2, 4, OSTREL_EVENT_BLOCK_OFF_LINE).effect, Effect::Added);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_COM1, 2, 4, OSTREL_EVENT_PORT_OFF_LINE).effect, Effect::Unchanged);
    EXPECT_FALSE(list.at(1).onLine);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, OSTREL_WHOLE_BLOCK, 3, OSTREL_EVENT_TERMINAL_ON_LINE).effect,
              Effect::Ignored);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, 3, OSTREL_WHOLE_BLOCK, OSTREL_EVENT_BLOCK_ON_LINE).effect,
              Effect::Ignored);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP + 256, 3 + 256, 7, OSTREL_EVENT_TERMINAL_ON_LINE + 256).effect,
              Effect::Added)
        << "only the low bytes count";
    EXPECT_EQ(list.back().addressText, QStringLiteral("11.3.7"));
    EXPECT_EQ(list.size(), 3);
}

TEST(TerminalListByHand, FormatCheckAndParts) {
    TerminalList list;
    EXPECT_EQ(list.addByHand(QString()), Added::Empty);
    for (const char* bad : {"1..2", ".1.2", "1.2.3.4", "1.2", "1.a.2", "1 .2.3", "１.2.3"})
        EXPECT_EQ(list.addByHand(QString::fromUtf8(bad)), Added::BadFormat) << bad;
    EXPECT_EQ(list.size(), 0);

    EXPECT_EQ(list.addByHand(QStringLiteral("1.2.")), Added::Added);
    EXPECT_EQ(list.back().portNumber, 1);
    EXPECT_EQ(list.back().addressA, 2);
    EXPECT_EQ(list.back().addressB, 0) << "an empty last part is 0";
    EXPECT_EQ(list.back().addressText, QStringLiteral("1.2."));
    EXPECT_FALSE(list.back().onLine);

    EXPECT_EQ(list.addByHand(QStringLiteral("300.1.2")), Added::Added);
    EXPECT_EQ(list.back().portNumber, 44);
    EXPECT_EQ(list.addByHand(QStringLiteral("99999999999.1.2")), Added::Added);
    EXPECT_EQ(list.back().portNumber, 99999999999 % 256);
}

TEST(TerminalListByHand, EntriesAreMatchedByTextOnly) {
    TerminalList list;
    list.addByHand(QStringLiteral("11.3.7"));
    list.addByHand(QStringLiteral("11.3.7"));
    list.addByHand(QStringLiteral("011.3.7"));
    EXPECT_EQ(list.size(), 3) << "added by hand without comparing";
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, 3, 7, OSTREL_EVENT_TERMINAL_ON_LINE).effect,
              Effect::StateChanged)
        << "the first entry with that text";
    EXPECT_TRUE(list.at(0).onLine);
    EXPECT_FALSE(list.at(1).onLine);

    list.remove(0);
    EXPECT_EQ(list.at(0).addressText, QStringLiteral("11.3.7"));
    list.remove(5);
    list.remove(-1);
    EXPECT_EQ(list.size(), 2);
}

TEST(TerminalListLookup, EachEventTouchesTheRowOfItsTerminal) {
    TerminalList list;
    for (int b = 0; b < 255; ++b)
        ASSERT_EQ(list.applyEvent(OSTREL_PORT_UDP, 1, b, OSTREL_EVENT_TERMINAL_ON_LINE).row, b);
    const TerminalList::Applied applied =
        list.applyEvent(OSTREL_PORT_UDP, 1, 200, OSTREL_EVENT_TERMINAL_OFF_LINE);
    EXPECT_EQ(applied.effect, Effect::StateChanged);
    EXPECT_EQ(applied.row, 200);
    EXPECT_FALSE(list.at(200).onLine);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_COM1, 1, 200, OSTREL_EVENT_TERMINAL_ON_LINE).row, 255)
        << "another port is another terminal";
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, OSTREL_WHOLE_BLOCK, 1, OSTREL_EVENT_BLOCK_OFF_LINE).row, -1);
}

TEST(TerminalListLookup, RemovalMovesTheLaterRowsUpAndAHandAddedTwinTakesOver) {
    TerminalList list;
    list.applyEvent(OSTREL_PORT_UDP, 1, 1, OSTREL_EVENT_TERMINAL_ON_LINE);
    list.applyEvent(OSTREL_PORT_UDP, 1, 2, OSTREL_EVENT_TERMINAL_ON_LINE);
    list.addByHand(QStringLiteral("11.1.1"));
    list.applyEvent(OSTREL_PORT_UDP, 1, 3, OSTREL_EVENT_TERMINAL_ON_LINE);

    list.remove(0);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, 1, 3, OSTREL_EVENT_TERMINAL_OFF_LINE).row, 2);
    const TerminalList::Applied twin = list.applyEvent(OSTREL_PORT_UDP, 1, 1, OSTREL_EVENT_TERMINAL_ON_LINE);
    EXPECT_EQ(twin.effect, Effect::StateChanged) << "the hand-added entry is now the first 11.1.1";
    EXPECT_EQ(twin.row, 1);

    // Removed for good, a terminal that speaks again comes back at the end.
    list.remove(0);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, 1, 2, OSTREL_EVENT_TERMINAL_ON_LINE).effect, Effect::Added);
    EXPECT_EQ(list.back().addressText, QStringLiteral("11.1.2"));
    EXPECT_EQ(list.size(), 3);
}
