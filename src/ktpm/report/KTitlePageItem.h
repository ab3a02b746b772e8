// The title page of a report: title, author, company logo and name, date, recipient and the
// recipient's company, a font, and the plot shown on the page.
//
// The picture is a plot of the same template, set by KReportTemplate::AddItem when a plot is
// added under the title page; the template owns it and the title page only points to it.
// Threads: as KReportItem.
#pragma once

#include <ktpm/report/KReportItem.h>

class KPlotItem;

class KTitlePageItem : public KReportItem {
 public:
  KTitlePageItem();

  int GetItemType() const override;
  std::string GetItemKeyword() const override;
  // Fields: -1 Author, -2 Company Name, -3 Company Logo, -4 Date, -5 Recipient,
  // -6 Recipient Company.
  int GetFieldCount() const override;
  std::string GetFieldName(int index) const override;
  std::string GetFieldValue(int index) const override;
  int HasTitle() const override;
  void SetFieldValue(int index, const std::string& text) override;

  std::string GetAuthor() const { return m_author; }
  std::string GetCompanyLogoPath() const { return m_companyLogoPath; }
  std::string GetCompanyName() const { return m_companyName; }
  std::string GetDate() const { return m_date; }
  std::string GetRecipient() const { return m_recipient; }
  std::string GetRecipientCompany() const { return m_recipientCompany; }
  // The plot shown on the page, or nullptr; owned by the template.
  KPlotItem* GetPicture() const { return m_picture; }
  void SetPicture(KPlotItem* picture) { m_picture = picture; }
  KReportFont& GetFont() { return m_font; }
  const KReportFont& GetFont() const { return m_font; }

 protected:
  void TransferEntries(ktpm::detail::EntryTransfer& io) override;

 private:
  // The field's member, or nullptr outside -1 .. -6.
  std::string* FieldMember(int index);
  const std::string* FieldMember(int index) const;

  std::string m_author = "<YOUR_NAME>";
  std::string m_companyLogoPath = "<YOUR_LOGO>";
  std::string m_companyName = "<YOUR_COMPANY>";
  std::string m_date = "$DATE";
  std::string m_recipient;
  std::string m_recipientCompany;
  KPlotItem* m_picture = nullptr;
  KReportFont m_font;
};
