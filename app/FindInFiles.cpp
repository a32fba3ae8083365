#include "app/FindInFiles.h"

#include "common/FileUtils.h"
#include "common/GlyphErrors.h"
#include "editor/TGlyphEditStringList.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QThread>
#include <QThreadPool>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool HasUtf16Mark(const QByteArray& bytes) {
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

// The ASCII letters some character beyond ASCII folds onto (the Kelvin sign onto k): a
// pattern holding one of them may match text that is not ASCII where it matches.
const std::array<bool, 128>& AmbiguousFolds() {
    static const std::array<bool, 128> table = [] {
        std::array<bool, 128> t{};
        const char16_t* lower = GlyphSearchTables::LowerCaseTable();
        for (int c = 0x80; c < 0x10000; ++c) {
            if (lower[c] < 0x80)
                t[lower[c]] = true;
        }
        return t;
    }();
    return table;
}

// Where a quantifier after an atom leaves it: absent, or present once or more.
enum class TQuantifier { None, Optional, Repeated, Unsure };

// Reads a quantifier at `at`, moving past it and the lazy or possessive mark after it.
TQuantifier ReadQuantifier(const QString& pattern, qsizetype& at) {
    const qsizetype n = pattern.size();
    if (at >= n)
        return TQuantifier::None;
    TQuantifier kind = TQuantifier::None;
    const QChar c = pattern[at];
    if (c == u'?' || c == u'*') {
        kind = TQuantifier::Optional;
        ++at;
    } else if (c == u'+') {
        kind = TQuantifier::Repeated;
        ++at;
    } else if (c == u'{') {
        qsizetype p = at + 1;
        qsizetype digits = p;
        while (p < n && pattern[p].isDigit() && pattern[p].unicode() < 128)
            ++p;
        if (p == digits)
            return TQuantifier::Unsure; // "{" standing for itself, or a newer form
        const bool zero = QStringView(pattern).sliced(digits, p - digits).toInt() == 0;
        if (p < n && pattern[p] == u',') {
            ++p;
            while (p < n && pattern[p].isDigit() && pattern[p].unicode() < 128)
                ++p;
        }
        if (p >= n || pattern[p] != u'}')
            return TQuantifier::Unsure;
        at = p + 1;
        kind = zero ? TQuantifier::Optional : TQuantifier::Repeated;
    } else {
        return TQuantifier::None;
    }
    if (at < n && (pattern[at] == u'?' || pattern[at] == u'+'))
        ++at;
    return kind;
}

// Moves past a character class opening at `at`; false when it does not end.
bool SkipClass(const QString& pattern, qsizetype& at) {
    const qsizetype n = pattern.size();
    qsizetype p = at + 1;
    if (p < n && pattern[p] == u'^')
        ++p;
    if (p < n && pattern[p] == u']')
        ++p;
    for (; p < n; ++p) {
        if (pattern[p] == u'\\') {
            ++p;
        } else if (pattern[p] == u'[' && p + 1 < n && pattern[p + 1] == u':') {
            const qsizetype end = pattern.indexOf(QStringLiteral(":]"), p + 2);
            if (end < 0)
                return false;
            p = end + 1;
        } else if (pattern[p] == u']') {
            at = p + 1;
            return true;
        }
    }
    return false;
}

// Moves past a group opening at `at`; false when it does not end.
bool SkipGroup(const QString& pattern, qsizetype& at) {
    int depth = 0;
    for (qsizetype p = at; p < pattern.size(); ++p) {
        const QChar c = pattern[p];
        if (c == u'\\') {
            ++p;
        } else if (c == u'[') {
            if (!SkipClass(pattern, p))
                return false;
            --p;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')' && --depth == 0) {
            at = p + 1;
            return true;
        }
    }
    return false;
}

