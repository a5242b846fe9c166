// The grid's auto-filter: the columns' value lists and expressions, the grid
// filter that combines them (TZDBGridFilter) with its settings text, and the
// grid's installing of the combined filter on its dataset.
//
// While the filter is installed the dataset is Filtered, its Filter is the
// dataset's own expression joined with the columns' expressions, and its
// OnFilterRecord is the grid's record test (FilterRecord), which checks the
// value lists and then calls the dataset's own handler. A dataset that filters
// value lists itself (an SQL query, on its server) is given them instead, and
// when nothing else needs a per-record test the grid installs no handler, so
// that the whole filter can run there. The dataset's own three values are kept
// by the grid meanwhile and given back when the last column filter goes.

#include "ZDBGrids.h"

#include "AppExceptions.h"
#include "ZDBFilter.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <utility>

namespace zdb {

namespace {

bool LessIgnoringCase(const QString& A, const QString& B)
{
    return QString::compare(A, B, Qt::CaseInsensitive) < 0;
}

// A text written as one field of a delimited line: quoted (inner quote
// characters doubled) when it holds the delimiter or the quote character.
QString QuoteField(const QString& Text, QChar Delimiter, QChar Quote, bool QuoteInnerQuotes)
{
    const bool quote = Text.contains(Delimiter) || (QuoteInnerQuotes ? Text.contains(Quote) : Text.startsWith(Quote));
    if (!quote)
        return Text;
    QString doubled = Text;
    doubled.replace(Quote, QString(2, Quote));
    return Quote + doubled + Quote;
}

// A quoted field without its quotes (a missing closing quote is tolerated),
// doubled quote characters halved.
QString DequoteField(const QString& Text, QChar Quote)
{
    QString inner = Text.mid(1);
    if (inner.endsWith(Quote))
        inner.chop(1);
    inner.replace(QString(2, Quote), QString(Quote));
    return inner;
}

// Whether a field that began with a quote character is complete: it ends in
// an odd number of quote characters or is an even number of them only.
bool QuotedFieldClosed(const QString& Piece, QChar Quote)
{
    qsizetype trailing = 0;
    for (qsizetype i = Piece.size() - 1; i >= 0 && Piece.at(i) == Quote; --i)
        ++trailing;
    return trailing % 2 == 1 || trailing == Piece.size();
}

// Takes the next field of Line from Pos on (Pos moves past it and its
// delimiter). A field that begins with the quote character goes on over
// delimiters until it is closed or the line ends.
QString TakeSettingsField(const QString& Line, qsizetype& Pos, QChar Delimiter, QChar Quote)
{
    bool more = true;
    const auto nextPiece = [&] {
        const qsizetype end = Line.indexOf(Delimiter, Pos);
        QString piece;
        if (end < 0) {
            piece = Line.mid(Pos);
            Pos = Line.size();
            more = false;
        } else {
            piece = Line.mid(Pos, end - Pos);
            Pos = end + 1;
        }
        return piece;
    };
    QString field = nextPiece();
    while (more && field.size() >= 2 && field.startsWith(Quote) && !QuotedFieldClosed(field, Quote)) {
        field += Delimiter;
        field += nextPiece();
    }
    if (field.size() >= 2 && field.startsWith(Quote))
        field = DequoteField(field, Quote);
    return field;
}

// The number n of a settings entry named "Filter<n>" (n written without
// leading zeros, from 1); 0 for any other name.
int FilterEntryNumber(const QString& Name)
{
    static const QString prefix = QStringLiteral("filter");
    if (Name.size() <= prefix.size() || !Name.startsWith(prefix, Qt::CaseInsensitive))
        return 0;
    const QStringView digits = QStringView(Name).mid(prefix.size());
    if (digits.front() == QLatin1Char('0'))
        return 0;
    bool ok = false;
    const int number = digits.toInt(&ok);
    return ok && number > 0 && digits.size() == QString::number(number).size() ? number : 0;
}


// The field kinds the filter form filters by.
bool FilterFormFieldKind(TFieldKind Kind)
{
    return Kind == fkData || Kind == fkLookup || Kind == fkInternalCalc;
}

// Gives DataSet the three filter values as they are (no reading of keys nor
// repositioning beyond returning to the current record when it still shows).
void SetDataSetFilter(TDataSet* DataSet, bool Filtered, const QString& Filter, const TFilterRecordEvent& OnFilterRecord)
{
    const TBookmark bookmark = DataSet->Active() ? DataSet->GetBookmark() : TBookmark();
    DataSet->SetOnFilterRecord(OnFilterRecord);
    DataSet->SetFilter(Filter);
    DataSet->SetFiltered(Filtered);
    if (!bookmark.isEmpty() && DataSet->Active() && DataSet->BookmarkValid(bookmark))
        DataSet->GotoBookmark(bookmark);
}

// Takes back from DataSet the value lists it was given.
void ReleaseValueLists(TDataSet* DataSet, QMap<QString, QStringList>& Given)
{
    if (!std::exchange(Given, {}).isEmpty())
        DataSet->SetFilterValueLists({});
}

// The columns' value lists by filter field name; none when two columns filter
// the same field (the record test then takes both).
QMap<QString, QStringList> ColumnValueLists(const std::vector<TZColumn*>& Columns)
{
    QMap<QString, QStringList> lists;
    for (const TZColumn* column : Columns) {
        const TZFilterList* list = column->FilterListIfAny();
        const TField* field = column->FilterField();
        if (!list || list->IsEmpty() || !field)
            continue;
        if (lists.contains(field->GetFieldName()))
            return {};
        lists.insert(field->GetFieldName(), list->Strings());
    }
    return lists;
}

} // namespace

bool BinaryFieldType(TFieldType Type)
{
    switch (Type) {
    case ftBytes: case ftVarBytes: case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo:
    case ftParadoxOle: case ftDBaseOle: case ftTypedBinary: case ftCursor: case ftADT: case ftArray:
    case ftReference: case ftDataSet: case ftWideMemo:
        return true;
    default:
        return false;
    }
}

// ---- Filter lists ----------------------------------------------------------------------

int TZFilterList::Find(const QString& Text, bool& Found) const
{
    const auto at = std::lower_bound(FItems.begin(), FItems.end(), Text, LessIgnoringCase);
    Found = at != FItems.end() && QString::compare(*at, Text, Qt::CaseInsensitive) == 0;
    return int(at - FItems.begin());
}

int TZFilterList::IndexOf(const QString& Text) const
{
    bool found = false;
    const int index = Find(Text, found);
    return found ? index : -1;
}

int TZFilterList::Add(const QString& Text)
{
    bool found = false;
    const int index = Find(Text, found);
    if (!found) {
        FItems.insert(index, Text);
        Changed();
    }
    return index;
}

void TZFilterList::Delete(int Index)
{
    if (Index < 0 || Index >= Count())
        return;
    FItems.removeAt(Index);
    Changed();
}

void TZFilterList::Clear()
{
    if (FItems.isEmpty())
        return;
    FItems.clear();
    Changed();
}

void TZFilterList::Assign(const QStringList& Texts)
{
    QStringList items = Texts;
    std::stable_sort(items.begin(), items.end(), LessIgnoringCase);
    const auto end = std::unique(items.begin(), items.end(), [](const QString& A, const QString& B) {
        return QString::compare(A, B, Qt::CaseInsensitive) == 0;
    });
    items.erase(end, items.end());
    if (items == FItems)
        return;
    FItems = std::move(items);
    Changed();
}

QString TZFilterList::Value(const QString& Name) const
{
    const QString prefix = Name + QLatin1Char('=');
    for (const QString& item : FItems)
        if (item.startsWith(prefix, Qt::CaseInsensitive))
            return item.mid(prefix.size());
    return QString();
}

QString TZFilterList::GetDelimitedText() const
{
    if (FItems.size() == 1 && FItems.front().isEmpty())
        return QString(2, FQuoteChar);
    QStringList fields;
    fields.reserve(FItems.size());
    for (const QString& item : FItems)
        fields << QuoteField(item, FDelimiter, FQuoteChar, true);
    return fields.join(FDelimiter);
}

void TZFilterList::SetDelimitedText(const QString& Value)
{
    QStringList items;
    const qsizetype n = Value.size();
    qsizetype i = 0;
    while (i < n) {
        QString item;
        if (Value.at(i) == FQuoteChar) {
            // A quoted item up to its closing quote; doubled quotes stand for one.
            for (++i; i < n; ++i) {
                if (Value.at(i) != FQuoteChar) {
                    item += Value.at(i);
                } else if (i + 1 < n && Value.at(i + 1) == FQuoteChar) {
                    item += FQuoteChar;
                    ++i;
                } else {
                    ++i;
                    break;
                }
            }
        }
        const qsizetype end = Value.indexOf(FDelimiter, i);
        item += Value.mid(i, end < 0 ? -1 : end - i);
        items << item;
        if (end < 0)
            break;
        i = end + 1;
        if (i == n)
            items << QString();
    }
    Assign(items);
}

void TZFilterList::EndUpdate()
{
    if (FUpdateCount == 0 || --FUpdateCount > 0)
        return;
    if (std::exchange(FChanged, false))
        Changed();
}

void TZFilterList::Changed()
{
    if (FUpdateCount > 0) {
        FChanged = true;
        return;
    }
    if (OnChange)
        OnChange();
}

// ---- Column and title -------------------------------------------------------------------

void TZColumnTitle::SwitchAutoFilters(TFilterStyles Styles, bool On)
{
    SetAutoFilters(SwitchedSet(FAutoFilters, Styles, On));
}

TZFilterList* TZColumn::FilterList()
{
    if (!FFilterList) {
        FFilterList = std::make_unique<TZFilterList>();
        FFilterList->OnChange = [this] { FilterChanged(); };
    }
    return FFilterList.get();
}

QStringList TZColumn::GetFilterList() const
{
    return FFilterList ? FFilterList->Strings() : QStringList();
}

void TZColumn::SetFilterList(const QStringList& Value)
{
    if (!FFilterList && Value.isEmpty())
        return;
    FilterList()->Assign(Value);
}

void TZColumn::SetFilterText(const QString& Value)
{
    if (FFilterText == Value)
        return;
    const QString previous = std::exchange(FFilterText, Value);
    try {
        FilterChanged();
    } catch (...) {
        // A refused expression: the column and the grid filter's text go back
        // to what the dataset still filters by.
        FFilterText = previous;
        if (TZCustomDBGrid* grid = Grid(); grid && grid->FilterGrid())
            grid->FilterGrid()->UpdateFilterText();
        throw;
    }
}

TZFilterList* TZColumn::FilterData()
{
    if (!FFilterData)
        FFilterData = std::make_unique<TZFilterList>();
    return FFilterData.get();
}

QStringList TZColumn::GetFilterData() const
{
    return FFilterData ? FFilterData->Strings() : QStringList();
}

void TZColumn::SetFilterData(const QStringList& Value)
{
    if (!FFilterData && Value.isEmpty())
        return;
    FilterData()->Assign(Value);
}

bool TZColumn::GetFiltered() const
{
    return (FFilterList && !FFilterList->IsEmpty()) || !FFilterText.isEmpty();
}

void TZColumn::FilterChanged()
{
    TZCustomDBGrid* grid = Grid();
    if (grid && !grid->IsLoading() && grid->FilterGrid())
        grid->FilterGrid()->FilterChanged();
}

TField* TZColumn::FilterField() const
{
    if (LookupColumn() != lcNotDefined) {
        TZCustomDBGrid* grid = Grid();
        if (TDataSet* dataSet = grid ? grid->DataSet() : nullptr)
            if (TField* key = dataSet->FindField(GetKeyField()))
                return key;
    }
    return GetField();
}

bool TZColumn::HasAutoFilterButton() const
{
    TZCustomDBGrid* grid = Grid();
    const TZDBGridFilter* filter = grid ? grid->FilterGrid() : nullptr;
    if (!filter || Expandable() || !filter->GetAutoFilter() || !filter->GetFiltered() || !Title()->GetAutoFilter())
        return false;
    const TFilterStyles styles = filter->GetAutoFilters() & Title()->GetAutoFilters();
    if (styles.IsEmpty())
        return false;
    TField* field = GetField();
    if (!field || BinaryFieldType(field->DataType()))
        return false;
    return styles != TFilterStyles{fsFilterForm} || FilterFormFieldKind(field->GetFieldKind());
}

bool TZColumn::HasFilterButton() const
{
    TZCustomDBGrid* grid = Grid();
    const TZDBGridFilter* filter = grid ? grid->FilterGrid() : nullptr;
    if (!filter || !filter->GetFiltered())
        return false;
    return FExpandStyle == cesFilterList || FExpandStyle == cesFilterForm || HasAutoFilterButton();
}

// ---- Grid filter ------------------------------------------------------------------------

TZDBGridFilterClauses TZDBGridFilter::AllClauses()
{
    TZDBGridFilterClauses all;
    for (int c = fcNoFilter; c <= fcIsNotEmpty; ++c)
        all.Include(TZDBGridFilterClause(c));
    return all;
}

TZDBGridFilterPeriods TZDBGridFilter::DefaultPeriods()
{
    TZDBGridFilterPeriods periods;
    for (int p = fpNoPeriod; p < fpOthers; ++p)
        periods.Include(TZDBGridFilterPeriod(p));
    return periods;
}

void TZDBGridFilter::SetFiltered(bool Value)
{
    if (FFiltered == Value)
        return;
    FFiltered = Value;
    UpdateColumns();
    UpdateFilterText();
    if (FGrid)
        FGrid->UpdateFilter();
    InvalidateTitles();
}

void TZDBGridFilter::SetAutoFilter(bool Value)
{
    if (FAutoFilter == Value)
        return;
    FAutoFilter = Value;
    InvalidateTitles();
}

void TZDBGridFilter::SetAutoUpdate(bool Value)
{
    if (FAutoUpdate == Value)
        return;
    FAutoUpdate = Value;
    if (FGrid)
        FGrid->UpdateFilter();
}

void TZDBGridFilter::SetAutoFilters(TFilterStyles Value)
{
    if (FAutoFilters == Value)
        return;
    FAutoFilters = Value;
    InvalidateTitles();
}

void TZDBGridFilter::SetOptionNames(const QStringList& Value)
{
    SetEnumSetByNames<TZDBGridFilterOption>(Value, [this](auto Members) { SetOptions(Members); });
}

void TZDBGridFilter::SetClauseNames(const QStringList& Value)
{
    SetEnumSetByNames<TZDBGridFilterClause>(Value, [this](auto Members) { SetClauses(Members); });
}

void TZDBGridFilter::SetPeriodNames(const QStringList& Value)
{
    SetEnumSetByNames<TZDBGridFilterPeriod>(Value, [this](auto Members) { SetPeriods(Members); });
}

void TZDBGridFilter::SetAutoFilterNames(const QStringList& Value)
{
    SetEnumSetByNames<TFilterStyle>(Value, [this](auto Members) { SetAutoFilters(Members); });
}

void TZDBGridFilter::SwitchAutoFilters(TFilterStyles Value, bool On)
{
    SetAutoFilters(SwitchedSet(FAutoFilters, Value, On));
}

void TZDBGridFilter::SwitchClauses(TZDBGridFilterClauses Value, bool On)
{
    SetClauses(SwitchedSet(FClauses, Value, On));
}

void TZDBGridFilter::SwitchOptions(TZDBGridFilterOptions Value, bool On)
{
    SetOptions(SwitchedSet(FOptions, Value, On));
}

void TZDBGridFilter::SwitchPeriods(TZDBGridFilterPeriods Value, bool On)
{
    SetPeriods(SwitchedSet(FPeriods, Value, On));
}

void TZDBGridFilter::InvalidateTitles() const
{
    if (FGrid)
        FGrid->InvalidateTitles();
}

void TZDBGridFilter::FilterChanged()
{
    if (FChangeLock > 0)
        return;
    UpdateColumns();
    UpdateFilterText();
    // The title buttons show the new state, applied or not.
    InvalidateTitles();
    if (FGrid)
        FGrid->FilterChanged();
}

void TZDBGridFilter::BeginFilterChange()
{
    ++FChangeLock;
}

void TZDBGridFilter::CancelFilterChange()
{
    if (FChangeLock > 0)
        --FChangeLock;
}

void TZDBGridFilter::EndFilterChange()
{
    CancelFilterChange();
    FilterChanged();
}

void TZDBGridFilter::UpdateColumns()
{
    FColumns.clear();
    if (!FFiltered || !FGrid || !FGrid->Columns())
        return;
    for (TZColumn* column : *FGrid->Columns())
        if (column->GetFiltered())
            FColumns.push_back(column);
}

void TZDBGridFilter::UpdateFilterText()
{
    QString text;
    if (FFiltered)
        for (const TZColumn* column : FColumns) {
            const QString expression = column->GetFilterText();
            if (expression.isEmpty())
                continue;
            text = text.isEmpty() ? QLatin1Char('(') + expression + QLatin1Char(')')
                                  : text + QLatin1String(" AND (") + expression + QLatin1Char(')');
        }
    FFilterText = text;
}

QString TZDBGridFilter::JoinFilter(bool Filtered, const QString& Filter) const
{
    if (!Filtered)
        return FFilterText;
    if (FFilterText.isEmpty())
        return Filter;
    if (Filter.isEmpty())
        return FFilterText;
    return QLatin1Char('(') + Filter + QLatin1String(") AND ") + FFilterText;
}

QString TZDBGridFilter::GetFullFilter() const
{
    return FGrid ? JoinFilter(FGrid->GetFiltered(), FGrid->GetFilter()) : FFilterText;
}

void TZDBGridFilter::ClearAutoFilter(TFilterStyles Styles)
{
    if (Styles.IsEmpty() || !FGrid || !FGrid->Columns())
        return;
    TZFilterChangeGuard change(this);
    bool cleared = false;
    for (TZColumn* column : *FGrid->Columns()) {
        if (!column->GetFiltered())
            continue;
        if (Styles.Contains(fsFilterList) && column->FilterListIfAny() && !column->FilterListIfAny()->IsEmpty()) {
            TZFilterList* list = column->FilterList();
            TZFilterListUpdateGuard update(list);
            list->Clear();
            cleared = true;
        }
        if (Styles.Contains(fsFilterForm) && !column->GetFilterText().isEmpty()) {
            column->SetFilterText(QString());
            cleared = true;
        }
    }
    change.SetChanged(cleared);
}

QStringList& TZDBGridFilter::GetSettings()
{
    FSettings.clear();
    FSettings << QStringLiteral("Filters=%1").arg(FColumns.size());
    int n = 0;
    for (TZColumn* column : FColumns) {
        const QString list = column->FilterListIfAny() ? column->FilterListIfAny()->GetDelimitedText() : QString();
        FSettings << QStringLiteral("Filter%1=").arg(++n)
                         + QuoteField(column->GetFieldName(), FSettingsDelimiter, FSettingsQuoteChar, false)
                         + FSettingsDelimiter
                         + QuoteField(column->GetFilterText(), FSettingsDelimiter, FSettingsQuoteChar, false)
                         + FSettingsDelimiter + list;
    }
    return FSettings;
}

void TZDBGridFilter::SetSettings(const QStringList& Value)
{
    if (&Value != &FSettings)
        FSettings = Value;
    ApplySettingsList();
}

void TZDBGridFilter::ApplySettings()
{
    ApplySettingsList();
}

void TZDBGridFilter::ApplySettingsList()
{
    TZFilterChangeGuard change(this);
    ClearAutoFilter(TFilterStyles{fsFilterList, fsFilterForm});
    if (!FGrid)
        return;
    // The lines by name (ignoring case; the first of equal names counts).
    QHash<QString, QString> values;
    values.reserve(FSettings.size());
    for (const QString& line : FSettings) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString name = (equals < 0 ? line : line.left(equals)).toLower();
        if (!values.contains(name))
            values.insert(name, equals < 0 ? QString() : line.mid(equals + 1));
    }
    bool ok = false;
    const int count = values.value(QStringLiteral("filters")).trimmed().toInt(&ok);
    if (!ok || count <= 0)
        return;
    // The entries Filter1 .. Filter<count> that exist, in their order.
    std::vector<std::pair<int, QString>> entries;
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        if (const int number = FilterEntryNumber(it.key()); number > 0 && number <= count)
            entries.emplace_back(number, it.value());
    std::sort(entries.begin(), entries.end(),
              [](const auto& A, const auto& B) { return A.first < B.first; });
    for (const auto& [number, entry] : entries) {
        qsizetype pos = 0;
        const QString fieldName = TakeSettingsField(entry, pos, FSettingsDelimiter, FSettingsQuoteChar);
        const QString filterText = TakeSettingsField(entry, pos, FSettingsDelimiter, FSettingsQuoteChar);
        if (fieldName.isEmpty())
            continue;
        TZColumn* column = FGrid->FindColumn(fieldName);
        if (!column)
            continue;
        column->SetFilterText(filterText);
        column->FilterList()->SetDelimitedText(entry.mid(pos));
    }
}

