// Unit Pkg_Zrm71300: the package wrapper. It exports the package's load and unload entries, its
// information table and the screen entries the host calls: IniProc (the budget calendar),
// IniProcLinhaTempo (the timeline), IniProcVersoes (the versions of the calendar) and IniProcFases
// (the phase catalogue).

#include "library/package/packageinfo.h"
#include "library/zul/zulclasses.h"
#include "modules/zrm71300/entry/cli_zrm71300.h"
#include "modules/zrm71300/entry/cli_zrm71301.h"
#include "modules/zrm71300/entry/cli_zrm71302.h"
#include "modules/zrm71300/entry/cli_zrm71303.h"
#include "modules/zrm71300/entry/languageresource.h"

#include <iterator>

namespace {

// The package's own start-up: the library's component classes for the form descriptions, and the
// resource module of the user's language.
void Pkg_Zrm71300_Initialization() {
    zrm::zul::ensureLibraryClassesRegistered();
    LanguageResource::Install();
}

void Pkg_Zrm71300_Finalization() {
    LanguageResource::Remove();
}

const ZrmUnitEntry units[] = {
    {"Pkg_Zrm71300", ZRM_UNIT_PACKAGE, Pkg_Zrm71300_Initialization, Pkg_Zrm71300_Finalization},
    {"Cli_Zrm71300", ZRM_UNIT_SCREENS, Cli_Zrm71300_Initialization, Cli_Zrm71300_Finalization},
    {"Cli_Zrm71301", ZRM_UNIT_SCREENS, nullptr, Cli_Zrm71301_Finalization},
    {"Cli_Zrm71302", ZRM_UNIT_SCREENS, nullptr, Cli_Zrm71302_Finalization},
    {"Cli_Zrm71303", ZRM_UNIT_SCREENS, nullptr, Cli_Zrm71303_Finalization},
    // Run-time start-up support has nothing to do here: the C++ run-time starts the library itself.
    {"SysInit", ZRM_UNIT_IMPLICIT, nullptr, nullptr},
};

const ZrmScreenEntry screens[] = {
    {"ZRM71300", "Calendário para Orçamento", ZRM_PACKAGE_SCREEN_ENTRY},
    {"ZRM71301", "Linha do tempo do orçamento", "IniProcLinhaTempo"},
    {"ZRM71302", "Versões do calendário", "IniProcVersoes"},
    {"ZRM71303", "Fases do orçamento", "IniProcFases"},
};

const ZrmPackageInfoTable packageInfo = {
    ZRM_PACKAGE_ABI_VERSION, "Pkg_Zrm71300", std::size(units), units, std::size(screens), screens,
};

}  // namespace

extern "C" {

void Initialize(void) {
    ZrmInitializeUnits(&packageInfo);
}

void Finalize(void) {
    ZrmFinalizeUnits(&packageInfo);
}

const ZrmPackageInfoTable* GetPackageInfoTable(void) {
    return &packageInfo;
}

void IniProc(void) {
    criaCalendOrc();
}

ZRM_PACKAGE_EXPORT void IniProcLinhaTempo(void) {
    criaLinhaTempo();
}

ZRM_PACKAGE_EXPORT void IniProcVersoes(void) {
    criaVersoes();
}

ZRM_PACKAGE_EXPORT void IniProcFases(void) {
    criaFasesOrc();
}
}
