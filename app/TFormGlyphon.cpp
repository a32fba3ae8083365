#include "app/TFormGlyphon.h"

#include "app/LanguageSelection.h"
#include "app/RunningInstanceMutex.h"
#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/CommandLine.h"
#include "common/DockLayout.h"
#include "common/FileUtils.h"
#include "common/SettingsIni.h"
#include "common/Translation.h"
#include "editor/GlyphEditViewLink.h"
#include "editor/TGlyphEditView.h"
#include "highlight/GlyphHighlighterColours.h"
#include "htmltools/TFormTidyProperties.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPrinter>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

namespace {

const QString FormClass = MainFormClassName();
const QString UntitledName = QStringLiteral("Untitled.htm");

// The bars whose place is kept in the settings file, with the Qt dock area names they map to.
struct TDockName {
    Qt::ToolBarArea Area;
    const char* Name;
};
constexpr TDockName DockNames[] = {{Qt::TopToolBarArea, "TBDockTop"},
                                   {Qt::BottomToolBarArea, "TBDockBot"},
                                   {Qt::LeftToolBarArea, "TBDockLeft"},
                                   {Qt::RightToolBarArea, "TBDockRight"}};

QString DockNameOf(Qt::ToolBarArea area) {
    for (const TDockName& d : DockNames) {
        if (d.Area == area)
            return QString::fromLatin1(d.Name);
    }
    return {};
}

std::optional<Qt::ToolBarArea> DockAreaOf(const QString& name) {
    for (const TDockName& d : DockNames) {
        if (name == QLatin1String(d.Name))
            return d.Area;
    }
    return std::nullopt;
}

// The editor's look in the main window: a fixed-pitch font, no frame, line numbers in a gutter
// of its own small font.
QFont MainWindowTextFont() {
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(13);
    return font;
}

void ApplyViewSettings(TGlyphEditView& view) {
    view.setFont(MainWindowTextFont());
    view.SetBorderStyle(bsNone);
    view.viewport()->setCursor(Qt::IBeamCursor);
    TGlyphGutter& gutter = view.Gutter();
    // Where "Terminal" is not installed the numbers take the face the text font was given: a
    // second search of the font system's fall-backs would find the same fixed-pitch face.
    const QString terminal = QStringLiteral("Terminal");
    QFont gutterFont(QFontDatabase::hasFamily(terminal) ? terminal
                                                        : QFontInfo(view.font()).family());
    gutterFont.setStyleHint(QFont::TypeWriter);
    gutterFont.setPixelSize(11);
    gutter.SetFont(gutterFont);
    gutter.SetShowLineNumbers(true);
    gutter.SetLeftOffset(2);
    gutter.SetRightOffset(2);
}

// The gutter settings kept in the window-state store.
QMap<QString, QString> GutterAttributes(const TGlyphGutter& gutter) {
    return {
        {"Visible", QString::number(gutter.Visible())},
        {"ShowLineNumbers", QString::number(gutter.ShowLineNumbers())},
        {"Width", QString::number(gutter.Width())},
        {"LeftOffset", QString::number(gutter.LeftOffset())},
        {"RightOffset", QString::number(gutter.RightOffset())},
        {"DigitCount", QString::number(gutter.DigitCount())},
        {"LeadingZeros", QString::number(gutter.LeadingZeros())},
        {"ZeroStart", QString::number(gutter.ZeroStart())},
        {"AutoSize", QString::number(gutter.AutoSize())},
        {"UseFontStyle", QString::number(gutter.UseFontStyle())},
        {"Color", QString::number(gutter.Color())},
        {"FontColor", QString::number(gutter.FontColor())},
        {"Font", FontToText(gutter.Font())},
    };
}

// Applies what GutterAttributes stored; missing or unreadable values keep the gutter's own.
void SetGutterAttributes(TGlyphGutter& gutter, const QMap<QString, QString>& values) {
    const auto number = [&](const char* name, const auto& apply) {
        bool ok = false;
        const qlonglong value = values.value(name).toLongLong(&ok);
        if (ok)
            apply(value);
    };
    number("Visible", [&](qlonglong v) { gutter.SetVisible(v != 0); });
    number("ShowLineNumbers", [&](qlonglong v) { gutter.SetShowLineNumbers(v != 0); });
    number("Width", [&](qlonglong v) { gutter.SetWidth(int(v)); });
    number("LeftOffset", [&](qlonglong v) { gutter.SetLeftOffset(int(v)); });
    number("RightOffset", [&](qlonglong v) { gutter.SetRightOffset(int(v)); });
    number("DigitCount", [&](qlonglong v) { gutter.SetDigitCount(int(v)); });
    number("LeadingZeros", [&](qlonglong v) { gutter.SetLeadingZeros(v != 0); });
    number("ZeroStart", [&](qlonglong v) { gutter.SetZeroStart(v != 0); });
    number("AutoSize", [&](qlonglong v) { gutter.SetAutoSize(v != 0); });
    number("UseFontStyle", [&](qlonglong v) { gutter.SetUseFontStyle(v != 0); });
    number("Color", [&](qlonglong v) { gutter.SetColor(TGlyphColor(v)); });
    number("FontColor", [&](qlonglong v) { gutter.SetFontColor(TGlyphColor(v)); });
    if (const auto font = TextToFont(values.value("Font")))
        gutter.SetFont(*font);
}

} // namespace

