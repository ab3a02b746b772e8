#include <climits>
#include <cstdlib>

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/report/EntryTransfer.h>
#include <ktpm/report/KPlotItem.h>
#include <ktpm/report/ReportPaths.h>

namespace {

const char* const kFieldNames[] = {"Result Type", "Start Frame", "End Frame",
                                   "Width",       "Height",      "Type"};
constexpr int kFieldCount = 6;

// A number typed into a field, as atoi reads it, saturated to the int range.
long long ParseFieldNumber(const std::string& text) {
  long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return value;
}

int ClampToInt(long long value) {
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

KPlotItem::KPlotItem() = default;

int KPlotItem::GetItemType() const { return 4; }

std::string KPlotItem::GetItemKeyword() const { return "REPORT_PLOT"; }

int KPlotItem::GetFieldCount() const { return kFieldCount; }

int KPlotItem::HasTitle() const { return 1; }

std::string KPlotItem::GetFieldName(int index) const {
  if (index < -kFieldCount || index > -1) return std::string();
  return kFieldNames[-index - 1];
}

std::string KPlotItem::GetFieldValue(int index) const {
  switch (index) {
    case -1:
      return m_resultType;
    case -2:
      return std::to_string(static_cast<long long>(m_startFrame) + 1);
    case -3:
      return std::to_string(static_cast<long long>(m_endFrame) + 1);
    case -4:
      return m_width == -1 ? std::string() : std::to_string(m_width);
    case -5:
      return m_height == -1 ? std::string() : std::to_string(m_height);
    case -6:
      return m_imageType;
    default:
      return std::string();
  }
}

void KPlotItem::SetFieldValue(int index, const std::string& text) {
  switch (index) {
    case -1:
      m_resultType = text;
      break;
    case -2:
      m_startFrame = ClampToInt(ParseFieldNumber(text) - 1);
      break;
    case -3:
      m_endFrame = ClampToInt(ParseFieldNumber(text) - 1);
      break;
    case -4:
      m_width = ClampToInt(ParseFieldNumber(text));
      break;
    case -5:
      m_height = ClampToInt(ParseFieldNumber(text));
      break;
    case -6:
      m_imageType = text;
      break;
    default:
      break;
  }
}

int KPlotItem::ImageFileExists() const {
  if (m_imageFile.empty()) return 0;
  return KFileEntry(m_imageFile).Exists() ? 1 : 0;
}

std::string KPlotItem::GetImageFile() const { return m_imageFile; }

int KPlotItem::IsAnimation() const { return m_startFrame < m_endFrame ? 1 : 0; }

void KPlotItem::TransferShownParts(ktpm::detail::EntryTransfer& io) {
  io.Int(EntryKeyword("_LEGEND"), m_legend);
  io.Int(EntryKeyword("_SURFACE"), m_surface);
  io.Int(EntryKeyword("_WIRE"), m_wire);
  io.Int(EntryKeyword("_FEATURE"), m_feature);
  io.Int(EntryKeyword("_HIDDEN"), m_hidden);
  io.Int(EntryKeyword("_MODEL"), m_model);
  io.Int(EntryKeyword("_FEED"), m_feed);
}

void KPlotItem::TransferEntries(ktpm::detail::EntryTransfer& io) {
  io.String(EntryKeyword("_RESULTTYPE"), m_resultType);
  io.Int(EntryKeyword("_PERSPECTIVE"), m_camera.perspective);
  io.Double(EntryKeyword("_ASPECT"), m_camera.aspect);
  io.Float(EntryKeyword("_VIEWANGLE"), m_camera.viewAngle);
  io.Float(EntryKeyword("_PARALLELSCALE"), m_camera.parallelScale);
  io.Double(EntryKeyword("_FRUSTRUMX"), m_camera.frustumX);
  io.Double(EntryKeyword("_FRUSTRUMY"), m_camera.frustumY);
  io.Float(EntryKeyword("_DEFFOCALPOINTX"), m_camera.defaultFocalPoint[0]);
  io.Float(EntryKeyword("_DEFFOCALPOINTY"), m_camera.defaultFocalPoint[1]);
  io.Float(EntryKeyword("_DEFFOCALPOINTZ"), m_camera.defaultFocalPoint[2]);
  io.Float(EntryKeyword("_FOCALPOINTX"), m_camera.focalPoint[0]);
  io.Float(EntryKeyword("_FOCALPOINTY"), m_camera.focalPoint[1]);
  io.Float(EntryKeyword("_FOCALPOINTZ"), m_camera.focalPoint[2]);
  io.Float(EntryKeyword("_QUATERNION0"), m_camera.quaternion[0]);
  io.Float(EntryKeyword("_QUATERNION1"), m_camera.quaternion[1]);
  io.Float(EntryKeyword("_QUATERNION2"), m_camera.quaternion[2]);
  io.Float(EntryKeyword("_QUATERNION3"), m_camera.quaternion[3]);
  io.Int(EntryKeyword("_STARTFRAME"), m_startFrame);
  io.Int(EntryKeyword("_ENDFRAME"), m_endFrame);
  TransferShownParts(io);
  // The image size is one keyword used twice: the width first, then the height.
  io.Int(EntryKeyword("_DIMENSIONS"), m_width);
  io.Int(EntryKeyword("_DIMENSIONS"), m_height);
  io.String(EntryKeyword("_TITLE"), m_title);
  io.String(EntryKeyword("_IMAGEFILE"), m_imageFile);
  io.String(EntryKeyword("_IMAGETYPE"), m_imageType);
  if (io.IsWriting()) return;
  m_feed = m_feed != 0 ? 1 : 0;
  m_imageFile = ktpm::detail::ToNativeSeparators(m_imageFile);
  if (m_startFrame > 0 || m_endFrame > 0) m_animated = 1;
}
