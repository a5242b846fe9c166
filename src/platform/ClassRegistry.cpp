// The registry of classes by name.

#include "ClassRegistry.h"

#include <QHash>
#include <QMetaObject>
#include <QObject>

namespace zdb {

namespace {

QHash<QString, const QMetaObject*>& Registry()
{
    static QHash<QString, const QMetaObject*> registry;
    return registry;
}

QString KeyOf(const QString& className)
{
    return className.toLower();
}

QString ShortName(const QMetaObject& metaObject)
{
    const QString name = QString::fromLatin1(metaObject.className());
    const qsizetype at = name.lastIndexOf(QLatin1String("::"));
    return at < 0 ? name : name.mid(at + 2);
}

} // namespace

void RegisterClass(const QMetaObject& metaObject)
{
    Registry().insert(KeyOf(ShortName(metaObject)), &metaObject);
}

void UnRegisterClass(const QMetaObject& metaObject)
{
    auto& registry = Registry();
    const auto it = registry.constFind(KeyOf(ShortName(metaObject)));
    if (it != registry.constEnd() && it.value() == &metaObject)
        registry.erase(it);
}

const QMetaObject* GetClass(const QString& className)
{
    return Registry().value(KeyOf(className), nullptr);
}

std::unique_ptr<QObject> CreateRegisteredObject(const QString& className)
{
    const QMetaObject* metaObject = GetClass(className);
    return std::unique_ptr<QObject>(metaObject ? metaObject->newInstance(Q_ARG(QObject*, nullptr)) : nullptr);
}

} // namespace zdb
