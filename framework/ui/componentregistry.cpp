#include "framework/ui/componentregistry.h"

#include "framework/ui/control.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QToolTip>

namespace zrm::ui {

QString FormLoadContext::wrongReferenceMessage(const QString& name, const QString& property) {
    return QStringLiteral("O componente \"%1\" não é do tipo esperado pela propriedade %2.")
        .arg(name, property);
}

ComponentClass::ComponentClass(QString name, ComponentFactory factory)
    : m_name(std::move(name)), m_factory(std::move(factory)) {}

ComponentClass& ComponentClass::property(const QString& name, PropertySetter setter) {
    for (auto& entry : m_properties) {
        if (entry.first == name) {
            entry.second = std::move(setter);
            return *this;
        }
    }
    m_properties.append({name, std::move(setter)});
    return *this;
}

ComponentClass& ComponentClass::creationProperty(const QString& name) {
    if (!m_creationProperties.contains(name))
        m_creationProperties.append(name);
    return *this;
}

ComponentClass& ComponentClass::event(const QString& name, EventBinder binder) {
    for (auto& entry : m_events) {
        if (entry.first == name) {
            entry.second = std::move(binder);
            return *this;
        }
    }
    m_events.append({name, std::move(binder)});
    return *this;
}

const PropertySetter* ComponentClass::findProperty(const QString& name) const {
    for (const auto& entry : m_properties) {
        if (entry.first == name)
            return &entry.second;
    }
    return nullptr;
}

const EventBinder* ComponentClass::findEvent(const QString& name) const {
    for (const auto& entry : m_events) {
        if (entry.first == name)
            return &entry.second;
    }
    return nullptr;
}

QStringList ComponentClass::propertyOrder() const {
    QStringList names;
    for (const auto& entry : m_properties)
        names.append(entry.first);
    return names;
}

void ComponentRegistry::add(ComponentClass cls) {
    for (auto& existing : m_classes) {
        if (existing.name() == cls.name()) {
            existing = std::move(cls);
            return;
        }
    }
    m_classes.append(std::move(cls));
}

const ComponentClass* ComponentRegistry::find(const QString& className) const {
    for (const auto& cls : m_classes) {
        if (cls.name() == className)
            return &cls;
    }
    return nullptr;
}

ComponentRegistry& ComponentRegistry::standard() {
    static ComponentRegistry registry = [] {
        ComponentRegistry built;
        registerPlainControlClasses(built);
        registerDataControlClasses(built);
        return built;
    }();
    return registry;
}

QWidget* childParentWidget(QObject* parent) {
    if (auto* holder = dynamic_cast<ClientAreaHolder*>(parent))
        return holder->clientArea();
    return qobject_cast<QWidget*>(parent);
}

// ---- Description values ----

namespace {

[[noreturn]] void throwWrongKind(const QString& property, const char* expected) {
    if (property.isEmpty())
        throw FormLoadError(
            QStringLiteral("Valor inválido: era esperado %1.").arg(QString::fromUtf8(expected)));
    throw FormLoadError(QStringLiteral("Valor inválido na propriedade %1: era esperado %2.")
                            .arg(property, QString::fromUtf8(expected)));
}

}  // namespace

int jsonToInt(const QJsonValue& value, const QString& property) {
    if (!value.isDouble() || value.toDouble() != static_cast<double>(value.toInt()))
        throwWrongKind(property, "um número inteiro");
    return value.toInt();
}

double jsonToDouble(const QJsonValue& value, const QString& property) {
    if (!value.isDouble())
        throwWrongKind(property, "um número");
    return value.toDouble();
}

bool jsonToBool(const QJsonValue& value, const QString& property) {
    if (!value.isBool())
        throwWrongKind(property, "true ou false");
    return value.toBool();
}

QString jsonToString(const QJsonValue& value, const QString& property) {
    if (!value.isString())
        throwWrongKind(property, "um texto");
    return value.toString();
}

QStringList jsonToStringList(const QJsonValue& value, const QString& property) {
    if (!value.isArray())
        throwWrongKind(property, "uma lista de textos");
    QStringList texts;
    for (const QJsonValue item : value.toArray())
        texts.append(jsonToString(item, property));
    return texts;
}

int jsonToChoice(const QJsonValue& value, const QString& property,
                 std::initializer_list<std::pair<const char*, int>> choices) {
    const QString text = jsonToString(value, property);
    QStringList names;
    for (const auto& [name, choice] : choices) {
        if (text == QLatin1String(name))
            return choice;
        names.append(QString::fromLatin1(name));
    }
    throw FormLoadError(QStringLiteral("Valor \"%1\" inválido na propriedade %2; valores possíveis: %3.")
                            .arg(text, property, names.join(QStringLiteral(", "))));
}

// ---- Common control properties ----

namespace {

QColor colorFromName(const QString& name, const QString& property) {
    if (name == QLatin1String("clInfoBk"))
        return QToolTip::palette().color(QPalette::ToolTipBase);
    if (name == QLatin1String("clWindow"))
        return QApplication::palette().color(QPalette::Base);
    if (name == QLatin1String("clBtnFace"))
        return QApplication::palette().color(QPalette::Button);
    static const std::pair<const char*, QRgb> fixed[] = {
        {"clBlack", 0x000000}, {"clWhite", 0xffffff},  {"clSilver", 0xc0c0c0}, {"clGray", 0x808080},
        {"clOlive", 0x808000}, {"clNavy", 0x000080},   {"clRed", 0xff0000},    {"clGreen", 0x008000},
        {"clBlue", 0x0000ff},  {"clYellow", 0xffff00}, {"clMaroon", 0x800000}, {"clTeal", 0x008080}};
    for (const auto& [colorName, rgb] : fixed) {
        if (name == QLatin1String(colorName))
            return QColor::fromRgb(rgb);
    }
    const QColor color = QColor::fromString(name);
    if (!color.isValid())
        throw FormLoadError(QStringLiteral("Cor \"%1\" inválida na propriedade %2.").arg(name, property));
    return color;
}

void setColor(QObject* component, const QJsonValue& value, FormLoadContext&) {
    auto* widget = static_cast<QWidget*>(component);
    const QColor color = colorFromName(jsonToString(value, QStringLiteral("Color")), QStringLiteral("Color"));
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, color);
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setFont(QObject* component, const QJsonValue& value, FormLoadContext&) {
    if (!value.isObject())
        throwWrongKind(QStringLiteral("Font"), "um objeto com Name, Height, Size, Style e Color");
    auto* widget = static_cast<QWidget*>(component);
    const QJsonObject decl = value.toObject();
    QFont font = widget->font();
    for (auto it = decl.begin(); it != decl.end(); ++it) {
        const QString key = it.key();
        if (key == QLatin1String("Name")) {
            font.setFamily(jsonToString(*it, QStringLiteral("Font.Name")));
        } else if (key == QLatin1String("Height")) {
            // A negative height is the character height in pixels, without the internal leading.
            const int height = jsonToInt(*it, QStringLiteral("Font.Height"));
            font.setPixelSize(qMax(1, qAbs(height)));
        } else if (key == QLatin1String("Size")) {
            font.setPointSize(qMax(1, jsonToInt(*it, QStringLiteral("Font.Size"))));
        } else if (key == QLatin1String("Style")) {
            const QStringList styles = jsonToStringList(*it, QStringLiteral("Font.Style"));
            font.setBold(styles.contains(QLatin1String("fsBold")));
            font.setItalic(styles.contains(QLatin1String("fsItalic")));
            font.setUnderline(styles.contains(QLatin1String("fsUnderline")));
            font.setStrikeOut(styles.contains(QLatin1String("fsStrikeOut")));
        } else if (key == QLatin1String("Color")) {
            QPalette palette = widget->palette();
            palette.setColor(
                QPalette::WindowText,
                colorFromName(jsonToString(*it, QStringLiteral("Font.Color")), QStringLiteral("Font.Color")));
            palette.setColor(QPalette::Text, palette.color(QPalette::WindowText));
            widget->setPalette(palette);
        } else {
            throw FormLoadError(QStringLiteral("Propriedade Font.%1 desconhecida.").arg(key));
        }
    }
    widget->setFont(font);
}

template <class Apply>
PropertySetter widgetSetter(const char* property, Apply apply) {
    return [property, apply](QObject* component, const QJsonValue& value, FormLoadContext&) {
        apply(static_cast<QWidget*>(component), jsonToInt(value, QString::fromLatin1(property)));
    };
}

// Design-time choices that Qt makes by itself (tooltips always show, a font or colour not set is the
// parent's): accepted so descriptions may keep them, with nothing to do.
void acceptDesignTimeChoice(QObject*, const QJsonValue&, FormLoadContext&) {}

}  // namespace

ComponentClass& addControlProperties(ComponentClass& cls) {
    cls.property(QStringLiteral("Left"), widgetSetter("Left", [](QWidget* w, int v) { w->move(v, w->y()); }))
        .property(QStringLiteral("Top"), widgetSetter("Top", [](QWidget* w, int v) { w->move(w->x(), v); }))
        .property(QStringLiteral("Width"),
                  widgetSetter("Width", [](QWidget* w, int v) { w->resize(v, w->height()); }))
        .property(QStringLiteral("Height"),
                  widgetSetter("Height", [](QWidget* w, int v) { w->resize(w->width(), v); }))
        .property(QStringLiteral("Align"),
                  [](QObject* component, const QJsonValue& value, FormLoadContext&) {
                      setAlignOf(static_cast<QWidget*>(component),
                                 static_cast<TAlign>(jsonToChoice(value, QStringLiteral("Align"),
                                                                  {{"alNone", alNone},
                                                                   {"alTop", alTop},
                                                                   {"alBottom", alBottom},
                                                                   {"alLeft", alLeft},
                                                                   {"alRight", alRight},
                                                                   {"alClient", alClient}})));
                  })
        .property(
            QStringLiteral("Visible"),
            [](QObject* component, const QJsonValue& value, FormLoadContext&) {
                static_cast<QWidget*>(component)->setVisible(jsonToBool(value, QStringLiteral("Visible")));
            })
        .property(
            QStringLiteral("Enabled"),
            [](QObject* component, const QJsonValue& value, FormLoadContext&) {
                static_cast<QWidget*>(component)->setEnabled(jsonToBool(value, QStringLiteral("Enabled")));
            })
        .property(
            QStringLiteral("Hint"),
            [](QObject* component, const QJsonValue& value, FormLoadContext&) {
                static_cast<QWidget*>(component)->setToolTip(jsonToString(value, QStringLiteral("Hint")));
            })
        .property(QStringLiteral("ShowHint"), acceptDesignTimeChoice)
        .property(QStringLiteral("ParentFont"), acceptDesignTimeChoice)
        .property(QStringLiteral("ParentColor"), acceptDesignTimeChoice)
        .property(QStringLiteral("TabOrder"),
                  [](QObject* component, const QJsonValue& value, FormLoadContext&) {
                      // The loader chains the focus order from these once every control exists.
                      component->setProperty("TabOrder", jsonToInt(value, QStringLiteral("TabOrder")));
                  })
        .property(QStringLiteral("TabStop"),
                  [](QObject* component, const QJsonValue& value, FormLoadContext&) {
                      auto* widget = static_cast<QWidget*>(component);
                      if (!jsonToBool(value, QStringLiteral("TabStop")))
                          widget->setFocusPolicy(Qt::FocusPolicy(widget->focusPolicy() & ~Qt::TabFocus));
                  })
        .property(QStringLiteral("Color"), setColor)
        .property(QStringLiteral("Font"), setFont)
        .property(QStringLiteral("Tag"), [](QObject* component, const QJsonValue& value, FormLoadContext&) {
            setTagOf(component, jsonToInt(value, QStringLiteral("Tag")));
        });
    return cls;
}

}  // namespace zrm::ui
