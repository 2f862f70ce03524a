#include "shell/uFRMHelp.h"
#include "shell/uLanguagesSuport.h"

#include <QCoreApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

// The pages live in a static library, whose resource initialiser nothing else references.
static void InitHelpResources() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    Q_INIT_RESOURCE(help);
}

namespace kolvar {

namespace {

const QString kHelpRoot = QStringLiteral("qrc:/help/");

struct TPageText {
    QString Title;
    std::vector<QString> Words; // sorted, unique, lower case
};

QString readPage(const QString& page) {
    InitHelpResources();
    QFile f(QStringLiteral(":/help/") + page);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

// The words of a text in lower case. The pages write "colour" where the windows say "Color";
// both spellings find both.
QStringList wordsOf(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[^\\w]+"));
    QStringList words = text.toLower().split(separators, Qt::SkipEmptyParts);
    for (QString& w : words) w.replace(QLatin1String("colour"), QLatin1String("color"));
    return words;
}

TPageText indexPage(const QString& page) {
    QTextDocument doc;
    doc.setHtml(readPage(page));
    TPageText text;
    text.Title = doc.metaInformation(QTextDocument::DocumentTitle);
    for (const QString& w : wordsOf(text.Title + QLatin1Char(' ') + doc.toPlainText()))
        text.Words.push_back(w);
    std::sort(text.Words.begin(), text.Words.end());
    text.Words.erase(std::unique(text.Words.begin(), text.Words.end()), text.Words.end());
    return text;
}

// The pages are part of the program and never change while it runs: read each once.
const TPageText& pageText(const QString& page) {
    static QHash<QString, TPageText> cache;
    auto it = cache.find(page);
    if (it == cache.end()) it = cache.insert(page, indexPage(page));
    return *it;
}

bool hasWordStartingWith(const std::vector<QString>& words, const QString& prefix) {
    auto it = std::lower_bound(words.begin(), words.end(), prefix);
    return it != words.end() && it->startsWith(prefix);
}

QString pageOf(const QUrl& url) {
    return url.path().section(QLatin1Char('/'), -1);
}

QToolButton* toolButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setAutoRaise(true);
    return b;
}

QPointer<TfrmHelp>& viewer() {
    static QPointer<TfrmHelp> instance;
    return instance;
}

// A window still alive when the program ends goes before the application does.
void deleteViewer() {
    delete viewer().data();
}

} // namespace

const std::vector<THelpTopic>& HelpTopics() {
    static const std::vector<THelpTopic> topics = {
        {hc::Contents, "index.html", "Getting started"},
        {hc::MainWindow, "mainwindow.html", "Getting started"},
        {hc::Document, "document.html", "Getting started"},
        {hc::Keyboard, "keyboard.html", "Getting started"},
        {hc::About, "about.html", "Getting started"},
        {hc::ToolDraw, "tool-draw.html", "Tool bar"},
        {hc::ToolSelect, "tool-select.html", "Tool bar"},
        {hc::ToolErase, "tool-erase.html", "Tool bar"},
        {hc::ToolSpray, "tool-spray.html", "Tool bar"},
        {hc::ToolGetColor, "tool-getcolor.html", "Tool bar"},
        {hc::ToolZoom, "tool-zoom.html", "Tool bar"},
        {hc::ToolFloodFill, "tool-floodfill.html", "Tool bar"},
        {hc::ToolBoundaryFill, "tool-boundaryfill.html", "Tool bar"},
        {hc::ToolText, "tool-text.html", "Tool bar"},
        {hc::ToolTextRect, "tool-textrect.html", "Tool bar"},
        {hc::ToolWarp, "tool-warp.html", "Tool bar"},
        {hc::ToolPaste, "tool-paste.html", "Tool bar"},
        {hc::ToolRotate, "tool-rotate.html", "Tool bar"},
        {hc::Shapes, "shapes.html", "Shapes palette"},
        {hc::DrawPoint, "draw-point.html", "Shapes palette"},
        {hc::DrawPen, "draw-pen.html", "Shapes palette"},
        {hc::DrawLine, "draw-line.html", "Shapes palette"},
        {hc::DrawPolyline, "draw-polyline.html", "Shapes palette"},
        {hc::DrawPolygon, "draw-polygon.html", "Shapes palette"},
        {hc::DrawPolylineCurve, "draw-polylinecurve.html", "Shapes palette"},
        {hc::DrawPolygonCurve, "draw-polygoncurve.html", "Shapes palette"},
        {hc::ShapesLibrary, "shapes-library.html", "Shapes palette"},
        {hc::SpecialPolygons, "shapes-polygons.html", "Shapes palette"},
        {hc::PolyText, "shapes-polytext.html", "Shapes palette"},
        {hc::Settings, "settings.html", "Settings palette"},
        {hc::Gradients, "gradients.html", "Settings palette"},
        {hc::Textures, "textures.html", "Settings palette"},
        {hc::FileNew, "filenew.html", "Dialogs"},
        {hc::Export, "export.html", "Dialogs"},
        {hc::ResizeImage, "resize-image.html", "Dialogs"},
        {hc::CanvasSize, "canvas-size.html", "Dialogs"},
        {hc::Print, "print.html", "Dialogs"},
        {hc::Preferences, "preferences.html", "Dialogs"},
        {hc::Text, "text.html", "Dialogs"},
        {hc::FilterMenu, "filters.html", "Filters"},
        {20015, "filter-hsl.html", "Filters"},
        {20016, "filter-hsv.html", "Filters"},
        {20017, "filter-lab.html", "Filters"},
        {20018, "filter-rgb.html", "Filters"},
        {20036, "filter-contrast.html", "Filters"},
        {20019, "filter-lightness.html", "Filters"},
        {20020, "filter-solarize.html", "Filters"},
        {20021, "filter-posterize.html", "Filters"},
        {hc::FilterGrayscale, "filter-grayscale.html", "Filters"},
        {hc::FilterNegative, "filter-negative.html", "Filters"},
        {20022, "filter-noise.html", "Filters"},
        {20023, "filter-ripple.html", "Filters"},
        {20037, "filter-waves.html", "Filters"},
        {20024, "filter-emboss.html", "Filters"},
        {20025, "filter-plasma.html", "Filters"},
        {20026, "filter-splitblur.html", "Filters"},
        {20027, "filter-motionblur.html", "Filters"},
        {20028, "filter-lens.html", "Filters"},
        {20029, "filter-fisheye.html", "Filters"},
        {20030, "filter-whirlpinch.html", "Filters"},
        {20031, "filter-convolution.html", "Filters"},
        {20032, "filter-mirror.html", "Filters"},
        {20033, "filter-marble.html", "Filters"},
        {20034, "filter-sobel.html", "Filters"},
        {20035, "filter-blur.html", "Filters"},
        {20038, "filter-rank.html", "Filters"},
        {hc::Histogram, "filter-histogram.html", "Filters"},
        {hc::FilterEqualize, "filter-equalize.html", "Filters"},
    };
    return topics;
}

QString HelpPageOfContext(int Context) {
    for (const THelpTopic& t : HelpTopics())
        if (t.Context == Context) return QString::fromLatin1(t.Page);
    return {};
}

int HelpContextOfAction(int Action) {
    // Indexed by the designer's action table.
    static constexpr int byAction[] = {
        hc::DrawPoint,        hc::DrawLine,      hc::DrawPolyline,     hc::DrawPolygon,
        hc::ToolGetColor,     hc::ToolGetColor,  hc::ShapesLibrary,    hc::DrawPen,
        hc::ToolSpray,        hc::ToolFloodFill, hc::ToolZoom,         hc::ToolErase,
        hc::ToolSelect,       hc::ToolSelect,    hc::DrawPolygonCurve, hc::DrawPolylineCurve,
        hc::ToolBoundaryFill, hc::ToolText,      hc::ToolPaste,        hc::ToolSelect,
        hc::ToolWarp,         hc::ToolTextRect,
    };
    if (Action < 0 || Action >= int(std::size(byAction))) return hc::Document;
    return byAction[Action];
}

QString HelpPageTitle(const QString& Page) {
    return pageText(Page).Title;
}

QStringList SearchHelp(const QString& Words) {
    const QStringList words = wordsOf(Words);
    if (words.isEmpty()) return {};
    QStringList inTitle, inText;
    for (const THelpTopic& t : HelpTopics()) {
        const QString page = QString::fromLatin1(t.Page);
        const TPageText& text = pageText(page);
        const bool all = std::all_of(words.begin(), words.end(), [&](const QString& w) {
            return hasWordStartingWith(text.Words, w);
        });
        if (!all) continue;
        const QString title = wordsOf(text.Title).join(QLatin1Char(' '));
        const bool titled = std::any_of(words.begin(), words.end(),
                                        [&](const QString& w) { return title.contains(w); });
        (titled ? inTitle : inText) << page;
    }
    return inTitle + inText;
}

void TfrmHelp::ShowFoundCount() {
    if (!searched_) return;
    const qsizetype n = lstResults_->count();
    lblFound_->setText(n == 1 ? LanguageMessage(QStringLiteral("1 page found"))
                              : LanguageMessage(QStringLiteral("%1 pages found")).arg(n));
}

void TfrmHelp::Translated() {
    edSearch_->setPlaceholderText(LanguageMessage(QStringLiteral("Words to find")));
    ShowFoundCount();
}

TfrmHelp::TfrmHelp(QWidget* parent) : TfrmKolvarWnd(parent, Qt::Window) {
    InitHelpResources();
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Kolvar Help"));
    // The contents page tells how to use the help.
    SetHelpContext(hc::Contents);
    SetRollUp(false);
    SetGripLines(false);

    sbBack_ = toolButton(Client(), "sbBack", QStringLiteral("< Back"));
    sbForward_ = toolButton(Client(), "sbForward", QStringLiteral("Forward >"));
    sbContents_ = toolButton(Client(), "sbContents", QStringLiteral("Contents"));
    auto* bar = new QHBoxLayout;
    bar->addWidget(sbContents_);
    bar->addWidget(sbBack_);
    bar->addWidget(sbForward_);
    bar->addStretch(1);

    pgNavigation_ = new QTabWidget(Client());
    pgNavigation_->setObjectName(QStringLiteral("pgNavigation"));
    tvContents_ = new QTreeWidget;
    tvContents_->setObjectName(QStringLiteral("tvContents"));
    tvContents_->setHeaderHidden(true);
    pgNavigation_->addTab(tvContents_, QStringLiteral("Contents"));

    auto* searchPage = new QWidget;
    searchPage->setObjectName(QStringLiteral("tsSearch"));
    edSearch_ = new QLineEdit(searchPage);
    edSearch_->setObjectName(QStringLiteral("edSearch"));
    edSearch_->setPlaceholderText(LanguageMessage(QStringLiteral("Words to find")));
    edSearch_->setClearButtonEnabled(true);
    lblFound_ = new QLabel(searchPage);
    lblFound_->setObjectName(QStringLiteral("lblFound"));
    lstResults_ = new QListWidget(searchPage);
    lstResults_->setObjectName(QStringLiteral("lstResults"));
    auto* searchColumn = new QVBoxLayout(searchPage);
    searchColumn->addWidget(edSearch_);
    searchColumn->addWidget(lblFound_);
    searchColumn->addWidget(lstResults_, 1);
    pgNavigation_->addTab(searchPage, QStringLiteral("Search"));

    tbPage_ = new QTextBrowser;
    tbPage_->setObjectName(QStringLiteral("tbPage"));
    tbPage_->setOpenExternalLinks(true);
    QFile css(QStringLiteral(":/help/help.css"));
    if (css.open(QIODevice::ReadOnly))
        tbPage_->document()->setDefaultStyleSheet(QString::fromUtf8(css.readAll()));

    auto* split = new QSplitter(Client());
    split->addWidget(pgNavigation_);
    split->addWidget(tbPage_);
    split->setStretchFactor(1, 1);
    split->setSizes({220, 560});
    auto* column = new QVBoxLayout(Client());
    column->setContentsMargins(4, 4, 4, 4);
    column->addLayout(bar);
    column->addWidget(split, 1);

    BuildContents();
    sbBack_->setEnabled(false);
    sbForward_->setEnabled(false);
    connect(sbBack_, &QToolButton::clicked, tbPage_, &QTextBrowser::backward);
    connect(sbForward_, &QToolButton::clicked, tbPage_, &QTextBrowser::forward);
    connect(sbContents_, &QToolButton::clicked, this,
            [this] { ShowPage(HelpPageOfContext(hc::Contents)); });
    connect(tbPage_, &QTextBrowser::backwardAvailable, sbBack_, &QToolButton::setEnabled);
    connect(tbPage_, &QTextBrowser::forwardAvailable, sbForward_, &QToolButton::setEnabled);
    connect(tbPage_, &QTextBrowser::sourceChanged, this,
            [this](const QUrl& url) { SelectInContents(pageOf(url)); });
    connect(tvContents_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const QString page = item->data(0, Qt::UserRole).toString();
        if (!page.isEmpty()) ShowPage(page);
    });
    connect(edSearch_, &QLineEdit::returnPressed, this, [this] { Search(edSearch_->text()); });
    connect(lstResults_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { OpenResult(lstResults_->row(item)); });
    connect(lstResults_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { OpenResult(lstResults_->row(item)); });
    resize(800, 560);
}

