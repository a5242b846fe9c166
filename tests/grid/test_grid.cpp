// The grid's model: defaults, option sets and their reactions, setters with
// rules of their own, row structure, the column map, layout batching.

#include "DBError.h"
#include "test_grid_helpers.h"

#include <QMetaProperty>
#include <QStyle>
#include <QStyleFactory>

#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

// A grid over the orders table, not shown.
struct GridModel : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(5);
    TDataSource Source;
    TCountingGrid Grid;

    void SetUp() override { Source.SetDataSet(Table.get()); }
    void Link() { Grid.SetDataSource(&Source); }
};

// A data link whose map holds at most three entries.
class TSmallMapLink : public TZGridDataLink
{
public:
    using TZGridDataLink::TZGridDataLink;

protected:
    int MapLimit() const override { return 3; }
};

class TSmallMapGrid : public TZDBGrid
{
public:
    TSmallMapGrid() : TZDBGrid(nullptr, DeferCreate) { CreateParts(); }

protected:
    std::unique_ptr<TZGridDataLink> CreateDataLink() override { return std::make_unique<TSmallMapLink>(this); }
};

} // namespace

// ---- Published surface --------------------------------------------------------------

namespace {

// A property's value as text: option sets as their member names in any order,
// enumerations by key, object references by name ("none" when unset).
QString PropertyText(const QObject& Object, const QMetaProperty& Property)
{
    const QVariant value = Property.read(&Object);
    if (Property.isFlagType()) {
        QStringList keys = QString::fromLatin1(Property.enumerator().valueToKeys(value.toInt())).split('|');
        keys.removeAll(QString());
        keys.sort();
        return keys.join('|');
    }
    if (Property.isEnumType())
        return QString::fromLatin1(Property.enumerator().valueToKey(value.toInt()));
    if (Property.metaType().flags() & QMetaType::PointerToQObject) {
        const QObject* object = value.value<QObject*>();
        return object ? object->objectName() : QStringLiteral("none");
    }
    if (value.metaType() == QMetaType::fromType<QStringList>())
        return value.toStringList().join('|');
    return value.toString();
}

QString Sorted(const char* Keys)
{
    QStringList keys = QString::fromLatin1(Keys).split('|');
    keys.removeAll(QString());
    keys.sort();
    return keys.join('|');
}

} // namespace

TEST(GridSurface, PublishedPropertiesHaveTheirDefaults)
{
    TZDBGrid grid;
    const QString window = QString::number(clWindow), btnFace = QString::number(clBtnFace),
                  none = QString::number(clNone), deflt = QString::number(clDefault);
    const std::vector<std::pair<const char*, QString>> defaults = {
        // Data and behaviour.
        {"DataSource", "none"},
        {"ReadOnly", "false"},
        {"KeyFields", ""},
        {"DetailFields", ""},
        {"OrderFields", ""},
        {"MasterGrid", "none"},
        {"Options", Sorted("dgEditing|dgTitles|dgIndicator|dgColumnResize|dgColLines|dgRowLines|dgTabs|"
                           "dgConfirmDelete|dgCancelOnExit|dgExtendedSelect|dgInternalSelect|dgRowResize|"
                           "dgRowScroll|dgHotButtons|dgTitleButtons|dgTitleHeaders|dgTitleWidthOff|"
                           "dgMarkerAutoAlign|dgMarkerAutoToggle")},
        {"OptionsEx", Sorted("dgTotalHeaderBox|dgTotalValuesBox|dgTotalFieldsBox|dgTotalFooterBox|"
                             "dgAutoAscendOrder|dgAutoUpdateSequence|dgDelayUpdateSequence|dgAutoUpdateTotals|"
                             "dgDelayUpdateTotals|dgCalcWholeDataSet|dgCalcSelectedRows|dgDelaySelectedRows|"
                             "dgSelectedAutoHidden")},
        {"OptionsExt", Sorted("dgAutoUpdateListItems|dgDelayUpdateListItems|dgGridStyleLists|dgMouseScrolling|"
                              "dgForceSystemButton|dgForceSystemMarker")},
        {"HintOptions",
         Sorted("hoTitleHints|hoShowTitleHints|hoEditorHints|hoShowToolTips|hoShowTotalToolTips")},
        {"ResizeOptions", Sorted("roColumnResize|roOptimalWidth|roDefaultWidth|roColumnMoving")},
        {"MultiSelectOptions", "msRows"},
        {"DrawingOptions", Sorted("gdoHighlightText|gdoDataColLines|gdoDataRowLines|gdoSelectedCell|"
                                  "gdoSelectedRow|gdoMultiSelected|gdoTotalSelected")},
        // Sizes and layout.
        {"IndicatorWidth", "20"},
        {"LinesCount", "1"},
        {"LinesCountMin", "1"},
        {"LinesCountMax", "-1"},
        {"TitleLinesCount", "1"},
        {"HeaderLinesCount", "1"},
        {"GridLineWidth", "1"},
        {"FixedCols", "0"},
        {"DefaultWidthMin", "-1"},
        {"DefaultWidthMax", "-1"},
        {"StretchMode", "false"},
        {"StretchWidthMin", "-1"},
        {"StretchWidthMax", "-1"},
        {"WheelScrollRows", "0"},
        {"DragRows", "false"},
        {"ScrollBars", "ssBoth"},
        // Look.
        {"Color", window},
        {"ParentColor", "false"},
        {"FixedColor", btnFace},
        {"HeaderColor", btnFace},
        {"FillerColor", btnFace},
        {"EditorColor", none},
        {"StripeColor", none},
        {"SelectionColor", deflt},
        {"SelectRowColor", deflt},
        {"SelectCellColor", deflt},
        {"HighlightText", deflt},
        {"DataColLineColor", deflt},
        {"DataRowLineColor", deflt},
        {"FixedStyle", "fsDefault"},
        {"FixedTheme", "ftDefault"},
        {"FocusRect", "frAuto"},
        {"HotButtons", "hbAuto"},
        {"ListBorder", "lbAuto"},
        {"MarkerStyle", "msAuto"},
        {"MarkerTransparent", "mtAuto"},
        {"Ctl3DAuto", "true"},
        {"SystemStyleElements", Sorted("sseFixed|sseText|sseButton|sseMarker|sseData")},
        // Menus and hints.
        {"FillerPopupMenu", "none"},
        {"IndicatorPopupMenu", "none"},
        {"FillerButton", "true"},
        {"FillerIndex", "-7"},
        {"FillerHint", ""},
        {"IndicatorHint", ""},
        {"FillerToolMenu", "false"},
        {"PopupToolMenu", "false"},
        // Control and base-grid properties.
        {"ImeMode", "imDontCare"},
        {"ImeName", ""},
        {"Enabled", "true"},
        {"Hint", ""},
        {"TabStop", "true"},
        {"DefaultDrawing", "true"},
        {"BorderStyle", "bsSingle"},
        {"BiDiMode", "bdLeftToRight"},
        {"PopupMenu", "none"},
        {"ColCount", "2"},
        {"RowCount", "2"},
        {"FixedRows", "1"},
        {"Col", "1"},
        {"Row", "1"},
        {"LeftCol", "1"},
        {"TopRow", "1"},
    };
    const QMetaObject* meta = grid.metaObject();
    for (const auto& [name, expected] : defaults) {
        const int index = meta->indexOfProperty(name);
        ASSERT_GE(index, 0) << name;
        const QMetaProperty property = meta->property(index);
        EXPECT_TRUE(property.isWritable()) << name;
        EXPECT_EQ(PropertyText(grid, property).toStdString(), expected.toStdString()) << name;
    }
    // Read-only and not-stored ones exist too.
    for (const char* name : {"VisibleRowCount", "Font", "TitleFont", "HeaderFont", "ParentFont", "Visible"})
        EXPECT_GE(meta->indexOfProperty(name), 0) << name;
    EXPECT_TRUE(grid.property("DoubleBuffered").toBool());
}

