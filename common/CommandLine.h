#pragma once

#include <QString>
#include <QStringList>

// Splits a raw command line: items are separated by spaces and control characters; an item that
// begins with a double quote runs to the closing quote (a doubled quote inside stands for one)
// and loses its quotes; the item ends there. An unclosed quote runs to the end of the line.
QStringList SplitCommandLine(const QString& commandLine);

// The program's arguments, item 0 being the program. Taken once, on first use, from
// QCoreApplication::arguments() (the shell has already split them on Linux).
const QStringList& CommandLineArgs();

// Replaces the arguments (start-up code handed a raw line, and tests).
void SetCommandLineArgs(const QStringList& args);

// An item "--" ends the options: what follows it is never read as an option, so a file whose
// name begins with "-" is given as "-- -name.htm".

// The file the command line names: item 1 when it does not begin with "-", else the item
// after a "--"; empty when there is none.
QString CommandLineFile();

// True when the command line names a file.
bool CommandLineHasFile();

// The item after the first of items 1 to count-2 that equals "-" + Name without regard to case,
// looked for only before a "--"; Default when there is none.
QString CommandLineOption(const QString& name, const QString& defaultValue = {});

// CommandLineOption read as a decimal integer; Default when absent or not an integer.
int CommandLineIntOption(const QString& name, int defaultValue = 0);
