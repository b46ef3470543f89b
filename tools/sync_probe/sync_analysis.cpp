// Lining up the present log and the sink's recording with the module, and the offsets.
#include "tools/sync_probe/sync_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sstream>

namespace {

constexpr double kNothing = std::numeric_limits<double>::quiet_NaN();
constexpr int64_t kStride = 32;  // the first search runs on block means of this many frames

// Normalised correlation of a[i .. i + length) and b[j .. j + length), step `step`.
double Correlation(const float* a, const float* b, int64_t length, int64_t step) {
  double ab = 0, aa = 0, bb = 0;
  for (int64_t k = 0; k < length; k += step) {
    ab += double(a[k]) * b[k];
    aa += double(a[k]) * a[k];
    bb += double(b[k]) * b[k];
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

std::vector<float> BlockMeans(const std::vector<float>& samples, int64_t first, int64_t count) {
  std::vector<float> means(static_cast<size_t>(count / kStride));
  for (size_t i = 0; i < means.size(); ++i) {
    double sum = 0;
    for (int64_t k = 0; k < kStride; ++k) sum += samples[static_cast<size_t>(first + static_cast<int64_t>(i) * kStride + k)];
    means[i] = static_cast<float>(sum / kStride);
  }
  return means;
}

double MeanLevel(const Present& present) { return (present.red + present.green + present.blue) / 3; }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

bool ParsePresentLog(const std::string& text, std::vector<Present>* presents, std::string* error) {
  presents->clear();
  std::istringstream lines(text);
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (line.empty()) continue;
    long long nanoseconds = 0, reported = 0;
    Present present;
    char extra = 0;
    if (std::sscanf(line.c_str(), "%lld %lf %lf %lf %d %lld %c", &nanoseconds, &present.red, &present.green,
                    &present.blue, &present.order, &reported, &extra) != 6) {
      *error = "line " + std::to_string(number) +
               " of the present log is not \"nanoseconds red green blue order reported-nanoseconds\"";
      return false;
    }
    present.seconds = static_cast<double>(nanoseconds) * 1e-9;
    present.reportedAt = static_cast<double>(reported) * 1e-9;
    presents->push_back(present);
  }
  return true;
}

double PlayedAt(const std::vector<ClockPoint>& clock, int32_t rate, int64_t frame) {
  std::vector<double> offsets;
  for (const ClockPoint& point : clock)
    if (std::abs(point.frame - frame) <= 2 * int64_t{rate})
      offsets.push_back(point.seconds - static_cast<double>(point.frame) / rate);
  return offsets.empty() ? kNothing : Median(offsets) + static_cast<double>(frame) / rate;
}

std::vector<float> MonoOf(const std::vector<int16_t>& stereo) {
  std::vector<float> mono(stereo.size() / 2);
  for (size_t i = 0; i < mono.size(); ++i) mono[i] = (float(stereo[2 * i]) + float(stereo[2 * i + 1])) / 65536.0f;
  return mono;
}

std::vector<float> MonoOf(const std::vector<float>& stereo) {
  std::vector<float> mono(stereo.size() / 2);
  for (size_t i = 0; i < mono.size(); ++i) mono[i] = (stereo[2 * i] + stereo[2 * i + 1]) / 2;
  return mono;
}

int64_t FirstSound(const std::vector<float>& samples, float threshold) {
  for (size_t i = 0; i < samples.size(); ++i)
    if (std::abs(samples[i]) > threshold) return static_cast<int64_t>(i);
  return -1;
}

int64_t Locate(const std::vector<float>& reference, int64_t at, const std::vector<float>& recording, int64_t guess,
               int64_t radius, int32_t rate) {
  const int64_t before = rate / 5, length = rate / 2;
  const int64_t from = guess - radius - before, to = guess + radius - before + length + kStride;
  if (at - before < 0 || at - before + length > static_cast<int64_t>(reference.size()) || from < 0 ||
      to > static_cast<int64_t>(recording.size()))
    return -1;
  // First on block means over the whole radius, then sample by sample around the best.
  const std::vector<float> window = BlockMeans(reference, at - before, length);
  const std::vector<float> searched = BlockMeans(recording, from, to - from);
  int64_t best = -1;
  double bestCorrelation = -1;
  for (int64_t lag = 0; lag + static_cast<int64_t>(window.size()) <= static_cast<int64_t>(searched.size()); ++lag) {
    const double c = Correlation(window.data(), searched.data() + lag, static_cast<int64_t>(window.size()), 1);
    if (c > bestCorrelation) bestCorrelation = c, best = from + lag * kStride + before;
  }
  if (best < 0) return -1;
  // Then frame by frame around it, on every fourth frame of the window, and last on all.
  auto refine = [&](int64_t around, int64_t reach, int64_t step) {
    bestCorrelation = -1;
    for (int64_t candidate = around - reach; candidate <= around + reach; ++candidate) {
      if (candidate - before < 0 || candidate - before + length > static_cast<int64_t>(recording.size())) continue;
      const double c = Correlation(reference.data() + at - before, recording.data() + candidate - before, length, step);
      if (c > bestCorrelation) bestCorrelation = c, best = candidate;
    }
  };
  refine(best, 2 * kStride, 4);
  refine(best, 4, 1);
  return bestCorrelation >= 0.5 ? best : -1;
}

std::vector<int64_t> FollowMusic(const std::vector<float>& reference, const std::vector<float>& recording,
                                 int64_t firstLag, int32_t rate) {
  const int64_t step = rate / 2;
  std::vector<int64_t> lags;
  int64_t lag = firstLag;
  for (int64_t at = 0; at < static_cast<int64_t>(reference.size()); at += step) {
    int64_t found = Locate(reference, at, recording, at + lag, rate / 2, rate);
    if (found < 0) found = Locate(reference, at, recording, at + lag, 2 * rate, rate);  // a longer stall
    if (found >= 0) lag = found - at;
    lags.push_back(lag);
  }
  return lags;
}

double FirstFrameAt(const std::vector<Present>& presents, int32_t order) {
  auto moved = [&](size_t i) {
    const Present& a = presents[i - 1];
    const Present& b = presents[i];
    return std::abs(b.red - a.red) + std::abs(b.green - a.green) + std::abs(b.blue - a.blue);
  };
  for (size_t i = 1; i < presents.size(); ++i) {
    if (presents[i].order < order) continue;
    return i + 1 < presents.size() && moved(i + 1) > moved(i) ? presents[i + 1].seconds : presents[i].seconds;
  }
  return kNothing;
}

double ReportedAt(const std::vector<Present>& presents, int32_t order) {
  for (const Present& present : presents)
    if (present.order == order) return present.reportedAt;
  return kNothing;
}

std::vector<std::pair<double, double>> BrightRuns(const std::vector<Present>& presents, double from, double to,
                                                  double level) {
  std::vector<std::pair<double, double>> runs;
  bool inRun = false;
  for (const Present& present : presents) {
    if (present.seconds < from || present.seconds > to) {
      inRun = false;
      continue;
    }
    const bool bright = MeanLevel(present) > level;
    if (bright && !inRun) runs.emplace_back(present.seconds, present.seconds);
    if (bright) runs.back().second = present.seconds;
    inRun = bright;
  }
  return runs;
}

OffsetSummary Summarise(const std::vector<double>& offsets) {
  std::vector<double> absolute;
  for (double offset : offsets) absolute.push_back(std::abs(offset));
  return {Median(absolute), *std::max_element(absolute.begin(), absolute.end()), Median(offsets)};
}
