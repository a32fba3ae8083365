// Find in Files and Replace in Files through the main window, over real folders holding files
// in several encodings and line breaks, with the things a hostile tree holds.
#include "app/TFormGlyphon.h"

#include "app/FindInFiles.h"
#include "app/ModifiedFilesRegistry.h"
#include "app/TFormCheckLinks.h"
#include "app/TFormFindInFiles.h"
#include "app/TResultsPane.h"
#include "common/DockLayout.h"
#include "common/SettingsIni.h"
#include "support/MainWindowStart.h"
#include "support/ScriptedPrompts.h"
#include "support/TestProgram.h"
#include "tests/support/WaitFor.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kDeadlineMs = 20000;

QByteArray Utf16Le(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    return bytes;
}

// Files are made and read by their bytes: a name need not be valid UTF-8.
QByteArray ReadBytes(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "<unreadable>";
    QByteArray bytes;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, got);
    ::close(fd);
    return bytes;
}

void WriteBytes(const QByteArray& path, const QByteArray& bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path.toStdString();
    EXPECT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    ::close(fd);
}

// The rows of the results list as "file:line:column:text", the marked part in brackets,
// sorted (folders are read in no fixed order).
QStringList ShownRows(const TResultsPane& pane, const QString& root) {
    QStringList rows;
    for (int i = 0; i < pane.TreeResults->topLevelItemCount(); ++i) {
        const QString fileName =
            pane.TreeResults->topLevelItem(i)->data(0, Qt::UserRole).toString();
        for (const TResultRow& row : pane.RowsOf(fileName)) {
            QString text = row.Text;
            if (row.MarkStart >= 0)
                text.insert(row.MarkStart + row.MarkLength, u']').insert(row.MarkStart, u'[');
            rows << QStringLiteral("%1:%2:%3:%4")
                        .arg(QString(fileName).remove(root + '/'))
                        .arg(row.Line)
                        .arg(row.Column)
                        .arg(text);
        }
    }
    rows.sort();
    return rows;
}

QStringList Sorted(QStringList rows) {
    rows.sort();
    return rows;
}

struct TCase {
    const char* Name = nullptr;
    QList<std::pair<QByteArray, QByteArray>> Files{}; // name below the folder, bytes
    QString Text{};
    std::optional<QString> Replacement{}; // Replace in Files when set
    bool Regex = false;
    bool MatchCase = false;
    bool WholeWords = false;
    QStringList Found{}; // the rows after the search
    QString FoundSummary{};
    QStringList Done{}; // the rows after the replacement
    QString DoneSummary{};
    QList<std::pair<QByteArray, QByteArray>> After{}; // bytes of files after the replacement
    // Sets up what plain files cannot say: links, pipes, the open document's changes.
    std::function<void(const QByteArray& root, const QByteArray& outside, TFormGlyphon&)> Arrange{};
    // Runs between the search and the replacement.
    std::function<void(const QByteArray& root, const QByteArray& outside)> Between{};
};

const QByteArray kDocument = "doc.html";

} // namespace

