// The filter form's date periods: the shape of the period tree, which entries
// a column is offered, the range of every entry for a fixed "now" (week
// starts, leap months, quarter, semester and decade ends, minute groups at
// their boundaries), the computed captions and the clause texts in two
// locales, and those texts filtering a real dataset.

#include "DateUtils.h"
#include "ZDBFilterPeriods.h"
#include "ZDBMemData.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace zdb;

namespace {

TDateTime At(int y, int m, int d, int h = 0, int mi = 0, int s = 0)
{
    return EncodeDateTime(QDate(y, m, d), QTime(h, mi, s));
}

// "start .. end" of an entry: date-only ends as dates, others as date and time.
std::string Range(int id, TDateTime now)
{
    const std::optional<TFilterPeriodRange> range = FilterPeriodRange(id, now);
    if (!range)
        return "none";
    const auto text = [](const TFilterPeriodBound& bound) {
        const QDateTime value = DateTimeToQDateTime(bound.Value);
        return bound.DateOnly ? value.date().toString(Qt::ISODate) : value.toString(QStringLiteral("yyyy-MM-ddTHH:mm"));
    };
    return (text(range->Start) + QStringLiteral(" .. ") + text(range->End)).toStdString();
}

const QLocale US(QLocale::English, QLocale::UnitedStates);
const QLocale DE(QLocale::German, QLocale::Germany);

const TZDBGridFilterPeriods DefaultPeriods = [] {
    TZDBGridFilterPeriods all;
    for (int p = fpNoPeriod; p < fpOthers; ++p)
        all.Include(TZDBGridFilterPeriod(p));
    return all;
}();

std::set<int> OfferedIds(TZDBGridFilterPeriods periods, TFieldType type)
{
    std::set<int> ids;
    for (const TFilterPeriodNode& node : LoadFilterPeriods(periods, type, At(2026, 12, 2), US))
        ids.insert(node.Id);
    return ids;
}

int TopLevelAncestor(int index)
{
    while (FilterPeriodItems[index].ParentId >= 0)
        index = FilterPeriodIndex(FilterPeriodItems[index].ParentId);
    return FilterPeriodItems[index].Id;
}

} // namespace

TEST(FilterPeriodTable, TreeShape)
{
    std::set<int> ids;
    std::map<int, int> children;
    int partial = 0;
    for (int i = 0; i < FilterPeriodCount; ++i) {
        const TFilterPeriodItem& item = FilterPeriodItems[i];
        EXPECT_TRUE(ids.insert(item.Id).second) << "duplicate id " << item.Id;
        ASSERT_NE(item.Caption, nullptr);
        if (item.ParentId < 0) {
            EXPECT_LT(item.Id, 10);
            continue;
        }
        const int parent = FilterPeriodIndex(item.ParentId);
        ASSERT_GE(parent, 0) << item.Id;
        EXPECT_LT(parent, i) << "a parent comes before its children: " << item.Id;
        EXPECT_EQ(item.Kind, FilterPeriodItems[parent].Kind) << item.Id;
        ++children[item.ParentId];
        // Partial entries are exactly those from a unit's start to now and from now to its end.
        const bool toOrFromNow = item.Caption->startsWith(QStringLiteral("From start of this"))
            || item.Caption->startsWith(QStringLiteral("To the end of this"));
        EXPECT_EQ(item.Partial, toOrFromNow) << item.Id;
        partial += item.Partial;
    }
    EXPECT_EQ(partial, 24);
    const std::map<int, int> expected = {{1, 4},  {11, 5}, {12, 5}, {13, 5}, {14, 5}, {2, 6},  {26, 24},
                                         {3, 6},  {36, 15}, {4, 6}, {46, 11}, {5, 6}, {56, 12}, {6, 6},
                                         {66, 4}, {7, 6},  {76, 2}, {8, 6},  {86, 11}, {9, 6}, {96, 11}};
    EXPECT_EQ(children, expected);
    // Every leaf has a range; "Select period", the nodes and unknown ids have none.
    for (const TFilterPeriodItem& item : FilterPeriodItems)
        EXPECT_EQ(FilterPeriodRange(item.Id, At(2026, 12, 2, 10, 37)).has_value(),
                  item.Id != 0 && !children.count(item.Id))
            << item.Id;
    EXPECT_FALSE(FilterPeriodRange(3616, At(2026, 12, 2)).has_value());
    EXPECT_FALSE(FilterPeriodRange(-1, At(2026, 12, 2)).has_value());
}

