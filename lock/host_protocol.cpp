#include "lock/host_protocol.h"

#include <algorithm>

namespace zorva::lock::protocol {

namespace {

class Writer {
public:
    explicit Writer(std::vector<std::uint8_t>& out) : m_out(out) {}
    void byte(std::uint8_t b) { m_out.push_back(b); }
    void u16(std::uint16_t v) {
        byte(static_cast<std::uint8_t>(v));
        byte(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void bytes(std::span<const std::uint8_t> b) { m_out.insert(m_out.end(), b.begin(), b.end()); }

private:
    std::vector<std::uint8_t>& m_out;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> in) : m_in(in) {}
    std::uint8_t byte() { return m_in[m_at++]; }
    std::uint16_t u16() {
        const std::uint16_t low = byte();
        return static_cast<std::uint16_t>(low | byte() << 8);
    }
    std::uint32_t u32() {
        const std::uint32_t low = u16();
        return low | static_cast<std::uint32_t>(u16()) << 16;
    }
    template <std::size_t N> void bytes(std::array<std::uint8_t, N>& out) {
        std::copy_n(m_in.begin() + static_cast<std::ptrdiff_t>(m_at), N, out.begin());
        m_at += N;
    }

private:
    std::span<const std::uint8_t> m_in;
    std::size_t m_at = 0;
};

bool namesACall(std::uint8_t call) {
    return call >= static_cast<std::uint8_t>(Call::InitializeSystem) &&
           call <= static_cast<std::uint8_t>(Call::BeepFailure);
}

} // namespace

const char* functionName(Call call) {
    switch (call) {
    case Call::InitializeSystem:
        return "LV4_InitializeSystem";
    case Call::SetAuthCode:
        return "LV4_SetAuthCode";
    case Call::IssueGuestCard:
        return "LV4_IssueGuestCard";
    case Call::FreeSystem:
        return "LV4_FreeSystem";
    case Call::BeepOk:
        return "LV4_BeepOk";
    case Call::BeepFailure:
        return "LV4_BeepFailure";
    }
    return "";
}

std::optional<std::size_t> payloadSize(std::uint8_t call) {
    switch (call) {
    case static_cast<std::uint8_t>(Call::InitializeSystem):
        return 2;
    case static_cast<std::uint8_t>(Call::SetAuthCode):
        return 16 + 14 * 4;
    case static_cast<std::uint8_t>(Call::IssueGuestCard):
        return 4 + 8 + 2 + 3 + 12 + 12 + 11 + 7 + 4;
    case static_cast<std::uint8_t>(Call::FreeSystem):
    case static_cast<std::uint8_t>(Call::BeepOk):
    case static_cast<std::uint8_t>(Call::BeepFailure):
        return 0;
    default:
        return std::nullopt;
    }
}

std::vector<std::uint8_t> encode(const Request& r) {
    std::vector<std::uint8_t> out;
    Writer w(out);
    w.byte(static_cast<std::uint8_t>(r.call));
    w.u32(r.sequence);
    switch (r.call) {
    case Call::InitializeSystem:
        w.u16(static_cast<std::uint16_t>(r.cardType));
        break;
    case Call::SetAuthCode:
        w.bytes(r.authCode);
        for (std::int32_t s : r.sectors)
            w.u32(static_cast<std::uint32_t>(s));
        break;
    case Call::IssueGuestCard:
        w.bytes(r.card.lockAddress);
        w.bytes(r.card.buffer2);
        w.u16(static_cast<std::uint16_t>(r.card.buffer3[0]));
        w.bytes(r.card.buffer4);
        w.bytes(r.card.checkIn);
        w.bytes(r.card.checkOut);
        w.bytes(r.card.buffer7);
        w.bytes(r.card.buffer8);
        w.u32(static_cast<std::uint32_t>(r.card.flags));
        break;
    case Call::FreeSystem:
    case Call::BeepOk:
    case Call::BeepFailure:
        break;
    }
    return out;
}

std::optional<Request> decode(std::span<const std::uint8_t, headerSize> header,
                              std::span<const std::uint8_t> payload) {
    const auto size = payloadSize(header[0]);
    if (!size || payload.size() != *size)
        return std::nullopt;
    Request r;
    Reader h(header);
    r.call = static_cast<Call>(h.byte());
    r.sequence = h.u32();
    Reader p(payload);
    switch (r.call) {
    case Call::InitializeSystem:
        r.cardType = static_cast<std::int16_t>(p.u16());
        break;
    case Call::SetAuthCode:
        p.bytes(r.authCode);
        for (std::int32_t& s : r.sectors)
            s = static_cast<std::int32_t>(p.u32());
        break;
    case Call::IssueGuestCard:
        p.bytes(r.card.lockAddress);
        p.bytes(r.card.buffer2);
        r.card.buffer3[0] = static_cast<std::int16_t>(p.u16());
        p.bytes(r.card.buffer4);
        p.bytes(r.card.checkIn);
        p.bytes(r.card.checkOut);
        p.bytes(r.card.buffer7);
        p.bytes(r.card.buffer8);
        r.card.flags = static_cast<std::int32_t>(p.u32());
        break;
    case Call::FreeSystem:
    case Call::BeepOk:
    case Call::BeepFailure:
        break;
    }
    return r;
}

std::array<std::uint8_t, answerSize> encode(const Answer& a) {
    std::vector<std::uint8_t> out;
    Writer w(out);
    w.byte(static_cast<std::uint8_t>(a.call));
    w.u32(a.sequence);
    w.u16(static_cast<std::uint16_t>(a.result));
    std::array<std::uint8_t, answerSize> bytes{};
    std::copy(out.begin(), out.end(), bytes.begin());
    return bytes;
}

std::optional<Answer> decodeAnswer(std::span<const std::uint8_t, answerSize> bytes) {
    if (!namesACall(bytes[0]))
        return std::nullopt;
    Reader r(bytes);
    Answer a;
    a.call = static_cast<Call>(r.byte());
    a.sequence = r.u32();
    a.result = static_cast<std::int16_t>(r.u16());
    return a;
}

std::vector<std::uint8_t> encode(const HelloAnswer& a) {
    const std::size_t length = std::min<std::size_t>(a.text.size(), 0xffff);
    std::vector<std::uint8_t> out;
    out.reserve(helloAnswerSize + length);
    Writer w(out);
    w.bytes(std::span(hello).first(3));
    w.byte(a.version);
    w.byte(static_cast<std::uint8_t>(a.readiness));
    w.u16(static_cast<std::uint16_t>(length));
    for (std::size_t i = 0; i < length; ++i)
        w.byte(static_cast<std::uint8_t>(a.text[i]));
    return out;
}

std::optional<HelloAnswer> decodeHelloAnswer(std::span<const std::uint8_t, helloAnswerSize> bytes,
                                             std::size_t& textLength) {
    if (bytes[0] != hello[0] || bytes[1] != hello[1] || bytes[2] != hello[2] || bytes[4] > 2)
        return std::nullopt;
    Reader r(bytes);
    r.u32(); // "ZLH" and the version
    HelloAnswer a;
    a.version = bytes[3];
    a.readiness = static_cast<Readiness>(r.byte());
    textLength = r.u16();
    return a;
}

} // namespace zorva::lock::protocol
