#include "app/UserWorkFolder.h"

#include "model/ToolDatabase.h"
#include "voice/WaveFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The language databases and the tool database's defaults: without them the tool cannot start.
constexpr const char* kNeededFiles[] = {"DB/Chinese.mdb", "DB/English.mdb", kDefaultDatabasePath};

bool Exists(const QFileInfo& file) {
    // A dangling link counts: it is the user's, and replacing it would replace what it names.
    return file.exists() || file.isSymLink();
}

} // namespace

QString UserWorkFolder::ShippedDataBeside(const QString& programFolder) {
    const QFileInfo shipped(programFolder + QStringLiteral("/../share/tarvex"));
    return shipped.isDir() ? shipped.canonicalFilePath() : QString();
}

QString UserWorkFolder::DefaultLocation() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tarvex");
}

UserWorkFolder::UserWorkFolder(const QString& shippedFolder, const QString& folder)
    : m_shippedFolder(shippedFolder), m_folder(folder) {}

bool UserWorkFolder::Prepare(QString& error) const {
    const QDir shipped(m_shippedFolder);
    const QDir folder(m_folder);
    for (const char* needed : kNeededFiles) {
        if (!Exists(QFileInfo(folder.filePath(QLatin1String(needed)))) &&
            !QFileInfo::exists(shipped.filePath(QLatin1String(needed)))) {
            error = QStringLiteral("the shipped data lack %1").arg(shipped.filePath(QLatin1String(needed)));
            return false;
        }
    }
    if (!QDir().mkpath(m_folder)) {
        error = QStringLiteral("cannot make the folder %1").arg(m_folder);
        return false;
    }
    const bool userHasWaveFolder = Exists(QFileInfo(folder.filePath(QLatin1String(kWaveFolder))));
    const QString waveFolderPrefix = QLatin1String(kWaveFolder) + QLatin1Char('/');
    QDirIterator files(m_shippedFolder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString source = files.next();
        const QString relativePath = shipped.relativeFilePath(source);
        if (userHasWaveFolder && relativePath.startsWith(waveFolderPrefix))
            continue;
        if (!CopyIfMissing(relativePath, source, error))
            return false;
    }
    return CopyIfMissing(QLatin1String(kToolDatabasePath),
                         folder.filePath(QLatin1String(kDefaultDatabasePath)), error);
}

bool UserWorkFolder::CopyIfMissing(const QString& relativePath, const QString& source, QString& error) const {
    const QFileInfo target(QDir(m_folder).filePath(relativePath));
    if (Exists(target))
        return true;
    if (!QDir().mkpath(target.path())) {
        error = QStringLiteral("cannot make the folder %1").arg(target.path());
        return false;
    }
    // Written beside the target under another name and then given its name, never over an existing file:
    // an interrupted start leaves no half file that a later one would take for whole.
    const QString partial =
        target.path() + QStringLiteral("/.") + target.fileName() + QStringLiteral(".part");
    QFile::remove(partial);
    QFile copy(source);
    if (!copy.copy(partial)) {
        error = QStringLiteral("cannot copy %1 to %2: %3").arg(source, partial, copy.errorString());
        QFile::remove(partial);
        return false;
    }
    QFile written(partial);
    if (!written.rename(target.filePath())) {
        error = QStringLiteral("cannot make %1: %2").arg(target.filePath(), written.errorString());
        QFile::remove(partial);
        return false;
    }
    return true;
}
