// Reading and writing files: how bytes of each encoding become lines and lines become bytes
// again, each line with its own break, so that a file opened and saved unchanged keeps its
// bytes.
#include "editor/TGlyphEditLineChunks.h"
#include "editor/TGlyphEditStringList.h"
#include "editor/TGlyphEditStringListBracket.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <sys/resource.h>
#include <sys/sysinfo.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined map to the C1
// control of the same value, so that every byte reads and writes back unchanged.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

const QByteArray Utf8Bom("\xEF\xBB\xBF");

// Encodes a line as Windows-1252; false when a character has no byte in that code page.
bool EncodeCp1252(const QString& line, QByteArray& out) {
    out.resize(line.size());
    char* dst = out.data();
    for (QChar qc : line) {
        const char16_t c = qc.unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            *dst++ = static_cast<char>(c);
            continue;
        }
        const auto* hit = std::find(Cp1252High.begin(), Cp1252High.end(), c);
        if (hit == Cp1252High.end())
            return false;
        *dst++ = static_cast<char>(0x80 + (hit - Cp1252High.begin()));
    }
    return true;
}

QString OpenErrorText(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, reason);
}

} // namespace
// ---- Reading files ----

namespace {

const QByteArray Utf16LeBom("\xFF\xFE", 2);
const QByteArray Utf16BeBom("\xFE\xFF", 2);
constexpr qint64 MegaByte = 1024 * 1024;

// The most memory this process can be given: the machine's memory and swap, and no more than
// its address-space and data limits. A file larger than that can never be held.
qint64 AllocatableBytes() {
    qint64 room = std::numeric_limits<qint64>::max();
    struct sysinfo info {};
    if (sysinfo(&info) == 0)
        room = qint64(info.totalram + info.totalswap) * info.mem_unit;
    const auto lower = [&room](const rlimit& limit) {
        if (limit.rlim_cur != RLIM_INFINITY)
            room = std::min(room, qint64(limit.rlim_cur));
    };
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0)
        lower(limit);
    if (getrlimit(RLIMIT_DATA, &limit) == 0)
        lower(limit);
    return room;
}

// Length of the well-formed UTF-8 sequence that starts at p (n bytes left); 0 for none.
int Utf8SequenceLength(const uchar* p, qsizetype n) {
    const uchar lead = p[0];
    if (lead < 0x80)
        return 1;
    int length = 0;
    uchar low = 0x80;
    uchar high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;   // no overlong forms
        high = lead == 0xED ? 0x9F : high; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (n < length || p[1] < low || p[1] > high)
        return 0;
    for (int k = 2; k < length; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// Well-formed UTF-8 as text. Unlike QString::fromUtf8, a U+FEFF at the start stays: it is a
// character of the line, and the file's own byte-order mark never reaches here.
QString FromUtf8KeepingBom(const char* bytes, qsizetype n) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(bytes, n));
}

// UTF-8 in which each byte that belongs to no well-formed sequence becomes the lone low
// surrogate U+DC80..U+DCFF, which saving turns back into that byte: a file that is not quite
// UTF-8 can be read as UTF-8 and still keeps every byte.
QString DecodeUtf8Escaping(const char* bytes, qsizetype n) {
    const auto* p = reinterpret_cast<const uchar*>(bytes);
    QString text;
    text.reserve(n);
    qsizetype run = 0; // first byte of the well-formed stretch not decoded yet
    qsizetype i = 0;
    while (i < n) {
        const int length = Utf8SequenceLength(p + i, n - i);
        if (length > 0) {
            i += length;
            continue;
        }
        text += FromUtf8KeepingBom(bytes + run, i - run);
        text += QChar(char16_t(0xDC00 + p[i]));
        run = ++i;
    }
    return text + FromUtf8KeepingBom(bytes + run, n - run);
}

bool IsByteEscape(QStringView text, qsizetype i) {
    const char16_t c = text[i].unicode();
    return c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !text[i - 1].isHighSurrogate());
}

QByteArray EncodeUtf8(QStringView text) {
    QByteArray bytes;
    qsizetype run = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!IsByteEscape(text, i))
            continue;
        bytes += text.mid(run, i - run).toUtf8();
        bytes += char(text[i].unicode() - 0xDC00);
        run = i + 1;
    }
    return run == 0 ? text.toUtf8() : bytes + text.mid(run).toUtf8();
}

// How a file's bytes are to be read: the encoding, whether they start with its mark (skipped),
// and whether a line that is not UTF-8 keeps its bytes as escapes (UTF-8 chosen by the user)
// rather than showing that UTF-8 was the wrong guess.
struct TByteFormat {
    TTextEncoding Encoding = TTextEncoding::Utf8;
    bool ByteOrderMark = false;
    bool Escapes = false;
};

