// TZSQLQuery: opening, packet fetching, the row cache, navigation, bookmarks,
// counting and the column description.

#include "ZDBSQLQuery.h"

#include "AppExceptions.h"
#include "WaitCursor.h"

#include <QCoreApplication>
#include <QAtomicInteger>
#include <QDateTime>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <numeric>

namespace zdb {

namespace {

// Serials: bit 63 marks a row inserted here, bits 40..62 the opening, bits 0..39 the row's number.
constexpr quint64 InsertedBit = quint64(1) << 63;
constexpr int GenerationShift = 40;
constexpr quint64 GenerationMask = (quint64(1) << 23) - 1;
constexpr quint64 IndexMask = (quint64(1) << GenerationShift) - 1;
// Order keys: the n-th row read gets (n + 1) * OrderGap; inserted rows go in between.
constexpr quint64 OrderGap = quint64(1) << 22;
// The largest packet a Locate or Lookup scan reads ahead.
constexpr int ScanPacketLimit = 10000;
QAtomicInteger<quint32> NextCloneNumber{1};
// Rows a PostgreSQL cursor moves over cheaply; a place farther away is read by its keys when known.
constexpr quint64 NearRows = 1000;

enum class TDialect { Sqlite, Postgres, Other };

TDialect DialectOf(const QSqlDatabase& db)
{
    if (const QSqlDriver* driver = db.driver()) {
        switch (driver->dbmsType()) {
        case QSqlDriver::SQLite: return TDialect::Sqlite;
        case QSqlDriver::PostgreSQL: return TDialect::Postgres;
        default: break;
        }
    }
    const QString name = db.driverName();
    if (name.startsWith(QLatin1String("QSQLITE")))
        return TDialect::Sqlite;
    if (name == QLatin1String("QPSQL"))
        return TDialect::Postgres;
    return TDialect::Other;
}

// The server's own message when there is one.
QString ErrorText(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    if (text.isEmpty())
        text = QCoreApplication::translate("zdb", "Unknown database error");
    return text;
}

bool SameValue(const QVariant& a, const QVariant& b)
{
    const bool nullA = a.isNull();
    const bool nullB = b.isNull();
    if (nullA || nullB)
        return nullA && nullB;
    if (a.typeId() == b.typeId())
        return a == b;
    return QVariant::compare(a, b) == QPartialOrdering::Equivalent;
}

bool IsTextType(TFieldType type)
{
    return IsStringFieldType(type) || IsMemoFieldType(type) || type == ftOraClob;
}

// --- Text forms of dates and numbers ----------------------------------------------

QString SqliteTimeText(const QTime& time)
{
    return time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

QString SqliteDateTimeText(const QDateTime& dateTime)
{
    return dateTime.date().toString(Qt::ISODate) + QLatin1Char(' ') + SqliteTimeText(dateTime.time());
}

// A value as it is written to the database. SQLite has no date, time or boolean
// storage: dates and times go as ISO 8601 texts ("yyyy-MM-dd HH:mm:ss[.zzz]"),
// booleans as 1 and 0.
QVariant DbValue(const QVariant& value, bool sqlite)
{
    if (value.isNull())
        return QVariant();
    if (!sqlite)
        return value;
    switch (value.typeId()) {
    case QMetaType::QDate: return value.toDate().toString(Qt::ISODate);
    case QMetaType::QTime: return SqliteTimeText(value.toTime());
    case QMetaType::QDateTime: return SqliteDateTimeText(value.toDateTime());
    case QMetaType::Bool: return value.toBool() ? 1 : 0;
    default: return value;
    }
}

// ISO 8601 date, date-time or time text; blank or "T" between date and time.
QDateTime ParseIsoDateTime(const QString& text)
{
    QString t = text.trimmed();
    if (t.size() > 10 && t.at(10) == QLatin1Char(' '))
        t[10] = QLatin1Char('T');
    QDateTime dt = QDateTime::fromString(t, Qt::ISODateWithMs);
    if (!dt.isValid() && t.size() == 10) {
        const QDate date = QDate::fromString(t, Qt::ISODate);
        if (date.isValid())
            dt = date.startOfDay();
    }
    if (!dt.isValid() && t.size() > 19 && t.at(19) == QLatin1Char('.')) {
        // More than three decimals of a second: keep milliseconds.
        qsizetype end = 20;
        while (end < t.size() && t.at(end).isDigit())
            ++end;
        const QString shortened = t.left(std::min<qsizetype>(end, 23)) + t.mid(end);
        dt = QDateTime::fromString(shortened, Qt::ISODateWithMs);
    }
    return dt;
}

QTime ParseIsoTime(const QString& text)
{
    QString t = text.trimmed();
    QTime time = QTime::fromString(t, Qt::ISODateWithMs);
    if (!time.isValid()) {
        const QDateTime dt = ParseIsoDateTime(t);
        if (dt.isValid())
            time = dt.time();
    }
    if (!time.isValid() && t.size() > 8 && t.at(8) == QLatin1Char('.'))
        time = QTime::fromString(t.left(12), QStringLiteral("HH:mm:ss.zzz"));
    return time;
}

// A date-time held as a number: a Julian day number (real) or Unix time (integer).
QDateTime NumberToDateTime(const QVariant& value)
{
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double jd = value.toDouble();
        const double day = std::floor(jd + 0.5);
        const qint64 msecs = qint64(std::llround((jd + 0.5 - day) * 86400000.0));
        return QDateTime(QDate::fromJulianDay(qint64(day)), QTime(0, 0), Qt::UTC).addMSecs(msecs);
    }
    return QDateTime::fromSecsSinceEpoch(value.toLongLong(), Qt::UTC);
}

// A money text such as "$1,234.56", "-$3.25", "(3.25)" or "1.234,56 €".
bool ParseMoney(const QString& text, double& result)
{
    QString digits;
    bool negative = text.contains(QLatin1Char('-')) || text.contains(QLatin1Char('('));
    for (QChar c : text)
        if (c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char(','))
            digits.append(c);
    const qsizetype lastSep = std::max(digits.lastIndexOf(QLatin1Char('.')), digits.lastIndexOf(QLatin1Char(',')));
    QString normal;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const QChar c = digits.at(i);
        if (c.isDigit())
            normal.append(c);
        else if (i == lastSep && digits.size() - i - 1 <= 2)
            normal.append(QLatin1Char('.'));
    }
    bool ok = false;
    result = normal.toDouble(&ok);
    if (ok && negative)
        result = -result;
    return ok;
}

// --- Type inference -----------------------------------------------------------

// A declared SQL type ("VARCHAR(30)", "NUMERIC(10,2)", "DATETIME") as a field type; false when unknown.
bool TypeFromDeclared(const QString& declared, bool autoGenerated, TFieldType& type, int& size)
{
    const QString up = declared.trimmed().toUpper();
    if (up.isEmpty())
        return false;
    const qsizetype paren = up.indexOf(QLatin1Char('('));
    const QString base = (paren < 0 ? up : up.left(paren)).trimmed();
    int p = -1, s = -1;
    if (paren >= 0) {
        const QString args = up.mid(paren + 1, up.indexOf(QLatin1Char(')'), paren) - paren - 1);
        const QStringList parts = args.split(QLatin1Char(','));
        bool ok = false;
        p = parts.value(0).trimmed().toInt(&ok);
        if (!ok)
            p = -1;
        if (parts.size() > 1) {
            s = parts.value(1).trimmed().toInt(&ok);
            if (!ok)
                s = -1;
        } else if (p >= 0) {
            s = 0;
        }
    }
    size = 0;
    if (base.contains(QLatin1String("BOOL"))) {
        type = ftBoolean;
    } else if (base.startsWith(QLatin1String("DATETIME")) || base.startsWith(QLatin1String("TIMESTAMP"))) {
        type = ftDateTime;
    } else if (base == QLatin1String("DATE")) {
        type = ftDate;
    } else if (base == QLatin1String("TIME") || base.startsWith(QLatin1String("TIME "))) {
        type = ftTime;
    } else if (base.contains(QLatin1String("MONEY")) || base.contains(QLatin1String("CURRENCY"))) {
        type = ftCurrency;
    } else if (base.contains(QLatin1String("INT"))) {
        if (base.contains(QLatin1String("BIG")) || base == QLatin1String("INT8"))
            type = ftLargeint;
        else if (base.contains(QLatin1String("SMALL")) || base.contains(QLatin1String("TINY"))
                 || base == QLatin1String("INT2"))
            type = ftSmallint;
        else
            type = autoGenerated ? ftAutoInc : ftInteger;
    } else if (base.startsWith(QLatin1String("NUMERIC")) || base.startsWith(QLatin1String("DECIMAL"))) {
        if (p > 0 && s == 0)
            type = p <= 9 ? ftInteger : (p <= 18 ? ftLargeint : ftFloat);
        else if (p > 0 && s > 0 && s <= 4)
            type = ftCurrency;
        else
            type = ftFloat;
    } else if (base.contains(QLatin1String("REAL")) || base.contains(QLatin1String("FLOA"))
               || base.contains(QLatin1String("DOUB"))) {
        type = ftFloat;
    } else if (base.contains(QLatin1String("BLOB")) || base.contains(QLatin1String("BINARY"))
               || base.contains(QLatin1String("BYTEA"))) {
        type = ftBlob;
    } else if (base.contains(QLatin1String("GUID")) || base.contains(QLatin1String("UUID"))) {
        type = ftGuid;
        size = 38;
    } else if (base.contains(QLatin1String("CHAR")) || base.contains(QLatin1String("CLOB"))
               || base.contains(QLatin1String("TEXT")) || base.contains(QLatin1String("STRING"))) {
        if (base.contains(QLatin1String("CLOB"))) {
            type = ftWideMemo;
        } else {
            // TEXT is SQLite's ordinary string type: a string without a size limit, shown as text.
            type = ftWideString;
            size = base.contains(QLatin1String("TEXT")) ? 0 : std::max(p, 0);
        }
    } else {
        return false;
    }
    return true;
}

// PostgreSQL: by type OID, with the driver's length and scale.
bool TypeFromPostgres(const QSqlField& field, bool autoGenerated, TFieldType& type, int& size)
{
    const int length = field.length();
    const int scale = field.precision();
    size = 0;
    switch (field.typeID()) {
    case 16: type = ftBoolean; return true;
    case 20: type = ftLargeint; return true;
    case 21: type = ftSmallint; return true;
    case 23: type = autoGenerated ? ftAutoInc : ftInteger; return true;
    case 26: case 28: case 29: type = ftLargeint; return true;
    case 700: case 701: type = ftFloat; return true;
    case 1700:
        if (length > 0 && scale == 0)
            type = length <= 9 ? ftInteger : (length <= 18 ? ftLargeint : ftFloat);
        else if (length > 0 && scale > 0 && scale <= 4)
            type = ftCurrency;
        else
            type = ftFloat;
        return true;
    case 790: type = ftCurrency; return true;
    case 1082: type = ftDate; return true;
    case 1083: case 1266: type = ftTime; return true;
    case 1114: case 1184: type = ftDateTime; return true;
    case 114: case 142: case 3802: type = ftWideMemo; return true;
    case 25: // text: PostgreSQL's ordinary string type, a string without a size limit
    case 1043:
        type = ftWideString;
        size = std::max(length, 0);
        return true;
    case 1042:
        type = ftFixedWideChar;
        size = std::max(length, 0);
        return true;
    case 18: type = ftWideString; size = 1; return true;
    case 19: type = ftWideString; size = 64; return true;
    case 17: type = ftBlob; return true;
    case 2950: type = ftGuid; size = 38; return true;
    default: return false;
    }
}

// Any driver: from the value type the driver reports.
void TypeFromMetaType(const QSqlField& field, TFieldType& type, int& size)
{
    size = 0;
    switch (field.metaType().id()) {
    case QMetaType::Bool: type = ftBoolean; break;
    case QMetaType::Int: case QMetaType::Short: case QMetaType::UShort: case QMetaType::Char:
    case QMetaType::SChar: case QMetaType::UChar:
        type = ftInteger;
        break;
    case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong: case QMetaType::Long:
    case QMetaType::ULong:
        type = ftLargeint;
        break;
    case QMetaType::Double: case QMetaType::Float: type = ftFloat; break;
    case QMetaType::QDate: type = ftDate; break;
    case QMetaType::QTime: type = ftTime; break;
    case QMetaType::QDateTime: type = ftDateTime; break;
    case QMetaType::QByteArray: type = ftBlob; break;
    default:
        // Text of unknown length (computed columns, unknown types): a string without a size limit.
        type = ftWideString;
        size = std::max(field.length(), 0);
        break;
    }
}

// What the update table declares about one of its columns.
struct TTableColumn {
    QString Name;
    QString Declared;
    bool NotNull = false;
    bool HasDefault = false;
    bool AutoGenerated = false;
    bool Generated = false; // computed by the server; never written
    int PkIndex = 0;        // SQLite: position in the primary key (0 = not in it)
};

std::vector<TTableColumn> ReadTableColumns(const QSqlDatabase& db, TDialect dialect, const QStringList& nameParts,
                                           const QString& tableSql)
{
    std::vector<TTableColumn> columns;
    if (nameParts.isEmpty())
        return columns;
    if (dialect == TDialect::Sqlite) {
        const bool withSchema = nameParts.size() > 1;
        for (const char* pragma : {"pragma_table_xinfo", "pragma_table_info"}) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            const bool xinfo = qstrcmp(pragma, "pragma_table_xinfo") == 0;
            q.prepare(QStringLiteral("SELECT name, type, \"notnull\", dflt_value, pk%1 FROM %2(?%3)")
                          .arg(xinfo ? QStringLiteral(", hidden") : QString(), QLatin1String(pragma),
                               withSchema ? QStringLiteral(", ?") : QString()));
            q.addBindValue(nameParts.back());
            if (withSchema)
                q.addBindValue(nameParts.at(nameParts.size() - 2));
            if (!q.exec())
                continue;
            int pkCount = 0;
            while (q.next()) {
                TTableColumn c;
                c.Name = q.value(0).toString();
                c.Declared = q.value(1).toString();
                c.NotNull = q.value(2).toInt() != 0;
                c.HasDefault = !q.value(3).isNull();
                c.PkIndex = q.value(4).toInt();
                if (xinfo) {
                    const int hidden = q.value(5).toInt();
                    if (hidden == 1)
                        continue; // hidden columns of virtual tables
                    c.Generated = hidden >= 2;
                }
                if (c.PkIndex > 0)
                    ++pkCount;
                columns.push_back(c);
            }
            // INTEGER PRIMARY KEY is the rowid: the database numbers it.
            if (pkCount == 1)
                for (TTableColumn& c : columns)
                    if (c.PkIndex > 0 && c.Declared.trimmed().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
                        c.AutoGenerated = true;
            break;
        }
    } else if (dialect == TDialect::Postgres) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(QStringLiteral(
            "SELECT a.attname, format_type(a.atttypid, a.atttypmod), a.attnotnull, d.adbin IS NOT NULL,"
            " a.attidentity <> '' OR COALESCE(pg_get_expr(d.adbin, d.adrelid) LIKE 'nextval(%', false),"
            " a.attgenerated <> ''"
            " FROM pg_attribute a LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum"
            " WHERE a.attrelid = to_regclass(?) AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum"));
        q.addBindValue(tableSql);
        if (q.exec()) {
            while (q.next()) {
                TTableColumn c;
                c.Name = q.value(0).toString();
                c.Declared = q.value(1).toString();
                c.NotNull = q.value(2).toBool();
                c.HasDefault = q.value(3).toBool();
                c.AutoGenerated = q.value(4).toBool();
                c.Generated = q.value(5).toBool();
                columns.push_back(c);
            }
        }
    } else {
        const QSqlRecord record = db.record(tableSql);
        for (int i = 0; i < record.count(); ++i) {
            const QSqlField f = record.field(i);
            TTableColumn c;
            c.Name = f.name();
            c.NotNull = f.requiredStatus() == QSqlField::Required;
            c.HasDefault = f.defaultValue().isValid() && !f.defaultValue().toString().isEmpty();
            c.AutoGenerated = f.isAutoValue();
            c.Generated = f.isReadOnly();
            columns.push_back(c);
        }
    }
    return columns;
}

