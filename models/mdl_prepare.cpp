/*
** mdl_prepare.cpp -- load-time preparation of a model.
*/
#include "model.h"

void calculateNormals(Model* model) { (void)model; }
void tangent_basis(const float*, const float*, const float*, const float*, const float*,
                   const float*, float*, float*) {}
void reorderFaces(Model* model) { (void)model; }
int  compare(const void*, const void*) { return 0; }
void model_upload_tex(Model* model) { (void)model; }
