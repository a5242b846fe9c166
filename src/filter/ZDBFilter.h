#pragma once
// The expression rules of the column filters, independent of any widget.
//
// A column's filter expression is built from one or two clauses (contains,
// is equal, is on the list, ...), each a format applied to the field name, the
// value the user typed and the wildcard. The value is normalised for the field
// type first (CheckFilterText): strings and dates are quoted, lists get their
// items separated as the expression syntax wants, decimal numbers get the
// decimal separator of the expression.
//
// Some rules depend on the kind of the filtered field's dataset: datasets of
// other products (ADO, BDE, client datasets, FireDAC) parse filters in their
// own dialects. The kind is found by the exact class name of the dataset (the
// meta-object class name without its C++ namespace, as the sort registry
// compares it) in the kind lists below; a class named in none of them (our own
// datasets, any descendant of a listed class) takes the dataset layer's syntax.
//
// All captions, formats and kind lists are exported, assignable variables read
// when used, so an application can translate or adjust them before use.

#include "DB.h"
#include "ZDBGridColumns.h"
#include "ZDBFilterPeriods.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace zdb {

class TZColumn;

// ---- Captions and formats -------------------------------------------------

// Captions of the clauses, by ordinal ("contains", "is equal", ...; the first is empty).
extern QString SFilterCaption0, SFilterCaption1, SFilterCaption2, SFilterCaption3, SFilterCaption4,
    SFilterCaption5, SFilterCaption6, SFilterCaption7, SFilterCaption8, SFilterCaption9, SFilterCaption10,
    SFilterCaption11, SFilterCaption12, SFilterCaption13, SFilterCaption14, SFilterCaption15,
    SFilterCaption16;
// Expression formats of the clauses, by ordinal: %0 the field name as written,
// %1 the normalised value, %2 the wildcard ("%0:s LIKE '%2:s%1:s%2:s'").
extern QString SFilterFormat0, SFilterFormat1, SFilterFormat2, SFilterFormat3, SFilterFormat4,
    SFilterFormat5, SFilterFormat6, SFilterFormat7, SFilterFormat8, SFilterFormat9, SFilterFormat10,
    SFilterFormat11, SFilterFormat12, SFilterFormat13, SFilterFormat14, SFilterFormat15, SFilterFormat16;
// fcIsEmpty and fcIsNotEmpty on an ADO dataset ("%0:s = NULL", "%0:s <> NULL").
extern QString SADOFilterFormat15, SADOFilterFormat16;
// Any one character ("_", only shown to the user) and any text ("%", formatted as %2).
extern QString SWildcardCharacter1, SWildcardCharacter2;
// The decimal separator of an expression where the locale's is not used (".").
extern QString SFilterDecimalSeparator;
// The message of a column expression the dataset refused is SInvalidFilterExpression
// ("Invalid filter expression: %s", FilterExpr.h), shared with the dataset layer.

inline constexpr int FilterClauseCount = int(fcIsNotEmpty) + 1;
// The variables above, by clause ordinal.
extern const std::array<QString*, FilterClauseCount> FilterCaptions;
extern const std::array<QString*, FilterClauseCount> FilterFormats;

QString FilterCaption(TZDBGridFilterClause Clause);
// The clause's format; on an ADO dataset fcIsEmpty and fcIsNotEmpty take the ADO formats.
QString FilterFormat(TZDBGridFilterClause Clause, bool ADO = false);

// The LIKE clauses: fcContains .. fcDoesNotEndWith.
bool IsLikeClause(TZDBGridFilterClause Clause);
// fcIsOnTheList and fcIsNotOnTheList.
bool IsListClause(TZDBGridFilterClause Clause);

// ---- Dataset kinds --------------------------------------------------------

// Class names, each followed by ".".
extern QString ADOClassNames; // "TADOTable.TADOQuery.TADODataSet."
extern QString BDEClassNames; // "TTable.TQuery."
extern QString CDSClassNames; // "TClientDataSet.TSimpleDataSet.TBDEClientDataSet.TIBClientDataSet. ..."
extern QString FDXClassNames; // "TFDTable.TFDQuery.TFDMemTable.TADTable.TADQuery.TADMemTable."

// Whether DataSet's own class (not an ancestor) is named in the list.
bool IsDataSetOfKind(const TDataSet* DataSet, const QString& ClassNames);
bool IsADODataSet(const TDataSet* DataSet);
bool IsBDEDataSet(const TDataSet* DataSet);
bool IsCDSDataSet(const TDataSet* DataSet);
bool IsFDXDataSet(const TDataSet* DataSet);

// ---- Rules per dataset kind and field type --------------------------------

// The clauses the filter form offers: Clauses without those DataSet's kind cannot parse
// (ADO: the negated and trailing LIKE clauses and the list clauses; BDE: every LIKE and
// list clause).
TZDBGridFilterClauses GetFilterClauses(TZDBGridFilterClauses Clauses, const TDataSet* DataSet);
// The decimal separator of an expression on DataSet: LocaleDecimal for BDE and client
// datasets, SFilterDecimalSeparator for ADO and FireDAC ones; for any other dataset
// LocaleDecimal when UseLocale (the grid filter's DecimalSeparator), else SFilterDecimalSeparator.
QString GetDecimalSeparator(const TDataSet* DataSet, bool UseLocale, const QString& LocaleDecimal);
// The separator of the items of a value list: ColumnDelimiter (the column's
// DelimiterChar) for strings, a space for decimal numbers when the locale's decimal
// separator is ",", else ",".
QChar GetDelimiterChar(TFieldType DataType, QChar ColumnDelimiter, const QString& LocaleDecimal);

