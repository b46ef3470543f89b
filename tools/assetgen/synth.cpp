// Additive and noise synthesis of the song's instruments.
#include "tools/assetgen/synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/trig.h"

namespace assetgen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDrumRate = 8363.0 * 4.0;  // C-4 with relative note +24
constexpr double kMiddleC = 261.6255653005986;

// Fixed noise: the same sequence on every run, -1..1.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed) {}
  double Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(state_ >> 8) / 8388608.0 - 1.0;
  }

 private:
  uint32_t state_;
};

// One-pole low-pass / high-pass helpers with a cutoff in Hz.
struct OnePole {
  double state = 0;
  double LowPass(double input, double cutoff, double rate) {
    const double a = 1.0 - std::exp(-2 * kPi * cutoff / rate);
    state += (input - state) * a;
    return state;
  }
};

// Scales to a peak of `peak` (0..1 of full scale) and converts to 16-bit.
std::vector<int16_t> ToPcm(const std::vector<double>& signal, double peak) {
  double maximum = 1e-9;
  for (double v : signal) maximum = std::max(maximum, std::abs(v));
  std::vector<int16_t> out(signal.size());
  for (size_t i = 0; i < signal.size(); ++i)
    out[i] = static_cast<int16_t>(std::lround(signal[i] / maximum * peak * 32767.0));
  return out;
}

// Gentle tape-like saturation: normalises, then bends the peaks down with tanh. Raises
// the loudness of a sustained tone for the same peak, which the mix needs for headroom.
std::vector<double> Saturate(std::vector<double> signal, double drive) {
  double maximum = 1e-9;
  for (double v : signal) maximum = std::max(maximum, std::abs(v));
  for (double& v : signal) v = std::tanh(v / maximum * drive);
  return signal;
}

// Relative note and finetune that make a waveform of `period` samples per cycle sound at
// middle C when the XM note C-4 is played.
void TuneForPeriod(xm::Sample& sample, int period) {
  const double semitones = 12.0 * std::log2(kMiddleC * period / 8363.0);
  const int relative = static_cast<int>(std::lround(semitones));
  sample.relativeNote = static_cast<int8_t>(relative);
  sample.finetune = static_cast<int8_t>(std::clamp(std::lround((semitones - relative) * 128.0), -128L, 127L));
}

xm::Instrument Drum(const char* name, const std::vector<double>& signal, uint8_t volume, uint8_t panning) {
  xm::Instrument instrument;
  instrument.name = name;
  instrument.sample.name = name;
  instrument.sample.data = ToPcm(signal, 0.95);
  instrument.sample.relativeNote = 24;
  instrument.sample.volume = volume;
  instrument.sample.panning = panning;
  return instrument;
}

