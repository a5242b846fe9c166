// TZModelDataSet: an item model's top-level rows as a dataset.

#include "ZDBModelData.h"

#include "DBError.h"
#include "ZDBMemData.h"

#include <QCoreApplication>
#include <QAbstractItemModel>
#include <QDate>
#include <QDateTime>
#include <QSet>
#include <QSqlError>
#include <QSqlTableModel>
#include <QTime>

#include <algorithm>
#include <numeric>
#include <utility>

namespace zdb {

namespace {

// The field type of a model value.
TFieldType GuessFieldType(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return ftInteger;
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return ftLargeint;
    case QMetaType::Double:
    case QMetaType::Float:
        return ftFloat;
    case QMetaType::Bool:
        return ftBoolean;
    case QMetaType::QDate:
        return ftDate;
    case QMetaType::QTime:
        return ftTime;
    case QMetaType::QDateTime:
        return ftDateTime;
    case QMetaType::QByteArray:
        return ftBlob;
    default:
        return ftWideString;
    }
}

// The Qt type values of a field type are held in; an invalid type keeps the value as it is.
QMetaType FieldMetaType(TFieldType type)
{
    if (IsStringFieldType(type) || IsMemoFieldType(type))
        return QMetaType::fromType<QString>();
    if (type == ftLargeint)
        return QMetaType::fromType<qlonglong>();
    if (IsIntegerFieldType(type))
        return QMetaType::fromType<int>();
    if (IsFloatFieldType(type))
        return QMetaType::fromType<double>();
    switch (type) {
    case ftBoolean:
        return QMetaType::fromType<bool>();
    case ftDate:
        return QMetaType::fromType<QDate>();
    case ftTime:
        return QMetaType::fromType<QTime>();
    case ftDateTime:
    case ftTimeStamp:
        return QMetaType::fromType<QDateTime>();
    case ftBlob:
    case ftBytes:
    case ftVarBytes:
    case ftGraphic:
        return QMetaType::fromType<QByteArray>();
    default:
        return QMetaType();
    }
}

// Orders two values of one column: nulls first, then by value.
int CompareValues(const QVariant& a, const QVariant& b)
{
    const bool nullA = a.isNull(), nullB = b.isNull();
    if (nullA || nullB)
        return nullA == nullB ? 0 : (nullA ? -1 : 1);
    if (a.metaType() == b.metaType() && a.metaType() == QMetaType::fromType<QString>())
        return a.toString().compare(b.toString());
    const QPartialOrdering order = QVariant::compare(a, b);
    if (order == QPartialOrdering::Unordered)
        return a.toString().compare(b.toString());
    return order == QPartialOrdering::Less ? -1 : (order == QPartialOrdering::Greater ? 1 : 0);
}

} // namespace

// Counts this dataset's own calls into the model, whose signals it then accounts for itself.
class TZModelDataSet::TSelfChange {
public:
    explicit TSelfChange(TZModelDataSet* owner) : FOwner(owner) { ++FOwner->FSelfChange; }
    ~TSelfChange() { --FOwner->FSelfChange; }
    TSelfChange(const TSelfChange&) = delete;
    TSelfChange& operator=(const TSelfChange&) = delete;

private:
    TZModelDataSet* FOwner;
};

TZModelDataSet::TZModelDataSet(QObject* parent) : TZDBCustomData(parent) {}

TZModelDataSet::~TZModelDataSet()
{
    ConnectModel(false);
    try {
        Close();
    } catch (...) {
    }
}

void TZModelDataSet::SetModel(QAbstractItemModel* value)
{
    if (value == FModel)
        return;
    const bool active = GetActive();
    if (active)
        Close();
    ConnectModel(false);
    FModel = value;
    if (FOwnDefs) {
        FieldDefs().Clear();
        FOwnDefs = false;
    }
    ConnectModel(true);
    if (active)
        Open();
}

void TZModelDataSet::SetDataRole(int value)
{
    if (value == FDataRole)
        return;
    FDataRole = value;
    if (GetActive()) {
        CheckBrowseMode();
        SortView();
        Reposition(ActiveIndex());
    }
}

