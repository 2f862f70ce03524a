#include "shell/uPreferences.h"

#include "shell/uKolvarGeneric.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace kolvar {

namespace {

const QString kSection = QStringLiteral("Preferences");

void readValue(const QSettings& s, const char* key, TPreferenceRange range, int32_t& value) {
    const QString name = QLatin1String(key);
    if (!s.contains(name)) return;
    int32_t read = 0;
    if (ParseSettingsInteger(s.value(name).toString(), read))
        value = std::clamp(read, range.Min, range.Max);
}

} // namespace

TPreferences& Preferences() {
    static TPreferences preferences;
    return preferences;
}

TPreferences ReadPreferences(const QString& path) {
    TPreferences result;
    if (!QFileInfo::exists(path)) return result;
    QSettings s(path, QSettings::IniFormat);
    s.beginGroup(kSection);
    readValue(s, "SaveJpegQuality", kSaveJpegQualityRange, result.SaveJpegQuality);
    readValue(s, "RecoveryInterval", kRecoveryIntervalRange, result.RecoveryInterval);
    readValue(s, "UndoLevels", kUndoLevelsRange, result.UndoLevels);
    readValue(s, "HistoryBudgetMB", kHistoryBudgetRange, result.HistoryBudgetMB);
    return result;
}

bool WritePreferences(const QString& path, const TPreferences& preferences) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QSettings s(path, QSettings::IniFormat);
    s.beginGroup(kSection);
    s.setValue(QStringLiteral("SaveJpegQuality"), preferences.SaveJpegQuality);
    s.setValue(QStringLiteral("RecoveryInterval"), preferences.RecoveryInterval);
    s.setValue(QStringLiteral("UndoLevels"), preferences.UndoLevels);
    s.setValue(QStringLiteral("HistoryBudgetMB"), preferences.HistoryBudgetMB);
    s.endGroup();
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace kolvar