qsizetype MarkSize(const TByteFormat& format) {
    if (!format.ByteOrderMark)
        return 0;
    return format.Encoding == TTextEncoding::Utf8 ? Utf8Bom.size() : Utf16LeBom.size();
}

// Without a chosen encoding: UTF-16 when the bytes begin with its mark (and come in pairs),
// else UTF-8 when they are valid UTF-8 (after a mark that is kept), else Windows-1252, which
// reads any bytes. With one, its mark is recognised and skipped.
TByteFormat DetectFormat(QByteArrayView bytes, std::optional<TTextEncoding> chosen) {
    const bool pairs = bytes.size() % 2 == 0;
    const bool utf8Mark = bytes.startsWith(Utf8Bom);
    const auto validUtf8 = [&] { return bytes.sliced(utf8Mark ? 3 : 0).isValidUtf8(); };
    if (!chosen) {
        if (pairs && bytes.startsWith(Utf16LeBom))
            return {TTextEncoding::Utf16LE, true};
        if (pairs && bytes.startsWith(Utf16BeBom))
            return {TTextEncoding::Utf16BE, true};
        if (validUtf8())
            return {TTextEncoding::Utf8, utf8Mark};
        return {TTextEncoding::Windows1252, false};
    }
    switch (*chosen) {
    case TTextEncoding::Utf8:
        return {TTextEncoding::Utf8, utf8Mark, true};
    case TTextEncoding::Utf16LE:
        return {TTextEncoding::Utf16LE, bytes.startsWith(Utf16LeBom)};
    case TTextEncoding::Utf16BE:
        return {TTextEncoding::Utf16BE, bytes.startsWith(Utf16BeBom)};
    case TTextEncoding::Windows1252:
        break;
    }
    return {TTextEncoding::Windows1252, false};
}

// A line's characters from its bytes. Lines of plain ASCII (and, in Windows-1252, of bytes
// that are Latin-1 already) stay where they were loaded, in their shared chunk; only the others
// go through a decoder into a block of their own. `high`: some byte is above 127. `notUtf8`
// is set, and no characters made, for a line that is not UTF-8 where that was only a guess.
TGlyphEditLineChars DecodeLine(const TByteFormat& format, TGlyphLoadedBytes& loaded,
                               const char* begin, qsizetype length, bool high, bool& notUtf8) {
    if (!high)
        return loaded.Share(begin - loaded.Data(), length);
    if (format.Encoding == TTextEncoding::Utf8) {
        // A file is UTF-8 when each of its lines is: a break never lies inside a sequence.
        if (QByteArrayView(begin, length).isValidUtf8())
            return TGlyphEditLineChars(FromUtf8KeepingBom(begin, length));
        if (!format.Escapes) {
            notUtf8 = true;
            return {};
        }
        return TGlyphEditLineChars(DecodeUtf8Escaping(begin, length));
    }
    const auto* bytes = reinterpret_cast<const uchar*>(begin);
    if (std::none_of(bytes, bytes + length, [](uchar c) { return c >= 0x80 && c < 0xA0; }))
        return loaded.Share(begin - loaded.Data(), length);
    QString line = QString::fromLatin1(begin, length);
    for (QChar& c : line) {
        if (c.unicode() >= 0x80 && c.unicode() < 0xA0)
            c = QChar(Cp1252High[c.unicode() - 0x80]);
    }
    return TGlyphEditLineChars(line);
}

constexpr int NoBreak = -1;

// Cuts [p, end) into lines at CR LF, a lone CR and a lone LF (so LF CR ends two lines) and
// hands each to add(start, length, break style or NoBreak). True when the last line ended with
// a break (and for no lines at all).
template <typename Add> bool CutUtf16Lines(const char16_t* p, const char16_t* end, Add&& add) {
    bool lastBroken = true;
    while (p < end) {
        const char16_t* start = p;
        p = std::find_if(p, end, [](char16_t c) { return c == u'\r' || c == u'\n'; });
        const char16_t* stop = p;
        int style = NoBreak;
        if (p < end) {
            style = *p++ == u'\r' ? lbsCr : lbsLf;
            if (style == lbsCr && p < end && *p == u'\n') {
                ++p;
                style = lbsCrLf;
            }
        }
        add(start, stop - start, style);
        lastBroken = style != NoBreak;
    }
    return lastBroken;
}

// The lines of a file, built aside so that the list takes them only once all went well.
struct TLoadedText {
    QList<TGlyphEditStringRec> Records;
    TByteFormat Format;
    TLineBreakStyle Style = lbsCrLf;
    bool BreakAfterLastLine = true;
    int OwnBreaks = 0;
};

// Collects the lines with their breaks. The first break is taken for the style, and lines
// with another break are marked with their own; when the most frequent break turns out to be
// another one, the marks are set again once at the end.
class TLineCollector {
public:
    // `expected`: about how many lines there will be, so that the records are rarely moved.
    TLineCollector(TLoadedText& text, const TGlyphLoadLimits& limits, qsizetype expected)
        : text_(text), limits_(limits) {
        text_.Records.reserve(std::max<qsizetype>(expected, 1));
    }

