#pragma once

#include "highlight/TGlyphCustomHighlighter.h"

#include <QFont>
#include <QGlyphRun>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

class QPaintDevice;
class QPainter;
class QPrinter;
class TCustomGlyphEdit;

// The printer's geometry in device pixels; the defaults describe an A4 sheet at 300 dpi, which
// stands when there is no printer to ask.
struct TGlyphEditPrinterInfo {
    int PaperWidth = 2481;
    int PaperHeight = 3507;
    int PrintWidth = 2358;
    int PrintHeight = 3407;
    int OffsetLeft = 65;
    int OffsetTop = 50;
    int OffsetRight = 58;
    int OffsetBottom = 50;
    int DpiX = 300;
    int DpiY = 300;
    float PxPerMmX = 300 / 25.4f;
    float PxPerMmY = 300 / 25.4f;

    void UpdatePrinter(const QPrinter& printer);
    // A length in millimetres from an edge of the paper as an offset within the printable area.
    int PixFromLeft(double mm) const;
    int PixFromRight(double mm) const;
    int PixFromTop(double mm) const;
    int PixFromBottom(double mm) const;
};

enum TUnitSystem { usMM, usCM, usInch, muThousandthsOfInches };

// One page's text and header/footer places in device pixels within the printable area.
struct TGlyphEditPageLayout {
    int TextLeft = 0, TextRight = 0, TextTop = 0, TextBottom = 0;
    int HeaderY = 0, FooterY = 0, HFMarginPx = 0, GutterPx = 0;
    int HFTextLeft = 0, HFTextRight = 0;
};

// The margins, measured in millimetres from the paper's edges whatever UnitSystem shows them in.
class TGlyphEditPrintMargins {
public:
    double Left = 25, Right = 15, Top = 25, Bottom = 25;
    double Header = 15, Footer = 15;
    double LeftHFTextIndent = 2, RightHFTextIndent = 2, HFInternalMargin = 0.5;
    double Gutter = 0;
    bool MirrorMargins = false;
    TUnitSystem UnitSystem = usMM;

    // A length held in millimetres shown in UnitSystem, and back.
    double ToUnits(double mm) const;
    double FromUnits(double value) const;

    // The layout of page `page` (1-based); lineNumberWidth moves the text right.
    TGlyphEditPageLayout ComputePageLayout(const TGlyphEditPrinterInfo& info, int page,
                                           int lineNumberWidth) const;
};

enum TFrameType { ftLine = 1, ftBox = 2, ftShaded = 4 };

struct THeaderFooterItem {
    QString ItemText;
    QFont Font;
    int Row = 1;
    Qt::Alignment Alignment = Qt::AlignLeft;
};

// The lines above (THeader) or below (TFooter) the text; without items nothing is printed.
class THeaderFooter {
public:
    explicit THeaderFooter(bool isHeader) : isHeader_(isHeader) {}
    QList<THeaderFooterItem> Items;
    int FrameTypes = ftLine;
    QColor ShadedColor = QColor(0xC0, 0xC0, 0xC0);
    QColor LineColor = Qt::black;
    QFont DefaultFont = QFont("Arial", 10);
    bool RomanNumbers = false;
    bool MirrorPosition = false;

    void Add(const QString& text, int row = 1, Qt::Alignment alignment = Qt::AlignLeft);
    // The item's text with "$PAGENUM$", "$PAGECOUNT$", "$TITLE$", "$DATE$", "$TIME$",
    // "$DATETIME$" and "$TIMEDATE$" replaced (in any case).
    QString ExpandMacros(const QString& text, int page, int pageCount, const QString& title,
                         const QString& date, const QString& time) const;
    void Print(QPainter& painter, const TGlyphEditPageLayout& layout, int page, int pageCount,
               const QString& title, const QString& date, const QString& time) const;

private:
    bool isHeader_;
};

// Upper-case Roman numerals with the subtractive forms; 0 gives an empty text.
QString RomanNumber(int value);

// The wrap positions of a line (1-based: a row ends just after that character) at the break
// characters, or nothing when some stretch of `columns` characters holds none.
std::optional<QList<int>> FindWrapPositions(QStringView line, QStringView breakChars, int columns);
// The row ends of a line: at blanks, tabs, commas and hyphens, else at ")", "." and ";", else
// every `columns` characters. Empty when the line fits.
QList<int> LineWrapPositions(QStringView line, int columns);

