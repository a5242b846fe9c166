#include "ZDBGridOrder.h"

#include "DB.h"
#include "ZDBGridOrderSQL.h"

#include <QMetaEnum>
#include <QMetaProperty>
#include <QObject>

namespace zdb {

namespace {

const QString OrderByKeyword = QStringLiteral("ORDER BY ");
const QString DescSuffix = QStringLiteral(" DESC");

// Trailing blanks (and control characters) removed.
QString TrimRight(const QString& S)
{
    qsizetype n = S.size();
    while (n > 0 && S.at(n - 1) <= QLatin1Char(' '))
        --n;
    return S.left(n);
}

// The items of a ";"-list, trimmed, in order (empty items included).
QStringList FieldNameItems(const QString& Fields)
{
    QStringList items;
    int pos = 1;
    while (pos <= Fields.size())
        items.append(ExtractFieldName(Fields, pos));
    return items;
}

// Index of the last line that holds "ORDER BY " (any case), -1 when none;
// KeywordPos gets the keyword's 0-based position in that line.
int FindOrderByLine(const QStringList& SQL, qsizetype& KeywordPos)
{
    for (int i = int(SQL.size()) - 1; i >= 0; --i) {
        const qsizetype p = SQL.at(i).indexOf(OrderByKeyword, 0, Qt::CaseInsensitive);
        if (p >= 0) {
            KeywordPos = p;
            return i;
        }
    }
    KeywordPos = -1;
    return -1;
}

// The text before the first occurrence of Token (any case) in Item, trimmed;
// a null string when Token is empty or absent.
QString TextBefore(const QString& Item, const QString& Token)
{
    if (Token.isEmpty())
        return QString();
    const qsizetype p = Item.indexOf(Token, 0, Qt::CaseInsensitive);
    if (p < 0)
        return QString();
    return Item.left(p).trimmed();
}

// The object reached by every part of Path but the last, and the meta-object
// to look the last part up in. With UseStaticTypes an unset object-valued
// property still leads on through its declared class.
struct TPropertyTarget {
    QObject* Object = nullptr;
    const QMetaObject* Meta = nullptr;
    QString Name;
};

QObject* ObjectValue(const QVariant& V)
{
    if (!(V.metaType().flags() & QMetaType::PointerToQObject))
        return nullptr;
    return *static_cast<QObject* const*>(V.constData());
}

bool ResolvePath(const QObject* Object, const QString& Path, bool UseStaticTypes, TPropertyTarget& Target)
{
    if (!Object || Path.isEmpty())
        return false;
    const QStringList parts = Path.split(QLatin1Char('.'));
    QObject* obj = const_cast<QObject*>(Object);
    const QMetaObject* meta = obj->metaObject();
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const int index = meta->indexOfProperty(parts.at(i).toLatin1().constData());
        if (index < 0)
            return false;
        const QMetaProperty prop = meta->property(index);
        if (!(prop.metaType().flags() & QMetaType::PointerToQObject))
            return false;
        QObject* next = obj ? ObjectValue(prop.read(obj)) : nullptr;
        if (next) {
            obj = next;
            meta = next->metaObject();
        } else if (UseStaticTypes && prop.metaType().metaObject()) {
            obj = nullptr;
            meta = prop.metaType().metaObject();
        } else {
            return false;
        }
    }
    Target.Object = obj;
    Target.Meta = meta;
    Target.Name = parts.last();
    return meta->indexOfProperty(Target.Name.toLatin1().constData()) >= 0;
}

QMetaProperty TargetProperty(const TPropertyTarget& Target)
{
    return Target.Meta->property(Target.Meta->indexOfProperty(Target.Name.toLatin1().constData()));
}

QString PropText(TDataSet* DataSet, const QString& Path)
{
    return GetPropertyValue(DataSet, Path).toString();
}

bool HasSelect(TDataSet* DataSet)
{
    return PropText(DataSet, QStringLiteral("CommandText")).toUpper().contains(QStringLiteral("SELECT "));
}

// Validity tests of the built-in entries. The client-dataset kinds always sort
// through their index fields and rewrite their query text only when it is a query.
bool IndexOrQueryTest(TChangeOrder ChangeOrder, const std::function<bool()>& IsQuery)
{
    if (ChangeOrder == coChangeIndexFields)
        return true;
    return ChangeOrder == coChangeOrderFields && IsQuery();
}

bool ClientDataSetQueryTest(TDataSet* DataSet, TChangeOrder ChangeOrder)
{
    return IndexOrQueryTest(ChangeOrder, [DataSet] {
        return HasSelect(DataSet) && PropText(DataSet, QStringLiteral("FileName")).isEmpty();
    });
}

bool SQLClientDataSetTest(TDataSet* DataSet, TChangeOrder ChangeOrder)
{
    return IndexOrQueryTest(ChangeOrder, [DataSet] {
        return PropText(DataSet, QStringLiteral("CommandType")) == QLatin1String("ctQuery")
            && PropText(DataSet, QStringLiteral("FileName")).isEmpty();
    });
}

bool SimpleDataSetTest(TDataSet* DataSet, TChangeOrder ChangeOrder)
{
    return IndexOrQueryTest(ChangeOrder, [DataSet] {
        return PropText(DataSet, QStringLiteral("DataSet.CommandType")) == QLatin1String("ctQuery")
            && PropText(DataSet, QStringLiteral("FileName")).isEmpty()
            && PropText(DataSet, QStringLiteral("IndexFieldNames")).isEmpty();
    });
}

bool ADODataSetTest(TDataSet* DataSet, TChangeOrder ChangeOrder)
{
    const QString location = PropText(DataSet, QStringLiteral("CursorLocation"));
    switch (ChangeOrder) {
    case coChangeIndexFields:
        return location == QLatin1String("clUseClient");
    case coChangeOrderFields: {
        if (location != QLatin1String("clUseServer"))
            return false;
        const QString type = PropText(DataSet, QStringLiteral("CommandType"));
        return type == QLatin1String("cmdText") || (type == QLatin1String("cmdUnknown") && HasSelect(DataSet));
    }
    default:
        return false;
    }
}

std::unique_ptr<TChangeOrderItem> MakeItem(const QString& ClassName, TChangeOrder ChangeOrder, bool AscendOnly,
                                           TValidChangeOrder IsValid, const QString& PropName,
                                           const QString& Suffix)
{
    auto item = std::make_unique<TChangeOrderItem>();
    item->DSClassName = ClassName;
    item->ChangeOrder = ChangeOrder;
    item->AscendOnly = AscendOnly;
    item->IsValid = std::move(IsValid);
    item->PropName = PropName;
    item->Suffix = Suffix;
    return item;
}

} // namespace

