#include "ZDBTreeView.h"

#include "DBError.h"

#include <algorithm>

namespace zdb {

namespace {

const QString DefaultNames[6] = {QStringLiteral("ID"),       QStringLiteral("ParentID"), QStringLiteral("ItemName"),
                                 QStringLiteral("RowLevel"), QStringLiteral("RowOrder"), QStringLiteral("RowState")};

QVariant ItemMember(const TZDBTreeViewItem& Item, int Member)
{
    switch (Member) {
    case 0:
        return Item.ID;
    case 1:
        return Item.ParentID;
    case 2:
        return Item.ItemName;
    case 3:
        return Item.RowLevel;
    case 4:
        return Item.RowOrder;
    case 5:
        return Item.RowState;
    }
    return {};
}

int CompareMember(const TZDBTreeViewItem& A, const TZDBTreeViewItem& B, int Member)
{
    auto three = [](auto a, auto b) { return a < b ? -1 : b < a ? 1 : 0; };
    switch (Member) {
    case 0:
        return three(A.ID, B.ID);
    case 1:
        return three(A.ParentID, B.ParentID);
    case 2:
        return A.ItemName.compare(B.ItemName);
    case 3:
        return three(A.RowLevel, B.RowLevel);
    case 4:
        return A.RowOrder.compare(B.RowOrder);
    case 5:
        return three(A.RowState, B.RowState);
    }
    return 0;
}

} // namespace

TZDBTreeViewItem* TZDBTreeViewList::AddItem(qint32 ID, qint32 ParentID, const QString& ItemName)
{
    auto item = std::make_unique<TZDBTreeViewItem>();
    item->ID = ID;
    item->ParentID = ParentID;
    item->ItemName = ItemName;
    FItems.push_back(std::move(item));
    return FItems.back().get();
}

TZDBTreeViewItem* TZDBTreeViewList::Insert(int Index)
{
    Index = std::clamp(Index, 0, Count());
    return FItems.insert(FItems.begin() + Index, std::make_unique<TZDBTreeViewItem>())->get();
}

void TZDBTreeViewList::Delete(int Index)
{
    if (Index >= 0 && Index < Count())
        FItems.erase(FItems.begin() + Index);
}

TZDBTreeViewData::TZDBTreeViewData(QObject* Parent) : TZDBCustomData(Parent)
{
    std::copy(std::begin(DefaultNames), std::end(DefaultNames), std::begin(FNames));
}

void TZDBTreeViewData::SetListInstance(TZDBTreeViewList* List)
{
    if (List == FList)
        return;
    const bool active = GetActive();
    if (active)
        Close();
    FList = List;
    if (active)
        Open();
}

void TZDBTreeViewData::SetName(int Member, const QString& Value)
{
    CheckInactive();
    FNames[Member] = Value.isEmpty() ? DefaultNames[Member] : Value;
    DefinitionChanged();
}

void TZDBTreeViewData::SetSize(int& Member, int Value)
{
    CheckInactive();
    Member = Value > 0 ? Value : 80;
    DefinitionChanged();
}

void TZDBTreeViewData::DefinitionChanged()
{
    // Rebuilt from the names at the next open, unless the definitions were made by hand.
    if (FOwnDefs || FieldDefs().Count() == 0) {
        FieldDefs().Clear();
        FOwnDefs = false;
    }
}

void TZDBTreeViewData::InternalInitFieldDefs()
{
    if (FieldDefs().Count() > 0 || FieldCount() > 0) {
        TZDBCustomData::InternalInitFieldDefs();
        return;
    }
    FieldDefs().Add(FNames[0], ftInteger);
    FieldDefs().Add(FNames[1], ftInteger);
    FieldDefs().Add(FNames[2], ftWideString, FItemNameFieldSize);
    FieldDefs().Add(FNames[3], ftInteger);
    FieldDefs().Add(FNames[4], ftString, FRowOrderFieldSize);
    FieldDefs().Add(FNames[5], ftInteger);
    FOwnDefs = true;
}

void TZDBTreeViewData::DoOnCountRecords(int& Count)
{
    Count = FList ? FList->Count() : 0;
}

void TZDBTreeViewData::DoOnGetFieldData(int Index, TField* Field, QVariant& Value)
{
    if (FList && Index >= 0 && Index < FList->Count() && Field->FieldNo() >= 1 && Field->FieldNo() <= 6)
        Value = ItemMember(*FList->Items(Index), Field->FieldNo() - 1);
}

void TZDBTreeViewData::DoOnSetFieldData(int Index, TField* Field, const QVariant& Value)
{
    if (!FList || Index < 0 || Index >= FList->Count())
        return;
    TZDBTreeViewItem& item = *FList->Items(Index);
    switch (Field->FieldNo()) {
    case 1:
        item.ID = Value.toInt();
        break;
    case 2:
        item.ParentID = Value.toInt();
        break;
    case 3:
        item.ItemName = Value.toString();
        break;
    case 4:
        item.RowLevel = Value.toInt();
        break;
    case 5:
        item.RowOrder = Value.toString();
        break;
    case 6:
        item.RowState = Value.toInt();
        break;
    }
}

void TZDBTreeViewData::DoOnInsertRecord(int Index)
{
    if (!FList)
        DatabaseError(QStringLiteral("No list to insert into"), this);
    FList->Insert(Index);
}

void TZDBTreeViewData::DoOnDeleteRecord(int Index)
{
    if (FList)
        FList->Delete(Index);
}

void TZDBTreeViewData::SetIndexFieldNames(const QString& Value)
{
    if (Value == FIndexFieldNames)
        return;
    if (GetActive())
        CheckBrowseMode();
    // Checked first: an unknown name leaves the order in force.
    struct TKeyPart
    {
        int Member;
        bool Descending;
    };
    std::vector<TKeyPart> parts;
    for (QString item : Value.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        item = item.trimmed();
        bool descending = false;
        if (item.endsWith(QLatin1String(" DESC"), Qt::CaseInsensitive)) {
            descending = true;
            item = item.chopped(5).trimmed();
        }
        int member = -1;
        for (int i = 0; i < 6; ++i)
            if (FNames[i].compare(item, Qt::CaseInsensitive) == 0)
                member = i;
        if (member < 0)
            DatabaseError(QStringLiteral("Field '%1' not found").arg(item), this);
        parts.push_back({member, descending});
    }
    FIndexFieldNames = Value;
    if (!FList || parts.empty())
        return;
    FList->Sort([&parts](const TZDBTreeViewItem& A, const TZDBTreeViewItem& B) {
        for (const TKeyPart& part : parts) {
            const int order = CompareMember(A, B, part.Member);
            if (order != 0)
                return part.Descending ? order > 0 : order < 0;
        }
        return false;
    });
    if (GetActive())
        First();
}

} // namespace zdb