TEST(FilterPeriodTable, OfferedEntriesByFieldTypeAndPeriods)
{
    const std::set<int> date = OfferedIds(DefaultPeriods, ftDate);
    EXPECT_EQ(date.size(), 82u);
    std::set<int> tops;
    for (int id : date) {
        const TFilterPeriodItem& item = FilterPeriodItems[FilterPeriodIndex(id)];
        EXPECT_FALSE(item.Partial) << id;
        tops.insert(TopLevelAncestor(FilterPeriodIndex(id)));
    }
    EXPECT_EQ(tops, (std::set<int>{0, 4, 5, 6, 7, 8, 9}));

    const std::set<int> time = OfferedIds(DefaultPeriods, ftTime);
    EXPECT_EQ(time.size(), 47u);
    for (int id : time)
        EXPECT_LE(TopLevelAncestor(FilterPeriodIndex(id)), 2) << id;

    // A date-time field gets every kind; the partial entries need fpOthers.
    EXPECT_EQ(OfferedIds(DefaultPeriods, ftDateTime).size(), 148u);
    const std::set<int> all = OfferedIds(TZDBGridFilterPeriods(DefaultPeriods).Include(fpOthers), ftDateTime);
    EXPECT_EQ(all.size(), std::size_t(FilterPeriodCount));

    // An entry needs its own group and every ancestor's.
    const std::set<int> noMinute = OfferedIds(TZDBGridFilterPeriods(DefaultPeriods).Exclude(fpMinute), ftDateTime);
    EXPECT_EQ(noMinute.count(11) + noMinute.count(111) + noMinute.count(1), 0u);
    EXPECT_TRUE(noMinute.count(21));
    const std::set<int> noHours = OfferedIds(TZDBGridFilterPeriods(DefaultPeriods).Exclude(fpHours), ftTime);
    EXPECT_EQ(noHours.count(26) + noHours.count(2600) + noHours.count(2623), 0u);
    EXPECT_TRUE(noHours.count(25));
    const std::set<int> only = OfferedIds({fpNoPeriod, fpQuarter, fpQuarters, fpYears}, ftDate);
    EXPECT_EQ(only, (std::set<int>{0, 6, 61, 63, 65, 66, 661, 662, 663, 664}));

    // The list is a tree: whatever is offered has its parent offered before it.
    std::set<int> seen;
    for (const TFilterPeriodNode& node : LoadFilterPeriods(DefaultPeriods, ftDateTime, At(2026, 12, 2), DE)) {
        EXPECT_TRUE(node.ParentId < 0 || seen.count(node.ParentId)) << node.Id;
        seen.insert(node.Id);
    }
}

