// Columns inside a real grid over real datasets: defaults that follow the field
// and the grid, binding, grouping, widths, stretching, scaling, settings text
// at another pixel density and the grid's column stream.

#include "TestDb.h"
#include "ZDBSQLQuery.h"
#include "test_grid_helpers.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace zdb;
using namespace zdb::test;

namespace {

// A grid whose pixel density a test can set, and that can join a ring of
// linked grids.
class TDensityGrid : public TZDBGrid {
public:
    using TZDBGrid::TZDBGrid;
    void SetPPI(int Value) { FCurrentPPI = Value; }
    using TZDBGrid::SetManageGrid;
};

struct GridColumns : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(12);
    TDataSource Source;
    TDensityGrid Grid;

    void SetUp() override
    {
        Source.SetDataSet(Table.get());
        Grid.SetDataSource(&Source);
    }
    TField* Field(const char* Name) const { return Table->FieldByName(QString::fromLatin1(Name)); }
    TZColumn* Column(const char* Name) const { return Grid.Columns()->FindColumn(QString::fromLatin1(Name)); }
    // Customized columns for the given field names (empty name: no field).
    void Customize(std::initializer_list<const char*> Names)
    {
        TZDBGridColumns* columns = Grid.Columns();
        TZLayoutGuard layout(&Grid);
        columns->Clear();
        for (const char* name : Names)
            columns->Add()->SetFieldName(QString::fromLatin1(name));
    }
    int DigitWidth(const QFont& Font) const { return QFontMetrics(Font).horizontalAdvance(QLatin1Char('0')); }
};

} // namespace

// ---- Defaults and binding ------------------------------------------------------------

TEST_F(GridColumns, DefaultColumnsFollowTheirFields)
{
    ASSERT_EQ(Grid.Columns()->State(), csDefault);
    TZColumn* amount = Column("Amount");
    ASSERT_NE(amount, nullptr);
    EXPECT_EQ(amount->GetField(), Field("Amount"));
    EXPECT_FALSE(amount->IsStored());
    EXPECT_EQ(amount->GetAlignment(), taRightJustify); // numeric fields align right
    EXPECT_EQ(Column("Customer")->GetAlignment(), taLeftJustify);

    Field("Amount")->SetDisplayLabel("Sum");
    EXPECT_EQ(Column("Amount")->Title()->GetCaption(), "Sum");
    Field("Customer")->SetAlignment(Qt::AlignHCenter);
    EXPECT_EQ(Column("Customer")->GetAlignment(), taCenter);
    EXPECT_FALSE(Column("Customer")->GetReadOnly());
    Field("Customer")->SetReadOnly(true);
    EXPECT_TRUE(Column("Customer")->GetReadOnly());
}

TEST_F(GridColumns, MovingADefaultColumnMovesItsField)
{
    ASSERT_EQ(Grid.Columns()->State(), csDefault);
    const int amountIndex = Field("Amount")->Index();
    ASSERT_GT(amountIndex, 0);
    Column("Amount")->SetIndex(0);
    // The next layout orders default columns by field: the move holds because the field moved.
    Grid.LayoutChanged();
    EXPECT_EQ(Field("Amount")->Index(), 0);
    EXPECT_EQ(Grid.Columns()->Items(0)->GetField(), Field("Amount"));
    EXPECT_EQ(Table->Fields()[0], Field("Amount"));
    EXPECT_EQ(Grid.Columns()->State(), csDefault);
}

