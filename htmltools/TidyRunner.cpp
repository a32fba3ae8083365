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
#include <chrono>

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

// The request up to the document's bytes, which follow it as they are.
std::string RequestHead(const QByteArray& text, const QList<TTidyOption>& options) {
    std::string out;
    TidyProtocol::PutField(out, std::to_string(options.size()));
    for (const TTidyOption& option : options) {
        TidyProtocol::PutField(out, std::string_view(option.Name.data(), option.Name.size()));
        TidyProtocol::PutField(out, std::string_view(option.Value.data(), option.Value.size()));
    }
    TidyProtocol::PutFieldHead(out, size_t(text.size()));
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

void TTidyResponseReader::Feed(const QByteArray& bytes) {
    pending_.append(bytes);
    TakeMessages();
}

void TTidyResponseReader::TakeMessages() {
    std::string_view in(pending_.constData(), size_t(pending_.size()));
    // A message not yet whole, or not well formed, stays pending: Finish decides which.
    while (!messagesEnded_) {
        std::string_view rest = in, first, message;
        unsigned long level = 0, line = 0, column = 0;
        if (!TidyProtocol::TakeField(rest, first))
            break;
        if (first.empty()) {
            messagesEnded_ = true;
        } else if (!TidyProtocol::AsNumber(first, level) || !TidyProtocol::TakeNumber(rest, line) ||
                   !TidyProtocol::TakeNumber(rest, column) ||
                   !TidyProtocol::TakeField(rest, message)) {
            break;
        } else {
            TTidyMessage taken{int(level), int(line), int(column),
                               QString::fromUtf8(message.data(), qsizetype(message.size()))};
            if (sink_)
                sink_(std::move(taken));
            else
                result_.Messages.append(std::move(taken));
        }
        in = rest;
    }
    pending_.remove(0, pending_.size() - qsizetype(in.size()));
}

std::optional<TTidyHelperResult> TTidyResponseReader::Finish() {
    TakeMessages();
    std::string_view in(pending_.constData(), size_t(pending_.size()));
    std::string_view accepted, text;
    if (!messagesEnded_ || !TidyProtocol::TakeField(in, accepted) ||
        !TidyProtocol::TakeField(in, text) || !in.empty())
        return std::nullopt;
    result_.OptionsAccepted = accepted == "1";
    // The output is the end of what is pending: it is moved to the front, not copied.
    pending_.remove(0, text.data() - pending_.constData());
    result_.Text = std::move(pending_);
    return std::move(result_);
}

std::optional<TTidyHelperResult> ParseTidyResponse(const QByteArray& bytes) {
    TTidyResponseReader reader;
    reader.Feed(bytes);
    return reader.Finish();
}

TTidyHelperSettings& TidyHelperSettings() {
    static TTidyHelperSettings settings;
    return settings;
}

QString TidyStoppedMessage() {
    return QStringLiteral("HTML Tidy stopped unexpectedly.");
}

QString TidyTookTooLongMessage(int seconds) {
    return QStringLiteral("HTML Tidy took longer than %1 seconds and was stopped.").arg(seconds);
}

TTidyHelperResult RunTidyHelper(const QByteArray& text, const QList<TTidyOption>& options,
                                TTidyWanted wanted, const TTidyMessageSink& sink) {
    const TTidyHelperSettings& settings = TidyHelperSettings();
    const TBusyCursor busy;
    QProcess helper;
    helper.setProcessChannelMode(QProcess::SeparateChannels);
    helper.setStandardErrorFile(QProcess::nullDevice());
    QEventLoop loop;
    bool timedOut = false;
    bool cancelled = false;
    bool progressDue = false;
    TTidyResponseReader response(sink);
    QObject::connect(&helper, &QProcess::readyReadStandardOutput, &loop,
                     [&] { response.Feed(helper.readAllStandardOutput()); });
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
    const std::string head = RequestHead(text, options);
    helper.write(head.data(), qint64(head.size()));
    helper.write(text);
    helper.closeWriteChannel();
    // A big page takes Tidy longer: the limit grows with it.
    const qint64 limitMs =
        settings.TimeoutMs + qint64(settings.TimeoutMsPerMegabyte) * text.size() / (1024 * 1024);
    timeout.start(std::chrono::milliseconds(limitMs));
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
    if (timedOut)
        throw EGlyphError(TidyTookTooLongMessage(int((limitMs + 999) / 1000)));
    if (helper.exitStatus() != QProcess::NormalExit || helper.exitCode() != 0)
        throw EGlyphError(TidyStoppedMessage());
    response.Feed(helper.readAllStandardOutput());
    const auto result = response.Finish();
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
