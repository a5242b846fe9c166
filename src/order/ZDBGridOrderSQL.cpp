// Order fields made safe for an ORDER BY clause.

#include "ZDBGridOrderSQL.h"

#include "DB.h"
#include "ZDBSQLQuery.h"

#include <QMetaObject>

#include <optional>

namespace zdb {

namespace {

// The items of an order-fields text: split at "," and ";" outside quoted names
// ("...", `...` or [...]), trimmed. Blank items are left out.
QStringList SplitOrderItems(const QString& text)
{
    QStringList items;
    QString current;
    QChar close; // the quote that ends the quoted name we are in; null outside
    for (const QChar c : text) {
        if (!close.isNull()) {
            if (c == close)
                close = QChar(); // a doubled quote leaves and enters again
        } else if (c == QLatin1Char('"') || c == QLatin1Char('`')) {
            close = c;
        } else if (c == QLatin1Char('[')) {
            close = QLatin1Char(']');
        }
        if (close.isNull() && (c == QLatin1Char(',') || c == QLatin1Char(';'))) {
            items << current.trimmed();
            current.clear();
            continue;
        }
        current.append(c);
    }
    items << current.trimmed();
    items.removeAll(QString());
    return items;
}

struct TOrderItem {
    QString Name;            // the name part, trimmed
    bool HasDirection = false;
    bool Descending = false;
};

// Splits a trailing ASC or DESC (any case, after blanks) off an item.
TOrderItem SplitDirection(const QString& item)
{
    TOrderItem result;
    result.Name = item;
    qsizetype blank = item.size() - 1;
    while (blank >= 0 && !item.at(blank).isSpace())
        --blank;
    if (blank <= 0)
        return result;
    const QString word = item.mid(blank + 1);
    const bool asc = word.compare(QLatin1String("ASC"), Qt::CaseInsensitive) == 0;
    const bool desc = word.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
    if (!asc && !desc)
        return result;
    result.Name = item.left(blank).trimmed();
    result.HasDirection = true;
    result.Descending = desc;
    return result;
}

// A name as the dataset knows it: a field, or while the dataset is closed and its
// fields are gone with it, a field definition (the columns of the last opening).
struct TNamedField {
    QString FieldName;
    TFieldKind Kind = fkData;
};

std::optional<TNamedField> FindName(TDataSet* dataSet, const QString& name)
{
    if (TField* field = dataSet->FindField(name))
        return TNamedField{field->GetFieldName(), field->GetFieldKind()};
    if (!dataSet->Active() && dataSet->Fields().Count() == 0)
        if (const TFieldDef* def = dataSet->FieldDefs().Find(name))
            return TNamedField{def->Name, fkData};
    return std::nullopt;
}

// The field a name part stands for: the name as written, else the one quoted identifier.
std::optional<TNamedField> FindOrderField(TDataSet* dataSet, const QString& name)
{
    if (name.isEmpty())
        return std::nullopt;
    if (auto found = FindName(dataSet, name))
        return found;
    QString unquoted;
    if (UnquoteSqlIdentifier(name, unquoted))
        return FindName(dataSet, unquoted);
    return std::nullopt;
}

QString SpellFieldName(TDataSet* dataSet, const QString& fieldName)
{
    const QMetaObject* meta = dataSet->metaObject();
    if (meta->indexOfMethod("QuoteFieldName(QString)") >= 0) {
        QString spelled;
        if (QMetaObject::invokeMethod(dataSet, "QuoteFieldName", Qt::DirectConnection,
                                      Q_RETURN_ARG(QString, spelled), Q_ARG(QString, fieldName))
            && !spelled.isEmpty())
            return spelled;
    }
    return IsPlainSqlIdentifier(fieldName, false) ? fieldName : QuoteSqlIdentifier(fieldName);
}

} // namespace

QString SafeSQLOrderFields(TDataSet* DataSet, const QString& OrderFields)
{
    const QStringList items = SplitOrderItems(OrderFields);
    if (items.isEmpty())
        return QString();
    if (!DataSet)
        DatabaseError(QStringLiteral("Cannot order by '%1' without a dataset").arg(OrderFields.trimmed()));
    QStringList result;
    for (const QString& item : items) {
        TOrderItem parsed = SplitDirection(item);
        std::optional<TNamedField> field = FindOrderField(DataSet, parsed.Name);
        if (!field && parsed.HasDirection && (field = FindOrderField(DataSet, item))) {
            // A field whose name itself ends in "asc" or "desc".
            parsed = TOrderItem{item, false, false};
        }
        if (!field)
            DatabaseErrorFmt(SFieldNotFound, {parsed.Name.isEmpty() ? item : parsed.Name}, DataSet);
        if (field->Kind != fkData)
            DatabaseError(QStringLiteral("Cannot order by field '%1': it is not a column of the query")
                              .arg(field->FieldName),
                          DataSet);
        QString spelled = SpellFieldName(DataSet, field->FieldName);
        if (parsed.Descending)
            spelled += QLatin1String(" DESC");
        result << spelled;
    }
    return result.join(QLatin1Char(','));
}

QString UnquoteSQLOrderFields(const QString& SQLOrderFields)
{
    QStringList result;
    for (const QString& item : SplitOrderItems(SQLOrderFields)) {
        const TOrderItem parsed = SplitDirection(item);
        QString name;
        if (!UnquoteSqlIdentifier(parsed.Name, name)) {
            result << item;
            continue;
        }
        if (parsed.Descending)
            name += QLatin1String(" DESC");
        result << name;
    }
    return result.join(QLatin1Char(','));
}

QString ExtractSQLOrderFields(const QStringList& SQL)
{
    return SqlOrderByItems(SQL.join(QLatin1Char('\n')));
}

void ModifySQLOrderFields(QStringList& SQL, const QString& OrderFields)
{
    QString orderFields = OrderFields.trimmed();
    if (orderFields.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0)
        orderFields.clear();
    const QString text = SQL.join(QLatin1Char('\n'));
    const QString changed = ReplaceSqlOrderBy(text, orderFields);
    if (changed != text)
        SQL = changed.split(QLatin1Char('\n'));
}

} // namespace zdb
