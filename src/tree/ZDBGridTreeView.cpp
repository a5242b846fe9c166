// TZDBGridTreeView: parent/child records shown as a tree inside the grid.
//
// A build reads every record once (key, parent key, kept state), links the
// records in memory, gives each its level and order string, writes the three
// tree fields where they changed and sorts the dataset by the order string.
// The links are kept: expanding or collapsing walks only the subtree below the
// row and rewrites the states of the rows that become shown or hidden, which it
// finds by their place in the tree order (the records' positions while the
// dataset is unfiltered). Collapsed rows are hidden by the grid's record filter.
#include "ZDBGrids.h"

#include "Classes.h"
#include "DBError.h"
#include "ZDBGridOrder.h"
#include "ZDBSQLQuery.h"

#include <QHash>
#include <QPainter>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

namespace zdb {

namespace {

// A record's key (or parent key): a single integer field as its number, with
// no text made or hashed; anything else as text, several fields joined.
struct TTreeKey
{
    qint64 Number = 0;
    QString Text;
    bool operator==(const TTreeKey& Other) const { return Number == Other.Number && Text == Other.Text; }
};

size_t qHash(const TTreeKey& Key, size_t Seed = 0) noexcept
{
    return Key.Text.isNull() ? ::qHash(Key.Number, Seed) : ::qHash(Key.Text, Seed);
}

} // namespace

struct TZDBGridTreeView::TModel
{
    struct TNode
    {
        TTreeKey Key;
        int Parent = -1; // the tree parent (none for roots and loop roots)
        int Level = 0;
        int State = 0;
        int Rank = 0; // 0-based place in the tree order
        QString Order;
        std::vector<int> Children; // in sibling order
        // The tree fields as the build found them (only those that change are written).
        int OldLevel = -1;
        int OldState = -1;
        QString OldOrder;
    };
    std::vector<TNode> Nodes;
    QHash<TTreeKey, int> ByKey; // the first record of each key
    std::vector<int> ByRank;
};

namespace {

// The current record's key (or parent key) read from Fields; Null when a field is null.
TTreeKey ReadKey(const std::vector<TField*>& Fields, bool& Null)
{
    Null = false;
    TTreeKey key;
    if (Fields.size() == 1 && IsIntegerFieldType(Fields.front()->DataType())) {
        // The typed read (a zero may be a null).
        key.Number = Fields.front()->AsLargeInt();
        Null = key.Number == 0 && Fields.front()->IsNull();
        return key;
    }
    QString& text = key.Text;
    text = QStringLiteral(""); // not null: a text key never equals a number key
    for (const TField* field : Fields) {
        const bool integer = IsIntegerFieldType(field->DataType());
        const qint64 number = integer ? field->AsLargeInt() : 0;
        if ((!integer || number == 0) && field->IsNull()) {
            Null = true;
            text += QChar(0x1f);
            continue;
        }
        if (integer) {
            // Its eight bytes, no formatting.
            char16_t units[sizeof(number) / sizeof(char16_t)];
            std::memcpy(units, &number, sizeof(number));
            text.append(QStringView(units, qsizetype(std::size(units))));
        } else
            text += field->AsString();
        if (Fields.size() > 1)
            text += QChar(0x1f);
    }
    return key;
}

// Order = Prefix followed by the fixed-width segment of the record at Index:
// its place, right-aligned, blank-padded ("~" first for a loop root). Old, the
// order the last build gave, is shared when it is the same; otherwise the
// order is written in one allocation.
void SetOrder(QString& Order, const QString& Old, QStringView Prefix, int Index, int Width, bool Loop)
{
    char16_t segment[16]; // the widest: ten digits and a blank
    Width = std::min(Width, int(std::size(segment)));
    char16_t* end = segment + Width;
    for (int n = Index + 1; n > 0 && end > segment; n /= 10)
        *--end = char16_t(u'0' + n % 10);
    std::fill(segment, end, u' ');
    if (Loop)
        segment[0] = u'~';
    const QStringView seg(segment, Width);
    if (Old.size() == Prefix.size() + Width && QStringView(Old).first(Prefix.size()) == Prefix &&
        QStringView(Old).sliced(Prefix.size()) == seg) {
        Order = Old;
        return;
    }
    Order.resize(Prefix.size() + Width);
    std::copy(seg.begin(), seg.end(), std::copy(Prefix.begin(), Prefix.end(), Order.data()));
}

bool NameListed(const QString& List, const QString& Name)
{
    return !Name.isEmpty() && List.contains(Name, Qt::CaseInsensitive);
}

// Filtering off and the grid's position kept while the tree rewrites states;
// the filter comes back (hiding what became hidden) and the record Target
// (at first the current one) becomes current again.
class TTreeBracket
{
public:
    TTreeBracket(TZCustomDBGrid* Grid, TDataSet* DataSet) : FGrid(Grid), FDataSet(DataSet)
    {
        FGrid->DisablePosition();
        Target = FDataSet->IsEmpty() ? TBookmark() : FDataSet->GetBookmark();
        FFiltered = FDataSet->GetFiltered();
        if (FFiltered)
            FDataSet->SetFiltered(false);
    }
    ~TTreeBracket() noexcept(false)
    {
        FEnd([this] {
            auto enable = qScopeGuard([this] { FGrid->EnablePosition(true); });
            if (FFiltered && FDataSet->Active())
                FDataSet->SetFiltered(true);
            if (!Target.isEmpty() && FDataSet->Active() && FDataSet->BookmarkValid(Target))
                FDataSet->GotoBookmark(Target);
        });
    }
    TTreeBracket(const TTreeBracket&) = delete;
    TTreeBracket& operator=(const TTreeBracket&) = delete;
    TBookmark Target;

private:
    QPointer<TZCustomDBGrid> FGrid;
    QPointer<TDataSet> FDataSet;
    bool FFiltered = false;
    TBracketEnd FEnd;
};

} // namespace

TZDBGridTreeView::TZDBGridTreeView(TZCustomDBGrid* AGrid) : FGrid(AGrid), FModel(std::make_unique<TModel>()) {}

TZDBGridTreeView::~TZDBGridTreeView() = default;

TDataSet* TZDBGridTreeView::DataSet() const
{
    return FGrid && FGrid->DataLink() && FGrid->DataLink()->Active() ? FGrid->DataLink()->DataSet() : nullptr;
}

// ---- Properties ------------------------------------------------------------------------

void TZDBGridTreeView::SetAutoActive(bool Value)
{
    if (Value == FAutoActive)
        return;
    FAutoActive = Value;
    CheckActive();
}

void TZDBGridTreeView::SetOpenToLevel(int Value)
{
    Value = std::max(Value, -1);
    if (Value == FOpenToLevel)
        return;
    FOpenToLevel = Value;
    if (FActive)
        ShowToLevel(Value);
}

void TZDBGridTreeView::SetColumnNames(const QString& Value)
{
    const QString names = ValidFieldNames(FGrid->DataSet(), CommaToSemicolon(Value), false);
    if (names == FColumnNames)
        return;
    if (FActive)
        SetTreeViewColumns(false);
    FColumnNames = names;
    if (FActive) {
        SetTreeViewColumns(true);
        FGrid->Invalidate();
    }
}

QString TZDBGridTreeView::GetKeyFields() const
{
    return FGrid->GetKeyFields();
}

void TZDBGridTreeView::SetKeyFields(const QString& Value)
{
    FGrid->SetKeyFields(Value);
    CheckActive();
}

void TZDBGridTreeView::SetParentFields(const QString& Value)
{
    const QString names = ValidFieldNames(FGrid->DataSet(), CommaToSemicolon(Value), false);
    if (names == FParentFields)
        return;
    FParentFields = names;
    CheckActive();
}

QString TZDBGridTreeView::StoredName(const QString& Value, const QString& Default) const
{
    return Value.compare(Default, Qt::CaseInsensitive) == 0 ? QString() : Value;
}

QString TZDBGridTreeView::GetRowLevelFieldName() const
{
    return FRowLevelFieldName.isEmpty() ? DefaultRowLevelFieldName() : FRowLevelFieldName;
}

void TZDBGridTreeView::SetRowLevelFieldName(const QString& Value)
{
    FRowLevelFieldName = StoredName(Value, DefaultRowLevelFieldName());
}

QString TZDBGridTreeView::GetRowOrderFieldName() const
{
    return FRowOrderFieldName.isEmpty() ? DefaultRowOrderFieldName() : FRowOrderFieldName;
}

void TZDBGridTreeView::SetRowOrderFieldName(const QString& Value)
{
    FRowOrderFieldName = StoredName(Value, DefaultRowOrderFieldName());
}

void TZDBGridTreeView::SetRowOrderFieldSize(int Value)
{
    FRowOrderFieldSize = Value > 0 ? Value : DefaultRowOrderFieldSize();
}

QString TZDBGridTreeView::GetRowStateFieldName() const
{
    return FRowStateFieldName.isEmpty() ? DefaultRowStateFieldName() : FRowStateFieldName;
}

void TZDBGridTreeView::SetRowStateFieldName(const QString& Value)
{
    FRowStateFieldName = StoredName(Value, DefaultRowStateFieldName());
}

// ---- Row access --------------------------------------------------------------------------

int TZDBGridTreeView::GetRowLevel() const
{
    return FRowLevelField ? FRowLevelField->AsInteger() : 0;
}

void TZDBGridTreeView::SetRowLevel(int Value)
{
    if (FRowLevelField)
        FRowLevelField->SetValue(Value);
}

QString TZDBGridTreeView::GetRowOrder() const
{
    return FRowOrderField ? FRowOrderField->AsString() : QString();
}

void TZDBGridTreeView::SetRowOrder(const QString& Value)
{
    if (FRowOrderField)
        FRowOrderField->SetValue(Value);
}

int TZDBGridTreeView::GetRowState() const
{
    return FRowStateField ? FRowStateField->AsInteger() : 0;
}

void TZDBGridTreeView::SetRowState(int Value)
{
    if (FRowStateField)
        FRowStateField->SetValue(Value);
}

void TZDBGridTreeView::SetStateBit(int Bit, bool Value)
{
    const int state = GetRowState();
    SetRowState(Value ? state | Bit : state & ~Bit);
}

bool TZDBGridTreeView::GetRowVisible() const
{
    const int state = GetRowState();
    return state == 0 || (state & rsVisible);
}

int TZDBGridTreeView::GetLevel() const
{
    return FActive && DataSet() ? GetRowLevel() : 0;
}

bool TZDBGridTreeView::IsRowExpanded() const
{
    return FActive && DataSet() && GetRowExpanded();
}

bool TZDBGridTreeView::IsRowExpandable() const
{
    return FActive && DataSet() && GetRowExpandable();
}

bool TZDBGridTreeView::IsRowVisible() const
{
    return FActive && DataSet() && GetRowVisible();
}

bool TZDBGridTreeView::RecordHidden(TDataSet* /*DataSet*/) const
{
    if (!FActive || !FRowStateField)
        return false;
    const int state = FRowStateField->AsInteger();
    return state != 0 && !(state & rsVisible);
}

// ---- Activation --------------------------------------------------------------------------

void TZDBGridTreeView::ResolveFields()
{
    TDataSet* dataSet = FGrid->DataSet();
    FRowLevelField = dataSet ? dataSet->FindField(GetRowLevelFieldName()) : nullptr;
    FRowOrderField = dataSet ? dataSet->FindField(GetRowOrderFieldName()) : nullptr;
    FRowStateField = dataSet ? dataSet->FindField(GetRowStateFieldName()) : nullptr;
}

void TZDBGridTreeView::CheckActive()
{
    if (FActivating || FBuilding || FGrid->IsDesigning() || FGrid->IsLoading())
        return;
    FActivating = true;
    const auto done = qScopeGuard([this] { FActivating = false; });
    TDataSet* dataSet = DataSet();
    const bool ready = FAutoActive && !FGrid->GetKeyFields().isEmpty() && !FParentFields.isEmpty() && dataSet &&
                       !dataSet->IsEmpty();
    if (!ready) {
        if (FActive)
            SetActive(false);
        FRowLevelField = FRowOrderField = FRowStateField = nullptr;
        return;
    }
    // The tree fields are not added to an open dataset: closing it would drop
    // the records of an in-memory table. AddTreeFields (BeforeOpen) adds them
    // to a closed one, and to a query as client fields. The tree writes them: a
    // dataset that takes no edits (or fields it cannot store, such as a query's
    // computed columns) has no tree.
    ResolveFields();
    const bool found = FRowLevelField && FRowOrderField && FRowStateField && dataSet->CanModify() &&
                       !FRowLevelField->GetReadOnly() && !FRowOrderField->GetReadOnly() &&
                       !FRowStateField->GetReadOnly();
    if (found != FActive)
        SetActive(found);
}

void TZDBGridTreeView::SetActive(bool Value)
{
    FActive = Value;
    if (Value) {
        for (TField* field : {FRowLevelField.data(), FRowOrderField.data(), FRowStateField.data()})
            field->SetVisible(false);
        UpdateTreeView(true);
        if (FOpenToLevel >= 0)
            ShowToLevel(FOpenToLevel);
    } else {
        *FModel = TModel();
        if (FGrid->OnOrderChanged)
            FGrid->OrderChanged();
        else
            FGrid->UpdateOrder(false);
    }
    SetTreeViewColumns(Value);
    FGrid->FilterChanged();
    SequenceChanged();
}

void TZDBGridTreeView::AddTreeFields(TDataSet* DataSet)
{
    if (auto* query = qobject_cast<TZSQLQuery*>(DataSet)) {
        // Kept by the query in memory by each row's key, from its next opening on.
        query->AddClientField(GetRowLevelFieldName(), ftInteger);
        query->AddClientField(GetRowOrderFieldName(), ftString, FRowOrderFieldSize);
        query->AddClientField(GetRowStateFieldName(), ftInteger);
        return;
    }
    if (!DataSet || DataSet->Active())
        return;
    TFieldDefs& defs = DataSet->FieldDefs();
    if (defs.IndexOf(GetRowLevelFieldName()) < 0 && !DataSet->FindField(GetRowLevelFieldName()))
        defs.Add(GetRowLevelFieldName(), ftInteger);
    if (defs.IndexOf(GetRowOrderFieldName()) < 0 && !DataSet->FindField(GetRowOrderFieldName()))
        defs.Add(GetRowOrderFieldName(), ftString, FRowOrderFieldSize);
    if (defs.IndexOf(GetRowStateFieldName()) < 0 && !DataSet->FindField(GetRowStateFieldName()))
        defs.Add(GetRowStateFieldName(), ftInteger);
}

void TZDBGridTreeView::SetTreeViewColumns(bool On)
{
    TZDBGridColumns* columns = FGrid->Columns();
    if (!columns)
        return;
    for (int i = 0; i < columns->Count(); ++i) {
        TZColumn* column = columns->Items(i);
        if (NameListed(FColumnNames, column->GetFieldName()))
            column->SetExpandBoxTree(On);
    }
}

bool TZDBGridTreeView::IsTreeColumn(const TZColumn* Column) const
{
    return FActive && Column && (Column->GetExpandBoxTree() || NameListed(FColumnNames, Column->GetFieldName()));
}

void TZDBGridTreeView::CheckUpdate(TField* Field)
{
    if (!FActive) {
        if (!Field)
            CheckActive();
        return;
    }
    if (!FAutoUpdate || FBuilding)
        return;
    if (Field) {
        const QString name = Field->GetFieldName();
        if (NameListed(FParentFields, name) || NameListed(FGrid->GetKeyFields(), name) ||
            NameListed(FGrid->GetOrderFields(), name))
            FNeedRebuild = true;
    } else if (FNeedRebuild) {
        FGrid->UpdateTreeView(true);
    }
}

// ---- Building ----------------------------------------------------------------------------

void TZDBGridTreeView::UpdateTreeView(bool Reset)
{
    TDataSet* dataSet = DataSet();
    if (!FActive || !dataSet || FBuilding)
        return;
    bool null = false;
    const bool current = !dataSet->IsEmpty();
    const TTreeKey key = current ? ReadKey(dataSet->GetFieldList(FGrid->GetKeyFields()), null) : TTreeKey();
    {
        TTreeBracket bracket(FGrid, dataSet);
        UpdateTreeFields(Reset);
        // The record current before, or its nearest shown ancestor, in its new place.
        int node = !current ? -1 : FModel->ByKey.value(key, -1);
        while (node >= 0 && !(FModel->Nodes[size_t(node)].State & rsVisible))
            node = FModel->Nodes[size_t(node)].Parent;
        if (node >= 0) {
            dataSet->SetRecNo(FModel->Nodes[size_t(node)].Rank + 1);
            bracket.Target = dataSet->GetBookmark();
        }
    }
    if (FGrid->SelectedRows())
        FGrid->SelectedRows()->Refresh();
    FNeedRebuild = false;
}

void TZDBGridTreeView::ClearTreeFields(bool Reset)
{
    // Reads every record into a fresh set of links with the state it starts
    // from: visible and expanded, unless Reset is false and the record had a
    // state of its own (and was not caught in a loop by the last build).
    TDataSet* dataSet = DataSet();
    TModel& model = *FModel;
    // The last build's fields by key: what this build need not write again.
    const TModel previous = std::exchange(model, TModel());
    if (!dataSet)
        return;
    const std::vector<TField*> keys = dataSet->GetFieldList(FGrid->GetKeyFields());
    const std::vector<TField*> parents = dataSet->GetFieldList(FParentFields);
    std::vector<TTreeKey> parentKeys;
    std::vector<char> parentNull;
    const int count = std::max(dataSet->RecordCount(), 0);
    model.Nodes.reserve(size_t(count));
    parentKeys.reserve(size_t(count));
    parentNull.reserve(size_t(count));
    const QString loopMark = QStringLiteral("~");
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) {
        TModel::TNode node;
        bool null = false;
        node.Key = ReadKey(keys, null);
        parentKeys.push_back(ReadKey(parents, null));
        parentNull.push_back(null);
        // The tree view writes the tree fields itself: for a record of the last
        // build they hold what that build and the toggles since wrote.
        int state = 0;
        if (const int last = previous.ByKey.value(node.Key, -1); last >= 0) {
            const TModel::TNode& before = previous.Nodes[size_t(last)];
            node.OldLevel = before.Level;
            node.OldOrder = before.Order;
            state = before.State;
        } else {
            const QVariant value = FRowStateField->GetValue();
            state = value.isNull() ? -1 : value.toInt();
            node.OldOrder = FRowOrderField->AsString();
        }
        node.OldState = state;
        if (Reset || state <= 0 || node.OldOrder > loopMark)
            node.State = rsVisible | rsExpanded;
        else
            node.State = state & rsExpanded;
        model.Nodes.push_back(std::move(node));
    }
    // A parent key names the first record holding it, as Locate finds it.
    model.ByKey.clear();
    model.ByKey.reserve(qsizetype(model.Nodes.size()));
    for (int i = int(model.Nodes.size()) - 1; i >= 0; --i)
        model.ByKey.insert(model.Nodes[size_t(i)].Key, i);
    for (size_t i = 0; i < model.Nodes.size(); ++i) {
        if (!parentNull[i])
            model.Nodes[i].Parent = model.ByKey.value(parentKeys[i], -1);
    }
}

