#pragma once

#include "highlight/TGlyphCustomHighlighter.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <array>
#include <cstring>
#include <functional>

// The text an export reads: how many lines there are and each line by its 0-based index.
struct TGlyphExportLines {
    int Count = 0;
    std::function<QString(int)> Line;
};

// A place in the exported text: 1-based column and line.
struct TGlyphExportPos {
    int X = 1;
    int Y = 1;
};

// The format-neutral exporter: walks lines and tokens, keeps the run of colours and styles that
// is open in the output, and asks the format for the tags that open and close runs. The output
// is a byte buffer (UTF-8), or a file that ExportRangeToFile writes.
class TGlyphCustomExporter {
public:
    TGlyphCustomExporter() = default;
    virtual ~TGlyphCustomExporter() = default;
    TGlyphCustomExporter(const TGlyphCustomExporter&) = delete;
    TGlyphCustomExporter& operator=(const TGlyphCustomExporter&) = delete;

    TGlyphCustomHighlighter* Highlighter() const { return highlighter_; }
    void SetHighlighter(TGlyphCustomHighlighter* highlighter);

    // Page background; also the background of tokens without one of their own.
    TGlyphColor Color = clWindow;
    // Text colour (of tokens without a foreground of their own), face and point size.
    TGlyphColor FontColor = 0x000000;
    QString FontName = QStringLiteral("Courier New");
    int FontSize = 10;
    bool UseBackground = false;
    // Leaves out the enclosing html and body elements.
    bool CreateHTMLFragment = false;
    // The document form (a page of its own) rather than the clipboard form.
    bool WholeDocument = false;
    QString DefaultFilter;
    // The program named in the page's generator comment, with its version.
    QString Generator = QStringLiteral("Velmaris Glyphon");

    const QString& Title() const { return title_; }
    void SetTitle(const QString& title);

    // Called every few thousand lines with the lines done and the lines to do; answering false
    // stops the export and leaves the output empty.
    std::function<bool(int done, int total)> OnProgress;

    // Both answer whether anything was exported; nothing to export (no lines, no highlighter,
    // an empty range) keeps the previous output, a stopped export leaves it empty.
    bool ExportLines(const TGlyphExportLines& lines);
    bool ExportRange(const TGlyphExportLines& lines, TGlyphExportPos start, TGlyphExportPos stop);

    // Exports the document form straight into the file through a buffer of fixed size, so that
    // a large page is never held whole in memory; the file is replaced only once everything is
    // written, and stays as it was when the export stops. Throws EGlyphFileError when it cannot
    // write.
    bool ExportRangeToFile(const QString& fileName, const TGlyphExportLines& lines,
                           TGlyphExportPos start, TGlyphExportPos stop);

    const QByteArray& Output() const { return buffer_; }
    void ResetOutput();

protected:
    // The formatting operations, called with what changed from the open run to the next.
    virtual void EndRun(bool backgroundChanged, bool foregroundChanged,
                        TGlyphFontStyles stylesRemoved) = 0;
    virtual void BeginRun(bool backgroundChanged, bool foregroundChanged,
                          TGlyphFontStyles stylesAdded) = 0;
    virtual void EndLastRun() = 0;
    virtual void BeginFirstRun(bool backgroundChanged, bool foregroundChanged,
                               TGlyphFontStyles styles) = 0;
    // Appends the text with the format's escapes.
    virtual void EmitText(QStringView text) = 0;
    virtual void EmitLineBreak() = 0;
    // The text before the body, made before it; FinishOutput appends the footer and completes
    // the header once the body is written (its length is then known).
    virtual QByteArray HeaderText() = 0;
    virtual void FinishOutput() = 0;

    // Moves the open run to the token's colours and style. The tags a format writes for a
    // change must depend only on the run open before it and the token's attribute: the walk
    // copies them the next time the same change comes.
    void ApplyTokenAttribute(bool blankToken, const TGlyphHighlighterAttributes* attribute);

    // The output buffer is written at its write position and cut there once complete, so that
    // its size changes only when it must grow.
    char* Room(qsizetype bytes) {
        if (buffer_.size() - position_ < bytes)
            Grow(bytes);
        return buffer_.data() + position_;
    }
    void Grow(qsizetype bytes);
    void Wrote(qsizetype bytes) { position_ += bytes; }
    void Write(const char* text, qsizetype length) {
        std::memcpy(Room(length), text, size_t(length));
        position_ += length;
    }
    template <qsizetype N> void Write(const char (&text)[N]) { Write(text, N - 1); }
    void Write(const QByteArray& text) { Write(text.constData(), text.size()); }
    qsizetype Position() const { return position_; }
    void Cut() { buffer_.truncate(position_); }

    QByteArray buffer_;
    TGlyphColor OpenBackground = clWindow;
    TGlyphColor OpenForeground = clWindowText;
    TGlyphFontStyles OpenStyle = 0;

private:
    qsizetype position_ = 0;
    // How often the buffer grew or went to the file.
    int grown_ = 0;
    // Where full blocks of the document form go while ExportRangeToFile runs.
    QIODevice* sink_ = nullptr;
    bool sinkFailed_ = false;
    // Exports the characters from..to (0-based, to excluded) of the line, scanned whole.
    void ExportLine(const QString& text, int lineIndex, int from, int to);
    // ApplyTokenAttribute without the copies of changes made before.
    void ChangeRun(bool blankToken, const TGlyphHighlighterAttributes* attribute);

    // A change of run: the run open before it and the token that makes it.
    struct TRunChange {
        TGlyphColor Background = 0;
        TGlyphColor Foreground = 0;
        TGlyphFontStyles Style = 0;
        const TGlyphHighlighterAttributes* Attribute = nullptr;
        bool Blank = false;
        bool operator==(const TRunChange&) const = default;
    };
    // The tags a change wrote and the run it opened.
    struct TRunChangeTags {
        bool Made = false;
        TRunChange From;
        std::array<char, 160> Tags{};
        qsizetype Length = 0;
        TGlyphColor Background = 0;
        TGlyphColor Foreground = 0;
        TGlyphFontStyles Style = 0;
    };
    std::array<TRunChangeTags, 128> changes_{};

    TGlyphCustomHighlighter* highlighter_ = nullptr;
    QString title_ = QStringLiteral("Untitled");
    bool awaitingFirstToken_ = true;
};

// The HTML format: tokens in font tags of their colour and b/i/u/strike tags of their style,
// reserved and Latin-1 characters written as named references.
class TGlyphExporterHTML : public TGlyphCustomExporter {
public:
    // fsDefault (0) writes no size; 1 to 7 the HTML font size.
    int HTMLFontSize = 3;

    TGlyphExporterHTML();

    // The part of a clipboard-form output that is HTML: from StartHTML to EndHTML.
    QByteArray ClipboardHtml() const;
    // The named reference that stands for the character, or null when it is copied.
    static const char* CharacterReference(char16_t c);

protected:
    void EndRun(bool backgroundChanged, bool foregroundChanged,
                TGlyphFontStyles stylesRemoved) override;
    void BeginRun(bool backgroundChanged, bool foregroundChanged,
                  TGlyphFontStyles stylesAdded) override;
    void EndLastRun() override;
    void BeginFirstRun(bool backgroundChanged, bool foregroundChanged,
                       TGlyphFontStyles styles) override;
    void EmitText(QStringView text) override;
    void EmitLineBreak() override;
    QByteArray HeaderText() override;
    void FinishOutput() override;

private:
    void OpenSpan();
    void OpenFont();
    void OpenStyles();
    void CloseStyles();
    bool SpanOpen() const;
    bool FontOpen() const;
};
