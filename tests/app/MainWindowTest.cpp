#include "app/uFRMMain.h"
#include "app/uFRMSettings.h"
#include "shell/uLanguagesSuport.h"
#include "vector/uFRMShapes.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace kolvar;

namespace {

// Every main window of these tests reads and writes its settings in a fresh directory.
class MainWindow : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("KOLVAR_HOME", home_.path().toLocal8Bit());
    }
    void TearDown() override { qunsetenv("KOLVAR_HOME"); }

    QString SettingsPath() const { return home_.filePath(QStringLiteral("kolvar.ini")); }
    void WriteIni(const QByteArray& text) {
        QFile f(SettingsPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    QTemporaryDir home_;
};

QString text(TfrmKolvar& w, const char* item) {
    return w.MenuItem(QString::fromLatin1(item))->text();
}
QString hint(TfrmKolvar& w, const char* button) {
    return w.ToolButton(QString::fromLatin1(button))->toolTip();
}

} // namespace

TEST_F(MainWindow, StartsInEnglishAndSwitchesLanguageFromTheIdiomMenu) {
    TfrmKolvar w;
    EXPECT_EQ(w.objectName(), QStringLiteral("frmKolvar"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Kolvar"));
    EXPECT_FALSE(w.HasCaptionBar()) << "the main window keeps the platform's frame";
    EXPECT_TRUE(w.MenuItem(QStringLiteral("moEnglish"))->isChecked());
    EXPECT_FALSE(w.MenuItem(QStringLiteral("moPortuguese"))->isChecked());
    EXPECT_EQ(text(w, "moFile"), QStringLiteral("&File"));
    EXPECT_EQ(hint(w, "sbSave"), QStringLiteral("Save"));

    TfrmKolvarWnd palette; // follows the switch like the settings palette does
    palette.setObjectName(QStringLiteral("frmSettings"));
    w.RegisterPalette(&palette);

    w.MenuItem(QStringLiteral("moPortuguese"))->trigger();
    EXPECT_EQ(LanguageSuport().LanguageName(), QStringLiteral("PORTUGUESE"));
    EXPECT_TRUE(w.MenuItem(QStringLiteral("moPortuguese"))->isChecked());
    EXPECT_FALSE(w.MenuItem(QStringLiteral("moEnglish"))->isChecked());
    EXPECT_EQ(text(w, "moFile"), QStringLiteral("&Ficheiro"));
    EXPECT_EQ(text(w, "moSaveAs"), QStringLiteral("Guardar &como"));
    EXPECT_EQ(text(w, "moIdiom"), QStringLiteral("&Idioma"));
    EXPECT_EQ(text(w, "moEnglish"), QString::fromUtf8("&Ingl\u00eas"));
    EXPECT_EQ(hint(w, "sbSave"), QStringLiteral("Guardar"));
    EXPECT_EQ(hint(w, "sbTextRect"), QString::fromUtf8("Texto num ret\u00e2ngulo"));
    EXPECT_EQ(w.ToolButton(QStringLiteral("sbRotate"))->text(), QStringLiteral("Rodar"));
    EXPECT_EQ(w.findChild<QLineEdit*>(QStringLiteral("edRotateAngle"))->toolTip(),
              QString::fromUtf8("\u00c2ngulo em graus"));
    EXPECT_EQ(palette.windowTitle(), QString::fromUtf8("Defini\u00e7\u00f5es"));
    EXPECT_EQ(LanguageSuport().GetVariable(QStringLiteral("frmSettings_Alpha")),
              QStringLiteral("Transparente"));

    w.MenuItem(QStringLiteral("moEnglish"))->trigger();
    EXPECT_EQ(text(w, "moFile"), QStringLiteral("&File"));
    EXPECT_EQ(text(w, "moEnglish"), QStringLiteral("&English"));
    EXPECT_EQ(hint(w, "sbSave"), QStringLiteral("Save"));
    EXPECT_EQ(LanguageSuport().GetVariable(QStringLiteral("frmSettings_Alpha")),
              QStringLiteral("Alpha"));
}

TEST_F(MainWindow, KeepsTheLanguageAndPageDefaultsInTheSettingsFile) {
    {
        TfrmKolvar w;
        EXPECT_EQ(&ToolState(), &w.Tools());
        EXPECT_EQ(w.Tools().FileHeight, 200);
        EXPECT_EQ(w.Tools().FileWidth, 200);
        EXPECT_EQ(w.Tools().PageColor, 0xFFFFFFu);
        EXPECT_EQ(w.Tools().ToolText, QStringLiteral("Kolvar"));
        EXPECT_EQ(w.Tools().ToolFontName, QStringLiteral("Arial"));
        EXPECT_EQ(w.Tools().ToolFontSize, 8);
        EXPECT_EQ(w.Tools().ToolFontStyle, TFontStyles());
        w.Tools().FileWidth = 640;
        w.show();
        w.MenuItem(QStringLiteral("moPortuguese"))->trigger();
        w.MenuItem(QStringLiteral("moExit"))->trigger();
        EXPECT_FALSE(w.isVisible());
    }
    EXPECT_EQ(ToolState().FileWidth, 200) << "the built-in state is back once the window is gone";
    QSettings ini(SettingsPath(), QSettings::IniFormat);
    EXPECT_EQ(ini.value(QStringLiteral("Main/Idiom")).toString(), QStringLiteral("PORTUGUESE"));
    EXPECT_EQ(ini.value(QStringLiteral("Main/FileHeight")).toInt(), 200);
    EXPECT_EQ(ini.value(QStringLiteral("Main/FileWidth")).toInt(), 640);
    EXPECT_EQ(ini.value(QStringLiteral("Main/PageColor")).toString(), QStringLiteral("16777215"));

    TfrmKolvar again;
    EXPECT_TRUE(again.MenuItem(QStringLiteral("moPortuguese"))->isChecked());
    EXPECT_EQ(text(again, "moFile"), QStringLiteral("&Ficheiro"));
    EXPECT_EQ(again.Tools().FileWidth, 640);
}

TEST_F(MainWindow, StartsDespiteAnUnknownIdiomOrBadNumbers) {
    WriteIni("[Main]\r\nIdiom=KLINGON\r\nFileHeight=0x20\r\nFileWidth=wide\r\nPageColor=red\r\n");
    {
        TfrmKolvar w;
        EXPECT_EQ(LanguageSuport().LanguageName(), QStringLiteral("ENGLISH"));
        EXPECT_TRUE(w.MenuItem(QStringLiteral("moEnglish"))->isChecked());
        EXPECT_EQ(text(w, "moFile"), QStringLiteral("&File"));
        EXPECT_EQ(w.Tools().FileHeight, 32);
        EXPECT_EQ(w.Tools().FileWidth, 200);
        EXPECT_EQ(w.Tools().PageColor, 0xFFFFFFu);
    }
    WriteIni("[Main]\r\nIdiom=portuguese\r\nPageColor=\r\nFileHeight=-7\r\n");
    TfrmKolvar w;
    EXPECT_TRUE(w.MenuItem(QStringLiteral("moPortuguese"))->isChecked());
    EXPECT_EQ(w.Tools().PageColor, 0u) << "an empty colour reads as black";
    EXPECT_EQ(w.Tools().FileHeight, -7);
    LanguageSuport().Load(QStringLiteral("ENGLISH"));
}

TEST_F(MainWindow, IsAMaximisedMultipleDocumentFrame) {
    TfrmKolvar w;
    EXPECT_EQ(w.size(), QSize(TfrmKolvar::DesignWidth, TfrmKolvar::DesignHeight));
    ASSERT_NE(w.MdiArea(), nullptr);
    ASSERT_NE(w.StatusPanel(1), nullptr);
    EXPECT_EQ(w.StatusPanel(0)->width(), 62);
    EXPECT_TRUE(w.ToolButton(QStringLiteral("sbPasteOpaque"))->isChecked());
    EXPECT_FALSE(w.MenuItem(QStringLiteral("moSave"))->isEnabled());
    EXPECT_FALSE(w.MenuItem(QStringLiteral("moUndo"))->isEnabled());
    w.ShowCentredMaximised();
    QApplication::processEvents();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
}

TEST_F(MainWindow, ToolCanvasDrivesTheSampleAndItsSwatches) {
    TfrmKolvar w;
    ASSERT_TRUE(w.Tools().ToolCanvas);
    TDibCanvas& canvas = *w.Tools().ToolCanvas;
    EXPECT_EQ(canvas.Container().Width(), 40);
    EXPECT_EQ(canvas.Container().Height(), 50);
    EXPECT_EQ(canvas.Brush().BackColor(), clDibWhite);

    canvas.Brush().SetColor(clDibRed);
    canvas.Pen().SetColor(clDibBlue);
    auto* sample = w.findChild<QLabel*>(QStringLiteral("pbSample"));
    ASSERT_TRUE(sample);
    const QImage shown = sample->pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(37, 47));
    EXPECT_EQ(shown.pixelColor(2, 2), QColor(Qt::white)) << "back colour around the sample";
    EXPECT_EQ(shown.pixelColor(15, 20), QColor(Qt::red)) << "brush inside the rectangle";
    EXPECT_EQ(shown.pixelColor(5, 20), QColor(Qt::blue)) << "pen on the outline";
    auto* brushSwatch = w.findChild<QFrame*>(QStringLiteral("shBrushColor"));
    auto* penSwatch = w.findChild<QFrame*>(QStringLiteral("shPenColor"));
    EXPECT_EQ(brushSwatch->palette().color(QPalette::Window), QColor(Qt::red));
    EXPECT_EQ(penSwatch->palette().color(QPalette::Window), QColor(Qt::blue));
}

TEST_F(MainWindow, PalettesWidenedByALanguageKeepTheirRightEdgesAndStayApart) {
    TfrmKolvar w;
    w.show();
    QApplication::processEvents();
    QWidget* settings = w.SettingsPalette();
    QWidget* shapes = w.ShapesPalette();
    ASSERT_TRUE(settings && shapes);
    const QRect settingsEnglish = settings->geometry(), shapesEnglish = shapes->geometry();
    EXPECT_LT(shapesEnglish.right(), settingsEnglish.left());

    w.MenuItem(QStringLiteral("moPortuguese"))->trigger();
    EXPECT_GT(settings->width(), settingsEnglish.width()) << "\"Sem enchimento\" needs room";
    EXPECT_EQ(settings->geometry().right(), settingsEnglish.right());
    EXPECT_LT(shapes->geometry().right(), settings->geometry().left()) << "no overlap";

    w.MenuItem(QStringLiteral("moEnglish"))->trigger();
    EXPECT_EQ(settings->geometry(), settingsEnglish) << "English keeps the design size";
    EXPECT_EQ(shapes->geometry(), shapesEnglish);
    w.MenuItem(QStringLiteral("moExit"))->trigger();
}
