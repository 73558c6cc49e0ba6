#include "modules/zrm71300/entry/cli_zrm71302.h"

#include "modules/zrm71300/entry/singlescreen.h"
#include "modules/zrm71300/versions/frmversoes.h"

TfrmVersoes* frmVersoes = nullptr;

void criaVersoes(void) {
    SingleScreen::Open(frmVersoes);
}

void Cli_Zrm71302_Finalization(void) {
    SingleScreen::Close(frmVersoes);
}
