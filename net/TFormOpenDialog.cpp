#include "net/TFormOpenDialog.h"
#include "common/Translation.h"

#include "common/AppHelpers.h"
#include "common/ControlHelpers.h"
#include "net/DownloadURL.h"
#include "net/TFormOpenURL.h"
#include "net/TPTShellList.h"

#include <QActionGroup>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The filter's parts, one per line; a final "|" ends the last line rather than starting an
// empty one.
QStringList SplitFilter(const QString& filter) {
    QStringList lines = filter.split('|');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

QString FolderPart(const QString& name) {
    return name.left(name.lastIndexOf('/') + 1);
}

QString NamePart(const QString& name) {
    return name.mid(name.lastIndexOf('/') + 1);
}

TFormOpenDialog::TFormOpenDialog(TFormOpenURL& openURL, QWidget* parent)
    : QDialog(parent), openURL_(openURL) {
    setObjectName("FormOpenDialog");
    setWindowTitle(tr("Open"));

    // "Look in:", the folder combo and the tool bar.
    ShellList = new TPTShellList(this);
    ShellList->setObjectName("ShellList");
    ShellCombo = new TPTShellCombo(this);
    ShellCombo->setObjectName("ShellCombo");
    ShellCombo->SetShellList(ShellList);
    auto* lookIn = new QLabel(tr("Look &in:"), this);
    lookIn->setBuddy(ShellCombo);
    auto* toolBar = new QToolBar(this);
    toolBar->setIconSize(QSize(16, 16));
    TBGoBack = toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QString());
    TBGoBack->setObjectName("TBGoBack");
    TBGoBack->setToolTip(tr("Go To Last Folder Visited"));
    TBGoForward = toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QString());
    TBGoForward->setObjectName("TBGoForward");
    TBUpOneLevel =
        toolBar->addAction(style()->standardIcon(QStyle::SP_FileDialogToParent), QString());
    TBUpOneLevel->setObjectName("TBUpOneLevel");
    TBUpOneLevel->setToolTip(tr("Up One Level"));
    TBNewFolder =
        toolBar->addAction(style()->standardIcon(QStyle::SP_FileDialogNewFolder), QString());
    TBNewFolder->setObjectName("TBNewFolder");
    TBNewFolder->setToolTip(tr("Create New Folder"));
    toolBar->addSeparator();
    auto* views = new QMenu(this);
    auto* viewGroup = new QActionGroup(this);
    MIIcons = views->addAction(tr("Icons"));
    MIList = views->addAction(tr("List"));
    MIDetails = views->addAction(tr("Details"));
    for (QAction* item : {MIIcons, MIList, MIDetails}) {
        item->setCheckable(true);
        viewGroup->addAction(item);
    }
    MIList->setChecked(true);
    TBViews = new QToolButton(this);
    TBViews->setObjectName("TBViews");
    TBViews->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    TBViews->setToolTip(tr("View Menu"));
    TBViews->setMenu(views);
    TBViews->setPopupMode(QToolButton::InstantPopup);
    toolBar->addWidget(TBViews);
    auto* top = new QHBoxLayout;
    top->addWidget(lookIn);
    top->addWidget(ShellCombo, 1);
    top->addWidget(toolBar);

    // Name, type and buttons.
    EditFileName = new QLineEdit(this);
    EditFileName->setObjectName("EditFileName");
    ComboBox = new QComboBox(this);
    ComboBox->setObjectName("ComboBox");
    ButtonOpen = new QPushButton(tr("&Open"), this);
    ButtonOpen->setObjectName("ButtonOpen");
    ButtonOpen->setDefault(true);
    ButtonCancel = new QPushButton(tr("Cancel"), this);
    ButtonCancel->setObjectName("ButtonCancel");
    ButtonInternet = new QPushButton(tr("Internet..."), this);
    ButtonInternet->setObjectName("ButtonInternet");
    auto* nameLabel = new QLabel(tr("File &name:"), this);
    nameLabel->setBuddy(EditFileName);
    auto* typeLabel = new QLabel(tr("Files of &type:"), this);
    typeLabel->setBuddy(ComboBox);
    auto* bottom = new QGridLayout;
    bottom->addWidget(nameLabel, 0, 0);
    bottom->addWidget(EditFileName, 0, 1);
    bottom->addWidget(ButtonOpen, 0, 2);
    bottom->addWidget(typeLabel, 1, 0);
    bottom->addWidget(ComboBox, 1, 1);
    bottom->addWidget(ButtonCancel, 1, 2);
    bottom->addWidget(ButtonInternet, 2, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(ShellList, 1);
    layout->addLayout(bottom);
    resize(560, 380);

    connect(ShellList, &TPTShellList::FolderChanged, this,
            &TFormOpenDialog::ShellListFolderChanged);
    connect(ShellList, &TPTShellList::SelectionChanged, this,
            &TFormOpenDialog::ShellListSelectionChanged);
    connect(ShellList, &TPTShellList::FileActivated, this,
            &TFormOpenDialog::ShellListFileActivated);
    connect(ShellList, &TPTShellList::ItemRenamed, this, &TFormOpenDialog::ShellListItemRenamed);
    connect(EditFileName, &QLineEdit::textEdited, this, &TFormOpenDialog::EditFileNameChange);
    connect(ComboBox, &QComboBox::currentIndexChanged, this, &TFormOpenDialog::ComboBoxChange);
    connect(TBGoBack, &QAction::triggered, this, &TFormOpenDialog::TBGoBackClick);
    connect(TBGoForward, &QAction::triggered, this, &TFormOpenDialog::TBGoForwardClick);
    connect(TBUpOneLevel, &QAction::triggered, this, &TFormOpenDialog::TBUpOneLevelClick);
    connect(TBNewFolder, &QAction::triggered, this, &TFormOpenDialog::TBNewFolderClick);
    connect(MIIcons, &QAction::triggered, this,
            [this] { ShellList->SetViewStyle(TShellViewStyle::Icons); });
    connect(MIList, &QAction::triggered, this,
            [this] { ShellList->SetViewStyle(TShellViewStyle::List); });
    connect(MIDetails, &QAction::triggered, this,
            [this] { ShellList->SetViewStyle(TShellViewStyle::Details); });
    connect(ButtonOpen, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonInternet, &QPushButton::clicked, this,
            [this] { RunCommand([this] { ButtonInternetClick(); }); });
    UpdateButtons();
    TranslateComponent(this);
}

