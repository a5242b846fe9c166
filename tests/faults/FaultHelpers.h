#pragma once
// What the fault tests share: the application's handler that tells database
// errors from anything else, and the keys of a user editing a shown grid.

#include "../grid/test_grid_helpers.h"

#include "DBError.h"

namespace zdb::test {

// Collects what reaches the application's handler while it lives; anything but
// an EDatabaseError counts in Others.
struct TReportedErrors {
    TReportedErrors()
    {
        OnApplicationException = [this](QWidget*, std::exception_ptr Error) {
            try {
                std::rethrow_exception(Error);
            } catch (const EDatabaseError& e) {
                Messages << e.Message();
            } catch (const std::exception& e) {
                Others << QString::fromUtf8(e.what());
            } catch (...) {
                Others << QStringLiteral("unknown exception");
            }
        };
    }
    ~TReportedErrors() { OnApplicationException = nullptr; }
    TReportedErrors(const TReportedErrors&) = delete;
    TReportedErrors& operator=(const TReportedErrors&) = delete;
    QStringList Messages;
    QStringList Others;
};

// Keys go where the user's keys go: to the in-place editor while it shows.
inline QWidget* KeyTarget(TZCustomDBGrid& Grid)
{
    TInplaceEdit* editor = Grid.GetInplaceEditor();
    return editor && editor->isVisible() ? static_cast<QWidget*>(editor) : static_cast<QWidget*>(&Grid);
}
inline void Press(TZCustomDBGrid& Grid, Qt::Key Key) { QTest::keyClick(KeyTarget(Grid), Key); }
inline void Type(TZCustomDBGrid& Grid, const QString& Text)
{
    for (QChar ch : Text)
        QTest::keyClick(KeyTarget(Grid), ch.toLatin1());
}
inline QString EditorText(const TZCustomDBGrid& Grid)
{
    const TInplaceEdit* editor = Grid.GetInplaceEditor();
    return editor && editor->isVisible() ? editor->text() : QString();
}
// Shows the grid with the keyboard focus.
inline void ShowFocused(TZCustomDBGrid& Grid)
{
    ShowGrid(Grid, 500, 300);
    Grid.activateWindow();
    Grid.setFocus();
    QApplication::processEvents();
}

// An open query over Sql on Db with a grid shown over it, holding the keyboard focus.
struct TQueryGrid {
    TQueryGrid(const QSqlDatabase& Db, const QString& Sql, int PacketRecords = 100)
    {
        Query.SetConnection(Db);
        Query.SetSQLText(Sql);
        Query.SetPacketRecords(PacketRecords);
        Query.Open();
        Source.SetDataSet(&Query);
        Grid.SetDataSource(&Source);
        ShowFocused(Grid);
    }
    TZSQLQuery Query;
    TDataSource Source;
    TZDBGrid Grid;
};

} // namespace zdb::test
