// The data-aware controls as form-description classes: TDBGrid with its TColumn children,
// TDBNavigator and TDBText.

#include "framework/ui/componentregistry.h"
#include "framework/ui/dbgrid.h"
#include "framework/ui/dbnavigator.h"
#include "framework/ui/dbtext.h"

#include <QHeaderView>

namespace zrm::ui {

namespace {

// A set property given as an array of names (["dgEditing", "dgTitles"]).
int flagsFromNames(const QJsonValue& value, const QString& property,
                   std::initializer_list<std::pair<const char*, int>> flags) {
    int set = 0;
    for (const QString& name : jsonToStringList(value, property))
        set |= jsonToChoice(QJsonValue(name), property, flags);
    return set;
}

ComponentClass gridClass() {
    ComponentClass cls = widgetClass<TDBGrid>(QStringLiteral("TDBGrid"));
    // The title row takes its font the way a control takes its Font.
    const PropertySetter fontSetter = *cls.findProperty(QStringLiteral("Font"));
    cls.property(QStringLiteral("DataSource"), referenceSetter(&TDBGrid::SetDataSource))
        .property(QStringLiteral("Options"),
                  [](QObject* component, const QJsonValue& value, FormLoadContext&) {
                      static_cast<TDBGrid*>(component)->SetOptions(
                          flagsFromNames(value, QStringLiteral("Options"),
                                         {{"dgEditing", dgEditing},
                                          {"dgTitles", dgTitles},
                                          {"dgIndicator", dgIndicator},
                                          {"dgColumnResize", dgColumnResize},
                                          {"dgColLines", dgColLines},
                                          {"dgRowLines", dgRowLines},
                                          {"dgTabs", dgTabs},
                                          {"dgAlwaysShowSelection", dgAlwaysShowSelection},
                                          {"dgConfirmDelete", dgConfirmDelete},
                                          {"dgCancelOnExit", dgCancelOnExit}}));
                  })
        .property(QStringLiteral("ReadOnly"), setter(&TDBGrid::SetReadOnly))
        .property(QStringLiteral("DefaultDrawing"), setter(&TDBGrid::SetDefaultDrawing))
        .property(QStringLiteral("BorderStyle"),
                  [](QObject* component, const QJsonValue& value, FormLoadContext&) {
                      const bool border = jsonToChoice(value, QStringLiteral("BorderStyle"),
                                                       {{"bsNone", 0}, {"bsSingle", 1}}) == 1;
                      static_cast<TDBGrid*>(component)->setFrameShape(border ? QFrame::StyledPanel
                                                                             : QFrame::NoFrame);
                  })
        .property(QStringLiteral("TitleFont"),
                  [fontSetter](QObject* component, const QJsonValue& value, FormLoadContext& context) {
                      fontSetter(static_cast<TDBGrid*>(component)->horizontalHeader(), value, context);
                  })
        .event(QStringLiteral("OnEnter"), eventMember<TDBGrid, TNotifyEvent>(&TDBGrid::OnEnter))
        .event(QStringLiteral("OnExit"), eventMember<TDBGrid, TNotifyEvent>(&TDBGrid::OnExit))
        .event(QStringLiteral("OnCellClick"), eventMember(&TDBGrid::OnCellClick))
        .event(QStringLiteral("OnTitleClick"), eventMember(&TDBGrid::OnTitleClick))
        .event(QStringLiteral("OnDblClick"), eventMember(&TDBGrid::OnDblClick))
        .event(QStringLiteral("OnColEnter"), eventMember(&TDBGrid::OnColEnter))
        .event(QStringLiteral("OnColExit"), eventMember(&TDBGrid::OnColExit))
        .event(QStringLiteral("OnEditButtonClick"), eventMember(&TDBGrid::OnEditButtonClick))
        .event(QStringLiteral("OnKeyDown"), eventMember(&TDBGrid::OnKeyDown))
        .event(QStringLiteral("OnKeyPress"), eventMember(&TDBGrid::OnKeyPress))
        .event(QStringLiteral("OnDrawColumnCell"), eventMember(&TDBGrid::OnDrawColumnCell));
    return cls;
}

// A column is described as a child component of its grid.
ComponentClass columnClass() {
    ComponentClass cls(
        QStringLiteral("TColumn"),
        [](QObject* parent, const ComponentDeclaration& decl, FormLoadContext&) -> QObject* {
            auto* grid = qobject_cast<TDBGrid*>(parent);
            if (!grid) {
                throw FormLoadError(
                    QStringLiteral("a coluna \"%1\" deve estar dentro de um TDBGrid.").arg(decl.name));
            }
            return grid->Columns()->Add();
        });
    cls.property(QStringLiteral("FieldName"), setter(&TColumn::SetFieldName))
        .property(QStringLiteral("Title"),
                  [](QObject* component, const QJsonValue& value, FormLoadContext&) {
                      const QJsonValue caption = value.toObject().value(QStringLiteral("Caption"));
                      static_cast<TColumn*>(component)->SetTitleCaption(
                          jsonToString(caption, QStringLiteral("Title.Caption")));
                  })
        .property(QStringLiteral("Width"), setter(&TColumn::SetWidth))
        .property(QStringLiteral("ButtonStyle"),
                  [](QObject* component, const QJsonValue& value, FormLoadContext&) {
                      static_cast<TColumn*>(component)->SetButtonStyle(static_cast<TColumnButtonStyle>(
                          jsonToChoice(value, QStringLiteral("ButtonStyle"),
                                       {{"cbsAuto", int(TColumnButtonStyle::cbsAuto)},
                                        {"cbsEllipsis", int(TColumnButtonStyle::cbsEllipsis)},
                                        {"cbsNone", int(TColumnButtonStyle::cbsNone)}})));
                  })
        .property(QStringLiteral("ReadOnly"), setter(&TColumn::SetReadOnly))
        .property(QStringLiteral("Visible"), setter(&TColumn::SetVisible));
    return cls;
}

ComponentClass navigatorClass() {
    ComponentClass cls = widgetClass<TDBNavigator>(QStringLiteral("TDBNavigator"));
    cls.property(QStringLiteral("DataSource"), referenceSetter(&TDBNavigator::SetDataSource))
        .property(QStringLiteral("VisibleButtons"),
                  [](QObject* component, const QJsonValue& value, FormLoadContext&) {
                      static_cast<TDBNavigator*>(component)->SetVisibleButtons(
                          flagsFromNames(value, QStringLiteral("VisibleButtons"),
                                         {{"nbFirst", 1 << nbFirst},
                                          {"nbPrior", 1 << nbPrior},
                                          {"nbNext", 1 << nbNext},
                                          {"nbLast", 1 << nbLast},
                                          {"nbInsert", 1 << nbInsert},
                                          {"nbDelete", 1 << nbDelete},
                                          {"nbEdit", 1 << nbEdit},
                                          {"nbPost", 1 << nbPost},
                                          {"nbCancel", 1 << nbCancel},
                                          {"nbRefresh", 1 << nbRefresh}}));
                  })
        .property(QStringLiteral("ConfirmDelete"), setter(&TDBNavigator::SetConfirmDelete))
        .event(QStringLiteral("BeforeAction"), eventMember(&TDBNavigator::BeforeAction))
        .event(QStringLiteral("OnClick"), eventMember(&TDBNavigator::OnClick));
    return cls;
}

ComponentClass dbTextClass() {
    ComponentClass cls = widgetClass<TDBText>(QStringLiteral("TDBText"));
    cls.property(QStringLiteral("DataSource"), referenceSetter(&TDBText::SetDataSource))
        .property(QStringLiteral("DataField"), setter(&TDBText::SetDataField));
    return cls;
}

}  // namespace

void registerDataControlClasses(ComponentRegistry& registry) {
    registry.add(gridClass());
    registry.add(columnClass());
    registry.add(navigatorClass());
    registry.add(dbTextClass());
}

}  // namespace zrm::ui
