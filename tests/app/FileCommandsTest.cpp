// The main window's file commands driven through its menu items: New, Open, Save, Save As,
// Open New Window, the recent files, with real files, a real HTTP server and scripted prompts.
#include "app/TFormGlyphon.h"

#include "../net/DialogDriver.h"
#include "../net/HttpTestServer.h"
#include "common/AppHelpers.h"
#include "common/CommandLine.h"
#include "common/FileDialogs.h"
#include "common/FileUtils.h"
#include "common/HtmlPreview.h"
#include "common/Paths.h"
#include "common/SettingsIni.h"
#include "editor/TGlyphEditView.h"
#include "net/TFormOpenDialog.h"
#include "net/TFormOpenURL.h"
#include "net/TPTShellList.h"
#include "support/QtPrinters.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QStringEncoder>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

namespace {

constexpr int kDeadlineMs = 10000;
const QString kWritePermissions = "You don't have write permissions for the file \"%1\".";
const QString kRevertQuestion =
    "\"%1\" is already open.\r\rDo you wish to revert to the last saved version of this document?";
const QString kSaveQuestion =
    "The file \"%1\" has been changed.\r\rDo you want to save the changes?";

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void Type(TFormGlyphon& form, const QString& text) {
    for (const QChar c : text)
        form.GlyphEdit.RunCommand(ecChar, c);
}

// Lowers the largest file this process may write, as a full disk would, and puts everything
// back when it goes. SIGXFSZ is ignored meanwhile, so a write past the limit fails with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Active() const { return active_; }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
    bool active_ = false;
};

class FileCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = QDir(dir.path()).canonicalPath();
    }

    void TearDown() override {
        // Read-only folders made by a test must go with the temporary folder.
        for (const QString& folder : lockedFolders)
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner);
        form.reset();
        QFile::remove(TestEnvironment::SettingsPath());
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Velmaris", "Velmaris Glyphon")
            .clear();
    }

    // Starts the window as the program does without a file: shown, painted, untitled.
    void Start() {
        SetCommandLineArgs({"glyphon"});
        form = std::make_unique<TFormGlyphon>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->DocumentFileName.isEmpty(); }, 5000));
    }

    QString WriteFile(const QString& name, const QByteArray& bytes) {
        const QString path = root + '/' + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(bytes);
        return path;
    }

    // A folder whose mode has no write bit: read-only by the program's rule, even for root.
    QString LockedFolder(const QString& name) {
        const QString folder = root + '/' + name;
        QDir().mkpath(folder);
        lockedFolders << folder;
        return folder;
    }
    void Lock(const QString& folder) {
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadGroup | QFileDevice::ExeGroup);
    }

    void Open(const QString& path) {
        ASSERT_TRUE(RunCommand([&] { form->OpenDocument(path, true); })) << path.toStdString();
    }

    QStringList Lines() const { return form->GlyphEdit.Lines().Lines(); }
    QStringList Recent() const { return form->TBMRUList.Items(); }

    // Everything the user sees of the document's name.
    void ExpectShownName(const QString& name, const char* what) const {
        EXPECT_EQ(form->DocumentFileName, name) << what;
        EXPECT_EQ(form->windowTitle(),
                  "Velmaris Glyphon - [" + name + "]" + (form->GlyphEdit.Modified() ? " *" : ""))
            << what;
        EXPECT_EQ(form->TabSet->tabText(0), QFileInfo(name).fileName()) << what;
        EXPECT_EQ(StatusPanel(form->StatusBar, 0)->text(), name) << what;
    }

    QTemporaryDir dir;
    QString root;
    QStringList lockedFolders;
    std::unique_ptr<TFormGlyphon> form;
};

// --- File types ----------------------------------------------------------------------------------

TEST_F(FileCommands, FileFilterListsTheHighlightersInTheWindowsOrder) {
    Start();
    EXPECT_EQ(form->BuildFileFilter(),
              "HTML Document (*.htm,*.html)|*.htm;*.html|"
              "Javascript files (*.js)|*.js|"
              "Java files (*.java)|*.java|"
              "Cascading Stylesheets (*.css)|*.css|"
              "PHP files (*.php,*.php3,*.phtml,*.inc)|*.php;*.php3;*.phtml;*.inc|"
              "Perl files (*.pl,*.pm,*.cgi)|*.pl;*.pm;*.cgi|"
              "VBScript files (*.vbs)|*.vbs|"
              "C++ files (*.cpp,*.h,*.hpp)|*.cpp;*.h;*.hpp|"
              "Text Files (*.txt)|*.txt|"
              "All Files (*.*)|*.*|");

    // The filters are the window's own table: a filter changed on a highlighter does not change
    // what the dialogs list, nor which highlighter a file gets.
    const QString before = form->BuildFileFilter();
    form->GlyphJavaHighlighter().SetDefaultFilter(QString());
    form->GlyphGeneralHighlighter().SetDefaultFilter("Notes (*.txt,*.md)|*.txt;*.md");
    EXPECT_EQ(form->BuildFileFilter(), before);
    Open(WriteFile("App.java", "class App {}\n"));
    EXPECT_EQ(form->CurrentHighlighter(), &form->GlyphJavaHighlighter());
}

// --- New -----------------------------------------------------------------------------------------

TEST_F(FileCommands, NewEmptiesTheDocumentAndClearsReadOnly) {
    const QString locked = WriteFile("locked.txt", "kept\n");
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    Start();
    Open(locked);
    ASSERT_TRUE(form->GlyphEdit.ReadOnly());
    ASSERT_EQ(form->CurrentHighlighter(), &form->GlyphGeneralHighlighter());

    form->ClickMenuItem(form->MINew);
    EXPECT_EQ(form->GlyphEdit.Text(), QString());
    EXPECT_FALSE(form->GlyphEdit.Modified());
    EXPECT_FALSE(form->GlyphEdit.ReadOnly());
    ExpectShownName("Untitled.htm", "after New");
    EXPECT_EQ(form->CurrentHighlighter(), &form->GlyphHTMLHighlighter());
    EXPECT_EQ(Recent(), QStringList{locked}) << "New leaves the recent files alone";
}

TEST_F(FileCommands, NewAsksToSaveAChangedDocumentFirst) {
    Start();
    Type(*form, "draft");
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Cancel);
    form->ClickMenuItem(form->TBNew);
    EXPECT_EQ(form->GlyphEdit.Text(), "draft\r\n") << "Cancel keeps the text";
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, kSaveQuestion.arg("Untitled.htm"));
}

// --- Open ----------------------------------------------------------------------------------------

