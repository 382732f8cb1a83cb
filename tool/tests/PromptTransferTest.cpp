#include "voice/PromptTransfer.h"

#include "FakeSoundDevice.h"
#include "QStringPrinting.h"
#include "ScratchWorkingFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

class SlotList : public PromptSlotSource {
public:
    explicit SlotList(std::vector<PromptSlot> slotList) : list(std::move(slotList)) {}
    int SlotCount() const override { return static_cast<int>(list.size()); }
    PromptSlot SlotAt(int row) const override { return list.at(static_cast<std::size_t>(row)); }

    std::vector<PromptSlot> list;
};

void MakeSoundFile(const QString& path) {
    std::string error;
    const std::vector<std::int16_t> samples(80, 1000);
    ASSERT_TRUE(writeWav(path.toStdString(), 8000, samples, error)) << error;
}

// A working folder with every signal tone and the voice files a.wav, b.wav and long.wav.
class PromptTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        ASSERT_TRUE(QDir().mkdir(QStringLiteral("sWav")) && QDir().mkdir(QStringLiteral("Wave")));
        for (int digit = 0; digit < 10; ++digit)
            MakeSoundFile(QStringLiteral("sWav/%1.wav").arg(digit));
        for (const char* name : {"a.wav", "b.wav", "long.wav"})
            MakeSoundFile(QStringLiteral("Wave/") + QLatin1String(name));
    }

    // Runs a whole transfer in virtual time; `betweenSteps` runs before each step.
    void RunTransfer(const SlotList& slotList,
                     const std::function<void(PromptTransfer::Step)>& betweenSteps = {}) {
        std::optional<PromptTransfer::Next> next = transfer.Start();
        while (next) {
            now += next->delay.count();
            if (betweenSteps)
                betweenSteps(next->step);
            next = transfer.Run(next->step, slotList);
            ASSERT_LT(now, 3'600'000) << "the transfer never ends";
        }
    }

    std::vector<std::pair<qint64, QString>> timeline() const {
        std::vector<std::pair<qint64, QString>> events;
        for (const FakeSoundDevice::Event& event : sound.events)
            events.emplace_back(event.ms, event.what);
        return events;
    }

    ScratchWorkingFolder m_folder;
    qint64 now = 0;
    FakeSoundDevice sound{[this] { return now; }};
    PromptTransfer transfer{sound};
};

using Timeline = std::vector<std::pair<qint64, QString>>;

TEST_F(PromptTransferTest, OpensWithTwoNinesThenSignalsEachAssignedSlotAndSkipsTheOthers) {
    RunTransfer(SlotList({{"a.wav", 3}, {"", 20}, {"b.wav", 31}}));

    const Timeline expected{
        {100, "play sWav/9.wav"},
        {300, "play sWav/9.wav"},
        {500, "play sWav/0.wav"},
        {700, "play sWav/3.wav"},
        {900, "play Wave/a.wav"},
        {2500, "stop"},
        // Slot 20 has no file: 50 ms later slot 31 begins.
        {2650, "play sWav/3.wav"},
        {2850, "play sWav/1.wav"},
        {3050, "play Wave/b.wav"},
        {4650, "stop"},
    };
    EXPECT_EQ(timeline(), expected);
    EXPECT_EQ(now, 4750) << "the transfer ends 100 ms after the last file";
    EXPECT_TRUE(transfer.SkippedOrders().empty());
}

