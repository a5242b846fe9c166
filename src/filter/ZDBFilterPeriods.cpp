#include "ZDBFilterPeriods.h"

#include "DateUtils.h"
#include "ZQSUtils.h"
#include "ZDBTranslate.h"

#include <initializer_list>
#include <stdexcept>

namespace zdb {

QString SFilterPeriod0 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Select period"));

QString SFilterPeriod1 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Minute"));
QString SFilterPeriod11 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "10 minutes"));
QString SFilterPeriod111 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Past 10 mins"));
QString SFilterPeriod112 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "From start of this 10 mins"));
QString SFilterPeriod113 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "This 10 mins"));
QString SFilterPeriod114 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "To the end of this 10 mins"));
QString SFilterPeriod115 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Next 10 mins"));
QString SFilterPeriod12 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "15 minutes"));
QString SFilterPeriod121 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Past 15 mins"));
QString SFilterPeriod122 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "From start of this 15 mins"));
QString SFilterPeriod123 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "This 15 mins"));
QString SFilterPeriod124 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "To the end of this 15 mins"));
QString SFilterPeriod125 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Next 15 mins"));
QString SFilterPeriod13 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "20 minutes"));
QString SFilterPeriod131 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Past 20 mins"));
QString SFilterPeriod132 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "From start of this 20 mins"));
QString SFilterPeriod133 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "This 20 mins"));
QString SFilterPeriod134 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "To the end of this 20 mins"));
QString SFilterPeriod135 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Next 20 mins"));
QString SFilterPeriod14 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "30 minutes"));
QString SFilterPeriod141 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Past 30 mins"));
QString SFilterPeriod142 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "From start of this 30 mins"));
QString SFilterPeriod143 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "This 30 mins"));
QString SFilterPeriod144 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "To the end of this 30 mins"));
QString SFilterPeriod145 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Next 30 mins"));

QString SFilterPeriod2 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Hour"));
QString SFilterPeriod21 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Past hour"));
QString SFilterPeriod22 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "From start of this hour"));
QString SFilterPeriod23 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "This hour"));
QString SFilterPeriod24 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "To the end of this hour"));
QString SFilterPeriod25 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Next hour"));
QString SFilterPeriod26 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Hours"));

QString SFilterPeriod3 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Day"));
QString SFilterPeriod31 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Yesterday"));
QString SFilterPeriod32 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "From start of this day"));
QString SFilterPeriod33 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Today"));
QString SFilterPeriod34 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "To the end of this day"));
QString SFilterPeriod35 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Tomorrow"));
QString SFilterPeriod36 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Days"));

QString SFilterPeriod4 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Week"));
QString SFilterPeriod41 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Past week"));
QString SFilterPeriod42 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "From start of this week"));
QString SFilterPeriod43 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "This week"));
QString SFilterPeriod44 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "To the end of this week"));
QString SFilterPeriod45 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Next week"));
QString SFilterPeriod46 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Weeks"));

QString SFilterPeriod5 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Month"));
QString SFilterPeriod51 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Past month"));
QString SFilterPeriod52 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "From start of this month"));
QString SFilterPeriod53 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "This month"));
QString SFilterPeriod54 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "To the end of this month"));
QString SFilterPeriod55 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Next month"));
QString SFilterPeriod56 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Months"));

QString SFilterPeriod6 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Quarter"));
QString SFilterPeriod61 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Past quarter"));
QString SFilterPeriod62 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "From start of this quarter"));
QString SFilterPeriod63 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "This quarter"));
QString SFilterPeriod64 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "To the end of this quarter"));
QString SFilterPeriod65 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Next quarter"));
QString SFilterPeriod66 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Quarters"));
QString SFilterPeriod661 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "First quarter"));
QString SFilterPeriod662 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Second quarter"));
QString SFilterPeriod663 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Third quarter"));
QString SFilterPeriod664 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Fourth quarter"));

QString SFilterPeriod7 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Semester"));
QString SFilterPeriod71 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Past semester"));
QString SFilterPeriod72 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "From start of this semester"));
QString SFilterPeriod73 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "This semester"));
QString SFilterPeriod74 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "To the end of this semester"));
QString SFilterPeriod75 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Next semester"));
QString SFilterPeriod76 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Semesters"));
QString SFilterPeriod761 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "First semester"));
QString SFilterPeriod762 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Second semester"));

QString SFilterPeriod8 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Year"));
QString SFilterPeriod81 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Past year"));
QString SFilterPeriod82 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "From start of this year"));
QString SFilterPeriod83 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "This year"));
QString SFilterPeriod84 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "To the end of this year"));
QString SFilterPeriod85 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Next year"));
QString SFilterPeriod86 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Years"));

