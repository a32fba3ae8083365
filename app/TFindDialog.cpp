#include "app/TFindDialog.h"
#include "common/Translation.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
constexpr TFindOptions ButtonFlags = TFindOptions(frFindNext | frReplace | frReplaceAll);
}

TGlyphSearchOptions FindDialogSearchOptions(TFindOptions flags) {
    TGlyphSearchOptions options = SearchBackward;
    if (flags.testFlag(frDown))
        options &= ~TGlyphSearchOptions(SearchBackward);
    if (flags.testFlag(frMatchCase))
        options |= SearchMatchCase;
    if (flags.testFlag(frWholeWord))
        options |= SearchWholeWord;
    if (flags.testFlag(frReplace))
        options |= SearchReplace;
    if (flags.testFlag(frReplaceAll))
        options |= SearchReplaceAll;
    return options;
}

TFindDialog::TFindDialog(QWidget* parent) : QDialog(parent) {
    setObjectName("FindDialog");
    setWindowTitle("Find");
    setModal(false);

    auto* label = new QLabel("Fi&nd what:", this);
    EditFind = new QLineEdit(this);
    EditFind->setObjectName("EditFind");
    label->setBuddy(EditFind);
    Fields = new QGridLayout;
    Fields->addWidget(label, 0, 0);
    Fields->addWidget(EditFind, 0, 1);

    CBWholeWord = new QCheckBox("Match &whole word only", this);
    CBWholeWord->setObjectName("CBWholeWord");
    CBMatchCase = new QCheckBox("Match &case", this);
    CBMatchCase->setObjectName("CBMatchCase");
    auto* checks = new QVBoxLayout;
    checks->addWidget(CBWholeWord);
    checks->addWidget(CBMatchCase);
    checks->addStretch();

    auto* direction = new QGroupBox("Direction", this);
    RBUp = new QRadioButton("&Up", direction);
    RBUp->setObjectName("RBUp");
    RBDown = new QRadioButton("&Down", direction);
    RBDown->setObjectName("RBDown");
    RBDown->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(RBUp);
    directionLayout->addWidget(RBDown);

    auto* settings = new QHBoxLayout;
    settings->addLayout(checks);
    settings->addWidget(direction);

    auto* left = new QVBoxLayout;
    left->addLayout(Fields);
    left->addLayout(settings);
    left->addStretch();

    ButtonFindNext = new QPushButton("&Find Next", this);
    ButtonFindNext->setObjectName("ButtonFindNext");
    ButtonFindNext->setDefault(true);
    ButtonCancel = new QPushButton("Cancel", this);
    ButtonCancel->setObjectName("ButtonCancel");
    Buttons = new QVBoxLayout;
    Buttons->addWidget(ButtonFindNext);
    Buttons->addWidget(ButtonCancel);
    Buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(Buttons);

    connect(ButtonFindNext, &QPushButton::clicked, this, [this] { Press(frFindNext); });
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(EditFind, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    UpdateButtons();
    TranslateComponent(this);
}

QString TFindDialog::FindText() const {
    return EditFind->text();
}

void TFindDialog::SetFindText(const QString& text) {
    EditFind->setText(text);
}

TFindOptions TFindDialog::Options() const {
    TFindOptions options = pressed_;
    if (RBDown->isChecked())
        options |= frDown;
    if (CBMatchCase->isChecked())
        options |= frMatchCase;
    if (CBWholeWord->isChecked())
        options |= frWholeWord;
    return options;
}

void TFindDialog::SetOptions(TFindOptions options) {
    pressed_ = options & ButtonFlags;
    (options.testFlag(frDown) ? RBDown : RBUp)->setChecked(true);
    CBMatchCase->setChecked(options.testFlag(frMatchCase));
    CBWholeWord->setChecked(options.testFlag(frWholeWord));
}

void TFindDialog::Execute() {
    show();
    raise();
    activateWindow();
    EditFind->setFocus();
    EditFind->selectAll();
    selectWhenActive_ = !isActiveWindow();
}

void TFindDialog::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Activation moves the focus in again, which drops the selection made before it.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && selectWhenActive_) {
        selectWhenActive_ = false;
        EditFind->selectAll();
    }
}

void TFindDialog::Press(TFindOption button) {
    pressed_ = button;
    if (OnFind)
        OnFind(this);
}

void TFindDialog::UpdateButtons() {
    ButtonFindNext->setEnabled(!EditFind->text().isEmpty());
}
