// Click-to-sort in the data grid: title clicks toggling the sort markers under
// the marker options, the order-fields string in both directions, the
// order-update bracket, and applying the order to an in-memory table through
// the change-order registry (re-sorting, the current record and the selection
// kept by key fields, a detail table's index, a rejected order restored).

#include "AppExceptions.h"
#include "DBError.h"
#include "test_grid_helpers.h"

#include <QImage>
#include <QScopeGuard>
#include <QPixmap>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>

using namespace zdb;
using namespace zdb::test;

// Readable QString values in failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& Text, std::ostream* Out)
{
    *Out << '"' << Text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

// A table linked to a master: the properties a dataset of a master/detail
// link publishes, so that the grid puts its detail fields in front of the index.
class TDetailTable : public TZMemDataSet
{
    Q_OBJECT
    Q_PROPERTY(QString MasterFields READ GetMasterFields WRITE SetMasterFields)
    Q_PROPERTY(QObject* MasterSource READ GetMasterSource WRITE SetMasterSource)

public:
    QString GetMasterFields() const { return FMasterFields; }
    void SetMasterFields(const QString& Value) { FMasterFields = Value; }
    QObject* GetMasterSource() const { return FMasterSource; }
    void SetMasterSource(QObject* Value) { FMasterSource = Value; }

private:
    QString FMasterFields;
    QObject* FMasterSource = nullptr;
};

// A table class registered as one that sorts only ascending.
class TAscendingTable : public TZMemDataSet
{
    Q_OBJECT
};

const char* const Names[] = {"Miller", "Adams", "Young", "Baker", "Clark", "Evans",
                             "Hill",   "Lewis", "Adams", "Green", "King",  "Turner"};
const char* const Cities[] = {"Rome", "Oslo", "Bern", "Oslo", "Rome", "Kiev",
                              "Bern", "Oslo", "Rome", "Kiev", "Bern", "Oslo"};
constexpr int RowCount = 12;

// Id 1..12 with names and cities out of order and amounts that repeat.
void FillTable(TZMemDataSet& Table)
{
    Table.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
    Table.FieldDefs().Add(QStringLiteral("Name"), ftWideString, 12);
    Table.FieldDefs().Add(QStringLiteral("City"), ftWideString, 8);
    Table.FieldDefs().Add(QStringLiteral("Amount"), ftInteger);
    Table.CreateDataSet();
    for (int i = 0; i < RowCount; ++i) {
        Table.Append();
        Table.FieldByName(QStringLiteral("Id"))->SetValue(i + 1);
        Table.FieldByName(QStringLiteral("Name"))->SetValue(QString::fromLatin1(Names[i]));
        Table.FieldByName(QStringLiteral("City"))->SetValue(QString::fromLatin1(Cities[i]));
        Table.FieldByName(QStringLiteral("Amount"))->SetValue((i * 7) % 5 * 10);
        Table.Post();
    }
    Table.First();
}

struct Row {
    int Id;
    QString Name;
    QString City;
    int Amount;
};

// The records in dataset order (the current record is kept).
std::vector<Row> Rows(TDataSet& Table)
{
    std::vector<Row> rows;
    const TBookmark here = Table.GetBookmark();
    Table.DisableControls();
    for (Table.First(); !Table.Eof(); Table.Next())
        rows.push_back({Table.FieldByName(QStringLiteral("Id"))->AsInteger(),
                        Table.FieldByName(QStringLiteral("Name"))->AsString(),
                        Table.FieldByName(QStringLiteral("City"))->AsString(),
                        Table.FieldByName(QStringLiteral("Amount"))->AsInteger()});
    Table.GotoBookmark(here);
    Table.EnableControls();
    return rows;
}

std::vector<int> Ids(const std::vector<Row>& Rows)
{
    std::vector<int> ids;
    for (const Row& row : Rows)
        ids.push_back(row.Id);
    return ids;
}

int CurrentId(TDataSet& Table)
{
    return Table.FieldByName(QStringLiteral("Id"))->AsInteger();
}

struct GridOrder : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = std::make_unique<TZMemDataSet>();
    TDataSource Source;
    TDataSource Other; // for the tests with another table
    std::unique_ptr<TZDBGrid> Grid = std::make_unique<TZDBGrid>();
    int Changed = 0;
    int Updated = 0;
    std::vector<TZColumn*> Clicked;

    void SetUp() override
    {
        FillTable(*Table);
        Source.SetDataSet(Table.get());
        Grid->SetDataSource(&Source);
        Grid->OnOrderChanged = [this](TZCustomDBGrid*) { ++Changed; };
        Grid->OnOrderUpdated = [this](TZCustomDBGrid*) { ++Updated; };
        Grid->OnTitleClick = [this](TZCustomDBGrid*, TZColumn* Column) { Clicked.push_back(Column); };
        ShowGrid(*Grid, 700, 320);
    }
    void TearDown() override
    {
        Grid.reset();
        Source.SetDataSet(nullptr);
        Other.SetDataSet(nullptr);
    }
    // Shows DataSet through the other source (nullptr: back to Table).
    void Show(TDataSet* DataSet)
    {
        Other.SetDataSet(DataSet);
        Grid->SetDataSource(DataSet ? &Other : &Source);
        QApplication::processEvents();
    }

    TZColumn* Column(const char* Name)
    {
        TZColumn* column = Grid->FindColumn(QString::fromLatin1(Name));
        if (!column)
            throw std::runtime_error(std::string("no column ") + Name);
        return column;
    }
    QRect TitleRect(const char* Name)
    {
        return Grid->CellRect(Grid->DataToRawColumn(Column(Name)->Index()), 0);
    }
    void Click(const char* Name, Qt::KeyboardModifiers Modifiers = {})
    {
        const QRect cell = TitleRect(Name);
        ASSERT_FALSE(cell.isEmpty()) << Name;
        QTest::mouseClick(Grid->viewport(), Qt::LeftButton, Modifiers, cell.center());
    }
    void CtrlClick(const char* Name) { Click(Name, Qt::ControlModifier); }
    int MarkerIndex(const char* Name) { return Column(Name)->Title()->GetMarkerIndex(); }
    void AddOptions(TZDBGridOptions Options) { Grid->SetOptions(Grid->GetOptions() | Options); }
    void AddOptionsEx(TZDBGridOptionsEx Options) { Grid->SetOptionsEx(Grid->GetOptionsEx() | Options); }
    void GoTo(int Id) { ASSERT_TRUE(Table->Locate(QStringLiteral("Id"), Id)); }
    // The order list's column names with their markers, e.g. "City+,Name-".
    QString Markers()
    {
        QStringList items;
        for (TZColumn* column : Grid->Columns()->OrderList())
            items << column->GetFieldName() + (column->Title()->GetMarker() == tmDescend ? "-" : "+");
        return items.join(',');
    }
    // Every column with a marker is listed, and only those.
    void ExpectListMatchesMarkers()
    {
        for (TZColumn* column : *Grid->Columns())
            EXPECT_EQ(column->Title()->GetMarker() != tmNone, Grid->Columns()->OrderListIndex(column) >= 0)
                << column->GetFieldName().toStdString();
    }
};

} // namespace

