#pragma once

#include "common/SettingsIni.h"

#include <QString>
#include <optional>

// The stored place of one dockable bar or pane of a window: one settings section named after the
// window class followed by the bar's name ("TFormGlyphon" + "TBToolbarMainMenu").
struct TDockLayout {
    bool Visible = true;
    QString DockedTo; // the dock's name, "+" when floating, empty when neither
    QString LastDock; // the dock a floating bar returns to
    int DockRow = 0;
    int DockPos = 0;
    int FloatLeft = 0;
    int FloatTop = 0;
    std::optional<int> ClientWidth;  // panes only
    std::optional<int> ClientHeight; // panes only
    std::optional<int> FloatRightX;  // tool bars only

    bool operator==(const TDockLayout&) const = default;
};

// The revision every layout section is written with; a section of another revision was written
// by another version of the program and is not read.
inline constexpr int DockLayoutRev = 2000;

inline QString DockLayoutSection(const QString& formClass, const QString& barName) {
    return formClass + barName;
}

// The layout stored in Section, or nothing when the section is absent or its "Rev" is not 2000.
std::optional<TDockLayout> ReadDockLayout(const TIniFile& ini, const QString& section);

// Writes every key of Layout and "Rev" 2000 to Section in one update of the file.
void WriteDockLayout(TIniFile& ini, const QString& section, const TDockLayout& layout);
