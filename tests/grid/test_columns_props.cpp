// The published properties of a column, its title and its report by name
// through the meta-object system: every one present with its default, and
// writes by name (dotted paths, enumeration keys, sets) reaching the grid.

#include "ZDBGridColumns.h"
#include "test_grid_helpers.h"

#include <gtest/gtest.h>

#include <map>

using namespace zdb;
using namespace zdb::test;

namespace {

// A property value as comparable text: enumerations by key, sets and lists
// joined by "|", object pointers as "null" or their class, fonts by toString.
QString ValueText(const QMetaProperty& Property, const QVariant& Value)
{
    if (Property.isEnumType())
        return QString::fromLatin1(Property.enumerator().valueToKey(Value.toInt()));
    if (Value.metaType().flags() & QMetaType::PointerToQObject)
        return Value.value<QObject*>() ? QString::fromLatin1(Value.value<QObject*>()->metaObject()->className())
                                       : QStringLiteral("null");
    if (Value.typeId() == QMetaType::QStringList)
        return Value.toStringList().join(QLatin1Char('|'));
    if (Value.typeId() == QMetaType::QFont)
        return Value.value<QFont>().toString();
    return Value.toString();
}

// Walks the gadget's meta-object (and those of its sub-objects) and compares
// every property with Expected; each expected path must be met once.
void ExpectProperties(const QMetaObject& Meta, const void* Gadget, const QString& Prefix,
                      std::map<QString, QString>& Expected)
{
    for (int i = 0; i < Meta.propertyCount(); ++i) {
        const QMetaProperty property = Meta.property(i);
        const QString path = Prefix + QString::fromLatin1(property.name());
        const QVariant value = property.readOnGadget(Gadget);
        if (value.metaType().flags() & QMetaType::PointerToGadget) {
            ExpectProperties(*value.metaType().metaObject(), *static_cast<void* const*>(value.constData()),
                             path + QLatin1Char('.'), Expected);
            continue;
        }
        const auto expected = Expected.find(path);
        if (expected == Expected.end()) {
            ADD_FAILURE() << "unexpected property " << path.toStdString();
            continue;
        }
        EXPECT_EQ(ValueText(property, value), expected->second) << path.toStdString();
        Expected.erase(expected);
    }
}

// The defaults that do not depend on the field or the grid.
std::map<QString, QString> FixedDefaults()
{
    const QString no = QStringLiteral("false"), yes = QStringLiteral("true"), none = QStringLiteral("null");
    std::map<QString, QString> defaults{
        {"ButtonStyle", "cbsAuto"}, {"ShowEdit", yes}, {"EditMemo", yes}, {"CharCase", "ecNormal"},
        {"EditorHint", ""}, {"Hint", ""}, {"PopupMenu", none}, {"DropDownMenu", none},
        {"DropDownRows", "0"}, {"DropDownWidth", "0"}, {"PickList", ""}, {"PickText", ""},
        {"PickTextFormat", ""}, {"PickOptions", "poSelectPickText|poAcceptPickList"},
        {"ListOptions", "loAutoComplete|loAutoCloseEditor|loSelectNextValue|loAllowClearValue|"
                        "loAllowChangeOrder|loAllowColumnResize|loShowToday"},
        {"CalendarDepth", "cdDecade"}, {"MultiSelectList", no}, {"MultiSelectText", "mstEllipsis"},
        {"DelimiterChar", ","}, {"DelimiterLine", no}, {"DelimiterText", ""}, {"LookupDataSet", none},
        {"LookupKeyField", ""}, {"LookupResultField", ""}, {"LookupListFields", ""},
        {"LookupParentField", ""}, {"LookupTreeViewField", ""}, {"LookupListTitles", ""},
        {"LookupListWidths", ""}, {"LookupColumn", "lcNotDefined"}, {"FilterList", ""}, {"FilterText", ""},
        {"VAlignment", "tvCenter"}, {"WordWrap", yes}, {"Ellipsis", yes}, {"QuickDraw", yes},
        {"ShowBlob", yes}, {"Transparent", no}, {"TransparentColor", QString::number(clNone)},
        {"Wallpaper", no}, {"Images", none}, {"ImageDraw", "idCenter"}, {"ImageMargin", "0"},
        {"ImageOffsetX", "0"}, {"ImageOffsetY", "0"}, {"CheckBox", no}, {"CheckBoxKind", "ckCheck"},
        {"CheckBoxStyle", "cbAuto"}, {"CheckBoxThemed", no}, {"CheckBoxToggle", "ctOnCellClick"},
        {"CheckBoxValues", "True;False"}, {"ExpandBox", no}, {"ExpandBoxSize", "ebLarge"},
        {"ExpandBoxThemed", no}, {"ExpandBoxToggle", "etOnCellClick"}, {"ExpandBoxTree", no},
        {"ToolTips", yes}, {"ToolTipsWidth", "ttAutoWidth"}, {"SuppressRTL", no}, {"AutoNumber", no},
        {"WidthMin", "-1"}, {"WidthMax", "-1"}, {"Visible", yes},
        {"Expanded", no}, // a column without children cannot be expanded
        {"ExpandCols", "0"}, {"ExpandStyle", "cesAuto"}, {"DialogOptions", "doShowColumn|doItemEnabled"},
        {"Title.Alignment", "taLeftJustify"}, {"Title.VAlignment", "tvCenter"}, {"Title.WordWrap", yes},
        {"Title.Ellipsis", yes}, {"Title.Button", yes}, {"Title.Header", ""}, {"Title.HeaderHint", ""},
        {"Title.Hint", ""}, {"Title.ImageIndex", "-1"}, {"Title.Marker", "tmNone"},
        {"Title.MarkerIndex", "-1"}, {"Title.OrderIndex", "-1"}, {"Title.AutoToggle", yes},
        {"Title.AutoFilter", yes}, {"Title.AutoFilters", "fsFilterList|fsFilterForm"},
        {"Title.PopupMenu", none}, {"Title.DropDownMenu", none},
        {"Report.Visible", yes}, {"Report.TotalType", "ttNone"}, {"Report.TotalText", ""},
        {"Report.TotalMask", ""}, {"Report.AutoHeight", no}, {"Report.DialogOptions", "doShowColumn|doItemEnabled"},
    };
    for (const QString total : {"TotalHeader.", "TotalFooter.", "TotalFields."}) {
        for (const auto& [name, value] : std::map<QString, QString>{
                 {"Color", QString::number(clBtnFace)}, {"Ellipsis", yes}, {"WordWrap", yes},
                 {"VAlignment", "tvCenter"}, {"Hint", ""}, {"ToolTips", yes}, {"ToolTipsWidth", "ttAutoWidth"},
                 {"ImageIndex", "-1"}, {"PopupMenu", none}, {"TotalBox", "tbAuto"}, {"Visible", yes},
                 {"FieldName", ""}})
            defaults[total + name] = value;
        if (total == "TotalFields.")
            continue;
        for (const auto& [name, value] : std::map<QString, QString>{
                 {"TotalResult", "trCaption"}, {"CalcApply", "caBoth"}, {"CalcValue", "cvSum"},
                 {"NullValue", "nvExclude"}, {"Caption", ""}, {"Format", ""}, {"FormatAsFloat", no},
                 {"TotalRecNo", "1"}, {"Value", ""}})
            defaults[total + name] = value;
    }
    return defaults;
}

void ExpectDefaults(const TZColumn* Column, std::map<QString, QString> Expected)
{
    ExpectProperties(TZColumn::staticMetaObject, Column, QString(), Expected);
    for (const auto& [path, value] : Expected)
        ADD_FAILURE() << "no property " << path.toStdString();
}

struct ColumnProps : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(5);
    TDataSource Source;
    TZDBGrid Grid;

