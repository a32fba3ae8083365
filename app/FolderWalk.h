#pragma once

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <optional>
#include <set>
#include <utility>

#include <sys/types.h>

// What the walk found for one file name that fits the patterns.
struct TWalkedFile {
    QString FileName;    // the path shown and opened: the folder's real path and the names below
    QByteArray RealPath; // the file's own path with no symbolic link in it, as bytes
    dev_t Device = 0;
    ino_t Inode = 0;
    qint64 Size = 0;
};

// Where a walk goes.
struct TFolderWalkOptions {
    QString Folder;
    QString Patterns; // "*.htm;*.html": names to look at; empty takes every name
    bool Subfolders = true;
    bool HiddenFolders = false; // folders whose name begins with a dot
};

// Walks a folder for the files whose names fit the patterns, treating the tree as untrusted:
// every folder is read once (a link loop ends there), links are followed only while they stay
// inside the folder, and FIFOs, devices and sockets are never opened. Names that do not stand
// for themselves in the system's encoding are reported as skipped, so no other file is ever
// opened in their place.
class TFolderWalk {
public:
    using TFileFound = std::function<void(const TWalkedFile& file)>;
    using TSkipped = std::function<void(const QString& fileName, const QString& reason)>;

    TFolderWalk(TFolderWalkOptions options, const std::atomic_bool& cancel);

    // The folder's real path; empty when it is no folder. Throws nothing.
    QString Root() const { return root_; }
    // Calls `found` for every file to look at and `skipped` for every name passed over that
    // the user would have wanted looked at, on the calling thread. False when the folder could
    // not be read at all.
    bool Run(const TFileFound& found, const TSkipped& skipped);

    // Whether a file name fits one of the patterns (compared without regard to case).
    static bool NameFits(const QString& name, const QList<QRegularExpression>& patterns);
    static QList<QRegularExpression> ParsePatterns(const QString& patterns);

private:
    void WalkFolder(int folderFd, const QByteArray& realPath, const QString& shownPath, int depth);
    void VisitEntry(int folderFd, const QByteArray& realFolder, const QString& shownFolder,
                    const QByteArray& name, int depth);
    bool InsideRoot(const QByteArray& realPath) const;

    TFolderWalkOptions options_;
    const std::atomic_bool& cancel_;
    QList<QRegularExpression> patterns_;
    QString root_;
    QByteArray rootBytes_;
    std::set<std::pair<dev_t, ino_t>> folders_; // folders read already
    std::set<std::pair<dev_t, ino_t>> files_;   // files reported already
    const TFileFound* found_ = nullptr;
    const TSkipped* skipped_ = nullptr;
};
