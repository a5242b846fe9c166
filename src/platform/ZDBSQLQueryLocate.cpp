// TZSQLQuery: Locate and Lookup answered by the server.
//
// The keys become a WHERE clause over the statement's result (names of data fields
// quoted as the server reads them back, values always bound). The clause only narrows
// the rows: every row the server hands back is compared here again exactly as a scan
// would compare it, so a clause may let through rows the comparison refuses, never the
// other way round. Keys the server cannot be made to compare that way are left to the
// scan of the rows.

#include "ZDBSQLQuery.h"

#include <QDataStream>
#include <QDateTime>
#include <QIODevice>
#include <QScopeGuard>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

#include <limits>

namespace zdb {

namespace {

// Rows the server sends per round trip while the rows it found are checked here.
constexpr int CandidateBatch = 16;
// The escape character of LIKE patterns.
constexpr char16_t LikeEscape = u'!';
// The highest character of the Basic Multilingual Plane: an upper bound for text prefixes.
constexpr char16_t PrefixEnd = u'\xFFFF';

bool IsIntegralKey(const QVariant& key, qlonglong& value)
{
    switch (key.typeId()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::Short:
    case QMetaType::UShort: case QMetaType::Long: case QMetaType::ULong: case QMetaType::SChar:
    case QMetaType::UChar:
        value = key.toLongLong();
        return true;
    case QMetaType::ULongLong:
        if (key.toULongLong() > quint64(std::numeric_limits<qlonglong>::max()))
            return false;
        value = key.toLongLong();
        return true;
    case QMetaType::Double: case QMetaType::Float: {
        const double d = key.toDouble();
        if (!(d >= -9.2e18 && d <= 9.2e18) || d != double(qlonglong(d)))
            return false;
        value = qlonglong(d);
        return true;
    }
    default:
        return false;
    }
}

// Text a bound parameter carries unchanged: no NUL, no surrogate (a prefix could split a pair).
bool IsPlainText(const QString& text, bool asciiOnly)
{
    for (const QChar c : text) {
        if (c.unicode() == 0 || c.isSurrogate() || (asciiOnly && c.unicode() >= 0x80))
            return false;
    }
    return true;
}

// "text%" with the LIKE wildcards and the escape character escaped.
QString LikePrefix(const QString& text)
{
    QString pattern;
    pattern.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == u'%' || c == u'_' || c == QChar(LikeEscape))
            pattern.append(QChar(LikeEscape));
        pattern.append(c);
    }
    pattern.append(u'%');
    return pattern;
}

// The keys of `fieldCount` fields as the record comparison takes them (a list for several
// fields, a single value for one, given alone or as a list of one) and one by one; false when
// their number is not the fields'.
bool SplitLocateKeys(size_t fieldCount, const QVariant& keyValues, QVariant& keys, QVariantList& keyList)
{
    keys = keyValues;
    if (fieldCount == 1 && keys.typeId() == QMetaType::QVariantList && keys.toList().size() == 1)
        keys = keys.toList().front();
    keyList = fieldCount == 1 ? QVariantList{keys} : keys.toList();
    return (fieldCount == 1) != (keys.typeId() == QMetaType::QVariantList) && size_t(keyList.size()) == fieldCount;
}

} // namespace

void TZSQLQuery::SetServerSearch(bool value)
{
    if (value == FServerSearch)
        return;
    FServerSearch = value;
    ForgetLookups(false);
}

