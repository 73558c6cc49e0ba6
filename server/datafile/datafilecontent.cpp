#include "server/datafile/datafilecontent.h"

#include "domain/calendar/monthflags.h"
#include "framework/packet/packet.h"
#include "framework/packet/packetwriter.h"
#include "server/datafile/datafile.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <functional>
#include <utility>

namespace zrm::server {

namespace {

using packet::appendJsonString;

const char* const Sections[] = {"operators", "phases",   "versions", "usedVersions",
                                "cycles",    "calendar", "concluded"};

// One record of a section being read; every failure names the section and the position.
class RecordReader {
public:
    RecordReader(QString section, int position, const QJsonValue& value)
        : m_section(std::move(section)), m_position(position) {
        if (!value.isObject())
            fail(QStringLiteral("o registro deve ser um objeto JSON"));
        m_object = value.toObject();
    }

    // Fails when the record holds a key none of the reads asked for (a misspelt key would otherwise
    // be dropped without a word).
    void finish() const {
        for (auto it = m_object.begin(); it != m_object.end(); ++it) {
            if (!m_read.contains(it.key()))
                fail(QStringLiteral("chave desconhecida \"%1\"").arg(it.key()));
        }
    }

    std::string text(const char* key, int maxLength, bool required) {
        const QJsonValue value = take(key);
        if (value.isNull() || value.isUndefined()) {
            if (required)
                fail(QStringLiteral("falta %1").arg(QLatin1String(key)));
            return {};
        }
        if (!value.isString())
            fail(QStringLiteral("%1 deve ser um texto").arg(QLatin1String(key)));
        const QString text = value.toString();
        if (text.size() > maxLength)
            fail(QStringLiteral("%1 tem mais de %2 caracteres").arg(QLatin1String(key)).arg(maxLength));
        if (required && text.isEmpty())
            fail(QStringLiteral("%1 não pode ser vazio").arg(QLatin1String(key)));
        return text.toStdString();
    }

    std::string year(const char* key) {
        std::string value = text(key, 4, true);
        if (value.size() != 4 || value.find_first_not_of("0123456789") != std::string::npos)
            fail(QStringLiteral("%1 deve ser um ano de quatro dígitos").arg(QLatin1String(key)));
        return value;
    }

    std::string flag(const char* key) {
        std::string value = text(key, 1, false);
        if (!value.empty() && value != "S" && value != "N")
            fail(QStringLiteral("%1 deve ser \"S\", \"N\" ou vazio").arg(QLatin1String(key)));
        return value;
    }

    std::string dateTime(const char* key, bool required) {
        std::string value = text(key, 23, required);
        if (value.empty())
            return value;
        const QDateTime parsed = packet::dateTimeFromText(QString::fromStdString(value));
        if (!parsed.isValid())
            fail(QStringLiteral("%1 não é uma data-hora AAAA-MM-DDTHH:MM:SS").arg(QLatin1String(key)));
        return packet::dateTimeToText(parsed).toStdString();
    }

    // A positive integer, written as a JSON number or as the decimal text of one.
    qint64 version(const char* key) {
        const QJsonValue value = take(key);
        double number = std::nan("");
        if (value.isDouble())
            number = value.toDouble();
        else if (value.isString()) {
            const QString text = value.toString();
            bool ok = !text.isEmpty() && text.size() <= 10 &&
                      std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
            if (ok)
                number = text.toDouble(&ok);
        }
        if (!(number >= 1 && number <= std::numeric_limits<qint32>::max() && std::trunc(number) == number))
            fail(QStringLiteral("%1 deve ser um número inteiro positivo").arg(QLatin1String(key)));
        return qint64(number);
    }

    [[noreturn]] void fail(const QString& what) const {
        throw DataFileError(QStringLiteral("Arquivo de dados inválido: seção \"%1\", registro %2: %3.")
                                .arg(m_section)
                                .arg(m_position)
                                .arg(what));
    }

private:
    QJsonValue take(const char* key) {
        const QString name = QLatin1String(key);
        m_read.insert(name);
        return m_object.value(name);
    }

