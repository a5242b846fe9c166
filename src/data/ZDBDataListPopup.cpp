// TZDBPopupDataList (see ZDBDataList.h): the popup grid of the pick, lookup and
// check lists, with its check column, OK and Cancel buttons and its layout as
// texts.

#include "ZDBDataList.h"

#include "AppExceptions.h"
#include "ZDBTranslate.h"

#include <QFontMetrics>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace zdb {

namespace {

constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int ButtonGap = 5;
// The footer row's text height that leaves room for the buttons.
constexpr int FooterTextHeight = ButtonHeight + 2 * 4;

QStringList SplitList(const QString& Value)
{
    return Value.split(QLatin1Char(';'));
}

} // namespace

TZDBPopupDataList::TZDBPopupDataList(QWidget* AOwner) : TZDBPopupListEx(AOwner) {}

TZDBPopupDataList::~TZDBPopupDataList() = default;

void TZDBPopupDataList::CreateControls(QWidget* AParent)
{
    TZDBPopupListEx::CreateControls(AParent);
    SetListAnimation(true);
    SetListAlignment(true);
    resize(183, 286);
    SetDataColLineColor(clNone);
    SetDataRowLineColor(clDefault);
    TZDBGridOptions options = GetOptions();
    options &= ~TZDBGridOptions(dgEditing | dgTitles | dgIndicator | dgRowResize | dgRowSelect | dgAlwaysShowSelection);
    options |= TZDBGridOptions(dgColumnResize | dgForceSequence | dgThumbTracking);
    SetOptions(options);
    TZDBGridOptionsEx optionsEx = GetOptionsEx();
    optionsEx &= ~TZDBGridOptionsEx(dgTotalFooterBox | dgAutoUpdateTotals | dgDelayUpdateTotals | dgCalcSelectedRows |
                                    dgDelaySelectedRows | dgAutoUpdateSequence | dgDelayUpdateSequence);
    optionsEx |= dgTotalFooter;
    SetOptionsEx(optionsEx);
    TZDBGridOptionsExt optionsExt = GetOptionsExt();
    optionsExt &= ~TZDBGridOptionsExt(dgAutoUpdateListItems);
    optionsExt |= TZDBGridOptionsExt(dgMouseTracking | dgScrollGridMode);
    SetOptionsExt(optionsExt);
    SetScrollBars(ssVertical);
    ScrollProp()->SetAutoHidden(ssBoth);
    SetStretchMode(false);

    SetListFields(QString());
    if (TZColumn* column = Columns()->Count() > 1 ? Columns()->Items(1) : nullptr)
        column->SetWidthBase(157);

    auto makeButton = [this](const QString& Caption) {
        auto* button = new TListButton(this);
        button->setText(Caption);
        button->resize(ButtonWidth, ButtonHeight);
        connect(button, &QToolButton::clicked, this, [this, button] { GuardEvent(this, [&] { ButtonClick(button); }); });
        return button;
    };
    FOKButton = makeButton(QString());
    FCancelButton = makeButton(QString());
    TrackLanguage(this, [this] {
        FOKButton->setText(Tr(SOKButtonCaption));
        FCancelButton->setText(Tr(SCancelButtonCaption));
    });
    UpdateListButtons();
    SetAutoApplyList(true);
}

// ---- Columns as texts ------------------------------------------------------------------

TZColumn* TZDBPopupDataList::CheckColumn() const
{
    return Columns()->Count() > 0 ? Columns()->Items(0) : nullptr;
}

void TZDBPopupDataList::AddCheckColumn()
{
    TZColumn* check = Columns()->Add();
    check->Title()->SetCaption(QString());
    check->Title()->SetAlignment(taCenter);
    const int width = ScaleValue(CheckColumnWidth);
    check->SetWidth(width);
    check->SetWidthMin(width);
    check->SetWidthMax(width);
    check->SetReadOnly(true);
    check->SetVisible(false);
}

