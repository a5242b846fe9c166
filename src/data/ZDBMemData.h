#pragma once
// TZMemDataSet: an in-memory table.
//
// Define the fields, create the dataset, then edit it like any other dataset:
//
//   TZMemDataSet table;
//   table.FieldDefs().Add("Name", ftWideString, 40);
//   table.FieldDefs().Add("Amount", ftFloat);
//   table.CreateDataSet();
//   table.Append();
//   table.FieldByName("Name")->SetValue("Smith");
//   table.Post();
//   table.SetIndexFieldNames("Name;Amount DESC");
//
// Rows are stored by column (typed vectors with a null flag per cell) under
// stable row ids; the dataset shows a view: the row ids that pass Filter and
// OnFilterRecord, in the order of the active index. Ties of an index keep the
// rows' creation order. Without an index the view keeps the order in which the
// rows were placed (Insert puts a row before the current one, Append at the end).
// Closing the dataset discards its rows.
//
// Ordering: IndexFieldNames (";"-separated names, each optionally followed by
// " DESC") or IndexName (a definition of IndexDefs); setting one clears the
// other. String keys compare by UTF-16 code units, case-insensitively where the
// index says so; nulls come first in ascending order. The grid's click-to-sort
// reaches this class through the sort-order registry's built-in
// "*TZDBCustomData" entry: coChangeIndexFields on the property "IndexFieldNames",
// descending written as " DESC".
//
// Master/detail: with MasterSource and MasterFields (";"-list of the master's fields)
// the dataset shows only the records whose link fields equal the master's values on its
// current record, in the order of the active index. The link fields are fixed when the
// link is set (or, set on a closed dataset, when it opens): the leading fields of the
// index in force then (IndexFieldNames or IndexName; without an index long enough, the
// fields named like the master's); sorting the detail later, by any index, keeps them.
// Link values compare exactly. The detail follows the master as it scrolls,
// edits those fields, opens and closes (no records while the master is closed or one
// of its values is null). A new record starts with the master's values in those fields.
// The master is only read, never moved.
//
// Bookmarks are the 4-byte row id: they stay valid across inserts, deletes,
// filtering and re-sorting (as long as the row exists and is visible), compare
// by row id (the order in which the rows were made, not their place in the
// view, so that a sorted list of bookmarks stays sorted whatever happens to the
// view), and are not reused for the rows of a later EmptyDataSet, LoadFromFile
// or reopening.

#include "ZDBCustData.h"

#include <QVariantMap>

#include <memory>
#include <vector>

namespace zdb {

// Splits an IndexFieldNames text ("Name;Amount DESC") into names and their descending flags.
void ParseIndexFieldNames(const QString& value, QStringList& names, std::vector<bool>& descending);

namespace memdata {
struct TStore;
class TColumn;
}

class TZMemDataSet : public TZDBCustomData {
    Q_OBJECT
    Q_PROPERTY(QString IndexFieldNames READ GetIndexFieldNames WRITE SetIndexFieldNames)
    Q_PROPERTY(QString IndexName READ GetIndexName WRITE SetIndexName)
    Q_PROPERTY(QVariantList IndexDefs READ GetIndexDefList)
    Q_PROPERTY(zdb::TDataSource* MasterSource READ GetMasterSource WRITE SetMasterSource)
    Q_PROPERTY(QString MasterFields READ GetMasterFields WRITE SetMasterFields)

public:
    explicit TZMemDataSet(QObject* parent = nullptr);
    ~TZMemDataSet() override;

    // Opens the dataset empty, with the field definitions (or, without any, with
    // definitions taken from the fields added by AddField).
    void CreateDataSet();
    // Removes every row (an edit in progress is cancelled).
    void EmptyDataSet();

    // Ordering
    QString GetIndexFieldNames() const { return FIndexFieldNames; }
    void SetIndexFieldNames(const QString& value);
    QString GetIndexName() const { return FIndexName; }
    void SetIndexName(const QString& value);
    TIndexDefs& IndexDefs() { return FIndexDefs; }
    const TIndexDefs& IndexDefs() const { return FIndexDefs; }
    // Defines an index. descFields and caseInsFields name the fields of `fields` that
    // sort descending or ignore case (ixDescending / ixCaseInsensitive apply to all).
    // ixUnique (and ixPrimary) reject a row whose key equals another row's; a key with
    // a null part never conflicts. Expression indexes are not supported.
    void AddIndex(const QString& name, const QString& fields, TIndexOptions options = {},
                  const QString& descFields = QString(), const QString& caseInsFields = QString());
    Q_INVOKABLE void DeleteIndex(const QString& name);

