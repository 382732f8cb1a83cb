#include "model/ToolDatabase.h"

#include "FullDisk.h"
#include "QStringPrinting.h"
#include "RecordingPrompter.h"
#include "ScratchWorkingFolder.h"
#include "TestDatabase.h"
#include "model/DeviceModelList.h"
#include "model/ToolDatabaseReset.h"
#include "model/ZeroFill.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

// The shipped defaults the build generates, and the reset that puts them in the tool database's place.
namespace {

const QString kToolDatabase = QLatin1String(kToolDatabasePath);
const QString kDefaults = QLatin1String(kDefaultDatabasePath);

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ToolDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(QFile::copy(builtWorkFile(kDefaults), kDefaults));
    }

    ScratchWorkingFolder folder;
    RecordingPrompter prompter;
};

TEST_F(ToolDatabaseTest, ShippedModelsLoadWholeWithEveryValueTypeAndConsistentValues) {
    ASSERT_TRUE(QFile::copy(kDefaults, kToolDatabase));
    DeviceModelList models(prompter);
    models.Load();
    EXPECT_TRUE(prompter.messages.isEmpty());
    ASSERT_FALSE(models.Models().empty());

    static const QRegularExpression ipAddress(
        QStringLiteral(R"(^((25[0-5]|2[0-4]\d|1?\d?\d)\.){3}(25[0-5]|2[0-4]\d|1?\d?\d)$)"));
    static const QRegularExpression digits(QStringLiteral(R"(^\d+$)"));
    static const QRegularExpression telephoneNumber(QStringLiteral(R"(^[0-9*#]+$)"));
    QSet<int> valueTypes;
    QSet<bool> ordering;
    QSet<QString> names;
    for (const auto& model : models.Models()) {
        SCOPED_TRACE(model->TerName.toStdString());
        EXPECT_FALSE(names.contains(model->TerName));
        names.insert(model->TerName);
        EXPECT_FALSE(model->AdminPsw.isEmpty());
        EXPECT_FALSE(model->MasterCodes().empty());
        QSet<int> numbers;
        for (const auto& masterCode : model->MasterCodes()) {
            SCOPED_TRACE(masterCode->MasterCode);
            // Master and sub code numbers travel to the terminal as single bytes.
            EXPECT_TRUE(masterCode->MasterCode >= 0 && masterCode->MasterCode <= 255);
            EXPECT_FALSE(numbers.contains(masterCode->MasterCode));
            numbers.insert(masterCode->MasterCode);
            EXPECT_FALSE(masterCode->Function.isEmpty() || masterCode->lDescribe.isEmpty() ||
                         masterCode->Remark.isEmpty() || masterCode->CodeNum <= 0);
            EXPECT_FALSE(masterCode->SubCodes().empty());
            valueTypes.insert(masterCode->ProType);
            ordering.insert(masterCode->HaveOrder);
            for (const auto& subCode : masterCode->SubCodes()) {
                const QString& value = subCode->CodeValue;
                EXPECT_TRUE(subCode->SubCode >= 0 && subCode->SubCode <= 255);
                if (value.isEmpty())
                    continue;
                switch (masterCode->ProType) {
                case DigitString:
                    EXPECT_EQ(value.size(), masterCode->CodeNum) << value.toStdString();
                    EXPECT_TRUE(digits.match(value).hasMatch()) << value.toStdString();
                    break;
                case IpAddress:
                    EXPECT_TRUE(ipAddress.match(value).hasMatch()) << value.toStdString();
                    break;
                case TelephoneNumber:
                    EXPECT_TRUE(telephoneNumber.match(value).hasMatch()) << value.toStdString();
                    break;
                default:
                    EXPECT_LE(value.size(), 32);
                }
            }
        }
    }
    EXPECT_EQ(valueTypes, (QSet<int>{StringValue, DigitString, IpAddress, TelephoneNumber}));
    EXPECT_EQ(ordering, (QSet<bool>{false, true})) << "master codes with and without sequence numbers";
    EXPECT_EQ(models.NextModelId(), static_cast<int>(models.Models().size()));
}

TEST_F(ToolDatabaseTest, ShippedVoiceSlotsAreTheFortyOrdersInBothLanguages) {
    const auto slotRows = [](const char* table) {
        return queryRows(kDefaults, QByteArray("SELECT byOrder, WavType, WavName, Remark FROM ") + table);
    };
    const QStringList chinese = slotRows("tb_Sound");
    const QStringList english = slotRows("tb_SoundEg");
    ASSERT_EQ(chinese.size(), 40);
    ASSERT_EQ(english.size(), 40);
    static const QRegularExpression hanCharacter(QStringLiteral("[\\x{4e00}-\\x{9fff}]"));
    // Slots of one type in Chinese are of one type in English too.
    QHash<QString, QString> englishTypeOf;
    for (int order = 0; order < 40; ++order) {
        const QStringList zh = chinese[order].split(QLatin1Char('|'));
        const QStringList en = english[order].split(QLatin1Char('|'));
        SCOPED_TRACE(order);
        EXPECT_EQ(zh[0].toInt(), order) << "the slots in order";
        EXPECT_EQ(en[0].toInt(), order);
        // The sample voice files of Wave/ come assigned to their slots, the same in both languages.
        const QString sample = order == 0    ? "Welcome.wav"
                               : order == 17 ? "Armed.wav"
                               : order == 18 ? "Disarmed.wav"
                                             : "";
        EXPECT_EQ(zh[2], sample);
        EXPECT_EQ(en[2], sample);
        EXPECT_TRUE(sample.isEmpty() || QFile::exists(builtWorkFile(QStringLiteral("Wave/") + sample)));
        EXPECT_TRUE(zh[1].contains(hanCharacter) && zh[3].contains(hanCharacter));
        EXPECT_FALSE(en[1].contains(hanCharacter) || en[3].contains(hanCharacter) || en[1].isEmpty() ||
                     en[3].isEmpty());
        EXPECT_EQ(englishTypeOf.value(zh[1], en[1]), en[1]);
        englishTypeOf.insert(zh[1], en[1]);
    }
    EXPECT_EQ(chinese[20].section(QLatin1Char('|'), 1, 1), QStringLiteral("报警信息"));
    EXPECT_EQ(english[16].section(QLatin1Char('|'), 3, 3), QStringLiteral("Name of zone 16"));
}

