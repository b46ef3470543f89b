// The LightWave object reader: LoadFile and the LWOB parser (Objet3d::LoadLWO, in
// objet3d.cpp, applies the process-ending policy to its status).
#include "engine3d/lwo_reader.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "core/byte_order.h"
#include "core/data_location.h"
#include "core/exit_codes.h"
#include "core/fatal_error.h"

uint8_t* LoadFile(const char* fileName, size_t* length) {
  FILE* file = std::fopen(DataPath(fileName).c_str(), "rb");
  if (file == nullptr) {
    std::printf("ca chie! -> impossible d'ouvrir le fichier: %s \n", fileName);
    EndProcess(kExitObjectMissing);
  }
  const long start = std::ftell(file);
  long end = -1;
  if (start >= 0 && std::fseek(file, 0, SEEK_END) == 0) end = std::ftell(file);
  if (end < start || std::fseek(file, start, SEEK_SET) != 0) {
    // A stream with no length to measure (a directory, a pipe) cannot be read whole.
    std::printf("read error: ca chie a la lecture de :%s", fileName);
    EndProcess(kExitObjectShortRead);
  }
  const size_t size = static_cast<size_t>(end - start);
  uint8_t* block = new (std::nothrow) uint8_t[size > 0 ? size : 1];
  if (block == nullptr) {
    std::printf("no enough memory!! for loading: %s", fileName);
    EndProcess(kExitObjectUnusable);
  }
  if (std::fread(block, 1, size, file) != size) {
    std::printf("read error: ca chie a la lecture de :%s", fileName);
    EndProcess(kExitObjectShortRead);
  }
  std::fclose(file);
  if (length != nullptr) *length = size;
  return block;
}

uint8_t* LoadFile(const char* fileName) { return LoadFile(fileName, nullptr); }

namespace {

float ReadBigEndianFloat(const uint8_t* bytes) {
  const uint32_t word = ReadBigEndian32(bytes);
  float value;
  std::memcpy(&value, &word, sizeof value);
  return value;
}

bool TagIs(const uint8_t* bytes, const char* tag) { return std::memcmp(bytes, tag, 4) == 0; }

void ReadPoints(const uint8_t* data, uint32_t chunkSize, LwoMesh* mesh) {
  const size_t count = chunkSize / 12;
  mesh->points.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = data + i * 12;
    mesh->points[i] = {ReadBigEndianFloat(entry), ReadBigEndianFloat(entry + 4),
                       ReadBigEndianFloat(entry + 8)};
    SnifferLog("POINT n= %d --> [%f][%f][%f]", static_cast<int>(i), mesh->points[i].x,
               mesh->points[i].y, mesh->points[i].z);
  }
}

bool ReadTriangles(const uint8_t* data, uint32_t chunkSize, LwoMesh* mesh) {
  const size_t count = chunkSize / 10;
  mesh->faces.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = data + i * 10;
    const uint32_t vertexCount = ReadBigEndian16(entry);
    if (vertexCount != 3) {
      SnifferLog("nb de points ds ce triangle : %d", static_cast<int>(vertexCount));
      SnifferLog(" LES FACES DOIVENT ETRE DES TRIANGLES !!!!!!!!!!!");
      mesh->badVertexCount = vertexCount;
      return false;
    }
    // Indices are unsigned: 0x8000 and above are points 32768 and up.
    FaceIndices& face = mesh->faces[i];
    face.a = static_cast<int32_t>(ReadBigEndian16(entry + 2));
    face.b = static_cast<int32_t>(ReadBigEndian16(entry + 4));
    face.c = static_cast<int32_t>(ReadBigEndian16(entry + 6));
    SnifferLog("Triangle n = %d --> [%d][%d][%d]", static_cast<int>(i), face.a, face.b, face.c);
  }
  return true;
}

}  // namespace

