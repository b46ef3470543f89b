// The LightWave reader: chunk walking, number decoding, and the refusal of files that
// lie about their sizes or indices.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine3d/lwo_reader.h"
#include "engine3d/lwo_writer.h"
#include "tests/engine3d/engine3d_test_support.h"

namespace {

const std::vector<Vecteur3d> kTrianglePoints = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

LwoStatus Parse(const std::vector<uint8_t>& bytes, LwoMesh* mesh) {
  return ParseLwo(bytes.data(), bytes.size(), mesh);
}

TEST(LwoReader, ReadsPointsAndTrianglesAndSkipsSurfaceChunks) {
  const std::vector<uint8_t> bytes = LwoBytes()
                                         .Chunk("PNTS", PointsData(kTrianglePoints))
                                         .Chunk("SRFS", {'s', 'k', 'i', 'n', 0, 0})
                                         .Chunk("POLS", TrianglesData({{0, 1, 2}, {2, 1, 0}}))
                                         .Chunk("SURF", std::vector<uint8_t>(20, 7))
                                         .Build();
  LwoMesh mesh;
  ASSERT_EQ(Parse(bytes, &mesh), LwoStatus::kOk);
  ASSERT_EQ(mesh.points.size(), 3u);
  EXPECT_EQ(mesh.points[1].x, 1.0f);
  EXPECT_EQ(mesh.points[2].y, 1.0f);
  ASSERT_EQ(mesh.faces.size(), 2u);
  EXPECT_EQ(mesh.faces[1].a, 2);
  EXPECT_EQ(mesh.faces[1].c, 0);
}

TEST(LwoReader, DecodesBigEndianFloatsAndUnsignedIndices) {
  // 0x3F800000 is 1.0, 0xC0490FDB is -3.1415927.
  std::vector<uint8_t> points = {0x3F, 0x80, 0x00, 0x00, 0xC0, 0x49, 0x0F, 0xDB, 0x00, 0x00, 0x00, 0x00};
  std::vector<Vecteur3d> many(0x8002, Vecteur3d{0, 0, 0});
  many[0] = {1.0f, -3.14159274f, 0.0f};
  std::vector<uint8_t> manyPoints = PointsData(many);
  ASSERT_TRUE(std::equal(points.begin(), points.end(), manyPoints.begin()));
  LwoMesh mesh;
  const std::vector<uint8_t> bytes =
      LwoBytes().Chunk("PNTS", manyPoints).Chunk("POLS", TrianglesData({{0x8000, 0x8001, 0}})).Build();
  ASSERT_EQ(Parse(bytes, &mesh), LwoStatus::kOk);
  EXPECT_EQ(mesh.points[0].x, 1.0f);
  EXPECT_EQ(mesh.points[0].y, -3.14159274f);
  EXPECT_EQ(mesh.faces[0].a, 32768);
  EXPECT_EQ(mesh.faces[0].b, 32769);
}

TEST(LwoReader, ChunkSizesAreTakenByWholeEntriesWithNoPadding) {
  LwoMesh mesh;
  // 36 bytes give 3 points; an empty POLS gives no triangle.
  ASSERT_EQ(Parse(LwoBytes().Chunk("PNTS", PointsData(kTrianglePoints)).Chunk("POLS", {}).Build(), &mesh),
            LwoStatus::kOk);
  EXPECT_EQ(mesh.points.size(), 3u);
  EXPECT_EQ(mesh.faces.size(), 0u);

  // A chunk of odd size is followed at once by the next tag.
  ASSERT_EQ(Parse(LwoBytes()
                      .Chunk("PNTS", PointsData(kTrianglePoints))
                      .Chunk("SRFS", {'a', 'b', 'c'})
                      .Chunk("POLS", TrianglesData({{0, 1, 2}}))
                      .Build(),
                  &mesh),
            LwoStatus::kOk);
  EXPECT_EQ(mesh.faces.size(), 1u);

  // A PNTS size of 40 holds 3 points; the next tag is looked for right after them,
  // so the 4 spare bytes must be the next tag ("POLS" here), while the FORM budget
  // counts all 40.
  std::vector<uint8_t> points = PointsData(kTrianglePoints);
  std::vector<uint8_t> pointsThenTriangles = points;
  for (char c : {'P', 'O', 'L', 'S'}) pointsThenTriangles.push_back(static_cast<uint8_t>(c));
  std::vector<uint8_t> triangles = TrianglesData({{2, 1, 0}});
  PutBigEndian32(&pointsThenTriangles, static_cast<uint32_t>(triangles.size()));
  pointsThenTriangles.insert(pointsThenTriangles.end(), triangles.begin(), triangles.end());
  std::vector<uint8_t> bytes = LwoBytes().Raw({'P', 'N', 'T', 'S', 0, 0, 0, 40}).Raw(pointsThenTriangles).Build();
  ASSERT_EQ(Parse(bytes, &mesh), LwoStatus::kOk);
  EXPECT_EQ(mesh.points.size(), 3u);
  ASSERT_EQ(mesh.faces.size(), 1u);
  EXPECT_EQ(mesh.faces[0].a, 2);
}

TEST(LwoReader, OnePassReadsPointsThenTrianglesThenSkipsOneChunk) {
  LwoMesh mesh;
  // POLS then PNTS: the points are skipped unread, so the triangles name nothing.
  EXPECT_EQ(Parse(LwoBytes()
                      .Chunk("POLS", TrianglesData({{0, 1, 2}}))
                      .Chunk("PNTS", PointsData(kTrianglePoints))
                      .Build(),
                  &mesh),
            LwoStatus::kIndexOutOfRange);
  // A second PNTS right after the first is the chunk skipped in that pass.
  ASSERT_EQ(Parse(LwoBytes()
                      .Chunk("PNTS", PointsData(kTrianglePoints))
                      .Chunk("PNTS", PointsData({{5, 5, 5}}))
                      .Chunk("POLS", TrianglesData({{0, 1, 2}}))
                      .Build(),
                  &mesh),
            LwoStatus::kOk);
  EXPECT_EQ(mesh.points.size(), 3u);
  EXPECT_EQ(mesh.faces.size(), 1u);
}

TEST(LwoReader, RefusesWrongHeadersAndNonTriangles) {
  LwoMesh mesh;
  std::vector<uint8_t> bytes = LwoBytes().Chunk("PNTS", PointsData(kTrianglePoints)).Build();
  EXPECT_EQ(Parse(LwoBytes().Build("LWO2"), &mesh), LwoStatus::kNotLwob);
  bytes[0] = 'X';
  EXPECT_EQ(Parse(bytes, &mesh), LwoStatus::kNotForm);
  std::vector<uint8_t> quad = TrianglesData({{0, 1, 2}, {0, 1, 2}});
  quad[11] = 4;  // the second polygon claims four corners
  EXPECT_EQ(Parse(LwoBytes().Chunk("PNTS", PointsData(kTrianglePoints)).Chunk("POLS", quad).Build(), &mesh),
            LwoStatus::kNotTriangle);
  EXPECT_EQ(mesh.badVertexCount, 4u);
}

TEST(LwoReader, RefusesSizesThatRunPastTheData) {
  LwoMesh mesh;
  const std::vector<uint8_t> good = LwoBytes()
                                        .Chunk("PNTS", PointsData(kTrianglePoints))
                                        .Chunk("POLS", TrianglesData({{0, 1, 2}}))
                                        .Build();
  for (size_t length = 0; length < 12; ++length) {
    EXPECT_EQ(ParseLwo(good.data(), length, &mesh), LwoStatus::kTooShort) << length;
  }
  // Every cut inside the chunks is caught by the FORM size check.
  for (size_t length = 12; length < good.size(); ++length) {
    EXPECT_EQ(ParseLwo(good.data(), length, &mesh), LwoStatus::kFormPastEnd) << length;
  }
  // A chunk size past the end of the file, with an honest FORM size.
  const uint32_t pastEnd = static_cast<uint32_t>(good.size() - 20 + 1);
  for (uint32_t pointsSize : {pastEnd, 0x7FFFFFFFu, 0xFFFFFFF8u, 0xFFFFFFFFu}) {
    std::vector<uint8_t> bytes = good;
    bytes[16] = static_cast<uint8_t>(pointsSize >> 24);
    bytes[17] = static_cast<uint8_t>(pointsSize >> 16);
    bytes[18] = static_cast<uint8_t>(pointsSize >> 8);
    bytes[19] = static_cast<uint8_t>(pointsSize);
    EXPECT_EQ(Parse(bytes, &mesh), LwoStatus::kChunkPastEnd) << pointsSize;
  }
  // A FORM size that promises one more chunk than there is: no header to read.
  std::vector<uint8_t> bytes = good;
  bytes.push_back('X');
  bytes[7] = static_cast<uint8_t>(bytes[7] + 1);
  EXPECT_EQ(Parse(bytes, &mesh), LwoStatus::kChunkPastEnd);
  // Indices at or beyond the point count.
  EXPECT_EQ(Parse(LwoBytes().Chunk("PNTS", PointsData(kTrianglePoints)).Chunk("POLS", TrianglesData({{0, 3, 1}})).Build(),
                  &mesh),
            LwoStatus::kIndexOutOfRange);
  EXPECT_EQ(Parse(LwoBytes().Chunk("POLS", TrianglesData({{0, 0, 0}})).Build(), &mesh),
            LwoStatus::kIndexOutOfRange);
}

TEST(LwoReader, LoadLwoFillsTheObjectAndAllocatesItsWorkArrays) {
  const std::string fileName = TestFileName("good") + ".lwo";
  ASSERT_TRUE(WriteBytes(fileName, EncodeLwo(kTrianglePoints, {{0, 1, 2}})));
  Objet3d object;
  object.LoadLWO(fileName.c_str());
  std::remove(fileName.c_str());
  EXPECT_EQ(object.nbPoints, 3);
  EXPECT_EQ(object.nbFaces, 1);
  EXPECT_EQ(object.points[1].x, 1.0f);
  EXPECT_EQ(object.faces[0].c, 2);
  EXPECT_NE(object.camPoints, nullptr);
  EXPECT_NE(object.screenX, nullptr);
  EXPECT_NE(object.screenY, nullptr);
  EXPECT_NE(object.envUV, nullptr);
  EXPECT_NE(object.faceOrder, nullptr);
  EXPECT_NE(object.faceDepth, nullptr);
  EXPECT_EQ(object.pointNormals, nullptr);
}

using LoadLwoDeathTest = ::testing::Test;

TEST_F(LoadLwoDeathTest, EndsTheProcessWithTheReaderExitCodes) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Objet3d object;
  EXPECT_EXIT(object.LoadLWO("no_such_directory/none.lwo"), ::testing::ExitedWithCode(2), "");

  const std::string notLwob = TestFileName("lwo2") + ".lwo";
  ASSERT_TRUE(WriteBytes(notLwob, LwoBytes().Build("LWO2")));
  // The old rejections stay silent.
  EXPECT_EXIT(object.LoadLWO(notLwob.c_str()), ::testing::ExitedWithCode(1), "^$");
  std::remove(notLwob.c_str());

  const std::string shortFile = TestFileName("short") + ".lwo";
  ASSERT_TRUE(WriteBytes(shortFile, {'F', 'O', 'R', 'M', 0, 0}));
  EXPECT_EXIT(object.LoadLWO(shortFile.c_str()), ::testing::ExitedWithCode(1),
              "short_.*\\.lwo: LightWave object rejected: file shorter");
  std::remove(shortFile.c_str());

  const std::string badIndex = TestFileName("index") + ".lwo";
  ASSERT_TRUE(WriteBytes(badIndex, EncodeLwo(kTrianglePoints, {{0, 1, 3}})));
  EXPECT_EXIT(object.LoadLWO(badIndex.c_str()), ::testing::ExitedWithCode(1), "names a point that does not exist");
  std::remove(badIndex.c_str());
}

}  // namespace