// Prints lines of text on a printer with the styles of a highlighter, wrapped to the page.
class TGlyphEditPrint {
public:
    TGlyphEditPrint();

    int Copies = 1;
    THeaderFooter Header{true};
    THeaderFooter Footer{false};
    TGlyphEditPrintMargins Margins;
    bool Wrap = true;
    bool Highlight = true;
    bool Colors = false;
    bool LineNumbers = false;
    bool LineNumbersInMargin = false;
    int LineOffset = 0;
    int PageOffset = 0;
    QColor Color = Qt::white;
    QColor FontColor = Qt::black;
    QString Title;

    // Called after each page with the pages done and the pages to print; false stops the job.
    std::function<bool(int done, int total)> OnProgress;

    const QStringList& Lines() const { return lines_; }
    void SetLines(const QStringList& lines);
    const QFont& Font() const { return font_; }
    void SetFont(const QFont& font);
    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int width) { tabWidth_ = width; }
    TGlyphCustomHighlighter* Highlighter() const { return highlighter_; }
    void SetHighlighter(TGlyphCustomHighlighter* highlighter);

    // The editor's highlighter, its font (given by its view), its tab width and its lines with
    // the tabs expanded to blanks.
    void CopyFromEditor(const TCustomGlyphEdit& edit, const QFont& font,
                        TGlyphCustomHighlighter* highlighter);

    // Prints pages first to last (1-based; last < 0: the last page) in one job; false when
    // OnProgress stopped it. Throws EGlyphError when the printer cannot begin.
    // A First past the last page throws EGlyphError before the printer begins.
    bool PrintPages(QPrinter& printer, int first, int last);
    // The pages the lines take on Printer, counted without printing.
    int CountPages(QPrinter& printer);
    bool PrintDocument(QPrinter& printer) { return PrintPages(printer, 1, -1); }

    bool Printing() const { return printing_; }
    // Of the last job.
    int PageCount() const { return int(pages_.size()); }
    int ColumnsPerRow() const { return columnsPerRow_; }

private:
    struct TPageLine {
        int Line; // 0-based first line
        int Row;  // first row of that line on the page
    };
    void PrepareRanges();
    void PreparePrinting(QPainter& painter);
    // Fonts, metrics, page layout and pagination for Font on Device.
    void PrepareLayout(const QFont& font, QPaintDevice* device);
    void PaginateLines();
    QList<int> RowStarts(int line) const;
    void PrintOnePage(QPainter& painter, int page);
    void PrintLineRows(QPainter& painter, int line, int firstRow, int rowCount, int y);
    void DrawPiece(QPainter& painter, TGlyphFontStyles style, QStringView text, int x, int y);
    bool DrawGlyphs(QPainter& painter, TGlyphFontStyles style, QStringView text, int x, int y);

    QStringList lines_;
    QFont font_;
    int tabWidth_ = 8;
    TGlyphCustomHighlighter* highlighter_ = nullptr;
    QList<TGlyphCustomHighlighter::TState> rangeStates_;
    bool rangesStale_ = true;
    bool printing_ = false;
    bool useHighlighter_ = false;
    TGlyphEditPrinterInfo info_;
    TGlyphEditPageLayout layout_;
    QList<TPageLine> pages_;
    int columnsPerRow_ = 0;
    int rowHeight_ = 0;
    int ascent_ = 0;
    double charAdvance_ = 0;
    int rowsPerPage_ = 1;
    int lineNumberWidth_ = 0;
    QString date_, time_;
    // The text font in each combination of styles, and the one the painter has.
    std::array<QFont, fsAllStyles + 1> styledFonts_;
    TGlyphFontStyles paintedStyle_ = 0;
    // A style's glyphs of the characters that need no shaping, each looked up on first use:
    // runs of them go to the printer as glyphs side by side, without the text engine.
    struct TPlainGlyph {
        bool Known = false;
        quint32 Glyph = 0; // 0: shaped as text
        qreal Advance = 0;
    };
    struct TPlainGlyphs {
        bool Ready = false;
        QRawFont Font;
        QGlyphRun Run;
        std::array<TPlainGlyph, 0x300> Chars;
        const TPlainGlyph& Lookup(char16_t c);
    };
    std::array<TPlainGlyphs, fsAllStyles + 1> plainGlyphs_;
    QList<quint32> runGlyphs_;
    QList<QPointF> runPositions_;
};
