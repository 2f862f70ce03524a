#include "shell/UserDialogsWidget.h"
#include "shell/uLanguagesSuport.h"

#include "shell/uFRMKolvarWnd.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>

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

// The extensions a filter entry names: "JPEG File (*.jpg *.jpeg)" gives jpg and jpeg.
QStringList filterSuffixes(const QString& filter) {
    static const QRegularExpression mask(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    QStringList out;
    for (auto it = mask.globalMatch(filter); it.hasNext();) out << it.next().captured(1).toLower();
    return out;
}

// Choosing another type changes the extension of the name typed so far, when that name has
// the extension of one of the listed types (or none).
void followTypeChoice(QFileDialog* d, const QString& filter) {
    auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QStringList target = filterSuffixes(filter);
    if (!edit || target.isEmpty()) return;
    const QString name = edit->text();
    if (name.isEmpty()) return;
    // Only a dot in the file name itself starts an extension, not one in a folder's name.
    int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= name.lastIndexOf(QLatin1Char('/')) + 1) dot = -1;
    const QString suffix = dot > 0 ? name.mid(dot + 1).toLower() : QString();
    if (target.contains(suffix)) return;
    QStringList known;
    for (const QString& f : d->nameFilters()) known << filterSuffixes(f);
    if (!suffix.isEmpty() && !known.contains(suffix)) return;
    edit->setText((dot > 0 ? name.left(dot) : name) + QLatin1Char('.') + target.first());
}

QFileDialog* makeFileDialog(QWidget* parent, const TFileDialogRequest& r) {
    auto* d =
        new QFileDialog(parent, LanguageMessage(r.Caption), r.Directory, LanguageFilter(r.Filter));
    if (!r.SelectedFilter.isEmpty()) d->selectNameFilter(LanguageFilter(r.SelectedFilter));
    if (!r.FileName.isEmpty()) d->selectFile(r.FileName);
    if (!r.DefaultSuffix.isEmpty()) d->setDefaultSuffix(r.DefaultSuffix);
    if (r.ChosenFilter)
        QObject::connect(d, &QFileDialog::filterSelected, d,
                         [d](const QString& filter) { followTypeChoice(d, filter); });
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

TAnswer TQtUserDialogs::AskCancel(QWidget* Parent, const QString& Caption, const QString& Text,
                                  bool CancelButton) {
    QMessageBox box(QMessageBox::Question, Caption, Text, QMessageBox::Yes | QMessageBox::No,
                    Parent);
    // Without a Cancel button the box would take No as its escape button; a hidden one keeps
    // Escape and the window manager's close meaning "not decided".
    QAbstractButton* cancel = box.addButton(QMessageBox::Cancel);
    if (!CancelButton) cancel->hide();
    box.setEscapeButton(cancel);
    box.setDefaultButton(QMessageBox::Yes);
    box.exec();
    if (box.clickedButton() == box.button(QMessageBox::Yes)) return TAnswer::Yes;
    if (box.clickedButton() == box.button(QMessageBox::No)) return TAnswer::No;
    return TAnswer::Cancel;
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
    QString* chosenFilter = Request.ChosenFilter;
    // The list shows the language's names; the caller hears the entry as it gave it.
    const QStringList given = Request.Filter.split(QStringLiteral(";;"));
    if (chosenFilter)
        QObject::connect(d, &QFileDialog::accepted, d, [d, chosenFilter, given] {
            const qsizetype i = d->nameFilters().indexOf(d->selectedNameFilter());
            *chosenFilter = i >= 0 && i < given.size() ? given[i] : d->selectedNameFilter();
        });
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
