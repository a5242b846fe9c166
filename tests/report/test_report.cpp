// Printing and export of a grid: CSV parsed back equals the cells' report
// texts, header bands become spans, report totals equal the server's
// aggregates, pages never split a row and repeat the titles, a cancelled or
// failing export leaves no file, and the tool menu's items work.

#include "DBError.h"
#include "TestDb.h"
#include "ZDBGridReport.h"
#include "ZDBGridSelection.h"
#include "ZDBGrids.h"
#include "ZDBMemData.h"
#include "ZDBSQLQuery.h"
#include "ZDBToolMenu.h"

#include <QBuffer>
#include <QFile>
#include <QFileDialog>
#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEngine>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTimer>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextItem>
#include <gtest/gtest.h>

#include <map>
#include <memory>

using namespace zdb;
using namespace zdb::test;

namespace {

// RFC 4180 records of Text; Quoted tells which fields were quoted.
std::vector<QStringList> ParseCsv(const QString& Text, QChar Sep, std::vector<std::vector<bool>>* Quoted = nullptr)
{
    std::vector<QStringList> records(1);
    std::vector<std::vector<bool>> quoted(1);
    QString field;
    bool inQuotes = false, wasQuoted = false;
    const auto endField = [&] {
        records.back() << field;
        quoted.back().push_back(wasQuoted);
        field.clear();
        wasQuoted = false;
    };
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const QChar c = Text[i];
        if (inQuotes) {
            if (c == u'"' && i + 1 < Text.size() && Text[i + 1] == u'"')
                field += u'"', ++i;
            else if (c == u'"')
                inQuotes = false;
            else
                field += c;
        } else if (c == u'"') {
            inQuotes = wasQuoted = true;
        } else if (c == Sep) {
            endField();
        } else if (c == u'\r' && i + 1 < Text.size() && Text[i + 1] == u'\n') {
            endField();
            ++i;
            records.emplace_back();
            quoted.emplace_back();
        } else {
            field += c;
        }
    }
    records.pop_back(); // after the last CR LF
    if (Quoted)
        *Quoted = quoted;
    return records;
}

QString ReadFile(const QString& Name, QByteArray* Raw = nullptr)
{
    QFile file(Name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    if (Raw)
        *Raw = bytes;
    return QString::fromUtf8(bytes.mid(3));
}

// A paint device whose engine records the texts drawn, page by page.
struct TDrawnText {
    QPointF Pos;
    QString Text;
};
class TRecordEngine : public QPaintEngine
{
public:
    TRecordEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF& P, const QTextItem& Item) override { Pages.back().push_back({P, Item.text()}); }
    Type type() const override { return QPaintEngine::User; }
    std::vector<std::vector<TDrawnText>> Pages{1};
};
class TRecordDevice : public QPaintDevice
{
public:
    QPaintEngine* paintEngine() const override { return &Engine; }
    int metric(PaintDeviceMetric M) const override
    {
        switch (M) {
        case PdmWidth: return 2200;
        case PdmHeight: return 3200;
        case PdmWidthMM: return 186;
        case PdmHeightMM: return 271;
        case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 300;
        case PdmDepth: return 32;
        case PdmNumColors: return INT_MAX;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return 1 * int(devicePixelRatioFScale());
        default: return 0;
        }
    }
    mutable TRecordEngine Engine;
};

