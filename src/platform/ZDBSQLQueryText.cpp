// SQL text helpers of TZSQLQuery: tokenizing, parameter names, SELECT analysis,
// and the parameter list.

#include "ZDBSQLQuery.h"

#include <algorithm>

namespace zdb {

namespace {

bool IsWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c.unicode() >= 0x80;
}

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') || c.unicode() >= 0x80;
}

bool IsParamChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

bool IsWord(const TSqlToken& token, const char* word)
{
    return token.Kind == TSqlToken::tkWord && token.Text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool IsSymbol(const TSqlToken& token, char symbol)
{
    return token.Kind == TSqlToken::tkSymbol && token.Text.size() == 1 && token.Text.at(0) == QLatin1Char(symbol);
}

bool IsIdentifier(const TSqlToken& token)
{
    return token.Kind == TSqlToken::tkWord || token.Kind == TSqlToken::tkQuoted;
}

bool IsAnyWord(const TSqlToken& token, std::initializer_list<const char*> words)
{
    for (const char* word : words)
        if (IsWord(token, word))
            return true;
    return false;
}

// Words that end the FROM list of a SELECT.
bool EndsFromClause(const TSqlToken& token)
{
    return IsAnyWord(token, {"WHERE", "GROUP", "HAVING", "ORDER", "LIMIT", "OFFSET", "UNION", "INTERSECT",
                             "EXCEPT", "WINDOW", "FOR", "FETCH", "RETURNING"})
           || IsSymbol(token, ';');
}

bool IsJoinWord(const TSqlToken& token)
{
    return IsAnyWord(token, {"JOIN", "LEFT", "RIGHT", "FULL", "INNER", "OUTER", "CROSS", "NATURAL", "LATERAL"});
}

// Words that cannot be an alias written without AS.
bool IsReservedAfterName(const TSqlToken& token)
{
    return IsJoinWord(token) || EndsFromClause(token)
           || IsAnyWord(token, {"ON", "USING", "AS", "FROM", "AND", "OR", "NOT", "IS", "NULL", "END", "ELSE",
                                "THEN", "WHEN", "IN", "LIKE", "BETWEEN", "ASC", "DESC", "COLLATE", "TABLESAMPLE"});
}

bool IsAggregateName(const TSqlToken& token)
{
    return IsAnyWord(token, {"COUNT", "SUM", "AVG", "MIN", "MAX", "TOTAL", "GROUP_CONCAT", "STRING_AGG",
                             "ARRAY_AGG", "BOOL_AND", "BOOL_OR", "EVERY", "JSON_AGG", "JSONB_AGG",
                             "JSON_OBJECT_AGG", "JSONB_OBJECT_AGG", "JSON_GROUP_ARRAY", "JSON_GROUP_OBJECT",
                             "STDDEV", "STDDEV_POP", "STDDEV_SAMP", "VARIANCE", "VAR_POP", "VAR_SAMP",
                             "BIT_AND", "BIT_OR", "XMLAGG"});
}

// Splits [first, last) at the commas of depth `depth`.
std::vector<std::vector<TSqlToken>> SplitAtCommas(const std::vector<TSqlToken>& tokens, size_t first, size_t last,
                                                  int depth)
{
    std::vector<std::vector<TSqlToken>> parts(1);
    for (size_t i = first; i < last; ++i) {
        if (tokens[i].Depth == depth && IsSymbol(tokens[i], ','))
            parts.emplace_back();
        else
            parts.back().push_back(tokens[i]);
    }
    if (parts.size() == 1 && parts.front().empty())
        parts.clear();
    return parts;
}

// "a.b.c" as identifier tokens separated by dots; returns the number of tokens consumed (0 = none).
size_t ReadDottedName(const std::vector<TSqlToken>& tokens, size_t from, QStringList& parts, QStringList& sqlParts)
{
    size_t i = from;
    if (i >= tokens.size() || !IsIdentifier(tokens[i]))
        return 0;
    for (;;) {
        parts << tokens[i].Text;
        sqlParts << tokens[i].Text; // replaced by the caller with the source text when needed
        ++i;
        if (i + 1 < tokens.size() && IsSymbol(tokens[i], '.') && IsIdentifier(tokens[i + 1])) {
            ++i;
            continue;
        }
        return i - from;
    }
}

QString SourceText(const QString& sql, const TSqlToken& first, const TSqlToken& last)
{
    return sql.mid(first.Start, last.Start + last.Length - first.Start);
}

TSqlSelectInfo::TItem AnalyzeItem(const QString& sql, const std::vector<TSqlToken>& t)
{
    TSqlSelectInfo::TItem item;
    const size_t n = t.size();
    if (n == 1 && IsSymbol(t[0], '*')) {
        item.Star = true;
        return item;
    }
    if (n >= 3 && IsSymbol(t[n - 1], '*') && IsSymbol(t[n - 2], '.')) {
        QStringList parts, sqlParts;
        if (ReadDottedName(t, 0, parts, sqlParts) == n - 2) {
            item.Star = true;
            item.Qualifier = parts.back();
            return item;
        }
    }
    size_t coreLength = n;
    QString alias;
    if (n >= 3 && IsWord(t[n - 2], "AS") && IsIdentifier(t[n - 1])) {
        alias = t[n - 1].Text;
        coreLength = n - 2;
    } else if (n >= 2 && IsIdentifier(t[n - 1]) && IsIdentifier(t[n - 2]) && !IsReservedAfterName(t[n - 1])) {
        alias = t[n - 1].Text;
        coreLength = n - 1;
    }
    QStringList parts, sqlParts;
    const size_t used = ReadDottedName(t, 0, parts, sqlParts);
    if (used > 0 && used == coreLength && parts.size() <= 3) {
        item.Column = parts.back();
        item.ColumnSql = SourceText(sql, t[coreLength - 1], t[coreLength - 1]);
        if (parts.size() >= 2)
            item.Qualifier = parts[parts.size() - 2];
        item.Alias = alias;
        return item;
    }
    item.Expression = true;
    item.Alias = alias;
    return item;
}

bool ItemHasAggregate(const std::vector<TSqlToken>& t)
{
    bool windowOrSubquery = false;
    for (const TSqlToken& token : t)
        if (IsWord(token, "OVER") || IsWord(token, "SELECT"))
            windowOrSubquery = true;
    if (windowOrSubquery)
        return false;
    for (size_t i = 0; i + 1 < t.size(); ++i)
        if (IsAggregateName(t[i]) && IsSymbol(t[i + 1], '('))
            return true;
    return false;
}

// Reads the table references of a FROM list; `joined` tells whether there was
// more than one plain table reference (a join, a comma, or anything unexpected).
void AnalyzeFrom(const QString& sql, const std::vector<TSqlToken>& tokens, size_t first, size_t last,
                 TSqlSelectInfo& info, bool& joined)
{
    joined = false;
    const int depth = tokens[first].Depth;
    size_t i = first;
    while (i < last) {
        TSqlSelectInfo::TTableRef ref;
        if (IsWord(tokens[i], "ONLY"))
            ++i;
        QStringList parts, sqlParts;
        const size_t used = i < last ? ReadDottedName(tokens, i, parts, sqlParts) : 0;
        if (used == 0 || i + used > last || (i + used < last && IsSymbol(tokens[i + used], '('))) {
            ref.Derived = true;
        } else {
            ref.NameParts = parts;
            ref.Sql = SourceText(sql, tokens[i], tokens[i + used - 1]);
            i += used;
            if (i + 1 < last && IsWord(tokens[i], "AS") && IsIdentifier(tokens[i + 1])) {
                ref.Alias = tokens[i + 1].Text;
                i += 2;
            } else if (i < last && IsIdentifier(tokens[i]) && !IsReservedAfterName(tokens[i])) {
                ref.Alias = tokens[i].Text;
                ++i;
            }
        }
        info.Tables.push_back(ref);
        // Whatever follows up to the next reference (join words, ON/USING conditions) means a join.
        while (i < last) {
            const TSqlToken& token = tokens[i++];
            if (token.Depth > depth)
                continue;
            joined = true;
            if (IsSymbol(token, ',') || IsWord(token, "JOIN"))
                break;
        }
    }
}

} // namespace

