// Tidy document windows and the keyboard: new windows cascade, Cascade and Tile, a narrow
// picture's window still shows its caption, scroll bars keep the desktop's colours, and the
// tools answer their letters.

#include "app/MainWindowFixture.h"
#include "app/uFRMMain.h"
#include "common/ScriptedDialogs.h"
#include "document/uFRMDesigner.h"
#include "vector/uFRMShapes.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace kolvar;
using kolvar::test::TScriptedDialogs;

namespace {

class WindowArrangement : public test::TMainWindowTest {
protected:
    QMdiSubWindow* NewImage() {
        dialogs_.Dialogs.push_back([](TfrmKolvarWnd&) { return mrOk; });
        main_->FileOptionsClick(0);
        QApplication::processEvents();
        return main_->MdiArea()->activeSubWindow();
    }
};

// The width the caption text gets in a sub-window's title bar, as the sub-window lays it out.
int captionRoom(QMdiSubWindow* sub) {
    const int border = sub->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, sub);
    QStyleOptionTitleBar option;
    option.initFrom(sub);
    option.text = sub->windowTitle();
    option.titleBarFlags = sub->windowFlags();
    option.subControls = QStyle::SC_All;
    option.rect = QRect(border, border, sub->width() - 2 * border,
                        sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, sub));
    return sub->style()
        ->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarLabel, sub)
        .width();
}

} // namespace

TEST_F(WindowArrangement, NewWindowsCascadeAndTheWindowsMenuCascadesAndTiles) {
    QMdiSubWindow* first = NewImage();
    QMdiSubWindow* second = NewImage();
    QMdiSubWindow* third = NewImage();
    EXPECT_EQ(first->pos(), QPoint(0, 0));
    const QPoint step = second->pos() - first->pos();
    EXPECT_GT(step.x(), 0);
    EXPECT_EQ(step.x(), step.y());
    EXPECT_EQ(third->pos() - second->pos(), step);

    main_->MenuItem(QStringLiteral("moTile"))->trigger();
    QApplication::processEvents();
    for (QMdiSubWindow* a : {first, second, third})
        for (QMdiSubWindow* b : {first, second, third}) {
            if (a == b) continue;
            EXPECT_FALSE(a->geometry().intersects(b->geometry()));
        }
    // Cascade piles them up again at their pictures' size, the active one on top.
    main_->MdiArea()->setActiveSubWindow(first);
    main_->MenuItem(QStringLiteral("moCascade"))->trigger();
    QApplication::processEvents();
    EXPECT_EQ(second->pos(), QPoint(0, 0));
    EXPECT_EQ(third->pos(), step);
    EXPECT_EQ(first->pos(), step * 2);
    EXPECT_EQ(main_->MdiArea()->activeSubWindow(), first);
    for (QMdiSubWindow* sub : {first, second, third})
        EXPECT_EQ(qobject_cast<TfrmDesigner*>(sub->widget())->Designer().size(), QSize(200, 200));

    // A window that would start too far down and right goes back to the corner.
    for (int i = 0; i < 40 && NewImage()->pos() != QPoint(0, 0); ++i) {
    }
    EXPECT_EQ(main_->MdiArea()->activeSubWindow()->pos(), QPoint(0, 0));
}

TEST_F(WindowArrangement, ANarrowPictureStillShowsItsCaption) {
    main_->Tools().FileWidth = 100;
    main_->Tools().FileHeight = 60;
    QMdiSubWindow* sub = NewImage();
    const QString caption = sub->windowTitle();
    QFont bold = QApplication::font("QMdiSubWindowTitleBar");
    bold.setBold(true);
    EXPECT_GE(captionRoom(sub), QFontMetrics(bold).horizontalAdvance(caption));
    EXPECT_EQ(main_->ActiveDocument()->Image().Width(), 100);
    // The longer caption after a save under a long name is shown in full too.
    dialogs_.FileNames.push_back(home_.filePath(QStringLiteral("a rather long picture name")));
    ASSERT_TRUE(main_->ActiveDocument()->SaveImage(true));
    sub->resize(10, sub->height());
    EXPECT_GE(captionRoom(sub), QFontMetrics(bold).horizontalAdvance(sub->windowTitle()));
}

