// The Designer plugin: the widgets it offers, the widgets it makes with their
// properties, a form using them loaded by QUiLoader, and the search panel
// placed on a form by itself.
//
// The plugin carries its own copy of the library, so the widgets it makes are
// reached here only through the meta-object system (class names, properties
// and object names), as Designer reaches them.

#include "../grid/test_grid_helpers.h"

#include "ZDBCtrls.h"
#include "ZDBSearch.h"

#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QPluginLoader>
#include <QToolButton>
#include <QUiLoader>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <map>

using namespace zdb;
using namespace zdb::test;

namespace {

const QStringList Containers{"zdb::TZQGroupBox", "zdb::TZQPanel"};
const QStringList AllWidgets{
    "zdb::TZDBGrid",        "zdb::TZDBEditor",      "zdb::TZDBColumn",      "zdb::TZDBEditorLabel",
    "zdb::TZDBNavigator",   "zdb::TZRadioGroup",    "zdb::TZDBRadioGroup",  "zdb::TZDBCheckBox",
    "zdb::TZDBText",        "zdb::TZDBGridSearchPanel", "zdb::TZQButton",   "zdb::TZQCheckBox",
    "zdb::TZQRadioButton",  "zdb::TZQGroupBox",     "zdb::TZQPanel",        "zdb::TZQProgressBar"};

QList<QDesignerCustomWidgetInterface*> PluginWidgets()
{
    static QPluginLoader loader(QStringLiteral(ZDB_DESIGNER_PLUGIN));
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(loader.instance());
    EXPECT_NE(collection, nullptr) << loader.errorString().toStdString();
    return collection ? collection->customWidgets() : QList<QDesignerCustomWidgetInterface*>();
}

// The widget element of a domXml text: its class, object name and size.
struct TDomWidget {
    QString Class, Name;
    int Width = 0, Height = 0;
};

TDomWidget ReadDom(const QString& Xml)
{
    TDomWidget dom;
    QXmlStreamReader reader(Xml);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == u"widget" && dom.Class.isEmpty()) {
            dom.Class = reader.attributes().value(QLatin1String("class")).toString();
            dom.Name = reader.attributes().value(QLatin1String("name")).toString();
        } else if (reader.name() == u"width") {
            dom.Width = reader.readElementText().toInt();
        } else if (reader.name() == u"height") {
            dom.Height = reader.readElementText().toInt();
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return dom;
}

// A property's value for comparing: enumerations and sets as their numbers.
QVariant Plain(const QVariant& Value)
{
    if (Value.metaType().flags() & QMetaType::IsEnumeration)
        return Value.toInt();
    return Value;
}

// Values the widget-box entries take and give back by property name.
const QList<std::pair<const char*, QVariant>> StyledValues{
    {"Color", QColor(0x12, 0x34, 0x56)},   {"GradientActive", false},
    {"GradientDirection", int(gdHorizontal)}, {"GradientStartColor", QColor(255, 0, 0)},
    {"GradientEndColor", QColor(0, 255, 0)}, {"GradientShadowFactor", -40},
    {"GradientSwapColors", true}};
const QList<std::pair<const char*, QVariant>> ButtonValues{
    {"GradientHotColor", QColor(0, 0, 255)}, {"GradientOptions", QStringList{"goGradient", "goHotTrack"}}};
const std::map<QString, QList<std::pair<const char*, QVariant>>> OwnValues{
    {"zdb::TZDBGrid",
     {{"IndicatorWidth", 30}, {"TitleLinesCount", 2}, {"StripeColor", 0xEEEEEE}, {"DrawingStyle", int(gdsGradient)}}},
    {"zdb::TZDBNavigator", {{"VisibleButtons", QStringList{"nbFirst", "nbLast"}}, {"ConfirmDelete", false}}},
    {"zdb::TZRadioGroup", {{"Items", QStringList{"a", "b", "c"}}, {"ItemIndex", 1}}},
    {"zdb::TZDBRadioGroup",
     {{"Items", QStringList{"a", "b"}}, {"Values", QStringList{"A"}}, {"DataField", "Kind"}, {"ReadOnly", true}}},
    {"zdb::TZDBCheckBox", {{"DataField", "Paid"}, {"ValueChecked", "Y"}, {"ValueUnchecked", "N"}}},
    {"zdb::TZDBText", {{"DataField", "Name"}, {"ReadOnly", true}}},
    {"zdb::TZDBGridSearchPanel",
     {{"GridName", "grid"},
      {"ListWidth", 150},
      {"Permanent", true},
      {"VisibleOptions", int(soCaseSensitive | soWrapAround)},
      {"SearchOptions", int(soWholeWords)}}},
    {"zdb::TZQPanel", {{"Caption", "Totals"}, {"Alignment", int(Qt::AlignLeft | Qt::AlignVCenter)}}},
    {"zdb::TZQProgressBar", {{"GradientStepColor", QColor(255, 0, 0)}}},
};

QList<std::pair<const char*, QVariant>> ValuesOf(const QString& Class, const QMetaObject* Meta)
{
    QList<std::pair<const char*, QVariant>> values;
    if (const auto own = OwnValues.find(Class); own != OwnValues.end())
        values = own->second;
    if (Meta->indexOfProperty("GradientStartColor") >= 0)
        values += StyledValues;
    if (Meta->indexOfProperty("GradientHotColor") >= 0)
        values += ButtonValues;
    return values;
}

} // namespace

