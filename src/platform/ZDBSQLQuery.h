#pragma once
// TZSQLQuery: a dataset over the result of an SQL statement on a QSqlDatabase
// connection, fetched in packets as the cursor needs the rows and editable
// when the statement is a SELECT over one table with a key.
//
// Fetching. Rows are read PacketRecords at a time (default 100, -1 = all at
// once) as the cursor needs them. On SQLite (and any driver other than
// PostgreSQL) a forward-only QSqlQuery on the connection is stepped row by
// row. Qt's PostgreSQL driver holds a whole result in memory, so there the
// statement runs as a server-side cursor (DECLARE ... SCROLL CURSOR, FETCH
// PacketRecords) inside a REPEATABLE READ transaction on a private clone of
// the connection; the application's own transactions and edits on the main
// connection do not disturb it. The cursor, its transaction and the clone are
// released at Close. (Statements with FOR UPDATE/SHARE, and PacketRecords -1,
// run on the connection itself: their locks belong to the application's
// transaction.) On SQLite, rows this dataset posted while rows were still to be
// read are recognised by their key and not read a second time. The questions
// over the result on PostgreSQL (counts, Locate, aggregates) run inside one
// savepoint set after the cursor is declared; one the server refuses is rolled
// back to it and leaves the cursor where it stood.
//
// First rows. With a known order (below) the first PacketRecords rows come from
// the statement limited to them (... ORDER BY <order> LIMIT n): without an index
// for the order the server keeps the first n rows while it reads the table
// instead of sorting all of them. The whole result is sorted only when rows
// after them are read: on PostgreSQL the cursor, declared in the same snapshot,
// is moved there; on SQLite the statement runs over the rows after the last one
// read by its keys. A sorted SELECT over one table that may run again with the
// key appended to its ORDER BY first takes its columns from one row (LIMIT 1),
// so that the server does not sort everything for a description.
//
// The row cache keeps at most CacheRecords rows (default 10,000): a window of
// consecutive rows around the cursor; rows leave it from the end farther from
// the cursor and are read again when the cursor comes back, at most half the
// cache (and at most PacketRecords) at a time. On PostgreSQL the cursor is moved
// there (MOVE ABSOLUTE, FETCH) in its snapshot, so the rows read again are the
// rows read before. On SQLite rows are read again by keyset when the order is
// known (see below): the rows after (or before, in the reversed order) the row
// next to them, from the table as it is then (docs/datasets.md gives the rules
// when another connection changes it). Rows this dataset edited, inserted or
// deleted are kept apart from the cache and show as they were left whenever
// their place is read again. Without a known order on SQLite, with
// PacketRecords -1, with FOR UPDATE, and while a record filter is active, rows
// are not dropped (the filter counts its records from the first row).
//
// The order is known when every ORDER BY item is a result column (by name or
// position, ASC or DESC) of a SELECT over one table whose key (KeyFields or the
// primary key, appended where the ORDER BY lacks it) is in the result, and the
// statement has no LIMIT, OFFSET, FETCH or FOR UPDATE of its own; the statement
// then runs with the key appended to its ORDER BY. Last reads the last page by
// the reversed order (SELECT * FROM (<statement>) ... ORDER BY <reversed> LIMIT
// page); until the row count is known its rows are numbered back from a
// provisional end, and the first question for a number (RecNo, RecordCount, a
// far move, an edit) takes the count from the server and settles them (bookmarks
// taken before stay valid). A far RecNo reads one page (OFFSET on SQLite, from the
// nearest cached row by its keys while no row was written since the last jump; MOVE
// ABSOLUTE on PostgreSQL, for any order). Keyset conditions follow where the server sorts NULLs (first on
// SQLite, last on PostgreSQL, in ascending order). On SQLite these jumps wait
// until the dataset wrote no row (its own rows shift the server's places);
// until then it reads on page by page, as it does without a known order.
//
// Parameters. ":name" placeholders become Params; each must be given a value
// (null counts) before Open or ExecSQL. Values are bound with
// QSqlQuery::bindValue. The one exception is the PostgreSQL cursor: DECLARE
// cannot be a prepared statement, so there the values are written into the
// statement as literals made by the driver's own QSqlDriver::formatValue
// (which is also how Qt's PostgreSQL driver passes bound values to EXECUTE).
//
// Locate and Lookup search the cached rows first when the cache begins with the first row,
// then ask the server (on PostgreSQL in the cursor's snapshot). The keys become a WHERE
// clause over the statement's result, SELECT * FROM (<sql>) WHERE ...: only data fields
// of the result with names it holds once, quoted by QuoteFieldName, every value bound.
// Partial keys go as LIKE 'key%' ESCAPE '!' (with %, _ and ! escaped), case-insensitive
// ones as lower(column) = lower(key) for keys in ASCII (the long s and the Kelvin sign,
// which the comparison takes for "s" and "k", mapped first), nulls as IS NULL; integers,
// text, booleans, dates, times and date-times on both servers (on SQLite as their ISO
// 8601 texts, a blank or "T" between date and time; on PostgreSQL the millisecond around
// the key, since the server keeps microseconds). The rows come in the order of the order
// keys (ORDER BY ending in a unique key) when it is known, else in the statement's own;
// each is compared again as the rows read are (TDataSet::LocateValuesMatch), so the clause
// only narrows. Locate then reads the page from the row found on by its order keys. Right
// after opening (the cache holding the rows from the first) its place waits: the rows read
// around it are numbered from a provisional place (SeekProvisional), and the COUNT(*) of the
// rows before it by the order keys runs when a number, the count or a far row is asked for
// (SettleLast), or never when reading back reaches the first row. Elsewhere the count comes
// first and the page is read at that place (SeekOrdinal), none before it; Lookup takes the values from the row the server sent, reading none, and
// keeps the last 256 answers until the query posts, deletes, refreshes, closes, opens or
// changes its filter. Rows this query posted, inserted or deleted since it opened are set
// apart on PostgreSQL (the snapshot still has them as read): server rows with their keys are
// passed over, the rows as shown are compared here, and the first of both is the answer.
// A record filter, rows this query posted or deleted on SQLite (the live table holds them at
// its own places), an order that is not known (for Locate, unless no row matches), a key of another type
// (floats, blobs, a text for a number ...), a computed SQLite column or a failing
// statement leave them to read the rows from the first and compare, as
// SetServerSearch(false) does. On SQLite the server reads the tables as they are now;
// values stored in another form than the column's type (a text in an INTEGER column, a
// date as a number) are not found there.

