#include "modules/zrm71300/timeline/historytext.h"

#include "domain/calendar/monthflags.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

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
    if (value.toString() == QLatin1String(zrm::calendar::PermittedFlag))
        return labels.permitted;
    if (value.toString() == QLatin1String(zrm::calendar::NotPermittedFlag))
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
    for (int month = 0; month < zrm::calendar::MonthCount; ++month)
        add(QLatin1String(zrm::calendar::Months[size_t(month)].flagField), labels.months.value(month), flag);
    return parts.join(QStringLiteral("; "));
}
