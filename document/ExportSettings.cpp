#include "document/ExportSettings.h"

#include "shell/uKolvarGeneric.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace kolvar {

namespace {

const QString kSection = QStringLiteral("Export");

void readInteger(const QSettings& s, const char* key, int32_t low, int32_t high, int32_t& value) {
    int32_t read = 0;
    if (s.contains(QLatin1String(key)) &&
        ParseSettingsInteger(s.value(QLatin1String(key)).toString(), read))
        value = std::clamp(read, low, high);
}

void readFlag(const QSettings& s, const char* key, bool& value) {
    int32_t read = value ? 1 : 0;
    readInteger(s, key, 0, 1, read);
    value = read != 0;
}

} // namespace

TExportSettings ReadExportSettings(const QString& SettingsPath) {
    TExportSettings result;
    if (!QFileInfo::exists(SettingsPath)) return result;
    QSettings s(SettingsPath, QSettings::IniFormat);
    s.beginGroup(kSection);
    readInteger(s, "Type", 0, 3, result.Type);
    readInteger(s, "JpegQuality", 1, 100, result.JpegQuality);
    readFlag(s, "GrayScale", result.GrayScale);
    readFlag(s, "Progressive", result.Progressive);
    readFlag(s, "Smoothing", result.Smoothing);
    readFlag(s, "Transparent", result.Transparent);
    readInteger(s, "PcxDepth", 0, 2, result.PcxDepth);
    readInteger(s, "TifDepth", 0, 5, result.TifDepth);
    readInteger(s, "PngLevel", 0, 9, result.PngLevel);
    result.Folder = s.value(QStringLiteral("Folder")).toString();
    return result;
}

bool WriteExportSettings(const QString& SettingsPath, const TExportSettings& Settings) {
    if (!QDir().mkpath(QFileInfo(SettingsPath).absolutePath())) return false;
    QSettings s(SettingsPath, QSettings::IniFormat);
    s.beginGroup(kSection);
    s.setValue(QStringLiteral("Type"), Settings.Type);
    s.setValue(QStringLiteral("JpegQuality"), Settings.JpegQuality);
    s.setValue(QStringLiteral("GrayScale"), int(Settings.GrayScale));
    s.setValue(QStringLiteral("Progressive"), int(Settings.Progressive));
    s.setValue(QStringLiteral("Smoothing"), int(Settings.Smoothing));
    s.setValue(QStringLiteral("Transparent"), int(Settings.Transparent));
    s.setValue(QStringLiteral("PcxDepth"), Settings.PcxDepth);
    s.setValue(QStringLiteral("TifDepth"), Settings.TifDepth);
    s.setValue(QStringLiteral("PngLevel"), Settings.PngLevel);
    s.setValue(QStringLiteral("Folder"), Settings.Folder);
    s.endGroup();
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace kolvar
