// The calendar and the calculator dropped down from a shown grid: month
// grids under locales with different first weekdays, navigation by keys,
// titles and the wheel across month, year and century edges, the chain
// arithmetic typed as keys, and the values written back through the grid.

#include "ZDBDataListPopups.h"
#include "ZDBMemData.h"

#include <QApplication>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

// Dates and texts in failure messages.
inline void PrintTo(const QDate& Date, std::ostream* Os)
{
    *Os << Date.toString(Qt::ISODate).toStdString();
}
inline void PrintTo(const QString& Text, std::ostream* Os)
{
    *Os << '"' << Text.toStdString() << '"';
}

using namespace zdb;

namespace {

class LocaleGuard
{
public:
    explicit LocaleGuard(const QLocale& Locale) : FOld(QLocale()) { QLocale::setDefault(Locale); }
    ~LocaleGuard() { QLocale::setDefault(FOld); }

private:
    QLocale FOld;
};

class Popups : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Table = std::make_unique<TZMemDataSet>();
        // The texts of the fields, and so of the lists, are German.
        Table->SetLocale(QLocale(QLocale::German, QLocale::Germany));
        Table->FieldDefs().Add("Day", ftDate);
        Table->FieldDefs().Add("Amount", ftFloat);
        Table->CreateDataSet();
        Table->Append();
        Table->FieldByName("Day")->SetValue(QDate(2024, 2, 28));
        Table->FieldByName("Amount")->SetValue(12.5);
        Table->Post();
        Source = std::make_unique<TDataSource>();
        Source->SetDataSet(Table.get());
        Window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(Window.get());
        Grid = new TZDBGrid(Window.get());
        layout->addWidget(Grid);
        DayColumn = Grid->Columns()->Add();
        DayColumn->SetFieldName("Day");
        AmountColumn = Grid->Columns()->Add();
        AmountColumn->SetFieldName("Amount");
        AmountColumn->SetButtonStyle(cbsCalculator);
        Grid->SetDataSource(Source.get());
        Window->resize(400, 200);
        Window->show();
        Window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(Window.get()));
        Grid->setFocus();
        QApplication::processEvents();
    }

    void TearDown() override
    {
        Window.reset();
        Source.reset();
        Table.reset();
    }

    void Key(int Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier)
    {
        QTest::keyClick(Grid, Qt::Key(Key), Modifiers);
        QApplication::processEvents();
    }
    void Type(const char* Keys)
    {
        QTest::keyClicks(Grid, QString::fromLatin1(Keys));
        QApplication::processEvents();
    }
    bool ListOpen() const { return Grid->EditorList() && Grid->EditorList()->ListVisible(); }
    TZDBPopupCalendar* Calendar() const
    {
        return Grid->EditorList() ? qobject_cast<TZDBPopupCalendar*>(Grid->EditorList()->PopupList()) : nullptr;
    }
    TZDBPopupCalculator* Calculator() const
    {
        return Grid->EditorList() ? qobject_cast<TZDBPopupCalculator*>(Grid->EditorList()->PopupList()) : nullptr;
    }
    TZDBPopupCalendar* OpenCalendar()
    {
        Grid->SetSelectedIndex(DayColumn->Index());
        Key(Qt::Key_F4);
        EXPECT_TRUE(ListOpen());
        return Calendar();
    }
    TZDBPopupCalculator* OpenCalculator()
    {
        Grid->SetSelectedIndex(AmountColumn->Index());
        Key(Qt::Key_F4);
        EXPECT_TRUE(ListOpen());
        return Calculator();
    }
    QDate Shown() const { return DateTimeDate(Calendar()->GetDate()); }
    QString Display() const { return Calculator()->DisplayData()->FieldByName("DisplayText")->AsString(); }
    double DisplayValue() const { return QLocale().toDouble(Display()); }
    // A left click in the middle of the title (Band -1) or of a header band of
    // the calendar's column Index.
    void ClickTitle(int Index, bool Band)
    {
        TZDBPopupCalendar* calendar = Calendar();
        ASSERT_NE(calendar, nullptr);
        const QRect title = calendar->CellRect(calendar->DataToRawColumn(Index), 0);
        const int y = Band ? title.top() + calendar->HeaderRowHeight() / 2 : title.bottom() - 3;
        QTest::mouseClick(calendar->viewport(), Qt::LeftButton, {}, QPoint(title.center().x(), y));
        QApplication::processEvents();
    }
    void Wheel(QWidget* Target, int Delta)
    {
        const QPointF at(Target->width() / 2.0, Target->height() / 2.0);
        QWheelEvent event(at, Target->mapToGlobal(at), QPoint(), QPoint(0, Delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(Target, &event);
        QApplication::processEvents();
    }

    std::unique_ptr<TZMemDataSet> Table;
    std::unique_ptr<TDataSource> Source;
    std::unique_ptr<QWidget> Window;
    TZDBGrid* Grid = nullptr;
    TZColumn* DayColumn = nullptr;
    TZColumn* AmountColumn = nullptr;
};

// The first cell of each month view, and the week rows, under a Sunday-first
// and a Monday-first locale.
TEST(MonthData, MonthGridStartsInThePreviousMonthOnTheLocalesFirstDay)
{
    struct TCase {
        QLocale Locale;
        QDate Date;
        QDate FirstCell;
    };
    const TCase cases[] = {
        // February 2026 begins on a Sunday: a whole week of January first.
        {QLocale(QLocale::English, QLocale::UnitedStates), QDate(2026, 2, 14), QDate(2026, 1, 25)},
        {QLocale(QLocale::German, QLocale::Germany), QDate(2026, 2, 14), QDate(2026, 1, 26)},
        // June 2026 begins on a Monday.
        {QLocale(QLocale::German, QLocale::Germany), QDate(2026, 6, 30), QDate(2026, 5, 25)},
        {QLocale(QLocale::English, QLocale::UnitedStates), QDate(2026, 6, 1), QDate(2026, 5, 31)},
        // A leap February.
        {QLocale(QLocale::German, QLocale::Germany), QDate(2024, 2, 29), QDate(2024, 1, 29)},
    };
    for (const TCase& c : cases) {
        LocaleGuard locale(c.Locale);
        TZDBPopupCalendar calendar;
        calendar.SetShowWeekNumbers(true);
        calendar.SetDateTime(EncodeDateTime(c.Date));
        TZDBMonthData* data = calendar.MonthData();
        SCOPED_TRACE(c.Locale.name().toStdString() + " " + c.Date.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(DateTimeDate(data->GetStartDate()), c.FirstCell);
        EXPECT_EQ(DateTimeDate(calendar.GetDate()), c.Date);
        ASSERT_EQ(data->RecordCount(), 6);
        // Every cell of every row, and the week of the row's Monday.
        data->First();
        for (int row = 0; row < 6; ++row, data->Next()) {
            for (int d = 0; d < 7; ++d)
                EXPECT_EQ(data->FieldByName(QStringLiteral("Day%1").arg(d))->AsInteger(),
                          c.FirstCell.addDays(7 * row + d).day());
            QDate monday = c.FirstCell.addDays(7 * row);
            while (monday.dayOfWeek() != Qt::Monday)
                monday = monday.addDays(1);
            EXPECT_EQ(data->FieldByName("Week")->AsInteger(), monday.weekNumber());
        }
        // The day titles begin with the locale's first day.
        const int firstDayColumn = TZDBPopupCalendar::MonthGroup + 2;
        EXPECT_EQ(calendar.Columns()->Items(firstDayColumn)->Title()->GetCaption(),
                  c.Locale.dayName(c.Locale.firstDayOfWeek(), QLocale::ShortFormat));
        // Back to the date the cursor points at, whatever the row moves did.
        calendar.SetDateTime(EncodeDateTime(c.Date));
        EXPECT_EQ(DateTimeDate(calendar.GetDate()), c.Date);
    }
}

TEST_F(Popups, CalendarKeysCrossMonthYearAndCenturyEdgesAndWriteTheDate)
{
    LocaleGuard locale(QLocale(QLocale::German, QLocale::Germany));
    TZDBPopupCalendar* calendar = OpenCalendar();
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(Shown(), QDate(2024, 2, 28));
    EXPECT_EQ(calendar->GetCalendar(), cdMonth);

    // Month view: days, weeks, months and years, each from the last place.
    const struct {
        int Key;
        Qt::KeyboardModifiers Modifiers;
        QDate Expected;
    } moves[] = {
        {Qt::Key_Right, {}, QDate(2024, 2, 29)},
        {Qt::Key_Right, {}, QDate(2024, 3, 1)},
        {Qt::Key_Left, {}, QDate(2024, 2, 29)},
        {Qt::Key_Down, {}, QDate(2024, 3, 7)},
        {Qt::Key_Up, Qt::ControlModifier, QDate(2024, 2, 8)},
        {Qt::Key_PageDown, Qt::ControlModifier, QDate(2025, 2, 8)},
        {Qt::Key_PageUp, {}, QDate(2025, 1, 8)},
        {Qt::Key_End, {}, QDate(2025, 1, 31)},
        {Qt::Key_Right, Qt::ControlModifier, QDate(2025, 2, 2)}, // Friday 31st: its week ends on Sunday
        {Qt::Key_Left, Qt::ControlModifier, QDate(2025, 1, 27)},
        {Qt::Key_Home, Qt::ControlModifier, QDate(2025, 1, 1)},
        {Qt::Key_Left, {}, QDate(2024, 12, 31)},
        {Qt::Key_End, Qt::ControlModifier, QDate(2024, 12, 31)},
    };
    for (const auto& move : moves) {
        Key(move.Key, move.Modifiers);
        EXPECT_EQ(Shown(), move.Expected) << QTest::toString(Qt::Key(move.Key));
    }
    // The cursor stands on the date's cell: row and column of the month grid.
    const QDate first = DateTimeDate(calendar->MonthData()->GetStartDate());
    const int cell = int(first.daysTo(QDate(2024, 12, 31)));
    EXPECT_EQ(calendar->MonthData()->RecNo(), cell / 7 + 1);
    EXPECT_EQ(calendar->SelectedField()->GetFieldName(), QStringLiteral("Day%1").arg(cell % 7));

    // Enter writes the date through the column, in the grid's record.
    Key(Qt::Key_Return);
    EXPECT_FALSE(ListOpen());
    EXPECT_EQ(Table->FieldByName("Day")->AsDateTime().date(), QDate(2024, 12, 31));

    // Zoomed out to the century (by the caption, a click each), keys move by
    // ten, forty and a hundred years; 1 January 1000 is the first date.
    DayColumn->SetCalendarDepth(cdCentury);
    calendar = OpenCalendar();
    ClickTitle(TZDBPopupCalendar::MonthGroup + 2, true);
    EXPECT_EQ(calendar->GetCalendar(), cdYear);
    ClickTitle(TZDBPopupCalendar::YearGroup + 2, true);
    ClickTitle(TZDBPopupCalendar::DecadeGroup + 2, true);
    ASSERT_EQ(calendar->GetCalendar(), cdCentury);
    EXPECT_EQ(Shown().year(), 2020);
    Key(Qt::Key_Right);
    EXPECT_EQ(Shown().year(), 2030);
    Key(Qt::Key_Up);
    EXPECT_EQ(Shown().year(), 1990);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Shown().year(), 2090);
    Key(Qt::Key_End);
    EXPECT_EQ(Shown().year(), 2090); // the century's last decade
    Key(Qt::Key_Right);
    EXPECT_EQ(Shown().year(), 2100);
    EXPECT_EQ(DateTimeDate(calendar->MonthData()->GetMonthDate()), QDate(2100, 1, 1));
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(Shown(), QDate(1100, 1, 1));
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(Shown(), QDate(1000, 1, 1));
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(Shown(), QDate(1000, 1, 1));
    // The back title goes a hundred years back, here no further than the first date.
    ClickTitle(TZDBPopupCalendar::CenturyGroup, false);
    EXPECT_EQ(Shown(), QDate(1000, 1, 1));
    // Zooming in by clicks keeps the clicked decade, year and month.
    const auto clickCell = [&](int Record, int Column) {
        const QRect r = calendar->CellRect(calendar->DataToRawColumn(Column), calendar->FirstDataRow() + Record);
        QTest::mouseClick(calendar->viewport(), Qt::LeftButton, {}, r.center());
        QApplication::processEvents();
    };
    clickCell(1, TZDBPopupCalendar::CenturyGroup + 1 + 2); // 1050-1059
    EXPECT_EQ(calendar->GetCalendar(), cdDecade);
    EXPECT_EQ(Shown().year(), 1050);
    clickCell(2, TZDBPopupCalendar::DecadeGroup + 1 + 0); // 1049 + 8
    EXPECT_EQ(calendar->GetCalendar(), cdYear);
    EXPECT_EQ(Shown().year(), 1057);
    clickCell(0, TZDBPopupCalendar::YearGroup + 1 + 1); // February
    EXPECT_EQ(calendar->GetCalendar(), cdMonth);
    EXPECT_EQ(Shown(), QDate(1057, 2, 28));
    Key(Qt::Key_Escape);
    EXPECT_EQ(Table->FieldByName("Day")->AsDateTime().date(), QDate(2024, 12, 31));

    // With the depth cdMonth the caption zooms nowhere.
    DayColumn->SetCalendarDepth(cdMonth);
    calendar = OpenCalendar();
    ClickTitle(TZDBPopupCalendar::MonthGroup + 3, true);
    EXPECT_EQ(calendar->GetCalendar(), cdMonth);
    // The forward title: the next month.
    ClickTitle(TZDBPopupCalendar::MonthGroup + 9, false);
    EXPECT_EQ(Shown(), QDate(2025, 1, 31));
    Key(Qt::Key_Escape);
}

TEST_F(Popups, CalendarWheelTodayAndUnreadableText)
{
    LocaleGuard locale(QLocale(QLocale::German, QLocale::Germany));
    TZDBPopupCalendar* calendar = OpenCalendar();
    calendar->SetWheelScrollRows(2);
    // A notch is two weeks.
    Wheel(calendar->viewport(), -120);
    EXPECT_EQ(Shown(), QDate(2024, 3, 13));
    Wheel(calendar->viewport(), 120);
    EXPECT_EQ(Shown(), QDate(2024, 2, 28));
    // The year view: a row is four months.
    Key(Qt::Key_Home, Qt::ControlModifier);
    DayColumn->SetCalendarDepth(cdYear);
    calendar->SetCalendarDepth(cdYear);
    calendar->SetCalendar(cdYear);
    Wheel(calendar->viewport(), -120);
    EXPECT_EQ(Shown(), QDate(2024, 9, 1)); // two rows of four months

    // A click on the today label goes to today; with TodayClose it accepts.
    calendar->SetCalendar(cdMonth);
    calendar->SetTodayClose(true);
    QLabel* today = calendar->TodayLabel();
    ASSERT_TRUE(today->isVisible());
    EXPECT_TRUE(today->text().startsWith(STodayInCalendar));
    QTest::mouseClick(today, Qt::LeftButton, {}, today->rect().center());
    QApplication::processEvents();
    EXPECT_FALSE(ListOpen());
    EXPECT_EQ(Table->FieldByName("Day")->AsDateTime().date(), QDate::currentDate());

    // Bold days: Sundays, and what the grid's handler decides.
    Grid->OnCalcBoldDays = [](TZDBPopupCalendar*, TDateTime Date, bool& Bold) {
        if (DateTimeDate(Date).day() == 13)
            Bold = true;
    };
    DayColumn->SetListOptions(DayColumn->GetListOptions() | TZListOptions{loBoldSundays});
    calendar = OpenCalendar();
    const QDate start = DateTimeDate(calendar->MonthData()->GetStartDate());
    for (int i = 0; i < 42; ++i) {
        const QDate day = start.addDays(i);
        EXPECT_EQ(bool((calendar->BoldDays() >> i) & 1), day.dayOfWeek() == Qt::Sunday || day.day() == 13) << i;
    }
    Key(Qt::Key_Escape);

    // A text the locale cannot read opens on today and changes nothing.
    Table->Edit();
    Table->FieldByName("Day")->SetValue(QDate(2023, 5, 6));
    Table->Post();
    Grid->SetSelectedIndex(DayColumn->Index());
    Key(Qt::Key_F2);
    ASSERT_TRUE(Grid->GetEditorMode());
    Grid->GetInplaceEditor()->setText("31.31.20x");
    Key(Qt::Key_F4);
    ASSERT_TRUE(ListOpen());
    EXPECT_EQ(Shown(), QDate::currentDate());
    Key(Qt::Key_Escape);
    EXPECT_EQ(Table->FieldByName("Day")->AsDateTime().date(), QDate(2023, 5, 6));
    EXPECT_THROW(Calendar() ? Calendar()->SetResult("x") : throw EConvertError("closed"), EConvertError);
}

TEST_F(Popups, CalculatorChainsTypedAsKeysMatchTheArithmetic)
{
    LocaleGuard locale(QLocale(QLocale::German, QLocale::Germany));
    TZDBPopupCalculator* calculator = OpenCalculator();
    ASSERT_NE(calculator, nullptr);
    // Opens on the cell's value.
    EXPECT_DOUBLE_EQ(DisplayValue(), 12.5);
    const auto check = [&](const char* Keys, double Expected) {
        Type(Keys);
        EXPECT_NEAR(DisplayValue(), Expected, 1e-9 * std::max(1.0, std::fabs(Expected))) << Keys;
    };
    // Every chain starts from a cleared calculator (the C button).
    const auto clearAll = [&] {
        QTest::mouseClick(calculator->ButtonOf(QChar(27)), Qt::LeftButton);
        QApplication::processEvents();
    };
    clearAll();
    check("2+3*4=", (2.0 + 3.0) * 4.0); // left to right, no precedence
    Type("=");
    EXPECT_DOUBLE_EQ(DisplayValue(), (2.0 + 3.0) * 4.0 * 4.0); // = repeats the last "* 4"
    clearAll();
    check("2+-3=", 2.0 - 3.0); // the second operator replaces the first
    clearAll();
    Type("2+3=");
    Key(Qt::Key_Delete); // CE right after "=" undoes it
    EXPECT_EQ(Display(), "0");
    check("+1=", 2.0 + 1.0);
    clearAll();
    check("200+10%", 200.0 * 10.0 / 100.0);
    check("=", 200.0 + 200.0 * 10.0 / 100.0);
    clearAll();
    check("1.5*3=", 1.5 * 3.0); // "." types the locale's decimal comma
    EXPECT_EQ(Display(), QLocale().toString(4.5));
    clearAll();
    check("16@", std::sqrt(16.0));
    check("+8R", 1.0 / 8.0);
    check("=", std::sqrt(16.0) + 1.0 / 8.0);
    clearAll();
    // Memory: store, add, recall, clear.
    Type("7");
    Key(Qt::Key_S, Qt::ControlModifier);
    Type("*6=");
    Key(Qt::Key_P, Qt::ControlModifier);
    clearAll();
    Key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(DisplayValue(), 7.0 + 7.0 * 6.0);
    EXPECT_DOUBLE_EQ(calculator->GetMemory(), 7.0 + 7.0 * 6.0);
    Key(Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(calculator->GetMemory(), 0.0);
    // Sign change (F9), backspace, and a second decimal point that is refused.
    clearAll();
    Type("12.5");
    Key(Qt::Key_F9);
    EXPECT_EQ(Display(), QLocale().toString(-12.5));
    Type(".");
    EXPECT_EQ(Display(), QLocale().toString(-12.5));
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Display(), "-12");
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Display(), "0");
    // The buttons operate as their keys.
    QTest::mouseClick(calculator->ButtonOf(u'9'), Qt::LeftButton);
    QTest::mouseClick(calculator->ButtonOf(u'*'), Qt::LeftButton);
    QTest::mouseClick(calculator->ButtonOf(u'3'), Qt::LeftButton);
    EXPECT_EQ(calculator->Buttons.size(), 28u);
    // Enter finishes the pending operation and writes it to the field.
    Key(Qt::Key_Return);
    EXPECT_FALSE(ListOpen());
    EXPECT_DOUBLE_EQ(Table->FieldByName("Amount")->AsFloat(), 9.0 * 3.0);
}

