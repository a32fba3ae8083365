#include "highlight/TGlyphExporterHTML.h"

#include "common/GlyphErrors.h"
#include "highlight/GlyphHighlightScan.h"

#include <QSaveFile>
#include <QScopeGuard>
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

// How many lines pass between two progress calls.
constexpr int ProgressStep = 4096;
// The longest text one character can become: a named reference such as "&divide;".
constexpr qsizetype MaxEscapedLength = 8;
// The clipboard descriptor: its length, and where its first two numbers stand.
constexpr qsizetype DescriptorLength = 105;
constexpr qsizetype StartHtmlDigits = 23;
constexpr qsizetype EndHtmlDigits = 43;
// The block an export to a file fills before writing it.
constexpr qsizetype SinkBlockSize = 1024 * 1024;

// The named references of the characters 161 to 255 (172 and 182 have none).
constexpr const char* Latin1References[] = {
    "&iexcl;",  "&cent;",   "&pound;",  "&curren;", "&yen;",    "&brvbar;", "&sect;",   "&uml;",
    "&copy;",   "&ordf;",   "&laquo;",  nullptr,    "&shy;",    "&reg;",    "&macr;",   "&deg;",
    "&plusmn;", "&sup2;",   "&sup3;",   "&acute;",  "&micro;",  nullptr,    "&middot;", "&cedil;",
    "&sup1;",   "&ordm;",   "&raquo;",  "&frac14;", "&frac12;", "&frac34;", "&iquest;", "&Agrave;",
    "&Aacute;", "&Acirc;",  "&Atilde;", "&Auml;",   "&Aring;",  "&AElig;",  "&Ccedil;", "&Egrave;",
    "&Eacute;", "&Ecirc;",  "&Euml;",   "&Igrave;", "&Iacute;", "&Icirc;",  "&Iuml;",   "&ETH;",
    "&Ntilde;", "&Ograve;", "&Oacute;", "&Ocirc;",  "&Otilde;", "&Ouml;",   "&times;",  "&Oslash;",
    "&Ugrave;", "&Uacute;", "&Ucirc;",  "&Uuml;",   "&Yacute;", "&THORN;",  "&szlig;",  "&agrave;",
    "&aacute;", "&acirc;",  "&atilde;", "&auml;",   "&aring;",  "&aelig;",  "&ccedil;", "&egrave;",
    "&eacute;", "&ecirc;",  "&euml;",   "&igrave;", "&iacute;", "&icirc;",  "&iuml;",   "&eth;",
    "&ntilde;", "&ograve;", "&oacute;", "&ocirc;",  "&otilde;", "&ouml;",   "&divide;", "&oslash;",
    "&ugrave;", "&uacute;", "&ucirc;",  "&uuml;",   "&yacute;", "&thorn;",  "&yuml;"};
static_assert(std::size(Latin1References) == 255 - 161 + 1);

// Which ASCII characters have a reference; the rest are copied in one go.
constexpr std::array<bool, 128> AsciiEscaped = [] {
    std::array<bool, 128> table{};
    table['"'] = table['&'] = table['<'] = table['>'] = true;
    return table;
}();

bool IsBlankToken(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' '; });
}

// The colour as the page writes it: a double quote, "#RRGGBB", a double quote. Made by hand:
// pages hold a colour for every run.
std::array<char, 9> HtmlColorText(TGlyphColor color) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    const TGlyphColor rgb = ColorToRGB(color) & 0xFFFFFF;
    const int components[] = {int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF)};
    std::array<char, 9> text = {'"', '#'};
    for (int i = 0; i < 3; ++i) {
        text[2 + 2 * i] = Hex[components[i] >> 4];
        text[3 + 2 * i] = Hex[components[i] & 0xF];
    }
    text[8] = '"';
    return text;
}

QByteArray HtmlColor(TGlyphColor color) {
    const std::array<char, 9> text = HtmlColorText(color);
    return QByteArray(text.data(), qsizetype(text.size()));
}

QByteArray EscapedTitle(const QString& title) {
    return title.toHtmlEscaped().toUtf8();
}

