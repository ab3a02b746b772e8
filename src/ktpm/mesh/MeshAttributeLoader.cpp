#include <algorithm>
#include <memory>
#include <unordered_map>

#include <ktpm/mesh/KMeshAttributeSet.h>
#include <ktpm/mesh/MeshAttributeLoader.h>
#include <ktpm/mesh/TextTokens.h>
#include <ktpm/mesh/ValueHash.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/MappedFile.h>

namespace ktpm::detail {

namespace {

// Only the first 511 characters of an index line are looked at.
constexpr size_t kIndexLineLimit = 511;
constexpr int64_t kMaxTokenCount = 10'000'000;

[[noreturn]] void Warn(int code) { throw AttWarning{code}; }

// Finds the first entry of an entry list whose value equals a given value without a linear
// search: an open-addressing table of list positions beside the ordered list, probed by the hash
// of the value they name (so no value is stored twice). The list only grows during a load;
// entries appended by others (form 3) are taken into the table before each lookup.
template <typename Entry>
class EntryLookup {
 public:
  using Value = decltype(Entry::value);

  explicit EntryLookup(const std::vector<Entry>&) {}

  Entry& FindOrAppend(std::vector<Entry>& list, const Value& value) {
    for (; covered_ < list.size(); ++covered_)
      Insert(list, covered_, ValueHash()(list[covered_].value));
    const size_t hash = ValueHash()(value);
    if (!slots_.empty()) {
      for (size_t slot = hash & mask_; slots_[slot].position != 0; slot = (slot + 1) & mask_) {
        const Slot& s = slots_[slot];
        if (s.hash == hash && list[s.position - 1].value == value) return list[s.position - 1];
      }
    }
    list.emplace_back();
    list.back().value = value;
    Insert(list, list.size() - 1, hash);
    covered_ = list.size();
    return list.back();
  }

 private:
  struct Slot {
    size_t hash = 0;
    size_t position = 0;  // list position + 1; 0 for an empty slot
  };

  // Adds a position unless an equal value is already there (the first entry of a value wins).
  void Insert(const std::vector<Entry>& list, size_t position, size_t hash) {
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    size_t slot = hash & mask_;
    for (; slots_[slot].position != 0; slot = (slot + 1) & mask_) {
      const Slot& s = slots_[slot];
      if (s.hash == hash && list[s.position - 1].value == list[position].value) return;
    }
    slots_[slot] = Slot{hash, position + 1};
    ++count_;
  }

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 64 : old.size() * 2, Slot{});
    mask_ = slots_.size() - 1;
    for (const Slot& s : old) {
      if (s.position == 0) continue;
      size_t slot = s.hash & mask_;
      while (slots_[slot].position != 0) slot = (slot + 1) & mask_;
      slots_[slot] = s;
    }
  }

  std::vector<Slot> slots_;
  size_t mask_ = 0;
  size_t count_ = 0;
  size_t covered_ = 0;
};

// One lookup per entry list that a load touches, keyed by the list's address (attributes are
// owned through pointers, so their lists do not move while the set grows).
template <typename Entry>
class LookupTable {
 public:
  Entry& FindOrAppend(std::vector<Entry>& list, const decltype(Entry::value)& value) {
    auto lookup = lookups_.try_emplace(&list, list).first;
    return lookup->second.FindOrAppend(list, value);
  }

 private:
  std::unordered_map<const void*, EntryLookup<Entry>> lookups_;
};

// Hands out the tokens of one data block: it continues on the current line, moves on to the
// next line with a token when the line is used up, and counts the block's tokens down.
class DataTokenReader {
 public:
  DataTokenReader(const AttributeDataLines& lines, size_t firstLine, int64_t tokenCount)
      : lines_(lines), line_(firstLine), remaining_(tokenCount), cursor_(lines[firstLine]) {}

  bool HasTokens() const { return remaining_ > 0; }

