#include "editor/TGlyphEditStringList.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

EGlyphEditStringList::EGlyphEditStringList(int index)
    : EGlyphError(QStringLiteral("Invalid stringlist index %1").arg(index)) {}

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

// Keeps the update bracket balanced even when an operation throws half-way.
class ChangeBracket {
public:
    explicit ChangeBracket(TGlyphEditStringList& list) : list_(list) { list_.BeginChanges(); }
    ~ChangeBracket() { list_.EndChanges(); }
    ChangeBracket(const ChangeBracket&) = delete;
    ChangeBracket& operator=(const ChangeBracket&) = delete;

private:
    TGlyphEditStringList& list_;
};

void Fire(const TGlyphEditStringList::TNotify& hook) {
    if (hook)
        hook();
}

void Fire(const TGlyphEditStringList::TLineNotify& hook, int index, const QString& text) {
    if (hook)
        hook(index, text);
}

// Tab expanders, chosen once per tab width. A tab at cell c takes width - c mod width cells.
int ExpandedLengthOf(const QString& s, int width, bool& hasTabs) {
    hasTabs = false;
    int cells = 0;
    for (QChar c : s) {
        if (c == u'\t') {
            hasTabs = true;
            cells += width - (cells % width);
        } else {
            ++cells;
        }
    }
    return cells;
}

QString ExpandWidthOne(const QString& s) {
    QString out = s;
    out.replace(u'\t', u' ');
    return out;
}

QString ExpandPowerOfTwo(const QString& s, int width) {
    const int mask = width - 1;
    QString out;
    out.reserve(s.size() + width * 4);
    for (QChar c : s) {
        if (c == u'\t')
            out.append(QString(width - (out.size() & mask), u'\t'));
        else
            out.append(c);
    }
    return out;
}

QString ExpandGeneral(const QString& s, int width) {
    QString out;
    out.reserve(s.size() + width * 4);
    for (QChar c : s) {
        if (c == u'\t')
            out.append(QString(width - (out.size() % width), u'\t'));
        else
            out.append(c);
    }
    return out;
}

// Reads a whole device; everything is read before the old text is dropped, so a failed read
// keeps the buffer as it was. `message` holds %2 for the reason.
QByteArray ReadWhole(QIODevice& stream, const QString& message) {
    const QByteArray bytes = stream.readAll();
    const auto* file = qobject_cast<QFileDevice*>(&stream);
    const bool failed = file ? file->error() != QFileDevice::NoError
                             : !stream.isSequential() && bytes.size() < stream.size();
    if (failed)
        throw EGlyphFileError(QString(message).replace(QLatin1String("%2"), stream.errorString()));
    return bytes;
}

QString OpenErrorText(const QString& fileName, const QString& reason) {
    return QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, reason);
}

} // namespace

TGlyphEditStringList::TGlyphEditStringList() = default;

void TGlyphEditStringList::BeginChanges() {
    if (++updateCount_ == 1)
        Fire(OnBeginChanges);
}

void TGlyphEditStringList::EndChanges() {
    if (updateCount_ > 0 && --updateCount_ == 0)
        Fire(OnEndChanges);
}

void TGlyphEditStringList::CheckIndex(int i, int count) const {
    if (i < 0 || i >= count)
        throw EGlyphEditStringList(i);
}

// Records live in one array that grows by 16 slots while small and by a quarter above that.
void TGlyphEditStringList::Grow(int needed) {
    qsizetype capacity = records_.capacity();
    if (needed <= capacity)
        return;
    while (capacity < needed)
        capacity += capacity <= 64 ? 16 : capacity / 4;
    records_.reserve(capacity);
}

QString TGlyphEditStringList::GetLine(int i) const {
    return i >= 0 && i < LineCount() ? records_[i].Chars : QString();
}

int TGlyphEditStringList::LineLength(int i) const {
    return i >= 0 && i < LineCount() ? int(records_[i].Chars.size()) : 0;
}

QString TGlyphEditStringList::LineMid(int i, qsizetype from, qsizetype count) const {
    return i >= 0 && i < LineCount() ? records_[i].Chars.mid(from, count) : QString();
}

void TGlyphEditStringList::SetLine(int i, const QString& s) {
    if (i == LineCount()) {
        AppendLine(s);
        return;
    }
    CheckIndex(i, LineCount());
    ChangeBracket bracket(*this);
    TGlyphEditStringRec& rec = records_[i];
    rec.Chars = s;
    rec.ExpandedLength = -1;
    rec.TabFlags = sfExpandedLengthUnknown;
    longestLineIndex_ = -1;
    Fire(OnLineChanged, i, s);
}

