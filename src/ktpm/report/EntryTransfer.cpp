#include <ktpm/report/EntryTransfer.h>
#include <ktpm/report/KReportFont.h>
#include <ktpm/report/KTemplateStream.h>

namespace ktpm::detail {

void EntryTransfer::String(const std::string& keyword, std::string& value) {
  if (m_writing) {
    m_stream.WriteString(keyword, value);
  } else {
    m_stream.ReadString(keyword, value);
  }
}

void EntryTransfer::Int(const std::string& keyword, int& value) {
  if (m_writing) {
    m_stream.WriteInt(keyword, value);
  } else {
    m_stream.ReadInt(keyword, value);
  }
}

void EntryTransfer::Long(const std::string& keyword, int32_t& value) {
  if (m_writing) {
    m_stream.WriteInt(keyword, value);
  } else {
    long number = value;
    m_stream.ReadLong(keyword, number);
    value = static_cast<int32_t>(number);
  }
}

void EntryTransfer::Byte(const std::string& keyword, uint8_t& value) {
  if (m_writing) {
    m_stream.WriteByte(keyword, value);
  } else {
    m_stream.ReadByte(keyword, value);
  }
}

void EntryTransfer::Float(const std::string& keyword, float& value) {
  if (m_writing) {
    m_stream.WriteFloat(keyword, value);
  } else {
    m_stream.ReadFloat(keyword, value);
  }
}

void EntryTransfer::Double(const std::string& keyword, double& value) {
  if (m_writing) {
    m_stream.WriteDouble(keyword, value);
  } else {
    m_stream.ReadDouble(keyword, value);
  }
}

void EntryTransfer::Font(KReportFont& font) {
  if (m_writing) {
    font.Write(m_stream);
  } else {
    font.Read(m_stream);
  }
}

}  // namespace ktpm::detail
