#pragma once

#include <QByteArray>
#include <cstdlib>
#include <optional>

// Sets an environment variable for the life of the object and puts the old value back after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = QByteArray(old);
        setenv(name, value.constData(), 1);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->constData(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> old_;
};