void ApplyMainWindowEditorSettings(TCustomGlyphEdit& edit) {
    // The whole set replaces the editor's defaults: group undo and smart tabs belong to the
    // read-only preview editors, not to the one the user types in.
    edit.SetOptions(GlyphEditMainWindowOptions);
    edit.SetTabWidth(2);
    edit.SetWantTabs(true);
    edit.SetKeystrokes(MainWindowKeystrokes());
}

TFormGlyphon::TFormGlyphon(QWidget* parent) : QMainWindow(parent) {
    setObjectName(FormClass);
    setWindowTitle(ApplicationTitle());
    setMinimumWidth(183);
    CreateMenus();
    CreateToolBar();
    CreatePreviewPane();
    ConnectReferenceCommands();
    CreateClientArea();
    CreateStatusBar();
    CreateExplorer();
    FormCreate();
    ConnectEditCommands();
    ConnectFindInFilesCommands();
    ConnectLinkCheckCommands();
    ConnectFileCommands();
    ConnectShellCommands();
    ConnectInsertCommands();
    ConnectTagTyping();
    ConnectSpellingCommands();
    ConnectTidyCommands();
    ConnectFtpCommands();
    ConnectPublishCommands();
    ConnectHighlightingCommands();
    ConnectExportCommands();
    ConnectPrintCommands();
    ConnectRecovery();
    ConnectLivePreview();
    ConnectDiskChangeChecks();
    TranslateComponent(this);
}

