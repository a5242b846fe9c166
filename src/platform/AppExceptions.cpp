#include "AppExceptions.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace zdb {

TApplicationExceptionEvent OnApplicationException;

namespace {

QString MessageOf(const std::exception_ptr& Error)
{
    try {
        std::rethrow_exception(Error);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QCoreApplication::translate("zdb", "Unknown error");
    }
}

} // namespace

void HandleException(QWidget* Sender)
{
    const std::exception_ptr error = std::current_exception();
    if (!error)
        return;
    if (OnApplicationException) {
        OnApplicationException(Sender, error);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Critical, QApplication::applicationDisplayName(), MessageOf(error),
                                QMessageBox::Ok, Sender ? Sender->window() : nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace zdb
