#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

// Takes the place of the desktop's browser and file handlers in a test: while it lives, every
// URL of the given schemes that the program hands to QDesktopServices::openUrl is recorded here
// instead of starting an outside program.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    explicit UrlRecorder(const QStringList& schemes = {"http", "https", "file", "ftp"});
    ~UrlRecorder() override;

    const QList<QUrl>& Urls() const { return urls_; }

public slots:
    void Open(const QUrl& url);

private:
    QStringList schemes_;
    QList<QUrl> urls_;
};
