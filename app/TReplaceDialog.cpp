#include "app/TReplaceDialog.h"
#include "common/Translation.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TReplaceDialog::TReplaceDialog(QWidget* parent) : TFindDialog(parent) {
    setObjectName("ReplaceDialog");
    setWindowTitle("Replace");

    auto* label = new QLabel("Re&place with:", this);
    EditReplace = new QLineEdit(this);
    EditReplace->setObjectName("EditReplace");
    label->setBuddy(EditReplace);
    Fields->addWidget(label, 1, 0);
    Fields->addWidget(EditReplace, 1, 1);
    setTabOrder(EditFind, EditReplace);

    ButtonReplace = new QPushButton("&Replace", this);
    ButtonReplace->setObjectName("ButtonReplace");
    ButtonReplaceAll = new QPushButton("Replace &All", this);
    ButtonReplaceAll->setObjectName("ButtonReplaceAll");
    // Between Find Next and Cancel.
    Buttons->insertWidget(1, ButtonReplace);
    Buttons->insertWidget(2, ButtonReplaceAll);
    setTabOrder(ButtonFindNext, ButtonReplace);
    setTabOrder(ButtonReplace, ButtonReplaceAll);

    connect(ButtonReplace, &QPushButton::clicked, this, [this] { Press(frReplace); });
    connect(ButtonReplaceAll, &QPushButton::clicked, this, [this] { Press(frReplaceAll); });
    UpdateButtons();
    TranslateComponent(this);
}

QString TReplaceDialog::ReplaceText() const {
    return EditReplace->text();
}

void TReplaceDialog::SetReplaceText(const QString& text) {
    EditReplace->setText(text);
}

void TReplaceDialog::UpdateButtons() {
    TFindDialog::UpdateButtons();
    const bool searchable = !EditFind->text().isEmpty();
    ButtonReplace->setEnabled(searchable);
    ButtonReplaceAll->setEnabled(searchable);
}
