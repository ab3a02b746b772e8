// A free text block of a report: the text and a font. Its one field (-1, "Text") is the text;
// it has no title (SetTitle does nothing).
// Threads: as KReportItem.
#pragma once

#include <ktpm/report/KReportItem.h>

class KTextItem : public KReportItem {
 public:
  KTextItem() = default;

  int GetItemType() const override;
  std::string GetItemKeyword() const override;
  int GetFieldCount() const override;
  std::string GetFieldName(int index) const override;
  std::string GetFieldValue(int index) const override;
  void SetFieldValue(int index, const std::string& text) override;
  void SetTitle(const std::string& title) override;

  std::string GetText() const { return m_text; }
  void SetText(const std::string& text) { m_text = text; }
  KReportFont& GetFont() { return m_font; }
  const KReportFont& GetFont() const { return m_font; }

 protected:
  void TransferEntries(ktpm::detail::EntryTransfer& io) override;

 private:
  std::string m_text;
  KReportFont m_font;
};
