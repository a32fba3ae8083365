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

private:
    QTemporaryDir dir_;
};
