#include "BenchUtil.h"

#include "DB.h"
#include "ZDBMemData.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QWidget>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <malloc.h>
#include <stdexcept>
#include <thread>

namespace zdb::bench {

namespace {

QString Field(const QString& Text)
{
    QString text = Text;
    return text.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

void Exec(QSqlQuery& Query, const QString& Sql)
{
    if (!Query.exec(Sql))
        throw std::runtime_error(("SQL failed: " + Query.lastError().text() + " in " + Sql.left(200)).toStdString());
}

QString Literal(const QString& Text)
{
    return QLatin1Char('\'') + QString(Text).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

const char* const CreateTable =
    "CREATE TABLE t (id INTEGER PRIMARY KEY, qty INTEGER, price DOUBLE PRECISION, rate DOUBLE PRECISION, "
    "name VARCHAR(40), city VARCHAR(40), note VARCHAR(40), code VARCHAR(40), born DATE, due DATE)";

} // namespace

TBench::TBench(const char* Program, int argc, char** argv, std::vector<int> DefaultSizes)
    : FProgram(QString::fromLatin1(Program)), FSizes(std::move(DefaultSizes))
{
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--smoke")) {
            FSmoke = true;
            FSizes = {1000};
        } else if (arg.startsWith(QLatin1String("--sizes="))) {
            FSizes.clear();
            for (const QString& size : arg.mid(8).split(QLatin1Char(','), Qt::SkipEmptyParts))
                FSizes.push_back(size.toInt());
        } else if (arg.startsWith(QLatin1String("--only="))) {
            FOnly = arg.mid(7);
        }
    }
    FRepeats = FSmoke ? 1 : std::max(5, qEnvironmentVariableIntValue("ZDB_BENCH_REPEATS"));
    std::printf("== %s: %d runs per figure, medians in ms; ratio = ours / baseline\n", Program, FRepeats);
    std::fflush(stdout);
}

TBench::~TBench()
{
    const QString dir = qEnvironmentVariable("ZDB_BENCH_OUT");
    if (dir.isEmpty() || FSmoke)
        return;
    QDir().mkpath(dir);
    QFile file(QDir(dir).filePath(FProgram + QStringLiteral(".tsv")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        return;
    }
    QTextStream out(&file);
    for (const QString& line : FLines)
        out << line << '\n';
}

std::vector<double> TBench::Time(const std::vector<TAlternative>& Alternatives) const
{
    // Each round starts with the next alternative: none always runs right after the same
    // one (whose freed memory and cold caches it would inherit) or always first.
    const size_t count = Alternatives.size();
    std::vector<std::vector<double>> samples(count);
    for (int run = 0; run < FRepeats; ++run)
        for (size_t step = 0; step < count; ++step) {
            const size_t i = (size_t(run) + step) % count;
            if (Alternatives[i].Prepare)
                Alternatives[i].Prepare();
            samples[i].push_back(Millis(Alternatives[i].Run));
        }
    std::vector<double> medians;
    for (auto& s : samples)
        medians.push_back(Median(std::move(s)));
    return medians;
}

void TBench::Row(const QString& Operation, const QString& Data, int N, double Ms, const QString& Baseline,
                 double BaseMs, double MaxRatio, const QString& Note)
{
    const double ratio = BaseMs > 0 ? Ms / BaseMs : 0;
    const char* verdict = MaxRatio <= 0 ? "" : Ms <= 0 ? "  GOAL MISSED (not measured)"
                                             : (ratio <= MaxRatio ? "  goal met" : "  GOAL MISSED");
    std::printf("%-28s %-10s %8d  ours %10.2f  %-26s %10.2f  ratio %7.2f%s%s%s\n", qPrintable(Operation),
                qPrintable(Data), N, Ms, qPrintable(Baseline), BaseMs, ratio, verdict, Note.isEmpty() ? "" : "  ",
                qPrintable(Note));
    std::fflush(stdout);
    FLines << QStringList{QStringLiteral("row"), FProgram, Field(Operation), Field(Data), QString::number(N),
                          QString::number(Ms, 'f', 3), Field(Baseline), QString::number(BaseMs, 'f', 3),
                          QString::number(MaxRatio), Field(Note)}
                  .join(QLatin1Char('\t'));
}

void TBench::Check(const QString& What, bool Met, const QString& Detail)
{
    std::printf("check: %s: %s (%s)\n", qPrintable(What), Met ? "met" : "MISSED", qPrintable(Detail));
    std::fflush(stdout);
    FLines << QStringList{QStringLiteral("check"), FProgram, Field(What), Met ? QStringLiteral("1") : QStringLiteral("0"),
                          Field(Detail)}
                  .join(QLatin1Char('\t'));
}

double Median(std::vector<double> Samples)
{
    if (Samples.empty())
        return 0;
    std::sort(Samples.begin(), Samples.end());
    const size_t mid = Samples.size() / 2;
    return Samples.size() % 2 ? Samples[mid] : (Samples[mid - 1] + Samples[mid]) / 2;
}

double Millis(const std::function<void()>& Work)
{
    QElapsedTimer timer;
    timer.start();
    Work();
    return double(timer.nsecsElapsed()) / 1e6;
}

qint64 HeapBytes()
{
    return qint64(mallinfo2().uordblks);
}

namespace {

// A "Vm...:   1234 kB" line of /proc/self/status in bytes; 0 where there is none.
qint64 StatusBytes(const char* Key)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    const QByteArray key = QByteArray(Key) + ':';
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

} // namespace

qint64 ResidentBytes()
{
    return StatusBytes("VmRSS");
}

qint64 PeakResidentBytes()
{
    return StatusBytes("VmHWM");
}

void Frame(QWidget& Widget, bool Pending)
{
    static volatile qlonglong sink = 0;
    if (Pending)
        QCoreApplication::processEvents();
    sink = sink + Widget.grab().width();
}

int CountRecords(TDataSet& DataSet)
{
    int count = 0;
    TDataSetControlsGuard controls(&DataSet);
    for (DataSet.First(); !DataSet.Eof(); DataSet.Next())
        ++count;
    return count;
}

bool ResetPeakResident()
{
    // Writing 5 to clear_refs sets the peak (VmHWM) back to the present resident size.
    QFile file(QStringLiteral("/proc/self/clear_refs"));
    return file.open(QIODevice::WriteOnly) && file.write("5") == 1;
}

namespace {

// A fixed linear congruential sequence: the same values on every run.
class TSequence {
public:
    explicit TSequence(quint64 Seed) : FState(Seed) {}
    quint32 Next()
    {
        FState = FState * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(FState >> 33);
    }
    // Syllables with a space now and then, Length characters, no space at the end.
    QString Text(int Length)
    {
        static const char* const syllables[] = {"ka", "lo", "mi", "ne", "ru", "sa", "ti", "vo", "be", "da", "fu", "go"};
        QString s;
        s.reserve(Length + 2);
        while (s.size() < Length) {
            s += QLatin1String(syllables[Next() % 12]);
            if (Next() % 5 == 0)
                s += QLatin1Char(' ');
        }
        s.truncate(Length);
        if (s.endsWith(QLatin1Char(' ')))
            s[Length - 1] = QLatin1Char('x');
        return s;
    }

private:
    quint64 FState;
};

} // namespace

std::vector<TRecord> MakeRecords(int N)
{
    TSequence sequence(0x2545F4914F6CDD1DULL);
    auto next = [&sequence] { return sequence.Next(); };
    auto text = [&] { return sequence.Text(10 + int(next() % 31)); };
    const QDate base(2000, 1, 1);
    std::vector<TRecord> records;
    records.reserve(size_t(N));
    for (int i = 1; i <= N; ++i) {
        TRecord r;
        r.Id = i;
        r.Qty = int(next() % 1000);
        r.Price = double(next() % 1000000) / 100.0;
        r.Rate = double(next() % 10000) / 10000.0;
        r.Name = text();
        r.City = text();
        r.Note = text();
        r.Code = text();
        r.Born = base.addDays(next() % 9000);
        r.Due = base.addDays(next() % 9000);
        records.push_back(std::move(r));
    }
    return records;
}

QStringList ColumnNames()
{
    return {QStringLiteral("id"),   QStringLiteral("qty"),  QStringLiteral("price"), QStringLiteral("rate"),
            QStringLiteral("name"), QStringLiteral("city"), QStringLiteral("note"),  QStringLiteral("code"),
            QStringLiteral("born"), QStringLiteral("due")};
}

QString SelectAll()
{
    return QStringLiteral("SELECT ") + ColumnNames().join(QStringLiteral(", ")) + QStringLiteral(" FROM t");
}

void FillMem(TZMemDataSet& Table, const std::vector<TRecord>& Records)
{
    const QStringList names = ColumnNames();
    const TFieldType types[] = {ftInteger, ftInteger, ftFloat,  ftFloat, ftString,
                                ftString,  ftString,  ftString, ftDate,  ftDate};
    for (int i = 0; i < names.size(); ++i)
        Table.FieldDefs().Add(names[i], types[i], types[i] == ftString ? 40 : 0);
    Table.CreateDataSet();
    TDataSetControlsGuard controls(&Table);
    std::vector<TField*> f;
    for (int i = 0; i < names.size(); ++i)
        f.push_back(Table.Fields()[i]);
    for (const TRecord& r : Records) {
        Table.Append();
        f[0]->SetValue(r.Id);
        f[1]->SetValue(r.Qty);
        f[2]->SetValue(r.Price);
        f[3]->SetValue(r.Rate);
        f[4]->SetValue(r.Name);
        f[5]->SetValue(r.City);
        f[6]->SetValue(r.Note);
        f[7]->SetValue(r.Code);
        f[8]->SetValue(r.Born);
        f[9]->SetValue(r.Due);
        Table.Post();
    }
    Table.First();
}

void FillModel(QStandardItemModel& Model, const std::vector<TRecord>& Records)
{
    Model.clear();
    Model.setColumnCount(10);
    Model.setHorizontalHeaderLabels(ColumnNames());
    Model.setRowCount(int(Records.size()));
    int row = 0;
    for (const TRecord& r : Records) {
        const QVariant values[] = {r.Id, r.Qty, r.Price, r.Rate, r.Name, r.City, r.Note, r.Code, r.Born, r.Due};
        for (int c = 0; c < 10; ++c) {
            auto* item = new QStandardItem;
            item->setData(values[c], Qt::DisplayRole);
            Model.setItem(row, c, item); // the model owns it
        }
        ++row;
    }
}

QSqlDatabase CreateSqlite(const QTemporaryDir& Dir, const QString& Name, const std::vector<TRecord>& Records)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Name);
    db.setDatabaseName(Dir.filePath(Name + QStringLiteral(".sqlite")));
    if (!db.open())
        throw std::runtime_error(("cannot open SQLite: " + db.lastError().text()).toStdString());
    QSqlQuery q(db);
    Exec(q, QString::fromLatin1(CreateTable));
    db.transaction();
    q.prepare(QStringLiteral("INSERT INTO t VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const TRecord& r : Records) {
        const QVariant values[] = {r.Id,   r.Qty,  r.Price,
                                   r.Rate, r.Name, r.City,
                                   r.Note, r.Code, r.Born.toString(Qt::ISODate),
                                   r.Due.toString(Qt::ISODate)};
        for (int c = 0; c < 10; ++c)
            q.bindValue(c, values[c]);
        if (!q.exec())
            throw std::runtime_error(("SQLite insert failed: " + q.lastError().text()).toStdString());
    }
    db.commit();
    return db;
}

QString PostgresSchema(const QString& Name)
{
    return QStringLiteral("zdb_bench_%1_%2").arg(QCoreApplication::applicationPid()).arg(Name);
}

std::optional<QSqlDatabase> OpenPostgres(const QString& Name, const QString& Schema)
{
    if (!qEnvironmentVariableIsSet("ZDB_PG_HOST") || !QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return std::nullopt;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), Name);
    db.setHostName(qEnvironmentVariable("ZDB_PG_HOST"));
    db.setPort(qEnvironmentVariableIntValue("ZDB_PG_PORT"));
    db.setUserName(qEnvironmentVariable("ZDB_PG_USER"));
    db.setDatabaseName(qEnvironmentVariable("ZDB_PG_DBNAME"));
    // A schema of its own, so parallel runs and the tests never share the table; the
    // connection options carry it to the clones the query opens for its cursor.
    db.setConnectOptions(QStringLiteral("options=-csearch_path=") + Schema);
    if (!db.open())
        throw std::runtime_error(("cannot open PostgreSQL: " + db.lastError().text()).toStdString());
    return db;
}

