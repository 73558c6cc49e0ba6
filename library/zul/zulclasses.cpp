#include "library/zul/zulclasses.h"

#include "framework/ui/componentregistry.h"
#include "library/zul/btnpesquisa.h"
#include "library/zul/messages.h"
#include "library/zul/netconnection.h"
#include "library/zul/pagecontrol98.h"

#include <QJsonArray>

#include <chrono>
#include <mutex>

namespace zrm::zul {

namespace {

using zrm::ui::ComponentClass;
using zrm::ui::ComponentDeclaration;
using zrm::ui::ComponentRegistry;
using zrm::ui::FormLoadContext;
using zrm::ui::FormLoadError;

// A class made by factory that has every property of the registered class baseName and the events
// named: for a library control that extends a framework control.
ComponentClass derivedClass(const ComponentRegistry& registry, const QString& baseName, const QString& name,
                            zrm::ui::ComponentFactory factory, const QStringList& events) {
    const ComponentClass* base = registry.find(baseName);
    if (!base)
        throw FormLoadError(
            QStringLiteral("A classe %1 precisa de %2, que não está registrada.").arg(name, baseName));
    ComponentClass cls(name, std::move(factory));
    for (const QString& property : base->propertyOrder())
        cls.property(property, *base->findProperty(property));
    for (const QString& event : events) {
        if (const zrm::ui::EventBinder* binder = base->findEvent(event))
            cls.event(event, *binder);
    }
    return cls;
}

ComponentClass messagesClass() {
    ComponentClass cls(QStringLiteral("TMessages"),
                       [](QObject* parent, const ComponentDeclaration&, FormLoadContext&) -> QObject* {
                           return new TMessages(parent);
                       });
    cls.property(QStringLiteral("Entries"),
                 [](QObject* component, const QJsonValue& value, FormLoadContext&) {
                     try {
                         static_cast<TMessages*>(component)->SetEntries(
                             zrm::ui::jsonToStringList(value, QStringLiteral("Entries")));
                     } catch (const EDatabaseError& error) {
                         throw FormLoadError(error.Message());
                     }
                 });
    return cls;
}

ComponentClass pageControl98Class(const ComponentRegistry& registry) {
    return derivedClass(registry, QStringLiteral("TPageControl"), QStringLiteral("TPageControl98"),
                        [](QObject* parent, const ComponentDeclaration&, FormLoadContext&) -> QObject* {
                            return new TCustomPageControl98(zrm::ui::childParentWidget(parent));
                        },
                        {QStringLiteral("OnChange"), QStringLiteral("OnChanging")});
}

ComponentClass netConnectionClass() {
    ComponentClass cls(QStringLiteral("TNetConnection"),
                       [](QObject* parent, const ComponentDeclaration&, FormLoadContext&) -> QObject* {
                           return Netconnection::Create(parent);
                       });
    cls.property(QStringLiteral("ServerName"), zrm::ui::setter(&TNetConnection::SetServerName))
        .property(QStringLiteral("Host"), zrm::ui::setter(&TNetConnection::SetHost))
        .property(QStringLiteral("Port"), zrm::ui::setter(&TNetConnection::SetPort))
        .property(QStringLiteral("ThrowException"), zrm::ui::setter(&TNetConnection::SetThrowException))
        .property(QStringLiteral("Timeout"),
                  [](QObject* component, const QJsonValue& value, FormLoadContext&) {
                      static_cast<TNetConnection*>(component)->SetTimeout(
                          std::chrono::milliseconds(zrm::ui::jsonToInt(value, QStringLiteral("Timeout"))));
                  })
        .event(QStringLiteral("BeforeConnect"), zrm::ui::eventMember(&TNetConnection::BeforeConnect));
    return cls;
}

ComponentClass btnPesquisaClass(const ComponentRegistry& registry) {
    ComponentClass cls =
        derivedClass(registry, QStringLiteral("TSpeedButton"), QStringLiteral("TBtnPesquisa"),
                     [](QObject* parent, const ComponentDeclaration&, FormLoadContext&) -> QObject* {
                         return new TBtnPesquisa(zrm::ui::childParentWidget(parent));
                     },
                     {});
    cls.property(QStringLiteral("Associate"), zrm::ui::referenceSetter(&TBtnPesquisa::SetAssociate))
        .property(QStringLiteral("DataSource"), zrm::ui::referenceSetter(&TBtnPesquisa::SetDataSource))
        .property(QStringLiteral("Title"), zrm::ui::setter(&TBtnPesquisa::SetTitle))
        .property(QStringLiteral("EmptyError"), zrm::ui::setter(&TBtnPesquisa::SetEmptyError))
        .event(QStringLiteral("OnBeforePesq"), zrm::ui::eventMember(&TBtnPesquisa::OnBeforePesq))
        .event(QStringLiteral("OnAfterPesq"), zrm::ui::eventMember(&TBtnPesquisa::OnAfterPesq));
    return cls;
}

}  // namespace

void registerLibraryClasses(ComponentRegistry& registry) {
    registry.add(messagesClass());
    registry.add(pageControl98Class(registry));
    registry.add(netConnectionClass());
    registry.add(btnPesquisaClass(registry));
}

void ensureLibraryClassesRegistered() {
    static std::once_flag once;
    std::call_once(once, [] { registerLibraryClasses(ComponentRegistry::standard()); });
}

}  // namespace zrm::zul
