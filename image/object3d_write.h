// Encoding 3DG mesh files, the counterpart of the 3DG reader.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// One mesh as the file holds it: integer positions and normals per vertex,
// three vertex indices and one normal per triangle.
struct Object3DFile {
    std::vector<std::array<int16_t, 3>> positions;
    std::vector<std::array<int16_t, 3>> vertexNormals; // one per position
    std::vector<std::array<int16_t, 3>> triangles;     // vertex indices, as they go in the file
    std::vector<std::array<int16_t, 3>> faceNormals;   // one per triangle
};

// The bytes of a 3DG file: the vertex and triangle counts, then positions,
// vertex normals, triangles and triangle normals, all little-endian int16.
// Both counts must fit in an int16.
std::vector<uint8_t> EncodeObject3D(const Object3DFile& mesh);
