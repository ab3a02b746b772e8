#include <ktpm/report/EntryTransfer.h>
#include <ktpm/report/KTextItem.h>

int KTextItem::GetItemType() const { return 3; }

std::string KTextItem::GetItemKeyword() const { return "REPORT_TEXT"; }

int KTextItem::GetFieldCount() const { return 1; }

std::string KTextItem::GetFieldName(int index) const {
  return index == -1 ? std::string("Text") : std::string("Text Block");
}

std::string KTextItem::GetFieldValue(int index) const {
  return index == -1 ? m_text : std::string("Item");
}

void KTextItem::SetFieldValue(int index, const std::string& text) {
  if (index == -1) m_text = text;
}

void KTextItem::SetTitle(const std::string& /*title*/) {}

void KTextItem::TransferEntries(ktpm::detail::EntryTransfer& io) {
  io.String(EntryKeyword("_TEXT"), m_text);
  io.Font(m_font);
}