// ---- Grid: filter properties ------------------------------------------------------------

// The grid's record test as a dataset handler; it knows its grid, so that the
// grid can tell its own handler from any other.
struct TZCustomDBGrid::TFilterRecordCall {
    QPointer<TZCustomDBGrid> Grid;
    void operator()(TDataSet* DataSet, bool& Accept) const
    {
        if (Grid)
            Grid->FilterRecord(DataSet, Accept);
    }
};

namespace {

// Whether two handlers are known to be the same: both none, or the record
// test of the same grid. Other handlers cannot be compared and count as different.
bool SameFilterRecord(const TFilterRecordEvent& A, const TFilterRecordEvent& B, const TZCustomDBGrid* Grid)
{
    if (!A || !B)
        return !A && !B;
    return Grid->IsFilterRecordHandler(A) && Grid->IsFilterRecordHandler(B);
}

} // namespace

TFilterRecordEvent TZCustomDBGrid::FilterRecordHandler()
{
    return TFilterRecordCall{this};
}

bool TZCustomDBGrid::IsFilterRecordHandler(const TFilterRecordEvent& Handler) const
{
    const auto* call = Handler.target<TFilterRecordCall>();
    return call && call->Grid == this;
}

QString TZCustomDBGrid::GetFilter() const
{
    if ((FFilter && FFilter->GetActive()) || IsLoading())
        return FSavedFilter;
    const TDataSet* dataSet = DataSet();
    return dataSet ? dataSet->GetFilter() : QString();
}

