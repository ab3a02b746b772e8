#include <ktpm/report/EntryTransfer.h>
#include <ktpm/report/KResultItem.h>

int KResultItem::GetItemType() const { return 6; }

std::string KResultItem::GetItemKeyword() const { return "REPORT_RESULT"; }

std::string KResultItem::GetFieldName(int /*index*/) const { return std::string(); }

std::string KResultItem::GetFieldValue(int /*index*/) const { return std::string(); }

int KResultItem::HasTitle() const { return 1; }

void KResultItem::SetTitle(const std::string& title) { m_text = title; }

std::string KResultItem::GetTitle() const { return m_text; }

void KResultItem::TransferEntries(ktpm::detail::EntryTransfer& io) {
  io.String(EntryKeyword("_TEXT"), m_text);
  io.String(EntryKeyword("_RESULTITEM"), m_resultItem);
  io.String(EntryKeyword("_RESULTVALUE"), m_resultValue);
  io.Font(m_font);
}
