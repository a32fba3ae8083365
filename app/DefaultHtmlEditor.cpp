#include "app/DefaultHtmlEditor.h"

#include "common/AppHelpers.h"

#include <QProcess>
#include <QStandardPaths>

namespace {
const QString HtmlType = QStringLiteral("text/html");
constexpr int ToolTimeout = 30000;

QString XdgMime() {
    return QStandardPaths::findExecutable("xdg-mime");
}

// Runs xdg-mime with Args; its output, or an error with what it said when it fails.
QString RunXdgMime(const QStringList& args) {
    QProcess tool;
    tool.start(XdgMime(), args);
    if (!tool.waitForFinished(ToolTimeout) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(tool.readAllStandardError()).trimmed();
        tool.kill();
        RaiseError(QStringLiteral("The desktop did not take the default HTML editor: %1")
                       .arg(said.isEmpty() ? tool.errorString() : said));
    }
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}
} // namespace

bool CanSetDefaultHtmlEditor() {
    return !XdgMime().isEmpty();
}

bool IsDesktopEntryInstalled(const QString& id) {
    return !QStandardPaths::locate(QStandardPaths::ApplicationsLocation, id).isEmpty();
}

QString DefaultHtmlEditor() {
    return RunXdgMime({"query", "default", HtmlType});
}

void SetDefaultHtmlEditor(const QString& id) {
    RunXdgMime({"default", id, HtmlType});
}
