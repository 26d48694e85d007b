/*
** mdl_3ds.cpp -- the 3DS chunk reader.
*/
#include "model.h"

FILE*       inFile = nullptr;
const char* model_dir = nullptr;

Model* HRead3dsScene(FILE* stream) { inFile = stream; return nullptr; }
void   HFree3dsScene(Model* model) { (void)model; }
