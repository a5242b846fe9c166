#pragma once
// The demo's database: an SQLite file with customers, products, order states,
// orders and their lines, and a hierarchy of categories, generated the same way
// on every machine.

#include <QSqlDatabase>
#include <QString>

#include <functional>

namespace zdb::demo {

// Where the demo keeps its database: next to the executable when that folder
// is writable, otherwise in the user's application-data folder.
QString DefaultSampleDatabasePath();

// Opens the sample database at filePath as connection connectionName, and
// creates and fills it first when the file is missing or was made by an older
// version of the demo. Raises EDatabaseError when the file cannot be opened or
// filled.
QSqlDatabase OpenSampleDatabase(const QString& filePath, const QString& connectionName);

// Sizes of the generated data.
inline constexpr int SampleCustomerCount = 300;
inline constexpr int SampleOrderCount = 4000;
inline constexpr int SampleCategoryCount = 10000;

// The large table of the demo: MillionRowCount generated sales in a table "sales" of an
// SQLite file of its own, next to the sample database, made once and reused.
inline constexpr int MillionRowCount = 1000000;
QString DefaultMillionDatabasePath();

// Opens the file at filePath as connection connectionName, and first creates and
// fills its sales table when the file lacks it. While it fills, progress is told
// how far it got (in percent) and may return false to stop: the file is then removed and the connection returned
// is closed. Raises EDatabaseError when the file cannot be opened or filled.
QSqlDatabase OpenMillionDatabase(const QString& filePath, const QString& connectionName,
                                 const std::function<bool(int percent)>& progress);

} // namespace zdb::demo
