// The level file loader: lumps into BspData, byte order, and the load-time
// checks that make the store safe to follow.
#include "bsp/bsp_file.h"

#include "bsp/bsp_check.h"
#include "bsp/byte_order.h"
#include "shell/fatal.h"

#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

BspLevel BspData;

// The file being loaded, valid only inside LoadBSPFile (a load that ended in
// FatalError through a hook leaves it for the next load to release).
static uint8_t* FileBuffer;
static int32_t FileLength;
static BspHeader Header;

int32_t ReadWholeFile(const char* path, uint8_t** buffer) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        FatalError("Error opening %s: %s", path, std::strerror(errno));
    }
    std::fseek(file, 0, SEEK_END);
    long length = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    // Lump offsets are 32-bit, so a longer file cannot be a level; a folder
    // opens but has no length.
    if (length < 0 || length >= INT32_MAX) {
        std::fclose(file);
        FatalError("File read failure");
    }
    auto* data = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(length) + 1));
    assert(data != nullptr);
    data[length] = 0;
    size_t read = std::fread(data, 1, static_cast<size_t>(length), file);
    std::fclose(file);
    if (read != static_cast<size_t>(length)) {
        std::free(data);
        FatalError("File read failure");
    }
    *buffer = data;
    return static_cast<int32_t>(length);
}

int32_t LumpCount(int lump, int32_t elementSize) {
    return Header.lumps[lump].length / elementSize;
}

int32_t CopyLumpData(int lump, void* destination, int32_t elementSize) {
    const BspLump& entry = Header.lumps[lump];
    if (entry.length % elementSize != 0) {
        FatalError("LoadBSPFile: odd lump size");
    }
    if (entry.length > 0) {
        std::memcpy(destination, FileBuffer + entry.offset, static_cast<size_t>(entry.length));
    }
    return entry.length / elementSize;
}

namespace {

struct LumpRule {
    int lump;
    int32_t elementSize;
    int32_t maximum; // inclusive
    const char* message;
};

// Load order and limits of the lumps.
constexpr LumpRule LumpRules[BspLumpCount] = {
    {LumpModels, sizeof(BspModel), 256, "invalid number of models"},
    {LumpVertexes, sizeof(BspVertex), 65535, "invalid number of vertexes"},
    {LumpPlanes, sizeof(BspPlane), 8192, "invalid number of planes"},
    {LumpLeafs, sizeof(BspLeaf), 32767, "invalid number of leafs"},
    {LumpNodes, sizeof(BspNode), 32767, "invalid number of nodes"},
    {LumpTexInfo, sizeof(BspTexInfo), 4096, "invalid number of texinfos"},
    {LumpClipNodes, sizeof(BspClipNode), 32767, "invalid number of clip nodes"},
    {LumpFaces, sizeof(BspFace), 65535, "invalid number of faces"},
    {LumpMarkSurfaces, sizeof(uint16_t), 65535, "invalid number of mark surfaces"},
    {LumpSurfEdges, sizeof(int32_t), 512000, "invalid number of surf edges"},
    {LumpEdges, sizeof(BspEdge), 256000, "invalid number of edges"},
    {LumpTextures, 1, 2097152, "invalid size of texture data"},
    {LumpVisibility, 1, 1048576, "invalid size of visibility data"},
    {LumpLighting, 1, 1048576, "invalid size of light data"},
    {LumpEntities, 1, 65536, "invalid size of entity data"},
};

// Where each lump's array and count live in BspData.
struct LumpSlot {
    void** array;
    int32_t* count;
};

LumpSlot SlotOf(int lump) {
    switch (lump) {
    case LumpEntities:
        return {reinterpret_cast<void**>(&BspData.entityData), &BspData.entityDataSize};
    case LumpPlanes:
        return {reinterpret_cast<void**>(&BspData.planes), &BspData.numPlanes};
    case LumpTextures:
        return {reinterpret_cast<void**>(&BspData.textureData), &BspData.textureDataSize};
    case LumpVertexes:
        return {reinterpret_cast<void**>(&BspData.vertexes), &BspData.numVertexes};
    case LumpVisibility:
        return {reinterpret_cast<void**>(&BspData.visData), &BspData.visDataSize};
    case LumpNodes:
        return {reinterpret_cast<void**>(&BspData.nodes), &BspData.numNodes};
    case LumpTexInfo:
        return {reinterpret_cast<void**>(&BspData.texInfo), &BspData.numTexInfo};
    case LumpFaces:
        return {reinterpret_cast<void**>(&BspData.faces), &BspData.numFaces};
    case LumpLighting:
        return {reinterpret_cast<void**>(&BspData.lightData), &BspData.lightDataSize};
    case LumpClipNodes:
        return {reinterpret_cast<void**>(&BspData.clipNodes), &BspData.numClipNodes};
    case LumpLeafs:
        return {reinterpret_cast<void**>(&BspData.leafs), &BspData.numLeafs};
    case LumpMarkSurfaces:
        return {reinterpret_cast<void**>(&BspData.markSurfaces), &BspData.numMarkSurfaces};
    case LumpEdges:
        return {reinterpret_cast<void**>(&BspData.edges), &BspData.numEdges};
    case LumpSurfEdges:
        return {reinterpret_cast<void**>(&BspData.surfEdges), &BspData.numSurfEdges};
    default:
        assert(lump == LumpModels);
        return {reinterpret_cast<void**>(&BspData.models), &BspData.numModels};
    }
}

void ReleaseLevel() {
    for (int lump = 0; lump < BspLumpCount; ++lump) {
        LumpSlot slot = SlotOf(lump);
        std::free(*slot.array);
        *slot.array = nullptr;
        *slot.count = 0;
    }
}

// Converts the lump table's count and offset words in place; the loop count
// is the converted value when reading a file and the unconverted one when
// writing. Never runs past the lump.
void ConvertMipTexTable(bool toFile) {
    if (BspData.textureDataSize < 4) {
        return;
    }
    auto* words = reinterpret_cast<int32_t*>(BspData.textureData);
    int32_t stored = words[0];
    words[0] = FromLittle32(words[0]);
    int32_t count = toFile ? stored : words[0];
    int32_t room = BspData.textureDataSize / 4 - 1;
    if (count < 0 || count > room) {
        count = count < 0 ? 0 : room;
    }
    for (int32_t i = 1; i <= count; ++i) {
        words[i] = FromLittle32(words[i]);
    }
}

} // namespace

