// The LightWave object reader: whole-file loading and the LWOB chunk parser.
//
// Accepted subset: an IFF "FORM" of type "LWOB" holding a "PNTS" chunk (points, three
// big-endian IEEE floats each) and a "POLS" chunk (polygons of exactly three
// big-endian uint16 indices plus a surface number, 10 bytes each); every other chunk
// is skipped. Chunks are not padded to even sizes. Sizes that are not whole multiples
// of 12 (PNTS) or 10 (POLS) are read by whole entries, and the next chunk is looked
// for right after the last whole entry, not at the end of the stated size, while the
// FORM budget counts the stated size: long-standing behaviour that existing files
// may rely on, kept as is.
//
// The file is untrusted: every size it states is checked against the data before
// use, so nothing outside the block is ever read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine3d/objet3d.h"
#include "engine3d/vecteur3d.h"

// Reads the whole file into a new[] block that the caller releases with delete[].
// Failures end the process (core/exit_codes.h): cannot open (kExitObjectMissing), no
// memory (kExitObjectUnusable), short read (kExitObjectShortRead),
// each with its message on standard output. The second form also gives the length.
uint8_t* LoadFile(const char* fileName);
uint8_t* LoadFile(const char* fileName, size_t* length);

enum class LwoStatus {
  kOk,
  kTooShort,           // fewer than 12 bytes: no room for the FORM header
  kNotForm,            // does not begin with "FORM"
  kNotLwob,            // the form type is not "LWOB"
  kFormPastEnd,        // the FORM size claims more bytes than the file has
  kChunkPastEnd,       // a chunk header or its data runs past the end of the file
  kNotTriangle,        // a polygon with other than three vertices
  kIndexOutOfRange,    // a triangle names a point that the file does not define
};

// What the parser read: the points and triangles of the last PNTS and POLS chunks
// it met. When the status is not kOk the contents are unspecified.
struct LwoMesh {
  std::vector<Vecteur3d> points;
  std::vector<FaceIndices> faces;
  uint32_t formSize = 0;
  uint32_t badVertexCount = 0;  // the count of the offending polygon (kNotTriangle)
};

// Parses a LightWave object held in memory. Never reads outside data[0, size) and
// never ends the process.
LwoStatus ParseLwo(const uint8_t* data, size_t size, LwoMesh* mesh);

// One line describing a status, for the error output.
const char* LwoStatusText(LwoStatus status);
