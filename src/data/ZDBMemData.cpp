// TZMemDataSet: column storage, the ordered and filtered view, indexes and files.

#include "ZDBMemData.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>
#include <QScopeGuard>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <type_traits>
#include <utility>

namespace zdb {

namespace memdata {

// --- Columns --------------------------------------------------------------------------

// The kinds of value a column holds, by the field types stored in them.
enum class TColumnKind { Int, Float, Bool, Date, Time, DateTime, String, Bytes, Variant };

TColumnKind ColumnKindOf(TFieldType type)
{
    switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftAutoInc: case ftLargeint: case ftLongWord:
    case ftShortint: case ftByte:
        return TColumnKind::Int;
    case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd: case ftExtended: case ftSingle:
        return TColumnKind::Float;
    case ftBoolean:
        return TColumnKind::Bool;
    case ftDate:
        return TColumnKind::Date;
    case ftTime:
        return TColumnKind::Time;
    case ftDateTime: case ftTimeStamp: case ftOraTimeStamp: case ftTimeStampOffset:
        return TColumnKind::DateTime;
    case ftString: case ftFixedChar: case ftWideString: case ftFixedWideChar: case ftGuid: case ftMemo:
    case ftFmtMemo: case ftWideMemo: case ftOraClob:
        return TColumnKind::String;
    case ftBytes: case ftVarBytes: case ftBlob: case ftGraphic: case ftTypedBinary: case ftOraBlob:
    case ftParadoxOle: case ftDBaseOle:
        return TColumnKind::Bytes;
    default:
        return TColumnKind::Variant;
    }
}

// One column of the table: a value and a null flag per row id.
class TColumn {
public:
    explicit TColumn(TFieldType type) : FType(type), FKind(ColumnKindOf(type)) {}
    virtual ~TColumn() = default;
    TColumn(const TColumn&) = delete;
    TColumn& operator=(const TColumn&) = delete;

