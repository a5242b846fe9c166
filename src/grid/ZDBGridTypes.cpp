#include "ZDBGridTypes.h"

namespace zdb {

int DelayInterval = 200;
QString NullValueString;
int MaxDropDownRows = 20;
int MaxDropDownWidth = 800;
int ListDropDownDelay = 8;
bool ListMouseTracking = true;
QString DefAutoNumberFormat = QStringLiteral("%d.");
QString DefAutoNumberTitle = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "No."));
int DefAutoNumberWidth = 48;
QString DefAutoSelectTitle = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Select"));
int DefAutoSelectWidth = 48;
QString DefAutoExpandTitle = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Expand"));
int DefAutoExpandWidth = 48;
QString DefPickTextFormat = QStringLiteral("%1:s - %0:s");
QString DefaultDelimiter = QStringLiteral(",");
QString DefaultIniFileName;
QString DefaultRegistryKey = QStringLiteral("\\Software\\Quarnel Software\\ZDBGrid");

} // namespace zdb
