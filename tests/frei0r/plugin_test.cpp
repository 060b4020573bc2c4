// quorlin.so loaded as a frei0r host loads it, by path through dlopen, and
// driven through frei0r's entry points alone; its frames are held to the
// library's on the same RGB, which is what the quorlin command does to a PNG.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <omp.h>

#include <limits>
#include <random>
#include <thread>
#include <vector>

extern "C" {
#include <frei0r.h>
}

#include "hosts/frei0r/instance.h"
#include "quorlin/quorlin.h"
#include "tests/counting_allocator.h"

namespace {

using Rgba = std::vector<uint32_t>;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

int Steps(const QuorlinControl& c) { return c.maximum - c.minimum; }

Rgba RandomFrame(std::mt19937& rng, int width, int height) {
  Rgba frame(size_t(width) * height);
  for (uint32_t& pixel : frame) pixel = rng();
  return frame;
}

// Random values in each control's range, not the defaults.
QuorlinSettings RandomSettings(std::mt19937& rng) {
  QuorlinSettings settings;
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    const QuorlinControl& c = *quorlin_control(id);
    *quorlin_setting(&settings, id) = std::uniform_int_distribution(c.minimum, c.maximum)(rng);
  }
  return settings;
}

// The quorlin command's path for a PNG picture.
Rgba LibraryFrame(Rgba frame, int width, int height, const QuorlinSettings& settings) {
  std::vector<QuorlinPixel> pixels(frame.size());
  const QuorlinFrame yc{pixels.data(), width, height, width};
  auto* rgba = reinterpret_cast<uint8_t*>(frame.data());
  EXPECT_EQ(quorlin_rgb_to_yc(rgba, width * 4, 4, &yc, nullptr), QUORLIN_OK);
  EXPECT_EQ(quorlin_sharpen(&yc, &settings), QUORLIN_OK);
  EXPECT_EQ(quorlin_yc_to_rgb(&yc, rgba, width * 4, 4, nullptr), QUORLIN_OK);
  return frame;
}

class Frei0rPlugin : public ::testing::Test {
 protected:
  void SetUp() override { Load(); }
  void TearDown() override {
    if (handle_) dlclose(handle_);
  }

  void Load() {
    handle_ = dlopen(QUORLIN_FREI0R_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
    init_ = Lookup<decltype(f0r_init)>("f0r_init");
    deinit_ = Lookup<decltype(f0r_deinit)>("f0r_deinit");
    plugin_info_ = Lookup<decltype(f0r_get_plugin_info)>("f0r_get_plugin_info");
    param_info_ = Lookup<decltype(f0r_get_param_info)>("f0r_get_param_info");
    construct_ = Lookup<decltype(f0r_construct)>("f0r_construct");
    destruct_ = Lookup<decltype(f0r_destruct)>("f0r_destruct");
    set_ = Lookup<decltype(f0r_set_param_value)>("f0r_set_param_value");
    get_ = Lookup<decltype(f0r_get_param_value)>("f0r_get_param_value");
    update_ = Lookup<decltype(f0r_update)>("f0r_update");
    ASSERT_TRUE(init_ && deinit_ && plugin_info_ && param_info_ && construct_ && destruct_ && set_ && get_ && update_);
    ASSERT_EQ(init_(), 1);
  }

  template <typename F>
  F* Lookup(const char* name) {
    auto* f = reinterpret_cast<F*>(dlsym(handle_, name));
    EXPECT_NE(f, nullptr) << name;
    return f;
  }

  double Get(f0r_instance_t instance, int id) {
    double value = -1;
    get_(instance, &value, id);
    return value;
  }
  void Set(f0r_instance_t instance, int id, double value) { set_(instance, &value, id); }

  // Sets every parameter to the double that maps onto the setting, off by up
  // to 0.45 of a step, as a host's slider might be.
  void SetAll(f0r_instance_t instance, QuorlinSettings settings, std::mt19937& rng) {
    for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
      const QuorlinControl& c = *quorlin_control(id);
      const double off = std::uniform_real_distribution(-0.45, 0.45)(rng);
      Set(instance, id, (*quorlin_setting(&settings, id) - c.minimum + off) / Steps(c));
    }
  }

  Rgba Update(f0r_instance_t instance, const Rgba& in) {
    Rgba out(in.size());
    update_(instance, 0.0, in.data(), out.data());
    return out;
  }

  void* handle_ = nullptr;
  decltype(&f0r_init) init_;
  decltype(&f0r_deinit) deinit_;
  decltype(&f0r_get_plugin_info) plugin_info_;
  decltype(&f0r_get_param_info) param_info_;
  decltype(&f0r_construct) construct_;
  decltype(&f0r_destruct) destruct_;
  decltype(&f0r_set_param_value) set_;
  decltype(&f0r_get_param_value) get_;
  decltype(&f0r_update) update_;
};

