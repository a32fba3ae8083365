#pragma once

#include <QUrl>
#include <QWidget>

class QWebEngineView;
class TEmbeddedWBInterceptor;

// What a browser loads beyond the page's text.
struct TDownloadOptions {
    bool Media = true;         // images, videos and background sounds
    bool ActiveContent = true; // scripts (there are no Java applets or ActiveX controls here)
};

// The commands whose state CommandStateChange reports.
enum TBrowserCommand { CSC_NAVIGATEFORWARD = 1, CSC_NAVIGATEBACK = 2 };

// The program's embedded web browser: shows local pages and what they link to, with its own
// history. The web engine behind it starts the first time a browser is shown, not before, so a
// program that never shows one never pays for it; what is asked of it earlier waits until then.
//
// Local files reach the page only through the browser's own "glyphon:" address scheme: each
// folder a page is shown from gets an address of its own, which serves that folder and its
// subfolders and nothing else, and file: addresses are refused outright. A page is therefore an
// ordinary web page: its relative images, style sheets, scripts and frames load, and so do
// remote ones, but no script reads a file outside its folder tree. No page opens new windows or
// saves downloads. The browser never changes the caption of its window.
class TEmbeddedWB : public QWidget {
    Q_OBJECT

public:
    explicit TEmbeddedWB(QWidget* parent = nullptr);
    ~TEmbeddedWB() override;

    // Shows the local file FileName.
    void Navigate(const QString& fileName);
    // The address pages in these browsers see FileName under, e.g. for a BASE element; relative
    // addresses come back unchanged.
    static QString LocalUrl(const QString& fileName);

    void GoBack();
    void GoForward();
    // Brings the element of the shown document with this id into view, if there is one.
    void ScrollElementIntoView(const QString& id);
    // Sets an attribute of the shown document's body.
    void SetBodyAttribute(const QString& name, const QString& value);
    void SetDownloadOptions(const TDownloadOptions& options);
    TDownloadOptions DownloadOptions() const { return options_; }

    // The web view once the engine has started, else nullptr.
    QWebEngineView* View() const { return view_; }
    // The address last navigated to.
    QUrl Location() const { return location_; }

signals:
    // A document has loaded; TopFrame tells whether it is the browser's own top-level one.
    void DocumentComplete(bool topFrame);
    void StatusTextChange(const QString& text);
    void TitleChange(const QString& title);
    void CommandStateChange(int command, bool enabled);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateView();
    void ApplyDownloadOptions();
    void ReportCommandStates();
    void RunScript(const QString& script);

    QWebEngineView* view_ = nullptr;
    TEmbeddedWBInterceptor* interceptor_ = nullptr;
    TDownloadOptions options_;
    QUrl location_;
};
