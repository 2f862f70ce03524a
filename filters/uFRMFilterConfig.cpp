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
    FPreview.SetSize(0, 0);
    FPreviewIsView = false;
    FViewSize = FDocument.ViewSize();
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
    FDocument.SetPreviewHooks([this](TDibContainer& Buffer) { PaintPreview(Buffer); },
                              [this](QPainter& DC) {
                                  if (!FHasPreview || FPreview.Empty()) return;
                                  const TRect& r = FPreviewRect;
                                  const QRect rect(r.Left, r.Top, r.Right - r.Left + 1,
                                                   r.Bottom - r.Top + 1);
                                  if (FPreviewIsView)
                                      DC.drawImage(rect, FPreview.ToImage(), rect);
                                  else
                                      DC.drawImage(rect, FPreview.ToImage());
                              });
    FHooked = true;
}

void TfrmFilterConfig::PaintPreview(TDibContainer& Buffer) {
    // A buffer that was never filtered holds nothing worth showing over the image.
    if (!FHasPreview || FPreview.Empty()) return;
    if (FPreviewRect.Right < FPreviewRect.Left || FPreviewRect.Bottom < FPreviewRect.Top) return;
    if (!FPreviewIsView) {
        FPreview.StretchTo(Buffer, FPreviewRect, false);
        return;
    }
    if (Buffer.Width() == FPreview.Width() && Buffer.Height() == FPreview.Height()) {
        PaintViewPreview(FPreview, FPreviewRect, Buffer);
        return;
    }
    // The view has another size now: its preview follows.
    if (FViewSize.X != Buffer.Width() || FViewSize.Y != Buffer.Height()) {
        FViewSize = TPoint{Buffer.Width(), Buffer.Height()};
        FPreviewCurrent = false;
        FTimer->start();
    }
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
    FRunIsView = FViewSize.X > 0 && FViewSize.Y > 0 &&
                 PreviewThroughView(*FFilter, *FSetup, ViewPreviewLimit);
    if (FRunIsView)
        FRunner.Start(*FFilter,
                      [this, rect = FPreviewRect, view = FViewSize](TDibContainer& Result) {
                          return RunViewPreview(*FFilter, *FSetup, rect, view.X, view.Y, Result);
                      },
                      std::move(progress), {});
    else
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
    // The run's buffer is not kept for the next one: a view's run starts from fresh memory.
    FRunner.Result().SetSize(0, 0);
    FPreviewIsView = FRunIsView;
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
    if (FPreviewIsView) {
        ApplyWholeRegion();
    } else if (!FPreview.Empty()) {
        FDocument.SaveUndo();
        RunKeepingWindowsLive([this](const TWorkReport&) {
            FPreview.BlendTo(FDocument.Image(), FSetup->Region.Left, FSetup->Region.Top, 0);
        });
        FDocument.SetModified(true);
    }
    FormDestroy();
    TfrmDialog::sbOKClick();
}

void TfrmFilterConfig::ApplyWholeRegion() {
    // The run reports through the status bar; the caption is the user-interface thread's.
    TFilterProgressEvent own = std::exchange(FFilter->OnProgress, {});
    const auto run = [this](TDibContainer& Target) {
        RunKeepingWindowsLive(
            [&](const TWorkReport& report) {
                FFilter->OnProgress = [&report](int32_t percent, int32_t, int32_t) {
                    report(percent);
                };
                RunFilterPreview(*FFilter, *FSetup, Target);
            },
            [this](int percent) { FDocument.ShowProgress(percent); });
    };
    try {
        if (!FSetup->HasSelection) {
            // The region is the picture: it is filtered straight into the undo copy's memory.
            FDocument.ReplaceImage(run);
        } else {
            TDibContainer region;
            run(region);
            FDocument.SaveUndo();
            RunKeepingWindowsLive([&](const TWorkReport&) {
                region.BlendTo(FDocument.Image(), FSetup->Region.Left, FSetup->Region.Top, 0);
            });
        }
    } catch (...) {
        FFilter->OnProgress = std::move(own);
        FDocument.ShowProgress(-1);
        throw;
    }
    FFilter->OnProgress = std::move(own);
    FDocument.ShowProgress(-1);
    FDocument.SetModified(true);
    FDocument.Repaint();
}

void TfrmFilterConfig::sbCancelClick() {
    FormDestroy();
    TfrmDialog::sbCancelClick();
}

void TfrmFilterConfig::showEvent(QShowEvent* e) {
    TfrmDialog::showEvent(e);
    for (QWidget* w = Client()->nextInFocusChain(); w && w != Client(); w = w->nextInFocusChain()) {
        if (!Client()->isAncestorOf(w) || !w->isVisibleTo(this) || !w->isEnabled() ||
            !(w->focusPolicy() & Qt::TabFocus))
            continue;
        w->setFocus(Qt::TabFocusReason);
        return;
    }
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