TEST(GridSurface, PropertiesWrittenByNameChangeTheGrid)
{
    TZDBGrid grid;
    // Sets by member names; a row selection drops editing.
    EXPECT_TRUE(grid.setProperty("Options", "dgTitles|dgIndicator|dgEditing|dgRowSelect"));
    EXPECT_EQ(grid.GetOptions(), TZDBGridOptions(dgTitles | dgIndicator | dgRowSelect));
    EXPECT_TRUE(grid.TCustomGrid::GetOptions().testFlag(goRowSelect));
    EXPECT_FALSE(grid.setProperty("Options", "dgTitles|dgNoSuchOption"));
    EXPECT_EQ(grid.GetOptions(), TZDBGridOptions(dgTitles | dgIndicator | dgRowSelect));

    // A total row brings the blank row with it.
    EXPECT_TRUE(grid.setProperty("OptionsEx", "dgTotalFooter"));
    EXPECT_EQ(grid.BottomRowCount(), 2);
    EXPECT_TRUE(grid.GetOptionsEx().testFlag(dgBlankRow));

    // The setters' own rules apply by name as well.
    EXPECT_TRUE(grid.setProperty("IndicatorWidth", 5));
    EXPECT_EQ(grid.property("IndicatorWidth").toInt(), 11);
    EXPECT_EQ(grid.GetColWidths(0), 11);
    const int titleHeight = grid.TitleHeight();
    EXPECT_TRUE(grid.setProperty("TitleLinesCount", 3));
    EXPECT_GT(grid.TitleHeight(), titleHeight);

    EXPECT_TRUE(grid.setProperty("ScrollBars", "ssNone"));
    EXPECT_EQ(grid.GetScrollBars(), ssNone);
    EXPECT_TRUE(grid.setProperty("MultiSelectOptions", QStringList{"msRows", "msCells"}));
    EXPECT_EQ(grid.GetMultiSelectOptions(), (TMultiSelectOptions{msRows, msCells}));
    grid.setProperty("MultiSelectOptions", QStringList{"msCols", "msEverything"});
    EXPECT_EQ(grid.GetMultiSelectOptions(), (TMultiSelectOptions{msRows, msCells}));
    EXPECT_TRUE(grid.setProperty("TabStop", false));
    EXPECT_EQ(grid.focusPolicy(), Qt::ClickFocus);
    EXPECT_TRUE(grid.setProperty("BorderStyle", "bsNone"));
    EXPECT_EQ(grid.frameShape(), QFrame::NoFrame);
    EXPECT_TRUE(grid.setProperty("BiDiMode", "bdRightToLeftNoAlign"));
    EXPECT_EQ(grid.layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(grid.property("BiDiMode").toString(), "bdRightToLeftNoAlign");
}

TEST(GridColors, ColorValuesResolveThroughThePalette)
{
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(1, 2, 3));
    palette.setColor(QPalette::Button, QColor(4, 5, 6));
    EXPECT_EQ(ColorToQColor(clWindow, palette), QColor(1, 2, 3));
    EXPECT_EQ(ColorToQColor(clBtnFace, palette), QColor(4, 5, 6));
    EXPECT_EQ(ColorToQColor(clRed, palette), QColor(255, 0, 0));
    EXPECT_EQ(ColorToQColor(RGBColor(0x12, 0x34, 0x56), palette), QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(ColorToQColor(clNone, palette).alpha(), 0);
    EXPECT_FALSE(ColorToQColor(clDefault, palette).isValid());
    EXPECT_EQ(ColorToRGB(clWindow, palette), RGBColor(1, 2, 3));
    EXPECT_EQ(clInfoBk, -16777192);
    EXPECT_EQ(clHighlightText, -16777202);
    EXPECT_EQ(clNone, 536870911);
    EXPECT_EQ(clDefault, 536870912);

    EXPECT_EQ(TZCustomDBGrid::GetTrueColor(clDefault, clRed, clBlue), clRed);
    EXPECT_EQ(TZCustomDBGrid::GetTrueColor(clGreen, clRed, clBlue), clGreen);
    EXPECT_EQ(TZCustomDBGrid::GetTrueColor(clNone, clRed, clBlue), clBlue);
    EXPECT_EQ(TZCustomDBGrid::GetTrueColor(clNone, clRed, clDefault), clRed);

    TZDBGrid grid;
    grid.SetColor(clYellow);
    EXPECT_EQ(grid.GetColor(), clYellow);
    EXPECT_EQ(grid.TCustomGrid::GetColor(), QColor(255, 255, 0));
}

// ---- Options -----------------------------------------------------------------------

TEST_F(GridModel, OptionsEqualToTheCurrentDoNothing)
{
    Link();
    Grid.Layouts = 0;
    Grid.SetOptions(Grid.GetOptions());
    Grid.SetOptionsEx(Grid.GetOptionsEx());
    Grid.SetOptionsExt(Grid.GetOptionsExt());
    EXPECT_EQ(Grid.Layouts, 0);

    // Options that change the layout lay out once; others do not.
    Grid.SetOptions(Grid.GetOptions() & ~TZDBGridOptions(dgTitles));
    EXPECT_EQ(Grid.Layouts, 1);
    EXPECT_EQ(Grid.TitleRowCount(), 0);
    Grid.SetOptions(Grid.GetOptions() | dgConfirmDelete | dgRightMoving);
    EXPECT_EQ(Grid.Layouts, 1);
    Grid.SetOptionsExt(Grid.GetOptionsExt() | dgMouseTracking);
    EXPECT_EQ(Grid.Layouts, 1);
    Grid.SetOptionsExt(Grid.GetOptionsExt() | dgForceSystemTheme);
    EXPECT_EQ(Grid.Layouts, 2);
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgClickSelectOff);
    EXPECT_EQ(Grid.Layouts, 2);
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalColLines);
    EXPECT_EQ(Grid.Layouts, 3);
}

