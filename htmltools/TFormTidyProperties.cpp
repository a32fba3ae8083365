#include "htmltools/TFormTidyProperties.h"

#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/ControlHelpers.h"
#include "common/FileUtils.h"
#include "common/GlyphErrors.h"
#include "common/Paths.h"
#include "common/SettingsIni.h"
#include "common/ShellUtils.h"
#include "common/Translation.h"
#include "editor/GlyphEditViewLink.h"
#include "editor/TGlyphEditView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <limits>

namespace {

const QString StringTable = QStringLiteral("STRING_TABLE");
constexpr int TidyInfoLevel = 0;
const QStringList Encodings = {"ascii", "latin1", "raw", "utf8", "iso2022", "mac", "win1252"};

const char* const EncodingHint =
    "This option specifies the character encoding Tidy uses for both the input \r\nand output. "
    "For ascii, Tidy will accept Latin-1 (ISO-8859-1) character values, \r\nbut will use "
    "entities for all characters whose value > 127. For raw, Tidy will \r\noutput values above "
    "127 without translating them into entities. For latin1, \r\ncharacters above 255 will be "
    "written as entities. For utf8, Tidy assumes that \r\nboth input and output is encoded as "
    "UTF-8. You can use iso2022 for files \r\nencoded using the ISO-2022 family of encodings "
    "e.g. ISO-2022-JP. For mac \r\nand win1252, Tidy will accept vendor specific character "
    "values, but will use \r\nentities for all characters whose value > 127. ";

QCheckBox* AddCheckBox(QWidget* page, QLayout* layout, const QString& caption, const char* name,
                       bool checked, const char* hint = nullptr) {
    auto* box = new QCheckBox(caption, page);
    box->setObjectName(name);
    box->setChecked(checked);
    if (hint)
        box->setToolTip(QString::fromUtf8(hint));
    layout->addWidget(box);
    return box;
}

// A group of a page with the small picture the dialog shows beside its options.
QGroupBox* AddGroup(QWidget* page, QVBoxLayout* pageLayout, const QString& title,
                    QStyle::StandardPixmap icon, QVBoxLayout*& inner) {
    auto* group = new QGroupBox(title, page);
    auto* row = new QHBoxLayout(group);
    auto* picture = new QLabel(group);
    picture->setPixmap(page->style()->standardIcon(icon).pixmap(32, 32));
    picture->setAlignment(Qt::AlignTop);
    row->addWidget(picture);
    inner = new QVBoxLayout;
    row->addLayout(inner, 1);
    pageLayout->addWidget(group);
    return group;
}

QPushButton* AddTestButton(QWidget* page, QVBoxLayout* layout, const char* name) {
    layout->addStretch(1);
    auto* button = new QPushButton(QStringLiteral("Test"), page);
    button->setObjectName(name);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(button);
    layout->addLayout(row);
    return button;
}

QComboBox* AddEncodingList(QWidget* parent, QVBoxLayout* layout, const char* name) {
    auto* panel = new QWidget(parent);
    panel->setToolTip(QString::fromUtf8(EncodingHint));
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("Char Encoding:"), panel));
    auto* box = new QComboBox(panel);
    box->setObjectName(name);
    box->addItems(Encodings);
    box->setCurrentIndex(2);
    row->addWidget(box, 1);
    layout->addWidget(panel);
    return box;
}

QByteArray Flag(const QCheckBox* box) {
    return box->isChecked() ? "1" : "0";
}

// The encoding named by a list's selected item; throws Error (translated) when none is.
QByteArray SelectedEncoding(const QComboBox* box, const char* error) {
    const int index = box->currentIndex();
    if (index < 0 || index >= Encodings.size())
        throw EGlyphError(TranslateText(QString::fromLatin1(error), StringTable));
    // The name is Tidy's, whatever a translation made of the item's text.
    return Encodings.at(index).toLatin1();
}

QString LevelName(int level) {
    static const char* const names[] = {"Info",  "Warninig",     "Config",     "Access",
                                        "Error", "Bad Document", "Fatal Error"};
    return level >= 0 && level < 7 ? QString::fromLatin1(names[level]) : QString();
}

