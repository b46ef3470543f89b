// Objet3d: a triangle mesh read from a LightWave object, with every work array the
// normals, the camera transform and the renderer fill, its position in the world and
// its environment map.
//
// Life of an object: construct; LoadLWO; CalcNormalesFaces; CalcNormalesPoints;
// LoadTexture; SetPosition; then Render once per frame; destroy. Every array is a vector
// owned by the object, empty until its step fills it (nbPoints or nbFaces long from then
// on); rendering a frame allocates nothing after the first (whose depth sort sizes its
// work arrays). Loading twice is not supported.
//
// Failures end the process, as the demo has no way back from a broken object: the
// LightWave reader with the object's exit codes (core/exit_codes.h, see
// engine3d/lwo_reader.h), a face or point normal of length zero with kExitObjectUnusable,
// an environment map of the wrong size through FatalError.
#pragma once

#include <cstdint>
#include <vector>

#include "engine3d/face_sort.h"
#include "engine3d/vecteur3d.h"
#include "image/surface.h"

// The three 0-based point indices of a triangle, in file order.
struct FaceIndices {
  int32_t a, b, c;
};

// Environment-map texel coordinates of a point (column u, row v).
struct TexelCoordinates {
  int32_t u, v;
};

class Objet3d {
 public:
  Objet3d();
  virtual ~Objet3d();
  Objet3d(const Objet3d&) = delete;
  Objet3d& operator=(const Objet3d&) = delete;

  // Reads a LightWave LWOB file (triangles only) into points and faces and allocates
  // the per-point and per-face work arrays. Ends the process on any failure.
  void LoadLWO(const char* fileName);
  // One unit normal per triangle (engine3d/normals.cpp); kExitObjectUnusable for a triangle
  // with no area.
  void CalcNormalesFaces();
  // One unit normal per point, the normalised plain sum of the normals of the faces
  // that use it (each use counts); kExitObjectUnusable for a point no face uses or whose
  // normals cancel. Allocates camNormals.
  void CalcNormalesPoints();
  // The two computations without the process-ending policy, for tests and fuzzing:
  // false where the plain forms end the process (the arrays allocated so far stay
  // with the object).
  bool TryCalcNormalesFaces();
  bool TryCalcNormalesPoints();
  // Loads the environment map. It must be 256 pixels wide and at least 255 rows
  // high; anything else ends the process through FatalError naming the file.
  void LoadTexture(const char* fileName);
  void SetPosition(float x, float y, float z);

  // Per-frame pipeline (engine3d/transform.cpp, engine3d/draw_face.cpp).
  // Transform: camPoints, screenX/screenY and camNormals for the camera.
  void Transform(const float matrix[9], Vecteur3d camera);
  // envUV from camNormals: u = trunc(120 nx + 127), v = trunc(120 ny + 127).
  void CalcEnvUV();
  // faceDepth = mean camera-space z of each face's corners; faceOrder = 0, 1, 2...
  void CalcFaceDepths();
  // Transform, CalcEnvUV, CalcFaceDepths, SortFaces, then DrawFace from the deepest
  // face to the nearest. Draws over the frame without clearing it.
  void Render(const float matrix[9], Vecteur3d camera, uint32_t* frame);
  // faceOrder into ascending order of faceDepth, keys moved along (face_sort.h).
  void SortFaces();
  // Draws face `face` unless a corner is outside the band of 150 pixels around the
  // screen, a corner is on or behind the camera plane, or the face turns away from
  // the camera (edge-on faces are drawn).
  void DrawFace(Vecteur3d camera, uint32_t* frame, int32_t face);

  int32_t nbPoints = 0;
  int32_t nbFaces = 0;
  std::vector<Vecteur3d> points;           // per point: object space, exactly as in the file
  std::vector<Vecteur3d> camPoints;        // per point: camera space (Transform)
  std::vector<int32_t> screenX;            // per point: projected column (Transform)
  std::vector<int32_t> screenY;            // per point: projected row (Transform)
  std::vector<TexelCoordinates> envUV;     // per point: environment-map texel (CalcEnvUV)
  std::vector<Vecteur3d> pointNormals;     // per point: unit normal, object space
  std::vector<Vecteur3d> camNormals;       // per point: normal in camera space (Transform)
  std::vector<Vecteur3d> faceNormals;      // per face: unit normal, object space
  std::vector<FaceIndices> faces;          // per face: point indices, each below nbPoints
  Vecteur3d position = {0.0f, 0.0f, 0.0f};  // the object's origin in the world
  // Identity; nothing reads it (Render takes the camera).
  float orientation[9] = {1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f};
  std::vector<int32_t> faceOrder;          // per face: face indices in drawing order
  std::vector<float> faceDepth;            // per face: depth key
  FaceSorter faceSorter;                   // SortFaces' work arrays
  Surface texture;                         // the environment map, 256 wide, >= 255 rows
};
