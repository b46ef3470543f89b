// The libopenmpt calls of the module player, answered by the web build of libopenmpt.
//
// The web build is a WebAssembly instance of its own (globalThis.zeltoOpenmpt, set up by
// whoever runs the program, see tests/web/run_frames.mjs) with its own memory: a module
// handle here is the instance's pointer, and the file and the rendered samples are copied
// across. Only what platform/module_player.cpp calls exists. Each call is synchronous,
// so the player behaves exactly as it does natively, position checks included.
#include <emscripten.h>
#include <libopenmpt/libopenmpt.h>

#include <cstdint>

namespace {

// clang-format off
EM_JS(int32_t, BridgeCreate, (const void* bytes, int32_t size), {
  const lib = globalThis.zeltoOpenmpt;
  if (!lib || size <= 0) return 0;
  const data = lib._malloc(size);
  if (!data) return 0;
  lib.HEAPU8.set(HEAPU8.subarray(bytes, bytes + size), data);
  const module = lib._openmpt_module_create_from_memory2(data, size, 0, 0, 0, 0, 0, 0, 0);
  lib._free(data);
  return module;
});

EM_JS(void, BridgeDestroy, (int32_t module), { globalThis.zeltoOpenmpt._openmpt_module_destroy(module); });

EM_JS(int32_t, BridgeSetInteger, (int32_t module, const char* name, int32_t value), {
  const lib = globalThis.zeltoOpenmpt;
  let size = 0;
  while (HEAPU8[name + size]) ++size;
  const copy = lib._malloc(size + 1);
  lib.HEAPU8.set(HEAPU8.subarray(name, name + size + 1), copy);
  const result = lib._openmpt_module_ctl_set_integer(module, copy, BigInt(value));
  lib._free(copy);
  return result;
});

EM_JS(int32_t, BridgeCall, (int32_t which, int32_t module, int32_t a, int32_t b), {
  const lib = globalThis.zeltoOpenmpt;
  switch (which) {
    case 0: return lib._openmpt_module_get_num_orders(module);
    case 1: return lib._openmpt_module_set_repeat_count(module, a);
    case 2: lib._openmpt_module_set_position_order_row(module, a, b); return 0;
    case 3: return lib._openmpt_module_get_current_order(module);
    case 4: return lib._openmpt_module_get_current_row(module);
  }
  return 0;
});

EM_JS(int32_t, BridgeRead, (int32_t module, int32_t rate, int32_t frames, int16_t* out), {
  const lib = globalThis.zeltoOpenmpt;
  const bytes = frames * 4;
  const buffer = lib._malloc(bytes);
  if (!buffer) return 0;
  const got = lib._openmpt_module_read_interleaved_stereo(module, rate, frames, buffer);
  HEAPU8.set(lib.HEAPU8.subarray(buffer, buffer + got * 4), out);
  lib._free(buffer);
  return got;
});
// clang-format on

int32_t HandleOf(openmpt_module* module) {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(module));
}

}  // namespace

extern "C" {

void openmpt_log_func_silent(const char*, void*) {}
int openmpt_error_func_ignore(int, void*) { return OPENMPT_ERROR_FUNC_RESULT_NONE; }

openmpt_module* openmpt_module_create_from_memory2(const void* filedata, size_t filesize,
                                                   openmpt_log_func, void*, openmpt_error_func,
                                                   void*, int* error, const char** errorMessage,
                                                   const openmpt_module_initial_ctl*) {
  if (error) *error = 0;
  if (errorMessage) *errorMessage = nullptr;
  if (filesize > INT32_MAX) return nullptr;
  const int32_t handle = BridgeCreate(filedata, static_cast<int32_t>(filesize));
  return reinterpret_cast<openmpt_module*>(static_cast<uintptr_t>(handle));
}

void openmpt_module_destroy(openmpt_module* module) { BridgeDestroy(HandleOf(module)); }

int openmpt_module_ctl_set_integer(openmpt_module* module, const char* ctl, int64_t value) {
  return BridgeSetInteger(HandleOf(module), ctl, static_cast<int32_t>(value));
}

int32_t openmpt_module_get_num_orders(openmpt_module* module) {
  return BridgeCall(0, HandleOf(module), 0, 0);
}

int openmpt_module_set_repeat_count(openmpt_module* module, int32_t repeatCount) {
  return BridgeCall(1, HandleOf(module), repeatCount, 0);
}

double openmpt_module_set_position_order_row(openmpt_module* module, int32_t order, int32_t row) {
  BridgeCall(2, HandleOf(module), order, row);
  return 0.0;  // the player does not use the time it lands on
}

int32_t openmpt_module_get_current_order(openmpt_module* module) {
  return BridgeCall(3, HandleOf(module), 0, 0);
}

int32_t openmpt_module_get_current_row(openmpt_module* module) {
  return BridgeCall(4, HandleOf(module), 0, 0);
}

size_t openmpt_module_read_interleaved_stereo(openmpt_module* module, int32_t sampleRate,
                                              size_t count, int16_t* interleavedStereo) {
  if (count > INT32_MAX / 4) return 0;
  return static_cast<size_t>(
      BridgeRead(HandleOf(module), sampleRate, static_cast<int32_t>(count), interleavedStereo));
}

}  // extern "C"