TEST_F(GridColumns, DefaultsFollowTheGridUntilAssigned)
{
    TZColumn* c = Column("Customer");
    Grid.SetColor(clCream);
    EXPECT_EQ(c->GetColor(), clCream);
    Grid.SetFixedColor(clSilver);
    EXPECT_EQ(c->Title()->GetColor(), clSilver);
    QFont font = Grid.GetFont();
    font.setPointSize(font.pointSize() + 3);
    Grid.SetFont(font);
    EXPECT_EQ(c->GetFont(), font);
    QFont titleFont = Grid.GetTitleFont();
    titleFont.setItalic(true);
    Grid.SetTitleFont(titleFont);
    EXPECT_EQ(c->Title()->GetFont(), titleFont);
    Grid.SetReadOnly(true);
    EXPECT_TRUE(c->GetReadOnly());

    c->SetColor(clRed);
    c->SetReadOnly(false);
    Grid.SetColor(clWhite);
    EXPECT_EQ(c->GetColor(), clRed);
    EXPECT_FALSE(c->GetReadOnly());

    c->RestoreDefaults();
    EXPECT_EQ(c->GetColor(), clWhite);
    EXPECT_TRUE(c->GetReadOnly());
    EXPECT_EQ(c->GetFont(), font);
}

TEST_F(GridColumns, ColumnOfAMissingFieldStaysWithoutField)
{
    Customize({"Customer", "Missing"});
    TZColumn* missing = Grid.Columns()->Items(1);
    EXPECT_EQ(missing->GetField(), nullptr);
    EXPECT_EQ(missing->GetFieldName(), "Missing");
    EXPECT_EQ(missing->Title()->GetCaption(), "Missing");
    EXPECT_EQ(missing->DefaultWidth(), Grid.DefaultColWidth());
    EXPECT_EQ(missing->GetAlignment(), taLeftJustify);
    EXPECT_EQ(Grid.Columns()->Count(), 2);
    EXPECT_EQ(Grid.Columns()->State(), csCustomized);
}

TEST_F(GridColumns, FieldIsBoundLazilyOnceTheDatasetOpens)
{
    Table->Close();
    Customize({"Customer"});
    TZColumn* c = Grid.Columns()->Items(0);
    EXPECT_EQ(c->GetField(), nullptr);
    Table->CreateDataSet();
    EXPECT_EQ(c->GetField(), Table->FieldByName("Customer"));
    EXPECT_EQ(c->GetFieldName(), "Customer");
}

TEST_F(GridColumns, DefaultColumnLosesItsSettingsWhenRebound)
{
    TZColumn* c = Column("Customer");
    c->SetColor(clRed);
    c->SetField(Field("Amount"));
    EXPECT_EQ(c->GetFieldName(), "Amount");
    EXPECT_FALSE(c->IsAssigned(cvColor));
    c->SetColor(clRed);
    c->SetField(nullptr);
    EXPECT_EQ(c->GetFieldName(), "");
    EXPECT_FALSE(c->IsAssigned(cvColor));
}

TEST_F(GridColumns, StoredColumnKeepsItsSettingsWhenRebound)
{
    Customize({"Customer"});
    TZColumn* c = Grid.Columns()->Items(0);
    c->SetColor(clRed);
    c->SetField(Field("Amount"));
    EXPECT_EQ(c->GetFieldName(), "Amount");
    EXPECT_EQ(c->GetColor(), clRed);
}

TEST_F(GridColumns, SwitchingStatesKeepsOrDropsTheColumns)
{
    Column("Amount")->SetWidth(150);
    Grid.Columns()->SetState(csCustomized);
    EXPECT_EQ(Grid.Columns()->State(), csCustomized);
    ASSERT_EQ(Grid.Columns()->Count(), 3);
    EXPECT_EQ(Column("Amount")->GetWidth(), 150);
    Grid.Columns()->SetState(csDefault);
    // The layout made default columns again.
    EXPECT_EQ(Grid.Columns()->State(), csDefault);
    EXPECT_EQ(Grid.Columns()->Count(), 3);
    EXPECT_FALSE(Column("Amount")->IsAssigned(cvWidth));
}

TEST_F(GridColumns, CheckBoxValueOfACell)
{
    auto table = std::make_unique<TZMemDataSet>();
    table->FieldDefs().Add("Paid", ftBoolean);
    table->CreateDataSet();
    for (bool paid : {true, false}) {
        table->Append();
        table->FieldByName("Paid")->SetValue(paid);
        table->Post();
    }
    table->First();
    TDataSource source;
    source.SetDataSet(table.get());
    TZDBGrid grid;
    grid.SetDataSource(&source);
    TZColumn* c = grid.Columns()->FindColumn("Paid");
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->IsCheckBoxValue(true));
    EXPECT_FALSE(c->IsCheckBoxValue(false));
    table->Next();
    EXPECT_FALSE(c->IsCheckBoxValue(true));
    EXPECT_TRUE(c->IsCheckBoxValue(false));
    // The texts compare without case; without ";" the whole value is the on-text.
    c->SetCheckBoxValues("FALSE");
    EXPECT_TRUE(c->IsCheckBoxValue(true));
}

