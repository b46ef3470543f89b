// The per-vertex ray casters of the ball, rippled plane and zoom scenes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "core/exit_codes.h"
#include "image/grid_mapper.h"
#include "scenes/ball_scene.h"
#include "scenes/rippled_plane_scene.h"
#include "scenes/zoom_scene.h"

namespace {

int Vertex(int x, int y) { return (x / 8) * kGridRows + y / 8; }  // vertex at pixel (x, y)
constexpr int kCentre = 32 * kGridRows + 16;                       // the vertex at (256, 128)
constexpr int32_t kWrapped = static_cast<int32_t>(static_cast<uint32_t>(10240000000LL));  // 10^6 * 10240
int TexelColumn(int32_t u) { return (u >> 16) & 255; }
// U, V and light of a vertex, compared and printed together.
std::vector<int32_t> Values(int vertex) { return {GridU[vertex], GridV[vertex], GridLight[vertex]}; }
using V = std::vector<int32_t>;

}  // namespace

TEST(FillBallGrid, HitsMissesTheGrazingRayAndTheAnimationFrame) {
  int32_t centreX = 0, centreY = 0;
  // Camera on the -x axis looking at the ball: right = (0, 0, -1), down = (0, 1, 0).
  FillBallGrid(256.0f, 5000.0f, -10000.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0, &centreX, &centreY);
  EXPECT_EQ(std::pair(centreX, centreY), std::pair(255, 127));
  // The centre ray meets the ball at (-5000, 0, 0): longitude pi, just below 2^24 as pi
  // is taken as a float (slightly larger).
  EXPECT_EQ(Values(kCentre), (V{16777215, 0, 0}));
  // The ball spans 30 degrees around the axis: the corner rays miss.
  EXPECT_EQ(Values(0), (V{kGridMissCoordinate, kGridMissCoordinate, kGridLightMissMarker}));
  // Rows mirrored about the centre meet mirrored points: the same texel. Columns left of
  // the centre look towards +z.
  EXPECT_EQ(GridLight[Vertex(200, 96)], 0);
  EXPECT_EQ(GridU[Vertex(200, 96)], GridU[Vertex(200, 160)]);
  EXPECT_GT(GridV[Vertex(200, 96)], 0);
  EXPECT_LT(GridV[Vertex(312, 96)], 0);
  // The centre ray passes exactly along the rim (discriminant 0): a miss. One more unit
  // of radius and it hits.
  for (const auto& [radius, light] : {std::pair(5000.0f, kGridLightMissMarker), std::pair(5001.0f, 0)}) {
    FillBallGrid(256.0f, radius, -10000.0f, 5000.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0, &centreX, &centreY);
    EXPECT_EQ(GridLight[kCentre], light) << "radius " << radius;
  }
  // The animation cycles through thirty frames whatever the sign of the product.
  // trunc(-0.5) is 0; a huge negative product still lands in 0..29.
  EXPECT_EQ((V{BallAnimationFrame(0.0, 123.4), BallAnimationFrame(2.0, 3.6), BallAnimationFrame(-1.0, 5.0),
              BallAnimationFrame(-1.0, 0.5)}),
            (V{0, 7, 25, 0}));
  EXPECT_LT(static_cast<uint32_t>(BallAnimationFrame(-1e12, 1.0)), 30u);
}

TEST(FillRippleGrid, LightFollowsTheHorizontalDistanceAndParallelRaysAreWhite) {
  // Straight up: the centre ray meets the plane right above the camera, level 0.
  FillRippleGrid(1000.0f, 0.0f, 320.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0, 0.3f);
  EXPECT_EQ(Values(kCentre), (V{0, 0, 0}));
  // About 2010 units away horizontally: level 100. With phase 0 the ripple height there is
  // exactly 0, so the hit keeps its place (instead of the 0/0 of the correction step).
  const float length = std::sqrt(2010.0f * 2010.0f + 680.0f * 680.0f);
  FillRippleGrid(1000.0f, 0.0f, 320.0f, 0.0f, 2010.0f / length, 680.0f / length, 0.0f, 0.0, 0.0f);
  EXPECT_EQ(GridLight[kCentre], 100 << 8);
  EXPECT_NEAR(GridU[kCentre], 2010 * 10240, 64);
  // Looking along +x from far out: the centre row is parallel to the plane, and the
  // coordinates of the plane wrap in 32 bits instead of saturating.
  FillRippleGrid(1000.0f, 1.0e6f, 320.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0, 0.5f);
  for (int x = 0; x <= 512; x += 8) EXPECT_EQ(Values(Vertex(x, 128)), (V{0x7F00, 0x7F00, 0xFF00})) << x;
  FillRippleGrid(1000.0f, 1.0e6f, 320.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0, 0.3f);
  EXPECT_EQ(GridU[kCentre], kWrapped);
}

TEST(TraceZoom, ParallelRaysAreWhiteUnlessTheTubeIsNearerTiesKeepThePlaneAndColumnsGoRound) {
  // On the tube's axis looking along +x: the centre row is parallel to the planes.
  TracePlanes(800.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0);
  EXPECT_EQ(Values(kCentre), (V{0x7F00, 0x7F00, 0xFF00}));
  // The centre ray meets the tube wall at (400, 0, 0): angle 0, texel column 0, level 20.
  TraceTube(400.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0);
  EXPECT_EQ(Values(kCentre), (V{0x40000000, 0, 20 << 8}));
  // Straight up from the axis far along the corridor: tube and ceiling are both right
  // above (level 0), and the planes win the tie.
  TracePlanes(800.0f, 0.0f, 0.0f, 1.0e6f, 0.0f, 1.0f, 0.0f, 0.0);
  TraceTube(400.0f, 0.0f, 0.0f, 1.0e6f, 0.0f, 1.0f, 0.0f, 0.0);
  EXPECT_EQ(Values(kCentre), (V{0, kWrapped, 0}));
  // The tube's texel columns above, below and beside the axis. Direction, texel column
  // and level: 400 ahead, or 565.7 away beside the axis.
  const float diagonal = std::sqrt(0.5f);
  const struct { float x, y, z; int column, level; } cases[] = {
      {0, diagonal, diagonal, 63, 20}, {0, -diagonal, diagonal, 63, 20}, {diagonal, 0, diagonal, 0, 28}};
  for (const auto& c : cases) {
    TracePlanes(800.0f, 0.0f, 0.0f, 0.0f, c.x, c.y, c.z, 0.0);
    TraceTube(400.0f, 0.0f, 0.0f, 0.0f, c.x, c.y, c.z, 0.0);
    EXPECT_EQ(TexelColumn(GridU[kCentre]), c.column) << c.x << "," << c.y;
    EXPECT_EQ(std::pair(GridV[kCentre], GridLight[kCentre]), std::pair(400 * 6400, c.level << 8)) << c.x << "," << c.y;
  }
}

TEST(TraceZoomDeathTest, FirstDirectionAlongTheAxisGivesFiniteRays) {
  // A fresh process, so that no earlier call has set the basis.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        TracePlanes(800.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0);
        bool finite = GridLight[Vertex(256, 0)] < 0xFF00;  // a plane ahead, not a white void
        for (int i = 0; i < kGridVertices; ++i) finite = finite && GridU[i] != INT32_MIN && GridLight[i] >= 0;
        std::exit(finite ? 0 : 1);
      },
      ::testing::ExitedWithCode(kExitNormal), "");
}