void LoadBSPFile(const char* path) {
    ReleaseLevel();
    std::free(FileBuffer);
    FileBuffer = nullptr;
    int32_t length = ReadWholeFile(path, &FileBuffer);
    FileLength = length;
    if (length < BspHeaderSize) {
        FatalError("%s is too short to be a level", path);
    }
    std::memcpy(&Header, FileBuffer, sizeof Header);
    Header.version = FromLittle32(Header.version);
    for (BspLump& lump : Header.lumps) {
        lump.offset = FromLittle32(lump.offset);
        lump.length = FromLittle32(lump.length);
    }
    if (Header.version != BspVersion) {
        FatalError("%s is not version %i", path, BspVersion);
    }

    for (const LumpRule& rule : LumpRules) {
        int32_t count = LumpCount(rule.lump, rule.elementSize);
        if (count > rule.maximum) {
            FatalError("%s", rule.message);
        }
        // A damaged table could point anywhere: the lump must lie in the file.
        const BspLump& entry = Header.lumps[rule.lump];
        if (entry.offset < 0 || entry.length < 0 ||
            static_cast<int64_t>(entry.offset) + entry.length > FileLength) {
            FatalError("LoadBSPFile: lump %d lies outside the file", rule.lump);
        }
        // One spare byte everywhere; the entity text relies on it being zero.
        size_t bytes = static_cast<size_t>(count) * static_cast<size_t>(rule.elementSize);
        auto* array = static_cast<uint8_t*>(std::calloc(bytes + 1, 1));
        assert(array != nullptr);
        LumpSlot slot = SlotOf(rule.lump);
        *slot.array = array;
        *slot.count = CopyLumpData(rule.lump, array, rule.elementSize);
    }
    std::free(FileBuffer);
    FileBuffer = nullptr;
    FileLength = 0;

    ConvertBspByteOrder(false);
    CheckBspData();
}

