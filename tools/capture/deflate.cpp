// Deflate with LZ77 and the fixed Huffman codes.
#include "tools/capture/deflate.h"

namespace {

constexpr int32_t kWindowSize = 32768;
constexpr int32_t kMinimumMatch = 3;
constexpr int32_t kMaximumMatch = 258;
// How many earlier positions with the same three-byte hash are tried per position: past
// this the pictures gain a few per cent for several times the work.
constexpr int32_t kChainLimit = 64;
constexpr int32_t kHashBits = 15;
constexpr int32_t kNoPosition = -1;

// Length codes 257..285 and distance codes 0..29: each code's smallest value and its extra bits.
constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {1,   2,   3,   4,    5,    7,    9,    13,   17,    25,
                                        33,  49,  65,  97,   129,  193,  257,  385,  513,   769,
                                        1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Bits go out least significant first; Huffman codes are sent most significant bit first,
// so they are reversed on the way in.
class BitWriter {
 public:
  explicit BitWriter(std::vector<uint8_t>* out) : out_(out) {}
  void Put(uint32_t value, int32_t count) {
    for (int32_t i = 0; i < count; ++i) PutBit((value >> i) & 1);
  }
  void PutCode(uint32_t code, int32_t length) {
    for (int32_t i = length - 1; i >= 0; --i) PutBit((code >> i) & 1);
  }
  void Flush() {
    if (used_ > 0) out_->push_back(pending_);
    pending_ = 0;
    used_ = 0;
  }

 private:
  void PutBit(uint32_t bit) {
    pending_ = static_cast<uint8_t>(pending_ | (bit << used_));
    if (++used_ == 8) Flush();
  }
  std::vector<uint8_t>* out_;
  uint8_t pending_ = 0;
  int32_t used_ = 0;
};

// The fixed literal/length code: 0..143 in 8 bits from 0x30, 144..255 in 9 bits from
// 0x190, 256..279 in 7 bits from 0, 280..287 in 8 bits from 0xC0.
void PutLiteralOrLength(BitWriter* bits, int32_t symbol) {
  if (symbol < 144) bits->PutCode(0x30 + symbol, 8);
  else if (symbol < 256) bits->PutCode(0x190 + symbol - 144, 9);
  else if (symbol < 280) bits->PutCode(symbol - 256, 7);
  else bits->PutCode(0xC0 + symbol - 280, 8);
}

void PutMatch(BitWriter* bits, int32_t length, int32_t distance) {
  int32_t lengthCode = 28;
  while (kLengthBase[lengthCode] > length) --lengthCode;
  PutLiteralOrLength(bits, 257 + lengthCode);
  bits->Put(static_cast<uint32_t>(length - kLengthBase[lengthCode]), kLengthExtra[lengthCode]);
  int32_t distanceCode = 29;
  while (kDistanceBase[distanceCode] > distance) --distanceCode;
  bits->PutCode(static_cast<uint32_t>(distanceCode), 5);
  bits->Put(static_cast<uint32_t>(distance - kDistanceBase[distanceCode]), kDistanceExtra[distanceCode]);
}

uint32_t Hash3(const uint8_t* at) {
  const uint32_t value = static_cast<uint32_t>(at[0]) << 16 | static_cast<uint32_t>(at[1]) << 8 | at[2];
  return (value * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

std::vector<uint8_t> DeflateFixedCodes(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out;
  out.reserve(size / 4 + 16);
  BitWriter bits(&out);
  bits.Put(1, 1);  // BFINAL: the only block
  bits.Put(1, 2);  // BTYPE 01: fixed codes

  // head[hash]: the latest position with that hash; previous[position % window]: the one
  // before it with the same hash.
  std::vector<int32_t> head(size_t{1} << kHashBits, kNoPosition);
  std::vector<int32_t> previous(kWindowSize, kNoPosition);
  const int64_t total = static_cast<int64_t>(size);
  auto insert = [&](int64_t position) {
    if (position + kMinimumMatch > total) return;
    const uint32_t hash = Hash3(data + position);
    previous[position % kWindowSize] = head[hash];
    head[hash] = static_cast<int32_t>(position);
  };

  int64_t position = 0;
  while (position < total) {
    int32_t bestLength = 0;
    int32_t bestDistance = 0;
    if (position + kMinimumMatch <= total) {
      const int64_t longest = total - position < kMaximumMatch ? total - position : kMaximumMatch;
      int32_t candidate = head[Hash3(data + position)];
      for (int32_t tries = 0; tries < kChainLimit && candidate != kNoPosition; ++tries) {
        const int64_t distance = position - candidate;
        if (distance > kWindowSize) break;
        int32_t length = 0;
        while (length < longest && data[candidate + length] == data[position + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestDistance = static_cast<int32_t>(distance);
          if (length == longest) break;
        }
        candidate = previous[candidate % kWindowSize];
      }
    }
    if (bestLength >= kMinimumMatch) {
      PutMatch(&bits, bestLength, bestDistance);
      for (int32_t i = 0; i < bestLength; ++i) insert(position + i);
      position += bestLength;
    } else {
      PutLiteralOrLength(&bits, data[position]);
      insert(position);
      ++position;
    }
  }
  PutLiteralOrLength(&bits, 256);  // end of block
  bits.Flush();
  return out;
}