// ---- Title clicks and markers --------------------------------------------------------

TEST_F(GridOrder, PlainClicksSortByOneColumnAlternatingTheDirection)
{
    Click("Name");
    EXPECT_EQ(Grid->GetOrderFields(), "Name");
    EXPECT_EQ(MarkerIndex("Name"), 2); // numbered position 1, ascending
    Click("Name");
    EXPECT_EQ(Grid->GetOrderFields(), "Name DESC");
    EXPECT_EQ(MarkerIndex("Name"), 3);
    Click("Name");
    EXPECT_EQ(Grid->GetOrderFields(), "Name");

    CtrlClick("City");
    Click("Amount");
    EXPECT_EQ(Grid->GetOrderFields(), "Amount");
    EXPECT_EQ(MarkerIndex("Name"), -1);
    EXPECT_EQ(Column("Name")->Title()->GetMarker(), tmNone);
    EXPECT_EQ(MarkerIndex("City"), -1);
    ExpectListMatchesMarkers();
    ASSERT_EQ(Clicked.size(), 5u);
    EXPECT_EQ(Clicked.back(), Column("Amount"));
    // Markers only: without dgAutoUpdateOrder the table keeps its order.
    EXPECT_EQ(Table->GetIndexFieldNames(), "");
    EXPECT_EQ(Updated, 0);
}

TEST_F(GridOrder, CtrlClicksAddKeysAndCycleTheLastOne)
{
    Click("City");
    CtrlClick("Name");
    CtrlClick("Id");
    EXPECT_EQ(Grid->GetOrderFields(), "City,Name,Id");
    EXPECT_EQ(MarkerIndex("City"), 2);
    EXPECT_EQ(MarkerIndex("Name"), 4);
    EXPECT_EQ(MarkerIndex("Id"), 6);
    EXPECT_EQ(Grid->Columns()->OrderList(), (std::vector<TZColumn*>{Column("City"), Column("Name"), Column("Id")}));

    // The last key: ascending -> descending -> none.
    CtrlClick("Id");
    EXPECT_EQ(Grid->GetOrderFields(), "City,Name,Id DESC");
    EXPECT_EQ(MarkerIndex("Id"), 7);
    CtrlClick("Id");
    EXPECT_EQ(Grid->GetOrderFields(), "City,Name");
    EXPECT_EQ(MarkerIndex("Id"), -1);

    // An earlier key only alternates.
    CtrlClick("City");
    EXPECT_EQ(Grid->GetOrderFields(), "City DESC,Name");
    CtrlClick("City");
    EXPECT_EQ(Grid->GetOrderFields(), "City,Name");
    CtrlClick("City");
    EXPECT_EQ(Grid->GetOrderFields(), "City DESC,Name");

    // Removing a middle key renumbers the keys behind it.
    CtrlClick("Id");
    EXPECT_EQ(MarkerIndex("Id"), 6);
    Column("Name")->Title()->SetMarker(tmNone);
    EXPECT_EQ(Grid->GetOrderFields(), "City DESC,Id");
    EXPECT_EQ(MarkerIndex("Id"), 4);
    ExpectListMatchesMarkers();
}

