#pragma once

#include "app/FindInFiles.h"
#include "app/LinkChecker.h"
#include "app/MarkupContext.h"
#include "app/ModifiedFilesRegistry.h"
#include "app/TBMRUList.h"
#include "app/TCompletionPopup.h"
#include "common/FormStorage.h"
#include "common/TDropDownPicker.h"
#include "editor/TGlyphEdit.h"
#include "editor/TGlyphEditFindReplace.h"
#include "editor/TGlyphEditHighlighting.h"
#include "editor/TGlyphEditPrint.h"
#include "editor/TGlyphRecoveryJournal.h"
#include "highlight/GlyphLanguageCatalogue.h"
#include "highlight/TGlyphCppHighlighter.h"
#include "highlight/TGlyphCssHighlighter.h"
#include "highlight/TGlyphExporterHTML.h"
#include "highlight/TGlyphGeneralHighlighter.h"
#include "highlight/TGlyphHTMLHighlighter.h"
#include "highlight/TGlyphJScriptHighlighter.h"
#include "highlight/TGlyphJavaHighlighter.h"
#include "highlight/TGlyphPHPHighlighter.h"
#include "highlight/TGlyphPerlHighlighter.h"
#include "highlight/TGlyphVBScriptHighlighter.h"

#include <QDateTime>
#include <QMainWindow>
#include <array>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QDockWidget;
class QListWidget;
class QTabWidget;
class QTimer;
class TEmbeddedWB;
class TPreviewBuilder;
struct TPreviewSource;
class TTBToolWindowSlider;
class QFileSystemWatcher;
class QLabel;
class QMenu;
class QPrinter;
class TFormGlyphCustomHighlighter;
class QStatusBar;
class QTabBar;
class QToolBar;
class TGlyphEditView;
class TFormOpenDialog;
struct TOpenDialogs;
class TFindDialog;
class TExplorerPane;
class TFormFTPClient;
class TReplaceDialog;
class TFormTidyProperties;
class TFormInsertLink;
class TFormFindInFiles;
class TFormCheckLinks;
struct TLinkCheckRun;
class TFindInFilesWorker;
class TResultsPane;
class QPushButton;
class QDockWidget;
class QListWidget;
class QTabWidget;

// Gives an editor the engine settings of the main window's editor: its option set, tab width 2,
// the Tab key, and the main window's key table.
void ApplyMainWindowEditorSettings(TCustomGlyphEdit& edit);

// A reference work the Help menu shows: its start page in the program's folder, and the
// component name and code the maker's updater knows it by.
struct TReferenceWork {
    QString StartPage;
    QString Component;
    QString UpdaterCode;
};

// What a file on disk was when the window last read or wrote it.
struct TFileStamp {
    qint64 Size;
    qint64 ModifiedSeconds;
    qint64 ModifiedNanoseconds;
    quint64 Inode;
    bool operator==(const TFileStamp&) const = default;
};