    bool Full() const { return count_ >= limits_.MaxLines; }

    // Adds the line that `decode` makes of `units` bytes or UTF-16 units (at least as many as
    // it has characters, so that only a line that long needs its characters counted); false
    // when it is longer than a line may be.
    template <typename Decode> bool Add(Decode&& decode, qsizetype units, int style) {
        QList<TGlyphEditStringRec>& records = text_.Records;
        // The records are made a block at a time, while the block is in the cache, and
        // filled in place: a million lines is a million of these.
        if (count_ == records.size()) {
            records.resize(count_ + RecordBlock);
            slots_ = records.data();
        }
        TGlyphEditStringRec& rec = slots_[count_++];
        // A fresh record's characters are empty and own nothing: made in place, with no
        // temporary to drop.
        ::new (static_cast<void*>(&rec.Chars)) TGlyphEditLineChars(decode());
        if (units > limits_.MaxLineLength && rec.Chars.Size() > limits_.MaxLineLength)
            return false;
        if (style == NoBreak)
            return true;
        ++counts_[style];
        if (guess_ == NoBreak)
            guess_ = style;
        // A line whose break is the style's carries no mark of its own.
        if (style != guess_)
            rec.TabFlags |= std::uint8_t((style + 1) << sfBreakShift);
        return true;
    }

    void Finish(bool lastBroken) {
        text_.BreakAfterLastLine = lastBroken;
        // The most frequent break is the style; ties go to CR LF, then LF.
        int style = lbsCrLf;
        for (int other : {lbsLf, lbsCr}) {
            if (counts_[other] > counts_[style])
                style = other;
        }
        text_.Style = TLineBreakStyle(style);
        text_.OwnBreaks = counts_[0] + counts_[1] + counts_[2] - counts_[style];
        QList<TGlyphEditStringRec>& records = text_.Records;
        records.resize(count_);
        if (guess_ != NoBreak && guess_ != style) {
            // Every line but a last one without a break has one: unmarked, it was the guess.
            const qsizetype broken = lastBroken ? count_ : count_ - 1;
            for (qsizetype i = 0; i < broken; ++i) {
                std::uint32_t own = (slots_[i].TabFlags & sfOwnBreak) >> sfBreakShift;
                own = own == 0 ? guess_ + 1 : own == std::uint32_t(style + 1) ? 0 : own;
                slots_[i].TabFlags =
                    (slots_[i].TabFlags & ~std::uint32_t(sfOwnBreak)) | (own << sfBreakShift);
            }
        }
        // The array keeps what it has to spare: squeezing it would copy every record, and
        // room that was never written costs no memory.
    }

private:
    static constexpr qsizetype RecordBlock = 4096;

    TLoadedText& text_;
    const TGlyphLoadLimits& limits_;
    std::array<int, 3> counts_{};
    int guess_ = NoBreak;
    TGlyphEditStringRec* slots_ = nullptr;
    qsizetype count_ = 0;
};

[[noreturn]] void Refuse(const QString& errorStart, const QString& reason) {
    throw EGlyphFileError(errorStart + u' ' + reason);
}

// Which bytes of 64 at p are CR or LF (bit k for byte k), and which are above 127.
struct TBlockMasks {
    std::uint64_t Breaks = 0;
    std::uint64_t Highs = 0;
};

TBlockMasks MasksOf(const uchar* p) {
    TBlockMasks masks;
#if defined(__SSE2__)
    const __m128i lfs = _mm_set1_epi8('\n');
    const __m128i crs = _mm_set1_epi8('\r');
    for (int k = 0; k < 64; k += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + k));
        const __m128i breaks = _mm_or_si128(_mm_cmpeq_epi8(v, lfs), _mm_cmpeq_epi8(v, crs));
        masks.Breaks |= std::uint64_t(std::uint32_t(_mm_movemask_epi8(breaks))) << k;
        masks.Highs |= std::uint64_t(std::uint32_t(_mm_movemask_epi8(v))) << k;
    }
#else
    for (int k = 0; k < 64; ++k) {
        masks.Breaks |= std::uint64_t(p[k] == '\n' || p[k] == '\r') << k;
        masks.Highs |= std::uint64_t(p[k] >> 7) << k;
    }
#endif
    return masks;
}

