#include "app/uFRMMain.h"

#include "app/ErrorGuardWidget.h"
#include "app/RecoveryStore.h"
#include "app/ToolGlyphs.h"
#include "document/PictureReadJob.h"
#include "shell/uFRMHelp.h"
#include "shell/uGlyphColors.h"
#include "shell/uLanguagesSuport.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygon>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

namespace kolvar {

namespace {

const QString kEnglish = QStringLiteral("ENGLISH");
const QString kPortuguese = QStringLiteral("PORTUGUESE");

constexpr int kTagEnglish = 81;
constexpr int kTagPortuguese = 82;
constexpr int kTagExit = 9;
constexpr int kTagPreferences = 20;

constexpr int kButtonSize = 25;

struct TButtonDef {
    const char* name;
    int tag;
    const char* hint;
};

constexpr std::array<TButtonDef, 9> kMainToolBar = {{{"sbOpenNew", 0, "New"},
                                                     {"sbOpen", 1, "Open"},
                                                     {"sbSave", 2, "Save"},
                                                     {"sbPrint", 3, "Print"},
                                                     {"sbClear", 4, "Clear"},
                                                     {"sbUndo", 5, "Undo"},
                                                     {"sbCut", 6, "Cut"},
                                                     {"sbCopy", 7, "Copy"},
                                                     {"sbPaste", 8, "Paste"}}};

// The left tool bar: one group of mutually exclusive buttons, the two paste modes included.
constexpr std::array<TButtonDef, 13> kToolBar = {
    {{"sbDraw", 0, "Draw"},
     {"sbSelect", 1, "Select"},
     {"sbErase", 2, "Erase"},
     {"sbSpray", 3, "Spray"},
     {"sbGetColor", 4, "Get color"},
     {"sbZoom", 5, "Zoom"},
     {"sbFloodFill", 6, "Flood fill"},
     {"sbBoundary", 7, "Boundary fill"},
     {"sbText", 97, "Text"},
     {"sbTextRect", 98, "Text in Rectangle"},
     {"sbWarp", 99, "Warp"},
     {"sbDrawWithoutColor", -1, "Paste without back color"},
     {"sbPasteOpaque", -1, "Paste opaque"}}};

void setTag(QObject* o, int tag) {
    o->setProperty("Tag", tag);
}
int tagOf(const QObject* o) {
    return o->property("Tag").toInt();
}

QToolButton* makeToolButton(QWidget* parent, const TButtonDef& def) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(def.name));
    b->setToolTip(QString::fromLatin1(def.hint));
    b->setAutoRaise(true);
    b->setFixedSize(kButtonSize, kButtonSize);
    b->setIcon(QIcon(QPixmap::fromImage(ToolGlyph(b->objectName(), GlyphInk(b->palette())))));
    setTag(b, def.tag);
    return b;
}

} // namespace

TfrmKolvar::TfrmKolvar(QWidget* parent) : TfrmKolvarWnd(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmKolvar"));
    setWindowTitle(QStringLiteral("Kolvar"));
    SetRollUp(false);
    SetGripLines(false);
    SetToolState(&toolState_);

    BuildMenus();
    mdiArea_ = new QMdiArea(Client());
    mdiArea_->setObjectName(QStringLiteral("mdiArea"));
    BuildStatusBar();

    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    middle->addWidget(BuildToolBar());
    middle->addWidget(mdiArea_, 1);
    auto* column = new QVBoxLayout(Client());
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->setMenuBar(menu_);
    column->addWidget(BuildMainToolBar());
    column->addLayout(middle, 1);
    column->addWidget(statusBar_);

    // Files dropped anywhere on the frame, documents included, open as documents.
    setAcceptDrops(true);
    InstallToolKeys();
    resize(DesignWidth, DesignHeight);
    EnsureCreated();
}

