// Picture fields: the formats recognised with and without the older engines' header, decoding
// of real pictures made here with Qt, bad data giving empty pictures, writing back in a chosen
// format, round trips through SQLite and PostgreSQL, and the grid drawing the pictures.

#include "ClassRegistry.h"
#include "TestDb.h"
#include "ZDBFields.h"
#include "ZDBGrids.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"

#include <QApplication>
#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

const QColor Red(255, 0, 0);

// A 40 × 20 picture: red on its left half, blue on its right.
QImage Sample()
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QPainter(&image).fillRect(0, 0, 20, 20, Red);
    return image;
}

QByteArray Encode(const QImage& image, const char* format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    EXPECT_TRUE(writer.write(image)) << format;
    return data;
}

// A 1 × 1 red GIF, byte by byte (Qt writes no GIFs).
QByteArray TinyGif()
{
    static const unsigned char bytes[] = {
        'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0,  // screen, 2-colour table
        0xFF, 0, 0, 0, 0, 0,                                  // red, black
        0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0,                      // image descriptor
        2, 2, 0x44, 0x01, 0,                                  // LZW: clear, 0, end
        0x3B};
    return QByteArray(reinterpret_cast<const char*>(bytes), sizeof(bytes));
}

// A placeable metafile's header and a few records (no reader of Qt's takes it).
QByteArray Metafile()
{
    QByteArray data("\xD7\xCD\xC6\x9A", 4);
    data.append(QByteArray(40, '\x01'));
    return data;
}

QByteArray WithHeader(const QByteArray& picture)
{
    return QByteArray("\x01\x00\x00\x01\x00\x00\x00\x00", 8) + picture;
}

// An in-memory table: Id, and Pic, a TZGraphicField.
std::unique_ptr<TZMemDataSet> PictureTable()
{
    auto table = std::make_unique<TZMemDataSet>();
    auto id = std::make_unique<TIntegerField>();
    id->SetFieldName("Id");
    table->AddField(std::move(id));
    auto pic = std::make_unique<TZGraphicField>();
    pic->SetFieldName("Pic");
    table->AddField(std::move(pic));
    table->CreateDataSet();
    return table;
}

void AppendPicture(TDataSet& table, int id, const QByteArray& value)
{
    table.Append();
    table.FieldByName("Id")->SetValue(id);
    if (!value.isNull())
        table.FieldByName("Pic")->SetValue(value);
    table.Post();
}

TZGraphicField* Pic(const TDataSet& table)
{
    return qobject_cast<TZGraphicField*>(table.FieldByName("Pic"));
}

} // namespace

TEST(GraphicDetection, RealPicturesAreRecognisedAndReadWithAndWithoutTheHeader)
{
    const QImage sample = Sample();
    struct TCase {
        QByteArray Data;
        TZGraphicKind Kind;
        bool Lossless;
    };
    const std::vector<TCase> cases = {
        {Encode(sample, "bmp"), gkBitmap, true},
        {Encode(sample, "png"), gkPNG, true},
        {Encode(sample, "jpeg"), gkJPEG, false},
        {Encode(sample, "ico"), gkIcon, true},
    };
    for (const TCase& c : cases) {
        for (const QByteArray& value : {c.Data, WithHeader(c.Data)}) {
            SCOPED_TRACE(GraphicKindFormat(c.Kind).toStdString() + (value.size() > c.Data.size() ? " with header" : ""));
            EXPECT_EQ(GraphicKindOfData(value), c.Kind);
            const QImage image = ReadGraphicImage(value);
            ASSERT_EQ(image.size(), sample.size());
            const QColor left = image.pixelColor(5, 10), right = image.pixelColor(35, 10);
            if (c.Lossless) {
                EXPECT_EQ(left.rgb(), Red.rgb());
                EXPECT_EQ(right.rgb(), QColor(Qt::blue).rgb());
            } else {
                EXPECT_GT(left.red(), 200);
                EXPECT_GT(right.blue(), 200);
            }
        }
    }
    // GIF and metafile from bytes written here: the GIF reads, the metafile is recognised
    // but Qt reads no metafile.
    for (const QByteArray& value : {TinyGif(), WithHeader(TinyGif())}) {
        EXPECT_EQ(GraphicKindOfData(value), gkGIF);
        const QImage gif = ReadGraphicImage(value);
        ASSERT_EQ(gif.size(), QSize(1, 1));
        EXPECT_EQ(gif.pixelColor(0, 0).rgb(), Red.rgb());
    }
    EXPECT_EQ(GraphicKindOfData(Metafile()), gkMetafile);
    EXPECT_EQ(GraphicKindOfData(WithHeader(Metafile())), gkMetafile);
    EXPECT_TRUE(ReadGraphicImage(Metafile()).isNull());

    // Too short, or a header with no more than 8 bytes behind it: classified by the
    // header bytes themselves, which are no picture.
    const QByteArray png = cases[1].Data;
    EXPECT_EQ(GraphicKindOfData(QByteArray()), gkNone);
    EXPECT_EQ(GraphicKindOfData(png.left(8)), gkNone);
    EXPECT_EQ(GraphicKindOfData(png.left(9)), gkPNG);
    EXPECT_EQ(GraphicKindOfData(WithHeader(png.left(8))), gkNone);
    EXPECT_EQ(GraphicKindOfData(WithHeader(png.left(9))), gkPNG);
    // A JPEG start whose fourth byte is no JFIF or Exif marker, an enhanced metafile.
    EXPECT_EQ(GraphicKindOfData(QByteArray("\xFF\xD8\xFF\xDB", 4) + QByteArray(20, '\0')), gkNone);
    EXPECT_EQ(GraphicKindOfData(QByteArray("\x01\x00\x00\x00\x6C\x00\x00\x00", 8) + QByteArray(80, ' ')), gkNone);
}

