#include "DBError.h"

#include "SysUtils.h"
#include "ZDBTranslate.h"

#include <QMetaObject>
#include <QObject>

namespace zdb {

void DatabaseError(const QString& message, const QObject* component)
{
    if (component) {
        QString name = component->objectName();
        if (name.isEmpty()) {
            name = QString::fromLatin1(component->metaObject()->className());
            const qsizetype sep = name.lastIndexOf(QLatin1String("::"));
            if (sep >= 0)
                name = name.mid(sep + 2);
        }
        throw EDatabaseError(name + QLatin1String(": ") + Tr(message));
    }
    throw EDatabaseError(Tr(message));
}

void DatabaseErrorFmt(const QString& format, const QVariantList& args, const QObject* component)
{
    DatabaseError(Format(Tr(format), args), component);
}

} // namespace zdb
