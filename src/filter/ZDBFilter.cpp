#include "ZDBFilter.h"

#include "DBError.h"
#include "SysUtils.h"
#include "ZDBGridOrder.h"
#include "ZDBGrids.h"
#include "ZDBTranslate.h"

#include <exception>

namespace zdb {

// ---- Captions and formats -------------------------------------------------

QString SFilterCaption0;
QString SFilterCaption1 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "contains"));
QString SFilterCaption2 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "does not contain"));
QString SFilterCaption3 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "starts from"));
QString SFilterCaption4 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "does not start from"));
QString SFilterCaption5 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "ends with"));
QString SFilterCaption6 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "does not end with"));
QString SFilterCaption7 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "is equal"));
QString SFilterCaption8 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "is not equal"));
QString SFilterCaption9 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "is greater then"));
QString SFilterCaption10 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "is greater then or equal"));
QString SFilterCaption11 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "is less then"));
QString SFilterCaption12 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "is less then or equal"));
QString SFilterCaption13 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "is on the list"));
QString SFilterCaption14 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "is not on the list"));
QString SFilterCaption15 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "is empty"));
QString SFilterCaption16 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "is not empty"));

QString SFilterFormat0;
QString SFilterFormat1 = QStringLiteral("%0:s LIKE '%2:s%1:s%2:s'");
QString SFilterFormat2 = QStringLiteral("NOT %0:s LIKE '%2:s%1:s%2:s'");
QString SFilterFormat3 = QStringLiteral("%0:s LIKE '%1:s%2:s'");
QString SFilterFormat4 = QStringLiteral("NOT %0:s LIKE '%1:s%2:s'");
QString SFilterFormat5 = QStringLiteral("%0:s LIKE '%2:s%1:s'");
QString SFilterFormat6 = QStringLiteral("NOT %0:s LIKE '%2:s%1:s'");
QString SFilterFormat7 = QStringLiteral("%0:s = %1:s");
QString SFilterFormat8 = QStringLiteral("%0:s <> %1:s");
QString SFilterFormat9 = QStringLiteral("%0:s > %1:s");
QString SFilterFormat10 = QStringLiteral("%0:s >= %1:s");
QString SFilterFormat11 = QStringLiteral("%0:s < %1:s");
QString SFilterFormat12 = QStringLiteral("%0:s <= %1:s");
QString SFilterFormat13 = QStringLiteral("%0:s IN (%1:s)");
QString SFilterFormat14 = QStringLiteral("NOT %0:s IN (%1:s)");
QString SFilterFormat15 = QStringLiteral("%0:s IS NULL");
QString SFilterFormat16 = QStringLiteral("%0:s IS NOT NULL");

QString SADOFilterFormat15 = QStringLiteral("%0:s = NULL");
QString SADOFilterFormat16 = QStringLiteral("%0:s <> NULL");

QString SWildcardCharacter1 = QStringLiteral("_");
QString SWildcardCharacter2 = QStringLiteral("%");
QString SFilterDecimalSeparator = QStringLiteral(".");

const std::array<QString*, FilterClauseCount> FilterCaptions = {
    &SFilterCaption0,  &SFilterCaption1,  &SFilterCaption2,  &SFilterCaption3,  &SFilterCaption4,
    &SFilterCaption5,  &SFilterCaption6,  &SFilterCaption7,  &SFilterCaption8,  &SFilterCaption9,
    &SFilterCaption10, &SFilterCaption11, &SFilterCaption12, &SFilterCaption13, &SFilterCaption14,
    &SFilterCaption15, &SFilterCaption16};

const std::array<QString*, FilterClauseCount> FilterFormats = {
    &SFilterFormat0,  &SFilterFormat1,  &SFilterFormat2,  &SFilterFormat3,  &SFilterFormat4,
    &SFilterFormat5,  &SFilterFormat6,  &SFilterFormat7,  &SFilterFormat8,  &SFilterFormat9,
    &SFilterFormat10, &SFilterFormat11, &SFilterFormat12, &SFilterFormat13, &SFilterFormat14,
    &SFilterFormat15, &SFilterFormat16};

