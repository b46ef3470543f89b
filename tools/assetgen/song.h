// The demo's music: an original composition written as data, built into an XM module.
//
// Structure (orders are the song positions the scenes wait for; a pattern of 32 rows is
// two bars of 4/4 in sixteenths at 140 BPM, speed 6):
//   0-11  intro, building from pads and arpeggio to the full groove   (24 bars)
//   12-19 verse with the lead melody                                   (16 bars)
//   20-27 chorus                                                       (16 bars)
//   28-31 breakdown, no kick                                           (8 bars)
//   32-39 driving chorus                                               (16 bars)
//   40-43 bridge                                                       (8 bars)
//   44-95 outro in half-bar patterns of 8 rows, thinning out           (26 bars)
//   96    the last chord (16 rows); the song then loops to order 0.
// Every section ends with a fill (snare roll, often a noise riser) and the next opens
// with a crash, so each scene change lands on a musical change.
#pragma once

#include "tools/xm/xm_writer.h"

namespace assetgen {

inline constexpr int kSongOrders = 97;
inline constexpr int kSongTempo = 159;
inline constexpr int kSongSpeed = 6;

xm::Module MakeSong();

}  // namespace assetgen
