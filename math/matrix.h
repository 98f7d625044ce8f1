// Sixteen-float matrices in OpenGL column order (row r, column c is m[4c + r]).
//
// Used where the program needs a rotation on the processor (the object
// scene's environment-map coordinates). Results go through the caller's
// pointers. No state.
#pragma once

struct Mat4 {
    float m[16];
};

// m = identity.
void Mat4Identity(Mat4* m);

// out[4i + j] = sum over k of a[4i + k] · b[4k + j]; read in column order this
// is out = b · a (b applied after a). out must be neither a nor b.
void Mat4Multiply(const Mat4* a, const Mat4* b, Mat4* out);

// m = m times the rotation R = Rz(az) · Ry(ay) · Rx(ax) (angles in degrees;
// for column vectors x turns first, then y, then z). Applied to the identity
// this leaves R itself.
void Mat4RotateAngles(Mat4* m, float ax, float ay, float az);