TEST_F(GridOrder, TheOnlyKeyIsClearedOnlyWhenAllowed)
{
    CtrlClick("Name");
    CtrlClick("Name");
    EXPECT_EQ(Grid->GetOrderFields(), "Name DESC");
    CtrlClick("Name"); // the only key goes back to ascending
    EXPECT_EQ(Grid->GetOrderFields(), "Name");

    Grid->SetOptionsExt(Grid->GetOptionsExt() | dgMarkerClearAllowed);
    CtrlClick("Name");
    CtrlClick("Name");
    EXPECT_EQ(Grid->GetOrderFields(), "");
    EXPECT_EQ(Grid->Columns()->OrderCount(), 0);
}

TEST_F(GridOrder, AutoSwitchKeepsOneUnnumberedMarker)
{
    CtrlClick("Name");
    CtrlClick("City");
    AddOptions(dgMarkerAutoSwitch);
    // Switching the option on leaves the first key alone, unnumbered.
    EXPECT_EQ(Grid->GetOrderFields(), "Name");
    EXPECT_EQ(MarkerIndex("Name"), 0);
    EXPECT_EQ(MarkerIndex("City"), -1);

    CtrlClick("City"); // Ctrl adds no key here
    EXPECT_EQ(Grid->GetOrderFields(), "City");
    EXPECT_EQ(MarkerIndex("City"), 0);
    Click("City");
    EXPECT_EQ(MarkerIndex("City"), 1);
    Click("City");
    EXPECT_EQ(MarkerIndex("City"), 0);

    // With clearing allowed: ascending -> descending -> none.
    Grid->SetOptionsExt(Grid->GetOptionsExt() | dgMarkerClearAllowed);
    Click("City");
    EXPECT_EQ(Grid->GetOrderFields(), "City DESC");
    Click("City");
    EXPECT_EQ(Grid->GetOrderFields(), "");
    Click("City");
    EXPECT_EQ(Grid->GetOrderFields(), "City");
    ExpectListMatchesMarkers();
}

TEST_F(GridOrder, AscendOnlyTurnsDescendingMarkersAscending)
{
    Click("Name");
    CtrlClick("City");
    CtrlClick("City");
    EXPECT_EQ(Grid->GetOrderFields(), "Name,City DESC");
    AddOptions(dgMarkerAscendOnly);
    EXPECT_EQ(Grid->GetOrderFields(), "Name,City");
    EXPECT_EQ(MarkerIndex("City"), 4);

    Click("Name");
    EXPECT_EQ(Grid->GetOrderFields(), "Name");
    Click("Name");
    EXPECT_EQ(Grid->GetOrderFields(), "Name");
    Column("Name")->Title()->SetMarker(tmDescend);
    EXPECT_EQ(Column("Name")->Title()->GetMarker(), tmAscend);
    Column("City")->Title()->SetMarkerIndex(5);
    EXPECT_EQ(MarkerIndex("City"), 4);
}

TEST_F(GridOrder, ClicksThatDoNotToggle)
{
    Grid->SetOptions(Grid->GetOptions() & ~TZDBGridOptions(dgMarkerAutoToggle));
    Click("Name");
    EXPECT_EQ(Grid->GetOrderFields(), "");
    ASSERT_EQ(Clicked.size(), 1u); // the click is still reported
    EXPECT_EQ(Clicked[0], Column("Name"));

    AddOptions(dgMarkerAutoToggle);
    Column("City")->Title()->SetAutoToggle(false);
    Click("City");
    EXPECT_EQ(Grid->GetOrderFields(), "");
    Click("Name");
    EXPECT_EQ(Grid->GetOrderFields(), "Name");

    // Shift-clicks select columns in a multi-selection (outside title-button mode).
    Grid->SetOptions((Grid->GetOptions() | dgMultiSelect) & ~TZDBGridOptions(dgTitleButtons));
    Click("Amount", Qt::ShiftModifier);
    EXPECT_EQ(Grid->GetOrderFields(), "Name");
    EXPECT_EQ(Clicked.size(), 4u);

    // With title buttons a press and a release on different titles click nothing.
    AddOptions(dgTitleButtons);
    QTest::mousePress(Grid->viewport(), Qt::LeftButton, {}, TitleRect("Amount").center());
    QTest::mouseRelease(Grid->viewport(), Qt::LeftButton, {}, TitleRect("Id").center());
    EXPECT_EQ(Grid->GetOrderFields(), "Name");
    EXPECT_EQ(Clicked.size(), 4u);
    // A Shift-click of an extended multi-selection selects, it is no title button.
    Click("Amount", Qt::ShiftModifier);
    EXPECT_EQ(Grid->GetOrderFields(), "Name");
    EXPECT_EQ(Clicked.size(), 4u);
    Click("Amount");
    EXPECT_EQ(Grid->GetOrderFields(), "Amount");

    // Data rows sort nothing.
    const QRect data = Grid->CellRect(Grid->DataToRawColumn(Column("City")->Index()), Grid->FirstDataRow() + 1);
    QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, data.center());
    EXPECT_EQ(Grid->GetOrderFields(), "Amount");
    EXPECT_EQ(Clicked.size(), 5u);
}

