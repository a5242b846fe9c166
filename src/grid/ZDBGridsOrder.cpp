// The grid's sort order: order fields <-> column markers, the order-update
// bracket, and applying the order to the dataset through the change-order
// registry (ZDBGridOrder.h).
//
// The order-fields string names fields separated by ",", each optionally
// followed by " DESC". While the columns are default and the data is closed
// the grid only stores it (FOrderFields); once the columns exist it is turned
// into title markers, and the markers are the order from then on. Every
// marker change runs inside BeginOrderUpdate/EndOrderUpdate; the outermost
// end compares the order with the one the bracket began with and reports a
// change once (OrderChanged), which under dgAutoUpdateOrder applies it to the
// dataset (ChangeDataSetOrder).

#include "ZDBGrids.h"

#include "DBError.h"
#include "ZDBGridOrderSQL.h"
#include "ZDBSQLQuery.h"
#include "ZDBTranslate.h"

#include <QApplication>

#include <exception>
#include <optional>

namespace zdb {

namespace {

// Why an order could not be written: the property cannot be set.
const QString SOrderPropertyNotWritable = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Cannot set property '%1' of %2"));

[[noreturn]] void RaisePropertyNotWritable(TDataSet* DataSet, const QString& PropName)
{
    DatabaseError(Tr(SOrderPropertyNotWritable).arg(PropName, PlainClassName(DataSet->metaObject())), DataSet);
}

void WriteProperty(TDataSet* DataSet, const QString& PropName, const QVariant& Value)
{
    if (!SetPropertyValue(DataSet, PropName, Value))
        RaisePropertyNotWritable(DataSet, PropName);
}

// A ";"-list held in a string or string-list property.
QString ListPropertyText(const QVariant& Value)
{
    if (Value.typeId() == QMetaType::QStringList)
        return Value.toStringList().join(QLatin1Char(';'));
    return Value.toString();
}

bool ObjectPropertySet(TDataSet* DataSet, const QString& PropName)
{
    const QVariant value = GetPropertyValue(DataSet, PropName);
    return value.isValid() && value.value<QObject*>() != nullptr;
}

// The lines of a query text.
QStringList TextLines(const QString& Text)
{
    QString text = Text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.split(QLatin1Char('\n'));
}

// The order fields of a query's ORDER BY, with quoted names as the grid
// spells them.
QString QueryOrderFields(const TQueryOrderText& Text, const QStringList& SQL)
{
    return UnquoteSQLOrderFields(Text.Extract(SQL));
}

// The ORDER BY text for an order, made while the dataset is still open (its
// fields tell data fields from calculated ones). A refused order changes
// nothing: the markers return to Current, the order in force, and the refusal
// is only heard. An order that cannot be checked yet (a query never opened,
// without fields or field definitions) stays stored until the query opens.
std::optional<QString> CheckedOrderText(TZCustomDBGrid* Grid, TDataSet* DataSet, const QString& OrderFields,
                                        const QString& Current)
{
    try {
        return SafeSQLOrderFields(DataSet, OrderFields);
    } catch (const std::exception&) {
        if (!DataSet->Active() && DataSet->FieldCount() == 0 && DataSet->FieldDefs().Count() == 0)
            return std::nullopt;
        Grid->SetupOrderFields(Current);
        QApplication::beep();
        return std::nullopt;
    }
}

// The two query-rewriting methods: Lines is the query as it stands, read and
// rewritten as the dataset's registry entry says; Write puts rewritten lines
// into the dataset's property and PutBack its old value.
void RewriteQueryOrder(TZCustomDBGrid* Grid, TDataSet* DataSet, TChangeOrder Method, const QString& Order,
                       const QStringList& Lines, const std::function<void(const QStringList&)>& Write,
                       const std::function<void()>& PutBack)
{
    const TQueryOrderText queryText = ChangeOrderList().QueryOrderText(DataSet, Method);
    const QString current = QueryOrderFields(queryText, Lines);
    if (CompareOrderFields(current, Order))
        return;
    const std::optional<QString> text = CheckedOrderText(Grid, DataSet, Order, current);
    if (!text)
        return;
    Grid->ApplyDataSetOrder(
        [&] {
            QStringList changed = Lines;
            queryText.Modify(changed, *text);
            Write(changed);
        },
        [&] {
            PutBack();
            return current;
        },
        true, true);
}

// Splits one order-fields item into the name and its direction (" DESC" or
// " ASC" in any case).
QString OrderItemName(const QString& Item, bool& Descending)
{
    Descending = Item.contains(QLatin1String(" DESC"), Qt::CaseInsensitive);
    int cut = Item.indexOf(QLatin1String(" DESC"), 0, Qt::CaseInsensitive);
    if (cut < 0)
        cut = Item.indexOf(QLatin1String(" ASC"), 0, Qt::CaseInsensitive);
    return (cut < 0 ? Item : Item.left(cut)).trimmed();
}

// The order is only stored while there are no live columns for it.
bool OrderOnlyStored(const TZCustomDBGrid* Grid)
{
    const TZGridDataLink* link = Grid->DataLink();
    const TDataSet* dataSet = link ? link->DataSet() : nullptr;
    return Grid->Columns()->State() == csDefault && (!link || !link->Active() || !dataSet || !dataSet->Active());
}

// The detail fields lead the index of a dataset linked to its master.
bool DetailPrefixed(const TZCustomDBGrid* Grid, TDataSet* DataSet)
{
    if (Grid->GetDetailFields().isEmpty())
        return false;
    if (ListPropertyText(GetPropertyValue(DataSet, QStringLiteral("MasterFields"))).isEmpty())
        return false;
    return ObjectPropertySet(DataSet, QStringLiteral("MasterSource")) ||
           ObjectPropertySet(DataSet, QStringLiteral("DataSource"));
}

// Index fields read back without the detail fields that lead them.
QString WithoutDetailFields(const TZCustomDBGrid* Grid, TDataSet* DataSet, const QString& OrderFields)
{
    if (!DetailPrefixed(Grid, DataSet))
        return OrderFields;
    const QString detail = Grid->GetDetailFields();
    // Whole names only: detail "City" does not cut "CityCode".
    if (OrderFields.startsWith(SemicolonToComma(detail), Qt::CaseInsensitive) &&
        (OrderFields.size() == detail.size() || OrderFields.at(detail.size()) == QLatin1Char(',')))
        return OrderFields.mid(detail.length() + 1);
    return OrderFields;
}

} // namespace

// ---- Order fields <-> markers ------------------------------------------------------

bool TZCustomDBGrid::KeepSelection() const
{
    return !FKeyFields.isEmpty() && (FOptionsEx & dgAutoKeepSelection);
}

QString TZCustomDBGrid::GetOrderFields() const
{
    if (!FColumns || OrderOnlyStored(this))
        return FOrderFields;
    QStringList items;
    for (const TZColumn* column : FColumns->OrderList()) {
        QString item = column->GetFieldName();
        if (column->Title()->GetMarker() == tmDescend)
            item += QLatin1String(" DESC");
        items << item;
    }
    return items.join(QLatin1Char(','));
}

void TZCustomDBGrid::SetOrderFields(const QString& Value)
{
    QString rest = QString(Value).replace(QLatin1Char(';'), QLatin1Char(','));
    TZOrderUpdateGuard order(this);
    if (!FColumns || OrderOnlyStored(this)) {
        FOrderFields = rest;
        return;
    }
    // Markers loaded with the form stay; only their order follows Value.
    const bool loadingMode =
        IsLoading() && !(FOptions & dgMarkerAutoSwitch) && !(FOptions & dgMarkerAutoToggle);
    if (!loadingMode)
        FColumns->RemoveMarkers();
    rest = rest.trimmed();
    for (int i = 0; !rest.isEmpty(); ++i) {
        const int comma = rest.indexOf(QLatin1Char(','));
        const QString item = (comma < 0 ? rest : rest.left(comma)).trimmed();
        rest = (FOptions & dgMarkerAutoSwitch) || comma < 0 ? QString() : rest.mid(comma + 1).trimmed();
        bool descending = false;
        const QString name = OrderItemName(item, descending);
        TZColumn* column = FindColumn(name);
        if (!column)
            continue;
        const int listed = FColumns->OrderListIndex(column);
        if (loadingMode) {
            if (listed >= i)
                FColumns->OrderListExchange(i, listed);
        } else if (listed < 0 && FColumns->OrderCount() < TZDBGridColumns::MaxOrderColumns)
            column->Title()->SetMarkerIndex(2 * FColumns->OrderCount() + (descending ? 1 : 0) + 2);
    }
    FOrderFields = GetOrderFields();
}

void TZCustomDBGrid::SetupCurrentOrder()
{
    SetupOrderFields(CurrentDataSetOrder());
}

void TZCustomDBGrid::SetupOrderFields(const QString& S)
{
    // The raised counter keeps the outermost EndOrderUpdate (and OrderChanged)
    // of SetOrderFields from running: the markers follow the dataset here.
    TCountGuard lower(FOrderUpdateCount);
    SetOrderFields(S);
}

void TZCustomDBGrid::ActivateOrder()
{
    if (FOptionsEx & dgLoadCurrentOrder) {
        SetupCurrentOrder();
        return;
    }
    if (FOptionsEx & dgAutoUpdateOrder)
        ChangeDataSetOrder(FOrderFields);
    // A rejected order has put the order in force into the stored fields.
    if (FColumns && FColumns->State() == csDefault)
        SetupOrderFields(FOrderFields);
}

void TZCustomDBGrid::CheckOrderMarkers()
{
    // Inside an order bracket the stored fields follow at its end.
    if (FOrderUpdateCount > 0)
        return;
    if (GetOrderFields() != FOrderFields)
        SetupOrderFields(FOrderFields);
}

// ---- Order-update bracket ------------------------------------------------------------

void TZCustomDBGrid::BeginOrderUpdate()
{
    if (FOrderUpdateCount++ == 0) {
        BeginUpdate();
        FOrderUpdateFields = GetOrderFields();
    }
}

void TZCustomDBGrid::EndOrderUpdate()
{
    if (FOrderUpdateCount == 0 || --FOrderUpdateCount > 0)
        return;
    EndUpdate();
    const QString current = GetOrderFields();
    if (current == FOrderUpdateFields)
        return;
    FOrderFields = current;
    if (IsLoading())
        return;
    if (FDataLink && FDataLink->Active())
        FDataLink->DataSet()->CheckBrowseMode();
    if (FTitleRowCount > 0 && GetColCount() > 0)
        InvalidateRect(TGridRect{0, 0, GetColCount() - 1, FTitleRowCount - 1});
    OrderChanged();
}

void TZCustomDBGrid::OrderChanged()
{
    if ((FOptionsEx & dgAutoUpdateOrder) && ChangeDataSetOrder(QString()))
        return;
    if (OnOrderChanged)
        OnOrderChanged(this);
}

void TZCustomDBGrid::OrderUpdated()
{
    // A new order rebuilds the tree (siblings follow it); the tree's own
    // sorting while it builds is not reported.
    if (FTreeView && FTreeView->GetActive()) {
        if (FTreeView->Updating())
            return;
        FTreeOrderPending = false;
        FTreeView->UpdateTreeView(false);
    }
    if (OnOrderUpdated)
        OnOrderUpdated(this);
}

void TZCustomDBGrid::UpdateOrder(bool Current)
{
    if (IsLoading())
        return;
    if (!Current)
        ChangeDataSetOrder(QString());
    else if (FOptionsEx & dgLoadCurrentOrder)
        SetupCurrentOrder();
    else if (FOptionsEx & dgAutoUpdateOrder)
        ChangeDataSetOrder(QString());
}

// ---- Applying the order to the dataset ------------------------------------------------

bool TZCustomDBGrid::ChangeDataSetOrder(const QString& OrderFields)
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return false;
    const TChangeOrderItem* found = ChangeOrderList().Find(dataSet, true);
    if (!found)
        return false;
    // A copy: switching the options may run handlers that search the list again.
    const TChangeOrderItem entry = *found;
    if ((FOptionsEx & dgAutoAscendOrder) && bool(FOptions & dgMarkerAscendOnly) != entry.AscendOnly) {
        TZDBGridOptions options = FOptions;
        options.setFlag(dgMarkerAscendOnly, entry.AscendOnly);
        SetOptions(options);
    }
    switch (entry.ChangeOrder) {
    case coChangeIndexFields:
        ChangeIndexFields(OrderFields, entry.PropName, entry.Suffix);
        break;
    case coChangeOrderFields:
        ChangeOrderFields(OrderFields, entry.PropName);
        break;
    case coChangeSQLOrderFields:
        ChangeSQLOrderFields(OrderFields, entry.PropName);
        break;
    case coCustomChangeOrder:
        if (entry.CustomChangeOrder)
            entry.CustomChangeOrder(this, OrderFields);
        break;
    }
    return true;
}

