// F1 in every window of the running program, pressed the way a user presses it: the key goes
// through Qt's shortcut machinery, so a window whose F1 the main window's "Contents" shortcut
// takes is caught as surely as one that has no page of its own.
//
// Each window is one row of the table below: how to open it on the main window, and the help
// context whose page F1 must show there. A new window gets its row here and its number by
// SetHelpContext in its constructor (SetControlHelpContext for a part with a page of its own).
#include "app/uFRMMain.h"
#include "app/uFRMSettings.h"
#include "document/uFRMDesigner.h"
#include "shell/uFRMHelp.h"
#include "vector/uFRMShapes.h"

#include "common/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace kolvar;
using kolvar::test::TScriptedDialogs;

namespace {

// Makes Window the active window, presses F1 where its focus is, and tells which page the help
// viewer then shows ("" when none opened).
QString PressF1(QWidget& Window) {
    Window.show();
    Window.raise();
    Window.activateWindow();
    QApplication::setActiveWindow(&Window);
    QApplication::processEvents();
    QWidget* focus = QApplication::focusWidget();
    QWidget* target = focus && (focus == &Window || Window.isAncestorOf(focus)) ? focus : &Window;
    QTest::keyClick(target, Qt::Key_F1);
    return HelpViewer() && HelpViewer()->isVisible() ? HelpViewer()->CurrentPage() : QString();
}

// The main window with one document, on a fresh program directory.
class TRunningProgram {
public:
    TRunningProgram() {
        qputenv("KOLVAR_HOME", Home.path().toLocal8Bit());
        Main = std::make_unique<TfrmKolvar>();
        Main->resize(1000, 800);
        Main->show();
        QApplication::processEvents();
        Dialogs.Dialogs.push_back([](TfrmKolvarWnd&) { return int(mrOk); });
        Main->FileOptionsClick(0);
    }
    ~TRunningProgram() {
        for (TfrmDesigner* d : Main->Documents()) d->SetModified(false);
        Main.reset();
        qunsetenv("KOLVAR_HOME");
    }

    // The script for the modal dialog the row opens: F1 in it, then Cancel.
    TScriptedDialogs::TDialogScript PressF1InDialog() {
        return [this](TfrmKolvarWnd& d) {
            DialogPage = PressF1(d);
            DialogSeen = true;
            d.hide();
            return int(mrCancel);
        };
    }

