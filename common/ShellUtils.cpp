#include "common/ShellUtils.h"

#include "common/CommandLine.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace {
// "http://host/page" names a URL; "/home/a.htm" and "a.htm" name files.
bool IsUrlWithScheme(const QString& name) {
    const QUrl url(name);
    return url.isValid() && url.scheme().size() > 1 && !name.startsWith('/');
}

bool OpenLocalFile(const QString& fileName, const QString& parameters) {
    const QFileInfo info(fileName);
    if (!info.exists())
        return false;
    // A program is started; a document with a stray execute bit (files copied from other systems
    // often have one) cannot be run, and then goes to its application like any other file.
    if (info.isFile() && info.isExecutable() &&
        QProcess::startDetached(info.absoluteFilePath(), SplitCommandLine(parameters),
                                info.absolutePath()))
        return true;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}
} // namespace

QString QuoteArguments(const QStringList& args) {
    QStringList quoted;
    for (QString arg : args)
        quoted.append('"' + arg.replace("\"", "\"\"") + '"');
    return quoted.join(' ');
}

bool ShellExecuteVerb(const QString& verb, const QString& fileName, const QString& parameters) {
    if (verb.compare("open", Qt::CaseInsensitive) != 0 || fileName.isEmpty())
        return false;
    if (IsUrlWithScheme(fileName))
        return QDesktopServices::openUrl(QUrl(fileName));
    return OpenLocalFile(fileName, parameters);
}

bool ShellOpen(const QString& fileName, const QString& parameters) {
    return ShellExecuteVerb("open", fileName, parameters);
}

bool ShellOpenOrOpenWith(const QString& fileName) {
    return ShellOpen(fileName);
}

bool RunControlPanelApplet(const QString&) {
    return false;
}
