#include "settings/component_registry.h"

#include "platform/ansi_text.h"

namespace zorva::settings {

Property::Property(std::string name, PropertyKind kind, std::function<PropertyValue()> get,
                   std::function<void(const PropertyValue&)> set)
    : m_name(std::move(name)), m_kind(kind), m_get(std::move(get)), m_set(std::move(set)) {}

Property Property::integer(std::string name, std::function<std::int32_t()> get,
                           std::function<void(std::int32_t)> set, IfNotInteger ifNotInteger) {
    Property property(
        std::move(name), PropertyKind::Integer, [get = std::move(get)] { return get(); },
        [set = std::move(set)](const PropertyValue& v) { set(std::get<std::int32_t>(v)); });
    property.m_ifNotInteger = ifNotInteger;
    return property;
}

Property Property::text(std::string name, std::function<std::string()> get,
                        std::function<void(const std::string&)> set) {
    return Property(
        std::move(name), PropertyKind::Text, [get = std::move(get)] { return get(); },
        [set = std::move(set)](const PropertyValue& v) { set(std::get<std::string>(v)); });
}

Property Property::flag(std::string name, std::function<bool()> get, std::function<void(bool)> set,
                        std::function<void()> onClick) {
    return Property(
        std::move(name), PropertyKind::Flag, [get] { return get(); },
        [get, set = std::move(set), onClick = std::move(onClick)](const PropertyValue& v) {
            const bool checked = std::get<bool>(v);
            if (get() == checked)
                return;
            set(checked);
            if (onClick)
                onClick();
        });
}

Component::Component(ComponentRegistry& owner, std::string name)
    : m_owner(&owner), m_name(std::move(name)) {}

Component& Component::addProperty(Property property) {
    m_properties.push_back(std::move(property));
    return *this;
}

const Property* Component::findProperty(std::string_view name) const {
    for (const Property& p : m_properties)
        if (platform::sameTextIgnoreCase(p.name(), name))
            return &p;
    return nullptr;
}

ComponentRegistry::ComponentRegistry(std::string name, std::string className)
    : m_name(std::move(name)), m_className(std::move(className)) {}

// Components go before the event slots and in reverse order of creation, so that a component
// can still reach its owner while it is destroyed.
ComponentRegistry::~ComponentRegistry() {
    while (!m_components.empty())
        m_components.pop_back();
}

Component* ComponentRegistry::findComponent(std::string_view name) const {
    for (const auto& c : m_components)
        if (platform::sameTextIgnoreCase(c->name(), name))
            return c.get();
    return nullptr;
}

void ComponentRegistry::notifyShow() {
    if (onShow)
        onShow();
}

bool ComponentRegistry::queryClose() {
    bool canClose = true;
    if (onCloseQuery)
        onCloseQuery(canClose);
    return canClose;
}

void ComponentRegistry::notifyDestroy() {
    if (onDestroy)
        onDestroy();
}

} // namespace zorva::settings
