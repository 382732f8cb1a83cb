#pragma once

#include "language/TextKeys.h"

#include <QString>
#include <optional>
#include <string_view>
#include <vector>

class Prompter;

// The texts of one dialog, one per key of its text table.
class TextTable {
public:
    // The Chinese texts of the keys: the dialog template's captions and the compiled fallbacks.
    static TextTable chinese(const TextTableKeys& keys);

    // Reads the first row of the table from the language database at `databasePath`. Nothing when the
    // database cannot be connected or the table cannot be opened (the user has been told) or holds no
    // row. A key whose column is missing keeps its Chinese text.
    static std::optional<TextTable> read(const QString& databasePath, const TextTableKeys& keys,
                                         Prompter& prompter);

    // The text of a key of this table.
    QString text(std::string_view key) const;

private:
    explicit TextTable(const TextTableKeys& keys);

    TextTableKeys m_keys;
    std::vector<QString> m_texts;
};
