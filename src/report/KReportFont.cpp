#include "report/KReportFont.h"

#include "report/KTemplateStream.h"

namespace {

void ReadLong32(KTemplateStream& stream, const char* keyword, int32_t& target) {
  long value = target;
  stream.ReadLong(keyword, value);
  target = static_cast<int32_t>(value);
}

}  // namespace

void KReportFont::SetLogFont(const KLogFont& logFont) {
  m_logFont = logFont;
  m_logFont.lfFaceName[sizeof(m_logFont.lfFaceName) - 1] = '\0';
}

void KReportFont::Write(KTemplateStream& stream) const {
  stream.WriteLine("FONT");
  stream.WriteInt("FONT_HEIGHT", m_logFont.lfHeight);
  stream.WriteInt("FONT_WIDTH", m_logFont.lfWidth);
  stream.WriteInt("FONT_ESCAPEMENT", m_logFont.lfEscapement);
  stream.WriteInt("FONT_ORIENT", m_logFont.lfOrientation);
  stream.WriteInt("FONT_WEIGHT", m_logFont.lfWeight);
  stream.WriteByte("FONT_ITALIC", m_logFont.lfItalic);
  stream.WriteByte("FONT_UNDERLINE", m_logFont.lfUnderline);
  stream.WriteByte("FONT_STRIKE", m_logFont.lfStrikeOut);
  stream.WriteByte("FONT_CHARSET", m_logFont.lfCharSet);
  stream.WriteByte("FONT_OUT", m_logFont.lfOutPrecision);
  stream.WriteByte("FONT_CLIP", m_logFont.lfClipPrecision);
  stream.WriteByte("FONT_QUALITY", m_logFont.lfQuality);
  stream.WriteByte("FONT_PITCHANDFAMILY", m_logFont.lfPitchAndFamily);
  stream.WriteString("FONT_FACENAME", m_logFont.lfFaceName);
  stream.WriteByte("FONT_COLOR_R", static_cast<uint8_t>(m_color & 0xFFu));
  stream.WriteByte("FONT_COLOR_G", static_cast<uint8_t>((m_color >> 8) & 0xFFu));
  stream.WriteByte("FONT_COLOR_B", static_cast<uint8_t>((m_color >> 16) & 0xFFu));
}

void KReportFont::Read(KTemplateStream& stream) {
  // An item written without a font block is followed directly by the next item: when the
  // marker is missing, the block is taken as absent and the line is left for the next entry.
  if (!stream.ReadOptionalMarker("FONT\n")) return;
  ReadLong32(stream, "FONT_HEIGHT", m_logFont.lfHeight);
  ReadLong32(stream, "FONT_WIDTH", m_logFont.lfWidth);
  ReadLong32(stream, "FONT_ESCAPEMENT", m_logFont.lfEscapement);
  ReadLong32(stream, "FONT_ORIENT", m_logFont.lfOrientation);
  ReadLong32(stream, "FONT_WEIGHT", m_logFont.lfWeight);
  stream.ReadByte("FONT_ITALIC", m_logFont.lfItalic);
  stream.ReadByte("FONT_UNDERLINE", m_logFont.lfUnderline);
  stream.ReadByte("FONT_STRIKE", m_logFont.lfStrikeOut);
  stream.ReadByte("FONT_CHARSET", m_logFont.lfCharSet);
  stream.ReadByte("FONT_OUT", m_logFont.lfOutPrecision);
  stream.ReadByte("FONT_CLIP", m_logFont.lfClipPrecision);
  stream.ReadByte("FONT_QUALITY", m_logFont.lfQuality);
  stream.ReadByte("FONT_PITCHANDFAMILY", m_logFont.lfPitchAndFamily);
  stream.ReadStringToBuffer("FONT_FACENAME", m_logFont.lfFaceName);
  uint8_t red = static_cast<uint8_t>(m_color & 0xFFu);
  uint8_t green = static_cast<uint8_t>((m_color >> 8) & 0xFFu);
  uint8_t blue = static_cast<uint8_t>((m_color >> 16) & 0xFFu);
  stream.ReadByte("FONT_COLOR_R", red);
  stream.ReadByte("FONT_COLOR_G", green);
  stream.ReadByte("FONT_COLOR_B", blue);
  m_color = red + 256u * green + 65536u * blue;
}
