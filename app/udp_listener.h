#pragma once

#include "app/operator_settings.h"
#include "transport/udp_server.h"

namespace zorva::app {

// IdUDPServer1 as the integration core sees it.
class UdpListener final : public Listener {
public:
    explicit UdpListener(transport::UdpServer& server) : m_server(server) {}
    void setDefaultPort(std::int32_t port) override { m_server.setDefaultPort(port); }
    void setActive(bool active) override { m_server.setActive(active); }

private:
    transport::UdpServer& m_server;
};

} // namespace zorva::app
