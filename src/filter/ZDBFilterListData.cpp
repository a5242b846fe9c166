// The items of a column's filter values (see ZDBFilterUI.h): their format and
// order keys, the dataset that shows them, and collecting them from the grid's
// dataset, by the server's DISTINCT or by one walk.

#include "ZDBFilterUI.h"

#include "SysUtils.h"
#include "ZDBSQLQuery.h"
#include "ZDBGridSelection.h"
#include "ZDBTranslate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QCoreApplication>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QSet>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace zdb {

QString SEmptyFilterItem = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "(Empty)"));
QString SCollectingValues = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Collecting the values of %s..."));

namespace {

// Value in upper-case hexadecimal, Digits places (the callers mask it to fit).
QString Hex(quint64 Value, int Digits)
{
    static constexpr char16_t digits[] = u"0123456789ABCDEF";
    QString text(Digits, Qt::Uninitialized);
    QChar* out = text.data();
    for (int i = Digits - 1; i >= 0; --i, Value >>= 4)
        out[i] = QChar(digits[Value & 0xF]);
    return text;
}

// Non-negative values: "+" and the value padded to 31 places; negative ones: a
// blank (below "+") and the magnitude with every digit and pad complemented, so
// that a larger magnitude sorts first.
QString FloatOrder(double Value)
{
    // "%31.15f" of the magnitude (to_chars writes what printf writes, without its cost).
    char digits[400];
    const auto written = std::to_chars(digits, digits + sizeof digits, std::fabs(Value), std::chars_format::fixed, 15);
    const std::string_view text(digits, size_t(written.ptr - digits));
    const bool positive = Value >= 0 || text == "0.000000000000000";
    const qsizetype pad = std::max(qsizetype(0), qsizetype(31) - qsizetype(text.size()));
    QString order(1 + pad + qsizetype(text.size()), Qt::Uninitialized);
    QChar* out = order.data();
    *out++ = positive ? QLatin1Char('+') : QLatin1Char(' ');
    out = std::fill_n(out, pad, positive ? QLatin1Char(' ') : QLatin1Char(':'));
    for (const char c : text)
        *out++ = QLatin1Char(!positive && c >= '0' && c <= '9' ? char('9' - (c - '0')) : c);
    return order;
}

// The integer in Value, read directly when it holds one (the generic conversion costs more).
qint64 IntegerOf(const QVariant& Value)
{
    switch (Value.typeId()) {
    case QMetaType::Int: return *static_cast<const int*>(Value.constData());
    case QMetaType::LongLong: return *static_cast<const qlonglong*>(Value.constData());
    default: return Value.toLongLong();
    }
}

QDateTime DateTimeOf(const QVariant& Value)
{
    switch (Value.metaType().id()) {
    case QMetaType::QDateTime: return Value.toDateTime();
    case QMetaType::QDate: return Value.toDate().startOfDay();
    case QMetaType::QTime: return QDateTime(QDate(1899, 12, 30), Value.toTime());
    case QMetaType::Double: return DateTimeToQDateTime(Value.toDouble());
    default: return Value.toDateTime();
    }
}

// QString::compare ignoring case, with its common case done here: equal units are
// skipped and differing ASCII letters folded in place (a sort of a long list mostly
// compares order keys of hexadecimal digits). Where a differing unit is not ASCII, Qt
// compares the rest, from the high surrogate before it if there is one (its case
// folding joins the two), which gives the result comparing the whole texts gives.
int CompareNoCase(QStringView A, QStringView B)
{
    const qsizetype n = std::min(A.size(), B.size());
    const QChar* a = A.data();
    const QChar* b = B.data();
    qsizetype i = 0;
    // The equal start four units at a time.
    for (quint64 x = 0, y = 0; i + 4 <= n; i += 4) {
        std::memcpy(&x, a + i, sizeof x);
        std::memcpy(&y, b + i, sizeof y);
        if (x != y)
            break;
    }
    for (; i < n; ++i) {
        if (a[i] == b[i])
            continue;
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if ((x | y) >= 0x80) {
            const qsizetype from = i > 0 && a[i - 1].isHighSurrogate() ? i - 1 : i;
            return A.sliced(from).compare(B.sliced(from), Qt::CaseInsensitive);
        }
        if (x >= u'A' && x <= u'Z')
            x += 32;
        if (y >= u'A' && y <= u'Z')
            y += 32;
        if (x != y)
            return int(x) - int(y);
    }
    return A.size() == B.size() ? 0 : A.size() < B.size() ? -1 : 1;
}

bool LessItem(const QString& A, const QString& B)
{
    const int c = CompareNoCase(A, B);
    return c != 0 ? c < 0 : A < B;
}

// The first nine units of Text case-folded and packed seven bits each (the first
// highest), with the top bit set; 0 when one of them is not ASCII. Two keys that are
// set and differ order their texts as CompareNoCase does (a shorter text's missing
// units count as the lowest); in all other cases the texts themselves decide.
quint64 PackedStart(QStringView Text)
{
    constexpr qsizetype Units = 9;
    const qsizetype n = std::min(Text.size(), Units);
    quint64 key = 0;
    for (qsizetype i = 0; i < n; ++i) {
        char16_t c = Text[i].unicode();
        if (c >= 0x80)
            return 0;
        if (c >= u'A' && c <= u'Z')
            c += 32;
        key = key << 7 | c;
    }
    return key << (7 * (Units - n)) | quint64(1) << 63;
}

// The places of Texts in the order LessItem sorts them. The packed starts settle most
// pairs without reading the texts again.
std::vector<qsizetype> SortOrder(const QStringList& Texts)
{
    struct TEntry
    {
        quint64 Start;
        qsizetype At;
    };
    std::vector<TEntry> entries;
    entries.reserve(size_t(Texts.size()));
    for (qsizetype i = 0; i < Texts.size(); ++i)
        entries.push_back({PackedStart(Texts[i]), i});
    std::sort(entries.begin(), entries.end(), [&Texts](const TEntry& A, const TEntry& B) {
        return A.Start != B.Start && A.Start && B.Start ? A.Start < B.Start : LessItem(Texts[A.At], Texts[B.At]);
    });
    std::vector<qsizetype> order;
    order.reserve(entries.size());
    for (const TEntry& entry : entries)
        order.push_back(entry.At);
    return order;
}

} // namespace

