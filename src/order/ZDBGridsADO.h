#pragma once
// Click-to-sort for ADO queries through their client-side Sort property.
//
// Including this header registers a custom change-order handler for the class
// name "TADOQuery" (compared without a C++ namespace). It applies while the query
// is active and its CursorLocation is clUseClient, and then sets the query's Sort
// to the grid's order fields; otherwise the built-in entry for "TADOQuery"
// rewrites the ORDER BY clause of its SQL.
//
// What the handler uses of the dataset, through the meta-object system:
//   Q_PROPERTY(QString Sort ...)                 read and written (order-fields form)
//   Q_PROPERTY(QStringList SQL ...)              read (the order when Sort is empty)
//   Q_PROPERTY(<enum> CursorLocation ...)        a Q_ENUM whose value is named clUseClient
//                                                for client cursors
// Registration happens once per program however many translation units include
// this header (an inline variable of a registrar type), and is undone when the
// program ends; RegisterADOQuerySortChangeOrder/UnRegisterADOQuerySortChangeOrder
// do it by hand.

#include <QString>

namespace zdb {

class TZCustomDBGrid;

// Sets the grid's TADOQuery's Sort to Sort (empty: the grid's GetOrderFields),
// passed on unchanged, when it differs from the current one. Runs the grid's apply
// protocol without closing the query and without BeginUpdate; a failure sets the
// old Sort again, puts it into the markers and is swallowed. Nothing happens for
// other datasets.
void ChangeADOQuerySort(TZCustomDBGrid* Grid, const QString& Sort);
// The query's Sort, or when that is empty the ORDER BY of its SQL; empty for
// other datasets.
QString CurrentADOQuerySort(TZCustomDBGrid* Grid);

void RegisterADOQuerySortChangeOrder();
void UnRegisterADOQuerySortChangeOrder();

namespace detail {
struct TADOQuerySortRegistrar {
    TADOQuerySortRegistrar() { RegisterADOQuerySortChangeOrder(); }
    ~TADOQuerySortRegistrar() { UnRegisterADOQuerySortChangeOrder(); }
    TADOQuerySortRegistrar(const TADOQuerySortRegistrar&) = delete;
    TADOQuerySortRegistrar& operator=(const TADOQuerySortRegistrar&) = delete;
};
inline TADOQuerySortRegistrar ADOQuerySortRegistrar;
} // namespace detail

} // namespace zdb