    TFieldType Type() const { return FType; }
    TColumnKind Kind() const { return FKind; }
    bool IsNull(int row) const { return !FHas[size_t(row)]; }
    virtual void Resize(size_t rows) = 0;
    virtual QVariant Get(int row) const = 0;
    // Stores a value (an invalid QVariant clears the cell); false when the value
    // cannot be held by the column, which then keeps the cell as it was.
    virtual bool Set(int row, const QVariant& value) = 0;
    // Orders two cells; nulls come first.
    virtual int Compare(int row1, int row2, bool caseInsensitive) const = 0;
    // Sorts `rows` as Compare orders their cells (reversed when descending), the rows
    // whose cells tie by `tieLess`. Compares extracted keys: no virtual call and no
    // QVariant per comparison.
    virtual void SortRows(std::vector<qint32>& rows, bool descending, bool caseInsensitive,
                          const std::function<bool(qint32, qint32)>& tieLess) const = 0;
    // Whether a Locate key compares with this column's values as the record scan would
    // compare it (same kind of value, converted without loss).
    virtual bool KeyUsable(const QVariant& key) const = 0;
    // Orders a cell against a key value; with `partial`, a string cell is first cut to
    // the key's length.
    virtual int CompareKey(int row, const QVariant& key, bool caseInsensitive, bool partial) const = 0;
    // Streams a non-null cell.
    virtual void Write(QDataStream& stream, int row) const = 0;
    virtual void Read(QDataStream& stream, int row) = 0;

protected:
    TFieldType FType;
    TColumnKind FKind;
    // A byte per cell rather than a bit: reading a flag is then a load, not the bit
    // arithmetic of std::vector<bool> (a walk reads one per field and record).
    std::vector<quint8> FHas;
};

namespace {

bool IsNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Long: case QMetaType::ULong: case QMetaType::Char: case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool IsFloating(const QVariant& value)
{
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

template <typename T>
int Order(const T& a, const T& b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

int Sign(int value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

// Conversion, ordering and streaming of the value kinds a column can hold.
template <typename Derived, typename Storage>
struct TTraitsBase {
    using S = Storage;
    // The key a sort compares: the cell itself for small values, else a pointer to it.
    static constexpr bool ByValue = std::is_trivially_copyable_v<S> && sizeof(S) <= sizeof(qint64);
    using SortKey = std::conditional_t<ByValue, S, const S*>;
    static SortKey SortKeyOf(const S& v, bool /*caseInsensitive*/)
    {
        if constexpr (ByValue)
            return v;
        else
            return &v;
    }
    static int SortCmp(const SortKey& a, const SortKey& b, bool caseInsensitive)
    {
        if constexpr (ByValue)
            return Derived::Cmp(a, b, caseInsensitive);
        else
            return Derived::Cmp(*a, *b, caseInsensitive);
    }
    static int CmpKey(const S& a, const S& key, bool caseInsensitive, bool /*partial*/)
    {
        return Derived::Cmp(a, key, caseInsensitive);
    }
    static void Write(QDataStream& stream, const S& value) { stream << value; }
    static void Read(QDataStream& stream, S& value) { stream >> value; }
};

struct TIntTraits : TTraitsBase<TIntTraits, qint64> {
    static constexpr TColumnKind Kind = TColumnKind::Int;
    static bool From(const QVariant& v, S& out)
    {
        if (IsFloating(v)) {
            const double d = v.toDouble();
            if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 9.2e18)
                return false;
            out = qint64(d);
            return true;
        }
        bool ok = false;
        out = v.toLongLong(&ok);
        return ok;
    }
    static QVariant To(const S& v, TFieldType type) { return type == ftLargeint ? QVariant(qlonglong(v)) : QVariant(int(v)); }
    static int Cmp(const S& a, const S& b, bool) { return Order(a, b); }
    static bool KeyUsable(const QVariant& key)
    {
        S dummy = 0;
        return IsNumber(key) && From(key, dummy);
    }
};

struct TFloatTraits : TTraitsBase<TFloatTraits, double> {
    static constexpr TColumnKind Kind = TColumnKind::Float;
    static bool From(const QVariant& v, S& out)
    {
        bool ok = false;
        out = v.toDouble(&ok);
        return ok;
    }
    static QVariant To(const S& v, TFieldType) { return v; }
    static int Cmp(const S& a, const S& b, bool) { return Order(a, b); }
    static bool KeyUsable(const QVariant& key) { return IsNumber(key); }
};

struct TBoolTraits : TTraitsBase<TBoolTraits, quint8> {
    static constexpr TColumnKind Kind = TColumnKind::Bool;
    static bool From(const QVariant& v, S& out)
    {
        if (v.typeId() != QMetaType::Bool && !IsNumber(v) && v.typeId() != QMetaType::QString)
            return false;
        out = v.toBool() ? 1 : 0;
        return true;
    }
    static QVariant To(const S& v, TFieldType) { return v != 0; }
    static int Cmp(const S& a, const S& b, bool) { return Order(a, b); }
    static bool KeyUsable(const QVariant& key) { return key.typeId() == QMetaType::Bool; }
};

struct TDateTraits : TTraitsBase<TDateTraits, QDate> {
    static constexpr TColumnKind Kind = TColumnKind::Date;
    static bool From(const QVariant& v, S& out)
    {
        if (v.typeId() == QMetaType::QDateTime)
            out = v.toDateTime().date();
        else if (v.typeId() == QMetaType::QString)
            out = QDate::fromString(v.toString(), Qt::ISODate);
        else if (v.typeId() == QMetaType::QDate)
            out = v.toDate();
        else
            return false;
        return out.isValid();
    }
    static QVariant To(const S& v, TFieldType) { return v; }
    static int Cmp(const S& a, const S& b, bool) { return Order(a, b); }
    static bool KeyUsable(const QVariant& key) { return key.typeId() == QMetaType::QDate; }
};

struct TTimeTraits : TTraitsBase<TTimeTraits, QTime> {
    static constexpr TColumnKind Kind = TColumnKind::Time;
    static bool From(const QVariant& v, S& out)
    {
        if (v.typeId() == QMetaType::QDateTime)
            out = v.toDateTime().time();
        else if (v.typeId() == QMetaType::QString)
            out = QTime::fromString(v.toString(), Qt::ISODateWithMs);
        else if (v.typeId() == QMetaType::QTime)
            out = v.toTime();
        else
            return false;
        return out.isValid();
    }
    static QVariant To(const S& v, TFieldType) { return v; }
    static int Cmp(const S& a, const S& b, bool) { return Order(a, b); }
    static bool KeyUsable(const QVariant& key) { return key.typeId() == QMetaType::QTime; }
};

struct TDateTimeTraits : TTraitsBase<TDateTimeTraits, QDateTime> {
    static constexpr TColumnKind Kind = TColumnKind::DateTime;
    static bool From(const QVariant& v, S& out)
    {
        if (v.typeId() == QMetaType::QDate)
            out = v.toDate().startOfDay();
        else if (v.typeId() == QMetaType::QString)
            out = QDateTime::fromString(v.toString(), Qt::ISODateWithMs);
        else if (v.typeId() == QMetaType::QDateTime)
            out = v.toDateTime();
        else
            return false;
        return out.isValid();
    }
    static QVariant To(const S& v, TFieldType) { return v; }
    static int Cmp(const S& a, const S& b, bool) { return Order(a, b); }
    static bool KeyUsable(const QVariant& key) { return key.typeId() == QMetaType::QDateTime; }
};

struct TStringTraits : TTraitsBase<TStringTraits, QString> {
    static constexpr TColumnKind Kind = TColumnKind::String;
    static bool From(const QVariant& v, S& out)
    {
        if (v.typeId() == QMetaType::QByteArray)
            out = QString::fromUtf8(v.toByteArray());
        else if (v.canConvert<QString>())
            out = v.toString();
        else
            return false;
        return true;
    }
    static QVariant To(const S& v, TFieldType) { return v; }
    static int Cmp(const S& a, const S& b, bool caseInsensitive)
    {
        return Sign(QString::compare(a, b, caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive));
    }
    // A case-sensitive sort key carries the first four UTF-16 code units packed into an
    // integer (the first one highest, missing ones as 0): different prefixes order the
    // strings as the code units do, equal ones leave it to the whole strings.
    struct SortKey {
        quint64 Prefix;
        QStringView Text;
    };
    static SortKey SortKeyOf(const S& v, bool caseInsensitive)
    {
        quint64 prefix = 0;
        if (!caseInsensitive) {
            const qsizetype n = std::min<qsizetype>(v.size(), 4);
            for (qsizetype i = 0; i < 4; ++i)
                prefix = (prefix << 16) | (i < n ? v[i].unicode() : 0u);
        }
        return {prefix, QStringView(v)};
    }
    static int SortCmp(const SortKey& a, const SortKey& b, bool caseInsensitive)
    {
        if (a.Prefix != b.Prefix)
            return a.Prefix < b.Prefix ? -1 : 1;
        return Sign(a.Text.compare(b.Text, caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive));
    }
    static int CmpKey(const S& a, const S& key, bool caseInsensitive, bool partial)
    {
        const QStringView cell = partial ? QStringView(a).left(key.size()) : QStringView(a);
        return Sign(cell.compare(key, caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive));
    }
    static bool KeyUsable(const QVariant& key) { return key.typeId() == QMetaType::QString; }
};

struct TBytesTraits : TTraitsBase<TBytesTraits, QByteArray> {
    static constexpr TColumnKind Kind = TColumnKind::Bytes;
    static bool From(const QVariant& v, S& out)
    {
        if (v.typeId() == QMetaType::QString)
            out = v.toString().toUtf8();
        else if (v.canConvert<QByteArray>())
            out = v.toByteArray();
        else
            return false;
        return true;
    }
    static QVariant To(const S& v, TFieldType) { return v; }
    static int Cmp(const S& a, const S& b, bool) { return Sign(a.compare(b)); }
    static bool KeyUsable(const QVariant& key) { return key.typeId() == QMetaType::QByteArray; }
};

// Lists and maps of variants nest at most this deep in a file; Qt's reader would
// recurse once per level, so deeper nesting counts as damage.
constexpr int MaxVariantNesting = 64;

// Reads a variant as QDataStream wrote it, reading lists, maps and hashes of
// variants here so that their nesting is counted; everything else is Qt's.
void ReadVariant(QDataStream& stream, QVariant& value, int depth)
{
    QIODevice* device = stream.device();
    const QByteArray head = device ? device->peek(4) : QByteArray();
    const int typeId = head.size() == 4 ? int(qFromBigEndian<quint32>(head.constData())) : QMetaType::UnknownType;
    const bool list = typeId == QMetaType::QVariantList;
    const bool keyed = typeId == QMetaType::QVariantMap || typeId == QMetaType::QVariantHash;
    if (!list && !keyed) {
        stream >> value;
        return;
    }
    if (depth >= MaxVariantNesting) {
        stream.setStatus(QDataStream::ReadCorruptData);
        return;
    }
    quint32 type = 0;
    qint8 isNull = 0;
    quint32 count = 0;
    stream >> type >> isNull >> count;
    QVariantList items;
    QVariantMap map;
    QVariantHash hash;
    for (quint32 i = 0; i < count && stream.status() == QDataStream::Ok; ++i) {
        QString key;
        if (keyed)
            stream >> key;
        QVariant item;
        ReadVariant(stream, item, depth + 1);
        if (list)
            items.append(item);
        else if (typeId == QMetaType::QVariantMap)
            map.insert(key, item);
        else
            hash.insert(key, item);
    }
    if (stream.status() != QDataStream::Ok)
        return;
    value = list ? QVariant(items) : typeId == QMetaType::QVariantMap ? QVariant(map) : QVariant(hash);
}

struct TVariantTraits : TTraitsBase<TVariantTraits, QVariant> {
    static constexpr TColumnKind Kind = TColumnKind::Variant;
    static void Read(QDataStream& stream, S& value) { ReadVariant(stream, value, 0); }
    static bool From(const QVariant& v, S& out)
    {
        out = v;
        return true;
    }
    static QVariant To(const S& v, TFieldType) { return v; }
    static int Cmp(const S& a, const S& b, bool caseInsensitive)
    {
        const QPartialOrdering order = QVariant::compare(a, b);
        if (order == QPartialOrdering::Less)
            return -1;
        if (order == QPartialOrdering::Greater)
            return 1;
        if (order == QPartialOrdering::Equivalent)
            return 0;
        if (a.typeId() != b.typeId())
            return Order(a.typeId(), b.typeId());
        return TStringTraits::Cmp(a.toString(), b.toString(), caseInsensitive);
    }
    static bool KeyUsable(const QVariant&) { return false; }
};

template <typename Traits>
class TTypedColumn final : public TColumn {
public:
    using S = typename Traits::S;
    explicit TTypedColumn(TFieldType type) : TColumn(type) {}

    void Resize(size_t rows) override
    {
        FValues.resize(rows);
        FHas.resize(rows, 0);
    }
    QVariant Get(int row) const override
    {
        return FHas[size_t(row)] ? Traits::To(FValues[size_t(row)], FType) : QVariant();
    }
    bool Set(int row, const QVariant& value) override
    {
        if (value.isNull()) {
            FValues[size_t(row)] = S();
            FHas[size_t(row)] = 0;
            return true;
        }
        S converted{};
        if (!Traits::From(value, converted))
            return false;
        FValues[size_t(row)] = std::move(converted);
        FHas[size_t(row)] = 1;
        return true;
    }
    int Compare(int row1, int row2, bool caseInsensitive) const override
    {
        const bool has1 = FHas[size_t(row1)];
        const bool has2 = FHas[size_t(row2)];
        if (!has1 || !has2)
            return has1 == has2 ? 0 : (has1 ? 1 : -1);
        return Traits::Cmp(FValues[size_t(row1)], FValues[size_t(row2)], caseInsensitive);
    }
    void SortRows(std::vector<qint32>& rows, bool descending, bool caseInsensitive,
                  const std::function<bool(qint32, qint32)>& tieLess) const override
    {
        struct TEntry {
            typename Traits::SortKey Key;
            qint32 Row;
        };
        std::vector<qint32> nulls;
        std::vector<TEntry> entries;
        entries.reserve(rows.size());
        for (qint32 row : rows) {
            if (FHas[size_t(row)])
                entries.push_back({Traits::SortKeyOf(FValues[size_t(row)], caseInsensitive), row});
            else
                nulls.push_back(row);
        }
        std::sort(nulls.begin(), nulls.end(), tieLess);
        std::sort(entries.begin(), entries.end(), [&](const TEntry& a, const TEntry& b) {
            const int c = Traits::SortCmp(a.Key, b.Key, caseInsensitive);
            if (c != 0)
                return descending ? c > 0 : c < 0;
            return tieLess(a.Row, b.Row);
        });
        // Nulls come first, so last when descending.
        auto out = rows.begin();
        if (!descending)
            out = std::copy(nulls.begin(), nulls.end(), out);
        for (const TEntry& entry : entries)
            *out++ = entry.Row;
        if (descending)
            std::copy(nulls.begin(), nulls.end(), out);
    }
    bool KeyUsable(const QVariant& key) const override { return Traits::KeyUsable(key); }
    int CompareKey(int row, const QVariant& key, bool caseInsensitive, bool partial) const override
    {
        const bool has = FHas[size_t(row)];
        if (!has || key.isNull())
            return has == !key.isNull() ? 0 : (has ? 1 : -1);
        S converted{};
        if (!Traits::From(key, converted))
            return 1;
        return Traits::CmpKey(FValues[size_t(row)], converted, caseInsensitive, partial);
    }
    // The stored value of a cell, none when it is null.
    const S* Cell(int row) const { return FHas[size_t(row)] ? &FValues[size_t(row)] : nullptr; }
    // Asks the processor to bring a text cell's shared block into its cache: reading the
    // text later (a copy counts a reference in that block) then does not wait for memory.
    void PrefetchText(int row) const
    {
        if constexpr (std::is_same_v<S, QString>) {
            if (FHas[size_t(row)])
                // (d_ptr is not const in Qt 6.4; nothing is written through it)
                if (const auto* block = const_cast<QString&>(FValues[size_t(row)]).data_ptr().d_ptr())
                    __builtin_prefetch(block, 1);
        }
    }
    void Write(QDataStream& stream, int row) const override { Traits::Write(stream, FValues[size_t(row)]); }
    void Read(QDataStream& stream, int row) override
    {
        S value{};
        Traits::Read(stream, value);
        FValues[size_t(row)] = std::move(value);
        FHas[size_t(row)] = 1;
    }

private:
    std::vector<S> FValues;
};

std::unique_ptr<TColumn> NewColumn(TFieldType type)
{
    switch (ColumnKindOf(type)) {
    case TColumnKind::Int: return std::make_unique<TTypedColumn<TIntTraits>>(type);
    case TColumnKind::Float: return std::make_unique<TTypedColumn<TFloatTraits>>(type);
    case TColumnKind::Bool: return std::make_unique<TTypedColumn<TBoolTraits>>(type);
    case TColumnKind::Date: return std::make_unique<TTypedColumn<TDateTraits>>(type);
    case TColumnKind::Time: return std::make_unique<TTypedColumn<TTimeTraits>>(type);
    case TColumnKind::DateTime: return std::make_unique<TTypedColumn<TDateTimeTraits>>(type);
    case TColumnKind::String: return std::make_unique<TTypedColumn<TStringTraits>>(type);
    case TColumnKind::Bytes: return std::make_unique<TTypedColumn<TBytesTraits>>(type);
    case TColumnKind::Variant: break;
    }
    return std::make_unique<TTypedColumn<TVariantTraits>>(type);
}

// The column as the class NewColumn made it for its kind of value; none for another kind.
template <typename Traits>
const TTypedColumn<Traits>* AsTyped(const TColumn* column)
{
    return column->Kind() == Traits::Kind ? static_cast<const TTypedColumn<Traits>*>(column) : nullptr;
}

} // namespace

// --- The rows -------------------------------------------------------------------------

// The table: one column per field definition (by FieldNo - 1), row ids 0 .. RowCount-1
// of which the deleted ones are holes, and the placement order of the live rows.
struct TStore {
    std::vector<std::unique_ptr<TColumn>> Columns;
    std::vector<quint8> Deleted; // a byte per row, as the columns' null flags
    std::vector<qint32> Natural;
    std::vector<qint64> AutoIncNext; // per column; 0 = not known yet

    int RowCount() const { return int(Deleted.size()); }
    bool IsLive(int row) const { return size_t(row) < Deleted.size() && !Deleted[size_t(row)]; }
    void Resize(size_t rows)
    {
        for (auto& column : Columns)
            column->Resize(rows);
        Deleted.resize(rows, 0);
    }
    int AddRow()
    {
        const int row = RowCount();
        Resize(size_t(row) + 1);
        return row;
    }
    void DropLastRow() { Resize(Deleted.size() - 1); }
    void CopyRow(int from, int to)
    {
        for (auto& column : Columns)
            column->Set(to, column->Get(from));
    }
    void ClearRow(int row)
    {
        for (auto& column : Columns)
            column->Set(row, QVariant());
    }
};

} // namespace memdata

using memdata::TColumn;
using memdata::TStore;

namespace {

constexpr char FileMagic[4] = {'Z', 'M', 'D', 'S'};
constexpr quint16 FileVersion = 1;
constexpr QDataStream::Version StreamVersion = QDataStream::Qt_6_4;

std::vector<TFieldDef> DefList(const TFieldDefs& defs)
{
    return std::vector<TFieldDef>(defs.begin(), defs.end());
}


bool IsUniqueIndex(const TIndexDef& def)
{
    return def.Options.testFlag(ixUnique) || def.Options.testFlag(ixPrimary);
}

} // namespace

void ParseIndexFieldNames(const QString& value, QStringList& names, std::vector<bool>& descending)
{
    for (QString item : SplitFieldNames(value)) {
        bool desc = false;
        if (item.endsWith(QLatin1String(" DESC"), Qt::CaseInsensitive)) {
            desc = true;
            item.chop(5);
        } else if (item.endsWith(QLatin1String(" ASC"), Qt::CaseInsensitive)) {
            item.chop(4);
        }
        item = item.trimmed();
        if (item.isEmpty())
            continue;
        names << item;
        descending.push_back(desc);
    }
}

// --- Construction -------------------------------------------------------------------------

TZMemDataSet::TZMemDataSet(QObject* parent)
    : TZDBCustomData(parent), FMasterLink(std::make_unique<TMasterDataLink>(this))
{
    FMasterLink->OnMasterChange = [this](bool) { MasterChanged(); };
}

TZMemDataSet::~TZMemDataSet()
{
    try {
        Close();
    } catch (...) {
    }
}

bool TZMemDataSet::SupportsFieldType(TFieldType /*type*/) const
{
    return true;
}

std::unique_ptr<TStore> TZMemDataSet::NewStore(const std::vector<TFieldDef>& defs)
{
    auto store = std::make_unique<TStore>();
    for (const TFieldDef& def : defs)
        store->Columns.push_back(memdata::NewColumn(def.DataType));
    store->AutoIncNext.assign(defs.size(), 0);
    return store;
}

void TZMemDataSet::CreateDataSet()
{
    CheckInactive();
    if (FieldDefs().Count() == 0 && FieldCount() == 0)
        DatabaseError(QStringLiteral("No fields defined; cannot create the dataset"), this);
    Open();
}

void TZMemDataSet::InternalOpen()
{
    TZDBCustomData::InternalOpen();
    if (FPendingStore)
        FStore = std::move(FPendingStore);
    else
        FStore = NewStore(DefList(FieldDefs()));
    if (int(FStore->Columns.size()) != FieldDefs().Count())
        DatabaseError(QStringLiteral("The rows do not match the field definitions"), this);
    FScratch = AllocRecordBuffer();
    FPos.assign(size_t(FStore->RowCount()), -1);
    FPosValid = 0;
    FKey = KeyOfIndex(FIndexName, FIndexFieldNames);
    RebuildView();
}

void TZMemDataSet::InternalClose()
{
    TZDBCustomData::InternalClose();
    if (FStore)
        FRowBase += FStore->RowCount();
    FKey.clear();
    FRange.clear(); // its columns go with the store; the link's field names stay
    FMasterValues.clear();
    FView.clear();
    FPos.clear();
    FPosValid = 0;
    FTextReads = 0;
    FLastFetched = -1;
    FScratch.reset();
    FStore.reset();
}

void TZMemDataSet::EmptyDataSet()
{
    CheckActive();
    Cancel();
    FRowBase += FStore->RowCount();
    FStore->Resize(0);
    FStore->Natural.clear();
    FView.clear();
    FPos.clear();
    FPosValid = 0;
    UpdateRecordCount(0);
    SetRecordNumber(-1);
    CursorPosChanged();
    Resync({});
}

// --- Record protocol -------------------------------------------------------------------------

std::unique_ptr<TRecBuf> TZMemDataSet::AllocRecordBuffer()
{
    auto buffer = std::make_unique<TMemRecBuf>();
    ResetSlots(buffer.get());
    return buffer;
}

TColumn* TZMemDataSet::ColumnOf(const TField* field) const
{
    const int index = field->FieldNo() - 1;
    if (!FStore || index < 0 || index >= int(FStore->Columns.size()))
        return nullptr;
    return FStore->Columns[size_t(index)].get();
}

Q_ALWAYS_INLINE const TColumn* TZMemDataSet::StoredCell(TRecordBuffer buffer, const TField* field, int& row) const
{
    const TMemRecBuf* b = MemBuf(buffer);
    const size_t index = size_t(field->FieldNo() - 1);
    if (b->SlotsUsed && index < b->Values.size() && b->Values[index].has_value())
        return nullptr;
    row = b->RowId;
    const TStore* store = FStore.get();
    if (!store || index >= store->Columns.size() || !store->IsLive(row))
        return nullptr;
    return store->Columns[index].get();
}

bool TZMemDataSet::GetRecordFieldData(TRecordBuffer buffer, TField* field, QVariant& value) const
{
    int row = -1;
    const TColumn* column = StoredCell(buffer, field, row);
    if (!column)
        return TZDBCustomData::GetRecordFieldData(buffer, field, value);
    value = column->Get(row);
    if (value.isNull()) {
        value = QVariant();
        return false;
    }
    ConvertRead(field, value);
    return true;
}

TRecordBuffer TZMemDataSet::GetActiveRecordBuffer() const
{
    return TDataSet::GetActiveRecordBuffer();
}

Q_ALWAYS_INLINE const TColumn* TZMemDataSet::CurrentCell(const TField* field, int& row) const
{
    if (field->FieldNo() <= 0 || field->Calculated())
        return nullptr;
    // GetActiveRecordBuffer (final here), without its call while browsing.
    const TRecordBuffer buffer = State() == dsBrowse ? (IsEmpty() ? nullptr : Buffer(ActiveRecord()))
                                                     : GetActiveRecordBuffer();
    if (!buffer)
        return nullptr;
    const TColumn* column = StoredCell(buffer, field, row);
    return column && column->Type() == field->DataType() ? column : nullptr;
}

namespace {

// Whether reading cuts a text to its field's size (as ConvertRead does).
bool CutsText(const TField* field, const QString& text)
{
    return field->GetSize() > 0 && text.size() > field->GetSize() && IsStringFieldType(field->DataType());
}

// A typed read of a cell CurrentCell found: answered when its column holds the kind of
// value Traits stands for; `finish` makes the answer of the stored value, in place.
template <typename Traits, typename T, typename Finish>
bool ReadCell(const TColumn* column, int row, T& value, bool& isNull, Finish finish)
{
    const auto* typed = column ? memdata::AsTyped<Traits>(column) : nullptr;
    if (!typed)
        return false;
    const auto* cell = typed->Cell(row);
    isNull = !cell;
    if (cell) {
        value = *cell;
        finish(value);
    }
    return true;
}

} // namespace

Q_ALWAYS_INLINE void TZMemDataSet::NoteTextRead(const TField* field) const
{
    const unsigned index = unsigned(field->FieldNo() - 1);
    if (index < 64)
        FTextReads |= quint64(1) << index;
}

Q_ALWAYS_INLINE const TColumn* TZMemDataSet::CurrentValueCell(const TField* field, int& row) const
{
    const TColumn* column = CurrentCell(field, row);
    // A variant cell may hold a value that reads as null: that one goes the general way.
    return column && column->Kind() != memdata::TColumnKind::Variant ? column : nullptr;
}

namespace {

// The value of a cell CurrentValueCell found, not null, as GetFieldData gives it.
Q_ALWAYS_INLINE QVariant CellValue(const TField* field, const TColumn* column, int row)
{
    if (const auto* strings = memdata::AsTyped<memdata::TStringTraits>(column)) {
        const QString& text = *strings->Cell(row);
        return CutsText(field, text) ? QVariant(text.left(field->GetSize())) : QVariant(text);
    }
    if (const auto* dates = memdata::AsTyped<memdata::TDateTraits>(column))
        return QVariant(*dates->Cell(row)); // as Get gives it, without its call
    return column->Get(row);
}

} // namespace

bool TZMemDataSet::GetFieldData(TField* field, QVariant& value) const
{
    int row = -1;
    const TColumn* column = CurrentValueCell(field, row);
    if (!column)
        return TZDBCustomData::GetFieldData(field, value);
    const bool isNull = column->IsNull(row);
    if (column->Kind() == memdata::TColumnKind::String)
        NoteTextRead(field);
    value = isNull ? QVariant() : CellValue(field, column, row);
    return !isNull;
}

QVariant TZMemDataSet::ReadFieldValue(const TField* field) const
{
    int row = -1;
    const TColumn* column = CurrentValueCell(field, row);
    if (!column)
        return TZDBCustomData::ReadFieldValue(field);
    if (column->Kind() == memdata::TColumnKind::String)
        NoteTextRead(field);
    return column->IsNull(row) ? QVariant() : CellValue(field, column, row);
}

bool TZMemDataSet::ReadFieldInt(const TField* field, qint64& value, bool& isNull) const
{
    int row = -1;
    const TColumn* column = CurrentCell(field, row); // before `row` is read
    const bool large = field->DataType() == ftLargeint;
    return ReadCell<memdata::TIntTraits>(column, row, value, isNull, [large](qint64& number) {
        if (!large)
            number = int(number);
    });
}

bool TZMemDataSet::ReadFieldFloat(const TField* field, double& value, bool& isNull) const
{
    int row = -1;
    const TColumn* column = CurrentCell(field, row);
    return ReadCell<memdata::TFloatTraits>(column, row, value, isNull, [](double&) {});
}

bool TZMemDataSet::ReadFieldString(const TField* field, QString& value, bool& isNull) const
{
    int row = -1;
    const TColumn* column = CurrentCell(field, row);
    NoteTextRead(field);
    return ReadCell<memdata::TStringTraits>(column, row, value, isNull, [field](QString& text) {
        if (CutsText(field, text))
            text.truncate(field->GetSize());
    });
}

void TZMemDataSet::FetchFieldValue(TRecordBuffer buffer, TField* field, QVariant& value)
{
    const int row = MemBuf(buffer)->RowId;
    TColumn* column = ColumnOf(field);
    if (column && FStore->IsLive(row))
        value = column->Get(row);
}

void TZMemDataSet::InternalFetchRecord(TRecordBuffer buffer)
{
    TMemRecBuf* b = MemBuf(buffer);
    const int position = b->RecordIndex;
    b->RowId = FView[size_t(position)];
    const int step = position - FLastFetched;
    FLastFetched = position;
    if (FTextReads && (step == 1 || step == -1))
        PrefetchTexts(position + step * TextPrefetchDistance);
    FTextReads = 0;
}

void TZMemDataSet::PrefetchTexts(int position) const
{
    if (position < 0 || size_t(position) >= FView.size())
        return;
    const int row = FView[size_t(position)];
    for (quint64 mask = FTextReads; mask; mask &= mask - 1) {
        const size_t index = size_t(std::countr_zero(mask));
        if (index < FStore->Columns.size())
            if (const auto* texts = memdata::AsTyped<memdata::TStringTraits>(FStore->Columns[index].get()))
                texts->PrefetchText(row);
    }
}

void TZMemDataSet::DoOnCountRecords(int& count)
{
    count = int(FView.size());
}

int TZMemDataSet::PosOf(int row) const
{
    if (!FStore || row < 0 || row >= FStore->RowCount())
        return -1;
    if (FPos.size() < size_t(FStore->RowCount()))
        FPos.resize(size_t(FStore->RowCount()), -1);
    const int viewSize = int(FView.size());
    auto valid = [&](int p) { return p >= 0 && p < viewSize && FView[size_t(p)] == row; };
    int p = FPos[size_t(row)];
    if (p < FPosValid && valid(p))
        return p;
    if (FPosValid < viewSize) {
        for (int i = std::max(FPosValid, 0); i < viewSize; ++i)
            FPos[size_t(FView[size_t(i)])] = i;
        FPosValid = viewSize;
        p = FPos[size_t(row)];
        if (valid(p))
            return p;
    }
    return -1;
}

void TZMemDataSet::InternalSetToRecord(TRecordBuffer buffer)
{
    SetRecordNumber(PosOf(MemBuf(buffer)->RowId));
}

bool TZMemDataSet::BookmarkRow(const TBookmark& bookmark, qint32& row) const
{
    if (!BookmarkIndex(bookmark, row))
        return false;
    row -= FRowBase;
    return true;
}

void TZMemDataSet::InternalGotoBookmark(const TBookmark& bookmark)
{
    qint32 row = -1;
    if (BookmarkRow(bookmark, row))
        SetRecordNumber(PosOf(row));
}

TBookmark TZMemDataSet::GetBookmarkData(TRecordBuffer buffer) const
{
    return RowBookmark(MemBuf(buffer)->RowId);
}

void TZMemDataSet::SetBookmarkData(TRecordBuffer buffer, const TBookmark& data)
{
    qint32 row = -1;
    if (BookmarkRow(data, row))
        MemBuf(buffer)->RowId = row;
}

bool TZMemDataSet::InternalBookmarkValid(const TBookmark& bookmark) const
{
    qint32 row = -1;
    return BookmarkRow(bookmark, row) && FStore && FStore->IsLive(row) && PosOf(row) >= 0;
}

int TZMemDataSet::InternalCompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) const
{
    // By row id, not by place in the view: a list of bookmarks kept in this order stays
    // ordered while rows are deleted, filtered out or re-sorted.
    qint32 row1 = -1;
    qint32 row2 = -1;
    const bool has1 = BookmarkRow(bookmark1, row1);
    const bool has2 = BookmarkRow(bookmark2, row2);
    if (!has1 || !has2)
        return has1 == has2 ? 0 : (has1 ? -1 : 1);
    return row1 < row2 ? -1 : (row1 > row2 ? 1 : 0);
}

int TZMemDataSet::GetRecNo() const
{
    CheckActive();
    if (IsEmpty())
        return -1;
    TRecordBuffer buffer = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
    if (!buffer || GetBookmarkFlag(buffer) != bfCurrent)
        return -1;
    const int pos = PosOf(MemBuf(buffer)->RowId);
    return pos < 0 ? -1 : pos + 1;
}

// --- Editing -------------------------------------------------------------------------------

void TZMemDataSet::InternalPost()
{
    TStore& store = *FStore;
    TRecordBuffer buffer = ActiveBuffer();
    TMemRecBuf* b = MemBuf(buffer);
    const bool inserting = State() == dsInsert;
    const int oldRow = inserting ? -1 : b->RowId;
    if (!inserting && !store.IsLive(oldRow))
        DatabaseError(QStringLiteral("Record not found"), this);

    // The new values go into a row of their own first, so that a rejected record
    // (a value the column cannot hold, a key violation, a failing filter) changes nothing.
    const int staged = store.AddRow();
    bool keepStaged = false;
    const auto dropStaged = qScopeGuard([&] {
        if (!keepStaged)
            store.DropLastRow();
    });
    if (!inserting)
        store.CopyRow(oldRow, staged);
    for (const auto& field : Fields()) {
        if (field->FieldNo() <= 0 || field->Calculated())
            continue;
        const std::optional<QVariant>& slot = Slot(buffer, field.get());
        TColumn* column = ColumnOf(field.get());
        if (!slot || !column)
            continue;
        if (!column->Set(staged, *slot))
            DatabaseError(QStringLiteral("'%1' is not a valid value for field '%2'")
                              .arg(slot->toString(), field->DisplayName()),
                          this);
    }
    for (size_t c = 0; c < store.Columns.size(); ++c) {
        TColumn& column = *store.Columns[c];
        if (column.Type() != ftAutoInc)
            continue;
        qint64& next = store.AutoIncNext[c];
        if (next == 0) {
            next = 1;
            for (qint32 row : store.Natural)
                if (!column.IsNull(row))
                    next = std::max(next, column.Get(row).toLongLong() + 1);
        }
        if (column.IsNull(staged) && inserting)
            column.Set(staged, next);
        if (!column.IsNull(staged))
            next = std::max(next, column.Get(staged).toLongLong() + 1);
    }
    CheckUniqueKeys(staged, oldRow);
    const bool visible = RowPassesFilter(staged);

    int position = 0;
    if (inserting) {
        keepStaged = true;
        const int row = staged;
        const int anchor = b->BookmarkFlag == bfInserted && store.IsLive(b->RowId) ? b->RowId : -1;
        const int anchorPos = anchor >= 0 ? PosOf(anchor) : -1;
        auto& natural = store.Natural;
        natural.insert(anchor >= 0 ? std::find(natural.begin(), natural.end(), anchor) : natural.end(), row);
        if (anchorPos >= 0)
            position = anchorPos;
        else
            position = b->BookmarkFlag == bfBOF ? 0 : int(FView.size());
        if (visible) {
            if (!FKey.empty())
                position = InsertPosition(row);
            FView.insert(FView.begin() + position, row);
            ViewChangedFrom(position);
        }
        b->RowId = row;
    } else {
        store.CopyRow(staged, oldRow);
        const int oldPos = PosOf(oldRow);
        position = oldPos >= 0 ? oldPos : int(FView.size());
        if (oldPos >= 0) {
            FView.erase(FView.begin() + oldPos);
            ViewChangedFrom(oldPos);
        }
        if (visible) {
            if (!FKey.empty())
                position = InsertPosition(oldRow);
            FView.insert(FView.begin() + position, oldRow);
            ViewChangedFrom(position);
        }
    }
    UpdateRecordCount(int(FView.size()));
    SetRecordNumber(position);
}

void TZMemDataSet::InternalDelete()
{
    TStore& store = *FStore;
    const int row = MemBuf(ActiveBuffer())->RowId;
    if (!store.IsLive(row))
        DatabaseError(QStringLiteral("Record not found"), this);
    const int pos = PosOf(row);
    if (pos >= 0) {
        FView.erase(FView.begin() + pos);
        ViewChangedFrom(pos);
    }
    auto& natural = store.Natural;
    if (const auto it = std::find(natural.begin(), natural.end(), row); it != natural.end())
        natural.erase(it);
    store.ClearRow(row);
    store.Deleted[size_t(row)] = 1;
    UpdateRecordCount(int(FView.size()));
    SetRecordNumber(std::min(std::max(pos, 0), int(FView.size()) - 1));
}

void TZMemDataSet::InternalRefresh()
{
    const int row = !IsEmpty() && GetBookmarkFlag(ActiveBuffer()) == bfCurrent ? MemBuf(ActiveBuffer())->RowId : -1;
    const int oldNumber = GetRecordNumber();
    RebuildView();
    const int pos = PosOf(row);
    SetRecordNumber(pos >= 0 ? pos : std::min(oldNumber, int(FView.size()) - 1));
}

// --- The view -------------------------------------------------------------------------------

bool TZMemDataSet::RowPassesFilter(int row)
{
    if (!RowInMasterRange(row))
        return false;
    if (!RecordFilterActive())
        return true;
    TRecordBuffer buffer = FScratch.get();
    TMemRecBuf* b = MemBuf(buffer);
    b->RowId = row;
    b->RecordIndex = -1;
    b->BookmarkFlag = bfCurrent;
    ResetSlots(buffer);
    GetCalcFields(buffer);
    return AcceptRecord(buffer);
}

void TZMemDataSet::RebuildView()
{
    UpdateMasterRange();
    std::vector<qint32> view;
    view.reserve(FStore->Natural.size());
    if (RecordFilterActive() || FMasterRange) {
        for (qint32 row : FStore->Natural)
            if (RowPassesFilter(row))
                view.push_back(row);
    } else {
        view = FStore->Natural;
    }
    FView = std::move(view);
    SortView();
}

void TZMemDataSet::SortView()
{
    if (!FKey.empty()) {
        // The leading field sorts by its own keys; the others only break its ties.
        const TKeyPart& lead = FKey.front();
        const TKey rest(FKey.begin() + 1, FKey.end());
        lead.Column->SortRows(FView, lead.Descending, lead.CaseInsensitive, [&rest](qint32 a, qint32 b) {
            const int c = CompareKeys(rest, a, b);
            return c != 0 ? c < 0 : a < b;
        });
    }
    FPosValid = 0;
    UpdateRecordCount(int(FView.size()));
}

int TZMemDataSet::CompareKeys(const TKey& key, int row1, int row2)
{
    for (const TKeyPart& part : key) {
        const int c = part.Column->Compare(row1, row2, part.CaseInsensitive);
        if (c != 0)
            return part.Descending ? -c : c;
    }
    return 0;
}

bool TZMemDataSet::RowLess(int row1, int row2) const
{
    const int c = CompareKeys(FKey, row1, row2);
    return c != 0 ? c < 0 : row1 < row2;
}

int TZMemDataSet::InsertPosition(int row) const
{
    const auto it = std::lower_bound(FView.begin(), FView.end(), row,
                                     [this](qint32 a, qint32 b) { return RowLess(a, b); });
    return int(it - FView.begin());
}

void TZMemDataSet::InternalFilterChanged()
{
    RebuildView();
}

// --- Indexes -------------------------------------------------------------------------------

TZMemDataSet::TKey TZMemDataSet::MakeKey(const TFieldDefs& defs, const TStore* store, const QStringList& names,
                                         const std::vector<bool>& descending,
                                         const std::vector<bool>& caseInsensitive) const
{
    TKey key;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const int index = defs.IndexOf(names[i]);
        if (index < 0 || !store || index >= int(store->Columns.size()))
            DatabaseError(QStringLiteral("Field '%1' not found").arg(names[i]), this);
        key.push_back({store->Columns[size_t(index)].get(), descending[size_t(i)], caseInsensitive[size_t(i)]});
    }
    return key;
}

