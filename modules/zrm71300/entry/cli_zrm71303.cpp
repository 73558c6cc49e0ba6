#include "modules/zrm71300/entry/cli_zrm71303.h"

#include "modules/zrm71300/phases/frmfasesorc.h"

#include <QApplication>
#include <QMdiSubWindow>

TfrmFasesOrc* frmFasesOrc = nullptr;

void criaFasesOrc(void) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    if (!frmFasesOrc) {
        frmFasesOrc = TForm::Create<TfrmFasesOrc>();
        // The screen is deleted when closed; the next entry call makes a new one.
        frmFasesOrc->SetOnClosed([] { frmFasesOrc = nullptr; });
    }
    frmFasesOrc->Show();
    frmFasesOrc->SetWindowState(wsNormal);
}

void Cli_Zrm71303_Finalization(void) {
    // No object whose code lives in the package may outlive it.
    if (frmFasesOrc) {
        QWidget* window = frmFasesOrc->mdiSubWindow();
        delete (window ? window : frmFasesOrc);
    }
}