TEST_F(GridOrder, AtMostNineKeysByClicks)
{
    auto wide = std::make_unique<TZMemDataSet>();
    for (int i = 1; i <= 11; ++i)
        wide->FieldDefs().Add(QStringLiteral("F%1").arg(i), ftInteger);
    wide->CreateDataSet();
    Show(wide.get());
    for (TZColumn* column : *Grid->Columns())
        column->SetWidth(40);
    QApplication::processEvents();
    for (int i = 1; i <= 11; ++i)
        CtrlClick(qPrintable(QStringLiteral("F%1").arg(i)));
    EXPECT_EQ(Grid->GetOrderFields(), "F1,F2,F3,F4,F5,F6,F7,F8,F9");
    EXPECT_EQ(MarkerIndex("F9"), 18);
    EXPECT_EQ(MarkerIndex("F10"), -1);

    Grid->SetOrderFields("F11 DESC,F10,F9,F8,F7,F6,F5,F4,F3,F2,F1");
    EXPECT_EQ(Grid->GetOrderFields(), "F11 DESC,F10,F9,F8,F7,F6,F5,F4,F3");
    Show(nullptr);
}

// ---- Order fields ------------------------------------------------------------------------

TEST_F(GridOrder, SetOrderFieldsReadsLooseText)
{
    Grid->SetOrderFields(" city desc ; name ASC,  Amount Desc");
    EXPECT_EQ(Grid->GetOrderFields(), "City DESC,Name,Amount DESC");
    EXPECT_EQ(MarkerIndex("City"), 3);
    EXPECT_EQ(MarkerIndex("Name"), 4);
    EXPECT_EQ(MarkerIndex("Amount"), 7);

    // An unknown name is skipped; the markers before are replaced.
    Grid->SetOrderFields("Nope,Amount");
    EXPECT_EQ(Grid->GetOrderFields(), "Amount");
    EXPECT_EQ(MarkerIndex("Amount"), 2);
    EXPECT_EQ(MarkerIndex("City"), -1);

    Grid->SetOrderFields("");
    EXPECT_EQ(Grid->GetOrderFields(), "");
    ExpectListMatchesMarkers();
}

TEST_F(GridOrder, SetOrderFieldsUnderTheMarkerOptions)
{
    AddOptions(dgMarkerAutoSwitch);
    Grid->SetOrderFields("Amount,City DESC");
    EXPECT_EQ(Grid->GetOrderFields(), "Amount");
    EXPECT_EQ(MarkerIndex("Amount"), 0);
    Grid->SetOrderFields("City DESC,Amount");
    EXPECT_EQ(Grid->GetOrderFields(), "City DESC");
    EXPECT_EQ(MarkerIndex("City"), 1);

    Grid->SetOptions(Grid->GetOptions() & ~TZDBGridOptions(dgMarkerAutoSwitch));
    AddOptions(dgMarkerAscendOnly);
    Grid->SetOrderFields("Name DESC,City DESC");
    EXPECT_EQ(Grid->GetOrderFields(), "Name,City");
}

TEST_F(GridOrder, OrderFieldsAreStoredWhileThereAreNoLiveColumns)
{
    TZDBGrid grid;
    grid.SetOrderFields("b desc;a");
    EXPECT_EQ(grid.GetOrderFields(), "b desc,a");
    EXPECT_EQ(grid.StoredOrderFields(), "b desc,a");

    // Activation puts the stored order into the new default columns.
    grid.SetOrderFields("city desc;name");
    grid.SetDataSource(&Source);
    EXPECT_EQ(grid.GetOrderFields(), "City DESC,Name");
    EXPECT_EQ(grid.FindColumn("City")->Title()->GetMarkerIndex(), 3);

    // Closing keeps the order; reopening brings the markers back.
    Table->Close();
    EXPECT_EQ(grid.GetOrderFields(), "City DESC,Name");
    Table->Open();
    EXPECT_EQ(grid.GetOrderFields(), "City DESC,Name");
    EXPECT_EQ(grid.FindColumn("Name")->Title()->GetMarkerIndex(), 4);
}

TEST_F(GridOrder, LoadingKeepsTheLoadedMarkersInTheStoredOrder)
{
    TZDBGrid grid;
    int changed = 0;
    grid.OnOrderChanged = [&](TZCustomDBGrid*) { ++changed; };
    grid.Loading();
    grid.SetOptions(grid.GetOptions() & ~TZDBGridOptions(dgMarkerAutoToggle));
    // Columns as a stored form brings them, their titles with markers.
    for (const char* name : {"Id", "Name", "City"})
        grid.Columns()->Add()->SetFieldName(name);
    grid.FindColumn("Name")->Title()->SetMarkerIndex(1);
    grid.FindColumn("City")->Title()->SetMarkerIndex(0);
    EXPECT_EQ(grid.GetOrderFields(), "Name DESC,City");

    // The stored order only arranges them; the directions stay as loaded.
    grid.SetOrderFields("City DESC,Nope,Name");
    EXPECT_EQ(grid.GetOrderFields(), "City,Name DESC");
    EXPECT_EQ(grid.FindColumn("City")->Title()->GetMarkerIndex(), 0);
    EXPECT_EQ(grid.FindColumn("Name")->Title()->GetMarkerIndex(), 1);
    grid.Loaded();
    EXPECT_EQ(changed, 0);

    // Once loaded the same call replaces the markers.
    grid.SetOrderFields("Id DESC");
    EXPECT_EQ(grid.GetOrderFields(), "Id DESC");
    EXPECT_EQ(changed, 1);
}

