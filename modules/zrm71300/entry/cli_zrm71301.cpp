#include "modules/zrm71300/entry/cli_zrm71301.h"

#include "modules/zrm71300/timeline/frmlinhatempo.h"

#include <QApplication>
#include <QMdiSubWindow>

TfrmLinhaTempo* frmLinhaTempo = nullptr;

void criaLinhaTempo(void) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    if (!frmLinhaTempo) {
        frmLinhaTempo = TForm::Create<TfrmLinhaTempo>();
        // The screen is deleted when closed; the next entry call makes a new one.
        QObject::connect(frmLinhaTempo, &QObject::destroyed, [] { frmLinhaTempo = nullptr; });
    }
    frmLinhaTempo->Show();
    frmLinhaTempo->SetWindowState(wsNormal);
}

void Cli_Zrm71301_Finalization(void) {
    // No object whose code lives in the package may outlive it.
    if (frmLinhaTempo) {
        QWidget* window = frmLinhaTempo->mdiSubWindow();
        delete (window ? window : frmLinhaTempo);
    }
}
