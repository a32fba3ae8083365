#include "common/FileDialogs.h"

#include "common/AppHelpers.h"
#include "common/FileUtils.h"
#include "common/Prompts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QHeaderView>
#include <QImageReader>
#include <QRegularExpression>
#include <QTreeView>
#include <algorithm>

namespace {
enum class TDialogKind { Open, Save, Picture };

struct TSharedDialogs {
    QFileDialog* Open = nullptr;
    QFileDialog* Save = nullptr;
    QFileDialog* Picture = nullptr;
    QFontDialog* Font = nullptr;
};

TSharedDialogs& SharedDialogs() {
    static TSharedDialogs dialogs;
    return dialogs;
}

// Widgets must go before the application object does.
void DeleteSharedDialogs() {
    TSharedDialogs& dialogs = SharedDialogs();
    delete dialogs.Open;
    delete dialogs.Save;
    delete dialogs.Picture;
    delete dialogs.Font;
    dialogs = {};
}

void RegisterCleanUp() {
    static bool registered = false;
    if (!registered) {
        qAddPostRoutine(DeleteSharedDialogs);
        registered = true;
    }
}

QFileDialog* CreateFileDialog(TDialogKind kind) {
    RegisterCleanUp();
    auto* dialog = new QFileDialog;
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    // Room for whole names, sizes, types and dates in the detail view: the name takes what the
    // other columns leave after showing their contents.
    dialog->resize(dialog->fontMetrics().averageCharWidth() * 110,
                   dialog->fontMetrics().height() * 28);
    if (auto* details = dialog->findChild<QTreeView*>("treeView")) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    if (kind == TDialogKind::Save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
    }
    return dialog;
}

QFileDialog& SharedFileDialog(TDialogKind kind) {
    TSharedDialogs& dialogs = SharedDialogs();
    QFileDialog*& slot = kind == TDialogKind::Open   ? dialogs.Open
                         : kind == TDialogKind::Save ? dialogs.Save
                                                     : dialogs.Picture;
    if (!slot)
        slot = CreateFileDialog(kind);
    return *slot;
}

QString FolderPart(const QString& fileName) {
    return fileName.left(fileName.lastIndexOf('/') + 1);
}

QString NamePart(const QString& fileName) {
    return fileName.mid(fileName.lastIndexOf('/') + 1);
}

bool HasExtension(const QString& fileName) {
    return NamePart(fileName).contains('.');
}

QString& ChosenInitialFolder() {
    static QString folder;
    return folder;
}

QString InitialDialogFolder() {
    const QString& chosen = ChosenInitialFolder();
    if (!chosen.isEmpty() && QDir(chosen).exists())
        return chosen.endsWith('/') ? chosen : chosen + '/';
    return QDir::homePath() + '/';
}

// Sets the dialog up for one run and runs it through the prompt service.
std::optional<QString> RunFileDialog(TDialogKind kind, const QString& fileName,
                                     const QString& filter, const QString& defaultExt,
                                     const QString& caption) {
    QFileDialog& dialog = SharedFileDialog(kind);
    TFileDialogRequest request;
    request.Save = kind == TDialogKind::Save;
    request.Caption = !caption.isEmpty() ? caption
                      : request.Save     ? QStringLiteral("Save As")
                                         : QStringLiteral("Open");
    request.Folder = CleanDialogFolder(FolderPart(fileName));
    // A name without a folder (an untitled document), or in a folder that is no place to start
    // in (a URL's, a vanished file's), starts in the folder the user last chose in the explorer,
    // else where the user's files are: the process's working folder is wherever the program
    // happened to be started.
    if (request.Folder.isEmpty() || !QDir(request.Folder).exists())
        request.Folder = InitialDialogFolder();
    request.FileName = CleanDialogFileName(NamePart(fileName));
    request.Filters = FileFilterToQt(filter);
    request.DefaultExt = defaultExt;

    // The filter the user chose last time stays chosen while the list offers it; before the
    // first run the dialog's filter is Qt's own "All Files", which nobody chose.
    const char* const ranBefore = "GlyphonRanBefore";
    const QString lastFilter = dialog.selectedNameFilter();
    dialog.setNameFilters(request.Filters);
    if (dialog.property(ranBefore).toBool() && request.Filters.contains(lastFilter))
        dialog.selectNameFilter(lastFilter);
    dialog.setProperty(ranBefore, true);
    dialog.setDirectory(request.Folder);
    dialog.selectFile(request.FileName);
    dialog.setDefaultSuffix(defaultExt);
    dialog.setWindowTitle(request.Caption);
    return Prompts().ChooseFile(dialog, request);
}
} // namespace