// The lines of a single-byte file (UTF-8 or Windows-1252), cut as its bytes arrive: each
// break is found in one pass over 64 bytes at a time, which also tells the lines that hold
// bytes above 127 (plain ASCII lines share their chunk whatever the encoding). Without a
// chosen encoding, a file without a UTF-16 mark is taken for UTF-8 until a line shows it is
// not, and then cut again from the start as Windows-1252. What cannot be settled on the way -
// a UTF-16 file, a line or a count over the limits - gives the cutting up, and the caller
// builds the lines again from all the bytes, where a refusal is told in its order.
class TArrivingLines {
public:
    // `format`: known beforehand; without it the format is taken from the first bytes.
    TArrivingLines(TGlyphLoadedBytes& bytes, std::optional<TTextEncoding> chosen,
                   const TGlyphLoadLimits& limits, std::optional<TByteFormat> format = {})
        : bytes_(bytes), chosen_(chosen), limits_(limits), format_(format) {}

    // The first `arrived` bytes are in (all of them when that is the size).
    void Arrived(qsizetype arrived) {
        if (gaveUp_)
            return;
        if (!lines_ && !Start(arrived))
            return;
        CutArrived(arrived);
        if (!wrongGuess_)
            return;
        // Not UTF-8 after all: without a chosen encoding that makes the file Windows-1252,
        // cut again from its first byte.
        wrongGuess_ = gaveUp_ = closed_ = false;
        format_ = TByteFormat{TTextEncoding::Windows1252, false};
        lastHigh_ = -1;
        text_ = {};
        Start(arrived);
        CutArrived(arrived);
    }

    // The lines, or nothing when they must be built again from all the bytes.
    std::optional<TLoadedText> Take() {
        if (gaveUp_ || !lines_ || lineStart_ < bytes_.Size() || !closed_)
            return std::nullopt;
        return std::move(text_);
    }
    // Why the cutting gave up, when it was a limit.
    const QString& Refusal() const { return refusal_; }

private:
    void CutArrived(qsizetype arrived) {
        const bool all = arrived == bytes_.Size();
        // A CR as the last byte in waits for the next, which may make it a CR LF.
        Cut(all ? arrived : arrived - 1, all);
        if (!all || gaveUp_)
            return;
        const bool lastBroken = Close();
        if (!gaveUp_)
            lines_->Finish(lastBroken);
    }

    // Settles the format from the first bytes; false while too few are in.
    bool Start(qsizetype arrived) {
        const qsizetype size = bytes_.Size();
        if (arrived < std::min<qsizetype>(size, 3))
            return false;
        const QByteArrayView head(bytes_.Data(), std::min<qsizetype>(arrived, 3));
        if (!format_) {
            const bool pairs = size % 2 == 0;
            const TTextEncoding encoding = chosen_.value_or(TTextEncoding::Utf8);
            if (encoding == TTextEncoding::Utf16LE || encoding == TTextEncoding::Utf16BE ||
                (!chosen_ && pairs &&
                 (head.startsWith(Utf16LeBom) || head.startsWith(Utf16BeBom)))) {
                gaveUp_ = true;
                return false;
            }
            const bool mark = encoding == TTextEncoding::Utf8 && head.startsWith(Utf8Bom);
            // A chosen UTF-8 keeps bytes that are not UTF-8; a guessed one gives up on them.
            format_ = TByteFormat{encoding, mark, chosen_.has_value()};
        }
        text_.Format = *format_;
        scan_ = lineStart_ = MarkSize(*format_);
        lines_.emplace(text_, limits_, std::min(ExpectedLines(arrived), limits_.MaxLines));
        return true;
    }

    // About how many lines the bytes hold, from the breaks in the first 64 KB in; no more than
    // one for 16 bytes, so that a sample of short lines before a long one reserves little.
    qsizetype ExpectedLines(qsizetype arrived) const {
        const qsizetype sample = std::min<qsizetype>(arrived - scan_, 64 * 1024);
        if (sample <= 0)
            return 0;
        const char* begin = bytes_.Data() + scan_;
        const qsizetype breaks =
            std::count_if(begin, begin + sample, [](char c) { return c == '\n' || c == '\r'; });
        const double size = double(bytes_.Size());
        return qsizetype(std::min(size * double(breaks + 1) / double(sample) * 1.1, size / 16));
    }

    // Cuts the lines whose breaks lie below `limit`; `all`: the bytes end there.
    void Cut(qsizetype limit, bool all) {
        const auto* p = reinterpret_cast<const uchar*>(bytes_.Data());
        qsizetype i = scan_;
        for (; i + 64 <= limit && !gaveUp_; i += 64) {
            TBlockMasks masks = MasksOf(p + i);
            for (std::uint64_t breaks = masks.Breaks; breaks != 0 && !gaveUp_;
                 breaks &= breaks - 1) {
                const int bit = std::countr_zero(breaks);
                const std::uint64_t before = masks.Highs & ((std::uint64_t(1) << bit) - 1);
                if (before != 0)
                    lastHigh_ = i + 63 - std::countl_zero(before);
                Break(p, i + bit);
            }
            if (masks.Highs != 0)
                lastHigh_ = i + 63 - std::countl_zero(masks.Highs);
        }
        // The last few bytes, once they are all in.
        for (; all && i < limit && !gaveUp_; ++i) {
            if (p[i] >= 0x80)
                lastHigh_ = i;
            else if (p[i] == '\n' || p[i] == '\r')
                Break(p, i);
        }
        scan_ = i;
    }