void TZCustomDBGrid::SetFilter(const QString& Value)
{
    if (Value == GetFilter())
        return;
    if (!IsFilterStored() && !IsLoading()) {
        ChangeDataSetFilter(GetFiltered(), Value, GetOnFilterRecord());
        return;
    }
    FSavedFilter = Value;
    UpdateFilter();
}

bool TZCustomDBGrid::GetFiltered() const
{
    if ((FFilter && FFilter->GetActive()) || IsLoading())
        return FSavedFiltered;
    const TDataSet* dataSet = DataSet();
    return dataSet && dataSet->GetFiltered();
}

void TZCustomDBGrid::SetFiltered(bool Value)
{
    if (Value == GetFiltered())
        return;
    if (!IsFilterStored() && !IsLoading()) {
        ChangeDataSetFilter(Value, GetFilter(), GetOnFilterRecord());
        return;
    }
    FSavedFiltered = Value;
    UpdateFilter();
}

TFilterRecordEvent TZCustomDBGrid::GetOnFilterRecord() const
{
    if ((FFilter && FFilter->GetActive()) || IsLoading())
        return FSavedOnFilterRecord;
    const TDataSet* dataSet = DataSet();
    return dataSet ? dataSet->OnFilterRecord : TFilterRecordEvent();
}

