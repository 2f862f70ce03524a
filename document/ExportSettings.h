#pragma once
// What the export dialog remembers between runs: the last type, the JPEG quality and options,
// the depths, the PNG level and the folder. Section "Export" of the settings file.

#include <QString>

#include <cstdint>

namespace kolvar {

struct TExportSettings {
    // Index into the dialog's type list (JPEG, TIFF, PCX, PNG).
    int32_t Type = 0;
    int32_t JpegQuality = 1;
    bool GrayScale = false;
    bool Progressive = false;
    bool Smoothing = false;
    bool Transparent = false;
    // Indices into the depth lists: "256 Colors" for PCX, "16 bits" for TIFF.
    int32_t PcxDepth = 2;
    int32_t TifDepth = 3;
    int32_t PngLevel = 6;
    // Empty until the first export.
    QString Folder;
};

// Missing keys keep the defaults (those of a first export); numbers out of range are clamped.
TExportSettings ReadExportSettings(const QString& SettingsPath);
// Writes the section, keeping the rest of the file. False when it could not be written.
bool WriteExportSettings(const QString& SettingsPath, const TExportSettings& Settings);

} // namespace kolvar
