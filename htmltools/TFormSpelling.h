#pragma once

#include "htmltools/THTMLSpellCheck.h"
#include "htmltools/TWordList.h"

#include <QDialog>
#include <QList>
#include <QString>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTabWidget;
class TEmbeddedWB;

// One correction of a checked text: Length characters from Start (counted from 0) become Text.
struct TSpellingCorrection {
    qsizetype Start = 0;
    qsizetype Length = 0;
    QString Text;
    friend bool operator==(const TSpellingCorrection&, const TSpellingCorrection&) = default;
};

// The spelling dialog: steps through the misspelt words of a document on a working copy of its
// text and hands back the corrections when it ends with OK. It holds the main and the user's
// dictionaries for the life of the program.
class TFormSpelling : public QDialog {
    Q_OBJECT

public:
    // When the main dictionary is missing, asks whether to install it and ends the program. The
    // dictionaries are read at the first check.
    explicit TFormSpelling(QWidget* parent = nullptr);
    ~TFormSpelling() override;

    // The spelling window of the program, or nullptr while there is none.
    static TFormSpelling* Instance();

    // Runs the dialog on Text; FileName goes into the caption. True when the user ended it with
    // OK: Text then holds the corrected text and Corrections the changes made to it.
    bool CheckSpelling(QString& text, const QString& fileName, bool showCompletion);
    // The changes of the last check that ended with OK, in text order, against the text given.
    const QList<TSpellingCorrection>& Corrections() const { return corrections_; }

    QString WorkText;
    TWordSpans WordSpans;
    int CurrentSpan = -1;
    TWordList MainDictionary;
    TWordList UserDictionary;

    QLabel* LabelNotInDictionary = nullptr;
    QLineEdit* EditNotInDictionary = nullptr;
    QLabel* LabelChangeTo = nullptr;
    QLineEdit* EditChangeTo = nullptr;
    QLabel* LabelSuggestions = nullptr;
    QListWidget* ListView = nullptr;
    QPushButton* ButtonIgnore = nullptr;
    QPushButton* ButtonChange = nullptr;
    QPushButton* ButtonChangeAll = nullptr;
    QPushButton* ButtonSuggest = nullptr;
    QPushButton* ButtonAdd = nullptr;
    QTabWidget* PageControl = nullptr;
    QWidget* TSPreview = nullptr;
    TEmbeddedWB* EmbeddedWB = nullptr;
    QWidget* TSSource = nullptr;
    QPlainTextEdit* RichEdit = nullptr;
    QStatusBar* StatusBar = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;

    void ButtonIgnoreClick();
    void ButtonChangeClick();
    void ButtonChangeAllClick();
    void ButtonSuggestClick();
    void ButtonAddClick();
    void EditChangeToChange();
    void EditNotInDictionaryChange();
    void ListViewSelectItem(QListWidgetItem* item);
    // Shows the working copy in the browser with the word in hand marked "idFocus".
    void TSPreviewShow();
    void EmbeddedWBDocumentComplete(bool topFrame);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    // Asks about a missing main dictionary and ends the program.
    void CheckMainDictionary();
    void LoadDictionaries();
    void FormShow();
    // The characters of span Index in WorkText.
    QString SpanText(int index) const;
    // Replaces span Index by Text in WorkText and moves the later spans by the difference.
    void ReplaceSpan(int index, const QString& text);
    void ShowWorkText();
    void SelectCurrentSpan();

    // Where each span's characters lie in the text given to CheckSpelling, from its first to
    // its last character (so a dropped character inside a word goes with it).
    QList<TSpellingCorrection> spanSources_;
    QList<bool> spanChanged_;
    QList<TSpellingCorrection> corrections_;
    // Words added whose save failed; the save at exit tries again.
    bool userDictionaryUnsaved_ = false;
    bool dictionariesLoaded_ = false;
    // The document the text comes from, whose folder the preview's references resolve against.
    QString baseFile_;
};