QString GetFilterOrder(const QVariant& Value, TFieldType DataType)
{
    if (!Value.isValid() || Value.isNull())
        return {};
    switch (DataType) {
    case ftSmallint: case ftInteger: case ftShortint: case ftAutoInc:
        return Hex(quint64(IntegerOf(Value) + (qint64(1) << 31)) & 0xFFFFFFFFu, 8);
    case ftByte: case ftWord: case ftLongWord:
        return Hex(Value.toULongLong() & 0xFFFFFFFFu, 8);
    case ftLargeint:
        return Hex(quint64(IntegerOf(Value)) ^ (quint64(1) << 63), 16);
    case ftFloat: case ftCurrency: case ftSingle: case ftExtended: case ftBCD: case ftFMTBcd:
        return FloatOrder(Value.toDouble());
    case ftDate: case ftTime: case ftDateTime: case ftTimeStamp: case ftTimeStampOffset:
        return DateTimeOf(Value).toString(QStringLiteral("yyyyMMddHHmmsszzz"));
    case ftBoolean:
        return Value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        return {};
    }
}

QString MakeFilterItem(QString Order, const QString& Display, const QString& Key, std::optional<bool> Checked)
{
    // The marks cannot stand in a display text: shown as their control pictures. A key
    // keeps them, written out after the key mark whenever it differs from the display.
    const auto shown = [](QChar c) {
        return c == FilterOrderMark ? QChar(0x241A) : c == FilterKeyMark ? QChar(0x241B) : c;
    };
    bool keyed = Display.size() != Key.size();
    for (qsizetype i = 0; i < Display.size() && !keyed; ++i)
        keyed = shown(Display[i]) != Key[i];
    const bool ordered = Checked || !Order.isEmpty();
    // Built in place: the items of a long list are made one after another.
    QString item((Checked ? 1 : 0) + (ordered ? Order.size() + 2 : 0) + Display.size() + (keyed ? Key.size() + 2 : 0),
                 Qt::Uninitialized);
    QChar* out = item.data();
    if (Checked)
        *out++ = *Checked ? QLatin1Char('0') : QLatin1Char('1');
    if (ordered) {
        out = std::copy(Order.cbegin(), Order.cend(), out);
        *out++ = FilterOrderMark;
        *out++ = QLatin1Char(' ');
    }
    out = std::transform(Display.cbegin(), Display.cend(), out, shown);
    if (keyed) {
        *out++ = FilterKeyMark;
        *out++ = QLatin1Char(' ');
        std::copy(Key.cbegin(), Key.cend(), out);
    }
    return item;
}

