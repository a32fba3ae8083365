#include "app/TFormGlyphon.h"

#include "common/AppHelpers.h"
#include "common/MakerServices.h"
#include "common/Paths.h"
#include "net/TFormHelp.h"

#include <QFileInfo>

namespace {

// The two reference works: the start page that ships with the program, and the component and
// code under which the maker's updater knows them.
const TReferenceWork HtmlReference = {QStringLiteral("reference/html/index.html"),
                                      QStringLiteral("WDG HTML Reference"), QStringLiteral("WDHT")};
const TReferenceWork CssReference = {QStringLiteral("reference/css/index.html"),
                                     QStringLiteral("WDG CSS Reference"), QStringLiteral("WDCS")};

// The program makes its help viewer at start-up; a window made without it gets its own.
TFormHelp& HelpViewer(QWidget* owner) {
    TFormHelp* help = TFormHelp::Instance();
    return help ? *help : *new TFormHelp(owner);
}

} // namespace

void TFormGlyphon::ConnectReferenceCommands() {
    const auto bind = [this](QAction* item, void (TFormGlyphon::*handler)()) {
        item->setEnabled(true);
        connect(item, &QAction::triggered, this,
                [this, handler] { RunCommand([&] { (this->*handler)(); }); });
    };
    bind(MIHTMLReference, &TFormGlyphon::MIHTMLReferenceClick);
    bind(MICSSReference, &TFormGlyphon::MICSSReferenceClick);
}

void TFormGlyphon::ShowReference(const TReferenceWork& work) {
    const QString page = ProgramFilePath(work.StartPage);
    if (QFileInfo(page).isFile()) {
        HelpViewer(this).ShowHelpFile(page);
        return;
    }
    const QString component = ComponentPath(work.Component);
    if (!component.isEmpty() && QFileInfo(component).isFile()) {
        HelpViewer(this).ShowHelpFile(component);
        return;
    }
    // The updater offers the work for installation; without one nothing happens.
    RunUpdater(work.UpdaterCode, work.Component);
}

void TFormGlyphon::MIHTMLReferenceClick() {
    ShowReference(HtmlReference);
}

void TFormGlyphon::MICSSReferenceClick() {
    ShowReference(CssReference);
}
