#pragma once
// The record-set layer: datasets, fields, data sources and data links.
//
// A TDataSet keeps a window ("ring") of record buffers around the current
// record, sized by the largest BufferCount of the data links attached to it
// through its data sources. Descendants supply the records through the
// virtual record protocol (AllocRecordBuffer, GetRecord, InternalFirst, ...)
// and the field values through GetRecordFieldData/SetRecordFieldData; the base
// class does navigation, states, editing, calculated and lookup fields,
// filtering by expression, and notification of the data links.

#include "DBError.h"
#include "EnumRange.h"
#include "FilterExpr.h"

#include <QByteArray>
#include <QFlags>
#include <QHash>
#include <QLocale>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace zdb {

class TDataSet;
class TDataSource;
class TDataLink;
class TField;

enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency,
    ftBCD, ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo,
    ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar,
    ftWideString, ftLargeint, ftADT, ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob,
    ftVariant, ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd, ftFixedWideChar,
    ftWideMemo, ftOraTimeStamp, ftOraInterval, ftLongWord, ftShortint, ftByte, ftExtended,
    ftConnection, ftParams, ftStream, ftTimeStampOffset, ftObject, ftSingle
};
ZDB_ENUM_RANGE(TFieldType, ftSingle);
QString FieldTypeName(TFieldType type); // "String", "Integer", ...
// Field type families.
bool IsStringFieldType(TFieldType type);  // fixed and variable strings, GUIDs
bool IsMemoFieldType(TFieldType type);    // ftMemo, ftFmtMemo, ftWideMemo
bool IsIntegerFieldType(TFieldType type); // every integer width, ftAutoInc
bool IsFloatFieldType(TFieldType type);   // binary and decimal fractions, currency

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

enum TDataSetState {
    dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
    dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};
bool IsEditMode(TDataSetState state); // dsEdit, dsInsert, dsSetKey

enum TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
    deUpdateRecord, deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange,
    deFocusControl, deParentScroll, deConnectChange, deReconcileError, deDisabledStateChange
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

enum TResyncModeFlag { rmExact = 1, rmCenter = 2 };
Q_DECLARE_FLAGS(TResyncMode, TResyncModeFlag)

enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };
Q_DECLARE_FLAGS(TLocateOptions, TLocateOption)

enum TProviderFlag { pfInUpdate = 1, pfInWhere = 2, pfInKey = 4, pfHidden = 8 };
Q_DECLARE_FLAGS(TProviderFlags, TProviderFlag)

enum TIndexOption {
    ixPrimary = 1, ixUnique = 2, ixDescending = 4, ixCaseInsensitive = 8, ixExpression = 16,
    ixNonMaintained = 32
};
Q_DECLARE_FLAGS(TIndexOptions, TIndexOption)
ZDB_FLAG_RANGE(TIndexOption, ixPrimary | ixUnique | ixDescending | ixCaseInsensitive | ixExpression | ixNonMaintained);

// Opaque bookmark bytes; only TDataSet::CompareBookmarks orders them. Empty = none.
using TBookmark = QByteArray;

// The record-set layer's messages: assignable, so that an application can translate them
// before use. Those with "%s" are filled by Format (SysUtils.h).
extern QString SDataSetClosed;
extern QString SDataSetOpen;
extern QString SDataSetReadOnly;
extern QString SDataSetEmpty;
extern QString SDataSetUnidirectional;
extern QString SNotEditing;
extern QString SRecordNotFound;
extern QString SBookmarkForeign;
extern QString SFieldNotFound;
extern QString SFieldReadOnly;
extern QString SFieldRequired;
extern QString SUnknownFieldType;
extern QString SDuplicateFieldName;
extern QString SCircularDataLink;
extern QString STooManyColumns;
// The questions before records are deleted (one record, the selected records).
extern QString SDeleteRecordQuestion;
extern QString SDeleteMultipleRecordsQuestion;

// Splits a field-name list ("A;B" or "A,B") into trimmed names, skipping empty ones.
QStringList SplitFieldNames(const QString& names);

// ---------------------------------------------------------------------------
// Record buffers

// A record buffer of a dataset. Descendants derive their own buffer type and
// allocate it in AllocRecordBuffer; the base part holds the values of the
// calculated and lookup fields.
// One aggregate a dataset may compute over all its records (CalcAggregates).
enum TAggregateKind {
    akSum,      // the sum of the field's non-null values
    akCount,    // the number of non-null values; of all records without a field
    akMin,      // the smallest non-null value
    akMax       // the largest non-null value
};
struct TAggregateRequest {
    TAggregateKind Kind = akCount;
    TField* Field = nullptr; // a field of the dataset; none only for akCount
    // akSum only: above 0, every value rounded to Scale decimals (half away from zero)
    // and the sum given as a 64-bit count of those units, exact.
    int Scale = 0;
};

struct TRecBuf {
    virtual ~TRecBuf() = default;
    std::vector<QVariant> CalcValues;
    // The calculated and lookup fields of this record are still to be computed: a record
    // read by a scan (Locate, Lookup) gets them only when one of them is read.
    bool CalcPending = false;
};
using TRecordBuffer = TRecBuf*;

// ---------------------------------------------------------------------------
// Field and index definitions

class TFieldDef {
public:
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    int Precision = 0;
    bool Required = false;
    bool ReadOnly = false;
    bool InKey = false;  // part of the primary key
    int FieldNo = 0;     // 1-based position
};