TfrmKolvar::~TfrmKolvar() {
    // Closing documents while the window's parts are torn down must not reach them.
    disconnect(mdiArea_, nullptr, this, nullptr);
    toolState_.ToolCanvas.reset();
    if (&ToolState() == &toolState_) SetToolState(nullptr);
}

void TfrmKolvar::FormCreate() {
    const TKolvarSettings settings = ReadSettings(SettingsFilePath());
    Preferences() = ReadPreferences(SettingsFilePath());
    LoadStartLanguage(settings.Idiom);
    TfrmKolvarWnd::FormCreate();
    toolState_ = TToolState();
    toolState_.FileHeight = settings.FileHeight;
    toolState_.FileWidth = settings.FileWidth;
    toolState_.PageColor = settings.PageColor;
    toolState_.ToolCanvas = std::make_unique<TDibCanvas>(40, 50);
    toolState_.ToolCanvas->Brush().OnChange = [this](TDibObject&) { ShowSample(); };
    toolState_.ToolCanvas->Pen().OnChange = [this](TDibObject&) { ShowSample(); };
    toolState_.ToolCanvas->Brush().SetBackColor(clDibWhite);
    ShowSample();
    toolState_.OnCurrentChildsAction = [this](int32_t i) { CurrentChildsAction(i); };
    toolState_.OnCurrentChildsShapeDef = [this](const TShapeDef& d) { CurrentChildsShapeDef(d); };
    toolState_.OnCurrentChildsShapeDefFromStrings = [this](const QStringList& l) {
        CurrentChildsShapeDefFromStrings(l);
    };
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            [this] { UpdatePasteItem(); });
    UpdatePasteItem();
    recent_.Read(SettingsFilePath());
    RefreshRecentMenu();
    ShowToolKeys();
    connect(mdiArea_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
        if (sub) ActivateDocument(qobject_cast<TfrmDesigner*>(sub->widget()));
        UpdateDocumentCommands();
    });
    ApplyHistoryPreferences();
    UpdateDocumentCommands();
}

void TfrmKolvar::UpdatePasteItem() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    MenuItem(QStringLiteral("moPaste"))->setEnabled(data && data->hasImage());
}

void TfrmKolvar::showEvent(QShowEvent* e) {
    TfrmKolvarWnd::showEvent(e);
    FormShow();
}

void TfrmKolvar::FormShow() {
    if (palettesCreated_) return;
    palettesCreated_ = true;
    CreatePalettes();
    ShowToolKeys();
}

namespace {

void SetSwatch(QFrame* swatch, const TDibColor& c) {
    if (!swatch) return;
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, QColor(c.Red, c.Green, c.Blue));
    swatch->setPalette(palette);
}

} // namespace

void TfrmKolvar::ShowSample() {
    TDibCanvas* canvas = toolState_.ToolCanvas.get();
    if (!canvas || !pbSample_) return;
    TDibContainer& image = canvas->Container();
    image.Clear(canvas->Brush().BackColor());
    image.FillRect(5, 5, 32, 42, canvas->Brush().SpanProc());
    image.Rectangle(5, 5, 32, 42, canvas->Pen().LineProc());
    QPixmap sample(pbSample_->size());
    sample.fill(Qt::white);
    QPainter painter(&sample);
    image.DrawToDC(painter, 0, 0);
    painter.end();
    pbSample_->setPixmap(sample);
    SetSwatch(shBrushColor_, canvas->Brush().Color());
    SetSwatch(shPenColor_, canvas->Pen().Color());
}

void TfrmKolvar::LoadStartLanguage(const QString& idiom) {
    // An idiom the program has no language for (a hand-edited or foreign settings file)
    // starts the program in English rather than stopping it.
    QString name = idiom.trimmed().toUpper();
    if (name != kEnglish && name != kPortuguese) name = kEnglish;
    LanguageSuport().Load(name);
    UseToolkitLanguage(name);
    CheckLanguageItem();
}

