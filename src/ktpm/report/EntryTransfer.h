// One pass over the entries of a template file part, in file order, either writing them to a
// stream or reading them back into the same members (internal).
//
// Items and fonts list their entries once, in one function that takes an EntryTransfer; the
// writing and the reading pass then cannot disagree on order or kind. Used on the thread that
// owns the stream.
#pragma once

#include <cstdint>
#include <string>

class KReportFont;
class KTemplateStream;

namespace ktpm::detail {

class EntryTransfer {
 public:
  EntryTransfer(KTemplateStream& stream, bool writing) : m_stream(stream), m_writing(writing) {}

  bool IsWriting() const { return m_writing; }
  KTemplateStream& Stream() { return m_stream; }

  // Each writes the member under keyword, or reads it with the tolerant rules of the stream.
  void String(const std::string& keyword, std::string& value);
  void Int(const std::string& keyword, int& value);
  // A 32-bit number read with ReadLong.
  void Long(const std::string& keyword, int32_t& value);
  void Byte(const std::string& keyword, uint8_t& value);
  void Float(const std::string& keyword, float& value);
  void Double(const std::string& keyword, double& value);
  // The font block of an item.
  void Font(KReportFont& font);

 private:
  KTemplateStream& m_stream;
  bool m_writing;
};

}  // namespace ktpm::detail
