// The 3DG triangle mesh: its in-memory record, the reader, the recentring on
// the bounding box, the placement setters and the release.
//
// An Object3D is a heap record made by NewObject3D and owned by the scene
// that made it; its arrays are owned by the record. The image of texture is
// the scene's to free. After a successful LoadObject3D every stored vertex
// index lies in 0 … vertexCount − 1.
#pragma once

#include "math/matrix.h"
#include "math/vector.h"

#include <cstdint>

// One vertex: position, then the texture coordinates that the drawing code
// writes (environment mapping).
struct Object3DVertex {
    float x;
    float y;
    float z;
    float s;
    float t;
};

// One triangle: vertex indices in drawing order (the file's order reversed).
struct Object3DFace {
    int32_t vertex[3];
};

struct Object3D {
    int32_t vertexCount;
    int32_t faceCount;
    Vec3 position;            // world position
    Vec3 angles;              // degrees about x, y, z
    Vec3 scale;               // (1, 1, 1) at creation; not used for drawing
    Mat4 rotation;            // rebuilt from angles by the drawing code
    Object3DVertex* vertices; // vertexCount records
    Object3DFace* faces;      // faceCount records
    Vec3 boundsMin;           // smallest x, y, z over all vertices
    Vec3 boundsMax;           // largest x, y, z over all vertices
    float* vertexNormals;     // vertexCount x 3 floats, as read (not normalised)
    float* faceNormals;       // faceCount x 3 floats, as read
    int32_t texture;          // image handle bound when drawing
    int32_t secondTexture;    // set with texture; read by nothing
    uint8_t drawFlags;        // draw flags given to the reader
    float alpha;              // alpha of the additive pass
};

// A new object at the origin, unrotated, scale 1, with no mesh; the caller
// owns it (FreeObject3D).
Object3D* NewObject3D();

// Reads the 3DG file at path into object, storing drawFlags. Returns 0, or
// -1 when the file cannot be opened or is not a whole, consistent mesh; the
// object is then left untouched.
int LoadObject3D(const char* path, uint8_t drawFlags, Object3D* object);

// Moves the mesh (and its bounds) so that the bounding box is centred on the
// origin. Normals are not touched.
void CentreObject3D(Object3D* object);

// Releases the mesh arrays and the record (not the texture's image).
void FreeObject3D(Object3D* object);

// Placement setters; each returns the object it was given.
Object3D* SetObjectPosition(Object3D* object, float x, float y, float z);
Object3D* SetObjectAngles(Object3D* object, float x, float y, float z);
Object3D* SetObjectScale(Object3D* object, float x, float y, float z);
Object3D* SetObjectTexture(Object3D* object, int32_t texture, int32_t secondTexture);