void TZDBGridTreeView::UpdateTreeFields(bool Reset)
{
    TDataSet* dataSet = DataSet();
    if (!dataSet || !FRowLevelField || !FRowOrderField || !FRowStateField)
        return;
    FBuilding = true;
    const auto building = qScopeGuard([this] { FBuilding = false; });
    FMaxLevel = 0;
    // Siblings keep the grid's column order: it is applied first. (On the first
    // record, the sort's own search for the current record ends at once.)
    dataSet->First();
    FGrid->ChangeDataSetOrder(QString());
    // A new ORDER BY reopens a query, which makes its fields anew.
    ResolveFields();
    if (!FRowLevelField || !FRowOrderField || !FRowStateField || !dataSet->Active())
        return;
    ClearTreeFields(Reset);
    TModel& model = *FModel;
    const int count = int(model.Nodes.size());

    // One fixed-width segment per record: its place, right-aligned, one blank wider than the count.
    const int width = int(QString::number(count).size()) + 1;

    // Orders down each record's parent chain; a chain that returns to a record
    // already on it makes the record whose parent closes it a root, with "~" in
    // front, so that the loop sorts after everything else.
    std::vector<int> chain;
    std::vector<char> onChain(size_t(count), 0);
    std::vector<char> done(size_t(count), 0);
    for (int start = 0; start < count; ++start) {
        if (done[size_t(start)])
            continue;
        chain.clear();
        int top = start;
        for (;;) {
            chain.push_back(top);
            onChain[size_t(top)] = 1;
            const int parent = model.Nodes[size_t(top)].Parent;
            if (parent < 0 || done[size_t(parent)])
                break;
            if (onChain[size_t(parent)]) {
                model.Nodes[size_t(top)].Parent = -2; // loop root
                break;
            }
            top = parent;
        }
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            TModel::TNode& node = model.Nodes[size_t(*it)];
            onChain[size_t(*it)] = 0;
            done[size_t(*it)] = 1;
            if (node.Parent < 0) {
                SetOrder(node.Order, node.OldOrder, {}, *it, width, node.Parent == -2);
                node.Parent = -1;
                node.Level = 0;
            } else {
                const TModel::TNode& parent = model.Nodes[size_t(node.Parent)];
                node.Level = parent.Level + 1;
                SetOrder(node.Order, node.OldOrder, parent.Order, *it, width, false);
            }
            FMaxLevel = std::max(FMaxLevel, node.Level);
        }
    }
    // Children lists in sibling order, then the tree order: roots, then the loop roots.
    std::vector<int> roots, loopRoots;
    for (int i = 0; i < count; ++i) {
        TModel::TNode& node = model.Nodes[size_t(i)];
        if (node.Parent >= 0)
            model.Nodes[size_t(node.Parent)].Children.push_back(i);
        else
            (node.Order.startsWith(QLatin1Char('~')) ? loopRoots : roots).push_back(i);
    }
    model.ByRank.clear();
    model.ByRank.reserve(size_t(count));
    std::vector<int> stack;
    for (const std::vector<int>* list : {&roots, &loopRoots})
        for (int root : *list) {
            stack.push_back(root);
            while (!stack.empty()) {
                const int n = stack.back();
                stack.pop_back();
                TModel::TNode& node = model.Nodes[size_t(n)];
                node.Rank = int(model.ByRank.size());
                model.ByRank.push_back(n);
                // Shown when every ancestor is expanded; a parent can expand.
                const bool shown = node.Parent < 0 || (model.Nodes[size_t(node.Parent)].State & rsVisible &&
                                                       model.Nodes[size_t(node.Parent)].State & rsExpanded);
                node.State = (node.State & rsExpanded) | (shown ? rsVisible : 0) |
                             (node.Children.empty() ? 0 : rsExpandable);
                stack.insert(stack.end(), node.Children.rbegin(), node.Children.rend());
            }
        }

    // The fields, where they changed (the records are still in the order read).
    for (int index = 0; index < count; ++index) {
        TModel::TNode& node = model.Nodes[size_t(index)];
        if (node.OldLevel == node.Level && node.OldState == node.State && node.OldOrder == node.Order)
            continue;
        dataSet->SetRecNo(index + 1);
        dataSet->Edit();
        FRowLevelField->SetValue(node.Level);
        FRowOrderField->SetValue(node.Order);
        FRowStateField->SetValue(node.State);
        dataSet->Post();
    }
    dataSet->First();
    FGrid->ChangeDataSetOrder(GetRowOrderFieldName());
    dataSet->First();
}

