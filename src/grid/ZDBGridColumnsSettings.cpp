// Columns: the settings text (name=value lines) and the column stream (a JSON
// document of every stored property that differs from its default, plus the
// grid's order fields).

#include "ZDBGridColumns.h"
#include "ZDBGrids.h"
#include "ZDBSettingsStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringBuilder>
#include <QStringTokenizer>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <optional>
#include <type_traits>
#include <unordered_set>
#include <vector>

namespace zdb {

namespace {

// ---- JSON values of property types ------------------------------------------------

template <typename T>
struct IsEnumSet : std::false_type {};
template <typename E>
struct IsEnumSet<TEnumSet<E>> : std::true_type {
    using Member = E;
};

template <typename T>
QJsonValue ToJson(const T& Value)
{
    if constexpr (std::is_same_v<T, bool>)
        return Value;
    else if constexpr (std::is_enum_v<T>)
        return int(Value);
    else if constexpr (std::is_same_v<T, int>)
        return Value;
    else if constexpr (std::is_same_v<T, QString>)
        return Value;
    else if constexpr (std::is_same_v<T, QStringList>)
        return QJsonArray::fromStringList(Value);
    else if constexpr (std::is_same_v<T, QChar>)
        return QString(Value);
    else if constexpr (std::is_same_v<T, QFont>)
        return Value.toString();
    else {
        static_assert(IsEnumSet<T>::value, "unsupported property type");
        return qint64(Value.Bits());
    }
}

// The whole number Json holds; none for anything else (text, a fraction, a
// number too large to be exact).
std::optional<qint64> IntegerOf(const QJsonValue& Json)
{
    if (!Json.isDouble())
        return std::nullopt;
    const double number = Json.toDouble();
    constexpr double exactLimit = 9007199254740992.0; // 2^53
    if (!(std::fabs(number) <= exactLimit) || number != std::trunc(number))
        return std::nullopt;
    return qint64(number);
}

// Reads Json into Value; false (Value untouched) when Json does not hold the
// type or, for an enumeration or set, names no member.
template <typename T>
bool FromJson(const QJsonValue& Json, T& Value)
{
    if constexpr (std::is_same_v<T, bool>) {
        if (!Json.isBool())
            return false;
        Value = Json.toBool();
    } else if constexpr (std::is_enum_v<T>) {
        const std::optional<qint64> number = IntegerOf(Json);
        const std::optional<T> member = number ? CheckedEnum<T>(*number) : std::nullopt;
        if (!member)
            return false;
        Value = *member;
    } else if constexpr (std::is_same_v<T, int>) {
        const std::optional<qint64> number = IntegerOf(Json);
        if (!number || *number < std::numeric_limits<int>::min() || *number > std::numeric_limits<int>::max())
            return false;
        Value = int(*number);
    } else if constexpr (std::is_same_v<T, QString>) {
        if (!Json.isString())
            return false;
        Value = Json.toString();
    } else if constexpr (std::is_same_v<T, QStringList>) {
        if (!Json.isArray())
            return false;
        QStringList list;
        for (const QJsonValue& item : Json.toArray())
            list << item.toString();
        Value = list;
    } else if constexpr (std::is_same_v<T, QChar>) {
        if (!Json.isString() || Json.toString().size() != 1)
            return false;
        Value = Json.toString().at(0);
    } else if constexpr (std::is_same_v<T, QFont>) {
        if (!Json.isString())
            return false;
        QFont font;
        if (!font.fromString(Json.toString()))
            return false;
        Value = font;
    } else {
        static_assert(IsEnumSet<T>::value, "unsupported property type");
        const std::optional<qint64> bits = IntegerOf(Json);
        if (!bits || *bits < 0 || !CheckedSetBits<typename IsEnumSet<T>::Member>(std::uint64_t(*bits)))
            return false;
        Value = T::FromBits(std::uint32_t(*bits));
    }
    return true;
}

// ---- Property tables ---------------------------------------------------------------

// Read gives an undefined value for a property that is not stored.
template <typename C>
struct TProp {
    const char* Name;
    std::function<QJsonValue(const C&)> Read;
    std::function<void(C&, const QJsonValue&)> Write;
};

const QJsonValue NotStored(QJsonValue::Undefined);

// A property stored while it differs from its fixed default.
template <typename C, typename T, typename Arg>
TProp<C> Plain(const char* Name, T (C::*Get)() const, void (C::*Set)(Arg), T Default)
{
    return {Name,
            [=](const C& Object) {
                const T value = (Object.*Get)();
                return value == Default ? NotStored : ToJson(value);
            },
            [=](C& Object, const QJsonValue& Json) {
                T value{};
                if (FromJson(Json, value))
                    (Object.*Set)(value);
            }};
}

// An assigned value of a column: stored while assigned and different from the
// default read from the field or grid (the font: whenever assigned).
template <typename C, typename T, typename Arg>
TProp<C> Assigned(const char* Name, TZColumnValue Member, T (C::*Get)() const, void (C::*Set)(Arg),
                  T (C::*Default)() const, std::function<const TZColumn*(const C&)> ColumnOf)
{
    return {Name,
            [=](const C& Object) {
                if (!ColumnOf(Object)->IsAssigned(Member))
                    return NotStored;
                const T value = (Object.*Get)();
                if constexpr (!std::is_same_v<T, QFont>)
                    if (value == (Object.*Default)())
                        return NotStored;
                return ToJson(value);
            },
            [=](C& Object, const QJsonValue& Json) {
                T value{};
                if (FromJson(Json, value))
                    (Object.*Set)(value);
            }};
}

const TZColumn* SelfColumn(const TZColumn& Column)
{
    return &Column;
}

const TZColumn* TitleColumn(const TZColumnTitle& Title)
{
    return Title.Column();
}

// The object named Name among the children of the grid's top-level ancestor.
template <typename T>
T* FindObject(const TZCustomDBGrid* Grid, const QString& Name)
{
    if (!Grid || Name.isEmpty())
        return nullptr;
    const QObject* root = Grid;
    while (root->parent())
        root = root->parent();
    if (root->objectName() == Name)
        if (T* object = qobject_cast<T*>(const_cast<QObject*>(root)))
            return object;
    return root->findChild<T*>(Name);
}

// A reference to another object, stored by its object name.
template <typename C, typename T>
TProp<C> Reference(const char* Name, T* (C::*Get)() const, void (C::*Set)(T*),
                   std::function<const TZCustomDBGrid*(const C&)> GridOf)
{
    return {Name,
            [=](const C& Object) {
                const T* value = (Object.*Get)();
                return value && !value->objectName().isEmpty() ? QJsonValue(value->objectName()) : NotStored;
            },
            [=](C& Object, const QJsonValue& Json) {
                if (T* value = FindObject<T>(GridOf(Object), Json.toString()))
                    (Object.*Set)(value);
            }};
}

const TZCustomDBGrid* ColumnGrid(const TZColumn& Column)
{
    return Column.Grid();
}

const TZCustomDBGrid* TitleGrid(const TZColumnTitle& Title)
{
    return Title.Column()->Grid();
}

const std::vector<TProp<TZColumn>>& ColumnProps()
{
    using C = TZColumn;
    static const std::vector<TProp<C>> props = {
        Plain("FieldName", &C::GetFieldName, &C::SetFieldName, QString()),
        // Binding and editing
        Assigned<C>("ReadOnly", cvReadOnly, &C::GetReadOnly, &C::SetReadOnly, &C::DefaultReadOnly, SelfColumn),
        Plain("ButtonStyle", &C::GetButtonStyle, &C::SetButtonStyle, cbsAuto),
        Plain("ShowEdit", &C::GetShowEdit, &C::SetShowEdit, true),
        Plain("EditMemo", &C::GetEditMemo, &C::SetEditMemo, true),
        Plain("CharCase", &C::GetCharCase, &C::SetCharCase, ecNormal),
        Assigned<C>("ImeMode", cvImeMode, &C::GetImeMode, &C::SetImeMode, &C::DefaultImeMode, SelfColumn),
        Assigned<C>("ImeName", cvImeName, &C::GetImeName, &C::SetImeName, &C::DefaultImeName, SelfColumn),
        Plain("EditorHint", &C::GetEditorHint, &C::SetEditorHint, QString()),
        Plain("Hint", &C::GetHint, &C::SetHint, QString()),
        Reference<C, QMenu>("PopupMenu", &C::GetPopupMenu, &C::SetPopupMenu, ColumnGrid),
        Reference<C, QMenu>("DropDownMenu", &C::GetDropDownMenu, &C::SetDropDownMenu, ColumnGrid),
        Plain("DropDownRows", &C::GetDropDownRows, &C::SetDropDownRows, 0),
        Plain("DropDownWidth", &C::GetDropDownWidth, &C::SetDropDownWidth, 0),
        Plain("PickList", &C::GetPickList, &C::SetPickList, QStringList()),
        Plain("PickText", &C::GetPickText, &C::SetPickText, QStringList()),
        Plain("PickTextFormat", &C::GetPickTextFormat, &C::SetPickTextFormat, QString()),
        Plain("PickOptions", &C::GetPickOptions, &C::SetPickOptions, TZPickOptions{poSelectPickText, poAcceptPickList}),
        Plain("ListOptions", &C::GetListOptions, &C::SetListOptions,
              TZListOptions{loAutoComplete, loAutoCloseEditor, loSelectNextValue, loAllowClearValue, loShowToday,
                            loAllowChangeOrder, loAllowColumnResize}),
        Plain("CalendarDepth", &C::GetCalendarDepth, &C::SetCalendarDepth, cdDecade),
        Plain("MultiSelectText", &C::GetMultiSelectText, &C::SetMultiSelectText, mstEllipsis),
        Plain("DelimiterChar", &C::GetDelimiterChar, &C::SetDelimiterChar, QChar(QLatin1Char(','))),
        Plain("DelimiterLine", &C::GetDelimiterLine, &C::SetDelimiterLine, false),
        Plain("DelimiterText", &C::GetDelimiterText, &C::SetDelimiterText, QString()),
        // Own lookup values only (a lookup field brings its own definition).
        {"LookupDataSet",
         [](const C& Column) {
             const TDataSet* dataSet = Column.OwnLookupDataSet();
             return dataSet && !dataSet->objectName().isEmpty() ? QJsonValue(dataSet->objectName()) : NotStored;
         },
         [](C& Column, const QJsonValue& Json) {
             if (TDataSet* dataSet = FindObject<TDataSet>(Column.Grid(), Json.toString()))
                 Column.SetLookupDataSet(dataSet);
         }},
        {"KeyField",
         [](const C& Column) { return Column.IsKeyFieldStored() ? QJsonValue(Column.GetKeyField()) : NotStored; },
         [](C& Column, const QJsonValue& Json) { Column.SetKeyField(Json.toString()); }},
        {"LookupKeyField",
         [](const C& Column) {
             return Column.IsLookupKeyFieldStored() ? QJsonValue(Column.GetLookupKeyField()) : NotStored;
         },
         [](C& Column, const QJsonValue& Json) { Column.SetLookupKeyField(Json.toString()); }},
        {"LookupResultField",
         [](const C& Column) {
             return Column.IsLookupResultFieldStored() ? QJsonValue(Column.GetLookupResultField()) : NotStored;
         },
         [](C& Column, const QJsonValue& Json) { Column.SetLookupResultField(Json.toString()); }},
        {"LookupListFields",
         [](const C& Column) {
             return Column.IsLookupListFieldsStored() ? QJsonValue(Column.GetLookupListFields()) : NotStored;
         },
         [](C& Column, const QJsonValue& Json) { Column.SetLookupListFields(Json.toString()); }},
        Plain("LookupParentField", &C::GetLookupParentField, &C::SetLookupParentField, QString()),
        Plain("LookupTreeViewField", &C::GetLookupTreeViewField, &C::SetLookupTreeViewField, QString()),
        Plain("LookupListTitles", &C::GetLookupListTitles, &C::SetLookupListTitles, QString()),
        Plain("LookupListWidths", &C::GetLookupListWidths, &C::SetLookupListWidths, QString()),
        Plain("FilterList", &C::GetFilterList, &C::SetFilterList, QStringList()),
        Plain("FilterText", &C::GetFilterText, &C::SetFilterText, QString()),
        // Look
        Assigned<C>("Color", cvColor, &C::GetColor, &C::SetColor, &C::DefaultColor, SelfColumn),
        Assigned<C>("Font", cvFont, &C::GetFont, &C::SetFont, &C::DefaultFont, SelfColumn),
        Assigned<C>("Alignment", cvAlignment, &C::GetAlignment, &C::SetAlignment, &C::DefaultAlignment, SelfColumn),
        Plain("VAlignment", &C::GetVAlignment, &C::SetVAlignment, tvCenter),
        Plain("WordWrap", &C::GetWordWrap, &C::SetWordWrap, true),
        Plain("Ellipsis", &C::GetEllipsis, &C::SetEllipsis, true),
        Plain("QuickDraw", &C::GetQuickDraw, &C::SetQuickDraw, true),
        Plain("ShowBlob", &C::GetShowBlob, &C::SetShowBlob, true),
        Plain("Transparent", &C::GetTransparent, &C::SetTransparent, false),
        Plain("TransparentColor", &C::GetTransparentColor, &C::SetTransparentColor, clNone),
        Plain("Wallpaper", &C::GetWallpaper, &C::SetWallpaper, false),
        Reference<C, QObject>("Images", &C::GetImages, &C::SetImages, ColumnGrid),
        Plain("ImageDraw", &C::GetImageDraw, &C::SetImageDraw, idCenter),
        Plain("ImageMargin", &C::GetImageMargin, &C::SetImageMargin, 0),
        Plain("ImageOffsetX", &C::GetImageOffsetX, &C::SetImageOffsetX, 0),
        Plain("ImageOffsetY", &C::GetImageOffsetY, &C::SetImageOffsetY, 0),
        Plain("CheckBox", &C::GetCheckBox, &C::SetCheckBox, false),
        Plain("CheckBoxKind", &C::GetCheckBoxKind, &C::SetCheckBoxKind, ckCheck),
        Plain("CheckBoxStyle", &C::GetCheckBoxStyle, &C::SetCheckBoxStyle, cbAuto),
        Plain("CheckBoxThemed", &C::GetCheckBoxThemed, &C::SetCheckBoxThemed, false),
        Plain("CheckBoxToggle", &C::GetCheckBoxToggle, &C::SetCheckBoxToggle, ctOnCellClick),
        Plain("CheckBoxValues", &C::GetCheckBoxValues, &C::SetCheckBoxValues, C::DefaultCheckBoxValues()),
        Plain("ExpandBox", &C::GetExpandBox, &C::SetExpandBox, false),
        Plain("ExpandBoxSize", &C::GetExpandBoxSize, &C::SetExpandBoxSize, ebLarge),
        Plain("ExpandBoxThemed", &C::GetExpandBoxThemed, &C::SetExpandBoxThemed, false),
        Plain("ExpandBoxToggle", &C::GetExpandBoxToggle, &C::SetExpandBoxToggle, etOnCellClick),
        Plain("ExpandBoxTree", &C::GetExpandBoxTree, &C::SetExpandBoxTree, false),
        Plain("ToolTips", &C::GetToolTips, &C::SetToolTips, true),
        Plain("ToolTipsWidth", &C::GetToolTipsWidth, &C::SetToolTipsWidth, ttAutoWidth),
        Plain("SuppressRTL", &C::GetSuppressRTL, &C::SetSuppressRTL, false),
        Plain("AutoNumber", &C::GetAutoNumber, &C::SetAutoNumber, false),
        // Grouping and widths (limits before the width they limit)
        Plain("ExpandCols", &C::GetExpandCols, &C::SetExpandCols, 0),
        {"Visible", [](const C& Column) { return Column.Visibility() ? NotStored : QJsonValue(false); },
         [](C& Column, const QJsonValue& Json) {
             if (Json.isBool())
                 Column.SetVisible(Json.toBool());
         }},
        {"Expanded", [](const C& Column) { return Column.ExpandedFlag() ? NotStored : QJsonValue(false); },
         [](C& Column, const QJsonValue& Json) {
             if (Json.isBool())
                 Column.SetExpanded(Json.toBool());
         }},
        Plain("ExpandStyle", &C::GetExpandStyle, &C::SetExpandStyle, cesAuto),
        Plain("DialogOptions", &C::GetDialogOptions, &C::SetDialogOptions, TDialogOptions{doShowColumn, doItemEnabled}),
        Plain("WidthMin", &C::GetWidthMin, &C::SetWidthMin, -1),
        Plain("WidthMax", &C::GetWidthMax, &C::SetWidthMax, -1),
        {"Width",
         [](const C& Column) {
             if (!Column.IsAssigned(cvWidth))
                 return NotStored;
             const int width = Column.GetWidth();
             return width == Column.DefaultWidth() ? NotStored : QJsonValue(width);
         },
         [](C& Column, const QJsonValue& Json) {
             int width = 0;
             if (FromJson(Json, width))
                 Column.SetWidth(width);
         }},
    };
    return props;
}

const std::vector<TProp<TZColumnTitle>>& TitleProps()
{
    using C = TZColumnTitle;
    static const std::vector<TProp<C>> props = {
        {"Caption",
         [](const C& Title) { return Title.IsCaptionStored() ? QJsonValue(Title.GetCaption()) : NotStored; },
         [](C& Title, const QJsonValue& Json) {
             if (Json.isString())
                 Title.SetCaption(Json.toString());
         }},
        Assigned<C>("Alignment", cvTitleAlignment, &C::GetAlignment, &C::SetAlignment, &C::DefaultAlignment, TitleColumn),
        Assigned<C>("Color", cvTitleColor, &C::GetColor, &C::SetColor, &C::DefaultColor, TitleColumn),
        Assigned<C>("Font", cvTitleFont, &C::GetFont, &C::SetFont, &C::DefaultFont, TitleColumn),
        Plain("VAlignment", &C::GetVAlignment, &C::SetVAlignment, tvCenter),
        Plain("WordWrap", &C::GetWordWrap, &C::SetWordWrap, true),
        Plain("Ellipsis", &C::GetEllipsis, &C::SetEllipsis, true),
        Plain("Button", &C::GetButton, &C::SetButton, true),
        Plain("Header", &C::GetHeader, &C::SetHeader, QString()),
        Plain("HeaderHint", &C::GetHeaderHint, &C::SetHeaderHint, QString()),
        Plain("Hint", &C::GetHint, &C::SetHint, QString()),
        Plain("ImageIndex", &C::GetImageIndex, &C::SetImageIndex, -1),
        Plain("MarkerIndex", &C::GetMarkerIndex, &C::SetMarkerIndex, -1),
        Plain("Marker", &C::GetMarker, &C::SetMarker, tmNone),
        Plain("AutoToggle", &C::GetAutoToggle, &C::SetAutoToggle, true),
        Plain("AutoFilter", &C::GetAutoFilter, &C::SetAutoFilter, true),
        Plain("AutoFilters", &C::GetAutoFilters, &C::SetAutoFilters, TFilterStyles{fsFilterList, fsFilterForm}),
        Reference<C, QMenu>("PopupMenu", &C::GetPopupMenu, &C::SetPopupMenu, TitleGrid),
        Reference<C, QMenu>("DropDownMenu", &C::GetDropDownMenu, &C::SetDropDownMenu, TitleGrid),
    };
    return props;
}

const std::vector<TProp<TZColumnReport>>& ReportProps()
{
    using C = TZColumnReport;
    static const std::vector<TProp<C>> props = {
        Plain("Visible", &C::GetVisible, &C::SetVisible, true),
        Plain("TotalType", &C::GetTotalType, &C::SetTotalType, ttNone),
        Plain("TotalText", &C::GetTotalText, &C::SetTotalText, QString()),
        Plain("TotalMask", &C::GetTotalMask, &C::SetTotalMask, QString()),
        Plain("AutoHeight", &C::GetAutoHeight, &C::SetAutoHeight, false),
        Plain("DialogOptions", &C::GetDialogOptions, &C::SetDialogOptions, TDialogOptions{doShowColumn, doItemEnabled}),
    };
    return props;
}

template <typename C>
QJsonObject WriteProps(const C& Object, const std::vector<TProp<C>>& Props)
{
    QJsonObject result;
    for (const TProp<C>& prop : Props) {
        const QJsonValue value = prop.Read(Object);
        if (!value.isUndefined())
            result.insert(QLatin1String(prop.Name), value);
    }
    return result;
}

template <typename C>
void ReadProps(C& Object, const QJsonObject& Json, const std::vector<TProp<C>>& Props)
{
    for (const TProp<C>& prop : Props) {
        const auto it = Json.constFind(QLatin1String(prop.Name));
        if (it != Json.constEnd())
            prop.Write(Object, *it);
    }
}

QJsonValue TotalFont(const TZColumnTotal* Total)
{
    return Total && Total->IsFontAssigned() ? QJsonValue(Total->GetFont().toString()) : NotStored;
}

void ReadTotalFont(TZColumnTotal* Total, const QJsonValue& Json)
{
    QFont font;
    if (Total && FromJson(Json, font))
        Total->SetFont(font);
}

QJsonObject WriteColumn(const TZColumn& Column)
{
    QJsonObject result = WriteProps(Column, ColumnProps());
    const QJsonObject title = WriteProps(*Column.Title(), TitleProps());
    if (!title.isEmpty())
        result.insert(QStringLiteral("Title"), title);
    const QJsonObject report = WriteProps(*Column.Report(), ReportProps());
    if (!report.isEmpty())
        result.insert(QStringLiteral("Report"), report);

    QJsonObject totals;
    if (const QJsonValue font = TotalFont(Column.TotalHeader()); !font.isUndefined())
        totals.insert(QStringLiteral("HeaderFont"), font);
    if (Column.TotalValuesCount() > 0) {
        QJsonArray values;
        for (int i = 0; i < Column.TotalValuesCount(); ++i) {
            const QJsonValue font = TotalFont(Column.TotalValues()->Items(i));
            values.append(font.isUndefined() ? QJsonValue() : font);
        }
        totals.insert(QStringLiteral("Values"), values);
    }
    if (const QJsonValue font = TotalFont(Column.TotalFields()); !font.isUndefined())
        totals.insert(QStringLiteral("FieldsFont"), font);
    if (const QJsonValue font = TotalFont(Column.TotalFooter()); !font.isUndefined())
        totals.insert(QStringLiteral("FooterFont"), font);
    if (!totals.isEmpty())
        result.insert(QStringLiteral("Totals"), totals);
    return result;
}

void ReadColumn(TZColumn& Column, const QJsonObject& Json)
{
    ReadProps(Column, Json, ColumnProps());
    ReadProps(*Column.Title(), Json.value(QStringLiteral("Title")).toObject(), TitleProps());
    ReadProps(*Column.Report(), Json.value(QStringLiteral("Report")).toObject(), ReportProps());
    const QJsonObject totals = Json.value(QStringLiteral("Totals")).toObject();
    ReadTotalFont(Column.TotalHeader(), totals.value(QStringLiteral("HeaderFont")));
    const QJsonArray values = totals.value(QStringLiteral("Values")).toArray();
    Column.TotalValues()->SetCount(int(values.size()));
    for (int i = 0; i < int(values.size()); ++i)
        ReadTotalFont(Column.TotalValues()->Items(i), values.at(i));
    ReadTotalFont(Column.TotalFields(), totals.value(QStringLiteral("FieldsFont")));
    ReadTotalFont(Column.TotalFooter(), totals.value(QStringLiteral("FooterFont")));
}

} // namespace

// ---- Settings text ----------------------------------------------------------------

namespace {

// A number in decimal, as QString::number writes it, without a string of its
// own.
class TDecimal
{
public:
    explicit TDecimal(int Value)
    {
        const auto result = std::to_chars(FDigits.data(), FDigits.data() + FDigits.size(), Value);
        FSize = result.ptr - FDigits.data();
    }
    QLatin1StringView Text() const { return QLatin1StringView(FDigits.data(), FSize); }

private:
    std::array<char, 12> FDigits{};
    qsizetype FSize = 0;
};

// The n of a line name "Column<n>" (in any case; n as QString::number writes
// it, 1 to Limit); 0 for any other name.
qsizetype ColumnLineNumber(QStringView Name, qsizetype Limit)
{
    const QLatin1StringView prefix("Column");
    // No character beyond ASCII folds to a letter of "Column": ignoring case,
    // only these letters compare equal to it.
    if (Name.size() <= prefix.size() || !StartsWithLetters(Name, prefix))
        return 0;
    const QStringView digits = Name.mid(prefix.size());
    if (digits.front() == u'0')
        return 0;
    qsizetype number = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return 0;
        number = number * 10 + (c.unicode() - u'0');
        if (number > Limit)
            return 0;
    }
    return number;
}

// The values of a settings text read once: the column lines by their number,
// every other line by its name (names compare ignoring case; the first line
// of a name counts). A column's line is found without making its name.
class TColumnLines
{
public:
    explicit TColumnLines(const QStringList& Lines) : FLines(Lines), FColumns(size_t(Lines.size()) + 1)
    {
        QStringList others;
        for (const QString& line : FLines) {
            const qsizetype pos = line.indexOf(QLatin1Char('='));
            if (pos < 0)
                continue;
            const qsizetype number = ColumnLineNumber(QStringView(line).left(pos).trimmed(), FLines.size());
            if (number == 0)
                others << line;
            else if (!FColumns[size_t(number)]) {
                FColumns[size_t(number)] = QStringView(line).mid(pos + 1);
                ++FColumnCount;
            }
        }
        FOthers.emplace(others);
    }