    QString m_section;
    int m_position;
    QJsonObject m_object;
    QSet<QString> m_read;
};

template <typename Record>
void readSection(const QJsonObject& file, const char* section, std::vector<Record>& records,
                 const std::function<Record(RecordReader&)>& read) {
    const QJsonValue value = file.value(QLatin1String(section));
    if (value.isUndefined() || value.isNull())
        return;
    if (!value.isArray())
        throw DataFileError(QStringLiteral("Arquivo de dados inválido: a seção \"%1\" deve ser uma lista.")
                                .arg(QLatin1String(section)));
    const QJsonArray array = value.toArray();
    records.reserve(array.size());
    for (int i = 0; i < array.size(); ++i) {
        RecordReader reader(QLatin1String(section), i + 1, array.at(i));
        records.push_back(read(reader));
        reader.finish();
    }
}

CalendarKey readKey(RecordReader& reader) {
    CalendarKey key;
    key.year = reader.year("NRANOORCOPERAC");
    key.version = reader.version("CDVERSCALENORCA");
    key.code = reader.text("CDFASEORCOPERAC", 10, true);
    return key;
}

// Appends one record line: {"KEY": value, ...}. Values are text (empty written as "") or numbers.
class RecordWriter {
public:
    explicit RecordWriter(std::string& out) : m_out(out) { m_out += "    {"; }
    ~RecordWriter() { m_out += '}'; }
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    RecordWriter& text(std::string_view key, std::string_view value) {
        this->key(key);
        appendJsonString(m_out, value);
        return *this;
    }
    RecordWriter& number(std::string_view key, qint64 value) {
        this->key(key);
        m_out += std::to_string(value);
        return *this;
    }

private:
    void key(std::string_view key) {
        if (!m_first)
            m_out += ", ";
        m_first = false;
        appendJsonString(m_out, key);
        m_out += ": ";
    }

