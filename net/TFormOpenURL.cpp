#include "net/TFormOpenURL.h"
#include "common/Translation.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// "host:8080/page" has no scheme even though a URL parser reads "host" as one.
bool StartsWithHostAndPort(const QString& text) {
    static const QRegularExpression hostAndPort(QStringLiteral("^[^/:?#@]+:\\d+([/?#]|$)"));
    return hostAndPort.match(text).hasMatch();
}

} // namespace

TParsedURL TParsedURL::Parse(const QString& text) {
    const QUrl url(text, QUrl::TolerantMode);
    TParsedURL parts;
    parts.Scheme = url.scheme();
    parts.UserName = url.userName(QUrl::FullyEncoded);
    parts.Password = url.password(QUrl::FullyEncoded);
    parts.Host = url.host(QUrl::FullyEncoded);
    parts.Port = url.port();
    const QString path = url.path(QUrl::FullyEncoded);
    const qsizetype cut = path.lastIndexOf('/') + 1;
    parts.Path = path.left(cut);
    parts.Document = path.mid(cut);
    parts.Params = url.query(QUrl::FullyEncoded);
    parts.Bookmark = url.fragment(QUrl::FullyEncoded);
    return parts;
}

QString TParsedURL::FullURL() const {
    QString text = Scheme + QStringLiteral("://");
    if (!UserName.isEmpty() || !Password.isEmpty()) {
        text += UserName;
        if (!Password.isEmpty())
            text += ':' + Password;
        text += '@';
    }
    text += Host;
    if (Port >= 0)
        text += ':' + QString::number(Port);
    const QString path = Path + Document;
    if (!path.isEmpty() && !path.startsWith('/') && !Host.isEmpty())
        text += '/';
    text += path;
    if (!Params.isEmpty())
        text += '?' + Params;
    if (!Bookmark.isEmpty())
        text += '#' + Bookmark;
    return text;
}

TParsedURL CompleteURL(const QString& address) {
    QString text = address.trimmed();
    if (StartsWithHostAndPort(text))
        text.prepend(QStringLiteral("http://"));
    TParsedURL parts = TParsedURL::Parse(text);
    if (parts.Scheme.isEmpty())
        parts.Scheme = QStringLiteral("http");
    // Typed without a scheme, the host stands at the front of what the parser read as a path.
    if (parts.Host.isEmpty()) {
        parts.Host = parts.Path + parts.Document;
        parts.Path.clear();
        parts.Document.clear();
    }
    if (parts.Host.isEmpty())
        parts.Host = QStringLiteral("LocalHost");
    const QUrl joined = QUrl(parts.FullURL(), QUrl::TolerantMode);
    // Parts no parser accepts stay as joined; the download then reports that address.
    if (!joined.isValid())
        return parts;
    return TParsedURL::Parse(joined.adjusted(QUrl::NormalizePathSegments).toString());
}

TFormOpenURL::TFormOpenURL(QWidget* parent) : QDialog(parent) {
    setObjectName("FormOpenURL");
    setWindowTitle(tr("Open URL"));
    auto* label = new QLabel(tr("&Address:"), this);
    EditURL = new QLineEdit(this);
    EditURL->setObjectName("EditURL");
    label->setBuddy(EditURL);
    ButtonOK = new QPushButton(tr("OK"), this);
    ButtonOK->setObjectName("ButtonOK");
    ButtonOK->setDefault(true);
    ButtonOK->setEnabled(false);
    ButtonCancel = new QPushButton(tr("Cancel"), this);
    ButtonCancel->setObjectName("ButtonCancel");
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(EditURL, &QLineEdit::textChanged, this, &TFormOpenURL::EditURLChange);

    auto* address = new QHBoxLayout;
    address->addWidget(label);
    address->addWidget(EditURL, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(address);
    layout->addLayout(buttons);
    setMinimumWidth(420);
    setSizeGripEnabled(false);
    TranslateComponent(this);
}

bool TFormOpenURL::ExecuteOpenURL() {
    EditURL->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    ParsedURL = CompleteURL(EditURL->text());
    return true;
}

void TFormOpenURL::EditURLChange(const QString& text) {
    ButtonOK->setEnabled(!text.trimmed().isEmpty());
}
