#include <ktpm/report/EntryTransfer.h>
#include <ktpm/report/KReportFont.h>
#include <ktpm/report/KTemplateStream.h>

void KReportFont::SetLogFont(const KLogFont& logFont) {
  m_logFont = logFont;
  m_logFont.lfFaceName[sizeof(m_logFont.lfFaceName) - 1] = '\0';
}

void KReportFont::Write(KTemplateStream& stream) const {
  stream.WriteLine("FONT");
  ktpm::detail::EntryTransfer io(stream, true);
  // A writing pass only reads the members.
  const_cast<KReportFont*>(this)->TransferEntries(io);
}

void KReportFont::Read(KTemplateStream& stream) {
  // An item written without a font block is followed directly by the next item: when the
  // marker is missing, the block is taken as absent and the line is left for the next entry.
  if (!stream.ReadOptionalMarker("FONT\n")) return;
  ktpm::detail::EntryTransfer io(stream, false);
  TransferEntries(io);
}

void KReportFont::TransferEntries(ktpm::detail::EntryTransfer& io) {
  io.Long("FONT_HEIGHT", m_logFont.lfHeight);
  io.Long("FONT_WIDTH", m_logFont.lfWidth);
  io.Long("FONT_ESCAPEMENT", m_logFont.lfEscapement);
  io.Long("FONT_ORIENT", m_logFont.lfOrientation);
  io.Long("FONT_WEIGHT", m_logFont.lfWeight);
  io.Byte("FONT_ITALIC", m_logFont.lfItalic);
  io.Byte("FONT_UNDERLINE", m_logFont.lfUnderline);
  io.Byte("FONT_STRIKE", m_logFont.lfStrikeOut);
  io.Byte("FONT_CHARSET", m_logFont.lfCharSet);
  io.Byte("FONT_OUT", m_logFont.lfOutPrecision);
  io.Byte("FONT_CLIP", m_logFont.lfClipPrecision);
  io.Byte("FONT_QUALITY", m_logFont.lfQuality);
  io.Byte("FONT_PITCHANDFAMILY", m_logFont.lfPitchAndFamily);
  if (io.IsWriting()) {
    io.Stream().WriteString("FONT_FACENAME", m_logFont.lfFaceName);
  } else {
    io.Stream().ReadStringToBuffer("FONT_FACENAME", m_logFont.lfFaceName);
  }
  uint8_t red = static_cast<uint8_t>(m_color & 0xFFu);
  uint8_t green = static_cast<uint8_t>((m_color >> 8) & 0xFFu);
  uint8_t blue = static_cast<uint8_t>((m_color >> 16) & 0xFFu);
  io.Byte("FONT_COLOR_R", red);
  io.Byte("FONT_COLOR_G", green);
  io.Byte("FONT_COLOR_B", blue);
  if (!io.IsWriting()) m_color = red + 256u * green + 65536u * blue;
}