void* TGlyphEditStringList::GetLineData(int i) const {
    return i >= 0 && i < LineCount() ? records_[i].UserData : nullptr;
}

void TGlyphEditStringList::SetLineData(int i, void* d) {
    CheckIndex(i, LineCount());
    ChangeBracket bracket(*this);
    records_[i].UserData = d;
}

int TGlyphEditStringList::AppendLine(const QString& s) {
    ChangeBracket bracket(*this);
    const int index = LineCount();
    Grow(index + 1);
    records_.append(TGlyphEditStringRec{s});
    longestLineIndex_ = -1;
    Fire(OnLineAdded, index, s);
    return index;
}

void TGlyphEditStringList::InsertLine(int i, const QString& s) {
    CheckIndex(i, LineCount() + 1);
    ChangeBracket bracket(*this);
    Grow(LineCount() + 1);
    records_.insert(i, TGlyphEditStringRec{s});
    longestLineIndex_ = -1;
    Fire(OnLineInserted, i, s);
}

void TGlyphEditStringList::DeleteLine(int i) {
    CheckIndex(i, LineCount());
    ChangeBracket bracket(*this);
    records_.remove(i);
    longestLineIndex_ = -1;
    if (OnLinesDeleted)
        OnLinesDeleted(i, 1);
}

void TGlyphEditStringList::SwapLines(int i, int j) {
    CheckIndex(i, LineCount());
    CheckIndex(j, LineCount());
    ChangeBracket bracket(*this);
    records_.swapItemsAt(i, j);
    if (longestLineIndex_ == i)
        longestLineIndex_ = j;
    else if (longestLineIndex_ == j)
        longestLineIndex_ = i;
}

void TGlyphEditStringList::RemoveAll() {
    longestLineIndex_ = -1;
    if (records_.isEmpty())
        return;
    ChangeBracket bracket(*this);
    records_ = QList<TGlyphEditStringRec>();
    Fire(OnCleared);
}

void TGlyphEditStringList::AppendLines(const TGlyphEditStringList& list) {
    if (list.LineCount() == 0)
        return;
    const int first = LineCount();
    const int needed = first + list.LineCount();
    records_.reserve((needed + 15) / 16 * 16);
    for (const TGlyphEditStringRec& source : list.records_) {
        TGlyphEditStringRec rec{source.Chars};
        rec.UserData = source.UserData;
        records_.append(rec);
    }
    longestLineIndex_ = -1;
    Fire(OnLineAdded, first, QString());
}

void TGlyphEditStringList::InsertEmptyLines(int i, int n) {
    if (n <= 0)
        return;
    CheckIndex(i, LineCount() + 1);
    ChangeBracket bracket(*this);
    Grow(LineCount() + n);
    TGlyphEditStringRec empty;
    empty.RangeState = 0;
    empty.ExpandedLength = 0;
    empty.TabFlags = 0;
    records_.insert(i, n, empty);
    longestLineIndex_ = -1;
    Fire(OnLineAdded, i, QString());
}

void TGlyphEditStringList::RemoveLines(int i, int n) {
    if (n <= 0)
        return;
    CheckIndex(i, LineCount() + 1);
    const int count = std::min(n, LineCount() - i);
    if (count == 0)
        return;
    ChangeBracket bracket(*this);
    records_.remove(i, count);
    longestLineIndex_ = -1;
    if (OnLinesDeleted)
        OnLinesDeleted(i, count);
}

std::intptr_t TGlyphEditStringList::RangeState(int i) const {
    return i >= 0 && i < LineCount() ? records_[i].RangeState : 0;
}

void TGlyphEditStringList::SetRangeState(int i, std::intptr_t v) {
    CheckIndex(i, LineCount());
    ChangeBracket bracket(*this);
    records_[i].RangeState = v;
}

void TGlyphEditStringList::ExpandRecord(TGlyphEditStringRec& rec) const {
    bool hasTabs = false;
    rec.ExpandedLength = ExpandedLengthOf(rec.Chars, tabWidth_, hasTabs);
    rec.TabFlags = hasTabs ? sfHasTabs : sfHasNoTabs;
}

