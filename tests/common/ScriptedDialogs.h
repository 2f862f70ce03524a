#pragma once
// A scripted answerer for the program's dialogs: every question is recorded, and answered from
// what the test queued beforehand. A question nobody expected fails the test and is answered
// "No" / cancelled, so a test never waits on a modal window.

#include "shell/UserDialogsWidget.h"
#include "shell/uFRMKolvarWnd.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

#include <deque>
#include <functional>

namespace kolvar::test {

struct TAskedMessage {
    QString Kind; // "Message", "Ask", "Open", "Save", "Color", "Printer", "Run"
    QString Caption;
    QString Text;
};

class TScriptedDialogs : public TUserDialogs {
public:
    using TDialogScript = std::function<int(TfrmKolvarWnd&)>;

    TScriptedDialogs() { SetUserDialogs(this); }
    ~TScriptedDialogs() override { SetUserDialogs(nullptr); }

    std::deque<bool> Answers;          // for Ask
    std::deque<TAnswer> Choices;       // for AskCancel; when empty, Answers serve as Yes/No
    std::deque<QString> FileNames;     // for OpenFileName and SaveFileName ("" cancels)
    std::deque<QString> SaveTypes;     // the type chosen in Save As ("" keeps the one shown)
    // For OpenFileNames: each entry one answer (empty cancels); while none is queued, the
    // next of FileNames answers as a single choice.
    std::deque<QStringList> FileNameLists;
    std::deque<TColor> Colors;         // for PickColor
    std::deque<TDialogScript> Dialogs; // for Run: set controls, return the modal result
    std::vector<TAskedMessage> Asked;
    std::vector<TFileDialogRequest> FileRequests;

    // The texts of every message box shown so far, "Caption|Text".
    QStringList Messages() const {
        QStringList out;
        for (const TAskedMessage& m : Asked)
            if (m.Kind == QLatin1String("Message") || m.Kind == QLatin1String("Ask"))
                out << m.Caption + QLatin1Char('|') + m.Text;
        return out;
    }

    void Message(QWidget*, const QString& Caption, const QString& Text, TMessageIcon) override {
        Asked.push_back({QStringLiteral("Message"), Caption, Text});
    }
    bool Ask(QWidget*, const QString& Caption, const QString& Text) override {
        Asked.push_back({QStringLiteral("Ask"), Caption, Text});
        return Take(Answers, false, "question");
    }
    TAnswer AskCancel(QWidget*, const QString& Caption, const QString& Text, bool) override {
        Asked.push_back({QStringLiteral("Ask"), Caption, Text});
        if (!Choices.empty()) return Take(Choices, TAnswer::Cancel, "question");
        return Take(Answers, false, "question") ? TAnswer::Yes : TAnswer::No;
    }
    QString OpenFileName(QWidget*, const TFileDialogRequest& Request) override {
        FileRequests.push_back(Request);
        Asked.push_back({QStringLiteral("Open"), Request.Caption, Request.Filter});
        return Take(FileNames, QString(), "open dialog");
    }
    QStringList OpenFileNames(QWidget* Parent, const TFileDialogRequest& Request) override {
        if (FileNameLists.empty()) return TUserDialogs::OpenFileNames(Parent, Request);
        FileRequests.push_back(Request);
        Asked.push_back({QStringLiteral("Open"), Request.Caption, Request.Filter});
        return Take(FileNameLists, QStringList(), "open dialog");
    }
    QString SaveFileName(QWidget*, const TFileDialogRequest& Request) override {
        FileRequests.push_back(Request);
        Asked.push_back({QStringLiteral("Save"), Request.Caption, Request.Filter});
        if (Request.ChosenFilter) {
            QString type = SaveTypes.empty() ? QString() : SaveTypes.front();
            if (!SaveTypes.empty()) SaveTypes.pop_front();
            *Request.ChosenFilter = type.isEmpty() ? Request.SelectedFilter : type;
        }
        return Take(FileNames, QString(), "save dialog");
    }
    bool PickColor(QWidget*, TColor, TColor& Chosen) override {
        Asked.push_back({QStringLiteral("Color"), QString(), QString()});
        if (Colors.empty()) return Take(Colors, TColor(0), "colour dialog"), false;
        Chosen = Take(Colors, TColor(0), "colour dialog");
        return true;
    }
    bool SetupPrinter(QWidget*, QPrinter&) override {
        Asked.push_back({QStringLiteral("Printer"), QString(), QString()});
        return Take(Answers, false, "printer dialog");
    }
    int Run(TfrmKolvarWnd& Dialog) override {
        Dialog.EnsureCreated();
        Asked.push_back({QStringLiteral("Run"), Dialog.windowTitle(), Dialog.objectName()});
        if (Dialogs.empty()) {
            ADD_FAILURE() << "unexpected dialog " << Dialog.windowTitle().toStdString();
            return mrCancel;
        }
        TDialogScript script = std::move(Dialogs.front());
        Dialogs.pop_front();
        return script(Dialog);
    }

private:
    template <class T, class D> T Take(std::deque<T>& queue, D fallback, const char* what) {
        if (queue.empty()) {
            ADD_FAILURE() << "unexpected " << what;
            return T(fallback);
        }
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
};

} // namespace kolvar::test
