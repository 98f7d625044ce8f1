// The decoded-image record and the global texture table.
#include "image/image.h"

#include "shell/fatal.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cassert>

ImageTable TextureTable;

int NewImage() {
    // The show registers a few dozen images plus one per level texture; a
    // table that fills up means damaged data, so it is refused, not grown.
    if (TextureTable.count >= TextureTableSize) {
        FatalError("Too many images: the texture table holds %d", TextureTableSize);
    }
    int handle = TextureTable.count;
    TextureTable.images[handle] = new Image{};
    TextureTable.count++;
    return handle;
}

Image* GetImage(int handle) {
    assert(handle >= 0 && handle < TextureTable.count);
    Image* image = TextureTable.images[handle];
    assert(image != nullptr);
    return image;
}

int SetTextureFlags(int handle, int flags) {
    Image* image = GetImage(handle);
    image->filter = (flags & TexNoMipmap) ? GL_LINEAR : GL_LINEAR_MIPMAP_NEAREST;
    image->wrap = (flags & TexClamp) ? GL_CLAMP : GL_REPEAT;
    image->envMode = (flags & TexModulate) ? GL_MODULATE : GL_REPLACE;
    return handle;
}

void BindImage(int handle) {
    const Image* image = GetImage(handle);
    glBindTexture(GL_TEXTURE_2D, image->textureName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, image->wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, image->wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, image->filter);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, image->envMode);
}

void UploadImage(int handle) {
    Image* image = GetImage(handle);
    assert(image->pixels.size() >=
           static_cast<size_t>(image->width) * image->height * ImageBytesPerPixel(image));
    GLuint name = 0;
    glGenTextures(1, &name);
    image->textureName = name;
    BindImage(handle);
    // Rows are tightly packed whatever their length.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (image->filter == GL_LINEAR_MIPMAP_NEAREST) {
        // An empty picture (a TGA of no rows or columns) has nothing to show
        // and its texture stays without one. GLU takes every other size;
        // what is left to fail is memory, which ends the load like any other.
        if (image->width < 1 || image->height < 1) {
            return;
        }
        const GLint answer =
            gluBuild2DMipmaps(GL_TEXTURE_2D, image->internalFormat, image->width, image->height,
                              image->pixelFormat, GL_UNSIGNED_BYTE, image->pixels.data());
        if (answer != 0) {
            FatalError("Error building the mipmaps of a %d x %d texture", image->width,
                       image->height);
        }
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, image->internalFormat, image->width, image->height, 0,
                     image->pixelFormat, GL_UNSIGNED_BYTE, image->pixels.data());
    }
}

void FreeImage(int handle) {
    delete GetImage(handle);
    // The handle is never handed out again; an empty slot makes later use of
    // it trip the assert in GetImage instead of reading freed memory.
    TextureTable.images[handle] = nullptr;
}

int NewRgbImage(int width, int height, int flags) {
    assert(width >= 0 && height >= 0);
    int handle = NewImage();
    Image* image = GetImage(handle);
    image->width = width;
    image->height = height;
    image->internalFormat = GL_RGB;
    image->pixelFormat = GL_RGB;
    image->pixels.resize(static_cast<size_t>(width) * height * 3);
    return SetTextureFlags(handle, flags);
}

void ClearTextureTable() {
    for (int handle = 0; handle < TextureTable.count; handle++) {
        delete TextureTable.images[handle];
        TextureTable.images[handle] = nullptr;
    }
    TextureTable.count = 0;
}

int ImageBytesPerPixel(const Image* image) {
    return image->pixelFormat == GL_RGBA ? 4 : 3;
}