const TTableColumn* FindTableColumn(const std::vector<TTableColumn>& columns, const QString& name)
{
    for (const TTableColumn& c : columns)
        if (c.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

bool SqliteHasReturning(const QSqlDatabase& db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT sqlite_version()")) || !q.next())
        return false;
    const QStringList parts = q.value(0).toString().split(QLatin1Char('.'));
    const int major = parts.value(0).toInt();
    const int minor = parts.value(1).toInt();
    return major > 3 || (major == 3 && minor >= 35);
}

} // namespace

// ---------------------------------------------------------------------------
// Internal types

struct TZSQLQuery::TColumn {
    QString Name;              // field name
    TFieldType Type = ftUnknown;
    TFieldType StoredType = ftUnknown; // the type before SetFieldType
    int Size = 0;
    int Precision = 0;
    // Place in the update table
    QString BaseName;          // column name in the table
    QString BaseSql;           // the column as written into statements; empty = not addressable
    bool InTable = false;      // a column of the update table
    bool Writable = false;     // written by INSERT and UPDATE
    bool AutoGenerated = false;
    bool Required = false;
    bool NotNull = false;      // the table allows no NULL in it (SQLite's rowid included)
    bool Key = false;
};

struct TZSQLQuery::TRow {
    quint64 Serial = 0;
    quint64 Order = 0;               // ascending along FRows
    // The column values; with TUpdateInfo::KeepRawKeys followed by the key values as stored
    // (SQLite date keys, whose stored text may differ from the text written back).
    std::vector<QVariant> Values;
    qint8 Accepted = -1;             // record filter verdict; -1 = not known
    quint64 Source = 0;              // while sorted on the client: its place in the statement's order
};

struct TZSQLQuery::TUndo {
    enum TKind { ukDeleted, ukEdited, ukInserted };
    TKind Kind = ukDeleted;
    TRow Row;                        // deleted: the row; edited: the row before; inserted: its serial
};

struct TZSQLQuery::TPin {
    std::vector<QVariant> Original; // the values as read from the server
    TRow Current;                   // the row as this dataset shows it
    bool Deleted = false;
};

struct TZSQLQuery::TUpdateInfo {
    QString TableSql;
    std::vector<int> KeyColumns;       // indexes into FColumns
    bool KeepRawKeys = false;
    bool Returning = false;
    bool LastInsertId = false;
    std::vector<int> ReturningColumns; // columns read back by RETURNING, in order
    QString ReturningList;
};

namespace {
struct TSqlBuf : TRecBuf {
    quint64 Serial = 0;
    TBookmarkFlag Flag = bfCurrent;
    std::vector<QVariant> Values;
};
TSqlBuf* B(TRecordBuffer buffer) { return static_cast<TSqlBuf*>(buffer); }

quint64 SerialOf(const TBookmark& bookmark)
{
    quint64 serial = 0;
    if (bookmark.size() == qsizetype(sizeof(serial)))
        std::memcpy(&serial, bookmark.constData(), sizeof(serial));
    return serial;
}
} // namespace

// ---------------------------------------------------------------------------
// Row sources

namespace {
// Parameter values as they were when the statement ran: placeholder (":name") and value.
using TBoundValues = QList<QPair<QString, QVariant>>;
using TRowSink = std::function<void(const QSqlQuery&)>;

TBoundValues BindValues(const TParams& params, const std::function<QVariant(const QVariant&)>& toDb)
{
    TBoundValues values;
    for (int i = 0; i < params.Count(); ++i)
        for (const QString& spelling : params.Spellings(params[i]))
            values.append({QLatin1Char(':') + spelling, toDb(params[i].Value())});
    return values;
}

// Runs `sql`, prepared with the values bound by name when there are any.
bool ExecWithValues(QSqlQuery& query, const QString& sql, const TBoundValues& values)
{
    if (values.isEmpty())
        return query.exec(sql);
    if (!query.prepare(sql))
        return false;
    for (const auto& value : values)
        query.bindValue(value.first, value.second);
    return query.exec();
}
} // namespace

class TZSQLQuery::TRowSource {
public:
    explicit TRowSource(const TZSQLQuery* owner, const TBoundValues& values) : FOwner(owner), FValues(values) {}
    virtual ~TRowSource() = default;
    TRowSource(const TRowSource&) = delete;
    TRowSource& operator=(const TRowSource&) = delete;
    virtual QSqlRecord Record() const = 0;
    // Reads up to `count` rows (all when negative) into `sink` from where it stands; false
    // once the result is exhausted.
    virtual bool Fetch(int count, const TRowSink& sink) = 0;
    // Makes Fetch go on with the row at `ordinal`; false when the source cannot go back.
    virtual bool Seek(quint64 ordinal) { return ordinal == Position(); }
    // Whether reading from `ordinal` on costs the server little (no long move of a cursor).
    virtual bool Near(quint64 /*ordinal*/) const { return true; }
    // The ordinal of the row Fetch reads next.
    virtual quint64 Position() const = 0;
    // Whether Fetch can still read on from Position.
    virtual bool Readable() const = 0;
    // Counts the rows of the result with `countSql`; false when the server refuses.
    virtual bool Count(const QString& countSql, qint64& count) = 0;
    // Runs a statement over the result (its parameters and those in `extra`) where the rows
    // come from, giving every row to `sink`; raises the server's error.
    virtual void Select(const QString& sql, const TBoundValues& extra, const TRowSink& sink) = 0;
    // Whether the count is taken in the snapshot the rows come from (otherwise from the live tables).
    virtual bool CountIsSnapshot() const = 0;
    // Whether rows written through the main connection can show up again among the rows still to come.
    virtual bool Live() const = 0;
    // A text that changes whenever a row of the live tables is written, by any connection;
    // empty when there is none.
    virtual QString TableStamp() const { return QString(); }
    // Whether the rows read so far came from the statement limited to its first rows, which
    // are all read: the rows after them come from the statement given to Continue (the rows
    // after the last one read, by the order's keys).
    virtual bool Continuable() const { return false; }
    virtual void Continue(const QString& /*sql*/, const TBoundValues& /*extra*/) {}
    // Statements run for rows or counts (a packet stepped on SQLite counts as one).
    int Requests = 0;

protected:
    // Runs `sql` with `values`, noted among the query's statements.
    bool Run(QSqlQuery& query, const QString& sql, const TBoundValues& values) const
    {
        FOwner->NoteStatement(sql);
        return ExecWithValues(query, sql, values);
    }
    static QString Limited(const QString& sql, int rows)
    {
        return sql + QStringLiteral("\nLIMIT %1").arg(rows);
    }
    [[noreturn]] void Fail(const QSqlError& error) const { DatabaseError(ErrorText(error), FOwner); }
    static void Deliver(QSqlQuery& query, const TRowSink& sink)
    {
        while (query.next())
            sink(query);
    }
    const TZSQLQuery* FOwner;
    TBoundValues FValues;
};

// A query on the main connection, stepped row by row. Forward-only where the
// driver then reads lazily (SQLite); on PostgreSQL Qt would stream a forward-only
// result and block the connection until it is read, so there the driver holds
// the whole result instead.
class TZSQLQuery::TForwardSource : public TRowSource {
public:
    // With `head`, the statement limited to its first `head` rows.
    TForwardSource(const TZSQLQuery* owner, const QSqlDatabase& db, const QString& sql, const TBoundValues& values,
                   bool forwardOnly, int head = 0)
        : TRowSource(owner, values), FDb(db), FQuery(std::make_unique<QSqlQuery>(db)), FHead(head)
    {
        FQuery->setForwardOnly(forwardOnly);
        if (!Run(*FQuery, head > 0 ? Limited(sql, head) : sql, FValues))
            Fail(FQuery->lastError());
        if (!FQuery->isSelect())
            DatabaseError(QCoreApplication::translate("zdb", "The statement returned no result set"), FOwner);
        FRecord = FQuery->record();
    }
    QSqlRecord Record() const override { return FRecord; }
    bool Fetch(int count, const TRowSink& sink) override
    {
        if (!FQuery)
            return false;
        ++Requests;
        for (int n = 0; count < 0 || n < count; ++n) {
            if (!FQuery->next()) {
                const QSqlError error = FQuery->lastError();
                FQuery.reset();
                if (error.isValid())
                    Fail(error);
                FContinuable = FHead > 0 && FPosition == quint64(FHead);
                FHead = 0;
                return false;
            }
            ++FPosition;
            sink(*FQuery);
        }
        return true;
    }
    quint64 Position() const override { return FPosition; }
    bool Readable() const override { return FQuery != nullptr || FContinuable; }
    bool Continuable() const override { return FContinuable; }
    void Continue(const QString& sql, const TBoundValues& extra) override
    {
        FContinuable = false;
        auto query = std::make_unique<QSqlQuery>(FDb);
        query->setForwardOnly(true);
        if (!Run(*query, sql, FValues + extra))
            Fail(query->lastError());
        FQuery = std::move(query);
    }
    bool Count(const QString& countSql, qint64& count) override
    {
        QSqlQuery q(FDb);
        q.setForwardOnly(true);
        ++Requests;
        if (!Run(q, countSql, FValues) || !q.next())
            return false;
        count = q.value(0).toLongLong();
        return true;
    }
    void Select(const QString& sql, const TBoundValues& extra, const TRowSink& sink) override
    {
        QSqlQuery q(FDb);
        q.setForwardOnly(true);
        ++Requests;
        if (!Run(q, sql, FValues + extra))
            Fail(q.lastError());
        Deliver(q, sink);
        if (q.lastError().isValid())
            Fail(q.lastError());
    }
    bool CountIsSnapshot() const override { return false; }
    bool Live() const override { return true; }
    // On SQLite: the rows this connection changed and the version of the main database file,
    // which moves with every commit of another connection (none with other files attached,
    // whose versions are not asked for).
    QString TableStamp() const override
    {
        if (DialectOf(FDb) != TDialect::Sqlite)
            return QString();
        QSqlQuery q(FDb);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT total_changes(), data_version, (SELECT count(*) FROM pragma_database_list"
                                   " WHERE name NOT IN ('main', 'temp')) FROM pragma_data_version()"))
            || !q.next() || q.value(2).toInt() != 0)
            return QString();
        return q.value(0).toString() + u'/' + q.value(1).toString();
    }

private:
    QSqlDatabase FDb;
    std::unique_ptr<QSqlQuery> FQuery;
    QSqlRecord FRecord;
    quint64 FPosition = 0;
    int FHead = 0;             // the rows the running statement is limited to; 0 = none
    bool FContinuable = false; // it gave them all: the rows after them are still to be read
};

// PostgreSQL: a scrollable server-side cursor in a REPEATABLE READ transaction on a
// private clone of the connection, read with FETCH and placed with MOVE ABSOLUTE; the
// statements over the result run in the same transaction, so they see the same rows.
// They run inside one savepoint set after the cursor was declared: a statement the server
// refuses is rolled back to it (which keeps the savepoint, the cursor and its place), and
// none of them costs a savepoint of its own and its release.
class TZSQLQuery::TCursorSource : public TRowSource {
public:
    // With `head`, the first `head` rows come from the statement limited to them, in the
    // cursor's transaction; the cursor runs when the rows after them are asked for.
    TCursorSource(const TZSQLQuery* owner, const QSqlDatabase& db, const QString& declaredSql,
                  const TBoundValues& values, int packet, int head)
        : TRowSource(owner, values)
    {
        FName = QStringLiteral("zdb_sqlquery_cursor_%1_%2")
                    .arg(quintptr(owner), 0, 16)
                    .arg(NextCloneNumber.fetchAndAddRelaxed(1));
        {
            QSqlDatabase clone = QSqlDatabase::cloneDatabase(db, FName);
            if (!clone.open()) {
                const QSqlError error = clone.lastError();
                clone = QSqlDatabase();
                QSqlDatabase::removeDatabase(FName);
                FName.clear();
                Fail(error);
            }
        }
        try {
            Exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ"));
            Start(declaredSql, packet, head);
        } catch (...) {
            Release();
            throw;
        }
        FRecord = FBlock->record();
    }
    // Runs another statement in the cursor's place, in the same transaction.
    void Declare(const QString& declaredSql, const TBoundValues& values, int packet, int head)
    {
        FValues = values;
        FBlock.reset();
        Exec(QStringLiteral("CLOSE zdb_cursor"));
        FBlockStart = FBlockSize = FNext = FServerNext = 0;
        FEnd = -1;
        Start(declaredSql, packet, head);
    }
    ~TCursorSource() override { Release(); }
    QSqlRecord Record() const override { return FRecord; }
    bool Fetch(int count, const TRowSink& sink) override
    {
        for (int n = 0; count < 0 || n < count;) {
            if (FNext >= FBlockStart && FNext < FBlockStart + FBlockSize && FBlock) {
                FBlock->seek(int(FNext - FBlockStart));
                ++FNext;
                ++n;
                sink(*FBlock);
                continue;
            }
            if (FEnd >= 0 && FNext >= quint64(FEnd))
                return false;
            FetchBlock(count < 0 ? -1 : count - n);
        }
        return FEnd < 0 || FNext < quint64(FEnd);
    }
    bool Seek(quint64 ordinal) override
    {
        FNext = ordinal;
        return true;
    }
    bool Near(quint64 ordinal) const override
    {
        if (FBlock && ordinal >= FBlockStart && ordinal < FBlockStart + FBlockSize)
            return true;
        if (FServerNext == quint64(-1))
            return false;
        return (ordinal > FServerNext ? ordinal - FServerNext : FServerNext - ordinal) <= NearRows;
    }
    quint64 Position() const override { return FNext; }
    bool Readable() const override { return !FName.isEmpty() && (FEnd < 0 || FNext < quint64(FEnd)); }
    bool Count(const QString& countSql, qint64& count) override
    {
        if (FName.isEmpty())
            return false;
        const QSqlDatabase clone = QSqlDatabase::database(FName, false);
        QSqlQuery q(clone);
        ++Requests;
        const bool ok = Run(q, countSql, FValues) && q.next();
        if (ok)
            count = q.value(0).toLongLong();
        else
            QSqlQuery(clone).exec(QStringLiteral("ROLLBACK TO SAVEPOINT zdb_select"));
        return ok;
    }
    void Select(const QString& sql, const TBoundValues& extra, const TRowSink& sink) override
    {
        if (FName.isEmpty())
            DatabaseError(QCoreApplication::translate("zdb", "The query's cursor is closed"), FOwner);
        ++Requests;
        QSqlQuery q(QSqlDatabase::database(FName, false));
        if (!Run(q, sql, FValues + extra)) {
            const QSqlError error = q.lastError();
            QSqlQuery(QSqlDatabase::database(FName, false)).exec(QStringLiteral("ROLLBACK TO SAVEPOINT zdb_select"));
            Fail(error);
        }
        Deliver(q, sink);
    }
    bool CountIsSnapshot() const override { return true; }
    bool Live() const override { return false; }

private:
    void Exec(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(FName, false));
        FOwner->NoteStatement(sql);
        if (!q.exec(sql))
            Fail(q.lastError());
    }
    // Declares the cursor (which runs nothing yet) and reads the first rows: the first
    // `head` by the statement limited to them, else a packet from the cursor.
    void Start(const QString& declaredSql, int packet, int head)
    {
        Exec(QStringLiteral("DECLARE zdb_cursor SCROLL CURSOR FOR\n") + declaredSql);
        // A cursor declared again stands inside the savepoint before; the new one shadows it.
        Exec(QStringLiteral("SAVEPOINT zdb_select"));
        if (head <= 0) {
            FetchBlock(packet);
            return;
        }
        ++Requests;
        auto q = std::make_unique<QSqlQuery>(QSqlDatabase::database(FName, false));
        if (!Run(*q, Limited(declaredSql, head), {}))
            Fail(q->lastError());
        const int size = std::max(q->size(), 0);
        FBlockStart = 0;
        FBlockSize = quint64(size);
        if (size < head)
            FEnd = size;
        FBlock = std::move(q);
    }
    // Reads the rows from FNext on: `count` of them, all when negative.
    void FetchBlock(int count)
    {
        FBlock.reset();
        FBlockSize = 0;
        if (FServerNext != FNext) {
            // MOVE ABSOLUTE n stands on the n-th row (1-based): FETCH then reads ordinal n.
            Exec(QStringLiteral("MOVE ABSOLUTE %1 FROM zdb_cursor").arg(FNext));
            FServerNext = FNext;
            ++Requests;
        }
        ++Requests;
        // Not forward-only: Qt streams forward-only PostgreSQL results and then cannot tell their size.
        auto q = std::make_unique<QSqlQuery>(QSqlDatabase::database(FName, false));
        const QString sql = count < 0 ? QStringLiteral("FETCH ALL FROM zdb_cursor")
                                      : QStringLiteral("FETCH FORWARD %1 FROM zdb_cursor").arg(count);
        FOwner->NoteStatement(sql);
        if (!q->exec(sql)) {
            FServerNext = quint64(-1); // where the cursor stands is not known now
            Fail(q->lastError());
        }
        const int size = std::max(q->size(), 0);
        FBlockStart = FNext;
        FBlockSize = quint64(size);
        FServerNext = FNext + quint64(size);
        if (count < 0 || size < count)
            FEnd = qint64(FServerNext);
        FBlock = std::move(q);
    }
    void Release()
    {
        FBlock.reset();
        if (FName.isEmpty())
            return;
        {
            QSqlDatabase clone = QSqlDatabase::database(FName, false);
            if (clone.isOpen()) {
                QSqlQuery(clone).exec(QStringLiteral("COMMIT"));
                clone.close();
            }
        }
        QSqlDatabase::removeDatabase(FName);
        FName.clear();
    }

    QString FName;
    std::unique_ptr<QSqlQuery> FBlock; // the rows FETCH read last: ordinals [FBlockStart, FBlockStart + FBlockSize)
    quint64 FBlockStart = 0;
    quint64 FBlockSize = 0;
    quint64 FNext = 0;                 // the ordinal Fetch reads next
    quint64 FServerNext = 0;           // the ordinal the server's cursor reads next
    qint64 FEnd = -1;                  // rows of the result, once the cursor reached its end
    QSqlRecord FRecord;
};

// ---------------------------------------------------------------------------
// Construction and properties

TZSQLQuery::TZSQLQuery(QObject* parent)
    : TDataSet(parent), FParams(this), FMasterLink(std::make_unique<TMasterDataLink>(this))
{
    FMasterLink->OnMasterChange = [this](bool moved) { MasterChanged(moved); };
    FMasterTimer = new QTimer(this);
    FMasterTimer->setSingleShot(true);
    connect(FMasterTimer, &QTimer::timeout, this, [this] {
        try {
            FollowMaster();
        } catch (...) {
            HandleException(nullptr);
        }
    });
}

TZSQLQuery::~TZSQLQuery()
{
    try {
        // A transaction this query began ends with it: its changes were never committed.
        if (FInTransaction) {
            FInTransaction = false;
            QSqlDatabase db = Connection();
            if (db.isValid() && db.isOpen())
                db.rollback();
        }
    } catch (...) {
        // A destructor does not throw.
    }
    try {
        Close();
    } catch (...) {
        // A destructor does not throw; closing only releases.
    }
}

void TZSQLQuery::SetSQL(const QStringList& value)
{
    if (value == FSQL)
        return;
    if (Active())
        Close();
    FSQL = value;
    FParams.ParseSQL(SQLText());
    FieldDefs().Clear();
    FieldDefs().SetUpdated(false);
}

void TZSQLQuery::SetConnectionName(const QString& value)
{
    if (value == FConnectionName)
        return;
    if (Active())
        Close();
    FConnectionName = value;
    FieldDefs().Clear();
    FieldDefs().SetUpdated(false);
}

void TZSQLQuery::SetDataSource(TDataSource* value)
{
    FMasterLink->SetMasterSource(value);
}

void TZSQLQuery::MasterChanged(bool moved)
{
    if (!Active())
        return; // the parameters are taken when it opens
    if (moved && FMasterDelay > 0)
        FMasterTimer->start(FMasterDelay); // a restart: the master must rest for the delay
    else
        FollowMaster();
}

void TZSQLQuery::FollowMaster()
{
    FMasterTimer->stop();
    if (!Active())
        return;
    CheckBrowseMode();
    if (!ApplyMasterParams())
        return;
    TDataSetControlsGuard guard(this); // the links see one change of the data, not a closing
    Close();
    Open();
}

bool TZSQLQuery::ApplyMasterParams()
{
    if (!GetDataSource())
        return false;
    FMasterLink->SetFieldNames(FParams.Names().join(QLatin1Char(';')));
    const bool masterOpen = FMasterLink->MasterActive();
    QStringList given;
    bool changed = false;
    for (int i = 0; i < FParams.Count(); ++i) {
        TParam& param = FParams[i];
        TField* field = FMasterLink->MasterField(param.Name());
        // A closed master gives null to what it gave before and to what has no value yet.
        if (!field && (masterOpen || (param.GetBound() && !FMasterParams.contains(param.Name(), Qt::CaseInsensitive))))
            continue;
        const QVariant value = field ? field->GetValue() : QVariant();
        if (!param.GetBound() || param.Value() != value || param.IsNull() != value.isNull()) {
            param.SetValue(value);
            changed = true;
        }
        if (field)
            given << param.Name();
    }
    if (masterOpen)
        FMasterParams = given;
    return changed;
}

