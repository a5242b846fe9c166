// The styled controls driven by real mouse and key events, and their rendered
// pixels: the gradient's two colours taken from the palette (light and dark),
// the flat disabled face, the right-to-left mirror, and screenshots of all of
// them at scale 1 and 2 in the build folder (screenshots/).

#include "ZDBCtrls.h"
#include "ZDBMemData.h"
#include "TestPaint.h"
#include "ZQSCtrls.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <set>

using namespace zdb;
using namespace zdb::test;

namespace {

QImage Render(QWidget* widget, int scale = 1)
{
    QPixmap pixmap(widget->size() * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    widget->render(&pixmap);
    return pixmap.toImage();
}

// Every styled control on a panel, in a window of its own.
struct TShowcase {
    TZMemDataSet Table;
    TDataSource Source;
    QWidget Window;
    TZQPanel* Panel;
    TZQButton* Button;
    TZQButton* Disabled;
    TZQCheckBox* Check;
    TZQCheckBox* Partly;
    TZQRadioButton* Radio;
    TZQGroupBox* Group;
    TZQProgressBar* Progress;
    TZDBNavigator* Navigator;

    explicit TShowcase(const QPalette& Palette)
    {
        Window.setPalette(Palette);
        auto* outer = new QVBoxLayout(&Window);
        outer->setContentsMargins(0, 0, 0, 0);
        Panel = new TZQPanel(&Window);
        Panel->SetCaption(QStringLiteral("Styled controls"));
        Panel->SetAlignment(Qt::AlignTop | Qt::AlignRight);
        outer->addWidget(Panel);
        auto* layout = new QVBoxLayout(Panel);
        layout->setContentsMargins(10, 24, 10, 10);
        // The navigator on the second of three records: every button but post and cancel enabled.
        Table.FieldDefs().Add("Name", ftWideString, 20);
        Table.CreateDataSet();
        for (const char* name : {"One", "Two", "Three"}) {
            Table.Append();
            Table.FieldByName("Name")->SetValue(QString::fromLatin1(name));
            Table.Post();
        }
        Table.First();
        Table.Next();
        Source.SetDataSet(&Table);
        Navigator = new TZDBNavigator(Panel);
        Navigator->SetDataSource(&Source);
        layout->addWidget(Navigator);
        auto* buttons = new QHBoxLayout;
        Button = new TZQButton(QStringLiteral("&Apply"), Panel);
        Disabled = new TZQButton(QStringLiteral("Disabled"), Panel);
        Disabled->setEnabled(false);
        buttons->addWidget(Button);
        buttons->addWidget(Disabled);
        buttons->addStretch();
        layout->addLayout(buttons);
        Group = new TZQGroupBox(QStringLiteral("Options"), Panel);
        auto* inGroup = new QVBoxLayout(Group);
        Check = new TZQCheckBox(QStringLiteral("Checked"), Group);
        Check->setChecked(true);
        Partly = new TZQCheckBox(QStringLiteral("Partly checked"), Group);
        Partly->setTristate(true);
        Partly->setCheckState(Qt::PartiallyChecked);
        Radio = new TZQRadioButton(QStringLiteral("Radio button"), Group);
        Radio->setChecked(true);
        inGroup->addWidget(Check);
        inGroup->addWidget(Partly);
        inGroup->addWidget(Radio);
        inGroup->addWidget(new TZQRadioButton(QStringLiteral("Another one"), Group));
        layout->addWidget(Group);
        Progress = new TZQProgressBar(Panel);
        Progress->setValue(62);
        layout->addWidget(Progress);
        layout->addStretch();
        Window.resize(760, 290);
        Window.show();
        QApplication::processEvents();
    }
};

} // namespace

TEST(StyledControls, ButtonFollowsThePointerAndTheKeys)
{
    QWidget window;
    auto* button = new TZQButton(QStringLiteral("Go"), &window);
    auto* other = new TZQButton(QStringLiteral("Other"), &window);
    button->setGeometry(10, 10, 80, 30);
    other->setGeometry(100, 10, 80, 30);
    window.resize(200, 60);
    window.show();
    QApplication::processEvents();
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    const QImage normal = Render(button);

    // Hot under the pointer, and painted so; no longer after leaving it.
    QTest::mouseMove(button, QPoint(40, 15));
    EXPECT_TRUE(button->IsHot());
    EXPECT_NE(Render(button), normal);
    QTest::mouseMove(other, QPoint(40, 15));
    EXPECT_FALSE(button->IsHot());
    EXPECT_TRUE(other->IsHot());
    EXPECT_EQ(Render(button), normal);

    // Pressed while the button is down, a click on release.
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(40, 15));
    EXPECT_TRUE(button->isDown());
    const QImage pressed = Render(button);
    EXPECT_NE(pressed, normal);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(40, 15));
    EXPECT_FALSE(button->isDown());
    EXPECT_EQ(clicked.count(), 1);

    // Space, Return and Enter click the focused button; a checkable one shows checked as pressed.
    button->setFocus();
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(button, Qt::Key_Return);
    QTest::keyClick(button, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(clicked.count(), 4);
    button->setCheckable(true);
    button->clearFocus();
    QTest::mouseMove(other, QPoint(40, 15));
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_TRUE(button->isChecked());
    EXPECT_EQ(Render(button), pressed);

    // Disabled: no click, and painted otherwise.
    button->setChecked(false);
    button->setEnabled(false);
    EXPECT_NE(Render(button), normal);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 5); // only the checkable button's Return above

    // Accessible as the Qt button it is.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(other);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Other"));
}