TEST_F(Frei0rPlugin, IsAnRgbaFilterWithTheLibrarysControls) {
  f0r_plugin_info_t info{};
  plugin_info_(&info);
  EXPECT_STREQ(info.name, "quorlin");
  EXPECT_EQ(info.plugin_type, F0R_PLUGIN_TYPE_FILTER);
  EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
  EXPECT_EQ(info.frei0r_version, FREI0R_MAJOR_VERSION);
  EXPECT_EQ(info.num_params, QUORLIN_CONTROL_COUNT);
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    const QuorlinControl& c = *quorlin_control(id);
    f0r_param_info_t param{};
    param_info_(&param, id);
    EXPECT_STREQ(param.name, c.option);
    EXPECT_EQ(param.type, c.is_switch ? F0R_PARAM_BOOL : F0R_PARAM_DOUBLE) << c.option;
    EXPECT_EQ(std::string(param.explanation).rfind(c.description, 0), 0u) << param.explanation;
  }
  for (const char* hidden : {"quorlin_sharpen", "quorlin_rgb_to_yc", "quorlin_control"})
    EXPECT_EQ(dlsym(handle_, hidden), nullptr) << hidden;
}

TEST_F(Frei0rPlugin, ParametersStartAtTheDefaultsAndTakeEveryStep) {
  f0r_instance_t instance = construct_(640, 480);
  ASSERT_NE(instance, nullptr);
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    const QuorlinControl& c = *quorlin_control(id);
    EXPECT_NEAR(c.minimum + Get(instance, id) * Steps(c), c.default_value, 1e-9) << c.option;
    for (int step = 0; step <= Steps(c); ++step) {
      for (double off : {-0.49, 0.0, 0.49}) {
        Set(instance, id, (step + off) / Steps(c));
        ASSERT_EQ(Get(instance, id), step / double(Steps(c))) << c.option << " " << step + off;
      }
    }
  }
  destruct_(instance);
}

// What a host passes is never trusted: NaN changes nothing, doubles outside
// [0, 1] clamp; indices outside, null pointers and empty frames are ignored.
TEST_F(Frei0rPlugin, NothingAHostPassesCanHurtIt) {
  f0r_instance_t instance = construct_(8, 8);
  ASSERT_NE(instance, nullptr);
  for (int id = 0; id < QUORLIN_CONTROL_COUNT; ++id) {
    const double initial = Get(instance, id);
    Set(instance, id, kNaN);
    EXPECT_EQ(Get(instance, id), initial);
    // NaN keeps the value the parameter has, not its default.
    const double moved = initial == 1.0 ? 0.0 : 1.0;
    Set(instance, id, moved);
    Set(instance, id, kNaN);
    EXPECT_EQ(Get(instance, id), moved) << quorlin_control(id)->option;
    for (double low : {-1e-9, -3.0, -kInfinity}) {
      Set(instance, id, low);
      EXPECT_EQ(Get(instance, id), 0.0) << low;
    }
    for (double high : {1.0 + 1e-9, 7.0, 1e300, kInfinity}) {
      Set(instance, id, high);
      EXPECT_EQ(Get(instance, id), 1.0) << high;
    }
    set_(instance, nullptr, id);
    get_(instance, nullptr, id);
    Set(nullptr, id, 0.5);
    EXPECT_EQ(Get(nullptr, id), -1.0);
  }
  for (int outside : {-1, int{QUORLIN_CONTROL_COUNT}, std::numeric_limits<int>::min()}) {
    Set(instance, outside, 0.5);
    EXPECT_EQ(Get(instance, outside), -1.0);
    f0r_param_info_t param{"untouched", 99, nullptr};
    param_info_(&param, outside);
    EXPECT_STREQ(param.name, "untouched");
  }
  plugin_info_(nullptr);
  param_info_(nullptr, 0);

  const Rgba in(64, 0x80808080u), untouched(64, 0xdeadbeefu);
  Rgba out = untouched;
  update_(instance, 0.0, nullptr, out.data());
  update_(nullptr, 0.0, in.data(), out.data());
  update_(instance, 0.0, in.data(), nullptr);
  EXPECT_EQ(out, untouched);
  destruct_(instance);
  destruct_(nullptr);
  for (const auto& [width, height] : {std::pair{0u, 0u}, std::pair{0u, 8u}, std::pair{8u, 0u}}) {
    instance = construct_(width, height);
    ASSERT_NE(instance, nullptr);
    update_(instance, 0.0, in.data(), out.data());
    EXPECT_EQ(out, untouched) << width << "x" << height;
    destruct_(instance);
  }
}