// An in-memory table of Rows records: Id, Name, Amount, Note.
struct TTableGrid {
    TZMemDataSet Table;
    TDataSource Source;
    TZDBGrid Grid;
    explicit TTableGrid(int Rows)
    {
        Table.setObjectName(QStringLiteral("Orders"));
        Table.FieldDefs().Add(QStringLiteral("Id"), ftInteger);
        Table.FieldDefs().Add(QStringLiteral("Name"), ftWideString, 20000);
        Table.FieldDefs().Add(QStringLiteral("Amount"), ftFloat);
        Table.FieldDefs().Add(QStringLiteral("Note"), ftWideString, 200);
        Table.CreateDataSet();
        for (int i = 1; i <= Rows; ++i)
            Append(i, QStringLiteral("Name %1").arg(i), i * 1.5 - 20, QStringLiteral("Note %1").arg(i));
        Table.First();
        Source.SetDataSet(&Table);
        Grid.SetDataSource(&Source);
        Grid.resize(600, 400);
    }
    void Append(int Id, const QVariant& Name, const QVariant& Amount, const QVariant& Note)
    {
        Table.Append();
        Table.FieldByName(QStringLiteral("Id"))->SetValue(Id);
        Table.FieldByName(QStringLiteral("Name"))->SetValue(Name);
        Table.FieldByName(QStringLiteral("Amount"))->SetValue(Amount);
        Table.FieldByName(QStringLiteral("Note"))->SetValue(Note);
        Table.Post();
    }
    TZColumn* Column(const char* Name) { return Grid.FindColumn(QString::fromLatin1(Name), 0); }
};

} // namespace

TEST(ReportCsv, ParsedBackEqualsTheCellsReportTexts)
{
    TTableGrid t(3);
    const QString longText(20000, u'x');
    t.Append(4, QStringLiteral("a,b;c \"quoted\"\r\nsecond line"), -4.5, QStringLiteral(" padded "));
    t.Append(5, QStringLiteral("=SUM(A1:A9)"), QVariant(), QStringLiteral("+1"));
    t.Append(6, QStringLiteral("-cmd"), 0.25, QStringLiteral("@here"));
    t.Append(7, longText, 1e9, QString());
    t.Append(8, QVariant(), QVariant(), QStringLiteral("\tTab"));
    t.Grid.Columns()->SetState(csCustomized);
    t.Column("Note")->Report()->SetVisible(false); // not printed
    t.Column("Id")->Title()->SetCaption(QStringLiteral("No, \"Id\""));
    // The report text goes through the grid's hook with tkReport.
    t.Grid.OnColGetText = [](TZCustomDBGrid*, TZColumn* Column, QString& Text, TTextKind Kind) {
        if (Kind == tkReport && Column->GetFieldName() == QLatin1String("Id"))
            Text = QStringLiteral("#") + Text;
    };
    QTemporaryDir dir;
    for (const QChar separator : {QChar(u','), QChar(u';')}) {
        const QString file = dir.filePath(QStringLiteral("orders.csv"));
        TZDBGridReport report(&t.Grid);
        report.SetShowProgress(false);
        report.SetSeparator(separator);
        ASSERT_TRUE(report.ExportCsv(file));
        QByteArray raw;
        std::vector<std::vector<bool>> quoted;
        const std::vector<QStringList> records = ParseCsv(ReadFile(file, &raw), separator, &quoted);
        EXPECT_TRUE(raw.startsWith("\xEF\xBB\xBF")) << "UTF-8 with a byte-order mark";
        ASSERT_EQ(records.size(), 9u);
        EXPECT_EQ(records[0], (QStringList{QStringLiteral("No, \"Id\""), QStringLiteral("Name"), QStringLiteral("Amount")}));
        const auto guard = [](const QString& S) {
            return !S.isEmpty() && QStringLiteral("=+-@\t\r").contains(S[0]) ? u'\'' + S : S;
        };
        int row = 1;
        for (t.Table.First(); !t.Table.Eof(); t.Table.Next(), ++row) {
            const QStringList& r = records[size_t(row)];
            ASSERT_EQ(r.size(), 3);
            EXPECT_EQ(r[0], u'#' + t.Table.FieldByName(QStringLiteral("Id"))->DisplayText());
            EXPECT_EQ(r[1], guard(t.Table.FieldByName(QStringLiteral("Name"))->DisplayText()));
            // Numbers are never taken for formulas: -4.5 stays a number.
            EXPECT_EQ(r[2], t.Table.FieldByName(QStringLiteral("Amount"))->DisplayText());
        }
        EXPECT_EQ(records[7][1].size(), longText.size());
        EXPECT_EQ(records[5][1], QStringLiteral("'=SUM(A1:A9)"));
        EXPECT_EQ(records[6][1], QStringLiteral("'-cmd"));
        // NULL is an empty field; an empty text would be a quoted one.
        EXPECT_TRUE(records[8][1].isEmpty());
        EXPECT_FALSE(quoted[8][1]);
        EXPECT_TRUE(quoted[4][1]);
    }
}

