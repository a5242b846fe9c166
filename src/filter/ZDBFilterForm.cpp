// The filter form (see ZDBFilterUI.h): two clauses over a column's values, the
// connector, the reverse check box and, for dates and times, the period list;
// OK builds the column's expression.

#include "ZDBFilterUI.h"

#include "AppExceptions.h"
#include "DateUtils.h"
#include "SysUtils.h"
#include "ZDBMemData.h"
#include "ZDBTranslate.h"

#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSet>
#include <QScopeGuard>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <initializer_list>
#include <utility>

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

TZFilterListEditor::TZFilterListEditor(QWidget* Parent) : TZDBEditor(Parent)
{
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!FKeeping && OnChange)
            OnChange(this);
    });
}

void TZFilterListEditor::SetItems(const QStringList& Keys, const QStringList& Texts)
{
    KeepingText(this, FKeeping, [&] {
        SetPickList(Keys);
        SetPickText(Texts == Keys ? QStringList() : Texts);
    });
}

TZFilterValueEditor::TZFilterValueEditor(QWidget* Parent, const TZDBFilterData* Data) : TZFilterListEditor(Parent)
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
    SetItems(keys, differ ? texts : keys);
}

QString TZFilterListEditor::Value() const
{
    if (!GetPickTextActive())
        return text();
    // Item by item, each without the blanks around it.
    if (GetMultiSelectList()) {
        QStringList values;
        for (const QString& item : text().split(GetDelimiterChar())) {
            const QString shown = item.trimmed();
            values << (shown.isEmpty() ? shown : DoSetItem(shown));
        }
        return values.join(GetDelimiterChar());
    }
    // A key may be shown by no text (the clause that filters nothing).
    if (text().isEmpty()) {
        const qsizetype index = GetPickText().indexOf(QString());
        const QStringList keys = GetPickList();
        return index >= 0 && index < keys.size() ? keys.at(index) : QString();
    }
    return DoSetItem(text());
}

void TZFilterListEditor::SetValue(const QString& Value)
{
    const auto shown = [this](const QString& Item) {
        // A key of the list shows by its text (which may be empty), anything else as it is.
        return Item.isEmpty() || !GetPickTextActive() || !GetPickList().contains(Item) ? Item : DoGetItem(Item);
    };
    QString text;
    if (GetMultiSelectList()) {
        QStringList texts;
        for (const QString& item : Value.split(GetDelimiterChar()))
            texts << shown(item.trimmed());
        text = texts.join(GetDelimiterChar());
    } else {
        text = shown(Value);
    }
    WriteField(Value);
    setText(text);
}

void TZFilterListEditor::WriteField(const QString& Value)
{
    TField* field = Field();
    if (!field)
        return;
    // The field holds the keys: a check list ticks them.
    KeepingText(this, FKeeping, [&] {
        TDataSet* data = field->DataSet();
        if (data->State() != dsEdit && data->State() != dsInsert)
            data->Edit();
        field->SetAsString(Value);
        data->Post();
    });
}

void TZFilterListEditor::SetMultiSelect(bool Value)
{
    SetListOption(loMultiSelectList, Value);
}

void TZFilterListEditor::DropDown()
{
    if (GetMultiSelectList())
        WriteField(Value());
    TZDBEditor::DropDown();
}

void TZFilterListEditor::KeepTextSetStyle(TEditorButtonStyle Style)
{
    KeepingText(this, FKeeping, [&] { SetButtonStyle(Style); });
}

void TZFilterListEditor::SetAutoComplete(bool Value)
{
    SetListOption(loAutoComplete, Value);
}

void TZFilterListEditor::SetListOption(TZListOption Option, bool Value)
{
    TZListOptions options = GetListOptions();
    if (options.Contains(Option) == Value)
        return;
    if (Value)
        options.Include(Option);
    else
        options.Exclude(Option);
    KeepingText(this, FKeeping, [&] { SetListOptions(options); });
}

void TZFilterListEditor::DropDownStyle(TEditorButtonStyle Style)
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

bool TZFilterListEditor::CanModifyValue()
{
    return !GetDataSource() || TZDBEditor::CanModifyValue();
}

void TZFilterListEditor::ValueWritten()
{
    if (GetDataSource())
        TZDBEditor::ValueWritten();
    else
        selectAll();
}

