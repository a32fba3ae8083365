#include "net/TFormFTPTransfer.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>

TFormFTPTransfer::TFormFTPTransfer(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName("TFormFTPTransfer");
    Animate = new QLabel;
    Animate->setObjectName("Animate");
    Animate->setAlignment(Qt::AlignCenter);
    Animate->setMinimumWidth(260);
    LabelStatus = new QLabel;
    LabelStatus->setObjectName("LabelStatus");
    ProgressBar = new QProgressBar;
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setTextVisible(false);
    ButtonTerminate = new QPushButton("Terminate");
    ButtonTerminate->setObjectName("ButtonTerminate");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Animate);
    layout->addWidget(LabelStatus);
    layout->addWidget(ProgressBar);
    layout->addWidget(ButtonTerminate, 0, Qt::AlignHCenter);
    connect(ButtonTerminate, &QPushButton::clicked, this, [this] { ButtonTerminateClick(); });
}

void TFormFTPTransfer::SetTransferRange(qint64 maximum) {
    maximum_ = qMax<qint64>(0, maximum);
    // The bar counts in ints; large files are shown in kilobytes.
    ProgressBar->setRange(0, int(maximum_ > INT_MAX ? maximum_ / 1024 : maximum_));
}

void TFormFTPTransfer::SetTransferPosition(qint64 position) {
    position_ = qBound<qint64>(0, position, maximum_);
    ProgressBar->setValue(int(maximum_ > INT_MAX ? position_ / 1024 : position_));
    LabelStatus->setText(QString("Transfered %1 of %2 bytes").arg(position_).arg(maximum_));
}

void TFormFTPTransfer::ButtonTerminateClick() {
    setWindowTitle("Terminating Transfer");
    ButtonTerminate->setEnabled(false);
    emit TerminateClicked();
}

void TFormFTPTransfer::showEvent(QShowEvent* event) {
    ButtonTerminate->setEnabled(true);
    if (!animationTimer_)
        animationTimer_ = startTimer(120);
    QDialog::showEvent(event);
}

void TFormFTPTransfer::hideEvent(QHideEvent* event) {
    if (animationTimer_)
        killTimer(animationTimer_);
    animationTimer_ = 0;
    QDialog::hideEvent(event);
}

void TFormFTPTransfer::reject() {
    if (ButtonTerminate->isEnabled())
        ButtonTerminateClick();
}

void TFormFTPTransfer::timerEvent(QTimerEvent* event) {
    if (event->timerId() != animationTimer_)
        return QDialog::timerEvent(event);
    // A page moving from one folder to the other.
    frame_ = (frame_ + 1) % 16;
    QString track(16, QChar(0x00B7));
    track[frame_] = QChar(0x25A0);
    Animate->setText("[ " + track + " ]");
}
