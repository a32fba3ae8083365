#include "common/MakerServices.h"

#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/ShellUtils.h"

#include <QFileInfo>

namespace {
const QString Updater2 = QStringLiteral("Renuvex v2.0");
const QString Updater = QStringLiteral("Renuvex");

bool IsExistingFile(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isFile();
}
} // namespace

std::unique_ptr<QSettings> MachineSettings(const QString& application) {
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::SystemScope,
                                                MakerName(), application);
    settings->setFallbacksEnabled(false);
    return settings;
}

QString MakerHomePage() {
    return QStringLiteral("https://www.velmaris.com/");
}

QString MakerSiteUrl() {
    const auto settings = MachineSettings(ApplicationTitle());
    // Without the installer's record the maker's own address stands in.
    if (!settings->childGroups().contains("Uninstall"))
        return MakerHomePage();
    return settings->value("Uninstall/URLInfoAbout").toString();
}

QString UpdaterPath() {
    for (const QString& application : {Updater2, Updater}) {
        const QString path = MachineSettings(application)->value("Path").toString();
        if (!path.isEmpty())
            return path;
    }
    return {};
}

bool IsUpdaterInstalled() {
    return IsExistingFile(UpdaterPath());
}

bool RunUpdater(const QString& code, const QString& name) {
    return ShellOpen(UpdaterPath(), QuoteArguments({code, name}));
}

QString ComponentPath(const QString& name) {
    return MachineSettings(Updater)->value("Components/" + name + "/PATH").toString();
}

void RunComponent(const QString& name, const QString& fileName) {
    const QString component = ComponentPath(name);
    if (IsExistingFile(component))
        ShellOpen(component, QuoteArguments({fileName, "-NoSplash", "-X"}));
    else if (!fileName.isEmpty())
        ShellOpenOrOpenWith(fileName);
    else
        RaiseError(QStringLiteral("\"%1\" is not installed on your system.").arg(name));
}
