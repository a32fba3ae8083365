#pragma once

#include <QSettings>
#include <QString>
#include <memory>

// What the installer and the maker's updater (Renuvex) leave on the machine, read from the
// system-wide settings of organisation "Velmaris" (under /etc/xdg); read only, and absent on most
// machines, which leaves every value below empty.
std::unique_ptr<QSettings> MachineSettings(const QString& application);

// The maker's home page, used when the installer left no address of its own.
QString MakerHomePage();

// The installer's "Uninstall/URLInfoAbout" value of the program's machine settings; MakerHomePage
// when the program has no machine settings at all, empty when they hold no such value.
QString MakerSiteUrl();

// The updater's "Path" from "Renuvex v2.0", else from "Renuvex"; empty when neither names one.
QString UpdaterPath();

// A file exists at UpdaterPath.
bool IsUpdaterInstalled();

// Starts the updater in its own folder with Code and Name as its two quoted arguments. False when
// there is no updater to start; nothing is shown.
bool RunUpdater(const QString& code, const QString& name);

// The "PATH" of the component Name in the updater's "Components" group, or empty.
QString ComponentPath(const QString& name);

// Starts the installed component Name with FileName, "-NoSplash" and "-X"; without the component
// opens FileName with the desktop; with neither raises "\"Name\" is not installed on your system.".
void RunComponent(const QString& name, const QString& fileName);