QString TZDBPopupDataList::GetListFields() const
{
    QStringList names;
    for (int i = 1; i < Columns()->Count(); ++i)
        names << Columns()->Items(i)->GetFieldName();
    return names.join(QLatin1Char(';'));
}

void TZDBPopupDataList::SetListFields(const QString& Value)
{
    const bool multi = GetMultiSelectList();
    TZLayoutGuard layout(this);
    Columns()->Clear();
    AddCheckColumn();
    CheckColumn()->SetVisible(multi);
    for (const QString& name : SplitList(Value)) {
        TZColumn* column = Columns()->Add();
        column->SetFieldName(name.trimmed());
        column->Title()->SetAlignment(taCenter);
        column->SetWidthBase(0);
        // The footer row holds the buttons.
        QFont font = column->TotalFooter()->GetFont();
        font.setPixelSize(FooterTextHeight);
        column->TotalFooter()->SetFont(font);
    }
}

QString TZDBPopupDataList::GetListTitles() const
{
    QStringList titles;
    for (int i = 1; i < Columns()->Count(); ++i)
        titles << Columns()->Items(i)->Title()->GetCaption();
    return titles.join(QLatin1Char(';'));
}

void TZDBPopupDataList::SetListTitles(const QString& Value)
{
    if (Value.isEmpty())
        return;
    const QStringList titles = SplitList(Value);
    for (int i = 1; i < Columns()->Count() && i - 1 < titles.size(); ++i)
        Columns()->Items(i)->Title()->SetCaption(titles.at(i - 1));
}

QString TZDBPopupDataList::GetListWidths() const
{
    QStringList widths;
    for (int i = 1; i < Columns()->Count(); ++i)
        widths << QString::number(Columns()->Items(i)->GetWidthBase());
    return widths.join(QLatin1Char(';'));
}

void TZDBPopupDataList::SetListWidths(const QString& Value)
{
    if (Value.isEmpty())
        return;
    const QStringList widths = SplitList(Value);
    for (int i = 1; i < Columns()->Count() && i - 1 < widths.size(); ++i) {
        TZColumn* column = Columns()->Items(i);
        bool ok = false;
        const int width = widths.at(i - 1).trimmed().toInt(&ok);
        column->SetWidthBase(ok && width >= 0 ? width : column->GetWidth());
    }
}

QString TZDBPopupDataList::GetTreeViewField() const
{
    for (int i = 1; i < Columns()->Count(); ++i) {
        const TZColumn* column = Columns()->Items(i);
        if (column->GetExpandBoxTree())
            return QStringLiteral("%1;%2;%3;%4")
                .arg(column->GetFieldName())
                .arg(column->GetImageMargin())
                .arg(int(column->GetExpandBoxSize()))
                .arg(column->GetExpandBoxThemed() ? 1 : 0);
    }
    return {};
}

void TZDBPopupDataList::SetTreeViewField(const QString& Value)
{
    const QStringList parts = SplitList(Value);
    const QString name = parts.value(0).trimmed();
    if (name.isEmpty())
        return;
    auto number = [&parts](int Index, int Default) {
        bool ok = false;
        const int value = parts.value(Index).trimmed().toInt(&ok);
        return ok ? value : Default;
    };
    int margin = number(1, 20);
    if (margin < 1)
        margin = ScaleValue(20);
    const int size = std::clamp(number(2, 2), 0, 2);
    const bool themed = std::clamp(number(3, 0), 0, 1) == 1;
    for (int i = 1; i < Columns()->Count(); ++i) {
        TZColumn* column = Columns()->Items(i);
        if (column->GetFieldName().compare(name, Qt::CaseInsensitive) != 0)
            continue;
        column->SetImageMargin(margin);
        column->SetExpandBoxSize(TExpandBoxSize(size));
        column->SetExpandBoxThemed(themed);
        column->SetExpandBoxTree(true);
    }
}

// ---- Value and mode ----------------------------------------------------------------------

