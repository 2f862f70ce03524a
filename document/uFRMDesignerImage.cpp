// The Image commands, the history behind Undo and Redo, Select All and the status panels.

#include "document/uFRMDesignerToolSupport.h"
#include "filters/BackgroundRun.h"

#include "raster/DibColors.h"
#include "shell/uPreferences.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kolvar {

namespace {

// Tiles compressed per idle slice: a few milliseconds of work, so input stays responsive.
constexpr int32_t kTilesPerSlice = 48;
constexpr int kIdleDelayMs = 1000;

} // namespace

// ---- Undo and Redo -------------------------------------------------------------------------

void TfrmDesigner::CommitChange() {
    if (FHistory && FHistory->Commit(FImage, FUndoImage)) ScheduleCompression();
}

void TfrmDesigner::ForgetRedo() {
    if (FHistory) FHistory->ClearRedo();
    if (FRedoAvailable || !FRedoImage.Empty()) {
        FRedoImage.SetSize(0, 0);
        FRedoAvailable = false;
    }
    if (FHost && isActiveDocument()) FHost->SetRedoEnabled(false);
}

bool TfrmDesigner::RedoAvailable() const {
    return FHistory ? FHistory->CanRedo() : FRedoAvailable;
}

void TfrmDesigner::ShowUndoState() {
    if (!FHost || !isActiveDocument()) return;
    FHost->SetUndoEnabled(FUndoAvailable);
    FHost->SetRedoEnabled(RedoAvailable());
}

void TfrmDesigner::RestoreUndo() {
    const int32_t w = FImage.Width(), h = FImage.Height();
    if (FHistory) {
        FHistory->Undo(FImage, FUndoImage);
        FUndoAvailable = FHistory->CanUndo();
        ShowUndoState();
        ScheduleCompression();
        HistoryMoved(w, h);
        return;
    }
    // The first Undo after a change keeps the picture it replaces for Redo and makes the undo
    // copy the picture, with no copying; the picture is then its own undo copy. A repeated
    // Undo copies an undo copy that is still there again, as it always did.
    if (FUndoAvailable) {
        FRedoImage = std::move(FImage);
        FRedoAvailable = true;
        if (FHost && isActiveDocument()) FHost->SetRedoEnabled(true);
        FImage = std::move(FUndoImage);
        FUndoImage = TDibContainer();
    } else if (!FUndoImage.Empty()) {
        // The picture takes its size here, so painting meanwhile never meets a buffer being
        // replaced; only the pixels are copied on the working thread, and the repaint is whole.
        FImage.SetSize(FUndoImage.Width(), FUndoImage.Height());
        RunKeepingWindowsLive([this](const TWorkReport&) { FImage.AssignContainer(FUndoImage); });
    }
    FUndoAvailable = false;
    HistoryMoved(w, h);
}

void TfrmDesigner::Redo() {
    const int32_t w = FImage.Width(), h = FImage.Height();
    if (FHistory) {
        if (!FHistory->Redo(FImage, FUndoImage)) return;
        FUndoAvailable = true;
        ScheduleCompression();
    } else {
        if (!FRedoAvailable) return;
        // Undo made the picture its own undo copy; it becomes the undo copy again.
        if (FUndoImage.Empty()) FUndoImage = std::move(FImage);
        FImage = std::move(FRedoImage);
        FRedoImage.SetSize(0, 0);
        FRedoAvailable = false;
        FUndoAvailable = true;
    }
    ShowUndoState();
    HistoryMoved(w, h);
}

void TfrmDesigner::HistoryMoved(int32_t OldWidth, int32_t OldHeight) {
    if (FImage.Width() != OldWidth || FImage.Height() != OldHeight)
        ImageGeometryChanged();
    else
        Repaint();
    emit ContentChanged();
}

void TfrmDesigner::SetUndoLevels(int32_t Levels) {
    Levels = std::clamp(Levels, kUndoLevelsRange.Min, kUndoLevelsRange.Max);
    if (Levels == UndoLevels()) return;
    if (Levels > 1 && FHistory) {
        FHistory->SetLevels(Levels);
        ShowUndoState();
        return;
    }
    if (Levels > 1) {
        ForgetRedo();
        FHistory = std::make_unique<TImageHistory>(Levels);
        // The undo copy becomes the base of the change in progress; without a change to take
        // back it starts from the picture as it is.
        if (!FUndoAvailable) FUndoImage.AssignContainer(FImage);
        ShowUndoState();
        return;
    }
    // Back to one level: the undo copy becomes the picture before the latest change.
    CommitChange();
    const bool undoable = FHistory->CanUndo();
    if (undoable) {
        TDibContainer scratch(FImage);
        FHistory->Undo(scratch, FUndoImage);
    } else {
        FUndoImage.AssignContainer(FImage);
    }
    FHistory.reset();
    FCompressTimer->stop();
    FUndoAvailable = undoable;
    ForgetRedo();
    ShowUndoState();
}

void TfrmDesigner::ScheduleCompression() {
    if (FHistory) FCompressTimer->start(kIdleDelayMs);
}

