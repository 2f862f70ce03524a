#include "filters/GraphicFilterTable.h"
#include "shell/uFRMDialog.h"
#include "shell/uFRMHelp.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QToolButton>
#include <gtest/gtest.h>

#include <set>

using namespace kolvar;

namespace {

QString pageSource(const QString& page) {
    QFile f(QStringLiteral(":/help/") + page);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool pageExists(int context) {
    const QString page = HelpPageOfContext(context);
    return !page.isEmpty() && !HelpPageTitle(page).isEmpty();
}

void pressF1(QWidget& w) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
}

// Each test starts without a viewer, as the program does.
class HelpViewer_ : public testing::Test {
protected:
    void SetUp() override { delete HelpViewer(); }
    void TearDown() override { delete HelpViewer(); }
};

} // namespace

TEST(HelpPages, EveryContextAWindowUsesOpensAPageOfItsOwn) {
    // The palettes' and dialogs' numbers, as those windows declare them.
    for (int context :
         {20004, 20005, 20006, 20008, 20013, 20014, 20039, 20040, 20041, 20044, 20045})
        EXPECT_TRUE(pageExists(context)) << context;
    for (const TFilterInfo& row : FilterTable()) {
        if (row.Direct()) continue;
        EXPECT_TRUE(pageExists(row.HelpTopic)) << row.MenuCaption.toStdString();
    }
    for (int action = 0; action < 22; ++action)
        EXPECT_TRUE(pageExists(HelpContextOfAction(action))) << "action " << action;

    std::set<int> contexts;
    std::set<QString> pages;
    for (const THelpTopic& t : HelpTopics()) {
        EXPECT_TRUE(contexts.insert(t.Context).second) << "context used twice: " << t.Context;
        EXPECT_TRUE(pages.insert(QString::fromLatin1(t.Page)).second) << t.Page;
        EXPECT_FALSE(HelpPageTitle(QString::fromLatin1(t.Page)).isEmpty()) << t.Page;
    }
    EXPECT_EQ(HelpPageOfContext(hc::Contents), QStringLiteral("index.html"));
    EXPECT_TRUE(HelpPageOfContext(12345).isEmpty());
}

TEST(HelpPages, EveryPageIsListedAndEveryLinkLeadsToAPage) {
    std::set<QString> listed;
    for (const THelpTopic& t : HelpTopics()) listed.insert(QString::fromLatin1(t.Page));
    static const QRegularExpression href(QStringLiteral("href=\"([^\"#]*)"));
    int links = 0;
    for (QDirIterator it(QStringLiteral(":/help")); it.hasNext();) {
        const QString page = it.next().section(QLatin1Char('/'), -1);
        if (!page.endsWith(QLatin1String(".html"))) continue;
        EXPECT_TRUE(listed.count(page)) << "not in the contents: " << page.toStdString();
        for (auto m = href.globalMatch(pageSource(page)); m.hasNext(); ++links) {
            const QString target = m.next().captured(1);
            if (target.startsWith(QLatin1String("http"))) continue;
            EXPECT_TRUE(listed.count(target))
                << page.toStdString() << " links to " << target.toStdString();
        }
    }
    EXPECT_GT(links, 100);
}

TEST(HelpSearch, FindsPagesByTheStartOfWordsIgnoringCase) {
    const QStringList warp = SearchHelp(QStringLiteral("WARP"));
    ASSERT_FALSE(warp.isEmpty());
    EXPECT_EQ(warp.first(), QStringLiteral("tool-warp.html"));
    EXPECT_EQ(SearchHelp(QStringLiteral("warp")), warp);

    // Every word must be on the page; the page whose title names one comes first.
    const QStringList both = SearchHelp(QStringLiteral("spray  Eraser"));
    EXPECT_TRUE(both.contains(QStringLiteral("settings.html")));
    EXPECT_TRUE(both.contains(QStringLiteral("tool-erase.html")));
    EXPECT_FALSE(both.contains(QStringLiteral("tool-spray.html"))) << "has no word eraser";
    EXPECT_EQ(SearchHelp(QStringLiteral("blur")).first().left(7), QStringLiteral("filter-"));

    // A word matches the start of a page's words: "pen" is not found inside "opens".
    const QStringList pen = SearchHelp(QStringLiteral("pen"));
    EXPECT_TRUE(pen.contains(QStringLiteral("draw-pen.html")));
    EXPECT_FALSE(pen.contains(QStringLiteral("filenew.html")));
    EXPECT_TRUE(SearchHelp(QStringLiteral("gradi")).contains(QStringLiteral("gradients.html")));

    // The pages write "colour", the windows "Color": either spelling finds both.
    EXPECT_TRUE(
        SearchHelp(QStringLiteral("Color")).contains(QStringLiteral("tool-floodfill.html")));
    EXPECT_TRUE(
        SearchHelp(QStringLiteral("COLORS")).contains(QStringLiteral("filter-grayscale.html")));

    EXPECT_TRUE(SearchHelp(QStringLiteral("  ")).isEmpty());
    EXPECT_TRUE(SearchHelp(QStringLiteral("zyxwvut")).isEmpty());
}

