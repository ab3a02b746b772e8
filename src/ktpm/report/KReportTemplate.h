// A report template in memory, and its file.
//
// KReportTemplate holds where the template belongs in the project tree (the project parent
// node), the HTML report directories generated from it, its name and its items in file order.
// It owns its items and deletes them in Clear and on destruction; pointers it hands out stay
// valid until then. The HTML report directories are held with the native separator and, when
// deleted, are deleted only strictly inside the directory that holds the template file.
//
// A template is made on the stack for one operation: read the header to place a node, load the
// whole template to rename it or remove a report, save it back and drop it.
// Threads: one thread at a time per template; different templates may be used on different
// threads.
#pragma once

#include <string>
#include <vector>

#include <ktpm/report/KReportItem.h>
#include <ktpm/report/KTemplateStream.h>

class KReportTemplate {
 public:
  KReportTemplate();
  // An empty template, then Load(path).
  explicit KReportTemplate(const std::string& path);
  KReportTemplate(const KReportTemplate&) = delete;
  KReportTemplate& operator=(const KReportTemplate&) = delete;
  // Deletes the items (the report directories stay on disk).
  virtual ~KReportTemplate();

  // Reads the whole file when it opens; the path member becomes path in every case.
  void Load(const std::string& path);
  // Clears the template, remembers path and reads only the header (parent node, HTML report
  // directories, name).
  void ReadHeader(const std::string& path);
  // Writes the template to path, replacing the file through a temporary file. 1 when written;
  // 0 when the file is write-protected or cannot be written whole: the file on disk is then as
  // it was and the template stays modified.
  // Saved under another path than its own, plots and 3D scenes lose their image and scene
  // files, since those were made for the template they came from. The path member is kept.
  int Save(const std::string& path);
  // Writes the header entries, then every item in order.
  virtual void Write(KTemplateStream& stream) const;
  // Clears the template and reads header and items until the end of the stream; items of an
  // unknown type are skipped. Returns the stream's end indicator.
  virtual int Read(KTemplateStream& stream);

  // The template name, or the path when the name is empty.
  std::string GetDisplayName() const;
  std::string GetPath() const { return m_path; }
  std::string GetProjectParentNode() const { return m_projectParentNode; }
  void SetProjectParentNode(const std::string& node) { m_projectParentNode = node; }
  std::string GetTemplateName() const { return m_templateName; }
  void SetTemplateName(const std::string& name) { m_templateName = name; }
  // 1 after AddItem or Clear, 0 after Save and at construction.
  int IsModified() const { return m_modified; }

  int GetHtmlReportDirCount() const;
  // The directory at index, or an empty text outside the list.
  std::string GetHtmlReportDir(int index) const;
  // Appends directory unless an exactly equal entry is listed.
  void AddHtmlReportDir(const std::string& directory);
  // Removes the first entry exactly equal to directory and deletes that directory with
  // everything in it, when it lies strictly inside the template's directory (never the
  // template's directory itself, a place outside it or a symbolic link).
  void RemoveHtmlReportDir(const std::string& directory);
  // With deleteDirectories non-zero deletes every listed directory as RemoveHtmlReportDir
  // does; then empties the list.
  void ClearHtmlReportDirs(int deleteDirectories);

  // The directory of the report generator's data: the path with the dots of the file name
  // replaced by "_" (part.rpt -> part_rpt), beside the template file.
  std::string GetReportDataDir() const;
  // Deletes GetReportDataDir() with everything in it, when it lies strictly inside the
  // template's directory. 1 when it was deleted.
  int DeleteReportDataDir() const;

  // Takes ownership of item (nullptr is ignored, as is an item the template already holds).
  // With parent given, the item's parent link becomes the parent's identifier; otherwise the
  // parent is found by the item's parent link. A plot added under a title page becomes the
  // title page's picture.
  void AddItem(KReportItem* item, KReportItem* parent = nullptr);
  // The first item with identifier id, or nullptr.
  KReportItem* FindItem(int id) const;
  int GetItemCount() const;
  // Iteration in file order; GetFirstItem restarts. nullptr after the last item.
  KReportItem* GetFirstItem();
  KReportItem* GetNextItem();
  // Deletes every item and forgets the HTML report directories (they stay on disk).
  void Clear();

 private:
  void ReadHeaderEntries(KTemplateStream& stream);
  void DeleteItems();

  std::string m_projectParentNode;
  std::vector<std::string> m_htmlReportDirs;
  std::string m_templateName;
  std::string m_path;
  std::vector<KReportItem*> m_items;
  int m_modified = 0;
  size_t m_cursor = 0;
};
