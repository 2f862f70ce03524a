// The main window's documents: creating them, the Windows-menu list that follows their
// captions, carrying the current tool into each, and closing them all.

#include "app/uFRMMain.h"

#include "document/PictureReadJob.h"
#include "formats/PictureHeader.h"
#include "shell/UserDialogsWidget.h"
#include "shell/uLanguagesSuport.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QTimer>

namespace kolvar {

namespace {

const char* const kDocumentProperty = "document";

TfrmDesigner* documentOf(const QAction* item) {
    return qobject_cast<TfrmDesigner*>(item->property(kDocumentProperty).value<QObject*>());
}

} // namespace

QList<TfrmDesigner*> TfrmKolvar::Documents() const {
    QList<TfrmDesigner*> out;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder))
        if (auto* doc = qobject_cast<TfrmDesigner*>(sub->widget()); doc && !doc->Released())
            out << doc;
    return out;
}

TfrmDesigner* TfrmKolvar::ActiveDocument() const {
    QMdiSubWindow* sub = mdiArea_->activeSubWindow();
    auto* doc = sub ? qobject_cast<TfrmDesigner*>(sub->widget()) : nullptr;
    return doc && !doc->Released() ? doc : nullptr;
}

int32_t TfrmKolvar::DocumentCount() const {
    return int32_t(Documents().size());
}

int64_t TfrmKolvar::OpenDocumentBytes() const {
    int64_t bytes = 0;
    for (TfrmDesigner* doc : Documents())
        bytes += DocumentBytes(QSize(doc->Image().Width(), doc->Image().Height()));
    return bytes;
}

TfrmDesigner* TfrmKolvar::AddDocumentWindow() {
    auto* doc = new TfrmDesigner(this);
    doc->EnsureCreated();
    QMdiSubWindow* sub = mdiArea_->addSubWindow(doc);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(windowIcon());
    KeepCaptionVisible(sub);
    sub->show();
    PlaceNewWindow(sub);
    WatchDocument(doc);
    return doc;
}

void TfrmKolvar::DiscardDocumentWindow(TfrmDesigner* document) {
    QWidget* sub = document->parentWidget();
    mdiArea_->removeSubWindow(sub);
    delete sub;
}

TfrmDesigner* TfrmKolvar::NewDocument() {
    TfrmDesigner* doc = AddDocumentWindow();
    try {
        doc->NewImage(toolState_.FileHeight, toolState_.FileWidth, toolState_.PageColor);
    } catch (...) {
        // A picture that does not fit in memory leaves no half-made window behind.
        DiscardDocumentWindow(doc);
        throw;
    }
    AddFileCaptionOnMenu(doc);
    ActivateDocument(doc);
    UpdateDocumentCommands();
    return doc;
}

TfrmDesigner* TfrmKolvar::OpenDocument(const QString& path) {
    if (!ConfirmOpeningPicture(this, path, OpenDocumentBytes())) return nullptr;
    TfrmDesigner* doc = AddDocumentWindow();
    bool opened = false;
    try {
        opened = doc->OpenImageFile(path);
    } catch (...) {
        DiscardDocumentWindow(doc);
        throw;
    }
    if (!opened) {
        DiscardDocumentWindow(doc);
        NoteOpening(path, false);
        return nullptr;
    }
    NoteOpening(path, true);
    AddFileCaptionOnMenu(doc);
    ActivateDocument(doc);
    UpdateDocumentCommands();
    return doc;
}

void TfrmKolvar::PlaceNewWindow(QMdiSubWindow* sub) {
    QMdiSubWindow* last = nullptr;
    for (QMdiSubWindow* other : mdiArea_->subWindowList(QMdiArea::CreationOrder))
        if (other != sub && other->isVisible() && !other->isMinimized()) last = other;
    if (!last || last->isMaximized()) {
        sub->move(0, 0);
        return;
    }
    // One caption's height down and right of the last window; back to the corner once that
    // would leave the new window less than two thirds of the frame.
    const int step = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub);
    QPoint at = last->pos() + QPoint(step, step);
    const QSize area = mdiArea_->viewport()->size();
    if (at.x() > area.width() / 3 || at.y() > area.height() / 3) at = QPoint(0, 0);
    sub->move(at);
}

