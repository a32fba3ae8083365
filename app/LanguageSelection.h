#pragma once

#include <QList>
#include <QString>

#include "highlight/GlyphLanguageCatalogue.h"

// The extension of a document's file name with its dot, taken from the last "." of the name
// part; empty when the name has none.
QString DocumentExtension(const QString& documentFileName);

// True when Filter (open-dialog form, "Description|*.a;*.b") lists "*" + Extension, without
// regard to case. Pieces are split at ";" and "|", may be quoted, and lose leading blanks.
bool ExtensionInFilter(const QString& filter, const QString& extension);

// The language that colours DocumentFileName: the first, in the choice order, whose filter lists
// its extension; the general language when none does.
TGlyphLanguageId ChooseLanguage(const QString& documentFileName);
