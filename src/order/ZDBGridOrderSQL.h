#pragma once
// What of a grid's order fields may reach the ORDER BY clause of a query.
//
// An order-fields string comes from column titles, from stored settings or from
// the application, and it ends up inside SQL text. Before any of it is written
// into a statement it is rebuilt from the dataset's own fields: every item must
// name a data field of the dataset, so nothing but field names (quoted where the
// server needs it) and the words DESC reaches the server.

#include <QString>
#include <QStringList>

namespace zdb {

class TDataSet;

// The ORDER BY text for OrderFields on DataSet.
//
// Items are separated by "," or ";" (blank items are skipped). An item is a field
// name, optionally followed by blanks and ASC or DESC in any letter case. The name
// is either the field's name as it is (blanks and any other characters included;
// letter case does not matter, as for FindField) or one quoted identifier with
// inner closing quotes doubled: "My ""Col""", `My ``Col``` or [My Col].
//
// While the dataset is closed and has no fields (default fields go with the
// cursor), names are looked up in its FieldDefs, the columns of the last opening.
//
// The field must be a data field (fkData): calculated and lookup fields are not
// columns of the query. The result spells each field by its own FieldName, bare
// when the server reads it back unchanged, else quoted: a dataset that offers the
// invokable method `QString QuoteFieldName(QString)` (TZSQLQuery does, quoting for
// its connection's driver) quotes it; for any other dataset a plain identifier
// (IsPlainSqlIdentifier) stays bare and anything else gets standard double quotes.
// Descending items get " DESC"; the items are joined by ",". An empty or blank
// OrderFields gives an empty string.
//
// Anything else (a name that is no field, a second word, an expression, a comment,
// a quote that does not enclose exactly one identifier) raises EDatabaseError;
// an unknown name with the record-set layer's SFieldNotFound message.
QString SafeSQLOrderFields(TDataSet* DataSet, const QString& OrderFields);

// The order-fields form of an ORDER BY text made by SafeSQLOrderFields: quoted
// names ("...", `...` or [...]) are unquoted, so that the items name fields as the grid does (‹"Full Name" DESC›
// → ‹Full Name DESC›). Other items are returned trimmed and unchanged; items are
// joined by ",".
QString UnquoteSQLOrderFields(const QString& SQLOrderFields);

// ExtractOrderFields and ModifyOrderFields for a statement of our own query
// (TZSQLQuery's entry of the change-order registry): the lines are read as one
// statement, so the ORDER BY of its outermost query is found whatever line it
// stands on, never one inside parentheses, a comment or a string, and the
// clauses that follow it (LIMIT, OFFSET, FETCH, FOR UPDATE ...) stay after it
// (SqlOrderByItems, ReplaceSqlOrderBy in ZDBSQLQuery.h). As with
// ModifyOrderFields, OrderFields is trimmed and "DESC" alone counts as empty.
QString ExtractSQLOrderFields(const QStringList& SQL);
void ModifySQLOrderFields(QStringList& SQL, const QString& OrderFields);

} // namespace zdb
