#include "modules/zrm71300/entry/cli_zrm71301.h"

#include "modules/zrm71300/entry/singlescreen.h"
#include "modules/zrm71300/timeline/frmlinhatempo.h"

TfrmLinhaTempo* frmLinhaTempo = nullptr;

void criaLinhaTempo(void) {
    SingleScreen::Open(frmLinhaTempo);
}

void Cli_Zrm71301_Finalization(void) {
    SingleScreen::Close(frmLinhaTempo);
}
