// The library's translator and the translation of its texts.

#include "ZDBTranslate.h"

#include "AppExceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QPointer>
#include <QTranslator>
#include <QWidget>

#include <memory>
#include <utility>

// Resources of a static library are registered explicitly (outside any namespace).
static void InitTranslationResources()
{
    Q_INIT_RESOURCE(zdbgrids_i18n);
}

namespace zdb {

namespace {

const QString TranslationDir = QStringLiteral(":/i18n");
const QString TranslationPrefix = QStringLiteral("zdbgrids_");

// The library's translator, owned by the application object.
QPointer<QTranslator> LibraryTranslator;

void EnsureResources()
{
    static const bool done = [] {
        InitTranslationResources();
        return true;
    }();
    (void)done;
}

// Watches one widget for QEvent::LanguageChange; a child of the widget.
class TLanguageWatcher : public QObject
{
public:
    TLanguageWatcher(QWidget* Widget, std::function<void()> Retranslate)
        : QObject(Widget), FWidget(Widget), FRetranslate(std::move(Retranslate))
    {
        Widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Watched == FWidget && Event->type() == QEvent::LanguageChange)
            GuardEvent(FWidget, FRetranslate);
        return false;
    }

private:
    QWidget* FWidget;
    std::function<void()> FRetranslate;
};

} // namespace

QString Tr(const QString& Text)
{
    if (Text.isEmpty())
        return Text;
    return QCoreApplication::translate(TrContext, Text.toUtf8().constData());
}

void RemoveTranslator()
{
    if (LibraryTranslator) {
        QCoreApplication::removeTranslator(LibraryTranslator);
        delete LibraryTranslator.data();
    }
}

bool InstallTranslator(const QLocale& Locale)
{
    EnsureResources();
    if (Locale.language() == QLocale::C || Locale.language() == QLocale::English) {
        RemoveTranslator();
        return true;
    }
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    const bool loaded = translator->load(Locale, QStringLiteral("zdbgrids"), QStringLiteral("_"), TranslationDir);
    RemoveTranslator();
    if (!loaded)
        return false;
    LibraryTranslator = translator.release();
    QCoreApplication::installTranslator(LibraryTranslator);
    return true;
}

void TrackLanguage(QWidget* Widget, std::function<void()> Retranslate)
{
    if (!Widget || !Retranslate)
        return;
    Retranslate();
    new TLanguageWatcher(Widget, std::move(Retranslate));
}

QList<QLocale> AvailableTranslations()
{
    EnsureResources();
    QList<QLocale> result;
    const QStringList files =
        QDir(TranslationDir).entryList({TranslationPrefix + QStringLiteral("*.qm")}, QDir::Files, QDir::Name);
    for (const QString& file : files)
        result.append(QLocale(file.mid(TranslationPrefix.size()).chopped(3)));
    return result;
}

} // namespace zdb