namespace {

// Connection Name on a new, empty schema holding an empty table t.
std::optional<QSqlDatabase> NewPostgresTable(const QString& Name)
{
    const QString schema = PostgresSchema(Name);
    std::optional<QSqlDatabase> db = OpenPostgres(Name, schema);
    if (!db)
        return db;
    QSqlQuery q(*db);
    Exec(q, QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema));
    Exec(q, QStringLiteral("CREATE SCHEMA %1").arg(schema));
    Exec(q, QString::fromLatin1(CreateTable));
    return db;
}

} // namespace

std::optional<QSqlDatabase> CreatePostgres(const QString& Name, const std::vector<TRecord>& Records)
{
    std::optional<QSqlDatabase> db = NewPostgresTable(Name);
    if (!db)
        return db;
    QSqlQuery q(*db);
    db->transaction();
    const size_t batch = 1000;
    for (size_t from = 0; from < Records.size(); from += batch) {
        QStringList rows;
        for (size_t i = from; i < std::min(Records.size(), from + batch); ++i) {
            const TRecord& r = Records[i];
            rows << QStringLiteral("(%1,%2,%3,%4,%5,%6,%7,%8,'%9','%10')")
                        .arg(r.Id)
                        .arg(r.Qty)
                        .arg(QString::number(r.Price, 'g', 17), QString::number(r.Rate, 'g', 17), Literal(r.Name),
                             Literal(r.City), Literal(r.Note), Literal(r.Code), r.Born.toString(Qt::ISODate),
                             r.Due.toString(Qt::ISODate));
        }
        Exec(q, QStringLiteral("INSERT INTO t VALUES ") + rows.join(QLatin1Char(',')));
    }
    db->commit();
    Exec(q, QStringLiteral("ANALYZE t"));
    return db;
}