// ---- Expanding and collapsing ------------------------------------------------------------------------

void TZDBGridTreeView::SequenceChanged()
{
    // Rows appeared or disappeared: the emulated record count and number follow at once.
    if (FGrid->ForcedSequence())
        FGrid->DelayUpdateSequence();
}

bool TZDBGridTreeView::CanRowExpand(bool Expand)
{
    bool allow = true;
    FGrid->RowExpanding(Expand, allow);
    return allow;
}

void TZDBGridTreeView::DoRowExpand(bool Expanded)
{
    FGrid->RowExpand(Expanded);
}

int TZDBGridTreeView::CurrentNode(TDataSet* DataSet) const
{
    if (!DataSet || DataSet->IsEmpty())
        return -1;
    bool null = false;
    const TTreeKey key = ReadKey(DataSet->GetFieldList(FGrid->GetKeyFields()), null);
    return FModel->ByKey.value(key, -1);
}

bool TZDBGridTreeView::ModelMatches(TDataSet* DataSet)
{
    // Inserted or deleted records, or a changed key or parent: built again.
    if (FNeedRebuild || int(FModel->Nodes.size()) != DataSet->RecordCount()) {
        const bool saved = std::exchange(FNeedRebuild, false);
        try {
            UpdateTreeFields(false);
        } catch (...) {
            FNeedRebuild = saved;
            throw;
        }
    }
    return !FModel->Nodes.empty();
}