    // The value of the line "Column<Number>"; none when there is no such line.
    std::optional<QStringView> Column(qsizetype Number) const
    {
        return Number > 0 && Number < qsizetype(FColumns.size()) ? FColumns[size_t(Number)] : std::nullopt;
    }
    std::optional<QString> Value(QStringView Name) const { return FOthers->Value(Name); }
    // The number of different names.
    qsizetype Count() const { return FColumnCount + FOthers->Count(); }

private:
    QStringList FLines; // shared with the caller's, so that the views stay valid
    std::vector<std::optional<QStringView>> FColumns;
    qsizetype FColumnCount = 0;
    std::optional<TZNameValues> FOthers;
};

bool SameName(const QString& FieldName, QStringView Name)
{
    // The same text, as names mostly are, needs no case folding.
    return QStringView(FieldName) == Name || QStringView(FieldName).compare(Name, Qt::CaseInsensitive) == 0;
}

// Calls Part for each part of Text between delimiters.
template <typename F>
void ForEachPart(QStringView Text, QStringView Delimiter, F&& Part)
{
    if (Delimiter.size() == 1) {
        for (const QStringView item : qTokenize(Text, Delimiter.front()))
            if (!Part(item))
                return;
    } else {
        for (const QStringView item : qTokenize(Text, Delimiter))
            if (!Part(item))
                return;
    }
}

// How the columns may change while settings lines are applied.
enum class TColumnChanges {
    None,  // no layout can run: only the moves of the lines themselves
    Fewer, // a layout may run, and drop columns but make none (customized columns)
    Any,   // a layout may make columns anew (default columns follow their fields)
};

// Finds columns by field name as FindColumn does (the first at or after a
// position, names compared ignoring case), for the lines of a settings text
// applied in order: the line for a position looks from there, after the lines
// before it placed their columns. The column in its place already is looked
// at first. Another is found through a table of the names made once, not by
// comparing its name with every column after its place; the columns before
// the place are those placed by then (under the moves of the lines, a place
// once passed keeps its column). When a layout may drop columns, a column of
// the table is looked for in the collection instead; when it may make them,
// the columns are searched as they stand.
class TColumnFinder
{
public:
    TColumnFinder(const TZDBGridColumns& Columns, TColumnChanges Changes) : FColumns(Columns), FChanges(Changes) {}