std::vector<TSqlToken> TokenizeSql(const QString& sql)
{
    std::vector<TSqlToken> tokens;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    int depth = 0;
    auto push = [&](TSqlToken::TKind kind, qsizetype start, qsizetype end, const QString& text) {
        TSqlToken token;
        token.Kind = kind;
        token.Start = start;
        token.Length = end - start;
        token.Depth = depth;
        token.Text = text;
        tokens.push_back(std::move(token));
    };
    // A quoted run starting at sql[start] == quote; doubled quotes escape. Returns the end offset.
    auto scanQuoted = [&](qsizetype start, QChar quote, bool backslashEscapes, QString* unquoted) {
        qsizetype j = start + 1;
        while (j < n) {
            const QChar c = sql.at(j);
            if (backslashEscapes && c == QLatin1Char('\\') && j + 1 < n) {
                if (unquoted)
                    unquoted->append(sql.at(j + 1));
                j += 2;
                continue;
            }
            if (c == quote) {
                if (j + 1 < n && sql.at(j + 1) == quote) {
                    if (unquoted)
                        unquoted->append(quote);
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            if (unquoted)
                unquoted->append(c);
            ++j;
        }
        return n;
    };

    while (i < n) {
        const QChar c = sql.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            while (i < n && sql.at(i) != QLatin1Char('\n'))
                ++i;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            int nesting = 1;
            i += 2;
            while (i < n && nesting > 0) {
                if (sql.at(i) == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
                    ++nesting;
                    i += 2;
                } else if (sql.at(i) == QLatin1Char('*') && i + 1 < n && sql.at(i + 1) == QLatin1Char('/')) {
                    --nesting;
                    i += 2;
                } else {
                    ++i;
                }
            }
            continue;
        }
        if (c == QLatin1Char('\'')) {
            const qsizetype end = scanQuoted(i, c, false, nullptr);
            push(TSqlToken::tkString, i, end, sql.mid(i, end - i));
            i = end;
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('`')) {
            QString name;
            const qsizetype end = scanQuoted(i, c, false, &name);
            push(TSqlToken::tkQuoted, i, end, name);
            i = end;
            continue;
        }
        if (c == QLatin1Char('$')) {
            // $tag$ ... $tag$ (PostgreSQL) or a positional $1 parameter.
            qsizetype j = i + 1;
            while (j < n && (sql.at(j).isLetterOrNumber() || sql.at(j) == QLatin1Char('_')))
                ++j;
            const bool positional = j > i + 1 && sql.at(i + 1).isDigit();
            if (!positional && j < n && sql.at(j) == QLatin1Char('$')) {
                const QString tag = sql.mid(i, j - i + 1);
                const qsizetype close = sql.indexOf(tag, j + 1);
                const qsizetype end = close < 0 ? n : close + tag.size();
                push(TSqlToken::tkString, i, end, sql.mid(i, end - i));
                i = end;
                continue;
            }
            push(TSqlToken::tkSymbol, i, j, sql.mid(i, j - i));
            i = j;
            continue;
        }
        if (c == QLatin1Char(':')) {
            if (i + 1 < n && sql.at(i + 1) == QLatin1Char(':')) {
                push(TSqlToken::tkSymbol, i, i + 2, QStringLiteral("::"));
                i += 2;
                continue;
            }
            if (i + 1 < n && IsWordStart(sql.at(i + 1))) {
                qsizetype j = i + 1;
                while (j < n && IsParamChar(sql.at(j)))
                    ++j;
                push(TSqlToken::tkParam, i, j, sql.mid(i + 1, j - i - 1));
                i = j;
                continue;
            }
            push(TSqlToken::tkSymbol, i, i + 1, QStringLiteral(":"));
            ++i;
            continue;
        }
        if (IsWordStart(c)) {
            // A one-letter prefix glued to a string: E'..', X'..', B'..', N'..', U&'..'.
            if (i + 1 < n && sql.at(i + 1) == QLatin1Char('\'')
                && QStringLiteral("EeXxBbNn").contains(c)) {
                const bool escapes = c == QLatin1Char('E') || c == QLatin1Char('e');
                const qsizetype end = scanQuoted(i + 1, QLatin1Char('\''), escapes, nullptr);
                push(TSqlToken::tkString, i, end, sql.mid(i, end - i));
                i = end;
                continue;
            }
            qsizetype j = i + 1;
            while (j < n && IsWordChar(sql.at(j)))
                ++j;
            push(TSqlToken::tkWord, i, j, sql.mid(i, j - i));
            i = j;
            continue;
        }
        if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && sql.at(i + 1).isDigit())) {
            qsizetype j = i + 1;
            while (j < n) {
                const QChar d = sql.at(j);
                if (d.isLetterOrNumber() || d == QLatin1Char('.') || d == QLatin1Char('_')) {
                    ++j;
                } else if ((d == QLatin1Char('+') || d == QLatin1Char('-'))
                           && (sql.at(j - 1) == QLatin1Char('e') || sql.at(j - 1) == QLatin1Char('E'))) {
                    ++j;
                } else {
                    break;
                }
            }
            push(TSqlToken::tkNumber, i, j, sql.mid(i, j - i));
            i = j;
            continue;
        }
        if (c == QLatin1Char(')'))
            depth = std::max(0, depth - 1);
        push(TSqlToken::tkSymbol, i, i + 1, QString(c));
        if (c == QLatin1Char('('))
            ++depth;
        ++i;
    }
    return tokens;
}

