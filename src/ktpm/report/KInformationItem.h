// An information link of a report: a link name, a text and a font. Fields: -1 "Link Name",
// -2 "Text". It has no title (SetTitle does nothing).
// Threads: as KReportItem.
#pragma once

#include <ktpm/report/KReportItem.h>

class KInformationItem : public KReportItem {
 public:
  KInformationItem() = default;

  int GetItemType() const override;
  std::string GetItemKeyword() const override;
  int GetFieldCount() const override;
  std::string GetFieldName(int index) const override;
  std::string GetFieldValue(int index) const override;
  void SetFieldValue(int index, const std::string& text) override;
  void SetTitle(const std::string& title) override;

  std::string GetLinkName() const { return m_linkName; }
  std::string GetText() const { return m_text; }
  KReportFont& GetFont() { return m_font; }
  const KReportFont& GetFont() const { return m_font; }

 protected:
  void TransferEntries(ktpm::detail::EntryTransfer& io) override;

 private:
  std::string m_linkName;
  std::string m_text;
  KReportFont m_font;
};
