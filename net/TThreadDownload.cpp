#include "net/TThreadDownload.h"

#include "common/Paths.h"
#include "common/UrlUtils.h"

#include <QEventLoop>

TThreadDownload::TThreadDownload(const QString& url, QObject* parent)
    : QThread(parent), url_(url) {}

TThreadDownload::~TThreadDownload() {
    // Destroying a running QThread aborts the process; stop the transfer first.
    Stop();
}

void TThreadDownload::Stop() {
    if (!isRunning())
        return;
    Terminate();
    WaitForEnd();
}

void TThreadDownload::WaitForEnd() {
    QEventLoop loop;
    connect(this, &QThread::finished, &loop, &QEventLoop::quit);
    if (isRunning())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    wait();
}

quint32 TThreadDownload::OnProgress(quint64 progress, quint64 progressMax) {
    const bool changed = progress != progress_ || progressMax != progressMax_;
    progress_ = progress;
    progressMax_ = progressMax;
    // libcurl calls back many times per second; only new figures are worth a hand-over.
    if (!Terminated() && (changed || !progressReported_)) {
        progressReported_ = true;
        RunOnOwnerThread([this] { DoProgress(); });
    }
    return Terminated() ? kDownloadAborted : kDownloadOk;
}

void TThreadDownload::Execute() {
    returnValue_ = kDownloadFailed;
    RunOnOwnerThread([this] { DoBeginDownload(); });
    // The desktop's network information belongs to the user-interface thread; ask it there.
    bool fetch = false;
    RunOnOwnerThread([this, &fetch] { fetch = ShouldFetch(url_); });
    if (fetch) {
        QString cached;
        const TDownloadResult result = URLDownloadToCacheFile(
            url_, CacheFolder(), cached,
            [this](quint64 progress, quint64 progressMax) {
                return OnProgress(progress, progressMax);
            },
            Limits);
        if (result.Status == kDownloadOk)
            cacheFileName_ = cached;
        errorText_ = result.ErrorText;
        returnValue_ = result.Status;
    } else {
        errorText_ = QStringLiteral("no connection to the Internet");
    }
    RunOnOwnerThread([this] { DoEndDownload(); });
}

QString TThreadDownload::CacheFolder() const {
    return InternetCacheFolder();
}

void TThreadDownload::RunOnOwnerThread(const std::function<void()>& step) {
    if (QThread::currentThread() == thread()) {
        step();
        return;
    }
    QMetaObject::invokeMethod(this, step, Qt::BlockingQueuedConnection);
}

bool ShouldFetch(const QString& url) {
    return IsLocalUrl(url) || IsInternetConnected();
}