    // The column and whether it is in its place already; none when no column
    // has the name.
    std::pair<TZColumn*, bool> Find(QStringView Name, int Start)
    {
        Start = std::max(Start, 0);
        const int count = FColumns.Count();
        if (Start >= count)
            return {nullptr, false};
        if (SameName(FColumns.Items(Start)->GetFieldName(), Name))
            return {FColumns.Items(Start), true};
        if (FChanges == TColumnChanges::Any) {
            for (int i = Start + 1; i < count; ++i)
                if (SameName(FColumns.Items(i)->GetFieldName(), Name))
                    return {FColumns.Items(i), false};
            return {nullptr, false};
        }
        if (!FBuilt)
            Build();
        TZColumn* found = nullptr;
        int foundIndex = -1;
        if (FChanges == TColumnChanges::None) {
            while (FPlacedCount < Start)
                FPlaced.insert(FColumns.Items(FPlacedCount++));
            // Not placed: after Start (the column at Start has another name).
            for (auto [it, end] = FTable.equal_range(TZNameValues::TName{Name}); it != end; ++it) {
                TZColumn* column = it.value();
                if (FPlaced.count(column))
                    continue;
                if (!found) {
                    found = column;
                    continue;
                }
                // Several columns of the name: the first of them.
                if (foundIndex < 0)
                    foundIndex = FColumns.IndexOf(found);
                if (const int index = FColumns.IndexOf(column); index < foundIndex) {
                    found = column;
                    foundIndex = index;
                }
            }
            return {found, false};
        }
        // A column gone is not in the collection (its address is only compared).
        for (auto [it, end] = FTable.equal_range(TZNameValues::TName{Name}); it != end; ++it) {
            const int index = FColumns.IndexOf(it.value());
            if (index > Start && (!found || index < foundIndex) &&
                SameName(FColumns.Items(index)->GetFieldName(), Name)) {
                found = FColumns.Items(index);
                foundIndex = index;
            }
        }
        return {found, false};
    }

private:
    void Build()
    {
        FBuilt = true;
        const int count = FColumns.Count();
        FNames.reserve(size_t(count));
        FTable.reserve(count);
        for (int i = 0; i < count; ++i) {
            TZColumn* column = FColumns.Items(i);
            FNames.push_back(column->GetFieldName());
            FTable.insert(TZNameValues::TName{FNames.back()}, column);
        }
    }

