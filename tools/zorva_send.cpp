// zorva-send: sends check-in datagrams to the bridge, for an integrator trying it without a
// front office, and for the load tests and benchmarks.

#include "tools/paced_sending.h"
#include "tools/send_options.h"
#include "tools/udp_sender.h"

#include <chrono>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int exitSent = 0;
constexpr int exitSendFailed = 1;
constexpr int exitBadOptions = 2;

// Long enough for the system to report that nothing listens on loopback or a near network.
constexpr std::chrono::milliseconds deliveryCheck{50};

} // namespace

int main(int argc, char* argv[]) {
    using namespace zorva::tools;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedOptions parsed = parseSendOptions(args);
    if (!parsed.options) {
        std::cerr << "zorva-send: " << parsed.error << "\n"
                  << "Try 'zorva-send --help' for more information.\n";
        return exitBadOptions;
    }
    const SendOptions& options = *parsed.options;
    if (options.help) {
        std::cout << usageText();
        return exitSent;
    }

    std::vector<std::string> datagrams;
    try {
        datagrams = buildDatagrams(options);
    } catch (const std::exception& e) {
        std::cerr << "zorva-send: " << e.what() << "\n";
        return exitBadOptions;
    }

    try {
        UdpSender sender(options.host, options.port, options.from);
        const SendTotals totals = sendPaced(datagrams, options.count, options.rate,
                                            [&](std::string_view d) { sender.send(d); });
        sender.checkDelivery(deliveryCheck);
        if (!options.quiet)
            std::cout << "zorva-send: sent " << totals.datagrams
                      << (totals.datagrams == 1 ? " datagram (" : " datagrams (") << totals.bytes
                      << " bytes) to " << sender.target() << "\n";
    } catch (const std::exception& e) {
        std::cerr << "zorva-send: " << e.what() << "\n";
        return exitSendFailed;
    }
    return exitSent;
}