QStringList SqlParamNames(const QString& sql)
{
    QStringList names;
    for (const TSqlToken& token : TokenizeSql(sql))
        if (token.Kind == TSqlToken::tkParam)
            names << token.Text;
    return names;
}

QString StripSqlTerminator(const QString& sql)
{
    std::vector<TSqlToken> tokens = TokenizeSql(sql);
    qsizetype end = sql.size();
    while (!tokens.empty() && IsSymbol(tokens.back(), ';')) {
        end = tokens.back().Start;
        tokens.pop_back();
    }
    if (tokens.empty())
        return QString();
    // Keep a trailing comment out of reach of text appended later: cut after the last token.
    end = std::min(end, tokens.back().Start + tokens.back().Length);
    return sql.left(end).trimmed();
}

// ---------------------------------------------------------------------------
// The ORDER BY clause of the outermost query

namespace {

// A clause that follows ORDER BY, or the statement's end, at token i (depth 0).
// OFFSET, FETCH and FOR may be column names (SQLite takes them as such), so
// they count only when what follows makes them the clause.
bool IsOrderByTail(const std::vector<TSqlToken>& tokens, size_t i)
{
    const TSqlToken& token = tokens[i];
    if (IsSymbol(token, ';'))
        return true;
    if (i > 0 && IsSymbol(tokens[i - 1], '.'))
        return false;
    const TSqlToken* next = i + 1 < tokens.size() ? &tokens[i + 1] : nullptr;
    if (IsWord(token, "LIMIT"))
        return true;
    if (IsWord(token, "OFFSET"))
        return next
               && (next->Kind == TSqlToken::tkNumber || next->Kind == TSqlToken::tkParam || IsSymbol(*next, '(')
                   || IsSymbol(*next, '?') || next->Text.startsWith(QLatin1Char('$')));
    if (IsWord(token, "FETCH"))
        return next && IsAnyWord(*next, {"FIRST", "NEXT"});
    if (IsWord(token, "FOR"))
        return next && IsAnyWord(*next, {"UPDATE", "SHARE", "NO", "KEY", "READ"});
    return false;
}

struct TOrderByPlace {
    size_t Tail = 0;       // the first token of the clauses after the ORDER BY items (or the end)
    size_t Order = 0;      // the ORDER keyword; valid when Found
    bool Found = false;
    size_t FirstItem = 0;  // the items are the tokens [FirstItem, Tail)
};

TOrderByPlace FindOrderBy(const std::vector<TSqlToken>& tokens)
{
    TOrderByPlace place;
    size_t end = tokens.size();
    for (size_t i = 0; i < end; ++i) {
        if (tokens[i].Depth != 0)
            continue;
        if (IsSymbol(tokens[i], ';')) {
            end = i;
            break;
        }
        if (IsWord(tokens[i], "ORDER") && i + 1 < end && tokens[i + 1].Depth == 0 && IsWord(tokens[i + 1], "BY")) {
            place.Found = true;
            place.Order = i;
            place.FirstItem = i + 2;
        }
    }
    place.Tail = end;
    for (size_t i = place.Found ? place.FirstItem : 0; i < end; ++i) {
        if (tokens[i].Depth == 0 && IsOrderByTail(tokens, i)) {
            place.Tail = i;
            break;
        }
    }
    return place;
}

qsizetype TokenEnd(const TSqlToken& token)
{
    return token.Start + token.Length;
}

bool IsBlankLine(const QString& text, qsizetype from, qsizetype to)
{
    for (qsizetype i = from; i < to; ++i)
        if (!text.at(i).isSpace())
            return false;
    return true;
}

// The text without [from, to), taking the blanks before it along, and the
// line it stood on when nothing else is left on it.
QString RemoveClause(const QString& sql, qsizetype from, qsizetype to)
{
    while (from > 0 && (sql.at(from - 1) == QLatin1Char(' ') || sql.at(from - 1) == QLatin1Char('\t')))
        --from;
    QString text = sql.left(from) + sql.mid(to);
    const qsizetype lineStart = from > 0 ? text.lastIndexOf(QLatin1Char('\n'), from - 1) + 1 : 0;
    qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), from);
    if (lineEnd < 0)
        lineEnd = text.size();
    if (lineStart > 0 && IsBlankLine(text, lineStart, lineEnd))
        text.remove(lineStart - 1, lineEnd - lineStart + 1);
    return text;
}

} // namespace

