#include "app/PreprocessText.h"

#include "common/GlyphErrors.h"
#include "common/SiteFiles.h"
#include "editor/TGlyphEditStringList.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringMatcher>
#include <QStringView>
#include <array>
#include <vector>

namespace {

// One macro; the matcher is kept with it so that a long text pays for the name's search table
// once, not once a line.
struct TDefinition {
    QString Name;
    QString Value;
    QStringMatcher Matcher;
};

// Which pairs of adjacent characters, without regard to case, a line holds (hashed, so a few
// pairs not in the line may count as present). Most definitions can be passed over on this
// alone, which keeps a long text with many definitions fast.
class TCharPairs {
public:
    explicit TCharPairs(QStringView text) {
        bits_.fill(0);
        for (qsizetype i = 1; i < text.size(); ++i) {
            const unsigned h = Hash(text[i - 1], text[i]);
            bits_[h / 64] |= quint64(1) << (h % 64);
        }
    }

    // Whether every pair of Name is there, so that Name may be.
    bool MayHold(QStringView name) const {
        for (qsizetype i = 1; i < name.size(); ++i) {
            const unsigned h = Hash(name[i - 1], name[i]);
            if (!(bits_[h / 64] & (quint64(1) << (h % 64))))
                return false;
        }
        return true;
    }

private:
    static unsigned Fold(QChar c) {
        const char16_t u = c.unicode();
        if (u < 128)
            return u >= u'A' && u <= u'Z' ? u + 32u : u;
        return c.toCaseFolded().unicode();
    }
    static unsigned Hash(QChar a, QChar b) { return (Fold(a) * 31u + Fold(b)) % 4096u; }

    std::array<quint64, 64> bits_;
};

// The definitions of one run, in the order they were first set; names ignore case.
class TDefinitions {
public:
    void Set(const QString& name, const QString& value) {
        if (value.isEmpty()) {
            Remove(name);
            return;
        }
        if (TDefinition* d = Find(name)) {
            d->Value = value;
            return;
        }
        list_.push_back({name, value, QStringMatcher(name, Qt::CaseInsensitive)});
    }

    void Remove(const QString& name) {
        std::erase_if(list_, [&](const TDefinition& d) {
            return d.Name.compare(name, Qt::CaseInsensitive) == 0;
        });
    }

    // Characters read widen the work replacing may do.
    void AllowFor(qsizetype characters) { allowed_ += characters * PreprocessWorkPerCharacter; }

    // Every occurrence of every name, in list order; a value may hold a later name.
    void Replace(QString& line) const {
        TCharPairs pairs(line);
        for (const TDefinition& d : list_) {
            if (d.Name.isEmpty() || !pairs.MayHold(d.Name))
                continue;
            // Built in one pass: replacing in place would move the rest of a long line once
            // for every occurrence.
            QString result;
            qsizetype from = 0;
            for (qsizetype at; (at = d.Matcher.indexIn(line, from)) >= 0;
                 from = at + d.Name.size()) {
                result += QStringView(line).sliced(from, at - from);
                result += d.Value;
                Spend(d.Value.size());
            }
            if (from > 0) {
                result += QStringView(line).sliced(from);
                line = result;
                Spend(line.size());
                pairs = TCharPairs(line);
            }
        }
    }

private:
    // Definitions that hold each other twice over double in size at each step, so a short
    // text could grow past any memory or time; such a text stops with an error instead.
    void Spend(qsizetype characters) const {
        work_ += characters;
        if (work_ > allowed_)
            throw EGlyphError(QStringLiteral("Preprocessed text too large."));
    }

    mutable qsizetype work_ = 0;
    qsizetype allowed_ = MaxPreprocessWork;

    TDefinition* Find(const QString& name) {
        for (TDefinition& d : list_) {
            if (d.Name.size() == name.size() && d.Name.compare(name, Qt::CaseInsensitive) == 0)
                return &d;
        }
        return nullptr;
    }

    std::vector<TDefinition> list_;
};

// Text split at its first space; with no space both parts are the whole text.
std::pair<QString, QString> SplitAtSpace(const QString& text) {
    const qsizetype space = text.indexOf(u' ');
    if (space < 0)
        return {text, text};
    return {text.left(space), text.mid(space + 1)};
}

QString WithoutLeadingBlanks(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    return text.mid(i);
}

// The text between the quotes of "name", a doubled quote inside standing for one; empty when
// Text is not quoted.
QString QuotedName(const QString& text) {
    if (text.size() < 2 || !text.startsWith(u'"'))
        return {};
    QString name;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text.at(i) != u'"') {
            name += text.at(i);
        } else if (i + 1 < text.size() && text.at(i + 1) == u'"') {
            name += u'"';
            ++i;
        } else {
            return name;
        }
    }
    return {};
}

class TPreprocessor {
public:
    TPreprocessor(const QString& fileName, const QDateTime& now) : site_(SiteOf(fileName)) {
        const QLocale locale;
        defs_.Set("$Time$", locale.toString(now.time(), QLocale::LongFormat));
        defs_.Set("$DateTime$", locale.toString(now.date(), QLocale::ShortFormat) + u' ' +
                                    locale.toString(now.time(), QLocale::LongFormat));
        defs_.Set("$Date$", locale.toString(now.date(), QLocale::ShortFormat));
    }