TEST_F(GridOrder, AMarkerChangePostsThePendingEdit)
{
    AddOptionsEx(dgAutoUpdateOrder);
    GoTo(7);
    Table->Edit();
    Table->FieldByName("Name")->SetValue("Aaron");
    Column("Name")->Title()->ToggleMarker(true);
    EXPECT_EQ(Table->State(), dsBrowse);
    const std::vector<Row> rows = Rows(*Table);
    EXPECT_EQ(rows.front().Name, "Aaron");
    EXPECT_EQ(rows.front().Id, 7);
}

TEST_F(GridOrder, AClickWhoseEditCannotBePostedChangesNoMarker)
{
    AddOptionsEx(dgAutoUpdateOrder);
    std::vector<std::string> errors;
    OnApplicationException = [&](QWidget* Sender, std::exception_ptr Error) {
        EXPECT_EQ(Sender, Grid.get());
        try {
            std::rethrow_exception(Error);
        } catch (const EDatabaseError& e) {
            errors.push_back(e.what());
        }
    };
    const auto reset = qScopeGuard([] { OnApplicationException = nullptr; });
    Table->FieldByName("Name")->SetRequired(true);
    GoTo(7);
    Table->Edit();
    Table->FieldByName("Name")->SetValue(QVariant());

    Click("City");
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(Markers(), "");
    EXPECT_EQ(Grid->GetOrderFields(), "");
    EXPECT_EQ(Grid->OrderUpdateCount(), 0);
    EXPECT_EQ(Table->State(), dsEdit) << "the user's edit is still there to be mended";
    Table->Cancel();

    // Once the edit is gone the same click sorts.
    Click("City");
    EXPECT_EQ(Markers(), "City+");
    EXPECT_EQ(errors.size(), 1u);
}

TEST_F(GridOrder, APositionBracketInsideAnOrderBracketKeepsTheNewMarkers)
{
    {
        TZOrderUpdateGuard order(Grid.get());
        Column("City")->Title()->SetMarker(tmDescend);
        { TZPositionGuard position(Grid.get()); }
        EXPECT_EQ(Markers(), "City-");
    }
    EXPECT_EQ(Grid->GetOrderFields(), "City DESC");
    EXPECT_EQ(Changed, 1);
}

TEST_F(GridOrder, OrderChangedOncePerBracket)
{
    Grid->BeginOrderUpdate();
    Column("Name")->Title()->SetMarker(tmAscend);
    Column("City")->Title()->SetMarker(tmDescend);
    Column("Id")->Title()->ToggleMarker(false);
    EXPECT_EQ(Changed, 0);
    Grid->BeginOrderUpdate();
    Grid->EndOrderUpdate();
    EXPECT_EQ(Changed, 0);
    Grid->EndOrderUpdate();
    EXPECT_EQ(Changed, 1);
    EXPECT_EQ(Grid->StoredOrderFields(), "Name,City DESC,Id");

    // A bracket that ends with the order it began with reports nothing.
    {
        TZOrderUpdateGuard order(Grid.get());
        Column("Id")->Title()->SetMarker(tmNone);
        Column("Id")->Title()->SetMarker(tmAscend);
    }
    EXPECT_EQ(Changed, 1);
    Click("Amount"); // RemoveMarkers and the new marker: one change
    EXPECT_EQ(Changed, 2);
    Grid->SetOrderFields("Amount");
    EXPECT_EQ(Changed, 2);
    // Markers read from the dataset are no change to apply.
    Grid->SetupOrderFields("City");
    EXPECT_EQ(Changed, 2);
    EXPECT_EQ(Grid->GetOrderFields(), "City");
    EXPECT_EQ(Grid->StoredOrderFields(), "City");
    Grid->EndOrderUpdate(); // unbalanced: ignored
    EXPECT_EQ(Grid->OrderUpdateCount(), 0);
}

TEST_F(GridOrder, SetOrderIndexMovesTheColumnInTheOrder)
{
    Grid->SetOrderFields("Name,City DESC,Amount");
    Column("Amount")->Title()->SetOrderIndex(1);
    EXPECT_EQ(Grid->GetOrderFields(), "Amount,Name,City DESC");
    EXPECT_EQ(MarkerIndex("Amount"), 2);
    EXPECT_EQ(MarkerIndex("City"), 7);
    EXPECT_EQ(Column("City")->Title()->GetOrderIndex(), 3);
    Column("Name")->Title()->SetOrderIndex(9); // beyond the end: last
    EXPECT_EQ(Grid->GetOrderFields(), "Amount,City DESC,Name");
    Column("City")->Title()->SetOrderIndex(-1);
    EXPECT_EQ(Grid->GetOrderFields(), "Amount,Name");
    ExpectListMatchesMarkers();
}

// ---- Applying the order to the table -----------------------------------------------------

