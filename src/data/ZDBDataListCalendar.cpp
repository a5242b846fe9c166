// The calendar popup: the month data behind its four views, the popup grid
// (views, navigation by titles, keys and wheel, today, bold days) and its
// binding to a grid column.

#include "ZDBDataListPopups.h"

#include "AppExceptions.h"
#include "ZQSUtils.h"
#include "ZDBTranslate.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>

namespace zdb {

QString STodayInCalendar = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Today"));

namespace {

const QDate MinCalendarDate(1000, 1, 1);
const QDate MaxCalendarDate(8999, 12, 31);

QDate Clamped(QDate Date)
{
    // Only a step back past the first year gives no date.
    if (!Date.isValid())
        return MinCalendarDate;
    return std::clamp(Date, MinCalendarDate, MaxCalendarDate);
}

int DecadeStart(int Year)
{
    return Year - Year % 10;
}

int CenturyStart(int Year)
{
    return Year - Year % 100;
}

// The day of a cell's row that names its week: the row's Monday.
QDate RowMonday(QDate RowStart)
{
    return RowStart.addDays((Qt::Monday - RowStart.dayOfWeek() + 7) % 7);
}

// A date-time text read in the locale: short date and time, short date, the
// locale's own formats, ISO 8601.
TDateTime ReadDateTime(const QString& Text, const QLocale& Locale)
{
    const QString t = Text.trimmed();
    QDateTime dt = Locale.toDateTime(t, ShortDateTimeFormat(Locale));
    if (!dt.isValid())
        if (const QDate d = Locale.toDate(t, ShortDateFormat(Locale)); d.isValid())
            dt = d.startOfDay();
    if (!dt.isValid())
        dt = Locale.toDateTime(t, QLocale::ShortFormat);
    if (!dt.isValid())
        if (const QDate d = Locale.toDate(t, QLocale::ShortFormat); d.isValid())
            dt = QDate(WindowTwoDigitYear(d)).startOfDay();
    if (!dt.isValid())
        dt = Locale.toDateTime(t, QLocale::LongFormat);
    if (!dt.isValid())
        if (const QDate d = Locale.toDate(t, QLocale::LongFormat); d.isValid())
            dt = d.startOfDay();
    if (!dt.isValid())
        dt = QDateTime::fromString(t, Qt::ISODate);
    if (!dt.isValid())
        throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(Text).toStdString());
    return QDateTimeToDateTime(dt);
}

} // namespace

// ---- TZDBMonthData ----------------------------------------------------------------------

TZDBMonthData::TZDBMonthData(QObject* Parent) : TZDBCustomData(Parent)
{
    SetReadOnly(true);
    Recalculate(QDate::currentDate());
}

TZDBMonthData::~TZDBMonthData()
{
    Close();
}

void TZDBMonthData::SetCalendar(TCalendarDepth Value)
{
    CheckInactive();
    FCalendar = Value;
    Recalculate(DateTimeDate(FMonthDate));
}

void TZDBMonthData::SetFirstDayOfWeek(Qt::DayOfWeek Value)
{
    if (FFirstDayOfWeek == Value)
        return;
    FFirstDayOfWeek = Value;
    SetMonthDate(FMonthDate);
}

void TZDBMonthData::SetMonthDate(TDateTime Date)
{
    Recalculate(DateTimeDate(Date));
    if (Active())
        Refresh();
}

void TZDBMonthData::Recalculate(QDate Date)
{
    Date = Clamped(Date);
    QDate month;
    QDate start;
    switch (FCalendar) {
    case cdMonth: {
        month = QDate(Date.year(), Date.month(), 1);
        // The first row begins in the previous month: a whole week of it when
        // the month begins on the first day of the week.
        int back = (month.dayOfWeek() - FFirstDayOfWeek + 7) % 7;
        if (back == 0)
            back = 7;
        start = month.addDays(-back);
        break;
    }
    case cdYear: month = start = QDate(Date.year(), 1, 1); break;
    case cdDecade:
        month = QDate(DecadeStart(Date.year()), 1, 1);
        start = month.addYears(-1);
        break;
    case cdCentury:
        month = QDate(CenturyStart(Date.year()), 1, 1);
        start = month.addYears(-10);
        break;
    }
    FMonthDate = EncodeDateTime(month);
    FStartDate = EncodeDateTime(start);
}

