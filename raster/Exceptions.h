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

} // namespace kolvar