TEST_F(FileCommands, OpenThroughTheOpenDialog) {
    const QString page = WriteFile("site/page.html", "<p>one</p>\r\n<p>two</p>\r\n");
    Start();
    QString shownName;
    QString shownFilter;
    bool iconsShown = false;
    WhenShown<TFormOpenDialog>([&](TFormOpenDialog* dialog) {
        shownName = dialog->FileName;
        shownFilter = dialog->Filter;
        // Folders and files each have an icon of their own.
        QFileSystemModel* model = dialog->ShellList->Model();
        const auto icon = [model](const QString& path) {
            return model->fileIcon(model->index(path));
        };
        const QString folder = QFileInfo(page).absolutePath();
        iconsShown =
            QTest::qWaitFor([&] { return !icon(folder).isNull() && !icon(page).isNull(); }, 5000) &&
            icon(folder).pixmap(16).toImage() != icon(page).pixmap(16).toImage();
        dialog->EditFileName->clear();
        QTest::keyClicks(dialog->EditFileName, page);
        QTest::mouseClick(dialog->ButtonOpen, Qt::LeftButton);
    });
    form->TabSet->setFocus();
    ASSERT_NE(form->focusWidget(), form->GlyphEditView);
    form->ClickMenuItem(form->MIOpen);
    EXPECT_EQ(shownName, "Untitled.htm") << "the dialog starts with the document's name";
    EXPECT_EQ(shownFilter, "All Web Files|*.htm;*.html;*.shtml;*.php;*.asp;*.css;*.js|" +
                               form->BuildFileFilter());
    EXPECT_TRUE(iconsShown);
    EXPECT_EQ(Lines(), (QStringList{"<p>one</p>", "<p>two</p>"}));
    EXPECT_FALSE(form->GlyphEdit.Modified());
    EXPECT_FALSE(form->GlyphEdit.ReadOnly());
    ExpectShownName(page, "after Open");
    EXPECT_EQ(Recent(), QStringList{page});
    EXPECT_EQ(form->focusWidget(), form->GlyphEditView) << "the editor has the keyboard focus";

    // The tool bar's Open runs the same command, starting from the open document.
    const QString other = WriteFile("site/other.css", "p { }\n");
    WhenShown<TFormOpenDialog>([&](TFormOpenDialog* dialog) {
        shownName = dialog->FileName;
        dialog->EditFileName->clear();
        QTest::keyClicks(dialog->EditFileName, other);
        QTest::mouseClick(dialog->ButtonOpen, Qt::LeftButton);
    });
    form->TBOpen->trigger();
    EXPECT_EQ(shownName, page);
    ExpectShownName(other, "after the tool bar's Open");
    EXPECT_EQ(form->CurrentHighlighter(), &form->GlyphCssHighlighter());
    EXPECT_EQ(Recent(), (QStringList{other, page}));
}

TEST_F(FileCommands, TheOpenDialogOfAnUntitledDocumentStartsInTheHomeFolder) {
    Start();
    QString shownFolder;
    WhenShown<TFormOpenDialog>([&](TFormOpenDialog* dialog) {
        shownFolder = dialog->ShellList->Folder();
        QTest::mouseClick(dialog->ButtonCancel, Qt::LeftButton);
    });
    form->ClickMenuItem(form->MIOpen);
    EXPECT_EQ(shownFolder, QDir::cleanPath(QDir::homePath()));
}

TEST_F(FileCommands, OpenStopsWhenTheCloseQueryOrTheDialogSaysSo) {
    const QString page = WriteFile("page.htm", "<p>file</p>\n");
    Start();
    Type(*form, "draft");
    struct {
        const char* what;
        QMessageBox::StandardButton answer;
        int dialogs;
    } cases[] = {
        {"Cancel at the save question: no dialog at all", QMessageBox::Cancel, 0},
        {"No to saving, then the dialog is cancelled", QMessageBox::No, 1},
    };
    for (const auto& c : cases) {
        ScriptedPrompts prompts;
        prompts.AnswerButton(c.answer);
        // Cancels every open dialog that shows while the command runs.
        int dialogs = 0;
        QTimer guard;
        QObject::connect(&guard, &QTimer::timeout, [&] {
            if (TFormOpenDialog* dialog = VisibleWindow<TFormOpenDialog>()) {
                ++dialogs;
                QTest::mouseClick(dialog->ButtonCancel, Qt::LeftButton);
            }
        });
        guard.start(5);
        form->ClickMenuItem(form->MIOpen);
        guard.stop();
        EXPECT_EQ(dialogs, c.dialogs) << c.what;
        EXPECT_EQ(prompts.Records().size(), 1) << c.what;
    }
    EXPECT_EQ(form->GlyphEdit.Text(), "draft\r\n");
    EXPECT_TRUE(form->GlyphEdit.Modified());
    EXPECT_EQ(form->DocumentFileName, "Untitled.htm");
    EXPECT_TRUE(Recent().isEmpty());
    EXPECT_TRUE(QFile::exists(page));
}

TEST_F(FileCommands, OpeningTheOpenFileAsksWhetherToRevert) {
    const QString page = WriteFile("page.htm", "saved\n");
    const QString link = root + "/link.htm";
    ASSERT_TRUE(QFile::link(page, link));
    struct {
        const char* what;
        QString opened;
        QMessageBox::StandardButton answer;
        QStringList lines;
        bool modified;
        QString document;
    } cases[] = {
        {"No keeps the edits", page, QMessageBox::No, {"editedsaved"}, true, page},
        {"Yes reloads and clears Modified", page, QMessageBox::Yes, {"saved"}, false, page},
        {"another spelling of the same path",
         root + "/./page.htm",
         QMessageBox::No,
         {"editedsaved"},
         true,
         page},
        {"a link to the open file", link, QMessageBox::Yes, {"saved"}, false, link},
    };
    for (const auto& c : cases) {
        Start();
        Open(page);
        Type(*form, "edited");
        ScriptedPrompts prompts;
        prompts.AnswerButton(c.answer);
        Open(c.opened);
        ASSERT_EQ(prompts.Records().size(), 1) << c.what;
        EXPECT_EQ(prompts.Records()[0].Text,
                  kRevertQuestion.arg(QFileInfo(c.opened).absoluteFilePath()))
            << c.what;
        EXPECT_EQ(prompts.Records()[0].Icon, QMessageBox::Question) << c.what;
        EXPECT_EQ(prompts.Records()[0].Buttons, QMessageBox::Yes | QMessageBox::No) << c.what;
        EXPECT_EQ(prompts.Records()[0].Caption, "Velmaris Glyphon") << c.what;
        EXPECT_EQ(Lines(), c.lines) << c.what;
        EXPECT_EQ(form->GlyphEdit.Modified(), c.modified) << c.what;
        EXPECT_EQ(form->DocumentFileName, c.document) << c.what;
        EXPECT_EQ(ReadBytes(page), "saved\n") << c.what;
        form->GlyphEdit.SetModified(false);
    }
}

TEST_F(FileCommands, ANameDifferingOnlyInCaseIsAnotherFileHere) {
    const QString lower = WriteFile("page.htm", "lower\n");
    const QString upper = WriteFile("PAGE.htm", "upper\n");
    Start();
    Open(lower);
    ScriptedPrompts prompts; // no question expected
    Open(upper);
    EXPECT_EQ(Lines(), QStringList{"upper"});
    EXPECT_EQ(form->DocumentFileName, upper);
    EXPECT_EQ(Recent(), (QStringList{upper, lower}));
}

TEST_F(FileCommands, AnUntitledDocumentIsNeverAlreadyOpen) {
    // A file named like the untitled document in the working folder opens without a question.
    const QString untitled = WriteFile("Untitled.htm", "on disk\n");
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root));
    Start();
    ScriptedPrompts prompts;
    Open("Untitled.htm");
    QDir::setCurrent(previous);
    EXPECT_EQ(Lines(), QStringList{"on disk"});
    EXPECT_EQ(form->DocumentFileName, untitled) << "a relative name becomes a full path";
}