TEST(DesignerPlugin, OffersEveryWidgetInItsGroup)
{
    const auto widgets = PluginWidgets();
    QStringList names;
    for (QDesignerCustomWidgetInterface* widget : widgets) {
        const QString name = widget->name();
        names << name;
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(widget->group(), "ZDBGrids");
        EXPECT_FALSE(widget->icon().pixmap(24).isNull());
        EXPECT_FALSE(widget->toolTip().isEmpty());
        EXPECT_FALSE(widget->whatsThis().isEmpty());
        EXPECT_TRUE(widget->includeFile().endsWith(".h"));
        EXPECT_EQ(widget->isContainer(), Containers.contains(name));
        const TDomWidget dom = ReadDom(widget->domXml());
        EXPECT_EQ(dom.Class, name);
        EXPECT_FALSE(dom.Name.isEmpty());
        EXPECT_GT(dom.Width, 0);
        EXPECT_GT(dom.Height, 0);
    }
    names.sort();
    QStringList expected = AllWidgets;
    expected.sort();
    EXPECT_EQ(names, expected);
}

TEST(DesignerPlugin, MakesEachWidgetWithItsPropertiesByName)
{
    QWidget form;
    for (QDesignerCustomWidgetInterface* entry : PluginWidgets()) {
        SCOPED_TRACE(entry->name().toStdString());
        QWidget* widget = entry->createWidget(&form);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(QString::fromLatin1(widget->metaObject()->className()), entry->name());
        EXPECT_EQ(widget->parentWidget(), &form);
        // Without any data it paints.
        const TDomWidget dom = ReadDom(entry->domXml());
        widget->resize(dom.Width, dom.Height);
        EXPECT_FALSE(widget->grab().isNull());

        for (const auto& [name, value] : ValuesOf(entry->name(), widget->metaObject())) {
            SCOPED_TRACE(name);
            const int index = widget->metaObject()->indexOfProperty(name);
            ASSERT_GE(index, 0);
            const QMetaProperty property = widget->metaObject()->property(index);
            EXPECT_TRUE(property.isWritable() && property.isDesignable());
            EXPECT_NE(Plain(widget->property(name)), value);
            EXPECT_TRUE(widget->setProperty(name, value));
            EXPECT_EQ(Plain(widget->property(name)), value);
        }
        delete widget;
    }
}

