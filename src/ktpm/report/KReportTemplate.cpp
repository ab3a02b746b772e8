#include <algorithm>
#include <memory>

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/report/KReportTemplate.h>
#include <ktpm/report/ReportPaths.h>

namespace {

// A default item of the kind named by a type keyword (compared exactly), or nullptr.
std::unique_ptr<KReportItem> MakeItem(const std::string& keyword) {
  if (keyword == "REPORT_ITEM") return std::make_unique<KReportItem>();
  if (keyword == "REPORT_TITLEPAGE") return std::make_unique<KTitlePageItem>();
  if (keyword == "REPORT_SECTION") return std::make_unique<KSectionItem>();
  if (keyword == "REPORT_TEXT") return std::make_unique<KTextItem>();
  if (keyword == "REPORT_PLOT") return std::make_unique<KPlotItem>();
  if (keyword == "REPORT_VRML") return std::make_unique<KVrmlItem>();
  if (keyword == "REPORT_RESULT") return std::make_unique<KResultItem>();
  if (keyword == "REPORT_INFORMATION") return std::make_unique<KInformationItem>();
  return nullptr;
}

}  // namespace

KReportTemplate::KReportTemplate() = default;

KReportTemplate::KReportTemplate(const std::string& path) { Load(path); }

KReportTemplate::~KReportTemplate() { DeleteItems(); }

void KReportTemplate::Load(const std::string& path) {
  KTemplateStream stream;
  if (stream.Open(path, 1)) {
    Read(stream);
    stream.Close();
  }
  m_path = path;
}

void KReportTemplate::ReadHeader(const std::string& path) {
  Clear();
  m_path = path;
  KTemplateStream stream;
  if (stream.Open(path, 1)) {
    ReadHeaderEntries(stream);
    stream.Close();
  }
}

int KReportTemplate::Save(const std::string& path) {
  KTemplateStream stream;
  if (!stream.Open(path, 0)) return 0;
  if (!KFileEntry(m_path).IsSamePath(path)) {
    for (KReportItem* item : m_items) {
      std::string keyword = item->GetItemKeyword();
      auto* plot = dynamic_cast<KPlotItem*>(item);
      if (plot != nullptr && (keyword == "REPORT_PLOT" || keyword == "REPORT_VRML")) {
        plot->SetImageFile(std::string());
      }
    }
  }
  Write(stream);
  if (stream.Close() == 0) return 0;
  m_modified = 0;
  return 1;
}

void KReportTemplate::Write(KTemplateStream& stream) const {
  stream.WriteString("PROJECT_PARENT_NODE", m_projectParentNode);
  stream.WriteInt("NO_HTML_REPORTS", static_cast<int>(m_htmlReportDirs.size()));
  for (const std::string& directory : m_htmlReportDirs) {
    stream.WriteString("HTML_REPORT_DIR", directory);
  }
  stream.WriteString("TEMPLATE_NAME", m_templateName);
  for (const KReportItem* item : m_items) item->Write(stream);
}

void KReportTemplate::ReadHeaderEntries(KTemplateStream& stream) {
  stream.ReadString("PROJECT_PARENT_NODE", m_projectParentNode);
  int count = 0;
  stream.ReadInt("NO_HTML_REPORTS", count);
  // The count comes from the file: stop at its end rather than trusting it.
  for (int i = 0; i < count && !stream.AtEnd(); ++i) {
    std::string directory;
    stream.ReadString("HTML_REPORT_DIR", directory);
    if (directory.empty() && stream.AtEnd()) break;
    AddHtmlReportDir(ktpm::detail::ToNativeSeparators(directory));
  }
  stream.ReadString("TEMPLATE_NAME", m_templateName);
}

