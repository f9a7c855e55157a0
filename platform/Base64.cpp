#include "platform/Base64.h"

#include <array>
#include <cstdint>

namespace qm {

namespace {

constexpr std::uint8_t Invalid = 0x80;

constexpr std::array<std::uint8_t, 256> Values = [] {
    std::array<std::uint8_t, 256> values {};
    values.fill(Invalid);
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (int i = 0; i < 64; ++i)
        values[std::uint8_t(alphabet[i])] = std::uint8_t(i);
    return values;
}();

} // namespace

QByteArray DecodeBase64(QByteArrayView text)
{
    const qsizetype size = text.size();
    const auto fallback = [&] { return QByteArray::fromBase64(text.toByteArray()); };
    if (size % 4 != 0)
        return fallback();
    if (size == 0)
        return {};
    const auto* in = reinterpret_cast<const std::uint8_t*>(text.data());
    const int padding = (in[size - 1] == '=') + (in[size - 2] == '=');
    QByteArray out(size / 4 * 3 - padding, Qt::Uninitialized);
    auto* to = reinterpret_cast<std::uint8_t*>(out.data());
    const qsizetype whole = padding ? size - 4 : size;
    std::uint8_t bad = 0;
    for (qsizetype i = 0; i < whole; i += 4) {
        const std::uint8_t a = Values[in[i]], b = Values[in[i + 1]], c = Values[in[i + 2]], d = Values[in[i + 3]];
        bad |= a | b | c | d;
        const std::uint32_t v = std::uint32_t(a) << 18 | std::uint32_t(b) << 12 | std::uint32_t(c) << 6 | d;
        to[0] = std::uint8_t(v >> 16);
        to[1] = std::uint8_t(v >> 8);
        to[2] = std::uint8_t(v);
        to += 3;
    }
    if (padding) {
        const std::uint8_t a = Values[in[size - 4]], b = Values[in[size - 3]];
        const std::uint8_t c = padding == 2 ? 0 : Values[in[size - 2]];
        bad |= a | b | c;
        const std::uint32_t v = std::uint32_t(a) << 18 | std::uint32_t(b) << 12 | std::uint32_t(c) << 6;
        to[0] = std::uint8_t(v >> 16);
        if (padding == 1)
            to[1] = std::uint8_t(v >> 8);
    }
    return (bad & Invalid) ? fallback() : out;
}

} // namespace qm
