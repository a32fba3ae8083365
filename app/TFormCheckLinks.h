#pragma once

#include "app/LinkChecker.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

// The Check Links dialog: the folder whose pages are checked, and whether remote addresses are
// asked too. It keeps its fields from one use to the next.
class TFormCheckLinks : public QDialog {
    Q_OBJECT

public:
    explicit TFormCheckLinks(QWidget* parent = nullptr);

    void Prepare(const QString& folder);
    TLinkCheckOptions Options() const;

    QLineEdit* EditFolder = nullptr;
    QPushButton* ButtonBrowse = nullptr;
    QCheckBox* CBRemote = nullptr;
    QPushButton* ButtonCheck = nullptr;
    QPushButton* ButtonCancel = nullptr;

private:
    void ButtonBrowseClick();
};
