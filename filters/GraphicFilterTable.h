#pragma once
// The one table of filter commands. The Filter menu, the dialogs, the direct commands and the
// command-line program all read it: a row names the command's tag, menu item, dialog, help
// topic and filter class, and lists the parameters with their control ranges and the setters
// that take them into the filter.

#include "filters/GraphicFilterInfo.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kolvar {

// Every row, ordered by tag.
const std::vector<TFilterInfo>& FilterTable();
// The row of a tag, or null.
const TFilterInfo* FindFilter(int32_t Tag);
// The row whose Name matches, ignoring case and blanks ("fisheye" finds "FishEye"), or null.
const TFilterInfo* FindFilter(const QString& Name);

// Runs a row's command on an image: the direct commands as the menu applies them, the others
// through the preview protocol with configure setting the parameters (in place for the
// point-wise filters without a selection, see ApplyFilterSparingMemory).
// Bands as for RunFilterPreview.
void ApplyFilterInfo(const TFilterInfo& Info, TDibContainer& Image,
                     const TFilterSelection* Selection,
                     const std::function<void(TGraphicFilter&)>& configure = {}, int32_t Bands = 0);

} // namespace kolvar
