// The data behind the lists (see ZDBDataList.h): the delimited check list and
// the pick-list dataset.

#include "ZDBDataList.h"

#include <QRegularExpression>

#include <algorithm>

namespace zdb {

QString SSelectAllCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Select All"));
QString SClearAllCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Clear All"));
QString SOKButtonCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "OK"));
QString SCancelButtonCaption = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Cancel"));

namespace {

bool LessText(const QString& A, const QString& B)
{
    return QString::compare(A, B, Qt::CaseInsensitive) < 0;
}

} // namespace

// ---- TZDBCheckList ---------------------------------------------------------------------

QString TZDBCheckList::GetDelimitedText(bool Line, int MaxLength) const
{
    QString text = FItems.join(Line ? QStringLiteral("\r\n") : QString(FDelimiter));
    if (MaxLength > 0 && text.size() > MaxLength) {
        // Everything before the last separator at or before the character past the limit.
        const qsizetype cut = text.lastIndexOf(Line ? QLatin1Char('\r') : FDelimiter, MaxLength);
        text = cut >= 0 ? text.left(cut) : QString();
    }
    if (!Line && !FDelimiterText.isEmpty())
        text.replace(FDelimiter, FDelimiterText);
    return text;
}

void TZDBCheckList::SetDelimitedText(bool Line, const QString& Text)
{
    QString text = Text;
    QStringList items;
    if (Line) {
        static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
        items = text.split(lineBreak);
        // A final line break ends the last line rather than starting an empty one.
        if (!items.isEmpty() && items.constLast().isEmpty())
            items.removeLast();
    } else {
        if (!FDelimiterText.isEmpty())
            text.replace(FDelimiterText, QString(FDelimiter));
        if (!text.isEmpty())
            items = text.split(FDelimiter);
    }
    SetItems(items);
}

void TZDBCheckList::SetItems(const QStringList& Value)
{
    FItems.clear();
    if (!FSorted) {
        FItems = Value;
        return;
    }
    for (const QString& item : Value)
        Add(item);
}

void TZDBCheckList::Add(const QString& Item)
{
    if (!FSorted) {
        FItems.append(Item);
        return;
    }
    const auto at = std::lower_bound(FItems.begin(), FItems.end(), Item, LessText);
    if (at == FItems.end() || QString::compare(*at, Item, Qt::CaseInsensitive) != 0)
        FItems.insert(at, Item);
}

bool TZDBCheckList::Contains(const QString& Item) const
{
    if (FSorted)
        return std::binary_search(FItems.begin(), FItems.end(), Item, LessText);
    return FItems.contains(Item, Qt::CaseInsensitive);
}

void TZDBCheckList::SetSorted(bool Value)
{
    if (FSorted == Value)
        return;
    FSorted = Value;
    if (Value)
        SetItems(QStringList(FItems));
}

// ---- TZDBPickListData ------------------------------------------------------------------

TZDBPickListData::TZDBPickListData(QObject* Parent) : TZDBCustomData(Parent)
{
    SetReadOnly(true);
}

TZDBPickListData::~TZDBPickListData()
{
    Close();
}

void TZDBPickListData::SetListInstance(const QStringList* Value)
{
    CheckInactive();
    FListInstance = Value;
}

void TZDBPickListData::SetKeyInstance(const QStringList* Value)
{
    CheckInactive();
    FKeyInstance = Value;
}

void TZDBPickListData::SetListFieldName(const QString& Value)
{
    CheckInactive();
    FListFieldName = Value.isEmpty() ? QStringLiteral("Item") : Value;
    FieldDefs().Clear();
}

void TZDBPickListData::SetListFieldSize(int Value)
{
    CheckInactive();
    FListFieldSize = Value < 1 ? 20 : Value;
    FieldDefs().Clear();
}

void TZDBPickListData::SetKeyFieldName(const QString& Value)
{
    CheckInactive();
    FKeyFieldName = Value.isEmpty() ? QStringLiteral("Key") : Value;
    FieldDefs().Clear();
}

void TZDBPickListData::SetKeyFieldSize(int Value)
{
    CheckInactive();
    FKeyFieldSize = Value < 1 ? 20 : Value;
    FieldDefs().Clear();
}

void TZDBPickListData::InitFieldDefsFromList()
{
    FieldDefs().Add(FListFieldName, ftWideString, FListFieldSize).ReadOnly = true;
    FieldDefs().Add(FKeyFieldName, ftWideString, FKeyFieldSize).ReadOnly = true;
}

void TZDBPickListData::InternalInitFieldDefs()
{
    if (FieldDefs().Count() == 0)
        InitFieldDefsFromList();
}

void TZDBPickListData::DoOnCountRecords(int& Count)
{
    Count = FListInstance ? int(FListInstance->size()) : 0;
    if (FKeyInstance)
        Count = std::min(Count, int(FKeyInstance->size()));
}

void TZDBPickListData::DoOnGetFieldData(int Index, TField* Field, QVariant& Value)
{
    if (Field->FieldNo() == 1 && FListInstance)
        Value = FListInstance->value(Index);
    else if (Field->FieldNo() == 2 && FKeyInstance)
        Value = FKeyInstance->value(Index);
}

} // namespace zdb