TEST_F(GridOrder, ClickingTitlesReordersTheRecords)
{
    AddOptionsEx(dgAutoUpdateOrder);
    std::vector<Row> expected = Rows(*Table);

    Click("Name");
    EXPECT_EQ(Table->GetIndexFieldNames(), "Name");
    std::stable_sort(expected.begin(), expected.end(), [](const Row& A, const Row& B) { return A.Name < B.Name; });
    EXPECT_EQ(Ids(Rows(*Table)), Ids(expected));
    EXPECT_EQ(Updated, 1);
    EXPECT_EQ(Changed, 0); // applied, so not reported as a pending change

    // The grid shows them so: the first data row is the first name.
    Table->First();
    QApplication::processEvents();
    EXPECT_EQ(Grid->CellText(Grid->DataToRawColumn(Column("Name")->Index()), Grid->FirstDataRow()), "Adams");
    EXPECT_EQ(Grid->CellText(Grid->DataToRawColumn(Column("Name")->Index()), Grid->FirstDataRow() + 2), "Baker");

    Click("Name");
    EXPECT_EQ(Table->GetIndexFieldNames(), "Name DESC");
    EXPECT_EQ(Rows(*Table).front().Name, "Young");

    Click("City");
    CtrlClick("Amount");
    CtrlClick("Amount");
    EXPECT_EQ(Table->GetIndexFieldNames(), "City;Amount DESC");
    expected = Rows(*Table);
    std::vector<Row> sorted = expected;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Row& A, const Row& B) {
        return A.City != B.City ? A.City < B.City : A.Amount > B.Amount;
    });
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        EXPECT_EQ(expected[i].City, sorted[i].City) << i;
        EXPECT_EQ(expected[i].Amount, sorted[i].Amount) << i;
    }
    EXPECT_EQ(Grid->CurrentDataSetOrder(), "City,Amount DESC");
}

TEST_F(GridOrder, WithoutAutoUpdateTheOrderIsAppliedOnRequest)
{
    Click("City");
    EXPECT_EQ(Changed, 1);
    EXPECT_EQ(Table->GetIndexFieldNames(), "");
    Grid->UpdateOrder(false);
    EXPECT_EQ(Table->GetIndexFieldNames(), "City");
    EXPECT_EQ(Updated, 1);
    // The same order again changes nothing.
    EXPECT_TRUE(Grid->ChangeDataSetOrder());
    EXPECT_EQ(Updated, 1);

    // Switching automatic updates on applies what the markers say.
    CtrlClick("Id");
    AddOptionsEx(dgAutoUpdateOrder);
    EXPECT_EQ(Table->GetIndexFieldNames(), "City;Id");
}

TEST_F(GridOrder, TheCurrentRecordStaysCurrentByKeyFields)
{
    Grid->SetKeyFields("Id");
    AddOptionsEx(dgAutoUpdateOrder);
    GoTo(9);
    Click("Name");
    EXPECT_EQ(CurrentId(*Table), 9);
    Click("City");
    EXPECT_EQ(CurrentId(*Table), 9);
    // The grid's current row shows that record.
    EXPECT_EQ(Grid->CellText(Grid->DataToRawColumn(Column("Id")->Index()), Grid->GetRow()), "9");
}

TEST_F(GridOrder, TheSelectionIsKeptAcrossAReSort)
{
    AddOptions(dgMultiSelect);
    AddOptionsEx(dgAutoUpdateOrder);
    Grid->SetKeyFields("Id");
    auto selected = [&] {
        std::set<int> ids;
        Grid->ForEachDataRow(reSelectedRows, [&] { ids.insert(CurrentId(*Table)); });
        return ids;
    };
    for (int id : {3, 5, 11}) {
        GoTo(id);
        Grid->SelectRow();
    }
    ASSERT_EQ(selected(), (std::set<int>{3, 5, 11}));

    // Without dgAutoKeepSelection a re-sort clears it.
    Click("Name");
    EXPECT_TRUE(selected().empty());

    for (int id : {3, 5, 11}) {
        GoTo(id);
        Grid->SelectRow();
    }
    AddOptionsEx(dgAutoKeepSelection);
    Click("City");
    EXPECT_EQ(Table->GetIndexFieldNames(), "City");
    EXPECT_EQ(selected(), (std::set<int>{3, 5, 11}));
    EXPECT_EQ(Grid->SelectedRows()->Count(), 3);
}

