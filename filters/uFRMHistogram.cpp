#include "filters/uFRMHistogram.h"

#include "shell/UserDialogsWidget.h"

#include <QComboBox>
#include <QLabel>
#include <QPixmap>
#include <QToolButton>

namespace kolvar {

namespace {

const char* const ChannelNames[] = {"Intensity", "Red", "Green", "Blue"};

} // namespace

TfrmHistogram::TfrmHistogram(const TDibContainer& Image, QWidget* Parent) : TfrmDialog(Parent) {
    setObjectName(QStringLiteral("frmHistogram"));
    setWindowTitle(QStringLiteral("Histogram"));
    SetHelpContext(HelpContextNumber);
    sbCancel()->hide();
    QWidget* c = Client();
    auto* label = new QLabel(QStringLiteral("Channel"), c);
    label->setObjectName(QStringLiteral("lblChannel"));
    label->setGeometry(10, 10, 48, 16);
    FChannels = new QComboBox(c);
    FChannels->setObjectName(QStringLiteral("cmbChannels"));
    for (const char* name : ChannelNames) FChannels->addItem(QString::fromLatin1(name));
    FChannels->setGeometry(62, 6, 120, 22);
    FPictureBox = new QLabel(c);
    FPictureBox->setObjectName(QStringLiteral("pbHistogram"));
    FPictureBox->setGeometry(10, 35, 280, 140);
    SetClientSize(300, 223);

    FHistogram =
        std::make_unique<THistogram>(TRect{0, 0, Image.Width() - 1, Image.Height() - 1}, Image);
    FHistogram->SetPass(1);
    // The counting pass only reads its source, so the image can stand in as the target.
    if (!Image.Empty())
        const_cast<TDibContainer&>(Image).FillRect(0, 0, Image.Width() - 1, Image.Height() - 1,
                                                   FHistogram->SpanProc);
    connect(FChannels, &QComboBox::currentIndexChanged, this, [this] { cmbChannelsChange(); });
}

TfrmHistogram::~TfrmHistogram() = default;

void TfrmHistogram::FormCreate() {
    TfrmDialog::FormCreate();
    FChannels->setCurrentIndex(0);
    // Shown at once: choosing the channel already selected would not draw it otherwise.
    cmbChannelsChange();
}

void TfrmHistogram::cmbChannelsChange() {
    const int channel = FChannels->findText(FChannels->currentText(), Qt::MatchFixedString);
    FPicture = TDibContainer();
    if (channel >= 0 && channel <= 3) DrawHistogramChannel(*FHistogram, channel, FPicture);
    FPictureBox->setPixmap(FPicture.Empty() ? QPixmap() : QPixmap::fromImage(FPicture.ToImage()));
}

void ShowHistogramWindow(QWidget* Parent, const TDibContainer& Image) {
    TfrmHistogram window(Image, Parent);
    window.EnsureCreated();
    UserDialogs().Run(window);
}

} // namespace kolvar
