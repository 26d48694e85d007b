/*
** tds_writer.h -- a tiny 3DS writer for tests: builds exact chunk trees
** byte by byte (little-endian), including deliberately damaged ones.
*/
#ifndef TDS_WRITER_H
#define TDS_WRITER_H

#include <stdint.h>
#include <string.h>

#include <array>
#include <string>
#include <vector>

#include "testutil.h"   /* TempDir, writeFile */

namespace tds {

typedef std::vector<uint8_t> Bytes;

inline Bytes byte(unsigned v) { return Bytes{(uint8_t)v}; }
inline Bytes u16(unsigned v) { return Bytes{(uint8_t)v, (uint8_t)(v >> 8)}; }
inline Bytes u32(uint32_t v) { return Bytes{(uint8_t)v, (uint8_t)(v >> 8), (uint8_t)(v >> 16), (uint8_t)(v >> 24)}; }
inline Bytes f32(float f)
{
    uint32_t bits;
    memcpy(&bits, &f, 4);
    return u32(bits);
}
inline Bytes str(const std::string& s)
{
    Bytes b(s.begin(), s.end());
    b.push_back(0);
    return b;
}

template <typename... Parts>
inline void append(Bytes& out, const Parts&... parts) { (out.insert(out.end(), parts.begin(), parts.end()), ...); }
template <typename... Parts>
inline Bytes cat(const Parts&... parts)
{
    Bytes out;
    append(out, parts...);
    return out;
}

/* A chunk whose header states its true length. */
template <typename... Parts>
inline Bytes chunk(unsigned id, const Parts&... parts)
{
    Bytes body = cat(parts...);
    return cat(u16(id), u32((uint32_t)(body.size() + 6)), body);
}
/* A chunk whose header states `length`, whatever its body holds. */
inline Bytes chunkWithLength(unsigned id, uint32_t length, const Bytes& body) { return cat(u16(id), u32(length), body); }

typedef std::array<float, 3> P3;
struct F {
    unsigned a, b, c, flags;
};

inline Bytes vertices(const std::vector<P3>& ps)
{
    Bytes b = u16((unsigned)ps.size());
    for (const P3& p : ps) append(b, f32(p[0]), f32(p[1]), f32(p[2]));
    return chunk(0x4110, b);
}
/* The face list; `inside` holds its sub-chunks (material and smoothing groups). */
inline Bytes faces(const std::vector<F>& fs, const Bytes& inside = Bytes())
{
    Bytes b = u16((unsigned)fs.size());
    for (const F& f : fs) append(b, u16(f.a), u16(f.b), u16(f.c), u16(f.flags));
    return chunk(0x4120, b, inside);
}
inline Bytes group(const std::string& material, const std::vector<unsigned>& numbers)
{
    Bytes b = cat(str(material), u16((unsigned)numbers.size()));
    for (unsigned n : numbers) append(b, u16(n));
    return chunk(0x4130, b);
}
inline Bytes texcoords(const std::vector<std::array<float, 2>>& ts)
{
    Bytes b = u16((unsigned)ts.size());
    for (const auto& t : ts) append(b, f32(t[0]), f32(t[1]));
    return chunk(0x4140, b);
}
template <typename... Parts>
inline Bytes triMesh(const Parts&... parts) { return chunk(0x4100, parts...); }
template <typename... Parts>
inline Bytes object(const std::string& name, const Parts&... parts) { return chunk(0x4000, str(name), parts...); }

/* 24-bit colours are chunks 0x0011 and 0x0012, float ones 0x0010 and 0x0013 */
inline Bytes color24(unsigned id, unsigned r, unsigned g, unsigned b) { return chunk(id, byte(r), byte(g), byte(b)); }
inline Bytes colorF(unsigned id, float r, float g, float b) { return chunk(id, f32(r), f32(g), f32(b)); }
inline Bytes percentInt(unsigned v) { return chunk(0x0030, u16(v)); }
inline Bytes percentFloat(float v) { return chunk(0x0031, f32(v)); }
inline Bytes matName(const std::string& s) { return chunk(0xA000, str(s)); }
inline Bytes mapFile(const std::string& s) { return chunk(0xA300, str(s)); }
template <typename... Parts>
inline Bytes material(const Parts&... parts) { return chunk(0xAFFF, parts...); }

/* The main chunk around an editor chunk holding `parts`. */
template <typename... Parts>
inline Bytes file(const Parts&... parts) { return chunk(0x4D4D, chunk(0x3D3D, parts...)); }

inline bool save(const std::string& path, const Bytes& bytes) { return writeFile(path, std::string(bytes.begin(), bytes.end())); }

}  // namespace tds

#endif
