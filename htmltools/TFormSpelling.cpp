#include "htmltools/TFormSpelling.h"

#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/GlyphErrors.h"
#include "common/HtmlPreview.h"
#include "common/MakerServices.h"
#include "common/TEmbeddedWB.h"

#include <QCoreApplication>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

TFormSpelling* instance = nullptr;

// The text the words are looked for in: every line break a CR LF, and no character of code 128
// or above (word rules only split words there). Origins holds, for each of its characters,
// where it came from in the given text.
struct TWorkingCopy {
    QString Text;
    QList<qsizetype> Origins;
};

TWorkingCopy MakeWorkingCopy(const QString& text) {
    TWorkingCopy copy;
    copy.Text.reserve(text.size());
    copy.Origins.reserve(text.size());
    const auto put = [&](QChar c, qsizetype origin) {
        copy.Text += c;
        copy.Origins.append(origin);
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            put(u'\r', i);
            put(u'\n', i);
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else if (c.unicode() < 128) {
            put(c, i);
        }
    }
    return copy;
}

QPushButton* MakeButton(QWidget* parent, const QString& caption, const QString& name) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const QString& caption, const QString& name) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

TFormSpelling::TFormSpelling(QWidget* parent) : QDialog(parent) {
    setObjectName("FormSpelling");
    setWindowTitle(ApplicationTitle());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    CreateControls();
    instance = this;
    CheckMainDictionary();
}

TFormSpelling::~TFormSpelling() {
    if (instance == this)
        instance = nullptr;
    // Each Add saves the list; only additions whose save failed are still to be written, and a
    // failure now has nobody left to tell.
    if (userDictionaryUnsaved_) {
        try {
            UserDictionary.SaveToFile(UserDictionaryPath());
        } catch (const EGlyphFileError&) {
        }
    }
}

TFormSpelling* TFormSpelling::Instance() {
    return instance;
}

void TFormSpelling::CreateControls() {
    LabelNotInDictionary = MakeLabel(this, "Not in Dictionary:", "LabelNotInDictionary");
    EditNotInDictionary = new QLineEdit(this);
    EditNotInDictionary->setObjectName("EditNotInDictionary");
    EditNotInDictionary->setReadOnly(true);
    LabelChangeTo = MakeLabel(this, "Change To:", "LabelChangeTo");
    EditChangeTo = new QLineEdit(this);
    EditChangeTo->setObjectName("EditChangeTo");
    LabelSuggestions = MakeLabel(this, "Suggestions:", "LabelSuggestions");
    LabelSuggestions->setAlignment(Qt::AlignRight | Qt::AlignTop);
    ListView = new QListWidget(this);
    ListView->setObjectName("ListView");
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);

    ButtonIgnore = MakeButton(this, "Ignore", "ButtonIgnore");
    ButtonChange = MakeButton(this, "Change", "ButtonChange");
    ButtonChangeAll = MakeButton(this, "Change All", "ButtonChangeAll");
    ButtonSuggest = MakeButton(this, "Suggest", "ButtonSuggest");
    ButtonSuggest->setEnabled(false);
    ButtonAdd = MakeButton(this, "Add", "ButtonAdd");

    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    TSPreview = new QWidget(PageControl);
    TSPreview->setObjectName("TSPreview");
    EmbeddedWB = new TEmbeddedWB(TSPreview);
    EmbeddedWB->setObjectName("EmbeddedWB");
    // The page is only looked at: none of its scripts run. Its style sheets and pictures show,
    // so that the word is seen where it stands on the page.
    EmbeddedWB->SetDownloadOptions({.Media = true, .ActiveContent = false});
    auto* previewLayout = new QVBoxLayout(TSPreview);
    previewLayout->setContentsMargins(0, 0, 0, 0);
    previewLayout->addWidget(EmbeddedWB);
    PageControl->addTab(TSPreview, "Preview");
    TSSource = new QWidget(PageControl);
    TSSource->setObjectName("TSSource");
    RichEdit = new QPlainTextEdit(TSSource);
    RichEdit->setObjectName("RichEdit");
    RichEdit->setReadOnly(true);
    RichEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The word in hand stays marked while the focus is on the buttons.
    QPalette palette = RichEdit->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    RichEdit->setPalette(palette);
    auto* sourceLayout = new QVBoxLayout(TSSource);
    sourceLayout->setContentsMargins(0, 0, 0, 0);
    sourceLayout->addWidget(RichEdit);
    PageControl->addTab(TSSource, "Source");

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName("StatusBar");
    StatusBar->setSizeGripEnabled(false);
    // The one panel takes the whole bar, however wide the window is made.
    QLabel* panel = AddStatusPanel(StatusBar, 0);
    panel->setMinimumWidth(0);
    panel->setMaximumWidth(QWIDGETSIZE_MAX);
    ButtonOK = MakeButton(this, "OK", "ButtonOK");
    ButtonCancel = MakeButton(this, "Cancel", "ButtonCancel");

    auto* fields = new QGridLayout;
    fields->addWidget(LabelNotInDictionary, 0, 0);
    fields->addWidget(EditNotInDictionary, 0, 1);
    fields->addWidget(LabelChangeTo, 1, 0);
    fields->addWidget(EditChangeTo, 1, 1);
    fields->addWidget(LabelSuggestions, 2, 0);
    fields->addWidget(ListView, 2, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button :
         {ButtonIgnore, ButtonChange, ButtonChangeAll, ButtonSuggest, ButtonAdd})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(fields, 1);
    top->addLayout(buttons);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(StatusBar, 1);
    bottom->addWidget(ButtonOK);
    bottom->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(PageControl, 1);
    layout->addLayout(bottom);
    ListView->setMaximumHeight(ListView->fontMetrics().height() * 6);
    setMinimumWidth(420);
    resize(560, 520);

    const auto bind = [this](QPushButton* button, void (TFormSpelling::*handler)()) {
        connect(button, &QPushButton::clicked, this,
                [this, handler] { RunCommand([&] { (this->*handler)(); }); });
    };
    bind(ButtonIgnore, &TFormSpelling::ButtonIgnoreClick);
    bind(ButtonChange, &TFormSpelling::ButtonChangeClick);
    bind(ButtonChangeAll, &TFormSpelling::ButtonChangeAllClick);
    bind(ButtonSuggest, &TFormSpelling::ButtonSuggestClick);
    bind(ButtonAdd, &TFormSpelling::ButtonAddClick);
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(EditChangeTo, &QLineEdit::textChanged, this, [this] { EditChangeToChange(); });
    connect(EditNotInDictionary, &QLineEdit::textChanged, this,
            [this] { EditNotInDictionaryChange(); });
    connect(ListView, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item) { ListViewSelectItem(item); });
    connect(PageControl, &QTabWidget::currentChanged, this, [this] {
        if (PageControl->currentWidget() == TSPreview)
            RunCommand([this] { TSPreviewShow(); });
    });
    connect(EmbeddedWB, &TEmbeddedWB::DocumentComplete, this,
            [this](bool topFrame) { EmbeddedWBDocumentComplete(topFrame); });
}