LwoStatus ParseLwo(const uint8_t* data, size_t size, LwoMesh* mesh) {
  mesh->points.clear();
  mesh->faces.clear();
  mesh->formSize = 0;
  mesh->badVertexCount = 0;
  if (size < 12) return LwoStatus::kTooShort;
  if (!TagIs(data, "FORM")) {
    SnifferLog(" FILE FORMAT ERREUR !!!!!!!!!!!\n");
    return LwoStatus::kNotForm;
  }
  SnifferLog("IFF FORMAT --> OK");
  const uint32_t formSize = ReadBigEndian32(data + 4);
  mesh->formSize = formSize;
  SnifferLog("Taille du chunk FORM = %ld", static_cast<long>(formSize));
  if (!TagIs(data + 8, "LWOB")) {
    SnifferLog(" FILE FORMAT ERREUR !!!!!!!!!!! \n LW5 en triangle oblig\xE9");
    return LwoStatus::kNotLwob;
  }
  SnifferLog("LIGHTWAVE OBJET TYPE --> OK");
  SnifferLog("Ouverture OK");
  if (static_cast<uint64_t>(formSize) > size - 8) return LwoStatus::kFormPastEnd;

  // The cursor is where the next tag is looked for; the consumed count is what the
  // chunks met so far claim of the FORM budget (the form type counts 4). The two part
  // ways after a PNTS or POLS chunk whose size is not a whole number of entries.
  // Both are 64-bit: with every chunk inside the file neither can wrap.
  uint64_t cursor = 12;
  uint64_t consumed = 4;
  // The chunk at the cursor: its header and the `needed` bytes of data after it must
  // lie inside the file.
  auto chunkFits = [&](uint64_t needed) { return cursor + 8 <= size && needed <= size - cursor - 8; };

  while (consumed < formSize) {
    if (!chunkFits(0)) return LwoStatus::kChunkPastEnd;
    if (TagIs(data + cursor, "PNTS")) {
      SnifferLog("Chunk PNTS rencontr\xE9...");
      const uint32_t chunkSize = ReadBigEndian32(data + cursor + 4);
      SnifferLog("TAILLE DU CHUNK PNTS --> 0x%x", chunkSize);
      if (!chunkFits(chunkSize)) return LwoStatus::kChunkPastEnd;
      consumed += 8 + static_cast<uint64_t>(chunkSize);
      SnifferLog("NOMBRE DE POINTS");
      ReadPoints(data + cursor + 8, chunkSize, mesh);
      cursor += 8 + 12 * static_cast<uint64_t>(chunkSize / 12);
      SnifferLog("Fin du chunk PNTS");
    }
    if (consumed >= formSize) break;
    if (!chunkFits(0)) return LwoStatus::kChunkPastEnd;
    if (TagIs(data + cursor, "POLS")) {
      SnifferLog("Chunk POLS rencontr\xE9...");
      const uint32_t chunkSize = ReadBigEndian32(data + cursor + 4);
      SnifferLog("TAILLE DU CHUNK POLS --> 0x%x", chunkSize);
      if (!chunkFits(chunkSize)) return LwoStatus::kChunkPastEnd;
      consumed += 8 + static_cast<uint64_t>(chunkSize);
      if (!ReadTriangles(data + cursor + 8, chunkSize, mesh)) return LwoStatus::kNotTriangle;
      cursor += 8 + 10 * static_cast<uint64_t>(chunkSize / 10);
      SnifferLog("Fin du chunk POLS");
    }
    if (consumed >= formSize) break;
    // Whatever comes next is skipped, even a second PNTS or POLS chunk.
    if (!chunkFits(0)) return LwoStatus::kChunkPastEnd;
    SnifferLog("Chunk non trait\xE9 : %.4s", reinterpret_cast<const char*>(data + cursor));
    const uint32_t chunkSize = ReadBigEndian32(data + cursor + 4);
    SnifferLog("Saut de 0x%x ou %d octets", chunkSize, static_cast<int>(chunkSize));
    if (!chunkFits(chunkSize)) return LwoStatus::kChunkPastEnd;
    cursor += 8 + static_cast<uint64_t>(chunkSize);
    consumed += 8 + static_cast<uint64_t>(chunkSize);
    SnifferLog("Fin du chunk");
  }

  // Triangles index the points as they stand after the last chunk; a point that is
  // not there (including any point at all when no PNTS chunk was read) is refused.
  const uint64_t pointCount = mesh->points.size();
  for (const FaceIndices& face : mesh->faces) {
    if (static_cast<uint64_t>(face.a) >= pointCount || static_cast<uint64_t>(face.b) >= pointCount ||
        static_cast<uint64_t>(face.c) >= pointCount) {
      return LwoStatus::kIndexOutOfRange;
    }
  }
  return LwoStatus::kOk;
}

const char* LwoStatusText(LwoStatus status) {
  switch (status) {
    case LwoStatus::kOk: return "no error";
    case LwoStatus::kTooShort: return "file shorter than the 12-byte FORM header";
    case LwoStatus::kNotForm: return "not an IFF FORM file";
    case LwoStatus::kNotLwob: return "form type is not LWOB";
    case LwoStatus::kFormPastEnd: return "FORM size runs past the end of the file";
    case LwoStatus::kChunkPastEnd: return "a chunk runs past the end of the file";
    case LwoStatus::kNotTriangle: return "a polygon is not a triangle";
    case LwoStatus::kIndexOutOfRange: return "a triangle names a point that does not exist";
  }
  return "unknown error";
}
