// The grid's own vertical scroll bar. The base grid's rows never scroll (the
// data link's window moves through the dataset instead), so the bar describes
// the record position: the record number and count of a dataset that numbers
// its records, the grid's own numbering under dgForceSequence, or, for a
// dataset that cannot number them, five coarse steps (first, a page back,
// here, a page on, last). Nothing is walked to place the thumb: the numbers
// come from the dataset (a query asks its server) or from the grid's count.
//
// The bar's requests move the record: lines and pages through the link, the
// thumb to a record number, top and bottom to the first and last record; in
// scroll-grid mode the rows move under a fixed cursor (MoveBy in rows mode).
//
// The bar is described as minimum, maximum, page and position (TScrollInfo);
// with a page the thumb is proportional and the bar scrolls from the minimum
// to maximum - page + 1, which is what the QScrollBar is given.

#include "ZDBGrids.h"

#include "AppExceptions.h"
#include "Classes.h"

#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace zdb {

namespace {

bool HasVertical(TScrollStyle Style)
{
    return Style == ssVertical || Style == ssBoth;
}

bool HasHorizontal(TScrollStyle Style)
{
    return Style == ssHorizontal || Style == ssBoth;
}

// The flat bars: a plain groove (Groove: a colour or a palette role), a flat
// thumb and flat arrow buttons of the platform's size; HotTrack lights the
// thumb and the buttons under the pointer.
QString FlatScrollBarSheet(const QString& Groove, int Extent, bool HotTrack)
{
    QString sheet = QStringLiteral(
        "QScrollBar { background: %1; border: none; }"
        "QScrollBar:vertical { width: %2px; margin: %2px 0 %2px 0; }"
        "QScrollBar:horizontal { height: %2px; margin: 0 %2px 0 %2px; }"
        "QScrollBar::handle { background: palette(mid); border: none; }"
        "QScrollBar::handle:vertical { min-height: %2px; }"
        "QScrollBar::handle:horizontal { min-width: %2px; }"
        "QScrollBar::add-page, QScrollBar::sub-page { background: none; }"
        "QScrollBar::add-line, QScrollBar::sub-line { background: palette(button); border: none;"
        " subcontrol-origin: margin; }"
        "QScrollBar::add-line:vertical { height: %2px; subcontrol-position: bottom; }"
        "QScrollBar::sub-line:vertical { height: %2px; subcontrol-position: top; }"
        "QScrollBar::add-line:horizontal { width: %2px; subcontrol-position: right; }"
        "QScrollBar::sub-line:horizontal { width: %2px; subcontrol-position: left; }")
                        .arg(Groove)
                        .arg(Extent);
    if (HotTrack)
        sheet += QStringLiteral("QScrollBar::handle:hover, QScrollBar::add-line:hover, QScrollBar::sub-line:hover"
                                " { background: palette(highlight); }");
    return sheet;
}

// The dataset's record count when it numbers its records, else -1 (a query
// whose client-side filter has not seen every row cannot count them).
int NumberedCount(const TDataSet* DataSet)
{
    return DataSet->IsSequenced() ? DataSet->RecordCount() : -1;
}

} // namespace

// ---- TZScrollProp -------------------------------------------------------------------

void TZScrollProp::SetAutoHidden(TScrollStyle Value)
{
    if (Value == FAutoHidden)
        return;
    FAutoHidden = Value;
    Changed();
}

void TZScrollProp::SetColor(TColor Value)
{
    if (Value == FColor && !FParentColor)
        return;
    FColor = Value;
    FParentColor = false;
    Changed();
}

void TZScrollProp::SetParentColor(bool Value)
{
    if (Value == FParentColor)
        return;
    FParentColor = Value;
    Changed();
}

void TZScrollProp::SetStyle(TScrollBarStyle Value)
{
    if (Value == FStyle && !FParentStyle)
        return;
    FStyle = Value;
    FParentStyle = false;
    Changed();
}

void TZScrollProp::SetParentStyle(bool Value)
{
    if (Value == FParentStyle)
        return;
    FParentStyle = Value;
    Changed();
}

void TZScrollProp::SetThumbBar(TScrollStyle Value)
{
    if (Value == FThumbBar)
        return;
    FThumbBar = Value;
    Changed();
}

void TZScrollProp::SetWinXPMode(bool Value)
{
    if (Value == FWinXPMode)
        return;
    FWinXPMode = Value;
    Changed();
}