QString TZDBMonthData::FieldName(int Index)
{
    if (Index < WeekField)
        return QStringLiteral("Day%1").arg(Index - DayField);
    if (Index == WeekField)
        return QStringLiteral("Week");
    if (Index < YearField)
        return QStringLiteral("Month%1").arg(Index - MonthField);
    if (Index < CenturyField)
        return QStringLiteral("Year%1").arg(Index - YearField);
    return QStringLiteral("Century%1").arg(Index - CenturyField);
}

void TZDBMonthData::InternalInitFieldDefs()
{
    FieldDefs().Clear();
    for (int i = 0; i < FieldCount; ++i) {
        const bool text = (i >= MonthField && i < YearField) || i >= CenturyField;
        FieldDefs().Add(FieldName(i), text ? ftString : ftInteger, text ? 20 : 0);
    }
}

void TZDBMonthData::DoOnCountRecords(int& Count)
{
    Count = FCalendar == cdMonth ? 6 : 3;
}

void TZDBMonthData::DoOnGetFieldData(int Index, TField* Field, QVariant& Value)
{
    const int f = Field->FieldNo() - 1;
    const QDate start = StartDay();
    switch (FCalendar) {
    case cdMonth:
        if (Index < 6 && f < WeekField)
            Value = start.addDays(7 * Index + f).day();
        else if (Index < 6 && f == WeekField)
            Value = RowMonday(start.addDays(7 * Index)).weekNumber();
        break;
    case cdYear:
        if (Index < 3 && f >= MonthField && f < YearField)
            Value = QLocale().monthName(4 * Index + f - MonthField + 1, QLocale::ShortFormat);
        break;
    case cdDecade:
        if (Index < 3 && f >= YearField && f < CenturyField)
            Value = start.year() + 4 * Index + f - YearField;
        break;
    case cdCentury:
        if (Index < 3 && f >= CenturyField && f < FieldCount) {
            const int year = start.year() + 10 * (4 * Index + f - CenturyField);
            Value = QStringLiteral("%1\n%2").arg(year).arg(year + 9);
        }
        break;
    }
}

// ---- TZDBPopupCalendar ------------------------------------------------------------------

namespace {

struct TGroup {
    int First;     // the back column
    int Cells;     // the first cell column
    int CellCount; // cell columns
    int Field;     // the field of the first cell (after the week column in the month view)
};

const TGroup Groups[] = {
    {TZDBPopupCalendar::MonthGroup, TZDBPopupCalendar::MonthGroup + 1, 8, TZDBMonthData::DayField},
    {TZDBPopupCalendar::YearGroup, TZDBPopupCalendar::YearGroup + 1, 4, TZDBMonthData::MonthField},
    {TZDBPopupCalendar::DecadeGroup, TZDBPopupCalendar::DecadeGroup + 1, 4, TZDBMonthData::YearField},
    {TZDBPopupCalendar::CenturyGroup, TZDBPopupCalendar::CenturyGroup + 1, 4, TZDBMonthData::CenturyField},
};
constexpr int ColumnCount = 32;

const TGroup& GroupOf(TCalendarDepth View)
{
    return Groups[int(View)];
}

} // namespace

TZDBPopupCalendar::TZDBPopupCalendar(QWidget* AOwner)
    : TZDBPopupList(AOwner), FMonthData(std::make_unique<TZDBMonthData>())
{
    FMonthData->SetFirstDayOfWeek(locale().firstDayOfWeek());
    SetOptions(TZDBGridOptions(dgTitles) | dgTitleHeaders | dgColLines | dgRowLines | dgAlwaysShowSelection);
    SetScrollBars(ssNone);
    SetAutoCalcSize(true);
    FTodayLabel = new QLabel(viewport());
    FTodayLabel->setAlignment(Qt::AlignCenter);
    FTodayLabel->setCursor(Qt::PointingHandCursor);
    FTodayLabel->installEventFilter(this);
    CreateCalendarColumns();
    ListSource()->SetDataSet(FMonthData.get());
    FMonthData->Open();
    ChangeCalendarLayout();
    SetDateTime(Today());
}