TEST(FindInFiles, FindsAndReplacesAcrossAFolderAsOpenReadsAndSaveWritesEachFile) {
    const TCase cases[] = {
        {.Name = "text in UTF-8 with CR LF, and in Windows-1252, ignoring case",
         .Files = {{"a.html", "<p>Caf\xC3\xA9</p>\r\n<P>CAF\xC3\x89</P>\r\n"},
                   {"b.htm", "caf\xE9 menu\n"}},
         .Text = QString::fromUtf8("caf\xC3\xA9"),
         .Found = {QString::fromUtf8("a.html:1:4:<p>[Caf\xC3\xA9]</p>"),
                   QString::fromUtf8("a.html:2:4:<P>[CAF\xC3\x89]</P>"),
                   QString::fromUtf8("b.htm:1:1:[caf\xC3\xA9] menu")},
         .FoundSummary = "3 matches in 2 files (3 searched); 0 skipped"},
        {.Name = "UTF-16 is text, not binary, though it holds NULs",
         .Files = {{"w.css", Utf16Le("a {}\r\nb { color: red }\r\n")}},
         .Text = "color",
         .MatchCase = true,
         .Found = {"w.css:2:5:b { [color]: red }"},
         .FoundSummary = "1 match in 1 file (2 searched); 0 skipped"},
        {.Name = "whole words",
         .Files = {{"w.js", "cat cats cat_dog cat-dog\n"}},
         .Text = "cat",
         .WholeWords = true,
         .Found = {"w.js:1:1:[cat] cats cat_dog cat-dog", "w.js:1:18:cat cats cat_dog [cat]-dog"},
         .FoundSummary = "2 matches in 1 file (2 searched); 0 skipped"},
        {.Name = "regular expression groups, LF kept, backup written, mode kept",
         .Files = {{"m.php", "a: bob@example.com\nc: eve@example.com x\n"}},
         .Text = "(\\w+)@example\\.com",
         .Replacement = "\\1@example.org",
         .Regex = true,
         .Found = {"m.php:1:4:a: [bob@example.com]", "m.php:2:4:c: [eve@example.com] x"},
         .FoundSummary = "2 matches in 1 file (2 searched); 0 skipped",
         .Done = {"m.php:0:0:2 replacements made."},
         .DoneSummary = "2 replacements in 1 file; 0 skipped",
         .After = {{"m.php", "a: bob@example.org\nc: eve@example.org x\n"},
                   {"m.~php", "a: bob@example.com\nc: eve@example.com x\n"}},
         .Arrange = [](const QByteArray& root, const QByteArray&,
                       TFormGlyphon&) { ::chmod((root + "/m.php").constData(), 0640); }},
        {.Name = "Windows-1252 with CR breaks and no break at the end stays so",
         .Files = {{"c.htm", "caf\xE9\rCaf\xE9 noir"}},
         .Text = QString::fromUtf8("caf\xC3\xA9"),
         .Replacement = QString::fromUtf8("th\xC3\xA9"),
         .Found = {QString::fromUtf8("c.htm:1:1:[caf\xC3\xA9]"),
                   QString::fromUtf8("c.htm:2:1:[Caf\xC3\xA9] noir")},
         .FoundSummary = "2 matches in 1 file (2 searched); 0 skipped",
         .Done = {"c.htm:0:0:2 replacements made."},
         .DoneSummary = "2 replacements in 1 file; 0 skipped",
         .After = {{"c.htm", "th\xE9\rth\xE9 noir"}}},
        {.Name = "binary, too large, pipes, links out of the folder and hidden folders are "
                 "not searched",
         .Files = {{"ok.html", "key\n"},
                   {"bin.html", QByteArray("key\0key", 7)},
                   {".hidden/h.html", "key\n"},
                   {"sub/s.html", "key key\n"}},
         .Text = "key",
         .Replacement = "door",
         .Found = {"bin.html:0:0:Skipped: It is a binary file.",
                   "big.html:0:0:Skipped: It is larger than 64 MB.",
                   "fifo.html:0:0:Skipped: It is not a regular file.", "ok.html:1:1:[key]",
                   "out.html:0:0:Skipped: It is a link that leads out of the folder.",
                   "outdir:0:0:Skipped: It is a link that leads out of the folder.",
                   "sub/s.html:1:1:[key] key", "sub/s.html:1:5:key [key]"},
         .FoundSummary = "3 matches in 2 files (3 searched); 5 skipped",
         .Done = {"ok.html:0:0:1 replacement made.", "sub/s.html:0:0:2 replacements made."},
         .DoneSummary = "3 replacements in 2 files; 0 skipped",
         .After = {{"ok.html", "door\n"},
                   {"sub/s.html", "door door\n"},
                   {".hidden/h.html", "key\n"}},
         .Arrange =
             [](const QByteArray& root, const QByteArray& outside, TFormGlyphon&) {
                 QFile big(QFile::decodeName(root + "/big.html"));
                 ASSERT_TRUE(big.open(QIODevice::WriteOnly));
                 ASSERT_TRUE(big.resize(65 * 1024 * 1024)); // sparse: quick to make
                 ASSERT_EQ(::mkfifo((root + "/fifo.html").constData(), 0644), 0);
                 ASSERT_EQ(::symlink((outside + "/secret.html").constData(),
                                     (root + "/out.html").constData()),
                           0);
                 ASSERT_EQ(::symlink(outside.constData(), (root + "/outdir").constData()), 0);
                 ASSERT_EQ(::symlink("..", (root + "/sub/loop").constData()), 0);
                 ASSERT_EQ(::symlink("ok.html", (root + "/again.html").constData()), 0);
             }},
        {.Name = "a file swapped for a link after the search is never written through",
         .Files = {{"x.html", "key\n"}},
         .Text = "key",
         .Replacement = "door",
         .Found = {"x.html:1:1:[key]"},
         .FoundSummary = "1 match in 1 file (2 searched); 0 skipped",
         .Done = {"x.html:0:0:Skipped: It cannot be opened: Too many levels of symbolic links."},
         .DoneSummary = "0 replacements in 0 files; 1 skipped",
         .After = {{"x.html", "key\n"}},
         .Between =
             [](const QByteArray& root, const QByteArray& outside) {
                 ASSERT_EQ(::unlink((root + "/x.html").constData()), 0);
                 ASSERT_EQ(::symlink((outside + "/secret.html").constData(),
                                     (root + "/x.html").constData()),
                           0);
             }},
        {.Name = "the document modified in the window is skipped and named",
         .Files = {{"other.html", "key\n"}},
         .Text = "key",
         .Replacement = "door",
         .Found = {"doc.html:1:1:[key] in the document", "other.html:1:1:[key]"},
         .FoundSummary = "2 matches in 2 files (2 searched); 0 skipped",
         .Done = {"doc.html:0:0:Skipped: It is open with unsaved changes in a window.",
                  "other.html:0:0:1 replacement made."},
         .DoneSummary = "1 replacement in 1 file; 1 skipped",
         .After = {{"doc.html", "key in the document\n"}, {"other.html", "door\n"}},
         .Arrange =
             [](const QByteArray& root, const QByteArray&, TFormGlyphon& form) {
                 WriteBytes(root + "/doc.html", "key in the document\n");
                 form.OpenDocument(QFile::decodeName(root + "/doc.html"), false);
                 form.GlyphEdit.SetText("typed, not saved");
                 form.GlyphEdit.SetModified(true);
             }},
        {.Name = "names with a newline are found; names not in the system's encoding are skipped",
         .Files = {{"new\nline.html", "key\n"}, {"bad\xFF.html", "key\n"}},
         .Text = "key",
         .Replacement = "door",
         .Found = {QString::fromUtf8("bad\xEF\xBF\xBD.html:0:0:Skipped: Its name is not valid in "
                                     "the system's encoding."),
                   "new\nline.html:1:1:[key]"},
         .FoundSummary = "1 match in 1 file (2 searched); 1 skipped",
         .Done = {"new\nline.html:0:0:1 replacement made."},
         .DoneSummary = "1 replacement in 1 file; 0 skipped",
         .After = {{"new\nline.html", "door\n"}, {"bad\xFF.html", "key\n"}}},
    };

    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        QTemporaryDir temp;
        ASSERT_TRUE(temp.isValid());
        const QByteArray base = QFile::encodeName(QDir(temp.path()).canonicalPath());
        const QByteArray root = base + "/site";
        const QByteArray outside = base + "/outside";
        ASSERT_TRUE(QDir().mkpath(QFile::decodeName(root + "/sub")));
        ASSERT_TRUE(QDir().mkpath(QFile::decodeName(root + "/.hidden")));
        ASSERT_TRUE(QDir().mkpath(QFile::decodeName(outside)));
        WriteBytes(outside + "/secret.html", "key\n");
        WriteBytes(root + '/' + kDocument, "nothing here\n");
        for (const auto& [name, bytes] : c.Files)
            WriteBytes(root + '/' + name, bytes);

        // The pane was last left closed as a strip: the results still get room.
        TDockLayout strip;
        strip.Visible = false;
        strip.DockedTo = strip.LastDock = "TBDockBot";
        strip.ClientHeight = 40;
        WriteDockLayout(SettingsIni(), "TFormGlyphonTBWindowPreview", strip);
        auto form = StartMainWindow();
        form->resize(800, 600);
        if (c.Arrange)
            c.Arrange(root, outside, *form);
        const QString document = QFile::decodeName(root + '/' + kDocument);
        if (!form->IsDocumentFile(document))
            form->OpenDocument(document, false);

        ScriptedPrompts prompts;
        prompts.AnswerDialog([&](QDialog& dialog) {
            auto& find = static_cast<TFormFindInFiles&>(dialog);
            EXPECT_EQ(find.EditFolder->text(), QFile::decodeName(root));
            EXPECT_EQ(find.EditPatterns->text(), "*.htm;*.html;*.php;*.css;*.js");
            EXPECT_EQ(find.EditReplace->isVisibleTo(&find), c.Replacement.has_value());
            find.EditFind->setText(c.Text);
            find.EditReplace->setText(c.Replacement.value_or(QString()));
            find.CBRegularExpression->setChecked(c.Regex);
            find.CBMatchCase->setChecked(c.MatchCase);
            find.CBWholeWord->setChecked(c.WholeWords);
            return int(QDialog::Accepted);
        });
        form->ClickMenuItem(c.Replacement ? form->MIReplaceInFiles : form->MIFindInFiles);
        TResultsPane& pane = *form->FindResults;
        ASSERT_TRUE(QTest::qWaitFor([&] { return !pane.Busy(); }, kDeadlineMs));
        EXPECT_TRUE(pane.isVisible());
        ASSERT_SOON(form->TBWindowPreviewClient->height() >= 150, 5000);
        EXPECT_EQ(ShownRows(pane, QFile::decodeName(root)), Sorted(c.Found));
        EXPECT_EQ(pane.Summary(), c.FoundSummary);
        if (!c.Replacement)
            continue;

        if (c.Between)
            c.Between(root, outside);
        ASSERT_TRUE(form->ButtonReplaceChecked->isVisible());
        prompts.AnswerButton(QMessageBox::Yes);
        form->ButtonReplaceChecked->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !pane.Busy(); }, kDeadlineMs));
        EXPECT_EQ(ShownRows(pane, QFile::decodeName(root)), Sorted(c.Done));
        EXPECT_EQ(pane.Summary(), c.DoneSummary);
        for (const auto& [name, bytes] : c.After)
            EXPECT_EQ(ReadBytes(root + '/' + name), bytes) << name.toStdString();
        EXPECT_EQ(ReadBytes(outside + "/secret.html"), "key\n");
        struct stat st {};
        if (::stat((root + "/m.php").constData(), &st) == 0) {
            EXPECT_EQ(st.st_mode & 0777, 0640u);
        }
        // Names that are not UTF-8 are beyond what the temporary folder's clean-up can remove.
        for (const auto& [name, bytes] : c.Files)
            ::unlink((root + '/' + name).constData());
    }
}

