#include "ZDBSettingsStore.h"

#include "DBError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStringDecoder>

namespace zdb {

namespace {

// ---- Plain INI text ------------------------------------------------------------------

// "[Section]" lines open a section; "Name=Value" lines (split at the first
// "=") belong to the last one opened. Anything else (comments, lines without
// a name, a cut last line without "=") is skipped.
bool ReadPlainIni(QIODevice& Device, QSettings::SettingsMap& Map)
{
    QStringDecoder decode(QStringDecoder::Utf8);
    const QString text = decode(Device.readAll());
    QString section;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
            section = close > 1 ? trimmed.mid(1, close - 1).trimmed().toString() : QString();
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || trimmed.startsWith(QLatin1Char(';')))
            continue;
        const QStringView name = line.left(equals).trimmed();
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
            continue;
        if (section.isEmpty()) {
            Map.insert(name.toString(), line.mid(equals + 1).toString());
            continue;
        }
        QString key;
        key.reserve(section.size() + 1 + name.size());
        key.append(section).append(QLatin1Char('/')).append(name);
        Map.insert(key, line.mid(equals + 1).toString());
    }
    return true;
}

bool WritePlainIni(QIODevice& Device, const QSettings::SettingsMap& Map)
{
    QString text;
    QStringView section;
    bool first = true;
    for (auto it = Map.cbegin(); it != Map.cend(); ++it) {
        const QStringView key = it.key();
        const qsizetype slash = key.lastIndexOf(QLatin1Char('/'));
        const QStringView keySection = slash < 0 ? QStringView() : key.left(slash);
        if (first || keySection != section) {
            if (!first)
                text.append(QLatin1Char('\n'));
            if (!keySection.isEmpty())
                text.append(QLatin1Char('[')).append(keySection).append(QLatin1String("]\n"));
            section = keySection;
            first = false;
        }
        text.append(key.mid(slash + 1)).append(QLatin1Char('=')).append(it.value().toString()).append(QLatin1Char('\n'));
    }
    const QByteArray data = text.toUtf8();
    return Device.write(data) == data.size();
}

QSettings::Format PlainIniFormat()
{
    static const QSettings::Format format =
        QSettings::registerFormat(QStringLiteral("ini"), ReadPlainIni, WritePlainIni, Qt::CaseSensitive);
    return format;
}

bool ReadOnlyFile(const QString& FileName)
{
    constexpr QFileDevice::Permissions writable =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return QFileInfo::exists(FileName) && !(QFile::permissions(FileName) & writable);
}

// The name of a "Name=Value" line whose "=" is at Equals (all of a line
// without "=").
QStringView LineName(const QString& Line, qsizetype Equals)
{
    return (Equals < 0 ? QStringView(Line) : QStringView(Line).left(Equals)).trimmed();
}

// Whether a store keeps a value of that name (a QSettings key separator in it
// would make it a group).
bool StorableName(QStringView Name)
{
    return !Name.isEmpty() && !Name.contains(u'/') && !Name.contains(u'\\');
}

// A section name as a QSettings group (whose separators are "/" and "\").
QString Group(const QString& Section)
{
    QString group = Section;
    group.replace(QLatin1Char('\\'), QLatin1Char('|')).replace(QLatin1Char('/'), QLatin1Char('|'));
    return group;
}

} // namespace

// ---- Store ---------------------------------------------------------------------------

TZSettingsStore::TZSettingsStore(std::unique_ptr<QSettings> Settings, bool IniFile)
    : FSettings(std::move(Settings)), FIniFile(IniFile)
{
}

TZSettingsStore::~TZSettingsStore() = default;

std::unique_ptr<TZSettingsStore> TZSettingsStore::CreateIniFile(const QString& FileName)
{
    if (FileName.trimmed().isEmpty())
        DatabaseError(QCoreApplication::translate("zdb", "No settings file name"));
    return std::unique_ptr<TZSettingsStore>(
        new TZSettingsStore(std::make_unique<QSettings>(FileName, PlainIniFormat()), true));
}

