// The font and colour of a report item's text, and their block of entries in a template file.
//
// KReportFont is a plain value held by the items that show text (title page, section, text,
// result, information). KLogFont has the members of the Windows logical font, so that the
// report generator gets them back unchanged. Both start as zero with an empty face name.
// Threads: owned by its item and used with it.
#pragma once

#include <cstdint>

class KTemplateStream;
namespace ktpm::detail {
class EntryTransfer;
}

// The logical font: sizes, angles and weight as 32-bit numbers, flags as bytes, and a face name
// of at most 31 characters.
struct KLogFont {
  int32_t lfHeight = 0;
  int32_t lfWidth = 0;
  int32_t lfEscapement = 0;
  int32_t lfOrientation = 0;
  int32_t lfWeight = 0;
  uint8_t lfItalic = 0;
  uint8_t lfUnderline = 0;
  uint8_t lfStrikeOut = 0;
  uint8_t lfCharSet = 0;
  uint8_t lfOutPrecision = 0;
  uint8_t lfClipPrecision = 0;
  uint8_t lfQuality = 0;
  uint8_t lfPitchAndFamily = 0;
  char lfFaceName[32] = {};
};

class KReportFont {
 public:
  KReportFont() = default;
  KReportFont(const KReportFont&) = default;
  KReportFont& operator=(const KReportFont&) = default;
  virtual ~KReportFont() = default;

  // The block: the marker line FONT, the logical font's members, the face name, then the red,
  // green and blue parts of the colour.
  virtual void Write(KTemplateStream& stream) const;
  // Reads the block back; entries that are missing or do not match keep their values. Without
  // the marker line the block is absent: nothing is read and the font is unchanged.
  virtual void Read(KTemplateStream& stream);

  // The colour with red in the low byte, green in the next and blue in the third.
  uint32_t GetColor() const { return m_color; }
  void SetColor(uint32_t color) { m_color = color; }
  const KLogFont& GetLogFont() const { return m_logFont; }
  // Copies the font; a face name without terminating zero is cut to 31 characters.
  void SetLogFont(const KLogFont& logFont);

 private:
  void TransferEntries(ktpm::detail::EntryTransfer& io);

  uint32_t m_color = 0;
  KLogFont m_logFont;
};
