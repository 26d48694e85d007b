/*
** math3d.h -- single-precision 3-D vectors, 4x4 matrices in OpenGL memory
** order (points as row vectors, translation in elements 12..14, angles in
** degrees) and the view-frustum plane extractor.
*/
#ifndef MATH3D_H
#define MATH3D_H

struct Vector {
    float x, y, z;
};

typedef float Matrix[16];

/* six planes (a, b, c, d): right, left, bottom, top, far, near */
extern float m_Frustum[6][4];

void  matrix_id(float* m);
void  matrix_cpy(float* dst, const float* src);
void  matrix_mul(const float* a, const float* b, float* out);
void  matrix_xrotation(float* m, float angle);
void  matrix_yrotation(float* m, float angle);
void  matrix_zrotation(float* m, float angle);
void  matrix_rotation_matrix(float* m, float ax, float ay, float az);
void  matrix_rotation(float* m, float ax, float ay, float az);
void  matrix_translate(float* m, float x, float y, float z);
void  matrix_scale(float* m, float x, float y, float z);
void  matrix_transpose(float* dst, const float* src);
float matrix_cofactor(const float* m, int row, int col);
float matrix_determinant(const float* m);
void  matrix_inverse(float* dst, const float* src);

float vector_magnitude(const Vector* v);
void  vector_normalize(Vector* v);
float vector_dotproduct(const Vector* a, const Vector* b);
void  vector_crossproduct(const Vector* a, const Vector* b, Vector* out);
void  vector_add(const Vector* a, const Vector* b, Vector* out);
void  vector_sub(const Vector* a, const Vector* b, Vector* out);
void  vector_scale(const Vector* a, float s, Vector* out);
void  vector_div(const Vector* a, float s, Vector* out);
float vector_angle(const Vector* a, const Vector* b);
void  vector_transform(Vector* v, const float* m);

void CalculateFrustum(void);
void NormalizePlane(float frustum[6][4], int i);

#endif
