#include "app/TFormInsertLink.h"

#include "common/Translation.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>

bool IsLinkAddress(const QString& address) {
    const QString text = address.trimmed();
    if (text.isEmpty() || text.contains(QRegularExpression("[\\x00-\\x1F\\x7F]")))
        return false;
    if (text.startsWith('#'))
        return text.size() > 1;
    // A scheme is letters before a colon; a Windows drive letter is not one here.
    static const QRegularExpression scheme("^([A-Za-z][A-Za-z0-9+.-]*):");
    const QRegularExpressionMatch match = scheme.match(text);
    if (!match.hasMatch())
        return true; // a path from the document's folder
    const QString name = match.captured(1).toLower();
    if (name == "mailto")
        return text.size() > qsizetype(qstrlen("mailto:"));
    if (name != "http" && name != "https" && name != "ftp")
        return false;
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty();
}

TFormInsertLink::TFormInsertLink(QWidget* parent) : QDialog(parent) {
    setObjectName("FormInsertLink");
    setWindowTitle("Insert Link");
    auto* layout = new QGridLayout(this);
    auto* label = new QLabel("&Address:", this);
    EditAddress = new QLineEdit(this);
    EditAddress->setObjectName("EditAddress");
    EditAddress->setPlaceholderText("https://, mailto:, ftp:// or #anchor");
    EditAddress->setMinimumWidth(fontMetrics().averageCharWidth() * 50);
    label->setBuddy(EditAddress);
    ButtonBrowse = new QPushButton("&Browse...", this);
    ButtonBrowse->setObjectName("ButtonBrowse");
    ButtonBrowse->setAutoDefault(false);
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(label, 0, 0);
    layout->addWidget(EditAddress, 0, 1);
    layout->addWidget(ButtonBrowse, 0, 2);
    layout->addWidget(Buttons, 1, 0, 1, 3);
    layout->setColumnStretch(1, 1);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    connect(EditAddress, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    connect(ButtonBrowse, &QPushButton::clicked, this, [this] {
        if (!OnBrowse)
            return;
        if (const std::optional<QString> path = OnBrowse()) {
            browsed_ = *path;
            EditAddress->setText(*path);
        }
        EditAddress->setFocus();
    });
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    UpdateButtons();
    TranslateComponent(this);
}

void TFormInsertLink::Clear() {
    browsed_.clear();
    EditAddress->clear();
    EditAddress->setFocus();
}

QString TFormInsertLink::Address() const {
    return EditAddress->text().trimmed();
}

bool TFormInsertLink::AddressIsBrowsedFile() const {
    return !browsed_.isEmpty() && EditAddress->text() == browsed_;
}

void TFormInsertLink::UpdateButtons() {
    Buttons->button(QDialogButtonBox::Ok)
        ->setEnabled(AddressIsBrowsedFile() || IsLinkAddress(EditAddress->text()));
}