TEST(StyledControls, CheckBoxAndRadioButtonToggleByMouseAndSpace)
{
    QWidget window;
    auto* check = new TZQCheckBox(QStringLiteral("Check"), &window);
    auto* first = new TZQRadioButton(QStringLiteral("First"), &window);
    auto* second = new TZQRadioButton(QStringLiteral("Second"), &window);
    check->setGeometry(10, 10, 120, 24);
    first->setGeometry(10, 40, 120, 24);
    second->setGeometry(10, 70, 120, 24);
    window.resize(200, 100);
    window.show();
    QApplication::processEvents();
    QSignalSpy toggled(check, &QAbstractButton::toggled);
    const QImage unchecked = Render(check);

    QTest::mouseMove(check, QPoint(8, 12));
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, 12));
    EXPECT_TRUE(check->isChecked());
    const QImage checkedHot = Render(check);
    EXPECT_NE(checkedHot, unchecked);
    QTest::mouseMove(first, QPoint(8, 12));
    EXPECT_FALSE(check->IsHot());
    EXPECT_NE(Render(check), checkedHot); // hot no more, still checked
    check->setFocus();
    QTest::keyClick(check, Qt::Key_Space);
    EXPECT_FALSE(check->isChecked());
    EXPECT_EQ(toggled.count(), 2);
    check->clearFocus();
    EXPECT_EQ(Render(check), unchecked);

    // Radio buttons stay exclusive among their siblings.
    QTest::mouseClick(first, Qt::LeftButton, {}, QPoint(8, 12));
    EXPECT_TRUE(first->isChecked());
    second->setFocus();
    QTest::keyClick(second, Qt::Key_Space);
    EXPECT_TRUE(second->isChecked());
    EXPECT_FALSE(first->isChecked());
    EXPECT_NE(Render(first), Render(second).copy(first->rect()));
}

TEST(StyledControls, FaceTakesTheGradientsColoursFromThePalette)
{
    QRgb tops[2] = {};
    for (const bool dark : {false, true}) {
        const QPalette palette = dark ? DarkPalette() : QApplication::palette();
        QWidget window;
        window.setPalette(palette);
        auto* button = new TZQButton(QString(), &window);
        button->setGeometry(0, 0, 60, 30);
        window.resize(100, 60);
        window.show();
        QApplication::processEvents();
        QTest::mouseMove(&window, QPoint(90, 50)); // the pointer away from the button
        const QImage image = Render(button);
        // Inside the one-pixel frame: the light colour at the top, the button colour's shadow at the bottom.
        const QRgb top = image.pixel(30, 1);
        const QRgb bottom = image.pixel(30, 28);
        EXPECT_EQ(top, palette.color(QPalette::Light).rgb()) << dark;
        EXPECT_EQ(bottom, ShadowColor(palette.color(QPalette::Button), -25).rgb()) << dark;
        EXPECT_NE(image.pixel(0, 15), top);
        tops[dark] = top;
        EXPECT_EQ(IsDarkPalette(palette), QColor(top).lightness() < 128);

        // Twice the pixels at scale 2, the same two ends.
        const QImage twice = Render(button, 2);
        EXPECT_EQ(twice.width(), 120);
        EXPECT_EQ(twice.pixel(60, 2), top);
        EXPECT_EQ(twice.pixel(60, 57), bottom);

        // Disabled: flat in the disabled button colour.
        button->setEnabled(false);
        const QImage disabled = Render(button);
        EXPECT_EQ(disabled.pixel(30, 1), palette.color(QPalette::Disabled, QPalette::Button).rgb());
        EXPECT_EQ(disabled.pixel(30, 28), disabled.pixel(30, 1));

        // The gradient switched off: the Qt style draws the button.
        button->setEnabled(true);
        button->Gradient()->SetActive(false);
        EXPECT_NE(Render(button), image);
        button->Gradient()->SetActive(true);
        EXPECT_EQ(Render(button), image);
    }
    EXPECT_NE(tops[0], tops[1]);
}