TZMemDataSet::TKey TZMemDataSet::KeyOfIndexDef(const TIndexDef& def, const TFieldDefs& defs,
                                               const TStore* store) const
{
    if (def.Options.testFlag(ixExpression))
        DatabaseError(QStringLiteral("Expression indexes are not supported"), this);
    const QStringList names = SplitFieldNames(def.Fields);
    if (names.isEmpty())
        DatabaseError(QStringLiteral("Index '%1' has no fields").arg(def.Name), this);
    const QStringList caseInsFields = SplitFieldNames(def.CaseInsFields);
    std::vector<bool> descending;
    std::vector<bool> caseInsensitive;
    for (const QString& name : names) {
        descending.push_back(def.IsDescending(name));
        caseInsensitive.push_back(def.Options.testFlag(ixCaseInsensitive)
                                  || caseInsFields.contains(name, Qt::CaseInsensitive));
    }
    return MakeKey(defs, store, names, descending, caseInsensitive);
}

TZMemDataSet::TKey TZMemDataSet::KeyOfIndexFieldNames(const QString& value)
{
    QStringList names;
    std::vector<bool> descending;
    ParseIndexFieldNames(value, names, descending);
    return MakeKey(FieldDefs(), FStore.get(), names, descending, std::vector<bool>(descending.size(), false));
}

