// Restart points of flow results: the points from which a later analysis can continue.
//
// ValuePair is one point as two doubles. For restart files beside a midplane or fusion result,
// first is the restart number negated (0 for number 0) and second is 0.0 for a fill restart, 1.0
// for the end of filling and -1.0 for a packing or curing restart. For a 3D result (".m3r"),
// first is the restart time (above 0) and second the filled fraction, 1.0 at the end of filling
// and -1.0 for every point of the packing phase.
//
// KFlowRestarts lists the restart files ("<base>.fr1" .. "<base>.fr0", then the packing series
// ".pr" or the curing series ".kr") of one result, describes each point and turns one into a
// keyword file with the flow solver's conversion mode. KFlow3DRestarts does the same for a 3D
// result, whose points are listed in a times file that the 3D solver writes beside it.
//
// Both are value objects made on the stack for one listing; they own their points and names. No
// locks: one thread at a time per object. The static GetDescription may be called from any
// thread. GenerateKeywordFile and GetAvailFile run a conversion program and wait for it.
#pragma once

#include <string>
#include <vector>

struct ValuePair {
  double first = 0.0;
  double second = 0.0;
};

class KFlowRestarts {
 public:
  KFlowRestarts() = default;
  // Collects the restart points of the restart files beside resultFile.
  explicit KFlowRestarts(const std::string& resultFile);
  KFlowRestarts(const KFlowRestarts&) = default;
  KFlowRestarts& operator=(const KFlowRestarts&) = default;
  virtual ~KFlowRestarts() = default;

  // Converts point index into the keyword file output ("ktl -restokey ..."), waiting for the
  // converter. An index out of range does nothing.
  virtual void GenerateKeywordFile(int index, const std::string& output);
  // The file of point index; empty when out of range.
  virtual std::string GetFilename(int index);

  int GetCount() const { return static_cast<int>(m_points.size()); }
  // The description shown for point index ("Fill restart 1", "End of fill"...); empty when out
  // of range.
  std::string GetDescription(int index);
  // The description of one restart file by its name alone.
  static std::string GetDescription(const std::string& fileName);
  // Index of the first point whose file name equals fileName without regard to case; -1 when
  // none.
  int GetIndexByFilename(const std::string& fileName);
  // 0 for the end of filling, 1 for a packing or curing point, -1 for a fill point (and for an
  // index out of range).
  int GetType(int index);
  // The point at index (both members 0 when out of range).
  ValuePair GetPoint(int index) const;
  // 1 when the packing series consists of curing restart files (".kr").
  int IsCuring() const { return m_curing; }

 protected:
  static ValuePair GetRestartInfo(const std::string& fileName);
  static std::string FormatRestartInfo(const ValuePair& point, int curing);

  std::vector<ValuePair> m_points;
  std::vector<std::string> m_fileNames;
  int m_curing = 0;
};

class KFlow3DRestarts : public KFlowRestarts {
 public:
  // Reads the restart times listed for the 3D result m3rFile.
  explicit KFlow3DRestarts(const std::string& m3rFile);

  // The times file of m3rFile ("<base>.099"), written by the 3D solver when it is missing or
  // older than the result; empty when there is none and none can be made.
  static std::string GetAvailFile(const std::string& m3rFile);

  // The ".m3r" file, whatever the index.
  std::string GetFilename(int index) override;
  // Converts the restart time index into the keyword file output ("mold3d -m3rtokey ...").
  void GenerateKeywordFile(int index, const std::string& output) override;
};
