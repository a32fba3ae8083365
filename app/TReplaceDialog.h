#pragma once

#include "app/TFindDialog.h"

// The modeless replace dialog: the find dialog with a replacement text and the Replace and
// Replace All buttons. It keeps its own texts and settings, apart from the find dialog's.
class TReplaceDialog : public TFindDialog {
    Q_OBJECT

public:
    explicit TReplaceDialog(QWidget* parent = nullptr);

    QString ReplaceText() const;
    void SetReplaceText(const QString& text);

    QLineEdit* EditReplace = nullptr;
    QPushButton* ButtonReplace = nullptr;
    QPushButton* ButtonReplaceAll = nullptr;

protected:
    void UpdateButtons() override;
};
