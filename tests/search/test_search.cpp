// The grid's search: the matching rule, search runs in every mode and option
// over real records, the messages, the search as a row filter (in memory and
// on SQLite), the panel driven by keys, and the hit painted in a cell.

#include "../grid/test_grid_helpers.h"

#include "ZDBSearch.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <set>
#include <utility>

using namespace zdb;
using namespace zdb::test;

namespace {

// Answers every message box that opens while it lives: the next answer of
// Answers (No, then OK, when they run out), keeping the texts in Asked.
class TBoxAnswers
{
public:
    explicit TBoxAnswers(QList<QMessageBox::StandardButton> Answers = {}) : FAnswers(std::move(Answers))
    {
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            Asked << box->text();
            QMessageBox::StandardButton answer = FAnswers.isEmpty() ? QMessageBox::NoButton : FAnswers.takeFirst();
            if (!box->button(answer))
                answer = box->button(QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
            box->button(answer)->click();
        });
        FTimer.start(5);
    }
    QStringList Asked;

private:
    QList<QMessageBox::StandardButton> FAnswers;
    QTimer FTimer;
};

const QString Special = QStringLiteral(R"(50% off_[x]*?\'")");

void FillPeople(TDataSet& Table)
{
    const QList<std::pair<QString, QString>> rows{
        {"Anna Berg", "Bergby"}, {"Bob Stone", "Bergen"}, {"Carl Berg", "Stockholm"},
        {"Dora", "Berg-am-See"}, {"Eve berg", "Oslo"},    {Special, QString(10000, 'a') + "needle"},
    };
    int id = 0;
    for (const auto& [name, city] : rows) {
        Table.Append();
        Table.FieldByName("Id")->SetValue(++id);
        Table.FieldByName("Name")->SetValue(name);
        Table.FieldByName("City")->SetValue(city);
        Table.Post();
    }
    Table.First();
}

std::unique_ptr<TZMemDataSet> MakePeople()
{
    auto table = std::make_unique<TZMemDataSet>();
    table->FieldDefs().Add("Id", ftInteger);
    table->FieldDefs().Add("Name", ftWideString, 40);
    table->FieldDefs().Add("City", ftWideString, 20000);
    table->CreateDataSet();
    FillPeople(*table);
    return table;
}

// The Id values of the records the dataset shows.
std::set<int> Shown(TDataSet& DataSet)
{
    std::set<int> ids;
    const TBookmark current = DataSet.GetBookmark();
    for (DataSet.First(); !DataSet.Eof(); DataSet.Next())
        ids.insert(DataSet.FieldByName("Id")->AsInteger());
    if (!current.isEmpty() && DataSet.BookmarkValid(current))
        DataSet.GotoBookmark(current);
    return ids;
}

struct PeopleGrid : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakePeople();
    TDataSource Source;
    TZDBGrid Grid;
    TCaughtErrors Caught;
    void SetUp() override
    {
        Source.SetDataSet(Table.get());
        Grid.SetDataSource(&Source);
        ShowGrid(Grid, 500, 300);
    }
    void TearDown() override { EXPECT_TRUE(Caught.Messages.isEmpty()) << Caught.Messages.join('\n').toStdString(); }
    // The current record's Id and the selected data column.
    std::pair<int, int> At() const { return {Table->FieldByName("Id")->AsInteger(), Grid.SelectedIndex()}; }
    std::pair<int, int> Cell(TZSearchMode Mode, const QString& Text, TZSearchOptions Options = {})
    {
        return Grid.SearchCell(Mode, Text, Options) ? At() : std::pair<int, int>{0, 0};
    }
    void Key(QWidget* Target, Qt::Key K, Qt::KeyboardModifiers M = Qt::NoModifier)
    {
        QTest::keyClick(Target, K, M);
        QApplication::processEvents();
    }
};

using P = std::pair<int, int>;
constexpr int Name = 1;
constexpr int City = 2;

} // namespace

