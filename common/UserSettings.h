#pragma once

#include <QSettings>
#include <QString>
#include <memory>

// The per-user store of organisation "Velmaris" (Qt's native format: an ini file under
// $XDG_CONFIG_HOME/Velmaris/). Application names the store: the application title for the window
// states, "GlyphEdit" for the highlighting colours. A settings path "A\B" of the original
// program is the group "A/B" here.
std::unique_ptr<QSettings> OpenUserSettings(const QString& application);

// Writes what Settings holds to its file; throws EGlyphError "Unable to write to <file>" when
// the file does not take it.
void SyncUserSettings(QSettings& settings);