TEST_F(GridOrder, ARejectedOrderRestoresTheOldOneSilently)
{
    // A column whose field the table does not have.
    TZColumn* name = nullptr;
    TZColumn* ghost = nullptr;
    {
        TCollectionUpdateGuard update(Grid->Columns());
        Grid->Columns()->Clear();
        Grid->Columns()->Add()->SetFieldName("Id");
        name = Grid->Columns()->Add();
        name->SetFieldName("Name");
        ghost = Grid->Columns()->Add();
        ghost->SetFieldName("Ghost");
        ghost->SetWidth(80);
    }
    Grid->SetKeyFields("Id");
    AddOptionsEx(dgAutoUpdateOrder);
    QApplication::processEvents();

    Click("Name");
    ASSERT_EQ(Table->GetIndexFieldNames(), "Name");
    GoTo(4);
    const std::vector<int> before = Ids(Rows(*Table));
    EXPECT_NO_THROW(CtrlClick("Ghost"));
    EXPECT_EQ(Table->GetIndexFieldNames(), "Name");
    EXPECT_EQ(Grid->GetOrderFields(), "Name");
    EXPECT_EQ(ghost->Title()->GetMarkerIndex(), -1);
    EXPECT_EQ(name->Title()->GetMarkerIndex(), 2);
    EXPECT_EQ(Ids(Rows(*Table)), before);
    EXPECT_EQ(CurrentId(*Table), 4);
    EXPECT_TRUE(Table->Active());

    // Called directly the same.
    EXPECT_NO_THROW(Grid->ChangeIndexFields("Ghost DESC"));
    EXPECT_EQ(Table->GetIndexFieldNames(), "Name");
    EXPECT_EQ(Grid->GetOrderFields(), "Name");
    EXPECT_EQ(Grid->OrderUpdateCount(), 0);
    EXPECT_FALSE(Grid->PositionDisabled());
    EXPECT_FALSE(Grid->UpdateLocked());
    EXPECT_FALSE(Table->ControlsDisabled());
}

TEST_F(GridOrder, ADetailTableIndexLeadsWithTheDetailFields)
{
    auto detail = std::make_unique<TDetailTable>();
    FillTable(*detail);
    TDataSource master;
    detail->SetMasterFields("City");
    detail->SetMasterSource(&master);
    Show(detail.get());
    Grid->SetDetailFields("city");
    EXPECT_EQ(Grid->GetDetailFields(), "City");

    EXPECT_TRUE(Grid->ChangeDataSetOrder("Amount DESC"));
    EXPECT_EQ(detail->GetIndexFieldNames(), "City;Amount DESC");
    EXPECT_EQ(Grid->CurrentDataSetOrder(), "Amount DESC");
    Grid->SetupCurrentOrder();
    EXPECT_EQ(Grid->GetOrderFields(), "Amount DESC");

    // A rejected order gives the markers the old order without the detail fields.
    Grid->ChangeIndexFields("Ghost");
    EXPECT_EQ(detail->GetIndexFieldNames(), "City;Amount DESC");
    EXPECT_EQ(Grid->GetOrderFields(), "Amount DESC");
    EXPECT_EQ(MarkerIndex("City"), -1);

    // No markers: the index holds the detail fields alone.
    Grid->SetOrderFields("");
    Grid->ChangeIndexFields(QString());
    EXPECT_EQ(detail->GetIndexFieldNames(), "City");

    // Without a master the detail fields are not put in front.
    detail->SetMasterSource(nullptr);
    Grid->ChangeIndexFields("Name");
    EXPECT_EQ(detail->GetIndexFieldNames(), "Name");
    Show(nullptr);
}

TEST_F(GridOrder, LoadCurrentOrderReadsTheTableIntoTheMarkers)
{
    Table->SetIndexFieldNames("Amount DESC;Name");
    AddOptionsEx(dgLoadCurrentOrder);
    EXPECT_EQ(Grid->GetOrderFields(), "Amount DESC,Name");
    EXPECT_EQ(MarkerIndex("Amount"), 3);
    EXPECT_EQ(Changed, 0);

    // And again whenever the link becomes active.
    Table->Close();
    Table->SetIndexFieldNames("City");
    Table->Open();
    EXPECT_EQ(Grid->GetOrderFields(), "City");
}

TEST_F(GridOrder, SwitchingAnOrderOptionOffAppliesTheOrderAgain)
{
    AddOptionsEx(dgAutoUpdateOrder);
    Click("Name");
    ASSERT_EQ(Table->GetIndexFieldNames(), "Name");
    // The table is sorted behind the grid's back; any change of the order
    // options applies the grid's order again, switching one off included.
    Table->SetIndexFieldNames("City");
    ASSERT_TRUE(Grid->GetOptionsEx() & dgAutoAscendOrder);
    Grid->SetOptionsEx(Grid->GetOptionsEx() & ~TZDBGridOptionsEx(dgAutoAscendOrder));
    EXPECT_EQ(Table->GetIndexFieldNames(), "Name");
}

TEST_F(GridOrder, AutoAscendOrderFollowsTheRegisteredMethod)
{
    RegisterChangeOrder("TAscendingTable", coChangeIndexFields, true);
    auto ascending = std::make_unique<TAscendingTable>();
    FillTable(*ascending);
    Show(ascending.get());
    Grid->SetOrderFields("Name DESC");
    EXPECT_TRUE(Grid->ChangeDataSetOrder());
    EXPECT_TRUE(Grid->GetOptions() & dgMarkerAscendOnly);
    EXPECT_EQ(Grid->GetOrderFields(), "Name");
    EXPECT_EQ(ascending->GetIndexFieldNames(), "Name");

    // Back on a table that sorts both ways the option goes off again.
    Show(nullptr);
    EXPECT_TRUE(Grid->ChangeDataSetOrder("Name DESC"));
    EXPECT_FALSE(Grid->GetOptions() & dgMarkerAscendOnly);
    EXPECT_EQ(Table->GetIndexFieldNames(), "Name DESC");
    UnRegisterChangeOrder("TAscendingTable", coChangeIndexFields);

    // No dataset: no method.
    Grid->SetDataSource(nullptr);
    EXPECT_FALSE(Grid->ChangeDataSetOrder("Name"));
    EXPECT_EQ(Grid->CurrentDataSetOrder(), "");
}

