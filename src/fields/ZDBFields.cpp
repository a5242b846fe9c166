// Picture fields: detection of the stored format, decoding through Qt's image readers and
// encoding through its writers.

#include "ZDBFields.h"

#include "ClassRegistry.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QtEndian>

#include <cstring>

namespace zdb {

qint64 MaxGraphicPixels = qint64(32) * 1024 * 1024;
QString SGraphicFormatNotWritable = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Pictures cannot be written in %s format"));

namespace {

constexpr int HeaderSize = 8;
constexpr char Header[4] = {'\x01', '\x00', '\x00', '\x01'};

bool StartsWithHeader(const QByteArray& value)
{
    return value.size() >= 4 && std::memcmp(value.constData(), Header, 4) == 0;
}

// The bytes of a stored value from offset on, without a copy; valid while value lives.
QByteArray PictureBytes(const QByteArray& value, int offset)
{
    return QByteArray::fromRawData(value.constData() + offset, value.size() - offset);
}

// Whether the data reach the end their format marks: a truncated bitmap or JPEG, which Qt's
// readers would show in part (the rest blank or grey), is no picture. (Qt refuses truncated
// PNGs, GIFs and icons itself.)
bool LooksComplete(const QByteArray& data, TZGraphicKind kind)
{
    switch (kind) {
    case gkBitmap: {
        // The file's size, when the header gives it.
        const quint32 size = data.size() >= 6 ? qFromLittleEndian<quint32>(data.constData() + 2) : 0;
        return size == 0 || size <= quint64(data.size());
    }
    case gkJPEG: {
        // The end-of-image marker after the last start of scan (an embedded thumbnail has
        // its own markers before the main image's scan).
        const qsizetype scan = data.lastIndexOf(QByteArrayView("\xFF\xDA", 2));
        return scan > 0 && data.indexOf(QByteArrayView("\xFF\xD9", 2), scan) > scan;
    }
    default:
        return true;
    }
}

QImage DecodeImage(const QByteArray& data, TZGraphicKind kind)
{
    const QByteArray format = GraphicKindFormat(kind);
    if (format.isEmpty() || data.isEmpty() || !LooksComplete(data, kind))
        return {};
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    if (!reader.canRead())
        return {};
    // The header's size, before any pixel is allocated.
    const QSize size = reader.size();
    if (size.isValid() && (size.isEmpty() || qint64(size.width()) * size.height() > MaxGraphicPixels))
        return {};
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return {};
    if (qint64(image.width()) * image.height() > MaxGraphicPixels)
        return {};
    return image;
}

// Registers the field classes for streaming while the program runs.
struct TFieldClassesRegistrar {
    TFieldClassesRegistrar()
    {
        RegisterClass(TZBlobField::staticMetaObject);
        RegisterClass(TZGraphicField::staticMetaObject);
    }
    ~TFieldClassesRegistrar()
    {
        UnRegisterClass(TZGraphicField::staticMetaObject);
        UnRegisterClass(TZBlobField::staticMetaObject);
    }
    TFieldClassesRegistrar(const TFieldClassesRegistrar&) = delete;
    TFieldClassesRegistrar& operator=(const TFieldClassesRegistrar&) = delete;
};
const TFieldClassesRegistrar FieldClassesRegistrar;

} // namespace

QByteArray GraphicKindFormat(TZGraphicKind kind)
{
    switch (kind) {
    case gkBitmap: return QByteArrayLiteral("bmp");
    case gkGIF: return QByteArrayLiteral("gif");
    case gkPNG: return QByteArrayLiteral("png");
    case gkIcon: return QByteArrayLiteral("ico");
    case gkMetafile: return QByteArrayLiteral("wmf");
    case gkJPEG: return QByteArrayLiteral("jpeg");
    case gkNone: break;
    }
    return {};
}

int GraphicDataOffset(const QByteArray& value)
{
    return value.size() >= HeaderSize && StartsWithHeader(value) ? HeaderSize : 0;
}

TZGraphicKind GraphicKindOfData(const QByteArray& value)
{
    if (value.size() <= HeaderSize)
        return gkNone;
    // Behind the header when there is more than one header's worth after it; a value that
    // short is classified by the header bytes themselves.
    const char* head = value.constData();
    if (StartsWithHeader(value) && value.size() > 2 * HeaderSize)
        head += HeaderSize;
    const auto byte = [head](int i) { return quint8(head[i]); };
    if (head[0] == 'B' && head[1] == 'M')
        return gkBitmap;
    const qint32 first = qint32(quint32(byte(0)) | quint32(byte(1)) << 8 | quint32(byte(2)) << 16
                                | quint32(byte(3)) << 24);
    if (first > 0x10000) {
        if (std::memcmp(head, "GIF8", 4) == 0)
            return gkGIF;
        if (std::memcmp(head, "\x89PNG", 4) == 0)
            return gkPNG;
        return gkNone;
    }
    if (std::memcmp(head, "\x00\x00\x01\x00", 4) == 0)
        return gkIcon;
    if (std::memcmp(head, "\xD7\xCD\xC6\x9A", 4) == 0)
        return gkMetafile;
    if (std::memcmp(head, "\xFF\xD8\xFF", 3) == 0 && (byte(3) == 0xE0 || byte(3) == 0xE1))
        return gkJPEG;
    return gkNone;
}

TZGraphicKind FieldGraphicClass(const TField* field)
{
    if (!field || !field->IsBlob() || IsMemoFieldType(field->DataType()))
        return gkNone;
    const TDataSet* dataSet = field->DataSet();
    if (!dataSet || !dataSet->Active() || field->IsNull())
        return gkNone;
    return GraphicKindOfData(field->GetValue().toByteArray());
}

QImage ReadGraphicImage(const QByteArray& value)
{
    const TZGraphicKind kind = GraphicKindOfData(value);
    if (kind == gkNone)
        return {};
    return DecodeImage(PictureBytes(value, GraphicDataOffset(value)), kind);
}

// --- TZGraphic ------------------------------------------------------------------------

TZGraphic::TZGraphic(const QImage& image, TZGraphicKind kind) : FImage(image), FKind(kind)
{
}

void TZGraphic::SetKind(TZGraphicKind value)
{
    if (value == FKind)
        return;
    FKind = value;
    FData.clear();
}

void TZGraphic::SetImage(const QImage& value)
{
    FImage = value;
    FData.clear();
}

void TZGraphic::Clear()
{
    FImage = QImage();
    FData.clear();
}

bool TZGraphic::LoadFromData(const QByteArray& data, TZGraphicKind kind)
{
    FKind = kind;
    FImage = DecodeImage(data, kind);
    // A deep copy: data may be a view of a buffer that goes away.
    FData = FImage.isNull() ? QByteArray() : QByteArray(data.constData(), data.size());
    return !FImage.isNull();
}

bool TZGraphic::CanWrite(TZGraphicKind kind)
{
    const QByteArray format = GraphicKindFormat(kind);
    return !format.isEmpty() && QImageWriter::supportedImageFormats().contains(format);
}

QByteArray TZGraphic::SaveToData() const
{
    if (FImage.isNull())
        return {};
    if (!FData.isEmpty())
        return FData;
    if (!CanWrite(FKind)) {
        const QString name = FKind == gkNone ? QStringLiteral("no") : QString::fromLatin1(GraphicKindFormat(FKind)).toUpper();
        DatabaseErrorFmt(SGraphicFormatNotWritable, {name});
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, GraphicKindFormat(FKind));
    if (!writer.write(FImage))
        DatabaseError(writer.errorString());
    return data;
}

// --- TZBlobField ----------------------------------------------------------------------

TZBlobField::TZBlobField(QObject* parent) : TBlobField(parent, ftBlob)
{
}

TZBlobField::TZBlobField(QObject* parent, TFieldType type) : TBlobField(parent, type)
{
}

QByteArray TZBlobField::StoredBytes() const
{
    const TDataSet* dataSet = DataSet();
    if (!dataSet || !dataSet->Active() || IsNull())
        return {};
    return GetValue().toByteArray();
}

void TZBlobField::Assign(const QImage& bitmap)
{
    LoadFromGraphic(TZGraphic(bitmap, gkBitmap));
}

void TZBlobField::Assign(const TZGraphic& picture)
{
    LoadFromGraphic(picture);
}

void TZBlobField::LoadFromGraphic(const TZGraphic& graphic)
{
    // Encoded first: a picture that cannot be written leaves the value as it was.
    const QByteArray data = graphic.SaveToData();
    if (data.isEmpty())
        Clear();
    else
        SetValue(data);
}

void TZBlobField::SaveToBitmap(QImage& bitmap) const
{
    const QByteArray value = StoredBytes();
    if (value.size() < HeaderSize)
        return;
    bitmap = DecodeImage(PictureBytes(value, GraphicDataOffset(value)), gkBitmap);
}

void TZBlobField::SaveToPicture(TZGraphic& picture) const
{
    const QByteArray value = StoredBytes();
    const TZGraphicKind kind = GraphicKindOfData(value);
    if (kind == gkNone)
        return;
    picture.LoadFromData(PictureBytes(value, GraphicDataOffset(value)), kind);
}

} // namespace zdb