void TZScrollProp::Changed()
{
    if (!FGrid)
        return;
    FGrid->UpdateScrollBarLook();
    FGrid->UpdateScrollBar();
}

void TZCustomDBGrid::UpdateScrollBarLook()
{
    if (!FScrollProp)
        return;
    // WinXPMode keeps the platform's own bars whatever the style.
    QString sheet;
    if (FScrollProp->GetStyle() != ssRegular && !FScrollProp->GetWinXPMode()) {
        const QString groove = FScrollProp->GetParentColor() ? QStringLiteral("palette(window)")
                                                             : ToQColor(FScrollProp->GetColor()).name();
        sheet = FlatScrollBarSheet(groove, style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this),
                                   FScrollProp->GetStyle() == ssHotTrack);
    }
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()})
        if (bar->styleSheet() != sheet)
            bar->setStyleSheet(sheet);
    // The horizontal bar stays (disabled) while it cannot scroll unless it hides itself.
    if (HasHorizontal(FScrollBarsValue))
        setHorizontalScrollBarPolicy(HasHorizontal(FScrollProp->GetAutoHidden()) ? Qt::ScrollBarAsNeeded
                                                                                  : Qt::ScrollBarAlwaysOn);
}

// ---- Scroll modes -------------------------------------------------------------------

bool TZCustomDBGrid::ScrollGridMode() const
{
    return (FOptionsExt & dgScrollGridMode) && (FOptions & dgForceSequence) && FDataLink && FDataLink->Active();
}

bool TZCustomDBGrid::ScrollPageMode() const
{
    return (FOptionsExt & dgScrollPageMode) && ScrollGridMode();
}

int TZCustomDBGrid::MoveBy(int Distance, bool RowsMode)
{
    if (!FDataLink || !FDataLink->Active() || Distance == 0)
        return 0;
    TDataSet* dataSet = FDataLink->DataSet();
    if (ScrollGridMode()) {
        // The page stays inside the count: back at most to the top of the
        // data, on at most until the last page is full; from the first or the
        // last record one step goes on.
        const int number = FForcedRecNumber + FRecordOffset;
        const int top = number - FDataLink->ActiveRecord();
        if (Distance < 0)
            Distance = number <= 1 ? -1 : std::max(Distance, std::min(1 - top, 0));
        else
            Distance = number >= FForcedRecCount
                           ? 1
                           : std::min(Distance, std::max(FForcedRecCount - VisibleRowCount() + 1 - top, 0));
        if (Distance == 0)
            return 0;
        RowsMode = true;
    }
    if (!RowsMode)
        return FDataLink->MoveBy(Distance);

    // The records move under the cursor: the new record comes back on the
    // screen row of the old one.
    dataSet->CheckBrowseMode();
    HideEditor();
    int moved = 0;
    {
        TCountGuard cancel(FCancelCount);
        TZPositionGuard position(this, true);
        moved = FDataLink->MoveBy(Distance);
        SetupRecNumber(FForcedRecNumber + moved);
    }
    if (dataSet->Bof())
        dataSet->Prior();
    else if (dataSet->Eof())
        dataSet->Next();
    AlwaysShowEditor();
    return moved;
}

// ---- The bar ------------------------------------------------------------------------

