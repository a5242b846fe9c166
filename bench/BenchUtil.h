// Shared timing, data and reporting for the benchmark programs.
//
// A program creates one TBench, asks it for the record counts to measure, and for each
// operation hands Time() the operation and its baselines: they run alternately
// Repeats() rounds, each round starting with the next of them (ours, baseline; baseline,
// ours; ...), and the medians come back. Row()
// prints a line and keeps it; at exit the rows go to <out>/<program>.tsv, which
// bench_report turns into results.md and the charts.
//
//   bench_x              10,000, 100,000 and 1,000,000 records (or the program's own counts)
//   bench_x --smoke      1,000 records, one run each (keeps the programs working)
//   bench_x --sizes=N,M  chosen counts
//   bench_x --only=WORD  only the operations whose name contains WORD (e.g. under a profiler)
// ZDB_BENCH_OUT names the folder for the .tsv file; ZDB_BENCH_REPEATS the runs
// per figure (at least 5 outside the smoke run).
#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QStandardItemModel;
class QWidget;
class QTemporaryDir;

namespace zdb {
class TDataSet;
class TZMemDataSet;
}

namespace zdb::bench {

// One alternative of a timed comparison: Prepare runs untimed before every run.
struct TAlternative {
    std::function<void()> Run;
    std::function<void()> Prepare = {};
};

class TBench {
public:
    TBench(const char* Program, int argc, char** argv, std::vector<int> DefaultSizes = {10000, 100000, 1000000});
    ~TBench();
    TBench(const TBench&) = delete;
    TBench& operator=(const TBench&) = delete;

    const std::vector<int>& Sizes() const { return FSizes; }
    bool Smoke() const { return FSmoke; }
    int Repeats() const { return FRepeats; }
    // Whether the operation is to be measured in this run (--only).
    bool Wants(const QString& Operation) const { return FOnly.isEmpty() || Operation.contains(FOnly); }

    // Runs the alternatives Repeats() times each, interleaved, each round starting with the
    // next one; the median milliseconds.
    std::vector<double> Time(const std::vector<TAlternative>& Alternatives) const;
    // One figure: our time against a baseline's; MaxRatio > 0 is the goal (ours/baseline).
    // Ms <= 0 is an operation that was not measured (Note says why): a goal it has is missed.
    void Row(const QString& Operation, const QString& Data, int N, double Ms, const QString& Baseline,
             double BaseMs, double MaxRatio = 0, const QString& Note = {});
    // A goal that is not a single ratio (scaling across counts, memory): met or not, with its figures.
    void Check(const QString& What, bool Met, const QString& Detail);

private:
    QString FProgram;
    std::vector<int> FSizes;
    bool FSmoke = false;
    int FRepeats = 5;
    QString FOnly;
    QStringList FLines;
};

// Median of a few samples.
double Median(std::vector<double> Samples);
// Milliseconds one call takes.
double Millis(const std::function<void()>& Work);
// Bytes the heap holds now (glibc's count of allocated bytes).
qint64 HeapBytes();
// Resident bytes of this process now (VmRSS) and at its peak (VmHWM); ResetPeakResident
// starts the peak again from now (false where the kernel cannot).
qint64 ResidentBytes();
qint64 PeakResidentBytes();
bool ResetPeakResident();

// One frame as every benchmark draws it: pending events processed (Pending),
// then the whole widget rendered into a pixmap.
void Frame(QWidget& Widget, bool Pending = true);
// The records of DataSet, counted by a walk with its controls disabled.
int CountRecords(TDataSet& DataSet);

// The benchmark table: 10 columns of integers, floats, strings of 10 to 40
// characters and dates, the same values for the same count on every run.
struct TRecord {
    int Id;
    int Qty;
    double Price;
    double Rate;
    QString Name;
    QString City;
    QString Note;
    QString Code;
    QDate Born;
    QDate Due;
};
std::vector<TRecord> MakeRecords(int N);
// Column names in table order: id, qty, price, rate, name, city, note, code, born, due.
QStringList ColumnNames();
QString SelectAll(); // "SELECT id, ... FROM t"

void FillMem(TZMemDataSet& Table, const std::vector<TRecord>& Records);
void FillModel(QStandardItemModel& Model, const std::vector<TRecord>& Records);
// Table t in a new SQLite file in Dir; the connection's name is Name.
QSqlDatabase CreateSqlite(const QTemporaryDir& Dir, const QString& Name, const std::vector<TRecord>& Records);
// Table t on the PostgreSQL server of ZDB_PG_HOST/PORT/USER/DBNAME; nothing when it is not set.
std::optional<QSqlDatabase> CreatePostgres(const QString& Name, const std::vector<TRecord>& Records);
// Drops that table and closes the connection.
void DropPostgres(QSqlDatabase& Db);

// The same table made by the database itself, for counts too large to build on the client
// (10,000,000 rows in seconds): the values are a fixed function of id, so a count gives
// the same rows on every run and on both databases (not MakeRecords' rows). `note` and
// `code` end with eight digits unique up to 10,000,018 rows; `code` is indexed, `note` not.
// The SQLite file is kept in Folder under a name with the count and the format's version,
// and made again only when missing; the path comes back.
QString GenerateSqlite(const QString& Folder, int N);
// On the PostgreSQL server in a schema of its own, as CreatePostgres; DropPostgres drops it.
std::optional<QSqlDatabase> GeneratePostgres(const QString& Name, int N);
// The schema CreatePostgres and GeneratePostgres give the table of connection Name; another
// process reaches it by OpenPostgres with that schema.
QString PostgresSchema(const QString& Name);
std::optional<QSqlDatabase> OpenPostgres(const QString& Name, const QString& Schema);

// Writes results.md into MdPath and one chart per operation into ChartDir from the
// .tsv files of InDir, with the text of AnalysisPath (if any) appended.
int WriteReport(const QString& InDir, const QString& MdPath, const QString& ChartDir, const QString& AnalysisPath);

} // namespace zdb::bench