TEST_F(GridModel, RowSelectRemovesEditing)
{
    Grid.SetOptions(Grid.GetOptions() | dgAlwaysShowEditor);
    ASSERT_TRUE(Grid.GetOptions().testFlag(dgAlwaysShowEditor));
    Grid.SetOptions(Grid.GetOptions() | dgRowSelect);
    EXPECT_TRUE(Grid.GetOptions().testFlag(dgRowSelect));
    EXPECT_FALSE(Grid.GetOptions().testFlag(dgEditing));
    EXPECT_FALSE(Grid.GetOptions().testFlag(dgAlwaysShowEditor));
    const TGridOptions base = Grid.TCustomGrid::GetOptions();
    EXPECT_TRUE(base.testFlag(goRowSelect));
    EXPECT_FALSE(base.testFlag(goEditing));
    // Editing cannot come back while rows are selected as a whole.
    Grid.SetOptions(Grid.GetOptions() | dgEditing);
    EXPECT_FALSE(Grid.GetOptions().testFlag(dgEditing));
}

TEST_F(GridModel, LineOptionsSetLineWidthsAndBaseOptions)
{
    Link();
    EXPECT_EQ(Grid.ColLineWidth(), 1);
    EXPECT_EQ(Grid.RowLineWidth(), 1);
    const int rowHeight = Grid.GetDefaultRowHeight();
    Grid.SetOptions(Grid.GetOptions() & ~TZDBGridOptions(dgColLines | dgRowLines));
    EXPECT_EQ(Grid.ColLineWidth(), 0);
    EXPECT_EQ(Grid.RowLineWidth(), 0);
    EXPECT_FALSE(Grid.TCustomGrid::GetOptions().testFlag(goVertLine));
    EXPECT_FALSE(Grid.TCustomGrid::GetOptions().testFlag(goHorzLine));
    // The row line belongs to the row's height.
    EXPECT_EQ(Grid.GetDefaultRowHeight(), rowHeight - 1);
    Grid.SetOptions(Grid.GetOptions() | dgColLines | dgRowLines);
    Grid.SetGridLineWidth(2);
    EXPECT_EQ(Grid.ColLineWidth(), 2);
    EXPECT_EQ(Grid.GetDefaultRowHeight(), rowHeight + 1);
    // Wide lines are drawn between fixed cells by the base grid too.
    EXPECT_TRUE(Grid.TCustomGrid::GetOptions().testFlag(goFixedVertLine));
    EXPECT_TRUE(Grid.TCustomGrid::GetOptions().testFlag(goFixedHorzLine));
}

