// Writes the demo's running order as a JavaScript module for the browser tests, so that
// they read the scene names and end positions from the scene table instead of a copy.
// Usage: scene_table_module OUTPUT.mjs
#include <cstdio>

#include "scenes/scene_table.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.mjs\n", argv[0]);
    return 2;
  }
  FILE* file = std::fopen(argv[1], "w");
  if (!file) return 1;
  std::fprintf(file, "// Generated from scenes/scene_table.h by scene_table_module; do not edit.\n");
  std::fprintf(file, "// Scene i runs while the song position is below kSceneEnds[i]; the end logo is the last.\n");
  std::fprintf(file, "export const kSceneEnds = [");
  for (const SceneStep& step : kSceneTable) std::fprintf(file, "%d, ", step.endPosition);
  std::fprintf(file, "%d];\nexport const kSceneNames = [", kEndLogoEndPosition);
  for (const SceneStep& step : kSceneTable) std::fprintf(file, "'%s', ", step.name);
  std::fprintf(file, "'%s'];\n", kEndLogoName);
  const bool written = !std::ferror(file);
  return std::fclose(file) == 0 && written ? 0 : 1;
}
