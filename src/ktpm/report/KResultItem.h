// A result value in a report: a text (which is also the item's title), the result item and
// the result value, and a font. Result items have no fields.
// Threads: as KReportItem.
#pragma once

#include <ktpm/report/KReportItem.h>

class KResultItem : public KReportItem {
 public:
  KResultItem() = default;

  int GetItemType() const override;
  std::string GetItemKeyword() const override;
  std::string GetFieldName(int index) const override;
  std::string GetFieldValue(int index) const override;
  int HasTitle() const override;
  // The title of a result item is its text.
  void SetTitle(const std::string& title) override;
  std::string GetTitle() const override;

  std::string GetText() const { return m_text; }
  std::string GetResultItem() const { return m_resultItem; }
  void SetResultItem(const std::string& resultItem) { m_resultItem = resultItem; }
  std::string GetResultValue() const { return m_resultValue; }
  void SetResultValue(const std::string& resultValue) { m_resultValue = resultValue; }
  KReportFont& GetFont() { return m_font; }
  const KReportFont& GetFont() const { return m_font; }

 protected:
  void TransferEntries(ktpm::detail::EntryTransfer& io) override;

 private:
  std::string m_text;
  std::string m_resultItem;
  std::string m_resultValue;
  KReportFont m_font;
};