TEST_F(FileCommands, OpeningAReadOnlyFileMakesTheEditorReadOnly) {
    const QString locked = WriteFile("locked.htm", "<p>locked</p>\n");
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    const QString plain = WriteFile("plain.htm", "<p>plain</p>\n");
    Start();
    Open(locked);
    EXPECT_TRUE(form->GlyphEdit.ReadOnly());
    Open(plain);
    EXPECT_FALSE(form->GlyphEdit.ReadOnly());
}

TEST_F(FileCommands, AFileThatCannotBeReadKeepsTheDocumentAndLeavesTheList) {
    // Reading this file fails with an I/O error, for root too.
    const QString unreadable = "/proc/self/mem";
    ASSERT_TRUE(QFileInfo(unreadable).isFile());
    const QString page = WriteFile("page.htm", "kept\n");
    Start();
    Open(page);
    Type(*form, "edited ");
    form->GlyphEdit.SetModified(false);
    form->TBMRUList.Add(unreadable);
    ASSERT_EQ(Recent(), (QStringList{unreadable, page}));

    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    form->TBMRUList.MenuItems().at(0)->trigger();
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Icon, QMessageBox::Critical);
    EXPECT_TRUE(prompts.Records()[0].Text.contains(unreadable))
        << prompts.Records()[0].Text.toStdString();
    EXPECT_EQ(Lines(), QStringList{"edited kept"});
    ExpectShownName(page, "after the failed open");
    EXPECT_EQ(Recent(), QStringList{page});
}

// --- Save and Save As ---------------------------------------------------------------------------

TEST_F(FileCommands, SavingANewDocumentAsksForANameAndAddsTheExtension) {
    Start();
    Type(*form, "<p>new"); // the end tag closes itself as it is typed
    ScriptedPrompts prompts;
    prompts.AnswerFile(root + "/page");
    form->ClickMenuItem(form->MISave);

    ASSERT_EQ(prompts.Records().size(), 1);
    const TFileDialogRequest& request = prompts.Records()[0].File;
    EXPECT_EQ(prompts.Records()[0].Kind, ScriptedPrompts::TKind::SaveFile);
    EXPECT_EQ(request.FileName, "Untitled.htm");
    EXPECT_EQ(request.Folder, QDir::homePath() + '/') << "not the working folder";
    EXPECT_EQ(request.DefaultExt, "htm");
    EXPECT_EQ(request.Filters, FileFilterToQt(form->BuildFileFilter()));

    const QString saved = root + "/page.htm";
    EXPECT_EQ(ReadBytes(saved), "<p>new</p>\n");
    EXPECT_FALSE(form->GlyphEdit.Modified());
    EXPECT_FALSE(form->GlyphEdit.ReadOnly());
    ExpectShownName(saved, "after the first save");
    EXPECT_EQ(Recent(), QStringList{saved});
    EXPECT_EQ(QDir(root).entryList(QDir::Files), QStringList{"page.htm"})
        << "no backup without an earlier file";
}

TEST_F(FileCommands, SaveWritesInPlaceAndKeepsOneBackupOfTheVersionBefore) {
    struct {
        const char* name;
        const char* backup;
    } cases[] = {
        {"index.html", "index.~html"},
        {"README", "README.~"},
        {"archive.tar.gz", "archive.tar.~gz"},
        {"notes.txt", "notes.~txt"},
    };
    for (const auto& c : cases) {
        const QString file = WriteFile(c.name, "first\n");
        const QString backup = root + '/' + c.backup;
        Start();
        Open(file);
        Type(*form, "second ");
        ScriptedPrompts prompts; // saving in place asks nothing
        form->ClickMenuItem(form->MISave);
        EXPECT_EQ(ReadBytes(file), "second first\n") << c.name;
        EXPECT_EQ(ReadBytes(backup), "first\n") << c.name;

        form->GlyphEdit.SetCaretXY({1, 1});
        Type(*form, "third ");
        form->TBSave->trigger();
        EXPECT_EQ(ReadBytes(file), "third second first\n") << c.name;
        EXPECT_EQ(ReadBytes(backup), "second first\n")
            << c.name << ": the backup of the first save";
        EXPECT_FALSE(form->GlyphEdit.Modified()) << c.name;
        EXPECT_EQ(form->DocumentFileName, file) << c.name;
        EXPECT_EQ(Recent().first(), file) << c.name;
        EXPECT_EQ(Recent().count(file), 1) << c.name;
        QFile::remove(file);
        QFile::remove(backup);
    }
}

TEST_F(FileCommands, SaveKeepsTheFilesLineBreaksAndPermissions) {
    const QString file = WriteFile("unix.sh", "echo one\necho two\n");
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ExeOwner | QFileDevice::ReadOther);
    Start();
    Open(file);
    Type(*form, "# ");
    form->ClickMenuItem(form->MISave);
    EXPECT_EQ(ReadBytes(file), "# echo one\necho two\n");
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0704u);
}

TEST_F(FileCommands, SaveAsToAnotherTypeChangesTheHighlighterAndTheList) {
    const QString page = WriteFile("page.htm", "p { color: red }\n");
    Start();
    Open(page);
    ScriptedPrompts prompts;
    prompts.AnswerFile(root + "/style.css");
    form->ClickMenuItem(form->MISaveAs);
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].File.Folder, root + '/');
    EXPECT_EQ(prompts.Records()[0].File.FileName, "page.htm");

    const QString style = root + "/style.css";
    EXPECT_EQ(ReadBytes(style), "p { color: red }\n");
    ExpectShownName(style, "after Save As");
    EXPECT_EQ(form->CurrentHighlighter(), &form->GlyphCssHighlighter());
    EXPECT_FALSE(form->MIInsert->menuAction()->isVisible()) << "no HTML commands for CSS";
    EXPECT_EQ(Recent(), (QStringList{style, page}));
    EXPECT_EQ(ReadBytes(page), "p { color: red }\n") << "the old file is untouched";
}

TEST_F(FileCommands, SaveAsOverAnExistingFileBacksItUp) {
    const QString page = WriteFile("page.htm", "mine\n");
    const QString target = WriteFile("target.htm", "theirs\n");
    Start();
    Open(page);
    ScriptedPrompts prompts;
    prompts.AnswerFile(target);
    form->ClickMenuItem(form->MISaveAs);
    EXPECT_EQ(ReadBytes(target), "mine\n");
    EXPECT_EQ(ReadBytes(root + "/target.~htm"), "theirs\n");
    EXPECT_FALSE(QFile::exists(root + "/page.~htm")) << "the file saved from is no target";
}

TEST_F(FileCommands, CancelledSaveAsChangesNothing) {
    const QString page = WriteFile("page.htm", "saved\n");
    Start();
    Open(page);
    Type(*form, "more ");
    ScriptedPrompts prompts;
    prompts.CancelFile();
    form->ClickMenuItem(form->MISaveAs);
    EXPECT_TRUE(form->GlyphEdit.Modified());
    EXPECT_EQ(form->DocumentFileName, page);
    EXPECT_EQ(ReadBytes(page), "saved\n");
    EXPECT_EQ(QDir(root).entryList(QDir::Files), QStringList{"page.htm"});
}

