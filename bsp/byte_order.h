// Little-endian to host byte order for the level file's fields.
//
// No state. On a little-endian host every function returns its argument
// unchanged; on a big-endian host it swaps the bytes.
#pragma once

#include <cstdint>

// One 16-bit field as stored in the file, in host order.
int16_t FromLittle16(int16_t value);
// One 32-bit integer field as stored in the file, in host order.
int32_t FromLittle32(int32_t value);
// One 32-bit float field as stored in the file, in host order.
float FromLittleFloat(float value);