QVariant TZDBPopupDataList::GetKeyValue() const
{
    TDataSet* dataSet = DataSet();
    if (!dataSet || !dataSet->Active() || dataSet->IsEmpty() || GetKeyFields().isEmpty())
        return {};
    return dataSet->GetFieldValue(GetKeyFields());
}

void TZDBPopupDataList::SetKeyValue(const QVariant& Value)
{
    TDataSet* dataSet = DataSet();
    if (dataSet && dataSet->Active() && !GetKeyFields().isEmpty())
        dataSet->Locate(GetKeyFields(), Value);
}

bool TZDBPopupDataList::GetMultiSelectList() const
{
    const TZColumn* check = CheckColumn();
    return check && check->GetVisible();
}

void TZDBPopupDataList::SetMultiSelectList(bool Value)
{
    SetCheckListBox(Value);
    if (TZColumn* check = CheckColumn())
        check->SetVisible(Value);
    TZDBGridOptions options = GetOptions();
    if (Value)
        options |= TZDBGridOptions(dgMultiSelect | dgAutoUnselectOff);
    else
        options &= ~TZDBGridOptions(dgMultiSelect | dgAutoUnselectOff);
    SetOptions(options);
    SetDataColLineColor(Value ? clDefault : clNone);
    SetDataRowLineColor(Value ? clWindow : clDefault);
}

void TZDBPopupDataList::SetAutoApplyList(bool Value)
{
    TZDBPopupListEx::SetAutoApplyList(Value);
    UpdateButtons();
}

void TZDBPopupDataList::CheckValue(QString& S)
{
    if (!S.isEmpty() && !S.endsWith(QLatin1Char(';')))
        S += QLatin1Char(';');
}

bool TZDBPopupDataList::OwnListFields() const
{
    return GetListFields().compare(QLatin1String("Item"), Qt::CaseInsensitive) != 0;
}

// ---- Buttons -------------------------------------------------------------------------------

void TZDBPopupDataList::UpdateButtons()
{
    if (!FOKButton || !FCancelButton)
        return;
    const bool shown = !GetAutoApplyList();
    TZDBGridOptionsEx optionsEx = GetOptionsEx();
    if (shown)
        optionsEx |= TZDBGridOptionsEx(dgTotalFooter | dgBlankRow);
    else
        optionsEx &= ~TZDBGridOptionsEx(dgTotalFooter | dgBlankRow);
    SetOptionsEx(optionsEx);
    FOKButton->setVisible(shown);
    FCancelButton->setVisible(shown);
    PlaceButtons();
}

void TZDBPopupDataList::PlaceButtons()
{
    if (!FOKButton || !FCancelButton || GetAutoApplyList())
        return;
    // Anchored to the bottom right (bottom left in right-to-left mode), centred in the footer row.
    const int w = ScaleValue(ButtonWidth);
    const int h = ScaleValue(ButtonHeight);
    const int gap = ScaleValue(ButtonGap);
    const int footer = std::max(TotalHeight(), h);
    const int top = height() - frameWidth() - footer + (footer - h) / 2;
    const int margin = ScaleValue(7);
    // Clear of the vertical scroll bar.
    const int right = viewport()->geometry().right() + 1;
    QRect cancel(right - margin - w, top, w, h);
    QRect ok(cancel.left() - gap - w, top, w, h);
    if (isRightToLeft()) {
        ok.moveLeft(width() - cancel.right() - 1);
        cancel.moveLeft(ok.right() + 1 + gap);
    }
    FOKButton->setGeometry(ok);
    FCancelButton->setGeometry(cancel);
    FOKButton->raise();
    FCancelButton->raise();
}

void TZDBPopupDataList::ButtonClick(QObject* Sender)
{
    if (Sender == FOKButton)
        CloseUp(true);
    else if (Sender == FCancelButton)
        CloseUp(false);
}

void TZDBPopupDataList::resizeEvent(QResizeEvent* Event)
{
    TZDBPopupListEx::resizeEvent(Event);
    PlaceButtons();
}

// ---- Size ------------------------------------------------------------------------------------

