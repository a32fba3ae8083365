#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
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
    std::vector<TGlyphVocabularyAttribute> Attributes;

    const TGlyphVocabularyAttribute* Attribute(QStringView name) const;
};

class TGlyphVocabulary {
public:
    explicit TGlyphVocabulary(QStringView text);
    // The program's vocabulary, parsed at the first call.
    static const TGlyphVocabulary& Get();

    // Elements in file order: the HTML ones, then the obsolete and foreign ones.
    const std::vector<TGlyphVocabularyElement>& Elements() const { return elements_; }
    // Case-insensitive; null for unknown names.
    const TGlyphVocabularyElement* Element(QStringView name) const;
    const TGlyphVocabularyElement& GlobalAttributes() const { return global_; }
    const QStringList& Entities() const { return entities_; }
    // Properties (and media features) with their keyword values.
    const std::vector<TGlyphVocabularyAttribute>& CssProperties() const { return properties_; }
    const TGlyphVocabularyAttribute* CssProperty(QStringView name) const;
    const QStringList& CssCommonValues() const { return commonValues_; }
    const QStringList& CssAtRules() const { return atRules_; }
    const std::vector<TGlyphVocabularyAttribute>& CssMediaFeatures() const { return features_; }

private:
    void ParseElement(QStringView line);

    std::vector<TGlyphVocabularyElement> elements_;
    QHash<QString, int> elementIndex_; // lower-case name -> index
    TGlyphVocabularyElement global_;
    QStringList entities_;
    std::vector<TGlyphVocabularyAttribute> properties_;
    QHash<QString, int> propertyIndex_;
    QStringList commonValues_;
    QStringList atRules_;
    std::vector<TGlyphVocabularyAttribute> features_;
};
