#pragma once
// Which format a document is saved in: the one its file name's extension names, when the
// program can write it. Save, Save As and its type list all ask here, so that a picture is
// never written in one format under another format's name.

#include "raster/DibContainer.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace kolvar {

struct TPictureType {
    QString Name;           // as the Save As type list shows it: "JPEG File"
    QStringList Extensions; // lower case, without the dot; the first is the one Save adds
};

// The types Save can write, BMP first.
const std::vector<TPictureType>& WritablePictureTypes();

// The type the name's extension names, or null when the program cannot write it (GIF,
// metafiles) or the name has no extension.
const TPictureType* PictureTypeOf(const QString& fileName);
bool CanWritePicture(const QString& fileName);

// The name Save writes to: a name without an extension gets ".bmp".
QString SaveFileNameFor(const QString& fileName);
// The name Save As proposes for a document read from a file the program cannot write: the
// same name with ".bmp" in place of its extension. Writable names come back unchanged.
QString ProposedSaveName(const QString& fileName);

// The Save As type list ("BMP File (*.bmp);;JPEG File (*.jpg *.jpeg);;...") and the entry of
// it that matches a name (the BMP entry for names of no writable type).
QString SaveTypeFilter();
QString SaveTypeFilterFor(const QString& fileName);
// The name chosen in Save As with the type chosen in its list. Unless the user changed the
// type (TypeChanged) the name is kept as typed (Save then adds ".bmp" to a bare name). After a
// change, a name without an extension or of another writable type takes the type's first
// extension, and a name of no writable type keeps its own and gets the type's after it. An
// unknown filter leaves the name alone.
QString NameForSaveType(const QString& fileName, const QString& filter, bool TypeChanged);

struct TPictureWriteOptions {
    int JpegQuality = 90; // 1 to 100
};

// Writes the image in the format of the name's extension (BMP and TIFF with 24 bits, PCX
// reduced to 256 colours) through a temporary file, so that a failed write leaves an existing
// file as it was. Raises EInvalidGraphic for a name of no writable type and EInOutError when
// the file cannot be written.
void WritePicture(const QString& fileName, const TDibContainer& image,
                  const TPictureWriteOptions& options = {});

} // namespace kolvar
