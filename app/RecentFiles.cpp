#include "app/RecentFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace kolvar {

namespace {

const QString kSection = QStringLiteral("RecentFiles");

QString keyOf(int index) {
    return QStringLiteral("File") + QString::number(index + 1);
}

// The same file reached by another spelling of its path ("a/../b.bmp", "./b.bmp") is one entry.
QString canonical(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

void TRecentFiles::Add(const QString& Path) {
    if (Path.isEmpty()) return;
    const QString name = canonical(Path);
    FFiles.removeAll(name);
    FFiles.prepend(name);
    while (FFiles.size() > MaxCount) FFiles.removeLast();
}

void TRecentFiles::Remove(const QString& Path) {
    FFiles.removeAll(canonical(Path));
}

QString TRecentFiles::LastFolder(const QString& Fallback) const {
    for (const QString& file : FFiles) {
        const QString folder = QFileInfo(file).absolutePath();
        if (QFileInfo(folder).isDir()) return folder;
    }
    return Fallback;
}

void TRecentFiles::Read(const QString& SettingsPath) {
    FFiles.clear();
    if (!QFileInfo::exists(SettingsPath)) return;
    QSettings s(SettingsPath, QSettings::IniFormat);
    s.beginGroup(kSection);
    for (int i = 0; i < MaxCount; ++i) {
        const QString name = s.value(keyOf(i)).toString().trimmed();
        if (!name.isEmpty() && !FFiles.contains(canonical(name))) FFiles << canonical(name);
    }
}

bool TRecentFiles::Write(const QString& SettingsPath) const {
    if (!QDir().mkpath(QFileInfo(SettingsPath).absolutePath())) return false;
    QSettings s(SettingsPath, QSettings::IniFormat);
    s.remove(kSection);
    s.beginGroup(kSection);
    for (int i = 0; i < FFiles.size(); ++i) s.setValue(keyOf(i), FFiles[i]);
    s.endGroup();
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace kolvar
