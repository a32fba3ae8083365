// The main window's crash recovery: the journal of the unsaved document, and the start-up offer
// of the journals that ended processes left behind.
#include "app/TFormGlyphon.h"

#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "common/Paths.h"
#include "common/Prompts.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <cstdio>
#include <sys/time.h>
#include <unistd.h>

namespace {

QString RecoveryPausedNote() {
    return QStringLiteral("Recovery is paused: the disk is full or cannot be written.");
}

QString RecoveryFolder() {
    return QFileInfo(UserFilePath(TUserFolder::State, QStringLiteral("recovery/x"))).path();
}

} // namespace

void TFormGlyphon::ConnectRecovery() {
    RecoveryJournal = std::make_unique<TGlyphRecoveryJournal>(GlyphEdit, RecoveryFolder());
    // Said once when it pauses, taken back when writing works again.
    RecoveryJournal->OnPaused = [this](bool paused) {
        QLabel* note = StatusPanel(StatusBar, 0);
        if (!note)
            return;
        if (paused)
            note->setText(RecoveryPausedNote());
        else if (note->text() == RecoveryPausedNote())
            note->setText(DocumentFileName);
    };
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
    // Each journal stays claimed while it is offered, so that a program starting beside this
    // one offers the others or none.
    for (const TGlyphRecoveryClaim& claim : OrphanedRecoveryJournals(RecoveryFolder())) {
        const QString& journal = claim.Path();
        TGlyphRecoveredText recovered;
        try {
            recovered = ReadRecoveryJournal(journal);
        } catch (const EGlyphError& error) {
            // Asked once and for all rather than reported at every start.
            if (Prompts().LabelledMessageBox(
                    ApplicationTitle(), error.Message(), QMessageBox::Warning,
                    {{QMessageBox::No, QStringLiteral("&Discard")},
                     {QMessageBox::Cancel, QStringLiteral("&Later")}}) == QMessageBox::No)
                RemoveRecoveryJournal(journal);
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

void TFormGlyphon::EndOnTerminationSignal() {
    if (!GlyphEdit.Modified()) {
        QApplication::closeAllWindows();
        return;
    }
    // A logout or shutdown waits for no answer: the unsaved text stays in its journal for the
    // next start to offer, the settings are stored as at any end, and the program ends now,
    // whatever dialog is open.
    RecoveryJournal->Keep();
    // The settings get what is left of the two seconds a session manager waits: a slow disk
    // must not turn the end into a kill.
    itimerval deadline{};
    deadline.it_value.tv_usec = 800 * 1000;
    deadline.it_value.tv_sec = 1;
    ::setitimer(ITIMER_REAL, &deadline, nullptr);
    FormDestroy();
    std::fflush(nullptr);
    ::_exit(0);
}