    QTemporaryDir Home;
    TScriptedDialogs Dialogs;
    std::unique_ptr<TfrmKolvar> Main;
    QString DialogPage;
    bool DialogSeen = false;
};

// Opens the row's window. A modelless window is returned for F1 to be pressed in; a modal one
// runs through the scripted dialogs (PressF1InDialog) and gives null.
using TOpener = std::function<QWidget*(TRunningProgram&)>;

struct TWindowRow {
    const char* Window;
    int Context;
    TOpener Open;
};

TOpener MenuDialog(const char* Item) {
    return [Item](TRunningProgram& p) -> QWidget* {
        p.Dialogs.Dialogs.push_back(p.PressF1InDialog());
        p.Main->MenuItem(QString::fromLatin1(Item))->trigger();
        return nullptr;
    };
}

TOpener ButtonDialog(std::function<QToolButton*(TRunningProgram&)> Button) {
    return [Button](TRunningProgram& p) -> QWidget* {
        p.Dialogs.Dialogs.push_back(p.PressF1InDialog());
        Button(p)->click();
        return nullptr;
    };
}

QToolButton* SettingsButton(TRunningProgram& p, const char* Name) {
    return p.Main->SettingsPalette()->findChild<QToolButton*>(QString::fromLatin1(Name));
}

// The shapes palette showing page Index, with the focus on Control (null: nowhere in it).
TOpener ShapesPage(int Index, std::function<QWidget*(TfrmShapes&)> Control) {
    return [Index, Control](TRunningProgram& p) -> QWidget* {
        TfrmShapes* shapes = p.Main->ShapesPalette();
        auto* pages = shapes->findChild<QTabWidget*>(QStringLiteral("pgShapes"));
        pages->setCurrentIndex(Index);
        shapes->show();
        shapes->activateWindow();
        QApplication::setActiveWindow(shapes);
        if (QWidget* c = Control(*shapes)) {
            c->setFocusPolicy(Qt::StrongFocus);
            c->setFocus();
        } else if (QWidget* f = QApplication::focusWidget()) {
            f->clearFocus();
        }
        return shapes;
    };
}

template <class T> std::function<QWidget*(TfrmShapes&)> Child(const char* Name) {
    return [Name](TfrmShapes& s) { return s.findChild<T*>(QString::fromLatin1(Name)); };
}

const std::vector<TWindowRow>& Windows() {
    static const std::vector<TWindowRow> rows = {
        // The filter dialogs.
        {"H S L", 20015, MenuDialog("moHSL")},
        {"H S V", 20016, MenuDialog("moHSV")},
        {"L A B", 20017, MenuDialog("moLAB")},
        {"R G B", 20018, MenuDialog("moRGB")},
        {"Contrast", 20036, MenuDialog("moContrast")},
        {"Lightness", 20019, MenuDialog("moLightness")},
        {"Solarize", 20020, MenuDialog("moSolarize")},
        {"Posterize", 20021, MenuDialog("moPosterize")},
        {"Noise", 20022, MenuDialog("moNoise")},
        {"Ripple", 20023, MenuDialog("moRipple")},
        {"Waves", 20037, MenuDialog("moWaves")},
        {"Emboss", 20024, MenuDialog("moEmboss")},
        {"Plasma", 20025, MenuDialog("moPlasma")},
        {"Split Blur", 20026, MenuDialog("moSplitBlur")},
        {"Motion Blur", 20027, MenuDialog("moMotionBlur")},
        {"Lens", 20028, MenuDialog("moLens")},
        {"Fish Eye", 20029, MenuDialog("moFishEye")},
        {"Whirl and Pinch", 20030, MenuDialog("moWhirlandPinch")},
        {"Convolution", 20031, MenuDialog("moConvolution")},
        {"Mirror", 20032, MenuDialog("moMirror")},
        {"Marble", 20033, MenuDialog("moMarble")},
        {"Sobel", 20034, MenuDialog("moSobel")},
        {"Blur", 20035, MenuDialog("moBlur")},
        {"Rank", 20038, MenuDialog("moRank")},
        {"Histogram", 20039, MenuDialog("moHistogramShow")},
        // The File and Help menus' dialogs.
        {"File New", 20041, MenuDialog("moNew")},
        {"Export Dialog", 20044, MenuDialog("moExportImage")},
        // The Image menu's dialogs.
        {"Resize Image", 20046, MenuDialog("moResizeImage")},
        {"Canvas Size", 20047, MenuDialog("moCanvasSize")},
        {"Preferences", 20048, MenuDialog("moPreferences")},
        {"Print Dialog", 20045, MenuDialog("moPrint")},
        {"Print Preview", 20045,
         [](TRunningProgram& p) -> QWidget* {
             p.Dialogs.Dialogs.push_back([](TfrmKolvarWnd& print) {
                 print.findChild<QToolButton*>(QStringLiteral("sbPreview"))->click();
                 return int(mrCancel);
             });
             p.Dialogs.Dialogs.push_back(p.PressF1InDialog());
             p.Main->MenuItem(QStringLiteral("moPrint"))->trigger();
             return nullptr;
         }},
        {"About", hc::About, MenuDialog("moAbout")},
        // The tool bar's text dialog and the settings palette's editors.
        {"Text", 20040, ButtonDialog([](TRunningProgram& p) {
             return p.Main->ToolButton(QStringLiteral("sbText"));
         })},
        {"Gradient's options", 20013,
         ButtonDialog([](TRunningProgram& p) { return SettingsButton(p, "sbGradients"); })},
        {"Select texture", 20014,
         ButtonDialog([](TRunningProgram& p) { return SettingsButton(p, "sbTextures"); })},
        // The palettes, the shapes palette page by page.
        {"Settings palette", 20003,
         [](TRunningProgram& p) -> QWidget* { return p.Main->SettingsPalette(); }},
        {"Shapes palette", 20004, ShapesPage(0, [](TfrmShapes&) { return nullptr; })},
        {"Shapes palette, Library page", 20005, ShapesPage(0, Child<QComboBox>("cmbLibs"))},
        {"Shapes palette, Special polygons page", 20006,
         ShapesPage(1, Child<QSlider>("sbRegularSides"))},
        {"Shapes palette, PolyText page", 20008, ShapesPage(2, Child<QLineEdit>("edtText"))},
        {"Shapes palette, tab of the PolyText page", 20008,
         ShapesPage(2, [](TfrmShapes& s) { return s.findChild<QTabBar*>(); })},
        // The document window, with the main window's own F1 around it.
        {"Document window", hc::Document,
         [](TRunningProgram& p) -> QWidget* {
             // A click into the picture, as the user gives the document the focus.
             QTest::mouseClick(&p.Main->ActiveDocument()->Designer(), Qt::LeftButton);
             return p.Main.get();
         }},
        {"Main window without a document", hc::Contents,
         [](TRunningProgram& p) -> QWidget* {
             for (TfrmDesigner* d : p.Main->Documents()) d->SetModified(false);
             p.Main->CloseAllDocuments();
             return p.Main.get();
         }},
        {"Help viewer", hc::Contents,
         [](TRunningProgram&) -> QWidget* {
             ShowHelpContext(nullptr, 20041);
             return HelpViewer();
         }},
    };
    return rows;
}

} // namespace

TEST(ContextHelp, F1InEveryWindowOpensThatWindowsOwnPage) {
    TRunningProgram program;
    for (const TWindowRow& row : Windows()) {
        SCOPED_TRACE(row.Window);
        const QString expected = HelpPageOfContext(row.Context);
        ASSERT_FALSE(expected.isEmpty()) << "no page for context " << row.Context;
        delete HelpViewer();
        program.DialogSeen = false;
        program.DialogPage.clear();
        QString page;
        if (QWidget* window = row.Open(program)) {
            page = PressF1(*window);
        } else {
            EXPECT_TRUE(program.DialogSeen) << "the dialog did not open";
            page = program.DialogPage;
        }
        EXPECT_EQ(page.toStdString(), expected.toStdString());
        EXPECT_TRUE(program.Dialogs.Dialogs.empty());
        program.Dialogs.Dialogs.clear();
    }
    delete HelpViewer();
}