void TfrmKolvar::CheckLanguageItem() {
    const bool english = LanguageSuport().LanguageName() == kEnglish;
    MenuItem(QStringLiteral("moEnglish"))->setChecked(english);
    MenuItem(QStringLiteral("moPortuguese"))->setChecked(!english);
}

void TfrmKolvar::SwitchLanguage(const QString& name) {
    LanguageSuport().Load(name);
    UseToolkitLanguage(name);
    CheckLanguageItem();
    Translate();
    TranslatePalettes();
    // The help viewer stays open beside the program; its buttons follow the language too.
    if (TfrmHelp* help = HelpViewer()) help->Translate();
    ShowToolKeys();
}

void TfrmKolvar::RegisterPalette(TfrmKolvarWnd* palette) {
    palettes_ << palette;
}

void TfrmKolvar::FileOptionsClick(int tag) {
    switch (tag) {
    case kTagEnglish:
        SwitchLanguage(kEnglish);
        break;
    case kTagPortuguese:
        SwitchLanguage(kPortuguese);
        break;
    default:
        FileCommand(tag);
        break;
    }
}

void TfrmKolvar::closeEvent(QCloseEvent* e) {
    // Every document is asked; the program stays while any of them was kept open.
    if (!CloseAllDocuments()) {
        e->ignore();
        return;
    }
    TfrmKolvarWnd::closeEvent(e);
    if (!e->isAccepted()) return;
    TKolvarSettings settings;
    settings.Idiom = LanguageSuport().LanguageName();
    settings.FileHeight = toolState_.FileHeight;
    settings.FileWidth = toolState_.FileWidth;
    settings.PageColor = toolState_.PageColor;
    WriteSettings(SettingsFilePath(), settings);
    // Every document was saved or given up: nothing is left to recover.
    if (recovery_) recovery_->Close();
}

void TfrmKolvar::ShowCentredMaximised() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(DesignWidth / 2, DesignHeight / 2));
    }
    showMaximized();
}

QLabel* TfrmKolvar::StatusPanel(int index) const {
    return statusPanels_.value(index);
}

QAction* TfrmKolvar::MenuItem(const QString& name) const {
    for (QAction* a : menu_->findChildren<QAction*>())
        if (a->objectName() == name) return a;
    if (auto* menu = menu_->findChild<QMenu*>(name)) return menu->menuAction();
    return nullptr;
}

QToolButton* TfrmKolvar::ToolButton(const QString& name) const {
    return findChild<QToolButton*>(name);
}

