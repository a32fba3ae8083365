#include "highlight/GlyphHighlighterColours.h"

#include "highlight/TGlyphCustomHighlighter.h"

#include <QSettings>

namespace {
QString DefaultKey(const QString& className) {
    return HighlighterColoursKey(className) + QStringLiteral("\\Default");
}
} // namespace

QString HighlighterColoursKey(const QString& className) {
    return QStringLiteral("\\Software\\Velmaris\\GlyphEdit\\") + className;
}

bool SaveDefaultColours(TGlyphCustomHighlighter& highlighter, const QString& className) {
    return highlighter.SaveAttributes(*OpenHighlighterStore(), DefaultKey(className));
}

bool LoadDefaultColours(TGlyphCustomHighlighter& highlighter, const QString& className) {
    return highlighter.LoadAttributes(*OpenHighlighterStore(), DefaultKey(className));
}

bool SaveUserColours(TGlyphCustomHighlighter& highlighter, const QString& className) {
    return highlighter.SaveAttributes(*OpenHighlighterStore(), HighlighterColoursKey(className));
}

bool LoadUserColours(TGlyphCustomHighlighter& highlighter, const QString& className) {
    return highlighter.LoadAttributes(*OpenHighlighterStore(), HighlighterColoursKey(className));
}
