#pragma once
// The document window: one image, its single undo copy, its file name and unsaved-changes
// flag, shown through the zoomable view of its designer control. The tool handlers the
// designer calls while the user works are members too; they live in the uFRMDesigner* units
// beside this one, grouped by family.

#include "document/ImageHistory.h"
#include "filters/FilterDocument.h"
#include "raster/DibColors.h"
#include "raster/DibContainer.h"
#include "raster/DibTransforms.h"
#include "raster/DibTypes.h"
#include "shell/uFRMKolvarWnd.h"
#include "vector/Designer.h"
#include "vector/DesignerWidget.h"
#include "vector/GeoObjects.h"

#include <QImage>
#include <QString>

#include <memory>
#include <optional>

class QMenu;
class QAction;
class QScrollBar;
class QTimer;

namespace kolvar {

// What a document window needs of the frame that holds it.
class TDocumentHost {
public:
    virtual ~TDocumentHost() = default;
    // The number of document windows the frame has now, this one included.
    virtual int32_t DocumentCount() const = 0;
    virtual void SetUndoEnabled(bool Enabled) = 0;
    virtual void SetSaveEnabled(bool Enabled) = 0;
    // Panel 0 of the status bar.
    virtual void ShowImageSize(const QString& Text) = 0;
    // How far a long command on the active document got, in percent; -1 when it is over.
    virtual void ShowProgress(int Percent) { (void)Percent; }
    // Removes the document's entry from the Windows menu.
    virtual void DeleteFileCaption(const QString& Caption) = 0;
    virtual void SetRedoEnabled(bool) {}
    // The cursor's place on the picture, the selection's size and the zoom; an empty text
    // clears its panel. Called while the document is the active one.
    virtual void ShowDocumentStatus(const QString& /*Cursor*/, const QString& /*Selection*/,
                                    const QString& /*Zoom*/) {}
    // The document gained or lost its selection.
    virtual void SelectionChanged() {}
    // A save wrote the document's picture to Path.
    virtual void DocumentSaved(const QString& Path) { Q_UNUSED(Path); }
};

// Asks before a picture above 100 million pixels is opened, or one that with the open
// documents (OpenBytes, their images and undo copies) would take more than half the machine's
// memory; the size comes from the file's header. True to go on, also when the header is not
// understood (the reader then says what is wrong).
bool ConfirmOpeningPicture(QWidget* Parent, const QString& Path, int64_t OpenBytes);

class TfrmDesigner : public TfrmKolvarWnd, public TFilterDocument {
    Q_OBJECT
public:
    static constexpr int DesignWidth = 383;
    static constexpr int DesignHeight = 238;
    // Zoom steps of the View menu, the mouse wheel and the keyboard.
    static constexpr double ZoomInFactor = 1.1;
    static constexpr double ZoomOutFactor = 0.9;

    explicit TfrmDesigner(TDocumentHost* Host, QWidget* Parent = nullptr);
    ~TfrmDesigner() override;

    // ---- Operations of the main window and the filter dialogs ----
    void NewImage(int32_t Height, int32_t Width, TColor PageColor);
    // False (after the messages) when the file could not be read; the window is then no
    // document and the caller discards it.
    bool OpenImageFile(const QString& Path);
    // Opens a picture read elsewhere (off the user-interface thread) as OpenImageFile does.
    // False, with nothing changed, for an empty picture.
    bool TakePicture(const QString& Path, TDibContainer&& Picture);
    // The "Open Error" box of a file that could not be read.
    void ShowOpenError(const QString& Path);
    // Saves in the format the file name's extension names; asks for a name when Ask is set,
    // when the document has none, or when its file is of a type the program cannot write.
    bool SaveImage(bool Ask);
    void ClearImage();
    void SaveUndo() override;
    // Takes back the last change: the single undo copy, or one step of the history when the
    // document keeps more than one level.
    void RestoreUndo();
    // Re-applies what the last Undo took back.
    void Redo();
    bool RedoAvailable() const;
    int32_t UndoLevels() const { return FHistory ? FHistory->Levels() : 1; }
    // Switching between one level and more keeps the change that can be undone.
    void SetUndoLevels(int32_t Levels);
    // Null while the document keeps a single undo copy.
    const TImageHistory* History() const { return FHistory.get(); }
    // The close procedure: asks about unsaved changes; true when the window may close. A
    // question cancelled (its Cancel button, Escape, or closing the box) keeps the window.
    bool FormClose();
    // What the last FormClose decided when it kept the window: the user cancelled, rather
    // than a save that failed.
    bool CloseCancelled() const { return FCloseCancelled; }
    void FormActivate();
    // Multiplies both zoom factors (the View menu); Actual Size sets them to 1.
    void ZoomBy(double Factor);
    void ActualSize();
    // The window takes the picture's size again, as far as the frame has room from its place.
    void FitWindowToImage();
    // Rotates the image about its centre by whole degrees onto black (the Rotate button).
    void RotateImage(int32_t Degrees);

