#pragma once
// The About dialog: the program's picture, name and version, its terms of use and a link to
// its web page. Also the program's icon, for the windows and the desktop.

#include "shell/uFRMDialog.h"

#include <QIcon>
#include <QLabel>

class QPlainTextEdit;

namespace kolvar {

// The program's web page, which the About dialog's link opens.
inline const char* const kKolvarWebPage = "https://kolvar.example.org/";

// "Kolvar 0.1": the product name and the version it was built as.
QString KolvarTitle();
// The program's icon at the usual sizes (QApplication::setWindowIcon takes it).
QIcon KolvarIcon();

// A label that acts as a link: it looks like one and reports a click (or Enter or Space when it
// has the focus).
class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLinkLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

class TfrmAbout : public TfrmDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 296;
    static constexpr int kHeight = 270;

    explicit TfrmAbout(QWidget* parent = nullptr);

    QLabel* imgLogo() const { return imgLogo_; }
    QLabel* lblTitle() const { return lblTitle_; }
    QPlainTextEdit* mmTerms() const { return mmTerms_; }
    QLabel* lblMoreInfo() const { return lblMoreInfo_; }
    TLinkLabel* lblLink() const { return lblLink_; }

protected:
    // Asks the desktop to open the web page in the user's browser.
    virtual void lblLinkClick();

private:
    QLabel* imgLogo_;
    QLabel* lblTitle_;
    QPlainTextEdit* mmTerms_;
    QLabel* lblMoreInfo_;
    TLinkLabel* lblLink_;
};

// Shows the About dialog modally, through the program's one door for dialogs.
void ShowAboutDialog(QWidget* Parent);

} // namespace kolvar