// The main window: one document in one editor, with the menus, the tool bar, the tab strip and
// the status bar around it.
class TFormGlyphon : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormGlyphon(QWidget* parent = nullptr);
    ~TFormGlyphon() override;

    // ---- Document state ----
    QString DocumentFileName;

    // ---- Components ----
    TGlyphEdit GlyphEdit;
    TGlyphEditView* GlyphEditView = nullptr;
    TGlyphEditHighlighting GlyphEditHighlighting{GlyphEdit};

    // The highlighter of each language, one instance per window.
    TGlyphCustomHighlighter& Highlighter(TGlyphLanguageId id);
    // The highlighter of the language if the window has made it, else null.
    TGlyphCustomHighlighter* CreatedHighlighter(TGlyphLanguageId id) const {
        return highlighters_[std::size_t(id)].get();
    }
    // The language of one of the window's highlighters; none for any other.
    std::optional<TGlyphLanguageId> LanguageOf(const TGlyphCustomHighlighter* highlighter) const;
    TGlyphHTMLHighlighter& GlyphHTMLHighlighter() {
        return Language<TGlyphHTMLHighlighter>(glHTML);
    }
    TGlyphJScriptHighlighter& GlyphJScriptHighlighter() {
        return Language<TGlyphJScriptHighlighter>(glJScript);
    }
    TGlyphJavaHighlighter& GlyphJavaHighlighter() {
        return Language<TGlyphJavaHighlighter>(glJava);
    }
    TGlyphCssHighlighter& GlyphCssHighlighter() { return Language<TGlyphCssHighlighter>(glCss); }
    TGlyphPHPHighlighter& GlyphPHPHighlighter() { return Language<TGlyphPHPHighlighter>(glPHP); }
    TGlyphPerlHighlighter& GlyphPerlHighlighter() {
        return Language<TGlyphPerlHighlighter>(glPerl);
    }
    TGlyphVBScriptHighlighter& GlyphVBScriptHighlighter() {
        return Language<TGlyphVBScriptHighlighter>(glVBScript);
    }
    TGlyphCppHighlighter& GlyphCppHighlighter() { return Language<TGlyphCppHighlighter>(glCpp); }
    TGlyphGeneralHighlighter& GlyphGeneralHighlighter() {
        return Language<TGlyphGeneralHighlighter>(glGeneral);
    }

    QWidget* PanelScene = nullptr;
    QWidget* PanelBottom = nullptr;
    QTabBar* TabSet = nullptr;
    QStatusBar* StatusBar = nullptr;
    QToolBar* TBToolbarToolbar = nullptr;

    // Menus and their items.
    QMenu* MIFile = nullptr;
    QMenu* MIEdit = nullptr;
    QMenu* MIInsert = nullptr;
    QMenu* MIFormat = nullptr;
    QMenu* MIView = nullptr;
    QMenu* MIHelp = nullptr;
    QAction* MINew = nullptr;
    QAction* MIOpenNewWindow = nullptr;
    QAction* MIOpen = nullptr;
    QAction* MISave = nullptr;
    QAction* MISaveAs = nullptr;
    QMenu* MIEncoding = nullptr;   // "Reopen as ..." and "Save as ..." an encoding
    QMenu* MILineBreaks = nullptr; // "Save with ..." a line-break style
    QList<QAction*> MIReopenAs;
    QList<QAction*> MISaveAsEncoding;
    QList<QAction*> MISaveWithLineBreaks;
    QAction* MIStayOnTop = nullptr;
    QAction* MISetAsDefaultHTMLEditor = nullptr;
    QAction* MIPreviewInBrowser = nullptr;
    QAction* MIQuickPreview = nullptr;
    QAction* MIOpenFTPClient = nullptr;
    QAction* MIPublish = nullptr;
    QAction* MIPageSetup = nullptr;
    QAction* MIPrint = nullptr;
    QAction* MIUpgrade = nullptr;
    QAction* MIRecentFilesEnd = nullptr; // the separator the recent files are listed before
    QAction* MIExit = nullptr;
    QAction* MIUndo = nullptr;
    QAction* MIRedo = nullptr;
    QAction* MICut = nullptr;
    QAction* MICopy = nullptr;
    QAction* MIPaste = nullptr;
    QAction* MIDelete = nullptr;
    QAction* MIFind = nullptr;
    QAction* MIFindNext = nullptr;
    QAction* MIReplace = nullptr;
    QAction* MIGoTo = nullptr;
    QAction* MISelectAll = nullptr;
    QAction* MITimeDate = nullptr;
    QAction* MIEditHighlighting = nullptr;
    QAction* MISetFont = nullptr;
    QAction* MICheckSpelling = nullptr;
    QAction* MIValidateHTML = nullptr;
    QAction* MITidyHTML = nullptr;
    QAction* MITidyProperties = nullptr;
    QAction* MIExportAsHTML = nullptr;
    QAction* MIViewStatusBar = nullptr;
    QAction* MIViewExplorer = nullptr;
    QAction* MIViewToolbar = nullptr;
    QAction* MIViewGutter = nullptr;
    QAction* MIViewQuickPreview = nullptr;
    QAction* MIAbout = nullptr;
    QAction* MIReadMe = nullptr;
    QAction* MIVelmarisOnline = nullptr;
    QAction* MIHTMLReference = nullptr;
    QAction* MICSSReference = nullptr;

    // Tool bar items.
    QAction* TBNew = nullptr;
    QAction* TBOpen = nullptr;
    QAction* TBSave = nullptr;
    QAction* TBPrint = nullptr;
    QAction* TBPreview = nullptr;
    QAction* TBFind = nullptr;
    QAction* TBCut = nullptr;
    QAction* TBCopy = nullptr;
    QAction* TBPaste = nullptr;
    TDropDownPicker* TBStyle = nullptr;
    TDropDownPicker* TBSize = nullptr;
    QAction* TBStyleItem = nullptr; // the drop-downs as tool-bar items, for showing and hiding
    QAction* TBSizeItem = nullptr;
    QAction* TBBold = nullptr;
    QAction* TBItalic = nullptr;
    QAction* TBUnderline = nullptr;
    QAction* TBStrikeout = nullptr;
    QAction* TBLeft = nullptr;
    QAction* TBCenter = nullptr;
    QAction* TBRight = nullptr;

    // ---- Operations other parts call ----
    void NewDocument();
    // Loads a file, or the downloaded copy of a URL, as the document (FileCommands.cpp).
    void OpenDocument(const QString& fileName, bool syncExplorer);
    void SelectHighlighter(TGlyphCustomHighlighter* highlighter);
    TGlyphCustomHighlighter* CurrentHighlighter() const {
        return GlyphEditHighlighting.Highlighter();
    }
    // The language of the highlighter in force, if it is one of the window's.
    std::optional<TGlyphLanguageId> CurrentLanguage() const {
        return LanguageOf(CurrentHighlighter());
    }

    // ---- Handlers ----
    void FormPaint();
    void FormActivate();
    bool FormCloseQuery();
    void FormResize();
    // Shows the encoding and the line breaks the next save writes in the status bar.
    void ShowTextFormat();
    // Marks the caption and the status bar while the text differs from the saved file.
    void ShowModified();
    static constexpr int ModifiedPanel = 4;

    void MIFileClick();
    void MIEditClick();
    void MIFormatClick();
    void MIViewClick();
    void MINewClick();
    void MIExitClick();
    void MIStayOnTopClick();
    void MIViewStatusBarClick();
    void MIViewToolbarClick();
    void MIViewGutterClick();

    // Runs Item the way one command calls another: the opening handler of its menu first, then
    // the item itself if it is enabled and visible.
    void ClickMenuItem(QAction* item);

    bool FirstPaintDone() const { return firstPaintDone_; }

    // ---- Edit commands (EditCommands.cpp) ----
    // Search and replace in GlyphEdit, kept with its engine from one search to the next.
    TGlyphEditFindReplace GlyphEditFindReplace{GlyphEdit};
    TFindDialog* FindDialog();
    TReplaceDialog* ReplaceDialog();
    QMenu* PopupMenuGlyphEdit = nullptr;
    QAction* PMUndo = nullptr;
    QAction* PMRedo = nullptr;
    QAction* PMCut = nullptr;
    QAction* PMCopy = nullptr;
    QAction* PMPaste = nullptr;
    QAction* PMDelete = nullptr;
    QAction* PMSelectAll = nullptr;
    QAction* PMReadOnly = nullptr;
    // The clock "Time/Date" reads.
    std::function<QDateTime()> TimeDateClock = [] { return QDateTime::currentDateTime(); };

    // Creates the pop-up menu and connects the Edit commands.
    void ConnectEditCommands();
    // Whether the editor has the keyboard focus of this window.
    bool GlyphEditFocused() const;
    void FindDialogFind(TFindDialog* sender);
    // Shows a short note in the first status panel, over the file name, until the caret moves.
    void ShowStatusNote(const QString& note);
    void PopupMenuGlyphEditPopup();
    void GlyphEditStatusChange();
    void GlyphEditKeyPress(QChar ch);
    void MIUndoClick();
    void MIRedoClick();
    void MICutClick();
    void MICopyClick();
    void MIPasteClick();
    void MIDeleteClick();
    void MIFindClick();
    void MIFindNextClick();
    void MIReplaceClick();
    void MIGoToClick();
    void MISelectAllClick();
    void MITimeDateClick();
    void MISetFontClick();
    void PMReadOnlyClick();
    // Enables the items that need the editor's focus and an editor condition.
    void EnableEditItems(QAction* undo, QAction* redo, QAction* cut, QAction* copy, QAction* paste,
                         QAction* del);

    // ---- Quick preview pane and preview commands (PreviewCommands.cpp) ----
    QDockWidget* TBWindowPreview = nullptr;
    TTBToolWindowSlider* TBWindowPreviewSlider = nullptr;
    QWidget* TBWindowPreviewClient = nullptr; // the pane's client: the tabs and the slider
    QTabWidget* PageControl = nullptr;
    QWidget* TSWebBrowser = nullptr;
    TEmbeddedWB* EmbeddedWB = nullptr;
    QWidget* TSErrors = nullptr;
    QListWidget* ListBoxErrors = nullptr;

    // Builds the pane (hidden, docked at the bottom) and connects its commands.
    void CreatePreviewPane();
    void LoadPreviewLayout();
    void SavePreviewLayout() const;
    // Shows the pane for a list of results or a page, with room for it.
    void ShowPreviewPaneWithRoom();
    // Shows the start page in the preview browser, which stays hidden until the pane is shown.
    void LoadPreviewStartPage();
    // Shows or hides the "Messages" tab of the preview pane.
    void SetMessagesTabVisible(bool visible);
    void TBWindowPreviewDockChanged();
    void EmbeddedWBDocumentComplete(bool topFrame);
    void MIQuickPreviewClick();
    // Preprocesses the text and shows it in the preview browser, on the window's thread.
    void ShowDocumentPreview();
    // What a preview of the text as it is now is built from.
    TPreviewSource PreviewSource() const;
    // ---- Live preview: the preview follows the typing ----
    QAction* MILivePreview = nullptr;
    // Runs a refresh this long after the last change of the text.
    QTimer* LivePreviewTimer = nullptr;
    static constexpr int LivePreviewDelayMs = 400;
    void ConnectLivePreview();
    void MILivePreviewClick();
    // Whether the preview pane shows its browser tab to the user now.
    bool PreviewShowsBrowser() const;
    // Starts the refresh timer again when Live Preview is on and the browser shows.
    void ScheduleLivePreview();
    // Starts a refresh: the page is built on a worker and shown when it is ready.
    void LivePreviewTimerTimer();
    // Builds the refreshed pages; a newer one supersedes one still being built.
    TPreviewBuilder* LivePreviewBuilder = nullptr;
    // Shows a refreshed page in the browser, keeping its scroll position.
    void LivePreviewBuilderBuilt(const QString& fileName);
    // A refresh fell due while the window was minimised: it runs once the window shows again.
    bool livePreviewWaiting_ = false;
    void MIPreviewInBrowserClick();
    void MIViewQuickPreviewClick();

    // ---- Link checker (LinkCheckCommands.cpp) ----
    QAction* MICheckLinks = nullptr;
    // The "Links" tab of the preview pane and its list, made at the first check.
    QWidget* TSLinks = nullptr;
    TResultsPane* LinkResults = nullptr;
    TFormCheckLinks* FormCheckLinks = nullptr;
    void ConnectLinkCheckCommands();
    void CreateLinkResults();
    void MICheckLinksClick();
    // Checks the folder's links on a worker thread into the Links tab, ending a check under way.
    void StartLinkCheck(const TLinkCheckOptions& options);
    // Ends a check under way and waits for its thread.
    void StopLinkCheck();
    void LinkCheckFound(const TLinkCheckRun* run, const QList<TLinkProblem>& batch);
    void LinkCheckFinished(const TLinkCheckRun* run, const TLinkCheckTotals& totals);
    void LinkResultsRowActivated(const QString& fileName, int line, int column);

    // ---- Find and replace in files (FindInFilesCommands.cpp) ----
    QAction* MIFindInFiles = nullptr;
    QAction* MIReplaceInFiles = nullptr;
    // The "Find Results" tab of the preview pane and its list, made at the first search.
    QWidget* TSFindResults = nullptr;
    TResultsPane* FindResults = nullptr;
    QPushButton* ButtonReplaceChecked = nullptr;
    TFormFindInFiles* FormFindInFiles = nullptr;
    TFindInFilesWorker* FindInFilesWorker = nullptr;
    // Connects the commands and the search's worker.
    void ConnectFindInFilesCommands();
    void CreateFindResults();
    void MIFindInFilesClick();
    void MIReplaceInFilesClick();
    // The folder the dialog offers first: the document's, else the explorer's.
    QString FindInFilesFolder() const;
    void RunFindInFiles(bool replacing);
    // Opens a result's file at its place: in this window through the close query, or in a
    // new window.
    void FindResultsRowActivated(const QString& fileName, int line, int column, bool newWindow);
    void ButtonReplaceCheckedClick();
    void FindInFilesFound(const QList<TFileFindings>& batch);
    void FindInFilesFinished(const TFilesTotals& totals);

    // ---- Reference works in the help viewer (ReferenceCommands.cpp) ----
    void ConnectReferenceCommands();
    // Shows a reference work in the help viewer: its shipped start page, else the copy the
    // maker's updater installed, else asks the updater to offer it.
    void ShowReference(const TReferenceWork& work);
    void MIHTMLReferenceClick();
    void MICSSReferenceClick();

    // ---- File commands (FileCommands.cpp) ----
    // The recent files: loaded at creation, saved at destruction, shown in the File menu.
    TTBMRUList TBMRUList;
    // The program Open New Window starts; the running program when empty.
    QString NewWindowProgram;
    // Starts the program as a new window with these arguments; raises when it cannot start.
    void StartNewWindow(const QStringList& arguments);
    // Opens a file in a new window with the caret at a place (1-based).
    void OpenPlaceInNewWindow(const QString& fileName, int line, int column);

    // Whether fileName is the file of the open document.
    bool IsDocumentFile(const QString& fileName) const;
    // Whether OpenDocument(FileName) opens a local file without a question or a download.
    bool OpensWithoutAsking(const QString& fileName) const;
    // Writes the document to FileName and makes that its name; raises on failure.
    void SaveDocumentTo(const QString& fileName);
    // The file types of the open and save dialogs: the filter of each highlighter in the order
    // the window holds them, then all files.
    QString BuildFileFilter() const;
    // The program's open dialog, made on first use and kept with its history.
    TFormOpenDialog& FormOpenDialog();
    void LoadRecentFiles();
    void SaveRecentFiles() const;
    // Connects the file commands and puts the recent files into the File menu.
    void ConnectFileCommands();
    // The FTP client window, made on first use and kept until the program ends.
    TFormFTPClient& FormFTPClient();
    void ConnectFtpCommands();
    void MIOpenFTPClientClick();
    // ---- Publish (PublishCommands.cpp) ----
    void ConnectPublishCommands();
    // Uploads the saved document to the site and remote folder it was last published to, asking
    // for them the first time.
    void MIPublishClick();
    // Whether the document stands in a file to publish, saving it first where the user says so.
    bool SaveBeforePublishing();
    void MIOpenClick();
    void MISaveClick();
    void MISaveAsClick();
    void MIOpenNewWindowClick();
    void TBMRUListClick(const QString& fileName);
    void MIEncodingClick();
    void MILineBreaksClick();
    // Reads the document's file again in the encoding, asking first when it is modified.
    void ReopenWithEncoding(TTextEncoding encoding);
    // Saves the document, and the saves after, in the encoding or with the line breaks.
    void SaveWithEncoding(TTextEncoding encoding, bool byteOrderMark);
    void SaveWithLineBreaks(TLineBreakStyle style);

    // ---- Spelling (SpellingCommands.cpp) ----
    void ConnectSpellingCommands();
    void MICheckSpellingClick();
    // Tidy HTML and Check Spelling rewrite the text: offered only for a document that can
    // change, both by this one rule (and Tidy HTML only for more than blanks).
    bool DocumentCanBeRewritten() const;
    void EnableRewriteCommands();
    // Tells the program's other windows which file this one holds with unsaved changes.
    std::unique_ptr<TModifiedFilesRegistry> ModifiedFiles;
    // ---- Crash recovery (RecoveryCommands.cpp) ----
    // Keeps the unsaved document where a crash cannot take it.
    std::unique_ptr<TGlyphRecoveryJournal> RecoveryJournal;
    void ConnectRecovery();
    // The document now stands as saved or loaded: its old journal goes.
    void RestartRecoveryJournal();
    // Offers, one by one, the unsaved documents of processes that ended.
    void OfferRecovery();
    // Opens the text as the modified document under its original name and encoding.
    void RecoverDocument(const TGlyphRecoveredText& recovered);
    // A SIGTERM or SIGHUP: an unmodified window closes as the user would close it; a modified
    // one keeps its journal and settings and ends the program at once, asking nothing.
    void EndOnTerminationSignal();

    // ---- Changes made on disk by other programs (DiskChangeCommands.cpp) ----
    // The document's file as last loaded or saved; none for a new document.
    std::optional<TFileStamp> DocumentFileStamp;
    QFileSystemWatcher* DocumentWatcher = nullptr;
    void ConnectDiskChangeChecks();
    // Notes the document's file as it is now and watches it.
    void NoteDocumentFile();
    // Reloads an unmodified document changed on disk, or asks first for a modified one.
    void CheckDocumentOnDisk();
    // CheckDocumentOnDisk now, or once the command under way has ended.
    void CheckDocumentOnDiskWhenIdle();
    // Whether a save may write FileName: asks when another program changed it since.
    bool ConfirmOverwriteOnDisk(const QString& fileName);

    // ---- Shell and help commands (ShellCommands.cpp) ----
    void ConnectShellCommands();
    void MISetAsDefaultHTMLEditorClick();
    void MIUpgradeClick();
    void MIAboutClick();
    void MIReadMeClick();
    void MIVelmarisOnlineClick();

    // ---- Explorer pane (ExplorerCommands.cpp) ----
    TExplorerPane* TBWindowExplorer = nullptr;
    void CreateExplorer();
    void MIViewExplorerClick();
    void TBWindowExplorerDockChanged();
    // Runs the close query and opens FileName as the explorer asks, without following it.
    void ShellListViewDblClick(const QString& fileName);
    // The folder chosen in the explorer becomes the folder the file dialogs start in.
    void ShellTreeViewChange(const QString& folder);
    // Shows the folder of FileName in the explorer when the pane is open.
    void SyncExplorer(const QString& fileName);
    void LoadExplorerLayout();
    void SaveExplorerLayout() const;

    // ---- HTML insert commands (InsertCommands.cpp) ----
    // Replaces the selection (or inserts at the caret) with Template, every "?" in it the
    // selected text, as one undoable change; the caret ends after the text of the first "?".
    void InsertTemplate(const QString& templateText);
    // Replaces the whole text as one undoable change.
    void ReplaceDocumentText(const QString& text);
    // Connects the Insert menu, the drop-downs, the formatting buttons and Shift+Enter.
    void ConnectInsertCommands();
    void TBStyleSelect(int index);
    void TBSizeSelect(int index);
    void GlyphEditKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // Fills Format with the chosen file's path from the document (and its name) and inserts
    // it; nothing when no file was chosen.
    void InsertFileTemplate(const QString& format, const std::optional<QString>& fileName);
    // Where the dialogs that insert or link a file start: the document's folder, the home
    // folder for an untitled document.
    QString InsertDialogStart() const;
    // Asks for an address (or a file) and links the selection to it.
    void MIHyperlinkClick();
    TFormInsertLink* FormInsertLink = nullptr;
    void MIImageClick();
    void MIAnchorClick();
    void MIActiveXControlClick();
    void MITableClick();
    void MIHTMLColorClick();
    // ---- Writing HTML: closing tags as they are typed, completion (TagTypingCommands.cpp) ----
    QAction* MICloseTagsAsYouType = nullptr;
    TCompletionKind completionKind_ = TCompletionKind::None;
    int completionStartX_ = 0; // where the name being completed starts on the caret's line
    void ConnectTagTyping();
    // Whether the document's language is HTML or embeds it (PHP).
    bool EditsMarkup() const;
    TMarkupLines DocumentLines() const;
    // The markup context of the text before column X (1-based) of the caret's line.
    TMarkupContext MarkupContextBefore(int x) const;
    // After a character is typed: closes the tag it ends, filters or opens the completion list.
    void GlyphEditCharTyped(QChar ch);
    void CloseTagTyped(QChar ch);
    // The end tag last put in by closing as you type: its line, its distance from the line's end
    // (which typing before it on its line keeps), the start of the line from there, its name.
    struct TAutoEndTag {
        int Y = 0;
        int FromEnd = 0;
        QString Tail;
        QString Name;
    };
    std::optional<TAutoEndTag> autoEndTag_;
    // After an end tag typed by hand right before the one put in for it: drops that one.
    bool DropEndTagTypedTwice(int x, int y);
    void MICloseTagsAsYouTypeClick();
    // The completion list: Ctrl+Space, or by itself after <, a blank in a start tag, =" and &
    // (Automatic names what was typed: only a list of that kind opens then).
    TCompletionPopup* CompletionPopup = nullptr;
    void OpenCompletion(std::optional<QChar> automatic = std::nullopt);
    void FilterCompletion();
    // The keys the list takes while it shows; true when the key was used.
    bool CompletionKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void AcceptCompletion(const QString& entry);
    // Markup with its tag names in the case the document writes its tags in.
    QString InDocumentCase(const QString& markup) const;
    // ---- Tidy commands (TidyCommands.cpp) ----
    // The Tidy options: the dialog every Tidy run reads its options from. Made at its first
    // use, since its many controls would delay the window's first paint.
    std::unique_ptr<TFormTidyProperties> FormTidyProperties;
    TFormTidyProperties& TidyProperties();
    // Connects the Tidy commands and the messages list.
    void ConnectTidyCommands();
    void MIValidateHTMLClick();
    void MITidyHTMLClick();
    void MITidyPropertiesClick();
    void ListBoxErrorsClick();
    // Shows Text's lines (Tidy messages or one status text) in the messages list; true when
    // there was at least one line.
    bool ShowTidyMessages(const QString& text);

    // ---- Highlighting colours, export and printing (HighlightingCommands.cpp,
    // ExportCommands.cpp, PrintCommands.cpp) ----
    TFormGlyphCustomHighlighter* FormGlyphCustomHighlighter = nullptr;
    TFormGlyphCustomHighlighter& CustomHighlighterForm();
    TGlyphExporterHTML GlyphExporterHTML;
    TGlyphEditPrint GlyphEditPrint;
    QAction* MICopyAsHTML = nullptr;
    QAction* MIPrintPreview = nullptr;
    // Work that takes longer than this shows a progress window with Cancel.
    int ProgressDelayMs = 500;
    // The current printer with the choices of the page setup and print dialogs, made on first
    // use and kept for the program's life.
    QPrinter& Printer();
    void ConnectHighlightingCommands();
    void ConnectExportCommands();
    void ConnectPrintCommands();
    // Whether the text holds nothing but blanks and line breaks.
    bool TextIsBlank() const;
    void MIEditHighlightingClick();
    void MIExportAsHTMLClick();
    void MICopyAsHTMLClick();
    void MIPageSetupClick();
    void MIPrintClick();
    void MIPrintPreviewClick();
    void TBPrintClick();