TEST(SearchMatch, LiteralTextWithCaseAndWholeWords)
{
    EXPECT_EQ(Match("ab", "xab ab", soWholeWords), 5);
    EXPECT_EQ(Match("ab", "ab1", soWholeWords), 1);
    EXPECT_EQ(Match("ab", "ab,", soWholeWords), 1);
    EXPECT_EQ(Match("ab", "abc xabc", soWholeWords), 0);
    // Letters of any script join a word.
    EXPECT_EQ(Match("ab", "\u00E9ab ab\u00E9", soWholeWords), 0);
    EXPECT_EQ(Match("AB", "xab", {}), 2);
    EXPECT_EQ(Match("AB", "xab", soCaseSensitive), 0);
    EXPECT_EQ(Match("\u00C4B", "x\u00E4b", {}), 2);
    // Wildcards, regular-expression characters and backslashes are plain characters.
    EXPECT_EQ(Match(".*", "abc", {}), 0);
    EXPECT_EQ(Match("a%", "a_b a%", {}), 5);
    EXPECT_EQ(Match("\\'", Special, {}), 14);
    EXPECT_EQ(Match("", "abc", {}), 0);
    EXPECT_EQ(Match("abcd", "abc", {}), 0);
    EXPECT_EQ(ShiftStateToSearchMode(Qt::ControlModifier | Qt::ShiftModifier), smFirst);
    EXPECT_EQ(ShiftStateToSearchMode(Qt::ShiftModifier | Qt::AltModifier), smPrev);
    EXPECT_EQ(ShiftStateToSearchMode(Qt::AltModifier), smLast);
    EXPECT_EQ(ShiftStateToSearchMode(Qt::NoModifier), smNext);
}

TEST_F(PeopleGrid, SearchRunsForwardBackwardFromFirstAndLast)
{
    EXPECT_EQ(Cell(smFirst, "Berg"), P(1, Name));
    EXPECT_EQ(Cell(smNext, "Berg"), P(1, City)); // the later column of the same record
    EXPECT_EQ(Cell(smNext, "Berg"), P(2, City));
    EXPECT_EQ(Cell(smNext, "Berg"), P(3, Name));
    EXPECT_EQ(Cell(smNext, "Berg"), P(4, City));
    EXPECT_EQ(Cell(smNext, "Berg"), P(5, Name));
    // Nothing further: the record and the column stay.
    EXPECT_FALSE(Grid.SearchCell(smNext, "Berg", {}));
    EXPECT_EQ(At(), P(5, Name));
    EXPECT_EQ(Cell(smPrev, "Berg"), P(4, City));
    EXPECT_EQ(Cell(smPrev, "Berg"), P(3, Name));
    EXPECT_EQ(Cell(smLast, "Berg"), P(5, Name));
    EXPECT_EQ(Cell(smFirst, "Berg"), P(1, Name));
    EXPECT_FALSE(Grid.SearchCell(smPrev, "Berg", {}));
    EXPECT_EQ(At(), P(1, Name));

    // Case, whole words (a hyphen ends a word, a letter does not).
    EXPECT_EQ(Cell(smFirst, "berg", soCaseSensitive), P(5, Name));
    EXPECT_EQ(Cell(smFirst, "Berg", soWholeWords), P(1, Name));
    EXPECT_EQ(Cell(smNext, "Berg", soWholeWords), P(3, Name));
    EXPECT_EQ(Cell(smNext, "Berg", soWholeWords), P(4, City));

    // The current column alone; from the first record there is nothing before.
    Grid.SetSelectedIndex(City);
    EXPECT_EQ(Cell(smFirst, "Berg", soCurrentCol), P(1, City));
    EXPECT_EQ(Cell(smNext, "Berg", soCurrentCol), P(2, City));
    EXPECT_EQ(Cell(smNext, "Berg", soCurrentCol), P(4, City));
    EXPECT_FALSE(Grid.SearchCell(smNext, "Berg", soCurrentCol));
    Table->First();
    EXPECT_FALSE(Grid.SearchCell(smPrev, "Berg", soCurrentCol));
    EXPECT_EQ(At(), P(1, City));

    // A selected row goes on with the next record.
    Grid.SetOptions(Grid.GetOptions() | dgRowSelect);
    EXPECT_EQ(Cell(smFirst, "Berg").first, 1);
    EXPECT_EQ(Cell(smNext, "Berg").first, 2);

    // Special characters and a 10,000-character text are taken literally.
    Grid.SetOptions(Grid.GetOptions() & ~TZDBGridOptions(dgRowSelect));
    EXPECT_EQ(Cell(smFirst, Special), P(6, Name));
    EXPECT_EQ(Cell(smFirst, "%"), P(6, Name));
    EXPECT_EQ(Cell(smFirst, QString(10000, 'a')), P(6, City));
    EXPECT_FALSE(Grid.SearchCell(smFirst, ".*", {}));
    EXPECT_FALSE(Grid.SearchCell(smFirst, QString(), {}));
    EXPECT_EQ(At(), P(6, City));
}