void TfrmDesigner::CompressSome() {
    if (FHistory && FHistory->CompressIdle(kTilesPerSlice)) FCompressTimer->start(1);
}

// ---- Image commands ------------------------------------------------------------------------

void TfrmDesigner::ReplaceImage(TDibContainer&& Result) {
    if (FImage.Empty() || Result.Empty()) return;
    SaveUndo();
    FImage = std::move(Result);
    ForgetRedo();
    ImageGeometryChanged();
    SetModified(true);
}

void TfrmDesigner::FlipHorizontal() {
    ReplaceImage(FlippedHorizontal(FImage));
}

void TfrmDesigner::FlipVertical() {
    ReplaceImage(FlippedVertical(FImage));
}

void TfrmDesigner::Rotate90(bool Clockwise) {
    ReplaceImage(Rotated90(FImage, Clockwise));
}

void TfrmDesigner::Rotate180() {
    ReplaceImage(Rotated180(FImage));
}

void TfrmDesigner::ResizeImage(int32_t Width, int32_t Height, TResample Mode) {
    if (Width == FImage.Width() && Height == FImage.Height()) return;
    ReplaceImage(Resized(FImage, Width, Height, Mode));
}

void TfrmDesigner::CanvasSize(int32_t Width, int32_t Height, int32_t Anchor, TColor Paper) {
    if (Width == FImage.Width() && Height == FImage.Height()) return;
    ReplaceImage(CanvasResized(FImage, Width, Height, Anchor, DibColorFromColor(Paper)));
}

bool TfrmDesigner::HasSelection() const {
    return FDesigner->Selection().List().Count() > 0;
}

bool TfrmDesigner::SelectionBox(TRect& Box) {
    TPoints points;
    TIntegerArray counts;
    if (!SelectionOutline(points, counts) || points.Count() == 0) return false;
    const TRect b = PointsBounds(points.Data(), points.Count());
    Box = {std::max(0, b.Left), std::max(0, b.Top), std::min(FImage.Width(), b.Right),
           std::min(FImage.Height(), b.Bottom)};
    // A selection thinner than a pixel still holds the pixel it lies on.
    if (b.Right == b.Left && Box.Left < FImage.Width()) Box.Right = Box.Left + 1;
    if (b.Bottom == b.Top && Box.Top < FImage.Height()) Box.Bottom = Box.Top + 1;
    return Box.Right > Box.Left && Box.Bottom > Box.Top;
}

void TfrmDesigner::CropToSelection() {
    TRect box;
    if (!SelectionBox(box)) return;
    ReplaceImage(Cropped(FImage, {box.Left, box.Top, box.Right - 1, box.Bottom - 1}));
}

void TfrmDesigner::SelectAll() {
    if (FImage.Empty()) return;
    TGeoBaseList& list = FDesigner->Selection().List();
    list.Clear();
    const TProjector& view = FDesigner->Projector();
    const TPoint2D a = view.WorldToScreen(0, 0);
    const TPoint2D b = view.WorldToScreen(FImage.Width(), FImage.Height());
    TPoints2D corners;
    corners.Add(a.X, a.Y);
    corners.Add(b.X, a.Y);
    corners.Add(b.X, b.Y);
    corners.Add(a.X, b.Y);
    FSelPolygon->SetPoints(corners);
    list.Add(FSelPolygon.get());
    ShowSelection();
}

void TfrmDesigner::ImageGeometryChanged() {
    FDesigner->Selection().List().Clear();
    PlaceImageInView();
    UpdateScrollBars();
    if (FHost && isActiveDocument())
        FHost->ShowImageSize(QString::asprintf("%d : %d", FImage.Width(), FImage.Height()));
    Repaint();
}

// The zoom stays. Along an axis where the picture fits it is centred; elsewhere the view keeps
// its top-left corner, moved back onto the picture when the picture shrank away from it.
void TfrmDesigner::PlaceImageInView() {
    TProjector& view = FDesigner->Projector();
    const TPoint2D scale = view.Scale();
    const TPoint2D topLeft = view.ScreenToWorld(0, 0);
    const QRect r = FDesigner->rect();
    const double w = r.width() / scale.X, h = r.height() / scale.Y;
    auto place = [](double size, double room, double first) {
        if (size <= room) return size / 2;
        return std::clamp(first, 0.0, size - room) + room / 2;
    };
    view.SetCenter({place(FImage.Width(), w, topLeft.X), place(FImage.Height(), h, topLeft.Y)});
}

// ---- Status panels -------------------------------------------------------------------------

void TfrmDesigner::ShowStatus() {
    if (!FHost || !isActiveDocument()) return;
    QString selection;
    TRect box;
    if (SelectionBox(box))
        selection = QString::asprintf("%d x %d", box.Right - box.Left, box.Bottom - box.Top);
    const int zoom = int(std::nearbyint(FDesigner->Projector().Scale().X * 100));
    FHost->ShowDocumentStatus(FCursorText, selection, QString::asprintf("%d%%", zoom));
    FHost->SelectionChanged();
}

} // namespace kolvar