// Fills a ten-digit offset of the clipboard descriptor in place.
void PatchOffset(QByteArray& buffer, const char* name, qsizetype value) {
    const qsizetype at = buffer.indexOf(name) + qsizetype(std::strlen(name));
    const QByteArray digits = QByteArray::number(value).rightJustified(10, '0');
    std::copy(digits.begin(), digits.end(), buffer.begin() + at);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The format-neutral walk

void TGlyphCustomExporter::SetHighlighter(TGlyphCustomHighlighter* highlighter) {
    if (highlighter_ == highlighter)
        return;
    highlighter_ = highlighter;
    ResetOutput();
}

void TGlyphCustomExporter::SetTitle(const QString& title) {
    title_ = title.isEmpty() ? QStringLiteral("Untitled") : title;
}

void TGlyphCustomExporter::Grow(qsizetype bytes) {
    ++grown_;
    // The document form's header is complete before its body, so a full block can go.
    if (sink_) {
        if (!sinkFailed_ && sink_->write(buffer_.constData(), position_) != position_)
            sinkFailed_ = true;
        position_ = 0;
        if (buffer_.size() >= bytes)
            return;
    }
    buffer_.resize(std::max(2 * buffer_.size(), position_ + bytes + 4096));
}

void TGlyphCustomExporter::ResetOutput() {
    buffer_.clear();
    position_ = 0;
    OpenStyle = 0;
    OpenBackground = clWindow;
    OpenForeground = clWindowText;
}

bool TGlyphCustomExporter::ExportLines(const TGlyphExportLines& lines) {
    return ExportRange(lines, {1, 1}, {INT_MAX, lines.Count});
}

bool TGlyphCustomExporter::ExportRange(const TGlyphExportLines& lines, TGlyphExportPos start,
                                       TGlyphExportPos stop) {
    if (lines.Count <= 0 || !highlighter_)
        return false;
    stop.Y = std::clamp(stop.Y, 1, lines.Count);
    const QString stopLine = lines.Line(stop.Y - 1);
    stop.X = std::clamp(stop.X, 1, int(stopLine.size()) + 1);
    if (start.Y < 1 || start.Y > stop.Y)
        return false;
    const QString startLine = start.Y == stop.Y ? stopLine : lines.Line(start.Y - 1);
    start.X = std::clamp(start.X, 1, int(startLine.size()) + 1);
    if (start.Y == stop.Y && start.X >= stop.X)
        return false;

    // Nothing in the header depends on the body but the clipboard offsets, which have a fixed
    // width: the header goes first and is completed at the end, so the body never moves.
    buffer_.resize(sink_ ? SinkBlockSize
                         : std::max<qsizetype>(4096, qsizetype(128) * (stop.Y - start.Y)));
    position_ = 0;
    Write(HeaderText());
    // A range is coloured as the editor shows it: the lines before it are scanned for the state
    // it starts in, and its end lines are scanned whole and cut afterwards.
    highlighter_->ResetState();
    for (int y = 1; y < start.Y; ++y) {
        highlighter_->StartLine(lines.Line(y - 1), y - 1);
        highlighter_->ScanToLineEnd();
    }
    awaitingFirstToken_ = true;
    // The page's colours and options may have changed since the last export.
    changes_ = {};

    const int total = stop.Y - start.Y + 1;
    for (int y = start.Y; y <= stop.Y; ++y) {
        if (OnProgress && (y - start.Y) % ProgressStep == ProgressStep - 1 &&
            !OnProgress(y - start.Y, total)) {
            ResetOutput();
            return false;
        }
        const QString text =
            y == stop.Y ? stopLine : (y == start.Y ? startLine : lines.Line(y - 1));
        ExportLine(text, y - 1, y == start.Y ? start.X - 1 : 0,
                   y == stop.Y ? stop.X - 1 : int(text.size()));
    }
    if (!awaitingFirstToken_)
        EndLastRun();
    FinishOutput();
    return true;
}

void TGlyphCustomExporter::ExportLine(const QString& text, int lineIndex, int from, int to) {
    TGlyphCustomHighlighter& h = *highlighter_;
    h.StartLine(text, lineIndex);
    const bool wholeLine = from == 0 && to == text.size();
    ScanTokens(h, [&](const TGlyphTokenSpan& token) {
        const int start = std::max(token.Start, from);
        const int end = std::min(token.Start + token.Length, to);
        if (start >= end && !wholeLine)
            return;
        const QStringView piece = QStringView(text).mid(start, std::max(end - start, 0));
        ApplyTokenAttribute(IsBlankToken(piece), token.Attribute);
        EmitText(piece);
    });
    h.ReleaseLine();
    EmitLineBreak();
}

// A page changes runs at nearly every token, between the few colours of its highlighter: the
// tags of each change are made once and copied after that.
void TGlyphCustomExporter::ApplyTokenAttribute(bool blankToken,
                                               const TGlyphHighlighterAttributes* attribute) {
    if (awaitingFirstToken_) {
        ChangeRun(blankToken, attribute);
        return;
    }
    const TRunChange from{OpenBackground, OpenForeground, OpenStyle, attribute, blankToken};
    // Colours differ mostly in their high bits: a multiplying hash spreads them over the slots.
    const std::uint64_t hash =
        (std::uint64_t(from.Background) * 0x9E3779B97F4A7C15u) ^
        (std::uint64_t(from.Foreground) * 0xC2B2AE3D27D4EB4Fu) ^ (std::uint64_t(from.Style) << 8) ^
        (std::uint64_t(reinterpret_cast<std::uintptr_t>(attribute)) * 0x165667B19E3779F9u) ^
        std::uint64_t(blankToken);
    const std::size_t slot = std::size_t((hash * 0x9E3779B97F4A7C15u) >> 57);
    TRunChangeTags& known = changes_[slot];
    if (known.Made && known.From == from) {
        Write(known.Tags.data(), known.Length);
        OpenBackground = known.Background;
        OpenForeground = known.Foreground;
        OpenStyle = known.Style;
        return;
    }
    // Made with room for any change, so that no block goes to the file in between and the tags
    // lie together at the write position.
    Room(qsizetype(known.Tags.size()));
    const qsizetype before = position_;
    const int grown = grown_;
    ChangeRun(blankToken, attribute);
    const qsizetype length = position_ - before;
    if (grown_ != grown)
        return;
    std::memcpy(known.Tags.data(), buffer_.constData() + before, size_t(length));
    known.Made = true;
    known.From = from;
    known.Length = length;
    known.Background = OpenBackground;
    known.Foreground = OpenForeground;
    known.Style = OpenStyle;
}

void TGlyphCustomExporter::ChangeRun(bool blankToken,
                                     const TGlyphHighlighterAttributes* attribute) {
    const TGlyphColor ownBackground = attribute ? attribute->Background() : clNone;
    const TGlyphColor ownForeground = attribute ? attribute->Foreground() : clNone;
    const TGlyphFontStyles style = attribute ? attribute->Style() : 0;
    const TGlyphColor bg = ownBackground == clNone ? Color : ownBackground;
    const TGlyphColor fg = ownForeground == clNone ? FontColor : ownForeground;

    if (awaitingFirstToken_) {
        awaitingFirstToken_ = false;
        OpenBackground = bg;
        OpenForeground = fg;
        OpenStyle = style;
        BeginFirstRun(UseBackground && bg != Color, fg != FontColor, style);
        return;
    }
    const bool backgroundChanged = UseBackground && bg != OpenBackground;
    // Blanks look the same in any colour and style: they only ever change the background.
    const bool foregroundChanged = !blankToken && fg != OpenForeground;
    const TGlyphFontStyles removed = blankToken ? 0 : OpenStyle & ~style;
    const TGlyphFontStyles added = blankToken ? 0 : style & ~OpenStyle;
    if (!backgroundChanged && !foregroundChanged && removed == 0 && added == 0)
        return;
    EndRun(backgroundChanged, foregroundChanged, removed);
    OpenBackground = bg;
    if (!blankToken) {
        OpenForeground = fg;
        OpenStyle = style;
    }
    BeginRun(backgroundChanged, foregroundChanged, added);
}

bool TGlyphCustomExporter::ExportRangeToFile(const QString& fileName,
                                             const TGlyphExportLines& lines, TGlyphExportPos start,
                                             TGlyphExportPos stop) {
    QSaveFile file(fileName);
    const auto fail = [&] {
        throw EGlyphFileError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        fail();
    const auto restore = qScopeGuard([this, wholeDocument = std::exchange(WholeDocument, true)] {
        sink_ = nullptr;
        WholeDocument = wholeDocument;
    });
    sink_ = &file;
    sinkFailed_ = false;
    // A file not committed is removed: a stopped export leaves the old one as it was.
    if (!ExportRange(lines, start, stop))
        return false;
    // What is left in memory is the last block only; it goes too, and the output is emptied.
    const bool written = !sinkFailed_ && file.write(buffer_) == buffer_.size();
    ResetOutput();
    if (!written || !file.commit())
        fail();
    return true;
}

// ---------------------------------------------------------------------------------------------
// HTML

TGlyphExporterHTML::TGlyphExporterHTML() {
    DefaultFilter = QStringLiteral("HTML Document (*.htm,*.html)|*.htm;*.html");
}

const char* TGlyphExporterHTML::CharacterReference(char16_t c) {
    switch (c) {
    case u'"':
        return "&quot;";
    case u'&':
        return "&amp;";
    case u'<':
        return "&lt;";
    case u'>':
        return "&gt;";
    case u'\u20AC':
        return "&euro;";
    case u'\u2122':
        return "&trade;";
    default:
        return c >= 161 && c <= 255 ? Latin1References[c - 161] : nullptr;
    }
}

namespace {

// The references of the characters below 256, each padded to the longest, so that one copy of
// fixed size writes any of them (the room for the longest per character is made anyway).
struct TReferenceTable {
    std::array<std::array<char, MaxEscapedLength>, 256> Text{};
    std::array<std::uint8_t, 256> Length{};
};

const TReferenceTable& References() {
    static const TReferenceTable table = [] {
        TReferenceTable made;
        for (char16_t c = 0; c < 256; ++c) {
            if (const char* reference = TGlyphExporterHTML::CharacterReference(c)) {
                made.Length[c] = std::uint8_t(std::strlen(reference));
                std::memcpy(made.Text[c].data(), reference, made.Length[c]);
            }
        }
        return made;
    }();
    return table;
}

} // namespace

void TGlyphExporterHTML::EmitText(QStringView text) {
    const TReferenceTable& references = References();
    char* const start = Room(text.size() * MaxEscapedLength);
    char* out = start;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 128 && !AsciiEscaped[c]) {
            *out++ = char(c);
        } else if (c < 256 && references.Length[c] > 0) {
            std::memcpy(out, references.Text[c].data(), MaxEscapedLength);
            out += references.Length[c];
        } else if (const char* reference = CharacterReference(c)) {
            for (; *reference; ++reference)
                *out++ = *reference;
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                   QChar::isLowSurrogate(text[i + 1].unicode())) {
            const char32_t u = QChar::surrogateToUcs4(c, text[++i].unicode());
            *out++ = char(0xF0 | (u >> 18));
            *out++ = char(0x80 | ((u >> 12) & 0x3F));
            *out++ = char(0x80 | ((u >> 6) & 0x3F));
            *out++ = char(0x80 | (u & 0x3F));
        } else if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3F));
        } else {
            *out++ = char(0xE0 | (c >> 12));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        }
    }
    Wrote(out - start);
}

