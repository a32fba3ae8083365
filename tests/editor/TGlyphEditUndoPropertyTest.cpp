// Seeded random editing sessions on files with mixed line breaks: undoing everything gives back
// the original bytes, caret and an unmodified document; redoing everything gives back the final
// bytes and caret.

#include "GlyphEditTestSupport.h"

#include "editor/TGlyphEditClipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace GlyphEditTest;

namespace {

const QString Alphabet = QStringLiteral("ab cd\t(){}.,xy  ");

// The text with each line's own break, as saving writes it.
std::string Saved(const TGlyphEdit& edit) {
    return edit.Lines().SaveToBytes().toStdString();
}

class Session {
public:
    Session(quint32 seed, bool mainWindow) : random_(seed), mainWindow_(mainWindow) {
        if (mainWindow_) {
            ConfigureMainWindow(edit_);
        } else {
            edit_.SetTabWidth(Bounded(1, 4));
            edit_.SetLinesInWindow(8);
            edit_.SetCharsInWindow(30);
        }
        // Each line ends with a break of its own kind, the last one perhaps with none.
        const QByteArray breaks[] = {"\r\n", "\n", "\r"};
        QByteArray file;
        const int count = Bounded(1, 8);
        for (int i = 0; i < count; ++i) {
            file += RandomText(0, 12).toUtf8();
            if (i + 1 < count || Bounded(0, 1))
                file += breaks[Bounded(0, 2)];
        }
        QBuffer buffer(&file);
        buffer.open(QIODevice::ReadOnly);
        edit_.Lines().LoadStream(buffer);
        original_ = Saved(edit_);
    }

    TGlyphEdit& Edit() { return edit_; }
    const std::string& Original() const { return original_; }

    int Bounded(int low, int high) { return static_cast<int>(random_.bounded(low, high + 1)); }

    QString RandomText(int minLength, int maxLength) {
        QString text;
        const int length = Bounded(minLength, maxLength);
        for (int i = 0; i < length; ++i)
            text += Alphabet.at(Bounded(0, static_cast<int>(Alphabet.size()) - 1));
        return text;
    }

    QString RandomBlock() {
        QStringList pieces;
        const int count = Bounded(1, 3);
        for (int i = 0; i < count; ++i)
            pieces << RandomText(0, 5);
        return pieces.join(Bounded(0, 1) ? QStringLiteral("\r\n") : QStringLiteral("\n"));
    }

    TBufferCoord RandomPosition() {
        const int y = Bounded(1, std::max(edit_.LineCount(), 1));
        return {Bounded(1, static_cast<int>(edit_.LineText(y).size()) + 4), y};
    }

    // Places the caret or makes a selection in a random mode.
    void Prepare() {
        const TGlyphSelectionMode modes[] = {smNormal, smLine, smColumn};
        edit_.SetSelectionMode(modes[Bounded(0, 2)]);
        if (Bounded(0, 2) == 0) {
            const TBufferCoord anchor = RandomPosition();
            const TBufferCoord active = RandomPosition();
            Select(edit_, anchor, active, edit_.SelectionMode());
        } else {
            PlaceCaret(edit_, RandomPosition());
        }
        edit_.SetInsertMode(Bounded(0, 5) != 0);
    }

