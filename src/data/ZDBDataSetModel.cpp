// TZDataSetModel: a dataset as a Qt table model.

#include "ZDBModelData.h"

#include "AppExceptions.h"

#include <QScopeGuard>

namespace zdb {

// The model's link to the dataset: its window is the page of records read without moving.
class TZDataSetModel::TLink : public TDataLink {
public:
    explicit TLink(TZDataSetModel* owner) : FOwner(owner) {}

protected:
    void ActiveChanged() override { Guard([this] { FOwner->Reset(); }); }
    void LayoutChanged() override { Guard([this] { FOwner->Reset(); }); }
    void DataSetChanged() override { Guard([this] { FOwner->DataSetChanged(); }); }
    void DataSetScrolled(int /*distance*/) override
    {
        if (FOwner->FReading == 0)
            FOwner->FLastCurrentRow = FOwner->CurrentRow();
    }
    void RecordChanged(TField* field) override { Guard([this, field] { FOwner->RecordChanged(field); }); }
    void EditingChanged() override { FOwner->FSignature.clear(); }

private:
    // A failure while following the dataset must not break the dataset's own operation.
    template <class F>
    void Guard(F&& handler)
    {
        if (FOwner->FReading > 0)
            return;
        try {
            handler();
        } catch (...) {
            HandleException(nullptr);
        }
    }
    TZDataSetModel* FOwner;
};

TZDataSetModel::TZDataSetModel(QObject* parent) : QAbstractTableModel(parent), FLink(std::make_unique<TLink>(this))
{
    FLink->SetBufferCount(FPageSize);
}

TZDataSetModel::~TZDataSetModel()
{
    FLink->SetDataSource(nullptr);
}

TDataSource* TZDataSetModel::GetDataSource() const
{
    return FLink->DataSource();
}

void TZDataSetModel::SetDataSource(TDataSource* value)
{
    if (value == FLink->DataSource())
        return;
    FLink->SetDataSource(value);
    Reset();
}

TDataSet* TZDataSetModel::DataSet() const
{
    return FLink->Active() ? FLink->DataSet() : nullptr;
}

void TZDataSetModel::SetPageSize(int value)
{
    value = std::max(value, 1);
    if (value == FPageSize)
        return;
    FPageSize = value;
    FLink->SetBufferCount(value);
}

TField* TZDataSetModel::ColumnField(int column) const
{
    return column >= 0 && column < int(FColumns.size()) ? FColumns[size_t(column)].data() : nullptr;
}

// --- Following the dataset --------------------------------------------------------------------

void TZDataSetModel::Reset()
{
    beginResetModel();
    FColumns.clear();
    FFields.clear();
    FCache.clear();
    FSignature.clear();
    FRowCount = 0;
    FAllFetched = true;
    FLastBookmark.clear();
    FLastCurrentRow = -1;
    if (TDataSet* dataSet = DataSet()) {
        for (const auto& field : dataSet->Fields()) {
            FFields.emplace_back(field.get());
            if (field->GetVisible())
                FColumns.emplace_back(field.get());
        }
        FFetchMode = !dataSet->IsRecordCountKnown();
        FAllFetched = !FFetchMode;
        FRowCount = FFetchMode ? 0 : std::max(dataSet->RecordCount(), 0);
        FLastCurrentRow = CurrentRow();
    }
    endResetModel();
}

void TZDataSetModel::DataSetChanged()
{
    TDataSet* dataSet = DataSet();
    if (!dataSet) {
        Reset();
        return;
    }
    const QStringList signature = WindowSignature();
    const bool same = !FSignature.isEmpty() && signature == FSignature;
    if (FFetchMode) {
        if (!same)
            Reset();
        FSignature = WindowSignature();
        return;
    }
    const int count = std::max(dataSet->RecordCount(), 0);
    const int current = CurrentRow();
    const bool browsing = dataSet->State() == dsBrowse;
    if (count == FRowCount) {
        // A walk of another control that came back to where it was changes nothing.
        if (same)
            return;
        FCache.clear();
        if (count > 0)
            Q_EMIT dataChanged(index(0, 0), index(count - 1, std::max(columnCount() - 1, 0)));
    } else if (count == FRowCount + 1 && browsing && current >= 0 && current < count) {
        // A record posted: it is the current one.
        beginInsertRows(QModelIndex(), current, current);
        FRowCount = count;
        FCache.clear();
        endInsertRows();
        Q_EMIT dataChanged(index(0, 0), index(count - 1, std::max(columnCount() - 1, 0)));
    } else if (count == FRowCount - 1 && browsing && FLastCurrentRow >= 0 && FLastCurrentRow < FRowCount) {
        // A record deleted: the one that was current.
        beginRemoveRows(QModelIndex(), FLastCurrentRow, FLastCurrentRow);
        FRowCount = count;
        FCache.clear();
        endRemoveRows();
        if (count > 0)
            Q_EMIT dataChanged(index(0, 0), index(count - 1, std::max(columnCount() - 1, 0)));
    } else {
        Reset();
    }
    FLastCurrentRow = current;
    FSignature = WindowSignature();
}

void TZDataSetModel::RecordChanged(TField* /*field*/)
{
    FSignature.clear();
    const int row = CurrentRow();
    if (row < 0 || row >= FRowCount || columnCount() == 0)
        return;
    FCache[row] = ReadCurrent();
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

// --- Reading rows --------------------------------------------------------------------------

int TZDataSetModel::CurrentRow() const
{
    TDataSet* dataSet = DataSet();
    if (!dataSet || dataSet->State() == dsInsert || dataSet->IsEmpty() || !dataSet->IsSequenced())
        return -1;
    return dataSet->RecNo() - 1;
}

TZDataSetModel::TRow TZDataSetModel::ReadCurrent() const
{
    TRow row;
    row.Values.reserve(FFields.size());
    for (const QPointer<TField>& field : FFields) {
        row.Values.push_back(field ? field->GetValue() : QVariant());
        row.Texts.push_back(field ? field->DisplayText() : QString());
    }
    return row;
}

QStringList TZDataSetModel::WindowSignature() const
{
    QStringList signature;
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return signature;
    const int active = FLink->ActiveRecord();
    const auto restore = qScopeGuard([this, active] { FLink->SetActiveRecord(active); });
    signature << QString::number(dataSet->RecordCount()) << QString::number(active);
    for (int i = 0; i < FLink->RecordCount(); ++i) {
        FLink->SetActiveRecord(i);
        signature << QString::fromLatin1(dataSet->GetBookmark().toHex());
        for (const QPointer<TField>& field : FFields)
            signature << (field ? field->DisplayText() : QString());
    }
    return signature;
}

void TZDataSetModel::ReadWindow() const
{
    const int current = CurrentRow();
    if (current < 0)
        return;
    const int active = FLink->ActiveRecord();
    const auto restore = qScopeGuard([this, active] { FLink->SetActiveRecord(active); });
    for (int i = 0; i < FLink->RecordCount(); ++i) {
        FLink->SetActiveRecord(i);
        FCache[current - active + i] = ReadCurrent();
    }
}

bool TZDataSetModel::MoveToRow(int row) const
{
    TDataSet* dataSet = DataSet();
    if (FFetchMode && row == 0) {
        dataSet->First();
        return !dataSet->IsEmpty();
    }
    if (FFetchMode && row == FRowCount && dataSet->BookmarkValid(FLastBookmark)) {
        // The next page goes on from the last row fetched, counting nothing.
        dataSet->GotoBookmark(FLastBookmark);
        return dataSet->MoveBy(1) == 1;
    }
    if (dataSet->IsSequenced()) {
        dataSet->SetRecNo(row + 1);
        return dataSet->RecNo() == row + 1;
    }
    dataSet->First();
    return !dataSet->IsEmpty() && dataSet->MoveBy(row) == row;
}

template <class F>
void TZDataSetModel::Walk(F&& work) const
{
    TDataSet* dataSet = DataSet();
    ++FReading;
    const auto done = qScopeGuard([this] { --FReading; });
    const TBookmark bookmark = dataSet->IsEmpty() ? TBookmark() : dataSet->GetBookmark();
    const int ring = dataSet->ActiveRecord();
    TDataSetControlsGuard controls(dataSet);
    const auto back = qScopeGuard([&] {
        // The application's record comes back on the buffer row it had, so that the
        // controls showing it do not scroll.
        try {
            if (bookmark.isEmpty() || !dataSet->BookmarkValid(bookmark))
                return;
            dataSet->GotoBookmark(bookmark);
            dataSet->UpdateCursorPos();
            FLink->SetActiveRecord(ring - FLink->FirstRecord());
            dataSet->Resync(TResyncMode(rmExact));
        } catch (...) {
        }
    });
    work(dataSet);
}

int TZDataSetModel::ReadPage(int first, int count) const
{
    TDataSet* dataSet = DataSet();
    if (!dataSet || dataSet->State() != dsBrowse || dataSet->IsEmpty())
        return 0;
    int read = 0;
    Walk([&](TDataSet* walked) {
        if (!MoveToRow(first))
            return;
        for (; read < count; ++read) {
            if (read > 0 && walked->MoveBy(1) != 1)
                break;
            FCache[first + read] = ReadCurrent();
            if (FFetchMode)
                FLastBookmark = walked->GetBookmark();
        }
    });
    return read;
}

const TZDataSetModel::TRow* TZDataSetModel::Row(int row) const
{
    auto it = FCache.find(row);
    if (it != FCache.end())
        return &it->second;
    if (FReading > 0 || !DataSet())
        return nullptr;
    if (FCache.size() > size_t(FPageSize) * 64)
        FCache.clear();
    try {
        ReadWindow();
        if (FCache.find(row) == FCache.end())
            ReadPage(row - row % FPageSize, FPageSize);
    } catch (...) {
        HandleException(nullptr);
    }
    it = FCache.find(row);
    return it == FCache.end() ? nullptr : &it->second;
}

// --- The model's interface ---------------------------------------------------------------------

int TZDataSetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : FRowCount;
}

int TZDataSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(FColumns.size());
}