  std::string_view Next() {
    if (remaining_ <= 0) Warn(kAttMissingToken);
    std::string_view token;
    while (!cursor_.Next(kWhiteSpace, token)) {
      if (++line_ >= lines_.size()) Warn(kAttMissingToken);
      cursor_ = TokenCursor(lines_[line_]);
    }
    --remaining_;
    return token;
  }

  int32_t NextInt() { return ParseInt(Next()); }
  double NextReal() { return ParseReal(Next()); }
  // A count written as its negation; a count written as a positive number is a bad line.
  int64_t NextCount() {
    int64_t count = -int64_t{NextInt()};
    if (count < 0) Warn(kAttBadCount);
    return count;
  }

 private:
  const AttributeDataLines& lines_;
  size_t line_;
  int64_t remaining_;
  TokenCursor cursor_;
};

// The eight fields of an attribute line.
struct BlockHeader {
  int entityClass = 0;
  int firstLine = 0;
  int64_t tokenCount = 0;
  int form = 0;
  int components = 0;
  int kind = 0;
};

class IndexLoader {
 public:
  IndexLoader(KMeshAttributeSet& set, const AttributeDataLines& data) : set_(set), data_(data) {}

  void HandleLine(std::string_view line) {
    TokenCursor cursor(line.substr(0, kIndexLineLimit));
    std::string_view first;
    if (!cursor.Next(kWhiteSpace, first) || first == "NAMED" || first == "ATTRIBUTE") return;
    if (first == "*CODE") {
      HandleCodeLine(cursor);
    } else {
      HandleAttributeLine(first, cursor);
    }
  }

 private:
  static std::string_view NextField(TokenCursor& cursor) {
    std::string_view token;
    if (!cursor.Next(kWhiteSpace, token)) Warn(kAttMissingToken);
    return token;
  }

  void HandleCodeLine(TokenCursor& cursor) {
    KMeshAttribute* attribute = set_.FindAttribute(std::string(NextField(cursor)));
    if (!attribute) Warn(kAttUnknownCode);
    std::string codeName(NextField(cursor));
    int32_t value = ParseInt(NextField(cursor));
    attribute->codes[value] = std::move(codeName);
  }

  BlockHeader ReadBlockHeader(TokenCursor& cursor) const {
    BlockHeader header;
    header.entityClass = ParseInt(NextField(cursor));
    if (header.entityClass < 1 || header.entityClass > 4) Warn(kAttBadClass);
    header.firstLine = ParseInt(NextField(cursor));
    if (header.firstLine < 1 || static_cast<size_t>(header.firstLine) > data_.size()) {
      Warn(kAttBadFirstLine);
    }
    header.tokenCount = ParseInt(NextField(cursor));
    if (header.tokenCount < 1 || header.tokenCount > kMaxTokenCount) Warn(kAttBadTokenCount);
    header.form = ParseInt(NextField(cursor));
    if (header.form < 1 || header.form > 3) Warn(kAttBadForm);
    if (ParseInt(NextField(cursor)) < 0) Warn(kAttBadField5);
    header.components = ParseInt(NextField(cursor));
    if (header.components < 1) Warn(kAttBadComponents);
    header.kind = ParseInt(NextField(cursor));
    if (header.kind != 0 && header.kind != 1) Warn(kAttBadKind);
    NextField(cursor);  // a real number the writing program uses; read but not needed here
    return header;
  }

  void HandleAttributeLine(std::string_view name, TokenCursor& cursor) {
    BlockHeader header = ReadBlockHeader(cursor);
    KMeshAttribute& attribute = FindOrAddAttribute(name);
    KEntityClass& entityClass = attribute.classes[header.entityClass - 1];
    DataTokenReader reader(data_, static_cast<size_t>(header.firstLine - 1), header.tokenCount);
    switch (header.form) {
      case 1:
        ReadGroupedBlock(reader, header, entityClass);
        break;
      case 2:
        ReadVaryingBlock(reader, header, entityClass);
        break;
      default:
        ReadConsecutiveBlock(reader, header, entityClass);
        break;
    }
  }

