// KModelFile is a mesh model file (".ktl") in memory as text lines, with the header lines that
// tell the project what the mesh is: its model type ("Mesh Type" in the older form,
// "MESH_MODEL_TYPE:" in the newer), the part model a mould or cavity mesh belongs to
// ("Cavity Model") and the UNV file a translated mesh came from ("UNV|"). A header line is found
// by its prefix, ignoring leading white space and letter case; values are compared with case.
//
// A short-lived value: read from a path, queried or changed, written back with Save, dropped.
// Nothing throws; a file that does not open reads as no lines with an empty path. One thread at
// a time.
#pragma once

#include <string>
#include <vector>

#include <ktpm/projtree/NodeTypes.h>

class KModelFile {
 public:
  KModelFile() = default;
  // Reads every line of the file; path is set only when the file opened.
  explicit KModelFile(const std::string& path);

  // Index of the first line that begins, after its leading blanks and tabs, with the prefix
  // (case ignored); -1 when none does.
  int FindLine(const std::string& prefix) const;
  // 1 and the value of the line FindLine finds: the text after the prefix and one separator
  // character, trimmed; 0 with value unchanged when there is no such line.
  int GetValue(const std::string& prefix, std::string& value) const;
  // Writes the lines back to path, each followed by a line feed; a read-only file is made
  // writable for the write and read-only again afterwards. The new text replaces the file
  // through a temporary file (see platform/FileReplacement.h); 0, with the file as it was, when
  // path is empty or the text cannot be written whole.
  int Save();

  MeshModelType GetMeshModelType() const;
  // Makes the file state the type ("MESH_MODEL_TYPE: " and its text, replacing an older
  // "Mesh Type" line) and saves; 1 without writing when the line is already exactly so.
  int SetMeshModelType(MeshModelType type);
  // Replaces or appends the " Cavity Model  " line and saves.
  int SetCavityModel(const std::string& path);
  // The cavity model path from the "Cavity Model" line or, for a file named "*_c.ktl", the model
  // of the same name without "_c" when that exists on disk.
  int GetCavityModel(std::string& path) const;
  // The source name of the "UNV|" line.
  int GetUnvSource(std::string& name) const;
  // Whether a "UNV|" line marks a mould ("MOLD " after its second bar), or, without such a line,
  // whether the file has a cavity model.
  int IsMoldMesh() const;

  // The text of a model type in the file ("UNKNOWN" for any value without a name).
  static std::string MeshModelTypeText(int type);

  std::vector<std::string> lines;
  std::string path;
};