void TZDBGridTreeView::WriteNodeState(int Node, int State)
{
    TModel::TNode& node = FModel->Nodes[size_t(Node)];
    TDataSet* dataSet = DataSet();
    dataSet->SetRecNo(node.Rank + 1);
    bool null = false;
    if (!(ReadKey(dataSet->GetFieldList(FGrid->GetKeyFields()), null) == node.Key))
        DatabaseError(QStringLiteral("Tree rows out of step with the dataset"), dataSet);
    if (FRowStateField->AsInteger() != State) {
        dataSet->Edit();
        FRowStateField->SetValue(State);
        dataSet->Post();
    }
    node.State = State;
}

void TZDBGridTreeView::WalkChildren(int Node, bool Expand, bool Recursive, std::vector<int>& Notify)
{
    // Asks first, for every row the walk reaches, then changes: a handler that
    // raises leaves every row as it was.
    struct TStep
    {
        int Node;
        bool Allowed;
    };
    std::vector<TStep> steps;
    std::vector<int> stack{Node};
    TDataSet* dataSet = DataSet();
    while (!stack.empty()) {
        const int n = stack.back();
        stack.pop_back();
        const auto& children = FModel->Nodes[size_t(n)].Children;
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            const TModel::TNode& child = FModel->Nodes[size_t(*it)];
            if (bool(child.State & rsVisible) == Expand)
                continue;
            bool allowed = false;
            const bool expandable = child.State & rsExpandable;
            if (Recursive && expandable) {
                dataSet->SetRecNo(child.Rank + 1);
                allowed = CanRowExpand(Expand);
            }
            steps.push_back({*it, allowed});
            const bool expanded = allowed ? Expand : bool(child.State & rsExpanded);
            if (expandable && (!Expand || expanded))
                stack.push_back(*it);
        }
    }
    // The depth-first order of the rows (the stack visits them in reverse).
    std::sort(steps.begin(), steps.end(), [this](const TStep& a, const TStep& b) {
        return FModel->Nodes[size_t(a.Node)].Rank < FModel->Nodes[size_t(b.Node)].Rank;
    });
    for (const TStep& step : steps) {
        int state = FModel->Nodes[size_t(step.Node)].State;
        state = Expand ? state | rsVisible : state & ~rsVisible;
        if (step.Allowed)
            state = Expand ? state | rsExpanded : state & ~rsExpanded;
        WriteNodeState(step.Node, state);
    }
    for (const TStep& step : steps)
        if (step.Allowed)
            Notify.push_back(step.Node);
}

