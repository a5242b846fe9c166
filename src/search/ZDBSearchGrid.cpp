// The grid's side of the search: one search run over the records
// (SearchCell), the search with its wrap-around and messages (SearchGrid), the
// search filter's record test, the panel's place in the grid, and the hit that
// the text layout records and the cell drawing paints.

#include "ZDBSearch.h"

#include "SysUtils.h"
#include "ZDBGrids.h"
#include "ZDBTranslate.h"
#include "ZQSGraph.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace zdb {

// ---- Searching ----------------------------------------------------------------------

bool TZCustomDBGrid::SearchCell(TZSearchMode Mode, const QString& Text, TZSearchOptions Options)
{
    if (Text.isEmpty() || !FDataLink || !FDataLink->Active() || !FColumns)
        return false;
    TDataSet* dataSet = DataSet();
    if (!dataSet || dataSet->IsEmpty())
        return false;
    const int count = FColumns->Count();
    const bool currentCol = Options & soCurrentCol;
    const int selected = SelectedIndex();
    const bool rowSelect = FOptions & dgRowSelect;
    // The columns searched, fixed for the walk.
    std::vector<TZColumn*> columns(size_t(count), nullptr);
    for (int col = 0; col < count; ++col)
        if ((*FColumns)[col]->Showing())
            columns[size_t(col)] = (*FColumns)[col];
    auto showing = [&](int Col) { return Col >= 0 && Col < count && columns[size_t(Col)]; };
    auto matches = [&](int Col) { return Match(Text, columns[size_t(Col)]->GetDisplayText(), Options) > 0; };
    // The columns of the record from Start on (Step 1) or back (Step -1), or the
    // selected one alone with soCurrentCol: the first that matches, else -1.
    auto testRecord = [&](int Start, int Step) {
        if (currentCol)
            return showing(selected) && matches(selected) ? selected : -1;
        for (int col = Start; col >= 0 && col < count; col += Step)
            if (showing(col) && matches(col))
                return col;
        return -1;
    };

    int found = -1;
    {
        TZPositionGuard position(this);
        const bool forward = Mode == smFirst || Mode == smNext;
        int start = forward ? 0 : count - 1;
        bool any = true;
        switch (Mode) {
        case smFirst: dataSet->First(); break;
        case smLast: dataSet->Last(); break;
        case smNext:
            if (currentCol)
                any = dataSet->MoveBy(1) != 0;
            else
                start = rowSelect ? count : selected + 1;
            break;
        case smPrev:
            if (currentCol)
                any = dataSet->MoveBy(-1) != 0;
            else
                start = rowSelect ? -1 : std::min(selected - 1, count - 1);
            break;
        }
        // A move that stops at either end of the data leaves nothing to test.
        while (any) {
            found = testRecord(start, forward ? 1 : -1);
            if (found >= 0)
                break;
            start = forward ? 0 : count - 1;
            any = dataSet->MoveBy(forward ? 1 : -1) != 0;
        }
        position.SetKeepCurrent(found >= 0);
    }
    if (found < 0)
        return false;
    MoveCol(DataToRawColumn(found), 1);
    return true;
}

bool TZCustomDBGrid::SearchGrid(TZSearchMode Mode)
{
    if (!FSearch || FSearch->GetText().isEmpty())
        return false;
    const QString text = FSearch->GetText();
    const TZSearchOptions options = FSearch->GetOptions();
    bool found = false;
    TDataSet* dataSet = DataSet();
    if (FDataLink && FDataLink->Active() && dataSet) {
        found = SearchCell(Mode, text, options);
        if (!found && (Mode == smNext || Mode == smPrev) && !dataSet->IsEmpty()) {
            if (!(options & soWrapAround)) {
                if ((options & soSkipMessage) || !FSearch->AskRestart())
                    return false;
            }
            found = SearchCell(Mode == smNext ? smFirst : smLast, text, options);
        }
    }
    if (!found && !(options & soSkipMessage))
        FSearch->ShowNotFound(text);
    return found;
}

void TZCustomDBGrid::SearchAgain(bool FromFirst)
{
    const TShiftState shift = FKeyShift;
    SearchGrid(FromFirst || (shift & ssCtrl) ? smFirst
               : (shift & ssShift)           ? smPrev
               : (shift & ssAlt)             ? smLast
                                             : smNext);
}

bool TZCustomDBGrid::SearchRecordRejected(TDataSet* /*DataSet*/) const
{
    if (!FSearch)
        return false;
    const QString text = FSearch->GetText();
    const TZSearchOptions options = FSearch->GetOptions();
    if (options & soCurrentCol) {
        const TZColumn* column = SelectedColumn();
        return !column || Match(text, column->GetDisplayText(), options) == 0;
    }
    return std::none_of(FShowingColumns.begin(), FShowingColumns.end(), [&](const TZColumn* column) {
        return Match(text, column->GetDisplayText(), options) > 0;
    });
}

void TZCustomDBGrid::SearchColExit()
{
    if (!FSearch || !FSearch->GetVisible() || !(FSearch->GetOptions() & soCurrentCol))
        return;
    FSearch->SetText(QString());
    InvalidateCol(GetCol());
}

bool TZDBGridSearch::AskRestart()
{
    QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(),
                    Tr(SSearchMatchNotFound).replace(QLatin1Char('\r'), QLatin1Char('\n')),
                    QMessageBox::Yes | QMessageBox::No, FGrid ? FGrid->window() : nullptr);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TZDBGridSearch::ShowNotFound(const QString& Text)
{
    QMessageBox box(QMessageBox::Information, QApplication::applicationDisplayName(),
                    Format(Tr(SSearchStringNotFound), {Text}), QMessageBox::Ok, FGrid ? FGrid->window() : nullptr);
    box.exec();
}

