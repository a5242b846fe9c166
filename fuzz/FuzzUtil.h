#pragma once
// What the fuzz programs share: the application object some parsers need, a
// failed property check that stops the run, and a small in-memory table.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "DB.h"
#include "ZDBGrids.h"
#include "ZDBMemData.h"

namespace fuzz {

// The QApplication (offscreen) of the process, made on the first call.
void EnsureApplication();

// Reports a broken property with the input's text and aborts, so that libFuzzer
// (or the replay run) records the input as a finding.
[[noreturn]] void Fail(const char* property, const QString& detail);
inline void Check(bool ok, const char* property, const QString& detail = QString())
{
    if (!ok)
        Fail(property, detail);
}

inline QString Text(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}
inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// An open table of fields Id (integer), Name (wide string), Price (float),
// Born (date), Paid (boolean) and "Full Name" (string) with three records.
std::unique_ptr<zdb::TZMemDataSet> MakeTable();

// A grid (never shown) over MakeTable's table.
struct TTableGrid {
    TTableGrid();
    std::unique_ptr<zdb::TZMemDataSet> Table;
    zdb::TDataSource Source;
    zdb::TZDBGrid Grid;
};

} // namespace fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