TFormGlyphon::~TFormGlyphon() {
    // A search still running ends before the window it reports to goes.
    delete FindInFilesWorker;
    FindInFilesWorker = nullptr;
    StopLinkCheck();
    FormDestroy();
    // A window that goes holds no document a crash could lose.
    RecoveryJournal->Discard();
    RecoveryJournal.reset();
    // The store reads the view when it goes; it must go while the view exists.
    FormStorage.reset();
    // The link refers to the highlighters, which go before it.
    GlyphEditHighlighting.SetHighlighter(nullptr);
    // The view works on GlyphEdit, which goes before the child widgets would: it goes first,
    // while it can still let go of the editor (and take its focus with it).
    delete PanelScene;
    PanelScene = nullptr;
    GlyphEditView = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Building the window

QAction* TFormGlyphon::AddItem(QMenu* menu, const QString& caption, const QString& name,
                               const QKeySequence& shortcut) {
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    if (!shortcut.isEmpty())
        item->setShortcut(shortcut);
    return item;
}

// Items of commands that are not part of the program yet stay in the menus, disabled.
static void NotYetAvailable(std::initializer_list<QAction*> items) {
    for (QAction* item : items)
        item->setEnabled(false);
}

void TFormGlyphon::CreateMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("TBToolbarMainMenu");

    MIFile = bar->addMenu("&File");
    MIFile->setObjectName("MIFile");
    MINew = AddItem(MIFile, "&New", "MINew");
    MIOpenNewWindow = AddItem(MIFile, "Open New &Window", "MIOpenNewWindow");
    MIFile->addSeparator();
    MIOpen = AddItem(MIFile, "&Open...", "MIOpen", Qt::CTRL | Qt::Key_O);
    MISave = AddItem(MIFile, "&Save", "MISave", Qt::CTRL | Qt::Key_S);
    MISaveAs = AddItem(MIFile, "Save &As...", "MISaveAs", Qt::CTRL | Qt::SHIFT | Qt::Key_S);
    MIEncoding = MIFile->addMenu("&Encoding");
    MIEncoding->setObjectName("MIEncoding");
    MILineBreaks = MIFile->addMenu("Line &Breaks");
    MILineBreaks->setObjectName("MILineBreaks");
    MIFile->addSeparator();
    MIStayOnTop = AddItem(MIFile, "Stay on &Top", "MIStayOnTop");
    MIStayOnTop->setCheckable(true);
    MISetAsDefaultHTMLEditor =
        AddItem(MIFile, "Set as Default HTML Editor...", "MISetAsDefaultHTMLEditor");
    MIFile->addSeparator();
    MIPreviewInBrowser = AddItem(MIFile, "Preview in Browser...", "MIPreviewInBrowser", Qt::Key_F9);
    MIQuickPreview = AddItem(MIFile, "Quick Preview", "MIQuickPreview", Qt::CTRL | Qt::Key_F9);
    MIFile->addSeparator();
    MIOpenFTPClient = AddItem(MIFile, "Open FTP Client...", "MIOpenFTPClient");
    MIPublish = AddItem(MIFile, "Publish", "MIPublish");
    MIFile->addSeparator();
    MIPageSetup = AddItem(MIFile, "Page Se&tup...", "MIPageSetup");
    MIPrint = AddItem(MIFile, "&Print...", "MIPrint", Qt::CTRL | Qt::Key_P);
    MIFile->addSeparator();
    MIUpgrade = AddItem(MIFile, "&Upgrade...", "MIUpgrade");
    MIFile->addSeparator();
    MIRecentFilesEnd = MIFile->addSeparator();
    MIExit = AddItem(MIFile, "E&xit", "MIExit", Qt::CTRL | Qt::Key_Q);
    NotYetAvailable({MISetAsDefaultHTMLEditor, MIPreviewInBrowser, MIQuickPreview, MIUpgrade});

    MIEdit = bar->addMenu("&Edit");
    MIEdit->setObjectName("MIEdit");
    MIUndo = AddItem(MIEdit, "&Undo", "MIUndo", Qt::CTRL | Qt::Key_Z);
    MIRedo = AddItem(MIEdit, "&Redo", "MIRedo");
    MIEdit->addSeparator();
    MICut = AddItem(MIEdit, "Cu&t", "MICut", Qt::CTRL | Qt::Key_X);
    MICopy = AddItem(MIEdit, "&Copy", "MICopy", Qt::CTRL | Qt::Key_C);
    MIPaste = AddItem(MIEdit, "&Paste", "MIPaste", Qt::CTRL | Qt::Key_V);
    MIDelete = AddItem(MIEdit, "&Delete", "MIDelete");
    MIEdit->addSeparator();
    MIFind = AddItem(MIEdit, "&Find", "MIFind", Qt::CTRL | Qt::Key_F);
    MIFindNext = AddItem(MIEdit, "Find &Next", "MIFindNext", Qt::Key_F3);
    MIReplace = AddItem(MIEdit, "&Replace...", "MIReplace", Qt::CTRL | Qt::Key_R);
    MIFindInFiles =
        AddItem(MIEdit, "Find &in Files...", "MIFindInFiles", Qt::CTRL | Qt::SHIFT | Qt::Key_F);
    MIReplaceInFiles = AddItem(MIEdit, "R&eplace in Files...", "MIReplaceInFiles",
                               Qt::CTRL | Qt::SHIFT | Qt::Key_H);
    MIGoTo = AddItem(MIEdit, "&Go To...", "MIGoTo", Qt::CTRL | Qt::Key_G);
    MIEdit->addSeparator();
    MISelectAll = AddItem(MIEdit, "Select &All", "MISelectAll", Qt::CTRL | Qt::Key_A);
    MITimeDate = AddItem(MIEdit, "Time/&Date", "MITimeDate", Qt::Key_F5);
    MIEdit->addSeparator();
    MIEditHighlighting = AddItem(MIEdit, "Edit Highlighting...", "MIEditHighlighting");
    MISetFont = AddItem(MIEdit, "Set Font...", "MISetFont");
    MIEdit->addSeparator();
    MICheckSpelling = AddItem(MIEdit, "Check Spelling...", "MICheckSpelling");

    MIInsert = bar->addMenu("&Insert");
    MIInsert->setObjectName("MIInsert");
    QMenu* header = MIInsert->addMenu("Header");
    AddItem(header, "Insert HEAD Tag", "MIInsertHead");
    header->addSeparator();
    AddItem(header, "&TITLE Tag", "MIInsertTitle");
    AddItem(header, "&META Tag", "MIInsertMeta");
    QMenu* style = MIInsert->addMenu("&Style");
    AddItem(style, "&Bold", "MIInsertBold");
    AddItem(style, "&Italic", "MIInsertItalic");
    AddItem(style, "&Underline", "MIInsertUnderline");
    AddItem(style, "&Strikeout", "MIInsertStrikeout");
    QMenu* paragraph = MIInsert->addMenu("&Paragraph");
    AddItem(paragraph, "Align Left", "MIAlignLeft");
    AddItem(paragraph, "Align Center", "MIAlignCenter");
    AddItem(paragraph, "Align Right", "MIAlignRight");
    MIInsert->addSeparator();
    const struct {
        const char* caption;
        const char* name;
        bool separatorAfter;
    } insertItems[] = {
        {"&Open Tag", "MIOpenTag", false},
        {"&Close Tag", "MICloseTag", false},
        {"HTML Color...", "MIHTMLColor", true},
        {"&Image...", "MIImage", true},
        {"Line Break", "MILineBreak", false},
        {"Full Line Break", "MIFullLineBreak", false},
        {"Horizontal Rule", "MIHorizontalRule", true},
        {"Bulleted List", "MIBulletedList", false},
        {"Numbered List", "MINumberedList", true},
        {"Anchor...", "MIAnchor", false},
        {"Hyperlink...", "MIHyperlink", false},
        {"Link to File...", "MILinkToFile", false},
        {"Mail To", "MIMailTo", true},
        {"Java Applet...", "MIJavaApplet", false},
        {"Embedded Plugin...", "MIEmbeddedPlugin", false},
        {"ActiveX Control...", "MIActiveXControl", true},
        {"IFrame", "MIIFrame", false},
        {"DIV Element", "MIDIVElement", true},
        {"Table...", "MITable", false},
        {"Marquee", "MIMarquee", false},
    };
    for (const auto& entry : insertItems) {
        QAction* item = AddItem(MIInsert, entry.caption, entry.name);
        if (QLatin1String(entry.name) == QLatin1String("MIHyperlink"))
            item->setShortcut(Qt::CTRL | Qt::Key_L);
        if (entry.separatorAfter)
            MIInsert->addSeparator();
    }

    MIFormat = bar->addMenu("F&ormat");
    MIFormat->setObjectName("MIFormat");
    MIValidateHTML = AddItem(MIFormat, "Validate HTML", "MIValidateHTML");
    MIFormat->addSeparator();
    MITidyHTML = AddItem(MIFormat, "Tidy HTML", "MITidyHTML");
    MITidyProperties = AddItem(MIFormat, "Tidy Properties...", "MITidyProperties");
    MIFormat->addSeparator();
    MIExportAsHTML = AddItem(MIFormat, "Export as HTML...", "MIExportAsHTML");

    MIView = bar->addMenu("&View");
    MIView->setObjectName("MIView");
    MIViewStatusBar = AddItem(MIView, "&Status Bar", "MIViewStatusBar");
    MIViewExplorer = AddItem(MIView, "&Explorer", "MIViewExplorer");
    MIViewToolbar = AddItem(MIView, "&Toolbar", "MIViewToolbar");
    MIViewGutter = AddItem(MIView, "&Gutter", "MIViewGutter");
    MIViewQuickPreview = AddItem(MIView, "&Quick Preview", "MIViewQuickPreview");
    for (QAction* item : MIView->actions())
        item->setCheckable(true);
    NotYetAvailable({MIViewExplorer, MIViewQuickPreview});

    MIHelp = bar->addMenu("&Help");
    MIHelp->setObjectName("MIHelp");
    MIAbout = AddItem(MIHelp, "&About...", "MIAbout");
    MIReadMe = AddItem(MIHelp, "&Read Me...", "MIReadMe");
    MIHelp->addSeparator();
    MIVelmarisOnline = AddItem(MIHelp, "&Velmaris Software... (Online)", "MIVelmarisOnline");
    MIHelp->addSeparator();
    MIHTMLReference = AddItem(MIHelp, "HTML 4.0 Reference...", "MIHTMLReference");
    MICSSReference = AddItem(MIHelp, "Cascading Style Sheets...", "MICSSReference");
    NotYetAvailable({MIAbout, MIReadMe, MIVelmarisOnline, MIHTMLReference, MICSSReference});

    // Every command runs through the command runner, which shows what goes wrong.
    const auto bind = [this](QAction* item, void (TFormGlyphon::*handler)()) {
        connect(item, &QAction::triggered, this,
                [this, handler] { RunCommand([&] { (this->*handler)(); }); });
    };
    bind(MINew, &TFormGlyphon::MINewClick);
    bind(MIExit, &TFormGlyphon::MIExitClick);
    bind(MIStayOnTop, &TFormGlyphon::MIStayOnTopClick);
    bind(MIViewStatusBar, &TFormGlyphon::MIViewStatusBarClick);
    bind(MIViewToolbar, &TFormGlyphon::MIViewToolbarClick);
    bind(MIViewGutter, &TFormGlyphon::MIViewGutterClick);
    connect(MIFile, &QMenu::aboutToShow, this, [this] { RunCommand([this] { MIFileClick(); }); });
    connect(MIEdit, &QMenu::aboutToShow, this, [this] { RunCommand([this] { MIEditClick(); }); });
    connect(MIFormat, &QMenu::aboutToShow, this,
            [this] { RunCommand([this] { MIFormatClick(); }); });
    connect(MIView, &QMenu::aboutToShow, this, [this] { RunCommand([this] { MIViewClick(); }); });
}

