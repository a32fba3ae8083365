#pragma once

#include <QString>
#include <QStringView>
#include <algorithm>
#include <array>

// The current line of a scanner. Reading past the last character answers 0, so scanning loops
// can stop on 0 the way 8-bit scanners stop on the terminating NUL. A NUL inside the line is a
// real character: test AtEnd(pos), not the character, to know the line is done.
class TGlyphScanLine {
public:
    void Set(const QString& text) {
        text_ = text;
        data_ = reinterpret_cast<const char16_t*>(text_.constData());
        length_ = int(text_.size());
    }
    // Makes the line end at `end` for the scanner, short of the text's own end: a part of a page
    // written in another language is scanned up to the place where that part stops.
    void SetEnd(int end) { length_ = end < 0 ? 0 : std::min(end, int(text_.size())); }
    // One unsigned comparison covers both ends: a negative index wraps past any length.
    char16_t operator[](int i) const {
        return unsigned(i) < unsigned(length_) ? data_[i] : char16_t(0);
    }
    bool AtEnd(int pos) const { return pos >= length_; }
    int Length() const { return length_; }
    const QString& Text() const { return text_; }
    QStringView View(int start, int length) const {
        return QStringView(text_).left(length_).mid(start, length);
    }

private:
    QString text_;
    const char16_t* data_ = u"";
    int length_ = 0;
};

// The dispatch table of a language scanner: one member-function handler for each code unit
// 0 to 255, one handler shared by every code unit above 255 (usually the language's identifier
// or "other" rule) and one for the end of the line. Build it once per instance in the language's
// constructor:
//
//   TGlyphHandlerTable<TGlyphJScriptHighlighter> table_{&TGlyphJScriptHighlighter::SymbolProc};
//   table_.SetLineEnd(&TGlyphJScriptHighlighter::NullProc);
//   table_.Set(0, &TGlyphJScriptHighlighter::SpaceProc);  // a NUL inside the line: one character
//   table_.SetRange(u'a', u'z', &TGlyphJScriptHighlighter::IdentProc);
//   table_.SetAbove(&TGlyphJScriptHighlighter::IdentProc);
//   ...
//   table_.Dispatch(*this, line_, pos_);   // in Advance
//
// Entry 0 is for a NUL character that really is in the line; the end of the line always goes to
// the line-end handler, so a line holding NULs is still tokenised to its end.
template <class THighlighter> class TGlyphHandlerTable {
public:
    using THandler = void (THighlighter::*)();

    // Every entry, the above-255 handler and the line-end handler start as `fill`.
    explicit TGlyphHandlerTable(THandler fill) : above_(fill), lineEnd_(fill) { table_.fill(fill); }

    void Set(char16_t c, THandler h) {
        if (c < 256) {
            table_[c] = h;
        }
    }
    void Set(QStringView chars, THandler h) {
        for (QChar c : chars) {
            Set(c.unicode(), h);
        }
    }
    void SetRange(char16_t first, char16_t last, THandler h) {
        for (unsigned c = first; c <= last && c < 256; ++c) {
            table_[c] = h;
        }
    }
    void SetAbove(THandler h) { above_ = h; }
    void SetLineEnd(THandler h) { lineEnd_ = h; }

    THandler operator[](char16_t c) const { return c < 256 ? table_[c] : above_; }
    THandler LineEnd() const { return lineEnd_; }
    THandler At(const TGlyphScanLine& line, int pos) const {
        return line.AtEnd(pos) ? lineEnd_ : (*this)[line[pos]];
    }
    // Runs the handler for the character at `pos` of `line` (or the line end).
    void Dispatch(THighlighter& h, const TGlyphScanLine& line, int pos) const {
        (h.*At(line, pos))();
    }

private:
    std::array<THandler, 256> table_;
    THandler above_;
    THandler lineEnd_;
};
