// The HTML insert commands: the Insert menu, the Style and Size drop-downs, the formatting
// buttons, the colour command and Shift+Enter, all writing through InsertTemplate.

#include "app/InsertCommands.h"

#include "app/TFormGlyphon.h"
#include "app/TFormInsertLink.h"
#include "common/AppHelpers.h"
#include "common/FileDialogs.h"
#include "common/HtmlColors.h"
#include "common/Prompts.h"
#include "editor/TGlyphEditView.h"
#include "htmltools/ColorDialog.h"
#include "htmltools/TFormDOMTableInsert.h"
#include "htmltools/TFormSelectActiveX.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace {

// The commands that only wrap the selection, by item name.
struct TTemplateItem {
    const char* Name;
    const char* Template;
};
constexpr TTemplateItem TemplateItems[] = {
    {"MIInsertHead", "<HEAD>?</HEAD>"},
    {"MIInsertTitle", "<TITLE>?</TITLE>"},
    {"MIInsertMeta", "<META name=\"?\" content=\"\">"},
    {"MIInsertBold", "<B>?</B>"},
    {"MIInsertItalic", "<I>?</I>"},
    {"MIInsertUnderline", "<U>?</U>"},
    {"MIInsertStrikeout", "<STRIKE>?</STRIKE>"},
    {"MIAlignLeft", "<P align=left>?</P>"},
    {"MIAlignCenter", "<P align=center>?</P>"},
    {"MIAlignRight", "<P align=right>?</P>"},
    {"MIOpenTag", "<?>"},
    {"MICloseTag", "</?>"},
    {"MILineBreak", "<BR>?"},
    {"MIFullLineBreak", "<BR clear=all>?"},
    {"MIHorizontalRule", "<HR>?"},
    {"MIBulletedList", "<UL><LI>?</LI></UL>"},
    {"MINumberedList", "<OL><LI>?</LI></OL>"},
    {"MIMailTo", "<A href=\"mailto:?\">Email Me</A>"},
    {"MIIFrame", "<IFRAME src=\"?\"></IFRAME>"},
    {"MIDIVElement", "<DIV>?</DIV>"},
    {"MIMarquee", "<MARQUEE>?</MARQUEE>"},
};

// The Style drop-down's items and what each inserts.
constexpr TTemplateItem StyleItems[] = {
    {"Normal", "<P>?</P>"},
    {"Formatted", "<PRE>?</PRE>"},
    {"Address", "<ADDRESS>?</ADDRESS>"},
    {"Heading 1", "<H1>?</H1>"},
    {"Heading 2", "<H2>?</H2>"},
    {"Heading 3", "<H3>?</H3>"},
    {"Heading 4", "<H4>?</H4>"},
    {"Heading 5", "<H5>?</H5>"},
    {"Heading 6", "<H6>?</H6>"},
    {"Numbered List", "<OL><LI>?</LI></OL>"},
    {"Bulleted List", "<UL><LI>?</LI></UL>"},
    {"Definition Term", "<DL><DT>?</DT></DL>"},
    {"Definition", "<DD>?</DD>"},
};

const char* const SizeItems[] = {"8", "10", "12", "14", "18", "24", "36"};

// A value written inside a double-quoted attribute: a quote would end the attribute early.
QString QuotedAttributeText(QString value) {
    return value.replace('"', QLatin1String("&quot;"));
}

// A path written as an address in an attribute. A "?" would start the address's query (and
// take the selection in the template); escaped, the browser finds the file.
QString AddressAttributeText(QString path) {
    return QuotedAttributeText(path.replace('?', QLatin1String("%3F")));
}

const QString InsertLinkCaption = QStringLiteral("Insert Link");

// A typed address written in an attribute. Its "?" (a query) stays a "?" for the browser but
// not for the template, where it stands for the selection.
QString UrlAttributeText(QString address) {
    address.replace('&', QLatin1String("&amp;"));
    address.replace('"', QLatin1String("&quot;"));
    address.replace('<', QLatin1String("&lt;"));
    address.replace('>', QLatin1String("&gt;"));
    return address.replace('?', QLatin1String("&#63;"));
}

} // namespace

QString DocumentRelativePath(const QString& documentFileName, const QString& fileName) {
    const QString file = QDir::cleanPath(QFileInfo(fileName).absoluteFilePath());
    if (!documentFileName.contains('/'))
        return file;
    const QString folder = QFileInfo(documentFileName).absolutePath();
    // The first folder below the root must be the same, or climbing leads through the root.
    const QString documentTop = folder.section('/', 1, 1);
    if (documentTop.isEmpty() || file.section('/', 1, 1) != documentTop)
        return file;
    return QDir(folder).relativeFilePath(file);
}

