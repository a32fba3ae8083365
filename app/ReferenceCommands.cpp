#include "app/TFormGlyphon.h"

#include "common/AppHelpers.h"
#include "common/Paths.h"
#include "net/TFormHelp.h"

#include <QFileInfo>

namespace {

// The start pages of the two reference works that ship with the program.
const QString HtmlReferencePage = QStringLiteral("reference/html/index.html");
const QString CssReferencePage = QStringLiteral("reference/css/index.html");

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

void TFormGlyphon::ShowReference(const QString& startPage) {
    const QString page = ProgramFilePath(startPage);
    if (!QFileInfo(page).isFile())
        return;
    // The program makes its help viewer at start-up; a window made without it gets its own.
    TFormHelp* help = TFormHelp::Instance();
    if (!help)
        help = new TFormHelp(this);
    help->ShowHelpFile(page);
}

void TFormGlyphon::MIHTMLReferenceClick() {
    ShowReference(HtmlReferencePage);
}

void TFormGlyphon::MICSSReferenceClick() {
    ShowReference(CssReferencePage);
}
