#include "app/TFormAboutBox.h"
#include "app/TFormGlyphon.h"

#include "common/CommandLine.h"
#include "common/MakerServices.h"
#include "common/Paths.h"
#include "common/Translation.h"
#include "common/UrlUtils.h"
#include "support/FakeWebBrowser.h"
#include "support/ScopedEnv.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnvironment.h"
#include "support/UrlRecorder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

std::unique_ptr<TFormGlyphon> StartWindow() {
    SetCommandLineArgs({"glyphon"});
    auto form = std::make_unique<TFormGlyphon>();
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->DocumentFileName.isEmpty(); }, 5000));
    return form;
}

QString XdgMime(const QStringList& args) {
    QProcess tool;
    tool.start("xdg-mime", args);
    tool.waitForFinished(30000);
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

// A desktop entry for HTML files in the applications folder of the test's data folders.
void InstallDesktopEntry(const QString& dataDir, const QString& id) {
    QDir().mkpath(dataDir + "/applications");
    QFile file(dataDir + "/applications/" + id);
    file.open(QIODevice::WriteOnly);
    file.write("[Desktop Entry]\nType=Application\nName=" + id.toUtf8() +
               "\nExec=true %f\nMimeType=text/html;\n");
}

} // namespace

TEST(AboutBox, TheMemoryLinesShowWholeKilobytesAndTheShareInUse) {
    struct {
        qint64 bytes;
        int load;
        QString memory;
        QString usage;
    } cases[] = {
        {1, 0, "1KB", "0% Used"},
        {1024, 43, "1KB", "43% Used"},
        {1025, 100, "2KB", "100% Used"},
        {qint64(16) * 1024 * 1024 * 1024 + 1, 7, "16,777,217KB", "7% Used"},
    };
    for (const auto& c : cases) {
        TFormAboutBox box({c.bytes, c.load});
        EXPECT_EQ(box.LabelPhysMem->text(), c.memory) << c.bytes;
        EXPECT_EQ(box.LabelMemLoad->text(), c.usage) << c.bytes;
    }
    // The window's own texts in its section, the memory line and caption in STRING_TABLE.
    QTemporaryDir langFolder;
    QFile lang(langFolder.filePath("lang.txt"));
    ASSERT_TRUE(lang.open(QIODevice::WriteOnly));
    lang.write("<//TFormAboutBox-\nE=Memory usage:\nT=Speicherbelegung:\n"
               "<//STRING_TABLE-\nE=% Used\nT=% belegt\nE=About\nT=\xc3\x9c"
               "ber\n");
    lang.close();
    LoadTranslationsFrom(lang.fileName());
    {
        TFormAboutBox box({1024, 43});
        EXPECT_EQ(box.LabelMemLoad->text(), "43% belegt");
        EXPECT_TRUE(box.windowTitle().startsWith(QString::fromUtf8("\xc3\x9c"
                                                                   "ber Velmaris")));
        QStringList labels;
        for (const QLabel* label : box.findChildren<QLabel*>())
            labels << label->text();
        EXPECT_TRUE(labels.contains("Speicherbelegung:")) << labels.join('|').toStdString();
    }
    LoadTranslations();
    const TMemoryStatus machine = ReadMemoryStatus();
    EXPECT_GT(machine.TotalPhys, 0);
    EXPECT_GE(machine.MemoryLoad, 0);
    EXPECT_LE(machine.MemoryLoad, 100);
}

TEST(ShellCommands, AboutShowsTheBoxOverTheWindowUntilOK) {
    auto form = StartWindow();
    QString caption, title, memory;
    // The box is modal: it is read and closed from inside its own event loop.
    std::function<void()> answer = [&] {
        auto* box = qobject_cast<TFormAboutBox*>(QApplication::activeModalWidget());
        if (!box) {
            QTimer::singleShot(10, answer);
            return;
        }
        caption = box->windowTitle();
        title = box->LabelTitle->text();
        memory = box->LabelPhysMem->text();
        for (auto* button : box->findChildren<QPushButton*>())
            button->click();
    };
    QTimer::singleShot(0, answer);
    form->ClickMenuItem(form->MIAbout);
    EXPECT_EQ(title, "Velmaris Glyphon " GLYPHON_VERSION);
    EXPECT_EQ(caption, "About Velmaris Glyphon " GLYPHON_VERSION);
    EXPECT_TRUE(QRegularExpression("^[1-9][0-9,]*KB$").match(memory).hasMatch())
        << memory.toStdString();
}