QSqlDatabase TZSQLQuery::Connection() const
{
    const QString name = FConnectionName.isEmpty() ? QString::fromLatin1(QSqlDatabase::defaultConnection)
                                                   : FConnectionName;
    if (!QSqlDatabase::contains(name))
        return QSqlDatabase();
    return QSqlDatabase::database(name, false);
}

void TZSQLQuery::SetPacketRecords(int value)
{
    if (value == 0 || value < -1)
        DatabaseError(QStringLiteral("%1 is not a valid PacketRecords value").arg(value), this);
    FPacketRecords = value;
}

void TZSQLQuery::SetCacheRecords(int value)
{
    if (value == FCacheRecords)
        return;
    if (value < 1)
        DatabaseError(QStringLiteral("%1 is not a valid CacheRecords value").arg(value), this);
    FCacheRecords = value;
    if (FCursorOpen)
        Evict(FCursor);
}

void TZSQLQuery::SetReadOnly(bool value)
{
    if (value == FReadOnly)
        return;
    if (Active())
        CheckBrowseMode();
    FReadOnly = value;
}

void TZSQLQuery::SetUpdateTable(const QString& value)
{
    FUpdateTable = value.trimmed();
}

void TZSQLQuery::SetKeyFields(const QString& value)
{
    FKeyFields = value;
}

QString TZSQLQuery::ActiveUpdateTable() const
{
    return FUpdate ? FUpdate->TableSql : QString();
}

QString TZSQLQuery::ActiveKeyFields() const
{
    QStringList names;
    if (FUpdate)
        for (int k : FUpdate->KeyColumns)
            names << FColumns[size_t(k)].Name;
    return names.join(QLatin1Char(';'));
}

void TZSQLQuery::SetFieldType(const QString& fieldName, TFieldType type, int size)
{
    FFieldTypes[fieldName.toUpper()] = {type, size};
    FieldDefs().SetUpdated(false);
}

void TZSQLQuery::ClearFieldTypes()
{
    FFieldTypes.clear();
    FieldDefs().SetUpdated(false);
}

bool TZSQLQuery::AllRecordsFetched() const
{
    return FAllFetched;
}

// ---------------------------------------------------------------------------
// Opening

QString TZSQLQuery::StatementText() const
{
    return StripSqlTerminator(SQLText());
}

void TZSQLQuery::CheckParams() const
{
    for (int i = 0; i < FParams.Count(); ++i)
        if (!FParams[i].GetBound())
            DatabaseError(QCoreApplication::translate("zdb", "No value for parameter '%1'").arg(FParams[i].Name()), this);
}

std::unique_ptr<TZSQLQuery::TRowSource> TZSQLQuery::OpenSource(bool forDefinitions,
                                                                 std::unique_ptr<TRowSource> previous, int head)
{
    const QSqlDatabase db = Connection();
    if (!db.isValid())
        DatabaseError(FConnectionName.isEmpty() ? QCoreApplication::translate("zdb", "No database connection")
                                                : QCoreApplication::translate("zdb", "No database connection named '%1'").arg(FConnectionName),
                      this);
    // A cursor declared again runs on its own connection: the main one may have found
    // meanwhile that its server went away (reading the table's columns), which is no
    // reason to refuse a statement that never runs there.
    if (!db.isOpen() && !dynamic_cast<TCursorSource*>(previous.get()))
        DatabaseError(QCoreApplication::translate("zdb", "The database connection is not open"), this);
    const QString sql = FSourceOrder.isEmpty() ? RunStatementText() : ReplaceSqlOrderBy(RunStatementText(), FSourceOrder);
    if (sql.isEmpty())
        DatabaseError(QCoreApplication::translate("zdb", "No SQL statement"), this);
    FParams.ParseSQL(SQLText());
    ApplyMasterParams();
    CheckParams();

    const TDialect dialect = DialectOf(db);
    const TSqlSelectInfo info = AnalyzeSelect(sql);
    // Row locks taken by FOR UPDATE would sit in the cursor's transaction and block the
    // application's own edits: such statements run on the connection itself.
    const bool cursor = dialect == TDialect::Postgres && FPacketRecords > 0 && info.IsSelect && !info.Locking;
    if (cursor) {
        // DECLARE cannot be prepared: the values go in as literals made by the driver.
        QString declared;
        qsizetype copied = 0;
        const QSqlDriver* driver = db.driver();
        for (const TSqlToken& token : TokenizeSql(sql)) {
            if (token.Kind != TSqlToken::tkParam)
                continue;
            const QVariant value = RunParamValue(token.Text);
            QSqlField field(QStringLiteral("p"), value.isValid() ? value.metaType() : QMetaType(QMetaType::QString));
            field.setValue(value);
            declared += sql.mid(copied, token.Start - copied);
            declared += driver->formatValue(field);
            copied = token.Start + token.Length;
        }
        declared += sql.mid(copied);
        const int packet = forDefinitions ? 1 : FPacketRecords;
        const TBoundValues values = BindValues(FParams, [](const QVariant& v) { return v; }) + ServerFilterValues();
        if (auto* cursor = dynamic_cast<TCursorSource*>(previous.get())) {
            cursor->Declare(declared, values, packet, head); // the same snapshot, no second connection
            return previous;
        }
        return std::make_unique<TCursorSource>(this, db, declared, values, packet, head);
    }
    const bool sqlite = dialect == TDialect::Sqlite;
    TBoundValues values = BindValues(FParams, [sqlite](const QVariant& v) { return DbValue(v, sqlite); });
    for (const auto& value : ServerFilterValues())
        values.append({value.first, DbValue(value.second, sqlite)});
    // Only SQLite's rows after a head can be read on (by the keys of the last one).
    return std::make_unique<TForwardSource>(this, db, sql, values, dialect != TDialect::Postgres, sqlite ? head : 0);
}

int TZSQLQuery::HeadRows() const
{
    // The rows after the head must follow it exactly: an order ending in a unique key, and
    // on SQLite, whose rows are live, keyset paging to read them on.
    if (FOrderKeys.empty() || FPacketRecords <= 0 || !FClientOrder.isEmpty())
        return 0;
    const TDialect dialect = DialectOf(Connection());
    return dialect == TDialect::Postgres || dialect == TDialect::Sqlite ? FPacketRecords : 0;
}

void TZSQLQuery::NoteStatement(const QString& sql) const
{
    if (FStatements.size() >= 100)
        FStatements.removeFirst();
    FStatements.append(sql);
}

// Whether the server compares bound values of a column as it orders the column.
static bool KeysetComparable(TFieldType type, bool sqlite)
{
    if (IsIntegerFieldType(type) || IsFloatFieldType(type) || type == ftString || type == ftWideString
        || type == ftFixedChar || type == ftFixedWideChar)
        return true;
    // SQLite keeps these as texts or numbers of more than one form.
    return !sqlite && (type == ftDate || type == ftTime || type == ftDateTime || type == ftBoolean);
}

void TZSQLQuery::ResolveOrderKeys()
{
    FOrderKeys.clear();
    if (!FUpdate || !AnalyzeSelect(StatementText()).Simple)
        return; // only the key of the one table read makes a row unique
    QStringList fields;
    for (int i = 0; i < FRecord.count() && size_t(i) < FColumns.size(); ++i)
        fields << (FRecord.fieldName(i) == FColumns[size_t(i)].Name ? FColumns[size_t(i)].Name : QString());
    QStringList unique;
    for (int k : FUpdate->KeyColumns)
        unique << fields.value(k);
    std::vector<TSqlOrderKey> keys;
    if (!SqlOrderKeys(StatementText(), fields, unique, keys))
        return;
    for (TSqlOrderKey& key : keys) {
        const TColumn& column = FColumns[size_t(fields.indexOf(key.Field))];
        if (!KeysetComparable(column.Type, FSqlite))
            return;
        key.Sql = QuoteFieldName(key.Field);
        key.NotNull = column.NotNull;
    }
    FOrderKeys = std::move(keys);
}

QVariantList TZSQLQuery::OrderKeyValues(const std::vector<TSqlOrderKey>& keys, const TRow& row) const
{
    QVariantList values;
    for (const TSqlOrderKey& key : keys) {
        const auto column = std::find_if(FColumns.begin(), FColumns.end(),
                                         [&](const TColumn& c) { return c.Name == key.Field; });
        const int index = int(column - FColumns.begin());
        QVariant value = column == FColumns.end() ? QVariant() : DbValue(row.Values[size_t(index)], FSqlite);
        if (FUpdate && FUpdate->KeepRawKeys) {
            const auto& keyColumns = FUpdate->KeyColumns;
            const auto k = std::find(keyColumns.begin(), keyColumns.end(), index);
            if (k != keyColumns.end())
                value = row.Values[FColumns.size() + size_t(k - keyColumns.begin())];
        }
        values << value;
    }
    return values;
}

void TZSQLQuery::InternalOpen()
{
    const TWaitCursorGuard waiting;
    const TDialect dialect = DialectOf(Connection());
    FSqlite = dialect == TDialect::Sqlite;
    FSourceOrder.clear();
    FStatements.clear();
    // The columns come from a first run. Where the statement may turn out to run again with
    // the key after its ORDER BY (a sorted SELECT over one table), that run reads one row by
    // the statement limited to it: the server need not sort every row twice.
    const QString statement = StatementText();
    const bool probe = FPacketRecords > 0 && (FSqlite || dialect == TDialect::Postgres)
                       && AnalyzeSelect(statement).Simple && SqlUnorderedText(statement) != statement;
    FSource = OpenSource(false, nullptr, probe ? 1 : 0);
    try {
        FRecord = FSource->Record();
        BuildColumns(FRecord);
        FieldDefs().SetUpdated(false);
        FieldDefs().Update();
        CreateFields();
        BindFields(true);
        ResolveOrderKeys();
        // Rows with equal values of the ORDER BY come in the key's order, as the pages read by
        // the keys have them: the statement runs with the key appended.
        const QString keysOrder = SqlOrderKeysText(FOrderKeys, false);
        if (!FOrderKeys.empty()
            && SqlOrderByItems(StatementText()).simplified().remove(QLatin1Char(' '))
                       .compare(QString(keysOrder).remove(QLatin1Char(' ')), Qt::CaseInsensitive) != 0)
            FSourceOrder = keysOrder;
        if (probe || !FSourceOrder.isEmpty())
            FSource = OpenSource(false, std::move(FSource), HeadRows());
    } catch (...) {
        FSource.reset();
        FSourceOrder.clear();
        FOrderKeys.clear();
        DestroyFields();
        FColumns.clear();
        FUpdate.reset();
        throw;
    }
    ++FGeneration;
    ClearRows();
    FCursor = -1;
    FFetchedCount = 0;
    FServerCount = -1;
    FCountDelta = 0;
    FPostedKeys.clear();
    ForgetLookups(false);
    FEditedSinceOpen = false;
    FScratch = AllocRecordBuffer();
    // Rows can be read again from a snapshot, or from live rows by their keys.
    FPaging = PagingPossible();
    FCursorOpen = true;
    ApplyServerFilter();
    if (!FClientOrder.isEmpty() && !FClientSorted)
        SortOnClient(false);
}

bool TZSQLQuery::PagingPossible() const
{
    return FPacketRecords > 0 && FSource && (!FSource->Live() || (FSqlite && !FOrderKeys.empty()));
}

void TZSQLQuery::InternalClose()
{
    FCursorOpen = false;
    BindFields(false);
    DestroyFields();
    FSource.reset();
    ClearRows();
    FScratch.reset();
    FUpdate.reset();
    FOrderKeys.clear();
    FSourceOrder.clear();
    FPaging = false;
    FCursor = -1;
    FServerCount = -1;
    FCountDelta = 0;
    FPostedKeys.clear();
    FServerFilter.reset();
    FUndo.clear(); // the rows are gone; a rollback only undoes the server's side
    ForgetLookups(false);
    if (FInTransaction)
        FUndoLost = true;
}

void TZSQLQuery::InternalInitFieldDefs()
{
    if (!FSource && !FCursorOpen) {
        // Definitions asked for while closed: run the statement for its description.
        std::unique_ptr<TRowSource> source = OpenSource(true);
        BuildColumns(source->Record());
        source.reset();
    }
    FieldDefs().Clear();
    for (const TColumn& column : FColumns) {
        TFieldDef& def = FieldDefs().Add(column.Name, column.Type, column.Size, column.Required);
        def.Precision = column.Precision;
        def.InKey = column.Key;
        def.ReadOnly = FUpdate && !column.Writable;
    }
    FClientOpen.clear();
    for (size_t i = 0; i < FClientDefs.size(); ++i) {
        if (FieldDefs().IndexOf(FClientDefs[i].Name) >= 0)
            continue; // a result column of that name
        FieldDefs().Add(FClientDefs[i].Name, FClientDefs[i].Type, FClientDefs[i].Size);
        FClientOpen.push_back(int(i));
    }
    if (!FCursorOpen && !FSource) {
        FColumns.clear();
        FUpdate.reset();
    }
}

