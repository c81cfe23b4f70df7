#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zorva::app {

// What the operator has set on the window, read at the moment each step needs it.
class OperatorSettings {
public:
    virtual ~OperatorSettings() = default;

    // ComboBoxEMD_KartTipi: the selected item counted from 0, or -1 when none is selected.
    virtual int cardTypeIndex() const = 0;
    // EditZorvakilt_EMD_R1 to EditZorvakilt_EMD_R4, as ANSI text.
    virtual std::array<std::string, 4> authCodeParts() const = 0;
    // The seven card sector spin edits in the order the encoder takes them; an empty or
    // non-numeric text counts as the edit's minimum.
    virtual std::array<std::int32_t, 7> sectors() const = 0;
    // CurrencyEditUDP.
    virtual double port() const = 0;
    // CheckBoxAutoGizle.
    virtual bool hideAtStartup() const = 0;
    // EditIzinliGonderenler: the senders whose check-ins are taken; empty for every sender.
    virtual std::string allowedSenders() const { return {}; }
};

// What the integration core needs of the UDP listener IdUDPServer1.
class Listener {
public:
    virtual ~Listener() = default;
    virtual void setDefaultPort(std::int32_t port) = 0;
    // Raises the listener's failure (a bind failure, a socket error) to the caller.
    virtual void setActive(bool active) = 0;
};

} // namespace zorva::app
