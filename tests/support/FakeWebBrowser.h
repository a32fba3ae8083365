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
        const QString log = dir_.filePath("started.log");
        const auto script = [&](const QString& name, const QString& body) {
            QFile file(dir_.filePath(name));
            file.open(QIODevice::WriteOnly);
            file.write(("#!/bin/sh\n" + body + "\n").toUtf8());
            file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        };
        const QString entry = kind == DefaultEntry  ? "fakebrowser.desktop"
                              : kind == XWwwBrowser ? "io.velmaris.Glyphon.desktop"
                                                    : "";
        script("xdg-settings", entry.isEmpty() ? "exit 1" : "echo " + entry);
        if (kind != None)
            script("x-www-browser", "echo \"x-www-browser $*\" >> '" + log + "'");
        if (kind == DefaultEntry) {
            script("fakebrowser", "echo \"fakebrowser $*\" >> '" + log + "'");
            const QString apps =
                QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                "/applications/";
            QDir().mkpath(apps);
            QFile desktop(apps + entry);
            desktop.open(QIODevice::WriteOnly);
            desktop.write("[Desktop Entry]\nType=Application\nName=Fake\nExec=" +
                          dir_.filePath("fakebrowser").toUtf8() + " --new-window %u\n");
        }
        path_ = std::make_unique<ScopedEnv>(
            "PATH",
            QFile::encodeName(dir_.path()) + (kind == None ? QByteArray() : ':' + qgetenv("PATH")));
    }

    // The lines of the browsers started ("x-www-browser ARGS"), once there are Count of them.
    QStringList Started(int count = 1) {
        QStringList lines;
        (void)QTest::qWaitFor(
            [&] {
                QFile file(dir_.filePath("started.log"));
                lines = file.open(QIODevice::ReadOnly)
                            ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                            : QStringList();
                return lines.size() >= count;
            },
            10000);
        return lines;
    }

private:
    QTemporaryDir dir_;
    std::unique_ptr<ScopedEnv> path_;
};
