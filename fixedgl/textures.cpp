// Texture objects, the two texture units and pixel transfers.
//
// Every picture is stored as RGBA8 whatever its format: RGB rows get alpha
// 255 and luminance rows become grey, converted here from the caller's rows
// (which follow the unpack alignment). The layer remembers per texture
// whether it has alpha of its own (replace keeps the fragment's alpha when
// not) and whether it wraps with GL_CLAMP, which WebGL lacks.
// RGB reads go through an RGBA read and are packed into the caller's rows.
#include "fixedgl/fixed_gl.h"
#include "fixedgl/fixed_gl_state.h"

#include <cassert>
#include <cstring>
#include <vector>

FixedTexture& GetFixedTexture(GLuint name) {
    std::vector<FixedTexture>& textures = GetFixedGl().textures;
    if (name >= textures.size()) {
        textures.resize(name + 1, FixedTexture{0, 0, false, false});
    }
    return textures[name];
}

static int ComponentsOf(GLenum format) {
    switch (format) {
    case GL_RGBA:
        return 4;
    case GL_RGB:
        return 3;
    case GL_LUMINANCE_ALPHA:
        return 2;
    default:
        assert(format == GL_LUMINANCE);
        return 1;
    }
}

static size_t RowBytes(int width, int components, int alignment) {
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(components);
    return (bytes + alignment - 1) / alignment * alignment;
}

// The caller's rows in format, as tightly packed RGBA.
static std::vector<uint8_t> ToRgba(const void* pixels, int width, int height, GLenum format) {
    const int components = ComponentsOf(format);
    const size_t stride = RowBytes(width, components, GetFixedGl().unpackAlignment);
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    const auto* source = static_cast<const uint8_t*>(pixels);
    uint8_t* out = rgba.data();
    for (int row = 0; row < height; ++row) {
        const uint8_t* in = source + row * stride;
        for (int column = 0; column < width; ++column, in += components, out += 4) {
            switch (components) {
            case 4:
                std::memcpy(out, in, 4);
                break;
            case 3:
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = 255;
                break;
            case 2:
                out[0] = out[1] = out[2] = in[0];
                out[3] = in[1];
                break;
            default:
                out[0] = out[1] = out[2] = in[0];
                out[3] = 255;
                break;
            }
        }
    }
    return rgba;
}

static FixedTexture& BoundTexture() {
    const FixedGlState& gl = GetFixedGl();
    return GetFixedTexture(gl.units[gl.activeUnit].texture);
}

// Sets a unit's texturing on or off for the multitexture entry points.
static void APIENTRY ActiveTexture(GLenum unit) {
    FlushBatch();
    FixedGlState& gl = GetFixedGl();
    const int index = static_cast<int>(unit - GL_TEXTURE0);
    assert(index >= 0 && index < FixedUnitCount);
    gl.activeUnit = index;
    emscripten_glActiveTexture(unit);
}

// Only vertex arrays, which the show does not use, see the client unit.
static void APIENTRY ClientActiveTexture(GLenum) {}

static void APIENTRY MultiTexCoord2f(GLenum unit, GLfloat s, GLfloat t) {
    const int index = static_cast<int>(unit - GL_TEXTURE0);
    assert(index >= 0 && index < FixedUnitCount);
    GetFixedGl().texCoords[2 * index] = s;
    GetFixedGl().texCoords[2 * index + 1] = t;
}

static void APIENTRY MultiTexCoord2fv(GLenum unit, const GLfloat* st) {
    MultiTexCoord2f(unit, st[0], st[1]);
}

void* FindFixedGlFunction(const char* name) {
    struct Entry {
        const char* name;
        void* function;
    };
    static const Entry entries[] = {
        {"glActiveTextureARB", reinterpret_cast<void*>(ActiveTexture)},
        {"glActiveTexture", reinterpret_cast<void*>(ActiveTexture)},
        {"glClientActiveTextureARB", reinterpret_cast<void*>(ClientActiveTexture)},
        {"glClientActiveTexture", reinterpret_cast<void*>(ClientActiveTexture)},
        {"glMultiTexCoord2fARB", reinterpret_cast<void*>(MultiTexCoord2f)},
        {"glMultiTexCoord2f", reinterpret_cast<void*>(MultiTexCoord2f)},
        {"glMultiTexCoord2fvARB", reinterpret_cast<void*>(MultiTexCoord2fv)},
        {"glMultiTexCoord2fv", reinterpret_cast<void*>(MultiTexCoord2fv)},
    };
    for (const Entry& entry : entries) {
        if (std::strcmp(entry.name, name) == 0) {
            return entry.function;
        }
    }
    return nullptr;
}