TEST(FilterPeriodRange, OnAWednesdayMorning)
{
    const TDateTime now = At(2026, 12, 2, 10, 37, 25);
    EXPECT_EQ(Range(121, now), "2026-12-02T10:15 .. 2026-12-02T10:30");
    EXPECT_EQ(Range(24, now), "2026-12-02T10:37 .. 2026-12-02T11:00");
    EXPECT_EQ(Range(22, now), "2026-12-02T10:00 .. 2026-12-02T10:38");
    EXPECT_EQ(Range(2623, now), "2026-12-02T23:00 .. 2026-12-03T00:00");

    EXPECT_EQ(Range(31, now), "2026-12-01 .. 2026-12-02");
    EXPECT_EQ(Range(32, now), "2026-12-02 .. 2026-12-02T10:38");
    EXPECT_EQ(Range(34, now), "2026-12-02T10:37 .. 2026-12-03");
    EXPECT_EQ(Range(3601, now), "2026-11-25 .. 2026-11-26");

    EXPECT_EQ(Range(41, now), "2026-11-23 .. 2026-11-30");
    EXPECT_EQ(Range(43, now), "2026-11-30 .. 2026-12-07");
    EXPECT_EQ(Range(44, now), "2026-12-02 .. 2026-12-07");
    EXPECT_EQ(Range(45, now), "2026-12-07 .. 2026-12-14");
    EXPECT_EQ(Range(4601, now), "2026-10-26 .. 2026-11-02");

    EXPECT_EQ(Range(5602, now), "2026-02-01 .. 2026-03-01");
    EXPECT_EQ(Range(65, now), "2027-01-01 .. 2027-04-01");
    EXPECT_EQ(Range(762, now), "2026-07-01 .. 2027-01-01");
    EXPECT_EQ(Range(84, now), "2026-12-02 .. 2027-01-01");
    EXPECT_EQ(Range(8601, now), "2021-01-01 .. 2022-01-01");
    EXPECT_EQ(Range(9611, now), "2070-01-01 .. 2080-01-01");
}

TEST(FilterPeriodRange, AtWeekMonthAndYearBoundaries)
{
    // Sunday evening still belongs to the week that began on Monday.
    const TDateTime sunday = At(2026, 12, 6, 23, 59, 30);
    EXPECT_EQ(Range(43, sunday), "2026-11-30 .. 2026-12-07");
    EXPECT_EQ(Range(44, sunday), "2026-12-06 .. 2026-12-07");
    const TDateTime monday = At(2026, 12, 7, 0, 0, 10);
    EXPECT_EQ(Range(41, monday), "2026-11-30 .. 2026-12-07");
    EXPECT_EQ(Range(43, monday), "2026-12-07 .. 2026-12-14");

    // Leap February, and the month after a 31st.
    const TDateTime leap = At(2024, 2, 29, 12);
    EXPECT_EQ(Range(53, leap), "2024-02-01 .. 2024-03-01");
    EXPECT_EQ(Range(51, leap), "2024-01-01 .. 2024-02-01");
    EXPECT_EQ(Range(55, leap), "2024-03-01 .. 2024-04-01");
    EXPECT_EQ(Range(55, At(2024, 1, 31)), "2024-02-01 .. 2024-03-01");
    EXPECT_EQ(Range(55, At(2023, 1, 31)), "2023-02-01 .. 2023-03-01");

    // Quarter, semester and decade ends.
    const TDateTime march = At(2026, 3, 31, 23, 59);
    EXPECT_EQ(Range(63, march), "2026-01-01 .. 2026-04-01");
    EXPECT_EQ(Range(64, march), "2026-03-31 .. 2026-04-01");
    EXPECT_EQ(Range(65, march), "2026-04-01 .. 2026-07-01");
    EXPECT_EQ(Range(61, march), "2025-10-01 .. 2026-01-01");
    EXPECT_EQ(Range(73, At(2026, 6, 30, 23)), "2026-01-01 .. 2026-07-01");
    const TDateTime decadeEnd = At(2029, 12, 31, 18);
    EXPECT_EQ(Range(91, decadeEnd), "2010-01-01 .. 2020-01-01");
    EXPECT_EQ(Range(93, decadeEnd), "2020-01-01 .. 2030-01-01");
    EXPECT_EQ(Range(94, decadeEnd), "2029-12-31 .. 2030-01-01");
    EXPECT_EQ(Range(95, decadeEnd), "2030-01-01 .. 2040-01-01");

    // Minute groups at their boundaries, across midnight and the year's end.
    const TDateTime lastMinute = At(2026, 12, 31, 23, 59, 59);
    EXPECT_EQ(Range(113, lastMinute), "2026-12-31T23:50 .. 2027-01-01T00:00");
    EXPECT_EQ(Range(112, lastMinute), "2026-12-31T23:50 .. 2027-01-01T00:00");
    EXPECT_EQ(Range(145, lastMinute), "2027-01-01T00:00 .. 2027-01-01T00:30");
    EXPECT_EQ(Range(25, lastMinute), "2027-01-01T00:00 .. 2027-01-01T01:00");
    const TDateTime onTheMark = At(2026, 12, 2, 10, 40);
    EXPECT_EQ(Range(131, onTheMark), "2026-12-02T10:20 .. 2026-12-02T10:40");
    EXPECT_EQ(Range(133, onTheMark), "2026-12-02T10:40 .. 2026-12-02T11:00");
    EXPECT_EQ(Range(124, At(2026, 12, 2, 10, 44, 59)), "2026-12-02T10:44 .. 2026-12-02T10:45");
    EXPECT_EQ(Range(141, At(2026, 12, 2, 0, 10)), "2026-12-01T23:30 .. 2026-12-02T00:00");
}

