#pragma once

#include "common/FormStorage.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QLabel;
class QToolBar;
class TEmbeddedWB;

// The help viewer: a small browser window for the local reference pages, with Back, Forward
// and Home, the page title in its caption and the browser's status text in its status bar. One
// is made at start-up; it is shown on demand, not modally, above the main window.
class TFormHelp : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormHelp(QWidget* parent = nullptr);
    ~TFormHelp() override;

    // The program's help viewer: the first one created that still exists, or nullptr.
    static TFormHelp* Instance();

    // The file the last ShowHelpFile named; Home goes back to it.
    QString HomeFile;

    QToolBar* ToolBar = nullptr;
    QAction* ButtonBack = nullptr;
    QAction* ButtonForward = nullptr;
    QAction* ButtonHome = nullptr;
    TEmbeddedWB* WebBrowser = nullptr;
    QLabel* StatusText = nullptr;

    // Remembers Path as the home page; when a file exists there, shows it (and the window, if
    // it is hidden) and returns true; otherwise returns false and changes nothing else.
    bool ShowHelpFile(const QString& path);

    void ButtonBackClick();
    void ButtonForwardClick();
    void ButtonHomeClick();
    void WebBrowserStatusTextChange(const QString& text);
    void WebBrowserTitleChange(const QString& title);
    void WebBrowserCommandStateChange(int command, bool enabled);

private:
    // Declared last: it reads the window's placement while it is destroyed.
    std::unique_ptr<TFormStorage> FormStorage;
};