TZMemDataSet::TKey TZMemDataSet::KeyOfIndex(const QString& indexName, const QString& indexFieldNames)
{
    if (!indexName.isEmpty()) {
        const TIndexDef* def = FIndexDefs.Find(indexName);
        if (!def)
            DatabaseError(QStringLiteral("Index '%1' not found").arg(indexName), this);
        TKey key = KeyOfIndexDef(*def);
        if (IsUniqueIndex(*def))
            CheckNoDuplicates(*FStore, key, def->Name);
        return key;
    }
    return KeyOfIndexFieldNames(indexFieldNames);
}

bool TZMemDataSet::KeyHasNull(const TKey& key, int row)
{
    return std::any_of(key.begin(), key.end(), [row](const TKeyPart& part) { return part.Column->IsNull(row); });
}

void TZMemDataSet::CheckNoDuplicates(const TStore& store, const TKey& key, const QString& indexName) const
{
    std::vector<qint32> rows;
    rows.reserve(store.Natural.size());
    for (qint32 row : store.Natural)
        if (!KeyHasNull(key, row))
            rows.push_back(row);
    std::sort(rows.begin(), rows.end(), [&key](qint32 a, qint32 b) { return CompareKeys(key, a, b) < 0; });
    for (size_t i = 1; i < rows.size(); ++i)
        if (CompareKeys(key, rows[i - 1], rows[i]) == 0)
            DatabaseError(QStringLiteral("Key violation in index '%1'").arg(indexName), this);
}