QString FillTemplate(const QString& format, const QStringList& values) {
    QString result;
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const bool field = format.at(i) == '%' && i + 1 < format.size() &&
                           (format.at(i + 1) == 's' || format.at(i + 1) == 'd');
        if (field && next < values.size()) {
            result += values.at(next++);
            ++i;
        } else {
            result += format.at(i);
        }
    }
    return result;
}

void TFormGlyphon::InsertTemplate(const QString& templateText) {
    // A read-only editor keeps its text; the caret stays where it is too.
    if (GlyphEdit.ReadOnly())
        return;
    QString text = templateText;
    text.replace('?', GlyphEdit.SelectedText());
    GlyphEdit.SetSelectedText(text);
    const qsizetype placeholder = templateText.indexOf('?') + 1;
    GlyphEdit.SetCaretX(GlyphEdit.CaretX() + int(placeholder - templateText.size()));
    GlyphEdit.SetSelectionAnchor(GlyphEdit.CaretXY());
    GlyphEdit.ScrollCaretIntoView();
}

void TFormGlyphon::ReplaceDocumentText(const QString& text) {
    // Selecting all is no change of the text, so it is not recorded.
    GlyphEdit.SuspendUndoRecording();
    GlyphEdit.SelectAll();
    GlyphEdit.ResumeUndoRecording();
    GlyphEdit.SetSelectedText(text);
}

void TFormGlyphon::ConnectInsertCommands() {
    const auto bind = [this](QAction* item, const std::function<void()>& handler) {
        connect(item, &QAction::triggered, this, [handler] { RunCommand(handler); });
    };
    for (const TTemplateItem& entry : TemplateItems) {
        const QString templateText = QString::fromUtf8(entry.Template);
        bind(findChild<QAction*>(entry.Name),
             [this, templateText] { InsertTemplate(InDocumentCase(templateText)); });
    }
    const auto sameAs = [this, &bind](QAction* button, const char* name) {
        bind(button, [this, name] { ClickMenuItem(findChild<QAction*>(name)); });
    };
    sameAs(TBBold, "MIInsertBold");
    sameAs(TBItalic, "MIInsertItalic");
    sameAs(TBUnderline, "MIInsertUnderline");
    sameAs(TBStrikeout, "MIInsertStrikeout");
    sameAs(TBLeft, "MIAlignLeft");
    sameAs(TBCenter, "MIAlignCenter");
    sameAs(TBRight, "MIAlignRight");

    bind(findChild<QAction*>("MIHTMLColor"), [this] { MIHTMLColorClick(); });
    bind(findChild<QAction*>("MIImage"), [this] { MIImageClick(); });
    bind(findChild<QAction*>("MIAnchor"), [this] { MIAnchorClick(); });
    bind(findChild<QAction*>("MIHyperlink"), [this] { MIHyperlinkClick(); });
    bind(findChild<QAction*>("MILinkToFile"), [this] {
        InsertFileTemplate("<A href=\"%s\">%s</A>?",
                           RunOpenFileDialog(InsertDialogStart(), {}, {}, InsertLinkCaption));
    });
    bind(findChild<QAction*>("MIJavaApplet"), [this] {
        InsertFileTemplate(
            "<APPLET code=\"%s\" width=100 height=100 align=bottom>\n?</APPLET>",
            RunOpenFileDialog(InsertDialogStart(),
                              "Java Applet Files (*.class)|*.class|All Files (*.*)|*.*|", {},
                              QStringLiteral("Insert Java Applet")));
    });
    bind(findChild<QAction*>("MIEmbeddedPlugin"), [this] {
        InsertFileTemplate("<EMBED src=\"%s\" width=100 height=100>?",
                           RunOpenFileDialog(InsertDialogStart(), {}, {},
                                             QStringLiteral("Insert Embedded Plugin")));
    });
    bind(findChild<QAction*>("MIActiveXControl"), [this] { MIActiveXControlClick(); });
    bind(findChild<QAction*>("MITable"), [this] { MITableClick(); });

    for (const TTemplateItem& entry : StyleItems)
        TBStyle->addItem(entry.Name);
    for (const char* size : SizeItems)
        TBSize->addItem(size);
    // After a choice the keyboard goes back to the page, where the tag went in.
    connect(TBStyle, &TDropDownPicker::Chosen, this, [this](int index) {
        RunCommand([this, index] { TBStyleSelect(index); });
        GlyphEditView->setFocus();
    });
    connect(TBSize, &TDropDownPicker::Chosen, this, [this](int index) {
        RunCommand([this, index] { TBSizeSelect(index); });
        GlyphEditView->setFocus();
    });

    GlyphEdit.OnKeyDown = [this](TCustomGlyphEdit*, int& key, Qt::KeyboardModifiers& modifiers) {
        if (CompletionKeyDown(key, modifiers))
            key = 0;
        else
            GlyphEditKeyDown(key, modifiers);
    };
}

