#pragma once

#include "common/GlyphErrors.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

// One Tidy option by its configuration name, with its value as text ("1"/"0" for yes and no).
struct TTidyOption {
    QByteArray Name;
    QByteArray Value;
};

// One diagnostic as Tidy reported it.
struct TTidyMessage {
    int Level = 0;
    int Line = 0;
    int Column = 0;
    QString Text;
};

// What one run of the helper gives back.
struct TTidyHelperResult {
    QByteArray Text;
    bool OptionsAccepted = false;
    QList<TTidyMessage> Messages;
};

// The user cancelled a run; the command ends without changing anything and without a message.
class ETidyCancelled : public EGlyphError {
public:
    ETidyCancelled() : EGlyphError(QString()) {}
};

// How the helper is found and watched. Tests point Arguments at the helper's hidden crash and
// hang switches and shorten the waits.
struct TTidyHelperSettings {
    QString Program; // empty: beside the executable, else where the build put it
    QStringList Arguments;
    int TimeoutMs = 20000;           // without an answer by then, the helper is stopped ...
    int TimeoutMsPerMegabyte = 2000; // ... and this much later for each MB of text
    int ProgressDelayMs = 500;       // a longer run shows a progress window with Cancel
};
TTidyHelperSettings& TidyHelperSettings();

// The message of a run whose helper crashed or answered nonsense.
QString TidyStoppedMessage();
// The message of a run stopped at its time limit.
QString TidyTookTooLongMessage(int seconds);

// What a run needs back: validating wants the messages only, so Tidy writes no output for it.
enum class TTidyWanted { TextAndMessages, MessagesOnly };

// Takes each message of a run as it arrives.
using TTidyMessageSink = std::function<void(TTidyMessage&&)>;

// Reads the helper's response as its bytes arrive, taking each message as soon as it is whole:
// to the sink when there is one, else into the result's list.
class TTidyResponseReader {
public:
    explicit TTidyResponseReader(TTidyMessageSink sink = {}) : sink_(std::move(sink)) {}
    void Feed(const QByteArray& bytes);
    // The response once every byte is fed; nothing when they are not exactly one whole response.
    std::optional<TTidyHelperResult> Finish();

private:
    void TakeMessages();

    TTidyMessageSink sink_;
    QByteArray pending_;
    bool messagesEnded_ = false;
    TTidyHelperResult result_;
};

// Reads the helper's whole response; nothing when the bytes are not exactly one response.
std::optional<TTidyHelperResult> ParseTidyResponse(const QByteArray& bytes);

// Runs Text through Tidy with Options, in the order given, in a helper process: a crash throws
// EGlyphError TidyStoppedMessage(), a run past its time limit (which grows with the text)
// TidyTookTooLongMessage(), a Cancel in the progress window ETidyCancelled.
// Shows the busy cursor while it runs; user input to the windows waits until the run ends.
// Messages go to Sink, when given, while Tidy is still at work, rather than into the result.
TTidyHelperResult RunTidyHelper(const QByteArray& text, const QList<TTidyOption>& options,
                                TTidyWanted wanted = TTidyWanted::TextAndMessages,
                                const TTidyMessageSink& sink = {});

// RunCommand for a command that runs Tidy: a cancelled run ends it silently.
bool RunTidyCommand(const std::function<void()>& command);
