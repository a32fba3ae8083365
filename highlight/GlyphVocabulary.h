#pragma once

#include <QHash>

#include <QString>
#include <QStringList>
#include <QStringView>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

// The vocabulary of HTML and CSS (data/GlyphVocabulary.txt, built into the program): what the
// highlighters know as tags and properties and what completion offers. Read at the first use.
struct TGlyphVocabularyAttribute {
    QString Name;
    QStringList Values; // enumerated values, empty when the value is free
};

struct TGlyphVocabularyElement {
    QString Name;
    bool Void = false;     // no end tag
    bool Obsolete = false; // known, never offered
    bool Foreign = false;  // SVG's: known, never offered
    // The line's attribute list, a view into the vocabulary's text; read into Attributes() at
    // its first call, since only completion asks for it.
    QStringView AttributeText;

    const std::vector<TGlyphVocabularyAttribute>& Attributes() const;
    const TGlyphVocabularyAttribute* Attribute(QStringView name) const;

private:
    mutable std::optional<std::vector<TGlyphVocabularyAttribute>> attributes_;
};

class TGlyphVocabulary {
public:
    explicit TGlyphVocabulary(QStringView text);
    // Elements hold views into the text.
    TGlyphVocabulary(const TGlyphVocabulary&) = delete;
    TGlyphVocabulary& operator=(const TGlyphVocabulary&) = delete;
    // The program's vocabulary, parsed at the first call.
    static const TGlyphVocabulary& Get();

    // Elements in file order: the HTML ones, then the obsolete and foreign ones.
    const std::vector<TGlyphVocabularyElement>& Elements() const { return elements_; }
    // Case-insensitive; null for unknown names.
    const TGlyphVocabularyElement* Element(QStringView name) const;
    const TGlyphVocabularyElement& GlobalAttributes() const { return global_; }
    // Read at the first call: only completion needs the 2,000 names, never the first paint.
    const QStringList& Entities() const;
    // Properties (and media features) with their keyword values; the CSS sections are read at
    // the first call of any of these, as only style sheets and completion need them.
    const std::vector<TGlyphVocabularyAttribute>& CssProperties() const;
    const TGlyphVocabularyAttribute* CssProperty(QStringView name) const;
    const QStringList& CssCommonValues() const;
    const QStringList& CssAtRules() const;
    const std::vector<TGlyphVocabularyAttribute>& CssMediaFeatures() const;

private:
    void ParseElement(QStringView line);
    void ReadCss() const;

    const QString text_;
    std::vector<TGlyphVocabularyElement> elements_;
    QHash<QString, int> elementIndex_; // lower-case name -> index
    TGlyphVocabularyElement global_;
    QList<QStringView> entityLines_;
    mutable QStringList entities_;
    mutable std::once_flag entitiesRead_;
    // The lines of the CSS sections, each with its section's name.
    QList<std::pair<QStringView, QStringView>> cssLines_;
    mutable std::once_flag cssRead_;
    mutable std::vector<TGlyphVocabularyAttribute> properties_;
    mutable QHash<QString, int> propertyIndex_;
    mutable QStringList commonValues_;
    mutable QStringList atRules_;
    mutable std::vector<TGlyphVocabularyAttribute> features_;
};
