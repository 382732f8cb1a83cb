#include "ColourEntries.h"

#include <algorithm>

namespace gridmara {

bool ColourEntries::Append(int column, int row, const QColor& colour) {
    if (!colour.isValid()) {
        return false;
    }
    m_Entries.push_back({row, column, colour});
    return true;
}

bool ColourEntries::Find(int column, int row, QColor& colour) const {
    const auto match = std::find_if(m_Entries.begin(), m_Entries.end(), [column, row](const Entry& entry) {
        return entry.column == column && entry.row == row;
    });
    if (match == m_Entries.end()) {
        return false;
    }
    colour = match->colour;
    return true;
}

} // namespace gridmara
