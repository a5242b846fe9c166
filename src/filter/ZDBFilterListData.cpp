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
#include <cmath>

namespace zdb {

QString SEmptyFilterItem = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "(Empty)"));
QString SCollectingValues = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Collecting the values of %s..."));

namespace {

QString Hex(quint64 Value, int Digits)
{
    return QStringLiteral("%1").arg(Value, Digits, 16, QLatin1Char('0')).toUpper();
}

// Non-negative values: "+" and the value padded to 31 places; negative ones: a
// blank (below "+") and the magnitude with every digit and pad complemented, so
// that a larger magnitude sorts first.
QString FloatOrder(double Value)
{
    const QString text = QString::asprintf("%31.15f", std::fabs(Value));
    if (Value >= 0 || text.trimmed() == QLatin1String("0.000000000000000"))
        return QLatin1Char('+') + text;
    QString order(text.size() + 1, QLatin1Char(' '));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        order[i + 1] = c.isDigit() ? QChar(u'9' - (c.unicode() - u'0')) : c == QLatin1Char(' ') ? QLatin1Char(':') : c;
    }
    return order;
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

bool LessItem(const QString& A, const QString& B)
{
    const int c = A.compare(B, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : A < B;
}

} // namespace

QString GetFilterOrder(const QVariant& Value, TFieldType DataType)
{
    if (!Value.isValid() || Value.isNull())
        return {};
    switch (DataType) {
    case ftSmallint: case ftInteger: case ftShortint: case ftAutoInc:
        return Hex(quint64(Value.toLongLong() + (qint64(1) << 31)) & 0xFFFFFFFFu, 8);
    case ftByte: case ftWord: case ftLongWord:
        return Hex(Value.toULongLong() & 0xFFFFFFFFu, 8);
    case ftLargeint:
        return Hex(quint64(Value.toLongLong()) ^ (quint64(1) << 63), 16);
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
    if (Checked)
        Order.prepend(*Checked ? QLatin1Char('0') : QLatin1Char('1'));
    // The marks cannot stand in a display text: shown as their control pictures. A key
    // keeps them, written out after the key mark whenever it differs from the display.
    QString display = Display;
    display.replace(FilterOrderMark, QChar(0x241A)).replace(FilterKeyMark, QChar(0x241B));
    QString item = display;
    if (display != Key)
        item += FilterKeyMark + QLatin1Char(' ') + Key;
    if (!Order.isEmpty())
        item = Order + FilterOrderMark + QLatin1Char(' ') + item;
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
    std::sort(Items.begin(), Items.end(), LessItem);
    const auto last = std::unique(Items.begin(), Items.end(), [](const QString& A, const QString& B) {
        return A.compare(B, Qt::CaseInsensitive) == 0;
    });
    Items.erase(last, Items.end());
    return Items;
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

// Gathers the values into items, growing the field sizes. Values shown by the same
// text (ignoring case) make one item that stands for all of their keys: a city
// looked up for several customers is listed once. Of several spellings and order
// keys the one that sorts first is kept, so the result does not depend on the
// order the records come in.
class TItemCollector
{
public:
    TItemCollector(TZDBFilterData* Data, const TZFilterItemsOptions& Options) : FData(Data), FOptions(Options) {}

    void Add(const QVariant& OrderValue, TFieldType OrderType, QString Display, const QString& Key)
    {
        if (Display.isEmpty())
            Display = Tr(SEmptyFilterItem);
        FListSize = std::max(FListSize, int(Display.size()));
        FKeySize = std::max(FKeySize, int(Key.size()));
        QString order = GetFilterOrder(OrderValue, OrderType);
        const QString folded = Display.toCaseFolded();
        const auto found = FIndex.constFind(folded);
        if (found == FIndex.cend()) {
            FIndex.insert(folded, FGroups.size());
            FGroups.push_back({std::move(order), std::move(Display), {Key}, {{Key.toCaseFolded(), 0}}});
            return;
        }
        TGroup& group = FGroups[size_t(*found)];
        if (order < group.Order)
            group.Order = std::move(order);
        if (Display < group.Display)
            group.Display = std::move(Display);
        const auto seen = group.Seen.constFind(Key.toCaseFolded());
        if (seen == group.Seen.cend()) {
            group.Seen.insert(Key.toCaseFolded(), group.Keys.size());
            group.Keys << Key;
        } else if (Key < group.Keys.at(*seen)) {
            group.Keys[*seen] = Key;
        }
    }

    void Finish()
    {
        std::vector<std::pair<QString, QStringList>> items;
        items.reserve(FGroups.size());
        for (TGroup& group : FGroups) {
            std::sort(group.Keys.begin(), group.Keys.end(), LessItem);
            std::optional<bool> checked;
            if (FOptions.CheckedFirst)
                checked = FOptions.IsChosen && std::any_of(group.Keys.cbegin(), group.Keys.cend(), FOptions.IsChosen);
            items.emplace_back(MakeFilterItem(group.Order, group.Display, group.Keys.first(), checked),
                               group.Keys.size() > 1 ? group.Keys : QStringList());
        }
        std::sort(items.begin(), items.end(), [](const auto& A, const auto& B) { return LessItem(A.first, B.first); });
        QStringList list;
        std::vector<QStringList> keys;
        list.reserve(qsizetype(items.size()));
        keys.reserve(items.size());
        for (auto& item : items) {
            list << std::move(item.first);
            keys.push_back(std::move(item.second));
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
        QStringList Keys;
        QHash<QString, qsizetype> Seen; // case-folded key to its place in Keys
    };

    TZDBFilterData* FData;
    const TZFilterItemsOptions& FOptions;
    std::vector<TGroup> FGroups;
    QHash<QString, qsizetype> FIndex; // case-folded display text to its group
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
    QSet<QString> seen;
    for (DataSet->First(); !DataSet->Eof(); DataSet->Next()) {
        QString keyText = key ? key->GetEditText() : QString();
        if (!plain || !seen.contains(keyText)) {
            if (plain)
                seen.insert(keyText);
            Items.Add(order ? order->GetValue() : QVariant(), orderType, Column->GetDisplayText(), keyText);
        }
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
