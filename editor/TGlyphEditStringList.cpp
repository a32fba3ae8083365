#include "editor/TGlyphEditStringList.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <sys/resource.h>
#include <sys/sysinfo.h>

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

// Sets a record's tab flags, keeping its own line break.
void SetTabFlags(const TGlyphEditStringRec& rec, std::uint8_t flags) {
    rec.TabFlags = std::uint8_t((rec.TabFlags & sfOwnBreak) | flags);
}

void Fire(const TGlyphEditStringList::TNotify& hook) {
    if (hook)
        hook();
}

void Fire(const TGlyphEditStringList::TIndexNotify& hook, int index) {
    if (hook)
        hook(index);
}

void Fire(const TGlyphEditStringList::TLineNotify& hook, int index, const QString& text) {
    if (hook)
        hook(index, text);
}

// Tab expanders, chosen once per tab width. A tab at cell c takes width - c mod width cells.
int ExpandedLengthOf(const TGlyphEditLineChars& chars, int width, bool& hasTabs) {
    hasTabs = chars.Contains(u'\t');
    if (!hasTabs)
        return int(chars.Size());
    return chars.Visit([width](const auto* p, qsizetype n) {
        int cells = 0;
        for (qsizetype i = 0; i < n; ++i)
            cells += p[i] == u'\t' ? width - (cells % width) : 1;
        return cells;
    });
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

// ---- Line characters ----

namespace {

// Whether every character fits in one byte; checks a block at a time so the loop vectorises.
bool AllLatin1(const char16_t* p, qsizetype n) {
    constexpr qsizetype Step = 32;
    qsizetype i = 0;
    for (; i + Step <= n; i += Step) {
        char16_t bits = 0;
        for (qsizetype k = 0; k < Step; ++k)
            bits |= p[i + k];
        if (bits > 0xFF)
            return false;
    }
    char16_t bits = 0;
    for (; i < n; ++i)
        bits |= p[i];
    return bits <= 0xFF;
}

void CopyNarrowing(const char16_t* from, qsizetype n, char* to) {
    for (qsizetype i = 0; i < n; ++i)
        to[i] = char(from[i]);
}

void CopyWidening(const char* from, qsizetype n, char16_t* to) {
    for (qsizetype i = 0; i < n; ++i)
        to[i] = char16_t(uchar(from[i]));
}

} // namespace

TGlyphEditLineChars::Block* TGlyphEditLineChars::Allocate(qsizetype capacity, bool wide) {
    const qsizetype unit = wide ? 2 : 1;
    auto* block = static_cast<Block*>(std::malloc(sizeof(Block) + size_t(capacity * unit)));
    if (!block)
        throw std::bad_alloc();
    block->Size = 0;
    block->Capacity = std::uint32_t(capacity);
    block->Wide = wide ? 1 : 0;
    return block;
}

TGlyphEditLineChars::TGlyphEditLineChars(QStringView text) {
    const qsizetype n = text.size();
    if (n == 0)
        return;
    if (n >= LongLine) {
        SetLong(text.toString());
        return;
    }
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    const bool wide = !AllLatin1(units, n);
    SetBlock(Allocate(n, wide));
    BlockOf()->Size = std::uint32_t(n);
    if (wide)
        std::memcpy(WideData(), units, size_t(n) * 2);
    else
        CopyNarrowing(units, n, NarrowData());
}

TGlyphEditLineChars::TGlyphEditLineChars(const QString& text) {
    if (text.size() >= LongLine)
        SetLong(text);
    else
        *this = TGlyphEditLineChars(QStringView(text));
}

TGlyphEditLineChars TGlyphEditLineChars::FromLatin1(const char* bytes, qsizetype size) {
    TGlyphEditLineChars chars;
    if (size == 0)
        return chars;
    if (size >= LongLine) {
        chars.SetLong(QString::fromLatin1(bytes, size));
        return chars;
    }
    chars.SetBlock(Allocate(size, false));
    chars.BlockOf()->Size = std::uint32_t(size);
    std::memcpy(chars.NarrowData(), bytes, size_t(size));
    return chars;
}

TGlyphEditLineChars::TGlyphEditLineChars(const TGlyphEditLineChars& other) {
    if (const QString* text = other.LongText()) {
        SetLong(*text);
        return;
    }
    const qsizetype n = other.Size();
    if (n == 0)
        return;
    SetBlock(Allocate(n, other.IsWide()));
    BlockOf()->Size = std::uint32_t(n);
    std::memcpy(BlockOf() + 1, other.BlockOf() + 1, size_t(n) * (other.IsWide() ? 2 : 1));
}

TGlyphEditLineChars& TGlyphEditLineChars::operator=(const TGlyphEditLineChars& other) {
    if (this != &other)
        *this = TGlyphEditLineChars(other);
    return *this;
}

TGlyphEditLineChars& TGlyphEditLineChars::operator=(TGlyphEditLineChars&& other) noexcept {
    std::swap(bits_, other.bits_);
    return *this;
}

TGlyphEditLineChars::~TGlyphEditLineChars() {
    Release();
}

void TGlyphEditLineChars::Release() {
    if (QString* text = LongText())
        delete text;
    else
        std::free(BlockOf());
    bits_ = 0;
}

void TGlyphEditLineChars::SetLong(QString text) {
    auto* held = new QString(std::move(text));
    bits_ = reinterpret_cast<std::uintptr_t>(held) | LongTag;
}

qsizetype TGlyphEditLineChars::Size() const {
    if (const QString* text = LongText())
        return text->size();
    return BlockOf() ? BlockOf()->Size : 0;
}

char16_t TGlyphEditLineChars::At(qsizetype i) const {
    if (const QString* text = LongText())
        return text->at(i).unicode();
    return BlockOf()->Wide ? WideData()[i] : char16_t(uchar(NarrowData()[i]));
}

QString TGlyphEditLineChars::ToString() const {
    if (const QString* text = LongText())
        return *text;
    return Mid(0, Size());
}

QString TGlyphEditLineChars::Mid(qsizetype from, qsizetype count) const {
    if (count <= 0)
        return QString();
    if (const QString* text = LongText())
        return text->mid(from, count);
    if (IsWide())
        return QString(reinterpret_cast<const QChar*>(WideData() + from), count);
    return QString::fromLatin1(NarrowData() + from, count);
}

bool TGlyphEditLineChars::Contains(char16_t c) const {
    if (const QString* text = LongText())
        return text->contains(QChar(c));
    const Block* block = BlockOf();
    if (!block)
        return false;
    if (!block->Wide)
        return c <= 0xFF && std::memchr(NarrowData(), int(c), block->Size) != nullptr;
    const char16_t* p = WideData();
    return std::find(p, p + block->Size, c) != p + block->Size;
}

// Room for `size` characters in the present form. Longer lines get half as much again, so
// that typing in them reallocates only now and then.
void TGlyphEditLineChars::Reserve(qsizetype size) {
    Block* block = BlockOf();
    if (block && size <= qsizetype(block->Capacity))
        return;
    const qsizetype capacity = size + (size >= 256 ? size / 2 : 8);
    if (!block) {
        SetBlock(Allocate(capacity, false));
        return;
    }
    const qsizetype bytes = sizeof(Block) + capacity * (block->Wide ? 2 : 1);
    auto* grown = static_cast<Block*>(std::realloc(block, size_t(bytes)));
    if (!grown)
        throw std::bad_alloc();
    grown->Capacity = std::uint32_t(capacity);
    SetBlock(grown);
}

void TGlyphEditLineChars::Widen(qsizetype capacity) {
    const qsizetype n = Size();
    Block* wide = Allocate(std::max(capacity, n), true);
    wide->Size = std::uint32_t(n);
    if (BlockOf())
        CopyWidening(NarrowData(), n, reinterpret_cast<char16_t*>(wide + 1));
    std::free(BlockOf());
    SetBlock(wide);
}

void TGlyphEditLineChars::Narrow() {
    const qsizetype n = Size();
    Block* narrow = Allocate(n, false);
    narrow->Size = std::uint32_t(n);
    CopyNarrowing(WideData(), n, reinterpret_cast<char*>(narrow + 1));
    std::free(BlockOf());
    SetBlock(narrow);
}

// A line changes form only when it crosses the long-line size (coming back below half of it,
// so that typing at the border does not convert it to and fro).
void TGlyphEditLineChars::Replace(qsizetype from, qsizetype count, QStringView text) {
    const qsizetype newSize = Size() - count + text.size();
    if (newSize == 0) {
        Release();
        return;
    }
    if (QString* held = LongText()) {
        held->replace(from, count, text.data(), text.size());
        if (newSize < LongLine / 2)
            *this = TGlyphEditLineChars(QStringView(*held));
        return;
    }
    if (newSize >= LongLine) {
        QString whole = ToString();
        whole.replace(from, count, text.data(), text.size());
        Release();
        SetLong(std::move(whole));
        return;
    }
    ReplaceInBlock(from, count, text);
}

void TGlyphEditLineChars::ReplaceInBlock(qsizetype from, qsizetype count, QStringView text) {
    const qsizetype oldSize = Size();
    const qsizetype newSize = oldSize - count + text.size();
    const auto* units = reinterpret_cast<const char16_t*>(text.utf16());
    const bool textWide = !AllLatin1(units, text.size());
    // Characters above 255 leaving a wide line may let it go back to one byte a character.
    bool removedWide = false;
    if (IsWide() && !textWide)
        removedWide = !AllLatin1(WideData() + from, count);
    if (textWide && !IsWide())
        Widen(newSize);
    Reserve(newSize);
    const qsizetype tail = oldSize - from - count;
    if (IsWide()) {
        char16_t* d = WideData();
        std::memmove(d + from + text.size(), d + from + count, size_t(tail) * 2);
        if (!text.isEmpty()) // an empty text may have no characters to point at
            std::memcpy(d + from, units, size_t(text.size()) * 2);
    } else {
        char* d = NarrowData();
        std::memmove(d + from + text.size(), d + from + count, size_t(tail));
        CopyNarrowing(units, text.size(), d + from);
    }
    BlockOf()->Size = std::uint32_t(newSize);
    if (removedWide && AllLatin1(WideData(), newSize))
        Narrow();
}

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
    return i >= 0 && i < LineCount() ? records_[i].Chars.ToString() : QString();
}

