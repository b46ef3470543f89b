// The demo's music: an original composition written as data, built into an XM module.
//
// Structure (orders are the song positions the scenes wait for; a pattern of 32 rows is
// two bars of 4/4 in sixteenths at about 159 BPM, speed 6: 3.019 s, one pulse of the
// particles scene's smear, so every pattern there starts on its longest trails; a tempo
// plan of rows nudged to 158 and 161 BPM keeps the patterns on the pulses within a
// millisecond as a player renders them at 44.1 and at 48 kHz, see song.cpp):
//   0-11  intro, building from pads and arpeggio to the full groove   (24 bars)
//   12-19 verse with the lead melody                                   (16 bars)
//   20-27 chorus                                                       (16 bars)
//   28-31 breakdown, about 5 dB below the verse, building into...      (8 bars)
//   32-39 driving chorus, the loudest part                             (16 bars)
//   40-43 bridge                                                       (8 bars)
//   44-95 outro in half-bar patterns of 8 rows, thinning out and       (26 bars)
//         quieter step by step; the end logo flashes every 64 rows from row 32 on, and
//         each flash lands on a pattern start with a crash, a kick and a bass hit
//   96    the last chord (16 rows); the song then loops to order 0.
// Every section ends with a fill (snare roll, often a noise riser), the next opens with a
// crash, and a voice enters or leaves at each scene change. The mix is stereo: drums and
// bass in the middle, pad voices and the bouncing arpeggio spread, the lead's echo on the
// other side of the lead.
#pragma once

#include "scenes/scene_table.h"
#include "tools/xm/xm_writer.h"

namespace assetgen {

inline constexpr int kSongOrders = kSongPositionsNeeded;
inline constexpr int kSongTempo = 159;
inline constexpr int kSongSpeed = 6;
// The output rates the tempo plan keeps the patterns on the scenes' pulses at.
inline constexpr int32_t kSongPlanRates[] = {44100, 48000};

xm::Module MakeSong();

}  // namespace assetgen
