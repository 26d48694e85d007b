/*
** glproc.h -- the OpenGL calls past version 1.1 that the player makes.
** Linux's libGL exports them; Windows' opengl32.dll stops at 1.1, so there
** they are function pointers that glproc_load fetches from the driver once
** a context exists, under the same names.  Include after <GL/glext.h>.
*/
#ifndef GLPROC_H
#define GLPROC_H

/* Fetches the calls; the name of the first one missing, or null when all
** are there (always null where the library exports them). */
const char* glproc_load(void);

#ifdef _WIN32
extern PFNGLACTIVETEXTUREPROC       glproc_activeTexture;
extern PFNGLCLIENTACTIVETEXTUREPROC glproc_clientActiveTexture;
extern PFNGLMULTITEXCOORD2FPROC     glproc_multiTexCoord2f;
extern PFNGLMULTITEXCOORD3FVPROC    glproc_multiTexCoord3fv;
extern PFNGLBLENDEQUATIONPROC       glproc_blendEquation;
#define glActiveTexture       glproc_activeTexture
#define glClientActiveTexture glproc_clientActiveTexture
#define glMultiTexCoord2f     glproc_multiTexCoord2f
#define glMultiTexCoord3fv    glproc_multiTexCoord3fv
#define glBlendEquation       glproc_blendEquation
#endif

#endif
