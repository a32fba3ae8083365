#pragma once

#include <QString>

// The folder of the running program file, with a trailing separator.
QString ProgramFolder();

// Points ProgramFolder somewhere else (tests use a temporary folder); an empty text restores
// the folder of the executable.
void SetProgramFolderOverride(const QString& folder);
