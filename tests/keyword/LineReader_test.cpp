#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include <ktpm/keyword/LineReader.h>

namespace {

using ktpm::detail::LineReader;
using namespace std::string_literals;

constexpr std::size_t kChunk = LineReader::kChunkSize;

// Every line the reader gives for the bytes, read from a temporary stream.
std::vector<std::string> SplitLines(const std::string& bytes,
                                    std::size_t sizeHint = LineReader::kChunkSize) {
  std::vector<std::string> lines;
  std::FILE* file = std::tmpfile();
  if (file == nullptr) return {"<no temporary file>"};
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::rewind(file);
  LineReader reader(file, sizeHint);
  std::string_view line;
  while (reader.Next(line)) lines.emplace_back(line);
  std::fclose(file);
  return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, SplitsAtEveryKindOfLineEnd) {
  EXPECT_EQ(SplitLines("a\nb\r\nc\rd\r\r\ne"), (Lines{"a", "b\r", "c", "d\r\r", "e"}));
  EXPECT_EQ(SplitLines("a\n\nb\n"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\r\rb"), (Lines{"a\r", "b"}));
  EXPECT_EQ(SplitLines("a\r"), (Lines{"a\r"}));
  EXPECT_EQ(SplitLines("\n"), (Lines{""}));
  EXPECT_EQ(SplitLines(""), (Lines{}));
  EXPECT_EQ(SplitLines("a\0b\xff\nc"s), (Lines{"a\0b\xff"s, "c"}));
}

TEST(LineReader, JoinsLinesAcrossChunks) {
  std::string first(kChunk - 3, 'x');
  std::string second(2 * kChunk + 5, 'y');
  EXPECT_EQ(SplitLines(first + "\n" + second + "\nz"), (Lines{first, second, "z"}));
}

// A carriage return as the last byte of a chunk is decided by the first byte of the next one.
TEST(LineReader, DecidesCarriageReturnAtChunkEnd) {
  std::string head(kChunk - 1, 'x');
  EXPECT_EQ(SplitLines(head + "\r\nb"), (Lines{head + "\r", "b"}));
  EXPECT_EQ(SplitLines(head + "\rb"), (Lines{head, "b"}));
  EXPECT_EQ(SplitLines(head + "\r\r\nb"), (Lines{head + "\r\r", "b"}));
  EXPECT_EQ(SplitLines(head + "\r"), (Lines{head + "\r"}));
  std::string carried(kChunk + 10, 'y');
  std::string tail(kChunk - 11, 'z');
  EXPECT_EQ(SplitLines(carried + "\n" + tail + "\rq"), (Lines{carried, tail, "q"}));
}

TEST(LineReader, LineEndExactlyAtChunkEnd) {
  std::string head(kChunk - 1, 'x');
  EXPECT_EQ(SplitLines(head + "\n"), (Lines{head}));
  EXPECT_EQ(SplitLines(head + "\nb"), (Lines{head, "b"}));
}

// A file that grew after its size was taken, or a wrong hint, only costs more reads.
TEST(LineReader, SmallChunksGiveTheSameLines) {
  std::string bytes;
  for (int i = 0; i < 2000; ++i) bytes += std::string(i % 300, 'a') + (i % 2 ? "\r" : "\r\n");
  EXPECT_EQ(SplitLines(bytes, 1), SplitLines(bytes));
  EXPECT_EQ(SplitLines(bytes, 0), SplitLines(bytes));
  EXPECT_EQ(SplitLines(bytes, bytes.size()), SplitLines(bytes));
}

}  // namespace
