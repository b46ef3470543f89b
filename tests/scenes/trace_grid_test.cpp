// The per-vertex ray casters of the ball, rippled plane and zoom scenes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "image/grid_mapper.h"
#include "scenes/ball_scene.h"
#include "scenes/rippled_plane_scene.h"
#include "scenes/zoom_scene.h"

namespace {

// Element of the vertex at pixel (x, y).
int Vertex(int x, int y) { return (x / 8) * kGridRows + y / 8; }

constexpr int kCentre = 32 * kGridRows + 16;  // the vertex at (256, 128)

int TexelColumn(int32_t u) { return (u >> 16) & 255; }

}  // namespace

TEST(FillBallGrid, HitsMissesAndTheGrazingRay) {
  int32_t centreX = 0;
  int32_t centreY = 0;
  // Camera on the -x axis looking at the ball: right = (0, 0, -1), down = (0, 1, 0).
  FillBallGrid(256.0f, 5000.0f, -10000.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0, &centreX, &centreY);
  EXPECT_EQ(centreX, 255);
  EXPECT_EQ(centreY, 127);
  // The centre ray meets the ball at (-5000, 0, 0): longitude pi, just below 2^24 because
  // pi is taken as a float (slightly larger).
  EXPECT_EQ(GridU[kCentre], 16777215);
  EXPECT_EQ(GridV[kCentre], 0);
  EXPECT_EQ(GridLight[kCentre], 0);
  // The ball spans 30 degrees around the axis: the corners miss.
  for (int element : {Vertex(0, 0), Vertex(512, 0), Vertex(0, 256), Vertex(512, 256)}) {
    EXPECT_EQ(GridU[element], kBallMissCoordinate);
    EXPECT_EQ(GridV[element], kBallMissCoordinate);
    EXPECT_EQ(GridLight[element], kBallMissLight);
  }
  // Rows mirrored about the centre meet mirrored points: the same texel (the texture
  // covers half a turn of longitude, mirrored). Columns left of the centre look to +z.
  EXPECT_EQ(GridLight[Vertex(200, 96)], 0);
  EXPECT_EQ(GridU[Vertex(200, 96)], GridU[Vertex(200, 160)]);
  EXPECT_EQ(GridV[Vertex(200, 96)], GridV[Vertex(200, 160)]);
  EXPECT_GT(GridV[Vertex(200, 96)], 0);
  EXPECT_LT(GridV[Vertex(312, 96)], 0);

  // The centre ray passes the ball exactly on its rim (discriminant 0): a miss. One more
  // unit of radius and it hits.
  FillBallGrid(256.0f, 5000.0f, -10000.0f, 5000.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0, &centreX, &centreY);
  EXPECT_EQ(GridLight[kCentre], kBallMissLight);
  FillBallGrid(256.0f, 5001.0f, -10000.0f, 5000.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0, &centreX, &centreY);
  EXPECT_EQ(GridLight[kCentre], 0);
}

TEST(FillBallGrid, DirectionAlongTheZAxisKeepsTheRowsOfTheCallBefore) {
  int32_t centreX = 0;
  int32_t centreY = 0;
  FillBallGrid(256.0f, 5000.0f, -10000.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0, &centreX, &centreY);
  const int32_t u = GridU[Vertex(200, 96)];
  const int32_t v = GridV[Vertex(200, 96)];
  FillBallGrid(256.0f, 5000.0f, -10000.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0, &centreX, &centreY);
  EXPECT_EQ(centreX, 255);
  EXPECT_EQ(GridU[Vertex(200, 96)], u);
  EXPECT_EQ(GridV[Vertex(200, 96)], v);
}

TEST(BallAnimationFrame, CyclesThroughThirtyFramesWhateverTheSign) {
  EXPECT_EQ(BallAnimationFrame(0.0, 123.4), 0);
  EXPECT_EQ(BallAnimationFrame(2.0, 3.6), 7);
  EXPECT_EQ(BallAnimationFrame(1.0, 31.9), 1);
  EXPECT_EQ(BallAnimationFrame(-1.0, 5.0), 25);
  EXPECT_EQ(BallAnimationFrame(-1.0, 0.5), 0);  // trunc(-0.5) is 0
  const int32_t huge = BallAnimationFrame(-1e12, 1.0);
  EXPECT_GE(huge, 0);
  EXPECT_LT(huge, 30);
}

TEST(FillRippleGrid, LightFollowsTheHorizontalDistanceFromTheCamera) {
  // Looking straight up: the centre ray meets the plane right above the camera.
  FillRippleGrid(1000.0f, 0.0f, 320.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0, 0.3f);
  EXPECT_EQ(GridU[kCentre], 0);
  EXPECT_EQ(GridV[kCentre], 0);
  EXPECT_EQ(GridLight[kCentre], 0);

  // Far out on the plane the coordinate wraps in 32 bits instead of saturating:
  // 10^6 * 10240 = 1.024e10 keeps its low 32 bits.
  FillRippleGrid(1000.0f, 1.0e6f, 320.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0, 0.3f);
  EXPECT_EQ(GridU[kCentre], static_cast<int32_t>(static_cast<uint32_t>(10240000000LL)));
  EXPECT_EQ(GridLight[kCentre], 0);

  // A hit about 2010 units away horizontally, 680 up: level 100. With phase 0 the ripple
  // height there is exactly 0, so the hit needs no correction (and gets none, instead of
  // the 0/0 of the correction step).
  const float length = std::sqrt(2010.0f * 2010.0f + 680.0f * 680.0f);
  FillRippleGrid(1000.0f, 0.0f, 320.0f, 0.0f, 2010.0f / length, 680.0f / length, 0.0f, 0.0, 0.0f);
  EXPECT_EQ(GridLight[kCentre], 100 << 8);
  EXPECT_NEAR(GridU[kCentre], 2010 * 10240, 64);
  EXPECT_EQ(GridV[kCentre], 0);
}