void TZDBGridTreeView::NotifyRows(const std::vector<int>& Nodes, bool Expanded)
{
    // After every state is written: a handler may even rebuild the tree.
    TDataSet* dataSet = DataSet();
    for (int n : Nodes) {
        if (!dataSet || size_t(n) >= FModel->Nodes.size())
            return;
        dataSet->SetRecNo(FModel->Nodes[size_t(n)].Rank + 1);
        DoRowExpand(Expanded);
    }
}

bool TZDBGridTreeView::ToggleNode(int Node, bool Recursive)
{
    // Inside a tree bracket: the dataset unfiltered, the position kept.
    TModel::TNode& node = FModel->Nodes[size_t(Node)];
    if (!(node.State & rsExpandable))
        return false;
    const bool expand = !(node.State & rsExpanded);
    DataSet()->SetRecNo(node.Rank + 1);
    if (!CanRowExpand(expand))
        return false;
    std::vector<int> notify;
    WalkChildren(Node, expand, Recursive, notify);
    const int state = FModel->Nodes[size_t(Node)].State;
    WriteNodeState(Node, expand ? state | rsExpanded : state & ~rsExpanded);
    NotifyRows(notify, expand);
    return true;
}

void TZDBGridTreeView::ToggleRow(bool Recursive)
{
    TDataSet* dataSet = DataSet();
    if (!FActive || !dataSet || dataSet->IsEmpty() || !GetRowExpandable())
        return;
    dataSet->CheckBrowseMode();
    const bool expand = !GetRowExpanded();
    if (!CanRowExpand(expand))
        return;
    bool toggled = false;
    {
        TTreeBracket bracket(FGrid, dataSet);
        if (!ModelMatches(dataSet) || !dataSet->BookmarkValid(bracket.Target))
            return;
        dataSet->GotoBookmark(bracket.Target);
        const int node = CurrentNode(dataSet);
        if (node < 0 || !(FModel->Nodes[size_t(node)].State & rsExpandable))
            return;
        if (bool(FModel->Nodes[size_t(node)].State & rsExpanded) != expand) {
            std::vector<int> notify;
            WalkChildren(node, expand, Recursive, notify);
            const int state = FModel->Nodes[size_t(node)].State;
            WriteNodeState(node, expand ? state | rsExpanded : state & ~rsExpanded);
            NotifyRows(notify, expand);
            toggled = true;
        }
        bracket.Target.clear();
        if (size_t(node) < FModel->Nodes.size()) {
            dataSet->SetRecNo(FModel->Nodes[size_t(node)].Rank + 1);
            bracket.Target = dataSet->GetBookmark();
        }
    }
    if (FGrid->SelectedRows())
        FGrid->SelectedRows()->Refresh();
    SequenceChanged();
    if (toggled)
        DoRowExpand(expand);
}

