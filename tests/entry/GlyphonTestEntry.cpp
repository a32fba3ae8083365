// The program as it ships, plus a window the tests drive from their own process: each line on
// standard input is a command, each answered by one line on standard output once done.
//   type TEXT   types TEXT into the document, once it is open      -> "typed"
//   flush       writes the recovery journal and waits for it       -> "flushed NOTE" (the
//               status bar's first panel)
#include "app/ProgramEntry.h"
#include "app/TFormGlyphon.h"
#include "common/AppHelpers.h"
#include "common/Paths.h"

#include <QLabel>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

namespace {

void Answer(const QString& line) {
    std::fputs((line + '\n').toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void RunCommands(TFormGlyphon& form, QStringList& commands) {
    if (!form.FirstPaintDone() || form.DocumentFileName.isEmpty()) {
        QTimer::singleShot(10, &form, [&form, &commands] { RunCommands(form, commands); });
        return;
    }
    while (!commands.isEmpty()) {
        const QString command = commands.takeFirst();
        if (command.startsWith("type ")) {
            for (const QChar c : command.mid(5))
                form.GlyphEdit.RunCommand(ecChar, c);
            Answer("typed");
        } else if (command == "flush") {
            form.RecoveryJournal->Flush();
            const QLabel* note = StatusPanel(form.StatusBar, 0);
            Answer("flushed " + (note ? note->text() : QString()));
        }
    }
}

void AcceptCommands(TFormGlyphon& form) {
    static QStringList commands;
    static QByteArray pending;
    auto* input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &form);
    QObject::connect(input, &QSocketNotifier::activated, &form, [&form, input] {
        char bytes[65536];
        const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (n <= 0) {
            input->setEnabled(false);
            return;
        }
        pending.append(bytes, n);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            commands.append(QString::fromUtf8(pending.left(end)));
        RunCommands(form, commands);
    });
}

} // namespace

int main(int argc, char** argv) {
    // Built beside the tests, it reads the files that ship from the program's build folder.
    SetProgramFolderOverride(QStringLiteral(GLYPHON_BIN_DIR));
    return RunGlyphon(argc, argv, AcceptCommands);
}