void TZMemDataSet::CheckUniqueKeys(int row, int exceptRow)
{
    for (const TIndexDef& def : FIndexDefs) {
        if (!IsUniqueIndex(def))
            continue;
        const TKey key = KeyOfIndexDef(def);
        if (KeyHasNull(key, row))
            continue;
        for (qint32 other : FStore->Natural)
            if (other != exceptRow && CompareKeys(key, other, row) == 0)
                DatabaseError(QStringLiteral("Key violation in index '%1'").arg(def.Name), this);
    }
}

void TZMemDataSet::ApplyKey(TKey key, const QString& indexName, const QString& indexFieldNames)
{
    const int row = !IsEmpty() && GetBookmarkFlag(ActiveBuffer()) == bfCurrent ? MemBuf(ActiveBuffer())->RowId : -1;
    // All or nothing: a rebuild that raises (an OnFilterRecord handler, the master) leaves
    // the old order, view and index selection in force.
    TKey oldKey = std::exchange(FKey, std::move(key));
    std::vector<qint32> oldView = FView;
    try {
        SortNewKey();
    } catch (...) {
        FKey = std::move(oldKey);
        FView = std::move(oldView);
        FPosValid = 0;
        UpdateRecordCount(int(FView.size()));
        throw;
    }
    FIndexName = indexName;
    FIndexFieldNames = indexFieldNames;
    CursorPosChanged();
    SetRecordNumber(PosOf(row));
    Resync({});
}

