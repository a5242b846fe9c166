// The pictures tab: the products with their pictures (PNGs the sample data drew)
// in the cells of a grid, and a larger one of the current product beside it.

#include "DemoCommon.h"
#include "DemoTabs.h"
#include "ZDBCtrls.h"
#include "ZDBFields.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace zdb::demo {

namespace {

// The picture of a field of the current record, scaled to the label's size.
class TPictureView : public QLabel, public TZFieldBinding
{
public:
    TPictureView() : TZFieldBinding(this)
    {
        setAlignment(Qt::AlignCenter);
        setMinimumSize(240, 180);
        setFrameShape(QFrame::StyledPanel);
        FDataLink->OnDataChange = [this] { ShowPicture(); };
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        ShowPicture();
    }

private:
    void ShowPicture()
    {
        const TField* field = Field();
        const QImage image = field ? ReadGraphicImage(field->GetValue().toByteArray()) : QImage();
        if (image.isNull()) {
            setPixmap(QPixmap());
            setText(field && !field->IsNull() ? QStringLiteral("(not a picture)") : QStringLiteral("(no picture)"));
            return;
        }
        const QSize room = contentsRect().size() - QSize(8, 8);
        setPixmap(QPixmap::fromImage(image.size().width() > room.width() || image.height() > room.height()
                                         ? image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                         : image));
    }
};

class TPicturesTab : public QWidget
{
public:
    explicit TPicturesTab(const QSqlDatabase& db)
    {
        FProducts = std::make_unique<TZSQLQuery>();
        FProducts->SetConnection(db);
        FProducts->SetSQLText(
            QStringLiteral("SELECT id, name, category, unit_price, photo FROM products ORDER BY category, name"));
        FProducts->SetFieldType(QStringLiteral("name"), ftWideString, 60);
        FProducts->SetFieldType(QStringLiteral("category"), ftWideString, 30);
        FProducts->SetFieldType(QStringLiteral("unit_price"), ftCurrency);
        FProducts->SetFieldType(QStringLiteral("photo"), ftGraphic);
        FProducts->Open();
        FSource = std::make_unique<TDataSource>();
        FSource->SetDataSet(FProducts.get());

        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* grid = new TZDBGrid(this);
        AddColumns(grid, *FProducts,
                   {
                       {"photo", "Picture", "", taCenter, 120},
                       {"name", "Product", "", taLeftJustify, 210},
                       {"category", "Category", "", taLeftJustify, 120},
                       {"unit_price", "Price", "", taRightJustify, 100},
                   });
        // Rows of four lines of text leave the pictures room.
        grid->SetLinesCount(4);
        grid->SetKeyFields(QStringLiteral("id"));
        grid->SetOptions(grid->GetOptions() & ~TZDBGridOptions(dgEditing));
        grid->SetOptionsEx(grid->GetOptionsEx() | dgLoadCurrentOrder | dgAutoUpdateOrder);
        grid->SetDataSource(FSource.get());
        layout->addWidget(grid, 3);

        auto* side = new QVBoxLayout;
        layout->addLayout(side, 2);
        auto* picture = new TPictureView;
        picture->SetDataField(QStringLiteral("photo"));
        picture->SetDataSource(FSource.get());
        side->addWidget(picture, 1);
        auto* name = new TZDBText(this);
        name->setAlignment(Qt::AlignCenter);
        QFont font = name->font();
        font.setPointSizeF(font.pointSizeF() * 1.4);
        font.setBold(true);
        name->setFont(font);
        name->SetDataField(QStringLiteral("name"));
        name->SetDataSource(FSource.get());
        side->addWidget(name);
    }

    ~TPicturesTab() override { FSource->SetDataSet(nullptr); }

private:
    std::unique_ptr<TZSQLQuery> FProducts;
    std::unique_ptr<TDataSource> FSource;
};

} // namespace

QWidget* CreatePicturesTab(const QSqlDatabase& db)
{
    return TabPage(QStringLiteral(
                       "<b>Try:</b> the pictures are PNGs in a BLOB column, drawn in their cells; move through"
                       " the products (arrow keys, Page Down, the mouse wheel) and the larger picture and"
                       " the name at the right follow; click the Category title to sort."),
                   new TPicturesTab(db));
}

} // namespace zdb::demo