// The longest run of printable ASCII characters that every match of a regular expression
// holds in a row: a file whose bytes lack it holds no match, and only the lines that hold it
// need the expression. Empty when the pattern goes beyond this simple reading (alternatives,
// options set inside it, quoting, verbs), so that nothing is ever left unsearched wrongly.
QByteArray RequiredLiteral(const QString& pattern) {
    QByteArray best;
    QByteArray run;
    const auto endRun = [&] {
        if (run.size() > best.size())
            best = run;
        run.clear();
    };
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = pattern[i];
        QChar literal;
        if (c == u'\\') {
            if (i + 1 >= n)
                return {};
            const QChar d = pattern[i + 1];
            if (d.unicode() < 128 && d.isLetterOrNumber()) {
                // Classes, anchors and back references hold no literal; the escapes that
                // name characters or quote text are left to the expression itself.
                if (QStringLiteral("QEKxcoupPgkN").contains(d))
                    return {};
                endRun();
                i += 2;
                if (ReadQuantifier(pattern, i) == TQuantifier::Unsure)
                    return {};
                continue;
            }
            literal = d;
            i += 2;
        } else if (c == u'[' || c == u'(') {
            if (c == u'(' && i + 1 < n &&
                (pattern[i + 1] == u'*' || (pattern[i + 1] == u'?' && i + 2 < n &&
                                            !QStringLiteral(":=!<").contains(pattern[i + 2]))))
                return {};
            endRun();
            if (!(c == u'[' ? SkipClass(pattern, i) : SkipGroup(pattern, i)))
                return {};
            if (ReadQuantifier(pattern, i) == TQuantifier::Unsure)
                return {};
            continue;
        } else if (c == u'.' || c == u'^' || c == u'$') {
            endRun();
            ++i;
            if (ReadQuantifier(pattern, i) == TQuantifier::Unsure)
                return {};
            continue;
        } else if (QStringLiteral("|)*+?{").contains(c)) {
            return {};
        } else {
            literal = c;
            ++i;
        }
        const TQuantifier quantifier = ReadQuantifier(pattern, i);
        if (quantifier == TQuantifier::Unsure)
            return {};
        const char16_t u = literal.unicode();
        if (quantifier == TQuantifier::Optional || u < 0x20 || u >= 0x7F) {
            endRun();
            continue;
        }
        run += char(u);
        // Repeated, it is there at least once, but what follows need not come right after it.
        if (quantifier == TQuantifier::Repeated)
            endRun();
    }
    endRun();
    return best;
}