int KReportTemplate::Read(KTemplateStream& stream) {
  Clear();
  ReadHeaderEntries(stream);
  while (!stream.AtEnd()) {
    std::string keyword;
    stream.ReadString("ITEM_TYPE", keyword);
    std::unique_ptr<KReportItem> item = MakeItem(keyword);
    if (!item) continue;
    item->Read(stream);
    AddItem(item.release(), nullptr);
  }
  return stream.AtEnd();
}

std::string KReportTemplate::GetDisplayName() const {
  return m_templateName.empty() ? m_path : m_templateName;
}

int KReportTemplate::GetHtmlReportDirCount() const {
  return static_cast<int>(m_htmlReportDirs.size());
}

std::string KReportTemplate::GetHtmlReportDir(int index) const {
  if (index < 0 || index >= GetHtmlReportDirCount()) return std::string();
  return m_htmlReportDirs[static_cast<size_t>(index)];
}

void KReportTemplate::AddHtmlReportDir(const std::string& directory) {
  if (std::find(m_htmlReportDirs.begin(), m_htmlReportDirs.end(), directory) ==
      m_htmlReportDirs.end()) {
    m_htmlReportDirs.push_back(directory);
  }
}

void KReportTemplate::RemoveHtmlReportDir(const std::string& directory) {
  auto it = std::find(m_htmlReportDirs.begin(), m_htmlReportDirs.end(), directory);
  if (it == m_htmlReportDirs.end()) return;
  ktpm::detail::DeleteDirectoryInsideTemplateDir(m_path, *it);
  m_htmlReportDirs.erase(it);
}

void KReportTemplate::ClearHtmlReportDirs(int deleteDirectories) {
  if (deleteDirectories) {
    for (const std::string& directory : m_htmlReportDirs) {
      ktpm::detail::DeleteDirectoryInsideTemplateDir(m_path, directory);
    }
  }
  m_htmlReportDirs.clear();
}

std::string KReportTemplate::GetReportDataDir() const {
  // Only the file name's dots are replaced: a dot in a directory name would otherwise lead to a
  // directory elsewhere, which the caller then deletes.
  size_t nameStart = m_path.find_last_of("/\\");
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  std::string dataDir = m_path;
  std::replace(dataDir.begin() + static_cast<std::ptrdiff_t>(nameStart), dataDir.end(), '.', '_');
  return dataDir;
}

int KReportTemplate::DeleteReportDataDir() const {
  return ktpm::detail::DeleteDirectoryInsideTemplateDir(m_path, GetReportDataDir());
}

void KReportTemplate::AddItem(KReportItem* item, KReportItem* parent) {
  if (item == nullptr) return;
  if (std::find(m_items.begin(), m_items.end(), item) != m_items.end()) return;
  if (parent != nullptr) {
    item->SetParentId(parent->GetId());
  } else {
    parent = FindItem(item->GetParentId());
  }
  if (parent != nullptr && parent->GetItemType() == 1 && item->GetItemType() == 4) {
    auto* titlePage = dynamic_cast<KTitlePageItem*>(parent);
    auto* plot = dynamic_cast<KPlotItem*>(item);
    if (titlePage != nullptr && plot != nullptr) titlePage->SetPicture(plot);
  }
  m_items.push_back(item);
  m_modified = 1;
}

KReportItem* KReportTemplate::FindItem(int id) const {
  for (KReportItem* item : m_items) {
    if (item->GetId() == id) return item;
  }
  return nullptr;
}

int KReportTemplate::GetItemCount() const { return static_cast<int>(m_items.size()); }

KReportItem* KReportTemplate::GetFirstItem() {
  m_cursor = 0;
  return GetNextItem();
}

KReportItem* KReportTemplate::GetNextItem() {
  if (m_cursor >= m_items.size()) return nullptr;
  return m_items[m_cursor++];
}

void KReportTemplate::Clear() {
  DeleteItems();
  ClearHtmlReportDirs(0);
  m_modified = 1;
}

void KReportTemplate::DeleteItems() {
  for (KReportItem* item : m_items) delete item;
  m_items.clear();
  m_cursor = 0;
}