TEST(FillRippleGrid, RaysParallelToThePlaneAreWhite) {
  // Looking along +x: the whole centre row of rays is horizontal.
  FillRippleGrid(1000.0f, 0.0f, 320.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0, 0.5f);
  for (int x = 0; x <= 512; x += 8) {
    EXPECT_EQ(GridU[Vertex(x, 128)], 0x7F00);
    EXPECT_EQ(GridV[Vertex(x, 128)], 0x7F00);
    EXPECT_EQ(GridLight[Vertex(x, 128)], 0xFF00);
  }
  // Every other vertex meets one of the planes, with a level in range.
  for (int element = 0; element < kGridVertices; ++element) {
    EXPECT_GE(GridLight[element], 0);
    EXPECT_LE(GridLight[element], 0xFF00);
    EXPECT_EQ(GridLight[element] & 0xFF, 0);
  }
}

TEST(TraceZoom, ParallelRaysAreWhiteUnlessTheTubeIsNearer) {
  // Camera on the tube's axis looking along +x: the centre row is parallel to the planes.
  TracePlanes(800.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0);
  EXPECT_EQ(GridU[kCentre], 0x7F00);
  EXPECT_EQ(GridV[kCentre], 0x7F00);
  EXPECT_EQ(GridLight[kCentre], 0xFF00);
  // The centre ray meets the tube wall at (400, 0, 0): angle 0, texel column 0, level 20.
  TraceTube(400.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0);
  EXPECT_EQ(GridU[kCentre], 0x40000000);
  EXPECT_EQ(GridV[kCentre], 0);
  EXPECT_EQ(GridLight[kCentre], 20 << 8);
}

TEST(TraceZoom, TubeTexelColumnsAboveBelowAndBeside) {
  const float diagonal = std::sqrt(0.5f);
  // Up and forward: the tube (y = 400) is nearer than the ceiling (y = 800).
  TracePlanes(800.0f, 0.0f, 0.0f, 0.0f, 0.0f, diagonal, diagonal, 0.0);
  TraceTube(400.0f, 0.0f, 0.0f, 0.0f, 0.0f, diagonal, diagonal, 0.0);
  EXPECT_EQ(TexelColumn(GridU[kCentre]), 63);
  EXPECT_EQ(GridU[kCentre] & 0x7F000000, 0x40000000);
  EXPECT_EQ(GridLight[kCentre], 20 << 8);  // 400 units ahead
  EXPECT_EQ(GridV[kCentre], 400 * 6400);
  // Down and forward: the same column below the axis.
  TracePlanes(800.0f, 0.0f, 0.0f, 0.0f, 0.0f, -diagonal, diagonal, 0.0);
  TraceTube(400.0f, 0.0f, 0.0f, 0.0f, 0.0f, -diagonal, diagonal, 0.0);
  EXPECT_EQ(TexelColumn(GridU[kCentre]), 63);
  // Sideways and forward at the axis' height: hitY = 0, hitX > 0, column 0.
  TracePlanes(800.0f, 0.0f, 0.0f, 0.0f, diagonal, 0.0f, diagonal, 0.0);
  TraceTube(400.0f, 0.0f, 0.0f, 0.0f, diagonal, 0.0f, diagonal, 0.0);
  EXPECT_EQ(GridU[kCentre], 0x40000000);
  EXPECT_EQ(GridLight[kCentre], 28 << 8);  // 565.7 units away horizontally
}

TEST(TraceZoom, EqualLevelsKeepThePlaneAndFarCoordinatesWrap) {
  // Straight up from the axis far along the corridor: tube and ceiling are both right
  // above (horizontal distance 0, level 0), and the planes win the tie.
  TracePlanes(800.0f, 0.0f, 0.0f, 1.0e6f, 0.0f, 1.0f, 0.0f, 0.0);
  TraceTube(400.0f, 0.0f, 0.0f, 1.0e6f, 0.0f, 1.0f, 0.0f, 0.0);
  EXPECT_EQ(GridLight[kCentre], 0);
  EXPECT_EQ(GridU[kCentre], 0);
  // 10^6 * 10240 keeps its low 32 bits.
  EXPECT_EQ(GridV[kCentre], static_cast<int32_t>(static_cast<uint32_t>(10240000000LL)));
}

TEST(TraceZoomDeathTest, FirstDirectionAlongTheAxisGivesFiniteRays) {
  // A fresh process, so that no earlier call has set the basis.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TracePlanes(800.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0);
        TraceTube(400.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0);
        bool finite = true;
        for (int element = 0; element < kGridVertices; ++element) {
          finite = finite && GridU[element] != INT32_MIN && GridV[element] != INT32_MIN &&
                   GridLight[element] >= 0 && GridLight[element] <= 0xFF00;
        }
        // Looking along the corridor: the vertex at the top middle sees a plane ahead.
        finite = finite && GridLight[Vertex(256, 0)] < 0xFF00;
        std::exit(finite ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}
