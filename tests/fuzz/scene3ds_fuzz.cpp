/*
** scene3ds_fuzz.cpp -- libFuzzer target for scene files: any byte string is
** refused by the soundness check, or read by lib3ds and then evaluated and
** walked as the scene section does, without crash, hang or access outside
** a mesh.
**
** lib3ds is not instrumented, so a bad access inside it shows as a crash or
** a hang rather than a report.  It also keeps state between reads that a
** refused file leaves unbalanced (the player stops at the first refusal, a
** fuzzer would not), so everything lib3ds does runs in a child process per
** input; the check itself runs here, where its coverage guides the fuzzer.
** The texture manager is replaced by stand-ins (the check looks up no maps).
*/
#include <errno.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>

#include <vector>

#include "model.h"
#include "scene.h"

int tex_load(const char*) { return 0; }
void tex_upload(int) {}
void tex_free(int) {}

/* Names are compared and copied as C strings: each must end inside its
** 64-byte field. */
static void checkName(const char* name)
{
    if (!memchr(name, 0, 64)) abort();
}

static void walkNodes(Lib3dsNode* node)
{
    for (; node; node = node->next) {
        checkName(node->name);
        walkNodes(node->childs);
    }
}

/* What the scene section does with a file: read, evaluate, walk the nodes,
** compute the normals, follow every face to its points. */
static void readAndPlay(const uint8_t* data, size_t size)
{
    FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    Lib3dsFile* file = f ? scene_readFile(f) : nullptr;
    if (f) fclose(f);
    if (!file) return;
    lib3ds_file_eval(file, 0.0f);
    lib3ds_file_eval(file, (float)file->frames * 0.5f);
    walkNodes(file->nodes);
    for (Lib3dsMaterial* m = file->materials; m; m = m->next) checkName(m->texture1_map.name);
    for (Lib3dsMesh* m = file->meshes; m; m = m->next) {
        std::vector<Lib3dsVector> normals(3 * (size_t)m->faces + 1);
        lib3ds_mesh_calculate_normals(m, normals.data());
        for (Lib3dsDword i = 0; i < m->faces; i++) {
            checkName(m->faceL[i].material);
            for (int j = 0; j < 3; j++)
                if (m->faceL[i].points[j] >= m->points) abort();
        }
    }
    lib3ds_file_free(file);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!f) return 0;
    int sound = model_chunksSound(f);
    fclose(f);
    if (!sound) return 0;

    pid_t child = fork();
    if (child == 0) {
        readAndPlay(data, size);
        _exit(0);
    }
    if (child < 0) abort();
    /* the fuzzer's own timer signal interrupts the wait */
    int status = 0;
    pid_t done;
    do done = waitpid(child, &status, 0);
    while (done < 0 && errno == EINTR);
    if (done != child) abort();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "lib3ds run failed: status %d\n", status);
        abort();   /* the child's fault is this input's */
    }
    return 0;
}
