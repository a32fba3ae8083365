#pragma once

#include <QString>

// Text with every occurrence of Old replaced by New, found without regard to case. An empty Old
// leaves Text as it is.
QString ReplaceAllText(const QString& text, const QString& oldText, const QString& newText);