    // The break at `at`, unless it is the LF of a CR LF already taken.
    void Break(const uchar* p, qsizetype at) {
        if (at < lineStart_)
            return;
        int style = lbsLf;
        qsizetype next = at + 1;
        if (p[at] == '\r') {
            style = lbsCr;
            if (next < bytes_.Size() && p[next] == '\n') {
                style = lbsCrLf;
                ++next;
            }
        }
        Line(at, style);
        lineStart_ = next;
    }

    void Line(qsizetype stop, int style) {
        if (lines_->Full()) {
            GiveUp(QStringLiteral("It has more lines than the editor can hold (%1).")
                       .arg(limits_.MaxLines));
            return;
        }
        const char* begin = bytes_.Data() + lineStart_;
        const qsizetype length = stop - lineStart_;
        const bool high = lastHigh_ >= lineStart_;
        bool notUtf8 = false;
        const bool added =
            lines_->Add([&] { return DecodeLine(*format_, bytes_, begin, length, high, notUtf8); },
                        length, style);
        if (notUtf8) {
            wrongGuess_ = true;
            GiveUp({});
        } else if (!added) {
            GiveUp(QStringLiteral("It has a line longer than the editor can hold (%1 characters).")
                       .arg(limits_.MaxLineLength));
        }
    }

    // The last line, when the bytes do not end with a break; true when they do.
    bool Close() {
        closed_ = true;
        const qsizetype size = bytes_.Size();
        if (lineStart_ >= size)
            return true;
        Line(size, NoBreak);
        lineStart_ = size;
        return false;
    }

    // The lines cut so far go at once: they are built again, and would be held twice.
    void GiveUp(const QString& refusal) {
        gaveUp_ = true;
        refusal_ = refusal;
        lines_.reset();
        text_.Records = {};
    }

    TGlyphLoadedBytes& bytes_;
    std::optional<TTextEncoding> chosen_;
    const TGlyphLoadLimits& limits_;
    std::optional<TByteFormat> format_;
    TLoadedText text_;
    std::optional<TLineCollector> lines_;
    qsizetype scan_ = 0;      // the next byte to look at
    qsizetype lineStart_ = 0; // where the line being cut starts
    qsizetype lastHigh_ = -1; // the last byte above 127 looked at
    bool gaveUp_ = false;
    bool wrongGuess_ = false; // gave up because a line is not UTF-8
    bool closed_ = false;
    QString refusal_;
};

TLoadedText BuildUtf16Lines(TGlyphLoadedBytes& bytes, const TByteFormat& format,
                            const TGlyphLoadLimits& limits, const QString& errorStart) {
    TLoadedText text;
    text.Format = format;
    const char* begin = bytes.Data() + MarkSize(format);
    const char* end = bytes.Data() + bytes.Size();
    const qsizetype count = (end - begin) / 2;
    TLineCollector lines(text, limits, 0);
    if ((end - begin) % 2 != 0)
        Refuse(errorStart, QStringLiteral("It has an odd number of bytes, so it is not UTF-16."));
    QString units(count, Qt::Uninitialized);
    if (format.Encoding == TTextEncoding::Utf16LE)
        qFromLittleEndian<char16_t>(begin, count, units.data());
    else
        qFromBigEndian<char16_t>(begin, count, units.data());
    const auto* p = reinterpret_cast<const char16_t*>(units.constData());
    lines.Finish(CutUtf16Lines(p, p + count, [&](const char16_t* s, qsizetype n, int style) {
        if (lines.Full())
            Refuse(errorStart, QStringLiteral("It has more lines than the editor can hold (%1).")
                                   .arg(limits.MaxLines));
        if (!lines.Add([=] { return TGlyphEditLineChars(QStringView(s, n)); }, n, style))
            Refuse(errorStart,
                   QStringLiteral("It has a line longer than the editor can hold (%1 characters).")
                       .arg(limits.MaxLineLength));
    }));
    return text;
}

// The lines of all the bytes, the format settled first: where cutting them as they arrived
// gave up.
TLoadedText BuildLines(TGlyphLoadedBytes& bytes, std::optional<TTextEncoding> encoding,
                       const TGlyphLoadLimits& limits, const QString& errorStart) {
    const QByteArrayView all(bytes.Data(), bytes.Size());
    const TByteFormat format = DetectFormat(all, encoding);
    if (format.Encoding == TTextEncoding::Utf16LE || format.Encoding == TTextEncoding::Utf16BE)
        return BuildUtf16Lines(bytes, format, limits, errorStart);
    TArrivingLines lines(bytes, encoding, limits, format);
    lines.Arrived(bytes.Size());
    // With the format known, only a limit stops the cutting.
    std::optional<TLoadedText> text = lines.Take();
    if (!text)
        Refuse(errorStart, lines.Refusal());
    return std::move(*text);
}