TEST_F(PromptTransferTest, EachSlotPlaysItsFileForTheWaitOfItsOrder) {
    EXPECT_EQ(VoiceFileWait(0), 600ms);
    for (int order : {1, 5, 16, 31, 36})
        EXPECT_EQ(VoiceFileWait(order), 1600ms) << order;
    for (int order : {17, 19, 21, 30, 37, 39})
        EXPECT_EQ(VoiceFileWait(order), 600ms) << order;
    EXPECT_EQ(VoiceFileWait(20), 3600ms);
    // Beyond the terminal's table every prompt gets the shortest wait.
    for (int order : {40, 99, 255, -1})
        EXPECT_EQ(VoiceFileWait(order), 600ms) << order;

    // A long file at order 5 is stopped 1.6 s after it starts, whatever its length.
    RunTransfer(SlotList({{"long.wav", 5}}));
    const Timeline expected{{100, "play sWav/9.wav"}, {300, "play sWav/9.wav"},    {500, "play sWav/0.wav"},
                            {700, "play sWav/5.wav"}, {900, "play Wave/long.wav"}, {2500, "stop"}};
    EXPECT_EQ(timeline(), expected);
}

TEST_F(PromptTransferTest, SlotsThatTwoTonesCannotNameAreSkippedAndNamed) {
    RunTransfer(SlotList({{"a.wav", 100}, {"b.wav", 7}, {"a.wav", 255}}));

    EXPECT_EQ(sound.played(), QStringList({"play sWav/9.wav", "play sWav/9.wav", "play sWav/0.wav",
                                           "play sWav/7.wav", "play Wave/b.wav", "stop"}));
    EXPECT_EQ(transfer.SkippedOrders(), (std::vector<int>{100, 255}));
}

TEST_F(PromptTransferTest, AnAssignmentChangedDuringTheTransferIsUsedWhenItsSlotComes) {
    SlotList slotList({{"a.wav", 1}, {"", 2}});
    RunTransfer(slotList, [&slotList](PromptTransfer::Step step) {
        if (step == PromptTransfer::VoiceFile)
            slotList.list[1].waveName = QStringLiteral("b.wav");
    });
    EXPECT_TRUE(sound.played().contains(QStringLiteral("play Wave/b.wav")));
    EXPECT_EQ(sound.played().count(QStringLiteral("play sWav/2.wav")), 1);
}

TEST_F(PromptTransferTest, SoundsThatWillNotPlayLeaveTheirSlotNamedAndTheTransferGoesOn) {
    SlotList slotList({{"a.wav", 12}, {"b.wav", 34}, {"a.wav", 6}});
    RunTransfer(slotList, [&](PromptTransfer::Step step) {
        // Taken away once the transfer has begun: slot 12's voice file, and the tone 4 of slot 34.
        if (step == PromptTransfer::SecondOpeningTone) {
            QFile::rename(QStringLiteral("Wave/a.wav"), QStringLiteral("Wave/a.gone"));
            QFile::remove(QStringLiteral("sWav/4.wav"));
        }
        if (step == PromptTransfer::VoiceFileEnd)
            QFile::rename(QStringLiteral("Wave/a.gone"), QStringLiteral("Wave/a.wav"));
    });

    EXPECT_EQ(transfer.SkippedOrders(), (std::vector<int>{12, 34}));
    // Slot 34 stops after its tens tone; slot 6 still plays whole.
    EXPECT_EQ(sound.played(), QStringList({"play sWav/9.wav", "play sWav/9.wav", "play sWav/1.wav",
                                           "play sWav/2.wav", "stop", "play sWav/3.wav", "stop",
                                           "play sWav/0.wav", "play sWav/6.wav", "play Wave/a.wav", "stop"}));
}

TEST_F(PromptTransferTest, MissingFilesAreFoundBeforeTheTransferEachNamedOnce) {
    SlotList slotList({{"a.wav", 33}, {"", 4}, {"gone.wav", 13}, {"gone.wav", 31}, {"absent.wav", 120}});
    QFile::remove(QStringLiteral("sWav/3.wav"));
    QFile::remove(QStringLiteral("sWav/4.wav"));

    // Slot 4 has no file and slot 120 is never sent: neither needs anything.
    EXPECT_EQ(MissingTransferFiles(slotList), QStringList({"sWav/3.wav", "Wave/gone.wav"}));

    QFile::remove(QStringLiteral("sWav/9.wav"));
    EXPECT_EQ(MissingTransferFiles(SlotList({})), QStringList({"sWav/9.wav"}));
}

} // namespace
