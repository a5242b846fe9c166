// The filter form (see ZDBFilterUI.h): two clauses over a column's values, the
// connector, the reverse check box and, for dates and times, the period list;
// OK builds the column's expression.

#include "ZDBFilterUI.h"

#include "AppExceptions.h"
#include "DateUtils.h"
#include "SysUtils.h"
#include "ZDBTranslate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace zdb {

QString SFilterFormCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Select filter"));
QString STitleLabelCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Show the rows in which the field %s"));
QString SHintLabelCaption1 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Symbol %s replaces any character"));
QString SHintLabelCaption2 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Symbol %s replaces any text string"));
QString SRadioButtonCaption1 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "AND"));
QString SRadioButtonCaption2 = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "OR"));
QString SNOTCheckBoxCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Reverse filter conditions"));

QString SCalendarButtonHint = QStringLiteral("Show calendar");
QString SCalculatorButtonHint = QStringLiteral("Show calculator");

namespace {

bool DateTimeType(TFieldType Type)
{
    return Type == ftDate || Type == ftTime || Type == ftDateTime || Type == ftTimeStamp || Type == ftTimeStampOffset;
}

// The clauses a field type can take.
TZDBGridFilterClauses TypeClauses(TFieldType Type)
{
    TZDBGridFilterClauses all;
    for (int i = 0; i < FilterClauseCount; ++i)
        all.Include(TZDBGridFilterClause(i));
    switch (Type) {
    case ftString: case ftFixedChar: case ftWideString: case ftGuid: case ftFixedWideChar:
        return all;
    case ftMemo: case ftFmtMemo: case ftWideMemo:
        return all.Exclude(fcIsOnTheList).Exclude(fcIsNotOnTheList);
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftDate:
    case ftTime: case ftDateTime: case ftAutoInc: case ftLargeint: case ftTimeStamp: case ftFMTBcd:
    case ftLongWord: case ftShortint: case ftByte: case ftExtended: case ftTimeStampOffset: case ftSingle: {
        TZDBGridFilterClauses clauses{fcNoFilter};
        for (int i = int(fcIsEqual); i <= int(fcIsNotEmpty); ++i)
            clauses.Include(TZDBGridFilterClause(i));
        return clauses;
    }
    case ftBoolean:
        return TZDBGridFilterClauses{fcNoFilter, fcIsEqual, fcIsNotEqual, fcIsEmpty, fcIsNotEmpty};
    default:
        return TZDBGridFilterClauses{fcNoFilter, fcIsEmpty, fcIsNotEmpty};
    }
}

} // namespace

// ---- TZFilterValueEditor --------------------------------------------------------------------

namespace {

// Runs Work keeping Editor's text: a change of an unbound editor's settings,
// or its focus, would show its (missing) field again.
template <typename TWork>
void KeepingText(QLineEdit* Editor, bool& Keeping, TWork&& Work)
{
    const QString text = Editor->text();
    const bool outer = !Keeping;
    Keeping = true;
    const auto done = qScopeGuard([&] {
        if (Editor->text() != text)
            Editor->setText(text);
        if (outer)
            Keeping = false;
    });
    Work();
}

} // namespace

TZFilterValueEditor::TZFilterValueEditor(QWidget* Parent, const TZDBFilterData* Data) : TZDBEditor(Parent)
{
    QStringList keys;
    QStringList texts;
    bool differ = false;
    if (Data) {
        keys.reserve(Data->List().size());
        texts.reserve(Data->List().size());
        for (const QString& item : Data->List()) {
            QString display, key;
            SplitFilterItem(item, display, key);
            // No value is what "is empty" asks for.
            if (key.isEmpty())
                continue;
            keys << key;
            texts << display;
            differ = differ || display != key;
        }
    }
    SetPickList(keys);
    if (differ)
        SetPickText(texts);
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!FKeeping && OnChange)
            OnChange(this);
    });
}

QString TZFilterValueEditor::Value() const
{
    return GetPickTextActive() ? DoSetItem(text()) : text();
}

void TZFilterValueEditor::SetValue(const QString& Value)
{
    setText(Value.isEmpty() || !GetPickTextActive() ? Value : DoGetItem(Value));
}

