#pragma once

#include "support/ScopedEnv.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

// Takes the place of the desktop's web browsers while it lives: PATH leads first (or, with
// none, only) to a folder of its own holding an xdg-settings that names Entry as the default
// web browser, and the browsers of Kind, each of which records what it was asked to open.
class FakeWebBrowser {
public:
    enum TKind {
        DefaultEntry, // the default browser's desktop entry "fakebrowser.desktop", and
                      // x-www-browser
        XWwwBrowser,  // x-www-browser only; the default is this program's own entry
        None,         // neither
    };

    explicit FakeWebBrowser(TKind kind) {
        const QString entry = kind == DefaultEntry  ? "fakebrowser.desktop"
                              : kind == XWwwBrowser ? "io.velmaris.Glyphon.desktop"
                                                    : "";
        Script("xdg-settings", entry.isEmpty() ? "exit 1" : "echo " + entry);
        for (const QString& browser : {QString("x-www-browser"), QString("fakebrowser")}) {
            if (kind == DefaultEntry || (kind == XWwwBrowser && browser == "x-www-browser"))
                Script(browser, "echo \"" + browser + " $*\" >> '" + Log() + "'");
        }
        const QString apps =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/applications";
        QDir().mkpath(apps);
        QFile desktop(apps + "/fakebrowser.desktop");
        desktop.open(QIODevice::WriteOnly);
        desktop.write("[Desktop Entry]\nType=Application\nName=Fake\nExec=" +
                      dir_.filePath("fakebrowser").toUtf8() + " --new-window %u\n");
        path_ = std::make_unique<ScopedEnv>(
            "PATH",
            QFile::encodeName(dir_.path()) + (kind == None ? QByteArray() : ':' + qgetenv("PATH")));
    }

    // The lines of the browsers started ("x-www-browser ARGS"), once there are Count of them.
    QStringList Started(int count = 1) {
        QStringList lines;
        (void)QTest::qWaitFor(
            [&] {
                QFile file(Log());
                lines = file.open(QIODevice::ReadOnly)
                            ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                            : QStringList();
                return lines.size() >= count;
            },
            10000);
        return lines;
    }

private:
    QString Log() const { return dir_.filePath("started.log"); }
    void Script(const QString& name, const QString& body) {
        QFile file(dir_.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(("#!/bin/sh\n" + body + "\n").toUtf8());
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }

    QTemporaryDir dir_;
    std::unique_ptr<ScopedEnv> path_;
};