// ---- Painted markers ------------------------------------------------------------------------

TEST_F(GridOrder, SortedTitlesShowTheirMarker)
{
    auto title = [&](const char* Name) {
        QApplication::processEvents();
        return Grid->viewport()->grab(TitleRect(Name)).toImage();
    };
    const QImage plain = title("City");
    Click("City");
    const QImage ascending = title("City");
    Click("City");
    const QImage descending = title("City");
    EXPECT_NE(plain, ascending);
    EXPECT_NE(ascending, descending);
    EXPECT_NE(plain, descending);
    // A second key carries its number: another image than the first key's.
    CtrlClick("Name");
    const QImage second = title("Name");
    Click("Name");
    EXPECT_NE(second, title("Name"));
    Grid->SetOrderFields("");
    EXPECT_EQ(title("City"), plain);
}

#include "test_grid_order.moc"

// ---- A query that cannot be opened again ------------------------------------------------

namespace {

struct GridOrderLostTable : SqliteOrders {
    void SetUp() override
    {
        SqliteOrders::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        CreateOrders(20);
        if (HasFatalFailure())
            return;
        Grid->SetOptionsEx(Grid->GetOptionsEx() | dgAutoUpdateOrder);
        Grid->SetKeyFields(QStringLiteral("id"));
        Grid->SetDataSource(&Source);
        ShowGrid(*Grid, 400, 300);
    }
    void TearDown() override
    {
        Grid.reset();
        SqliteOrders::TearDown();
    }
    std::unique_ptr<TZDBGrid> Grid = std::make_unique<TZDBGrid>();
};

} // namespace

TEST_F(GridOrderLostTable, AQueryThatCannotReopenLeavesNoBracketAndNoError)
{
    ASSERT_TRUE(Query->Locate(QStringLiteral("id"), 4));
    const QString sql = Query->SQLText();
    // The table goes away underneath the open query.
    ASSERT_TRUE(ExecSql(Db(), "ALTER TABLE orders RENAME TO gone"));

    EXPECT_NO_THROW(Grid->SetOrderFields(QStringLiteral("note DESC")));
    EXPECT_FALSE(Query->Active());
    EXPECT_EQ(Query->SQLText(), sql);
    EXPECT_EQ(Grid->GetOrderFields(), "") << "the markers show the order of the SQL in force";
    EXPECT_FALSE(Query->ControlsDisabled());
    EXPECT_FALSE(Grid->PositionDisabled());
    EXPECT_EQ(Grid->OrderUpdateCount(), 0);

    // Back again, the query opens on its old order.
    ASSERT_TRUE(ExecSql(Db(), "ALTER TABLE gone RENAME TO orders"));
    Query->Open();
    EXPECT_EQ(Query->FieldByName(QStringLiteral("id"))->AsInteger(), 1);
}


TEST_F(GridOrderLostTable, AKeyFieldTheQueryLostBreaksNeitherReopeningNorAClick)
{
    Grid->SetOrderFields(QStringLiteral("note DESC"));
    ASSERT_EQ(Grid->CurrentDataSetOrder(), "note DESC");
    ASSERT_EQ(Grid->GetKeyFields(), "id");

    // The statement changes under the grid's KeyFields: no id any more.
    Query->Close();
    Query->SetSQLText(QStringLiteral("SELECT note FROM orders"));
    EXPECT_NO_THROW(Query->Open());
    ASSERT_TRUE(Query->Active());
    const QString sql = Query->SQLText();
    const QString inForce = Grid->GetOrderFields();
    EXPECT_EQ(inForce, "") << "the markers show the order of the statement in force";

    // A click cannot keep the position: the markers return to the order in force.
    TZColumn* note = Grid->FindColumn(QStringLiteral("note"));
    ASSERT_NE(note, nullptr);
    const QRect title = Grid->CellRect(Grid->DataToRawColumn(note->Index()), 0);
    bool handed = false;
    OnApplicationException = [&](QWidget*, std::exception_ptr) { handed = true; };
    const auto reset = qScopeGuard([] { OnApplicationException = nullptr; });
    QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, title.center());
    QApplication::processEvents();
    EXPECT_FALSE(handed) << "nothing escapes the click";
    EXPECT_EQ(Grid->GetOrderFields(), inForce);
    EXPECT_EQ(note->Title()->GetMarker(), tmNone);
    EXPECT_EQ(Query->SQLText(), sql);
    EXPECT_TRUE(Query->Active());
    EXPECT_FALSE(Grid->PositionDisabled());
    EXPECT_EQ(Grid->OrderUpdateCount(), 0);

    // Assigned now, names the open query lacks are dropped.
    Grid->SetKeyFields(QStringLiteral("id,note"));
    EXPECT_EQ(Grid->GetKeyFields(), "note");
}
