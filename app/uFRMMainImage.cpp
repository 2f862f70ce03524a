// The main window's Image menu, the Edit commands beside Undo that serve the history, and the
// document panels of the status bar.

#include "app/uFRMMain.h"
#include "document/uFRMCanvasSize.h"
#include "document/uFRMResizeImage.h"
#include "shell/UserDialogsWidget.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include <array>
#include <exception>

namespace kolvar {

namespace {

enum TImageTag {
    itFlipHorizontal = 0,
    itFlipVertical,
    itRotateRight,
    itRotateLeft,
    itRotate180,
    itResize,
    itCanvasSize,
    itCrop
};

struct TImageItem {
    const char* Name;
    const char* Caption;
    const char* Shortcut;
    int Tag;
    bool SeparatorBefore;
};

constexpr std::array<TImageItem, 8> kImageMenu = {{
    {"moFlipHorizontal", "Flip &Horizontal", "Ctrl+Shift+H", itFlipHorizontal, false},
    {"moFlipVertical", "Flip &Vertical", "Ctrl+Shift+V", itFlipVertical, false},
    {"moRotateRight", "Rotate 90\u00B0 &Right", "Ctrl+Shift+R", itRotateRight, true},
    {"moRotateLeft", "Rotate 90\u00B0 &Left", "Ctrl+Shift+L", itRotateLeft, false},
    {"moRotate180", "Rotate &180\u00B0", nullptr, itRotate180, false},
    {"moResizeImage", "&Resize Image...", "Ctrl+Shift+I", itResize, true},
    {"moCanvasSize", "&Canvas Size...", "Ctrl+Shift+C", itCanvasSize, false},
    {"moCropToSelection", "Crop to &Selection", "Ctrl+Shift+X", itCrop, false},
}};

// The document panels after the picture size and panel 1.
constexpr int kCursorPanel = 2;
constexpr int kSelectionPanel = 3;
constexpr int kZoomPanel = 4;

} // namespace

void TfrmKolvar::BuildImageMenu() {
    QMenu* image = AddMenu(menu_, nullptr, "moImage", QStringLiteral("&Image"));
    for (const TImageItem& item : kImageMenu) {
        if (item.SeparatorBefore) image->addSeparator();
        QAction* a =
            AddItem(image, item.Name, QString::fromUtf8(item.Caption), item.Shortcut, item.Tag);
        a->setEnabled(false);
        if (item.Tag == itCrop) cropItem_ = a;
    }
    ConnectMenu(image, &TfrmKolvar::ImageOptionsClick);
}

void TfrmKolvar::ImageOptionsClick(int tag) {
    // A picture too large for the memory left is refused; the document stays as it was.
    try {
        ImageCommand(tag);
    } catch (const std::exception& e) {
        UserDialogs().Message(this, QStringLiteral("Kolvar"), QString::fromUtf8(e.what()),
                              TMessageIcon::Error);
    }
    UpdateDocumentCommands();
}

void TfrmKolvar::ImageCommand(int tag) {
    TfrmDesigner* active = ActiveDocument();
    if (!active || active->Image().Empty()) return;
    const int32_t w = active->Image().Width(), h = active->Image().Height();
    switch (tag) {
    case itFlipHorizontal:
        active->FlipHorizontal();
        break;
    case itFlipVertical:
        active->FlipVertical();
        break;
    case itRotateRight:
    case itRotateLeft:
        active->Rotate90(tag == itRotateRight);
        break;
    case itRotate180:
        active->Rotate180();
        break;
    case itResize: {
        int32_t nw = w, nh = h;
        TResample mode = TResample::Smooth;
        if (ShowResizeImageDialog(this, w, h, nw, nh, mode)) active->ResizeImage(nw, nh, mode);
        break;
    }
    case itCanvasSize: {
        int32_t nw = w, nh = h, anchor = caCenter;
        if (ShowCanvasSizeDialog(this, w, h, nw, nh, anchor))
            active->CanvasSize(nw, nh, anchor, toolState_.PageColor);
        break;
    }
    case itCrop:
        active->CropToSelection();
        break;
    default:
        break;
    }
}

void TfrmKolvar::UpdateDocumentCommands() {
    const bool any = !Documents().isEmpty();
    for (const TImageItem& item : kImageMenu)
        if (QAction* a = MenuItem(QString::fromLatin1(item.Name))) a->setEnabled(any);
    TfrmDesigner* active = ActiveDocument();
    MenuItem(QStringLiteral("moCropToSelection"))->setEnabled(active && active->HasSelection());
    MenuItem(QStringLiteral("moSelectAll"))->setEnabled(any);
    if (!any) {
        MenuItem(QStringLiteral("moRedo"))->setEnabled(false);
        ClearDocumentStatus();
    }
}

// Called with every repaint of the active document: no look-ups by name here.
void TfrmKolvar::SelectionChanged() {
    TfrmDesigner* active = ActiveDocument();
    cropItem_->setEnabled(active && active->HasSelection());
}

void TfrmKolvar::SetRedoEnabled(bool enabled) {
    MenuItem(QStringLiteral("moRedo"))->setEnabled(enabled);
}

void TfrmKolvar::ShowDocumentStatus(const QString& cursor, const QString& selection,
                                    const QString& zoom) {
    StatusPanel(kCursorPanel)->setText(cursor);
    StatusPanel(kSelectionPanel)->setText(selection);
    StatusPanel(kZoomPanel)->setText(zoom);
}

void TfrmKolvar::ClearDocumentStatus() {
    for (int i : {0, kCursorPanel, kSelectionPanel, kZoomPanel}) StatusPanel(i)->clear();
}

void TfrmKolvar::ApplyHistoryPreferences() {
    THistoryBudget::Shared().SetLimit(size_t(Preferences().HistoryBudgetMB) << 20);
    for (TfrmDesigner* doc : Documents()) doc->SetUndoLevels(Preferences().UndoLevels);
}

} // namespace kolvar
