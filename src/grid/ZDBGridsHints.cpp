// Tool tips over the grid's cells and the input method.
//
// A tool-tip request over the viewport asks CellHint, which looks at the cell
// under the pointer as HintOptions allow:
// - a data cell: with hoShowToolTips (and the column's ToolTips) its whole text
//   when it does not fit the cell (always with hoAlwaysShowToolTips); else the
//   column's Hint with hoDataHints; else, with hoShowDataHints, its text. A
//   picture or binary field shows no text unless hoAllowForGraphics;
// - a title: the title's Hint with hoTitleHints, else with hoShowTitleHints
//   its caption when it does not fit; a header band likewise its band of
//   HeaderHint, else its text;
// - a total: the total's Hint with hoTotalHints, else with hoShowTotalToolTips
//   (and the total's ToolTips) its text when it does not fit, else with
//   hoShowTotalHints its text;
// - the corner and the indicator: FillerHint and IndicatorHint.
// OnCellHint may change the text. The tip stays while the pointer is in the
// cell; with hoKeepShowToolTips it does not time out. Without a cell hint the
// grid's own Hint shows. Over the in-place editor the column's EditorHint
// shows with hoEditorHints, else with hoShowEditorHints its text when it does
// not fit.
//
// The input method follows the selected column's ImeMode on the grid and its
// editor: imDisable switches it off, imClose and the alphanumeric modes ask
// for Latin input (Qt::ImhPreferLatin), the other modes leave the choice to
// the platform's input method. ImeName is kept for the application: Qt picks
// the input method for the whole system, not per widget. Text an input
// method commits on the grid itself is typed like characters, so that it
// opens the editor (or goes to the incremental search) as keys do.

#include "ZDBGrids.h"

#include "AppExceptions.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QToolTip>

#include <algorithm>
#include <limits>