TEST_F(GridColumns, SelectionColumnShowsWhetherTheRowIsSelected)
{
    Grid.SetOptionsExt(Grid.GetOptionsExt() | dgAutoSelectColumn);
    TZColumn* select = Grid.Columns()->Items(0);
    ASSERT_TRUE(select->GetCheckBox());
    ASSERT_EQ(select->GetField(), nullptr);
    EXPECT_FALSE(select->IsCheckBoxValue(true));
    EXPECT_TRUE(select->IsCheckBoxValue(false));
    Table->Close(); // the layout makes its columns again
    select = Grid.Columns()->Items(0);
    ASSERT_TRUE(select->GetCheckBox());
    EXPECT_FALSE(select->IsCheckBoxValue(false)); // no active link: neither
}

TEST_F(GridColumns, TotalRowsMapToTheTotalObjects)
{
    Customize({"Customer", "Amount"});
    TZColumn* a = Grid.Columns()->Items(0);
    TZColumn* b = Grid.Columns()->Items(1);
    a->TotalValues()->SetCount(2);
    b->TotalValues()->SetCount(1);
    Grid.SetOptionsEx(Grid.GetOptionsEx() | dgTotalHeader | dgTotalValues | dgTotalFooter);
    ASSERT_EQ(Grid.TotalValuesRowCount(), 2);
    EXPECT_EQ(a->GetTotalRows(0), a->TotalHeader());
    EXPECT_EQ(a->GetTotalRows(1), a->TotalValues()->Items(0));
    EXPECT_EQ(a->GetTotalRows(2), a->TotalValues()->Items(1));
    EXPECT_EQ(a->GetTotalRows(3), a->TotalFooter());
    EXPECT_EQ(a->GetTotalRows(4), nullptr);
    EXPECT_EQ(a->GetTotalRows(-1), nullptr);
    EXPECT_EQ(b->GetTotalRows(2), nullptr); // beyond its own values
    EXPECT_EQ(b->GetTotalRows(3), b->TotalFooter());

    // A total font follows the totals' font until it is set.
    QFont font = Grid.Totals()->GetFont();
    font.setBold(true);
    Grid.Totals()->SetFont(font);
    EXPECT_EQ(a->TotalFooter()->GetFont(), font);
    b->TotalValues()->SetCount(3);
    EXPECT_EQ(Grid.TotalValuesRowCount(), 3);
}

TEST_F(GridColumns, LinkedGridsFollowMovesAndWidths)
{
    TDensityGrid other;
    other.SetDataSource(&Source);
    Grid.SetManageGrid(&other);
    other.SetManageGrid(&Grid);
    ASSERT_EQ(Grid.Columns()->State(), csCustomized);
    ASSERT_EQ(other.Columns()->State(), csCustomized);

    Grid.Columns()->Items(2)->MoveTo(0);
    EXPECT_EQ(Grid.Columns()->Items(0)->GetFieldName(), "Amount");
    EXPECT_EQ(other.Columns()->Items(0)->GetFieldName(), "Amount");
    EXPECT_EQ(other.Columns()->Items(1)->GetFieldName(), "Id");

    Grid.Columns()->Items(1)->SetWidth(133);
    EXPECT_EQ(other.Columns()->Items(1)->GetWidth(), 133);
    other.Columns()->Items(2)->SetVisible(false);
    EXPECT_FALSE(Grid.Columns()->Items(2)->Visibility());
    EXPECT_FALSE(Grid.GetSynchronizing());
    EXPECT_FALSE(other.GetSynchronizing());
    Grid.SetManageGrid(nullptr);
    other.SetManageGrid(nullptr);
}

