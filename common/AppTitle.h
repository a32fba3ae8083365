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

// The program's reverse-DNS id: the name of its desktop entry (without ".desktop"), of its icon
// and of its AppStream component.
inline QString DesktopFileId() {
    return QStringLiteral("io.velmaris.Glyphon");
}
