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
#include <string>
#include <vector>

// Every record and byte lump of a level, as the file stores them.
struct BspRecords {
    std::vector<BspPlane> planes;
    std::vector<BspVertex> vertexes;
    std::vector<BspNode> nodes;
    std::vector<BspTexInfo> texInfo;
    std::vector<BspFace> faces;
    std::vector<BspClipNode> clipNodes;
    std::vector<BspLeaf> leafs;
    std::vector<uint16_t> markSurfaces;
    std::vector<BspEdge> edges;
    std::vector<int32_t> surfEdges;
    std::vector<BspModel> models;
    std::vector<uint8_t> textureData;
    std::vector<uint8_t> visData;
    std::vector<uint8_t> lightData;
    std::string entities; // written with its terminating zero when not empty
};

// The fifteen lumps of the records, in index order.
void RecordLumps(const BspRecords& records, std::vector<uint8_t> (&lumps)[BspLumpCount]);

// A whole level file: header with version and lump table, then every lump.
std::vector<uint8_t> AssembleBspFile(int32_t version,
                                     const std::vector<uint8_t> (&lumps)[BspLumpCount]);