void TFormGlyphon::CreateToolBar() {
    TBToolbarToolbar = new QToolBar("Toolbar", this);
    TBToolbarToolbar->setObjectName("TBToolbarToolbar");
    TBToolbarToolbar->setFloatable(false);
    TBToolbarToolbar->setMovable(false);
    TBToolbarToolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addToolBar(Qt::TopToolBarArea, TBToolbarToolbar);

    const auto button = [this](const QString& hint, const QString& name) {
        QAction* item = TBToolbarToolbar->addAction(hint);
        item->setObjectName(name);
        item->setToolTip(hint);
        return item;
    };
    TBNew = button("New", "TBNew");
    TBOpen = button("Open", "TBOpen");
    TBSave = button("Save", "TBSave");
    TBToolbarToolbar->addSeparator();
    TBPrint = button("Print", "TBPrint");
    TBPreview = button("Preview", "TBPreview");
    TBToolbarToolbar->addSeparator();
    TBFind = button("Find", "TBFind");
    TBToolbarToolbar->addSeparator();
    TBCut = button("Cut", "TBCut");
    TBCopy = button("Copy", "TBCopy");
    TBPaste = button("Paste", "TBPaste");
    TBToolbarToolbar->addSeparator();
    TBStyle = new TDropDownPicker(TBToolbarToolbar);
    TBStyle->setObjectName("TBStyle");
    TBStyle->setToolTip("Style");
    TBStyleItem = TBToolbarToolbar->addWidget(TBStyle);
    TBToolbarToolbar->addSeparator();
    TBSize = new TDropDownPicker(TBToolbarToolbar);
    TBSize->setObjectName("TBSize");
    TBSize->setToolTip("Size");
    TBSizeItem = TBToolbarToolbar->addWidget(TBSize);
    TBToolbarToolbar->addSeparator();
    TBBold = button("Bold", "TBBold");
    TBItalic = button("Italic", "TBItalic");
    TBUnderline = button("Underline", "TBUnderline");
    TBStrikeout = button("Strikeout", "TBStrikeout");
    TBToolbarToolbar->addSeparator();
    TBLeft = button("Left", "TBLeft");
    TBCenter = button("Center", "TBCenter");
    TBRight = button("Right", "TBRight");
    htmlToolItems_ = {TBStyleItem, TBSizeItem, TBBold,   TBItalic, TBUnderline,
                      TBStrikeout, TBLeft,     TBCenter, TBRight};
    NotYetAvailable({TBPreview});
    connect(TBNew, &QAction::triggered, this, [this] { RunCommand([this] { MINewClick(); }); });
}

