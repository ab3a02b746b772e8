// Points the profile and the user data directory of the test program at a scratch directory.
#include <cstdlib>

#include "MatlibTestSupport.h"

namespace ktpm::test {
namespace {

class MatlibEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("KT_PROFILE_FILE", m_dir.File("profile.ini").c_str(), 1);
    setenv("XDG_DATA_HOME", m_dir.File("data").c_str(), 1);
  }

 private:
  ScratchDir m_dir;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new MatlibEnvironment);

}  // namespace
}  // namespace ktpm::test
