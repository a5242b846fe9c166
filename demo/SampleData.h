#pragma once
// The demo's database: an SQLite file with customers, products, order states,
// orders and their lines, and a hierarchy of categories, generated the same way
// on every machine.

#include <QSqlDatabase>
#include <QString>

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

} // namespace zdb::demo