namespace {

// Bump when GeneratedInsert gives other rows: the cached SQLite files are made again.
const int GeneratedFormat = 1;

// INSERT INTO t of rows 1..N computed by the database. Every value comes from
// x = (id * multiplier) mod 2^31-1, mixed by squaring (mod the same prime): integers
// below 2^62, the same in SQLite and PostgreSQL. Strings are cut from one fixed text of
// syllables; the unique ends of note and code are id * m mod 10,000,019 (a prime), so
// their order is not the order of id.
QString GeneratedInsert(bool Postgres, int From, int To)
{
    static const char* const multipliers[] = {"48271",     "69621",      "16807",    "39373",    "742938285",
                                              "950706376", "1226874159", "62089911", "630360016"};
    QStringList mixed;
    for (int k = 0; k < 9; ++k)
        mixed << QStringLiteral("(i * %1) % 2147483647 AS x%2").arg(QLatin1String(multipliers[k])).arg(k + 1);
    auto y = [](int k) { return QStringLiteral("(x%1 * x%1 % 2147483647)").arg(k); };
    TSequence sequence(0x9E3779B97F4A7C15ULL);
    const QString pool = Literal(sequence.Text(440));
    // Shortest to Shortest + Spread - 1 characters from a start among the first 400.
    auto cut = [&](int k, int Shortest, int Spread) {
        return QStringLiteral("substr(%1, CAST(1 + %2 % 400 AS INTEGER), CAST(%3 + %2 / 400 % %4 AS INTEGER))")
            .arg(pool, y(k), QString::number(Shortest), QString::number(Spread));
    };
    auto digits = [&](int Multiplier) {
        const QString value = QStringLiteral("(i * %1) % 10000019").arg(Multiplier);
        return Postgres ? QStringLiteral("lpad(CAST(") + value + QStringLiteral(" AS TEXT), 8, '0')")
                        : QStringLiteral("printf('%08d', ") + value + QStringLiteral(")");
    };
    auto day = [&](int k) {
        const QString days = QStringLiteral("(") + y(k) + QStringLiteral(" % 9000)"); // || binds first in SQLite
        return Postgres ? QStringLiteral("DATE '2000-01-01' + CAST(") + days + QStringLiteral(" AS INTEGER)")
                        : QStringLiteral("date('2000-01-01', '+' || ") + days + QStringLiteral(" || ' days')");
    };
    const QStringList columns = {QStringLiteral("i"),
                                 y(1) + QStringLiteral(" % 1000"),
                                 QStringLiteral("(") + y(2) + QStringLiteral(" % 1000000) / 100.0"),
                                 QStringLiteral("(") + y(3) + QStringLiteral(" % 10000) / 10000.0"),
                                 cut(4, 10, 31),
                                 cut(5, 10, 31),
                                 cut(6, 2, 31) + QStringLiteral(" || ") + digits(7919),
                                 cut(7, 2, 31) + QStringLiteral(" || ") + digits(104729),
                                 day(8),
                                 day(9)};
    const QString from = QString::number(From), to = QString::number(To);
    const QString rows = QStringLiteral("(SELECT i, ") + mixed.join(QStringLiteral(", ")) +
                         (Postgres ? QStringLiteral(" FROM generate_series(CAST(%1 AS BIGINT), %2) AS s(i)) AS r").arg(from, to)
                                   : QStringLiteral(" FROM s) AS r"));
    const QString insert = QStringLiteral("INSERT INTO t SELECT ") + columns.join(QStringLiteral(", ")) +
                           QStringLiteral(" FROM ") + rows;
    return Postgres ? insert
                    : QStringLiteral("WITH RECURSIVE s(i) AS (SELECT %1 UNION ALL SELECT i + 1 FROM s WHERE i < %2) ")
                              .arg(from, to) +
                          insert;
}

} // namespace