// Every file of a search passes through the loops below, so they look at sixteen bytes at a
// time where the processor allows it (the compiler does not vectorise them at the
// optimisation level the program is built with).
#if defined(__SSE2__)
__m128i Load(const char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
#endif

bool HasHighByte(QByteArrayView bytes) {
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype i = 0;
#if defined(__SSE2__)
    for (; i + 64 <= n; i += 64) {
        const __m128i any = _mm_or_si128(_mm_or_si128(Load(p + i), Load(p + i + 16)),
                                         _mm_or_si128(Load(p + i + 32), Load(p + i + 48)));
        if (_mm_movemask_epi8(any) != 0)
            return true;
    }
#endif
    for (; i < n; ++i) {
        if (uchar(p[i]) >= 0x80)
            return true;
    }
    return false;
}

// How many bytes equal a or b.
qsizetype CountBytes(QByteArrayView bytes, char a, char b) {
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype count = 0;
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i wantA = _mm_set1_epi8(a);
    const __m128i wantB = _mm_set1_epi8(b);
    while (i + 16 <= n) {
        // Each byte lane counts to at most 255 before the lanes are summed.
        __m128i lanes = _mm_setzero_si128();
        for (int round = 0; round < 255 && i + 16 <= n; ++round, i += 16) {
            const __m128i v = Load(p + i);
            lanes = _mm_sub_epi8(lanes,
                                 _mm_or_si128(_mm_cmpeq_epi8(v, wantA), _mm_cmpeq_epi8(v, wantB)));
        }
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        count += _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
    }
#endif
    for (; i < n; ++i)
        count += p[i] == a || p[i] == b;
    return count;
}

// The first place at or after `from` where the needle stands in the haystack; with `folded`,
// ASCII letters are compared without regard to case (the needle is lower case already). -1
// when it stands nowhere.
qsizetype FindNeedle(QByteArrayView haystack, QByteArrayView needle, qsizetype from, bool folded) {
    const qsizetype m = needle.size();
    const qsizetype n = haystack.size();
    if (m == 0)
        return from <= n ? from : -1;
    if (from < 0 || n - from < m)
        return -1;
    const char* h = haystack.data();
    const char* w = needle.data();
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
    const auto standsAt = [&](qsizetype at) {
        if (!folded)
            return std::memcmp(h + at, w, size_t(m)) == 0;
        for (qsizetype k = 0; k < m; ++k) {
            if (fold(h[at + k]) != w[k])
                return false;
        }
        return true;
    };
    qsizetype i = from;
#if defined(__SSE2__)
    // Places where both the first and the last byte fit are tried; setting bit 5 folds
    // letters and merely lets a few other bytes through to the full comparison.
    const char caseBit = folded ? 0x20 : 0;
    const __m128i fold16 = _mm_set1_epi8(caseBit);
    const __m128i first = _mm_set1_epi8(char(w[0] | caseBit));
    const __m128i last = _mm_set1_epi8(char(w[m - 1] | caseBit));
    for (; i + m - 1 + 16 <= n; i += 16) {
        const __m128i a = _mm_cmpeq_epi8(_mm_or_si128(Load(h + i), fold16), first);
        const __m128i b = _mm_cmpeq_epi8(_mm_or_si128(Load(h + i + m - 1), fold16), last);
        for (unsigned bits = unsigned(_mm_movemask_epi8(_mm_and_si128(a, b))); bits != 0;
             bits &= bits - 1) {
            const qsizetype at = i + __builtin_ctz(bits);
            if (standsAt(at))
                return at;
        }
    }
#endif
    for (; i + m <= n; ++i) {
        if (standsAt(i))
            return i;
    }
    return -1;
}

// Reads a regular file opened at `name` below `folderFd` (AT_FDCWD for a full path) without
// following a final link and without blocking; it must still be the file the walk found.
// Answers the reason it cannot, or nothing.
std::optional<QString> ReadFileAt(int folderFd, const char* name, dev_t device, ino_t inode,
                                  QByteArray& bytes, struct stat& st) {
    const int fd = ::openat(folderFd, name, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return QStringLiteral("It cannot be opened: %1.").arg(SystemError(errno));
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    if (::fstat(fd, &st) != 0)
        return QStringLiteral("It cannot be examined: %1.").arg(SystemError(errno));
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("It is not a regular file.");
    if (st.st_dev != device || st.st_ino != inode)
        return QStringLiteral("It was replaced by another file while it was searched.");
    if (st.st_size > FindInFilesMaxFileSize)
        return QStringLiteral("It is larger than 64 MB.");
    // The size may change while it is read: read to the end, never past the limit.
    bytes.resize(qsizetype(st.st_size));
    qsizetype done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (bytes.size() > FindInFilesMaxFileSize)
                return QStringLiteral("It is larger than 64 MB.");
            bytes.resize(bytes.size() + 4096);
        }
        const ssize_t got = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return QStringLiteral("It cannot be read: %1.").arg(SystemError(errno));
        if (got == 0)
            break;
        done += got;
    }
    bytes.truncate(done);
    return std::nullopt;
}

