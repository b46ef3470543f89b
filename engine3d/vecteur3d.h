// Vecteur3d: the engine's 3D point, direction and position type.
//
// Three 32-bit floats, passed by value. Intermediate arithmetic on them is done in
// double; every stored component is rounded back to float.
#pragma once

struct Vecteur3d {
  float x, y, z;
};
