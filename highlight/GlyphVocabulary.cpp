#include "highlight/GlyphVocabulary.h"

#include <QSet>

extern const char kGlyphVocabularyText[]; // generated from data/GlyphVocabulary.txt

namespace {

QStringList Words(QStringView text) {
    QStringList words;
    for (QStringView word : text.split(u' ', Qt::SkipEmptyParts))
        words << word.toString();
    return words;
}

// "name [flags] : rest" split at the first colon; a line without one is all head.
std::pair<QStringView, QStringView> HeadAndRest(QStringView line) {
    const qsizetype colon = line.indexOf(u" :");
    if (colon < 0)
        return {line.trimmed(), {}};
    return {line.left(colon).trimmed(), line.mid(colon + 2).trimmed()};
}

TGlyphVocabularyAttribute NameAndValues(QStringView head, QStringView rest) {
    return {head.toString(), Words(rest)};
}

} // namespace

const std::vector<TGlyphVocabularyAttribute>& TGlyphVocabularyElement::Attributes() const {
    // The vocabulary is shared by every window's thread that may ask.
    static std::mutex reading;
    const std::lock_guard<std::mutex> lock(reading);
    if (!attributes_) {
        attributes_.emplace();
        for (QStringView word : AttributeText.split(u' ', Qt::SkipEmptyParts)) {
            const qsizetype equals = word.indexOf(u'=');
            if (equals < 0)
                attributes_->push_back({word.toString(), {}});
            else
                attributes_->push_back(
                    {word.left(equals).toString(),
                     word.mid(equals + 1).toString().split(u'|', Qt::SkipEmptyParts)});
        }
    }
    return *attributes_;
}

const TGlyphVocabularyAttribute* TGlyphVocabularyElement::Attribute(QStringView name) const {
    for (const TGlyphVocabularyAttribute& attribute : Attributes()) {
        if (name.compare(attribute.Name, Qt::CaseInsensitive) == 0)
            return &attribute;
    }
    return nullptr;
}

TGlyphVocabulary::TGlyphVocabulary(QStringView text) : text_(text.toString()) {
    QStringView section;
    for (QStringView line : QStringView(text_).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            section = line;
            continue;
        }
        if (section == u"[html-elements]")
            ParseElement(line);
        else if (section == u"[entities]")
            entityLines_ << line;
        else if (section.startsWith(u"[css-"))
            cssLines_.append({section, line});
    }
}

void TGlyphVocabulary::ReadCss() const {
    std::call_once(cssRead_, [this] {
        for (const auto& [section, line] : cssLines_) {
            const auto [head, rest] = HeadAndRest(line);
            if (section == u"[css-properties]") {
                if (head == u"*") {
                    commonValues_ = Words(rest);
                } else if (!propertyIndex_.contains(head.toString().toLower())) {
                    propertyIndex_.insert(head.toString().toLower(), int(properties_.size()));
                    properties_.push_back(NameAndValues(head, rest));
                }
            } else if (section == u"[css-at-rules]") {
                atRules_ << Words(line);
            } else if (section == u"[css-media-features]") {
                features_.push_back(NameAndValues(head, rest));
            }
        }
    });
}

const std::vector<TGlyphVocabularyAttribute>& TGlyphVocabulary::CssProperties() const {
    ReadCss();
    return properties_;
}

const QStringList& TGlyphVocabulary::CssCommonValues() const {
    ReadCss();
    return commonValues_;
}

const QStringList& TGlyphVocabulary::CssAtRules() const {
    ReadCss();
    return atRules_;
}

const std::vector<TGlyphVocabularyAttribute>& TGlyphVocabulary::CssMediaFeatures() const {
    ReadCss();
    return features_;
}

void TGlyphVocabulary::ParseElement(QStringView line) {
    const auto [head, rest] = HeadAndRest(line);
    const QList<QStringView> words = head.split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return;
    TGlyphVocabularyElement element;
    element.Name = words.first().toString();
    element.Void = words.contains(u"void");
    element.Obsolete = words.contains(u"obsolete");
    element.Foreign = words.contains(u"foreign");
    element.AttributeText = rest;
    if (element.Name == u"*") {
        global_ = std::move(element);
        return;
    }
    const QString key = element.Name.toLower();
    if (elementIndex_.contains(key))
        return; // an SVG element of an HTML element's name (a) stays the HTML one
    elementIndex_.insert(key, int(elements_.size()));
    elements_.push_back(std::move(element));
}

const QStringList& TGlyphVocabulary::Entities() const {
    std::call_once(entitiesRead_, [this] {
        // The names pages use most come first and again in the full list; the first place
        // counts.
        QSet<QString> seen;
        for (QStringView line : entityLines_) {
            for (const QString& name : Words(line)) {
                if (!seen.contains(name)) {
                    seen.insert(name);
                    entities_ << name;
                }
            }
        }
    });
    return entities_;
}

const TGlyphVocabulary& TGlyphVocabulary::Get() {
    static const TGlyphVocabulary vocabulary(QString::fromUtf8(kGlyphVocabularyText));
    return vocabulary;
}

const TGlyphVocabularyElement* TGlyphVocabulary::Element(QStringView name) const {
    const auto found = elementIndex_.constFind(name.toString().toLower());
    return found == elementIndex_.constEnd() ? nullptr : &elements_[std::size_t(*found)];
}

const TGlyphVocabularyAttribute* TGlyphVocabulary::CssProperty(QStringView name) const {
    ReadCss();
    const auto found = propertyIndex_.constFind(name.toString().toLower());
    return found == propertyIndex_.constEnd() ? nullptr : &properties_[std::size_t(*found)];
}
