#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh temporary folder holding the home, XDG and program folders of one test process.
class TestEnvironment {
public:
    TestEnvironment();
    void ApplyProgramFolder() const;

    static QString Root();
    static QString ProgramDir();
    // Where the program keeps its settings file in this environment.
    static QString SettingsPath();

private:
    QTemporaryDir dir_;
};
