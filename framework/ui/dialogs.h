#pragma once

// MessageDlg: the modal message box with a type and a set of buttons; returns the button chosen.

#include <QList>
#include <QString>

class QWidget;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore };
using TMsgDlgButtons = QList<TMsgDlgBtn>;

// The results of a modal dialog.
enum TModalResult {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7
};

// Shows text in a modal QMessageBox titled by type ("Confirmação", "Aviso", "Erro", "Informação"),
// with the buttons in the order given, captioned in Portuguese ("Sim", "Não", "OK", "Cancelar",
// "Anular", "Repetir", "Ignorar"); the first button is the default one, and Esc chooses No, Cancel or
// the last button. Returns the chosen button's result (mrYes, mrNo, …). The box is parented to the
// active window. helpContext is accepted for the callers' sake; there is no help system.
int MessageDlg(const QString& text, TMsgDlgType type, const TMsgDlgButtons& buttons, int helpContext);