// Metallic cluster of square waves (the classic analogue hi-hat recipe) plus noise.
double Metal(double t, Noise& noise) {
  static const double kFrequencies[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
  double sum = 0;
  for (double f : kFrequencies) sum += std::fmod(t * f * 1.7, 1.0) < 0.5 ? 1.0 : -1.0;
  return sum / 6.0 * 0.6 + noise.Next() * 0.7;
}

std::vector<double> HatSignal(double seconds, double decay, uint32_t seed) {
  Noise noise(seed);
  const int length = static_cast<int>(seconds * kDrumRate);
  std::vector<double> out(length);
  double previous = 0, previous2 = 0;
  for (int i = 0; i < length; ++i) {
    const double t = i / kDrumRate;
    const double raw = Metal(t, noise);
    // Second difference: a steep high-pass that leaves the sizzle.
    const double high = raw - 2 * previous + previous2;
    previous2 = previous;
    previous = raw;
    const double attack = std::min(1.0, t / 0.0008);
    out[i] = high * attack * std::exp(-t / decay);
  }
  for (int i = 0; i < 160 && i < length; ++i) out[length - 1 - i] *= i / 160.0;  // no click at the end
  return out;
}

// Sum of harmonics 1..count of a cycle of `period` samples at `phase` cycles, each with
// the amplitude the callback gives for it.
template <typename Amplitude>
double Harmonics(double phase, int count, Amplitude amplitude) {
  double sum = 0;
  for (int k = 1; k <= count; ++k) {
    const double a = amplitude(k);
    if (a != 0) sum += a * Sin(2 * kPi * k * phase);
  }
  return sum;
}

// A plucked tone: `cycles` cycles of `period` samples whose brightness falls from
// `startHarmonic` to `endHarmonic` with a time constant of `decayCycles`, then one cycle
// at the final brightness that loops for ever.
std::vector<double> Pluck(int period, int cycles, double startHarmonic, double endHarmonic, double decayCycles,
                          double squareMix, double resonance) {
  const int length = period * cycles;
  std::vector<double> out(length);
  const int maxHarmonic = period / 2 - 1;
  const double settle = cycles - 2;  // the last two cycles are identical
  for (int i = 0; i < length; ++i) {
    const double position = static_cast<double>(i) / period;
    const double time = std::min(position, settle);
    const double ramp = 1.0 - std::exp(-settle / decayCycles);
    const double fall = (std::exp(-time / decayCycles) - std::exp(-settle / decayCycles)) / ramp;
    const double cutoff = endHarmonic + (startHarmonic - endHarmonic) * fall;
    out[i] = Harmonics(position, maxHarmonic, [&](int k) {
      const double saw = 1.0 / k;
      const double square = (k % 2) ? 1.0 / k : 0.0;
      const double source = saw * (1 - squareMix) + square * squareMix;
      const double ratio = k / cutoff;
      const double filter = 1.0 / std::sqrt(1.0 + ratio * ratio * ratio * ratio);
      const double peak = resonance * std::exp(-(k - cutoff) * (k - cutoff) / 2.0);
      return source * (filter + peak);
    });
  }
  return out;
}

// Detuned voices looped over `loopCycles` cycles: voice v runs at (loopCycles + detune[v])
// cycles per loop, so every partial closes the loop exactly.
std::vector<double> Ensemble(int period, int loopCycles, const std::vector<int>& detunes, int harmonics,
                             double brightness, double squareMix, uint32_t seed) {
  const int length = period * loopCycles;
  std::vector<double> out(length, 0.0);
  Noise phases(seed);
  for (int detune : detunes) {
    const double cyclesPerLoop = loopCycles + detune;
    std::vector<double> amplitude(harmonics + 1), offset(harmonics + 1);
    for (int k = 1; k <= harmonics; ++k) {
      const double saw = 1.0 / k, square = (k % 2) ? 1.0 / k : 0.0;
      const double ratio = k / brightness;
      amplitude[k] = (saw * (1 - squareMix) + square * squareMix) / (1.0 + ratio * ratio);
      offset[k] = phases.Next() * kPi;
    }
    for (int i = 0; i < length; ++i) {
      const double phase = cyclesPerLoop * i / length;
      double sum = 0;
      for (int k = 1; k <= harmonics; ++k) sum += amplitude[k] * Sin(2 * kPi * k * phase + offset[k]);
      out[i] += sum;
    }
  }
  return out;
}

xm::Envelope MakeEnvelope(std::vector<std::pair<uint16_t, uint16_t>> points, int sustainPoint) {
  xm::Envelope envelope;
  envelope.points = std::move(points);
  envelope.enabled = true;
  if (sustainPoint >= 0) {
    envelope.sustain = true;
    envelope.sustainPoint = static_cast<uint8_t>(sustainPoint);
  }
  return envelope;
}

}  // namespace

xm::Instrument MakeKick() {
  const int length = static_cast<int>(0.42 * kDrumRate);
  std::vector<double> out(length);
  Noise noise(7);
  double phase = 0;
  for (int i = 0; i < length; ++i) {
    const double t = i / kDrumRate;
    const double frequency = 44.0 + 120.0 * std::exp(-t / 0.03) + 40.0 * std::exp(-t / 0.006);
    phase += frequency / kDrumRate;
    const double body = Sin(2 * kPi * phase) * std::exp(-t / 0.2) * std::min(1.0, t / 0.001);
    const double click = noise.Next() * std::exp(-t / 0.0025) * 0.35;
    out[i] = std::tanh((body + click) * 1.6);
  }
  // Fade the last 10 ms so the one-shot ends at zero.
  for (int i = 0; i < 335; ++i) out[length - 1 - i] *= i / 335.0;
  return Drum("kick", out, 64, 128);
}

xm::Instrument MakeSnare() {
  const int length = static_cast<int>(0.32 * kDrumRate);
  std::vector<double> out(length);
  Noise noise(11);
  OnePole low, band;
  double phase = 0;
  for (int i = 0; i < length; ++i) {
    const double t = i / kDrumRate;
    phase += (180.0 + 60.0 * std::exp(-t / 0.01)) / kDrumRate;
    const double tone = Sin(2 * kPi * phase) * std::exp(-t / 0.05);
    const double n = noise.Next();
    const double bright = n - low.LowPass(n, 1200.0, kDrumRate);  // high-passed noise
    const double body = band.LowPass(bright, 7000.0, kDrumRate);
    const double rattle = body * (std::exp(-t / 0.11) * 0.9 + std::exp(-t / 0.015) * 0.6);
    out[i] = std::tanh((tone * 0.7 + rattle * 1.3) * 1.2) * std::min(1.0, t / 0.0005);
  }
  for (int i = 0; i < 335; ++i) out[length - 1 - i] *= i / 335.0;
  return Drum("snare", out, 50, 120);
}