void TZMemDataSet::SortNewKey()
{
    if (FMasterRange) {
        RebuildView(); // the master's rows again, in the new order
    } else {
        if (FKey.empty()) {
            // Back to placement order: the visible rows in the order they were placed.
            std::vector<bool> visible(size_t(FStore->RowCount()), false);
            for (qint32 r : FView)
                visible[size_t(r)] = true;
            std::vector<qint32> view;
            view.reserve(FView.size());
            for (qint32 r : FStore->Natural)
                if (visible[size_t(r)])
                    view.push_back(r);
            FView = std::move(view);
        }
        SortView();
    }
}

void TZMemDataSet::SetIndexFieldNames(const QString& value)
{
    if (value == FIndexFieldNames)
        return;
    if (!GetActive()) {
        FIndexFieldNames = value;
        FIndexName.clear();
        return;
    }
    CheckBrowseMode();
    ApplyKey(KeyOfIndexFieldNames(value), QString(), value);
}

void TZMemDataSet::SetIndexName(const QString& value)
{
    if (value == FIndexName)
        return;
    if (!GetActive()) {
        FIndexName = value;
        FIndexFieldNames.clear();
        return;
    }
    CheckBrowseMode();
    ApplyKey(KeyOfIndex(value, QString()), value, QString());
}

void TZMemDataSet::AddIndex(const QString& name, const QString& fields, TIndexOptions options,
                            const QString& descFields, const QString& caseInsFields)
{
    if (name.trimmed().isEmpty())
        DatabaseError(QStringLiteral("Index name missing"), this);
    if (FIndexDefs.IndexOf(name) >= 0)
        DatabaseError(QStringLiteral("Duplicate index name '%1'").arg(name), this);
    if (SplitFieldNames(fields).isEmpty())
        DatabaseError(QStringLiteral("Index '%1' has no fields").arg(name), this);
    TIndexDef def;
    def.Name = name;
    def.Fields = fields;
    def.Options = options;
    def.DescFields = descFields;
    def.CaseInsFields = caseInsFields;
    if (GetActive()) {
        CheckBrowseMode();
        const TKey key = KeyOfIndexDef(def); // raises on unknown fields and expressions
        if (IsUniqueIndex(def))
            CheckNoDuplicates(*FStore, key, name);
    } else if (options.testFlag(ixExpression)) {
        DatabaseError(QStringLiteral("Expression indexes are not supported"), this);
    }
    TIndexDef& added = FIndexDefs.Add(name, fields, options);
    added.DescFields = descFields;
    added.CaseInsFields = caseInsFields;
}

void TZMemDataSet::DeleteIndex(const QString& name)
{
    if (FIndexDefs.IndexOf(name) < 0)
        DatabaseError(QStringLiteral("Index '%1' not found").arg(name), this);
    if (FIndexName.compare(name, Qt::CaseInsensitive) == 0)
        SetIndexName(QString());
    FIndexDefs.Remove(name);
}

void TZMemDataSet::AddIndex(const QString& name, const QString& fields, int options, const QString& descFields,
                            const QString& caseInsFields, int groupingLevel)
{
    if (groupingLevel != 0)
        DatabaseError(QStringLiteral("Index '%1': grouping levels are not supported").arg(name), this);
    AddIndex(name, fields, TIndexOptions::fromInt(options), descFields, caseInsFields);
}

QVariantMap TZMemDataSet::FindIndexDef(const QString& name) const
{
    const TIndexDef* def = FIndexDefs.Find(name);
    if (!def)
        return {};
    return {{QStringLiteral("Name"), def->Name},
            {QStringLiteral("Fields"), def->Fields},
            {QStringLiteral("DescFields"), def->DescFields},
            {QStringLiteral("CaseInsFields"), def->CaseInsFields},
            {QStringLiteral("Options"), def->Options.toInt()}};
}

QVariantList TZMemDataSet::GetIndexDefList() const
{
    QVariantList list;
    for (const TIndexDef& def : FIndexDefs)
        list.append(FindIndexDef(def.Name));
    return list;
}

// --- Master/detail -----------------------------------------------------------------------------

void TZMemDataSet::SetMasterSource(TDataSource* value)
{
    const QStringList oldRangeFields = FRangeFields;
    if (value != GetMasterSource())
        FRangeFields.clear(); // a new link takes its fields from the index in force
    try {
        FMasterLink->SetMasterSource(value);
    } catch (...) {
        FRangeFields = oldRangeFields; // refused: the link stays as it was
        throw;
    }
    MasterChanged(); // also when the link stays inactive: a range may end
}

void TZMemDataSet::SetMasterFields(const QString& value)
{
    if (value == GetMasterFields())
        return;
    if (GetActive())
        CheckBrowseMode();
    const QString old = GetMasterFields();
    const QStringList oldRangeFields = std::exchange(FRangeFields, QStringList());
    FMasterLink->SetFieldNames(value);
    try {
        MasterChanged();
    } catch (...) {
        FMasterLink->SetFieldNames(old);
        FRangeFields = oldRangeFields;
        MasterChanged();
        throw;
    }
}

bool TZMemDataSet::MasterRangeSet() const
{
    return GetMasterSource() && !SplitFieldNames(GetMasterFields()).isEmpty();
}