class TFieldDefs {
public:
    explicit TFieldDefs(TDataSet* dataSet) : FDataSet(dataSet) {}
    TFieldDef& Add(const QString& name, TFieldType type, int size = 0, bool required = false);
    void Clear();
    int Count() const { return int(FItems.size()); }
    TFieldDef& operator[](int i) { return FItems[size_t(i)]; }
    const TFieldDef& operator[](int i) const { return FItems[size_t(i)]; }
    int IndexOf(const QString& name) const; // case-insensitive, -1 when missing
    const TFieldDef* Find(const QString& name) const;
    bool GetUpdated() const { return FUpdated; }
    void SetUpdated(bool value) { FUpdated = value; }
    void Update(); // asks the dataset for its definitions unless already up to date
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    TDataSet* FDataSet;
    std::vector<TFieldDef> FItems;
    bool FUpdated = false;
};

class TIndexDef {
public:
    QString Name;
    QString Fields;      // ";"-separated
    QString DescFields;  // fields of Fields sorted descending
    QString CaseInsFields;
    TIndexOptions Options;
    // Whether field `name` of this index sorts descending.
    bool IsDescending(const QString& name) const;
};

class TIndexDefs {
public:
    TIndexDef& Add(const QString& name, const QString& fields, TIndexOptions options = {});
    void Remove(const QString& name);
    void Clear() { FItems.clear(); }
    int Count() const { return int(FItems.size()); }
    TIndexDef& operator[](int i) { return FItems[size_t(i)]; }
    const TIndexDef& operator[](int i) const { return FItems[size_t(i)]; }
    int IndexOf(const QString& name) const;
    const TIndexDef* Find(const QString& name) const;
    // The first index whose leading fields are `fields` (";"-list).
    const TIndexDef* GetIndexForFields(const QString& fields, bool caseInsensitive = false) const;
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    std::vector<TIndexDef> FItems;
};

// ---------------------------------------------------------------------------
// Fields

class TField : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString FieldName READ GetFieldName WRITE SetFieldName)
    Q_PROPERTY(QString DisplayLabel READ GetDisplayLabel WRITE SetDisplayLabel)
    Q_PROPERTY(int DisplayWidth READ GetDisplayWidth WRITE SetDisplayWidth)
    Q_PROPERTY(bool Visible READ GetVisible WRITE SetVisible)
    Q_PROPERTY(bool ReadOnly READ GetReadOnly WRITE SetReadOnly)
    Q_PROPERTY(bool Required READ GetRequired WRITE SetRequired)
    Q_PROPERTY(int Size READ GetSize WRITE SetSize)
    Q_PROPERTY(QString KeyFields READ GetKeyFields WRITE SetKeyFields)
    Q_PROPERTY(QString LookupKeyFields READ GetLookupKeyFields WRITE SetLookupKeyFields)
    Q_PROPERTY(QString LookupResultField READ GetLookupResultField WRITE SetLookupResultField)
    Q_PROPERTY(QString EditMask READ GetEditMask WRITE SetEditMask)

