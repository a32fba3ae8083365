#include "app/PreviewBuilder.h"

#include "app/PreprocessText.h"
#include "common/GlyphErrors.h"
#include "common/HtmlPreview.h"
#include "common/WindowCore.h"

#include <QBuffer>
#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>

QByteArray PreviewBytes(const QString& text, TTextEncoding encoding, bool byteOrderMark) {
    QString storable = text;
    if (!EncodeTextAs(text, encoding)) {
        for (QChar& c : storable) {
            if (!EncodeTextAs(QString(c), encoding))
                c = u'?';
        }
    }
    TGlyphEditStringList page;
    QBuffer bytes;
    bytes.setData(storable.toUtf8());
    bytes.open(QIODevice::ReadOnly);
    page.LoadStream(bytes, TTextEncoding::Utf8);
    page.SetEncoding(encoding, byteOrderMark);
    return page.SaveToBytes();
}

QString BuildPreviewFile(const TPreviewSource& source, const std::function<bool()>& superseded) {
    const auto wanted = [&] { return !superseded || !superseded(); };
    if (!wanted())
        return {};
    const QString text = PreprocessText(source.Text, source.FileName, source.Now);
    if (!wanted())
        return {};
    const QByteArray bytes =
        PreviewBytes(HtmlPreviewPage(text, source.BaseUrl), source.Encoding, source.ByteOrderMark);
    return WriteHtmlPreviewFile(bytes, superseded);
}

TPreviewBuilder::TPreviewBuilder(QObject* parent) : QObject(parent) {}

TPreviewBuilder::~TPreviewBuilder() {
    Supersede();
}

void TPreviewBuilder::Start(TPreviewSource source) {
    Supersede();
    auto superseded = std::make_shared<std::atomic_bool>(false);
    superseded_ = superseded;
    // Shared: the pool's task is copied, a promise cannot be.
    auto promise = std::make_shared<QPromise<TResult>>();
    watcher_ = new QFutureWatcher<TResult>(this);
    connect(watcher_, &QFutureWatcherBase::finished, this,
            [this, watcher = watcher_] { Finished(watcher); });
    watcher_->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, superseded, source = std::move(source)] {
        promise->start();
        const TOffFirstCore offFirstCore;
        TResult result;
        try {
            result.FileName = BuildPreviewFile(source, [&] { return superseded->load(); });
        } catch (const EGlyphError& error) {
            result.Error = error.Message();
        } catch (const std::exception& error) {
            result.Error = QString::fromUtf8(error.what());
        }
        promise->addResult(result);
        promise->finish();
    });
}

void TPreviewBuilder::Supersede() {
    if (superseded_)
        superseded_->store(true);
    superseded_.reset();
    if (watcher_) {
        // Deleting the watcher drops what its build still reports.
        watcher_->disconnect(this);
        watcher_->deleteLater();
        watcher_ = nullptr;
    }
}

void TPreviewBuilder::Finished(QFutureWatcher<TResult>* watcher) {
    if (watcher != watcher_)
        return;
    const QFuture<TResult> future = watcher->future();
    watcher_->deleteLater();
    watcher_ = nullptr;
    superseded_.reset();
    if (future.resultCount() == 0)
        return;
    const TResult result = future.result();
    if (!result.Error.isEmpty())
        emit Failed(result.Error);
    else if (!result.FileName.isEmpty())
        emit Built(result.FileName);
}