// Opens the folder of a real path one name at a time, refusing every link on the way, so a
// folder swapped for a link after the walk can never lead a write elsewhere.
int OpenFolderOf(const QByteArray& realPath, QByteArray& name) {
    const QList<QByteArray> parts = realPath.split('/');
    if (parts.size() < 2 || !parts.first().isEmpty())
        throw EGlyphFileError(QStringLiteral("Its path is not a full path."));
    int fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (qsizetype i = 1; fd >= 0 && i + 1 < parts.size(); ++i) {
        const int next =
            ::openat(fd, parts[i].constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int error = errno;
        ::close(fd);
        fd = next;
        errno = error;
    }
    if (fd < 0)
        throw EGlyphFileError(
            QStringLiteral("Its folder cannot be reached without following a link: %1.")
                .arg(SystemError(errno)));
    name = parts.last();
    return fd;
}

// Writes bytes to `name` in the folder through a new file beside it that replaces it only once
// it is complete, with the owner and mode given. A link standing at `name` is replaced, never
// followed.
void WriteFileAt(int folderFd, const QByteArray& name, const QByteArray& bytes,
                 const struct stat& like) {
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
        temp = '.' + name.left(64) + ".~glyphon" +
               QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::openat(folderFd, temp.constData(),
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        throw EGlyphFileError(SystemError(errno));
    const auto fail = [&](int error) {
        ::close(fd);
        ::unlinkat(folderFd, temp.constData(), 0);
        throw EGlyphFileError(SystemError(error));
    };
    if (const int error = WriteAllToDescriptor(fd, bytes); error != 0)
        fail(error);
    // The owner first: changing it clears the set-id bits the mode then puts back. Only the
    // superuser may give a file away, so a failure leaves the writer as owner.
    if (::fchown(fd, like.st_uid, like.st_gid) != 0) {
        // not fatal
    }
    if (::fchmod(fd, like.st_mode & 07777) != 0 || ::fsync(fd) != 0)
        fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlinkat(folderFd, temp.constData(), 0);
        throw EGlyphFileError(SystemError(error));
    }
    if (::renameat(folderFd, temp.constData(), folderFd, name.constData()) != 0) {
        const int error = errno;
        ::unlinkat(folderFd, temp.constData(), 0);
        throw EGlyphFileError(SystemError(error));
    }
}

void LoadLines(TGlyphEditStringList& lines, const QByteArray& bytes) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    lines.LoadStream(buffer);
}

} // namespace

bool LooksBinary(const QByteArray& bytes) {
    if (HasUtf16Mark(bytes))
        return false;
    return std::memchr(bytes.constData(), 0, size_t(std::min(bytes.size(), BinaryProbeSize)));
}

// ---- Matching lines ----

TLineMatcher::TLineMatcher(const TFindInFilesOptions& options) : regex_(options.RegularExpression) {
    if (options.Text.isEmpty()) {
        error_ = QStringLiteral("There is no text to find.");
        return;
    }
    if (regex_) {
        // Whole words: no word character may touch the match on either side.
        const QString pattern = options.WholeWords
                                    ? QStringLiteral("(?<!\\w)(?:%1)(?!\\w)").arg(options.Text)
                                    : options.Text;
        QRegularExpression::PatternOptions flags = QRegularExpression::UseUnicodePropertiesOption;
        if (!options.MatchCase)
            flags |= QRegularExpression::CaseInsensitiveOption;
        expression_ = QRegularExpression(pattern, flags);
        if (!expression_.isValid())
            error_ = QStringLiteral("The regular expression is not valid: %1 (at character %2).")
                         .arg(expression_.errorString())
                         .arg(expression_.patternErrorOffset() + 1);
        else
            expression_.optimize();
        // Lines are cut and decoded only around the bytes every match must hold.
        const QByteArray literal = RequiredLiteral(options.Text);
        if (literal.size() < MinRequiredLiteral)
            return;
        needle_ = true;
        if (options.MatchCase) {
            exactNeedles_ << literal;
            return;
        }
        foldedNeedle_ = literal.toLower();
        // Ignoring case, the expression also takes the Kelvin sign for k and the long s for s.
        foldedAmbiguous_ = std::any_of(foldedNeedle_.begin(), foldedNeedle_.end(), [](char c) {
            return c == 'k' || c == 's' || AmbiguousFolds()[uchar(c)];
        });
        return;
    }
    needle_ = true;
    engine_.SetPattern(options.Text);
    engine_.SetMatchCase(options.MatchCase);
    engine_.SetWholeWord(options.WholeWords);
    if (options.MatchCase) {
        exactNeedles_ << options.Text.toUtf8();
        if (const auto cp1252 = EncodeTextAs(options.Text, TTextEncoding::Windows1252);
            cp1252 && *cp1252 != exactNeedles_.first())
            exactNeedles_ << *cp1252;
        return;
    }
    const char16_t* lower = GlyphSearchTables::LowerCaseTable();
    for (QChar c : options.Text) {
        const char16_t folded = lower[c.unicode()];
        if (folded >= 0x80) {
            foldedNonAscii_ = true;
            continue;
        }
        foldedNeedle_ += char(folded);
        foldedAmbiguous_ = foldedAmbiguous_ || AmbiguousFolds()[folded];
    }
}