QString GenerateSqlite(const QString& Folder, int N)
{
    QDir().mkpath(Folder);
    const QString path =
        QDir(Folder).filePath(QStringLiteral("generated-t-v%1-%2.sqlite").arg(GeneratedFormat).arg(N));
    if (QFileInfo::exists(path))
        return path;
    // Made under a name of this process and renamed when complete: an interrupted run
    // or another program making the same file at the same time never leaves half a table.
    const QString part = path + QStringLiteral(".part%1").arg(QCoreApplication::applicationPid());
    QFile::remove(part);
    const QString name = QStringLiteral("generate%1").arg(N);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(part);
        if (!db.open())
            throw std::runtime_error(("cannot open SQLite: " + db.lastError().text()).toStdString());
        QSqlQuery q(db);
        Exec(q, QStringLiteral("PRAGMA journal_mode = OFF"));
        Exec(q, QStringLiteral("PRAGMA synchronous = OFF"));
        Exec(q, QString::fromLatin1(CreateTable));
        Exec(q, GeneratedInsert(false, 1, N));
        Exec(q, QStringLiteral("CREATE INDEX t_code ON t (code)"));
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!QFile::rename(part, path)) {
        QFile::remove(part);
        if (!QFileInfo::exists(path))
            throw std::runtime_error(("cannot write " + path).toStdString());
    }
    return path;
}

