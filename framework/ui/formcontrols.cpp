#include "framework/ui/formcontrols.h"

#include "framework/ui/formresources.h"
#include "framework/ui/handlertable.h"

namespace zrm::ui {

void ControlResolver::check() const {
    if (m_missing.isEmpty())
        return;
    throw FormLoadError(FormResources::translate(QStringLiteral("A tela %1 não tem os componentes %2."))
                            .arg(m_form->objectName(), m_missing.join(QStringLiteral(", "))));
}

}  // namespace zrm::ui
