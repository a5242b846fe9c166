// Report totals: statistics per field, taken from the dataset's own aggregates
// or from the records, the total expressions and the texts.

#include "ZDBGridReportTotals.h"

#include "DB.h"
#include "DBError.h"
#include "SysUtils.h"
#include "ZDBGrids.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace zdb {

bool ReportNumericField(const TField* Field)
{
    return Field && (IsIntegerFieldType(Field->DataType()) || IsFloatFieldType(Field->DataType()));
}

namespace {

bool AddsUp(const QVariant& Value)
{
    switch (Value.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Long: case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

bool Less(const QVariant& A, const QVariant& B)
{
    if (AddsUp(A) && AddsUp(B))
        return A.toDouble() < B.toDouble();
    return QVariant::compare(A, B) == QPartialOrdering::Less;
}

} // namespace

void TZReportFieldStats::Add(const QVariant& Value, bool Integer)
{
    if (!Value.isValid() || Value.isNull())
        return;
    ++Count;
    if (AddsUp(Value)) {
        Sum += Value.toDouble();
        if (Integer && IntExact && __builtin_add_overflow(IntSum, Value.toLongLong(), &IntSum))
            IntExact = false;
    }
    if (!Min.isValid() || Less(Value, Min))
        Min = Value;
    if (!Max.isValid() || Less(Max, Value))
        Max = Value;
}

// ---- Expressions ------------------------------------------------------------------------------

enum TExprFunc { efNone, efSum, efAvg, efCount, efMin, efMax };

struct TZReportExpr {
    QChar Op;            // '+', '-', '*', '/', 'n' (number), 'f' (function), '~' (negation)
    double Number = 0;
    TExprFunc Func = efNone;
    TField* Field = nullptr; // none: COUNT() of the records
    std::unique_ptr<TZReportExpr> Left, Right;
};

namespace {

class TExprParser
{
public:
    TExprParser(const QString& Text, TDataSet* DataSet) : FText(Text), FDataSet(DataSet) {}

    std::unique_ptr<TZReportExpr> Parse()
    {
        auto result = Expr();
        Skip();
        if (FPos < FText.size())
            Fail();
        return result;
    }

private:
    [[noreturn]] void Fail() const
    {
        DatabaseErrorFmt(QStringLiteral("Invalid report total expression '%s' at position %d"),
                         {FText, int(FPos) + 1});
    }
    void Skip()
    {
        while (FPos < FText.size() && FText[FPos].isSpace())
            ++FPos;
    }
    bool Take(QChar C)
    {
        Skip();
        if (FPos < FText.size() && FText[FPos] == C) {
            ++FPos;
            return true;
        }
        return false;
    }
    static std::unique_ptr<TZReportExpr> Node(QChar Op, std::unique_ptr<TZReportExpr> L,
                                              std::unique_ptr<TZReportExpr> R)
    {
        auto node = std::make_unique<TZReportExpr>();
        node->Op = Op;
        node->Left = std::move(L);
        node->Right = std::move(R);
        return node;
    }
    std::unique_ptr<TZReportExpr> Expr()
    {
        auto left = Term();
        for (;;) {
            if (Take(u'+'))
                left = Node(u'+', std::move(left), Term());
            else if (Take(u'-'))
                left = Node(u'-', std::move(left), Term());
            else
                return left;
        }
    }
    std::unique_ptr<TZReportExpr> Term()
    {
        auto left = Factor();
        for (;;) {
            if (Take(u'*'))
                left = Node(u'*', std::move(left), Factor());
            else if (Take(u'/'))
                left = Node(u'/', std::move(left), Factor());
            else
                return left;
        }
    }
    std::unique_ptr<TZReportExpr> Factor()
    {
        if (++FDepth > 256)
            Fail();
        struct TDepth { int& D; ~TDepth() { --D; } } depth{FDepth};
        if (Take(u'-'))
            return Node(u'~', Factor(), nullptr);
        if (Take(u'(')) {
            auto inner = Expr();
            if (!Take(u')'))
                Fail();
            return inner;
        }
        Skip();
        static const QRegularExpression number(QStringLiteral("\\G\\d+(\\.\\d+)?([eE][-+]?\\d+)?"));
        if (const auto m = number.match(FText, FPos, QRegularExpression::NormalMatch,
                                        QRegularExpression::AnchorAtOffsetMatchOption);
            m.hasMatch()) {
            auto node = Node(u'n', nullptr, nullptr);
            node->Number = m.captured().toDouble();
            FPos += m.capturedLength();
            return node;
        }
        static const QRegularExpression name(QStringLiteral("\\G[A-Za-z_]\\w*"));
        const auto m = name.match(FText, FPos, QRegularExpression::NormalMatch,
                                  QRegularExpression::AnchorAtOffsetMatchOption);
        if (!m.hasMatch())
            Fail();
        static const QStringList funcs{QStringLiteral("SUM"), QStringLiteral("AVG"), QStringLiteral("COUNT"),
                                       QStringLiteral("MIN"), QStringLiteral("MAX")};
        const int func = int(funcs.indexOf(m.captured().toUpper()));
        if (func < 0)
            Fail();
        FPos += m.capturedLength();
        if (!Take(u'('))
            Fail();
        auto node = Node(u'f', nullptr, nullptr);
        node->Func = TExprFunc(func + 1);
        Skip();
        QString fieldName;
        if (Take(u'[')) {
            const qsizetype end = FText.indexOf(u']', FPos);
            if (end < 0)
                Fail();
            fieldName = FText.mid(FPos, end - FPos);
            FPos = end + 1;
        } else if (const auto f = name.match(FText, FPos, QRegularExpression::NormalMatch,
                                             QRegularExpression::AnchorAtOffsetMatchOption);
                   f.hasMatch()) {
            fieldName = f.captured();
            FPos += f.capturedLength();
        }
        if (!Take(u')'))
            Fail();
        if (!fieldName.isEmpty()) {
            node->Field = FDataSet ? FDataSet->FindField(fieldName) : nullptr;
            if (!node->Field)
                DatabaseErrorFmt(QStringLiteral("Field '%s' not found in the report total expression '%s'"),
                                 {fieldName, FText});
        } else if (node->Func != efCount) {
            Fail();
        }
        return node;
    }

    const QString& FText;
    TDataSet* FDataSet;
    qsizetype FPos = 0;
    int FDepth = 0;
};

void CollectFields(const TZReportExpr* Expr, std::vector<TField*>& Fields)
{
    if (!Expr)
        return;
    if (Expr->Field && std::find(Fields.begin(), Fields.end(), Expr->Field) == Fields.end())
        Fields.push_back(Expr->Field);
    CollectFields(Expr->Left.get(), Fields);
    CollectFields(Expr->Right.get(), Fields);
}

QString NumberText(double Value, int Decimals, bool Grouping)
{
    QLocale locale;
    if (!Grouping)
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(Value, 'f', Decimals);
}

} // namespace

// ---- Totals -----------------------------------------------------------------------------------

TZDBGridReport::TTotals::TTotals(const std::vector<TZColumn*>& Columns) : FColumns(Columns)
{
    FExprs.resize(FColumns.size());
    for (size_t i = 0; i < FColumns.size(); ++i) {
        TZColumn* column = FColumns[i];
        TField* field = column->GetField();
        switch (column->Report()->GetTotalType()) {
        case ttSum: case ttAverage: case ttMin: case ttMax: case ttCount:
            if (field && std::find(FFields.begin(), FFields.end(), field) == FFields.end())
                FFields.push_back(field);
            break;
        case ttGrowExpression:
            FGrowing = true;
            [[fallthrough]];
        case ttExpression: {
            TZCustomDBGrid* grid = column->Grid();
            FExprs[i] = TExprParser(column->Report()->GetTotalText(), grid ? grid->DataSet() : nullptr).Parse();
            CollectFields(FExprs[i].get(), FFields);
            break;
        }
        default:
            break;
        }
    }
    FNeedsRecords = true;
}

TZDBGridReport::TTotals::~TTotals() = default;

bool TZDBGridReport::TTotals::FromDataSet(TDataSet* DataSet)
{
    if (!DataSet || FGrowing)
        return false;
    std::vector<TAggregateRequest> requests{{akCount, nullptr, 0}};
    for (TField* field : FFields) {
        requests.push_back({akCount, field, 0});
        if (!ReportNumericField(field))
            return false; // minima of texts and dates: the records tell
        requests.push_back({akSum, field, 0});
        requests.push_back({akMin, field, 0});
        requests.push_back({akMax, field, 0});
    }
    std::vector<QVariant> results;
    if (!DataSet->CalcAggregates(requests, results) || results.size() != requests.size())
        return false;
    FRecords = results[0].toLongLong();
    size_t r = 1;
    for (TField* field : FFields) {
        TZReportFieldStats stats;
        stats.Count = results[r++].toLongLong();
        const QVariant sum = results[r++];
        stats.Sum = sum.toDouble();
        stats.IntExact = sum.typeId() == QMetaType::LongLong;
        stats.IntSum = sum.toLongLong();
        stats.Min = results[r++];
        stats.Max = results[r++];
        FStats.insert(field, stats);
    }
    FNeedsRecords = false;
    return true;
}

void TZDBGridReport::TTotals::AddRecord()
{
    ++FRecords;
    for (TField* field : FFields)
        FStats[field].Add(field->GetValue(), IsIntegerFieldType(field->DataType()));
}

double TZDBGridReport::TTotals::Eval(const TZReportExpr& Expr, bool& Valid) const
{
    const auto side = [&](const std::unique_ptr<TZReportExpr>& E) { return E ? Eval(*E, Valid) : 0.0; };
    switch (Expr.Op.unicode()) {
    case 'n': return Expr.Number;
    case '~': return -side(Expr.Left);
    case '+': return side(Expr.Left) + side(Expr.Right);
    case '-': return side(Expr.Left) - side(Expr.Right);
    case '*': return side(Expr.Left) * side(Expr.Right);
    case '/': {
        const double l = side(Expr.Left), r = side(Expr.Right);
        if (r == 0) {
            Valid = false;
            return 0;
        }
        return l / r;
    }
    default: break;
    }
    if (!Expr.Field)
        return double(FRecords);
    const TZReportFieldStats stats = FStats.value(Expr.Field);
    switch (Expr.Func) {
    case efSum: return stats.Sum;
    case efCount: return double(stats.Count);
    case efAvg:
        if (stats.Count == 0)
            Valid = false;
        return stats.Count ? stats.Sum / double(stats.Count) : 0;
    case efMin: case efMax: {
        const QVariant v = Expr.Func == efMin ? stats.Min : stats.Max;
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok)
            Valid = false;
        return d;
    }
    default: return 0;
    }
}

QVariant TZDBGridReport::TTotals::Value(TZColumn* Column) const
{
    TField* field = Column->GetField();
    const TZReportFieldStats stats = field ? FStats.value(field) : TZReportFieldStats();
    const bool integer = field && IsIntegerFieldType(field->DataType());
    switch (Column->Report()->GetTotalType()) {
    case ttSum:
        if (!field || stats.Count == 0)
            return QVariant();
        if (integer && stats.IntExact)
            return stats.IntSum;
        return stats.Sum;
    case ttCount: return field ? stats.Count : FRecords;
    case ttMin: return stats.Min;
    case ttMax: return stats.Max;
    case ttAverage:
        return stats.Count ? QVariant(stats.Sum / double(stats.Count)) : QVariant();
    default: return QVariant();
    }
}

QStringList TZDBGridReport::TTotals::Texts(bool Running) const
{
    QStringList texts;
    for (size_t i = 0; i < FColumns.size(); ++i) {
        TZColumn* column = FColumns[i];
        const TZColumnReport* report = column->Report();
        const TTotalType type = report->GetTotalType();
        if (Running && type != ttGrowExpression) {
            texts << QString();
            continue;
        }
        switch (type) {
        case ttNone: texts << QString(); break;
        case ttText: texts << report->GetTotalText(); break;
        case ttExpression:
        case ttGrowExpression: {
            bool valid = true;
            const double value = FExprs[i] ? Eval(*FExprs[i], valid) : 0;
            texts << (valid && std::isfinite(value) ? FormatReportTotal(value, report->GetTotalMask(), nullptr)
                                                    : NullValueString);
            break;
        }
        case ttAverage: texts << FormatReportTotal(Value(column), report->GetTotalMask(), nullptr); break;
        case ttCount: texts << FormatReportTotal(Value(column), report->GetTotalMask(), nullptr); break;
        default: texts << FormatReportTotal(Value(column), report->GetTotalMask(), column->GetField()); break;
        }
    }
    return texts;
}

QString FormatReportTotal(const QVariant& Value, const QString& Mask, TField* Field)
{
    if (!Value.isValid() || Value.isNull())
        return NullValueString;
    const bool number = AddsUp(Value);
    if (!Mask.isEmpty() && number) {
        if (Mask.contains(u'%')) {
            try {
                return Format(Mask, {Value});
            } catch (const std::exception&) {
                return Value.toString();
            }
        }
        // A picture: literal text around digits, "," for grouping, "." before the decimals.
        static const QRegularExpression picture(QStringLiteral("[#0][#0,]*(\\.[#0]*)?"));
        const auto m = picture.match(Mask);
        if (m.hasMatch()) {
            const int decimals = m.captured(1).isEmpty() ? 0 : int(m.capturedLength(1)) - 1;
            const QString digits = NumberText(Value.toDouble(), decimals, m.captured().contains(u','));
            return Mask.left(m.capturedStart()) + digits + Mask.mid(m.capturedEnd());
        }
        return Mask;
    }
    if (Field) {
        try {
            return Field->EditTextOf(Value);
        } catch (const std::exception&) {
        }
    }
    if (Value.typeId() == QMetaType::Double || Value.typeId() == QMetaType::Float)
        return QLocale().toString(Value.toDouble(), 'f', 2);
    if (number)
        return QLocale().toString(Value.toLongLong());
    return Value.toString();
}

} // namespace zdb
