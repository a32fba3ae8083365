#pragma once

#include "common/ControlValues.h"
#include "editor/TGlyphEdit.h"
#include "editor/TGlyphEditHighlighting.h"
#include "editor/TGlyphEditStringList.h"
#include "highlight/TGlyphHTMLHighlighter.h"
#include "htmltools/TidyPageText.h"
#include "htmltools/TidyRunner.h"

#include <QDialog>
#include <QStringList>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QWidget;
class TGlyphEditView;

// A format read once into its fixed pieces and the places of its first ArgCount "%d" and "%s",
// for filling it many times.
class TTidyMessageFormat {
public:
    TTidyMessageFormat(const QString& format, qsizetype argCount);
    // Appends the format to Out with Args (ArgCount of them) in its places.
    void AppendTo(QString& out, const QStringView* args) const;

private:
    struct TPiece {
        qsizetype From = 0;
        qsizetype Size = 0;
        qsizetype Arg = -1; // the argument in this place; -1 for a fixed piece
    };
    QString format_;
    QList<TPiece> pieces_;
};

// The "Tidy Options" dialog: holds the options every Tidy run is made with, keeps them in the
// settings file, and runs Tidy with them.
class TFormTidyProperties : public QDialog {
    Q_OBJECT

public:
    explicit TFormTidyProperties(QWidget* parent = nullptr);
    ~TFormTidyProperties() override;

    // ---- Controls ----
    QTabWidget* PageControl = nullptr;
    QWidget* tsHTMLOptions = nullptr;
    QWidget* tsWrapping = nullptr;
    QWidget* tsAccessibilityOptions = nullptr;
    QWidget* tsFileOptions = nullptr;
    QWidget* tsPreviewBefore = nullptr;
    QWidget* tsPreviewAfter = nullptr;
    QCheckBox* cbUppercaseTags = nullptr;
    QCheckBox* cbUppercaseAttributes = nullptr;
    QCheckBox* CBBreakBeforeBR = nullptr;
    QCheckBox* CBIndent = nullptr;
    QCheckBox* CBDropEmptyParas = nullptr;
    QCheckBox* CBWord2000 = nullptr;
    QCheckBox* CBBare = nullptr;
    QCheckBox* CBFixBadComments = nullptr;
    QCheckBox* CBFixURI = nullptr;
    QCheckBox* CBClean = nullptr;
    QCheckBox* cbTidyMark = nullptr;
    QCheckBox* cbEnableTextWrapping = nullptr;
    QLineEdit* EditWrapWidth = nullptr;
    QSpinBox* udWrapWidth = nullptr;
    QCheckBox* cbWrapAttributes = nullptr;
    QCheckBox* CBWrapSections = nullptr;
    QCheckBox* cbWrapASP = nullptr;
    QCheckBox* cbWrapPHP = nullptr;
    QCheckBox* cbWrapLiterals = nullptr;
    QCheckBox* cbWrapJSTE = nullptr;
    QCheckBox* CBAltText = nullptr;
    QLineEdit* EditAltText = nullptr;
    QComboBox* CBTabSize = nullptr;
    QComboBox* CBInputEncoding = nullptr;
    QComboBox* CBOutputEncoding = nullptr;
    QPushButton* ButtonHTMLOptionsTest = nullptr;
    QPushButton* ButtonTextWrapTest = nullptr;
    QPushButton* ButtonAccessibilityTest = nullptr;
    QPushButton* ButtonFileOptionsTest = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonRestoreDefaults = nullptr;
    QPushButton* ButtonPreview = nullptr;
    TGlyphEdit GlyphEditPreviewBefore;
    TGlyphEdit GlyphEditPreviewAfter;
    TGlyphEditView* GlyphEditPreviewBeforeView = nullptr;
    TGlyphEditView* GlyphEditPreviewAfterView = nullptr;

    // ---- State ----
    TMemoryControlValueStore DefaultValues;
    bool AfterIsStale = false;
    // The messages of the run under way; only exists while a run is in progress.
    std::optional<QStringList> TidyMessages;
    // The program the Preview button opens the tidied sample with; the running program when
    // empty.
    QString EditorProgram;
    // Set once the values were saved at exit, or when the window that owns the dialog gave up
    // saving after a failed write.
    bool SavedAtExit = false;

    // ---- Operations ----
    // Runs Text through Tidy with the options the controls hold. Text goes to Tidy and comes
    // back in UTF-8, whatever the encodings chosen: the output choice only decides which
    // characters come back as character references. Server-side blocks (<?php ?>, <% %>,
    // <!--# -->) come back as they were, or the run throws and Text stays. Text holding a NUL
    // is refused: Tidy would read it only up to there. Messages gets one line per diagnostic,
    // each ended by CR LF. False when Tidy wrote nothing for a text that is not blank.
    bool RunTidy(QString& text, QString& messages);
    // RunTidy's messages for Text, without Tidy writing the tidied text nobody would read.
    void ValidateWithTidy(const QString& text, QString& messages);
    // The options of a run from the controls, in the order they are set; throws for an
    // encoding without a selected item or a wrap width that is no number.
    QList<TTidyOption> ApplyTidyOptions() const;
    void AddTidyMessage(int level, int line, int column, const QString& message);
    bool ShowTidyOptions(const QString& sample);
    void RefreshAfterPage();

    // ---- Handlers ----
    void FormShow();
    void CheckBoxClick();
    void cbEnableTextWrappingClick();
    void CBAltTextClick();
    void EditWrapWidthChange();
    void EditAltTextChange();
    void CBTabSizeExit();
    void ButtonRestoreDefaultsClick();
    void tsPreviewAfterShow();
    void ButtonPreviewClick();
    void ButtonAccessibilityTestClick();
    // Saves the values to the settings file once, at exit; throws when the file takes no write.
    void FormDestroy();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    QWidget* CreateHTMLOptionsPage();
    QWidget* CreateWrappingPage();
    QWidget* CreateAccessibilityPage();
    QWidget* CreateFileOptionsPage();
    QWidget* CreatePreviewPage(TGlyphEdit& edit, TGlyphEditView*& view, const QString& name);
    void ConnectHandlers();
    void FormCreate();
    QString WritePreviewFile();
    // Sends Text to the helper in UTF-8 with the controls' options, its server-side blocks
    // protected. The run's messages are written into Messages as they arrive, one line each
    // ended by CR LF.
    TTidyHelperResult RunTidyOn(const QString& text, TServerBlocks& blocks, TTidyWanted wanted,
                                QString& messages);
    // One message as the user reads it, written onto the end of Out.
    void AppendTidyMessage(QString& out, int level, int line, int column, QStringView message);

    // The translated message format and level names, looked up once per run: a big broken
    // page brings tens of thousands of messages.
    struct TMessageWords {
        TTidyMessageFormat Format;
        QStringList Levels;
    };
    std::optional<TMessageWords> messageWords_;

    TGlyphHTMLHighlighter previewHighlighter_;
    std::unique_ptr<TGlyphEditHighlighting> beforeHighlighting_;
    std::unique_ptr<TGlyphEditHighlighting> afterHighlighting_;
};

// The tab size a run passes: the selected item's position plus one, else the number the box
// shows when it is one from 1 to 12; nothing otherwise.
std::optional<int> TidyTabSize(int itemIndex, const QString& text);

// Fills "%d" and "%s" of a (translated) format in order with Args; extra ones stay as written.
QString FormatTidyMessage(const QString& format, const QStringList& args);
