#include <atomic>

#include <ktpm/report/EntryTransfer.h>
#include <ktpm/report/KReportItem.h>
#include <ktpm/report/KTemplateStream.h>

namespace {

// Identifiers of new items, shared by every item kind in the process; starts at 1.
std::atomic<int> g_nextItemId{1};

}  // namespace

KReportItem::KReportItem() : m_id(g_nextItemId.fetch_add(1, std::memory_order_relaxed)) {}

KReportItem::~KReportItem() = default;

int KReportItem::GetItemType() const { return 0; }

std::string KReportItem::GetItemKeyword() const { return "REPORT_ITEM"; }

std::string KReportItem::EntryKeyword(const char* suffix) const {
  return GetItemKeyword() + suffix;
}

void KReportItem::Write(KTemplateStream& stream) const {
  stream.WriteString("ITEM_TYPE", GetItemKeyword());
  ktpm::detail::EntryTransfer io(stream, true);
  // A writing pass only reads the members.
  const_cast<KReportItem*>(this)->TransferLinksAndEntries(io);
}

void KReportItem::Read(KTemplateStream& stream) {
  ktpm::detail::EntryTransfer io(stream, false);
  TransferLinksAndEntries(io);
}

void KReportItem::TransferLinksAndEntries(ktpm::detail::EntryTransfer& io) {
  io.Int(EntryKeyword("_ID"), m_id);
  io.Int(EntryKeyword("_PARENT"), m_parentId);
  io.Int(EntryKeyword("_CHILD"), m_childId);
  TransferEntries(io);
}

void KReportItem::TransferEntries(ktpm::detail::EntryTransfer& /*io*/) {}

int KReportItem::GetFieldCount() const { return 0; }

std::string KReportItem::GetFieldName(int /*index*/) const { return "Item"; }

std::string KReportItem::GetFieldValue(int /*index*/) const { return "Item"; }

int KReportItem::HasTitle() const { return 0; }

void KReportItem::SetFieldValue(int /*index*/, const std::string& /*text*/) {}

void KReportItem::SetTitle(const std::string& title) { m_title = title; }

std::string KReportItem::GetTitle() const { return m_title; }

int KReportItem::ImageFileExists() const { return 0; }

std::string KReportItem::GetImageFile() const { return std::string(); }
