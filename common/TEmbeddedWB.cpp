#include "common/TEmbeddedWB.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>
#include <cstdio>
#include <unistd.h>

namespace {

const QByteArray LocalScheme = QByteArrayLiteral("glyphon");

// The folders pages may be shown from, each under a host name of its own. Random names keep a
// page from guessing the address of a folder it was not given.
struct TFolderHosts {
    QHash<QString, QString> HostOfFolder;
    QHash<QString, QString> FolderOfHost;

    QString HostFor(const QString& folder) {
        QString& host = HostOfFolder[folder];
        if (host.isEmpty()) {
            host = QStringLiteral("f%1").arg(QRandomGenerator::global()->generate64(), 16, 16,
                                             QLatin1Char('0'));
            FolderOfHost.insert(host, folder);
        }
        return host;
    }
};

TFolderHosts& FolderHosts() {
    static TFolderHosts hosts;
    return hosts;
}

// Whether Path is Folder or lies below it.
bool InFolderTree(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder.endsWith('/') ? folder : folder + '/');
}

// Serves the files of the registered folders; anything outside a folder's tree is not found.
class TLocalFileSchemeHandler : public QWebEngineUrlSchemeHandler {
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    void requestStarted(QWebEngineUrlRequestJob* job) override {
        if (job->requestMethod() != "GET") {
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
            return;
        }
        const QUrl url = job->requestUrl();
        const QString folder = FolderHosts().FolderOfHost.value(url.host());
        if (folder.isEmpty()) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        // Dots and symbolic links are resolved before the check, so neither leads out.
        const QString path = QDir::cleanPath(folder + '/' + url.path(QUrl::FullyDecoded));
        const QString real = QFileInfo(path).canonicalFilePath();
        const QString realFolder = QFileInfo(folder).canonicalFilePath();
        if (real.isEmpty() || realFolder.isEmpty() || !InFolderTree(path, folder) ||
            !InFolderTree(real, realFolder) || !QFileInfo(real).isFile()) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        auto* file = new QFile(real);
        if (!file->open(QIODevice::ReadOnly)) {
            delete file;
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
            return;
        }
        connect(job, &QObject::destroyed, file, &QObject::deleteLater);
        const QString mime =
            QMimeDatabase().mimeTypeForFile(real, QMimeDatabase::MatchExtension).name();
        job->reply(mime.toUtf8(), file);
    }
};

// Starts the web engine the first time a browser needs it: the address scheme, the sandbox
// decision and the one profile every browser of the program shares.
QWebEngineProfile* SharedProfile() {
    static QWebEngineProfile* profile = nullptr;
    if (profile)
        return profile;
    // Chromium refuses to start its sandbox for root; everyone else keeps it.
    if (geteuid() == 0) {
        const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
                flags + (flags.isEmpty() ? "" : " ") + "--no-sandbox");
        std::fputs("Velmaris Glyphon: running as root, so the embedded browser runs without "
                   "Chromium's sandbox\n",
                   stderr);
    }
    QWebEngineUrlScheme scheme(LocalScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    QWebEngineUrlScheme::registerScheme(scheme);

    // Off the record: nothing a previewed page stores outlives the program.
    profile = new QWebEngineProfile(QCoreApplication::instance());
    profile->installUrlSchemeHandler(LocalScheme, new TLocalFileSchemeHandler(profile));
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

// A page that never opens another window, whatever a script or link asks for.
class TEmbeddedWBPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
};

} // namespace

// Refuses file: addresses in any case, and media when the browser's options leave them out.
class TEmbeddedWBInterceptor : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

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

TEmbeddedWB::TEmbeddedWB(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

TEmbeddedWB::~TEmbeddedWB() {
    // The page goes before its interceptor, which it still calls while it goes.
    delete view_;
    delete interceptor_;
}

QString TEmbeddedWB::LocalUrl(const QString& fileName) {
    if (QDir::isRelativePath(fileName))
        return fileName;
    const QFileInfo info(fileName);
    QUrl url;
    url.setScheme(QString::fromLatin1(LocalScheme));
    url.setHost(FolderHosts().HostFor(QDir::cleanPath(info.absolutePath())));
    url.setPath('/' + info.fileName());
    return url.toString(QUrl::FullyEncoded);
}

void TEmbeddedWB::Navigate(const QString& fileName) {
    location_ = QUrl(LocalUrl(QFileInfo(fileName).absoluteFilePath()));
    if (view_)
        view_->load(location_);
    else if (isVisible())
        CreateView();
}

void TEmbeddedWB::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!view_)
        CreateView();
}

void TEmbeddedWB::CreateView() {
    QWebEngineProfile* profile = SharedProfile();
    view_ = new QWebEngineView(this);
    interceptor_ = new TEmbeddedWBInterceptor;
    auto* page = new TEmbeddedWBPage(profile, view_);
    page->setUrlRequestInterceptor(interceptor_);
    view_->setPage(page);
    ApplyDownloadOptions();
    layout()->addWidget(view_);

    connect(page, &QWebEnginePage::loadFinished, this, [this] {
        ReportCommandStates();
        emit DocumentComplete(true);
    });
    connect(page, &QWebEnginePage::urlChanged, this, [this] { ReportCommandStates(); });
    connect(page, &QWebEnginePage::linkHovered, this, &TEmbeddedWB::StatusTextChange);
    connect(page, &QWebEnginePage::titleChanged, this, [this](const QString& title) {
        // The engine names a page without a title after its address; that is no title.
        const QUrl url = view_->url();
        const bool untitled = title.isEmpty() || title == url.toString() ||
                              title == url.toDisplayString() ||
                              title == url.toString(QUrl::RemoveScheme).mid(2);
        emit TitleChange(untitled ? QString() : title);
    });
    if (!location_.isEmpty())
        view_->load(location_);
}

void TEmbeddedWB::ReportCommandStates() {
    QWebEngineHistory* history = view_->history();
    emit CommandStateChange(CSC_NAVIGATEFORWARD, history->canGoForward());
    emit CommandStateChange(CSC_NAVIGATEBACK, history->canGoBack());
}

void TEmbeddedWB::GoBack() {
    if (view_)
        view_->back();
}

void TEmbeddedWB::GoForward() {
    if (view_)
        view_->forward();
}

// Our own scripts run apart from the page's, so they work also where the page's may not run.
void TEmbeddedWB::RunScript(const QString& script) {
    if (view_)
        view_->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld);
}

static QString ScriptString(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

void TEmbeddedWB::ScrollElementIntoView(const QString& id) {
    RunScript(QStringLiteral("(function(){var e=document.getElementById(%1);"
                             "if(e)e.scrollIntoView();})()")
                  .arg(ScriptString(id)));
}

void TEmbeddedWB::SetBodyAttribute(const QString& name, const QString& value) {
    RunScript(QStringLiteral("if(document.body)document.body.setAttribute(%1,%2);")
                  .arg(ScriptString(name), ScriptString(value)));
}

void TEmbeddedWB::SetDownloadOptions(const TDownloadOptions& options) {
    options_ = options;
    ApplyDownloadOptions();
}

void TEmbeddedWB::ApplyDownloadOptions() {
    if (!view_)
        return;
    interceptor_->Media = options_.Media;
    QWebEngineSettings* settings = view_->page()->settings();
    settings->setAttribute(QWebEngineSettings::AutoLoadImages, options_.Media);
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, options_.ActiveContent);
}
