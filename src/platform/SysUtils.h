#pragma once
// Text formatting with the classic "%s"/"%d" format strings the library's messages use.

#include <QString>
#include <QVariant>
#include <QVariantList>

namespace zdb {

// Formats like the classic Format routine: "%s", "%d", "%u", "%x", "%f", "%g", "%e",
// "%n", "%m" with optional argument index ("%0:s"), left alignment ("-"), width and
// precision ("%8.2f"), and "%%" for a percent sign. Arguments without an index are
// taken in order, continuing after the last indexed one. A format that asks for a
// missing argument raises EDatabaseError.
QString Format(const QString& format, const QVariantList& args);

} // namespace zdb
