#include "htmltools/TFormDOMTableInsert.h"

#include "common/AppHelpers.h"
#include "common/FileUtils.h"
#include "common/GlyphErrors.h"
#include "common/Paths.h"
#include "common/TEmbeddedWB.h"

#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// A section heading: a gradient from the button shadow to the button face with its text in
// bold, the look of the FTP window's pane headers.
class TGradientBand : public QWidget {
public:
    TGradientBand(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
        setFixedHeight(20);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QColor from = palette().color(QPalette::Dark);
        const QColor to = palette().color(QPalette::Button);
        constexpr int Steps = 32;
        for (int i = 0; i < Steps; ++i) {
            const auto mix = [&](int a, int b) { return a + (b - a) * i / (Steps - 1); };
            const QColor colour(mix(from.red(), to.red()), mix(from.green(), to.green()),
                                mix(from.blue(), to.blue()));
            const int left = width() * i / Steps;
            const int right = width() * (i + 1) / Steps;
            painter.fillRect(left, 0, right - left, height(), colour);
        }
        QFont bold = font();
        bold.setBold(true);
        painter.setFont(bold);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(rect().adjusted(6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text_);
    }

private:
    QString text_;
};

// A count field: a text that is not an integer counts as 1.
int CountOf(const QLineEdit* edit) {
    bool ok = false;
    const int count = edit->text().toInt(&ok);
    return ok ? count : 1;
}

// Beyond these a table is no page anyone reads, and its text alone could fill the memory.
constexpr int kMaxRows = 1000;
constexpr int kMaxColumns = 100;

} // namespace

TFormDOMTableInsert::TFormDOMTableInsert(QWidget* parent) : QDialog(parent) {
    setObjectName("FormDOMTableInsert");
    setWindowTitle("Table Wizard");

    PageControl = new QTabWidget(this);
    TabSheetSettings = new QWidget(PageControl);
    TabSheetSettings->setObjectName("TabSheetSettings");
    PageControl->addTab(TabSheetSettings, "Settings");

    auto* fields = new QVBoxLayout;
    const auto section = [&](QWidget*& band, const char* name, const QString& text) {
        band = new TGradientBand(text, TabSheetSettings);
        band->setObjectName(name);
        fields->addWidget(band);
        auto* form = new QFormLayout;
        fields->addLayout(form);
        return form;
    };
    const auto field = [&](QFormLayout* form, QLineEdit*& edit, const char* name,
                           const QString& label, const QString& value) {
        edit = new QLineEdit(value, TabSheetSettings);
        edit->setObjectName(name);
        edit->setFixedWidth(60);
        edit->installEventFilter(this);
        form->addRow(label, edit);
    };
    QFormLayout* size = section(PaintBox1, "PaintBox1", "Table Size");
    field(size, Edit1, "Edit1", "Width:", "100%");
    field(size, Edit2, "Edit2", "Height:", "");
    QFormLayout* grid = section(PaintBox2, "PaintBox2", "Rows and Columns");
    field(grid, Edit3, "Edit3", "Columns:", "4");
    field(grid, Edit4, "Edit4", "Rows:", "4");
    QFormLayout* spacing = section(PaintBox3, "PaintBox3", "Spacing");
    field(spacing, Edit5, "Edit5", "Cell Spacing:", "2");
    field(spacing, Edit6, "Edit6", "Cell Padding:", "1");
    field(spacing, Edit7, "Edit7", "Border:", "1");
    fields->addStretch();

    WebBrowser = new TEmbeddedWB(TabSheetSettings);
    WebBrowser->setObjectName("WebBrowser");
    WebBrowser->setMinimumSize(260, 220);
    connect(WebBrowser, &TEmbeddedWB::DocumentComplete, this,
            [this](bool topFrame) { WebBrowserDocumentComplete(topFrame); });
    auto* page = new QHBoxLayout(TabSheetSettings);
    page->addLayout(fields);
    page->addWidget(WebBrowser, 1);

    ButtonOK = new QPushButton("OK", this);
    ButtonOK->setObjectName("ButtonOK");
    ButtonOK->setDefault(true);
    ButtonCancel = new QPushButton("Cancel", this);
    ButtonCancel->setObjectName("ButtonCancel");
    ButtonApply = new QPushButton("Apply", this);
    ButtonApply->setObjectName("ButtonApply");
    ButtonApply->hide();
    // Too large a table is refused with the dialog left open, so that the count can be mended.
    connect(ButtonOK, &QPushButton::clicked, this, [this] {
        RunCommand([this] {
            TableMarkup();
            accept();
        });
    });
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonApply, &QPushButton::clicked, this,
            [this] { RunCommand([this] { ButtonApplyClick(); }); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonApply);
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(560, 320)));
}

QString TFormDOMTableInsert::TableMarkup() const {
    const QString eol = QStringLiteral("\r\n");
    QString markup =
        QStringLiteral("<TABLE width=\"%1\" height=\"%2\" cellSpacing=\"%3\" cellPadding=\"%4\" "
                       "border=\"%5\">")
            .arg(Edit1->text(), Edit2->text(), Edit5->text(), Edit6->text(), Edit7->text()) +
        eol;
    if (!SizeAllowed())
        throw EGlyphError(QStringLiteral("A table can have at most 1,000 rows and 100 columns."));
    const int rows = CountOf(Edit4);
    const int columns = CountOf(Edit3);
    for (int row = 0; row < rows; ++row) {
        markup += "<TR>" + eol;
        for (int column = 0; column < columns; ++column)
            markup += "<TD>&nbsp;</TD>" + eol;
        markup += "</TR>" + eol;
    }
    return markup + "</TABLE>" + eol;
}

bool TFormDOMTableInsert::SizeAllowed() const {
    return CountOf(Edit4) <= kMaxRows && CountOf(Edit3) <= kMaxColumns;
}

void TFormDOMTableInsert::ButtonApplyClick() {
    if (!SizeAllowed())
        return; // OK says why; the preview keeps the last table that could be made
    const QString fileName = TablePreviewFilePath();
    SaveTextToFile(TableMarkup(), fileName);
    WebBrowser->Navigate(fileName);
}

void TFormDOMTableInsert::WebBrowserDocumentComplete(bool topFrame) {
    // The preview is a picture of the table: no scroll bars over it. Today's engines ignore
    // the old "scroll" attribute; the style says the same to them.
    if (topFrame)
        WebBrowser->SetBodyAttribute("style", "overflow: hidden");
}

bool TFormDOMTableInsert::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && qobject_cast<QLineEdit*>(watched))
        RunCommand([this] { ButtonApplyClick(); });
    return QDialog::eventFilter(watched, event);
}

std::optional<QString> RunTableWizard(QWidget* parent) {
    TFormDOMTableInsert form(parent);
    RunCommand([&] { form.ButtonApplyClick(); });
    if (form.exec() != QDialog::Accepted)
        return std::nullopt;
    return form.TableMarkup();
}

QString TablePreviewFilePath() {
    return ProductDataFilePath("temp.htm");
}
