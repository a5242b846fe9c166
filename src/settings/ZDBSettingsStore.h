#pragma once
// Stores of name=value sections (the grid settings' layouts) and plain text
// files of name=value lines, without any widget.
//
// An INI file is written as plain "[Section]" and "Name=Value" lines, values
// as they are (no quoting, no escapes), so that a layout line such as
// "Column2=NAME,120,1,1,1" stands in the file exactly like that and a file
// edited by hand reads back the same; QSettings' own INI format would quote
// values holding commas and escape others. The native store is QSettings'
// NativeFormat (the registry on Windows) under the organisation and
// application named by a registry-style key.

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>

class QSettings;

namespace zdb {

class TZSettingsStore
{
public:
    // A store over the INI file FileName.
    static std::unique_ptr<TZSettingsStore> CreateIniFile(const QString& FileName);
    // The native store under Key ("\Software\<organisation>\<application>").
    static std::unique_ptr<TZSettingsStore> CreateNative(const QString& Key);

    ~TZSettingsStore();
    TZSettingsStore(const TZSettingsStore&) = delete;
    TZSettingsStore& operator=(const TZSettingsStore&) = delete;

    // The file behind the store.
    QString FileName() const;
    bool IsIniFile() const { return FIniFile; }

    // Section names compare ignoring case, as in INI files.
    bool SectionExists(const QString& Section) const;
    // The section's name=value lines (none when it does not exist).
    QStringList ReadSection(const QString& Section) const;
    // Replaces the section by Lines ("Name=Value"; lines without a name are
    // skipped). A store that cannot be written raises EDatabaseError and
    // stays as it was.
    void WriteSection(const QString& Section, const QStringList& Lines);
    // Removes the section when it exists (raises like WriteSection).
    void EraseSection(const QString& Section);

private:
    TZSettingsStore(std::unique_ptr<QSettings> Settings, bool IniFile);
    // The stored group of Section (any case); empty when there is none.
    QString StoredGroup(const QString& Section) const;
    // The same, asking first for the first storable name of Names (lines
    // "Name=Value") in the group of that very name: a section written again
    // mostly holds it, and then the groups need no search.
    QString StoredGroup(const QString& Section, const QStringList& Names) const;
    // Raises when the store cannot take a change.
    void CheckWritable() const;
    void Sync(const QString& Section);

    std::unique_ptr<QSettings> FSettings;
    bool FIniFile;
};

// The organisation and application a registry-style key names: the first
// two parts after a leading "Software" (further parts are kept under the
// application, separated by "/"). Empty parts are skipped.
std::pair<QString, QString> NativeStoreNames(const QString& Key);

// The values of name=value lines, read once; a name (case-insensitive) gives
// the value of its first line. Names and values are read in place from the
// lines, which the object shares.
class TZNameValues
{
public:
    explicit TZNameValues(const QStringList& Lines);
    // None when no line has the name.
    std::optional<QString> Value(QStringView Name) const;
    qsizetype Count() const { return FValues.size(); }

    // A name compared ignoring case.
    struct TName {
        QStringView Text;
        friend bool operator==(TName A, TName B) noexcept
        {
            return A.Text.compare(B.Text, Qt::CaseInsensitive) == 0;
        }
    };

private:
    QStringList FLines;
    QHash<TName, QStringView> FValues;
};

// Equal for names that compare equal ignoring case.
size_t qHash(TZNameValues::TName Name, size_t Seed = 0) noexcept;

// The whole number a settings value holds (blanks around it allowed).
std::optional<int> SettingsInt(QStringView Text);
// Whether Text starts with Letters (ASCII letters only), each in either case.
bool StartsWithLetters(QStringView Text, QLatin1StringView Letters);
// A flag as written to settings: "1" or "0".
QString SettingsFlag(bool Value);

// Reads a text file of lines (UTF-8; a final line without a line break
// counts). A file that cannot be read raises EDatabaseError.
QStringList ReadTextLines(const QString& FileName);
// Writes Lines as a text file, replacing it only when all was written.
void WriteTextLines(const QString& FileName, const QStringList& Lines);

} // namespace zdb
