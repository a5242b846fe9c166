#include "BenchUtil.h"

#include "DB.h"
#include "ZDBMemData.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <stdexcept>

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

TBench::TBench(const char* Program, int argc, char** argv) : FProgram(QString::fromLatin1(Program))
{
    FSizes = {10000, 100000, 1000000};
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
    std::vector<std::vector<double>> samples(Alternatives.size());
    for (int run = 0; run < FRepeats; ++run)
        for (size_t i = 0; i < Alternatives.size(); ++i) {
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
    const char* verdict = MaxRatio <= 0 ? "" : (ratio <= MaxRatio ? "  goal met" : "  GOAL MISSED");
    std::printf("%-28s %-10s %8d  ours %10.2f  %-26s %10.2f  ratio %7.2f%s\n", qPrintable(Operation),
                qPrintable(Data), N, Ms, qPrintable(Baseline), BaseMs, ratio, verdict);
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

std::vector<TRecord> MakeRecords(int N)
{
    // A fixed linear congruential sequence: the same table on every run.
    quint64 state = 0x2545F4914F6CDD1DULL;
    auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(state >> 33);
    };
    static const char* const syllables[] = {"ka", "lo", "mi", "ne", "ru", "sa", "ti", "vo", "be", "da", "fu", "go"};
    auto text = [&] {
        const int length = 10 + int(next() % 31);
        QString s;
        s.reserve(length);
        while (s.size() < length) {
            s += QLatin1String(syllables[next() % 12]);
            if (next() % 5 == 0)
                s += QLatin1Char(' ');
        }
        s.truncate(length);
        if (s.endsWith(QLatin1Char(' ')))
            s[length - 1] = QLatin1Char('x');
        return s;
    };
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

std::optional<QSqlDatabase> CreatePostgres(const QString& Name, const std::vector<TRecord>& Records)
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
    const QString schema = QStringLiteral("zdb_bench_%1_%2").arg(QCoreApplication::applicationPid()).arg(Name);
    db.setConnectOptions(QStringLiteral("options=-csearch_path=") + schema);
    if (!db.open())
        throw std::runtime_error(("cannot open PostgreSQL: " + db.lastError().text()).toStdString());
    QSqlQuery q(db);
    Exec(q, QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(schema));
    Exec(q, QStringLiteral("CREATE SCHEMA %1").arg(schema));
    Exec(q, QString::fromLatin1(CreateTable));
    db.transaction();
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
    db.commit();
    Exec(q, QStringLiteral("ANALYZE t"));
    return db;
}

void DropPostgres(QSqlDatabase& Db)
{
    const QString name = Db.connectionName();
    {
        QSqlQuery q(Db);
        q.exec(QStringLiteral("DROP SCHEMA IF EXISTS zdb_bench_%1_%2 CASCADE")
                   .arg(QCoreApplication::applicationPid())
                   .arg(name));
    }
    Db.close();
    Db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

} // namespace zdb::bench