TEST(GraphicDetection, BadDataGivesAnEmptyPicture)
{
    const QImage sample = Sample();
    // Truncated pictures of every format Qt reads, cut inside their pixels (a noisy picture
    // has long pixel data): a decoder would show the part it got.
    QImage noise(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, (x * 5 + y * 91) % 256));
    for (const QByteArray& data :
         {Encode(noise, "bmp"), Encode(noise, "png"), Encode(noise, "jpeg"), Encode(noise, "ico"), TinyGif()}) {
        const TZGraphicKind kind = GraphicKindOfData(data);
        SCOPED_TRACE(GraphicKindFormat(kind).toStdString());
        const QByteArray truncated = data.left(data.size() * 2 / 3);
        ASSERT_EQ(GraphicKindOfData(truncated), kind);
        EXPECT_TRUE(ReadGraphicImage(truncated).isNull());
        EXPECT_TRUE(ReadGraphicImage(WithHeader(truncated)).isNull());
    }
    // A PNG whose compressed pixels are garbage.
    QByteArray corrupted = Encode(sample, "png");
    const qsizetype pixels = corrupted.indexOf("IDAT") + 4;
    for (qsizetype i = pixels; i < pixels + 16; ++i)
        corrupted[i] = char(0xA5);
    EXPECT_TRUE(ReadGraphicImage(corrupted).isNull());

    // Headers that claim 2^31 pixels are refused before anything is allocated.
    QByteArray huge = Encode(QImage(2, 2, QImage::Format_RGB32), "bmp");
    qToLittleEndian<qint32>(65536, huge.data() + 18);
    qToLittleEndian<qint32>(32768, huge.data() + 22);
    EXPECT_TRUE(ReadGraphicImage(huge).isNull());
    QByteArray hugeGif = TinyGif();
    qToLittleEndian<quint16>(65535, hugeGif.data() + 6);
    qToLittleEndian<quint16>(65535, hugeGif.data() + 8);
    qToLittleEndian<quint16>(65535, hugeGif.data() + 24); // the image's own size too
    qToLittleEndian<quint16>(65535, hugeGif.data() + 26);
    EXPECT_TRUE(ReadGraphicImage(hugeGif).isNull());
    // The limit is the application's to set.
    const qint64 limit = MaxGraphicPixels;
    MaxGraphicPixels = 64 * 64 - 1;
    EXPECT_TRUE(ReadGraphicImage(Encode(noise, "png")).isNull());
    MaxGraphicPixels = 64 * 64;
    EXPECT_FALSE(ReadGraphicImage(Encode(noise, "png")).isNull());
    MaxGraphicPixels = limit;
}