TZDBPopupCalendar::~TZDBPopupCalendar()
{
    ListSource()->SetDataSet(nullptr);
}

void TZDBPopupCalendar::CreateCalendarColumns()
{
    const QLocale loc = locale();
    BeginLayout();
    const auto end = qScopeGuard([this] { EndLayout(); });
    // Only stored columns: none of the grid's own.
    Columns()->SetState(csCustomized);
    while (Columns()->Count() < ColumnCount)
        Columns()->Add();
    Q_ASSERT(Columns()->Count() == ColumnCount);
    for (const TGroup& group : Groups) {
        TZColumn* back = Columns()->Items(group.First);
        TZColumn* forward = Columns()->Items(group.Cells + group.CellCount);
        TZColumn* spacer = Columns()->Items(group.Cells + group.CellCount + 1);
        back->Title()->SetCaption(QStringLiteral("\u2039"));
        forward->Title()->SetCaption(QStringLiteral("\u203A"));
        for (TZColumn* arrow : {back, forward}) {
            arrow->SetWidth(ScaleValue(16));
            arrow->Title()->SetAlignment(taCenter);
        }
        spacer->SetWidth(0);
        spacer->SetVisible(false);
        const bool month = group.First == MonthGroup;
        for (int k = 0; k < group.CellCount; ++k) {
            TZColumn* cell = Columns()->Items(group.Cells + k);
            // The month view: the week number first, then the seven days.
            const int field = month ? (k == 0 ? TZDBMonthData::WeekField : k - 1) : group.Field + k;
            cell->SetFieldName(TZDBMonthData::FieldName(field));
            cell->SetAlignment(taCenter);
            cell->Title()->SetAlignment(taCenter);
            cell->SetWidth(ScaleValue(month ? 30 : 46));
            cell->Title()->SetCaption(QStringLiteral(" "));
        }
    }
    // The day names follow the locale's first day of the week.
    const TGroup& month = GroupOf(cdMonth);
    Columns()->Items(month.Cells)->Title()->SetCaption(QStringLiteral("#"));
    for (int d = 0; d < 7; ++d) {
        const int day = (int(FMonthData->GetFirstDayOfWeek()) - 1 + d) % 7 + 1;
        Columns()->Items(month.Cells + 1 + d)->Title()->SetCaption(loc.dayName(day, QLocale::ShortFormat));
    }
}

int TZDBPopupCalendar::FieldOfColumn(int ColumnIndex) const
{
    if (ColumnIndex < 0 || ColumnIndex >= Columns()->Count())
        return -1;
    TField* field = Columns()->Items(ColumnIndex)->GetField();
    return field ? field->FieldNo() - 1 : -1;
}

int TZDBPopupCalendar::FirstColumn() const
{
    return GroupOf(GetCalendar()).First;
}

void TZDBPopupCalendar::ChangeCalendarLayout()
{
    const TCalendarDepth view = GetCalendar();
    BeginLayout();
    {
        const auto end = qScopeGuard([this] { EndLayout(); });
        for (const TGroup& group : Groups) {
            const bool shown = group.First == GroupOf(view).First;
            for (int i = group.First; i < group.Cells + group.CellCount + 1; ++i)
                Columns()->Items(i)->SetVisible(shown);
        }
        Columns()->Items(GroupOf(cdMonth).Cells)->SetVisible(view == cdMonth && FShowWeekNumbers);
        GridStyle()->SetDataRowSpace(view == cdMonth ? 4 : std::max(4, RowHeight() / 2 + 4));
    }
    UpdateTodayLabel();
    if (ListVisible() && FMonthData->Active())
        CalcSize();
    PlaceTodayLabel();
}