void TZCustomDBGrid::SetOnFilterRecord(const TFilterRecordEvent& Value)
{
    if (SameFilterRecord(Value, GetOnFilterRecord(), this))
        return;
    if (!IsFilterStored() && !IsLoading()) {
        ChangeDataSetFilter(GetFiltered(), GetFilter(), Value);
        return;
    }
    FSavedOnFilterRecord = Value;
    UpdateFilter();
}

void TZCustomDBGrid::InvalidateTitles()
{
    for (int row = 0; row < FTitleRowCount && row < GetRowCount(); ++row)
        InvalidateRow(row);
}

// ---- Grid: installing the filter --------------------------------------------------------

void TZCustomDBGrid::FilterChanged()
{
    if (SearchFilterActive() || TreeViewActive() || (FFilter && FFilter->GetAutoUpdate()))
        UpdateFilter();
    else
        FireEvent(OnFilterChanged, this);
}

void TZCustomDBGrid::UpdateFilter()
{
    if (!FFilter || IsLoading() || IsDestroying())
        return;
    const bool needed = SearchFilterActive() || TreeViewActive() ||
                        (FFilter->GetAutoUpdate() && FDataLink && FDataLink->Active() && FFilter->Count() > 0);
    if (!needed) {
        if (!FFilter->FActive)
            return;
        // The dataset gets its own filter back; the saved values stay until it took them.
        FFilter->FActive = false;
        TDataSet* installed = std::exchange(FFilterDataSet, nullptr);
        try {
            if (installed && installed != DataSet()) {
                ReleaseValueLists(installed, FDataSetValueLists);
                SetDataSetFilter(installed, FSavedFiltered, FSavedFilter, FSavedOnFilterRecord);
            } else
                ChangeDataSetFilter(FSavedFiltered, FSavedFilter, FSavedOnFilterRecord);
        } catch (...) {
            FFilter->FActive = true;
            FFilterDataSet = installed;
            throw;
        }
        FSavedFiltered = false;
        FSavedFilter.clear();
        FSavedOnFilterRecord = nullptr;
        return;
    }
    const bool installing = !FFilter->FActive;
    bool saved = false;
    if (installing) {
        FFilter->FActive = true;
        TDataSet* dataSet = DataSet();
        FFilterDataSet = dataSet;
        // The dataset's own filter is kept, unless values were given meanwhile
        // (while loading) or the dataset already carries this grid's test.
        if (dataSet && !FSavedFiltered && FSavedFilter.isEmpty() && !FSavedOnFilterRecord &&
            !IsFilterRecordHandler(dataSet->OnFilterRecord)) {
            FSavedFilter = dataSet->GetFilter();
            FSavedOnFilterRecord = dataSet->OnFilterRecord;
            FSavedFiltered = dataSet->GetFiltered() && (!FSavedFilter.isEmpty() || FSavedOnFilterRecord);
            saved = true;
        }
    }
    try {
        ChangeDataSetFilter(true, FFilter->GetFullFilter(), FilterRecordHandler());
    } catch (...) {
        // A refused filter leaves the dataset as it was: not installed.
        if (installing) {
            FFilter->FActive = false;
            FFilterDataSet = nullptr;
            if (saved) {
                FSavedFiltered = false;
                FSavedFilter.clear();
                FSavedOnFilterRecord = nullptr;
            }
        }
        throw;
    }
}