QString SqlOrderByItems(const QString& sql)
{
    const std::vector<TSqlToken> tokens = TokenizeSql(sql);
    const TOrderByPlace place = FindOrderBy(tokens);
    if (!place.Found)
        return QString();
    QStringList items;
    for (const auto& item : SplitAtCommas(tokens, place.FirstItem, place.Tail, 0))
        if (!item.empty())
            items << SourceText(sql, item.front(), item.back()).simplified();
    return items.join(QLatin1Char(','));
}

QString ReplaceSqlOrderBy(const QString& sql, const QString& orderBy)
{
    const std::vector<TSqlToken> tokens = TokenizeSql(sql);
    const TOrderByPlace place = FindOrderBy(tokens);
    if (place.Found) {
        const bool noItems = place.FirstItem >= place.Tail;
        const qsizetype itemsEnd = TokenEnd(tokens[noItems ? place.FirstItem - 1 : place.Tail - 1]);
        if (orderBy.isEmpty())
            return RemoveClause(sql, tokens[place.Order].Start, itemsEnd);
        // Neither BY nor what followed the old items with nothing between
        // ("BY'a'", '"a"FOR UPDATE') may run into the new ones.
        const QString rest = sql.mid(itemsEnd);
        QString items =
            !rest.isEmpty() && !rest.at(0).isSpace() && rest.at(0) != QLatin1Char(';') ? orderBy + QLatin1Char(' ') : orderBy;
        if (noItems)
            return sql.left(itemsEnd) + QLatin1Char(' ') + items + rest;
        const qsizetype start = tokens[place.FirstItem].Start;
        if (!sql.at(start - 1).isSpace())
            items.prepend(QLatin1Char(' '));
        return sql.left(start) + items + rest;
    }
    if (orderBy.isEmpty() || place.Tail == 0)
        return sql;
    const qsizetype at = TokenEnd(tokens[place.Tail - 1]);
    // A following clause on the same line keeps the clause on that line.
    bool newLine = true;
    if (place.Tail < tokens.size() && !IsSymbol(tokens[place.Tail], ';'))
        newLine = sql.mid(at, tokens[place.Tail].Start - at).contains(QLatin1Char('\n'));
    QString clause = (newLine ? QStringLiteral("\n") : QStringLiteral(" ")) + QStringLiteral("ORDER BY ") + orderBy;
    if (at < sql.size() && !sql.at(at).isSpace() && sql.at(at) != QLatin1Char(';'))
        clause += QLatin1Char(' ');
    return sql.left(at) + clause + sql.mid(at);
}

