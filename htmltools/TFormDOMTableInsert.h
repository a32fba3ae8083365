#pragma once

#include <QDialog>
#include <QString>
#include <optional>

class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;
class TEmbeddedWB;

// The "Table Wizard": the sizes of an empty HTML table, with the table shown live beside them.
// Made for one use, so it always opens with the defaults.
class TFormDOMTableInsert : public QDialog {
    Q_OBJECT

public:
    explicit TFormDOMTableInsert(QWidget* parent = nullptr);

    // The markup for the fields as they stand, every line ended by CR LF.
    // Throws EGlyphError when the rows or columns pass what a table may have.
    QString TableMarkup() const;
    bool SizeAllowed() const;

    // Writes the markup to the preview file and shows it.
    void ButtonApplyClick();
    void WebBrowserDocumentComplete(bool topFrame);

    QTabWidget* PageControl = nullptr;
    QWidget* TabSheetSettings = nullptr;
    QWidget* PaintBox1 = nullptr;
    QWidget* PaintBox2 = nullptr;
    QWidget* PaintBox3 = nullptr;
    QLineEdit* Edit1 = nullptr; // Width
    QLineEdit* Edit2 = nullptr; // Height
    QLineEdit* Edit3 = nullptr; // Columns
    QLineEdit* Edit4 = nullptr; // Rows
    QLineEdit* Edit5 = nullptr; // Cell Spacing
    QLineEdit* Edit6 = nullptr; // Cell Padding
    QLineEdit* Edit7 = nullptr; // Border
    TEmbeddedWB* WebBrowser = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonApply = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Runs the wizard modally; the markup when it is closed with OK.
std::optional<QString> RunTableWizard(QWidget* parent = nullptr);

// Where the wizard's preview page is written.
QString TablePreviewFilePath();