// Runs a step of a load; running out of memory there is the load's error, told in words.
template <typename Step> auto WithinMemory(const QString& errorStart, Step&& step) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        throw EGlyphFileError(errorStart +
                              QStringLiteral(" There is not enough memory to hold it."));
    }
}

} // namespace

void TGlyphEditStringList::LoadFile(const QString& fileName,
                                    std::optional<TTextEncoding> encoding) {
    if (QFileInfo(fileName).isDir())
        throw EGlyphFileError(OpenErrorText(fileName, QStringLiteral("It is a folder.")));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EGlyphFileError(OpenErrorText(fileName, file.errorString()));
    const qint64 room = AllocatableBytes();
    if (file.size() > room)
        throw EGlyphFileError(OpenErrorText(
            fileName, QStringLiteral("It is %1 MB, more than the %2 MB of memory the program "
                                     "can have.")
                          .arg((file.size() + MegaByte - 1) / MegaByte)
                          .arg(room / MegaByte)));
    LoadDevice(file, encoding, QStringLiteral("Cannot open file \"%1\".").arg(fileName),
               QStringLiteral("Cannot read file \"%1\". %2").arg(fileName));
}

void TGlyphEditStringList::LoadStream(QIODevice& stream, std::optional<TTextEncoding> encoding) {
    if (!stream.isSequential())
        stream.seek(0);
    LoadDevice(stream, encoding, QStringLiteral("Cannot read the file."),
               QStringLiteral("Cannot read the file. %2"));
}

// The lines are cut while the bytes are read, and built again from all of them where that
// could not be settled on the way. The new lines are built aside; the old ones go only when
// the new ones are complete, and the editor hears of them in one notification for the whole
// block. `readError` holds %2 for the reason a read failed.
void TGlyphEditStringList::LoadDevice(QIODevice& device, std::optional<TTextEncoding> encoding,
                                      const QString& errorStart, const QString& readError) {
    TGlyphLoadedBytes bytes;
    TLoadedText loaded = WithinMemory(errorStart, [&] {
        TArrivingLines arriving(bytes, encoding, LoadLimits);
        if (!bytes.Read(device, [&](qsizetype arrived) { arriving.Arrived(arrived); }))
            throw EGlyphFileError(
                QString(readError).replace(QLatin1String("%2"), device.errorString()));
        std::optional<TLoadedText> cut = arriving.Take();
        return cut ? std::move(*cut) : BuildLines(bytes, encoding, LoadLimits, errorStart);
    });
    {
        TGlyphChangeBracket bracket(*this);
        RemoveAll();
        records_ = std::move(loaded.Records);
        ownBreaks_ = loaded.OwnBreaks;
        ++lineBreakEpoch_;
        longestLineIndex_ = -1;
        if (!records_.isEmpty() && OnLineAdded)
            OnLineAdded(0, QString());
    }
    encoding_ = loaded.Format.Encoding;
    byteOrderMark_ = loaded.Format.ByteOrderMark;
    breakAfterLastLine_ = loaded.BreakAfterLastLine;
    lineBreakStyle_ = loaded.Style;
}

// ---- Writing files ----

namespace {

// A Latin-1 line whose bytes are the file's bytes as they stand: plain ASCII, or in
// Windows-1252 no byte from 0x80 to 0x9F (those stand for other characters there).
bool BytesAsStored(const TGlyphEditLineChars& chars, bool cp1252) {
    if (chars.IsWide())
        return false;
    return chars.Visit([cp1252](const auto* p, qsizetype n) {
        // One pass that vectorises answers for plain ASCII, the usual line.
        unsigned high = 0;
        for (qsizetype i = 0; i < n; ++i)
            high |= p[i];
        return high < 0x80 ||
               (cp1252 && std::none_of(p, p + n, [](unsigned c) { return c >= 0x80 && c < 0xA0; }));
    });
}

QByteArrayView StoredBytes(const TGlyphEditLineChars& chars) {
    return chars.Visit([](const auto* p, qsizetype n) {
        return QByteArrayView(reinterpret_cast<const char*>(p), n);
    });
}

QByteArray LineBreakBytes(TLineBreakStyle style) {
    switch (style) {
    case lbsLf:
        return QByteArray("\n");
    case lbsCr:
        return QByteArray("\r");
    case lbsCrLf:
        break;
    }
    return QByteArray("\r\n");
}

QString CannotStoreText(TTextEncoding encoding) {
    return QStringLiteral("Some characters of the text cannot be stored in %1.")
        .arg(TextEncodingName(encoding, false));
}

// The bytes of lines, marks and breaks in one encoding.
class TLineEncoder {
public:
    explicit TLineEncoder(TTextEncoding encoding) : encoding_(encoding) {
        QByteArray scratch;
        for (TLineBreakStyle style : {lbsCrLf, lbsLf, lbsCr}) {
            const QByteArray ascii = LineBreakBytes(style);
            breaks_[style] =
                Line(TGlyphEditLineChars::FromLatin1(ascii.constData(), ascii.size()), scratch)
                    .toByteArray();
        }
    }