void TZFilterListEditor::ListCloseUp(TZDBDropDownList* Sender, bool& Accept)
{
    TZDBEditor::ListCloseUp(Sender, Accept);
    // The calendar or the calculator was for this once; the list is still closing.
    if (GetButtonStyle() != ebsAuto)
        QTimer::singleShot(0, this, [this] {
            if (!ListVisible())
                KeepTextSetStyle(ebsAuto);
        });
}

void TZFilterListEditor::focusInEvent(QFocusEvent* Event)
{
    KeepingText(this, FKeeping, [&] { TZDBEditor::focusInEvent(Event); });
}

void TZFilterListEditor::focusOutEvent(QFocusEvent* Event)
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

TZDBGridFilterForm::~TZDBGridFilterForm()
{
    // The lists read the form's records and the periods: they go before them.
    delete PeriodList;
    PeriodList = nullptr;
    delete ValuesList1;
    ValuesList1 = nullptr;
    delete ValuesList2;
    ValuesList2 = nullptr;
}

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
    ClauseList1 = new TZFilterListEditor(panel);
    ClauseList1->setObjectName(QStringLiteral("ClauseList1"));
    ClauseList1->SetDropDownOnly(true);
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
    ClauseList2 = new TZFilterListEditor(panel);
    ClauseList2->setObjectName(QStringLiteral("ClauseList2"));
    ClauseList2->SetDropDownOnly(true);
    ClauseList2->setGeometry(16, 108, 161, 21);
    ValuesList2 = new TZFilterValueEditor(panel, FData.get());
    ValuesList2->setObjectName(QStringLiteral("ValuesList2"));
    ValuesList2->setGeometry(192, 108, 133, 21);
    ListButton2 = new QToolButton(panel);
    ListButton2->setGeometry(330, 107, 23, 22);
    OKButton = new QPushButton(Tr(SOKButtonCaption), panel);
    OKButton->setGeometry(196, 160, 75, 25);
    OKButton->setDefault(true);
    CancelButton = new QPushButton(Tr(SCancelButtonCaption), panel);
    CancelButton->setGeometry(278, 160, 75, 25);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    TField* field = FColumn ? FColumn->FilterField() : nullptr;
    const TFieldType type = field ? field->DataType() : ftUnknown;
    CreatePeriodList(panel, type);
    BindValueList(ValuesList1, FValuesData1, FValuesSource1);
    BindValueList(ValuesList2, FValuesData2, FValuesSource2);
    PeriodList->setVisible(DateTimeType(type));
    NOTCheckBox->setVisible(!(field && IsADODataSet(field->DataSet())));
    if (FGrid) {
        SetDropDownRows(FGrid->FilterGrid()->GetDropDownRows());
        SetDropDownWidth(FGrid->FilterGrid()->GetDropDownWidth());
    }
    UpdateListButtons();

    for (TZFilterListEditor* list : {ClauseList1, ClauseList2, static_cast<TZFilterListEditor*>(ValuesList1),
                                     static_cast<TZFilterListEditor*>(ValuesList2)})
        list->OnChange = [this](TZFilterListEditor* Sender) { ListChanged(Sender); };
    connect(ListButton1, &QToolButton::clicked, this, [this] { ListButtonClick(ValuesList1); });
    connect(ListButton2, &QToolButton::clicked, this, [this] { ListButtonClick(ValuesList2); });
    connect(RadioButton1, &QRadioButton::toggled, this, [this] { ListChanged(nullptr); });
    connect(NOTCheckBox, &QCheckBox::toggled, this, [this] { ListChanged(nullptr); });
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
        for (TZFilterListEditor* list : {ClauseList1, ClauseList2}) {
            const auto change = std::exchange(list->OnChange, nullptr);
            const auto restore = qScopeGuard([&] { list->OnChange = change; });
            const QString key = list->Value();
            FillClauses(list);
            SelectKey(list, key);
        }
        TField* field = FColumn ? FColumn->FilterField() : nullptr;
        LoadPeriodData(field ? field->DataType() : ftUnknown);
        PeriodList->DataChange();
    });
}