public:
    explicit TField(TFieldType type, QObject* parent = nullptr);
    ~TField() override;

    TDataSet* DataSet() const { return FDataSet; }
    QString GetFieldName() const { return FFieldName; }
    void SetFieldName(const QString& value);
    QString FullName() const { return FFieldName; }
    QString GetDisplayLabel() const { return FDisplayLabel.isEmpty() ? FFieldName : FDisplayLabel; }
    void SetDisplayLabel(const QString& value);
    QString DisplayName() const { return GetDisplayLabel(); }
    int GetDisplayWidth() const;
    void SetDisplayWidth(int value);
    Qt::Alignment GetAlignment() const { return FAlignment; }
    void SetAlignment(Qt::Alignment value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    bool GetRequired() const { return FRequired; }
    void SetRequired(bool value) { FRequired = value; }
    int GetSize() const { return FSize; }
    void SetSize(int value) { FSize = value; }
    // The input mask of the cell editor (QLineEdit::inputMask syntax); empty for none.
    QString GetEditMask() const { return FEditMask; }
    void SetEditMask(const QString& value) { FEditMask = value; }
    // Whether a typed character may be part of the edit text: digits and signs
    // for integers, also the decimal separator and exponent for fractions, any
    // character for the other types.
    virtual bool IsValidChar(QChar ch) const;
    TFieldType DataType() const { return FDataType; }
    TFieldKind GetFieldKind() const { return FFieldKind; }
    void SetFieldKind(TFieldKind value) { FFieldKind = value; }
    bool Calculated() const { return FFieldKind == fkCalculated || FFieldKind == fkLookup; }
    bool Lookup() const { return FFieldKind == fkLookup; }
    int Index() const;       // position in the dataset's Fields, -1 when unbound
    void SetIndex(int value); // moves the field within the dataset's Fields (clamped)
    int FieldNo() const { return FFieldNo; } // > 0 for data fields of an open dataset
    // Made by the dataset for a field definition when it opened (gone when it closes), as
    // opposed to a field the application added.
    bool AutoCreated() const { return FAutoCreated; }
    TProviderFlags GetProviderFlags() const { return FProviderFlags; }
    void SetProviderFlags(TProviderFlags value) { FProviderFlags = value; }
    bool IsBlob() const;
    bool CanModify() const;

    // Lookup attributes
    TDataSet* GetLookupDataSet() const { return FLookupDataSet; }
    void SetLookupDataSet(TDataSet* value);
    QString GetLookupKeyFields() const { return FLookupKeyFields; }
    void SetLookupKeyFields(const QString& value) { FLookupKeyFields = value; }
    QString GetLookupResultField() const { return FLookupResultField; }
    void SetLookupResultField(const QString& value) { FLookupResultField = value; }
    QString GetKeyFields() const { return FKeyFields; }
    void SetKeyFields(const QString& value) { FKeyFields = value; }

    // Values. A null value reads as an invalid QVariant.
    bool IsNull() const;
    QVariant GetValue() const;
    void SetValue(const QVariant& value); // converts and validates; raises on a value the field cannot hold
    void Clear() { SetValue(QVariant()); }
    QString AsString() const { return GetAsString(); }
    void SetAsString(const QString& value);
    qlonglong AsLargeInt() const;
    int AsInteger() const { return int(AsLargeInt()); }
    double AsFloat() const;
    // The value read without a QVariant where the dataset keeps it typed (its ReadFieldInt /
    // ReadFieldFloat): whether it answered, then isNull and the value when not null.
    bool ReadInt(qint64& value, bool& isNull) const;
    bool ReadFloat(double& value, bool& isNull) const;
    bool AsBoolean() const;
    QDateTime AsDateTime() const;
    QVariant AsVariant() const { return GetValue(); }
    QString DisplayText() const { return GetText(true); }
    QString GetEditText() const { return GetText(false); }
    void SetEditText(const QString& value);
    // Asks the controls linked to the dataset to focus the control that edits this field.
    void FocusControl();
    // The value `text` would be stored as, without storing it; raises when it cannot be held.
    QVariant ConvertText(const QString& text) const;
    // The edit text `value` would show, OnGetText aside.
    QString EditTextOf(const QVariant& value) const { return value.isNull() ? QString() : FormatValue(value, false); }
    // The display text `value` would show, OnGetText aside.
    QString DisplayTextOf(const QVariant& value) const { return value.isNull() ? QString() : FormatValue(value, true); }

    // Events (std::function members, fired by the field).
    std::function<void(TField* sender, QString& text, bool displayText)> OnGetText;
    std::function<void(TField* sender, const QString& text)> OnSetText;
    std::function<void(TField* sender)> OnChange;
    std::function<void(TField* sender)> OnValidate;

protected:
    friend class TDataSet;
    friend class TFields;
    virtual QString FormatValue(const QVariant& value, bool displayText) const;
    virtual QVariant TextToValue(const QString& text) const;
    // Coerces `value` to the field's native type; raises a database error when it does not fit.
    virtual QVariant Coerce(const QVariant& value) const;
    // The value as text, as FormatValue makes it for editing (AsString).
    virtual QString GetAsString() const;
    QString GetText(bool displayText) const;
    // AsLargeInt and AsFloat from GetValue, when the dataset has no typed answer; out of
    // line, so that a typed read costs little.
    Q_NEVER_INLINE qlonglong LargeIntOfValue() const;
    Q_NEVER_INLINE double FloatOfValue() const;

    void Change() { if (OnChange) OnChange(this); }
    void Validate() { if (OnValidate) OnValidate(this); }
    [[noreturn]] void ConvertError(const QString& text, const QString& kind) const;
    void PropertyChanged(bool layoutAffected);

    TDataSet* FDataSet = nullptr;
    QString FFieldName;
    QString FDisplayLabel;
    int FDisplayWidth = 0; // 0 = derived from the type
    Qt::Alignment FAlignment = Qt::AlignLeft;
    bool FVisible = true;
    bool FReadOnly = false;
    bool FRequired = false;
    int FSize = 0;
    QString FEditMask;
    TFieldType FDataType;
    TFieldKind FFieldKind = fkData;
    int FFieldNo = 0;
    int FCalcIndex = -1;   // slot in TRecBuf::CalcValues for calculated and lookup fields
    bool FAutoCreated = false;
    TProviderFlags FProviderFlags = TProviderFlags(pfInUpdate) | pfInWhere;
    QPointer<TDataSet> FLookupDataSet;
    QString FLookupKeyFields;
    QString FLookupResultField;
    QString FKeyFields;
};

class TStringField : public TField {
    Q_OBJECT
public:
    explicit TStringField(QObject* parent = nullptr, TFieldType type = ftString);
protected:
    // The text is the value itself: AsString reads it straight from the dataset.
    QString FormatValue(const QVariant& value, bool displayText) const final;
    QString GetAsString() const override;
    QVariant Coerce(const QVariant& value) const override;
};

class TWideStringField : public TStringField {
    Q_OBJECT
public:
    explicit TWideStringField(QObject* parent = nullptr) : TStringField(parent, ftWideString) {}
};

class TNumericField : public TField {
    Q_OBJECT
    Q_PROPERTY(QString DisplayFormat READ GetDisplayFormat WRITE SetDisplayFormat)
    Q_PROPERTY(QString EditFormat READ GetEditFormat WRITE SetEditFormat)
public:
    TNumericField(TFieldType type, QObject* parent);
    QString GetDisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& value);
    QString GetEditFormat() const { return FEditFormat; }
    void SetEditFormat(const QString& value) { FEditFormat = value; }
protected:
    QString FDisplayFormat;
    QString FEditFormat;
};

class TIntegerField : public TNumericField {
    Q_OBJECT
public:
    explicit TIntegerField(QObject* parent = nullptr, TFieldType type = ftInteger);
    qlonglong MinValue() const { return FMinValue; }
    qlonglong MaxValue() const { return FMaxValue; }
protected:
    QString FormatValue(const QVariant& value, bool displayText) const override;
    QVariant TextToValue(const QString& text) const override;
    QVariant Coerce(const QVariant& value) const override;
    qlonglong FMinValue;
    qlonglong FMaxValue;
};

class TSmallintField : public TIntegerField {
    Q_OBJECT
public:
    explicit TSmallintField(QObject* parent = nullptr) : TIntegerField(parent, ftSmallint) {}
};

class TWordField : public TIntegerField {
    Q_OBJECT
public:
    explicit TWordField(QObject* parent = nullptr) : TIntegerField(parent, ftWord) {}
};