int TGlyphEditStringList::LineLength(int i) const {
    return i >= 0 && i < LineCount() ? int(records_[i].Chars.Size()) : 0;
}

QString TGlyphEditStringList::LineMid(int i, qsizetype from, qsizetype count) const {
    if (i < 0 || i >= LineCount())
        return QString();
    const TGlyphEditLineChars& chars = records_[i].Chars;
    const qsizetype size = chars.Size();
    if (from > size)
        return QString();
    if (from < 0) {
        if (count >= 0 && count + from < size) {
            count += from;
        } else {
            count = size;
        }
        from = 0;
    }
    if (count < 0 || count > size - from)
        count = size - from;
    return chars.Mid(from, count);
}

QChar TGlyphEditStringList::LineChar(int i, qsizetype pos) const {
    if (i < 0 || i >= LineCount() || pos < 0 || pos >= records_[i].Chars.Size())
        return QChar();
    return QChar(records_[i].Chars.At(pos));
}

bool TGlyphEditStringList::LineHasTabs(int i) const {
    if (i < 0 || i >= LineCount())
        return false;
    const TGlyphEditStringRec& rec = records_[i];
    if (rec.TabFlags & sfHasTabs)
        return true;
    if (rec.TabFlags & sfHasNoTabs)
        return false;
    // Asked at every caret move and paint: the answer is kept until the line changes.
    ExpandRecord(rec);
    return rec.TabFlags & sfHasTabs;
}