void TZDBPopupDataList::CalcSize()
{
    if (!GetAutoCalcSize())
        return;
    const bool multi = GetMultiSelectList();
    const int margin = ScaleValue(TextMargin);
    int minWidth = 0;
    if (multi && OwnListFields() && Columns()->Count() > 1) {
        const QFontMetrics metrics(Columns()->Items(1)->Title()->GetFont());
        minWidth = std::max(metrics.horizontalAdvance(Tr(SClearAllCaption)), metrics.horizontalAdvance(Tr(SSelectAllCaption))) +
                   margin;
    }
    if (multi)
        minWidth += ScaleValue(CheckColumnWidth) + 1;
    if (!GetAutoApplyList())
        minWidth = std::max(minWidth, 2 * ScaleValue(ButtonWidth) + 3 * ScaleValue(7) - 2);
    minWidth += style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 3;
    setMinimumWidth(minWidth);

    // Columns without a width take the widest of their title and their texts.
    std::vector<std::pair<TZColumn*, int>> measured;
    for (int i = 1; i < Columns()->Count(); ++i) {
        TZColumn* column = Columns()->Items(i);
        if (column->GetWidthBase() > 0)
            continue;
        const QFontMetrics metrics(column->Title()->GetFont());
        measured.emplace_back(column, metrics.horizontalAdvance(column->Title()->GetCaption()) + margin);
    }
    TDataSet* dataSet = DataSet();
    if (!measured.empty() && DataLink()->Active() && dataSet && !dataSet->IsEmpty()) {
        // A lookup table may hold millions of rows: the rows the list shows stand for
        // all. They lie in the page already read round the current one, from it on
        // (before it when the end comes first); the cursor goes back step by step.
        const int rows = GetDropDownRows() >= 1 ? GetDropDownRows() : MaxDropDownRows;
        auto measure = [&] {
            for (auto& [column, width] : measured)
                width = std::max(width, CellWidth(column) + margin);
        };
        TDataSetControlsGuard controls(dataSet);
        measure();
        int after = 0;
        while (after + 1 < rows && dataSet->MoveBy(1) == 1) {
            ++after;
            measure();
        }
        dataSet->MoveBy(-after);
        int before = 0;
        while (before + after + 1 < rows && dataSet->MoveBy(-1) == -1) {
            ++before;
            measure();
        }
        dataSet->MoveBy(before);
    }
    for (const auto& [column, width] : measured)
        column->SetWidthBase(width);
    TZDBPopupListEx::CalcSize();
    PlaceButtons();
}

int TZDBPopupDataList::CellWidth(TZColumn* Column)
{
    TField* field = Column->GetField();
    if (!field)
        return 0;
    int width = QFontMetrics(Column->GetFont()).horizontalAdvance(field->DisplayText());
    TZDBGridTreeView* tree = TreeView();
    if (tree && tree->IsTreeColumn(Column)) {
        // The indentation of the row's level and its expand box come before the text.
        const QRect cell(0, 0, QWIDGETSIZE_MAX / 2, std::max(RowHeight(), 1));
        QRect box;
        const QRect text = tree->TreeCellLayout(Column, cell, box);
        return width + cell.width() - text.width() + 2;
    }
    if (Column->GetImages()) {
        int level = 0;
        CellImage(Column, level);
        width += Column->GetImageMargin() * (level + 1) + 1;
    }
    return width;
}

void TZDBPopupDataList::ColWidthsChanged()
{
    TZDBPopupListEx::ColWidthsChanged();
    if (!ListVisible() || ListShowing())
        return;
    // The list follows its columns, keeping its right edge in right-to-left mode.
    const int right = geometry().right();
    const int bar = verticalScrollBar() && verticalScrollBar()->isVisible() ? verticalScrollBar()->width() : 0;
    const int width = std::max(ColumnsWidth() + bar + 2 * frameWidth(), minimumWidth());
    if (width == this->width())
        return;
    resize(width, height());
    if (isRightToLeft())
        move(right - width + 1, y());
}

