#pragma once

#include <QString>

// The working folder of an installed tool. The program's own folders belong to the system, and each user
// keeps their own tool database, sound files and language choice, so an installed tool works in
// $XDG_DATA_HOME/tarvex (by default ~/.local/share/tarvex), made from the data shipped beside the program:
// the language databases, the tool database's defaults, the signal tones and the sample voice files.
//
// Every start copies in what the folder lacks and makes the tool database DB/VaZeraVI.mdb from the defaults
// DB/Default.mdb when there is none. A file already there is never replaced: it may hold the user's
// changes. The sample voice files go only into a new Wave/ folder; once it exists its files are the user's,
// who may have deleted a sample on purpose.
class UserWorkFolder {
public:
    // The shipped data of a program installed as <prefix>/bin/tarvex: <prefix>/share/tarvex. Empty when
    // there is none, as for a program run from the build tree, which works in the current folder.
    static QString ShippedDataBeside(const QString& programFolder);

    // $XDG_DATA_HOME/tarvex, or ~/.local/share/tarvex without it.
    static QString DefaultLocation();

    UserWorkFolder(const QString& shippedFolder, const QString& folder);

    const QString& path() const { return m_folder; }

    // Makes or completes the folder. False with the reason in `error` when the folder or a file in it
    // cannot be made, or when the shipped data lacks a file the tool cannot start without; what was
    // there before is left as it was.
    bool Prepare(QString& error) const;

private:
    bool CopyIfMissing(const QString& relativePath, const QString& source, QString& error) const;

    const QString m_shippedFolder;
    const QString m_folder;
};