void TZModelDataSet::ConnectModel(bool connect)
{
    for (const QMetaObject::Connection& connection : FConnections)
        QObject::disconnect(connection);
    FConnections.clear();
    if (!connect || !FModel)
        return;
    QAbstractItemModel* model = FModel;
    auto add = [this](QMetaObject::Connection connection) { FConnections.push_back(connection); };
    auto top = [](const QModelIndex& parent) { return !parent.isValid(); };
    add(QObject::connect(model, &QAbstractItemModel::dataChanged, this,
                         [this](const QModelIndex& a, const QModelIndex& b) { ModelDataChanged(a, b); }));
    add(QObject::connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this,
                         [this, top](const QModelIndex& p) { if (top(p)) ModelAboutToChange(); }));
    add(QObject::connect(model, &QAbstractItemModel::rowsInserted, this,
                         [this, top](const QModelIndex& p, int first, int last) {
                             if (top(p))
                                 RowsInserted(first, last);
                         }));
    add(QObject::connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                         [this, top](const QModelIndex& p) { if (top(p)) ModelAboutToChange(); }));
    add(QObject::connect(model, &QAbstractItemModel::rowsRemoved, this,
                         [this, top](const QModelIndex& p, int first, int last) {
                             if (top(p))
                                 RowsRemoved(first, last);
                         }));
    add(QObject::connect(model, &QAbstractItemModel::rowsAboutToBeMoved, this, [this] { ModelAboutToChange(); }));
    add(QObject::connect(model, &QAbstractItemModel::rowsMoved, this, [this] { ModelRowsChanged(); }));
    add(QObject::connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, [this] { ModelAboutToChange(); }));
    add(QObject::connect(model, &QAbstractItemModel::layoutChanged, this, [this] { ModelRowsChanged(); }));
    add(QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { ModelAboutToChange(); }));
    add(QObject::connect(model, &QAbstractItemModel::modelReset, this, [this] { ModelRowsChanged(); }));
    auto columns = [this] {
        if (!GetActive())
            return;
        MapColumns();
        if (State() == dsBrowse)
            Reposition(ActiveIndex());
    };
    add(QObject::connect(model, &QAbstractItemModel::columnsInserted, this, columns));
    add(QObject::connect(model, &QAbstractItemModel::columnsRemoved, this, columns));
    add(QObject::connect(model, &QAbstractItemModel::columnsMoved, this, columns));
    add(QObject::connect(model, &QObject::destroyed, this, [this] {
        try {
            Close();
        } catch (...) {
        }
        FConnections.clear();
    }));
}

// --- Fields ---------------------------------------------------------------------------------

bool TZModelDataSet::SupportsFieldType(TFieldType /*type*/) const
{
    return true;
}

void TZModelDataSet::InternalInitFieldDefs()
{
    if (FieldDefs().Count() > 0 || FieldCount() > 0 || !FModel) {
        TZDBCustomData::InternalInitFieldDefs();
        return;
    }
    const int columns = FModel->columnCount();
    const int rows = std::min(FModel->rowCount(), FGuessRows);
    QSet<QString> used;
    for (int column = 0; column < columns; ++column) {
        QString name = FModel->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().trimmed();
        if (name.isEmpty())
            name = QStringLiteral("Column%1").arg(column + 1);
        const QString base = name;
        for (int n = 2; used.contains(name.toLower()); ++n)
            name = QStringLiteral("%1_%2").arg(base).arg(n);
        used.insert(name.toLower());
        TFieldType type = ftUnknown;
        for (int row = 0; row < rows && type != ftWideString; ++row) {
            const QVariant value = FModel->data(FModel->index(row, column), FDataRole);
            if (value.isNull())
                continue;
            const TFieldType guess = GuessFieldType(value);
            if (type == ftUnknown || type == guess)
                type = guess;
            else if ((type == ftInteger || type == ftLargeint) && (guess == ftInteger || guess == ftLargeint))
                type = ftLargeint;
            else if (IsFloatFieldType(type) || IsFloatFieldType(guess))
                type = (IsIntegerFieldType(type) || IsIntegerFieldType(guess)) ? ftFloat : ftWideString;
            else
                type = ftWideString;
        }
        FieldDefs().Add(name, type == ftUnknown ? ftWideString : type);
    }
    FOwnDefs = true;
}

void TZModelDataSet::MapColumns()
{
    FColumns.assign(size_t(FieldDefs().Count()), -1);
    if (!FModel)
        return;
    const int columns = FModel->columnCount();
    for (int i = 0; i < FieldDefs().Count(); ++i) {
        const QString name = FieldDefs()[i].Name;
        int found = -1;
        for (int column = 0; column < columns && found < 0; ++column)
            if (FModel->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString().trimmed().compare(
                    name, Qt::CaseInsensitive) == 0)
                found = column;
        if (found < 0 && i < columns)
            found = i;
        FColumns[size_t(i)] = found;
    }
}

