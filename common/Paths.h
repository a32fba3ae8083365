#pragma once

#include <QString>

// The folder of the files that ship with the program, with a trailing separator: the folder of
// the executable in a build, <prefix>/share/velmaris-glyphon/ when installed.
QString ProgramFolder();

// The shipped-data folder for an executable in ExeFolder: the installed data folder when it
// exists beside the prefix's bin folder, else ExeFolder itself.
QString DataFolderForExecutableFolder(const QString& exeFolder);

// Points ProgramFolder somewhere else (tests use a temporary folder); an empty text restores
// the folder of the executable.
void SetProgramFolderOverride(const QString& folder);

// ProgramFolder followed by Name; Name may hold subfolders ("WdgHtml40/index.html"). For files
// that ship with the program only: the program's folder is read-only once installed.
QString ProgramFilePath(const QString& name);

// The per-user folders of the files the program writes.
enum class TUserFolder {
    Config, // $XDG_CONFIG_HOME: Settings.ini, Sites.ini, the user's own lang.txt/CustomColors.txt
    Cache,  // $XDG_CACHE_HOME: preview pages and other files that may be lost
    State,  // $XDG_STATE_HOME: unsaved text kept for recovery
};

// The per-user folder + "Velmaris/Velmaris Glyphon/" + Name. The folder of the result is created
// with all missing parents, readable by its owner only; when that is impossible the path is
// still returned, so that writing it reports the failure under its real name.
QString UserFilePath(TUserFolder folder, const QString& name);

// A shipped file the user may replace with a copy of their own: the copy in the per-user
// configuration folder when it exists, else ProgramFilePath(Name).
QString UserOrShippedFilePath(const QString& name);

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
// missing parents; when that is impossible the path is still returned, never one in the
// program's folder.
QString MakerDataFilePath(const QString& name);

// The application-data folder + "Velmaris/Velmaris Glyphon/" + Name, created as MakerDataFilePath
// creates its folder.
QString ProductDataFilePath(const QString& name);
