#pragma once

#include <string>
#include <vector>

namespace zorva::settings {

// The main window's values that survive a restart, in the order they are saved. The port, the
// hide-at-start-up choice and the allowed senders come last: an operator who changes them
// expects them to stay.
inline std::vector<std::string> mainWindowStoredProps() {
    return {
        "ComboBoxEMD_KartTipi.ItemIndex",  "EditZorvakilt_EMD_R1.Text",
        "EditZorvakilt_EMD_R2.Text",       "EditZorvakilt_EMD_R3.Text",
        "EditZorvakilt_EMD_R4.Text",       "SpinEdit_EMD_CalismaSektoru.Value",
        "SpinEdit_EMD_GenelSektor1.Value", "SpinEdit_EMD_GenelSektor2.Value",
        "SpinEdit_EMD_GKKSektor.Value",    "SpinEdit_EMD_KNKSektor1.Value",
        "SpinEdit_EMD_KNKSektor2.Value",   "SpinEdit_EMD_KulSektor1.Value",
        "CheckBoxWAcilis.Checked",         "CurrencyEditUDP.Value",
        "CheckBoxAutoGizle.Checked",       "EditIzinliGonderenler.Text",
    };
}

} // namespace zorva::settings
