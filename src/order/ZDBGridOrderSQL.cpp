// Order fields made safe for an ORDER BY clause.

#include "ZDBGridOrderSQL.h"

#include "DB.h"
#include "ZDBSQLQuery.h"

#include <QMetaObject>

#include <optional>

namespace zdb {

namespace {

// The items of an order-fields text: split at "," and ";" outside double quotes,
// trimmed. Blank items are left out.
QStringList SplitOrderItems(const QString& text)
{
    QStringList items;
    QString current;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted; // a doubled quote toggles twice and stays inside
        if (!quoted && (c == QLatin1Char(',') || c == QLatin1Char(';'))) {
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

// The field a name part stands for: the name as written, else the one quoted identifier.
TField* FindOrderField(TDataSet* dataSet, const QString& name)
{
    if (name.isEmpty())
        return nullptr;
    if (TField* field = dataSet->FindField(name))
        return field;
    QString unquoted;
    if (name.startsWith(QLatin1Char('"')) && UnquoteSqlIdentifier(name, unquoted))
        return dataSet->FindField(unquoted);
    return nullptr;
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
        TField* field = FindOrderField(DataSet, parsed.Name);
        if (!field && parsed.HasDirection && (field = FindOrderField(DataSet, item))) {
            // A field whose name itself ends in "asc" or "desc".
            parsed = TOrderItem{item, false, false};
        }
        if (!field)
            DatabaseErrorFmt(SFieldNotFound, {parsed.Name.isEmpty() ? item : parsed.Name}, DataSet);
        if (field->GetFieldKind() != fkData)
            DatabaseError(QStringLiteral("Cannot order by field '%1': it is not a column of the query")
                              .arg(field->GetFieldName()),
                          DataSet);
        QString spelled = SpellFieldName(DataSet, field->GetFieldName());
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

} // namespace zdb