TEST(ReportHtml, HeaderBandsBecomeSpans)
{
    TTableGrid t(2);
    t.Grid.Columns()->SetState(csCustomized);
    t.Column("Id")->Title()->SetHeader(QStringLiteral("Order"));
    t.Column("Name")->Title()->SetHeader(QStringLiteral("Order|Money"));
    t.Column("Amount")->Title()->SetHeader(QStringLiteral("Order|Money"));
    t.Column("Note")->Title()->SetCaption(QStringLiteral("<Note> & more"));
    QBuffer html;
    html.open(QIODevice::WriteOnly);
    TZDBGridReport report(&t.Grid);
    report.SetShowProgress(false);
    ASSERT_TRUE(report.WriteHtml(html));
    const QString text = QString::fromUtf8(html.data());
    const QString head = text.section(QStringLiteral("<thead>"), 1).section(QStringLiteral("</thead>"), 0, 0);
    QStringList rows;
    static const QRegularExpression tr(QStringLiteral("<tr>(.*?)</tr>"));
    for (const auto& m : tr.globalMatch(head))
        rows << m.captured(1);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0], QStringLiteral("<th colspan=\"3\">Order</th><th rowspan=\"3\">&lt;Note&gt; &amp; more</th>"));
    EXPECT_EQ(rows[1], QStringLiteral("<th rowspan=\"2\">Id</th><th colspan=\"2\">Money</th>"));
    EXPECT_EQ(rows[2], QStringLiteral("<th>Name</th><th>Amount</th>"));
    EXPECT_EQ(text.count(QStringLiteral("<tr><td")), 2);
}

// ---- Totals against the server -----------------------------------------------------------------

namespace {

class ReportTotals : public BackendTest
{
protected:
    void SetUp() override
    {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const QString real = Sqlite() ? QStringLiteral("REAL") : QStringLiteral("DOUBLE PRECISION");
        ASSERT_TRUE(ExecSql(Db(), QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, qty INTEGER, price %1, "
                                                 "name VARCHAR(20))").arg(real)));
        QSqlDatabase db = Db();
        db.transaction();
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral("INSERT INTO t VALUES (?, ?, ?, ?)"));
        for (int i = 1; i <= 500; ++i) {
            insert.addBindValue(i);
            insert.addBindValue(i % 7 == 0 ? QVariant(QMetaType(QMetaType::Int)) : QVariant((i * 37) % 101 - 50));
            insert.addBindValue(i % 11 == 0 ? QVariant(QMetaType(QMetaType::Double)) : QVariant(i * 0.25 - 30));
            insert.addBindValue(QStringLiteral("n%1").arg(i % 13));
            ASSERT_TRUE(insert.exec());
        }
        db.commit();
        Query = std::make_unique<TZSQLQuery>();
        Query->SetConnection(Db());
        Query->SetSQLText(QStringLiteral("SELECT id, qty, price, name FROM t ORDER BY id"));
        Source.SetDataSet(Query.get());
        Grid.SetDataSource(&Source);
        Query->Open();
        Grid.Columns()->SetState(csCustomized);
    }
    void TearDown() override
    {
        Grid.SetDataSource(nullptr);
        Source.SetDataSet(nullptr);
        Query.reset();
    }
    double Sql(const QString& Expr, const QString& Where = QString())
    {
        QSqlQuery q(Db());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT %1 FROM t %2").arg(Expr, Where)));
        EXPECT_TRUE(q.next());
        return q.value(0).toDouble();
    }
    void SetTotal(const char* Field, TTotalType Type, const QString& Text = QString())
    {
        TZColumnReport* report = Grid.FindColumn(QString::fromLatin1(Field), 0)->Report();
        report->SetTotalType(Type);
        report->SetTotalText(Text);
        report->SetTotalMask(QStringLiteral("0.000000"));
    }
    static double Number(const QString& Text) { return QLocale().toDouble(Text); }

    TDataSource Source;
    TZDBGrid Grid;
    std::unique_ptr<TZSQLQuery> Query;
};

} // namespace

