#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTest>
#include <sys/types.h>

// The program in a process of its own, driven through its test entry's commands (one line
// each, answered by one line).
class TProgram {
public:
    static constexpr int StartDeadlineMs = 20000;

    TProgram(const QString& program, const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process_.setProcessEnvironment(env);
        process_.start(program, args);
        process_.waitForStarted();
    }
    ~TProgram() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    // Sends a command and waits for its answer: its line, or nothing when none came.
    QString Command(const QString& command) {
        process_.write((command + "\n").toUtf8());
        const bool answered = QTest::qWaitFor(
            [&] {
                output_ += process_.readAllStandardOutput();
                return output_.contains('\n') || process_.state() != QProcess::Running;
            },
            StartDeadlineMs);
        if (!answered || !output_.contains('\n'))
            return {};
        const qsizetype end = output_.indexOf('\n');
        const QString line = QString::fromUtf8(output_.left(end));
        output_.remove(0, end + 1);
        return line;
    }
    pid_t Pid() const { return pid_t(process_.processId()); }
    QProcess& Process() { return process_; }

private:
    QProcess process_;
    QByteArray output_;
};
