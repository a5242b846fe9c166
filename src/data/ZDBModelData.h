#pragma once
// Qt's model/view classes and our datasets, both ways.
//
// TZModelDataSet shows the top-level rows of any QAbstractItemModel (a
// QStandardItemModel, a QSqlTableModel, an application's own model) as a dataset:
//
//   QStandardItemModel model;               // filled by the application
//   TZModelDataSet data;
//   data.SetModel(&model);
//   data.Open();                            // fields from the model's columns
//   source.SetDataSet(&data);               // a TDataSource the grid shows
//
// Fields: without field definitions of the application, one field per model
// column, named by the column's horizontal header (DisplayRole; "Column<n>" when it
// has none, a suffix "_<n>" for a repeated name) and typed by the values of the
// first GuessRows rows (int, qlonglong, double, bool, QDate, QTime, QDateTime,
// QByteArray; anything else is a wide string). Definitions the application made
// before opening are kept: each takes the column whose header names it, else the
// column of its position. Values are read and written in the model's EditRole
// (DataRole), converted to the field's type.
//
// Records are the model's top-level rows. The dataset keeps its own view of them
// (record index -> model row) so that sorting (IndexFieldNames, which the grid's
// click-to-sort sets through the "*TZDBCustomData" entry of the sort registry) and
// filtering (Filter, OnFilterRecord) never reorder or change the model. Posting
// writes the fields written since Edit/Insert through setData (a refused value raises
// and leaves the edit pending), then calls the model's submit(); an insert is a new
// model row made by insertRows at the record's place; Delete is removeRows.
//
// The dataset follows the model's signals: changed values repaint the records shown
// (re-sorting when an index field changed); rows inserted, removed or moved, a
// layout change and a reset rebuild its view and keep the current record on its
// model row when that row still exists.
//
// Bookmarks are model rows: they hold across sorting and filtering, not across rows the
// model inserts or removes before them. A pending edit survives a change that keeps
// its row; when its row goes, the edit is cancelled.
//
// TZDataSetModel shows any of our datasets (through a TDataSource) as a
// QAbstractTableModel for a QTableView or QML: one column per visible field, one
// row per record. See the class comment below.

#include "ZDBCustData.h"

#include <QAbstractTableModel>
#include <QPersistentModelIndex>
#include <QPointer>

#include <memory>
#include <unordered_map>
#include <vector>

namespace zdb {

class TZModelDataSet : public TZDBCustomData {
    Q_OBJECT
    Q_PROPERTY(QString IndexFieldNames READ GetIndexFieldNames WRITE SetIndexFieldNames)

public:
    explicit TZModelDataSet(QObject* parent = nullptr);
    ~TZModelDataSet() override;

    // The model shown (not owned; forgotten when it is destroyed). Reopens an open dataset.
    QAbstractItemModel* GetModel() const { return FModel; }
    void SetModel(QAbstractItemModel* value);
    // The rows looked at to guess the field types (default 16).
    int GetGuessRows() const { return FGuessRows; }
    void SetGuessRows(int value) { FGuessRows = value > 0 ? value : 1; }
    // The role values are read and written in (default Qt::EditRole).
    int GetDataRole() const { return FDataRole; }
    void SetDataRole(int value);

    // ";"-separated field names, each optionally followed by " DESC"; empty: the model's
    // order. Raises for an unknown name and keeps the order in force.
    QString GetIndexFieldNames() const { return FIndexFieldNames; }
    void SetIndexFieldNames(const QString& value);

    // The model row of a record index (0-based) and back; -1 when there is none.
    int ModelRow(int recordIndex) const;
    int RecordOfModelRow(int row) const;
    // The model column a field reads; -1 for none.
    int ModelColumn(const TField* field) const;

protected:
    void InternalInitFieldDefs() override;
    void InternalOpen() override;
    void InternalClose() override;
    void InternalPost() override;
    bool SupportsFieldType(TFieldType type) const override;
    void DoOnCountRecords(int& count) override;
    void DoOnGetFieldData(int index, TField* field, QVariant& value) override;
    void DoOnSetFieldData(int index, TField* field, const QVariant& value) override;
    void DoOnInsertRecord(int index) override;
    void DoOnDeleteRecord(int index) override;
    // Bookmarks are model rows, so that they survive sorting and filtering.
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    TBookmark GetBookmarkData(TRecordBuffer buffer) const override;
    void SetBookmarkData(TRecordBuffer buffer, const TBookmark& data) override;
    bool InternalBookmarkValid(const TBookmark& bookmark) const override;

private:
    class TSelfChange;
    void ConnectModel(bool connect);
    void MapColumns();
    // The view: every top-level row, sorted by the index fields.
    void BuildView();
    void SortView();
    // Remembers the current record's model row before the model changes its rows.
    void ModelAboutToChange();
    // Rebuilds the view after the model changed its rows and puts the cursor back.
    void ModelRowsChanged();
    void ModelDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    // Whether rows the model inserted or removed are this dataset's own change (the view
    // is then adjusted by the caller); another's rebuilds the view at once.
    bool OwnRowsChange();
    void RowsInserted(int first, int last);
    void RowsRemoved(int first, int last);
    // The record index of the active record; -1 on an empty dataset.
    int ActiveIndex() const { return IsEmpty() ? -1 : GetRecordIndex(); }
    // Places the cursor on a record index and reads the records again around it.
    void Reposition(int recordIndex);
    [[noreturn]] void ModelError(const QString& message) const;