// Number in decimal digits written into Buffer, without the allocation of a QString each.
QStringView Digits(int number, QChar (&buffer)[16]) {
    char digits[16];
    const char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    for (const char* digit = digits; digit != end; ++digit)
        buffer[digit - digits] = QLatin1Char(*digit);
    return QStringView(buffer, end - digits);
}

// Tidy's line breaks, the same inside server-side blocks as around them. One pass: a page of
// many lines would otherwise be moved once per CR LF.
QString WithLineFeeds(const QString& text) {
    if (!text.contains(u'\r'))
        return text;
    QString out(text.size(), Qt::Uninitialized);
    QChar* to = out.data();
    for (const QChar* from = text.cbegin(); from != text.cend(); ++from) {
        if (*from != u'\r')
            *to++ = *from;
        else if (from + 1 == text.cend() || from[1] != u'\n')
            *to++ = u'\n';
    }
    out.truncate(to - out.constData());
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Free helpers

std::optional<int> TidyTabSize(int itemIndex, const QString& text) {
    if (itemIndex >= 0 && itemIndex < 8)
        return itemIndex + 1;
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (ok && value >= 1 && value <= 12)
        return value;
    return std::nullopt;
}

TTidyMessageFormat::TTidyMessageFormat(const QString& format, qsizetype argCount)
    : format_(format) {
    qsizetype next = 0;
    qsizetype from = 0;
    for (qsizetype at = format.indexOf(u'%'); at >= 0 && at + 1 < format.size() && next < argCount;
         at = format.indexOf(u'%', at + 1)) {
        const QChar kind = format.at(at + 1);
        if (kind != u'd' && kind != u's')
            continue;
        pieces_.append({from, at - from, -1});
        pieces_.append({0, 0, next++});
        from = at + 2;
        at = from - 1;
    }
    pieces_.append({from, format.size() - from, -1});
}

void TTidyMessageFormat::AppendTo(QString& out, const QStringView* args) const {
    const auto part = [&](const TPiece& piece) {
        return piece.Arg < 0 ? QStringView(format_).mid(piece.From, piece.Size) : args[piece.Arg];
    };
    // Sized once and filled in place: one growth check per message, not one per piece. The
    // room grows by half again when it runs out, as messages keep coming.
    qsizetype size = out.size();
    for (const TPiece& piece : pieces_)
        size += part(piece).size();
    const qsizetype start = out.size();
    if (size > out.capacity())
        out.reserve(std::max(size, out.capacity() + out.capacity() / 2));
    out.resize(size);
    QChar* to = out.data() + start;
    for (const TPiece& piece : pieces_) {
        const QStringView text = part(piece);
        to = std::copy(text.begin(), text.end(), to);
    }
}

QString FormatTidyMessage(const QString& format, const QStringList& args) {
    const QList<QStringView> views(args.cbegin(), args.cend());
    QString out;
    TTidyMessageFormat(format, args.size()).AppendTo(out, views.constData());
    return out;
}

// ---------------------------------------------------------------------------------------------
// The dialog

TFormTidyProperties::TFormTidyProperties(QWidget* parent) : QDialog(parent) {
    setObjectName("FormTidyProperties");
    setWindowTitle(QStringLiteral("Tidy Options"));
    CreateControls();
    ConnectHandlers();
    TranslateComponent(this);
    FormCreate();
}

TFormTidyProperties::~TFormTidyProperties() {
    RunCommand([this] { FormDestroy(); });
    // The views work on the editors, which go before the child widgets would.
    delete GlyphEditPreviewBeforeView;
    delete GlyphEditPreviewAfterView;
    afterHighlighting_.reset();
    beforeHighlighting_.reset();
}

void TFormTidyProperties::CreateControls() {
    auto* layout = new QVBoxLayout(this);
    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    layout->addWidget(PageControl, 1);
    tsHTMLOptions = CreateHTMLOptionsPage();
    tsWrapping = CreateWrappingPage();
    tsAccessibilityOptions = CreateAccessibilityPage();
    tsFileOptions = CreateFileOptionsPage();
    tsPreviewBefore = CreatePreviewPage(GlyphEditPreviewBefore, GlyphEditPreviewBeforeView,
                                        "GlyphEditPreviewBefore");
    tsPreviewAfter = CreatePreviewPage(GlyphEditPreviewAfter, GlyphEditPreviewAfterView,
                                       "GlyphEditPreviewAfter");
    const struct {
        QWidget* page;
        const char* name;
        const char* caption;
    } pages[] = {{tsHTMLOptions, "tsHTMLOptions", "HTML Options"},
                 {tsWrapping, "tsWrapping", "Text Wrap"},
                 {tsAccessibilityOptions, "tsAccessibilityOptions", "Accessibility Options"},
                 {tsFileOptions, "tsFileOptions", "File Options"},
                 {tsPreviewBefore, "tsPreviewBefore", "Before"},
                 {tsPreviewAfter, "tsPreviewAfter", "After"}};
    for (const auto& p : pages) {
        p.page->setObjectName(p.name);
        PageControl->addTab(p.page, QString::fromLatin1(p.caption));
    }

    auto* buttons = new QHBoxLayout;
    const auto button = [&](const char* caption, const char* name) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    ButtonRestoreDefaults = button("Defaults", "ButtonRestoreDefaults");
    ButtonPreview = button("Preview", "ButtonPreview");
    buttons->addStretch(1);
    ButtonOK = button("OK", "ButtonOK");
    ButtonCancel = button("Cancel", "ButtonCancel");
    ButtonOK->setDefault(true);
    layout->addLayout(buttons);
    setSizeGripEnabled(false);
    setFixedSize(QSize(520, 440));
}

QWidget* TFormTidyProperties::CreateHTMLOptionsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QVBoxLayout* g = nullptr;
    AddGroup(page, layout, QStringLiteral("HTML Formatting"), QStyle::SP_FileDialogDetailedView, g);
    cbUppercaseTags =
        AddCheckBox(page, g, "Uppercase Tags", "cbUppercaseTags", true,
                    "This option specifies if Tidy should output tag names in upper case.");
    cbUppercaseAttributes =
        AddCheckBox(page, g, "Uppercase Attributes", "cbUppercaseAttributes", true,
                    "This option specifies if Tidy should output attribute names in upper case.");
    CBBreakBeforeBR = AddCheckBox(page, g, "Break before <BR>", "CBBreakBeforeBR", false,
                                  "This option specifies if Tidy should output a line break "
                                  "before each <BR> element. ");
    CBIndent = AddCheckBox(
        page, g, "Indent Tags", "CBIndent", false,
        "This option specifies if Tidy should indent block-level tags. \r\nIf set to \"auto\", "
        "this option causes Tidy to decide whether or not to indent \r\nthe content of tags such "
        "as TITLE, H1-H6, LI, TD, TD, or P depending \r\non whether or not the content includes "
        "a block-level element. \r\nYou are advised to avoid setting indent to yes as this can "
        "expose \r\nlayout bugs in some browsers. ");
    CBDropEmptyParas = AddCheckBox(
        page, g, "Remove empty paragraphs", "CBDropEmptyParas", true,
        "This option specifies if Tidy should discard empty paragraphs. If set to no, empty "
        "paragraphs are replaced by a pair of <BR> elements as HTML4 precludes empty "
        "paragraphs. ");
    CBWord2000 = AddCheckBox(
        page, g, "Strip MS Word 2000 tags", "CBWord2000", true,
        "This option specifies if Tidy should go to great pains to strip out all the surplus "
        "\r\nstuff Microsoft Word 2000 inserts when you save Word documents as \r\n\"Web "
        "pages\". Doesn't handle embedded images or VML.");
    CBBare = AddCheckBox(
        page, g, "Strip Microsoft specific HTML", "CBBare", true,
        "This option specifies if Tidy should strip Microsoft specific HTML from \r\nWord 2000 "
        "documents, and output spaces rather than non-breaking \r\nspaces where they exist in "
        "the input.");
    CBFixBadComments = AddCheckBox(
        page, g, "Fix Bad Comments", "CBFixBadComments", false,
        "This option specifies if Tidy should replace unexpected hyphens with \"=\" characters "
        "when it comes across adjacent hyphens. The default is yes. This option is provided for "
        "users of Cold Fusion which uses the comment syntax: <!--- --->");
    CBFixURI = AddCheckBox(
        page, g, "Fix URLs", "CBFixURI", false,
        "This option specifies if Tidy should check attribute values that carry URIs for "
        "illegal characters and if such are found, escape them as HTML 4 recommends. ");
    CBClean = AddCheckBox(
        page, g, "Replace fonts with styles", "CBClean", true,
        "This option specifies if Tidy should strip out surplus presentational tags and "
        "\r\nattributes replacing them by style rules and structural markup as appropriate. "
        "\r\nIt works well on the HTML saved by Microsoft Office products.");
    // Stored and applied like the others, but never offered to the user.
    cbTidyMark = AddCheckBox(page, g, "Hidden Option - Include Tidy mark", "cbTidyMark", false);
    cbTidyMark->setVisible(false);
    cbTidyMark->setEnabled(false);
    ButtonHTMLOptionsTest = AddTestButton(page, layout, "ButtonHTMLOptionsTest");
    return page;
}

