#include "editor/TGlyphEditFindReplace.h"

#include "editor/TGlyphEditScopes.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <thread>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

// What a search took from the editor (the paint lock, an undo group), given back on every way
// out of it.
class TFindReplaceHold {
public:
    explicit TFindReplaceHold(TCustomGlyphEdit& edit) : edit_(edit) {}
    ~TFindReplaceHold() {
        if (undoGroup_)
            edit_.CloseUndoGroup();
        if (paintLock_)
            edit_.DecPaintLock();
    }
    TFindReplaceHold(const TFindReplaceHold&) = delete;
    TFindReplaceHold& operator=(const TFindReplaceHold&) = delete;

    void TakePaintLock() {
        if (!paintLock_)
            edit_.IncPaintLock();
        paintLock_ = true;
    }
    void OpenUndoGroup() {
        if (!undoGroup_)
            edit_.OpenUndoGroup();
        undoGroup_ = true;
    }

private:
    TCustomGlyphEdit& edit_;
    bool paintLock_ = false;
    bool undoGroup_ = false;
};

// Switches the editor to stream selection for one replacement and back.
class TStreamSelectionScope {
public:
    explicit TStreamSelectionScope(TCustomGlyphEdit& edit)
        : edit_(edit), saved_(edit.SelectionMode()) {
        edit_.SetSelectionMode(smNormal);
    }
    ~TStreamSelectionScope() { edit_.SetSelectionMode(saved_); }
    TStreamSelectionScope(const TStreamSelectionScope&) = delete;
    TStreamSelectionScope& operator=(const TStreamSelectionScope&) = delete;

private:
    TCustomGlyphEdit& edit_;
    TGlyphSelectionMode saved_;
};

// Lets a line rebuilt by replace all keep its trailing blanks, as a replacement that only
// deletes does.
class TKeepTrailingBlanksScope {
public:
    TKeepTrailingBlanksScope(TCustomGlyphEdit& edit, bool active)
        : edit_(edit), saved_(edit.Options()), active_(active && saved_ & eoTrimTrailingSpaces) {
        if (active_)
            edit_.SetOptions(saved_ & ~TGlyphEditorOptions(eoTrimTrailingSpaces));
    }
    ~TKeepTrailingBlanksScope() {
        if (active_)
            edit_.SetOptions(saved_);
    }
    TKeepTrailingBlanksScope(const TKeepTrailingBlanksScope&) = delete;
    TKeepTrailingBlanksScope& operator=(const TKeepTrailingBlanksScope&) = delete;

private:
    TCustomGlyphEdit& edit_;
    TGlyphEditorOptions saved_;
    bool active_;
};

int LineEndColumn(const TCustomGlyphEdit& edit, int line) {
    return edit.LineLength(line) + 1;
}

bool AllSpaces(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' '; });
}

// The length of the first `end` characters of `text` without their trailing spaces.
int WithoutTrailingSpaces(const QString& text, int end) {
    while (end > 0 && text.at(end - 1) == u' ')
        --end;
    return end;
}

// `line` := the text with the matches at `hits` (1-based columns, ascending) replaced, and
// without its trailing spaces when the editor trims them.
void ReplacedLine(const QString& text, const QList<int>& hits, int s, const QString& replace,
                  bool trims, QString& line) {
    line.resize(0); // keeps the room of the line before
    line.reserve(text.size() + hits.size() * (replace.size() - s));
    qsizetype from = 0;
    for (int p : hits) {
        line.append(QStringView(text).mid(from, p - 1 - from));
        line.append(replace);
        from = p - 1 + s;
    }
    line.append(QStringView(text).mid(from));
    if (trims)
        line.truncate(WithoutTrailingSpaces(line, int(line.size())));
}

bool HasLineBreak(const QString& text) {
    return text.contains(u'\r') || text.contains(u'\n');
}

} // namespace

TGlyphEditFindReplace::TGlyphEditFindReplace(TCustomGlyphEdit& edit) : edit_(edit) {}

