// The main window's command tables: File, Edit, Filter, View, Windows and Help menus, the
// two tool bars, Rotate and the sample. Every handler dispatches on the Tag of the item or
// button that was clicked.

#include "app/uFRMAbout.h"
#include "app/uFRMMain.h"
#include "app/uFRMPreferences.h"
#include "app/uFRMPrint.h"
#include "document/uFRMExportDialog.h"
#include "document/uFRMFileSize.h"
#include "filters/uFRMFilterCommands.h"
#include "raster/DibColors.h"
#include "shell/UserDialogsWidget.h"
#include "shell/uFRMHelp.h"
#include "vector/uFRMText.h"

#include <QAction>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMouseEvent>

namespace kolvar {

namespace {

enum TFileTag { ftNew = 0, ftOpen, ftSave, ftSaveAs, ftExport, ftClose, ftPrint = 7, ftExit = 9 };
enum TEditTag {
    etUndo = 0,
    etCut,
    etCopy,
    etPaste,
    etClear,
    etClearClipboard,
    etRedo,
    etSelectAll
};
enum TViewTag { vtZoomIn = 1, vtZoomOut = 2, vtActualSize = 4 };
constexpr int kTagCascade = 5;
constexpr int kTagTile = 6;
constexpr int kTagCloseAll = 7;
constexpr int kTagHelpContents = 1;
constexpr int kTagHelpSearch = 2;
constexpr int32_t kActionPaste = 18;

// The action each button of the left tool bar chooses (Draw, Select and the text tools decide
// in ToolBarClick).
int32_t toolBarAction(int tag) {
    switch (tag) {
    case 2:
        return 11; // Erase
    case 3:
        return 8; // Spray
    case 4:
        return 5; // GetFillColor
    case 5:
        return 10; // Zoom
    case 6:
        return 9; // FloodFill
    case 7:
        return 16; // BoundaryFill
    case 99:
        return 20; // Warp
    default:
        return -1;
    }
}

} // namespace

void TfrmKolvar::FileCommand(int tag) {
    TfrmDesigner* active = ActiveDocument();
    switch (tag) {
    case ftNew:
        if (ShowFileSizeDialog(this)) NewDocument();
        break;
    case ftOpen:
        OpenFilesClick();
        break;
    case ftSave:
    case ftSaveAs:
        if (active) active->SaveImage(tag == ftSaveAs);
        break;
    case ftExport:
        if (active) ShowExportDialog(this, active->Image());
        break;
    case ftClose:
        if (active) active->parentWidget()->close();
        break;
    case ftPrint:
        if (active) ShowPrintDialog(this, active->Image());
        break;
    case ftExit:
        close();
        break;
    default:
        break;
    }
}

void TfrmKolvar::EditOptionsClick(int tag) {
    TfrmDesigner* active = ActiveDocument();
    if (!active) return;
    switch (tag) {
    case etUndo:
        active->RestoreUndo();
        break;
    case etCut:
        active->PopupItem(QStringLiteral("SelectionCut"))->trigger();
        break;
    case etCopy:
        active->PopupItem(QStringLiteral("SelectionCopy"))->trigger();
        break;
    case etPaste:
        toolState_.CurrentAction = kActionPaste;
        CurrentChildsAction(kActionPaste);
        break;
    case etClear:
        active->ClearImage();
        break;
    case etClearClipboard:
        QGuiApplication::clipboard()->clear();
        break;
    case etRedo:
        active->Redo();
        break;
    case etSelectAll:
        active->SelectAll();
        break;
    default:
        break;
    }
}

void TfrmKolvar::FilterOptionsClick(int tag) {
    TfrmDesigner* active = ActiveDocument();
    if (!active) return;
    ExecuteFilterCommand(this, tag, *active);
    active->Repaint();
}

void TfrmKolvar::ViewOptionsClick(int tag) {
    TfrmDesigner* active = ActiveDocument();
    if (!active) return;
    switch (tag) {
    case vtZoomIn:
        active->ZoomBy(TfrmDesigner::ZoomInFactor);
        break;
    case vtZoomOut:
        active->ZoomBy(TfrmDesigner::ZoomOutFactor);
        break;
    case vtActualSize:
        active->ActualSize();
        break;
    default:
        break;
    }
}

void TfrmKolvar::WindowsOptionsClick(int tag) {
    if (tag == kTagCascade) CascadeDocuments();
    if (tag == kTagTile) mdiArea_->tileSubWindows();
    if (tag == kTagCloseAll) CloseAllDocuments();
}

void TfrmKolvar::HelpOptionsClick(int tag) {
    if (tag == kTagHelpContents) ShowHelpContents(this);
    if (tag == kTagHelpSearch) ShowHelpSearch(this);
}

void TfrmKolvar::moPreferencesClick() {
    ShowPreferencesDialog(this, [this] {
        // The history follows new undo levels and memory at once.
        ApplyHistoryPreferences();
        emit PreferencesChanged();
    });
}

void TfrmKolvar::moAboutClick() {
    ShowAboutDialog(this);
}

void TfrmKolvar::MainToolBarClick(int tag) {
    static const char* const items[] = {"moNew",  "moOpen", "moSave", "moPrint", "moClear",
                                        "moUndo", "moCut",  "moCopy", "moPaste"};
    if (tag < 0 || tag >= int(std::size(items))) return;
    QAction* item = MenuItem(QString::fromLatin1(items[tag]));
    // A disabled item ignores the click, as the menu would.
    if (item && item->isEnabled()) item->trigger();
}

void TfrmKolvar::ToolBarClick(int tag) {
    TToolState& s = toolState_;
    switch (tag) {
    case 0:
        SetDrawButtonsEnabled(true);
        s.ShapeGroupAction = kActionShape;
        s.CurrentAction = s.LastDrawAction;
        break;
    case 1:
        SetDrawButtonsEnabled(false);
        s.ShapeGroupAction = kActionSelectShape;
        s.CurrentAction = s.LastSelectAction;
        break;
    case 97:
    case 98:
        if (ShowTextDialog(this)) s.CurrentAction = tag == 97 ? 17 : 21;
        break;
    default:
        if (toolBarAction(tag) >= 0) s.CurrentAction = toolBarAction(tag);
        break;
    }
    if (tag == 5) CurrentChildsShapeDef(TShapeDef());
    if (ActiveDocument()) CurrentChildsAction(s.CurrentAction);
}

void TfrmKolvar::sbRotateClick() {
    TfrmDesigner* active = ActiveDocument();
    if (!active) return;
    bool ok = false;
    const int degrees = edRotateAngle_->text().toInt(&ok);
    active->RotateImage(ok ? degrees : 0);
    // The keys that follow (Ctrl+Z, Ctrl+C, ...) are meant for the picture, not the angle box.
    active->Designer().setFocus(Qt::OtherFocusReason);
}

void TfrmKolvar::pbSampleClick() {
    TDibCanvas* canvas = toolState_.ToolCanvas.get();
    if (!canvas) return;
    TColor chosen = 0;
    if (UserDialogs().PickColor(this, ColorFromDibColor(canvas->Brush().BackColor()), chosen))
        canvas->Brush().SetBackColor(DibColorFromColor(chosen));
}

bool TfrmKolvar::eventFilter(QObject* watched, QEvent* e) {
    if (watched == static_cast<QObject*>(pbSample_) && e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        pbSampleClick();
        return true;
    }
    return TfrmKolvarWnd::eventFilter(watched, e);
}

} // namespace kolvar