TEST_F(FileCommands, SaveAsIntoAMissingFolderIsRefusedByTheDialog) {
    Start();
    Type(*form, "draft");
    ScriptedPrompts prompts;
    prompts.AnswerFile(root + "/missing/page.htm");
    prompts.AnswerButton(QMessageBox::Ok);
    prompts.CancelFile();
    form->ClickMenuItem(form->MISaveAs);
    ASSERT_EQ(prompts.Records().size(), 3);
    const ScriptedPrompts::TRecord& warning = prompts.Records()[1];
    EXPECT_EQ(warning.Icon, QMessageBox::Warning);
    EXPECT_EQ(warning.Text, root + "/missing/page.htm\rThe folder \"" + root +
                                "/missing\" does not exist.\rCheck the path and try again.");
    EXPECT_EQ(prompts.Records()[2].Kind, ScriptedPrompts::TKind::SaveFile) << "asked again";
    EXPECT_TRUE(form->GlyphEdit.Modified());
    EXPECT_EQ(form->DocumentFileName, "Untitled.htm");
    EXPECT_TRUE(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(FileCommands, AReadOnlyFileGoesToSaveAs) {
    const QString locked = WriteFile("locked.htm", "<p>locked</p>\n");
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    Start();
    Open(locked);
    form->GlyphEdit.SetReadOnly(false); // the user's "Read Only" toggle
    Type(*form, "x");
    ScriptedPrompts prompts;
    prompts.AnswerFile(root + "/copy.htm");
    form->ClickMenuItem(form->MISave);
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Kind, ScriptedPrompts::TKind::SaveFile);
    EXPECT_EQ(prompts.Records()[0].File.FileName, "locked.htm");
    EXPECT_EQ(ReadBytes(locked), "<p>locked</p>\n");
    EXPECT_EQ(ReadBytes(root + "/copy.htm"), "x<p>locked</p>\n");
    EXPECT_FALSE(form->GlyphEdit.ReadOnly()) << "the new file can be written";
    EXPECT_EQ(form->DocumentFileName, root + "/copy.htm");
}

TEST_F(FileCommands, SavingToATargetThatCannotBeWrittenIsRefusedWithoutChanges) {
    const QString page = WriteFile("page.htm", "saved\n");
    const QString locked = LockedFolder("locked");
    const QString lockedExisting = WriteFile("locked/inside.htm", "inside\n");
    Lock(locked);
    const QString regularFile = WriteFile("plain.txt", "plain\n");
    QDir().mkpath(InternetCacheFolder());
    const QString cached = InternetCacheFolder() + "cached.htm";
    struct {
        const char* what;
        QString target;
    } cases[] = {
        {"a new name in a read-only folder", locked + "/new.htm"},
        {"an existing file in a read-only folder", lockedExisting},
        {"a name below a regular file, which no one can write", regularFile + "/page.htm"},
        {"a folder in the place of the file", root},
        {"a name in the internet cache", cached},
    };
    for (const auto& c : cases) {
        Start();
        Open(page);
        Type(*form, "more ");
        ScriptedPrompts prompts;
        prompts.AnswerButton(QMessageBox::Ok);
        RunCommand([&] { form->SaveDocumentTo(c.target); });
        ASSERT_EQ(prompts.Records().size(), 1) << c.what;
        EXPECT_EQ(prompts.Records()[0].Text, kWritePermissions.arg(c.target)) << c.what;
        EXPECT_EQ(prompts.Records()[0].Caption, "Velmaris Glyphon") << c.what;
        EXPECT_TRUE(form->GlyphEdit.Modified()) << c.what;
        EXPECT_EQ(form->DocumentFileName, page) << c.what;
        EXPECT_EQ(Recent(), QStringList{page}) << c.what;
        EXPECT_FALSE(QFile::exists(BackupFileName(c.target))) << c.what;
        form->GlyphEdit.SetModified(false);
    }
    EXPECT_EQ(ReadBytes(lockedExisting), "inside\n");
    EXPECT_FALSE(QFile::exists(locked + "/new.htm"));
    EXPECT_FALSE(QFile::exists(cached));
}

TEST_F(FileCommands, AFileInAReadOnlyFolderGoesToSaveAsAndCannotBeSavedThere) {
    const QString locked = LockedFolder("locked");
    const QString inside = WriteFile("locked/page.htm", "inside\n");
    Lock(locked);
    Start();
    Open(inside);
    EXPECT_FALSE(form->GlyphEdit.ReadOnly()) << "the file itself can be written";
    Type(*form, "more ");

    ScriptedPrompts prompts;
    prompts.AnswerFile(locked + "/other");
    prompts.AnswerButton(QMessageBox::Ok);
    form->ClickMenuItem(form->MISave);
    ASSERT_EQ(prompts.Records().size(), 2);
    EXPECT_EQ(prompts.Records()[0].Kind, ScriptedPrompts::TKind::SaveFile);
    EXPECT_EQ(prompts.Records()[0].File.Folder, locked + '/');
    EXPECT_EQ(prompts.Records()[1].Text, kWritePermissions.arg(locked + "/other.htm"));
    EXPECT_TRUE(form->GlyphEdit.Modified());
    EXPECT_EQ(ReadBytes(inside), "inside\n");
    EXPECT_EQ(QDir(locked).entryList(QDir::Files), QStringList{"page.htm"});

    // Elsewhere the save goes through.
    prompts.AnswerFile(root + "/rescued.htm");
    form->ClickMenuItem(form->MISave);
    EXPECT_EQ(ReadBytes(root + "/rescued.htm"), "more inside\n");
    EXPECT_FALSE(form->GlyphEdit.Modified());
}

TEST_F(FileCommands, AWriteThatFailsHalfWayLosesNothing) {
    const QByteArray old = "<p>the saved version</p>\n";
    const QString page = WriteFile("page.htm", old);
    const QString other = WriteFile("other.htm", "other\n");
    const QByteArray targetOld = "<p>another file</p>\n";
    WriteFile("target.htm", targetOld);
    const QStringList untouched = {"other.htm", "page.htm", "target.htm"};
    struct {
        const char* what;
        bool saveAs;
        QString target;
        QByteArray targetBefore; // empty: the target does not exist yet
        QString backup;          // empty: none is made
    } cases[] = {
        {"Save in place", false, page, old, "page.~htm"},
        {"Save As to a new name", true, root + "/new.htm", {}, {}},
        {"Save As over another file", true, root + "/target.htm", targetOld, "target.~htm"},
    };
    for (const auto& c : cases) {
        Start();
        Open(other);
        Open(page);
        // Far more text than the limit lets through.
        const QString line = QString(100, 'x');
        for (int i = 0; i < 2000; ++i)
            form->GlyphEdit.Lines().AppendLine(line);
        form->GlyphEdit.SetModified(true);
        const QString before = form->GlyphEdit.Text();

        ScriptedPrompts prompts;
        if (c.saveAs)
            prompts.AnswerFile(c.target);
        prompts.AnswerButton(QMessageBox::Ok);
        {
            FileSizeLimit limit(16 * 1024);
            ASSERT_TRUE(limit.Active());
            form->ClickMenuItem(c.saveAs ? form->MISaveAs : form->MISave);
        }
        const ScriptedPrompts::TRecord& error = prompts.Records().last();
        EXPECT_EQ(error.Icon, QMessageBox::Critical) << c.what;
        EXPECT_TRUE(error.Text.contains(c.target)) << c.what << ": " << error.Text.toStdString();
        if (c.targetBefore.isEmpty()) {
            EXPECT_FALSE(QFile::exists(c.target)) << c.what;
        } else {
            EXPECT_EQ(ReadBytes(c.target), c.targetBefore) << c.what << ": the old version stays";
        }
        if (!c.backup.isEmpty()) {
            EXPECT_EQ(ReadBytes(root + '/' + c.backup), c.targetBefore) << c.what;
        }
        EXPECT_EQ(ReadBytes(page), old) << c.what;
        EXPECT_TRUE(form->GlyphEdit.Modified()) << c.what;
        EXPECT_EQ(form->GlyphEdit.Text(), before) << c.what;
        ExpectShownName(page, c.what);
        EXPECT_FALSE(Recent().contains(c.target)) << c.what << ": the target left the list";
        QStringList expectedFiles = untouched;
        if (!c.backup.isEmpty())
            expectedFiles << c.backup;
        expectedFiles.sort();
        EXPECT_EQ(QDir(root).entryList(QDir::Files, QDir::Name), expectedFiles)
            << c.what << ": no temporary file is left behind";

        // Once there is room again, the same command succeeds.
        if (c.saveAs)
            prompts.AnswerFile(c.target);
        form->ClickMenuItem(c.saveAs ? form->MISaveAs : form->MISave);
        EXPECT_EQ(QString::fromUtf8(ReadBytes(c.target)).replace("\r\n", "\n"),
                  QString(before).replace("\r\n", "\n"))
            << c.what;
        EXPECT_FALSE(form->GlyphEdit.Modified()) << c.what;
        WriteFile("page.htm", old);
        WriteFile("target.htm", targetOld);
        for (const char* made : {"new.htm", "page.~htm", "target.~htm"})
            QFile::remove(root + '/' + made);
    }
}

// --- Close query with the real Save --------------------------------------------------------------

TEST_F(FileCommands, YesAtTheCloseQuerySavesAndCloses) {
    const QString page = WriteFile("page.htm", "old\n");
    Start();
    Open(page);
    Type(*form, "new ");
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Yes);
    EXPECT_TRUE(form->close());
    EXPECT_EQ(ReadBytes(page), "new old\n");
    EXPECT_EQ(prompts.Records().size(), 1);
}