void SplitFilterItem(const QString& Item, QString& Display, QString& Key)
{
    QStringView rest(Item);
    // An order mark after the key mark belongs to the key.
    const qsizetype order = rest.indexOf(FilterOrderMark);
    const qsizetype keyMark = rest.indexOf(FilterKeyMark);
    if (order >= 0 && (keyMark < 0 || order < keyMark))
        rest = rest.mid(std::min(order + 2, rest.size()));
    const qsizetype key = rest.indexOf(FilterKeyMark);
    if (key < 0) {
        Display = rest.toString();
        Key = Display;
        return;
    }
    Display = rest.left(key).toString();
    Key = rest.mid(std::min(key + 2, rest.size())).toString();
}

QStringList SortFilterItems(QStringList Items)
{
    QStringList sorted;
    sorted.reserve(Items.size());
    // Of the items equal but for case the first in order stays.
    for (const qsizetype at : SortOrder(Items))
        if (sorted.isEmpty() || CompareNoCase(sorted.constLast(), Items[at]) != 0)
            sorted << Items[at];
    return sorted;
}

// ---- TZDBFilterData ----------------------------------------------------------------

TZDBFilterData::TZDBFilterData(QObject* Parent) : TZDBCustomData(Parent)
{
    SetReadOnly(true);
}

TZDBFilterData::~TZDBFilterData()
{
    Close();
}

void TZDBFilterData::CheckInactive()
{
    if (Active())
        DatabaseError(SDataSetOpen, this);
    FieldDefs().Clear();
}

void TZDBFilterData::SetListFieldName(const QString& Value)
{
    CheckInactive();
    FListFieldName = Value;
}

void TZDBFilterData::SetListFieldSize(int Value)
{
    CheckInactive();
    FListFieldSize = Value < 1 ? DefaultFieldSize : Value;
}

void TZDBFilterData::SetKeyFieldName(const QString& Value)
{
    CheckInactive();
    FKeyFieldName = Value;
}

void TZDBFilterData::SetKeyFieldSize(int Value)
{
    CheckInactive();
    FKeyFieldSize = Value < 1 ? DefaultFieldSize : Value;
}

void TZDBFilterData::ClearItems()
{
    CheckInactive();
    FListFieldSize = DefaultFieldSize;
    FKeyFieldSize = DefaultFieldSize;
    FList.clear();
    FChecked.clear();
    FCheckedCount = 0;
    FKeys.clear();
    FKeyIndex.clear();
    FDisplayIndex.clear();
}

void TZDBFilterData::SetItems(QStringList Items, std::vector<QStringList> Keys)
{
    CheckInactive();
    FList = std::move(Items);
    FKeys = std::move(Keys);
    FKeyIndex.clear();
    FDisplayIndex.clear();
}

void TZDBFilterData::InternalInitFieldDefs()
{
    if (FieldDefs().Count() > 0)
        return;
    FieldDefs().Add(FListFieldName, ftWideString, FListFieldSize);
    FieldDefs().Add(FKeyFieldName, ftWideString, FKeyFieldSize);
    FieldDefs().Add(QStringLiteral("Checked"), ftWideString, 1);
}

