#include "common/DockLayout.h"

namespace {
std::optional<int> ReadOptional(const TIniFile& ini, const QString& section, const QString& key) {
    if (!ini.ValueExists(section, key))
        return std::nullopt;
    return ini.ReadInteger(section, key);
}

void WriteOptional(TIniFile& ini, const QString& section, const QString& key,
                   const std::optional<int>& value) {
    if (value)
        ini.WriteInteger(section, key, *value);
    else
        ini.DeleteKey(section, key);
}
} // namespace

std::optional<TDockLayout> ReadDockLayout(const TIniFile& ini, const QString& section) {
    if (ini.ReadInteger(section, "Rev", 0) != DockLayoutRev)
        return std::nullopt;
    TDockLayout layout;
    layout.Visible = ini.ReadBool(section, "Visible", layout.Visible);
    layout.DockedTo = ini.ReadString(section, "DockedTo");
    layout.LastDock = ini.ReadString(section, "LastDock");
    layout.DockRow = ini.ReadInteger(section, "DockRow");
    layout.DockPos = ini.ReadInteger(section, "DockPos");
    layout.FloatLeft = ini.ReadInteger(section, "FloatLeft");
    layout.FloatTop = ini.ReadInteger(section, "FloatTop");
    layout.ClientWidth = ReadOptional(ini, section, "ClientWidth");
    layout.ClientHeight = ReadOptional(ini, section, "ClientHeight");
    layout.FloatRightX = ReadOptional(ini, section, "FloatRightX");
    return layout;
}

void WriteDockLayout(TIniFile& ini, const QString& section, const TDockLayout& layout) {
    ini.Batch([&] {
        ini.WriteInteger(section, "Rev", DockLayoutRev);
        ini.WriteBool(section, "Visible", layout.Visible);
        ini.WriteString(section, "DockedTo", layout.DockedTo);
        ini.WriteString(section, "LastDock", layout.LastDock);
        ini.WriteInteger(section, "DockRow", layout.DockRow);
        ini.WriteInteger(section, "DockPos", layout.DockPos);
        ini.WriteInteger(section, "FloatLeft", layout.FloatLeft);
        ini.WriteInteger(section, "FloatTop", layout.FloatTop);
        WriteOptional(ini, section, "ClientWidth", layout.ClientWidth);
        WriteOptional(ini, section, "ClientHeight", layout.ClientHeight);
        WriteOptional(ini, section, "FloatRightX", layout.FloatRightX);
    });
}