void TFormSpelling::CheckMainDictionary() {
    if (QFile::exists(MainDictionaryPath()))
        return;
    if (AskYesNo("A required dictionary file is not installed. Would you like to install now?"))
        RunUpdater("DICT", "Dictionary");
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
}

// The lists are read when first needed rather than at start: reading a hundred thousand words
// would hold up the main window's first paint for a check the user may never run.
void TFormSpelling::LoadDictionaries() {
    if (dictionariesLoaded_)
        return;
    dictionariesLoaded_ = true;
    MainDictionary.LoadFromFile(MainDictionaryPath());
    UserDictionary.LoadFromFile(UserDictionaryPath());
}

bool TFormSpelling::CheckSpelling(QString& text, const QString& fileName, bool showCompletion) {
    LoadDictionaries();
    SetFileCaption(this, fileName);
    baseFile_ = fileName;
    WordSpans.clear();
    corrections_.clear();
    TWorkingCopy copy = MakeWorkingCopy(text);
    WorkText = std::move(copy.Text);
    ShowWorkText();
    CurrentSpan = -1;
    WordSpans = FindMisspellings(WorkText, MainDictionary, UserDictionary);
    spanSources_.clear();
    for (const TWordSpan& span : WordSpans) {
        const qsizetype first = copy.Origins[span.Start - 1];
        const qsizetype last = copy.Origins[span.Start + span.Length - 2];
        spanSources_.append({first, last - first + 1, {}});
    }
    spanChanged_ = QList<bool>(WordSpans.size(), false);
    if (WordSpans.isEmpty()) {
        ShowInfo("The HTML source contains no spelling errors.");
        return false;
    }
    if (exec() != QDialog::Accepted)
        return false;

    // The changes go into the given text where each word came from, so every character the
    // working copy left out stays as it was.
    for (int i = 0; i < WordSpans.size(); ++i) {
        if (spanChanged_[i])
            corrections_.append({spanSources_[i].Start, spanSources_[i].Length, SpanText(i)});
    }
    for (auto c = corrections_.crbegin(); c != corrections_.crend(); ++c)
        text.replace(c->Start, c->Length, c->Text);
    if (showCompletion)
        ShowInfo("Spell checking is complete.");
    return true;
}

void TFormSpelling::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    RunCommand([this] { FormShow(); });
}

void TFormSpelling::FormShow() {
    if (CurrentSpan < 0)
        ButtonIgnoreClick();
}