void AddBuiltInChangeOrders(TChangeOrderList& List)
{
    struct TEntry {
        const char* ClassName;
        TChangeOrder ChangeOrder;
        bool AscendOnly;
        bool (*IsValid)(TDataSet*, TChangeOrder);
        const char* PropName;
        const char* Suffix;
    };
    const char* const fireDAC = ":A;:D;:N";
    const TEntry entries[] = {
        {"*TZDBCustomData", coChangeIndexFields, false, nullptr, "", ""},
        {"TBDEClientDataSet", coChangeIndexFields, true, nullptr, "", ""},
        {"TBDEClientDataSet", coChangeOrderFields, false, ClientDataSetQueryTest, "", ""},
        {"TSQLClientDataSet", coChangeIndexFields, true, nullptr, "", ""},
        {"TSQLClientDataSet", coChangeOrderFields, false, SQLClientDataSetTest, "", ""},
        {"TSimpleDataSet", coChangeIndexFields, true, nullptr, "", ""},
        {"TSimpleDataSet", coChangeOrderFields, false, SimpleDataSetTest, "DataSet.CommandText", ""},
        {"TClientDataSet", coChangeIndexFields, true, nullptr, "", ""},
        {"TClientDataSet", coChangeOrderFields, false, ClientDataSetQueryTest, "", ""},
        {"TIBClientDataSet", coChangeIndexFields, true, nullptr, "", ""},
        {"TIBClientDataSet", coChangeOrderFields, false, ClientDataSetQueryTest, "", ""},
        {"TIBDataSet", coChangeSQLOrderFields, false, nullptr, "SelectSQL", ""},
        {"TIBQuery", coChangeSQLOrderFields, false, nullptr, "", ""},
        {"TIBTable", coChangeIndexFields, true, nullptr, "", ""},
        {"TADODataSet", coChangeOrderFields, false, ADODataSetTest, "", ""},
        {"TADODataSet", coChangeIndexFields, false, ADODataSetTest, "", ""},
        {"TADOQuery", coChangeSQLOrderFields, false, nullptr, "", ""},
        {"TADOTable", coChangeIndexFields, false, nullptr, "", ""},
        {"TQuery", coChangeSQLOrderFields, false, nullptr, "", ""},
        {"TTable", coChangeIndexFields, true, nullptr, "", ""},
        {"TFDQuery", coChangeIndexFields, false, nullptr, "", fireDAC},
        {"TFDTable", coChangeIndexFields, false, nullptr, "", fireDAC},
        {"TFDMemTable", coChangeIndexFields, false, nullptr, "", fireDAC},
    };
    // Our own query reads its statement as SQL: the ORDER BY of its outermost
    // query, wherever it stands, with LIMIT and the like kept after it.
    auto query = MakeItem(QStringLiteral("*TZSQLQuery"), coChangeSQLOrderFields, false, {}, QStringLiteral("SQL"),
                          QString());
    query->ExtractOrder = ExtractSQLOrderFields;
    query->ModifyOrder = ModifySQLOrderFields;
    List.Add(std::move(query));
    for (const TEntry& e : entries) {
        TValidChangeOrder isValid;
        if (e.IsValid)
            isValid = e.IsValid;
        List.Add(MakeItem(QString::fromLatin1(e.ClassName), e.ChangeOrder, e.AscendOnly, std::move(isValid),
                          QString::fromLatin1(e.PropName), QString::fromLatin1(e.Suffix)));
    }
}