void TZCustomDBGrid::ChangeDataSetFilter(bool Filtered, const QString& Filter, const TFilterRecordEvent& OnFilterRecord,
                                         const QString& KeyFields)
{
    TDataSet* dataSet = DataSet();
    if (!dataSet)
        return;
    if (!dataSet->Active() || IsDestroying()) {
        ReleaseValueLists(dataSet, FDataSetValueLists);
        SetDataSetFilter(dataSet, Filtered, Filter, OnFilterRecord);
        return;
    }
    // The value lists the dataset may filter by itself: the columns' ones while the
    // grid's record test goes in.
    const QMap<QString, QStringList> valueLists =
        FFilter && Filtered && IsFilterRecordHandler(OnFilterRecord) ? ColumnValueLists(FFilter->Columns())
                                                                     : QMap<QString, QStringList>();
    if (!dataSet->GetFiltered() && !Filtered && dataSet->GetFilter() == Filter &&
        SameFilterRecord(dataSet->OnFilterRecord, OnFilterRecord, this) && FDataSetValueLists.isEmpty())
        return;
    // Key fields the dataset lacks leave nothing to find the record by.
    QString keys = KeyFields.isEmpty() ? FKeyFields : KeyFields;
    const QStringList keyNames = SplitFieldNames(keys);
    if (std::any_of(keyNames.begin(), keyNames.end(), [&](const QString& name) { return !dataSet->FindField(name); }))
        keys.clear();
    {
        TZPositionGuard position(this, true);
        const bool keepSelection = !keys.isEmpty() && (FOptionsEx & dgAutoKeepSelection);
        QVariant keyValues;
        if (!keys.isEmpty()) {
            keyValues = dataSet->GetFieldValue(keys);
            if (keepSelection)
                SaveSelection(keys);
        }
        ClearSelection();
        const bool oldFiltered = dataSet->GetFiltered();
        const QString oldFilter = dataSet->GetFilter();
        const TFilterRecordEvent oldHandler = dataSet->OnFilterRecord;
        const QMap<QString, QStringList> oldValueLists = FDataSetValueLists;
        try {
            // A filter that stays on, or whose value lists change, is switched
            // off first, so that the new values apply afresh.
            if (dataSet->GetFiltered() && (Filtered || !FDataSetValueLists.isEmpty()))
                dataSet->SetFiltered(false);
            TFilterRecordEvent handler = OnFilterRecord;
            if (!valueLists.isEmpty() && valueLists != FDataSetValueLists && dataSet->SetFilterValueLists(valueLists))
                FDataSetValueLists = valueLists;
            else if (valueLists.isEmpty() || valueLists != FDataSetValueLists)
                ReleaseValueLists(dataSet, FDataSetValueLists);
            if (!FDataSetValueLists.isEmpty() && !SearchFilterActive() && !TreeViewActive() &&
                !(FSavedFiltered && FSavedOnFilterRecord))
                handler = nullptr;
            if (!SameFilterRecord(dataSet->OnFilterRecord, handler, this))
                dataSet->SetOnFilterRecord(handler);
            if (dataSet->GetFilter() != Filter)
                dataSet->SetFilter(Filter);
            dataSet->SetFiltered(Filtered);
        } catch (...) {
            // The dataset keeps what it had (and the selection comes back).
            try {
                FDataSetValueLists = dataSet->SetFilterValueLists(oldValueLists) ? oldValueLists
                                                                                 : QMap<QString, QStringList>();
                dataSet->SetOnFilterRecord(oldHandler);
                dataSet->SetFilter(oldFilter);
                dataSet->SetFiltered(oldFiltered);
                if (keepSelection)
                    RestoreSelection(keys);
            } catch (...) {
            }
            throw;
        }
        if (!keys.isEmpty()) {
            if (keepSelection)
                RestoreSelection(keys);
            if (!dataSet->IsEmpty())
                dataSet->Locate(keys, keyValues);
        }
    }
    FilterUpdated();
}