TEST_F(GridModel, TotalRowOptionsForceTheBlankRow)
{
    Link();
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalFooter);
    EXPECT_TRUE(Grid.GetOptionsEx().testFlag(dgBlankRow));
    EXPECT_EQ(Grid.BottomRowCount(), 2);
    EXPECT_EQ(Grid.TotalRowCount(), 1);
    EXPECT_EQ(Grid.TotalFooterRowCount(), 1);
    EXPECT_EQ(Grid.TotalHeaderRowCount(), 0);
    EXPECT_EQ(Grid.TotalFieldsRowCount(), 0);

    // The blank row stays while a total row is on.
    Grid.SetOptionsEx(Grid.GetOptionsEx() & ~TZDBGridOptionsEx(dgBlankRow));
    EXPECT_TRUE(Grid.GetOptionsEx().testFlag(dgBlankRow));

    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalHeader);
    EXPECT_EQ(Grid.BottomRowCount(), 3);
    EXPECT_EQ(Grid.TotalRowCount(), 2);
    EXPECT_EQ(Grid.TotalHeaderRowCount(), 1);

    // Without totals the blank row can go, and with it the bottom block.
    Grid.SetOptionsEx(Grid.GetOptionsEx() & ~TZDBGridOptionsEx(dgTotalHeader | dgTotalFooter));
    EXPECT_TRUE(Grid.GetOptionsEx().testFlag(dgBlankRow));
    EXPECT_EQ(Grid.BottomRowCount(), 1);
    EXPECT_EQ(Grid.TotalRowCount(), 0);
    Grid.SetOptionsEx(Grid.GetOptionsEx() & ~TZDBGridOptionsEx(dgBlankRow));
    EXPECT_EQ(Grid.BottomRowCount(), 0);
    EXPECT_EQ(Grid.BlankRow(), -1);
}

TEST_F(GridModel, SelectedTotalsFollowTheSelectionAndDropCalcSelectedRows)
{
    // No selection: dgSelectedAutoHidden switches the header row off.
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalHeader | dgTotalHeaderSelected);
    EXPECT_FALSE(Grid.GetOptionsEx().testFlag(dgTotalHeader));
    EXPECT_FALSE(Grid.GetOptionsEx().testFlag(dgCalcSelectedRows));
    EXPECT_TRUE(Grid.GetOptionsEx().testFlag(dgTotalHeaderSelected));
    EXPECT_FALSE(Grid.GetOptionsEx().testFlag(dgBlankRow));

    // Rows selected: the next assignment switches it on (and the blank row with it).
    Grid.Totals()->SetRowsSelected(true);
    Grid.SetOptionsEx(Grid.GetOptionsEx());
    EXPECT_TRUE(Grid.GetOptionsEx().testFlag(dgTotalHeader));
    EXPECT_TRUE(Grid.GetOptionsEx().testFlag(dgBlankRow));

    // Without dgSelectedAutoHidden the row stays as assigned.
    Grid.Totals()->SetRowsSelected(false);
    Grid.SetOptionsEx((Grid.GetOptionsEx() & ~TZDBGridOptionsEx(dgSelectedAutoHidden)) | dgTotalValues);
    EXPECT_TRUE(Grid.GetOptionsEx().testFlag(dgTotalHeader));
    EXPECT_TRUE(Grid.GetOptionsEx().testFlag(dgTotalValues));
}

// ---- Setters with rules ----------------------------------------------------------------

TEST_F(GridModel, SizeSettersKeepTheirRules)
{
    Link();
    Grid.Layouts = 0;
    Grid.SetIndicatorWidth(5);
    EXPECT_EQ(Grid.GetIndicatorWidth(), 11);
    EXPECT_EQ(Grid.GetColWidths(0), 11);
    EXPECT_EQ(Grid.Layouts, 1);
    Grid.SetIndicatorWidth(11);
    EXPECT_EQ(Grid.Layouts, 1);
    // Without the indicator its width is only stored.
    Grid.SetOptions(Grid.GetOptions() & ~TZDBGridOptions(dgIndicator));
    Grid.Layouts = 0;
    Grid.SetIndicatorWidth(30);
    EXPECT_EQ(Grid.GetIndicatorWidth(), 30);
    EXPECT_EQ(Grid.Layouts, 0);

    Grid.SetLinesCount(0);
    EXPECT_EQ(Grid.GetLinesCount(), 1);
    Grid.SetLinesCount(3);
    EXPECT_EQ(Grid.GetLinesCount(), 3);
    Grid.SetLinesCount(-3);
    EXPECT_EQ(Grid.GetLinesCount(), 3);
    Grid.SetLinesCountMax(2);
    EXPECT_EQ(Grid.GetLinesCount(), 2);
    Grid.SetLinesCount(5);
    EXPECT_EQ(Grid.GetLinesCount(), 2);
    Grid.SetLinesCountMax(-1);
    Grid.SetLinesCountMin(4);
    EXPECT_EQ(Grid.GetLinesCount(), 4);
    Grid.SetLinesCount(1);
    EXPECT_EQ(Grid.GetLinesCount(), 4);

    Grid.SetFixedCols(-2);
    EXPECT_EQ(Grid.GetFixedCols(), 0);
}

