#include "support/TestEnvironment.h"

#include "common/Paths.h"

#include <QDir>
#include <cstdlib>

namespace {
QString root;

void SetEnv(const char* name, const QString& sub) {
    const QString path = root + '/' + sub;
    QDir().mkpath(path);
    setenv(name, QFile::encodeName(path).constData(), 1);
}
} // namespace

TestEnvironment::TestEnvironment() : dir_(QDir::tempPath() + "/glyphon-test-XXXXXX") {
    root = dir_.path();
    SetEnv("HOME", "home");
    SetEnv("XDG_CONFIG_HOME", "home/.config");
    SetEnv("XDG_DATA_HOME", "home/.local/share");
    SetEnv("XDG_CACHE_HOME", "home/.cache");
    SetEnv("XDG_RUNTIME_DIR", "runtime");
    QFile::setPermissions(root + "/runtime",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QDir().mkpath(ProgramDir());
    // No session bus: nothing a test saves reaches the user's own keyring. A test that wants
    // one starts its own and points this at it before anything connects.
    setenv("DBUS_SESSION_BUS_ADDRESS",
           QFile::encodeName("unix:path=" + root + "/runtime/no-bus").constData(), 1);
}

void TestEnvironment::ApplyProgramFolder() const {
    SetProgramFolderOverride(ProgramDir());
}

QString TestEnvironment::Root() {
    return root;
}

QString TestEnvironment::ProgramDir() {
    return root + "/program";
}

QString TestEnvironment::SettingsPath() {
    return root + "/home/.config/Velmaris/Velmaris Glyphon/Settings.ini";
}