QList<std::pair<int, int>> TLineMatcher::Matches(const QString& line) {
    QList<std::pair<int, int>> found;
    if (regex_) {
        QRegularExpressionMatchIterator it = expression_.globalMatch(line);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            found.append({int(m.capturedStart()), int(m.capturedLength())});
        }
        return found;
    }
    const int length = int(engine_.Pattern().size());
    const int count = engine_.FindAllInLine(line);
    for (int i = 0; i < count; ++i)
        found.append({engine_.MatchAt(i) - 1, length});
    return found;
}

QList<std::pair<int, int>> TLineMatcher::Matches(QStringView line) {
    if (!regex_)
        return Matches(line.toString());
    QList<std::pair<int, int>> found;
    // Most lines hold no match: one attempt tells, before the iteration is set up.
    if (!expression_.match(line).hasMatch())
        return found;
    QRegularExpressionMatchIterator it = expression_.globalMatch(line);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        found.append({int(m.capturedStart()), int(m.capturedLength())});
    }
    return found;
}

bool TLineMatcher::PicksCandidates(bool highBytes) const {
    if (!needle_ || foldedNonAscii_)
        return false;
    return !exactNeedles_.isEmpty() || !foldedAmbiguous_ || !highBytes;
}

qsizetype TLineMatcher::NextCandidate(QByteArrayView utf8, qsizetype from) const {
    if (!exactNeedles_.isEmpty())
        return FindNeedle(utf8, exactNeedles_.first(), from, false);
    return FindNeedle(utf8, foldedNeedle_, from, true);
}

QString TLineMatcher::Replaced(const QString& line, const QString& replacement, int& count) {
    const QList<std::pair<int, int>> matches = Matches(line);
    count = int(matches.size());
    if (count == 0)
        return line;
    if (regex_) {
        QString result = line;
        return result.replace(expression_, replacement);
    }
    QString result;
    result.reserve(line.size() + count * (replacement.size() - matches.first().second));
    int from = 0;
    for (const auto& [start, length] : matches) {
        result += QStringView(line).mid(from, start - from);
        result += replacement;
        from = start + length;
    }
    result += QStringView(line).mid(from);
    return result;
}

bool TLineMatcher::MayMatch(const QByteArray& bytes) const {
    if (!needle_ || HasUtf16Mark(bytes))
        return true;
    if (!exactNeedles_.isEmpty()) {
        return std::any_of(
            exactNeedles_.begin(), exactNeedles_.end(),
            [&](const QByteArray& needle) { return FindNeedle(bytes, needle, 0, false) >= 0; });
    }
    // Folded text beyond ASCII is only ever matched by text beyond ASCII.
    if (foldedNonAscii_)
        return HasHighByte(bytes);
    if (FindNeedle(bytes, foldedNeedle_, 0, true) >= 0)
        return true;
    return foldedAmbiguous_ && HasHighByte(bytes);
}

// ---- One file ----

