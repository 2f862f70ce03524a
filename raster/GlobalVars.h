#pragma once
// A name/value store over lines of the form name=value (the variable lines of the language
// texts), and the one instance the program shares.

#include <QString>
#include <QStringList>

#include <cstdint>

namespace kolvar {

class TGlobal {
public:
    // The index of the first line whose name part equals name ignoring letter case, or -1.
    // Lines without "=" have no name part and never match.
    int32_t IndexOfName(const QString& name) const;
    // The value part for name; empty when the name is absent.
    QString GetValue(const QString& name) const;
    // Replaces the value of an existing name, or appends the line name=value.
    void SetValue(const QString& name, const QString& value);
    void Clear() { FLines.clear(); }

    QStringList& Lines() { return FLines; }
    const QStringList& Lines() const { return FLines; }

private:
    QStringList FLines;
};

// The program-wide store, created on first use and destroyed at exit.
TGlobal& Global();

} // namespace kolvar
