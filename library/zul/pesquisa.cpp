#include "library/zul/pesquisa.h"

#include "framework/data/datasource.h"
#include "framework/ui/formresources.h"
#include "framework/ui/searchdialog.h"
#include "library/zul/consiste.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTableView>

namespace Pesquisa {

bool Pesquisar(TDataSource* dataSource, const QString& text, bool reportEmpty, bool selectCurrent) {
    TClientDataSet* dataSet = dataSource ? dataSource->DataSet() : nullptr;
    if (!dataSet)
        throw EDatabaseError(zrm::ui::FormResources::translate(
            QStringLiteral("A pesquisa precisa de uma fonte de dados ligada a um conjunto de dados.")));
    if (!dataSet->Active() || dataSet->IsEmpty()) {
        if (reportEmpty)
            Consiste::MensErro(
                zrm::ui::FormResources::translate(QStringLiteral("Não há registros para pesquisar.")), true);
        return false;
    }
    const qsizetype bar = text.indexOf(u'|');
    const QString title = bar < 0 ? text : text.left(bar);
    const QString prompt = bar < 0 ? QString() : text.mid(bar + 1);

    QPointer<QWidget> focus = QApplication::focusWidget();
    SearchDialog dialog(dataSource, title, QApplication::activeWindow());
    dialog.filterEdit()->setPlaceholderText(prompt);
    // Rows are offered in the dataset's order, so row n - 1 is record n until the user filters.
    if (selectCurrent && dataSet->RecNo() > 0)
        dialog.view()->setCurrentIndex(dialog.view()->model()->index(dataSet->RecNo() - 1, 0));
    const bool picked = dialog.execute();
    if (focus) {
        focus->activateWindow();
        focus->setFocus(Qt::OtherFocusReason);
    }
    return picked;
}

}  // namespace Pesquisa
