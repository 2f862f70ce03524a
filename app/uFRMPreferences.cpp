#include "app/uFRMPreferences.h"

#include "shell/UserDialogsWidget.h"
#include "shell/uFRMHelp.h"
#include "shell/uKolvarGeneric.h"

#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

namespace kolvar {

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QSpinBox* spin(QWidget* parent, const char* name, TPreferenceRange range) {
    auto* e = new QSpinBox(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setRange(range.Min, range.Max);
    e->setAlignment(Qt::AlignRight);
    return e;
}

} // namespace

TfrmPreferences::TfrmPreferences(QWidget* Parent) : TfrmDialog(Parent) {
    setObjectName(QStringLiteral("frmPreferences"));
    setWindowTitle(QStringLiteral("Preferences"));
    SetHelpContext(hc::Preferences);
    QWidget* c = Client();
    FJpegQuality = spin(c, "seJpegQuality", kSaveJpegQualityRange);
    FRecoveryInterval = spin(c, "seRecoveryInterval", kRecoveryIntervalRange);
    FUndoLevels = spin(c, "seUndoLevels", kUndoLevelsRange);
    FHistoryBudget = spin(c, "seHistoryBudget", kHistoryBudgetRange);

    auto* grid = new QGridLayout(c);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->addWidget(label(c, "lblJpegQuality", QStringLiteral("JPEG quality used by Save")), 0, 0);
    grid->addWidget(FJpegQuality, 0, 1);
    grid->addWidget(label(c, "lblRecoveryInterval", QStringLiteral("Save recovery copies every")),
                    1, 0);
    grid->addWidget(FRecoveryInterval, 1, 1);
    grid->addWidget(label(c, "lblSeconds", QStringLiteral("seconds")), 1, 2);
    grid->addWidget(label(c, "lblUndoLevels", QStringLiteral("Undo levels")), 2, 0);
    grid->addWidget(FUndoLevels, 2, 1);
    grid->addWidget(label(c, "lblHistoryBudget", QStringLiteral("Memory for the undo history")), 3,
                    0);
    grid->addWidget(FHistoryBudget, 3, 1);
    grid->addWidget(label(c, "lblMegabytes", QStringLiteral("MB")), 3, 2);
    grid->setColumnStretch(0, 1);
    SetClientSize(330, 130);
    SetPreferences(TPreferences());
}

void TfrmPreferences::SetPreferences(const TPreferences& Value) {
    FJpegQuality->setValue(Value.SaveJpegQuality);
    FRecoveryInterval->setValue(Value.RecoveryInterval);
    FUndoLevels->setValue(Value.UndoLevels);
    FHistoryBudget->setValue(Value.HistoryBudgetMB);
}

TPreferences TfrmPreferences::Value() const {
    TPreferences p;
    p.SaveJpegQuality = FJpegQuality->value();
    p.RecoveryInterval = FRecoveryInterval->value();
    p.UndoLevels = FUndoLevels->value();
    p.HistoryBudgetMB = FHistoryBudget->value();
    return p;
}

void TfrmPreferences::sbOKClick() {
    // A value typed but not yet committed by the spin box counts.
    for (QSpinBox* e : {FJpegQuality, FRecoveryInterval, FUndoLevels, FHistoryBudget})
        e->interpretText();
    FAccepted = true;
    TfrmDialog::sbOKClick();
}

bool ShowPreferencesDialog(QWidget* Parent, const std::function<void()>& Changed) {
    TfrmPreferences dialog(Parent);
    dialog.EnsureCreated();
    dialog.SetPreferences(Preferences());
    UserDialogs().Run(dialog);
    if (!dialog.Accepted()) return false;
    Preferences() = dialog.Value();
    WritePreferences(SettingsFilePath(), Preferences());
    if (Changed) Changed();
    return true;
}

} // namespace kolvar
