#include "appserverclient.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

#include <stdexcept>

namespace zrm::server::test {

RawHttpClient& AppServerClient::connection() {
    if (!m_connection)
        m_connection = std::make_unique<RawHttpClient>(m_port);
    return *m_connection;
}

RawResponse AppServerClient::post(std::string_view body, std::string_view target) {
    const std::string headers = m_token.empty() ? std::string() : "Authorization: Bearer " + m_token + "\r\n";
    try {
        return connection().request("POST", target, body, headers);
    } catch (const std::runtime_error&) {
        // The server may have closed the connection after an error answer: one more try on a new one.
        m_connection.reset();
        return connection().request("POST", target, body, headers);
    }
}

QJsonObject AppServerClient::call(std::string_view method, std::string_view paramsJson) {
    const RawResponse response = post(rpcBody(method, paramsJson));
    if (response.status != 200)
        return {};
    return QJsonDocument::fromJson(QByteArray::fromStdString(response.body)).object();
}

int AppServerClient::errorCode(const QJsonObject& response) {
    return response.value(QLatin1String("error")).toObject().value(QLatin1String("code")).toInt();
}

QString AppServerClient::errorMessage(const QJsonObject& response) {
    return response.value(QLatin1String("error")).toObject().value(QLatin1String("message")).toString();
}

QString writeTestDataFile(const QString& folder) {
    static const char data[] = R"({
  "operators": [{"CDOPERADOR": "ADMIN", "NMOPERADOR": "Administrador"}],
  "phases": [
    {"CDFASEORCOPERAC": "0000000001", "NMFASEORCOPERAC": "Premissas", "IDFASECALCORCA": "N", "IDFASEAPROVORCA": "N", "IDBLOQFASEORCA": "N"},
    {"CDFASEORCOPERAC": "0000000002", "NMFASEORCOPERAC": "Vendas", "IDFASECALCORCA": "S", "IDFASEAPROVORCA": "N", "IDBLOQFASEORCA": "N"},
    {"CDFASEORCOPERAC": "0000000003", "NMFASEORCOPERAC": "Despesas", "IDFASECALCORCA": "S", "IDFASEAPROVORCA": "N", "IDBLOQFASEORCA": "N"},
    {"CDFASEORCOPERAC": "0000000004", "NMFASEORCOPERAC": "Aprovação", "IDFASECALCORCA": "N", "IDFASEAPROVORCA": "S", "IDBLOQFASEORCA": "S"},
    {"CDFASEORCOPERAC": "0000000005", "NMFASEORCOPERAC": "Investimentos", "IDFASECALCORCA": "S", "IDFASEAPROVORCA": "N", "IDBLOQFASEORCA": "N"},
    {"CDFASEORCOPERAC": "0000000006", "NMFASEORCOPERAC": "Consolidação", "IDFASECALCORCA": "N", "IDFASEAPROVORCA": "N", "IDBLOQFASEORCA": "N"}
  ],
  "versions": [
    {"CDANOVERORCA": "2030", "CDVERSAOORCA": "1", "DTINCLUSAO": "2030-01-02T09:00:00", "CDOPERINCLUSAO": "ADMIN"},
    {"CDANOVERORCA": "2030", "CDVERSAOORCA": "2", "DTINCLUSAO": "2030-02-01T09:00:00", "CDOPERINCLUSAO": "ADMIN"}
  ],
  "cycles": [{"year": "2030", "MESINI": "2030-01-01T00:00:00", "MESFIN": "2030-12-01T00:00:00"}],
  "calendar": [
    {"NRANOORCOPERAC": "2030", "CDVERSCALENORCA": 1, "CDFASEORCOPERAC": "0000000001", "DTINIFASEORCA": "2030-04-01T00:00:00", "DTFINFASEORCA": "2030-04-30T00:00:00"},
    {"NRANOORCOPERAC": "2030", "CDVERSCALENORCA": 2, "CDFASEORCOPERAC": "0000000001", "DTINIFASEORCA": "2030-04-01T00:00:00", "DTFINFASEORCA": "2030-04-30T00:00:00"},
    {"NRANOORCOPERAC": "2030", "CDVERSCALENORCA": 2, "CDFASEORCOPERAC": "0000000002", "DTINIFASEORCA": "2030-05-01T00:00:00", "DTFINFASEORCA": "2030-05-31T00:00:00",
     "IDPERMCALCJAN": "S", "IDPERMCALCFEV": "N"},
    {"NRANOORCOPERAC": "2030", "CDVERSCALENORCA": 2, "CDFASEORCOPERAC": "0000000003", "DTINIFASEORCA": "2030-06-01T00:00:00", "DTFINFASEORCA": "2030-06-30T00:00:00"},
    {"NRANOORCOPERAC": "2030", "CDVERSCALENORCA": 2, "CDFASEORCOPERAC": "0000000004", "DTINIFASEORCA": "2030-10-01T00:00:00", "DTFINFASEORCA": "2030-10-31T00:00:00"},
    {"NRANOORCOPERAC": "2030", "CDVERSCALENORCA": 2, "CDFASEORCOPERAC": "0000000005", "DTINIFASEORCA": "2030-07-01T00:00:00", "DTFINFASEORCA": "2030-07-31T00:00:00"}
  ],
  "concluded": [{"NRANOORCOPERAC": "2030", "CDVERSCALENORCA": 2, "CDFASEORCOPERAC": "0000000005", "CDFILIAL": "0001"}]
}
)";
    const QString path = QDir(folder).filePath(QStringLiteral("calendar-2030.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) < 0)
        throw std::runtime_error("cannot write the test data file");
    return path;
}

QJsonArray CalendarSnapshot::row(const QString& code) const {
    const int codeAt = fieldIndex(QStringLiteral("CDFASEORCOPERAC"));
    for (const QJsonValue& value : rows) {
        if (value.toArray().at(codeAt).toString() == code)
            return value.toArray();
    }
    return {};
}

int CalendarSnapshot::fieldIndex(const QString& name) const {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (fields.at(i).toObject().value(QLatin1String("name")).toString() == name)
            return static_cast<int>(i);
    }
    return -1;
}

CalendarSnapshot loadCalendar(AppServerClient& client, const std::string& year, const std::string& version) {
    const QJsonObject response = client.call("GetCalendOrcOp", "[\"" + year + "\",\"" + version + "\"]");
    const QJsonObject calendar = response.value(QLatin1String("result")).toArray().at(0).toObject();
    return {calendar.value(QLatin1String("fields")).toArray(),
            calendar.value(QLatin1String("rows")).toArray()};
}

std::string updateDelta(const QJsonArray& fields,
                        const std::vector<std::pair<QJsonArray, QJsonArray>>& updates) {
    QJsonArray changes;
    for (const auto& [oldRow, newRow] : updates) {
        changes.append(QJsonObject{{QStringLiteral("op"), QStringLiteral("update")},
                                   {QStringLiteral("old"), oldRow},
                                   {QStringLiteral("new"), newRow}});
    }
    const QJsonObject delta{{QStringLiteral("fields"), fields}, {QStringLiteral("changes"), changes}};
    return "[" + QJsonDocument(delta).toJson(QJsonDocument::Compact).toStdString() + "]";
}

}  // namespace zrm::server::test
