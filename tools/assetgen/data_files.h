// The files the asset generator writes under data/: the build's list (data_files.txt),
// compiled in, so that the generator and the tests hold the same one.
#pragma once

#include <string>
#include <vector>

namespace assetgen {

// Paths relative to the data directory ("particules/forme.bmp"), in the list's order.
const std::vector<std::string>& DataFiles();

}  // namespace assetgen