TZCustomDBGrid::TScrollInfo TZCustomDBGrid::CalcVertScrollInfo(bool& Hide)
{
    TDataSet* dataSet = FDataLink->DataSet();
    const int rows = VisibleRowCount();
    const bool proportional = HasVertical(FScrollProp->GetThumbBar());
    const bool autoHidden = HasVertical(FScrollProp->GetAutoHidden());
    const bool inserting = dataSet->State() == dsInsert;
    TScrollInfo info;
    info.Pos = FVertScrollInfo.Pos; // kept while a record is being inserted
    Hide = false;

    if ((FOptions & dgForceSequence) && FDataLink->Active()) {
        const int count = FForcedRecCount;
        const bool page = ScrollPageMode();
        const bool grid = ScrollGridMode();
        const int pages = (count + rows - 1) / rows;
        info.Min = 1;
        if (proportional) {
            info.Page = rows;
            info.Max = page ? pages + rows - 1 : grid ? count : count + rows - 1;
        } else {
            info.Max = page ? pages : grid ? count - rows + 1 : count;
        }
        if (!inserting) {
            // The record number is the forced number plus the counted offset.
            if (dataSet->Bof())
                FForcedRecNumber = std::min(count, 1) - FRecordOffset;
            else if (dataSet->Eof())
                FForcedRecNumber = count - FRecordOffset;
            const int number = FForcedRecNumber + FRecordOffset;
            const int top = number - FDataLink->ActiveRecord();
            info.Pos = page ? (top + 2 * rows - 2) / rows : grid ? top : number;
        }
        if (autoHidden && count <= rows) {
            Hide = true;
            return {1, 1, 1, 1};
        }
    } else if (const int count = FCountNow || dataSet->IsRecordCountKnown() || !ScheduleRecordCount()
                                     ? NumberedCount(dataSet)
                                     : -1;
               count >= 0) {
        info.Min = 1;
        info.Page = proportional ? rows : 0;
        info.Max = proportional ? count + rows - 1 : count;
        if (!inserting)
            info.Pos = dataSet->RecNo();
        if (autoHidden && count <= rows) {
            Hide = true;
            return {1, 1, 1, 1};
        }
    } else {
        // Five steps: the thumb is at the top on the first record, at the
        // bottom on the last, in the middle elsewhere.
        info.Min = 0;
        info.Page = proportional ? 2 : 0;
        info.Max = proportional ? 5 : 4;
        info.Pos = dataSet->Bof() ? 0 : dataSet->Eof() ? info.Max : 2;
        const int fit = RowHeight() > 0 ? (viewport()->height() - TitleHeight() - TotalHeight()) / RowHeight() : 0;
        if (autoHidden && rows < fit) {
            info.Max = info.Min;
            Hide = true;
        }
        return info;
    }
    // A bar that cannot scroll stays, disabled, unless it hides itself.
    if (info.Min >= info.Max && !autoHidden)
        info.Max = info.Min + 1;
    return info;
}

void TZCustomDBGrid::WriteVertScrollBar(const TScrollInfo& Info, bool Hide, bool Force)
{
    QScrollBar* bar = verticalScrollBar();
    const int last = std::max(Info.Min, Info.Page > 0 ? Info.Max - Info.Page + 1 : Info.Max);
    const int value = std::clamp(Info.Pos, Info.Min, last);
    const Qt::ScrollBarPolicy policy = Hide ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn;
    const bool same = Info == FVertScrollInfo && Hide == FVertScrollHidden && bar->minimum() == Info.Min &&
                      bar->maximum() == last && bar->value() == value && verticalScrollBarPolicy() == policy;
    FVertScrollInfo = Info;
    FVertScrollHidden = Hide;
    if (same && !Force) {
        if (bar->isVisible())
            bar->update();
        return;
    }
    bar->setRange(Info.Min, last);
    bar->setPageStep(Info.Page);
    bar->setSingleStep(1);
    bar->setValue(value);
    bar->setEnabled(last > Info.Min);
    // Showing or hiding the bar resizes the viewport, which asks for the bar
    // again (resizeEvent): SyncVertScrollBar repeats until it is stable.
    if (verticalScrollBarPolicy() != policy)
        setVerticalScrollBarPolicy(policy);
}

void TZCustomDBGrid::SyncVertScrollBar(bool Force)
{
    if (!FScrollProp || IsDestroying())
        return; // still being made, or going
    if (FScrollBarUpdating > 0) {
        FScrollBarAgain = true;
        return;
    }
    TCountGuard updating(FScrollBarUpdating);
    for (int pass = 0; pass < 4; ++pass) {
        FScrollBarAgain = false;
        if (!HasVertical(FScrollBarsValue)) {
            WriteVertScrollBar({1, 1, 1, 1}, true, Force);
        } else if (!HandleAllocated()) {
            return;
        } else if (!FDataLink || !FDataLink->Active()) {
            // Without records the bar stays empty, or hides itself.
            WriteVertScrollBar({0, 0, 0, 0}, HasVertical(FScrollProp->GetAutoHidden()), Force);
        } else {
            bool hide = false;
            const TScrollInfo info = CalcVertScrollInfo(hide);
            WriteVertScrollBar(info, hide, Force);
        }
        if (!FScrollBarAgain)
            return;
    }
}

bool TZCustomDBGrid::ScheduleRecordCount()
{
    if (IsDesigning() || IsDestroying() || !isVisible() || !FDataLink->DataSet()->IsSequenced())
        return false;
    if (!FCountTimer) {
        FCountTimer = new QTimer(this);
        FCountTimer->setSingleShot(true);
        connect(FCountTimer, &QTimer::timeout, this, [this] { GuardEvent(this, [this] { RunPendingRecordCount(); }); });
    }
    if (!FCountTimer->isActive())
        FCountTimer->start(std::max(DelayInterval, 0));
    return true;
}