TEST_F(GridModel, RowHeightsFollowFontsLinesAndSpacing)
{
    Link();
    const int text = QFontMetrics(Grid.GetFont()).height();
    EXPECT_EQ(Grid.TextHeight(), text);
    EXPECT_EQ(Grid.GetDefaultRowHeight(), text + Grid.GridStyle()->DataRowSpace() + 1);
    EXPECT_EQ(Grid.RowHeight(), Grid.GetDefaultRowHeight() + 1);
    Grid.SetLinesCount(2);
    EXPECT_EQ(Grid.GetDefaultRowHeight(), 2 * text + Grid.GridStyle()->DataRowSpace() + 1);

    // A spacing of the grid style turns it custom and lays out.
    Grid.Layouts = 0;
    Grid.GridStyle()->SetDataRowSpace(Grid.GridStyle()->DataRowSpace());
    EXPECT_EQ(Grid.Layouts, 0);
    EXPECT_EQ(Grid.GridStyle()->GetVisualStyle(), vsXPStyle);
    Grid.GridStyle()->SetDataRowSpace(10);
    EXPECT_EQ(Grid.Layouts, 1);
    EXPECT_EQ(Grid.GridStyle()->GetVisualStyle(), vsCustom);
    EXPECT_TRUE(Grid.GridStyle()->IsSpacingStored());
    EXPECT_EQ(Grid.GetDefaultRowHeight(), 2 * text + 10 + 1);

    // A bigger title font makes a taller title row; it no longer follows the grid font.
    const int titleHeight = Grid.GetRowHeights(0);
    QFont big = Grid.GetTitleFont();
    big.setPixelSize(QFontInfo(big).pixelSize() * 2);
    Grid.SetTitleFont(big);
    EXPECT_GT(Grid.GetRowHeights(0), titleHeight);
    EXPECT_FALSE(Grid.GetParentFont());
}

TEST(GridStyle, PresetsOfTheVisualStyles)
{
    TZDBGrid grid;
    TZGridStyle* style = grid.GridStyle();
    EXPECT_EQ(style->DataRowSpace(), 4);
    EXPECT_EQ(style->HeaderRowSpace(), 8);
    EXPECT_EQ(style->TitleColMargin(), 1);
    EXPECT_EQ(style->TitleRowSpace(), 8);
    EXPECT_EQ(style->TotalColMargin(), 0);
    EXPECT_EQ(style->TotalRowSpace(), 8);
    style->SetVisualStyle(vsStandard);
    EXPECT_EQ(style->DataRowSpace(), 3);
    EXPECT_EQ(style->HeaderRowSpace(), 4);
    EXPECT_EQ(style->TitleColMargin(), 0);
    EXPECT_EQ(style->TotalRowSpace(), 4);
    EXPECT_EQ(style->GetVisualStyle(), vsStandard);

    // vsDefault resolves by the look of the grid: classic is unthemed.
    std::unique_ptr<QStyle> classic(QStyleFactory::create("Windows"));
    ASSERT_TRUE(classic);
    grid.setStyle(classic.get());
    style->SetTitleRowSpace(20);
    EXPECT_EQ(style->GetVisualStyle(), vsCustom);
    style->SetVisualStyle(vsDefault);
    EXPECT_EQ(style->GetVisualStyle(), vsStandard);
    EXPECT_EQ(style->TitleRowSpace(), 4);
    grid.setStyle(nullptr);

    TZDBGrid other;
    other.GridStyle()->SetTotalColMargin(7);
    style->Assign(*other.GridStyle());
    EXPECT_EQ(style->TotalColMargin(), 7);
    EXPECT_EQ(style->GetVisualStyle(), vsCustom);
}

// ---- Columns and rows ----------------------------------------------------------------

TEST_F(GridModel, RawAndDataColumns)
{
    Link();
    EXPECT_EQ(Grid.RawToDataColumn(0), -1);
    EXPECT_EQ(Grid.RawToDataColumn(1), 0);
    EXPECT_EQ(Grid.DataToRawColumn(2), 3);
    EXPECT_EQ(Grid.ColumnOfRaw(0), nullptr);
    EXPECT_EQ(Grid.ColumnOfRaw(1), Grid.Columns()->Items(0));
    Grid.SetOptions(Grid.GetOptions() & ~TZDBGridOptions(dgIndicator));
    EXPECT_EQ(Grid.RawToDataColumn(0), 0);
    EXPECT_EQ(Grid.DataToRawColumn(2), 2);
    EXPECT_EQ(Grid.GetColCount(), 3);
    EXPECT_EQ(Grid.ColumnOfRaw(0), Grid.Columns()->Items(0));

    // Frozen data columns: the base grid freezes them behind the indicator.
    Grid.SetOptions(Grid.GetOptions() | dgIndicator);
    Grid.SetFixedCols(1);
    EXPECT_EQ(Grid.TCustomGrid::GetFixedCols(), 2);
    EXPECT_EQ(Grid.FixedColsWidth(), Grid.GetColWidths(1) + Grid.ColLineWidth());
    // Never all columns.
    Grid.SetFixedCols(10);
    EXPECT_EQ(Grid.GetFixedCols(), 10);
    EXPECT_EQ(Grid.TCustomGrid::GetFixedCols(), 3);
}

