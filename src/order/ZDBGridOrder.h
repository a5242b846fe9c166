#pragma once

// Sort order support of the grid, independent of any widget:
//
// - the order-field algebra: small string functions that convert between the
//   grid's order-fields form ("Name,City DESC"), ";"-separated field lists,
//   index-field strings with direction suffixes and the ORDER BY clause of a
//   query text;
// - the change-order registry: which method changes (and reads) the order of
//   a dataset of a given class: its index-field-names property, the ORDER BY
//   clause of a query text held in a string property, the ORDER BY clause of
//   a query held in a string-list property, or a custom handler.
//
// Dataset classes are matched by their meta-object class name without the C++
// namespace ("zdb::TZSQLQuery" is "TZSQLQuery"); properties are reached by name
// through the meta-object system, so datasets of other libraries take part as
// long as they expose the properties as Q_PROPERTYs.

#include <QMetaObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class QObject;

namespace zdb {

class TDataSet;
class TZCustomDBGrid;

// The separator ScanStr uses when none is given (an assignable tunable,
// defined with the grid's other tunables in ZDBGridTypes.cpp).
extern QString DefaultDelimiter; // ","

// Removes the first token (up to Sep, DefaultDelimiter when empty) from S and
// returns it; S keeps the rest after the separator, and is empty after the last.
QString ScanStr(QString& S, const QString& Sep = QString());
// ScanStr, converted to an integer; Default when the token is not a number.
int ScanInt(QString& S, int Default, const QString& Sep = QString());

QString CommaToSemicolon(const QString& S);
QString SemicolonToComma(const QString& S);

// The next ";"-separated item of Fields starting at the 1-based position Pos,
// with blanks trimmed; Pos is advanced past the separator.
QString ExtractFieldName(const QString& Fields, int& Pos);

// The order fields of the last "ORDER BY " line of a query text, or empty.
QString ExtractOrderFields(const QStringList& SQL);
// Rewrites, removes or appends the ORDER BY clause of a query text.
void ModifyOrderFields(QStringList& SQL, const QString& OrderFields);
// "Name,City DESC" -> Fields "Name;City", DescFields "City".
void SplitOrderFields(const QString& OrderFields, QString& Fields, QString& DescFields);
// The inverse of SplitOrderFields, in comma form; Descending with empty
// DescFields makes every field descending.
QString UnifyOrderFields(const QString& Fields, const QString& DescFields, bool Descending);
// Order fields <-> index-field string; Suffix is a triple "asc;desc;other"
// (e.g. ":A;:D;:N") or empty for " DESC" inside the index-field string.
QString OrderFieldsToIndexFields(const QString& OrderFields, const QString& Suffix);
QString IndexFieldsToOrderFields(const QString& IndexFields, const QString& Suffix);
// Replaces every item naming a field of DataSet by the field's own name, drops
// empty items; FirstOnly processes the first item only.
QString ValidFieldNames(TDataSet* DataSet, const QString& FieldNames, bool FirstOnly);
// Order-fields strings compared item by item, ignoring case and blanks around items.
bool CompareOrderFields(const QString& A, const QString& B);

// How the order of a dataset is changed.
enum TChangeOrder { coChangeIndexFields, coChangeOrderFields, coChangeSQLOrderFields, coCustomChangeOrder };

using TValidChangeOrder = std::function<bool(TDataSet* DataSet, TChangeOrder ChangeOrder)>;
using TCustomChangeOrder = std::function<void(TZCustomDBGrid* DBGrid, const QString& AOrderFields)>;
using TCustomCurrentOrder = std::function<QString(TZCustomDBGrid* DBGrid)>;
// How the order is read from and written into the lines of a query text.
using TExtractOrder = std::function<QString(const QStringList& SQL)>;
using TModifyOrder = std::function<void(QStringList& SQL, const QString& OrderFields)>;

struct TChangeOrderItem {
    // An exact class name, or "*Name": that class and its descendants.
    QString DSClassName;
    TChangeOrder ChangeOrder = coChangeIndexFields;
    // The dataset cannot sort descending by this method.
    bool AscendOnly = false;
    // Decides whether the entry applies to a dataset instance; empty = always.
    TValidChangeOrder IsValid;
    // The property changed; empty = DefaultOrderProperty(ChangeOrder). May be dotted.
    QString PropName;
    // Suffix triple for index-field strings (see OrderFieldsToIndexFields).
    QString Suffix;
    // Only for coCustomChangeOrder.
    TCustomChangeOrder CustomChangeOrder;
    TCustomCurrentOrder CustomCurrentOrder;
    // Only for coChangeOrderFields and coChangeSQLOrderFields: the entry's own
    // reading and rewriting of the query text; empty = ExtractOrderFields and
    // ModifyOrderFields.
    TExtractOrder ExtractOrder;
    TModifyOrder ModifyOrder;
};

// The reading and rewriting of a query text that go together.
struct TQueryOrderText {
    TExtractOrder Extract;
    TModifyOrder Modify;
};

class TChangeOrderList {
public:
    void Add(std::unique_ptr<TChangeOrderItem> Item);             // resets the cache
    // The entry that applies to DataSet: the one found last is tried first,
    // then the entries from the last added to the first; nullptr when none.
    const TChangeOrderItem* Find(TDataSet* DataSet, bool ForChange);
    // How the query text of DataSet is read and rewritten by the method
    // ChangeOrder (coChangeOrderFields or coChangeSQLOrderFields): by the
    // functions of the entry of that method that applies to DataSet (searched
    // as Find does), else by ExtractOrderFields and ModifyOrderFields.
    TQueryOrderText QueryOrderText(TDataSet* DataSet, TChangeOrder ChangeOrder) const;
    // Frees every entry with this exact class name and method.
    void Remove(const QString& ClassName, TChangeOrder ChangeOrder); // resets the cache
    int Count() const;
    const TChangeOrderItem& operator[](int I) const;
    // Index of the entry found last, -1 when none.
    int CacheIndex() const;

private:
    bool Matches(const TChangeOrderItem& Item, TDataSet* DataSet, bool ForChange) const;

