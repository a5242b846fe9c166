// Saving the in-memory dataset where the file cannot be written: a full disk
// (/dev/full) and a folder made read-only. The save raises a database error that
// names the file and the reason; the dataset keeps its rows and its state and
// goes on working; a file saved before is still whole.

#include "FaultHelpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace zdb;
using namespace zdb::test;

namespace {

QStringList Customers(TZMemDataSet& Table)
{
    QStringList names;
    for (Table.First(); !Table.Eof(); Table.Next())
        names << Table.FieldByName("Customer")->AsString();
    return names;
}

} // namespace

TEST(SaveFaults, DiskFullRaisesAndKeepsTheDataset)
{
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    const auto table = MakeOrders(50);
    const QStringList before = Customers(*table);
    table->SetRecNo(7);
    try {
        table->SaveToFile(QStringLiteral("/dev/full"));
        FAIL() << "the save did not fail";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains("/dev/full")) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains("space", Qt::CaseInsensitive)) << e.Message().toStdString();
    }
    EXPECT_EQ(QFileInfo(QStringLiteral("/dev/full")).isFile(), false) << "the device was replaced";
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(table->RecNo(), 7);
    EXPECT_EQ(Customers(*table), before);
    table->Edit();
    table->FieldByName("Customer")->SetValue(QStringLiteral("Still editable"));
    table->Post();
}

TEST(SaveFaults, ReadOnlyFolderRaisesAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fileName = dir.filePath(QStringLiteral("orders.zmd"));
    const auto table = MakeOrders(20);
    table->SaveToFile(fileName);
    QFile saved(fileName);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray good = saved.readAll();
    saved.close();

    table->First();
    table->Edit();
    table->FieldByName("Customer")->SetValue(QStringLiteral("Changed"));
    table->Post();
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    ASSERT_TRUE(QFile::setPermissions(fileName, QFile::ReadOwner));
    struct TRestore {
        QString Path;
        ~TRestore() { QFile::setPermissions(Path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); }
    } restore{dir.path()};
    // The superuser writes whatever the permissions say.
    QFile probe(dir.filePath(QStringLiteral("probe")));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.close();
        probe.remove();
        GTEST_SKIP() << "permissions do not stop this user from writing";
    }

    EXPECT_THROW(table->SaveToFile(fileName), EDatabaseError);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), good) << "the old file was touched";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"orders.zmd"}) << "a partial file was left";
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(Customers(*table).first(), "Changed");
}
