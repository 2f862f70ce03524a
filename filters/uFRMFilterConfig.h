#pragma once
// The Filter menu's commands: a filter dialog with a live preview over the document, or a
// direct command for the filters without parameters.
//
// A dialog filters the region under the selection (or the whole image) into a preview buffer
// that the document window draws in place of the region. A change of a control sets the
// filter's parameter and restarts a 700 ms timer; when it runs out the preview is computed on
// a worker thread, so the editor stays responsive, and a later change abandons that run. "Ok"
// waits for the preview of the current controls, takes the undo copy and writes it back.
// A big region's preview is made for the view alone (see ViewPreview.h); Ok then filters the
// whole region into the memory of the undo copy.

#include "filters/FilterPreviewRunner.h"
#include "filters/GraphicFilter.h"
#include "filters/ViewPreview.h"
#include "shell/uFRMDialog.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

class QTimer;
class QWidget;

namespace kolvar {

class TFilterDocument;
struct TFilterInfo;

class TfrmFilterConfig : public TfrmDialog {
    Q_OBJECT
public:
    static constexpr int PreviewDelay = 700;
    // How often a running preview is looked at for progress and its end.
    static constexpr int PollInterval = 20;

    // Info names the filter class; the dialog's component name is the row's dialog class.
    TfrmFilterConfig(const TFilterInfo& Info, TFilterDocument& Document, QWidget* Parent = nullptr);
    ~TfrmFilterConfig() override;

    // Creates the filter on the region under the selection and hooks the preview into the
    // document window.
    void SetupFilter();
    // Starts a preview run of the current parameters (abandoning a stale one).
    void RunPreview();
    // The handler every control change ends in: the filter takes the controls, and the
    // preview follows once the controls have been still for PreviewDelay.
    void ParametersChanged();
    void ShowProgress(int32_t Percent, int32_t Pass, int32_t PassCount);

    const TFilterInfo& Info() const { return FInfo; }
    TGraphicFilter* Filter() const { return FFilter.get(); }
    const TFilterSetup& Setup() const { return *FSetup; }
    // The filtered region, or the view's picture of it (PreviewIsView).
    const TDibContainer& Preview() const { return FPreview; }
    bool PreviewIsView() const { return FPreviewIsView; }
    // Regions of more bytes are previewed through the view; tests lower it.
    static inline size_t ViewPreviewLimit = kViewPreviewBytes;
    const TRect& PreviewRect() const { return FPreviewRect; }
    bool HasSelection() const { return FSetup->HasSelection; }
    QTimer* Timer() const { return FTimer; }
    // The preview holds the result of the filter's current parameters.
    bool PreviewCurrent() const { return FPreviewCurrent; }
    bool PreviewRunning() const { return FRunner.Busy() && !FRunDone; }
    // Preview runs started so far.
    int PreviewRuns() const { return FPreviewRuns; }
    // Brings the preview up to the controls: starts the run a pending change or a missing
    // preview needs, waits for it and takes its result in (Ok does this first).
    void FinishPreview();

protected:
    // Sets the filter's parameters from the dialog's controls.
    virtual void ApplyControls() {}
    void sbOKClick() override;
    void sbCancelClick() override;
    void closeEvent(QCloseEvent* e) override;
    // The first control takes the keyboard, so that the arrow keys move it at once.
    void showEvent(QShowEvent* e) override;
    TFilterDocument& Document() const { return FDocument; }

private:
    void TimerTimer();
    void PollPreview();
    void TakeResult(bool Completed);
    // Makes the run under way stale without waiting for it.
    void CancelPreview();
    // Also waits for its thread.
    void StopPreview();
    void FormDestroy();
    void PaintPreview(TDibContainer& Buffer);
    // Filters the whole region for Ok when the preview showed only the view.
    void ApplyWholeRegion();

    const TFilterInfo& FInfo;
    TFilterDocument& FDocument;
    std::unique_ptr<TGraphicFilter> FFilter;
    std::unique_ptr<TFilterSetup> FSetup;
    TDibContainer FPreview;
    TRect FPreviewRect{0, 0, -1, -1};
    QTimer* FTimer;
    QTimer* FPoll;
    TFilterPreviewRunner FRunner;
    std::atomic<int> FProgress{-1};
    QString FCaption;
    // The view the preview runs for, and whether the last run and the preview are the view's.
    TPoint FViewSize{0, 0};
    bool FRunIsView = false;
    bool FPreviewIsView = false;
    bool FHasPreview = false;
    bool FPreviewCurrent = false;
    bool FRunDone = true;
    bool FHooked = false;
    int FPreviewRuns = 0;
};

} // namespace kolvar
