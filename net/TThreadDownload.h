#pragma once

#include "net/URLDownloadToCacheFile.h"

#include <QString>
#include <QThread>
#include <atomic>
#include <functional>

// One URL download on a worker thread of its own. The worker fetches URL into the internet
// cache and reports to the user-interface thread through DoBeginDownload, DoProgress and
// DoEndDownload, each handed over as a queued call that the worker waits for. Whoever waits for
// the worker to end must keep the event loop running (WaitForEnd does), since the worker's last
// step is such a hand-over.
class TThreadDownload : public QThread {
    Q_OBJECT

public:
    // The worker is created suspended: nothing happens until start().
    explicit TThreadDownload(const QString& url, QObject* parent = nullptr);
    ~TThreadDownload() override;

    QString URL() const { return url_; }
    // The path of the cached copy; valid once the worker ended with ReturnValue 0.
    QString CacheFileName() const { return cacheFileName_; }
    quint64 Progress() const { return progress_; }
    quint64 ProgressMax() const { return progressMax_; }
    // 0 after a successful fetch, else the failure code; starts as kDownloadFailed.
    quint32 ReturnValue() const { return returnValue_; }
    // libcurl's explanation of the last failure, for diagnostics only.
    QString ErrorText() const { return errorText_; }

    // What the transfer may take; set before start().
    TDownloadLimits Limits;

    // The stop request: the transfer is aborted at its next progress notification.
    void Terminate() { requestInterruption(); }
    bool Terminated() const { return isInterruptionRequested(); }

    // Runs the event loop (without user input) until the worker has ended.
    void WaitForEnd();
    // Terminate and WaitForEnd. A subclass that overrides the hand-overs calls it in its own
    // destructor, so that no hand-over reaches a half-destroyed worker.
    void Stop();

    // The progress notification of the transfer; called on the worker thread.
    virtual quint32 OnProgress(quint64 progress, quint64 progressMax);

protected:
    // The thread body: the fetch test, the fetch, and the hand-overs around it.
    virtual void Execute();
    // Run on the user-interface thread; they do nothing here.
    virtual void DoProgress() {}
    virtual void DoBeginDownload() {}
    virtual void DoEndDownload() {}

    // Where the cached copies go; tests of subclasses may point it elsewhere.
    virtual QString CacheFolder() const;

private:
    void run() final { Execute(); }
    // Hands Step to the thread that owns this object and waits until it has run.
    void RunOnOwnerThread(const std::function<void()>& step);

    const QString url_;
    QString cacheFileName_;
    QString errorText_;
    std::atomic<quint64> progress_{0};
    std::atomic<quint64> progressMax_{0};
    std::atomic<quint32> returnValue_{kDownloadFailed};
    bool progressReported_ = false; // touched by the worker only
};

// The fetch test: a URL is fetched when it is not plain http (or names no scheme at all), when
// it is http but its path names an existing local file, or when the system reports a
// connection to the Internet.
bool ShouldFetch(const QString& url);
