// TZSQLQuery: filters answered by the server (see "Filtering on the server" in
// ZDBSQLQuery.h).

#include "ZDBSQLQuery.h"

#include "DBError.h"

#include <QCoreApplication>
#include <QSqlDriver>
#include <QSqlField>

#include <algorithm>

namespace zdb {

namespace {

const QString FilterParamPrefix = QStringLiteral("zdb_filter_value_");

// PostgreSQL type OIDs whose values compare on the server as the client compares them.
std::optional<TFilterSqlColumn::TKind> PostgresKind(int oid)
{
    switch (oid) {
    case 25:   // text
    case 1043: // varchar
        return TFilterSqlColumn::Text;
    case 20: // int8
    case 21: // int2
    case 23: // int4
        return TFilterSqlColumn::Integer;
    case 700:  // float4
    case 701:  // float8
    case 1700: // numeric
        return TFilterSqlColumn::Float;
    case 16: return TFilterSqlColumn::Boolean;
    case 1082: return TFilterSqlColumn::Date;
    case 1083: return TFilterSqlColumn::Time;
    case 1114: return TFilterSqlColumn::DateTime; // timestamp without time zone
    default: return std::nullopt;
    }
}

std::optional<TFilterSqlColumn::TKind> FieldKind(TFieldType type)
{
    switch (type) {
    case ftString:
    case ftWideString:
    case ftFixedChar:
    case ftFixedWideChar:
    case ftMemo:
    case ftWideMemo:
        return TFilterSqlColumn::Text;
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
    case ftAutoInc:
        return TFilterSqlColumn::Integer;
    case ftFloat:
    case ftCurrency:
        return TFilterSqlColumn::Float;
    case ftBoolean: return TFilterSqlColumn::Boolean;
    case ftDate: return TFilterSqlColumn::Date;
    case ftTime: return TFilterSqlColumn::Time;
    case ftDateTime: return TFilterSqlColumn::DateTime;
    default: return std::nullopt;
    }
}

bool SameText(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

void TZSQLQuery::SetServerFiltering(bool value)
{
    FServerFiltering = value;
}

bool TZSQLQuery::ServerFilterActive() const
{
    return FServerFilter != nullptr;
}

bool TZSQLQuery::ServerFilterComplete() const
{
    return FServerFilter && FServerFilter->Complete;
}

bool TZSQLQuery::ClientFilterActive() const
{
    return RecordFilterActive() && !ServerFilterComplete();
}

QString TZSQLQuery::RunStatementText() const
{
    return FServerFilter ? FServerFilter->Statement : StatementText();
}

QString TZSQLQuery::CountStatementText() const
{
    return QStringLiteral("SELECT COUNT(*) FROM (\n%1\n) AS zdb_count_q").arg(SqlUnorderedText(RunStatementText()));
}

QList<QPair<QString, QVariant>> TZSQLQuery::ServerFilterValues() const
{
    return FServerFilter ? FServerFilter->Condition.Values : QList<QPair<QString, QVariant>>();
}

QVariant TZSQLQuery::RunParamValue(const QString& name) const
{
    if (FServerFilter && name.startsWith(FilterParamPrefix))
        for (const auto& value : FServerFilter->Condition.Values)
            if (QStringView(value.first).mid(1) == name)
                return value.second;
    return FParams.ParamByName(name).Value();
}

std::unique_ptr<TZSQLQuery::TServerFilter> TZSQLQuery::MakeServerFilter(const QMap<QString, QStringList>& lists) const
{
    const QSqlDatabase db = Connection();
    const bool postgres = db.driver() && db.driver()->dbmsType() == QSqlDriver::PostgreSQL;
    if (!FCursorOpen || (!FSqlite && !postgres))
        return nullptr;
    const TSqlDialect dialect = FSqlite ? TSqlDialect::Sqlite : TSqlDialect::Postgres;

    // A result column by its field name: one that the outer query names unambiguously,
    // typed as the server stores it.
    const TFieldDefs& defs = const_cast<TZSQLQuery*>(this)->FieldDefs();
    const auto column = [&](const QString& name) -> std::optional<TFilterSqlColumn> {
        int index = -1;
        for (int i = 0; i < FRecord.count(); ++i) {
            if (FRecord.fieldName(i).compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (index >= 0)
                return std::nullopt;
            index = i;
        }
        if (index < 0 || index >= defs.Count() || defs[index].Name != FRecord.fieldName(index))
            return std::nullopt;
        const TField* field = FindField(FRecord.fieldName(index));
        if (!field || field->GetFieldKind() != fkData || field->DataType() != defs[index].DataType)
            return std::nullopt;
        std::optional<TFilterSqlColumn::TKind> kind = FieldKind(field->DataType());
        // A type given by SetFieldType reads the stored values as the server compares
        // them only when it is of the same kind (a TEXT column shown as a sized string,
        // an integer of another width); a date read from text, say, is the client's.
        if (FFieldTypes.count(FRecord.fieldName(index).toUpper()) && FieldKind(StoredFieldType(index)) != kind)
            return std::nullopt;
        if (kind && postgres && PostgresKind(FRecord.field(index).typeID()) != kind
            && !(kind == TFilterSqlColumn::Integer && FRecord.field(index).typeID() == 1700))
            kind.reset();
        if (!kind)
            return std::nullopt;
        return TFilterSqlColumn{QuoteFieldName(FRecord.fieldName(index)), *kind};
    };

    auto filter = std::make_unique<TServerFilter>();
    for (auto it = lists.begin(); it != lists.end(); ++it) {
        const TField* field = FindField(it.key());
        const std::optional<TFilterSqlColumn> target = field ? column(field->GetFieldName()) : std::nullopt;
        if (!target || field->OnGetText)
            return nullptr;
        // Each text stands for the one value whose edit text it is (ignoring case, which
        // a text column's condition ignores too); a value the edit text does not tell
        // apart from others (rounded, a part of a date left out) cannot go to the server.
        QVariantList values;
        for (const QString& text : it.value()) {
            QVariant value;
            try {
                value = field->ConvertText(text);
            } catch (const EDatabaseError&) {
                return nullptr;
            }
            if (!SameText(field->EditTextOf(value), text) || target->Kind == TFilterSqlColumn::Float
                || target->Kind == TFilterSqlColumn::Time || target->Kind == TFilterSqlColumn::DateTime)
                return nullptr;
            if (target->Kind == TFilterSqlColumn::Date && !value.isNull()) {
                const QDate date = value.toDate();
                for (const QDate& other : {date.addDays(1), date.addMonths(1), date.addYears(1), date.addYears(100)})
                    if (SameText(field->EditTextOf(other), text))
                        return nullptr;
            }
            values << value;
            if (text.isEmpty() && !value.isNull())
                values << QVariant(); // an empty edit text is also the text of NULL
        }
        if (!AppendValueListCondition(filter->Condition, *target, values, dialect, FilterParamPrefix,
                                      TFilterOptions(foCaseInsensitive)))
            return nullptr;
    }
    const QString text = GetFilter();
    bool complete = !OnFilterRecord && (FServerFiltering || text.trimmed().isEmpty());
    if (FServerFiltering && !OnFilterRecord && !text.trimmed().isEmpty()) {
        try {
            const TFilterExpression expression(text, Locale());
            complete = AppendFilterCondition(
                filter->Condition, expression, GetFilterOptions(), dialect,
                [&](const QString& name) -> std::optional<TFilterSqlColumn> {
                    const TField* field = FindField(name);
                    return field ? column(field->GetFieldName()) : std::nullopt;
                },
                FilterParamPrefix);
        } catch (const EDatabaseError&) {
            complete = false; // a malformed text is refused on the client
        }
    }
    if (filter->Condition.Sql.isEmpty())
        return nullptr;
    const std::optional<QString> statement =
        FilteredStatement(StatementText(), filter->Condition.Sql, [&](const QString& name, bool quoted) {
            for (int i = 0; i < FRecord.count(); ++i) {
                const QString result = FRecord.fieldName(i);
                // A bare name: SQLite matches it in any case, PostgreSQL folds it to lower case.
                const bool same = quoted    ? result == name
                                  : FSqlite ? result.compare(name, Qt::CaseInsensitive) == 0
                                            : result == name.toLower();
                if (same)
                    return column(result) ? std::optional(QuoteFieldName(result)) : std::nullopt;
            }
            return std::optional<QString>();
        });
    if (!statement)
        return nullptr;
    filter->Statement = *statement;
    filter->Complete = complete;
    return filter;
}

bool TZSQLQuery::ValueListsFiltering() const
{
    return GetFiltered() && FServerFilter && !FValueLists.isEmpty();
}

bool TZSQLQuery::ValueListsAccept(TRecordBuffer buffer)
{
    if (!ValueListsFiltering())
        return true;
    TTempBufferState temp(this, dsFilter, buffer);
    for (auto it = FValueLists.begin(); it != FValueLists.end(); ++it) {
        const TField* field = FindField(it.key());
        const QString text = field ? field->GetEditText() : QString();
        if (std::none_of(it->begin(), it->end(), [&](const QString& item) { return SameText(item, text); }))
            return false;
    }
    return true;
}

void TZSQLQuery::ApplyServerFilter()
{
    std::unique_ptr<TServerFilter> next = GetFiltered() ? MakeServerFilter(FValueLists) : nullptr;
    if (!next && GetFiltered() && !FValueLists.isEmpty())
        DatabaseError(QCoreApplication::translate("zdb", "The filter value lists cannot be applied to this statement"), this);
    const bool same = next && FServerFilter ? next->Statement == FServerFilter->Statement
                                                  && next->Condition == FServerFilter->Condition
                                                  && next->Complete == FServerFilter->Complete
                                            : !next && !FServerFilter;
    if (same)
        return;
    const bool wasFiltered = FServerFilter != nullptr;
    FServerFilter = std::move(next);
    try {
        ReopenSource();
    } catch (const EDatabaseError&) {
        if (!FServerFilter || !FValueLists.isEmpty())
            throw;
        // The server refused the condition: the client filters the statement's rows.
        FServerFilter.reset();
        if (wasFiltered)
            ReopenSource();
    }
}

bool TZSQLQuery::SetFilterValueLists(const QMap<QString, QStringList>& lists)
{
    QMap<QString, QStringList> kept;
    for (auto it = lists.begin(); it != lists.end(); ++it)
        if (!it.value().isEmpty())
            kept.insert(it.key(), it.value());
    if (kept == FValueLists)
        return true;
    if (!kept.isEmpty() && !MakeServerFilter(kept))
        return false;
    if (GetActive())
        CheckBrowseMode();
    FValueLists = kept;
    if (GetActive() && GetFiltered()) {
        ApplyServerFilter();
        First();
    }
    return true;
}

} // namespace zdb
