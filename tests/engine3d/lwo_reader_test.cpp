// The LightWave reader: chunk walking, number decoding, and the files it refuses.
#include "core/exit_codes.h"
#include "engine3d/lwo_reader.h"
#include "tests/engine3d/engine3d_test_support.h"

namespace {

// A LightWave file assembled chunk by chunk, big-endian sizes; Build fills in the FORM size.
struct LwoBytes {
  std::vector<uint8_t> chunks;
  LwoBytes& Chunk(const char* tag, const std::vector<uint8_t>& data) {
    chunks.insert(chunks.end(), tag, tag + 4);
    for (int shift = 24; shift >= 0; shift -= 8) chunks.push_back(static_cast<uint8_t>(data.size() >> shift));
    chunks.insert(chunks.end(), data.begin(), data.end());
    return *this;
  }
  std::vector<uint8_t> Build(const char* formType = "LWOB") const {
    std::vector<uint8_t> form(formType, formType + 4);
    form.insert(form.end(), chunks.begin(), chunks.end());
    return LwoBytes().Chunk("FORM", form).chunks;
  }
};
// The data of the PNTS chunk, or of the POLS chunk, alone.
std::vector<uint8_t> PointsData(const std::vector<Vecteur3d>& points) {
  const std::vector<uint8_t> bytes = EncodeLwo(points, {});
  return {bytes.begin() + 20, bytes.end() - 8};
}
std::vector<uint8_t> TrianglesData(const std::vector<FaceIndices>& faces) {
  const std::vector<uint8_t> bytes = EncodeLwo({}, faces);
  return {bytes.begin() + 28, bytes.end()};
}

const std::vector<Vecteur3d> kPoints = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

LwoStatus Parse(const std::vector<uint8_t>& bytes, LwoMesh* mesh) { return ParseLwo(bytes.data(), bytes.size(), mesh); }

TEST(LwoReader, WalksTheChunksAsTheObjectFilesLayThemOut) {
  LwoMesh mesh;
  // Surface chunks are skipped, an odd-sized one with no pad byte after it.
  LwoBytes file;
  file.Chunk("PNTS", PointsData(kPoints)).Chunk("SRFS", {'s', 'k', 'n'}).Chunk("POLS", TrianglesData({{0, 1, 2}, {2, 1, 0}}));
  ASSERT_EQ(Parse(file.Chunk("SURF", std::vector<uint8_t>(20, 7)).Build(), &mesh), LwoStatus::kOk);
  ASSERT_EQ(mesh.points.size() * 10 + mesh.faces.size(), 32u);
  EXPECT_EQ(mesh.points[2].y + mesh.faces[1].a * 10 + mesh.faces[1].c, 21.0f);

  // One pass reads PNTS, then POLS, then skips one chunk whatever it is: a second
  // PNTS right after the first is not read, nor a PNTS right after POLS.
  file = LwoBytes().Chunk("PNTS", PointsData(kPoints)).Chunk("PNTS", PointsData({{5, 5, 5}})).Chunk("POLS", {});
  ASSERT_EQ(Parse(file.Build(), &mesh), LwoStatus::kOk);
  EXPECT_EQ(mesh.points.size() * 10 + mesh.faces.size(), 30u);
  EXPECT_EQ(Parse(LwoBytes().Chunk("POLS", TrianglesData({{0, 1, 2}})).Chunk("PNTS", PointsData(kPoints)).Build(), &mesh),
            LwoStatus::kIndexOutOfRange);

  // A PNTS size of 40 holds 3 points: the next tag is looked for right after them,
  // while the FORM budget counts all 40 bytes.
  LwoBytes spare;
  spare.Chunk("PNTS", PointsData(kPoints)).chunks[7] = 40;
  spare.Chunk("POLS", TrianglesData({{2, 1, 0}}));
  ASSERT_EQ(Parse(spare.Build(), &mesh), LwoStatus::kOk);
  EXPECT_EQ(mesh.faces.size(), 1u);
}

TEST(LwoReader, DecodesBigEndianFloatsAndUnsignedIndices) {
  std::vector<Vecteur3d> points(0x8002, Vecteur3d{0, 0, 0});
  std::vector<uint8_t> data = PointsData(points);
  const uint8_t first[] = {0x3F, 0x80, 0x00, 0x00, 0xC0, 0x49, 0x0F, 0xDB};  // 1.0, -3.1415927
  std::copy(first, first + 8, data.begin());
  LwoMesh mesh;
  ASSERT_EQ(Parse(LwoBytes().Chunk("PNTS", data).Chunk("POLS", TrianglesData({{0x8000, 0x8001, 0}})).Build(), &mesh),
            LwoStatus::kOk);
  EXPECT_EQ(std::pair(mesh.points[0].x, mesh.points[0].y), std::pair(1.0f, -3.14159274f));
  EXPECT_EQ(std::pair(mesh.faces[0].a, mesh.faces[0].b), std::pair(32768, 32769));
}

TEST(LwoReader, RefusesWrongHeadersNonTrianglesAndSizesPastTheData) {
  LwoMesh mesh;
  const std::vector<uint8_t> good = EncodeLwo(kPoints, {{0, 1, 2}});
  EXPECT_EQ(Parse(LwoBytes().Build("LWO2"), &mesh), LwoStatus::kNotLwob);
  std::vector<uint8_t> bytes = good;
  bytes[0] = 'X';
  EXPECT_EQ(Parse(bytes, &mesh), LwoStatus::kNotForm);
  bytes = good;
  bytes[good.size() - 9] = 4;  // the last polygon claims four corners
  EXPECT_EQ(Parse(bytes, &mesh), LwoStatus::kNotTriangle);
  EXPECT_EQ(mesh.badVertexCount, 4u);

  for (size_t length = 0; length < good.size(); ++length) {
    EXPECT_EQ(ParseLwo(good.data(), length, &mesh), length < 12 ? LwoStatus::kTooShort : LwoStatus::kFormPastEnd);
  }
  // Chunk sizes past the end with an honest FORM size, including ones whose 8 + size
  // wraps around 32 bits.
  for (uint32_t size : {static_cast<uint32_t>(good.size() - 19), 0x7FFFFFFFu, 0xFFFFFFF8u, 0xFFFFFFFFu}) {
    bytes = good;
    for (int i = 0; i < 4; ++i) bytes[16 + i] = static_cast<uint8_t>(size >> (24 - 8 * i));
    EXPECT_EQ(Parse(bytes, &mesh), LwoStatus::kChunkPastEnd) << size;
  }
  bytes = good;  // a FORM size that promises a chunk header there is no room for
  bytes.push_back('X');
  ++bytes[7];
  EXPECT_EQ(Parse(bytes, &mesh), LwoStatus::kChunkPastEnd);
  EXPECT_EQ(Parse(EncodeLwo(kPoints, {{0, 3, 1}}), &mesh), LwoStatus::kIndexOutOfRange);
  EXPECT_EQ(Parse(EncodeLwo({}, {{0, 0, 0}}), &mesh), LwoStatus::kIndexOutOfRange);
}

TEST(LoadLwoDeathTest, EndsTheProcessWithTheReaderExitCodes) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Objet3d object;  // a missing file (exit code 2) and a short one: see Tampering.Object
  const auto expectExit = [&](const std::vector<uint8_t>& bytes, const char* stderrPattern) {
    const std::string fileName = TestFileName("bad") + ".lwo";
    ASSERT_TRUE(WriteBytes(fileName, bytes));
    EXPECT_EXIT(object.LoadLWO(fileName.c_str()), ::testing::ExitedWithCode(kExitObjectUnusable), stderrPattern);
    std::remove(fileName.c_str());
  };
  expectExit(LwoBytes().Build("LWO2"), "^bad_[A-Za-z_0-9]+\\.lwo: LightWave object rejected: form type is not LWOB");
  expectExit(EncodeLwo(kPoints, {{0, 1, 3}}), "bad_[A-Za-z_0-9]+\\.lwo: .*names a point that does not exist");
}

}  // namespace
