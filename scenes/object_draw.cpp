// 3DG object drawing and its normal-based environment mapping.
#include "scenes/object_draw.h"

#include "image/image.h"
#include "image/object3d.h"
#include "math/matrix.h"

#include <GL/gl.h>

void ComputeEnvironmentTexCoords(Object3D* object) {
    Mat4Identity(&object->rotation);
    Mat4RotateAngles(&object->rotation, object->angles.x, object->angles.y, object->angles.z);
    const float* m = object->rotation.m;
    for (int32_t i = 0; i < object->vertexCount; ++i) {
        const float* n = &object->vertexNormals[3 * i];
        // The first two rows of the rotation: the normal's x and y after turning.
        const double rx = static_cast<double>(m[0]) * n[0] + static_cast<double>(m[4]) * n[1] +
                          static_cast<double>(m[8]) * n[2];
        const double ry = static_cast<double>(m[1]) * n[0] + static_cast<double>(m[5]) * n[1] +
                          static_cast<double>(m[9]) * n[2];
        object->vertices[i].s = static_cast<float>((rx * 0.5 + 127) * 0.00390625);
        object->vertices[i].t = static_cast<float>((ry * 0.5 + 127) * 0.00390625);
    }
}

void DrawObject3D(Object3D* object) {
    const bool envMap = (object->drawFlags & ObjectEnvMap) != 0;
    const bool additive = (object->drawFlags & ObjectAdditive) != 0;
    if (envMap) {
        ComputeEnvironmentTexCoords(object);
    }
    bool blendWasOn = true;
    if (additive) {
        blendWasOn = glIsEnabled(GL_BLEND) == GL_TRUE;
        if (!blendWasOn) {
            glEnable(GL_BLEND);
        }
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glColor4f(1, 1, 1, object->alpha);
    }

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(object->position.x, object->position.y, object->position.z);
    glRotatef(-object->angles.x, 1, 0, 0);
    glRotatef(-object->angles.y, 0, 1, 0);
    glRotatef(-object->angles.z, 0, 0, 1);
    BindImage(object->texture);

    glBegin(GL_TRIANGLES);
    for (int32_t f = 0; f < object->faceCount; ++f) {
        for (int32_t corner : object->faces[f].vertex) {
            const Object3DVertex& v = object->vertices[corner];
            glTexCoord2f(v.s, v.t);
            glVertex3f(v.x, v.y, v.z);
        }
    }
    glEnd();

    glPopMatrix();
    if (additive && !blendWasOn) {
        glDisable(GL_BLEND);
    }
}