TEST_F(WindowArrangement, ScrollBarsKeepTheDesktopColoursWhateverTheCurrentColour) {
    main_->Tools().ToolCanvas->Brush().SetColor(TDibColor{0, 255, 0});
    main_->Tools().ToolCanvas->Pen().SetColor(TDibColor{255, 0, 255});
    main_->Tools().FileWidth = 3000;
    NewImage();
    TfrmDesigner* doc = main_->ActiveDocument();
    ASSERT_TRUE(doc->ScrollHrz()->isVisible());
    const QPalette desktop = QApplication::palette(doc->ScrollHrz());
    for (QPalette::ColorRole role : {QPalette::Button, QPalette::Window, QPalette::WindowText})
        EXPECT_EQ(doc->ScrollHrz()->palette().color(role), desktop.color(role)) << role;
    EXPECT_EQ(doc->palette().color(QPalette::Button),
              QApplication::palette(doc).color(QPalette::Button));
    EXPECT_EQ(doc->CanvasPenColor(), (TDibColor{255, 0, 255}));
}

TEST_F(WindowArrangement, ToolLettersChooseToolsButNotWhileTypingAndShowInTooltips) {
    QToolButton* erase = main_->ToolButton(QStringLiteral("sbErase"));
    EXPECT_EQ(erase->toolTip(), QStringLiteral("Erase (E)"));
    main_->SwitchLanguage(QStringLiteral("PORTUGUESE"));
    EXPECT_TRUE(erase->toolTip().endsWith(QStringLiteral(" (E)")));
    EXPECT_FALSE(erase->toolTip().endsWith(QStringLiteral(" (E) (E)")));
    main_->SwitchLanguage(QStringLiteral("ENGLISH"));

    NewImage();
    TfrmDesigner* doc = main_->ActiveDocument();
    doc->Designer().setFocus();
    QTest::keyClick(&doc->Designer(), Qt::Key_E);
    EXPECT_TRUE(erase->isChecked());
    EXPECT_EQ(main_->Tools().CurrentAction, 11);
    QTest::keyClick(&doc->Designer(), Qt::Key_Z);
    EXPECT_EQ(main_->Tools().CurrentAction, 10);
    EXPECT_EQ(doc->Designer().Actions().ActiveIndex(), 10);
    QTest::keyClick(&doc->Designer(), Qt::Key_F);
    EXPECT_EQ(main_->Tools().CurrentAction, 9);

    // P and L are the pen and the line of the shapes palette, from select mode too.
    ASSERT_NE(main_->ShapesPalette(), nullptr);
    main_->ToolButton(QStringLiteral("sbSelect"))->click();
    QTest::keyClick(&doc->Designer(), Qt::Key_P);
    EXPECT_TRUE(main_->ToolButton(QStringLiteral("sbDraw"))->isChecked());
    EXPECT_EQ(main_->Tools().CurrentAction, 7); // the freehand pen
    QTest::keyClick(&doc->Designer(), Qt::Key_L);
    EXPECT_EQ(main_->Tools().CurrentAction, 1); // the line

    // From a palette too; but in an open menu a letter chooses the menu's item.
    main_->ShapesPalette()->activateWindow();
    QApplication::processEvents();
    QTest::keyClick(main_->ShapesPalette(), Qt::Key_K);
    EXPECT_EQ(main_->Tools().CurrentAction, 5); // the colour picker
    main_->activateWindow();
    QApplication::processEvents();
    QMenu* windows = main_->findChild<QMenu*>(QStringLiteral("moWindows"));
    windows->popup(main_->mapToGlobal(QPoint(100, 30)));
    QApplication::processEvents();
    ASSERT_TRUE(windows->isVisible());
    QTest::keyClick(windows, Qt::Key_T); // Tile, not the Text tool with its dialog
    QApplication::processEvents();
    EXPECT_FALSE(windows->isVisible());
    EXPECT_EQ(main_->Tools().CurrentAction, 5);
    EXPECT_TRUE(dialogs_.Dialogs.empty());

    // In a text field the letters are text.
    auto* angle = main_->findChild<QLineEdit*>(QStringLiteral("edRotateAngle"));
    angle->setFocus();
    angle->clear();
    QTest::keyClicks(angle, QStringLiteral("ez"));
    EXPECT_EQ(angle->text(), QStringLiteral("ez"));
    EXPECT_EQ(main_->Tools().CurrentAction, 5);
}