void TZFilterValueEditor::KeepTextSetStyle(TEditorButtonStyle Style)
{
    KeepingText(this, FKeeping, [&] { SetButtonStyle(Style); });
}

void TZFilterValueEditor::SetAutoComplete(bool Value)
{
    TZListOptions options = GetListOptions();
    if (options.Contains(loAutoComplete) == Value)
        return;
    if (Value)
        options.Include(loAutoComplete);
    else
        options.Exclude(loAutoComplete);
    KeepingText(this, FKeeping, [&] { SetListOptions(options); });
}

void TZFilterValueEditor::DropDownStyle(TEditorButtonStyle Style)
{
    if (ListVisible())
        return;
    if (Style != GetButtonStyle())
        KeepTextSetStyle(Style);
    setFocus(Qt::OtherFocusReason);
    DropDown();
    if (!ListVisible() && GetButtonStyle() != ebsAuto)
        KeepTextSetStyle(ebsAuto);
}

bool TZFilterValueEditor::CanModifyValue()
{
    return !GetDataSource() || TZDBEditor::CanModifyValue();
}

void TZFilterValueEditor::ValueWritten()
{
    if (GetDataSource())
        TZDBEditor::ValueWritten();
    else
        selectAll();
}

void TZFilterValueEditor::ListCloseUp(TZDBDropDownList* Sender, bool& Accept)
{
    TZDBEditor::ListCloseUp(Sender, Accept);
    // The calendar or the calculator was for this once; the list is still closing.
    if (GetButtonStyle() != ebsAuto)
        QTimer::singleShot(0, this, [this] {
            if (!ListVisible())
                KeepTextSetStyle(ebsAuto);
        });
}

void TZFilterValueEditor::focusInEvent(QFocusEvent* Event)
{
    KeepingText(this, FKeeping, [&] { TZDBEditor::focusInEvent(Event); });
}

void TZFilterValueEditor::focusOutEvent(QFocusEvent* Event)
{
    KeepingText(this, FKeeping, [&] { TZDBEditor::focusOutEvent(Event); });
}

// ---- TZDBGridFilterForm ---------------------------------------------------------------------

