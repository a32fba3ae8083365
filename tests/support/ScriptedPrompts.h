#pragma once

#include "common/Prompts.h"

#include <QList>
#include <QMessageBox>
#include <functional>
#include <variant>

class QDialog;

// The prompt service of the tests. Create one in a test: it installs itself and puts the previous
// service back when it goes. Queue the answers in the order the prompts will come, run the code,
// then assert on what was asked:
//
//     ScriptedPrompts prompts;
//     prompts.AnswerButton(QMessageBox::Yes);
//     OpenUrlChecked("http://example.com/");
//     ASSERT_EQ(prompts.Records().size(), 1);
//     EXPECT_EQ(prompts.Records()[0].Text, "You don't seem to be connected ...");
//
// A prompt that finds no answer queued, or an answer of another kind (a file name for a message
// box), fails the test and is answered as cancelled. Answers left over when the object goes fail
// the test too.
class ScriptedPrompts : public TPrompts {
public:
    enum class TKind { Message, Input, OpenFile, SaveFile, Font, Color, Dialog };
    // Plays the user's part in a modal dialog: works its controls, answers its result.
    using TDialogAnswer = std::function<int(QDialog&)>;

    // One prompt as the user would have seen it.
    struct TRecord {
        TKind Kind = TKind::Message;
        QString Caption; // message and input boxes
        QString Text;    // message text or input prompt
        QMessageBox::Icon Icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons Buttons; // message boxes
        QString DefaultText;                  // input boxes
        TFileDialogRequest File;              // file dialogs
        QString SelectedFilter;               // the file type a file dialog showed chosen
        QFont Font;                           // the font dialog's starting font
        QColor Color;                         // the colour dialog's starting colour
        QString DialogName;                   // a dialog's object name (Caption: its title)
    };

    ScriptedPrompts();
    ~ScriptedPrompts() override;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    // Queued answers, one per prompt.
    void AnswerButton(QMessageBox::StandardButton button);
    void AnswerInput(const QString& text);
    void CancelInput();
    void AnswerFile(const QString& path); // open or save dialog
    void CancelFile();
    void AnswerFont(const QFont& font);
    void CancelFont();
    void AnswerColor(const QColor& color);
    void CancelColor();
    void AnswerDialog(TDialogAnswer answer);

    const QList<TRecord>& Records() const { return records_; }
    qsizetype PendingAnswers() const { return answers_.size(); }
    void Clear();

    QMessageBox::StandardButton MessageBox(const QString& caption, const QString& text,
                                           QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons) override;
    std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                    const QString& defaultText) override;
    std::optional<QString> ChooseFile(QFileDialog& dialog,
                                      const TFileDialogRequest& request) override;
    std::optional<QFont> ChooseFont(QFontDialog& dialog) override;
    std::optional<QColor> ChooseColor(QColorDialog& dialog) override;
    int RunDialog(QDialog& dialog) override;

private:
    struct TButton {
        QMessageBox::StandardButton Button;
    };
    struct TInput {
        std::optional<QString> Text;
    };
    struct TFile {
        std::optional<QString> Path;
    };
    struct TFontAnswer {
        std::optional<QFont> Font;
    };
    struct TColorAnswer {
        std::optional<QColor> Color;
    };
    struct TDialog {
        TDialogAnswer Answer;
    };
    using TAnswer = std::variant<TButton, TInput, TFile, TFontAnswer, TColorAnswer, TDialog>;

    template <class T> std::optional<T> Take(const TRecord& record);

    TPrompts* previous_ = nullptr;
    QList<TAnswer> answers_;
    QList<TRecord> records_;
};

// The kind's name for failure messages.
const char* PromptKindName(ScriptedPrompts::TKind kind);
