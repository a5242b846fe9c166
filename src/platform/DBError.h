#pragma once
// The one exception type of the record-set layer and of the components built on it.

#include <QString>
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
// prefixes the message as "Name: message".
[[noreturn]] void DatabaseError(const QString& message, const QObject* component = nullptr);

// Like DatabaseError, with the message filled from args by QString::arg.
template <typename... Args>
[[noreturn]] void DatabaseErrorFmt(const QString& format, const QObject* component, const Args&... args)
{
    QString text = format;
    if constexpr (sizeof...(Args) > 0)
        text = format.arg(args...);
    DatabaseError(text, component);
}

} // namespace zdb
