// The filter-expression parser and evaluator. A text that parses is printed back
// through the translator interface into the filter language; the printed text
// must parse again, name the same fields and give every sample record the same
// verdict (accepted, rejected or an error) with and without case-insensitivity.
// Its SQL translations for both dialects must not fail in any other way.

#include "FuzzUtil.h"

#include "DBError.h"
#include "FilterExpr.h"
#include "FilterSql.h"

#include <QDate>
#include <QDateTime>
#include <QHash>

#include <cmath>

using namespace zdb;

namespace {

// Prints each predicate back in the syntax the parser reads.
class TFilterPrinter : public TFilterTranslator
{
public:
    explicit TFilterPrinter(const QStringList& names) : FNames(names) {}

    std::optional<QString> Compare(TFilterCompare op, const TFilterOperand& left, const TFilterOperand& right, bool,
                                   bool) override
    {
        static const char* const ops[] = {"=", "<>", "<", "<=", ">", ">="};
        return Operand(left) + ' ' + QLatin1String(ops[int(op)]) + ' ' + Operand(right);
    }
    std::optional<QString> Like(const TFilterOperand& value, const TFilterOperand& pattern, bool negated) override
    {
        return Operand(value) + (negated ? " NOT LIKE " : " LIKE ") + Operand(pattern);
    }
    std::optional<QString> In(const TFilterOperand& value, const std::vector<TFilterOperand>& items,
                              bool negated) override
    {
        QStringList list;
        for (const TFilterOperand& item : items)
            list << Operand(item);
        return Operand(value) + (negated ? " NOT IN (" : " IN (") + list.join(", ") + ')';
    }
    std::optional<QString> IsNull(const TFilterOperand& value, bool negated) override
    {
        return Operand(value) + (negated ? " IS NOT NULL" : " IS NULL");
    }
    std::optional<QString> Truth(const TFilterOperand& value) override { return Operand(value); }

private:
    QString Operand(const TFilterOperand& operand) const
    {
        if (operand.Field >= 0) {
            QString name = FNames.value(operand.Field);
            return '[' + name.replace(u']', QStringLiteral("]]")) + ']';
        }
        const QVariant& v = operand.Value;
        if (v.isNull())
            return QStringLiteral("NULL");
        switch (v.typeId()) {
        case QMetaType::Bool:
            return v.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        case QMetaType::LongLong:
            return QString::number(v.toLongLong());
        case QMetaType::Double: {
            const double d = v.toDouble();
            fuzz::Check(std::isfinite(d), "a number constant is finite");
            QString text = QString::number(d, 'g', QLocale::FloatingPointShortest);
            if (!text.contains(u'.') && !text.contains(u'e'))
                text += QStringLiteral(".0");
            return text;
        }
        default: {
            QString text = v.toString();
            return '\'' + text.replace(u'\'', QStringLiteral("''")) + '\'';
        }
        }
    }
    QStringList FNames;
};

using TRecord = QHash<QString, QVariant>;

const std::vector<TRecord>& Records()
{
    static const std::vector<TRecord> records = {
        {{"id", 1}, {"name", "Ann"}, {"price", 9.5}, {"born", QDate(1990, 5, 17)}, {"paid", true},
         {"full name", "Ann Lee"}, {"stamp", QDateTime(QDate(2020, 2, 29), QTime(13, 45))}, {"at", QTime(8, 30)}},
        {{"id", 2}, {"name", "bob*"}, {"price", -3.25}, {"born", QDate(2001, 12, 31)}, {"paid", false},
         {"full name", "10"}, {"stamp", QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59))}, {"at", QTime(0, 0)}},
        {{"id", QVariant()}, {"name", QString("")}, {"price", QVariant()}, {"born", QDate()}, {"paid", QVariant()},
         {"full name", "2001-12-31"}, {"stamp", QVariant()}, {"at", QVariant()}},
    };
    return records;
}

// 0 rejected, 1 accepted, 2 raised EDatabaseError; for each record and option set.
QList<int> Verdicts(const TFilterExpression& expr)
{
    QList<int> verdicts;
    for (const TRecord& record : Records()) {
        const auto values = [&record](const QString& name) { return record.value(name.toLower()); };
        for (TFilterOptions options : {TFilterOptions(), TFilterOptions(foCaseInsensitive)}) {
            try {
                verdicts << (expr.Accept(values, options) ? 1 : 0);
            } catch (const EDatabaseError&) {
                verdicts << 2;
            }
        }
    }
    return verdicts;
}

std::optional<TFilterSqlColumn> Column(const QString& name)
{
    static const QHash<QString, TFilterSqlColumn::TKind> kinds = {
        {"id", TFilterSqlColumn::Integer}, {"name", TFilterSqlColumn::Text},   {"price", TFilterSqlColumn::Float},
        {"born", TFilterSqlColumn::Date},  {"paid", TFilterSqlColumn::Boolean}, {"stamp", TFilterSqlColumn::DateTime},
        {"at", TFilterSqlColumn::Time},    {"full name", TFilterSqlColumn::Text}};
    const auto it = kinds.find(name.toLower());
    if (it == kinds.end())
        return std::nullopt;
    return TFilterSqlColumn{'"' + name + '"', *it};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4096)
        return 0;
    const QString text = fuzz::Text(data, size);
    std::optional<TFilterExpression> expr;
    try {
        expr.emplace(text, QLocale::c());
    } catch (const EDatabaseError&) {
        return 0;
    }
    if (expr->IsEmpty())
        return 0;
    const QList<int> verdicts = Verdicts(*expr);

    // The printer puts every NOT and every junction's operand in parentheses: a text
    // near the nesting limit may print back beyond it.
    if (text.count(u'(') + text.count(QLatin1String("not"), Qt::CaseInsensitive) > MaxFilterNesting / 3)
        return 0;
    TFilterPrinter printer(expr->FieldNames());
    const std::optional<QString> printed = expr->Translate(printer);
    fuzz::Check(printed.has_value(), "every parsed expression prints back", text);
    std::optional<TFilterExpression> again;
    try {
        again.emplace(*printed, QLocale::c());
    } catch (const EDatabaseError& e) {
        fuzz::Fail("the printed expression parses", text + "\n" + *printed + "\n" + e.Message());
    }
    fuzz::Check(again->FieldNames() == expr->FieldNames(), "the printed expression names the same fields",
                text + "\n" + *printed);
    const QList<int> againVerdicts = Verdicts(*again);
    fuzz::Check(againVerdicts == verdicts, "the printed expression gives the same verdicts", text + "\n" + *printed);

    for (TSqlDialect dialect : {TSqlDialect::Sqlite, TSqlDialect::Postgres}) {
        for (TFilterOptions options : {TFilterOptions(), TFilterOptions(foCaseInsensitive)}) {
            TSqlCondition condition;
            try {
                if (AppendFilterCondition(condition, *expr, options, dialect, Column, QStringLiteral("f")))
                    fuzz::Check(!condition.Sql.isEmpty(), "a translated condition has text", text);
                else
                    fuzz::Check(condition.Sql.isEmpty() && condition.Values.isEmpty(),
                                "a refused translation leaves the condition unchanged", text);
            } catch (const EDatabaseError&) {
            }
        }
    }
    return 0;
}
