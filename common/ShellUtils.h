#pragma once

#include <QString>
#include <QStringList>

// Each argument in double quotes, a double quote inside doubled, joined by single spaces:
// {"a b", "say \"hi\""} -> "\"a b\" \"say \"\"hi\"\"\"".
QString QuoteArguments(const QStringList& args);

// Asks the desktop to perform Verb on FileName with Parameters (split by the command-line rule),
// in the folder of FileName. The verb "open" is the one the desktop offers: a program file is
// started, any other file or a URL is opened with its default application. Other verbs have no
// counterpart here and fail. True when the desktop reports success; no message is shown.
bool ShellExecuteVerb(const QString& verb, const QString& fileName, const QString& parameters = {});

// ShellExecuteVerb with "open".
bool ShellOpen(const QString& fileName, const QString& parameters = {});

// ShellOpen. The desktop has no common "open with" chooser to fall back on, so the result is
// that of the first attempt.
bool ShellOpenOrOpenWith(const QString& fileName);

// Control-panel applets do not exist on this platform: always false, nothing is started.
bool RunControlPanelApplet(const QString& applet);
