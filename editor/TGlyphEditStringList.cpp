#include "editor/TGlyphEditStringList.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

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
    ChangeBracket bracket(*this);
    // Known once, the expanded length then follows each edit without another look at the line.
    if (rec.TabFlags & sfExpandedLengthUnknown)
        ExpandRecord(rec);
    // Whether the edit can move a tab stop: a tab in the line or in the new text.
    const bool tabs = !(rec.TabFlags & sfHasNoTabs) || text.contains(u'\t');
    const int oldLength = rec.ExpandedLength;
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
        rec.TabFlags = sfExpandedLengthUnknown;
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
    if (i == LineCount()) {
        AppendLine(s);
        return;
    }
    CheckIndex(i, LineCount());
    ChangeBracket bracket(*this);
    TGlyphEditStringRec& rec = records_[i];
    rec.Chars = TGlyphEditLineChars(s);
    rec.ExpandedLength = -1;
    rec.TabFlags = sfExpandedLengthUnknown;
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
    ChangeBracket bracket(*this);
    const int index = LineCount();
    Grow(index + 1);
    records_.append(TGlyphEditStringRec{TGlyphEditLineChars(s)});
    longestLineIndex_ = -1;
    Fire(OnLineAdded, index, s);
    return index;
}

void TGlyphEditStringList::InsertLine(int i, const QString& s) {
    CheckIndex(i, LineCount() + 1);
    ChangeBracket bracket(*this);
    Grow(LineCount() + 1);
    records_.insert(i, TGlyphEditStringRec{TGlyphEditLineChars(s)});
    ShiftUserData(i, 1);
    longestLineIndex_ = -1;
    Fire(OnLineInserted, i, s);
}

void TGlyphEditStringList::DeleteLine(int i) {
    CheckIndex(i, LineCount());
    ChangeBracket bracket(*this);
    records_.remove(i);
    DropUserData(i, 1);
    longestLineIndex_ = -1;
    if (OnLinesDeleted)
        OnLinesDeleted(i, 1);
}

void TGlyphEditStringList::SwapLines(int i, int j) {
    CheckIndex(i, LineCount());
    CheckIndex(j, LineCount());
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
    Fire(OnCleared);
}

void TGlyphEditStringList::AppendLines(const TGlyphEditStringList& list) {
    if (list.LineCount() == 0)
        return;
    const int first = LineCount();
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
    ChangeBracket bracket(*this);
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
    rec.TabFlags = hasTabs ? sfHasTabs : sfHasNoTabs;
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
        rec.TabFlags = (rec.TabFlags & sfHasTabs) | sfExpandedLengthUnknown;
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
        lines.append(rec.Chars.ToString());
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

// Lines of plain ASCII (and, in Windows-1252, of bytes that are Latin-1 already) are copied
// as they are; only the others go through a decoder.
TGlyphEditLineChars TGlyphEditStringList::DecodeLine(const char* begin, qsizetype length) const {
    const auto* bytes = reinterpret_cast<const uchar*>(begin);
    uchar high = 0;
    for (qsizetype i = 0; i < length; ++i)
        high |= bytes[i];
    if (high < 0x80)
        return TGlyphEditLineChars::FromLatin1(begin, length);
    if (encoding_ == TTextEncoding::Utf8)
        return TGlyphEditLineChars(QString::fromUtf8(begin, length));
    if (std::none_of(bytes, bytes + length, [](uchar c) { return c >= 0x80 && c < 0xA0; }))
        return TGlyphEditLineChars::FromLatin1(begin, length);
    QString line = QString::fromLatin1(begin, length);
    for (QChar& c : line) {
        if (c.unicode() >= 0x80 && c.unicode() < 0xA0)
            c = QChar(Cp1252High[c.unicode() - 0x80]);
    }
    return TGlyphEditLineChars(line);
}

namespace {

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

} // namespace

// The lines go into the records in one sweep and the editor hears of them in one
// notification for the whole block, instead of one per line.
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
        TNextByte nextCr('\r', end);
        TNextByte nextLf('\n', end);
        TNextByte nextNul('\0', end);
        while (p < end) {
            const char* start = p;
            p = std::min({nextCr.From(p), nextLf.From(p), nextNul.From(p)});
            records_.append(TGlyphEditStringRec{DecodeLine(start, p - start)});
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
        // The array grew by doubling; what it has to spare beyond an eighth goes back.
        if (records_.capacity() > records_.size() + records_.size() / 8)
            records_.squeeze();
        longestLineIndex_ = -1;
        if (!records_.isEmpty())
            Fire(OnLineAdded, 0, QString());
    }
    lineBreakStyle_ = sawCr && !sawLf ? lbsCr : sawLf && !sawCr ? lbsLf : lbsCrLf;
}

namespace {

// The encoding a save uses: the one the file was read in, unless the text now holds a
// character Windows-1252 cannot store, in which case UTF-8 keeps it rather than losing it.
// A Latin-1 line whose bytes are the file's bytes as they stand: plain ASCII, or in
// Windows-1252 no byte from 0x80 to 0x9F (those stand for other characters there).
bool BytesAsStored(const TGlyphEditLineChars& chars, bool cp1252) {
    if (chars.IsWide())
        return false;
    return chars.Visit([cp1252](const auto* p, qsizetype n) {
        uchar high = 0;
        bool c1 = false;
        for (qsizetype i = 0; i < n; ++i) {
            high |= p[i];
            c1 |= p[i] >= 0x80 && p[i] < 0xA0;
        }
        return high < 0x80 || (cp1252 && !c1);
    });
}

QByteArrayView StoredBytes(const TGlyphEditLineChars& chars) {
    return chars.Visit([](const auto* p, qsizetype n) {
        return QByteArrayView(reinterpret_cast<const char*>(p), n);
    });
}

bool FitsCp1252(const QList<TGlyphEditStringRec>& records) {
    QByteArray scratch;
    for (const TGlyphEditStringRec& rec : records) {
        if (!BytesAsStored(rec.Chars, true) && !EncodeCp1252(rec.Chars.ToString(), scratch))
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
        if (BytesAsStored(rec.Chars, cp1252)) {
            sink.Line(StoredBytes(rec.Chars));
            continue;
        }
        if (cp1252)
            EncodeCp1252(rec.Chars.ToString(), bytes);
        else
            bytes = rec.Chars.ToString().toUtf8();
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
        void Raw(QByteArrayView b) { out.append(b); }
        void Line(QByteArrayView b) { out.append(b).append(lineBreak); }
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
            void Raw(QByteArrayView b) { writer.WriteRaw(b); }
            void Line(QByteArrayView b) { writer.WriteLine(b); }
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

void TGlyphEditFileWriter::WriteLine(QByteArrayView line) {
    Put(line.constData(), line.size(), true);
}

void TGlyphEditFileWriter::WriteRaw(QByteArrayView bytes) {
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