void TfrmKolvar::CascadeDocuments() {
    // The active window goes last, so that it ends on top of the pile.
    QList<QMdiSubWindow*> pile;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList(QMdiArea::CreationOrder))
        if (sub->isVisible() && sub != mdiArea_->activeSubWindow()) pile << sub;
    if (QMdiSubWindow* active = mdiArea_->activeSubWindow(); active && active->isVisible())
        pile << active;
    const QSize area = mdiArea_->viewport()->size();
    QPoint at(0, 0);
    for (QMdiSubWindow* sub : pile) {
        if (sub->isMaximized() || sub->isMinimized()) sub->showNormal();
        sub->move(at);
        // Each window takes its picture's size again, as far as the frame has room.
        if (auto* doc = qobject_cast<TfrmDesigner*>(sub->widget())) doc->FitWindowToImage();
        sub->raise();
        const int step = sub->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, sub);
        at += QPoint(step, step);
        if (at.x() > area.width() / 3 || at.y() > area.height() / 3) at = QPoint(0, 0);
    }
    if (!pile.isEmpty()) mdiArea_->setActiveSubWindow(pile.last());
}

void TfrmKolvar::KeepCaptionVisible(QMdiSubWindow* sub) {
    // The caption's room is what the style's title bar leaves between icon and buttons, inside
    // the window's frame, as the sub-window computes it before it cuts the text short.
    auto fit = [sub](const QString& caption) {
        QStyle* style = sub->style();
        const int border = style->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, sub);
        QStyleOptionTitleBar option;
        option.initFrom(sub);
        option.text = caption;
        option.titleBarFlags = sub->windowFlags();
        option.subControls = QStyle::SC_All;
        option.state |= QStyle::State_Active;
        const int probe = 600;
        option.rect = QRect(border, border, probe - 2 * border,
                            style->pixelMetric(QStyle::PM_TitleBarHeight, &option, sub));
        const int room =
            style->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarLabel, sub)
                .width();
        // The title font, bold as an active window's may be: the wider of the two.
        QFont font = QApplication::font("QMdiSubWindowTitleBar");
        font.setBold(true);
        const int text = QFontMetrics(font).horizontalAdvance(caption) + 8;
        // A very long file name is cut short rather than making a huge window.
        sub->setMinimumWidth(std::min(probe - room + text, 480));
    };
    fit(sub->widget()->windowTitle());
    connect(sub->widget(), &QWidget::windowTitleChanged, sub, fit);
}

void TfrmKolvar::OpenDocumentInBackground(const QString& path) {
    if (!ConfirmOpeningPicture(this, path, OpenDocumentBytes())) return;
    reading_.push_back(std::make_unique<TPictureReadJob>(path));
    if (!readTimer_) {
        readTimer_ = new QTimer(this);
        readTimer_->setInterval(50);
        connect(readTimer_, &QTimer::timeout, this, [this] { PollReads(); });
    }
    readTimer_->start();
    PollReads();
}

void TfrmKolvar::PollReads() {
    // A failed read asks through a modal box, whose event loop runs this timer again.
    if (polling_) return;
    polling_ = true;
    while (!reading_.empty() && reading_.front()->Finished()) {
        const std::unique_ptr<TPictureReadJob> job = std::move(reading_.front());
        reading_.erase(reading_.begin());
        FinishOpening(*job);
    }
    polling_ = false;
    if (reading_.empty()) {
        readTimer_->stop();
        statusBar_->clearMessage();
        return;
    }
    QString opening = LanguageSuport().GetVariable(QStringLiteral("frmKolvar_Opening"));
    if (opening.isEmpty()) opening = QStringLiteral("Opening");
    const TPictureReadJob& next = *reading_.front();
    statusBar_->showMessage(QStringLiteral("%1 %2: %3%")
                                .arg(opening, QFileInfo(next.Path()).fileName())
                                .arg(next.Percent()));
}

