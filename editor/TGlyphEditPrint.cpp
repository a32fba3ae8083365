#include "editor/TGlyphEditPrint.h"

#include "common/GlyphErrors.h"
#include "editor/TGlyphEdit.h"
#include "highlight/GlyphHighlightScan.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QLocale>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <cmath>

namespace {

int RoundHalfEven(double value) {
    return int(std::nearbyint(value));
}

// The printer's resolution for a font that the screen measured in pixels: the same size in
// points, so that the page shows the text as large as the editor does.
QFont PrinterFont(QFont font) {
    if (font.pixelSize() > 0)
        font.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
    return font;
}

QFont StyledFont(const QFont& base, TGlyphFontStyles style) {
    QFont font(base);
    font.setBold(style & fsBold);
    font.setItalic(style & fsItalic);
    font.setUnderline(style & fsUnderline);
    font.setStrikeOut(style & fsStrikeOut);
    return font;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Geometry

void TGlyphEditPrinterInfo::UpdatePrinter(const QPrinter& printer) {
    if (!printer.isValid())
        return;
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    const QRect page = printer.pageRect(QPrinter::DevicePixel).toRect();
    PaperWidth = paper.width();
    PaperHeight = paper.height();
    PrintWidth = page.width();
    PrintHeight = page.height();
    OffsetLeft = page.left() - paper.left();
    OffsetTop = page.top() - paper.top();
    OffsetRight = PaperWidth - PrintWidth - OffsetLeft;
    OffsetBottom = PaperHeight - PrintHeight - OffsetTop;
    DpiX = printer.logicalDpiX();
    DpiY = printer.logicalDpiY();
    PxPerMmX = float(DpiX / 25.4);
    PxPerMmY = float(DpiY / 25.4);
}

int TGlyphEditPrinterInfo::PixFromLeft(double mm) const {
    return RoundHalfEven(mm * PxPerMmX - OffsetLeft);
}
int TGlyphEditPrinterInfo::PixFromRight(double mm) const {
    return RoundHalfEven(mm * PxPerMmX - OffsetRight);
}
int TGlyphEditPrinterInfo::PixFromTop(double mm) const {
    return RoundHalfEven(mm * PxPerMmY - OffsetTop);
}
int TGlyphEditPrinterInfo::PixFromBottom(double mm) const {
    return RoundHalfEven(mm * PxPerMmY - OffsetBottom);
}

double TGlyphEditPrintMargins::ToUnits(double mm) const {
    switch (UnitSystem) {
    case usCM:
        return mm / 10;
    case usInch:
        return mm / 25.4;
    case muThousandthsOfInches:
        return mm / 25.4 * 1000;
    default:
        return mm;
    }
}

double TGlyphEditPrintMargins::FromUnits(double value) const {
    switch (UnitSystem) {
    case usCM:
        return value * 10;
    case usInch:
        return value * 25.4;
    case muThousandthsOfInches:
        return value * 25.4 / 1000;
    default:
        return value;
    }
}

TGlyphEditPageLayout TGlyphEditPrintMargins::ComputePageLayout(const TGlyphEditPrinterInfo& info,
                                                               int page,
                                                               int lineNumberWidth) const {
    TGlyphEditPageLayout l;
    const bool mirrored = MirrorMargins && page % 2 == 0;
    l.TextLeft = info.PixFromLeft(mirrored ? Right : Left + Gutter) + lineNumberWidth;
    l.TextRight = info.PrintWidth - info.PixFromRight(mirrored ? Left + Gutter : Right);
    l.TextTop = info.PixFromTop(Top);
    l.TextBottom = info.PrintHeight - info.PixFromBottom(Bottom);
    l.HeaderY = info.PixFromTop(Header);
    l.FooterY = info.PrintHeight - info.PixFromBottom(Footer);
    l.HFMarginPx = RoundHalfEven(info.PxPerMmY * HFInternalMargin);
    l.GutterPx = RoundHalfEven(info.PxPerMmX * Gutter);
    l.HFTextLeft = l.TextLeft + RoundHalfEven(info.PxPerMmX * LeftHFTextIndent);
    l.HFTextRight = l.TextRight - RoundHalfEven(info.PxPerMmX * RightHFTextIndent);
    return l;
}

// ---------------------------------------------------------------------------------------------
// Header and footer

QString RomanNumber(int value) {
    static const struct {
        int Value;
        const char* Text;
    } numerals[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"},
                    {90, "XC"},  {50, "L"},   {40, "XL"}, {10, "X"},   {9, "IX"},
                    {5, "V"},    {4, "IV"},   {1, "I"}};
    QString text;
    for (const auto& n : numerals) {
        for (; value >= n.Value; value -= n.Value)
            text += QLatin1String(n.Text);
    }
    return text;
}

void THeaderFooter::Add(const QString& text, int row, Qt::Alignment alignment) {
    Items.append({text, DefaultFont, row, alignment});
}

QString THeaderFooter::ExpandMacros(const QString& text, int page, int pageCount,
                                    const QString& title, const QString& date,
                                    const QString& time) const {
    static const QRegularExpression macro(
        QStringLiteral("\\$(PAGENUM|PAGECOUNT|TITLE|DATETIME|TIMEDATE|DATE|TIME)\\$"),
        QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype from = 0;
    for (auto it = macro.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += QStringView(text).mid(from, m.capturedStart() - from);
        const QString name = m.captured(1).toUpper();
        if (name == u"PAGENUM")
            out += RomanNumbers ? RomanNumber(page) : QString::number(page);
        else if (name == u"PAGECOUNT")
            out += QString::number(pageCount);
        else if (name == u"TITLE")
            out += title;
        else if (name == u"DATE")
            out += date;
        else if (name == u"TIME")
            out += time;
        else if (name == u"DATETIME")
            out += date + u' ' + time;
        else
            out += time + u' ' + date;
        from = m.capturedEnd();
    }
    return out + text.mid(from);
}

void THeaderFooter::Print(QPainter& painter, const TGlyphEditPageLayout& layout, int page,
                          int pageCount, const QString& title, const QString& date,
                          const QString& time) const {
    if (Items.isEmpty())
        return;
    int lastRow = 1;
    for (const THeaderFooterItem& item : Items)
        lastRow = std::max(lastRow, item.Row);
    QList<int> heights(lastRow + 1, 0), ascents(lastRow + 1, 0);
    for (const THeaderFooterItem& item : Items) {
        const QFontMetrics fm(item.Font, painter.device());
        heights[item.Row] = std::max(heights[item.Row], fm.height());
        ascents[item.Row] = std::max(ascents[item.Row], fm.ascent());
    }
    int blockHeight = 2 * layout.HFMarginPx;
    for (int h : heights)
        blockHeight += h;
    const int lineY = isHeader_ ? layout.HeaderY : layout.FooterY;
    const int top = isHeader_ ? lineY - blockHeight : lineY;
    const QRect block(layout.TextLeft, top, layout.TextRight - layout.TextLeft, blockHeight);
    painter.save();
    if (FrameTypes & ftShaded)
        painter.fillRect(block, ShadedColor);
    if (FrameTypes & ftBox) {
        painter.setPen(LineColor);
        painter.drawRect(block);
    }
    if (FrameTypes & ftLine) {
        painter.setPen(LineColor);
        painter.drawLine(layout.TextLeft, lineY, layout.TextRight, lineY);
    }
    painter.setPen(Qt::black);
    for (const THeaderFooterItem& item : Items) {
        int y = top + layout.HFMarginPx + ascents[item.Row];
        for (int row = 1; row < item.Row; ++row)
            y += heights[row];
        const QString text = ExpandMacros(item.ItemText, page, pageCount, title, date, time);
        painter.setFont(item.Font);
        const int width =
            int(std::ceil(QFontMetricsF(item.Font, painter.device()).horizontalAdvance(text)));
        Qt::Alignment alignment = item.Alignment;
        if (MirrorPosition && page % 2 == 0 && !(alignment & Qt::AlignHCenter))
            alignment = alignment & Qt::AlignRight ? Qt::AlignLeft : Qt::AlignRight;
        int x = layout.HFTextLeft;
        if (alignment & Qt::AlignRight)
            x = layout.HFTextRight - width;
        else if (alignment & Qt::AlignHCenter)
            x = (layout.HFTextLeft + layout.HFTextRight - width) / 2;
        painter.drawText(x, y, text);
    }
    painter.restore();
}

// ---------------------------------------------------------------------------------------------
// Wrapping

std::optional<QList<int>> FindWrapPositions(QStringView line, QStringView breakChars, int columns) {
    QList<int> positions;
    const qsizetype length = line.size();
    if (length <= columns)
        return positions;
    qsizetype rowStart = 0;
    qsizetype lastBreak = -1;
    for (qsizetype i = 0; i < length; ++i) {
        if (breakChars.contains(line[i]))
            lastBreak = i;
        if (i + 1 - rowStart < columns && i + 1 < length)
            continue;
        if (lastBreak < rowStart)
            return std::nullopt;
        positions.append(int(lastBreak + 1));
        rowStart = lastBreak + 1;
        if (length - rowStart <= columns)
            break;
    }
    return positions;
}

QList<int> LineWrapPositions(QStringView line, int columns) {
    if (columns <= 0 || line.size() <= columns)
        return {};
    if (auto positions = FindWrapPositions(line, u"\t ,-", columns))
        return *positions;
    if (auto positions = FindWrapPositions(line, u").;", columns))
        return *positions;
    QList<int> cuts;
    for (qsizetype at = columns; at < line.size(); at += columns)
        cuts.append(int(at));
    return cuts;
}

// ---------------------------------------------------------------------------------------------
// The print component

TGlyphEditPrint::TGlyphEditPrint() {
    font_ = QFont(QStringLiteral("Courier New"), 10);
    font_.setStyleHint(QFont::TypeWriter);
}

void TGlyphEditPrint::SetLines(const QStringList& lines) {
    lines_ = lines;
    rangesStale_ = true;
}

void TGlyphEditPrint::SetFont(const QFont& font) {
    font_ = font;
    rangesStale_ = true;
}

void TGlyphEditPrint::SetHighlighter(TGlyphCustomHighlighter* highlighter) {
    highlighter_ = highlighter;
    rangesStale_ = true;
}

void TGlyphEditPrint::CopyFromEditor(const TCustomGlyphEdit& edit, const QFont& font,
                                     TGlyphCustomHighlighter* highlighter) {
    SetHighlighter(highlighter);
    SetFont(font);
    tabWidth_ = edit.TabWidth();
    QStringList lines;
    lines.reserve(edit.LineCount());
    for (int y = 1; y <= edit.LineCount(); ++y) {
        const QString text = edit.LineText(y);
        if (!text.contains(u'\t')) {
            lines.append(text);
            continue;
        }
        // A tab reaches the next tab stop; the page shows it as blanks.
        QString expanded;
        for (QChar c : text) {
            if (c != u'\t')
                expanded += c;
            else
                expanded +=
                    QString(tabWidth_ <= 1 ? 1 : tabWidth_ - expanded.size() % tabWidth_, u' ');
        }
        lines.append(expanded);
    }
    SetLines(lines);
}

void TGlyphEditPrint::PrepareRanges() {
    rangeStates_.clear();
    if (!highlighter_ || lines_.isEmpty())
        return;
    rangeStates_.reserve(lines_.size());
    highlighter_->ResetState();
    rangeStates_.append(highlighter_->State());
    for (qsizetype i = 1; i < lines_.size(); ++i) {
        highlighter_->StartLine(lines_[i - 1], int(i - 1));
        highlighter_->ScanToLineEnd();
        rangeStates_.append(highlighter_->State());
    }
    highlighter_->ReleaseLine();
    rangesStale_ = false;
}

void TGlyphEditPrint::PreparePrinting(QPainter& painter) {
    painter.setFont(PrinterFont(font_));
    PrepareLayout(painter.font(), painter.device());
    const QDateTime now = QDateTime::currentDateTime();
    date_ = QLocale().toString(now.date(), QLocale::ShortFormat);
    time_ = QLocale().toString(now.time(), QLocale::ShortFormat);
}

int TGlyphEditPrint::CountPages(QPrinter& printer) {
    info_.UpdatePrinter(printer);
    PrepareLayout(QFont(PrinterFont(font_), &printer), &printer);
    return PageCount();
}

void TGlyphEditPrint::PrepareLayout(const QFont& font, QPaintDevice* device) {
    for (TGlyphFontStyles style = 0; style < styledFonts_.size(); ++style) {
        styledFonts_[style] = StyledFont(font, style);
        plainGlyphs_[style].Ready = false;
    }
    paintedStyle_ = 0;
    const QFontMetricsF fm(font, device);
    charAdvance_ = fm.horizontalAdvance(u'W');
    rowHeight_ = std::max(1, int(std::ceil(fm.height() + fm.leading())));
    ascent_ = int(std::ceil(fm.ascent()));
    lineNumberWidth_ = 0;
    if (LineNumbers && !LineNumbersInMargin)
        lineNumberWidth_ = int(std::ceil(fm.horizontalAdvance(
            QString::number(lines_.size() + LineOffset) + QStringLiteral(": "))));
    layout_ = Margins.ComputePageLayout(info_, 1, lineNumberWidth_);
    useHighlighter_ = Highlight && highlighter_ && !lines_.isEmpty();
    PaginateLines();
}

void TGlyphEditPrint::PaginateLines() {
    if (useHighlighter_ && rangesStale_)
        PrepareRanges();
    // The largest count of "W"s that is narrower than the text area.
    const double width = layout_.TextRight - layout_.TextLeft;
    columnsPerRow_ = std::max(1, int(std::ceil(width / charAdvance_)) - 1);
    rowsPerPage_ = std::max(1, (layout_.TextBottom - layout_.TextTop) / rowHeight_);
    // Pages break between rows, so that the rows of a long line that do not fit on its page
    // go on the next one instead of running over the bottom margin and off the paper.
    pages_ = {{0, 0}};
    int rowOnPage = 0;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const int rows = Wrap ? int(LineWrapPositions(lines_[i], columnsPerRow_).size()) + 1 : 1;
        for (int row = 0; row < rows; ++row, ++rowOnPage) {
            if (rowOnPage == rowsPerPage_) {
                pages_.append({int(i), row});
                rowOnPage = 0;
            }
        }
    }
}

QList<int> TGlyphEditPrint::RowStarts(int line) const {
    QList<int> starts{0};
    if (Wrap)
        starts += LineWrapPositions(lines_.at(line), columnsPerRow_);
    return starts;
}

bool TGlyphEditPrint::PrintPages(QPrinter& printer, int first, int last) {
    struct TPrintingFlag {
        bool& Flag;
        ~TPrintingFlag() { Flag = false; }
    } flag{printing_ = true};
    // A range past the end would print one blank sheet: refused before the job starts.
    if (first > 1) {
        const int pages = CountPages(printer);
        if (first > pages)
            throw EGlyphError(QStringLiteral("The document has %1 page%2, so pages %3 to %4 "
                                             "cannot be printed.")
                                  .arg(pages)
                                  .arg(pages == 1 ? "" : "s")
                                  .arg(first)
                                  .arg(last < 0 ? pages : last));
    }
    printer.setDocName(Title);
    QPainter painter;
    if (!painter.begin(&printer))
        throw EGlyphError(QStringLiteral("The printer cannot start printing."));
    info_.UpdatePrinter(printer);
    PreparePrinting(painter);
    if (last < 0 || last > PageCount())
        last = PageCount();
    first = std::max(first, 1);
    const int total = std::max(0, (last - first + 1) * Copies);
    int done = 0;
    for (int copy = 1; copy <= Copies; ++copy) {
        for (int page = first; page <= last; ++page) {
            PrintOnePage(painter, page);
            if (OnProgress && !OnProgress(++done, total)) {
                printer.abort();
                painter.end();
                return false;
            }
            if (page < last || copy < Copies)
                printer.newPage();
        }
    }
    painter.end();
    return true;
}

void TGlyphEditPrint::PrintOnePage(QPainter& painter, int page) {
    layout_ = Margins.ComputePageLayout(info_, page, lineNumberWidth_);
    painter.fillRect(QRect(QPoint(layout_.TextLeft, layout_.TextTop),
                           QPoint(layout_.TextRight, layout_.TextBottom)),
                     Color);
    Header.Print(painter, layout_, page + PageOffset, PageCount(), Title, date_, time_);
    const TPageLine start = pages_.at(page - 1);
    int rowsLeft = rowsPerPage_;
    int y = layout_.TextTop;
    int firstRow = start.Row;
    for (int line = start.Line; rowsLeft > 0 && line < lines_.size(); ++line, firstRow = 0) {
        const QList<int> starts = RowStarts(line);
        const int rows = std::min(int(starts.size()) - firstRow, rowsLeft);
        PrintLineRows(painter, line, firstRow, rows, y);
        y += rows * rowHeight_;
        rowsLeft -= rows;
    }
    Footer.Print(painter, layout_, page + PageOffset, PageCount(), Title, date_, time_);
}

void TGlyphEditPrint::PrintLineRows(QPainter& painter, int line, int firstRow, int rowCount,
                                    int y) {
    const QString& text = lines_.at(line);
    const QList<int> starts = RowStarts(line);
    // Without wrapping the row holds what fits; the rest of the line is not printed.
    const auto rowEnd = [&](int row) {
        if (row + 1 < starts.size())
            return starts[row + 1];
        return Wrap ? int(text.size()) : std::min(int(text.size()), columnsPerRow_);
    };
    const auto useStyle = [&](TGlyphFontStyles style) {
        // Changing the painter's font costs a lookup: only a change of style sets it.
        if (style != paintedStyle_) {
            painter.setFont(styledFonts_[style & fsAllStyles]);
            paintedStyle_ = style;
        }
    };
    painter.setPen(FontColor);
    if (LineNumbers && firstRow == 0) {
        const QString number = QString::number(line + 1 + LineOffset) + QStringLiteral(": ");
        useStyle(0);
        const double width =
            QFontMetricsF(painter.font(), painter.device()).horizontalAdvance(number);
        painter.drawText(QPointF(layout_.TextLeft - width, y + ascent_), number);
    }
    const auto drawSpan = [&](int from, int to) {
        for (int row = firstRow; row < firstRow + rowCount; ++row) {
            const int a = std::max(from, starts[row]);
            const int b = std::min(to, rowEnd(row));
            if (a < b)
                DrawPiece(painter, paintedStyle_, QStringView(text).mid(a, b - a),
                          layout_.TextLeft + RoundHalfEven((a - starts[row]) * charAdvance_),
                          y + (row - firstRow) * rowHeight_ + ascent_);
        }
    };
    if (!useHighlighter_) {
        useStyle(0);
        drawSpan(0, int(text.size()));
        return;
    }
    TGlyphCustomHighlighter& h = *highlighter_;
    h.RestoreState(rangeStates_.value(line));
    h.StartLine(text, line);
    // Neighbouring tokens that look alike are drawn as one run: far fewer calls to draw text.
    struct TLook {
        TGlyphFontStyles Style = 0;
        TGlyphColor Foreground = clNone;
        TGlyphColor Background = clNone;
        bool operator==(const TLook&) const = default;
    };
    TLook run;
    int runStart = 0;
    int runEnd = 0;
    const auto drawRun = [&] {
        if (runEnd <= runStart)
            return;
        useStyle(run.Style);
        if (Colors) {
            const QColor fg = ToQColor(run.Foreground);
            painter.setPen(fg.isValid() ? fg : FontColor);
            const QColor bg = ToQColor(run.Background);
            painter.setBackgroundMode(bg.isValid() ? Qt::OpaqueMode : Qt::TransparentMode);
            painter.setBackground(bg.isValid() ? bg : Color);
        }
        drawSpan(runStart, runEnd);
    };
    ScanTokens(h, [&](const TGlyphTokenSpan& token) {
        TLook look;
        if (const TGlyphHighlighterAttributes* attribute = token.Attribute) {
            look.Style = attribute->Style();
            if (Colors) {
                look.Foreground = attribute->Foreground();
                look.Background = attribute->Background();
            }
        }
        const int end = token.Start + token.Length;
        if (look == run && token.Start == runEnd) {
            runEnd = end;
            return;
        }
        drawRun();
        run = look;
        runStart = token.Start;
        runEnd = end;
    });
    drawRun();
    h.ReleaseLine();
    painter.setBackgroundMode(Qt::TransparentMode);
}

void TGlyphEditPrint::DrawPiece(QPainter& painter, TGlyphFontStyles style, QStringView text, int x,
                                int y) {
    // An opaque background is painted by drawText only.
    if (painter.backgroundMode() == Qt::OpaqueMode || !DrawGlyphs(painter, style, text, x, y))
        painter.drawText(QPoint(x, y), text.toString());
}

// Shaping a run costs far more than printing it, and characters of the Latin scripts in one
// font only stand side by side: their glyphs and advances come from the font's own tables, the
// same ones the text engine reads. False, with nothing drawn, when the run holds a character the
// font lacks or one that shaping may change (controls, soft hyphens, combining marks).
const TGlyphEditPrint::TPlainGlyph& TGlyphEditPrint::TPlainGlyphs::Lookup(char16_t c) {
    TPlainGlyph& plain = Chars[c];
    if (plain.Known)
        return plain;
    plain.Known = true;
    if (c < 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD || !Font.supportsCharacter(QChar(c)))
        return plain;
    const QChar ch(c);
    int count = 1;
    Font.glyphIndexesForChars(&ch, 1, &plain.Glyph, &count);
    QPointF advance;
    Font.advancesForGlyphIndexes(&plain.Glyph, &advance, 1);
    plain.Advance = advance.x();
    return plain;
}

bool TGlyphEditPrint::DrawGlyphs(QPainter& painter, TGlyphFontStyles style, QStringView text, int x,
                                 int y) {
    TPlainGlyphs& plain = plainGlyphs_[style & fsAllStyles];
    if (!plain.Ready) {
        plain.Ready = true;
        plain.Font = QRawFont::fromFont(QFont(styledFonts_[style & fsAllStyles], painter.device()));
        plain.Chars.fill({});
        plain.Run = QGlyphRun();
        plain.Run.setRawFont(plain.Font);
        plain.Run.setUnderline(style & fsUnderline);
        plain.Run.setStrikeOut(style & fsStrikeOut);
    }
    if (!plain.Font.isValid())
        return false;
    runGlyphs_.resize(text.size());
    runPositions_.resize(text.size());
    qreal at = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= plain.Chars.size())
            return false;
        const TPlainGlyph& glyph = plain.Lookup(c);
        if (glyph.Glyph == 0)
            return false;
        runGlyphs_[i] = glyph.Glyph;
        runPositions_[i] = QPointF(at, 0);
        at += glyph.Advance;
    }
    plain.Run.setRawData(runGlyphs_.constData(), runPositions_.constData(), int(text.size()));
    painter.drawGlyphRun(QPointF(x, y), plain.Run);
    return true;
}
