#include "modules/zrm71300/entry/cli_zrm71302.h"

#include "modules/zrm71300/versions/frmversoes.h"

#include <QApplication>
#include <QMdiSubWindow>

TfrmVersoes* frmVersoes = nullptr;

void criaVersoes(void) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    if (!frmVersoes) {
        frmVersoes = TForm::Create<TfrmVersoes>();
        // The screen is deleted when closed; the next entry call makes a new one.
        frmVersoes->SetOnClosed([] { frmVersoes = nullptr; });
    }
    frmVersoes->Show();
    frmVersoes->SetWindowState(wsNormal);
}

void Cli_Zrm71302_Finalization(void) {
    // No object whose code lives in the package may outlive it.
    if (frmVersoes) {
        QWidget* window = frmVersoes->mdiSubWindow();
        delete (window ? window : frmVersoes);
    }
}