QString SFilterPeriod9 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Decade"));
QString SFilterPeriod91 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Past decade"));
QString SFilterPeriod92 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "From start of this decade"));
QString SFilterPeriod93 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "This decade"));
QString SFilterPeriod94 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "To the end of this decade"));
QString SFilterPeriod95 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Next decade"));
QString SFilterPeriod96 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Decades"));

QString SPeriodDivider = QStringLiteral(" \u00F7 ");

namespace {

// Captions of the named units, recomputed by UpdateFilterPeriodCaptions.
// Each array is centred on the current unit where it runs around it.
constexpr int DaysAround = 7;  // today -7 .. +7
constexpr int UnitsAround = 5; // weeks, years and decades -5 .. +5
QString HourCaptions[24];
QString DayCaptions[2 * DaysAround + 1];
QString WeekCaptions[2 * UnitsAround + 1];
QString MonthCaptions[12];
QString YearCaptions[2 * UnitsAround + 1];
QString DecadeCaptions[2 * UnitsAround + 1];

class TPeriodTableBuilder
{
public:
    std::array<TFilterPeriodItem, FilterPeriodCount> Items{};
    int Count = 0;

    constexpr void Add(TFilterPeriodKind kind, TZDBGridFilterPeriod period, int id, int parentId,
                       const QString* caption, bool partial = false)
    {
        Items[Count++] = {kind, period, std::int16_t(id), std::int16_t(parentId), caption, partial};
    }

    // The five entries past, from start of this, this, to the end of this
    // and next of the group Id (ids Id * 10 + 1 .. 5).
    constexpr void AddRelative(TFilterPeriodKind kind, TZDBGridFilterPeriod period, int id,
                               std::initializer_list<const QString*> captions)
    {
        int n = 1;
        for (const QString* caption : captions) {
            Add(kind, period, id * 10 + n, id, caption, n == 2 || n == 4);
            ++n;
        }
    }

    // A top-level unit with its relative entries and its plural node (id Id * 10 + 6).
    constexpr void AddUnit(TFilterPeriodKind kind, TZDBGridFilterPeriod period, int id, const QString* caption,
                           std::initializer_list<const QString*> relative, TZDBGridFilterPeriod plural,
                           const QString* pluralCaption)
    {
        Add(kind, period, id, -1, caption);
        AddRelative(kind, period, id, relative);
        Add(kind, plural, id * 10 + 6, id, pluralCaption);
    }

    // Children of Parent with the ids First, First + 1, ...
    constexpr void AddChildren(TFilterPeriodKind kind, TZDBGridFilterPeriod period, int first, int parentId,
                               std::initializer_list<const QString*> captions)
    {
        for (const QString* caption : captions)
            Add(kind, period, first++, parentId, caption);
    }

