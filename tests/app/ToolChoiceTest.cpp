// The tool chosen on the tool bar reaches every open document, and a document that becomes
// active adopts the current tool even when it missed the choice.

#include "app/uFRMMain.h"
#include "document/uFRMDesigner.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace kolvar;

TEST(ToolChoice, ReachesEveryDocumentAndIsAdoptedOnActivation) {
    QTemporaryDir home;
    qputenv("KOLVAR_HOME", home.path().toLocal8Bit());
    {
        TfrmKolvar w;
        w.show();
        TfrmDesigner* first = w.NewDocument();
        TfrmDesigner* second = w.NewDocument();
        ASSERT_TRUE(first && second);
        w.ToolButton(QStringLiteral("sbSpray"))->click();
        EXPECT_EQ(w.Tools().CurrentAction, 8);
        for (TfrmDesigner* doc : {first, second})
            EXPECT_EQ(doc->Designer().Actions().ActiveIndex(), 8);
        w.ToolButton(QStringLiteral("sbWarp"))->click();
        EXPECT_EQ(first->Designer().Actions().ActiveIndex(), 20);

        // A choice that was not carried to the documents (as a palette may make it).
        w.Tools().CurrentAction = 10;
        auto* area = w.findChild<QMdiArea*>(QStringLiteral("mdiArea"));
        ASSERT_TRUE(area);
        area->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(first->parentWidget()));
        QApplication::processEvents();
        EXPECT_EQ(first->Designer().Actions().ActiveIndex(), 10);
        EXPECT_EQ(second->Designer().Actions().ActiveIndex(), 20);
        w.CloseAllDocuments();
    }
    qunsetenv("KOLVAR_HOME");
}
