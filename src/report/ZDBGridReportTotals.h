#pragma once
// The report totals of TZDBGridReport (private to the unit): statistics per
// field, the arithmetic of ttExpression and ttGrowExpression, and the texts.

#include "ZDBGridReport.h"

#include <QHash>

#include <memory>
#include <vector>

namespace zdb {

class TDataSet;

// What one field's values came to.
struct TZReportFieldStats {
    qint64 Count = 0;      // non-null values
    double Sum = 0;        // their sum (numbers only)
    qint64 IntSum = 0;     // the exact sum of an integer field
    bool IntExact = true;  // IntSum holds (no overflow)
    QVariant Min, Max;     // invalid until a value came
    void Add(const QVariant& Value, bool Integer);
};

// A parsed total expression.
struct TZReportExpr;

class TZDBGridReport::TTotals
{
public:
    // Parses the expressions and lists the fields the totals of Columns need;
    // raises EDatabaseError for an expression that cannot be read.
    TTotals(const std::vector<TZColumn*>& Columns);
    ~TTotals();
    // Takes the final values from the dataset when it can give them all
    // (every record, no running values needed); true when it did.
    bool FromDataSet(TDataSet* DataSet);
    // Whether the records must be read (no totals from the dataset).
    bool NeedsRecords() const { return FNeedsRecords; }
    bool HasGrowing() const { return FGrowing; }
    // Takes the current record in.
    void AddRecord();
    // The total texts of the columns: final, or the running ones of the
    // ttGrowExpression columns (empty for the others).
    QStringList Texts(bool Running) const;

private:
    double Eval(const TZReportExpr& Expr, bool& Valid) const;
    QVariant Value(TZColumn* Column) const;

    std::vector<TZColumn*> FColumns;
    std::vector<std::unique_ptr<TZReportExpr>> FExprs; // per column, for the expressions
    std::vector<TField*> FFields;                        // the fields whose values are needed
    QHash<TField*, TZReportFieldStats> FStats;
    qint64 FRecords = 0;
    bool FNeedsRecords = false;
    bool FGrowing = false;
};

// Whether Field holds numbers (integers or fractions).
bool ReportNumericField(const TField* Field);

// A total value through a mask (see the unit's header); Field formats without mask.
QString FormatReportTotal(const QVariant& Value, const QString& Mask, TField* Field);

} // namespace zdb
