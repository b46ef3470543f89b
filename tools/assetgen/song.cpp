// The composition: chords, melodies and drum lines written as text, laid out bar by bar
// on one long timeline of rows, then cut into the order list's patterns.
#include "tools/assetgen/song.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "scenes/scene_table.h"
#include "tools/assetgen/synth.h"
#include "tools/xm/xm_timing.h"

namespace assetgen {
namespace {

constexpr int kRowsPerBar = 16;

// Lengths of the patterns in rows, order by order: two bars each while the scenes change
// every few orders, half a bar under the end logo (so that its flashes land on pattern
// starts), and one bar for the last order, which the demo ends on.
constexpr int OrderRows(int order) {
  return order < SceneEnd(kRotozoomScene) ? 2 * kRowsPerBar : order < kEndLogoEndPosition ? kRowsPerBar / 2 : kRowsPerBar;
}
constexpr int OrderBar(int order) {
  int rows = 0;
  for (int before = 0; before < order; ++before) rows += OrderRows(before);
  return rows / kRowsPerBar;
}

// The bars the sections start on: where the scenes change.
constexpr int kVerseBar = OrderBar(SceneEnd(kParticlesScene));
constexpr int kChorusBar = OrderBar(SceneEnd(kObjectScene));
constexpr int kBreakdownBar = OrderBar(SceneEnd(kBallScene));
constexpr int kDrivingChorusBar = OrderBar(SceneEnd(kRippledPlaneScene));
constexpr int kBridgeBar = OrderBar(SceneEnd(kZoomScene));
constexpr int kOutroBar = OrderBar(SceneEnd(kRotozoomScene));
constexpr int kLastOrderBar = OrderBar(kEndLogoEndPosition);
constexpr int kBars = OrderBar(kSongOrders);
constexpr int kRows = kBars * kRowsPerBar;
// The melodies and drum lines are written for sections of these lengths.
static_assert(kVerseBar == 24 && kChorusBar == 40 && kBreakdownBar == 56 && kDrivingChorusBar == 64 &&
              kBridgeBar == 80 && kOutroBar == 88 && kLastOrderBar == 114 && kBars == 115);

// Two pad sets take turns: a new chord attacks on one while the old one releases on the
// other, so the harmony never drops out at a chord change.
// The conductor plays no note: it holds the tempo plan's effects.
enum Channel { kKick, kSnare, kClosedHat, kOpenHat, kBass, kPadA, kPadB = kPadA + 3, kLead = kPadB + 3, kEcho, kArp,
               kEffects, kConductor, kChannels };
enum Instrument { kKickSound = 1, kSnareSound, kClosedHatSound, kOpenHatSound, kCrashSound, kBassSound, kPadSound,
                  kLeadSound, kPluckSound, kRiserSound };

// Where each channel sits (0 left, 128 centre, 255 right), set with every note: drums and
// bass in the middle, the pad voices spread, the lead right of centre and its echo left.
// -1: the sample's own panning (hats slightly off centre); the arpeggio sets its own.
constexpr int kChannelPan[kChannels] = {128, 128, -1, -1, 128, 40, 216, 128, 40, 216, 128, 168, 48, -1, 128, -1};

// ------------------------------------------------------------------ the score as text

// One chord per bar.
const char* const kChords[kBars] = {
    // 0..23 intro
    "Am", "F", "C", "G", "Am", "F", "C", "G", "Am", "F", "C", "G", "Am", "F", "C", "G",
    "Am", "F", "C", "G", "Am", "F", "Dm", "E",
    // 24..39 verse
    "Am", "F", "C", "G", "Am", "F", "Dm", "E", "Am", "F", "C", "G", "Am", "F", "Dm", "E",
    // 40..55 chorus
    "F", "G", "Em", "Am", "Dm", "G", "C", "E", "F", "G", "Em", "Am", "Dm", "G", "C", "E",
    // 56..63 breakdown
    "Am", "Am", "F", "F", "Dm", "Dm", "E", "E",
    // 64..79 driving chorus
    "F", "G", "Em", "Am", "Dm", "G", "C", "E", "F", "G", "Em", "Am", "Dm", "G", "C", "E",
    // 80..87 bridge
    "Dm", "Em", "F", "G", "Dm", "Em", "F", "E",
    // 88..111 outro, 112..113 the last chord, 114 its tail
    "Am", "F", "C", "G", "Am", "F", "C", "G", "Am", "F", "C", "G", "Am", "F", "C", "G",
    "Am", "F", "C", "G", "Am", "F", "C", "G", "Am", "Am", "Am"};

// Melodies: note name and octave (or r for a rest), a colon, the length in sixteenths.
constexpr std::string_view kVerseMelody =
    "a4:4 c5:4 e5:6 d5:2 | c5:4 a4:4 f5:8 | e5:4 g5:4 e5:4 d5:2 c5:2 | d5:12 r:4 |"
    "a4:4 c5:4 e5:6 g5:2 | a5:4 g5:4 f5:4 e5:2 d5:2 | f5:4 e5:4 d5:4 c5:2 d5:2 | e5:8 g#4:4 b4:4";
constexpr std::string_view kChorusMelody =
    "c6:4 a5:4 c6:2 d6:2 c6:4 | b5:4 g5:4 d5:4 g5:4 | b5:6 a5:2 g5:4 e5:4 | a5:12 r:4 |"
    "a5:4 f5:4 a5:2 c6:2 d6:4 | d6:4 b5:4 g5:4 b5:4 | c6:6 b5:2 a5:4 g5:4 | g#5:8 b5:4 e5:4";
constexpr std::string_view kBridgeMelody =
    "d5:2 f5:2 a5:4 f5:2 a5:2 d6:4 | e5:2 g5:2 b5:4 g5:2 b5:2 e6:4 | f5:2 a5:2 c6:4 a5:2 c6:2 e6:4 |"
    "d6:8 b5:4 g5:4 | d5:2 f5:2 a5:4 f5:2 a5:2 d6:4 | e5:2 g5:2 b5:4 g5:2 b5:2 e6:4 |"
    "c6:4 a5:4 f5:4 a5:4 | b5:8 g#5:8";
constexpr std::string_view kBreakdownMelody = "f5:12 e5:2 d5:2 | a5:16 | g#5:12 a5:2 b5:2 | e5:8 r:8";

// Drum lines, one bar each: X accent, x normal, o soft, . nothing.
constexpr const char* kFourFloor = "x...x...x...x...";
constexpr const char* kBackbeat = "....x.......x...";
constexpr const char* kHalfTime = "........x.......";
constexpr const char* kOffbeats = "..x...x...x...x.";
constexpr const char* kSixteenths = "xoxoxoxoxoxoxoxo";
constexpr const char* kSnareFill = "....x...x.x.xXXX";
constexpr const char* kBigFill = "x.x.x.x.xxxxXXXX";

// ------------------------------------------------------------------ the timeline

class Timeline {
 public:
  Timeline() : cells_(static_cast<size_t>(kRows) * kChannels) {}
  xm::Cell& At(int row, int channel) { return cells_[static_cast<size_t>(row) * kChannels + channel]; }
  const xm::Cell& At(int row, int channel) const { return cells_[static_cast<size_t>(row) * kChannels + channel]; }

