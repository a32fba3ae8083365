#pragma once

#include <QString>

// The application title: caption of the main window and of every message box, and the product
// name in the per-user settings and data folders.
inline QString ApplicationTitle() {
    return QStringLiteral("Velmaris Glyphon");
}

// The maker's name: the organisation of the per-user settings and the shared data folder.
inline QString MakerName() {
    return QStringLiteral("Velmaris");
}

// The class name of the main window, which names its sections in the settings files.
inline QString MainFormClassName() {
    return QStringLiteral("TFormGlyphon");
}

// The name of the program's desktop entry, under which the desktop knows it as a handler of
// file types.
inline QString DesktopFileId() {
    return QStringLiteral("io.velmaris.Glyphon.desktop");
}