TEST(DesignerForm, LoadsWithThePropertiesSetInIt)
{
    QUiLoader loader;
    loader.addPluginPath(QFileInfo(QStringLiteral(ZDB_DESIGNER_PLUGIN)).absolutePath());
    for (const QString& name : AllWidgets)
        EXPECT_TRUE(loader.availableWidgets().contains(name)) << name.toStdString();
    QFile file(QStringLiteral(ZDB_DESIGNER_FORM));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> form(loader.load(&file));
    ASSERT_NE(form, nullptr) << loader.errorString().toStdString();

    auto child = [&](const char* name) {
        QWidget* widget = form->findChild<QWidget*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget ? widget : form.get();
    };
    EXPECT_STREQ(child("grid")->metaObject()->className(), "zdb::TZDBGrid");
    EXPECT_EQ(child("grid")->property("IndicatorWidth"), 20);
    EXPECT_EQ(child("grid")->property("TitleLinesCount"), 2);
    EXPECT_EQ(child("grid")->property("StripeColor"), 15658734);
    EXPECT_EQ(child("searchPanel")->property("ListWidth"), 150);
    EXPECT_EQ(child("searchPanel")->property("Permanent"), true);
    EXPECT_EQ(Plain(child("searchPanel")->property("VisibleOptions")), int(soCaseSensitive | soFilterRows));
    EXPECT_EQ(child("navigator")->property("VisibleButtons"),
              QStringList({"nbFirst", "nbPrior", "nbNext", "nbLast"}));
    EXPECT_EQ(child("navigator")->property("ConfirmDelete"), false);
    EXPECT_EQ(Plain(child("groupBox")->property("GradientDirection")), int(gdHorizontal));
    // The containers hold what the form put into them.
    EXPECT_EQ(child("checkBox")->parentWidget(), child("groupBox"));
    EXPECT_EQ(child("progressBar")->parentWidget(), child("panel"));
    EXPECT_EQ(child("button")->property("Color"), QColor(255, 0, 0));
    EXPECT_EQ(child("button")->property("GradientHotColor"), QColor(0, 255, 0));
    EXPECT_EQ(child("button")->property("GradientOptions"), QStringList({"goGradient", "goHotColor"}));
    EXPECT_EQ(child("button")->property("text"), "OK");
    EXPECT_EQ(child("panel")->property("Caption"), "Totals");
    EXPECT_EQ(child("panel")->property("GradientShadowFactor"), -40);
    EXPECT_EQ(child("progressBar")->property("GradientStepColor"), QColor(0, 0, 255));
    EXPECT_EQ(child("plainRadioGroup")->property("ItemIndex"), 2);
    EXPECT_EQ(child("plainRadioGroup")->findChildren<QAbstractButton*>().size(), 3);
    EXPECT_EQ(child("radioGroup")->property("Values"), QStringList({"C", "K"}));
    EXPECT_EQ(child("radioGroup")->property("DataField"), "Payment");
    EXPECT_EQ(child("dbCheckBox")->property("ValueChecked"), "Y");
    EXPECT_EQ(child("dbText")->property("DataField"), "Customer");
    EXPECT_STREQ(child("editor")->metaObject()->className(), "zdb::TZDBEditor");
    EXPECT_STREQ(child("columnEditor")->metaObject()->className(), "zdb::TZDBColumn");

    // The search panel found its grid by name: its text box takes input; a
    // name no grid has leaves it refusing input.
    form->show();
    QApplication::processEvents();
    auto* text = child("searchPanel")->findChild<QComboBox*>(QStringLiteral("SearchText"));
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->isEnabled());
    child("searchPanel")->setProperty("GridName", "noSuchGrid");
    EXPECT_FALSE(text->isEnabled());
}

// The search panel on a form by itself, searching the grid it names.
struct StandalonePanel : ::testing::Test {
    std::unique_ptr<TZMemDataSet> Table = MakeOrders(20);
    TDataSource Source;
    QWidget Form;
    TZDBGrid* Grid = new TZDBGrid(&Form);
    TZDBGridSearchPanel* Panel = new TZDBGridSearchPanel(&Form);

    void SetUp() override
    {
        Grid->setObjectName(QStringLiteral("ordersGrid"));
        Grid->setGeometry(0, 40, 400, 300);
        Panel->setGeometry(0, 0, 800, Panel->sizeHint().height());
        Source.SetDataSet(Table.get());
        Grid->SetDataSource(&Source);
        Form.resize(800, 360);
        Form.show();
        Form.activateWindow();
        QApplication::processEvents();
    }
    QComboBox* Text() const { return Panel->findChild<QComboBox*>(QStringLiteral("SearchText")); }
};

