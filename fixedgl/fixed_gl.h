// OpenGL 1.x, the part the show uses, served on a WebGL 2 context.
//
// The layer defines the fixed-function gl… and glu… entry points itself:
// immediate mode (quads, triangles, polygons, quad strips) gathered into
// batches of triangles, both matrix stacks, two texture units with replace
// and modulate, GL_CLAMP's black border, outlines drawn as wide lines, RGB
// reads and uploads through RGBA textures, and mipmaps built the way GLU
// builds them. Everything else passes straight to WebGL.
// State: one record for the whole layer, made by InitFixedGl. Drawing that
// is still batched reaches WebGL when the state changes, on glFlush, on a
// read and on FlushFixedGl.
#pragma once

// Compiles the layer's shader and makes its buffers on the current WebGL 2
// context, with the viewport over the whole width x height picture; false
// when the shader does not build.
bool InitFixedGl(int width, int height);

// Sends the drawing batched so far to WebGL (before presenting a picture).
void FlushFixedGl();

// The layer's function for an extension entry point name such as
// "glActiveTextureARB", or nullptr.
void* FindFixedGlFunction(const char* name);

// Test hook: leaves out one effect so that tests can show that a wrong
// picture is told from a right one. "lines" draws no outlines, "blend" never
// blends, "unit1" never textures with unit 1, "clamp" leaves out GL_CLAMP's
// black border, "alpha" takes an RGB texture's alpha (1) where replace keeps
// the fragment's, "npot" leaves textures whose sides are not powers of two
// without a picture, and "sphereflip" turns quadric spheres' textures upside
// down; anything else leaves out nothing. Returns false for an unknown name.
bool SetFixedGlOmission(const char* what);
