#include "terminals/TerminalList.h"

#include "ostrel/ostrel.h"
#include "terminals/TerminalAddressKey.h"

#include <QStringList>

namespace {

bool isOffLineEvent(int code) {
    return code == OSTREL_EVENT_TERMINAL_OFF_LINE || code == OSTREL_EVENT_BLOCK_OFF_LINE ||
           code == OSTREL_EVENT_PORT_OFF_LINE;
}

// A decimal part of a typed address; an empty part is 0. Values wrap to a byte, as the terminal's address
// bytes do.
std::uint8_t addressPart(const QString& part) {
    unsigned value = 0;
    for (QChar c : part)
        value = value * 10 + static_cast<unsigned>(c.digitValue());
    return static_cast<std::uint8_t>(value % 256);
}

QString addressText(int port, int a, int b) {
    return QStringLiteral("%1.%2.%3").arg(port).arg(a).arg(b);
}

} // namespace

TerminalList::Applied TerminalList::applyEvent(int portNumber, int addressA, int addressB, int eventCode) {
    const int port = portNumber & 0xFF;
    const int a = addressA & 0xFF;
    const int b = addressB & 0xFF;
    if (a == OSTREL_WHOLE_BLOCK || b == OSTREL_WHOLE_BLOCK)
        return {EventEffect::Ignored, -1};
    const bool onLine = !isOffLineEvent(eventCode & 0xFF);
    const auto found = rowOf_.find(TerminalAddressKey(std::uint8_t(port), std::uint8_t(a), std::uint8_t(b)));
    if (found == rowOf_.end()) {
        entries_.push_back({static_cast<std::uint8_t>(port), static_cast<std::uint8_t>(a),
                            static_cast<std::uint8_t>(b), onLine, addressText(port, a, b)});
        index(size() - 1);
        return {EventEffect::Added, size() - 1};
    }
    TerminalEntry& entry = entries_[static_cast<std::size_t>(found->second)];
    if (entry.onLine == onLine)
        return {EventEffect::Unchanged, found->second};
    entry.onLine = onLine;
    return {EventEffect::StateChanged, found->second};
}

TerminalList::AddResult TerminalList::addByHand(const QString& text) {
    if (text.isEmpty())
        return AddResult::Empty;
    if (!isAddressFormat(text))
        return AddResult::BadFormat;
    const QStringList parts = text.split(QLatin1Char('.'));
    entries_.push_back({addressPart(parts[0]), addressPart(parts[1]), addressPart(parts[2]), false, text});
    index(size() - 1);
    return AddResult::Added;
}

void TerminalList::remove(int index) {
    if (index < 0 || index >= size())
        return;
    entries_.erase(entries_.begin() + index);
    // Every later row moves up one, and a hand-added twin of the removed entry may now be the first.
    rowOf_.clear();
    for (int row = 0; row < size(); ++row)
        this->index(row);
}

void TerminalList::index(int row) {
    const TerminalEntry& entry = entries_[static_cast<std::size_t>(row)];
    if (entry.addressText == addressText(entry.portNumber, entry.addressA, entry.addressB))
        rowOf_.try_emplace(TerminalAddressKey(entry.portNumber, entry.addressA, entry.addressB), row);
}

bool TerminalList::isAddressFormat(const QString& text) {
    int dots = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('.')) {
            if (i == 0 || !text[i - 1].isDigit())
                return false;
            ++dots;
        } else if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return false;
        }
    }
    return dots == 2;
}