bool TFormOpenDialog::ExecuteOpenDialog() {
    Prepare();
    return exec() == QDialog::Accepted;
}

void TFormOpenDialog::BeginOpenDialog() {
    Prepare();
    open();
}

void TFormOpenDialog::Prepare() {
    // A name without a folder (an untitled document) starts where the user's files are, not at
    // the top of the file system.
    const QString folder = FolderPart(FileName);
    ShellList->SetFolder(folder.isEmpty() ? QDir::homePath() : folder);
    EditFileName->setText(NamePart(FileName));
    typedNameFolder_ = FolderPart(FileName);

    {
        const QSignalBlocker blocker(ComboBox);
        ComboBox->clear();
        FilterPairs = SplitFilter(Filter);
        // Descriptions only where a pattern follows; an unpaired last part is not offered.
        for (qsizetype line = 0; line + 1 < FilterPairs.size(); line += 2)
            ComboBox->addItem(FilterPairs[line]);
        ComboBox->setCurrentIndex(0);
    }
    ComboBoxChange(ComboBox->currentIndex());
    UpdateButtons();
}

void TFormOpenDialog::ComboBoxChange(int index) {
    const qsizetype patternLine = 2 * qsizetype(index) + 1;
    if (index >= 0 && patternLine < FilterPairs.size())
        ShellList->SetMasks(FilterPairs[patternLine].split(';', Qt::SkipEmptyParts));
}

void TFormOpenDialog::ShellListSelectionChanged(const QString& path, bool isFolder) {
    if (!isFolder)
        SetChosenFile(path);
}

void TFormOpenDialog::SetChosenFile(const QString& path) {
    FileName = path;
    EditFileName->setText(NamePart(path));
    typedNameFolder_ = FolderPart(path);
}

void TFormOpenDialog::EditFileNameChange(const QString& text) {
    // The folder is that of the last file name set or chosen, not the one shown. A typed full
    // path stands for itself; with no folder at all the name is taken in the folder shown.
    if (QDir::isAbsolutePath(text))
        FileName = text;
    else if (typedNameFolder_.isEmpty())
        FileName = QDir(ShellList->Folder()).filePath(text);
    else
        FileName = typedNameFolder_ + text;
}

void TFormOpenDialog::ShellListFolderChanged(const QString& folder) {
    if (!listening_)
        return;
    History.AddCopy(folder);
    UpdateButtons();
}

void TFormOpenDialog::ShellListFileActivated(const QString&) {
    ClickButton(ButtonOpen);
}

void TFormOpenDialog::ShellListItemRenamed() {
    ShellList->ClearSelection();
}

void TFormOpenDialog::UpdateButtons() {
    TBGoBack->setEnabled(History.CanGoBack(1));
    TBGoForward->setEnabled(History.CanGoForward(1));
}

void TFormOpenDialog::TBGoBackClick() {
    ShowHistoryFolder(History.Back(1));
}

void TFormOpenDialog::TBGoForwardClick() {
    ShowHistoryFolder(History.Forward(1));
}

void TFormOpenDialog::ShowHistoryFolder(const std::optional<QString>& folder) {
    if (!folder)
        return;
    // Going through the history is no new visit.
    listening_ = false;
    ShellList->SetFolder(*folder);
    listening_ = true;
    UpdateButtons();
}

void TFormOpenDialog::TBUpOneLevelClick() {
    ShellList->UpOneLevel();
}

void TFormOpenDialog::TBNewFolderClick() {
    ShellList->CreateNewFolder();
}

void TFormOpenDialog::ButtonInternetClick() {
    if (!openURL_.ExecuteOpenURL())
        return;
    // A failed or cancelled download ends here with its error; the dialog keeps its file name.
    SetChosenFile(DownloadURL(openURL_.ParsedURL.FullURL()));
    ClickButton(ButtonOpen);
}

bool TFormOpenDialog::FormCloseQuery(int result) {
    if (result != QDialog::Accepted || QFileInfo(FileName).isFile())
        return true;
    ShowWarning(tr("%1\r\nFile not found.\r\nPlease verify the correct file name was given.")
                    .arg(FileName));
    return false;
}

void TFormOpenDialog::done(int result) {
    if (FormCloseQuery(result))
        QDialog::done(result);
}

void TFormOpenDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        UpdateButtons();
    QDialog::changeEvent(event);
}