QWidget* TFormTidyProperties::CreateWrappingPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QVBoxLayout* g = nullptr;
    AddGroup(page, layout, QStringLiteral("Text Wrapping"), QStyle::SP_ArrowRight, g);
    cbEnableTextWrapping =
        AddCheckBox(page, g, "Enable Text Wrapping", "cbEnableTextWrapping", false,
                    "This option specifies if tidy should wrap the HTML it generates.");
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Wrap Width"), page));
    EditWrapWidth = new QLineEdit(QStringLiteral("80"), page);
    EditWrapWidth->setObjectName("EditWrapWidth");
    EditWrapWidth->setFixedWidth(60);
    row->addWidget(EditWrapWidth);
    // The up-down arrows of the edit box: only the spin box's buttons show.
    udWrapWidth = new QSpinBox(page);
    udWrapWidth->setObjectName("udWrapWidth");
    udWrapWidth->setRange(0, 100);
    udWrapWidth->setSingleStep(1);
    udWrapWidth->setValue(80);
    udWrapWidth->setFixedWidth(udWrapWidth->sizeHint().height());
    if (auto* numbers = udWrapWidth->findChild<QLineEdit*>())
        numbers->setVisible(false);
    row->addWidget(udWrapWidth);
    row->addStretch(1);
    g->addLayout(row);

    AddGroup(page, layout, QStringLiteral("Text Wrap Options"), QStyle::SP_FileDialogListView, g);
    cbWrapAttributes = AddCheckBox(
        page, g, "Wrap HTML Attributes", "cbWrapAttributes", false,
        "This option specifies if Tidy should line wrap attribute values, for easier editing. "
        "This option can be set independently of wrap-script-literals.");
    CBWrapSections = AddCheckBox(page, g, "Wrap HTML Sections", "CBWrapSections", false,
                                 "This option specifies if Tidy should line wrap text contained "
                                 "within <![ ... ]> section tags.");
    cbWrapASP = AddCheckBox(page, g, "Wrap ASP Scripts", "cbWrapASP", false,
                            "This option specifies if Tidy should line wrap text contained "
                            "within ASP pseudo elements, which look like: <% ... %>. ");
    cbWrapPHP = AddCheckBox(page, g, "Wrap PHP Scripts", "cbWrapPHP", false,
                            "This option specifies if Tidy should line wrap text contained "
                            "within PHP pseudo elements, which look like: <?php ... ?>.");
    cbWrapLiterals = AddCheckBox(
        page, g, "Wrap SCRIPT string literals", "cbWrapLiterals", false,
        "This option specifies if Tidy should line wrap string literals that appear in script "
        "attributes. Tidy wraps long script string literals by inserting a backslash character "
        "before the line break.");
    cbWrapJSTE = AddCheckBox(page, g, "Wrap JSTE Scripts", "cbWrapJSTE", false,
                             "This option specifies if Tidy should line wrap text contained "
                             "within JSTE pseudo elements, which look like: <# ... #>. ");
    ButtonTextWrapTest = AddTestButton(page, layout, "ButtonTextWrapTest");
    return page;
}

