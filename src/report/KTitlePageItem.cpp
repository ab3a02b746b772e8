#include "report/KTitlePageItem.h"

#include "report/KTemplateStream.h"

namespace {

const char* const kFieldNames[] = {"Author", "Company Name", "Company Logo",
                                   "Date",   "Recipient",    "Recipient Company"};
constexpr int kFieldCount = 6;

}  // namespace

KTitlePageItem::KTitlePageItem() { m_title = "<REPORT_NAME>"; }

int KTitlePageItem::GetItemType() const { return 1; }

std::string KTitlePageItem::GetItemKeyword() const { return "REPORT_TITLEPAGE"; }

int KTitlePageItem::GetFieldCount() const { return kFieldCount; }

int KTitlePageItem::HasTitle() const { return 1; }

std::string* KTitlePageItem::FieldMember(int index) {
  return const_cast<std::string*>(static_cast<const KTitlePageItem*>(this)->FieldMember(index));
}

const std::string* KTitlePageItem::FieldMember(int index) const {
  switch (index) {
    case -1:
      return &m_author;
    case -2:
      return &m_companyName;
    case -3:
      return &m_companyLogoPath;
    case -4:
      return &m_date;
    case -5:
      return &m_recipient;
    case -6:
      return &m_recipientCompany;
    default:
      return nullptr;
  }
}

std::string KTitlePageItem::GetFieldName(int index) const {
  if (index < -kFieldCount || index > -1) return std::string();
  return kFieldNames[-index - 1];
}

std::string KTitlePageItem::GetFieldValue(int index) const {
  const std::string* member = FieldMember(index);
  return member != nullptr ? *member : std::string("Item");
}

void KTitlePageItem::SetFieldValue(int index, const std::string& text) {
  if (std::string* member = FieldMember(index)) *member = text;
}

void KTitlePageItem::WriteEntries(KTemplateStream& stream) const {
  stream.WriteString(EntryKeyword("_TITLE"), m_title);
  stream.WriteString(EntryKeyword("_AUTHOR"), m_author);
  stream.WriteString(EntryKeyword("_COMPANYLOGOPATH"), m_companyLogoPath);
  stream.WriteString(EntryKeyword("_COMPANYNAME"), m_companyName);
  stream.WriteString(EntryKeyword("_DATE"), m_date);
  stream.WriteString(EntryKeyword("_RECIPIENT"), m_recipient);
  stream.WriteString(EntryKeyword("_RECIPIENTCOMPANY"), m_recipientCompany);
  m_font.Write(stream);
}

void KTitlePageItem::ReadEntries(KTemplateStream& stream) {
  stream.ReadString(EntryKeyword("_TITLE"), m_title);
  stream.ReadString(EntryKeyword("_AUTHOR"), m_author);
  stream.ReadString(EntryKeyword("_COMPANYLOGOPATH"), m_companyLogoPath);
  stream.ReadString(EntryKeyword("_COMPANYNAME"), m_companyName);
  stream.ReadString(EntryKeyword("_DATE"), m_date);
  stream.ReadString(EntryKeyword("_RECIPIENT"), m_recipient);
  stream.ReadString(EntryKeyword("_RECIPIENTCOMPANY"), m_recipientCompany);
  m_font.Read(stream);
}
