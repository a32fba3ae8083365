#pragma once

#include <QList>
#include <QString>

class TGlyphCustomHighlighter;

// The extension of a document's file name with its dot, taken from the last "." of the name
// part; empty when the name has none.
QString DocumentExtension(const QString& documentFileName);

// True when Filter (open-dialog form, "Description|*.a;*.b") lists "*" + Extension, without
// regard to case. Pieces are split at ";" and "|", may be quoted, and lose leading blanks.
bool ExtensionInFilter(const QString& filter, const QString& extension);

// The first of Candidates whose filter lists the extension of DocumentFileName, else Fallback.
TGlyphCustomHighlighter* ChooseHighlighter(const QList<TGlyphCustomHighlighter*>& candidates,
                                           TGlyphCustomHighlighter* fallback,
                                           const QString& documentFileName);