TGlyphEditFindReplace::TRange TGlyphEditFindReplace::SearchRange(bool backward, bool fromCaret,
                                                                 bool selectionOnly) const {
    TRange range;
    if (selectionOnly) {
        range.Start = edit_.SelectionStart();
        range.End = edit_.SelectionEnd();
        if (edit_.SelectionMode() == smLine) {
            range.Start.X = 1;
            range.End.X = LineEndColumn(edit_, range.End.Y);
        } else if (edit_.SelectionMode() == smColumn && range.End.X < range.Start.X) {
            std::swap(range.Start.X, range.End.X);
        }
        return range;
    }
    const int last = edit_.LineCount();
    range.Start = {1, 1};
    range.End = {LineEndColumn(edit_, last), last};
    if (fromCaret) {
        if (backward)
            range.End = edit_.CaretXY();
        else
            range.Start = edit_.CaretXY();
    }
    return range;
}

// The range test, by the editor's present selection mode (also when the whole text is
// searched). In column mode a match must lie between the start and the end column on every
// line. Everything else takes the stream rule, which limits only the range's first and last
// line: a line selection's range already runs from column 1 to the line end, and a search from
// the caret must never find again the match it has just left behind.
bool TGlyphEditFindReplace::InRange(int p, int s, int line, const TRange& range) const {
    if (edit_.SelectionMode() == smColumn && range.End.X - range.Start.X > 0)
        return p >= range.Start.X && p + s <= range.End.X;
    return !(line == range.Start.Y && p < range.Start.X) &&
           !(line == range.End.Y && p + s > range.End.X);
}

// Selects the match with the caret at its end (forward) or its start (backward). The line is
// first brought to the middle of the view, so that the caret placement that follows scrolls the
// least amount.
void TGlyphEditFindReplace::ShowMatch(int p, int s, int line, bool backward) {
    edit_.SetSelectionAnchor({p, line});
    edit_.SetCaretXYEx({1, line}, false);
    edit_.ScrollCaretToMiddle();
    edit_.SetSelectionActiveEnd({p + s, line});
    edit_.SetCaretXY({p + s, line});
    if (backward)
        edit_.SetCaretXY({p, line});
}

// Writes the replacement over the selected match as one undo group. In line or column mode the
// selection would stand for whole lines or a rectangle, so the match is replaced as a stream.
void TGlyphEditFindReplace::ReplaceMatch(const QString& replace) {
    if (edit_.SelectionMode() == smNormal) {
        edit_.SetSelectedText(replace);
        return;
    }
    TStreamSelectionScope stream(edit_);
    edit_.SetSelectedText(replace);
}

// Replace all without prompting rebuilds each line once. Only an editor that takes the text and
// can select it goes match by match: a read-only one changes nothing, and one without a
// selection would insert each replacement after its match.
bool TGlyphEditFindReplace::CanReplaceLineAtOnce() const {
    return !edit_.ReadOnly() && !(edit_.Options() & eoNoSelection);
}

// The matches of the line that replacing them one by one would replace, in ascending order;
// the range end moves as that would move it. One by one, each replacement shifts the line's
// later matches (and the range end on that line) and may carry the rest of the line to a new
// line. A replacement also trims the line's trailing blanks (unless it only deletes), so
// forwards a later match that stood in them is gone; backwards, a replacement that leaves
// only blanks behind the text before it trims that text's trailing blanks in the same way.
void TGlyphEditFindReplace::MatchesToReplace(const TGlyphEditSearch& engine, const QString& text,
                                             int line, const QString& replace,
                                             const QStringList& pieces, TRange& range,
                                             bool backward, QList<int>& hits) const {
    const int s = static_cast<int>(engine.Pattern().size());
    const int n = engine.MatchCount();
    const bool trims = edit_.Options() & eoTrimTrailingSpaces && !replace.isEmpty();
    const int breaks = static_cast<int>(pieces.size()) - 1;
    hits.clear();
    if (backward) {
        int kept = static_cast<int>(text.size()); // the line's own text left before the changes
        bool nothingBehind = true;                // nothing after `kept` but trimmed blanks
        for (int k = n - 1; k >= 0; --k) {
            const int p = engine.MatchAt(k);
            if (!InRange(p, s, line, range) || p - 1 + s > kept)
                continue;
            hits.append(p);
            const bool blanksBehind =
                breaks > 0 ? AllSpaces(pieces.front())
                           : nothingBehind && AllSpaces(replace) &&
                                 AllSpaces(QStringView(text).mid(p - 1 + s, kept - (p - 1 + s)));
            nothingBehind = trims && blanksBehind;
            kept = nothingBehind ? WithoutTrailingSpaces(text, p - 1) : p - 1;
        }
        std::reverse(hits.begin(), hits.end());
        return;
    }
    const int end = trims ? WithoutTrailingSpaces(text, static_cast<int>(text.size()))
                          : static_cast<int>(text.size());
    int shift = 0; // from a match's column in `text` to its column on line `current`
    int current = line;
    for (int k = 0; k < n; ++k) {
        const int p = engine.MatchAt(k);
        const int column = p + shift;
        if (!InRange(column, s, current, range) || (!hits.isEmpty() && p - 1 + s > end))
            continue;
        hits.append(p);
        const TBufferCoord after =
            breaks == 0
                ? TBufferCoord{column + static_cast<int>(replace.size()), current}
                : TBufferCoord{static_cast<int>(pieces.back().size()) + 1, current + breaks};
        const int columnShift = after.X - (column + s);
        if (range.End.Y == current && edit_.SelectionMode() != smColumn)
            range.End.X += columnShift;
        if (range.End.Y >= current)
            range.End.Y += after.Y - current;
        shift += columnShift;
        current = after.Y;
    }
}

