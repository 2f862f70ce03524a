#pragma once
// The help viewer: the program's HTML help pages (built into the program under :/help) with a
// contents tree, a search box and back/forward. One viewer serves the whole program; every
// request reuses and raises it.

#include "shell/uFRMKolvarWnd.h"

#include <QString>
#include <QStringList>

#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QToolButton;
class QTreeWidget;

namespace kolvar {

// Help context numbers. The windows' own numbers (palettes, dialogs, filter dialogs) are set
// where those windows are built; these name the pages of the shell's own windows and those
// that have no window.
namespace hc {
constexpr int Contents = 20000;
constexpr int MainWindow = 20001;
constexpr int Document = 20002;
constexpr int Settings = 20003;
constexpr int Shapes = 20004;
constexpr int ShapesLibrary = 20005;
constexpr int SpecialPolygons = 20006;
constexpr int PolyText = 20008;
constexpr int Keyboard = 20009;
constexpr int FilterMenu = 20010;
constexpr int About = 20011;
constexpr int Gradients = 20013;
constexpr int Textures = 20014;
constexpr int Histogram = 20039;
constexpr int Text = 20040;
constexpr int FileNew = 20041;
constexpr int Export = 20044;
constexpr int Print = 20045;
constexpr int ResizeImage = 20046;
constexpr int CanvasSize = 20047;
constexpr int Preferences = 20048;
// The left tool bar.
constexpr int ToolDraw = 20050;
constexpr int ToolSelect = 20051;
constexpr int ToolErase = 20052;
constexpr int ToolSpray = 20053;
constexpr int ToolGetColor = 20054;
constexpr int ToolZoom = 20055;
constexpr int ToolFloodFill = 20056;
constexpr int ToolBoundaryFill = 20057;
constexpr int ToolText = 20058;
constexpr int ToolTextRect = 20059;
constexpr int ToolWarp = 20060;
constexpr int ToolPaste = 20061;
constexpr int ToolRotate = 20062;
// The buttons of the shapes palette.
constexpr int DrawPoint = 20070;
constexpr int DrawPen = 20071;
constexpr int DrawLine = 20072;
constexpr int DrawPolyline = 20073;
constexpr int DrawPolygon = 20074;
constexpr int DrawPolylineCurve = 20075;
constexpr int DrawPolygonCurve = 20076;
// The filters applied without a dialog.
constexpr int FilterGrayscale = 20080;
constexpr int FilterNegative = 20081;
constexpr int FilterEqualize = 20082;
} // namespace hc

// One help page: its file under :/help, its context number and its group in the contents.
struct THelpTopic {
    int Context;
    const char* Page;
    const char* Group;
};

// Every page, in the order of the contents.
const std::vector<THelpTopic>& HelpTopics();
// The page file ("filter-blur.html") of a context number, or an empty text.
QString HelpPageOfContext(int Context);
// The help page of a designer action (the value of CurrentAction), for F1 over a document.
int HelpContextOfAction(int Action);
// The title of a page, from its <title>.
QString HelpPageTitle(const QString& Page);
// The pages that contain every word of Words (each word matching the start of a word of the
// page, case ignored), pages with a word in their title first.
QStringList SearchHelp(const QString& Words);

class TfrmHelp : public TfrmKolvarWnd {
    Q_OBJECT
public:
    explicit TfrmHelp(QWidget* parent = nullptr);

    void ShowPage(const QString& Page);
    void ShowSearch();
    // The page shown now ("index.html"), without its anchor.
    QString CurrentPage() const;
    void Search(const QString& Words);
    // The pages the last search listed.
    QStringList Results() const;

    QTextBrowser* tbPage() const { return tbPage_; }
    QLineEdit* edSearch() const { return edSearch_; }
    QListWidget* lstResults() const { return lstResults_; }

    // A window shown modally blocks every window but its own children, so help asked for from
    // a modal dialog belongs to that dialog until the dialog closes; otherwise (Owner null) the
    // viewer stands on its own.
    void SetOwner(QWidget* Owner);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void Translated() override;

private:
    void BuildContents();
    void SelectInContents(const QString& Page);
    void OpenResult(int Row);
    void ShowFoundCount();

    QToolButton* sbBack_;
    QToolButton* sbForward_;
    QToolButton* sbContents_;
    QTabWidget* pgNavigation_;
    QTreeWidget* tvContents_;
    QLineEdit* edSearch_;
    QListWidget* lstResults_;
    QLabel* lblFound_;
    QTextBrowser* tbPage_;
    bool searched_ = false;
};

// The viewer while it exists, else null.
TfrmHelp* HelpViewer();

// Opens the viewer at the contents page.
void ShowHelpContents(QWidget* Parent);
// Opens the viewer with the search box focused.
void ShowHelpSearch(QWidget* Parent);
// Opens the page of a window's help context number (the contents page for an unknown one).
void ShowHelpContext(QWidget* Parent, int Context);

} // namespace kolvar
