#pragma once
// The user's preferences beyond the new-image defaults: section "Preferences" of the settings
// file. They are read once at start; the Preferences dialog changes them and writes them back.

#include <QString>

#include <cstdint>

namespace kolvar {

struct TPreferences {
    // JPEG quality used when Save writes a .jpg/.jpeg file.
    int32_t SaveJpegQuality = 90;
    // Seconds after a document's last change before its recovery copy is written.
    int32_t RecoveryInterval = 30;
    // How many changes Undo can take back; 1 keeps the single undo copy.
    int32_t UndoLevels = 1;
    // Memory all documents' history may hold together, in megabytes.
    int32_t HistoryBudgetMB = 512;
};

struct TPreferenceRange {
    int32_t Min;
    int32_t Max;
};
constexpr TPreferenceRange kSaveJpegQualityRange{1, 100};
constexpr TPreferenceRange kRecoveryIntervalRange{10, 600};
constexpr TPreferenceRange kUndoLevelsRange{1, 100};
constexpr TPreferenceRange kHistoryBudgetRange{16, 65536};

// The program-wide preferences, defaults until something assigns them.
TPreferences& Preferences();

// Reads section "Preferences"; missing keys and values that are not numbers keep the defaults,
// values out of range are clamped into it.
TPreferences ReadPreferences(const QString& path);
// Writes the section, keeping whatever else the file holds. False when it could not be written.
bool WritePreferences(const QString& path, const TPreferences& preferences);

} // namespace kolvar