void TGlyphEditStringList::ReplaceChars(int i, qsizetype from, qsizetype count, QStringView text) {
    CheckIndex(i, LineCount());
    TGlyphEditStringRec& rec = records_[i];
    const qsizetype size = rec.Chars.Size();
    from = std::clamp<qsizetype>(from, 0, size);
    count = std::clamp<qsizetype>(count, 0, size - from);
    AboutToChange(i, 1);
    ChangeBracket bracket(*this);
    // Known once, the expanded length then follows each edit without another look at the line.
    if (rec.TabFlags & sfExpandedLengthUnknown)
        ExpandRecord(rec);
    // Whether the edit can move a tab stop: a tab in the line or in the new text.
    const bool tabs = !(rec.TabFlags & sfHasNoTabs) || text.contains(u'\t');
    const int oldLength = rec.ExpandedLength;
    if (count > 0 || !text.isEmpty())
        ForgetOwnBreak(rec);
    rec.Chars.Replace(from, count, text);
    AfterLineEdit(i, oldLength, count, text.size(), tabs);
    lastLineEdit_ = {i, from, count, text.size()};
    Fire(OnLineChanged, i);
    lastLineEdit_ = {};
}

// Without tabs an edit changes the expanded length by the difference in characters, and the
// longest line can be settled from this line alone; otherwise both are worked out again later.
void TGlyphEditStringList::AfterLineEdit(int i, int oldLength, qsizetype removed,
                                         qsizetype inserted, bool tabs) {
    TGlyphEditStringRec& rec = records_[i];
    if (tabs || oldLength < 0) {
        rec.ExpandedLength = -1;
        SetTabFlags(rec, sfExpandedLengthUnknown);
        longestLineIndex_ = -1;
        return;
    }
    rec.ExpandedLength = int(oldLength - removed + inserted);
    if (longestLineIndex_ < 0)
        return;
    const int best = records_[longestLineIndex_].ExpandedLength;
    if (i == longestLineIndex_) {
        if (rec.ExpandedLength < oldLength)
            longestLineIndex_ = -1;
    } else if (rec.ExpandedLength > best || (rec.ExpandedLength == best && i < longestLineIndex_)) {
        longestLineIndex_ = i;
    }
}

