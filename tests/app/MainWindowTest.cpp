#include "app/uFRMMain.h"

#include <QApplication>
#include <QMdiArea>
#include <gtest/gtest.h>

using namespace kolvar;

TEST(MainWindow, StartsAsMaximisedMultipleDocumentFrameCaptionedKolvar) {
    TfrmMain main;
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Kolvar"));
    EXPECT_EQ(main.size(), QSize(TfrmMain::DesignWidth, TfrmMain::DesignHeight));
    ASSERT_NE(main.MdiArea(), nullptr);
    EXPECT_EQ(main.centralWidget(), main.MdiArea());
    main.ShowCentredMaximised();
    QApplication::processEvents();
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(main.windowState() & Qt::WindowMaximized);
}