QString TZCustomDBGrid::CurrentDataSetOrder()
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return QString();
    const TChangeOrderItem* found = ChangeOrderList().Find(dataSet, false);
    if (!found)
        return QString();
    const TChangeOrderItem entry = *found;
    switch (entry.ChangeOrder) {
    case coChangeIndexFields:
        return CurrentIndexFields(entry.PropName, entry.Suffix);
    case coChangeOrderFields:
        return CurrentOrderFields(entry.PropName);
    case coChangeSQLOrderFields:
        return CurrentSQLOrderFields(entry.PropName);
    case coCustomChangeOrder:
        return entry.CustomCurrentOrder ? entry.CustomCurrentOrder(this) : QString();
    }
    return QString();
}

void TZCustomDBGrid::ApplyDataSetOrder(const std::function<void()>& Apply, const std::function<QString()>& Restore,
                                       bool CloseDataSet, bool WithBeginUpdate, bool ClearAlways)
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return;
    {
        TZPositionGuard position(this, true);
        const bool wasActive = dataSet->Active();
        const bool keepPosition = wasActive && KeepPosition();
        const bool keepSelection = wasActive && KeepSelection();
        QVariant keyValues;
        bool keysSaved = false;
        {
            std::optional<TZUpdateGuard> update;
            if (WithBeginUpdate)
                update.emplace(this);
            try {
                // KeyFields may name a field the dataset no longer has (its
                // statement changed): then nothing has changed yet and the
                // order in force stays, like any other refused order.
                if (keepPosition)
                    keyValues = dataSet->GetFieldValue(FKeyFields);
                if (keepSelection)
                    SaveSelection();
                keysSaved = true;
                if (wasActive || ClearAlways)
                    ClearSelection();
                if (CloseDataSet && wasActive)
                    dataSet->Close();
                Apply();
                if (CloseDataSet && wasActive)
                    dataSet->Open();
            } catch (...) {
                // The order in force before comes back; the failure is only heard.
                try {
                    const QString restored = Restore();
                    SetupOrderFields(restored);
                } catch (...) {
                }
                try {
                    if (wasActive && !dataSet->Active())
                        dataSet->Open();
                } catch (...) {
                }
                QApplication::beep();
            }
        }
        // A dataset that could not be opened again keeps nothing to return to.
        if (keysSaved && dataSet->Active()) {
            try {
                if (keepSelection)
                    RestoreSelection();
                if (keepPosition)
                    dataSet->Locate(FKeyFields, keyValues);
            } catch (...) {
                QApplication::beep();
            }
        }
    }
    OrderUpdated();
}

