// The data-aware navigator.

#include "ZDBCtrls.h"

#include "AppExceptions.h"

#include <QHBoxLayout>
#include <QMessageBox>
#include <QToolButton>

namespace zdb {

QString SNavFirst = QStringLiteral("First");
QString SNavPrior = QStringLiteral("Prior");
QString SNavNext = QStringLiteral("Next");
QString SNavLast = QStringLiteral("Last");
QString SNavInsert = QStringLiteral("Insert");
QString SNavDelete = QStringLiteral("Delete");
QString SNavEdit = QStringLiteral("Edit");
QString SNavPost = QStringLiteral("Post");
QString SNavCancel = QStringLiteral("Cancel");
QString SNavRefresh = QStringLiteral("Refresh");

const std::array<QString*, NavigateBtnCount> NavigatorCaptions = {
    &SNavFirst, &SNavPrior, &SNavNext, &SNavLast, &SNavInsert,
    &SNavDelete, &SNavEdit, &SNavPost, &SNavCancel, &SNavRefresh};

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
        auto* button = new QToolButton(this);
        button->setText(*NavigatorCaptions[size_t(i)]);
        button->setToolTip(*NavigatorCaptions[size_t(i)]);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        connect(button, &QToolButton::clicked, this, [this, kind] { GuardEvent(this, [this, kind] { BtnClick(kind); }); });
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
    return QMessageBox::question(this, windowTitle(), SDeleteRecordQuestion) == QMessageBox::Yes;
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