namespace {

// A line of UTF-8 as the line store decodes it: a U+FEFF at its start is a character of it.
QString DecodeUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

bool IsBreak(char c) {
    return c == '\r' || c == '\n';
}

// The line breaks in bytes that start a line and end one: CR LF counts once.
qsizetype CountBreaks(QByteArrayView bytes) {
    const char* p = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype breaks = CountBytes(bytes, '\n', '\r');
    for (const char* cr = p;
         (cr = static_cast<const char*>(std::memchr(cr, '\r', size_t(p + n - cr)))); ++cr) {
        if (cr + 1 < p + n && cr[1] == '\n')
            --breaks;
    }
    return breaks;
}

void AddLineMatches(TFileFindings& findings, TLineMatcher& matcher, const QString& line,
                    qsizetype lineNumber) {
    for (const auto& [start, length] : matcher.Matches(QStringView(line))) {
        ++findings.Matches;
        if (findings.Rows.size() < TResultsPane::MaxRows)
            findings.Rows << ResultExcerpt(
                TResultRow{findings.FileName, int(lineNumber), start + 1, {}, -1, 0}, line, start,
                length);
    }
}

// UTF-8 cut at CR LF, a lone CR and a lone LF, as the line store cuts it. With a plain pattern
// only the lines its bytes point at are decoded; otherwise the text is decoded once and each
// line is matched where it lies.
void SearchUtf8(TFileFindings& findings, QByteArrayView body, TLineMatcher& matcher,
                bool highBytes) {
    if (matcher.PicksCandidates(highBytes)) {
        qsizetype lineNumber = 1;
        qsizetype counted = 0; // the breaks before this place are in lineNumber
        for (qsizetype at = matcher.NextCandidate(body, 0); at >= 0;) {
            qsizetype start = at;
            while (start > counted && !IsBreak(body[start - 1]))
                --start;
            qsizetype end = at;
            while (end < body.size() && !IsBreak(body[end]))
                ++end;
            lineNumber += CountBreaks(body.sliced(counted, start - counted));
            counted = start;
            AddLineMatches(findings, matcher, DecodeUtf8(body.sliced(start, end - start)),
                           lineNumber);
            if (end >= body.size())
                break;
            at = matcher.NextCandidate(body, end);
        }
        return;
    }
    const QString text = DecodeUtf8(body);
    const QChar* p = text.constData();
    const qsizetype n = text.size();
    qsizetype lineNumber = 1;
    for (qsizetype start = 0; start < n;) {
        qsizetype end = start;
        while (end < n && p[end] != u'\r' && p[end] != u'\n')
            ++end;
        const QStringView line(p + start, end - start);
        if (!matcher.Matches(line).isEmpty())
            AddLineMatches(findings, matcher, line.toString(), lineNumber);
        if (end < n && p[end] == u'\r' && end + 1 < n && p[end + 1] == u'\n')
            ++end;
        start = end + 1;
        ++lineNumber;
    }
}

} // namespace

TFileFindings SearchFileBytes(const QString& fileName, const QByteArray& bytes,
                              TLineMatcher& matcher) {
    if (!matcher.MayMatch(bytes)) {
        TFileFindings findings;
        findings.FileName = fileName;
        return findings;
    }
    // What Open reads as UTF-8: no UTF-16 mark, and valid UTF-8 after a UTF-8 mark (skipped).
    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    // Bytes below 0x80 alone are valid UTF-8, and far quicker to tell.
    const bool highBytes = HasHighByte(body);
    if (HasUtf16Mark(bytes) || (highBytes && !body.isValidUtf8()))
        return SearchFileLines(fileName, bytes, matcher);
    TFileFindings findings;
    findings.FileName = fileName;
    SearchUtf8(findings, body, matcher, highBytes);
    return findings;
}

TFileFindings SearchFileLines(const QString& fileName, const QByteArray& bytes,
                              TLineMatcher& matcher) {
    TFileFindings findings;
    findings.FileName = fileName;
    TGlyphEditStringList lines;
    try {
        LoadLines(lines, bytes);
    } catch (const EGlyphError& e) {
        findings.SkipReason = e.Message();
        return findings;
    }
    for (int i = 0; i < lines.LineCount(); ++i)
        AddLineMatches(findings, matcher, lines.GetLine(i), i + 1);
    return findings;
}

int ReplaceInFile(const TFileFindings& file, const TFindInFilesOptions& options,
                  TLineMatcher& matcher) {
    QByteArray name;
    const int folderFd = OpenFolderOf(file.RealPath, name);
    const auto closeFolder = qScopeGuard([folderFd] { ::close(folderFd); });
    QByteArray bytes;
    struct stat st {};
    if (const auto reason =
            ReadFileAt(folderFd, name.constData(), file.Device, file.Inode, bytes, st))
        throw EGlyphFileError(*reason);
    if (LooksBinary(bytes))
        throw EGlyphFileError(QStringLiteral("It is a binary file."));
    if ((st.st_mode & 0222) == 0 || ::faccessat(folderFd, name.constData(), W_OK, 0) != 0)
        throw EGlyphFileError(QStringLiteral("It is read-only."));

    TGlyphEditStringList lines;
    LoadLines(lines, bytes);
    int total = 0;
    for (int i = 0; i < lines.LineCount(); ++i) {
        int count = 0;
        const QString line = lines.GetLine(i);
        const QString replaced = matcher.Replaced(line, options.Replacement, count);
        if (count > 0 && replaced != line)
            lines.SetLine(i, replaced);
        total += count;
    }
    if (total == 0)
        return 0;
    if (!lines.CanEncodeAs(lines.Encoding()))
        throw EGlyphFileError(
            QStringLiteral("The replacement cannot be stored in %1, the file's encoding.")
                .arg(TextEncodingName(lines.Encoding(), false)));
    const QByteArray changed = lines.SaveToBytes();
    const QByteArray backup = QFile::encodeName(BackupFileName(QFile::decodeName(name)));
    try {
        WriteFileAt(folderFd, backup, bytes, st);
    } catch (const EGlyphError& e) {
        throw EGlyphFileError(QStringLiteral("Its backup cannot be written: %1.").arg(e.Message()));
    }
    try {
        WriteFileAt(folderFd, name, changed, st);
    } catch (const EGlyphError& e) {
        throw EGlyphFileError(QStringLiteral("It cannot be written: %1.").arg(e.Message()));
    }
    return total;
}