void TZDBGridFilterForm::CreatePeriodList(QWidget* Panel, TFieldType Type)
{
    FPeriodData = std::make_unique<TZMemDataSet>();
    TFieldDefs& defs = FPeriodData->FieldDefs();
    defs.Add(QStringLiteral("Id"), ftInteger);
    defs.Add(QStringLiteral("ParentId"), ftInteger);
    defs.Add(QStringLiteral("Caption"), ftWideString, 100);
    // The tree view keeps the level, order and state of its rows here.
    defs.Add(QStringLiteral("RowLevel"), ftInteger);
    defs.Add(QStringLiteral("RowOrder"), ftString, 80);
    defs.Add(QStringLiteral("RowState"), ftInteger);
    FPeriodData->CreateDataSet();
    LoadPeriodData(Type);

    FFormData = std::make_unique<TZMemDataSet>();
    FFormData->FieldDefs().Add(QStringLiteral("PeriodList"), ftInteger);
    FFormData->CreateDataSet();
    FFormData->Append();
    FFormData->Fields()[0]->SetValue(0);
    FFormData->Post();
    // The key is a number, the caption shown for it a text.
    FFormData->Fields()[0]->SetAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A period chosen in the list fills the clauses with its range.
    FFormData->Fields()[0]->OnChange = [this](TField*) {
        if (FPeriodSetting > 0)
            return;
        PeriodChanged();
    };
    FFormSource = std::make_unique<TDataSource>();
    FFormSource->SetDataSet(FFormData.get());

    PeriodList = new TZDBEditor(Panel);
    PeriodList->setObjectName(QStringLiteral("PeriodList"));
    PeriodList->SetDataSource(FFormSource.get());
    PeriodList->SetDataField(QStringLiteral("PeriodList"));
    PeriodList->SetKeyField(QStringLiteral("PeriodList"));
    PeriodList->SetLookupDataSet(FPeriodData.get());
    PeriodList->SetLookupKeyField(QStringLiteral("Id"));
    PeriodList->SetLookupResultField(QStringLiteral("Caption"));
    PeriodList->SetLookupListFields(QStringLiteral("Caption"));
    PeriodList->SetLookupParentField(QStringLiteral("ParentId"));
    PeriodList->SetLookupTreeViewField(QStringLiteral("Caption"));
    PeriodList->SetDropDownOnly(true);
    PeriodList->setGeometry(16, 162, 161, 21);
}

void TZDBGridFilterForm::BindValueList(TZFilterValueEditor* Values, std::unique_ptr<TZMemDataSet>& Data,
                                       std::unique_ptr<TDataSource>& Source)
{
    Data = std::make_unique<TZMemDataSet>();
    Data->FieldDefs().Add(QStringLiteral("Value"), ftWideString, 32000);
    Data->CreateDataSet();
    Data->Append();
    Data->Post();
    Source = std::make_unique<TDataSource>();
    Source->SetDataSet(Data.get());
    Values->SetDataSource(Source.get());
    Values->SetDataField(QStringLiteral("Value"));
    // A list clause's values are written out in full, separated by the column's delimiter.
    Values->SetDelimiterChar(FilterRules(FColumn).Delimiter);
    Values->SetMultiSelectText(mstDefault);
}

void TZDBGridFilterForm::LoadPeriodData(TFieldType Type)
{
    FPeriodData->EmptyDataSet();
    if (!DateTimeType(Type) || !FGrid || !FGrid->DataSet())
        return;
    const TDataSetControlsGuard controls(FPeriodData.get());
    for (const TFilterPeriodNode& node :
         LoadFilterPeriods(FGrid->FilterGrid()->GetPeriods(), Type, Now(), FGrid->DataSet()->Locale())) {
        FPeriodData->Append();
        FPeriodData->Fields()[0]->SetValue(node.Id);
        if (node.ParentId >= 0)
            FPeriodData->Fields()[1]->SetValue(node.ParentId);
        FPeriodData->Fields()[2]->SetValue(node.Caption);
        FPeriodData->Post();
    }
    FPeriodData->First();
}

QString TZDBGridFilterForm::PeriodKey() const
{
    const QString key = FFormData->Fields()[0]->AsString();
    return key.isEmpty() ? QStringLiteral("0") : key;
}

void TZDBGridFilterForm::WritePeriodKey(const QString& Key)
{
    bool ok = false;
    const int id = Key.toInt(&ok);
    TCountGuard setting(FPeriodSetting);
    if (FFormData->State() != dsEdit)
        FFormData->Edit();
    FFormData->Fields()[0]->SetValue(ok ? id : 0);
    FFormData->Post();
}

void TZDBGridFilterForm::SetPeriodKey(const QString& Key)
{
    WritePeriodKey(Key);
    PeriodChanged();
}

