// Writing level files: the inverse of LoadBSPFile's lump table, for the data
// generator and for tests that build small levels in code.
//
// No state. A written file is the 124-byte header followed by the lumps in
// index order, each starting on a four-byte boundary. Records are copied as
// they lie in memory, which is the file's little-endian order on the hosts
// this program builds for.
#pragma once

#include "bsp/bsp_file.h"

#include <cstdint>
#include <cstring>
#include <vector>

// The bytes of a record array, as a lump holds them.
template <typename T> std::vector<uint8_t> RecordBytes(const std::vector<T>& records) {
    std::vector<uint8_t> bytes(records.size() * sizeof(T));
    if (!bytes.empty()) {
        std::memcpy(bytes.data(), records.data(), bytes.size());
    }
    return bytes;
}

// A whole level file: header with version and lump table, then every lump.
std::vector<uint8_t> AssembleBspFile(int32_t version,
                                     const std::vector<uint8_t> (&lumps)[BspLumpCount]);