void TZDBPopupCalendar::UpdateTodayLabel()
{
    const QLocale loc = locale();
    const QDate today = QDate::currentDate();
    QString text;
    switch (GetCalendar()) {
    case cdMonth: text = loc.toString(today, QLocale::ShortFormat); break;
    case cdYear: text = loc.toString(today, QStringLiteral("MMMM yyyy")); break;
    default: text = loc.toString(today, QStringLiteral("yyyy")); break;
    }
    FTodayLabel->setText(Tr(STodayInCalendar) + QStringLiteral(": ") + text);
    FTodayLabel->setVisible(FShowToday);
}

void TZDBPopupCalendar::PlaceTodayLabel()
{
    const int h = FTodayLabel->sizeHint().height() + ScaleValue(4);
    FTodayLabel->setGeometry(0, viewport()->height() - h, viewport()->width(), h);
}

void TZDBPopupCalendar::resizeEvent(QResizeEvent* Event)
{
    TZDBPopupList::resizeEvent(Event);
    PlaceTodayLabel();
}

void TZDBPopupCalendar::CalcSize()
{
    TZDBPopupList::CalcSize();
    if (!GetAutoCalcSize())
        return;
    // Room below the rows for the today label.
    if (FShowToday)
        resize(width(), height() + FTodayLabel->sizeHint().height() + ScaleValue(4));
    PlaceTodayLabel();
    ScrollToView();
}

void TZDBPopupCalendar::SetCalendar(TCalendarDepth D)
{
    if (D == GetCalendar() || D > FCalendarDepth)
        return;
    const TDateTime remembered = GetDateTime();
    FDateTime = remembered;
    FMonthData->Close();
    FMonthData->SetCalendar(D);
    ChangeCalendarLayout();
    FMonthData->Open();
    FBoldDaysValid = false;
    SetDate(remembered);
    if (ListVisible())
        CalcSize();
}

QDate TZDBPopupCalendar::CellDate(int Record, int FieldIndex) const
{
    const QDate start = FMonthData->StartDay();
    switch (GetCalendar()) {
    case cdMonth: return start.addDays(7 * Record + FieldIndex - TZDBMonthData::DayField);
    case cdYear: return start.addMonths(4 * Record + FieldIndex - TZDBMonthData::MonthField);
    case cdDecade: return start.addYears(4 * Record + FieldIndex - TZDBMonthData::YearField);
    case cdCentury: return start.addYears(10 * (4 * Record + FieldIndex - TZDBMonthData::CenturyField));
    }
    return start;
}

TDateTime TZDBPopupCalendar::GetDate() const
{
    const int field = FieldOfColumn(GetSelectedIndex());
    const int record = FMonthData->Active() ? FMonthData->RecNo() - 1 : -1;
    const bool day = GetCalendar() == cdMonth ? field >= 0 && field < TZDBMonthData::WeekField
                                              : field >= GroupOf(GetCalendar()).Field;
    if (!day || record < 0)
        return EncodeDateTime(FDate); // the cursor is on a title-only column
    return EncodeDateTime(CellDate(record, field));
}

TDateTime TZDBPopupCalendar::GetDateTime() const
{
    TDateTime result = FDateTime;
    const TDateTime date = GetDate();
    switch (GetCalendar()) {
    case cdMonth: return EncodeDateTime(DateTimeDate(date), DateTimeTime(FDateTime));
    case cdYear: ReplaceMonth(result, date); break;
    case cdDecade:
    case cdCentury: ReplaceYear(result, date); break;
    }
    return result;
}

void TZDBPopupCalendar::SetDateTime(TDateTime Value)
{
    FDateTime = Value;
    FBoldDaysValid = false;
    SetDate(Value);
}

QString TZDBPopupCalendar::GetResult() const
{
    const TDateTime value = GetDateTime();
    const QLocale loc = GetTextLocale();
    const QTime time = DateTimeTime(value);
    if (time == QTime(0, 0))
        return loc.toString(DateTimeDate(value), ShortDateFormat(loc));
    return loc.toString(DateTimeToQDateTime(value), ShortDateTimeFormat(loc));
}

void TZDBPopupCalendar::SetResult(const QString& Value)
{
    if (Value.trimmed().isEmpty())
        SetDateTime(Today());
    else
        SetDateTime(ReadDateTime(Value, GetTextLocale()));
}