void TFormGlyphon::TBStyleSelect(int index) {
    if (index >= 0 && index < int(std::size(StyleItems)))
        InsertTemplate(InDocumentCase(QString::fromUtf8(StyleItems[index].Template)));
}

void TFormGlyphon::TBSizeSelect(int index) {
    if (index >= 0 && index < int(std::size(SizeItems)))
        InsertTemplate(
            FillTemplate(InDocumentCase("<FONT size=%d>?</FONT>"), {QString::number(index + 1)}));
}

void TFormGlyphon::GlyphEditKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && modifiers.testFlag(Qt::ShiftModifier))
        RunCommand([this] { GlyphEdit.SetSelectedText("<BR>"); });
}

void TFormGlyphon::InsertFileTemplate(const QString& format,
                                      const std::optional<QString>& fileName) {
    if (!fileName)
        return;
    // The link text is element content: there a "?" is written as its character reference,
    // so that it is not taken for the place of the selection.
    QString name = QFileInfo(*fileName).fileName();
    name.replace('?', QLatin1String("&#63;"));
    InsertTemplate(FillTemplate(
        InDocumentCase(format),
        {AddressAttributeText(DocumentRelativePath(DocumentFileName, *fileName)), name}));
}

void TFormGlyphon::MIHyperlinkClick() {
    if (!FormInsertLink) {
        FormInsertLink = new TFormInsertLink(this);
        FormInsertLink->OnBrowse = [this]() -> std::optional<QString> {
            const std::optional<QString> file = RunOpenFileDialog(
                InsertDialogStart(),
                "HTML Files (*.htm)|*.htm;*.html;*.shtml;*.asp|All Files (*.*)|*.*|", {},
                InsertLinkCaption);
            if (!file)
                return std::nullopt;
            return DocumentRelativePath(DocumentFileName, *file);
        };
    }
    FormInsertLink->Clear();
    if (Prompts().RunDialog(*FormInsertLink) != QDialog::Accepted)
        return;
    const QString address = FormInsertLink->Address();
    QString href;
    if (FormInsertLink->AddressIsBrowsedFile())
        href = AddressAttributeText(address);
    else if (IsLinkAddress(address))
        href = UrlAttributeText(address);
    else
        return;
    InsertTemplate(FillTemplate(InDocumentCase("<A href=\"%s\">?</A>"), {href}));
}

void TFormGlyphon::MIImageClick() {
    // A picture without alt text fails every accessibility check.
    InsertFileTemplate("<IMG src=\"%s\" alt=\"\">?",
                       RunPictureDialog(InsertDialogStart(), QStringLiteral("Insert Image")));
}

QString TFormGlyphon::InsertDialogStart() const {
    const QFileInfo document(DocumentFileName);
    if (document.isAbsolute() && document.dir().exists())
        return document.absolutePath() + '/';
    return QDir::homePath() + '/';
}

void TFormGlyphon::MIAnchorClick() {
    const std::optional<QString> name =
        Prompts().InputBox("Insert Anchor", "Enter anchor name:", QString());
    // A "?" in the name is a placeholder like any other in the template.
    if (name)
        InsertTemplate(
            FillTemplate(InDocumentCase("<A name=\"%s\">?</A>"), {QuotedAttributeText(*name)}));
}

void TFormGlyphon::MIActiveXControlClick() {
    if (const std::optional<TActiveXControl> control = RunActiveXChooser(this))
        InsertTemplate(FillTemplate(
            InDocumentCase("<OBJECT classid=\"clsid:%s\" border=0 width=564 height=308>?</OBJECT>"),
            {QuotedAttributeText(control->ClassId)}));
}

void TFormGlyphon::MITableClick() {
    if (const std::optional<QString> markup = RunTableWizard(this))
        InsertTemplate(*markup);
}

void TFormGlyphon::MIHTMLColorClick() {
    QColorDialog& dialog = ColorDialog();
    if (GlyphEdit.HasSelection())
        dialog.setCurrentColor(HtmlToColor(GlyphEdit.SelectedText()));
    if (const std::optional<QColor> colour = Prompts().ChooseColor(dialog)) {
        GlyphEdit.SetSelectedText(ColorToHtml(*colour));
        GlyphEdit.ScrollCaretIntoView();
    }
}
