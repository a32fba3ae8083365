#include "highlight/TFormGlyphCustomHighlighter.h"

#include "common/AppHelpers.h"
#include "common/Prompts.h"
#include "highlight/GlyphHighlighterColours.h"
#include "highlight/TColorGrid.h"
#include "highlight/TGlyphCustomHighlighter.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QGroupBox* AddGroup(QWidget* parent, const char* name, const char* caption) {
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(name);
    return group;
}

QCheckBox* AddCheckBox(QGroupBox* group, const char* name, const char* caption) {
    auto* box = new QCheckBox(caption, group);
    box->setObjectName(name);
    group->layout()->addWidget(box);
    return box;
}

QPushButton* AddButton(QBoxLayout* layout, const char* name, const char* caption) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    layout->addWidget(button);
    return button;
}

} // namespace

TFormGlyphCustomHighlighter::TFormGlyphCustomHighlighter(QWidget* parent) : QDialog(parent) {
    setObjectName("FormGlyphCustomHighlighter");
    setModal(true);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    auto* settings = new QWidget;
    settings->setObjectName("TabSheetSettings");
    PageControl->addTab(settings, "Settings");

    QGroupBox* elements = AddGroup(settings, "GroupBoxElements", " Syntax elements ");
    ListBox = new QListWidget(elements);
    ListBox->setObjectName("ListBox");
    (new QVBoxLayout(elements))->addWidget(ListBox);

    QGroupBox* text = AddGroup(settings, "GroupBoxTextAttributes", " Text attributes ");
    new QVBoxLayout(text);
    CheckBox1 = AddCheckBox(text, "CheckBox1", "&Bold");
    CheckBox2 = AddCheckBox(text, "CheckBox2", "&Italic");
    CheckBox3 = AddCheckBox(text, "CheckBox3", "&Underline");

    QGroupBox* defaults = AddGroup(settings, "GroupBoxUseDefaultsFor", " Use defaults for ");
    new QVBoxLayout(defaults);
    CheckBox4 = AddCheckBox(defaults, "CheckBox4", "&Foreground");
    CheckBox5 = AddCheckBox(defaults, "CheckBox5", "Back&ground");

    QGroupBox* colour = AddGroup(settings, "GroupBoxColor", " Color ");
    ColorGrid = new TColorGrid(colour);
    ColorGrid->setObjectName("ColorGrid");
    ColorGrid->setFixedSize(ColorGrid->sizeHint());
    (new QVBoxLayout(colour))->addWidget(ColorGrid);

    auto* right = new QVBoxLayout;
    right->addWidget(text);
    right->addWidget(defaults);
    auto* page = new QHBoxLayout(settings);
    page->addWidget(elements, 1);
    page->addLayout(right);
    page->addWidget(colour, 0, Qt::AlignTop);

    auto* buttons = new QHBoxLayout;
    ButtonPopulate = AddButton(buttons, "ButtonPopulate", "Populate");
    ButtonPopulate->setVisible(false);
    ButtonDefault = AddButton(buttons, "ButtonDefault", "Default");
    buttons->addStretch();
    ButtonOK = AddButton(buttons, "ButtonOK", "OK");
    ButtonOK->setDefault(true);
    ButtonCancel = AddButton(buttons, "ButtonCancel", "Cancel");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonPopulate, &QPushButton::clicked, this, [this] { ButtonPopulateClick(); });
    connect(ButtonDefault, &QPushButton::clicked, this,
            [this] { RunCommand([this] { ButtonDefaultClick(); }); });
    connect(ListBox, &QListWidget::currentRowChanged, this, [this] { ListBoxClick(); });
    connect(ColorGrid, &TColorGrid::Change, this, [this] { ColorGridChange(); });
    connect(CheckBox1, &QCheckBox::clicked, this, [this] { StyleBoxClick(CheckBox1, fsBold); });
    connect(CheckBox2, &QCheckBox::clicked, this, [this] { StyleBoxClick(CheckBox2, fsItalic); });
    connect(CheckBox3, &QCheckBox::clicked, this,
            [this] { StyleBoxClick(CheckBox3, fsUnderline); });
    connect(CheckBox4, &QCheckBox::clicked, this, [this] { UseDefaultsBoxClick(CheckBox4, true); });
    connect(CheckBox5, &QCheckBox::clicked, this,
            [this] { UseDefaultsBoxClick(CheckBox5, false); });
}

