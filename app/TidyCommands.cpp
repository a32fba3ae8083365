// The Validate HTML, Tidy HTML and Tidy Properties commands of the main window, and the Messages
// page they report on.

#include "app/TFormGlyphon.h"
#include "common/AppHelpers.h"
#include "common/GlyphErrors.h"
#include "common/Translation.h"
#include "editor/TGlyphEditView.h"
#include "htmltools/TFormTidyProperties.h"

#include <QDockWidget>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <climits>

namespace {

struct TTidyMessagePlace {
    int Line = 0;
    int Column = 0;
    QString Text;
};

int NumberAfterFirstSpace(const QString& piece) {
    const qsizetype space = piece.indexOf(' ');
    bool ok = false;
    const int value = space < 0 ? 0 : piece.mid(space + 1).trimmed().toInt(&ok);
    if (!ok)
        throw EGlyphError(QStringLiteral("'%1' is not a valid integer value").arg(piece));
    return value;
}

// "Line %d, Column %d - %s: %s" read back; only the first two pieces need to be numbers, so
// hyphens and commas in the rest do no harm.
TTidyMessagePlace ParseTidyMessage(const QString& message) {
    QString text = message;
    text.replace(',', '\n').replace('-', '\n');
    QStringList pieces = text.split('\n');
    for (QString& piece : pieces)
        piece = piece.trimmed();
    if (pieces.size() < 3)
        throw EGlyphError(QStringLiteral("Not a Tidy message"));
    return {NumberAfterFirstSpace(pieces.at(0)), NumberAfterFirstSpace(pieces.at(1)), pieces.at(2)};
}

} // namespace

TFormTidyProperties& TFormGlyphon::TidyProperties() {
    if (!FormTidyProperties)
        FormTidyProperties = std::make_unique<TFormTidyProperties>();
    return *FormTidyProperties;
}

void TFormGlyphon::ConnectTidyCommands() {
    const auto bind = [this](QAction* item, void (TFormGlyphon::*handler)()) {
        item->setEnabled(true);
        connect(item, &QAction::triggered, this,
                [this, handler] { RunTidyCommand([&] { (this->*handler)(); }); });
    };
    bind(MIValidateHTML, &TFormGlyphon::MIValidateHTMLClick);
    bind(MITidyHTML, &TFormGlyphon::MITidyHTMLClick);
    bind(MITidyProperties, &TFormGlyphon::MITidyPropertiesClick);
    // The icon shows only in the menu; the style's images are read when it first opens.
    connect(MIFormat, &QMenu::aboutToShow, this, [this] {
        if (MIValidateHTML->icon().isNull())
            MIValidateHTML->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    });
    connect(ListBoxErrors, &QListWidget::itemClicked, this,
            [this] { RunCommand([this] { ListBoxErrorsClick(); }); });
}

bool TFormGlyphon::ShowTidyMessages(const QString& text) {
    ListBoxErrors->clear();
    const QString trimmed = text.trimmed();
    if (!trimmed.isEmpty())
        ListBoxErrors->addItems(trimmed.split(QStringLiteral("\r\n")));
    if (ListBoxErrors->count() == 0) {
        ShowTidyMessages(QStringLiteral("The HTML source has been validated and no errors were "
                                        "found."));
        ShowInfo(ListBoxErrors->item(0)->text());
        return false;
    }
    ShowPreviewPaneWithRoom();
    PageControl->setTabVisible(PageControl->indexOf(TSErrors), true);
    PageControl->setCurrentWidget(TSErrors);
    ListBoxErrors->setCurrentRow(ListBoxErrors->count() - 1);
    ListBoxErrorsClick();
    // The editor keeps the keyboard, so that Undo and typing work on at once.
    GlyphEditView->setFocus();
    return true;
}

void TFormGlyphon::MIValidateHTMLClick() {
    QString messages;
    TidyProperties().ValidateWithTidy(GlyphEdit.Text(), messages);
    if (ShowTidyMessages(messages))
        ShowInfo(QStringLiteral(
            "The HTML source contains errors. See error messages for more details."));
}

void TFormGlyphon::MITidyHTMLClick() {
    if (!DocumentCanBeRewritten() || TextIsBlank())
        return;
    QString text = GlyphEdit.Text();
    QString messages;
    if (!TidyProperties().RunTidy(text, messages)) {
        ShowTidyMessages(messages);
        RaiseError(
            QStringLiteral("The HTML Tidy operation failed. See error messages for more details."));
    }
    ReplaceDocumentText(text);
    ShowTidyMessages(
        QStringLiteral("HTML Tidy Completed. Click [Undo] to return to your original source."));
    ShowInfo(ListBoxErrors->item(0)->text());
}

void TFormGlyphon::MITidyPropertiesClick() {
    TidyProperties().ShowTidyOptions(QString());
}

void TFormGlyphon::ListBoxErrorsClick() {
    const QListWidgetItem* item = ListBoxErrors->currentItem();
    if (!item)
        return;
    TTidyMessagePlace place;
    try {
        place = ParseTidyMessage(item->text());
    } catch (const EGlyphError&) {
        return; // a status text names no line
    }
    // The editor keeps the line within the document: line 0 is the first, past the end the last.
    GlyphEdit.SetSelectionStart({0, place.Line});
    GlyphEdit.SetSelectionEnd({INT_MAX, place.Line});
    GlyphEdit.SetCaretXYEx(GlyphEdit.SelectionStart(), false);
    GlyphEdit.ScrollCaretIntoView();
    GlyphEditView->setFocus();
}
