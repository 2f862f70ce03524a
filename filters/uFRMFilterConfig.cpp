#include "filters/uFRMFilterConfig.h"
#include "shell/uLanguagesSuport.h"

#include "filters/BackgroundRun.h"
#include "filters/FilterDocument.h"
#include "filters/GraphicFilterTable.h"
#include "raster/DibMath.h"
#include "shell/UserDialogsWidget.h"
#include "vector/Designer.h"

#include <QCloseEvent>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace kolvar {

namespace {

QString ComponentNameOf(const QString& className) {
    return className.startsWith(QLatin1Char('T')) ? className.mid(1) : className;
}

} // namespace

TfrmFilterConfig::TfrmFilterConfig(const TFilterInfo& Info, TFilterDocument& Document,
                                   QWidget* Parent)
    : TfrmDialog(Parent), FInfo(Info), FDocument(Document),
      FSetup(std::make_unique<TFilterSetup>()), FTimer(new QTimer(this)), FPoll(new QTimer(this)) {
    setObjectName(ComponentNameOf(Info.DialogClass));
    setWindowTitle(Info.DialogCaption.isEmpty() ? QStringLiteral(" Configure")
                                                : Info.DialogCaption);
    SetHelpContext(Info.HelpTopic);
    FTimer->setObjectName(QStringLiteral("Timer"));
    FTimer->setInterval(PreviewDelay);
    FTimer->setSingleShot(true);
    connect(FTimer, &QTimer::timeout, this, [this] { TimerTimer(); });
    FPoll->setInterval(PollInterval);
    connect(FPoll, &QTimer::timeout, this, [this] { PollPreview(); });
}

TfrmFilterConfig::~TfrmFilterConfig() {
    FormDestroy();
}

void TfrmFilterConfig::SetupFilter() {
    TDibContainer& image = FDocument.Image();
    const std::optional<TFilterSelection> selection = FDocument.FilterSelection();
    FSetup.reset(new TFilterSetup(
        SetupFilterRegion(image.Width(), image.Height(), selection ? &*selection : nullptr)));
    FFilter = FInfo.Create(FSetup->Region, image);
    FFilter->OnProgress = [this](int32_t Percent, int32_t Pass, int32_t PassCount) {
        ShowProgress(Percent, Pass, PassCount);
    };
    if (FSetup->PreviewWidth() > 0 && FSetup->PreviewHeight() > 0)
        FPreview.SetSize(FSetup->PreviewWidth(), FSetup->PreviewHeight());
    FHasPreview = false;
    FPreviewCurrent = false;

    TProjector& view = FDocument.ViewProjector();
    const TPoint2D corner = view.WorldToScreen(FSetup->Region.Left, FSetup->Region.Top);
    const TPoint2D zoom = view.Scale();
    // Inclusive, as the window draws the image itself, so that the preview covers the region
    // pixel for pixel at any zoom.
    const int32_t left = Round(corner.X), top = Round(corner.Y);
    FPreviewRect = TRect{left, top, left + Round(FSetup->PreviewWidth() * zoom.X) - 1,
                         top + Round(FSetup->PreviewHeight() * zoom.Y) - 1};
    FDocument.SetPreviewHooks(
        [this](TDibContainer& Buffer) { PaintPreview(Buffer); },
        [this](QPainter& DC) {
            if (!FHasPreview || FPreview.Empty()) return;
            const TRect& r = FPreviewRect;
            DC.drawImage(QRect(r.Left, r.Top, r.Right - r.Left + 1, r.Bottom - r.Top + 1),
                         FPreview.ToImage());
        });
    FHooked = true;
}

void TfrmFilterConfig::PaintPreview(TDibContainer& Buffer) const {
    // A buffer that was never filtered holds nothing worth showing over the image.
    if (!FHasPreview || FPreview.Empty()) return;
    if (FPreviewRect.Right < FPreviewRect.Left || FPreviewRect.Bottom < FPreviewRect.Top) return;
    FPreview.StretchTo(Buffer, FPreviewRect, false);
}

