// The warm-up: every pixel routine of the scenes run once on frames of its own, before the
// demo starts, so that a compiler that compiles code on its first run (the browser's
// WebAssembly tiers) has done so before the first frame is due.
//
// It touches nothing the demo reads: its frames, textures and particles are its own, and
// the grid mapper's process-wide arrays are put back as they were. The demo's frames are
// the same with or without it (the browser build's frame comparison runs it first). Main
// thread, before DemoMain; allocates its scratch frames and frees them again.
#pragma once

extern "C" void WarmUpPixelRoutines();
