#pragma once
// Classes registered by name, so that objects stored by class name (fields of a saved form)
// can be made again: a unit registers its streamable classes when it starts and unregisters
// them when it stops. A class is made through its Q_INVOKABLE constructor that takes an
// optional parent.

#include <QString>

#include <memory>

class QMetaObject;
class QObject;

namespace zdb {

// Registers the class under its name without the C++ namespace ("TZGraphicField"); a second
// registration of the same name replaces the first.
void RegisterClass(const QMetaObject& metaObject);
// Removes the class, when it is the one registered under its name.
void UnRegisterClass(const QMetaObject& metaObject);
// The class registered under the name (compared ignoring case), or none.
const QMetaObject* GetClass(const QString& className);
// A new object of the registered class; none when the name is unknown.
std::unique_ptr<QObject> CreateRegisteredObject(const QString& className);

} // namespace zdb