void TZDBGridTreeView::ExpandRow(bool Recursive)
{
    if (IsRowExpandable() && !GetRowExpanded())
        ToggleRow(Recursive);
}

void TZDBGridTreeView::CollapseRow(bool Recursive)
{
    if (IsRowExpandable() && GetRowExpanded())
        ToggleRow(Recursive);
}

void TZDBGridTreeView::ShowToLevel(int Level)
{
    TDataSet* dataSet = DataSet();
    if (!FActive || !dataSet || dataSet->IsEmpty())
        return;
    dataSet->CheckBrowseMode();
    {
        TTreeBracket bracket(FGrid, dataSet);
        if (!ModelMatches(dataSet) || !dataSet->BookmarkValid(bracket.Target))
            return;
        dataSet->GotoBookmark(bracket.Target);
        int current = CurrentNode(dataSet);
        // The tree order: a parent's toggle comes before its children's.
        for (size_t rank = 0; rank < FModel->ByRank.size(); ++rank) {
            const int n = FModel->ByRank[rank];
            const TModel::TNode& node = FModel->Nodes[size_t(n)];
            if (!(node.State & rsExpandable))
                continue;
            const bool expanded = node.State & rsExpanded;
            if (Level >= 0 && node.Level >= Level && expanded)
                ToggleNode(n, true);
            else if ((Level < 0 || node.Level < Level) && !expanded)
                ToggleNode(n, false);
        }
        // The remembered record, or the nearest shown one above it.
        while (current >= 0 && !(FModel->Nodes[size_t(current)].State & rsVisible))
            current = FModel->Nodes[size_t(current)].Parent;
        if (current >= 0) {
            dataSet->SetRecNo(FModel->Nodes[size_t(current)].Rank + 1);
            bracket.Target = dataSet->GetBookmark();
        }
    }
    if (FGrid->SelectedRows())
        FGrid->SelectedRows()->Refresh();
    SequenceChanged();
}

