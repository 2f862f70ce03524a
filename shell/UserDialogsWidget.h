#pragma once
// The one door through which the program asks the user something: message boxes, the file,
// colour and printer dialogs, and the program's own modal dialogs. Windows call UserDialogs();
// the program answers with Qt's dialogs, and tests install a scripted answerer so that no
// test ever waits on a modal window.

#include "raster/DibTypes.h"

#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace kolvar {

class TfrmKolvarWnd;

enum class TMessageIcon { None, Information, Warning, Error, Question };

// The answer to a question that may be left unanswered: Escape or closing the box is Cancel.
enum class TAnswer { Yes, No, Cancel };

struct TFileDialogRequest {
    QString Caption;
    QString Directory;      // initial directory
    QString FileName;       // initial file name
    QString Filter;         // Qt filter text: "BMP File (*.bmp);;All files (*)"
    QString DefaultSuffix;  // appended by the dialog when the name has none ("" for none)
    QString SelectedFilter; // the entry of Filter shown first ("" for the first)
    // Receives the entry of Filter chosen when the dialog closes, when set. Choosing another
    // entry while the dialog is open also changes the extension of the name being typed.
    QString* ChosenFilter = nullptr;
};

class TUserDialogs {
public:
    virtual ~TUserDialogs() = default;

    // A message with an Ok button.
    virtual void Message(QWidget* Parent, const QString& Caption, const QString& Text,
                         TMessageIcon Icon) = 0;
    // A Yes/No question; true for Yes.
    virtual bool Ask(QWidget* Parent, const QString& Caption, const QString& Text) = 0;
    // The same question with No as the default button, for answers that are costly to undo.
    virtual bool AskNoDefault(QWidget* Parent, const QString& Caption, const QString& Text) {
        return Ask(Parent, Caption, Text);
    }
    // Yes and No, plus a "Cancel" button when CancelButton is set. Escape and closing the box
    // answer Cancel in either case, so a question dismissed by accident decides nothing. Yes
    // is the default button.
    virtual TAnswer AskCancel(QWidget* Parent, const QString& Caption, const QString& Text,
                              bool CancelButton) {
        (void)CancelButton;
        return Ask(Parent, Caption, Text) ? TAnswer::Yes : TAnswer::No;
    }
    // The chosen file, or an empty text when the user cancelled.
    virtual QString OpenFileName(QWidget* Parent, const TFileDialogRequest& Request) = 0;
    // Several existing files chosen at once, or none when the user cancelled. Answerers that
    // only know single choices give the one file OpenFileName chose.
    virtual QStringList OpenFileNames(QWidget* Parent, const TFileDialogRequest& Request);
    virtual QString SaveFileName(QWidget* Parent, const TFileDialogRequest& Request) = 0;
    // Opens the colour dialog on Initial (0x00BBGGRR); true and Chosen set when confirmed.
    virtual bool PickColor(QWidget* Parent, TColor Initial, TColor& Chosen) = 0;
    // The printer set-up dialog; true when confirmed.
    virtual bool SetupPrinter(QWidget* Parent, QPrinter& Printer) = 0;
    // Runs one of the program's own dialogs modally and returns its modal result.
    virtual int Run(TfrmKolvarWnd& Dialog) = 0;
};

// The Qt dialogs.
class TQtUserDialogs : public TUserDialogs {
public:
    void Message(QWidget* Parent, const QString& Caption, const QString& Text,
                 TMessageIcon Icon) override;
    bool Ask(QWidget* Parent, const QString& Caption, const QString& Text) override;
    bool AskNoDefault(QWidget* Parent, const QString& Caption, const QString& Text) override;
    TAnswer AskCancel(QWidget* Parent, const QString& Caption, const QString& Text,
                      bool CancelButton) override;
    QString OpenFileName(QWidget* Parent, const TFileDialogRequest& Request) override;
    QStringList OpenFileNames(QWidget* Parent, const TFileDialogRequest& Request) override;
    QString SaveFileName(QWidget* Parent, const TFileDialogRequest& Request) override;
    bool PickColor(QWidget* Parent, TColor Initial, TColor& Chosen) override;
    bool SetupPrinter(QWidget* Parent, QPrinter& Printer) override;
    int Run(TfrmKolvarWnd& Dialog) override;
};

// The installed answerer, or the Qt dialogs while none is installed.
TUserDialogs& UserDialogs();
// Installs dialogs as the program-wide answerer; nullptr returns to the Qt dialogs.
void SetUserDialogs(TUserDialogs* Dialogs);

} // namespace kolvar
