#pragma once

#include <QString>

// The user-interface language of a run, chosen in "Language.ini" of the working folder and fixed until
// the next start of the tool.
struct LanguageSettings {
    enum Language { Chinese = 0, English = 1 };

    // "Flag": 0 Chinese, 1 English; negative values count as Chinese.
    int flag = Chinese;
    // "Name": the language database in the folder DB/.
    QString databaseName;

    // The language radio button to show: English for any non-zero flag.
    Language radioChoice() const { return flag != 0 ? English : Chinese; }
    QString databasePath() const { return QStringLiteral("DB/") + databaseName; }

    // Reads both keys independently: without the file the radio buttons say Chinese while the texts come
    // from "English.mdb".
    static LanguageSettings read(const QString& iniPath);
    // Writes the matching pair of keys for the next start; false when the file could not be written (a
    // full disk, a read-only folder), and then it holds what it held before.
    static bool write(const QString& iniPath, Language language);
};

inline constexpr char kLanguageIni[] = "Language.ini";
