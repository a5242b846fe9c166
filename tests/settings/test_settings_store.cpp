// Stores of name=value sections.

#include "DBError.h"
#include "ZDBSettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace zdb;

namespace {

QByteArray ReadFile(const QString& Name)
{
    QFile file(Name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(SettingsStore, IniFileHoldsTheLinesAsTheyAreAndReadsThemBack)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("app.ini");
    // Values QSettings' own INI format would quote or escape.
    const QStringList lines{"Column1=NAME,120,1,1,1",
                            "Filter1=\"Last, First\",Name LIKE '%a;b%',\"x\"\",y\"",
                            "Note=@at the start",
                            "Path=C:\\data\\x  ",
                            "Text= \u00e9t\u00e9 \u2713"};
    {
        auto store = TZSettingsStore::CreateIniFile(name);
        store->WriteSection("Other", {"Keep=1"});
        store->WriteSection("MainForm.DBGrid1", QStringList{"Stale=1"} << lines);
        // Writing again replaces the whole section, others stay.
        store->WriteSection("MainForm.DBGrid1", lines);
    }
    EXPECT_EQ(QString::fromUtf8(ReadFile(name)), "[MainForm.DBGrid1]\n" + lines.join('\n') + "\n\n[Other]\nKeep=1\n");

    auto store = TZSettingsStore::CreateIniFile(name);
    EXPECT_EQ(store->ReadSection("MainForm.DBGrid1"), lines);
    EXPECT_EQ(store->ReadSection("mainform.dbgrid1"), lines);
    EXPECT_TRUE(store->SectionExists("OTHER"));
    store->EraseSection("other");
    EXPECT_FALSE(TZSettingsStore::CreateIniFile(name)->SectionExists("Other"));
    EXPECT_TRUE(store->ReadSection("Missing").isEmpty());

    // A file written by hand or by another program: comments, CRLF, blanks
    // around names, lines without a name.
    QFile file(dir.filePath("hand.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("; comment\r\n[ Grid ]\r\n Columns =2\r\n=nameless\r\nnot a line\r\nColumn1=A,1\r\n");
    file.close();
    EXPECT_EQ(TZSettingsStore::CreateIniFile(file.fileName())->ReadSection("Grid"),
              QStringList({"Column1=A,1", "Columns=2"}));
}

TEST(SettingsStore, RegistryKeysNameTheNativeStoresOrganisationAndApplication)
{
    using Names = std::pair<QString, QString>;
    EXPECT_EQ(NativeStoreNames("\\Software\\Quarnel Software\\Sales"), Names("Quarnel Software", "Sales"));
    EXPECT_EQ(NativeStoreNames("Software/Acme\\Tools\\Grids\\"), Names("Acme", "Tools/Grids"));
    EXPECT_EQ(NativeStoreNames("\\\\Acme"), Names("Acme", ""));
    EXPECT_EQ(NativeStoreNames("\\Software\\"), Names());
    EXPECT_THROW(TZSettingsStore::CreateNative("\\Software"), EDatabaseError);
}

TEST(SettingsStore, NameValuesFindNamesIgnoringCaseAndTakeTheFirstLine)
{
    const QStringList lines{"Columns=3",
                            " column1 =A,10,1,0,1",
                            "COLUMN1=second of the same name",
                            "no equals sign",
                            "=nameless",
                            "Formula=a=b",
                            "\u00c4nderung=umlaut",
                            "\u212aey=kelvin sign",
                            "Empty="};
    const TZNameValues values(lines);
    EXPECT_EQ(values.Value(u"columns"), "3");
    // Blanks around a name do not count; the first of equal names wins.
    EXPECT_EQ(values.Value(u"Column1"), "A,10,1,0,1");
    EXPECT_EQ(values.Value(u"column1"), "A,10,1,0,1");
    EXPECT_EQ(values.Value(u"formula"), "a=b");
    // Letters beyond ASCII fold as Qt compares them ignoring case.
    EXPECT_EQ(values.Value(u"\u00e4NDERUNG"), "umlaut");
    EXPECT_EQ(values.Value(u"key"), "kelvin sign");
    EXPECT_EQ(values.Value(u"Empty"), "");
    EXPECT_FALSE(values.Value(u"no equals sign"));
    EXPECT_FALSE(values.Value(u"Column"));
    EXPECT_FALSE(values.Value(u"Column12"));
    EXPECT_EQ(values.Value(u""), "nameless");
}

TEST(SettingsStore, WritingASectionReplacesItStoredInAnotherCase)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("app.ini");
    auto store = TZSettingsStore::CreateIniFile(name);
    store->WriteSection("MainForm.Grid", {"Columns=1", "Old=1"});
    store->WriteSection("mainform.GRID", {"Columns=2"});
    // The section as given does not hold the first name written: found among the groups.
    store->WriteSection("MainForm.Grid", {"New=3"});
    EXPECT_EQ(QString::fromUtf8(ReadFile(name)), "[MainForm.Grid]\nNew=3\n");
    store->WriteSection("MainForm.Grid", {"=nameless", "New=4"});
    EXPECT_EQ(QString::fromUtf8(ReadFile(name)), "[MainForm.Grid]\nNew=4\n");
}

TEST(SettingsStore, SettingsNumbersReadAsQtReadsThem)
{
    for (const QString text : {"0", "7", " 42 ", "007", "+5", "-3", "123456789", "2147483647", "2147483648",
                                "-2147483648", "99999999999", "", " ", "12a", "1 2", "0x10", "1e3", "\u0663", "\uff11"}) {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok);
        EXPECT_EQ(SettingsInt(text), ok ? std::optional<int>(value) : std::nullopt) << text.toStdString();
    }
}
