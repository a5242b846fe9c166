// TZSQLQuery over a large table (1,000,000 and 10,000,000 rows by default), on SQLite and
// on PostgreSQL, against the SQL a program would send for the same answer itself. The
// query is "SELECT <the ten columns> FROM t ORDER BY id"; id is the primary key, `code`
// is indexed, `note` is not (GenerateSqlite, GeneratePostgres).
//
//   walk all rows       : Open, then Next until Eof reading five fields, against a forward-only
//                         QSqlQuery; the figure that counts is the resident memory the first
//                         walk adds to the process (peak, VmHWM), goal under 64 MB
//   Last                : Last() on a query just opened, against SELECT ... ORDER BY id DESC
//                         LIMIT 100 (the packet the query reads by default)
//   Locate near the end : Locate of the code (indexed) or the note (not indexed) of row N - 10,
//                         then RecNo, against SELECT ... WHERE code = ? ORDER BY id LIMIT 1 and
//                         SELECT COUNT(*) FROM t WHERE id < <the id found>
//   open + first page   : Open and the first 100 rows, against SELECT ... ORDER BY id LIMIT 100
//   RecNo to the middle : SetRecNo(N / 2), against SELECT ... ORDER BY id LIMIT 1 OFFSET N / 2 - 1
//
// Every operation runs in a process of its own (this program started again with --child):
// the memory figure is taken from a fresh process, and an operation that reads the whole
// result into memory (or runs longer than its limit) ends that process, not the run: it is
// printed as skipped. Each answer is checked against the baseline's (row and record number).
// At 10,000,000 rows an operation whose first run takes a second or more is measured three
// times (once when it takes 20 s or more); the note of the figure says so.

#include "BenchUtil.h"

#include "DB.h"
#include "ZDBSQLQuery.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unistd.h>

using namespace zdb;
using namespace zdb::bench;

namespace {

volatile qlonglong Sink = 0;

const QString Sqlite = QStringLiteral("SQLite");
const QString Postgres = QStringLiteral("PostgreSQL");
constexpr int Page = 100;
constexpr qint64 MB = 1024 * 1024;
// What a run of ours may take before it counts as reading the whole result.
constexpr qint64 MemoryLimit = 1024 * MB;
constexpr double TimeLimit = 60, WalkTimeLimit = 300;

struct TOperation {
    QString Key;      // the child's --child= value
    QString Name;     // the figure's operation
    QString Baseline; // the figure's baseline
    double Goal;      // ours / baseline at most, 0 = printed only
};

const std::vector<TOperation>& Operations()
{
    static const std::vector<TOperation> operations = {
        {QStringLiteral("open"), QStringLiteral("query: open + first page"), QStringLiteral("ORDER BY id LIMIT 100"),
         0},
        {QStringLiteral("last"), QStringLiteral("query: Last"), QStringLiteral("ORDER BY id DESC LIMIT 100"), 1.5},
        {QStringLiteral("locate"), QStringLiteral("query: Locate near the end, indexed"),
         QStringLiteral("WHERE code = ? LIMIT 1 + COUNT"), 1.5},
        {QStringLiteral("locate-scan"), QStringLiteral("query: Locate near the end, no index"),
         QStringLiteral("WHERE note = ? LIMIT 1 + COUNT"), 0},
        {QStringLiteral("recno"), QStringLiteral("query: RecNo to the middle"), QStringLiteral("LIMIT 1 OFFSET n"), 0},
        {QStringLiteral("recno-near"), QStringLiteral("query: RecNo 1,000 rows on from the middle"),
         QStringLiteral("LIMIT 1 OFFSET n"), 0},
        {QStringLiteral("walk"), QStringLiteral("query: walk all rows, 5 fields"),
         QStringLiteral("forward-only QSqlQuery"), 0},
    };
    return operations;
}

QString Megabytes(qint64 Bytes)
{
    return QString::number(double(Bytes) / MB, 'f', 1) + QStringLiteral(" MB");
}

// ---------------------------------------------------------------------------
// The child: one operation on one database, its figures on standard output.

// Ends the process with a "skipped" line when the run of ours being measured goes over
// its time or the process's resident memory goes over MemoryLimit above where it started.
// The operation cannot be stopped in the middle; its process can.
class TWatchdog {
public:
    // Why says what an operation over a limit does ("walks the whole result").
    TWatchdog(double Seconds, const char* Why) : FSeconds(Seconds), FWhy(Why), FStartBytes(ResidentBytes())
    {
        FThread = std::thread([this] { Watch(); });
    }
    ~TWatchdog()
    {
        {
            std::lock_guard lock(FMutex);
            FStop = true;
        }
        FWake.notify_all();
        FThread.join();
    }
    TWatchdog(const TWatchdog&) = delete;
    TWatchdog& operator=(const TWatchdog&) = delete;

