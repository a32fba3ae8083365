#include "app/TFormFindInFiles.h"

#include "common/Prompts.h"
#include "common/Translation.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormFindInFiles::TFormFindInFiles(QWidget* parent) : QDialog(parent) {
    setObjectName("FormFindInFiles");
    const auto field = [this](const char* name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setMinimumWidth(360);
        return edit;
    };
    const auto check = [this](const QString& caption, const char* name) {
        auto* box = new QCheckBox(caption, this);
        box->setObjectName(name);
        return box;
    };
    EditFind = field("EditFind");
    EditReplace = field("EditReplace");
    EditFolder = field("EditFolder");
    EditPatterns = field("EditPatterns");
    EditPatterns->setText(DefaultPatterns);
    ButtonBrowse = new QPushButton("&Browse...", this);
    ButtonBrowse->setObjectName("ButtonBrowse");

    auto* labelFind = new QLabel("Fi&nd what:", this);
    labelFind->setBuddy(EditFind);
    LabelReplace = new QLabel("Re&place with:", this);
    LabelReplace->setBuddy(EditReplace);
    auto* labelFolder = new QLabel("F&older:", this);
    labelFolder->setBuddy(EditFolder);
    auto* labelPatterns = new QLabel("File &types:", this);
    labelPatterns->setBuddy(EditPatterns);

    auto* fields = new QGridLayout;
    fields->addWidget(labelFind, 0, 0);
    fields->addWidget(EditFind, 0, 1, 1, 2);
    fields->addWidget(LabelReplace, 1, 0);
    fields->addWidget(EditReplace, 1, 1, 1, 2);
    fields->addWidget(labelFolder, 2, 0);
    fields->addWidget(EditFolder, 2, 1);
    fields->addWidget(ButtonBrowse, 2, 2);
    fields->addWidget(labelPatterns, 3, 0);
    fields->addWidget(EditPatterns, 3, 1, 1, 2);
    fields->setColumnStretch(1, 1);

    CBRegularExpression = check("Regular e&xpression", "CBRegularExpression");
    CBMatchCase = check("Match &case", "CBMatchCase");
    CBWholeWord = check("Match &whole word only", "CBWholeWord");
    CBSubfolders = check("Include &subfolders", "CBSubfolders");
    CBSubfolders->setChecked(true);
    CBHiddenFolders = check("Include &hidden folders", "CBHiddenFolders");
    auto* checks = new QGridLayout;
    checks->addWidget(CBMatchCase, 0, 0);
    checks->addWidget(CBWholeWord, 1, 0);
    checks->addWidget(CBRegularExpression, 2, 0);
    checks->addWidget(CBSubfolders, 0, 1);
    checks->addWidget(CBHiddenFolders, 1, 1);

    auto* buttons = new QDialogButtonBox(this);
    ButtonFind = buttons->addButton("&Find", QDialogButtonBox::AcceptRole);
    ButtonFind->setObjectName("ButtonFind");
    ButtonFind->setDefault(true);
    ButtonCancel = buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    ButtonCancel->setObjectName("ButtonCancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ButtonBrowse, &QPushButton::clicked, this, [this] { ButtonBrowseClick(); });
    connect(EditFind, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    connect(EditFolder, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(checks);
    layout->addStretch();
    layout->addWidget(buttons);
    UpdateButtons();
    TranslateComponent(this);
}

void TFormFindInFiles::Prepare(bool replacing, const QString& folder, const QString& text) {
    replacing_ = replacing;
    setWindowTitle(replacing ? "Replace in Files" : "Find in Files");
    LabelReplace->setVisible(replacing);
    EditReplace->setVisible(replacing);
    if (!folder.isEmpty())
        EditFolder->setText(folder);
    if (!text.isEmpty())
        EditFind->setText(text);
    EditFind->setFocus();
    EditFind->selectAll();
    adjustSize();
}

TFindInFilesOptions TFormFindInFiles::Options() const {
    TFindInFilesOptions options;
    options.Walk.Folder = EditFolder->text().trimmed();
    options.Walk.Patterns = EditPatterns->text();
    options.Walk.Subfolders = CBSubfolders->isChecked();
    options.Walk.HiddenFolders = CBHiddenFolders->isChecked();
    options.Text = EditFind->text();
    options.Replacement = replacing_ ? EditReplace->text() : QString();
    options.RegularExpression = CBRegularExpression->isChecked();
    options.MatchCase = CBMatchCase->isChecked();
    options.WholeWords = CBWholeWord->isChecked();
    return options;
}

void TFormFindInFiles::ButtonBrowseClick() {
    if (const std::optional<QString> chosen = ChooseFolder(this, EditFolder->text()))
        EditFolder->setText(*chosen);
}

void TFormFindInFiles::UpdateButtons() {
    ButtonFind->setEnabled(!EditFind->text().isEmpty() && !EditFolder->text().trimmed().isEmpty());
}
