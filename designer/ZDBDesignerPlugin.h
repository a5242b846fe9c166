#pragma once
// The Qt Designer plugin: the library's widgets in Designer's widget box, in
// the group "ZDBGrids" — the data grid, the stand-alone editors, the
// navigator, the radio groups, the search panel and the styled controls —
// each with its icon, tool tip, what's-this text, header and default size.
// Their Q_PROPERTYs are what Designer's property editor shows; a form saved
// with them loads at run time through QUiLoader with this plugin on its path.

#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <QIcon>
#include <QObject>
#include <QSize>

#include <functional>
#include <memory>
#include <vector>

namespace zdb {

// One widget class as Designer sees it.
class TZDesignerWidget : public QDesignerCustomWidgetInterface
{
public:
    struct TInfo {
        QString ClassName;  // with its namespace, as forms name it
        QString ObjectName; // the first object name Designer gives
        QString Include;
        QString ToolTip;
        QString WhatsThis;
        QSize Size;
        bool Container = false;
        std::function<QWidget*(QWidget* parent)> Create;
        std::function<void(QPainter&, const QRectF&)> PaintIcon;
    };

    explicit TZDesignerWidget(TInfo AInfo) : FInfo(std::move(AInfo)) {}

    QString name() const override { return FInfo.ClassName; }
    QString group() const override;
    QString toolTip() const override { return FInfo.ToolTip; }
    QString whatsThis() const override { return FInfo.WhatsThis; }
    QString includeFile() const override { return FInfo.Include; }
    QIcon icon() const override;
    bool isContainer() const override { return FInfo.Container; }
    QWidget* createWidget(QWidget* parent) override { return FInfo.Create(parent); }
    bool isInitialized() const override { return FInitialized; }
    void initialize(QDesignerFormEditorInterface* /*core*/) override { FInitialized = true; }
    QString domXml() const override;

private:
    TInfo FInfo;
    bool FInitialized = false;
    mutable QIcon FIcon;
};

class TZDesignerCollection : public QObject, public QDesignerCustomWidgetCollectionInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QDesignerCustomWidgetCollectionInterface_iid)
    Q_INTERFACES(QDesignerCustomWidgetCollectionInterface)

public:
    explicit TZDesignerCollection(QObject* parent = nullptr);
    ~TZDesignerCollection() override;

    QList<QDesignerCustomWidgetInterface*> customWidgets() const override;

private:
    std::vector<std::unique_ptr<TZDesignerWidget>> FWidgets;
};

} // namespace zdb