TEST_F(GridColumns, LookupRoles)
{
    auto customers = std::make_unique<TZMemDataSet>();
    customers->setObjectName("Customers");
    customers->FieldDefs().Add("Code", ftInteger);
    customers->FieldDefs().Add("Title", ftWideString, 30);
    customers->CreateDataSet();
    customers->FieldByName("Title")->SetDisplayLabel("Customer title");
    customers->FieldByName("Title")->SetAlignment(Qt::AlignHCenter);

    TZColumn* id = Column("Id");
    EXPECT_EQ(id->LookupColumn(), lcNotDefined);
    id->SetLookupDataSet(customers.get());
    id->SetLookupKeyField("Code");
    id->SetLookupResultField("Code");
    EXPECT_EQ(id->GetKeyField(), "Id"); // falls back to the field name
    EXPECT_EQ(id->LookupColumn(), lcLookupKeyField);
    EXPECT_EQ(id->GetLookupListFields(), "Code");

    id->SetLookupResultField("Title");
    EXPECT_EQ(id->LookupColumn(), lcLookupValueField);
    // Caption, alignment and width come from the lookup result field.
    EXPECT_EQ(id->Title()->GetCaption(), "Customer title");
    EXPECT_EQ(id->GetAlignment(), taCenter);
    EXPECT_EQ(id->DefaultWidth(), 30 * DigitWidth(id->GetFont()) + 4);

    TZColumn* name = Column("Customer");
    name->SetLookupDataSet(customers.get());
    name->SetLookupKeyField("Code");
    name->SetKeyField("Id");
    EXPECT_EQ(name->LookupColumn(), lcNotDefined); // no result field
    name->SetLookupResultField("Title");
    EXPECT_EQ(name->LookupColumn(), lcLookupResultField);
}

TEST_F(GridColumns, RebindingLeavesTheOldFieldAndRenormalizesTheKeyField)
{
    ShowGrid(Grid);
    Customize({"Customer", "Amount"});
    TZColumn* customer = Column("Customer");
    customer->SetKeyField("Id");
    EXPECT_TRUE(customer->IsKeyFieldStored());

    // Bound to a field of another table for a moment, then to the table's Id:
    // the grid hears nothing more of the other table's field, and the key
    // field, now the column's own field name, becomes the fallback.
    auto other = MakeOrders(3);
    {
        TZLayoutGuard layout(&Grid);
        customer->SetField(other->FieldByName("Amount"));
        customer->SetField(Field("Id"));
    }
    EXPECT_EQ(customer->GetFieldName(), "Id");
    EXPECT_FALSE(customer->IsKeyFieldStored());
    EXPECT_EQ(customer->GetKeyField(), "Id");
    other->Close(); // its automatic fields go away
    EXPECT_FALSE(Grid.DeferredLayoutPending());
    EXPECT_EQ(Grid.LayoutLock(), 0);
    EXPECT_EQ(customer->GetField(), Field("Id"));
}

TEST_F(GridColumns, BindsToSqlQueryFields)
{
    SqliteTestDb db;
    ASSERT_TRUE(db.IsOpen()) << db.ErrorText().toStdString();
    ASSERT_TRUE(ExecSql(db.Database(), "CREATE TABLE person (id INTEGER PRIMARY KEY, name VARCHAR(25), born DATE)"));
    ASSERT_TRUE(ExecSql(db.Database(), "INSERT INTO person VALUES (1, 'Ada', '1815-12-10')"));
    TZSQLQuery query;
    query.SetConnectionName(db.ConnectionName());
    query.SetSQLText("SELECT id, name, born FROM person");
    query.Open();
    TDataSource source;
    source.SetDataSet(&query);
    TZDBGrid grid;
    grid.SetDataSource(&source);
    {
        TZLayoutGuard layout(&grid);
        grid.Columns()->Clear();
        grid.Columns()->Add()->SetFieldName("NAME");
        grid.Columns()->Add()->SetFieldName("Born");
    }
    TZColumn* name = grid.Columns()->Items(0);
    EXPECT_EQ(name->GetField(), query.FieldByName("name"));
    EXPECT_EQ(name->GetDisplayText(), "Ada");
    EXPECT_EQ(name->DefaultWidth(), 25 * DigitWidth(name->GetFont()) + 4);
    EXPECT_TRUE(grid.Columns()->Items(1)->CalendarActive());
    EXPECT_FALSE(name->CalendarActive());
}

