#include "framework/ui/dbgridconfirm_p.h"

#include "framework/ui/dialogs.h"
#include "framework/ui/formresources.h"

#include <QString>

namespace zrm::ui {

bool confirmRecordDeletion() {
    return MessageDlg(FormResources::translate(QStringLiteral("Excluir registro?")), mtConfirmation,
                      {mbYes, mbNo}, 0) == mrYes;
}

}  // namespace zrm::ui