TEST_F(PeopleGrid, SearchGridWrapsAsksAndReports)
{
    TZDBGridSearch* search = Grid.Search();
    search->SetText("Berg");
    search->SetOptions(soSkipMessage);
    ASSERT_EQ(Cell(smLast, "Berg"), P(5, Name));
    {
        TBoxAnswers boxes;
        EXPECT_FALSE(Grid.SearchGrid(smNext));
        EXPECT_EQ(At(), P(5, Name));
        search->SetOptions(TZSearchOptions(soSkipMessage) | soWrapAround);
        EXPECT_TRUE(Grid.SearchGrid(smNext));
        EXPECT_EQ(At(), P(1, Name));
        EXPECT_TRUE(Grid.SearchGrid(smPrev)); // wraps to the last match
        EXPECT_EQ(At(), P(5, Name));
        EXPECT_TRUE(boxes.Asked.isEmpty());
    }
    const QString question = QString(SSearchMatchNotFound).replace('\r', '\n');
    search->SetOptions({});
    {
        TBoxAnswers boxes({QMessageBox::No});
        EXPECT_FALSE(Grid.SearchGrid(smNext));
        EXPECT_EQ(boxes.Asked, QStringList{question}); // No ends it without a further message
        EXPECT_EQ(At(), P(5, Name));
    }
    {
        TBoxAnswers boxes({QMessageBox::Yes});
        EXPECT_TRUE(Grid.SearchGrid(smNext));
        EXPECT_EQ(boxes.Asked, QStringList{question});
        EXPECT_EQ(At(), P(1, Name));
    }
    {
        TBoxAnswers boxes;
        search->SetText("zzz");
        EXPECT_FALSE(Grid.SearchGrid(smFirst));
        EXPECT_EQ(boxes.Asked, QStringList{"Search string 'zzz' not found!"});
        EXPECT_EQ(At(), P(1, Name));
        // An empty text does nothing at all.
        search->SetText(QString());
        EXPECT_FALSE(Grid.SearchGrid(smNext));
        EXPECT_EQ(boxes.Asked.size(), 1);
    }
    {
        // A closed dataset: the message, and nothing else changes.
        TBoxAnswers boxes;
        search->SetText("Berg");
        Table->Close();
        EXPECT_FALSE(Grid.SearchGrid(smNext));
        EXPECT_EQ(boxes.Asked, QStringList{"Search string 'Berg' not found!"});
        EXPECT_FALSE(Table->Active());
        search->SetOptions(soSkipMessage);
        EXPECT_FALSE(Grid.SearchGrid(smNext));
        EXPECT_EQ(boxes.Asked.size(), 1);
    }
}

TEST_F(PeopleGrid, EmptyDataSetReportsOnceAndKeepsTheRecord)
{
    TZMemDataSet empty;
    empty.FieldDefs().Add("Id", ftInteger);
    empty.CreateDataSet();
    Source.SetDataSet(&empty);
    Grid.Search()->SetText("1");
    TBoxAnswers boxes;
    EXPECT_FALSE(Grid.SearchGrid(smNext));
    EXPECT_EQ(boxes.Asked, QStringList{"Search string '1' not found!"});
    EXPECT_TRUE(empty.IsEmpty());
    Source.SetDataSet(Table.get());
}