// With 1 and 3 worker threads: the conversions run in bands of rows.
TEST_F(Frei0rPlugin, FramesAreTheLibrarysOnTheSameRgbAtAnySize) {
  std::mt19937 rng(15);
  bool changed = false;
  const int threads = omp_get_max_threads();
  for (const auto& [width, height] : {std::pair{1, 1}, {3, 2}, {7, 5}, {1, 33}, {71, 45}, {640, 480}}) {
    omp_set_num_threads(width % 2 ? 3 : 1);
    f0r_instance_t instance = construct_(width, height);
    ASSERT_NE(instance, nullptr);
    QuorlinSettings settings;
    quorlin_default_settings(&settings, QUORLIN_API_VERSION);
    for (int frame = 0; frame < 3; ++frame) {
      SCOPED_TRACE(testing::Message() << width << "x" << height << " frame " << frame);
      const Rgba in = RandomFrame(rng, width, height);
      const Rgba want = LibraryFrame(in, width, height, settings);
      EXPECT_TRUE(Update(instance, in) == want);
      Rgba in_place = in;
      update_(instance, 0.0, in_place.data(), in_place.data());
      EXPECT_TRUE(in_place == want);
      changed |= want != in;
      settings = RandomSettings(rng);
      SetAll(instance, settings, rng);
    }
    destruct_(instance);
  }
  omp_set_num_threads(threads);
  EXPECT_TRUE(changed);
}

// Each instance keeps its own settings and frame while others run.
TEST_F(Frei0rPlugin, InstancesRunAtOnceOnSeveralThreads) {
  constexpr int kWidth = 160, kHeight = 120;
  std::vector<std::thread> hosts;
  std::vector<int> mismatches(3);
  for (int h = 0; h < 3; ++h) {
    hosts.emplace_back([&, h] {
      std::mt19937 rng(h);
      f0r_instance_t instance = construct_(kWidth, kHeight);
      const QuorlinSettings settings = RandomSettings(rng);
      SetAll(instance, settings, rng);
      for (int frame = 0; frame < 20; ++frame) {
        const Rgba in = RandomFrame(rng, kWidth, kHeight);
        mismatches[h] += Update(instance, in) != LibraryFrame(in, kWidth, kHeight, settings);
      }
      destruct_(instance);
    });
  }
  for (std::thread& host : hosts) host.join();
  EXPECT_EQ(mismatches, std::vector<int>(3, 0));
}

// The OpenMP workers of the first load outlive a dlclose: the module must
// stay mapped, and a second load must find it working.
TEST_F(Frei0rPlugin, WorksAgainAfterTheHostUnloadsIt) {
  std::mt19937 rng(8);
  const Rgba in = RandomFrame(rng, 64, 48);
  QuorlinSettings settings;
  quorlin_default_settings(&settings, QUORLIN_API_VERSION);
  const Rgba want = LibraryFrame(in, 64, 48, settings);
  for (int load = 0; load < 3; ++load) {
    f0r_instance_t instance = construct_(64, 48);
    EXPECT_TRUE(Update(instance, in) == want) << "load " << load;
    destruct_(instance);
    deinit_();
    ASSERT_EQ(dlclose(handle_), 0);
    void* still_loaded = dlopen(QUORLIN_FREI0R_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(still_loaded, nullptr) << "dlclose unmapped the module";
    dlclose(still_loaded);
    Load();
  }
}

}  // namespace

// An instance as the module makes one, with a counting allocator: after the
// first frame, frames at any settings allocate nothing and are the library's.
TEST(Frei0rInstance, SteadyFramesAllocateNothing) {
  constexpr int kWidth = 1920, kHeight = 1080;
  CountingAllocator counting;
  {
    quorlin::frei0r::Instance instance(kWidth, kHeight, &counting.hooks);
    ASSERT_NE(instance.filter, nullptr);
    std::mt19937 rng(20);
    const Rgba in = RandomFrame(rng, kWidth, kHeight);
    int first_frame_calls = 0;
    for (int frame = 0; frame < 8; ++frame) {
      // The first frame takes the most memory: all three channels, radius 10.
      instance.Set(QUORLIN_RADIUS, frame == 0 ? 1.0 : frame / 9.0);
      instance.Set(QUORLIN_LUMA_ONLY, frame % 2 == 1 ? 1.0 : 0.0);
      instance.Set(QUORLIN_INTERLACE, frame == 0 || frame % 3 == 1 ? 1.0 : 0.0);
      Rgba out = in;
      instance.Sharpen(reinterpret_cast<uint8_t*>(out.data()));
      if (frame == 0) first_frame_calls = counting.calls;
      QuorlinSettings settings = instance.settings;
      settings.allocator = nullptr;
      ASSERT_TRUE(out == LibraryFrame(in, kWidth, kHeight, settings)) << "frame " << frame;
    }
    EXPECT_EQ(first_frame_calls, 3);  // the object, its workspace and the workspace's memory
    EXPECT_EQ(counting.calls, first_frame_calls);
  }
  EXPECT_EQ(counting.live, 0);
}