  // Volumes are written through the mix: the score's levels scaled by the instrument's
  // gain and by the section's level (both percent), so balancing the parts or the
  // sections does not mean editing every line. A note also sets its channel's panning
  // (`pan`, or the channel's place when it has one), because a new note resets it.
  void Note(int row, int channel, int note, int instrument, int volume, int pan = -1) {
    if (row < 0 || row >= kRows) return;
    xm::Cell& cell = At(row, channel);
    cell.note = static_cast<uint8_t>(note);
    cell.instrument = static_cast<uint8_t>(instrument);
    cell.volume = static_cast<uint8_t>(0x10 + Mixed(instrument, volume));
    if (pan < 0) pan = kChannelPan[channel];
    if (pan >= 0) Effect(row, channel, 0x08, static_cast<uint8_t>(pan));
    mixInstrument_[channel] = instrument;
  }
  // A volume change on a channel follows the mix of the last instrument played there.
  void Volume(int row, int channel, int volume) {
    if (row < 0 || row >= kRows) return;
    At(row, channel).volume = static_cast<uint8_t>(0x10 + Mixed(mixInstrument_[channel], volume));
  }
  void Off(int row, int channel) {
    if (row < 0 || row >= kRows) return;
    xm::Cell& cell = At(row, channel);
    if (cell.note == 0) cell.note = xm::kNoteOff;
  }
  void Effect(int row, int channel, uint8_t effect, uint8_t parameter) {
    if (row < 0 || row >= kRows) return;
    At(row, channel).effect = effect;
    At(row, channel).parameter = parameter;
  }
  // The level of the section that follows, percent of the written volumes.
  void Level(int percent) { level_ = percent; }
  // The pad set that holds the current chord, and the one the next chord goes to.
  int SoundingPads() const { return padSet_; }
  int SwapPads() { return padSet_ = padSet_ == kPadA ? kPadB : kPadA; }