QMenu* TfrmKolvar::AddMenu(QMenuBar* bar, QMenu* parentMenu, const char* name,
                           const QString& caption) {
    QMenu* menu = parentMenu ? parentMenu->addMenu(caption) : bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction* TfrmKolvar::AddItem(QMenu* menu, const char* name, const QString& caption,
                             const char* shortcut, int tag) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    if (shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
    setTag(a, tag);
    return a;
}

void TfrmKolvar::BuildMenus() {
    menu_ = new QMenuBar(Client());
    menu_->setObjectName(QStringLiteral("frmMain_Menu"));

    QMenu* file = AddMenu(menu_, nullptr, "moFile", QStringLiteral("&File"));
    AddItem(file, "moNew", QStringLiteral("&New"), "Ctrl+N", 0);
    AddItem(file, "moOpen", QStringLiteral("&Open"), "Ctrl+O", 1);
    AddItem(file, "moSave", QStringLiteral("&Save"), "Ctrl+S", 2)->setEnabled(false);
    AddItem(file, "moSaveAs", QStringLiteral("Save &As"), "Ctrl+A", 3);
    AddItem(file, "moExportImage", QStringLiteral("E&xport Image"), "Ctrl+E", 4);
    AddItem(file, "moClose", QStringLiteral("Close"), "F4", 5);
    file->addSeparator();
    AddItem(file, "moPrint", QStringLiteral("&Print"), "Ctrl+P", 7);
    file->addSeparator();
    QMenu* idiom = AddMenu(nullptr, file, "moIdiom", QStringLiteral("&Idiom"));
    idiomGroup_ = new QActionGroup(this);
    for (QAction* a :
         {AddItem(idiom, "moEnglish", QStringLiteral("&English"), nullptr, kTagEnglish),
          AddItem(idiom, "moPortuguese", QStringLiteral("&Portuguese"), nullptr, kTagPortuguese)}) {
        a->setCheckable(true);
        idiomGroup_->addAction(a);
    }
    file->addSeparator();
    AddItem(file, "moExit", QStringLiteral("&Exit"), "Ctrl+Q", kTagExit);
    ConnectMenu(file, &TfrmKolvar::FileOptionsClick);
    BuildRecentMenu(file);

    QMenu* edit = AddMenu(menu_, nullptr, "moEdit", QStringLiteral("&Edit"));
    AddItem(edit, "moUndo", QStringLiteral("&Undo"), "Ctrl+Z", 0)->setEnabled(false);
    QAction* redo = AddItem(edit, "moRedo", QStringLiteral("&Redo"), "Ctrl+Y", 6);
    redo->setShortcuts(
        {QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))});
    redo->setEnabled(false);
    edit->addSeparator();
    AddItem(edit, "moCut", QStringLiteral("&Cut"), "Ctrl+X", 1);
    AddItem(edit, "moCopy", QStringLiteral("&Copy"), "Ctrl+C", 2);
    AddItem(edit, "moPaste", QStringLiteral("&Paste"), "Ctrl+V", 3);
    // Ctrl+E belongs to Export Image, which comes first; Qt would otherwise find the key
    // ambiguous and run neither command.
    AddItem(edit, "moClear", QStringLiteral("Cl&ear"), nullptr, 4);
    // Ctrl+A stays Save As.
    AddItem(edit, "moSelectAll", QStringLiteral("Select &All"), "Ctrl+Shift+A", 7);
    edit->addSeparator();
    AddItem(edit, "moClearClipboard", QStringLiteral("Clear Clipboard"), "Ctrl+L", 5);
    edit->addSeparator();
    // Preferences apply without a document, so they are not one of the Edit commands.
    QAction* preferences =
        AddItem(edit, "moPreferences", QStringLiteral("Preferences..."), nullptr, kTagPreferences);
    ConnectMenu(edit, &TfrmKolvar::EditOptionsClick);
    disconnect(preferences, &QAction::triggered, this, nullptr);
    connect(preferences, &QAction::triggered, this,
            [this] { Guarded(this, [this] { moPreferencesClick(); }); });

    QMenu* filter = AddMenu(menu_, nullptr, "moFilter", QStringLiteral("Fi&lter"));
    static constexpr std::array<std::pair<const char*, const char*>, 26> filters = {{
        {"moHSL", "HSL"},
        {"moHSV", "HSV"},
        {"moLAB", "LAB"},
        {"moRGB", "RGB"},
        {"moContrast", "Contrast"},
        {"moLightness", "Lightness"},
        {"moSolarize", "Solarize"},
        {"moPosterize", "Posterize"},
        {"moGrayScale", "Grayscale"},
        {"moNegative", "Negative"},
        {"moNoise", "Noise"},
        {"moRipple", "Ripple"},
        {"moWaves", "Waves"},
        {"moEmboss", "Emboss"},
        {"moPlasma", "Plasma"},
        {"moSplitBlur", "SplitBlur"},
        {"moMotionBlur", "Motion Blur"},
        {"moLens", "Lens"},
        {"moFishEye", "FishEye"},
        {"moWhirlandPinch", "Whirl and Pinch"},
        {"moConvolution", "Convolution"},
        {"moMirror", "Mirror"},
        {"moMarble", "Marble"},
        {"moSobel", "Sobel"},
        {"moBlur", "Blur"},
        {"moRank", "Rank"},
    }};
    for (std::size_t i = 0; i < filters.size(); ++i) {
        if (i == 10) filter->addSeparator();
        AddItem(filter, filters[i].first, QString::fromLatin1(filters[i].second), nullptr, int(i));
    }
    filter->addSeparator();
    QMenu* histogram = AddMenu(nullptr, filter, "moHistogram", QStringLiteral("Histogram"));
    AddItem(histogram, "moHistogramShow", QStringLiteral("Show"), nullptr, 26);
    AddItem(histogram, "moHistogramEqualize", QStringLiteral("Equalize"), nullptr, 27);
    ConnectMenu(filter, &TfrmKolvar::FilterOptionsClick);

    QMenu* view = AddMenu(menu_, nullptr, "moView", QStringLiteral("&View"));
    AddItem(view, "moZoomIn", QStringLiteral("Zoom &In"), "Ctrl+Alt+I", 1);
    AddItem(view, "moZoomOut", QStringLiteral("Zoom &Out"), "Ctrl+Alt+O", 2);
    AddItem(view, "moActualSize", QStringLiteral("&Actual Size"), "Ctrl+Alt+A", 4);
    ConnectMenu(view, &TfrmKolvar::ViewOptionsClick);

    BuildImageMenu();

    QMenu* windows = AddMenu(menu_, nullptr, "moWindows", QStringLiteral("&Windows"));
    AddItem(windows, "moCascade", QStringLiteral("Ca&scade"), nullptr, 5);
    AddItem(windows, "moTile", QStringLiteral("&Tile"), nullptr, 6);
    AddItem(windows, "moCloseAll", QStringLiteral("&Close All"), nullptr, 7);
    ConnectMenu(windows, &TfrmKolvar::WindowsOptionsClick);
    windowsMenu_ = windows;

    QMenu* help = AddMenu(menu_, nullptr, "moHelp", QStringLiteral("&Help"));
    AddItem(help, "moContents", QStringLiteral("&Contents"), "F1", 1);
    AddItem(help, "moSearchOnHelp", QStringLiteral("&Search on Help"), "F2", 2);
    help->addSeparator();
    QAction* about = AddItem(help, "moAbout", QStringLiteral("&About"), "F10", 0);
    ConnectMenu(help, &TfrmKolvar::HelpOptionsClick);
    disconnect(about, &QAction::triggered, this, nullptr);
    connect(about, &QAction::triggered, this,
            [this] { Guarded(this, [this] { moAboutClick(); }); });
}