    void SetUp() override
    {
        Table->FieldByName("Id")->SetDisplayLabel("Order no.");
        Grid.SetColor(clCream);
        Grid.SetFixedColor(clSilver);
        Source.SetDataSet(Table.get());
        Grid.SetDataSource(&Source);
    }
    TZColumn* Id() const { return Grid.Columns()->FindColumn("Id"); }
};

} // namespace

TEST_F(ColumnProps, EveryPublishedPropertyHasItsDefault)
{
    TZColumn* id = Id();
    ASSERT_NE(id, nullptr);
    std::map<QString, QString> expected = FixedDefaults();
    // Defaults that follow the integer field and the grid.
    const int width = id->DefaultWidth();
    EXPECT_GT(width, 0);
    expected.insert({{"FieldName", "Id"}, {"KeyField", "Id"}, {"ReadOnly", "false"},
                     {"Alignment", "taRightJustify"}, {"Title.Caption", "Order no."},
                     {"TotalHeader.Alignment", "taRightJustify"}, {"TotalFooter.Alignment", "taRightJustify"},
                     {"TotalFields.Alignment", "taRightJustify"},
                     {"Color", QString::number(clCream)}, {"Title.Color", QString::number(clSilver)},
                     {"Font", Grid.GetFont().toString()}, {"Title.Font", Grid.GetTitleFont().toString()},
                     {"ImeMode", ValueText(Grid.metaObject()->property(Grid.metaObject()->indexOfProperty("ImeMode")),
                                           Grid.property("ImeMode"))},
                     {"ImeName", Grid.GetImeName()}, {"Width", QString::number(width)},
                     {"WidthBase", QString::number(width)}});
    ExpectDefaults(id, expected);

    // Without grid and field the column's own defaults hold.
    TZDBGridColumns columns(nullptr);
    TZColumn* alone = columns.Add();
    alone->SetFieldName("Name");
    expected = FixedDefaults();
    expected.insert({{"FieldName", "Name"}, {"KeyField", "Name"}, {"ReadOnly", "false"},
                     {"Alignment", "taLeftJustify"}, {"Title.Caption", "Name"},
                     {"TotalHeader.Alignment", "taLeftJustify"}, {"TotalFooter.Alignment", "taLeftJustify"},
                     {"TotalFields.Alignment", "taLeftJustify"},
                     {"Color", QString::number(clWindow)}, {"Title.Color", QString::number(clBtnFace)},
                     {"Font", alone->GetFont().toString()}, {"Title.Font", alone->GetFont().toString()},
                     {"ImeMode", "imDontCare"}, {"ImeName", ""}, {"Width", "64"}, {"WidthBase", "64"}});
    ExpectDefaults(alone, expected);
}

