#include "app/ProgramEntry.h"

#include "app/TFormGlyphon.h"
#include "app/TerminationSignal.h"
#include "common/AppTitle.h"
#include "common/CommandLine.h"
#include "common/Paths.h"
#include "common/ProgramStyle.h"
#include "common/Translation.h"
#include "htmltools/TFormSpelling.h"
#include "net/TFormDownload.h"
#include "net/TFormHelp.h"
#include "net/URLDownloadToCacheFile.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>

int RunGlyphon(int argc, char** argv, const std::function<void(TFormGlyphon&)>& afterShow) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle());
    QApplication::setOrganizationName(MakerName());
    QApplication::setApplicationVersion(GLYPHON_VERSION);
    // The desktop ties the windows to the menu entry, and so to its icon, by this id (X11
    // desktops by the window class, which is the application name, as the entry says).
    QApplication::setDesktopFileName(QFileInfo(DesktopFileId()).completeBaseName());
    CloseWindowsOnTermination();
    InstallProgramStyle();
    // The command line is split once, before any window exists.
    CommandLineArgs();
    // The interface texts are read once, before the first window is made.
    LoadTranslations();
    TranslateComponent(&app);
    // Downloads cut off by an ended process would otherwise lie in the cache for ever.
    RemoveLeftoverDownloads(InternetCacheFolder());

    TFormGlyphon form;
    // The download dialog every URL download shows, made once for the life of the program.
    TFormDownload formDownload;
    // Holds both dictionaries for the life of the program; without the main one the program
    // ends as soon as its event loop starts.
    TFormSpelling formSpelling;
    // The help viewer of the reference commands, kept above the main window.
    TFormHelp formHelp(&form);
    form.resize(800, 600);
    if (const QScreen* screen = form.screen())
        form.move(screen->availableGeometry().center() - form.rect().center());
    form.show();
    // A modified document is not left waiting for an answer nobody gives.
    SetTerminationHandler([&form] { form.EndOnTerminationSignal(); });
    if (afterShow)
        afterShow(form);
    const int result = app.exec();
    SetTerminationHandler({});
    return result;
}
