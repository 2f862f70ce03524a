// The Image menu, Redo, Select All, the history levels and the document panels of the status
// bar, driven through the real main window.

#include "app/MainWindowFixture.h"
#include "app/uFRMMain.h"
#include "common/ScriptedDialogs.h"
#include "document/uFRMCanvasSize.h"
#include "document/uFRMResizeImage.h"
#include "formats/DecodeBudget.h"
#include "raster/DibColors.h"
#include "raster/DibGraphicsPen.h"
#include "raster/DibTransforms.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace kolvar;
using kolvar::test::TScriptedDialogs;

namespace {

constexpr int kTagNegative = 9;
constexpr int kTagGrayscale = 8;
constexpr int32_t kActionLine = 1;
constexpr int32_t kActionPen = 7;

class ImageMenu : public test::TMainWindowTest {
protected:
    // A new W x H document holding noise, so that every move of a pixel shows.
    TfrmDesigner* NewPhoto(int32_t W, int32_t H) {
        main_->Tools().FileWidth = W;
        main_->Tools().FileHeight = H;
        TfrmDesigner* doc = main_->NewDocument();
        std::srand(unsigned(W * 31 + H));
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                doc->Image().SetPixel(
                    x, y,
                    TDibColor{uint8_t(std::rand()), uint8_t(std::rand()), uint8_t(std::rand())});
        doc->SaveUndo();
        QApplication::processEvents();
        return doc;
    }
    QAction* Item(const char* name) { return main_->MenuItem(QString::fromLatin1(name)); }
    QString Panel(int i) { return main_->StatusPanel(i)->text(); }
    void Mouse(TfrmDesigner* doc, QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(p), QPointF(doc->Designer().mapToGlobal(p)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(&doc->Designer(), &e);
    }
    // A press, moves and a release as the user makes them.
    void Stroke(TfrmDesigner* doc, std::vector<QPoint> points) {
        Mouse(doc, QEvent::MouseButtonPress, points.front(), Qt::LeftButton);
        for (const QPoint& p : points) Mouse(doc, QEvent::MouseMove, p, Qt::LeftButton);
        Mouse(doc, QEvent::MouseButtonRelease, points.back(), Qt::NoButton);
        QApplication::processEvents();
    }
};

} // namespace

TEST_F(ImageMenu, CommandsFollowTheActiveDocumentAndThePanelsClearWithTheLast) {
    for (const char* name :
         {"moFlipHorizontal", "moResizeImage", "moCropToSelection", "moSelectAll", "moRedo"})
        EXPECT_FALSE(Item(name)->isEnabled()) << name;
    EXPECT_EQ(Item("moRedo")->shortcuts().size(), 2);
    EXPECT_EQ(Item("moSaveAs")->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));

    TfrmDesigner* doc = NewPhoto(64, 40);
    EXPECT_TRUE(Item("moFlipHorizontal")->isEnabled());
    EXPECT_FALSE(Item("moCropToSelection")->isEnabled());
    EXPECT_EQ(Panel(0), QStringLiteral("64 : 40"));
    EXPECT_EQ(Panel(4), QStringLiteral("100%"));
    EXPECT_EQ(Panel(3), QString());

    // The pointer over the picture shows the pixel under it; off the picture, nothing.
    const TPoint2D at = doc->ViewProjector().WorldToScreen(10.5, 20.5);
    Mouse(doc, QEvent::MouseMove, QPoint(int(at.X), int(at.Y)), Qt::NoButton);
    EXPECT_EQ(Panel(2), QStringLiteral("10, 20"));
    const TPoint2D off = doc->ViewProjector().WorldToScreen(70, 20);
    Mouse(doc, QEvent::MouseMove, QPoint(int(off.X), int(off.Y)), Qt::NoButton);
    EXPECT_EQ(Panel(2), QString());

