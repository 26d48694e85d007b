/*
** shader.h -- shader scripts: how a model is drawn in several passes, one
** Shader per `{` block (render mode, colour, blend, culling, line width,
** texture, the scene node it is limited to), and the block-file reader that
** shader scripts and the scene's camera-pick files share.
*/
#ifndef SHADER_H
#define SHADER_H

#include <stdio.h>

struct Shader {
    Shader* next;         /* file order */
    char*   node;         /* scene node it applies to; none: every node */
    int     mode;         /* render mode code; 0: draws nothing */
    int     blend_on;
    int     blend_src;
    int     blend_dst;
    int     alpha_on;     /* read and kept; no pass applies it */
    int     alpha_func;
    float   alpha_ref1;
    float   alpha_ref2;
    float   color[4];
    float   line_width;   /* point size in mode vertexes */
    int     cull_face;    /* GL_FRONT or GL_BACK */
    int     cull_on;
    int     texture;      /* tex_array index for environment, cell and bump */
    int     has_texture;  /* a texture key loaded `texture`: the shader is one of its users */
};

/* Reads a shader script; every error is fatal and names script and line.
** Returns the shaders in file order, none for a script without blocks. */
Shader* shaders_load(const char* file);
/* Releases a list shaders_load returned and its uses of the textures it
** names. */
void    shaders_free(Shader* list);
int     shader_counter(const Shader* list);

/* The layout both block files use: lines starting with ';', a line feed or
** a carriage return are skipped; '{' opens a block (the rest of its line is
** ignored); '}' and every line before the first '{' are ignored; any other
** line is a key and a value.  `func` is called with key none for each '{'
** and with the key and value of each key line of an open block; `line` is
** the 1-based number of the line read. */
typedef void (*BlockLineFunc)(void* user, const char* key, const char* value, int line);
void blockfile_read(FILE* file, BlockLineFunc func, void* user);

#endif