    template <std::size_t N>
    constexpr void AddChildren(TFilterPeriodKind kind, TZDBGridFilterPeriod period, int first, int parentId,
                               const QString (&captions)[N])
    {
        for (const QString& caption : captions)
            Add(kind, period, first++, parentId, &caption);
    }
};

#define ZDB_RELATIVE_CAPTIONS(g)                                                                               \
    {&SFilterPeriod##g##1, &SFilterPeriod##g##2, &SFilterPeriod##g##3, &SFilterPeriod##g##4, &SFilterPeriod##g##5}

constexpr std::array<TFilterPeriodItem, FilterPeriodCount> BuildFilterPeriodItems()
{
    TPeriodTableBuilder t;
    t.Add(pkEveryField, fpNoPeriod, 0, -1, &SFilterPeriod0);

    t.Add(pkTimeLevel, fpMinute, 1, -1, &SFilterPeriod1);
    t.Add(pkTimeLevel, fp10Mins, 11, 1, &SFilterPeriod11);
    t.AddRelative(pkTimeLevel, fp10Mins, 11, ZDB_RELATIVE_CAPTIONS(11));
    t.Add(pkTimeLevel, fp15Mins, 12, 1, &SFilterPeriod12);
    t.AddRelative(pkTimeLevel, fp15Mins, 12, ZDB_RELATIVE_CAPTIONS(12));
    t.Add(pkTimeLevel, fp20Mins, 13, 1, &SFilterPeriod13);
    t.AddRelative(pkTimeLevel, fp20Mins, 13, ZDB_RELATIVE_CAPTIONS(13));
    t.Add(pkTimeLevel, fp30Mins, 14, 1, &SFilterPeriod14);
    t.AddRelative(pkTimeLevel, fp30Mins, 14, ZDB_RELATIVE_CAPTIONS(14));

    t.AddUnit(pkTimeLevel, fpHour, 2, &SFilterPeriod2, ZDB_RELATIVE_CAPTIONS(2), fpHours, &SFilterPeriod26);
    t.AddChildren(pkTimeLevel, fpHours, 2600, 26, HourCaptions);
    t.AddUnit(pkDayLevel, fpDay, 3, &SFilterPeriod3, ZDB_RELATIVE_CAPTIONS(3), fpDays, &SFilterPeriod36);
    t.AddChildren(pkDayLevel, fpDays, 3601, 36, DayCaptions);
    t.AddUnit(pkDateLevel, fpWeek, 4, &SFilterPeriod4, ZDB_RELATIVE_CAPTIONS(4), fpWeeks, &SFilterPeriod46);
    t.AddChildren(pkDateLevel, fpWeeks, 4601, 46, WeekCaptions);
    t.AddUnit(pkDateLevel, fpMonth, 5, &SFilterPeriod5, ZDB_RELATIVE_CAPTIONS(5), fpMonths, &SFilterPeriod56);
    t.AddChildren(pkDateLevel, fpMonths, 5601, 56, MonthCaptions);
    t.AddUnit(pkDateLevel, fpQuarter, 6, &SFilterPeriod6, ZDB_RELATIVE_CAPTIONS(6), fpQuarters, &SFilterPeriod66);
    t.AddChildren(pkDateLevel, fpQuarters, 661, 66,
                  {&SFilterPeriod661, &SFilterPeriod662, &SFilterPeriod663, &SFilterPeriod664});
    t.AddUnit(pkDateLevel, fpSemester, 7, &SFilterPeriod7, ZDB_RELATIVE_CAPTIONS(7), fpSemesters,
              &SFilterPeriod76);
    t.AddChildren(pkDateLevel, fpSemesters, 761, 76, {&SFilterPeriod761, &SFilterPeriod762});
    t.AddUnit(pkDateLevel, fpYear, 8, &SFilterPeriod8, ZDB_RELATIVE_CAPTIONS(8), fpYears, &SFilterPeriod86);
    t.AddChildren(pkDateLevel, fpYears, 8601, 86, YearCaptions);
    t.AddUnit(pkDateLevel, fpDecade, 9, &SFilterPeriod9, ZDB_RELATIVE_CAPTIONS(9), fpDecades, &SFilterPeriod96);
    t.AddChildren(pkDateLevel, fpDecades, 9601, 96, DecadeCaptions);

    if (t.Count != FilterPeriodCount)
        throw std::logic_error("the period table has the wrong size"); // fails the build
    return t.Items;
}

#undef ZDB_RELATIVE_CAPTIONS

} // namespace

constinit const std::array<TFilterPeriodItem, FilterPeriodCount> FilterPeriodItems = BuildFilterPeriodItems();

int FilterPeriodIndex(int id)
{
    for (int i = 0; i < FilterPeriodCount; ++i)
        if (FilterPeriodItems[i].Id == id)
            return i;
    return -1;
}

void UpdateFilterPeriodCaptions(TDateTime now, const QLocale& locale)
{
    const TDateTime today = DateOf(now);
    for (int h = 0; h < 24; ++h)
        HourCaptions[h] = ShortTimeToStr(RecodeHour(today, h), locale);
    for (int d = -DaysAround; d <= DaysAround; ++d)
        DayCaptions[d + DaysAround] = DateToStr(IncDay(today, d), locale);
    const TDateTime monday = StartOfTheWeek(today);
    const int decade = DecadeOf(today);
    const int year = DateTimeDate(today).year();
    for (int k = -UnitsAround; k <= UnitsAround; ++k) {
        const TDateTime start = IncDay(monday, 7 * k);
        const int sunday = DateTimeDate(EndOfTheWeek(start)).day();
        WeekCaptions[k + UnitsAround] =
            DateToStr(start, locale) + SPeriodDivider + QStringLiteral("%1").arg(sunday, 2, 10, QLatin1Char('0'));
        YearCaptions[k + UnitsAround] = QString::number(year + k);
        const int first = decade + 10 * k;
        DecadeCaptions[k + UnitsAround] = QString::number(first) + SPeriodDivider + QString::number(first + 9);
    }
    for (int m = 1; m <= 12; ++m) {
        const QString name = locale.standaloneMonthName(m, QLocale::LongFormat);
        MonthCaptions[m - 1] = locale.toUpper(name.left(1)) + name.mid(1);
    }
}

bool FilterPeriodOffered(int index, TZDBGridFilterPeriods periods, TFieldType fieldType)
{
    if (index < 0 || index >= FilterPeriodCount)
        return false;
    const TFilterPeriodItem& item = FilterPeriodItems[index];
    if (item.Partial && !periods.Contains(fpOthers))
        return false;
    for (int i = index;;) {
        const TFilterPeriodItem& step = FilterPeriodItems[i];
        if (!periods.Contains(step.Period))
            return false;
        if (step.ParentId < 0)
            break;
        int parent = i - 1;
        while (parent >= 0 && FilterPeriodItems[parent].Id != step.ParentId)
            --parent;
        if (parent < 0)
            break;
        i = parent;
    }
    switch (fieldType) {
    case ftDate:
        return item.Kind == pkEveryField || item.Kind == pkDateLevel;
    case ftTime:
        return item.Kind == pkEveryField || item.Kind == pkTimeLevel;
    default:
        return true;
    }
}

std::vector<TFilterPeriodNode> LoadFilterPeriods(TZDBGridFilterPeriods periods, TFieldType fieldType,
                                                 TDateTime now, const QLocale& locale)
{
    UpdateFilterPeriodCaptions(now, locale);
    std::vector<TFilterPeriodNode> nodes;
    for (int i = 0; i < FilterPeriodCount; ++i)
        if (FilterPeriodOffered(i, periods, fieldType)) {
            const TFilterPeriodItem& item = FilterPeriodItems[i];
            nodes.push_back({item.Id, item.ParentId, Tr(*item.Caption)});
        }
    return nodes;
}

TDateTime NowToMinute(TDateTime now)
{
    return StartOfTheMinute(now);
}

namespace {

TFilterPeriodBound AsDate(TDateTime value)
{
    return {DateOf(value), true};
}

TFilterPeriodBound AsValue(TDateTime value)
{
    return {value, false};
}

TDateTime NextDay(TDateTime value)
{
    return IncDay(value, 1);
}

// The bounds a group's five relative entries are made of.
struct TRelativeBounds
{
    TFilterPeriodBound Past;      // start of the previous unit
    TFilterPeriodBound Start;     // start of this unit
    TFilterPeriodBound Next;      // start of the next unit
    TFilterPeriodBound AfterNext; // start of the unit after that
    TFilterPeriodBound UntilNow;  // end of "from start of this"
    TFilterPeriodBound FromNow;   // start of "to the end of this"
};

std::optional<TFilterPeriodRange> RelativeRange(int entry, const TRelativeBounds& b)
{
    switch (entry) {
    case 1: return TFilterPeriodRange{b.Past, b.Start};
    case 2: return TFilterPeriodRange{b.Start, b.UntilNow};
    case 3: return TFilterPeriodRange{b.Start, b.Next};
    case 4: return TFilterPeriodRange{b.FromNow, b.Next};
    case 5: return TFilterPeriodRange{b.Next, b.AfterNext};
    default: return std::nullopt;
    }
}

// A unit of Minutes minutes that starts at Start, with Now inside it.
TRelativeBounds MinuteBounds(TDateTime start, int minutes, TDateTime now)
{
    return {AsValue(IncMinute(start, -minutes)), AsValue(start), AsValue(IncMinute(start, minutes)),
            AsValue(IncMinute(start, 2 * minutes)), AsValue(IncMinute(now, 1)), AsValue(now)};
}

// A unit of whole days given by its start and end functions, with Today inside it.
TRelativeBounds DateBounds(TDateTime (*startOf)(TDateTime), TDateTime (*endOf)(TDateTime), TDateTime today)
{
    const TDateTime next = NextDay(endOf(today));
    return {AsDate(startOf(IncDay(startOf(today), -1))), AsDate(startOf(today)), AsDate(next),
            AsDate(NextDay(endOf(next))), AsDate(NextDay(today)), AsDate(today)};
}

// A named unit: from its start to the day after its end.
TFilterPeriodRange UnitRange(TDateTime start, TDateTime (*endOf)(TDateTime))
{
    return {AsDate(start), AsDate(NextDay(endOf(start)))};
}

bool HasChildren(int id)
{
    for (const TFilterPeriodItem& item : FilterPeriodItems)
        if (item.ParentId == id)
            return true;
    return false;
}

} // namespace

std::optional<TFilterPeriodRange> FilterPeriodRange(int id, TDateTime now)
{
    const int index = FilterPeriodIndex(id);
    if (index < 0 || HasChildren(id))
        return std::nullopt;
    const TDateTime n = NowToMinute(now);
    const TDateTime today = DateOf(now);
    const TDateTime hour = StartOfTheHour(n);
    const int entry = id % 10;
    switch (FilterPeriodItems[index].Period) {
    case fp10Mins: return RelativeRange(entry, MinuteBounds(StartOfThe10Mins(n), 10, n));
    case fp15Mins: return RelativeRange(entry, MinuteBounds(StartOfThe15Mins(n), 15, n));
    case fp20Mins: return RelativeRange(entry, MinuteBounds(StartOfThe20Mins(n), 20, n));
    case fp30Mins: return RelativeRange(entry, MinuteBounds(StartOfThe30Mins(n), 30, n));
    case fpHour: return RelativeRange(entry, MinuteBounds(hour, 60, n));
    case fpDay: {
        const TRelativeBounds day{AsDate(IncDay(today, -1)), AsDate(today),
                                  AsDate(IncDay(today, 1)),  AsDate(IncDay(today, 2)),
                                  AsValue(IncMinute(n, 1)),  AsValue(n)};
        return RelativeRange(entry, day);
    }
    case fpWeek: {
        const TDateTime monday = StartOfTheWeek(today);
        const TRelativeBounds week{AsDate(IncDay(monday, -7)), AsDate(monday),
                                   AsDate(IncDay(monday, 7)),  AsDate(IncDay(monday, 14)),
                                   AsDate(NextDay(today)),     AsDate(today)};
        return RelativeRange(entry, week);
    }
    case fpMonth: return RelativeRange(entry, DateBounds(StartOfTheMonth, EndOfTheMonth, today));
    case fpQuarter: return RelativeRange(entry, DateBounds(StartOfTheQuarter, EndOfTheQuarter, today));
    case fpSemester: return RelativeRange(entry, DateBounds(StartOfTheSemester, EndOfTheSemester, today));
    case fpYear: return RelativeRange(entry, DateBounds(StartOfTheYear, EndOfTheYear, today));
    case fpDecade: return RelativeRange(entry, DateBounds(StartOfTheDecade, EndOfTheDecade, today));
    case fpHours: {
        const TDateTime start = RecodeHour(hour, id - 2600);
        return TFilterPeriodRange{AsValue(start), AsValue(IncHour(start, 1))};
    }
    case fpDays: {
        const TDateTime start = IncDay(today, id - 3608);
        return TFilterPeriodRange{AsDate(start), AsDate(NextDay(start))};
    }
    case fpWeeks: return UnitRange(IncDay(StartOfTheWeek(today), 7 * (id - 4606)), EndOfTheWeek);
    case fpMonths: return UnitRange(RecodeMonth(StartOfTheMonth(today), id - 5600), EndOfTheMonth);
    case fpQuarters: return UnitRange(RecodeMonth(StartOfTheMonth(today), 3 * (id - 661) + 1), EndOfTheQuarter);
    case fpSemesters: return UnitRange(RecodeMonth(StartOfTheMonth(today), 6 * (id - 761) + 1), EndOfTheSemester);
    case fpYears: return UnitRange(IncYear(StartOfTheYear(today), id - 8606), EndOfTheYear);
    case fpDecades: return UnitRange(IncYear(StartOfTheDecade(today), 10 * (id - 9606)), EndOfTheDecade);
    default: return std::nullopt;
    }
}

QString FormatPeriodValue(TDateTime value, TFieldType fieldType, const QLocale& locale)
{
    switch (fieldType) {
    case ftDate: return DateToStr(value, locale);
    case ftTime: return ShortTimeToStr(value, locale);
    default: return ShortDateTimeToStr(value, locale);
    }
}

TFilterPeriodTexts FilterPeriodTexts(int id, TFieldType fieldType, TDateTime now, const QLocale& locale)
{
    const std::optional<TFilterPeriodRange> range = FilterPeriodRange(id, now);
    if (!range)
        return {};
    const auto text = [&](const TFilterPeriodBound& bound) {
        return bound.DateOnly ? DateToStr(bound.Value, locale) : FormatPeriodValue(bound.Value, fieldType, locale);
    };
    return {text(range->Start), text(range->End)};
}

TFilterPeriodClauses FilterPeriodClauses(const TFilterPeriodTexts& texts, TFieldType fieldType,
                                         const QLocale& locale)
{
    TFilterPeriodClauses clauses{QString::number(fcIsGreaterThenOrEqual), texts.Start,
                                 QString::number(fcIsLessThen), texts.End};
    if (fieldType == ftTime && texts.End == ShortTimeToStr(0.0, locale)) {
        clauses.ClauseList2Text = QString::number(fcNoFilter);
        clauses.ValuesList2Text.clear();
    }
    return clauses;
}

} // namespace zdb