// UTF-8 files are cut into lines and decoded apart from the line store: a seeded walk over
// random texts checks that both ways find the same matches at the same places.
TEST(FindInFiles, Utf8IsSearchedAsTheLineStoreReadsIt) {
    const unsigned seed = 20261210;
    std::mt19937 random(seed);
    const QByteArray pieces[] = {"a",   "b",   "k",  "K",    "\xE2\x84\xAA", "\xC3\xA9",
                                 " ",   "\r",  "\n", "\r\n", "ab",           "\xEF\xBB\xBF",
                                 "abc", "ABC", "s",  "S",    "\xC5\xBF",     ".",
                                 "c",   "x",   "kss"};
    struct {
        const char* Text;
        bool Regex, MatchCase, WholeWords;
    } const searches[] = {{"ab", false, false, false},
                          {"k", false, false, false},
                          {"K", false, true, false},
                          {"\xC3\xA9", false, false, true},
                          {"a b", false, true, false},
                          {"a+b|^k", true, false, false},
                          // Expressions are looked for by a part every match holds: the parts
                          // around optional atoms, groups, classes and ignored case.
                          {"abc+k", true, false, false},
                          {"kssa*", true, false, false},
                          {"\\babc\\b", true, true, false},
                          {"a(b)c?abc", true, false, true},
                          {"[ab]\\s*abc{2}", true, false, false},
                          {"x{0,2}abc", true, true, false},
                          {"ab\\.c", true, false, false},
                          {"(?i)ABCk", true, true, false},
                          {"abc|x", true, true, false},
                          {"a\\Qbc\\E", true, true, false},
                          {"AB(?=C)C", true, true, false},
                          {"ab[c]+abc", true, false, false}};
    std::vector<int> found(std::size(searches));
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = random() % 4 == 0 ? QByteArray("\xEF\xBB\xBF") : QByteArray();
        for (int n = int(random() % 40); n > 0; --n)
            bytes += pieces[random() % std::size(pieces)];
        for (size_t k = 0; k < std::size(searches); ++k) {
            const auto& s = searches[k];
            TFindInFilesOptions options;
            options.Text = QString::fromUtf8(s.Text);
            options.RegularExpression = s.Regex;
            options.MatchCase = s.MatchCase;
            options.WholeWords = s.WholeWords;
            TLineMatcher matcher(options);
            const auto quick = SearchFileBytes("f", bytes, matcher);
            const auto stored = SearchFileLines("f", bytes, matcher);
            ASSERT_EQ(quick.Matches, stored.Matches)
                << s.Text << " seed " << seed << " round " << round;
            found[k] += stored.Matches;
            for (qsizetype i = 0; i < quick.Rows.size(); ++i) {
                ASSERT_EQ(quick.Rows[i].Line, stored.Rows[i].Line) << "round " << round;
                ASSERT_EQ(quick.Rows[i].Column, stored.Rows[i].Column) << "round " << round;
                ASSERT_EQ(quick.Rows[i].Text, stored.Rows[i].Text) << "round " << round;
            }
        }
    }
    // Every search met text it matches, or the comparison proved little.
    for (size_t k = 0; k < std::size(searches); ++k)
        EXPECT_GT(found[k], 0) << searches[k].Text;
}

