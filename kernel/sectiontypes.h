/*
** sectiontypes.h -- the lifecycle functions of every section type.
**
** The list is in table order: the index of a type in DK_SECTION_LIST is its
** `type` value in a Section.  Each type file defines its five playing
** functions, its check_<type> and its free_<type> (dkernel.h).
*/
#ifndef SECTIONTYPES_H
#define SECTIONTYPES_H

#define DK_SECTION_LIST(X) \
    X(loading) X(efxRepeat) X(efxAccum) X(efxBlackWhite) X(efxBoxBlur) \
    X(efxColor) X(efxDeform) X(efxFader) X(efxFog) X(efxGlow) \
    X(efxHighPassFilter) X(efxInverse) X(efxMotionBlur) X(efxMotionBlurAccum) \
    X(efxRadialBlur) X(efxRadialGlow) X(efxRenderMesh) X(efxSwirl) \
    X(efxViewport) X(background) X(camera) X(image) X(imageMatrix) \
    X(imagePart) X(light) X(macroBox) X(object) X(objectMatrix) \
    X(objectShader) X(paintex) X(particleMatrix) X(particleObject) \
    X(particleTex) X(pathway) X(ray) X(scene) X(sound)

#define DK_DECLARE_SECTION(name) \
    void preload_##name(void); void load_##name(void); void init_##name(void); \
    void render_##name(void); void end_##name(void); void check_##name(void); \
    void free_##name(void);

DK_SECTION_LIST(DK_DECLARE_SECTION)

#endif