    // ---- Image commands: each one undo step; the selection goes, the zoom stays ----
    void FlipHorizontal();
    void FlipVertical();
    void Rotate90(bool Clockwise);
    void Rotate180();
    void ResizeImage(int32_t Width, int32_t Height, TResample Mode);
    void CanvasSize(int32_t Width, int32_t Height, int32_t Anchor, TColor Paper);
    // The picture becomes the selection's bounding box, clipped to the picture.
    void CropToSelection();
    bool HasSelection() const;
    // A rectangle selection of the whole picture.
    void SelectAll();
    // The selection's bounding box in picture pixels (right and bottom exclusive), clipped to
    // the picture; false without a selection or when it misses the picture.
    bool SelectionBox(TRect& Box);
    // Refreshes the host's cursor, selection and zoom panels.
    void ShowStatus();

    // ---- State ----
    TDibContainer& Image() override { return FImage; }
    const TDibContainer& Image() const { return FImage; }
    TDibContainer& UndoImage() { return FUndoImage; }
    const QString& FileName() const { return FFileName; }
    bool Modified() const { return FModified; }
    void SetModified(bool Value) override;
    // The document's caption ("Image1", "photo.jpg"); the window title shows it with a
    // leading "*" while there are unsaved changes.
    const QString& Caption() const { return FCaption; }
    // Makes this window the document of a recovered picture: its image, caption and file name
    // as they were, marked modified.
    void RecoverImage(TDibContainer&& Image, const QString& Caption, const QString& FileName);
    bool UndoAvailable() const { return FUndoAvailable; }
    TDibColor CanvasPenColor() const { return FCanvasPenColor; }
    TNewDesigner& Designer() { return *FDesigner; }
    TProjector& ViewProjector() override { return FDesigner->Projector(); }
    std::optional<TFilterSelection> FilterSelection() override;
    void SetPreviewHooks(TPreviewPaint Buffer, TPreviewPaintDC DC) override;
    void ShowProgress(int Percent) override;
    TPoint ViewSize() override;
    void ReplaceImage(const std::function<void(TDibContainer& Result)>& Fill) override;
    const TPreviewPaint& OnPreviewPaint() const { return FOnPreviewPaint; }
    const TPreviewPaintDC& OnPreviewPaintDC() const { return FOnPreviewPaintDC; }
    // Composes the view again from the image and repaints.
    void Repaint() override;
    // After the view transform changed: scroll bars follow, then Repaint.
    void ViewChanged();
    // This window is the frame's active document.
    bool isActiveDocument() const;
    // The close procedure has run: the window is on its way out and no longer a document.
    bool Released() const { return FReleased; }

    QScrollBar* ScrollHrz() const { return FScrollHrz; }
    QScrollBar* ScrollVrt() const { return FScrollVrt; }
    QMenu* SelectionPopup() const { return FSelectionPopup; }
    QAction* PopupItem(const QString& Name) const;

    // ---- Selection pop-up ----
    void SelectionFillClick();
    void SelectionBorderClick();
    // Cut (Tag 101) and Copy (Tag 102) of the first selection object to the clipboard.
    void SelectionCutCopyClick(int Tag);

