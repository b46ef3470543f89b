// Big-endian words as the LightWave object and PNG formats store them: appended to a byte
// vector, and read back from a buffer the caller has checked holds them.
#pragma once

#include <cstdint>
#include <vector>

inline void PutBigEndian32(std::vector<uint8_t>* bytes, uint32_t value) {
  bytes->push_back(static_cast<uint8_t>(value >> 24));
  bytes->push_back(static_cast<uint8_t>(value >> 16));
  bytes->push_back(static_cast<uint8_t>(value >> 8));
  bytes->push_back(static_cast<uint8_t>(value));
}

// The low 16 bits of value.
inline void PutBigEndian16(std::vector<uint8_t>* bytes, uint32_t value) {
  bytes->push_back(static_cast<uint8_t>(value >> 8));
  bytes->push_back(static_cast<uint8_t>(value));
}

// Reads 4 bytes at `bytes`.
inline uint32_t ReadBigEndian32(const uint8_t* bytes) {
  return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
         (static_cast<uint32_t>(bytes[2]) << 8) | static_cast<uint32_t>(bytes[3]);
}

// Reads 2 bytes at `bytes`.
inline uint32_t ReadBigEndian16(const uint8_t* bytes) {
  return (static_cast<uint32_t>(bytes[0]) << 8) | static_cast<uint32_t>(bytes[1]);
}
