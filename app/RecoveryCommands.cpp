// The main window's crash recovery: the journal of the unsaved document, and the start-up offer
// of the journals that ended processes left behind.
#include "app/TFormGlyphon.h"

#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/Paths.h"
#include "common/Prompts.h"

#include <QFileInfo>
#include <QLocale>

namespace {

QString RecoveryFolder() {
    return QFileInfo(UserFilePath(TUserFolder::State, QStringLiteral("recovery/x"))).path();
}

} // namespace

void TFormGlyphon::ConnectRecovery() {
    RecoveryJournal = std::make_unique<TGlyphRecoveryJournal>(GlyphEdit, RecoveryFolder());
    GlyphEdit.OnLinesChanged =
        [this, highlighting = GlyphEdit.OnLinesChanged](const TGlyphLinesChange& change) {
            if (highlighting)
                highlighting(change);
            if (RecoveryJournal)
                RecoveryJournal->LinesChanged(change);
        };
}

void TFormGlyphon::RestartRecoveryJournal() {
    RecoveryJournal->Restart(DocumentFileName, QFileInfo(DocumentFileName).isAbsolute());
}

void TFormGlyphon::OfferRecovery() {
    for (const QString& journal : OrphanedRecoveryJournals(RecoveryFolder())) {
        TGlyphRecoveredText recovered;
        try {
            recovered = ReadRecoveryJournal(journal);
        } catch (const EGlyphError& error) {
            ShowWarning(QString::fromUtf8(error.what()));
            continue;
        }
        const auto answer = Prompts().LabelledMessageBox(
            ApplicationTitle(),
            QStringLiteral("\"%1\" was not saved when Velmaris Glyphon last ended; its text was "
                           "last changed %2.")
                .arg(recovered.FileName,
                     QLocale().toString(recovered.LastChange, QLocale::ShortFormat)),
            QMessageBox::Question,
            {{QMessageBox::Yes, QStringLiteral("&Recover")},
             {QMessageBox::No, QStringLiteral("&Discard")},
             {QMessageBox::Cancel, QStringLiteral("&Later")}});
        if (answer == QMessageBox::No) {
            RemoveRecoveryJournal(journal);
        } else if (answer == QMessageBox::Yes) {
            // One window holds one document: the others wait for the next start.
            RecoverDocument(recovered);
            RemoveRecoveryJournal(journal);
            return;
        }
    }
}

void TFormGlyphon::RecoverDocument(const TGlyphRecoveredText& recovered) {
    GlyphEdit.SetText(recovered.Text);
    TGlyphEditStringList& lines = GlyphEdit.Lines();
    lines.SetEncoding(recovered.Encoding, recovered.ByteOrderMark);
    lines.SetLineBreakStyle(recovered.LineBreakStyle);
    lines.SetBreakAfterLastLine(recovered.BreakAfterLastLine);
    GlyphEdit.SetModified(true);
    GlyphEdit.SetReadOnly(false);
    DocumentFileName = recovered.FileName;
    NoteDocumentFile();
    FormActivate();
    // The recovered text is kept at once, before the journal it came from goes.
    RecoveryJournal->Restart(DocumentFileName, false);
    RecoveryJournal->Flush();
}