// Master/detail. With DataSource set, every parameter named like a field of the
// source's dataset (the master) takes that field's value on the master's current
// record when the query opens, and the query opens again when those values change:
// at once when the master opens or closes (then the values are null), after
// MasterDelay milliseconds of rest (a single-shot timer, default 100) when the master
// scrolls or one of those fields is edited, so a master moving fast runs the statement
// once. A pending edit of the query is posted before the master leaves its record.
// The master is only read, never moved. Other parameters keep the values given.
//
// Field types. Taken from the driver per column: PostgreSQL by type OID with
// length and scale; SQLite, which is dynamically typed, by the declared type of
// the table column a result column comes from (PRAGMA table_info), falling back
// on the storage class of the values. Integers give ftSmallint, ftInteger,
// ftLargeint, and ftAutoInc for a 32-bit auto-generated key (SQLite INTEGER
// PRIMARY KEY, PostgreSQL serial or identity); REAL/FLOAT/DOUBLE give ftFloat;
// NUMERIC/DECIMAL(p,s) give ftCurrency for a scale of 1 to 4, an integer type
// for scale 0 (ftInteger up to 9 digits, ftLargeint up to 18) and ftFloat
// otherwise or without a declared scale; MONEY gives ftCurrency; CHAR/VARCHAR(n)
// give ftWideString (ftFixedWideChar for PostgreSQL char(n)) with Size n; text
// without a declared length (TEXT, PostgreSQL text, varchar without length, a
// computed SQLite text column) gives ftWideString with Size 0 (no limit), so that
// it shows as text; CLOB, json and xml give ftWideMemo; BOOLEAN gives ftBoolean;
// DATE, TIME, DATETIME/TIMESTAMP give ftDate, ftTime, ftDateTime; BLOB/BYTEA
// give ftBlob. SQLite texts of date-time columns are read as ISO 8601 (and
// written back as "yyyy-MM-dd HH:mm:ss[.zzz]"); numbers in them as Julian day
// numbers (real) or Unix time (integer). SetFieldType overrides the type of a
// column by name. Nulls stay nulls.
//
// Editing. Without ReadOnly, a SELECT over a single table (no join, DISTINCT,
// GROUP BY, aggregate or set operation) is editable when its key columns are in
// the result: KeyFields when set (names of result fields), else the table's
// primary key (QSqlDriver::primaryIndex). A table without a primary key needs
// KeyFields; on SQLite it may name a selected rowid ("SELECT rowid, * FROM t"
// with KeyFields "rowid"). UpdateTable names the table to write when the
// statement is not such a simple SELECT (the columns that belong to it stay
// editable). Post runs a prepared UPDATE of the changed columns (WHERE key =
// old key) or an INSERT of the non-null columns; Delete runs DELETE; all with
// bound values. RETURNING (PostgreSQL, SQLite 3.35+) reads the stored row back,
// so defaults and auto-increment keys appear at once (elsewhere lastInsertId
// fills an auto-increment key). The cache is updated in place; the query is not
// run again. A failing statement raises a database error with the driver's
// message and leaves the dataset as it was (still editing, values intact).
//
// Counting. RecordCount without a record filter runs one
// SELECT COUNT(*) FROM (<sql>) AS q when first asked (on PostgreSQL in the
// cursor's snapshot) and keeps it right across inserts and deletes; once the
// rows were read to the end it follows from them. With a record filter it is the
// number of accepted rows once all are in the cache, -1 before. On SQLite the count
// is taken from the live table, so rows this dataset inserted that its WHERE
// clause would not select are counted only when they were posted after the
// count was taken.
//
// Filtering on the server (ZDBSQLQueryFilter.cpp). While Filtered, without an
// OnFilterRecord handler, a Filter whose every predicate has an exact SQL form
// (FilterSql.h: fields that are data columns of the result, constants bound as
// values) runs on the server: the statement becomes
// SELECT * FROM (<sql>) AS zdb_filter_q WHERE <condition> ORDER BY <its own order>,
// the rows it returns are not evaluated again, and RecordCount is the server's
// COUNT of it. Otherwise (a handler, a predicate without exact form, a statement
// that is no SELECT or whose ORDER BY names no result column, a condition the
// server refuses) every row is read and evaluated on the client, with the same
// result. Changing Filter, Filtered, FilterOptions or OnFilterRecord while open
// runs the statement again when the server's condition changes. A row this
// dataset posts or inserts is evaluated on the client, as in the client path: it
// leaves the view at once when it no longer passes the filter (RecordCount, taken
// from the server, keeps counting such a row until the statement runs again).
// Value lists (SetFilterValueLists) add "column IN (...)" conditions while
// Filtered, together with Filter, comparing edit texts ignoring case as the
// grid's value lists do; they always run on the server.
//
// Client fields (AddClientField) are fields that are no column of the result: their
// values live in memory by the row's key, so they stay with their rows when the
// statement runs again, and posting them alone writes nothing. SetClientOrder orders
// the rows by client fields here: every row is read and kept (no paging), and the order
// is applied again after every new run of the statement. The tree view keeps its level,
// order string and state in client fields and sorts by the order string this way.
//
// Bookmarks stay valid across inserts and deletes of other rows and while their
// rows are out of the cache (going to one reads its row again); after Close
// and after Refresh (which runs the statement again and finds the current row
// by its key) they are invalid (BookmarkValid false). They compare in the
// order of the rows (deleted ones keeping their place), bookmarks of an earlier
// opening after all current ones: one order that a sorted list keeps.

#include "DB.h"
#include "FilterSql.h"

#include <QCache>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QStringList>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QSqlQuery;
class QTimer;