    const TZDBGridColumns& FColumns;
    const TColumnChanges FChanges;
    bool FBuilt = false;
    std::vector<QString> FNames; // the texts the table's keys view
    QMultiHash<TZNameValues::TName, TZColumn*> FTable;
    std::unordered_set<const TZColumn*> FPlaced; // the columns before FPlacedCount
    int FPlacedCount = 0;
};

} // namespace

QStringList TZDBGridColumns::GetSettings()
{
    const QString d = DefaultDelimiter;
    const auto flag = [](bool On) { return QLatin1Char(On ? '1' : '0'); };
    FSettings.clear();
    FSettings.reserve(Count() + 3);
    FSettings << QStringLiteral("Columns=") + QString::number(Count());
    for (int i = 0; i < Count(); ++i) {
        const TZColumn* column = Items(i);
        const QString name = column->GetFieldName();
        // One string a line, made at once: these lines are most of a layout.
        TDecimal number(i + 1);
        TDecimal width(column->GetWidthBase());
        FSettings << QLatin1StringView("Column") % number.Text() % QLatin1Char('=') % name % d % width.Text() % d %
                         flag(column->Visibility()) % d % flag(column->FExpanded) % d %
                         flag(column->Report()->GetVisible());
    }
    if (FGrid && FGrid->Settings() && FGrid->Settings()->GetOptions().testFlag(soStretchMode))
        FSettings << QStringLiteral("StretchMode=%1").arg(SettingsFlag(FGrid->GetStretchMode()));
    FSettings << QStringLiteral("CurrentPPI=%1").arg(FGrid ? FGrid->CurrentPPI() : 96);
    return FSettings;
}

