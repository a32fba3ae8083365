#include "support/UrlRecorder.h"

#include <QDesktopServices>

UrlRecorder::UrlRecorder(const QStringList& schemes) : schemes_(schemes) {
    for (const QString& scheme : schemes_)
        QDesktopServices::setUrlHandler(scheme, this, "Open");
}

UrlRecorder::~UrlRecorder() {
    for (const QString& scheme : schemes_)
        QDesktopServices::unsetUrlHandler(scheme);
}

void UrlRecorder::Open(const QUrl& url) {
    urls_.append(url);
}