    void Process(const QStringList& lines, const QString& fileName, int depth) {
        for (const QString& line : lines)
            defs_.AllowFor(line.size());
        const QFileInfo file(fileName);
        const QString folder = fileName.contains(u'/') ? file.path() + u'/' : QString();
        const QString suffix = file.suffix();
        for (QString line : lines) {
            defs_.Set("$FileName$", file.fileName());
            defs_.Set("$FilePath$", folder);
            defs_.Set("$FileExt$", suffix.isEmpty() ? QString() : u'.' + suffix);
            if (!RunDirective(line, folder, depth)) {
                defs_.Replace(line);
                out_ += line;
                out_ += QLatin1String("\r\n");
            }
        }
    }

    QString Result() const { return out_; }

private:
    // Carries out the directive Line holds; false when it holds none. The directive's word and
    // the name it defines are read as written, so that "#undef NAME" and a second "#define NAME"
    // still name NAME once it is defined; the value and the included file get the macros.
    bool RunDirective(const QString& line, const QString& folder, int depth) {
        const QString text = WithoutLeadingBlanks(line);
        if (!text.startsWith(u'#'))
            return false;
        const auto [word, rest] = SplitAtSpace(WithoutLeadingBlanks(text.mid(1)));
        if (word.compare(QLatin1String("define"), Qt::CaseInsensitive) == 0) {
            const QString definition = WithoutLeadingBlanks(rest);
            auto [name, value] = SplitAtSpace(definition);
            if (name != definition)
                defs_.Replace(value);
            defs_.Set(name, value);
        } else if (word.compare(QLatin1String("undef"), Qt::CaseInsensitive) == 0) {
            defs_.Remove(SplitAtSpace(WithoutLeadingBlanks(rest)).first);
        } else if (word.compare(QLatin1String("include"), Qt::CaseInsensitive) == 0) {
            QString file = rest;
            defs_.Replace(file);
            const QString name = QuotedName(file.trimmed());
            if (name.isEmpty())
                throw EGlyphFileError(QStringLiteral("Cannot open file \"%1\". An include names "
                                                     "its file in double quotes.")
                                          .arg(file.trimmed()));
            Include(QDir(folder).filePath(name), depth + 1);
        } else {
            return false;
        }
        return true;
    }

    void Include(const QString& name, int depth) {
        const QString fileName = QDir::cleanPath(QFileInfo(name).absoluteFilePath());
        if (depth > MaxIncludeDepth)
            throw EGlyphError("Include nested too deeply: " + fileName);
        TGlyphEditStringList lines;
        QBuffer bytes;
        bytes.setData(ReadIncluded(fileName));
        bytes.open(QIODevice::ReadOnly);
        lines.LoadStream(bytes);
        QStringList texts;
        texts.reserve(lines.LineCount());
        for (int i = 0; i < lines.LineCount(); ++i)
            texts << lines.GetLine(i);
        Process(texts, fileName, depth);
    }

    // The bytes of an included file, which must be a file the page's site may show.
    QByteArray ReadIncluded(const QString& fileName) {
        const TSiteFile opened = OpenSiteFile(site_, fileName);
        if (opened.Missing)
            throw EGlyphFileError(
                QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, opened.Refusal));
        const auto refuse = [&](const QString& reason) {
            throw EGlyphError(QStringLiteral("Cannot include \"%1\": %2.").arg(fileName, reason));
        };
        if (opened.Fd < 0)
            refuse(opened.Refusal);
        QFile file;
        file.open(opened.Fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
        // The size is read again: the file may have grown since it was opened.
        const QByteArray bytes = file.read(MaxIncludeBytes + 1);
        if (bytes.size() > MaxIncludeBytes)
            refuse(QStringLiteral("it is larger than %1 MB").arg(MaxIncludeBytes >> 20));
        // A page that includes a large file many times would otherwise fill the memory.
        included_ += bytes.size();
        if (included_ > MaxIncludeBytes)
            refuse(QStringLiteral("the included files are larger than %1 MB together")
                       .arg(MaxIncludeBytes >> 20));
        if (file.error() != QFileDevice::NoError)
            throw EGlyphFileError(
                QStringLiteral("Cannot read file \"%1\". %2").arg(fileName, file.errorString()));
        return bytes;
    }

    TSite site_;
    qint64 included_ = 0; // bytes read from included files so far
    TDefinitions defs_;
    QString out_;
};

} // namespace

QString PreprocessText(const QString& text, const QString& fileName, const QDateTime& now) {
    TPreprocessor preprocessor(fileName, now);
    // Lines end at CR LF, LF or CR; a text that ends with a line break has no empty line after
    // it, and an empty text has no line.
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines << text.mid(start);
    preprocessor.Process(lines, fileName, 0);
    return preprocessor.Result();
}