QString SqlUnorderedText(const QString& sql)
{
    const std::vector<TSqlToken> tokens = TokenizeSql(sql);
    const TOrderByPlace place = FindOrderBy(tokens);
    if (!place.Found || (place.Tail < tokens.size() && !IsSymbol(tokens[place.Tail], ';')))
        return sql;
    return ReplaceSqlOrderBy(sql, QString());
}

TSqlSelectInfo AnalyzeSelect(const QString& sql)
{
    TSqlSelectInfo info;
    const std::vector<TSqlToken> tokens = TokenizeSql(sql);
    if (tokens.empty())
        return info;
    if (IsWord(tokens[0], "WITH") || IsSymbol(tokens[0], '(')) {
        info.IsSelect = true;
        return info;
    }
    if (!IsWord(tokens[0], "SELECT"))
        return info;
    info.IsSelect = true;

    size_t itemsStart = 1;
    if (itemsStart < tokens.size() && IsAnyWord(tokens[itemsStart], {"DISTINCT", "DISTINCTROW"})) {
        info.Distinct = true;
        ++itemsStart;
    } else if (itemsStart < tokens.size() && IsWord(tokens[itemsStart], "ALL")) {
        ++itemsStart;
    }
    size_t from = tokens.size();
    for (size_t i = itemsStart; i < tokens.size(); ++i) {
        if (tokens[i].Depth == 0 && IsWord(tokens[i], "FROM")) {
            from = i;
            break;
        }
    }
    size_t fromEnd = tokens.size();
    for (size_t i = from + 1; i < tokens.size(); ++i) {
        if (tokens[i].Depth == 0 && EndsFromClause(tokens[i])) {
            fromEnd = i;
            break;
        }
    }
    for (size_t i = from; i < tokens.size(); ++i) {
        if (tokens[i].Depth != 0)
            continue;
        if (IsAnyWord(tokens[i], {"GROUP", "HAVING"}))
            info.Grouped = true;
        if (IsAnyWord(tokens[i], {"UNION", "INTERSECT", "EXCEPT"}))
            info.SetOperation = true;
        if (IsWord(tokens[i], "FOR") && i + 1 < tokens.size()
            && IsAnyWord(tokens[i + 1], {"UPDATE", "SHARE", "NO", "KEY"}))
            info.Locking = true;
    }

    for (const auto& itemTokens : SplitAtCommas(tokens, itemsStart, from, 0)) {
        if (itemTokens.empty())
            continue;
        info.Items.push_back(AnalyzeItem(sql, itemTokens));
        if (ItemHasAggregate(itemTokens))
            info.Aggregate = true;
    }

    bool joined = false;
    if (from < tokens.size() && from + 1 < fromEnd)
        AnalyzeFrom(sql, tokens, from + 1, fromEnd, info, joined);
    info.Simple = from < tokens.size() && !joined && info.Tables.size() == 1 && !info.Tables.front().Derived
                  && !info.Distinct && !info.Grouped && !info.Aggregate && !info.SetOperation;
    return info;
}