void TZCustomDBGrid::ChangeIndexFields(const QString& OrderFields, const QString& PropName, const QString& Suffix)
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return;
    QString order = OrderFields.isEmpty() ? GetOrderFields() : OrderFields;
    if (DetailPrefixed(this, dataSet)) {
        const QString detail = SemicolonToComma(FDetailFields);
        order = order.isEmpty() ? detail : detail + QLatin1Char(',') + order;
    }
    const QString prop = PropName.isEmpty() ? DefaultOrderProperty(coChangeIndexFields) : PropName;
    const QString old = ListPropertyText(GetPropertyValue(dataSet, prop));
    if (CompareOrderFields(IndexFieldsToOrderFields(old, Suffix), order))
        return;
    ApplyDataSetOrder([&] { WriteProperty(dataSet, prop, OrderFieldsToIndexFields(order, Suffix)); },
                      [&] {
                          SetPropertyValue(dataSet, prop, old);
                          // The markers get the old order as CurrentIndexFields
                          // reads it: the detail fields are no sort key of theirs.
                          return WithoutDetailFields(this, dataSet, IndexFieldsToOrderFields(old, Suffix));
                      },
                      false, true, true);
}

void TZCustomDBGrid::ChangeOrderFields(const QString& OrderFields, const QString& PropName)
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return;
    const QString order = OrderFields.isEmpty() ? GetOrderFields() : OrderFields;
    const QString prop = PropName.isEmpty() ? DefaultOrderProperty(coChangeOrderFields) : PropName;
    const QString oldText = GetPropertyValue(dataSet, prop).toString();
    RewriteQueryOrder(
        this, dataSet, coChangeOrderFields, order, TextLines(oldText),
        [&](const QStringList& Lines) { WriteProperty(dataSet, prop, Lines.join(QLatin1Char('\n'))); },
        [&] { SetPropertyValue(dataSet, prop, oldText); });
}