    Item("moSelectAll")->trigger();
    EXPECT_TRUE(doc->HasSelection());
    EXPECT_TRUE(Item("moCropToSelection")->isEnabled());
    EXPECT_EQ(Panel(3), QStringLiteral("64 x 40"));
    Item("moZoomIn")->trigger();
    EXPECT_EQ(Panel(4), QStringLiteral("110%"));

    doc->parentWidget()->close();
    QApplication::processEvents();
    EXPECT_TRUE(main_->Documents().isEmpty());
    for (int i : {0, 2, 3, 4}) EXPECT_EQ(Panel(i), QString()) << "panel " << i;
    EXPECT_FALSE(Item("moFlipHorizontal")->isEnabled());
}

TEST_F(ImageMenu, EachCommandIsOneUndoStepThatKeepsZoomCaptionAndDropsTheSelection) {
    TfrmDesigner* doc = NewPhoto(50, 30);
    const QString caption = doc->windowTitle();
    doc->ZoomBy(2);
    struct TCase {
        const char* Item;
        std::function<TDibContainer(const TDibContainer&)> Expected;
    };
    const std::vector<TCase> cases = {
        {"moFlipHorizontal", [](const TDibContainer& s) { return FlippedHorizontal(s); }},
        {"moFlipVertical", [](const TDibContainer& s) { return FlippedVertical(s); }},
        {"moRotateRight", [](const TDibContainer& s) { return Rotated90(s, true); }},
        {"moRotateLeft", [](const TDibContainer& s) { return Rotated90(s, false); }},
        {"moRotate180", [](const TDibContainer& s) { return Rotated180(s); }},
    };
    for (const TCase& c : cases) {
        const TDibContainer before = doc->Image();
        doc->SetModified(false);
        doc->SelectAll();
        Item(c.Item)->trigger();
        EXPECT_TRUE(doc->Image().SameImage(c.Expected(before))) << c.Item;
        EXPECT_TRUE(doc->Modified()) << c.Item;
        EXPECT_FALSE(doc->HasSelection()) << c.Item;
        EXPECT_FALSE(Item("moCropToSelection")->isEnabled()) << c.Item;
        EXPECT_EQ(doc->ViewProjector().Scale().X, 2.0) << c.Item;
        EXPECT_EQ(doc->Caption(), caption);
        EXPECT_EQ(Panel(0),
                  QString::asprintf("%d : %d", doc->Image().Width(), doc->Image().Height()));
        Item("moUndo")->trigger();
        EXPECT_TRUE(doc->Image().SameImage(before)) << c.Item;
        EXPECT_TRUE(Item("moRedo")->isEnabled());
        Item("moRedo")->trigger();
        EXPECT_TRUE(doc->Image().SameImage(c.Expected(before))) << c.Item;
        EXPECT_FALSE(Item("moRedo")->isEnabled());
    }
}

