// The popup list framework driven through a shown grid: a pick-list column's
// list opened by keys, keys and typing routed to it, accept and cancel, its
// place on the screen near each edge, its size, and the ways it closes.

#include "AppExceptions.h"
#include "ZDBDataList.h"
#include "ZDBMemData.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QTemporaryFile>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <memory>

using namespace zdb;

namespace {

const QStringList Values{"A1", "B2", "C3", "D4"};
const QStringList Texts{"Alpha", "Beta", "Gamma", "Gambit"};

class DropDown : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Table = std::make_unique<TZMemDataSet>();
        Table->FieldDefs().Add("Id", ftInteger);
        Table->FieldDefs().Add("Status", ftWideString, 10);
        Table->CreateDataSet();
        for (int i = 1; i <= 3; ++i) {
            Table->Append();
            Table->FieldByName("Id")->SetValue(i);
            Table->FieldByName("Status")->SetValue(Values.at(i - 1));
            Table->Post();
        }
        Table->First();
        Source = std::make_unique<TDataSource>();
        Source->SetDataSet(Table.get());
        Window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(Window.get());
        Grid = new TZDBGrid(Window.get());
        Edit = new QLineEdit(Window.get());
        layout->addWidget(Grid);
        layout->addWidget(Edit);
        Grid->Columns()->Add()->SetFieldName("Id");
        Status = Grid->Columns()->Add();
        Status->SetFieldName("Status");
        Status->SetPickList(Values);
        Status->SetPickText(Texts);
        Grid->SetDataSource(Source.get());
        Window->resize(300, 220);
        Window->show();
        Window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
        Grid->setFocus();
        QApplication::processEvents();
        Grid->SetSelectedIndex(Status->Index());
    }

    void TearDown() override
    {
        Window.reset();
        Source.reset();
        Table.reset();
    }

    QString StatusValue() const { return Table->FieldByName("Status")->AsString(); }
    TZDBPopupList* Popup() const { return Grid->EditorList() ? Grid->EditorList()->PopupList() : nullptr; }
    QString ListText() const { return Popup()->DataSet()->FieldByName("Item")->AsString(); }
    bool ListOpen() const { return Grid->EditorList() && Grid->EditorList()->ListVisible(); }
    // The current cell's rectangle on the screen.
    QRect CellOnScreen() const
    {
        const QRect cell = Grid->CellRect(Grid->GetCol(), Grid->GetRow());
        return QRect(Grid->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    }
    void Key(int Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
    {
        QTest::keyClick(Grid, Qt::Key(Key), Modifiers);
        QApplication::processEvents();
    }

    std::unique_ptr<TZMemDataSet> Table;
    std::unique_ptr<TDataSource> Source;
    std::unique_ptr<QWidget> Window;
    TZDBGrid* Grid = nullptr;
    QLineEdit* Edit = nullptr;
    TZColumn* Status = nullptr;
};

TEST_F(DropDown, KeysOpenMoveSearchAcceptAndCancel)
{
    // Alt+Down opens the list below the cell, on the current value.
    Key(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(ListOpen());
    EXPECT_TRUE(Popup()->isVisible());
    EXPECT_TRUE(Popup()->windowFlags() & Qt::Popup);
    EXPECT_EQ(ListText(), "Alpha");
    EXPECT_GE(Popup()->geometry().top(), CellOnScreen().bottom());
    EXPECT_EQ(Popup()->DataSet()->RecordCount(), 4);

    // Keys the grid receives go to the list: Down moves it, Enter accepts
    // and writes the value behind the chosen text.
    Key(Qt::Key_Down);
    EXPECT_EQ(ListText(), "Beta");
    EXPECT_EQ(StatusValue(), "A1");
    Key(Qt::Key_Return);
    EXPECT_FALSE(ListOpen());
    EXPECT_EQ(StatusValue(), "B2");
    EXPECT_EQ(Status->GetDisplayText(), "Beta");
    EXPECT_EQ(Table->State(), dsEdit);
    EXPECT_EQ(Table->FieldByName("Id")->AsInteger(), 1);
    // The closed list stays, hidden, for the next drop of its column.
    const QPointer<TZDBGridDropDownList> closed = Grid->EditorList();
    QApplication::processEvents();
    ASSERT_TRUE(closed);
    EXPECT_FALSE(closed->PopupList()->isVisible());

    // F4 opens it again on the new value; Escape leaves the field alone.
    Key(Qt::Key_F4);
    ASSERT_TRUE(ListOpen());
    EXPECT_EQ(Grid->EditorList(), closed.data());
    EXPECT_EQ(ListText(), "Beta");
    Key(Qt::Key_Down);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(ListOpen());
    EXPECT_EQ(StatusValue(), "B2");

    // Typing searches the shown texts by prefix; a prefix matching nothing
    // keeps the place, Backspace starts over. Keys reaching the list
    // directly (where the platform sends them) work the same.
    Key(Qt::Key_F4);
    ASSERT_TRUE(ListOpen());
    QTest::keyClicks(Grid, "gamb");
    EXPECT_EQ(ListText(), "Gambit");
    QTest::keyClicks(Popup(), "x");
    EXPECT_EQ(ListText(), "Gambit");
    EXPECT_EQ(qobject_cast<TZDBPopupListEx*>(Popup())->SearchText(), "gamb");
    QTest::keyClick(Popup(), Qt::Key_Backspace);
    QTest::keyClicks(Popup(), "al");
    EXPECT_EQ(ListText(), "Alpha");
    QTest::keyClick(Popup(), Qt::Key_Down, Qt::AltModifier);
    EXPECT_FALSE(ListOpen());
    EXPECT_EQ(StatusValue(), "A1");

    // Refreshing reloads the open list in place, on the same window, and
    // neither applies nor frees anything.
    Key(Qt::Key_F4);
    Key(Qt::Key_Down);
    TZDBPopupList* popup = Popup();
    Grid->EditorList()->Refresh(false);
    QApplication::processEvents();
    ASSERT_TRUE(ListOpen());
    EXPECT_EQ(Popup(), popup);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(ListText(), "Alpha");
    EXPECT_EQ(StatusValue(), "A1");
    Key(Qt::Key_Escape);

    // A read-only column opens nothing, and the keys keep their meaning.
    Status->SetReadOnly(true);
    Key(Qt::Key_F4);
    EXPECT_FALSE(ListOpen());
}

TEST_F(DropDown, CloseUpEventsMayChangeOrVetoTheValue)
{
    QStringList log;
    Grid->OnListDropDown = [&](TZColumn* Column, TZDBDropDownList*) { log << "down:" + Column->GetFieldName(); };
    Grid->OnListCloseUp = [&](TZColumn* Column, TZDBDropDownList*, QVariant& Value, bool& Accept) {
        log << QStringLiteral("up:%1:%2:%3").arg(Column->GetFieldName(), Value.toString()).arg(Accept);
        if (Value == "C3")
            Accept = false;
        else if (Value == "B2")
            Value = "D4";
    };
    Key(Qt::Key_Down, Qt::AltModifier);
    Key(Qt::Key_Down);
    Key(Qt::Key_Return);
    EXPECT_EQ(StatusValue(), "D4");
    Key(Qt::Key_Down, Qt::AltModifier);
    Key(Qt::Key_Up);
    Key(Qt::Key_Return);
    EXPECT_EQ(StatusValue(), "D4");
    EXPECT_EQ(log, (QStringList{"down:Status", "up:Status:B2:1", "down:Status", "up:Status:C3:1"}));
}

TEST_F(DropDown, ListStaysInsideTheScreenNearEachEdge)
{
    Status->SetPickList(QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15"});
    Status->SetPickText(QStringList());
    const QRect available = Grid->screen()->availableGeometry();
    struct Case {
        const char* Edge;
        QPoint WindowPos;
    };
    const QSize size = Window->frameGeometry().size();
    const Case cases[] = {
        {"top", available.topLeft() + QPoint(100, 0)},
        {"bottom", QPoint(available.left() + 100, available.bottom() - size.height() + 1)},
        {"left", QPoint(available.left() - 150, available.top() + 100)},
        {"right", QPoint(available.right() - size.width() + 150, available.top() + 100)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Edge);
        Window->move(c.WindowPos);
        QApplication::processEvents();
        Key(Qt::Key_F4);
        ASSERT_TRUE(ListOpen());
        const QRect list = Popup()->frameGeometry();
        const QRect cell = CellOnScreen();
        EXPECT_TRUE(available.contains(list)) << list.x() << "," << list.y() << " " << list.width() << "x"
                                               << list.height();
        if (QByteArray(c.Edge) == "bottom") {
            EXPECT_LE(list.bottom(), cell.top());
        } else {
            EXPECT_GE(list.top(), cell.bottom());
        }
        if (QByteArray(c.Edge) == "top") {
            EXPECT_EQ(list.left(), cell.left() - 1);
        }
        Key(Qt::Key_Escape);
        EXPECT_FALSE(ListOpen());
    }
    // Taller than the room above and below: from the screen's top.
    const QRect owner(available.left() + 10, available.top() + 50, 80, 20);
    const QPoint p = TZDBDropDownList::PlaceList(owner, QSize(100, available.height() - 30), available, false, true);
    EXPECT_EQ(p, QPoint(owner.left(), available.top()));
    // Right to left: the right edges meet; not overlayed: beside the owner.
    EXPECT_EQ(TZDBDropDownList::PlaceList(owner, QSize(100, 50), available, true, true).x(), available.left());
    EXPECT_EQ(TZDBDropDownList::PlaceList(owner, QSize(100, 50), available, false, false).x(), owner.left() + 80);
}

// Two screens side by side, the second one taller: a list below a cell near
// the first screen's bottom edge fits on the second screen, which holds the
// cell. Run in a child process on an offscreen platform with both screens.
TEST_F(DropDown, ListUsesTheScreenThatHoldsTheCell)
{
    if (QGuiApplication::screens().size() < 2) {
        QTemporaryFile config;
        ASSERT_TRUE(config.open());
        config.write(R"({"screens": [
            {"name": "A", "x": 0, "y": 0, "width": 800, "height": 600, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
            {"name": "B", "x": 800, "y": 0, "width": 1024, "height": 900, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}
        ]})");
        config.close();
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=DropDown.ListUsesTheScreenThatHoldsTheCell"});
        ASSERT_TRUE(child.waitForFinished(60000));
        EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
        return;
    }
    Status->SetPickList(QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"});
    Status->SetPickText(QStringList());
    QScreen* second = QGuiApplication::screens().at(1);
    const QRect available = second->availableGeometry();
    ASSERT_GT(available.height(), QGuiApplication::primaryScreen()->availableGeometry().height());
    Window->move(available.left() + 100, 600 - 120);
    QApplication::processEvents();
    ASSERT_EQ(QGuiApplication::screenAt(CellOnScreen().center()), second);
    ASSERT_GT(CellOnScreen().bottom(), 600 - 100);
    Key(Qt::Key_F4);
    ASSERT_TRUE(ListOpen());
    const QRect list = Popup()->frameGeometry();
    EXPECT_TRUE(available.contains(list));
    EXPECT_GE(list.top(), CellOnScreen().bottom());
    EXPECT_GT(list.bottom(), 600);
    Key(Qt::Key_Escape);
}

TEST_F(DropDown, SizeFollowsRowsAndDropDownRows)
{
    auto heightFor = [this](int Items, int DropDownRows) {
        QStringList items;
        for (int i = 0; i < Items; ++i)
            items << QString::number(i);
        Status->SetPickList(items);
        Status->SetPickText(QStringList());
        Status->SetDropDownRows(DropDownRows);
        Key(Qt::Key_F4);
        EXPECT_TRUE(ListOpen());
        const int rows = (Popup()->height() - 2 * Popup()->frameWidth()) / Popup()->RowHeight();
        const bool wider = Popup()->width() >= Grid->DropDownRect(Status, false).width();
        Key(Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_TRUE(wider);
        return rows;
    };
    EXPECT_EQ(heightFor(25, 0), MaxDropDownRows);
    EXPECT_EQ(heightFor(25, 5), 5);
    EXPECT_EQ(heightFor(3, 0), 3);
    EXPECT_EQ(heightFor(3, 5), 3);
    const int saved = MaxDropDownRows;
    MaxDropDownRows = 7;
    EXPECT_EQ(heightFor(25, 0), 7);
    MaxDropDownRows = saved;
}

TEST_F(DropDown, ClosingFromOutsideLeavesTheFieldAlone)
{
    auto openAndMove = [this] {
        Key(Qt::Key_F4);
        EXPECT_TRUE(ListOpen());
        Key(Qt::Key_Down);
    };
    // A click outside (the platform closes the popup), the application
    // deactivating, the focus going elsewhere.
    openAndMove();
    Popup()->close();
    EXPECT_FALSE(ListOpen());
    openAndMove();
    emit qApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_FALSE(ListOpen());
    openAndMove();
    Edit->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(ListOpen());
    EXPECT_EQ(StatusValue(), "A1");
    EXPECT_EQ(Table->State(), dsBrowse);

    // The grid goes while its list is open: the window goes with it.
    Grid->setFocus();
    openAndMove();
    QPointer<TZDBPopupList> popup = Popup();
    QPointer<TZDBGridDropDownList> list = Grid->EditorList();
    delete Grid;
    Grid = nullptr;
    QApplication::processEvents();
    EXPECT_TRUE(popup.isNull());
    EXPECT_TRUE(list.isNull());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(StatusValue(), "A1");
}

TEST_F(DropDown, PressInTheListKeepsItOpenAndTheWheelScrollsIt)
{
    QStringList many;
    for (int i = 1; i <= 30; ++i)
        many << QString::number(i);
    Status->SetPickList(many);
    Status->SetPickText(QStringList());
    Key(Qt::Key_F4);
    ASSERT_TRUE(ListOpen());
    TZDBPopupList* popup = Popup();
    ASSERT_EQ(ListText(), "1");

    // The wheel that lands on the list outside its rows (over its frame, or anywhere
    // while the popup holds the mouse) scrolls the rows; the grid stays where it is.
    auto wheel = [](QWidget* Target, int Delta) {
        const QPointF at(Target->width() / 2.0, Target->height() / 2.0);
        QWheelEvent event(at, Target->mapToGlobal(at), QPoint(), QPoint(0, Delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(Target, &event);
        QApplication::processEvents();
    };
    wheel(popup, -120);
    const int afterDown = ListText().toInt();
    EXPECT_GT(afterDown, 1);
    EXPECT_EQ(Table->FieldByName("Id")->AsInteger(), 1);
    wheel(popup, 120);
    EXPECT_LT(ListText().toInt(), afterDown);

    // A press on a row gives the list the focus and leaves it open; the
    // release chooses the row, and the focus is back in the grid.
    const int row = popup->FirstDataRow() + 2;
    const QPoint at = popup->CellRect(popup->DataToRawColumn(1), row).center();
    QTest::mousePress(popup->viewport(), Qt::LeftButton, {}, at);
    QApplication::processEvents();
    ASSERT_TRUE(ListOpen());
    EXPECT_TRUE(popup->hasFocus() || popup->isAncestorOf(QApplication::focusWidget()));
    const QString chosen = ListText();
    QTest::mouseRelease(popup->viewport(), Qt::LeftButton, {}, at);
    QApplication::processEvents();
    EXPECT_FALSE(ListOpen());
    EXPECT_EQ(StatusValue(), chosen);
    EXPECT_TRUE(Grid->hasFocus());

    // Opened again, the keys still reach the list and Escape cancels.
    Key(Qt::Key_F4);
    ASSERT_TRUE(ListOpen());
    Key(Qt::Key_Down);
    EXPECT_EQ(ListText().toInt(), chosen.toInt() + 1);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(ListOpen());
    EXPECT_EQ(StatusValue(), chosen);
}

TEST_F(DropDown, MenusPointsAndAutoDropDownState)
{
    // The column's menu pops up below its cell, the title's below the title.
    EXPECT_FALSE(Grid->DropDownMenu(Status, false));
    QMenu cellMenu;
    cellMenu.addAction("Cell");
    Status->SetDropDownMenu(&cellMenu);
    ASSERT_TRUE(Grid->DropDownMenu(Status, false));
    EXPECT_TRUE(cellMenu.isVisible());
    EXPECT_EQ(cellMenu.pos().y(), Grid->DropDownPoint(Status, false).y());
    EXPECT_EQ(Grid->DropDownPoint(Status, false).y(), CellOnScreen().bottom() + 1 + Grid->RowLineWidth());
    cellMenu.hide();
    const QPoint title = Grid->DropDownPoint(Status, true);
    const QRect titleCell = Grid->CellRect(Grid->GetCol(), 0);
    EXPECT_EQ(title.y(), Grid->viewport()->mapToGlobal(QPoint(0, titleCell.bottom() + 1)).y() + Grid->RowLineWidth());
    EXPECT_EQ(title.x(), CellOnScreen().left());

    // A cell drops down once; suspended, none; resumed, not the cell that was
    // current meanwhile, but the next one.
    EXPECT_TRUE(Grid->AllowAutoDropDown());
    EXPECT_FALSE(Grid->AllowAutoDropDown());
    Grid->AutoDropDownState(-1);
    EXPECT_TRUE(Grid->AllowAutoDropDown());
    Grid->AutoDropDownState(-2);
    Key(Qt::Key_Down);
    EXPECT_FALSE(Grid->AllowAutoDropDown());
    Grid->AutoDropDownState(-3);
    EXPECT_FALSE(Grid->AllowAutoDropDown());
    Key(Qt::Key_Left);
    EXPECT_TRUE(Grid->AllowAutoDropDown());
    // A click re-arms a suspended state: the clicked cell may drop down.
    Grid->AutoDropDownState(-2);
    const QRect cell = Grid->CellRect(Grid->GetCol(), Grid->GetRow());
    QTest::mouseClick(Grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_TRUE(Grid->AllowAutoDropDown());
}

} // namespace

namespace {

TEST(PopupListEx, TwoPressesOnOneRowMakeADoubleClick)
{
    const QStringList texts{"One", "Two", "Three"};
    TZDBPickListData items;
    items.SetListInstance(&texts);
    items.Open();
    TZDBPopupListEx list;
    list.ListSource()->SetDataSet(&items);
    list.SetOptions(TZDBGridOptions(dgRowSelect));
    list.CalcSize();
    list.ShowList(QPoint(10, 10));
    int doubles = 0;
    list.OnCellDblClick = [&](TZCustomDBGrid*, TZColumn*) { ++doubles; };
    const QRect row = list.CellRect(0, list.FirstDataRow() + 1);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(row.left() + 2, row.center().y()));
    EXPECT_FALSE(list.MouseDoubleClick());
    // The second press lands elsewhere on the same row: still a double click.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(row.right() - 2, row.center().y()));
    EXPECT_TRUE(list.MouseDoubleClick());
    EXPECT_EQ(doubles, 1);
    // After a double click, and on another row, a press starts afresh.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(row.left() + 2, row.center().y()));
    EXPECT_FALSE(list.MouseDoubleClick());
    const QRect other = list.CellRect(0, list.FirstDataRow());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, QPoint(other.left() + 2, other.center().y()));
    EXPECT_FALSE(list.MouseDoubleClick());
    EXPECT_EQ(doubles, 1);
    // Without an owner Escape closes it.
    QTest::keyClick(&list, Qt::Key_Escape);
    EXPECT_FALSE(list.ListVisible());
    EXPECT_FALSE(list.isVisible());
    list.ListSource()->SetDataSet(nullptr);
}

} // namespace
