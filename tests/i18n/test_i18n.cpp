// The library's translations: the grid's menu, the filter list, the search panel,
// the navigator and the messages in German and back in English while they live,
// assigned texts left alone, and the German file checked against the sources
// (every text translated, nothing left over, placeholders kept).

#include "../grid/test_grid_helpers.h"

#include "ZDBCtrls.h"
#include "ZDBFilter.h"
#include "ZDBFilterUI.h"
#include "ZDBSearch.h"
#include "ZDBToolMenu.h"
#include "ZDBTranslate.h"

#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolButton>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <algorithm>

using namespace zdb;
using namespace zdb::test;

namespace {

// Installs the library's translator for Locale and lets the widgets hear of it.
bool SwitchTo(const QLocale& Locale)
{
    const bool ok = InstallTranslator(Locale);
    QApplication::processEvents();
    return ok;
}

void SwitchToEnglish()
{
    RemoveTranslator();
    QApplication::processEvents();
}

const QLocale German(QLocale::German, QLocale::Germany);

// A grid over five orders on a shown window; English again after each test.
struct Translated : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(5);
    TDataSource Source;
    QWidget Form;
    TZDBGrid* Grid = new TZDBGrid(&Form);

    void SetUp() override
    {
        Source.SetDataSet(Table.get());
        Grid->SetDataSource(&Source);
        Grid->resize(500, 300);
        Form.resize(500, 300);
        Form.show();
        QApplication::processEvents();
    }
    void TearDown() override { SwitchToEnglish(); }

    QString ReportMenuTitle()
    {
        for (QAction* action : Grid->ToolMenu()->actions())
            if (action->objectName() == QLatin1String("PrintExport"))
                return action->text();
        return QString();
    }
    QString NumberTitle()
    {
        for (TZColumn* column : *Grid->Columns())
            if (column->GetAutoNumber())
                return column->Title()->GetCaption();
        return QString();
    }
    QString Option(const char* Name) { return Grid->Search()->Panel()->findChild<QCheckBox*>(Name)->text(); }
    QString Hint(const char* Name) { return Grid->Search()->Panel()->findChild<QToolButton*>(Name)->toolTip(); }
};

TEST_F(Translated, MenuAndSearchPanelFollowTheApplicationsLanguage)
{
    TZDBGridToolMenu* menu = Grid->ToolMenu();
    Grid->SetOptionsExt(Grid->GetOptionsExt() | dgAutoNumberColumn);
    QApplication::processEvents();
    EXPECT_EQ(NumberTitle(), "No.");
    Grid->ShowSearchPanel();
    ASSERT_TRUE(Grid->Search()->Panel());
    EXPECT_EQ(menu->Item(tmRefresh)->text(), "Refresh");
    EXPECT_EQ(Option("CaseSensitive"), "&Case sensitive");

    // Menus and panels made before the switch change with it.
    ASSERT_TRUE(SwitchTo(German));
    EXPECT_EQ(menu->Item(tmRefresh)->text(), "Aktualisieren");
    EXPECT_EQ(menu->Item(tmColumns)->text(), "Spalten");
    EXPECT_EQ(menu->SubItem(tmAutoFilterClear)->text(), "Zur\u00FCcksetzen");
    EXPECT_EQ(menu->SubItemEx(tmSettingsLoadFromFile)->text(), "Aus Datei laden...");
    EXPECT_EQ(ReportMenuTitle(), "Drucken und Exportieren");
    EXPECT_EQ(Option("CaseSensitive"), "&Gro\u00DF-/Kleinschreibung beachten");
    EXPECT_EQ(Option("FilterRows"), "Zeilen &filtern");
    EXPECT_EQ(Hint("FindNext"), "Abw\u00E4rts suchen (F3)");
    EXPECT_EQ(Hint("CloseSearch"), "Suche schlie\u00DFen (Esc)");
    EXPECT_EQ(NumberTitle(), "Nr.");

    // One made while German is on starts in German.
    TZDBGrid other(&Form);
    EXPECT_EQ(other.ToolMenu()->Item(tmOpen)->text(), "\u00D6ffnen");

    SwitchToEnglish();
    EXPECT_EQ(menu->Item(tmRefresh)->text(), "Refresh");
    EXPECT_EQ(menu->SubItem(tmAutoFilterClear)->text(), "Clear");
    EXPECT_EQ(ReportMenuTitle(), "Print and Export");
    EXPECT_EQ(Option("CaseSensitive"), "&Case sensitive");
    EXPECT_EQ(Hint("FindNext"), "Search down (F3)");
    EXPECT_EQ(other.ToolMenu()->Item(tmOpen)->text(), "Open");
    EXPECT_EQ(NumberTitle(), "No.");
}

