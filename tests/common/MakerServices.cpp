#include "common/MakerServices.h"

#include "common/GlyphErrors.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A program that writes its arguments and its working folder, one a line, to Output.
QString RecordingProgram(const QString& path, const QString& output) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + output + ".part'\npwd >> '" + output +
                ".part'\nmv '" + output + ".part' '" + output + "'\n")
                   .toUtf8());
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

QStringList ReadLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

// The machine settings of the test: a temporary folder in place of /etc/xdg.
class MakerServices : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::SystemScope, machine_.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, machine_.path());
    }
    void Write(const QString& application, const QString& key, const QString& value) {
        QSettings settings(machine_.path() + "/Velmaris/" + application + ".conf",
                           QSettings::IniFormat);
        settings.setValue(key, value);
    }
    QTemporaryDir machine_;
    QTemporaryDir programs_;
};

} // namespace

TEST_F(MakerServices, TheSiteAddressComesFromTheInstallersRecord) {
    struct {
        const char* what;
        std::optional<QString> recorded; // nothing: no record at all
        QString expected;
    } cases[] = {
        {"no record: the maker's own page", std::nullopt, MakerHomePage()},
        {"the recorded address", "https://example.org/glyphon", "https://example.org/glyphon"},
    };
    for (const auto& c : cases) {
        if (c.recorded)
            Write("Velmaris Glyphon", "Uninstall/URLInfoAbout", *c.recorded);
        EXPECT_EQ(MakerSiteUrl(), c.expected) << c.what;
    }
    Write("Velmaris Glyphon", "Uninstall/DisplayName", "Velmaris Glyphon");
    Write("Velmaris Glyphon", "Uninstall/URLInfoAbout", "");
    EXPECT_EQ(MakerSiteUrl(), "") << "a record without an address";
}

TEST_F(MakerServices, TheUpdaterIsFoundUnderEitherVersion) {
    EXPECT_FALSE(IsUpdaterInstalled());
    Write("Renuvex", "Path", programs_.filePath("missing"));
    EXPECT_EQ(UpdaterPath(), programs_.filePath("missing"));
    EXPECT_FALSE(IsUpdaterInstalled()) << "a path without a file";
    const QString updater = RecordingProgram(programs_.filePath("renuvex2"), "unused");
    Write("Renuvex v2.0", "Path", updater);
    EXPECT_EQ(UpdaterPath(), updater) << "version 2.0 comes first";
    EXPECT_TRUE(IsUpdaterInstalled());
}

TEST_F(MakerServices, AComponentRunsWithItsFileElseTheFileOpensElseItIsNotInstalled) {
    const QString output = programs_.filePath("component.out");
    Write("Renuvex", "Components/Tidy Viewer/PATH",
          RecordingProgram(programs_.filePath("viewer"), output));
    EXPECT_EQ(ComponentPath("Tidy Viewer"), programs_.filePath("viewer"));
    RunComponent("Tidy Viewer", "/tmp/a b.htm");
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(output); }, 10000));
    EXPECT_EQ(ReadLines(output),
              (QStringList{"/tmp/a b.htm", "-NoSplash", "-X", programs_.path()}));

    EXPECT_EQ(ComponentPath("Absent"), "");
    try {
        RunComponent("Absent", "");
        ADD_FAILURE() << "no component and no file must raise";
    } catch (const EGlyphError& e) {
        EXPECT_STREQ(e.what(), "\"Absent\" is not installed on your system.");
    }
}
