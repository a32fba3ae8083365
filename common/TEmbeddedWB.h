#pragma once

#include "common/EmbeddedWBEngine.h"

#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

// The commands whose state CommandStateChange reports.
enum TBrowserCommand { CSC_NAVIGATEFORWARD = 1, CSC_NAVIGATEBACK = 2 };

// The program's embedded web browser: shows local pages and what they link to, with its own
// history. The web engine behind it (EmbeddedWBEngine.h) is loaded and started the first time a
// browser is shown, not before, so a program that never shows one never pays for it; what is
// asked of a browser earlier waits until then. Local files reach its pages only as the local
// page server lets them (LocalPageServer.h); a page's scripts read none.
// The browser never changes the caption of its window.
class TEmbeddedWB : public QWidget {
    Q_OBJECT

public:
    explicit TEmbeddedWB(QWidget* parent = nullptr);
    ~TEmbeddedWB() override;

    // Shows the local file FileName.
    void Navigate(const QString& fileName);
    // Shows the local file FileName in place of the page shown now, scrolled as that page is.
    // A refresh still loading is replaced, and the position it was to restore is kept.
    void Refresh(const QString& fileName);
    // How far the shown page is scrolled; nothing before the engine has started.
    QPointF ScrollPosition() const;
    // The address of the page FileName in these browsers; relative names come back unchanged.
    static QString LocalUrl(const QString& fileName);
    // The address a BASE element names for a page's references to FileName's folder: one that
    // loads the files of its site but that the page's scripts cannot read. Relative names and
    // URLs (http://...) come back unchanged.
    static QString BaseUrl(const QString& fileName);

    void GoBack();
    void GoForward();
    // Brings the element of the shown document with this id into view, if there is one.
    void ScrollElementIntoView(const QString& id);
    // Sets an attribute of the shown document's body.
    void SetBodyAttribute(const QString& name, const QString& value);
    // Runs Script on the shown document and hands its result to Done (nothing before the
    // engine has started).
    void EvaluateScript(const QString& script, const std::function<void(const QVariant&)>& done);
    void SetDownloadOptions(const TDownloadOptions& options);
    TDownloadOptions DownloadOptions() const { return options_; }

    // Whether the web engine has started for this browser.
    bool EngineStarted() const { return engine_ != nullptr; }
    // The address last navigated to.
    QUrl Location() const;

signals:
    // A document has loaded; TopFrame tells whether it is the browser's own top-level one.
    void DocumentComplete(bool topFrame);
    void StatusTextChange(const QString& text);
    void TitleChange(const QString& title);
    void CommandStateChange(int command, bool enabled);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void StartEngine();
    void TopFrameLoaded();

    std::unique_ptr<TEmbeddedWBEngine> engine_;
    bool engineFailed_ = false;
    TDownloadOptions options_;
    // The file last navigated to; its address is asked for only when it is shown, so that a
    // window that never shows a page never starts the server of local pages.
    QString file_;
    // Where the page a refresh is loading goes back to, while that refresh loads.
    std::optional<QPointF> keptScroll_;
};
