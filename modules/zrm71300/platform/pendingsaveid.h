#pragma once

// The id the server knows a dataset's pending changes by: the same for every sending of the same
// changes, so that a save whose answer was lost and that is sent again (by the connection itself or
// by the user's next save) is stored once; a new one once the changes differ.

#include "framework/packet/packet.h"
#include "framework/remote/remoteresult.h"

#include <QByteArray>
#include <QString>

class PendingSaveId {
public:
    // The id of delta: the one given last while delta is the same changes, else a new one.
    QString idFor(const zrm::Delta& delta);
    // Takes the answer to the save sent under the id: changes stored, or refused for good and
    // dropped, are never sent again, and neither is their id.
    void settle(const TRemoteResult& result);

private:
    QString m_id;
    QByteArray m_changes;  // the encoded changes m_id names
};