  KMeshAttribute& FindOrAddAttribute(std::string_view name) {
    std::string key(name);
    if (KMeshAttribute* found = set_.FindAttribute(key)) return *found;
    auto attribute = std::make_unique<KMeshAttribute>();
    attribute->id = -1;
    attribute->name = std::move(key);
    set_.attributes.push_back(std::move(attribute));
    return *set_.attributes.back();
  }

  // Reads length values into values (its storage is reused from value to value).
  template <typename T>
  static const std::vector<T>& ReadVector(DataTokenReader& reader, int64_t length,
                                          std::vector<T>& values) {
    values.clear();
    for (int64_t i = 0; i < length; ++i) {
      if constexpr (std::is_same_v<T, int32_t>) {
        values.push_back(reader.NextInt());
      } else {
        values.push_back(reader.NextReal());
      }
    }
    return values;
  }

  static void ReadEntitySet(DataTokenReader& reader, KEntitySet& set) {
    int64_t idCount = reader.NextCount();
    int64_t rangeCount = reader.NextCount();
    // Room for a small set at once; larger sets grow as their numbers are actually read.
    set.ids.reserve(set.ids.size() + static_cast<size_t>(std::min<int64_t>(idCount, 1024)));
    for (int64_t i = 0; i < idCount; ++i) set.ids.push_back(reader.NextInt());
    for (int64_t i = 0; i < rangeCount; ++i) {
      int32_t first = reader.NextInt();
      int32_t last = reader.NextInt();
      set.ranges.emplace_back(first, last);
    }
  }

  // Form 1: values, each followed by the entity set that carries it; equal values share an entry.
  void ReadGroupedBlock(DataTokenReader& reader, const BlockHeader& header, KEntityClass& target) {
    while (reader.HasTokens()) {
      KEntitySet* entry;
      if (header.components == 1 && header.kind == 0) {
        entry = &intLookup_.FindOrAppend(target.intValues, reader.NextInt());
      } else if (header.components == 1) {
        entry = &realLookup_.FindOrAppend(target.realValues, reader.NextReal());
      } else if (header.kind == 0) {
        const auto& value = ReadVector(reader, header.components, intScratch_);
        entry = &intVectorLookup_.FindOrAppend(target.intVectors, value);
      } else {
        const auto& value = ReadVector(reader, header.components, realScratch_);
        entry = &realVectorLookup_.FindOrAppend(target.realVectors, value);
      }
      ReadEntitySet(reader, *entry);
    }
  }

  // Form 2: vectors of varying length, each length written as its negation.
  void ReadVaryingBlock(DataTokenReader& reader, const BlockHeader& header, KEntityClass& target) {
    while (reader.HasTokens()) {
      int64_t length = reader.NextCount();
      KEntitySet* entry;
      if (header.kind == 0) {
        const auto& value = ReadVector(reader, length, intScratch_);
        entry = &intVectorLookup_.FindOrAppend(target.intVectors, value);
      } else {
        const auto& value = ReadVector(reader, length, realScratch_);
        entry = &realVectorLookup_.FindOrAppend(target.realVectors, value);
      }
      ReadEntitySet(reader, *entry);
    }
  }

  // Form 3: one value per entity for consecutive entities from a first entity number. Entries
  // made here are not merged with equal values.
  void ReadConsecutiveBlock(DataTokenReader& reader, const BlockHeader& header,
                            KEntityClass& target) {
    // Entity numbers advance with 32-bit wrap-around, as the file's numbers are 32-bit.
    uint32_t entity = static_cast<uint32_t>(-int64_t{reader.NextInt()});
    auto nextEntity = [&entity] { return static_cast<int32_t>(entity++); };
    if (header.components == 1 && header.kind == 0) {
      target.denseFirst = static_cast<int32_t>(entity);
      target.denseValues.clear();
      while (reader.HasTokens()) target.denseValues.push_back(reader.NextInt());
    } else if (header.components == 1) {
      while (reader.HasTokens()) {
        KRealEntry entry;
        entry.value = reader.NextReal();
        entry.ids.push_back(nextEntity());
        target.realValues.push_back(std::move(entry));
      }
    } else if (header.kind == 0) {
      while (reader.HasTokens()) {
        KIntVectorEntry entry;
        entry.value = ReadVector(reader, header.components, intScratch_);
        entry.ids.push_back(nextEntity());
        target.intVectors.push_back(std::move(entry));
      }
    } else {
      while (reader.HasTokens()) {
        KRealVectorEntry entry;
        entry.value = ReadVector(reader, header.components, realScratch_);
        entry.ids.push_back(nextEntity());
        target.realVectors.push_back(std::move(entry));
      }
    }
  }

