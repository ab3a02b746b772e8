#include <ktpm/report/EntryTransfer.h>
#include <ktpm/report/KTitlePageItem.h>

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

void KTitlePageItem::TransferEntries(ktpm::detail::EntryTransfer& io) {
  io.String(EntryKeyword("_TITLE"), m_title);
  io.String(EntryKeyword("_AUTHOR"), m_author);
  io.String(EntryKeyword("_COMPANYLOGOPATH"), m_companyLogoPath);
  io.String(EntryKeyword("_COMPANYNAME"), m_companyName);
  io.String(EntryKeyword("_DATE"), m_date);
  io.String(EntryKeyword("_RECIPIENT"), m_recipient);
  io.String(EntryKeyword("_RECIPIENTCOMPANY"), m_recipientCompany);
  io.Font(m_font);
}
