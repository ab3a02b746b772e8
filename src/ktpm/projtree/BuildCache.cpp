#include <utility>

#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/platform/PathText.h>
#include <ktpm/projtree/BuildCache.h>

namespace ktpm::detail {

void BuildCache::AddListed(const std::string& name) { m_listed.insert(ToLowerAscii(name)); }

bool BuildCache::IsListed(const std::string& name) const {
  return m_listed.count(ToLowerAscii(name)) != 0;
}

std::shared_ptr<KKeywordFile> BuildCache::Keywords(const std::string& name) {
  std::shared_ptr<KKeywordFile>& keywords = m_keywords[name];
  if (keywords == nullptr) {
    keywords = std::make_shared<KKeywordFile>();
    keywords->Load(name);
  }
  return keywords;
}

void BuildCache::SetKeywords(const std::string& name, std::shared_ptr<KKeywordFile> keywords) {
  m_keywords[name] = std::move(keywords);
}

}  // namespace ktpm::detail