TEST_F(FileCommands, AFailedSaveAtTheCloseQueryKeepsTheWindow) {
    const QString page = WriteFile("page.htm", "old\n");
    Start();
    Open(page);
    Type(*form, "new ");
    for (int i = 0; i < 2000; ++i)
        form->GlyphEdit.Lines().AppendLine(QString(100, 'y'));
    const QString edited = form->GlyphEdit.Text();
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Yes);
    prompts.AnswerButton(QMessageBox::Ok);
    {
        // Room for the backup of the old text, not for the new one.
        FileSizeLimit limit(16 * 1024);
        ASSERT_TRUE(limit.Active());
        EXPECT_FALSE(form->close());
    }
    ASSERT_EQ(prompts.Records().size(), 2);
    EXPECT_EQ(prompts.Records()[1].Icon, QMessageBox::Critical);
    EXPECT_TRUE(prompts.Records()[1].Text.contains(page))
        << prompts.Records()[1].Text.toStdString();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(ReadBytes(page), "old\n");
    EXPECT_EQ(ReadBytes(root + "/page.~htm"), "old\n");
    EXPECT_TRUE(form->GlyphEdit.Modified());
    EXPECT_EQ(form->GlyphEdit.Text(), edited);
}

TEST_F(FileCommands, ExitClosesThroughTheCloseQuery) {
    Start();
    Type(*form, "draft");
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Cancel);
    form->ClickMenuItem(form->MIExit);
    EXPECT_TRUE(form->isVisible());
    prompts.AnswerButton(QMessageBox::No);
    form->ClickMenuItem(form->MIExit);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(prompts.Records().size(), 2);
}

// The keys of every desktop editor reach the File menu's commands from the editor, are shown in
// the menu, and take no key from the editor's own table.
TEST_F(FileCommands, FileCommandKeysWorkFromTheEditor) {
    const QString page = WriteFile("page.html", "old\n");
    const QString copy = root + "/copy.html";
    Start();
    Open(page);
    ScriptedPrompts prompts;
    bool openShown = false;
    const struct {
        QKeyCombination key;
        QAction* item;
        std::function<void()> answer;
        std::function<bool()> done;
    } cases[] = {
        {Qt::CTRL | Qt::Key_S, form->MISave, [] {}, [&] { return ReadBytes(page) == "new\n"; }},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_S, form->MISaveAs, [&] { prompts.AnswerFile(copy); },
         [&] { return form->DocumentFileName == copy && ReadBytes(copy) == "new\n"; }},
        {Qt::CTRL | Qt::Key_O, form->MIOpen,
         [&] {
             prompts.AnswerButton(QMessageBox::No);
             WhenShown<TFormOpenDialog>([&](TFormOpenDialog* dialog) {
                 openShown = true;
                 QTest::mouseClick(dialog->ButtonCancel, Qt::LeftButton);
             });
         },
         [&] { return openShown; }},
        {Qt::CTRL | Qt::Key_P, form->MIPrint,
         [&] { prompts.AnswerDialog([](QDialog&) { return int(QDialog::Rejected); }); },
         [&] { return prompts.PendingAnswers() == 0; }},
        {Qt::CTRL | Qt::Key_Q, form->MIExit, [&] { prompts.AnswerButton(QMessageBox::Cancel); },
         [&] { return prompts.PendingAnswers() == 0 && form->isVisible(); }},
        // The folder-wide search sits beside Find and Replace in the Edit menu.
        {Qt::CTRL | Qt::SHIFT | Qt::Key_F, form->MIFindInFiles,
         [&] { prompts.AnswerDialog([](QDialog&) { return int(QDialog::Rejected); }); },
         [&] { return prompts.Records().last().Caption == "Find in Files"; }},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_H, form->MIReplaceInFiles,
         [&] { prompts.AnswerDialog([](QDialog&) { return int(QDialog::Rejected); }); },
         [&] { return prompts.Records().last().Caption == "Replace in Files"; }},
    };
    for (const auto& c : cases) {
        const std::string name = QKeySequence(c.key).toString().toStdString();
        EXPECT_EQ(c.item->shortcut(), QKeySequence(c.key)) << name;
        EXPECT_EQ(form->GlyphEdit.Keystrokes().FindKeycode(c.key), ecNone) << name;
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get())) << name;
        form->GlyphEditView->setFocus();
        form->GlyphEdit.SetText("new");
        form->GlyphEdit.SetModified(true);
        c.answer();
        QTest::keyClick(form->GlyphEditView, c.key.key(), c.key.keyboardModifiers());
        EXPECT_TRUE(c.done()) << name;
        EXPECT_EQ(Lines(), QStringList{"new"}) << name << ": the editor ran no command";
    }
}