TEST_F(GridModel, DefaultColumnsFollowTheVisibleFields)
{
    Link();
    ASSERT_EQ(Grid.Columns()->Count(), 3);
    EXPECT_EQ(Grid.Columns()->State(), csDefault);
    EXPECT_FALSE(Grid.DataLink()->SparseMap());
    EXPECT_TRUE(Grid.DataLink()->GetDefaultFields());
    EXPECT_EQ(Grid.Columns()->Items(1)->GetField(), Table->FieldByName("Customer"));
    EXPECT_EQ(Grid.DataLink()->GetMappedIndex(2), 2);
    EXPECT_EQ(Grid.DataLink()->GetMappedIndex(3), -1);
    EXPECT_EQ(Grid.DataLink()->GetFields(7), nullptr);

    // Hiding a field drops its column; showing it brings it back in field order.
    Table->FieldByName("Customer")->SetVisible(false);
    QApplication::processEvents();
    ASSERT_EQ(Grid.Columns()->Count(), 2);
    EXPECT_EQ(Grid.Columns()->Items(1)->GetField(), Table->FieldByName("Amount"));
    Table->FieldByName("Customer")->SetVisible(true);
    QApplication::processEvents();
    ASSERT_EQ(Grid.Columns()->Count(), 3);
    EXPECT_EQ(Grid.Columns()->Items(1)->GetField(), Table->FieldByName("Customer"));
    EXPECT_EQ(Grid.GetColCount(), 4);
}

TEST_F(GridModel, AutomaticColumnsComeFirst)
{
    Link();
    Grid.SetOptionsExt(Grid.GetOptionsExt() | dgAutoNumberColumn | dgAutoSelectColumn);
    ASSERT_EQ(Grid.Columns()->Count(), 5);
    EXPECT_TRUE(Grid.Columns()->Items(0)->GetAutoNumber());
    EXPECT_TRUE(Grid.Columns()->Items(1)->GetCheckBox());
    EXPECT_EQ(Grid.Columns()->Items(2)->GetField(), Table->FieldByName("Id"));
    // A new layout does not add them twice.
    Grid.LayoutChanged();
    EXPECT_EQ(Grid.Columns()->Count(), 5);
    Grid.SetOptionsExt(Grid.GetOptionsExt() & ~TZDBGridOptionsExt(dgAutoNumberColumn | dgAutoSelectColumn));
    EXPECT_EQ(Grid.Columns()->Count(), 3);
}

TEST_F(GridModel, CustomizedColumnsMapByName)
{
    TZColumn* amount = Grid.Columns()->Add();
    amount->SetFieldName("Amount");
    TZColumn* missing = Grid.Columns()->Add();
    missing->SetFieldName("Discount");
    EXPECT_EQ(Grid.Columns()->State(), csCustomized);
    Link();
    ASSERT_EQ(Grid.Columns()->Count(), 2);
    EXPECT_TRUE(Grid.DataLink()->SparseMap());
    EXPECT_EQ(Grid.DataLink()->FieldCount(), 2);
    EXPECT_EQ(Grid.DataLink()->GetFields(0), Table->FieldByName("Amount"));
    EXPECT_EQ(Grid.DataLink()->GetMappedIndex(1), -1);
    EXPECT_EQ(amount->GetField(), Table->FieldByName("Amount"));
    EXPECT_EQ(missing->GetField(), nullptr);
    EXPECT_EQ(missing->GetFieldName(), "Discount");
    EXPECT_FALSE(Grid.DataLink()->GetDefaultFields()) << "a customized column misses its field";
    EXPECT_EQ(Grid.FindColumn("amount"), amount);
    EXPECT_EQ(Grid.FindColumn("amount", 1), nullptr);
    EXPECT_THROW(Grid.ColumnByName("Customer"), EDatabaseError);

    // Columns made by the grid before stored ones are dropped by the next layout.
    {
        TZLayoutGuard guard(&Grid);
        Grid.Columns()->InternalAdd()->SetIndex(0);
        EXPECT_EQ(Grid.Columns()->Count(), 3);
    }
    EXPECT_EQ(Grid.Columns()->Count(), 2);
    EXPECT_EQ(Grid.Columns()->Items(0), amount);
}