void TZDBGridFilterForm::SetDropDownRows(int Value)
{
    for (TZDBCustomEditor* editor : std::initializer_list<TZDBCustomEditor*>{ClauseList1, ClauseList2, ValuesList1,
                                                                               ValuesList2, PeriodList})
        editor->SetDropDownRows(Value);
}

void TZDBGridFilterForm::SetDropDownWidth(int Value)
{
    ValuesList1->SetDropDownWidth(Value);
    ValuesList2->SetDropDownWidth(Value);
}

QStringList TZDBGridFilterForm::KeysOf(const QString& Value) const
{
    return FData->KeysOf(Value);
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

void TZDBGridFilterForm::FillClauses(TZFilterListEditor* List)
{
    QStringList keys;
    QStringList captions;
    for (const int clause : OfferedClauses()) {
        keys << QString::number(clause);
        captions << FilterCaption(TZDBGridFilterClause(clause));
    }
    List->SetItems(keys, captions);
    List->SetValue(keys.isEmpty() ? QString() : keys.first());
}

void TZDBGridFilterForm::SelectKey(TZFilterListEditor* List, const QString& Key)
{
    const QStringList keys = List->GetPickList();
    List->SetValue(keys.contains(Key) ? Key : (keys.isEmpty() ? QString() : keys.first()));
}

namespace {

// The clause a clause list shows, as its ordinal.
QString ClauseText(const TZFilterListEditor* List)
{
    const QString value = List->Value();
    return value.isEmpty() ? QStringLiteral("0") : value;
}

} // namespace

void TZDBGridFilterForm::LoadFilterForm()
{
    // What is restored is no change of the user's: the period stays.
    TCountGuard loading(FPeriodWriting);
    FillClauses(ClauseList1);
    FillClauses(ClauseList2);
    TZColumn* column = Column();
    if (!column || column->GetFilterData().isEmpty()) {
        if (const QStringList keys = ClauseList1->GetPickList(); keys.size() > 1)
            SelectKey(ClauseList1, keys.at(1));
        WritePeriodKey(QStringLiteral("0"));
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
    state.ClauseList1Text = ClauseText(ClauseList1);
    state.ClauseList2Text = ClauseText(ClauseList2);
    state.ValuesList1Text = ValuesList1->Value();
    state.ValuesList2Text = ValuesList2->Value();
    state.PeriodListText = PeriodKey();
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
    WritePeriodKey(State.PeriodListText);
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

void TZDBGridFilterForm::ListButtonClick(TZFilterListEditor* Editor)
{
    GuardEvent(this, [&] { Editor->DropDownStyle(GetListButtonStyle()); });
}

void TZDBGridFilterForm::ListChanged(QWidget* Sender)
{
    if (Sender == ClauseList1 || Sender == ClauseList2) {
        const TZDBGridFilterClause clause = FilterClauseOfText(ClauseText(static_cast<TZFilterListEditor*>(Sender)));
        TZFilterValueEditor* values = Sender == ClauseList1 ? ValuesList1 : ValuesList2;
        QToolButton* button = Sender == ClauseList1 ? ListButton1 : ListButton2;
        const bool empty = clause == fcIsEmpty || clause == fcIsNotEmpty;
        values->setVisible(!empty);
        // A LIKE pattern is typed as it is, without completion; a list ticks its values.
        values->SetAutoComplete(!IsLikeClause(clause));
        values->SetMultiSelect(IsListClause(clause));
        const TEditorButtonStyle style = GetListButtonStyle();
        button->setVisible((style == ebsCalendar || style == ebsCalculator) && !empty && !IsListClause(clause));
    }
    const bool like = IsLikeClause(FilterClauseOfText(ClauseText(ClauseList1))) ||
                      IsLikeClause(FilterClauseOfText(ClauseText(ClauseList2)));
    HintLabel1->setVisible(like && PeriodList->isHidden());
    HintLabel2->setVisible(like && PeriodList->isHidden());
    if (FPeriodWriting == 0 && Sender && FFormData && PeriodKey() != QLatin1String("0"))
        WritePeriodKey(QStringLiteral("0"));
}

void TZDBGridFilterForm::PeriodChanged()
{
    TField* field = FColumn ? FColumn->FilterField() : nullptr;
    if (!field || FPeriodWriting > 0)
        return;
    const int id = PeriodKey().toInt();
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
        const QStringList data =
            zdb::SaveFilterForm(column, state, [this](const QString& Value) { return KeysOf(Value); });
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
