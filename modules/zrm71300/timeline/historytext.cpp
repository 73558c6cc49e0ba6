#include "modules/zrm71300/timeline/historytext.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char* const MonthSuffixes[] = {"JAN", "FEV", "MAR", "ABR", "MAI", "JUN",
                                     "JUL", "AGO", "SET", "OUT", "NOV", "DEZ"};

QString valueText(const QJsonValue& value) {
    if (value.isNull() || value.isUndefined() || value.toString().isEmpty())
        return QStringLiteral("—");
    const QDateTime moment = QDateTime::fromString(value.toString(), Qt::ISODate);
    return moment.isValid() ? moment.toString(QStringLiteral("dd/MM/yyyy")) : value.toString();
}

}  // namespace

QString describeColumns(const QString& columnsJson, const HistoryLabels& labels) {
    const QJsonObject columns = QJsonDocument::fromJson(columnsJson.toUtf8()).object();
    QStringList parts;
    const auto add = [&](const QString& column, const QString& label) {
        if (columns.contains(column))
            parts << label + QStringLiteral(": ") + valueText(columns.value(column));
    };
    add(QStringLiteral("CDFASEORCOPERAC"), labels.code);
    add(QStringLiteral("DTINIFASEORCA"), labels.start);
    add(QStringLiteral("DTFINFASEORCA"), labels.end);
    for (int month = 0; month < 12; ++month)
        add(QStringLiteral("IDPERMCALC") + QLatin1String(MonthSuffixes[month]), labels.months.value(month));
    return parts.join(QStringLiteral("; "));
}
