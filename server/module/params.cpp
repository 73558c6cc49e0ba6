#include "server/module/params.h"

#include "server/storage/storeerror.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace zrm::server {

namespace {

// The length of a UTF-8 text in the characters a screen's field counts (UTF-16 code units): the
// limits of the stored columns are counted so.
qsizetype fieldLength(std::string_view text) {
    qsizetype length = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80)
            length += byte >= 0xF0 ? 2 : 1;
    }
    return length;
}

// A JSON integer within 1e9 either way, as the numeric parameters are.
bool isWholeNumber(const RpcParam& param) {
    return param.kind == RpcParam::Kind::Number && std::trunc(param.number) == param.number &&
           std::abs(param.number) <= 1e9;
}

}  // namespace

Params::Params(const char* method, const std::vector<RpcParam>& params, int count)
    : m_method(method), m_params(params) {
    if (qsizetype(params.size()) != count)
        throw BadRequest(QStringLiteral("O método %1 recebe %2 parâmetro(s), mas vieram %3.")
                             .arg(QLatin1String(method))
                             .arg(count)
                             .arg(qsizetype(params.size())));
}

void Params::fail(int index, const QString& what) const {
    throw BadRequest(
        QStringLiteral("Parâmetro %1 do método %2: %3.").arg(index + 1).arg(QLatin1String(m_method), what));
}

std::string Params::text(int index, const char* what, int maxLength) const {
    const RpcParam& param = at(index);
    if (param.kind != RpcParam::Kind::Text)
        fail(index, QStringLiteral("%1 deve ser um texto").arg(QString::fromUtf8(what)));
    if (fieldLength(param.text) > maxLength)
        fail(index,
             QStringLiteral("%1 tem mais de %2 caracteres").arg(QString::fromUtf8(what)).arg(maxLength));
    return param.text;
}

std::string Params::yearText(int index) const {
    const std::string text = this->text(index, "o ano", 4);
    if (text.find_first_not_of("0123456789") != std::string::npos)
        fail(index, QStringLiteral("o ano deve ser um número"));
    // An empty year box is a year without data, so the screen's own check can name what is missing.
    return text.empty() ? yearKey(-1) : yearKey(std::stoll(text));
}

std::string Params::yearNumber(int index) const {
    const RpcParam& param = at(index);
    if (!isWholeNumber(param))
        fail(index, QStringLiteral("o ano deve ser um número inteiro"));
    return yearKey(qint64(param.number));
}

std::string Params::trimmedText(int index, const char* what, int maxLength) const {
    const RpcParam& param = at(index);
    if (param.kind != RpcParam::Kind::Text)
        fail(index, QStringLiteral("%1 deve ser um texto").arg(QString::fromUtf8(what)));
    const QString text = QString::fromStdString(param.text).trimmed();
    if (text.size() > maxLength)
        fail(index,
             QStringLiteral("%1 tem mais de %2 caracteres").arg(QString::fromUtf8(what)).arg(maxLength));
    return text.toStdString();
}

std::string Params::requiredYear(int index) const {
    const std::string text = this->text(index, "o ano", 4);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || std::stoi(text) < 1)
        fail(index, QStringLiteral("o ano deve ser um número de 1 a 9999"));
    return yearKey(std::stoll(text));
}

std::string Params::digitCode(int index, const char* what, int width) const {
    const std::string text = this->text(index, what, width);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        fail(index, QStringLiteral("%1 deve ter de 1 a %2 dígitos").arg(QString::fromUtf8(what)).arg(width));
    return paddedCode(text, width);
}

qint64 Params::integer(int index, const char* what, qint64 minimum, qint64 maximum) const {
    const RpcParam& param = at(index);
    const double number = param.number;
    if (param.kind != RpcParam::Kind::Number || std::trunc(number) != number || number < double(minimum) ||
        number > double(maximum))
        fail(index, QStringLiteral("%1 deve ser um número inteiro de %2 a %3")
                        .arg(QString::fromUtf8(what))
                        .arg(minimum)
                        .arg(maximum));
    return qint64(number);
}

std::optional<double> Params::version(int index) const {
    const std::string text = this->text(index, "a versão", 40);
    if (text.empty())
        return std::nullopt;
    bool ok = false;
    const double number = QLocale::c().toDouble(QString::fromStdString(text), &ok);
    if (!ok || !std::isfinite(number))
        fail(index, QStringLiteral("a versão deve ser um número"));
    return number;
}

qint64 versionKey(double version) {
    if (version < 1 || version > std::numeric_limits<qint32>::max() || std::trunc(version) != version)
        return 0;
    return qint64(version);
}

std::string yearKey(qint64 year) {
    if (year < 0 || year > 9999)
        return "-";  // stored years are four digits: this matches none
    std::string key = std::to_string(year);
    key.insert(0, 4 - key.size(), '0');
    return key;
}

std::string paddedCode(std::string_view digits, int width) {
    std::string code(digits);
    if (qsizetype(code.size()) < width)
        code.insert(0, size_t(width) - code.size(), '0');
    return code;
}

}  // namespace zrm::server
