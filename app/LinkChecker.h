#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <atomic>
#include <functional>

// One link as a page or style sheet writes it.
struct TPageLink {
    int Line = 0;      // 1-based
    int Column = 0;    // 1-based, in UTF-16 code units
    QString Link;      // as written, "&amp;" read as "&"
    bool Base = false; // the href of <base>
};

// What a page holds for the link checker: its links in order, and the ids and names its
// fragments may point at.
struct TPageScan {
    QList<TPageLink> Links;
    QSet<QString> Anchors;
};

// The href, src, srcset and action of a page's tags, <base href>, and the url()s and @imports
// of its style elements and style attributes. Nothing inside <script> counts.
TPageScan ScanPageLinks(const QString& text);
// The url()s and @imports of a style sheet.
QList<TPageLink> ScanStyleLinks(const QString& text);

// A link that does not lead where it should, or a page that could not be checked (Line 0).
struct TLinkProblem {
    QString Page;
    int Line = 0;
    int Column = 0;
    QString Link;
    QString Reason;
};

struct TLinkCheckOptions {
    QString Folder;
    bool Remote = false; // also ask the http and https addresses
};

struct TLinkCheckTotals {
    int Pages = 0;
    int Links = 0;
    int Problems = 0;
    bool Cancelled = false;
    QString Error; // the check could not start
};

// Checks the links of every page of a folder (and of the style sheets they link) against the
// folder's files: targets that are missing, that exist only with other letter case, fragments
// no id or name of the target carries, and links that climb out of the folder, which are never
// followed. The tree is read as FolderWalk reads it: untrusted. Remote addresses are asked only
// when the options say so.
class TLinkChecker {
public:
    // Pages larger than this are named and passed over.
    static constexpr qint64 MaxPageBytes = 64ll * 1024 * 1024;

    TLinkChecker(TLinkCheckOptions options, const std::atomic_bool& cancel);

    using TReport = std::function<void(const TLinkProblem& problem)>;
    using TProgress = std::function<void(const QString& state)>;
    // Reports the problems as they are found, on the calling thread.
    TLinkCheckTotals Run(const TReport& report, const TProgress& progress = {});

private:
    struct TPage;
    struct TPlace {
        QString Page;
        int Line;
        int Column;
        QString Link;
    };

    void ReadFile(const QString& fileName, const QByteArray& realPath, qint64 size, bool css);
    void CheckLinks(const TPage& page);
    void CheckLink(const TPage& page, const TPageLink& link, const QString& base);
    // Where a local target lies in the folder; empty (with Reason set) when it does not.
    QString LocalTarget(const QString& path, QString& reason);
    // The target's name with its letters as the folder has them, when only the case differs.
    QString OtherCase(const QString& path);
    QString Relative(const QString& path) const;
    void Report(const TPlace& place, const QString& reason);

    TLinkCheckOptions options_;
    const std::atomic_bool& cancel_;
    QString root_;
    QList<TPage*> pages_;
    QHash<QString, TPage*> pageOf_;           // by path
    QHash<QString, bool> exists_;             // stat results, by path
    QHash<QString, QStringList> folderNames_; // folder listings for the letter-case check
    QHash<QString, QList<TPlace>> remote_;    // remote address: where it is linked
    TReport report_;
    TLinkCheckTotals totals_;
};