// ---- The worker ----

TFindInFilesWorker::TFindInFilesWorker(QObject* parent) : QObject(parent) {
    qRegisterMetaType<TFileFindings>();
    qRegisterMetaType<QList<TFileFindings>>();
    qRegisterMetaType<TFilesTotals>();
}

TFindInFilesWorker::~TFindInFilesWorker() {
    Cancel();
    Wait();
}

void TFindInFilesWorker::Cancel() {
    cancel_ = true;
}

bool TFindInFilesWorker::Running() const {
    return thread_ && thread_->isRunning();
}

void TFindInFilesWorker::Wait() {
    if (thread_)
        thread_->wait();
}

void TFindInFilesWorker::Start(std::function<void()> work) {
    Cancel();
    Wait();
    cancel_ = false;
    thread_.reset(QThread::create(std::move(work)));
    thread_->start(QThread::LowPriority);
}

void TFindInFilesWorker::StartFind(const TFindInFilesOptions& options) {
    Start([this, options] { RunFind(options); });
}

void TFindInFilesWorker::StartReplace(const TFindInFilesOptions& options,
                                      const QList<TFileFindings>& files, TKeepOut keepOut) {
    Start([this, options, files, keepOut = std::move(keepOut)] {
        RunReplace(options, files, keepOut);
    });
}

namespace {

// A file the walk found, or a name it passed over with the reason.
struct TWalkItem {
    TWalkedFile File;
    QString SkipReason;
};

// Reads and searches one file the walk found; SkipReason tells why it was passed over.
TFileFindings SearchWalkedFile(const TWalkedFile& file, TLineMatcher& matcher) {
    QByteArray bytes;
    struct stat st {};
    std::optional<QString> reason;
    if (file.Size > FindInFilesMaxFileSize)
        reason = QStringLiteral("It is larger than 64 MB.");
    else
        reason =
            ReadFileAt(AT_FDCWD, file.RealPath.constData(), file.Device, file.Inode, bytes, st);
    if (!reason && LooksBinary(bytes))
        reason = QStringLiteral("It is a binary file.");
    TFileFindings findings;
    if (reason) {
        findings.FileName = file.FileName;
        findings.SkipReason = *reason;
        return findings;
    }
    findings = SearchFileBytes(file.FileName, bytes, matcher);
    findings.RealPath = file.RealPath;
    findings.Device = file.Device;
    findings.Inode = file.Inode;
    return findings;
}

// Files go to the searching threads in batches of this many: enough to make handing them over
// cheap, few enough that results show soon and every core stays busy to the end.
constexpr qsizetype FilesPerBatch = 32;

} // namespace

