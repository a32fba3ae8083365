#pragma once

#include "app/FindInFiles.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The Find in Files and Replace in Files dialog: what to find (and what to put in its place),
// in which folder and files, and how to compare. It keeps its fields from one use to the next;
// Replace in Files shows the replacement row as well.
class TFormFindInFiles : public QDialog {
    Q_OBJECT

public:
    static constexpr char DefaultPatterns[] = "*.htm;*.html;*.php;*.css;*.js";

    explicit TFormFindInFiles(QWidget* parent = nullptr);

    // Prepares the dialog for finding or for replacing, with the folder to offer; the search
    // text is offered when one is given.
    void Prepare(bool replacing, const QString& folder, const QString& text);
    bool Replacing() const { return replacing_; }
    TFindInFilesOptions Options() const;

    QLineEdit* EditFind = nullptr;
    QLabel* LabelReplace = nullptr;
    QLineEdit* EditReplace = nullptr;
    QLineEdit* EditFolder = nullptr;
    QPushButton* ButtonBrowse = nullptr;
    QLineEdit* EditPatterns = nullptr;
    QCheckBox* CBRegularExpression = nullptr;
    QCheckBox* CBMatchCase = nullptr;
    QCheckBox* CBWholeWord = nullptr;
    QCheckBox* CBSubfolders = nullptr;
    QCheckBox* CBHiddenFolders = nullptr;
    QPushButton* ButtonFind = nullptr;
    QPushButton* ButtonCancel = nullptr;

private:
    void ButtonBrowseClick();
    void UpdateButtons();

    bool replacing_ = false;
};