std::optional<QSqlDatabase> GeneratePostgres(const QString& Name, int N)
{
    std::optional<QSqlDatabase> db = NewPostgresTable(Name);
    if (!db)
        return db;
    // The server computes the rows on one core per connection: a connection per core,
    // each inserting its share of the ids.
    const int parts = std::clamp(QThread::idealThreadCount(), 1, 4);
    std::vector<std::exception_ptr> errors(static_cast<size_t>(parts));
    std::vector<std::thread> workers;
    for (int part = 0; part < parts; ++part)
        workers.emplace_back([&, part] {
            const QString name = QStringLiteral("%1_part%2").arg(db->connectionName()).arg(part);
            try {
                QSqlDatabase connection = OpenPostgres(name, PostgresSchema(db->connectionName())).value();
                QSqlQuery insert(connection);
                Exec(insert, GeneratedInsert(true, int(qlonglong(N) * part / parts) + 1,
                                             int(qlonglong(N) * (part + 1) / parts)));
            } catch (...) {
                errors[size_t(part)] = std::current_exception();
            }
            QSqlDatabase::removeDatabase(name);
        });
    for (std::thread& worker : workers)
        worker.join();
    for (const std::exception_ptr& error : errors)
        if (error)
            std::rethrow_exception(error);
    QSqlQuery q(*db);
    Exec(q, QStringLiteral("CREATE INDEX t_code ON t (code)"));
    Exec(q, QStringLiteral("ANALYZE t"));
    return db;
}

void DropPostgres(QSqlDatabase& Db)
{
    const QString name = Db.connectionName();
    {
        QSqlQuery q(Db);
        q.exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(PostgresSchema(name)));
    }
    Db.close();
    Db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

} // namespace zdb::bench