TEST_F(StandalonePanel, SearchesTheGridItNamesAndRefusesInputWithoutOne)
{
    EXPECT_FALSE(Text()->isEnabled());
    EXPECT_EQ(Panel->SearchedGrid(), nullptr);
    // Enter without a grid changes nothing.
    Panel->SetFocus();
    QTest::keyClick(Text()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Table->FieldByName("Id")->AsInteger(), 1);

    Panel->SetSearchOptions(soWholeWords);
    Panel->SetGridName(QStringLiteral("ordersGrid"));
    ASSERT_EQ(Panel->SearchedGrid(), Grid);
    ASSERT_TRUE(Text()->isEnabled());
    // The grid takes the options the panel was given.
    EXPECT_EQ(Grid->Search()->GetOptions(), TZSearchOptions(soWholeWords));

    Text()->setFocus();
    QTest::keyClicks(Text()->lineEdit(), QStringLiteral("Customer 12"));
    QTest::keyClick(Text()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Table->FieldByName("Id")->AsInteger(), 12);
    EXPECT_EQ(Grid->Search()->GetText(), "Customer 12");
    EXPECT_EQ(Grid->Search()->History(), QStringList{"Customer 12"});
    // Its own settings do not touch the grid's search.
    Panel->SetListWidth(150);
    EXPECT_EQ(Grid->Search()->GetListWidth(), TZDBGridSearch::DefaultListWidth);
}

TEST_F(StandalonePanel, KeepsItsOwnSettings)
{
    Panel->SetListWidth(50);
    EXPECT_EQ(Panel->GetListWidth(), TZDBGridSearch::MinListWidth);
    Panel->SetListWidth(0);
    EXPECT_EQ(Panel->GetListWidth(), TZDBGridSearch::DefaultListWidth);
    Panel->SetListWidth(200);
    EXPECT_EQ(Text()->width(), 205);

    auto* close = Panel->findChild<QToolButton*>(QStringLiteral("CloseSearch"));
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(close->isVisible());
    Panel->SetPermanent(true);
    EXPECT_FALSE(close->isVisible());

    Panel->SetVisibleOptions(TZSearchOptions(soCaseSensitive) | soSkipMessage);
    EXPECT_EQ(Panel->GetVisibleOptions(), TZSearchOptions(soCaseSensitive));
    EXPECT_TRUE(Panel->findChild<QWidget*>(QStringLiteral("CaseSensitive"))->isVisible());
    EXPECT_FALSE(Panel->findChild<QWidget*>(QStringLiteral("WholeWords"))->isVisible());

    // Escape closes a panel that is not permanent.
    Panel->SetPermanent(false);
    Panel->SetGridName(QStringLiteral("ordersGrid"));
    Text()->setFocus();
    QTest::keyClick(Text()->lineEdit(), Qt::Key_Escape);
    EXPECT_FALSE(Panel->isVisible());
}

// A panel given no options shows and searches with its grid's, and a click
// switches only its own option in the grid's search.
TEST_F(StandalonePanel, SearchesWithTheGridsOptionsAndAClickSwitchesOnlyItsOwn)
{
    TZDBGridSearch* search = Grid->Search();
    search->SetOptions(TZSearchOptions(soWholeWords) | soSkipMessage);
    Panel->SetGridName(QStringLiteral("ordersGrid"));
    ASSERT_EQ(Panel->SearchedGrid(), Grid);
    EXPECT_EQ(search->GetOptions(), TZSearchOptions(soWholeWords) | soSkipMessage);
    auto box = [&](const char* Name) { return Panel->findChild<QCheckBox*>(QLatin1String(Name)); };
    EXPECT_TRUE(box("WholeWords")->isChecked());
    EXPECT_FALSE(box("CaseSensitive")->isChecked());

    // Options changed in the grid's search later are the ones searched with.
    search->SetOptions(TZSearchOptions(soCaseSensitive) | soSkipMessage);
    Text()->setFocus();
    QTest::keyClicks(Text()->lineEdit(), QStringLiteral("customer 12"));
    QTest::keyClick(Text()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Table->FieldByName("Id")->AsInteger(), 1);
    EXPECT_EQ(search->GetOptions(), TZSearchOptions(soCaseSensitive) | soSkipMessage);
    EXPECT_TRUE(box("CaseSensitive")->isChecked());
    EXPECT_FALSE(box("WholeWords")->isChecked());

    // A click switches its option only; the grid's other options stay.
    search->SetOptions(TZSearchOptions(soCaseSensitive) | soWrapAround | soSkipMessage);
    QTest::mouseClick(box("CaseSensitive"), Qt::LeftButton, Qt::NoModifier, QPoint(8, box("CaseSensitive")->height() / 2));
    EXPECT_EQ(search->GetOptions(), TZSearchOptions(soWrapAround) | soSkipMessage);
    QTest::keyClick(Text()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Table->FieldByName("Id")->AsInteger(), 12);
}