TEST(GraphicField, PicturesAreReadWithoutWritingAndWrittenInTheFormatAskedFor)
{
    const QImage sample = Sample();
    const QByteArray png = Encode(sample, "png");
    const QByteArray bad = Encode(sample, "png").left(60);
    auto table = PictureTable();
    AppendPicture(*table, 1, WithHeader(png));
    AppendPicture(*table, 2, bad);
    AppendPicture(*table, 3, QByteArray());
    AppendPicture(*table, 4, TinyGif());
    AppendPicture(*table, 5, QByteArray(3, 'x'));
    TZGraphicField* pic = Pic(*table);
    EXPECT_EQ(pic->DataType(), ftGraphic);

    table->First();
    EXPECT_EQ(pic->GraphicClass(), gkPNG);
    TZGraphic picture;
    pic->AssignTo(picture);
    EXPECT_EQ(picture.GetKind(), gkPNG);
    EXPECT_EQ(picture.GetImage().pixelColor(5, 5).rgb(), Red.rgb());
    QImage bitmap(3, 3, QImage::Format_RGB32);
    pic->AssignTo(bitmap); // a PNG is no bitmap
    EXPECT_TRUE(bitmap.isNull());

    // Bad, null and short values: empty pictures, no exception, nothing written.
    for (int record = 2; record <= 5; ++record) {
        table->Next();
        SCOPED_TRACE(record);
        TZGraphic other(sample);
        EXPECT_NO_THROW(pic->SaveToPicture(other));
        if (record == 2) {
            EXPECT_TRUE(other.IsEmpty());
        }
        QImage kept = sample;
        EXPECT_NO_THROW(pic->SaveToBitmap(kept));
        EXPECT_EQ(table->State(), dsBrowse);
        EXPECT_FALSE(table->Modified());
    }
    table->First();
    table->Next();
    EXPECT_EQ(pic->GetValue().toByteArray(), bad);

    // Written back: a picture loaded and not changed keeps its bytes (without the header),
    // a bitmap as a bitmap, another format when asked for.
    table->First();
    table->Edit();
    pic->Assign(picture);
    EXPECT_EQ(pic->GetValue().toByteArray(), png);
    pic->Assign(sample);
    EXPECT_TRUE(pic->GetValue().toByteArray().startsWith("BM"));
    pic->AssignTo(bitmap);
    EXPECT_EQ(bitmap.pixelColor(35, 5).rgb(), QColor(Qt::blue).rgb());
    pic->Assign(TZGraphic(sample, gkJPEG));
    EXPECT_EQ(pic->GraphicClass(), gkJPEG);
    table->Post();

    // A changed GIF cannot be written: a clear error, the value stays.
    table->Last();
    table->Prior();
    pic->AssignTo(picture);
    ASSERT_EQ(picture.GetKind(), gkGIF);
    table->Edit();
    pic->Assign(picture); // unchanged: the same bytes
    EXPECT_EQ(pic->GetValue().toByteArray(), TinyGif());
    picture.SetImage(sample);
    EXPECT_THROW(pic->Assign(picture), EDatabaseError);
    EXPECT_EQ(pic->GetValue().toByteArray(), TinyGif());
    table->Cancel();

    // The in-memory table's file keeps the bytes.
    QTemporaryDir dir;
    const QString file = dir.filePath("pictures.zdb");
    table->SaveToFile(file);
    auto copy = PictureTable();
    copy->LoadFromFile(file);
    copy->First();
    table->First();
    EXPECT_EQ(Pic(*copy)->GetValue().toByteArray(), Pic(*table)->GetValue().toByteArray());
    EXPECT_EQ(Pic(*copy)->GraphicClass(), gkJPEG);

    // The field classes can be made by name.
    const std::unique_ptr<QObject> made = CreateRegisteredObject("TZGraphicField");
    ASSERT_TRUE(qobject_cast<TZGraphicField*>(made.get()));
    EXPECT_EQ(qobject_cast<TZGraphicField*>(made.get())->DataType(), ftGraphic);
    EXPECT_EQ(GetClass("tzblobfield"), &TZBlobField::staticMetaObject);
}

class GraphicRoundTrip : public BackendTest {};

