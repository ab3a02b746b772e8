// A section heading of a report: a title and a font. Sections have no fields.
// Threads: as KReportItem.
#pragma once

#include <ktpm/report/KReportItem.h>

class KSectionItem : public KReportItem {
 public:
  KSectionItem();

  int GetItemType() const override;
  std::string GetItemKeyword() const override;
  std::string GetFieldName(int index) const override;
  std::string GetFieldValue(int index) const override;
  int HasTitle() const override;

  KReportFont& GetFont() { return m_font; }
  const KReportFont& GetFont() const { return m_font; }

 protected:
  void TransferEntries(ktpm::detail::EntryTransfer& io) override;

 private:
  KReportFont m_font;
};
