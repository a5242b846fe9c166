// The widgets of the Designer plugin and their widget-box icons.

#include "ZDBDesignerPlugin.h"

#include "ZDBCtrls.h"
#include "ZDBEditor.h"
#include "ZDBGrids.h"
#include "ZDBSearch.h"
#include "ZQSCtrls.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zdb {

namespace {

// The icons are drawn on a 24 x 24 grid and scaled to the size asked for.
const QColor IconInk(0x33, 0x44, 0x66);
const QColor IconFace(0xc6, 0xd3, 0xef); // the gradient's hot colour
const QColor IconPaper(Qt::white);
const QColor IconMark(0x2a, 0x6e, 0xd8);

void FaceFill(QPainter& p, const QRectF& r, qreal radius = 2)
{
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, IconFace.lighter(115));
    fill.setColorAt(1, IconFace.darker(115));
    p.setPen(QPen(IconInk, 1));
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
}

void PaintGrid(QPainter& p, const QRectF&)
{
    p.setPen(QPen(IconInk, 1));
    p.setBrush(IconPaper);
    p.drawRect(QRectF(2.5, 3.5, 19, 17));
    p.fillRect(QRectF(3, 4, 18, 4), IconFace);
    for (qreal y : {8.5, 12.5, 16.5})
        p.drawLine(QPointF(2.5, y), QPointF(21.5, y));
    for (qreal x : {7.5, 14.5})
        p.drawLine(QPointF(x, 3.5), QPointF(x, 20.5));
    p.fillRect(QRectF(8, 13, 6, 3), IconMark);
}

void PaintEditBox(QPainter& p, bool Button)
{
    p.setPen(QPen(IconInk, 1));
    p.setBrush(IconPaper);
    p.drawRect(QRectF(1.5, 7.5, 21, 9));
    p.drawLine(QPointF(4.5, 9.5), QPointF(4.5, 14.5));
    if (Button) {
        FaceFill(p, QRectF(15.5, 8.5, 6, 7), 0);
        p.setBrush(IconInk);
        p.drawPolygon(QPolygonF({QPointF(16.5, 11), QPointF(20.5, 11), QPointF(18.5, 13.5)}));
    }
}

void PaintEditor(QPainter& p, const QRectF&)
{
    PaintEditBox(p, true);
}

void PaintColumnEditor(QPainter& p, const QRectF&)
{
    PaintEditBox(p, true);
    p.setPen(QPen(IconMark, 2));
    p.drawLine(QPointF(3, 4), QPointF(12, 4));
}

void PaintText(QPainter& p, const QString& Text, bool Underline)
{
    QFont font = p.font();
    font.setPixelSize(13);
    font.setBold(true);
    p.setFont(font);
    p.setPen(IconInk);
    p.drawText(QRectF(0, 2, 24, 18), Qt::AlignCenter, Text);
    if (Underline) {
        p.setPen(QPen(IconMark, 2));
        p.drawLine(QPointF(4, 20), QPointF(20, 20));
    }
}

void PaintLabel(QPainter& p, const QRectF&)
{
    PaintText(p, QStringLiteral("A"), false);
}

void PaintDBText(QPainter& p, const QRectF&)
{
    PaintText(p, QStringLiteral("ab"), true);
}

