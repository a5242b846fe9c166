#pragma once
// Click-to-sort for client datasets through a temporary index.
//
// Client datasets (classes named "TClientDataSet", "TSimpleDataSet",
// "TBDEClientDataSet", "TSQLClientDataSet", "TIBClientDataSet" and
// "TpFIBClientDataSet", compared without a C++ namespace) sort descending only
// through an index definition, not through IndexFieldNames. Including this header
// registers a custom change-order handler for each of these class names (found
// before the built-in IndexFieldNames entries, which are ascending only); the
// handler replaces the index "TZDBGridIndex" with one made from the grid's order
// fields and selects it by IndexName.
//
// The handler works with any QObject dataset whose class, or an ancestor, is named
// "TCustomClientDataSet" and that offers, through the meta-object system:
//   Q_PROPERTY(QString IndexName ...)               read and written
//   Q_PROPERTY(QString IndexFieldNames ...)         read (the order when IndexName is empty)
//   Q_INVOKABLE void AddIndex(QString name, QString fields, int options, QString descFields,
//                             QString caseInsFields, int groupingLevel)   options: TIndexOption bits
//   Q_INVOKABLE void DeleteIndex(QString name)
//   Q_INVOKABLE QVariantMap FindIndexDef(QString name)   "Fields", "DescFields" and "Options"
//                                                        (TIndexOption bits); empty when none
//   Q_INVOKABLE void UpdateIndexDefs()                   optional; called after AddIndex
// TZMemDataSet offers all of these, so a TClientDataSet derived from a
// TCustomClientDataSet derived from it sorts this way.
//
// Registration happens once per program however many translation units include
// this header (an inline variable of a registrar type), and is undone when the
// program ends; RegisterCDSIndexFieldsChangeOrder/UnRegisterCDSIndexFieldsChangeOrder
// do it by hand.

#include <QString>

namespace zdb {

class TZCustomDBGrid;

// The name of the index the handler creates.
extern const QString CDSGridIndexName; // "TZDBGridIndex"

// Applies OrderFields (empty: the grid's GetOrderFields) to the grid's client
// dataset through the index "TZDBGridIndex". Nothing happens for other datasets
// or when the order is already in force. Runs the grid's apply protocol without
// closing the dataset and without BeginUpdate; a failure applies the old order
// again, puts it into the markers and is swallowed.
void ChangeCDSIndexFields(TZCustomDBGrid* Grid, const QString& OrderFields);
// The client dataset's order in order-fields form: of the index named by IndexName
// (its fields, " DESC" for its descending fields, all of them with ixDescending),
// else IndexFieldNames with ";" turned into ","; empty for other datasets.
QString CurrentCDSIndexFields(TZCustomDBGrid* Grid);

void RegisterCDSIndexFieldsChangeOrder();
void UnRegisterCDSIndexFieldsChangeOrder();

namespace detail {
struct TCDSIndexFieldsRegistrar {
    TCDSIndexFieldsRegistrar() { RegisterCDSIndexFieldsChangeOrder(); }
    ~TCDSIndexFieldsRegistrar() { UnRegisterCDSIndexFieldsChangeOrder(); }
    TCDSIndexFieldsRegistrar(const TCDSIndexFieldsRegistrar&) = delete;
    TCDSIndexFieldsRegistrar& operator=(const TCDSIndexFieldsRegistrar&) = delete;
};
inline TCDSIndexFieldsRegistrar CDSIndexFieldsRegistrar;
} // namespace detail

} // namespace zdb