// Replaces the line's matches in one pass: the text from the first match to the end of the
// last is rebuilt once and written as one change (one deletion and one insertion in the open
// undo group), so the work grows with the line, not with the line times its matches. Text,
// count, caret and selection end as replacing the matches one by one leaves them.
TGlyphEditFindReplace::TLineReplaced
TGlyphEditFindReplace::ReplaceLineAtOnce(const QString& text, int line, const QString& replace,
                                         TRange& range, bool backward) {
    const QStringList pieces = GlyphEditSplitPieces(replace);
    QList<int> hits;
    MatchesToReplace(*engine_, text, line, replace, pieces, range, backward, hits);
    return ReplaceHits(text, line, replace, pieces, hits, range, backward);
}

// Writes the replacements of `hits`, the matches MatchesToReplace chose (and `range` as it
// left it).
TGlyphEditFindReplace::TLineReplaced
TGlyphEditFindReplace::ReplaceHits(const QString& text, int line, const QString& replace,
                                   const QStringList& pieces, const QList<int>& hits, TRange& range,
                                   bool backward) {
    if (hits.isEmpty())
        return {0, line};
    const int s = static_cast<int>(engine_->Pattern().size());
    const int first = hits.first();
    const int last = hits.last() + s;
    QString span;
    span.reserve(last - first + hits.size() * (replace.size() - s));
    int from = first;
    for (int p : hits) {
        span.append(QStringView(text).mid(from - 1, p - from));
        span.append(replace);
        from = p + s;
    }
    ShowMatch(first, s, line, false);
    edit_.SetSelectionActiveEnd({last, line});
    const int count = static_cast<int>(hits.size());
    {
        TStreamSelectionScope stream(edit_);
        TKeepTrailingBlanksScope keep(edit_, replace.isEmpty());
        edit_.SetSelectedText(span);
        if (backward) {
            // The last replacement made backwards is the line's first; the caret stays
            // behind it.
            const int breaks = static_cast<int>(pieces.size()) - 1;
            edit_.SetCaretXYEx(
                breaks == 0
                    ? TBufferCoord{first + static_cast<int>(replace.size()), line}
                    : TBufferCoord{static_cast<int>(pieces.back().size()) + 1, line + breaks},
                false);
            edit_.SetSelectionAnchor(edit_.CaretXY());
        }
    }
    if (backward)
        return {count, line};
    edit_.ScrollCaretIntoView();
    // Leaves the text from the last replacement to the range's end selected.
    const int current = edit_.CaretY();
    if (current == range.End.Y && edit_.SelectionMode() != smColumn)
        edit_.SetSelectionActiveEnd(range.End);
    return {count, current};
}