std::unique_ptr<TZSettingsStore> TZSettingsStore::CreateNative(const QString& Key)
{
    const auto [organisation, application] = NativeStoreNames(Key);
    if (organisation.isEmpty())
        DatabaseError(QCoreApplication::translate("zdb", "Invalid settings key \"%1\"").arg(Key));
    return std::unique_ptr<TZSettingsStore>(new TZSettingsStore(
        std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, organisation, application),
        false));
}

QString TZSettingsStore::FileName() const
{
    return FSettings->fileName();
}

QString TZSettingsStore::StoredGroup(const QString& Section) const
{
    if (Section.isEmpty())
        return QString();
    const QString group = Group(Section);
    const QStringList groups = FSettings->childGroups();
    if (groups.contains(group))
        return group;
    for (const QString& stored : groups)
        if (stored.compare(group, Qt::CaseInsensitive) == 0)
            return stored;
    return QString();
}

QString TZSettingsStore::StoredGroup(const QString& Section, const QStringList& Names) const
{
    const QString group = Group(Section);
    for (const QString& line : Names) {
        const QStringView name = LineName(line, line.indexOf(u'='));
        if (!StorableName(name))
            continue;
        QString key;
        key.reserve(group.size() + 1 + name.size());
        key.append(group).append(QLatin1Char('/')).append(name);
        if (FSettings->contains(key))
            return group;
        break;
    }
    return StoredGroup(Section);
}

bool TZSettingsStore::SectionExists(const QString& Section) const
{
    return !StoredGroup(Section).isEmpty();
}

QStringList TZSettingsStore::ReadSection(const QString& Section) const
{
    QStringList lines;
    if (Section.isEmpty())
        return lines;
    // A section stored under the name as given needs no search among all
    // groups; a group without keys is not stored at all.
    FSettings->beginGroup(Group(Section));
    QStringList names = FSettings->childKeys();
    if (names.isEmpty()) {
        FSettings->endGroup();
        const QString group = StoredGroup(Section);
        if (group.isEmpty())
            return lines;
        FSettings->beginGroup(group);
        names = FSettings->childKeys();
    }
    lines.reserve(names.size());
    for (const QString& name : names) {
        const QVariant value = FSettings->value(name);
        // A value another program wrote as a list reads as its items again.
        const QString text = value.userType() == QMetaType::QStringList
                                 ? value.toStringList().join(QLatin1Char(','))
                                 : value.toString();
        lines << name + QLatin1Char('=') + text;
    }
    FSettings->endGroup();
    return lines;
}

void TZSettingsStore::CheckWritable() const
{
    const QString file = FileName();
    if (FIniFile) {
        const QFileInfo info(file);
        if (!info.absoluteDir().exists())
            DatabaseError(QCoreApplication::translate("zdb", "Cannot write settings file \"%1\": the folder does not exist").arg(file));
        if (info.isDir() || ReadOnlyFile(file))
            DatabaseError(QCoreApplication::translate("zdb", "Cannot write settings file \"%1\": it is read-only").arg(file));
        // Other failures show when the file is saved (Sync), which replaces
        // the file only when all was written.
    } else if (!FSettings->isWritable()) {
        DatabaseError(QCoreApplication::translate("zdb", "Cannot write settings to \"%1\"").arg(file));
    }
}

void TZSettingsStore::Sync(const QString& Section)
{
    FSettings->sync();
    if (FSettings->status() == QSettings::AccessError)
        DatabaseError(QCoreApplication::translate("zdb", "Cannot write the settings section \"%1\" to \"%2\"").arg(Section, FileName()));
}

void TZSettingsStore::WriteSection(const QString& Section, const QStringList& Lines)
{
    if (Section.isEmpty())
        return;
    CheckWritable();
    if (const QString stored = StoredGroup(Section, Lines); !stored.isEmpty())
        FSettings->remove(stored);
    FSettings->beginGroup(Group(Section));
    for (const QString& line : Lines) {
        const qsizetype equals = line.indexOf(u'=');
        const QStringView name = LineName(line, equals);
        if (StorableName(name))
            FSettings->setValue(name, equals < 0 ? QString() : line.mid(equals + 1));
    }
    FSettings->endGroup();
    Sync(Section);
}

void TZSettingsStore::EraseSection(const QString& Section)
{
    const QString stored = StoredGroup(Section);
    if (stored.isEmpty())
        return;
    CheckWritable();
    FSettings->remove(stored);
    Sync(Section);
}