class TAutoIncField : public TIntegerField {
    Q_OBJECT
public:
    explicit TAutoIncField(QObject* parent = nullptr) : TIntegerField(parent, ftAutoInc) {}
};

class TLargeintField : public TIntegerField {
    Q_OBJECT
public:
    explicit TLargeintField(QObject* parent = nullptr) : TIntegerField(parent, ftLargeint) {}
};

class TFloatField : public TNumericField {
    Q_OBJECT
    Q_PROPERTY(bool Currency READ GetCurrency WRITE SetCurrency)
    Q_PROPERTY(int Precision READ GetPrecision WRITE SetPrecision)
public:
    explicit TFloatField(QObject* parent = nullptr, TFieldType type = ftFloat);
    bool GetCurrency() const { return FCurrency; }
    void SetCurrency(bool value);
    int GetPrecision() const { return FPrecision; }
    void SetPrecision(int value);
protected:
    QString FormatValue(const QVariant& value, bool displayText) const override;
    QVariant TextToValue(const QString& text) const override;
    QVariant Coerce(const QVariant& value) const override;
    bool FCurrency = false;
    int FPrecision = 15;
};

class TCurrencyField : public TFloatField {
    Q_OBJECT
public:
    explicit TCurrencyField(QObject* parent = nullptr);
protected:
    QVariant Coerce(const QVariant& value) const override; // rounds to 4 decimals
};

class TBooleanField : public TField {
    Q_OBJECT
    Q_PROPERTY(QString DisplayValues READ GetDisplayValues WRITE SetDisplayValues)
public:
    explicit TBooleanField(QObject* parent = nullptr);
    QString GetDisplayValues() const { return FDisplayValues; }
    void SetDisplayValues(const QString& value); // "True;False"
protected:
    QString FormatValue(const QVariant& value, bool displayText) const override;
    QVariant TextToValue(const QString& text) const override;
    QVariant Coerce(const QVariant& value) const override;
    QString FDisplayValues;
    QString FTrueText;
    QString FFalseText;
};

// Date, time and date-time fields hold QDate, QTime and QDateTime values.
// DisplayFormat uses Qt's date-time format patterns; empty means the locale's short format.
class TDateTimeField : public TField {
    Q_OBJECT
    Q_PROPERTY(QString DisplayFormat READ GetDisplayFormat WRITE SetDisplayFormat)
public:
    explicit TDateTimeField(QObject* parent = nullptr, TFieldType type = ftDateTime);
    QString GetDisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& value);
protected:
    QString FormatValue(const QVariant& value, bool displayText) const override;
    QVariant TextToValue(const QString& text) const override;
    QVariant Coerce(const QVariant& value) const override;
    QString FDisplayFormat;
};

class TDateField : public TDateTimeField {
    Q_OBJECT
public:
    explicit TDateField(QObject* parent = nullptr) : TDateTimeField(parent, ftDate) {}
};

class TTimeField : public TDateTimeField {
    Q_OBJECT
public:
    explicit TTimeField(QObject* parent = nullptr) : TDateTimeField(parent, ftTime) {}
};

// Binary and text blobs. Blob values are QByteArray; memo values are QString.
class TBlobField : public TField {
    Q_OBJECT
public:
    explicit TBlobField(QObject* parent = nullptr, TFieldType type = ftBlob);
protected:
    QString FormatValue(const QVariant& value, bool displayText) const override;
    QVariant Coerce(const QVariant& value) const override;
};

class TMemoField : public TBlobField {
    Q_OBJECT
public:
    explicit TMemoField(QObject* parent = nullptr, TFieldType type = ftMemo) : TBlobField(parent, type) {}
};

class TWideMemoField : public TMemoField {
    Q_OBJECT
public:
    explicit TWideMemoField(QObject* parent = nullptr) : TMemoField(parent, ftWideMemo) {}
};

class TGraphicField : public TBlobField {
    Q_OBJECT
public:
    explicit TGraphicField(QObject* parent = nullptr) : TBlobField(parent, ftGraphic) {}
};

class TBytesField : public TBlobField {
    Q_OBJECT
public:
    explicit TBytesField(QObject* parent = nullptr, TFieldType type = ftBytes) : TBlobField(parent, type) {}
};

// Makes the field object for a field type (the default field class of the type).
std::unique_ptr<TField> CreateFieldForType(TFieldType type);

class TFields {
public:
    explicit TFields(TDataSet* dataSet) : FDataSet(dataSet) {}
    int Count() const { return int(FItems.size()); }
    TField* operator[](int i) const { return FItems[size_t(i)].get(); }
    TField* FindField(const QString& name) const; // case-insensitive
    int IndexOf(const TField* field) const;
    void Move(int curIndex, int newIndex);
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    friend class TDataSet;
    friend class TField;
    TField* Add(std::unique_ptr<TField> field);
    std::unique_ptr<TField> Remove(TField* field);
    // The name index is built on the first lookup after the fields or a name changed.
    void NamesChanged() { FNames.clear(); }
    TDataSet* FDataSet;
    std::vector<std::unique_ptr<TField>> FItems;
    mutable QHash<QString, TField*> FNames; // case-folded name -> first field of that name
};

// ---------------------------------------------------------------------------
// Dataset

class TDataSet : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Active READ GetActive WRITE SetActive)
    Q_PROPERTY(QString Filter READ GetFilter WRITE SetFilter)
    Q_PROPERTY(bool Filtered READ GetFiltered WRITE SetFiltered)
    Q_PROPERTY(bool AutoCalcFields READ GetAutoCalcFields WRITE SetAutoCalcFields)

