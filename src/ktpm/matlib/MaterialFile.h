// Reading and writing material keyword files.
//
// WriteMaterialFile writes the file next to its final place under a temporary name and renames
// it into place, so that a reader (or the project's directory watcher) never sees a half-written
// material. ReadMaterialFile returns a file's keywords in file order with their values as the
// keyword file reader gives them. Free functions; any thread, each with its own files.
#pragma once

#include <string>

#include <ktpm/matlib/MaterialDatabase.h>

namespace ktpm::detail {

// Writes "PLASTIC_MODEL" (when meshFile is not empty) and then keywords to path. A write-protected
// file at path is not replaced. false, with the reason in *error, on failure; no temporary file
// is left behind.
bool WriteMaterialFile(const std::string& path, const std::string& meshFile,
                       const MaterialKeywordList& keywords, std::string* error);

// The keywords of a keyword file, in the order of their first appearance; false when the file
// cannot be read.
bool ReadMaterialFile(const std::string& path, MaterialKeywordList& keywords, std::string* error);

// The value of the current directory's file counter "keltravo.ctr" as KFileEntry::MakeUniqueName
// reads it: 1 when the file cannot be read.
int64_t ReadMaterialFileCounter();
// The name KFileEntry::MakeUniqueName(inputFile, "md3", 1) gives the material file of an analysis
// input when the counter reads *counter, found in a listing of the current directory without
// writing anything; *counter becomes the value the counter file reads as afterwards.
std::string NextMaterialFileName(const std::string& inputFile, int64_t* counter);

}  // namespace ktpm::detail
