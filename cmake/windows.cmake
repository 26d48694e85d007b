# The player for Windows, cross-built with mingw-w64 (cmake/toolchain-mingw64.cmake)
# against the static libraries tools/build-win-deps installs under
# LUMENO_WIN_PREFIX.  player.exe links everything statically, the mingw
# runtime included, so it needs only DLLs that every Windows has.  Tests and
# benchmarks stay in the Linux build, which runs this player under wine.
if(NOT LUMENO_WIN_PREFIX OR NOT EXISTS ${LUMENO_WIN_PREFIX}/lib/libSDL.a)
  message(FATAL_ERROR "LUMENO_WIN_PREFIX must name the folder tools/build-win-deps printed")
endif()

file(GLOB WIN_SOURCES CONFIGURE_DEPENDS
     kernel/*.cpp render/*.cpp models/*.cpp effects/*.cpp audio/*.cpp studio/*.cpp studio/win/*.cpp)
# The Linux entry; studio/win/st_winmain.cpp is the Windows one.  Packing
# releases is a Linux tool: studio/win/st_linuxonly.cpp says so.
list(REMOVE_ITEM WIN_SOURCES ${CMAKE_SOURCE_DIR}/studio/main.cpp ${CMAKE_SOURCE_DIR}/studio/st_pack.cpp)

add_executable(player WIN32 ${WIN_SOURCES})
target_include_directories(player PRIVATE kernel render models effects audio studio studio/win)
set_target_properties(player PROPERTIES CXX_EXTENSIONS ON)
target_include_directories(player SYSTEM PRIVATE ${LUMENO_WIN_PREFIX}/include)
target_link_directories(player PRIVATE ${LUMENO_WIN_PREFIX}/lib)
# SDL_image's source is not to be had from the archive here: pictures are
# decoded by the player itself (render/picture.cpp) on libpng and libjpeg.
# _SDL_main_h keeps SDL's renaming of main out: the player has its own entry.
target_compile_definitions(player PRIVATE LUMENO_NO_SDL_IMAGE _USE_MATH_DEFINES _SDL_main_h)
target_link_libraries(player PRIVATE
    vorbisfile vorbis ogg mpg123 shlwapi 3ds png16 jpeg z SDL
    glu32 opengl32 ws2_32 user32 gdi32 winmm shell32 ole32 version imm32 setupapi)
target_link_options(player PRIVATE -static -static-libgcc -static-libstdc++)