public:
    explicit TDataSet(QObject* parent = nullptr);
    ~TDataSet() override;

    // Opening and closing
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool GetActive() const { return FState != dsInactive && FState != dsOpening; }
    bool Active() const { return GetActive(); }
    void SetActive(bool value);
    bool IsEmpty() const { return FActiveRecord >= FRecordCount; }
    TDataSetState State() const { return FState; }
    bool Modified() const { return FModified; }
    bool CanModify() const { return GetCanModify(); }
    virtual bool IsUniDirectional() const { return false; }
    virtual bool IsSequenced() const { return true; } // whether RecNo/RecordCount are meaningful
    // Whether RecordCount answers from what the dataset holds, without asking a
    // server to count.
    virtual bool IsRecordCountKnown() const { return true; }
    // Whether closing and opening again reads the same records anew (false for a
    // dataset whose records live only while it is open).
    virtual bool CanReopen() const { return true; }

    // Navigation
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int MoveBy(int distance);
    bool Bof() const { return FBOF; }
    bool Eof() const { return FEOF; }
    int RecNo() const { return GetRecNo(); }
    void SetRecNo(int value) { DoSetRecNo(value); }
    int RecordCount() const { return GetRecordCount(); }
    void Refresh();
    void Resync(TResyncMode mode);
    // Posts or cancels an edit in progress (after telling the controls to write theirs).
    void CheckBrowseMode()
    {
        CheckActive();
        DataEvent(deCheckBrowseMode, 0);
        if (FState == dsEdit || FState == dsInsert || FState == dsSetKey)
            EndEditing();
    }
    void UpdateCursorPos();
    void CursorPosChanged() { FCurrentRecord = -1; }

    // Bookmarks: opaque, tagged with the dataset they belong to.
    TBookmark GetBookmark() const;
    TBookmark Bookmark() const { return GetBookmark(); }
    void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
    void GotoBookmark(const TBookmark& bookmark);
    bool BookmarkValid(const TBookmark& bookmark) const;
    int CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const;
    bool BookmarkAvailable() const;

    // Editing
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void UpdateRecord();
    void ClearFields();

    // Controls
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount != 0; }

    // Fields
    TFields& Fields() { return FFields; }
    const TFields& Fields() const { return FFields; }
    int FieldCount() const { return FFields.Count(); }
    TFieldDefs& FieldDefs() { return FFieldDefs; }
    TField* FieldByName(const QString& name) const; // raises "Field 'X' not found"
    TField* FindField(const QString& name) const { return FFields.FindField(name); }
    // True when every field was made by the dataset from its definitions at opening (none by
    // the application); kept after closing, when those fields are gone.
    bool DefaultFields() const { return FDefaultFields; }
    // Adds a field the application made (calculated, lookup or a typed data field) before opening.
    TField* AddField(std::unique_ptr<TField> field);
    void RemoveField(TField* field);
    // Value of one field, or a QVariantList for a ";"-list of several.
    QVariant GetFieldValue(const QString& fieldNames) const;
    QVariant FieldValues(const QString& fieldNames) const { return GetFieldValue(fieldNames); }
    void SetFieldValue(const QString& fieldName, const QVariant& value);
    // Collects the fields named in a ";"-list; raises on a missing one.
    std::vector<TField*> GetFieldList(const QString& fieldNames) const;

    // Filtering
    QString GetFilter() const { return FFilterText; }
    void SetFilter(const QString& value);
    bool GetFiltered() const { return FFiltered; }
    void SetFiltered(bool value);
    TFilterOptions GetFilterOptions() const { return FFilterOptions; }
    void SetFilterOptions(TFilterOptions value);
    std::function<void(TDataSet* dataSet, bool& accept)> OnFilterRecord;
    void SetOnFilterRecord(std::function<void(TDataSet*, bool&)> handler);
    // Lists of edit texts by field name that the dataset filters by itself while
    // Filtered (a record passes when each listed field's edit text equals one of its
    // texts, ignoring case), besides Filter and OnFilterRecord. Returns whether the
    // dataset took them; one that did not keeps the lists it had. A dataset without
    // such filtering takes only none (an empty map).
    virtual bool SetFilterValueLists(const QMap<QString, QStringList>& lists) { return lists.isEmpty(); }

    // Aggregates over every record the dataset shows (its filter applied), computed
    // without moving the cursor, one result per request: null (an invalid QVariant) for
    // no value; counts and integer fields' sums, minima and maxima as qint64; other
    // numeric fields' as double. Returns false, results undefined, when the dataset
    // cannot give exactly what reading its records would (the caller then reads them);
    // the default always does.
    virtual bool CalcAggregates(const std::vector<TAggregateRequest>& /*requests*/,
                                std::vector<QVariant>& /*results*/)
    {
        return false;
    }

    // Searching
    bool Locate(const QString& keyFields, const QVariant& keyValues, TLocateOptions options = {});
    // The values of resultFields on the first record whose keyFields hold keyValues (null
    // when none has them); the current record stays. Datasets that can ask a server override it.
    virtual QVariant Lookup(const QString& keyFields, const QVariant& keyValues, const QString& resultFields);
    // Whether record values (FieldValues of the key fields) match key values as Locate
    // compares them under options.
    static bool LocateValuesMatch(const QVariant& recordValues, const QVariant& keyValues,
                                  TLocateOptions options);
    bool FindFirst() { return FindRecord(true, true); }
    bool FindLast() { return FindRecord(true, false); }
    bool FindNext() { return FindRecord(false, true); }
    bool FindPrior() { return FindRecord(false, false); }
    bool Found() const { return FFound; }

    bool GetAutoCalcFields() const { return FAutoCalcFields; }
    void SetAutoCalcFields(bool value) { FAutoCalcFields = value; }

    // Link window access for TDataLink.
    int ActiveRecord() const { return FActiveRecord; }
    int BufferCount() const { return FBufferCount; }
    int BufferRecordCount() const { return FRecordCount; }
    TRecordBuffer ActiveBuffer() const
    {
        return FActiveRecord >= 0 && size_t(FActiveRecord) < FBuffers.size() ? FBuffers[size_t(FActiveRecord)].get()
                                                                             : nullptr;
    }

    QLocale Locale() const { return FLocale; }
    void SetLocale(const QLocale& value) { FLocale = value; }

    // Notification of the data sources; Info carries a TField* for field events and
    // the scroll distance for deDataSetScroll. Inline: while the controls are disabled (a bulk
    // walk) an event costs a few instructions.
    virtual void DataEvent(TDataEvent event, qintptr info)
    {
        if (event == deFieldChange)
            FieldChanged(reinterpret_cast<TField*>(info));
        if (FDisableCount == 0 && FState != dsBlockRead)
            NotifyDataSources(event, info);
        else if ((event == deUpdateState && FState == dsInactive) || event == deLayoutChange)
            FEnableEvent = deLayoutChange;
    }

    // Events
    std::function<void(TDataSet*)> BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    std::function<void(TDataSet*)> BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    std::function<void(TDataSet*)> BeforePost, AfterPost, BeforeCancel, AfterCancel;
    std::function<void(TDataSet*)> BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    std::function<void(TDataSet*)> OnNewRecord, OnCalcFields;

    // Ring sanity (tests and diagnostics): number of allocated buffers.
    int AllocatedBufferCount() const { return int(FBuffers.size()); }