void TFormGlyphon::CreateClientArea() {
    PanelScene = new QWidget(this);
    PanelScene->setObjectName("PanelScene");
    auto* layout = new QVBoxLayout(PanelScene);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    GlyphEditView = new TGlyphEditView(GlyphEdit, MainWindowTextFont(), PanelScene);
    GlyphEditView->setObjectName("GlyphEdit");
    layout->addWidget(GlyphEditView, 1);

    PanelBottom = new QWidget(PanelScene);
    PanelBottom->setObjectName("PanelBottom");
    auto* bottom = new QVBoxLayout(PanelBottom);
    bottom->setContentsMargins(0, 0, 0, 0);
    TabSet = new QTabBar(PanelBottom);
    TabSet->setObjectName("TabSet");
    TabSet->setShape(QTabBar::RoundedSouth);
    TabSet->addTab(UntitledName);
    bottom->addWidget(TabSet);
    layout->addWidget(PanelBottom);
    setCentralWidget(PanelScene);

    ApplyMainWindowEditorSettings(GlyphEdit);
    ApplyViewSettings(*GlyphEditView);
    LinkHighlightingToView(GlyphEditHighlighting, *GlyphEditView, GlyphEdit);
}

void TFormGlyphon::CreateStatusBar() {
    StatusBar = statusBar();
    StatusBar->setObjectName("StatusBar");
    AddStatusPanel(StatusBar, 0);
    AddStatusPanel(StatusBar, 120);
    AddStatusPanel(StatusBar, 110); // encoding
    AddStatusPanel(StatusBar, 60);  // line breaks
    AddStatusPanel(StatusBar, 70);  // "Modified" while the text differs from the saved file
}

TGlyphCustomHighlighter& TFormGlyphon::Highlighter(TGlyphLanguageId id) {
    std::unique_ptr<TGlyphCustomHighlighter>& slot = highlighters_[std::size_t(id)];
    if (slot)
        return *slot;
    // Made at first need, not at start: a window shows one language, and a page a few.
    slot = MakeMainWindowHighlighter(LanguageEntry(id));
    TGlyphCustomHighlighter& made = *slot;
    // A page's style sheets, scripts and PHP blocks are drawn in their own languages' colours,
    // each language made when a page first holds a part in it; a PHP file is such a page. The
    // slot is filled first: the page and its PHP ask for each other.
    if (id == glHTML) {
        const auto source = [this](TGlyphLanguageId language) {
            return [this, language] { return &Highlighter(language); };
        };
        GlyphHTMLHighlighter().SetEmbeddedLanguageSources(
            {source(glCss), source(glJScript), source(glVBScript), source(glPHP)});
    } else if (id == glPHP) {
        GlyphPHPHighlighter().SetPage(&GlyphHTMLHighlighter());
    }
    // The user's colours apply from the start, so that the colours saved at exit are theirs.
    LoadStoredColours(id);
    return made;
}

