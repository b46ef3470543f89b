// Integrated loudness (ITU-R BS.1770 K-weighting, EBU R128 gating) and sample peak of a
// stereo render, so the music's level can be checked without an external tool. The
// filter coefficients are the standard's, for 48 kHz only.
#pragma once

#include <vector>

struct LoudnessFigures {
  double integratedLufs = -70.0;
  double samplePeakDbfs = -120.0;
};

// `interleaved`: left, right, left, right... at 48,000 frames per second.
LoudnessFigures MeasureLoudness(const std::vector<float>& interleaved);