void TfrmHelp::BuildContents() {
    QHash<QString, QTreeWidgetItem*> groups;
    for (const THelpTopic& t : HelpTopics()) {
        const QString group = QString::fromLatin1(t.Group);
        QTreeWidgetItem*& parent = groups[group];
        if (!parent) {
            parent = new QTreeWidgetItem(tvContents_, {group});
            parent->setExpanded(true);
        }
        const QString page = QString::fromLatin1(t.Page);
        auto* item = new QTreeWidgetItem(parent, {HelpPageTitle(page)});
        item->setData(0, Qt::UserRole, page);
    }
}

void TfrmHelp::SelectInContents(const QString& Page) {
    for (QTreeWidgetItemIterator it(tvContents_); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == Page) {
            tvContents_->setCurrentItem(*it);
            return;
        }
}

void TfrmHelp::ShowPage(const QString& Page) {
    const QUrl url(kHelpRoot + Page);
    if (tbPage_->source() == url)
        tbPage_->reload();
    else
        tbPage_->setSource(url);
}

void TfrmHelp::ShowSearch() {
    pgNavigation_->setCurrentIndex(1);
    edSearch_->setFocus();
    edSearch_->selectAll();
}

QString TfrmHelp::CurrentPage() const {
    return pageOf(tbPage_->source());
}

