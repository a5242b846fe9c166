// The record-set layer's messages.

#include "DB.h"

namespace zdb {

QString SDataSetClosed = QStringLiteral("Cannot perform this operation on a closed dataset");
QString SDataSetOpen = QStringLiteral("Cannot perform this operation on an open dataset");
QString SDataSetReadOnly = QStringLiteral("Cannot modify a read-only dataset");
QString SDataSetEmpty = QStringLiteral("Cannot perform this operation on an empty dataset");
QString SDataSetUnidirectional = QStringLiteral("Operation not allowed on a unidirectional dataset");
QString SNotEditing = QStringLiteral("Dataset not in edit or insert mode");
QString SRecordNotFound = QStringLiteral("Record not found");
QString SBookmarkForeign = QStringLiteral("Bookmark does not belong to this dataset");
QString SFieldNotFound = QStringLiteral("Field '%s' not found");
QString SFieldReadOnly = QStringLiteral("Field '%s' cannot be modified");
QString SFieldRequired = QStringLiteral("Field '%s' must have a value");
QString SUnknownFieldType = QStringLiteral("Field '%s' is of an unknown type");
QString SDuplicateFieldName = QStringLiteral("Duplicate field name '%s'");
QString SCircularDataLink = QStringLiteral("Circular datalinks are not allowed");
QString STooManyColumns = QStringLiteral("Grid requested to display too many columns");
QString SDeleteRecordQuestion = QStringLiteral("Delete record?");
QString SDeleteMultipleRecordsQuestion = QStringLiteral("Delete all selected records?");

} // namespace zdb
