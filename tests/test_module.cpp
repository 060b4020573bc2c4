// The built plug-in module, loaded the way a host loads it: by name, knowing
// only the record layouts.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "tests/harness.h"

namespace {

class Module : public ::testing::Test {
 protected:
  void SetUp() override {
    handle_ = dlopen(QUORLIN_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
  }
  void TearDown() override {
    if (handle_) dlclose(handle_);
  }
  void* handle_ = nullptr;
};

TEST_F(Module, ExportsTheTableAndNothingOfTheFilter) {
  auto get_table = reinterpret_cast<FILTER_DLL* (*)()>(dlsym(handle_, "GetFilterTable"));
  ASSERT_NE(get_table, nullptr);
  EXPECT_EQ(get_table(), get_table());
  for (const char* hidden : {"FrameProc", "quorlin_sharpen", "quorlin_default_settings", "quorlin_filter_new",
                              "_ZN7quorlin7SharpenERK12QuorlinFrameRKNS_13SharpenParamsEiRNS_9WorkspaceE"})
    EXPECT_EQ(dlsym(handle_, hidden), nullptr) << hidden;
}

TEST_F(Module, SharpensFramesLikeTheModel) {
  auto get_table = reinterpret_cast<FILTER_DLL* (*)()>(dlsym(handle_, "GetFilterTable"));
  ASSERT_NE(get_table, nullptr);
  FILTER_DLL* table = get_table();
  std::mt19937 rng(11);
  for (int threads : {1, 2, 3}) {
    ScopedThreads scope(threads);
    for (int radius : {1, 2, 7, 10}) {
      for (bool interlace : {false, true}) {
        model::Frame f = model::RandomFrame(rng, 45, 31, 48, 33, model::Range::Full);
        model::Frame want = f;
        model::Controls c;
        c[QUORLIN_RADIUS] = radius;
        c[QUORLIN_INTERLACE] = interlace;
        HostRecords host(f, c);
        ASSERT_EQ(table->func_proc(&host.fp, &host.fpip), 1);
        ASSERT_EQ(model::Filter(want, c), 1);
        ASSERT_TRUE(SamePixels(f, want)) << "r" << radius << " interlace " << interlace;
      }
    }
  }
}

}  // namespace
