// The order fields of a grid on their way into SQL, and the query's SQL text
// helpers. The input's first line is an order-fields string, the rest a
// statement. Properties:
// - the validated ORDER BY text holds only field names of the table, each bare
//   or quoted, each optionally followed by " DESC"; unquoted and validated again
//   it is the same;
// - the statement (with balanced parentheses) rewritten with it reads back
//   exactly those items after its ORDER BY, and rewritten without it reads back none;
// - an index-field string made of the order fields converts back to them;
// - the tokens lie inside the text, in order, without overlapping.

#include "FuzzUtil.h"

#include "DBError.h"
#include "ZDBGridOrder.h"
#include "ZDBGridOrderSQL.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"

using namespace zdb;

namespace {

bool IsValidatedItem(const QString& item)
{
    static const QStringList names = {"Id", "Name", "Price", "Born", "Paid", "Full Name"};
    QString name = item;
    if (name.endsWith(QLatin1String(" DESC")))
        name.chop(5);
    for (const QString& field : names)
        if (name == field || name == QuoteSqlIdentifier(field))
            return true;
    return false;
}

void CheckTokens(const QString& sql)
{
    qsizetype end = 0;
    for (const TSqlToken& token : TokenizeSql(sql)) {
        fuzz::Check(token.Start >= end && token.Length > 0 && token.Start + token.Length <= sql.size(),
                    "tokens lie inside the text in order", sql);
        end = token.Start + token.Length;
    }
}

// How many ORDER BY clauses stand outside parentheses: a valid statement has one
// at most, and removing one of two leaves the other.
int TopLevelOrderBys(const QString& sql)
{
    const std::vector<TSqlToken> tokens = TokenizeSql(sql);
    int count = 0;
    for (size_t i = 0; i + 1 < tokens.size(); ++i)
        if (tokens[i].Depth == 0 && tokens[i].Text.compare(QLatin1String("ORDER"), Qt::CaseInsensitive) == 0
            && tokens[i + 1].Text.compare(QLatin1String("BY"), Qt::CaseInsensitive) == 0)
            ++count;
    return count;
}

// Parentheses that close in order, quotes and comments that close: the ORDER BY
// of a statement that leaves one open stands inside it, and the server refuses
// such a text anyway.
bool Balanced(const QString& sql)
{
    int depth = 0;
    for (const TSqlToken& token : TokenizeSql(sql)) {
        if (token.Kind == TSqlToken::tkSymbol && token.Text == QLatin1String("("))
            ++depth;
        else if (token.Kind == TSqlToken::tkSymbol && token.Text == QLatin1String(")") && --depth < 0)
            return false;
    }
    if (depth != 0 || TopLevelOrderBys(sql) > 1)
        return false;
    // Control characters other than blanks are no part of a statement the servers read.
    for (QChar c : sql)
        if (c.category() == QChar::Other_Control && !c.isSpace())
            return false;
    // Nor may a quote, a $tag$ string or a block comment stay open to the end
    // of the text: if one does, text added after a line break disappears into
    // it instead of standing as a token of its own.
    const std::vector<TSqlToken> tokens = TokenizeSql(sql);
    if (tokens.empty() || (tokens.front().Kind == TSqlToken::tkSymbol && tokens.front().Text == QLatin1String(";")))
        return false; // no statement before the first terminator: nothing to order
    const std::vector<TSqlToken> extended = TokenizeSql(sql + QLatin1String("\n0"));
    return extended.size() == tokens.size() + 1 && extended.back().Start == sql.size() + 1
           && extended.back().Kind == TSqlToken::tkNumber;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 8192)
        return 0;
    static const std::unique_ptr<TZMemDataSet> table = fuzz::MakeTable();
    const QString input = fuzz::Text(data, size);
    const qsizetype lineEnd = input.indexOf(u'\n');
    const QString orderFields = lineEnd < 0 ? input : input.left(lineEnd);
    const QString sql = lineEnd < 0 ? QString() : input.mid(lineEnd + 1);

    // The statement's own helpers.
    CheckTokens(sql);
    SqlParamNames(sql);
    AnalyzeSelect(sql);
    const QString stripped = StripSqlTerminator(sql);
    fuzz::Check(stripped.size() <= sql.size(), "stripping the terminator never adds text", sql);
    const QString unordered = SqlUnorderedText(sql);
    if (unordered != sql && TopLevelOrderBys(sql) == 1)
        fuzz::Check(SqlOrderByItems(unordered).isEmpty(), "the unordered text has no ORDER BY", sql);

    // The order-field algebra never fails on any text.
    QString fields, descFields;
    SplitOrderFields(orderFields, fields, descFields);
    UnifyOrderFields(fields, descFields, false);
    ValidFieldNames(table.get(), orderFields, false);
    QString rest = orderFields;
    ScanStr(rest);
    ScanInt(rest, 0);

    QString safe;
    try {
        safe = SafeSQLOrderFields(table.get(), orderFields);
    } catch (const EDatabaseError&) {
        return 0;
    }
    const QStringList items = safe.isEmpty() ? QStringList() : safe.split(u',');
    for (const QString& item : items)
        fuzz::Check(IsValidatedItem(item), "only field names and DESC reach ORDER BY", orderFields + "\n" + safe);
    const QString gridForm = UnquoteSQLOrderFields(safe);
    fuzz::Check(SafeSQLOrderFields(table.get(), gridForm) == safe, "the unquoted order validates to itself",
                orderFields + "\n" + safe + "\n" + gridForm);

    const QString indexFields = OrderFieldsToIndexFields(gridForm, QStringLiteral(":A;:D;:N"));
    fuzz::Check(CompareOrderFields(IndexFieldsToOrderFields(indexFields, QStringLiteral(":A;:D;:N")), gridForm),
                "index fields convert back to the order fields", gridForm + "\n" + indexFields);

    const QString rewritten = ReplaceSqlOrderBy(sql, safe);
    CheckTokens(rewritten);
    if (!safe.isEmpty() && Balanced(sql))
        fuzz::Check(SqlOrderByItems(rewritten) == safe, "the rewritten statement orders by the validated items",
                    sql + "\n---\n" + safe + "\n---\n" + rewritten);
    const QString removed = ReplaceSqlOrderBy(rewritten, QString());
    fuzz::Check(!Balanced(sql) || SqlOrderByItems(removed).isEmpty(), "a removed ORDER BY is gone",
                rewritten + "\n---\n" + removed);

    QStringList lines = sql.split(u'\n');
    ModifySQLOrderFields(lines, safe);
    if (!safe.isEmpty() && Balanced(sql))
        fuzz::Check(ExtractSQLOrderFields(lines) == safe, "the modified lines order by the validated items",
                    sql + "\n---\n" + safe + "\n---\n" + lines.join(u'\n'));
    return 0;
}