// ---------------------------------------------------------------------------
// Order-field algebra

QString ScanStr(QString& S, const QString& Sep)
{
    const QString sep = Sep.isEmpty() ? DefaultDelimiter : Sep;
    const qsizetype p = S.indexOf(sep);
    if (p < 0) {
        QString result = S;
        S.clear();
        return result;
    }
    QString result = S.left(p);
    S = S.mid(p + sep.size());
    return result;
}

int ScanInt(QString& S, int Default, const QString& Sep)
{
    bool ok = false;
    const int value = ScanStr(S, Sep).trimmed().toInt(&ok);
    return ok ? value : Default;
}

QString CommaToSemicolon(const QString& S)
{
    QString result = S;
    return result.replace(QLatin1Char(','), QLatin1Char(';'));
}

QString SemicolonToComma(const QString& S)
{
    QString result = S;
    return result.replace(QLatin1Char(';'), QLatin1Char(','));
}

QString ExtractFieldName(const QString& Fields, int& Pos)
{
    const int start = qMax(Pos, 1) - 1;
    qsizetype end = Fields.indexOf(QLatin1Char(';'), start);
    if (end < 0) {
        Pos = int(Fields.size()) + 1;
        return Fields.mid(start).trimmed();
    }
    Pos = int(end) + 2;
    return Fields.mid(start, end - start).trimmed();
}

QString ExtractOrderFields(const QStringList& SQL)
{
    qsizetype p = -1;
    const int line = FindOrderByLine(SQL, p);
    if (line < 0)
        return QString();
    QString result = SQL.at(line).mid(p + OrderByKeyword.size()).trimmed();
    if (result.endsWith(QLatin1Char(';'))) {
        result.chop(1);
        result = result.trimmed();
    }
    return result;
}

