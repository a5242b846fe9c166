#pragma once
// TZDBCustomData: a dataset that owns no rows.
//
// It presents the records 0 .. RecordCount-1 of its descendant. A record buffer
// is a cache of one record's values keyed by the record's index: a value slot
// stays unassigned until the field is first read, and is then filled by
// DoOnGetFieldData. Writes go into the cache; when the record is posted every
// field written since Edit/Insert is handed to DoOnSetFieldData, in the order of
// its first write. Inserts and deletes are forwarded to DoOnInsertRecord and
// DoOnDeleteRecord; when a write is refused while an insert is posted, the record
// the descendant inserted is deleted again and the insert stays pending. The
// record count is fixed at open by DoOnCountRecords and afterwards changes only
// by posted inserts and deletes.
//
// Bookmarks are the 4-byte index of the record. Popup lists, the filter value
// list and the tree rows are descendants of this class.

#include "DB.h"

#include <optional>
#include <vector>

namespace zdb {

// "Unsupported field type (%s) in field %s": the field type's name and the field's display name.
extern QString SUnsupportedFieldType;

// The record buffer of TZDBCustomData: the record's index, its bookmark flag and
// one value slot per field definition (by FieldNo - 1). An empty slot
// (std::nullopt) has not been fetched yet; a slot holding an invalid QVariant is null.
struct TZCustomRecBuf : TRecBuf {
    qint32 RecordIndex = 0;
    TBookmarkFlag BookmarkFlag = bfCurrent;
    std::vector<std::optional<QVariant>> Values;
    // Whether a slot may have been assigned since the slots were last emptied.
    bool SlotsUsed = false;
};

class TZDBCustomData : public TDataSet {
    Q_OBJECT

public:
    explicit TZDBCustomData(QObject* parent = nullptr);
    ~TZDBCustomData() override;

    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }

    // Raises while the dataset is active; negative counts are stored as 0.
    virtual void SetRecordCount(int value);

    void DataEvent(TDataEvent event, qintptr info) override;

protected:
    // --- Hooks of the descendants
    virtual int CountRecords();
    virtual void DoOnCountRecords(int& count);
    virtual void DoOnDeleteRecord(int index);
    virtual void DoOnGetFieldData(int index, TField* field, QVariant& value);
    virtual void DoOnInsertRecord(int index);
    virtual void DoOnSetFieldData(int index, TField* field, const QVariant& value);
    // The record index a buffer stands for: 0 for bfBOF, RecordCount for bfEOF
    // (the append position), else the buffer's RecordIndex.
    virtual int GetIndex(TRecordBuffer buffer) const;
    // GetIndex of the calculation buffer in dsCalcFields, else of the active buffer.
    virtual int GetRecordIndex() const;
    virtual int GetRecordNumber() const { return FRecordNumber; }
    // Compares the key fields of the locate in progress with its key values.
    virtual void LocateFilter(bool& accept);
    virtual void SetRecordNumber(int value) { FRecordNumber = value; }

    // --- Extension points of this class
    // Whether values of this field type are handed out and taken in as they are.
    // The base supports the string group (cut to the field's Size) and the 32-bit
    // integer group (ftInteger, ftAutoInc); other types raise SUnsupportedFieldType.
    virtual bool SupportsFieldType(TFieldType type) const;
    // Fills an unfetched value slot of `buffer`; the base asks DoOnGetFieldData with
    // the buffer's record index.
    virtual void FetchFieldValue(TRecordBuffer buffer, TField* field, QVariant& value);
    // Reads the record `mode` designates relative to the cursor into `buffer`, moves the
    // cursor there and empties the buffer's value slots; no filtering.
    virtual TGetResult InternalGetRecord(TRecordBuffer buffer, TGetMode mode);
    // Called by InternalGetRecord when `buffer` was given its record (RecordIndex and
    // bookmark flag set, slots emptied), before its calculated fields are computed.
    virtual void InternalFetchRecord(TRecordBuffer /*buffer*/) {}
    // Whether GetRecord tests records against Filter and OnFilterRecord. A descendant
    // that keeps only accepted records returns false.
    virtual bool UsesRecordFilter() const { return RecordFilterActive(); }
    // Stores a record count while open (the count a descendant computed itself).
    void UpdateRecordCount(int value) { FRecordCount = value < 0 ? 0 : value; }
    // Fields written since the last Edit/Insert, in the order of their first write.
    const std::vector<TField*>& ModifiedFields() const { return FModifiedFields; }
    // The value slot of a data field in a buffer, grown to the field definitions when needed.
    std::optional<QVariant>& Slot(TRecordBuffer buffer, const TField* field) const;
    static TZCustomRecBuf* CustBuf(TRecordBuffer buffer) { return static_cast<TZCustomRecBuf*>(buffer); }
    // Sets the slots of a buffer to the number of field definitions, all unassigned.
    void ResetSlots(TRecordBuffer buffer) const
    {
        // A record read for browsing usually leaves every slot unassigned: nothing to free.
        // Unused slots are all unassigned whatever their number (Slot grows them), so only a
        // new buffer needs sizing here.
        const TZCustomRecBuf* b = CustBuf(buffer);
        if (b->SlotsUsed || b->Values.empty())
            EmptySlots(buffer);
    }
    // Whether the dataset's field list differs from the one seen last; remembers the new one.
    bool FieldListChanged();