void TZDBFilterData::InternalOpen()
{
    FChecked.assign(size_t(FList.size()), 0);
    FCheckedCount = 0;
    FKeyIndex.clear();
    FDisplayIndex.clear();
    TZDBCustomData::InternalOpen();
    for (const auto& field : Fields())
        field->SetReadOnly(true);
}

void TZDBFilterData::DoOnCountRecords(int& Count)
{
    Count = int(FList.size());
}

void TZDBFilterData::DoOnGetFieldData(int Index, TField* Field, QVariant& Value)
{
    if (Index < 0 || Index >= FList.size())
        return;
    if (Field->FieldNo() == 3) {
        Value = Checked(Index) ? QStringLiteral("1") : QStringLiteral("0");
        return;
    }
    QString display, key;
    SplitFilterItem(FList.at(Index), display, key);
    Value = Field->FieldNo() == 1 ? display : key;
}

bool TZDBFilterData::GetRecordFieldData(TRecordBuffer Buffer, TField* Field, QVariant& Value) const
{
    // The check is read from the checks each time, so a tick shows without reading the records again.
    if (Field->FieldNo() == 3 && Field->GetFieldKind() == fkData) {
        Value = Checked(CustBuf(Buffer)->RecordIndex) ? QStringLiteral("1") : QStringLiteral("0");
        return true;
    }
    return TZDBCustomData::GetRecordFieldData(Buffer, Field, Value);
}

void TZDBFilterData::SetChecked(int Index, bool Value)
{
    if (Index < 0 || size_t(Index) >= FChecked.size() || bool(FChecked[size_t(Index)]) == Value)
        return;
    FChecked[size_t(Index)] = Value;
    FCheckedCount += Value ? 1 : -1;
}

void TZDBFilterData::CheckAll(bool Value)
{
    std::fill(FChecked.begin(), FChecked.end(), char(Value));
    FCheckedCount = Value ? int(FChecked.size()) : 0;
}

int TZDBFilterData::CurrentIndex() const
{
    return Active() && !IsEmpty() ? GetRecordIndex() : -1;
}

QString TZDBFilterData::KeyText(int Index) const
{
    QString display, key;
    SplitFilterItem(FList.value(Index), display, key);
    return key;
}

QString TZDBFilterData::DisplayText(int Index) const
{
    QString display, key;
    SplitFilterItem(FList.value(Index), display, key);
    return display;
}

QStringList TZDBFilterData::Keys(int Index) const
{
    if (size_t(Index) < FKeys.size() && FKeys.size() == size_t(FList.size()) && !FKeys[size_t(Index)].isEmpty())
        return FKeys[size_t(Index)];
    return {KeyText(Index)};
}

int TZDBFilterData::IndexOfKey(const QString& Key) const
{
    if (FKeyIndex.isEmpty() && !FList.isEmpty())
        for (int i = int(FList.size()) - 1; i >= 0; --i)
            for (const QString& key : Keys(i))
                FKeyIndex.insert(key.toCaseFolded(), i);
    return FKeyIndex.value(Key.toCaseFolded(), -1);
}

QStringList TZDBFilterData::KeysOf(const QString& Value) const
{
    if (FDisplayIndex.isEmpty() && !FList.isEmpty()) {
        FKeysDiffer = false;
        for (int i = int(FList.size()) - 1; i >= 0; --i) {
            const QString display = DisplayText(i);
            FKeysDiffer = FKeysDiffer || display != KeyText(i) || Keys(i).size() > 1;
            FDisplayIndex.insert(display.toCaseFolded(), i);
        }
    }
    // Values that are their own display texts stand for themselves.
    if (!FKeysDiffer)
        return {Value};
    int index = IndexOfKey(Value);
    if (index < 0)
        index = FDisplayIndex.value(Value.toCaseFolded(), -1);
    // No value ("(Empty)") is what "is empty" asks for, not a key.
    return index >= 0 && !KeyText(index).isEmpty() ? Keys(index) : QStringList{Value};
}

// ---- Collecting ----------------------------------------------------------------------

