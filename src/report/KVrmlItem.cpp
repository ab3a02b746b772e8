#include "report/KVrmlItem.h"

#include "report/KTemplateStream.h"
#include "report/ReportPaths.h"

KVrmlItem::KVrmlItem() {
  m_resultType.clear();
  m_legend = 1;
  m_surface = 1;
  m_feature = 0;
  m_wire = 0;
  m_hidden = 0;
  m_model = 1;
  m_feed = 1;
  m_title = "<VRML_TITLE>";
}

int KVrmlItem::GetItemType() const { return 5; }

std::string KVrmlItem::GetItemKeyword() const { return "REPORT_VRML"; }

int KVrmlItem::GetFieldCount() const { return 1; }

std::string KVrmlItem::GetFieldName(int index) const {
  return index == -1 ? std::string("Result Type") : std::string();
}

std::string KVrmlItem::GetFieldValue(int index) const {
  return index == -1 ? m_resultType : std::string();
}

void KVrmlItem::SetFieldValue(int index, const std::string& text) {
  if (index == -1) m_resultType = text;
}

void KVrmlItem::WriteEntries(KTemplateStream& stream) const {
  stream.WriteString(EntryKeyword("_RESULTTYPE"), m_resultType);
  stream.WriteInt(EntryKeyword("_LEGEND"), m_legend);
  stream.WriteInt(EntryKeyword("_SURFACE"), m_surface);
  stream.WriteInt(EntryKeyword("_WIRE"), m_wire);
  stream.WriteInt(EntryKeyword("_FEATURE"), m_feature);
  stream.WriteInt(EntryKeyword("_HIDDEN"), m_hidden);
  stream.WriteInt(EntryKeyword("_MODEL"), m_model);
  stream.WriteInt(EntryKeyword("_FEED"), m_feed);
  stream.WriteString(EntryKeyword("_TITLE"), m_title);
  stream.WriteString(EntryKeyword("_VRMLFILE"), m_imageFile);
}

void KVrmlItem::ReadEntries(KTemplateStream& stream) {
  stream.ReadString(EntryKeyword("_RESULTTYPE"), m_resultType);
  stream.ReadInt(EntryKeyword("_LEGEND"), m_legend);
  stream.ReadInt(EntryKeyword("_SURFACE"), m_surface);
  stream.ReadInt(EntryKeyword("_WIRE"), m_wire);
  stream.ReadInt(EntryKeyword("_FEATURE"), m_feature);
  stream.ReadInt(EntryKeyword("_HIDDEN"), m_hidden);
  stream.ReadInt(EntryKeyword("_MODEL"), m_model);
  stream.ReadInt(EntryKeyword("_FEED"), m_feed);
  stream.ReadString(EntryKeyword("_TITLE"), m_title);
  stream.ReadString(EntryKeyword("_VRMLFILE"), m_imageFile);
  m_imageFile = ktpm::detail::ToNativeSeparators(m_imageFile);
}
