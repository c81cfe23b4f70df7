#include "settings/form_storage.h"

#include "platform/ansi_text.h"
#include "platform/ini_file.h"
#include "platform/number_text.h"

#include <utility>

namespace zorva::settings {

using platform::IniFile;

namespace {

// Every character whose code is 32 or less.
std::string trimControls(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return std::string(s);
}

std::int32_t integerFromText(std::string_view text) {
    std::int32_t value = 0;
    return platform::tryStrToInt32(trimControls(text), value) ? value : 0;
}

std::string valueText(const Property& property) {
    const PropertyValue value = property.value();
    switch (property.kind()) {
    case PropertyKind::Integer:
        return std::to_string(std::get<std::int32_t>(value));
    case PropertyKind::Text:
        return std::get<std::string>(value);
    case PropertyKind::Flag:
        return std::get<bool>(value) ? "True" : "False";
    }
    return {};
}

// A read removes one pair of matching quotes around a value, so a value that has such a pair
// of its own is written inside one more.
std::string quoted(std::string text) {
    if (!text.empty() && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front())
        return '"' + text + '"';
    return text;
}

constexpr std::string_view versionKey = "FormVersion";

} // namespace

FormStorage::FormStorage(ComponentRegistry& owner, std::string name)
    : Component(owner, std::move(name)) {}

FormStorage::~FormStorage() {
    if (!m_loaded)
        return;
    owner().onShow = std::move(m_ownerShow);
    owner().onCloseQuery = std::move(m_ownerCloseQuery);
    owner().onDestroy = std::move(m_ownerDestroy);
}

void FormStorage::setStoredProps(std::vector<std::string> entries) {
    m_storedProps = std::move(entries);
    if (m_loaded)
        bindStoredProps();
}

std::string FormStorage::sectionName() const {
    return m_iniSection.empty() ? owner().className() : m_iniSection;
}

void FormStorage::loaded() {
    if (m_loaded)
        return;
    m_loaded = true;
    ComponentRegistry& form = owner();
    m_ownerShow = std::exchange(form.onShow, [this] { formShow(); });
    m_ownerCloseQuery =
        std::exchange(form.onCloseQuery, [this](bool& canClose) { formCloseQuery(canClose); });
    m_ownerDestroy = std::exchange(form.onDestroy, [this] { formDestroy(); });
    bindStoredProps();
}

void FormStorage::bindStoredProps() {
    std::vector<std::string> kept;
    m_bindings.clear();
    for (std::string& entry : m_storedProps) {
        const auto dot = entry.find('.');
        if (dot == std::string::npos)
            continue;
        const std::string componentName = trimControls(std::string_view(entry).substr(0, dot));
        const std::string propertyName = trimControls(std::string_view(entry).substr(dot + 1));
        if (componentName.empty() || propertyName.empty())
            continue;
        Component* component = owner().findComponent(componentName);
        if (!component)
            continue;
        m_bindings.push_back({component, propertyName});
        kept.push_back(std::move(entry));
    }
    m_storedProps = std::move(kept);
}

void FormStorage::restoreFormPlacement() {
    m_saved = false;
    const IniFile ini(m_iniFileName);
    const std::string section = sectionName();
    const std::int32_t fileVersion =
        integerFromText(ini.readString(section, versionKey, std::to_string(0)));
    if (fileVersion >= m_version) {
        m_restored = true;
        for (const Binding& binding : m_bindings) {
            try {
                restoreEntry(ini, section, binding);
            } catch (const std::exception&) {
                // One value that cannot be restored does not keep the others from it.
            }
        }
    }
    m_restored = true;
}

void FormStorage::restoreEntry(const IniFile& ini, const std::string& section,
                               const Binding& binding) const {
    const Property* property = binding.component->findProperty(binding.property);
    if (!property)
        return;
    const std::string key = binding.component->name() + "_" + property->name();
    const std::string text = trimControls(ini.readString(section, key, valueText(*property)));
    switch (property->kind()) {
    case PropertyKind::Integer: {
        std::int32_t value = 0;
        if (platform::tryStrToInt32(text, value))
            property->setValue(value);
        else if (property->ifNotInteger() == IfNotInteger::zero)
            property->setValue(std::int32_t{0});
        return;
    }
    case PropertyKind::Text:
        property->setValue(text);
        return;
    case PropertyKind::Flag:
        if (platform::sameTextIgnoreCase(text, "True"))
            property->setValue(true);
        else if (platform::sameTextIgnoreCase(text, "False"))
            property->setValue(false);
        return;
    }
}

void FormStorage::saveFormPlacement() {
    if (m_active && !m_restored)
        return;
    IniFile ini(m_iniFileName);
    const std::string section = sectionName();
    ini.writeString(section, versionKey, std::to_string(m_version));
    for (const Binding& binding : m_bindings) {
        const Property* property = binding.component->findProperty(binding.property);
        if (!property)
            continue;
        const std::string text = valueText(*property);
        if (text.empty() && property->kind() != PropertyKind::Text)
            continue;
        ini.writeString(section, binding.component->name() + "_" + property->name(),
                        quoted(trimControls(text)));
    }
    ini.close();
    m_saved = true;
}

void FormStorage::guarded(const std::function<void()>& action) const {
    try {
        action();
    } catch (const std::exception& e) {
        if (!owner().handleException)
            throw;
        owner().handleException(e);
    }
}

void FormStorage::formShow() {
    if (m_active)
        guarded([this] { restoreFormPlacement(); });
    if (m_ownerShow)
        m_ownerShow();
}

void FormStorage::formCloseQuery(bool& canClose) {
    if (m_ownerCloseQuery)
        m_ownerCloseQuery(canClose);
    if (canClose && m_active)
        guarded([this] { saveFormPlacement(); });
}

void FormStorage::formDestroy() {
    if (m_active && !m_saved) {
        m_destroying = true;
        try {
            guarded([this] { saveFormPlacement(); });
        } catch (...) {
            m_destroying = false;
            throw;
        }
        m_destroying = false;
    }
    if (m_ownerDestroy)
        m_ownerDestroy();
}

} // namespace zorva::settings