TEST_F(HelpViewer_, OneViewerOpensTheContextsPageAndGoesBackAndForward) {
    ShowHelpContext(nullptr, 20041);
    TfrmHelp* viewer = HelpViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->CurrentPage(), QStringLiteral("filenew.html"));
    EXPECT_TRUE(viewer->tbPage()->toPlainText().contains(QStringLiteral("Paper Color")));

    ShowHelpContext(nullptr, 20044);
    EXPECT_EQ(HelpViewer(), viewer);
    EXPECT_EQ(viewer->CurrentPage(), QStringLiteral("export.html"));
    auto* back = viewer->findChild<QToolButton*>(QStringLiteral("sbBack"));
    auto* forward = viewer->findChild<QToolButton*>(QStringLiteral("sbForward"));
    ASSERT_TRUE(back && forward);
    ASSERT_TRUE(back->isEnabled());
    back->click();
    EXPECT_EQ(viewer->CurrentPage(), QStringLiteral("filenew.html"));
    ASSERT_TRUE(forward->isEnabled());
    forward->click();
    EXPECT_EQ(viewer->CurrentPage(), QStringLiteral("export.html"));

    ShowHelpContext(nullptr, 99999);
    EXPECT_EQ(viewer->CurrentPage(), QStringLiteral("index.html"));
    viewer->close();
    ShowHelpContents(nullptr);
    EXPECT_EQ(HelpViewer(), viewer);
    EXPECT_TRUE(viewer->isVisible());
}

TEST_F(HelpViewer_, SearchBoxListsPagesAndAClickOpensOne) {
    ShowHelpSearch(nullptr);
    TfrmHelp* viewer = HelpViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->CurrentPage(), QStringLiteral("index.html"));
    viewer->edSearch()->setText(QStringLiteral("Flood"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(viewer->edSearch(), &enter);
    const QStringList results = viewer->Results();
    ASSERT_FALSE(results.isEmpty());
    EXPECT_EQ(results, SearchHelp(QStringLiteral("flood")));
    EXPECT_EQ(viewer->lstResults()->item(0)->text(), HelpPageTitle(results.first()));

    QListWidgetItem* item = viewer->lstResults()->item(0);
    emit viewer->lstResults()->itemClicked(item);
    EXPECT_EQ(viewer->CurrentPage(), results.first());
}

TEST_F(HelpViewer_, F1OpensTheWindowsOwnPageAndHelpFromAModalDialogStaysUsable) {
    TfrmKolvarWnd palette;
    pressF1(palette);
    EXPECT_EQ(HelpViewer(), nullptr) << "a window without a help context has no page";
    palette.SetHelpContext(hc::Settings);
    pressF1(palette);
    ASSERT_NE(HelpViewer(), nullptr);
    EXPECT_EQ(HelpViewer()->CurrentPage(), QStringLiteral("settings.html"));
    EXPECT_EQ(HelpViewer()->parentWidget(), nullptr);

    // A modal dialog blocks every window but its own children.
    auto* dialog = new TfrmDialog;
    dialog->SetHelpContext(hc::Text);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    pressF1(*dialog);
    TfrmHelp* viewer = HelpViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->parentWidget(), dialog);
    EXPECT_TRUE(viewer->isWindow());
    EXPECT_EQ(viewer->CurrentPage(), QStringLiteral("text.html"));

    // Closing the dialog leaves the viewer open, on its own again.
    dialog->close();
    ASSERT_EQ(HelpViewer(), viewer);
    EXPECT_EQ(viewer->parentWidget(), nullptr);
    EXPECT_TRUE(viewer->isVisible());
    delete dialog;
    ASSERT_EQ(HelpViewer(), viewer);

    // A dialog freed while the viewer is its child takes the viewer along; the next request
    // makes a new one.
    dialog = new TfrmDialog;
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    ShowHelpContext(dialog, hc::Print);
    EXPECT_EQ(HelpViewer()->parentWidget(), dialog);
    delete dialog;
    ShowHelpContext(&palette, hc::Gradients);
    ASSERT_NE(HelpViewer(), nullptr);
    EXPECT_EQ(HelpViewer()->parentWidget(), nullptr);
    EXPECT_EQ(HelpViewer()->CurrentPage(), QStringLiteral("gradients.html"));
}
