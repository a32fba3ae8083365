#pragma once

#include <QDialog>

class QCheckBox;
class QListWidget;
class QPushButton;
class QTabWidget;
class TColorGrid;
class TGlyphCustomHighlighter;
class TGlyphHighlighterAttributes;

// The highlighting colours dialog: the foreground, background and font style of each syntax
// element of one highlighter, changed live, with the built-in colours a click away.
class TFormGlyphCustomHighlighter : public QDialog {
    Q_OBJECT

public:
    explicit TFormGlyphCustomHighlighter(QWidget* parent = nullptr);

    // Edits the highlighter, whose colours are stored under its class name; true when the user
    // accepted. Anything else puts back the colours it had when the dialog opened.
    bool EditColours(TGlyphCustomHighlighter& highlighter, const QString& className);

    QTabWidget* PageControl = nullptr;
    QListWidget* ListBox = nullptr;
    QCheckBox* CheckBox1 = nullptr; // bold
    QCheckBox* CheckBox2 = nullptr; // italic
    QCheckBox* CheckBox3 = nullptr; // underline
    QCheckBox* CheckBox4 = nullptr; // default foreground
    QCheckBox* CheckBox5 = nullptr; // default background
    TColorGrid* ColorGrid = nullptr;
    QPushButton* ButtonOK = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QPushButton* ButtonPopulate = nullptr;
    QPushButton* ButtonDefault = nullptr;

    void ButtonPopulateClick();
    void ListBoxClick();
    void ColorGridChange();
    void StyleBoxClick(QCheckBox* box, unsigned styleBit);
    void UseDefaultsBoxClick(QCheckBox* box, bool foreground);
    void ButtonDefaultClick();

private:
    TGlyphHighlighterAttributes* Selected() const;
    void ShowUseDefaults();

    TGlyphCustomHighlighter* highlighter_ = nullptr;
    QString className_;
};
