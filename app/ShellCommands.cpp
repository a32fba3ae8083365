// The commands through which the main window meets the desktop around it: the default HTML
// editor, the updater, the read-me page, the maker's site and the About box.
#include "app/TFormGlyphon.h"

#include "app/DefaultHtmlEditor.h"
#include "app/TFormAboutBox.h"
#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/MakerServices.h"
#include "common/Paths.h"
#include "common/UrlUtils.h"
#include "common/UserSettings.h"

#include <QMenu>

namespace {
// The name under which the updater knows this product.
const QString UpdaterProductCode = QStringLiteral("VGLY");
// Where the handler the program replaced is kept, so that No can give HTML files back to it.
const QString PreviousEditorKey = MainFormClassName() + "/PreviousHTMLEditor";
} // namespace

void TFormGlyphon::ConnectShellCommands() {
    const auto bind = [this](QAction* item, void (TFormGlyphon::*handler)()) {
        item->setEnabled(true);
        connect(item, &QAction::triggered, this,
                [this, handler] { RunCommand([&] { (this->*handler)(); }); });
    };
    bind(MISetAsDefaultHTMLEditor, &TFormGlyphon::MISetAsDefaultHTMLEditorClick);
    bind(MIUpgrade, &TFormGlyphon::MIUpgradeClick);
    bind(MIAbout, &TFormGlyphon::MIAboutClick);
    bind(MIReadMe, &TFormGlyphon::MIReadMeClick);
    bind(MIVelmarisOnline, &TFormGlyphon::MIVelmarisOnlineClick);
    // The updater may come or go while the program runs: the File menu looks each time.
    MIUpgrade->setEnabled(IsUpdaterInstalled());
    connect(MIFile, &QMenu::aboutToShow, this,
            [this] { MIUpgrade->setEnabled(IsUpdaterInstalled()); });
}

void TFormGlyphon::MISetAsDefaultHTMLEditorClick() {
    if (!CanSetDefaultHtmlEditor()) {
        ShowInfo("Your system is not setup for a default editor.");
        return;
    }
    const QString ours = DesktopFileId();
    if (!IsDesktopEntryInstalled(ours)) {
        ShowInfo(QStringLiteral("%1 is not installed on this desktop (its entry \"%2\" was not "
                                "found), so it cannot be made the default HTML editor.")
                     .arg(ApplicationTitle(), ours));
        return;
    }
    const bool yes = AskYesNo(
        QStringLiteral("Do you want to make %1 your default HTML editor?").arg(ApplicationTitle()));
    const auto store = OpenUserSettings(ApplicationTitle());
    const QString current = DefaultHtmlEditor();
    if (yes) {
        if (current != ours) {
            store->setValue(PreviousEditorKey, current);
            SyncUserSettings(*store);
        }
        SetDefaultHtmlEditor(ours);
    } else {
        // No hands HTML files back to the editor that had them before this program took them.
        const QString previous = store->value(PreviousEditorKey).toString();
        if (current == ours && !previous.isEmpty())
            SetDefaultHtmlEditor(previous);
    }
}

void TFormGlyphon::MIUpgradeClick() {
    RunUpdater(UpdaterProductCode, ApplicationTitle());
}

void TFormGlyphon::MIAboutClick() {
    ShowAboutBox(this);
}

void TFormGlyphon::MIReadMeClick() {
    OpenUrlChecked(ProgramFilePath("readme.htm"));
}

void TFormGlyphon::MIVelmarisOnlineClick() {
    OpenUrlChecked(MakerSiteUrl());
}
