// The grid's pick lists loaded from its dataset: a column whose PickOptions hold
// poAutoLoadList lists the distinct edit texts of its field, sorted ignoring case
// (the server's DISTINCT answers where it can, else one walk for all such columns).

#include "ZDBFilter.h"
#include "ZDBGridSelection.h"
#include "ZDBGrids.h"
#include "ZDBSQLQuery.h"

#include <QSet>

#include <algorithm>

namespace zdb {

namespace {

bool AutoLoadColumn(const TZColumn* Column)
{
    const TField* field = Column->GetField();
    return Column->GetPickOptions().Contains(poAutoLoadList) && field && !BinaryFieldType(field->DataType());
}

bool LessText(const QString& A, const QString& B)
{
    const int c = A.compare(B, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : A < B;
}

// Items plus Texts not held yet (ignoring case; of equal ones the first in order), sorted ignoring case.
QStringList MergeTexts(QStringList Items, const QSet<QString>& Texts)
{
    QSet<QString> held;
    for (const QString& item : Items)
        held.insert(item.toCaseFolded());
    QStringList texts(Texts.begin(), Texts.end());
    std::sort(texts.begin(), texts.end(), LessText);
    for (const QString& text : texts)
        if (!text.isEmpty() && !held.contains(text.toCaseFolded())) {
            held.insert(text.toCaseFolded());
            Items << text;
        }
    std::sort(Items.begin(), Items.end(), LessText);
    return Items;
}

} // namespace

void TZCustomDBGrid::UpdateListItems(bool Check)
{
    if (IsLoading() || IsDesigning() || UpdateInProgress() || !FColumns)
        return;
    if (Check && !(FOptionsExt & dgAutoUpdateListItems))
        return;
    bool any = false;
    for (int i = 0; i < FColumns->Count() && !any; ++i)
        any = AutoLoadColumn((*FColumns)[i]);
    if (!any)
        return;
    if ((FOptionsExt & dgDelayUpdateListItems) && DelayUpdate(duListItems))
        return;
    LoadListItems();
}

void TZCustomDBGrid::LoadListItems()
{
    if (FListItemsLock > 0)
        return;
    TCountGuard lock(FListItemsLock);
    TDataSet* dataSet = DataSet();
    if (FDataLink && FDataLink->Active() && dataSet->State() != dsBrowse)
        return;
    std::vector<TZColumn*> columns;
    for (int i = 0; i < FColumns->Count(); ++i)
        if (AutoLoadColumn((*FColumns)[i]))
            columns.push_back((*FColumns)[i]);
    if (columns.empty())
        return;
    std::vector<QSet<QString>> texts(columns.size());
    if (dataSet && dataSet->Active() && !dataSet->IsEmpty()) {
        std::vector<size_t> walked;
        for (size_t i = 0; i < columns.size(); ++i) {
            TField* field = columns[i]->GetField();
            std::vector<QVariant> values;
            auto* query = qobject_cast<TZSQLQuery*>(dataSet);
            if (query && field->GetFieldKind() == fkData && !field->OnGetText && query->DistinctValues(field, values)) {
                for (const QVariant& value : values)
                    texts[i].insert(field->EditTextOf(value));
            } else {
                walked.push_back(i);
            }
        }
        if (!walked.empty()) {
            TZWalkGuard walk(this);
            for (dataSet->First(); !dataSet->Eof(); dataSet->Next())
                for (const size_t i : walked)
                    texts[i].insert(columns[i]->GetField()->GetEditText());
        }
    }
    for (size_t i = 0; i < columns.size(); ++i) {
        TZColumn* column = columns[i];
        const bool append = column->GetPickOptions().Contains(poAppendToList);
        column->SetPickList(MergeTexts(append ? column->GetPickList() : QStringList(), texts[i]));
    }
    ListItemsUpdated();
}

void TZCustomDBGrid::ListItemsUpdated()
{
    FireEvent(OnListItemsUpdated, this);
}

} // namespace zdb
