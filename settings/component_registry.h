#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zorva::settings {

enum class PropertyKind { Integer, Text, Flag };

// Integer, ANSI text or flag, by the property's kind.
using PropertyValue = std::variant<std::int32_t, std::string, bool>;

// What a restore does with stored text that is no integer: assign 0, or leave the control's
// value as it is.
enum class IfNotInteger { zero, keepValue };

// A published property of a component: read and assigned through the control's own getter
// and setter, so that assigning has the side effects that the control's setter has.
class Property {
public:
    static Property integer(std::string name, std::function<std::int32_t()> get,
                            std::function<void(std::int32_t)> set,
                            IfNotInteger ifNotInteger = IfNotInteger::zero);
    static Property text(std::string name, std::function<std::string()> get,
                         std::function<void(const std::string&)> set);
    // A check box's state. Assigning a state other than the current one runs the click
    // handler afterwards, as a click by the operator would; assigning the same state runs
    // nothing.
    static Property flag(std::string name, std::function<bool()> get, std::function<void(bool)> set,
                         std::function<void()> onClick = {});

    const std::string& name() const { return m_name; }
    PropertyKind kind() const { return m_kind; }
    IfNotInteger ifNotInteger() const { return m_ifNotInteger; }
    PropertyValue value() const { return m_get(); }
    // Raises std::bad_variant_access when the value is not of the property's kind.
    void setValue(const PropertyValue& value) const { m_set(value); }

private:
    Property(std::string name, PropertyKind kind, std::function<PropertyValue()> get,
             std::function<void(const PropertyValue&)> set);

    std::string m_name;
    PropertyKind m_kind;
    IfNotInteger m_ifNotInteger = IfNotInteger::zero;
    std::function<PropertyValue()> m_get;
    std::function<void(const PropertyValue&)> m_set;
};

class ComponentRegistry;

// A named component of a window, with the properties it publishes.
class Component {
public:
    Component(ComponentRegistry& owner, std::string name);
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;
    virtual ~Component() = default;

    ComponentRegistry& owner() const { return *m_owner; }
    const std::string& name() const { return m_name; }

    Component& addProperty(Property property);
    // Property names are compared without regard to letter case.
    const Property* findProperty(std::string_view name) const;

private:
    ComponentRegistry* m_owner;
    std::string m_name;
    std::vector<Property> m_properties;
};

// A window as the settings store sees it, without any toolkit: its component name and class
// name, the components it owns, found by name, and the three window events the settings store
// attaches to. The window calls notifyShow, queryClose and notifyDestroy from its own events.
class ComponentRegistry {
public:
    ComponentRegistry(std::string name, std::string className);
    ComponentRegistry(const ComponentRegistry&) = delete;
    ComponentRegistry& operator=(const ComponentRegistry&) = delete;
    ~ComponentRegistry();

    const std::string& name() const { return m_name; }
    const std::string& className() const { return m_className; }

    template <class T = Component, class... Args> T& add(std::string name, Args&&... args) {
        auto component = std::make_unique<T>(*this, std::move(name), std::forward<Args>(args)...);
        T& added = *component;
        m_components.push_back(std::move(component));
        return added;
    }
    // Component names are compared without regard to letter case; the first one counts.
    Component* findComponent(std::string_view name) const;

    void notifyShow();
    // True when the window may close.
    bool queryClose();
    void notifyDestroy();

    std::function<void()> onShow;
    std::function<void(bool& canClose)> onCloseQuery;
    std::function<void()> onDestroy;
    // The application's standard error box, for failures inside these events. Without one,
    // the failure goes on to the caller.
    std::function<void(const std::exception&)> handleException;

private:
    std::string m_name;
    std::string m_className;
    std::vector<std::unique_ptr<Component>> m_components;
};

} // namespace zorva::settings