TEST_F(FileCommands, UndoingPastTheSaveAsksAtCloseAndRedoingBackDoesNot) {
    struct {
        const char* what;
        QList<QKeyCombination> keysAfterSave;
        bool asks;
    } cases[] = {
        {"undo below the save", {QKeyCombination(Qt::ControlModifier, Qt::Key_Z)}, true},
        {"undo, then redo up to the save",
         {QKeyCombination(Qt::ControlModifier, Qt::Key_Z),
          QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z)},
         false},
    };
    for (const auto& c : cases) {
        const QString page = WriteFile("page.htm", "old\n");
        Start();
        Open(page);
        QTest::keyClick(form->GlyphEditView, Qt::Key_X);
        ScriptedPrompts prompts;
        form->ClickMenuItem(form->MISave);
        ASSERT_EQ(ReadBytes(page), "xold\n") << c.what;
        for (const QKeyCombination key : c.keysAfterSave)
            QTest::keyClick(form->GlyphEditView, key.key(), key.keyboardModifiers());
        EXPECT_EQ(form->GlyphEdit.Modified(), c.asks) << c.what;
        if (c.asks)
            prompts.AnswerButton(QMessageBox::No);
        EXPECT_TRUE(form->close()) << c.what;
        ASSERT_EQ(prompts.Records().size(), c.asks ? 1 : 0) << c.what;
        if (c.asks) {
            EXPECT_EQ(prompts.Records()[0].Text, kSaveQuestion.arg(page)) << c.what;
        }
        EXPECT_EQ(ReadBytes(page), "xold\n") << c.what << ": No keeps the saved file";
        form.reset();
    }
}

// --- Encoding and line breaks --------------------------------------------------------------------

QByteArray Utf16(QStringEncoder::Encoding encoding, const QString& text) {
    return QStringEncoder(encoding, QStringEncoder::Flag::WriteBom)(text);
}

// What the status bar shows of the encoding and the line breaks.
QString Format(const TFormGlyphon& form) {
    return StatusPanel(form.StatusBar, 2)->text() + ", " + StatusPanel(form.StatusBar, 3)->text();
}

TEST_F(FileCommands, TheStatusBarShowsTheEncodingAndTheLineBreaks) {
    const struct {
        const char* name;
        QByteArray bytes;
        QString shown;
        QString marked; // the checked items of the Encoding and Line Breaks submenus
    } cases[] = {
        {"utf8.txt", "a\nb\n", "UTF-8, LF", "Save as UTF-8, Save with LF"},
        {"mark.txt", "\xEF\xBB\xBF\x61\r\n", "UTF-8 with BOM, CR LF",
         "Save as UTF-8 with BOM, Save with CR LF"},
        {"le.txt", Utf16(QStringEncoder::Utf16LE, "a\rb\r"), "UTF-16 LE, CR",
         "Save as UTF-16 LE, Save with CR"},
        {"be.txt", Utf16(QStringEncoder::Utf16BE, "a\r\nb"), "UTF-16 BE, CR LF",
         "Save as UTF-16 BE, Save with CR LF"},
        {"ansi.txt", "caf\xE9\r\n", "Windows-1252, CR LF", "Save as Windows-1252, Save with CR LF"},
        {"mixed.txt", "a\r\nb\nc\r\n", "UTF-8, Mixed", "Save as UTF-8"},
    };
    const auto marked = [this] {
        QStringList items;
        for (QMenu* menu : {form->MIEncoding, form->MILineBreaks}) {
            emit menu->aboutToShow();
            for (QAction* item : menu->actions())
                if (item->isChecked())
                    items << item->text();
        }
        return items.join(", ");
    };
    Start();
    // A new document has the line feeds of this system.
    EXPECT_EQ(Format(*form), "UTF-8, LF");
    EXPECT_EQ(marked(), "Save as UTF-8, Save with LF");
    for (const auto& c : cases) {
        Open(WriteFile(c.name, c.bytes));
        EXPECT_EQ(Format(*form), c.shown) << c.name;
        EXPECT_EQ(marked(), c.marked) << c.name;
    }
    // Editing the one line with another break gives it the common style; undoing the edit gives
    // it its own break back, and saving writes the file's bytes again.
    form->GlyphEdit.SetCaretXY({2, 2});
    Type(*form, "x");
    EXPECT_EQ(Format(*form), "UTF-8, CR LF");
    form->ClickMenuItem(form->MIUndo);
    EXPECT_EQ(Format(*form), "UTF-8, Mixed");
    form->ClickMenuItem(form->MISave);
    EXPECT_EQ(ReadBytes(form->DocumentFileName), "a\r\nb\nc\r\n");
}

TEST_F(FileCommands, TheEncodingSubmenuReopensAndSavesInTheChosenEncoding) {
    Start();
    QStringList captions;
    for (const QMenu* menu : {form->MIEncoding, form->MILineBreaks})
        for (const QAction* item : menu->actions())
            captions << (item->isSeparator() ? "-" : item->text());
    EXPECT_EQ(captions.join('|'), "Reopen as UTF-8|Reopen as UTF-16 LE|Reopen as UTF-16 BE|"
                                  "Reopen as Windows-1252|-|Save as UTF-8|Save as UTF-8 with BOM|"
                                  "Save as UTF-16 LE|Save as UTF-16 BE|Save as Windows-1252|"
                                  "Save with CR LF|Save with LF|Save with CR");
    const auto item = [&](const char* name) { return form->findChild<QAction*>(name); };
    form->ClickMenuItem(form->MIEncoding->menuAction());
    EXPECT_FALSE(item("MIReopenAsUTF8")->isEnabled()) << "an untitled document has no file";

    const QString page = WriteFile("page.txt", "caf\xC3\xA9\n");
    Open(page);
    ScriptedPrompts prompts;
    form->ClickMenuItem(item("MIReopenAsWindows1252"));
    EXPECT_EQ(Lines(), QStringList{QStringLiteral("caf\u00C3\u00A9")});
    EXPECT_EQ(Format(*form), "Windows-1252, LF");
    // Reopening a changed document asks first; No keeps the changes.
    Type(*form, "x");
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        prompts.AnswerButton(answer);
        form->ClickMenuItem(item("MIReopenAsUTF8"));
        EXPECT_EQ(prompts.Records().last().Text,
                  "The file \"" + page +
                      "\" has been changed.\r\rDo you wish to reopen it as UTF-8 and lose the "
                      "changes?");
    }
    EXPECT_EQ(Lines(), QStringList{QStringLiteral("caf\u00E9")});
    EXPECT_EQ(Format(*form), "UTF-8, LF");
    EXPECT_FALSE(form->GlyphEdit.Modified());

    // Save as ... and Save with ... write the file so, and the saves after too.
    const QByteArray utf16 = Utf16(QStringEncoder::Utf16LE, QStringLiteral("caf\u00E9\r\n"));
    form->ClickMenuItem(item("MISaveAsUTF16LE"));
    form->ClickMenuItem(item("MISaveWithCRLF"));
    EXPECT_EQ(ReadBytes(page), utf16);
    EXPECT_EQ(Format(*form), "UTF-16 LE, CR LF");
    // An encoding that cannot hold the text is refused and nothing changes.
    Type(*form, QStringLiteral("\u2192"));
    prompts.AnswerButton(QMessageBox::Ok);
    form->ClickMenuItem(item("MISaveAsWindows1252"));
    EXPECT_EQ(prompts.Records().last().Text,
              "Some characters of \"" + page + "\" cannot be stored in Windows-1252.");
    EXPECT_EQ(ReadBytes(page), utf16);
    EXPECT_EQ(Format(*form), "UTF-16 LE, CR LF");
}