// Field types whose values a filter value list cannot hold (blobs, memos, nested data).
bool BinaryFieldType(TFieldType Type);
// Strings, dates and times: their values are quoted in an expression.
bool IsQuotedFilterType(TFieldType DataType);
// Binary and decimal fractions and currencies: their values get the expression's decimal separator.
bool IsFloatFilterType(TFieldType DataType);

// What the rules need to know about the field a column filters by.
struct TZFilterRules {
    TField* Field = nullptr;     // the filter field; none without a grid, dataset or field
    TFieldType DataType = ftUnknown;
    QString FieldName;           // as written into the expression ("[Last Name]")
    bool ADO = false;            // the field's dataset is of the ADO kind
    QChar Delimiter = QLatin1Char(','); // D: separates the items of a value list
    QString LocaleDecimal = QStringLiteral("."); // L: the locale's decimal separator
    QString Decimal = QStringLiteral(".");       // S: the expression's decimal separator
};

// The filter field of Column: its grid dataset's field named by the column's KeyField.
TField* GetFilterField(const TZColumn* Column);
// Name as written into an expression: "[" + name + "]" when it holds a space.
QString GetFilterFieldName(const QString& FieldName);
// The rules for Column's filter field; the locale is the field's dataset's (TDataSet::Locale).
TZFilterRules FilterRules(const TZColumn* Column);

// Value normalised for Clause (the value as typed, trimmed by the caller):
// 1. list clauses drop the blanks around the delimiters;
// 2. strings, dates and times are quoted ("'a'", lists "'a','b'") except in LIKE
//    clauses, whose formats quote them; apostrophes are left as typed (the expression
//    builder refuses values that hold one);
// 3. decimal numbers take the expression's decimal separator, and their lists ","
//    between items (", " when the expression's decimal separator is ",");
// 4. other values stay as typed.
QString CheckFilterText(TZDBGridFilterClause Clause, const QString& Value, const TZFilterRules& Rules);

// ---- The filter form's expression -----------------------------------------

// The filter form's controls as the expression is built from them and stored
// in the column's FilterData.
struct TZFilterFormState {
    QString ClauseList1Text;  // a clause ordinal ("7"); fcNoFilter when it names none
    QString ClauseList2Text;
    QString ValuesList1Text;
    QString ValuesList2Text;
    QString PeriodListText;
    bool RadioButton1Checked = true; // AND between the clauses, else OR
    bool RadioButton2Checked = false;
    bool NOTCheckBoxChecked = false;  // the whole expression negated
};

// The clause a clause list's text names; fcNoFilter when it names none.
TZDBGridFilterClause FilterClauseOfText(const QString& Text);

// The column expression of the form's state: each clause formatted with its value
// (a clause without a value drops out, except those that take none: fcNoFilter,
// fcIsEmpty and fcIsNotEmpty, whose value texts are cleared in State), joined by
// " AND " or " OR ", the whole in "NOT (...)" when negated; empty when no clause is left.
// A value that would not stand in the expression as a literal raises a database error
// SInvalidFilterExpression with the expression: an apostrophe in a quoted value or a
// LIKE pattern, anything but numbers in a number field's value (list items separated by
// the delimiter, "," or blanks), anything but true, false, 0 or 1 in a boolean field's.
QString BuildFilterExpression(TZFilterFormState& State, const TZFilterRules& Rules);

// The FilterData of the state: the controls' texts and flags as name=value pairs
// ("ClauseList1Text=7", ..., "NOTCheckBoxChecked=0"); none for an empty expression.
QStringList FilterFormData(const TZFilterFormState& State, const QString& Expression);

// The key texts one value of a clause stands for; the value itself when it stands for no other.
using TZFilterKeysOf = std::function<QStringList(const QString& Value)>;

// The state whose equality and list values stand for every key KeysOf gives them:
// a looked-up city shared by several customers is each of their keys. An equality
// with several keys becomes the list clause over them ("is equal" "is on the list",
// "is not equal" "is not on the list"); list items are split and joined by Delimiter.
// Other clauses and values that stand for one key stay as they are.
TZFilterFormState ExpandFilterKeys(const TZFilterFormState& State, const TZFilterKeysOf& KeysOf, QChar Delimiter);

// Confirms the filter form for Column: builds the expression (BuildFilterExpression
// with FilterRules(Column), over the values expanded by KeysOf when given; the
// state stored is the one the user set) and assigns it to the column's FilterText; a non-empty
// expression replaces a value-list filter (FilterList is cleared). When the assignment
// raises (the dataset refuses the expression), the previous FilterText and FilterList are put back and
// a database error SInvalidFilterExpression with the expression is raised. Returns the
// column's new FilterData.
QStringList SaveFilterForm(TZColumn* Column, TZFilterFormState& State, const TZFilterKeysOf& KeysOf = {});

} // namespace zdb
