#include "net/TFormFTPSite.h"

#include "common/AppHelpers.h"
#include "common/Paths.h"
#include "net/SitePasswords.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <fcntl.h>
#include <unistd.h>

namespace {
// The protocol box's entries in order, as Sites.ini keeps them.
const QStringList kProtocolKeys = {"FTP", "FTPS", "SFTP"};
const TFtpProtocol kProtocols[] = {TFtpProtocol::Ftp, TFtpProtocol::FtpsExplicit,
                                   TFtpProtocol::Sftp};

bool UsableSiteName(const QString& name) {
    // A line break would end the section's name line and start another.
    return !name.trimmed().isEmpty() && !name.contains('\r') && !name.contains('\n');
}
} // namespace

QString SitesFilePath() {
    return UserFilePath(TUserFolder::Config, "Sites.ini");
}

void ProtectSitesFile() {
    const QByteArray path = QFile::encodeName(SitesFilePath());
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT, 0600);
    if (fd >= 0)
        ::close(fd);
    QFile::setPermissions(SitesFilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

namespace {
bool SavedSite(const QString& site) {
    return UsableSiteName(site) && TIniFile(SitesFilePath()).SectionExists(site);
}

// Certificates accepted for sites never saved, by server, until the program ends.
QHash<QString, QByteArray>& UnsavedCertificates() {
    static QHash<QString, QByteArray> certificates;
    return certificates;
}

QString ServerKey(const TFtpServer& server) {
    return server.HostName.toLower() + ':' + QString::number(server.Port);
}
} // namespace

QByteArray ReadSiteCertificate(const QString& site, const TFtpServer& server) {
    if (!SavedSite(site))
        return UnsavedCertificates().value(ServerKey(server));
    return QByteArray::fromBase64(
        TIniFile(SitesFilePath()).ReadString(site, "Certificate").toLatin1());
}

void WriteSiteCertificate(const QString& site, const TFtpServer& server, const QByteArray& pem) {
    if (!SavedSite(site)) {
        UnsavedCertificates().insert(ServerKey(server), pem);
        return;
    }
    ProtectSitesFile();
    TIniFile(SitesFilePath()).WriteString(site, "Certificate", QString::fromLatin1(pem.toBase64()));
    ProtectSitesFile();
}

void RemoveSiteCertificate(const QString& site) {
    if (SavedSite(site))
        TIniFile(SitesFilePath()).DeleteKey(site, "Certificate");
}

TFormFTPSite::TFormFTPSite(QWidget* parent)
    : QDialog(parent), storage_(this, "TFormFTPSite", TFormStorage::TPlacement::NotStored) {
    setObjectName("TFormFTPSite");
    setWindowTitle("Connect to FTP Site");
    BuildControls();
    storage_.AddProperty(
        "CBSiteName.Text", [this] { return CBSiteName->currentText(); },
        [this](const QString& text) { CBSiteName->setEditText(text); });
    sites_ = std::make_unique<TIniFile>(SitesFilePath());
    passwords_ = new TSitePasswords(*sites_, this);
    connect(passwords_, &TSitePasswords::KeptInFile, this,
            [this](const QString&, const QString& reason) {
                ShowPasswordNote(QString("The keyring did not take the password (%1). It is kept "
                                         "in Sites.ini, which only you can read.")
                                     .arg(reason));
            });
    NotePasswordPlace();
    ReadSiteNames();
    storage_.Restore();
    CBSiteNameChange();
    EditHostNameChange();
}

TFormFTPSite::~TFormFTPSite() = default;

void TFormFTPSite::BuildControls() {
    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget;
    tabs->addTab(page, "Settings");

    auto* nameGroup = new QGroupBox(" FTP Site Name ");
    CBSiteName = new QComboBox;
    CBSiteName->setObjectName("CBSiteName");
    CBSiteName->setEditable(true);
    CBSiteName->setInsertPolicy(QComboBox::NoInsert);
    CBSiteName->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Room for a site's name in the dialog's own font, at any text size.
    CBSiteName->setMinimumContentsLength(20);
    CBSiteName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ButtonSave = new QPushButton("Save");
    ButtonSave->setObjectName("ButtonSave");
    ButtonRemove = new QPushButton("Remove");
    ButtonRemove->setObjectName("ButtonRemove");
    auto* nameRow = new QHBoxLayout(nameGroup);
    nameRow->addWidget(CBSiteName, 1);
    nameRow->addWidget(ButtonSave);
    nameRow->addWidget(ButtonRemove);

    auto* details = new QGroupBox(" Site Details ");
    // Labels beside their fields keep the dialog low enough for a small screen at a large text
    // size.
    auto* form = new QFormLayout(details);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto addField = [form](const QString& label, QWidget* field) { form->addRow(label, field); };
    EditHostName = new QLineEdit;
    EditHostName->setObjectName("EditHostName");
    // The longest label stands above its field, so that it does not widen the label column.
    form->addRow(new QLabel("Hostname: (Example = ftp.example.com)"));
    form->addRow(EditHostName);
    EditUsername = new QComboBox;
    EditUsername->setObjectName("EditUsername");
    EditUsername->setEditable(true);
    EditUsername->addItem("anonymous");
    EditUsername->setEditText({});
    addField("Username:", EditUsername);
    EditPassword = new QLineEdit;
    EditPassword->setObjectName("EditPassword");
    EditPassword->setEchoMode(QLineEdit::Password);
    CBShowPassword = new QCheckBox("Show password");
    CBShowPassword->setObjectName("CBShowPassword");
    auto* passwordRow = new QHBoxLayout;
    passwordRow->addWidget(EditPassword, 1);
    passwordRow->addWidget(CBShowPassword);
    form->addRow("Password:", passwordRow);
    LabelPasswordNote = new QLabel;
    LabelPasswordNote->setObjectName("LabelPasswordNote");
    LabelPasswordNote->setWordWrap(true);
    LabelPasswordNote->hide();
    form->addRow(LabelPasswordNote);
    EditRemote = new QLineEdit;
    EditRemote->setObjectName("EditRemote");
    addField("Default Remote Path:", EditRemote);
    EditLocal = new QLineEdit;
    EditLocal->setObjectName("EditLocal");
    addField("Default Local Path:", EditLocal);
    CBProtocol = new QComboBox;
    CBProtocol->setObjectName("CBProtocol");
    CBProtocol->addItems({"FTP", "FTP with explicit TLS (FTPS)", "SFTP"});
    // The open list shows the entries whole; the closed box need not be as wide as the longest.
    CBProtocol->setMinimumContentsLength(12);
    CBProtocol->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    CBPassive = new QCheckBox("Passive mode");
    CBPassive->setObjectName("CBPassive");
    CBPassive->setChecked(true); // works behind NAT, where the server cannot connect back
    auto* protocolRow = new QHBoxLayout;
    protocolRow->addWidget(CBProtocol, 1);
    protocolRow->addWidget(CBPassive);
    form->addRow("Protocol:", protocolRow);
    ButtonForgetCertificate = new QPushButton("Forget Accepted Certificate");
    ButtonForgetCertificate->setObjectName("ButtonForgetCertificate");
    ButtonForgetCertificate->setEnabled(false);
    auto* forgetRow = new QHBoxLayout;
    forgetRow->addWidget(ButtonForgetCertificate);
    forgetRow->addStretch();
    form->addRow(forgetRow);

    // On a screen too low for the whole page at the text size in use, the page scrolls.
    auto* content = new QWidget;
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->addWidget(nameGroup);
    contentLayout->addWidget(details);
    contentLayout->addStretch();
    scroll_ = new QScrollArea;
    scroll_->setWidget(content);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(scroll_);

    ButtonConnect = new QPushButton("Connect");
    ButtonConnect->setObjectName("ButtonConnect");
    ButtonConnect->setDefault(true);
    ButtonConnect->setEnabled(false);
    ButtonCancel = new QPushButton("Cancel");
    ButtonCancel->setObjectName("ButtonCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonConnect);
    buttons->addWidget(ButtonCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(buttons);

    connect(CBSiteName, &QComboBox::editTextChanged, this, [this] { CBSiteNameChange(); });
    connect(CBSiteName, &QComboBox::currentIndexChanged, this, [this] { CBSiteNameChange(); });
    connect(EditHostName, &QLineEdit::textChanged, this, [this] { EditHostNameChange(); });
    // SSH has no data connections, so no mode to choose for them.
    connect(CBProtocol, &QComboBox::currentIndexChanged, this,
            [this](int index) { CBPassive->setEnabled(kProtocolKeys.value(index) != "SFTP"); });
    // What the user types wins over a password still on its way from the keyring.
    connect(EditPassword, &QLineEdit::textEdited, this, [this] {
        ++passwordRead_;
        readingPassword_ = false;
        EditHostNameChange();
    });
    connect(ButtonSave, &QPushButton::clicked, this,
            [this] { RunCommand([this] { ButtonSaveClick(); }); });
    connect(ButtonRemove, &QPushButton::clicked, this,
            [this] { RunCommand([this] { ButtonRemoveClick(); }); });
    connect(ButtonForgetCertificate, &QPushButton::clicked, this, [this] {
        RunCommand([this] {
            RemoveSiteCertificate(SavedName(CBSiteName->currentText()));
            CBSiteNameChange();
        });
    });
    connect(CBShowPassword, &QCheckBox::toggled, this, [this](bool shown) {
        EditPassword->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    connect(ButtonConnect, &QPushButton::clicked, this, [this] {
        AcceptResult();
        accept();
    });
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFormFTPSite::ReadSiteNames() {
    const QString text = CBSiteName->currentText();
    const QSignalBlocker block(CBSiteName);
    CBSiteName->clear();
    CBSiteName->addItems(sites_->ReadSections());
    CBSiteName->setEditText(text);
}

// The saved site Name stands for, found without regard to case; Name itself when none is saved.
QString TFormFTPSite::SavedName(const QString& name) const {
    for (const QString& section : sites_->ReadSections())
        if (section.compare(name, Qt::CaseInsensitive) == 0)
            return section;
    return name;
}

void TFormFTPSite::CBSiteNameChange() {
    const QString name = SavedName(CBSiteName->currentText());
    ButtonSave->setEnabled(UsableSiteName(name));
    ButtonRemove->setEnabled(ButtonSave->isEnabled() && sites_->SectionExists(name));
    ButtonForgetCertificate->setEnabled(ButtonRemove->isEnabled() &&
                                        sites_->ValueExists(name, "Certificate"));
    if (!ButtonRemove->isEnabled())
        return;
    EditHostName->setText(sites_->ReadString(name, "HostName"));
    EditUsername->setEditText(sites_->ReadString(name, "UserName"));
    LoadPassword(name);
    EditRemote->setText(sites_->ReadString(name, "RemotePath"));
    EditLocal->setText(sites_->ReadString(name, "LocalPath"));
    CBProtocol->setCurrentIndex(
        qMax(0, int(kProtocolKeys.indexOf(sites_->ReadString(name, "Protocol", "FTP")))));
    // Sites saved before the mode could be chosen keep active connections.
    CBPassive->setChecked(sites_->ReadBool(name, "Passive", false));
}

void TFormFTPSite::LoadPassword(const QString& name) {
    const int read = ++passwordRead_;
    readingPassword_ = true;
    EditPassword->clear();
    passwords_->Read(name, [this, read](const QString& password) {
        if (read != passwordRead_)
            return;
        readingPassword_ = false;
        EditPassword->setText(password);
        EditHostNameChange();
    });
    EditHostNameChange();
}

void TFormFTPSite::ShowPasswordNote(const QString& text) {
    LabelPasswordNote->setText(text);
    LabelPasswordNote->setVisible(!text.isEmpty());
    FitPasswordNote();
}

void TFormFTPSite::FitPasswordNote() {
    // A wrapped label inside a tab page is laid out at the height of some other width and cut
    // off; at a width of its own, fixed in characters, it knows the lines it needs, and wider
    // it only needs fewer.
    const int width = LabelPasswordNote->fontMetrics().averageCharWidth() * 40;
    LabelPasswordNote->setMinimumWidth(width);
    // Its height is settled here: the layouts need not ask it again for other widths.
    QSizePolicy policy = LabelPasswordNote->sizePolicy();
    policy.setHeightForWidth(false);
    LabelPasswordNote->setSizePolicy(policy);
    LabelPasswordNote->setMinimumHeight(
        LabelPasswordNote->text().isEmpty() ? 0 : LabelPasswordNote->heightForWidth(width));
}

void TFormFTPSite::NotePasswordPlace() {
    if (!SecretServiceRunning())
        ShowPasswordNote("No desktop keyring is running: saved passwords are kept in Sites.ini, "
                         "which only you can read.");
    else
        ShowPasswordNote({});
}

void TFormFTPSite::FitToScreen() {
    // The whole page where the screen has room for it, else as much as fits, scrolling.
    layout()->activate();
    const QWidget* content = scroll_->widget();
    const QSize chrome = sizeHint() - scroll_->sizeHint();
    const QScreen* shown = parentWidget() ? parentWidget()->screen() : screen();
    const int room = shown->availableGeometry().height() - chrome.height() - 40;
    const int height = content->sizeHint().height();
    const int bar = height > room ? scroll_->verticalScrollBar()->sizeHint().width() : 0;
    const int across = shown->availableGeometry().width() - chrome.width() - 20 - bar;
    scroll_->setMinimumWidth(
        qMax(content->minimumSizeHint().width(), qMin(content->sizeHint().width(), across)) + bar);
    scroll_->setMinimumHeight(qMax(0, qMin(height, room)));
    // Not adjustSize, which keeps a window within two thirds of the screen.
    layout()->activate();
    resize(sizeHint().expandedTo(minimumSize()));
    // Grown, it stays on the screen, once the scroll bar has taken its place too.
    QMetaObject::invokeMethod(
        this,
        [this, shown] {
            const QRect area = shown->availableGeometry();
            QRect frame = frameGeometry();
            frame.moveBottom(qMin(frame.bottom(), area.bottom()));
            frame.moveRight(qMin(frame.right(), area.right()));
            move(qMax(frame.left(), area.left()), qMax(frame.top(), area.top()));
        },
        Qt::QueuedConnection);
}

void TFormFTPSite::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The widgets measure as they are shown once the layout requests of the showing are done.
    QMetaObject::invokeMethod(this, &TFormFTPSite::FitToScreen, Qt::QueuedConnection);
}

void TFormFTPSite::EditHostNameChange() {
    // Connecting before the saved password arrived would log in without it.
    ButtonConnect->setEnabled(!EditHostName->text().trimmed().isEmpty() && !readingPassword_);
}

void TFormFTPSite::ButtonSaveClick() {
    const QString name = SavedName(CBSiteName->currentText());
    ProtectSitesFile();
    sites_->Batch([&] {
        sites_->WriteString(name, "HostName", EditHostName->text());
        sites_->WriteString(name, "UserName", EditUsername->currentText());
        passwords_->Write(name, EditPassword->text());
        sites_->WriteString(name, "RemotePath", EditRemote->text());
        sites_->WriteString(name, "LocalPath", EditLocal->text());
        sites_->WriteString(name, "Protocol", kProtocolKeys.value(CBProtocol->currentIndex()));
        sites_->WriteBool(name, "Passive", CBPassive->isChecked());
    });
    ProtectSitesFile();
    ReadSiteNames();
    CBSiteNameChange();
}

void TFormFTPSite::ButtonRemoveClick() {
    const QString name = SavedName(CBSiteName->currentText());
    if (!AskYesNo(QString("Delete \"%1\" from your FTP site database?").arg(name)))
        return;
    sites_->EraseSection(name);
    passwords_->Remove(name);
    ProtectSitesFile();
    CBSiteName->setEditText({});
    ReadSiteNames();
    CBSiteNameChange();
}

void TFormFTPSite::AcceptResult() {
    SiteName = SavedName(CBSiteName->currentText());
    SiteHostName = EditHostName->text();
    SiteUserName = EditUsername->currentText();
    SitePassword = EditPassword->text();
    SiteRemotePath = EditRemote->text();
    SiteLocalPath = EditLocal->text();
    SiteProtocol =
        kProtocols[qBound(0, CBProtocol->currentIndex(), int(std::size(kProtocols)) - 1)];
    SitePassive = CBPassive->isChecked();
}

bool TFormFTPSite::SelectSavedSite(const QString& name) {
    if (!UsableSiteName(name) || !sites_->SectionExists(SavedName(name)))
        return false;
    {
        const QSignalBlocker block(CBSiteName);
        CBSiteName->setEditText(SavedName(name));
    }
    // Loaded even when the name stands there already: the fields may hold other details.
    CBSiteNameChange();
    // The keyring answers within moments; the windows keep painting meanwhile.
    while (readingPassword_)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    AcceptResult();
    return true;
}

bool TFormFTPSite::ExecuteSiteDialog() {
    // The keyring may have started or stopped since; the note is laid out before showing.
    NotePasswordPlace();
    adjustSize();
    const bool ok = exec() == QDialog::Accepted;
    storage_.Store();
    return ok;
}

TFtpServer TFormFTPSite::SiteServer() const {
    TFtpServer server;
    server.HostName = SiteHostName.trimmed();
    const qsizetype colon = server.HostName.lastIndexOf(':');
    bool numeric = false;
    const int port = colon > 0 ? server.HostName.mid(colon + 1).toInt(&numeric) : 0;
    if (numeric && !server.HostName.left(colon).contains(':')) {
        server.Port = port;
        server.HostName.truncate(colon);
    }
    server.UserName = SiteUserName;
    server.Password = SitePassword;
    server.Protocol = SiteProtocol;
    server.Passive = SitePassive;
    if (server.Protocol == TFtpProtocol::FtpsExplicit)
        server.AcceptedCertificate = ReadSiteCertificate(SiteName, server);
    return server;
}
