#pragma once

#include <QFile>
#include <QString>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Makes a file immutable for as long as it lives, so that even root can open it for reading only: the
// way to show the tool a read-only database in tests, which run as root and pass file permissions by.
// isSet() is false where the file system has no such flag.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString& path) : m_path(QFile::encodeName(path)) {
        m_set = setImmutable(true);
    }
    ~ReadOnlyFile() {
        if (m_set)
            setImmutable(false);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool isSet() const { return m_set; }

private:
    bool setImmutable(bool immutable) const {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    QByteArray m_path;
    bool m_set = false;
};
