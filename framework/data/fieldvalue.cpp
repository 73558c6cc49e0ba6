#include "framework/data/fieldvalue_p.h"

#include "framework/data/exceptions.h"
#include "framework/data/usertexts.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

namespace zrm::data {
namespace {

// Beyond this a double no longer holds every integer, so the plain integer text would lie.
constexpr double MaxPlainInteger = 1e15;

[[noreturn]] void notANumber(const QString& text) {
    throw EConvertError(zrm::userText(QStringLiteral("'%1' não é um número válido.")).arg(text));
}

[[noreturn]] void notAnInteger(const QString& text) {
    throw EConvertError(zrm::userText(QStringLiteral("'%1' não é um número inteiro válido.")).arg(text));
}

[[noreturn]] void notADate(const QString& text) {
    throw EConvertError(zrm::userText(QStringLiteral("'%1' não é uma data válida.")).arg(text));
}

qsizetype characterCount(const QString& text) {
    qsizetype count = text.size();
    for (QChar c : text) {
        if (c.isLowSurrogate())
            --count;
    }
    return count;
}

QString checkedText(const QString& text, int size, const QString& label) {
    if (size > 0 && text.size() > size && characterCount(text) > size) {
        throw EDatabaseError(
            zrm::userText(QStringLiteral("'%1' é longo demais para o campo %2 (no máximo %3 %4)."))
                .arg(text, label)
                .arg(size)
                .arg(zrm::userText(size == 1 ? QStringLiteral("caractere") : QStringLiteral("caracteres"))));
    }
    return text;
}

double checkedFloat(double value) {
    if (!std::isfinite(value))
        notANumber(QString::number(value));
    return value;
}

}  // namespace

QString floatToText(double value) {
    if (value == std::floor(value) && std::fabs(value) < MaxPlainInteger)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString dateTimeToText(const QDateTime& value) {
    const QTime time = value.time();
    if (time == QTime(0, 0))
        return value.toString(QStringLiteral("dd/MM/yyyy"));
    if (time.second() == 0 && time.msec() == 0)
        return value.toString(QStringLiteral("dd/MM/yyyy hh:mm"));
    return value.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
}

QVariant floatFromText(const QString& text) {
    QString number = text.trimmed();
    if (number.isEmpty())
        return {};
    // Both separators are read as the decimal one; a text with both is ambiguous and refused.
    if (number.contains(QLatin1Char(',')) && number.contains(QLatin1Char('.')))
        notANumber(text);
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    if (!ok || !std::isfinite(value))
        notANumber(text);
    return value;
}

QVariant integerFromText(const QString& text) {
    const QString number = text.trimmed();
    if (number.isEmpty())
        return {};
    bool ok = false;
    const qint64 value = number.toLongLong(&ok);
    if (!ok)
        notAnInteger(text);
    return value;
}

QVariant dateTimeFromText(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(\d{1,2})/(\d{1,2})/(\d{4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?$)"));
    const QRegularExpressionMatch match = pattern.match(trimmed);
    if (!match.hasMatch())
        notADate(text);
    const QDate date(match.captured(3).toInt(), match.captured(2).toInt(), match.captured(1).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt());
    if (!date.isValid() || !time.isValid() || date.year() < 1)
        notADate(text);
    return QDateTime(date, time);
}

QVariant convertValue(FieldType type, int size, const QVariant& value, const QString& label) {
    if (!value.isValid() || value.isNull())
        return {};
    const int id = value.typeId();
    const bool isText = id == QMetaType::QString;
    const bool isInteger = id == QMetaType::Int || id == QMetaType::LongLong || id == QMetaType::UInt ||
                           id == QMetaType::ULongLong;
    const bool isNumber = isInteger || id == QMetaType::Double || id == QMetaType::Float;
    const bool isDate = id == QMetaType::QDateTime || id == QMetaType::QDate;
    if (isText && value.toString().isEmpty())
        return {};
    switch (type) {
        case FieldType::String:
            if (isText)
                return checkedText(value.toString(), size, label);
            if (isInteger)
                return checkedText(QString::number(value.toLongLong()), size, label);
            if (isNumber)
                return checkedText(floatToText(checkedFloat(value.toDouble())), size, label);
            if (isDate)
                return checkedText(dateTimeToText(value.toDateTime()), size, label);
            break;
        case FieldType::Float:
            if (isText)
                return floatFromText(value.toString());
            if (isNumber)
                return checkedFloat(value.toDouble());
            break;
        case FieldType::Integer:
            if (isText)
                return integerFromText(value.toString());
            if (isInteger)
                return value.toLongLong();
            if (isNumber) {
                const double number = value.toDouble();
                constexpr double Limit = 9223372036854775808.0;  // 2^63, beyond any qint64
                if (number != std::floor(number) || number < -Limit || number >= Limit)
                    notAnInteger(floatToText(number));
                return static_cast<qint64>(number);
            }
            break;
        case FieldType::DateTime:
            if (isText)
                return dateTimeFromText(value.toString());
            if (id == QMetaType::QDate)
                return value.toDate().isValid() ? QVariant(QDateTime(value.toDate(), QTime(0, 0)))
                                                : QVariant();
            if (id == QMetaType::QDateTime)
                return value.toDateTime().isValid() ? value : QVariant();
            break;
    }
    throw EConvertError(zrm::userText(QStringLiteral("Um valor do tipo %1 não pode ser gravado no campo %2."))
                            .arg(QString::fromLatin1(value.typeName()), label));
}

QString valueToText(FieldType type, const QVariant& value) {
    if (!value.isValid())
        return {};
    switch (type) {
        case FieldType::String:
            return value.toString();
        case FieldType::Float:
            return floatToText(value.toDouble());
        case FieldType::Integer:
            return QString::number(value.toLongLong());
        case FieldType::DateTime:
            return dateTimeToText(value.toDateTime());
    }
    return {};
}

int storedTypeId(FieldType type) {
    switch (type) {
        case FieldType::String:
            return QMetaType::QString;
        case FieldType::Float:
            return QMetaType::Double;
        case FieldType::Integer:
            return QMetaType::LongLong;
        case FieldType::DateTime:
            return QMetaType::QDateTime;
    }
    return QMetaType::UnknownType;
}

namespace {

// Stored values always hold their field's type, so they are read in place: index maintenance
// compares a great deal, and copies out of a QVariant would dominate it.
template <typename T>
const T& stored(const QVariant& value) {
    Q_ASSERT(value.typeId() == QMetaType::fromType<T>().id());
    return *static_cast<const T*>(value.constData());
}

template <typename T>
int order(const T& x, const T& y) {
    return x < y ? -1 : (y < x ? 1 : 0);
}

}  // namespace

int compareValues(FieldType type, const QVariant& a, const QVariant& b) {
    if (!a.isValid() || !b.isValid())
        return int(a.isValid()) - int(b.isValid());
    switch (type) {
        case FieldType::String:
            return QString::compare(stored<QString>(a), stored<QString>(b));
        case FieldType::Float:
            return order(stored<double>(a), stored<double>(b));
        case FieldType::Integer:
            return order(stored<qint64>(a), stored<qint64>(b));
        case FieldType::DateTime: {
            // Local date-times without zone order by calendar date and clock time, read without any
            // time-zone conversion.
            const auto& x = stored<QDateTime>(a);
            const auto& y = stored<QDateTime>(b);
            const int byDate = order(x.date(), y.date());
            return byDate != 0 ? byDate : order(x.time(), y.time());
        }
    }
    return 0;
}

SortKey sortKey(FieldType type, const QVariant& value) {
    SortKey key;
    key.valid = value.isValid();
    if (!key.valid)
        return key;
    switch (type) {
        case FieldType::String:
            key.text = &stored<QString>(value);
            break;
        case FieldType::Float:
            key.number = stored<double>(value);
            break;
        case FieldType::Integer:
            key.integer = stored<qint64>(value);
            break;
        case FieldType::DateTime: {
            const auto& dateTime = stored<QDateTime>(value);
            key.integer =
                dateTime.date().toJulianDay() * qint64(86400000) + dateTime.time().msecsSinceStartOfDay();
            break;
        }
    }
    return key;
}

int compareKeys(FieldType type, const SortKey& a, const SortKey& b) {
    if (!a.valid || !b.valid)
        return int(a.valid) - int(b.valid);
    switch (type) {
        case FieldType::String:
            return QString::compare(*a.text, *b.text);
        case FieldType::Float:
            return order(a.number, b.number);
        case FieldType::Integer:
        case FieldType::DateTime:
            return order(a.integer, b.integer);
    }
    return 0;
}

}  // namespace zrm::data
