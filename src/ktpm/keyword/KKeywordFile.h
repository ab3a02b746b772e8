// Keyword files: text files of "KEYWORD: value" lines that carry analysis inputs, materials,
// node properties and solver options.
//
// KKeywordFile holds one such file in memory, in file order: every keyword has a slot, numbered
// in the order in which the keyword first arrived, and Save writes the slots in that order. Files
// can be layered: Load a defaults file, Merge another on top (its entries replace values in place
// and add new keywords at the end), change entries, Save under a new name. Reading converts the
// earlier vocabulary of the 3D flow keywords to the current one (MigrateKeyword), skips entries
// whose value is the unset marker -16384 and joins continuation lines (a line ending in "\").
// Keywords beginning with "_" are internal: they live in memory but are never saved.
//
// Files are untrusted: any line end ("\n", "\r\n", a lone "\r") is read, a NUL byte ends its
// line's text, lines may be of any length and any byte value is kept. Save writes "KEYWORD: value"
// lines; a value ending in a backslash is followed by an empty line, so that reading the file
// again cannot join the next entry to it. Files are opened through MappedFopen, which picks the
// text or binary mode that the file's host wants.
//
// The object owns all its strings; it is meant for the stack of one operation and cannot be
// copied. No locks: one thread at a time per object. Nothing here throws; a file that cannot be
// read reads as empty and a failed Save returns 0.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include <ktpm/keyword/KeywordStore.h>

class KKeywordFile {
 public:
  // The value that marks a keyword as unset: a line carrying it is not stored.
  static constexpr int kUnsetValue = -16384;

  KKeywordFile();
  KKeywordFile(const KKeywordFile&) = delete;
  KKeywordFile& operator=(const KKeywordFile&) = delete;
  virtual ~KKeywordFile();

  // Empties the object, merges the file and remembers its name as the path (also when the file
  // could not be read).
  void Load(const std::string& fileName);
  // Reads the file on top of the present entries; the path is not changed. A missing or
  // unreadable file changes nothing.
  void Merge(const std::string& fileName);
  // Writes every saved slot in slot order to fileName, or to the remembered path when fileName is
  // null or empty, replacing the file through a temporary file. 1 when written, 0 when there is
  // no path or the file could not be written whole (the file on disk is then as it was).
  int Save(const char* fileName = nullptr);
  int Save(const std::string& fileName);

  // The value with its continuation markers removed: every backslash is dropped together with
  // the character after it. Empty when the keyword is absent.
  std::string GetValue(const std::string& keyword) const;
  // Replaces the keyword's value in its slot, or appends a slot for a new keyword.
  void SetValue(const std::string& keyword, const std::string& value);
  // 1 when the keyword is stored (also with an empty value), else 0.
  int HasKeyword(const std::string& keyword) const;
  // Empties the keyword's slot and forgets the keyword; 1 when it was stored, else 0. Storing it
  // again later gives it a new slot at the end.
  int RemoveKeyword(const std::string& keyword);
  // SetValue(keyword, source.GetValue(keyword)).
  void CopyKeyword(const std::string& keyword, const KKeywordFile& source);

  // Converts an entry of the earlier 3D flow vocabulary, read from a file, to the current one:
  // may rewrite the keyword and the value in place and may store further entries first.
  void MigrateKeyword(std::string& keyword, std::string& value);

  // The file name last given to Load; empty until then.
  const std::string& GetPath() const { return m_path; }

 private:
  void ReadEntries(std::FILE* file, std::size_t sizeHint);
  void StoreReadEntry(std::string_view keyword, std::string_view value);

  ktpm::detail::KeywordStore m_entries;
  std::string m_path;
};
