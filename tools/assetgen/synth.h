// Instruments of the music, synthesised into XM samples.
//
// Pitched instruments are built from whole cycles of an exact length in samples, so
// their loops close without a click; their relative note and finetune make the XM note
// C-4 sound at 261.63 Hz. Detuned voices (pads, lead) loop over many cycles, with every
// partial a whole number of periods in the loop. Drums are one-shots at 33,452 Hz (C-4
// with relative note +24). Noise comes from a fixed linear congruential generator, so the
// samples are the same on every run.
#pragma once

#include "tools/xm/xm_writer.h"

namespace assetgen {

xm::Instrument MakeKick();
xm::Instrument MakeSnare();
xm::Instrument MakeClosedHat();
xm::Instrument MakeOpenHat();
xm::Instrument MakeCrash();
xm::Instrument MakeBass();
xm::Instrument MakePad();
xm::Instrument MakeLead();
xm::Instrument MakePluck();
// A noise sweep that rises over `seconds` and stops at its loudest.
xm::Instrument MakeRiser(double seconds);

}  // namespace assetgen