void PaintNavigator(QPainter& p, const QRectF&)
{
    FaceFill(p, QRectF(0.5, 6.5, 23, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(IconInk);
    p.drawPolygon(QPolygonF({QPointF(3, 12), QPointF(8, 8.5), QPointF(8, 15.5)}));
    p.drawPolygon(QPolygonF({QPointF(21, 12), QPointF(16, 8.5), QPointF(16, 15.5)}));
    p.drawRect(QRectF(10.5, 9, 3, 6));
}

void PaintRadio(QPainter& p, const QPointF& Centre, qreal Radius, bool Checked)
{
    QRadialGradient fill(Centre, Radius);
    fill.setColorAt(0, IconPaper);
    fill.setColorAt(1, IconFace);
    p.setPen(QPen(IconInk, 1));
    p.setBrush(fill);
    p.drawEllipse(Centre, Radius, Radius);
    if (Checked) {
        p.setPen(Qt::NoPen);
        p.setBrush(IconMark);
        p.drawEllipse(Centre, Radius / 2, Radius / 2);
    }
}

void PaintFrame(QPainter& p, const QRectF& Frame)
{
    p.setPen(QPen(IconInk, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(Frame);
    p.setPen(QPen(IconMark, 2));
    p.drawLine(QPointF(Frame.left() + 3, Frame.top()), QPointF(Frame.left() + 10, Frame.top()));
}

void PaintRadioGroup(QPainter& p, const QRectF&)
{
    PaintFrame(p, QRectF(1.5, 3.5, 21, 18));
    PaintRadio(p, QPointF(7, 9.5), 3, true);
    PaintRadio(p, QPointF(7, 16), 3, false);
    p.setPen(QPen(IconInk, 1));
    p.drawLine(QPointF(12, 9.5), QPointF(19, 9.5));
    p.drawLine(QPointF(12, 16), QPointF(19, 16));
}

void PaintSearch(QPainter& p, const QRectF&)
{
    p.setPen(QPen(IconInk, 2));
    p.setBrush(IconPaper);
    p.drawEllipse(QPointF(10, 10), 6, 6);
    p.setPen(QPen(IconInk, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14.5, 14.5), QPointF(20.5, 20.5));
}

void PaintButton(QPainter& p, const QRectF&)
{
    FaceFill(p, QRectF(1.5, 5.5, 21, 13), 3);
    p.setPen(QPen(IconInk, 1));
    p.drawLine(QPointF(7, 12), QPointF(17, 12));
}

void PaintCheck(QPainter& p, const QRectF&)
{
    FaceFill(p, QRectF(4.5, 4.5, 15, 15), 1);
    p.setPen(QPen(IconMark, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(7.5, 12), QPointF(10.5, 15.5), QPointF(16.5, 8)}));
}

void PaintDBCheck(QPainter& p, const QRectF& r)
{
    PaintCheck(p, r);
    p.setPen(QPen(IconInk, 2));
    p.drawLine(QPointF(4, 22), QPointF(20, 22));
}

void PaintRadioButton(QPainter& p, const QRectF&)
{
    PaintRadio(p, QPointF(12, 12), 8, true);
}

void PaintGroupBox(QPainter& p, const QRectF&)
{
    PaintFrame(p, QRectF(1.5, 4.5, 21, 17));
}

void PaintPanel(QPainter& p, const QRectF&)
{
    FaceFill(p, QRectF(1.5, 3.5, 21, 17), 0);
}

void PaintProgress(QPainter& p, const QRectF&)
{
    p.setPen(QPen(IconInk, 1));
    p.setBrush(IconPaper);
    p.drawRect(QRectF(1.5, 8.5, 21, 7));
    p.fillRect(QRectF(2, 9, 12, 6), IconMark);
}

template <class TWidget>
std::function<QWidget*(QWidget*)> Maker()
{
    return [](QWidget* parent) -> QWidget* { return new TWidget(parent); };
}

} // namespace

QString TZDesignerWidget::group() const
{
    return QStringLiteral("ZDBGrids");
}

QIcon TZDesignerWidget::icon() const
{
    if (FIcon.isNull()) {
        for (int size : {16, 24, 32, 48}) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(size / 24.0, size / 24.0);
            FInfo.PaintIcon(painter, QRectF(0, 0, 24, 24));
            painter.end();
            FIcon.addPixmap(pixmap);
        }
    }
    return FIcon;
}

QString TZDesignerWidget::domXml() const
{
    // The display name leaves out the namespace in the widget box.
    const QString display = FInfo.ClassName.section(QStringLiteral("::"), -1);
    return QStringLiteral("<ui language=\"c++\" displayname=\"%1\">\n"
                          " <widget class=\"%2\" name=\"%3\">\n"
                          "  <property name=\"geometry\">\n"
                          "   <rect><x>0</x><y>0</y><width>%4</width><height>%5</height></rect>\n"
                          "  </property>\n"
                          " </widget>\n"
                          "</ui>\n")
        .arg(display, FInfo.ClassName, FInfo.ObjectName)
        .arg(FInfo.Size.width())
        .arg(FInfo.Size.height());
}

TZDesignerCollection::TZDesignerCollection(QObject* parent) : QObject(parent)
{
    using W = TZDesignerWidget::TInfo;
    const std::vector<W> widgets{
        {"zdb::TZDBGrid", "zdbGrid", "ZDBGrids.h", "Data grid",
         "A grid that shows the records of a data source: multi-line titles and header bands, "
         "click-to-sort titles, totals, auto-filters, search, tree rows, multi-selection and saved layouts.",
         {400, 200}, false, Maker<TZDBGrid>(), PaintGrid},
        {"zdb::TZDBEditor", "zdbEditor", "ZDBEditor.h", "Field editor",
         "A stand-alone editor of one field of a data source, with its own pick list, button and caption label.",
         {150, 24}, false, Maker<TZDBEditor>(), PaintEditor},
        {"zdb::TZDBColumn", "zdbColumn", "ZDBEditor.h", "Grid column editor",
         "A stand-alone editor that follows a column of a data grid: its field, lists and button, "
         "editing the grid's current record.",
         {150, 24}, false, Maker<TZDBColumn>(), PaintColumnEditor},
        {"zdb::TZDBEditorLabel", "zdbEditorLabel", "ZDBEditor.h", "Editor caption",
         "The caption label of a field editor.", {80, 16}, false, Maker<TZDBEditorLabel>(), PaintLabel},
        {"zdb::TZDBNavigator", "zdbNavigator", "ZDBCtrls.h", "Data navigator",
         "Buttons that move through a data source's records and insert, delete, edit, post, cancel and refresh them.",
         {250, 25}, false, Maker<TZDBNavigator>(), PaintNavigator},
        {"zdb::TZRadioGroup", "zRadioGroup", "ZDBCtrls.h", "Radio group",
         "A styled group box with one radio button per item of Items; ItemIndex is the checked one.",
         {185, 105}, false, Maker<TZRadioGroup>(), PaintRadioGroup},
        {"zdb::TZDBRadioGroup", "zdbRadioGroup", "ZDBCtrls.h", "Data radio group",
         "A radio group bound to a field: the field's value checks the button whose value it is "
         "(Values, else the caption), and choosing a button writes its value.",
         {185, 105}, false, Maker<TZDBRadioGroup>(), PaintRadioGroup},
        {"zdb::TZDBCheckBox", "zdbCheckBox", "ZDBCtrls.h", "Data check box",
         "A styled check box bound to a field: checked for true or a text of ValueChecked.", {97, 17}, false,
         Maker<TZDBCheckBox>(), PaintDBCheck},
        {"zdb::TZDBText", "zdbText", "ZDBCtrls.h", "Data label", "A label that shows a field's display text.",
         {65, 17}, false, Maker<TZDBText>(), PaintDBText},
        {"zdb::TZDBGridSearchPanel", "zdbSearchPanel", "ZDBSearch.h", "Grid search panel",
         "A search strip for the data grid named in GridName: the text with the earlier ones, "
         "search buttons, option check boxes and a menu for what does not fit.",
         {780, 31}, false, Maker<TZDBGridSearchPanel>(), PaintSearch},
        {"zdb::TZQButton", "zqButton", "ZQSCtrls.h", "Styled button",
         "A push button whose face is painted with the package's gradient (hot and pressed variants).",
         {75, 25}, false, Maker<TZQButton>(), PaintButton},
        {"zdb::TZQCheckBox", "zqCheckBox", "ZQSCtrls.h", "Styled check box",
         "A check box whose square is filled with the package's gradient.", {97, 17}, false, Maker<TZQCheckBox>(),
         PaintCheck},
        {"zdb::TZQRadioButton", "zqRadioButton", "ZQSCtrls.h", "Styled radio button",
         "A radio button whose circle is filled with the package's gradient.", {113, 17}, false,
         Maker<TZQRadioButton>(), PaintRadioButton},
        {"zdb::TZQGroupBox", "zqGroupBox", "ZQSCtrls.h", "Styled group box",
         "A group box whose frame holds a background gradient; it holds other widgets.", {185, 105}, true,
         Maker<TZQGroupBox>(), PaintGroupBox},
        {"zdb::TZQPanel", "zqPanel", "ZQSCtrls.h", "Styled panel",
         "A panel filled with a background gradient, its Caption drawn in it; it holds other widgets.",
         {185, 41}, true, Maker<TZQPanel>(), PaintPanel},
        {"zdb::TZQProgressBar", "zqProgressBar", "ZQSCtrls.h", "Styled progress bar",
         "A progress bar whose done part is a step fill of the gradient.", {150, 17}, false,
         Maker<TZQProgressBar>(), PaintProgress},
    };
    for (const W& info : widgets)
        FWidgets.push_back(std::make_unique<TZDesignerWidget>(info));
}

TZDesignerCollection::~TZDesignerCollection() = default;

QList<QDesignerCustomWidgetInterface*> TZDesignerCollection::customWidgets() const
{
    QList<QDesignerCustomWidgetInterface*> list;
    for (const auto& widget : FWidgets)
        list << widget.get();
    return list;
}

} // namespace zdb