void SetInitialDialogFolder(const QString& folder) {
    ChosenInitialFolder() = folder;
}

QStringList FileFilterToQt(const QString& filter) {
    static const QRegularExpression patternInDescription(R"(\s*\([^()]*\*[^()]*\)\s*$)");
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i);
        description.remove(patternInDescription);
        QStringList patterns;
        for (const QString& pattern : parts.at(i + 1).split(';', Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                patterns.append(trimmed == "*.*" ? "*" : trimmed);
        }
        if (description.trimmed().isEmpty() && patterns.isEmpty())
            continue;
        filters.append(description.trimmed() + " (" + patterns.join(' ') + ")");
    }
    return filters;
}

QString CleanDialogFolder(const QString& folder) {
    QString cleaned = folder;
    cleaned.remove(QRegularExpression("[|<>]"));
    return cleaned;
}

QString CleanDialogFileName(const QString& name) {
    QString cleaned = name;
    cleaned.remove(QRegularExpression("[/|<>]"));
    return cleaned == "." || cleaned == ".." ? QString() : cleaned;
}

std::optional<QString> RunOpenFileDialog(const QString& fileName, const QString& filter,
                                         const QString& defaultExt, const QString& caption) {
    return RunFileDialog(TDialogKind::Open, fileName,
                         filter.isEmpty() ? QStringLiteral("All Files (*.*)|*.*|") : filter,
                         defaultExt, caption);
}

std::optional<QString> SaveFileRefusal(const QString& fileName) {
    const QFileInfo file(fileName);
    if (!file.dir().exists())
        return fileName + "\rThe folder \"" + file.absolutePath() +
               "\" does not exist.\rCheck the path and try again.";
    if (file.exists() && IsFileReadOnly(fileName))
        return fileName + "\rThis file is set to read-only.\rTry again with a different file name.";
    return std::nullopt;
}

std::optional<QString> RunSaveFileDialog(const QString& fileName, const QString& filter,
                                         const QString& defaultExt, const QString& caption) {
    QString startName = fileName;
    for (;;) {
        std::optional<QString> chosen =
            RunFileDialog(TDialogKind::Save, startName, filter, defaultExt, caption);
        if (!chosen)
            return std::nullopt;
        if (!defaultExt.isEmpty() && !HasExtension(*chosen))
            *chosen += '.' + defaultExt;
        const std::optional<QString> refusal = SaveFileRefusal(*chosen);
        if (!refusal)
            return chosen;
        ShowWarning(*refusal);
        startName = *chosen;
    }
}

QString PictureFileFilter() {
    QStringList patterns;
    QStringList entries;
    QList<QByteArray> formats = QImageReader::supportedImageFormats();
    std::sort(formats.begin(), formats.end());
    for (const QByteArray& format : formats) {
        const QString pattern = "*." + QString::fromLatin1(format).toLower();
        patterns.append(pattern);
        entries.append(QString::fromLatin1(format).toUpper() + " (" + pattern + ")|" + pattern);
    }
    const QString all = patterns.join(';');
    return "All pictures (" + all + ")|" + all + '|' + entries.join('|') + "|All Files (*.*)|*.*";
}

std::optional<QString> RunPictureDialog(const QString& fileName, const QString& caption) {
    // The formats of web pages come first, whether or not this system can show them all.
    const QString web = QStringLiteral("*.png;*.jpg;*.jpeg;*.gif;*.svg;*.webp");
    return RunFileDialog(TDialogKind::Picture, fileName,
                         "Web Images (" + web + ")|" + web + '|' + PictureFileFilter(), {},
                         caption);
}

bool RunFontDialog(QFont& font) {
    TSharedDialogs& dialogs = SharedDialogs();
    if (!dialogs.Font) {
        RegisterCleanUp();
        dialogs.Font = new QFontDialog;
        dialogs.Font->setOption(QFontDialog::DontUseNativeDialog);
    }
    dialogs.Font->setCurrentFont(font);
    const std::optional<QFont> chosen = Prompts().ChooseFont(*dialogs.Font);
    if (!chosen)
        return false;
    font = *chosen;
    return true;
}
