#include "app/UserWorkFolder.h"

#include "QStringPrinting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

bool WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(content) == content.size();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// An installed program's tree, <scratch>/usr/bin and <scratch>/usr/share/tarvex with the shipped data read
// only as a package installs it, and a scratch XDG_DATA_HOME.
class UserWorkFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_scratch.isValid());
        m_previousDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_scratch.filePath(QStringLiteral("home/data"))));
        ASSERT_TRUE(QDir().mkpath(m_scratch.filePath(QStringLiteral("usr/bin"))));
        for (const char* name :
             {"DB/Chinese.mdb", "DB/English.mdb", "DB/Default.mdb", "sWav/0.wav", "Wave/Welcome.wav"}) {
            const QString path = Shipped(QLatin1String(name));
            ASSERT_TRUE(WriteFile(path, QByteArray("shipped ") + name));
            ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        }
    }
    void TearDown() override {
        if (m_previousDataHome.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_previousDataHome);
    }

    QString Shipped(const QString& name) const {
        return m_scratch.filePath(QStringLiteral("usr/share/tarvex/") + name);
    }
    QString UserFolder() const { return m_scratch.filePath(QStringLiteral("home/data/tarvex")); }
    QString User(const QString& name) const { return UserFolder() + QLatin1Char('/') + name; }
    QString ProgramFolder() const { return m_scratch.filePath(QStringLiteral("usr/bin")); }

    bool Prepare() {
        error.clear();
        return UserWorkFolder(UserWorkFolder::ShippedDataBeside(ProgramFolder()),
                              UserWorkFolder::DefaultLocation())
            .Prepare(error);
    }

    QTemporaryDir m_scratch;
    QByteArray m_previousDataHome;
    QString error;
};

TEST_F(UserWorkFolderTest, FindsTheShippedDataOnlyBesideAnInstalledProgram) {
    EXPECT_EQ(UserWorkFolder::ShippedDataBeside(ProgramFolder()),
              QFileInfo(m_scratch.filePath(QStringLiteral("usr/share/tarvex"))).canonicalFilePath());
    EXPECT_EQ(UserWorkFolder::ShippedDataBeside(m_scratch.filePath(QStringLiteral("build/tool"))), QString())
        << "a program in the build tree works in the current folder";
    EXPECT_EQ(UserWorkFolder::DefaultLocation(), UserFolder());
}

TEST_F(UserWorkFolderTest, FirstStartMakesTheFolderFromTheShippedData) {
    ASSERT_TRUE(Prepare()) << error.toStdString();
    for (const char* name :
         {"DB/Chinese.mdb", "DB/English.mdb", "DB/Default.mdb", "sWav/0.wav", "Wave/Welcome.wav"})
        EXPECT_EQ(ReadFile(User(QLatin1String(name))), QByteArray("shipped ") + name) << name;
    EXPECT_EQ(ReadFile(User(QStringLiteral("DB/VaZeraVI.mdb"))), "shipped DB/Default.mdb")
        << "the tool database starts as the defaults";
    EXPECT_TRUE(QFile::permissions(User(QStringLiteral("DB/VaZeraVI.mdb"))) & QFile::WriteOwner)
        << "the user's copies are theirs to change";
    EXPECT_EQ(QDir(User(QStringLiteral("DB"))).entryList(QDir::Files | QDir::Hidden),
              QStringList({"Chinese.mdb", "Default.mdb", "English.mdb", "VaZeraVI.mdb"}))
        << "nothing half copied left beside them";
}

TEST_F(UserWorkFolderTest, LaterStartsLeaveTheUsersFilesAloneAndRestoreWhatTheToolNeeds) {
    ASSERT_TRUE(Prepare()) << error.toStdString();
    ASSERT_TRUE(WriteFile(User(QStringLiteral("DB/VaZeraVI.mdb")), "the user's models"));
    ASSERT_TRUE(WriteFile(User(QStringLiteral("DB/English.mdb")), "changed texts"));
    ASSERT_TRUE(WriteFile(User(QStringLiteral("Language.ini")), "[Language]"));
    ASSERT_TRUE(QFile::remove(User(QStringLiteral("Wave/Welcome.wav"))));
    ASSERT_TRUE(QFile::remove(User(QStringLiteral("sWav/0.wav"))));
    ASSERT_TRUE(QFile::remove(User(QStringLiteral("DB/Chinese.mdb"))));

    ASSERT_TRUE(Prepare()) << error.toStdString();
    EXPECT_EQ(ReadFile(User(QStringLiteral("DB/VaZeraVI.mdb"))), "the user's models");
    EXPECT_EQ(ReadFile(User(QStringLiteral("DB/English.mdb"))), "changed texts");
    EXPECT_EQ(ReadFile(User(QStringLiteral("Language.ini"))), "[Language]");
    EXPECT_FALSE(QFile::exists(User(QStringLiteral("Wave/Welcome.wav")))) << "a sample the user deleted";
    EXPECT_EQ(ReadFile(User(QStringLiteral("sWav/0.wav"))), "shipped sWav/0.wav");
    EXPECT_EQ(ReadFile(User(QStringLiteral("DB/Chinese.mdb"))), "shipped DB/Chinese.mdb");
}

TEST_F(UserWorkFolderTest, TellsWhatItCannotDoAndLosesNothing) {
    // Shipped data without the defaults, for a user who has no tool database yet.
    ASSERT_TRUE(QFile::remove(Shipped(QStringLiteral("DB/Default.mdb"))));
    EXPECT_FALSE(Prepare());
    EXPECT_TRUE(error.contains(Shipped(QStringLiteral("DB/Default.mdb")))) << error.toStdString();
    EXPECT_FALSE(QFile::exists(UserFolder())) << "nothing made of incomplete shipped data";

    // A user whose folder holds the defaults needs them no more from the shipped data.
    ASSERT_TRUE(WriteFile(User(QStringLiteral("DB/Default.mdb")), "the user's defaults"));
    ASSERT_TRUE(Prepare()) << error.toStdString();
    EXPECT_EQ(ReadFile(User(QStringLiteral("DB/VaZeraVI.mdb"))), "the user's defaults");
    ASSERT_TRUE(QDir(UserFolder()).removeRecursively());
    ASSERT_TRUE(WriteFile(Shipped(QStringLiteral("DB/Default.mdb")), "shipped DB/Default.mdb"));

    // A file where the folder should be.
    ASSERT_TRUE(WriteFile(UserFolder(), "not a folder"));
    EXPECT_FALSE(Prepare());
    EXPECT_TRUE(error.contains(UserFolder())) << error.toStdString();
    EXPECT_EQ(ReadFile(UserFolder()), "not a folder");
    ASSERT_TRUE(QFile::remove(UserFolder()));

    // A file where one of its folders should be.
    ASSERT_TRUE(WriteFile(User(QStringLiteral("sWav")), "not a folder either"));
    EXPECT_FALSE(Prepare());
    EXPECT_TRUE(error.contains(User(QStringLiteral("sWav")))) << error.toStdString();
    EXPECT_EQ(ReadFile(User(QStringLiteral("sWav"))), "not a folder either");
}

} // namespace
