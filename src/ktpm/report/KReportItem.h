// The items of a report template: each one block of the generated report.
//
// KReportItem is the base of the eight item kinds (the base item itself, title page, section,
// text, plot, 3D scene, result and information). Every item has an identifier that is unique
// within its template, links to a parent and a child item by identifier, and a title. The
// application edits items through a small set of named text fields addressed by the negative
// indexes -1 down to -GetFieldCount(), and through the title accessors.
//
// Ownership: a KReportTemplate owns the items it holds and deletes them; an item made by the
// caller belongs to the caller until it is given to KReportTemplate::AddItem.
// Threads: an item is used by one thread at a time. Identifiers come from one process-wide
// counter that any thread may advance (it is atomic). Field values are returned by value.
//
// Including this header declares every item kind and KReportFont.
#pragma once

#include <string>

#include <ktpm/report/KReportFont.h>

class KTemplateStream;
namespace ktpm::detail {
class EntryTransfer;
}

class KReportItem {
 public:
  KReportItem();
  KReportItem(const KReportItem&) = delete;
  KReportItem& operator=(const KReportItem&) = delete;
  virtual ~KReportItem();

  // 0 for the base item; 1 title page, 2 section, 3 text, 4 plot, 5 3D scene, 6 result,
  // 7 information.
  virtual int GetItemType() const;
  // The type keyword that names the item in a file and prefixes its entries ("REPORT_ITEM").
  virtual std::string GetItemKeyword() const;
  // Writes ITEM_TYPE, the identifier, parent and child links, then the kind's own entries.
  virtual void Write(KTemplateStream& stream) const;
  // Reads the identifier and links (ITEM_TYPE has been read by the template), then the kind's
  // own entries.
  virtual void Read(KTemplateStream& stream);
  virtual int GetFieldCount() const;
  // Display name of field index (-1 .. -GetFieldCount()).
  virtual std::string GetFieldName(int index) const;
  virtual std::string GetFieldValue(int index) const;
  virtual int HasTitle() const;
  virtual void SetFieldValue(int index, const std::string& text);
  virtual void SetTitle(const std::string& title);
  virtual std::string GetTitle() const;
  // 1 when the item's image (or 3D scene) file exists.
  virtual int ImageFileExists() const;
  virtual std::string GetImageFile() const;

  int GetId() const { return m_id; }
  void SetId(int id) { m_id = id; }
  int GetParentId() const { return m_parentId; }
  void SetParentId(int id) { m_parentId = id; }
  int GetChildId() const { return m_childId; }
  void SetChildId(int id) { m_childId = id; }

 protected:
  // The keyword of one of the item's entries: the type keyword followed by suffix.
  std::string EntryKeyword(const char* suffix) const;
  // Writes or reads the kind's entries after the common header, in file order; the base item
  // has none.
  virtual void TransferEntries(ktpm::detail::EntryTransfer& io);

  int m_id;
  int m_parentId = 0;
  // Items always get their child link from the file before they are written; a new item starts
  // without a child (0).
  int m_childId = 0;
  std::string m_title;

 private:
  void TransferLinksAndEntries(ktpm::detail::EntryTransfer& io);
};

// The kinds; KPlotItem.h brings in KVrmlItem.h, which derives from it.
#include <ktpm/report/KInformationItem.h>
#include <ktpm/report/KPlotItem.h>
#include <ktpm/report/KResultItem.h>
#include <ktpm/report/KSectionItem.h>
#include <ktpm/report/KTextItem.h>
#include <ktpm/report/KTitlePageItem.h>