QVariant TZDataSetModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    TField* field = ColumnField(index.column());
    if (!field)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(field->GetAlignment() | Qt::AlignVCenter);
    const bool fieldRole = role >= FieldRole && role < FieldRole + int(FFields.size());
    if (role != Qt::DisplayRole && role != Qt::EditRole && !fieldRole)
        return {};
    const TRow* row = Row(index.row());
    if (!row)
        return {};
    if (fieldRole)
        return row->Values[size_t(role - FieldRole)];
    const auto position = std::find(FFields.begin(), FFields.end(), QPointer<TField>(field)) - FFields.begin();
    if (position >= qsizetype(row->Values.size()))
        return {};
    return role == Qt::DisplayRole ? QVariant(row->Texts[position]) : row->Values[size_t(position)];
}

QVariant TZDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Vertical)
        return section + 1;
    TField* field = ColumnField(section);
    return field ? QVariant(field->GetDisplayLabel()) : QVariant();
}

Qt::ItemFlags TZDataSetModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (!index.isValid())
        return result;
    result |= Qt::ItemNeverHasChildren;
    TField* field = ColumnField(index.column());
    TDataSet* dataSet = DataSet();
    if (field && dataSet && dataSet->CanModify() && !field->GetReadOnly() && !field->Calculated())
        result |= Qt::ItemIsEditable;
    return result;
}