void TZDBGridColumns::SetSettings()
{
    const QStringList lines = FSettings;
    SetSettings(lines);
}

void TZDBGridColumns::SetSettings(const QStringList& Strings)
{
    if (&Strings != &FSettings)
        FSettings = Strings;
    const QString d = DefaultDelimiter;
    TCollectionUpdateGuard update(this);
    const int currentPPI = FGrid ? FGrid->CurrentPPI() : 96;
    const TColumnLines values(FSettings);
    int ppi = currentPPI;
    if (const auto value = values.Value(QStringLiteral("CurrentPPI")))
        if (const auto number = SettingsInt(*value); number && *number > 0)
            ppi = *number;
    // A count beyond the lines present names columns no line describes.
    qsizetype count = 0;
    if (const auto value = values.Value(QStringLiteral("Columns")))
        count = std::min<qsizetype>(SettingsInt(*value).value_or(0), values.Count());
    // A grid whose layout may run while the lines are applied (outside a
    // layout bracket each move of a column lays it out) drops columns it made
    // among stored ones, and makes default columns anew as their fields move.
    const TColumnChanges changes = !FGrid || FGrid->LayoutLock() > 0 || FGrid->UpdateLock() > 0
                                       ? TColumnChanges::None
                                   : State() == csCustomized ? TColumnChanges::Fewer
                                                             : TColumnChanges::Any;
    TColumnFinder finder(*this, changes);
    for (qsizetype i = 1; i <= count; ++i) {
        const auto value = values.Column(i);
        if (!value)
            continue;
        // Name, width, visible, expanded, printed; missing parts stay empty.
        std::array<QStringView, 5> parts{};
        std::size_t found = 0;
        ForEachPart(*value, d, [&](QStringView item) {
            parts[found++] = item;
            return found < parts.size();
        });
        const auto part = [&parts](std::size_t k) { return parts[k]; };
        const auto [column, inPlace] = finder.Find(part(0).trimmed(), int(i - 1));
        if (!column)
            continue;
        // A column in its place already is not moved (nor its linked grid's).
        if (!inPlace)
            column->MoveTo(int(i - 1));
        if (const auto width = SettingsInt(part(1)); width && *width >= 0)
            column->SetWidthBase(MulDiv(*width, currentPPI, ppi));
        if (const auto visible = SettingsInt(part(2)))
            column->SetVisible(*visible == 1);
        if (const auto expanded = SettingsInt(part(3)))
            column->SetExpanded(*expanded == 1);
        if (const auto printed = SettingsInt(part(4)))
            column->Report()->SetVisible(*printed == 1);
    }
    if (FGrid && FGrid->Settings() && FGrid->Settings()->GetOptions().testFlag(soStretchMode)) {
        bool mode = FGrid->GetStretchMode();
        if (const auto value = values.Value(QStringLiteral("StretchMode")))
            if (const auto number = SettingsInt(*value))
                mode = *number == 1;
        FGrid->SetStretchMode(mode);
    }
}