TEST_P(ReportTotals, EqualTheSqlAggregates)
{
    SetTotal("id", ttCount);
    SetTotal("qty", ttSum);
    SetTotal("price", ttAverage);
    SetTotal("name", ttExpression, QStringLiteral("(MAX(qty) - MIN(price)) / COUNT()"));
    const QString where;
    for (bool selected : {false, true}) {
        QString in;
        if (selected) {
            Grid.SetOptions(Grid.GetOptions() | dgMultiSelect);
            for (int id : {3, 7, 11, 77, 200}) {
                ASSERT_TRUE(Query->Locate(QStringLiteral("id"), id));
                Grid.SelectedRows()->SetCurrentRowSelected(true);
                in += (in.isEmpty() ? QString() : QStringLiteral(",")) + QString::number(id);
            }
            ASSERT_EQ(Grid.SelectedRows()->Count(), 5);
            in = QStringLiteral("WHERE id IN (%1)").arg(in);
        }
        TZDBGridReport report(&Grid);
        report.SetShowProgress(false);
        report.SetSelectedRowsOnly(selected);
        const QStringList totals = report.Totals();
        ASSERT_EQ(totals.size(), 4);
        EXPECT_EQ(Number(totals[0]), Sql(QStringLiteral("COUNT(id)"), in));
        EXPECT_EQ(Number(totals[1]), Sql(QStringLiteral("SUM(qty)"), in));
        EXPECT_NEAR(Number(totals[2]), Sql(QStringLiteral("AVG(price)"), in), 1e-6);
        EXPECT_NEAR(Number(totals[3]), Sql(QStringLiteral("(MAX(qty) - MIN(price)) / COUNT(*)"), in), 1e-6);
        if (!selected) {
            EXPECT_FALSE(Query->AllRecordsFetched()) << "the server's aggregates, no walk";
        }
    }
    // Minimum and maximum of a text, and a text total; a faulty expression is refused before anything is read.
    SetTotal("name", ttMax);
    SetTotal("price", ttText, QStringLiteral("Total:"));
    TZDBGridReport report(&Grid);
    report.SetShowProgress(false);
    EXPECT_EQ(report.Totals()[3], QStringLiteral("n9"));
    EXPECT_EQ(report.Totals()[2], QStringLiteral("Total:"));
    SetTotal("name", ttExpression, QStringLiteral("SUM(nope) +"));
    TZDBGridReport bad(&Grid);
    EXPECT_THROW(bad.Totals(), EDatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Backends, ReportTotals, AllBackends(), BackendName);

// ---- Pages -------------------------------------------------------------------------------------

TEST(ReportPages, BreaksNeverSplitARowAndTitlesRepeat)
{
    TTableGrid t(120);
    t.Grid.Columns()->SetState(csCustomized);
    t.Column("Name")->Title()->SetHeader(QStringLiteral("Customer"));
    t.Column("Note")->Report()->SetAutoHeight(true);
    for (const auto& [name, width] : {std::pair{"Id", 40}, {"Name", 120}, {"Amount", 80}, {"Note", 200}})
        t.Column(name)->SetWidth(width);
    // Every fifth note is long: its row grows over several lines.
    for (t.Table.First(); !t.Table.Eof(); t.Table.Next())
        if (t.Table.FieldByName(QStringLiteral("Id"))->AsInteger() % 5 == 0) {
            t.Table.Edit();
            t.Table.FieldByName(QStringLiteral("Note"))->SetValue(QStringLiteral("long note word ").repeated(12));
            t.Table.Post();
        }
    t.Column("Amount")->Report()->SetTotalType(ttGrowExpression);
    t.Column("Amount")->Report()->SetTotalText(QStringLiteral("SUM(Amount)"));
    t.Column("Amount")->Report()->SetTotalMask(QStringLiteral("0.00"));

    TRecordDevice device;
    QPainter painter(&device);
    TZDBGridReport report(&t.Grid);
    report.SetShowProgress(false);
    ASSERT_TRUE(report.Render(painter, [&] { device.Engine.Pages.emplace_back(); }));
    painter.end();
    const auto& pages = device.Engine.Pages;
    ASSERT_GE(pages.size(), 3u);

    std::map<int, size_t> idPage;
    for (size_t p = 0; p < pages.size(); ++p) {
        QStringList texts;
        for (const TDrawnText& d : pages[p])
            texts << d.Text;
        for (const char* title : {"Customer", "Id", "Name", "Amount", "Note"})
            EXPECT_TRUE(texts.contains(QString::fromLatin1(title))) << title << " on page " << p + 1;
        EXPECT_TRUE(texts.contains(QStringLiteral("Page %1").arg(p + 1)));
        for (const TDrawnText& d : pages[p]) {
            static const QRegularExpression name(QStringLiteral("^Name (\\d+)$"));
            if (const auto m = name.match(d.Text); m.hasMatch())
                idPage[m.captured(1).toInt()] = p;
        }
        // The long notes wrap; all 36 words of each stay on the page of their row.
        const auto words = std::count_if(pages[p].begin(), pages[p].end(), [](const TDrawnText& d) {
            return QStringList{QStringLiteral("long"), QStringLiteral("note"), QStringLiteral("word")}.contains(d.Text);
        });
        EXPECT_EQ(words % 36, 0) << "page " << p + 1 << " has a cut long note";
        if (p + 1 < pages.size()) {
            EXPECT_TRUE(texts.contains(QStringLiteral("Carried forward")));
        }
    }
    ASSERT_EQ(idPage.size(), 120u);
    // Rows run on in order over the pages.
    for (int id = 2; id <= 120; ++id)
        EXPECT_GE(idPage[id], idPage[id - 1]);
    // The grow expression's last value is the sum of all amounts.
    QStringList last;
    for (const TDrawnText& d : pages.back())
        last << d.Text;
    EXPECT_TRUE(last.contains(QLocale().toString(120 * 121 / 2 * 1.5 - 20 * 120, 'f', 2).remove(QLocale().groupSeparator())))
        << last.join(u'|').toStdString();

    // The same report as PDF has the same number of pages.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(300);
        writer.setPageSize(QPageSize(QSizeF(186, 271 + 0.0), QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        ASSERT_TRUE(report.Render(writer));
    }
    static const QRegularExpression pageObject(QStringLiteral("/Type\\s*/Page(?!s)"));
    EXPECT_EQ(QString::fromLatin1(pdf.data()).count(pageObject), qsizetype(pages.size()));
}

// ---- Files -------------------------------------------------------------------------------------

TEST(ReportFiles, CancelAndUnwritableTargetsLeaveNoFile)
{
    TTableGrid t(2000);
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("kept.csv"));
    {
        QFile old(existing);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    for (const auto& write : {&TZDBGridReport::ExportCsv, &TZDBGridReport::ExportHtml, &TZDBGridReport::ExportPdf}) {
        TZDBGridReport report(&t.Grid);
        report.SetShowProgress(false);
        int seen = 0;
        report.OnProgress = [&](int Records, bool& Cancel) {
            seen = Records;
            Cancel = Records >= 640;
        };
        const QString fresh = dir.filePath(QStringLiteral("fresh.out"));
        EXPECT_FALSE((report.*write)(fresh));
        EXPECT_TRUE(report.Cancelled());
        EXPECT_EQ(seen, 640) << "stopped at the cancel";
        EXPECT_FALSE(QFile::exists(fresh));
        EXPECT_FALSE((report.*write)(existing));
        QFile kept(existing);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), QByteArray("old"));
    }
    // A folder that does not exist: a clear error naming the file.
    TZDBGridReport report(&t.Grid);
    report.SetShowProgress(false);
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/out.csv"));
    try {
        report.ExportCsv(missing);
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(missing)) << e.what();
    }
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(t.Table.RecNo(), 1) << "the grid's record is given back";
}

