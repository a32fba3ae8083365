#include "app/MarkupContext.h"

#include "highlight/GlyphVocabulary.h"

namespace {

bool IsNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'-' || c == u'_' || c == u':' || c == u'.';
}

bool IsRawTextElement(const QString& lower) {
    return lower == u"script" || lower == u"style" || lower == u"textarea" || lower == u"title";
}

// Elements that a start tag of the same name closes without an end tag (<li>a<li>b).
bool ClosesItsLikeImplicitly(const QString& lower) {
    static const QStringList names = {"p", "li", "dt", "dd", "tr", "td", "th", "option"};
    return names.contains(lower);
}

class TMarkupScanner {
public:
    TMarkupContext context;

    void Scan(const QString& text) {
        text_ = &text;
        for (i_ = 0; i_ < text.size(); ++i_)
            Step(text.at(i_));
    }

private:
    bool At(QStringView s) const {
        return QStringView(*text_).mid(i_).startsWith(s, Qt::CaseInsensitive);
    }

    void Step(QChar c) {
        TMarkupContext& k = context;
        switch (k.Place) {
        case TMarkupPlace::Text:
            if (c != u'<')
                return;
            if (ServerBlockOpens())
                return;
            if (At(u"<!--")) {
                k.Place = TMarkupPlace::Comment;
                i_ += 3;
            } else if (i_ + 1 < text_->size() &&
                       (text_->at(i_ + 1).isLetter() || text_->at(i_ + 1) == u'/' ||
                        text_->at(i_ + 1) == u'!')) {
                StartTag();
            }
            return;
        case TMarkupPlace::TagName:
            if (IsNameChar(c) || (c == u'/' && k.TagName.isEmpty()) ||
                (c == u'!' && k.TagName.isEmpty())) {
                k.TagName += c;
                return;
            }
            k.Place = TMarkupPlace::TagBody;
            [[fallthrough]];
        case TMarkupPlace::TagBody:
            if (ServerBlockOpens())
                return;
            if (c == u'>') {
                EndTag();
            } else if (c == u'=') {
                k.AttributeName = k.TagAttributes.value(k.TagAttributes.size() - 1);
                k.Place = TMarkupPlace::AttributeValue;
                k.Quote = QChar();
                k.Value.clear();
                valueStarted_ = false;
            } else if (IsNameChar(c)) {
                if (!inName_)
                    k.TagAttributes << QString();
                k.TagAttributes.last() += c;
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
                if (c == u'"' || c == u'\'') {
                    k.Quote = c;
                    return;
                }
            }
            if (k.Quote.isNull() ? (c.isSpace() || c == u'>') : c == k.Quote) {
                k.Place = TMarkupPlace::TagBody;
                if (c == u'>')
                    EndTag();
                return;
            }
            k.Value += c;
            return;
        case TMarkupPlace::Comment:
            if (c == u'>' && i_ >= 2 && text_->at(i_ - 1) == u'-' && text_->at(i_ - 2) == u'-')
                k.Place = TMarkupPlace::Text;
            return;
        case TMarkupPlace::RawText:
            if (ServerBlockOpens())
                return;
            if (c == u'<' && At(QStringLiteral("</") + k.RawElement)) {
                StartTag();
                return;
            }
            k.RawText += c;
            return;
        case TMarkupPlace::ServerBlock:
            if (c == u'>' && i_ >= 1 && text_->at(i_ - 1) == serverCloser_)
                k.Place = returnPlace_;
            return;
        }
    }

    // <?php, <? and <% open a server block anywhere; it ends in the place it began.
    bool ServerBlockOpens() {
        if (text_->at(i_) != u'<' || i_ + 1 >= text_->size())
            return false;
        const QChar next = text_->at(i_ + 1);
        if (next != u'?' && next != u'%')
            return false;
        returnPlace_ = context.Place;
        serverCloser_ = next;
        context.Place = TMarkupPlace::ServerBlock;
        ++i_;
        return true;
    }

    void StartTag() {
        context.Place = TMarkupPlace::TagName;
        context.TagName.clear();
        context.TagAttributes.clear();
        context.AttributeName.clear();
        inName_ = false;
    }

    void EndTag() {
        TMarkupContext& k = context;
        const QString name = k.TagName;
        const QString lower = name.toLower();
        const bool selfClosing = i_ > 0 && text_->at(i_ - 1) == u'/';
        k.Place = TMarkupPlace::Text;
        k.TagName.clear();
        k.TagAttributes.clear();
        if (lower.startsWith(u'/')) {
            const QString closed = lower.mid(1);
            for (qsizetype n = k.OpenElements.size() - 1; n >= 0; --n) {
                if (k.OpenElements.at(n).toLower() == closed) {
                    k.OpenElements.erase(k.OpenElements.begin() + n, k.OpenElements.end());
                    break;
                }
            }
            return;
        }
        if (name.isEmpty() || lower.startsWith(u'!') || selfClosing || IsVoidElement(lower))
            return;
        if (IsRawTextElement(lower)) {
            k.Place = TMarkupPlace::RawText;
            k.RawElement = lower;
            k.RawText.clear();
        }
        if (ClosesItsLikeImplicitly(lower) && !k.OpenElements.isEmpty() &&
            k.OpenElements.last().toLower() == lower)
            k.OpenElements.removeLast();
        k.OpenElements << name;
    }

    const QString* text_ = nullptr;
    qsizetype i_ = 0;
    bool inName_ = false;
    bool valueStarted_ = false;
    TMarkupPlace returnPlace_ = TMarkupPlace::Text;
    QChar serverCloser_;
};

} // namespace

bool IsVoidElement(const QString& name) {
    const TGlyphVocabularyElement* element = TGlyphVocabulary::Get().Element(name);
    return element && element->Void;
}

TMarkupContext MarkupContextAt(const std::function<QString(int)>& line, int y, int x,
                               int lookBack) {
    QString last = line(y).left(x);
    int first = y;
    qsizetype size = last.size();
    while (first > 1 && size < lookBack) {
        --first;
        size += line(first).size() + 1;
    }
    QString text;
    text.reserve(size);
    for (int n = first; n < y; ++n) {
        text += line(n);
        text += u'\n';
    }
    text += last;
    TMarkupScanner scanner;
    scanner.Scan(text);
    return scanner.context;
}

QString EndTagForGreater(const TMarkupContext& before, QChar previous, QStringView after) {
    const bool inTag = before.Place == TMarkupPlace::TagName ||
                       before.Place == TMarkupPlace::TagBody ||
                       (before.Place == TMarkupPlace::AttributeValue && before.Quote.isNull());
    const QString& name = before.TagName;
    if (!inTag || name.isEmpty() || !name.at(0).isLetter() || previous == u'/' ||
        IsVoidElement(name.toLower()))
        return {};
    const QString endTag = "</" + name + '>';
    if (after.startsWith(endTag, Qt::CaseInsensitive))
        return {};
    return endTag;
}

QString EndTagNameForSlash(const TMarkupContext& beforeLess, QStringView after) {
    if (beforeLess.Place != TMarkupPlace::Text || beforeLess.OpenElements.isEmpty())
        return {};
    // Nothing when its end tag follows already, with or without the </ typed before it.
    const QString text = beforeLess.OpenElements.last() + '>';
    if (after.startsWith(text, Qt::CaseInsensitive) ||
        after.startsWith(QStringLiteral("</") + text, Qt::CaseInsensitive))
        return {};
    return text;
}