    // The index operations of a client dataset as the meta-object system calls them
    // (QMetaObject::invokeMethod), so that code which knows a dataset only by its
    // properties and invokable methods can sort it through a temporary index (the
    // grid's client-dataset sort adapter, ZDBGridsCDS.h). `options` holds TIndexOption
    // bits; a grouping level other than 0 is refused (grouping is not supported).
    Q_INVOKABLE void AddIndex(const QString& name, const QString& fields, int options, const QString& descFields,
                              const QString& caseInsFields, int groupingLevel);
    // The definition of index `name` as "Name", "Fields", "DescFields", "CaseInsFields"
    // and "Options" (TIndexOption bits as int); an empty map when there is none.
    Q_INVOKABLE QVariantMap FindIndexDef(const QString& name) const;
    // Brings IndexDefs up to date with the indexes of the data; here they always are.
    Q_INVOKABLE void UpdateIndexDefs() {}

    // The index definitions as the meta-object system reads them: one map per index,
    // as FindIndexDef gives it.
    QVariantList GetIndexDefList() const;

    // Master/detail (see the header comment).
    TDataSource* GetMasterSource() const { return FMasterLink->DataSource(); }
    void SetMasterSource(TDataSource* value);
    QString GetMasterFields() const { return FMasterLink->GetFieldNames(); }
    void SetMasterFields(const QString& value);

    // Files: field definitions, every row (nulls included) and the index definitions
    // and selection. Loading replaces definitions and rows and opens the dataset; a file
    // that is not a valid dataset file raises and leaves the dataset as it was.
    void SaveToFile(const QString& fileName);
    void LoadFromFile(const QString& fileName);

protected:
    struct TMemRecBuf : TZCustomRecBuf {
        qint32 RowId = -1;
    };
    static TMemRecBuf* MemBuf(TRecordBuffer buffer) { return static_cast<TMemRecBuf*>(buffer); }

    bool SupportsFieldType(TFieldType type) const override;
    // Values are read from the columns, not cached in the buffer: the slots hold only the
    // values written while editing (see StoredCell).
    void FetchFieldValue(TRecordBuffer buffer, TField* field, QVariant& value) final;
    bool GetRecordFieldData(TRecordBuffer buffer, TField* field, QVariant& value) const override;
    // Reads of the current record come straight from the column when it holds the value.
    bool GetFieldData(TField* field, QVariant& value) const override;
    QVariant ReadFieldValue(const TField* field) const override;
    TRecordBuffer GetActiveRecordBuffer() const final;
    bool ReadFieldInt(const TField* field, qint64& value, bool& isNull) const override;
    bool ReadFieldFloat(const TField* field, double& value, bool& isNull) const override;
    bool ReadFieldString(const TField* field, QString& value, bool& isNull) const override;
    void InternalFetchRecord(TRecordBuffer buffer) override;
    bool UsesRecordFilter() const override { return false; }
    void DoOnCountRecords(int& count) override;

    std::unique_ptr<TRecBuf> AllocRecordBuffer() override;
    void InternalOpen() override;
    void InternalClose() override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    TBookmark GetBookmarkData(TRecordBuffer buffer) const override;
    void SetBookmarkData(TRecordBuffer buffer, const TBookmark& data) override;
    bool InternalBookmarkValid(const TBookmark& bookmark) const override;
    int InternalCompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const override;
    void InternalPost() override;
    void InternalDelete() override;
    void InternalRefresh() override;
public:
    // Its records go with closing: a refresh keeps them.
    bool CanReopen() const override { return false; }
protected:
    void InternalFilterChanged() override;
    int GetRecNo() const override;
    bool LocateRecord(const QString& keyFields, const QVariant& keyValues, TLocateOptions options) override;
    void DoOnNewRecord() override;

private:
    struct TKeyPart {
        const memdata::TColumn* Column;
        bool Descending;
        bool CaseInsensitive;
    };
    using TKey = std::vector<TKeyPart>;

