#pragma once
// A row of the filter table: how a filter appears in the menu, its dialog and help topic, how
// it is made, and the parameters the dialogs and the batch command set. The table's parts
// build rows with these types.

#include "filters/GraphicFilter.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kolvar {

enum class TFilterParamKind {
    fpNumber, // a slider or spin edit; the filter takes a real or integer value
    fpChoice, // a radio group; the filter takes the index of the choice
    fpFlag,   // a check box; the filter takes 0 or 1
    fpText,   // anything else (a preset name, a kernel), given as text
};

struct TFilterParam {
    // Its name on the command line (without the leading dashes).
    QString Option;
    // The dialog control (or controls) that sets it.
    QString Control;
    TFilterParamKind Kind = TFilterParamKind::fpNumber;
    // The control's range and initial position.
    int32_t Min = 0, Max = 0, Initial = 0;
    // The values the filter accepts, in its own units (fpNumber).
    double ValueMin = 0, ValueMax = 0;
    // The filter's value before any change (for parameters without a position conversion).
    double Default = 0;
    // The filter takes whole numbers only.
    bool Integer = false;
    // fpChoice: the choices in index order.
    QStringList Choices;
    QString Help;
    // The dialog's conversion of a control position into the filter's value.
    std::function<double(int32_t Position)> FromPosition;
    // Set the parameter on a filter made by the row's factory.
    std::function<void(TGraphicFilter&, double)> SetValue;
    std::function<void(TGraphicFilter&, const QString&)> SetText;

    // The filter's own value, where it differs from the one the dialog starts with.
    std::optional<double> Unset;

    // The value the dialog starts with, in the filter's units.
    double InitialValue() const { return FromPosition ? FromPosition(Initial) : Default; }
    // The value the filter works with when nothing sets the parameter.
    double UnsetValue() const { return Unset ? *Unset : InitialValue(); }
};

struct TFilterInfo {
    int32_t Tag = 0;
    // The command's name on the command line.
    QString Name;
    QString MenuItem;
    QString MenuCaption;
    // The menu item's parent when it is not the Filter menu itself ("Histogram").
    QString MenuParent;
    // Empty for the commands applied directly, without a dialog.
    QString DialogClass;
    QString DialogCaption;
    int32_t HelpTopic = 0;
    QString FilterClassName;
    TFilterFactory Create;
    std::vector<TFilterParam> Params;
    // A direct command that disregards the selection and always works on the whole image.
    bool WholeImage = false;

    bool Direct() const { return DialogClass.isEmpty(); }
    const TFilterParam* FindParam(const QString& option) const;
};

// A row with its names and factory; callers add the parameters.
TFilterInfo MakeFilterInfo(int32_t tag, const char* name, const char* item, const char* caption,
                           const char* dialog, const char* dialogCaption, int32_t help,
                           const char* className, TFilterFactory create);

} // namespace kolvar
