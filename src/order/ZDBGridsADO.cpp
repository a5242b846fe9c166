// ADO queries sorted by the grid through their client-side Sort property.

#include "ZDBGridsADO.h"

#include "DB.h"
#include "ZDBGridOrder.h"
#include "ZDBGrids.h"

namespace zdb {

namespace {

// A function rather than a global: registration runs during static initialisation.
QString ADOQueryClass()
{
    return QStringLiteral("TADOQuery");
}

TDataSet* ADOQuery(TZCustomDBGrid* grid)
{
    TDataSet* dataSet = grid ? grid->DataSet() : nullptr;
    return InheritsClass(dataSet, ADOQueryClass()) ? dataSet : nullptr;
}

QString CurrentSort(TDataSet* query)
{
    const QString sort = GetPropertyValue(query, QStringLiteral("Sort")).toString();
    if (!sort.isEmpty())
        return sort;
    return ExtractOrderFields(GetPropertyValue(query, QStringLiteral("SQL")).toStringList());
}

void SetSort(TDataSet* query, const QString& sort)
{
    if (!SetPropertyValue(query, QStringLiteral("Sort"), sort))
        DatabaseError(QStringLiteral("Cannot set the property Sort"), query);
}

// The handler applies to an open query with a client cursor only.
bool ClientCursorQuery(TDataSet* dataSet, TChangeOrder)
{
    return InheritsClass(dataSet, ADOQueryClass()) && dataSet->GetActive()
           && GetPropertyValue(dataSet, QStringLiteral("CursorLocation")).toString()
                  == QLatin1String("clUseClient");
}

} // namespace

void ChangeADOQuerySort(TZCustomDBGrid* Grid, const QString& Sort)
{
    TDataSet* query = ADOQuery(Grid);
    if (!query)
        return;
    const QString oldSort = GetPropertyValue(query, QStringLiteral("Sort")).toString();
    const QString sort = Sort.isEmpty() ? Grid->GetOrderFields() : Sort;
    if (CompareOrderFields(oldSort, sort))
        return;
    Grid->ApplyDataSetOrder([&] { SetSort(query, sort); },
                            [&] {
                                SetSort(query, oldSort);
                                return CurrentSort(query);
                            },
                            false, false);
}

QString CurrentADOQuerySort(TZCustomDBGrid* Grid)
{
    TDataSet* query = ADOQuery(Grid);
    return query ? CurrentSort(query) : QString();
}

void RegisterADOQuerySortChangeOrder()
{
    RegisterCustomChangeOrder(ADOQueryClass(), ChangeADOQuerySort, CurrentADOQuerySort, false, ClientCursorQuery);
}

void UnRegisterADOQuerySortChangeOrder()
{
    UnRegisterChangeOrder(ADOQueryClass(), coCustomChangeOrder);
}

} // namespace zdb