void ModifyOrderFields(QStringList& SQL, const QString& OrderFields)
{
    QString orderFields = OrderFields.trimmed();
    if (orderFields.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0)
        orderFields.clear();

    qsizetype p = -1;
    const int line = FindOrderByLine(SQL, p);
    if (line >= 0) {
        const QString old = SQL.at(line);
        QString text = orderFields.isEmpty() ? old.left(p) : old.left(p + OrderByKeyword.size()) + orderFields;
        if (TrimRight(old).endsWith(QLatin1Char(';')))
            text += QLatin1Char(';');
        SQL[line] = text;
        return;
    }
    if (orderFields.isEmpty())
        return;
    while (!SQL.isEmpty() && TrimRight(SQL.last()).isEmpty())
        SQL.removeLast();
    if (SQL.isEmpty())
        return;
    QString last = TrimRight(SQL.last());
    if (last.endsWith(QLatin1Char(';'))) {
        last.chop(1);
        SQL.last() = last;
        SQL.append(OrderByKeyword + orderFields + QLatin1Char(';'));
    } else {
        SQL.append(OrderByKeyword + orderFields);
    }
}

void SplitOrderFields(const QString& OrderFields, QString& Fields, QString& DescFields)
{
    QStringList fields;
    QStringList descFields;
    for (const QString& item : FieldNameItems(CommaToSemicolon(OrderFields))) {
        const qsizetype p = item.indexOf(DescSuffix);
        if (p >= 0) {
            const QString name = item.left(p).trimmed();
            descFields.append(name);
            fields.append(name);
        } else {
            fields.append(item);
        }
    }
    Fields = fields.join(QLatin1Char(';'));
    DescFields = descFields.join(QLatin1Char(';'));
}

QString UnifyOrderFields(const QString& Fields, const QString& DescFields, bool Descending)
{
    const QString desc = DescFields.isEmpty() && Descending ? Fields : DescFields;
    const QString descSet = QLatin1Char(';') + FieldNameItems(desc).join(QLatin1Char(';')) + QLatin1Char(';');
    QStringList result;
    for (const QString& field : FieldNameItems(Fields)) {
        // A blank item names no field, so it never is a descending one.
        if (!field.isEmpty() && descSet.contains(QLatin1Char(';') + field + QLatin1Char(';')))
            result.append(field + DescSuffix);
        else
            result.append(field);
    }
    return result.join(QLatin1Char(','));
}

QString OrderFieldsToIndexFields(const QString& OrderFields, const QString& Suffix)
{
    const QString fields = CommaToSemicolon(OrderFields);
    if (Suffix.isEmpty())
        return fields;
    QString suffix = Suffix;
    ScanStr(suffix, QStringLiteral(";")); // the ascending suffix is never written
    const QString descSuffix = ScanStr(suffix, QStringLiteral(";"));
    QStringList result;
    for (const QString& item : FieldNameItems(fields)) {
        const qsizetype p = item.indexOf(DescSuffix);
        result.append(p >= 0 ? item.left(p).trimmed() + descSuffix : item);
    }
    return result.join(QLatin1Char(';'));
}

QString IndexFieldsToOrderFields(const QString& IndexFields, const QString& Suffix)
{
    if (Suffix.isEmpty())
        return SemicolonToComma(IndexFields);
    QString suffix = Suffix.toUpper();
    const QString ascSuffix = ScanStr(suffix, QStringLiteral(";"));
    const QString descSuffix = ScanStr(suffix, QStringLiteral(";"));
    const QString otherSuffix = suffix;
    QStringList result;
    for (const QString& item : FieldNameItems(IndexFields)) {
        QString name = TextBefore(item, descSuffix);
        if (!name.isNull()) {
            result.append(name + DescSuffix);
            continue;
        }
        name = TextBefore(item, ascSuffix);
        if (name.isNull())
            name = TextBefore(item, otherSuffix);
        result.append(name.isNull() ? item : name);
    }
    return result.join(QLatin1Char(','));
}

