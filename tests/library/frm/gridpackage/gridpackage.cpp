// A screen package whose one screen, "ZRM00002", is a standard grid screen on a few local rows: the
// host opens it like any package's screen, so a picture of the host shows the frame as users see it.

#include "framework/data/clientdataset.h"
#include "framework/ui/formcontrols.h"
#include "library/frm/frmpadrgrid.h"
#include "library/package/packageinfo.h"
#include "library/zul/consiste.h"

#include <QDate>
#include <QPointer>

struct TfrmGradeTesteControls {
    TClientDataSet* cdsAcao = nullptr;
};

class TfrmGradeTeste : public TfrmPadraoGrid, public TfrmGradeTesteControls {
    Q_OBJECT
public:
    TfrmGradeTeste() { registerHandler(QStringLiteral("FormCreate"), this, &TfrmGradeTeste::FormCreate); }

    void FormCreate(QObject* Sender) {
        TfrmPadraoGrid::FormCreate(Sender);
        TClientDataSet* actions = cdsAcao;
        actions->FieldByName(QStringLiteral("DTINIACAO"))->SetEditMask(Consiste::DateMask());
        actions->CreateDataSet();
        const struct {
            const char* code;
            const char* name;
            int month;
        } rows[] = {{"0000000001", "Levantamento de custos", 1},
                    {"0000000002", "Revisão das metas", 3},
                    {"0000000003", "Aprovação da diretoria", 6},
                    {"0000000004", "Acompanhamento mensal", 8}};
        for (const auto& row : rows) {
            actions->Append();
            actions->FieldByName(QStringLiteral("CDACAO"))->SetAsString(QString::fromUtf8(row.code));
            actions->FieldByName(QStringLiteral("NMACAO"))->SetAsString(QString::fromUtf8(row.name));
            actions->FieldByName(QStringLiteral("DTINIACAO"))
                ->SetAsDateTime(QDate(2026, row.month, 1).startOfDay());
            actions->Post();
        }
        actions->MergeChangeLog();
        actions->First();
    }

protected:
    void resolveControls(zrm::ui::ControlResolver& controls) override {
        TfrmPadraoGrid::resolveControls(controls);
        ZRM_RESOLVE(controls, cdsAcao);
    }
};

namespace {

// The one screen; cleared when the screen is destroyed, so the next IniProc makes a new one.
QPointer<TfrmGradeTeste> frmGradeTeste;

const ZrmUnitEntry units[] = {
    {"Pkg_ZrmGradeTeste", ZRM_UNIT_PACKAGE, nullptr, nullptr},
    {"Cli_ZrmGradeTeste", ZRM_UNIT_SCREENS, nullptr, nullptr},
};

const ZrmScreenEntry screens[] = {
    {"ZRM00002", "Cadastro de Ações de Teste", ZRM_PACKAGE_SCREEN_ENTRY},
};

const ZrmPackageInfoTable packageInfo = {ZRM_PACKAGE_ABI_VERSION, "Pkg_ZrmGradeTeste", 2, units, 1, screens};

}  // namespace

extern "C" {

ZRM_PACKAGE_EXPORT void Initialize(void) {
    ZrmInitializeUnits(&packageInfo);
}

ZRM_PACKAGE_EXPORT void Finalize(void) {
    ZrmFinalizeUnits(&packageInfo);
}

ZRM_PACKAGE_EXPORT const ZrmPackageInfoTable* GetPackageInfoTable(void) {
    return &packageInfo;
}

ZRM_PACKAGE_EXPORT void IniProc(void) {
    if (!frmGradeTeste)
        frmGradeTeste = TForm::Create<TfrmGradeTeste>();
    frmGradeTeste->Show();
    frmGradeTeste->SetWindowState(wsNormal);
}
}

#include "gridpackage.moc"
