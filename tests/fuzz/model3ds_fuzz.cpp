/*
** model3ds_fuzz.cpp -- libFuzzer target for the 3DS reader and the model
** preparation that follows it: any byte string must be read or rejected
** without crash, hang, leak or access outside the model's arrays.
**
** Built from the reader's and preparation's sources alone; the texture
** manager is replaced by stand-ins so map names need no files.
*/
#include <stdint.h>
#include <stdio.h>

#include "model.h"

int tex_load(const char*) { return 0; }
void tex_upload(int) {}
void tex_free(int) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    /* a folder that does not exist keeps map lookups off the disk */
    model_dir = "/nonexistent-model-folder/";
    FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!f) return 0;
    Model* model = HRead3dsScene(f);
    fclose(f);
    if (model) {
        calculateNormals(model);
        reorderFaces(model);
        HFree3dsScene(model);
    }
    return 0;
}
