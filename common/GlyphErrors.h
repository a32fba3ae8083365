#pragma once

#include <QString>
#include <stdexcept>

// The generic error of the program: a failing command throws it (or a subclass) with the text
// the user is shown, and the command runner turns it into the error box.
class EGlyphError : public std::runtime_error {
public:
    explicit EGlyphError(const QString& message);
    QString Message() const { return message_; }

private:
    QString message_;
};

// A file that cannot be opened, created, read or written.
class EGlyphFileError : public EGlyphError {
public:
    using EGlyphError::EGlyphError;
};