    // Runs one editing command; returns its name for failure messages.
    QString Act() {
        const TGlyphSelectionMode modes[] = {smNormal, smLine, smColumn};
        const int action = Bounded(0, 19);
        switch (action) {
        case 0:
        case 1: {
            const QChar c = Alphabet.at(Bounded(0, static_cast<int>(Alphabet.size()) - 1));
            edit_.RunCommand(ecChar, c);
            return QStringLiteral("type '%1'").arg(c);
        }
        case 2:
            edit_.RunCommand(ecLineBreak);
            return QStringLiteral("line break");
        case 3:
            edit_.RunCommand(ecInsertLine);
            return QStringLiteral("insert line");
        case 4:
            edit_.RunCommand(ecDeleteLastChar);
            return QStringLiteral("backspace");
        case 5:
            edit_.RunCommand(ecDeleteChar);
            return QStringLiteral("delete");
        case 6:
            edit_.RunCommand(ecDeleteWord);
            return QStringLiteral("delete word");
        case 7:
            edit_.RunCommand(ecDeleteLastWord);
            return QStringLiteral("delete last word");
        case 8:
            edit_.RunCommand(ecDeleteEOL);
            return QStringLiteral("delete to line end");
        case 9:
            edit_.RunCommand(ecDeleteLine);
            return QStringLiteral("delete line");
        case 10:
        case 11: {
            const TGlyphSelectionMode mode = modes[Bounded(0, 2)];
            const QString text = RandomBlock();
            PutGlyphClipboardText(text, mode);
            edit_.RunCommand(ecPaste);
            return QStringLiteral("paste mode %1 \"%2\"").arg(int(mode)).arg(Escaped(text));
        }
        case 12: {
            const QString text = RandomBlock();
            QGuiApplication::clipboard()->setText(text);
            edit_.RunCommand(ecPaste);
            return QStringLiteral("paste plain \"%1\"").arg(Escaped(text));
        }
        case 13: {
            const QString text = RandomBlock();
            edit_.SetSelectedText(text);
            return QStringLiteral("write selection \"%1\"").arg(Escaped(text));
        }
        case 14:
            edit_.RunCommand(ecCut);
            return QStringLiteral("cut");
        case 15:
            edit_.RunCommand(ecBlockIndent);
            return QStringLiteral("block indent");
        case 16:
            edit_.RunCommand(ecBlockUnindent);
            return QStringLiteral("block unindent");
        case 17:
            edit_.RunCommand(ecTab);
            return QStringLiteral("tab");
        case 18:
            edit_.RunCommand(ecShiftTab);
            return QStringLiteral("shift tab");
        default:
            edit_.RunCommand(ecDeleteBOL);
            return QStringLiteral("delete to line start");
        }
    }

    QString Describe() const {
        return QStringLiteral("%1 editor, file \"%2\", steps: %3")
            .arg(mainWindow_ ? QStringLiteral("main window") : QStringLiteral("default"))
            .arg(Escaped(QString::fromStdString(original_)))
            .arg(steps_.join(QStringLiteral("; ")));
    }

    void Note(const QString& step, TBufferCoord caret) {
        steps_ << QStringLiteral("%1 at (%2,%3)").arg(step).arg(caret.X).arg(caret.Y);
    }

