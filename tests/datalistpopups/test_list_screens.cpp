// Pictures of every list a cell drops down (lookup, pick, check, calendar,
// calculator) at device pixel ratios 1 and 2, written to list-screens/ next to
// the test program for a look by eye. The test checks what a picture shows
// wrongly at a glance: a list partly off the screen, buttons outside the list,
// a scroll bar beside rows that all show, a blank or wrongly sized image.

#include "ZDBDataList.h"
#include "ZDBMemData.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryFile>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <memory>

using namespace zdb;

namespace {

// Runs this test once more on a screen of the device pixel ratio given.
void RunAtRatio(const char* Test, int Ratio)
{
    QTemporaryFile config;
    ASSERT_TRUE(config.open());
    config.write(QStringLiteral(R"({"screens": [{"name": "S", "x": 0, "y": 0, "width": 1200, "height": 800,
        "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": %1}]})")
                     .arg(Ratio)
                     .toUtf8());
    config.close();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName());
    env.insert("ZDB_LIST_SCREENS_CHILD", "1");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=%1").arg(Test)});
    ASSERT_TRUE(child.waitForFinished(120000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
}

// More than a handful of colours: something was painted.
int ColourCount(const QImage& Image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < Image.height(); y += 2)
        for (int x = 0; x < Image.width(); x += 2)
            colours.insert(Image.pixel(x, y));
    return int(colours.size());
}

TEST(ListScreens, EveryListAtRatioOneAndTwo)
{
    if (qEnvironmentVariableIsEmpty("ZDB_LIST_SCREENS_CHILD")) {
        RunAtRatio("ListScreens.EveryListAtRatioOneAndTwo", 1);
        RunAtRatio("ListScreens.EveryListAtRatioOneAndTwo", 2);
        return;
    }
    const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
    const QDir folder(QDir(QCoreApplication::applicationDirPath()).filePath("list-screens"));
    ASSERT_TRUE(QDir().mkpath(folder.path()));

    TZMemDataSet customers;
    customers.FieldDefs().Add("Id", ftInteger);
    customers.FieldDefs().Add("Name", ftWideString, 20);
    customers.FieldDefs().Add("City", ftWideString, 20);
    customers.CreateDataSet();
    const char* names[][2] = {{"Adams", "Boston"}, {"Baker", "Chicago"}, {"Carter", "Denver"}, {"Dole", "Austin"}};
    for (int i = 0; i < 4; ++i) {
        customers.Append();
        customers.FieldByName("Id")->SetValue(i + 1);
        customers.FieldByName("Name")->SetValue(QString::fromLatin1(names[i][0]));
        customers.FieldByName("City")->SetValue(QString::fromLatin1(names[i][1]));
        customers.Post();
    }
    TZMemDataSet orders;
    orders.FieldDefs().Add("CustomerId", ftInteger);
    orders.FieldDefs().Add("Status", ftWideString, 10);
    orders.FieldDefs().Add("Tags", ftWideString, 30);
    orders.FieldDefs().Add("Due", ftDate);
    orders.FieldDefs().Add("Amount", ftFloat);
    orders.CreateDataSet();
    orders.Append();
    orders.FieldByName("CustomerId")->SetValue(2);
    orders.FieldByName("Status")->SetValue("B2");
    orders.FieldByName("Tags")->SetValue("Adams,Dole");
    orders.FieldByName("Due")->SetValue(QDate(2024, 2, 29));
    orders.FieldByName("Amount")->SetValue(12.5);
    orders.Post();
    TDataSource source;
    source.SetDataSet(&orders);

    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* grid = new TZDBGrid(&window);
    layout->addWidget(grid);
    // A column choosing its field's value from the customers by Key, showing Shown.
    const auto lookupColumn = [&](const char* Field, const char* Key, const char* Shown, TZListOptions Options) {
        TZColumn* column = grid->Columns()->Add();
        column->SetFieldName(Field);
        column->SetKeyField(Field);
        column->SetLookupDataSet(&customers);
        column->SetLookupKeyField(Key);
        column->SetLookupResultField(Shown);
        column->SetListOptions(column->GetListOptions() | Options);
        return column;
    };
    TZColumn* lookup = lookupColumn("CustomerId", "Id", "Name", {loShowLookupListTitles});
    lookup->SetLookupListFields("Name;City");
    TZColumn* pick = grid->Columns()->Add();
    pick->SetFieldName("Status");
    pick->SetPickList({"A1", "B2", "C3"});
    pick->SetPickText({"Alpha", "Beta", "Gamma"});
    TZColumn* check = lookupColumn("Tags", "Name", "Name", {loMultiSelectList, loShowLookupListTitles});
    check->SetListOptions(check->GetListOptions().Exclude(loAutoApplyList));
    TZColumn* due = grid->Columns()->Add();
    due->SetFieldName("Due");
    TZColumn* amount = grid->Columns()->Add();
    amount->SetFieldName("Amount");
    amount->SetButtonStyle(cbsCalculator);
    grid->SetDataSource(&source);
    window.resize(700, 300);
    window.move(40, 40);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    grid->setFocus();
    QApplication::processEvents();

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const std::pair<const char*, TZColumn*> lists[] = {
        {"lookup", lookup}, {"pick", pick}, {"check", check}, {"calendar", due}, {"calculator", amount}};
    for (const auto& [name, column] : lists) {
        SCOPED_TRACE(name);
        grid->SetSelectedIndex(column->Index());
        QTest::keyClick(grid, Qt::Key_F4);
        QApplication::processEvents();
        ASSERT_TRUE(grid->EditorList() && grid->EditorList()->ListVisible());
        TZDBPopupList* popup = grid->EditorList()->PopupList();
        if (std::string(name) == "check")
            popup->SelectRow(); // one row ticked
        popup->repaint();
        const QImage image = popup->grab().toImage();
        image.save(folder.filePath(QStringLiteral("%1@%2x.png").arg(QLatin1String(name)).arg(ratio)));
        EXPECT_TRUE(screen.contains(popup->frameGeometry()));
        EXPECT_EQ(image.size(), popup->size() * ratio);
        EXPECT_GT(ColourCount(image), 8);
        // Every list here shows all its rows: no bar.
        EXPECT_FALSE(popup->verticalScrollBar()->isVisible());
        for (const QWidget* button : popup->findChildren<TListButton*>()) {
            if (button->isVisible()) {
                EXPECT_TRUE(popup->rect().contains(button->geometry())) << button->geometry().x();
            }
        }
        QTest::keyClick(grid, Qt::Key_Escape);
        QApplication::processEvents();
        EXPECT_FALSE(grid->EditorList() && grid->EditorList()->ListVisible());
    }
    source.SetDataSet(nullptr);
}

} // namespace
