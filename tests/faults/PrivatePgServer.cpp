#include "PrivatePgServer.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>

namespace zdb::test {

bool TPrivatePgServer::Script(const QStringList& arguments, QString* output)
{
    QProcess process;
    process.start(QStringLiteral("bash"),
                  QStringList{QStringLiteral(ZDB_SOURCE_DIR "/scripts/pg-test-server.sh")} + arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        FError = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        if (FError.isEmpty())
            FError = QStringLiteral("pg-test-server.sh %1 failed").arg(arguments.join(u' '));
        return false;
    }
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return true;
}

TPrivatePgServer::TPrivatePgServer()
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        FError = QStringLiteral("the QPSQL driver is not installed");
        return;
    }
    QString output;
    if (!Script({QStringLiteral("start")}, &output))
        return;
    static const QRegularExpression line(QStringLiteral("^export (ZDB_PG_\\w+)=(.*)$"),
                                         QRegularExpression::MultilineOption);
    for (auto it = line.globalMatch(output); it.hasNext();) {
        const auto match = it.next();
        const QString name = match.captured(1), value = match.captured(2).trimmed();
        if (name == QLatin1String("ZDB_PG_HOST"))
            FHost = value;
        else if (name == QLatin1String("ZDB_PG_PORT"))
            FPort = value.toInt();
        else if (name == QLatin1String("ZDB_PG_USER"))
            FUser = value;
        else if (name == QLatin1String("ZDB_PG_DBNAME"))
            FDatabase = value;
        else if (name == QLatin1String("ZDB_PG_DIR"))
            FDir = value;
    }
    if (FDir.isEmpty())
        FError = QStringLiteral("pg-test-server.sh start printed no folder");
}

TPrivatePgServer::~TPrivatePgServer()
{
    if (!FDir.isEmpty())
        Script({QStringLiteral("stop"), FDir});
}

QSqlDatabase TPrivatePgServer::Connect(const QString& connectionName) const
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setHostName(FHost);
    db.setPort(FPort);
    db.setUserName(FUser);
    db.setDatabaseName(FDatabase);
    db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    db.open();
    return db;
}

bool TPrivatePgServer::Halt()
{
    return Script({QStringLiteral("halt"), FDir});
}

bool TPrivatePgServer::Resume()
{
    return Script({QStringLiteral("resume"), FDir});
}

} // namespace zdb::test
