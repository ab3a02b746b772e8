#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RegistryEnv.h"
#include "TempDir.h"

#include <ktpm/platform/MappedFile.h>

namespace {

using ktpm::test::MakeReadOnly;
using ktpm::test::NetworkGuard;
using ktpm::test::ReadFile;
using ktpm::test::TempDir;
using ktpm::test::WriteFile;

std::vector<std::string> ReadAll(KMappedStdioFile& file) {
  std::vector<std::string> lines;
  std::string line;
  while (file.ReadString(line) != 0) lines.push_back(line);
  return lines;
}

using Lines = std::vector<std::string>;

TEST(KMappedStdioFileRead, TextModeDropsTheCarriageReturnOfALineEnd) {
  TempDir dir;
  WriteFile(dir / "a.kwd", "one\r\ntwo\n\r\nmid\rdle\r\nlast\r");
  KMappedStdioFile file;
  ASSERT_EQ(file.Open(dir / "a.kwd", KMappedStdioFile::modeRead | KMappedStdioFile::typeText), 1);
  EXPECT_EQ(ReadAll(file), (Lines{"one", "two", "", "mid\rdle", "last\r"}));
}

TEST(KMappedStdioFileRead, BinaryModeKeepsCarriageReturns) {
  TempDir dir;
  WriteFile(dir / "a.kwd", "one\r\ntwo\n");
  KMappedStdioFile file;
  ASSERT_EQ(file.Open(dir / "a.kwd", KMappedStdioFile::modeRead | KMappedStdioFile::typeBinary), 1);
  EXPECT_EQ(ReadAll(file), (Lines{"one\r", "two"}));
}

TEST(KMappedStdioFileRead, UnixHostedFilesReadInBinaryMode) {
  NetworkGuard network;
  TempDir dir;
  network.fake().AddMount(dir.path(), "//unixsrv/proj", "NFS");
  WriteFile(dir / "a.kwd", "one\r\n");
  KMappedStdioFile file(dir / "a.kwd", KMappedStdioFile::modeRead | KMappedStdioFile::typeText);
  EXPECT_EQ(ReadAll(file), (Lines{"one\r"}));
}

TEST(KMappedStdioFileRead, EdgesOfTheFile) {
  TempDir dir;
  WriteFile(dir / "empty", "");
  WriteFile(dir / "noend", "only");
  WriteFile(dir / "nul", std::string("a\0b\nc", 5));
  WriteFile(dir / "long", std::string(1 << 20, 'x') + "\nshort\n");

  KMappedStdioFile empty(dir / "empty", KMappedStdioFile::modeRead);
  EXPECT_EQ(ReadAll(empty), Lines{});
  KMappedStdioFile noEnd(dir / "NOEND", KMappedStdioFile::modeRead);
  EXPECT_EQ(ReadAll(noEnd), Lines{"only"});
  EXPECT_EQ(noEnd.GetFilePath(), dir / "noend");
  KMappedStdioFile nul(dir / "nul", KMappedStdioFile::modeRead);
  EXPECT_EQ(ReadAll(nul), (Lines{std::string("a\0b", 3), "c"}));
  KMappedStdioFile longLine(dir / "long", KMappedStdioFile::modeRead);
  const Lines lines = ReadAll(longLine);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), 1u << 20);
  EXPECT_EQ(lines[1], "short");

  KMappedStdioFile closed;
  std::string line = "unchanged";
  EXPECT_EQ(closed.ReadString(line), 0);
  EXPECT_EQ(closed.IsOpen(), 0);
}

TEST(KMappedStdioFileOpen, ConstructorThrowsWithCauseAndName) {
  TempDir dir;
  try {
    KMappedStdioFile file(dir / "missing.kwd", KMappedStdioFile::modeRead);
    FAIL() << "no exception";
  } catch (const KFileException& error) {
    EXPECT_EQ(error.m_cause, KFileException::fileNotFound);
    EXPECT_EQ(error.m_lOsError, ENOENT);
    EXPECT_EQ(error.m_strFileName, dir / "missing.kwd");
  }
  KFileException error;
  KMappedStdioFile file;
  EXPECT_EQ(file.Open(dir.path(), KMappedStdioFile::modeRead, &error), 0);
  EXPECT_EQ(error.m_cause, KFileException::accessDenied);
  EXPECT_EQ(file.Open("", KMappedStdioFile::modeRead, &error), 0);
}

TEST(KMappedStdioFileWrite, CreatesTruncatesAndWritesBareLineFeeds) {
  TempDir dir;
  WriteFile(dir / "out.kwd", "old contents that are longer");
  {
    KMappedStdioFile file(dir / "out.kwd", KMappedStdioFile::modeCreate |
                                               KMappedStdioFile::modeWrite |
                                               KMappedStdioFile::typeText);
    file.WriteString("A: 1\n");
    file.WriteString("B: 2\n");
    file.Close();
    EXPECT_EQ(file.HasWriteError(), 0);
  }
  EXPECT_EQ(ReadFile(dir / "out.kwd"), "A: 1\nB: 2\n");

  KMappedStdioFile keep(dir / "out.kwd", KMappedStdioFile::modeCreate |
                                             KMappedStdioFile::modeNoTruncate |
                                             KMappedStdioFile::modeWrite);
  keep.WriteString("C");
  keep.Close();
  EXPECT_EQ(ReadFile(dir / "out.kwd"), "C: 1\nB: 2\n");

  KMappedStdioFile missing;
  EXPECT_EQ(missing.Open(dir / "new.kwd", KMappedStdioFile::modeWrite), 0);
}

TEST(KMappedStdioFileWrite, ReadOnlyFileCannotBeOpenedForWriting) {
  TempDir dir;
  WriteFile(dir / "ro.kwd", "keep\n");
  MakeReadOnly(dir / "ro.kwd");
  KFileException error;
  KMappedStdioFile file;
  EXPECT_EQ(
      file.Open(dir / "RO.kwd", KMappedStdioFile::modeCreate | KMappedStdioFile::modeWrite, &error),
      0);
  EXPECT_EQ(error.m_cause, KFileException::accessDenied);
  EXPECT_EQ(file.Open(dir / "ro.kwd", KMappedStdioFile::modeReadWrite, &error), 0);
  EXPECT_EQ(ReadFile(dir / "ro.kwd"), "keep\n");
  EXPECT_EQ(file.Open(dir / "ro.kwd", KMappedStdioFile::modeRead, &error), 1);
}

}  // namespace