void TZDBPopupDataList::RowExpand(bool Expanded)
{
    TZDBPopupListEx::RowExpand(Expanded);
    if (ListVisible()) {
        TZLayoutGuard layout(this);
        CalcSize();
    }
}

// ---- Keys, mouse and checks ---------------------------------------------------------------

void TZDBPopupDataList::ToggleAllRows()
{
    if (!DataLink()->Active())
        return;
    if (SelectedRows()->Count() == 0)
        SelectAll();
    else
        ClearSelection();
    InvalidateDataRows();
}

void TZDBPopupDataList::KeyPress(QChar& Key)
{
    if (Key == QLatin1Char(' ') && GetMultiSelectList() && !SearchInProgress()) {
        InvertRow();
        InvalidateDataRows();
        Key = QChar();
        return;
    }
    TZDBPopupListEx::KeyPress(Key);
}

void TZDBPopupDataList::MouseUp(Qt::MouseButton Button, TShiftState Shift, int X, int Y)
{
    const TGridCoord cell = MouseCoord(X, Y);
    TZDBPopupListEx::MouseUp(Button, Shift, X, Y);
    if (Button != Qt::LeftButton || !ListVisible())
        return;
    const bool dataRow = cell.Y >= FirstDataRow() && cell.Y < FirstDataRow() + DataRowCount() && cell.X >= 0;
    // In multi-select mode the grid itself ticks or unticks the row a press lands on.
    if (GetMultiSelectList())
        return;
    if (Shift & ssDouble)
        return;
    if (dataRow)
        CloseUp(true);
    else if (!rect().contains(X, Y) && !viewport()->rect().contains(X, Y))
        CloseUp(false);
}

void TZDBPopupDataList::TitleClick(TZColumn* Column)
{
    if (GetMultiSelectList() && Column && (Column == CheckColumn() || !OwnListFields())) {
        ToggleAllRows();
        return;
    }
    TZDBPopupListEx::TitleClick(Column);
}

void TZDBPopupDataList::SelectedRowsChanged()
{
    TZDBPopupListEx::SelectedRowsChanged();
    if (!GetMultiSelectList())
        return;
    if (OwnListFields() && Columns()->Count() > 1)
        Columns()->Items(1)->Title()->SetCaption(Tr(SelectedRows()->Count() == 0 ? SSelectAllCaption : SClearAllCaption));
    if (GetAutoApplyList())
        Apply();
}

void TZDBPopupDataList::DrawColumnCell(const QRect& ARect, int DataCol, TZColumn* Column, TGridDrawState AState)
{
    if (Column && Column == CheckColumn() && Canvas()) {
        QPainter* canvas = Canvas();
        QStyleOptionButton option;
        option.initFrom(this);
        const int side = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
        option.rect = QRect(ARect.left() + (ARect.width() - side) / 2, ARect.top() + (ARect.height() - side) / 2,
                            side, side);
        option.state = QStyle::State_Enabled | (IsRowSelected() ? QStyle::State_On : QStyle::State_Off);
        style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, canvas, this);
    }
    TZDBPopupListEx::DrawColumnCell(ARect, DataCol, Column, AState);
}

void TZDBPopupDataList::DrawTitleCell(int ACol, int ARow, const QRect& ARect, TGridDrawState AState)
{
    TZDBPopupListEx::DrawTitleCell(ACol, ARow, ARect, AState);
    TZColumn* column = ColumnOfRaw(ACol);
    if (!column || column != CheckColumn() || !Canvas())
        return;
    // Clicking this title checks every row or clears them all: the box says which comes.
    QStyleOptionButton option;
    option.initFrom(this);
    const int side = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this);
    option.rect = QRect(ARect.left() + (ARect.width() - side) / 2, ARect.top() + (ARect.height() - side) / 2, side,
                        side);
    option.state = QStyle::State_Enabled | (SelectedRows()->Count() == 0 ? QStyle::State_Off : QStyle::State_NoChange);
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, Canvas(), this);
}

} // namespace zdb
