#pragma once

#include "editor/TGlyphEditStringList.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>

template <typename T> class QFutureWatcher;

// What a preview page is built from, taken on the window's thread so that the page can be built
// on any: the text as it is now and the facts of its document that the page needs.
struct TPreviewSource {
    QString Text;
    QString FileName; // the document's file: its macros, and where its includes are found
    QString BaseUrl;  // what the page's BASE element names; empty for none
    TTextEncoding Encoding = TTextEncoding::Utf8;
    bool ByteOrderMark = false;
    QDateTime Now; // the time the time and date macros give
};

// Text in the encoding, as Save would write it. A character the encoding lacks (from a macro or
// an included file) shows as "?".
QByteArray PreviewBytes(const QString& text, TTextEncoding encoding, bool byteOrderMark);

// Preprocesses Source's text, wraps it in its BASE, encodes it and writes it to a preview file
// (WriteHtmlPreviewFile), and returns the file. Between these steps Superseded is asked whether
// the page is still wanted: when it is not, nothing more is done and the result is empty. Throws
// what PreprocessText and WriteHtmlPreviewFile throw. Touches nothing of the window.
QString BuildPreviewFile(const TPreviewSource& source,
                         const std::function<bool()>& superseded = {});

// Builds preview pages on a worker thread, so that a long page never keeps a key waiting. Only
// the newest build counts: one started supersedes the one still working, whose page or error is
// never reported and whose work stops at its next step.
class TPreviewBuilder : public QObject {
    Q_OBJECT

public:
    explicit TPreviewBuilder(QObject* parent = nullptr);
    // A build still working is superseded, not waited for.
    ~TPreviewBuilder() override;

    void Start(TPreviewSource source);
    // Supersedes the build still working, if any.
    void Supersede();

signals:
    void Built(const QString& fileName);
    // Message says why the page could not be built.
    void Failed(const QString& message);

private:
    struct TResult {
        QString FileName;
        QString Error;
    };

    void Finished(QFutureWatcher<TResult>* watcher);

    QFutureWatcher<TResult>* watcher_ = nullptr;
    std::shared_ptr<std::atomic_bool> superseded_;
};
