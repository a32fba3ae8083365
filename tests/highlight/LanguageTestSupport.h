#pragma once

#include "highlight/GlyphHighlightScan.h"
#include "highlight/TGlyphCustomHighlighter.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

// Token lists written the way a reader checks them: every token as [text:Attribute], with "-"
// for a token drawn without attribute, e.g. "[var:Reserved word][ :Space][x:Identifier]".
inline QString DescribeLine(const QString& text, const TGlyphScannedLine& line) {
    QString out;
    for (const TGlyphToken& t : line.Tokens) {
        out += QLatin1Char('[') + text.mid(t.Start, t.Length) + QLatin1Char(':') +
               (t.Attribute ? t.Attribute->Name() : QStringLiteral("-")) + QLatin1Char(']');
    }
    return out;
}

// Every line of a document scanned from the reset state, one description per line.
inline QStringList DescribeDocument(TGlyphCustomHighlighter& h, const QStringList& lines) {
    const QList<TGlyphScannedLine> scanned = ScanLines(h, lines);
    QStringList out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        out << DescribeLine(lines[i], scanned[i]);
    }
    return out;
}

// The state each line leaves for the next, scanned from the reset state.
inline QList<TGlyphCustomHighlighter::TState> EndStates(TGlyphCustomHighlighter& h,
                                                        const QStringList& lines) {
    QList<TGlyphCustomHighlighter::TState> out;
    for (const TGlyphScannedLine& line : ScanLines(h, lines)) {
        out << line.EndState;
    }
    return out;
}

// One table row of a token test: a document and the description of each of its lines.
struct TLanguageCase {
    const char* Name;
    QStringList Lines;
    QStringList Expected;
};

inline std::ostream& operator<<(std::ostream& os, const TLanguageCase& c) {
    return os << c.Name;
}

// Names the instances of a parameterised suite after their case.
inline std::string CaseName(const ::testing::TestParamInfo<TLanguageCase>& info) {
    return info.param.Name;
}

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// The names of a highlighter's attributes in the order AttributeAt answers them.
inline QStringList AttributeNames(const TGlyphCustomHighlighter& h) {
    QStringList names;
    for (int i = 0; i < h.AttributeCount(); ++i) {
        names << h.AttributeAt(i)->Name();
    }
    return names;
}
