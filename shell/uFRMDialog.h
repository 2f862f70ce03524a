#pragma once
// The base of every modal dialog: the dialog's controls above a bottom line, and the flat
// buttons "Ok" and "Cancel" at the right under it. Both buttons close the dialog; derived
// dialogs override sbOKClick or sbCancelClick to do their work first and then call the base.
// A dialog's component name, which names its language section, is its class name without the
// leading T ("TfrmText" is "frmText"), so every derived dialog declares Q_OBJECT.

#include "shell/uFRMKolvarWnd.h"

class QFrame;
class QToolButton;

namespace kolvar {

class TfrmDialog : public TfrmKolvarWnd {
    Q_OBJECT
public:
    static constexpr int kButtonWidth = 71;
    static constexpr int kButtonHeight = 22;

    explicit TfrmDialog(QWidget* parent = nullptr);

    QFrame* bvBottomLine() const { return bvBottomLine_; }
    QToolButton* sbOK() const { return sbOK_; }
    QToolButton* sbCancel() const { return sbCancel_; }

protected:
    virtual void sbOKClick();
    virtual void sbCancelClick();

    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QFrame* bvBottomLine_;
    QToolButton* sbOK_;
    QToolButton* sbCancel_;
    bool placed_ = false;
};

} // namespace kolvar
