// The data-aware navigator.

#include "ZDBCtrls.h"

#include "AppExceptions.h"
#include "ZDBTranslate.h"

#include <QHBoxLayout>
#include <QIconEngine>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

namespace zdb {

QString SNavFirst = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "First"));
QString SNavPrior = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Prior"));
QString SNavNext = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Next"));
QString SNavLast = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Last"));
QString SNavInsert = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Insert"));
QString SNavDelete = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Delete"));
QString SNavEdit = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Edit"));
QString SNavPost = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Post"));
QString SNavCancel = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Cancel"));
QString SNavRefresh = QStringLiteral(QT_TRANSLATE_NOOP("zdb", "Refresh"));

const std::array<QString*, NavigateBtnCount> NavigatorCaptions = {
    &SNavFirst, &SNavPrior, &SNavNext, &SNavLast, &SNavInsert,
    &SNavDelete, &SNavEdit, &SNavPost, &SNavCancel, &SNavRefresh};

namespace {

// A button's glyph, drawn as vector strokes in the button's text colour (its
// disabled one for a disabled button): crisp at every density, following the
// palette, and mirrored with a right-to-left button so that "first" points to
// the start.
class TNavGlyph : public QIconEngine {
public:
    TNavGlyph(TNavigateBtn kind, QWidget* button) : FKind(kind), FButton(button) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        if (!FButton)
            return;
        const QPalette palette = FButton->palette();
        const QColor ink = mode == QIcon::Disabled ? ZQSPaint::DisabledColor(palette, QPalette::ButtonText)
                                                   : palette.color(QPalette::Active, QPalette::ButtonText);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        // A 16 x 16 design, mirrored for right to left.
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        if (FButton->layoutDirection() == Qt::RightToLeft) {
            painter->translate(16, 0);
            painter->scale(-1, 1);
        }
        painter->setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter->setBrush(ink);
        const auto triangle = [painter](qreal tip, qreal back) {
            const QPointF points[] = {{back, 3.5}, {tip, 8}, {back, 12.5}};
            painter->drawPolygon(points, 3);
        };
        switch (FKind) {
        case nbFirst: painter->drawLine(QPointF(3.5, 3.5), QPointF(3.5, 12.5)); triangle(6.5, 12.5); break;
        case nbPrior: triangle(4.5, 11); break;
        case nbNext: triangle(11.5, 5); break;
        case nbLast: painter->drawLine(QPointF(12.5, 3.5), QPointF(12.5, 12.5)); triangle(9.5, 3.5); break;
        case nbInsert:
            painter->drawLine(QPointF(8, 3), QPointF(8, 13));
            painter->drawLine(QPointF(3, 8), QPointF(13, 8));
            break;
        case nbDelete: painter->drawLine(QPointF(3, 8), QPointF(13, 8)); break;
        case nbEdit: {
            painter->drawLine(QPointF(5.5, 10.5), QPointF(12, 4));
            const QPointF tip[] = {{3, 13}, {3.8, 9.6}, {6.4, 12.2}};
            painter->drawPolygon(tip, 3);
            break;
        }
        case nbPost: {
            painter->setBrush(Qt::NoBrush);
            const QPointF check[] = {{3, 8.5}, {6.5, 12}, {13, 4.5}};
            painter->drawPolyline(check, 3);
            break;
        }
        case nbCancel:
            painter->drawLine(QPointF(4, 4), QPointF(12, 12));
            painter->drawLine(QPointF(12, 4), QPointF(4, 12));
            break;
        case nbRefresh: {
            painter->setBrush(Qt::NoBrush);
            painter->drawArc(QRectF(3, 3, 10, 10), 90 * 16, 270 * 16);
            painter->setBrush(ink);
            painter->setPen(Qt::NoPen);
            const QPointF head[] = {{7, 0.5}, {11, 3}, {7, 5.5}};
            painter->drawPolygon(head, 3);
            break;
        }
        }
        painter->restore();
    }
    QIconEngine* clone() const override { return new TNavGlyph(FKind, FButton); }
    // Size is in device pixels.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap result(size);
        result.fill(Qt::transparent);
        QPainter painter(&result);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return result;
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal) override
    {
        return pixmap(size, mode, state);
    }

private:
    TNavigateBtn FKind;
    QPointer<QWidget> FButton;
};

} // namespace

