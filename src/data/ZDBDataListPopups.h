#pragma once
// The calendar and the calculator that drop down from cells.
//
// TZDBPopupCalendar is a popup grid over TZDBMonthData: a month of six weeks
// (the first row always begins in the previous month, on the locale's first
// day of the week), zooming out to a year of months, a decade of years and a
// century of decades. Its Result is the chosen date-time as text.
//
// TZDBPopupCalculator is a popup grid over TZDBDisplayData (one record, one
// text) with 28 buttons below it: a four-function chain without precedence,
// percent, square root, reciprocal, sign change and a memory register. Its
// Result is the display text. A division by zero, an overflow or an invalid
// function argument shows SCalculatorError and leaves nothing to write.
//
// TZDBGridCalendar and TZDBGridCalculator bind them to a grid column: they
// open on the column's edit text and write their result through the column's
// text rules when accepted.

#include "DateUtils.h"
#include "ZDBDropDown.h"

#include <QLabel>
#include <QLocale>

#include <array>
#include <optional>

namespace zdb {

class TZDBPopupCalendar;
class TZDBPopupCalculator;

// "Today": the caption of the calendar's today label.
extern QString STodayInCalendar;
// What the calculator's display shows after a division by zero, an overflow
// or an invalid argument.
extern QString SCalculatorError;

// A one-record dataset of one read-only text field "DisplayText".
class TZDBDisplayData : public TZDBCustomData
{
    Q_OBJECT

public:
    explicit TZDBDisplayData(QObject* Parent = nullptr);
    ~TZDBDisplayData() override;
    QString GetDisplayText() const { return FDisplayText; }
    // Stores the text and shows it (an open dataset is refreshed).
    void SetDisplayText(const QString& Value);

protected:
    void InternalInitFieldDefs() override;
    void DoOnCountRecords(int& Count) override;
    void DoOnGetFieldData(int Index, TField* Field, QVariant& Value) override;

private:
    QString FDisplayText;
};

// The cells of the calendar's views. Fields, all read-only: "Day0" .. "Day6"
// (the days of a week row), "Week", "Month0" .. "Month3" (short month
// names), "Year0" .. "Year3", "Century0" .. "Century3" (a decade's first and
// last year on two lines). Six records in the month view, three in the others.
class TZDBMonthData : public TZDBCustomData
{
    Q_OBJECT

public:
    static constexpr int DayField = 0;
    static constexpr int WeekField = 7;
    static constexpr int MonthField = 8;
    static constexpr int YearField = 12;
    static constexpr int CenturyField = 16;
    static constexpr int FieldCount = 20;

    explicit TZDBMonthData(QObject* Parent = nullptr);
    ~TZDBMonthData() override;
    // The name of field Index (0 .. FieldCount - 1).
    static QString FieldName(int Index);

    TCalendarDepth GetCalendar() const { return FCalendar; }
    // Only while closed.
    void SetCalendar(TCalendarDepth Value);
    // The first day of the week rows (the locale's).
    Qt::DayOfWeek GetFirstDayOfWeek() const { return FFirstDayOfWeek; }
    void SetFirstDayOfWeek(Qt::DayOfWeek Value);
    // The start of the shown month, year, decade or century.
    TDateTime GetMonthDate() const { return FMonthDate; }
    // The date of the first cell.
    TDateTime GetStartDate() const { return FStartDate; }
    // Shows the month, year, decade or century (by the view) holding Date.
    void SetMonthDate(TDateTime Date);
    QDate StartDay() const { return DateTimeDate(FStartDate); }

protected:
    void InternalInitFieldDefs() override;
    void DoOnCountRecords(int& Count) override;
    void DoOnGetFieldData(int Index, TField* Field, QVariant& Value) override;

private:
    void Recalculate(QDate Date);

    TDateTime FMonthDate = 0;
    TDateTime FStartDate = 0;
    TCalendarDepth FCalendar = cdMonth;
    Qt::DayOfWeek FFirstDayOfWeek = Qt::Monday;
};

class TZDBPopupCalendar : public TZDBPopupList
{
    Q_OBJECT

public:
    // The 32 columns: four groups, of which only the current view's shows.
    // Each group: the "back" title column, the cells (the month view's week
    // number column first), the "forward" title column, and a spacer; the
    // cells' header band is the view's caption and zooms out when clicked.
    static constexpr int MonthGroup = 0;   // 0 back, 1 week, 2-8 days, 9 forward, 10 spacer
    static constexpr int YearGroup = 11;   // 11 back, 12-15 months, 16 forward, 17 spacer
    static constexpr int DecadeGroup = 18; // 18 back, 19-22 years, 23 forward, 24 spacer
    static constexpr int CenturyGroup = 25; // 25 back, 26-29 decades, 30 forward, 31 spacer