std::optional<TGlyphLanguageId>
TFormGlyphon::LanguageOf(const TGlyphCustomHighlighter* highlighter) const {
    for (std::size_t i = 0; i < highlighters_.size(); ++i) {
        if (highlighter && highlighters_[i].get() == highlighter)
            return TGlyphLanguageId(i);
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Life of the window

void TFormGlyphon::FormCreate() {
    CreateRunningInstanceMutex();
    RunCommand([this] { LoadPreviewLayout(); });
    RunCommand([this] { LoadRecentFiles(); });
    RunCommand([this] { LoadBarLayout(); });
    RunCommand([this] { LoadExplorerLayout(); });

    FormStorage = std::make_unique<TFormStorage>(this, FormClass);
    FormStorage->AddBoolProperty(
        "PanelBottom.Visible", [this] { return !PanelBottom->isHidden(); },
        [this](bool v) { PanelBottom->setVisible(v); });
    FormStorage->AddBoolProperty(
        "StatusBar.Visible", [this] { return !StatusBar->isHidden(); },
        [this](bool v) { StatusBar->setVisible(v); });
    FormStorage->AddProperty(
        "GlyphEdit.Font", [this] { return FontToText(GlyphEditView->font()); },
        [this](const QString& text) {
            if (const auto font = TextToFont(text))
                GlyphEditView->setFont(*font);
        });
    FormStorage->AddProperty(
        "GlyphEdit.Gutter",
        [this] { return AttributesToText(GutterAttributes(GlyphEditView->Gutter())); },
        [this](const QString& text) {
            SetGutterAttributes(GlyphEditView->Gutter(), TextToAttributes(text));
        });
}

bool TFormGlyphon::event(QEvent* e) {
    if (e->type() == QEvent::Show && !firstPaintDone_ && windowHandle()) {
        windowHandle()->installEventFilter(this);
    } else if (e->type() == QEvent::Paint && !firstPaintDone_) {
        // The first paint opens the document; it runs after the paint, never inside it.
        firstPaintDone_ = true;
        QTimer::singleShot(0, this, [this] { FormPaint(); });
    } else if (e->type() == QEvent::WindowActivate) {
        RunCommand([this] { FormActivate(); });
        CheckDocumentOnDiskWhenIdle();
    } else if (e->type() == QEvent::WindowStateChange && livePreviewWaiting_ && !isMinimized()) {
        livePreviewWaiting_ = false;
        ScheduleLivePreview();
    }
    return QMainWindow::event(e);
}

// A file that opens without asking anything opens when the window is about to paint for the
// first time, so that the first paint shows its text instead of an empty editor painted only
// to be painted over. A question, the download window or the close query of a new document
// (which saves the window state) needs the painted window behind it: those wait for the paint.
bool TFormGlyphon::eventFilter(QObject* watched, QEvent* e) {
    if (watched == windowHandle() && e->type() == QEvent::Expose && !firstPaintDone_ &&
        windowHandle()->isExposed()) {
        windowHandle()->removeEventFilter(this);
        if (CommandLineHasFile() && OpensWithoutAsking(CommandLineFile()))
            FormPaintBeforePainting();
    }
    return QMainWindow::eventFilter(watched, e);
}

void TFormGlyphon::FormPaint() {
    firstPaintDone_ = true;
    if (RunCommand([this] { OpenStartDocument(); })) {
        LoadPreviewStartPage();
        SetStartCaret();
    }
    RunCommand([this] { OfferRecovery(); });
}

void TFormGlyphon::FormPaintBeforePainting() {
    firstPaintDone_ = true;
    try {
        OpenStartDocument();
    } catch (const std::exception&) {
        // The error box waits for the paint, as it does when the document opens after it.
        QTimer::singleShot(0, this, [failure = std::current_exception()] {
            RunCommand([&] { std::rethrow_exception(failure); });
        });
        return;
    }
    LoadPreviewStartPage();
    SetStartCaret();
    // The offer of unsaved documents is a question: it waits for the paint.
    QTimer::singleShot(0, this, [this] { RunCommand([this] { OfferRecovery(); }); });
    // The bars lay out the commands the document showed before they paint.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

void TFormGlyphon::OpenStartDocument() {
    if (CommandLineHasFile())
        OpenDocument(CommandLineFile(), false);
    else
        ClickMenuItem(TBNew);
}

void TFormGlyphon::SetStartCaret() {
    GlyphEdit.SetCaretX(CommandLineIntOption("CaretX", 0));
    GlyphEdit.SetCaretY(CommandLineIntOption("CaretY", 0));
}

void TFormGlyphon::FormActivate() {
    TabSet->setTabText(0, QFileInfo(DocumentFileName).fileName());
    if (QLabel* panel = StatusPanel(StatusBar, 0))
        panel->setText(DocumentFileName);
    ShowTextFormat();
    ShowModified();
    SelectHighlighter(&Highlighter(ChooseLanguage(DocumentFileName)));
}

void TFormGlyphon::ShowTextFormat() {
    const TGlyphEditStringList& lines = GlyphEdit.Lines();
    if (QLabel* panel = StatusPanel(StatusBar, 2))
        panel->setText(TextEncodingName(lines.Encoding(), lines.HasByteOrderMark()));
    if (QLabel* panel = StatusPanel(StatusBar, 3))
        panel->setText(lines.MixedLineBreaks() ? QStringLiteral("Mixed")
                                               : LineBreakStyleName(lines.LineBreakStyle()));
}

void TFormGlyphon::ShowModified() {
    const bool modified = GlyphEdit.Modified();
    SetFileCaption(this, DocumentFileName, modified);
    if (QLabel* panel = StatusPanel(StatusBar, ModifiedPanel))
        panel->setText(modified ? QStringLiteral("Modified") : QString());
    if (ModifiedFiles)
        ModifiedFiles->Note(DocumentFileName, modified);
}

void TFormGlyphon::SelectHighlighter(TGlyphCustomHighlighter* highlighter) {
    // A page draws its parts in the colours of every language it holds.
    const std::optional<TGlyphLanguageId> chosen = LanguageOf(highlighter);
    const bool page = chosen && LanguageEntry(*chosen).Page;
    for (const TGlyphLanguageEntry& language : GlyphLanguageCatalogue()) {
        if (language.Id == chosen || (page && language.InPage))
            LoadStoredColours(language.Id);
    }
    GlyphEditHighlighting.SetHighlighter(highlighter);
    GlyphEditView->SetHighlighter(highlighter);
    ShowHtmlCommands(page);
}

void TFormGlyphon::LoadStoredColours(TGlyphLanguageId id) {
    TGlyphCustomHighlighter* h = CreatedHighlighter(id);
    if (!h)
        return;
    const QString className = LanguageEntry(id).ClassName;
    if (h->Tag() == 0) {
        h->SetTag(1);
        SaveDefaultColours(*h, className);
    }
    LoadUserColours(*h, className);
}

void TFormGlyphon::ShowHtmlCommands(bool visible) {
    for (QAction* item : htmlToolItems_) {
        item->setVisible(visible);
        item->setEnabled(visible);
    }
    MIInsert->menuAction()->setVisible(visible);
}

bool TFormGlyphon::FormCloseQuery() {
    bool canClose = true;
    if (GlyphEdit.Modified()) {
        const auto answer = AskYesNoCancel(
            QStringLiteral("The file \"%1\" has been changed.\r\rDo you want to save the changes?")
                .arg(DocumentFileName));
        if (answer == QMessageBox::Cancel) {
            canClose = false;
        } else if (answer == QMessageBox::Yes) {
            ClickMenuItem(MISave);
            canClose = !GlyphEdit.Modified();
        }
    }
    if (canClose && FormStorage)
        FormStorage->Save();
    return canClose;
}

void TFormGlyphon::closeEvent(QCloseEvent* e) {
    bool canClose = false;
    RunCommand([&] { canClose = FormCloseQuery(); });
    if (canClose) {
        RecoveryJournal->Discard();
        e->accept();
    } else
        e->ignore();
}

void TFormGlyphon::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    FormResize();
}

void TFormGlyphon::FormResize() {
    FitFirstStatusPanel(StatusBar);
}

void TFormGlyphon::FormDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    // A failed write (a read-only program folder) ends the saves that would follow it.
    RunCommand([this] {
        SavePreviewLayout();
        SaveRecentFiles();
        SaveBarLayout();
        SaveExplorerLayout();
        // A language never made keeps what is stored for it.
        for (TGlyphLanguageId id : LanguageChoiceOrder()) {
            if (TGlyphCustomHighlighter* h = CreatedHighlighter(id))
                SaveUserColours(*h, LanguageEntry(id).ClassName);
        }
        // Options never loaded are still as the file holds them.
        if (FormTidyProperties)
            FormTidyProperties->FormDestroy();
    });
    if (FormTidyProperties)
        FormTidyProperties->SavedAtExit = true;
    if (FormStorage && !FormStorage->Saved())
        FormStorage->Save();
}

// ---------------------------------------------------------------------------------------------
// Bar layout in the settings file

void TFormGlyphon::LoadBarLayout() {
    TIniFile& ini = SettingsIni();
    const auto layout = ReadDockLayout(ini, DockLayoutSection(FormClass, "TBToolbarToolbar"));
    if (!layout)
        return;
    TBToolbarToolbar->setVisible(layout->Visible);
    if (const auto area = DockAreaOf(layout->DockedTo);
        area && *area != toolBarArea(TBToolbarToolbar))
        addToolBar(*area, TBToolbarToolbar);
}

void TFormGlyphon::SaveBarLayout() const {
    TIniFile& ini = SettingsIni();
    ini.Batch([&] {
        TDockLayout menu;
        menu.Visible = true;
        menu.DockedTo = "TBDockTop";
        menu.LastDock = "TBDockTop";
        menu.FloatRightX = 0;
        WriteDockLayout(ini, DockLayoutSection(FormClass, "TBToolbarMainMenu"), menu);

        TDockLayout tools;
        tools.Visible = !TBToolbarToolbar->isHidden();
        tools.DockedTo = DockNameOf(toolBarArea(TBToolbarToolbar));
        tools.LastDock = tools.DockedTo;
        tools.DockRow = 1;
        tools.DockPos = TBToolbarToolbar->x();
        tools.FloatRightX = 0;
        WriteDockLayout(ini, DockLayoutSection(FormClass, "TBToolbarToolbar"), tools);
    });
}

// ---------------------------------------------------------------------------------------------
// Commands

void TFormGlyphon::ClickMenuItem(QAction* item) {
    if (!item)
        return;
    // The menus above the item are "clicked" first, so their opening handlers make its state
    // fresh; clicking a menu runs its opening handler.
    for (QObject* owner : item->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(owner)) {
            ClickMenuItem(menu->menuAction());
            break;
        }
    }
    if (!item->isEnabled() || !item->isVisible())
        return;
    if (QMenu* submenu = item->menu())
        emit submenu->aboutToShow();
    else
        item->trigger();
}