// A file read as Windows-1252 (here UTF-8 with one stray byte) that now holds a character
// Windows-1252 cannot store is saved as UTF-8 only when the user says so.
TEST_F(FileCommands, ASaveThatWouldChangeTheEncodingAsksFirst) {
    const QByteArray bytes = "caf\xC3\xA9 \xE9\n";
    const QString page = WriteFile("page.htm", bytes);
    Start();
    Open(page);
    Type(*form, QStringLiteral("\u2192"));
    const struct {
        QMessageBox::StandardButton answer;
        QByteArray saved;
        QString shown;
    } cases[] = {
        {QMessageBox::No, bytes, "Windows-1252, LF"},
        {QMessageBox::Yes, QStringLiteral("\u2192caf\u00C3\u00A9 \u00E9\n").toUtf8(), "UTF-8, LF"},
    };
    for (const auto& c : cases) {
        ScriptedPrompts prompts;
        prompts.AnswerButton(c.answer);
        form->ClickMenuItem(form->MISave);
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_EQ(prompts.Records()[0].Text,
                  "Some characters of \"" + page +
                      "\" cannot be stored in Windows-1252, the file's encoding.\r\rDo you wish "
                      "to save it as UTF-8?");
        EXPECT_EQ(ReadBytes(page), c.saved);
        EXPECT_EQ(form->GlyphEdit.Modified(), c.answer == QMessageBox::No);
        EXPECT_EQ(Format(*form), c.shown);
    }
}

// Opening a file whose lines do not fit in the memory left fails half-way through building
// them: the document, its name and its changes stay as they were. (32 million lines take
// 512 MB of line records, beyond the 256 MB left.)
TEST_F(FileCommands, AnOpenThatRunsOutOfMemoryLeavesTheDocumentAsItWas) {
    const QString page = WriteFile("page.htm", "kept\n");
    const QString big = WriteFile("lines.txt", QByteArray("x\n").repeated(32 * 1024 * 1024));
    Start();
    Open(page);
    Type(*form, "edited ");
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    rlimit saved{};
    getrlimit(RLIMIT_AS, &saved);
    QFile statm("/proc/self/statm");
    ASSERT_TRUE(statm.open(QIODevice::ReadOnly));
    rlimit low = saved; // what the process has now and 256 MB more
    low.rlim_cur =
        statm.readAll().split(' ').at(0).toULongLong() * sysconf(_SC_PAGESIZE) + (256 << 20);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &low), 0);
    RunCommand([&] { form->OpenDocument(big, true); });
    setrlimit(RLIMIT_AS, &saved);
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text,
              "Cannot open file \"" + big + "\". There is not enough memory to hold it.");
    EXPECT_EQ(Lines(), QStringList{"edited kept"});
    EXPECT_TRUE(form->GlyphEdit.Modified());
    ExpectShownName(page, "after the failed open");
}

// A sparse file over 256 MB is opened only after a question; one larger than the memory the
// program can have is refused. Either way the document stays as it was.
TEST_F(FileCommands, FilesOverTheSizeLimitsLeaveTheDocumentUntouched) {
    struct sysinfo info {};
    ASSERT_EQ(sysinfo(&info), 0);
    const qint64 mega = 1024 * 1024;
    const qint64 beyond = qint64(info.totalram + info.totalswap) * info.mem_unit + 1024 * mega;
    const struct {
        qint64 size;
        QMessageBox::StandardButton answer;
        QString error;
    } cases[] = {
        {300 * mega, QMessageBox::No, {}},
        {beyond, QMessageBox::Yes,
         QString(" It is %1 MB, more than the ").arg((beyond + mega - 1) / mega)},
    };
    const QString page = WriteFile("page.htm", "kept\n");
    Start();
    Open(page);
    Type(*form, "edited ");
    for (const auto& c : cases) {
        const QString file = WriteFile("big.txt", {});
        ASSERT_TRUE(QFile(file).resize(c.size));
        ScriptedPrompts prompts;
        prompts.AnswerButton(c.answer);
        if (!c.error.isEmpty())
            prompts.AnswerButton(QMessageBox::Ok);
        RunCommand([&] { form->OpenDocument(file, true); });
        ASSERT_EQ(prompts.Records().size(), c.error.isEmpty() ? 1 : 2);
        EXPECT_EQ(prompts.Records()[0].Text,
                  QString("\"%1\" is %2 MB. Opening it may take a long time and much "
                          "memory.\r\rDo you wish to open it?")
                      .arg(file)
                      .arg((c.size + mega / 2) / mega));
        if (!c.error.isEmpty()) {
            EXPECT_TRUE(prompts.Records()[1].Text.startsWith("Cannot open file \"" + file + "\"." +
                                                             c.error))
                << prompts.Records()[1].Text.toStdString();
        }
        EXPECT_EQ(Lines(), QStringList{"edited kept"});
        EXPECT_TRUE(form->GlyphEdit.Modified());
        ExpectShownName(page, "after the refused open");
    }
}

// --- Recent files --------------------------------------------------------------------------------

TEST_F(FileCommands, TheRecentFilesAppearInTheFileMenuBeforeExit) {
    QStringList files;
    for (int i = 1; i <= 11; ++i)
        files << WriteFile(QString("file%1.txt").arg(i), "text\n");
    Start();
    for (const QString& file : files)
        Open(file);
    EXPECT_EQ(Recent().size(), 10);
    EXPECT_FALSE(Recent().contains(files[0])) << "the eleventh file pushed the oldest out";

    Open(files[4]);
    EXPECT_EQ(Recent().first(), files[4]);
    EXPECT_EQ(Recent().count(files[4]), 1);

    // The items stand between the separator after "&Upgrade..." and the one before "E&xit".
    form->ClickMenuItem(form->MIFile->menuAction());
    const QList<QAction*> actions = form->MIFile->actions();
    const qsizetype end = actions.indexOf(form->MIRecentFilesEnd);
    ASSERT_EQ(actions.at(end + 1), form->MIExit);
    const qsizetype upgrade = actions.indexOf(form->MIUpgrade);
    ASSERT_TRUE(actions.at(upgrade + 1)->isSeparator());
    QStringList captions;
    for (qsizetype i = upgrade + 2; i < end; ++i) {
        if (actions.at(i)->isVisible())
            captions << actions.at(i)->text();
    }
    const QString accelerators = "123456789A";
    ASSERT_EQ(captions.size(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(captions[i], QStringLiteral("&%1 %2").arg(accelerators[i]).arg(Recent()[i]));
}

TEST_F(FileCommands, ChoosingARecentFileAsksFirstAndOpensIt) {
    const QString first = WriteFile("first.htm", "first\n");
    const QString second = WriteFile("second.htm", "second\n");
    Start();
    Open(first);
    Open(second);
    Type(*form, "edited ");

    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Cancel);
    form->ClickMenuItem(form->TBMRUList.MenuItems().at(1));
    EXPECT_EQ(form->DocumentFileName, second) << "Cancel keeps the document";
    EXPECT_EQ(Lines(), QStringList{"edited second"});

    prompts.AnswerButton(QMessageBox::No);
    form->ClickMenuItem(form->TBMRUList.MenuItems().at(1));
    EXPECT_EQ(form->DocumentFileName, first);
    EXPECT_EQ(Lines(), QStringList{"first"});
    EXPECT_EQ(Recent(), (QStringList{first, second}));
    EXPECT_EQ(form->TBMRUList.MenuItems().at(0)->text(), "&1 " + first);
}

TEST_F(FileCommands, ARecentFileThatWasDeletedFailsAndStaysListed) {
    const QString gone = WriteFile("gone.htm", "gone\n");
    const QString page = WriteFile("page.htm", "page\n");
    Start();
    Open(gone);
    Open(page);
    ASSERT_TRUE(QFile::remove(gone));

    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    form->ClickMenuItem(form->TBMRUList.MenuItems().at(1));
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, "URL not found \"" + gone + "\"");
    EXPECT_EQ(Recent(), (QStringList{page, gone}));
    ExpectShownName(page, "after the failed open");
    EXPECT_EQ(Lines(), QStringList{"page"});
}