QString TGlyphEditStringList::ExpandedText(int i) {
    if (i < 0 || i >= LineCount())
        return QString();
    TGlyphEditStringRec& rec = records_[i];
    if (rec.TabFlags & sfHasNoTabs)
        return rec.Chars;
    ExpandRecord(rec);
    if (rec.TabFlags & sfHasNoTabs)
        return rec.Chars;
    if (tabWidth_ <= 1)
        return ExpandWidthOne(rec.Chars);
    if ((tabWidth_ & (tabWidth_ - 1)) == 0)
        return ExpandPowerOfTwo(rec.Chars, tabWidth_);
    return ExpandGeneral(rec.Chars, tabWidth_);
}

int TGlyphEditStringList::LongestLineLength() {
    if (records_.isEmpty())
        return 0;
    if (longestLineIndex_ < 0) {
        int best = -1;
        for (int i = 0; i < LineCount(); ++i) {
            TGlyphEditStringRec& rec = records_[i];
            if (rec.TabFlags & sfExpandedLengthUnknown || rec.ExpandedLength < 0)
                ExpandRecord(rec);
            if (best < 0 || rec.ExpandedLength > records_[best].ExpandedLength)
                best = i;
        }
        longestLineIndex_ = best;
    }
    return records_[longestLineIndex_].ExpandedLength;
}

void TGlyphEditStringList::SetTabWidth(int w) {
    w = std::max(w, 1);
    if (w == tabWidth_)
        return;
    tabWidth_ = w;
    longestLineIndex_ = -1;
    for (TGlyphEditStringRec& rec : records_) {
        rec.ExpandedLength = -1;
        rec.TabFlags = (rec.TabFlags & sfHasTabs) | sfExpandedLengthUnknown;
    }
}

QString TGlyphEditStringList::AllText() const {
    qsizetype size = 0;
    for (const TGlyphEditStringRec& rec : records_)
        size += rec.Chars.size() + 2;
    QString text;
    text.reserve(size);
    for (const TGlyphEditStringRec& rec : records_) {
        text.append(rec.Chars);
        text.append(u"\r\n");
    }
    return text;
}

void TGlyphEditStringList::SetAllText(const QString& text) {
    ChangeBracket bracket(*this);
    RemoveAll();
    const QChar* p = text.constData();
    const QChar* end = p + text.size();
    const QChar* nul = std::find(p, end, QChar(u'\0'));
    end = nul;
    while (p < end) {
        const QChar* start = p;
        while (p < end && *p != u'\r' && *p != u'\n')
            ++p;
        AppendLine(QString(start, p - start));
        if (p < end && *p == u'\r')
            ++p;
        if (p < end && *p == u'\n')
            ++p;
    }
}

QStringList TGlyphEditStringList::Lines() const {
    QStringList lines;
    lines.reserve(records_.size());
    for (const TGlyphEditStringRec& rec : records_)
        lines.append(rec.Chars);
    return lines;
}

void TGlyphEditStringList::LoadFile(const QString& fileName) {
    if (QFileInfo(fileName).isDir())
        throw EGlyphFileError(OpenErrorText(fileName, QStringLiteral("It is a folder.")));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EGlyphFileError(OpenErrorText(fileName, file.errorString()));
    LoadBytes(ReadWhole(file, QStringLiteral("Cannot read file \"%1\". %2").arg(fileName)));
}

void TGlyphEditStringList::LoadStream(QIODevice& stream) {
    if (!stream.isSequential())
        stream.seek(0);
    LoadBytes(ReadWhole(stream, QStringLiteral("Cannot read the file. %2")));
}

QString TGlyphEditStringList::DecodeLine(const char* begin, qsizetype length) const {
    if (encoding_ == TTextEncoding::Utf8)
        return QString::fromUtf8(begin, length);
    QString line = QString::fromLatin1(begin, length);
    for (QChar& c : line) {
        if (c.unicode() >= 0x80 && c.unicode() < 0xA0)
            c = QChar(Cp1252High[c.unicode() - 0x80]);
    }
    return line;
}

