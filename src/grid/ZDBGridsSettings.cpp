// The grid's settings: the layout lines built from and applied to the grid,
// their store (an INI file section or the native store) and plain text files.

#include "ZDBGrids.h"
#include "ZDBSettingsStore.h"

#include "DBError.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>

namespace zdb {

namespace {

// The initial value of DefaultRegistryKey, whose "ZDBGrid" stands for the
// executable's name while ExeName is on.
const QString InitialRegistryKey = QStringLiteral("\\Software\\Quarnel Software\\ZDBGrid");

// The largest line count a layout may set (a row of that many text lines
// still fits any screen's coordinates).
constexpr int MaxLayoutLinesCount = 1000;

QString ExecutableBaseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

// Replaces or appends the line Name=Value.
void SetLine(QStringList& Lines, const QString& Name, const QString& Value)
{
    const QString prefix = Name + QLatin1Char('=');
    for (QString& line : Lines)
        if (line.startsWith(prefix, Qt::CaseInsensitive)) {
            line = prefix + Value;
            return;
        }
    Lines << prefix + Value;
}

// The flag of a layout line: on exactly when the number is 1; none when the
// line is missing or holds no number.
std::optional<bool> LayoutFlag(const TZNameValues& Values, const QString& Name)
{
    if (const auto value = Values.Value(Name))
        if (const auto number = SettingsInt(*value))
            return *number == 1;
    return std::nullopt;
}

// The values of a layout's lines other than the column lines ("Column1", ...,
// the column settings' own): the settings read only those.
TZNameValues OptionValues(const QStringList& Lines)
{
    const QLatin1StringView column("Column");
    QStringList options;
    for (const QString& line : Lines)
        if (!(line.size() > column.size() && line.at(column.size()).isDigit() && StartsWithLetters(line, column)))
            options << line;
    return TZNameValues(options);
}

// The lines of a layout the grid filter reads ("Filters", "Filter1", ...), so
// that it need not go through every column's line.
QStringList FilterLines(const QStringList& Lines)
{
    const QLatin1String prefix("filter");
    QStringList filters;
    for (const QString& line : Lines) {
        if (!line.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        const QStringView rest = QStringView(line).left(line.indexOf(QLatin1Char('='))).mid(prefix.size());
        const bool count = rest.compare(QLatin1String("s"), Qt::CaseInsensitive) == 0;
        if (count || (!rest.isEmpty() && std::all_of(rest.begin(), rest.end(), [](QChar c) { return c.isDigit(); })))
            filters << line;
    }
    return filters;
}

// Whether a layout's filter lines are those the grid has already, in any order
// (a store gives its lines sorted by name). Applying them again would only run
// the dataset's filtering anew: a statement over every row of a query.
bool SameLines(QStringList Lines, QStringList Current)
{
    if (Lines.size() != Current.size())
        return false;
    Lines.sort();
    Current.sort();
    return Lines == Current;
}

} // namespace

TZDBGridSettings::TZDBGridSettings(TZCustomDBGrid* AGrid) : FGrid(AGrid) {}

TZDBGridSettings::~TZDBGridSettings() = default;

void TZDBGridSettings::SwitchOptions(TZSettingsOptions Value, bool On)
{
    SetOptions(On ? FOptions | Value : FOptions & ~Value);
}

// ---- Names ----------------------------------------------------------------------------

QString TZDBGridSettings::GetDefaultSection() const
{
    if (!FGrid || FGrid->objectName().isEmpty())
        return QString();
    const QWidget* owner = FGrid->window();
    if (owner && owner != FGrid && !owner->objectName().isEmpty())
        return owner->objectName() + QLatin1Char('.') + FGrid->objectName();
    return FGrid->objectName();
}

QString TZDBGridSettings::GetSection() const
{
    return FSection.isEmpty() ? GetDefaultSection() : FSection;
}

void TZDBGridSettings::SetSection(const QString& Value)
{
    FSection = Value == GetDefaultSection() ? QString() : Value;
}

QString TZDBGridSettings::GetDefaultFileName(bool IniFile) const
{
    if (IniFile) {
        if (!DefaultIniFileName.isEmpty())
            return DefaultIniFileName;
        const QFileInfo exe(QCoreApplication::applicationFilePath());
        return exe.path() + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".ini");
    }
    QString key = DefaultRegistryKey;
    if (FExeName && key == InitialRegistryKey) {
        const QString exe = ExecutableBaseName();
        if (!exe.isEmpty())
            key.replace(key.indexOf(QLatin1String("ZDBGrid")), 7, exe);
    }
    return key;
}

// ---- The layout -------------------------------------------------------------------------

QStringList& TZDBGridSettings::GetLayout()
{
    FLayout.clear();
    if (!FGrid)
        return FLayout;
    if (FOptions & soUserSettings) {
        FLayout << QStringLiteral("AutoLoadLayout=") + SettingsFlag(FOptions & soLoadLayout)
                << QStringLiteral("AutoSaveLayout=") + SettingsFlag(FOptions & soSaveLayout);
    }
    FLayout << FGrid->Columns()->GetSettings();
    if (FOptions & soOrderFields)
        FLayout << QStringLiteral("OrderFields=") + FGrid->GetOrderFields();
    if (FOptions & soLinesCount)
        FLayout << QStringLiteral("LinesCount=%1").arg(FGrid->GetLinesCount());
    if (FOptions & soMultiSelect)
        FLayout << QStringLiteral("MultiSelect=") + SettingsFlag(FGrid->GetOptions() & dgMultiSelect);
    if (FOptions & soSelectedRow)
        FLayout << QStringLiteral("SelectedRow=") + SettingsFlag(FGrid->GetDrawingOptions() & gdoSelectedRow);
    if (FOptions & soStripedRows)
        FLayout << QStringLiteral("StripedRows=") + SettingsFlag(FGrid->GetDrawingOptions() & gdoStripedRows);
    if (FOptions & soAutoFilter)
        FLayout << QStringLiteral("AutoFilter=") + SettingsFlag(FGrid->FilterGrid()->GetAutoFilter());
    if (FOptions & soFiltered)
        FLayout << QStringLiteral("Filtered=") + SettingsFlag(FGrid->FilterGrid()->GetFiltered());
    if (FOptions & soFilters)
        FLayout << FGrid->FilterGrid()->GetSettings();
    DoLayout(FLayout, false);
    return FLayout;
}

void TZDBGridSettings::SetLayout(const QStringList& Value)
{
    if (&Value != &FLayout)
        FLayout = Value;
    ApplyLayout();
}

void TZDBGridSettings::ApplyLayout()
{
    if (!FGrid)
        return;
    const TZNameValues values = OptionValues(FLayout);
    {
        TZLayoutGuard layout(FGrid);
        FGrid->Columns()->SetSettings(FLayout);
        if (FOptions & soOrderFields)
            if (const auto order = values.Value(QStringLiteral("OrderFields")))
                FGrid->SetOrderFields(order->trimmed());
        if (FOptions & soLinesCount)
            if (const auto value = values.Value(QStringLiteral("LinesCount")))
                if (const auto count = SettingsInt(*value); count && *count >= 1 && *count <= MaxLayoutLinesCount)
                    FGrid->SetLinesCount(*count);
        if (FOptions & soMultiSelect)
            if (const auto on = LayoutFlag(values, QStringLiteral("MultiSelect")))
                FGrid->SetOptions(*on ? FGrid->GetOptions() | dgMultiSelect : FGrid->GetOptions() & ~dgMultiSelect);
        TGridDrawingOptions drawing = FGrid->GetDrawingOptions();
        if (FOptions & soSelectedRow)
            if (const auto on = LayoutFlag(values, QStringLiteral("SelectedRow")))
                drawing.setFlag(gdoSelectedRow, *on);
        if (FOptions & soStripedRows)
            if (const auto on = LayoutFlag(values, QStringLiteral("StripedRows")))
                drawing.setFlag(gdoStripedRows, *on);
        FGrid->SetDrawingOptions(drawing);
        if (FOptions & soAutoFilter)
            if (const auto on = LayoutFlag(values, QStringLiteral("AutoFilter")))
                FGrid->FilterGrid()->SetAutoFilter(*on);
        if (FOptions & soFiltered)
            if (const auto on = LayoutFlag(values, QStringLiteral("Filtered")))
                FGrid->FilterGrid()->SetFiltered(*on);
    }
    if ((FOptions & soFilters) && values.Value(QStringLiteral("Filters")))
        if (const QStringList filters = FilterLines(FLayout); !SameLines(filters, FGrid->FilterGrid()->GetSettings()))
            ApplyFilters(filters);
    DoLayout(FLayout, true);
}

// The filter lines of a layout. When the dataset refuses them, the entries it
// takes one by one are applied; when it takes none, the filters the grid had
// stay.
void TZDBGridSettings::ApplyFilters(const QStringList& Lines)
{
    TZDBGridFilter* filter = FGrid->FilterGrid();
    const QStringList previous = filter->GetSettings();
    try {
        filter->SetSettings(Lines);
        return;
    } catch (const EDatabaseError&) {
    }
    const TZNameValues values(Lines);
    const qsizetype count =
        std::min<qsizetype>(SettingsInt(values.Value(QStringLiteral("Filters")).value_or(QString())).value_or(0),
                            Lines.size());
    const auto filterLines = [](const QStringList& Entries) {
        QStringList lines{QStringLiteral("Filters=%1").arg(Entries.size())};
        for (qsizetype i = 0; i < Entries.size(); ++i)
            lines << QStringLiteral("Filter%1=").arg(i + 1) + Entries[i];
        return lines;
    };
    QStringList accepted;
    for (qsizetype i = 1; i <= count; ++i) {
        const auto entry = values.Value(QStringLiteral("Filter%1").arg(i));
        if (!entry)
            continue;
        try {
            filter->SetSettings(filterLines(accepted + QStringList{*entry}));
            accepted << *entry;
        } catch (const EDatabaseError&) {
        }
    }
    filter->SetSettings(accepted.isEmpty() ? previous : filterLines(accepted));
}

void TZDBGridSettings::DoLayout(QStringList& List, bool Loading)
{
    if (FGrid && FGrid->OnLayout)
        FGrid->OnLayout(FGrid, List, Loading);
}

// ---- The store ------------------------------------------------------------------------------

std::unique_ptr<TZSettingsStore> TZDBGridSettings::CreateIniFile()
{
    const QString name = FFileName.isEmpty() ? GetDefaultFileName() : FFileName;
    return FIniFile ? TZSettingsStore::CreateIniFile(name) : TZSettingsStore::CreateNative(name);
}

template <typename F>
auto TZDBGridSettings::WithStore(TZSettingsStore* Store, F&& Work)
{
    std::unique_ptr<TZSettingsStore> own;
    if (!Store) {
        own = CreateIniFile();
        Store = own.get();
    }
    return Work(*Store);
}

void TZDBGridSettings::ReadLayout(TZSettingsStore* Store)
{
    FLayout.clear();
    const QString section = GetSection();
    if (section.isEmpty())
        return;
    FLayout = WithStore(Store, [&](TZSettingsStore& S) { return S.ReadSection(section); });
}

void TZDBGridSettings::StoreLayout(TZSettingsStore* Store)
{
    const QString section = GetSection();
    if (section.isEmpty())
        return;
    WithStore(Store, [&](TZSettingsStore& S) { S.WriteSection(section, FLayout); });
}

void TZDBGridSettings::LoadLayout(TZSettingsStore* Store)
{
    if (GetSection().isEmpty())
        return;
    ReadLayout(Store);
    ApplyLayout();
}

void TZDBGridSettings::SaveLayout(TZSettingsStore* Store)
{
    if (GetSection().isEmpty())
        return;
    // The store is checked before the layout is built, so that nothing runs
    // for a store that cannot be opened.
    WithStore(Store, [&](TZSettingsStore& S) {
        GetLayout();
        StoreLayout(&S);
    });
}

void TZDBGridSettings::EraseLayout(TZSettingsStore* Store)
{
    const QString section = GetSection();
    if (section.isEmpty())
        return;
    WithStore(Store, [&](TZSettingsStore& S) { S.EraseSection(section); });
}

bool TZDBGridSettings::LayoutExists(TZSettingsStore* Store)
{
    const QString section = GetSection();
    if (section.isEmpty())
        return false;
    return WithStore(Store, [&](TZSettingsStore& S) { return S.SectionExists(section); });
}

void TZDBGridSettings::AutoLoadLayout()
{
    if (!FGrid || FGrid->IsDesigning() || GetSection().isEmpty())
        return;
    if (!(FOptions & soUserSettings)) {
        if (FOptions & soLoadLayout)
            LoadLayout();
        return;
    }
    ReadLayout();
    const TZNameValues values = OptionValues(FLayout);
    if (const auto on = LayoutFlag(values, QStringLiteral("AutoLoadLayout")))
        FOptions.setFlag(soLoadLayout, *on);
    if (const auto on = LayoutFlag(values, QStringLiteral("AutoSaveLayout")))
        FOptions.setFlag(soSaveLayout, *on);
    if (FOptions & soLoadLayout)
        ApplyLayout();
}

void TZDBGridSettings::AutoSaveLayout()
{
    if (!FGrid || FGrid->IsDesigning() || GetSection().isEmpty())
        return;
    if ((FOptions & soUserSettings) && !(FOptions & soSaveLayout)) {
        // Only the user's two choices change; the rest of the stored layout stays.
        WithStore(nullptr, [&](TZSettingsStore& S) {
            ReadLayout(&S);
            SetLine(FLayout, QStringLiteral("AutoLoadLayout"), SettingsFlag(FOptions & soLoadLayout));
            SetLine(FLayout, QStringLiteral("AutoSaveLayout"), SettingsFlag(FOptions & soSaveLayout));
            StoreLayout(&S);
        });
    } else if (FOptions & soSaveLayout) {
        SaveLayout();
    }
}

// ---- Plain text files -----------------------------------------------------------------------

void TZDBGridSettings::LoadLayoutFromFile(const QString& FileName)
{
    SetLayout(ReadTextLines(FileName));
}

void TZDBGridSettings::SaveLayoutToFile(const QString& FileName)
{
    WriteTextLines(FileName, GetLayout());
}

void TZDBGridSettings::LoadColumnsFromFile(const QString& FileName)
{
    if (FGrid)
        FGrid->Columns()->SetSettings(ReadTextLines(FileName));
}

void TZDBGridSettings::SaveColumnsToFile(const QString& FileName)
{
    if (FGrid)
        WriteTextLines(FileName, FGrid->Columns()->GetSettings());
}

void TZDBGridSettings::LoadFiltersFromFile(const QString& FileName)
{
    if (!FGrid)
        return;
    const QStringList lines = ReadTextLines(FileName);
    if (TZNameValues(lines).Value(QStringLiteral("Filters")))
        ApplyFilters(lines);
}

void TZDBGridSettings::SaveFiltersToFile(const QString& FileName)
{
    if (FGrid)
        WriteTextLines(FileName, FGrid->FilterGrid()->GetSettings());
}

} // namespace zdb
