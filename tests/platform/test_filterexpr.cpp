// Filter expressions: every operator checked against SQLite evaluating the
// same condition over the same rows, then parse errors, field names, partial
// compare, locales and conversions.

#include "DBError.h"
#include "FilterExpr.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>
#include <QUuid>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <vector>

using zdb::EDatabaseError;
using zdb::TFilterExpression;
using zdb::TFilterOptions;

namespace {

// ---------------------------------------------------------------------------
// The oracle table

// Column names as the expressions write them; the record lookup ignores case
// like SQLite does.
const QStringList KColumns = {QStringLiteral("Name"), QStringLiteral("Code"),  QStringLiteral("Qty"),
                              QStringLiteral("Price"), QStringLiteral("Day"),   QStringLiteral("Stamp"),
                              QStringLiteral("Flag"),  QStringLiteral("Start Time")};

struct TRow
{
    qlonglong id = 0;
    QVariantList values;    // typed, as a dataset hands them to the filter
    QVariantList sqlValues; // as stored in SQLite
};

class TOracleData
{
public:
    TOracleData()
        : FConnection(QStringLiteral("filterexpr-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FConnection);
        db.setDatabaseName(QStringLiteral(":memory:"));
        if (!db.open()) {
            FError = db.lastError().text();
            return;
        }
        Exec(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, Name TEXT, Code TEXT, Qty INTEGER, "
                            "Price REAL, Day TEXT, Stamp TEXT, Flag BOOLEAN, [Start Time] TEXT)"));
        Generate(400);
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO t VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        db.transaction();
        for (const TRow& row : FRows) {
            insert.addBindValue(row.id);
            for (const QVariant& value : row.sqlValues)
                insert.addBindValue(value);
            if (!insert.exec() && FError.isEmpty())
                FError = insert.lastError().text();
        }
        db.commit();
    }

    ~TOracleData()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(FConnection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(FConnection);
    }

    const QString& Error() const { return FError; }
    const std::vector<TRow>& Rows() const { return FRows; }

    bool Exec(const QString& sql)
    {
        QSqlQuery query(QSqlDatabase::database(FConnection));
        if (query.exec(sql))
            return true;
        if (FError.isEmpty())
            FError = query.lastError().text() + QStringLiteral(" in ") + sql;
        return false;
    }

    // The ids SQLite selects, or an error text.
    std::set<qlonglong> Select(const QString& where, QString* error)
    {
        std::set<qlonglong> ids;
        QSqlQuery query(QSqlDatabase::database(FConnection));
        if (!query.exec(QStringLiteral("SELECT id FROM t WHERE ") + where)) {
            *error = query.lastError().text();
            return ids;
        }
        while (query.next())
            ids.insert(query.value(0).toLongLong());
        return ids;
    }

private:
    void Generate(int count)
    {
        static const QStringList names = {
            QStringLiteral("Alpha"),     QStringLiteral("alpha"),     QStringLiteral("ALPHA"),
            QStringLiteral("Alpha Beta"), QStringLiteral("beta"),     QStringLiteral("Beta"),
            QStringLiteral("O'Brien"),   QStringLiteral("o'brien"),   QStringLiteral("50% off"),
            QStringLiteral("100%"),      QStringLiteral("snake_case"), QStringLiteral("a_b"),
            QStringLiteral("a%b"),       QStringLiteral("ab"),        QStringLiteral("Al*"),
            QStringLiteral("Albert"),    QStringLiteral("  padded "), QStringLiteral(""),
            QStringLiteral("Zeta"),      QStringLiteral("zeta omega"), QString::fromUtf8("Ärger"),
            QString::fromUtf8("ärger"),  QString::fromUtf8("Öl"),     QStringLiteral("x"),
            QStringLiteral("X-ray"),     QStringLiteral("Mc'Donald's"), QString::fromUtf8("a\xF0\x9F\x98\x80" "b"),
        };
        std::mt19937 random(20240531);
        const auto next = [&random](unsigned n) { return unsigned(random() % n); };
        const auto randomText = [&](const QString& alphabet, unsigned maxLength) {
            QString text = QStringLiteral(""); // empty, not NULL
            const unsigned length = next(maxLength + 1);
            for (unsigned i = 0; i < length; ++i)
                text += alphabet.at(next(unsigned(alphabet.size())));
            return text;
        };
        const QDate firstDay(2024, 1, 1);
        for (int i = 1; i <= count; ++i) {
            TRow row;
            row.id = i;
            const auto add = [&row, &next](const QVariant& value, const QVariant& sqlValue, QMetaType type) {
                if (next(8) == 0) { // NULLs in every column
                    row.values << QVariant(type);
                    row.sqlValues << QVariant();
                } else {
                    row.values << value;
                    row.sqlValues << sqlValue;
                }
            };
            const QString name = next(3) == 0 ? randomText(QStringLiteral("aAbBl _%'x"), 5)
                                              : names.at(next(unsigned(names.size())));
            add(name, name, QMetaType::fromType<QString>());
            const QString code = randomText(QStringLiteral("aAb_%x "), 4);
            add(code, code, QMetaType::fromType<QString>());
            const qlonglong qty = qlonglong(next(41)) - 20;
            add(qty, qty, QMetaType::fromType<qlonglong>());
            const double price = (int(next(120)) - 40) * 0.25;
            add(price, price, QMetaType::fromType<double>());
            const QDate day = firstDay.addDays(next(500));
            add(day, day.toString(Qt::ISODate), QMetaType::fromType<QDate>());
            const QDateTime stamp(firstDay.addDays(next(400)),
                                  QTime(0, 0).addSecs(qint64(next(24 * 4)) * 900 + (next(2) ? next(60) : 0)));
            add(stamp, stamp.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), QMetaType::fromType<QDateTime>());
            const bool flag = next(2) == 1;
            add(flag, flag ? 1 : 0, QMetaType::fromType<bool>());
            const QTime start = QTime(6, 0).addSecs(qint64(next(12 * 12)) * 300);
            add(start, start.toString(QStringLiteral("HH:mm:ss")), QMetaType::fromType<QTime>());
            FRows.push_back(std::move(row));
        }
    }

