#include "common/WebBrowser.h"

#include "common/AppTitle.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

constexpr int AnswerDeadline = 5000;

// The desktop entry id of the default web browser, empty when the desktop names none.
QString DefaultBrowserEntry() {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("xdg-settings"));
    if (tool.isEmpty())
        return {};
    QProcess process;
    process.start(tool, {QStringLiteral("get"), QStringLiteral("default-web-browser")});
    if (!process.waitForFinished(AnswerDeadline) || process.exitCode() != 0) {
        process.kill();
        return {};
    }
    const QString id = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    // This program may have been made the handler of web pages; it is no browser.
    return id.endsWith(QLatin1String(".desktop")) && id != DesktopFileId() ? id : QString();
}

// The command line of the entry's Exec key with its field codes filled in for Target.
QStringList EntryCommand(const QString& id, const QString& target) {
    QFile entry(QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id));
    if (!entry.open(QIODevice::ReadOnly))
        return {};
    QString exec;
    bool inMainGroup = false;
    for (const QByteArray& raw : entry.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith('['))
            inMainGroup = line == QLatin1String("[Desktop Entry]");
        else if (inMainGroup && line.startsWith(QLatin1String("Exec=")))
            exec = line.mid(5);
    }
    const QString url = QUrl::fromUserInput(target, QString(), QUrl::AssumeLocalFile).toString();
    const QString path = QUrl(url).isLocalFile() ? QUrl(url).toLocalFile() : url;
    QStringList command;
    bool filled = false;
    for (QString arg : QProcess::splitCommand(exec.replace(QLatin1String("\\\\"), "\\"))) {
        if (arg == QLatin1String("%u") || arg == QLatin1String("%U")) {
            command << url;
            filled = true;
        } else if (arg == QLatin1String("%f") || arg == QLatin1String("%F")) {
            command << path;
            filled = true;
        } else if (!(arg.size() == 2 && arg[0] == '%' && arg != QLatin1String("%%"))) {
            command << arg.replace(QLatin1String("%%"), QLatin1String("%"));
        }
    }
    if (!command.isEmpty() && !filled)
        command << url;
    return command;
}

} // namespace

bool StartWebBrowser(const QString& target) {
    const QString entry = DefaultBrowserEntry();
    QStringList command = entry.isEmpty() ? QStringList() : EntryCommand(entry, target);
    if (!command.isEmpty() && QProcess::startDetached(command.first(), command.mid(1)))
        return true;
    const QString fallback = QStandardPaths::findExecutable(QStringLiteral("x-www-browser"));
    return !fallback.isEmpty() && QProcess::startDetached(fallback, {target});
}