    qint64 StartBytes() const { return FStartBytes; }
    void Arm(double BaseMs)
    {
        FBaseMs = BaseMs;
        FStart = Clock::now().time_since_epoch().count();
        FArmed = true;
    }
    void Disarm() { FArmed = false; }
    // Rows read so far by the run, for the message (-1: not counted).
    std::atomic<qint64> Rows{-1};

private:
    void Watch()
    {
        std::unique_lock lock(FMutex);
        while (!FWake.wait_for(lock, std::chrono::milliseconds(50), [this] { return FStop; })) {
            if (!FArmed)
                continue;
            const double seconds =
                std::chrono::duration<double>(Clock::now() - Clock::time_point(Clock::duration(FStart.load()))).count();
            const qint64 bytes = ResidentBytes() - FStartBytes;
            if (seconds < FSeconds && bytes < MemoryLimit)
                continue;
            QString why =
                seconds >= FSeconds
                    ? QStringLiteral("over %1 s").arg(FSeconds)
                    : QStringLiteral("over %1 resident after %2 s").arg(Megabytes(MemoryLimit)).arg(seconds, 0, 'f', 1);
            if (Rows > 0)
                why += QStringLiteral(", %1 rows read, about %2 bytes a row")
                           .arg(qlonglong(Rows))
                           .arg(bytes / qlonglong(Rows));
            std::printf("skipped %.3f %s (%s)\n", double(FBaseMs), FWhy, qPrintable(why));
            std::fflush(stdout);
            _exit(3);
        }
    }

