#include "report/KPlotItem.h"

#include <climits>
#include <cstdlib>

#include "platform/KFileEntry.h"
#include "report/KTemplateStream.h"
#include "report/ReportPaths.h"

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

void KPlotItem::WriteEntries(KTemplateStream& stream) const {
  stream.WriteString(EntryKeyword("_RESULTTYPE"), m_resultType);
  stream.WriteInt(EntryKeyword("_PERSPECTIVE"), m_camera.perspective);
  stream.WriteDouble(EntryKeyword("_ASPECT"), m_camera.aspect);
  stream.WriteFloat(EntryKeyword("_VIEWANGLE"), m_camera.viewAngle);
  stream.WriteFloat(EntryKeyword("_PARALLELSCALE"), m_camera.parallelScale);
  stream.WriteDouble(EntryKeyword("_FRUSTRUMX"), m_camera.frustumX);
  stream.WriteDouble(EntryKeyword("_FRUSTRUMY"), m_camera.frustumY);
  stream.WriteFloat(EntryKeyword("_DEFFOCALPOINTX"), m_camera.defaultFocalPoint[0]);
  stream.WriteFloat(EntryKeyword("_DEFFOCALPOINTY"), m_camera.defaultFocalPoint[1]);
  stream.WriteFloat(EntryKeyword("_DEFFOCALPOINTZ"), m_camera.defaultFocalPoint[2]);
  stream.WriteFloat(EntryKeyword("_FOCALPOINTX"), m_camera.focalPoint[0]);
  stream.WriteFloat(EntryKeyword("_FOCALPOINTY"), m_camera.focalPoint[1]);
  stream.WriteFloat(EntryKeyword("_FOCALPOINTZ"), m_camera.focalPoint[2]);
  stream.WriteFloat(EntryKeyword("_QUATERNION0"), m_camera.quaternion[0]);
  stream.WriteFloat(EntryKeyword("_QUATERNION1"), m_camera.quaternion[1]);
  stream.WriteFloat(EntryKeyword("_QUATERNION2"), m_camera.quaternion[2]);
  stream.WriteFloat(EntryKeyword("_QUATERNION3"), m_camera.quaternion[3]);
  stream.WriteInt(EntryKeyword("_STARTFRAME"), m_startFrame);
  stream.WriteInt(EntryKeyword("_ENDFRAME"), m_endFrame);
  stream.WriteInt(EntryKeyword("_LEGEND"), m_legend);
  stream.WriteInt(EntryKeyword("_SURFACE"), m_surface);
  stream.WriteInt(EntryKeyword("_WIRE"), m_wire);
  stream.WriteInt(EntryKeyword("_FEATURE"), m_feature);
  stream.WriteInt(EntryKeyword("_HIDDEN"), m_hidden);
  stream.WriteInt(EntryKeyword("_MODEL"), m_model);
  stream.WriteInt(EntryKeyword("_FEED"), m_feed);
  // The image size is one keyword written twice: the width first, then the height.
  stream.WriteInt(EntryKeyword("_DIMENSIONS"), m_width);
  stream.WriteInt(EntryKeyword("_DIMENSIONS"), m_height);
  stream.WriteString(EntryKeyword("_TITLE"), m_title);
  stream.WriteString(EntryKeyword("_IMAGEFILE"), m_imageFile);
  stream.WriteString(EntryKeyword("_IMAGETYPE"), m_imageType);
}

void KPlotItem::ReadEntries(KTemplateStream& stream) {
  stream.ReadString(EntryKeyword("_RESULTTYPE"), m_resultType);
  stream.ReadInt(EntryKeyword("_PERSPECTIVE"), m_camera.perspective);
  stream.ReadDouble(EntryKeyword("_ASPECT"), m_camera.aspect);
  stream.ReadFloat(EntryKeyword("_VIEWANGLE"), m_camera.viewAngle);
  stream.ReadFloat(EntryKeyword("_PARALLELSCALE"), m_camera.parallelScale);
  stream.ReadDouble(EntryKeyword("_FRUSTRUMX"), m_camera.frustumX);
  stream.ReadDouble(EntryKeyword("_FRUSTRUMY"), m_camera.frustumY);
  stream.ReadFloat(EntryKeyword("_DEFFOCALPOINTX"), m_camera.defaultFocalPoint[0]);
  stream.ReadFloat(EntryKeyword("_DEFFOCALPOINTY"), m_camera.defaultFocalPoint[1]);
  stream.ReadFloat(EntryKeyword("_DEFFOCALPOINTZ"), m_camera.defaultFocalPoint[2]);
  stream.ReadFloat(EntryKeyword("_FOCALPOINTX"), m_camera.focalPoint[0]);
  stream.ReadFloat(EntryKeyword("_FOCALPOINTY"), m_camera.focalPoint[1]);
  stream.ReadFloat(EntryKeyword("_FOCALPOINTZ"), m_camera.focalPoint[2]);
  stream.ReadFloat(EntryKeyword("_QUATERNION0"), m_camera.quaternion[0]);
  stream.ReadFloat(EntryKeyword("_QUATERNION1"), m_camera.quaternion[1]);
  stream.ReadFloat(EntryKeyword("_QUATERNION2"), m_camera.quaternion[2]);
  stream.ReadFloat(EntryKeyword("_QUATERNION3"), m_camera.quaternion[3]);
  stream.ReadInt(EntryKeyword("_STARTFRAME"), m_startFrame);
  stream.ReadInt(EntryKeyword("_ENDFRAME"), m_endFrame);
  stream.ReadInt(EntryKeyword("_LEGEND"), m_legend);
  stream.ReadInt(EntryKeyword("_SURFACE"), m_surface);
  stream.ReadInt(EntryKeyword("_WIRE"), m_wire);
  stream.ReadInt(EntryKeyword("_FEATURE"), m_feature);
  stream.ReadInt(EntryKeyword("_HIDDEN"), m_hidden);
  stream.ReadInt(EntryKeyword("_MODEL"), m_model);
  stream.ReadInt(EntryKeyword("_FEED"), m_feed);
  stream.ReadInt(EntryKeyword("_DIMENSIONS"), m_width);
  stream.ReadInt(EntryKeyword("_DIMENSIONS"), m_height);
  stream.ReadString(EntryKeyword("_TITLE"), m_title);
  stream.ReadString(EntryKeyword("_IMAGEFILE"), m_imageFile);
  stream.ReadString(EntryKeyword("_IMAGETYPE"), m_imageType);
  m_feed = m_feed != 0 ? 1 : 0;
  m_imageFile = ktpm::detail::ToNativeSeparators(m_imageFile);
  if (m_startFrame > 0 || m_endFrame > 0) m_animated = 1;
}