void TZCustomDBGrid::ChangeSQLOrderFields(const QString& OrderFields, const QString& PropName)
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return;
    const QString order = OrderFields.isEmpty() ? GetOrderFields() : OrderFields;
    const QString prop = PropName.isEmpty() ? DefaultOrderProperty(coChangeSQLOrderFields) : PropName;
    const QVariant value = GetPropertyValue(dataSet, prop);
    if (value.typeId() != QMetaType::QStringList)
        return;
    const QStringList saved = value.toStringList();
    // An order of a query's client fields is the query's own, on the rows it holds.
    auto* query = qobject_cast<TZSQLQuery*>(dataSet);
    const QString client = query ? query->GetClientOrder() : QString();
    if (query && dataSet->Active()) {
        int clientItems = 0, items = 0;
        for (const QString& item : order.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bool descending = false;
            ++items;
            if (query->IsClientField(dataSet->FindField(OrderItemName(item, descending))))
                ++clientItems;
        }
        if (clientItems > 0 || (!client.isEmpty() && CompareOrderFields(CurrentSQLOrderFields(PropName), order))) {
            if (clientItems > 0 && clientItems < items) {
                // Rows ordered partly by the server and partly here: refused.
                SetupOrderFields(client.isEmpty() ? CurrentSQLOrderFields(PropName) : client);
                QApplication::beep();
                return;
            }
            const QString next = clientItems > 0 ? order : QString();
            if (CompareOrderFields(client, next) && query->GetClientOrder() == next)
                return;
            ApplyDataSetOrder([&] { query->SetClientOrder(next); },
                              [&] { return client.isEmpty() ? CurrentSQLOrderFields(PropName) : client; }, false, true);
            return;
        }
    }
    RewriteQueryOrder(
        this, dataSet, coChangeSQLOrderFields, order, saved,
        [&](const QStringList& Lines) {
            if (query)
                query->SetClientOrder(QString()); // closed: the statement's order when it opens
            WriteProperty(dataSet, prop, Lines);
        },
        [&] {
            SetPropertyValue(dataSet, prop, saved);
            if (query)
                query->SetClientOrder(client);
        });
}

