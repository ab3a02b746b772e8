// A 3D scene of a report: a plot whose image file is the scene file. Only the result type,
// what is shown, the title and the scene file are stored; the camera keeps its defaults.
// Its one field is -1 "Result Type".
// Threads: as KReportItem.
#pragma once

#include <ktpm/report/KPlotItem.h>

class KVrmlItem : public KPlotItem {
 public:
  KVrmlItem();

  int GetItemType() const override;
  std::string GetItemKeyword() const override;
  int GetFieldCount() const override;
  std::string GetFieldName(int index) const override;
  std::string GetFieldValue(int index) const override;
  void SetFieldValue(int index, const std::string& text) override;

  // The 3D scene file (the plot's image file member).
  std::string GetSceneFile() const { return m_imageFile; }
  void SetSceneFile(const std::string& sceneFile) { m_imageFile = sceneFile; }

 protected:
  void TransferEntries(ktpm::detail::EntryTransfer& io) override;
};