protected:
    friend class TField;
    friend class TStringField;
    friend class TFieldDefs;
    friend class TDataSource;
    friend class TDataLink;

    // --- The record protocol descendants implement
    virtual std::unique_ptr<TRecBuf> AllocRecordBuffer() = 0;
    virtual void InternalOpen() = 0;   // open the cursor, init field defs, CreateFields, BindFields
    virtual void InternalClose() = 0;
    virtual bool IsCursorOpen() const = 0;
    virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
    virtual void InternalFirst() = 0;  // cursor before the first record
    virtual void InternalLast() = 0;   // cursor after the last record
    virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
    virtual void InternalGotoBookmark(const TBookmark& bookmark) = 0;
    virtual TBookmark GetBookmarkData(TRecordBuffer buffer) const = 0;
    virtual void SetBookmarkData(TRecordBuffer buffer, const TBookmark& data) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const = 0;
    virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
    virtual bool InternalBookmarkValid(const TBookmark& bookmark) const = 0;
    virtual int InternalCompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const = 0;
    virtual void InternalInitFieldDefs() = 0;
    virtual void InternalInitRecord(TRecordBuffer buffer) = 0; // empty values for a new record
    // Field data of a data field in a buffer; false when null.
    virtual bool GetRecordFieldData(TRecordBuffer buffer, TField* field, QVariant& value) const = 0;
    // Typed reads of a field's value in the record the fields read now, for datasets that
    // keep their values typed: AsLargeInt, AsInteger, AsFloat and a string field's AsString
    // ask them before going through GetFieldData and a QVariant. A dataset answers (true)
    // only with exactly what GetFieldData and the QVariant's conversion would give:
    // `isNull`, and the value when not null. The default leaves every read to GetFieldData.
    virtual bool ReadFieldInt(const TField* /*field*/, qint64& /*value*/, bool& /*isNull*/) const { return false; }
    virtual bool ReadFieldFloat(const TField* /*field*/, double& /*value*/, bool& /*isNull*/) const { return false; }
    virtual bool ReadFieldString(const TField* /*field*/, QString& /*value*/, bool& /*isNull*/) const { return false; }
    // A field's value in the record the fields read now, as GetValue hands it out (null as an
    // invalid QVariant). The default asks GetFieldData; a dataset that has the value at hand
    // answers it directly, exactly as GetFieldData would give it.
    virtual QVariant ReadFieldValue(const TField* field) const;
    virtual void SetRecordFieldData(TRecordBuffer buffer, TField* field, const QVariant& value) = 0;
    virtual void InternalPost() = 0;   // write the active buffer (insert when State is dsInsert)
    virtual void InternalDelete() = 0; // delete the record under the cursor
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    virtual void InternalCancel() {}
    virtual void InternalRefresh() {}
    virtual void InternalAddRecord(TRecordBuffer /*buffer*/, bool /*append*/) {}
    virtual void InternalHandleException() {}
    virtual bool GetCanModify() const { return true; }
    virtual int GetRecordCount() const { return -1; }
    virtual int GetRecNo() const { return -1; }
    virtual void DoSetRecNo(int /*value*/) {}
    virtual void InternalFilterChanged() {} // Filter/Filtered/OnFilterRecord changed while open

    // --- Overridable with working defaults
    virtual bool GetFieldData(TField* field, QVariant& value) const;
    virtual void SetFieldData(TField* field, const QVariant& value);
    virtual TRecordBuffer GetActiveRecordBuffer() const;
    virtual bool FindRecord(bool restart, bool goForward);
    // Scans from the first record for the keys; leaves the cursor on the record found.
    virtual bool LocateRecord(const QString& keyFields, const QVariant& keyValues, TLocateOptions options);
    // Key texts for fields that hold no text, converted as the field converts a
    // text typed into it ("30" for an integer field is 30); false when one does
    // not convert, so that no record can hold the keys.
    bool ConvertLocateKeys(const QString& keyFields, QVariant& keyValues) const;
    virtual void ClearCalcFields(TRecordBuffer buffer);
    virtual void DoOnNewRecord() { if (OnNewRecord) OnNewRecord(this); }
    virtual void CalculateFields(TRecordBuffer buffer);
    virtual void SetFieldValueInternal(TField* field, const QVariant& value);

    // --- Helpers for descendants
    void CreateFields();           // one field per definition that has no field yet
    void BindFields(bool binding);
    void DestroyFields();          // removes the automatically created fields
    void InitFieldDefsFromFields();
    // Computes the calculated and lookup fields of a record just read; during a scan
    // (TScanCalcGuard) only marks them pending, and reading one of them computes them.
    void GetCalcFields(TRecordBuffer buffer)
    {
        if (FCalcFieldCount > 0 && buffer)
            GetCalcFieldsOf(buffer);
    }
    bool HasCalcFields() const { return FCalcFieldCount > 0; }
    // Whether a Locate or Lookup scan is running (records are read for comparison only).
    bool Scanning() const { return FScanCount > 0; }
    TDataSetState SetTempState(TDataSetState value);
    void RestoreState(TDataSetState value);
    void SetState(TDataSetState value);
    void CheckActive() const;
    void CheckInactive() const;
    void CheckCanModify() const;
    void SetModified(bool value) { FModified = value; }
    void SetFound(bool value) { FFound = value; }
    TRecordBuffer TempBuffer() const;
    TRecordBuffer CalcBuffer() const { return FCalcBuffer; }
    TRecordBuffer FilterBuffer() const { return FFilterBuffer; }
    TRecordBuffer Buffer(int index) const { return FBuffers[size_t(index)].get(); }
    void InitRecord(TRecordBuffer buffer);
    void DoBeforeScroll() { if (BeforeScroll) BeforeScroll(this); }
    void DoAfterScroll() { if (AfterScroll) AfterScroll(this); }

    // Enters a temporary state (dsCalcFields or dsFilter) with `buffer` as the record the
    // fields read and write, and restores state and buffer when it goes out of scope.
    class TTempBufferState {
    public:
        TTempBufferState(TDataSet* dataSet, TDataSetState state, TRecordBuffer buffer);
        ~TTempBufferState();
        TTempBufferState(const TTempBufferState&) = delete;
        TTempBufferState& operator=(const TTempBufferState&) = delete;
    private:
        TDataSet* FDataSet;
        TDataSetState FOldState;
        bool FFilterSlot;
        TRecordBuffer FOldBuffer;
    };

    // While alive, records read by GetRecord leave their calculated and lookup fields to be
    // computed when read: a scan that compares data fields costs no OnCalcFields or lookups.
    class TScanCalcGuard {
    public:
        explicit TScanCalcGuard(TDataSet* dataSet) : FDataSet(dataSet) { ++FDataSet->FScanCount; }
        ~TScanCalcGuard() { --FDataSet->FScanCount; }
        TScanCalcGuard(const TScanCalcGuard&) = delete;
        TScanCalcGuard& operator=(const TScanCalcGuard&) = delete;
    private:
        TDataSet* FDataSet;
    };

    // True when records must pass the Filter expression or OnFilterRecord.
    bool RecordFilterActive() const;
    // Tests the record in `buffer` against Filter and OnFilterRecord (in the filter state).
    bool AcceptRecord(TRecordBuffer buffer);
    // Whether the values of keyFields in `buffer` match keyValues under options.
    bool RecordMatches(TRecordBuffer buffer, const std::vector<TField*>& keyFields,
                       const QVariant& keyValues, TLocateOptions options);