TEST(FilterPeriodCaptions, ComputedFromNowInTwoLocales)
{
    // Wednesday 30 December 2026: this week runs into January.
    const TDateTime now = At(2026, 12, 30, 9, 15);
    const auto captions = [&](const QLocale& locale) {
        std::map<int, QString> result;
        for (const TFilterPeriodNode& node : LoadFilterPeriods(DefaultPeriods, ftDateTime, now, locale))
            result[node.Id] = node.Caption;
        return result;
    };
    const std::map<int, QString> de = captions(DE);
    EXPECT_EQ(de.at(2613), QStringLiteral("13:00"));
    EXPECT_EQ(de.at(3608), QStringLiteral("30.12.2026"));
    EXPECT_EQ(de.at(4606), QStringLiteral("28.12.2026 \u00F7 03"));
    EXPECT_EQ(de.at(4601), QStringLiteral("23.11.2026 \u00F7 29"));
    EXPECT_EQ(de.at(5603), QStringLiteral("M\u00E4rz"));
    EXPECT_EQ(de.at(8611), QStringLiteral("2031"));
    EXPECT_EQ(de.at(9606), QStringLiteral("2020 \u00F7 2029"));

    const std::map<int, QString> us = captions(US);
    EXPECT_EQ(us.at(2600), QStringLiteral("12:00 AM"));
    EXPECT_EQ(us.at(2613), QStringLiteral("1:00 PM"));
    EXPECT_EQ(us.at(4606), QStringLiteral("12/28/2026 \u00F7 03"));
    EXPECT_EQ(us.at(5601), QStringLiteral("January"));

    // Month names in list form, first letter upper-cased.
    const std::map<int, QString> ru = captions(QLocale(QLocale::Russian, QLocale::Russia));
    EXPECT_EQ(ru.at(5601), QStringLiteral("\u042F\u043D\u0432\u0430\u0440\u044C"));

    // A new day moves the computed captions; a replaced fixed caption shows.
    const QString today = SFilterPeriod33;
    SFilterPeriod33 = QStringLiteral("Heute");
    std::map<int, QString> later;
    for (const TFilterPeriodNode& node : LoadFilterPeriods(DefaultPeriods, ftDateTime, At(2027, 1, 4), DE))
        later[node.Id] = node.Caption;
    SFilterPeriod33 = today;
    EXPECT_EQ(later.at(33), QStringLiteral("Heute"));
    EXPECT_EQ(later.at(4606), QStringLiteral("04.01.2027 \u00F7 10"));
    EXPECT_EQ(later.at(9606), QStringLiteral("2020 \u00F7 2029"));
}

