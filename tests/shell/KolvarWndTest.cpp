#include "shell/uFRMDialog.h"
#include "shell/uFRMKolvarWnd.h"
#include "shell/uLanguagesSuport.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace kolvar;

namespace {

void press(QWidget& w, QPoint pos) {
    const QPointF local(pos), global(w.mapToGlobal(pos));
    QMouseEvent down(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&w, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(&w, &up);
}

QColor pixel(QWidget& w, QPoint pos) {
    return w.grab().toImage().pixelColor(pos);
}

struct TPalette : TfrmKolvarWnd {
    TPalette() {
        setWindowTitle(QStringLiteral("Settings"));
        SetGripLines(true);
        SetClientSize(196, 190);
    }
};

// A dialog with its own component, created the way the program creates its dialogs.
struct TBlurDialog : TfrmDialog {
    QLabel* lblAmount = new QLabel(QStringLiteral("untranslated"), Client());
    int creations = 0;
    TBlurDialog() {
        setObjectName(QStringLiteral("frmFilterBlur"));
        lblAmount->setObjectName(QStringLiteral("lblAmount"));
    }
    void FormCreate() override {
        TfrmDialog::FormCreate();
        ++creations;
    }
};

} // namespace

TEST(KolvarWnd, RollUpFoldsToTheCaptionAndRestoresTheHeight) {
    TPalette w;
    w.show();
    ASSERT_TRUE(w.HasCaptionBar());
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    const int unrolled = w.height();
    EXPECT_EQ(unrolled, 190 + TfrmKolvarWnd::kRolledHeight);
    EXPECT_EQ(w.Client()->height(), 190);

    const QRect button = w.ButtonRect();
    EXPECT_EQ(button.size(), QSize(11, TfrmKolvarWnd::kCaptionHeight - 6));
    const QPoint wing(button.left() + 1, button.top() + 4); // inside a down triangle only
    const QColor caption = pixel(w, QPoint(button.left() - 2, button.top() + 4));
    EXPECT_EQ(pixel(w, wing), caption) << "an unrolled window shows an up-pointing triangle";

    press(w, button.center());
    EXPECT_TRUE(w.IsRolledUp());
    EXPECT_EQ(w.height(), TfrmKolvarWnd::kRolledHeight);
    EXPECT_EQ(w.SavedHeight(), unrolled);
    EXPECT_FALSE(w.Client()->isVisible());
    EXPECT_NE(pixel(w, wing), caption) << "a rolled-up window shows a down-pointing triangle";

    press(w, button.center());
    EXPECT_FALSE(w.IsRolledUp());
    EXPECT_EQ(w.height(), unrolled);
    EXPECT_TRUE(w.Client()->isVisible());

    press(w, QPoint(w.width() / 2, w.height() / 2)); // inside the client: no fold
    EXPECT_FALSE(w.IsRolledUp());
    press(w, QPoint(1, w.height() / 2)); // the fixed border answers like the button
    EXPECT_TRUE(w.IsRolledUp());
    press(w, QPoint(w.width() - 2, 10));
    EXPECT_EQ(w.height(), unrolled);
}

TEST(KolvarWnd, GripLinesStartAfterTheCaptionTextAndFollowIt) {
    TPalette w;
    w.show();
    w.setWindowTitle(QStringLiteral("A"));
    const auto [shortStart, end] = w.GripLineSpan();
    w.setWindowTitle(QStringLiteral("Longer caption"));
    const auto [x1, x2] = w.GripLineSpan();
    EXPECT_GT(x1, shortStart + 40);
    EXPECT_EQ(x2, end);
    EXPECT_LT(x2, w.ButtonRect().left()) << "the lines stop before the roll-up button";

    const QColor face = w.palette().color(QPalette::Window);
    for (int i = 0; i <= 3; ++i) {
        const int y = TfrmKolvarWnd::kFrameHeight * i + 6;
        EXPECT_EQ(pixel(w, QPoint(x1 + 2, y)), face) << "grip line " << i;
        EXPECT_NE(pixel(w, QPoint(x1 - 2, y)), face) << "caption before grip line " << i;
    }
}

TEST(KolvarWnd, DialogsShowGripLinesButNoRollUpButton) {
    TfrmDialog d;
    d.show();
    EXPECT_FALSE(d.RollUp());
    EXPECT_TRUE(d.GripLines());
    EXPECT_TRUE(d.HasCaptionBar());
    EXPECT_EQ(d.objectName(), QStringLiteral("frmDialog"));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("frmDialog"));
    EXPECT_EQ(d.font().family(), QStringLiteral("Arial"));
    EXPECT_EQ(d.sbOK()->text(), QStringLiteral("Ok"));
    EXPECT_EQ(d.sbCancel()->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(d.sbOK()->size(), QSize(71, 22));
    EXPECT_LT(d.bvBottomLine()->geometry().bottom(), d.sbOK()->geometry().top());
    const int cancelRight = d.sbCancel()->mapTo(&d, QPoint(d.sbCancel()->width(), 0)).x();
    EXPECT_GT(cancelRight, d.width() - 12) << "the buttons sit at the right";

    const auto [x1, x2] = d.GripLineSpan();
    EXPECT_GT(x2, d.ButtonRect().left()) << "without the button the lines run to the edge";
    const int height = d.height();
    press(d, d.ButtonRect().center());
    press(d, QPoint(1, height / 2));
    EXPECT_FALSE(d.IsRolledUp());
    EXPECT_EQ(d.height(), height);
}

TEST(KolvarWnd, ShowModalReportsHowTheWindowWasClosed) {
    TfrmDialog d;
    QTimer::singleShot(0, &d, [&] { d.sbOK()->click(); });
    EXPECT_EQ(d.ShowModal(), mrOk);
    EXPECT_FALSE(d.isVisible());
    QTimer::singleShot(0, &d, [&] { d.sbCancel()->click(); });
    EXPECT_EQ(d.ShowModal(), mrCancel);
    QTimer::singleShot(0, &d, [&] { d.close(); });
    EXPECT_EQ(d.ShowModal(), mrCancel);

    TfrmKolvarWnd plain;
    QTimer::singleShot(0, &plain, [&] { plain.SetModalResult(mrOk); });
    EXPECT_EQ(plain.ShowModal(), mrOk);
    EXPECT_EQ(plain.windowModality(), Qt::NonModal);
}

TEST(KolvarWnd, FormsAreTranslatedOnceWhenCreated) {
    LanguageSuport().Load(QStringLiteral("PORTUGUESE"));
    TBlurDialog* d = CreateForm<TBlurDialog>();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Desfocagem"));
    EXPECT_EQ(d->lblAmount->text(), QStringLiteral("Intensidade"));
    EXPECT_EQ(d->sbCancel()->text(), QStringLiteral("Cancelar"));
    d->lblAmount->setText(QStringLiteral("changed after creation"));
    d->show();
    EXPECT_EQ(d->creations, 1);
    EXPECT_EQ(d->lblAmount->text(), QStringLiteral("changed after creation"));
    delete d;

    TBlurDialog shownFirst; // not created through CreateForm: the first show creates it
    EXPECT_FALSE(shownFirst.IsCreated());
    shownFirst.show();
    EXPECT_EQ(shownFirst.creations, 1);
    EXPECT_EQ(shownFirst.lblAmount->text(), QStringLiteral("Intensidade"));
    LanguageSuport().Load(QStringLiteral("ENGLISH"));
    shownFirst.Translate();
    EXPECT_EQ(shownFirst.windowTitle(), QStringLiteral("Blur"));
    EXPECT_EQ(shownFirst.sbCancel()->text(), QStringLiteral("Cancel"));
}