// ---- Grouping -----------------------------------------------------------------------

TEST_F(GridColumns, ExpandedGroupShowsItsChildren)
{
    Customize({"Id", "Customer", "Amount", ""});
    TZDBGridColumns* columns = Grid.Columns();
    TZColumn* parent = columns->Items(0);
    parent->SetExpandCols(2);
    Grid.LayoutChanged();

    EXPECT_TRUE(parent->Expandable());
    EXPECT_TRUE(parent->GetExpanded());
    EXPECT_FALSE(parent->Showing());
    EXPECT_EQ(columns->Items(1)->ParentColumn(), parent);
    EXPECT_EQ(columns->Items(1)->Depth(), 1);
    EXPECT_EQ(columns->Items(2)->Depth(), 1);
    EXPECT_TRUE(columns->Items(1)->Showing());
    EXPECT_TRUE(columns->Items(2)->Showing());
    EXPECT_EQ(columns->Items(3)->Depth(), 0);
    EXPECT_EQ(parent->ExpandIndex(), 2);
    EXPECT_EQ(Grid.TitleRowCount(), 2);
    const int line = Grid.ColLineWidth();
    EXPECT_EQ(parent->ExpandWidth(),
              columns->Items(1)->TrueWidth() + columns->Items(2)->TrueWidth() + 2 * line);

    parent->SetExpanded(false);
    EXPECT_TRUE(parent->Showing());
    EXPECT_FALSE(columns->Items(1)->Showing());
    EXPECT_FALSE(columns->Items(2)->Showing());
    EXPECT_EQ(columns->Items(1)->GetWidth(), -line);
    EXPECT_EQ(parent->ExpandWidth(), parent->TrueWidth() + line);
    EXPECT_EQ(Grid.TitleRowCount(), 1);

    // Hiding the parent hides the group.
    parent->SetVisible(false);
    EXPECT_FALSE(columns->Items(1)->GetVisible());
    EXPECT_TRUE(columns->Items(1)->Visibility());
    EXPECT_EQ(parent->ExpandWidth(), 0);
}

TEST_F(GridColumns, ExpandColsIsLimitedByTheColumnsThatFollow)
{
    Customize({"Id", "Customer", "Amount"});
    TZColumn* c = Grid.Columns()->Items(1);
    c->SetExpandCols(5);
    Grid.LayoutChanged();
    EXPECT_EQ(c->GetExpandCols(), 1);
    EXPECT_EQ(c->ExpandIndex(), 2);
}

TEST_F(GridColumns, StoredColumnMovesWithItsGroup)
{
    Customize({"Id", "Customer", "Amount", ""});
    TZDBGridColumns* columns = Grid.Columns();
    columns->Items(3)->Title()->SetCaption("Note");
    TZColumn* parent = columns->Items(1);
    parent->SetExpandCols(1); // Customer holds Amount
    Grid.LayoutChanged();
    auto names = [columns] {
        QStringList result;
        for (TZColumn* c : *columns)
            result << c->Title()->GetCaption();
        return result;
    };
    parent->SetIndex(0);
    EXPECT_EQ(names(), QStringList({"Customer", "Amount", "Id", "Note"}));
    parent->SetIndex(3);
    EXPECT_EQ(names(), QStringList({"Id", "Note", "Customer", "Amount"}));
    // A target inside its own group is ignored.
    parent->SetIndex(3);
    EXPECT_EQ(names(), QStringList({"Id", "Note", "Customer", "Amount"}));
    EXPECT_EQ(columns->Items(3)->ParentColumn(), parent);
}

// ---- Widths ------------------------------------------------------------------------

