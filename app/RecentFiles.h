#pragma once
// The files the user opened or saved last, newest first, as File > Open Recent lists them.
// The list lives in section "RecentFiles" of the settings file, so it outlasts the run.

#include <QString>
#include <QStringList>

namespace kolvar {

class TRecentFiles {
public:
    static constexpr int MaxCount = 10;

    const QStringList& Files() const { return FFiles; }
    bool IsEmpty() const { return FFiles.isEmpty(); }

    // Puts Path first; an entry naming the same file moves instead of appearing twice, and
    // the oldest entry beyond MaxCount drops off.
    void Add(const QString& Path);
    void Remove(const QString& Path);
    void Clear() { FFiles.clear(); }

    // The folder a file dialog should open in: that of the newest entry whose folder still
    // exists, or Fallback.
    QString LastFolder(const QString& Fallback) const;

    // Keys "File1" .. "File10"; empty and repeated entries are skipped when reading.
    void Read(const QString& SettingsPath);
    bool Write(const QString& SettingsPath) const;

private:
    QStringList FFiles;
};

} // namespace kolvar