QString TZCustomDBGrid::CurrentIndexFields(const QString& PropName, const QString& Suffix)
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return QString();
    const QString prop = PropName.isEmpty() ? DefaultOrderProperty(coChangeIndexFields) : PropName;
    const QString order = IndexFieldsToOrderFields(ListPropertyText(GetPropertyValue(dataSet, prop)), Suffix);
    return WithoutDetailFields(this, dataSet, order);
}

QString TZCustomDBGrid::CurrentOrderFields(const QString& PropName)
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return QString();
    const QString prop = PropName.isEmpty() ? DefaultOrderProperty(coChangeOrderFields) : PropName;
    return QueryOrderFields(ChangeOrderList().QueryOrderText(dataSet, coChangeOrderFields),
                            TextLines(GetPropertyValue(dataSet, prop).toString()));
}

QString TZCustomDBGrid::CurrentSQLOrderFields(const QString& PropName)
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return QString();
    const QString prop = PropName.isEmpty() ? DefaultOrderProperty(coChangeSQLOrderFields) : PropName;
    const QVariant value = GetPropertyValue(dataSet, prop);
    if (value.typeId() != QMetaType::QStringList)
        return QString();
    return QueryOrderFields(ChangeOrderList().QueryOrderText(dataSet, coChangeSQLOrderFields), value.toStringList());
}

// ---- Bracket guard ---------------------------------------------------------------------

TZOrderUpdateGuard::TZOrderUpdateGuard(TZCustomDBGrid* Grid) : FGrid(Grid)
{
    if (FGrid)
        FGrid->BeginOrderUpdate();
}

TZOrderUpdateGuard::~TZOrderUpdateGuard() noexcept(false)
{
    if (FGrid)
        FEnd([this] { FGrid->EndOrderUpdate(); });
}

} // namespace zdb