QString FilterCaption(TZDBGridFilterClause Clause)
{
    return Tr(*FilterCaptions[std::size_t(Clause)]);
}

QString FilterFormat(TZDBGridFilterClause Clause, bool ADO)
{
    if (ADO && Clause == fcIsEmpty)
        return SADOFilterFormat15;
    if (ADO && Clause == fcIsNotEmpty)
        return SADOFilterFormat16;
    return *FilterFormats[std::size_t(Clause)];
}

bool IsLikeClause(TZDBGridFilterClause Clause)
{
    return Clause >= fcContains && Clause <= fcDoesNotEndWith;
}

bool IsListClause(TZDBGridFilterClause Clause)
{
    return Clause == fcIsOnTheList || Clause == fcIsNotOnTheList;
}

// ---- Dataset kinds --------------------------------------------------------

QString ADOClassNames = QStringLiteral("TADOTable.TADOQuery.TADODataSet.");
QString BDEClassNames = QStringLiteral("TTable.TQuery.");
QString CDSClassNames = QStringLiteral(
    "TClientDataSet.TSimpleDataSet.TBDEClientDataSet.TIBClientDataSet.TSQLClientDataSet.TpFIBClientDataSet.");
QString FDXClassNames = QStringLiteral("TFDTable.TFDQuery.TFDMemTable.TADTable.TADQuery.TADMemTable.");

bool IsDataSetOfKind(const TDataSet* DataSet, const QString& ClassNames)
{
    if (!DataSet)
        return false;
    const QString name = PlainClassName(DataSet->metaObject());
    // A whole entry of the list: "TQuery" is not found in "TADOQuery.".
    QString list = QLatin1Char('.') + ClassNames;
    if (!list.endsWith(QLatin1Char('.')))
        list += QLatin1Char('.');
    return !name.isEmpty() && list.contains(QLatin1Char('.') + name + QLatin1Char('.'));
}

bool IsADODataSet(const TDataSet* DataSet) { return IsDataSetOfKind(DataSet, ADOClassNames); }
bool IsBDEDataSet(const TDataSet* DataSet) { return IsDataSetOfKind(DataSet, BDEClassNames); }
bool IsCDSDataSet(const TDataSet* DataSet) { return IsDataSetOfKind(DataSet, CDSClassNames); }
bool IsFDXDataSet(const TDataSet* DataSet) { return IsDataSetOfKind(DataSet, FDXClassNames); }

// ---- Rules per dataset kind and field type --------------------------------

TZDBGridFilterClauses GetFilterClauses(TZDBGridFilterClauses Clauses, const TDataSet* DataSet)
{
    if (IsADODataSet(DataSet))
        Clauses = Clauses - TZDBGridFilterClauses{fcDoesNotContain, fcDoesNotStartFrom, fcEndsWith,
                                                  fcDoesNotEndWith, fcIsOnTheList, fcIsNotOnTheList};
    if (IsBDEDataSet(DataSet))
        Clauses = Clauses - TZDBGridFilterClauses{fcContains, fcDoesNotContain, fcStartsFrom, fcDoesNotStartFrom,
                                                  fcEndsWith, fcDoesNotEndWith, fcIsOnTheList, fcIsNotOnTheList};
    return Clauses;
}

QString GetDecimalSeparator(const TDataSet* DataSet, bool UseLocale, const QString& LocaleDecimal)
{
    if (IsBDEDataSet(DataSet) || IsCDSDataSet(DataSet))
        return LocaleDecimal;
    if (IsADODataSet(DataSet) || IsFDXDataSet(DataSet))
        return SFilterDecimalSeparator;
    return UseLocale ? LocaleDecimal : SFilterDecimalSeparator;
}

bool IsFloatFilterType(TFieldType DataType)
{
    switch (DataType) {
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
    case ftExtended:
    case ftSingle:
        return true;
    default:
        return false;
    }
}