namespace {

// A text as a hash key, hashed by the standard library's string hash: Qt's seeded
// string hash (its AES path in Qt 6.4) measured over ten times slower on the
// benchmark machine, and collecting the values hashes one text per record.
struct TTextKey
{
    QString Text;

    bool operator==(const TTextKey& Other) const { return Text == Other.Text; }
};

size_t qHash(const TTextKey& Key, size_t Seed = 0) noexcept
{
    const std::u16string_view text(reinterpret_cast<const char16_t*>(Key.Text.constData()), size_t(Key.Text.size()));
    return std::hash<std::u16string_view>{}(text) ^ Seed;
}

// Gathers the values into items, growing the field sizes. Values shown by the same
// text (ignoring case) make one item that stands for all of their keys: a city
// looked up for several customers is listed once. Of several spellings and order
// keys the one that sorts first is kept, so the result does not depend on the
// order the records come in.
class TItemCollector
{
public:
    TItemCollector(TZDBFilterData* Data, const TZFilterItemsOptions& Options) : FData(Data), FOptions(Options) {}

    // Room for Count values that are expected to make an item each.
    void Reserve(size_t Count)
    {
        FGroups.reserve(Count);
        FIndex.reserve(qsizetype(Count));
    }

    void Add(const QVariant& OrderValue, TFieldType OrderType, QString Display, const QString& Key)
    {
        if (Display.isEmpty())
            Display = Tr(SEmptyFilterItem);
        FListSize = std::max(FListSize, int(Display.size()));
        FKeySize = std::max(FKeySize, int(Key.size()));
        QString order = GetFilterOrder(OrderValue, OrderType);
        const QString folded = Display.toCaseFolded();
        // A plain column's key mostly is its display text.
        QString foldedKey = Key == Display ? folded : Key.toCaseFolded();
        // One look-up finds the group or makes its place (hashing a text costs more than the rest).
        qsizetype& place = FIndex[TTextKey{folded}];
        if (place == 0) {
            FGroups.push_back({std::move(order), std::move(Display), Key, std::move(foldedKey), {}, {}});
            place = qsizetype(FGroups.size());
            return;
        }
        TGroup& group = FGroups[size_t(place - 1)];
        if (order < group.Order)
            group.Order = std::move(order);
        if (Display < group.Display)
            group.Display = std::move(Display);
        // Most groups hold one key: the list and index of their keys are made with the second.
        if (group.Keys.isEmpty()) {
            if (foldedKey == group.FoldedKey) {
                if (Key < group.Key)
                    group.Key = Key;
                return;
            }
            group.Keys = QStringList{group.Key, Key};
            group.Seen.insert(TTextKey{group.FoldedKey}, 0);
            group.Seen.insert(TTextKey{std::move(foldedKey)}, 1);
            return;
        }
        const qsizetype seen = group.Seen.value(TTextKey{foldedKey}, -1);
        if (seen < 0) {
            group.Seen.insert(TTextKey{std::move(foldedKey)}, group.Keys.size());
            group.Keys << Key;
        } else if (Key < group.Keys.at(seen)) {
            group.Keys[seen] = Key;
        }
    }

    void Finish()
    {
        QStringList texts;
        std::vector<QStringList> groupKeys;
        texts.reserve(qsizetype(FGroups.size()));
        groupKeys.reserve(FGroups.size());
        for (TGroup& group : FGroups) {
            const bool many = !group.Keys.isEmpty();
            if (many)
                std::sort(group.Keys.begin(), group.Keys.end(), LessItem);
            std::optional<bool> checked;
            if (FOptions.CheckedFirst)
                checked = FOptions.IsChosen && (many ? std::any_of(group.Keys.cbegin(), group.Keys.cend(), FOptions.IsChosen)
                                                     : FOptions.IsChosen(group.Key));
            texts << MakeFilterItem(group.Order, group.Display, many ? group.Keys.first() : group.Key, checked);
            groupKeys.push_back(many ? std::move(group.Keys) : QStringList());
        }
        QStringList list;
        std::vector<QStringList> keys;
        list.reserve(texts.size());
        keys.reserve(groupKeys.size());
        for (const qsizetype at : SortOrder(texts)) {
            list << std::move(texts[at]);
            keys.push_back(std::move(groupKeys[size_t(at)]));
        }
        FData->ClearItems();
        FData->SetListFieldSize(FListSize);
        FData->SetKeyFieldSize(FKeySize);
        FData->SetItems(std::move(list), std::move(keys));
    }

private:
    struct TGroup
    {
        QString Order;
        QString Display;
        QString Key;                    // the key while it is the only one
        QString FoldedKey;              // that key case-folded
        QStringList Keys;               // all keys, from the second on
        QHash<TTextKey, qsizetype> Seen; // case-folded key to its place in Keys
    };