    std::vector<std::unique_ptr<TChangeOrderItem>> FItems;
    int FCacheIndex = -1;
};

// The global list, created on first use with the built-in entries.
TChangeOrderList& ChangeOrderList();
// Appends the built-in entries (our own "*TZSQLQuery" first, then the known
// dataset classes) to List; ChangeOrderList() starts this way.
void AddBuiltInChangeOrders(TChangeOrderList& List);
// Adds an entry; coCustomChangeOrder is ignored here (RegisterCustomChangeOrder).
void RegisterChangeOrder(const QString& ClassName, TChangeOrder ChangeOrder, bool AscendOnly = false,
                         TValidChangeOrder IsValid = {}, const QString& PropName = {}, const QString& Suffix = {});
void RegisterCustomChangeOrder(const QString& ClassName, TCustomChangeOrder CustomChangeOrder,
                               TCustomCurrentOrder CustomCurrentOrder, bool AscendOnly = false,
                               TValidChangeOrder IsValid = {});
void UnRegisterChangeOrder(const QString& ClassName, TChangeOrder ChangeOrder);
// "IndexFieldNames" / "CommandText" / "SQL" / "" (custom).
QString DefaultOrderProperty(TChangeOrder ChangeOrder);

// Meta-object helpers (class names are compared without a C++ namespace:
// "zdb::TZSQLQuery" is "TZSQLQuery").
QString PlainClassName(const QMetaObject* Meta);
// True when Object's class or one of its ancestors is named ClassName.
bool InheritsClass(const QObject* Object, const QString& ClassName);
// Path may be dotted ("DataSet.CommandText"): every part before the last names
// a QObject*-valued property that is followed first.
bool HasProperty(const QObject* Object, const QString& Path);
// Invalid QVariant when the property is missing; enumeration values come back
// as the key name of their value (a QString).
QVariant GetPropertyValue(const QObject* Object, const QString& Path);
// False when the property is missing or cannot be written; exceptions thrown
// by the setter pass through.
bool SetPropertyValue(QObject* Object, const QString& Path, const QVariant& Value);

} // namespace zdb
