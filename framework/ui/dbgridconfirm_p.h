#pragma once

// The question the data controls ask before deleting the current row.

namespace zrm::ui {

// Asks "Excluir registro?" (Sim / Não) with MessageDlg; true for Sim.
bool confirmRecordDeletion();

}  // namespace zrm::ui
