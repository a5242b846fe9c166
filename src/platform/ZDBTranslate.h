#pragma once
// Translations of the library's texts through Qt's translation system.
//
// The texts a user sees are kept as assignable QString variables (SRemoveFilterCaption,
// SNavFirst, ...) or written at their point of use. Their English source texts are
// marked for lupdate in the context "zdb" and translated when shown, so that
// switching the application's translators at run time changes what the next
// paint, menu or message shows. A text the application assigned to such a
// variable stays as assigned unless an installed translator knows it.
//
// The library carries its own translations (translations/zdbgrids_*.ts, compiled
// into the library under ":/i18n"); InstallTranslator puts the one for a locale
// in front of the application's.

#include <QList>
#include <QLocale>
#include <QString>

#include <functional>

class QWidget;

namespace zdb {

// The translation context of the library's texts.
inline constexpr char TrContext[] = "zdb";

// Text translated in the context "zdb" by the installed translators; Text itself
// when none of them has a translation for it.
QString Tr(const QString& Text);

// Installs the library's translator for Locale (replacing one installed before)
// and returns true when the library has texts for its language. English and the
// C locale need no translator: the library's own one is removed and true
// returned. For a language the library has no translation for, the library's
// translator is removed too (the English texts show) and false is returned.
// Widgets of the library that hold texts retranslate on QEvent::LanguageChange.
bool InstallTranslator(const QLocale& Locale);

// Removes the library's translator installed by InstallTranslator, if any.
void RemoveTranslator();

// Calls Retranslate now and again whenever Widget receives QEvent::LanguageChange
// (the application's translators changed), for as long as Widget lives: the way a
// widget that holds texts (captions, hints, menu items) shows them in the new
// language. Failures of Retranslate go to the application's exception handler.
void TrackLanguage(QWidget* Widget, std::function<void()> Retranslate);

// The languages the library carries translations for (English included).
QList<QLocale> AvailableTranslations();

} // namespace zdb