QString ValidFieldNames(TDataSet* DataSet, const QString& FieldNames, bool FirstOnly)
{
    if (!DataSet)
        return FieldNames;
    QStringList result;
    for (const QString& item : FieldNameItems(FieldNames)) {
        if (item.isEmpty())
            continue;
        const TField* field = DataSet->FindField(item);
        result.append(field ? field->GetFieldName() : item);
        if (FirstOnly)
            break;
    }
    return result.join(QLatin1Char(';'));
}

bool CompareOrderFields(const QString& A, const QString& B)
{
    QString a = A.trimmed().toUpper();
    QString b = B.trimmed().toUpper();
    while (a != b) {
        QString headA = ScanStr(a, QStringLiteral(",")).trimmed();
        QString headB = ScanStr(b, QStringLiteral(",")).trimmed();
        if (headA != headB)
            return false;
        a = a.trimmed();
        b = b.trimmed();
    }
    return true;
}

// ---------------------------------------------------------------------------
// Meta-object helpers

QString PlainClassName(const QMetaObject* Meta)
{
    if (!Meta)
        return QString();
    const QString name = QString::fromLatin1(Meta->className());
    const qsizetype p = name.lastIndexOf(QLatin1String("::"));
    return p < 0 ? name : name.mid(p + 2);
}

bool InheritsClass(const QObject* Object, const QString& ClassName)
{
    if (!Object)
        return false;
    for (const QMetaObject* meta = Object->metaObject(); meta; meta = meta->superClass()) {
        if (PlainClassName(meta) == ClassName)
            return true;
    }
    return false;
}

bool HasProperty(const QObject* Object, const QString& Path)
{
    TPropertyTarget target;
    return ResolvePath(Object, Path, true, target);
}

QVariant GetPropertyValue(const QObject* Object, const QString& Path)
{
    TPropertyTarget target;
    if (!ResolvePath(Object, Path, false, target))
        return QVariant();
    const QMetaProperty prop = TargetProperty(target);
    const QVariant value = prop.read(target.Object);
    if (prop.isEnumType() && value.isValid()) {
        const QMetaEnum enumerator = prop.enumerator();
        const int number = value.toInt();
        if (enumerator.isFlag())
            return QString::fromLatin1(enumerator.valueToKeys(number));
        const char* key = enumerator.valueToKey(number);
        return key ? QString::fromLatin1(key) : QString();
    }
    return value;
}

bool SetPropertyValue(QObject* Object, const QString& Path, const QVariant& Value)
{
    TPropertyTarget target;
    if (!ResolvePath(Object, Path, false, target))
        return false;
    const QMetaProperty prop = TargetProperty(target);
    if (!prop.isWritable())
        return false;
    return prop.write(target.Object, Value);
}

// ---------------------------------------------------------------------------
// Change-order registry

QString DefaultOrderProperty(TChangeOrder ChangeOrder)
{
    switch (ChangeOrder) {
    case coChangeIndexFields:
        return QStringLiteral("IndexFieldNames");
    case coChangeOrderFields:
        return QStringLiteral("CommandText");
    case coChangeSQLOrderFields:
        return QStringLiteral("SQL");
    case coCustomChangeOrder:
        break;
    }
    return QString();
}

void TChangeOrderList::Add(std::unique_ptr<TChangeOrderItem> Item)
{
    if (!Item)
        return;
    FItems.push_back(std::move(Item));
    FCacheIndex = -1;
}

bool TChangeOrderList::Matches(const TChangeOrderItem& Item, TDataSet* DataSet, bool ForChange) const
{
    const QString& name = Item.DSClassName;
    if (name.startsWith(QLatin1Char('*'))) {
        if (!InheritsClass(DataSet, name.mid(1)))
            return false;
        if (Item.ChangeOrder != coCustomChangeOrder) {
            const QString prop = Item.PropName.isEmpty() ? DefaultOrderProperty(Item.ChangeOrder) : Item.PropName;
            if (!HasProperty(DataSet, prop))
                return false;
        }
    } else if (name != PlainClassName(DataSet->metaObject())) {
        return false;
    }
    if (Item.ChangeOrder == coCustomChangeOrder) {
        if (ForChange ? !Item.CustomChangeOrder : !Item.CustomCurrentOrder)
            return false;
    }
    return !Item.IsValid || Item.IsValid(DataSet, Item.ChangeOrder);
}