TEST_F(ImageMenu, ResizeAndCanvasDialogsApplyWhatTheUserChose) {
    TfrmDesigner* doc = NewPhoto(200, 100);
    const TDibContainer original = doc->Image();
    // Width typed with proportions kept: the height follows; Nearest chosen.
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = static_cast<TfrmResizeImage&>(w);
        EXPECT_EQ(d.cmbResample()->currentIndex(), 1) << "Smooth by default";
        EXPECT_TRUE(d.chkKeepProportions()->isChecked());
        d.seWidth()->setValue(80);
        EXPECT_EQ(d.seHeight()->value(), 40);
        d.rbPercent()->setChecked(true);
        EXPECT_EQ(d.seWidth()->value(), 40);
        d.seHeight()->setValue(150);
        EXPECT_EQ(d.seWidth()->value(), 150);
        d.chkKeepProportions()->setChecked(false);
        d.seHeight()->setValue(50);
        d.cmbResample()->setCurrentIndex(0);
        d.sbOK()->click();
        return mrOk;
    });
    Item("moResizeImage")->trigger();
    EXPECT_TRUE(doc->Image().SameImage(Resized(original, 300, 50, TResample::Nearest)));

    // A size past the largest picture is refused with a message and the dialog stays.
    const int64_t limit = PicturePixelLimit();
    SetPicturePixelLimit(int64_t(1) << 20);
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = static_cast<TfrmResizeImage&>(w);
        d.chkKeepProportions()->setChecked(false);
        d.seWidth()->setValue(2000);
        d.seHeight()->setValue(1000);
        d.sbOK()->click();
        EXPECT_FALSE(d.Accepted());
        d.sbCancel()->click();
        return mrCancel;
    });
    const TDibContainer resized = doc->Image();
    Item("moResizeImage")->trigger();
    SetPicturePixelLimit(limit);
    EXPECT_TRUE(doc->Image().SameImage(resized));
    EXPECT_EQ(dialogs_.Messages().size(), 1);

    // The canvas grows to the bottom-left on the paper colour.
    main_->Tools().PageColor = 0x00332211;
    dialogs_.Dialogs.push_back([](TfrmKolvarWnd& w) {
        auto& d = static_cast<TfrmCanvasSize&>(w);
        EXPECT_EQ(d.Anchor(), caCenter);
        d.seWidth()->setValue(310);
        d.seHeight()->setValue(45);
        d.sbAnchor(caBottomLeft)->click();
        d.sbOK()->click();
        return mrOk;
    });
    Item("moCanvasSize")->trigger();
    EXPECT_TRUE(doc->Image().SameImage(
        CanvasResized(resized, 310, 45, caBottomLeft, DibColorFromColor(0x00332211))));
    Item("moUndo")->trigger();
    EXPECT_TRUE(doc->Image().SameImage(resized));
}

TEST_F(ImageMenu, CropTakesTheSelectionsBoundingBoxClippedToThePicture) {
    TfrmDesigner* doc = NewPhoto(60, 40);
    const TDibContainer original = doc->Image();
    // A polygon reaching past the picture's right edge, drawn at zoom 1.
    TGeoPolygon polygon(nullptr, nullptr, 0, 0, 0, 0);
    TPoints2D outline;
    for (const TPoint2D& p : {TPoint2D{10, 5}, TPoint2D{70, 12}, TPoint2D{30, 33}}) {
        const TPoint2D v = doc->ViewProjector().WorldToScreen(p.X, p.Y);
        outline.Add(v.X, v.Y);
    }
    polygon.SetPoints(outline);
    doc->Designer().Selection().List().Add(&polygon);
    doc->Repaint();
    EXPECT_TRUE(Item("moCropToSelection")->isEnabled());
    EXPECT_EQ(Panel(3), QStringLiteral("50 x 28"));
    Item("moCropToSelection")->trigger();
    EXPECT_TRUE(doc->Image().SameImage(Cropped(original, {10, 5, 59, 32})));
    EXPECT_FALSE(doc->HasSelection());

    // Select All then Crop keeps the whole picture.
    const TDibContainer cropped = doc->Image();
    Item("moSelectAll")->trigger();
    Item("moCropToSelection")->trigger();
    EXPECT_TRUE(doc->Image().SameImage(cropped));
}

TEST_F(ImageMenu, OneUndoLevelUndoesOnceAndRedoBringsTheChangeBack) {
    TfrmDesigner* doc = NewPhoto(40, 30);
    ASSERT_EQ(doc->History(), nullptr);
    const TDibContainer before = doc->Image();
    main_->FilterOptionsClick(kTagNegative);
    const TDibContainer negative = doc->Image();
    Item("moUndo")->trigger();
    Item("moUndo")->trigger();
    EXPECT_TRUE(doc->Image().SameImage(before));
    Item("moRedo")->trigger();
    EXPECT_TRUE(doc->Image().SameImage(negative));
    Item("moUndo")->trigger();
    EXPECT_TRUE(doc->Image().SameImage(before));
    // A new change ends what could be redone, and is undone to the picture Undo left.
    main_->FilterOptionsClick(kTagGrayscale);
    EXPECT_FALSE(Item("moRedo")->isEnabled());
    doc->Redo();
    EXPECT_FALSE(doc->Image().SameImage(negative));
    Item("moUndo")->trigger();
    EXPECT_TRUE(doc->Image().SameImage(before));
    // Clear right after an Undo, and a picture replaced whole by a filter that fails midway.
    main_->FilterOptionsClick(kTagNegative);
    Item("moUndo")->trigger();
    main_->EditOptionsClick(4);
    Item("moUndo")->trigger();
    EXPECT_TRUE(doc->Image().SameImage(before));
    EXPECT_THROW(doc->ReplaceImage([](TDibContainer& Result) {
        Result.Clear(clDibBlack);
        throw EDibMemoryError(QStringLiteral("no memory"));
    }),
                 EDibMemoryError);
    EXPECT_TRUE(doc->Image().SameImage(before));
    doc->ReplaceImage([](TDibContainer& Result) { Result.SetPixel(0, 0, clDibBlack); });
    EXPECT_EQ(doc->Image().GetPixel(0, 0), IntToDibColor(0));
    Item("moUndo")->trigger();
    EXPECT_TRUE(doc->Image().SameImage(before));
}

