#include <ktpm/report/EntryTransfer.h>
#include <ktpm/report/KInformationItem.h>

int KInformationItem::GetItemType() const { return 7; }

std::string KInformationItem::GetItemKeyword() const { return "REPORT_INFORMATION"; }

int KInformationItem::GetFieldCount() const { return 2; }

std::string KInformationItem::GetFieldName(int index) const {
  switch (index) {
    case -1:
      return "Link Name";
    case -2:
      return "Text";
    default:
      return "Information";
  }
}

std::string KInformationItem::GetFieldValue(int index) const {
  switch (index) {
    case -1:
      return m_linkName;
    case -2:
      return m_text;
    default:
      return "Item";
  }
}

void KInformationItem::SetFieldValue(int index, const std::string& text) {
  if (index == -1) m_linkName = text;
  if (index == -2) m_text = text;
}

void KInformationItem::SetTitle(const std::string& /*title*/) {}

void KInformationItem::TransferEntries(ktpm::detail::EntryTransfer& io) {
  io.String(EntryKeyword("_LINKNAME"), m_linkName);
  io.String(EntryKeyword("_TEXT"), m_text);
  io.Font(m_font);
}