TEST(ReportFiles, ProgressDialogShowsAfterHalfASecondAndItsCancelStops)
{
    TTableGrid t(6000);
    t.Grid.show();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("slow.csv"));
    TZDBGridReport report(&t.Grid);
    QElapsedTimer clock;
    qint64 shownAt = -1;
    int stoppedAt = 0;
    report.OnProgress = [&](int Records, bool&) {
        QThread::msleep(15); // a slow dataset
        stoppedAt = Records;
        if (shownAt >= 0)
            return;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QProgressDialog*>(w); dialog && dialog->isVisible()) {
                shownAt = clock.elapsed();
                QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
            }
    };
    clock.start();
    EXPECT_FALSE(report.ExportCsv(file));
    EXPECT_GE(shownAt, 500);
    EXPECT_LT(stoppedAt, 6000);
    EXPECT_FALSE(QFile::exists(file));
}

TEST(ReportPages, PreviewShowsTheReportsPages)
{
    TTableGrid t(200);
    t.Grid.show();
    TZDBGridReport report(&t.Grid);
    int pages = 0;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QPrintPreviewDialog*>(w); dialog && dialog->isVisible()) {
                pages = dialog->findChild<QPrintPreviewWidget*>()->pageCount();
                dialog->reject();
            }
    });
    t.Grid.PrintPreview();
    EXPECT_GE(pages, 3);
}