QWidget* TFormTidyProperties::CreateAccessibilityPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QVBoxLayout* g = nullptr;
    AddGroup(page, layout, QStringLiteral("Image ALT Text"), QStyle::SP_MessageBoxInformation, g);
    CBAltText = AddCheckBox(page, g, "Automatically provide image ALT text", "CBAltText", false);
    EditAltText = new QLineEdit(page);
    EditAltText->setObjectName("EditAltText");
    g->addWidget(EditAltText);
    ButtonAccessibilityTest = AddTestButton(page, layout, "ButtonAccessibilityTest");
    return page;
}

QWidget* TFormTidyProperties::CreateFileOptionsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QVBoxLayout* g = nullptr;
    AddGroup(page, layout, QStringLiteral("Input File Options"), QStyle::SP_DialogOpenButton, g);
    auto* tabPanel = new QWidget(page);
    tabPanel->setToolTip(QStringLiteral(
        "This option specifies the number of columns that Tidy uses between \r\nsuccessive tab "
        "stops. It is used to map tabs to spaces when reading the \r\ninput. Tidy never outputs "
        "tabs. "));
    auto* row = new QHBoxLayout(tabPanel);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("Tab Size:"), tabPanel));
    CBTabSize = new QComboBox(tabPanel);
    CBTabSize->setObjectName("CBTabSize");
    CBTabSize->setEditable(true);
    CBTabSize->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 1; i <= 8; ++i)
        CBTabSize->addItem(QString::number(i));
    CBTabSize->setCurrentIndex(0);
    row->addWidget(CBTabSize, 1);
    g->addWidget(tabPanel);
    CBInputEncoding = AddEncodingList(page, g, "CBInputEncoding");
    AddGroup(page, layout, QStringLiteral("Output File Options"), QStyle::SP_DialogSaveButton, g);
    CBOutputEncoding = AddEncodingList(page, g, "CBOutputEncoding");
    ButtonFileOptionsTest = AddTestButton(page, layout, "ButtonFileOptionsTest");
    return page;
}

