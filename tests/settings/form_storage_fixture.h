#pragma once

#include "platform/number_text.h"
#include "settings/form_storage.h"
#include "settings/main_window_settings.h"
#include "tests/support/temp_directory.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace zorva::settings::test {

constexpr std::array sectorNames = {"CalismaSektoru", "GenelSektor1", "GenelSektor2", "GKKSektor",
                                    "KNKSektor1",     "KNKSektor2",   "KulSektor1"};

// The stored controls of the main window, with the setters' behaviour of the real ones: the
// card type list has six entries, a spin edit keeps text, the port edit keeps a number and
// keeps it when the stored one is no integer.
struct StandInMainWindow {
    explicit StandInMainWindow(const std::string& iniPath,
                               std::vector<std::string> storedProps = mainWindowStoredProps()) {
        form.add("ComboBoxEMD_KartTipi")
            .addProperty(Property::integer(
                "ItemIndex", [this] { return cardType; },
                [this](std::int32_t i) { cardType = i >= 0 && i <= 5 ? i : -1; }));
        for (std::size_t i = 0; i < code.size(); ++i)
            form.add("EditZorvakilt_EMD_R" + std::to_string(i + 1))
                .addProperty(Property::text(
                    "Text", [this, i] { return code[i]; },
                    [this, i](const std::string& t) { code[i] = t; }));
        for (const char* sector : sectorNames) {
            sectorText[sector] = "0";
            form.add(std::string("SpinEdit_EMD_") + sector)
                .addProperty(Property::integer(
                    "Value",
                    [this, sector] {
                        std::int32_t v = 0;
                        return platform::tryStrToInt32(sectorText[sector], v) ? v : 0;
                    },
                    [this, sector](std::int32_t v) { sectorText[sector] = std::to_string(v); }));
        }
        form.add("CurrencyEditUDP")
            .addProperty(Property::integer(
                "Value", [this] { return static_cast<std::int32_t>(std::lround(port)); },
                [this](std::int32_t v) { port = v; }, IfNotInteger::keepValue));
        form.add("CheckBoxWAcilis")
            .addProperty(Property::flag(
                "Checked", [this] { return autorun; }, [this](bool c) { autorun = c; },
                [this] { CheckBoxWAcilisClick(); }));
        form.add("CheckBoxAutoGizle")
            .addProperty(Property::flag(
                "Checked", [this] { return autoHide; }, [this](bool c) { autoHide = c; }));
        form.handleException = [this](const std::exception& e) { errors.push_back(e.what()); };

        storage.setStoredProps(std::move(storedProps));
        storage.setIniFileName(iniPath);
        storage.loaded();
    }

    void CheckBoxWAcilisClick() {
        ++autorunClicks;
        if (clickFails)
            throw std::runtime_error("registry refused");
    }

    ComponentRegistry form{"AnaF", "TAnaF"};
    FormStorage& storage = form.add<FormStorage>("JvFormStorage1");
    std::int32_t cardType = 1;
    std::array<std::string, 4> code;
    std::map<std::string, std::string> sectorText;
    double port = 4040;
    bool autorun = false;
    bool autoHide = false;
    int autorunClicks = 0;
    bool clickFails = false;
    std::vector<std::string> errors;
};

class FormStorageTest : public ::testing::Test {
protected:
    std::string iniPath() const { return m_dir.file("AnaF_JvFormStorage1.ini"); }
    zorva::testing::TempDirectory m_dir;
};

} // namespace zorva::settings::test