void TFormGlyphon::MIFileClick() {
    MINew->setEnabled(GlyphEdit.Modified() || !GlyphEdit.Text().isEmpty());
}

void TFormGlyphon::MIEditClick() {
    EnableEditItems(MIUndo, MIRedo, MICut, MICopy, MIPaste, MIDelete);
    MIEditHighlighting->setEnabled(CurrentLanguage() && CurrentLanguage() != glGeneral);
    MICopyAsHTML->setEnabled(GlyphEdit.HasSelection());
    EnableRewriteCommands();
}

bool TFormGlyphon::DocumentCanBeRewritten() const {
    return !GlyphEdit.ReadOnly();
}

void TFormGlyphon::EnableRewriteCommands() {
    // A read-only document would keep its text while the command reported it tidied or
    // corrected. Tidy has nothing to do on blanks; spelling stays offered, as for any text.
    MITidyHTML->setEnabled(DocumentCanBeRewritten() && !TextIsBlank());
    MICheckSpelling->setEnabled(DocumentCanBeRewritten());
}

void TFormGlyphon::MIFormatClick() {
    EnableRewriteCommands();
    MIExportAsHTML->setEnabled(!TextIsBlank());
}

void TFormGlyphon::MIViewClick() {
    MIViewStatusBar->setChecked(!StatusBar->isHidden());
    MIViewToolbar->setChecked(!TBToolbarToolbar->isHidden());
    MIViewGutter->setChecked(GlyphEditView->Gutter().Visible());
    MIViewQuickPreview->setChecked(!TBWindowPreview->isHidden());
}

