#include "app/KolvarIconArt.h"
#include "app/uFRMAbout.h"
#include "common/ScriptedDialogs.h"
#include "shell/uLanguagesSuport.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

using namespace kolvar;

namespace {

// Receives what the program asks the desktop to open, instead of a browser.
class TUrlCatcher : public QObject {
    Q_OBJECT
public:
    TUrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
    ~TUrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    QList<QUrl> Opened;
public slots:
    void open(const QUrl& url) { Opened << url; }
};

void click(QWidget& w) {
    const QPointF at(w.width() / 2.0, w.height() / 2.0);
    QMouseEvent down(QEvent::MouseButtonPress, at, w.mapToGlobal(at), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QMouseEvent up(QEvent::MouseButtonRelease, at, w.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(&w, &down);
    QApplication::sendEvent(&w, &up);
}

class AboutDialog : public testing::Test {
protected:
    void SetUp() override { LanguageSuport().Load(QStringLiteral("ENGLISH")); }
    void TearDown() override { LanguageSuport().Load(QStringLiteral("ENGLISH")); }
};

} // namespace

TEST_F(AboutDialog, RunsThroughTheDialogDoorAndItsLinkOpensTheWebPage) {
    test::TScriptedDialogs dialogs;
    TUrlCatcher browser;
    dialogs.Dialogs.push_back([&](TfrmKolvarWnd& w) {
        auto& about = dynamic_cast<TfrmAbout&>(w);
        EXPECT_EQ(about.windowTitle(), QStringLiteral("About Kolvar"));
        EXPECT_TRUE(about.sbCancel()->isHidden());
        EXPECT_FALSE(about.sbOK()->isHidden());
        EXPECT_FALSE(about.RollUp());
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^Kolvar \\d+(\\.\\d+)+$"))
                        .match(about.lblTitle()->text())
                        .hasMatch())
            << about.lblTitle()->text().toStdString();
        EXPECT_TRUE(about.mmTerms()->isReadOnly());
        EXPECT_TRUE(about.mmTerms()->toPlainText().contains(QStringLiteral("warranty")));
        EXPECT_EQ(about.lblMoreInfo()->text(), QStringLiteral("More information:"));
        EXPECT_FALSE(about.imgLogo()->pixmap().isNull());

        click(*about.lblLink());
        EXPECT_EQ(browser.Opened, QList<QUrl>{QUrl(QString::fromLatin1(kKolvarWebPage))});
        return int(mrOk);
    });
    ShowAboutDialog(nullptr);
    ASSERT_EQ(dialogs.Asked.size(), 1u);
    EXPECT_EQ(dialogs.Asked[0].Kind, QStringLiteral("Run"));
    EXPECT_EQ(dialogs.Asked[0].Text, QStringLiteral("frmAbout"));
}

TEST_F(AboutDialog, OkClosesItAndTheLanguageTextTranslatesIt) {
    LanguageSuport().Load(QStringLiteral("PORTUGUESE"));
    TfrmAbout about;
    about.EnsureCreated();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Acerca do Kolvar"));
    EXPECT_TRUE(about.mmTerms()->toPlainText().startsWith(QStringLiteral("O Kolvar")));
    EXPECT_EQ(about.mmTerms()->document()->blockCount(), 3);

    QTimer::singleShot(0, about.sbOK(), &QToolButton::click);
    EXPECT_EQ(about.ShowModal(), mrOk);
    EXPECT_FALSE(about.isVisible());
}

TEST(KolvarIconFiles, TheCommittedDesktopIconsAreTheProgramsDrawing) {
    // tools/make_icons rewrites them; a drawing changed without running it fails here.
    const QString folder = QStringLiteral(KOLVAR_SOURCE_DIR "/packaging/icons/");
    QFile svg(folder + QStringLiteral("kolvar.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(svg.readAll()), KolvarIconSvg());
    for (int size : {48, 256}) {
        const QImage file = QImage(folder + QStringLiteral("kolvar-%1.png").arg(size))
                                .convertToFormat(QImage::Format_ARGB32);
        const QImage drawn = RenderKolvarIcon(size).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(file.size(), QSize(size, size));
        int differing = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QRgb a = file.pixel(x, y), b = drawn.pixel(x, y);
                differing += std::abs(qRed(a) - qRed(b)) > 2 || std::abs(qAlpha(a) - qAlpha(b)) > 2;
            }
        EXPECT_EQ(differing, 0) << size;
        // Transparent corners around an opaque middle: the icon sits on any background.
        EXPECT_EQ(qAlpha(file.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(file.pixel(size / 2, size / 2)), 255);
    }
    EXPECT_GE(KolvarIcon().availableSizes().size(), 4);
}

#include "AboutDialogTest.moc"