void TZDBPopupCalendar::SetDate(TDateTime Date)
{
    const QDate date = Clamped(DateTimeDate(Date));
    const QLocale loc = locale();
    const TCalendarDepth view = GetCalendar();
    const TDateTime oldStart = FMonthData->GetStartDate();
    FMonthData->SetMonthDate(EncodeDateTime(date));
    QString caption;
    int cell = 0;
    switch (view) {
    case cdMonth:
        caption = loc.toString(date, QStringLiteral("MMMM yyyy"));
        cell = int(FMonthData->StartDay().daysTo(date));
        if (oldStart != FMonthData->GetStartDate() || !FBoldDaysValid)
            ChangeBoldDays();
        break;
    case cdYear:
        caption = loc.toString(date, QStringLiteral("yyyy"));
        cell = date.month() - 1;
        break;
    case cdDecade: {
        const int first = DecadeStart(date.year());
        caption = QStringLiteral("%1-%2").arg(first).arg(first + 9);
        cell = date.year() % 10 + 1;
        break;
    }
    case cdCentury: {
        const int first = CenturyStart(date.year());
        caption = QStringLiteral("%1-%2").arg(first).arg(first + 99);
        cell = (date.year() / 10) % 10 + 1;
        break;
    }
    }
    const TGroup& group = GroupOf(view);
    for (int k = 0; k < group.CellCount; ++k)
        Columns()->Items(group.Cells + k)->Title()->SetHeader(caption);
    // The cursor on the date's cell.
    const int perRow = view == cdMonth ? 7 : 4;
    FMonthData->SetRecNo(cell / perRow + 1);
    const int firstCell = view == cdMonth ? group.Cells + 1 : group.Cells;
    SetSelectedIndex(firstCell + cell % perRow);
    FDate = CellDate(cell / perRow, GroupOf(view).Field + cell % perRow);
    ScrollToView();
    viewport()->update();
}

void TZDBPopupCalendar::ScrollToView()
{
    // The whole view shows: its first column is the leftmost (moving the
    // cursor while the list was still narrow may have scrolled it away).
    const int raw = DataToRawColumn(FirstColumn());
    if (GetLeftCol() != raw)
        SetLeftCol(raw);
}

void TZDBPopupCalendar::GoTo(QDate Date)
{
    SetDate(EncodeDateTime(Clamped(Date)));
}

void TZDBPopupCalendar::ChangeBoldDays()
{
    FBoldDays = 0;
    FBoldDaysValid = true;
    if (!OnCalcBoldDays && !FBoldSundays)
        return;
    const QDate start = FMonthData->StartDay();
    for (int i = 0; i < 42; ++i) {
        const QDate day = start.addDays(i);
        bool bold = FBoldSundays && day.dayOfWeek() == Qt::Sunday;
        if (OnCalcBoldDays)
            OnCalcBoldDays(this, EncodeDateTime(day), bold);
        if (bold)
            FBoldDays |= quint64(1) << i;
    }
}

void TZDBPopupCalendar::SetBoldSundays(bool Value)
{
    if (FBoldSundays == Value)
        return;
    FBoldSundays = Value;
    ChangeBoldDays();
    viewport()->update();
}

void TZDBPopupCalendar::SetShowToday(bool Value)
{
    if (FShowToday == Value)
        return;
    FShowToday = Value;
    ChangeCalendarLayout();
}

void TZDBPopupCalendar::SetShowTodayCircle(bool Value)
{
    if (FShowTodayCircle == Value)
        return;
    FShowTodayCircle = Value;
    viewport()->update();
}

void TZDBPopupCalendar::SetShowWeekNumbers(bool Value)
{
    if (FShowWeekNumbers == Value)
        return;
    FShowWeekNumbers = Value;
    ChangeCalendarLayout();
}

// ---- Navigation -------------------------------------------------------------------------