void TfrmHelp::Search(const QString& Words) {
    pgNavigation_->setCurrentIndex(1);
    if (edSearch_->text() != Words) edSearch_->setText(Words);
    lstResults_->clear();
    const QStringList pages = SearchHelp(Words);
    for (const QString& page : pages) {
        auto* item = new QListWidgetItem(HelpPageTitle(page), lstResults_);
        item->setData(Qt::UserRole, page);
    }
    searched_ = true;
    ShowFoundCount();
}

QStringList TfrmHelp::Results() const {
    QStringList pages;
    for (int i = 0; i < lstResults_->count(); ++i)
        pages << lstResults_->item(i)->data(Qt::UserRole).toString();
    return pages;
}

void TfrmHelp::OpenResult(int Row) {
    QListWidgetItem* item = lstResults_->item(Row);
    if (!item) return;
    ShowPage(item->data(Qt::UserRole).toString());
    // Shows where the first word is on the page.
    const QStringList words = edSearch_->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!words.isEmpty()) tbPage_->find(words.first());
}

void TfrmHelp::SetOwner(QWidget* Owner) {
    if (parentWidget() == Owner) return;
    if (parentWidget()) parentWidget()->removeEventFilter(this);
    setParent(Owner, windowFlags());
    if (Owner) Owner->installEventFilter(this);
}

