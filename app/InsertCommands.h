#pragma once

#include <QString>
#include <QStringList>

// The path of FileName as a page at DocumentFileName links to it: relative to the document's
// folder ("../" for each folder to climb), or the full path when the document has no folder
// (an untitled one) or the two paths share no folder below the root.
QString DocumentRelativePath(const QString& documentFileName, const QString& fileName);

// Format with each "%s" or "%d" replaced, in order, by the next of Values. The values go in as
// they are: a "%s" inside a value is text, not another place to fill.
QString FillTemplate(const QString& format, const QStringList& values);
