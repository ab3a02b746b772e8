#include <vector>

#include <ktpm/platform/DirectoryListing.h>
#include <ktpm/platform/FileOperations.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/PathResolver.h>
#include <ktpm/platform/PathText.h>

namespace {

std::string WithoutTrailingSeparators(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && ktpm::detail::IsPathSeparator(trimmed.back())) trimmed.pop_back();
  return trimmed;
}

// Whether inner is outer or lies below it (both absolute and clean).
bool IsSameOrBelow(const std::string& inner, const std::string& outer) {
  if (inner.compare(0, outer.size(), outer) != 0) return false;
  return inner.size() == outer.size() || outer == "/" || inner[outer.size()] == '/';
}

}  // namespace

int KDirectoryEntry::Delete(int recursive) {
  if (m_path.empty()) return 0;
  const std::string path = ktpm::detail::ResolvePath(m_path);
  if (recursive == 0) return ktpm::detail::RemoveEmptyDirectory(path) ? 1 : 0;
  // A link to a directory is removed as a link: the tree it points to is not the entry's own.
  if (ktpm::detail::IsSymbolicLink(path)) return ktpm::detail::RemoveFile(path) ? 1 : 0;
  // Emptying the root of the file system is never what a project operation means.
  if (ktpm::detail::MakeAbsolutePath(path) == "/") return 0;

  std::vector<ktpm::detail::DirectoryItem> items;
  if (!ktpm::detail::ListDirectory(path, items)) return 0;
  std::vector<KFileEntry> files;
  for (const auto& item : items) {
    const std::string child = ktpm::detail::JoinPath(path, item.name);
    // A link to a directory is removed as a link; its target's files are left alone.
    if (item.isDirectory && !item.isSymlink) {
      if (KDirectoryEntry(child).Delete(1) == 0) return 0;
    } else {
      files.emplace_back(child);
    }
  }
  for (KFileEntry& file : files) {
    if (file.Delete(1) == 0) return 0;
  }
  SetReadOnly(0);
  return ktpm::detail::RemoveEmptyDirectory(path) ? 1 : 0;
}

int KDirectoryEntry::CopyFrom(const std::string& /*sourcePath*/) { return 0; }

void KDirectoryEntry::CopyTo(const std::string& parentDirectory) {
  const std::string path = WithoutTrailingSeparators(ktpm::detail::ResolvePath(m_path));
  if (IsDirectory() == 0) return;
  const std::string name = ktpm::detail::NameOf(path);
  const std::string target = ktpm::detail::JoinPath(parentDirectory, name);
  // A copy into the tree itself would copy its own copy without end.
  const std::string absoluteSource = ktpm::detail::MakeAbsolutePath(path);
  const std::string absoluteTarget = ktpm::detail::MakeAbsolutePath(target);
  if (absoluteSource.empty() || IsSameOrBelow(absoluteTarget, absoluteSource)) return;

  std::vector<ktpm::detail::DirectoryItem> items;
  ktpm::detail::ListDirectory(path, items);
  // A target that exists, in any letter case, is not copied into.
  std::string existing;
  if (ktpm::detail::ResolveExistingPath(target, existing)) return;
  if (!ktpm::detail::CreateDirectory(target)) return;
  for (const auto& item : items) {
    const std::string child = ktpm::detail::JoinPath(path, item.name);
    if (item.isDirectory) {
      // Links to directories are not followed: they could lead back into the tree.
      if (!item.isSymlink) KDirectoryEntry(child).CopyTo(target);
    } else {
      KFileEntry(child).CopyTo(target);
    }
  }
}