void TfrmFilterConfig::ShowProgress(int32_t Percent, int32_t, int32_t) {
    setWindowTitle(QStringLiteral("Progress - %1 %").arg(Percent));
}

void TfrmFilterConfig::ParametersChanged() {
    // A run under way is stale now. It stops at its next row without the user interface
    // waiting for it; until it has, the worker owns the filter, and the next run takes the
    // controls when it starts.
    CancelPreview();
    if (FRunner.Idle()) ApplyControls();
    FPreviewCurrent = false;
    FTimer->start();
}

void TfrmFilterConfig::TimerTimer() {
    FTimer->stop();
    RunPreview();
}

void TfrmFilterConfig::RunPreview() {
    if (!FFilter) return;
    StopPreview();
    ApplyControls();
    FCaption = windowTitle();
    FRunDone = false;
    FPreviewCurrent = false;
    ++FPreviewRuns;
    // The worker only leaves its latest percentage here; the poll timer shows it and takes the
    // result in, so nothing of the user interface is touched off its thread.
    FProgress = -1;
    auto progress = [this](int32_t Percent, int32_t, int32_t) { FProgress = Percent; };
    FRunner.Start(*FFilter, *FSetup, std::move(progress), {});
    FPoll->start();
}

void TfrmFilterConfig::PollPreview() {
    if (FRunDone) {
        FPoll->stop();
        return;
    }
    // Ended first: a run that has ended has left its last report, which is then shown too.
    const bool ended = FRunner.Idle();
    const int percent = FProgress.exchange(-1);
    if (percent >= 0) ShowProgress(percent, 0, 0);
    if (ended) TakeResult(FRunner.Wait());
}

void TfrmFilterConfig::TakeResult(bool Completed) {
    FPoll->stop();
    FRunDone = true;
    setWindowTitle(FCaption);
    if (!Completed) return;
    std::swap(FPreview, FRunner.Result());
    FHasPreview = true;
    FPreviewCurrent = true;
    FDocument.Repaint();
}

void TfrmFilterConfig::FinishPreview() {
    if (FTimer->isActive() || (!FPreviewCurrent && FRunDone)) {
        FTimer->stop();
        RunPreview();
    }
    // A long run keeps the windows painting while it ends; its progress shows in the caption.
    WaitKeepingWindowsLive([this] { return FRunDone || FRunner.Idle(); });
    if (!FRunDone) TakeResult(FRunner.Wait());
}

void TfrmFilterConfig::CancelPreview() {
    FRunner.RequestStop();
    if (FRunDone) return;
    FRunDone = true;
    setWindowTitle(FCaption);
}

void TfrmFilterConfig::StopPreview() {
    CancelPreview();
    FRunner.Abandon();
}

void TfrmFilterConfig::sbOKClick() {
    FinishPreview();
    if (!FPreviewCurrent) {
        UserDialogs().Message(this, windowTitle(),
                              LanguageMessage(QStringLiteral("The filter could not be applied.")),
                              TMessageIcon::Error);
        return;
    }
    if (!FPreview.Empty()) {
        FDocument.SaveUndo();
        RunKeepingWindowsLive([this](const TWorkReport&) {
            FPreview.BlendTo(FDocument.Image(), FSetup->Region.Left, FSetup->Region.Top, 0);
        });
        FDocument.SetModified(true);
    }
    FormDestroy();
    TfrmDialog::sbOKClick();
}

void TfrmFilterConfig::sbCancelClick() {
    FormDestroy();
    TfrmDialog::sbCancelClick();
}

void TfrmFilterConfig::closeEvent(QCloseEvent* e) {
    FormDestroy();
    TfrmDialog::closeEvent(e);
}

void TfrmFilterConfig::FormDestroy() {
    FTimer->stop();
    FPoll->stop();
    StopPreview();
    if (!FHooked) return;
    FHooked = false;
    FDocument.SetPreviewHooks({}, {});
    FDocument.Repaint();
}

} // namespace kolvar