void TGlyphEditStringList::LoadBytes(const QByteArray& bytes) {
    bool sawCr = false;
    bool sawLf = false;
    {
        ChangeBracket bracket(*this);
        RemoveAll();
        const char* p = bytes.constData();
        const char* end = p + bytes.size();
        byteOrderMark_ = bytes.startsWith(Utf8Bom);
        if (byteOrderMark_)
            p += Utf8Bom.size();
        encoding_ = QByteArrayView(p, end - p).isValidUtf8() ? TTextEncoding::Utf8
                                                             : TTextEncoding::Windows1252;
        if (byteOrderMark_ && encoding_ != TTextEncoding::Utf8) {
            // A broken file that starts with a UTF-8 mark: keep the mark's bytes as text.
            byteOrderMark_ = false;
            p = bytes.constData();
        }
        while (p < end) {
            const char* start = p;
            while (p < end && *p != '\r' && *p != '\n' && *p != '\0')
                ++p;
            AppendLine(DecodeLine(start, p - start));
            if (p == end)
                break;
            if (*p == '\r') {
                sawCr = true;
                ++p;
            }
            if (p < end && *p == '\n') {
                sawLf = true;
                ++p;
            }
            if (p < end && *p == '\0')
                ++p;
        }
    }
    lineBreakStyle_ = sawCr && !sawLf ? lbsCr : sawLf && !sawCr ? lbsLf : lbsCrLf;
}

namespace {

// The encoding a save uses: the one the file was read in, unless the text now holds a
// character Windows-1252 cannot store, in which case UTF-8 keeps it rather than losing it.
bool FitsCp1252(const QList<TGlyphEditStringRec>& records) {
    QByteArray scratch;
    for (const TGlyphEditStringRec& rec : records) {
        if (!EncodeCp1252(rec.Chars, scratch))
            return false;
    }
    return true;
}

template <typename Sink>
void EncodeLines(const QList<TGlyphEditStringRec>& records, TTextEncoding encoding, bool bom,
                 Sink&& sink) {
    const bool cp1252 = encoding == TTextEncoding::Windows1252 && FitsCp1252(records);
    if (bom && !cp1252)
        sink.Raw(Utf8Bom);
    QByteArray bytes;
    for (const TGlyphEditStringRec& rec : records) {
        if (cp1252)
            EncodeCp1252(rec.Chars, bytes);
        else
            bytes = rec.Chars.toUtf8();
        sink.Line(bytes);
    }
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

} // namespace

QByteArray TGlyphEditStringList::SaveToBytes() const {
    struct {
        QByteArray out;
        QByteArray lineBreak;
        void Raw(const QByteArray& b) { out.append(b); }
        void Line(const QByteArray& b) { out.append(b).append(lineBreak); }
    } sink{QByteArray(), LineBreakBytes(lineBreakStyle_)};
    EncodeLines(records_, encoding_, byteOrderMark_, sink);
    return sink.out;
}

void TGlyphEditStringList::SaveStream(QIODevice& stream) const {
    const QByteArray bytes = SaveToBytes();
    if (stream.write(bytes) != bytes.size())
        throw EGlyphFileError(
            QStringLiteral("Cannot write the file: %1").arg(stream.errorString()));
}

void TGlyphEditStringList::SaveFile(const QString& fileName) const {
    // The text goes to a temporary file beside the target, which replaces the target only when
    // every byte is written, so a failure never leaves a half-written file behind.
    QSaveFile file(fileName);
    if (QFileInfo(fileName).isDir() || !file.open(QIODevice::WriteOnly))
        throw EGlyphFileError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
    const auto writeError = [&](const QString& reason) {
        return EGlyphFileError(
            QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, reason));
    };
    try {
        TGlyphEditFileWriter writer(file, lineBreakStyle_);
        struct {
            TGlyphEditFileWriter& writer;
            void Raw(const QByteArray& b) { writer.WriteRaw(b); }
            void Line(const QByteArray& b) { writer.WriteLine(b); }
        } sink{writer};
        EncodeLines(records_, encoding_, byteOrderMark_, sink);
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

void TGlyphEditFileWriter::Put(const char* data, qsizetype size, bool withBreak) {
    const qsizetype needed = size + (withBreak ? lineBreak_.size() : 0);
    if (needed > buffer_.size() - used_) {
        Flush();
        if (needed > buffer_.size())
            buffer_.resize(needed);
    }
    char* dst = buffer_.data() + used_;
    std::memcpy(dst, data, size);
    if (withBreak)
        std::memcpy(dst + size, lineBreak_.constData(), lineBreak_.size());
    used_ += needed;
}

void TGlyphEditFileWriter::WriteLine(const QByteArray& line) {
    Put(line.constData(), line.size(), true);
}

void TGlyphEditFileWriter::WriteRaw(const QByteArray& bytes) {
    Put(bytes.constData(), bytes.size(), false);
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
