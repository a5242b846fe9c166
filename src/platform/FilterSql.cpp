#include "FilterSql.h"

#include "ZDBSQLQuery.h"

#include <QDateTime>

#include <cmath>

namespace zdb {

namespace {

bool IsAscii(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

// Code units below the surrogates: ordering by UTF-16 code units and by code
// points agree for every string compared with such a text.
bool BelowSurrogates(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0xD800)
            return false;
    return true;
}

QString TimeText(const QTime& time)
{
    return time.toString(time.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss"));
}

const char* OperatorText(TFilterCompare op)
{
    switch (op) {
    case TFilterCompare::Eq: return " = ";
    case TFilterCompare::Ne: return " <> ";
    case TFilterCompare::Lt: return " < ";
    case TFilterCompare::Le: return " <= ";
    case TFilterCompare::Gt: return " > ";
    case TFilterCompare::Ge: return " >= ";
    }
    return " = ";
}

// The operator seen from the other side: a < b is b > a.
TFilterCompare Mirrored(TFilterCompare op)
{
    switch (op) {
    case TFilterCompare::Lt: return TFilterCompare::Gt;
    case TFilterCompare::Le: return TFilterCompare::Ge;
    case TFilterCompare::Gt: return TFilterCompare::Lt;
    case TFilterCompare::Ge: return TFilterCompare::Le;
    default: return op;
    }
}

bool Ordering(TFilterCompare op)
{
    return op != TFilterCompare::Eq && op != TFilterCompare::Ne;
}

bool IsNumericKind(TFilterSqlColumn::TKind kind)
{
    return kind == TFilterSqlColumn::Integer || kind == TFilterSqlColumn::Float || kind == TFilterSqlColumn::Boolean;
}

// One comparison "Left Op Right".
struct TComparison
{
    QString Left;
    QString Op;
    QString Right;
    QString Text() const { return Left + Op + Right; }
};

class TSqlWriter : public TFilterTranslator
{
public:
    TSqlWriter(TSqlCondition& out, TSqlDialect dialect, TFilterOptions options, const QString& prefix)
        : FOut(out), FDialect(dialect), FCaseInsensitive(options.testFlag(foCaseInsensitive)),
          FPartial(!options.testFlag(foNoPartialCompare)), FPrefix(prefix)
    {
    }

    // Field names by operand index, and their columns.
    void SetFields(const QStringList& names, const TFilterColumnResolver& resolve)
    {
        for (const QString& name : names)
            FColumns.push_back(resolve(name));
    }

    std::optional<QString> Compare(TFilterCompare op, const TFilterOperand& left, const TFilterOperand& right,
                                   bool partial, bool partialRight) override
    {
        if (partial && FPartial) {
            const TFilterOperand& constant = partialRight ? right : left;
            const TFilterOperand& other = partialRight ? left : right;
            const TFilterSqlColumn* column = ColumnOf(other);
            if (!column || column->Kind != TFilterSqlColumn::Text || !constant.PartialPrefix)
                return std::nullopt;
            const std::optional<QString> starts = Pattern(*column, Escaped(*constant.PartialPrefix) + Any());
            if (!starts)
                return std::nullopt;
            return op == TFilterCompare::Eq ? *starts : QStringLiteral("NOT (%1)").arg(*starts);
        }
        if (IsNullConstant(left) || IsNullConstant(right)) {
            // Unknown for every row, whatever the other side holds.
            if ((left.Field >= 0 && !ColumnOf(left)) || (right.Field >= 0 && !ColumnOf(right)))
                return std::nullopt;
            return Unknown();
        }
        if (left.Field >= 0 && right.Field >= 0)
            return CompareColumns(op, left, right);
        if (left.Field >= 0) {
            const std::optional<TComparison> c = CompareColumn(op, left, right);
            return c ? std::optional(c->Text()) : std::nullopt;
        }
        if (right.Field >= 0) {
            const std::optional<TComparison> c = CompareColumn(Mirrored(op), right, left);
            return c ? std::optional(c->Text()) : std::nullopt;
        }
        return std::nullopt;
    }

    std::optional<QString> Like(const TFilterOperand& value, const TFilterOperand& pattern, bool negated) override
    {
        const TFilterSqlColumn* column = ColumnOf(value);
        if (!column || column->Kind != TFilterSqlColumn::Text || pattern.Field >= 0)
            return std::nullopt;
        if (IsNullConstant(pattern))
            return Unknown();
        QString text;
        switch (pattern.Value.typeId()) {
        case QMetaType::QString:
            text = pattern.Value.toString();
            break;
        case QMetaType::LongLong:
            text = QString::number(pattern.Value.toLongLong());
            break;
        default:
            return std::nullopt;
        }
        // "%" and "_" are the wildcards; everything else stands for itself.
        QString translated;
        for (const QChar c : text) {
            if (c == u'%')
                translated += Any();
            else if (c == u'_')
                translated += One();
            else
                translated += Escaped(QString(c));
        }
        const std::optional<QString> match = Pattern(*column, translated, text);
        if (!match)
            return std::nullopt;
        return negated ? QStringLiteral("NOT (%1)").arg(*match) : *match;
    }

    std::optional<QString> In(const TFilterOperand& value, const std::vector<TFilterOperand>& items,
                              bool negated) override
    {
        if (value.Field < 0 || !ColumnOf(value))
            return std::nullopt;
        QString left;
        QStringList rights;
        QStringList alternatives;
        bool sameLeft = true;
        bool withNull = false;
        for (const TFilterOperand& item : items) {
            if (item.Field >= 0)
                return std::nullopt;
            if (IsNullConstant(item)) {
                withNull = true;
                continue;
            }
            const std::optional<TComparison> c = CompareColumn(TFilterCompare::Eq, value, item);
            if (!c)
                return std::nullopt;
            if (rights.isEmpty())
                left = c->Left;
            sameLeft = sameLeft && c->Left == left;
            rights << c->Right;
            alternatives << c->Text();
        }
        QString result;
        if (rights.isEmpty()) {
            result = Unknown();
        } else if (sameLeft) {
            if (withNull)
                rights << QStringLiteral("NULL");
            result = QStringLiteral("%1 IN (%2)").arg(left, rights.join(QStringLiteral(", ")));
        } else {
            if (withNull)
                alternatives << Unknown();
            result = QStringLiteral("(%1)").arg(alternatives.join(QStringLiteral(") OR (")));
        }
        return negated ? QStringLiteral("NOT (%1)").arg(result) : result;
    }

    std::optional<QString> IsNull(const TFilterOperand& value, bool negated) override
    {
        const TFilterSqlColumn* column = ColumnOf(value);
        if (!column)
            return std::nullopt;
        return column->Sql + (negated ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL"));
    }

    std::optional<QString> Truth(const TFilterOperand& value) override
    {
        const TFilterSqlColumn* column = ColumnOf(value);
        if (!column || !IsNumericKind(column->Kind))
            return std::nullopt;
        return NumericSql(*column) + QStringLiteral(" <> 0");
    }

    QString Bind(const QVariant& value)
    {
        const QString name = QStringLiteral(":%1%2").arg(FPrefix).arg(FOut.Values.size() + 1);
        // A null QString is bound as NULL by the drivers: an empty text is not.
        const bool emptyText = value.typeId() == QMetaType::QString && value.toString().isNull();
        FOut.Values.append({name, emptyText ? QVariant(QStringLiteral("")) : value});
        return name;
    }

    // "column IN (...)" for values of the column's kind.
    std::optional<QString> ValueList(const TFilterSqlColumn& column, const QVariantList& values)
    {
        QStringList rights;
        bool withNull = false;
        for (const QVariant& value : values) {
            if (value.isNull()) {
                withNull = true;
                continue;
            }
            std::optional<TComparison> c;
            switch (column.Kind) {
            case TFilterSqlColumn::Text:
            {
                if (value.typeId() != QMetaType::QString || !value.toString().isValidUtf16())
                    return std::nullopt;
                const std::optional<QString> text = Folded(value.toString());
                if (!text)
                    return std::nullopt;
                c = TComparison{TextSql(column, false), QString(), Bind(*text)};
                break;
            }
            case TFilterSqlColumn::Integer:
            case TFilterSqlColumn::Float:
            case TFilterSqlColumn::Boolean: {
                bool ok = false;
                const double d = value.toDouble(&ok);
                if (!ok || !std::isfinite(d) || value.typeId() == QMetaType::QString)
                    return std::nullopt;
                c = NumberComparison(column, TFilterCompare::Eq,
                                     value.typeId() == QMetaType::Double ? QVariant(d) : QVariant(value.toLongLong()));
                break;
            }
            case TFilterSqlColumn::Date:
                if (value.typeId() != QMetaType::QDate)
                    return std::nullopt;
                c = TemporalComparison(column, TFilterCompare::Eq, value.toDate().toString(Qt::ISODate));
                break;
            case TFilterSqlColumn::Time:
                if (value.typeId() != QMetaType::QTime)
                    return std::nullopt;
                c = TemporalComparison(column, TFilterCompare::Eq, TimeText(value.toTime()));
                break;
            case TFilterSqlColumn::DateTime:
                if (value.typeId() != QMetaType::QDateTime)
                    return std::nullopt;
                c = TemporalComparison(column, TFilterCompare::Eq, StampText(value.toDateTime().date(),
                                                                              value.toDateTime().time()));
                break;
            }
            if (!c)
                return std::nullopt;
            rights << c->Right;
        }
        QStringList parts;
        if (!rights.isEmpty()) {
            const QString left = column.Kind == TFilterSqlColumn::Text ? TextSql(column, false)
                                 : IsNumericKind(column.Kind)          ? NumericSql(column)
                                                                       : column.Sql;
            parts << QStringLiteral("%1 IN (%2)").arg(left, rights.join(QStringLiteral(", ")));
        }
        if (withNull)
            parts << column.Sql + QStringLiteral(" IS NULL");
        if (parts.isEmpty())
            return std::nullopt;
        return parts.size() == 1 ? parts.front() : QStringLiteral("(%1) OR (%2)").arg(parts[0], parts[1]);
    }

private:
    bool Sqlite() const { return FDialect == TSqlDialect::Sqlite; }

    static bool IsNullConstant(const TFilterOperand& operand) { return operand.Field < 0 && operand.Value.isNull(); }

    const TFilterSqlColumn* ColumnOf(const TFilterOperand& operand) const
    {
        if (operand.Field < 0 || size_t(operand.Field) >= FColumns.size() || !FColumns[size_t(operand.Field)])
            return nullptr;
        return &*FColumns[size_t(operand.Field)];
    }

    QString Unknown() const
    {
        return Sqlite() ? QStringLiteral("NULL") : QStringLiteral("CAST(NULL AS BOOLEAN)");
    }

    // The column as compared: numbers of every kind as numbers, PostgreSQL NaN as NULL.
    QString NumericSql(const TFilterSqlColumn& column) const
    {
        if (Sqlite())
            return column.Sql;
        if (column.Kind == TFilterSqlColumn::Boolean)
            return QStringLiteral("CAST(%1 AS INTEGER)").arg(column.Sql);
        if (column.Kind == TFilterSqlColumn::Float)
            return QStringLiteral("NULLIF(%1, CAST('NaN' AS DOUBLE PRECISION))").arg(column.Sql);
        return column.Sql;
    }

    // A text column as compared: by code point, with ASCII folded when case-insensitive.
    QString TextSql(const TFilterSqlColumn& column, bool ordering) const
    {
        if (FCaseInsensitive) {
            if (Sqlite())
                return QStringLiteral("lower(replace(replace(%1, char(8490), 'k'), char(383), 's')) COLLATE BINARY")
                    .arg(column.Sql);
            return QStringLiteral("lower(replace(replace(%1, chr(8490), 'k'), chr(383), 's') COLLATE \"C\")")
                .arg(column.Sql);
        }
        if (Sqlite())
            return column.Sql + QStringLiteral(" COLLATE BINARY");
        return ordering ? column.Sql + QStringLiteral(" COLLATE \"C\"") : column.Sql;
    }

    // The constant of a case-insensitive compare, folded; nothing when it is not ASCII.
    std::optional<QString> Folded(const QString& text) const
    {
        if (!FCaseInsensitive)
            return text;
        if (!IsAscii(text))
            return std::nullopt;
        return text.toLower();
    }

    // Pattern pieces: any run, one character, a literal text.
    QString Any() const { return Sqlite() ? QStringLiteral("*") : QStringLiteral("%"); }
    QString One() const { return Sqlite() ? QStringLiteral("?") : QStringLiteral("_"); }
    QString Escaped(const QString& text) const
    {
        QString result;
        for (const QChar c : text) {
            if (Sqlite() && (c == u'*' || c == u'?' || c == u'['))
                result += u'[' + QString(c) + u']';
            else if (!Sqlite() && (c == u'%' || c == u'_' || c == u'!'))
                result += u'!' + QString(c);
            else
                result += c;
        }
        return result;
    }

    // The column matched against a pattern made of the pieces above; source is the
    // text the pattern stands for (checked for what the match can express).
    std::optional<QString> Pattern(const TFilterSqlColumn& column, const QString& pattern,
                                   const QString& source = QString())
    {
        if (!pattern.isValidUtf16() || (FCaseInsensitive && (!IsAscii(pattern) || !IsAscii(source))))
            return std::nullopt;
        const QString bound = Bind(FCaseInsensitive ? pattern.toLower() : pattern);
        if (Sqlite())
            return QStringLiteral("%1 GLOB %2").arg(FCaseInsensitive ? TextSql(column, false) : column.Sql, bound);
        return QStringLiteral("%1 LIKE %2 ESCAPE '!'").arg(TextSql(column, false), bound);
    }

    std::optional<TComparison> NumberComparison(const TFilterSqlColumn& column, TFilterCompare op,
                                                const QVariant& number)
    {
        if (number.typeId() == QMetaType::Double && !std::isfinite(number.toDouble()))
            return std::nullopt;
        return TComparison{NumericSql(column), QString::fromLatin1(OperatorText(op)), Bind(number)};
    }

    QString StampText(const QDate& date, const QTime& time) const
    {
        return date.toString(Qt::ISODate) + u' ' + TimeText(time);
    }

    std::optional<TComparison> TemporalComparison(const TFilterSqlColumn& column, TFilterCompare op,
                                                  const QString& text)
    {
        // Years outside 1..9999 do not order as texts.
        if (column.Kind != TFilterSqlColumn::Time && (text.size() < 10 || !text.at(0).isDigit() || text.at(4) != u'-'))
            return std::nullopt;
        QString right = Bind(text);
        if (!Sqlite()) {
            const char* type = column.Kind == TFilterSqlColumn::Date ? "DATE"
                               : column.Kind == TFilterSqlColumn::Time ? "TIME"
                                                                       : "TIMESTAMP";
            right = QStringLiteral("CAST(%1 AS %2)").arg(right, QLatin1String(type));
        }
        return TComparison{column.Sql, QString::fromLatin1(OperatorText(op)), right};
    }

    // A column compared with a constant, as the evaluator compares a value of the
    // column's type with it.
    std::optional<TComparison> CompareColumn(TFilterCompare op, const TFilterOperand& field,
                                             const TFilterOperand& constant)
    {
        const TFilterSqlColumn* column = ColumnOf(field);
        if (!column || constant.Field >= 0 || constant.Value.isNull())
            return std::nullopt;
        const int type = constant.Value.typeId();
        const bool isString = type == QMetaType::QString;
        switch (column->Kind) {
        case TFilterSqlColumn::Text: {
            if (!isString)
                return std::nullopt;
            const QString text = constant.Value.toString();
            if (!text.isValidUtf16() || (Ordering(op) && !BelowSurrogates(text)))
                return std::nullopt;
            const std::optional<QString> folded = Folded(text);
            if (!folded)
                return std::nullopt;
            return TComparison{TextSql(*column, Ordering(op)), QString::fromLatin1(OperatorText(op)), Bind(*folded)};
        }
        case TFilterSqlColumn::Integer:
        case TFilterSqlColumn::Float:
        case TFilterSqlColumn::Boolean: {
            QVariant number;
            if (type == QMetaType::Bool)
                number = qlonglong(constant.Value.toBool() ? 1 : 0);
            else if (!isString)
                number = constant.Value;
            else if (column->Kind == TFilterSqlColumn::Boolean && constant.Boolean)
                number = qlonglong(*constant.Boolean ? 1 : 0);
            else
                number = constant.Number;
            if (number.isNull())
                return std::nullopt;
            return NumberComparison(*column, op, number);
        }
        case TFilterSqlColumn::Date:
            if (!isString)
                return std::nullopt;
            if (constant.Date)
                return TemporalComparison(*column, op, constant.Date->toString(Qt::ISODate));
            if (constant.DateTime && constant.DateTime->second.msecsSinceStartOfDay() == 0)
                return TemporalComparison(*column, op, constant.DateTime->first.toString(Qt::ISODate));
            return std::nullopt;
        case TFilterSqlColumn::DateTime:
            if (!isString)
                return std::nullopt;
            if (constant.DateTime)
                return TemporalComparison(*column, op, StampText(constant.DateTime->first, constant.DateTime->second));
            if (constant.Date)
                return TemporalComparison(*column, op, StampText(*constant.Date, QTime(0, 0)));
            return std::nullopt;
        case TFilterSqlColumn::Time:
            if (!isString || !constant.Time)
                return std::nullopt;
            return TemporalComparison(*column, op, TimeText(*constant.Time));
        }
        return std::nullopt;
    }

    std::optional<QString> CompareColumns(TFilterCompare op, const TFilterOperand& left, const TFilterOperand& right)
    {
        const TFilterSqlColumn* a = ColumnOf(left);
        const TFilterSqlColumn* b = ColumnOf(right);
        if (!a || !b)
            return std::nullopt;
        const QString opText = QString::fromLatin1(OperatorText(op));
        if (IsNumericKind(a->Kind) && IsNumericKind(b->Kind))
            return NumericSql(*a) + opText + NumericSql(*b);
        if (a->Kind == TFilterSqlColumn::Text && b->Kind == TFilterSqlColumn::Text) {
            if (Ordering(op) || FCaseInsensitive)
                return std::nullopt;
            return TextSql(*a, false) + opText + b->Sql;
        }
        if (a->Kind == b->Kind && (a->Kind == TFilterSqlColumn::Date || a->Kind == TFilterSqlColumn::Time
                                   || a->Kind == TFilterSqlColumn::DateTime))
            return a->Sql + opText + b->Sql;
        return std::nullopt;
    }

    TSqlCondition& FOut;
    TSqlDialect FDialect;
    bool FCaseInsensitive;
    bool FPartial;
    QString FPrefix;
    std::vector<std::optional<TFilterSqlColumn>> FColumns;
};

void AppendCondition(TSqlCondition& into, const QString& sql)
{
    into.Sql = into.Sql.isEmpty() ? sql : QStringLiteral("(%1) AND (%2)").arg(into.Sql, sql);
}

} // namespace

bool AppendFilterCondition(TSqlCondition& into, const TFilterExpression& expression, TFilterOptions options,
                           TSqlDialect dialect, const TFilterColumnResolver& resolve, const QString& paramPrefix)
{
    TSqlCondition result = into;
    TSqlWriter writer(result, dialect, options, paramPrefix);
    writer.SetFields(expression.FieldNames(), resolve);
    const std::optional<QString> condition = expression.Translate(writer);
    if (!condition)
        return false;
    AppendCondition(result, *condition);
    into = std::move(result);
    return true;
}

bool AppendValueListCondition(TSqlCondition& into, const TFilterSqlColumn& column, const QVariantList& values,
                              TSqlDialect dialect, const QString& paramPrefix, TFilterOptions options)
{
    TSqlCondition result = into;
    TSqlWriter writer(result, dialect, options, paramPrefix);
    const std::optional<QString> condition = writer.ValueList(column, values);
    if (!condition)
        return false;
    AppendCondition(result, *condition);
    into = std::move(result);
    return true;
}

std::optional<QString> FilteredStatement(
    const QString& sql, const QString& condition,
    const std::function<std::optional<QString>(const QString& name, bool quoted)>& resultColumn)
{
    const QString statement = StripSqlTerminator(sql);
    const TSqlSelectInfo info = AnalyzeSelect(statement);
    if (!info.IsSelect || info.Locking)
        return std::nullopt;
    QStringList order;
    const QString items = SqlOrderByItems(statement);
    if (!items.isEmpty()) {
        // Each item: a result column or a position, then ASC/DESC and NULLS FIRST/LAST.
        QString item;
        bool named = false;
        const std::vector<TSqlToken> tokens = TokenizeSql(items);
        for (size_t i = 0; i <= tokens.size(); ++i) {
            if (i == tokens.size() || (tokens[i].Kind == TSqlToken::tkSymbol && tokens[i].Text == QLatin1String(","))) {
                if (!named)
                    return std::nullopt;
                order << item;
                item.clear();
                named = false;
                continue;
            }
            const TSqlToken& token = tokens[i];
            if (!named) {
                if (token.Kind == TSqlToken::tkNumber) {
                    item = token.Text;
                } else if (token.Kind == TSqlToken::tkWord || token.Kind == TSqlToken::tkQuoted) {
                    const std::optional<QString> column = resultColumn(token.Text, token.Kind == TSqlToken::tkQuoted);
                    if (!column)
                        return std::nullopt;
                    item = *column;
                } else {
                    return std::nullopt;
                }
                named = true;
                continue;
            }
            static const QStringList modifiers = {QStringLiteral("ASC"), QStringLiteral("DESC"),
                                                  QStringLiteral("NULLS"), QStringLiteral("FIRST"),
                                                  QStringLiteral("LAST")};
            if (token.Kind != TSqlToken::tkWord || !modifiers.contains(token.Text.toUpper()))
                return std::nullopt;
            item += u' ' + token.Text.toUpper();
        }
    }
    // The inner order is needed only for the rows a LIMIT, OFFSET or FETCH picks; without it
    // the servers can merge the two queries into one (SQLite does not when both are ordered).
    QString inner = statement;
    if (!order.isEmpty()) {
        bool picks = false;
        for (const TSqlToken& token : TokenizeSql(statement))
            if (token.Depth == 0 && token.Kind == TSqlToken::tkWord
                && QStringList({"LIMIT", "OFFSET", "FETCH", "TOP"}).contains(token.Text.toUpper()))
                picks = true;
        if (!picks)
            inner = ReplaceSqlOrderBy(statement, QString());
    }
    QString result = QStringLiteral("SELECT * FROM (\n%1\n) AS zdb_filter_q\nWHERE %2").arg(inner, condition);
    if (!order.isEmpty())
        result += QStringLiteral("\nORDER BY ") + order.join(QStringLiteral(", "));
    return result;
}

} // namespace zdb
