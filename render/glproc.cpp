/*
** glproc.cpp -- fetching the OpenGL calls past 1.1 on Windows through
** SDL (wglGetProcAddress underneath); nothing to fetch on Linux.
*/
#include <GL/gl.h>
#include <GL/glext.h>
#include <SDL/SDL.h>

#include "glproc.h"

#ifdef _WIN32

PFNGLACTIVETEXTUREPROC       glproc_activeTexture;
PFNGLCLIENTACTIVETEXTUREPROC glproc_clientActiveTexture;
PFNGLMULTITEXCOORD2FPROC     glproc_multiTexCoord2f;
PFNGLMULTITEXCOORD3FVPROC    glproc_multiTexCoord3fv;
PFNGLBLENDEQUATIONPROC       glproc_blendEquation;

/* The core name first, then the extension's. */
template <typename Fn>
static bool fetch(Fn* slot, const char* core, const char* extension)
{
    void* p = SDL_GL_GetProcAddress(core);
    if (!p)
        p = SDL_GL_GetProcAddress(extension);
    *slot = (Fn)p;
    return p != nullptr;
}

const char* glproc_load(void)
{
    if (!fetch(&glproc_activeTexture, "glActiveTexture", "glActiveTextureARB"))
        return "glActiveTexture";
    if (!fetch(&glproc_clientActiveTexture, "glClientActiveTexture", "glClientActiveTextureARB"))
        return "glClientActiveTexture";
    if (!fetch(&glproc_multiTexCoord2f, "glMultiTexCoord2f", "glMultiTexCoord2fARB"))
        return "glMultiTexCoord2f";
    if (!fetch(&glproc_multiTexCoord3fv, "glMultiTexCoord3fv", "glMultiTexCoord3fvARB"))
        return "glMultiTexCoord3fv";
    if (!fetch(&glproc_blendEquation, "glBlendEquation", "glBlendEquationEXT"))
        return "glBlendEquation";
    return nullptr;
}

#else

const char* glproc_load(void)
{
    return nullptr;
}

#endif
