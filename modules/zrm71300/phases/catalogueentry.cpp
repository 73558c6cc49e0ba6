#include "modules/zrm71300/phases/catalogueentry.h"

#include "library/zul/consiste.h"

#include <QRegularExpression>

namespace phasecatalogue {

namespace {

// "S" and "N" whatever their case; nothing is "N".
QString normalisedFlag(const QString& text) {
    const QString flag = text.trimmed().toUpper();
    return flag.isEmpty() ? QStringLiteral("N") : flag;
}

bool isFlag(const QString& flag) {
    return flag == QLatin1String("S") || flag == QLatin1String("N");
}

}  // namespace

Refusal normalise(Entry& entry) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,%1}$").arg(CodeWidth));
    entry.code = entry.code.trimmed();
    entry.name = entry.name.trimmed();
    entry.calculation = normalisedFlag(entry.calculation);
    entry.blocked = normalisedFlag(entry.blocked);

    if (entry.code.isEmpty())
        return {QStringLiteral("CDFASEORCOPERAC"), QStringLiteral("CodFase_Inf")};
    if (!digits.match(entry.code).hasMatch())
        return {QStringLiteral("CDFASEORCOPERAC"), QStringLiteral("CodFase_Digitos")};
    entry.code = Consiste::Ajusta(entry.code, CodeWidth);
    if (entry.name.isEmpty())
        return {QStringLiteral("NMFASEORCOPERAC"), QStringLiteral("NomeFase_Inf")};
    if (entry.name.size() > NameLength)
        return {QStringLiteral("NMFASEORCOPERAC"), QStringLiteral("NomeFase_Tam")};
    if (!isFlag(entry.calculation))
        return {QStringLiteral("IDFASECALCORCA"), QStringLiteral("Marca_Invalida")};
    if (!isFlag(entry.blocked))
        return {QStringLiteral("IDBLOQFASEORCA"), QStringLiteral("Marca_Invalida")};
    return {};
}

}  // namespace phasecatalogue