// An edited line takes the list's style; its own break is forgotten.
void TGlyphEditStringList::ForgetOwnBreak(const TGlyphEditStringRec& rec) {
    if (rec.TabFlags & sfOwnBreak) {
        rec.TabFlags &= std::uint8_t(~sfOwnBreak);
        --ownBreaks_;
    }
}

void TGlyphEditStringList::AboutToChange(int index, int count) const {
    if (OnLinesAboutToChange)
        OnLinesAboutToChange(index, count);
}

std::optional<TLineBreakStyle> TGlyphEditStringList::OwnLineBreak(int i) const {
    if (i < 0 || i >= LineCount())
        return std::nullopt;
    const int own = (records_[i].TabFlags & sfOwnBreak) >> sfBreakShift;
    return own ? std::optional(TLineBreakStyle(own - 1)) : std::nullopt;
}

void TGlyphEditStringList::SetOwnLineBreak(int i, std::optional<TLineBreakStyle> style) {
    CheckIndex(i, LineCount());
    const TGlyphEditStringRec& rec = records_[i];
    ForgetOwnBreak(rec);
    if (style && *style != lineBreakStyle_) {
        rec.TabFlags |= std::uint8_t((*style + 1) << sfBreakShift);
        ++ownBreaks_;
    }
}

void TGlyphEditStringList::ShiftUserData(int from, int delta) {
    if (userData_.empty() || delta == 0)
        return;
    std::map<int, void*> shifted;
    for (const auto& [line, data] : userData_)
        shifted.emplace(line >= from ? line + delta : line, data);
    userData_ = std::move(shifted);
}

void TGlyphEditStringList::DropUserData(int from, int count) {
    if (userData_.empty())
        return;
    userData_.erase(userData_.lower_bound(from), userData_.lower_bound(from + count));
    ShiftUserData(from + count, -count);
}

