#include "net/TFormHelp.h"

#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/TEmbeddedWB.h"

#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

namespace {
TFormHelp* instance = nullptr;
}

TFormHelp::TFormHelp(QWidget* parent) : QMainWindow(parent, Qt::Window) {
    setObjectName("FormHelp");
    setWindowTitle(ApplicationTitle());
    resize(640, 520);
    if (!instance)
        instance = this;

    // The bar may sit at the top or the bottom, never float.
    ToolBar = new QToolBar("Toolbar", this);
    ToolBar->setObjectName("ToolBar");
    ToolBar->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
    ToolBar->setFloatable(false);
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    addToolBar(Qt::TopToolBarArea, ToolBar);
    const auto button = [this](QStyle::StandardPixmap icon, const QString& caption,
                               const QString& name, void (TFormHelp::*handler)()) {
        QAction* item = ToolBar->addAction(style()->standardIcon(icon), caption);
        item->setObjectName(name);
        connect(item, &QAction::triggered, this,
                [this, handler] { RunCommand([&] { (this->*handler)(); }); });
        return item;
    };
    ButtonBack = button(QStyle::SP_ArrowBack, "&Back", "ButtonBack", &TFormHelp::ButtonBackClick);
    ButtonForward = button(QStyle::SP_ArrowForward, "&Forward", "ButtonForward",
                           &TFormHelp::ButtonForwardClick);
    ButtonHome = button(QStyle::SP_DirHomeIcon, "&Home", "ButtonHome", &TFormHelp::ButtonHomeClick);
    ButtonBack->setEnabled(false);
    ButtonForward->setEnabled(false);

    WebBrowser = new TEmbeddedWB(this);
    WebBrowser->setObjectName("WebBrowser");
    setCentralWidget(WebBrowser);
    connect(WebBrowser, &TEmbeddedWB::StatusTextChange, this,
            &TFormHelp::WebBrowserStatusTextChange);
    connect(WebBrowser, &TEmbeddedWB::TitleChange, this, &TFormHelp::WebBrowserTitleChange);
    connect(WebBrowser, &TEmbeddedWB::CommandStateChange, this,
            &TFormHelp::WebBrowserCommandStateChange);

    StatusText = new QLabel(this);
    StatusText->setObjectName("StatusText");
    statusBar()->addWidget(StatusText, 1);
    FormStorage = std::make_unique<TFormStorage>(this, "TFormHelp");
}

TFormHelp::~TFormHelp() {
    if (instance == this)
        instance = nullptr;
}

TFormHelp* TFormHelp::Instance() {
    return instance;
}

bool TFormHelp::ShowHelpFile(const QString& path) {
    HomeFile = path;
    if (!QFileInfo(path).isFile())
        return false;
    WebBrowser->Navigate(path);
    if (!isVisible())
        show();
    return true;
}

void TFormHelp::ButtonBackClick() {
    WebBrowser->GoBack();
}

void TFormHelp::ButtonForwardClick() {
    WebBrowser->GoForward();
}

void TFormHelp::ButtonHomeClick() {
    WebBrowser->Navigate(HomeFile);
}

void TFormHelp::WebBrowserStatusTextChange(const QString& text) {
    StatusText->setText(text);
}

void TFormHelp::WebBrowserTitleChange(const QString& title) {
    setWindowTitle(title.isEmpty() ? ApplicationTitle()
                                   : ApplicationTitle() + " - [" + title + "]");
}

void TFormHelp::WebBrowserCommandStateChange(int command, bool enabled) {
    if (command == CSC_NAVIGATEFORWARD)
        ButtonForward->setEnabled(enabled);
    else if (command == CSC_NAVIGATEBACK)
        ButtonBack->setEnabled(enabled);
}