    using Clock = std::chrono::steady_clock;
    const double FSeconds;
    const char* const FWhy;
    const qint64 FStartBytes;
    std::atomic<Clock::rep> FStart{0};
    std::atomic<bool> FArmed{false};
    std::atomic<double> FBaseMs{0};
    std::mutex FMutex;
    std::condition_variable FWake;
    bool FStop = false;
    std::thread FThread;
};

struct TChildOperation {
    std::function<void()> Ours;
    std::function<void()> Base;
    std::function<void()> Prepare = {};  // before every run of ours, untimed
    std::function<QString()> Check = {}; // after the last run: what is wrong, empty when right
    bool OursFirst = false;              // the first run of ours before any baseline (memory)
};

qlonglong ReadFive(TDataSet& Query)
{
    const TFields& f = Query.Fields();
    return f[0]->AsLargeInt() + f[1]->AsInteger() + qlonglong(f[2]->AsFloat()) + f[4]->AsString().size() +
           f[8]->GetValue().toDate().day();
}

qlonglong ReadFive(const QSqlQuery& Query)
{
    return Query.value(0).toLongLong() + Query.value(1).toInt() + qlonglong(Query.value(2).toDouble()) +
           Query.value(4).toString().size() + Query.value(8).toDate().day();
}

QSqlQuery Select(const QSqlDatabase& Db, const QString& Sql, const QVariantList& Values = {})
{
    QSqlQuery q(Db);
    q.setForwardOnly(true);
    if (!q.prepare(Sql))
        throw std::runtime_error(("SQL failed: " + q.lastError().text() + " in " + Sql).toStdString());
    for (int i = 0; i < Values.size(); ++i)
        q.bindValue(i, Values[i]);
    if (!q.exec())
        throw std::runtime_error(("SQL failed: " + q.lastError().text() + " in " + Sql).toStdString());
    return q;
}

// Runs the operation, its baseline alternating; prints "result <ours ms> <baseline ms> <runs> <bytes>".
void Measure(TWatchdog& Guard, const TChildOperation& Op, int N, int Repeats, bool Memory)
{
    std::vector<double> ours, base;
    auto runBase = [&] { base.push_back(Millis(Op.Base)); };
    auto runOurs = [&] {
        if (Op.Prepare)
            Op.Prepare();
        Guard.Arm(base.empty() ? -1 : base.front());
        ours.push_back(Millis(Op.Ours));
        Guard.Disarm();
    };
    qint64 bytes = -1;
    if (!Op.OursFirst)
        runBase();
    if (Memory)
        ResetPeakResident();
    runOurs();
    if (Memory)
        bytes = PeakResidentBytes() - Guard.StartBytes();
    if (Op.OursFirst)
        runBase();
    int runs = Repeats;
    if (N >= 10000000 && runs > 3 && ours.front() >= 1000)
        runs = ours.front() >= 20000 ? 1 : 3;
    for (int run = 1; run < runs; ++run) {
        runBase();
        runOurs();
    }
    const QString wrong = Op.Check ? Op.Check() : QString();
    if (!wrong.isEmpty()) {
        std::printf("failed %s\n", qPrintable(wrong));
        return;
    }
    std::printf("result %.3f %.3f %d %lld\n", Median(ours), Median(base), runs, qlonglong(bytes));
}

int ChildMain(const QString& Key, const QString& Data, const QString& Where, int N, int Repeats)
{
    std::optional<QSqlDatabase> db;
    if (Data == Postgres) {
        db = OpenPostgres(QStringLiteral("child"), Where);
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("child"));
        db->setDatabaseName(Where);
        if (!db->open())
            throw std::runtime_error(("cannot open SQLite: " + db->lastError().text()).toStdString());
    }
    if (!db)
        throw std::runtime_error("no PostgreSQL server");
    const QString select = SelectAll() + QStringLiteral(" ORDER BY id");
    TZSQLQuery query;
    query.SetConnection(*db);
    query.SetSQLText(select);
    auto reopen = [&] {
        query.Close();
        query.Open();
    };
    auto id = [&] { return query.Fields()[0]->AsLargeInt(); };
    auto readAll = [](QSqlQuery& q) {
        while (q.next())
            Sink = Sink + ReadFive(q);
    };
    const bool walk = Key == QLatin1String("walk");
    TWatchdog guard(walk ? WalkTimeLimit : TimeLimit, walk ? "keeps every row read" : "walks the whole result");
    TChildOperation op;

