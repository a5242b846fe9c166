// The grid's column stream (a JSON document). A stream that is refused leaves
// the columns, their settings text and the grid's order as they were; one that
// loads saves to a stream that loads back to itself.

#include "FuzzUtil.h"

#include "DBError.h"

#include <QBuffer>

using namespace zdb;

namespace {

QByteArray Saved(TZDBGrid& grid)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    grid.Columns()->SaveToStream(buffer);
    return buffer.data();
}

void Load(TZDBGrid& grid, const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    grid.Columns()->LoadFromStream(buffer);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 16384)
        return 0;
    fuzz::TTableGrid sample;
    TZDBGrid& grid = sample.Grid;
    {
        TZLayoutGuard layout(&grid);
        grid.Columns()->Clear();
        for (const char* name : {"Name", "Id", "Full Name"})
            grid.Columns()->Add()->SetFieldName(QString::fromLatin1(name));
        grid.Columns()->Items(0)->SetWidth(111);
    }
    grid.SetOrderFields(QStringLiteral("Name DESC"));
    const QByteArray before = Saved(grid);
    const QStringList settingsBefore = grid.Columns()->GetSettings();

    const QByteArray input = fuzz::Bytes(data, size);
    try {
        Load(grid, input);
    } catch (const EDatabaseError&) {
        fuzz::Check(Saved(grid) == before && grid.Columns()->GetSettings() == settingsBefore &&
                        grid.GetOrderFields() == QLatin1String("Name DESC"),
                    "a refused stream leaves the columns as they were", QString::fromUtf8(input));
        return 0;
    }
    const QByteArray once = Saved(grid);
    try {
        Load(grid, once);
    } catch (const EDatabaseError& e) {
        fuzz::Fail("a saved stream loads", QString::fromUtf8(input) + "\n---\n" + QString::fromUtf8(once) + "\n" +
                                               e.Message());
    }
    fuzz::Check(Saved(grid) == once, "a saved stream loads back to itself",
                QString::fromUtf8(input) + "\n---\n" + QString::fromUtf8(once) + "\n---\n" +
                    QString::fromUtf8(Saved(grid)));
    return 0;
}