    QByteArrayView Mark(bool byteOrderMark) const {
        if (!byteOrderMark)
            return {};
        switch (encoding_) {
        case TTextEncoding::Utf16LE:
            return Utf16LeBom;
        case TTextEncoding::Utf16BE:
            return Utf16BeBom;
        case TTextEncoding::Utf8:
            return Utf8Bom;
        case TTextEncoding::Windows1252:
            break;
        }
        return {};
    }

    QByteArrayView Break(int style) const { return breaks_[std::size_t(style)]; }

    // The bytes of a line: its stored bytes where they already are right, else `scratch`.
    QByteArrayView Line(const TGlyphEditLineChars& chars, QByteArray& scratch) const {
        const bool eightBit =
            encoding_ == TTextEncoding::Utf8 || encoding_ == TTextEncoding::Windows1252;
        if (eightBit && BytesAsStored(chars, encoding_ == TTextEncoding::Windows1252))
            return StoredBytes(chars);
        Encode(chars, scratch);
        return scratch;
    }

private:
    void Encode(const TGlyphEditLineChars& chars, QByteArray& scratch) const {
        switch (encoding_) {
        case TTextEncoding::Utf8:
            scratch = EncodeUtf8(chars.ToString());
            return;
        case TTextEncoding::Windows1252:
            if (!EncodeCp1252(chars.ToString(), scratch))
                throw EGlyphFileError(CannotStoreText(encoding_));
            return;
        case TTextEncoding::Utf16LE:
        case TTextEncoding::Utf16BE:
            break;
        }
        const bool little = encoding_ == TTextEncoding::Utf16LE;
        chars.Visit([&](const auto* p, qsizetype n) {
            scratch.resize(n * 2);
            char* d = scratch.data();
            for (qsizetype i = 0; i < n; ++i) {
                const char16_t unit = p[i];
                d[2 * i + (little ? 0 : 1)] = char(unit & 0xFF);
                d[2 * i + (little ? 1 : 0)] = char(unit >> 8);
            }
        });
    }

    TTextEncoding encoding_;
    std::array<QByteArray, 3> breaks_;
};

} // namespace

QString TextEncodingName(TTextEncoding encoding, bool byteOrderMark) {
    switch (encoding) {
    case TTextEncoding::Utf8:
        return byteOrderMark ? QStringLiteral("UTF-8 with BOM") : QStringLiteral("UTF-8");
    case TTextEncoding::Utf16LE:
        return QStringLiteral("UTF-16 LE");
    case TTextEncoding::Utf16BE:
        return QStringLiteral("UTF-16 BE");
    case TTextEncoding::Windows1252:
        break;
    }
    return QStringLiteral("Windows-1252");
}

QString LineBreakStyleName(TLineBreakStyle style) {
    switch (style) {
    case lbsLf:
        return QStringLiteral("LF");
    case lbsCr:
        return QStringLiteral("CR");
    case lbsCrLf:
        break;
    }
    return QStringLiteral("CR LF");
}

void TGlyphEditStringList::SetEncoding(TTextEncoding encoding, bool byteOrderMark) {
    encoding_ = encoding;
    byteOrderMark_ = byteOrderMark && encoding != TTextEncoding::Windows1252;
}

bool TGlyphEditStringList::CanEncodeAs(TTextEncoding encoding) const {
    if (encoding != TTextEncoding::Windows1252)
        return true;
    QByteArray scratch;
    return std::all_of(records_.begin(), records_.end(), [&](const TGlyphEditStringRec& rec) {
        return BytesAsStored(rec.Chars, true) || EncodeCp1252(rec.Chars.ToString(), scratch);
    });
}

// Each line is written with its own break where it kept one, else with the list's style; the
// last line gets none when the file it came from had none there. A character the encoding
// cannot hold ends the encoding with the encoder's error.
template <typename Sink> void TGlyphEditStringList::EncodeLines(Sink&& sink) const {
    const TLineEncoder encoder(encoding_);
    sink.Raw(encoder.Mark(byteOrderMark_));
    QByteArray scratch;
    const qsizetype last = records_.size() - 1;
    for (qsizetype i = 0; i <= last; ++i) {
        const TGlyphEditStringRec& rec = records_[i];
        const int own = (rec.TabFlags & sfOwnBreak) >> sfBreakShift;
        const bool broken = i < last || breakAfterLastLine_;
        sink.Line(encoder.Line(rec.Chars, scratch),
                  broken ? encoder.Break(own ? own - 1 : lineBreakStyle_) : QByteArrayView());
    }
}

