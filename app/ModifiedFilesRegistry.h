#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <sys/types.h>

// A file some window of the program holds with unsaved changes.
struct TModifiedFile {
    QByteArray RealPath;
    dev_t Device = 0;
    ino_t Inode = 0;
};

// Tells the program's other windows, each a process of its own, which file this window holds
// with unsaved changes: one small entry per window in a folder of the user's own under the
// runtime folder. The entry is locked for as long as it holds; one whose process ended is no
// longer locked, so it is passed over (and removed) by the next reader.
class TModifiedFilesRegistry {
public:
    explicit TModifiedFilesRegistry(QString folder = DefaultFolder());
    ~TModifiedFilesRegistry();
    TModifiedFilesRegistry(const TModifiedFilesRegistry&) = delete;
    TModifiedFilesRegistry& operator=(const TModifiedFilesRegistry&) = delete;

    // The window's document is FileName, modified or not. An untitled document, or one whose
    // file is gone, holds no entry. Costs nothing when neither changed since the last call.
    void Note(const QString& fileName, bool modified);

    // The files live windows of this user hold modified, this window's included. Entries of
    // ended processes are removed; garbled ones, links and entries of other owners are passed
    // over; a folder others could write to is not read at all.
    static QList<TModifiedFile> List(const QString& folder = DefaultFolder());
    // Whether the file at RealPath, with its device and inode, is one of Files.
    static bool Holds(const QList<TModifiedFile>& files, const QByteArray& realPath, dev_t device,
                      ino_t inode);
    // The user's runtime folder + "Velmaris Glyphon modified files".
    static QString DefaultFolder();

private:
    void Withdraw();
    void Enter(const QByteArray& realPath, dev_t device, ino_t inode);

    QString folder_;
    QString fileName_;
    bool modified_ = false;
    int fd_ = -1; // the entry, locked while it holds
    QByteArray entryName_;
};