TEST(StyledControls, RightToLeftMirrorsIndicatorsAndProgress)
{
    QWidget window;
    auto* check = new TZQCheckBox(QString(), &window);
    auto* progress = new TZQProgressBar(&window);
    check->setGeometry(0, 0, 80, 24);
    progress->setGeometry(0, 30, 200, 20);
    progress->setTextVisible(false);
    progress->setValue(25);
    window.show();
    QApplication::processEvents();
    // Where the indicator is: more than the plain background in that quarter.
    const auto marked = [](const QImage& image, bool left) {
        const int quarter = image.width() / 4;
        return ColoursIn(image, QRect(left ? 0 : image.width() - quarter, 0, quarter, image.height())).size() > 2;
    };
    for (const bool rtl : {false, true}) {
        window.setLayoutDirection(rtl ? Qt::RightToLeft : Qt::LeftToRight);
        QApplication::processEvents();
        const QImage box = Render(check);
        EXPECT_EQ(marked(box, true), !rtl);
        EXPECT_EQ(marked(box, false), rtl);
        const QImage bar = Render(progress);
        const QRgb base = window.palette().color(QPalette::Base).rgb();
        EXPECT_NE(bar.pixel(rtl ? 190 : 10, 10), base) << rtl;
        EXPECT_EQ(bar.pixel(rtl ? 10 : 190, 10), base) << rtl;
    }
    // An inverted bar fills from the other end.
    window.setLayoutDirection(Qt::LeftToRight);
    progress->setInvertedAppearance(true);
    EXPECT_EQ(progress->DoneRect().right(), 198);
}

TEST(StyledControls, RadioGroupAndNavigatorStandOnThem)
{
    QWidget window;
    auto* group = new TZRadioGroup(&window);
    group->SetItems({QStringLiteral("One"), QStringLiteral("Two")});
    auto* navigator = new TZDBNavigator(&window);
    EXPECT_NE(qobject_cast<TZQGroupBox*>(group), nullptr);
    EXPECT_NE(qobject_cast<TZQRadioButton*>(group->Button(1)), nullptr);
    // Each navigator button has its caption and a glyph in the button's text colour, drawn for the density asked.
    TZQButton* next = navigator->Button(nbNext);
    EXPECT_EQ(next->text(), SNavNext);
    const QImage glyph = next->icon().pixmap(QSize(16, 16), 2.0).toImage();
    EXPECT_EQ(glyph.width(), 32);
    EXPECT_TRUE(ColoursIn(glyph, glyph.rect()).count(next->palette().color(QPalette::Active, QPalette::ButtonText).rgb()));
    // Mirrored right to left: the arrow's broad end changes sides.
    const auto inkLeft = [&] {
        const QImage image = next->icon().pixmap(QSize(16, 16), 1.0).toImage();
        int left = 0, right = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 8; ++x) {
                left += qAlpha(image.pixel(x, y));
                right += qAlpha(image.pixel(15 - x, y));
            }
        return left > right;
    };
    const bool left = inkLeft();
    navigator->setLayoutDirection(Qt::RightToLeft);
    EXPECT_NE(inkLeft(), left);
}

TEST(StyledControls, ScreenshotsLightAndDarkAtScaleOneAndTwo)
{
    const QString folder = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../screenshots"));
    QDir().mkpath(folder);
    for (const bool dark : {false, true}) {
        TShowcase show(dark ? DarkPalette() : QApplication::palette());
        show.Button->setFocus();
        QTest::mouseMove(show.Check, QPoint(8, show.Check->height() / 2));
        for (const int scale : {1, 2}) {
            const QImage image = Render(&show.Window, scale);
            const QString name = QStringLiteral("controls-%1-x%2.png").arg(dark ? "dark" : "light").arg(scale);
            ASSERT_TRUE(image.save(QDir(folder).filePath(name))) << name.toStdString();
        }
    }
}
