<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>QProgressDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>zdb</name>
    <message>
        <source>Unsupported field type (%s) in field %s</source>
        <translation>Nicht unterstützter Feldtyp (%s) im Feld %s</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Today</source>
        <translation>Heute</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alle auswählen</translation>
    </message>
    <message>
        <source>Clear All</source>
        <translation>Auswahl aufheben</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Cannot write the rows of the dataset</source>
        <translation>Die Zeilen der Datenmenge können nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Cannot open file &apos;%1&apos;: %2</source>
        <translation>Die Datei &apos;%1&apos; kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>Field &apos;%1&apos; has no place in the model</source>
        <translation>Das Feld &apos;%1&apos; hat keinen Platz im Modell</translation>
    </message>
    <message>
        <source>The model refused the value of field &apos;%1&apos;</source>
        <translation>Das Modell hat den Wert des Felds &apos;%1&apos; abgelehnt</translation>
    </message>
    <message>
        <source>No model to insert into</source>
        <translation>Kein Modell zum Einfügen</translation>
    </message>
    <message>
        <source>The model refused a new row</source>
        <translation>Das Modell hat eine neue Zeile abgelehnt</translation>
    </message>
    <message>
        <source>The model refused to remove the row</source>
        <translation>Das Modell hat das Entfernen der Zeile abgelehnt</translation>
    </message>
    <message>
        <source>The model refused the record</source>
        <translation>Das Modell hat den Datensatz abgelehnt</translation>
    </message>
    <message>
        <source>First</source>
        <translation>Erster</translation>
    </message>
    <message>
        <source>Prior</source>
        <translation>Vorheriger</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Nächster</translation>
    </message>
    <message>
        <source>Last</source>
        <translation>Letzter</translation>
    </message>
    <message>
        <source>Insert</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Post</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Pictures cannot be written in %s format</source>
        <translation>Bilder können nicht im Format %s geschrieben werden</translation>
    </message>
    <message>
        <source>contains</source>
        <translation>enthält</translation>
    </message>
    <message>
        <source>does not contain</source>
        <translation>enthält nicht</translation>
    </message>
    <message>
        <source>starts from</source>
        <translation>beginnt mit</translation>
    </message>
    <message>
        <source>does not start from</source>
        <translation>beginnt nicht mit</translation>
    </message>
    <message>
        <source>ends with</source>
        <translation>endet mit</translation>
    </message>
    <message>
        <source>does not end with</source>
        <translation>endet nicht mit</translation>
    </message>
    <message>
        <source>is equal</source>
        <translation>ist gleich</translation>
    </message>
    <message>
        <source>is not equal</source>
        <translation>ist ungleich</translation>
    </message>
    <message>
        <source>is greater then</source>
        <translation>ist größer als</translation>
    </message>
    <message>
        <source>is greater then or equal</source>
        <translation>ist größer oder gleich</translation>
    </message>
    <message>
        <source>is less then</source>
        <translation>ist kleiner als</translation>
    </message>
    <message>
        <source>is less then or equal</source>
        <translation>ist kleiner oder gleich</translation>
    </message>
    <message>
        <source>is on the list</source>
        <translation>ist in der Liste</translation>
    </message>
    <message>
        <source>is not on the list</source>
        <translation>ist nicht in der Liste</translation>
    </message>
    <message>
        <source>is empty</source>
        <translation>ist leer</translation>
    </message>
    <message>
        <source>is not empty</source>
        <translation>ist nicht leer</translation>
    </message>
    <message>
        <source>Select filter</source>
        <translation>Filter auswählen</translation>
    </message>
    <message>
        <source>Show the rows in which the field %s</source>
        <translation>Die Zeilen anzeigen, in denen das Feld %s</translation>
    </message>
    <message>
        <source>Symbol %s replaces any character</source>
        <translation>Das Zeichen %s steht für ein beliebiges Zeichen</translation>
    </message>
    <message>
        <source>Symbol %s replaces any text string</source>
        <translation>Das Zeichen %s steht für eine beliebige Zeichenfolge</translation>
    </message>
    <message>
        <source>AND</source>
        <translation>UND</translation>
    </message>
    <message>
        <source>OR</source>
        <translation>ODER</translation>
    </message>
    <message>
        <source>Reverse filter conditions</source>
        <translation>Filterbedingungen umkehren</translation>
    </message>
    <message>
        <source>Remove filter</source>
        <translation>Filter entfernen</translation>
    </message>
    <message>
        <source>Select filter...</source>
        <translation>Filter auswählen...</translation>
    </message>
    <message>
        <source>Add selected</source>
        <translation>Auswahl hinzufügen</translation>
    </message>
    <message>
        <source>(Empty)</source>
        <translation>(Leer)</translation>
    </message>
    <message>
        <source>Collecting the values of %s...</source>
        <translation>Die Werte von %s werden gesammelt...</translation>
    </message>
    <message>
        <source>Select period</source>
        <translation>Zeitraum wählen</translation>
    </message>
    <message>
        <source>Minute</source>
        <translation>Minute</translation>
    </message>
    <message>
        <source>10 minutes</source>
        <translation>10 Minuten</translation>
    </message>
    <message>
        <source>Past 10 mins</source>
        <translation>Vorige 10 Minuten</translation>
    </message>
    <message>
        <source>From start of this 10 mins</source>
        <translation>Seit Beginn dieser 10 Minuten</translation>
    </message>
    <message>
        <source>This 10 mins</source>
        <translation>Diese 10 Minuten</translation>
    </message>
    <message>
        <source>To the end of this 10 mins</source>
        <translation>Bis Ende dieser 10 Minuten</translation>
    </message>
    <message>
        <source>Next 10 mins</source>
        <translation>Nächste 10 Minuten</translation>
    </message>
    <message>
        <source>15 minutes</source>
        <translation>15 Minuten</translation>
    </message>
    <message>
        <source>Past 15 mins</source>
        <translation>Vorige 15 Minuten</translation>
    </message>
    <message>
        <source>From start of this 15 mins</source>
        <translation>Seit Beginn dieser 15 Minuten</translation>
    </message>
    <message>
        <source>This 15 mins</source>
        <translation>Diese 15 Minuten</translation>
    </message>
    <message>
        <source>To the end of this 15 mins</source>
        <translation>Bis Ende dieser 15 Minuten</translation>
    </message>
    <message>
        <source>Next 15 mins</source>
        <translation>Nächste 15 Minuten</translation>
    </message>
    <message>
        <source>20 minutes</source>
        <translation>20 Minuten</translation>
    </message>
    <message>
        <source>Past 20 mins</source>
        <translation>Vorige 20 Minuten</translation>
    </message>
    <message>
        <source>From start of this 20 mins</source>
        <translation>Seit Beginn dieser 20 Minuten</translation>
    </message>
    <message>
        <source>This 20 mins</source>
        <translation>Diese 20 Minuten</translation>
    </message>
    <message>
        <source>To the end of this 20 mins</source>
        <translation>Bis Ende dieser 20 Minuten</translation>
    </message>
    <message>
        <source>Next 20 mins</source>
        <translation>Nächste 20 Minuten</translation>
    </message>
    <message>
        <source>30 minutes</source>
        <translation>30 Minuten</translation>
    </message>
    <message>
        <source>Past 30 mins</source>
        <translation>Vorige 30 Minuten</translation>
    </message>
    <message>
        <source>From start of this 30 mins</source>
        <translation>Seit Beginn dieser 30 Minuten</translation>
    </message>
    <message>
        <source>This 30 mins</source>
        <translation>Diese 30 Minuten</translation>
    </message>
    <message>
        <source>To the end of this 30 mins</source>
        <translation>Bis Ende dieser 30 Minuten</translation>
    </message>
    <message>
        <source>Next 30 mins</source>
        <translation>Nächste 30 Minuten</translation>
    </message>
    <message>
        <source>Hour</source>
        <translation>Stunde</translation>
    </message>
    <message>
        <source>Past hour</source>
        <translation>Vorige Stunde</translation>
    </message>
    <message>
        <source>From start of this hour</source>
        <translation>Seit Beginn dieser Stunde</translation>
    </message>
    <message>
        <source>This hour</source>
        <translation>Diese Stunde</translation>
    </message>
    <message>
        <source>To the end of this hour</source>
        <translation>Bis Ende dieser Stunde</translation>
    </message>
    <message>
        <source>Next hour</source>
        <translation>Nächste Stunde</translation>
    </message>
    <message>
        <source>Hours</source>
        <translation>Stunden</translation>
    </message>
    <message>
        <source>Day</source>
        <translation>Tag</translation>
    </message>
    <message>
        <source>Yesterday</source>
        <translation>Gestern</translation>
    </message>
    <message>
        <source>From start of this day</source>
        <translation>Seit Beginn dieses Tages</translation>
    </message>
    <message>
        <source>To the end of this day</source>
        <translation>Bis Ende dieses Tages</translation>
    </message>
    <message>
        <source>Tomorrow</source>
        <translation>Morgen</translation>
    </message>
    <message>
        <source>Days</source>
        <translation>Tage</translation>
    </message>
    <message>
        <source>Week</source>
        <translation>Woche</translation>
    </message>
    <message>
        <source>Past week</source>
        <translation>Vorige Woche</translation>
    </message>
    <message>
        <source>From start of this week</source>
        <translation>Seit Beginn dieser Woche</translation>
    </message>
    <message>
        <source>This week</source>
        <translation>Diese Woche</translation>
    </message>
    <message>
        <source>To the end of this week</source>
        <translation>Bis Ende dieser Woche</translation>
    </message>
    <message>
        <source>Next week</source>
        <translation>Nächste Woche</translation>
    </message>
    <message>
        <source>Weeks</source>
        <translation>Wochen</translation>
    </message>
    <message>
        <source>Month</source>
        <translation>Monat</translation>
    </message>
    <message>
        <source>Past month</source>
        <translation>Voriger Monat</translation>
    </message>
    <message>
        <source>From start of this month</source>
        <translation>Seit Beginn dieses Monats</translation>
    </message>
    <message>
        <source>This month</source>
        <translation>Dieser Monat</translation>
    </message>
    <message>
        <source>To the end of this month</source>
        <translation>Bis Ende dieses Monats</translation>
    </message>
    <message>
        <source>Next month</source>
        <translation>Nächster Monat</translation>
    </message>
    <message>
        <source>Months</source>
        <translation>Monate</translation>
    </message>
    <message>
        <source>Quarter</source>
        <translation>Quartal</translation>
    </message>
    <message>
        <source>Past quarter</source>
        <translation>Voriges Quartal</translation>
    </message>
    <message>
        <source>From start of this quarter</source>
        <translation>Seit Beginn dieses Quartals</translation>
    </message>
    <message>
        <source>This quarter</source>
        <translation>Dieses Quartal</translation>
    </message>
    <message>
        <source>To the end of this quarter</source>
        <translation>Bis Ende dieses Quartals</translation>
    </message>
    <message>
        <source>Next quarter</source>
        <translation>Nächstes Quartal</translation>
    </message>
    <message>
        <source>Quarters</source>
        <translation>Quartale</translation>
    </message>
    <message>
        <source>First quarter</source>
        <translation>Erstes Quartal</translation>
    </message>
    <message>
        <source>Second quarter</source>
        <translation>Zweites Quartal</translation>
    </message>
    <message>
        <source>Third quarter</source>
        <translation>Drittes Quartal</translation>
    </message>
    <message>
        <source>Fourth quarter</source>
        <translation>Viertes Quartal</translation>
    </message>
    <message>
        <source>Semester</source>
        <translation>Halbjahr</translation>
    </message>
    <message>
        <source>Past semester</source>
        <translation>Voriges Halbjahr</translation>
    </message>
    <message>
        <source>From start of this semester</source>
        <translation>Seit Beginn dieses Halbjahres</translation>
    </message>
    <message>
        <source>This semester</source>
        <translation>Dieses Halbjahr</translation>
    </message>
    <message>
        <source>To the end of this semester</source>
        <translation>Bis Ende dieses Halbjahres</translation>
    </message>
    <message>
        <source>Next semester</source>
        <translation>Nächstes Halbjahr</translation>
    </message>
    <message>
        <source>Semesters</source>
        <translation>Halbjahre</translation>
    </message>
    <message>
        <source>First semester</source>
        <translation>Erstes Halbjahr</translation>
    </message>
    <message>
        <source>Second semester</source>
        <translation>Zweites Halbjahr</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>Past year</source>
        <translation>Voriges Jahr</translation>
    </message>
    <message>
        <source>From start of this year</source>
        <translation>Seit Beginn dieses Jahres</translation>
    </message>
    <message>
        <source>This year</source>
        <translation>Dieses Jahr</translation>
    </message>
    <message>
        <source>To the end of this year</source>
        <translation>Bis Ende dieses Jahres</translation>
    </message>
    <message>
        <source>Next year</source>
        <translation>Nächstes Jahr</translation>
    </message>
    <message>
        <source>Years</source>
        <translation>Jahre</translation>
    </message>
    <message>
        <source>Decade</source>
        <translation>Jahrzehnt</translation>
    </message>
    <message>
        <source>Past decade</source>
        <translation>Voriges Jahrzehnt</translation>
    </message>
    <message>
        <source>From start of this decade</source>
        <translation>Seit Beginn dieses Jahrzehnts</translation>
    </message>
    <message>
        <source>This decade</source>
        <translation>Dieses Jahrzehnt</translation>
    </message>
    <message>
        <source>To the end of this decade</source>
        <translation>Bis Ende dieses Jahrzehnts</translation>
    </message>
    <message>
        <source>Next decade</source>
        <translation>Nächstes Jahrzehnt</translation>
    </message>
    <message>
        <source>Decades</source>
        <translation>Jahrzehnte</translation>
    </message>
    <message>
        <source>Cannot write the columns: %1</source>
        <translation>Die Spalten können nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>Invalid column stream: %1</source>
        <translation>Ungültige Spaltendaten: %1</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;: %2</source>
        <translation>Die Datei &quot;%1&quot; kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>Cannot open file &quot;%1&quot;: %2</source>
        <translation>Die Datei &quot;%1&quot; kann nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>List index out of bounds (%1)</source>
        <translation>Listenindex außerhalb des gültigen Bereichs (%1)</translation>
    </message>
    <message>
        <source>KeyFields property cannot be blank</source>
        <translation>Die Eigenschaft KeyFields darf nicht leer sein</translation>
    </message>
    <message>
        <source>No.</source>
        <translation>Nr.</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Auswahl</translation>
    </message>
    <message>
        <source>Expand</source>
        <translation>Aufklappen</translation>
    </message>
    <message>
        <source>Cannot set property &apos;%1&apos; of %2</source>
        <translation>Die Eigenschaft &apos;%1&apos; von %2 kann nicht gesetzt werden</translation>
    </message>
    <message>
        <source>Cannot perform this operation on a closed dataset</source>
        <translation>Dieser Vorgang ist bei einer geschlossenen Datenmenge nicht möglich</translation>
    </message>
    <message>
        <source>Cannot perform this operation on an open dataset</source>
        <translation>Dieser Vorgang ist bei einer geöffneten Datenmenge nicht möglich</translation>
    </message>
    <message>
        <source>Cannot modify a read-only dataset</source>
        <translation>Eine schreibgeschützte Datenmenge kann nicht geändert werden</translation>
    </message>
    <message>
        <source>Cannot perform this operation on an empty dataset</source>
        <translation>Dieser Vorgang ist bei einer leeren Datenmenge nicht möglich</translation>
    </message>
    <message>
        <source>Operation not allowed on a unidirectional dataset</source>
        <translation>Dieser Vorgang ist bei einer unidirektionalen Datenmenge nicht zulässig</translation>
    </message>
    <message>
        <source>Dataset not in edit or insert mode</source>
        <translation>Die Datenmenge ist nicht im Bearbeitungs- oder Einfügemodus</translation>
    </message>
    <message>
        <source>Record not found</source>
        <translation>Datensatz nicht gefunden</translation>
    </message>
    <message>
        <source>Bookmark does not belong to this dataset</source>
        <translation>Das Lesezeichen gehört nicht zu dieser Datenmenge</translation>
    </message>
    <message>
        <source>Field &apos;%s&apos; not found</source>
        <translation>Feld &apos;%s&apos; nicht gefunden</translation>
    </message>
    <message>
        <source>Field &apos;%s&apos; cannot be modified</source>
        <translation>Das Feld &apos;%s&apos; kann nicht geändert werden</translation>
    </message>
    <message>
        <source>Field &apos;%s&apos; must have a value</source>
        <translation>Das Feld &apos;%s&apos; muss einen Wert haben</translation>
    </message>
    <message>
        <source>Field &apos;%s&apos; is of an unknown type</source>
        <translation>Das Feld &apos;%s&apos; hat einen unbekannten Typ</translation>
    </message>
    <message>
        <source>Duplicate field name &apos;%s&apos;</source>
        <translation>Doppelter Feldname &apos;%s&apos;</translation>
    </message>
    <message>
        <source>Circular datalinks are not allowed</source>
        <translation>Zirkuläre Datenverknüpfungen sind nicht zulässig</translation>
    </message>
    <message>
        <source>Grid requested to display too many columns</source>
        <translation>Das Gitter soll zu viele Spalten anzeigen</translation>
    </message>
    <message>
        <source>Delete record?</source>
        <translation>Datensatz löschen?</translation>
    </message>
    <message>
        <source>Delete all selected records?</source>
        <translation>Alle ausgewählten Datensätze löschen?</translation>
    </message>
    <message>
        <source>Invalid filter expression: %s</source>
        <translation>Ungültiger Filterausdruck: %s</translation>
    </message>
    <message>
        <source>Unknown database error</source>
        <translation>Unbekannter Datenbankfehler</translation>
    </message>
    <message>
        <source>The statement returned no result set</source>
        <translation>Die Anweisung hat keine Ergebnismenge geliefert</translation>
    </message>
    <message>
        <source>The query&apos;s cursor is closed</source>
        <translation>Der Cursor der Abfrage ist geschlossen</translation>
    </message>
    <message>
        <source>No value for parameter &apos;%1&apos;</source>
        <translation>Kein Wert für den Parameter &apos;%1&apos;</translation>
    </message>
    <message>
        <source>No database connection</source>
        <translation>Keine Datenbankverbindung</translation>
    </message>
    <message>
        <source>No database connection named &apos;%1&apos;</source>
        <translation>Keine Datenbankverbindung namens &apos;%1&apos;</translation>
    </message>
    <message>
        <source>The database connection is not open</source>
        <translation>Die Datenbankverbindung ist nicht geöffnet</translation>
    </message>
    <message>
        <source>No SQL statement</source>
        <translation>Keine SQL-Anweisung</translation>
    </message>
    <message>
        <source>The rows of the result cannot be counted</source>
        <translation>Die Zeilen des Ergebnisses können nicht gezählt werden</translation>
    </message>
    <message>
        <source>The result of the statement changed its columns; close and reopen</source>
        <translation>Die Spalten des Ergebnisses haben sich geändert; bitte schließen und neu öffnen</translation>
    </message>
    <message>
        <source>Record not found or changed by another user</source>
        <translation>Datensatz nicht gefunden oder von einem anderen Benutzer geändert</translation>
    </message>
    <message>
        <source>No transaction is active</source>
        <translation>Keine Transaktion aktiv</translation>
    </message>
    <message>
        <source>The filter value lists cannot be applied to this statement</source>
        <translation>Die Wertelisten des Filters lassen sich auf diese Anweisung nicht anwenden</translation>
    </message>
    <message>
        <source>Print and Export</source>
        <translation>Drucken und Exportieren</translation>
    </message>
    <message>
        <source>Print Preview...</source>
        <translation>Druckvorschau...</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Drucken...</translation>
    </message>
    <message>
        <source>Export to PDF...</source>
        <translation>Als PDF exportieren...</translation>
    </message>
    <message>
        <source>Export to CSV...</source>
        <translation>Als CSV exportieren...</translation>
    </message>
    <message>
        <source>Export to HTML...</source>
        <translation>Als HTML exportieren...</translation>
    </message>
    <message>
        <source>Print Columns...</source>
        <translation>Spalten drucken...</translation>
    </message>
    <message>
        <source>Selected Rows Only</source>
        <translation>Nur ausgewählte Zeilen</translation>
    </message>
    <message>
        <source>Page %d</source>
        <translation>Seite %d</translation>
    </message>
    <message>
        <source>Carried forward</source>
        <translation>Übertrag</translation>
    </message>
    <message>
        <source>Writing the report...</source>
        <translation>Der Bericht wird geschrieben...</translation>
    </message>
    <message>
        <source>Cannot write %s: %s</source>
        <translation>%s kann nicht geschrieben werden: %s</translation>
    </message>
    <message>
        <source>PDF files (*.pdf)|*.pdf</source>
        <translation>PDF-Dateien (*.pdf)|*.pdf</translation>
    </message>
    <message>
        <source>CSV files (*.csv)|*.csv|Text files (*.txt)|*.txt</source>
        <translation>CSV-Dateien (*.csv)|*.csv|Textdateien (*.txt)|*.txt</translation>
    </message>
    <message>
        <source>HTML files (*.html)|*.html;*.htm</source>
        <translation>HTML-Dateien (*.html)|*.html;*.htm</translation>
    </message>
    <message>
        <source>Cannot start printing</source>
        <translation>Der Druck kann nicht gestartet werden</translation>
    </message>
    <message>
        <source>Search match not found!<byte value="xd"/>Restart search from the beginning?</source>
        <translation>Keine Übereinstimmung gefunden!<byte value="xd"/>Suche am Anfang neu beginnen?</translation>
    </message>
    <message>
        <source>Search string &apos;%s&apos; not found!</source>
        <translation>Suchbegriff &apos;%s&apos; nicht gefunden!</translation>
    </message>
    <message>
        <source>Close search (Esc)</source>
        <translation>Suche schließen (Esc)</translation>
    </message>
    <message>
        <source>Find first (Ctrl+F3)</source>
        <translation>Ersten Treffer suchen (Strg+F3)</translation>
    </message>
    <message>
        <source>Find last (Alt+F3)</source>
        <translation>Letzten Treffer suchen (Alt+F3)</translation>
    </message>
    <message>
        <source>Search down (F3)</source>
        <translation>Abwärts suchen (F3)</translation>
    </message>
    <message>
        <source>Search up (Shift+F3)</source>
        <translation>Aufwärts suchen (Umschalt+F3)</translation>
    </message>
    <message>
        <source>More options</source>
        <translation>Weitere Optionen</translation>
    </message>
    <message>
        <source>&amp;Case sensitive</source>
        <translation>&amp;Groß-/Kleinschreibung beachten</translation>
    </message>
    <message>
        <source>&amp;Whole words</source>
        <translation>Nur ganze &amp;Wörter</translation>
    </message>
    <message>
        <source>W&amp;rap around</source>
        <translation>&amp;Umlaufend suchen</translation>
    </message>
    <message>
        <source>C&amp;urrent column</source>
        <translation>Aktuelle &amp;Spalte</translation>
    </message>
    <message>
        <source>&amp;Filter rows</source>
        <translation>Zeilen &amp;filtern</translation>
    </message>
    <message>
        <source>Show Columns</source>
        <translation>Spalten anzeigen</translation>
    </message>
    <message>
        <source> &amp;Visible Columns </source>
        <translation> &amp;Sichtbare Spalten </translation>
    </message>
    <message>
        <source>&amp;Sorted Columns</source>
        <translation>S&amp;ortierte Spalten</translation>
    </message>
    <message>
        <source>&amp;Apply</source>
        <translation>Ü&amp;bernehmen</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>OK;Cancel;&amp;Apply;&amp;Help</source>
        <translation>OK;Abbrechen;Ü&amp;bernehmen;&amp;Hilfe</translation>
    </message>
    <message>
        <source> &amp;Printed Columns </source>
        <translation> &amp;Gedruckte Spalten </translation>
    </message>
    <message>
        <source>Print Columns</source>
        <translation>Spalten drucken</translation>
    </message>
    <message>
        <source>No settings file name</source>
        <translation>Kein Name für die Einstellungsdatei</translation>
    </message>
    <message>
        <source>Invalid settings key &quot;%1&quot;</source>
        <translation>Ungültiger Einstellungsschlüssel &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Cannot write settings file &quot;%1&quot;: the folder does not exist</source>
        <translation>Die Einstellungsdatei &quot;%1&quot; kann nicht geschrieben werden: der Ordner existiert nicht</translation>
    </message>
    <message>
        <source>Cannot write settings file &quot;%1&quot;: it is read-only</source>
        <translation>Die Einstellungsdatei &quot;%1&quot; kann nicht geschrieben werden: sie ist schreibgeschützt</translation>
    </message>
    <message>
        <source>Cannot write settings to &quot;%1&quot;</source>
        <translation>Die Einstellungen können nicht nach &quot;%1&quot; geschrieben werden</translation>
    </message>
    <message>
        <source>Cannot write the settings section &quot;%1&quot; to &quot;%2&quot;</source>
        <translation>Der Einstellungsabschnitt &quot;%1&quot; kann nicht nach &quot;%2&quot; geschrieben werden</translation>
    </message>
    <message>
        <source>Cannot create file &quot;%1&quot;: it is read-only</source>
        <translation>Die Datei &quot;%1&quot; kann nicht angelegt werden: sie ist schreibgeschützt</translation>
    </message>
    <message>
        <source>Cannot write file &quot;%1&quot;: %2</source>
        <translation>Die Datei &quot;%1&quot; kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Show Columns...</source>
        <translation>Spalten anzeigen...</translation>
    </message>
    <message>
        <source>Columns</source>
        <translation>Spalten</translation>
    </message>
    <message>
        <source>Show Auto Filter</source>
        <translation>Autofilter anzeigen</translation>
    </message>
    <message>
        <source>Auto Filter</source>
        <translation>Autofilter</translation>
    </message>
    <message>
        <source>Show Multi Select</source>
        <translation>Mehrfachauswahl anzeigen</translation>
    </message>
    <message>
        <source>Multi Select</source>
        <translation>Mehrfachauswahl</translation>
    </message>
    <message>
        <source>Selected Row</source>
        <translation>Ausgewählte Zeile</translation>
    </message>
    <message>
        <source>Striped Rows</source>
        <translation>Gestreifte Zeilen</translation>
    </message>
    <message>
        <source>Tree View</source>
        <translation>Baumansicht</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Show...</source>
        <translation>Anzeigen...</translation>
    </message>
    <message>
        <source>Stretch</source>
        <translation>Strecken</translation>
    </message>
    <message>
        <source>Default Width</source>
        <translation>Standardbreite</translation>
    </message>
    <message>
        <source>Optimal Width</source>
        <translation>Optimale Breite</translation>
    </message>
    <message>
        <source>Space on Titles</source>
        <translation>Platz für Titel</translation>
    </message>
    <message>
        <source>Space on Buttons</source>
        <translation>Platz für Schaltflächen</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Laden</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Load from File...</source>
        <translation>Aus Datei laden...</translation>
    </message>
    <message>
        <source>Save to File...</source>
        <translation>In Datei speichern...</translation>
    </message>
    <message>
        <source>Active</source>
        <translation>Aktiv</translation>
    </message>
    <message>
        <source>Filtered</source>
        <translation>Gefiltert</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Rows</source>
        <translation>Zeilen</translation>
    </message>
    <message>
        <source>Cells</source>
        <translation>Zellen</translation>
    </message>
    <message>
        <source>Fixed</source>
        <translation>Fixiert</translation>
    </message>
    <message>
        <source>Load at Start</source>
        <translation>Beim Start laden</translation>
    </message>
    <message>
        <source>Save at Finish</source>
        <translation>Beim Beenden speichern</translation>
    </message>
    <message>
        <source>Erase from File...</source>
        <translation>Aus Datei löschen...</translation>
    </message>
    <message>
        <source>Erase from Registry</source>
        <translation>Aus Registry löschen</translation>
    </message>
    <message>
        <source>Load from Registry</source>
        <translation>Aus Registry laden</translation>
    </message>
    <message>
        <source>Save to Registry</source>
        <translation>In Registry speichern</translation>
    </message>
    <message>
        <source>Column files (*.clm)|*.clm|Text files (*.txt)|*.txt|All files (*.*)|*.*</source>
        <translation>Spaltendateien (*.clm)|*.clm|Textdateien (*.txt)|*.txt|Alle Dateien (*.*)|*.*</translation>
    </message>
    <message>
        <source>Filter files (*.flt)|*.flt|Text files (*.txt)|*.txt|All files (*.*)|*.*</source>
        <translation>Filterdateien (*.flt)|*.flt|Textdateien (*.txt)|*.txt|Alle Dateien (*.*)|*.*</translation>
    </message>
    <message>
        <source>Settings files (*.ini)|*.ini|Text files (*.txt)|*.txt|All files (*.*)|*.*</source>
        <translation>Einstellungsdateien (*.ini)|*.ini|Textdateien (*.txt)|*.txt|Alle Dateien (*.*)|*.*</translation>
    </message>
    <message>
        <source>Erasing from</source>
        <translation>Löschen aus</translation>
    </message>
    <message>
        <source>Settings files (*.ini)|*.ini</source>
        <translation>Einstellungsdateien (*.ini)|*.ini</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Unbekannter Fehler</translation>
    </message>
    <message>
        <source>&amp;Sort by Column</source>
        <translation>Nach Spalte &amp;sortieren</translation>
    </message>
    <message>
        <source>&amp;Add to Sort</source>
        <translation>Zur Sortierung &amp;hinzufügen</translation>
    </message>
    <message>
        <source>Move &amp;Left</source>
        <translation>Nach &amp;links verschieben</translation>
    </message>
    <message>
        <source>Move &amp;Right</source>
        <translation>Nach &amp;rechts verschieben</translation>
    </message>
    <message>
        <source>&amp;Wider</source>
        <translation>&amp;Breiter</translation>
    </message>
    <message>
        <source>&amp;Narrower</source>
        <translation>Sch&amp;maler</translation>
    </message>
    <message>
        <source>&amp;Optimal Width</source>
        <translation>&amp;Optimale Breite</translation>
    </message>
    <message>
        <source>&amp;Default Width</source>
        <translation>S&amp;tandardbreite</translation>
    </message>
    <message>
        <source>&amp;Tool Menu</source>
        <translation>&amp;Werkzeugmenü</translation>
    </message>
    <message>
        <source>&amp;More</source>
        <translation>M&amp;ehr</translation>
    </message>
    <message>
        <source>F&amp;ilter List</source>
        <translation>F&amp;ilterliste</translation>
    </message>
    <message>
        <source>&amp;Filter Form</source>
        <translation>&amp;Filterformular</translation>
    </message>
</context>
</TS>