// ---- The panel's place ----------------------------------------------------------------

TZSearchPanelClass TZCustomDBGrid::GetSearchPanelClass() const
{
    return [](TZCustomDBGrid* Grid, TZDBGridSearchPanel::TCloseEvent OnClose) {
        return new TZDBGridSearchPanel(Grid, std::move(OnClose));
    };
}

void TZCustomDBGrid::ShowSearchPanel()
{
    if (!FSearch || IsLoading() || IsDesigning() || IsDestroying())
        return;
    TZDBGridSearch& search = *FSearch;
    if (!search.FPanel) {
        // A child of the grid from here on.
        search.FPanel = GetSearchPanelClass()(this, [this] { CloseSearchPanel(); });
    }
    HideEditor();
    search.FPanelVisible = true;
    UpdateSearchPanel();
    search.FPanel->show();
    if (isVisible() && window()->isActiveWindow())
        search.FPanel->SetFocus();
    AlwaysShowEditor();
}

void TZCustomDBGrid::CloseSearchPanel()
{
    if (!FSearch)
        return;
    FSearch->FPanelVisible = false;
    FSearch->FPanelHeight = 0;
    TZDBGridSearchPanel* panel = FSearch->FPanel;
    if (!panel)
        return;
    FSearch->FPanel = nullptr;
    const bool hadFocus = panel->isAncestorOf(QApplication::focusWidget());
    panel->hide();
    // Later: the panel may be closing itself from one of its own handlers.
    panel->deleteLater();
    UpdateSearchPanel();
    if (hadFocus)
        AcquireFocus();
}

void TZCustomDBGrid::UpdateSearchPanel()
{
    TZDBGridSearchPanel* panel = FSearch ? FSearch->Panel() : nullptr;
    if (panel) {
        // The panel follows the grid's resolution; its height with it.
        panel->ScaleForPPI(CurrentPPI());
        FSearch->FPanelHeight = panel->PanelHeight();
    }
    const int height = panel ? std::clamp(FSearch->FPanelHeight, 0, contentsRect().height()) : 0;
    const bool top = panel && FSearch->GetPanelOnTop() && FGridStyle && FGridStyle->GetVisualStyle() != vsCustom;
    const QMargins margins(0, top ? height : 0, 0, top ? 0 : height);
    if (viewportMargins() != margins)
        setViewportMargins(margins);
    if (!panel)
        return;
    const QRect view = viewport()->geometry();
    panel->setGeometry(view.left(), top ? view.top() - height : view.bottom() + 1, view.width(), height);
}

int TZCustomDBGrid::GetSearchPanelHeight() const
{
    return FSearch && FSearch->Panel() ? FSearch->FPanelHeight : 0;
}

bool TZCustomDBGrid::GetSearchPanelFocused() const
{
    const TZDBGridSearchPanel* panel = FSearch ? FSearch->Panel() : nullptr;
    return panel && panel->isAncestorOf(QApplication::focusWidget());
}

bool TZCustomDBGrid::GetSearchPanelVisible() const
{
    const TZDBGridSearchPanel* panel = FSearch ? FSearch->Panel() : nullptr;
    return panel && !panel->isHidden();
}

// ---- The painted hit --------------------------------------------------------------------

void TZCustomDBGrid::SearchHitLine(QPainter& Canvas, const QRect& ARect, int Line, const QString& Text, int X,
                                   int Top, int LineHeight) const
{
    if (!FSearch)
        return;
    TZDBGridSearch::THit& hit = FSearch->FHit;
    if (Line == 0)
        hit = TZDBGridSearch::THit();
    if (hit.Valid || !FSearch->GetVisible() || FSearch->ColorValue() == clNone)
        return;
    const QString& search = FSearch->GetText();
    const int at = Match(search, Text, FSearch->GetOptions());
    if (at <= 0)
        return;
    const QFontMetrics metrics(Canvas.font());
    hit.Valid = true;
    hit.Text = Text.mid(at - 1, search.size());
    const int left = X + metrics.horizontalAdvance(Text.left(at - 1));
    hit.Rect = QRect(left, Top, std::max(metrics.horizontalAdvance(hit.Text) - 1, 1), LineHeight);
    hit.Origin = QPoint(left, Top + metrics.ascent());
    hit.Clip = ARect;
}

void TZCustomDBGrid::PaintSearchHit(QPainter& Canvas, int DataCol)
{
    if (!FSearch)
        return;
    const TZDBGridSearch::THit hit = std::exchange(FSearch->FHit, TZDBGridSearch::THit());
    if (!hit.Valid || !FSearch->GetActive() || FSearch->GetText().isEmpty() ||
        ((FSearch->GetOptions() & soCurrentCol) && DataCol != SelectedIndex()))
        return;
    TCanvasState state(Canvas);
    Canvas.setClipRect(hit.Clip, Qt::IntersectClip);
    const QColor back = ToQColor(FSearch->ColorValue());
    Canvas.fillRect(hit.Rect, back);
    // The cell's ink when it reads on the hit colour (a dark palette's light
    // text does not), else the palette's text or black or white.
    Canvas.setPen(ReadableColor(back, Canvas.pen().color(), palette().color(QPalette::Text)));
    Canvas.drawText(hit.Origin, hit.Text);
}

} // namespace zdb