void TGlyphExporterHTML::EmitLineBreak() {
    Write("\r\n");
}

// A span or font tag is open exactly while the run's colour differs from the page's, so that
// every tag written is closed again and the page stays well formed.
bool TGlyphExporterHTML::SpanOpen() const {
    return UseBackground && OpenBackground != Color;
}

bool TGlyphExporterHTML::FontOpen() const {
    return OpenForeground != FontColor;
}

void TGlyphExporterHTML::OpenSpan() {
    Write("<span style=\"background-color: ");
    Write(HtmlColorText(OpenBackground).data() + 1, 8);
    Write(">");
}

void TGlyphExporterHTML::OpenFont() {
    Write("<font color=");
    Write(HtmlColorText(OpenForeground).data(), 9);
    Write(">");
}

void TGlyphExporterHTML::OpenStyles() {
    if (OpenStyle & fsBold)
        Write("<b>");
    if (OpenStyle & fsItalic)
        Write("<i>");
    if (OpenStyle & fsUnderline)
        Write("<u>");
    if (OpenStyle & fsStrikeOut)
        Write("<strike>");
}

void TGlyphExporterHTML::CloseStyles() {
    if (OpenStyle & fsStrikeOut)
        Write("</strike>");
    if (OpenStyle & fsUnderline)
        Write("</u>");
    if (OpenStyle & fsItalic)
        Write("</i>");
    if (OpenStyle & fsBold)
        Write("</b>");
}

