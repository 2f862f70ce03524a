#include "shell/uKolvarGeneric.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace kolvar {

namespace {

TToolState* installedState = nullptr;

const QString kSection = QStringLiteral("Main");

// QSettings hands back a value with a comma as a list; the file means the plain text.
QString settingsText(const QSettings& s, const QString& key) {
    const QVariant v = s.value(key);
    if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void readInteger(const QSettings& s, const QString& key, int32_t& value) {
    if (s.contains(key)) ParseSettingsInteger(settingsText(s, key), value);
}

} // namespace

TToolState& ToolState() {
    static TToolState builtIn;
    return installedState ? *installedState : builtIn;
}

void SetToolState(TToolState* state) {
    installedState = state;
}

QString ProgramDirectory() {
    const QString home = qEnvironmentVariable("KOLVAR_HOME");
    if (!home.isEmpty()) return QDir::cleanPath(home);
    return QCoreApplication::applicationDirPath();
}

QString SettingsFilePath() {
    const QString dir = ProgramDirectory();
    const QFileInfo info(dir);
    if (info.isDir() && info.isWritable()) return QDir(dir).filePath(QStringLiteral("kolvar.ini"));
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("kolvar/kolvar.ini"));
}

bool ParseSettingsInteger(const QString& text, int32_t& value) {
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.startsWith(QLatin1Char('-'));
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        t.remove(0, 2);
    } else if (t.startsWith(QLatin1Char('$'))) {
        base = 16;
        t.remove(0, 1);
    }
    if (t.isEmpty() || t.front().isSpace()) return false;
    bool ok = false;
    const qlonglong magnitude = t.toLongLong(&ok, base);
    if (!ok || magnitude < 0) return false;
    const qlonglong signedValue = negative ? -magnitude : magnitude;
    // Hexadecimal texts name the 32 bits, as the original integers did ("0xFFFFFFFF" is -1).
    if (base == 16 && !negative && magnitude <= 0xFFFFFFFFLL) {
        value = int32_t(uint32_t(magnitude));
        return true;
    }
    if (signedValue < INT32_MIN || signedValue > INT32_MAX) return false;
    value = int32_t(signedValue);
    return true;
}

TKolvarSettings ReadSettings(const QString& path) {
    TKolvarSettings result;
    if (!QFileInfo::exists(path)) return result;
    QSettings s(path, QSettings::IniFormat);
    s.beginGroup(kSection);
    if (s.contains(QStringLiteral("Idiom")))
        result.Idiom = settingsText(s, QStringLiteral("Idiom"));
    readInteger(s, QStringLiteral("FileHeight"), result.FileHeight);
    readInteger(s, QStringLiteral("FileWidth"), result.FileWidth);
    if (s.contains(QStringLiteral("PageColor"))) {
        const QString text = settingsText(s, QStringLiteral("PageColor"));
        int32_t colour = 0;
        // An empty value is black; a value that is not a number keeps the default white
        // instead of stopping the program at start.
        if (text.trimmed().isEmpty())
            result.PageColor = 0;
        else if (ParseSettingsInteger(text, colour))
            result.PageColor = TColor(uint32_t(colour));
    }
    return result;
}

bool WriteSettings(const QString& path, const TKolvarSettings& settings) {
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir)) return false;
    QSettings s(path, QSettings::IniFormat);
    s.beginGroup(kSection);
    s.setValue(QStringLiteral("Idiom"), settings.Idiom);
    s.setValue(QStringLiteral("FileHeight"), settings.FileHeight);
    s.setValue(QStringLiteral("FileWidth"), settings.FileWidth);
    s.setValue(QStringLiteral("PageColor"), QString::number(int32_t(settings.PageColor)));
    s.endGroup();
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace kolvar
