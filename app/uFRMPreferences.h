#pragma once
// The Preferences dialog (Edit > Preferences...): the JPEG quality Save uses, how often
// recovery copies of unsaved pictures are written, and how much the undo history keeps. Ok
// stores them in the settings file.

#include "shell/uFRMDialog.h"
#include "shell/uPreferences.h"

#include <functional>

class QSpinBox;

namespace kolvar {

class TfrmPreferences : public TfrmDialog {
    Q_OBJECT
public:
    explicit TfrmPreferences(QWidget* Parent = nullptr);

    QSpinBox* seJpegQuality() const { return FJpegQuality; }
    QSpinBox* seRecoveryInterval() const { return FRecoveryInterval; }
    QSpinBox* seUndoLevels() const { return FUndoLevels; }
    QSpinBox* seHistoryBudget() const { return FHistoryBudget; }

    void SetPreferences(const TPreferences& Value);
    // What the controls show now.
    TPreferences Value() const;
    bool Accepted() const { return FAccepted; }

protected:
    void sbOKClick() override;

private:
    QSpinBox* FJpegQuality;
    QSpinBox* FRecoveryInterval;
    QSpinBox* FUndoLevels;
    QSpinBox* FHistoryBudget;
    bool FAccepted = false;
};

// Shows the dialog on the program's preferences. Ok makes the shown values the program's,
// writes them to the settings file and calls Changed; true then.
bool ShowPreferencesDialog(QWidget* Parent, const std::function<void()>& Changed = {});

} // namespace kolvar
