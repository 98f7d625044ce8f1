// Light sprites. Each sprite's axes come from the direction d to the eye and
// an up vector carried from sprite to sprite: u is made perpendicular to d,
// r = u × d, both scaled to the half-side. Seen from the eye r points right
// and u up, so the corners run clockwise on screen (back faces, which survive
// front-face culling) and the picture shows upright.
#include "scenes/particles.h"

#include "image/image.h"
#include "math/camera.h"

#include <GL/gl.h>

#include <cassert>
#include <cstdlib>

namespace {

// Below this fraction of its length the up vector, made perpendicular to d,
// is taken as parallel to d.
constexpr float ParallelLimit = 1e-4f;

// u minus its part along the unit vector d.
Vec3 Perpendicular(const Vec3& u, const Vec3& d) {
    Vec3 along = {};
    Vec3Scale(&d, Vec3Dot(&u, &d), &along);
    Vec3 result = {};
    Vec3Sub(&along, &u, &result);
    return result;
}

} // namespace

ParticleSet NewParticleSet(int32_t count) {
    assert(count >= 0);
    ParticleSet set = {};
    set.particles =
        static_cast<Particle*>(std::calloc(static_cast<size_t>(count) + 1, sizeof(Particle)));
    assert(set.particles != nullptr);
    set.particleCount = count;
    return set;
}

void UploadParticleTextures(const ParticleSet* set) {
    for (int32_t i = 0; i < set->textureCount; ++i) {
        UploadImage(set->textures[i]);
    }
}

void FreeParticleSet(ParticleSet* set) {
    for (int32_t i = 0; i < set->textureCount; ++i) {
        FreeImage(set->textures[i]);
    }
    std::free(set->textures);
    std::free(set->particles);
    *set = {};
}

void DrawParticles(const Camera* camera, const ParticleSet* set) {
    assert(set->textureCount >= 1);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    glDepthMask(GL_FALSE);
    BindImage(set->textures[0]);

    glBegin(GL_QUADS);
    Vec3 u = {0, 0, 1};
    for (int32_t i = 0; i < set->particleCount; ++i) {
        const Particle& particle = set->particles[i];
        if (particle.active == 0) {
            continue;
        }
        const Vec3& p = particle.position;
        Vec3 d = {};
        Vec3Sub(&p, &camera->position, &d);
        if (Vec3Length(&d) == 0.0f) {
            continue; // the eye sits on the sprite: it has no facing
        }
        Vec3Normalize(&d);

        Vec3 up = Perpendicular(u, d);
        if (Vec3Length(&up) <= ParallelLimit * Vec3Length(&u)) {
            // The carried up vector points at the eye: start again from world
            // y, or from world x when the eye lies straight along y.
            const Vec3 worldY = {0, 1, 0};
            const Vec3 worldX = {1, 0, 0};
            up = Perpendicular(worldY, d);
            if (Vec3Length(&up) <= ParallelLimit) {
                up = Perpendicular(worldX, d);
            }
        }
        Vec3Normalize(&up);
        Vec3 r = {};
        Vec3Cross(&up, &d, &r);
        Vec3Normalize(&r);
        Vec3Scale(&r, particle.size, &r);
        Vec3Scale(&up, particle.size, &up);
        u = up;

        glColor4fv(particle.colour);
        glTexCoord2f(0, 0);
        glVertex3f(p.x - r.x + u.x, p.y - r.y + u.y, p.z - r.z + u.z);
        glTexCoord2f(1, 0);
        glVertex3f(p.x + r.x + u.x, p.y + r.y + u.y, p.z + r.z + u.z);
        glTexCoord2f(1, 1);
        glVertex3f(p.x + r.x - u.x, p.y + r.y - u.y, p.z + r.z - u.z);
        glTexCoord2f(0, 1);
        glVertex3f(p.x - r.x - u.x, p.y - r.y - u.y, p.z - r.z - u.z);
    }
    glEnd();

    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}
