#include "htmltools/TidyPageText.h"

#include "common/GlyphErrors.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringEncoder>
#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>

namespace {

// Where a character of a page stands for Tidy.
enum class TPlace {
    Text,     // between tags: Tidy may escape, wrap and move it
    Tag,      // inside a tag, outside quotes: attribute names and bare values
    Quoted,   // inside a quoted attribute value
    Verbatim, // comments, scripts and styles: Tidy copies them as they are
};

// Reads a page once from its start and tells the place of the characters asked for, in order.
class TPlaceScanner {
public:
    explicit TPlaceScanner(QStringView text) : text_(text) {}

    // The place of the character at Pos; Pos never goes back.
    TPlace At(qsizetype pos) {
        while (at_ < pos)
            Step();
        switch (state_) {
        case TState::Text:
            return TPlace::Text;
        case TState::Tag:
            return quote_.isNull() ? TPlace::Tag : TPlace::Quoted;
        case TState::Comment:
        case TState::Raw:
            break;
        }
        return TPlace::Verbatim;
    }
    // Goes on after Pos without reading what lies before it: a server-side block changes no
    // place.
    void Skip(qsizetype pos) { at_ = std::max(at_, pos); }

private:
    enum class TState { Text, Tag, Comment, Raw };

    bool StartsWith(QLatin1StringView word) const {
        return text_.mid(at_).startsWith(word, Qt::CaseInsensitive);
    }

    void Step() {
        const QChar c = text_.at(at_);
        switch (state_) {
        case TState::Text:
            if (c == u'<' && StartsWith(QLatin1StringView("<!--"))) {
                state_ = TState::Comment;
                at_ += 4;
                return;
            }
            if (c == u'<' && at_ + 1 < text_.size()) {
                const QChar next = text_.at(at_ + 1);
                if (next.isLetter() || next == u'/' || next == u'!' || next == u'?') {
                    state_ = TState::Tag;
                    closing_ = next == u'/';
                    qsizetype end = at_ + 1;
                    while (end < text_.size() && text_.at(end).isLetter())
                        ++end;
                    tagName_ = text_.mid(at_ + 1, end - at_ - 1).toString().toLower();
                }
            }
            break;
        case TState::Tag:
            if (!quote_.isNull()) {
                if (c == quote_)
                    quote_ = QChar();
            } else if (c == u'"' || c == u'\'') {
                quote_ = c;
            } else if (c == u'>') {
                const bool raw = !closing_ && (tagName_ == u"script" || tagName_ == u"style");
                state_ = raw ? TState::Raw : TState::Text;
            }
            break;
        case TState::Comment:
            if (StartsWith(QLatin1StringView("-->"))) {
                state_ = TState::Text;
                at_ += 3;
                return;
            }
            break;
        case TState::Raw:
            if (c == u'<' && text_.mid(at_ + 2).startsWith(tagName_, Qt::CaseInsensitive) &&
                StartsWith(QLatin1StringView("</"))) {
                state_ = TState::Tag;
                closing_ = true;
            }
            break;
        }
        ++at_;
    }

    QStringView text_;
    qsizetype at_ = 0;
    TState state_ = TState::Text;
    QChar quote_;
    bool closing_ = false;
    QString tagName_;
};

// Whether Text may hold a server-side block: "<?", "<%" or "<!--#". One pass over the
// tags, which most pages need as they hold no such block.
bool MayHoldServerBlocks(const QString& text) {
    const QStringView view(text);
    for (qsizetype at = view.indexOf(u'<'); at >= 0 && at + 1 < view.size();
         at = view.indexOf(u'<', at + 1)) {
        const QChar next = view.at(at + 1);
        if (next == u'?' || next == u'%' || view.mid(at + 1, 4) == QLatin1String("!--#"))
            return true;
    }
    return false;
}

// Inside a tag Tidy would escape a block's angle brackets as text: one word stands in for it,
// an attribute name between attributes, a piece of the value inside one. Tidy may change the
// case of an attribute name.
QString TagToken(qsizetype number) {
    return QStringLiteral("glyphon%1block").arg(number);
}

// Elsewhere the block keeps its delimiters, so that Tidy knows it for a block and leaves it
// where it is; blanks and line breaks stay where they are, so Tidy's lines and columns stay
// true; every other character becomes one Tidy never changes, with the block's number.
QString SectionPlaceholder(const QString& original, qsizetype number, QString& pattern) {
    const qsizetype open =
        original.startsWith(QLatin1String("<!--#"))                        ? 5
        : original.startsWith(QLatin1String("<?php"), Qt::CaseInsensitive) ? 5
        : original.startsWith(QLatin1String("<?=")) || original.startsWith(QLatin1String("<%="))
            ? 3
            : 2;
    const qsizetype close = original.endsWith(QLatin1String("-->")) ? 3 : 2;
    const QString tag = QStringLiteral("G%1G").arg(number);
    QString placeholder = original;
    for (qsizetype i = open; i < original.size() - close; ++i) {
        const QChar c = original.at(i);
        placeholder[i] = c == u'\n' ? c : c.isSpace() ? QChar(u' ') : QChar(u'_');
    }
    const qsizetype at = placeholder.indexOf(QString(tag.size(), u'_'), open);
    if (at >= 0 && at + tag.size() <= original.size() - close)
        placeholder.replace(at, tag.size(), tag);
    else // too short to hold its number: a little longer then
        placeholder = original.left(open) + u' ' + tag + u' ' + original.right(close);
    // Wrapping and indenting may change the blanks around the number, never the number.
    pattern = QRegularExpression::escape(original.left(open)) + "[\\s_]*" + tag + "[\\s_]*" +
              QRegularExpression::escape(original.right(close));
    return placeholder;
}

QString CannotKeepBlock(int line) {
    return QStringLiteral("HTML Tidy could not keep the server-side block that starts on line %1 "
                          "as it was. The document was not changed.")
        .arg(line);
}

} // namespace