extern "C" {

void glGenTextures(GLsizei count, GLuint* textures) {
    emscripten_glGenTextures(count, textures);
    for (GLsizei i = 0; i < count; ++i) {
        GetFixedTexture(textures[i]) = FixedTexture{0, 0, false, false};
    }
}

void glBindTexture(GLenum target, GLuint texture) {
    FixedGlState& gl = GetFixedGl();
    if (gl.units[gl.activeUnit].texture == texture) {
        return;
    }
    FlushBatch();
    gl.units[gl.activeUnit].texture = texture;
    emscripten_glBindTexture(target, texture);
}

void glTexParameteri(GLenum target, GLenum name, GLint value) {
    FlushBatch();
    if (name == GL_TEXTURE_WRAP_S || name == GL_TEXTURE_WRAP_T) {
        // Both directions always wrap alike in the show.
        BoundTexture().clamp = value == GL_CLAMP;
        if (value == GL_CLAMP) {
            value = GL_CLAMP_TO_EDGE;
        }
    }
    emscripten_glTexParameteri(target, name, value);
}

void glTexEnvi(GLenum target, GLenum name, GLint value) {
    assert(target == GL_TEXTURE_ENV && name == GL_TEXTURE_ENV_MODE);
    (void)target;
    (void)name;
    FlushBatch();
    FixedGlState& gl = GetFixedGl();
    gl.units[gl.activeUnit].envMode = static_cast<GLenum>(value);
}

void glPixelStorei(GLenum name, GLint value) {
    FixedGlState& gl = GetFixedGl();
    if (name == GL_UNPACK_ALIGNMENT) {
        gl.unpackAlignment = value;
    } else if (name == GL_PACK_ALIGNMENT) {
        gl.packAlignment = value;
    } else {
        emscripten_glPixelStorei(name, value);
    }
}

// internalFormat may be a component count (1 to 4) as in OpenGL 1.0.
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const void* pixels) {
    assert(type == GL_UNSIGNED_BYTE && border == 0);
    (void)type;
    (void)border;
    FlushBatch();
    const bool hasAlpha = internalFormat == 4 || internalFormat == 2 || internalFormat == GL_RGBA ||
                          internalFormat == GL_LUMINANCE_ALPHA;
    if (level == 0) {
        FixedTexture& texture = BoundTexture();
        texture.width = width;
        texture.height = height;
        texture.hasAlpha = hasAlpha;
    }
    std::vector<uint8_t> rgba;
    if (pixels != nullptr) {
        rgba = ToRgba(pixels, width, height, format);
    }
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    emscripten_glTexImage2D(target, level, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                            pixels != nullptr ? rgba.data() : nullptr);
}

void glTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height,
                     GLenum format, GLenum type, const void* pixels) {
    assert(type == GL_UNSIGNED_BYTE);
    (void)type;
    FlushBatch();
    std::vector<uint8_t> rgba = ToRgba(pixels, width, height, format);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    emscripten_glTexSubImage2D(target, level, x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                               rgba.data());
}

// Reads from the bound picture, bottom row first; RGB and RGBA bytes.
void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                  void* pixels) {
    assert(type == GL_UNSIGNED_BYTE && (format == GL_RGB || format == GL_RGBA));
    FlushBatch();
    const int components = ComponentsOf(format);
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, 4);
    emscripten_glReadPixels(x, y, width, height, GL_RGBA, type, rgba.data());
    const size_t stride = RowBytes(width, components, GetFixedGl().packAlignment);
    auto* out = static_cast<uint8_t*>(pixels);
    for (int row = 0; row < height; ++row) {
        const uint8_t* in = rgba.data() + static_cast<size_t>(row) * width * 4;
        uint8_t* line = out + row * stride;
        for (int column = 0; column < width; ++column) {
            std::memcpy(line + column * components, in + column * 4,
                        static_cast<size_t>(components));
        }
    }
}

} // extern "C"
