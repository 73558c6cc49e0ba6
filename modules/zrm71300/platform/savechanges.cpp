#include "modules/zrm71300/platform/savechanges.h"

#include "framework/data/clientdataset.h"
#include "framework/data/exceptions.h"
#include "library/zul/consiste.h"
#include "modules/zrm71300/platform/busyscope.h"

void SaveChanges(TClientDataSet* dataSet, const QString& busyText,
                 const std::function<TRemoteResult(const zrm::Delta&)>& send,
                 const std::function<void()>& reload) {
    if (dataSet->GetChangeCount() <= 0)
        return;
    TRemoteResult result;
    {
        const BusyScope busy(Showavi::KindSaving, busyText);
        result = send(dataSet->GetDelta());
    }
    if (!result.ok && !result.transient) {
        Consiste::MensErro(Consiste::FailureMessage(result), false);
        // Dropped before the reload, so that they never travel again even when the reload fails.
        dataSet->CancelUpdates();
        reload();
        Abort();
    }
    Consiste::CheckResultServ(result, true, 0);
    dataSet->MergeChangeLog();
}
