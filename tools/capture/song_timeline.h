// The song as the scenes see it, frame by frame, worked out before the demo runs.
//
// The scenes change when the music reaches a song position, and the capture wants to
// start and stop on such positions, know how many frames the demo will present and which
// scene draws each one. All of that follows from the music alone: the offline backend
// renders exactly floor(n * 48000 * den / num) sample frames before presenting frame n and
// reports every position change of them once the frame is presented, so playing the same
// module through the same player in the same spans gives the same positions the demo will
// see, without drawing a single picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scenes/scene_table.h"

// The end logo, and the demo, stop once the music reaches this order.
constexpr int32_t kDemoEndOrder = kEndLogoEndPosition;

struct SongPosition {
  int32_t order = 0;
  int32_t row = 0;
};

struct SongTimeline {
  // seen[n]: the last position reported before frame n is drawn (what MusicPosition and
  // the row counter hold while the scene draws it). seen[0] is 0:0, the value before any
  // report.
  std::vector<SongPosition> seen;
  // The number of frames the demo presents (frame n is drawn while seen[n] is below the
  // end order), or -1 if the music never gets there within the frames examined.
  int64_t demoFrames = -1;
};

// Plays `moduleFile` in the offline backend's spans until the end order is reached or
// `frameLimit` frames have been examined. False (with a reason) if the module cannot be read.
bool BuildSongTimeline(const char* moduleFile, int32_t fpsNumerator, int32_t fpsDenominator,
                       int64_t frameLimit, SongTimeline* timeline, std::string* error);

// The first frame drawn once the song has reached order:row (a later order, or this order
// at this row or a later one), or -1 if the examined frames never get there.
int64_t FirstFrameAtSong(const SongTimeline& timeline, int32_t order, int32_t row);

// The scenes in play order, the end logo counted apart from the rotozoom it follows.
constexpr int kTimelineSceneCount = kSceneCount + 1;
// Which of those draws a frame while MusicPosition holds `order` (the first scene for
// anything below its end, the end logo for anything from the rotozoom's end on).
int SceneAt(int32_t order);
const char* SceneName(int scene);