 private:
  int Mixed(int instrument, int volume) const {
    //                            kick snare chat ohat crash bass pad lead pluck riser
    static const int kGain[11] = {0,  80,  84,  95,  95,  76,  115, 108, 120, 112, 70};
    return std::clamp(volume * kGain[instrument] / 100 * level_ / 100, 0, 64);
  }
  std::vector<xm::Cell> cells_;
  int mixInstrument_[kChannels] = {};
  int level_ = 100;
  int padSet_ = kPadB;
};

int BarRow(int bar) { return bar * kRowsPerBar; }

struct Chord {
  int root;  // pitch class, C = 0
  bool minor;
};

Chord ParseChord(const char* name) {
  static const int kPitch[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  Chord chord{kPitch[name[0] - 'A'], false};
  chord.minor = name[1] == 'm';
  return chord;
}

// XM note number of pitch class `pitch` in `octave` (C-4 is 49).
int NoteNumber(int pitch, int octave) { return octave * 12 + pitch + 1; }

// The note within [low, low + 11] that has this pitch class.
int InRange(int pitch, int low) {
  int note = low;
  while ((note - 1) % 12 != pitch) ++note;
  return note;
}

std::vector<int> ChordTones(Chord chord) { return {chord.root, (chord.root + (chord.minor ? 3 : 4)) % 12, (chord.root + 7) % 12}; }

// Parses "a4:4 c#5:2 r:4 | ..." into (row offset, note or 0 for rest, length) events.
struct MelodyNote {
  int row, note, length;
};

std::vector<MelodyNote> ParseMelody(std::string_view text) {
  static const int kPitch[7] = {9, 11, 0, 2, 4, 5, 7};
  std::vector<MelodyNote> notes;
  int row = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == '|') {
      ++i;
      continue;
    }
    const size_t end = text.find_first_of(" |", i);
    const std::string token(text.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
    i = end == std::string_view::npos ? text.size() : end;
    const size_t colon = token.find(':');
    const int length = std::atoi(token.c_str() + colon + 1);
    int note = 0;
    if (token[0] != 'r') {
      int pitch = kPitch[token[0] - 'a'];
      size_t k = 1;
      if (token[k] == '#') { ++pitch; ++k; }
      else if (token[k] == 'b') { --pitch; ++k; }
      note = (token[k] - '0') * 12 + pitch + 1;  // a flat C or sharp B crosses the octave
    }
    notes.push_back({row, note, length});
    row += length;
  }
  return notes;
}

// Writes a melody from `row`, a note-off wherever a rest or the end follows a note.
void PlayMelody(Timeline& song, std::string_view text, int row, int channel, int instrument, int volume,
                int transpose = 0, int delay = 0) {
  const std::vector<MelodyNote> notes = ParseMelody(text);
  for (size_t n = 0; n < notes.size(); ++n) {
    const MelodyNote& m = notes[n];
    if (m.note == 0) continue;
    song.Note(row + m.row + delay, channel, m.note + transpose, instrument, volume);
    const bool followedByNote = n + 1 < notes.size() && notes[n + 1].note != 0;
    if (!followedByNote) song.Off(row + m.row + m.length - 1 + delay, channel);
  }
}

// The lead and its echo three sixteenths later, quieter and to the other side.
void Lead(Timeline& song, std::string_view text, int bar, int volume, int transpose = 0) {
  PlayMelody(song, text, BarRow(bar), kLead, kLeadSound, volume, transpose);
  PlayMelody(song, text, BarRow(bar), kEcho, kLeadSound, volume / 2, transpose, 3);
}

void Drums(Timeline& song, int bar, int channel, int instrument, const char* line, int volume) {
  for (int i = 0; i < kRowsPerBar; ++i) {
    const char c = line[i];
    if (c == '.') continue;
    const int v = c == 'X' ? volume : c == 'x' ? volume * 13 / 16 : volume / 2;
    song.Note(BarRow(bar) + i, channel, 49, instrument, v);
  }
}

// Pads: the chord's three tones voiced inside G-3..F#4, struck on the other pad set when
// the chord changes while the set that held the old chord releases.
void Pads(Timeline& song, int firstBar, int lastBar, int volume) {
  for (int bar = firstBar; bar <= lastBar; ++bar) {
    if (bar > firstBar && std::string_view(kChords[bar]) == kChords[bar - 1]) continue;
    std::vector<int> tones = ChordTones(ParseChord(kChords[bar]));
    std::vector<int> notes;
    for (int pitch : tones) notes.push_back(InRange(pitch, NoteNumber(7, 3)));
    std::sort(notes.begin(), notes.end());
    const int old = song.SoundingPads(), next = song.SwapPads();
    for (int v = 0; v < 3; ++v) {
      song.Off(BarRow(bar), old + v);
      song.Note(BarRow(bar), next + v, notes[v], kPadSound, volume);
    }
  }
}

void PadsRelease(Timeline& song, int row) {
  for (int v = 0; v < 3; ++v) song.Off(row, song.SoundingPads() + v);
}

enum class BassStyle { Whole, Offbeat, Groove, Rolling };

// The bass follows each bar's root in E-2..D#3.
void Bass(Timeline& song, int firstBar, int lastBar, BassStyle style, int volume) {
  for (int bar = firstBar; bar <= lastBar; ++bar) {
    const int root = InRange(ParseChord(kChords[bar]).root, NoteNumber(4, 2));
    const int row = BarRow(bar);
    switch (style) {
      case BassStyle::Whole:
        song.Note(row, kBass, root, kBassSound, volume);
        song.Off(row + 14, kBass);
        break;
      case BassStyle::Offbeat:
        for (int i = 2; i < 16; i += 4) {
          song.Note(row + i, kBass, i == 10 ? root + 12 : root, kBassSound, volume);
          song.Off(row + i + 2, kBass);
        }
        break;
      case BassStyle::Groove: {
        const int steps[7][3] = {{0, 0, 3}, {3, 0, 2}, {6, 12, 2}, {8, 0, 2}, {10, 7, 2}, {12, 12, 2}, {14, 0, 2}};
        for (const auto& step : steps) {
          song.Note(row + step[0], kBass, root + step[1], kBassSound, step[0] % 4 == 0 ? volume : volume * 7 / 8);
          if (step[0] + step[2] < 16) song.Off(row + step[0] + step[2] - 1, kBass);
        }
        break;
      }
      case BassStyle::Rolling:
        for (int i = 0; i < 16; ++i) {
          if (i % 4 == 0) continue;  // the kick owns the beat
          song.Note(row + i, kBass, i % 4 == 2 ? root + 12 : root, kBassSound, i % 4 == 2 ? volume : volume * 3 / 4);
        }
        break;
    }
  }
}

// Sixteenth-note arpeggio over root, third, fifth and octave around C-5, bouncing
// between left and right.
void Arpeggio(Timeline& song, int firstBar, int lastBar, int volume, int growTo = -1) {
  static const int kOrder[16] = {0, 1, 2, 3, 1, 2, 3, 2, 0, 1, 2, 3, 2, 3, 1, 2};
  const int bars = lastBar - firstBar + 1;
  for (int bar = firstBar; bar <= lastBar; ++bar) {
    const std::vector<int> tones = ChordTones(ParseChord(kChords[bar]));
    const int root = InRange(tones[0], NoteNumber(9, 4));
    const int third = InRange(tones[1], root);
    const int fifth = InRange(tones[2], root);
    const int notes[4] = {root, third, fifth, root + 12};
    const int level = growTo < 0 ? volume : volume + (growTo - volume) * (bar - firstBar) / std::max(1, bars - 1);
    for (int i = 0; i < 16; ++i)
      song.Note(BarRow(bar) + i, kArp, notes[kOrder[i]], kPluckSound, i % 4 == 0 ? level : level * 3 / 4,
                i % 2 ? 184 : 72);
  }
}

void Crash(Timeline& song, int bar, int volume) { song.Note(BarRow(bar), kEffects, 49, kCrashSound, volume); }
// The riser spans two bars and ends on the next downbeat.
void Riser(Timeline& song, int bar, int volume) { song.Note(BarRow(bar), kEffects, 49, kRiserSound, volume); }

// The kit, bar by bar. The last bar of every four turns round (ghost snares, busier
// hats), and the last of every eight pushes the kick and opens a hat, so the backing
// never plays the same four bars three times over.
void Groove(Timeline& song, int firstBar, int lastBar, bool snare, bool sixteenths, bool openHats) {
  for (int bar = firstBar; bar <= lastBar; ++bar) {
    const bool turn = bar % 4 == 3, phraseEnd = bar % 8 == 7;
    Drums(song, bar, kKick, kKickSound, phraseEnd ? "x...x...x...x.x." : kFourFloor, 64);
    if (snare) Drums(song, bar, kSnare, kSnareSound, turn ? "....x.....o.x.o." : kBackbeat, 60);
    Drums(song, bar, kClosedHat, kClosedHatSound,
          sixteenths ? (turn ? "xoxoxoxoxoxoxxXx" : kSixteenths) : (turn ? "..x...x...x.xxx." : kOffbeats), 56);
    if (openHats) Drums(song, bar, kOpenHat, kOpenHatSound, kOffbeats, 48);
    else if (phraseEnd) Drums(song, bar, kOpenHat, kOpenHatSound, "..............x.", 48);
  }
}

void Fill(Timeline& song, int bar, const char* line) { Drums(song, bar, kSnare, kSnareSound, line, 54); }

// The end logo flashes once every 64 rows, from row 32 of its section on: each burst
// lands on a crash, a kick and a bass hit, with a snare pickup in the four rows before.
void FlashHit(Timeline& song, int bar, int volume) {
  const int row = BarRow(bar);
  for (int i = 0; i < 4; ++i) song.Note(row - 4 + i, kSnare, 49, kSnareSound, volume * (8 + 2 * i) / 14);
  song.Note(row, kEffects, 49, kCrashSound, volume);
  song.Note(row, kKick, 49, kKickSound, volume);
  song.Note(row, kBass, InRange(ParseChord(kChords[bar]).root, NoteNumber(4, 2)), kBassSound, volume);
}

// ------------------------------------------------------------------ the tempo plan

// The rows keep to the scenes' pulse: 32 rows to each pulse of the particles scene's
// smear (3.0190 s, 158.997 BPM at speed 6) and 64 to each of the end logo's flashes, so
// that every pulse falls on a pattern start at whatever rate the music is played. A
// player renders each tick as whole sample frames (xm::TickFrames): at a steady 159 BPM
// 32 rows come out 3.0 ms short of the pulse at 48 kHz and 1.8 ms short at 44.1 kHz, and
// the shortfall grows pattern after pattern. So each stretch of 32 rows plays some rows
// at 158 BPM and a few at 161, as many of each as keep the song's running time closest
// to the pulses at both rates. No single tempo serves both rates; these two round
// differently at each, so their mix corrects both at once. No row strays more than
// 1.3 % from 159 BPM, and the nudged rows are spread through the stretch.
constexpr int kRowsPerPulse = 2 * kRowsPerBar;
constexpr int kSlowerTempo = kSongTempo - 1, kFasterTempo = kSongTempo + 2;

// Marks `count` of the `rows` places evenly (false where not marked).
std::vector<bool> Spread(int count, int rows) {
  std::vector<bool> marked(rows);
  for (int i = 0; i < rows; ++i) marked[i] = (i + 1) * count / rows > i * count / rows;
  return marked;
}

// The tempo of every row of the timeline.
std::vector<int> PlanTempos() {
  const double rowSeconds = 2 * std::numbers::pi / (kPulseSpeed * kSmearPulseScale) / kRowsPerPulse;
  constexpr size_t kRates = std::size(kSongPlanRates);
  int64_t frames[kRates] = {};  // where the next row starts at each rate
  std::vector<int> tempos;
  for (int first = 0; first < kRows; first += kRowsPerPulse) {
    const int rows = std::min(kRowsPerPulse, kRows - first);
    const double end = (first + rows) * rowSeconds;
    // The error is rounded to 0.1 ms, so that of two plans about as close the one that
    // nudges fewer rows wins.
    auto error = [&](int slower, int faster) {
      double worst = 0;
      for (size_t r = 0; r < kRates; ++r) {
        const int32_t rate = kSongPlanRates[r];
        const int64_t stretch = kSongSpeed * ((rows - slower - faster) * xm::TickFrames(rate, kSongTempo) +
                                              slower * xm::TickFrames(rate, kSlowerTempo) +
                                              faster * xm::TickFrames(rate, kFasterTempo));
        worst = std::max(worst, std::abs(static_cast<double>(frames[r] + stretch) / rate - end));
      }
      return std::round(worst * 1e4);
    };
    int slower = 0, faster = 0;
    for (int s = 0; s <= rows / 2; ++s)
      for (int f = 0; f <= rows / 2; ++f)
        if (error(s, f) < error(slower, faster) || (error(s, f) == error(slower, faster) && s + f < slower + faster))
          slower = s, faster = f;
    const std::vector<bool> slow = Spread(slower, rows), fast = Spread(faster, rows - slower);
    for (int i = 0, others = 0; i < rows; ++i)
      tempos.push_back(slow[i] ? kSlowerTempo : fast[others++] ? kFasterTempo : kSongTempo);
    for (size_t r = 0; r < kRates; ++r)
      for (int i = first; i < first + rows; ++i) frames[r] += kSongSpeed * xm::TickFrames(kSongPlanRates[r], tempos[i]);
  }
  return tempos;
}

// Writes the plan on the conductor: the tempo at the start of every order (so that the
// loop back to order 0 and any seek find it) and wherever it changes.
void Conduct(Timeline& song) {
  const std::vector<int> tempos = PlanTempos();
  std::vector<bool> orderStart(kRows, false);
  for (int order = 0, row = 0; order < kSongOrders; row += OrderRows(order++)) orderStart[row] = true;
  for (int row = 0; row < kRows; ++row)
    if (orderStart[row] || tempos[row] != tempos[row - 1])
      song.Effect(row, kConductor, xm::kEffectSpeedOrTempo, static_cast<uint8_t>(tempos[row]));
}

Timeline Compose() {
  Timeline song;
  // Intro (particles): pads and a growing arpeggio, then kick, hats and bass, then the
  // full kit, louder step by step. Each pattern (two bars) opens as the smear pulse draws
  // its longest trails.
  song.Level(55);
  Pads(song, 0, 7, 44);
  Arpeggio(song, 0, 7, 14, 34);
  Riser(song, 6, 40);
  song.Level(75);
  Pads(song, 8, 15, 44);
  Crash(song, 8, 48);
  Arpeggio(song, 8, 15, 34);
  for (int bar = 8; bar <= 15; ++bar) {
    Drums(song, bar, kKick, kKickSound, kFourFloor, 60);
    Drums(song, bar, kClosedHat, kClosedHatSound, bar % 4 == 3 ? "..x...x...x.x.xx" : kOffbeats, 44);
  }
  Drums(song, 15, kSnare, kSnareSound, "............x.xX", 48);
  Bass(song, 8, 15, BassStyle::Offbeat, 52);
  song.Level(90);
  Pads(song, 16, 23, 44);
  Arpeggio(song, 16, 23, 34);
  Crash(song, 16, 56);
  Groove(song, 16, 23, true, true, false);
  Bass(song, 16, 23, BassStyle::Offbeat, 56);
  Fill(song, kVerseBar - 1, kSnareFill);
  Riser(song, kVerseBar - 2, 48);

  // Verse (object scene): the lead enters, the arpeggio leaves.
  song.Level(100);
  Crash(song, kVerseBar, 64);
  Pads(song, kVerseBar, kChorusBar - 1, 36);
  Groove(song, kVerseBar, kChorusBar - 1, true, false, false);
  Drums(song, kVerseBar + 7, kOpenHat, kOpenHatSound, kOffbeats, 40);
  Bass(song, kVerseBar, kChorusBar - 1, BassStyle::Groove, 60);
  Lead(song, kVerseMelody, kVerseBar, 50);
  Lead(song, kVerseMelody, kVerseBar + 8, 54);
  Fill(song, kChorusBar - 1, kSnareFill);
  Riser(song, kChorusBar - 2, 52);

  // Chorus (ball scene): the arpeggio and the open hats come back.
  Crash(song, kChorusBar, 64);
  Pads(song, kChorusBar, kBreakdownBar - 1, 40);
  Groove(song, kChorusBar, kBreakdownBar - 1, true, false, true);
  Bass(song, kChorusBar, kBreakdownBar - 1, BassStyle::Offbeat, 62);
  Arpeggio(song, kChorusBar, kBreakdownBar - 1, 26);
  Lead(song, kChorusMelody, kChorusBar, 48);
  Lead(song, kChorusMelody, kChorusBar + 8, 50);
  Fill(song, kBreakdownBar - 1, kBigFill);

  // Breakdown (rippled plane): no kick and no hats, long bass notes, a half-time snare,
  // well below the verse; its last two bars build into the zoom scene with a rising
  // snare roll, a riser and a kick on every beat.
  song.Level(56);
  const int buildUp = kDrivingChorusBar - 2;
  Crash(song, kBreakdownBar, 52);
  Pads(song, kBreakdownBar, kDrivingChorusBar - 1, 50);
  Bass(song, kBreakdownBar, buildUp - 1, BassStyle::Whole, 56);
  Arpeggio(song, kBreakdownBar, buildUp - 1, 30);
  for (int bar = kBreakdownBar + 2; bar < buildUp; ++bar) Drums(song, bar, kSnare, kSnareSound, kHalfTime, 52);
  Lead(song, kBreakdownMelody, kBreakdownBar + 4, 46);
  song.Level(100);
  for (int i = 0; i < 32; ++i) {
    const int row = BarRow(buildUp) + i;
    song.Note(row, kSnare, 49, kSnareSound, 12 + 40 * i / 31);
    if (i % 4 == 0) song.Note(row, kKick, 49, kKickSound, 24 + i);
  }
  Arpeggio(song, buildUp, kDrivingChorusBar - 1, 12, 30);
  Bass(song, buildUp, kDrivingChorusBar - 1, BassStyle::Offbeat, 44);
  Riser(song, buildUp, 60);

  // Driving chorus (zoom): the whole band, sixteenth hats and a rolling bass.
  Crash(song, kDrivingChorusBar, 64);
  Pads(song, kDrivingChorusBar, kBridgeBar - 1, 38);
  Groove(song, kDrivingChorusBar, kBridgeBar - 1, true, true, true);
  Bass(song, kDrivingChorusBar, kBridgeBar - 1, BassStyle::Rolling, 56);
  Arpeggio(song, kDrivingChorusBar, kBridgeBar - 1, 24);
  Lead(song, kChorusMelody, kDrivingChorusBar, 50);
  Lead(song, kChorusMelody, kDrivingChorusBar + 8, 52);
  Fill(song, kBridgeBar - 1, kSnareFill);
  Riser(song, kBridgeBar - 2, 52);

  // Bridge (rotozoom): the snare and the arpeggio leave, the bridge melody over the kick.
  song.Level(92);
  Crash(song, kBridgeBar, 64);
  Pads(song, kBridgeBar, kOutroBar - 1, 42);
  Groove(song, kBridgeBar, kOutroBar - 1, false, true, false);
  for (int bar = kBridgeBar + 4; bar < kOutroBar - 1; ++bar) Drums(song, bar, kSnare, kSnareSound, kBackbeat, 56);
  Bass(song, kBridgeBar, kOutroBar - 1, BassStyle::Groove, 58);
  Lead(song, kBridgeMelody, kBridgeBar, 48);
  Fill(song, kOutroBar - 1, kBigFill);
  Riser(song, kOutroBar - 2, 56);

  // Outro (end logo): the verse once more, then the kit falls away bar group by group,
  // each step quieter; every flash of the logo gets its hit.
  song.Level(100);
  // The outro's three steps of eight bars, and the last chord two bars before the last order.
  const int thinner = kOutroBar + 8, thinnest = kOutroBar + 16, lastChord = kLastOrderBar - 2;
  Crash(song, kOutroBar, 64);
  Pads(song, kOutroBar, thinner - 1, 40);
  Groove(song, kOutroBar, thinner - 1, true, false, true);
  Bass(song, kOutroBar, thinner - 1, BassStyle::Groove, 58);
  Lead(song, kVerseMelody, kOutroBar, 50);
  song.Level(85);
  Pads(song, thinner, thinnest - 1, 40);
  Groove(song, thinner, thinnest - 1, false, true, false);
  Bass(song, thinner, thinnest - 1, BassStyle::Groove, 58);
  Arpeggio(song, thinner, thinnest - 1, 28, 22);
  song.Level(46);
  Pads(song, thinnest, lastChord - 1, 40);
  Arpeggio(song, thinnest, lastChord - 1, 22, 14);
  for (int bar = thinnest; bar < lastChord; ++bar) Drums(song, bar, kClosedHat, kClosedHatSound, kOffbeats, 36);
  for (int bar = kOutroBar + 2; bar < lastChord; bar += 4) {
    song.Level(bar < thinner ? 100 : bar < thinnest ? 92 : 70);
    FlashHit(song, bar, 60);
  }
  // The last chord: struck with kick, bass and crash, then faded out row by row.
  song.Level(58);
  Crash(song, lastChord, 56);
  Drums(song, lastChord, kKick, kKickSound, "x...............", 64);
  Pads(song, lastChord, lastChord + 1, 44);
  song.Note(BarRow(lastChord), kBass, InRange(9, NoteNumber(4, 2)), kBassSound, 56);
  song.Note(BarRow(lastChord), kLead, NoteNumber(9, 5), kLeadSound, 40);
  for (int i = 1; i < 32; ++i) {
    const int level = 44 * (32 - i) / 32;
    for (int v = 0; v < 3; ++v) song.Volume(BarRow(lastChord) + i, song.SoundingPads() + v, level);
    song.Volume(BarRow(lastChord) + i, kBass, 56 * (32 - i) / 32);
    song.Volume(BarRow(lastChord) + i, kLead, 40 * (32 - i) / 32);
  }
  PadsRelease(song, BarRow(kLastOrderBar));
  song.Off(BarRow(kLastOrderBar), kBass);
  song.Off(BarRow(kLastOrderBar), kLead);
  // Before the loop restarts, hush every channel that might still ring.
  for (int channel = 0; channel < kConductor; ++channel) song.Off(BarRow(kLastOrderBar) + 8, channel);
  Conduct(song);
  return song;
}

}  // namespace

xm::Module MakeSong() {
  xm::Module module;
  module.name = "Zelto2k";
  module.trackerName = "zelto2k composer";
  module.channels = kChannels;
  module.speed = kSongSpeed;
  module.tempo = kSongTempo;
  module.instruments = {MakeKick(), MakeSnare(), MakeClosedHat(), MakeOpenHat(), MakeCrash(),
                        MakeBass(), MakePad(),   MakeLead(),      MakePluck(),   MakeRiser(32 * 2.5 * kSongSpeed / kSongTempo)};
  const Timeline song = Compose();
  int row = 0;
  for (int order = 0; order < kSongOrders; ++order) {
    xm::Pattern pattern;
    pattern.rows = OrderRows(order);
    for (int r = 0; r < pattern.rows; ++r)
      for (int channel = 0; channel < kChannels; ++channel) pattern.cells.push_back(song.At(row + r, channel));
    row += pattern.rows;
    // Identical stretches share one pattern.
    size_t index = 0;
    while (index < module.patterns.size()) {
      const xm::Pattern& other = module.patterns[index];
      bool same = other.rows == pattern.rows;
      for (size_t c = 0; same && c < pattern.cells.size(); ++c) {
        const xm::Cell& a = other.cells[c];
        const xm::Cell& b = pattern.cells[c];
        same = a.note == b.note && a.instrument == b.instrument && a.volume == b.volume && a.effect == b.effect &&
               a.parameter == b.parameter;
      }
      if (same) break;
      ++index;
    }
    if (index == module.patterns.size()) module.patterns.push_back(std::move(pattern));
    module.orders.push_back(static_cast<uint8_t>(index));
  }
  return module;
}

}  // namespace assetgen