void TGlyphExporterHTML::BeginFirstRun(bool, bool, TGlyphFontStyles) {
    if (SpanOpen())
        OpenSpan();
    if (FontOpen())
        OpenFont();
    OpenStyles();
}

// Whatever changed, every open style tag closes, and opens again in BeginRun: the tags nest.
void TGlyphExporterHTML::EndRun(bool backgroundChanged, bool foregroundChanged, TGlyphFontStyles) {
    CloseStyles();
    if ((backgroundChanged || foregroundChanged) && FontOpen())
        Write("</font>");
    if (backgroundChanged && SpanOpen())
        Write("</span>");
}

void TGlyphExporterHTML::BeginRun(bool backgroundChanged, bool foregroundChanged,
                                  TGlyphFontStyles) {
    if (backgroundChanged && SpanOpen())
        OpenSpan();
    if ((backgroundChanged || foregroundChanged) && FontOpen())
        OpenFont();
    OpenStyles();
}

void TGlyphExporterHTML::EndLastRun() {
    CloseStyles();
    if (FontOpen())
        Write("</font>");
    if (SpanOpen())
        Write("</span>");
}

QByteArray TGlyphExporterHTML::HeaderText() {
    QByteArray header;
    if (!WholeDocument) {
        header = "Version:0.9\r\nStartHTML:0000000000\r\nEndHTML:0000000000\r\n"
                 "StartFragment:0000000000\r\nEndFragment:0000000000\r\n";
        if (!CreateHTMLFragment)
            header += "<html>\r\n<head></head>\r\n<body>";
        header += "<!--StartFragment--><pre><code>";
        return header;
    }
    if (!CreateHTMLFragment) {
        // The page says how its bytes are encoded, so that characters without a reference
        // show as they are.
        header = "<html>\r\n<head>\r\n"
                 "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
                 "<title>" +
                 EscapedTitle(Title()) + "</title>\r\n</head>\r\n<!-- Generated by " +
                 QString(Generator).remove(QStringLiteral("--")).toUtf8() +
                 " -->\r\n<body text=" + HtmlColor(FontColor) + " bgcolor=" + HtmlColor(Color) +
                 ">\r\n";
    }
    header += "<pre>\r\n<code><font ";
    if (HTMLFontSize >= 1 && HTMLFontSize <= 7)
        header += " size=" + QByteArray::number(HTMLFontSize);
    // The generic family keeps the code in columns where the face is not installed.
    header += " face=\"" + FontName.toUtf8() + ", monospace\">";
    return header;
}

void TGlyphExporterHTML::FinishOutput() {
    if (WholeDocument) {
        Write("</font>\r\n</code></pre>\r\n");
        if (!CreateHTMLFragment)
            Write("</body>\r\n</html>");
        Cut();
        return;
    }
    Write("</code></pre>");
    const qsizetype endFragment = Position();
    Write("<!--EndFragment-->");
    if (!CreateHTMLFragment)
        Write("</body>\r\n</html>");
    Cut();
    PatchOffset(buffer_, "StartHTML:", DescriptorLength);
    PatchOffset(buffer_, "EndHTML:", buffer_.size());
    PatchOffset(buffer_, "StartFragment:", buffer_.indexOf("<!--StartFragment-->") + qsizetype(20));
    PatchOffset(buffer_, "EndFragment:", endFragment);
}

QByteArray TGlyphExporterHTML::ClipboardHtml() const {
    if (WholeDocument || buffer_.size() < DescriptorLength)
        return buffer_;
    const qsizetype start = buffer_.mid(StartHtmlDigits, 10).toLongLong();
    const qsizetype end = buffer_.mid(EndHtmlDigits, 10).toLongLong();
    return buffer_.mid(start, end - start);
}
