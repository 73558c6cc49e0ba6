#include "framework/data/exceptions.h"

Exception::Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

EAbort::EAbort() : Exception(QStringLiteral("Operação interrompida.")) {}

void Abort() {
    throw EAbort();
}
