#include "app/LinkChecker.h"

#include "app/FolderWalk.h"
#include "common/SiteFiles.h"
#include "editor/TGlyphEditStringList.h"
#include "htmltools/THTMLWalk.h"
#include "net/RemoteLinkCheck.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <algorithm>
#include <vector>

namespace {

constexpr char PagePatterns[] = "*.htm;*.html;*.xhtml;*.shtml";

// Lines and columns of offsets into a text.
class TLineStarts {
public:
    explicit TLineStarts(QStringView text) {
        starts_.push_back(0);
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == u'\n')
                starts_.push_back(i + 1);
        }
    }

    TPageLink At(qsizetype offset, const QString& link) const {
        const auto line = std::upper_bound(starts_.begin(), starts_.end(), offset) - 1;
        return {int(line - starts_.begin()) + 1, int(offset - *line) + 1, link, false};
    }

private:
    std::vector<qsizetype> starts_;
};

QString Unescaped(QStringView value) {
    return value.toString().replace(QLatin1String("&amp;"), QLatin1String("&"));
}

// The url()s and @imports of style text that starts at Offset of the whole text.
void ScanStyle(QStringView text, qsizetype offset, const TLineStarts& lines,
               QList<TPageLink>& links) {
    static const QRegularExpression urls(
        QStringLiteral(R"re((?:url\(\s*(?:"([^"]*)"|'([^']*)'|([^)'"\s]*))\s*\)))re"
                       R"re(|(?:@import\s+(?:"([^"]*)"|'([^']*)')))re"),
        QRegularExpression::CaseInsensitiveOption);
    for (auto it = urls.globalMatch(text.toString()); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        for (int group = 1; group <= 5; ++group) {
            if (match.capturedLength(group) > 0)
                links << lines.At(offset + match.capturedStart(group),
                                  Unescaped(match.capturedView(group)));
        }
    }
}

// The walk that collects a page's links and anchors.
class TLinkWalk : public THTMLWalk {
public:
    explicit TLinkWalk(const QString& text) : lines_(text) {}

    TPageScan Scan;

protected:
    void DoTag() override {
        tag_ = TagName.toString().toLower();
        if (tag_ == QLatin1String("/script"))
            inScript_ = false;
        else if (tag_ == QLatin1String("/style"))
            inStyle_ = false;
    }

    void DoTagEnd() override {
        if (tag_ == QLatin1String("script"))
            inScript_ = true;
        else if (tag_ == QLatin1String("style"))
            inStyle_ = true;
    }

    void DoText() override {
        if (inStyle_ && !inScript_)
            ScanStyle(TextRun, Offset(TextRun), lines_, Scan.Links);
    }

    void DoAttributeValue() override {
        if (inScript_ || AttrValue.isEmpty())
            return;
        const QString name = AttrName.toString().toLower();
        const qsizetype at = Offset(AttrValue);
        if (name == QLatin1String("href") || name == QLatin1String("src") ||
            name == QLatin1String("action")) {
            TPageLink link = lines_.At(at, Unescaped(AttrValue));
            link.Base = name == QLatin1String("href") && tag_ == QLatin1String("base");
            Scan.Links << link;
        } else if (name == QLatin1String("srcset")) {
            ScanSrcset(at);
        } else if (name == QLatin1String("style")) {
            ScanStyle(AttrValue, at, lines_, Scan.Links);
        } else if (name == QLatin1String("id") || name == QLatin1String("name")) {
            Scan.Anchors.insert(AttrValue.toString());
        }
    }

private:
    qsizetype Offset(QStringView piece) const { return piece.data() - Source().data(); }

    // Candidates are an address, then descriptors up to a comma.
    void ScanSrcset(qsizetype at) {
        const QStringView value = AttrValue;
        qsizetype i = 0;
        while (i < value.size()) {
            while (i < value.size() && (value[i].isSpace() || value[i] == u','))
                ++i;
            const qsizetype start = i;
            while (i < value.size() && !value[i].isSpace())
                ++i;
            QStringView url = value.sliced(start, i - start);
            if (url.endsWith(u','))
                url.chop(1);
            if (!url.isEmpty())
                Scan.Links << lines_.At(at + start, Unescaped(url));
            while (i < value.size() && value[i] != u',')
                ++i;
        }
    }

    TLineStarts lines_;
    QString tag_;
    bool inScript_ = false;
    bool inStyle_ = false;
};

bool IsInside(const QString& path, const QString& root) {
    return path == root || path.startsWith(root == u'/' ? root : root + u'/');
}

} // namespace

TPageScan ScanPageLinks(const QString& text) {
    TLinkWalk walk(text);
    walk.Walk(text);
    return walk.Scan;
}

QList<TPageLink> ScanStyleLinks(const QString& text) {
    QList<TPageLink> links;
    ScanStyle(text, 0, TLineStarts(text), links);
    return links;
}

