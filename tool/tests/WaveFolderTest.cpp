#include "voice/WaveFolder.h"

#include "QStringPrinting.h"
#include "ScratchWorkingFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

bool WriteFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

class WaveFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    ScratchWorkingFolder m_folder;
    QString error;
};

TEST_F(WaveFolderTest, ListsTheWaveFilesOfTheFolderByName) {
    EXPECT_TRUE(ListWaveFiles().isEmpty()) << "no folder yet";
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("Wave/folder.wav")));
    for (const char* name : {"b.wav", "A.WAV", "c.txt", "a2.wav", "notes.wav.bak"})
        ASSERT_TRUE(WriteFile(QStringLiteral("Wave/") + QLatin1String(name), "x"));
    EXPECT_EQ(ListWaveFiles(), QStringList({"A.WAV", "a2.wav", "b.wav"}));
}

TEST_F(WaveFolderTest, CopiesInWholeOrNotAtAll) {
    ASSERT_TRUE(WriteFile(QStringLiteral("first.wav"), "first"));
    ASSERT_TRUE(WriteFile(QStringLiteral("second.wav"), "second"));

    ASSERT_TRUE(CopyIntoWaveFolder(QStringLiteral("first.wav"), QStringLiteral("x.wav"), false, error));
    EXPECT_EQ(ReadFile(QStringLiteral("Wave/x.wav")), "first") << "the folder is made when missing";

    EXPECT_FALSE(CopyIntoWaveFolder(QStringLiteral("second.wav"), QStringLiteral("x.wav"), false, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ReadFile(QStringLiteral("Wave/x.wav")), "first") << "refused without replace";

    ASSERT_TRUE(CopyIntoWaveFolder(QStringLiteral("second.wav"), QStringLiteral("x.wav"), true, error));
    EXPECT_EQ(ReadFile(QStringLiteral("Wave/x.wav")), "second");

    // A copy that fails leaves the old file as it was and nothing half written beside it.
    error.clear();
    EXPECT_FALSE(CopyIntoWaveFolder(QStringLiteral("absent.wav"), QStringLiteral("x.wav"), true, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ReadFile(QStringLiteral("Wave/x.wav")), "second");
    EXPECT_EQ(QDir(QStringLiteral("Wave")).entryList(QDir::Files | QDir::Hidden), QStringList{"x.wav"});
}

TEST_F(WaveFolderTest, KnowsItsOwnFilesByAnyPathAndDeletesThem) {
    ASSERT_TRUE(QDir().mkpath(QStringLiteral("Wave")));
    ASSERT_TRUE(WriteFile(QStringLiteral("Wave/x.wav"), "x"));
    ASSERT_TRUE(WriteFile(QStringLiteral("x.wav"), "x"));
    EXPECT_TRUE(IsWaveFile(QDir::current().absoluteFilePath(QStringLiteral("Wave/../Wave/x.wav")), "x.wav"));
    EXPECT_FALSE(IsWaveFile(QStringLiteral("x.wav"), "x.wav")) << "the same name elsewhere";
    EXPECT_FALSE(IsWaveFile(QStringLiteral("Wave/y.wav"), "y.wav")) << "no such file";

    ASSERT_TRUE(DeleteWaveFile(QStringLiteral("x.wav"), error));
    EXPECT_FALSE(QFile::exists(QStringLiteral("Wave/x.wav")));
    EXPECT_FALSE(DeleteWaveFile(QStringLiteral("x.wav"), error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
