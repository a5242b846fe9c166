// Client datasets sorted by the grid through a temporary index.

#include "ZDBGridsCDS.h"

#include "DB.h"
#include "ZDBGridOrder.h"
#include "ZDBGrids.h"

#include <QMetaObject>
#include <QVariantMap>

namespace zdb {

const QString CDSGridIndexName = QStringLiteral("TZDBGridIndex");

namespace {

// The class names the handler is registered for, in the order of registration.
const char* const ClientDataSetClasses[] = {"TpFIBClientDataSet", "TBDEClientDataSet", "TSQLClientDataSet",
                                            "TIBClientDataSet",   "TSimpleDataSet",    "TClientDataSet"};

TDataSet* ClientDataSet(TZCustomDBGrid* grid)
{
    TDataSet* dataSet = grid ? grid->DataSet() : nullptr;
    return InheritsClass(dataSet, QStringLiteral("TCustomClientDataSet")) ? dataSet : nullptr;
}

QString StringProperty(TDataSet* dataSet, const char* name)
{
    return GetPropertyValue(dataSet, QLatin1String(name)).toString();
}

void SetIndexName(TDataSet* dataSet, const QString& value)
{
    if (!SetPropertyValue(dataSet, QStringLiteral("IndexName"), value))
        DatabaseError(QStringLiteral("Cannot set the property IndexName"), dataSet);
}

// Calls an invokable method the adapter relies on; raises when the dataset lacks it.
template <typename... TArgs>
void Invoke(TDataSet* dataSet, const char* method, TArgs... args)
{
    if (!QMetaObject::invokeMethod(dataSet, method, Qt::DirectConnection, args...))
        DatabaseError(QStringLiteral("The dataset offers no invokable method %1").arg(QLatin1String(method)),
                      dataSet);
}

QVariantMap FindIndexDef(TDataSet* dataSet, const QString& name)
{
    QVariantMap def;
    Invoke(dataSet, "FindIndexDef", Q_RETURN_ARG(QVariantMap, def), Q_ARG(QString, name));
    return def;
}

QString CurrentOrder(TDataSet* dataSet)
{
    const QString indexName = StringProperty(dataSet, "IndexName");
    if (indexName.isEmpty())
        return SemicolonToComma(StringProperty(dataSet, "IndexFieldNames"));
    const QVariantMap def = FindIndexDef(dataSet, indexName);
    const bool descending = (def.value(QStringLiteral("Options")).toInt() & ixDescending) != 0;
    return UnifyOrderFields(def.value(QStringLiteral("Fields")).toString(),
                            def.value(QStringLiteral("DescFields")).toString(), descending);
}

// Replaces the grid's index by one for OrderFields and selects it. The grid's index
// is deleted even when the application selected another one meanwhile, so that
// adding it again cannot fail as a duplicate.
void ApplyOrder(TDataSet* dataSet, const QString& orderFields)
{
    if (StringProperty(dataSet, "IndexName") == CDSGridIndexName)
        SetIndexName(dataSet, QString());
    if (dataSet->GetActive() && !FindIndexDef(dataSet, CDSGridIndexName).isEmpty())
        Invoke(dataSet, "DeleteIndex", Q_ARG(QString, CDSGridIndexName));
    QString fields, descFields;
    SplitOrderFields(orderFields, fields, descFields);
    if (!dataSet->GetActive() || fields.isEmpty()) {
        SetIndexName(dataSet, QString());
        return;
    }
    Invoke(dataSet, "AddIndex", Q_ARG(QString, CDSGridIndexName), Q_ARG(QString, fields), Q_ARG(int, 0),
           Q_ARG(QString, descFields), Q_ARG(QString, QString()), Q_ARG(int, 0));
    if (dataSet->metaObject()->indexOfMethod("UpdateIndexDefs()") >= 0)
        Invoke(dataSet, "UpdateIndexDefs");
    SetIndexName(dataSet, CDSGridIndexName);
}

} // namespace

void ChangeCDSIndexFields(TZCustomDBGrid* Grid, const QString& OrderFields)
{
    TDataSet* dataSet = ClientDataSet(Grid);
    if (!dataSet)
        return;
    const QString orderFields = OrderFields.isEmpty() ? Grid->GetOrderFields() : OrderFields;
    const QString oldOrder = CurrentOrder(dataSet);
    if (CompareOrderFields(oldOrder, orderFields))
        return;
    Grid->ApplyDataSetOrder([&] { ApplyOrder(dataSet, orderFields); },
                            [&] {
                                ApplyOrder(dataSet, oldOrder);
                                return CurrentOrder(dataSet);
                            },
                            false, false);
}

QString CurrentCDSIndexFields(TZCustomDBGrid* Grid)
{
    TDataSet* dataSet = ClientDataSet(Grid);
    return dataSet ? CurrentOrder(dataSet) : QString();
}

void RegisterCDSIndexFieldsChangeOrder()
{
    for (const char* className : ClientDataSetClasses)
        RegisterCustomChangeOrder(QLatin1String(className), ChangeCDSIndexFields, CurrentCDSIndexFields);
}

void UnRegisterCDSIndexFieldsChangeOrder()
{
    for (auto it = std::rbegin(ClientDataSetClasses); it != std::rend(ClientDataSetClasses); ++it)
        UnRegisterChangeOrder(QLatin1String(*it), coCustomChangeOrder);
}

} // namespace zdb
