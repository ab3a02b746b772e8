#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/projtree/KProjectTree.h>
#include <ktpm/projtree/KT_PM_Node.h>
#include <ktpm/projtree/NodeFileAccess.h>

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