// Follows the dataset's position and state for the buttons.
class TZDBNavigator::TNavDataLink : public TDataLink {
public:
    explicit TNavDataLink(TZDBNavigator* navigator) : FNavigator(navigator) {}

protected:
    void ActiveChanged() override { FNavigator->UpdateButtons(); }
    void DataSetChanged() override { FNavigator->UpdateButtons(); }
    void EditingChanged() override { FNavigator->UpdateButtons(); }

private:
    TZDBNavigator* FNavigator;
};

TZDBNavigator::TZDBNavigator(QWidget* parent) : QWidget(parent), FDataLink(std::make_unique<TNavDataLink>(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int i = 0; i < NavigateBtnCount; ++i) {
        const auto kind = TNavigateBtn(i);
        auto* button = new TZQButton(QString(), this);
        TrackLanguage(button, [button, i] {
            button->setText(Tr(*NavigatorCaptions[size_t(i)]));
            button->setToolTip(Tr(*NavigatorCaptions[size_t(i)]));
        });
        button->setIcon(QIcon(new TNavGlyph(kind, button)));
        button->setIconSize(QSize(16, 16));
        button->setFocusPolicy(Qt::TabFocus);
        connect(button, &TZQButton::clicked, this, [this, kind] { GuardEvent(this, [this, kind] { BtnClick(kind); }); });
        layout->addWidget(button);
        FButtons[size_t(i)] = button;
    }
    layout->addStretch();
    UpdateButtons();
}

TZDBNavigator::~TZDBNavigator() = default;

TDataSource* TZDBNavigator::GetDataSource() const
{
    return FDataLink->DataSource();
}

void TZDBNavigator::SetDataSource(TDataSource* value)
{
    FDataLink->SetDataSource(value);
    UpdateButtons();
}

void TZDBNavigator::SetVisibleButtons(TNavButtonSet value)
{
    if (value == FVisibleButtons)
        return;
    FVisibleButtons = value;
    for (int i = 0; i < NavigateBtnCount; ++i)
        FButtons[size_t(i)]->setVisible(value.Contains(TNavigateBtn(i)));
}

void TZDBNavigator::UpdateButtons()
{
    TDataSet* dataSet = FDataLink->Active() ? FDataLink->DataSet() : nullptr;
    const bool bof = !dataSet || dataSet->Bof();
    const bool eof = !dataSet || dataSet->Eof();
    const bool editing = FDataLink->Editing();
    const bool canModify = dataSet && dataSet->CanModify();
    const auto enable = [this](TNavigateBtn button, bool on) { FButtons[size_t(button)]->setEnabled(on); };
    enable(nbFirst, !bof);
    enable(nbPrior, !bof);
    enable(nbNext, !eof);
    enable(nbLast, !eof);
    enable(nbInsert, canModify);
    enable(nbDelete, canModify && !(bof && eof));
    enable(nbEdit, canModify && !editing);
    enable(nbPost, canModify && editing);
    enable(nbCancel, canModify && editing);
    enable(nbRefresh, dataSet && !editing);
}

bool TZDBNavigator::ConfirmDeletion()
{
    return QMessageBox::question(this, windowTitle(), Tr(SDeleteRecordQuestion)) == QMessageBox::Yes;
}

void TZDBNavigator::BtnClick(TNavigateBtn button)
{
    TDataSet* dataSet = FDataLink->Active() ? FDataLink->DataSet() : nullptr;
    if (dataSet) {
        bool allow = true;
        if (BeforeAction)
            BeforeAction(this, button, allow);
        if (!allow)
            return;
        switch (button) {
        case nbFirst: dataSet->First(); break;
        case nbPrior: dataSet->Prior(); break;
        case nbNext: dataSet->Next(); break;
        case nbLast: dataSet->Last(); break;
        case nbInsert: dataSet->Insert(); break;
        case nbDelete:
            if (!FConfirmDelete || ConfirmDeletion())
                dataSet->Delete();
            break;
        case nbEdit: dataSet->Edit(); break;
        case nbPost: dataSet->Post(); break;
        case nbCancel: dataSet->Cancel(); break;
        case nbRefresh: dataSet->Refresh(); break;
        }
    }
    if (OnClick)
        OnClick(this, button);
}

} // namespace zdb