// Walks lines `first` to `last` (1-based, in the walk's direction) and rebuilds each line with
// matches; reads the text and nothing else, so that two walks can share the lines.
void TGlyphEditFindReplace::WalkLines(TGlyphEditSearch& engine, const QString& replace,
                                      const TRange& range, bool backward, int first, int last,
                                      TWalk& walk) const {
    const int s = static_cast<int>(engine.Pattern().size());
    const bool trims = edit_.Options() & eoTrimTrailingSpaces && !replace.isEmpty();
    const QStringList pieces{replace}; // no line breaks: one piece
    QList<int> hits;
    walk.PatternSize = s;
    walk.Replace = replace;
    walk.Trims = trims;
    const int step = backward ? -1 : 1;
    QString text; // its room serves every line
    for (int line = first; backward ? line >= last : line <= last; line += step) {
        edit_.Lines().GetLineInto(line - 1, text);
        if (engine.FindAllInLine(text) == 0)
            continue;
        // Without line breaks only the range's last line moves the range, and that line is
        // the last one reached: it is written apart, the line-at-a-time way.
        TRange probe = range;
        MatchesToReplace(engine, text, line, replace, pieces, probe, backward, hits);
        if (hits.isEmpty())
            continue;
        walk.SettleLast();
        walk.LastLine = line;
        walk.LastRange = probe;
        // The line is kept as read; the buffer it leaves serves the next line.
        std::swap(walk.LastText, text);
        std::swap(walk.LastHits, hits);
    }
}

void TGlyphEditFindReplace::TWalk::SettleLast() {
    if (LastLine == 0)
        return;
    ReplacedLine(LastText, LastHits, PatternSize, Replace, Trims, Built);
    Lines.push_back(LastLine - 1);
    Chars.emplace_back(Built);
    Count += static_cast<int>(LastHits.size());
}

void TGlyphEditFindReplace::TWalk::Append(TWalk&& later) {
    if (later.LastLine == 0)
        return;
    SettleLast();
    Lines.insert(Lines.end(), later.Lines.begin(), later.Lines.end());
    Chars.insert(Chars.end(), std::make_move_iterator(later.Chars.begin()),
                 std::make_move_iterator(later.Chars.end()));
    Count += later.Count;
    LastLine = later.LastLine;
    LastRange = later.LastRange;
    LastText = std::move(later.LastText);
    LastHits = std::move(later.LastHits);
}

// Replace all without prompting, for a replacement without line breaks: every line with
// matches but the last one reached is rebuilt once and all of them are written as one change
// (one undo entry, one notification for each run of neighbouring lines), so the work grows with
// the matched lines and nothing else; lines without a match are not touched. The last line goes the
// line-at-a-time way, which leaves the caret, the selection and the view as replacing one by one
// does. A long walk is shared with a second core, which takes the later half of the lines with
// an engine of its own; only the engine built in is copied so, an owner's may keep state.
int TGlyphEditFindReplace::ReplaceAllAtOnce(const QString& replace, TRange& range, bool backward) {
    const int first = backward ? range.End.Y : range.Start.Y;
    const int last = backward ? range.Start.Y : range.End.Y;
    const int lineCount = range.End.Y - range.Start.Y + 1;
    TWalk walk;
    if (lineCount >= SharedWalkLines && std::thread::hardware_concurrency() > 1 &&
        typeid(*engine_) == typeid(TGlyphEditSearch)) {
        const int middle = backward ? first - lineCount / 2 : first + lineCount / 2;
        TGlyphEditSearch helper;
        helper.SetMatchCase(engine_->MatchCase());
        helper.SetWholeWord(engine_->WholeWord());
        helper.SetPattern(engine_->Pattern());
        TWalk later;
        std::exception_ptr failure;
        {
            const std::jthread second([&] {
                try {
                    WalkLines(helper, replace, range, backward, middle, last, later);
                } catch (...) {
                    failure = std::current_exception();
                }
            });
            WalkLines(*engine_, replace, range, backward, first, middle - (backward ? -1 : 1),
                      walk);
        }
        if (failure)
            std::rethrow_exception(failure);
        walk.Append(std::move(later));
    } else {
        WalkLines(*engine_, replace, range, backward, first, last, walk);
    }
    if (walk.LastLine == 0)
        return 0;
    if (backward) {
        std::reverse(walk.Lines.begin(), walk.Lines.end());
        std::reverse(walk.Chars.begin(), walk.Chars.end());
    }
    edit_.RewriteLines(std::move(walk.Lines), std::move(walk.Chars));
    // The last line is as the walk read it, only other lines were rewritten: its matches and the
    // range they leave are the walk's.
    const QString text = std::move(walk.LastText);
    range = walk.LastRange;
    return walk.Count + ReplaceHits(text, walk.LastLine, replace, QStringList{replace},
                                    walk.LastHits, range, backward)
                            .Count;
}

