// The FTP commands of the main window.
#include "app/TFormGlyphon.h"

#include "common/AppHelpers.h"
#include "net/TFormFTPClient.h"

#include <QAction>

TFormFTPClient& TFormGlyphon::FormFTPClient() {
    if (!formFTPClient_)
        formFTPClient_ = new TFormFTPClient(this);
    return *formFTPClient_;
}

void TFormGlyphon::ConnectFtpCommands() {
    connect(MIOpenFTPClient, &QAction::triggered, this,
            [this] { RunCommand([this] { MIOpenFTPClientClick(); }); });
}

void TFormGlyphon::MIOpenFTPClientClick() {
    FormFTPClient().ShowModal();
}
