// Trefoil-knot tube and the LightWave object encoder.
#include "tools/assetgen/mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "core/trig.h"

namespace assetgen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSegments = 180;  // along the knot
constexpr int kSides = 12;      // around the tube
constexpr double kKnotScale = 2.8;
constexpr double kTubeRadius = 1.8;  // strands pass at least 4.3 apart: no self-intersection
constexpr double kCentreY = 60.0;

struct Vector {
  double x, y, z;
};
Vector operator+(Vector a, Vector b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vector operator-(Vector a, Vector b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vector operator*(Vector a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double Dot(Vector a, Vector b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vector Cross(Vector a, Vector b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vector Normalise(Vector a) { return a * (1.0 / std::sqrt(Dot(a, a))); }

// The trefoil in a vertical plane (x, y), its over- and under-passes along z.
Vector KnotPoint(double t) {
  return Vector{Sin(t) + 2 * Sin(2 * t), Cos(t) - 2 * Cos(2 * t), -1.8 * Sin(3 * t)} * kKnotScale;
}

// Rotates v about the unit axis by angle (Rodrigues).
Vector Rotate(Vector v, Vector axis, double angle) {
  const double c = Cos(angle), s = Sin(angle);
  return v * c + Cross(axis, v) * s + axis * (Dot(axis, v) * (1 - c));
}

void Big16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}
void Big32(std::vector<uint8_t>& out, uint32_t v) {
  Big16(out, v >> 16);
  Big16(out, v & 0xFFFF);
}
void Tag(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

}  // namespace

Mesh MakeKnot() {
  // Centre line and tangents.
  std::vector<Vector> centre(kSegments), tangent(kSegments);
  for (int i = 0; i < kSegments; ++i) {
    const double t = 2 * kPi * i / kSegments;
    centre[i] = KnotPoint(t);
    tangent[i] = Normalise(KnotPoint(t + 1e-4) - KnotPoint(t - 1e-4));
  }
  // A rotation-minimising frame carried along the curve; the twist it has gathered when
  // it comes back to the start is spread evenly over the segments, so the last ring
  // meets the first without a seam.
  std::vector<Vector> normal(kSegments);
  Vector seed = Cross(tangent[0], Vector{0, 0, 1});
  normal[0] = Normalise(seed);
  for (int i = 1; i <= kSegments; ++i) {
    const Vector previous = normal[i - 1];
    const Vector t = tangent[i % kSegments];
    const Vector projected = Normalise(previous - t * Dot(previous, t));
    if (i < kSegments) normal[i] = projected;
    else {
      const double twist = Atan2(Dot(Cross(projected, normal[0]), tangent[0]), Dot(projected, normal[0]));
      for (int k = 1; k < kSegments; ++k) normal[k] = Rotate(normal[k], tangent[k], twist * k / kSegments);
    }
  }
  // The curve spans y from -3 to about 2.06 (unscaled); centre its box on kCentreY.
  double low = 1e9, high = -1e9;
  for (const Vector& c : centre) {
    low = std::min(low, c.y);
    high = std::max(high, c.y);
  }
  const double shiftY = kCentreY - (low + high) / 2;
  Mesh mesh;
  for (int i = 0; i < kSegments; ++i) {
    const Vector binormal = Cross(tangent[i], normal[i]);
    for (int j = 0; j < kSides; ++j) {
      const double a = 2 * kPi * j / kSides;
      const Vector p = centre[i] + (normal[i] * Cos(a) + binormal * Sin(a)) * kTubeRadius;
      mesh.points.push_back(static_cast<float>(p.x));
      mesh.points.push_back(static_cast<float>(p.y + shiftY));
      mesh.points.push_back(static_cast<float>(p.z));
    }
  }
  // Two triangles per quad. Going round the tube turns from normal to binormal, that is
  // anticlockwise about the tangent, so (next side, next segment) order faces outwards.
  auto index = [](int i, int j) { return static_cast<uint16_t>((i % kSegments) * kSides + (j % kSides)); };
  for (int i = 0; i < kSegments; ++i)
    for (int j = 0; j < kSides; ++j) {
      const uint16_t p00 = index(i, j), p01 = index(i, j + 1), p10 = index(i + 1, j), p11 = index(i + 1, j + 1);
      mesh.faces.insert(mesh.faces.end(), {p00, p01, p11});
      mesh.faces.insert(mesh.faces.end(), {p00, p11, p10});
    }
  return mesh;
}

std::vector<uint8_t> EncodeLwob(const Mesh& mesh) {
  std::vector<uint8_t> body;
  Tag(body, "LWOB");
  Tag(body, "PNTS");
  Big32(body, static_cast<uint32_t>(mesh.points.size() * 4));
  for (float value : mesh.points) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    Big32(body, bits);
  }
  Tag(body, "POLS");
  Big32(body, static_cast<uint32_t>(mesh.faces.size() / 3 * 10));
  for (size_t i = 0; i + 2 < mesh.faces.size(); i += 3) {
    Big16(body, 3);
    Big16(body, mesh.faces[i]);
    Big16(body, mesh.faces[i + 1]);
    Big16(body, mesh.faces[i + 2]);
    Big16(body, 1);  // surface 1
  }
  const std::string surface("Chrome\0\0", 8);  // even length, zero-terminated
  Tag(body, "SRFS");
  Big32(body, static_cast<uint32_t>(surface.size()));
  for (char c : surface) body.push_back(static_cast<uint8_t>(c));
  Tag(body, "SURF");
  Big32(body, static_cast<uint32_t>(surface.size() + 10));
  for (char c : surface) body.push_back(static_cast<uint8_t>(c));
  Tag(body, "COLR");
  Big16(body, 4);
  for (uint8_t c : {200, 210, 230, 0}) body.push_back(c);
  std::vector<uint8_t> out;
  Tag(out, "FORM");
  Big32(out, static_cast<uint32_t>(body.size()));
  out.resize(8 + body.size());
  std::memcpy(out.data() + 8, body.data(), body.size());
  return out;
}

}  // namespace assetgen