TfrmDesigner* TfrmKolvar::FinishOpening(TPictureReadJob& job) {
    TfrmDesigner* doc = AddDocumentWindow();
    if (!job.ReadError().isEmpty())
        UserDialogs().Message(doc, QString(), job.ReadError(), TMessageIcon::None);
    if (!job.Loaded() || !doc->TakePicture(job.Path(), job.TakePicture())) {
        doc->ShowOpenError(job.Path());
        DiscardDocumentWindow(doc);
        NoteOpening(job.Path(), false);
        return nullptr;
    }
    NoteOpening(job.Path(), true);
    AddFileCaptionOnMenu(doc);
    ActivateDocument(doc);
    return doc;
}

void TfrmKolvar::ActivateDocument(TfrmDesigner* document) {
    if (!document || document->Released()) return;
    if (auto* sub = qobject_cast<QMdiSubWindow*>(document->parentWidget());
        sub && mdiArea_->activeSubWindow() != sub)
        mdiArea_->setActiveSubWindow(sub);
    document->FormActivate();
}

bool TfrmKolvar::CloseAllDocuments() {
    // A document the user chose to keep (a cancelled question or save) stops the round: the
    // user is still deciding, and the windows before it are not asked meanwhile.
    const QList<TfrmDesigner*> docs = Documents();
    for (auto it = docs.rbegin(); it != docs.rend(); ++it)
        if (!(*it)->parentWidget()->close()) return false;
    return true;
}

void TfrmKolvar::CurrentChildsAction(int32_t index) {
    for (TfrmDesigner* doc : Documents()) doc->Designer().Actions().SetActiveAction(index);
}

void TfrmKolvar::CurrentChildsShapeDef(const TShapeDef& def) {
    for (TfrmDesigner* doc : Documents())
        if (TActionItem* item = doc->Designer().Actions().Items(toolState_.CurrentAction))
            item->ShapeDef().Assign(&def);
}

void TfrmKolvar::CurrentChildsShapeDefFromStrings(const QStringList& lines) {
    for (TfrmDesigner* doc : Documents())
        if (TActionItem* item = doc->Designer().Actions().Items(toolState_.CurrentAction))
            item->ShapeDef().LoadFromStrings(lines);
}

void TfrmKolvar::AddFileCaptionOnMenu(TfrmDesigner* document) {
    if (DocumentCount() == 1) windowsMenu_->addSeparator();
    QAction* item = windowsMenu_->addAction(document->windowTitle());
    item->setProperty(kDocumentProperty, QVariant::fromValue<QObject*>(document));
    connect(item, &QAction::triggered, this, [this, item] { FileNameClick(item); });
    // The entry follows the document's caption (a save under a new name renames it).
    connect(document, &QWidget::windowTitleChanged, item,
            [item](const QString& caption) { item->setText(caption); });
}

void TfrmKolvar::DeleteFileCaption(const QString& caption) {
    for (QAction* item : windowsMenu_->actions()) {
        if (item->isSeparator() || item->text() != caption) continue;
        // Another open document may carry the same caption; only the closing one goes.
        TfrmDesigner* doc = documentOf(item);
        if (doc && !doc->Released()) continue;
        windowsMenu_->removeAction(item);
        item->deleteLater();
    }
    // The last document gone: its panels and commands go with it.
    if (Documents().isEmpty()) UpdateDocumentCommands();
}

void TfrmKolvar::FileNameClick(QAction* item) {
    ActivateDocument(documentOf(item));
}

void TfrmKolvar::SetUndoEnabled(bool enabled) {
    MenuItem(QStringLiteral("moUndo"))->setEnabled(enabled);
}

void TfrmKolvar::SetSaveEnabled(bool enabled) {
    MenuItem(QStringLiteral("moSave"))->setEnabled(enabled);
}

void TfrmKolvar::ShowProgress(int percent) {
    // The same words the filter dialogs show in their caption while they work.
    if (percent >= 0)
        statusBar_->showMessage(QStringLiteral("Progress - %1 %").arg(percent));
    else
        statusBar_->clearMessage();
}

void TfrmKolvar::ShowImageSize(const QString& text) {
    if (QLabel* panel = StatusPanel(0)) panel->setText(text);
}

} // namespace kolvar