QVariantList TZMemDataSet::MasterValues() const
{
    QVariantList values;
    if (!MasterRangeSet() || !FMasterLink->MasterActive())
        return values;
    for (const QString& name : SplitFieldNames(GetMasterFields())) {
        TField* field = FMasterLink->MasterField(name);
        if (!field)
            DatabaseErrorFmt(SFieldNotFound, {name}, FMasterLink->DataSet());
        values.append(field->GetValue());
    }
    return values;
}

QStringList TZMemDataSet::DetailFields(const QStringList& indexFields) const
{
    const QStringList masterNames = SplitFieldNames(GetMasterFields());
    if (!FRangeFields.isEmpty() && FRangeFields.size() == masterNames.size())
        return FRangeFields;
    return indexFields.size() >= masterNames.size() ? indexFields.mid(0, masterNames.size()) : masterNames;
}

QStringList TZMemDataSet::IndexFieldList(const QString& indexName, const TIndexDef* def, const QString& indexFieldNames)
{
    if (!indexName.isEmpty())
        return def ? SplitFieldNames(def->Fields) : QStringList();
    QStringList names;
    std::vector<bool> descending;
    ParseIndexFieldNames(indexFieldNames, names, descending);
    return names;
}

void TZMemDataSet::UpdateMasterRange()
{
    // Computed aside and installed at the end, so that a failure changes nothing.
    const bool set = MasterRangeSet();
    TKey range;
    QStringList fields;
    QVariantList values;
    if (set) {
        fields = DetailFields(IndexFieldList(FIndexName, FIndexDefs.Find(FIndexName), FIndexFieldNames));
        const std::vector<bool> no(size_t(fields.size()), false);
        range = MakeKey(FieldDefs(), FStore.get(), fields, no, no);
        values = MasterValues();
    }
    FMasterRange = set;
    FRange = std::move(range);
    if (set)
        FRangeFields = fields; // fixed from now on: sorting the detail does not move the link
    FMasterValues = values;
}

bool TZMemDataSet::RowInMasterRange(int row) const
{
    if (!FMasterRange)
        return true;
    if (FRange.empty() || FMasterValues.size() != qsizetype(FRange.size()))
        return false; // the master is closed (or no range could be set up)
    for (size_t i = 0; i < FRange.size(); ++i) {
        const TKeyPart& part = FRange[i];
        const QVariant& value = FMasterValues[qsizetype(i)];
        if (value.isNull() || part.Column->IsNull(row))
            return false;
        const bool equal = part.Column->KeyUsable(value)
                               ? part.Column->CompareKey(row, value, part.CaseInsensitive, false) == 0
                               : QVariant::compare(part.Column->Get(row), value) == QPartialOrdering::Equivalent;
        if (!equal)
            return false;
    }
    return true;
}

void TZMemDataSet::MasterChanged()
{
    if (!GetActive())
        return;
    if (FMasterRange == MasterRangeSet() && (!FMasterRange || MasterValues() == FMasterValues))
        return;
    CheckBrowseMode();
    RebuildView();
    First();
}

void TZMemDataSet::DoOnNewRecord()
{
    // A new detail record belongs to the master's current record.
    if (FMasterRange && !FRange.empty() && FMasterValues.size() == FRangeFields.size())
        for (qsizetype i = 0; i < FRangeFields.size(); ++i)
            if (!FMasterValues[i].isNull())
                FieldByName(FRangeFields[i])->SetValue(FMasterValues[i]);
    TZDBCustomData::DoOnNewRecord();
}

// --- Locate ----------------------------------------------------------------------------------

bool TZMemDataSet::IndexLocate(const std::vector<TField*>& fields, const QVariant& keyValues,
                               TLocateOptions options, int& position) const
{
    const size_t count = fields.size();
    if (FKey.empty() || count == 0 || count > FKey.size())
        return false;
    QVariantList keys;
    if (count == 1) {
        keys = keyValues.typeId() == QMetaType::QVariantList ? keyValues.toList() : QVariantList{keyValues};
    } else {
        if (keyValues.typeId() != QMetaType::QVariantList)
            return false;
        keys = keyValues.toList();
    }
    if (size_t(keys.size()) != count)
        return false;

    // The key fields must be the leading fields of the index, in any order.
    const bool caseInsensitive = options.testFlag(loCaseInsensitive);
    std::vector<QVariant> partKeys(count);
    int partialPart = -1;
    for (size_t i = 0; i < count; ++i) {
        const TColumn* column = FKey[i].Column;
        size_t j = 0;
        while (j < count && ColumnOf(fields[j]) != column)
            ++j;
        if (j == count)
            return false;
        const QVariant& key = keys[qsizetype(j)];
        if (!key.isNull() && !column->KeyUsable(key))
            return false;
        const bool isString = key.typeId() == QMetaType::QString;
        if (isString && caseInsensitive && !FKey[i].CaseInsensitive)
            return false; // the index keeps such matches apart
        if (isString && options.testFlag(loPartialKey) && j == count - 1) {
            if (i != count - 1)
                return false; // prefixes of an inner key field do not form one range
            partialPart = int(i);
        }
        partKeys[i] = key;
    }

    // The rows equal to the keys under the index form one range of the view; the first
    // of them that matches as Locate compares is the record found.
    auto compareIndex = [&](qint32 row) {
        for (size_t i = 0; i < count; ++i) {
            const TKeyPart& part = FKey[i];
            const int c = part.Column->CompareKey(row, partKeys[i], part.CaseInsensitive, int(i) == partialPart);
            if (c != 0)
                return part.Descending ? -c : c;
        }
        return 0;
    };
    auto it = std::lower_bound(FView.begin(), FView.end(), 0,
                               [&](qint32 row, int) { return compareIndex(row) < 0; });
    position = -1;
    for (; it != FView.end() && compareIndex(*it) == 0; ++it) {
        bool match = true;
        for (size_t i = 0; i < count && match; ++i)
            match = FKey[i].Column->CompareKey(*it, partKeys[i], caseInsensitive, int(i) == partialPart) == 0;
        if (match) {
            position = int(it - FView.begin());
            break;
        }
    }
    return true;
}

bool TZMemDataSet::LocateRecord(const QString& keyFields, const QVariant& keyValues, TLocateOptions options)
{
    CheckBrowseMode();
    const std::vector<TField*> fields = GetFieldList(keyFields);
    for (TField* field : fields)
        if (field->FieldNo() <= 0 || field->Calculated())
            return TZDBCustomData::LocateRecord(keyFields, keyValues, options);
    int position = -1;
    if (!IndexLocate(fields, keyValues, options, position))
        return TZDBCustomData::LocateRecord(keyFields, keyValues, options);
    UpdateCursorPos();
    CursorPosChanged();
    if (position < 0)
        return false;
    SetRecordNumber(position);
    return InternalGetRecord(TempBuffer(), gmCurrent) == grOK;
}

// --- Files -----------------------------------------------------------------------------------

void TZMemDataSet::SaveToFile(const QString& fileName)
{
    CheckActive();
    CheckBrowseMode();
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setVersion(StreamVersion);
        out << quint32(FieldDefs().Count());
        for (const TFieldDef& def : FieldDefs())
            out << def.Name << qint32(def.DataType) << qint32(def.Size) << qint32(def.Precision) << def.Required
                << def.ReadOnly << def.InKey;
        out << quint32(FIndexDefs.Count());
        for (const TIndexDef& def : FIndexDefs)
            out << def.Name << def.Fields << def.DescFields << def.CaseInsFields << qint32(def.Options.toInt());
        out << FIndexName << FIndexFieldNames;
        out << quint32(FStore->Natural.size());
        for (qint32 row : FStore->Natural) {
            for (const auto& column : FStore->Columns) {
                const bool has = !column->IsNull(row);
                out << quint8(has ? 1 : 0);
                if (has)
                    column->Write(out, row);
            }
        }
        if (out.status() != QDataStream::Ok)
            DatabaseError(QCoreApplication::translate("zdb", "Cannot write the rows of the dataset"), this);
    }
    QByteArray header;
    {
        QDataStream out(&header, QIODevice::WriteOnly);
        out.setVersion(StreamVersion);
        out.writeRawData(FileMagic, int(sizeof(FileMagic)));
        out << FileVersion << quint64(payload.size());
        const QByteArray hash = QCryptographicHash::hash(payload, QCryptographicHash::Sha256);
        out.writeRawData(hash.constData(), int(hash.size()));
    }
    const auto written = [&](QFileDevice& file) {
        return file.write(header) == header.size() && file.write(payload) == payload.size() && file.flush();
    };
    const auto cannot = [&](const char* what, const QFileDevice& file) {
        DatabaseError(QStringLiteral("Cannot %1 file '%2': %3").arg(QLatin1String(what), fileName, file.errorString()),
                      this);
    };
    const QFileInfo target(fileName);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        // A device or a pipe is written in place: a file renamed over it would replace it.
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            cannot("create", file);
        if (!written(file))
            cannot("write", file);
        return;
    }
    // A new file that replaces the old one only once it is complete.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        cannot("create", file);
    if (!written(file) || !file.commit())
        cannot("write", file);
}