    // --- The record protocol
    std::unique_ptr<TRecBuf> AllocRecordBuffer() override;
    void InternalOpen() override;
    void InternalClose() override;
    bool IsCursorOpen() const override { return FCursorOpen; }
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalSetToRecord(TRecordBuffer buffer) override;
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    TBookmark GetBookmarkData(TRecordBuffer buffer) const override;
    void SetBookmarkData(TRecordBuffer buffer, const TBookmark& data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const override;
    void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    bool InternalBookmarkValid(const TBookmark& bookmark) const override;
    int InternalCompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const override;
    void InternalInitFieldDefs() override;
    void InternalInitRecord(TRecordBuffer buffer) override;
    bool GetRecordFieldData(TRecordBuffer buffer, TField* field, QVariant& value) const override;
    void SetRecordFieldData(TRecordBuffer buffer, TField* field, const QVariant& value) override;
    void InternalPost() override;
    void InternalDelete() override;
    void InternalEdit() override;
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    bool GetCanModify() const override { return !FReadOnly; }
    int GetRecordCount() const override { return FRecordCount; }
    int GetRecNo() const override;
    void DoSetRecNo(int value) override;

    bool GetFieldData(TField* field, QVariant& value) const override;
    void SetFieldData(TField* field, const QVariant& value) override;
    bool FindRecord(bool restart, bool goForward) override;
    bool LocateRecord(const QString& keyFields, const QVariant& keyValues, TLocateOptions options) override;
    void DoOnNewRecord() override;

    // Bookmark bytes of a record index and back.
    static TBookmark IndexBookmark(qint32 index);
    static bool BookmarkIndex(const TBookmark& bookmark, qint32& index);

    // The value of a slot in the form the field hands out or takes in (strings cut to
    // Size, integers to 32 bits); raises for field types this dataset does not support.
    QVariant ConvertValue(TField* field, const QVariant& value, bool reading) const;
    // Turns a slot's non-null value into the form the field hands out, in place (what
    // ConvertValue gives when reading).
    void ConvertRead(TField* field, QVariant& value) const;
    // Whether the slot of a data field in a buffer holds a value (written, or fetched).
    static bool SlotAssigned(TRecordBuffer buffer, const TField* field)
    {
        const auto& values = CustBuf(buffer)->Values;
        const size_t index = size_t(field->FieldNo() - 1);
        return index < values.size() && values[index].has_value();
    }

private:
    void EmptySlots(TRecordBuffer buffer) const;
    // Reads the records again when the field list changed while open.
    Q_NEVER_INLINE void FieldListEvent();
    // GetRecord when records are tested (a filter or a locate): out of line, so that reading
    // without one costs little.
    Q_NEVER_INLINE TGetResult GetFilteredRecord(TRecordBuffer buffer, TGetMode mode);

    bool FReadOnly = false;
    bool FCursorOpen = false;
    int FRecordCount = 0;
    int FRecordNumber = -1;          // -1: before the first record; RecordCount: after the last
    quint32 FFieldListSum = 0;
    std::vector<TField*> FModifiedFields;
    TLocateOptions FLocateOptions;
    bool FLocateFilter = false;
    QString FLocateFields;
    QVariant FLocateValues;
    std::vector<TField*> FLocateFieldList;
};

} // namespace zdb
