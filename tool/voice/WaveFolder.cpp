#include "voice/WaveFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace {

std::filesystem::path FileSystemPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

QString Reason(const std::error_code& code) {
    return QString::fromStdString(code.message());
}

} // namespace

QStringList ListWaveFiles() {
    return QDir(QLatin1String(kWaveFolder))
        .entryList({QStringLiteral("*.wav")}, QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
}

QString WaveFilePath(const QString& name) {
    return QLatin1String(kWaveFolder) + QLatin1Char('/') + name;
}

bool IsWaveFile(const QString& path, const QString& name) {
    std::error_code failed;
    return std::filesystem::equivalent(FileSystemPath(path), FileSystemPath(WaveFilePath(name)), failed);
}

bool CopyIntoWaveFolder(const QString& source, const QString& name, bool replace, QString& error) {
    const QString target = WaveFilePath(name);
    if (!QDir().mkpath(QLatin1String(kWaveFolder))) {
        error = QStringLiteral("cannot make the folder %1").arg(QLatin1String(kWaveFolder));
        return false;
    }
    if (!replace && QFileInfo::exists(target)) {
        error = QStringLiteral("%1 exists").arg(target);
        return false;
    }
    // Written beside the target and renamed over it: the old file stays whole until the new one is.
    const QString partial =
        QLatin1String(kWaveFolder) + QStringLiteral("/.") + name + QStringLiteral(".part");
    std::error_code failed;
    std::filesystem::copy_file(FileSystemPath(source), FileSystemPath(partial),
                               std::filesystem::copy_options::overwrite_existing, failed);
    if (!failed)
        std::filesystem::rename(FileSystemPath(partial), FileSystemPath(target), failed);
    if (!failed)
        return true;
    error = Reason(failed);
    std::filesystem::remove(FileSystemPath(partial), failed);
    return false;
}

bool DeleteWaveFile(const QString& name, QString& error) {
    std::error_code failed;
    if (std::filesystem::remove(FileSystemPath(WaveFilePath(name)), failed))
        return true;
    error = failed ? Reason(failed) : QStringLiteral("%1 is not there").arg(WaveFilePath(name));
    return false;
}
