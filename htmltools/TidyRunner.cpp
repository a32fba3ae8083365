#include "htmltools/TidyRunner.h"

#include "common/AppHelpers.h"
#include "common/AppTitle.h"
#include "htmltools/TidyHelperProtocol.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QTimer>
#include <algorithm>

namespace {

QString HelperProgram() {
    const TTidyHelperSettings& settings = TidyHelperSettings();
    if (!settings.Program.isEmpty())
        return settings.Program;
    // Beside the program in a build, in the program's own library folder when installed (a
    // helper has no business on the user's PATH), else where this build made it.
    const QString app = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {app + QStringLiteral("/glyphon-tidy-helper"),
          app + QStringLiteral("/../lib/velmaris-glyphon/glyphon-tidy-helper")}) {
        if (QFileInfo(candidate).isExecutable())
            return QFileInfo(candidate).absoluteFilePath();
    }
    return QStringLiteral(GLYPHON_TIDY_HELPER_BUILD_PATH);
}

std::string Request(const QByteArray& text, const QList<TTidyOption>& options) {
    std::string out;
    out.reserve(size_t(text.size()) + 1024);
    TidyProtocol::PutField(out, std::to_string(options.size()));
    for (const TTidyOption& option : options) {
        TidyProtocol::PutField(out, std::string_view(option.Name.data(), option.Name.size()));
        TidyProtocol::PutField(out, std::string_view(option.Value.data(), option.Value.size()));
    }
    TidyProtocol::PutField(out, std::string_view(text.data(), size_t(text.size())));
    return out;
}

// The busy cursor for the life of a run.
struct TBusyCursor {
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

} // namespace

std::optional<TTidyHelperResult> ParseTidyResponse(const QByteArray& bytes) {
    std::string_view in(bytes.data(), size_t(bytes.size()));
    TTidyHelperResult result;
    std::string_view text, accepted;
    unsigned long count = 0;
    if (!TidyProtocol::TakeField(in, text) || !TidyProtocol::TakeField(in, accepted) ||
        !TidyProtocol::TakeNumber(in, count))
        return std::nullopt;
    result.Text = QByteArray(text.data(), qsizetype(text.size()));
    result.OptionsAccepted = accepted == "1";
    // Every message takes at least eight bytes, so a count the bytes cannot hold reserves no
    // more than they could.
    result.Messages.reserve(qsizetype(std::min<unsigned long>(count, in.size() / 8)));
    for (unsigned long i = 0; i < count; ++i) {
        unsigned long level = 0, line = 0, column = 0;
        std::string_view message;
        if (!TidyProtocol::TakeNumber(in, level) || !TidyProtocol::TakeNumber(in, line) ||
            !TidyProtocol::TakeNumber(in, column) || !TidyProtocol::TakeField(in, message))
            return std::nullopt;
        result.Messages.append({int(level), int(line), int(column),
                                QString::fromUtf8(message.data(), qsizetype(message.size()))});
    }
    if (!in.empty())
        return std::nullopt;
    return result;
}

TTidyHelperSettings& TidyHelperSettings() {
    static TTidyHelperSettings settings;
    return settings;
}

QString TidyStoppedMessage() {
    return QStringLiteral("HTML Tidy stopped unexpectedly.");
}

TTidyHelperResult RunTidyHelper(const QByteArray& text, const QList<TTidyOption>& options,
                                TTidyWanted wanted) {
    const TTidyHelperSettings& settings = TidyHelperSettings();
    const TBusyCursor busy;
    QProcess helper;
    helper.setProcessChannelMode(QProcess::SeparateChannels);
    helper.setStandardErrorFile(QProcess::nullDevice());
    QEventLoop loop;
    bool timedOut = false;
    bool cancelled = false;
    bool progressDue = false;
    QObject::connect(&helper, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&helper, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart || e == QProcess::Crashed)
            loop.quit();
    });

    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    QTimer progressTimer;
    progressTimer.setSingleShot(true);
    QObject::connect(&progressTimer, &QTimer::timeout, &loop, [&] {
        progressDue = true;
        loop.quit();
    });

    QStringList arguments = settings.Arguments;
    if (wanted == TTidyWanted::MessagesOnly)
        arguments.append(QStringLiteral("--messages-only"));
    helper.start(HelperProgram(), arguments);
    const std::string request = Request(text, options);
    helper.write(request.data(), qint64(request.size()));
    helper.closeWriteChannel();
    timeout.start(settings.TimeoutMs);
    progressTimer.start(settings.ProgressDelayMs);

    // Until the progress window is up, the user's input waits: typing into the document now
    // would be lost when the tidied text replaces it.
    if (helper.state() != QProcess::NotRunning)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    std::unique_ptr<QProgressDialog> progress;
    if (progressDue && !timedOut && helper.state() != QProcess::NotRunning) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("Running HTML Tidy..."),
                                                     QStringLiteral("Cancel"), 0, 0);
        progress->setObjectName("TidyProgress");
        progress->setWindowTitle(ApplicationTitle());
        progress->setWindowModality(Qt::ApplicationModal);
        progress->setMinimumDuration(0);
        QObject::connect(progress.get(), &QProgressDialog::canceled, &loop, [&] {
            cancelled = true;
            loop.quit();
        });
        progress->show();
        if (helper.state() != QProcess::NotRunning)
            loop.exec();
    }
    if (helper.state() != QProcess::NotRunning) {
        helper.kill();
        helper.waitForFinished(-1);
    }
    progress.reset();
    if (cancelled)
        throw ETidyCancelled();
    if (timedOut || helper.exitStatus() != QProcess::NormalExit || helper.exitCode() != 0)
        throw EGlyphError(TidyStoppedMessage());
    const auto result = ParseTidyResponse(helper.readAllStandardOutput());
    if (!result)
        throw EGlyphError(TidyStoppedMessage());
    return *result;
}

bool RunTidyCommand(const std::function<void()>& command) {
    return RunCommand([&] {
        try {
            command();
        } catch (const ETidyCancelled&) {
        }
    });
}