int TZSQLQuery::ServerColumn(const TField* field) const
{
    if (!field || field->GetFieldKind() != fkData)
        return -1;
    const int column = field->FieldNo() - 1;
    if (column < 0 || column >= FRecord.count())
        return -1;
    // The field's name is the result column's unless that was empty or taken twice.
    const QString name = FRecord.fieldName(column);
    if (name.isEmpty() || name != field->GetFieldName())
        return -1;
    for (int i = 0; i < FRecord.count(); ++i)
        if (i != column && FRecord.fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
            return -1;
    return column;
}

bool TZSQLQuery::KeyCondition(int column, const TField* field, const QVariant& key, bool partial,
                              bool caseInsensitive, QStringList& terms, QVariantList& values) const
{
    const QString name = QuoteFieldName(FRecord.fieldName(column));
    if (key.isNull()) {
        terms << name + QStringLiteral(" IS NULL");
        return true;
    }
    auto bind = [&values](const QVariant& value) {
        values << value;
        return QStringLiteral(":zdb_k%1").arg(values.size() - 1);
    };
    // A range of texts starting with `prefix` (SQLite keeps dates and times as ISO 8601 text).
    auto prefixRange = [&](const QString& prefix) {
        return QStringLiteral("(%1 >= %2 AND %1 < %3)").arg(name, bind(prefix), bind(prefix + QChar(PrefixEnd)));
    };
    const TFieldType type = field->DataType();
    // SQLite converts a value to the declared type of its table column where it can; a
    // computed column keeps whatever storage class its expression gave.
    const bool declared = !FSqlite || !FRecord.field(column).tableName().isEmpty();

    if (IsIntegerFieldType(type)) {
        qlonglong value = 0;
        if (!declared || !IsIntegralKey(key, value))
            return false;
        terms << QStringLiteral("%1 = %2").arg(name, bind(value));
        return true;
    }
    const bool text = FSqlite ? (IsStringFieldType(type) || IsMemoFieldType(type)) && type != ftGuid
                              : type == ftString || type == ftWideString;
    if (text) {
        if (!declared || key.typeId() != QMetaType::QString)
            return false;
        const QString keyText = key.toString();
        if (!IsPlainText(keyText, caseInsensitive))
            return false;
        QString operand = name;
        QString bound = keyText;
        if (caseInsensitive) {
            // The comparison folds the long s and the Kelvin sign to ASCII letters, which lower()
            // of SQLite (and of a server in the C locale) leaves alone.
            const QString chr = FSqlite ? QStringLiteral("char") : QStringLiteral("chr");
            operand = QStringLiteral("lower(replace(replace(%1, %2(383), 's'), %2(8490), 'k'))").arg(name, chr);
            bound = keyText.toLower();
        }
        if (partial) {
            terms << QStringLiteral("%1 LIKE %2 ESCAPE '%3'").arg(operand, bind(LikePrefix(bound)), QChar(LikeEscape));
            // SQLite's LIKE ignores the case of ASCII letters.
            if (FSqlite && !caseInsensitive)
                terms << QStringLiteral("substr(%1, 1, %2) = %3").arg(name, QString::number(bound.size()), bind(bound));
        } else
            terms << QStringLiteral("%1 = %2").arg(operand, bind(bound));
        return true;
    }
    if (type == ftBoolean) {
        if (key.typeId() != QMetaType::Bool)
            return false;
        if (!FSqlite) {
            terms << QStringLiteral("%1 = %2").arg(name, bind(key));
        } else {
            // Stored as numbers (any other than 0 is true) or as texts such as 'true' and 'yes'.
            terms << QStringLiteral("(%1 %2 0 OR typeof(%1) IN ('text', 'blob'))")
                         .arg(name, key.toBool() ? QStringLiteral("<>") : QStringLiteral("="));
        }
        return true;
    }
    if (type == ftDate) {
        if (key.typeId() != QMetaType::QDate || !key.toDate().isValid())
            return false;
        // On SQLite a date text may go on with a time of day.
        terms << (FSqlite ? prefixRange(key.toDate().toString(Qt::ISODate))
                          : QStringLiteral("%1 = %2").arg(name, bind(key)));
        return true;
    }
    if (!FSqlite)
        return PostgresTimeCondition(column, type, key, terms, values);
    if (type == ftDateTime) {
        if (key.typeId() != QMetaType::QDateTime || !key.toDateTime().isValid())
            return false;
        // Texts without a zone are local times; the minute's texts with a blank or a "T"
        // between date and time, and a bare date for midnight.
        const QDateTime local = key.toDateTime().toLocalTime();
        const QString date = local.date().toString(Qt::ISODate);
        const QString minute = local.time().toString(QStringLiteral("HH:mm"));
        QString term = QStringLiteral("(%1 OR %2").arg(prefixRange(date + u' ' + minute),
                                                       prefixRange(date + u'T' + minute));
        if (local.time() == QTime(0, 0))
            term += QStringLiteral(" OR %1 = %2").arg(name, bind(date));
        terms << term + u')';
        return true;
    }
    if (type == ftTime) {
        if (key.typeId() != QMetaType::QTime || !key.toTime().isValid())
            return false;
        terms << prefixRange(key.toTime().toString(QStringLiteral("HH:mm")));
        return true;
    }
    return false;
}

bool TZSQLQuery::PostgresTimeCondition(int column, TFieldType type, const QVariant& key, QStringList& terms,
                                       QVariantList& values) const
{
    // The server keeps microseconds, the values read keep milliseconds: the millisecond
    // around the key, the rows in it compared here again.
    const int oid = FRecord.field(column).typeID();
    QVariant low;
    QVariant high;
    if (type == ftDateTime && key.typeId() == QMetaType::QDateTime && key.toDateTime().isValid()
        && (oid == 1114 || oid == 1184)) {
        const QDateTime at = key.toDateTime();
        if (oid == 1184) {
            low = at.addMSecs(-1);
            high = at.addMSecs(1);
        } else {
            // A timestamp without a zone is read as a local time: compared as its text.
            const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");
            low = at.toLocalTime().addMSecs(-1).toString(format);
            high = at.toLocalTime().addMSecs(1).toString(format);
        }
    } else if (type == ftTime && key.typeId() == QMetaType::QTime && oid == 1083) {
        const QTime at = key.toTime();
        if (!at.isValid() || at.msecsSinceStartOfDay() < 1 || at.msecsSinceStartOfDay() > 86399998)
            return false;
        low = at.addMSecs(-1);
        high = at.addMSecs(1);
    } else {
        return false;
    }
    values << low << high;
    terms << QStringLiteral("(%1 >= %2 AND %1 <= %3)")
                 .arg(QuoteFieldName(FRecord.fieldName(column)), QStringLiteral(":zdb_k%1").arg(values.size() - 2),
                      QStringLiteral(":zdb_k%1").arg(values.size() - 1));
    return true;
}

bool TZSQLQuery::ServerCondition(const std::vector<TField*>& fields, const QVariantList& keys,
                                 TLocateOptions options, QString& where, QVariantList& values) const
{
    QStringList terms;
    for (size_t i = 0; i < fields.size(); ++i) {
        const int column = ServerColumn(fields[i]);
        const bool partial = options.testFlag(loPartialKey) && i + 1 == fields.size();
        if (column < 0
            || !KeyCondition(column, fields[i], keys[qsizetype(i)], partial, options.testFlag(loCaseInsensitive),
                             terms, values))
            return false;
    }
    where = terms.join(QStringLiteral(" AND "));
    return true;
}

TZSQLQuery::TServerAnswer TZSQLQuery::FindOnServer(const std::vector<TField*>& fields, const QVariant& keyValues,
                                                   TLocateOptions options, bool withPosition, TServerMatch& match)
{
    // Rows changed here show their own values wherever they stand, and rows inserted here
    // stand where they were inserted. A snapshot (PostgreSQL) still holds the rows as they
    // were read: the rows changed here are set apart from its answer and compared here as they
    // show. The live rows of SQLite hold them at the server's places instead, which are not
    // where they show: there the rows are read from the first until the query runs again.
    const bool edited = FEditedSinceOpen;
    if (!FServerSearch || FAllFetched || ClientFilterActive() || fields.empty()
        || (edited && !ChangesSetApart()))
        return TServerAnswer::Unknown;
    QVariant keys;
    QVariantList keyList;
    if (!SplitLocateKeys(fields.size(), keyValues, keys, keyList))
        return TServerAnswer::Unknown;
    QString where;
    QVariantList values;
    if (!ServerCondition(fields, keyList, options, where, values))
        return TServerAnswer::Unknown;
    std::vector<int> keyColumns;
    for (const TField* field : fields)
        keyColumns.push_back(ServerColumn(field));
    // The keys of the server's rows this dataset changed or deleted.
    const QSet<QString> changedKeys = edited ? ChangedRowKeys() : QSet<QString>();
    const auto changedHere = [&](const QSqlQuery& q) {
        return !changedKeys.isEmpty() && changedKeys.contains(ServerRowKey(q));
    };
    // The rows changed or inserted here that match as they show; the first of them, when
    // it comes before the server's row, is the answer.
    const auto settle = [&](TServerAnswer answer) {
        if (!edited || answer == TServerAnswer::Unknown)
            return answer;
        int best = std::numeric_limits<int>::max();
        if (answer == TServerAnswer::Found) {
            if (match.Position < 0)
                return TServerAnswer::Unknown; // no place to compare with
            best = PositionOfOrdinal(quint64(match.Position));
        }
        const quint64 serial = FirstChangedMatch(keyColumns, keys, options, best, match.Values);
        if (!serial)
            return answer;
        match.Serial = serial;
        match.Position = -1;
        match.OrderValues.clear();
        return TServerAnswer::Found;
    };

    // In the rows' order when it is known (it ends in a unique key); otherwise in the
    // statement's own, which only tells whether a row matches.
    std::vector<TSqlOrderKey> orderKeys;
    const bool ordered = OrderKeys(orderKeys);
    const QString offset = QStringLiteral(" OFFSET :zdb_k%1").arg(values.size());
    const QString sql = ordered ? ResultSelect(where, SqlOrderKeysText(orderKeys, false), CandidateBatch) + offset
                                : QStringLiteral("SELECT * FROM (\n%1\n) AS zdb_q WHERE %2 LIMIT %3%4")
                                      .arg(RunStatementText(), where, QString::number(CandidateBatch), offset);
    const int width = FRecord.count();
    QVariantList stored; // the order keys of the row found, as the server keeps them
    int received = 0;
    bool found = false;
    const auto take = [&](const QSqlQuery& q) {
        ++received;
        if (found || changedHere(q))
            return;
        QVariantList recordValues;
        for (int column : keyColumns)
            recordValues << ColumnValue(column, q.value(column));
        const QVariant record = recordValues.size() == 1 ? recordValues.front() : QVariant(recordValues);
        if (!LocateValuesMatch(record, keys, options))
            return; // let through by the clause, refused by the comparison
        found = true;
        match.Values.resize(size_t(width));
        for (int column = 0; column < width; ++column)
            match.Values[size_t(column)] = ColumnValue(column, q.value(column));
        for (const TSqlOrderKey& key : orderKeys)
            stored << q.value(FRecord.indexOf(key.Field));
    };
    // A key that at most one row holds (the usual case) needs no order: asked without one,
    // the server takes the shortest way to the row (an index on the key), where asking in
    // the rows' order may make it walk that order up to the row.
    bool probed = false;
    if (ordered) {
        const QString probe = QStringLiteral("SELECT * FROM (\n%1\n) AS zdb_q WHERE %2 LIMIT 2").arg(RunStatementText(), where);
        if (!SelectOnSource(probe, values, {}, take))
            return TServerAnswer::Unknown;
        probed = received < 2;
        if (probed && !found)
            return settle(TServerAnswer::Absent);
        if (!probed) {
            found = false;
            stored.clear();
            match.Values.clear();
        }
    }
    values << 0;
    for (qint64 skipped = 0; !probed; skipped += CandidateBatch) {
        received = 0;
        found = false;
        values.back() = skipped;
        if (!SelectOnSource(sql, values, {}, take))
            return TServerAnswer::Unknown;
        if (found)
            break;
        if (received < CandidateBatch)
            return settle(TServerAnswer::Absent);
    }
    if (ordered)
        match.OrderValues = stored;
    if ((withPosition || edited) && ordered) {
        // Its place: the number of rows before it in the order.
        if (!CountRowsBefore(orderKeys, stored, match.Position))
            match.Position = -1;
    }
    return settle(TServerAnswer::Found);
}

bool TZSQLQuery::KeysAreOrderKeys(const std::vector<TField*>& fields, const QVariantList& keys,
                                  TLocateOptions options, QVariantList& values, std::vector<int>& columns) const
{
    if (options != TLocateOptions() || fields.empty() || fields.size() != FOrderKeys.size())
        return false;
    values.clear();
    columns.clear();
    for (size_t i = 0; i < fields.size(); ++i) {
        const int column = ServerColumn(fields[i]);
        qlonglong value = 0;
        // SQLite keeps a declared integer column's values as integers; a computed one keeps
        // whatever its expression gave.
        if (column < 0 || FRecord.fieldName(column) != FOrderKeys[i].Field || !IsIntegerFieldType(fields[i]->DataType())
            || (FSqlite && FRecord.field(column).tableName().isEmpty()) || !IsIntegralKey(keys[qsizetype(i)], value))
            return false;
        values << value;
        columns.push_back(column);
    }
    return true;
}

bool TZSQLQuery::LocateCached(const QString& keyFields, const QVariant& keyValues, TLocateOptions options)
{
    FCachedScan = true;
    const auto reset = qScopeGuard([this] { FCachedScan = false; });
    return TDataSet::LocateRecord(keyFields, keyValues, options);
}

bool TZSQLQuery::LocateRecord(const QString& keyFields, const QVariant& keyValues, TLocateOptions options)
{
    // The rows in the cache first, when they begin with the first row: most keys a grid or a
    // lookup field asks for are among them. A row found there after rows that left the cache
    // may not be the first that matches.
    if (FWinFirst == 0 && LocateCached(keyFields, keyValues, options))
        return true;
    if (FAllFetched)
        return false;
    const std::vector<TField*> fields = GetFieldList(keyFields);
    // Where the rows from the first one are in the cache (the key is not among them), the
    // cursor goes to the row found before its place is counted: the count waits until a
    // record number is asked for, and reading back from the row to the first one saves it.
    const bool provisional = FWinFirst == 0 && CanSeekProvisional();
    QVariant sought;
    QVariantList keyList;
    QVariantList orderValues;
    std::vector<int> columns;
    if (provisional && FServerSearch && SplitLocateKeys(fields.size(), keyValues, sought, keyList)
        && KeysAreOrderKeys(fields, keyList, options, orderValues, columns)) {
        // The rows from the keys on: the first is the row sought, or no row holds the keys.
        if (!SeekProvisional(orderValues, [&](const std::vector<QVariant>& row) {
                QVariantList values;
                for (int column : columns)
                    values << row[size_t(column)];
                return LocateValuesMatch(values.size() == 1 ? values.front() : QVariant(values), sought, options);
            }))
            return false;
        // The record found, as a scan leaves it for the caller (Lookup reads its result from it).
        TRecordBuffer buffer = TempBuffer();
        return GetRecord(buffer, gmCurrent, false) == grOK && RecordMatches(buffer, fields, keyValues, options);
    }
    TServerMatch match;
    switch (FindOnServer(fields, keyValues, options, !provisional, match)) {
    case TServerAnswer::Absent:
        return false;
    case TServerAnswer::Found: {
        // On the row found, when it is the row the server said it is.
        // The page from the row on is read by its keys: no walk of the cursor to the place.
        bool placed = false;
        if (match.Serial) { // a row changed here
            const int position = PositionOf(match.Serial);
            placed = position >= 0 && EnsureFetched(position);
            if (placed)
                FCursor = position;
        } else if (provisional && match.Position < 0) {
            placed = SeekProvisional(match.OrderValues);
        } else {
            placed = match.Position >= 0 && SeekOrdinal(match.Position, match.OrderValues);
        }
        if (placed) {
            TRecordBuffer buffer = TempBuffer();
            if (GetRecord(buffer, gmCurrent, false) == grOK && RecordMatches(buffer, fields, keyValues, options))
                return true;
        }
        break;
    }
    case TServerAnswer::Unknown:
        break;
    }
    return TDataSet::LocateRecord(keyFields, keyValues, options);
}

bool TZSQLQuery::ServerLookup(const QString& keyFields, const QVariant& keyValues, const QString& resultFields,
                              QVariant& result)
{
    if (!FServerSearch || ClientFilterActive())
        return false;
    const std::vector<TField*> results = GetFieldList(resultFields);
    std::vector<int> resultColumns;
    for (const TField* field : results) {
        resultColumns.push_back(ServerColumn(field));
        if (resultColumns.back() < 0)
            return false;
    }
    if (FWinFirst == 0) {
        TScanCalcGuard scan(this);
        if (LocateCached(keyFields, keyValues, {})) {
            TTempBufferState temp(this, dsCalcFields, TempBuffer());
            result = GetFieldValue(resultFields);
            return true;
        }
    }
    result = QVariant();
    if (FAllFetched)
        return true;
    TServerMatch match;
    switch (FindOnServer(GetFieldList(keyFields), keyValues, {}, false, match)) {
    case TServerAnswer::Unknown:
        return false;
    case TServerAnswer::Absent:
        return true;
    case TServerAnswer::Found:
        break;
    }
    if (resultColumns.size() == 1) {
        result = match.Values[size_t(resultColumns.front())];
    } else {
        QVariantList list;
        for (int column : resultColumns)
            list << match.Values[size_t(column)];
        result = list;
    }
    return true;
}

QVariant TZSQLQuery::Lookup(const QString& keyFields, const QVariant& keyValues, const QString& resultFields)
{
    CheckActive();
    // A record filter may depend on anything: its answers are not kept; nor values of
    // calculated and client fields, which change without the server's rows changing.
    bool keep = !ClientFilterActive();
    for (const TField* field : GetFieldList(resultFields))
        keep = keep && ServerColumn(field) >= 0;
    QByteArray cacheKey;
    if (keep) {
        QDataStream stream(&cacheKey, QIODevice::WriteOnly);
        stream << keyFields.toUpper() << resultFields.toUpper() << keyValues;
        if (stream.status() != QDataStream::Ok)
            keep = false; // a value Qt cannot write out has no key
        else if (const QVariant* known = FLookups.object(cacheKey))
            return *known;
    }
    QVariant result;
    if (!ServerLookup(keyFields, keyValues, resultFields, result))
        result = TDataSet::Lookup(keyFields, keyValues, resultFields);
    if (keep)
        FLookups.insert(cacheKey, new QVariant(result));
    return result;
}

} // namespace zdb
