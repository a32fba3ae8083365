#include "app/TFormGlyphon.h"
#include "common/AppTitle.h"
#include "common/CommandLine.h"
#include "common/Paths.h"
#include "net/TFormDownload.h"
#include "net/URLDownloadToCacheFile.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    // The embedded browser shares the application's OpenGL contexts; this must be said before
    // the application object exists, though the browser itself starts only when first shown.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setOrganizationName(MakerName());
    QApplication::setApplicationVersion(GLYPHON_VERSION);
    // The command line is split once, before any window exists.
    CommandLineArgs();
    // Downloads cut off by an ended process would otherwise lie in the cache for ever.
    RemoveLeftoverDownloads(InternetCacheFolder());

    TFormGlyphon form;
    // The download dialog every URL download shows, made once for the life of the program.
    TFormDownload formDownload;
    form.resize(800, 600);
    if (const QScreen* screen = form.screen())
        form.move(screen->availableGeometry().center() - form.rect().center());
    form.show();
    // Test-only: the recovery tests cannot send keystrokes to a process of its own, so it types
    // the text of this variable into the document once it is open, then says so.
    if (const QString typing = qEnvironmentVariable("VELMARIS_GLYPHON_TEST_TYPING");
        !typing.isEmpty()) {
        auto* poll = new QTimer(&form);
        QObject::connect(poll, &QTimer::timeout, &form, [&form, poll, typing] {
            if (!form.FirstPaintDone() || form.DocumentFileName.isEmpty())
                return;
            poll->stop();
            for (const QChar c : typing)
                form.GlyphEdit.RunCommand(ecChar, c);
            std::puts("typed");
            std::fflush(stdout);
        });
        poll->start(10);
    }
    return app.exec();
}
