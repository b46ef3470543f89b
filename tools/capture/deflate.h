// Deflate compression for the PNG writer: LZ77 matches coded with the fixed Huffman codes.
//
// One block, the codes the format fixes (no code tables to build or send), greedy matching
// over hash chains in the 32 KB window. It packs the project's pictures (large flat or
// repeating areas) to a fraction of their size in a page of code, and the bytes depend only
// on the input: the same pixels give the same file from any compiler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The raw deflate stream (no zlib header or checksum) of `size` bytes at `data`; size may be 0.
std::vector<uint8_t> DeflateFixedCodes(const uint8_t* data, size_t size);