namespace zdb {

class TZSQLQuery;

// ---------------------------------------------------------------------------
// Parameters

class TParam {
public:
    explicit TParam(const QString& name) : FName(name) {}
    QString Name() const { return FName; }
    QVariant GetValue() const { return FValue; }
    QVariant Value() const { return FValue; }
    // Assigning a value (a null QVariant too) makes the parameter bound.
    void SetValue(const QVariant& value);
    void Clear() { SetValue(QVariant()); }
    bool IsNull() const { return FValue.isNull(); }
    // Whether a value was assigned; an unassigned parameter refuses to open the query.
    bool GetBound() const { return FBound; }
    void SetBound(bool value);
    QString AsString() const { return FValue.toString(); }
    void SetAsString(const QString& value) { SetValue(value); }
    qlonglong AsLargeInt() const { return FValue.toLongLong(); }
    int AsInteger() const { return FValue.toInt(); }
    void SetAsInteger(qlonglong value) { SetValue(value); }
    double AsFloat() const { return FValue.toDouble(); }
    void SetAsFloat(double value) { SetValue(value); }

private:
    friend class TParams;
    QString FName;
    QVariant FValue;
    bool FBound = false;
    QStringList FSpellings; // the names as written in the statement (case may differ)
};

class TParams {
public:
    explicit TParams(TZSQLQuery* owner) : FOwner(owner) {}
    int Count() const { return int(FItems.size()); }
    TParam& operator[](int i) { return *FItems[size_t(i)]; }
    const TParam& operator[](int i) const { return *FItems[size_t(i)]; }
    TParam* FindParam(const QString& name) const; // case-insensitive; none when missing
    TParam& ParamByName(const QString& name) const; // raises "Parameter 'x' not found"
    QStringList Names() const;
    // Rebuilds the list from the placeholders of `sql`, keeping the values of names that stay.
    void ParseSQL(const QString& sql);
    // Placeholder spellings of a parameter as they appear in the statement.
    const QStringList& Spellings(const TParam& param) const { return param.FSpellings; }

private:
    TZSQLQuery* FOwner;
    std::vector<std::unique_ptr<TParam>> FItems;
};

// ---------------------------------------------------------------------------
// SQL text helpers (used by the query; public for tests and for other units
// that rewrite statements)

struct TSqlToken {
    enum TKind { tkWord, tkQuoted, tkString, tkNumber, tkParam, tkSymbol };
    TKind Kind = tkSymbol;
    qsizetype Start = 0; // offset in the text
    qsizetype Length = 0;
    int Depth = 0;       // parenthesis depth the token stands at
    QString Text;        // the token's text; for tkQuoted the unquoted name, for tkParam the name without ":"
};

// Splits a statement into tokens, skipping white space and comments; knows
// '...' strings (with E'', X'' prefixes), "..." and `...` identifiers,
// PostgreSQL $tag$...$tag$ strings and "::" casts.
std::vector<TSqlToken> TokenizeSql(const QString& sql);

// The ":name" placeholders of a statement, in order of appearance (repeats included).
QStringList SqlParamNames(const QString& sql);

// What a SELECT statement reads, as far as editing needs it.
struct TSqlSelectInfo {
    struct TItem {
        bool Star = false;       // "*" or "q.*"
        bool Expression = false; // anything but a plain column reference
        QString Qualifier;       // "q" of "q.col" or "q.*" (unquoted)
        QString Column;          // the column name (unquoted)
        QString ColumnSql;       // the column as written
        QString Alias;
    };
    struct TTableRef {
        QStringList NameParts;   // unquoted: schema..., table
        QString Sql;             // as written
        QString Alias;
        bool Derived = false;    // subquery or function in FROM
    };
    bool IsSelect = false;       // a query: SELECT, or WITH ... / ( ... ), which never count as simple
    bool Simple = false;         // SELECT over exactly one table, no join/DISTINCT/GROUP BY/aggregate/set operation
    bool Distinct = false;
    bool Grouped = false;
    bool Aggregate = false;
    bool SetOperation = false;
    bool Locking = false;        // FOR UPDATE / FOR SHARE
    std::vector<TItem> Items;
    std::vector<TTableRef> Tables;
};
TSqlSelectInfo AnalyzeSelect(const QString& sql);

// The statement without a trailing ";" and surrounding blanks.
QString StripSqlTerminator(const QString& sql);

// The ORDER BY clause of a statement's outermost query: never one inside
// parentheses (a sub-query, a window, an aggregate's order), a comment or a
// string. Its items reach up to the clauses that follow it (LIMIT, OFFSET,
// FETCH, FOR UPDATE/SHARE ...) or the end of the statement (";"); only the
// first statement of the text is looked at.
//
// SqlOrderByItems: those items as written, blanks folded, joined by ","; empty
// when there is no such clause.
QString SqlOrderByItems(const QString& sql);
// The text with the clause's items replaced by orderBy; an empty orderBy
// removes the clause. Without a clause "ORDER BY orderBy" is put after the
// statement's last token before those following clauses (on a line of its own
// unless a following clause stands on the same line). Everything else, comments
// included, stays as written; a text without a statement is returned unchanged.
QString ReplaceSqlOrderBy(const QString& sql, const QString& orderBy);
// The text without its ORDER BY where that keeps the same rows (no LIMIT,
// OFFSET, FETCH or locking clause follows it), else unchanged: what counting or
// aggregating over the statement's result runs, so that the server need not sort.
QString SqlUnorderedText(const QString& sql);

// Identifiers. A plain identifier is an ASCII letter or "_" followed by ASCII
// letters, digits and "_", and not a reserved word of SQL, PostgreSQL or SQLite;
// with `lowerCaseOnly` (servers that fold bare names to lower case, such as
// PostgreSQL) it also has no upper-case letter. Such a name may stand bare in a
// statement and is read back as written.
bool IsPlainSqlIdentifier(const QString& name, bool lowerCaseOnly);
// The name in standard SQL quotes: "..." with every inner '"' doubled.
QString QuoteSqlIdentifier(const QString& name);
// The name one quoted identifier stands for: the whole text is "...", `...` or
// [...] with the closing quote doubled inside. False for anything else (two
// quoted parts, a stray quote, text outside the quotes).
bool UnquoteSqlIdentifier(const QString& text, QString& name);

// Keyset paging. An order over a statement's result as result columns and
// directions, ending in a unique key, lets pages be read by conditions on the
// key values of a known row ("the rows after this one") instead of by counting
// rows from the start.
struct TSqlOrderKey {
    QString Field;           // the result field
    QString Sql;             // the field as a statement over the result spells it (quoted as needed)
    bool Descending = false;
    bool NotNull = false;    // no row holds NULL in it: conditions need no IS NULL alternative
};

// Keyset conditions are TSqlCondition (FilterSql.h): the text and the values it binds
// by name (":zdb_key_0", ...).

// The order of a statement's result as result columns (Field set, Sql left to the
// caller), ending in the columns of `uniqueKey` (result field names, appended
// ascending where the ORDER BY lacks them). False, with no keys, when an ORDER BY
// item is anything but a result column by name or position with ASC or DESC (an
// expression, a qualified name, NULLS FIRST/LAST, COLLATE), when `uniqueKey` is
// empty or not among the result columns, and when the statement cannot be read
// through a condition over its result (LIMIT, OFFSET, FETCH, FOR UPDATE/SHARE).
// An empty name in `resultFields` is a column no statement can name.
bool SqlOrderKeys(const QString& sql, const QStringList& resultFields, const QStringList& uniqueKey,
                  std::vector<TSqlOrderKey>& keys);
// The keys as ORDER BY items ("a, b DESC"); `reversed` turns every direction.
QString SqlOrderKeysText(const std::vector<TSqlOrderKey>& keys, bool reversed);
// The rows before (or after) the row whose key values are `values` (as the server
// stores them, one per key), in the order of `keys`. `nullsFirst`: the server sorts
// NULL before every value in ascending order (SQLite) rather than after (PostgreSQL);
// descending orders put them at the other end. With `inclusive` the row itself belongs to
// the rows asked for (one range, which an index on the keys serves in one scan). Values are
// always bound. `parts` receives the condition's alternatives: no two hold for one row and
// none has an OR, so that a count over them is the sum of counts an index answers.
TSqlCondition SqlKeysetCondition(const std::vector<TSqlOrderKey>& keys, const QVariantList& values, bool before,
                                 bool nullsFirst, bool inclusive = false, QStringList* parts = nullptr);

// ---------------------------------------------------------------------------
// The query dataset

class TZSQLQuery : public TDataSet {
    Q_OBJECT
    Q_PROPERTY(QStringList SQL READ GetSQL WRITE SetSQL)
    Q_PROPERTY(QString ConnectionName READ GetConnectionName WRITE SetConnectionName)
    Q_PROPERTY(int PacketRecords READ GetPacketRecords WRITE SetPacketRecords)
    Q_PROPERTY(int CacheRecords READ GetCacheRecords WRITE SetCacheRecords)
    Q_PROPERTY(bool ReadOnly READ GetReadOnly WRITE SetReadOnly)
    Q_PROPERTY(QString UpdateTable READ GetUpdateTable WRITE SetUpdateTable)
    Q_PROPERTY(QString KeyFields READ GetKeyFields WRITE SetKeyFields)
    Q_PROPERTY(zdb::TDataSource* DataSource READ GetDataSource WRITE SetDataSource)
    Q_PROPERTY(int MasterDelay READ GetMasterDelay WRITE SetMasterDelay)

public:
    explicit TZSQLQuery(QObject* parent = nullptr);
    ~TZSQLQuery() override;

