#include <ktpm/report/EntryTransfer.h>
#include <ktpm/report/KSectionItem.h>

KSectionItem::KSectionItem() { m_title = "<SECTION_TITLE>"; }

int KSectionItem::GetItemType() const { return 2; }

std::string KSectionItem::GetItemKeyword() const { return "REPORT_SECTION"; }

std::string KSectionItem::GetFieldName(int /*index*/) const { return std::string(); }

std::string KSectionItem::GetFieldValue(int /*index*/) const { return std::string(); }

int KSectionItem::HasTitle() const { return 1; }

void KSectionItem::TransferEntries(ktpm::detail::EntryTransfer& io) {
  io.String(EntryKeyword("_TITLE"), m_title);
  io.Font(m_font);
}
