#include "voice/PromptTransfer.h"

#include "voice/SoundDevice.h"
#include "voice/WaveFolder.h"

#include <QFileInfo>
#include <array>

using namespace std::chrono_literals;

namespace {

// Tenths of a second added to the 600 ms every voice file gets, by order number 0 to 39; order numbers
// beyond the table get none.
constexpr std::array<int, 40> kExtraTenths{
    0,                                                      // 0
    10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, // 1 to 14
    10, 10,                                                 // 15, 16
    0,  0,  0,                                              // 17 to 19
    30,                                                     // 20
    0,  0,  0,  0,  0,  0,  0,  0,  0,  0,                  // 21 to 30
    10, 10, 10, 10, 10, 10,                                 // 31 to 36
    0,  0,  0,                                              // 37 to 39
};
constexpr int kBaseTenths = 6;

constexpr std::chrono::milliseconds kFirstStepDelay = 100ms;
constexpr std::chrono::milliseconds kToneTime = 200ms;
constexpr std::chrono::milliseconds kSlotWithoutFileTime = 50ms;
constexpr std::chrono::milliseconds kAfterVoiceFileTime = 100ms;
constexpr int kOpeningDigit = 9;

QString SignalFile(int digit) {
    return QStringLiteral("%1/%2.wav").arg(QLatin1String(kSignalFolder)).arg(digit);
}

bool IsSent(const PromptSlot& slot) {
    return !slot.waveName.isEmpty() && slot.order >= 0 && slot.order < kFirstUnsignalledOrder;
}

} // namespace

std::chrono::milliseconds VoiceFileWait(int order) {
    const bool inTable = order >= 0 && order < static_cast<int>(kExtraTenths.size());
    return 100ms * (kBaseTenths + (inTable ? kExtraTenths[static_cast<std::size_t>(order)] : 0));
}

QStringList MissingTransferFiles(const PromptSlotSource& promptSlots) {
    QStringList needed{SignalFile(kOpeningDigit)};
    for (int row = 0; row < promptSlots.SlotCount(); ++row) {
        const PromptSlot slot = promptSlots.SlotAt(row);
        if (IsSent(slot))
            needed << SignalFile(slot.order / 10) << SignalFile(slot.order % 10)
                   << WaveFilePath(slot.waveName);
    }
    QStringList missing;
    for (const QString& file : needed) {
        if (!missing.contains(file) && !QFileInfo(file).isFile())
            missing << file;
    }
    return missing;
}

PromptTransfer::Next PromptTransfer::Start() {
    m_row = 0;
    m_skippedOrders.clear();
    return {FirstOpeningTone, kFirstStepDelay};
}

std::optional<PromptTransfer::Next> PromptTransfer::Run(Step step, const PromptSlotSource& promptSlots) {
    switch (step) {
    case FirstOpeningTone:
        Play(SignalFile(kOpeningDigit));
        return Next{SecondOpeningTone, kToneTime};
    case SecondOpeningTone:
        Play(SignalFile(kOpeningDigit));
        m_row = 0;
        return Next{NextSlot, kToneTime};
    case NextSlot: {
        if (m_row >= promptSlots.SlotCount()) {
            m_sound.StopSound();
            return std::nullopt;
        }
        const PromptSlot slot = promptSlots.SlotAt(m_row);
        if (slot.waveName.isEmpty())
            return NextRow(kSlotWithoutFileTime);
        if (!IsSent(slot)) {
            m_skippedOrders.push_back(slot.order);
            return NextRow(kSlotWithoutFileTime);
        }
        m_waveName = slot.waveName;
        m_order = slot.order;
        if (!Play(SignalFile(m_order / 10)))
            return SkipSlot();
        return Next{UnitsTone, kToneTime};
    }
    case UnitsTone:
        if (!Play(SignalFile(m_order % 10)))
            return SkipSlot();
        return Next{VoiceFile, kToneTime};
    case VoiceFile:
        // The terminal has heard the order number: it gets the slot's time even without the file.
        if (!Play(WaveFilePath(m_waveName)))
            m_skippedOrders.push_back(m_order);
        return Next{VoiceFileEnd, VoiceFileWait(m_order)};
    case VoiceFileEnd:
        m_sound.StopSound();
        return NextRow(kAfterVoiceFileTime);
    }
    return std::nullopt;
}

bool PromptTransfer::Play(const QString& path) {
    return m_sound.PlaySound(QFileInfo(path).absoluteFilePath());
}

PromptTransfer::Next PromptTransfer::NextRow(std::chrono::milliseconds delay) {
    ++m_row;
    return {NextSlot, delay};
}

PromptTransfer::Next PromptTransfer::SkipSlot() {
    m_sound.StopSound();
    m_skippedOrders.push_back(m_order);
    return NextRow(kAfterVoiceFileTime);
}