QHash<int, QByteArray> TZDataSetModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractTableModel::roleNames();
    names[Qt::EditRole] = "edit";
    for (size_t i = 0; i < FFields.size(); ++i)
        if (FFields[i])
            names[FieldRole + int(i)] = FFields[i]->GetFieldName().toUtf8();
    return names;
}

bool TZDataSetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    TField* field = ColumnField(index.column());
    if (!field || !(flags(index) & Qt::ItemIsEditable))
        return false;
    bool written = false;
    try {
        written = WriteValue(index.row(), field, value);
    } catch (...) {
        HandleException(nullptr);
    }
    FCache.clear();
    FSignature.clear();
    if (FRowCount > 0 && columnCount() > 0)
        Q_EMIT dataChanged(this->index(0, 0), this->index(FRowCount - 1, columnCount() - 1));
    return written;
}

namespace {

// A value from a view's editor: text for a field of another type is its edit text.
void AssignValue(TField* field, const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<QString>() && !IsStringFieldType(field->DataType()))
        field->SetEditText(value.toString());
    else
        field->SetValue(value);
}

} // namespace

bool TZDataSetModel::WriteValue(int row, TField* field, const QVariant& value)
{
    TDataSet* dataSet = DataSet();
    if (IsEditMode(dataSet->State())) {
        // The application's pending edit: only its own record takes the value.
        if (dataSet->State() != dsEdit || row != CurrentRow())
            return false;
        AssignValue(field, value);
        return true;
    }
    bool written = false;
    std::exception_ptr failure;
    Walk([&](TDataSet* walked) {
        if (!MoveToRow(row))
            return;
        try {
            walked->Edit();
            AssignValue(field, value);
            walked->Post();
            written = true;
        } catch (...) {
            failure = std::current_exception();
            walked->Cancel();
        }
    });
    if (failure)
        std::rethrow_exception(failure);
    return written;
}

bool TZDataSetModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && FFetchMode && !FAllFetched && !FFetching && DataSet();
}

void TZDataSetModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    // Views asked from inside the insertion wait for the next page.
    FFetching = true;
    const auto done = qScopeGuard([this] { FFetching = false; });
    int read = 0;
    try {
        read = ReadPage(FRowCount, FPageSize);
    } catch (...) {
        HandleException(nullptr);
    }
    TDataSet* dataSet = DataSet();
    if (read < FPageSize && dataSet && dataSet->State() == dsBrowse)
        FAllFetched = true;
    if (read == 0)
        return;
    beginInsertRows(QModelIndex(), FRowCount, FRowCount + read - 1);
    FRowCount += read;
    endInsertRows();
}

} // namespace zdb