void TFindInFilesWorker::RunFind(TFindInFilesOptions options) {
    TFilesTotals totals;
    if (const QString error = TLineMatcher(options).Error(); !error.isEmpty()) {
        totals.Error = error;
        emit Finished(totals);
        return;
    }
    // The walk stays on this thread; the files are read and searched on every core, and what
    // they hold is reported in the order the walk found them.
    QThreadPool pool;
    pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    pool.setThreadPriority(QThread::LowPriority);
    using TBatchFindings = QList<TFileFindings>;
    std::deque<std::future<TBatchFindings>> searching;
    const size_t maxSearching = size_t(pool.maxThreadCount()) * 4;

    QList<TFileFindings> batch;
    QElapsedTimer sinceReport;
    sinceReport.start();
    QString current;
    const auto report = [&](bool always) {
        if (!always && batch.size() < 256 && sinceReport.elapsed() < 100)
            return;
        if (!batch.isEmpty())
            emit Found(batch);
        batch.clear();
        emit Progress(totals.FilesSearched, current);
        sinceReport.restart();
    };
    const auto take = [&](TBatchFindings found) {
        for (TFileFindings& findings : found) {
            current = findings.FileName;
            if (!findings.SkipReason.isEmpty()) {
                ++totals.Skipped;
                batch << std::move(findings);
                continue;
            }
            ++totals.FilesSearched;
            if (findings.Matches > 0) {
                ++totals.FilesMatched;
                totals.Matches += findings.Matches;
                batch << std::move(findings);
            }
        }
        report(false);
    };
    const auto collect = [&](bool all) {
        while (!searching.empty() &&
               (all || searching.size() >= maxSearching ||
                searching.front().wait_for(std::chrono::seconds(0)) == std::future_status::ready)) {
            take(searching.front().get());
            searching.pop_front();
        }
    };
    QList<TWalkItem> items;
    const auto submit = [&] {
        if (items.isEmpty())
            return;
        auto task = std::make_shared<std::packaged_task<TBatchFindings()>>(
            [this, &options, items = std::exchange(items, {})] {
                TLineMatcher matcher(options);
                TBatchFindings found;
                for (const TWalkItem& item : items) {
                    if (cancel_)
                        break;
                    if (item.SkipReason.isEmpty()) {
                        found << SearchWalkedFile(item.File, matcher);
                        continue;
                    }
                    TFileFindings skipped;
                    skipped.FileName = item.File.FileName;
                    skipped.SkipReason = item.SkipReason;
                    found << skipped;
                }
                return found;
            });
        searching.push_back(task->get_future());
        pool.start([task] { (*task)(); });
        collect(false);
    };
    const auto add = [&](TWalkItem item) {
        items << std::move(item);
        if (items.size() >= FilesPerBatch)
            submit();
    };
    TFolderWalk walk(options.Walk, cancel_);
    const bool walked =
        !walk.Root().isEmpty() && walk.Run(
                                      [&](const TWalkedFile& file) {
                                          add({file, {}});
                                      },
                                      [&](const QString& fileName, const QString& reason) {
                                          TWalkItem item;
                                          item.File.FileName = fileName;
                                          item.SkipReason = reason;
                                          add(std::move(item));
                                      });
    submit();
    collect(true);
    if (!walked)
        totals.Error = QStringLiteral("The folder \"%1\" cannot be read.").arg(options.Walk.Folder);
    report(true);
    totals.Cancelled = cancel_;
    emit Finished(totals);
}

void TFindInFilesWorker::RunReplace(TFindInFilesOptions options, QList<TFileFindings> files,
                                    TKeepOut keepOut) {
    TFilesTotals totals;
    TLineMatcher matcher(options);
    if (!matcher.Error().isEmpty()) {
        totals.Error = matcher.Error();
        emit Finished(totals);
        return;
    }
    QList<TFileFindings> batch;
    for (const TFileFindings& file : files) {
        if (cancel_)
            break;
        TFileFindings done = file;
        done.Rows.clear();
        done.Matches = 0;
        if (const auto reason = keepOut ? keepOut(file) : std::nullopt) {
            done.SkipReason = *reason;
        } else {
            try {
                done.Matches = ReplaceInFile(file, options, matcher);
            } catch (const EGlyphError& e) {
                done.SkipReason = e.Message();
            }
        }
        ++totals.FilesSearched;
        if (!done.SkipReason.isEmpty())
            ++totals.Skipped;
        else if (done.Matches > 0)
            ++totals.FilesMatched;
        totals.Matches += done.Matches;
        batch << done;
        emit Found(batch);
        emit Progress(totals.FilesSearched, file.FileName);
        batch.clear();
    }
    totals.Cancelled = cancel_;
    emit Finished(totals);
}
