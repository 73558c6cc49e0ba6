#pragma once

// A screen's form description: the resource "forms/<ScreenClass>.form.json", a JSON object
//
//   {
//     "class": "TfrmCalendOrc",                 // the screen class it describes (required)
//     "inherits": "TfrmPadraoGrid",             // optional: the base screen's description
//     "properties": { "Caption": "…", "ClientWidth": 547, "ClientHeight": 416 },   // the form's own
//     "events": { "OnShow": "FormShow" },                                          // the form's own
//     "components": [
//       { "class": "TPanel", "name": "panAno", "parent": "scbFolhaDados",
//         "properties": { "Align": "alTop", "Height": 33, "TabOrder": 1 },
//         "events": { "OnEnter": "panAnoEnter", "OnExit": "panAnoExit" } },
//       { "name": "dbgPadrao", "parent": "scbFolhaDados", "properties": { "Top": 33 } }
//     ]
//   }
//
// A component without "parent" belongs to the form. Events map an event name to the name of a
// handler the screen registered. A descendant's description adds to and overrides its base's: a
// component of a name the base already has keeps the base's class (naming another class is an
// error), takes the descendant's parent when one is given, and the descendant's properties and
// events replace the base's of the same name; components of new names come after the base's.

#include "framework/ui/componentregistry.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace zrm::ui {

class FormDescription {
public:
    QString className;
    QString inherits;
    ComponentDeclaration form;  // the form's own properties and events
    QList<ComponentDeclaration> components;

    // Parses one description (without following "inherits"). origin names it in errors.
    // FormLoadError on malformed JSON or an entry of the wrong shape.
    static FormDescription parse(const QByteArray& json, const QString& origin);
    // Reads the description of className through FormResources, merged onto those it inherits.
    // FormLoadError when one is missing or malformed, or the inheritance loops.
    static FormDescription load(const QString& className);

    // The description of a descendant: this one with descendant's additions and overrides.
    FormDescription mergedWith(const FormDescription& descendant) const;

    // The resource path of className's description.
    static QString resourcePath(const QString& className);
};

}  // namespace zrm::ui
