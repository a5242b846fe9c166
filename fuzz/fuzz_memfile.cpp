// The in-memory dataset's file. Loading a file that is refused leaves the
// dataset as it was (definitions, rows, index, current record); a file that
// loads saves to a file that loads back to the same dataset. An input whose
// first byte is 'P' is the payload alone: it gets the header with its length
// and checksum, so that mutations reach the reading of definitions and rows
// instead of stopping at the checksum.

#include "FuzzUtil.h"

#include "DBError.h"
#include "ZDBMemData.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace zdb;

namespace {

// Everything a load may change, as text.
QString Dump(TZMemDataSet& table)
{
    QStringList out;
    out << QStringLiteral("active=%1 state=%2 index=%3 fields=%4")
               .arg(table.GetActive())
               .arg(int(table.State()))
               .arg(table.GetIndexName() + '|' + table.GetIndexFieldNames())
               .arg(table.GetActive() ? table.Fields().Count() : -1);
    if (!table.GetActive())
        return out.join(u'\n');
    const int current = table.RecNo();
    for (const auto& field : table.Fields())
        out << field->GetFieldName() + QStringLiteral(":%1").arg(int(field->DataType()));
    table.DisableControls();
    for (table.First(); !table.Eof(); table.Next()) {
        QStringList row;
        for (const auto& field : table.Fields()) {
            const QVariant value = field->GetValue();
            row << (value.isNull() ? QStringLiteral("<null>") : value.toString());
        }
        out << row.join(u'\t');
    }
    if (current > 0)
        table.SetRecNo(current);
    table.EnableControls();
    out << QStringLiteral("recno=%1").arg(table.GetActive() ? table.RecNo() : -1);
    return out.join(u'\n');
}

QByteArray WithHeader(const QByteArray& payload)
{
    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.writeRawData("ZMDS", 4);
    out << quint16(1) << quint64(payload.size());
    const QByteArray hash = QCryptographicHash::hash(payload, QCryptographicHash::Sha256);
    out.writeRawData(hash.constData(), int(hash.size()));
    out.writeRawData(payload.constData(), int(payload.size()));
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 65536)
        return 0;
    static QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("input.zmd"));
    const QString output = dir.filePath(QStringLiteral("output.zmd"));
    {
        QFile file(input);
        fuzz::Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the input file is written");
        const QByteArray bytes = fuzz::Bytes(data, size);
        file.write(size > 0 && data[0] == 'P' ? WithHeader(bytes.mid(1)) : bytes);
    }
    const std::unique_ptr<TZMemDataSet> table = fuzz::MakeTable();
    table->Next();
    const QString before = Dump(*table);
    try {
        table->LoadFromFile(input);
    } catch (const EDatabaseError&) {
        fuzz::Check(Dump(*table) == before, "a refused file leaves the dataset as it was");
        return 0;
    }
    const QString loaded = Dump(*table);
    table->SaveToFile(output);
    TZMemDataSet other;
    try {
        other.LoadFromFile(output);
    } catch (const EDatabaseError& e) {
        fuzz::Fail("a saved file loads", e.Message());
    }
    other.First();
    table->First();
    fuzz::Check(Dump(other) == Dump(*table), "a saved file loads back to the same dataset", loaded);
    return 0;
}