struct TLinkChecker::TPage {
    QString FileName;
    bool Css = false;
    TPageScan Scan;
};

TLinkChecker::TLinkChecker(TLinkCheckOptions options, const std::atomic_bool& cancel)
    : options_(std::move(options)), cancel_(cancel) {}

TLinkCheckTotals TLinkChecker::Run(const TReport& report, const TProgress& progress) {
    report_ = report;
    TFolderWalk walk({.Folder = options_.Folder,
                      .Patterns = PagePatterns,
                      .Subfolders = true,
                      .HiddenFolders = false},
                     cancel_);
    root_ = walk.Root();
    if (root_.isEmpty()) {
        totals_.Error = QStringLiteral("The folder \"%1\" does not exist.").arg(options_.Folder);
        return totals_;
    }
    walk.Run(
        [&](const TWalkedFile& file) {
            ReadFile(file.FileName, file.RealPath, file.Size, false);
            if (progress && pages_.size() % 100 == 0)
                progress(QStringLiteral("Reading pages... %1").arg(pages_.size()));
        },
        [&](const QString& fileName, const QString& reason) {
            Report({fileName, 0, 0, {}}, QStringLiteral("Not checked: %1").arg(reason));
        });
    // Style sheets the pages link are added as they are met, and checked in their turn.
    for (qsizetype i = 0; i < pages_.size() && !cancel_; ++i) {
        CheckLinks(*pages_[i]);
        if (progress && i % 100 == 0)
            progress(QStringLiteral("Checking links... %1 of %2 files").arg(i).arg(pages_.size()));
    }
    totals_.Pages = int(pages_.size());
    if (options_.Remote && !remote_.isEmpty() && !cancel_) {
        const QStringList urls = remote_.keys();
        const auto results = CheckRemoteLinks(urls, cancel_, [&](int done) {
            if (progress)
                progress(QStringLiteral("Asking remote addresses... %1 of %2")
                             .arg(done)
                             .arg(urls.size()));
        });
        for (const TRemoteLinkResult& result : results) {
            if (!result.Problem.isEmpty()) {
                for (const TPlace& place : remote_.value(result.Url))
                    Report(place, result.Problem);
            }
        }
    }
    qDeleteAll(pages_);
    pages_.clear();
    totals_.Cancelled = cancel_;
    return totals_;
}

void TLinkChecker::ReadFile(const QString& fileName, const QByteArray& realPath, qint64 size,
                            bool css) {
    const TPlace whole{fileName, 0, 0, {}};
    if (size > MaxPageBytes) {
        Report(whole, QStringLiteral("Not checked: larger than %1 MB").arg(MaxPageBytes >> 20));
        return;
    }
    // Opened without waiting and only as a regular file: a FIFO swapped in never blocks.
    const TSiteFile opened = OpenRegularFile(QFile::decodeName(realPath));
    if (opened.Fd < 0) {
        Report(whole, QStringLiteral("Not checked: %1").arg(opened.Refusal));
        return;
    }
    QFile file;
    file.open(opened.Fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    QByteArray bytes = file.read(MaxPageBytes + 1);
    if (bytes.size() > MaxPageBytes) {
        Report(whole, QStringLiteral("Not checked: larger than %1 MB").arg(MaxPageBytes >> 20));
        return;
    }
    // Read in its own encoding, as Open reads it.
    TGlyphEditStringList lines;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        lines.LoadStream(buffer);
    } catch (const std::exception& error) {
        Report(whole, QStringLiteral("Not checked: %1").arg(QString::fromUtf8(error.what())));
        return;
    }
    const QString text = lines.Lines().join(u'\n');
    auto* page = new TPage{fileName, css, {}};
    if (css)
        page->Scan.Links = ScanStyleLinks(text);
    else
        page->Scan = ScanPageLinks(text);
    pages_ << page;
    pageOf_.insert(fileName, page);
}

void TLinkChecker::CheckLinks(const TPage& page) {
    QString base = QFileInfo(page.FileName).path();
    for (const TPageLink& link : page.Scan.Links) {
        CheckLink(page, link, base);
        if (!link.Base)
            continue;
        // The links after a <base> resolve against it: a folder, or the folder of a file.
        const QString href = link.Link.trimmed();
        const QUrl url(href);
        if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
            base = href;
        else if (url.scheme().isEmpty() && !href.startsWith(u'#'))
            base = QDir::cleanPath(QFileInfo(page.FileName).path() + u'/' +
                                   (href.endsWith(u'/') ? href : QFileInfo(href).path()));
    }
}

