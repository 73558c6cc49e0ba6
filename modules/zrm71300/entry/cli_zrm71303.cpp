#include "modules/zrm71300/entry/cli_zrm71303.h"

#include "modules/zrm71300/entry/singlescreen.h"
#include "modules/zrm71300/phases/frmfasesorc.h"

TfrmFasesOrc* frmFasesOrc = nullptr;

void criaFasesOrc(void) {
    SingleScreen::Open(frmFasesOrc);
}

void Cli_Zrm71303_Finalization(void) {
    SingleScreen::Close(frmFasesOrc);
}