void TZDBPopupCalendar::TitleAction(int ColumnIndex)
{
    const TGroup& group = GroupOf(GetCalendar());
    const QDate date = DateTimeDate(GetDate());
    const int direction = ColumnIndex == group.First ? -1 : ColumnIndex == group.Cells + group.CellCount ? 1 : 0;
    if (direction == 0) {
        if (ColumnIndex >= group.Cells && ColumnIndex < group.Cells + group.CellCount && GetCalendar() < cdCentury)
            SetCalendar(TCalendarDepth(GetCalendar() + 1));
        return;
    }
    switch (GetCalendar()) {
    case cdMonth: GoTo(date.addMonths(direction)); break;
    case cdYear: GoTo(date.addYears(direction)); break;
    case cdDecade: GoTo(date.addYears(10 * direction)); break;
    case cdCentury: GoTo(date.addYears(100 * direction)); break;
    }
}

void TZDBPopupCalendar::TitleClick(TZColumn* Column)
{
    TZDBPopupList::TitleClick(Column);
    if (Column)
        TitleAction(Column->Index());
}

void TZDBPopupCalendar::HeaderClick(TZColumn* Column, int Band)
{
    TZDBPopupList::HeaderClick(Column, Band);
    if (Column)
        TitleAction(Column->Index());
}

void TZDBPopupCalendar::CellClick(TZColumn* Column)
{
    TZDBPopupList::CellClick(Column);
    if (!Column || FieldOfColumn(Column->Index()) < 0)
        return;
    switch (GetCalendar()) {
    case cdMonth:
        if (FieldOfColumn(Column->Index()) < TZDBMonthData::WeekField && ListVisible())
            CloseUp(true);
        break;
    default: SetCalendar(TCalendarDepth(GetCalendar() - 1)); break;
    }
}

void TZDBPopupCalendar::KeyDown(int& Key, TShiftState Shift)
{
    const TCalendarDepth view = GetCalendar();
    const QDate date = DateTimeDate(GetDate());
    const bool ctrl = Shift & ssCtrl;
    // A step of the view: a day, a month, a year, ten years.
    auto step = [view](QDate d, int n) {
        switch (view) {
        case cdMonth: return d.addDays(n);
        case cdYear: return d.addMonths(n);
        case cdDecade: return d.addYears(n);
        case cdCentury: return d.addYears(10 * n);
        }
        return d;
    };
    // A page: a month, a year, ten or a hundred years (times Factor).
    auto page = [view](QDate d, int n) {
        switch (view) {
        case cdMonth: return d.addMonths(n);
        case cdYear: return d.addYears(n);
        case cdDecade: return d.addYears(10 * n);
        case cdCentury: return d.addYears(100 * n);
        }
        return d;
    };
    // The start or end of the unit holding d: month, year, decade, century
    // (Level 0 .. 3).
    auto bound = [](QDate d, int Level, bool End) {
        switch (std::min(Level, 3)) {
        case 0: return End ? QDate(d.year(), d.month(), d.daysInMonth()) : QDate(d.year(), d.month(), 1);
        case 1: return QDate(d.year(), End ? 12 : 1, End ? 31 : 1);
        case 2: {
            const int y = DecadeStart(d.year()) + (End ? 9 : 0);
            return QDate(y, End ? 12 : 1, End ? 31 : 1);
        }
        default: {
            const int y = CenturyStart(d.year()) + (End ? 99 : 0);
            return QDate(y, End ? 12 : 1, End ? 31 : 1);
        }
        }
    };
    std::optional<QDate> target;
    switch (Key) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const bool right = Key == Qt::Key_Right;
        if (!ctrl) {
            target = step(date, right ? 1 : -1);
        } else if (view == cdMonth) {
            const int back = (date.dayOfWeek() - FMonthData->GetFirstDayOfWeek() + 7) % 7;
            target = date.addDays(right ? 6 - back : -back);
        } else {
            // The leftmost or rightmost cell of the cursor's row.
            const int column = FieldOfColumn(GetSelectedIndex()) - GroupOf(view).Field;
            target = step(date, right ? 3 - column : -column);
        }
        break;
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int sign = Key == Qt::Key_Down ? 1 : -1;
        if (!ctrl)
            target = step(date, sign * (view == cdMonth ? 7 : 4));
        else
            target = view == cdMonth ? date.addDays(28 * sign) : page(date, sign);
        break;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int sign = Key == Qt::Key_PageDown ? 1 : -1;
        target = ctrl ? page(date, 10 * sign) : page(date, sign);
        if (ctrl && view == cdMonth)
            target = date.addYears(sign);
        break;
    }
    case Qt::Key_Home:
    case Qt::Key_End: target = bound(date, int(view) + (ctrl ? 1 : 0), Key == Qt::Key_End); break;
    default: break;
    }
    if (!target) {
        TZDBPopupList::KeyDown(Key, Shift);
        return;
    }
    Key = 0;
    GoTo(*target);
}

