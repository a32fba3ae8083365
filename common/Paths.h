#pragma once

#include <QString>

// The folder of the running program file, with a trailing separator.
QString ProgramFolder();

// Points ProgramFolder somewhere else (tests use a temporary folder); an empty text restores
// the folder of the executable.
void SetProgramFolderOverride(const QString& folder);

// ProgramFolder followed by Name; Name may hold subfolders ("WdgHtml40/index.html").
QString ProgramFilePath(const QString& name);

// The desktop folders the program asks for by role.
enum class TSpecialFolder {
    ApplicationData, // $XDG_DATA_HOME
    InternetCache,   // the product's own download cache under $XDG_CACHE_HOME
};

// The path of a special folder with a trailing separator, or Default when the system cannot
// name one. The folder need not exist.
QString SpecialFolderPath(TSpecialFolder folder, const QString& defaultPath = {});

// Where downloads are kept: $XDG_CACHE_HOME/Velmaris/Velmaris Glyphon/Internet Cache/, with a
// trailing separator; empty when the system names no cache folder.
QString InternetCacheFolder();

// The application-data folder + "Velmaris/" + Name. The folder of the result is created with all
// missing parents; when that is impossible the result is ProgramFilePath(Name).
QString MakerDataFilePath(const QString& name);

// The application-data folder + "Velmaris/Velmaris Glyphon/" + Name, created and with the same
// fall-back as MakerDataFilePath.
QString ProductDataFilePath(const QString& name);
