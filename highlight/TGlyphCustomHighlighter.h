#pragma once

#include "highlight/TGlyphCharSet.h"
#include "highlight/TGlyphHighlighterAttributes.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QSettings;

// Indices answered by StandardAttribute.
enum TGlyphStandardAttribute {
    SYN_ATTR_COMMENT = 0,
    SYN_ATTR_IDENTIFIER = 1,
    SYN_ATTR_KEYWORD = 2,
    SYN_ATTR_STRING = 3,
    SYN_ATTR_WHITESPACE = 4,
    SYN_ATTR_SYMBOL = 5,
};

// Capabilities answered by Features.
enum TGlyphHighlighterCapability : std::uint32_t {
    hcRegistry = 1,     // the attributes can be loaded from and saved to the per-user store
    hcUserSettings = 2, // the language has settings of its own
};
using TGlyphHighlighterCapabilities = std::uint32_t;

// The abstract syntax highlighter. A language turns one line at a time into tokens, each with an
// attribute, and carries a pointer-sized state from the end of one line to the start of the
// next. Tokenising a line:
//
//   first line ? h.ResetState() : h.RestoreState(stateStoredForTheLine);
//   h.StartLine(text, lineNumber);
//   while (!h.AtLineEnd()) { h.TokenStart(); h.TokenText(); h.TokenAttribute(); h.Advance(); }
//   stateOfTheNextLine = h.State();
//
// The tokens cover the line without gaps or overlaps, each at least one character long.
// RestoreState takes a state the highlighter never stores (the -1 of a line not scanned yet, a
// stale number, another language's state) as the state after ResetState. An instance is not
// re-entrant: each reader begins with ResetState or RestoreState and StartLine.
//
// Attributes are kept sorted by Name without regard to case; all indexed access and the store
// follow that order. Changes of attributes, of Enabled and of language settings reach the hooked
// listeners (the editors showing the highlighter) unless an update bracket holds them back.
class TGlyphCustomHighlighter {
public:
    using TState = std::intptr_t;
    using TChangeHook = std::function<void()>;

    TGlyphCustomHighlighter();
    virtual ~TGlyphCustomHighlighter();
    TGlyphCustomHighlighter(const TGlyphCustomHighlighter&) = delete;
    TGlyphCustomHighlighter& operator=(const TGlyphCustomHighlighter&) = delete;

    // --- overridable operations, in slot order ---
    virtual int AttributeCount() const;
    // The i-th attribute in name order; null outside the range.
    virtual TGlyphHighlighterAttributes* AttributeAt(int i) const;
    // One of TGlyphStandardAttribute; null when the language has no such attribute.
    virtual TGlyphHighlighterAttributes* StandardAttribute(int index) const = 0;
    // Open-dialog filter: "description|pattern;pattern".
    virtual QString DefaultFilter() const;
    // The identifier characters; base: every character from 33 up (printable above 255).
    virtual TGlyphCharSet WordChars() const;
    // Replaces the word-break characters.
    virtual void SetBreakChars(const TGlyphCharSet& chars);
    virtual QString PreviewSample() const;
    virtual bool IsDefaultFilterStored() const;
    virtual void SetDefaultFilter(const QString& filter);
    virtual void SetPreviewSample(const QString& text);
    virtual TGlyphHighlighterCapabilities Features() const;
    virtual QString LanguageTitle() const;
    // True once the whole line has been tokenised.
    virtual bool AtLineEnd() const = 0;
    // The cross-line state after the tokens read so far; base: 0.
    virtual TState State() const;
    virtual QString TokenText() const = 0;
    // The attribute of the current token, or null (drawn in the editor's own colours).
    virtual TGlyphHighlighterAttributes* TokenAttribute() const = 0;
    // The language's own kind of the current token; never interpreted by the framework.
    virtual int TokenKind() const = 0;
    // 0-based offset of the current token in the line.
    virtual int TokenStart() const = 0;
    virtual bool IsReservedWord(const QString& word) const;
    // Moves to the next token.
    virtual void Advance() = 0;
    // Makes `text` the current line (0-based `lineNumber`) and scans its first token.
    virtual void StartLine(const QString& text, int lineNumber) = 0;
    // Sets the cross-line state; base: does nothing.
    virtual void RestoreState(TState state);
    // Sets the state of the start of a document; base: does nothing.
    virtual void ResetState();
    virtual bool ApplyPreset(int index);
    virtual void ListPresets(QStringList& list) const;
    // Reads the attributes from the store; see the .cpp for the key syntax. False when the key
    // or an attribute's subkey is missing; never throws.
    virtual bool LoadAttributes(QSettings& root, const QString& key);
    // Writes every attribute into the store. False when the store cannot be written.
    virtual bool SaveAttributes(QSettings& root, const QString& key) const;