void TZCustomDBGrid::FilterRecord(TDataSet* DataSet, bool& Accept)
{
    Accept = false;
    if (TreeViewActive() && TreeRecordHidden(DataSet))
        return;
    if (FFilter && FDataSetValueLists.isEmpty())
        for (const TZColumn* column : FFilter->Columns()) {
            const TZFilterList* list = column->FilterListIfAny();
            if (!list || list->IsEmpty())
                continue;
            const TField* field = column->FilterField();
            if (field && !list->Contains(field->GetEditText()))
                return;
        }
    if (SearchFilterActive() && SearchRecordRejected(DataSet))
        return;
    Accept = true;
    if (FFilter && FFilter->GetActive() && FSavedFiltered && FSavedOnFilterRecord)
        FSavedOnFilterRecord(DataSet, Accept);
}

void TZCustomDBGrid::FilterUpdated()
{
    FireEvent(OnFilterUpdated, this);
}

void TZCustomDBGrid::LoadedFilter()
{
    if (!FFilter)
        return;
    FFilter->UpdateColumns();
    FFilter->UpdateFilterText();
    if (FFilter->Count() > 0 || SearchFilterActive() || TreeViewActive())
        FilterChanged();
}

void TZCustomDBGrid::RestoreFilterOnDestroy() noexcept
{
    if (!FFilter)
        return;
    // The columns go before the grid filter does.
    FFilter->FColumns.clear();
    if (!FFilter->FActive)
        return;
    FFilter->FActive = false;
    TDataSet* installed = std::exchange(FFilterDataSet, nullptr);
    if (!installed)
        return;
    try {
        ReleaseValueLists(installed, FDataSetValueLists);
        SetDataSetFilter(installed, FSavedFiltered, FSavedFilter, FSavedOnFilterRecord);
    } catch (...) {
        HandleException(nullptr);
    }
}

