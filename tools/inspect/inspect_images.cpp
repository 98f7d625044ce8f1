// Inspectors for pictures (TGA, PCX, JPEG), palettes and 3DG meshes.
#include "inspectors.h"

#include "image/image.h"
#include "image/jpeg.h"
#include "image/object3d.h"
#include "image/palette.h"
#include "image/pcx.h"
#include "image/tga.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const char* GlName(int value) {
    switch (value) {
    case GL_RGB:
        return "GL_RGB";
    case GL_RGBA:
        return "GL_RGBA";
    case GL_LINEAR:
        return "GL_LINEAR";
    case GL_LINEAR_MIPMAP_NEAREST:
        return "GL_LINEAR_MIPMAP_NEAREST";
    case GL_CLAMP:
        return "GL_CLAMP";
    case GL_REPEAT:
        return "GL_REPEAT";
    case GL_MODULATE:
        return "GL_MODULATE";
    case GL_REPLACE:
        return "GL_REPLACE";
    default:
        return "?";
    }
}

// Prints what a reader made and hands the picture over; frees the image.
bool DescribeImage(const char* kind, int handle, InspectedPicture* picture) {
    Image* image = GetImage(handle);
    int flags = (image->filter == GL_LINEAR ? TexNoMipmap : 0) |
                (image->wrap == GL_CLAMP ? TexClamp : 0) |
                (image->envMode == GL_MODULATE ? TexModulate : 0);
    std::printf("  %s picture\n", kind);
    std::printf("  size: %d x %d pixels\n", image->width, image->height);
    std::printf("  bytes per pixel: %d\n", ImageBytesPerPixel(image));
    std::printf("  GL format: %s (internal %s)\n", GlName(image->pixelFormat),
                GlName(image->internalFormat));
    std::printf("  texture flags: %d (filter %s, wrap %s, environment %s)\n", flags,
                GlName(image->filter), GlName(image->wrap), GlName(image->envMode));
    picture->width = image->width;
    picture->height = image->height;
    picture->channels = ImageBytesPerPixel(image);
    picture->pixels = std::move(image->pixels);
    FreeImage(handle);
    return true;
}

struct LengthRange {
    double shortest = INFINITY;
    double longest = 0;
    double sum = 0;
};

LengthRange Lengths(const float* xyz, int count) {
    LengthRange range;
    for (int i = 0; i < count; i++) {
        const float* v = xyz + 3 * i;
        double length = std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
        range.shortest = std::min(range.shortest, length);
        range.longest = std::max(range.longest, length);
        range.sum += length;
    }
    return range;
}

void PrintLengths(const char* what, const float* xyz, int count) {
    if (count == 0) {
        std::printf("  %s lengths: none\n", what);
        return;
    }
    LengthRange range = Lengths(xyz, count);
    std::printf("  %s lengths: shortest %g, longest %g, mean %g\n", what, range.shortest,
                range.longest, range.sum / count);
}

} // namespace

bool InspectTga(const char* path, InspectedPicture* picture) {
    return DescribeImage("TGA", LoadTga(path), picture);
}

bool InspectPcx(const char* path, InspectedPicture* picture) {
    return DescribeImage("PCX", LoadPcx(path), picture);
}

bool InspectJpeg(const char* path, InspectedPicture* picture) {
    return DescribeImage("JPEG", LoadJpeg(path), picture);
}

bool InspectPalette(const char* path, InspectedPicture* picture) {
    Palette palette;
    ReadPaletteFile(path, &palette);
    const uint8_t* last = palette.rgb + 765;
    std::printf("  palette of 256 colours (first 768 bytes of the file)\n");
    std::printf("  entry 0: %d %d %d; entry 255: %d %d %d\n", palette.rgb[0], palette.rgb[1],
                palette.rgb[2], last[0], last[1], last[2]);
    // As a picture: 16 x 16 swatches, entry 0 top left, rows of 16 entries.
    picture->width = 16;
    picture->height = 16;
    picture->channels = 3;
    picture->pixels.assign(palette.rgb, palette.rgb + PaletteFileSize);
    return true;
}

bool InspectObject3D(const char* path, InspectedPicture*) {
    Object3D* object = NewObject3D();
    if (LoadObject3D(path, 0, object) != 0) {
        FreeObject3D(object);
        std::fprintf(stderr, "Error: Error loading 3DG\n");
        return false;
    }
    std::printf("  3DG mesh\n");
    std::printf("  vertices: %d, triangles: %d\n", object->vertexCount, object->faceCount);
    std::printf("  bounds: (%g, %g, %g) to (%g, %g, %g)\n", object->boundsMin.x,
                object->boundsMin.y, object->boundsMin.z, object->boundsMax.x, object->boundsMax.y,
                object->boundsMax.z);
    PrintLengths("vertex normal", object->vertexNormals, object->vertexCount);
    PrintLengths("triangle normal", object->faceNormals, object->faceCount);
    FreeObject3D(object);
    return true;
}
