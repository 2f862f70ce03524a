#include "shell/UserDialogsWidget.h"
#include "shell/uLanguagesSuport.h"

#include "shell/uFRMKolvarWnd.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace kolvar {

namespace {

TUserDialogs* installed = nullptr;

QMessageBox::Icon boxIcon(TMessageIcon icon) {
    switch (icon) {
    case TMessageIcon::Information:
        return QMessageBox::Information;
    case TMessageIcon::Warning:
        return QMessageBox::Warning;
    case TMessageIcon::Error:
        return QMessageBox::Critical;
    case TMessageIcon::Question:
        return QMessageBox::Question;
    case TMessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QFileDialog* makeFileDialog(QWidget* parent, const TFileDialogRequest& r) {
    auto* d =
        new QFileDialog(parent, LanguageMessage(r.Caption), r.Directory, LanguageFilter(r.Filter));
    if (!r.FileName.isEmpty()) d->selectFile(r.FileName);
    if (!r.DefaultSuffix.isEmpty()) d->setDefaultSuffix(r.DefaultSuffix);
    return d;
}

QString runFileDialog(QFileDialog* d) {
    const bool ok = d->exec() == QDialog::Accepted && !d->selectedFiles().isEmpty();
    const QString name = ok ? d->selectedFiles().first() : QString();
    delete d;
    return name;
}

} // namespace

void TQtUserDialogs::Message(QWidget* Parent, const QString& Caption, const QString& Text,
                             TMessageIcon Icon) {
    QMessageBox box(boxIcon(Icon), Caption, Text, QMessageBox::Ok, Parent);
    box.exec();
}

bool TQtUserDialogs::Ask(QWidget* Parent, const QString& Caption, const QString& Text) {
    QMessageBox box(QMessageBox::Question, Caption, Text, QMessageBox::Yes | QMessageBox::No,
                    Parent);
    return box.exec() == QMessageBox::Yes;
}

bool TQtUserDialogs::AskNoDefault(QWidget* Parent, const QString& Caption, const QString& Text) {
    QMessageBox box(QMessageBox::Question, Caption, Text, QMessageBox::Yes | QMessageBox::No,
                    Parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString TQtUserDialogs::OpenFileName(QWidget* Parent, const TFileDialogRequest& Request) {
    QFileDialog* d = makeFileDialog(Parent, Request);
    d->setAcceptMode(QFileDialog::AcceptOpen);
    d->setFileMode(QFileDialog::ExistingFile);
    return runFileDialog(d);
}

QStringList TUserDialogs::OpenFileNames(QWidget* Parent, const TFileDialogRequest& Request) {
    const QString name = OpenFileName(Parent, Request);
    return name.isEmpty() ? QStringList() : QStringList{name};
}

QStringList TQtUserDialogs::OpenFileNames(QWidget* Parent, const TFileDialogRequest& Request) {
    QFileDialog* d = makeFileDialog(Parent, Request);
    d->setAcceptMode(QFileDialog::AcceptOpen);
    d->setFileMode(QFileDialog::ExistingFiles);
    const QStringList names = d->exec() == QDialog::Accepted ? d->selectedFiles() : QStringList();
    delete d;
    return names;
}

QString TQtUserDialogs::SaveFileName(QWidget* Parent, const TFileDialogRequest& Request) {
    QFileDialog* d = makeFileDialog(Parent, Request);
    d->setAcceptMode(QFileDialog::AcceptSave);
    d->setFileMode(QFileDialog::AnyFile);
    return runFileDialog(d);
}

bool TQtUserDialogs::PickColor(QWidget* Parent, TColor Initial, TColor& Chosen) {
    const QColor start(Initial & 0xFF, (Initial >> 8) & 0xFF, (Initial >> 16) & 0xFF);
    const QColor c = QColorDialog::getColor(start, Parent);
    if (!c.isValid()) return false;
    Chosen = TColor(c.red()) | TColor(c.green()) << 8 | TColor(c.blue()) << 16;
    return true;
}

bool TQtUserDialogs::SetupPrinter(QWidget* Parent, QPrinter& Printer) {
    QPrintDialog d(&Printer, Parent);
    return d.exec() == QDialog::Accepted;
}

int TQtUserDialogs::Run(TfrmKolvarWnd& Dialog) {
    return Dialog.ShowModal();
}

TUserDialogs& UserDialogs() {
    static TQtUserDialogs qt;
    return installed ? *installed : qt;
}

void SetUserDialogs(TUserDialogs* Dialogs) {
    installed = Dialogs;
}

} // namespace kolvar
