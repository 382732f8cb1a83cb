#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>
#include <vector>

class SoundDevice;

// One prompt slot as the transfer reads it from the page's list: the assigned file (empty for none) and
// the slot's order number.
struct PromptSlot {
    QString waveName;
    int order = 0;

    bool operator==(const PromptSlot&) const = default;
};

// The slots in list order, read afresh at every step: an assignment changed during a transfer is used
// when the transfer reaches its slot.
class PromptSlotSource {
public:
    virtual ~PromptSlotSource() = default;
    virtual int SlotCount() const = 0;
    virtual PromptSlot SlotAt(int row) const = 0;
};

// The folder of the working folder that holds the signal tones, one file per decimal digit.
inline constexpr char kSignalFolder[] = "sWav";

// How long a voice file of the slot with this order number may play before it is stopped: the terminal
// gives each kind of prompt its own time to listen. Zone names and the alarm prompt take longer.
std::chrono::milliseconds VoiceFileWait(int order);

// The slots whose order number two signal tones cannot name (one digit file each for tens and units).
inline constexpr int kFirstUnsignalledOrder = 100;

// The files of sWav/ and Wave/ a transfer of `promptSlots` needs that are not there, as paths relative to the
// working folder, each once, in the order the transfer would play them.
QStringList MissingTransferFiles(const PromptSlotSource& promptSlots);

// The transfer of the assigned voice prompts to a terminal by sound: the signal tone 9 twice, then for
// every slot with a file its order number as two signal tones (tens, units) and the voice file, cut after
// the slot's wait. A chain of timed steps; the caller runs each step when its time has come, so the page
// stays responsive and tests run the chain in virtual time.
class PromptTransfer {
public:
    // The steps, numbered as the page's timers are.
    enum Step {
        FirstOpeningTone = 1125,
        SecondOpeningTone = 1126,
        NextSlot = 1127,
        UnitsTone = 1128,
        VoiceFile = 1129,
        VoiceFileEnd = 1130,
    };

    // What comes after a step: the next step and when, or nothing once the transfer has ended.
    struct Next {
        Step step;
        std::chrono::milliseconds delay;
    };

    explicit PromptTransfer(SoundDevice& sound) : m_sound(sound) {}

    // Begins a transfer: its first step comes after 100 ms.
    Next Start();
    // Carries out `step` and says what follows it; nothing at the end of the transfer.
    std::optional<Next> Run(Step step, const PromptSlotSource& promptSlots);

    // The order numbers of the slots with a file that the last transfer skipped: those the signal tones
    // cannot name, and those whose sounds would not play.
    const std::vector<int>& SkippedOrders() const { return m_skippedOrders; }

private:
    bool Play(const QString& path);
    // Goes on with the next row after `delay`.
    Next NextRow(std::chrono::milliseconds delay);
    // Stops the current slot's sound, leaves the slot to be named at the end, and goes on with the next row.
    Next SkipSlot();

    SoundDevice& m_sound;
    int m_row = 0;
    int m_order = 0;
    QString m_waveName;
    std::vector<int> m_skippedOrders;
};