QString TFormSpelling::SpanText(int index) const {
    const TWordSpan& span = WordSpans[index];
    return WorkText.mid(span.Start - 1, span.Length);
}

void TFormSpelling::ReplaceSpan(int index, const QString& text) {
    TWordSpan& span = WordSpans[index];
    const qsizetype delta = text.size() - span.Length;
    WorkText.replace(span.Start - 1, span.Length, text);
    span.Length = text.size();
    for (int i = index + 1; i < WordSpans.size(); ++i)
        WordSpans[i].Start += delta;
    spanChanged_[index] = true;
}

void TFormSpelling::ShowWorkText() {
    // The view keeps one character for a line break; the working copy's are CR LF.
    RichEdit->setPlainText(QString(WorkText).remove(u'\r'));
}

void TFormSpelling::SelectCurrentSpan() {
    const TWordSpan& span = WordSpans[CurrentSpan];
    const qsizetype start = span.Start - 1;
    const qsizetype shownStart = start - QStringView(WorkText).first(start).count(u'\r');
    QTextCursor cursor = RichEdit->textCursor();
    cursor.setPosition(int(shownStart));
    cursor.setPosition(int(shownStart + span.Length), QTextCursor::KeepAnchor);
    RichEdit->setTextCursor(cursor);
    RichEdit->ensureCursorVisible();
}

void TFormSpelling::ButtonIgnoreClick() {
    for (;;) {
        ++CurrentSpan;
        if (CurrentSpan >= WordSpans.size()) {
            accept();
            return;
        }
        const QString word = SpanText(CurrentSpan);
        EditNotInDictionary->setText(word);
        if (IsKnownWord(word, MainDictionary, UserDictionary))
            continue;
        EditChangeTo->setText(word);
        ButtonChange->setEnabled(false);
        ButtonChangeAll->setEnabled(false);
        ButtonSuggestClick();
        SelectCurrentSpan();
        TSPreviewShow();
        return;
    }
}

void TFormSpelling::ButtonChangeClick() {
    ReplaceSpan(CurrentSpan, EditChangeTo->text());
    ShowWorkText();
    ButtonIgnoreClick();
}

void TFormSpelling::ButtonChangeAllClick() {
    const QString word = EditNotInDictionary->text();
    const QString replacement = EditChangeTo->text();
    for (int i = CurrentSpan; i < WordSpans.size(); ++i) {
        if (SpanText(i).compare(word, Qt::CaseInsensitive) == 0)
            ReplaceSpan(i, replacement);
    }
    ShowWorkText();
    ButtonIgnoreClick();
}

void TFormSpelling::ButtonSuggestClick() {
    ButtonSuggest->setEnabled(false);
    const TWordList suggestions =
        SuggestWords(EditChangeTo->text(), &MainDictionary, &UserDictionary);
    // Filling the list must not put a suggestion into "Change To".
    const QSignalBlocker blocker(ListView);
    ListView->clear();
    ListView->addItems(suggestions.Words());
}

void TFormSpelling::ButtonAddClick() {
    UserDictionary.Add(EditNotInDictionary->text());
    userDictionaryUnsaved_ = true;
    ButtonIgnoreClick();
    // The word counts as known for the rest of the run even when the file cannot be written.
    UserDictionary.SaveToFile(UserDictionaryPath());
    userDictionaryUnsaved_ = false;
}

void TFormSpelling::EditChangeToChange() {
    ButtonSuggest->setEnabled(true);
    ButtonChange->setEnabled(EditChangeTo->text() != EditNotInDictionary->text());
    ButtonChangeAll->setEnabled(ButtonChange->isEnabled());
}

void TFormSpelling::EditNotInDictionaryChange() {
    StatusPanel(StatusBar, 0)
        ->setText(LabelNotInDictionary->text() + ' ' + EditNotInDictionary->text());
}

void TFormSpelling::ListViewSelectItem(QListWidgetItem* item) {
    if (item)
        EditChangeTo->setText(item->text());
}

void TFormSpelling::TSPreviewShow() {
    // A browser that is not on screen would only load pages nobody sees.
    if (!EmbeddedWB->isVisible() || CurrentSpan < 0 || CurrentSpan >= WordSpans.size())
        return;
    const TWordSpan& span = WordSpans[CurrentSpan];
    const QString marked =
        QString("<FONT id=idFocus style=\"BACKGROUND-COLOR:#0000FF\" color=\"#ffffff\">%1</FONT>")
            .arg(EditNotInDictionary->text());
    // The page's own style sheets and pictures come from its folder, as the browser shows it.
    ShowHtmlPreview(*EmbeddedWB, QString(WorkText).replace(span.Start - 1, span.Length, marked),
                    baseFile_);
}

void TFormSpelling::EmbeddedWBDocumentComplete(bool topFrame) {
    if (topFrame)
        EmbeddedWB->ScrollElementIntoView("idFocus");
}