TEST_F(Translated, FilterListCommandsClausesAndNavigatorInGerman)
{
    Grid->FilterGrid()->SetAutoFilter(true);
    TZColumn* customer = Grid->FindColumn("Customer");
    customer->SetFilterText("Customer <> 'Customer 1'");
    Grid->SetSelectedIndex(customer->Index());
    Grid->activateWindow();
    Grid->setFocus();
    QApplication::processEvents();
    const auto openList = [this]() -> TZDBPopupFilterList* {
        QTest::keyClick(Grid, Qt::Key_F4);
        for (TZDBGridFilterList* list : Grid->findChildren<TZDBGridFilterList*>())
            if (list->ListVisible())
                return list->FilterPopup();
        return nullptr;
    };

    ASSERT_TRUE(SwitchTo(German));
    TZDBPopupFilterList* popup = openList();
    ASSERT_TRUE(popup);
    const QString header = popup->ValueColumn()->Title()->GetHeader();
    EXPECT_TRUE(header.contains("Filter entfernen")) << header.toStdString();
    EXPECT_TRUE(header.contains("Filter ausw\u00E4hlen...")) << header.toStdString();
    EXPECT_EQ(popup->ValueColumn()->Title()->GetCaption(), "Alle ausw\u00E4hlen");
    QTest::keyClick(popup, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(FilterCaption(fcContains), "enth\u00E4lt");
    EXPECT_EQ(FilterCaption(fcIsNotOnTheList), "ist nicht in der Liste");

    TZDBNavigator navigator;
    const QList<QAbstractButton*> buttons = navigator.findChildren<QAbstractButton*>();
    ASSERT_EQ(buttons.size(), NavigateBtnCount);
    EXPECT_EQ(buttons.first()->toolTip(), "Erster");

    // Each opening builds the commands again: English after the switch.
    SwitchToEnglish();
    EXPECT_EQ(buttons.first()->toolTip(), "First");
    popup = openList();
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->ValueColumn()->Title()->GetHeader().contains("Remove filter"));
    QTest::keyClick(popup, Qt::Key_Escape);
    EXPECT_EQ(FilterCaption(fcContains), "contains");
}

TEST_F(Translated, MessagesInGermanAndAssignedTextsKept)
{
    ASSERT_TRUE(SwitchTo(German));
    const auto message = [](auto&& Action) {
        try {
            Action();
        } catch (const EDatabaseError& error) {
            return error.Message();
        }
        return QString();
    };
    EXPECT_TRUE(message([this] { Table->FieldByName("Nope"); }).endsWith("Feld 'Nope' nicht gefunden"));
    Table->Close();
    EXPECT_TRUE(message([this] { Table->Edit(); }).contains("geschlossenen Datenmenge"));

    // A text the application assigned has no translation: it shows as assigned.
    const QString saved = SRemoveFilterCaption;
    SRemoveFilterCaption = "Alles zeigen";
    EXPECT_EQ(Tr(SRemoveFilterCaption), "Alles zeigen");
    SRemoveFilterCaption = saved;
    EXPECT_EQ(Tr(SRemoveFilterCaption), "Filter entfernen");

    // No French: the library falls back to English rather than staying German.
    EXPECT_FALSE(SwitchTo(QLocale(QLocale::French, QLocale::France)));
    EXPECT_EQ(Tr(SRemoveFilterCaption), "Remove filter");
    EXPECT_TRUE(SwitchTo(QLocale(QLocale::English, QLocale::UnitedKingdom)));
    const QList<QLocale> available = AvailableTranslations();
    EXPECT_TRUE(available.contains(QLocale(QLocale::German, QLocale::Germany)));
    EXPECT_TRUE(available.contains(QLocale(QLocale::English, QLocale::UnitedStates)));
}

// ---- The German file ----------------------------------------------------------------------

struct TTsMessage {
    QString Context;
    QString Source;
    QString Translation;
    QString Type; // "unfinished", "vanished", "obsolete" or empty
};

// The text of the current element up to its end; <byte value="xd"/> is the character 0x0d.
QString ElementText(QXmlStreamReader& Xml)
{
    const QString name = Xml.name().toString();
    QString text;
    while (!Xml.atEnd()) {
        Xml.readNext();
        if (Xml.isCharacters())
            text += Xml.text();
        else if (Xml.isStartElement() && Xml.name() == QLatin1String("byte"))
            text += QChar(Xml.attributes().value("value").mid(1).toUInt(nullptr, 16));
        else if (Xml.isEndElement() && Xml.name() == name)
            break;
    }
    return text;
}

