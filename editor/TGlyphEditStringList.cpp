// The line list's own operations: storing, reading and changing lines, their scanner states,
// tab expansion and the longest line.
#include "editor/TGlyphEditStringList.h"
#include "editor/TGlyphEditStringListBracket.h"

#include <algorithm>
#include <cstring>
#include <utility>

EGlyphEditStringList::EGlyphEditStringList(int index)
    : EGlyphError(QStringLiteral("Invalid stringlist index %1").arg(index)) {}

namespace {

using ChangeBracket = TGlyphChangeBracket;

// Sets a record's tab flags, keeping its own line break.
void SetTabFlags(const TGlyphEditStringRec& rec, std::uint8_t flags) {
    rec.TabFlags = std::uint8_t((rec.TabFlags & sfOwnBreak) | flags);
}

// Scanner states from here up to LargestDirectState are kept in the record itself; smaller
// stored values number the large states.
constexpr std::int32_t SmallestDirectState = -(1 << (TGlyphEditStringRec::StateBits - 2));
constexpr std::int32_t LargestDirectState = (1 << (TGlyphEditStringRec::StateBits - 1)) - 1;

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
int CellsOf(const TGlyphEditLineChars& chars, int width) {
    return chars.Visit([width](const auto* p, qsizetype n) {
        int cells = 0;
        if constexpr (sizeof(*p) == 1) {
            // Counted again whenever the longest line is looked for: one byte is one cell, so
            // only the tabs need a look of their own.
            const auto* end = p + n;
            while (const void* tab = std::memchr(p, '\t', size_t(end - p))) {
                const auto* at = static_cast<const uchar*>(tab);
                cells += int(at - p);
                cells += width - cells % width;
                p = at + 1;
            }
            return cells + int(end - p);
        } else {
            for (qsizetype i = 0; i < n; ++i)
                cells += p[i] == u'\t' ? width - (cells % width) : 1;
            return cells;
        }
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
    return i >= 0 && i < LineCount() ? records_[i].Chars.ToString() : QString();
}

void TGlyphEditStringList::GetLineInto(int i, QString& text) const {
    if (i >= 0 && i < LineCount())
        records_[i].Chars.CopyTo(text);
    else
        text.clear();
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
    return HasTabs(records_[i]);
}

// Asked at every caret move and paint: the answer is kept until an edit may change it.
bool TGlyphEditStringList::HasTabs(const TGlyphEditStringRec& rec) const {
    if (!(rec.TabFlags & sfTabFlags))
        SetTabFlags(rec, rec.Chars.Contains(u'\t') ? sfHasTabs : sfHasNoTabs);
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
    if (count > 0 || !text.isEmpty())
        ForgetOwnBreak(rec);
    rec.Chars.Replace(from, count, text);
    // What is known of the line's tabs holds unless a tab comes in or may have gone.
    if (text.contains(u'\t'))
        SetTabFlags(rec, sfHasTabs);
    else if (count > 0 && (rec.TabFlags & sfHasTabs))
        SetTabFlags(rec, 0);
    AfterLineEdit(i);
    lastLineEdit_ = {i, from, count, text.size()};
    Fire(OnLineChanged, i);
    lastLineEdit_ = {};
}

// The longest line is settled from the edited line alone unless that line was the longest and
// got shorter; then it is found again when next asked for. Nothing is counted while it is
// unknown: with the default scrolling past line ends it is rarely asked for.
void TGlyphEditStringList::AfterLineEdit(int i) {
    if (longestLineIndex_ < 0)
        return;
    const int length = ExpandedLengthOf(records_[i]);
    if (i == longestLineIndex_) {
        if (length < longestLength_)
            longestLineIndex_ = -1;
        else
            longestLength_ = length;
    } else if (length > longestLength_ || (length == longestLength_ && i < longestLineIndex_)) {
        longestLineIndex_ = i;
        longestLength_ = length;
    }
}

// Typing Enter or deleting a line leaves the longest line known, unless it was the one deleted:
// finding it again takes a count of every line with tabs.
void TGlyphEditStringList::AfterLinesInserted(int i, int n) {
    if (longestLineIndex_ < 0)
        return;
    if (longestLineIndex_ >= i)
        longestLineIndex_ += n;
    for (int k = i; k < i + n; ++k)
        AfterLineEdit(k);
}

void TGlyphEditStringList::AfterLinesRemoved(int i, int n) {
    if (longestLineIndex_ >= i + n)
        longestLineIndex_ -= n;
    else if (longestLineIndex_ >= i)
        longestLineIndex_ = -1;
}

void TGlyphEditStringList::SettleLongestLine() {
    if (unsettled_.Line < 0)
        return;
    longestLineIndex_ = unsettled_.LongestIndex;
    longestLength_ = unsettled_.LongestLength;
    AfterLineEdit(std::exchange(unsettled_.Line, -1));
}

// An edited line takes the list's style; its own break is forgotten.
void TGlyphEditStringList::ForgetOwnBreak(const TGlyphEditStringRec& rec) {
    if (rec.TabFlags & sfOwnBreak) {
        rec.TabFlags &= std::uint8_t(~sfOwnBreak);
        --ownBreaks_;
    }
}

void TGlyphEditStringList::AboutToChange(int index, int count) {
    SettleLongestLine();
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
    ForgetOwnBreak(rec);
    SetTabFlags(rec, 0);
    // The new text is not counted now: a paste sets many lines before the longest is asked for.
    if (longestLineIndex_ >= 0)
        unsettled_ = {i, longestLineIndex_, longestLength_};
    longestLineIndex_ = -1;
    Fire(OnLineChanged, i);
}

void TGlyphEditStringList::ExchangeLineChars(const std::vector<int>& lines,
                                             std::vector<TGlyphEditLineChars>& chars) {
    if (lines.empty())
        return;
    Q_ASSERT(lines.size() == chars.size());
    const int first = lines.front();
    const int last = lines.back();
    CheckIndex(first, LineCount());
    CheckIndex(last, LineCount());
    AboutToChange(first, last - first + 1);
    ChangeBracket bracket(*this);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const int i = lines[k];
        Q_ASSERT(k == 0 || i > lines[k - 1]);
        TGlyphEditStringRec& rec = records_[i];
        std::swap(rec.Chars, chars[k]);
        ForgetOwnBreak(rec);
        SetTabFlags(rec, 0);
        // The longest line follows without a walk over every line afterwards.
        AfterLineEdit(i);
    }
    lastLineEdit_ = {};
    if (!OnLinesRewritten)
        return;
    // One notification for each run of neighbouring lines: the lines between two runs are
    // unchanged, and a listener (the highlighting's re-scan) may stop at them.
    for (std::size_t k = 0; k < lines.size();) {
        std::size_t end = k + 1;
        while (end < lines.size() && lines[end] == lines[end - 1] + 1)
            ++end;
        OnLinesRewritten(lines[k], int(end - k));
        k = end;
    }
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
    AfterLinesInserted(index, 1);
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
    AfterLinesInserted(i, 1);
    Fire(OnLineInserted, i, s);
}

void TGlyphEditStringList::DeleteLine(int i) {
    CheckIndex(i, LineCount());
    AboutToChange(i, 1);
    ChangeBracket bracket(*this);
    ForgetOwnBreak(records_[i]);
    records_.remove(i);
    DropUserData(i, 1);
    AfterLinesRemoved(i, 1);
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
    unsettled_ = {};
    if (records_.isEmpty())
        return;
    ChangeBracket bracket(*this);
    records_ = QList<TGlyphEditStringRec>();
    userData_.clear();
    largeStates_.clear();
    largeStateNumbers_.clear();
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
    empty.State = 0;
    empty.TabFlags = sfHasNoTabs;
    records_.insert(i, n, empty);
    ShiftUserData(i, n);
    AfterLinesInserted(i, n);
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
    AfterLinesRemoved(i, count);
    if (OnLinesDeleted)
        OnLinesDeleted(i, count);
}

std::intptr_t TGlyphEditStringList::RangeState(int i) const {
    if (i < 0 || i >= LineCount())
        return 0;
    const std::int32_t stored = records_[i].State;
    return stored >= SmallestDirectState
               ? stored
               : largeStates_[std::size_t(SmallestDirectState - 1 - stored)];
}

// Highlighters keep small numbers; a state that needs more bits is kept once in a table.
std::int32_t TGlyphEditStringList::StoredState(std::intptr_t state) {
    if (state >= SmallestDirectState && state <= LargestDirectState)
        return std::int32_t(state);
    const auto [it, added] =
        largeStateNumbers_.try_emplace(state, std::int32_t(largeStates_.size()));
    if (added)
        largeStates_.push_back(state);
    return SmallestDirectState - 1 - it->second;
}

void TGlyphEditStringList::SetRangeState(int i, std::intptr_t v) {
    CheckIndex(i, LineCount());
    ChangeBracket bracket(*this);
    records_[i].State = StoredState(v);
}

int TGlyphEditStringList::ExpandedLengthOf(const TGlyphEditStringRec& rec) const {
    return HasTabs(rec) ? CellsOf(rec.Chars, tabWidth_) : int(rec.Chars.Size());
}

QString TGlyphEditStringList::ExpandedText(int i) {
    if (i < 0 || i >= LineCount())
        return QString();
    const TGlyphEditStringRec& rec = records_[i];
    const QString text = rec.Chars.ToString();
    if (!HasTabs(rec))
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
    SettleLongestLine();
    if (longestLineIndex_ < 0) {
        int best = 0;
        int bestLength = -1;
        for (int i = 0; i < LineCount(); ++i) {
            const TGlyphEditStringRec& rec = records_[i];
            // A tab takes at most tabWidth_ cells: a line that could not pass the best even
            // so is not counted.
            const qsizetype size = rec.Chars.Size();
            if (size * tabWidth_ <= bestLength)
                continue;
            const int length = ExpandedLengthOf(rec);
            if (length > bestLength) {
                best = i;
                bestLength = length;
            }
        }
        longestLineIndex_ = best;
        longestLength_ = bestLength;
    }
    return longestLength_;
}

void TGlyphEditStringList::SetTabWidth(int w) {
    w = std::max(w, 1);
    if (w == tabWidth_)
        return;
    tabWidth_ = w;
    longestLineIndex_ = -1;
    unsettled_ = {};
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

void TGlyphEditStringList::SetLineBreakStyle(TLineBreakStyle style) {
    lineBreakStyle_ = style;
    for (const TGlyphEditStringRec& rec : records_)
        ForgetOwnBreak(rec);
    ++lineBreakEpoch_;
}
