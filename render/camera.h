/*
** camera.h -- the camera record, its setters, the GL projection and
** model-view built from it, the GL-free camera matrix, and the 2-D unit
** view every full-screen pass brackets its drawing with.
*/
#ifndef CAMERA_H
#define CAMERA_H

#include "math3d.h"

struct Camera {
    void*         user_data;
    unsigned char lookat;
    Vector        position;
    Vector        target;
    float         roll;
    Vector        pan;
    Vector        angles;
    float         matrix[16];
    float         inverse[16];
    float         axes[9];
    float         fov;
    float         aspect;
    float         znear;
    float         zfar;
};

Camera* camera_init(int lookat);
void camera_locate(Camera* cam, float x, float y, float z);
void camera_target(Camera* cam, float x, float y, float z);
void camera_roll(Camera* cam, float r);
void camera_pan(Camera* cam, float x, float y, float z);
void camera_angle(Camera* cam, float x, float y, float z);
void camera_fov_aspect(Camera* cam, float fov, float aspect);
void camera_zplanes(Camera* cam, float znear, float zfar);
void camera_free(Camera* cam);

void camera_glprojection(Camera* cam);
void camera_glmatrix(Camera* cam);
void camera_set2d(void);
void camera_restore(void);

void camera_matrix(Camera* cam);
void camera_matrix_angles(Camera* cam);
void camera_matrix_lookeye(Camera* cam);

#endif