const TChangeOrderItem* TChangeOrderList::Find(TDataSet* DataSet, bool ForChange)
{
    if (!DataSet)
        return nullptr;
    // The entry found last is tried first; it answers only when no entry that
    // is searched before it (a later one) applies, so the cache never changes
    // the result: a more specific class, or an entry whose validity test now
    // passes, still wins.
    int from = Count() - 1;
    if (FCacheIndex >= 0 && FCacheIndex < Count() && Matches(*FItems[size_t(FCacheIndex)], DataSet, ForChange)) {
        for (int i = from; i > FCacheIndex; --i) {
            if (Matches(*FItems[size_t(i)], DataSet, ForChange)) {
                FCacheIndex = i;
                return FItems[size_t(i)].get();
            }
        }
        return FItems[size_t(FCacheIndex)].get();
    }
    for (int i = from; i >= 0; --i) {
        if (Matches(*FItems[size_t(i)], DataSet, ForChange)) {
            FCacheIndex = i;
            return FItems[size_t(i)].get();
        }
    }
    return nullptr;
}

TQueryOrderText TChangeOrderList::QueryOrderText(TDataSet* DataSet, TChangeOrder ChangeOrder) const
{
    TQueryOrderText text{ExtractOrderFields, ModifyOrderFields};
    if (!DataSet)
        return text;
    for (auto it = FItems.rbegin(); it != FItems.rend(); ++it) {
        const TChangeOrderItem& item = **it;
        if (item.ChangeOrder != ChangeOrder || !Matches(item, DataSet, true))
            continue;
        if (item.ExtractOrder)
            text.Extract = item.ExtractOrder;
        if (item.ModifyOrder)
            text.Modify = item.ModifyOrder;
        break;
    }
    return text;
}

void TChangeOrderList::Remove(const QString& ClassName, TChangeOrder ChangeOrder)
{
    std::erase_if(FItems, [&](const std::unique_ptr<TChangeOrderItem>& Item) {
        return Item->DSClassName == ClassName && Item->ChangeOrder == ChangeOrder;
    });
    FCacheIndex = -1;
}

int TChangeOrderList::Count() const
{
    return int(FItems.size());
}

const TChangeOrderItem& TChangeOrderList::operator[](int I) const
{
    return *FItems.at(size_t(I));
}

int TChangeOrderList::CacheIndex() const
{
    return FCacheIndex;
}

TChangeOrderList& ChangeOrderList()
{
    static TChangeOrderList list = [] {
        TChangeOrderList l;
        AddBuiltInChangeOrders(l);
        return l;
    }();
    return list;
}

void RegisterChangeOrder(const QString& ClassName, TChangeOrder ChangeOrder, bool AscendOnly,
                         TValidChangeOrder IsValid, const QString& PropName, const QString& Suffix)
{
    if (ChangeOrder == coCustomChangeOrder)
        return;
    ChangeOrderList().Add(MakeItem(ClassName, ChangeOrder, AscendOnly, std::move(IsValid), PropName, Suffix));
}

void RegisterCustomChangeOrder(const QString& ClassName, TCustomChangeOrder CustomChangeOrder,
                               TCustomCurrentOrder CustomCurrentOrder, bool AscendOnly, TValidChangeOrder IsValid)
{
    auto item = MakeItem(ClassName, coCustomChangeOrder, AscendOnly, std::move(IsValid), QString(), QString());
    item->CustomChangeOrder = std::move(CustomChangeOrder);
    item->CustomCurrentOrder = std::move(CustomCurrentOrder);
    ChangeOrderList().Add(std::move(item));
}

void UnRegisterChangeOrder(const QString& ClassName, TChangeOrder ChangeOrder)
{
    ChangeOrderList().Remove(ClassName, ChangeOrder);
}

} // namespace zdb