    QPointer<QAbstractItemModel> FModel;
    std::vector<QMetaObject::Connection> FConnections;
    int FGuessRows = 16;
    int FDataRole = Qt::EditRole;
    QString FIndexFieldNames;
    std::vector<int> FView;    // record index -> model row
    mutable std::vector<int> FRecordOf; // model row -> record index (-1: none), made when asked
    mutable bool FRecordOfValid = false;
    std::vector<int> FColumns; // field number - 1 -> model column
    std::vector<std::pair<int, bool>> FSortKeys; // field number - 1, descending
    QPersistentModelIndex FKeepRow;
    bool FKeeping = false; // a row was kept (FKeepRow invalid now: it went)
    int FKeepRecord = -1;
    std::vector<QPersistentModelIndex> FDeadRows; // deleted rows the model still shows
    int FSelfChange = 0;
    int FInsertAt = -1; // where a row this dataset inserts goes in the view
    bool FOwnDefs = false;
};

// TZDataSetModel: a dataset as a table model.
//
//   TZDataSetModel model;
//   model.SetDataSource(&source);
//   view.setModel(&model);
//
// Columns are the dataset's visible fields (headers: DisplayLabel; vertical headers:
// record numbers); rows are its records. DisplayRole gives a field's DisplayText,
// EditRole its value, TextAlignmentRole its alignment; for QML, roleNames adds
// "display" and "edit" and one role per field named by the field (FieldRole + the
// field's position), whose value is that field's on the row whatever the column.
//
// Reading never moves the application's record visibly: rows inside the dataset's
// record window (the link asks for PageSize records) are read from their buffers;
// others a page at a time, with the dataset's controls disabled, the cursor brought
// back to its record on the same buffer row. Pages are kept until the dataset
// changes. While the dataset is editing or inserting only the window is read.
//
// Row count: the dataset's RecordCount when it knows it (IsRecordCountKnown);
// otherwise (a TZSQLQuery, whose count is a server query) rows come in pages through
// canFetchMore/fetchMore, so nothing is read before a view needs it.
//
// setData edits the row's record (Edit, the value, Post); a refused value cancels the
// edit, keeps the dataset's record and returns false. While the application edits
// another record nothing is written. The dataset's changes come through a data link:
// a record posted or deleted is a row inserted or removed, a changed record a
// dataChanged, a changed layout or a reopened dataset a reset.
class TZDataSetModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int FieldRole = Qt::UserRole + 1;

    explicit TZDataSetModel(QObject* parent = nullptr);
    ~TZDataSetModel() override;

    TDataSource* GetDataSource() const;
    void SetDataSource(TDataSource* value);
    TDataSet* DataSet() const;
    int GetPageSize() const { return FPageSize; }
    void SetPageSize(int value);
    // The field of a column; none outside.
    TField* ColumnField(int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QHash<int, QByteArray> roleNames() const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    class TLink;
    friend class TLink;
    struct TRow {
        std::vector<QVariant> Values; // by field position
        QStringList Texts;
    };

    // Link reactions.
    void Reset();
    void DataSetChanged();
    void RecordChanged(TField* field);
    void EditingChanged();

    // The row number (0-based) of the dataset's current record; -1 when unknown.
    int CurrentRow() const;
    // Reads the rows of the link's window into the cache, moving nothing.
    void ReadWindow() const;
    // Runs work(dataSet) with the dataset's controls disabled and this model deaf to
    // them, then brings the application's record back on its buffer row.
    template <class F>
    void Walk(F&& work) const;
    // Moves the cursor to a row (inside Walk); whether it is there.
    bool MoveToRow(int row) const;
    // Reads `count` rows from `first` by moving the cursor; returns how many exist.
    int ReadPage(int first, int count) const;
    const TRow* Row(int row) const;
    TRow ReadCurrent() const;
    bool WriteValue(int row, TField* field, const QVariant& value);
    // A description of the window's records, to tell a walk that came back from a change.
    QStringList WindowSignature() const;

    std::unique_ptr<TLink> FLink;
    std::vector<QPointer<TField>> FColumns;   // visible fields
    std::vector<QPointer<TField>> FFields;    // every field, for the field roles
    int FPageSize = 64;
    int FRowCount = 0;
    bool FFetchMode = false;  // rows come through fetchMore
    bool FAllFetched = true;
    bool FFetching = false;
    mutable TBookmark FLastBookmark; // the last row fetched
    int FLastCurrentRow = -1;
    mutable std::unordered_map<int, TRow> FCache;
    mutable int FReading = 0;
    QStringList FSignature;
};

} // namespace zdb