// ---- Streams ------------------------------------------------------------------------

void TZDBGridColumns::WriteEntries(QJsonObject& Object, bool Force) const
{
    FWriting = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FWriting};
    if (Force || State() == csCustomized) {
        QJsonArray columns;
        for (const TZColumn* column : *this)
            columns.append(WriteColumn(*column));
        Object.insert(QStringLiteral("Columns"), columns);
    }
    if (FGrid && !FGrid->GetOrderFields().isEmpty())
        Object.insert(QStringLiteral("OrderFields"), FGrid->GetOrderFields());
}

void TZDBGridColumns::ReadEntries(const QJsonObject& Object)
{
    const auto it = Object.constFind(QStringLiteral("Columns"));
    if (it != Object.constEnd()) {
        std::optional<TZLayoutGuard> layout;
        if (FGrid)
            layout.emplace(FGrid);
        TCollectionUpdateGuard update(this);
        FReading = true;
        struct TReset {
            bool& Flag;
            ~TReset() { Flag = false; }
        } reset{FReading};
        Clear();
        for (const QJsonValue& item : it->toArray())
            ReadColumn(*Add(), item.toObject());
    }
    // "OrderFields" is part of the stream but the order is not taken from it:
    // the sort order of a loaded grid comes from its settings or its dataset.
}

void TZDBGridColumns::SaveToStream(QIODevice& Stream)
{
    QJsonObject object;
    WriteEntries(object, true);
    const QByteArray data = QJsonDocument(object).toJson(QJsonDocument::Indented);
    if (Stream.write(data) != data.size())
        DatabaseError(QCoreApplication::translate("zdb", "Cannot write the columns: %1").arg(Stream.errorString()));
}

void TZDBGridColumns::LoadFromStream(QIODevice& Stream)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(Stream.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        DatabaseError(QCoreApplication::translate("zdb", "Invalid column stream: %1").arg(error.errorString()));
    ReadEntries(document.object());
}

void TZDBGridColumns::SaveToFile(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        DatabaseError(QCoreApplication::translate("zdb", "Cannot create file \"%1\": %2").arg(FileName, file.errorString()));
    SaveToStream(file);
}

void TZDBGridColumns::LoadFromFile(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        DatabaseError(QCoreApplication::translate("zdb", "Cannot open file \"%1\": %2").arg(FileName, file.errorString()));
    LoadFromStream(file);
}

} // namespace zdb