bool TfrmHelp::eventFilter(QObject* watched, QEvent* e) {
    // The dialog is done: the viewer stays, on its own again.
    if (watched == parentWidget() && e->type() == QEvent::Hide && !isHidden()) {
        SetOwner(nullptr);
        show();
    }
    return TfrmKolvarWnd::eventFilter(watched, e);
}

TfrmHelp* HelpViewer() {
    return viewer().data();
}

namespace {

TfrmHelp& raiseViewer(QWidget* Parent) {
    QPointer<TfrmHelp>& v = viewer();
    if (!v) {
        static bool cleanup = (qAddPostRoutine(deleteViewer), true);
        (void)cleanup;
        v = new TfrmHelp;
    }
    QWidget* host = Parent ? Parent->window() : nullptr;
    v->SetOwner(host && host != v && host->isModal() ? host : nullptr);
    v->show();
    v->raise();
    v->activateWindow();
    return *v;
}

} // namespace

void ShowHelpContents(QWidget* Parent) {
    ShowHelpContext(Parent, hc::Contents);
}

void ShowHelpSearch(QWidget* Parent) {
    TfrmHelp& v = raiseViewer(Parent);
    if (v.CurrentPage().isEmpty()) v.ShowPage(HelpPageOfContext(hc::Contents));
    v.ShowSearch();
}

void ShowHelpContext(QWidget* Parent, int Context) {
    QString page = HelpPageOfContext(Context);
    if (page.isEmpty()) page = HelpPageOfContext(hc::Contents);
    raiseViewer(Parent).ShowPage(page);
}

namespace {
// Linked in wherever help can be shown: whoever links the viewer gets F1 in every window.
const bool gOpenerInstalled = (SetHelpOpener(&ShowHelpContext), true);
} // namespace

} // namespace kolvar