TEST_F(GridModel, FieldMapGrowsByDoublingUpToItsLimit)
{
    TZGridDataLink* link = Grid.DataLink();
    Link();
    link->SetSparseMap(true);
    link->ClearMapping();
    EXPECT_EQ(link->FieldCount(), 0);
    for (int i = 0; i < 8; ++i)
        link->AddMapping("Id");
    EXPECT_EQ(link->MapCapacity(), 8);
    link->AddMapping("Customer");
    EXPECT_EQ(link->MapCapacity(), 16);
    EXPECT_EQ(link->FieldCount(), 9);
    EXPECT_EQ(link->GetFields(8), Table->FieldByName("Customer"));
    EXPECT_FALSE(link->AddMapping("Nothing"));
    EXPECT_EQ(link->GetMappedIndex(9), -1);

    // A full map raises the dataset's error for an unknown name.
    link->SetSparseMap(false);
    EXPECT_THROW(link->AddMapping("Nothing"), EDatabaseError);
    EXPECT_EQ(link->FieldCount(), 10);

    TSmallMapGrid small;
    small.SetDataSource(&Source);
    TZGridDataLink* limited = small.DataLink();
    limited->ClearMapping();
    limited->AddMapping("Id");
    limited->AddMapping("Customer");
    limited->AddMapping("Amount");
    try {
        limited->AddMapping("Id");
        FAIL() << "a fourth entry must not fit";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), STooManyColumns);
    }
    EXPECT_EQ(limited->FieldCount(), 3);
    EXPECT_EQ(limited->GetFields(2), Table->FieldByName("Amount"));
}

TEST_F(GridModel, TitleDepthFromColumnGroups)
{
    TZColumn* order = Grid.Columns()->Add();
    order->SetFieldName("Id");
    Grid.Columns()->Add()->SetFieldName("Customer");
    Grid.Columns()->Add()->SetFieldName("Amount");
    order->SetExpandCols(2);
    Link();
    EXPECT_EQ(Grid.Columns()->Items(1)->ParentColumn(), order);
    EXPECT_EQ(Grid.Columns()->Items(2)->ParentColumn(), order);
    EXPECT_TRUE(order->Expandable());
    order->SetExpanded(true);
    Grid.LayoutChanged();
    // The expanded group gives way to its children one title row lower.
    EXPECT_EQ(Grid.TitleRowCount(), 2);
    EXPECT_EQ(Grid.ShowingColumns().size(), 2u);
    EXPECT_EQ(TZCustomDBGrid::ColumnAtDepth(Grid.Columns()->Items(2), 0), order);
    EXPECT_EQ(TZCustomDBGrid::ColumnAtDepth(Grid.Columns()->Items(2), 1), Grid.Columns()->Items(2));
    EXPECT_EQ(Grid.CellText(2, 0), order->Title()->GetCaption());
    EXPECT_EQ(Grid.CellText(3, 1), "Amount");
    // Collapsed, the group shows itself alone.
    order->SetExpanded(false);
    Grid.LayoutChanged();
    EXPECT_EQ(Grid.TitleRowCount(), 1);
    ASSERT_EQ(Grid.ShowingColumns().size(), 1u);
    EXPECT_EQ(Grid.ShowingColumns()[0], order);
    // Titles off: no title rows at all.
    Grid.SetOptions(Grid.GetOptions() & ~TZDBGridOptions(dgTitles));
    EXPECT_EQ(Grid.TitleRowCount(), 0);
    EXPECT_EQ(Grid.GetFixedRows(), 0);
}

TEST_F(GridModel, TotalValueRowsFollowTheLargestCount)
{
    TZColumn* a = Grid.Columns()->Add();
    a->SetFieldName("Id");
    TZColumn* b = Grid.Columns()->Add();
    b->SetFieldName("Amount");
    a->TotalValues()->SetCount(3);
    b->TotalValues()->SetCount(1);
    Link();
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalValues);
    EXPECT_EQ(Grid.TotalValuesRowCount(), 3);
    EXPECT_EQ(Grid.BottomRowCount(), 4);
    EXPECT_EQ(Grid.TotalRowCount(), 3);
    EXPECT_GT(Grid.TotalRowHeight(), 0);
    EXPECT_EQ(Grid.TotalRowHeight(), QFontMetrics(Grid.Totals()->GetFont()).height() * Grid.Totals()->GetLinesCount() +
                                         Grid.GridStyle()->TotalRowSpace());
    Grid.Totals()->SetLinesCount(2);
    EXPECT_EQ(Grid.TotalRowHeight(), QFontMetrics(Grid.Totals()->GetFont()).height() * 2 +
                                         Grid.GridStyle()->TotalRowSpace());
}

// ---- Layout batching ---------------------------------------------------------------

