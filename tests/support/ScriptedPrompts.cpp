#include "support/ScriptedPrompts.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <gtest/gtest.h>

const char* PromptKindName(ScriptedPrompts::TKind kind) {
    switch (kind) {
    case ScriptedPrompts::TKind::Message:
        return "message box";
    case ScriptedPrompts::TKind::Input:
        return "input box";
    case ScriptedPrompts::TKind::OpenFile:
        return "open dialog";
    case ScriptedPrompts::TKind::SaveFile:
        return "save dialog";
    case ScriptedPrompts::TKind::Font:
        return "font dialog";
    case ScriptedPrompts::TKind::Color:
        return "colour dialog";
    case ScriptedPrompts::TKind::Dialog:
        return "dialog";
    }
    return "prompt";
}

ScriptedPrompts::ScriptedPrompts() : previous_(InstallPrompts(this)) {}

ScriptedPrompts::~ScriptedPrompts() {
    InstallPrompts(previous_);
    EXPECT_TRUE(answers_.isEmpty()) << answers_.size() << " queued prompt answer(s) never used";
}

void ScriptedPrompts::AnswerButton(QMessageBox::StandardButton button) {
    answers_.append(TButton{button});
}
void ScriptedPrompts::AnswerInput(const QString& text) {
    answers_.append(TInput{text});
}
void ScriptedPrompts::CancelInput() {
    answers_.append(TInput{});
}
void ScriptedPrompts::AnswerFile(const QString& path) {
    answers_.append(TFile{path});
}
void ScriptedPrompts::CancelFile() {
    answers_.append(TFile{});
}
void ScriptedPrompts::AnswerFont(const QFont& font) {
    answers_.append(TFontAnswer{font});
}
void ScriptedPrompts::CancelFont() {
    answers_.append(TFontAnswer{});
}
void ScriptedPrompts::AnswerColor(const QColor& color) {
    answers_.append(TColorAnswer{color});
}
void ScriptedPrompts::CancelColor() {
    answers_.append(TColorAnswer{});
}

void ScriptedPrompts::AnswerDialog(TDialogAnswer answer) {
    answers_.append(TDialog{std::move(answer)});
}

void ScriptedPrompts::Clear() {
    answers_.clear();
    records_.clear();
}

// Records the prompt and takes the next answer, which must be of the kind T.
template <class T> std::optional<T> ScriptedPrompts::Take(const TRecord& record) {
    records_.append(record);
    const QString what =
        QString("%1 \"%2\" %3").arg(PromptKindName(record.Kind), record.Caption, record.Text);
    if (answers_.isEmpty()) {
        ADD_FAILURE() << "Unexpected " << what.toStdString() << ": no answer queued";
        return std::nullopt;
    }
    const TAnswer answer = answers_.takeFirst();
    if (!std::holds_alternative<T>(answer)) {
        ADD_FAILURE() << "Unexpected " << what.toStdString()
                      << ": the next queued answer is for another kind of prompt";
        return std::nullopt;
    }
    return std::get<T>(answer);
}

QMessageBox::StandardButton ScriptedPrompts::MessageBox(const QString& caption, const QString& text,
                                                        QMessageBox::Icon icon,
                                                        QMessageBox::StandardButtons buttons) {
    TRecord record;
    record.Kind = TKind::Message;
    record.Caption = caption;
    record.Text = text;
    record.Icon = icon;
    record.Buttons = buttons;
    const std::optional<TButton> answer = Take<TButton>(record);
    if (answer) {
        EXPECT_TRUE(buttons.testFlag(answer->Button))
            << "queued button " << answer->Button << " is not on the box \"" << text.toStdString()
            << "\"";
        return answer->Button;
    }
    // Unanswered: the way out the box itself offers.
    for (const auto button : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Ok}) {
        if (buttons.testFlag(button))
            return button;
    }
    return QMessageBox::NoButton;
}

std::optional<QString> ScriptedPrompts::InputBox(const QString& caption, const QString& prompt,
                                                 const QString& defaultText) {
    TRecord record;
    record.Kind = TKind::Input;
    record.Caption = caption;
    record.Text = prompt;
    record.DefaultText = defaultText;
    const std::optional<TInput> answer = Take<TInput>(record);
    return answer ? answer->Text : std::nullopt;
}

std::optional<QString> ScriptedPrompts::ChooseFile(QFileDialog& dialog,
                                                   const TFileDialogRequest& request) {
    TRecord record;
    record.Kind = request.Save ? TKind::SaveFile : TKind::OpenFile;
    record.File = request;
    record.SelectedFilter = dialog.selectedNameFilter();
    const std::optional<TFile> answer = Take<TFile>(record);
    return answer ? answer->Path : std::nullopt;
}

std::optional<QFont> ScriptedPrompts::ChooseFont(QFontDialog& dialog) {
    TRecord record;
    record.Kind = TKind::Font;
    record.Font = dialog.currentFont();
    const std::optional<TFontAnswer> answer = Take<TFontAnswer>(record);
    return answer ? answer->Font : std::nullopt;
}

std::optional<QColor> ScriptedPrompts::ChooseColor(QColorDialog& dialog) {
    TRecord record;
    record.Kind = TKind::Color;
    record.Color = dialog.currentColor();
    const std::optional<TColorAnswer> answer = Take<TColorAnswer>(record);
    return answer ? answer->Color : std::nullopt;
}

int ScriptedPrompts::RunDialog(QDialog& dialog) {
    TRecord record;
    record.Kind = TKind::Dialog;
    record.Caption = dialog.windowTitle();
    record.DialogName = dialog.objectName();
    const std::optional<TDialog> answer = Take<TDialog>(record);
    return answer ? answer->Answer(dialog) : int(QDialog::Rejected);
}
