#include "QStringPrinting.h"
#include "TestDatabase.h"
#include "language/TextKeys.h"
#include "store/AdoConnection.h"
#include "store/AdoRecordSet.h"

#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

// The language databases the build generates from SQL text, held against the keys the dialogs read.
namespace {

QStringList catalogueKeys(const TextTableKeys& table) {
    QStringList keys;
    for (const TextKey& key : table.keys)
        keys.append(QLatin1String(key.key));
    return keys;
}

class LanguageDatabaseTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        ASSERT_TRUE(connection.ConnectAccess(builtWorkFile(QStringLiteral("DB/") + GetParam())));
        records.SetAdoConnection(&connection);
    }

    QStringList columnsOf(const char* table) {
        CAdoRecordSet columns;
        columns.SetAdoConnection(&connection);
        QStringList names;
        if (!columns.Open(
                QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(QLatin1String(table))))
            return names;
        for (; !columns.IsEOF(); columns.MoveNext()) {
            QString name;
            columns.GetCollect(QStringLiteral("name"), name);
            names.append(name);
        }
        return names;
    }

    bool isChinese() const { return QLatin1String(GetParam()) == QLatin1String("Chinese.mdb"); }

    CAdoConnection connection;
    CAdoRecordSet records;
};

TEST_P(LanguageDatabaseTest, HoldsEveryKeyOfEveryTextTableInOneRow) {
    static const QRegularExpression chineseCharacter(
        QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    for (const TextTableKeys& table : kTextTables) {
        SCOPED_TRACE(table.table);
        EXPECT_EQ(columnsOf(table.table), catalogueKeys(table));
        ASSERT_TRUE(records.Open(QStringLiteral("SELECT * FROM ") + QLatin1String(table.table)));
        ASSERT_FALSE(records.IsBOF());
        for (const TextKey& key : table.keys) {
            SCOPED_TRACE(key.key);
            QString text;
            ASSERT_TRUE(records.GetCollect(QLatin1String(key.key), text));
            if (isChinese()) {
                EXPECT_EQ(text, QString::fromUtf8(key.chinese));
            } else {
                EXPECT_FALSE(text.trimmed().isEmpty());
                EXPECT_FALSE(text.contains(chineseCharacter)) << text.toStdString();
            }
        }
        records.MoveNext();
        EXPECT_TRUE(records.IsEOF()) << "a text table has one row";
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, LanguageDatabaseTest, ::testing::Values("Chinese.mdb", "English.mdb"),
                         [](const auto& info) { return std::string(info.param).substr(0, 7); });

TEST(TextKeysTest, NamesEveryKeyOnceInItsTable) {
    for (const TextTableKeys& table : kTextTables) {
        const QStringList keys = catalogueKeys(table);
        EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), keys.size()) << table.table;
    }
}

} // namespace