private:
    std::shared_ptr<TLinkCheckRun> linkCheck_;
    std::shared_ptr<TOpenDialogs> openDialogs_;
    // The search the results come from and the files it found, for Replace in Checked Files.
    TFindInFilesOptions findInFilesOptions_;
    QList<TFileFindings> foundFiles_;
    bool replacingInFiles_ = false; // the worker is replacing, not searching
    Qt::DockWidgetArea explorerLastDock_ = Qt::LeftDockWidgetArea;
    std::optional<int> explorerClientWidth_; // the width the pane gets at its first showing
    std::unique_ptr<QPrinter> printer_;
    TFindDialog* findDialog_ = nullptr; // made by FindDialog()
    TReplaceDialog* replaceDialog_ = nullptr;
    template <class T> T* SearchDialog(T*& dialog);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    // The first paint's steps: the document of the command line, then the caret it names.
    void OpenStartDocument();
    void SetStartCaret();
    void FormPaintBeforePainting();
    void CreateMenus();
    void CreateToolBar();
    void CreateClientArea();
    void CreateStatusBar();
    void ShowHtmlCommands(bool visible);
    // Gives a language's highlighter the user's stored colours, after keeping its own as the
    // defaults the first time in a run.
    void LoadStoredColours(TGlyphLanguageId id);
    template <class T> T& Language(TGlyphLanguageId id) { return static_cast<T&>(Highlighter(id)); }
    void LoadBarLayout();
    void SaveBarLayout() const;
    QAction* AddItem(QMenu* menu, const QString& caption, const QString& name,
                     const QKeySequence& shortcut = {});

    std::array<std::unique_ptr<TGlyphCustomHighlighter>, glLanguageCount> highlighters_;
    QList<QAction*> htmlToolItems_;
    bool firstPaintDone_ = false;
    bool checkingDisk_ = false;
    bool diskCheckWaiting_ = false;
    bool statusNoteShown_ = false;
    std::optional<TFileStamp> declinedStamp_; // the change whose reload the user refused
    bool destroyed_ = false;
    TFormFTPClient* formFTPClient_ = nullptr; // a child window, destroyed with this one
    // Declared last: it reads the status bar and the editor while it is destroyed.
    std::unique_ptr<TFormStorage> FormStorage;
};