TEST_F(GridColumns, DefaultWidthFromDisplayWidthAndTitle)
{
    TZColumn* c = Column("Customer"); // DisplayWidth 40
    const int digit = DigitWidth(c->GetFont());
    EXPECT_EQ(c->DefaultWidth(), 40 * digit + 4);
    EXPECT_EQ(c->GetWidth(), 40 * digit + 4);
    Field("Customer")->SetDisplayWidth(2);
    EXPECT_EQ(c->DefaultWidth(), 2 * digit + 4);

    // A long caption widens the column only without dgTitleWidthOff.
    Field("Customer")->SetDisplayLabel("A rather long customer caption");
    EXPECT_EQ(c->DefaultWidth(), 2 * digit + 4);
    Grid.SetOptions(Grid.GetOptions() & ~TZDBGridOptions(dgTitleWidthOff));
    const int title = QFontMetrics(c->Title()->GetFont()).horizontalAdvance("A rather long customer caption");
    EXPECT_EQ(c->DefaultWidth(), title + 4 + 2 * Grid.GridStyle()->GetTitleColMargin());

    Grid.SetDefaultWidthMax(50);
    EXPECT_EQ(c->DefaultWidth(), 50);
    Grid.SetDefaultWidthMax(-1);
    Grid.SetDefaultWidthMin(1000);
    EXPECT_EQ(c->DefaultWidth(), 1000);
}

TEST_F(GridColumns, UnassignedWidthKeepsFollowingTheField)
{
    TZColumn* c = Column("Amount");
    c->SetWidth(c->DefaultWidth());
    EXPECT_FALSE(c->IsAssigned(cvWidth));
    Field("Amount")->SetDisplayWidth(3);
    EXPECT_EQ(c->GetWidth(), 3 * DigitWidth(c->GetFont()) + 4);
    EXPECT_EQ(Grid.GetColWidths(Grid.DataToRawColumn(c->Index())), c->GetWidth());
}

TEST_F(GridColumns, DefaultColumnWidthGoesToTheFieldOnAShownGrid)
{
    ShowGrid(Grid);
    TZColumn* c = Column("Customer");
    const int digit = DigitWidth(c->GetFont());
    c->SetWidth(10 * digit + 4);
    EXPECT_EQ(Field("Customer")->GetDisplayWidth(), 10);
    EXPECT_EQ(Column("Customer")->GetWidth(), 10 * digit + 4);
    Grid.SetUpdateFields(false);
    Column("Customer")->SetWidth(20 * digit + 4);
    EXPECT_EQ(Field("Customer")->GetDisplayWidth(), 10);
}

TEST_F(GridColumns, OptimalWidthMeasuresTheBufferedRecords)
{
    ShowGrid(Grid, 500, 400);
    TZColumn* c = Column("Customer");
    const QFontMetrics metrics(c->GetFont());
    int expected = 0;
    const int records = Grid.DataLink()->RecordCount();
    ASSERT_GE(records, 10);
    for (int i = 1; i <= records; ++i)
        expected = std::max(expected, metrics.horizontalAdvance(QStringLiteral("Customer %1").arg(i)) + 4);
    const int active = Grid.DataLink()->ActiveRecord();
    EXPECT_EQ(c->OptimalWidth(), expected);
    EXPECT_EQ(Grid.DataLink()->ActiveRecord(), active);
    EXPECT_EQ(Grid.RecordOffset(), 0);

    Grid.AdjustColumnsWidth(true, false);
    EXPECT_EQ(c->GetWidth(), expected);
    // Back to the designed (here: default) widths.
    Grid.AdjustColumnsWidth(false, false);
    EXPECT_EQ(c->GetWidth(), c->DefaultWidth());
}

TEST_F(GridColumns, WidthSetWhileLoadingIsTheDesignedWidth)
{
    Customize({"Customer"});
    TZColumn* c = Grid.Columns()->Items(0);
    Grid.Loading();
    c->SetWidth(77);
    Grid.Loaded();
    c->SetWidth(200);
    EXPECT_EQ(c->DesignedWidth(), 77);
    Grid.AdjustColumnsWidth(false, false);
    EXPECT_EQ(c->GetWidth(), 77);
}

