#pragma once

#include "editor/TGlyphEditFindReplace.h"

#include <QDialog>
#include <QFlags>
#include <QString>
#include <functional>

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

// The flags of the find and replace dialogs. frDown, frMatchCase and frWholeWord are the
// user's settings; frFindNext, frReplace and frReplaceAll tell which button ran the search.
enum TFindOption : unsigned {
    frDown = 1,
    frFindNext = 2,
    frMatchCase = 4,
    frWholeWord = 8,
    frReplace = 16,
    frReplaceAll = 32,
};
Q_DECLARE_FLAGS(TFindOptions, TFindOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFindOptions)

// The editor search a dialog's flags ask for. Upward is the starting point, which frDown
// drops; the searches of the dialogs always start at the caret.
TGlyphSearchOptions FindDialogSearchOptions(TFindOptions flags);

// The modeless find dialog: search text, direction, match case and whole word, kept from one
// use to the next. Find Next hands the search to OnFind; the dialog itself searches nothing.
class TFindDialog : public QDialog {
    Q_OBJECT

public:
    explicit TFindDialog(QWidget* parent = nullptr);

    QString FindText() const;
    void SetFindText(const QString& text);
    // The settings and the flag of the button last pressed.
    TFindOptions Options() const;
    void SetOptions(TFindOptions options);

    // Shows the dialog, or brings it to the front when it is shown already, with the search
    // text ready to be typed over.
    void Execute();

    QLineEdit* EditFind = nullptr;
    QCheckBox* CBWholeWord = nullptr;
    QCheckBox* CBMatchCase = nullptr;
    QRadioButton* RBUp = nullptr;
    QRadioButton* RBDown = nullptr;
    QPushButton* ButtonFindNext = nullptr;
    QPushButton* ButtonCancel = nullptr;

    // Runs for every button that searches, with the dialog that ran it.
    std::function<void(TFindDialog* sender)> OnFind;

protected:
    void changeEvent(QEvent* event) override;
    // Runs OnFind with Button's flag as the one pressed.
    void Press(TFindOption button);
    // Enables the buttons that search only while there is a text to search for.
    virtual void UpdateButtons();

    QGridLayout* Fields = nullptr;  // labels and edits, one row each
    QVBoxLayout* Buttons = nullptr; // the column of push buttons on the right

private:
    TFindOptions pressed_;          // none until a button was pressed
    bool selectWhenActive_ = false; // Execute's selection, made again once the window is active
};
