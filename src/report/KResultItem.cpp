#include "report/KResultItem.h"

#include "report/KTemplateStream.h"

int KResultItem::GetItemType() const { return 6; }

std::string KResultItem::GetItemKeyword() const { return "REPORT_RESULT"; }

std::string KResultItem::GetFieldName(int /*index*/) const { return std::string(); }

std::string KResultItem::GetFieldValue(int /*index*/) const { return std::string(); }

int KResultItem::HasTitle() const { return 1; }

void KResultItem::SetTitle(const std::string& title) { m_text = title; }

std::string KResultItem::GetTitle() const { return m_text; }

void KResultItem::WriteEntries(KTemplateStream& stream) const {
  stream.WriteString(EntryKeyword("_TEXT"), m_text);
  stream.WriteString(EntryKeyword("_RESULTITEM"), m_resultItem);
  stream.WriteString(EntryKeyword("_RESULTVALUE"), m_resultValue);
  m_font.Write(stream);
}

void KResultItem::ReadEntries(KTemplateStream& stream) {
  stream.ReadString(EntryKeyword("_TEXT"), m_text);
  stream.ReadString(EntryKeyword("_RESULTITEM"), m_resultItem);
  stream.ReadString(EntryKeyword("_RESULTVALUE"), m_resultValue);
  m_font.Read(stream);
}