bool TZDBGridTreeView::ShowRecord(const QVariant& Key, bool CollapseOthers)
{
    TDataSet* dataSet = DataSet();
    if (!FActive || !dataSet || dataSet->IsEmpty())
        return false;
    dataSet->CheckBrowseMode();
    int target = -1;
    {
        TTreeBracket bracket(FGrid, dataSet);
        if (!ModelMatches(dataSet) || !dataSet->Locate(FGrid->GetKeyFields(), Key))
            return false;
        target = CurrentNode(dataSet);
        if (target < 0)
            return false;
        if (CollapseOthers)
            for (int n : std::vector<int>(FModel->ByRank))
                if ((FModel->Nodes[size_t(n)].State & (rsExpandable | rsExpanded)) == (rsExpandable | rsExpanded) &&
                    FModel->Nodes[size_t(n)].State & rsVisible)
                    ToggleNode(n, true);
        // Top down: expanding a collapsed ancestor shows the expanded branches below it.
        std::vector<int> ancestors;
        for (int p = FModel->Nodes[size_t(target)].Parent; p >= 0; p = FModel->Nodes[size_t(p)].Parent)
            ancestors.push_back(p);
        for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it)
            if (!(FModel->Nodes[size_t(*it)].State & rsExpanded))
                ToggleNode(*it, false);
        dataSet->SetRecNo(FModel->Nodes[size_t(target)].Rank + 1);
        bracket.Target = dataSet->GetBookmark();
    }
    if (FGrid->SelectedRows())
        FGrid->SelectedRows()->Refresh();
    SequenceChanged();
    if (CollapseOthers && (FModel->Nodes[size_t(target)].State & rsExpandable))
        DoRowExpand(FModel->Nodes[size_t(target)].State & rsExpanded);
    return true;
}

