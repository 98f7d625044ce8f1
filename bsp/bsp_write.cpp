// Writing level files (see bsp_write.h).
#include "bsp/bsp_write.h"

#include <cstring>

// The bytes of a record array, as a lump holds them.
template <typename T> static std::vector<uint8_t> RecordBytes(const std::vector<T>& records) {
    std::vector<uint8_t> bytes(records.size() * sizeof(T));
    if (!bytes.empty()) {
        std::memcpy(bytes.data(), records.data(), bytes.size());
    }
    return bytes;
}

static void PutWord(std::vector<uint8_t>& bytes, size_t at, int32_t value) {
    std::memcpy(bytes.data() + at, &value, 4);
}

std::vector<uint8_t> AssembleBspFile(int32_t version,
                                     const std::vector<uint8_t> (&lumps)[BspLumpCount]) {
    std::vector<uint8_t> file(BspHeaderSize);
    PutWord(file, 0, version);
    for (int i = 0; i < BspLumpCount; ++i) {
        while (file.size() % 4 != 0) {
            file.push_back(0);
        }
        PutWord(file, 4 + 8 * static_cast<size_t>(i), static_cast<int32_t>(file.size()));
        PutWord(file, 8 + 8 * static_cast<size_t>(i), static_cast<int32_t>(lumps[i].size()));
        file.insert(file.end(), lumps[i].begin(), lumps[i].end());
    }
    return file;
}

void RecordLumps(const BspRecords& records, std::vector<uint8_t> (&lumps)[BspLumpCount]) {
    lumps[LumpEntities].assign(records.entities.begin(), records.entities.end());
    if (!records.entities.empty()) {
        lumps[LumpEntities].push_back(0);
    }
    lumps[LumpPlanes] = RecordBytes(records.planes);
    lumps[LumpTextures] = records.textureData;
    lumps[LumpVertexes] = RecordBytes(records.vertexes);
    lumps[LumpVisibility] = records.visData;
    lumps[LumpNodes] = RecordBytes(records.nodes);
    lumps[LumpTexInfo] = RecordBytes(records.texInfo);
    lumps[LumpFaces] = RecordBytes(records.faces);
    lumps[LumpLighting] = records.lightData;
    lumps[LumpClipNodes] = RecordBytes(records.clipNodes);
    lumps[LumpLeafs] = RecordBytes(records.leafs);
    lumps[LumpMarkSurfaces] = RecordBytes(records.markSurfaces);
    lumps[LumpEdges] = RecordBytes(records.edges);
    lumps[LumpSurfEdges] = RecordBytes(records.surfEdges);
    lumps[LumpModels] = RecordBytes(records.models);
}
