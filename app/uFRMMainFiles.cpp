// The main window's ways to files: the Open command with several files at once, File > Open
// Recent, and files dropped from a file manager.

#include "app/uFRMMain.h"
#include "document/uOpenFiles.h"
#include "shell/UserDialogsWidget.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace kolvar {

namespace {

// The local files a drag carries, in its order.
QStringList droppedFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            files << QFileInfo(url.toLocalFile()).absoluteFilePath();
    return files;
}

// "&1 /path/name.png": the number is the item's mnemonic; an ampersand of the path is text.
QString recentCaption(int index, const QString& path) {
    QString shown = QDir::toNativeSeparators(path);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const QString number =
        index < 9 ? QStringLiteral("&") + QString::number(index + 1) : QStringLiteral("1&0");
    return number + QLatin1Char(' ') + shown;
}

} // namespace

void TfrmKolvar::OpenFilesClick() {
    TFileDialogRequest request;
    request.Caption = QStringLiteral("Open");
    request.Directory = recent_.LastFolder(ProgramDirectory());
    request.Filter = OpenPictureFilter();
    request.DefaultSuffix = QStringLiteral("bmp");
    for (const QString& name : UserDialogs().OpenFileNames(this, request))
        OpenDocumentInBackground(name);
}

void TfrmKolvar::BuildRecentMenu(QMenu* file) {
    recentMenu_ = new QMenu(QStringLiteral("Open &Recent"), file);
    recentMenu_->setObjectName(QStringLiteral("moOpenRecent"));
    file->insertMenu(MenuItem(QStringLiteral("moSave")), recentMenu_);
    RefreshRecentMenu();
}

void TfrmKolvar::RefreshRecentMenu() {
    if (!recentMenu_) return;
    // The Clear List item keeps its (translated) caption across rebuilds.
    QAction* clear = recentMenu_->findChild<QAction*>(QStringLiteral("moClearRecent"));
    if (!clear) {
        clear = new QAction(QStringLiteral("Clear List"), recentMenu_);
        clear->setObjectName(QStringLiteral("moClearRecent"));
        connect(clear, &QAction::triggered, this, [this] { ClearRecentFiles(); });
    }
    for (QAction* a : recentMenu_->actions()) {
        recentMenu_->removeAction(a);
        if (a != clear) a->deleteLater();
    }
    const QStringList& files = recent_.Files();
    for (int i = 0; i < files.size(); ++i) {
        QAction* a = recentMenu_->addAction(recentCaption(i, files[i]));
        a->setToolTip(files[i]);
        connect(a, &QAction::triggered, this, [this, path = files[i]] { OpenRecentFile(path); });
    }
    recentMenu_->addSeparator();
    recentMenu_->addAction(clear);
    recentMenu_->menuAction()->setEnabled(!files.isEmpty());
}

void TfrmKolvar::RememberFile(const QString& path) {
    recent_.Add(path);
    recent_.Write(SettingsFilePath());
    RefreshRecentMenu();
}

void TfrmKolvar::NoteOpening(const QString& path, bool opened) {
    if (opened) {
        RememberFile(path);
    } else if (!QFileInfo::exists(path) &&
               recent_.Files().contains(QFileInfo(path).absoluteFilePath())) {
        // A file that went away leaves the list; one that exists but failed to read stays.
        recent_.Remove(path);
        recent_.Write(SettingsFilePath());
        RefreshRecentMenu();
    }
}

void TfrmKolvar::OpenRecentFile(const QString& path) {
    OpenDocumentInBackground(path);
}

void TfrmKolvar::ClearRecentFiles() {
    recent_.Clear();
    recent_.Write(SettingsFilePath());
    RefreshRecentMenu();
}

void TfrmKolvar::DocumentSaved(const QString& path) {
    RememberFile(path);
}

bool TfrmKolvar::OpenDroppedFiles(const QMimeData* data) {
    const QStringList files = droppedFiles(data);
    for (const QString& file : files) OpenDocumentInBackground(file);
    return !files.isEmpty();
}

void TfrmKolvar::dragEnterEvent(QDragEnterEvent* e) {
    if (droppedFiles(e->mimeData()).isEmpty()) return TfrmKolvarWnd::dragEnterEvent(e);
    e->acceptProposedAction();
}

void TfrmKolvar::dragMoveEvent(QDragMoveEvent* e) {
    if (droppedFiles(e->mimeData()).isEmpty()) return TfrmKolvarWnd::dragMoveEvent(e);
    e->acceptProposedAction();
}

void TfrmKolvar::dropEvent(QDropEvent* e) {
    if (OpenDroppedFiles(e->mimeData()))
        e->acceptProposedAction();
    else
        TfrmKolvarWnd::dropEvent(e);
}

} // namespace kolvar
