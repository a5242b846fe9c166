#pragma once
// A PostgreSQL server of the test's own (scripts/pg-test-server.sh in a new
// temporary folder, on a free port) that the test may crash and start again;
// the shared test server is never touched.

#include <QSqlDatabase>
#include <QString>

namespace zdb::test {

class TPrivatePgServer
{
public:
    TPrivatePgServer();  // starts it; Available() tells whether it runs
    ~TPrivatePgServer(); // stops it and removes its folder
    TPrivatePgServer(const TPrivatePgServer&) = delete;
    TPrivatePgServer& operator=(const TPrivatePgServer&) = delete;

    bool Available() const { return !FDir.isEmpty(); }
    // Why it is not available (no server binaries, no QPSQL driver, ...).
    const QString& ErrorText() const { return FError; }
    // A new connection under connectionName to the server's database.
    QSqlDatabase Connect(const QString& connectionName) const;
    // Stops the server at once, as a crash would; Resume starts it again.
    bool Halt();
    bool Resume();

private:
    bool Script(const QStringList& arguments, QString* output = nullptr);
    QString FDir, FHost, FUser, FDatabase, FError;
    int FPort = 0;
};

} // namespace zdb::test