void TZDBGridTreeView::FocusRow()
{
    TDataSet* dataSet = DataSet();
    if (FActive && dataSet && !dataSet->IsEmpty())
        ShowRecord(dataSet->GetFieldValue(FGrid->GetKeyFields()), true);
}

// ---- Keys, mouse and painting -------------------------------------------------------------------

int TZDBGridTreeView::Indent() const
{
    return std::max(12, FGrid->fontMetrics().height() * 3 / 4 + 4);
}

QRect TZDBGridTreeView::BoxRect(const QRect& ARect, int Level) const
{
    const int size = Indent() - 4 - (Indent() % 2 == 0 ? 1 : 0);
    const int offset = 2 + Level * Indent();
    // Right to left the levels indent from the cell's right edge.
    const int left = FGrid->layoutDirection() == Qt::RightToLeft ? ARect.right() + 1 - offset - size
                                                                 : ARect.left() + offset;
    return QRect(left, ARect.top() + (ARect.height() - size) / 2, size, size);
}

QRect TZDBGridTreeView::TreeCellLayout(const TZColumn* Column, const QRect& ARect, QRect& Box) const
{
    Box = QRect();
    if (!IsTreeColumn(Column) || !DataSet())
        return ARect;
    const QRect box = BoxRect(ARect, std::max(GetRowLevel(), 0));
    if (GetRowExpandable())
        Box = box;
    QRect text = ARect;
    if (FGrid->layoutDirection() == Qt::RightToLeft)
        text.setRight(std::max(box.left() - 3, ARect.left()));
    else
        text.setLeft(std::min(box.right() + 3, ARect.right()));
    return text;
}

bool TZDBGridTreeView::KeyPress(QChar Key)
{
    TDataSet* dataSet = DataSet();
    if (!FActive || !dataSet || (Key != QLatin1Char('\r') && Key != QLatin1Char(' ')))
        return false;
    if (!IsTreeColumn(FGrid->SelectedColumn()) || dataSet->State() != dsBrowse || !IsRowExpandable())
        return false;
    ToggleRow(false);
    return true;
}

bool TZDBGridTreeView::BoxHit(TZColumn* Column, const QRect& ARect, int X, int Y) const
{
    return IsTreeColumn(Column) && IsRowExpandable() &&
           BoxRect(ARect, std::max(GetRowLevel(), 0)).adjusted(-2, -2, 2, 2).contains(X, Y);
}

} // namespace zdb
