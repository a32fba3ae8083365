#include "app/MarkupContext.h"

#include "highlight/GlyphVocabulary.h"

#include <QSet>
#include <vector>

namespace {

bool IsNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u':' || c == u'.';
}

bool IsOneOf(QStringView name, std::initializer_list<QStringView> names) {
    for (QStringView n : names) {
        if (n.size() == name.size() && n.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool IsRawTextElement(QStringView name) {
    return IsOneOf(name, {u"script", u"style", u"textarea", u"title"});
}

// Elements that a start tag of the same name closes without an end tag (<li>a<li>b).
bool ClosesItsLikeImplicitly(QStringView name) {
    return IsOneOf(name, {u"p", u"li", u"dt", u"dd", u"tr", u"td", u"th", u"option"});
}

// A part of the scanned text.
struct TSpan {
    qsizetype Start = 0;
    qsizetype Length = 0;
};

// One pass over the text; names and values are kept as places in the text while scanning, and
// made strings only for the context at the end, so that a scan allocates almost nothing.
class TMarkupScanner {
public:
    TMarkupContext Scan(const QString& text) {
        text_ = text;
        for (i_ = 0; i_ < text_.size(); ++i_)
            Step(text_.at(i_));
        TMarkupContext k;
        k.Place = place_;
        if (!open_.empty())
            k.InnermostOpen = View(open_.back()).toString();
        k.TagName = View(tagName_).toString();
        for (const TSpan& attribute : attributes_)
            k.TagAttributes << View(attribute).toString();
        if (place_ == TMarkupPlace::AttributeValue) {
            k.AttributeName = attributes_.empty() ? QString() : View(attributes_.back()).toString();
            k.Quote = quote_;
            if (valueStarted_)
                k.Value = text_.mid(valueStart_ + (quote_.isNull() ? 0 : 1)).toString();
        }
        if (place_ == TMarkupPlace::RawText) {
            k.RawElement = View(raw_).toString().toLower();
            k.RawText = text_.mid(rawStart_).toString();
        }
        return k;
    }

private:
    QStringView View(TSpan span) const { return text_.mid(span.Start, span.Length); }
    bool At(QStringView s) const { return text_.mid(i_).startsWith(s, Qt::CaseInsensitive); }

    void Step(QChar c) {
        switch (place_) {
        case TMarkupPlace::Text:
            if (c != u'<' || ServerBlockOpens())
                return;
            if (At(u"<!--")) {
                place_ = TMarkupPlace::Comment;
                i_ += 3;
            } else if (i_ + 1 == text_.size() || text_.at(i_ + 1).isLetter() ||
                       text_.at(i_ + 1) == u'/' || text_.at(i_ + 1) == u'!') {
                // A < at the position starts the name about to be typed.
                StartTag();
            }
            return;
        case TMarkupPlace::TagName:
            if (IsNameChar(c) || ((c == u'/' || c == u'!') && tagName_.Length == 0)) {
                ++tagName_.Length;
                return;
            }
            place_ = TMarkupPlace::TagBody;
            [[fallthrough]];
        case TMarkupPlace::TagBody:
            if (ServerBlockOpens())
                return;
            if (c == u'>') {
                EndTag();
            } else if (c == u'=') {
                place_ = TMarkupPlace::AttributeValue;
                quote_ = QChar();
                valueStarted_ = false;
            } else if (IsNameChar(c)) {
                if (!inName_)
                    attributes_.push_back({i_, 0});
                ++attributes_.back().Length;
                inName_ = true;
                return;
            }
            inName_ = false;
            return;
        case TMarkupPlace::AttributeValue:
            if (ServerBlockOpens())
                return;
            if (!valueStarted_) {
                if (c.isSpace())
                    return;
                valueStarted_ = true;
                valueStart_ = i_;
                if (c == u'"' || c == u'\'') {
                    quote_ = c;
                    return;
                }
            }
            if (quote_.isNull() ? (c.isSpace() || c == u'>') : c == quote_) {
                place_ = TMarkupPlace::TagBody;
                if (c == u'>')
                    EndTag();
            }
            return;
        case TMarkupPlace::Comment:
            if (c == u'>' && i_ >= 2 && text_.at(i_ - 1) == u'-' && text_.at(i_ - 2) == u'-')
                place_ = TMarkupPlace::Text;
            return;
        case TMarkupPlace::RawText:
            if (ServerBlockOpens())
                return;
            if (c == u'<' && i_ + 1 < text_.size() && text_.at(i_ + 1) == u'/' &&
                text_.mid(i_ + 2).startsWith(View(raw_), Qt::CaseInsensitive))
                StartTag();
            return;
        case TMarkupPlace::ServerBlock:
            if (c == u'>' && i_ >= 1 && text_.at(i_ - 1) == serverCloser_)
                place_ = returnPlace_;
            return;
        }
    }

    // <?php, <? and <% open a server block anywhere; it ends in the place it began.
    bool ServerBlockOpens() {
        if (text_.at(i_) != u'<' || i_ + 1 >= text_.size())
            return false;
        const QChar next = text_.at(i_ + 1);
        if (next != u'?' && next != u'%')
            return false;
        returnPlace_ = place_;
        serverCloser_ = next;
        place_ = TMarkupPlace::ServerBlock;
        ++i_;
        return true;
    }

    void StartTag() {
        place_ = TMarkupPlace::TagName;
        tagName_ = {i_ + 1, 0};
        attributes_.clear();
        inName_ = false;
    }

    void EndTag() {
        const QStringView name = View(tagName_);
        const bool selfClosing = i_ > 0 && text_.at(i_ - 1) == u'/';
        place_ = TMarkupPlace::Text;
        tagName_ = {};
        attributes_.clear();
        if (name.startsWith(u'/')) {
            const QStringView closed = name.mid(1);
            for (auto open = open_.end(); open != open_.begin();) {
                --open;
                if (View(*open).compare(closed, Qt::CaseInsensitive) == 0) {
                    open_.erase(open, open_.end());
                    break;
                }
            }
            return;
        }
        if (name.isEmpty() || name.startsWith(u'!') || selfClosing || IsVoidElement(name))
            return;
        if (IsRawTextElement(name)) {
            place_ = TMarkupPlace::RawText;
            raw_ = {name.data() - text_.data(), name.size()};
            rawStart_ = i_ + 1;
        }
        if (ClosesItsLikeImplicitly(name) && !open_.empty() &&
            View(open_.back()).compare(name, Qt::CaseInsensitive) == 0)
            open_.pop_back();
        open_.push_back({name.data() - text_.data(), name.size()});
    }

    QStringView text_;
    qsizetype i_ = 0;
    TMarkupPlace place_ = TMarkupPlace::Text;
    std::vector<TSpan> open_;
    TSpan tagName_;
    std::vector<TSpan> attributes_;
    bool inName_ = false;
    bool valueStarted_ = false;
    qsizetype valueStart_ = 0;
    QChar quote_;
    TSpan raw_;
    qsizetype rawStart_ = 0;
    TMarkupPlace returnPlace_ = TMarkupPlace::Text;
    QChar serverCloser_;
};

} // namespace

bool IsVoidElement(QStringView name) {
    // The void elements of today's HTML and the obsolete ones, asked for every start tag.
    static const QSet<QString> names = [] {
        QSet<QString> set;
        for (const TGlyphVocabularyElement& element : TGlyphVocabulary::Get().Elements()) {
            if (element.Void)
                set.insert(element.Name.toLower());
        }
        return set;
    }();
    if (name.size() > 16)
        return false;
    char16_t lower[16];
    for (qsizetype n = 0; n < name.size(); ++n) {
        const char16_t c = name.at(n).unicode();
        lower[n] = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c < 128 ? c : QChar::toLower(c);
    }
    return names.contains(QString::fromRawData(reinterpret_cast<const QChar*>(lower), name.size()));
}

TMarkupContext MarkupContextAt(const TMarkupLines& lines, int y, int x, int lookBack) {
    const int from = std::max(0, x - lookBack);
    // Read bottom up, joined once top down: every keystroke that closes a tag pays for this.
    std::vector<QString> parts = {lines.Mid(y, from, x - from)};
    qsizetype size = parts.front().size();
    for (int n = y - 1; n >= 1 && size < lookBack && from == 0; --n) {
        const int length = lines.Length(n);
        const int take = int(std::min<qsizetype>(length, lookBack - size));
        parts.push_back(lines.Mid(n, length - take, take));
        size += take + 1;
    }
    QString text;
    text.reserve(size);
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        text += *part;
        if (part + 1 != parts.rend())
            text += u'\n';
    }
    return TMarkupScanner().Scan(text);
}

QString EndTagForGreater(const TMarkupContext& before, QChar previous, QStringView after) {
    const bool inTag = before.Place == TMarkupPlace::TagName ||
                       before.Place == TMarkupPlace::TagBody ||
                       (before.Place == TMarkupPlace::AttributeValue && before.Quote.isNull());
    const QString& name = before.TagName;
    if (!inTag || name.isEmpty() || !name.at(0).isLetter() || previous == u'/' ||
        IsVoidElement(name))
        return {};
    const QString endTag = "</" + name + '>';
    if (after.startsWith(endTag, Qt::CaseInsensitive))
        return {};
    return endTag;
}

QString EndTagNameForSlash(const TMarkupContext& beforeLess, QStringView after) {
    if (beforeLess.Place != TMarkupPlace::Text || beforeLess.InnermostOpen.isEmpty())
        return {};
    // Nothing when its end tag follows already, with or without the </ typed before it.
    const QString text = beforeLess.InnermostOpen + '>';
    if (after.startsWith(text, Qt::CaseInsensitive) ||
        after.startsWith(QStringLiteral("</") + text, Qt::CaseInsensitive))
        return {};
    return text;
}

namespace {

// The run of name characters at the end of Text.
QString TrailingName(QStringView text) {
    qsizetype start = text.size();
    while (start > 0 && IsNameChar(text.at(start - 1)))
        --start;
    return text.mid(start).toString();
}

QStringList CssEntries(TCompletion& completion, QStringView css, bool inAttribute) {
    qsizetype mark = -1;
    for (qsizetype i = css.size() - 1; i >= 0 && mark < 0; --i) {
        if (QStringView(u"{;:}").contains(css.at(i)))
            mark = i;
    }
    completion.Prefix = TrailingName(css);
    const TGlyphVocabulary& vocabulary = TGlyphVocabulary::Get();
    const QChar at = mark >= 0 ? css.at(mark) : QChar();
    if (at == u':') {
        qsizetype start = mark;
        while (start > 0 && (css.at(start - 1).isLetterOrNumber() || css.at(start - 1) == u'-'))
            --start;
        const TGlyphVocabularyAttribute* property =
            vocabulary.CssProperty(css.mid(start, mark - start).toString());
        completion.Kind = TCompletionKind::CssValue;
        return (property ? property->Values : QStringList()) + vocabulary.CssCommonValues();
    }
    if (at == u'{' || at == u';' || (at.isNull() && inAttribute)) {
        completion.Kind = TCompletionKind::CssProperty;
        QStringList names;
        for (const TGlyphVocabularyAttribute& property : vocabulary.CssProperties())
            names << property.Name;
        return names;
    }
    return {};
}

} // namespace

TCompletion CompletionAt(const TMarkupContext& k, QStringView lineBefore, bool lowerCaseTags) {
    TCompletion completion;
    const TGlyphVocabulary& vocabulary = TGlyphVocabulary::Get();
    // A character reference being written: & and letters or digits up to the position.
    const qsizetype amp = lineBefore.lastIndexOf(u'&');
    const bool entityPlace = k.Place == TMarkupPlace::Text ||
                             (k.Place == TMarkupPlace::AttributeValue && !k.Quote.isNull());
    if (entityPlace && amp >= 0) {
        const QStringView name = lineBefore.mid(amp + 1);
        if (std::all_of(name.begin(), name.end(), [](QChar c) { return c.isLetterOrNumber(); })) {
            completion.Kind = TCompletionKind::Entity;
            completion.Prefix = name.toString();
            completion.Entries = vocabulary.Entities();
            return completion;
        }
    }
    switch (k.Place) {
    case TMarkupPlace::TagName:
        if (!k.TagName.isEmpty() && !k.TagName.at(0).isLetter())
            break;
        completion.Kind = TCompletionKind::Element;
        completion.Prefix = k.TagName;
        // A name begun follows its own case.
        if (!k.TagName.isEmpty())
            lowerCaseTags = k.TagName.at(0).isLower();
        for (const TGlyphVocabularyElement& element : vocabulary.Elements()) {
            if (!element.Obsolete && !element.Foreign && element.Name.at(0).isLetter())
                completion.Entries << (lowerCaseTags ? element.Name : element.Name.toUpper());
        }
        completion.Entries.sort(Qt::CaseInsensitive);
        break;
    case TMarkupPlace::TagBody: {
        if (k.TagName.isEmpty() || !k.TagName.at(0).isLetter())
            break;
        completion.Kind = TCompletionKind::Attribute;
        completion.Prefix = TrailingName(lineBefore);
        QStringList present = k.TagAttributes;
        if (!completion.Prefix.isEmpty() && !present.isEmpty())
            present.removeLast(); // the name being typed
        const TGlyphVocabularyElement* element = vocabulary.Element(k.TagName);
        for (const TGlyphVocabularyElement* from : {element, &vocabulary.GlobalAttributes()}) {
            for (const TGlyphVocabularyAttribute& attribute :
                 from ? from->Attributes() : std::vector<TGlyphVocabularyAttribute>()) {
                if (!present.contains(attribute.Name, Qt::CaseInsensitive) &&
                    !completion.Entries.contains(attribute.Name))
                    completion.Entries << attribute.Name;
            }
        }
        break;
    }
    case TMarkupPlace::AttributeValue: {
        if (k.AttributeName.compare(u"style", Qt::CaseInsensitive) == 0) {
            completion.Entries = CssEntries(completion, k.Value, true);
            break;
        }
        const TGlyphVocabularyElement* element = vocabulary.Element(k.TagName);
        const TGlyphVocabularyAttribute* attribute =
            element ? element->Attribute(k.AttributeName) : nullptr;
        if (!attribute || attribute->Values.isEmpty())
            attribute = vocabulary.GlobalAttributes().Attribute(k.AttributeName);
        if (attribute && !attribute->Values.isEmpty()) {
            completion.Kind = TCompletionKind::Value;
            completion.Prefix = k.Value;
            completion.Entries = attribute->Values;
        }
        break;
    }
    case TMarkupPlace::RawText:
        if (k.RawElement == u"style")
            completion.Entries = CssEntries(completion, k.RawText, false);
        break;
    default:
        break;
    }
    if (completion.Entries.isEmpty())
        completion.Kind = TCompletionKind::None;
    return completion;
}

bool WritesLowerCaseTags(const TMarkupLines& lines) {
    for (int y = 1; y <= std::min(lines.Count, 1000); ++y) {
        const QString text = lines.Mid(y, 0, 4096);
        for (qsizetype i = text.indexOf(u'<'); i >= 0; i = text.indexOf(u'<', i + 1)) {
            qsizetype n = i + 1;
            if (n < text.size() && text.at(n) == u'/')
                ++n;
            if (n < text.size() && text.at(n).isLetter())
                return text.at(n).isLower();
        }
    }
    return false;
}

QString TagsInCase(const QString& markup, bool lowerCase) {
    QString result = markup;
    for (qsizetype i = result.indexOf(u'<'); i >= 0; i = result.indexOf(u'<', i + 1)) {
        qsizetype n = i + 1;
        if (n < result.size() && result.at(n) == u'/')
            ++n;
        for (; n < result.size() && result.at(n).isLetterOrNumber(); ++n)
            result[n] = lowerCase ? result.at(n).toLower() : result.at(n).toUpper();
    }
    return result;
}