QList<TTsMessage> ReadTs(const QString& FileName, QString* Error)
{
    QList<TTsMessage> messages;
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *Error = file.errorString();
        return messages;
    }
    QXmlStreamReader xml(&file);
    QString context;
    TTsMessage message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("message"))
            messages << message;
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            message = {context, {}, {}, {}};
        } else if (xml.name() == QLatin1String("source")) {
            message.Source = ElementText(xml);
        } else if (xml.name() == QLatin1String("translation")) {
            message.Type = xml.attributes().value("type").toString();
            message.Translation = ElementText(xml);
        }
    }
    if (xml.hasError())
        *Error = xml.errorString();
    return messages;
}

// The placeholders (%s, %d, %1, %0:s) and the accelerator count of Text.
QStringList Markers(const QString& Text)
{
    static const QRegularExpression placeholder(QStringLiteral("%(\\d+(:s)?|s|d)"));
    QStringList markers;
    for (const QRegularExpressionMatch& match : placeholder.globalMatch(Text))
        markers << match.captured();
    markers.sort();
    QString plain = Text;
    markers << QString::number(plain.remove(QStringLiteral("&&")).count(QLatin1Char('&')));
    return markers;
}

// What is wrong with the messages of a German file, one line each.
QStringList Faults(const QList<TTsMessage>& Messages)
{
    QStringList faults;
    for (const TTsMessage& m : Messages) {
        const QString where = m.Context + QStringLiteral(": \"") + m.Source + QStringLiteral("\"");
        if (!m.Type.isEmpty())
            faults << where + QStringLiteral(" is ") + m.Type;
        else if (m.Translation.trimmed().isEmpty())
            faults << where + QStringLiteral(" has an empty translation");
        else if (Markers(m.Source) != Markers(m.Translation))
            faults << where + QStringLiteral(" and \"") + m.Translation +
                          QStringLiteral("\" differ in placeholders or accelerators");
    }
    return faults;
}

const QString GermanFile = QStringLiteral(ZDB_SOURCE_DIR "/translations/zdbgrids_de.ts");

TEST(TranslationFile, GermanIsCompleteAndMatchesTheSources)
{
    QString error;
    const QList<TTsMessage> stored = ReadTs(GermanFile, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_GT(stored.size(), 200);
    EXPECT_EQ(Faults(stored).join('\n').toStdString(), "");

    // The sources against the file: lupdate marks a text the file lacks as
    // unfinished and one the sources no longer have as vanished.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("zdbgrids_de.ts"));
    ASSERT_TRUE(QFile::copy(GermanFile, copy));
    QProcess lupdate;
    lupdate.start(QStringLiteral(ZDB_LUPDATE), {QStringLiteral("-silent"), QStringLiteral("-locations"),
                                                QStringLiteral("none"), QStringLiteral(ZDB_SOURCE_DIR "/src"),
                                                QStringLiteral("-ts"), copy});
    ASSERT_TRUE(lupdate.waitForFinished(120000)) << lupdate.errorString().toStdString();
    ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();
    const QList<TTsMessage> current = ReadTs(copy, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(Faults(current).join('\n').toStdString(), "")
        << "refresh the files with: cmake --build build --target update_translations, then translate";
    EXPECT_EQ(current.size(), stored.size());
}

TEST(TranslationFile, FaultsAreFound)
{
    // The checker itself: each kind of fault in a file is reported.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bad.ts"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(R"(<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>zdb</name>
    <message><source>Open</source><translation>&#214;ffnen</translation></message>
    <message><source>New</source><translation type="unfinished"></translation></message>
    <message><source>Gone</source><translation type="vanished">Weg</translation></message>
    <message><source>Page %d</source><translation>Seite</translation></message>
    <message><source>&amp;Help</source><translation>Hilfe</translation></message>
    <message><source>A<byte value="xd"/>B</source><translation>C<byte value="xd"/>D</translation></message>
</context>
</TS>
)");
    out.close();
    QString error;
    const QList<TTsMessage> messages = ReadTs(file, &error);
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    ASSERT_EQ(messages.size(), 6);
    EXPECT_EQ(messages[0].Translation, QStringLiteral("\u00D6ffnen"));
    EXPECT_EQ(messages[5].Source, QStringLiteral("A\rB"));
    const QStringList faults = Faults(messages);
    ASSERT_EQ(faults.size(), 4) << faults.join('\n').toStdString();
    EXPECT_TRUE(faults[0].contains("New") && faults[0].contains("unfinished"));
    EXPECT_TRUE(faults[1].contains("Gone") && faults[1].contains("vanished"));
    EXPECT_TRUE(faults[2].contains("Page %d"));
    EXPECT_TRUE(faults[3].contains("&Help"));
}

} // namespace
