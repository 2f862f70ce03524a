#pragma once
// The text dialog of the text tools: the text and its font, with a preview.

#include "shell/uFRMDialog.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace kolvar {

class TPaintBox;
class TSpinEdit;

class TfrmText : public TfrmDialog {
    Q_OBJECT
public:
    static constexpr int HelpContextNumber = 20040;

    explicit TfrmText(QWidget* Parent = nullptr);

    QLineEdit* edtText() const { return edtText_; }
    QComboBox* cmbFontName() const { return cmbFontName_; }
    TSpinEdit* seFontSize() const { return seFontSize_; }
    QCheckBox* chkItalic() const { return chkItalic_; }
    QCheckBox* chkBold() const { return chkBold_; }
    QCheckBox* chkStrikeOut() const { return chkStrikeOut_; }
    QCheckBox* chkUnderline() const { return chkUnderline_; }
    // The font the preview writes with.
    QFont PreviewFont() const;

protected:
    void FormCreate() override;

private:
    void TextChange();

    QLineEdit* edtText_ = nullptr;
    QComboBox* cmbFontName_ = nullptr;
    TSpinEdit* seFontSize_ = nullptr;
    QCheckBox* chkItalic_ = nullptr;
    QCheckBox* chkBold_ = nullptr;
    QCheckBox* chkStrikeOut_ = nullptr;
    QCheckBox* chkUnderline_ = nullptr;
    TPaintBox* PaintBox_ = nullptr;
};

// Lets the user set the text tools' text and font; true when confirmed. Nothing changes
// otherwise.
bool ShowTextDialog(QWidget* Parent);

} // namespace kolvar