TEST(DesignerProperties, SetsByKeyNamesRefuseUnknownNames)
{
    TZDBNavigator navigator;
    navigator.setProperty("VisibleButtons", QStringList{"nbPost", "nbCancel"});
    EXPECT_EQ(navigator.GetVisibleButtons(), TNavButtonSet({nbPost, nbCancel}));
    EXPECT_TRUE(navigator.Button(nbPost)->isVisibleTo(&navigator));
    EXPECT_FALSE(navigator.Button(nbFirst)->isVisibleTo(&navigator));
    navigator.setProperty("VisibleButtons", QStringList{"nbPost", "nbNope"});
    EXPECT_EQ(navigator.GetVisibleButtons(), TNavButtonSet({nbPost, nbCancel}));

    TZQButton button;
    button.setProperty("GradientOptions", QStringList{"goHotTrack"});
    EXPECT_EQ(button.Gradient()->GetOptions(), TZQGradientOptions({goHotTrack}));
    button.setProperty("GradientOptions", QStringList{"goHotTrack", "goSparkle"});
    EXPECT_EQ(button.Gradient()->GetOptions(), TZQGradientOptions({goHotTrack}));
    // The flattened properties are the gradient's own, colours as QColor: an
    // invalid one is the default-colour marker, a transparent one no colour.
    EXPECT_TRUE(button.setProperty("GradientStartColor", QColor(255, 0, 0)));
    EXPECT_EQ(button.Gradient()->GetStartColor(), 0x0000FF);
    EXPECT_EQ(button.property("GradientStartColor"), QColor(255, 0, 0));
    EXPECT_EQ(button.Gradient()->GetEndColor(), clDefault);
    EXPECT_FALSE(button.property("GradientEndColor").value<QColor>().isValid());
    EXPECT_TRUE(button.setProperty("GradientEndColor", QColor(Qt::transparent)));
    EXPECT_EQ(button.Gradient()->GetEndColor(), clNone);
    EXPECT_TRUE(button.setProperty("GradientEndColor", QColor()));
    EXPECT_EQ(button.Gradient()->GetEndColor(), clDefault);
    // A system colour reads as the palette's colour; an invalid base colour changes nothing.
    button.SetColor(clBtnFace);
    EXPECT_EQ(button.property("Color"), button.palette().color(QPalette::Active, QPalette::Button));
    EXPECT_TRUE(button.setProperty("Color", QColor()));
    EXPECT_EQ(button.GetColor(), clBtnFace);

    // The grid's drawing style is its fixed cells' theme and style; classic
    // keeps a flat style, and only those two are stored.
    TZDBGrid grid;
    EXPECT_EQ(grid.GetDrawingStyle(), gdsClassic);
    EXPECT_TRUE(grid.setProperty("DrawingStyle", "gdsGradient"));
    EXPECT_EQ(grid.GetFixedStyle(), fsGradient);
    EXPECT_EQ(grid.GetFixedTheme(), ftStandard);
    EXPECT_TRUE(grid.setProperty("DrawingStyle", "gdsThemed"));
    EXPECT_EQ(grid.GetFixedTheme(), ftSystem);
    EXPECT_EQ(grid.GetDrawingStyle(), gdsThemed);
    grid.SetFixedStyle(fsFlat);
    EXPECT_TRUE(grid.setProperty("DrawingStyle", "gdsClassic"));
    EXPECT_EQ(grid.GetFixedStyle(), fsFlat);
    EXPECT_EQ(grid.GetDrawingStyle(), gdsClassic);
    grid.SetFixedStyle(fsGradient);
    EXPECT_EQ(grid.GetDrawingStyle(), gdsGradient);
    EXPECT_FALSE(grid.metaObject()->property(grid.metaObject()->indexOfProperty("DrawingStyle")).isStored());
}