TEST_F(ToolDatabaseTest, TheLoadQueriesUseTheIndexes) {
    for (const char* query :
         {"EXPLAIN QUERY PLAN SELECT * FROM tb_MasterCode WHERE TerID=3",
          "EXPLAIN QUERY PLAN SELECT * FROM tb_SubCode WHERE TerID=3 AND MasterCode=12"}) {
        const QStringList plan = queryRows(kDefaults, query);
        SCOPED_TRACE(query);
        ASSERT_EQ(plan.size(), 1);
        EXPECT_TRUE(plan[0].contains(QStringLiteral("USING INDEX"))) << plan[0].toStdString();
    }
}

TEST_F(ToolDatabaseTest, ResetPutsTheDefaultsInTheToolDatabasesPlace) {
    ASSERT_TRUE(createToolDatabase(kToolDatabase, "INSERT INTO tb_Terminal VALUES (9, 'Mine', '1')"));
    ASSERT_NE(contentsOf(kToolDatabase), contentsOf(kDefaults));
    EXPECT_TRUE(ReplaceToolDatabaseWithDefaults(prompter));
    EXPECT_TRUE(prompter.messages.isEmpty());
    EXPECT_EQ(contentsOf(kToolDatabase), contentsOf(kDefaults));
    EXPECT_EQ(QDir(QStringLiteral("DB")).entryList(QDir::Files),
              (QStringList{QStringLiteral("Default.mdb"), QStringLiteral("VaZeraVI.mdb")}));

    ASSERT_TRUE(QFile::remove(kToolDatabase));
    EXPECT_TRUE(ReplaceToolDatabaseWithDefaults(prompter)) << "a missing tool database is simply replaced";
    EXPECT_EQ(contentsOf(kToolDatabase), contentsOf(kDefaults));
}

TEST_F(ToolDatabaseTest, ResetThatCannotPutTheDefaultsInPlaceKeepsTheToolDatabase) {
    ASSERT_TRUE(createToolDatabase(kToolDatabase, "INSERT INTO tb_Terminal VALUES (9, 'Mine', '1')"));
    const QByteArray mine = contentsOf(kToolDatabase);
    ASSERT_TRUE(QFile::remove(kDefaults));
    EXPECT_FALSE(ReplaceToolDatabaseWithDefaults(prompter));
    EXPECT_EQ(prompter.messages, QStringList{QStringLiteral("DB/Default.mdb: No such file or directory")});
    EXPECT_EQ(contentsOf(kToolDatabase), mine);

    // A tool database that cannot be replaced: here a folder in its place.
    ASSERT_TRUE(QFile::copy(builtWorkFile(kDefaults), kDefaults));
    ASSERT_TRUE(QFile::remove(kToolDatabase));
    ASSERT_TRUE(QDir().mkpath(kToolDatabase + QStringLiteral("/inside")));
    prompter.messages.clear();
    EXPECT_FALSE(ReplaceToolDatabaseWithDefaults(prompter));
    ASSERT_EQ(prompter.messages.size(), 1);
    EXPECT_TRUE(prompter.messages[0].startsWith(QStringLiteral("DB/VaZeraVI.mdb: ")))
        << prompter.messages[0].toStdString();
    EXPECT_TRUE(QFileInfo(kToolDatabase).isDir());
    EXPECT_EQ(QDir(QStringLiteral("DB")).entryList(QDir::Files), QStringList{QStringLiteral("Default.mdb")})
        << "no half-made copy is left behind";

    // A full disk: the copy cannot be written.
    ASSERT_TRUE(QDir(kToolDatabase).removeRecursively());
    ASSERT_TRUE(createToolDatabase(kToolDatabase, "INSERT INTO tb_Terminal VALUES (9, 'Mine', '1')"));
    const QByteArray stored = contentsOf(kToolDatabase);
    prompter.messages.clear();
    bool replaced = true;
    {
        const FullDisk full;
        ASSERT_TRUE(full.isSet());
        replaced = ReplaceToolDatabaseWithDefaults(prompter);
    }
    EXPECT_FALSE(replaced);
    EXPECT_EQ(prompter.messages, QStringList{QStringLiteral("DB/VaZeraVI.mdb: File too large")});
    EXPECT_EQ(contentsOf(kToolDatabase), stored);
    EXPECT_EQ(QDir(QStringLiteral("DB")).entryList(QDir::Files),
              (QStringList{QStringLiteral("Default.mdb"), QStringLiteral("VaZeraVI.mdb")}));
}

TEST(ZeroFillTest, PadsShortTextsAndLeavesLongOnes) {
    const struct {
        const char* text;
        int width;
        const char* filled;
        int length;
    } cases[] = {{"7", 3, "007", 3}, {"907", 3, "907", 3}, {"9070", 3, "9070", 4},
                 {"", 2, "00", 2},   {"12", 0, "12", 2},   {"5", -1, "5", 1}};
    for (const auto& sample : cases) {
        QString text = QLatin1String(sample.text);
        SCOPED_TRACE(sample.text);
        EXPECT_EQ(ZeroFill(text, sample.width), sample.length);
        EXPECT_EQ(text, QLatin1String(sample.filled));
    }
}

} // namespace