int TGlyphEditFindReplace::FindAndReplace(const QString& search, const QString& replace,
                                          TGlyphSearchOptions options) {
    // The engine: the owner's, or our own, kept from one search to the next.
    if (OnSearchEngineOverride)
        OnSearchEngineOverride(&edit_, engine_);
    if (!engine_)
        engine_ = std::make_unique<TGlyphEditSearch>();
    if (search.isEmpty() || edit_.LineCount() == 0)
        return 0;

    const bool backward = options.testFlag(SearchBackward);
    const bool replaceOne = options.testFlag(SearchReplace);
    bool prompt = options.testFlag(SearchPrompt);
    bool replaceAll = options.testFlag(SearchReplaceAll);
    const bool fromCaret = !options.testFlag(SearchEntireText);
    const bool selectionOnly = options.testFlag(SearchSelectionOnly) && edit_.HasSelection();
    TRange range = SearchRange(backward, fromCaret, selectionOnly);

    engine_->SetMatchCase(options.testFlag(SearchMatchCase));
    engine_->SetWholeWord(options.testFlag(SearchWholeWord));
    engine_->SetPattern(search);

    // Replace all updates the view once at the end and, without prompting, is one undo step.
    TFindReplaceHold hold(edit_);
    if (replaceAll) {
        hold.TakePaintLock();
        if (!prompt)
            hold.OpenUndoGroup();
    }

    if (replaceAll && !prompt && CanReplaceLineAtOnce() && !HasLineBreak(replace))
        return ReplaceAllAtOnce(replace, range, backward);

    const int s = static_cast<int>(search.size());
    int count = 0;
    int line = backward ? range.End.Y : range.Start.Y;
    while (line >= range.Start.Y && line <= range.End.Y) {
        const QString text = edit_.LineText(line);
        const int n = engine_->FindAllInLine(text);
        if (n > 0 && replaceAll && !prompt && CanReplaceLineAtOnce()) {
            const TLineReplaced done = ReplaceLineAtOnce(text, line, replace, range, backward);
            count += done.Count;
            line = done.Line + (backward ? -1 : 1);
            continue;
        }
        bool lineChanged = false;
        for (int k = 0; k < n; ++k) {
            const int p = engine_->MatchAt(backward ? n - 1 - k : k);
            if (!InRange(p, s, line, range))
                continue;
            // Storing a replaced line drops its trailing spaces; a match that stood in them is
            // gone and must not be "replaced" by an insertion after the line end.
            if (lineChanged && !engine_->MatchesAt(edit_.LineText(line), p))
                continue;
            ++count;
            ShowMatch(p, s, line, backward);
            if (!replaceOne && !replaceAll)
                return count;

            TGlyphReplaceAction action = raReplace;
            if (prompt && OnReplaceText) {
                action = raCancel;
                OnReplaceText(&edit_, search, replace, line, p, action);
                if (action == raCancel)
                    return count;
            }
            if (action != raSkip) {
                if (action == raReplaceAll) {
                    replaceAll = true;
                    prompt = false;
                    hold.TakePaintLock();
                    hold.OpenUndoGroup();
                }
                // A read-only editor refuses the text: the match stays selected and counted,
                // and the line's other matches keep their columns.
                if (!edit_.ReadOnly()) {
                    ReplaceMatch(replace);
                    lineChanged = true;
                    if (!backward) {
                        // The caret stands right behind the replacement, which holds the rest of
                        // the line; with line breaks in the replacement that is a later line.
                        const TBufferCoord after = edit_.CaretXY();
                        const int lineShift = after.Y - line;
                        const int columnShift = after.X - (p + s);
                        edit_.ScrollCaretIntoView();
                        engine_->ShiftMatches(p, -columnShift);
                        if (range.End.Y == line && edit_.SelectionMode() != smColumn)
                            range.End.X += columnShift;
                        if (range.End.Y >= line)
                            range.End.Y += lineShift;
                        line = after.Y;
                        // Leaves the text from the replacement to the range's end selected.
                        if (line == range.End.Y && edit_.SelectionMode() != smColumn)
                            edit_.SetSelectionActiveEnd(range.End);
                    }
                }
            }
            if (!replaceAll)
                return count;
        }
        line += backward ? -1 : 1;
    }
    return count;
}
