#include "projtree/NodeFileAccess.h"

#include "keyword/KKeywordFile.h"
#include "platform/KFileEntry.h"
#include "projtree/KProjectTree.h"
#include "projtree/KT_PM_Node.h"

namespace ktpm::detail {

std::shared_ptr<KKeywordFile> ReadNodeKeywords(const KT_PM_Node& node, const std::string& name) {
  if (KProjectTree* tree = node.GetTree()) return tree->LoadKeywords(name);
  auto keywords = std::make_shared<KKeywordFile>();
  keywords->Load(name);
  return keywords;
}

bool NodeFileExists(const KT_PM_Node& node, const std::string& name) {
  if (const KProjectTree* tree = node.GetTree()) return tree->ProjectFileExists(name) != 0;
  return KFileEntry(name).Exists() != 0;
}

}  // namespace ktpm::detail