TEST_F(PeopleGrid, FilterRowsShowsExactlyTheMatchesAndGivesTheOwnFilterBack)
{
    Table->SetFilter("Id <> 3");
    Table->SetFiltered(true);
    // Column filters waiting for the user: the search filters on its own all the same.
    Grid.FilterGrid()->SetAutoUpdate(false);
    TZDBGridSearch* search = Grid.Search();
    search->SetOptions(soFilterRows);
    search->SetText("Berg");
    EXPECT_EQ(Shown(*Table), (std::set<int>{1, 2, 4, 5}));
    search->SwitchOptions(soWholeWords, true);
    EXPECT_EQ(Shown(*Table), (std::set<int>{1, 4, 5}));
    search->SwitchOptions(soCaseSensitive, true);
    search->SetText("berg");
    EXPECT_EQ(Shown(*Table), (std::set<int>{5}));
    search->SetOptions(soFilterRows | soCurrentCol);
    Grid.SetSelectedIndex(City);
    search->SetText("Berg");
    EXPECT_EQ(Shown(*Table), (std::set<int>{1, 2, 4}));
    // The text goes: the dataset has its own filter back, and no handler.
    search->SetText(QString());
    EXPECT_EQ(Shown(*Table), (std::set<int>{1, 2, 4, 5, 6}));
    EXPECT_EQ(Table->GetFilter(), "Id <> 3");
    EXPECT_TRUE(Table->GetFiltered());
    EXPECT_FALSE(Table->OnFilterRecord);
    // Switching the option off does the same.
    search->SetOptions(soFilterRows);
    search->SetText("Stone");
    EXPECT_EQ(Shown(*Table), (std::set<int>{2}));
    search->SwitchOptions(soFilterRows, false);
    EXPECT_EQ(Shown(*Table), (std::set<int>{1, 2, 4, 5, 6}));
    EXPECT_FALSE(Table->OnFilterRecord);
    EXPECT_FALSE(Grid.FilterGrid()->GetActive());
}

TEST_F(PeopleGrid, TypingFiltersTheRowsAndRefusesATextWithoutRecords)
{
    Grid.SetOptions(Grid.GetOptions() & ~TZDBGridOptions(dgEditing));
    Grid.Search()->SetIncremental(true);
    Grid.Search()->SetOptions(soFilterRows);
    Grid.activateWindow();
    Grid.setFocus();
    QTest::keyClicks(&Grid, "ber");
    EXPECT_EQ(Grid.Search()->GetText(), "ber");
    EXPECT_EQ(Shown(*Table), (std::set<int>{1, 2, 3, 4, 5}));
    QTest::keyClicks(&Grid, "gx");
    EXPECT_EQ(Grid.Search()->GetText(), "berg");
    EXPECT_EQ(Shown(*Table), (std::set<int>{1, 2, 3, 4, 5}));
    Key(&Grid, Qt::Key_Escape);
    EXPECT_TRUE(Grid.Search()->GetText().isEmpty());
    EXPECT_EQ(Shown(*Table).size(), 6u);
}

TEST_F(PeopleGrid, LeavingTheColumnClearsACurrentColumnSearch)
{
    Grid.Search()->SetOptions(soCurrentCol);
    Grid.SetSelectedIndex(Name);
    Grid.Search()->SetText("Berg");
    Grid.SetSelectedIndex(City);
    EXPECT_TRUE(Grid.Search()->GetText().isEmpty());
}