int TZModelDataSet::ModelColumn(const TField* field) const
{
    const int index = field ? field->FieldNo() - 1 : -1;
    return index >= 0 && index < int(FColumns.size()) ? FColumns[size_t(index)] : -1;
}

// --- Opening and the view ---------------------------------------------------------------------

void TZModelDataSet::InternalOpen()
{
    if (!FModel)
        DatabaseError(QStringLiteral("No model to show"), this);
    FieldDefs().SetUpdated(false);
    FieldDefs().Update();
    MapColumns();
    // Checked before anything is shown: the index names fields of these definitions.
    FSortKeys.clear();
    QStringList names;
    std::vector<bool> descending;
    ParseIndexFieldNames(FIndexFieldNames, names, descending);
    for (int i = 0; i < names.size(); ++i) {
        const int def = FieldDefs().IndexOf(names[i]);
        if (def >= 0)
            FSortKeys.emplace_back(def, descending[size_t(i)]);
    }
    BuildView();
    TZDBCustomData::InternalOpen();
}

void TZModelDataSet::InternalClose()
{
    TZDBCustomData::InternalClose();
    FView.clear();
    FRecordOfValid = false;
    FDeadRows.clear();
    FKeepRow = QPersistentModelIndex();
}

void TZModelDataSet::DoOnCountRecords(int& count)
{
    count = int(FView.size());
}

void TZModelDataSet::BuildView()
{
    FView.resize(size_t(FModel ? FModel->rowCount() : 0));
    std::iota(FView.begin(), FView.end(), 0);
    FRecordOfValid = false;
    std::erase_if(FDeadRows, [](const QPersistentModelIndex& row) { return !row.isValid(); });
    for (const QPersistentModelIndex& row : FDeadRows)
        std::erase(FView, row.row());
    SortView();
}

void TZModelDataSet::SortView()
{
    if (FSortKeys.empty() || !FModel)
        return;
    std::vector<std::pair<int, bool>> keys; // model column, descending
    for (const auto& [def, desc] : FSortKeys)
        if (def < int(FColumns.size()) && FColumns[size_t(def)] >= 0)
            keys.emplace_back(FColumns[size_t(def)], desc);
    if (keys.empty())
        return;
    // The values are read once, not at every comparison.
    std::vector<std::vector<QVariant>> values(keys.size());
    const int rows = FModel->rowCount();
    for (size_t k = 0; k < keys.size(); ++k) {
        values[k].resize(size_t(rows));
        for (int row = 0; row < rows; ++row)
            values[k][size_t(row)] = FModel->data(FModel->index(row, keys[k].first), FDataRole);
    }
    FRecordOfValid = false;
    std::stable_sort(FView.begin(), FView.end(), [&](int a, int b) {
        for (size_t k = 0; k < keys.size(); ++k) {
            const int order = CompareValues(values[k][size_t(a)], values[k][size_t(b)]);
            if (order != 0)
                return keys[k].second ? order > 0 : order < 0;
        }
        return false;
    });
}

void TZModelDataSet::SetIndexFieldNames(const QString& value)
{
    if (value == FIndexFieldNames)
        return;
    QStringList names;
    std::vector<bool> descending;
    ParseIndexFieldNames(value, names, descending);
    if (!GetActive()) {
        FIndexFieldNames = value;
        return;
    }
    CheckBrowseMode();
    std::vector<std::pair<int, bool>> keys;
    for (int i = 0; i < names.size(); ++i) {
        TField* field = FieldByName(names[i]); // raises for an unknown name
        if (field->FieldNo() <= 0)
            DatabaseError(QStringLiteral("Field '%1' is no column of the model").arg(names[i]), this);
        keys.emplace_back(field->FieldNo() - 1, descending[size_t(i)]);
    }
    const int row = ModelRow(ActiveIndex());
    FIndexFieldNames = value;
    FSortKeys = std::move(keys);
    BuildView();
    Reposition(RecordOfModelRow(row));
}

int TZModelDataSet::ModelRow(int recordIndex) const
{
    return recordIndex >= 0 && recordIndex < int(FView.size()) ? FView[size_t(recordIndex)] : -1;
}

