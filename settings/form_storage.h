#pragma once

#include "settings/component_registry.h"

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace zorva::platform {
class IniFile;
}

namespace zorva::settings {

enum class FormPlacementOption { fpState, fpPosition, fpActiveControl };
using FormPlacementOptions = std::set<FormPlacementOption>;

// Keeps chosen properties of a window's components in one section of an INI file: restores
// them whenever the window is shown and saves them when it closes. Attaches itself to the
// owner's show, close-query and destroy events in loaded() and calls the handlers that it
// displaced after its own work.
//
// The window's placement (Options) is the window's own business: this store keeps the setting
// but reads and writes no placement, which with the empty Options of this program is the same.
class FormStorage : public Component {
public:
    FormStorage(ComponentRegistry& owner, std::string name);
    ~FormStorage() override;

    const std::string& IniFileName() const { return m_iniFileName; }
    void setIniFileName(std::string path) { m_iniFileName = std::move(path); }
    const std::string& IniSection() const { return m_iniSection; }
    void setIniSection(std::string section) { m_iniSection = std::move(section); }
    const FormPlacementOptions& Options() const { return m_options; }
    void setOptions(FormPlacementOptions options) { m_options = std::move(options); }
    std::int32_t Version() const { return m_version; }
    void setVersion(std::int32_t version) { m_version = version; }
    bool Active() const { return m_active; }
    void setActive(bool active) { m_active = active; }
    // Entries "Component.Property". Once loaded, the list holds only the entries that bound.
    const std::vector<std::string>& StoredProps() const { return m_storedProps; }
    void setStoredProps(std::vector<std::string> entries);

    // The section used: IniSection, or the owner's class name when that is empty.
    std::string sectionName() const;

    // Called once the window and all its components exist.
    void loaded();

    void restoreFormPlacement();
    void saveFormPlacement();

    bool restored() const { return m_restored; }
    bool saved() const { return m_saved; }
    bool destroying() const { return m_destroying; }

private:
    struct Binding {
        Component* component;
        std::string property;
    };

    void bindStoredProps();
    void restoreEntry(const platform::IniFile& ini, const std::string& section,
                      const Binding& binding) const;
    void formShow();
    void formCloseQuery(bool& canClose);
    void formDestroy();
    void guarded(const std::function<void()>& action) const;

    std::string m_iniFileName;
    std::string m_iniSection;
    FormPlacementOptions m_options;
    std::int32_t m_version = 0;
    bool m_active = true;
    std::vector<std::string> m_storedProps;
    std::vector<Binding> m_bindings;

    bool m_loaded = false;
    bool m_restored = false;
    bool m_saved = false;
    bool m_destroying = false;
    std::function<void()> m_ownerShow;
    std::function<void(bool&)> m_ownerCloseQuery;
    std::function<void()> m_ownerDestroy;
};

} // namespace zorva::settings