    QString FConnection;
    QString FError;
    std::vector<TRow> FRows;
};

std::set<qlonglong> Evaluate(const TFilterExpression& expression, const std::vector<TRow>& rows,
                             TFilterOptions options)
{
    QHash<QString, int> columnIndex;
    for (int i = 0; i < KColumns.size(); ++i)
        columnIndex.insert(KColumns.at(i).toLower(), i);
    std::set<qlonglong> ids;
    for (const TRow& row : rows) {
        const auto values = [&](const QString& name) {
            const int index = columnIndex.value(name.toLower(), -1);
            return index < 0 ? QVariant() : row.values.at(index);
        };
        if (expression.Accept(values, options))
            ids.insert(row.id);
    }
    return ids;
}

QString Ids(const std::set<qlonglong>& ids)
{
    QStringList texts;
    for (const qlonglong id : ids)
        texts << QString::number(id);
    return texts.join(u' ');
}

enum class TMode { Exact, NoCase, NoPartial };

// One expression in our syntax (dates in German short formats) and, where
// SQLite needs another text, the same condition for SQLite.
struct TOracleCase
{
    const char* expression;
    const char* sql = nullptr;
    TMode mode = TMode::Exact;
    bool trivial = false; // selects no row or every row on purpose
};

const TOracleCase KOracleCases[] = {
    // Numbers, integer and real, fields on either side
    {"Qty = 5"},
    {"Qty <> 5"},
    {"Qty < 0"},
    {"Qty <= -3"},
    {"Qty > 10"},
    {"Qty >= 10"},
    {"Qty <> -7"},
    {"Qty >= +3"},
    {"5 < Qty"},
    {"Qty > 2.5"},
    {"Price = 2.5"},
    {"Price > -5.75"},
    {"Price <= 0"},
    {"Price > .5"},
    {"Price >= 1e1"},
    {"Price < Qty"},
    {"Qty = Price"},
    // Strings
    {"Name = 'Alpha'"},
    {"Name <> 'Alpha'"},
    {"Name < 'beta'"},
    {"Name >= 'a'"},
    {"Name = 'O''Brien'"},
    {"Name = ''"},
    {"Name = '  padded '"},
    {"Name > Code"},
    {"[Name] = 'alpha'"},
    {"name = 'ALPHA'"},
    {"Name = 'Ärger'"},
    {"Name >= 'Ä'"},
    // LIKE
    {"Name LIKE 'A%'"},
    {"Name LIKE '%a'"},
    {"Name LIKE '%ph%'"},
    {"Name LIKE '_l%'"},
    {"Name LIKE '%a_b%'"},
    {"Name LIKE 'a%b'"},
    {"Name LIKE 'a_b'"},
    {"Name LIKE '%'"},
    {"Name LIKE ''"},
    {"Name LIKE '%''%'"},
    {"Name LIKE '___'"},
    {"Name LIKE '%%'"},
    {"Name LIKE '%Ä%'"},
    {"Name LIKE '%_%_%'"},
    {"Name NOT LIKE '%a%'"},
    {"NOT Name LIKE 'A%'"},
    {"Code LIKE 'x_%_'"},
    {"Qty LIKE '1%'"},
    {"Qty LIKE '-_'"},
    {"Name LIKE Code"},
    {"Name NOT LIKE Code"},
    // IN
    {"Qty IN (1, 2, 3)"},
    {"Qty IN (-1, 5.0, 7)"},
    {"NOT Qty IN (1, 2, 3)"},
    {"Qty NOT IN (1, 2, 3)"},
    {"Qty NOT IN (1, 2, NULL)", nullptr, TMode::Exact, true},
    {"Qty IN (1, NULL)"},
    {"Name IN ('Alpha', 'beta', 'O''Brien')"},
    {"NOT Name IN ('Alpha', 'beta')"},
    {"Price IN (2.5, -1.25, 0)"},
    {"Qty IN (Price, 3)"},
    {"Name IN ('x')"},
    // IS [NOT] NULL
    {"Name IS NULL"},
    {"Name IS NOT NULL"},
    {"NOT Qty IS NULL"},
    {"Day IS NULL AND Stamp IS NOT NULL"},
    {"[Start Time] is not null"},
    // Booleans
    {"Flag = TRUE"},
    {"Flag = FALSE"},
    {"Flag <> TRUE"},
    {"Flag = 1"},
    {"Flag = 0"},
    {"Flag = true"},
    {"Flag"},
    {"NOT Flag"},
    {"Flag AND Qty > 0"},
    {"TRUE", nullptr, TMode::Exact, true},
    {"FALSE OR Qty = 1"},
    {"NOT FALSE AND Qty > 3"},
    {"Flag = NULL", nullptr, TMode::Exact, true},
    // Logic and precedence
    {"Qty > 5 AND Price < 10 OR Name LIKE 'A%'"},
    {"Qty > 5 AND (Price < 10 OR Name LIKE 'A%')"},
    {"Name LIKE 'A%' OR Qty > 5 AND Price < 10"},
    {"NOT Qty > 5 AND Price < 10"},
    {"NOT (Qty > 5 AND Price < 10)"},
    {"Qty < 0 OR Qty > 10 AND Flag = 1"},
    {"(Qty < 0 OR Qty > 10) AND Flag = 1"},
    {"NOT NOT Qty = 3"},
    {"((Qty = 1)) OR ((Qty = 2) AND (Price > 0))"},
    {"Qty > 0 and price > 0 Or name like 'a%'"},
    {"NOT (Name IS NULL OR Qty IS NULL)"},
    {"Name <> 'Alpha' OR Qty = 5"},
    {"NOT (Qty = 5)"},
    {"Qty = 5 OR NOT (Price > 0)"},
    {"NOT (Qty = 5 OR Price > 0) AND NOT Flag"},
    {"Qty > 0 AND Qty < 10 AND Price > 0 AND Flag OR Qty = -20 OR Name = 'beta'"},
    // As the grid's filter form and column filters compose them
    {"(Flag = 1) AND (Name LIKE '%a%%')"},
    {"NOT (Name LIKE '%a%' OR Name LIKE 'b%')"},
    {"(Qty IN (1,2,3)) AND (Name IN ('Alpha','beta','Zeta','x'))"},
    {"(Day >= '01.03.2024' AND Day < '01.09.2024') AND (NOT Name LIKE '%e%')",
     "(Day >= '2024-03-01' AND Day < '2024-09-01') AND (NOT Name LIKE '%e%')"},
    // Dates, date-times and times in the locale's formats (or ISO)
    {"Day = '15.03.2024'", "Day = '2024-03-15'"},
    {"Day >= '01.03.2024' AND Day < '01.04.2024'", "Day >= '2024-03-01' AND Day < '2024-04-01'"},
    {"Day < '1.2.2024'", "Day < '2024-02-01'"},
    {"Day > '31.12.24'", "Day > '2024-12-31'"},
    {"Day <> '2024-06-01'"},
    {"Day IN ('15.03.2024', '16.03.2024', '2024-03-17')", "Day IN ('2024-03-15', '2024-03-16', '2024-03-17')"},
    {"NOT Day IN ('15.03.2024')", "NOT Day IN ('2024-03-15')"},
    {"Day IS NULL OR Day > '01.01.2025'", "Day IS NULL OR Day > '2025-01-01'"},
    {"Stamp >= '01.06.2024 12:00' AND Stamp < '10.06.2024'",
     "Stamp >= '2024-06-01 12:00:00' AND Stamp < '2024-06-10 00:00:00'"},
    {"Stamp < '15.02.2024 08:30:15'", "Stamp < '2024-02-15 08:30:15'"},
    {"Stamp > '2024-10-01T06:00:00'", "Stamp > '2024-10-01 06:00:00'"},
    {"Stamp <= '01.10.24 6:00'", "Stamp <= '2024-10-01 06:00:00'"},
    {"[Start Time] < '08:30'", "[Start Time] < '08:30:00'"},
    {"[Start Time] >= '9:05'", "[Start Time] >= '09:05:00'"},
    {"[Start Time] = '10:00:00'"},
    // Ignoring case
    {"Name = 'alpha'", "Name = 'alpha' COLLATE NOCASE", TMode::NoCase},
    {"Name <> 'zeta'", "Name <> 'zeta' COLLATE NOCASE", TMode::NoCase},
    {"Name < 'B'", "Name < 'B' COLLATE NOCASE", TMode::NoCase},
    {"Name >= Code", "Name >= Code COLLATE NOCASE", TMode::NoCase},
    {"Name IN ('ALPHA', 'Beta')", "Name COLLATE NOCASE IN ('ALPHA', 'Beta')", TMode::NoCase},
    {"Name LIKE 'al%'", nullptr, TMode::NoCase},
    {"Name LIKE '%A_B%'", nullptr, TMode::NoCase},
    {"Name NOT LIKE '%O%'", nullptr, TMode::NoCase},
    {"Name LIKE Code", nullptr, TMode::NoCase},
    // Partial compare with "*"
    {"Name = 'Al*'", "Name LIKE 'Al%'"},
    {"Name <> 'Al*'", "Name NOT LIKE 'Al%'"},
    {"'Al*' = Name", "Name LIKE 'Al%'"},
    {"Name = 'O''*'", "Name LIKE 'O''%'"},
    {"Name = '*'", "Name IS NOT NULL"},
    {"Name = 'al*'", "Name LIKE 'al%'", TMode::NoCase},
    {"Name = 'Al*'", nullptr, TMode::NoPartial},
    {"Name <> 'Al*'", nullptr, TMode::NoPartial},
};

