#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>

// The program's shared file dialogs: one open, one save and one picture dialog, each created on
// first use, kept (with its folder and chosen filter) until the program ends, and run through
// the prompt service. Filters are written "Description|*.a;*.b|Description|*.c".

// The filter turned into Qt's name filters: "HTML (*.htm;*.html)|*.htm;*.html" becomes
// "HTML (*.htm *.html)". A pattern in the description is replaced by the real one, and "*.*"
// becomes "*", which on this system also matches names without a dot.
QStringList FileFilterToQt(const QString& filter);

// The cleaning rule for the names a dialog starts with: "|", "<" and ">" are removed (and "/"
// from a name part, where it cannot stand); a name that is then "." or ".." becomes empty.
QString CleanDialogFolder(const QString& folder);
QString CleanDialogFileName(const QString& name);

// The folder the open and save dialogs start in when the name they are given names no folder of
// its own (an untitled document) or one that does not exist; the home folder until one is set,
// or when the one set is gone.
void SetInitialDialogFolder(const QString& folder);

// Runs the open dialog starting in the folder of FileName with its name part (both cleaned; a
// name without a folder, or whose folder does not exist, starts in the initial folder). Filter
// defaults to all files, Caption to "Open". The chosen path, or nothing when cancelled. The file
// must exist.
std::optional<QString> RunOpenFileDialog(const QString& fileName, const QString& filter = {},
                                         const QString& defaultExt = {},
                                         const QString& caption = {});

// Why the save dialog refuses FileName, as the warning it shows: its folder does not exist, or
// it is a read-only file. Nothing when the name may be chosen.
std::optional<QString> SaveFileRefusal(const QString& fileName);

// The same with the save dialog (no default filter, Caption "Save As"). It asks before
// overwriting, adds "." +
// DefaultExt to a name chosen without extension, and refuses what SaveFileRefusal refuses: the
// user is told and chooses again.
std::optional<QString> RunSaveFileDialog(const QString& fileName, const QString& filter = {},
                                         const QString& defaultExt = {},
                                         const QString& caption = {});

// Every picture format Qt can read, one entry for all and one per format, then all files.
QString PictureFileFilter();

// Runs the picture dialog: an open dialog with the web's image formats first, then
// PictureFileFilter.
std::optional<QString> RunPictureDialog(const QString& fileName = {}, const QString& caption = {});

// Runs the shared font dialog starting with Font; on OK, Font becomes the chosen font.
bool RunFontDialog(QFont& font);
