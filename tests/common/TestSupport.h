#pragma once
// Small helpers shared by the test suites.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <string>

namespace kolvar::test {

inline QByteArray ReadFileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline QString TestDataPath(const QString& name) {
    return QStringLiteral(KOLVAR_TEST_DATA "/") + name;
}

} // namespace kolvar::test