TEST_F(GridColumns, AutomaticColumnsTakeTheirWidthsWithAnActiveLink)
{
    Grid.SetOptionsExt(Grid.GetOptionsExt() | dgAutoNumberColumn | dgAutoSelectColumn);
    TZDBGridColumns* columns = Grid.Columns();
    ASSERT_EQ(columns->Count(), 5);
    EXPECT_TRUE(columns->Items(0)->GetAutoNumber());
    EXPECT_EQ(columns->Items(0)->GetWidth(), DefAutoNumberWidth);
    EXPECT_TRUE(columns->Items(1)->GetCheckBox());
    EXPECT_EQ(columns->Items(1)->GetWidth(), DefAutoSelectWidth);
    EXPECT_EQ(columns->Items(2)->GetFieldName(), "Id");
}

TEST_F(GridColumns, StretchingFillsTheClientWidth)
{
    ShowGrid(Grid, 600, 300);
    Grid.SetStretchMode(true);
    ASSERT_TRUE(Grid.StretchActive());
    const int line = Grid.ColLineWidth();
    auto total = [&] {
        int sum = 0;
        for (TZColumn* c : *Grid.Columns())
            sum += c->GetWidth() + line;
        return sum;
    };
    EXPECT_EQ(total(), Grid.StretchAvailableWidth());
    Grid.resize(800, 300);
    QApplication::processEvents();
    EXPECT_EQ(total(), Grid.StretchAvailableWidth());

    // A width edit while stretching turns into a base width, and the rest follows.
    TZColumn* id = Column("Id");
    const int before = id->GetWidth();
    id->SetWidth(before + 100);
    EXPECT_GT(id->GetWidth(), before);
    EXPECT_EQ(total(), Grid.StretchAvailableWidth());

    // Off: the base widths become the widths again.
    std::vector<int> bases;
    for (TZColumn* c : *Grid.Columns())
        bases.push_back(c->GetWidthBase());
    Grid.SetStretchMode(false);
    for (int i = 0; i < Grid.Columns()->Count(); ++i)
        EXPECT_EQ(Grid.Columns()->Items(i)->GetWidth(), bases[size_t(i)]);
}

TEST_F(GridColumns, ScalingMultipliesWidthsLimitsAndFonts)
{
    Customize({"Customer", "Amount"});
    TZColumn* c = Grid.Columns()->Items(0);
    c->SetWidth(100);
    c->SetWidthMin(40);
    c->SetWidthMax(300);
    c->SetImageMargin(3);
    c->SetLookupListWidths("50;x;61");
    QFont font = c->GetFont();
    font.setPixelSize(12);
    c->SetFont(font);
    QFont titleFont = c->Title()->GetFont();
    titleFont.setPixelSize(10);
    c->Title()->SetFont(titleFont);
    const int other = Grid.Columns()->Items(1)->GetWidth();

    Grid.Columns()->ScaleColumnsBy(3, 2, false);
    EXPECT_EQ(c->GetWidth(), 150);
    EXPECT_EQ(c->GetWidthMin(), 60);
    EXPECT_EQ(c->GetWidthMax(), 450);
    EXPECT_EQ(c->GetImageMargin(), 5); // 4.5 rounds away from zero
    EXPECT_EQ(c->GetLookupListWidths(), "75;x;92");
    EXPECT_EQ(c->GetFont().pixelSize(), 18);
    EXPECT_EQ(c->Title()->GetFont().pixelSize(), 15);
    // An unassigned width follows the (unscaled) grid font.
    EXPECT_EQ(Grid.Columns()->Items(1)->GetWidth(), other);
    // Equal factors change nothing.
    Grid.Columns()->ScaleColumnsBy(2, 2, false);
    EXPECT_EQ(c->GetWidth(), 150);
}

// ---- Settings text and stream ----------------------------------------------------------

