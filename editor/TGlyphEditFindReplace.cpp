#include "editor/TGlyphEditFindReplace.h"

#include <utility>

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

int LineEndColumn(const TCustomGlyphEdit& edit, int line) {
    return edit.LineLength(line) + 1;
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

// Replace all without prompting, forwards, in stream selection, can do a whole line in one
// edit. A line whose trailing spaces the editor trims after each replacement goes match by
// match instead: a match standing in those spaces disappears with the first replacement.
bool TGlyphEditFindReplace::CanReplaceLineAtOnce(const QString& text,
                                                 const QString& replace) const {
    if (edit_.ReadOnly() || edit_.SelectionMode() != smNormal || edit_.Options() & eoNoSelection)
        return false;
    if (replace.contains(u'\r') || replace.contains(u'\n'))
        return false;
    return !(edit_.Options() & eoTrimTrailingSpaces && text.endsWith(u' '));
}

// Replaces every match of the line that passes the range test in one pass: the text from the
// first match to the end of the last is rebuilt once and written as one change (one deletion
// and one insertion in the open undo group), so the work grows with the line, not with the
// line times its matches. Caret and selection end as the match-by-match replacement leaves
// them. Answers the number of matches replaced.
int TGlyphEditFindReplace::ReplaceLineAtOnce(const QString& text, int line, const QString& replace,
                                             TRange& range) {
    const int s = static_cast<int>(engine_->Pattern().size());
    QList<int> hits;
    for (int k = 0; k < engine_->MatchCount(); ++k) {
        const int p = engine_->MatchAt(k);
        if (InRange(p, s, line, range))
            hits.append(p);
    }
    if (hits.isEmpty())
        return 0;
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
    edit_.SetSelectedText(span);
    edit_.ScrollCaretIntoView();
    if (range.End.Y == line) {
        range.End.X += static_cast<int>(span.size()) - (last - first);
        edit_.SetSelectionActiveEnd(range.End);
    }
    return static_cast<int>(hits.size());
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

    const int s = static_cast<int>(search.size());
    int count = 0;
    int line = backward ? range.End.Y : range.Start.Y;
    while (line >= range.Start.Y && line <= range.End.Y) {
        const QString text = edit_.LineText(line);
        const int n = engine_->FindAllInLine(text);
        if (n > 0 && replaceAll && !prompt && !backward && CanReplaceLineAtOnce(text, replace)) {
            count += ReplaceLineAtOnce(text, line, replace, range);
            ++line;
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
