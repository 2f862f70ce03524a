#include "filters/uFRMFilterCommands.h"

#include "filters/BackgroundRun.h"
#include "filters/FilterDocument.h"
#include "filters/GraphicFilter.h"
#include "filters/GraphicFilterTable.h"
#include "filters/uFRMFilterDialogs.h"
#include "filters/uFRMHistogram.h"
#include "shell/UserDialogsWidget.h"

#include <algorithm>
#include <optional>

namespace kolvar {

bool ExecuteFilterDialog(QWidget* Parent, const TFilterInfo& Info, TFilterDocument& Document) {
    std::unique_ptr<TfrmFilterConfig> dialog = CreateFilterDialog(Info, Document, Parent);
    dialog->EnsureCreated();
    dialog->SetupFilter();
    return UserDialogs().Run(*dialog) == mrOk;
}

void ApplyFilterDirectCommand(const TFilterInfo& Info, TFilterDocument& Document) {
    TDibContainer& image = Document.Image();
    if (image.Empty()) return;
    const std::optional<TFilterSelection> selection = Document.FilterSelection();
    // The undo copy of a big picture takes a moment too: the progress shows from the start.
    Document.ShowProgress(0);
    Document.SaveUndo();
    RunKeepingWindowsLive(
        [&](const TWorkReport& report) {
            ApplyFilterDirect(Info.Create, image, selection ? &*selection : nullptr,
                              Info.WholeImage, 0,
                              [&](int32_t percent, int32_t pass, int32_t passes) {
                                  report(((pass - 1) * 100 + percent) / std::max(passes, 1));
                              });
        },
        [&](int percent) { Document.ShowProgress(percent); });
    Document.ShowProgress(-1);
    Document.SetModified(true);
    Document.Repaint();
}

void ExecuteFilterCommand(QWidget* Parent, int Tag, TFilterDocument& Document) {
    const TFilterInfo* info = FindFilter(Tag);
    if (!info || Document.Image().Empty()) return;
    if (info->Tag == HistogramShowTag)
        ShowHistogramWindow(Parent, Document.Image());
    else if (info->Direct())
        ApplyFilterDirectCommand(*info, Document);
    else
        ExecuteFilterDialog(Parent, *info, Document);
}

} // namespace kolvar