    // The statement, one line per entry; the text is the lines joined by "\n".
    // Changing it closes an open query (reopen with Open).
    QStringList GetSQL() const { return FSQL; }
    void SetSQL(const QStringList& value);
    QString SQLText() const { return FSQL.join(QLatin1Char('\n')); }
    void SetSQLText(const QString& value) { SetSQL(value.split(QLatin1Char('\n'))); }

    // The connection, by name (empty = Qt's default connection). Changing it closes an open query.
    QString GetConnectionName() const { return FConnectionName; }
    void SetConnectionName(const QString& value);
    void SetConnection(const QSqlDatabase& database) { SetConnectionName(database.connectionName()); }
    QSqlDatabase Connection() const;
    // A field name as a statement on this connection must spell it: bare when the
    // server reads it back unchanged (IsPlainSqlIdentifier; on PostgreSQL also all
    // lower case). Else on SQLite in backquotes (inner ones doubled), which SQLite
    // reads only as an identifier: a double-quoted name that matches no column would
    // be taken for a string. Else quoted by the connection's driver
    // (QSqlDriver::escapeIdentifier), or in standard double quotes when the driver's
    // form would not read back as the name (some drivers split names at ".").
    Q_INVOKABLE QString QuoteFieldName(const QString& fieldName) const;

    // Rows read per packet; -1 reads everything at once. 0 and values below -1 are refused.
    int GetPacketRecords() const { return FPacketRecords; }
    void SetPacketRecords(int value);

    // Rows read from the database that the cache keeps at most (default 10,000); rows that
    // left it are read again when the cursor comes back. Values below 1 are refused.
    // Takes effect as rows are read next.
    int GetCacheRecords() const { return FCacheRecords; }
    void SetCacheRecords(int value);

    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    // Table that Post and Delete write; empty = the table of a simple single-table SELECT.
    // UpdateTable and KeyFields take effect at the next Open.
    QString GetUpdateTable() const { return FUpdateTable; }
    void SetUpdateTable(const QString& value);
    // Key fields (";"-list of field names) that identify a row for UPDATE and DELETE;
    // empty = the table's primary key.
    QString GetKeyFields() const { return FKeyFields; }
    void SetKeyFields(const QString& value);
    // The table and key fields in use while open (empty when the query is read-only).
    QString ActiveUpdateTable() const;
    QString ActiveKeyFields() const;

    TParams& Params() { return FParams; }
    const TParams& Params() const { return FParams; }
    TParam& ParamByName(const QString& name) const { return FParams.ParamByName(name); }

    // The master whose fields give the parameters of the same names (see the header comment).
    TDataSource* GetDataSource() const { return FMasterLink->DataSource(); }
    void SetDataSource(TDataSource* value);
    // Milliseconds the master rests before the query follows its scrolling; 0 = at once.
    int GetMasterDelay() const { return FMasterDelay; }
    void SetMasterDelay(int value) { FMasterDelay = std::max(value, 0); }