QString ProtectServerBlocks(const QString& text, TServerBlocks& blocks) {
    // Most pages hold no server-side block; a plain search spares them the pattern's walk.
    if (!MayHoldServerBlocks(text))
        return text;
    static const QRegularExpression block(
        QStringLiteral(R"(<\?(?:php|=|\s)[\s\S]*?\?>|<%[\s\S]*?%>|<!--#[\s\S]*?-->)"),
        QRegularExpression::CaseInsensitiveOption);
    const QStringView view(text);
    QString out;
    out.reserve(text.size() + 64);
    TPlaceScanner places(view);
    qsizetype copied = 0;
    int line = 1;
    for (auto it = block.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const qsizetype start = m.capturedStart();
        const TPlace place = places.At(start);
        places.Skip(m.capturedEnd());
        line += int(view.mid(copied, start - copied).count(u'\n'));
        const int blockLine = line;
        const QString original = m.captured();
        const qsizetype number = blocks.Originals.size();
        QString placeholder, pattern;
        if (place == TPlace::Tag || place == TPlace::Quoted) {
            const QString token = TagToken(number);
            const qsizetype firstLine = original.indexOf(u'\n');
            placeholder =
                token +
                QString(std::max<qsizetype>(0, (firstLine < 0 ? original.size() : firstLine) -
                                                   token.size()),
                        u'_');
            // Between attributes line breaks are blanks to Tidy: the lines after stay true.
            if (place == TPlace::Tag)
                placeholder += QString(original.count(u'\n'), u'\n');
            // Tidy gives a lone attribute name an empty value: that goes with the block.
            pattern = "(?i)" + token + "_*(?:=\"\"|='')?";
        } else {
            placeholder = SectionPlaceholder(original, number, pattern);
        }
        out += view.mid(copied, start - copied);
        out += placeholder;
        line += int(original.count(u'\n'));
        copied = m.capturedEnd();
        blocks.Lines.append(blockLine);
        blocks.Originals.append(original);
        blocks.Patterns.append(pattern);
    }
    out += view.mid(copied);
    return out;
}

QString RestoreServerBlocks(const QString& text, const TServerBlocks& blocks) {
    if (blocks.Originals.isEmpty())
        return text;
    // One walk over the output finds every placeholder; each must be there once and whole.
    static const QRegularExpression any(
        QStringLiteral(
            R"(glyphon(\d+)block_*(?:=""|='')?|(?:<\?php|<\?=|<\?|<%=|<%|<!--#)[\s_]*G(\d+)G[\s_]*)"
            R"((?:\?>|%>|-->))"),
        QRegularExpression::CaseInsensitiveOption);
    QList<QRegularExpressionMatch> found(blocks.Originals.size());
    QList<int> seen(blocks.Originals.size(), 0);
    for (auto it = any.globalMatch(text); it.hasNext();) {
        QRegularExpressionMatch m = it.next();
        bool ok = false;
        const int number = (m.hasCaptured(1) ? m.captured(1) : m.captured(2)).toInt(&ok);
        if (!ok || number < 0 || number >= blocks.Originals.size())
            continue;
        ++seen[number];
        found[number] = std::move(m);
    }
    for (qsizetype i = 0; i < blocks.Originals.size(); ++i) {
        const QRegularExpression whole(QStringLiteral("\\A(?:%1)\\z").arg(blocks.Patterns.at(i)));
        if (seen.at(i) != 1 || !whole.match(found.at(i).captured()).hasMatch())
            throw EGlyphError(CannotKeepBlock(blocks.Lines.at(i)));
    }
    // Put back from the end, so that the earlier places still hold.
    QList<qsizetype> order(blocks.Originals.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return found.at(a).capturedStart() > found.at(b).capturedStart();
    });
    QString out = text;
    for (const qsizetype i : order)
        out.replace(found.at(i).capturedStart(), found.at(i).capturedLength(),
                    blocks.Originals.at(i));
    return out;
}

QString WriteAsReferencesOutside(const QString& text, const QByteArray& encoding) {
    std::function<bool(QStringView)> holds;
    if (encoding == "ascii") {
        holds = [](QStringView) { return false; };
    } else if (encoding == "latin1") {
        holds = [](QStringView c) { return c.size() == 1 && c.at(0).unicode() < 0x100; };
    } else {
        static const QHash<QByteArray, const char*> names = {
            {"win1252", "windows-1252"}, {"mac", "macintosh"}, {"iso2022", "ISO-2022-JP"}};
        if (!names.contains(encoding))
            return text; // utf8 and raw hold every character
        // An encoder that met a character it cannot hold stays in error: each character is
        // asked of a new one, once.
        const char* name = names.value(encoding);
        auto known = std::make_shared<QHash<char32_t, bool>>();
        holds = [name, known](QStringView c) {
            const char32_t code = c.toUcs4().value(0);
            const auto found = known->constFind(code);
            if (found != known->cend())
                return *found;
            QStringEncoder encoder(name);
            const QByteArray bytes = encoder.encode(c);
            const bool held = encoder.isValid() && !encoder.hasError() && !bytes.isEmpty();
            known->insert(code, held);
            return held;
        };
    }
    TPlaceScanner places(text);
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80) {
            out += c;
            continue;
        }
        const qsizetype size = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QStringView character = QStringView(text).mid(i, size);
        const TPlace place = places.At(i);
        if ((place == TPlace::Text || place == TPlace::Quoted) && !holds(character))
            out += QStringLiteral("&#%1;").arg(character.toUcs4().value(0));
        else
            out += character;
        i += size - 1;
    }
    return out;
}