TEST_F(ColumnProps, WritesByNameReachTheGrid)
{
    ShowGrid(Grid);
    TZColumn* id = Id();
    const int raw = Grid.DataToRawColumn(id->Index());

    EXPECT_TRUE(SetColumnProperty(id, "Width", 123));
    EXPECT_EQ(Grid.GetColWidths(raw), 123);
    EXPECT_TRUE(SetColumnProperty(id, "Title.Caption", "Number"));
    EXPECT_EQ(Grid.CellText(raw, 0), "Number");
    EXPECT_EQ(ColumnProperty(id, "Title.Caption").toString(), "Number");
    EXPECT_TRUE(SetColumnProperty(id, "Alignment", "taCenter"));
    EXPECT_EQ(id->GetAlignment(), taCenter);
    EXPECT_TRUE(SetColumnProperty(id, "Report.TotalType", "ttSum"));
    EXPECT_EQ(id->Report()->GetTotalType(), ttSum);
    EXPECT_TRUE(SetColumnProperty(id, "PickOptions", "poListItemsOnly|poDropDownList"));
    EXPECT_EQ(id->GetPickOptions(), (TZPickOptions{poListItemsOnly, poDropDownList}));

    // Refused: an unknown key, an unknown path, a read-only property; nothing changes.
    EXPECT_FALSE(SetColumnProperty(id, "Alignment", "taNowhere"));
    EXPECT_FALSE(SetColumnProperty(id, "Alignment", 7));
    EXPECT_EQ(id->GetAlignment(), taCenter);
    EXPECT_FALSE(SetColumnProperty(id, "PickOptions", QStringList{"poListItemsOnly", "poNothing"}));
    EXPECT_EQ(id->GetPickOptions(), (TZPickOptions{poListItemsOnly, poDropDownList}));
    EXPECT_FALSE(SetColumnProperty(id, "Title.Nothing", 1));
    EXPECT_FALSE(ColumnProperty(id, "Title.Nothing").isValid());
    EXPECT_FALSE(SetColumnProperty(id, "Caption.Title", 1));
    EXPECT_FALSE(SetColumnProperty(id, "MultiSelectList", true));

    // RESET returns assigned values to the field's.
    const QMetaObject& meta = TZColumn::staticMetaObject;
    EXPECT_TRUE(meta.property(meta.indexOfProperty("Width")).resetOnGadget(id));
    EXPECT_EQ(Grid.GetColWidths(raw), id->DefaultWidth());
    EXPECT_TRUE(meta.property(meta.indexOfProperty("Alignment")).resetOnGadget(id));
    EXPECT_EQ(id->GetAlignment(), taRightJustify);
    EXPECT_TRUE(id->Title()->staticMetaObject.property(0).resetOnGadget(id->Title()));
    EXPECT_EQ(Grid.CellText(raw, 0), "Order no.");

    // Hidden by name: its raw column collapses.
    EXPECT_TRUE(SetColumnProperty(id, "Visible", false));
    EXPECT_FALSE(id->Showing());
    EXPECT_LE(Grid.GetColWidths(raw), 0);
}