    static QString Escaped(QString text) {
        return text.replace(u'\r', QStringLiteral("\\r"))
            .replace(u'\n', QStringLiteral("\\n"))
            .replace(u'\t', QStringLiteral("\\t"));
    }

private:
    TGlyphEdit edit_;
    QRandomGenerator random_;
    bool mainWindow_;
    std::string original_;
    QStringList steps_;
};

int RecordedEntries(const TGlyphEditUndoList& list) {
    int n = 0;
    for (int i = 0; i < list.ItemCount(); ++i)
        n += list.Item(i).Kind != uckGroupBreak;
    return n;
}

void RunSession(quint32 seed, bool mainWindow) {
    Session session(seed, mainWindow);
    TGlyphEdit& edit = session.Edit();
    std::optional<TBufferCoord> caretBeforeFirstChange;
    TBufferCoord caretAfterLastChange;
    const int steps = session.Bounded(1, 30);
    for (int i = 0; i < steps; ++i) {
        session.Prepare();
        const std::string textBefore = Saved(edit);
        const TBufferCoord caretBefore = edit.CaretXY();
        const int entriesBefore = RecordedEntries(edit.UndoList());
        const QString step = session.Act();
        session.Note(step, caretBefore);
        if (RecordedEntries(edit.UndoList()) == entriesBefore) {
            ASSERT_EQ(Saved(edit), textBefore) << "a change was not recorded; seed " << seed << "; "
                                               << session.Describe().toStdString();
            continue;
        }
        caretAfterLastChange = edit.CaretXY();
        if (!caretBeforeFirstChange)
            caretBeforeFirstChange = caretBefore;
        if (mainWindow) {
            // In the main window every command is one undo step.
            const std::string textAfter = Saved(edit);
            edit.Undo();
            ASSERT_EQ(Saved(edit), textBefore)
                << "seed " << seed << "; " << session.Describe().toStdString();
            ASSERT_EQ(edit.CaretXY(), caretBefore)
                << "seed " << seed << "; " << session.Describe().toStdString();
            edit.Redo();
            ASSERT_EQ(Saved(edit), textAfter)
                << "seed " << seed << "; " << session.Describe().toStdString();
            ASSERT_EQ(edit.CaretXY(), caretAfterLastChange)
                << "seed " << seed << "; " << session.Describe().toStdString();
        }
    }
    const std::string final = Saved(edit);
    for (int round = 0; round < 2; ++round) {
        UndoAll(edit);
        ASSERT_EQ(Saved(edit), session.Original())
            << "undo all; seed " << seed << "; " << session.Describe().toStdString();
        ASSERT_FALSE(edit.Modified()) << "seed " << seed;
        if (caretBeforeFirstChange) {
            ASSERT_EQ(edit.CaretXY(), *caretBeforeFirstChange)
                << "seed " << seed << "; " << session.Describe().toStdString();
        }
        RedoAll(edit);
        ASSERT_EQ(Saved(edit), final)
            << "redo all; seed " << seed << "; " << session.Describe().toStdString();
        if (caretBeforeFirstChange) {
            ASSERT_EQ(edit.CaretXY(), caretAfterLastChange)
                << "seed " << seed << "; " << session.Describe().toStdString();
        }
        ASSERT_EQ(edit.Modified(), caretBeforeFirstChange.has_value()) << "seed " << seed;
    }
}

// Undo, redo and saves mixed into the session, checked against a plain history of saved bytes:
// every recorded command pushes the bytes (dropping what was undone), undo and redo walk the
// history, and the document is modified wherever the walk stands off the saved entry.
void RunInterleavedSession(quint32 seed) {
    Session session(seed, true);
    TGlyphEdit& edit = session.Edit();
    std::vector<std::string> history{Saved(edit)};
    int position = 0;
    int saved = 0; // -1 once the saved entry was dropped from the history
    const int steps = session.Bounded(1, 40);
    for (int i = 0; i < steps; ++i) {
        const int choice = session.Bounded(0, 6);
        if (choice == 6) {
            edit.SetModified(false);
            saved = position;
            session.Note(QStringLiteral("save"), edit.CaretXY());
        } else if (choice == 0) {
            edit.Undo();
            position = std::max(position - 1, 0);
            session.Note(QStringLiteral("undo"), edit.CaretXY());
        } else if (choice == 1) {
            edit.Redo();
            position = std::min(position + 1, static_cast<int>(history.size()) - 1);
            session.Note(QStringLiteral("redo"), edit.CaretXY());
        } else {
            session.Prepare();
            const int entriesBefore = RecordedEntries(edit.UndoList());
            const TBufferCoord caretBefore = edit.CaretXY();
            session.Note(session.Act(), caretBefore);
            if (RecordedEntries(edit.UndoList()) != entriesBefore ||
                Saved(edit) != history.at(position)) {
                history.erase(history.begin() + position + 1, history.end());
                history.push_back(Saved(edit));
                if (saved > position)
                    saved = -1;
                ++position;
            }
        }
        ASSERT_EQ(Saved(edit), history.at(position))
            << "seed " << seed << "; " << session.Describe().toStdString();
        ASSERT_EQ(edit.UndoAvailable(), position > 0) << "seed " << seed;
        ASSERT_EQ(edit.RedoAvailable(), position + 1 < static_cast<int>(history.size()))
            << "seed " << seed;
        ASSERT_EQ(edit.Modified(), position != saved)
            << "seed " << seed << "; " << session.Describe().toStdString();
    }
}

TEST(UndoProperty, InterleavedUndoRedoFollowsTheHistory) {
    for (quint32 seed = 1; seed <= 3000; ++seed) {
        RunInterleavedSession(seed);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

TEST(UndoProperty, MainWindowSessionsUndoAndRedoExactly) {
    for (quint32 seed = 1; seed <= 4000; ++seed) {
        RunSession(seed, true);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

TEST(UndoProperty, DefaultEditorSessionsUndoAndRedoExactly) {
    for (quint32 seed = 1; seed <= 4000; ++seed) {
        RunSession(seed, false);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

} // namespace