xm::Instrument MakeClosedHat() { return Drum("closed hat", HatSignal(0.09, 0.022, 21), 28, 160); }
xm::Instrument MakeOpenHat() { return Drum("open hat", HatSignal(0.45, 0.16, 23), 24, 96); }

xm::Instrument MakeCrash() {
  std::vector<double> out = HatSignal(2.2, 0.7, 31);
  Noise noise(37);
  OnePole smooth;
  for (size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i) / kDrumRate;
    out[i] = out[i] * 0.6 + smooth.LowPass(noise.Next(), 5000.0, kDrumRate) * std::exp(-t / 0.8) * 0.8;
  }
  for (int i = 0; i < 2000; ++i) out[out.size() - 1 - i] *= i / 2000.0;
  return Drum("crash", out, 30, 110);
}

namespace {

// A tonal instrument: `pcm` is whole periods of `period` samples, and the sample loops over
// its last `loopLength` samples (0: all of it) so a note sustains while its envelope holds.
xm::Instrument Tonal(const char* name, std::vector<int16_t> pcm, int period, uint32_t loopLength,
                     uint8_t volume, xm::Envelope envelope) {
  xm::Instrument instrument;
  instrument.name = name;
  xm::Sample& sample = instrument.sample;
  sample.name = name;
  sample.data = std::move(pcm);
  TuneForPeriod(sample, period);
  const uint32_t size = static_cast<uint32_t>(sample.data.size());
  sample.loop = xm::Sample::Loop::Forward;
  sample.loopLength = loopLength == 0 ? size : loopLength;
  sample.loopStart = size - sample.loopLength;
  sample.volume = volume;
  instrument.volumeEnvelope = std::move(envelope);
  return instrument;
}

}  // namespace

xm::Instrument MakeBass() {
  constexpr int kPeriod = 256;
  return Tonal("bass", ToPcm(Saturate(Pluck(kPeriod, 40, 28.0, 5.0, 6.0, 0.35, 0.5), 1.6), 0.9), kPeriod,
               kPeriod, 48, MakeEnvelope({{0, 64}, {8, 52}, {40, 44}, {46, 0}}, 2));
}

xm::Instrument MakePluck() {
  constexpr int kPeriod = 128;
  xm::Instrument instrument =
      Tonal("pluck", ToPcm(Saturate(Pluck(kPeriod, 64, 40.0, 4.0, 10.0, 0.6, 0.3), 1.4), 0.9), kPeriod,
            kPeriod, 40, MakeEnvelope({{0, 64}, {4, 40}, {12, 18}, {30, 6}, {48, 0}}, -1));
  instrument.sample.panning = 80;
  return instrument;
}

xm::Instrument MakePad() {
  constexpr int kPeriod = 128, kLoopCycles = 256;
  return Tonal("pad", ToPcm(Saturate(Ensemble(kPeriod, kLoopCycles, {-3, -1, 0, 2, 4}, 24, 7.0, 0.2, 101), 2.0), 0.9),
               kPeriod, 0, 24, MakeEnvelope({{0, 20}, {24, 64}, {60, 56}, {110, 0}}, 2));
}

xm::Instrument MakeLead() {
  constexpr int kPeriod = 128, kLoopCycles = 256;
  xm::Instrument instrument =
      Tonal("lead", ToPcm(Saturate(Ensemble(kPeriod, kLoopCycles, {-1, 1}, 36, 12.0, 0.5, 202), 1.5), 0.9),
            kPeriod, 0, 40, MakeEnvelope({{0, 0}, {2, 64}, {12, 50}, {22, 0}}, 2));
  instrument.vibratoSweep = 40;
  instrument.vibratoDepth = 3;
  instrument.vibratoRate = 12;
  return instrument;
}

xm::Instrument MakeRiser(double seconds) {
  const int length = static_cast<int>(seconds * kDrumRate);
  std::vector<double> out(length);
  Noise noise(55);
  OnePole low1, low2;
  for (int i = 0; i < length; ++i) {
    const double progress = static_cast<double>(i) / length;
    const double cutoff = 300.0 * std::pow(40.0, progress);
    const double n = noise.Next();
    const double lowPassed = low2.LowPass(low1.LowPass(n, cutoff, kDrumRate), cutoff, kDrumRate);
    out[i] = lowPassed * progress * progress * (1.0 + 0.3 * Sin(2 * kPi * progress * 24));
  }
  for (int i = 0; i < 200; ++i) out[length - 1 - i] *= i / 200.0;
  return Drum("riser", out, 32, 128);
}

}  // namespace assetgen
