#pragma once
// The histogram window of the "Show" command: the level counts of the whole image, one
// channel at a time.

#include "filters/Histogram.h"
#include "shell/uFRMDialog.h"

#include <memory>

class QComboBox;
class QLabel;

namespace kolvar {

// The Filter menu tag of "Histogram > Show".
constexpr int HistogramShowTag = 26;

class TfrmHistogram : public TfrmDialog {
    Q_OBJECT
public:
    static constexpr int HelpContextNumber = 20039;

    // Counts Image at once; the window must not outlive it.
    explicit TfrmHistogram(const TDibContainer& Image, QWidget* Parent = nullptr);
    ~TfrmHistogram() override;

    QComboBox* cmbChannels() const { return FChannels; }
    const THistogram& Histogram() const { return *FHistogram; }
    // The picture of the chosen channel as shown; empty when the text names no channel.
    const TDibContainer& Picture() const { return FPicture; }

    void cmbChannelsChange();

protected:
    void FormCreate() override;

private:
    std::unique_ptr<THistogram> FHistogram;
    QComboBox* FChannels;
    QLabel* FPictureBox;
    TDibContainer FPicture;
};

// The "Show" command: the window over the whole image, modal; the image is not changed.
void ShowHistogramWindow(QWidget* Parent, const TDibContainer& Image);

} // namespace kolvar
