// A package whose table names the screen entry IniProc without exporting it: the host must refuse it
// before running any of its entries.

#include "library/package/packageinfo.h"
#include "tests/host/testpackage/packagelog.h"

namespace {

const ZrmUnitEntry units[] = {
    {"Pkg_ZrmQuebrado", ZRM_UNIT_PACKAGE, nullptr, nullptr},
    {"Cli_ZrmQuebrado", ZRM_UNIT_SCREENS, nullptr, nullptr},
};

const ZrmScreenEntry screens[] = {
    {"ZRM00002", "Tela sem entrada", ZRM_PACKAGE_SCREEN_ENTRY},
};

const ZrmPackageInfoTable packageInfo = {
    ZRM_PACKAGE_ABI_VERSION, "Pkg_ZrmQuebrado", 2, units, 1, screens,
};

}  // namespace

extern "C" {

const ZrmPackageInfoTable* GetPackageInfoTable(void) {
    return &packageInfo;
}

void Initialize(void) {
    zrm::testpackage::logCall(QStringLiteral("Initialize Pkg_ZrmQuebrado"));
}

void Finalize(void) {
    zrm::testpackage::logCall(QStringLiteral("Finalize Pkg_ZrmQuebrado"));
}

}  // extern "C"