    memdata::TColumn* ColumnOf(const TField* field) const;
    // The column and row id a data field's value in `buffer` is read from: none when the
    // buffer's slot holds the value (written while editing) or the row is gone.
    const memdata::TColumn* StoredCell(TRecordBuffer buffer, const TField* field, int& row) const;
    // The column and row the current record's value of a data field is read from when the
    // column is of the field's own type: none for calculated fields, without a current
    // record, and as StoredCell gives none.
    const memdata::TColumn* CurrentCell(const TField* field, int& row) const;
    // CurrentCell when the cell's QVariant is the field's value (not a variant column's).
    const memdata::TColumn* CurrentValueCell(const TField* field, int& row) const;
    // A walk's texts: the text columns read on the current record (a bit per column of
    // the first 64) are fetched into the cache some records ahead of a walk in either
    // direction, so that reading a text does not wait for memory.
    void NoteTextRead(const TField* field) const;
    void PrefetchTexts(int position) const;
    static constexpr int TextPrefetchDistance = 8;
    // Compiles a list of field names with their descending and case-insensitive flags into
    // a key over the columns of `store`, whose fields `defs` define.
    TKey MakeKey(const TFieldDefs& defs, const memdata::TStore* store, const QStringList& names,
                 const std::vector<bool>& descending, const std::vector<bool>& caseInsensitive) const;
    TKey KeyOfIndexDef(const TIndexDef& def, const TFieldDefs& defs, const memdata::TStore* store) const;
    TKey KeyOfIndexDef(const TIndexDef& def) { return KeyOfIndexDef(def, FieldDefs(), FStore.get()); }
    TKey KeyOfIndexFieldNames(const QString& value);
    // The key of an index selection (IndexName, else IndexFieldNames); raises when invalid.
    TKey KeyOfIndex(const QString& indexName, const QString& indexFieldNames);
    static int CompareKeys(const TKey& key, int row1, int row2);
    static bool KeyHasNull(const TKey& key, int row);
    bool RowLess(int row1, int row2) const;
    // Raises "Key violation" when a row other than `exceptRow` has the key of `row`
    // under a unique index.
    void CheckUniqueKeys(int row, int exceptRow);
    void CheckNoDuplicates(const memdata::TStore& store, const TKey& key, const QString& indexName) const;
    // Installs a new order with the index selection it comes from and keeps the current
    // record current; on failure nothing changes.
    void ApplyKey(TKey key, const QString& indexName, const QString& indexFieldNames);
    void SortNewKey();
    void SortView();
    void RebuildView();
    bool RowPassesFilter(int row);
    // Master/detail range: whether one applies, the master's values, the detail's fields.
    bool MasterRangeSet() const;
    // The detail's link fields: the fixed ones, else the leading fields of the index given
    // (its field names), else the fields named like the master's.
    QStringList DetailFields(const QStringList& indexFields) const;
    static QStringList IndexFieldList(const QString& indexName, const TIndexDef* def, const QString& indexFieldNames);
    void UpdateMasterRange();
    bool RowInMasterRange(int row) const;
    QVariantList MasterValues() const;
    void MasterChanged();
    int PosOf(int row) const; // position of a row in the view, -1 when not in it
    void ViewChangedFrom(int position) const { FPosValid = std::min(FPosValid, position); }
    int InsertPosition(int row) const;
    // Row ids of bookmarks: row indexes offset by the rows of earlier contents, so that a
    // bookmark never names a row of a later EmptyDataSet, load or reopen.
    TBookmark RowBookmark(int row) const { return IndexBookmark(qint32(row + FRowBase)); }
    bool BookmarkRow(const TBookmark& bookmark, qint32& row) const;
    // Tries to answer a Locate by binary search on the active index. False when the
    // search does not fit the index; otherwise `position` is the record found or -1.
    bool IndexLocate(const std::vector<TField*>& fields, const QVariant& keyValues,
                     TLocateOptions options, int& position) const;
    static std::unique_ptr<memdata::TStore> NewStore(const std::vector<TFieldDef>& defs);
    std::unique_ptr<memdata::TStore> ReadFile(const QString& fileName, std::vector<TFieldDef>& defs,
                                              std::vector<TIndexDef>& indexDefs, QString& indexName,
                                              QString& indexFieldNames) const;

    std::unique_ptr<memdata::TStore> FStore;
    std::unique_ptr<memdata::TStore> FPendingStore; // rows loaded from a file for the next open
    std::unique_ptr<TRecBuf> FScratch;              // record buffer for testing rows against the filter
    std::vector<qint32> FView;                      // row ids shown, in order
    mutable std::vector<qint32> FPos;               // row id -> position in FView, valid below FPosValid
    mutable int FPosValid = 0;
    mutable quint64 FTextReads = 0; // see NoteTextRead
    int FLastFetched = -1;          // view position of the record fetched last
    qint32 FRowBase = 0;
    TKey FKey;                                      // the active order; empty = placement order
    TIndexDefs FIndexDefs;
    QString FIndexFieldNames;
    QString FIndexName;
    std::unique_ptr<TMasterDataLink> FMasterLink;
    bool FMasterRange = false;        // the view holds only the master's records
    QVariantList FMasterValues;       // the master's values the view shows; empty: master closed
    TKey FRange;                      // the detail's fields compared with them
    QStringList FRangeFields;         // their names, fixed while the link stays; empty: not yet
};

} // namespace zdb
