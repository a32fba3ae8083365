#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The transfer window: shown while one file is transferred, with its progress and Terminate.
class TFormFTPTransfer : public QDialog {
    Q_OBJECT

public:
    explicit TFormFTPTransfer(QWidget* parent = nullptr);

    // The progress range 0 .. Maximum bytes, and the position within it.
    void SetTransferRange(qint64 maximum);
    void SetTransferPosition(qint64 position);
    qint64 TransferPosition() const { return position_; }

    QLabel* Animate = nullptr; // the moving stand-in for the file-copy animation
    QLabel* LabelStatus = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPushButton* ButtonTerminate = nullptr;

signals:
    void TerminateClicked();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void reject() override; // Escape terminates; the window is hidden by its owner
    void timerEvent(QTimerEvent* event) override;

private:
    void ButtonTerminateClick();

    qint64 position_ = 0;
    qint64 maximum_ = 0;
    int animationTimer_ = 0;
    int frame_ = 0;
};