TEST(FilterPeriodTexts, ClausesPerFieldTypeAndLocale)
{
    const TDateTime now = At(2026, 12, 2, 10, 37, 25);
    const auto clauses = [&](int id, TFieldType type, const QLocale& locale) {
        const TFilterPeriodClauses c = FilterPeriodClauses(FilterPeriodTexts(id, type, now, locale), type, locale);
        return QStringList{c.ClauseList1Text, c.ValuesList1Text, c.ClauseList2Text, c.ValuesList2Text};
    };
    using L = QStringList;
    EXPECT_EQ(clauses(121, ftDateTime, DE), (L{"10", "02.12.2026 10:15", "11", "02.12.2026 10:30"}));
    EXPECT_EQ(clauses(24, ftDateTime, US), (L{"10", "12/2/2026 10:37 AM", "11", "12/2/2026 11:00 AM"}));
    EXPECT_EQ(clauses(32, ftDateTime, DE), (L{"10", "02.12.2026", "11", "02.12.2026 10:38"}));
    EXPECT_EQ(clauses(43, ftDate, DE), (L{"10", "30.11.2026", "11", "07.12.2026"}));
    EXPECT_EQ(clauses(43, ftDateTime, US), (L{"10", "11/30/2026", "11", "12/7/2026"}));
    EXPECT_EQ(clauses(22, ftTime, DE), (L{"10", "10:00", "11", "10:38"}));
    // A time range that ends at midnight is open at the top.
    EXPECT_EQ(clauses(2623, ftTime, DE), (L{"10", "23:00", "0", ""}));
    EXPECT_EQ(clauses(2623, ftTime, US), (L{"10", "11:00 PM", "0", ""}));
    EXPECT_EQ(clauses(2623, ftDateTime, DE), (L{"10", "02.12.2026 23:00", "11", "03.12.2026 00:00"}));
    // "Select period" and the nodes clear both values.
    EXPECT_EQ(clauses(0, ftDateTime, DE), (L{"10", "", "11", ""}));
    EXPECT_EQ(clauses(46, ftDate, DE), (L{"10", "", "11", ""}));
}

// The texts are what the dataset's filter reads back: every range admits
// exactly the stamps inside it, in both locales, for dates far from now too.
TEST(FilterPeriodTexts, FilterADataSetToExactlyTheRange)
{
    const TDateTime now = At(2026, 12, 31, 23, 59, 40);
    std::vector<QDateTime> stamps;
    for (const TFilterPeriodItem& item : FilterPeriodItems)
        if (const std::optional<TFilterPeriodRange> range = FilterPeriodRange(item.Id, now))
            for (const TDateTime bound : {range->Start.Value, range->End.Value})
                for (const int minutes : {-1, 0})
                    stamps.push_back(DateTimeToQDateTime(IncMinute(bound, minutes)));

    for (const QLocale& locale : {US, DE}) {
        TZMemDataSet ds;
        ds.SetLocale(locale);
        ds.FieldDefs().Add(QStringLiteral("Stamp"), ftDateTime);
        ds.CreateDataSet();
        for (const QDateTime& stamp : stamps) {
            ds.Append();
            ds.FieldByName(QStringLiteral("Stamp"))->SetValue(stamp);
            ds.Post();
        }
        for (const TFilterPeriodItem& item : FilterPeriodItems) {
            const std::optional<TFilterPeriodRange> range = FilterPeriodRange(item.Id, now);
            if (!range)
                continue;
            const QDateTime start = DateTimeToQDateTime(range->Start.Value);
            const QDateTime end = DateTimeToQDateTime(range->End.Value);
            const long expected = std::count_if(stamps.begin(), stamps.end(),
                                                [&](const QDateTime& s) { return start <= s && s < end; });
            const TFilterPeriodTexts texts = FilterPeriodTexts(item.Id, ftDateTime, now, locale);
            ds.SetFiltered(false);
            ds.SetFilter(QStringLiteral("Stamp >= '%1' AND Stamp < '%2'").arg(texts.Start, texts.End));
            ds.SetFiltered(true);
            long count = 0;
            for (ds.First(); !ds.Eof(); ds.Next())
                ++count;
            EXPECT_EQ(count, expected) << item.Id << " " << locale.name().toStdString() << " "
                                       << texts.Start.toStdString() << " .. " << texts.End.toStdString();
        }
    }
}