TZDBGridFilterForm::TZDBGridFilterForm(QWidget* Owner, TZColumn* Column)
    : QDialog(Owner), FColumn(Column), FGrid(Column ? Column->Grid() : nullptr),
      FData(std::make_unique<TZDBFilterData>())
{
    setWindowTitle(Tr(SFilterFormCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    if (FGrid) {
        TZFilterItemsOptions options;
        options.CheckedFirst = FGrid->FilterGrid()->GetOptions().Contains(foCheckedFirst);
        options.LoadAllItems = FGrid->FilterGrid()->GetOptions().Contains(foLoadAllItems);
        // Chosen: a key that a list clause of the stored state names.
        QString listed;
        const QStringList stored = Column->GetFilterData();
        for (const int n : {1, 2}) {
            const QString clause = Column->FilterData()->Value(QStringLiteral("ClauseList%1Text").arg(n));
            if (IsListClause(FilterClauseOfText(clause)))
                listed += Column->FilterData()->Value(QStringLiteral("ValuesList%1Text").arg(n)) + QChar(0);
        }
        options.IsChosen = [listed](const QString& Key) { return !Key.isEmpty() && listed.contains(Key); };
        LoadFilterItems(Column, FData.get(), options);
    }
    CreateControls();
    LoadFilterForm();
}

TZDBGridFilterForm::~TZDBGridFilterForm() = default;

TZColumn* TZDBGridFilterForm::Column() const
{
    return FGrid ? FColumn : nullptr;
}

void TZDBGridFilterForm::CreateControls()
{
    QFont font = FGrid ? FGrid->font() : this->font();
    setFont(font);
    setFixedHeight(200);
    setMinimumWidth(368);
    resize(368, 200);
    auto* panel = new QFrame(this);
    panel->setGeometry(0, 0, 368, 200);
    panel->setFrameShape(QFrame::NoFrame);
    for (const int top : {32, 144}) {
        auto* bevel = new QFrame(panel);
        bevel->setFrameShape(QFrame::HLine);
        bevel->setFrameShadow(QFrame::Sunken);
        bevel->setGeometry(16, top, 337, 2);
    }
    TitleLabel = new QLabel(panel);
    TitleLabel->setGeometry(16, 16, 337, 13);
    TitleLabel->setText(Format(Tr(STitleLabelCaption), {FColumn ? FColumn->Title()->GetCaption() : QString()}));
    HintLabel1 = new QLabel(Format(Tr(SHintLabelCaption1), {SWildcardCharacter1}), panel);
    HintLabel1->move(16, 156);
    HintLabel1->adjustSize();
    HintLabel2 = new QLabel(Format(Tr(SHintLabelCaption2), {SWildcardCharacter2}), panel);
    HintLabel2->move(16, 172);
    HintLabel2->adjustSize();
    ClauseList1 = new QComboBox(panel);
    ClauseList1->setObjectName(QStringLiteral("ClauseList1"));
    ClauseList1->setGeometry(16, 48, 161, 21);
    ValuesList1 = new TZFilterValueEditor(panel, FData.get());
    ValuesList1->setObjectName(QStringLiteral("ValuesList1"));
    ValuesList1->setGeometry(192, 48, 133, 21);
    ListButton1 = new QToolButton(panel);
    ListButton1->setGeometry(330, 47, 23, 22);
    RadioButton1 = new QRadioButton(Tr(SRadioButtonCaption1), panel);
    RadioButton1->setGeometry(16, 80, 77, 17);
    RadioButton1->setChecked(true);
    RadioButton2 = new QRadioButton(Tr(SRadioButtonCaption2), panel);
    RadioButton2->setGeometry(100, 80, 77, 17);
    NOTCheckBox = new QCheckBox(Tr(SNOTCheckBoxCaption), panel);
    // Its caption whole, even in a font wider than the designed one.
    NOTCheckBox->setGeometry(192, 80, std::max(161, NOTCheckBox->sizeHint().width()), 17);
    ClauseList2 = new QComboBox(panel);
    ClauseList2->setObjectName(QStringLiteral("ClauseList2"));
    ClauseList2->setGeometry(16, 108, 161, 21);
    ValuesList2 = new TZFilterValueEditor(panel, FData.get());
    ValuesList2->setObjectName(QStringLiteral("ValuesList2"));
    ValuesList2->setGeometry(192, 108, 133, 21);
    ListButton2 = new QToolButton(panel);
    ListButton2->setGeometry(330, 107, 23, 22);
    PeriodList = new QComboBox(panel);
    PeriodList->setObjectName(QStringLiteral("PeriodList"));
    PeriodList->setGeometry(16, 162, 161, 21);
    OKButton = new QPushButton(Tr(SOKButtonCaption), panel);
    OKButton->setGeometry(196, 160, 75, 25);
    OKButton->setDefault(true);
    CancelButton = new QPushButton(Tr(SCancelButtonCaption), panel);
    CancelButton->setGeometry(278, 160, 75, 25);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    TField* field = FColumn ? FColumn->FilterField() : nullptr;
    const TFieldType type = field ? field->DataType() : ftUnknown;
    PeriodList->setVisible(DateTimeType(type));
    if (DateTimeType(type) && FGrid) {
        for (const TFilterPeriodNode& node :
             LoadFilterPeriods(FGrid->FilterGrid()->GetPeriods(), type, Now(), FGrid->DataSet()->Locale())) {
            QString indent(node.ParentId < 0 ? 0 : 2, QLatin1Char(' '));
            PeriodList->addItem(indent + node.Caption, QString::number(node.Id));
        }
    }
    NOTCheckBox->setVisible(!(field && IsADODataSet(field->DataSet())));
    if (FGrid)
        for (TZFilterValueEditor* values : {ValuesList1, ValuesList2}) {
            values->SetDropDownRows(FGrid->FilterGrid()->GetDropDownRows());
            values->SetDropDownWidth(FGrid->FilterGrid()->GetDropDownWidth());
        }
    UpdateListButtons();

    connect(ClauseList1, &QComboBox::currentIndexChanged, this, [this] { ListChanged(ClauseList1); });
    connect(ClauseList2, &QComboBox::currentIndexChanged, this, [this] { ListChanged(ClauseList2); });
    ValuesList1->OnChange = [this](TZFilterValueEditor* Sender) { ListChanged(Sender); };
    ValuesList2->OnChange = [this](TZFilterValueEditor* Sender) { ListChanged(Sender); };
    connect(ListButton1, &QToolButton::clicked, this, [this] { ListButtonClick(ValuesList1); });
    connect(ListButton2, &QToolButton::clicked, this, [this] { ListButtonClick(ValuesList2); });
    connect(RadioButton1, &QRadioButton::toggled, this, [this] { ListChanged(nullptr); });
    connect(NOTCheckBox, &QCheckBox::toggled, this, [this] { ListChanged(nullptr); });
    connect(PeriodList, &QComboBox::currentIndexChanged, this, [this] { PeriodChanged(); });
    // Another language of the application: every text again, the lists' choices kept.
    TrackLanguage(this, [this] {
        setWindowTitle(Tr(SFilterFormCaption));
        TitleLabel->setText(Format(Tr(STitleLabelCaption), {FColumn ? FColumn->Title()->GetCaption() : QString()}));
        HintLabel1->setText(Format(Tr(SHintLabelCaption1), {SWildcardCharacter1}));
        HintLabel1->adjustSize();
        HintLabel2->setText(Format(Tr(SHintLabelCaption2), {SWildcardCharacter2}));
        HintLabel2->adjustSize();
        RadioButton1->setText(Tr(SRadioButtonCaption1));
        RadioButton2->setText(Tr(SRadioButtonCaption2));
        NOTCheckBox->setText(Tr(SNOTCheckBoxCaption));
        OKButton->setText(Tr(SOKButtonCaption));
        CancelButton->setText(Tr(SCancelButtonCaption));
        for (QComboBox* list : {ClauseList1, ClauseList2})
            for (int i = 0; i < list->count(); ++i)
                list->setItemText(i, FilterCaption(TZDBGridFilterClause(list->itemData(i).toString().toInt())));
        TField* field = FColumn ? FColumn->FilterField() : nullptr;
        if (PeriodList->count() > 0 && field && FGrid)
            for (const TFilterPeriodNode& node : LoadFilterPeriods(FGrid->FilterGrid()->GetPeriods(), field->DataType(),
                                                                   Now(), FGrid->DataSet()->Locale()))
                if (const int i = PeriodList->findData(QString::number(node.Id)); i >= 0)
                    PeriodList->setItemText(i, QString(node.ParentId < 0 ? 0 : 2, QLatin1Char(' ')) + node.Caption);
    });
}

QList<int> TZDBGridFilterForm::OfferedClauses() const
{
    QList<int> offered;
    TField* field = FColumn ? FColumn->FilterField() : nullptr;
    if (!field || !FGrid)
        return offered;
    const TZDBGridFilterClauses clauses =
        TypeClauses(field->DataType()) & GetFilterClauses(FGrid->FilterGrid()->GetClauses(), field->DataSet());
    for (int i = 0; i < FilterClauseCount; ++i)
        if (clauses.Contains(TZDBGridFilterClause(i)))
            offered << i;
    return offered;
}

void TZDBGridFilterForm::FillClauses(QComboBox* List)
{
    const QSignalBlocker block(List);
    List->clear();
    for (const int clause : OfferedClauses())
        List->addItem(FilterCaption(TZDBGridFilterClause(clause)), QString::number(clause));
    List->setCurrentIndex(List->count() > 0 ? 0 : -1);
}

void TZDBGridFilterForm::SelectKey(QComboBox* List, const QString& Key)
{
    const int index = List->findData(Key);
    List->setCurrentIndex(index >= 0 ? index : (List->count() > 0 ? 0 : -1));
}

void TZDBGridFilterForm::LoadFilterForm()
{
    FillClauses(ClauseList1);
    FillClauses(ClauseList2);
    TZColumn* column = Column();
    if (!column || column->GetFilterData().isEmpty()) {
        if (ClauseList1->count() > 1)
            ClauseList1->setCurrentIndex(1);
        SelectKey(PeriodList, QStringLiteral("0"));
    } else {
        const TZFilterList* data = column->FilterData();
        TZFilterFormState state;
        state.ClauseList1Text = data->Value(QStringLiteral("ClauseList1Text"));
        state.ClauseList2Text = data->Value(QStringLiteral("ClauseList2Text"));
        state.ValuesList1Text = data->Value(QStringLiteral("ValuesList1Text"));
        state.ValuesList2Text = data->Value(QStringLiteral("ValuesList2Text"));
        state.PeriodListText = data->Value(QStringLiteral("PeriodListText"));
        const auto flag = [data](const char* Name, const char* Default) {
            const QString value = data->Value(QLatin1String(Name));
            return (value.isEmpty() ? QLatin1String(Default) : value) == QLatin1String("1");
        };
        state.RadioButton1Checked = flag("RadioButton1Checked", "1");
        state.RadioButton2Checked = flag("RadioButton2Checked", "0");
        state.NOTCheckBoxChecked = flag("NOTCheckBoxChecked", "0");
        SetFormState(state);
    }
    ListChanged(ClauseList1);
    ListChanged(ClauseList2);
}

TZFilterFormState TZDBGridFilterForm::FormState() const
{
    TZFilterFormState state;
    state.ClauseList1Text = ClauseList1->currentData().toString();
    state.ClauseList2Text = ClauseList2->currentData().toString();
    state.ValuesList1Text = ValuesList1->Value();
    state.ValuesList2Text = ValuesList2->Value();
    state.PeriodListText = PeriodList->currentData().toString();
    state.RadioButton1Checked = RadioButton1->isChecked();
    state.RadioButton2Checked = RadioButton2->isChecked();
    state.NOTCheckBoxChecked = NOTCheckBox->isChecked();
    return state;
}

void TZDBGridFilterForm::SetFormState(const TZFilterFormState& State)
{
    // The period is put last: the other writes would set it back.
    SelectKey(ClauseList1, State.ClauseList1Text);
    SelectKey(ClauseList2, State.ClauseList2Text);
    ValuesList1->SetValue(State.ValuesList1Text);
    ValuesList2->SetValue(State.ValuesList2Text);
    RadioButton1->setChecked(State.RadioButton1Checked);
    RadioButton2->setChecked(!State.RadioButton1Checked);
    NOTCheckBox->setChecked(State.NOTCheckBoxChecked);
    const QSignalBlocker block(PeriodList);
    SelectKey(PeriodList, State.PeriodListText.isEmpty() ? QStringLiteral("0") : State.PeriodListText);
}

TEditorButtonStyle TZDBGridFilterForm::GetListButtonStyle() const
{
    TField* field = FColumn ? FColumn->FilterField() : nullptr;
    if (!field)
        return ebsAuto;
    if (dynamic_cast<TNumericField*>(field))
        return ebsCalculator;
    const TFieldType type = field->DataType();
    return type == ftDate || type == ftDateTime || type == ftTimeStamp ? ebsCalendar : ebsAuto;
}

void TZDBGridFilterForm::UpdateListButtons()
{
    const TEditorButtonStyle style = GetListButtonStyle();
    const bool shown = style == ebsCalendar || style == ebsCalculator;
    const QString name = style == ebsCalendar ? QStringLiteral("ZDBCALENDAR") : QStringLiteral("ZDBCALCULATOR");
    const QString hint = style == ebsCalendar ? SCalendarButtonHint : SCalculatorButtonHint;
    for (QToolButton* button : {ListButton1, ListButton2}) {
        if (shown) {
            button->setIcon(QIcon(LoadPackageBitmap(name, logicalDpiX(), devicePixelRatioF())));
            button->setToolTip(hint);
        }
        button->setVisible(shown);
    }
    // Without buttons the value lists take their place.
    ValuesList1->resize(shown ? 133 : 161, ValuesList1->height());
    ValuesList2->resize(shown ? 133 : 161, ValuesList2->height());
}

void TZDBGridFilterForm::ListButtonClick(TZFilterValueEditor* Editor)
{
    GuardEvent(this, [&] { Editor->DropDownStyle(GetListButtonStyle()); });
}

void TZDBGridFilterForm::ListChanged(QWidget* Sender)
{
    if (Sender == ClauseList1 || Sender == ClauseList2) {
        auto* list = static_cast<QComboBox*>(Sender);
        const TZDBGridFilterClause clause = FilterClauseOfText(list->currentData().toString());
        TZFilterValueEditor* values = Sender == ClauseList1 ? ValuesList1 : ValuesList2;
        QToolButton* button = Sender == ClauseList1 ? ListButton1 : ListButton2;
        const bool empty = clause == fcIsEmpty || clause == fcIsNotEmpty;
        values->setVisible(!empty);
        // A LIKE pattern is typed as it is, without completion.
        values->SetAutoComplete(!IsLikeClause(clause));
        const TEditorButtonStyle style = GetListButtonStyle();
        button->setVisible((style == ebsCalendar || style == ebsCalculator) && !empty && !IsListClause(clause));
    }
    const bool like = IsLikeClause(FilterClauseOfText(ClauseList1->currentData().toString())) ||
                      IsLikeClause(FilterClauseOfText(ClauseList2->currentData().toString()));
    HintLabel1->setVisible(like && !PeriodList->isVisible());
    HintLabel2->setVisible(like && !PeriodList->isVisible());
    if (FPeriodWriting == 0 && Sender) {
        const QSignalBlocker block(PeriodList);
        SelectKey(PeriodList, QStringLiteral("0"));
    }
}

void TZDBGridFilterForm::PeriodChanged()
{
    TField* field = FColumn ? FColumn->FilterField() : nullptr;
    if (!field || FPeriodWriting > 0)
        return;
    const int id = PeriodList->currentData().toInt();
    const TFieldType type = field->DataType();
    const QLocale locale = field->DataSet()->Locale();
    const TFilterPeriodTexts texts = FilterPeriodTexts(id, type, NowToMinute(Now()), locale);
    if (texts.Start.isEmpty() && texts.End.isEmpty())
        return;
    const TFilterPeriodClauses clauses = FilterPeriodClauses(texts, type, locale);
    TCountGuard writing(FPeriodWriting);
    SelectKey(ClauseList1, clauses.ClauseList1Text);
    SelectKey(ClauseList2, clauses.ClauseList2Text.isEmpty() ? QStringLiteral("0") : clauses.ClauseList2Text);
    ValuesList1->SetValue(clauses.ValuesList1Text);
    ValuesList2->SetValue(clauses.ValuesList2Text);
    RadioButton1->setChecked(true);
}

bool TZDBGridFilterForm::SaveFilterForm()
{
    TZColumn* column = Column();
    if (!column)
        return true;
    TZFilterFormState state = FormState();
    try {
        const QStringList data = zdb::SaveFilterForm(column, state);
        column->SetFilterData(data);
    } catch (const std::exception& error) {
        const QString message = QString::fromUtf8(error.what());
        if (OnError)
            OnError(message);
        else
            QMessageBox::warning(this, Tr(SFilterFormCaption), message);
        return false;
    }
    return true;
}

void TZDBGridFilterForm::accept()
{
    bool saved = false;
    GuardEvent(this, [&] { saved = SaveFilterForm(); });
    if (saved)
        QDialog::accept();
}

void TZDBGridFilterForm::UpdatePosition()
{
    TZColumn* column = Column();
    if (!column)
        return;
    const QRect cell = FGrid->DropDownRect(column, true);
    const QRect owner(FGrid->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    QScreen* screen = QGuiApplication::screenAt(owner.center());
    if (!screen)
        screen = FGrid->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(owner.topLeft(), size());
    const bool overlayed = FGrid->FilterGrid()->GetOptions().Contains(foOverlayedList);
    move(TZDBDropDownList::PlaceList(owner, frameGeometry().size(), available, FGrid->isRightToLeft(), overlayed));
}

void TZDBGridFilterForm::showEvent(QShowEvent* Event)
{
    QDialog::showEvent(Event);
    GuardEvent(this, [this] {
        setLayoutDirection(FGrid ? FGrid->layoutDirection() : layoutDirection());
        UpdatePosition();
        if (ValuesList1->isVisible())
            ValuesList1->setFocus(Qt::OtherFocusReason);
    });
}

} // namespace zdb
