#include "modules/zrm71300/entry/cli_zrm71300.h"

#include "modules/zrm71300/screen/frmcalendorc.h"

#include <QApplication>
#include <QMdiSubWindow>

TfrmCalendOrc* frmCalendOrc = nullptr;
bool boStCriado = false;
bool boInsert = false;
QString stUltVers;
QString stVerifVers;
QString stversAtu;
QString StBloqCalc;

namespace {

// How many times the unit's initialization was requested and not yet released.
int unitUseCount = 0;

// The hourglass for as long as it lives; the default cursor again however the scope is left.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Forgets the screen once it is destroyed, so that the next entry call makes a new one.
void forgetScreen() {
    frmCalendOrc = nullptr;
    boStCriado = false;
}

}  // namespace

void criaCalendOrc(void) {
    const WaitCursor hourglass;
    if (!boStCriado) {
        frmCalendOrc = TForm::Create<TfrmCalendOrc>();
        frmCalendOrc->SetOnClosed(forgetScreen);
        boStCriado = true;
    }
    frmCalendOrc->Show();
    frmCalendOrc->SetWindowState(wsNormal);
}

void Cli_Zrm71300_Initialization(void) {
    if (unitUseCount++ > 0)
        return;
    boStCriado = false;
}

void Cli_Zrm71300_Finalization(void) {
    if (unitUseCount == 0 || --unitUseCount > 0)
        return;
    // No object whose code lives in the package may outlive it.
    if (frmCalendOrc) {
        QWidget* window = frmCalendOrc->mdiSubWindow();
        delete (window ? window : frmCalendOrc);
    }
    StBloqCalc.clear();
    stversAtu.clear();
    stVerifVers.clear();
    stUltVers.clear();
}