TEST_F(GridColumns, SettingsAppliedAtAHigherDensityScaleWidths)
{
    Customize({"Id", "Customer"});
    Grid.Columns()->Items(0)->SetWidth(80);
    Grid.Columns()->Items(1)->SetWidth(120);
    Grid.Settings()->SetOptions(Grid.Settings()->GetOptions() | soStretchMode);
    const QStringList saved = Grid.Columns()->GetSettings();
    EXPECT_EQ(saved, QStringList({"Columns=2", "Column1=Id,80,1,1,1", "Column2=Customer,120,1,1,1",
                                  "StretchMode=0", "CurrentPPI=96"}));

    TDensityGrid dense;
    dense.SetDataSource(&Source);
    dense.SetPPI(144);
    {
        TZLayoutGuard layout(&dense);
        dense.Columns()->Clear();
        dense.Columns()->Add()->SetFieldName("Customer");
        dense.Columns()->Add()->SetFieldName("Id");
    }
    dense.Columns()->SetSettings(saved);
    EXPECT_EQ(dense.Columns()->Items(0)->GetFieldName(), "Id");
    EXPECT_EQ(dense.Columns()->Items(0)->GetWidth(), 120);
    EXPECT_EQ(dense.Columns()->Items(1)->GetWidth(), 180);
    EXPECT_FALSE(dense.GetStretchMode()); // StretchMode is not among its settings options
}

TEST_F(GridColumns, StretchModeLineSwitchesStretching)
{
    Grid.Settings()->SetOptions(Grid.Settings()->GetOptions() | soStretchMode);
    Grid.Columns()->SetSettings(QStringList{"Columns=0", "StretchMode=1"});
    EXPECT_TRUE(Grid.GetStretchMode());
    Grid.Columns()->SetSettings(QStringList{"Columns=0", "StretchMode=yes"});
    EXPECT_TRUE(Grid.GetStretchMode()); // malformed: kept
    Grid.Columns()->SetSettings(QStringList{"Columns=0", "StretchMode=0"});
    EXPECT_FALSE(Grid.GetStretchMode());
}

TEST_F(GridColumns, StreamCarriesOrderFieldsWithoutApplyingThem)
{
    Customize({"Customer", "Amount"});
    Grid.Columns()->Items(1)->SetWidth(111);
    Grid.SetOrderFields("Customer DESC");
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    Grid.Columns()->SaveToStream(buffer);

    TZDBGrid other;
    other.SetDataSource(&Source);
    other.SetOrderFields("Id");
    buffer.seek(0);
    other.Columns()->LoadFromStream(buffer);
    // The markers travel with the titles: the loaded columns carry the order,
    // the "Id" marker went with the old columns.
    EXPECT_EQ(other.GetOrderFields(), "Customer DESC");
    ASSERT_EQ(other.Columns()->Count(), 2);
    EXPECT_EQ(other.Columns()->State(), csCustomized);
    EXPECT_EQ(other.Columns()->Items(0)->GetField(), Field("Customer"));
    EXPECT_EQ(other.Columns()->Items(1)->GetWidth(), 111);

    QJsonObject entries;
    Grid.Columns()->WriteEntries(entries);
    EXPECT_EQ(entries.value("OrderFields").toString(), "Customer DESC");
    // Default columns are not part of the grid's entries.
    QJsonObject none;
    other.Columns()->SetState(csDefault);
    other.Columns()->WriteEntries(none);
    EXPECT_FALSE(none.contains("Columns"));
}

TEST_F(GridColumns, HiddenColumnWidthIsWrittenAsItsRealWidth)
{
    Customize({"Customer"});
    TZColumn* c = Grid.Columns()->Items(0);
    c->SetWidth(90);
    c->SetVisible(false);
    EXPECT_EQ(c->GetWidth(), -Grid.ColLineWidth());
    QJsonObject entries;
    Grid.Columns()->WriteEntries(entries);
    const QJsonObject column = entries.value("Columns").toArray().at(0).toObject();
    EXPECT_EQ(column.value("Width").toInt(), 90);
    EXPECT_EQ(column.value("Visible").toBool(true), false);
}