void TfrmKolvar::ConnectMenu(QMenu* menu, void (TfrmKolvar::*handler)(int)) {
    for (QAction* a : menu->findChildren<QAction*>()) {
        if (a->objectName().isEmpty() || a->menu()) continue;
        connect(a, &QAction::triggered, this,
                [this, a, handler] { Guarded(this, [&] { (this->*handler)(tagOf(a)); }); });
    }
}

QFrame* TfrmKolvar::BuildMainToolBar() {
    auto* panel = new QFrame(Client());
    panel->setObjectName(QStringLiteral("pnlMainToolBar"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFixedHeight(29);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(1);
    for (const TButtonDef& def : kMainToolBar) {
        QToolButton* b = makeToolButton(panel, def);
        connect(b, &QToolButton::clicked, this,
                [this, tag = def.tag] { Guarded(this, [&] { MainToolBarClick(tag); }); });
        row->addWidget(b);
        if (def.tag == 3 || def.tag == 5) row->addSpacing(6);
    }
    row->addStretch(1);
    return panel;
}

QFrame* TfrmKolvar::BuildToolBar() {
    auto* panel = new QFrame(Client());
    panel->setObjectName(QStringLiteral("pnlToolBar"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFixedWidth(57);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);
    auto* grid = new QGridLayout;
    grid->setSpacing(1);
    toolGroup_ = new QButtonGroup(panel);
    toolGroup_->setExclusive(true);
    int index = 0;
    for (const TButtonDef& def : kToolBar) {
        QToolButton* b = makeToolButton(panel, def);
        b->setCheckable(true);
        toolGroup_->addButton(b);
        connect(b, &QToolButton::clicked, this, [this, b] {
            ToolState().PasteWithoutColor =
                ToolButton(QStringLiteral("sbDrawWithoutColor"))->isChecked();
            if (tagOf(b) >= 0) Guarded(this, [&] { ToolBarClick(tagOf(b)); });
        });
        grid->addWidget(b, index / 2, index % 2);
        ++index;
    }
    ToolButton(QStringLiteral("sbPasteOpaque"))->setChecked(true);
    column->addLayout(grid);
    column->addWidget(BuildSample(panel));
    column->addStretch(1);
    return panel;
}

QFrame* TfrmKolvar::BuildSample(QWidget* parent) {
    auto* sample = new QFrame(parent);
    sample->setObjectName(QStringLiteral("pnlSample"));
    auto* column = new QVBoxLayout(sample);
    column->setContentsMargins(0, 2, 0, 0);
    column->setSpacing(2);

    pbSample_ = new QLabel(sample);
    pbSample_->setObjectName(QStringLiteral("pbSample"));
    pbSample_->setFixedSize(37, 47);
    pbSample_->setAutoFillBackground(true);
    QPalette white = pbSample_->palette();
    white.setColor(QPalette::Window, Qt::white);
    pbSample_->setPalette(white);
    pbSample_->installEventFilter(this);
    column->addWidget(pbSample_, 0, Qt::AlignHCenter);

    auto* swatches = new QHBoxLayout;
    swatches->setSpacing(2);
    for (const char* name : {"shBrushColor", "shPenColor"}) {
        auto* swatch = new QFrame(sample);
        swatch->setObjectName(QString::fromLatin1(name));
        swatch->setFrameShape(QFrame::Box);
        swatch->setFixedSize(18, 12);
        swatch->setAutoFillBackground(true);
        swatches->addWidget(swatch);
        (name[2] == 'B' ? shBrushColor_ : shPenColor_) = swatch;
    }
    column->addLayout(swatches);

    auto* sbRotate = new QToolButton(sample);
    sbRotate->setObjectName(QStringLiteral("sbRotate"));
    sbRotate->setText(QStringLiteral("Rotate"));
    sbRotate->setToolTip(QStringLiteral("Rotate"));
    sbRotate->setFixedWidth(51);
    connect(sbRotate, &QToolButton::clicked, this,
            [this] { Guarded(this, [this] { sbRotateClick(); }); });
    column->addWidget(sbRotate);

    edRotateAngle_ = new QLineEdit(QStringLiteral("0.0"), sample);
    edRotateAngle_->setObjectName(QStringLiteral("edRotateAngle"));
    edRotateAngle_->setToolTip(QStringLiteral("Angle in degrees"));
    edRotateAngle_->setFixedWidth(51);
    connect(edRotateAngle_, &QLineEdit::returnPressed, this,
            [this] { Guarded(this, [this] { sbRotateClick(); }); });
    column->addWidget(edRotateAngle_);
    return sample;
}

void TfrmKolvar::BuildStatusBar() {
    statusBar_ = new QStatusBar(Client());
    statusBar_->setObjectName(QStringLiteral("StatusBar"));
    statusBar_->setSizeGripEnabled(true);
    // The picture size, panel 1, then the pointer's pixel, the selection's size and the zoom.
    for (int width : {62, 50, 80, 80, 50}) {
        auto* panel = new QLabel(statusBar_);
        panel->setFrameShape(QFrame::StyledPanel);
        // The panels keep their widths but grow to show a large size in full.
        panel->setMinimumWidth(width);
        statusBar_->addWidget(panel);
        statusPanels_ << panel;
    }
}

} // namespace kolvar