QByteArray TGlyphEditStringList::SaveToBytes() const {
    struct {
        QByteArray out;
        void Raw(QByteArrayView b) { out.append(b); }
        void Line(QByteArrayView b, QByteArrayView lineBreak) { out.append(b).append(lineBreak); }
    } sink;
    EncodeLines(sink);
    return sink.out;
}

void TGlyphEditStringList::SaveStream(QIODevice& stream) const {
    const QByteArray bytes = SaveToBytes();
    if (stream.write(bytes) != bytes.size())
        throw EGlyphFileError(
            QStringLiteral("Cannot write the file: %1").arg(stream.errorString()));
}

void TGlyphEditStringList::SaveFile(const QString& fileName) const {
    const auto writeError = [&](const QString& reason) {
        return EGlyphFileError(
            QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, reason));
    };
    // Refused before anything is created: the old file stays as it is.
    if (!CanEncodeAs(encoding_))
        throw writeError(CannotStoreText(encoding_));
    // The text goes to a temporary file beside the target, which replaces the target only when
    // every byte is written, so a failure never leaves a half-written file behind.
    QSaveFile file(fileName);
    if (QFileInfo(fileName).isDir() || !file.open(QIODevice::WriteOnly))
        throw EGlyphFileError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
    try {
        TGlyphEditFileWriter writer(file, lineBreakStyle_);
        struct {
            TGlyphEditFileWriter& writer;
            void Raw(QByteArrayView b) { writer.WriteRaw(b); }
            void Line(QByteArrayView b, QByteArrayView lineBreak) {
                writer.WriteLine(b, lineBreak);
            }
        } sink{writer};
        EncodeLines(sink);
        writer.Flush();
    } catch (const EGlyphFileError& e) {
        throw writeError(e.Message());
    }
    // commit() does not report a failure of the final flush, so flush first and check it.
    if (!file.flush() || !file.commit())
        throw writeError(file.errorString());
}

TGlyphEditFileWriter::TGlyphEditFileWriter(QIODevice& device, TLineBreakStyle style)
    : device_(device), lineBreak_(LineBreakBytes(style)), buffer_(BufferSize, Qt::Uninitialized) {}

TGlyphEditFileWriter::~TGlyphEditFileWriter() {
    // The rest of the buffer is written even when an error ended the loop; a failure here
    // surfaces through the device's own error state.
    if (used_ > 0)
        device_.write(buffer_.constData(), used_);
}

void TGlyphEditFileWriter::Put(QByteArrayView data, QByteArrayView lineBreak) {
    const qsizetype needed = data.size() + lineBreak.size();
    if (needed > buffer_.size() - used_) {
        Flush();
        if (needed > buffer_.size())
            buffer_.resize(needed);
    }
    char* dst = buffer_.data() + used_;
    if (!data.isEmpty())
        std::memcpy(dst, data.data(), size_t(data.size()));
    if (!lineBreak.isEmpty())
        std::memcpy(dst + data.size(), lineBreak.data(), size_t(lineBreak.size()));
    used_ += needed;
}

void TGlyphEditFileWriter::WriteLine(QByteArrayView line) {
    Put(line, lineBreak_);
}

void TGlyphEditFileWriter::WriteLine(QByteArrayView line, QByteArrayView lineBreak) {
    Put(line, lineBreak);
}

void TGlyphEditFileWriter::WriteRaw(QByteArrayView bytes) {
    Put(bytes, {});
}

void TGlyphEditFileWriter::Flush() {
    if (used_ == 0)
        return;
    const qsizetype pending = used_;
    used_ = 0;
    if (device_.write(buffer_.constData(), pending) != pending) {
        const int systemError = errno;
        QString reason = device_.errorString();
        if (reason.isEmpty() || reason == QLatin1String("Unknown error"))
            reason = qt_error_string(systemError);
        throw EGlyphFileError(reason);
    }
}

std::optional<QByteArray> EncodeTextAs(const QString& text, TTextEncoding encoding) {
    if (encoding != TTextEncoding::Windows1252)
        return text.toUtf8();
    QByteArray bytes;
    if (!EncodeCp1252(text, bytes))
        return std::nullopt;
    return bytes;
}

QString DecodeTextAs(const QByteArray& bytes, TTextEncoding encoding) {
    if (encoding != TTextEncoding::Windows1252)
        return QString::fromUtf8(bytes);
    QString text = QString::fromLatin1(bytes);
    for (QChar& c : text) {
        if (c.unicode() >= 0x80 && c.unicode() < 0xA0)
            c = QChar(Cp1252High[c.unicode() - 0x80]);
    }
    return text;
}
