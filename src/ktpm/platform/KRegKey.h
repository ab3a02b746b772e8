// A registry key, read from the registry file (see RegistryFile.h for its format and place).
//
// A KRegKey holds a handle block shared with its copies: the open key (or none) and a reference
// count changed atomically; Release (also run by the destructor) drops this object's reference
// and frees the block with the last one. OpenSubKey gives a new key that holds no handle when
// the subkey does not exist. Names of keys and values compare without regard to case. The
// writing members change the registry file at once, keeping every line they do not touch.
//
// Threads: a KRegKey belongs to one thread at a time (EnumSubKey returns a pointer into its own
// buffer); copies on different threads may be released concurrently.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// The root keys of the registry; the library reads only the local-machine root.
enum KRegRoot : int { KREG_LOCAL_MACHINE = 2 };
#ifndef _WIN32
inline constexpr KRegRoot HKEY_LOCAL_MACHINE = KREG_LOCAL_MACHINE;
#endif

class KRegKey {
 public:
  // Size of the buffer that receives subkey names and values, the terminating null included.
  static constexpr int kBufferSize = 261;

  // Result codes kept as the last error.
  enum : int32_t {
    kSuccess = 0,
    kFileNotFound = 2,
    kAccessDenied = 5,
    kInvalidHandle = 6,
    kMoreData = 234,
    kNoMoreItems = 259,
  };

  // Wraps the root key in a new handle block.
  explicit KRegKey(KRegRoot root = KREG_LOCAL_MACHINE);
  KRegKey(const KRegKey& other);
  KRegKey& operator=(const KRegKey& other);
  KRegKey(KRegKey&& other) noexcept;
  KRegKey& operator=(KRegKey&& other) noexcept;
  ~KRegKey();

  // Opens name (one or more components separated by "\") below this key. The result code is
  // kept as this object's last error.
  KRegKey OpenSubKey(const std::string& name);
  // Opens name below this key as OpenSubKey does, first adding the key to the registry file
  // when it does not exist. A key that cannot be added gives kAccessDenied and no handle.
  KRegKey CreateSubKey(const std::string& name);
  // 1 when this object holds an open key.
  int IsOpen() const;
  // Reads a string value into value; 1 on success. A value that does not fit the buffer with
  // its terminating null (261 bytes or more) fails; on failure value is left as it was.
  int QueryString(const std::string& valueName, std::string& value);
  // Writes a string value into this key: in place when the value exists, else as a new value.
  // 1 on success; 0 with kAccessDenied when the file cannot be written or a name or the value
  // holds a line break.
  int SetString(const std::string& valueName, const std::string& value);
  // Removes a value of this key. 1 on success; 0 with kFileNotFound when there is none.
  int DeleteValue(const std::string& valueName);
  // Removes the subkey name of this key with every key below it. 1 on success; 0 with
  // kFileNotFound when there is none (an empty name names no subkey).
  int DeleteSubKey(const std::string& name);
  // The name of the index-th subkey (from 0), in this object's buffer; nullptr when there is
  // none or it does not fit the buffer.
  const char* EnumSubKey(int index);
  // Drops this object's reference to the handle block; afterwards the object holds no key.
  void Release();
  // The result code of the last call made through this object.
  int32_t GetLastErrorCode() const { return m_lastError; }

 private:
  struct HandleBlock {
    bool open = false;
    std::string keyPath;  // components separated by "\"; empty for the root
    std::atomic<int32_t> references{1};
  };

  explicit KRegKey(HandleBlock* block) : m_block(block) {}

  HandleBlock* m_block = nullptr;
  int32_t m_lastError = kSuccess;
  char m_buffer[kBufferSize] = {};
};
