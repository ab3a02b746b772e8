// How node operations read the project's files: through the owning tree, whose running build
// answers existence tests from its listing and parses each keyword file once; a node made
// outside a tree reads the disk directly.
#pragma once

#include <memory>
#include <string>

class KKeywordFile;
class KT_PM_Node;

namespace ktpm::detail {

// The keyword file name, as the node's tree reads it.
std::shared_ptr<KKeywordFile> ReadNodeKeywords(const KT_PM_Node& node, const std::string& name);
// Whether the file exists, as the node's tree sees it.
bool NodeFileExists(const KT_PM_Node& node, const std::string& name);

}  // namespace ktpm::detail