TEST(ShellCommands, ReadMeAndTheMakersSiteOpenInTheBrowser) {
    auto form = StartWindow();
    UrlRecorder handlers;
    FakeWebBrowser browser(FakeWebBrowser::DefaultEntry);
    SetInternetConnectedOverride(true);
    form->ClickMenuItem(form->MIReadMe);
    form->ClickMenuItem(form->MIVelmarisOnline);
    SetInternetConnectedOverride(std::nullopt);
    EXPECT_EQ(browser.Started(),
              QStringList{"fakebrowser --new-window " +
                          QUrl::fromLocalFile(ProgramFilePath("readme.htm")).toString()});
    EXPECT_EQ(handlers.Urls(), QList<QUrl>{QUrl(MakerSiteUrl())});
}

TEST(ShellCommands, UpgradeIsEnabledOnlyWithTheUpdater) {
    QTemporaryDir machine;
    QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, machine.path());
    auto form = StartWindow();
    form->ClickMenuItem(form->MIFile->menuAction());
    EXPECT_FALSE(form->MIUpgrade->isEnabled());

    const QString output = machine.filePath("updater.out");
    QFile program(machine.filePath("renuvex"));
    program.open(QIODevice::WriteOnly);
    program.write(("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + output + ".part'\nmv '" + output +
                   ".part' '" + output + "'\n")
                      .toUtf8());
    program.close();
    program.setPermissions(program.permissions() | QFileDevice::ExeOwner);
    QSettings(machine.path() + "/Velmaris/Renuvex.conf", QSettings::IniFormat)
        .setValue("Path", program.fileName());

    form->ClickMenuItem(form->MIUpgrade);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(output); }, 10000));
    QFile out(output);
    out.open(QIODevice::ReadOnly);
    EXPECT_EQ(out.readAll(), "VGLY\nVelmaris Glyphon\n");
}

TEST(ShellCommands, SetAsDefaultHtmlEditorTakesAndGivesBackHtmlFiles) {
    QTemporaryDir system;
    const QString dataHome = TestEnvironment::Root() + "/home/.local/share";
    ScopedEnv dataDirs("XDG_DATA_DIRS", system.path().toUtf8());
    ScopedEnv configDirs("XDG_CONFIG_DIRS", system.path().toUtf8());
    ScopedEnv desktop("XDG_CURRENT_DESKTOP", "");
    auto form = StartWindow();
    const QString ours = "io.velmaris.Glyphon.desktop";
    const QString other = "other-editor.desktop";
    InstallDesktopEntry(dataHome, other);
    XdgMime({"default", other, "text/html"});
    const QString notInstalled = "Velmaris Glyphon is not installed on this desktop (its entry "
                                 "\"io.velmaris.Glyphon.desktop\" was not found), so it cannot "
                                 "be made the default HTML editor.";
    const QString question = "Do you want to make Velmaris Glyphon your default HTML editor?";
    struct {
        const char* what;
        bool installed;
        std::optional<QMessageBox::StandardButton> answer; // nothing: a notice instead
        QString asked;
        QString defaultAfter;
    } cases[] = {
        {"without our desktop entry a notice says so", false, std::nullopt, notInstalled, other},
        {"No while another editor has them changes nothing", true, QMessageBox::No, question,
         other},
        {"Yes makes this program the HTML editor", true, QMessageBox::Yes, question, ours},
        {"No gives HTML files back to the editor before", true, QMessageBox::No, question, other},
    };
    for (const auto& c : cases) {
        if (c.installed)
            InstallDesktopEntry(dataHome, ours);
        ScriptedPrompts prompts;
        prompts.AnswerButton(c.answer.value_or(QMessageBox::Ok));
        form->ClickMenuItem(form->MISetAsDefaultHTMLEditor);
        ASSERT_EQ(prompts.Records().size(), 1) << c.what;
        EXPECT_EQ(prompts.Records()[0].Text, c.asked) << c.what;
        EXPECT_EQ(XdgMime({"query", "default", "text/html"}), c.defaultAfter) << c.what;
    }

    ScopedEnv path("PATH", system.path().toUtf8());
    ScriptedPrompts prompts;
    prompts.AnswerButton(QMessageBox::Ok);
    form->ClickMenuItem(form->MISetAsDefaultHTMLEditor);
    ASSERT_EQ(prompts.Records().size(), 1);
    EXPECT_EQ(prompts.Records()[0].Text, "Your system is not setup for a default editor.");
}
