#include "SysUtils.h"

#include "DBError.h"

#include <QLocale>

namespace zdb {

QString Format(const QString& format, const QVariantList& args)
{
    QString result;
    result.reserve(format.size() + 16);
    qsizetype next = 0; // next argument taken without an index
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            result += c;
            continue;
        }
        if (i + 1 < n && format[i + 1] == QLatin1Char('%')) {
            result += QLatin1Char('%');
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        // An index, width or precision beyond any sensible one is refused before it
        // overflows (or pads a text to gigabytes).
        auto readNumber = [&](int& value) {
            bool any = false;
            value = 0;
            while (j < n && format[j].isDigit()) {
                if (value > 9999)
                    DatabaseError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(format));
                value = value * 10 + format[j].digitValue();
                ++j;
                any = true;
            }
            return any;
        };
        int number = 0;
        const qsizetype start = j;
        if (readNumber(number) && j < n && format[j] == QLatin1Char(':')) {
            next = number;
            ++j;
        } else {
            j = start;
        }
        bool left = false;
        if (j < n && format[j] == QLatin1Char('-')) {
            left = true;
            ++j;
        }
        int width = 0;
        readNumber(width);
        int precision = -1;
        if (j < n && format[j] == QLatin1Char('.')) {
            ++j;
            readNumber(precision);
        }
        if (j >= n)
            DatabaseError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(format));
        const QChar type = format[j].toLower();
        if (next >= args.size())
            DatabaseError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(format));
        const QVariant& arg = args[next++];
        QString text;
        switch (type.unicode()) {
        case 's':
            text = arg.toString();
            if (precision >= 0)
                text.truncate(precision);
            break;
        case 'd':
        case 'u':
            text = QString::number(arg.toLongLong());
            if (precision > 0 && text.size() < precision)
                text = text.rightJustified(precision, QLatin1Char('0'));
            break;
        case 'x':
            text = QString::number(arg.toLongLong(), 16).toUpper();
            if (precision > 0 && text.size() < precision)
                text = text.rightJustified(precision, QLatin1Char('0'));
            break;
        case 'f':
            text = QString::number(arg.toDouble(), 'f', precision < 0 ? 2 : precision);
            break;
        case 'e':
            text = QString::number(arg.toDouble(), 'e', precision < 0 ? 15 : precision).toUpper();
            break;
        case 'g':
            text = QString::number(arg.toDouble(), 'g', precision < 0 ? 15 : precision);
            break;
        case 'n':
        case 'm':
            text = QLocale().toString(arg.toDouble(), 'f', precision < 0 ? 2 : precision);
            break;
        default:
            DatabaseError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(format));
        }
        if (text.size() < width)
            text = left ? text.leftJustified(width) : text.rightJustified(width);
        result += text;
        i = j;
    }
    return result;
}

} // namespace zdb