bool IsQuotedFilterType(TFieldType DataType)
{
    switch (DataType) {
    case ftString:
    case ftDate:
    case ftTime:
    case ftDateTime:
    case ftFixedChar:
    case ftWideString:
    case ftGuid:
    case ftTimeStamp:
    case ftFixedWideChar:
    case ftTimeStampOffset:
        return true;
    default:
        return false;
    }
}

QChar GetDelimiterChar(TFieldType DataType, QChar ColumnDelimiter, const QString& LocaleDecimal)
{
    switch (DataType) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftGuid:
    case ftFixedWideChar:
        return ColumnDelimiter;
    default:
        if (IsFloatFilterType(DataType) && LocaleDecimal == QLatin1String(","))
            return QLatin1Char(' ');
        return QLatin1Char(',');
    }
}

TField* GetFilterField(const TZColumn* Column)
{
    TZCustomDBGrid* grid = Column ? Column->Grid() : nullptr;
    TDataSet* dataSet = grid && grid->DataLink() ? grid->DataLink()->DataSet() : nullptr;
    return dataSet ? dataSet->FindField(Column->GetKeyField()) : nullptr;
}

QString GetFilterFieldName(const QString& FieldName)
{
    return FieldName.contains(QLatin1Char(' ')) ? QLatin1Char('[') + FieldName + QLatin1Char(']') : FieldName;
}

TZFilterRules FilterRules(const TZColumn* Column)
{
    TZFilterRules rules;
    if (!Column)
        return rules;
    rules.Field = GetFilterField(Column);
    const TDataSet* dataSet = rules.Field ? rules.Field->DataSet() : nullptr;
    rules.DataType = rules.Field ? rules.Field->DataType() : ftUnknown;
    rules.FieldName = GetFilterFieldName(rules.Field ? rules.Field->GetFieldName() : Column->GetKeyField());
    rules.ADO = IsADODataSet(dataSet);
    rules.LocaleDecimal = dataSet ? dataSet->Locale().decimalPoint() : QLocale().decimalPoint();
    const TZDBGridFilter* filter = Column->Grid() ? Column->Grid()->FilterGrid() : nullptr;
    rules.Decimal = GetDecimalSeparator(dataSet, filter && filter->GetDecimalSeparator(), rules.LocaleDecimal);
    rules.Delimiter = GetDelimiterChar(rules.DataType, Column->GetDelimiterChar(), rules.LocaleDecimal);
    return rules;
}

