#include "terminals/TerminalList.h"

#include "ostrel/ostrel.h"

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

} // namespace

TerminalList::EventEffect TerminalList::applyEvent(int portNumber, int addressA, int addressB,
                                                   int eventCode) {
    const int port = portNumber & 0xFF;
    const int a = addressA & 0xFF;
    const int b = addressB & 0xFF;
    if (a == OSTREL_WHOLE_BLOCK || b == OSTREL_WHOLE_BLOCK)
        return EventEffect::Ignored;
    const bool onLine = !isOffLineEvent(eventCode & 0xFF);
    const QString text = QStringLiteral("%1.%2.%3").arg(port).arg(a).arg(b);
    const int row = find(text);
    if (row < 0) {
        entries_.push_back({static_cast<std::uint8_t>(port), static_cast<std::uint8_t>(a),
                            static_cast<std::uint8_t>(b), onLine, text});
        return EventEffect::Added;
    }
    TerminalEntry& entry = entries_[static_cast<std::size_t>(row)];
    if (entry.onLine == onLine)
        return EventEffect::Unchanged;
    entry.onLine = onLine;
    return EventEffect::StateChanged;
}

TerminalList::AddResult TerminalList::addByHand(const QString& text) {
    if (text.isEmpty())
        return AddResult::Empty;
    if (!isAddressFormat(text))
        return AddResult::BadFormat;
    const QStringList parts = text.split(QLatin1Char('.'));
    entries_.push_back({addressPart(parts[0]), addressPart(parts[1]), addressPart(parts[2]), false, text});
    return AddResult::Added;
}

void TerminalList::remove(int index) {
    if (index >= 0 && index < size())
        entries_.erase(entries_.begin() + index);
}

int TerminalList::find(const QString& addressText) const {
    for (int row = 0; row < size(); ++row)
        if (entries_[static_cast<std::size_t>(row)].addressText == addressText)
            return row;
    return -1;
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
