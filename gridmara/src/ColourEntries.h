#pragma once

#include <QColor>
#include <vector>

namespace gridmara {

// Colours a list keeps for its columns or its cells. They are looked up first entry first, so setting one
// again for the same place changes nothing.
class ColourEntries {
public:
    // The row of an entry that colours a whole column.
    static constexpr int kWholeColumn = -1;

    // False, keeping nothing, for an invalid colour.
    bool Append(int column, int row, const QColor& colour);
    // True and the colour of the first matching entry; false, with colour untouched, when there is none.
    bool Find(int column, int row, QColor& colour) const;

private:
    struct Entry {
        int row;
        int column;
        QColor colour;
    };

    std::vector<Entry> m_Entries;
};

} // namespace gridmara
