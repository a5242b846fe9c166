#pragma once
// Picture fields: large-object fields that hold a picture in any of several formats,
// recognised by the picture's first bytes, with or without the 8-byte header that some
// older database engines put in front of it.
//
// Pictures are decoded by Qt's image readers from memory (QImageReader over a QBuffer, the
// format named, not guessed). Data that is empty, truncated, corrupted, claims more than
// MaxGraphicPixels pixels, or is in a format Qt cannot read gives an empty picture, never an
// exception; a field's value is written only by the calls that store a picture
// (LoadFromGraphic, Assign).

#include "DB.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace zdb {

// The picture formats a stored value is recognised as.
enum TZGraphicKind {
    gkNone,     // not a picture of a known format
    gkBitmap,   // "BM"
    gkGIF,      // "GIF8"
    gkPNG,      // 89 50 4E 47
    gkIcon,     // 00 00 01 00
    gkMetafile, // D7 CD C6 9A, a placeable metafile (Qt reads none: an empty picture)
    gkJPEG      // FF D8 FF E0 or FF D8 FF E1
};

// Pictures larger than this many pixels (width × height, as their header gives them) are
// not decoded: an empty picture instead of a huge allocation.
extern qint64 MaxGraphicPixels;
// The error of a picture whose format cannot be written ("%s": the format's name).
extern QString SGraphicFormatNotWritable;

// The image format name of a kind for QImageReader/QImageWriter ("bmp", "gif", "png",
// "ico", "wmf", "jpeg"); empty for gkNone.
QByteArray GraphicKindFormat(TZGraphicKind kind);
// Where the picture starts in a stored value: 8 behind the older engines' header
// (01 00 00 01), else 0.
int GraphicDataOffset(const QByteArray& value);
// The kind of picture a stored value holds, from its first bytes (behind the header).
TZGraphicKind GraphicKindOfData(const QByteArray& value);
// The kind of picture a field's value holds; gkNone without a field, for a field that is no
// large-object field, and for a null value.
TZGraphicKind FieldGraphicClass(const TField* field);

// A picture and the format it is kept in. A picture loaded from bytes keeps them: while its
// image is not changed it is saved as exactly those bytes.
class TZGraphic {
public:
    TZGraphic() = default;
    // A picture of the image to be saved in the kind's format.
    explicit TZGraphic(const QImage& image, TZGraphicKind kind = gkPNG);

    TZGraphicKind GetKind() const { return FKind; }
    // Another format to save in; the picture is then encoded again.
    void SetKind(TZGraphicKind value);
    const QImage& GetImage() const { return FImage; }
    // Changes the picture; it is encoded again when saved.
    void SetImage(const QImage& value);
    bool IsEmpty() const { return FImage.isNull(); }
    void Clear();

    // Decodes a picture of the kind from data that starts at the picture's first byte.
    // False, and an empty picture of that kind, when it cannot be read.
    bool LoadFromData(const QByteArray& data, TZGraphicKind kind);
    // The picture's bytes in its format: the bytes it was loaded from while unchanged, empty
    // for an empty picture. Raises a database error when the format cannot be written.
    QByteArray SaveToData() const;
    // Whether pictures of the kind can be written.
    static bool CanWrite(TZGraphicKind kind);

private:
    QImage FImage;
    TZGraphicKind FKind = gkNone;
    QByteArray FData; // the bytes FImage was read from; empty once it changed
};

// Decodes the picture of a stored value (behind the header), of the kind detected; a null
// image when there is none or it cannot be read.
QImage ReadGraphicImage(const QByteArray& value);

// A large-object field that reads and writes pictures of every recognised format.
class TZBlobField : public TBlobField {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TZBlobField(QObject* parent = nullptr);

    // The kind of picture the field holds (FieldGraphicClass).
    TZGraphicKind GraphicClass() const { return FieldGraphicClass(this); }

    // Copies the field's picture into a bitmap (SaveToBitmap) or a picture (SaveToPicture).
    void AssignTo(QImage& bitmap) const { SaveToBitmap(bitmap); }
    void AssignTo(TZGraphic& picture) const { SaveToPicture(picture); }
    // Stores a picture: a bitmap as a device-independent bitmap ("BM"), any other picture
    // in its own format (LoadFromGraphic). The dataset must be editing.
    void Assign(const QImage& bitmap);
    void Assign(const TZGraphic& picture);

    // Stores the picture in its own format, without a header; an empty picture clears the
    // field. The dataset must be editing.
    void LoadFromGraphic(const TZGraphic& graphic);
    // Reads a device-independent bitmap (a value of at least 8 bytes, behind the header if
    // any) into the image: a null image when the value holds no readable bitmap. Shorter
    // values leave the image as it was.
    void SaveToBitmap(QImage& bitmap) const;
    // Reads the picture of the detected kind into the picture: nothing happens when none is
    // detected; an empty picture of the kind when it cannot be read.
    void SaveToPicture(TZGraphic& picture) const;

protected:
    TZBlobField(QObject* parent, TFieldType type);
    // The stored value's bytes (empty for null).
    QByteArray StoredBytes() const;
};

// A picture field: a TZBlobField of the graphic type.
class TZGraphicField : public TZBlobField {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TZGraphicField(QObject* parent = nullptr) : TZBlobField(parent, ftGraphic) {}
};

} // namespace zdb