// ---- Grid: the title's auto-filter button -------------------------------------------------

QRect TZCustomDBGrid::TitleCaptionRect(TZColumn* Master, int ARow, const QRect& TitleRect) const
{
    const int bands =
        (FOptions & dgTitleHeaders) && Master->Depth() <= ARow && FHeaderRowHeight > 0 ? Master->Title()->HeaderCount() : 0;
    const int top = TitleRect.top() + bands * FHeaderRowHeight;
    return QRect(TitleRect.left(), top, TitleRect.width(), TitleRect.top() + TitleRect.height() - top);
}

QRect TZCustomDBGrid::AutoFilterButtonRect(TZColumn* Column, const QRect& CaptionRect) const
{
    if (!Column || !Column->HasAutoFilterButton())
        return QRect();
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int width = std::min(extent, CaptionRect.width() - 2);
    const int height = std::min(CaptionRect.height() - 2, extent + 4);
    if (width < 6 || height < 6)
        return QRect();
    const int left = layoutDirection() == Qt::RightToLeft ? CaptionRect.left() + 1 : CaptionRect.right() - width;
    const int top = CaptionRect.top() + (CaptionRect.height() - height) / 2;
    return QRect(left, top, width, height);
}

void TZCustomDBGrid::DrawTitleFilterButton(QPainter& Canvas, TZColumn* Column, QRect& ARect)
{
    const QRect button = AutoFilterButtonRect(Column, ARect);
    if (button.isEmpty())
        return;
    // A filtering column shows a highlighted button with a funnel; otherwise
    // a plain button with a drop-down arrow.
    const bool filtered = Column->GetFiltered();
    TCanvasState state(Canvas);
    Canvas.setRenderHint(QPainter::Antialiasing, false);
    Canvas.fillRect(button, palette().color(filtered ? QPalette::Highlight : QPalette::Button));
    Canvas.setPen(palette().color(QPalette::Mid));
    Canvas.drawRect(button.adjusted(0, 0, -1, -1));
    const QRect glyph = button.adjusted(3, 3, -3, -3);
    if (filtered) {
        const qreal w = glyph.width();
        const qreal h = glyph.height();
        const qreal stem = std::max<qreal>(2.0, w / 5.0);
        QPainterPath funnel;
        funnel.moveTo(glyph.left(), glyph.top() + h * 0.15);
        funnel.lineTo(glyph.left() + w, glyph.top() + h * 0.15);
        funnel.lineTo(glyph.left() + (w + stem) / 2.0, glyph.top() + h * 0.55);
        funnel.lineTo(glyph.left() + (w + stem) / 2.0, glyph.top() + h * 0.95);
        funnel.lineTo(glyph.left() + (w - stem) / 2.0, glyph.top() + h * 0.8);
        funnel.lineTo(glyph.left() + (w - stem) / 2.0, glyph.top() + h * 0.55);
        funnel.closeSubpath();
        Canvas.setRenderHint(QPainter::Antialiasing, true);
        Canvas.fillPath(funnel, palette().color(QPalette::HighlightedText));
    } else {
        QStyleOption option;
        option.initFrom(this);
        option.rect = glyph;
        option.palette.setColor(QPalette::ButtonText, palette().color(QPalette::ButtonText));
        style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &Canvas, this);
    }
    if (layoutDirection() == Qt::RightToLeft)
        ARect.setLeft(button.right() + 1);
    else
        ARect.setRight(button.left() - 1);
}

} // namespace zdb
