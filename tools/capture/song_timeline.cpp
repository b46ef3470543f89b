// The song as the scenes see it, frame by frame.
#include "tools/capture/song_timeline.h"

#include "platform/module_player.h"

namespace {

bool Reached(SongPosition position, int32_t order, int32_t row) {
  return position.order > order || (position.order == order && position.row >= row);
}

}  // namespace

bool BuildSongTimeline(const char* moduleFile, int32_t fpsNumerator, int32_t fpsDenominator,
                       int64_t frameLimit, SongTimeline* timeline, std::string* error) {
  *timeline = SongTimeline();
  platform::ModulePlayer player;
  if (!player.Load(moduleFile) || !player.Start(true)) {
    *error = std::string("cannot read the music ") + moduleFile +
             " (run from the folder that holds data/, the build folder)";
    return false;
  }
  std::vector<int16_t> samples;
  std::vector<platform::PositionChange> changes;
  SongPosition position;
  timeline->seen.push_back(position);
  for (int64_t frame = 0; frame < frameLimit; ++frame) {
    const int32_t frames = static_cast<int32_t>(platform::AudioFramesBefore(frame + 1, fpsNumerator, fpsDenominator) -
                                                platform::AudioFramesBefore(frame, fpsNumerator, fpsDenominator));
    samples.resize(static_cast<size_t>(frames) * platform::kAudioChannels);
    changes.clear();
    player.RenderAudio(samples.data(), frames, &changes);
    if (!changes.empty()) position = {changes.back().order, changes.back().row};
    timeline->seen.push_back(position);
    if (position.order >= kDemoEndOrder) {
      timeline->demoFrames = frame + 1;
      break;
    }
  }
  return true;
}

int64_t FirstFrameAtSong(const SongTimeline& timeline, int32_t order, int32_t row) {
  for (size_t frame = 0; frame < timeline.seen.size(); ++frame)
    if (Reached(timeline.seen[frame], order, row)) return static_cast<int64_t>(frame);
  return -1;
}

int SceneAt(int32_t order) {
  // Each scene runs while MusicPosition is below its end position.
  for (int scene = 0; scene < kSceneCount; ++scene)
    if (order < kSceneTable[scene].endPosition) return scene;
  return kSceneCount;
}

const char* SceneName(int scene) {
  if (scene == kSceneCount) return kEndLogoName;
  return scene >= 0 && scene < kSceneCount ? kSceneTable[scene].name : "?";
}