void TGlyphEditStringList::SetLine(int i, const QString& s) {
    if (i == LineCount())
        AppendLine(s);
    else
        SetLineChars(i, TGlyphEditLineChars(s));
}

void TGlyphEditStringList::SetLine(int i, QStringView s) {
    if (i == LineCount())
        AppendLine(s.toString());
    else
        SetLineChars(i, TGlyphEditLineChars(s));
}

void TGlyphEditStringList::SetLineChars(int i, TGlyphEditLineChars&& chars) {
    CheckIndex(i, LineCount());
    AboutToChange(i, 1);
    ChangeBracket bracket(*this);
    TGlyphEditStringRec& rec = records_[i];
    rec.Chars = std::move(chars);
    rec.ExpandedLength = -1;
    ForgetOwnBreak(rec);
    SetTabFlags(rec, sfExpandedLengthUnknown);
    longestLineIndex_ = -1;
    Fire(OnLineChanged, i);
}

void* TGlyphEditStringList::GetLineData(int i) const {
    const auto it = userData_.find(i);
    return it == userData_.end() ? nullptr : it->second;
}

void TGlyphEditStringList::SetLineData(int i, void* d) {
    CheckIndex(i, LineCount());
    ChangeBracket bracket(*this);
    if (d)
        userData_[i] = d;
    else
        userData_.erase(i);
}

int TGlyphEditStringList::AppendLine(const QString& s) {
    const int index = LineCount();
    AboutToChange(index, 0);
    ChangeBracket bracket(*this);
    Grow(index + 1);
    records_.append(TGlyphEditStringRec{TGlyphEditLineChars(s)});
    longestLineIndex_ = -1;
    Fire(OnLineAdded, index, s);
    return index;
}

void TGlyphEditStringList::InsertLine(int i, const QString& s) {
    CheckIndex(i, LineCount() + 1);
    AboutToChange(i, 0);
    ChangeBracket bracket(*this);
    Grow(LineCount() + 1);
    records_.insert(i, TGlyphEditStringRec{TGlyphEditLineChars(s)});
    ShiftUserData(i, 1);
    longestLineIndex_ = -1;
    Fire(OnLineInserted, i, s);
}

void TGlyphEditStringList::DeleteLine(int i) {
    CheckIndex(i, LineCount());
    AboutToChange(i, 1);
    ChangeBracket bracket(*this);
    ForgetOwnBreak(records_[i]);
    records_.remove(i);
    DropUserData(i, 1);
    longestLineIndex_ = -1;
    if (OnLinesDeleted)
        OnLinesDeleted(i, 1);
}

void TGlyphEditStringList::SwapLines(int i, int j) {
    CheckIndex(i, LineCount());
    CheckIndex(j, LineCount());
    AboutToChange(i, 1);
    AboutToChange(j, 1);
    ChangeBracket bracket(*this);
    records_.swapItemsAt(i, j);
    void* dataI = GetLineData(i);
    void* dataJ = GetLineData(j);
    userData_.erase(i);
    userData_.erase(j);
    if (dataI)
        userData_[j] = dataI;
    if (dataJ)
        userData_[i] = dataJ;
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
    userData_.clear();
    ownBreaks_ = 0;
    ++lineBreakEpoch_;
    Fire(OnCleared);
}

void TGlyphEditStringList::AppendLines(const TGlyphEditStringList& list) {
    if (list.LineCount() == 0)
        return;
    const int first = LineCount();
    AboutToChange(first, 0);
    const int needed = first + list.LineCount();
    records_.reserve((needed + 15) / 16 * 16);
    for (const TGlyphEditStringRec& source : list.records_)
        records_.append(TGlyphEditStringRec{source.Chars});
    for (const auto& [line, data] : list.userData_)
        userData_[first + line] = data;
    longestLineIndex_ = -1;
    Fire(OnLineAdded, first, QString());
}