std::unique_ptr<TStore> TZMemDataSet::ReadFile(const QString& fileName, std::vector<TFieldDef>& defs,
                                               std::vector<TIndexDef>& indexDefs, QString& indexName,
                                               QString& indexFieldNames) const
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        DatabaseError(QCoreApplication::translate("zdb", "Cannot open file '%1': %2").arg(fileName, file.errorString()), this);
    const QByteArray data = file.readAll();
    auto invalid = [&](const QString& reason) {
        DatabaseError(QStringLiteral("'%1' is not a valid dataset file: %2").arg(fileName, reason), this);
    };

    // Header: magic, version, payload length and its SHA-256.
    constexpr qsizetype hashSize = 32;
    constexpr qsizetype headerSize = qsizetype(sizeof(FileMagic)) + 2 + 8 + hashSize;
    if (data.size() < headerSize || !data.startsWith(QByteArray(FileMagic, int(sizeof(FileMagic)))))
        invalid(QStringLiteral("unknown format"));
    QDataStream head(data);
    head.setVersion(StreamVersion);
    head.skipRawData(int(sizeof(FileMagic)));
    quint16 version = 0;
    quint64 length = 0;
    head >> version >> length;
    if (version != FileVersion)
        invalid(QStringLiteral("unsupported version %1").arg(version));
    if (length != quint64(data.size() - headerSize))
        invalid(QStringLiteral("the file is truncated or has extra data"));
    const QByteArray payload = data.mid(headerSize);
    if (QCryptographicHash::hash(payload, QCryptographicHash::Sha256) != data.mid(headerSize - hashSize, hashSize))
        invalid(QStringLiteral("the contents are damaged"));

    QDataStream in(payload);
    in.setVersion(StreamVersion);
    auto check = [&] {
        if (in.status() != QDataStream::Ok)
            invalid(QStringLiteral("the contents are damaged"));
    };
    quint32 fieldCount = 0;
    in >> fieldCount;
    check();
    if (fieldCount == 0 || fieldCount > quint32(payload.size()))
        invalid(QStringLiteral("bad field count"));
    QStringList fieldNames;
    TFieldDefs fileDefs(nullptr);
    for (quint32 i = 0; i < fieldCount; ++i) {
        TFieldDef def;
        qint32 type = 0;
        qint32 size = 0;
        qint32 precision = 0;
        in >> def.Name >> type >> size >> precision >> def.Required >> def.ReadOnly >> def.InKey;
        check();
        if (def.Name.trimmed().isEmpty() || fieldNames.contains(def.Name, Qt::CaseInsensitive))
            invalid(QStringLiteral("bad field name '%1'").arg(def.Name));
        const std::optional<TFieldType> dataType = CheckedEnum<TFieldType>(type);
        if (!dataType || size < 0)
            invalid(QStringLiteral("bad definition of field '%1'").arg(def.Name));
        // Every value of a field without a type would raise when read.
        if (*dataType == ftUnknown)
            DatabaseErrorFmt(SUnsupportedFieldType, {FieldTypeName(*dataType), def.Name}, this);
        def.DataType = *dataType;
        def.Size = size;
        def.Precision = precision;
        def.FieldNo = int(i) + 1;
        fieldNames << def.Name;
        defs.push_back(def);
        fileDefs.Add(def.Name, def.DataType);
    }
    auto checkFields = [&](const QStringList& names) {
        for (const QString& name : names)
            if (!fieldNames.contains(name, Qt::CaseInsensitive))
                invalid(QStringLiteral("index on unknown field '%1'").arg(name));
    };
    quint32 indexCount = 0;
    in >> indexCount;
    check();
    if (indexCount > quint32(payload.size()))
        invalid(QStringLiteral("bad index count"));
    QStringList indexNames;
    for (quint32 i = 0; i < indexCount; ++i) {
        TIndexDef def;
        qint32 options = 0;
        in >> def.Name >> def.Fields >> def.DescFields >> def.CaseInsFields >> options;
        check();
        const std::optional<TIndexOptions> checkedOptions = CheckedFlags<TIndexOption>(options);
        def.Options = checkedOptions.value_or(TIndexOptions());
        if (!checkedOptions || def.Name.trimmed().isEmpty() || indexNames.contains(def.Name, Qt::CaseInsensitive)
            || def.Options.testFlag(ixExpression) || SplitFieldNames(def.Fields).isEmpty())
            invalid(QStringLiteral("bad index '%1'").arg(def.Name));
        checkFields(SplitFieldNames(def.Fields));
        indexNames << def.Name;
        indexDefs.push_back(def);
    }
    in >> indexName >> indexFieldNames;
    check();
    if (!indexName.isEmpty() && !indexNames.contains(indexName, Qt::CaseInsensitive))
        invalid(QStringLiteral("unknown index '%1'").arg(indexName));
    QStringList orderNames;
    std::vector<bool> descending;
    ParseIndexFieldNames(indexFieldNames, orderNames, descending);
    checkFields(orderNames);

    quint32 rowCount = 0;
    in >> rowCount;
    check();
    // Every row takes at least one byte per field.
    if (quint64(rowCount) * fieldCount > quint64(payload.size()))
        invalid(QStringLiteral("bad row count"));
    auto store = NewStore(defs);
    store->Resize(rowCount);
    store->Natural.resize(rowCount);
    for (quint32 row = 0; row < rowCount; ++row) {
        store->Natural[row] = qint32(row);
        for (auto& column : store->Columns) {
            quint8 has = 0;
            in >> has;
            if (has > 1)
                invalid(QStringLiteral("bad value flag"));
            if (has)
                column->Read(in, int(row));
        }
        check();
    }
    if (!in.atEnd())
        invalid(QStringLiteral("the file has extra data"));
    // Rows must keep every unique index of the file, active or not.
    for (const TIndexDef& def : indexDefs)
        if (IsUniqueIndex(def))
            CheckNoDuplicates(*store, KeyOfIndexDef(def, fileDefs, store.get()), def.Name);
    return store;
}

void TZMemDataSet::LoadFromFile(const QString& fileName)
{
    std::vector<TFieldDef> defs;
    std::vector<TIndexDef> indexDefs;
    QString indexName;
    QString indexFieldNames;
    std::unique_ptr<TStore> store = ReadFile(fileName, defs, indexDefs, indexName, indexFieldNames);
    const auto inFile = [&defs](const QString& name) {
        return std::any_of(defs.begin(), defs.end(), [&name](const TFieldDef& def) {
            return def.Name.compare(name, Qt::CaseInsensitive) == 0;
        });
    };
    // Data fields the application added stay and need their column in the file.
    for (const auto& field : Fields())
        if (field->GetFieldKind() == fkData && !field->AutoCreated() && !inFile(field->GetFieldName()))
            DatabaseErrorFmt(SFieldNotFound, {field->GetFieldName()}, this);
    // The filter must find its fields again: among the file's or the dataset's own
    // calculated and lookup fields.
    if (GetFiltered() && !GetFilter().trimmed().isEmpty()) {
        for (const QString& name : TFilterExpression(GetFilter()).FieldNames()) {
            const TField* own = FindField(name);
            if (!inFile(name) && !(own && own->GetFieldKind() != fkData))
                DatabaseError(QStringLiteral("Field '%1' not found in filter '%2'").arg(name, GetFilter()), this);
        }
    }
    // So must the master link: the detail's fields (those it has or those the file's
    // index gives it) and the master's fields.
    if (MasterRangeSet()) {
        const auto def = std::find_if(indexDefs.begin(), indexDefs.end(), [&indexName](const TIndexDef& d) {
            return d.Name.compare(indexName, Qt::CaseInsensitive) == 0;
        });
        const QStringList detailFields =
            DetailFields(IndexFieldList(indexName, def != indexDefs.end() ? &*def : nullptr, indexFieldNames));
        for (const QString& name : detailFields)
            if (!inFile(name))
                DatabaseErrorFmt(SFieldNotFound, {name}, this);
        MasterValues();
    }

    Close();
    FieldDefs().Clear();
    for (const TFieldDef& def : defs) {
        TFieldDef& added = FieldDefs().Add(def.Name, def.DataType, def.Size, def.Required);
        added.Precision = def.Precision;
        added.ReadOnly = def.ReadOnly;
        added.InKey = def.InKey;
    }
    FIndexDefs.Clear();
    for (const TIndexDef& def : indexDefs) {
        TIndexDef& added = FIndexDefs.Add(def.Name, def.Fields, def.Options);
        added.DescFields = def.DescFields;
        added.CaseInsFields = def.CaseInsFields;
    }
    FIndexName = indexName;
    FIndexFieldNames = indexFieldNames;
    FPendingStore = std::move(store);
    Open();
}

} // namespace zdb
