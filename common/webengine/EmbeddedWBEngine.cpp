// The web engine module of the embedded browser: Qt WebEngine behind TEmbeddedWBEngine.
//
// Local files reach a page only from the program's loopback server (LocalPageServer), which
// serves each page alone on an origin of its own and what it references from an origin its
// scripts cannot read; file: addresses are refused outright. A page is therefore an ordinary web
// page without file access: its images, style sheets, scripts and frames load, and so do remote
// ones, but no script reads a file. Where the top-level frame may go is the browser's to say
// (TopFrameNavigation). No page opens windows or saves downloads.

#include "common/EmbeddedWBEngine.h"

#include <QCoreApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <cstdio>
#include <unistd.h>

// Creates the OpenGL context the engine shares with the application, which an application
// otherwise has to ask for before it starts. It is exported by the engine's library but not
// declared in its public headers.
namespace QtWebEngineCore {
void initialize();
}

namespace {

// Whether OpenGL here draws on the processor (Mesa's llvmpipe and the like: a machine or virtual
// machine without 3D acceleration, a virtual display), or is missing.
bool SoftwareOpenGL() {
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!context.create() || !context.makeCurrent(&surface))
        return true;
    const QByteArray renderer =
        QByteArray(reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER)))
            .toLower();
    context.doneCurrent();
    for (const char* name : {"llvmpipe", "softpipe", "swrast", "software"})
        if (renderer.contains(name))
            return true;
    return renderer.isEmpty();
}

// Starts the engine: the sandbox decision and the one profile every browser of the program shares.
QWebEngineProfile* SharedProfile() {
    static QWebEngineProfile* profile = nullptr;
    if (profile)
        return profile;
    // Chromium cannot start its sandbox for root; everyone else keeps it.
    if (geteuid() == 0) {
        const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
                flags + (flags.isEmpty() ? "" : " ") + "--no-sandbox");
        std::fputs("Velmaris Glyphon: running as root, so the embedded browser runs without "
                   "Chromium's sandbox\n",
                   stderr);
    }
    // A browser drawn through OpenGL has its window composited through OpenGL at every repaint,
    // the editor's keystrokes included, for as long as the window lives. Where that OpenGL is
    // itself software, a keystroke took eight to ten times as long as with the browser drawn in
    // software.
    // A choice made in the environment stands.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") &&
        qEnvironmentVariableIsEmpty("QSG_RHI_BACKEND") && SoftwareOpenGL())
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    // Only now, so that a program that shows no browser never makes an OpenGL context.
    QtWebEngineCore::initialize();

    // Off the record: nothing a previewed page stores outlives the program.
    profile = new QWebEngineProfile(QCoreApplication::instance());
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile,
                     [](QWebEngineDownloadRequest* download) { download->cancel(); });
    QWebEngineSettings* settings = profile->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    settings->setDefaultTextEncoding(QStringLiteral("utf-8"));
    return profile;
}

// Refuses file: addresses in any case, and media when the browser's options leave them out.
class TInterceptor : public QWebEngineUrlRequestInterceptor {
public:
    bool Media = true;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (info.requestUrl().isLocalFile()) {
            info.block(true);
            return;
        }
        switch (info.resourceType()) {
        case QWebEngineUrlRequestInfo::ResourceTypeImage:
        case QWebEngineUrlRequestInfo::ResourceTypeMedia:
        case QWebEngineUrlRequestInfo::ResourceTypeFavicon:
            if (!Media)
                info.block(true);
            break;
        default:
            break;
        }
    }
};

// A page that never opens another window, whatever a script or link asks for, and whose top
// frame goes only where the browser lets it.
class TPage : public QWebEnginePage {
public:
    TPage(QWebEngineProfile* profile, QObject* parent,
          std::function<QUrl(const QUrl&)> topFrameNavigation)
        : QWebEnginePage(profile, parent), topFrameNavigation_(std::move(topFrameNavigation)) {}

protected:
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
        if (!isMainFrame || !topFrameNavigation_)
            return true;
        const QUrl target = topFrameNavigation_(url);
        if (target == url)
            return true;
        if (target.isValid())
            QTimer::singleShot(0, this, [this, target] { load(target); });
        return false;
    }

private:
    std::function<QUrl(const QUrl&)> topFrameNavigation_;
};

class TWebEngineView : public TEmbeddedWBEngine {
public:
    TWebEngineView(QWidget* parent, const TEmbeddedWBEvents& events)
        : view_(new QWebEngineView(parent)) {
        auto* page = new TPage(SharedProfile(), view_, events.TopFrameNavigation);
        page->setUrlRequestInterceptor(&interceptor_);
        view_->setPage(page);
        QObject::connect(page, &QWebEnginePage::loadFinished, view_, [this, events] {
            ReportHistory(events);
            events.DocumentComplete(true);
        });
        QObject::connect(page, &QWebEnginePage::urlChanged, view_,
                         [this, events] { ReportHistory(events); });
        QObject::connect(page, &QWebEnginePage::linkHovered, view_, events.StatusTextChange);
        QObject::connect(page, &QWebEnginePage::titleChanged, view_,
                         [this, events](const QString& title) {
                             // The engine names a page without a title after its address.
                             const QUrl url = view_->url();
                             const bool untitled = title.isEmpty() || title == url.toString() ||
                                                   title == url.toDisplayString() ||
                                                   title == url.toString(QUrl::RemoveScheme).mid(2);
                             events.TitleChange(untitled ? QString() : title);
                         });
    }

    ~TWebEngineView() override {
        // The page goes before the interceptor, which it still calls while it goes.
        delete view_;
    }

    QWidget* Widget() override { return view_; }
    void Load(const QUrl& url) override { view_->load(url); }
    void GoBack() override { view_->back(); }
    void GoForward() override { view_->forward(); }

    void RunScript(const QString& script,
                   const std::function<void(const QVariant&)>& done) override {
        // Our own scripts run apart from the page's, so they run also where the page's may not.
        if (done)
            view_->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld, done);
        else
            view_->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld);
    }

    void SetDownloadOptions(const TDownloadOptions& options) override {
        interceptor_.Media = options.Media;
        QWebEngineSettings* settings = view_->page()->settings();
        settings->setAttribute(QWebEngineSettings::AutoLoadImages, options.Media);
        settings->setAttribute(QWebEngineSettings::JavascriptEnabled, options.ActiveContent);
    }

    QPointF ScrollPosition() const override { return view_->page()->scrollPosition(); }
    bool Loading() const override { return view_->page()->isLoading(); }

private:
    void ReportHistory(const TEmbeddedWBEvents& events) {
        QWebEngineHistory* history = view_->history();
        events.HistoryChange(history->canGoBack(), history->canGoForward());
    }

    TInterceptor interceptor_;
    QWebEngineView* view_;
};

} // namespace

extern "C" Q_DECL_EXPORT TEmbeddedWBEngine*
CreateEmbeddedWBEngine(QWidget* parent, const TEmbeddedWBEvents& events) {
    return new TWebEngineView(parent, events);
}
