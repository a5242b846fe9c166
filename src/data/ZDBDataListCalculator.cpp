// The calculator popup: the one-record display data, the popup grid with its
// 28 buttons and chain arithmetic, and its binding to a grid column.

#include "ZDBDataListPopups.h"

#include "AppExceptions.h"
#include "ZDBTranslate.h"

#include <QApplication>
#include <QScopeGuard>

#include <cmath>

namespace zdb {

QString SCalculatorError = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Error"));

// ---- TZDBDisplayData --------------------------------------------------------------------

TZDBDisplayData::TZDBDisplayData(QObject* Parent) : TZDBCustomData(Parent)
{
    SetReadOnly(true);
}

TZDBDisplayData::~TZDBDisplayData()
{
    Close();
}

void TZDBDisplayData::SetDisplayText(const QString& Value)
{
    FDisplayText = Value;
    if (Active())
        Refresh();
}

void TZDBDisplayData::InternalInitFieldDefs()
{
    FieldDefs().Clear();
    FieldDefs().Add(QStringLiteral("DisplayText"), ftWideString, 40);
}

void TZDBDisplayData::DoOnCountRecords(int& Count)
{
    Count = 1;
}

void TZDBDisplayData::DoOnGetFieldData(int /*Index*/, TField* /*Field*/, QVariant& Value)
{
    Value = FDisplayText;
}

// ---- TZDBPopupCalculator ----------------------------------------------------------------

namespace {

constexpr char16_t KeyEnter = 10;
constexpr char16_t KeyBack = 8;
constexpr char16_t KeyDelete = 127;
constexpr char16_t KeyEscape = 27;
constexpr char16_t KeyMemoryClear = 12; // Ctrl+L
constexpr char16_t KeyMemoryAdd = 16;   // Ctrl+P
constexpr char16_t KeyMemoryRecall = 18; // Ctrl+R
constexpr char16_t KeyMemoryStore = 19; // Ctrl+S
constexpr int CalculatorWidth = 207;
constexpr int CalculatorHeight = 153;
constexpr int ButtonHeight = 22;

} // namespace

const std::array<TZDBPopupCalculator::TButtonDef, 28> TZDBPopupCalculator::Buttons{{
    {"OK", 4, 30, 30, 2, KeyEnter},
    {"Back", 40, 30, 50, 1, KeyBack},
    {"CE", 94, 30, 50, 1, KeyDelete},
    {"C", 148, 30, 50, 1, KeyEscape},
    {"MC", 4, 56, 30, 1, KeyMemoryClear},
    {"7", 40, 56, 30, 0, u'7'},
    {"8", 72, 56, 30, 0, u'8'},
    {"9", 104, 56, 30, 0, u'9'},
    {"/", 136, 56, 30, 1, u'/'},
    {"sqrt", 168, 56, 30, 0, u'@'},
    {"MR", 4, 80, 30, 1, KeyMemoryRecall},
    {"4", 40, 80, 30, 0, u'4'},
    {"5", 72, 80, 30, 0, u'5'},
    {"6", 104, 80, 30, 0, u'6'},
    {"*", 136, 80, 30, 1, u'*'},
    {"%", 168, 80, 30, 0, u'%'},
    {"MS", 4, 104, 30, 1, KeyMemoryStore},
    {"1", 40, 104, 30, 0, u'1'},
    {"2", 72, 104, 30, 0, u'2'},
    {"3", 104, 104, 30, 0, u'3'},
    {"-", 136, 104, 30, 1, u'-'},
    {"1/x", 168, 104, 30, 0, u'R'},
    {"M+", 4, 128, 30, 1, KeyMemoryAdd},
    {"0", 40, 128, 30, 0, u'0'},
    {"+/-", 72, 128, 30, 0, u'_'},
    {",", 104, 128, 30, 0, u','},
    {"+", 136, 128, 30, 1, u'+'},
    {"=", 168, 128, 30, 1, u'='},
}};

TZDBPopupCalculator::TZDBPopupCalculator(QWidget* AOwner)
    : TZDBPopupList(AOwner), FDisplayData(std::make_unique<TZDBDisplayData>())
{
    // The display: one row with no highlight.
    SetOptions(TZDBGridOptions(dgRowLines));
    SetSelectCellColor(clNone);
    SetScrollBars(ssNone);
    SetSelectedRow(false);
    FDisplayData->SetDisplayText(QStringLiteral("0"));
    ListSource()->SetDataSet(FDisplayData.get());
    TZColumn* display = Columns()->Add();
    display->SetFieldName(QStringLiteral("DisplayText"));
    display->SetAlignment(taRightJustify);
    display->SetWidth(ScaleValue(204));
    FDisplayData->Open();
    CreateButtons();
}

TZDBPopupCalculator::~TZDBPopupCalculator()
{
    ListSource()->SetDataSet(nullptr);
}

void TZDBPopupCalculator::CreateButtons()
{
    static const QColor kindColors[] = {Qt::blue, Qt::red, Qt::black};
    for (const TButtonDef& def : Buttons) {
        auto* button = new TListButton(viewport());
        button->setText(def.Key == u',' ? QString(DecimalPoint()) : QString::fromLatin1(def.Caption));
        QPalette pal = button->palette();
        pal.setColor(QPalette::ButtonText, kindColors[def.Kind]);
        button->setPalette(pal);
        button->setFocusPolicy(Qt::NoFocus);
        button->setProperty("CalculatorKey", int(def.Key) + def.Kind * 256);
        connect(button, &QToolButton::clicked, this, [this, button] { GuardEvent(this, [&] { ButtonClick(button); }); });
        FButtons.push_back(button);
    }
    PlaceButtons();
    UpdateListButtons();
}

void TZDBPopupCalculator::PlaceButtons()
{
    for (size_t i = 0; i < FButtons.size(); ++i) {
        const TButtonDef& def = Buttons[i];
        FButtons[i]->setGeometry(ScaleValue(def.X + 1), ScaleValue(def.Y - 5), ScaleValue(def.Width),
                                 ScaleValue(ButtonHeight));
    }
}

TListButton* TZDBPopupCalculator::ButtonOf(QChar Key) const
{
    for (size_t i = 0; i < FButtons.size(); ++i)
        if (Buttons[i].Key == Key.unicode())
            return FButtons[i];
    return nullptr;
}

void TZDBPopupCalculator::CalcSize()
{
    if (!GetAutoCalcSize())
        return;
    HandleNeeded();
    resize(ScaleValue(CalculatorWidth), ScaleValue(CalculatorHeight));
    // The display fills the width.
    SetStretchMode(true);
    PlaceButtons();
    if (ListVisible())
        if (TZDBDropDownList* owner = GetParentDropDown())
            move(owner->DropDownPoint());
}

void TZDBPopupCalculator::ButtonClick(QObject* Sender)
{
    const int tag = Sender ? Sender->property("CalculatorKey").toInt() : 0;
    if (tag > 0)
        Operate(QChar(char16_t(tag % 256)));
}

void TZDBPopupCalculator::SetTextLocale(const QLocale& Value)
{
    FTextLocale = Value;
    if (TListButton* point = ButtonOf(QLatin1Char(',')))
        point->setText(DecimalPoint());
}

QLocale TZDBPopupCalculator::NumberLocale() const
{
    QLocale loc = GetTextLocale();
    loc.setNumberOptions(QLocale::OmitGroupSeparator);
    return loc;
}

QChar TZDBPopupCalculator::DecimalPoint() const
{
    const QString point = GetTextLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.at(0);
}

void TZDBPopupCalculator::SetText(const QString& Value)
{
    const QString text = Value.isEmpty() ? QStringLiteral("0") : Value;
    bool ok = false;
    const double value = NumberLocale().toDouble(text, &ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' is not a valid number").arg(text).toStdString());
    FValue = value;
    FError = false;
    FDisplayData->SetDisplayText(text);
}

void TZDBPopupCalculator::SetValue(double Value)
{
    SetText(NumberLocale().toString(Value, 'g', 15));
}

void TZDBPopupCalculator::ShowComputed(double Value)
{
    if (std::isfinite(Value)) {
        SetValue(Value);
        return;
    }
    // A division by zero, an overflow or an invalid argument: the error text
    // until the next key starts anew.
    Clear(true);
    FError = true;
    FNewOperand = false;
    FDisplayData->SetDisplayText(Tr(SCalculatorError));
}

QString TZDBPopupCalculator::GetResult()
{
    if (!FError && (FInputValue || FNewOperand || FIsOperator))
        Operate(QLatin1Char('='));
    return FError ? QString() : GetText();
}

void TZDBPopupCalculator::SetResult(const QString& Value)
{
    Clear(true);
    SetText(Value.trimmed());
}

void TZDBPopupCalculator::Clear(bool All)
{
    FError = false;
    FValue = 0;
    FDisplayData->SetDisplayText(QStringLiteral("0"));
    // Right after a computation the entry cleared is its result: the last
    // operation is undone, and the 0 shown is no operand of the next one.
    const bool undo = !All && !FInputValue && !FNewOperand;
    if (undo)
        FTotal = FStorage;
    FNewOperand = !undo;
    FInputValue = false;
    FIsOperator = false;
    if (All) {
        FTotal = 0;
        FStorage = 0;
        FOperand = 0;
        FOperator = QLatin1Char('=');
    }
}

void TZDBPopupCalculator::Operate(QChar Key)
{
    const char16_t k = Key.unicode();
    // After an error only clearing, digits and the close key mean anything;
    // they start anew.
    if (FError) {
        if (k == KeyEnter)
            return CloseUp(true);
        Clear(true);
        if (k == KeyBack || k == KeyDelete || k == KeyEscape || !(Key.isDigit() || Key == QLatin1Char('.') ||
                                                                  Key == QLatin1Char(',') || Key == DecimalPoint()))
            return;
    }
    try {
        if (Key >= QLatin1Char('0') && Key <= QLatin1Char('9'))
            Digit(Key);
        else if (Key == QLatin1Char('.') || Key == QLatin1Char(',') || Key == DecimalPoint())
            Digit(DecimalPoint());
        else if (Key == QLatin1Char('+') || Key == QLatin1Char('-') || Key == QLatin1Char('*') ||
                 Key == QLatin1Char('/'))
            Operator(Key);
        else if (Key == QLatin1Char('='))
            Calculate();
        else if (Key == QLatin1Char('%') || Key == QLatin1Char('@') || Key == QLatin1Char('R') ||
                 Key == QLatin1Char('r'))
            Function(Key);
        else if (Key == QLatin1Char('_'))
            SignChange();
        else
            switch (k) {
            case KeyBack: Backspace(); break;
            case KeyDelete: Clear(false); break;
            case KeyEscape: Clear(true); break;
            case KeyEnter:
                if (ListVisible())
                    CloseUp(true);
                break;
            case KeyMemoryClear: FMemory = 0; break;
            case KeyMemoryAdd: FMemory += FValue; break;
            case KeyMemoryStore: FMemory = FValue; break;
            case KeyMemoryRecall:
                FNewOperand = true;
                FInputValue = false;
                SetValue(FMemory);
                break;
            default: break;
            }
    } catch (const EConvertError&) {
        // A text that is no number (a second decimal point): the display keeps its text.
        QApplication::beep();
    }
}

void TZDBPopupCalculator::Digit(QChar C)
{
    QString text = FInputValue ? GetText() : QStringLiteral("0");
    if (text == QLatin1String("0") && C != DecimalPoint())
        text = C;
    else
        text += C;
    SetText(text);
    FInputValue = true;
}

void TZDBPopupCalculator::Operator(QChar Op)
{
    if (FInputValue || FNewOperand) {
        if (!FIsOperator)
            FOperator = QLatin1Char('=');
        Calculate();
        if (FError)
            return;
    }
    FOperator = Op;
    FIsOperator = true;
}

void TZDBPopupCalculator::Calculate()
{
    if (FInputValue || FNewOperand || FIsOperator)
        FOperand = FValue;
    FInputValue = false;
    FNewOperand = false;
    FIsOperator = false;
    FStorage = FTotal;
    double value = FValue;
    switch (FOperator.unicode()) {
    case u'*': value = FTotal * FOperand; break;
    case u'+': value = FTotal + FOperand; break;
    case u'-': value = FTotal - FOperand; break;
    case u'/': value = FOperand == 0 ? std::nan("") : FTotal / FOperand; break;
    default: break;
    }
    if (FOperator != QLatin1Char('='))
        ShowComputed(value);
    if (!FError)
        FTotal = FValue;
}

void TZDBPopupCalculator::Function(QChar F)
{
    FNewOperand = true;
    FInputValue = false;
    if (F == QLatin1Char('%'))
        ShowComputed(FTotal * FValue / 100);
    else if (F == QLatin1Char('@'))
        ShowComputed(FValue < 0 ? std::nan("") : std::sqrt(FValue));
    else
        ShowComputed(FValue == 0 ? std::nan("") : 1 / FValue);
}

void TZDBPopupCalculator::SignChange()
{
    const QString text = GetText();
    if (text.startsWith(QLatin1Char('-')))
        SetText(text.mid(1));
    else if (text != QLatin1String("0"))
        SetText(QLatin1Char('-') + text);
    FInputValue = true;
}

void TZDBPopupCalculator::Backspace()
{
    if (!FInputValue) {
        QApplication::beep();
        return;
    }
    const QString text = GetText();
    const bool lastDigit = text.size() == 1 || (text.size() == 2 && text.startsWith(QLatin1Char('-'))) ||
                           text == QStringLiteral("-0") + DecimalPoint();
    SetText(lastDigit ? QStringLiteral("0") : text.chopped(1));
}

void TZDBPopupCalculator::KeyDown(int& Key, TShiftState Shift)
{
    const bool plain = !(Shift & (ssShift | ssCtrl | ssAlt));
    const bool ctrl = (Shift & ssCtrl) && !(Shift & ssAlt);
    std::optional<QChar> key;
    if (plain && Key == Qt::Key_Delete)
        key = QChar(KeyDelete);
    else if (plain && Key == Qt::Key_F9)
        key = QLatin1Char('_');
    else if (ctrl && Key == Qt::Key_L)
        key = QChar(KeyMemoryClear);
    else if (ctrl && Key == Qt::Key_P)
        key = QChar(KeyMemoryAdd);
    else if (ctrl && Key == Qt::Key_R)
        key = QChar(KeyMemoryRecall);
    else if (ctrl && Key == Qt::Key_S)
        key = QChar(KeyMemoryStore);
    else if (Key == Qt::Key_Backspace)
        key = QChar(KeyBack);
    if (!key) {
        // The display row does not move.
        if (Key == Qt::Key_Up || Key == Qt::Key_Down || Key == Qt::Key_PageUp || Key == Qt::Key_PageDown ||
            Key == Qt::Key_Home || Key == Qt::Key_End || Key == Qt::Key_Insert) {
            Key = 0;
            return;
        }
        TZDBPopupList::KeyDown(Key, Shift);
        return;
    }
    Key = 0;
    Operate(*key);
}

void TZDBPopupCalculator::KeyPress(QChar& Key)
{
    const QChar key = Key;
    Key = QChar();
    // Control characters come as keys (KeyDown); printable ones operate here.
    if (key.unicode() >= 32 && key.unicode() != KeyDelete)
        Operate(key);
}

// ---- TZDBGridCalculator -----------------------------------------------------------------

TZDBGridCalculator::TZDBGridCalculator(QWidget* AParent, TZColumn* AColumn)
    : TZDBGridDropDownList(AParent, AColumn)
{
    SetupPopupList<TZDBPopupCalculator>();
}

TZDBGridDropDownList* TZDBGridCalculator::Create(QWidget* AParent, TZColumn* AColumn)
{
    return new TZDBGridCalculator(AParent, AColumn);
}

TZDBPopupCalculator* TZDBGridCalculator::Calculator() const
{
    return qobject_cast<TZDBPopupCalculator*>(PopupList());
}

QVariant TZDBGridCalculator::GetListValue()
{
    TZDBPopupCalculator* calculator = Calculator();
    if (!calculator)
        return {};
    const QString result = calculator->GetResult();
    return calculator->GetError() ? QVariant() : QVariant(result);
}

void TZDBGridCalculator::UpdateListView(bool Refresh)
{
    TZDBPopupCalculator* calculator = Calculator();
    TZColumn* column = Column();
    if (!Refresh || !calculator || !column)
        return;
    QFont font = column->GetFont();
    calculator->SetFont(font);
}

void TZDBGridCalculator::UpdateListData(bool Refresh)
{
    TZDBPopupCalculator* calculator = Calculator();
    if (!calculator)
        return;
    if (!Refresh) {
        // Nothing is written after an error, even when accepted.
        if (Accepted() && !ListValue.isNull())
            SetupListValue(ListValue);
        return;
    }
    TZColumn* column = Column();
    if (!column)
        return;
    // Text that is no number: the calculator starts at 0.
    SetupPopupResult(calculator, column);
}

} // namespace zdb