TEST(ReportMenu, PrintAndExportItemsWrite)
{
    TTableGrid t(5);
    TZDBGridToolMenu* menu = t.Grid.GetToolMenu();
    QAction* last = menu->actions().last();
    ASSERT_TRUE(last->menu());
    EXPECT_EQ(last->text(), QStringLiteral("Print and Export"));
    QMenu* sub = last->menu();
    emit sub->aboutToShow();
    QTemporaryDir dir;
    QString offered;
    TZDBGridToolMenu::FileDialogHook = [&](QFileDialog& Dialog) {
        offered = Dialog.selectedFiles().value(0);
        return dir.filePath(QStringLiteral("menu.") + Dialog.defaultSuffix());
    };
    for (QAction* action : sub->actions())
        if (action->text().startsWith(QStringLiteral("Export to"))) {
            ASSERT_TRUE(action->isEnabled());
            action->trigger();
        }
    TZDBGridToolMenu::FileDialogHook = nullptr;
    EXPECT_TRUE(offered.endsWith(QStringLiteral("Orders.html"))) << offered.toStdString();
    for (const char* ext : {"pdf", "csv", "html"})
        EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("menu.") + QString::fromLatin1(ext)))) << ext;
    EXPECT_EQ(ParseCsv(ReadFile(dir.filePath(QStringLiteral("menu.csv"))), LocaleCsvSeparator()).size(), 6u);

    // "Selected Rows Only" is offered with selected rows and then exports only them.
    QAction* selectedOnly = sub->actions().last();
    EXPECT_FALSE(selectedOnly->isEnabled());
    t.Grid.SetOptions(t.Grid.GetOptions() | dgMultiSelect);
    t.Table.First();
    t.Grid.SelectedRows()->SetCurrentRowSelected(true);
    emit sub->aboutToShow();
    ASSERT_TRUE(selectedOnly->isEnabled());
    selectedOnly->setChecked(true);
    TZDBGridToolMenu::FileDialogHook = [&](QFileDialog&) { return dir.filePath(QStringLiteral("selected.csv")); };
    for (QAction* action : sub->actions())
        if (action->text().startsWith(QStringLiteral("Export to CSV")))
            action->trigger();
    TZDBGridToolMenu::FileDialogHook = nullptr;
    const auto records = ParseCsv(ReadFile(dir.filePath(QStringLiteral("selected.csv"))), LocaleCsvSeparator());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].value(1), QStringLiteral("Name 1"));
}