TEST_F(ImageMenu, TwentyLevelsStepThroughToolsFiltersAndImageCommands) {
    Preferences().UndoLevels = 20;
    TfrmDesigner* doc = NewPhoto(90, 70);
    ASSERT_NE(doc->History(), nullptr);
    // A colour no other change leaves behind, so every stroke shows.
    main_->Tools().ToolCanvas->Pen().SetColor(0x2090D0);
    doc->Designer().SetPointerMover([](int32_t, int32_t) {});
    // A slow hand: every gesture is a drag, never a quick click.
    uint32_t tick = 0;
    doc->Designer().SetTickSource([&tick] { return tick += 300; });
    std::vector<TDibContainer> states{doc->Image()};
    auto view = [doc](int32_t x, int32_t y) {
        const TPoint2D v = doc->ViewProjector().WorldToScreen(x + 0.5, y + 0.5);
        return QPoint(int(v.X), int(v.Y));
    };
    const std::vector<std::function<void()>> changes = {
        [&] {
            main_->CurrentChildsAction(kActionLine);
            Stroke(doc, {view(5, 5), view(30, 20), view(60, 40)});
        },
        [&] { main_->FilterOptionsClick(kTagNegative); },
        [&] { Item("moRotateRight")->trigger(); },
        [&] {
            main_->CurrentChildsAction(kActionPen);
            Stroke(doc, {view(10, 10), view(12, 30), view(40, 35)});
        },
        [&] { Item("moFlipVertical")->trigger(); },
        [&] { main_->EditOptionsClick(4); }, // Clear
        [&] { doc->RotateImage(30); },
    };
    for (int i = 0; i < 20; ++i) {
        changes[size_t(i) % changes.size()]();
        ASSERT_FALSE(doc->Image().SameImage(states.back())) << "change " << i;
        states.push_back(doc->Image());
    }
    for (int i = 19; i >= 0; --i) {
        ASSERT_TRUE(Item("moUndo")->isEnabled());
        Item("moUndo")->trigger();
        ASSERT_TRUE(doc->Image().SameImage(states[size_t(i)])) << "undo to " << i;
        EXPECT_EQ(Panel(0),
                  QString::asprintf("%d : %d", doc->Image().Width(), doc->Image().Height()));
    }
    EXPECT_FALSE(Item("moUndo")->isEnabled());
    for (int i = 1; i <= 20; ++i) {
        ASSERT_TRUE(Item("moRedo")->isEnabled());
        Item("moRedo")->trigger();
        ASSERT_TRUE(doc->Image().SameImage(states[size_t(i)])) << "redo to " << i;
    }
    EXPECT_FALSE(Item("moRedo")->isEnabled());

    // Back to one level: the undo copy holds the picture before the latest change.
    Preferences().UndoLevels = 1;
    main_->ApplyHistoryPreferences();
    EXPECT_EQ(doc->History(), nullptr);
    Item("moUndo")->trigger();
    EXPECT_TRUE(doc->Image().SameImage(states[19]));
}
