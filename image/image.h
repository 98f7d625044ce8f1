// The decoded-image record and the global texture table.
//
// Every picture lives in one heap Image registered in TextureTable, where a
// small integer handle (the slot index) names it. Handles are handed out in
// order of registration from 0 and never reused; after FreeImage the slot is
// emptied and the handle must not be used again. Pixels are held top row
// first, 3 (RGB) or 4 (RGBA) unsigned bytes per pixel, no row padding. The OpenGL
// texture is made later by UploadImage; texture objects are never deleted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Image {
    std::string fileName;        // path the image was read from; empty when made in memory
    int32_t width;               // pixels per row
    int32_t height;              // rows
    std::vector<uint8_t> pixels; // height rows of width pixels, top row first
    uint32_t textureName;        // OpenGL texture name, set by UploadImage
    int32_t internalFormat;      // GL_RGB or GL_RGBA
    int32_t pixelFormat;         // format of pixels: GL_RGB or GL_RGBA, equal to internalFormat
    int32_t filter;              // minification: GL_LINEAR or GL_LINEAR_MIPMAP_NEAREST
    int32_t wrap;                // GL_CLAMP or GL_REPEAT, for both s and t
    int32_t envMode;             // GL_MODULATE or GL_REPLACE, applied at every bind
};

// Texture flags; a clear bit chooses the default (mipmapped, repeat, replace).
constexpr int TexNoMipmap = 1; // linear filter, single level
constexpr int TexClamp = 2;    // GL_CLAMP wrap
constexpr int TexModulate = 4; // GL_MODULATE environment

// Slots in the table; registering one more image is a fatal error.
constexpr int TextureTableSize = 1024;

// Largest picture side any reader accepts, in pixels.
constexpr int MaxImageSide = 8192;

struct ImageTable {
    Image* images[TextureTableSize]; // slot = handle; null after FreeImage
    int count;                       // slots used so far; only grows
};

extern ImageTable TextureTable;

// Registers a new zeroed Image in the next slot and returns its handle.
// The table owns nothing: FreeImage releases the record.
int NewImage();

// The record behind a handle (asserts that the handle was handed out).
Image* GetImage(int handle);

// Sets filter, wrap and envMode from the texture flags; returns handle.
// Does not talk to OpenGL.
int SetTextureFlags(int handle, int flags);

// Binds the image's texture on GL_TEXTURE_2D and re-applies its wrap,
// filters (magnification always linear) and texture environment.
void BindImage(int handle);

// Creates the image's OpenGL texture (a full mipmap chain unless the filter
// is GL_LINEAR) and leaves it bound. The pixels stay with the image.
void UploadImage(int handle);

// Releases the record and its file name and pixels and empties the slot;
// the texture object stays and the handle is never handed out again.
void FreeImage(int handle);

// Registers a width x height RGB image with an uninitialised pixel buffer
// for the caller to fill, with the given texture flags; returns its handle.
int NewRgbImage(int width, int height, int flags);

// Frees every image still registered and starts handles from 0 again. For
// tools and test harnesses that read many files in one process; the show
// never empties the table.
void ClearTextureTable();

// Bytes per pixel that the image's pixelFormat implies: 3 or 4.
int ImageBytesPerPixel(const Image* image);