void TZDBPopupCalendar::WheelRows(int Steps)
{
    const QDate date = DateTimeDate(GetDate());
    switch (GetCalendar()) {
    case cdMonth: GoTo(date.addDays(7 * Steps)); break;
    case cdYear: GoTo(date.addMonths(4 * Steps)); break;
    case cdDecade: GoTo(date.addYears(Steps)); break;
    case cdCentury: GoTo(date.addYears(10 * Steps)); break;
    }
}

bool TZDBPopupCalendar::DoMouseWheelDown(TShiftState Shift, const QPoint& /*MousePos*/)
{
    WheelRows(MouseWheelScrollRows(Shift));
    return true;
}

bool TZDBPopupCalendar::DoMouseWheelUp(TShiftState Shift, const QPoint& /*MousePos*/)
{
    WheelRows(-MouseWheelScrollRows(Shift));
    return true;
}

// ---- Today ------------------------------------------------------------------------------

bool TZDBPopupCalendar::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FTodayLabel && Event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(Event)->button() == Qt::LeftButton &&
        FTodayLabel->rect().contains(static_cast<QMouseEvent*>(Event)->position().toPoint())) {
        GuardEvent(this, [this] { TodayMouseUp(); });
        return true;
    }
    return TZDBPopupList::eventFilter(Watched, Event);
}

void TZDBPopupCalendar::TodayMouseUp()
{
    if (!FShowToday)
        return;
    GoTo(QDate::currentDate());
    if (FTodayClose && ListVisible())
        CloseUp(true);
}

// ---- Painting ---------------------------------------------------------------------------

void TZDBPopupCalendar::PaintColumnCell(const QRect& ARect, int DataCol, TZColumn* Column, TGridDrawState AState)
{
    TZDBPopupList::PaintColumnCell(ARect, DataCol, Column, AState);
    const int field = Column ? FieldOfColumn(Column->Index()) : -1;
    if (field < 0 || field == TZDBMonthData::WeekField || !Canvas())
        return;
    QPainter& c = *Canvas();
    const QColor grey = palette().color(QPalette::Disabled, QPalette::Text);
    if (GetCalendar() == cdDecade || GetCalendar() == cdCentury) {
        // The years before and after the decade (decades around the century) are greyed.
        const QDate first = DateTimeDate(FMonthData->GetMonthDate());
        const QDate cell = CellDate(FMonthData->RecNo() - 1, field);
        const QDate end = first.addYears(GetCalendar() == cdDecade ? 10 : 100);
        if ((cell < first || cell >= end) && !CellHighlighted(DataCol, AState))
            c.setPen(grey);
        return;
    }
    if (GetCalendar() != cdMonth)
        return;
    const int index = 7 * (FMonthData->RecNo() - 1) + field;
    const QDate day = CellDate(FMonthData->RecNo() - 1, field);
    if (index >= 0 && index < 64 && (FBoldDays >> index) & 1) {
        QFont font = c.font();
        font.setBold(true);
        c.setFont(font);
    }
    // Days of the neighbouring months are greyed unless selected.
    if (day.month() != DateTimeDate(FMonthData->GetMonthDate()).month() && !CellHighlighted(DataCol, AState))
        c.setPen(grey);
}