// Names, types and the place in the update table of every result column.
void TZSQLQuery::BuildColumns(const QSqlRecord& record)
{
    FColumns.clear();
    FUpdate.reset();
    const QSqlDatabase db = Connection();
    const TDialect dialect = DialectOf(db);
    const QString sql = StatementText();
    const TSqlSelectInfo info = AnalyzeSelect(sql);

    // Field names, made unique.
    QSet<QString> used;
    FColumns.resize(size_t(record.count()));
    for (int i = 0; i < record.count(); ++i) {
        QString name = record.fieldName(i);
        if (name.isEmpty())
            name = QStringLiteral("COLUMN%1").arg(i + 1);
        const QString base = name;
        for (int n = 1; used.contains(name.toUpper()); ++n)
            name = QStringLiteral("%1_%2").arg(base).arg(n);
        used.insert(name.toUpper());
        FColumns[size_t(i)].Name = name;
    }

    // The update table: given, or the one table of a simple SELECT.
    QStringList tableParts;
    QString tableSql;
    QString tableAlias;
    if (!FUpdateTable.isEmpty()) {
        tableSql = FUpdateTable;
        for (const TSqlToken& token : TokenizeSql(FUpdateTable))
            if (token.Kind == TSqlToken::tkWord || token.Kind == TSqlToken::tkQuoted)
                tableParts << token.Text;
        for (const auto& ref : info.Tables)
            if (!ref.Derived && !tableParts.isEmpty()
                && ref.NameParts.value(ref.NameParts.size() - 1).compare(tableParts.back(), Qt::CaseInsensitive) == 0)
                tableAlias = ref.Alias;
    } else if (info.Simple) {
        tableSql = info.Tables.front().Sql;
        tableParts = info.Tables.front().NameParts;
        tableAlias = info.Tables.front().Alias;
    }
    std::vector<TTableColumn> tableColumns;
    if (!tableParts.isEmpty())
        tableColumns = ReadTableColumns(db, dialect, tableParts, tableSql);
    const bool haveTable = !tableColumns.empty();
    auto isUpdateTable = [&](const QString& qualifier) {
        return qualifier.isEmpty()
               || (!tableParts.isEmpty() && qualifier.compare(tableParts.back(), Qt::CaseInsensitive) == 0)
               || (!tableAlias.isEmpty() && qualifier.compare(tableAlias, Qt::CaseInsensitive) == 0);
    };

    // The select list, column by column, when it can be lined up with the result.
    std::vector<TSqlSelectInfo::TItem> items;
    bool positional = info.IsSelect && !info.Items.empty();
    for (const auto& item : info.Items) {
        if (!positional)
            break;
        if (!item.Star) {
            items.push_back(item);
            continue;
        }
        const bool ours = item.Qualifier.isEmpty()
                              ? info.Tables.size() == 1 && !info.Tables.front().Derived && !tableParts.isEmpty()
                                    && info.Tables.front().NameParts.back().compare(tableParts.back(), Qt::CaseInsensitive) == 0
                              : isUpdateTable(item.Qualifier);
        if (!ours || !haveTable) {
            positional = false;
            break;
        }
        for (const TTableColumn& c : tableColumns) {
            TSqlSelectInfo::TItem column;
            column.Column = c.Name;
            column.Qualifier = item.Qualifier;
            items.push_back(column);
        }
    }
    if (positional && items.size() != size_t(record.count()))
        positional = false;

    // Declared types of SQLite columns, by the table the driver names for each column.
    std::map<QString, std::vector<TTableColumn>> declaredTables;
    auto declaredFor = [&](const QString& table, const QString& column) -> const TTableColumn* {
        if (table.isEmpty() || column.isEmpty())
            return nullptr;
        if (!tableParts.isEmpty() && table.compare(tableParts.back(), Qt::CaseInsensitive) == 0 && haveTable)
            return FindTableColumn(tableColumns, column);
        auto it = declaredTables.find(table.toUpper());
        if (it == declaredTables.end())
            it = declaredTables.emplace(table.toUpper(), ReadTableColumns(db, dialect, {table}, table)).first;
        return FindTableColumn(it->second, column);
    };

    QSet<QString> writtenColumns; // a column selected twice is written through its first field only
    for (int i = 0; i < record.count(); ++i) {
        TColumn& column = FColumns[size_t(i)];
        const QSqlField field = record.field(i);
        // Where the column comes from.
        QString baseName;
        QString baseSql;
        bool fromUpdateTable = haveTable;
        if (positional) {
            const TSqlSelectInfo::TItem& item = items[size_t(i)];
            if (item.Expression || !isUpdateTable(item.Qualifier)) {
                fromUpdateTable = false;
            } else {
                baseName = item.Column;
                baseSql = item.ColumnSql;
            }
        } else if (haveTable) {
            baseName = column.Name == field.name() ? field.name() : QString();
        }
        // SQLite names the table a result column comes from: columns of other tables are not ours.
        if (dialect == TDialect::Sqlite && fromUpdateTable && !field.tableName().isEmpty()
            && field.tableName().compare(tableParts.back(), Qt::CaseInsensitive) != 0)
            fromUpdateTable = false;
        const TTableColumn* tableColumn = fromUpdateTable ? FindTableColumn(tableColumns, baseName) : nullptr;
        if (fromUpdateTable && !baseName.isEmpty()) {
            column.BaseName = tableColumn ? tableColumn->Name : baseName;
            if (tableColumn)
                column.BaseSql = db.driver()->escapeIdentifier(tableColumn->Name, QSqlDriver::FieldName);
            else if (positional)
                column.BaseSql = baseSql; // rowid, ctid, ...: usable as a key, never written
        }
        column.InTable = tableColumn != nullptr;
        column.Writable = tableColumn && !tableColumn->Generated && !writtenColumns.contains(tableColumn->Name);
        if (column.Writable)
            writtenColumns.insert(tableColumn->Name);
        column.AutoGenerated = tableColumn && tableColumn->AutoGenerated;
        column.Required = tableColumn && tableColumn->NotNull && !tableColumn->HasDefault
                          && !tableColumn->AutoGenerated && !tableColumn->Generated;
        column.NotNull = tableColumn
                         && (tableColumn->NotNull || (dialect == TDialect::Sqlite && tableColumn->AutoGenerated));

        // The field type.
        TFieldType type = ftUnknown;
        int size = 0;
        bool known = false;
        if (dialect == TDialect::Sqlite) {
            const TTableColumn* declared =
                tableColumn ? tableColumn
                            : declaredFor(field.tableName(), positional && !items[size_t(i)].Expression
                                                                 ? items[size_t(i)].Column
                                                                 : field.name());
            if (declared)
                known = TypeFromDeclared(declared->Declared, declared->AutoGenerated, type, size);
        } else if (dialect == TDialect::Postgres) {
            known = TypeFromPostgres(field, column.AutoGenerated, type, size);
        }
        if (!known)
            TypeFromMetaType(field, type, size);
        if (type == ftInteger && column.AutoGenerated)
            type = ftAutoInc;
        if (dialect == TDialect::Postgres && field.typeID() == 1700 && field.precision() > 0)
            column.Precision = std::max(field.length(), 0);
        column.StoredType = type;
        const auto override = FFieldTypes.find(column.Name.toUpper());
        if (override != FFieldTypes.end()) {
            type = override->second.first;
            if (override->second.second > 0 || !IsTextType(type))
                size = override->second.second;
        }
        column.Type = type;
        column.Size = size;
    }

    // The key and whether the query can be edited at all.
    if (tableSql.isEmpty() || !haveTable)
        return;
    auto update = std::make_unique<TUpdateInfo>();
    update->TableSql = tableSql;
    if (!FKeyFields.trimmed().isEmpty()) {
        for (const QString& name : SplitFieldNames(FKeyFields)) {
            auto it = std::find_if(FColumns.begin(), FColumns.end(), [&](const TColumn& c) {
                return c.Name.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (it == FColumns.end() || it->BaseSql.isEmpty())
                return;
            update->KeyColumns.push_back(int(it - FColumns.begin()));
        }
    } else {
        const QSqlIndex primary = db.primaryIndex(tableSql);
        for (int k = 0; k < primary.count(); ++k) {
            auto it = std::find_if(FColumns.begin(), FColumns.end(), [&](const TColumn& c) {
                return c.InTable && c.BaseName.compare(primary.fieldName(k), Qt::CaseInsensitive) == 0;
            });
            if (it == FColumns.end())
                return;
            update->KeyColumns.push_back(int(it - FColumns.begin()));
        }
    }
    if (update->KeyColumns.empty())
        return;
    for (int k : update->KeyColumns) {
        TColumn& key = FColumns[size_t(k)];
        key.Key = true;
        if (dialect == TDialect::Sqlite
            && (key.Type == ftDate || key.Type == ftTime || key.Type == ftDateTime || key.Type == ftBoolean
                || IsFloatFieldType(key.Type)))
            update->KeepRawKeys = true;
    }
    update->Returning = dialect == TDialect::Postgres || (dialect == TDialect::Sqlite && SqliteHasReturning(db));
    update->LastInsertId = !update->Returning && db.driver()->hasFeature(QSqlDriver::LastInsertId);
    QStringList returning;
    for (size_t i = 0; i < FColumns.size(); ++i) {
        if (FColumns[i].BaseSql.isEmpty())
            continue;
        update->ReturningColumns.push_back(int(i));
        returning << FColumns[i].BaseSql;
    }
    update->ReturningList = returning.join(QStringLiteral(", "));
    FUpdate = std::move(update);
}

// ---------------------------------------------------------------------------
// Fetching and the row cache

namespace {

// The common ISO 8601 forms read without Qt's general date-time parser, which looks up
// the time zone for every value: "yyyy-MM-dd", optionally followed by a blank or "T"
// and "HH:mm:ss" or "HH:mm:ss.zzz" (no zone). False for every other text, and for
// impossible dates and times: those are left to ParseIsoDateTime.
bool ParsePlainIsoDateTime(QStringView text, QDate& date, QTime& time, bool& hasTime)
{
    text = text.trimmed();
    const qsizetype size = text.size();
    if (size != 10 && size != 19 && size != 23)
        return false;
    auto number = [&](qsizetype from, qsizetype count, int& value) {
        value = 0;
        for (qsizetype i = from; i < from + count; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9')
                return false;
            value = value * 10 + (c - u'0');
        }
        return true;
    };
    auto at = [&](qsizetype i, char16_t c) { return text[i].unicode() == c; };
    int year = 0, month = 0, day = 0;
    if (!number(0, 4, year) || !at(4, u'-') || !number(5, 2, month) || !at(7, u'-') || !number(8, 2, day)
        || year == 0)
        return false;
    date = QDate(year, month, day);
    if (!date.isValid())
        return false;
    hasTime = size > 10;
    if (!hasTime)
        return true;
    int hour = 0, minute = 0, second = 0, msec = 0;
    if (!(at(10, u' ') || at(10, u'T')) || !number(11, 2, hour) || !at(13, u':') || !number(14, 2, minute)
        || !at(16, u':') || !number(17, 2, second))
        return false;
    if (size == 23 && (!at(19, u'.') || !number(20, 3, msec)))
        return false;
    time = QTime(hour, minute, second, msec);
    return time.isValid();
}

} // namespace

QVariant TZSQLQuery::FromDb(const TColumn& column, const QVariant& raw) const
{
    if (raw.isNull())
        return QVariant();
    const int id = raw.typeId();
    const TFieldType type = column.Type;
    // The values drivers usually send for these types need no conversion (every row read
    // passes here: a page of rows converts thousands of values).
    switch (id) {
    case QMetaType::LongLong:
        if (IsIntegerFieldType(type)) {
            const qlonglong value = raw.toLongLong();
            if (type == ftLargeint || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
                return raw;
            return int(value);
        }
        break;
    case QMetaType::Int:
        if (IsIntegerFieldType(type))
            return type == ftLargeint ? QVariant(raw.toLongLong()) : raw;
        break;
    case QMetaType::Double:
        if (IsFloatFieldType(type))
            return raw;
        break;
    case QMetaType::QString:
        if (IsTextType(type))
            return raw;
        break;
    default:
        break;
    }
    const bool text = id == QMetaType::QString || id == QMetaType::QByteArray;
    const bool number = !text && id != QMetaType::Bool && id != QMetaType::QDate && id != QMetaType::QTime
                        && id != QMetaType::QDateTime && raw.canConvert<double>();
    if (IsIntegerFieldType(type)) {
        bool ok = false;
        qlonglong value = raw.toLongLong(&ok);
        if (!ok && text) {
            const double d = raw.toString().trimmed().toDouble(&ok);
            ok = ok && std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.2e18;
            value = qlonglong(d);
        }
        if (!ok)
            return raw;
        if (type == ftLargeint || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
            return value;
        return int(value);
    }
    if (IsFloatFieldType(type)) {
        bool ok = false;
        double value = raw.toDouble(&ok);
        if (!ok && text)
            ok = ParseMoney(raw.toString(), value);
        return ok ? QVariant(value) : raw;
    }
    switch (type) {
    case ftBoolean: {
        if (id == QMetaType::Bool)
            return raw;
        if (number)
            return raw.toDouble() != 0;
        const QString t = raw.toString().trimmed().toLower();
        if (t == QLatin1String("1") || t == QLatin1String("t") || t == QLatin1String("true") || t == QLatin1String("y")
            || t == QLatin1String("yes") || t == QLatin1String("on"))
            return true;
        if (t == QLatin1String("0") || t == QLatin1String("f") || t == QLatin1String("false") || t == QLatin1String("n")
            || t == QLatin1String("no") || t == QLatin1String("off"))
            return false;
        return raw;
    }
    case ftDate: {
        if (id == QMetaType::QDate)
            return raw;
        if (id == QMetaType::QDateTime)
            return raw.toDateTime().date();
        QDate date;
        QTime time;
        bool hasTime = false;
        if (!number && ParsePlainIsoDateTime(raw.toString(), date, time, hasTime) && !hasTime)
            return date;
        const QDateTime dt = number ? NumberToDateTime(raw) : ParseIsoDateTime(raw.toString());
        return dt.isValid() ? QVariant(dt.date()) : raw;
    }
    case ftTime: {
        if (id == QMetaType::QTime)
            return raw;
        if (id == QMetaType::QDateTime)
            return raw.toDateTime().time();
        const QTime time = number ? NumberToDateTime(raw).time() : ParseIsoTime(raw.toString());
        return time.isValid() ? QVariant(time) : raw;
    }
    case ftDateTime: case ftTimeStamp: case ftOraTimeStamp: case ftTimeStampOffset: {
        if (id == QMetaType::QDateTime)
            return raw;
        if (id == QMetaType::QDate)
            return raw.toDate().startOfDay();
        QDate date;
        QTime time;
        bool hasTime = false;
        if (!number && ParsePlainIsoDateTime(raw.toString(), date, time, hasTime)) {
            const QDateTime dt = hasTime ? QDateTime(date, time) : date.startOfDay();
            if (dt.isValid())
                return dt;
        }
        const QDateTime dt = number ? NumberToDateTime(raw) : ParseIsoDateTime(raw.toString());
        return dt.isValid() ? QVariant(dt) : raw;
    }
    case ftBlob: case ftGraphic: case ftBytes: case ftVarBytes: case ftTypedBinary: case ftOraBlob:
        return id == QMetaType::QString ? QVariant(raw.toString().toUtf8()) : QVariant(raw.toByteArray());
    default:
        if (IsTextType(type))
            return id == QMetaType::QByteArray ? QString::fromUtf8(raw.toByteArray()) : raw.toString();
        return raw;
    }
}

// ---------------------------------------------------------------------------
// The row window. Server rows are numbered by their place in the server's result
// (ordinals); their order key is (ordinal + 1) * OrderGap, and the rows inserted here
// take keys in between. The window holds every row whose order key lies in
// [FWinFirst * OrderGap + 1, FWinEnd * OrderGap] (no upper bound when FWinEnd is
// NoEnd): a row "group" is a server row with the rows inserted just before it, and
// rows leave the window a whole group at a time.

namespace {
constexpr quint64 NoEnd = std::numeric_limits<quint64>::max();
// Last without a count numbers the last rows back from a provisional end; real ordinals stay
// below the threshold (results of up to half a billion rows).
constexpr quint64 ProvisionalEnd = quint64(1) << 30;
constexpr quint64 ProvisionalThreshold = quint64(1) << 29;
// The ordinal of the server row that an order key belongs with (its own, or the next one's).
quint64 GroupOf(quint64 order) { return (order - 1) / OrderGap; }
} // namespace

void TZSQLQuery::NumberRow(TRow& row, quint64 ordinal) const
{
    row.Serial = ((FGeneration & GenerationMask) << GenerationShift) | (ordinal & IndexMask);
    row.Order = (ordinal + 1) * OrderGap;
}

TZSQLQuery::TRow TZSQLQuery::MakeRow(const QSqlQuery& query, quint64 ordinal)
{
    ++FFetchedCount;
    TRow row;
    const size_t n = FColumns.size();
    row.Values.resize(RowWidth());
    for (size_t i = 0; i < n; ++i)
        row.Values[i] = FromDb(FColumns[i], query.value(int(i)));
    if (FUpdate && FUpdate->KeepRawKeys)
        for (size_t i = 0; i < FUpdate->KeyColumns.size(); ++i)
            row.Values[n + i] = query.value(FUpdate->KeyColumns[i]);
    if (ServerFilterComplete())
        row.Accepted = 1; // the server's condition said so
    NumberRow(row, ordinal);
    FillClientValues(row.Values, row);
    return row;
}

bool TZSQLQuery::OwnKey(const TRow& row) const
{
    return FUpdate && !FPostedKeys.isEmpty() && FPostedKeys.contains(KeyText(row.Values));
}

// The first ordinal from `ordinal` on (downwards with `down`) that no pinned row holds;
// NoEnd when there is none below.
quint64 TZSQLQuery::FreeOrdinal(quint64 ordinal, bool down) const
{
    while (FPins.count(ordinal)) {
        if (down && ordinal == 0)
            return NoEnd;
        ordinal = down ? ordinal - 1 : ordinal + 1;
    }
    return ordinal;
}

int TZSQLQuery::CacheLimit() const
{
    // With a record filter every row stays: counting the accepted rows needs them all.
    return FPaging && !ClientFilterActive() ? FCacheRecords : std::numeric_limits<int>::max();
}

int TZSQLQuery::PageSize() const
{
    if (FPacketRecords < 0)
        return -1;
    int page = FPacketRecords;
    // A scan reads ahead in growing packets: a deep Locate takes few round trips.
    if (Scanning())
        page = std::clamp(int(FRows.size()), page, std::max(page, ScanPacketLimit));
    const int limit = CacheLimit();
    return limit == std::numeric_limits<int>::max() ? page : std::clamp(limit / 2, 1, page);
}

// Whether a far row may be read without reading the rows in between: always from a
// snapshot; from live rows (SQLite) while this dataset wrote none of them, since the
// server's count of rows before a place then is the place. Not under a record filter,
// which keeps every row from the first one on to count the accepted ones.
bool TZSQLQuery::CanJump() const
{
    return FPaging && FSource && (!FSource->Live() || FPostedKeys.isEmpty()) && !ClientFilterActive();
}

int TZSQLQuery::PositionOfOrder(quint64 order) const
{
    const quint64 before = GroupOf(std::max<quint64>(order, 1));
    quint64 server = before;
    if (FServerTotal >= 0)
        server = std::min(server, quint64(FServerTotal));
    qint64 position = qint64(server);
    for (auto it = FPins.begin(); it != FPins.end() && it->first < server; ++it)
        if (it->second.Deleted)
            --position;
    for (const auto& inserted : FInsertedRows)
        if (inserted.second.Order < order)
            ++position;
    return int(std::min<qint64>(position, std::numeric_limits<int>::max()));
}

bool TZSQLQuery::ChangesSetApart() const
{
    return FSource && !FSource->Live() && FUpdate;
}

QSet<QString> TZSQLQuery::ChangedRowKeys() const
{
    QSet<QString> keys;
    for (const auto& pin : FPins)
        keys.insert(KeyText(pin.second.Original));
    return keys;
}

QString TZSQLQuery::ServerRowKey(const QSqlQuery& query) const
{
    if (!FUpdate)
        return QString();
    std::vector<QVariant> values(FColumns.size());
    for (int column : FUpdate->KeyColumns)
        values[size_t(column)] = FromDb(FColumns[size_t(column)], query.value(column));
    return KeyText(values);
}

quint64 TZSQLQuery::FirstChangedMatch(const std::vector<int>& columns, const QVariant& keys, TLocateOptions options,
                                      int before, std::vector<QVariant>& values) const
{
    const TRow* first = nullptr;
    const auto consider = [&](const TRow& row) {
        const int position = PositionOf(row.Serial);
        if (position < 0 || position >= before)
            return;
        QVariantList shown;
        for (int column : columns)
            shown << row.Values[size_t(column)];
        if (!LocateValuesMatch(shown.size() == 1 ? shown.front() : QVariant(shown), keys, options))
            return;
        before = position;
        first = &row;
    };
    for (const auto& pin : FPins)
        if (!pin.second.Deleted)
            consider(pin.second.Current);
    for (const auto& inserted : FInsertedRows)
        consider(inserted.second);
    if (!first)
        return 0;
    values.assign(first->Values.begin(), first->Values.begin() + qsizetype(FColumns.size()));
    return first->Serial;
}

int TZSQLQuery::PositionOfOrdinal(quint64 ordinal) const
{
    return PositionOfOrder((ordinal + 1) * OrderGap);
}

int TZSQLQuery::WindowEnd() const
{
    return FWinPos + int(FRows.size());
}

int TZSQLQuery::CachedRecordCount() const
{
    return int(FRows.size());
}

int TZSQLQuery::ServerRequestCount() const
{
    return FSource ? FSource->Requests : 0;
}

void TZSQLQuery::UpdateAllFetched()
{
    FAllFetched = FWinFirst == 0 && FWinEnd == NoEnd;
}

void TZSQLQuery::ResetWindow(quint64 firstOrdinal)
{
    FRows.clear();
    FWinFirst = firstOrdinal;
    FWinEnd = firstOrdinal;
    FWinPos = PositionOfOrder(firstOrdinal * OrderGap + 1);
    UpdateAllFetched();
}

// The values of `FOrderKeys` of the server row at `ordinal` as read, when known.
bool TZSQLQuery::KnownOrdinalValues(quint64 ordinal, QVariantList& values) const
{
    const auto pin = FPins.find(ordinal);
    TRow original;
    if (pin != FPins.end()) {
        original.Values = pin->second.Original;
    } else {
        const quint64 order = (ordinal + 1) * OrderGap;
        const auto it = std::lower_bound(FRows.begin(), FRows.end(), order,
                                         [](const TRow& r, quint64 o) { return r.Order < o; });
        if (it == FRows.end() || it->Order != order)
            return false;
        original.Values = it->Values;
    }
    values = OrderKeyValues(FOrderKeys, original);
    return true;
}

void TZSQLQuery::ReadByCondition(const QString& sql, const QList<QPair<QString, QVariant>>& values,
                                 std::vector<TRow>& rows)
{
    FSource->Select(sql, values, [&](const QSqlQuery& q) { rows.push_back(MakeRow(q, 0)); });
}

// Server rows from ordinal `from` on, at most about `count` (all when negative); `end`
// when the result has no more.
void TZSQLQuery::ReadForward(quint64 from, int count, std::vector<TRow>& rows, bool& end)
{
    end = false;
    const bool live = FSource->Live();
    QVariantList anchor;
    if (!live && (FOrderKeys.empty() || count < 0 || from == 0 || FSource->Near(from)
                  || !KnownOrdinalValues(from - 1, anchor))) {
        // A snapshot: every ordinal is the row the server had there at the opening; the cursor
        // goes there unless it stands far away and the keys of the row before are known.
        FSource->Seek(from);
        quint64 ordinal = from;
        end = !FSource->Fetch(count, [&](const QSqlQuery& q) { rows.push_back(MakeRow(q, ordinal++)); });
        return;
    }
    // Live rows (the table as it is now): the rows this dataset wrote show where it put
    // them, so they are skipped here and the places of the rows it pinned are passed over.
    quint64 next = live ? FreeOrdinal(from, false) : from;
    auto take = [&](TRow&& row) {
        if (live && OwnKey(row))
            return;
        NumberRow(row, next);
        rows.push_back(std::move(row));
        next = live ? FreeOrdinal(next + 1, false) : next + 1;
    };
    // The statement's own rows go on from its last row, when that row is still the one
    // before `from` here (rows written meanwhile move the live places).
    QVariantList last;
    if (live && FSource->Readable() && next == FForwardNext
        && (FForwardLast.isEmpty() || (KnownOrdinalValues(from - 1, last) && last == FForwardLast))) {
        int read = 0;
        const TRowSink sink = [&](const QSqlQuery& q) {
            ++read;
            take(MakeRow(q, 0));
        };
        end = !FSource->Fetch(count, sink);
        if (end && FSource->Continuable() && !FOrderKeys.empty()) {
            // The first rows came from the statement limited to them: the rows after the last
            // one come from the statement over the rest, sorted by the server once.
            const QVariantList lastKeys = rows.empty() ? FForwardLast : OrderKeyValues(FOrderKeys, rows.back());
            const TSqlCondition after =
                lastKeys.isEmpty() ? TSqlCondition() : SqlKeysetCondition(FOrderKeys, lastKeys, false, FSqlite);
            FSource->Continue(ResultSelect(after.Sql, SqlOrderKeysText(FOrderKeys, false), -1), after.Values);
            end = !FSource->Fetch(count < 0 ? -1 : count - read, sink);
        }
        FForwardNext = next;
        if (!rows.empty() && !FOrderKeys.empty())
            FForwardLast = OrderKeyValues(FOrderKeys, rows.back());
        return;
    }
    if (!FPaging || count < 0) {
        end = true; // the statement's own rows are all read and nothing else reads them
        return;
    }
    // The rows after the row before `from`, by their keys, or counted from the start.
    const int limit = count + int(FPostedKeys.size());
    const QString order = SqlOrderKeysText(FOrderKeys, false);
    TSqlCondition after;
    QString sql;
    if (from == 0) {
        sql = ResultSelect(QString(), order, limit);
    } else if (!anchor.isEmpty() || KnownOrdinalValues(from - 1, anchor)) {
        after = SqlKeysetCondition(FOrderKeys, anchor, false, FSqlite);
        sql = ResultSelect(after.Sql, order, limit);
    } else {
        const quint64 pinned = quint64(std::distance(FPins.begin(), FPins.lower_bound(from)));
        sql = ResultSelect(QString(), order, limit) + QStringLiteral(" OFFSET %1").arg(from - std::min(from, pinned));
    }
    std::vector<TRow> read;
    ReadByCondition(sql, after.Values, read);
    end = int(read.size()) < limit;
    for (TRow& row : read)
        take(std::move(row));
}

// Server rows before ordinal `before`, at most `count`, in order; `start` when they reach
// the first row. False when the live rows before it no longer fill the places they had:
// rows were inserted or deleted there by another connection.
bool TZSQLQuery::ReadBackward(quint64 before, int count, std::vector<TRow>& rows, bool& start)
{
    const quint64 from = before > quint64(count) ? before - quint64(count) : 0;
    const bool live = FSource->Live();
    QVariantList anchor;
    // A snapshot goes by the cursor where it stands near; elsewhere the keys of the row after
    // the place read (a known row) give the rows before it.
    if ((!live && (FOrderKeys.empty() || FSource->Near(from))) || !KnownOrdinalValues(before, anchor)) {
        bool end = false;
        if (!FSource->Live() || CanJump())
            ReadForward(from, int(before - from), rows, end);
        start = from == 0;
        if (FSource->Live() && !rows.empty() && GroupOf(rows.back().Order) >= before)
            return false;
        return true;
    }
    const int limit = count + int(FPostedKeys.size()) + 1; // one more tells whether rows are left at the start
    const TSqlCondition condition = SqlKeysetCondition(FOrderKeys, anchor, true, FSqlite);
    std::vector<TRow> read;
    ReadByCondition(ResultSelect(condition.Sql, SqlOrderKeysText(FOrderKeys, true), limit), condition.Values, read);
    quint64 next = live ? FreeOrdinal(before - 1, true) : before - 1;
    bool fits = true;
    for (TRow& row : read) {
        if (live && OwnKey(row))
            continue;
        if (next == NoEnd) {
            fits = false; // a row before the first place
            break;
        }
        if (int(rows.size()) >= count)
            break;
        NumberRow(row, next);
        rows.push_back(std::move(row));
        next = next == 0 ? NoEnd : (live ? FreeOrdinal(next - 1, true) : next - 1);
    }
    std::reverse(rows.begin(), rows.end());
    const bool exhausted = int(read.size()) < limit;
    if (exhausted && next != NoEnd)
        fits = false; // places left without rows
    start = next == NoEnd;
    return fits;
}

// Puts the rows of server ordinals [first, end) into the window, before or after the
// rows there: the rows read (server rows), the pinned rows and the rows inserted here.
void TZSQLQuery::AddToWindow(quint64 first, quint64 end, std::vector<TRow>&& read, bool atFront)
{
    std::vector<TRow> segment;
    if (FPins.empty() && FInsertedRows.empty()) {
        segment = std::move(read); // server rows alone, read in their order
    } else {
        segment.reserve(read.size());
        for (TRow& row : read)
            if (!FPins.count(GroupOf(row.Order)))
                segment.push_back(std::move(row));
        for (auto it = FPins.lower_bound(first); it != FPins.end() && it->first < end; ++it)
            if (!it->second.Deleted)
                segment.push_back(it->second.Current);
        const quint64 low = first * OrderGap + 1;
        const quint64 high = end == NoEnd ? NoEnd : end * OrderGap;
        for (const auto& inserted : FInsertedRows)
            if (inserted.second.Order >= low && inserted.second.Order <= high)
                segment.push_back(inserted.second);
        std::sort(segment.begin(), segment.end(), [](const TRow& a, const TRow& b) { return a.Order < b.Order; });
    }
    for (TRow& row : segment)
        row.Accepted = -1;
    if (atFront) {
        FRows.insert(FRows.begin(), std::make_move_iterator(segment.begin()), std::make_move_iterator(segment.end()));
        FWinFirst = first;
        FWinPos -= int(segment.size());
    } else {
        FRows.insert(FRows.end(), std::make_move_iterator(segment.begin()), std::make_move_iterator(segment.end()));
        FWinEnd = end;
    }
    UpdateAllFetched();
}

void TZSQLQuery::ExtendForward(int count)
{
    if (FWinEnd == NoEnd)
        return;
    std::vector<TRow> rows;
    bool end = false;
    const quint64 from = FWinEnd;
    ReadForward(from, count, rows, end);
    quint64 next = rows.empty() ? from : GroupOf(rows.back().Order) + 1;
    if (FServerTotal >= 0 && next >= quint64(FServerTotal)) {
        if (!FSource->Live())
            end = true;
        else
            FServerTotal = qint64(next); // live rows past the count taken before
    }
    if (rows.empty())
        end = true; // nothing more to read from here
    if (end) {
        if (!FPins.empty())
            next = std::max(next, FPins.rbegin()->first + 1);
        FServerTotal = qint64(next);
    }
    AddToWindow(from, end ? NoEnd : next, std::move(rows), false);
}

// False when the rows before the window had to be numbered again from the first one.
bool TZSQLQuery::ExtendBackward(int count)
{
    if (FWinFirst == 0)
        return true;
    std::vector<TRow> rows;
    bool start = false;
    if (!ReadBackward(FWinFirst, count, rows, start) || (rows.empty() && !start)) {
        // The live rows before the window moved: number them again from the first row.
        FServerTotal = -1;
        FServerCount = -1;
        ResetWindow(0);
        return false;
    }
    const quint64 first = start || rows.empty() ? 0 : GroupOf(rows.front().Order);
    AddToWindow(first, FWinFirst, std::move(rows), true);
    return true;
}

// Counts the server's rows when a jump needs the number; false when the server refuses.
bool TZSQLQuery::KnowTotal()
{
    SettleLast();
    if (FServerTotal >= 0)
        return true;
    qint64 count = -1;
    const QString countSql = CountStatementText();
    if (!FSource || !FSource->Count(countSql, count))
        return false;
    // Live rows lack the rows deleted here; jumps over live rows wait until nothing else was written.
    FServerTotal = FSource->CountIsSnapshot() ? count : count + qint64(FPins.size());
    return true;
}

void TZSQLQuery::JumpTo(int position)
{
    SettleLast();
    const int page = std::max(PageSize(), 1);
    // Without rows changed here a place is its ordinal: no count needed unless it is past the end.
    const bool plain = FPins.empty() && FInsertedRows.empty();
    if (!plain && !KnowTotal()) {
        ExtendForward(page); // a count the server refuses: read on
        return;
    }
    // The first server row whose place is at or after `position`.
    quint64 low = 0;
    quint64 high = quint64(position) + FPins.size() + 1;
    if (FServerTotal >= 0)
        high = std::min(high, quint64(FServerTotal));
    while (low < high) {
        const quint64 mid = low + (high - low) / 2;
        if (PositionOfOrder((mid + 1) * OrderGap) < position)
            low = mid + 1;
        else
            high = mid;
    }
    const quint64 first = low > quint64(page / 2) ? low - quint64(page / 2) : 0;
    if (plain && ReadFromAnchor(first, page))
        return;
    const qint64 knownTotal = FServerTotal;
    ResetWindow(first);
    ExtendForward(page);
    if (FRows.empty() && first > 0 && knownTotal < 0) {
        // Past the end: the count tells where the last rows are.
        FServerTotal = -1;
        if (KnowTotal()) {
            ResetWindow(quint64(FServerTotal) > quint64(page) ? quint64(FServerTotal) - quint64(page) : 0);
            ExtendForward(page);
        }
    }
}

// A far page of live rows read from the nearest cached row by its keys, the server
// skipping the rows between (OFFSET), where that row is nearer than the first one. Only
// while no row was written since the rows in the window were read (the tables' stamp the
// same as at the jump that read them): their places are then the places in the table now.
// False when the caller is to read the page from the first row; the stamp is then noted
// for the next jump.
bool TZSQLQuery::ReadFromAnchor(quint64 first, int page)
{
    if (!FSource || !FSource->Live() || FOrderKeys.empty() || page <= 0)
        return false;
    const QString stamp = FSource->TableStamp();
    const bool unchanged = !stamp.isEmpty() && stamp == FJumpStamp;
    FJumpStamp = stamp;
    if (!unchanged || FRows.empty())
        return false;
    const quint64 low = GroupOf(FRows.front().Order);
    const quint64 high = GroupOf(FRows.back().Order);
    const bool forward = first > high;
    quint64 skip = 0;
    if (forward)
        skip = first - high - 1;
    else if (first + quint64(page) <= low)
        skip = low - first - quint64(page);
    else
        return false;
    if (skip >= first)
        return false; // the first row is as near
    const TSqlCondition condition =
        SqlKeysetCondition(FOrderKeys, OrderKeyValues(FOrderKeys, forward ? FRows.back() : FRows.front()), !forward, FSqlite);
    std::vector<TRow> read;
    read.reserve(size_t(page));
    ReadByCondition(ResultSelect(condition.Sql, SqlOrderKeysText(FOrderKeys, !forward), page)
                        + QStringLiteral(" OFFSET %1").arg(skip),
                    condition.Values, read);
    if (forward ? read.empty() : int(read.size()) < page)
        return false; // past the end: the count decides
    if (!forward)
        std::reverse(read.begin(), read.end());
    for (size_t i = 0; i < read.size(); ++i)
        NumberRow(read[i], first + i);
    const quint64 next = first + read.size();
    const bool end = forward && int(read.size()) < page;
    ResetWindow(first);
    if (end)
        FServerTotal = qint64(next);
    AddToWindow(first, end ? NoEnd : next, std::move(read), false);
    return true;
}

bool TZSQLQuery::EnsureFetched(int position)
{
    if (position < 0 || !FCursorOpen)
        return false;
    bool jumps = CanJump();
    for (;;) {
        if (position >= FWinPos && position < WindowEnd())
            return true;
        if (FProvisional && !FCachedScan) {
            // Rows next to a located row are read by its neighbours' keys, without a count.
            if (!FProvisionalKeys.isEmpty() && position >= WindowEnd() && FWinEnd == NoEnd)
                return false;
            if (!ExtendProvisional(position))
                SettleLast();
            position = Settled(position);
            if (position < 0)
                return false; // before the first row, as the count placed them
            continue;
        }
        if (FCachedScan || !FSource || (position >= WindowEnd() && FWinEnd == NoEnd))
            return false;
        const int page = PageSize();
        if (position >= WindowEnd()) {
            if (jumps && position - WindowEnd() > page)
                JumpTo(position);
            else
                ExtendForward(page);
        } else if (jumps && FWinPos - position > page) {
            JumpTo(position);
        } else if (!ExtendBackward(page)) {
            jumps = false; // numbered again from the first row: read on from there
        }
        Evict(position);
    }
}

// Drops whole groups from the end farther from `keep` while the window holds more rows
// than the cache may.
void TZSQLQuery::Evict(int keep)
{
    const int limit = CacheLimit();
    while (int(FRows.size()) > limit) {
        const int size = int(FRows.size());
        const int keepIndex = keep - FWinPos;
        if (keepIndex >= size / 2) {
            const quint64 group = GroupOf(FRows.front().Order);
            int n = 0;
            while (n < size && GroupOf(FRows[size_t(n)].Order) == group)
                ++n;
            if (keepIndex < n || n == size)
                break;
            FRows.erase(FRows.begin(), FRows.begin() + n);
            FWinPos += n;
            FWinFirst = group + 1;
        } else {
            const quint64 group = GroupOf(FRows.back().Order);
            int n = 0;
            while (n < size && GroupOf(FRows[size_t(size - 1 - n)].Order) == group)
                ++n;
            if (keepIndex >= size - n || n == size)
                break;
            FRows.erase(FRows.end() - n, FRows.end());
            FWinEnd = group;
        }
    }
    UpdateAllFetched();
}

// Puts the window on the last rows: by the reversed order on the server when the order
// is known, else by the place of the last page (a snapshot) or by reading on to the end.
void TZSQLQuery::LoadLast()
{
    if (FWinEnd == NoEnd || !FSource)
        return;
    if (!FProvisionalKeys.isEmpty())
        SettleLast(); // the rows read around a located row keep their bookmarks
    const int page = PageSize();
    // With a known order and no row written here the last rows need no count: they are
    // numbered back from a provisional end until a number is asked for (SettleLast).
    const bool provisional = CanJump() && page > 0 && !FOrderKeys.empty() && FServerTotal < 0 && FShift == 0
                             && FPins.empty() && FInsertedRows.empty();
    if (CanJump() && page > 0 && (provisional || KnowTotal())) {
        qint64 total = FServerTotal;
        if (FOrderKeys.empty()) {
            ResetWindow(quint64(total) > quint64(page) ? quint64(total) - quint64(page) : 0);
            ExtendForward(page);
        } else {
            const bool live = FSource->Live();
            std::vector<TRow> read;
            read.reserve(size_t(page));
            ReadByCondition(ResultSelect(QString(), SqlOrderKeysText(FOrderKeys, true), page), {}, read);
            if (provisional) {
                // A short last page is the whole result.
                total = int(read.size()) < page ? qint64(read.size()) : qint64(ProvisionalEnd);
                FServerTotal = total;
                FProvisional = total == qint64(ProvisionalEnd);
            }
            // Numbered back from the end, then put in the rows' order.
            size_t kept = 0;
            quint64 next = total == 0 ? NoEnd : (live ? FreeOrdinal(quint64(total) - 1, true) : quint64(total) - 1);
            for (; kept < read.size() && next != NoEnd; ++kept) {
                NumberRow(read[kept], next);
                next = next == 0 ? NoEnd : (live ? FreeOrdinal(next - 1, true) : next - 1);
            }
            read.resize(kept);
            std::vector<TRow> rows(std::make_move_iterator(read.rbegin()), std::make_move_iterator(read.rend()));
            ResetWindow(rows.empty() ? quint64(total) : GroupOf(rows.front().Order));
            AddToWindow(FWinFirst, NoEnd, std::move(rows), false);
        }
        Evict(WindowEnd() - 1);
        return;
    }
    while (FWinEnd != NoEnd) {
        ExtendForward(page);
        Evict(WindowEnd() - 1);
    }
}

// Gives the rows numbered from a provisional place their places in the result: one COUNT,
// of all rows (numbered back from the end) or of the rows before the located row.
void TZSQLQuery::SettleLast()
{
    if (!FProvisional)
        return;
    qint64 count = -1;
    bool counted = false;
    if (FProvisionalKeys.isEmpty()) {
        counted = FSource && FSource->Count(CountStatementText(), count);
    } else {
        counted = CountRowsBefore(FOrderKeys, FProvisionalKeys, count) && count >= 0;
    }
    if (!counted)
        DatabaseError(QCoreApplication::translate("zdb", "The rows of the result cannot be counted"), this);
    SettleAt(count);
}

// `before`: the rows of the result before the provisional place.
void TZSQLQuery::SettleAt(qint64 before)
{
    const bool fromEnd = FProvisionalKeys.isEmpty();
    FProvisional = false;
    FProvisionalKeys.clear();
    // Never fewer rows than were read before that place (live rows deleted meanwhile).
    before = std::max(before, std::max<qint64>(qint64(ProvisionalEnd) - qint64(FWinFirst), 0));
    FShift = ProvisionalEnd - quint64(before);
    for (TRow& row : FRows)
        NumberRow(row, (row.Serial & IndexMask) - FShift);
    FWinFirst -= FShift;
    if (FWinEnd != NoEnd)
        FWinEnd -= FShift;
    FWinPos = Settled(FWinPos);
    FCursor = Settled(FCursor);
    if (fromEnd)
        FServerTotal = before;
    else
        FServerTotal = FServerTotal >= 0 ? FServerTotal - qint64(FShift) : FSettledTotal;
    FSettledTotal = -1;
}

bool TZSQLQuery::CanSeekProvisional() const
{
    // Only where the server is asked questions over the result (SQLite, a snapshot).
    return FCursorOpen && CanJump() && (FSqlite || FSource->CountIsSnapshot()) && PageSize() > 0
           && !FOrderKeys.empty() && !FProvisional && FShift == 0 && FPins.empty() && FInsertedRows.empty()
           && !FEditedSinceOpen && !FCachedScan;
}

bool TZSQLQuery::SeekProvisional(const QVariantList& keyValues, const std::function<bool(const std::vector<QVariant>&)>& accept)
{
    if (!CanSeekProvisional() || keyValues.size() != qsizetype(FOrderKeys.size()))
        return false;
    // The rows from the row on, found by its keys: the row itself or one after it. As many as
    // the controls show twice over: a list opened on a key shows a few rows around it.
    const int page = ProvisionalPage(0);
    const TSqlCondition from = SqlKeysetCondition(FOrderKeys, keyValues, false, FSqlite, true);
    std::vector<TRow> read;
    ReadByCondition(ResultSelect(from.Sql, SqlOrderKeysText(FOrderKeys, false), page), from.Values, read);
    if (read.empty() || (accept && !accept(read.front().Values)))
        return false;
    quint64 next = ProvisionalEnd;
    for (TRow& row : read)
        NumberRow(row, next++);
    const bool end = int(read.size()) < page;
    FSettledTotal = FServerTotal;
    FServerTotal = -1;
    ResetWindow(ProvisionalEnd);
    if (end)
        FServerTotal = qint64(next);
    FProvisional = true;
    FProvisionalKeys = keyValues;
    AddToWindow(ProvisionalEnd, end ? NoEnd : next, std::move(read), false);
    FCursor = FWinPos;
    return true;
}

// Rows read at a time around a located row: `needed` and the rows the controls show, twice
// over, within a page.
int TZSQLQuery::ProvisionalPage(int needed) const
{
    const int page = PageSize();
    return std::clamp(std::max(needed, 2 * BufferCount() + 1), std::min(16, page), page);
}

// Reads the page next to the rows around a located row that holds `position`, by the keys of
// the row at the window's edge; false when the position is farther away (the count then
// decides). Reading back to the first row tells the places without a count.
bool TZSQLQuery::ExtendProvisional(int position)
{
    const int page = PageSize();
    if (FProvisionalKeys.isEmpty() || page <= 0 || !FSource)
        return false;
    if (position >= WindowEnd()) {
        if (position - WindowEnd() >= page)
            return false;
        ExtendForward(page);
        Evict(position);
        return true;
    }
    QVariantList anchor;
    if (FWinPos - position > page || !KnownOrdinalValues(FWinFirst, anchor))
        return false;
    // Read by the keys of the window's first row. Numbered down from a provisional place, the
    // rows can only run out before the numbers do: that is the first row.
    std::vector<TRow> read;
    bool reachedZero = false;
    const bool start = !ReadBackward(FWinFirst, ProvisionalPage(FWinPos - position), read, reachedZero);
    const quint64 first = read.empty() ? FWinFirst : GroupOf(read.front().Order);
    AddToWindow(first, FWinFirst, std::move(read), true);
    if (start)
        SettleAt(qint64(ProvisionalEnd - FWinFirst));
    Evict(Settled(position));
    return true;
}

// A position taken before SettleLast, as it is after it.
int TZSQLQuery::Settled(int position) const
{
    return FShift && position >= int(ProvisionalThreshold) ? position - int(FShift) : position;
}

quint64 TZSQLQuery::OrdinalOf(quint64 serial) const
{
    const quint64 ordinal = serial & IndexMask;
    return FShift && ordinal >= ProvisionalThreshold ? ordinal - FShift : ordinal;
}

// Whether a serial is of the rows numbered from the start while the last rows are numbered
// back from a provisional end: comparing the two needs the count.
bool TZSQLQuery::OtherNumbering(quint64 serial) const
{
    return FProvisional && ((serial & InsertedBit) || (serial & IndexMask) < ProvisionalThreshold);
}

void TZSQLQuery::FetchAll()
{
    if (!FCursorOpen)
        return;
    while (FWinEnd != NoEnd) {
        ExtendForward(PageSize());
        Evict(WindowEnd() - 1);
    }
}

bool TZSQLQuery::SeekOrdinal(qint64 ordinal)
{
    if (FCursorOpen)
        SettleLast();
    if (!FCursorOpen || ordinal < 0 || (FServerTotal >= 0 && ordinal >= FServerTotal))
        return false;
    const auto pin = FPins.find(quint64(ordinal));
    if (pin != FPins.end() && pin->second.Deleted)
        return false;
    const int position = PositionOfOrder((quint64(ordinal) + 1) * OrderGap);
    if (!EnsureFetched(position))
        return false;
    TRow probe;
    NumberRow(probe, quint64(ordinal));
    if (FRows[size_t(position - FWinPos)].Serial != probe.Serial)
        return false; // no such row in the result
    FCursor = position;
    return true;
}

bool TZSQLQuery::SeekOrdinal(qint64 ordinal, const QVariantList& keyValues)
{
    if (!FCursorOpen || ordinal < 0)
        return false;
    SettleLast();
    const int position = PositionOfOrder((quint64(ordinal) + 1) * OrderGap);
    if (FOrderKeys.empty() || keyValues.size() != qsizetype(FOrderKeys.size()) || !CanJump()
        || (position >= FWinPos && position < WindowEnd()))
        return SeekOrdinal(ordinal);
    // The page from the row on, found by its keys: the row itself or one after it.
    const int page = std::max(PageSize(), 1);
    const TSqlCondition from = SqlKeysetCondition(FOrderKeys, keyValues, false, FSqlite, true);
    std::vector<TRow> read;
    ReadByCondition(ResultSelect(from.Sql, SqlOrderKeysText(FOrderKeys, false), page), from.Values, read);
    if (read.empty())
        return SeekOrdinal(ordinal); // no such row: the places decide
    const bool live = FSource->Live();
    quint64 next = live ? FreeOrdinal(quint64(ordinal), false) : quint64(ordinal);
    std::vector<TRow> rows;
    for (TRow& row : read) {
        NumberRow(row, next);
        rows.push_back(std::move(row));
        next = live ? FreeOrdinal(next + 1, false) : next + 1;
    }
    const bool end = int(read.size()) < page;
    ResetWindow(quint64(ordinal));
    if (end)
        FServerTotal = qint64(FPins.empty() ? next : std::max(next, FPins.rbegin()->first + 1));
    AddToWindow(quint64(ordinal), end ? NoEnd : next, std::move(rows), false);
    return SeekOrdinal(ordinal);
}

bool TZSQLQuery::SelectOnSource(const QString& sql, const QVariantList& values,
                                const QList<QPair<QString, QVariant>>& named,
                                const std::function<void(const QSqlQuery&)>& read)
{
    // The forward-only query of another server than SQLite holds its whole result: the
    // server then answers nothing the rows read do not answer better.
    if (FAllFetched || !FSource || !(FSqlite || FSource->CountIsSnapshot()))
        return false;
    TBoundValues extra = named;
    for (qsizetype i = 0; i < values.size(); ++i)
        extra.append({QStringLiteral(":zdb_k%1").arg(i), values[i]});
    try {
        FSource->Select(sql, extra, read);
    } catch (const EDatabaseError&) {
        return false; // what the server refuses is left to reading the rows
    }
    return true;
}

QVariant TZSQLQuery::ColumnValue(int column, const QVariant& raw) const
{
    return FromDb(FColumns[size_t(column)], raw);
}

TFieldType TZSQLQuery::StoredFieldType(int column) const
{
    return column >= 0 && size_t(column) < FColumns.size() ? FColumns[size_t(column)].StoredType : ftUnknown;
}

quint64 TZSQLQuery::OrderOf(quint64 serial) const
{
    if (((serial >> GenerationShift) & GenerationMask) != (FGeneration & GenerationMask))
        return 0;
    if (serial & InsertedBit)
        return FInsertedOrder.value(serial, 0);
    return (OrdinalOf(serial) + 1) * OrderGap;
}

// The position of a row of this opening, whether in the window or not; -1 for a deleted row.
int TZSQLQuery::PositionOf(quint64 serial) const
{
    if (OtherNumbering(serial))
        const_cast<TZSQLQuery*>(this)->SettleLast();
    const quint64 order = OrderOf(serial);
    if (order == 0)
        return -1;
    if (serial & InsertedBit)
        return FInsertedRows.count(serial) ? PositionOfOrder(order) : -1;
    const quint64 ordinal = OrdinalOf(serial);
    const auto pin = FPins.find(ordinal);
    if ((pin != FPins.end() && pin->second.Deleted) || (FServerTotal >= 0 && ordinal >= quint64(FServerTotal)))
        return -1;
    return PositionOfOrder(order);
}

// The row in the window, read again when it had left it.
TZSQLQuery::TRow* TZSQLQuery::RowOf(quint64 serial)
{
    const int pos = PositionOf(serial);
    if (pos < 0 || !EnsureFetched(pos))
        return nullptr;
    const int index = Settled(pos) - FWinPos;
    if (index < 0 || index >= int(FRows.size()))
        return nullptr;
    TRow& row = FRows[size_t(index)];
    return OrderOf(row.Serial) == OrderOf(serial) ? &row : nullptr;
}

// Puts a row inserted here at `index` of the window, with an order key between its neighbours.
int TZSQLQuery::InsertRow(int index, TRow&& row)
{
    index = std::clamp(index, 0, int(FRows.size()));
    const quint64 floor = FWinFirst * OrderGap; // rows before the window have keys up to this one
    const quint64 low = index > 0 ? FRows[size_t(index - 1)].Order : floor;
    quint64 high = index < int(FRows.size()) ? FRows[size_t(index)].Order : low + 2 * OrderGap;
    if (index == int(FRows.size()) && FWinEnd != NoEnd)
        high = std::min(high, (FWinEnd + 1) * OrderGap);
    row.Order = low + (high - low) / 2;
    FRows.insert(FRows.begin() + index, std::move(row));
    if (high - low < 2) {
        // No room left: spread the inserted rows between the two rows read from the database evenly.
        int first = index;
        int last = index + 1;
        while (first > 0 && (FRows[size_t(first - 1)].Serial & InsertedBit))
            --first;
        while (last < int(FRows.size()) && (FRows[size_t(last)].Serial & InsertedBit))
            ++last;
        const quint64 base = first > 0 ? FRows[size_t(first - 1)].Order : floor;
        const quint64 count = quint64(last - first);
        const quint64 top = last < int(FRows.size()) ? FRows[size_t(last)].Order : base + (count + 1) * OrderGap;
        const quint64 step = (top - base) / (count + 1);
        if (step == 0) {
            FRows.erase(FRows.begin() + index);
            DatabaseError(QStringLiteral("Too many records inserted at one place"), this);
        }
        for (int i = first; i < last; ++i) {
            TRow& moved = FRows[size_t(i)];
            moved.Order = base + step * quint64(i - first + 1);
            FInsertedOrder.insert(moved.Serial, moved.Order);
            const auto kept = FInsertedRows.find(moved.Serial);
            if (kept != FInsertedRows.end())
                kept->second.Order = moved.Order;
        }
    }
    const TRow& placed = FRows[size_t(index)];
    FInsertedOrder.insert(placed.Serial, placed.Order);
    FInsertedRows[placed.Serial] = placed;
    return index;
}

void TZSQLQuery::RemoveRow(int index)
{
    // An inserted row keeps its order key: its bookmark goes on comparing the same.
    FRows.erase(FRows.begin() + index);
}

void TZSQLQuery::ClearRows()
{
    FInsertedOrder.clear();
    FInsertedRows.clear();
    FPins.clear();
    FRows.clear();
    FWinFirst = 0;
    FWinEnd = 0;
    FWinPos = 0;
    FServerTotal = -1;
    FForwardNext = 0;
    FForwardLast.clear();
    FProvisional = false;
    FProvisionalKeys.clear();
    FSettledTotal = -1;
    FShift = 0;
    FAllFetched = false;
    FJumpStamp.clear();
    FClientSorted = false;
    FClientDirty = false;
    FSortedValid = false;
}

// Keeps what this dataset did to a row (`after` null: deleted) apart from the window.
void TZSQLQuery::PinRow(const TRow& before, const TRow* after)
{
    if (before.Serial & InsertedBit) {
        if (after)
            FInsertedRows[before.Serial] = *after;
        else
            FInsertedRows.erase(before.Serial);
        return;
    }
    auto pin = FPins.find(OrdinalOf(before.Serial));
    if (pin == FPins.end()) {
        TPin fresh;
        fresh.Original = before.Values;
        pin = FPins.emplace(OrdinalOf(before.Serial), std::move(fresh)).first;
    }
    pin->second.Deleted = after == nullptr;
    if (after)
        pin->second.Current = *after;
}

QString TZSQLQuery::KeyText(const std::vector<QVariant>& values) const
{
    QString text;
    if (!FUpdate)
        return text;
    for (int k : FUpdate->KeyColumns) {
        const QVariant& v = values[size_t(k)];
        text += v.isNull() ? QStringLiteral("\x01") : v.toString();
        text += QChar(0x1f);
    }
    return text;
}

void TZSQLQuery::RememberPostedKey(const TRow& row)
{
    if (FSource && FSource->Live())
        FPostedKeys.insert(KeyText(row.Values));
}

// ---------------------------------------------------------------------------
// Record protocol

std::unique_ptr<TRecBuf> TZSQLQuery::AllocRecordBuffer()
{
    return std::make_unique<TSqlBuf>();
}

void TZSQLQuery::FillBuffer(TRecordBuffer buffer, const TRow& row)
{
    TSqlBuf* b = B(buffer);
    b->Serial = row.Serial;
    b->Flag = bfCurrent;
    b->Values = row.Values;
}

bool TZSQLQuery::RowAccepted(TRow& row)
{
    if (row.Accepted < 0) {
        FillBuffer(FScratch.get(), row);
        GetCalcFields(FScratch.get());
        row.Accepted = AcceptRecord(FScratch.get()) && ValueListsAccept(FScratch.get()) ? 1 : 0;
    }
    return row.Accepted == 1;
}

TGetResult TZSQLQuery::GetRecord(TRecordBuffer buffer, TGetMode mode, bool /*doCheck*/)
{
    int pos = FWinEnd == NoEnd ? std::min(FCursor, WindowEnd()) : FCursor;
    const bool filtered = RecordFilterActive() || ValueListsFiltering();
    for (;;) {
        if (mode == gmNext)
            ++pos;
        else if (mode == gmPrior)
            --pos;
        if (pos < 0)
            return grBOF;
        if (!EnsureFetched(pos))
            return Settled(pos) < 0 ? grBOF : grEOF; // before the first row, its place counted meanwhile
        pos = Settled(pos);
        TRow& row = FRows[size_t(pos - FWinPos)];
        FillBuffer(buffer, row);
        GetCalcFields(buffer);
        if (filtered && !(row.Accepted == 1 && ServerFilterComplete())) {
            // A verdict taken since the row was read, posted or the filter changed stands
            // (as for counting): passing over the rows again costs no second evaluation.
            const bool accepted =
                row.Accepted >= 0 ? row.Accepted == 1 : AcceptRecord(buffer) && ValueListsAccept(buffer);
            row.Accepted = accepted ? 1 : 0;
            if (!accepted) {
                if (mode == gmCurrent)
                    return grError;
                continue;
            }
        }
        FCursor = pos;
        return grOK;
    }
}

void TZSQLQuery::InternalFirst()
{
    // A scan of the cached rows starts at the first of them.
    FCursor = FCachedScan ? FWinPos - 1 : -1;
}

void TZSQLQuery::InternalLast()
{
    LoadLast();
    FCursor = WindowEnd();
}

void TZSQLQuery::InternalSetToRecord(TRecordBuffer buffer)
{
    const int pos = PositionOf(B(buffer)->Serial);
    if (pos >= 0)
        FCursor = pos;
}

void TZSQLQuery::InternalGotoBookmark(const TBookmark& bookmark)
{
    const int pos = PositionOf(SerialOf(bookmark));
    if (pos >= 0)
        FCursor = pos;
}

TBookmark TZSQLQuery::GetBookmarkData(TRecordBuffer buffer) const
{
    const quint64 serial = B(buffer)->Serial;
    return TBookmark(reinterpret_cast<const char*>(&serial), sizeof(serial));
}

void TZSQLQuery::SetBookmarkData(TRecordBuffer buffer, const TBookmark& data)
{
    B(buffer)->Serial = SerialOf(data);
}

TBookmarkFlag TZSQLQuery::GetBookmarkFlag(TRecordBuffer buffer) const
{
    return B(buffer)->Flag;
}

void TZSQLQuery::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag)
{
    B(buffer)->Flag = flag;
}

bool TZSQLQuery::InternalBookmarkValid(const TBookmark& bookmark) const
{
    return FCursorOpen && PositionOf(SerialOf(bookmark)) >= 0;
}

int TZSQLQuery::InternalCompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const
{
    // One total order that holds while the query stays open, so that a sorted list of
    // bookmarks stays sorted: the rows of this opening (deleted ones too) by order key,
    // a row inserted later at a deleted row's place after it; bookmarks of an earlier
    // opening after all of them.
    const quint64 s1 = SerialOf(bookmark1);
    const quint64 s2 = SerialOf(bookmark2);
    if (OtherNumbering(s1) != OtherNumbering(s2))
        const_cast<TZSQLQuery*>(this)->SettleLast();
    const quint64 o1 = OrderOf(s1);
    const quint64 o2 = OrderOf(s2);
    if ((o1 == 0) != (o2 == 0))
        return o1 == 0 ? 1 : -1;
    if (o1 != o2)
        return o1 < o2 ? -1 : 1;
    if (o1 != 0 && !(s1 & InsertedBit) && !(s2 & InsertedBit))
        return 0; // one row, read before and after the count gave its place
    return s1 < s2 ? -1 : (s1 > s2 ? 1 : 0);
}

void TZSQLQuery::InternalInitRecord(TRecordBuffer buffer)
{
    B(buffer)->Values.assign(RowWidth() + FClientOpen.size(), QVariant());
}

size_t TZSQLQuery::RowWidth() const
{
    return FColumns.size() + (FUpdate && FUpdate->KeepRawKeys ? FUpdate->KeyColumns.size() : 0);
}

bool TZSQLQuery::GetRecordFieldData(TRecordBuffer buffer, TField* field, QVariant& value) const
{
    const int client = ClientSlot(field);
    const int index = client >= 0 ? client : field->FieldNo() - 1;
    const TSqlBuf* b = B(buffer);
    if (index < 0 || size_t(index) >= b->Values.size())
        return false;
    value = b->Values[size_t(index)];
    return !value.isNull();
}

void TZSQLQuery::SetRecordFieldData(TRecordBuffer buffer, TField* field, const QVariant& value)
{
    const int client = ClientSlot(field);
    const int index = client >= 0 ? client : field->FieldNo() - 1;
    TSqlBuf* b = B(buffer);
    if (index < 0)
        return;
    if (size_t(index) >= b->Values.size())
        b->Values.resize(RowWidth() + FClientOpen.size());
    b->Values[size_t(index)] = value;
}

bool TZSQLQuery::GetCanModify() const
{
    return FCursorOpen && !FReadOnly && FUpdate != nullptr;
}

void TZSQLQuery::InternalFilterChanged()
{
    ForgetLookups(false);
    for (TRow& row : FRows)
        row.Accepted = -1;
    Evict(FCursor); // without a filter the cache is bounded again
    ApplyServerFilter();
}

// ---------------------------------------------------------------------------
// Counting and positions

bool TZSQLQuery::IsRecordCountKnown() const
{
    // Every case GetRecordCount answers without a statement to the server.
    // Not while the rows around a located row wait for their places: the grid asks for the
    // count and the record number together.
    if (FCursorOpen && !FProvisionalKeys.isEmpty())
        return false;
    return !FCursorOpen || FAllFetched || FServerTotal >= 0 || FServerCount >= 0 ||
           (RecordFilterActive() && !ServerFilterComplete());
}

int TZSQLQuery::GetRecordCount() const
{
    if (!FCursorOpen)
        return -1;
    auto* self = const_cast<TZSQLQuery*>(this);
    self->SettleLast();
    if (RecordFilterActive() && (FAllFetched || !ServerFilterComplete())) {
        if (!FAllFetched)
            return -1;
        int count = 0;
        for (TRow& row : self->FRows)
            if (self->RowAccepted(row))
                ++count;
        return count;
    }
    if (FAllFetched)
        return int(FRows.size());
    // The server's rows are known (a snapshot, or read to the end): those shown here.
    if (FServerTotal >= 0 || (FSource && FSource->CountIsSnapshot() && self->KnowTotal()))
        return PositionOfOrder(NoEnd);
    if (FServerCount < 0) {
        qint64 count = -1;
        const QString countSql =
            CountStatementText();
        if (FSource && FSource->Count(countSql, count)) {
            FServerCount = count;
            FCountDelta = 0;
        } else {
            self->FetchAll();
            return FServerTotal >= 0 ? PositionOfOrder(NoEnd) : WindowEnd();
        }
    }
    return int(FServerCount + FCountDelta);
}

int TZSQLQuery::GetRecNo() const
{
    if (!FCursorOpen)
        return -1;
    const_cast<TZSQLQuery*>(this)->SettleLast();
    TRecordBuffer buffer = GetActiveRecordBuffer();
    if (!buffer || B(buffer)->Flag != bfCurrent)
        return -1;
    const int pos = PositionOf(B(buffer)->Serial);
    if (pos < 0)
        return -1;
    if (!ClientFilterActive())
        return pos + 1;
    auto* self = const_cast<TZSQLQuery*>(this);
    int number = 0;
    for (int i = 0; i <= pos && self->EnsureFetched(i); ++i)
        if (self->RowAccepted(self->FRows[size_t(i - FWinPos)]))
            ++number;
    return number;
}

void TZSQLQuery::DoSetRecNo(int value)
{
    CheckBrowseMode();
    SettleLast();
    if (value < 1)
        return;
    int target = -1;
    if (!ClientFilterActive()) {
        target = value - 1;
        // Past the end the window stands on the last rows: the last one it is.
        if (!EnsureFetched(target) && (target = WindowEnd() - 1) >= 0 && !EnsureFetched(target))
            target = -1;
    } else {
        int number = 0;
        for (int pos = 0; EnsureFetched(pos); ++pos) {
            if (RowAccepted(FRows[size_t(pos - FWinPos)])) {
                target = pos;
                if (++number == value)
                    break;
            }
        }
    }
    if (target < 0)
        return;
    DoBeforeScroll();
    FCursor = target;
    Resync(TResyncMode(rmExact) | rmCenter);
    DoAfterScroll();
}

// ---------------------------------------------------------------------------
// Refresh: run the statement again and find the current row by its key.

void TZSQLQuery::InternalRefresh()
{
    const TWaitCursorGuard waiting;
    const bool hadRow = FCursor >= 0 && EnsureFetched(FCursor);
    const QString key = hadRow && FUpdate ? KeyText(FRows[size_t(FCursor - FWinPos)].Values) : QString();
    const int oldPos = FCursor;
    ReopenSource();
    if (!key.isEmpty()) {
        for (int pos = 0; EnsureFetched(pos); ++pos) {
            if (KeyText(FRows[size_t(pos - FWinPos)].Values) == key) {
                FCursor = pos;
                return;
            }
        }
    }
    if (hadRow)
        FCursor = EnsureFetched(oldPos) ? oldPos : std::max(WindowEnd() - 1, FWinPos);
}

void TZSQLQuery::ReopenSource()
{
    std::unique_ptr<TRowSource> source = OpenSource(false, nullptr, HeadRows());
    const QSqlRecord record = source->Record();
    if (record.count() != int(FColumns.size()))
        DatabaseError(QCoreApplication::translate("zdb", "The result of the statement changed its columns; close and reopen"), this);
    FSource = std::move(source);
    ++FGeneration;
    ClearRows();
    FUndo.clear();
    if (FInTransaction)
        FUndoLost = true; // the rows read now hold the transaction's changes
    FAllFetched = false;
    FFetchedCount = 0;
    FServerCount = -1;
    FCountDelta = 0;
    FPostedKeys.clear();
    ForgetLookups(false);
    FEditedSinceOpen = false;
    FCursor = -1;
    if (!FClientOrder.isEmpty())
        SortOnClient(false);
}

// ---------------------------------------------------------------------------
// Writing: UPDATE, INSERT and DELETE with bound values

void TZSQLQuery::RunStatement(QSqlQuery& query, const QString& sql, const QVariantList& values) const
{
    if (!query.prepare(sql))
        DatabaseError(ErrorText(query.lastError()), this);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        DatabaseError(ErrorText(query.lastError()), this);
}

// " WHERE key1 = ? AND key2 = ?" with the row's key values as stored.
void TZSQLQuery::AddKeyWhere(QString& sql, QVariantList& values, const TRow& row) const
{
    QStringList terms;
    for (size_t i = 0; i < FUpdate->KeyColumns.size(); ++i) {
        const int k = FUpdate->KeyColumns[i];
        const TColumn& column = FColumns[size_t(k)];
        const QVariant value = FUpdate->KeepRawKeys ? row.Values[FColumns.size() + i]
                                                    : DbValue(row.Values[size_t(k)], FSqlite);
        if (value.isNull()) {
            terms << column.BaseSql + QStringLiteral(" IS NULL");
        } else {
            terms << column.BaseSql + QStringLiteral(" = ?");
            values << value;
        }
    }
    sql += QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
}

// Takes the row RETURNING handed back (the query stands on it).
void TZSQLQuery::ReadReturned(const QSqlQuery& query, std::vector<QVariant>& values) const
{
    const std::vector<int>& returned = FUpdate->ReturningColumns;
    for (size_t j = 0; j < returned.size(); ++j) {
        const size_t i = size_t(returned[j]);
        const QVariant raw = query.value(int(j));
        values[i] = FromDb(FColumns[i], raw);
        if (FUpdate->KeepRawKeys) {
            const auto& keys = FUpdate->KeyColumns;
            const auto k = std::find(keys.begin(), keys.end(), int(i));
            if (k != keys.end())
                values[FColumns.size() + size_t(k - keys.begin())] = raw;
        }
    }
}

void TZSQLQuery::InternalPost()
{
    if (!FUpdate)
        DatabaseError(QCoreApplication::translate("zdb", "Cannot modify a read-only dataset"), this);
    SettleLast(); // the changed rows are kept by their places
    if (State() == dsEdit)
        PostEdit(ActiveBuffer());
    else
        PostInsert(ActiveBuffer());
}

void TZSQLQuery::PostEdit(TRecordBuffer buffer)
{
    TSqlBuf* buf = B(buffer);
    TRow* row = RowOf(buf->Serial);
    if (!row)
        DatabaseError(QCoreApplication::translate("zdb", "Record not found"), this);
    const QString oldKey = KeyText(row->Values);
    QStringList sets;
    QVariantList values;
    std::vector<int> changed;
    for (size_t i = 0; i < FColumns.size(); ++i) {
        const TColumn& column = FColumns[i];
        if (!column.Writable || SameValue(buf->Values[i], row->Values[i]))
            continue;
        sets << column.BaseSql + QStringLiteral(" = ?");
        values << DbValue(buf->Values[i], FSqlite);
        changed.push_back(int(i));
    }
    if (sets.isEmpty()) {
        // Only client fields: nothing for the server.
        KeepClientValues(buf->Values, oldKey);
        SetClientSlots(*row, buf->Values);
        return;
    }
    ForgetLookups(true);
    QString sql = QStringLiteral("UPDATE %1 SET %2").arg(FUpdate->TableSql, sets.join(QStringLiteral(", ")));
    AddKeyWhere(sql, values, *row);
    if (FUpdate->Returning)
        sql += QStringLiteral(" RETURNING ") + FUpdate->ReturningList;
    QSqlQuery q(Connection());
    RunStatement(q, sql, values);
    const int affected = FUpdate->Returning ? (q.next() ? 1 : 0) : q.numRowsAffected();
    if (affected == 0)
        DatabaseError(QCoreApplication::translate("zdb", "Record not found or changed by another user"), this);

    std::vector<QVariant> newValues = buf->Values;
    newValues.resize(RowWidth() + FClientOpen.size());
    if (FUpdate->KeepRawKeys) {
        for (size_t i = 0; i < FUpdate->KeyColumns.size(); ++i) {
            const int k = FUpdate->KeyColumns[i];
            const size_t raw = FColumns.size() + i;
            newValues[raw] = std::find(changed.begin(), changed.end(), k) != changed.end()
                                 ? DbValue(newValues[size_t(k)], FSqlite)
                                 : row->Values[raw];
        }
    }
    if (FUpdate->Returning)
        ReadReturned(q, newValues);
    q.finish();
    if (FInTransaction)
        FUndo.push_back({TUndo::ukEdited, *row});
    const TRow before = *row;
    row->Values = std::move(newValues);
    row->Accepted = -1;
    PinRow(before, row);
    RememberPostedKey(*row);
    const QString newKey = KeyText(row->Values);
    if (newKey != oldKey)
        FClientValues.remove(oldKey);
    KeepClientValues(buf->Values, newKey);
}

void TZSQLQuery::PostInsert(TRecordBuffer buffer)
{
    TSqlBuf* buf = B(buffer);
    // Where the row goes: before the record it was inserted at, first, or last.
    int position = -1;
    if (buf->Flag == bfBOF) {
        if (EnsureFetched(0))
            position = 0;
    } else if (buf->Flag != bfEOF) {
        const int pos = PositionOf(buf->Serial);
        if (pos >= 0 && EnsureFetched(pos))
            position = pos;
    }
    if (position < 0) {
        LoadLast(); // rows read later must not sort after it
        position = WindowEnd();
    }

    ForgetLookups(true);
    QStringList names;
    QStringList marks;
    QVariantList values;
    for (size_t i = 0; i < FColumns.size(); ++i) {
        const TColumn& column = FColumns[i];
        if (!column.Writable || buf->Values[i].isNull())
            continue;
        names << column.BaseSql;
        marks << QStringLiteral("?");
        values << DbValue(buf->Values[i], FSqlite);
    }
    QString sql = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(FUpdate->TableSql)
                                  : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                        .arg(FUpdate->TableSql, names.join(QStringLiteral(", ")),
                                             marks.join(QStringLiteral(", ")));
    if (FUpdate->Returning)
        sql += QStringLiteral(" RETURNING ") + FUpdate->ReturningList;
    QSqlQuery q(Connection());
    RunStatement(q, sql, values);

    TRow row;
    row.Serial = InsertedBit | ((FGeneration & GenerationMask) << GenerationShift) | (++FInsertedCount & IndexMask);
    row.Values = buf->Values;
    row.Values.resize(RowWidth() + FClientOpen.size());
    if (FUpdate->KeepRawKeys)
        for (size_t i = 0; i < FUpdate->KeyColumns.size(); ++i)
            row.Values[FColumns.size() + i] =
                DbValue(row.Values[size_t(FUpdate->KeyColumns[i])], FSqlite);
    if (FUpdate->Returning) {
        if (q.next())
            ReadReturned(q, row.Values);
    } else if (FUpdate->LastInsertId) {
        const QVariant id = q.lastInsertId();
        for (size_t i = 0; id.isValid() && i < FColumns.size(); ++i) {
            const TColumn& column = FColumns[i];
            const bool rowid = column.BaseName.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0;
            if ((column.AutoGenerated || rowid) && row.Values[i].isNull()) {
                row.Values[i] = FromDb(column, id);
                break;
            }
        }
    }
    q.finish();
    const int index = InsertRow(position - FWinPos, std::move(row));
    FCursor = FWinPos + index;
    ++FCountDelta;
    if (FInTransaction) {
        TRow inserted;
        inserted.Serial = FRows[size_t(index)].Serial;
        FUndo.push_back({TUndo::ukInserted, std::move(inserted)});
    }
    RememberPostedKey(FRows[size_t(index)]);
    KeepClientValues(buf->Values, KeyText(FRows[size_t(index)].Values));
}

void TZSQLQuery::InternalDelete()
{
    if (!FUpdate)
        DatabaseError(QCoreApplication::translate("zdb", "Cannot modify a read-only dataset"), this);
    SettleLast();
    if (FCursor < 0 || !EnsureFetched(FCursor))
        DatabaseError(QCoreApplication::translate("zdb", "Record not found"), this);
    ForgetLookups(true);
    const int index = FCursor - FWinPos;
    QString sql = QStringLiteral("DELETE FROM %1").arg(FUpdate->TableSql);
    QVariantList values;
    AddKeyWhere(sql, values, FRows[size_t(index)]);
    QSqlQuery q(Connection());
    RunStatement(q, sql, values);
    if (q.numRowsAffected() == 0)
        DatabaseError(QCoreApplication::translate("zdb", "Record not found or changed by another user"), this);
    if (FInTransaction)
        FUndo.push_back({TUndo::ukDeleted, FRows[size_t(index)]});
    PinRow(FRows[size_t(index)], nullptr);
    FClientValues.remove(KeyText(FRows[size_t(index)].Values));
    RemoveRow(index);
    --FCountDelta;
    // The cursor now stands on the next row (read on demand) or after the last one.
}

// ---------------------------------------------------------------------------
// Transactions

void TZSQLQuery::StartTransaction()
{
    if (FInTransaction)
        DatabaseError(QStringLiteral("A transaction is already active"), this);
    if (!BeginTransaction())
        DatabaseError(QStringLiteral("A transaction is already active on the connection"), this);
}

bool TZSQLQuery::StartTransactionIfNone()
{
    return !FInTransaction && BeginTransaction();
}

bool TZSQLQuery::BeginTransaction()
{
    QSqlDatabase db = Connection();
    if (!db.isValid() || !db.isOpen())
        DatabaseError(QCoreApplication::translate("zdb", "The database connection is not open"), this);
    const TDialect dialect = DialectOf(db);
    if (dialect == TDialect::Postgres) {
        // PostgreSQL only warns about a BEGIN inside a transaction block, and the Commit
        // or Rollback that follows would end the application's transaction. Inside a
        // block the transaction began before the statement.
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT now() <> statement_timestamp()")) && q.next() && q.value(0).toBool())
            return false;
    }
    if (!db.transaction()) {
        // SQLite refuses a BEGIN inside a transaction; that refusal is the only sign of it.
        const QSqlError error = db.lastError();
        if (dialect == TDialect::Sqlite
            && error.databaseText().contains(QLatin1String("within a transaction"), Qt::CaseInsensitive))
            return false;
        DatabaseError(ErrorText(error), this);
    }
    FInTransaction = true;
    FUndo.clear();
    FUndoLost = false;
    return true;
}

void TZSQLQuery::Commit()
{
    if (!FInTransaction)
        DatabaseError(QCoreApplication::translate("zdb", "No transaction is active"), this);
    QSqlDatabase db = Connection();
    if (!db.commit())
        DatabaseError(ErrorText(db.lastError()), this); // still active: Rollback puts the rows back
    FInTransaction = false;
    FUndo.clear();
    FUndoLost = false;
}

void TZSQLQuery::Rollback()
{
    if (!FInTransaction)
        DatabaseError(QCoreApplication::translate("zdb", "No transaction is active"), this);
    if (State() == dsEdit || State() == dsInsert)
        Cancel();
    QSqlDatabase db = Connection();
    const bool undone = db.rollback();
    const QSqlError error = db.lastError();
    FInTransaction = false;
    if (FUndoLost) {
        // The rows were read again inside the transaction and hold its changes: only
        // reading them once more shows what the rollback left.
        FUndoLost = false;
        FUndo.clear();
        if (Active())
            Refresh();
    } else {
        UndoChanges();
    }
    if (!undone)
        DatabaseError(ErrorText(error), this);
}

// Puts back the rows changed since StartTransaction, newest change first, and shows them.
void TZSQLQuery::UndoChanges()
{
    if (FUndo.empty() || !FCursorOpen) {
        FUndo.clear();
        return;
    }
    TRecordBuffer active = !IsEmpty() ? ActiveBuffer() : nullptr;
    const quint64 current = active && B(active)->Flag == bfCurrent ? B(active)->Serial : 0;
    auto windowIndex = [this](const TRow& row) {
        const auto at = std::lower_bound(FRows.begin(), FRows.end(), row.Order,
                                         [](const TRow& r, quint64 o) { return r.Order < o; });
        return at != FRows.end() && at->Serial == row.Serial ? int(at - FRows.begin()) : -1;
    };
    for (auto undo = FUndo.rbegin(); undo != FUndo.rend(); ++undo) {
        TRow& row = undo->Row;
        const bool inserted = row.Serial & InsertedBit;
        switch (undo->Kind) {
        case TUndo::ukDeleted: {
            if (inserted) {
                FInsertedOrder.insert(row.Serial, row.Order);
                FInsertedRows[row.Serial] = row;
            } else {
                TPin& pin = FPins[OrdinalOf(row.Serial)];
                pin.Deleted = false;
                pin.Current = row;
                RememberPostedKey(row); // back among the live rows, shown from the pin
            }
            if (row.Order > FWinFirst * OrderGap && (FWinEnd == NoEnd || row.Order <= FWinEnd * OrderGap)) {
                const auto at = std::lower_bound(FRows.begin(), FRows.end(), row.Order,
                                                 [](const TRow& r, quint64 o) { return r.Order < o; });
                FRows.insert(at, row);
            }
            ++FCountDelta;
            break;
        }
        case TUndo::ukEdited: {
            if (inserted)
                FInsertedRows[row.Serial] = row;
            else
                FPins[OrdinalOf(row.Serial)].Current = row;
            const int index = windowIndex(row);
            if (index >= 0)
                FRows[size_t(index)] = std::move(row);
            break;
        }
        case TUndo::ukInserted: {
            row.Order = OrderOf(row.Serial);
            const int index = windowIndex(row);
            if (index >= 0)
                RemoveRow(index);
            FInsertedRows.erase(row.Serial);
            --FCountDelta;
            break;
        }
        }
    }
    FUndo.clear();
    ForgetLookups(true);
    for (TRow& row : FRows)
        FillClientValues(row.Values, row); // client values are kept apart from transactions
    const int pos = current ? PositionOf(current) : -1;
    FCursor = pos >= 0 ? pos : std::clamp(FCursor, 0, std::max(WindowEnd() - 1, 0));
    Resync({});
}

// ---------------------------------------------------------------------------
// ExecSQL

int TZSQLQuery::ExecSQL()
{
    const QSqlDatabase db = Connection();
    if (!db.isValid() || !db.isOpen())
        DatabaseError(QCoreApplication::translate("zdb", "The database connection is not open"), this);
    const QString sql = StatementText();
    if (sql.isEmpty())
        DatabaseError(QCoreApplication::translate("zdb", "No SQL statement"), this);
    FParams.ParseSQL(SQLText());
    ApplyMasterParams();
    CheckParams();
    QSqlQuery q(db);
    const bool sqlite = DialectOf(db) == TDialect::Sqlite;
    if (!ExecWithValues(q, sql, BindValues(FParams, [sqlite](const QVariant& v) { return DbValue(v, sqlite); })))
        DatabaseError(ErrorText(q.lastError()), this);
    FRowsAffected = q.numRowsAffected();
    return FRowsAffected;
}

// ---------------------------------------------------------------------------
// Identifiers

namespace {

// Words that cannot stand bare for a column: the reserved words of PostgreSQL
// (including those that may not name a column or function), of SQL and of SQLite.
const QSet<QString>& ReservedSqlWords()
{
    static const QSet<QString> words = [] {
        QSet<QString> set;
        const char* const list[] = {
            "ABORT", "ALL", "ALTER", "ANALYSE", "ANALYZE", "AND", "ANY", "ARRAY", "AS", "ASC", "ASYMMETRIC",
            "AUTHORIZATION", "AUTOINCREMENT", "BETWEEN", "BINARY", "BOTH", "BY", "CASE", "CAST", "CHECK",
            "COLLATE", "COLLATION", "COLUMN", "CONCURRENTLY", "CONSTRAINT", "CREATE", "CROSS", "CURRENT",
            "CURRENT_CATALOG", "CURRENT_DATE", "CURRENT_ROLE", "CURRENT_SCHEMA", "CURRENT_TIME",
            "CURRENT_TIMESTAMP", "CURRENT_USER", "DEFAULT", "DEFERRABLE", "DELETE", "DESC", "DISTINCT", "DO",
            "DROP", "ELSE", "END", "ESCAPE", "EXCEPT", "EXISTS", "FALSE", "FETCH", "FILTER", "FOR", "FOREIGN",
            "FREEZE", "FROM", "FULL", "GLOB", "GRANT", "GROUP", "HAVING", "ILIKE", "IN", "INDEX", "INITIALLY",
            "INNER", "INSERT", "INTERSECT", "INTO", "IS", "ISNULL", "JOIN", "LATERAL", "LEADING", "LEFT",
            "LIKE", "LIMIT", "LOCALTIME", "LOCALTIMESTAMP", "MATCH", "NATURAL", "NOT", "NOTNULL", "NULL",
            "NULLS", "OFFSET", "ON", "ONLY", "OR", "ORDER", "OUTER", "OVER", "OVERLAPS", "PLACING", "PRIMARY",
            "RAISE", "REFERENCES", "REGEXP", "RETURNING", "RIGHT", "SELECT", "SESSION_USER", "SET",
            "SIMILAR", "SOME", "SYMMETRIC", "SYSTEM_USER", "TABLE", "TABLESAMPLE", "THEN", "TO", "TRAILING",
            "TRUE", "UNION", "UNIQUE", "UPDATE", "USER", "USING", "VALUES", "VARIADIC", "VERBOSE", "WHEN",
            "WHERE", "WINDOW", "WITH"};
        for (const char* word : list)
            set.insert(QLatin1String(word));
        return set;
    }();
    return words;
}

} // namespace

bool IsPlainSqlIdentifier(const QString& name, bool lowerCaseOnly)
{
    if (name.isEmpty())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        const bool lower = c >= u'a' && c <= u'z';
        const bool upper = c >= u'A' && c <= u'Z';
        const bool digit = c >= u'0' && c <= u'9';
        if (!(lower || upper || c == u'_' || (digit && i > 0)))
            return false;
        if (upper && lowerCaseOnly)
            return false;
    }
    return !ReservedSqlWords().contains(name.toUpper());
}

QString QuoteSqlIdentifier(const QString& name)
{
    QString inner = name;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

bool UnquoteSqlIdentifier(const QString& text, QString& name)
{
    if (text.size() < 2)
        return false;
    const QChar open = text.front();
    QChar close;
    if (open == QLatin1Char('"') || open == QLatin1Char('`'))
        close = open;
    else if (open == QLatin1Char('['))
        close = QLatin1Char(']');
    else
        return false;
    if (text.back() != close)
        return false;
    QString result;
    const qsizetype end = text.size() - 1;
    for (qsizetype i = 1; i < end; ++i) {
        const QChar c = text.at(i);
        if (c == close) {
            if (i + 1 >= end || text.at(i + 1) != close)
                return false; // a lone closing quote ends the identifier early
            ++i;
        }
        result.append(c);
    }
    name = result;
    return true;
}

QString TZSQLQuery::QuoteFieldName(const QString& fieldName) const
{
    const QSqlDatabase db = Connection();
    const bool valid = db.isValid() && db.driver();
    if (IsPlainSqlIdentifier(fieldName, valid && DialectOf(db) == TDialect::Postgres))
        return fieldName;
    if (valid && DialectOf(db) == TDialect::Sqlite) {
        // SQLite reads a double-quoted name that matches no column as a string
        // literal, so ORDER BY "upper(name)" would sort by a constant without an
        // error. A backquoted name is always an identifier: an unknown one fails.
        QString inner = fieldName;
        inner.replace(QLatin1Char('`'), QLatin1String("``"));
        return QLatin1Char('`') + inner + QLatin1Char('`');
    }
    if (valid) {
        const QString quoted = db.driver()->escapeIdentifier(fieldName, QSqlDriver::FieldName);
        QString readBack;
        if (UnquoteSqlIdentifier(quoted, readBack) && readBack == fieldName)
            return quoted;
    }
    return QuoteSqlIdentifier(fieldName);
}

// ---------------------------------------------------------------------------
// Client fields and the client's order

void TZSQLQuery::AddClientField(const QString& name, TFieldType type, int size)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        DatabaseError(QStringLiteral("Field name missing"), this);
    for (TClientDef& def : FClientDefs)
        if (def.Name.compare(trimmed, Qt::CaseInsensitive) == 0) {
            def = {trimmed, type, size}; // defined anew
            return;
        }
    FClientDefs.push_back({trimmed, type, size});
}

void TZSQLQuery::ClearClientFields()
{
    FClientDefs.clear();
    FClientValues.clear();
}

int TZSQLQuery::ClientSlot(const TField* field) const
{
    if (FClientOpen.empty() || !field || field->GetFieldKind() != fkData)
        return -1;
    const int index = field->FieldNo() - 1 - int(FColumns.size());
    return index >= 0 && index < int(FClientOpen.size()) ? int(RowWidth()) + index : -1;
}

bool TZSQLQuery::IsClientField(const TField* field) const
{
    return field && field->DataSet() == this && ClientSlot(field) >= 0;
}

void TZSQLQuery::FillClientValues(std::vector<QVariant>& values, const TRow& row) const
{
    if (FClientOpen.empty())
        return;
    const size_t width = RowWidth();
    values.resize(width + FClientOpen.size());
    const auto kept = FClientValues.isEmpty() ? FClientValues.constEnd() : FClientValues.constFind(KeyText(row.Values));
    for (size_t i = 0; i < FClientOpen.size(); ++i) {
        const size_t def = size_t(FClientOpen[i]);
        // None kept, or a field added after the values were kept: null.
        values[width + i] = kept != FClientValues.constEnd() && def < kept->size() ? (*kept)[def] : QVariant();
    }
}

void TZSQLQuery::SetClientSlots(TRow& row, const std::vector<QVariant>& values)
{
    const size_t width = RowWidth();
    const auto copy = [&](TRow& target) {
        target.Values.resize(width + FClientOpen.size());
        for (size_t i = 0; i < FClientOpen.size() && width + i < values.size(); ++i)
            target.Values[width + i] = values[width + i];
    };
    copy(row);
    row.Accepted = -1;
    // The copy kept of a row changed or inserted here shows when its place is read again.
    if (row.Serial & InsertedBit) {
        if (const auto inserted = FInsertedRows.find(row.Serial); inserted != FInsertedRows.end())
            copy(inserted->second);
    } else if (const auto pin = FPins.find(OrdinalOf(row.Serial)); pin != FPins.end() && !pin->second.Deleted) {
        copy(pin->second.Current);
    }
}

void TZSQLQuery::KeepClientValues(const std::vector<QVariant>& values, const QString& key)
{
    if (FClientOpen.empty() || !FUpdate)
        return;
    const size_t width = RowWidth();
    std::vector<QVariant>& kept = FClientValues[key];
    kept.resize(FClientDefs.size());
    for (size_t i = 0; i < FClientOpen.size() && width + i < values.size(); ++i) {
        QVariant& value = kept[size_t(FClientOpen[i])];
        if (FSortedValid && std::count(FSortedDefs.begin(), FSortedDefs.end(), FClientOpen[i]) &&
            !(value == values[width + i]))
            FSortedValid = false; // a value the last order was made of changed
        value = values[width + i];
    }
}

void TZSQLQuery::SetClientOrder(const QString& fields)
{
    const QString value = fields.trimmed();
    if (value == FClientOrder && (!FCursorOpen || FClientSorted == !value.isEmpty()))
        return;
    if (!FCursorOpen) {
        FClientOrder = value;
        return;
    }
    CheckBrowseMode();
    UpdateCursorPos(); // the cursor on the active record, which stays current
    const QString old = std::exchange(FClientOrder, value);
    try {
        if (value.isEmpty())
            RestoreServerOrder();
        else
            SortOnClient();
    } catch (...) {
        FClientOrder = old;
        throw;
    }
    CursorPosChanged();
    Resync({});
}

namespace {
// A client value compared with another of its field: nulls first.
int CompareClientValue(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return int(!a.isNull()) - int(!b.isNull());
    const QPartialOrdering order = QVariant::compare(a, b);
    return order == QPartialOrdering::Less ? -1 : (order == QPartialOrdering::Greater ? 1 : 0);
}
} // namespace

// Reads every row and puts them in the client's order. A name that is no client field
// raises before anything changes (`strict`), or else drops the order.
void TZSQLQuery::SortOnClient(bool strict)
{
    struct TKey {
        int Slot;
        bool Descending;
    };
    std::vector<TKey> keys;
    for (QString item : QString(FClientOrder).replace(QLatin1Char(';'), QLatin1Char(',')).split(QLatin1Char(','))) {
        item = item.simplified();
        if (item.isEmpty())
            continue;
        bool descending = false;
        if (item.endsWith(QLatin1String(" DESC"), Qt::CaseInsensitive)) {
            descending = true;
            item.chop(5);
        } else if (item.endsWith(QLatin1String(" ASC"), Qt::CaseInsensitive)) {
            item.chop(4);
        }
        const int slot = ClientSlot(FindField(item));
        if (slot < 0 && !strict) {
            FClientOrder.clear(); // its fields are gone: the statement's order
            return;
        }
        if (slot < 0)
            DatabaseError(QStringLiteral("Field '%1' is no client field of the query").arg(item), this);
        keys.push_back({slot - int(RowWidth()), descending});
    }
    if (keys.empty())
        return;
    // Every row, read from the first in large packets, and none dropped while the order holds.
    FPaging = false;
    SettleLast();
    const bool readOn = FAllFetched || (FWinFirst == 0 && FSource
                                        && (!FSource->Live() || (FSource->Readable() && FWinEnd == FForwardNext)));
    if (!readOn) {
        // Rows left the cache and cannot all be read on from here: the statement runs again.
        const QString current = FCursor >= FWinPos && FCursor < WindowEnd()
                                    ? KeyText(FRows[size_t(FCursor - FWinPos)].Values) : QString();
        const QString order = std::exchange(FClientOrder, QString());
        auto restore = qScopeGuard([&] { FClientOrder = order; });
        ReopenSource();
        restore.dismiss();
        FClientOrder = order;
        FPaging = false;
        while (FWinEnd != NoEnd)
            ExtendForward(std::max(PageSize(), ScanPacketLimit));
        FCursor = -1;
        for (int i = 0; !current.isEmpty() && i < int(FRows.size()); ++i)
            if (KeyText(FRows[size_t(i)].Values) == current) {
                FCursor = i;
                break;
            }
    }
    while (FWinEnd != NoEnd)
        ExtendForward(std::max(PageSize(), ScanPacketLimit));
    const int count = int(FRows.size());
    // The rows as they stood when they were last sorted, with the values that order was made
    // of: that order again, without comparing.
    bool same = FSortedValid && FSortedBy == FClientOrder && FSortedOrder.size() == FRows.size();
    for (int i = 0; same && i < count; ++i)
        same = FRows[size_t(i)].Source == quint64(i);
    if (same) {
        const std::vector<int> order = FSortedOrder;
        RenumberRows(order);
        FClientSorted = true;
        FClientDirty = false;
        return;
    }
    const size_t width = keys.size();
    std::vector<QVariant> values(static_cast<size_t>(count) * width);
    bool texts = true; // every value a text or null: compared as texts, without QVariant
    const size_t first = RowWidth();
    for (int i = 0; i < count; ++i) {
        TRow& row = FRows[size_t(i)];
        row.Source = quint64(i);
        for (size_t k = 0; k < width; ++k) {
            const size_t slot = first + size_t(keys[k].Slot);
            QVariant& value = values[size_t(i) * width + k];
            if (slot < row.Values.size())
                value = row.Values[slot];
            texts = texts && (value.isNull() || value.typeId() == QMetaType::QString);
        }
    }
    std::vector<int> order(static_cast<size_t>(count));
    std::iota(order.begin(), order.end(), 0);
    if (texts) {
        std::vector<QString> text(values.size());
        std::vector<char> null(values.size());
        for (size_t i = 0; i < values.size(); ++i) {
            null[i] = values[i].isNull();
            if (!null[i])
                text[i] = values[i].toString();
        }
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            for (size_t k = 0; k < width; ++k) {
                const size_t x = size_t(a) * width + k, y = size_t(b) * width + k;
                const int c = null[x] || null[y] ? int(!null[x]) - int(!null[y]) : text[x].compare(text[y]);
                if (c != 0)
                    return keys[k].Descending ? c > 0 : c < 0;
            }
            return false;
        });
    } else {
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            for (size_t k = 0; k < width; ++k) {
                const int c = CompareClientValue(values[size_t(a) * width + k], values[size_t(b) * width + k]);
                if (c != 0)
                    return keys[k].Descending ? c > 0 : c < 0;
            }
            return false;
        });
    }
    FSortedOrder = order;
    FSortedBy = FClientOrder;
    FSortedDefs.clear();
    for (const TKey& key : keys)
        FSortedDefs.push_back(FClientOpen[size_t(key.Slot)]);
    FSortedValid = true;
    RenumberRows(order);
    FClientSorted = true;
    FClientDirty = false;
}

