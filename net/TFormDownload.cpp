#include "net/TFormDownload.h"
#include "common/Translation.h"

#include "common/UrlUtils.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <memory>

namespace {

TFormDownload* instance = nullptr;

constexpr int kAnimationFrames = 8;
constexpr int kAnimationIntervalMs = 120;
constexpr int kIconSize = 24;

// QProgressBar counts in int; large figures are scaled down together so the bar stays true.
std::pair<int, int> BarFigures(quint64 progress, quint64 progressMax) {
    while (progressMax > quint64(std::numeric_limits<int>::max()) ||
           progress > quint64(std::numeric_limits<int>::max())) {
        progress >>= 1;
        progressMax >>= 1;
    }
    return {int(progress), int(progressMax)};
}

} // namespace

// ---------------------------------------------------------------------------------------------

TFileCopyAnimation::TFileCopyAnimation(QWidget* parent)
    : QWidget(parent), timer_(new QTimer(this)) {
    setFixedSize(kIconSize * 6, kIconSize + 8);
    timer_->setInterval(kAnimationIntervalMs);
    connect(timer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % kAnimationFrames;
        update();
    });
}

void TFileCopyAnimation::Start() {
    if (!timer_->isActive())
        timer_->start();
}

void TFileCopyAnimation::Stop() {
    timer_->stop();
    frame_ = 0;
    update();
}

bool TFileCopyAnimation::Active() const {
    return timer_->isActive();
}

void TFileCopyAnimation::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int top = (height() - kIconSize) / 2;
    const int right = width() - kIconSize;
    painter.drawPixmap(0, top, style()->standardIcon(QStyle::SP_DriveNetIcon).pixmap(kIconSize));
    painter.drawPixmap(right, top, style()->standardIcon(QStyle::SP_DirIcon).pixmap(kIconSize));
    if (!Active())
        return;
    const int span = right - kIconSize;
    const int x = kIconSize + span * frame_ / (kAnimationFrames - 1) - kIconSize / 2;
    painter.drawPixmap(std::clamp(x, kIconSize / 2, right - kIconSize / 2), top,
                       style()->standardIcon(QStyle::SP_FileIcon).pixmap(kIconSize));
}

// ---------------------------------------------------------------------------------------------

TMyThreadDownload::TMyThreadDownload(const QString& url, TFormDownload& form)
    : TThreadDownload(url), form_(form) {}

void TMyThreadDownload::DoProgress() {
    form_.ShowProgress(Progress(), ProgressMax());
}

void TMyThreadDownload::DoEndDownload() {
    // After the dialog has closed (the user cancelled) this has nothing left to close.
    if (form_.isVisible())
        form_.done(Terminated() ? QDialog::Rejected : QDialog::Accepted);
}

// ---------------------------------------------------------------------------------------------

TFormDownload::TFormDownload(QWidget* parent) : QDialog(parent) {
    if (!instance)
        instance = this;
    setObjectName("FormDownload");
    Animate = new TFileCopyAnimation(this);
    LabelStatus = new QLabel(this);
    LabelStatus->setObjectName("LabelStatus");
    LabelStatus->setTextFormat(Qt::PlainText);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setTextVisible(false);
    LabelProgress = new QLabel(this);
    LabelProgress->setObjectName("LabelProgress");
    LabelProgress->setTextFormat(Qt::PlainText);
    LabelProgress->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ButtonCancel = new QPushButton(tr("Cancel"), this);
    ButtonCancel->setObjectName("ButtonCancel");
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Animate);
    layout->addWidget(LabelStatus);
    layout->addWidget(ProgressBar);
    layout->addWidget(LabelProgress);
    layout->addLayout(buttons);
    setFixedSize(380, 170);
    TranslateComponent(this);
}

TFormDownload::~TFormDownload() {
    if (instance == this)
        instance = nullptr;
}

TFormDownload* TFormDownload::Instance() {
    return instance;
}

QString TFormDownload::StatusText(const QString& url) {
    QString file = UrlFileName(url);
    if (file.isEmpty())
        file = tr("Downloading");
    return file + ' ' + tr("from") + " (" + UrlHost(url) + ')';
}

QString TFormDownload::ProgressText(quint64 progress, quint64 progressMax) {
    return tr("%1 of %2 bytes completed.").arg(progress).arg(progressMax);
}

bool TFormDownload::ExecuteDownload(const QString& caption, QString& name) {
    if (QFileInfo(name).isFile())
        return true;

    setWindowTitle(caption);
    LabelStatus->setText(StatusText(name));
    LabelProgress->setText(tr("Initializing Download."));
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);

    // The worker starts at the dialog's first paint; if the dialog closes before painting, it
    // is never started, and waiting for it ends at once.
    auto worker = std::make_unique<TMyThreadDownload>(name, *this);
    worker->Limits = Limits;
    worker_ = worker.get();
    startPending_ = true;
    modalResult_ = exec();
    startPending_ = false;

    worker->Terminate();
    worker->WaitForEnd();
    returnValue_ = worker->ReturnValue();
    const bool fetched = returnValue_ == kDownloadOk;
    if (fetched)
        name = worker->CacheFileName();
    worker.reset();
    Animate->Stop();
    return fetched;
}

void TFormDownload::ShowProgress(quint64 progress, quint64 progressMax) {
    Animate->Start();
    const auto [position, maximum] = BarFigures(progress, progressMax);
    ProgressBar->setRange(0, maximum);
    ProgressBar->setValue(position);
    LabelProgress->setText(ProgressText(progress, progressMax));
}

void TFormDownload::paintEvent(QPaintEvent* event) {
    if (startPending_ && worker_) {
        startPending_ = false;
        worker_->start();
        // Queued, so that whoever listens never runs inside a paint.
        QMetaObject::invokeMethod(this, &TFormDownload::DownloadStarted, Qt::QueuedConnection);
    }
    QDialog::paintEvent(event);
}
