#pragma once
// What happens to an exception that reaches an event handler of a control: Qt
// cannot carry it through its event loop, so the control catches it there and
// reports it, like an application's central exception handler would.

#include <exception>
#include <functional>

class QWidget;

namespace zdb {

// The application's handler of exceptions that reached a control's event
// handler. Unset, the message is shown in a message box over the control
// (opened without blocking, so the event that failed ends normally).
using TApplicationExceptionEvent = std::function<void(QWidget* Sender, std::exception_ptr Error)>;
extern TApplicationExceptionEvent OnApplicationException;

// Reports the exception being handled; call it inside a catch block.
void HandleException(QWidget* Sender);

// Runs Handler; an exception it throws is reported through HandleException.
template <class F>
void GuardEvent(QWidget* Sender, F&& Handler)
{
    try {
        Handler();
    } catch (...) {
        HandleException(Sender);
    }
}

} // namespace zdb