void TFormGlyphon::MINewClick() {
    if (FormCloseQuery())
        NewDocument();
}

void TFormGlyphon::NewDocument() {
    GlyphEdit.SetText(QString());
    // A new file is UTF-8 with a line feed after every line, as files are on this system.
    GlyphEdit.Lines().SetEncoding(TTextEncoding::Utf8, false);
    GlyphEdit.Lines().SetLineBreakStyle(lbsLf);
    GlyphEdit.Lines().SetBreakAfterLastLine(true);
    GlyphEdit.SetModified(false);
    GlyphEdit.SetReadOnly(false);
    SetMessagesTabVisible(false);
    DocumentFileName = UntitledName;
    RestartRecoveryJournal();
    NoteDocumentFile();
    FormActivate();
}

void TFormGlyphon::MIExitClick() {
    close();
}

void TFormGlyphon::MIStayOnTopClick() {
    const bool onTop = MIStayOnTop->isChecked();
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    // Changing the flag hides the window; show it again where it was, without activating it.
    if (wasVisible) {
        setAttribute(Qt::WA_ShowWithoutActivating, true);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

void TFormGlyphon::MIViewStatusBarClick() {
    StatusBar->setVisible(StatusBar->isHidden());
    PanelBottom->setVisible(PanelBottom->isHidden());
    FitFirstStatusPanel(StatusBar);
}

void TFormGlyphon::MIViewToolbarClick() {
    TBToolbarToolbar->setVisible(TBToolbarToolbar->isHidden());
}

void TFormGlyphon::MIViewGutterClick() {
    GlyphEditView->Gutter().SetVisible(!GlyphEditView->Gutter().Visible());
}