// ---------------------------------------------------------------------------
// Parameters

void TParam::SetValue(const QVariant& value)
{
    FValue = value;
    FBound = true;
}

void TParam::SetBound(bool value)
{
    FBound = value;
    if (!value)
        FValue = QVariant();
}

TParam* TParams::FindParam(const QString& name) const
{
    for (const auto& param : FItems)
        if (param->FName.compare(name, Qt::CaseInsensitive) == 0)
            return param.get();
    return nullptr;
}

TParam& TParams::ParamByName(const QString& name) const
{
    TParam* param = FindParam(name);
    if (!param)
        DatabaseError(QStringLiteral("Parameter '%1' not found").arg(name), FOwner);
    return *param;
}

QStringList TParams::Names() const
{
    QStringList names;
    for (const auto& param : FItems)
        names << param->FName;
    return names;
}

void TParams::ParseSQL(const QString& sql)
{
    std::vector<std::unique_ptr<TParam>> items;
    for (const QString& name : SqlParamNames(sql)) {
        auto same = std::find_if(items.begin(), items.end(), [&](const std::unique_ptr<TParam>& p) {
            return p->FName.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (same != items.end()) {
            if (!(*same)->FSpellings.contains(name))
                (*same)->FSpellings << name;
            continue;
        }
        auto old = std::find_if(FItems.begin(), FItems.end(), [&](const std::unique_ptr<TParam>& p) {
            return p && p->FName.compare(name, Qt::CaseInsensitive) == 0;
        });
        std::unique_ptr<TParam> param;
        if (old != FItems.end()) {
            param = std::move(*old);
            param->FSpellings.clear();
        } else {
            param = std::make_unique<TParam>(name);
        }
        param->FSpellings << name;
        items.push_back(std::move(param));
    }
    FItems = std::move(items);
}

} // namespace zdb