    if (walk) {
        op.OursFirst = true;
        op.Prepare = [&] { query.Close(); };
        op.Ours = [&] {
            query.Open();
            TDataSetControlsGuard controls(&query);
            qint64 rows = 0;
            for (; !query.Eof(); query.Next()) {
                Sink = Sink + ReadFive(query);
                guard.Rows.store(++rows, std::memory_order_relaxed);
            }
        };
        op.Base = [&] {
            QSqlQuery q = Select(*db, select);
            readAll(q);
        };
        op.Check = [&] {
            return guard.Rows == N ? QString()
                                   : QStringLiteral("the walk read %1 rows of %2").arg(qlonglong(guard.Rows)).arg(N);
        };
    } else if (Key == QLatin1String("last")) {
        op.Prepare = reopen;
        op.Ours = [&] { query.Last(); };
        op.Base = [&] {
            QSqlQuery q = Select(*db, SelectAll() + QStringLiteral(" ORDER BY id DESC LIMIT %1").arg(Page));
            readAll(q);
        };
        op.Check = [&] {
            return id() == N && query.RecNo() == N
                       ? QString()
                       : QStringLiteral("Last is on id %1, record %2 of %3").arg(id()).arg(query.RecNo()).arg(N);
        };
    } else if (Key.startsWith(QLatin1String("locate"))) {
        const QString column = Key == QLatin1String("locate") ? QStringLiteral("code") : QStringLiteral("note");
        const int target = std::max(1, N - 10);
        QSqlQuery keyQuery = Select(*db, QStringLiteral("SELECT %1 FROM t WHERE id = ?").arg(column), {target});
        if (!keyQuery.next())
            throw std::runtime_error("no row to locate");
        const QString key = keyQuery.value(0).toString();
        auto found = std::make_shared<std::pair<qlonglong, qlonglong>>(-1, -1); // ours: id, RecNo
        auto expected = std::make_shared<std::pair<qlonglong, qlonglong>>(-1, -1);
        op.Prepare = reopen;
        op.Ours = [&, found, column, key] {
            const bool located = query.Locate(column, key, {});
            *found = {located ? id() : -1, query.RecNo()};
        };
        op.Base = [&, expected, column, key] {
            QSqlQuery q =
                Select(*db, SelectAll() + QStringLiteral(" WHERE %1 = ? ORDER BY id LIMIT 1").arg(column), {key});
            if (!q.next())
                return;
            Sink = Sink + ReadFive(q);
            const qlonglong at = q.value(0).toLongLong();
            QSqlQuery count = Select(*db, QStringLiteral("SELECT COUNT(*) FROM t WHERE id < ?"), {at});
            count.next();
            *expected = {at, count.value(0).toLongLong() + 1};
        };
        op.Check = [found, expected, target] {
            return *found == *expected && expected->first == target
                       ? QString()
                       : QStringLiteral(
                             "Locate found id %1 at record %2, the server id %3 at record %4 (row %5 wanted)")
                             .arg(found->first)
                             .arg(found->second)
                             .arg(expected->first)
                             .arg(expected->second)
                             .arg(target);
        };
    } else if (Key == QLatin1String("open")) {
        op.Prepare = [&] { query.Close(); };
        op.Ours = [&] {
            query.Open();
            for (int i = 0; i < Page && !query.Eof(); ++i) {
                Sink = Sink + ReadFive(query);
                if (i < Page - 1)
                    query.Next();
            }
        };
        op.Base = [&] {
            QSqlQuery q = Select(*db, select + QStringLiteral(" LIMIT %1").arg(Page));
            readAll(q);
        };
        op.Check = [&] {
            return id() == std::min(N, Page) ? QString() : QStringLiteral("the first page ends on id %1").arg(id());
        };
    } else if (Key == QLatin1String("recno") || Key == QLatin1String("recno-near")) {
        // "recno-near": the grid's thumb moved on from a far place it showed already.
        const bool near = Key == QLatin1String("recno-near");
        const int middle = std::max(1, N / 2);
        const int target = near ? std::min(N, middle + 1000) : middle;
        op.Prepare = [&, near, middle] {
            reopen();
            if (near)
                query.SetRecNo(middle);
        };
        op.Ours = [&, target] {
            query.SetRecNo(target);
            Sink = Sink + ReadFive(query);
        };
        op.Base = [&, target] {
            QSqlQuery q = Select(*db, select + QStringLiteral(" LIMIT 1 OFFSET %1").arg(target - 1));
            readAll(q);
        };
        op.Check = [&, target] {
            return id() == target && query.RecNo() == target
                       ? QString()
                       : QStringLiteral("RecNo %1 is on id %2, record %3").arg(target).arg(id()).arg(query.RecNo());
        };
    } else {
        throw std::runtime_error(("unknown operation " + Key).toStdString());
    }
    Measure(guard, op, N, Repeats, walk);
    return 0;
}

// ---------------------------------------------------------------------------
// The parent: the data, one child per operation, the figures.

class TRunner {
public:
    explicit TRunner(TBench& Bench) : FBench(Bench) {}
    bool Failed() const { return FFailed; }

