#include "report/KSectionItem.h"

#include "report/KTemplateStream.h"

KSectionItem::KSectionItem() { m_title = "<SECTION_TITLE>"; }

int KSectionItem::GetItemType() const { return 2; }

std::string KSectionItem::GetItemKeyword() const { return "REPORT_SECTION"; }

std::string KSectionItem::GetFieldName(int /*index*/) const { return std::string(); }

std::string KSectionItem::GetFieldValue(int /*index*/) const { return std::string(); }

int KSectionItem::HasTitle() const { return 1; }

void KSectionItem::WriteEntries(KTemplateStream& stream) const {
  stream.WriteString(EntryKeyword("_TITLE"), m_title);
  m_font.Write(stream);
}

void KSectionItem::ReadEntries(KTemplateStream& stream) {
  stream.ReadString(EntryKeyword("_TITLE"), m_title);
  m_font.Read(stream);
}
