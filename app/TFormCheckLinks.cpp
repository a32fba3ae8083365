#include "app/TFormCheckLinks.h"

#include "common/Prompts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFormCheckLinks::TFormCheckLinks(QWidget* parent) : QDialog(parent) {
    setObjectName("TFormCheckLinks");
    setWindowTitle("Check Links");
    auto* grid = new QGridLayout(this);
    auto* label = new QLabel("&Folder:", this);
    EditFolder = new QLineEdit(this);
    EditFolder->setObjectName("EditFolder");
    EditFolder->setMinimumWidth(360);
    label->setBuddy(EditFolder);
    ButtonBrowse = new QPushButton("&Browse...", this);
    ButtonBrowse->setObjectName("ButtonBrowse");
    CBRemote = new QCheckBox("Also check &remote links (http and https)", this);
    CBRemote->setObjectName("CBRemote");
    auto* buttons = new QDialogButtonBox(this);
    ButtonCheck = buttons->addButton("&Check", QDialogButtonBox::AcceptRole);
    ButtonCheck->setObjectName("ButtonCheck");
    ButtonCheck->setDefault(true);
    ButtonCancel = buttons->addButton(QDialogButtonBox::Cancel);
    ButtonCancel->setObjectName("ButtonCancel");
    grid->addWidget(label, 0, 0);
    grid->addWidget(EditFolder, 0, 1);
    grid->addWidget(ButtonBrowse, 0, 2);
    grid->addWidget(CBRemote, 1, 1, 1, 2);
    grid->addWidget(buttons, 2, 0, 1, 3);
    connect(ButtonBrowse, &QPushButton::clicked, this, [this] { ButtonBrowseClick(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(EditFolder, &QLineEdit::textChanged, this,
            [this](const QString& text) { ButtonCheck->setEnabled(!text.trimmed().isEmpty()); });
}

void TFormCheckLinks::Prepare(const QString& folder) {
    EditFolder->setText(folder);
    EditFolder->selectAll();
    EditFolder->setFocus();
}

TLinkCheckOptions TFormCheckLinks::Options() const {
    return {.Folder = EditFolder->text().trimmed(), .Remote = CBRemote->isChecked()};
}

void TFormCheckLinks::ButtonBrowseClick() {
    if (const std::optional<QString> chosen = ChooseFolder(this, EditFolder->text()))
        EditFolder->setText(*chosen);
}