    // Overrides the type (and for strings the size) of a result column, from the next Open on.
    void SetFieldType(const QString& fieldName, TFieldType type, int size = 0);
    void ClearFieldTypes();

    // Runs the statement as a command (no result set); returns the number of rows affected.
    int ExecSQL();
    int RowsAffected() const { return FRowsAffected; }

    // A transaction on the connection around this query's edits: Post and Delete after
    // StartTransaction are made final by Commit; Rollback undoes them on the server and
    // puts the query's rows back as they were (the statement is not run again). Only
    // this query's own changes are put back in its rows. StartTransaction raises while
    // a transaction of the query is active, when the connection already runs one (begun
    // through QSqlDatabase) or refuses one.
    void StartTransaction();
    // StartTransaction unless a transaction is active already (the query's or one the
    // application began on the connection): returns whether it started one. Otherwise
    // the running transaction decides over the query's changes.
    bool StartTransactionIfNone();
    void Commit();
    void Rollback();
    bool InTransaction() const { return FInTransaction; }

    // Whether Filter may run on the server (default true; false keeps it on the client
    // from the next Open or filter change on). Value lists run on the server either way.
    bool GetServerFiltering() const { return FServerFiltering; }
    void SetServerFiltering(bool value);
    // The open result is filtered by the server.
    bool ServerFilterActive() const;
    // While Filtered, only records whose field (by name) has one of the listed edit
    // texts pass, besides Filter, texts comparing ignoring case: each text is
    // converted to the field's value, and the lists run on the server as
    // "column IN (...)" (text columns as lower(column) IN (lower-case texts)).
    // Returns false and keeps the lists as they were when the query is closed, a
    // field is not a data column the server can filter, a text does not give a value
    // whose edit text it is, a text of a string field is not ASCII (its case cannot
    // be folded as the client folds it), or the statement cannot be filtered on the
    // server. An empty map removes the lists.
    bool SetFilterValueLists(const QMap<QString, QStringList>& lists) override;
    QMap<QString, QStringList> FilterValueLists() const { return FValueLists; }

    // Rows read from the database since Open, rows read again included (tests and diagnostics).
    int FetchedRecordCount() const { return FFetchedCount; }
    // Whether every row of the result is in the cache.
    bool AllRecordsFetched() const;
    // Reads the remaining rows (the cache keeping at most CacheRecords of them).
    void FetchAll();
    // Rows in the cache now (tests and diagnostics).
    int CachedRecordCount() const;
    // Statements the query ran since Open to read rows or count them (tests and diagnostics).
    int ServerRequestCount() const;
    // The texts of the last statements sent since Open for the rows, their count and the
    // questions over them (at most 100; tests and diagnostics).
    QStringList ServerStatements() const { return FStatements; }

    // Answered through the server when it can (see the header comment), from a cache of
    // recent keys that every change of the rows empties.
    QVariant Lookup(const QString& keyFields, const QVariant& keyValues, const QString& resultFields) override;
    // Whether Locate and Lookup may ask the server (default true); false makes them read the
    // rows and compare them here, as they do for what the server cannot answer.
    bool GetServerSearch() const { return FServerSearch; }
    void SetServerSearch(bool value);

    // Client fields: fields that are no column of the result, whose values the query keeps in
    // memory by the row's key (KeyFields or the primary key; a query without one keeps none),
    // so that they survive a new run of the statement for the same rows (a new order, a
    // refresh, a reopen). Added at any time (a name added before is defined anew), they
    // are there from the next Open on, after the
    // result's columns; a result column of the same name takes their place. Posting a row
    // whose data columns did not change writes nothing to the server.
    void AddClientField(const QString& name, TFieldType type, int size = 0);
    void ClearClientFields();
    bool IsClientField(const TField* field) const;
    // Rows ordered here by client fields ("A,B DESC", as order fields are written; empty =
    // the statement's own order): every row is read and kept, rows with equal values keep
    // the statement's order, bookmarks of the rows as they stood before are invalid. It
    // holds across reopening and refreshing; going back to the statement's order reads the
    // rows again only when this query wrote rows meanwhile. Naming a field that is no
    // client field raises a database error and keeps the order as it was.
    QString GetClientOrder() const { return FClientOrder; }
    void SetClientOrder(const QString& fields);