// ---- Helpers ---------------------------------------------------------------------------

TZNameValues::TZNameValues(const QStringList& Lines) : FLines(Lines)
{
    FValues.reserve(FLines.size());
    // From the last line back, so that the first line of a name is the one
    // left in place.
    for (auto line = FLines.crbegin(); line != FLines.crend(); ++line) {
        const qsizetype pos = line->indexOf(QLatin1Char('='));
        if (pos >= 0)
            FValues.insert(TName{QStringView(*line).left(pos).trimmed()}, QStringView(*line).mid(pos + 1));
    }
}

std::optional<QString> TZNameValues::Value(QStringView Name) const
{
    const auto it = FValues.constFind(TName{Name});
    return it == FValues.constEnd() ? std::nullopt : std::optional<QString>(it->toString());
}

size_t qHash(TZNameValues::TName Name, size_t Seed) noexcept
{
    // Each UTF-16 unit folded as QStringView::compare folds it when ignoring
    // case (surrogates fold to surrogates, so they only count as such).
    size_t hash = Seed ^ size_t(Name.Text.size());
    for (const QChar c : Name.Text) {
        char32_t unit = c.unicode();
        if (unit < 0x80) {
            if (unit >= u'A' && unit <= u'Z')
                unit += u'a' - u'A';
        } else if (c.isSurrogate()) {
            unit = 0xD800;
        } else {
            unit = QChar::toCaseFolded(unit);
        }
        hash = (hash ^ unit) * 0x100000001b3ULL;
    }
    return hash;
}

std::optional<int> SettingsInt(QStringView Text)
{
    Text = Text.trimmed();
    // Most values are a few plain digits, read here without the conversion
    // toInt makes of the text first.
    if (!Text.isEmpty() && Text.size() <= 9) {
        int value = 0;
        bool digits = true;
        for (const QChar c : Text) {
            digits = c >= u'0' && c <= u'9';
            if (!digits)
                break;
            value = value * 10 + (c.unicode() - u'0');
        }
        if (digits)
            return value;
    }
    bool ok = false;
    const int value = Text.toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

bool StartsWithLetters(QStringView Text, QLatin1StringView Letters)
{
    if (Text.size() < Letters.size())
        return false;
    for (qsizetype i = 0; i < Letters.size(); ++i)
        if ((Text[i].unicode() | 0x20) != (Letters[i].unicode() | 0x20))
            return false;
    return true;
}

QString SettingsFlag(bool Value)
{
    return Value ? QStringLiteral("1") : QStringLiteral("0");
}

std::pair<QString, QString> NativeStoreNames(const QString& Key)
{
    QStringList parts = QString(Key).replace(QLatin1Char('/'), QLatin1Char('\\')).split(QLatin1Char('\\'),
                                                                                            Qt::SkipEmptyParts);
    for (QString& part : parts)
        part = part.trimmed();
    parts.removeAll(QString());
    if (!parts.isEmpty() && parts.first().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    if (parts.isEmpty())
        return {};
    const QString organisation = parts.takeFirst();
    return {organisation, parts.join(QLatin1Char('/'))};
}

QStringList ReadTextLines(const QString& FileName)
{
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        DatabaseError(QCoreApplication::translate("zdb", "Cannot open file \"%1\": %2").arg(FileName, file.errorString()));
    QStringDecoder decode(QStringDecoder::Utf8);
    QString text = decode(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void WriteTextLines(const QString& FileName, const QStringList& Lines)
{
    if (ReadOnlyFile(FileName))
        DatabaseError(QCoreApplication::translate("zdb", "Cannot create file \"%1\": it is read-only").arg(FileName));
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly))
        DatabaseError(QCoreApplication::translate("zdb", "Cannot create file \"%1\": %2").arg(FileName, file.errorString()));
    QByteArray data;
    for (const QString& line : Lines)
        data += line.toUtf8() + '\n';
    if (file.write(data) != data.size() || !file.commit())
        DatabaseError(QCoreApplication::translate("zdb", "Cannot write file \"%1\": %2").arg(FileName, file.errorString()));
}

} // namespace zdb
