#include "modules/zrm71300/timeline/historytext.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char* const MonthSuffixes[] = {"JAN", "FEV", "MAR", "ABR", "MAI", "JUN",
                                     "JUL", "AGO", "SET", "OUT", "NOV", "DEZ"};

const QString Empty = QStringLiteral("—");

bool isEmpty(const QJsonValue& value) {
    return value.isNull() || value.isUndefined() || value.toString().isEmpty();
}

QString valueText(const QJsonValue& value) {
    if (isEmpty(value))
        return Empty;
    const QDateTime moment = QDateTime::fromString(value.toString(), Qt::ISODate);
    return moment.isValid() ? moment.toString(QStringLiteral("dd/MM/yyyy")) : value.toString();
}

QString flagText(const QJsonValue& value, const HistoryLabels& labels) {
    if (isEmpty(value))
        return Empty;
    if (value.toString() == QLatin1String("S"))
        return labels.permitted;
    if (value.toString() == QLatin1String("N"))
        return labels.notPermitted;
    return value.toString();
}

}  // namespace

QString describeColumns(const QString& columnsJson, const HistoryLabels& labels) {
    const QJsonObject columns = QJsonDocument::fromJson(columnsJson.toUtf8()).object();
    QStringList parts;
    const auto add = [&](const QString& column, const QString& label, auto text) {
        if (columns.contains(column))
            parts << label + QStringLiteral(": ") + text(columns.value(column));
    };
    add(QStringLiteral("CDFASEORCOPERAC"), labels.code, valueText);
    add(QStringLiteral("DTINIFASEORCA"), labels.start, valueText);
    add(QStringLiteral("DTFINFASEORCA"), labels.end, valueText);
    const auto flag = [&labels](const QJsonValue& value) { return flagText(value, labels); };
    for (int month = 0; month < 12; ++month)
        add(QStringLiteral("IDPERMCALC") + QLatin1String(MonthSuffixes[month]), labels.months.value(month),
            flag);
    return parts.join(QStringLiteral("; "));
}
