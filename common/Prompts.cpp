#include "common/Prompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QPushButton>

namespace {
// Message texts keep the program's "\r" line breaks; Qt's label breaks lines on "\n".
QString DisplayText(QString text) {
    text.replace("\r\n", "\n");
    text.replace('\r', '\n');
    return text;
}

class TQtPrompts : public TPrompts {
public:
    QMessageBox::StandardButton MessageBox(const QString& caption, const QString& text,
                                           QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons) override {
        QMessageBox box(icon, caption, DisplayText(text), buttons, QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }

    QMessageBox::StandardButton
    LabelledMessageBox(const QString& caption, const QString& text, QMessageBox::Icon icon,
                       const QList<QPair<QMessageBox::StandardButton, QString>>& labels) override {
        QMessageBox box(icon, caption, DisplayText(text), QMessageBox::NoButton,
                        QApplication::activeWindow());
        box.setTextFormat(Qt::PlainText);
        for (const auto& [button, label] : labels)
            box.addButton(button)->setText(label);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }

    std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                    const QString& defaultText) override {
        bool ok = false;
        const QString text =
            QInputDialog::getText(QApplication::activeWindow(), caption, DisplayText(prompt),
                                  QLineEdit::Normal, defaultText, &ok);
        return ok ? std::optional<QString>(text) : std::nullopt;
    }

    std::optional<QString> ChooseFile(QFileDialog& dialog, const TFileDialogRequest&) override {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }

    std::optional<QFont> ChooseFont(QFontDialog& dialog) override {
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.selectedFont();
    }

    std::optional<QColor> ChooseColor(QColorDialog& dialog) override {
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        return dialog.selectedColor();
    }

    int RunDialog(QDialog& dialog) override { return dialog.exec(); }
};

TPrompts*& InstalledPrompts() {
    static TPrompts* service = nullptr;
    return service;
}
} // namespace

TPrompts& Prompts() {
    static TQtPrompts qtPrompts;
    TPrompts* installed = InstalledPrompts();
    return installed ? *installed : qtPrompts;
}

std::optional<QString> ChooseFolder(QWidget* parent, const QString& start) {
    QFileDialog dialog(parent, "Folder");
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    TFileDialogRequest request;
    request.Folder = start;
    request.Caption = "Folder";
    dialog.setDirectory(request.Folder);
    return Prompts().ChooseFile(dialog, request);
}

TPrompts* InstallPrompts(TPrompts* service) {
    TPrompts* previous = InstalledPrompts();
    InstalledPrompts() = service;
    return previous;
}

QMessageBox::StandardButton
TPrompts::LabelledMessageBox(const QString& caption, const QString& text, QMessageBox::Icon icon,
                             const QList<QPair<QMessageBox::StandardButton, QString>>& labels) {
    QMessageBox::StandardButtons buttons;
    for (const auto& entry : labels)
        buttons |= entry.first;
    return MessageBox(caption, text, icon, buttons);
}