  KMeshAttributeSet& set_;
  const AttributeDataLines& data_;
  LookupTable<KIntEntry> intLookup_;
  LookupTable<KRealEntry> realLookup_;
  LookupTable<KIntVectorEntry> intVectorLookup_;
  LookupTable<KRealVectorEntry> realVectorLookup_;
  std::vector<int32_t> intScratch_;
  std::vector<double> realScratch_;
};

// Calls handle for each line of text; a carriage return before a line feed is dropped.
template <typename Handle>
void ForEachLine(std::string_view text, Handle handle) {
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    handle(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

void HandleIndexLine(IndexLoader& loader, std::string_view line, int lineNumber,
                     std::vector<AttWarningRecord>* warnings) {
  try {
    loader.HandleLine(line);
  } catch (const AttWarning& warning) {
    if (warnings) warnings->push_back({lineNumber, warning.code});
  } catch (const std::exception&) {
    // Memory exhaustion on a hostile block abandons the line like any other bad line.
    if (warnings) warnings->push_back({lineNumber, kAttMissingToken});
  }
}

}  // namespace

void AttributeDataLines::Add(std::string_view line) {
  text_.append(line.substr(0, kLineLimit));
  ends_.push_back(text_.size());
}

std::string_view AttributeDataLines::operator[](size_t index) const {
  size_t begin = index == 0 ? 0 : ends_[index - 1];
  return std::string_view(text_).substr(begin, ends_[index] - begin);
}

void LoadAttributeIndex(KMeshAttributeSet& set, const std::vector<std::string_view>& indexLines,
                        const AttributeDataLines& data, std::vector<AttWarningRecord>* warnings) {
  IndexLoader loader(set, data);
  int lineNumber = 0;
  for (std::string_view line : indexLines) HandleIndexLine(loader, line, ++lineNumber, warnings);
}

void LoadAttributeText(KMeshAttributeSet& set, std::string_view indexText,
                       std::string_view dataText, const std::string& name,
                       std::vector<AttWarningRecord>* warnings) {
  AttributeDataLines data;
  ForEachLine(dataText, [&data](std::string_view line) { data.Add(line); });
  std::vector<std::string_view> indexLines;
  ForEachLine(indexText, [&indexLines](std::string_view line) { indexLines.push_back(line); });
  LoadAttributeIndex(set, indexLines, data, warnings);
  set.fileName = name;
}

int LoadAttributeFiles(KMeshAttributeSet& set, const std::string& indexPath,
                       const std::string& dataPath, const std::string& name,
                       std::vector<AttWarningRecord>* warnings) {
  constexpr unsigned kReadFlags = KMappedStdioFile::modeRead | KMappedStdioFile::shareDenyNone;
  try {
    KMappedStdioFile indexFile;
    KMappedStdioFile dataFile;
    if (!indexFile.Open(indexPath, kReadFlags) || !dataFile.Open(dataPath, kReadFlags)) return 0;
    AttributeDataLines data;
    data.Reserve(KFileEntry(dataPath).GetSize());
    std::string line;
    while (dataFile.ReadString(line)) data.Add(line);
    dataFile.Close();
    IndexLoader loader(set, data);
    int lineNumber = 0;
    while (indexFile.ReadString(line)) HandleIndexLine(loader, line, ++lineNumber, warnings);
    set.fileName = name;
    return 1;
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace ktpm::detail