bool TFormGlyphCustomHighlighter::EditColours(TGlyphCustomHighlighter& highlighter,
                                              const QString& className) {
    highlighter_ = &highlighter;
    className_ = className;
    // The store holds the colours as they were, for Cancel to put back.
    SaveUserColours(highlighter, className);
    ButtonPopulateClick();
    const bool accepted = Prompts().RunDialog(*this) == QDialog::Accepted;
    // The main window reads the stored colours again whenever it becomes active: accepted
    // colours are stored so that they stay.
    if (accepted)
        SaveUserColours(highlighter, className);
    else
        LoadUserColours(highlighter, className);
    return accepted;
}

TGlyphHighlighterAttributes* TFormGlyphCustomHighlighter::Selected() const {
    return highlighter_ ? highlighter_->AttributeAt(ListBox->currentRow()) : nullptr;
}

void TFormGlyphCustomHighlighter::ButtonPopulateClick() {
    if (!highlighter_)
        return;
    // Named after the language; "document" says nothing of it ("HTML document").
    QString language = highlighter_->LanguageTitle();
    if (language.endsWith(QStringLiteral(" document"), Qt::CaseInsensitive))
        language.chop(qsizetype(qstrlen(" document")));
    setWindowTitle(QStringLiteral("Highlighting Colours - ") + language);
    {
        const QSignalBlocker blocker(ListBox);
        ListBox->clear();
        for (int i = 0; i < highlighter_->AttributeCount(); ++i)
            ListBox->addItem(highlighter_->AttributeAt(i)->Name());
        ListBox->setCurrentRow(0);
    }
    ListBoxClick();
}

void TFormGlyphCustomHighlighter::ListBoxClick() {
    TGlyphHighlighterAttributes* a = Selected();
    if (!a)
        return;
    {
        // Showing an element never changes it.
        const QSignalBlocker blocker(ColorGrid);
        ColorGrid->SetForegroundIndex(TColorGrid::ColourCell(a->Foreground()));
        ColorGrid->SetBackgroundIndex(TColorGrid::ColourCell(a->Background()));
    }
    CheckBox1->setChecked(a->Style() & fsBold);
    CheckBox2->setChecked(a->Style() & fsItalic);
    CheckBox3->setChecked(a->Style() & fsUnderline);
    ShowUseDefaults();
}

void TFormGlyphCustomHighlighter::ShowUseDefaults() {
    CheckBox4->setChecked(ColorGrid->ForegroundIndex() == -1);
    CheckBox5->setChecked(ColorGrid->BackgroundIndex() == -1);
}

void TFormGlyphCustomHighlighter::ColorGridChange() {
    ShowUseDefaults();
    TGlyphHighlighterAttributes* a = Selected();
    if (!a)
        return;
    // Both are written: a colour without a cell becomes none, a system colour its plain value.
    a->SetForeground(TColorGrid::CellColour(ColorGrid->ForegroundIndex()));
    a->SetBackground(TColorGrid::CellColour(ColorGrid->BackgroundIndex()));
}

void TFormGlyphCustomHighlighter::StyleBoxClick(QCheckBox* box, unsigned styleBit) {
    if (TGlyphHighlighterAttributes* a = Selected())
        a->SetStyle(box->isChecked() ? a->Style() | styleBit : a->Style() & ~styleBit);
}

void TFormGlyphCustomHighlighter::UseDefaultsBoxClick(QCheckBox* box, bool foreground) {
    TGlyphHighlighterAttributes* a = Selected();
    if (!a)
        return;
    if (foreground)
        ColorGrid->SetForegroundIndex(box->isChecked() ? -1
                                                       : TColorGrid::ColourCell(a->Foreground()));
    else
        ColorGrid->SetBackgroundIndex(box->isChecked() ? -1
                                                       : TColorGrid::ColourCell(a->Background()));
}

void TFormGlyphCustomHighlighter::ButtonDefaultClick() {
    if (!AskYesNo("Do you want to restore the default highlighting for the current file type?"))
        return;
    LoadDefaultColours(*highlighter_, className_);
    ButtonPopulateClick();
}
