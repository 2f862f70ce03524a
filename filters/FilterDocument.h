#pragma once
// What a filter command sees of a document window: its image, its selection, its undo copy,
// its repainting and the two preview hooks the window calls while it paints. The document
// window implements it; filter dialogs and direct commands use nothing else of it.

#include "filters/GraphicFilter.h"
#include "raster/DibContainer.h"
#include "raster/DibTypes.h"

#include <functional>
#include <optional>

class QPainter;

namespace kolvar {

class TProjector;

class TFilterDocument {
public:
    // Called with the composed view buffer after the image was drawn into it.
    using TPreviewPaint = std::function<void(TDibContainer& Buffer)>;
    // Stored for dialogs that draw on a device; the window never calls it.
    using TPreviewPaintDC = std::function<void(QPainter& DC)>;

    virtual ~TFilterDocument() = default;

    virtual TDibContainer& Image() = 0;
    // The first selection object's outline mapped to image pixels (a polygon, or a set of
    // polygons with their counts), or nothing when the designer holds no selection.
    virtual std::optional<TFilterSelection> FilterSelection() = 0;
    // The view transform, for drawing a region's preview over the view.
    virtual TProjector& ViewProjector() = 0;
    // Takes the undo copy (and enables Undo) before the image changes.
    virtual void SaveUndo() = 0;
    virtual void SetModified(bool Value) = 0;
    // Composes the view again and repaints it.
    virtual void Repaint() = 0;
    // Empty hooks remove them.
    virtual void SetPreviewHooks(TPreviewPaint Buffer, TPreviewPaintDC DC) = 0;
    // How far a command that works off the user-interface thread got, in percent; -1 when
    // it is over.
    virtual void ShowProgress(int Percent) { (void)Percent; }
    // The size of the view buffer the preview hooks are given; (0, 0) when unknown.
    virtual TPoint ViewSize() { return TPoint{0, 0}; }
    // A change that makes a whole new picture out of the old one: takes the undo copy, then
    // Fill writes the new picture into Result, an image of the picture's size that starts as
    // a copy of it, while the picture stays as it was; Result then becomes the picture. When
    // Fill raises, nothing has changed. A window lends its undo copy for Result, so that the
    // change needs no third picture.
    virtual void ReplaceImage(const std::function<void(TDibContainer& Result)>& Fill) {
        TDibContainer result(Image());
        Fill(result);
        SaveUndo();
        Image() = std::move(result);
    }
};

} // namespace kolvar