void TZCustomDBGrid::RunPendingRecordCount()
{
    if (FCountTimer)
        FCountTimer->stop();
    QScopedValueRollback<bool> now(FCountNow, true);
    SyncVertScrollBar(true);
}

void TZCustomDBGrid::UpdateScrollBar()
{
    SyncVertScrollBar(false);
}

void TZCustomDBGrid::UpdateScrollRange()
{
    TCustomGrid::UpdateScrollRange();
    // A thumb of fixed size where ThumbBar leaves the horizontal bar out.
    if (FScrollProp && !HasHorizontal(FScrollProp->GetThumbBar()))
        horizontalScrollBar()->setPageStep(0);
    // The base grid does not own the vertical bar and empties it: put back
    // what this grid wrote (at once, or by the next pass of a bar update).
    if (!FScrollProp)
        return;
    if (FScrollBarUpdating > 0)
        FScrollBarAgain = true;
    else
        WriteVertScrollBar(FVertScrollInfo, FVertScrollHidden || !HandleAllocated(), true);
}

// ---- Requests -----------------------------------------------------------------------

void TZCustomDBGrid::WMVScroll(TScrollCode Code, int Pos)
{
    if (Code == scEndScroll || !AcquireFocus() || !FDataLink || !FDataLink->Active())
        return;
    if (Code == scThumbTrack && !(FOptions & dgThumbTracking))
        return; // the thumb stays where the user holds it until it is released
    // The bar has not its range yet: it gets it now, and the thumb moves from there.
    if ((Code == scThumbTrack || Code == scThumbPosition) && RecordCountPending()) {
        RunPendingRecordCount();
        return;
    }
    // The bar moved its thumb itself: it shows the record position again when
    // the request is done, also when the move failed.
    struct TSyncBar {
        TZCustomDBGrid* Grid;
        TBracketEnd End;
        ~TSyncBar() noexcept(false)
        {
            End([this] { Grid->SyncVertScrollBar(true); });
        }
    } sync{this, {}};
    {
        TCountGuard cancel(FCancelCount);
        if (ScrollGridMode()) {
            ScrollGridRequest(Code, Pos);
        } else {
            TDataSet* dataSet = FDataLink->DataSet();
            const int rows = VisibleRowCount();
            switch (Code) {
            case scLineUp: FDataLink->MoveBy(-FDataLink->ActiveRecord() - 1); break;
            case scLineDown: FDataLink->MoveBy(FDataLink->RecordCount() - FDataLink->ActiveRecord()); break;
            case scPageUp: FDataLink->MoveBy(-rows); break;
            case scPageDown: FDataLink->MoveBy(rows); break;
            case scThumbPosition:
            case scThumbTrack:
                if (const int count = (FOptions & dgForceSequence) ? RecCount() : NumberedCount(dataSet);
                    count >= 0) {
                    if (Pos <= 1)
                        dataSet->First();
                    else if (Pos < count)
                        SetRecNumber(Pos);
                    else
                        dataSet->Last();
                } else {
                    switch (Pos) {
                    case 0: dataSet->First(); break;
                    case 1: FDataLink->MoveBy(-rows); break;
                    case 3: FDataLink->MoveBy(rows); break;
                    case 4: dataSet->Last(); break;
                    default: break;
                    }
                }
                break;
            case scTop: dataSet->First(); break;
            case scBottom: dataSet->Last(); break;
            case scEndScroll: break;
            }
        }
    }
}

void TZCustomDBGrid::ScrollGridRequest(TScrollCode Code, int Pos)
{
    const int rows = VisibleRowCount();
    const int number = FForcedRecNumber + FRecordOffset;
    const int top = number - FDataLink->ActiveRecord();
    switch (Code) {
    case scLineUp: MoveBy(-1); break;
    case scLineDown: MoveBy(1); break;
    case scPageUp: MoveBy(-rows); break;
    case scPageDown: MoveBy(rows); break;
    case scThumbPosition:
    case scThumbTrack:
        if (Pos <= 1)
            MoveBy(1 - number);
        else if (Pos < RecCount() - rows + 1)
            MoveBy((ScrollPageMode() ? (Pos - 1) * rows + 1 : Pos) - top);
        else
            MoveBy(FForcedRecCount - number);
        break;
    case scTop: MoveBy(1 - number); break;
    case scBottom: MoveBy(FForcedRecCount - number); break;
    case scEndScroll: break;
    }
}

} // namespace zdb