void PrintTo(const TOracleCase& c, std::ostream* os)
{
    *os << '"' << c.expression << '"';
}

class FilterOracleTest : public ::testing::TestWithParam<TOracleCase>
{
public:
    static void SetUpTestSuite() { FData = std::make_unique<TOracleData>(); }
    static void TearDownTestSuite() { FData.reset(); }

protected:
    static inline std::unique_ptr<TOracleData> FData;
};

TEST_P(FilterOracleTest, AcceptsTheRowsSQLiteSelects)
{
    ASSERT_TRUE(FData->Error().isEmpty()) << FData->Error().toStdString();
    const TOracleCase& c = GetParam();
    const QString expression = QString::fromUtf8(c.expression);
    const QString sql = QString::fromUtf8(c.sql ? c.sql : c.expression);

    TFilterOptions options;
    if (c.mode == TMode::NoCase)
        options |= zdb::foCaseInsensitive;
    if (c.mode == TMode::NoPartial)
        options |= zdb::foNoPartialCompare;
    ASSERT_TRUE(FData->Exec(c.mode == TMode::NoCase ? QStringLiteral("PRAGMA case_sensitive_like = OFF")
                                                    : QStringLiteral("PRAGMA case_sensitive_like = ON")))
        << FData->Error().toStdString();

    QString error;
    const std::set<qlonglong> expected = FData->Select(sql, &error);
    ASSERT_TRUE(error.isEmpty()) << "SQLite: " << error.toStdString();
    if (!c.trivial) {
        EXPECT_TRUE(!expected.empty() && expected.size() < FData->Rows().size())
            << "the case selects " << expected.size() << " rows: make it discriminate";
    }

    const TFilterExpression filter(expression, QLocale(QLocale::German));
    const std::set<qlonglong> actual = Evaluate(filter, FData->Rows(), options);

    std::set<qlonglong> missing, extra;
    std::set_difference(expected.begin(), expected.end(), actual.begin(), actual.end(),
                        std::inserter(missing, missing.end()));
    std::set_difference(actual.begin(), actual.end(), expected.begin(), expected.end(),
                        std::inserter(extra, extra.end()));
    EXPECT_TRUE(missing.empty() && extra.empty())
        << "rejected but selected by SQLite: " << Ids(missing).toStdString()
        << "\naccepted but not selected by SQLite: " << Ids(extra).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Expressions, FilterOracleTest, ::testing::ValuesIn(KOracleCases),
                         [](const ::testing::TestParamInfo<TOracleCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

// ---------------------------------------------------------------------------
// Records built by hand

using TRecord = QHash<QString, QVariant>;

bool Accepts(const QString& expression, const TRecord& record, TFilterOptions options = {},
             const QLocale& locale = QLocale(QLocale::German))
{
    const TFilterExpression filter(expression, locale);
    return filter.Accept([&record](const QString& name) { return record.value(name); }, options);
}

QString ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    return QStringLiteral("(no error)");
}

struct TMalformedCase
{
    const char* expression;
    const char* message; // the part of the message before " in filter expression: "
};

const TMalformedCase KMalformedCases[] = {
    {"(Qty = 1", "')' expected but end of expression found at position 9"},
    {"((Qty = 1) OR (Qty = 2)", "')' expected but end of expression found at position 24"},
    {"Qty = 1)", "Unexpected ')' at position 8"},
    {"Name = 'abc", "Unterminated string at position 8"},
    {"Name = 'O'Brien'", "Unterminated string at position 16"},
    {"Qty = ", "Operand expected but end of expression found at position 7"},
    {"Qty = 1 AND", "Operand expected but end of expression found at position 12"},
    {"AND Qty = 1", "Operand expected but 'AND' found at position 1"},
    {"Qty = OR 1", "Operand expected but 'OR' found at position 7"},
    {"()", "Operand expected but ')' found at position 2"},
    {"Qty # 1", "Unknown symbol '#' at position 5"},
    {"Qty = 1 Price = 2", "AND, OR or end of expression expected but 'Price' found at position 9"},
    {"Qty = 1 = 2", "AND, OR or end of expression expected but '=' found at position 9"},
    {"Price = 2,5", "AND, OR or end of expression expected but ',' found at position 10"},
    {"[Order Date = 1", "Missing ']' of the field name at position 1"},
    {"[] = 1", "Empty field name at position 1"},
    {"Qty IN 1, 2", "'(' after IN expected but '1' found at position 8"},
    {"Qty IN (1, 2", "',' or ')' expected but end of expression found at position 13"},
    {"Qty IS 5", "NULL expected after IS but '5' found at position 8"},
    {"Name NOT = 'a'", "LIKE or IN expected after NOT but '=' found at position 10"},
    {"Qty = - 'a'", "Number expected after sign but string 'a' found at position 9"},
    {"Name LIKE", "Operand expected but end of expression found at position 10"},
};

TEST(FilterExpressionTest, MalformedExpressionsRaiseWithProblemAndPosition)
{
    for (const TMalformedCase& c : KMalformedCases) {
        const QString expression = QString::fromUtf8(c.expression);
        SCOPED_TRACE(c.expression);
        const QString message = ErrorOf([&] { TFilterExpression filter(expression); });
        EXPECT_EQ(message, QString::fromUtf8(c.message) + QStringLiteral(" in filter expression: ") + expression);
    }
}

TEST(FilterExpressionTest, NestingDeeperThanTheLimitIsRefused)
{
    const auto parenthesised = [](int depth) {
        return QString(depth, QLatin1Char('(')) + QStringLiteral("Qty = 1") + QString(depth, QLatin1Char(')'));
    };
    const auto negated = [](int depth) { return QStringLiteral("NOT ").repeated(depth) + QStringLiteral("Qty = 1"); };
    const TRecord one{{QStringLiteral("Qty"), 1}};
    EXPECT_TRUE(Accepts(parenthesised(zdb::MaxFilterNesting), one));
    EXPECT_TRUE(Accepts(negated(zdb::MaxFilterNesting), one)); // an even number of NOTs
    EXPECT_TRUE(Accepts(QStringLiteral("NOT (").repeated(128) + QStringLiteral("Qty = 1") + QString(128, u')'), one));
    for (const QString& text : {parenthesised(zdb::MaxFilterNesting + 1), negated(zdb::MaxFilterNesting + 1),
                                QStringLiteral("NOT (").repeated(129) + QStringLiteral("Qty = 1") + QString(129, u')'),
                                parenthesised(100000), negated(100000)}) {
        SCOPED_TRACE(text.left(20).toStdString());
        EXPECT_EQ(ErrorOf([&] { TFilterExpression filter(text); }), QStringLiteral("Invalid filter expression: ") + text);
    }
}

TEST(FilterExpressionTest, BlankTextAcceptsEveryRecordWithoutReadingFields)
{
    for (const QString& text : {QString(), QStringLiteral("   \t ")}) {
        const TFilterExpression filter(text);
        EXPECT_TRUE(filter.IsEmpty());
        EXPECT_TRUE(filter.FieldNames().isEmpty());
        int reads = 0;
        EXPECT_TRUE(filter.Accept([&reads](const QString&) {
            ++reads;
            return QVariant();
        }));
        EXPECT_EQ(reads, 0);
    }
    EXPECT_FALSE(TFilterExpression(QStringLiteral("Qty = 1")).IsEmpty());
}

TEST(FilterExpressionTest, FieldNamesInOrderOfFirstAppearance)
{
    const TFilterExpression filter(QStringLiteral(
        "Name = 'x' AND ([Order Date] > '01.01.2024' OR Qty IN (Price, 3)) AND Name LIKE 'a%' AND name IS NULL "
        "AND [Qty] < 5 AND 'Code' = Kind"));
    EXPECT_EQ(filter.FieldNames(), (QStringList{QStringLiteral("Name"), QStringLiteral("Order Date"),
                                                QStringLiteral("Qty"), QStringLiteral("Price"),
                                                QStringLiteral("name"), QStringLiteral("Kind")}));
}

TEST(FilterExpressionTest, ReadsEachFieldOnceAndOnlyWhenNeeded)
{
    const TFilterExpression filter(QStringLiteral("Qty > 1 AND (Name = 'x' OR Qty < 5) AND Price > 0"));
    QStringList reads;
    const TRecord record{{QStringLiteral("Qty"), 3}, {QStringLiteral("Name"), QStringLiteral("y")},
                         {QStringLiteral("Price"), 1.5}};
    const auto values = [&](const QString& name) {
        reads << name;
        return record.value(name);
    };
    EXPECT_TRUE(filter.Accept(values));
    EXPECT_EQ(reads, (QStringList{QStringLiteral("Qty"), QStringLiteral("Name"), QStringLiteral("Price")}));

    reads.clear();
    const TRecord small{{QStringLiteral("Qty"), 0}};
    EXPECT_FALSE(filter.Accept([&](const QString& name) {
        reads << name;
        return small.value(name);
    }));
    EXPECT_EQ(reads, QStringList{QStringLiteral("Qty")});
}

TEST(FilterExpressionTest, PartialCompareWithTrailingStar)
{
    const TRecord abc{{QStringLiteral("Name"), QStringLiteral("Abc")}};
    const TRecord star{{QStringLiteral("Name"), QStringLiteral("Ab*")}};
    const TRecord lower{{QStringLiteral("Name"), QStringLiteral("abc")}};
    const TRecord inner{{QStringLiteral("Name"), QStringLiteral("xAbc")}};
    const TRecord null{{QStringLiteral("Name"), QVariant(QMetaType::fromType<QString>())}};
    const QString equal = QStringLiteral("Name = 'Ab*'");
    const QString notEqual = QStringLiteral("Name <> 'Ab*'");

    EXPECT_TRUE(Accepts(equal, abc));
    EXPECT_TRUE(Accepts(equal, star));
    EXPECT_FALSE(Accepts(equal, lower));
    EXPECT_FALSE(Accepts(equal, inner));
    EXPECT_TRUE(Accepts(equal, lower, zdb::foCaseInsensitive));
    EXPECT_FALSE(Accepts(notEqual, abc));
    EXPECT_TRUE(Accepts(notEqual, inner));
    EXPECT_FALSE(Accepts(equal, null));
    EXPECT_FALSE(Accepts(notEqual, null));

    // With foNoPartialCompare the star is an ordinary character.
    EXPECT_FALSE(Accepts(equal, abc, zdb::foNoPartialCompare));
    EXPECT_TRUE(Accepts(equal, star, zdb::foNoPartialCompare));
    EXPECT_TRUE(Accepts(notEqual, abc, zdb::foNoPartialCompare));
    // Only a trailing star, and only with = and <>.
    EXPECT_FALSE(Accepts(QStringLiteral("Name = '*bc'"), abc));
    EXPECT_FALSE(Accepts(QStringLiteral("Name IN ('Ab*')"), abc));
}

TEST(FilterExpressionTest, NumbersUseADotWhateverTheLocale)
{
    const TRecord record{{QStringLiteral("Price"), 2.5}, {QStringLiteral("Qty"), -3}};
    for (const QLocale& locale : {QLocale(QLocale::German), QLocale(QLocale::French), QLocale::c()}) {
        SCOPED_TRACE(locale.name().toStdString());
        EXPECT_TRUE(Accepts(QStringLiteral("Price = 2.5"), record, {}, locale));
        EXPECT_TRUE(Accepts(QStringLiteral("Price IN (1.5, 2.5)"), record, {}, locale));
        EXPECT_TRUE(Accepts(QStringLiteral("Price > 2.49 AND Price < 2.51"), record, {}, locale));
        EXPECT_TRUE(Accepts(QStringLiteral("Qty = -3 AND Qty < -2.5 AND Qty > -3.5"), record, {}, locale));
        EXPECT_FALSE(Accepts(QStringLiteral("Price = 25"), record, {}, locale));
    }
    // A quoted number converts for a numeric field, also with the locale's comma.
    EXPECT_TRUE(Accepts(QStringLiteral("Price = '2.5'"), record));
    EXPECT_TRUE(Accepts(QStringLiteral("Price = '2,5'"), record));
    EXPECT_TRUE(Accepts(QStringLiteral("Qty = '-3'"), record));
}

TEST(FilterExpressionTest, DateLiteralsInTheGivenLocale)
{
    const TRecord record{{QStringLiteral("Day"), QDate(2024, 12, 31)},
                         {QStringLiteral("Stamp"), QDateTime(QDate(2024, 12, 31), QTime(22, 15, 30))},
                         {QStringLiteral("At"), QTime(22, 15)}};
    const QLocale german(QLocale::German);
    for (const char* text : {"Day = '31.12.2024'", "Day = '31.12.24'", "Day = '2024-12-31'", "Day > '1.1.2024'",
                             "Day = '31.12.2024 00:00'", "Day < '31.12.2024 0:01'", "Day = 'Dienstag, 31. Dezember 2024'",
                             "Stamp > '31.12.2024 22:15' AND Stamp < '31.12.2024 22:15:31'",
                             "Stamp >= '31.12.2024' AND Stamp < '01.01.2025'", "Stamp = '2024-12-31T22:15:30'",
                             "At = '22:15'", "At = '22:15:00'"}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(Accepts(QString::fromUtf8(text), record, {}, german));
    }
    EXPECT_FALSE(Accepts(QStringLiteral("Day = '30.12.2024'"), record, {}, german));
    // A two-digit year lies within 50 years of the current one.
    const int year = QDate::currentDate().year();
    for (const int shift : {-45, -1, 0, 30, 45}) {
        const QDate day(year + shift, 3, 1);
        const QString text = QStringLiteral("Day = '01.03.%1'").arg((year + shift) % 100, 2, 10, QChar(u'0'));
        SCOPED_TRACE(text.toStdString());
        EXPECT_TRUE(Accepts(text, TRecord{{QStringLiteral("Day"), day}}, {}, german));
    }
    EXPECT_FALSE(Accepts(QStringLiteral("Stamp < '31.12.2024 22:15'"), record, {}, german));

    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_TRUE(Accepts(QStringLiteral("Day = '12/31/2024'"), record, {}, us));
    EXPECT_TRUE(Accepts(QStringLiteral("Stamp > '12/31/2024 10:15 PM' AND Stamp < '12/31/2024 10:16 PM'"), record, {},
                        us));
    EXPECT_TRUE(Accepts(QStringLiteral("At = '10:15 PM'"), record, {}, us));
    // In the German locale "12/31/2024" is no date.
    EXPECT_EQ(ErrorOf([&] { Accepts(QStringLiteral("Day = '12/31/2024'"), record, {}, german); }),
              QStringLiteral("'12/31/2024' is not a date in filter expression: Day = '12/31/2024'"));
    EXPECT_EQ(ErrorOf([&] { Accepts(QStringLiteral("Day = '32.12.2024'"), record, {}, german); }),
              QStringLiteral("'32.12.2024' is not a date in filter expression: Day = '32.12.2024'"));
}

TEST(FilterExpressionTest, TypedNullsAndInvalidValuesAreNull)
{
    const TRecord record{{QStringLiteral("Day"), QVariant(QMetaType::fromType<QDate>())},
                         {QStringLiteral("Invalid"), QDate()},
                         {QStringLiteral("Missing"), QVariant()}};
    for (const char* field : {"Day", "Invalid", "Missing"}) {
        SCOPED_TRACE(field);
        const QString name = QString::fromUtf8(field);
        EXPECT_TRUE(Accepts(name + QStringLiteral(" IS NULL"), record));
        EXPECT_FALSE(Accepts(name + QStringLiteral(" IS NOT NULL"), record));
        EXPECT_FALSE(Accepts(name + QStringLiteral(" = '31.12.2024'"), record));
        EXPECT_FALSE(Accepts(QStringLiteral("NOT ") + name + QStringLiteral(" = '31.12.2024'"), record));
        EXPECT_FALSE(Accepts(name + QStringLiteral(" LIKE '%'"), record));
        EXPECT_TRUE(Accepts(name + QStringLiteral(" = '31.12.2024' OR TRUE"), record));
    }
}

TEST(FilterExpressionTest, BooleansCompareWithTrueFalseAndOneZero)
{
    const TRecord on{{QStringLiteral("Flag"), true}};
    const TRecord off{{QStringLiteral("Flag"), false}};
    for (const char* text : {"Flag", "Flag = TRUE", "Flag = 1", "Flag <> 0", "Flag = 'True'", "Flag <> FALSE",
                             "NOT Flag = false", "Flag IN (1, 2)"}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(Accepts(QString::fromUtf8(text), on));
        EXPECT_FALSE(Accepts(QString::fromUtf8(text), off));
    }
}

TEST(FilterExpressionTest, UnconvertibleConstantsAndMismatchedTypesRaise)
{
    const TRecord record{{QStringLiteral("Qty"), 3}, {QStringLiteral("Day"), QDate(2024, 1, 1)},
                         {QStringLiteral("Name"), QStringLiteral("abc")}};
    EXPECT_EQ(ErrorOf([&] { Accepts(QStringLiteral("Qty = 'abc'"), record); }),
              QStringLiteral("'abc' is not a number in filter expression: Qty = 'abc'"));
    EXPECT_EQ(ErrorOf([&] { Accepts(QStringLiteral("Day > 5"), record); }),
              QStringLiteral("Type mismatch: cannot compare a date with a number in filter expression: Day > 5"));
    EXPECT_EQ(ErrorOf([&] { Accepts(QStringLiteral("Day"), record); }),
              QStringLiteral("Type mismatch: a date is not a condition in filter expression: Day"));
    // A field's text that is no number compares as text with a number.
    EXPECT_TRUE(Accepts(QStringLiteral("Name > 5"), record));
    EXPECT_TRUE(Accepts(QStringLiteral("Name <> 5"), record));
}

TEST(FilterExpressionTest, MovesKeepTheCompiledExpression)
{
    TFilterExpression first(QStringLiteral("Qty > 1"));
    TFilterExpression second(std::move(first));
    const TRecord record{{QStringLiteral("Qty"), 2}};
    EXPECT_TRUE(second.Accept([&](const QString& name) { return record.value(name); }));
    TFilterExpression third(QString{});
    third = std::move(second);
    EXPECT_FALSE(third.IsEmpty());
    EXPECT_EQ(third.FieldNames(), QStringList{QStringLiteral("Qty")});
    EXPECT_TRUE(third.Accept([&](const QString& name) { return record.value(name); }));
}

} // namespace
