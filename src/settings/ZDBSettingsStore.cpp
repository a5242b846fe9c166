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
        const QString name = line.left(equals).trimmed().toString();
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
            continue;
        Map.insert(section.isEmpty() ? name : section + QLatin1Char('/') + name, line.mid(equals + 1).toString());
    }
    return true;
}

bool WritePlainIni(QIODevice& Device, const QSettings::SettingsMap& Map)
{
    QString text;
    QString section;
    bool first = true;
    for (auto it = Map.cbegin(); it != Map.cend(); ++it) {
        const qsizetype slash = it.key().lastIndexOf(QLatin1Char('/'));
        const QString keySection = slash < 0 ? QString() : it.key().left(slash);
        if (first || keySection != section) {
            if (!first)
                text += QLatin1Char('\n');
            if (!keySection.isEmpty())
                text += QLatin1Char('[') + keySection + QStringLiteral("]\n");
            section = keySection;
            first = false;
        }
        text += it.key().mid(slash + 1) + QLatin1Char('=') + it.value().toString() + QLatin1Char('\n');
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

bool TZSettingsStore::SectionExists(const QString& Section) const
{
    return !StoredGroup(Section).isEmpty();
}

QStringList TZSettingsStore::ReadSection(const QString& Section) const
{
    QStringList lines;
    const QString group = StoredGroup(Section);
    if (group.isEmpty())
        return lines;
    FSettings->beginGroup(group);
    const QStringList names = FSettings->childKeys();
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
    if (const QString stored = StoredGroup(Section); !stored.isEmpty())
        FSettings->remove(stored);
    FSettings->beginGroup(Group(Section));
    for (const QString& line : Lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString name = (equals < 0 ? line : line.left(equals)).trimmed();
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
            continue;
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

TZNameValues::TZNameValues(const QStringList& Lines)
{
    FValues.reserve(Lines.size());
    for (const QString& line : Lines) {
        const qsizetype pos = line.indexOf(QLatin1Char('='));
        if (pos < 0)
            continue;
        const QString name = line.left(pos).trimmed().toCaseFolded();
        if (!FValues.contains(name))
            FValues.insert(name, line.mid(pos + 1));
    }
}

std::optional<QString> TZNameValues::Value(const QString& Name) const
{
    const auto it = FValues.constFind(Name.toCaseFolded());
    return it == FValues.constEnd() ? std::nullopt : std::optional<QString>(*it);
}

std::optional<int> SettingsInt(const QString& Text)
{
    bool ok = false;
    const int value = Text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
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