TEST_F(PeopleGrid, PanelDrivenByKeys)
{
    Grid.activateWindow();
    Grid.setFocus();
    QApplication::processEvents();
    const QRect rows = Grid.viewport()->geometry();
    Key(&Grid, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(Grid.GetSearchPanelVisible());
    TZDBGridSearchPanel* panel = Grid.Search()->Panel();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(Grid.GetSearchPanelFocused());
    // Docked at the bottom, below the rows, across the grid.
    EXPECT_EQ(panel->geometry().top(), Grid.viewport()->geometry().bottom() + 1);
    EXPECT_EQ(panel->width(), Grid.viewport()->width());
    EXPECT_EQ(Grid.GetSearchPanelHeight(), panel->height());
    auto* list = panel->findChild<QComboBox*>("SearchText");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->x(), 4);
    EXPECT_EQ(list->width(), Grid.Search()->GetListWidth() + 5);
    EXPECT_EQ(panel->findChild<QToolButton*>("FindNext")->x(), Grid.Search()->GetListWidth() + 16);

    QTest::keyClicks(QApplication::focusWidget(), "berg");
    Key(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(At(), P(1, Name));
    Key(QApplication::focusWidget(), Qt::Key_F3);
    EXPECT_EQ(At(), P(1, City));
    Key(QApplication::focusWidget(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(At(), P(1, Name));
    Key(QApplication::focusWidget(), Qt::Key_F3, Qt::AltModifier);
    EXPECT_EQ(At(), P(5, Name));
    EXPECT_EQ(Grid.Search()->History(), QStringList{"berg"});
    // A check box writes the options; the focus returns to the text box.
    panel->findChild<QCheckBox*>("CaseSensitive")->click();
    EXPECT_EQ(Grid.Search()->GetOptions(), TZSearchOptions(soCaseSensitive));
    EXPECT_TRUE(Grid.GetSearchPanelFocused());

    // Escape closes the panel and gives the focus back to the grid; the text stays.
    Key(QApplication::focusWidget(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(Grid.GetSearchPanelVisible());
    EXPECT_FALSE(Grid.Search()->GetPanelVisible());
    EXPECT_EQ(Grid.GetSearchPanelHeight(), 0);
    EXPECT_EQ(Grid.viewport()->geometry(), rows);
    EXPECT_TRUE(Grid.hasFocus());
    EXPECT_EQ(Grid.Search()->GetText(), "berg");
    // F3 on the grid searches the text again; Ctrl+F3 from the first record.
    Grid.Search()->SetOptions({});
    Key(&Grid, Qt::Key_F3, Qt::ControlModifier);
    EXPECT_EQ(At(), P(1, Name));
    Key(&Grid, Qt::Key_F3);
    EXPECT_EQ(At(), P(1, City));

    // A permanent panel on top: no close button, Escape keeps it.
    Grid.Search()->SetPermanent(true);
    Grid.Search()->SetPanelOnTop(true);
    Grid.Search()->SetPanelVisible(true);
    panel = Grid.Search()->Panel();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->geometry().bottom() + 1, Grid.viewport()->geometry().top());
    EXPECT_TRUE(panel->findChild<QToolButton*>("CloseSearch")->isHidden());
    EXPECT_EQ(panel->findChild<QComboBox*>("SearchText")->currentText(), "berg");
    panel->SetFocus();
    Key(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(Grid.GetSearchPanelVisible());
    Grid.Search()->SetPanelVisible(false);
    EXPECT_FALSE(Grid.GetSearchPanelVisible());
}

TEST_F(PeopleGrid, NarrowPanelOffersHiddenControlsInTheMenu)
{
    Grid.Search()->SetPanelVisible(true);
    TZDBGridSearchPanel* panel = Grid.Search()->Panel();
    ASSERT_TRUE(panel);
    const int w = Grid.Search()->GetListWidth();
    auto box = [&](const char* Name) { return panel->findChild<QCheckBox*>(Name); };
    // Each check box is as wide as its caption needs, 3 pixels after the one before.
    const int caseWidth = box("CaseSensitive")->sizeHint().width();
    const int wordsWidth = box("WholeWords")->sizeHint().width();
    // Room for the buttons and two check boxes, "More options" and the close button.
    panel->resize(w + 120 + caseWidth + 3 + wordsWidth + 3 + 23 + 3 + 4 + 23 + 3, panel->height());
    auto hidden = [&](const char* Name) { return panel->findChild<QWidget*>(Name)->isHidden(); };
    EXPECT_FALSE(hidden("FindLast"));
    EXPECT_FALSE(hidden("CaseSensitive"));
    EXPECT_FALSE(hidden("WholeWords"));
    EXPECT_TRUE(hidden("WrapAround"));
    EXPECT_TRUE(hidden("FilterRows"));
    EXPECT_EQ(box("CaseSensitive")->geometry(), QRect(w + 120, 4, caseWidth, 23));
    EXPECT_EQ(box("WholeWords")->x(), w + 120 + caseWidth + 3);
    EXPECT_EQ(box("WholeWords")->width(), wordsWidth);
    EXPECT_EQ(panel->findChild<QWidget*>("MoreOptions")->x(), w + 120 + caseWidth + 3 + wordsWidth + 3);
    QMenu* menu = panel->MoreMenu();
    emit menu->aboutToShow();
    QStringList shown;
    for (QAction* item : menu->actions())
        if (item->isVisible())
            shown << (item->isSeparator() ? QStringLiteral("-") : item->text());
    EXPECT_EQ(shown, (QStringList{"-", SWrapAround, SCurrentCol, SFilterRows}));
    // An option item toggles its check box, which writes the options.
    for (QAction* item : menu->actions())
        if (item->text() == SWrapAround)
            item->trigger();
    EXPECT_EQ(Grid.Search()->GetOptions(), TZSearchOptions(soWrapAround));
    // Options that are not offered have neither box nor item.
    Grid.Search()->SetVisibleOptions(soCaseSensitive);
    panel = Grid.Search()->Panel();
    panel->resize(w + 100, panel->height()); // search down alone fits
    emit panel->MoreMenu()->aboutToShow();
    shown.clear();
    for (QAction* item : panel->MoreMenu()->actions())
        if (item->isVisible())
            shown << (item->isSeparator() ? QStringLiteral("-") : item->text());
    EXPECT_EQ(shown, (QStringList{SFindPrev, SFindFirst, SFindLast, "-", SCaseSensitive}));
}

TEST_F(PeopleGrid, PanelControlsAreReachedByTabAndShowTheirWholeCaptions)
{
    Grid.resize(1400, 300); // room for every control of the panel
    Grid.activateWindow();
    Grid.setFocus();
    QApplication::processEvents();
    Key(&Grid, Qt::Key_F, Qt::ControlModifier);
    TZDBGridSearchPanel* panel = Grid.Search()->Panel();
    ASSERT_TRUE(panel);
    auto* list = panel->findChild<QComboBox*>("SearchText");
    ASSERT_TRUE(list->hasFocus());
    const char* boxes[] = {"CaseSensitive", "WholeWords", "WrapAround", "CurrentCol", "FilterRows"};
    for (const char* name : boxes) {
        // A caption is never cut: the box is as wide as its text needs.
        auto* box = panel->findChild<QCheckBox*>(name);
        EXPECT_GE(box->width(), box->sizeHint().width()) << name;
    }

    // Tab walks the text box, the check boxes and "More options", then leaves for the grid.
    QStringList order;
    for (int i = 0; i < 7; ++i) {
        Key(QApplication::focusWidget(), Qt::Key_Tab);
        order << (Grid.hasFocus() ? QStringLiteral("grid") : QApplication::focusWidget()->objectName());
    }
    EXPECT_EQ(order, (QStringList{"CaseSensitive", "WholeWords", "WrapAround", "CurrentCol", "FilterRows",
                                  "MoreOptions", "grid"}));
    EXPECT_EQ(Grid.SelectedIndex(), 0) << "the Tab that left the panel is no cell move";

    // Shift+Tab from the text box goes back to the grid too; Ctrl+F returns.
    Key(&Grid, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(list->hasFocus());
    Key(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(Grid.hasFocus());
    Key(&Grid, Qt::Key_F, Qt::ControlModifier);

    // Space on a focused check box writes the option; the focus returns to the text box.
    Key(QApplication::focusWidget(), Qt::Key_Tab);
    Key(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget()->objectName(), "WholeWords");
    Key(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(Grid.Search()->GetOptions(), TZSearchOptions(soWholeWords));
    EXPECT_TRUE(list->hasFocus());

    // Space on "More options" opens its menu, whose items work by key.
    panel->resize(Grid.Search()->GetListWidth() + 100, panel->height());
    Key(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget()->objectName(), "MoreOptions");
    Key(QApplication::focusWidget(), Qt::Key_Space);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_EQ(menu, panel->MoreMenu());
    QTest::keyClick(menu, Qt::Key_C);
    QApplication::processEvents();
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(Grid.Search()->GetOptions(), TZSearchOptions(soWholeWords | soCaseSensitive));
}

TEST_F(PeopleGrid, HitIsPaintedOverItsTextInTheSearchColour)
{
    Grid.FindColumn("Name")->SetWidth(200);
    Grid.SetSelectedIndex(0);
    Grid.Search()->SetText("Stone");
    QApplication::processEvents();
    const QColor colour = Grid.ToQColor(TZDBGridSearch::DefaultColor());
    auto hitBox = [&](const QImage& Image, int Col, int Row) {
        const QRect cell = Grid.CellRect(Col, Row);
        QRect box;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                if (Image.pixelColor(x, y) == colour)
                    box |= QRect(x, y, 1, 1);
        return box;
    };
    const int nameCol = Grid.DataToRawColumn(Name);
    const int bobRow = Grid.TitleRowCount() + 1;
    QImage image = Grid.viewport()->grab().toImage();
    const QRect box = hitBox(image, nameCol, bobRow);
    ASSERT_FALSE(box.isEmpty());
    const QRect cell = Grid.CellRect(nameCol, bobRow);
    const QFontMetrics metrics(Grid.FindColumn("Name")->GetFont());
    EXPECT_EQ(box.left(), cell.left() + 2 + metrics.horizontalAdvance("Bob "));
    EXPECT_EQ(box.width(), metrics.horizontalAdvance("Stone") - 1);
    // The text is drawn again over the colour.
    int other = 0;
    for (int x = box.left(); x <= box.right(); ++x)
        for (int y = box.top(); y <= box.bottom(); ++y)
            other += image.pixelColor(x, y) != colour;
    EXPECT_GT(other, 0);
    EXPECT_TRUE(hitBox(image, nameCol, bobRow + 1).isEmpty());

    // Current column only in the selected column; clNone and an inactive search paint none.
    Grid.Search()->SetOptions(soCurrentCol);
    EXPECT_TRUE(hitBox(Grid.viewport()->grab().toImage(), nameCol, bobRow).isEmpty());
    Grid.SetSelectedIndex(Name);
    Grid.Search()->SetText("Stone");
    EXPECT_FALSE(hitBox(Grid.viewport()->grab().toImage(), nameCol, bobRow).isEmpty());
    Grid.Search()->SetActive(false);
    EXPECT_TRUE(hitBox(Grid.viewport()->grab().toImage(), nameCol, bobRow).isEmpty());
    Grid.Search()->SetActive(true);
    Grid.Search()->SetColor(clNone);
    EXPECT_TRUE(hitBox(Grid.viewport()->grab().toImage(), nameCol, bobRow).isEmpty());
}

namespace {

struct SqlitePeople : SqliteTest {
    std::unique_ptr<TZSQLQuery> Query;
    TDataSource Source;
    std::unique_ptr<TZDBGrid> Grid;
    void SetUp() override
    {
        SqliteTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(ExecSql(Db(), "CREATE TABLE people (Id INTEGER PRIMARY KEY, Name TEXT, City TEXT)"));
        Query = std::make_unique<TZSQLQuery>();
        Query->SetConnection(Db());
        Query->SetSQLText("SELECT Id, Name, City FROM people ORDER BY Id");
        Query->Open();
        FillPeople(*Query);
        Source.SetDataSet(Query.get());
        Grid = std::make_unique<TZDBGrid>();
        Grid->SetDataSource(&Source);
        ShowGrid(*Grid);
    }
    void TearDown() override
    {
        Grid.reset();
        Source.SetDataSet(nullptr);
        Query.reset();
    }
};

} // namespace

TEST_F(SqlitePeople, FilterRowsOverAQuery)
{
    Query->SetFilter("Id > 1");
    Query->SetFiltered(true);
    TZDBGridSearch* search = Grid->Search();
    search->SetOptions(soFilterRows);
    search->SetText("BERG");
    EXPECT_EQ(Shown(*Query), (std::set<int>{2, 3, 4, 5}));
    EXPECT_TRUE(Grid->SearchCell(smLast, "berg", soCaseSensitive));
    EXPECT_EQ(Query->FieldByName("Id")->AsInteger(), 5);
    search->SetText("needle");
    EXPECT_EQ(Shown(*Query), (std::set<int>{6}));
    search->SetText(QString());
    EXPECT_EQ(Shown(*Query), (std::set<int>{2, 3, 4, 5, 6}));
    EXPECT_EQ(Query->GetFilter(), "Id > 1");
    EXPECT_TRUE(Query->GetFiltered());
    EXPECT_FALSE(Query->OnFilterRecord);
}

TEST_F(SqlitePeople, EachRowIsJudgedOnceWhileTheFilterStays)
{
    int calls = 0;
    Query->SetOnFilterRecord([&calls](TDataSet* DataSet, bool& Accept) {
        ++calls;
        Accept = DataSet->FieldByName("Id")->AsInteger() % 2 == 0;
    });
    Query->SetFiltered(true);
    EXPECT_EQ(Shown(*Query), (std::set<int>{2, 4, 6}));
    Query->Last();
    EXPECT_EQ(Shown(*Query), (std::set<int>{2, 4, 6}));
    EXPECT_EQ(calls, 6);
    // A posted row is judged again.
    Query->First();
    Query->Edit();
    Query->FieldByName("Id")->SetValue(7);
    Query->Post();
    EXPECT_EQ(Shown(*Query), (std::set<int>{4, 6}));
}
