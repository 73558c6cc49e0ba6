#include "modules/zrm71300/platform/pendingsaveid.h"

#include <QUuid>

QString PendingSaveId::idFor(const zrm::Delta& delta) {
    const QByteArray changes = zrm::packet::encode(delta);
    if (m_id.isEmpty() || changes != m_changes) {
        m_id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        m_changes = changes;
    }
    return m_id;
}

void PendingSaveId::settle(const TRemoteResult& result) {
    if (result.ok || !result.transient) {
        m_id.clear();
        m_changes.clear();
    }
}