private:
    friend class TDataSetControlsGuard;
    void OpenCursor();
    void CloseCursor();
    void SetBufferCount(int value);
    void UpdateBufferCount();
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void SetCurrentRecord(int index)
    {
        if (FCurrentRecord != index)
            PlaceCursor(index);
    }
    void PlaceCursor(int index);
    void MoveBuffer(int curIndex, int newIndex)
    {
        if (curIndex == newIndex + 1 || newIndex == curIndex + 1) // scrolling a window of one record
            std::swap(FBuffers[size_t(curIndex)], FBuffers[size_t(newIndex)]);
        else if (curIndex != newIndex)
            RotateBuffers(curIndex, newIndex);
    }
    void RotateBuffers(int curIndex, int newIndex);
    void ActivateBuffers();
    void ClearBuffers();
    void BeginInsertAppend();
    void EndInsertAppend();
    void SetActiveRecord(int value);
    void CheckFilterFields(const QString& filterText);
    void FilterSettingsChanged();
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    // Out of line, so that an event while the controls are disabled costs a few instructions.
    Q_NEVER_INLINE void NotifyDataSources(TDataEvent event, qintptr info);
    // What a field's change does to the dataset: modified, calculated fields, OnChange.
    void FieldChanged(TField* field);
    void UpdateCalcSlots();
    // Posts or cancels the edit in progress, for CheckBrowseMode; out of line, so that
    // checking a browsing dataset costs little.
    Q_NEVER_INLINE void EndEditing();
    void GetCalcFieldsOf(TRecordBuffer buffer);
    QByteArray TagBookmark(const TBookmark& raw) const;
    bool UntagBookmark(const TBookmark& tagged, TBookmark& raw) const;

    TDataSetState FState = dsInactive;
    std::vector<std::unique_ptr<TRecBuf>> FBuffers; // FBufferCount + 1 (the last is the spare)
    std::unique_ptr<TRecBuf> FTempBuffer;
    int FBufferCount = 0;
    int FRecordCount = 0;
    int FActiveRecord = 0;
    int FCurrentRecord = -1;
    bool FBOF = true;
    bool FEOF = true;
    bool FModified = false;
    bool FFound = false;
    bool FAutoCalcFields = true;
    int FDisableCount = 0;
    TDataSetState FDisableState = dsInactive;
    TDataEvent FEnableEvent = deDataSetChange;
    TRecordBuffer FCalcBuffer = nullptr;
    TRecordBuffer FFilterBuffer = nullptr;
    int FCalcFieldCount = 0;
    int FScanCount = 0;
    TFields FFields;
    TFieldDefs FFieldDefs;
    std::vector<TDataSource*> FDataSources;
    QString FFilterText;
    bool FFiltered = false;
    TFilterOptions FFilterOptions;
    std::unique_ptr<TFilterExpression> FFilterExpr;
    QLocale FLocale;
    quint32 FBookmarkTag;
    bool FDestroying = false;
    bool FDefaultFields = true;
};

