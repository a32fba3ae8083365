#pragma once

#include <QPointF>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <functional>

class QWidget;

// What a browser loads beyond the page's text.
struct TDownloadOptions {
    bool Media = true;         // images, videos and background sounds
    bool ActiveContent = true; // scripts (there are no Java applets or ActiveX controls here)
};

// The embedded browser's link to the web engine, which lives in a module of its own
// ("glyphon_webengine") that is loaded the first time a browser is shown: a program that shows
// no browser never loads Chromium's libraries.

// What the engine tells its browser.
struct TEmbeddedWBEvents {
    std::function<void(bool topFrame)> DocumentComplete;
    std::function<void(const QString&)> StatusTextChange;
    std::function<void(const QString&)> TitleChange;
    std::function<void(bool canGoBack, bool canGoForward)> HistoryChange;
    // Where the top-level frame goes when it is asked to go to an address: that address, another
    // one, or nowhere (an empty address).
    std::function<QUrl(const QUrl&)> TopFrameNavigation;
};

// One browser view of the engine.
class TEmbeddedWBEngine {
public:
    virtual ~TEmbeddedWBEngine() = default;
    virtual QWidget* Widget() = 0;
    virtual void Load(const QUrl& url) = 0;
    virtual void GoBack() = 0;
    virtual void GoForward() = 0;
    // Runs Script apart from the page's own scripts; Done, if given, gets its result.
    virtual void RunScript(const QString& script,
                           const std::function<void(const QVariant&)>& done) = 0;
    virtual void SetDownloadOptions(const TDownloadOptions& options) = 0;
    // How far the shown page is scrolled, in its own pixels.
    virtual QPointF ScrollPosition() const = 0;
    // Whether a load of the top-level frame is under way.
    virtual bool Loading() const = 0;
};

// The module's one entry point: a new view in Parent, reporting to Events. The first call starts
// the engine.
using TCreateEmbeddedWBEngine = TEmbeddedWBEngine* (*)(QWidget* parent,
                                                       const TEmbeddedWBEvents& events);
inline constexpr char CreateEmbeddedWBEngineName[] = "CreateEmbeddedWBEngine";
