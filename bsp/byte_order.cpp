// Little-endian to host byte order for the level file's fields.
#include "bsp/byte_order.h"

#include <bit>

int16_t FromLittle16(int16_t value) {
    if constexpr (std::endian::native == std::endian::little) {
        return value;
    }
    auto bits = static_cast<uint16_t>(value);
    return static_cast<int16_t>(static_cast<uint16_t>((bits >> 8) | (bits << 8)));
}

int32_t FromLittle32(int32_t value) {
    if constexpr (std::endian::native == std::endian::little) {
        return value;
    }
    auto bits = static_cast<uint32_t>(value);
    bits = (bits >> 24) | ((bits >> 8) & 0xFF00u) | ((bits << 8) & 0xFF0000u) | (bits << 24);
    return static_cast<int32_t>(bits);
}

float FromLittleFloat(float value) {
    if constexpr (std::endian::native == std::endian::little) {
        return value;
    }
    return std::bit_cast<float>(FromLittle32(std::bit_cast<int32_t>(value)));
}
