#pragma once

#include <QDir>
#include <QString>
#include <QTemporaryDir>

// A fresh working folder with an empty DB/ folder, current while the object lives: the tool finds its
// databases relative to the working folder.
class ScratchWorkingFolder {
public:
    ScratchWorkingFolder() : m_previous(QDir::currentPath()) {
        m_valid =
            m_folder.isValid() && QDir::setCurrent(m_folder.path()) && QDir().mkdir(QStringLiteral("DB"));
    }
    ~ScratchWorkingFolder() { QDir::setCurrent(m_previous); }
    ScratchWorkingFolder(const ScratchWorkingFolder&) = delete;
    ScratchWorkingFolder& operator=(const ScratchWorkingFolder&) = delete;

    bool isValid() const { return m_valid; }

private:
    QTemporaryDir m_folder;
    const QString m_previous;
    bool m_valid = false;
};
