// Column totals: the total objects' display and calculation, the grid's
// calculation walk, the totals data link and the text of the total rows.

#include "ZDBGridSelection.h"
#include "ZDBGrids.h"
#include "SysUtils.h"

#include <QApplication>
#include <QLocale>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <typeinfo>

namespace zdb {

namespace {

// A value the accumulator cannot take in (type mismatch, overflow).
class ECombineError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

bool IsCurrency(const QVariant& V)
{
    return V.metaType() == QMetaType::fromType<TCurrencyValue>();
}

bool IsInteger(const QVariant& V)
{
    switch (V.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Short: case QMetaType::UShort: case QMetaType::Char: case QMetaType::SChar:
    case QMetaType::UChar: case QMetaType::Long: case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

bool IsFloat(const QVariant& V)
{
    return V.typeId() == QMetaType::Double || V.typeId() == QMetaType::Float;
}

bool IsNumeric(const QVariant& V)
{
    return IsInteger(V) || IsFloat(V) || IsCurrency(V);
}

bool IsDate(const QVariant& V)
{
    return V.typeId() == QMetaType::QDate || V.typeId() == QMetaType::QDateTime;
}

qint64 ToInt64(const QVariant& V)
{
    if (V.typeId() == QMetaType::ULongLong && V.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
        throw ECombineError("integer overflow");
    return V.toLongLong();
}

double ToDouble(const QVariant& V)
{
    return IsCurrency(V) ? V.value<TCurrencyValue>().ToDouble() : V.toDouble();
}

// A + B or A * B of 64-bit integers; an overflow is an error.
qint64 CheckedAdd(qint64 A, qint64 B)
{
    qint64 r = 0;
    if (__builtin_add_overflow(A, B, &r))
        throw ECombineError("integer overflow");
    return r;
}

qint64 CheckedMul(qint64 A, qint64 B)
{
    qint64 r = 0;
    if (__builtin_mul_overflow(A, B, &r))
        throw ECombineError("integer overflow");
    return r;
}

// Currency values are counted in units of 1/10000.
constexpr int CurrencyScale = 4;

TCurrencyValue CurrencyOf(double V)
{
    return TCurrencyValue{qint64(std::llround(V * 10000.0))};
}

// A currency amount as a total's value. QVariant converts it to a double and
// to a text like any number, so an application reads it with toDouble().
QVariant CurrencyVariant(TCurrencyValue V)
{
    static const bool Registered = [] {
        QMetaType::registerConverter<TCurrencyValue, double>(&TCurrencyValue::ToDouble);
        QMetaType::registerConverter<TCurrencyValue, QString>([](const TCurrencyValue& C) {
            return QString::number(C.ToDouble(), 'g', QLocale::FloatingPointShortest);
        });
        return true;
    }();
    Q_UNUSED(Registered);
    return QVariant::fromValue(V);
}

qint64 CurrencyUnits(const QVariant& V)
{
    if (IsCurrency(V))
        return V.value<TCurrencyValue>().Units;
    return CheckedMul(ToInt64(V), 10000);
}

// A + B of two numeric values: integers stay exact (64-bit, overflow is an
// error), currency stays exact, anything with a real number is a real.
QVariant Add(const QVariant& A, const QVariant& B)
{
    if (IsFloat(A) || IsFloat(B))
        return ToDouble(A) + ToDouble(B);
    if (IsCurrency(A) || IsCurrency(B))
        return CurrencyVariant(TCurrencyValue{CheckedAdd(CurrencyUnits(A), CurrencyUnits(B))});
    return QVariant(CheckedAdd(ToInt64(A), ToInt64(B)));
}

// Acc += V in place for the usual walk (reals, 64-bit integers); false for
// any other pair, which Add handles.
bool AddInPlace(QVariant& Acc, const QVariant& V)
{
    const int acc = Acc.typeId(), v = V.typeId();
    if (acc == QMetaType::Double && v == QMetaType::Double) {
        *static_cast<double*>(Acc.data()) += *static_cast<const double*>(V.constData());
        return true;
    }
    if (acc == QMetaType::LongLong && (v == QMetaType::Int || v == QMetaType::LongLong)) {
        const qint64 add = v == QMetaType::Int ? *static_cast<const int*>(V.constData())
                                               : *static_cast<const qlonglong*>(V.constData());
        qlonglong& sum = *static_cast<qlonglong*>(Acc.data());
        sum = CheckedAdd(sum, add);
        return true;
    }
    return false;
}

// The order of A and B; an error when they cannot be compared.
std::partial_ordering Compare(const QVariant& A, const QVariant& B)
{
    if (A.typeId() == QMetaType::Double && B.typeId() == QMetaType::Double)
        return *static_cast<const double*>(A.constData()) <=> *static_cast<const double*>(B.constData());
    if (IsNumeric(A) && IsNumeric(B)) {
        if (IsInteger(A) && IsInteger(B))
            return ToInt64(A) <=> ToInt64(B);
        if (IsCurrency(A) && IsCurrency(B))
            return A.value<TCurrencyValue>().Units <=> B.value<TCurrencyValue>().Units;
        return ToDouble(A) <=> ToDouble(B);
    }
    if (A.metaType() != B.metaType())
        throw ECombineError("type mismatch");
    const QPartialOrdering order = QVariant::compare(A, B);
    if (order == QPartialOrdering::Less)
        return std::partial_ordering::less;
    if (order == QPartialOrdering::Greater)
        return std::partial_ordering::greater;
    if (order == QPartialOrdering::Equivalent)
        return std::partial_ordering::equivalent;
    throw ECombineError("type mismatch");
}

bool SameValue(const QVariant& A, const QVariant& B)
{
    try {
        return Compare(A, B) == std::partial_ordering::equivalent;
    } catch (const ECombineError&) {
        return false;
    }
}

// The part of a "normal|selected" text for the totals' selection state.
QString SelectionPart(const QString& Text, bool Selected)
{
    const qsizetype bar = Text.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return Text;
    return Selected ? Text.mid(bar + 1) : Text.left(bar);
}

// "prefix%inner%suffix" split in three; an error without two "%".
QStringList SplitPercent(const QString& Fmt)
{
    const qsizetype first = Fmt.indexOf(QLatin1Char('%'));
    const qsizetype second = first < 0 ? -1 : Fmt.indexOf(QLatin1Char('%'), first + 1);
    if (second < 0)
        throw ECombineError("format needs two '%'");
    return {Fmt.left(first), Fmt.mid(first + 1, second - first - 1), Fmt.mid(second + 1)};
}

// A classic date-time format ("dd.mm.yyyy hh:nn") as a QDateTime format: "m"
// after an hour is the minute, "n" always is.
QString QtDateFormat(const QString& Fmt)
{
    QString result;
    bool afterHour = false;
    for (qsizetype i = 0; i < Fmt.size();) {
        const QChar ch = Fmt.at(i);
        if (ch == QLatin1Char('"') || ch == QLatin1Char('\'')) {
            const qsizetype end = Fmt.indexOf(ch, i + 1);
            const QString literal = Fmt.mid(i + 1, (end < 0 ? Fmt.size() : end) - i - 1);
            result += QLatin1Char('\'') + QString(literal).replace(QLatin1Char('\''), QLatin1String("''")) +
                      QLatin1Char('\'');
            i = end < 0 ? Fmt.size() : end + 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < Fmt.size() && Fmt.at(i + run).toLower() == ch.toLower())
            ++run;
        const QChar lower = ch.toLower();
        if (lower == QLatin1Char('m')) {
            result += afterHour && run <= 2 ? QString(run, QLatin1Char('m')) : QString(run, QLatin1Char('M'));
        } else if (lower == QLatin1Char('n')) {
            result += QString(std::min<qsizetype>(run, 2), QLatin1Char('m'));
        } else if (QStringLiteral("ydhsz").contains(lower)) {
            result += QString(run, lower);
        } else if (ch.isLetter()) {
            result += QLatin1Char('\'') + Fmt.mid(i, run) + QLatin1Char('\'');
        } else {
            result += Fmt.mid(i, run);
        }
        if (lower == QLatin1Char('h'))
            afterHour = true;
        else if (lower != QLatin1Char(':') && ch.isLetter())
            afterHour = false;
        i += run;
    }
    return result;
}

QString PlainText(const QVariant& V)
{
    if (IsCurrency(V))
        return QString::number(ToDouble(V), 'f', 4);
    return V.toString();
}

// Clears the grid's calculation mark on every exit.
class TCalcMark
{
public:
    explicit TCalcMark(bool& Mark) : FMark(Mark) { FMark = true; }
    ~TCalcMark() { FMark = false; }
    TCalcMark(const TCalcMark&) = delete;
    TCalcMark& operator=(const TCalcMark&) = delete;

private:
    bool& FMark;
};

} // namespace

QVariant TotalNullValue()
{
    return QVariant(QMetaType::fromType<std::nullptr_t>());
}

bool IsTotalNull(const QVariant& Value)
{
    return Value.isValid() && Value.isNull();
}

// ===========================================================================
// TZColumnTotal

TZCustomDBGrid* TZColumnTotal::Grid() const
{
    return FColumn->Grid();
}

TAlignment TZColumnTotal::GetAlignment() const
{
    return FAlignmentAssigned ? FAlignment : FColumn->GetAlignment();
}

void TZColumnTotal::SetAlignment(TAlignment Value)
{
    if (FAlignmentAssigned && FAlignment == Value)
        return;
    FAlignment = Value;
    FAlignmentAssigned = true;
    DisplayChanged();
}

TColor TZColumnTotal::GetColor() const
{
    if (FColorAssigned)
        return FColor;
    TZCustomDBGrid* grid = Grid();
    return grid && grid->Totals() ? grid->Totals()->GetColor() : clBtnFace;
}

void TZColumnTotal::SetColor(TColor Value)
{
    if (FColorAssigned && FColor == Value)
        return;
    FColor = Value;
    FColorAssigned = true;
    DisplayChanged();
}

void TZColumnTotal::SetTotalResult(TTotalResult Value)
{
    if (FTotalResult == Value)
        return;
    const TTotalResult old = FTotalResult;
    FTotalResult = Value;
    SetField(nullptr);
    if (TZCustomDBGrid* grid = Grid()) {
        if (old == trCaption || Value == trCaption)
            grid->TotalsChanged(trCaption, nullptr);
        if (Value == trCalcValue)
            CalcChanged();
        else
            DisplayChanged();
    }
}

void TZColumnTotal::SetFieldName(const QString& Value)
{
    if (FFieldName == Value)
        return;
    FFieldName = Value;
    SetField(nullptr);
    if (FTotalResult == trCalcValue)
        CalcChanged();
    else
        DisplayChanged();
}

void TZColumnTotal::SetField(TField* Value)
{
    FField = Value;
    FFieldResolved = Value != nullptr;
    auto* real = qobject_cast<TFloatField*>(Value);
    FFieldCurrency = real && real->GetCurrency();
}

TField* TZColumnTotal::GetField()
{
    if (FFieldResolved && FField)
        return FField;
    FField = nullptr;
    FFieldResolved = false;
    TZCustomDBGrid* grid = Grid();
    if (!grid)
        return nullptr;
    TDataLink* link = nullptr;
    QString name = FFieldName;
    switch (FTotalResult) {
    case trDataField:
    case trCalcValue:
        link = grid->DataLink();
        if (name.isEmpty())
            name = FColumn->GetFieldName();
        break;
    case trTotalField:
        link = grid->TotalDataLinkIfAny();
        break;
    default:
        break;
    }
    if (!link || !link->Active() || !link->DataSet() || name.isEmpty())
        return nullptr;
    SetField(link->DataSet()->FindField(name));
    return FField;
}

QString TZColumnTotal::GetDisplayText()
{
    switch (FTotalResult) {
    case trDataField:
        if (FFieldName.isEmpty())
            return FColumn->GetDisplayText();
        [[fallthrough]];
    case trTotalField:
        if (TField* field = GetField())
            return field->DisplayText();
        return QString();
    default:
        return QString();
    }
}

void TZColumnTotal::DisplayChanged()
{
    if (TZCustomDBGrid* grid = Grid())
        grid->InvalidateTotalRows();
}

void TZColumnTotal::CalcChanged()
{
    if (TZCustomDBGrid* grid = Grid()) {
        grid->UpdateTotals(true);
        grid->InvalidateTotalRows();
    }
}

// ===========================================================================
// TZColumnTotalValue

TZColumnTotalValue::TZColumnTotalValue(TZColumn* Column, TCollection* Collection)
    : TZColumnTotal(Column, Collection)
{
    FTotalResult = trCaption;
}

void TZColumnTotalValue::Assign(const TZColumnTotal& Source)
{
    if (const auto* value = dynamic_cast<const TZColumnTotalValue*>(&Source)) {
        FCalcApply = value->FCalcApply;
        FCalcValue = value->FCalcValue;
        FFormat = value->FFormat;
        FFormatAsFloat = value->FFormatAsFloat;
        FNullValue = value->FNullValue;
        FTotalRecNo = value->FTotalRecNo;
        FCaption = value->FCaption;
        if (value->FTotalResult != trCalcValue)
            FValue = value->FValue;
    }
    TZColumnTotal::Assign(Source);
}

void TZColumnTotalValue::SetCalcApply(TCalcApply Value)
{
    if (FCalcApply == Value)
        return;
    FCalcApply = Value;
    CalcChanged();
}

void TZColumnTotalValue::SetCalcValue(TCalcValue Value)
{
    if (FCalcValue == Value)
        return;
    FCalcValue = Value;
    CalcChanged();
}

void TZColumnTotalValue::SetNullValue(TNullValue Value)
{
    if (FNullValue == Value)
        return;
    FNullValue = Value;
    CalcChanged();
}

void TZColumnTotalValue::SetCaption(const QString& Value)
{
    if (FCaption == Value)
        return;
    FCaption = Value;
    if (FTotalResult == trCaption)
        if (TZCustomDBGrid* grid = Grid())
            grid->TotalsChanged(trCaption, nullptr);
}

QString TZColumnTotalValue::GetCaption() const
{
    TZCustomDBGrid* grid = Grid();
    return SelectionPart(FCaption, grid && grid->Totals() && grid->Totals()->Selected());
}

void TZColumnTotalValue::SetFormat(const QString& Value)
{
    SetDisplay(FFormat, Value);
}

QString TZColumnTotalValue::GetFormat() const
{
    TZCustomDBGrid* grid = Grid();
    return SelectionPart(FFormat, grid && grid->Totals() && grid->Totals()->Selected());
}

void TZColumnTotalValue::SetFormatAsFloat(bool Value)
{
    SetDisplay(FFormatAsFloat, Value);
}

void TZColumnTotalValue::SetTotalRecNo(int Value)
{
    SetDisplay(FTotalRecNo, std::max(Value, 1));
}

void TZColumnTotalValue::SetValue(const QVariant& Value)
{
    FValue = Value;
    DisplayChanged();
}

void TZColumnTotalValue::SetAccumulator(const QVariant& Value, int Count)
{
    FNumbers = false;
    FAccumulator = Value;
    FCount = Count;
}

QString TZColumnTotalValue::GetDisplayText()
{
    switch (FTotalResult) {
    case trCaption:
        return GetCaption();
    case trCalcValue:
        return FormatValue(FValue);
    case trTotalField: {
        TZCustomDBGrid* grid = Grid();
        TZTotalDataLink* link = grid ? grid->TotalDataLinkIfAny() : nullptr;
        if (!link || !link->Active() || FTotalRecNo > link->RecordCount())
            return QString();
        TZActiveRecordGuard guard(link, FTotalRecNo - 1);
        return TZColumnTotal::GetDisplayText();
    }
    default:
        return TZColumnTotal::GetDisplayText();
    }
}

bool TZColumnTotalValue::DoCalcValue(TCalcPass Pass)
{
    if (FTotalResult != trCalcValue) {
        if (Pass == cpFinal && FTotalResult == trCaption)
            DisplayChanged();
        return false;
    }
    // The grid is looked up once a calculation, not for every record.
    TZCustomDBGrid* grid = Pass == cpCalcRec && FCalcGrid ? FCalcGrid : Grid();
    if (!grid)
        return false;
    if (Pass == cpCalcRec && FNumbers) {
        // Typed, without a QVariant.
        if (!AppliesToRecords(grid->CalcRowsSelected()))
            return false;
        TTotalNumber number;
        if (FNumberSlot >= 0 ? grid->TotalSlotNumber(FNumberSlot, number) : grid->TotalFieldNumber(FField, number)) {
            if (number.Kind == TTotalNumber::nkNull) {
                if (FNullValue == nvExclude)
                    return true;
                if (FNullValue == nvAsZero)
                    number = TTotalNumber{TTotalNumber::nkInt, 0, 0};
            }
            ++FCount;
            if (!AccumulateNumber(number))
                FNumber = TTotalNumber();
            return true;
        }
        EndNumbers(); // a value of another kind: on with QVariants
    }
    QVariant v;
    switch (Pass) {
    case cpReset: {
        FCalcGrid = grid;
        FCount = 0;
        grid->TotalCalcValue(this, cpReset, v);
        FAccumulator = v;
        // Without a handler to see the values, a numeric field's are taken in typed.
        TField* field = grid->OnTotalCalcValue || v.isValid() ? nullptr : GetField();
        FNumbers = field && !FFieldCurrency &&
                   (IsIntegerFieldType(field->DataType()) || IsFloatFieldType(field->DataType()));
        FNumber = TTotalNumber();
        FNumberSlot = -1;
        break;
    }
    case cpCalcRec: {
        if (!AppliesToRecords(grid->CalcRowsSelected()))
            return false;
        if (TField* field = GetField()) {
            v = grid->TotalFieldValue(field);
            if (!v.isValid()) {
                v = TotalNullValue();
            } else if (FFieldCurrency) {
                v = CurrencyVariant(CurrencyOf(v.toDouble()));
            }
        }
        grid->TotalCalcValue(this, cpCalcRec, v);
        if (IsTotalNull(v)) {
            if (FNullValue == nvExclude)
                return true;
            if (FNullValue == nvAsZero)
                v = 0;
        }
        ++FCount;
        try {
            Accumulate(v);
        } catch (const ECombineError&) {
            FAccumulator = QVariant();
        }
        break;
    }
    case cpFinal:
        if (FNumbers)
            EndNumbers();
        v = FAccumulator;
        if (FCalcValue == cvAvg)
            v = FCount > 0 && IsNumeric(v) ? QVariant(ToDouble(v) / FCount) : QVariant();
        FCalcGrid = nullptr;
        grid->TotalCalcValue(this, cpFinal, v);
        SetValue(v);
        break;
    }
    return true;
}

void TZColumnTotalValue::Accumulate(const QVariant& V)
{
    const bool unassigned = !FAccumulator.isValid();
    switch (FCalcValue) {
    case cvSum:
    case cvAvg:
        if (IsNumeric(V) && (unassigned || !AddInPlace(FAccumulator, V)))
            FAccumulator = unassigned ? V : Add(FAccumulator, V);
        break;
    case cvCount:
        if (unassigned)
            FAccumulator = QVariant(qlonglong(1));
        else if (!AddInPlace(FAccumulator, QVariant(1)))
            FAccumulator = Add(FAccumulator, QVariant(1));
        break;
    case cvMax:
    case cvMin:
        if (unassigned) {
            FAccumulator = V;
        } else if (!IsTotalNull(V) && !IsTotalNull(FAccumulator)) {
            const std::partial_ordering order = Compare(V, FAccumulator);
            if (FCalcValue == cvMax ? order > 0 : order < 0)
                FAccumulator = V;
        }
        break;
    case cvFirst:
        if (FCount == 1)
            FAccumulator = V;
        break;
    case cvLast:
        FAccumulator = V;
        break;
    case cvUnique:
        if (FCount == 1)
            FAccumulator = V;
        else if (!IsTotalNull(FAccumulator) && !SameValue(V, FAccumulator))
            FAccumulator = TotalNullValue();
        break;
    case cvCustom:
        break;
    }
}

bool TZColumnTotalValue::AccumulateNumber(const TTotalNumber& V)
{
    using N = TTotalNumber;
    const bool unassigned = FNumber.Kind == N::nkNone;
    const auto compare = CompareTotalNumbers;
    switch (FCalcValue) {
    case cvSum:
    case cvAvg:
        if (!V.IsNumber()) {
            break;
        } else if (unassigned) {
            FNumber = V;
        } else if (FNumber.Kind == N::nkInt && V.Kind == N::nkInt) {
            if (__builtin_add_overflow(FNumber.Int, V.Int, &FNumber.Int))
                return false;
        } else {
            FNumber = N{N::nkFloat, 0, FNumber.AsDouble() + V.AsDouble()};
        }
        break;
    case cvCount:
        if (unassigned)
            FNumber = N{N::nkInt, 1, 0};
        else
            ++FNumber.Int;
        break;
    case cvMax:
    case cvMin:
        if (unassigned) {
            FNumber = V;
        } else if (V.IsNumber() && FNumber.IsNumber()) {
            const std::partial_ordering order = compare(V, FNumber);
            if (FCalcValue == cvMax ? order > 0 : order < 0)
                FNumber = V;
        }
        break;
    case cvFirst:
        if (FCount == 1)
            FNumber = V;
        break;
    case cvLast:
        FNumber = V;
        break;
    case cvUnique:
        if (FCount == 1)
            FNumber = V;
        else if (FNumber.Kind != N::nkNull &&
                 !(V.IsNumber() && FNumber.IsNumber() && compare(V, FNumber) == std::partial_ordering::equivalent))
            FNumber = N{N::nkNull, 0, 0};
        break;
    case cvCustom:
        break;
    }
    return true;
}

void TZColumnTotalValue::EndNumbers()
{
    FNumbers = false;
    switch (FNumber.Kind) {
    case TTotalNumber::nkNone:
        FAccumulator = QVariant();
        break;
    case TTotalNumber::nkNull:
        FAccumulator = TotalNullValue();
        break;
    case TTotalNumber::nkInt:
        FAccumulator = QVariant(qlonglong(FNumber.Int));
        break;
    case TTotalNumber::nkFloat:
        FAccumulator = QVariant(FNumber.Float);
        break;
    }
}

QString TZColumnTotalValue::FormatValue(const QVariant& Value) const
{
    if (!Value.isValid())
        return QString();
    if (IsTotalNull(Value))
        return NullValueString;
    const QString fmt = GetFormat();
    QVariant v = Value;
    if (FFormatAsFloat && IsNumeric(v))
        v = ToDouble(v);
    try {
        if (fmt.isEmpty())
            return IsCurrency(v) ? Format(QStringLiteral("%m"), {ToDouble(v)}) : PlainText(v);
        if (v.typeId() == QMetaType::Bool) {
            const QStringList parts = SplitPercent(fmt);
            const qsizetype semi = parts[1].indexOf(QLatin1Char(';'));
            const QString yes = semi < 0 ? parts[1] : parts[1].left(semi);
            const QString no = semi < 0 ? QString() : parts[1].mid(semi + 1);
            return parts[0] + (v.toBool() ? yes : no) + parts[2];
        }
        if (IsDate(v)) {
            const QStringList parts = SplitPercent(fmt);
            return parts[0] + v.toDateTime().toString(QtDateFormat(parts[1])) + parts[2];
        }
        if (IsInteger(v))
            return Format(fmt, {ToInt64(v)});
        if (IsFloat(v) || IsCurrency(v))
            return Format(fmt, {ToDouble(v)});
        return Format(fmt, {v});
    } catch (const std::exception&) {
        TZCustomDBGrid* grid = Grid();
        if (grid && grid->IsDesigning())
            QApplication::beep();
        return PlainText(v);
    }
}

// ===========================================================================
// Totals and their data link

void TZDBGridTotals::SetCalcValues(bool Value)
{
    if (FCalcValues == Value)
        return;
    FCalcValues = Value;
    if (Value && FGrid)
        FGrid->UpdateTotals(false);
}

void TZDBGridTotals::SetDataMaxRow(int Value)
{
    if (FDataMaxRow == Value)
        return;
    FDataMaxRow = Value;
    if (FGrid && FGrid->TotalDataLinkIfAny())
        FGrid->TotalDataLinkIfAny()->UpdateRows();
}

void TZDBGridTotals::SetBoxStyle(TCheckBoxStyle Value)
{
    if (FBoxStyle == Value)
        return;
    FBoxStyle = Value;
    if (FGrid)
        FGrid->InvalidateTotalRows();
}

TDataSource* TZDBGridTotals::GetDataSource() const
{
    return FGrid && FGrid->TotalDataLinkIfAny() ? FGrid->TotalDataLinkIfAny()->DataSource() : nullptr;
}

void TZDBGridTotals::SetDataSource(TDataSource* Value)
{
    if (FGrid && Value != GetDataSource())
        FGrid->TotalDataLink()->SetDataSource(Value);
}

void TZTotalDataLink::UpdateRows()
{
    if (!FGrid || FUpdatingRows || !Active())
        return;
    FUpdatingRows = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FUpdatingRows};
    int count = DataSet()->RecordCount();
    const int max = FGrid->Totals() ? FGrid->Totals()->GetDataMaxRow() : 0;
    if (max > 0)
        count = std::min(count, max);
    const int old = RecordCount();
    SetBufferCount(std::max(count, 1));
    if (RecordCount() != old && (FGrid->GetOptionsEx() & dgTotalFields))
        FGrid->LayoutChanged();
    FGrid->TotalsChanged(trTotalField, nullptr);
}

void TZTotalDataLink::ActiveChanged()
{
    if (!FGrid)
        return;
    if (Active() && DataSet()->IsUniDirectional())
        DatabaseError(SDataSetUnidirectional, DataSet());
    FGrid->SetTotalFieldsUnbound();
    if (Active())
        UpdateRows();
    if (FGrid->GetOptionsEx() & dgTotalFields)
        FGrid->LayoutChanged();
}

void TZTotalDataLink::DataSetChanged()
{
    if (FGrid && !FGrid->UpdateInProgress())
        UpdateRows();
}

void TZTotalDataLink::DataSetScrolled(int /*Distance*/)
{
    if (FGrid && !FGrid->UpdateInProgress())
        UpdateRows();
}

void TZTotalDataLink::RecordChanged(TField* Field)
{
    if (FGrid)
        FGrid->TotalsChanged(trTotalField, Field);
}

// ===========================================================================
// The grid's calculation

void TZCustomDBGrid::UpdateTotals(bool Auto)
{
    if (!FTotals || IsLoading() || IsDestroying() || UpdateInProgress())
        return;
    if (Auto && !(FOptionsEx & dgAutoUpdateTotals))
        return;
    if (!FTotals->GetCalcValues())
        return;
    if (!FTotals->GetActive() && !(FOptionsEx & dgCalcInvisibleRows))
        return;
    if (FOptionsEx & dgDelayUpdateTotals) {
        if (DelayPending(duTotals) || DelayUpdate(duTotals))
            return;
    }
    UpdateCalcValues(false);
}

void TZCustomDBGrid::DelayUpdateTotals()
{
    UpdateCalcValues(false);
}

bool TZCustomDBGrid::DoCalcValues(TCalcPass Pass, bool Selected)
{
    TDataSet* ds = DataSet();
    if (Pass == cpCalcRec && !TotalCalcQuery(ds))
        return false;
    FRecordValues.clear();
    FRecordNumbers.clear();
    if (Pass == cpCalcRec && FCalcTotalsFixed) {
        bool any = false;
        for (size_t i = 0; i < FCalcFields.size(); ++i) {
            TTotalNumber& number = FCalcNumbers[i];
            if (!ReadTotalNumber(FCalcFields[i], number))
                number.Kind = TTotalNumber::nkNone;
            TCalcFieldTotals& shared = FCalcShared[i];
            if (shared.Totals.empty())
                continue;
            any = true;
            if (!shared.Taken && shared.Stats.Take(number))
                continue;
            // A null, another kind or an overflow: from here on each total takes in
            // the field's values itself, from what was taken in so far.
            if (!shared.Taken)
                HandOverStats(shared);
            for (TZColumnTotalValue* total : shared.Totals)
                total->DoCalcValue(cpCalcRec);
        }
        for (TZColumnTotalValue* total : FCalcTotals)
            any = total->DoCalcValue(cpCalcRec) || any;
        return any;
    }
    if (Pass == cpFinal)
        for (TCalcFieldTotals& shared : FCalcShared)
            if (!shared.Taken)
                HandOverStats(shared);
    FCalcShared.clear();
    FCalcFields.clear();
    if (Pass == cpReset) {
        FCalcRowsSelected = RowsSelected();
        // The totals that take in records, once for the walk when the current record
        // does not decide (it is asked only when it does).
        FCalcTotals.clear();
        FCalcTotalsFixed = true;
        ForEachCalcTotal(cpCalcRec, Selected, [this] { return FCalcTotalsFixed = false; },
                         [this](TZColumnTotalValue* Total) { FCalcTotals.push_back(Total); });
        if (!FCalcTotalsFixed)
            FCalcTotals.clear();
    } else if (Pass == cpFinal) {
        FCalcTotals.clear();
        FCalcTotalsFixed = false;
    }
    int currentSelected = -1; // looked up once, when a row kind needs it
    auto isCurrentSelected = [&] {
        if (currentSelected < 0) {
            const bool active = FDataLink->Active() && ds && !ds->IsEmpty();
            currentSelected = active && (FSelectedRows->CurrentRowSelected() ||
                                         (ColsSelected() && !RowsSelected()));
        }
        return currentSelected > 0;
    };
    bool any = false;
    ForEachCalcTotal(Pass, Selected, isCurrentSelected,
                     [&](TZColumnTotalValue* Total) { any = Total->DoCalcValue(Pass) || any; });
    // The fields the typed totals take in, read once a record into their slots.
    for (TZColumnTotalValue* total : FCalcTotals) {
        if (!total->FNumbers)
            continue;
        const auto found = std::find(FCalcFields.begin(), FCalcFields.end(), total->FField.data());
        total->FNumberSlot = int(found - FCalcFields.begin());
        if (found == FCalcFields.end())
            FCalcFields.push_back(total->FField.data());
    }
    FCalcNumbers.assign(FCalcFields.size(), TTotalNumber());
    // The totals of this very class over a field share the field's statistics
    // while its values are numbers; a descendant may take in values its own way.
    FCalcShared.resize(FCalcFields.size());
    std::erase_if(FCalcTotals, [this](TZColumnTotalValue* Total) {
        if (!Total->FNumbers || Total->FNumberSlot < 0 || typeid(*Total) != typeid(TZColumnTotalValue) ||
            Total->FCalcValue == cvCustom || !Total->AppliesToRecords(FCalcRowsSelected))
            return false;
        FCalcShared[size_t(Total->FNumberSlot)].Totals.push_back(Total);
        return true;
    });
    return any;
}

void TZCustomDBGrid::HandOverStats(TCalcFieldTotals& Shared)
{
    Shared.Taken = true;
    const TTotalFieldStats& stats = Shared.Stats;
    // Nothing taken in: the totals are as the reset left them, or hold what the
    // dataset computed for them (CalcWholeDataSetTotals).
    if (stats.Count == 0)
        return;
    for (TZColumnTotalValue* total : Shared.Totals) {
        if (!total->FNumbers)
            continue;
        total->FCount = stats.Count;
        switch (total->FCalcValue) {
        case cvSum:
        case cvAvg: total->FNumber = stats.Sum; break;
        case cvCount: total->FNumber = TTotalNumber{TTotalNumber::nkInt, stats.Count, 0}; break;
        case cvMax: total->FNumber = stats.Max; break;
        case cvMin: total->FNumber = stats.Min; break;
        case cvFirst: total->FNumber = stats.First; break;
        case cvLast: total->FNumber = stats.Last; break;
        case cvUnique: total->FNumber = stats.Unique; break;
        case cvCustom: break;
        }
    }
}

void TZCustomDBGrid::ForEachCalcTotal(TCalcPass Pass, bool Selected, const std::function<bool()>& CurrentSelected,
                                      const std::function<void(TZColumnTotalValue*)>& Fn)
{
    auto takesPart = [&](TZDBGridOptionEx Shown, TZDBGridOptionEx FollowsSelection) {
        if (!(FOptionsEx & Shown) && !(FOptionsEx & dgCalcInvisibleRows))
            return false;
        if (Selected)
            return bool(FOptionsEx & FollowsSelection);
        return !(FOptionsEx & FollowsSelection) || Pass != cpCalcRec || CurrentSelected();
    };
    const bool header = takesPart(dgTotalHeader, dgTotalHeaderSelected);
    const bool values = takesPart(dgTotalValues, dgTotalValuesSelected);
    const bool footer = takesPart(dgTotalFooter, dgTotalFooterSelected);
    for (int i = 0; i < FColumns->Count(); ++i) {
        TZColumn* column = FColumns->Items(i);
        if (header && column->TotalHeader())
            Fn(column->TotalHeader());
        if (values)
            for (int v = 0; v < column->TotalValuesCount(); ++v)
                Fn(column->TotalValues()->Items(v));
        if (footer && column->TotalFooter())
            Fn(column->TotalFooter());
    }
}

namespace {

// The accumulator and count the walk would leave a total, from the aggregates the
// dataset computed (All records, Values not null, the sum, minimum or maximum);
// false when they do not tell it.
bool AggregateAccumulator(const TZColumnTotalValue* Total, qint64 All, qint64 Values, const QVariant& Value,
                          QVariant& Acc, int& Count)
{
    const TNullValue nulls = Total->GetNullValue();
    Count = int(std::min<qint64>(nulls == nvExclude ? Values : All, std::numeric_limits<int>::max()));
    // Nulls read as zero take part in sums and extremes as the integer 0, as in the walk.
    const bool zeros = nulls == nvAsZero && All > Values;
    Acc = Value;
    if (Acc.isValid() && Total->FieldIsCurrency()) {
        Acc = Total->GetCalcValue() == cvSum || Total->GetCalcValue() == cvAvg
                  ? CurrencyVariant(TCurrencyValue{Acc.toLongLong()})
                  : CurrencyVariant(CurrencyOf(Acc.toDouble()));
    }
    switch (Total->GetCalcValue()) {
    case cvSum:
    case cvAvg:
        if (zeros && !Acc.isValid())
            Acc = QVariant(qlonglong(0));
        break;
    case cvCount:
        Acc = Count > 0 ? QVariant(qlonglong(Count)) : QVariant();
        break;
    case cvMax:
    case cvMin:
        if (zeros) {
            // Text or dates against the nulls' zero: the walk tells what that gives.
            if (Acc.isValid() && !IsNumeric(Acc))
                return false;
            const QVariant zero(qlonglong(0));
            const std::partial_ordering order = Acc.isValid() ? Compare(zero, Acc) : std::partial_ordering::less;
            // A zero value ties with the nulls' zero: which one the walk keeps (and so the
            // value's type and text) depends on which comes first.
            if (order == std::partial_ordering::equivalent)
                return false;
            if (!Acc.isValid() || (Total->GetCalcValue() == cvMax ? order > 0 : order < 0))
                Acc = zero;
        }
        break;
    default:
        break;
    }
    return true;
}

} // namespace

bool TZCustomDBGrid::CalcWholeDataSetTotals(bool Selected)
{
    TDataSet* ds = DataSet();
    // Handlers see every record, and selected rows make a record's part depend on it.
    if (!ds || OnTotalCalcQuery || OnTotalCalcValue || RowsSelected())
        return false;
    // What one total needs: indexes into the requests (-1 = none).
    struct TNeed {
        TZColumnTotalValue* Total;
        int All;    // the number of records
        int Values; // the number of non-null values
        int Value;  // the sum, minimum or maximum
    };
    std::vector<TAggregateRequest> requests;
    auto request = [&](TAggregateKind Kind, TField* Field, int Scale) {
        for (size_t i = 0; i < requests.size(); ++i)
            if (requests[i].Kind == Kind && requests[i].Field == Field && requests[i].Scale == Scale)
                return int(i);
        requests.push_back({Kind, Field, Scale});
        return int(requests.size()) - 1;
    };
    std::vector<TNeed> needs;
    bool plain = true;
    // No row is selected: whether the record counts as selected is the same for all.
    const bool colsSelected = ColsSelected();
    ForEachCalcTotal(cpCalcRec, Selected, [&] { return colsSelected; }, [&](TZColumnTotalValue* Total) {
        if (!plain || Total->GetTotalResult() != trCalcValue || !Total->AppliesToRecords(false))
            return;
        TField* field = Total->GetField();
        TNeed need{Total, request(akCount, nullptr, 0), -1, -1};
        need.Values = field ? request(akCount, field, 0) : need.All;
        switch (Total->GetCalcValue()) {
        case cvSum:
        case cvAvg:
            if (field)
                need.Value = request(akSum, field, Total->FieldIsCurrency() ? CurrencyScale : 0);
            break;
        case cvCount:
            break;
        case cvMax:
        case cvMin:
            // Including nulls, a null on the first record decides: only the walk knows.
            if (Total->GetNullValue() == nvInclude)
                plain = false;
            else if (field)
                need.Value = request(Total->GetCalcValue() == cvMax ? akMax : akMin, field, 0);
            break;
        default:
            plain = false;
        }
        needs.push_back(need);
    });
    if (!plain)
        return false;
    std::vector<QVariant> results;
    if (!needs.empty() && !ds->CalcAggregates(requests, results))
        return false;
    std::vector<std::pair<QVariant, int>> accumulators(needs.size());
    for (size_t i = 0; i < needs.size(); ++i) {
        const TNeed& need = needs[i];
        if (!AggregateAccumulator(need.Total, results[size_t(need.All)].toLongLong(),
                                  results[size_t(need.Values)].toLongLong(),
                                  need.Value < 0 ? QVariant() : results[size_t(need.Value)], accumulators[i].first,
                                  accumulators[i].second))
            return false;
    }
    for (size_t i = 0; i < needs.size(); ++i)
        needs[i].Total->SetAccumulator(accumulators[i].first, accumulators[i].second);
    return true;
}


void TZCustomDBGrid::UpdateCalcValues(bool Selected)
{
    if (FCalculatingTotals || !FTotals || !FColumns)
        return;
    TDataSet* ds = DataSet();
    const bool active = FDataLink->Active() && ds;
    if (active && ds->State() != dsBrowse)
        return;
    {
        TCalcMark mark(FCalculatingTotals);
        if (!FTotals->GetCalcValues()) {
            if (Selected)
                SetOptionsEx(FOptionsEx);
            return;
        }
        if (DoCalcValues(cpReset, Selected) && active && !ds->IsEmpty()) {
            ds->CheckBrowseMode();
            TZWalkGuard walk(this);
            const bool rows = RowsSelected();
            const bool allRows = Selected && ColsSelected() && !rows;
            bool wholeDataSet = allRows;
            if (!allRows) {
                if (Selected || ((FOptionsEx & dgCalcSelectedRows) && (!(FOptionsEx & dgCalcWholeDataSet) || rows))) {
                    for (int i = 0; i < FSelectedRows->Count(); ++i) {
                        const TBookmark bookmark = FSelectedRows->Items(i);
                        if (!ds->BookmarkValid(bookmark))
                            continue;
                        ds->GotoBookmark(bookmark);
                        DoCalcValues(cpCalcRec, Selected);
                    }
                } else {
                    wholeDataSet = bool(FOptionsEx & dgCalcWholeDataSet);
                }
            }
            if (wholeDataSet && !CalcWholeDataSetTotals(Selected))
                for (ds->First(); !ds->Eof(); ds->Next())
                    DoCalcValues(cpCalcRec, Selected);
        }
        DoCalcValues(cpFinal, Selected);
    }
    if (Selected)
        SetOptionsEx(FOptionsEx);
    TotalsUpdated();
}

QVariant TZCustomDBGrid::TotalFieldValue(TField* Field)
{
    for (const auto& [field, value] : FRecordValues)
        if (field == Field)
            return value;
    FRecordValues.emplace_back(Field, Field->GetValue());
    return FRecordValues.back().second;
}

bool TZCustomDBGrid::TotalFieldNumber(TField* Field, TTotalNumber& Value)
{
    for (const auto& [field, number] : FRecordNumbers)
        if (field == Field) {
            Value = number;
            return true;
        }
    if (!ReadTotalNumber(Field, Value))
        return false;
    FRecordNumbers.emplace_back(Field, Value);
    return true;
}

bool TZCustomDBGrid::ReadTotalNumber(TField* Field, TTotalNumber& Value)
{
    bool isNull = false;
    if (IsIntegerFieldType(Field->DataType()) && Field->ReadInt(Value.Int, isNull)) {
        Value.Kind = isNull ? TTotalNumber::nkNull : TTotalNumber::nkInt;
    } else if (IsFloatFieldType(Field->DataType()) && Field->ReadFloat(Value.Float, isNull)) {
        Value.Kind = isNull ? TTotalNumber::nkNull : TTotalNumber::nkFloat;
    } else {
        const QVariant v = TotalFieldValue(Field);
        if (!v.isValid() || v.isNull())
            Value.Kind = TTotalNumber::nkNull;
        else if (IsInteger(v) && v.typeId() != QMetaType::ULongLong)
            Value = TTotalNumber{TTotalNumber::nkInt, v.toLongLong(), 0};
        else if (IsFloat(v))
            Value = TTotalNumber{TTotalNumber::nkFloat, 0, v.toDouble()};
        else
            return false;
    }
    return true;
}

bool TZCustomDBGrid::TotalCalcQuery(TDataSet* DataSet)
{
    bool accept = true;
    if (OnTotalCalcQuery)
        OnTotalCalcQuery(this, DataSet, accept);
    return accept;
}

void TZCustomDBGrid::TotalCalcValue(TZColumnTotalValue* Total, TCalcPass Pass, QVariant& Value)
{
    if (OnTotalCalcValue)
        OnTotalCalcValue(Total, Pass, Value);
}

QString TZCustomDBGrid::TotalGetText(TZColumn* Column, int Index, const QString& Text, TTextKind Kind)
{
    QString result = Text;
    if (OnTotalGetText)
        OnTotalGetText(this, Column, Index, result, Kind);
    return result;
}

void TZCustomDBGrid::TotalsUpdated()
{
    if (OnTotalsUpdated)
        OnTotalsUpdated(this);
}

QString TZCustomDBGrid::GetTotalText(TZColumn* Column, int Index, TTextKind Kind)
{
    TZColumnTotal* total = Column ? Column->GetTotalRows(Index) : nullptr;
    if (!total || !total->GetVisible())
        return QString();
    if (total->GetTotalResult() == trTotalField && FTotalDataLink && FTotalDataLink->Active()) {
        int record = total == Column->TotalFields()
                         ? Index - FTotalHeaderRowCount - FTotalValuesRowCount
                         : static_cast<TZColumnTotalValue*>(total)->GetTotalRecNo() - 1;
        QString text;
        if (record >= 0 && record < FTotalDataLink->RecordCount()) {
            TZActiveRecordGuard guard(FTotalDataLink.get(), record);
            if (TField* field = total->GetField())
                text = field->DisplayText();
        }
        return TotalGetText(Column, Index, text, Kind);
    }
    return TotalGetText(Column, Index, total->GetDisplayText(), Kind);
}

void TZCustomDBGrid::TotalsChanged(TTotalResult TotalResult, TField* /*Field*/)
{
    if (IsLoading() || IsDestroying() || !FTotals || !FTotals->GetActive() || TotalResult == trNone)
        return;
    if (TotalResult == trCaption)
        LayoutChanged();
    else
        InvalidateTotalRows();
}

void TZCustomDBGrid::InvalidateTotalRows()
{
    if (IsDestroying())
        return;
    const int first = GetRowCount() - FBottomRowCount;
    for (int r = std::max(first, 0); r < GetRowCount(); ++r)
        InvalidateRow(r);
}

void TZCustomDBGrid::SetTotalFieldsUnbound()
{
    if (FColumns)
        for (int i = 0; i < FColumns->Count(); ++i)
            FColumns->Items(i)->ClearTotalFields();
}

} // namespace zdb