    // Sums, counts, minima and maxima over the whole result in one SELECT over it (with
    // the server's filter), for integer and real data columns, when the server's rows
    // are the rows shown: not while a filter runs on the client or after this query
    // wrote rows (until it runs again), nor once every row is cached.
    bool CalcAggregates(const std::vector<TAggregateRequest>& requests, std::vector<QVariant>& results) override;
    // The distinct values of a data field over the rows shown, in any order, by one SELECT DISTINCT
    // over the result with its server filter (ZDBSQLQueryDistinct.cpp); false, as CalcAggregates,
    // when the server cannot give what reading the rows would.
    bool DistinctValues(TField* field, std::vector<QVariant>& values);
    // Whether CalcAggregates may ask the server (default true); false leaves the
    // aggregates to reading the rows.
    bool GetServerAggregates() const { return FServerAggregates; }
    void SetServerAggregates(bool value);

protected:
    std::unique_ptr<TRecBuf> AllocRecordBuffer() override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return FCursorOpen; }
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    TBookmark GetBookmarkData(TRecordBuffer buffer) const override;
    void SetBookmarkData(TRecordBuffer buffer, const TBookmark& data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    bool InternalBookmarkValid(const TBookmark& bookmark) const override;
    int InternalCompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const override;
    void InternalInitFieldDefs() override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    bool GetRecordFieldData(TRecordBuffer buffer, TField* field, QVariant& value) const override;
    void SetRecordFieldData(TRecordBuffer buffer, TField* field, const QVariant& value) override;
    void InternalPost() override;
    void InternalDelete() override;
    void InternalRefresh() override;
    bool GetCanModify() const override;
    int GetRecordCount() const override;
public:
    bool IsRecordCountKnown() const override;
protected:
    int GetRecNo() const override;
    void DoSetRecNo(int value) override;
    void InternalFilterChanged() override;
    bool LocateRecord(const QString& keyFields, const QVariant& keyValues, TLocateOptions options) override;

private:
    class TRowSource;  // where the rows come from (a forward-only query or a server-side cursor)
    class TForwardSource;
    class TCursorSource;
    struct TColumn;    // one result column: type, conversion, place in the update table
    struct TRow;       // one cached row
    struct TUpdateInfo;
    struct TUndo;      // how to put back one change made inside a transaction
    struct TPin;       // a row of the server's result that this dataset changed or deleted

    // Keyset access for reading by conditions (see ZDBSQLQueryKeyset.cpp).
    // The order of the open result as result columns ending in a unique key; false
    // (no keys) when it is not known and rows can only be read in the server's order.
    bool OrderKeys(std::vector<TSqlOrderKey>& keys) const;
    // A statement counting "the rows before this row" over the result: keyValues are the
    // row's values of `keys`, as the server stores them; `condition` gets the values it binds.
    QString CountRowsBeforeText(const std::vector<TSqlOrderKey>& keys, const QVariantList& keyValues,
                                TSqlCondition& condition);
    // That count asked; false when the server refuses it.
    bool CountRowsBefore(const std::vector<TSqlOrderKey>& keys, const QVariantList& keyValues, qint64& count);
    // Whether SQLite answers `where` over the result only by reading all of it (no index
    // range serves it); asked once per condition text while the result stays open.
    bool ReadsEveryRow(const QString& where, const QList<QPair<QString, QVariant>>& values);
    // A statement over the result: SELECT * FROM (<statement without its ORDER BY>)
    // AS zdb_q, with the condition, order and row limit given (none when empty / -1).
    // Its placeholders are the statement's parameters and those of the condition.
    QString ResultSelect(const QString& where, const QString& orderBy, qint64 limit) const;
    // The stored values of `keys` of a cached row (as the server compares them).
    QVariantList OrderKeyValues(const std::vector<TSqlOrderKey>& keys, const TRow& row) const;
    // Puts the cursor on the row at `ordinal`, a 0-based position in the server's result
    // as the query read it; false (cursor unchanged) when there is no such row.
    bool SeekOrdinal(qint64 ordinal);
    // The same for a row whose values of OrderKeys are known (as the server stores them):
    // read by those keys, without moving over the rows before it.
    bool SeekOrdinal(qint64 ordinal, const QVariantList& keyValues);
    // The cursor on the row whose order key values are given, its place not yet counted: the
    // rows read around it are numbered from a provisional place (settled by SettleLast when a
    // number is asked for). False (nothing changed) when the place must be counted now.
    bool SeekProvisional(const QVariantList& keyValues, const std::function<bool(const std::vector<QVariant>&)>& accept = {});
    bool CanSeekProvisional() const;
    void ResolveOrderKeys();

    // Locate and Lookup through the server (ZDBSQLQueryLocate.cpp).
    enum class TServerAnswer { Unknown, Absent, Found };
    struct TServerMatch {
        qint64 Position = -1;          // 0-based place of the row in the statement's result; -1 = unknown
        std::vector<QVariant> Values;  // its column values, converted as fetched rows are
        QVariantList OrderValues;      // its order keys as the server keeps them (with the place)
        quint64 Serial = 0;            // a row changed or inserted here: its serial (no place)
    };
    // The first row of the result whose keys match, as the server finds it (withPosition: with
    // its place when the order is known); Unknown when the server cannot compare the keys as
    // the record comparison does, or rows changed here may differ from the server's.
    TServerAnswer FindOnServer(const std::vector<TField*>& fields, const QVariant& keyValues,
                               TLocateOptions options, bool withPosition, TServerMatch& match);
    // The keys as values of the order keys, when the fields are those keys (integer columns,
    // compared exactly): the rows from the keys on begin with the row sought, if any.
    bool KeysAreOrderKeys(const std::vector<TField*>& fields, const QVariantList& keys, TLocateOptions options,
                          QVariantList& values, std::vector<int>& columns) const;
    // The condition the keys put on the result's columns; false when the server cannot compare them.
    bool ServerCondition(const std::vector<TField*>& fields, const QVariantList& keys, TLocateOptions options,
                         QString& where, QVariantList& values) const;
    bool KeyCondition(int column, const TField* field, const QVariant& key, bool partial, bool caseInsensitive,
                      QStringList& terms, QVariantList& values) const;
    bool PostgresTimeCondition(int column, TFieldType type, const QVariant& key, QStringList& terms,
                               QVariantList& values) const;
    // Whether the rows this dataset changed can be set apart from the server's answers: the
    // server's rows are a snapshot of the rows as read, which those rows' keys identify.
    bool ChangesSetApart() const;
    // The keys of the server's rows this dataset changed or deleted, and of a row the server sent.
    QSet<QString> ChangedRowKeys() const;
    QString ServerRowKey(const QSqlQuery& query) const;
    // The first row changed or inserted here, before position `before`, whose values of
    // `columns` match `keys` as shown: its serial (0: none) and its values.
    quint64 FirstChangedMatch(const std::vector<int>& columns, const QVariant& keys, TLocateOptions options,
                              int before, std::vector<QVariant>& values) const;
    // The result column of a data field whose name the server reads back unambiguously; -1 otherwise.
    int ServerColumn(const TField* field) const;
    // Locate among the rows read already, without reading more.
    bool LocateCached(const QString& keyFields, const QVariant& keyValues, TLocateOptions options);
    bool ServerLookup(const QString& keyFields, const QVariant& keyValues, const QString& resultFields,
                      QVariant& result);
    // Runs a query over the statement's result where the rows come from (the cursor's snapshot
    // on PostgreSQL), `values` bound to ":zdb_k0", ":zdb_k1", ... and `named` by their names;
    // false when it cannot or the server refuses.
    bool SelectOnSource(const QString& sql, const QVariantList& values, const QList<QPair<QString, QVariant>>& named,
                        const std::function<void(const QSqlQuery&)>& read);
    // A value of result column `column` as the server sent it, converted as fetched rows are.
    QVariant ColumnValue(int column, const QVariant& raw) const;
    // The type a result column has as the server stores it, whatever SetFieldType gave it.
    TFieldType StoredFieldType(int column) const;
    // The column as a minimum or maximum of the server orders it as the client compares its
    // values (text, dates); nothing when the server cannot.
    std::optional<QString> ServerOrderedValue(int column, const TAggregateRequest& request) const;
    // Empties the Lookup cache; `edited`: this dataset changed its rows.
    void ForgetLookups(bool edited)
    {
        FLookups.clear();
        if (!edited)
            FScanPlans.clear();
        FEditedSinceOpen = FEditedSinceOpen || edited;
        FClientDirty = FClientDirty || edited;
        FSortedValid = FSortedValid && !edited;
    }
    void MasterChanged(bool moved);
    // Runs the statement again when the master's values changed its parameters.
    void FollowMaster();
    // Gives the parameters the master's values; whether any changed.
    bool ApplyMasterParams();
    QString StatementText() const;
    // The statement as it runs: with the server's filter condition when there is one.
    QString RunStatementText() const;
    // "SELECT COUNT(*)" over the result of RunStatementText, unsorted.
    QString CountStatementText() const;
    // A placeholder's value as the statement runs: a parameter's or the filter's.
    QVariant RunParamValue(const QString& name) const;
    QList<QPair<QString, QVariant>> ServerFilterValues() const;
    // The server alone decides which rows pass (nothing is left to the client).
    bool ServerFilterComplete() const;
    // A record filter that the client evaluates row by row (not all answered by the server):
    // rows then stay cached and positions are counted over the accepted rows.
    bool ClientFilterActive() const;
    // Whether a query run on the server over the statement sees exactly the rows shown:
    // no rows written since opening, no filter left to the client (aggregates, distinct values).
    bool ServerSeesShownRows() const
    {
        return FServerAggregates && FCursorOpen && !FEditedSinceOpen && !ClientFilterActive();
    }
    struct TServerFilter {
        QString Statement;       // the statement that runs
        TSqlCondition Condition; // its condition and values
        bool Complete = false;   // Filter and the value lists are all in the condition
    };
    std::unique_ptr<TServerFilter> MakeServerFilter(const QMap<QString, QStringList>& lists) const;
    // Whether the value lists filter the open result, and whether the record in
    // `buffer` passes them (for rows the server's condition did not select: posted ones).
    bool ValueListsFiltering() const;
    bool ValueListsAccept(TRecordBuffer buffer);
    // Puts the server filter the current settings call for in force, running the
    // statement again when its condition changes.
    void ApplyServerFilter();
    // Runs the statement again into an empty cache (the columns must stay the same).
    void ReopenSource();
    void CheckParams() const;
    // Runs the statement; a cursor of `previous` on PostgreSQL is used again. With `head` (on
    // PostgreSQL and SQLite), the first `head` rows come from the statement limited to them;
    // the rows after them need an order ending in a unique key (HeadRows).
    std::unique_ptr<TRowSource> OpenSource(bool forDefinitions, std::unique_ptr<TRowSource> previous = nullptr,
                                           int head = 0);
    // The rows the first statement after an open reads by a limited statement; 0 = none.
    int HeadRows() const;
    void NoteStatement(const QString& sql) const;
    void BuildColumns(const QSqlRecord& record);
    void ResolveUpdateInfo();
    // The row cache. Positions are places among all rows of the result as the dataset
    // shows them (0-based); ordinals are places in the server's result.
    TRow MakeRow(const QSqlQuery& query, quint64 ordinal);
    bool EnsureFetched(int position);     // the row at `position` in the cache; false past the end
    void ExtendForward(int count);
    bool ExtendBackward(int count);
    void JumpTo(int position);
    bool ReadFromAnchor(quint64 first, int page);
    void LoadLast();
    void SettleLast();
    void SettleAt(qint64 before);
    bool ExtendProvisional(int position);
    int ProvisionalPage(int needed) const;
    int Settled(int position) const;
    quint64 OrdinalOf(quint64 serial) const;
    bool OtherNumbering(quint64 serial) const;
    void Evict(int keep);
    void ResetWindow(quint64 firstOrdinal);
    void AddToWindow(quint64 first, quint64 end, std::vector<TRow>&& read, bool atFront);
    void ReadForward(quint64 from, int count, std::vector<TRow>& rows, bool& end);
    bool ReadBackward(quint64 before, int count, std::vector<TRow>& rows, bool& start);
    void NumberRow(TRow& row, quint64 ordinal) const;
    bool KnowTotal();
    void ReadByCondition(const QString& sql, const QList<QPair<QString, QVariant>>& values, std::vector<TRow>& rows);
    bool KnownOrdinalValues(quint64 ordinal, QVariantList& values) const;
    bool OwnKey(const TRow& row) const;
    quint64 FreeOrdinal(quint64 ordinal, bool down) const;
    int PageSize() const;
    int CacheLimit() const;
    bool CanJump() const;
    int PositionOfOrder(quint64 order) const;
    int PositionOfOrdinal(quint64 ordinal) const; // of the server's row at `ordinal`, not changed here
    int WindowEnd() const;
    void UpdateAllFetched();
    quint64 OrderOf(quint64 serial) const;
    int PositionOf(quint64 serial) const;
    TRow* RowOf(quint64 serial);
    int InsertRow(int index, TRow&& row);
    void RemoveRow(int index);
    void ClearRows();
    void PinRow(const TRow& before, const TRow* after);
    void FillBuffer(TRecordBuffer buffer, const TRow& row);
    bool RowAccepted(TRow& row);
    QString KeyText(const std::vector<QVariant>& values) const;
    void RememberPostedKey(const TRow& row);
    QVariant FromDb(const TColumn& column, const QVariant& raw) const;
    void AddKeyWhere(QString& sql, QVariantList& values, const TRow& row) const;
    void ReadReturned(const QSqlQuery& query, std::vector<QVariant>& values) const;
    size_t RowWidth() const;
    void RunStatement(QSqlQuery& query, const QString& sql, const QVariantList& values) const;
    void PostEdit(TRecordBuffer buffer);
    void PostInsert(TRecordBuffer buffer);
    void UndoChanges();
    // Begins a transaction on the connection; false when the connection runs one already.
    bool BeginTransaction();
    // Client fields and the client's order (ZDBSQLQueryClient.cpp).
    struct TClientDef {
        QString Name;
        TFieldType Type = ftUnknown;
        int Size = 0;
    };
    // The place of a client field's value in a record buffer; -1 for any other field.
    int ClientSlot(const TField* field) const;
    // Puts the client values kept for the row's key into its values (cached rows hold them
    // after the result's columns, as record buffers do).
    void FillClientValues(std::vector<QVariant>& values, const TRow& row) const;
    // Takes the client values of a buffer's values into a cached row and the copies kept of it.
    void SetClientSlots(TRow& row, const std::vector<QVariant>& values);
    // Keeps the client values of a buffer's values for a row key.
    void KeepClientValues(const std::vector<QVariant>& values, const QString& key);
    void SortOnClient(bool strict = true);
    void RestoreServerOrder();
    // Puts the window's rows in the order of `order` (indexes into it), numbered anew.
    void RenumberRows(const std::vector<int>& order);
    bool PagingPossible() const;

    QStringList FSQL;
    QString FConnectionName;
    int FPacketRecords = 100;
    bool FReadOnly = false;
    QString FUpdateTable;
    QString FKeyFields;
    TParams FParams;
    std::map<QString, std::pair<TFieldType, int>> FFieldTypes; // by upper-cased field name
    int FRowsAffected = 0;
    std::unique_ptr<TMasterDataLink> FMasterLink;
    int FMasterDelay = 100;
    QTimer* FMasterTimer = nullptr; // a child of the query
    QStringList FMasterParams;       // parameters the master gave values
    bool FCachedScan = false;        // a scan reads only the rows fetched already
    bool FServerFiltering = true;
    QMap<QString, QStringList> FValueLists;
    std::unique_ptr<TServerFilter> FServerFilter; // while open
    bool FServerSearch = true;
    bool FServerAggregates = true;
    QCache<QByteArray, QVariant> FLookups{256}; // recent Lookup answers by fields and keys
    QHash<QString, bool> FScanPlans; // ReadsEveryRow's answers by condition text
    bool FEditedSinceOpen = false;   // rows posted or deleted since the rows' source opened
    mutable QStringList FStatements; // the last statements sent for rows (ServerStatements)

    // Open state
    bool FCursorOpen = false;
    bool FSqlite = false;     // SQLite connection: dates, times and booleans travel as text and integers
    std::unique_ptr<TRowSource> FSource;
    QSqlRecord FRecord;
    std::vector<TColumn> FColumns;
    std::unique_ptr<TUpdateInfo> FUpdate;
    std::vector<TSqlOrderKey> FOrderKeys; // the result's order ending in a unique key; empty = unknown
    QString FSourceOrder;                 // the ORDER BY the statement runs with, when the key was appended
    // The cached rows in their order. A row's serial (its bookmark) holds the number of the
    // opening, so bookmarks of an earlier opening are invalid, and for a row read from the
    // database its place among the rows read; the order key of such a row follows from it.
    // Rows this dataset inserted get order keys between their neighbours, kept in a hash.
    // FRows is a window of consecutive rows: the server's rows with ordinals [FWinFirst, FWinEnd)
    // (to the end of the result with FWinAtEnd), as this dataset changed them, and the rows it
    // inserted among them. Rows this dataset changed, deleted or inserted are kept apart as well
    // (FPins, FInsertedRows), so they show the same when their place is read again.
    std::deque<TRow> FRows;
    QHash<quint64, quint64> FInsertedOrder; // serial -> order key of the rows inserted here
    std::map<quint64, TPin> FPins;          // by ordinal
    std::map<quint64, TRow> FInsertedRows;  // by serial: rows inserted here and not deleted
    quint64 FGeneration = 0;
    quint64 FInsertedCount = 0;
    quint64 FWinFirst = 0;
    quint64 FWinEnd = 0;                    // the largest value: to the end of the result
    int FWinPos = 0;                        // position of FRows.front()
    qint64 FServerTotal = -1;               // rows of the server's result, when known
    quint64 FForwardNext = 0;               // the ordinal the statement's own rows go on with
    QVariantList FForwardLast;              // the order key values of the last of them
    bool FPaging = false;                   // rows may leave the cache and be read again
    bool FProvisional = false;              // the window's rows are numbered from a provisional place
    quint64 FShift = 0;                     // what SettleLast took off those numbers
    // The order key values of the located row numbered from the provisional place; empty when
    // the rows are numbered back from a provisional end. The total the server had given before.
    QVariantList FProvisionalKeys;
    qint64 FSettledTotal = -1;
    QString FJumpStamp;                     // the live tables' stamp when a jump last read from the first row
    int FCacheRecords = 10000;
    int FCursor = -1;        // position; -1 before the first, past the last row after it
    int FFetchedCount = 0;
    bool FAllFetched = false; // the cache holds every row
    mutable qint64 FServerCount = -1; // rows of the result counted by the server; -1 = not asked
    mutable int FCountDelta = 0;      // rows inserted minus rows deleted since the count was taken
    QSet<QString> FPostedKeys;        // keys of rows this dataset wrote while rows were still being fetched
    std::unique_ptr<TRecBuf> FScratch;
    // Client fields and order
    std::vector<TClientDef> FClientDefs;
    std::vector<int> FClientOpen;                         // the definitions in use while open, by slot
    QHash<QString, std::vector<QVariant>> FClientValues;  // by row key, one per definition
    QString FClientOrder;
    bool FClientSorted = false; // the rows stand in the client's order
    bool FClientDirty = false;  // rows were written since they were sorted here
    // The last order made here (indexes into the rows as they stood), the order text and the
    // definitions it compared; valid while no row and none of those values was written.
    std::vector<int> FSortedOrder;
    QString FSortedBy;
    std::vector<int> FSortedDefs;
    bool FSortedValid = false;
    // Transaction
    bool FInTransaction = false;
    std::vector<TUndo> FUndo;         // changes to the rows since StartTransaction, oldest first
    bool FUndoLost = false;           // the rows were read again inside the transaction: FUndo is incomplete
};

} // namespace zdb
