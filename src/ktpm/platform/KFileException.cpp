#include <cstring>

#include <ktpm/platform/MappedFile.h>

KFileException::KFileException(int cause, int osError, const std::string& fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(fileName) {
  m_what = "cannot open \"" + fileName + "\"";
  if (osError != 0) m_what += std::string(": ") + std::strerror(osError);
}