void TZDBPopupCalendar::DrawColumnCell(const QRect& ARect, int DataCol, TZColumn* Column, TGridDrawState AState)
{
    TZDBPopupList::DrawColumnCell(ARect, DataCol, Column, AState);
    const int field = Column ? FieldOfColumn(Column->Index()) : -1;
    if (!FShowTodayCircle || GetCalendar() != cdMonth || field < 0 || field >= TZDBMonthData::WeekField ||
        !Canvas())
        return;
    if (CellDate(FMonthData->RecNo() - 1, field) != QDate::currentDate())
        return;
    QPainter& c = *Canvas();
    c.save();
    c.setRenderHint(QPainter::Antialiasing);
    c.setBrush(Qt::NoBrush);
    c.setPen(QPen(QColor(Qt::red), std::max(1, ScaleValue(1))));
    c.drawEllipse(QRectF(ARect).adjusted(1.5, 1.5, -1.5, -1.5));
    c.restore();
}

// ---- TZDBGridCalendar -------------------------------------------------------------------

TZDBGridCalendar::TZDBGridCalendar(QWidget* AParent, TZColumn* AColumn) : TZDBGridDropDownList(AParent, AColumn)
{
    SetupPopupList<TZDBPopupCalendar>();
}

TZDBGridDropDownList* TZDBGridCalendar::Create(QWidget* AParent, TZColumn* AColumn)
{
    return new TZDBGridCalendar(AParent, AColumn);
}

TZDBPopupCalendar* TZDBGridCalendar::Calendar() const
{
    return qobject_cast<TZDBPopupCalendar*>(PopupList());
}

QVariant TZDBGridCalendar::GetListValue()
{
    TZDBPopupCalendar* calendar = Calendar();
    return calendar ? QVariant(calendar->GetResult()) : QVariant();
}

void TZDBGridCalendar::UpdateListView(bool Refresh)
{
    TZDBPopupCalendar* calendar = Calendar();
    TZColumn* column = Column();
    if (!Refresh || !calendar || !column)
        return;
    const TZListOptions options = column->GetListOptions();
    calendar->SetFont(column->GetFont());
    calendar->SetCalendarDepth(column->GetCalendarDepth());
    calendar->SetBoldSundays(options.Contains(loBoldSundays));
    calendar->SetShowToday(options.Contains(loShowToday));
    calendar->SetShowTodayCircle(options.Contains(loShowTodayCircle));
    calendar->SetShowWeekNumbers(options.Contains(loShowWeekNumbers));
    calendar->SetTodayClose(options.Contains(loAutoTodayClose));
    if (TZCustomDBGrid* grid = DBGrid(); grid && grid->OnCalcBoldDays)
        calendar->OnCalcBoldDays = grid->OnCalcBoldDays;
}

void TZDBGridCalendar::UpdateListData(bool Refresh)
{
    TZDBPopupCalendar* calendar = Calendar();
    if (!calendar)
        return;
    if (!Refresh) {
        if (Accepted() && !ListValue.isNull())
            SetupListValue(ListValue);
        return;
    }
    TZColumn* column = Column();
    if (!column)
        return;
    calendar->SetCalendar(cdMonth);
    // A text the locale cannot read opens on today; the field keeps its value
    // unless a date is accepted.
    SetupPopupResult(calendar, column);
}

// ---- The grid's list class --------------------------------------------------------------

TZDBGridDropDownListClass CalendarCalculatorListClass(TZColumn* Column)
{
    if (!Column)
        return nullptr;
    switch (Column->GetButtonStyle()) {
    case cbsCalendar: return &TZDBGridCalendar::Create;
    case cbsCalculator: return &TZDBGridCalculator::Create;
    case cbsAuto:
        if (Column->LookupColumn() == lcNotDefined && !Column->PickDataActive() && Column->CalendarActive())
            return &TZDBGridCalendar::Create;
        return nullptr;
    default: return nullptr;
    }
}

QString ColumnEditText(TZColumn* Column)
{
    TZCustomDBGrid* grid = Column ? Column->Grid() : nullptr;
    if (!grid)
        return QString();
    if (grid->GetEditorMode() && grid->GetInplaceEditor() && grid->SelectedColumn() == Column)
        return grid->GetInplaceEditor()->text();
    return Column->GetEditText();
}

} // namespace zdb