    explicit TZDBPopupCalendar(QWidget* AOwner = nullptr);
    ~TZDBPopupCalendar() override;

    TZDBMonthData* MonthData() const { return FMonthData.get(); }
    TCalendarDepth GetCalendar() const { return FMonthData->GetCalendar(); }
    // Changes the view when D is not beyond CalendarDepth, keeping the date.
    void SetCalendar(TCalendarDepth D);
    // The deepest view the user may zoom out to.
    TCalendarDepth GetCalendarDepth() const { return FCalendarDepth; }
    void SetCalendarDepth(TCalendarDepth Value) { FCalendarDepth = Value; }
    // The date of the selected cell.
    TDateTime GetDate() const;
    // The edited value with the selected date, month or year (by the view).
    TDateTime GetDateTime() const;
    void SetDateTime(TDateTime Value);
    // GetDateTime as text: the date alone at midnight, else date and time, in
    // the locale's short formats with four-digit years.
    QString GetResult() const;
    // An empty text is today; other texts are read in the locale's short or
    // long formats or as ISO 8601; EConvertError for anything else.
    void SetResult(const QString& Value);
    // The locale of Result (the grid binding gives the field's); by default
    // the popup's own.
    QLocale GetTextLocale() const { return FTextLocale.value_or(locale()); }
    void SetTextLocale(const QLocale& Value) { FTextLocale = Value; }

    bool GetBoldSundays() const { return FBoldSundays; }
    void SetBoldSundays(bool Value);
    bool GetShowToday() const { return FShowToday; }
    void SetShowToday(bool Value);
    bool GetShowTodayCircle() const { return FShowTodayCircle; }
    void SetShowTodayCircle(bool Value);
    bool GetShowWeekNumbers() const { return FShowWeekNumbers; }
    void SetShowWeekNumbers(bool Value);
    // A click on the today label also closes the list, accepting.
    bool GetTodayClose() const { return FTodayClose; }
    void SetTodayClose(bool Value) { FTodayClose = Value; }
    // Bit i: cell i of the month view (from the start date) is bold.
    quint64 BoldDays() const { return FBoldDays; }
    QLabel* TodayLabel() const { return FTodayLabel; }

    // Shows the current view's columns and captions.
    void ChangeCalendarLayout();
    // Recomputes which of the 42 month cells are bold.
    void ChangeBoldDays();
    void CalcSize() override;

    TCalcBoldDaysEvent OnCalcBoldDays;

protected:
    void CellClick(TZColumn* Column) override;
    void TitleClick(TZColumn* Column) override;
    void HeaderClick(TZColumn* Column, int Band) override;
    void KeyDown(int& Key, TShiftState Shift) override;
    bool DoMouseWheelDown(TShiftState Shift, const QPoint& MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, const QPoint& MousePos) override;
    void PaintColumnCell(const QRect& ARect, int DataCol, TZColumn* Column, TGridDrawState AState) override;
    void DrawColumnCell(const QRect& ARect, int DataCol, TZColumn* Column, TGridDrawState AState) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    // A left click on the today label: today, and with TodayClose, accept.
    void TodayMouseUp();

private:
    void CreateCalendarColumns();
    // Moves the cursor to Date (clamped to 1000-01-01 .. 8999-12-31).
    void SetDate(TDateTime Date);
    void GoTo(QDate Date);
    // The action of a title: -1 back, 1 forward, 0 zoom out.
    void TitleAction(int ColumnIndex);
    // Moves by Steps of the current view's row (wheel).
    void WheelRows(int Steps);
    // The date a cell of the current view stands for.
    QDate CellDate(int Record, int FieldIndex) const;
    // The field index a column shows, -1 for the title-only columns.
    int FieldOfColumn(int ColumnIndex) const;
    int FirstColumn() const;
    void ScrollToView();
    void PlaceTodayLabel();
    void UpdateTodayLabel();

    std::unique_ptr<TZDBMonthData> FMonthData;
    std::optional<QLocale> FTextLocale;
    QLabel* FTodayLabel = nullptr;
    TDateTime FDateTime = 0;
    // The date of the cell SetDate put the cursor on.
    QDate FDate;
    quint64 FBoldDays = ~quint64(0);
    TCalendarDepth FCalendarDepth = cdDecade;
    bool FBoldSundays = false;
    bool FShowToday = true;
    bool FShowTodayCircle = false;
    bool FShowWeekNumbers = false;
    bool FTodayClose = false;
    bool FBoldDaysValid = false;
};

class TZDBPopupCalculator : public TZDBPopupList
{
    Q_OBJECT

public:
    // A button: its caption, place and width at 96 DPI, kind (0 blue, 1 red,
    // 2 black) and the key it sends to Operate.
    struct TButtonDef {
        const char* Caption;
        int X, Y, Width, Kind;
        char16_t Key;
    };
    static const std::array<TButtonDef, 28> Buttons;