    TZDBFilterData* FData;
    const TZFilterItemsOptions& FOptions;
    std::vector<TGroup> FGroups;
    QHash<TTextKey, qsizetype> FIndex; // case-folded display text to its group's place plus one
    int FListSize = TZDBFilterData::DefaultFieldSize;
    int FKeySize = TZDBFilterData::DefaultFieldSize;
};

// The display text Field would show for Value (its OnGetText aside): the field's own
// formatting, reached through a pointer to the protected member.
struct TFieldFormat : TField
{
    static QString Of(const TField* Field, const QVariant& Value)
    {
        constexpr auto format = &TFieldFormat::FormatValue;
        return Value.isNull() ? QString() : (Field->*format)(Value, true);
    }
};

QString DisplayTextOf(const TField* Field, const QVariant& Value)
{
    return TFieldFormat::Of(Field, Value);
}

// The field whose value orders a column's items.
TField* OrderField(TZColumn* Column)
{
    TField* field = Column->GetField();
    if (Column->LookupColumn() == lcLookupValueField && field && field->GetLookupDataSet())
        if (TField* result = field->GetLookupDataSet()->FindField(field->GetLookupResultField()))
            return result;
    return field;
}

// Whether the column shows a data column as it is: its texts follow from the field's value alone.
bool PlainDataColumn(TZColumn* Column)
{
    TField* field = Column->GetField();
    return field && field == Column->FilterField() && field->GetFieldKind() == fkData && !field->OnGetText &&
           !Column->GetAutoNumber() && Column->LookupColumn() == lcNotDefined && Column->Grid();
}

// The key field of a column showing a lookup field as it is, looked up by that one data field.
TField* LookupKeyField(TZColumn* Column)
{
    TField* field = Column->GetField();
    if (!field || field->GetFieldKind() != fkLookup || field->OnGetText || Column->GetAutoNumber() ||
        !Column->Grid() || !field->GetLookupDataSet() || !field->GetLookupDataSet()->Active())
        return nullptr;
    TField* key = Column->FilterField();
    return key && key != field && key->GetFieldKind() == fkData && !key->OnGetText &&
                   key->GetFieldName().compare(field->GetKeyFields().trimmed(), Qt::CaseInsensitive) == 0
               ? key
               : nullptr;
}

// The server's distinct values, when the column shows a data column as it is, or
// looks one up: then each distinct key is looked up once, not once per record.
bool CollectFromServer(TZColumn* Column, TDataSet* DataSet, TItemCollector& Items)
{
    TField* field = Column->GetField();
    TZCustomDBGrid* grid = Column->Grid();
    TField* lookupKey = PlainDataColumn(Column) ? nullptr : LookupKeyField(Column);
    if (!lookupKey && !PlainDataColumn(Column))
        return false;
    auto* query = qobject_cast<TZSQLQuery*>(DataSet);
    std::vector<QVariant> values;
    if (!query || !query->DistinctValues(lookupKey ? lookupKey : field, values))
        return false;
    Items.Reserve(values.size());
    for (const QVariant& value : values) {
        if (!lookupKey) {
            Items.Add(value, field->DataType(), grid->ColGetText(Column, DisplayTextOf(field, value), tkDisplay),
                      field->EditTextOf(value));
            continue;
        }
        const QVariant shown = value.isNull() ? QVariant()
                                              : field->GetLookupDataSet()->Lookup(field->GetLookupKeyFields(), value,
                                                                                  field->GetLookupResultField());
        Items.Add(shown, field->DataType(), grid->ColGetText(Column, DisplayTextOf(field, shown), tkDisplay),
                  lookupKey->EditTextOf(value));
    }
    return true;
}

// One walk from the first record to the last; false when the user cancelled it.
bool CollectByWalk(TZColumn* Column, TDataSet* DataSet, TItemCollector& Items, int ProgressDelay)
{
    TZCustomDBGrid* grid = Column->Grid();
    TField* key = Column->FilterField();
    TField* order = OrderField(Column);
    const TFieldType orderType = order ? order->DataType() : ftUnknown;
    TZWalkGuard walk(grid);
    QElapsedTimer clock;
    clock.start();
    std::unique_ptr<QProgressDialog> progress;
    int done = 0;
    // A plain column's texts follow from its value: a value seen once is not formatted again.
    const bool plain = PlainDataColumn(Column);
    QSet<TTextKey> seen;
    for (DataSet->First(); !DataSet->Eof(); DataSet->Next()) {
        QString keyText = key ? key->GetEditText() : QString();
        bool added = true;
        if (plain) {
            const qsizetype count = seen.size();
            seen.insert(TTextKey{keyText});
            added = seen.size() != count;
        }
        if (added)
            Items.Add(order ? order->GetValue() : QVariant(), orderType, Column->GetDisplayText(), keyText);
        if ((++done & 1023) != 0 || ProgressDelay < 0 || clock.elapsed() < ProgressDelay)
            continue;
        if (!progress) {
            progress = std::make_unique<QProgressDialog>(grid ? grid->window() : nullptr);
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
            progress->setLabelText(Format(Tr(SCollectingValues), {Column->Title()->GetCaption()}));
            const int count = DataSet->RecordCount();
            progress->setRange(0, count > 0 ? count : 0);
            // Escape rejects the dialog, which alone would only hide it.
            QObject::connect(progress.get(), &QDialog::rejected, progress.get(), &QProgressDialog::cancel);
            // Half a second has gone by already: shown at once, not when the dialog would guess.
            progress->show();
        }
        progress->setValue(progress->maximum() > 0 ? std::min(done, progress->maximum() - 1) : 0);
        // Its Cancel and Escape arrive through the event loop.
        QCoreApplication::processEvents();
        if (progress->wasCanceled())
            return false;
    }
    return true;
}

// Switches the grid's column filters off for its lifetime.
class TAllItemsGuard
{
public:
    explicit TAllItemsGuard(TZDBGridFilter* Filter) : FFilter(Filter && Filter->GetFiltered() ? Filter : nullptr)
    {
        if (FFilter)
            FFilter->SetFiltered(false);
    }
    ~TAllItemsGuard() noexcept(false)
    {
        if (FFilter)
            FEnd([this] { FFilter->SetFiltered(true); });
    }
    TAllItemsGuard(const TAllItemsGuard&) = delete;
    TAllItemsGuard& operator=(const TAllItemsGuard&) = delete;

private:
    TZDBGridFilter* FFilter;
    TBracketEnd FEnd;
};

} // namespace

bool LoadFilterItems(TZColumn* Column, TZDBFilterData* Data, const TZFilterItemsOptions& Options)
{
    Data->Close();
    Data->ClearItems();
    TZCustomDBGrid* grid = Column ? Column->Grid() : nullptr;
    TDataSet* dataSet = grid ? grid->DataSet() : nullptr;
    TField* field = Column ? Column->GetField() : nullptr;
    if (!dataSet || !dataSet->Active() || !field || BinaryFieldType(field->DataType()))
        return true;
    TAllItemsGuard allItems(Options.LoadAllItems ? grid->FilterGrid() : nullptr);
    TItemCollector items(Data, Options);
    if (!(Options.ServerValues && CollectFromServer(Column, dataSet, items)) &&
        !CollectByWalk(Column, dataSet, items, Options.ProgressDelay))
        return false;
    items.Finish();
    return true;
}

} // namespace zdb
