// A result plot of a report: a still image or an animation of a result on the model, with the
// camera it was taken from, what is shown, the image size and the image file made for it.
//
// Fields: -1 "Result Type", -2 "Start Frame" and -3 "End Frame" (shown 1-based), -4 "Width"
// and -5 "Height" (empty when not set, -1), -6 "Type" (the image type).
// Threads: as KReportItem.
#pragma once

#include <ktpm/report/KReportItem.h>

// The camera of a plot, as the result viewer left it.
struct KPlotCamera {
  int perspective = 0;
  double aspect = 0;
  float viewAngle = 0;
  float parallelScale = 0;
  double frustumX = 0;
  double frustumY = 0;
  float defaultFocalPoint[3] = {0, 0, 0};
  float focalPoint[3] = {0, 0, 0};
  float quaternion[4] = {0, 0, 0, 0};
};

class KPlotItem : public KReportItem {
 public:
  KPlotItem();

  int GetItemType() const override;
  std::string GetItemKeyword() const override;
  int GetFieldCount() const override;
  std::string GetFieldName(int index) const override;
  std::string GetFieldValue(int index) const override;
  int HasTitle() const override;
  void SetFieldValue(int index, const std::string& text) override;
  int ImageFileExists() const override;
  std::string GetImageFile() const override;
  // 1 when the plot runs from a start frame to a later end frame.
  virtual int IsAnimation() const;

  void SetImageFile(const std::string& imageFile) { m_imageFile = imageFile; }
  std::string GetResultType() const { return m_resultType; }
  std::string GetImageType() const { return m_imageType; }
  int GetStartFrame() const { return m_startFrame; }
  void SetStartFrame(int frame) { m_startFrame = frame; }
  int GetEndFrame() const { return m_endFrame; }
  void SetEndFrame(int frame) { m_endFrame = frame; }
  int GetWidth() const { return m_width; }
  int GetHeight() const { return m_height; }
  int GetLegend() const { return m_legend; }
  int GetSurface() const { return m_surface; }
  int GetWire() const { return m_wire; }
  int GetFeature() const { return m_feature; }
  int GetHidden() const { return m_hidden; }
  int GetModel() const { return m_model; }
  int GetFeed() const { return m_feed; }
  // Whether the plot was read as an animation (start or end frame above 0); not stored.
  int IsAnimated() const { return m_animated; }
  void SetAnimated(int animated) { m_animated = animated; }
  const KPlotCamera& GetCamera() const { return m_camera; }
  void SetCamera(const KPlotCamera& camera) { m_camera = camera; }

 protected:
  void TransferEntries(ktpm::detail::EntryTransfer& io) override;
  // What the plot shows (legend, surface, wire frame, feature and hidden lines, model, feed
  // system), in file order; 3D scenes store the same entries.
  void TransferShownParts(ktpm::detail::EntryTransfer& io);

  std::string m_resultType;
  KPlotCamera m_camera;
  int m_startFrame = 0;
  int m_endFrame = 0;
  int m_legend = 1;
  int m_surface = 0;
  int m_wire = 1;
  int m_feature = 0;
  int m_hidden = 0;
  int m_model = 1;
  int m_feed = 1;
  int m_width = 460;
  int m_height = 350;
  // Title: the base item's title member.
  std::string m_imageFile;
  std::string m_imageType = "JPEG (24 Bit)";
  int m_animated = 0;
};

#include <ktpm/report/KVrmlItem.h>
