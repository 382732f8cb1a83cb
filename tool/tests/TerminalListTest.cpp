#include "terminals/TerminalList.h"

#include "QStringPrinting.h"
#include "ostrel/ostrel.h"

#include <gtest/gtest.h>

using Effect = TerminalList::EventEffect;
using Added = TerminalList::AddResult;

TEST(TerminalListEvents, AddThenChangeStateOnlyWhenItDiffers) {
    TerminalList list;
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, 3, 7, OSTREL_EVENT_TERMINAL_ON_LINE), Effect::Added);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list.at(0).addressText, QStringLiteral("11.3.7"));
    EXPECT_TRUE(list.at(0).onLine);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, 3, 7, OSTREL_EVENT_TERMINAL_OFF_LINE), Effect::StateChanged);
    EXPECT_FALSE(list.at(0).onLine);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, 3, 7, OSTREL_EVENT_TERMINAL_OFF_LINE), Effect::Unchanged);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, 3, 7, OSTREL_EVENT_ZONE_ALARM_SET), Effect::StateChanged)
        << "every other code means on line";
    EXPECT_EQ(list.size(), 1);
}

TEST(TerminalListEvents, OffLineEventsAddOffLineAndWholeBlocksAreNotShown) {
    TerminalList list;
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_COM1, 2, 3, OSTREL_EVENT_TERMINAL_OFF_LINE), Effect::Added);
    EXPECT_FALSE(list.at(0).onLine);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_COM1, 2, 4, OSTREL_EVENT_BLOCK_OFF_LINE), Effect::Added);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_COM1, 2, 4, OSTREL_EVENT_PORT_OFF_LINE), Effect::Unchanged);
    EXPECT_FALSE(list.at(1).onLine);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, OSTREL_WHOLE_BLOCK, 3, OSTREL_EVENT_TERMINAL_ON_LINE),
              Effect::Ignored);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, 3, OSTREL_WHOLE_BLOCK, OSTREL_EVENT_BLOCK_ON_LINE),
              Effect::Ignored);
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP + 256, 3 + 256, 7, OSTREL_EVENT_TERMINAL_ON_LINE + 256),
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
    EXPECT_EQ(list.applyEvent(OSTREL_PORT_UDP, 3, 7, OSTREL_EVENT_TERMINAL_ON_LINE), Effect::StateChanged)
        << "the first entry with that text";
    EXPECT_TRUE(list.at(0).onLine);
    EXPECT_FALSE(list.at(1).onLine);

    list.remove(0);
    EXPECT_EQ(list.at(0).addressText, QStringLiteral("11.3.7"));
    list.remove(5);
    list.remove(-1);
    EXPECT_EQ(list.size(), 2);
}