TEST_F(GridModel, NestedBracketsLayOutOnce)
{
    Link();
    Grid.Layouts = 0;
    Grid.BeginLayout();
    Grid.BeginLayout();
    Grid.LayoutChanged(); // inside a bracket: the bracket lays out
    Grid.SetLinesCount(2);
    Grid.EndLayout();
    EXPECT_EQ(Grid.Layouts, 0);
    EXPECT_EQ(Grid.LayoutLock(), 1);
    Grid.EndLayout();
    EXPECT_EQ(Grid.Layouts, 1);
    EXPECT_EQ(Grid.LayoutLock(), 0);
    EXPECT_EQ(Grid.UpdateLock(), 0);
    EXPECT_EQ(Grid.GetDefaultRowHeight(), 2 * Grid.TextHeight() + Grid.GridStyle()->DataRowSpace() + 1);

    // Unbalanced ends are ignored.
    Grid.EndLayout();
    Grid.EndUpdate();
    EXPECT_EQ(Grid.Layouts, 1);
    EXPECT_EQ(Grid.LayoutLock(), 0);
    EXPECT_EQ(Grid.UpdateLock(), 0);

    // CancelLayout closes without laying out.
    Grid.BeginLayout();
    Grid.CancelLayout();
    EXPECT_EQ(Grid.Layouts, 1);

    // An update lock blocks the lock and with it every layout request.
    Grid.BeginUpdate();
    EXPECT_FALSE(Grid.AcquireLayoutLock());
    Grid.LayoutChanged();
    Grid.EndUpdate();
    EXPECT_EQ(Grid.Layouts, 1);
    EXPECT_TRUE(Grid.AcquireLayoutLock());
    EXPECT_FALSE(Grid.AcquireLayoutLock());
    Grid.EndLayout();
    EXPECT_EQ(Grid.Layouts, 2);
}

TEST_F(GridModel, LayoutGuardCancelsOnFailure)
{
    Link();
    Grid.Layouts = 0;
    {
        TZLayoutGuard outer(&Grid);
        TZLayoutGuard inner(&Grid);
        EXPECT_EQ(Grid.LayoutLock(), 2);
    }
    EXPECT_EQ(Grid.Layouts, 1);
    try {
        TZLayoutGuard guard(&Grid);
        throw std::runtime_error("failed half-way");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(Grid.Layouts, 1);
    EXPECT_EQ(Grid.LayoutLock(), 0);
    EXPECT_EQ(Grid.UpdateLock(), 0);
    // The grid still lays out afterwards.
    Grid.LayoutChanged();
    EXPECT_EQ(Grid.Layouts, 2);
}

TEST_F(GridModel, DeferredLayoutRunsOnceFromTheEventLoop)
{
    Link();
    ShowGrid(Grid);
    Grid.Layouts = 0;
    Grid.BeginLayout();
    Grid.DeferLayout();
    EXPECT_EQ(Grid.LayoutLock(), 0);
    EXPECT_TRUE(Grid.DeferredLayoutPending());
    Grid.BeginLayout();
    Grid.DeferLayout(); // coalesces with the pending one
    EXPECT_EQ(Grid.Layouts, 0);
    QApplication::processEvents();
    EXPECT_EQ(Grid.Layouts, 1);
    EXPECT_FALSE(Grid.DeferredLayoutPending());

    // A layout in between makes the deferred one unnecessary.
    Grid.BeginLayout();
    Grid.DeferLayout();
    Grid.LayoutChanged();
    EXPECT_EQ(Grid.Layouts, 2);
    QApplication::processEvents();
    EXPECT_EQ(Grid.Layouts, 2);
}

TEST_F(GridModel, AFieldGoingAwayDefersTheLayout)
{
    Link();
    ShowGrid(Grid);
    ASSERT_EQ(Grid.Columns()->Count(), 3);
    Grid.Layouts = 0;
    Table->Close(); // the dataset's own fields go with it, after the link closed
    EXPECT_EQ(Grid.Layouts, 1);
    EXPECT_TRUE(Grid.DeferredLayoutPending());
    EXPECT_EQ(Grid.Columns()->Count(), 1);
    QApplication::processEvents();
    EXPECT_EQ(Grid.Layouts, 2);
    EXPECT_EQ(Grid.Columns()->Count(), 1);
    EXPECT_FALSE(Grid.DeferredLayoutPending());
    EXPECT_EQ(Grid.LayoutLock(), 0);
    EXPECT_EQ(Grid.UpdateLock(), 0);
}

TEST_F(GridModel, DataSourceRules)
{
    Link();
    EXPECT_EQ(Grid.GetDataSource(), &Source);
    EXPECT_EQ(Grid.property("DataSource").value<QObject*>(), &Source);
    // The totals' source cannot be the grid's.
    TDataSource other;
    Grid.TotalDataLink()->SetDataSource(&other);
    EXPECT_THROW(Grid.SetDataSource(&other), EDatabaseError);
    EXPECT_EQ(Grid.GetDataSource(), &Source);
    Grid.SetDataSource(nullptr);
    EXPECT_EQ(Grid.DataRowCount(), 0);
    EXPECT_EQ(Grid.Columns()->Count(), 1);

    // A source destroyed under the grid leaves it unlinked.
    {
        TDataSource shortLived;
        shortLived.SetDataSet(Table.get());
        Grid.SetDataSource(&shortLived);
        EXPECT_EQ(Grid.Columns()->Count(), 3);
    }
    EXPECT_EQ(Grid.GetDataSource(), nullptr);
    EXPECT_EQ(Grid.Columns()->Count(), 1);
}

TEST_F(GridModel, KeyAndDetailFieldsAreNormalized)
{
    Link();
    Grid.SetKeyFields("Id, Customer,Nothing");
    EXPECT_EQ(Grid.GetKeyFields(), "Id;Customer");
    Grid.SetDetailFields("Amount");
    EXPECT_EQ(Grid.GetDetailFields(), "Amount");
    Grid.setProperty("KeyFields", "Amount");
    EXPECT_EQ(Grid.GetKeyFields(), "Amount");
}
