// The record-set layer's messages.

#include "DB.h"

namespace zdb {

QString SDataSetClosed = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Cannot perform this operation on a closed dataset"));
QString SDataSetOpen = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Cannot perform this operation on an open dataset"));
QString SDataSetReadOnly = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Cannot modify a read-only dataset"));
QString SDataSetEmpty = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Cannot perform this operation on an empty dataset"));
QString SDataSetUnidirectional = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Operation not allowed on a unidirectional dataset"));
QString SNotEditing = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Dataset not in edit or insert mode"));
QString SRecordNotFound = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Record not found"));
QString SBookmarkForeign = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Bookmark does not belong to this dataset"));
QString SFieldNotFound = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Field '%s' not found"));
QString SFieldReadOnly = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Field '%s' cannot be modified"));
QString SFieldRequired = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Field '%s' must have a value"));
QString SUnknownFieldType = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Field '%s' is of an unknown type"));
QString SDuplicateFieldName = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Duplicate field name '%s'"));
QString SCircularDataLink = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Circular datalinks are not allowed"));
QString STooManyColumns = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Grid requested to display too many columns"));
QString SDeleteRecordQuestion = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Delete record?"));
QString SDeleteMultipleRecordsQuestion = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Delete all selected records?"));

} // namespace zdb