    // ---- Tool handlers (see the action table) ----
    // One spray burst of Size dots around a view point.
    void SprayAt(const TPoint& P, int32_t Size);
    // One eraser stamp, Size + 1 view pixels square, with its top-left at a view point.
    void EraseAt(const TPoint& P, int32_t Size);
    void DrawPointUpdate(TActionItem& Action, TInteractor& Interactor);
    void DrawPointFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void DrawPolyLineFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void DrawPolygonFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void GetPenColorFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void GetFillColorFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void DrawPenStart(TActionItem& Action, TInteractor& Interactor);
    void DrawPenUpdate(TActionItem& Action, TInteractor& Interactor);
    void DrawPenFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void DrawSprayStart(TActionItem& Action, TInteractor& Interactor);
    void DesignerActions8Update(TActionItem& Action, TInteractor& Interactor);
    void DrawSprayFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void FloodFillFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void ZoomFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void EraseStart(TActionItem& Action, TInteractor& Interactor);
    void EraseUpdate(TActionItem& Action, TInteractor& Interactor);
    void EraseFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void SelectionStart(TActionItem& Action, TInteractor& Interactor);
    void SelectShapeFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void PolySelectionFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void DrawPolygonCurveFinish(TActionItem& Action, TInteractor& Interactor,
                                TActionFinishMode Mode);
    void DrawPolyLineFinishCurveFinish(TActionItem& Action, TInteractor& Interactor,
                                       TActionFinishMode Mode);
    void DrawCurveOwnerDraw(TActionItem& Action, TInteractor& Interactor, TDrawModeType Mode);
    void BoundaryFillFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void TextStart(TActionItem& Action, TInteractor& Interactor);
    void TextFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void TextOwnerDraw(TActionItem& Action, TInteractor& Interactor, TDrawModeType Mode);
    void PasteStart(TActionItem& Action, TInteractor& Interactor);
    void PasteFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void PasteOwnerDraw(TActionItem& Action, TInteractor& Interactor, TDrawModeType Mode);
    void SelectPolygonCurveFinish(TActionItem& Action, TInteractor& Interactor,
                                  TActionFinishMode Mode);
    void WarpFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void WarpOwnerDraw(TActionItem& Action, TInteractor& Interactor, TDrawModeType Mode);
    void TextRectStart(TActionItem& Action, TInteractor& Interactor);
    void TextRectFinish(TActionItem& Action, TInteractor& Interactor, TActionFinishMode Mode);
    void TextRectOwnerDraw(TActionItem& Action, TInteractor& Interactor, TDrawModeType Mode);
    void DesignerSelectRightClick(int32_t X, int32_t Y);
    void DesignerSelectStartTrans(TTransformationInfo Info);
    void DesignerSelectFinishTrans(TTransformationInfo Info);

signals:
    // The picture changed (a tool, a filter, Clear, Undo, ...).
    void ContentChanged();
    // The unsaved-changes flag changed (a save clears it).
    void ModifiedChanged(bool Modified);
    // The close procedure has released the document.
    void DocumentReleased();

protected:
    void FormCreate() override;
    void closeEvent(QCloseEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // Gesture boundaries for the history, and the cursor's place for the status bar.
    void TrackPointer(QEvent* Event);
    void BuildActions();
    void BuildSelectionPopup();
    void ComposeView(TDibContainer& Buffer);
    void FormResize();
    void ResetView(int32_t W, int32_t H);
    void TakeImage(int32_t W, int32_t H);
    void SetClientToImage(int32_t W, int32_t H);
    void UpdateScrollBars();
    void syncBar(QScrollBar* Bar, bool Needed, double Extent, int View, double Offset);
    void ScrollTo(int32_t X, int32_t Y);
    void ScrollVrtChange();
    void ScrollHrzChange();
    // Moves the selection outlines with the image when the view scrolls.
    void ShiftSelection(double DX, double DY);
    // The first selection object's outline in image pixels; false without a selection.
    bool SelectionOutline(TPoints& Points, TIntegerArray& Counts);
    struct TSelectionArea;
    // False without a selection (or without the shared tools).
    bool TakeSelectionArea(TSelectionArea& Area);
    void FillSelectionArea(const TSelectionArea& Area);
    void Release();
    void SetCaption(const QString& Caption);
    void UpdateTitle();
    // The name Save writes to, asking for one when it must; empty when the user cancelled.
    QString ChooseSaveName(bool Ask);
    // Shared steps of the tool handlers.
    void DrawGestureFinish(TInteractor& Interactor, bool Polygon);
    void DrawCurveFinish(TInteractor& Interactor, bool Polygon);
    void FillAt(TInteractor& Interactor, bool Boundary);
    void WriteText(const TRect& R);
    void ShowSelection();
    // History and image commands.
    bool MultiLevel() const { return FHistory != nullptr; }
    void CommitChange();
    void ForgetRedo();
    // The single undo copy of the picture as it is now.
    void CopyToUndo();
    void HistoryMoved(int32_t OldWidth, int32_t OldHeight);
    void ShowUndoState();
    void ReplaceImage(TDibContainer&& Result);
    void ImageGeometryChanged();
    void PlaceImageInView();
    void ScheduleCompression();
    void CompressSome();

    TDocumentHost* FHost;
    TNewDesigner* FDesigner;
    QScrollBar* FScrollHrz;
    QScrollBar* FScrollVrt;
    QMenu* FSelectionPopup = nullptr;
    bool FSyncingScrollBars = false;
    bool FResetPending = false;

    QImage FPasteBitmap;
    QString FFileName;
    QString FCaption;
    TDibContainer FImage;
    TDibContainer FUndoImage;
    TPoint FLastPenPoint;
    std::unique_ptr<TGeoPolygon> FSelPolygon;
    std::unique_ptr<TGeoShape> FSelShape;
    bool FUndoAvailable = false;
    bool FModified = false;
    bool FReleased = false;
    // The pen and brush colours current when the window was made (its own canvas's).
    TDibColor FCanvasPenColor = clDibBlack;
    TDibColor FCanvasBrushColor = clDibWhite;
    bool FCloseCancelled = false;
    TPreviewPaint FOnPreviewPaint;
    TPreviewPaintDC FOnPreviewPaintDC;

    // With one undo level: the picture an Undo replaced, until a new change.
    TDibContainer FRedoImage;
    bool FRedoAvailable = false;
    std::unique_ptr<TImageHistory> FHistory;
    QTimer* FCompressTimer = nullptr;
    // A mouse gesture is under way: the change it makes is one step, however many undo
    // copies its handlers ask for.
    bool FInGesture = false;
    QString FCursorText;
};

} // namespace kolvar
