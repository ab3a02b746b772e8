// The binary 3D mesh (".m3i") and 3D mesh result (".m3r") files that the stand-ins write.
//
// Layout (little-endian 32-bit words): a header of 99 words (word 0 the format version, 11 the
// number of attribute directory entries, 30 the node count, 35 the element count), the
// directory of 20-byte entries (8-character name, significant length, 1-based word position of
// the record, an unused real), then the records, each a 5-word record header followed by its
// values: "REGION" and "SHAPE" one integer per element, "BLMTHICK" two reals per element. A
// result file also has "RSTTIMES": its record header's first word is the number of restart
// points, followed by one (time, filled fraction) pair of reals per point.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ktpm::standin {

struct M3Contents {
  int32_t version = 105;
  int32_t nodes = 4;
  int32_t elements = 2;
  std::vector<std::pair<float, float>> restartTimes;  // written only when not empty
};

bool WriteM3File(const std::string& path, const M3Contents& contents);
// The restart points of a result file; nullopt when the file is unreadable, is not such a file,
// or has no "RSTTIMES" record. Reads only inside the file, whatever its words say.
std::optional<std::vector<std::pair<float, float>>> ReadM3RestartTimes(const std::string& path);

}  // namespace ktpm::standin