// RAII: DisableControls for the lifetime of the guard.
class TDataSetControlsGuard {
public:
    explicit TDataSetControlsGuard(TDataSet* dataSet) : FDataSet(dataSet) { if (FDataSet) FDataSet->DisableControls(); }
    ~TDataSetControlsGuard() { if (FDataSet) FDataSet->EnableControls(); }
    TDataSetControlsGuard(const TDataSetControlsGuard&) = delete;
    TDataSetControlsGuard& operator=(const TDataSetControlsGuard&) = delete;
private:
    QPointer<TDataSet> FDataSet;
};

// ---------------------------------------------------------------------------
// Data source and data link

class TDataSource : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* DataSet READ GetDataSetObject)
    Q_PROPERTY(bool Enabled READ GetEnabled WRITE SetEnabled)
    Q_PROPERTY(bool AutoEdit READ GetAutoEdit WRITE SetAutoEdit)
public:
    explicit TDataSource(QObject* parent = nullptr);
    ~TDataSource() override;
    TDataSet* GetDataSet() const { return FDataSet; }
    QObject* GetDataSetObject() const { return FDataSet; }
    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* value);
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool GetAutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool value) { FAutoEdit = value; }
    TDataSetState State() const { return FState; }
    void Edit();
    bool IsLinkedTo(const TDataSet* dataSet) const;
    int LinkCount() const { return int(FDataLinks.size()); }

    std::function<void(TDataSource*)> OnStateChange;
    std::function<void(TDataSource*, TField*)> OnDataChange;
    std::function<void(TDataSource*)> OnUpdateData;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, qintptr info);
    void NotifyDataLinks(TDataEvent event, qintptr info);
    void SetState(TDataSetState value);
    void UpdateState();
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);

    QPointer<TDataSet> FDataSet;
    std::vector<TDataLink*> FDataLinks;
    bool FEnabled = true;
    bool FAutoEdit = true;
    TDataSetState FState = dsInactive;
};

class TDataLink {
public:
    TDataLink();
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* GetDataSource() const { return FDataSource; }
    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* value);
    TDataSet* DataSet() const;
    bool Active() const { return FActive; }
    bool Editing() const { return FEditing; }
    bool GetReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    int GetActiveRecord() const;
    int ActiveRecord() const { return GetActiveRecord(); }
    void SetActiveRecord(int value);
    int GetBufferCount() const { return FBufferCount; }
    int BufferCount() const { return FBufferCount; }
    void SetBufferCount(int value);
    int RecordCount() const;
    int FirstRecord() const { return FFirstRecord; }
    bool Edit();
    void UpdateRecord();
    int MoveBy(int distance);
    bool Bof() const;
    bool Eof() const;

protected:
    friend class TDataSource;
    friend class TDataSet;
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
    virtual void FocusControl(TField* /*field*/) {}
    virtual void EditingChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* /*field*/) {}
    virtual void UpdateData() {}
    virtual void DataEvent(TDataEvent event, qintptr info);

private:
    void UpdateState();
    void SetActive(bool value);
    void SetEditing(bool value);
    void UpdateRange();

    TDataSource* FDataSource = nullptr; // reset by the source when it goes away
    int FFirstRecord = 0;
    int FBufferCount = 1;
    bool FActive = false;
    bool FEditing = false;
    bool FReadOnly = false;
    bool FUpdating = false;
};

// The link of a detail dataset to its master's data source (a query's DataSource, a
// table's MasterSource). It only reads the master's current record, never moves it:
// OnMasterChange runs whenever the master's values of FieldNames may have changed: with
// `moved` false when the master opened or closed (or the link joined another source), true
// when it scrolled, changed its data or one of those fields was edited. Before the master
// leaves its record the detail's pending edit is posted.
class TMasterDataLink : public TDataLink {
public:
    explicit TMasterDataLink(TDataSet* detail) : FDetail(detail) {}
    // Posts the detail's pending edit and joins `source`; raises when the source's dataset
    // is the detail or follows it. ActiveChanged tells the detail.
    void SetMasterSource(TDataSource* source);
    QString GetFieldNames() const { return FFieldNames; }
    void SetFieldNames(const QString& value);
    // Whether the master is open (its values can be read).
    bool MasterActive() const { return Active() && DataSet(); }
    // The master's field of that name on an open master, else none.
    TField* MasterField(const QString& name) const;
    std::function<void(bool moved)> OnMasterChange;

protected:
    void ActiveChanged() override { MasterChange(false); }
    void CheckBrowseMode() override;
    void RecordChanged(TField* field) override;

private:
    // Runs OnMasterChange; what it raises goes to the application's handler, since the
    // master's change may come from a destructor (a data source going away).
    void MasterChange(bool moved) noexcept;
    TDataSet* FDetail;
    QString FFieldNames;
    QStringList FNames;
};

} // namespace zdb

Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TResyncMode)
Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TLocateOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TProviderFlags)
Q_DECLARE_OPERATORS_FOR_FLAGS(zdb::TIndexOptions)
