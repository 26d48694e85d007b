/*
** mdl_shader.cpp -- shader scripts: the block-file reader shared with the
** scene's camera-pick files, and the keys of a shader block.
**
** A shader script is read once, while its section loads; every mistake in
** it is fatal and names the script and the line, comment lines counted.
*/
#include "shader.h"

#include <GL/gl.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include "dkernel.h"
#include "dk_script.h"
#include "tex.h"
#include "dk_path.h"

#include <string>

void blockfile_read(FILE* file, BlockLineFunc func, void* user)
{
    char buffer[DK_MAX_LINE];
    char key[DK_MAX_LINE];
    char value[DK_MAX_LINE];
    bool open = false;
    for (int line = 1; my_fgets(buffer, sizeof buffer, file); line++) {
        switch (buffer[0]) {
        case ';':
        case '\n':
        case '\r':
        case '}':
            break;
        case '{':
            open = true;
            func(user, nullptr, nullptr, line);
            break;
        default:
            if (!open)
                break;
            getKeyValue(buffer, key, value);
            func(user, key, value, line);
        }
    }
}

/* Up to `max` blank-separated numbers as a formatted scan reads them, each
** through the scripts' own number reading: one that is not finite ends the
** scan like text that is no number, so "nan" or "1e99" never reach the GL
** as a colour or a width. */
static int shader_readFloats(const char* text, float* out, int max)
{
    int n = 0;
    const char* p = text;
    while (n < max && script_readNumber(p, DK_KEY_FLOAT, &out[n], &p))
        n++;
    return n;
}

struct ShaderReader {
    const char* file;
    Shader*     first;
    Shader*     last;
};

[[noreturn]] static void shader_error(const ShaderReader* r, const char* message, int line)
{
    dkernel_error("%s (shader '%s', line %d)", message, r->file, line);
}

static void shader_open(ShaderReader* r)
{
    Shader* s = (Shader*)calloc(1, sizeof(Shader));
    if (!s)
        dkernel_error("Out of memory");
    s->line_width = 1.0f;
    if (r->last)
        r->last->next = s;
    else
        r->first = s;
    r->last = s;
}

static void shader_key(void* user, const char* key, const char* value, int line)
{
    ShaderReader* r = (ShaderReader*)user;
    if (!key) {
        shader_open(r);
        return;
    }
    Shader* s = r->last;
    char word1[DK_MAX_LINE];
    char word2[DK_MAX_LINE];

    if (strcasecmp(key, "mode") == 0) {
        int mode = getRenderModeByName(value);
        if (mode < 0) {
            char hint[DK_MAX_LINE + 64];
            script_renderModeHint(hint, sizeof hint, value);
            dkernel_error("Unknown render mode%s (shader '%s', line %d)", hint, r->file, line);
        }
        s->mode = mode;
    } else if (strcasecmp(key, "blend") == 0) {
        if (sscanf(value, "%255s %255s", word1, word2) != 2)
            shader_error(r, "Invalid blend", line);
        int src = getBlendCodeByName(word1);
        int dst = getBlendCodeByName(word2);
        if (src < 0 || dst < 0)
            shader_error(r, "Invalid blend factor", line);
        s->blend_src = src;
        s->blend_dst = dst;
        s->blend_on = 1;
    } else if (strcasecmp(key, "alpha") == 0) {
        int consumed = 0;
        float refs[2] = { 0.0f, 0.0f };
        int n = 0;
        if (sscanf(value, "%255s%n", word1, &consumed) == 1)
            n = 1 + shader_readFloats(value + consumed, refs, 2);
        if (n != 2 && n != 3)
            shader_error(r, "Invalid alpha", line);
        int func = getAlphaCodeByName(word1);
        if (func < 0)
            shader_error(r, "Invalid alpha function", line);
        s->alpha_func = func;
        s->alpha_ref1 = refs[0];
        s->alpha_ref2 = n == 3 ? refs[1] : refs[0];
        s->alpha_on = 1;
    } else if (strcasecmp(key, "color") == 0) {
        if (shader_readFloats(value, s->color, 4) != 4)
            shader_error(r, "Invalid color", line);
    } else if (strcasecmp(key, "texture") == 0) {
        std::string file = value;
        path_fromScript(&file[0]);
        int texture = tex_load(file.c_str());
        if (s->has_texture)
            tex_free(s->texture);
        s->texture = texture;
        s->has_texture = 1;
        tex_upload(s->texture);
    } else if (strcasecmp(key, "cullface") == 0) {
        if (strcasecmp(value, "front") == 0)
            s->cull_face = GL_FRONT;
        else if (strcasecmp(value, "back") == 0)
            s->cull_face = GL_BACK;
        else
            shader_error(r, "Invalid cullface", line);
        s->cull_on = 1;
    } else if (strcasecmp(key, "linewidth") == 0) {
        if (shader_readFloats(value, &s->line_width, 1) != 1)
            shader_error(r, "Invalid line width", line);
    } else if (strcasecmp(key, "node") == 0) {
        /* a node line without a name names no node: the shader stays with
        ** every node, as if the line were not there */
        free(s->node);
        s->node = nullptr;
        if (*value && !(s->node = strdup(value)))
            dkernel_error("Out of memory");
    } else {
        shader_error(r, "Unknown shader variable", line);
    }
}

Shader* shaders_load(const char* file)
{
    FILE* f = fopen(file, "rt");
    if (!f)
        dkernel_error("Error loading '%s'", file);
    ShaderReader reader = { file, nullptr, nullptr };
    /* A run that goes on after the fatal error (a checking run, live
    ** reload) keeps neither the file nor the shaders read so far. */
    try {
        blockfile_read(f, shader_key, &reader);
    } catch (...) {
        fclose(f);
        shaders_free(reader.first);
        throw;
    }
    fclose(f);
    return reader.first;
}

void shaders_free(Shader* list)
{
    while (list) {
        Shader* next = list->next;
        if (list->has_texture)
            tex_free(list->texture);
        free(list->node);
        free(list);
        list = next;
    }
}

int shader_counter(const Shader* list)
{
    int n = 0;
    for (; list; list = list->next)
        n++;
    return n;
}
