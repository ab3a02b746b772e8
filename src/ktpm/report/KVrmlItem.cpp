#include <ktpm/report/EntryTransfer.h>
#include <ktpm/report/KVrmlItem.h>
#include <ktpm/report/ReportPaths.h>

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

void KVrmlItem::TransferEntries(ktpm::detail::EntryTransfer& io) {
  // The camera of the plot is neither written nor read for a 3D scene.
  io.String(EntryKeyword("_RESULTTYPE"), m_resultType);
  TransferShownParts(io);
  io.String(EntryKeyword("_TITLE"), m_title);
  io.String(EntryKeyword("_VRMLFILE"), m_imageFile);
  if (!io.IsWriting()) m_imageFile = ktpm::detail::ToNativeSeparators(m_imageFile);
}
