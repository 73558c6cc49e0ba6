// The plain controls, the menus, the form and the datasets as form-description classes.

#include "framework/data/clientdataset.h"
#include "framework/data/datasource.h"
#include "framework/ui/componentregistry.h"
#include "framework/ui/edit.h"
#include "framework/ui/form.h"
#include "framework/ui/image.h"
#include "framework/ui/label.h"
#include "framework/ui/mainmenu.h"
#include "framework/ui/pagecontrol.h"
#include "framework/ui/panel.h"
#include "framework/ui/speedbutton.h"
#include "framework/ui/spinedit.h"

namespace zrm::ui {

namespace {

// The parent component as a P; FormLoadError naming what the class needs when it is not one.
template <class P>
P* parentAs(QObject* parent, const ComponentDeclaration& decl, const char* expected) {
    if (auto* typed = qobject_cast<P*>(parent))
        return typed;
    throw FormLoadError(QStringLiteral("um %1 deve estar dentro de um %2 (está em \"%3\").")
                            .arg(decl.className, QString::fromLatin1(expected), decl.parent));
}

template <class C>
PropertySetter pictureSetter(void (C::*set)(const QPixmap&)) {
    return [set](QObject* component, const QJsonValue& value, FormLoadContext&) {
        const QString source = jsonToString(value, QString());
        const QPixmap picture = TImage::loadPicture(source);
        if (picture.isNull())
            throw FormLoadError(QStringLiteral("a imagem \"%1\" não pôde ser lida.").arg(source.left(60)));
        (static_cast<C*>(component)->*set)(picture);
    };
}

template <class C>
ComponentClass& addFocusEvents(ComponentClass& cls) {
    return cls.event(QStringLiteral("OnEnter"), eventMember<C, TNotifyEvent>(&C::OnEnter))
        .event(QStringLiteral("OnExit"), eventMember<C, TNotifyEvent>(&C::OnExit));
}

template <class C>
ComponentClass& addKeyEvents(ComponentClass& cls) {
    return cls.event(QStringLiteral("OnKeyDown"), eventMember(&C::OnKeyDown))
        .event(QStringLiteral("OnKeyPress"), eventMember(&C::OnKeyPress))
        .event(QStringLiteral("OnChange"), eventMember(&C::OnChange));
}

ComponentClass formClass() {
    ComponentClass cls(QStringLiteral("TForm"),
                       [](QObject*, const ComponentDeclaration&, FormLoadContext&) -> QObject* {
                           throw FormLoadError(QStringLiteral("uma tela não pode ser componente de outra."));
                       });
    // A form shares its colour and font with the controls, not their placement.
    ComponentClass controls(QString(), nullptr);
    addControlProperties(controls);
    cls.property(QStringLiteral("Caption"), setter(&TForm::SetCaption))
        .property(QStringLiteral("ClientWidth"), setter(&TForm::SetClientWidth))
        .property(QStringLiteral("ClientHeight"), setter(&TForm::SetClientHeight))
        .property(QStringLiteral("Menu"), referenceSetter(&TForm::SetMenu))
        .property(QStringLiteral("FormStyle"),
                  [](QObject*, const QJsonValue& value, FormLoadContext&) {
                      // Where a screen opens is decided when it is shown (an MDI child when the
                      // application has an MDI main window); the style is only checked.
                      jsonToChoice(value, QStringLiteral("FormStyle"), {{"fsNormal", 0}, {"fsMDIChild", 1}});
                  })
        .property(QStringLiteral("Color"), *controls.findProperty(QStringLiteral("Color")))
        .property(QStringLiteral("Font"), *controls.findProperty(QStringLiteral("Font")))
        .property(QStringLiteral("Tag"), *controls.findProperty(QStringLiteral("Tag")))
        .event(QStringLiteral("OnCreate"), eventMember(&TForm::OnCreate))
        .event(QStringLiteral("OnShow"), eventMember(&TForm::OnShow))
        .event(QStringLiteral("OnClose"), eventMember(&TForm::OnClose))
        .event(QStringLiteral("OnDestroy"), eventMember(&TForm::OnDestroy));
    return cls;
}

ComponentClass spinEditClass() {
    ComponentClass cls = widgetClass<TSpinEdit>(QStringLiteral("TSpinEdit"));
    cls.property(QStringLiteral("MinValue"), setter(&TSpinEdit::SetMinValue))
        .property(QStringLiteral("MaxValue"), setter(&TSpinEdit::SetMaxValue))
        .property(QStringLiteral("Increment"), setter(&TSpinEdit::SetIncrement))
        .property(QStringLiteral("MaxLength"), setter(&TSpinEdit::SetMaxLength))
        .property(QStringLiteral("Value"), setter(&TSpinEdit::SetValue))
        .property(QStringLiteral("Text"), setter(&TSpinEdit::SetText));
    addKeyEvents<TSpinEdit>(cls);
    return addFocusEvents<TSpinEdit>(cls);
}

ComponentClass editClass() {
    ComponentClass cls = widgetClass<TEdit>(QStringLiteral("TEdit"));
    cls.property(QStringLiteral("MaxLength"), setter(&TEdit::SetMaxLength))
        .property(QStringLiteral("ReadOnly"), setter(&TEdit::SetReadOnly))
        .property(QStringLiteral("Text"), setter(&TEdit::SetText));
    addKeyEvents<TEdit>(cls);
    return addFocusEvents<TEdit>(cls);
}

ComponentClass panelClass() {
    ComponentClass cls = widgetClass<TPanel>(QStringLiteral("TPanel"));
    cls.property(QStringLiteral("Caption"), setter(&TPanel::SetCaption))
        .property(
            QStringLiteral("BevelOuter"), [](QObject* component, const QJsonValue& value, FormLoadContext&) {
                static_cast<TPanel*>(component)->SetBevelOuter(static_cast<TBevelCut>(
                    jsonToChoice(value, QStringLiteral("BevelOuter"),
                                 {{"bvNone", bvNone}, {"bvLowered", bvLowered}, {"bvRaised", bvRaised}})));
            });
    return addFocusEvents<TPanel>(cls);
}

ComponentClass scrollBoxClass() {
    ComponentClass cls = widgetClass<TScrollBox>(QStringLiteral("TScrollBox"));
    cls.property(
        QStringLiteral("BorderStyle"), [](QObject* component, const QJsonValue& value, FormLoadContext&) {
            static_cast<TScrollBox*>(component)->SetBorder(
                jsonToChoice(value, QStringLiteral("BorderStyle"), {{"bsNone", 0}, {"bsSingle", 1}}) == 1);
        });
    return addFocusEvents<TScrollBox>(cls);
}

ComponentClass tabSheetClass() {
    ComponentClass cls(QStringLiteral("TTabSheet"),
                       [](QObject* parent, const ComponentDeclaration& decl, FormLoadContext&) -> QObject* {
                           auto* pageControl = parentAs<TPageControl>(parent, decl, "TPageControl");
                           auto* page = new TTabSheet(pageControl);
                           page->SetPageControl(pageControl);
                           return page;
                       });
    addControlProperties(cls)
        .property(QStringLiteral("Caption"), setter(&TTabSheet::SetCaption))
        .property(QStringLiteral("TabVisible"), setter(&TTabSheet::SetTabVisible))
        .property(QStringLiteral("ImageIndex"), setter(&TTabSheet::SetImageIndex));
    return cls;
}

ComponentClass pageControlClass() {
    ComponentClass cls = widgetClass<TPageControl>(QStringLiteral("TPageControl"));
    cls.property(QStringLiteral("ActivePage"), referenceSetter(&TPageControl::SetActivePage))
        .event(QStringLiteral("OnChange"), eventMember(&TPageControl::OnChange))
        .event(QStringLiteral("OnChanging"), eventMember(&TPageControl::OnChanging));
    return cls;
}

ComponentClass mainMenuClass() {
    return {QStringLiteral("TMainMenu"),
            [](QObject* parent, const ComponentDeclaration& decl, FormLoadContext&) -> QObject* {
                auto* form = parentAs<TForm>(parent, decl, "TForm");
                auto* menu = new TMainMenu(form);
                form->SetMenu(menu);
                return menu;
            }};
}

ComponentClass menuItemClass() {
    ComponentClass cls(QStringLiteral("TMenuItem"),
                       [](QObject* parent, const ComponentDeclaration& decl, FormLoadContext&) -> QObject* {
                           auto* item = new TMenuItem;
                           if (auto* menu = qobject_cast<TMainMenu*>(parent)) {
                               menu->Add(item);
                               return item;
                           }
                           std::unique_ptr<TMenuItem> owned(item);
                           parentAs<TMenuItem>(parent, decl, "TMainMenu ou TMenuItem")->Add(owned.release());
                           return item;
                       });
    cls.property(QStringLiteral("Caption"), setter(&TMenuItem::SetCaption))
        .property(QStringLiteral("Enabled"), setter(&TMenuItem::SetEnabled))
        .property(QStringLiteral("Checked"), setter(&TMenuItem::SetChecked))
        .property(QStringLiteral("Visible"), setter(&TMenuItem::SetVisible))
        .property(QStringLiteral("Tag"), setter(&TMenuItem::SetTag))
        .property(QStringLiteral("Hint"), setter(&QAction::setStatusTip))
        .property(QStringLiteral("MenuIndex"), setter(&TMenuItem::SetMenuIndex))
        .event(QStringLiteral("OnClick"), eventMember(&TMenuItem::OnClick));
    return cls;
}

ComponentClass dataSetClass() {
    ComponentClass cls(QStringLiteral("TClientDataSet"),
                       [](QObject* parent, const ComponentDeclaration& decl, FormLoadContext&) -> QObject* {
                           auto* dataSet = new TClientDataSet(parent);
                           // Fields made next take their objectNames from the dataset's.
                           dataSet->setObjectName(decl.name);
                           return dataSet;
                       });
    cls.property(
           QStringLiteral("IndexDefs"),
           [](QObject* component, const QJsonValue& value, FormLoadContext&) {
               if (!value.isArray())
                   throw FormLoadError(QStringLiteral("IndexDefs deve ser uma lista de {Name, Fields}."));
               for (const QJsonValue index : value.toArray()) {
                   const QJsonObject definition = index.toObject();
                   static_cast<TClientDataSet*>(component)->AddIndex(
                       jsonToString(definition.value(QStringLiteral("Name")),
                                    QStringLiteral("IndexDefs.Name")),
                       jsonToString(definition.value(QStringLiteral("Fields")),
                                    QStringLiteral("IndexDefs.Fields")));
               }
           })
        .property(QStringLiteral("IndexName"), setter(&TClientDataSet::SetIndexName))
        .property(QStringLiteral("IndexFieldNames"), setter(&TClientDataSet::SetIndexFieldNames));
    for (const auto& [name, member] :
         std::initializer_list<std::pair<const char*, TDataSetNotifyEvent TClientDataSet::*>>{
             {"BeforeOpen", &TClientDataSet::BeforeOpen},
             {"AfterOpen", &TClientDataSet::AfterOpen},
             {"BeforeClose", &TClientDataSet::BeforeClose},
             {"AfterClose", &TClientDataSet::AfterClose},
             {"BeforeInsert", &TClientDataSet::BeforeInsert},
             {"AfterInsert", &TClientDataSet::AfterInsert},
             {"BeforeEdit", &TClientDataSet::BeforeEdit},
             {"AfterEdit", &TClientDataSet::AfterEdit},
             {"BeforePost", &TClientDataSet::BeforePost},
             {"AfterPost", &TClientDataSet::AfterPost},
             {"BeforeCancel", &TClientDataSet::BeforeCancel},
             {"AfterCancel", &TClientDataSet::AfterCancel},
             {"BeforeDelete", &TClientDataSet::BeforeDelete},
             {"AfterDelete", &TClientDataSet::AfterDelete},
             {"BeforeScroll", &TClientDataSet::BeforeScroll},
             {"AfterScroll", &TClientDataSet::AfterScroll},
             {"OnNewRecord", &TClientDataSet::OnNewRecord}})
        cls.event(QString::fromLatin1(name), eventMember(member));
    return cls;
}

// A field of the parent dataset; FieldName defaults to the component name without the dataset's.
ComponentClass fieldClass(const QString& className, zrm::FieldType type) {
    ComponentClass cls(
        className, [type](QObject* parent, const ComponentDeclaration& decl, FormLoadContext&) -> QObject* {
            auto* dataSet = parentAs<TClientDataSet>(parent, decl, "TClientDataSet");
            QString fieldName = decl.properties.value(QStringLiteral("FieldName")).toString();
            if (fieldName.isEmpty() && decl.name.startsWith(decl.parent))
                fieldName = decl.name.mid(decl.parent.size());
            if (fieldName.isEmpty())
                throw FormLoadError(QStringLiteral("falta FieldName."));
            switch (type) {
                case zrm::FieldType::String:
                    return dataSet->AddStringField(
                        fieldName,
                        jsonToInt(decl.properties.value(QStringLiteral("Size")), QStringLiteral("Size")));
                case zrm::FieldType::Float:
                    return dataSet->AddFloatField(fieldName);
                case zrm::FieldType::Integer:
                    return dataSet->AddIntegerField(fieldName);
                case zrm::FieldType::DateTime:
                    return dataSet->AddDateTimeField(fieldName);
            }
            return nullptr;
        });
    cls.creationProperty(QStringLiteral("FieldName"))
        .creationProperty(QStringLiteral("Size"))
        .property(QStringLiteral("DisplayLabel"), setter(&TField::SetDisplayLabel))
        .property(QStringLiteral("Visible"), setter(&TField::SetVisible))
        .property(QStringLiteral("DisplayWidth"), setter(&TField::SetDisplayWidth))
        .property(QStringLiteral("EditMask"), setter(&TField::SetEditMask))
        .property(QStringLiteral("Tag"), setter(&TField::SetTag))
        .event(QStringLiteral("OnSetText"), eventMember(&TField::OnSetText));
    return cls;
}

ComponentClass dataSourceClass() {
    ComponentClass cls(QStringLiteral("TDataSource"),
                       [](QObject* parent, const ComponentDeclaration&, FormLoadContext&) -> QObject* {
                           return new TDataSource(parent);
                       });
    cls.property(QStringLiteral("DataSet"), referenceSetter(&TDataSource::SetDataSet))
        .property(QStringLiteral("AutoEdit"), setter(&TDataSource::SetAutoEdit))
        .property(QStringLiteral("Enabled"), setter(&TDataSource::SetEnabled))
        .event(QStringLiteral("OnStateChange"), eventMember(&TDataSource::OnStateChange))
        .event(QStringLiteral("OnDataChange"), eventMember(&TDataSource::OnDataChange))
        .event(QStringLiteral("OnUpdateData"), eventMember(&TDataSource::OnUpdateData));
    return cls;
}

}  // namespace

void registerPlainControlClasses(ComponentRegistry& registry) {
    registry.add(formClass());
    registry.add(widgetClass<TLabel>(QStringLiteral("TLabel"))
                     .property(QStringLiteral("Caption"), setter(&TLabel::SetCaption)));
    registry.add(editClass());
    registry.add(spinEditClass());
    registry.add(panelClass());
    registry.add(scrollBoxClass());
    registry.add(pageControlClass());
    registry.add(tabSheetClass());
    registry.add(widgetClass<TSpeedButton>(QStringLiteral("TSpeedButton"))
                     .property(QStringLiteral("Caption"), setter(&TSpeedButton::SetCaption))
                     .property(QStringLiteral("NumGlyphs"), setter(&TSpeedButton::SetNumGlyphs))
                     .property(QStringLiteral("Glyph"), pictureSetter(&TSpeedButton::SetGlyph))
                     .property(QStringLiteral("Flat"), setter(&TSpeedButton::SetFlat))
                     .event(QStringLiteral("OnClick"), eventMember(&TSpeedButton::OnClick)));
    registry.add(widgetClass<TImage>(QStringLiteral("TImage"))
                     .property(QStringLiteral("Picture"), pictureSetter(&TImage::SetPicture))
                     .property(QStringLiteral("Stretch"), setter(&TImage::SetStretch)));
    registry.add(mainMenuClass());
    registry.add(menuItemClass());
    registry.add(dataSetClass());
    registry.add(fieldClass(QStringLiteral("TStringField"), zrm::FieldType::String));
    registry.add(fieldClass(QStringLiteral("TFloatField"), zrm::FieldType::Float));
    registry.add(fieldClass(QStringLiteral("TIntegerField"), zrm::FieldType::Integer));
    registry.add(fieldClass(QStringLiteral("TDateTimeField"), zrm::FieldType::DateTime));
    registry.add(dataSourceClass());
}

}  // namespace zrm::ui