// The statement's order again: the rows put back where they came from, or read again
// when this query wrote rows since they were sorted.
void TZSQLQuery::RestoreServerOrder()
{
    if (!FClientSorted)
        return;
    if (FClientDirty) {
        const QString current = FCursor >= FWinPos && FCursor < WindowEnd()
                                    ? KeyText(FRows[size_t(FCursor - FWinPos)].Values) : QString();
        ReopenSource();
        ResolveOrderKeys();
        FPaging = PagingPossible();
        for (int pos = 0; !current.isEmpty() && EnsureFetched(pos); ++pos)
            if (KeyText(FRows[size_t(pos - FWinPos)].Values) == current) {
                FCursor = pos;
                break;
            }
        return;
    }
    // Places in the statement's order, each held by one row at most (rows deleted since leave gaps).
    quint64 end = 0;
    for (const TRow& row : FRows)
        end = std::max(end, row.Source + 1);
    std::vector<int> at(static_cast<size_t>(end), -1);
    for (size_t i = 0; i < FRows.size(); ++i)
        at[size_t(FRows[i].Source)] = int(i);
    std::vector<int> order;
    order.reserve(FRows.size());
    for (int index : at)
        if (index >= 0)
            order.push_back(index);
    RenumberRows(order);
    FClientSorted = false;
}

