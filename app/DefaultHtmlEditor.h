#pragma once

#include <QString>

// The desktop's default application for HTML files, as desktop entry names
// ("io.velmaris.Glyphon.desktop"), through the desktop's own xdg-mime tool.

// Whether the xdg-mime tool is there to ask.
bool CanSetDefaultHtmlEditor();

// Whether the desktop entry Id is installed where the desktop looks for applications.
bool IsDesktopEntryInstalled(const QString& id);

// The entry that opens text/html now; empty when there is none.
QString DefaultHtmlEditor();

// Makes the entry Id the one that opens text/html; throws EGlyphError when the tool refuses.
void SetDefaultHtmlEditor(const QString& id);