namespace zdb {

namespace {

// Whether Text drawn with Font inside Rect (less Margin on every side) shows
// whole: no line wider than the room, no more lines than fit.
bool TextFits(const QFont& Font, const QRect& Rect, int Margin, const QString& Text, bool WordWrap)
{
    const QFontMetrics fm(Font);
    const int width = Rect.width() - 2 * Margin;
    if (width <= 0)
        return Text.isEmpty();
    const int lines = std::max(1, (Rect.height() - 2 * Margin + 1) / std::max(fm.height(), 1));
    const QRect needed = fm.boundingRect(QRect(0, 0, width, std::numeric_limits<int>::max() / 2),
                                         Qt::AlignLeft | Qt::AlignTop | (WordWrap ? Qt::TextWordWrap : 0), Text);
    return needed.width() <= width && needed.height() <= lines * fm.lineSpacing();
}

Qt::InputMethodHints ImeHints(TImeMode Mode)
{
    switch (Mode) {
    case imClose:
    case imSAlpha:
    case imAlpha: return Qt::ImhPreferLatin;
    default: return Qt::ImhNone;
    }
}

} // namespace

// ---- Cell hints ----------------------------------------------------------------------

QString TZCustomDBGrid::CellHint(const QPoint& Pos, THintCell& Kind, QRect& Rect)
{
    Kind = hcData;
    Rect = QRect();
    const TGridCoord cell = TCustomGrid::MouseCoord(Pos.x(), Pos.y());
    if (cell.X < 0 || cell.Y < 0 || !FColumns)
        return QString();
    Rect = CellRect(cell.X, cell.Y);
    const bool indicator = cell.X < FIndicatorOffset;
    const int firstBottom = GetRowCount() - FBottomRowCount;
    const auto has = [this](TZHintOption Option) { return FHintOptions.testFlag(Option); };
    TZColumn* column = indicator ? nullptr : ColumnOfRaw(cell.X);
    QString hint;
    if (cell.Y < FTitleRowCount) {
        if (indicator) {
            Kind = hcFiller;
            hint = FFillerHint;
        } else if (column) {
            TZColumn* master = nullptr;
            const QRect title = CalcTitleRect(column, cell.Y, master);
            column = master ? master : column;
            if (const int band = HeaderRow(Pos.y(), column); band >= 0) {
                Kind = hcHeader;
                Rect = HeaderRect(column, band, title);
                if (has(hoTitleHints))
                    hint = column->Title()->HeaderHintBand(band);
                const QString text = HeaderTexts(column).value(band);
                if (hint.isEmpty() && has(hoShowTitleHints) && !TextFits(FHeaderFont, Rect, 2, text, false))
                    hint = text;
            } else {
                Kind = hcTitle;
                Rect = TitleCaptionRect(column, cell.Y, title);
                if (has(hoTitleHints))
                    hint = column->Title()->GetHint();
                // The auto-filter button and the sort marker take room from the caption.
                QRect room = Rect;
                room.setRight(room.right() - AutoFilterButtonRect(column, Rect).width());
                if (column->Title()->GetMarker() != tmNone)
                    room.setRight(room.right() - ScaleValue(16));
                const QString caption = column->Title()->GetCaption();
                if (hint.isEmpty() && has(hoShowTitleHints) &&
                    !TextFits(column->Title()->GetFont(), room, FGridStyle->TitleColMargin() + 1, caption,
                              column->Title()->GetWordWrap()))
                    hint = caption;
            }
        }
    } else if (cell.Y >= firstBottom) {
        const int index = cell.Y - firstBottom - ((FOptionsEx & dgBlankRow) ? 1 : 0);
        if (indicator) {
            Kind = hcIndicator;
            hint = FIndicatorHint;
        } else if (TZColumnTotal* total = column && index >= 0 ? column->GetTotalRows(index) : nullptr) {
            Kind = hcTotal;
            const QString text = GetTotalText(column, index, tkDisplay);
            if (has(hoTotalHints))
                hint = total->GetHint();
            const QRect room = Rect.adjusted(0, 0, -ColLineWidth(), -RowLineWidth());
            if (hint.isEmpty() && has(hoShowTotalToolTips) && total->GetToolTips() &&
                (has(hoAlwaysShowToolTips) ||
                 !TextFits(total->GetFont(), room, FGridStyle->TotalColMargin() + 2, text, total->GetWordWrap())))
                hint = text;
            if (hint.isEmpty() && has(hoShowTotalHints))
                hint = text;
        }
    } else if (indicator) {
        Kind = hcIndicator;
        hint = FIndicatorHint;
    } else if (column && FDataLink->Active() && cell.Y - FTitleRowCount < FDataLink->RecordCount()) {
        TField* field = column->GetField();
        const bool picture = field && field->IsBlob() && !IsMemoFieldType(field->DataType());
        const bool textShown = !column->GetCheckBox() && (!picture || has(hoAllowForGraphics));
        const QString text = textShown ? CellText(cell.X, cell.Y) : QString();
        if (has(hoShowToolTips) && column->GetToolTips() && !text.isEmpty() &&
            (has(hoAlwaysShowToolTips) ||
             !TextFits(column->GetFont(), Rect, 2, text, column->GetWordWrap() && FLinesCount > 1)))
            hint = text;
        if (hint.isEmpty() && has(hoDataHints))
            hint = column->GetHint();
        if (hint.isEmpty() && has(hoShowDataHints))
            hint = text;
    }
    if (OnCellHint)
        OnCellHint(this, Kind, column, hint);
    return hint;
}

bool TZCustomDBGrid::viewportEvent(QEvent* Event)
{
    switch (Event->type()) {
    case QEvent::ToolTip: {
        auto* help = static_cast<QHelpEvent*>(Event);
        bool shown = false;
        GuardEvent(this, [&] {
            THintCell kind = hcData;
            QRect rect;
            const QString hint = CellHint(help->pos(), kind, rect);
            if (hint.isEmpty())
                return;
            const int time = FHintOptions.testFlag(hoKeepShowToolTips) ? std::numeric_limits<int>::max() : -1;
            QToolTip::showText(help->globalPos(), hint, viewport(), rect, time);
            shown = true;
        });
        if (shown)
            return true;
        break; // the grid's own Hint, if any
    }
    case QEvent::ChildPolished:
        // The editor tells the grid about its tool tips and input method.
        if (auto* editor = qobject_cast<TInplaceEdit*>(static_cast<QChildEvent*>(Event)->child()))
            editor->installEventFilter(this);
        break;
    default: break;
    }
    return TCustomGrid::viewportEvent(Event);
}

bool TZCustomDBGrid::eventFilter(QObject* Watched, QEvent* Event)
{
    TInplaceEdit* editor = GetInplaceEditor();
    if (!editor || Watched != editor)
        return TCustomGrid::eventFilter(Watched, Event);
    bool handled = false;
    GuardEvent(this, [&] {
        switch (Event->type()) {
        case QEvent::Show:
        case QEvent::FocusIn:
            // Loading a cell resets the editor's input method (read-only or not).
            if (!editor->isReadOnly())
                ApplyInputMethod(editor);
            break;
        case QEvent::ToolTip: {
            TZColumn* column = SelectedColumn();
            QString hint;
            if (column && FHintOptions.testFlag(hoEditorHints))
                hint = column->GetEditorHint();
            const int margin = editor->textMargins().left() + editor->textMargins().right() + 4;
            if (hint.isEmpty() && FHintOptions.testFlag(hoShowEditorHints) &&
                QFontMetrics(editor->font()).horizontalAdvance(editor->text()) > editor->width() - margin)
                hint = editor->text();
            if (OnCellHint)
                OnCellHint(this, hcEditor, column, hint);
            if (!hint.isEmpty()) {
                QToolTip::showText(static_cast<QHelpEvent*>(Event)->globalPos(), hint, editor, editor->rect());
                handled = true;
            }
            break;
        }
        default: break;
        }
    });
    return handled || TCustomGrid::eventFilter(Watched, Event);
}

// ---- Input method ----------------------------------------------------------------------

void TZCustomDBGrid::ApplyInputMethod(QWidget* Widget) const
{
    const TZColumn* column = FColumns ? SelectedColumn() : nullptr;
    const TImeMode mode = column ? column->GetImeMode() : FImeMode;
    Widget->setAttribute(Qt::WA_InputMethodEnabled, mode != imDisable);
    Widget->setInputMethodHints(ImeHints(mode));
}

void TZCustomDBGrid::UpdateInputMethod()
{
    ApplyInputMethod(this);
    if (TInplaceEdit* editor = GetInplaceEditor(); editor && !editor->isReadOnly())
        ApplyInputMethod(editor);
}

void TZCustomDBGrid::inputMethodEvent(QInputMethodEvent* Event)
{
    const QString text = Event->commitString();
    GuardEvent(this, [&] {
        for (QChar ch : text) {
            if (ch.unicode() < 32 || ch.unicode() == 0x7F)
                continue;
            KeyPress(ch);
        }
    });
    Event->accept();
}

QVariant TZCustomDBGrid::inputMethodQuery(Qt::InputMethodQuery Query) const
{
    // The input method's window goes next to the current cell.
    if (Query == Qt::ImCursorRectangle) {
        const QRect cell = CellRect(GetCol(), GetRow());
        if (!cell.isEmpty())
            return QRect(viewport()->mapTo(this, cell.topLeft()), cell.size());
    }
    return TCustomGrid::inputMethodQuery(Query);
}

} // namespace zdb
