// The two players behind ModuleFacts and RenderModule.
#include "tools/module_probe/module_probe.h"

#include <xmp.h>

#include <cstdio>
#include <exception>
#include <libopenmpt/libopenmpt.hpp>
#include <sstream>

ModuleFacts ProbeModuleOpenMpt(const std::vector<uint8_t>& file) {
  ModuleFacts facts;
  try {
    std::ostringstream quiet;
    openmpt::module module(file, quiet);
    facts.orders = module.get_num_orders();
    facts.channels = module.get_num_channels();
    facts.durationSeconds = module.get_duration_seconds();
    for (int order = 0; order < facts.orders; ++order) {
      // Seeking reports the time at which playback from the start first gets there.
      facts.orderStartSeconds.push_back(module.set_position_order_row(order, 0));
    }
    facts.loaded = true;
  } catch (const std::exception&) {
    facts = ModuleFacts{};
  }
  return facts;
}

ModuleFacts ProbeModuleXmp(const std::vector<uint8_t>& file) {
  ModuleFacts facts;
  xmp_context context = xmp_create_context();
  if (!context) return facts;
  if (xmp_load_module_from_memory(context, file.data(), static_cast<long>(file.size())) != 0) {
    xmp_free_context(context);
    return facts;
  }
  xmp_module_info info;
  xmp_get_module_info(context, &info);
  facts.orders = info.mod->len;
  facts.channels = info.mod->chn;
  facts.orderStartSeconds.assign(facts.orders, -1.0);
  // Play silently at a low rate, noting when each order first starts and stopping when
  // the song wraps round; the player counts time in milliseconds.
  if (xmp_start_player(context, 8000, XMP_FORMAT_MONO) == 0) {
    xmp_frame_info frame;
    while (xmp_play_frame(context) == 0) {
      xmp_get_frame_info(context, &frame);
      if (frame.loop_count > 0) break;
      if (frame.pos >= 0 && frame.pos < facts.orders && facts.orderStartSeconds[frame.pos] < 0)
        facts.orderStartSeconds[frame.pos] = frame.time / 1000.0;
      facts.durationSeconds = frame.total_time / 1000.0;
    }
    xmp_end_player(context);
    facts.loaded = true;
  }
  xmp_release_module(context);
  xmp_free_context(context);
  return facts;
}

std::vector<float> RenderModule(const std::vector<uint8_t>& file, int sampleRate) {
  std::vector<float> out;
  try {
    std::ostringstream quiet;  // libopenmpt's log messages go nowhere
    openmpt::module module(file, quiet);
    std::vector<float> block(2 * 4096);
    for (;;) {
      const std::size_t frames = module.read_interleaved_stereo(sampleRate, 4096, block.data());
      if (frames == 0) break;
      out.insert(out.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(2 * frames));
    }
  } catch (const std::exception&) {
    out.clear();
  }
  return out;
}

std::vector<RenderedRowStart> RenderRowStarts(const std::vector<uint8_t>& file, int sampleRate) {
  std::vector<RenderedRowStart> starts;
  try {
    std::ostringstream quiet;
    openmpt::module module(file, quiet);
    float left[kRowStartStep], right[kRowStartStep];
    // libopenmpt moves to a row when it renders the row's first frame, so the position
    // read after a step is that of the step's last frame.
    for (int64_t frame = 0;; frame += kRowStartStep) {
      if (module.read(sampleRate, kRowStartStep, left, right) == 0) break;
      const int order = module.get_current_order(), row = module.get_current_row();
      if (starts.empty() || starts.back().order != order || starts.back().row != row) {
        // At its end the song is reported back at its start: one pass ends there.
        if (!starts.empty() && (order < starts.back().order || (order == starts.back().order && row < starts.back().row)))
          break;
        starts.push_back({order, row, frame});
      }
    }
  } catch (const std::exception&) {
    starts.clear();
  }
  return starts;
}

bool ReadModuleFile(const std::string& path, std::vector<uint8_t>* bytes) {
  bytes->clear();
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  uint8_t buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes->insert(bytes->end(), buffer, buffer + got);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}
