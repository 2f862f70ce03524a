#pragma once
// The filter dialogs. Every row of the filter table gets its dialog from one builder that lays
// out a slider, spin edit, radio group or check box per parameter, named as the row's
// controls, and converts their positions as the row says. The convolution dialog, with its
// kernel grid and presets, has a form of its own.

#include "filters/Convolution.h"
#include "filters/uFRMFilterConfig.h"

#include <memory>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTableWidget;

namespace kolvar {

struct TFilterParam;

class TfrmFilterParams : public TfrmFilterConfig {
    Q_OBJECT
public:
    TfrmFilterParams(const TFilterInfo& Info, TFilterDocument& Document, QWidget* Parent = nullptr);

    // The control named as in the row (a QSlider, QSpinBox, QGroupBox of radio buttons or
    // QCheckBox), or null.
    QWidget* Control(const QString& Name) const;
    // A slider's or spin edit's position, a radio group's item index, a check box's 0 or 1.
    int Position(const QString& Name) const;
    // Moves the control as the user would, so its change handler runs.
    void SetPosition(const QString& Name, int Value);

protected:
    void ApplyControls() override;

private:
    struct TBinding {
        const TFilterParam* Param = nullptr;
        QSlider* Slider = nullptr;
        QSpinBox* Spin = nullptr;
        QButtonGroup* Choices = nullptr;
        QGroupBox* Group = nullptr;
        QCheckBox* Check = nullptr;
        QWidget* Widget() const;
        int Position() const;
    };

    void AddParam(const TFilterParam& Param, QGridLayout& Grid);
    void AddNumber(const TFilterParam& Param, TBinding& b, QGridLayout& Grid, int row);
    QGridLayout& GridFor(const TFilterParam& Param, QGridLayout& Main);
    const TBinding* Find(const QString& Name) const;

    std::vector<TBinding> FBindings;
    std::vector<std::pair<QString, QGridLayout*>> FGroups;
};

class TfrmFilterConvolution : public TfrmFilterConfig {
    Q_OBJECT
public:
    TfrmFilterConvolution(const TFilterInfo& Info, TFilterDocument& Document,
                          QWidget* Parent = nullptr);

    QComboBox* cmbDefs() const { return FDefs; }
    QTableWidget* Grid() const { return FGrid; }
    QSpinBox* seCols() const { return FCols; }
    QSpinBox* seRows() const { return FRows; }
    QLineEdit* edDivisor() const { return FDivisor; }
    QSpinBox* seRed() const { return FRed; }
    QSpinBox* seGreen() const { return FGreen; }
    QSpinBox* seBlue() const { return FBlue; }
    QPushButton* btnUpdate() const { return FUpdate; }
    const TConvolutionDefList& Definitions() const { return FDefinitions; }

    // Copies the preset named by the combo's text into the controls (not into the filter).
    void cmbDefsChange();
    void MatrixSizeChange();
    // Hands the controls' kernel, divisor and offset to the filter.
    void btnUpdateClick();

protected:
    void FormCreate() override;
    void ApplyControls() override;

private:
    QSpinBox* OffsetEdit(const char* Name);

    QComboBox* FDefs;
    QTableWidget* FGrid;
    QSpinBox* FCols;
    QSpinBox* FRows;
    QLineEdit* FDivisor;
    QSpinBox *FRed, *FGreen, *FBlue;
    QPushButton* FUpdate;
    TConvolutionDefList FDefinitions;
    // What the last "Update" read from the controls, until the filter has taken it.
    std::unique_ptr<TConvolutionFilterDef> FPending;
};

// The dialog of a row that has one.
std::unique_ptr<TfrmFilterConfig> CreateFilterDialog(const TFilterInfo& Info,
                                                     TFilterDocument& Document, QWidget* Parent);

} // namespace kolvar