void TLinkChecker::CheckLink(const TPage& page, const TPageLink& link, const QString& base) {
    const QString href = link.Link.trimmed();
    // Addresses a program fills in are not links yet.
    if (href.isEmpty() || href.contains(QLatin1String("<?")) || href.contains(QLatin1String("{{")))
        return;
    ++totals_.Links;
    const TPlace place{page.FileName, link.Line, link.Column, link.Link};
    static const QRegularExpression schemeOf(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):"));
    const QRegularExpressionMatch scheme = schemeOf.match(href);
    const QString name = scheme.captured(1).toLower();
    const bool remoteBase = base.contains(QLatin1String("://"));
    QString remote;
    if (href.startsWith(QLatin1String("//")))
        remote = QStringLiteral("http:") + href;
    else if (name == QLatin1String("http") || name == QLatin1String("https"))
        remote = href;
    else if (scheme.hasMatch() && name.size() == 1) // a drive letter
        return Report(place, QStringLiteral("Leads out of the checked folder"));
    else if (name == QLatin1String("file"))
        return Report(place, QStringLiteral("Links to a file of this computer, which visitors "
                                            "of the site cannot reach"));
    else if (scheme.hasMatch())
        return; // mail, scripts, data and the rest are not addresses of pages
    else if (remoteBase)
        remote = QUrl(base).resolved(QUrl(href)).toString();
    if (!remote.isEmpty()) {
        remote_[QUrl(remote).adjusted(QUrl::RemoveFragment).toString()] << place;
        return;
    }

    // A local target: its path, then the fragment.
    const qsizetype hash = href.indexOf(u'#');
    const QString fragment =
        hash < 0 ? QString() : QUrl::fromPercentEncoding(href.mid(hash + 1).toUtf8());
    QString path = href.left(hash < 0 ? href.size() : hash);
    path.truncate(path.indexOf(u'?') < 0 ? path.size() : path.indexOf(u'?'));
    path = QUrl::fromPercentEncoding(path.toUtf8());
    QString target = page.FileName;
    if (!path.isEmpty()) {
        target = QDir::cleanPath(path.startsWith(u'/') ? root_ + path : base + u'/' + path);
        if (!IsInside(target, root_))
            return Report(place, QStringLiteral("Leads out of the checked folder"));
        QString reason;
        if (LocalTarget(target, reason).isEmpty())
            return Report(place, reason);
    }
    if (fragment.isEmpty() || fragment.compare(QLatin1String("top"), Qt::CaseInsensitive) == 0)
        return;
    const TPage* targetPage = pageOf_.value(target);
    if (targetPage && !targetPage->Css && !targetPage->Scan.Anchors.contains(fragment))
        Report(place,
               QStringLiteral("No id or name \"%1\" in \"%2\"").arg(fragment, Relative(target)));
}

QString TLinkChecker::LocalTarget(const QString& path, QString& reason) {
    auto known = exists_.find(path);
    if (known == exists_.end())
        known = exists_.insert(path, QFileInfo::exists(path));
    if (!*known) {
        const QString other = OtherCase(path);
        reason =
            other.isEmpty()
                ? QStringLiteral("Missing target \"%1\"").arg(Relative(path))
                : QStringLiteral("Only \"%1\" exists (letter case differs)").arg(Relative(other));
        return {};
    }
    // A linked style sheet is read too, when it is a file of the folder itself.
    if (path.endsWith(QLatin1String(".css"), Qt::CaseInsensitive) && !pageOf_.contains(path)) {
        const QFileInfo file(path);
        const QString real = file.canonicalFilePath();
        pageOf_.insert(path, nullptr);
        if (file.isFile() && IsInside(real, root_) && !real.mid(root_.size()).contains(u"/."))
            ReadFile(path, QFile::encodeName(real), file.size(), true);
    }
    return path;
}

QString TLinkChecker::OtherCase(const QString& path) {
    QString found = root_;
    for (const QString& part : path.mid(root_.size() + 1).split(u'/')) {
        const QString exact = found + u'/' + part;
        auto known = exists_.find(exact);
        if (known == exists_.end())
            known = exists_.insert(exact, QFileInfo::exists(exact));
        if (*known) {
            found = exact;
            continue;
        }
        // Only folders of the checked folder itself are listed, never one a link leads to.
        if (!IsInside(QFileInfo(found).canonicalFilePath(), root_))
            return {};
        auto names = folderNames_.find(found);
        if (names == folderNames_.end())
            names = folderNames_.insert(found,
                                        QDir(found).entryList(QDir::AllEntries | QDir::Hidden |
                                                              QDir::System | QDir::NoDotAndDotDot));
        const auto match = std::find_if(names->begin(), names->end(), [&](const QString& name) {
            return name.compare(part, Qt::CaseInsensitive) == 0;
        });
        if (match == names->end())
            return {};
        found += u'/' + *match;
    }
    return found == path ? QString() : found;
}

QString TLinkChecker::Relative(const QString& path) const {
    return IsInside(path, root_) ? path.mid(root_.size() + 1) : path;
}

void TLinkChecker::Report(const TPlace& place, const QString& reason) {
    ++totals_.Problems;
    if (report_)
        report_({place.Page, place.Line, place.Column, place.Link, reason});
}