void TZSQLQuery::RenumberRows(const std::vector<int>& order)
{
    const int current = FCursor >= FWinPos && FCursor < WindowEnd() ? FCursor - FWinPos : -1;
    std::deque<TRow> rows;
    int cursor = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == current)
            cursor = int(i);
        rows.push_back(std::move(FRows[size_t(order[i])]));
    }
    // A new numbering: bookmarks of the rows as they stood are invalid.
    ++FGeneration;
    FInsertedOrder.clear();
    FInsertedRows.clear();
    FPins.clear();
    for (size_t i = 0; i < rows.size(); ++i)
        NumberRow(rows[i], quint64(i));
    FRows = std::move(rows);
    FWinFirst = 0;
    FWinPos = 0;
    FWinEnd = NoEnd;
    FServerTotal = qint64(FRows.size());
    FForwardNext = quint64(FRows.size());
    FForwardLast.clear();
    FProvisional = false;
    FProvisionalKeys.clear();
    FSettledTotal = -1;
    FShift = 0;
    FServerCount = qint64(FRows.size());
    FCountDelta = 0;
    FOrderKeys.clear(); // no order the server knows
    FUndo.clear();
    if (FInTransaction)
        FUndoLost = true; // the rollback reads the rows again
    ForgetLookups(false);
    UpdateAllFetched();
    FCursor = cursor >= 0 ? cursor : (FCursor < 0 ? -1 : int(FRows.size()));
}

} // namespace zdb