QWidget* TFormTidyProperties::CreatePreviewPage(TGlyphEdit& edit, TGlyphEditView*& view,
                                                const QString& name) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    view = new TGlyphEditView(edit, page);
    view->setObjectName(name);
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    view->setFont(font);
    view->Gutter().SetVisible(false);
    edit.SetOptions(edit.Options() | eoNoSelection);
    edit.SetReadOnly(true);
    auto highlighting = std::make_unique<TGlyphEditHighlighting>(edit);
    LinkHighlightingToView(*highlighting, *view, edit);
    highlighting->SetHighlighter(&previewHighlighter_);
    view->SetHighlighter(&previewHighlighter_);
    (&edit == &GlyphEditPreviewBefore ? beforeHighlighting_ : afterHighlighting_) =
        std::move(highlighting);
    layout->addWidget(view);
    return page;
}

void TFormTidyProperties::ConnectHandlers() {
    for (QCheckBox* box :
         {cbUppercaseTags, cbUppercaseAttributes, CBBreakBeforeBR, CBIndent, CBDropEmptyParas,
          CBWord2000, CBBare, CBFixBadComments, CBFixURI, CBClean, cbWrapAttributes, CBWrapSections,
          cbWrapASP, cbWrapPHP, cbWrapLiterals, cbWrapJSTE})
        connect(box, &QCheckBox::clicked, this, [this] { CheckBoxClick(); });
    connect(cbEnableTextWrapping, &QCheckBox::clicked, this,
            [this] { cbEnableTextWrappingClick(); });
    connect(CBAltText, &QCheckBox::clicked, this, [this] { CBAltTextClick(); });
    connect(EditWrapWidth, &QLineEdit::textChanged, this, [this] { EditWrapWidthChange(); });
    connect(EditAltText, &QLineEdit::textChanged, this, [this] { EditAltTextChange(); });
    connect(udWrapWidth, &QSpinBox::valueChanged, this, [this](int value) {
        if (EditWrapWidth->text() != QString::number(value))
            EditWrapWidth->setText(QString::number(value));
    });
    // Only digits can be typed into the wrap width and the tab size.
    const auto* digits = new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this);
    EditWrapWidth->setValidator(digits);
    CBTabSize->setValidator(digits);
    CBTabSize->installEventFilter(this);
    CBTabSize->lineEdit()->installEventFilter(this);
    connect(ButtonRestoreDefaults, &QPushButton::clicked, this,
            [this] { RunTidyCommand([this] { ButtonRestoreDefaultsClick(); }); });
    connect(ButtonPreview, &QPushButton::clicked, this,
            [this] { RunTidyCommand([this] { ButtonPreviewClick(); }); });
    for (QPushButton* test : {ButtonHTMLOptionsTest, ButtonTextWrapTest, ButtonAccessibilityTest,
                              ButtonFileOptionsTest})
        connect(test, &QPushButton::clicked, this,
                [this] { RunTidyCommand([this] { ButtonAccessibilityTestClick(); }); });
    connect(PageControl, &QTabWidget::currentChanged, this, [this](int index) {
        if (PageControl->widget(index) == tsPreviewAfter)
            RunTidyCommand([this] { tsPreviewAfterShow(); });
    });
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

