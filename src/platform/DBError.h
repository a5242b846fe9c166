#pragma once
// The one exception type of the record-set layer and of the components built on it.

#include <QString>
#include <QVariantList>
#include <stdexcept>

class QObject;

namespace zdb {

class EDatabaseError : public std::runtime_error
{
public:
    explicit EDatabaseError(const QString& message)
        : std::runtime_error(message.toStdString()), FMessage(message) {}
    const QString& Message() const { return FMessage; }

private:
    QString FMessage;
};

// Raises EDatabaseError. With a component, its name (or class name when unnamed)
// prefixes the message as "Name: message". The message is translated (Tr) when an
// installed translator knows it.
[[noreturn]] void DatabaseError(const QString& message, const QObject* component = nullptr);

// Like DatabaseError, with the message made by Format (SysUtils.h) from a classic
// "%s"/"%d" format and its arguments; the format is translated first.
[[noreturn]] void DatabaseErrorFmt(const QString& format, const QVariantList& args,
                                   const QObject* component = nullptr);

} // namespace zdb