void TGlyphEditStringList::InsertEmptyLines(int i, int n) {
    if (n <= 0)
        return;
    CheckIndex(i, LineCount() + 1);
    AboutToChange(i, 0);
    ChangeBracket bracket(*this);
    Grow(LineCount() + n);
    TGlyphEditStringRec empty;
    empty.RangeState = 0;
    empty.ExpandedLength = 0;
    empty.TabFlags = 0;
    records_.insert(i, n, empty);
    ShiftUserData(i, n);
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
    AboutToChange(i, count);
    ChangeBracket bracket(*this);
    for (int k = i; k < i + count; ++k)
        ForgetOwnBreak(records_[k]);
    records_.remove(i, count);
    DropUserData(i, count);
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

void TGlyphEditStringList::ExpandRecord(const TGlyphEditStringRec& rec) const {
    bool hasTabs = false;
    rec.ExpandedLength = ExpandedLengthOf(rec.Chars, tabWidth_, hasTabs);
    SetTabFlags(rec, hasTabs ? sfHasTabs : sfHasNoTabs);
}

QString TGlyphEditStringList::ExpandedText(int i) {
    if (i < 0 || i >= LineCount())
        return QString();
    TGlyphEditStringRec& rec = records_[i];
    if (rec.TabFlags & sfHasNoTabs)
        return rec.Chars.ToString();
    ExpandRecord(rec);
    const QString text = rec.Chars.ToString();
    if (rec.TabFlags & sfHasNoTabs)
        return text;
    if (tabWidth_ <= 1)
        return ExpandWidthOne(text);
    if ((tabWidth_ & (tabWidth_ - 1)) == 0)
        return ExpandPowerOfTwo(text, tabWidth_);
    return ExpandGeneral(text, tabWidth_);
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
        SetTabFlags(rec, (rec.TabFlags & sfHasTabs) | sfExpandedLengthUnknown);
    }
}

QString TGlyphEditStringList::AllText() const {
    qsizetype size = 0;
    for (const TGlyphEditStringRec& rec : records_)
        size += rec.Chars.Size() + 2;
    QString text;
    text.reserve(size);
    for (const TGlyphEditStringRec& rec : records_) {
        rec.Chars.Visit([&text](const auto* p, qsizetype n) {
            if constexpr (sizeof(*p) == 1)
                text.append(QLatin1StringView(reinterpret_cast<const char*>(p), n));
            else
                text.append(reinterpret_cast<const QChar*>(p), n);
        });
        text.append(u"\r\n");
    }
    return text;
}

