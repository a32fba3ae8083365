#include "common/TEmbeddedWB.h"

#include "common/LocalPageServer.h"
#include "common/WindowCore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLibrary>
#include <QThreadPool>
#include <QVBoxLayout>

#ifndef GLYPHON_MODULE_DIR
#define GLYPHON_MODULE_DIR ""
#endif

namespace {

// The engine module's entry point, loaded once: beside the executable, in the build's folder
// of programs (tests run from elsewhere), or in the installed library folder.
TCreateEmbeddedWBEngine EngineFactory() {
    static TCreateEmbeddedWBEngine factory = [] {
        const QString app = QCoreApplication::applicationDirPath();
        const QStringList folders = {app, QStringLiteral(GLYPHON_MODULE_DIR),
                                     app + QStringLiteral("/../lib/velmaris-glyphon")};
        for (const QString& folder : folders) {
            const QString path = folder + QStringLiteral("/glyphon_webengine.so");
            if (folder.isEmpty() || !QFileInfo::exists(path))
                continue;
            QLibrary module(path);
            if (auto f = reinterpret_cast<TCreateEmbeddedWBEngine>(
                    module.resolve(CreateEmbeddedWBEngineName)))
                return f;
        }
        return TCreateEmbeddedWBEngine(nullptr);
    }();
    return factory;
}

QString ScriptString(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

} // namespace

TEmbeddedWB::TEmbeddedWB(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

TEmbeddedWB::~TEmbeddedWB() {
    // The engine's view is a child of this widget; it goes while its page's owner still exists.
    engine_.reset();
}

QString TEmbeddedWB::LocalUrl(const QString& fileName) {
    if (QDir::isRelativePath(fileName))
        return fileName;
    return LocalPageUrl(fileName);
}

QString TEmbeddedWB::BaseUrl(const QString& fileName) {
    if (QDir::isRelativePath(fileName))
        return fileName;
    return LocalResourceUrl(fileName);
}

QUrl TEmbeddedWB::Location() const {
    return file_.isEmpty() ? QUrl() : QUrl(LocalUrl(file_));
}

void TEmbeddedWB::Navigate(const QString& fileName) {
    file_ = QFileInfo(fileName).absoluteFilePath();
    if (engine_)
        engine_->Load(Location());
    else if (isVisible())
        StartEngine();
}

void TEmbeddedWB::Refresh(const QString& fileName) {
    if (engine_ && !keptScroll_)
        keptScroll_ = engine_->ScrollPosition();
    Navigate(fileName);
}

QPointF TEmbeddedWB::ScrollPosition() const {
    return engine_ ? engine_->ScrollPosition() : QPointF();
}

void TEmbeddedWB::TopFrameLoaded() {
    if (!keptScroll_)
        return;
    EvaluateScript(
        QStringLiteral("window.scrollTo(%1,%2);").arg(keptScroll_->x()).arg(keptScroll_->y()), {});
    // A load that a newer refresh replaced ends too; the position waits for the newer one.
    if (!engine_->Loading())
        keptScroll_.reset();
}

void TEmbeddedWB::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!engine_)
        StartEngine();
}

void TEmbeddedWB::StartEngine() {
    if (engineFailed_)
        return;
    const TCreateEmbeddedWBEngine create = EngineFactory();
    if (!create) {
        engineFailed_ = true;
        auto* notice = new QLabel(tr("The web browser component could not be loaded."), this);
        notice->setAlignment(Qt::AlignCenter);
        layout()->addWidget(notice);
        return;
    }
    TEmbeddedWBEvents events;
    events.DocumentComplete = [this](bool topFrame) {
        if (topFrame) {
            // The engine starts its processes as it needs them; each load catches new ones,
            // off the window's thread: the reading of /proc takes most of a millisecond.
            QThreadPool::globalInstance()->start(&KeepEngineProcessesOffFirstCore);
            TopFrameLoaded();
        }
        emit DocumentComplete(topFrame);
    };
    events.StatusTextChange = [this](const QString& text) { emit StatusTextChange(text); };
    events.TitleChange = [this](const QString& title) { emit TitleChange(title); };
    events.HistoryChange = [this](bool canGoBack, bool canGoForward) {
        emit CommandStateChange(CSC_NAVIGATEFORWARD, canGoForward);
        emit CommandStateChange(CSC_NAVIGATEBACK, canGoBack);
    };
    events.TopFrameNavigation = [](const QUrl& url) { return LocalTopFrameUrl(url); };
    engine_.reset(create(this, events));
    engine_->SetDownloadOptions(options_);
    layout()->addWidget(engine_->Widget());
    if (!file_.isEmpty())
        engine_->Load(Location());
}

void TEmbeddedWB::GoBack() {
    if (engine_)
        engine_->GoBack();
}

void TEmbeddedWB::GoForward() {
    if (engine_)
        engine_->GoForward();
}

void TEmbeddedWB::EvaluateScript(const QString& script,
                                 const std::function<void(const QVariant&)>& done) {
    if (engine_)
        engine_->RunScript(script, done);
}

void TEmbeddedWB::ScrollElementIntoView(const QString& id) {
    EvaluateScript(QStringLiteral("(function(){var e=document.getElementById(%1);"
                                  "if(e)e.scrollIntoView();})()")
                       .arg(ScriptString(id)),
                   {});
}

void TEmbeddedWB::SetBodyAttribute(const QString& name, const QString& value) {
    EvaluateScript(QStringLiteral("if(document.body)document.body.setAttribute(%1,%2);")
                       .arg(ScriptString(name), ScriptString(value)),
                   {});
}

void TEmbeddedWB::SetDownloadOptions(const TDownloadOptions& options) {
    options_ = options;
    if (engine_)
        engine_->SetDownloadOptions(options_);
}