    // --- additions beside the slot table ---
    // Length of the current token; base: TokenText().size().
    virtual int TokenLength() const;
    // The language whose attributes colour the current token: the highlighter itself, or the
    // language of a part of a page written in another one (a script inside HTML). Its
    // StandardAttribute tells that token's strings and comments apart.
    virtual const TGlyphCustomHighlighter* TokenLanguage() const { return this; }
    // Calls Advance until AtLineEnd.
    void ScanToLineEnd();
    // Advances past the tokens that end before `offset`: then the current token ends at or
    // after it, or the line is done. For a reader that looks only at some places of a long
    // line; a scanner may keep its own token loop here. Base: Advance while that holds.
    virtual void SkipTokensBefore(int offset);

    // Restarting inside a line, for very long lines. True when everything the scanner carries
    // from one token to the next is in ResumeState(): then a line can be continued from any
    // token boundary given only the ResumeState() a scan had there. Base: false.
    virtual bool CanResumeLine() const;
    // Everything the scanner carries from the token just read to the next: State() and
    // whatever else the language keeps between tokens on a line (packed into the same integer).
    // RestoreState takes it like a state; the extra counts only for ResumeLine, since StartLine
    // begins a line afresh. Base: State().
    virtual TState ResumeState() const;
    // Makes `text` the current line and scans its first token at `offset`, continuing in the
    // state restored before, which must be the ResumeState() a scan of the line had right after
    // the token that ended at `offset`. `text` may be a stretch of the line around that place;
    // offsets then count from the stretch's start. Base: StartLine (only valid at offset 0).
    virtual void ResumeLine(const QString& text, int lineNumber, int offset);
    // Lets go of the current line's text. A scanner keeps a reference to the line it read;
    // the line store edits a very long line in place only while nobody else holds it, so a
    // reader done with such a line drops it. Base: nothing held.
    virtual void ReleaseLine();

    const TGlyphCharSet& BreakChars() const { return breakChars_; }
    // The 22 word-break characters of a new highlighter.
    static TGlyphCharSet DefaultBreakChars();

    // The attribute of that exact name, or null.
    TGlyphHighlighterAttributes* AttributeByName(const QString& name) const;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    // Free integer for the owner (the main window marks the first selection in a run).
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    // Listeners of attribute and setting changes, identified by `listener` (any address that
    // stays the same while hooked, usually the editor). Hooking the same listener again replaces
    // its handler.
    void HookAttributeChange(const void* listener, TChangeHook handler);
    void UnhookAttributeChange(const void* listener);
    int HookCount() const { return int(hooks_.size()); }

    // Update bracket: while open, change notifications are only noted; the last EndUpdate sends
    // one notification when anything changed inside.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }
    bool ChangePending() const { return changePending_; }

    // The change notification: calls every hooked listener now, or notes the change while an
    // update bracket is open.
    void HighlightChanged();

    // Copies same-named attributes, the word-break characters, DefaultFilter and Enabled from
    // `other`, and its preview sample when it is of the same class.
    virtual void Assign(const TGlyphCustomHighlighter& other);

protected:
    // Puts a new attribute into the sorted list and answers it; a name already present (without
    // regard to case) throws EGlyphError.
    TGlyphHighlighterAttributes* AddAttribute(std::unique_ptr<TGlyphHighlighterAttributes> a);
    TGlyphHighlighterAttributes* AddAttribute(const QString& name);
    // Called at the end of every language constructor: connects every attribute's change
    // handler to HighlightChanged and records its present values as its defaults.
    void ConnectAttributes();

private:
    struct THook {
        const void* Listener;
        TChangeHook Handler;
    };

    std::vector<std::unique_ptr<TGlyphHighlighterAttributes>> attributes_; // sorted by name
    QString defaultFilter_;
    TGlyphCharSet breakChars_;
    bool enabled_ = true;
    int tag_ = 0;
    std::vector<THook> hooks_;
    int updateCount_ = 0;
    bool changePending_ = false;
};

// The per-user store of the highlighter colours; it stands for the registry key
// HKEY_CURRENT_USER\Software\Velmaris\GlyphEdit.
std::unique_ptr<QSettings> OpenHighlighterStore();

// Sets `name` in the open group of the store unless it already holds that value, so that saving
// colours that did not change leaves the file alone (they are saved at every start).
void SetStoreValue(QSettings& store, const QString& name, const QVariant& value);

// The settings group of a registry-style key path in that store, e.g.
// "\Software\Velmaris\GlyphEdit\TGlyphHTMLHighlighter\Default" gives
// "TGlyphHTMLHighlighter/Default"; a relative path keeps its parts ("A\B" gives "A/B").
QString HighlighterStoreGroup(const QString& keyPath);