namespace {

// Replaces From by To in Text until no From is left (To is shorter than From).
void ReplaceAll(QString& Text, const QString& From, const QString& To)
{
    while (Text.contains(From))
        Text.replace(From, To);
}

// Whether Value can stand in the expression as the literal it is meant to be.
// Quoted values (and LIKE patterns) must not hold the quote that would end them;
// numbers and booleans are written bare, so they may hold nothing but a number
// (or true/false) per list item: anything else would become part of the expression.
bool IsLiteralFilterValue(TZDBGridFilterClause Clause, const QString& Value, const TZFilterRules& Rules)
{
    if (IsQuotedFilterType(Rules.DataType) || IsLikeClause(Clause))
        return !Value.contains(QLatin1Char('\''));
    const bool number = IsIntegerFieldType(Rules.DataType) || IsFloatFilterType(Rules.DataType);
    if (!number && Rules.DataType != ftBoolean)
        return true;
    static const QRegularExpression numbers(QStringLiteral(R"(^[-+]?[0-9]*[.,]?[0-9]+([eE][-+]?[0-9]+)?$)"));
    static const QRegularExpression booleans(QStringLiteral("^(true|false|[01])$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QRegularExpression& item = number ? numbers : booleans;
    // List items are separated by the delimiter, "," or blanks; decimal commas stay inside items.
    const QStringList items = Value.split(QRegularExpression(QStringLiteral("[\\s%1]+|,(?![0-9])|(?<![0-9]),")
                                                                 .arg(QRegularExpression::escape(QString(Rules.Delimiter)))),
                                          Qt::SkipEmptyParts);
    if (items.isEmpty())
        return false;
    for (const QString& text : items)
        if (!item.match(text).hasMatch())
            return false;
    return true;
}

} // namespace

QString CheckFilterText(TZDBGridFilterClause Clause, const QString& Value, const TZFilterRules& Rules)
{
    const QString d(Rules.Delimiter);
    const QString space = QStringLiteral(" ");
    const bool list = IsListClause(Clause);
    QString text = Value;
    if (list) {
        ReplaceAll(text, d + space, d);
        ReplaceAll(text, space + d, d);
    }
    if (IsQuotedFilterType(Rules.DataType)) {
        if (list) {
            QStringList items = text.split(d);
            text = items.join(QStringLiteral("','"));
        }
        // LIKE clauses are quoted by their formats.
        if (Clause >= fcIsEqual && Clause <= fcIsNotOnTheList)
            text = QLatin1Char('\'') + text + QLatin1Char('\'');
        return text;
    }
    if (IsFloatFilterType(Rules.DataType)) {
        const QString& l = Rules.LocaleDecimal;
        const QString& s = Rules.Decimal;
        const QString comma = QStringLiteral(",");
        auto replaceDecimal = [&] {
            if (!l.isEmpty() && s != l)
                text.replace(l, s);
        };
        if (!list) {
            replaceDecimal();
        } else if (l != comma || d != space) {
            replaceDecimal();
            text.replace(d, comma);
        } else {
            // Items separated by blanks, their decimals by ",": gather the separators
            // into single blanks before the decimals change.
            ReplaceAll(text, QStringLiteral(" ,"), d);
            ReplaceAll(text, QStringLiteral(", "), d);
            ReplaceAll(text, QStringLiteral("  "), d);
            replaceDecimal();
            text.replace(d, s == comma ? QStringLiteral(", ") : comma);
        }
    }
    return text;
}

// ---- The filter form's expression -----------------------------------------

TZDBGridFilterClause FilterClauseOfText(const QString& Text)
{
    bool ok = false;
    const int number = Text.trimmed().toInt(&ok);
    const auto clause = ok ? CheckedEnum<TZDBGridFilterClause>(number) : std::nullopt;
    return clause.value_or(fcNoFilter);
}

QString BuildFilterExpression(TZFilterFormState& State, const TZFilterRules& Rules)
{
    auto takesNoValue = [](TZDBGridFilterClause Clause) {
        return Clause == fcNoFilter || Clause == fcIsEmpty || Clause == fcIsNotEmpty;
    };
    auto clause = [&](const QString& ClauseText, QString& ValueText) {
        TZDBGridFilterClause c = FilterClauseOfText(ClauseText);
        if (takesNoValue(c))
            ValueText.clear();
        else if (ValueText.trimmed().isEmpty())
            c = fcNoFilter;
        return c;
    };
    const TZDBGridFilterClause clause1 = clause(State.ClauseList1Text, State.ValuesList1Text);
    const TZDBGridFilterClause clause2 = clause(State.ClauseList2Text, State.ValuesList2Text);
    bool literal = true;
    auto format = [&](TZDBGridFilterClause Clause, const QString& ValueText) {
        const QString value = CheckFilterText(Clause, ValueText.trimmed(), Rules);
        if (!takesNoValue(Clause) && !IsLiteralFilterValue(Clause, ValueText.trimmed(), Rules))
            literal = false;
        return Format(FilterFormat(Clause, Rules.ADO), {Rules.FieldName, value, SWildcardCharacter2});
    };
    QString expression;
    if (clause1 != fcNoFilter)
        expression = format(clause1, State.ValuesList1Text);
    if (clause1 != fcNoFilter && clause2 != fcNoFilter)
        expression += State.RadioButton1Checked ? QStringLiteral(" AND ") : QStringLiteral(" OR ");
    if (clause2 != fcNoFilter)
        expression += format(clause2, State.ValuesList2Text);
    if (!expression.isEmpty() && State.NOTCheckBoxChecked)
        expression = QStringLiteral("NOT (%1)").arg(expression);
    if (!literal)
        DatabaseErrorFmt(SInvalidFilterExpression, {expression});
    return expression;
}

QStringList FilterFormData(const TZFilterFormState& State, const QString& Expression)
{
    if (Expression.isEmpty())
        return {};
    auto flag = [](bool Value) { return Value ? QStringLiteral("1") : QStringLiteral("0"); };
    return {QStringLiteral("ClauseList1Text=") + State.ClauseList1Text,
            QStringLiteral("ClauseList2Text=") + State.ClauseList2Text,
            QStringLiteral("ValuesList1Text=") + State.ValuesList1Text,
            QStringLiteral("ValuesList2Text=") + State.ValuesList2Text,
            QStringLiteral("PeriodListText=") + State.PeriodListText,
            QStringLiteral("RadioButton1Checked=") + flag(State.RadioButton1Checked),
            QStringLiteral("RadioButton2Checked=") + flag(State.RadioButton2Checked),
            QStringLiteral("NOTCheckBoxChecked=") + flag(State.NOTCheckBoxChecked)};
}

TZFilterFormState ExpandFilterKeys(const TZFilterFormState& State, const TZFilterKeysOf& KeysOf, QChar Delimiter)
{
    TZFilterFormState result = State;
    if (!KeysOf)
        return result;
    const auto expand = [&](QString& ClauseText, QString& ValueText) {
        const TZDBGridFilterClause clause = FilterClauseOfText(ClauseText);
        const bool list = IsListClause(clause);
        if (!list && clause != fcIsEqual && clause != fcIsNotEqual)
            return;
        QStringList keys;
        for (const QString& item : list ? ValueText.split(Delimiter) : QStringList{ValueText}) {
            const QString value = item.trimmed();
            if (!value.isEmpty())
                for (const QString& key : KeysOf(value))
                    if (!keys.contains(key))
                        keys << key;
        }
        if (keys.isEmpty() || (!list && keys.size() == 1))
            return;
        if (!list)
            ClauseText = QString::number(clause == fcIsEqual ? fcIsOnTheList : fcIsNotOnTheList);
        ValueText = keys.join(Delimiter);
    };
    expand(result.ClauseList1Text, result.ValuesList1Text);
    expand(result.ClauseList2Text, result.ValuesList2Text);
    return result;
}

QStringList SaveFilterForm(TZColumn* Column, TZFilterFormState& State, const TZFilterKeysOf& KeysOf)
{
    if (!Column)
        return {};
    const TZFilterRules rules = FilterRules(Column);
    TZFilterFormState applied = ExpandFilterKeys(State, KeysOf, rules.Delimiter);
    const QString expression = BuildFilterExpression(applied, rules);
    // A clause that takes no value had its value cleared.
    if (applied.ValuesList1Text.isEmpty())
        State.ValuesList1Text.clear();
    if (applied.ValuesList2Text.isEmpty())
        State.ValuesList2Text.clear();
    const QString previousText = Column->GetFilterText();
    const QStringList previousList = Column->GetFilterList();
    try {
        // Text and list change together: the dataset is filtered once, when the bracket ends.
        TZFilterChangeGuard change(Column->Grid() ? Column->Grid()->FilterGrid() : nullptr);
        change.SetChanged(true);
        Column->SetFilterText(expression);
        if (!expression.isEmpty())
            Column->SetFilterList({});
    } catch (const std::exception&) {
        // The previous filter was accepted before; should it be refused now, the
        // refusal of the new one is still what the user is told.
        try {
            Column->SetFilterText(previousText);
            Column->SetFilterList(previousList);
        } catch (const std::exception&) {
        }
        DatabaseErrorFmt(SInvalidFilterExpression, {expression});
    }
    return FilterFormData(State, expression);
}

} // namespace zdb