TEST_F(Popups, CalculatorErrorsShowAndWriteNothing)
{
    LocaleGuard locale(QLocale(QLocale::German, QLocale::Germany));
    // Division by zero, accepted: the error shows, the field keeps its value.
    OpenCalculator();
    Type("5/0=");
    EXPECT_EQ(Display(), SCalculatorError);
    Key(Qt::Key_Return);
    EXPECT_FALSE(ListOpen());
    EXPECT_DOUBLE_EQ(Table->FieldByName("Amount")->AsFloat(), 12.5);
    // An overflow by repeated multiplication; a digit afterwards starts anew.
    OpenCalculator();
    Type("99999999*");
    for (int i = 0; i < 45 && Display() != SCalculatorError; ++i)
        Type("=");
    EXPECT_EQ(Display(), SCalculatorError);
    Type("4+1=");
    EXPECT_EQ(Display(), "5");
    // The square root of a negative number and the reciprocal of zero.
    Type("2");
    Key(Qt::Key_F9);
    Type("@");
    EXPECT_EQ(Display(), SCalculatorError);
    Type("0R");
    EXPECT_EQ(Display(), SCalculatorError);
    Key(Qt::Key_Escape);
    EXPECT_DOUBLE_EQ(Table->FieldByName("Amount")->AsFloat(), 12.5);
}

TEST_F(Popups, ColumnsGetTheirListByButtonStyleAndFieldType)
{
    const auto listOf = [&](TZColumn* Column) { return Grid->GetEditorListClass(Column); };
    EXPECT_EQ(listOf(DayColumn), &TZDBGridCalendar::Create);
    EXPECT_EQ(listOf(AmountColumn), &TZDBGridCalculator::Create);
    AmountColumn->SetButtonStyle(cbsAuto);
    EXPECT_EQ(listOf(AmountColumn), nullptr);
    AmountColumn->SetButtonStyle(cbsCalendar);
    EXPECT_EQ(listOf(AmountColumn), &TZDBGridCalendar::Create);
    DayColumn->SetButtonStyle(cbsNone);
    EXPECT_EQ(listOf(DayColumn), nullptr);
    // A date column with a pick list keeps its pick list.
    DayColumn->SetButtonStyle(cbsAuto);
    DayColumn->SetPickList({"01.01.2024", "02.01.2024"});
    EXPECT_NE(listOf(DayColumn), &TZDBGridCalendar::Create);
}

} // namespace
