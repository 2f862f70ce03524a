#pragma once
// The export dialog: the image written as JPEG, TIFF, PCX or PNG. The file is chosen in the
// dialog's own directory and file lists; the directory is remembered for the rest of the run.

#include "shell/uFRMDialog.h"

#include <QImage>
#include <QString>

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QSlider;
class QStackedWidget;
class QTreeView;

namespace kolvar {

class TDibContainer;

// The file types in the order of CmbFilter.
enum class TExportType { Jpeg = 0, Tiff, Pcx, Png };

class TfrmExportDialog : public TfrmDialog {
    Q_OBJECT
public:
    static constexpr int HelpContextNumber = 20044;
    static constexpr const char* InitialMask = "*.JPEG;*.JPG";

    explicit TfrmExportDialog(const QImage& Picture, QWidget* Parent = nullptr);

    QLineEdit* EditFileName() const { return FEditFileName; }
    QListView* FileList() const { return FFileList; }
    QTreeView* DirectoryList() const { return FDirectoryList; }
    QComboBox* cmbDrive() const { return FDrive; }
    QComboBox* CmbFilter() const { return FFilter; }
    QStackedWidget* PageOptions() const { return FPages; }
    QSlider* TrackCompress() const { return FCompress; }
    QLabel* lblCompressValue() const { return FCompressValue; }
    QCheckBox* chkGrayScale() const { return FGrayScale; }
    QCheckBox* chkProgressive() const { return FProgressive; }
    QCheckBox* chkSmooting() const { return FSmoothing; }
    QCheckBox* chkTransparent() const { return FTransparent; }
    QComboBox* cmbPCXResolucao() const { return FPcxDepth; }
    QComboBox* cmbTIFResolution() const { return FTifDepth; }
    QSlider* TrackPNGCompression() const { return FPngLevel; }

    TExportType ExportType() const;
    QString Directory() const { return FDirectory; }
    // Shows the directory in the lists; names typed without a directory are written there.
    void SetDirectory(const QString& Path);
    // The full name the file is written under: the edit's text in the chosen directory, with
    // the type's extension when the text has none.
    QString TargetFileName() const;
    // Writes the picture; false after the error message was shown.
    bool ExportImage();

    void CmbFilterChange();

protected:
    void FormCreate() override;
    void sbOKClick() override;

private:
    QWidget* BuildFileChooser(QWidget* Parent);
    QWidget* BuildOptions(QWidget* Parent);
    void WriteFile(const QString& Name) const;
    void FileListClicked(const QModelIndex& Index);
    void ShowDirectoryInTree();

    QImage FPicture;
    QString FDirectory;
    QFileSystemModel* FDirModel;
    QFileSystemModel* FFileModel;
    QLineEdit* FEditFileName;
    QListView* FFileList;
    QTreeView* FDirectoryList;
    QComboBox* FDrive;
    QComboBox* FFilter;
    QStackedWidget* FPages;
    QGroupBox* FJpegGroup;
    QSlider* FCompress;
    QLabel* FCompressValue;
    QCheckBox* FGrayScale;
    QCheckBox* FProgressive;
    QCheckBox* FSmoothing;
    QCheckBox* FTransparent;
    QComboBox* FPcxDepth;
    QComboBox* FTifDepth;
    QSlider* FPngLevel;
    QLabel* FPngLevelValue;
};

void ShowExportDialog(QWidget* Parent, const TDibContainer& Image);

} // namespace kolvar
