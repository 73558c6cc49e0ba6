#pragma once

// Saving a dataset's pending changes the moment they are made, as the screens of the package do
// after every post and delete.

#include "framework/packet/packet.h"
#include "framework/remote/remoteresult.h"

#include <QString>

#include <functional>

class TClientDataSet;

// Sends the pending changes of dataSet (nothing when none is pending) through send, under the busy
// indicator with busyText, and accepts them locally. A definitive refusal (a rule, a conflict) would
// be refused again at every later save, together with whatever that save carries: it is shown, the
// changes are dropped and reload runs (it loads the rows again and puts the cursor back), then
// EAbort. A transient failure (the server unreachable) is reported (EAbort) and keeps the changes
// pending for the next save.
void SaveChanges(TClientDataSet* dataSet, const QString& busyText,
                 const std::function<TRemoteResult(const zrm::Delta&)>& send,
                 const std::function<void()>& reload);
