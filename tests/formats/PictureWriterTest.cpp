#include "formats/PictureWriter.h"

#include "common/TestSupport.h"
#include "formats/DibData.h"
#include "formats/DibFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace kolvar;

namespace {

const QString kBmp = QStringLiteral("BMP File (*.bmp)");
const QString kJpeg = QStringLiteral("JPEG File (*.jpg *.jpeg)");
const QString kPng = QStringLiteral("PNG File (*.png)");

QString typeName(const QString& fileName) {
    const TPictureType* t = PictureTypeOf(fileName);
    return t ? t->Name : QStringLiteral("-");
}

TDibContainer gradient(int32_t w, int32_t h) {
    TDibContainer image(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            image.SetPixel(x, y, TDibColor(uint8_t(x * 7), uint8_t(y * 5), uint8_t(x + y)));
    return image;
}

} // namespace

TEST(PictureWriter, TheExtensionChoosesTheTypeWithoutRegardToCase) {
    EXPECT_EQ(typeName("/a/photo.JPG"), "JPEG File");
    EXPECT_EQ(typeName("photo.jpeg"), "JPEG File");
    EXPECT_EQ(typeName("scan.TIFF"), "TIFF File");
    EXPECT_EQ(typeName("scan.tif"), "TIFF File");
    EXPECT_EQ(typeName("x.png"), "PNG File");
    EXPECT_EQ(typeName("x.Pcx"), "PCX File");
    EXPECT_EQ(typeName("x.bmp"), "BMP File");
    // Types the program reads but cannot write, and names without a type.
    for (const char* name : {"anim.gif", "drawing.emf", "clip.wmf", "picture", "/a.b/picture"})
        EXPECT_EQ(typeName(name), "-") << name;
}

TEST(PictureWriter, SaveNamesAndTheNamesSaveAsProposes) {
    // A bare name is written as BMP; a name with any extension is kept.
    EXPECT_EQ(SaveFileNameFor("/d/picture"), "/d/picture.bmp");
    EXPECT_EQ(SaveFileNameFor("/d.x/picture"), "/d.x/picture.bmp");
    EXPECT_EQ(SaveFileNameFor("/d/photo.jpg"), "/d/photo.jpg");
    // Pictures the program cannot write are offered back as BMP files of the same name.
    EXPECT_EQ(ProposedSaveName("/d/anim.GIF"), "/d/anim.bmp");
    EXPECT_EQ(ProposedSaveName("/d/clip.wmf"), "/d/clip.bmp");
    EXPECT_EQ(ProposedSaveName("/d/photo.jpg"), "/d/photo.jpg");
    EXPECT_EQ(ProposedSaveName(""), "");
    EXPECT_EQ(SaveTypeFilterFor("/d/anim.gif"), kBmp);
    EXPECT_EQ(SaveTypeFilterFor("/d/photo.JPEG"), kJpeg);
    EXPECT_EQ(SaveTypeFilter(), "BMP File (*.bmp);;JPEG File (*.jpg *.jpeg);;PNG File (*.png);;"
                                "TIFF File (*.tif *.tiff);;PCX File (*.pcx)");
}

TEST(PictureWriter, ChoosingATypeInSaveAsSetsTheExtension) {
    // The type was left as shown: the name typed wins, a bare one stays bare (Save adds .bmp).
    EXPECT_EQ(NameForSaveType("/d/x.png", kBmp, false), "/d/x.png");
    EXPECT_EQ(NameForSaveType("/d/picture", kJpeg, false), "/d/picture");
    // The user chose a type: it replaces a writable extension and completes other names.
    EXPECT_EQ(NameForSaveType("/d/x.bmp", kPng, true), "/d/x.png");
    EXPECT_EQ(NameForSaveType("/d/x", kJpeg, true), "/d/x.jpg");
    EXPECT_EQ(NameForSaveType("/d/x.jpeg", kJpeg, true), "/d/x.jpeg");
    EXPECT_EQ(NameForSaveType("/d/holiday.2024", kPng, true), "/d/holiday.2024.png");
    EXPECT_EQ(NameForSaveType("/d/x.bmp", "Something (*.abc)", true), "/d/x.bmp");
}

TEST(PictureWriter, WritesTheFormatTheNameNamesAndRefusesOthersWithoutTouchingTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const TDibContainer image = gradient(37, 23);
    const auto write = [&](const char* name, int quality = 90) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        WritePicture(path, image, {quality});
        return test::ReadFileBytes(path);
    };
    EXPECT_TRUE(write("a.bmp").startsWith("BM"));
    EXPECT_TRUE(write("a.JPG").startsWith("\xFF\xD8\xFF"));
    EXPECT_TRUE(write("a.tiff").startsWith("II*"));
    EXPECT_EQ(write("a.pcx").at(0), char(0x0A));
    EXPECT_TRUE(write("a.png").startsWith("\x89PNG"));
    TDibContainer back;
    LoadDibFile(dir.filePath("a.png"), back);
    EXPECT_TRUE(back.SameImage(image)) << "PNG keeps every pixel";
    // Quality reaches the encoder: a lower quality gives a smaller file.
    EXPECT_LT(write("low.jpg", 10).size(), write("high.jpg", 100).size());

    const QString gif = dir.filePath("anim.gif");
    QFile f(gif);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("GIF89a old");
    f.close();
    EXPECT_THROW(WritePicture(gif, image), EInvalidGraphic);
    EXPECT_EQ(test::ReadFileBytes(gif), QByteArray("GIF89a old"));
}
