#pragma once
// The root of the program's error classes. Every error carries the text a user is shown.

#include <QString>

#include <stdexcept>

namespace kolvar {

class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message) : std::runtime_error(message.toStdString()) {}
    explicit Exception(const char* message) : std::runtime_error(message) {}
    QString Message() const { return QString::fromStdString(what()); }
};

// Text that does not convert to the number it should hold.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A file that cannot be opened or read.
class EInOutError : public Exception {
public:
    using Exception::Exception;
};

} // namespace kolvar