int TZModelDataSet::RecordOfModelRow(int row) const
{
    if (row < 0)
        return -1;
    if (!FRecordOfValid) {
        const int rows = FView.empty() ? 0 : *std::max_element(FView.begin(), FView.end()) + 1;
        FRecordOf.assign(size_t(rows), -1);
        for (size_t i = 0; i < FView.size(); ++i)
            FRecordOf[size_t(FView[i])] = int(i);
        FRecordOfValid = true;
    }
    return row < int(FRecordOf.size()) ? FRecordOf[size_t(row)] : -1;
}

void TZModelDataSet::InternalGotoBookmark(const TBookmark& bookmark)
{
    qint32 row = 0;
    if (BookmarkIndex(bookmark, row))
        SetRecordNumber(RecordOfModelRow(row));
}

TBookmark TZModelDataSet::GetBookmarkData(TRecordBuffer buffer) const
{
    return IndexBookmark(ModelRow(CustBuf(buffer)->RecordIndex));
}

void TZModelDataSet::SetBookmarkData(TRecordBuffer buffer, const TBookmark& data)
{
    qint32 row = 0;
    if (BookmarkIndex(data, row) && RecordOfModelRow(row) >= 0)
        CustBuf(buffer)->RecordIndex = RecordOfModelRow(row);
}

bool TZModelDataSet::InternalBookmarkValid(const TBookmark& bookmark) const
{
    qint32 row = 0;
    return BookmarkIndex(bookmark, row) && RecordOfModelRow(row) >= 0;
}

void TZModelDataSet::Reposition(int recordIndex)
{
    const int count = int(FView.size());
    UpdateRecordCount(count);
    SetRecordNumber(count == 0 ? -1 : std::clamp(recordIndex, 0, count - 1));
    CursorPosChanged();
    Resync({});
}

// --- Values ---------------------------------------------------------------------------------

void TZModelDataSet::DoOnGetFieldData(int index, TField* field, QVariant& value)
{
    const int row = ModelRow(index);
    const int column = ModelColumn(field);
    if (!FModel || row < 0 || column < 0)
        return;
    value = FModel->data(FModel->index(row, column), FDataRole);
    const QMetaType type = FieldMetaType(field->DataType());
    if (value.isNull() || !type.isValid() || value.metaType() == type)
        return;
    if (!value.convert(type))
        value = QVariant();
}

void TZModelDataSet::ModelError(const QString& message) const
{
    QString text = message;
    if (const auto* sql = qobject_cast<const QSqlTableModel*>(FModel.data()))
        if (sql->lastError().isValid())
            text += QStringLiteral(": ") + sql->lastError().text();
    DatabaseError(text, const_cast<TZModelDataSet*>(this));
}

void TZModelDataSet::DoOnSetFieldData(int index, TField* field, const QVariant& value)
{
    const int row = ModelRow(index);
    const int column = ModelColumn(field);
    if (!FModel || row < 0 || column < 0)
        ModelError(QCoreApplication::translate("zdb", "Field '%1' has no place in the model").arg(field->DisplayName()));
    TSelfChange self(this);
    if (!FModel->setData(FModel->index(row, column), value, FDataRole))
        ModelError(QCoreApplication::translate("zdb", "The model refused the value of field '%1'").arg(field->DisplayName()));
}

void TZModelDataSet::DoOnInsertRecord(int index)
{
    if (!FModel)
        ModelError(QCoreApplication::translate("zdb", "No model to insert into"));
    const int row = index < int(FView.size()) ? FView[size_t(index)] : FModel->rowCount();
    TSelfChange self(this);
    FInsertAt = index;
    const bool inserted = FModel->insertRows(row, 1);
    FInsertAt = -1;
    if (!inserted)
        ModelError(QCoreApplication::translate("zdb", "The model refused a new row"));
}

void TZModelDataSet::DoOnDeleteRecord(int index)
{
    const int row = ModelRow(index);
    if (!FModel || row < 0)
        return;
    TSelfChange self(this);
    const int rows = FModel->rowCount();
    if (!FModel->removeRows(row, 1))
        ModelError(QCoreApplication::translate("zdb", "The model refused to remove the row"));
    if (FModel->rowCount() == rows && RecordOfModelRow(row) == index) {
        // A model that keeps a deleted row until it is refreshed (a QSqlTableModel keeps
        // a blank one): the record leaves the view and stays out of it.
        FDeadRows.emplace_back(FModel->index(row, 0));
        FView.erase(FView.begin() + index);
        FRecordOfValid = false;
    }
}

