#include "FullDisk.h"
#include "QStringPrinting.h"
#include "RecordingPrompter.h"
#include "TestDatabase.h"
#include "language/LanguageSettings.h"
#include "language/TextTable.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    // Settings files are cached by path and time stamp, so every case writes a file of its own.
    QString writeIni(const QByteArray& text, const QString& name = QStringLiteral("Language.ini")) {
        const QString path = folder.filePath(name);
        QFile ini(path);
        EXPECT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write(text);
        return path;
    }

    QTemporaryDir folder;
    const QString iniPath = folder.filePath(QStringLiteral("Language.ini"));
    RecordingPrompter prompter;
};

TEST_F(LanguageTest, WithoutAnIniTheRadioSaysChineseAndTheTextsAreEnglish) {
    const LanguageSettings settings = LanguageSettings::read(iniPath);
    EXPECT_EQ(settings.flag, 0);
    EXPECT_EQ(settings.radioChoice(), LanguageSettings::Chinese);
    EXPECT_EQ(settings.databasePath(), QStringLiteral("DB/English.mdb"));
}

TEST_F(LanguageTest, ReadsTheFlagAsAProfileInteger) {
    const struct {
        const char* flag;
        int expected;
    } cases[] = {{"-5", 0}, {"7", 7}, {"1", 1}, {"0", 0}, {"2abc", 2}, {"abc", 0}, {"", 0}};
    for (const auto& each : cases) {
        const QString path = writeIni(QByteArray("[Language]\nFlag=") + each.flag + "\nName=Chinese.mdb\n",
                                      QStringLiteral("Flag%1.ini").arg(QLatin1String(each.flag)));
        const LanguageSettings settings = LanguageSettings::read(path);
        EXPECT_EQ(settings.flag, each.expected) << "Flag=" << each.flag;
        EXPECT_EQ(settings.radioChoice(),
                  each.expected != 0 ? LanguageSettings::English : LanguageSettings::Chinese);
        EXPECT_EQ(settings.databasePath(), QStringLiteral("DB/Chinese.mdb"));
    }
}

TEST_F(LanguageTest, KeepsAtMost31CharactersOfTheName) {
    writeIni("[Language]\nName=" + QByteArray(40, 'n') + "\n");
    const LanguageSettings settings = LanguageSettings::read(iniPath);
    EXPECT_EQ(settings.flag, 0);
    EXPECT_EQ(settings.databaseName, QString(31, QLatin1Char('n')));
}

TEST_F(LanguageTest, WritesBothKeysAsAMatchingPair) {
    writeIni("[Language]\nFlag=-5\nName=Other.mdb\n");
    EXPECT_TRUE(LanguageSettings::write(iniPath, LanguageSettings::English));
    QFile ini(iniPath);
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    EXPECT_TRUE(text.contains("[Language]")) << text.toStdString();
    EXPECT_TRUE(text.contains("Flag=1")) << text.toStdString();
    EXPECT_TRUE(text.contains("Name=English.mdb")) << text.toStdString();

    EXPECT_TRUE(LanguageSettings::write(iniPath, LanguageSettings::Chinese));
    const LanguageSettings settings = LanguageSettings::read(iniPath);
    EXPECT_EQ(settings.flag, 0);
    EXPECT_EQ(settings.databasePath(), QStringLiteral("DB/Chinese.mdb"));
}

TEST_F(LanguageTest, AWriteOnAFullDiskSaysSoAndKeepsTheFileAsItWas) {
    const QByteArray before("[Language]\nFlag=0\nName=Chinese.mdb\n");
    const QString path = writeIni(before, QStringLiteral("Full.ini"));
    bool written = true;
    {
        const FullDisk full;
        ASSERT_TRUE(full.isSet());
        written = LanguageSettings::write(path, LanguageSettings::English);
    }
    EXPECT_FALSE(written);
    QFile ini(path);
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("Full.ini")})
        << "no half-written copy is left behind";
}

TEST_F(LanguageTest, SectionsAndKeysAreNamedInAnyLetterCase) {
    const QString path = writeIni("[LANGUAGE]\nflag=1\nNAME=English.mdb\n", QStringLiteral("Upper.ini"));
    LanguageSettings settings = LanguageSettings::read(path);
    EXPECT_EQ(settings.flag, 1);
    EXPECT_EQ(settings.databasePath(), QStringLiteral("DB/English.mdb"));

    // Written back under the file's own spelling: one section, one key each.
    LanguageSettings::write(path, LanguageSettings::Chinese);
    settings = LanguageSettings::read(path);
    EXPECT_EQ(settings.flag, 0);
    EXPECT_EQ(settings.databasePath(), QStringLiteral("DB/Chinese.mdb"));
    QFile ini(path);
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    EXPECT_EQ(text.count("="), 2) << text.toStdString();
}

TEST_F(LanguageTest, ReadsTheFirstRowAndKeepsTheChineseTextOfAMissingColumn) {
    const QString database = folder.filePath(QStringLiteral("Partial.mdb"));
    ASSERT_TRUE(createDatabase(database, R"(
        CREATE TABLE tb_QvTools (QvTitle TEXT, NoPort TEXT, Voice TEXT);
        INSERT INTO tb_QvTools VALUES ('Zenvar Tool', 'Add a port first.', NULL);
        INSERT INTO tb_QvTools VALUES ('Second row', 'Second row', 'Second row');
    )"));
    const std::optional<TextTable> texts = TextTable::read(database, kQvToolsTable, prompter);
    ASSERT_TRUE(texts.has_value());
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_EQ(texts->text("QvTitle"), QStringLiteral("Zenvar Tool"));
    EXPECT_EQ(texts->text("NoPort"), QStringLiteral("Add a port first."));
    EXPECT_EQ(texts->text("Voice"), QString()) << "an empty field is an empty text";
    EXPECT_EQ(texts->text("PortUsed"), QStringLiteral("端口号被占用")) << "a missing column";
}

TEST_F(LanguageTest, GivesNoTableWhenTheTextsCannotBeRead) {
    const QString missing = folder.filePath(QStringLiteral("Missing.mdb"));
    EXPECT_FALSE(TextTable::read(missing, kControlTable, prompter).has_value());
    EXPECT_EQ(prompter.messages, QStringList{QStringLiteral("连接数据库失败") + missing});

    prompter.messages.clear();
    const QString empty = folder.filePath(QStringLiteral("Empty.mdb"));
    ASSERT_TRUE(createDatabase(empty, "CREATE TABLE tb_Control (SelTer TEXT);"));
    EXPECT_FALSE(TextTable::read(empty, kControlTable, prompter).has_value());
    EXPECT_TRUE(prompter.messages.isEmpty()) << "an empty table is silent";

    EXPECT_FALSE(TextTable::read(empty, kVoiceTable, prompter).has_value());
    EXPECT_EQ(prompter.messages, QStringList{QStringLiteral("打开数据库表失败SELECT * FROM tb_Voice")});

    EXPECT_EQ(TextTable::chinese(kControlTable).text("SelTer"), QStringLiteral("请选择一个设备"));
}

} // namespace
