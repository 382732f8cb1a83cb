#include "language/LanguageSettings.h"

#include <QRegularExpression>
#include <QSettings>
#include <QStringList>
#include <algorithm>

namespace {

const QString kFlagKey = QStringLiteral("Language/Flag");
const QString kNameKey = QStringLiteral("Language/Name");
// The name was read into a buffer of 32 characters.
constexpr qsizetype kNameLimit = 31;

// A profile integer is the number its text begins with; any other text counts as 0.
int leadingInteger(const QString& text) {
    static const QRegularExpression number(QStringLiteral(R"(^\s*([+-]?\d+))"));
    const QRegularExpressionMatch match = number.match(text);
    bool converted = false;
    const int value = match.hasMatch() ? match.captured(1).toInt(&converted) : 0;
    return converted ? value : 0;
}

// The key as the file spells it: profile files name sections and keys in any letter case.
QString spelledAsInFile(const QSettings& ini, const QString& key) {
    const QStringList keys = ini.allKeys();
    const auto found = std::find_if(keys.begin(), keys.end(), [&key](const QString& inFile) {
        return inFile.compare(key, Qt::CaseInsensitive) == 0;
    });
    return found == keys.end() ? key : *found;
}

} // namespace

LanguageSettings LanguageSettings::read(const QString& iniPath) {
    const QSettings ini(iniPath, QSettings::IniFormat);
    LanguageSettings settings;
    settings.flag =
        qMax(0, leadingInteger(ini.value(spelledAsInFile(ini, kFlagKey), QStringLiteral("0")).toString()));
    settings.databaseName =
        ini.value(spelledAsInFile(ini, kNameKey), QStringLiteral("English.mdb")).toString().left(kNameLimit);
    return settings;
}

bool LanguageSettings::write(const QString& iniPath, Language language) {
    QSettings ini(iniPath, QSettings::IniFormat);
    const bool english = language == English;
    ini.setValue(spelledAsInFile(ini, kFlagKey), english ? QStringLiteral("1") : QStringLiteral("0"));
    ini.setValue(spelledAsInFile(ini, kNameKey),
                 english ? QStringLiteral("English.mdb") : QStringLiteral("Chinese.mdb"));
    // The file is replaced whole, so a write that fails leaves the old one in place.
    ini.sync();
    return ini.status() == QSettings::NoError;
}