    std::string& m_out;
    bool m_first = true;
};

template <typename Record>
void writeSection(std::string& out, const char* section, const std::vector<Record>& records, bool last,
                  const std::function<void(RecordWriter&, const Record&)>& write) {
    out += "  \"";
    out += section;
    out += "\": [";
    for (size_t i = 0; i < records.size(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        RecordWriter writer(out);
        write(writer, records[i]);
    }
    out += records.empty() ? "]" : "\n  ]";
    out += last ? "\n" : ",\n";
}

}  // namespace

DataFileContent parseDataFile(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw DataFileError(QStringLiteral("O arquivo de dados não é um JSON válido (posição %1: %2).")
                                .arg(error.offset)
                                .arg(error.errorString()));
    if (!document.isObject())
        throw DataFileError(
            QStringLiteral("O arquivo de dados deve ser um objeto JSON com as seções %1.")
                .arg(QStringLiteral(
                    "operators, phases, versions, usedVersions, cycles, calendar, concluded")));
    const QJsonObject file = document.object();
    for (auto it = file.begin(); it != file.end(); ++it) {
        if (std::none_of(std::begin(Sections), std::end(Sections),
                         [&](const char* section) { return it.key() == QLatin1String(section); }))
            throw DataFileError(
                QStringLiteral("O arquivo de dados tem uma seção desconhecida: \"%1\".").arg(it.key()));
    }

    DataFileContent content;
    readSection<OperatorRecord>(file, "operators", content.operators, [](RecordReader& r) {
        OperatorRecord record;
        record.code = r.text("CDOPERADOR", 12, true);
        record.name = r.text("NMOPERADOR", 40, false);
        return record;
    });
    readSection<PhaseRecord>(file, "phases", content.phases, [](RecordReader& r) {
        PhaseRecord record;
        record.code = r.text("CDFASEORCOPERAC", 10, true);
        record.name = r.text("NMFASEORCOPERAC", 100, true);
        record.calculation = r.flag("IDFASECALCORCA");
        record.approval = r.flag("IDFASEAPROVORCA");
        record.blocked = r.flag("IDBLOQFASEORCA");
        return record;
    });
    readSection<VersionRecord>(file, "versions", content.versions, [](RecordReader& r) {
        VersionRecord record;
        record.year = r.year("CDANOVERORCA");
        record.version = r.version("CDVERSAOORCA");
        record.createdAt = r.dateTime("DTINCLUSAO", false);
        record.createdBy = r.text("CDOPERINCLUSAO", 12, false);
        record.description = r.text("DSVERSAOORCA", 100, false);
        return record;
    });
    readSection<UsedVersionRecord>(file, "usedVersions", content.usedVersions, [](RecordReader& r) {
        UsedVersionRecord record;
        record.year = r.year("CDANOVERORCA");
        record.highest = r.version("CDULTVERSAOORCA");
        return record;
    });
    readSection<CycleRecord>(file, "cycles", content.cycles, [](RecordReader& r) {
        CycleRecord record;
        record.year = r.year("year");
        record.firstMonth = r.dateTime("MESINI", true);
        record.lastMonth = r.dateTime("MESFIN", true);
        return record;
    });
    readSection<CalendarRecord>(file, "calendar", content.calendar, [](RecordReader& r) {
        CalendarRecord record;
        record.key = readKey(r);
        record.start = r.dateTime("DTINIFASEORCA", true);
        record.end = r.dateTime("DTFINFASEORCA", true);
        if (record.end < record.start)
            r.fail(QStringLiteral("DTFINFASEORCA é anterior a DTINIFASEORCA"));
        for (size_t month = 0; month < record.months.size(); ++month)
            record.months[month] = r.flag(calendar::Months[month].flagField);
        return record;
    });
    readSection<ConcludedRecord>(file, "concluded", content.concluded, [](RecordReader& r) {
        ConcludedRecord record;
        record.key = readKey(r);
        record.branch = r.text("CDFILIAL", 4, true);
        record.concludedAt = r.dateTime("DTCONCLUSAO", false);
        return record;
    });
    return content;
}

QByteArray writeDataFile(const DataFileContent& content) {
    std::string out = "{\n";
    writeSection<OperatorRecord>(
        out, "operators", content.operators, false,
        [](RecordWriter& w, const auto& r) { w.text("CDOPERADOR", r.code).text("NMOPERADOR", r.name); });
    writeSection<PhaseRecord>(out, "phases", content.phases, false, [](RecordWriter& w, const auto& r) {
        w.text("CDFASEORCOPERAC", r.code)
            .text("NMFASEORCOPERAC", r.name)
            .text("IDFASECALCORCA", r.calculation)
            .text("IDFASEAPROVORCA", r.approval)
            .text("IDBLOQFASEORCA", r.blocked);
    });
    writeSection<VersionRecord>(out, "versions", content.versions, false, [](RecordWriter& w, const auto& r) {
        w.text("CDANOVERORCA", r.year)
            .text("CDVERSAOORCA", std::to_string(r.version))
            .text("DTINCLUSAO", r.createdAt)
            .text("CDOPERINCLUSAO", r.createdBy)
            .text("DSVERSAOORCA", r.description);
    });
    writeSection<UsedVersionRecord>(out, "usedVersions", content.usedVersions, false,
                                    [](RecordWriter& w, const auto& r) {
                                        w.text("CDANOVERORCA", r.year).number("CDULTVERSAOORCA", r.highest);
                                    });
    writeSection<CycleRecord>(out, "cycles", content.cycles, false, [](RecordWriter& w, const auto& r) {
        w.text("year", r.year).text("MESINI", r.firstMonth).text("MESFIN", r.lastMonth);
    });
    writeSection<CalendarRecord>(out, "calendar", content.calendar, false,
                                 [](RecordWriter& w, const auto& r) {
                                     w.text("NRANOORCOPERAC", r.key.year)
                                         .number("CDVERSCALENORCA", r.key.version)
                                         .text("CDFASEORCOPERAC", r.key.code)
                                         .text("DTINIFASEORCA", r.start)
                                         .text("DTFINFASEORCA", r.end);
                                     for (size_t month = 0; month < r.months.size(); ++month)
                                         w.text(calendar::Months[month].flagField, r.months[month]);
                                 });
    writeSection<ConcludedRecord>(out, "concluded", content.concluded, true,
                                  [](RecordWriter& w, const auto& r) {
                                      w.text("NRANOORCOPERAC", r.key.year)
                                          .number("CDVERSCALENORCA", r.key.version)
                                          .text("CDFASEORCOPERAC", r.key.code)
                                          .text("CDFILIAL", r.branch)
                                          .text("DTCONCLUSAO", r.concludedAt);
                                  });
    out += "}\n";
    return QByteArray::fromStdString(out);
}

}  // namespace zrm::server
