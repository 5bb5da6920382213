#include "common/test_main.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {
// The tests' preference files go to a folder of their own, never the
// user's: a test that saves its settings must not change the next run.
class CoreEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "kxtest-config-XXXXXX").string();
    if (mkdtemp(pattern.data())) {
      mConfig = pattern;
      setenv("XDG_CONFIG_HOME", mConfig.c_str(), 1);
    }
    CoreInit();
  }
  void TearDown() override {
    CoreTerminate();
    std::error_code ec;
    if (!mConfig.empty()) std::filesystem::remove_all(mConfig, ec);
  }

 private:
  std::string mConfig;
};

std::string FromEnv(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v && *v ? v : fallback;
}
}  // namespace

int KxTestMain(int argc, char** argv, std::initializer_list<KxFacilityFn> registrars) {
  ::testing::InitGoogleTest(&argc, argv);
  for (KxFacilityFn reg : registrars) reg();
  ::testing::AddGlobalTestEnvironment(new CoreEnvironment);
  return RUN_ALL_TESTS();
}

std::string KxSourceDir() { return FromEnv("KX_SOURCE_DIR", "."); }
std::string KxBinDir() { return FromEnv("KX_BIN_DIR", "bin"); }
std::string KxSharedDir() { return FromEnv("KX_SHARED_DIR", "../shared"); }

long KxRandomSteps(long fallback) {
  const char* env = std::getenv("KX_RANDOM_STEPS");
  const long n = env ? std::atol(env) : 0;
  return n > 0 ? n : fallback;
}
