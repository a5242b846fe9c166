#pragma once
// Date periods of the filter form: the period table, the captions computed
// from the current moment and the locale, which entries a column is offered,
// and the half-open range [start, end) each entry stands for.
//
// The table is a tree: top-level groups (Minute, Hour, Day, Week, Month,
// Quarter, Semester, Year, Decade) with five relative entries each (past,
// from the start of this one to now, this, from now to its end, next; the
// minute group has four sub-groups of 10, 15, 20 and 30 minutes with five
// each) and a plural node listing units by name (the hours of the day, the
// days around today, weeks, months, quarters, semesters, years, decades).
// Everything here takes "now" as an argument, so no widget and no clock is
// needed to compute it.

#include "DB.h"
#include "SysUtils.h"
#include "ZDBGridColumns.h"

#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace zdb {

// Which fields an entry is offered for.
enum TFilterPeriodKind : std::uint8_t {
    pkEveryField, // offered for every field
    pkDateLevel,  // whole days and longer: every field but a time field
    pkTimeLevel,  // minutes and hours: every field but a date field
    pkDayLevel    // single days: neither a date nor a time field
};

struct TFilterPeriodItem
{
    TFilterPeriodKind Kind;
    TZDBGridFilterPeriod Period; // the group of Periods that offers the entry
    std::int16_t Id;             // the key the period list holds for the entry
    std::int16_t ParentId;       // -1 for a top-level entry
    const QString* Caption;
    bool Partial; // runs from the start of its unit to now, or from now to its end
};

inline constexpr int FilterPeriodCount = 172;
// The period tree in list order, each entry after its parent.
extern const std::array<TFilterPeriodItem, FilterPeriodCount> FilterPeriodItems;

// Fixed captions, named by the id of their entry; the table refers to these
// variables, so a translation assigned before use is what the list shows.
extern QString SFilterPeriod0;
extern QString SFilterPeriod1, SFilterPeriod11, SFilterPeriod12, SFilterPeriod13, SFilterPeriod14;
extern QString SFilterPeriod111, SFilterPeriod112, SFilterPeriod113, SFilterPeriod114, SFilterPeriod115;
extern QString SFilterPeriod121, SFilterPeriod122, SFilterPeriod123, SFilterPeriod124, SFilterPeriod125;
extern QString SFilterPeriod131, SFilterPeriod132, SFilterPeriod133, SFilterPeriod134, SFilterPeriod135;
extern QString SFilterPeriod141, SFilterPeriod142, SFilterPeriod143, SFilterPeriod144, SFilterPeriod145;
extern QString SFilterPeriod2, SFilterPeriod21, SFilterPeriod22, SFilterPeriod23, SFilterPeriod24, SFilterPeriod25,
    SFilterPeriod26;
extern QString SFilterPeriod3, SFilterPeriod31, SFilterPeriod32, SFilterPeriod33, SFilterPeriod34, SFilterPeriod35,
    SFilterPeriod36;
extern QString SFilterPeriod4, SFilterPeriod41, SFilterPeriod42, SFilterPeriod43, SFilterPeriod44, SFilterPeriod45,
    SFilterPeriod46;
extern QString SFilterPeriod5, SFilterPeriod51, SFilterPeriod52, SFilterPeriod53, SFilterPeriod54, SFilterPeriod55,
    SFilterPeriod56;
extern QString SFilterPeriod6, SFilterPeriod61, SFilterPeriod62, SFilterPeriod63, SFilterPeriod64, SFilterPeriod65,
    SFilterPeriod66, SFilterPeriod661, SFilterPeriod662, SFilterPeriod663, SFilterPeriod664;
extern QString SFilterPeriod7, SFilterPeriod71, SFilterPeriod72, SFilterPeriod73, SFilterPeriod74, SFilterPeriod75,
    SFilterPeriod76, SFilterPeriod761, SFilterPeriod762;
extern QString SFilterPeriod8, SFilterPeriod81, SFilterPeriod82, SFilterPeriod83, SFilterPeriod84, SFilterPeriod85,
    SFilterPeriod86;
extern QString SFilterPeriod9, SFilterPeriod91, SFilterPeriod92, SFilterPeriod93, SFilterPeriod94, SFilterPeriod95,
    SFilterPeriod96;
// Between the two ends of a week or a decade caption: " ÷ ".
extern QString SPeriodDivider;

// The table index of the entry with Id; -1 when there is none.
int FilterPeriodIndex(int id);

// Recomputes the captions of the named units for Now and Locale: the hours
// of the day in the short time format, today -7 .. +7 days as short dates,
// the weeks -5 .. +5 around this one ("Monday ÷ day of Sunday"), the month
// names, the years -5 .. +5 and the decades -5 .. +5 around this one.
void UpdateFilterPeriodCaptions(TDateTime now, const QLocale& locale = QLocale());

// Whether the entry at Index is offered by Periods for a field of FieldType:
// a partial entry needs fpOthers; the entry's group and the groups of all
// its ancestors must be in Periods; a date field gets only date-level
// entries, a time field only time-level ones (and both the entries for
// every field).
bool FilterPeriodOffered(int index, TZDBGridFilterPeriods periods, TFieldType fieldType);

struct TFilterPeriodNode
{
    int Id;
    int ParentId;
    QString Caption;
};

// The period list of a column: the captions recomputed for Now, then every
// offered entry in table order.
std::vector<TFilterPeriodNode> LoadFilterPeriods(TZDBGridFilterPeriods periods, TFieldType fieldType,
                                                 TDateTime now, const QLocale& locale = QLocale());

// One end of a period range; a date-only end is midnight of its day and is
// written as a date whatever the field.
struct TFilterPeriodBound
{
    TDateTime Value;
    bool DateOnly;
};

struct TFilterPeriodRange
{
    TFilterPeriodBound Start; // included
    TFilterPeriodBound End;   // excluded
};

// Now truncated to its minute: the "now" every range is computed from.
TDateTime NowToMinute(TDateTime now);

// The range the entry Id stands for at Now; none for "Select period", the
// group and plural nodes and unknown ids.
std::optional<TFilterPeriodRange> FilterPeriodRange(int id, TDateTime now);

// A range end as the filter form writes it: a date for a date field, a time
// for a time field, else the date and the time.
QString FormatPeriodValue(TDateTime value, TFieldType fieldType, const QLocale& locale = QLocale());

struct TFilterPeriodTexts
{
    QString Start;
    QString End;
};

// The start and end texts of the entry Id at Now (both empty when it has no
// range).
TFilterPeriodTexts FilterPeriodTexts(int id, TFieldType fieldType, TDateTime now,
                                     const QLocale& locale = QLocale());

// What the filter form's controls receive for a period: the two clause list
// texts (clause ordinals), the two value texts, joined by AND.
struct TFilterPeriodClauses
{
    QString ClauseList1Text;
    QString ValuesList1Text;
    QString ClauseList2Text;
    QString ValuesList2Text;
};

// "start <= value AND value < end"; for a time field whose range ends at
// midnight the second clause is dropped, so the range is open at the top.
TFilterPeriodClauses FilterPeriodClauses(const TFilterPeriodTexts& texts, TFieldType fieldType,
                                         const QLocale& locale = QLocale());

} // namespace zdb