void TZModelDataSet::InternalPost()
{
    TZDBCustomData::InternalPost();
    const int row = ModelRow(GetRecordNumber());
    {
        TSelfChange self(this);
        if (!FModel->submit())
            ModelError(QCoreApplication::translate("zdb", "The model refused the record"));
    }
    // The posted record takes its place in the order; TDataSet::Post reads the records
    // again around it.
    if (!FSortKeys.empty()) {
        SortView();
        const int record = RecordOfModelRow(row);
        if (record >= 0)
            SetRecordNumber(record);
    }
}

// --- Following the model -----------------------------------------------------------------------

void TZModelDataSet::ModelAboutToChange()
{
    if (!GetActive() || FSelfChange > 0)
        return;
    FKeepRecord = ActiveIndex();
    const int row = ModelRow(State() == dsInsert ? -1 : FKeepRecord);
    FKeepRow = row >= 0 && FModel ? QPersistentModelIndex(FModel->index(row, 0)) : QPersistentModelIndex();
    FKeeping = row >= 0;
}

bool TZModelDataSet::OwnRowsChange()
{
    if (!GetActive())
        return false;
    if (FSelfChange == 0) {
        ModelRowsChanged();
        return false;
    }
    FRecordOfValid = false;
    return true;
}

void TZModelDataSet::RowsInserted(int first, int last)
{
    if (!OwnRowsChange())
        return;
    // A row this dataset inserted: it takes the record's place; the other rows shift.
    const int count = last - first + 1;
    for (int& row : FView)
        if (row >= first)
            row += count;
    const int at = FInsertAt >= 0 ? std::min(FInsertAt, int(FView.size())) : int(FView.size());
    for (int row = last; row >= first; --row)
        FView.insert(FView.begin() + at, row);
}

void TZModelDataSet::RowsRemoved(int first, int last)
{
    if (!OwnRowsChange())
        return;
    const int count = last - first + 1;
    std::erase_if(FView, [first, last](int row) { return row >= first && row <= last; });
    for (int& row : FView)
        if (row > last)
            row -= count;
}

void TZModelDataSet::ModelRowsChanged()
{
    if (!GetActive())
        return;
    if (FSelfChange > 0) {
        // The model rebuilt itself while taking this dataset's change (a reset on
        // submit): the view is made again; Post or Delete read the records after it.
        BuildView();
        UpdateRecordCount(int(FView.size()));
        SetRecordNumber(std::min(GetRecordNumber(), int(FView.size()) - 1));
        return;
    }
    // The record of the row kept, -1 when that row went; without one, the same index.
    const bool keeping = std::exchange(FKeeping, false);
    const int keepRow = FKeepRow.isValid() ? FKeepRow.row() : -1;
    const int keepRecord = std::exchange(FKeepRecord, -1);
    FKeepRow = QPersistentModelIndex();
    BuildView();
    const int record = keeping ? RecordOfModelRow(keepRow) : keepRecord;
    switch (State()) {
    case dsEdit:
        if (record < 0) {
            Cancel(); // its row is gone
            Reposition(keepRecord);
            return;
        }
        // The edit goes on: the record it edits moved to another index.
        UpdateRecordCount(int(FView.size()));
        CustBuf(ActiveBuffer())->RecordIndex = record;
        SetRecordNumber(record);
        DataEvent(deDataSetChange, 0);
        return;
    case dsInsert:
        UpdateRecordCount(int(FView.size()));
        CustBuf(ActiveBuffer())->RecordIndex = std::clamp(keepRecord, 0, int(FView.size()));
        DataEvent(deDataSetChange, 0);
        return;
    default:
        Reposition(record >= 0 ? record : keepRecord);
    }
}

void TZModelDataSet::ModelDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    if (!GetActive() || FSelfChange > 0 || topLeft.parent().isValid())
        return;
    bool sortColumn = false;
    for (const auto& [def, desc] : FSortKeys) {
        const int column = def < int(FColumns.size()) ? FColumns[size_t(def)] : -1;
        sortColumn = sortColumn || (column >= topLeft.column() && column <= bottomRight.column());
    }
    if (sortColumn) {
        ModelAboutToChange();
        ModelRowsChanged();
        return;
    }
    // Values are read again with the records; a pending edit keeps its own values.
    if (State() == dsBrowse)
        Reposition(ActiveIndex());
    else
        DataEvent(deDataSetChange, 0);
}

} // namespace zdb