void TGlyphEditStringList::SetAllText(const QString& text) {
    ChangeBracket bracket(*this);
    RemoveAll();
    // A NUL is a character like any other: cutting the text there would lose the rest.
    const QChar* p = text.constData();
    const QChar* end = p + text.size();
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
        lines.append(rec.Chars.ToString());
    return lines;
}

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
// and whether UTF-8 must escape bytes that are not UTF-8.
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
TByteFormat DetectFormat(const QByteArray& bytes, std::optional<TTextEncoding> chosen) {
    const bool pairs = bytes.size() % 2 == 0;
    const bool utf8Mark = bytes.startsWith(Utf8Bom);
    const auto validUtf8 = [&] {
        return QByteArrayView(bytes).sliced(utf8Mark ? 3 : 0).isValidUtf8();
    };
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
        return {TTextEncoding::Utf8, utf8Mark, !validUtf8()};
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
// that are Latin-1 already) are copied as they are; only the others go through a decoder.
TGlyphEditLineChars DecodeLine(const TByteFormat& format, const char* begin, qsizetype length) {
    const auto* bytes = reinterpret_cast<const uchar*>(begin);
    uchar high = 0;
    for (qsizetype i = 0; i < length; ++i)
        high |= bytes[i];
    if (high < 0x80)
        return TGlyphEditLineChars::FromLatin1(begin, length);
    if (format.Encoding == TTextEncoding::Utf8) {
        if (format.Escapes && !QByteArrayView(begin, length).isValidUtf8())
            return TGlyphEditLineChars(DecodeUtf8Escaping(begin, length));
        return TGlyphEditLineChars(FromUtf8KeepingBom(begin, length));
    }
    if (std::none_of(bytes, bytes + length, [](uchar c) { return c >= 0x80 && c < 0xA0; }))
        return TGlyphEditLineChars::FromLatin1(begin, length);
    QString line = QString::fromLatin1(begin, length);
    for (QChar& c : line) {
        if (c.unicode() >= 0x80 && c.unicode() < 0xA0)
            c = QChar(Cp1252High[c.unicode() - 0x80]);
    }
    return TGlyphEditLineChars(line);
}

// The next place of one terminator byte at or after a position, searched with memchr and
// remembered until the position passes it, so the whole file is searched once per byte value.
class TNextByte {
public:
    TNextByte(char byte, const char* end) : byte_(byte), end_(end) {}
    const char* From(const char* p) {
        if (!next_ || next_ < p) {
            const void* hit = std::memchr(p, byte_, size_t(end_ - p));
            next_ = hit ? static_cast<const char*>(hit) : end_;
        }
        return next_;
    }

private:
    char byte_;
    const char* end_;
    const char* next_ = nullptr;
};

constexpr int NoBreak = -1;

// Cuts [p, end) into lines at CR LF, a lone CR and a lone LF (so LF CR ends two lines) and
// hands each to add(start, length, break style or NoBreak). `next` finds the next CR or LF.
// True when the last line ended with a break (and for no lines at all).
template <typename Unit, typename Next, typename Add>
bool CutLines(const Unit* p, const Unit* end, Next&& next, Add&& add) {
    bool lastBroken = true;
    while (p < end) {
        const Unit* start = p;
        p = next(p);
        const Unit* stop = p;
        int style = NoBreak;
        if (p < end) {
            style = *p++ == Unit('\r') ? lbsCr : lbsLf;
            if (style == lbsCr && p < end && *p == Unit('\n')) {
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

// Collects the lines with their breaks. Every line is first marked with its own break; once
// the style is known, lines with that break drop the mark.
class TLineCollector {
public:
    TLineCollector(TLoadedText& text, const TGlyphLoadLimits& limits, const QString& errorStart)
        : text_(text), limits_(limits), errorStart_(errorStart) {}

    // Adds the line that `decode` makes of `units` bytes or UTF-16 units (at least as many as
    // it has characters, so that only a line that long needs its characters counted).
    template <typename Decode> void Add(Decode&& decode, qsizetype units, int style) {
        if (text_.Records.size() >= limits_.MaxLines)
            Refuse(QStringLiteral("It has more lines than the editor can hold (%1).")
                       .arg(limits_.MaxLines));
        TGlyphEditStringRec rec{decode()};
        if (units > limits_.MaxLineLength && rec.Chars.Size() > limits_.MaxLineLength)
            Refuse(QStringLiteral("It has a line longer than the editor can hold (%1 characters).")
                       .arg(limits_.MaxLineLength));
        if (style != NoBreak) {
            ++counts_[style];
            rec.TabFlags |= std::uint8_t((style + 1) << sfBreakShift);
        }
        text_.Records.append(std::move(rec));
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
        QList<TGlyphEditStringRec>& records = text_.Records;
        for (TGlyphEditStringRec& rec : records) {
            if ((rec.TabFlags & sfOwnBreak) >> sfBreakShift == style + 1)
                rec.TabFlags &= std::uint8_t(~sfOwnBreak);
            else if (rec.TabFlags & sfOwnBreak)
                ++text_.OwnBreaks;
        }
        // The array grew by doubling; what it has to spare beyond an eighth goes back.
        if (records.capacity() > records.size() + records.size() / 8)
            records.squeeze();
    }

private:
    [[noreturn]] void Refuse(const QString& reason) const {
        throw EGlyphFileError(errorStart_ + u' ' + reason);
    }

    TLoadedText& text_;
    const TGlyphLoadLimits& limits_;
    const QString& errorStart_;
    std::array<int, 3> counts_{};
};

TLoadedText BuildLines(const QByteArray& bytes, std::optional<TTextEncoding> encoding,
                       const TGlyphLoadLimits& limits, const QString& errorStart) {
    TLoadedText text;
    text.Format = DetectFormat(bytes, encoding);
    const TByteFormat& format = text.Format;
    TLineCollector lines(text, limits, errorStart);
    const char* begin = bytes.constData() + MarkSize(format);
    const char* end = bytes.constData() + bytes.size();
    if (format.Encoding == TTextEncoding::Utf16LE || format.Encoding == TTextEncoding::Utf16BE) {
        if ((end - begin) % 2 != 0)
            throw EGlyphFileError(errorStart +
                                  QStringLiteral(" It has an odd number of bytes, so it is not "
                                                 "UTF-16."));
        const qsizetype count = (end - begin) / 2;
        QString units(count, Qt::Uninitialized);
        if (format.Encoding == TTextEncoding::Utf16LE)
            qFromLittleEndian<char16_t>(begin, count, units.data());
        else
            qFromBigEndian<char16_t>(begin, count, units.data());
        const auto* p = reinterpret_cast<const char16_t*>(units.constData());
        const auto next = [e = p + count](const char16_t* q) {
            return std::find_if(q, e, [](char16_t c) { return c == u'\r' || c == u'\n'; });
        };
        lines.Finish(CutLines(p, p + count, next, [&](const char16_t* s, qsizetype n, int style) {
            lines.Add([=] { return TGlyphEditLineChars(QStringView(s, n)); }, n, style);
        }));
        return text;
    }
    TNextByte nextCr('\r', end);
    TNextByte nextLf('\n', end);
    const auto next = [&](const char* q) { return std::min(nextCr.From(q), nextLf.From(q)); };
    lines.Finish(CutLines(begin, end, next, [&](const char* s, qsizetype n, int style) {
        lines.Add([&, s, n] { return DecodeLine(format, s, n); }, n, style);
    }));
    return text;
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
    const QString errorStart = QStringLiteral("Cannot open file \"%1\".").arg(fileName);
    const QByteArray bytes = WithinMemory(errorStart, [&] {
        return ReadWhole(file, QStringLiteral("Cannot read file \"%1\". %2").arg(fileName));
    });
    LoadBytes(bytes, encoding, errorStart);
}

void TGlyphEditStringList::LoadStream(QIODevice& stream, std::optional<TTextEncoding> encoding) {
    if (!stream.isSequential())
        stream.seek(0);
    const QString errorStart = QStringLiteral("Cannot read the file.");
    const QByteArray bytes = WithinMemory(
        errorStart, [&] { return ReadWhole(stream, QStringLiteral("Cannot read the file. %2")); });
    LoadBytes(bytes, encoding, errorStart);
}

// The new lines are built aside; the old ones go only when the new ones are complete, and the
// editor hears of them in one notification for the whole block.
void TGlyphEditStringList::LoadBytes(const QByteArray& bytes, std::optional<TTextEncoding> encoding,
                                     const QString& errorStart) {
    TLoadedText loaded = WithinMemory(
        errorStart, [&] { return BuildLines(bytes, encoding, LoadLimits, errorStart); });
    {
        ChangeBracket bracket(*this);
        RemoveAll();
        records_ = std::move(loaded.Records);
        ownBreaks_ = loaded.OwnBreaks;
        ++lineBreakEpoch_;
        longestLineIndex_ = -1;
        if (!records_.isEmpty())
            Fire(OnLineAdded, 0, QString());
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

void TGlyphEditStringList::SetLineBreakStyle(TLineBreakStyle style) {
    lineBreakStyle_ = style;
    for (const TGlyphEditStringRec& rec : records_)
        ForgetOwnBreak(rec);
    ++lineBreakEpoch_;
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