void ConvertBspByteOrder(bool toFile) {
    for (int32_t i = 0; i < BspData.numModels; ++i) {
        BspModel& model = BspData.models[i];
        for (int j = 0; j < 3; ++j) {
            model.mins[j] = FromLittleFloat(model.mins[j]);
            model.maxs[j] = FromLittleFloat(model.maxs[j]);
            model.origin[j] = FromLittleFloat(model.origin[j]);
        }
        for (int32_t& head : model.headNode) {
            head = FromLittle32(head);
        }
        model.visLeafs = FromLittle32(model.visLeafs);
        model.firstFace = FromLittle32(model.firstFace);
        model.numFaces = FromLittle32(model.numFaces);
    }
    for (int32_t i = 0; i < BspData.numVertexes; ++i) {
        for (float& value : BspData.vertexes[i].position) {
            value = FromLittleFloat(value);
        }
    }
    for (int32_t i = 0; i < BspData.numPlanes; ++i) {
        BspPlane& plane = BspData.planes[i];
        for (float& value : plane.normal) {
            value = FromLittleFloat(value);
        }
        plane.dist = FromLittleFloat(plane.dist);
        plane.type = FromLittle32(plane.type);
    }
    for (int32_t i = 0; i < BspData.numTexInfo; ++i) {
        BspTexInfo& info = BspData.texInfo[i];
        for (int j = 0; j < 4; ++j) {
            info.s[j] = FromLittleFloat(info.s[j]);
            info.t[j] = FromLittleFloat(info.t[j]);
        }
        info.mipTex = FromLittle32(info.mipTex);
        info.flags = FromLittle32(info.flags);
    }
    for (int32_t i = 0; i < BspData.numFaces; ++i) {
        BspFace& face = BspData.faces[i];
        face.texInfo = FromLittle16(face.texInfo);
        face.planeNum = FromLittle16(face.planeNum);
        face.side = FromLittle16(face.side);
        face.lightOffset = FromLittle32(face.lightOffset);
        face.firstSurfEdge = FromLittle32(face.firstSurfEdge);
        face.numEdges = FromLittle16(face.numEdges);
    }
    for (int32_t i = 0; i < BspData.numNodes; ++i) {
        BspNode& node = BspData.nodes[i];
        node.planeNum = FromLittle32(node.planeNum);
        for (int j = 0; j < 3; ++j) {
            node.mins[j] = FromLittle16(node.mins[j]);
            node.maxs[j] = FromLittle16(node.maxs[j]);
        }
        node.children[0] = FromLittle16(node.children[0]);
        node.children[1] = FromLittle16(node.children[1]);
        node.firstFace = static_cast<uint16_t>(FromLittle16(static_cast<int16_t>(node.firstFace)));
        node.numFaces = static_cast<uint16_t>(FromLittle16(static_cast<int16_t>(node.numFaces)));
    }
    for (int32_t i = 0; i < BspData.numLeafs; ++i) {
        BspLeaf& leaf = BspData.leafs[i];
        leaf.contents = FromLittle32(leaf.contents);
        for (int j = 0; j < 3; ++j) {
            leaf.mins[j] = FromLittle16(leaf.mins[j]);
            leaf.maxs[j] = FromLittle16(leaf.maxs[j]);
        }
        leaf.firstMarkSurface =
            static_cast<uint16_t>(FromLittle16(static_cast<int16_t>(leaf.firstMarkSurface)));
        leaf.numMarkSurfaces =
            static_cast<uint16_t>(FromLittle16(static_cast<int16_t>(leaf.numMarkSurfaces)));
        leaf.visOffset = FromLittle32(leaf.visOffset);
    }
    for (int32_t i = 0; i < BspData.numClipNodes; ++i) {
        BspClipNode& node = BspData.clipNodes[i];
        node.planeNum = FromLittle32(node.planeNum);
        node.children[0] = FromLittle16(node.children[0]);
        node.children[1] = FromLittle16(node.children[1]);
    }
    ConvertMipTexTable(toFile);
    for (int32_t i = 0; i < BspData.numMarkSurfaces; ++i) {
        BspData.markSurfaces[i] =
            static_cast<uint16_t>(FromLittle16(static_cast<int16_t>(BspData.markSurfaces[i])));
    }
    for (int32_t i = 0; i < BspData.numSurfEdges; ++i) {
        BspData.surfEdges[i] = FromLittle32(BspData.surfEdges[i]);
    }
    for (int32_t i = 0; i < BspData.numEdges; ++i) {
        for (uint16_t& v : BspData.edges[i].v) {
            v = static_cast<uint16_t>(FromLittle16(static_cast<int16_t>(v)));
        }
    }
}

int32_t MipTexCount() {
    if (BspData.textureDataSize < 4) {
        return 0;
    }
    int32_t count;
    std::memcpy(&count, BspData.textureData, 4);
    return count;
}

int32_t MipTexOffset(int32_t slot) {
    assert(slot >= 0 && slot < MipTexCount());
    int32_t offset;
    std::memcpy(&offset, BspData.textureData + 4 + 4 * slot, 4);
    return offset;
}

BspMipTex ReadMipTex(int32_t slot) {
    int32_t offset = MipTexOffset(slot);
    assert(offset >= 0);
    BspMipTex header;
    std::memcpy(&header, BspData.textureData + offset, sizeof header);
    // The texture headers stay in file order in the store.
    header.width = static_cast<uint32_t>(FromLittle32(static_cast<int32_t>(header.width)));
    header.height = static_cast<uint32_t>(FromLittle32(static_cast<int32_t>(header.height)));
    for (uint32_t& mip : header.offsets) {
        mip = static_cast<uint32_t>(FromLittle32(static_cast<int32_t>(mip)));
    }
    return header;
}