    explicit TZDBPopupCalculator(QWidget* AOwner = nullptr);
    ~TZDBPopupCalculator() override;

    TZDBDisplayData* DisplayData() const { return FDisplayData.get(); }
    // The display text; setting it reads the value in the locale (an empty
    // text is "0"); EConvertError and nothing changed for a text that is no
    // number.
    QString GetText() const { return FDisplayData->GetDisplayText(); }
    void SetText(const QString& Value);
    // The locale of the display's numbers (the grid binding gives the
    // field's); by default the popup's own.
    QLocale GetTextLocale() const { return FTextLocale.value_or(locale()); }
    void SetTextLocale(const QLocale& Value);
    double GetValue() const { return FValue; }
    void SetValue(double Value);
    double GetMemory() const { return FMemory; }
    // The display after finishing a pending operation; empty after an error.
    QString GetResult();
    void SetResult(const QString& Value);
    // Shows the error text: a division by zero, an overflow or an invalid argument.
    bool GetError() const { return FError; }
    // All: the whole calculation; else the entry (undoing the last operation
    // when it was just computed).
    void Clear(bool All);
    // One key of the calculator (the Buttons' keys, "." and "r" too).
    virtual void Operate(QChar Key);
    void ButtonClick(QObject* Sender);
    void CalcSize() override;
    // The button sending Key.
    TListButton* ButtonOf(QChar Key) const;

protected:
    void KeyDown(int& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;

private:
    void CreateButtons();
    void PlaceButtons();
    void Digit(QChar C);
    void Operator(QChar Op);
    void Calculate();
    void Function(QChar F);
    void SignChange();
    void Backspace();
    // Shows Value as the result of a computation; a value that is not finite
    // is the error display.
    void ShowComputed(double Value);
    QChar DecimalPoint() const;
    QLocale NumberLocale() const;

    std::unique_ptr<TZDBDisplayData> FDisplayData;
    std::optional<QLocale> FTextLocale;
    std::vector<TListButton*> FButtons;
    double FValue = 0;
    double FTotal = 0;
    double FMemory = 0;
    double FStorage = 0;
    double FOperand = 0;
    QChar FOperator = QLatin1Char('=');
    bool FInputValue = false;
    bool FIsOperator = false;
    bool FNewOperand = false;
    bool FError = false;
};

// The calendar of a grid column: opens on the column's edit text, writes the
// chosen date-time through the column's text rules.
class TZDBGridCalendar : public TZDBGridDropDownList
{
    Q_OBJECT

public:
    TZDBGridCalendar(QWidget* AParent, TZColumn* AColumn);
    static TZDBGridDropDownList* Create(QWidget* AParent, TZColumn* AColumn);
    TZDBPopupCalendar* Calendar() const;
    QVariant GetListValue() override;
    void UpdateListData(bool Refresh) override;
    void UpdateListView(bool Refresh) override;
};

// The calculator of a grid column: opens on the column's edit text, writes
// the display through the column's text rules.
class TZDBGridCalculator : public TZDBGridDropDownList
{
    Q_OBJECT

public:
    TZDBGridCalculator(QWidget* AParent, TZColumn* AColumn);
    static TZDBGridDropDownList* Create(QWidget* AParent, TZColumn* AColumn);
    TZDBPopupCalculator* Calculator() const;
    QVariant GetListValue() override;
    void UpdateListData(bool Refresh) override;
    void UpdateListView(bool Refresh) override;
};

// The calendar for cbsCalendar and for date, date-time and time-stamp
// columns under cbsAuto that are neither lookup nor pick-list columns; the
// calculator for cbsCalculator; else none.
TZDBGridDropDownListClass CalendarCalculatorListClass(TZColumn* Column);

// The edit text of the grid's cell in Column: the open editor's text, else
// the column's.
QString ColumnEditText(TZColumn* Column);

// Opens Popup (a calendar or a calculator) on Column's edit text, read in the
// locale of Column's field; a text it cannot read opens it on its empty value.
template <class TPopup>
void SetupPopupResult(TPopup* Popup, TZColumn* Column)
{
    if (TField* field = Column->GetField(); field && field->DataSet())
        Popup->SetTextLocale(field->DataSet()->Locale());
    try {
        Popup->SetResult(ColumnEditText(Column));
    } catch (const EConvertError&) {
        Popup->SetResult(QString());
    }
}

} // namespace zdb