TEST_F(FileCommands, TheRecentFilesAreKeptInTheSettingsFile) {
    const QString a = WriteFile("a.htm", "a\n");
    const QString b = WriteFile("b.htm", "b\n");
    {
        TIniFile ini(TestEnvironment::SettingsPath());
        ini.WriteString("TFormGlyphon", "MRU1", a);
        ini.WriteString("TFormGlyphon", "MRU2", "");
        ini.WriteString("TFormGlyphon", "MRU3", root + "/elsewhere.htm");
        for (int i = 4; i <= 10; ++i)
            ini.WriteString("TFormGlyphon", "MRU" + QString::number(i), QString());
    }
    Start();
    EXPECT_EQ(Recent(), (QStringList{a, root + "/elsewhere.htm"}));
    EXPECT_EQ(form->TBMRUList.MenuItems().at(0)->text(), "&1 " + a);
    Open(b);
    form.reset();

    TIniFile ini(TestEnvironment::SettingsPath());
    EXPECT_EQ(ini.ReadString("TFormGlyphon", "MRU1"), b);
    EXPECT_EQ(ini.ReadString("TFormGlyphon", "MRU2"), a);
    EXPECT_EQ(ini.ReadString("TFormGlyphon", "MRU3"), root + "/elsewhere.htm");
    for (int i = 4; i <= 10; ++i)
        EXPECT_FALSE(ini.ValueExists("TFormGlyphon", "MRU" + QString::number(i))) << i;

    Start();
    EXPECT_EQ(Recent(), (QStringList{b, a, root + "/elsewhere.htm"}));
}

// --- Download ------------------------------------------------------------------------------------

class FileCommandsDownload : public FileCommands {
protected:
    void SetUp() override {
        FileCommands::SetUp();
        ASSERT_TRUE(served.isValid());
        QFile file(served.filePath("remote.html"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<html>\n<p>remote page</p>\n</html>\n");
        file.close();
        server = std::make_unique<HttpTestServer>(served.path());
        ASSERT_TRUE(server->Started());
    }
    void TearDown() override {
        FileCommands::TearDown();
        server.reset();
    }

    // After a download, Save offers Save As in the cache folder; the copy goes to Target.
    void ExpectSaveLeadsToSaveAs(const QString& target) {
        const QString cached = form->DocumentFileName;
        ScriptedPrompts prompts;
        prompts.AnswerFile(target);
        form->ClickMenuItem(form->MISave);
        ASSERT_EQ(prompts.Records().size(), 1);
        EXPECT_EQ(prompts.Records()[0].Kind, ScriptedPrompts::TKind::SaveFile);
        EXPECT_EQ(prompts.Records()[0].File.Folder, QFileInfo(cached).path() + '/');
        EXPECT_EQ(prompts.Records()[0].File.FileName, QFileInfo(cached).fileName());
        EXPECT_EQ(ReadBytes(target), "<html>\n<p>remote page</p>\n</html>\n");
        ExpectShownName(target, "after saving the download");
    }

    QTemporaryDir served;
    std::unique_ptr<HttpTestServer> server;
};

TEST_F(FileCommandsDownload, OpeningAUrlShowsTheDownloadedText) {
    Start();
    Open(server->Url("remote.html"));
    EXPECT_EQ(Lines(), (QStringList{"<html>", "<p>remote page</p>", "</html>"}));
    EXPECT_TRUE(IsInInternetCache(form->DocumentFileName)) << form->DocumentFileName.toStdString();
    EXPECT_FALSE(form->GlyphEdit.Modified());
    EXPECT_EQ(Recent(), QStringList{form->DocumentFileName});
    EXPECT_EQ(form->CurrentHighlighter(), &form->GlyphHTMLHighlighter());
    // Its preview's references lead where they lead from its address.
    form->ClickMenuItem(form->MIQuickPreview);
    EXPECT_TRUE(
        ReadBytes(PreviewFilePath(1))
            .startsWith("<HTML><BASE href=\"" + server->Url("remote.html").toUtf8() + "\">"));
    ExpectSaveLeadsToSaveAs(root + "/saved.html");
}

TEST_F(FileCommandsDownload, OpenDialogInternetDownloadsAndOpens) {
    Start();
    WhenShown<TFormOpenURL>([this](TFormOpenURL* dialog) {
        dialog->EditURL->setText(server->Url("remote.html"));
        QTest::mouseClick(dialog->ButtonOK, Qt::LeftButton);
    });
    WhenShown<TFormOpenDialog>(
        [](TFormOpenDialog* dialog) { QTest::mouseClick(dialog->ButtonInternet, Qt::LeftButton); });
    form->ClickMenuItem(form->MIOpen);
    EXPECT_EQ(Lines(), (QStringList{"<html>", "<p>remote page</p>", "</html>"}));
    EXPECT_TRUE(IsInInternetCache(form->DocumentFileName)) << form->DocumentFileName.toStdString();
    ExpectSaveLeadsToSaveAs(root + "/saved.htm");
}

TEST_F(FileCommandsDownload, AFailedDownloadChangesNothing) {
    const QString page = WriteFile("page.htm", "page\n");
    Start();
    Open(page);
    Type(*form, "edited ");
    const QString url = server->Url("missing.html");
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    RunCommand([&] { form->OpenDocument(url, false); });
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, "URL not found \"" + url + "\"");
    EXPECT_EQ(Lines(), QStringList{"edited page"});
    EXPECT_TRUE(form->GlyphEdit.Modified());
    EXPECT_EQ(form->DocumentFileName, page);
    EXPECT_EQ(Recent(), QStringList{page});
}

// --- Open New Window -----------------------------------------------------------------------------

TEST_F(FileCommands, OpenNewWindowStartsTheProgramInItsFolderWithoutArguments) {
    // A stand-in for the program writes where it ran and with how many arguments.
    const QString report = root + "/report.txt";
    const QString program =
        WriteFile("glyphon-standin.sh", "#!/bin/sh\n{ pwd -P; echo \"$#\"; } > '" +
                                            report.toUtf8() + ".part'\nmv '" + report.toUtf8() +
                                            ".part' '" + report.toUtf8() + "'\n");
    QFile::setPermissions(program,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    Start();
    form->NewWindowProgram = program;
    form->ClickMenuItem(form->MIStayOnTop);
    ASSERT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);

    form->ClickMenuItem(form->MIOpenNewWindow);
    EXPECT_FALSE(form->MIStayOnTop->isChecked()) << "the window gives up staying on top";
    EXPECT_FALSE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(report); }, kDeadlineMs));
    EXPECT_EQ(QString::fromUtf8(ReadBytes(report)),
              QDir(ProgramFolder()).canonicalPath() + "\n0\n");
    EXPECT_EQ(form->DocumentFileName, "Untitled.htm") << "this window is untouched";
}

TEST_F(FileCommands, OpenNewWindowReportsAProgramThatCannotStart) {
    Start();
    form->NewWindowProgram = root + "/missing-program";
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    form->ClickMenuItem(form->MIOpenNewWindow);
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, "Cannot start \"" + root + "/missing-program\".");
}

} // namespace
