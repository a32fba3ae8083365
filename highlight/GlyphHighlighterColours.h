#pragma once

#include <QString>

class TGlyphCustomHighlighter;

// The user's colours of each highlighter live in the per-user store under
// "\Software\Velmaris\GlyphEdit\" + the highlighter's class name, and a snapshot of its built-in
// colours under the same key + "\Default".
QString HighlighterColoursKey(const QString& className);

bool SaveDefaultColours(TGlyphCustomHighlighter& highlighter, const QString& className);
bool LoadDefaultColours(TGlyphCustomHighlighter& highlighter, const QString& className);
bool SaveUserColours(TGlyphCustomHighlighter& highlighter, const QString& className);
bool LoadUserColours(TGlyphCustomHighlighter& highlighter, const QString& className);
