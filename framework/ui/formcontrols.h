#pragma once

// A screen's controls, resolved once by name right after its form description is loaded, into a
// struct of typed pointers named like the components of the description (as a generated Ui class
// is). The screen's code then reaches a control through its member, never by a name lookup, and a
// description that lacks a control the code uses stops the screen from being made, naming it.
//
//     struct TfrmXControls {
//         TDBGrid* dbgPadrao = nullptr;
//         TSpinEdit* depAno = nullptr;
//         void resolve(zrm::ui::ControlResolver& controls) {
//             ZRM_RESOLVE(controls, dbgPadrao);
//             ZRM_RESOLVE(controls, depAno);
//         }
//     };
//     class TfrmX : public TForm, public TfrmXControls {
//         void resolveControls(zrm::ui::ControlResolver& controls) override {
//             TForm::resolveControls(controls);
//             TfrmXControls::resolve(controls);
//         }
//     };
//
// The controls keep their object names: whoever drives a screen from outside still finds them by
// name.

#include <QObject>
#include <QString>
#include <QStringList>

namespace zrm::ui {

class ControlResolver {
public:
    explicit ControlResolver(const QObject* form) : m_form(form) {}

    // Points control at the form's component called name when it is a T; otherwise control is null
    // and name is kept for check().
    template <class T>
    void resolve(T*& control, const char* name) {
        const QString objectName = QString::fromLatin1(name);
        control = m_form->findChild<T*>(objectName);
        if (!control)
            m_missing.append(
                QStringLiteral("%1 (%2)").arg(objectName, QLatin1String(T::staticMetaObject.className())));
    }

    // Throws FormLoadError naming the form and every control that resolve() did not find, with the
    // class it wanted; returns when all were found.
    void check() const;

private:
    const QObject* m_form;
    QStringList m_missing;
};

}  // namespace zrm::ui

// Resolves the member control of a controls struct by its own name.
#define ZRM_RESOLVE(resolver, control) (resolver).resolve(control, #control)
