#pragma once
// The state every document shares: the current tool, the sizes of spray and eraser, the text
// tools' text and font and the defaults of a new image; and the settings file they come from.

#include "raster/DibGraphics.h"
#include "raster/DibTypes.h"

#include <QFlags>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

namespace kolvar {

class TShapeDef;

// Font style of the text tools; the values are the bits the text dialog stores.
enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFontStyles)

// Indices into the designer's action table that the shared state names.
constexpr int32_t kActionShape = 6;
constexpr int32_t kActionSelectShape = 12;

// Program-wide tool state. The main window owns one and installs it with SetToolState; the
// palettes, dialogs and document windows read and write its fields directly.
struct TToolState {
    // Its brush and pen are the current fill and stroke of every document, its image the
    // sample of the main window. The main window creates it; the built-in state has none.
    std::unique_ptr<TDibCanvas> ToolCanvas;
    int32_t CurrentAction = 0;
    int32_t ShapeGroupAction = kActionShape;
    int32_t LastDrawAction = 0;
    int32_t LastSelectAction = kActionSelectShape;
    int32_t SpraySize = 2;
    int32_t EraserSize = 2;
    int32_t FileHeight = 200;
    int32_t FileWidth = 200;
    TColor PageColor = 0x00FFFFFF;
    QString ToolText = QStringLiteral("Kolvar");
    QString ToolFontName = QStringLiteral("Arial");
    int32_t ToolFontSize = 8;
    TFontStyles ToolFontStyle;
    // Transparency of the Paste tool (0 opaque to 255), set by the settings palette.
    int32_t PasteTransparency = 0;
    // The main window's paste-without-back-colour button is down.
    bool PasteWithoutColor = false;

    // How a palette reaches every open document; the main window installs them, and they are
    // skipped while unassigned.
    std::function<void(int32_t Index)> OnCurrentChildsAction;
    std::function<void(const TShapeDef& Def)> OnCurrentChildsShapeDef;
    std::function<void(const QStringList& Lines)> OnCurrentChildsShapeDefFromStrings;
};

// The installed state, or a built-in one while nothing is installed (so that a palette or a
// dialog also works on its own, as in tests).
TToolState& ToolState();
// Installs state as the program-wide one; nullptr returns to the built-in state.
void SetToolState(TToolState* state);

// The directory of the program's data files and settings: $KOLVAR_HOME when that is set,
// otherwise the directory of the program file.
QString ProgramDirectory();

// The settings file: kolvar.ini in the program directory when that is writable, otherwise
// kolvar/kolvar.ini in the user's configuration directory.
QString SettingsFilePath();

// Section "Main" of the settings file.
struct TKolvarSettings {
    QString Idiom = QStringLiteral("ENGLISH");
    int32_t FileHeight = 200;
    int32_t FileWidth = 200;
    TColor PageColor = 0x00FFFFFF;
};

// Reads the settings; missing keys and values that are not numbers keep the defaults, except
// that an empty "PageColor" reads as 0. A missing file gives the defaults.
TKolvarSettings ReadSettings(const QString& path);
// Writes the four keys, keeping whatever else the file holds. Returns false when the file
// could not be written.
bool WriteSettings(const QString& path, const TKolvarSettings& settings);

// Reads an integer as the settings file writes it: decimal with an optional sign, or
// hexadecimal after "0x" or "$". Returns false (leaving value alone) for anything else.
bool ParseSettingsInteger(const QString& text, int32_t& value);

} // namespace kolvar