    void Run(const TOperation& Op, const QString& Data, const QString& Where, int N)
    {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--child=") + Op.Key, QStringLiteral("--data=") + Data,
                     QStringLiteral("--where=") + Where, QStringLiteral("--n=%1").arg(N),
                     QStringLiteral("--repeats=%1").arg(FBench.Repeats())});
        // The child guards each run itself; this only ends one that hangs.
        if (!child.waitForFinished(30 * 60 * 1000)) {
            child.kill();
            child.waitForFinished();
        }
        const QStringList words =
            QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
        const QString memory = QStringLiteral("%1: walk all rows, memory above the empty process under 64 MB (%2, %3)")
                                   .arg(Op.Name.section(QLatin1Char(':'), 0, 0), Data)
                                   .arg(N);
        if (words.value(0) == QLatin1String("result") && words.size() >= 5) {
            const int runs = words[3].toInt();
            const QString note = runs == FBench.Repeats() ? QString()
                                 : runs == 1              ? QStringLiteral("one run: it takes 20 s or more")
                                             : QStringLiteral("median of %1 runs: a run takes over 1 s").arg(runs);
            FBench.Row(Op.Name, Data, N, words[1].toDouble(), Op.Baseline, words[2].toDouble(), Op.Goal, note);
            if (Op.Key == QLatin1String("walk")) {
                const qint64 bytes = words[4].toLongLong();
                FBench.Check(memory, bytes < 64 * MB,
                             Megabytes(bytes) + QStringLiteral(" at the peak of the first walk"));
            }
        } else if (words.value(0) == QLatin1String("skipped") && words.size() >= 3) {
            const QString why = QStringLiteral("skipped: ") + words.mid(2).join(QLatin1Char(' '));
            FBench.Row(Op.Name, Data, N, 0, Op.Baseline, std::max(0.0, words[1].toDouble()), Op.Goal, why);
            if (Op.Key == QLatin1String("walk"))
                FBench.Check(memory, false, why);
        } else {
            FFailed = true;
            const QString why = words.value(0) == QLatin1String("failed") ? words.mid(1).join(QLatin1Char(' '))
                                : child.exitStatus() == QProcess::CrashExit
                                    ? QStringLiteral("the child process crashed")
                                    : QStringLiteral("the child process ended with %1").arg(child.exitCode());
            std::fprintf(stderr, "%s on %s at %d rows FAILED: %s\n", qPrintable(Op.Name), qPrintable(Data), N,
                         qPrintable(why));
            FBench.Row(Op.Name, Data, N, 0, Op.Baseline, 0, Op.Goal, QStringLiteral("failed: ") + why);
        }
    }

private:
    TBench& FBench;
    bool FFailed = false;
};

double Seconds(const std::function<void()>& Work)
{
    return Millis(Work) / 1000;
}

int ParentMain(int argc, char** argv)
{
    TBench bench("bench_sqlquery", argc, argv, {1000000, 10000000});
    TRunner runner(bench);
    // The generated SQLite files stay in the build folder for the next run.
    const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("bench-data"));
    if (std::none_of(Operations().begin(), Operations().end(),
                     [&](const TOperation& Op) { return bench.Wants(Op.Name); }))
        return 0;
    for (int n : bench.Sizes()) {
        QString file;
        std::printf("data: SQLite file of %d rows ready in %.1f s\n", n,
                    Seconds([&] { file = GenerateSqlite(folder, n); }));
        std::optional<QSqlDatabase> pg;
        const QString name = QStringLiteral("sqlquery%1").arg(n);
        const double made = Seconds([&] { pg = GeneratePostgres(name, n); });
        if (pg)
            std::printf("data: PostgreSQL table of %d rows made in %.1f s\n", n, made);
        else
            std::printf("data: no PostgreSQL server (ZDB_PG_HOST), its figures are skipped\n");
        std::fflush(stdout);
        for (const TOperation& op : Operations()) {
            if (!bench.Wants(op.Name))
                continue;
            runner.Run(op, Sqlite, file, n);
            if (pg)
                runner.Run(op, Postgres, PostgresSchema(name), n);
        }
        if (pg)
            DropPostgres(*pg);
    }
    return runner.Failed() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString child, data, where;
    int n = 0, repeats = 1;
    for (const QString& arg : app.arguments().mid(1)) {
        const QString value = arg.section(QLatin1Char('='), 1, -1);
        if (arg.startsWith(QLatin1String("--child=")))
            child = value;
        else if (arg.startsWith(QLatin1String("--data=")))
            data = value;
        else if (arg.startsWith(QLatin1String("--where=")))
            where = value;
        else if (arg.startsWith(QLatin1String("--n=")))
            n = value.toInt();
        else if (arg.startsWith(QLatin1String("--repeats=")))
            repeats = value.toInt();
    }
    try {
        return child.isEmpty() ? ParentMain(argc, argv) : ChildMain(child, data, where, n, repeats);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_sqlquery failed: %s\n", error.what());
        return 1;
    }
}
