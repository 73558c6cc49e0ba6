#include "framework/ui/dialogs.h"

#include "framework/ui/formresources.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

struct ButtonKind {
    TMsgDlgBtn button;
    QMessageBox::StandardButton standard;
    const char* caption;
    TModalResult result;
};

constexpr ButtonKind buttonKinds[] = {
    {mbYes, QMessageBox::Yes, "Sim", mrYes},
    {mbNo, QMessageBox::No, "Não", mrNo},
    {mbOK, QMessageBox::Ok, "OK", mrOk},
    {mbCancel, QMessageBox::Cancel, "Cancelar", mrCancel},
    {mbAbort, QMessageBox::Abort, "Anular", mrAbort},
    {mbRetry, QMessageBox::Retry, "Repetir", mrRetry},
    {mbIgnore, QMessageBox::Ignore, "Ignorar", mrIgnore},
};

const ButtonKind& kindOf(TMsgDlgBtn button) {
    for (const ButtonKind& kind : buttonKinds) {
        if (kind.button == button)
            return kind;
    }
    return buttonKinds[2];
}

void describeType(TMsgDlgType type, QMessageBox& box) {
    switch (type) {
        case mtWarning:
            box.setIcon(QMessageBox::Warning);
            box.setWindowTitle(zrm::ui::FormResources::translate(QStringLiteral("Aviso")));
            break;
        case mtError:
            box.setIcon(QMessageBox::Critical);
            box.setWindowTitle(zrm::ui::FormResources::translate(QStringLiteral("Erro")));
            break;
        case mtInformation:
            box.setIcon(QMessageBox::Information);
            box.setWindowTitle(zrm::ui::FormResources::translate(QStringLiteral("Informação")));
            break;
        case mtConfirmation:
            box.setIcon(QMessageBox::Question);
            box.setWindowTitle(zrm::ui::FormResources::translate(QStringLiteral("Confirmação")));
            break;
        case mtCustom:
            box.setIcon(QMessageBox::NoIcon);
            box.setWindowTitle(QApplication::applicationDisplayName());
            break;
    }
}

}  // namespace

int MessageDlg(const QString& text, TMsgDlgType type, const TMsgDlgButtons& buttons, int /*helpContext*/) {
    QMessageBox box(QApplication::activeWindow());
    box.setText(text);
    describeType(type, box);
    const TMsgDlgButtons shown = buttons.isEmpty() ? TMsgDlgButtons{mbOK} : buttons;
    for (TMsgDlgBtn button : shown) {
        const ButtonKind& kind = kindOf(button);
        QPushButton* added = box.addButton(kind.standard);
        added->setText(zrm::ui::FormResources::translate(QString::fromUtf8(kind.caption)));
        if (button == shown.first())
            box.setDefaultButton(added);
    }
    const TMsgDlgBtn escape = shown.contains(mbNo)       ? mbNo
                              : shown.contains(mbCancel) ? mbCancel
                                                         : shown.last();
    box.setEscapeButton(box.button(kindOf(escape).standard));
    box.exec();
    const QMessageBox::StandardButton chosen = box.standardButton(box.clickedButton());
    for (const ButtonKind& kind : buttonKinds) {
        if (kind.standard == chosen)
            return kind.result;
    }
    return mrNone;
}