TEST_P(GraphicRoundTrip, PicturesSurviveTheDatabase)
{
    ASSERT_TRUE(ExecSql(Db(), Sqlite() ? "CREATE TABLE pics (id INTEGER PRIMARY KEY, pic BLOB)"
                                       : "CREATE TABLE pics (id INTEGER PRIMARY KEY, pic bytea)"));
    const QImage sample = Sample();
    const QByteArray png = Encode(sample, "png");
    const QByteArray prefixed = WithHeader(Encode(sample, "bmp"));
    {
        TZSQLQuery query;
        query.SetConnection(Db());
        query.SetSQLText("SELECT id, pic FROM pics ORDER BY id");
        auto pic = std::make_unique<TZGraphicField>();
        pic->SetFieldName("pic");
        query.AddField(std::move(pic));
        query.Open();
        ASSERT_TRUE(qobject_cast<TZGraphicField*>(query.FieldByName("pic")));
        query.Append();
        query.FieldByName("id")->SetValue(1);
        qobject_cast<TZGraphicField*>(query.FieldByName("pic"))->Assign(TZGraphic(sample, gkPNG));
        query.Post();
        AppendPicture(query, 2, prefixed);
        AppendPicture(query, 3, QByteArray());
    }
    // Read again, as the default field of a graphic column.
    TZSQLQuery query;
    query.SetConnection(Db());
    query.SetSQLText("SELECT id, pic FROM pics ORDER BY id");
    query.SetFieldType("pic", ftGraphic);
    query.Open();
    TField* pic = query.FieldByName("pic");
    EXPECT_EQ(pic->DataType(), ftGraphic);
    EXPECT_EQ(pic->GetValue().toByteArray(), png);
    EXPECT_EQ(FieldGraphicClass(pic), gkPNG);
    EXPECT_EQ(ReadGraphicImage(pic->GetValue().toByteArray()).pixelColor(35, 5).rgb(), QColor(Qt::blue).rgb());
    query.Next();
    EXPECT_EQ(pic->GetValue().toByteArray(), prefixed);
    EXPECT_EQ(FieldGraphicClass(pic), gkBitmap);
    EXPECT_EQ(ReadGraphicImage(pic->GetValue().toByteArray()).pixelColor(5, 5).rgb(), Red.rgb());
    query.Next();
    EXPECT_TRUE(pic->IsNull());
    EXPECT_EQ(FieldGraphicClass(pic), gkNone);
}

INSTANTIATE_TEST_SUITE_P(Databases, GraphicRoundTrip, AllBackends(), BackendName);

TEST(GraphicGrid, ThePictureFitsTheCellInProportionAndBadDataLeavesItBlank)
{
    auto table = PictureTable();
    AppendPicture(*table, 1, Encode(QImage(40, 20, QImage::Format_RGB32), "png")); // replaced below
    AppendPicture(*table, 2, Encode(Sample(), "png").left(50));
    table->First();
    table->Edit();
    QImage red(40, 20, QImage::Format_RGB32);
    red.fill(Red);
    Pic(*table)->Assign(TZGraphic(red, gkPNG));
    table->Post();

    TDataSource source;
    source.SetDataSet(table.get());
    TZDBGrid grid;
    grid.SetDataSource(&source);
    grid.resize(400, 300);
    grid.show();
    QApplication::processEvents();
    TZColumn* column = grid.FindColumn("Pic");
    ASSERT_TRUE(column);
    column->SetWidth(120);
    column->SetAlignment(taCenter);
    QApplication::processEvents();
    const int col = grid.DataToRawColumn(column->Index());
    const QImage image = grid.viewport()->grab().toImage();
    const auto redPixels = [&image](const QRect& cell) {
        int count = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.red() > 200 && c.green() < 80 && c.blue() < 80;
            }
        return count;
    };
    const QRect first = grid.CellRect(col, grid.TitleRowCount());
    const QSize fitted = QSize(40, 20).scaled(first.adjusted(1, 1, -1, -1).size(), Qt::KeepAspectRatio);
    ASSERT_LT(fitted.height(), 20); // scaled down to the row
    const int painted = redPixels(first);
    EXPECT_NEAR(painted, fitted.width() * fitted.height(), fitted.width() + fitted.height());
    // Centred: as much cell on either side.
    EXPECT_EQ(image.pixelColor(first.center()).rgb(), Red.rgb());
    EXPECT_NE(image.pixelColor(first.left() + 3, first.center().y()).rgb(), Red.rgb());

    // A truncated picture: the cell is blank.
    const QRect second = grid.CellRect(col, grid.TitleRowCount() + 1);
    const QRect inner = second.adjusted(1, 1, -2, -2);
    int ink = 0;
    for (int y = inner.top(); y <= inner.bottom(); ++y)
        for (int x = inner.left(); x <= inner.right(); ++x)
            ink += image.pixelColor(x, y) != image.pixelColor(inner.topLeft());
    EXPECT_EQ(ink, 0);
    EXPECT_EQ(table->State(), dsBrowse);
}