// Which files the program's windows hold modified, as the folder of their entries tells it:
// each window's own note, and what a hostile or stale folder holds instead.
TEST(FindInFiles, TheModifiedFilesOfLiveWindowsAreKnownAndNothingElse) {
    QTemporaryDir temp;
    const QString folder = temp.filePath("registry");
    const QString a = temp.filePath("a.html");
    const QString b = temp.filePath("b.html");
    WriteBytes(QFile::encodeName(a), "a\n");
    WriteBytes(QFile::encodeName(b), "b\n");
    const auto listed = [&] {
        QStringList names;
        for (const TModifiedFile& file : TModifiedFilesRegistry::List(folder)) {
            struct stat st {};
            // The entry names the file both by its path and by its identity.
            EXPECT_EQ(::stat(file.RealPath.constData(), &st), 0);
            EXPECT_TRUE(st.st_dev == file.Device && st.st_ino == file.Inode);
            names << QFileInfo(QFile::decodeName(file.RealPath)).fileName();
        }
        names.sort();
        return names;
    };
    const auto entries = [&] {
        return QDir(folder).entryList({"*.entry"}, QDir::Files | QDir::System);
    };
    struct {
        const char* Name;
        std::function<void(TModifiedFilesRegistry& one, TModifiedFilesRegistry& two)> Act;
        QStringList Listed;
    } const cases[] = {
        {"modified documents of two windows",
         [&](auto& one, auto& two) {
             one.Note(a, true);
             two.Note(b, true);
         },
         {"a.html", "b.html"}},
        {"saved, untitled and vanished documents hold none",
         [&](auto& one, auto& two) {
             one.Note(a, true);
             one.Note(a, false);
             two.Note("Untitled.htm", true);
             two.Note(temp.filePath("gone.html"), true);
         },
         {}},
        {"another document in the same window",
         [&](auto& one, auto&) {
             one.Note(a, true);
             one.Note(b, true);
         },
         {"b.html"}},
        {"an entry its process left behind is removed",
         [&](auto& one, auto&) {
             one.Note(a, true);
             const QString entry = entries().value(0);
             ASSERT_FALSE(entry.isEmpty());
             // A copy nobody locks, as an ended process leaves its entry.
             ASSERT_TRUE(QFile::copy(folder + '/' + entry, folder + "/1-stale.entry"));
             one.Note(a, false);
             ASSERT_EQ(entries(), QStringList{"1-stale.entry"});
         },
         {}},
        {"garbled entries, links and pipes are passed over",
         [&](auto& one, auto&) {
             one.Note(b, true);
             WriteBytes(QFile::encodeName(folder + "/garbled.entry"),
                        "glyphon-modified 1\nx y\n/a\n");
             WriteBytes(QFile::encodeName(folder + "/short.entry"), "glyphon");
             WriteBytes(QFile::encodeName(folder + "/big.entry"), QByteArray(1 << 20, '\n'));
             ASSERT_EQ(::symlink(QFile::encodeName(folder + '/' + entries().value(0)).constData(),
                                 QFile::encodeName(folder + "/link.entry").constData()),
                       0);
             ASSERT_EQ(::mkfifo(QFile::encodeName(folder + "/pipe.entry").constData(), 0600), 0);
         },
         {"b.html"}},
        {"a folder others may write to is not trusted",
         [&](auto& one, auto&) {
             one.Note(a, true);
             ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
         },
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        QDir(folder).removeRecursively();
        {
            TModifiedFilesRegistry one(folder);
            TModifiedFilesRegistry two(folder);
            c.Act(one, two);
            EXPECT_EQ(listed(), c.Listed);
        }
        EXPECT_FALSE(QFile::exists(folder + "/1-stale.entry"));
        // Windows that go take their entries with them.
        ::chmod(QFile::encodeName(folder).constData(), 0700);
        EXPECT_TRUE(listed().isEmpty());
    }
}

// Replace in Files passes over a file that another window of the program, running as a process
// of its own, holds with unsaved changes; once that window is gone, the file is replaced in.
TEST(FindInFiles, ReplaceSkipsAFileModifiedInAnotherWindow) {
    QTemporaryDir temp;
    const QByteArray root = QFile::encodeName(QDir(temp.path()).canonicalPath());
    WriteBytes(root + "/other.html", "key\n");
    WriteBytes(root + "/free.html", "key\n");
    TProgram other(GLYPHON_EXECUTABLE, {QFile::decodeName(root + "/other.html")});
    ASSERT_EQ(other.Command("type typed "), "typed");
    ASSERT_SOON(TModifiedFilesRegistry::List().size() == 1, kDeadlineMs);

    auto form = StartMainWindow();
    ScriptedPrompts prompts;
    TResultsPane* pane = nullptr; // made at the first search
    const auto replace = [&] {
        prompts.AnswerDialog([&](QDialog& dialog) {
            auto& find = static_cast<TFormFindInFiles&>(dialog);
            find.EditFolder->setText(QFile::decodeName(root));
            find.EditFind->setText("key");
            find.EditReplace->setText("door");
            return int(QDialog::Accepted);
        });
        form->ClickMenuItem(form->MIReplaceInFiles);
        pane = form->FindResults;
        ASSERT_NE(pane, nullptr);
        ASSERT_SOON(!pane->Busy(), kDeadlineMs);
        ASSERT_TRUE(form->ButtonReplaceChecked->isVisible());
        prompts.AnswerButton(QMessageBox::Yes);
        form->ButtonReplaceChecked->click();
        ASSERT_SOON(!pane->Busy(), kDeadlineMs);
    };
    replace();
    EXPECT_EQ(
        ShownRows(*pane, QFile::decodeName(root)),
        QStringList({"free.html:0:0:1 replacement made.",
                     "other.html:0:0:Skipped: It is open with unsaved changes in a window."}));
    EXPECT_EQ(pane->Summary(), "1 replacement in 1 file; 1 skipped");
    EXPECT_EQ(ReadBytes(root + "/other.html"), "key\n");

    // A window killed leaves its entry behind, unlocked: it no longer keeps the file out.
    ::kill(other.Pid(), SIGKILL);
    ASSERT_TRUE(other.Process().waitForFinished());
    replace();
    EXPECT_EQ(ShownRows(*pane, QFile::decodeName(root)),
              QStringList({"other.html:0:0:1 replacement made."}));
    EXPECT_EQ(ReadBytes(root + "/other.html"), "door\n");
    EXPECT_TRUE(TModifiedFilesRegistry::List().isEmpty());
}

// The rows' menu of Find Results and of Links opens the place in a new window of the program,
// as File > Open New Window starts it, with the caret at the place.
TEST(FindInFiles, ResultRowsOpenTheirPlaceInANewWindowFromTheirMenu) {
    QTemporaryDir temp;
    const QByteArray root = QFile::encodeName(QDir(temp.path()).canonicalPath());
    WriteBytes(root + "/page.html", "<p>key</p>\n  <a href=\"missing.html\">key</a>\n");
    const QString page = QFile::decodeName(root + "/page.html");
    const QByteArray report = root + "/arguments.txt";
    // A stand-in for the program writes its arguments, one a line.
    WriteBytes(root + "/glyphon-standin.sh", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + report +
                                                 ".part'\nmv '" + report + ".part' '" + report +
                                                 "'\n");
    ASSERT_EQ(::chmod((root + "/glyphon-standin.sh").constData(), 0700), 0);

    auto form = StartMainWindow();
    form->NewWindowProgram = QFile::decodeName(root + "/glyphon-standin.sh");
    ScriptedPrompts prompts;
    struct {
        const char* Name;
        std::function<TResultsPane*()> Run;
        QString Arguments;
    } const cases[] = {
        {"Find Results",
         [&] {
             prompts.AnswerDialog([&](QDialog& dialog) {
                 auto& find = static_cast<TFormFindInFiles&>(dialog);
                 find.EditFolder->setText(QFile::decodeName(root));
                 find.EditFind->setText("key");
                 return int(QDialog::Accepted);
             });
             form->ClickMenuItem(form->MIFindInFiles);
             return form->FindResults;
         },
         "-CaretX\n4\n-CaretY\n1\n--\n" + page + "\n"},
        {"Links",
         [&] {
             prompts.AnswerDialog([&](QDialog& dialog) {
                 static_cast<TFormCheckLinks&>(dialog).EditFolder->setText(QFile::decodeName(root));
                 return int(QDialog::Accepted);
             });
             form->ClickMenuItem(form->MICheckLinks);
             return form->LinkResults;
         },
         "-CaretX\n12\n-CaretY\n2\n--\n" + page + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ::unlink(report.constData());
        TResultsPane* pane = c.Run();
        ASSERT_SOON(!pane->Busy(), kDeadlineMs);
        QTreeWidget* tree = pane->TreeResults;
        ASSERT_GT(tree->topLevelItemCount(), 0);
        QTreeWidgetItem* row = tree->topLevelItem(0)->child(0);
        ASSERT_NE(row, nullptr);
        tree->scrollToItem(row);
        emit tree->customContextMenuRequested(tree->visualItemRect(row).center());
        ASSERT_TRUE(pane->PopupMenuResults->isVisible());
        pane->PMOpenNewWindow->trigger();
        pane->PopupMenuResults->hide();
        ASSERT_SOON(QFile::exists(QFile::decodeName(report)), kDeadlineMs);
        EXPECT_EQ(QString::fromUtf8(ReadBytes(report)), c.Arguments);
        EXPECT_EQ(form->DocumentFileName, "Untitled.htm") << "this window is untouched";
    }
}