// ---------------------------------------------------------------------------------------------
// Life of the dialog

void TFormTidyProperties::FormCreate() {
    // Long hints stay up while the mouse is over their control.
    for (QWidget* w : findChildren<QWidget*>()) {
        if (!w->toolTip().isEmpty())
            w->setToolTipDuration(std::numeric_limits<int>::max());
    }
    SaveControlValues(this, DefaultValues);
    TIniControlValueStore settings(SettingsIni());
    LoadControlValues(this, settings);
    PageControl->setCurrentWidget(tsHTMLOptions);
}

void TFormTidyProperties::FormDestroy() {
    if (SavedAtExit)
        return;
    SavedAtExit = true;
    TIniControlValueStore settings(SettingsIni());
    SettingsIni().Batch([&] { SaveControlValues(this, settings); });
}

void TFormTidyProperties::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFormTidyProperties::FormShow() {
    if (CBTabSize->currentIndex() < 0)
        CBTabSize->setCurrentIndex(0);
}

bool TFormTidyProperties::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == CBTabSize || watched == CBTabSize->lineEdit()) &&
        event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason &&
        !CBTabSize->hasFocus())
        CBTabSizeExit();
    return QDialog::eventFilter(watched, event);
}

bool TFormTidyProperties::ShowTidyOptions(const QString& sample) {
    const bool withSample = !sample.isEmpty();
    // A hidden page is disabled too, or Ctrl+Tab would still turn to it.
    for (QWidget* page : {tsPreviewBefore, tsPreviewAfter}) {
        PageControl->setTabVisible(PageControl->indexOf(page), withSample);
        PageControl->setTabEnabled(PageControl->indexOf(page), withSample);
    }
    if (withSample)
        GlyphEditPreviewBefore.SetText(sample);
    AfterIsStale = withSample;
    for (QPushButton* b : {ButtonPreview, ButtonHTMLOptionsTest, ButtonTextWrapTest,
                           ButtonAccessibilityTest, ButtonFileOptionsTest})
        b->setEnabled(withSample);
    PageControl->setCurrentWidget(tsHTMLOptions);
    const bool ok = exec() == QDialog::Accepted;
    TIniControlValueStore settings(SettingsIni());
    if (ok)
        SettingsIni().Batch([&] { SaveControlValues(this, settings); });
    else
        LoadControlValues(this, settings);
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Handlers

void TFormTidyProperties::CheckBoxClick() {
    AfterIsStale = true;
}

void TFormTidyProperties::cbEnableTextWrappingClick() {
    const bool on = cbEnableTextWrapping->isChecked();
    SetEditEnabled(EditWrapWidth, on);
    udWrapWidth->setEnabled(on);
    for (QCheckBox* box :
         {cbWrapAttributes, CBWrapSections, cbWrapASP, cbWrapPHP, cbWrapLiterals, cbWrapJSTE})
        box->setEnabled(on);
    AfterIsStale = true;
}

void TFormTidyProperties::CBAltTextClick() {
    SetEditEnabled(EditAltText, CBAltText->isChecked());
    AfterIsStale = true;
}

void TFormTidyProperties::EditWrapWidthChange() {
    bool ok = false;
    const int value = EditWrapWidth->text().toInt(&ok);
    if (ok && value >= udWrapWidth->minimum() && value <= udWrapWidth->maximum()) {
        const QSignalBlocker blocker(udWrapWidth);
        udWrapWidth->setValue(value);
    }
    AfterIsStale = true;
}

void TFormTidyProperties::EditAltTextChange() {
    AfterIsStale = true;
}

void TFormTidyProperties::CBTabSizeExit() {
    bool ok = false;
    const int value = CBTabSize->currentText().trimmed().toInt(&ok);
    const QString text = QString::number(ok ? std::clamp(value, 1, 12) : 1);
    // The item of that number is selected, so a run uses the tab size the box shows.
    const int item = CBTabSize->findText(text);
    CBTabSize->setCurrentIndex(item);
    CBTabSize->setEditText(text);
}

void TFormTidyProperties::ButtonRestoreDefaultsClick() {
    LoadControlValues(this, DefaultValues);
    AfterIsStale = true;
    RefreshAfterPage();
}

void TFormTidyProperties::tsPreviewAfterShow() {
    RefreshAfterPage();
}

void TFormTidyProperties::RefreshAfterPage() {
    if (!AfterIsStale)
        return;
    QString text = GlyphEditPreviewBefore.Text();
    QString messages;
    if (RunTidy(text, messages) && !text.isEmpty()) {
        const int top = GlyphEditPreviewAfter.TopLine();
        GlyphEditPreviewAfter.SetText(text);
        GlyphEditPreviewAfter.SetTopLine(top);
        AfterIsStale = false;
    } else {
        GlyphEditPreviewAfter.SetText(TranslateText(
            QStringLiteral("This document cannot be previewed.\r\nIt may contain too many errors "
                           "to be tidied."),
            StringTable));
    }
}

QString TFormTidyProperties::WritePreviewFile() {
    RefreshAfterPage();
    const QString file = UserFilePath(TUserFolder::Cache, QStringLiteral("twt_preview.html"));
    SaveTextToFile(GlyphEditPreviewAfter.Text(), file);
    return file;
}

void TFormTidyProperties::ButtonAccessibilityTestClick() {
    ShellOpen(WritePreviewFile());
}

void TFormTidyProperties::ButtonPreviewClick() {
    const QString file = WritePreviewFile();
    const QString program =
        EditorProgram.isEmpty() ? QCoreApplication::applicationFilePath() : EditorProgram;
    // A new instance of the editor shows the tidied sample; failing that, its own program.
    if (!QProcess::startDetached(program, {file}))
        ShellOpenOrOpenWith(file);
}

// ---------------------------------------------------------------------------------------------
// Running Tidy

QList<TTidyOption> TFormTidyProperties::ApplyTidyOptions() const {
    QList<TTidyOption> rows = {
        {"break-before-br", Flag(CBBreakBeforeBR)},
        {"bare", Flag(CBBare)},
        {"clean", Flag(CBClean)},
        {"word-2000", Flag(CBWord2000)},
        {"indent", Flag(CBIndent)},
        {"uppercase-tags", Flag(cbUppercaseTags)},
        {"uppercase-attributes", Flag(cbUppercaseAttributes)},
        {"drop-empty-paras", Flag(CBDropEmptyParas)},
        {"fix-bad-comments", Flag(CBFixBadComments)},
        {"fix-uri", Flag(CBFixURI)},
        {"tidy-mark", Flag(cbTidyMark)},
    };
    if (cbEnableTextWrapping->isChecked()) {
        bool ok = false;
        const int width = EditWrapWidth->text().toInt(&ok);
        if (!ok)
            throw EGlyphError(
                QStringLiteral("'%1' is not a valid integer value").arg(EditWrapWidth->text()));
        rows.append(TTidyOption{"wrap", QByteArray::number(width)});
        rows.append(TTidyOption{"wrap-attributes", Flag(cbWrapAttributes)});
        rows.append(TTidyOption{"wrap-asp", Flag(cbWrapASP)});
        rows.append(TTidyOption{"wrap-php", Flag(cbWrapPHP)});
        rows.append(TTidyOption{"wrap-jste", Flag(cbWrapJSTE)});
        rows.append(TTidyOption{"wrap-script-literals", Flag(cbWrapLiterals)});
        rows.append(TTidyOption{"wrap-sections", Flag(CBWrapSections)});
    } else {
        rows.append(TTidyOption{"wrap", "0"});
    }
    if (CBAltText->isChecked())
        rows.append(TTidyOption{"alt-text", EditAltText->text().toUtf8()});
    if (const auto tabSize = TidyTabSize(CBTabSize->currentIndex(), CBTabSize->currentText()))
        rows.append(TTidyOption{"tab-size", QByteArray::number(*tabSize)});
    rows.append(
        TTidyOption{"input-encoding", SelectedEncoding(CBInputEncoding, "Invalid Input encoding")});
    rows.append(TTidyOption{"output-encoding",
                            SelectedEncoding(CBOutputEncoding, "Invalid Output encoding")});
    rows.append(TTidyOption{"force-output", "1"});
    return rows;
}

void TFormTidyProperties::AddTidyMessage(int level, int line, int column, const QString& message) {
    if (!TidyMessages)
        return;
    QString text;
    text.reserve(64 + message.size());
    AppendTidyMessage(text, level, line, column, message);
    TidyMessages->append(text);
}

void TFormTidyProperties::AppendTidyMessage(QString& out, int level, int line, int column,
                                            QStringView message) {
    if (!messageWords_) {
        QStringList levels;
        for (int i = 0; i < 7; ++i)
            levels.append(TranslateText(LevelName(i), StringTable));
        messageWords_ = TMessageWords{
            TTidyMessageFormat(
                TranslateText(QStringLiteral("Line %d, Column %d - %s: %s"), StringTable), 4),
            levels};
    }
    const QString name = level >= 0 && level < messageWords_->Levels.size()
                             ? messageWords_->Levels.at(level)
                             : TranslateText(LevelName(level), StringTable);
    QChar lineDigits[16], columnDigits[16];
    const QStringView args[] = {Digits(line, lineDigits), Digits(column, columnDigits), name,
                                message};
    messageWords_->Format.AppendTo(out, args);
}

TTidyHelperResult TFormTidyProperties::RunTidyOn(const QString& text, TServerBlocks& blocks,
                                                 TTidyWanted wanted, QString& messages) {
    // Tidy stops reading at the first NUL, and its shorter output would replace the whole text.
    if (text.contains(QChar(0)))
        throw EGlyphError(TranslateText(
            QStringLiteral("The document holds NUL characters, which HTML Tidy cannot read. "
                           "Remove them and try again."),
            StringTable));
    QList<TTidyOption> options = ApplyTidyOptions();
    // Tidy is told the truth about the bytes it reads and writes; the user's output choice is
    // applied afterwards, where Tidy's own would garble scripts and drop characters.
    for (TTidyOption& option : options) {
        if (option.Name == "input-encoding" || option.Name == "output-encoding")
            option.Value = "utf8";
    }
    const QByteArray bytes = ProtectServerBlocks(WithLineFeeds(text), blocks).toUtf8();
    // The words are looked up again in the next run: the language may change between runs.
    const auto freeWords = qScopeGuard([this] { messageWords_.reset(); });
    // A big broken page brings hundreds of thousands of messages: each is written onto the end
    // of one string as it arrives, while Tidy goes on, and keeps no string of its own.
    QString written;
    TTidyHelperResult result = RunTidyHelper(bytes, options, wanted, [&](TTidyMessage&& m) {
        // libtidy adds a note on the kind of document to every run; it is no finding of
        // the page, and with it no page would ever validate clean.
        if (m.Level == TidyInfoLevel && m.Line == 0)
            return;
        AppendTidyMessage(written, m.Level, m.Line, m.Column, m.Text);
        written += QLatin1String("\r\n");
    });
    messages = std::move(written);
    return result;
}

bool TFormTidyProperties::RunTidy(QString& text, QString& messages) {
    const QByteArray outputEncoding = SelectedEncoding(CBOutputEncoding, "Invalid Output encoding");
    TServerBlocks blocks;
    QString found;
    const TTidyHelperResult result = RunTidyOn(text, blocks, TTidyWanted::TextAndMessages, found);
    const bool wroteNothing = result.Text.isEmpty() && !text.trimmed().isEmpty();
    text = RestoreServerBlocks(
        WriteAsReferencesOutside(QString::fromUtf8(result.Text), outputEncoding), blocks);
    messages = std::move(found);
    return !wroteNothing;
}

void TFormTidyProperties::ValidateWithTidy(const QString& text, QString& messages) {
    TServerBlocks blocks;
    RunTidyOn(text, blocks, TTidyWanted::MessagesOnly, messages);
}
