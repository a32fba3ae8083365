#pragma once

#include "net/TThreadDownload.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class TFormDownload;

// A small stand-in for the desktop's file-copy animation: a page moving from the network to a
// folder while a download runs.
class TFileCopyAnimation : public QWidget {
    Q_OBJECT

public:
    explicit TFileCopyAnimation(QWidget* parent = nullptr);
    void Start();
    void Stop();
    bool Active() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer* timer_;
    int frame_ = 0;
};

// The download worker bound to the download dialog: progress goes to the dialog's lines, and
// the end of the fetch closes it.
class TMyThreadDownload : public TThreadDownload {
    Q_OBJECT

public:
    TMyThreadDownload(const QString& url, TFormDownload& form);
    ~TMyThreadDownload() override { Stop(); }

protected:
    void DoProgress() override;
    void DoEndDownload() override;

private:
    TFormDownload& form_;
};

// The modal progress dialog of a URL download. One is created at start-up and reused for every
// download.
class TFormDownload : public QDialog {
    Q_OBJECT

public:
    explicit TFormDownload(QWidget* parent = nullptr);
    ~TFormDownload() override;

    // The program's download dialog: the first one created that still exists, or nullptr.
    static TFormDownload* Instance();

    // True with Name unchanged when Name is an existing file (no dialog); otherwise fetches Name
    // as a URL while the dialog runs modally: true with Name replaced by the cached copy's path
    // after a successful fetch, false otherwise. ModalResult then tells a fetch that ended by
    // itself (Accepted) from one the user cancelled (Rejected).
    bool ExecuteDownload(const QString& caption, QString& name);
    int ModalResult() const { return modalResult_; }
    // The status the last download's worker ended with.
    quint32 ReturnValue() const { return returnValue_; }

    // What every download of this dialog may take.
    TDownloadLimits Limits;

    // The status line for Url: its file part or "Downloading", then " from (" host ")".
    static QString StatusText(const QString& url);
    // "%d of %d bytes completed." with the given figures.
    static QString ProgressText(quint64 progress, quint64 progressMax);

    // Runs while a download is in progress, for whoever wants to watch it (tests do).
    TThreadDownload* Worker() const { return worker_; }

    TFileCopyAnimation* Animate;
    QLabel* LabelStatus;
    QProgressBar* ProgressBar;
    QLabel* LabelProgress;
    QPushButton* ButtonCancel;

signals:
    // The worker has just been started (from the dialog's first paint).
    void DownloadStarted();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    friend class TMyThreadDownload;
    void ShowProgress(quint64 progress, quint64 progressMax);

    QPointer<TThreadDownload> worker_;
    bool startPending_ = false;
    int modalResult_ = QDialog::Rejected;
    quint32 returnValue_ = kDownloadFailed;
};
