// Corvane's classic stage lines run through the adapter on the real sox, measured against what
// the classic effects did.

#include <cmath>
#include <complex>
#include <cstdio>
#include <functional>

#include <gtest/gtest.h>

#include "tests/support/test_run.h"
#include "tests/support/test_sound.h"

namespace {

using Args = std::vector<std::string>;
using Complex = std::complex<double>;

const Args kEnv = {"PATH=" LIBEXEC_DIR ":" REAL_SOX_DIR};
const double kLsb = 1.0 / 32768;
const double kAmplitude = 0.5;

// What the stage `sox -t type - -t type - effect...` makes of a 1.5 s sine of hz sampled at rate,
// piped in from sox as Corvane does; empty when the stage fails.
std::vector<double> stage_of_tone(const std::string &type, int rate, double hz,
                                  const Args &effect) {
  std::string dir = scratch_dir(), out = dir + "/out." + type, raw = dir + "/out.raw";
  // The rate goes before -n: given after it, sox would make the tone at 48 kHz and resample it.
  std::string r = std::to_string(rate);
  Args tone = {REAL_SOX_DIR "/sox", "-r", r, "-c", "1", "-n", "-b", "16", "-t", type, "-"};
  Args synth = {"synth", "1.5", "sine", std::to_string(hz), "vol", std::to_string(kAmplitude)};
  tone.insert(tone.end(), synth.begin(), synth.end());
  Args stage = {LIBEXEC_DIR "/sox", "-t", type, "-", "-t", type, "-"};
  stage.insert(stage.end(), effect.begin(), effect.end());
  Ran ran = run_piped(tone, stage, kEnv, out);
  EXPECT_EQ(ran.status, 0) << ran.err;
  if (ran.status != 0) return {};
  Ran raw_copy = run(REAL_SOX_DIR "/sox", {"sox", "-t", type, out, "-t", "s16", raw}, kEnv, "", "");
  EXPECT_EQ(raw_copy.status, 0) << raw_copy.err;
  return read_s16(raw);
}

// The stage's gain in dB for a steady tone, past the filter's settling.
double stage_gain(const std::string &type, int rate, double hz, const Args &effect) {
  std::vector<double> out = stage_of_tone(type, rate, hz, effect);
  if (out.size() < static_cast<size_t>(rate)) return NAN;
  return decibels(rms(out, rate / 5, rate) / (kAmplitude / std::sqrt(2.0)));
}

// Gains of the classic one-pole filters and band resonator (y = A x - B y' - C y'').
double classic_lowp(double fc, double f, double rate) {
  double x = std::exp(-2 * M_PI * fc / rate);
  Complex z = std::polar(1.0, -2 * M_PI * f / rate);
  return decibels((1 - x) / std::abs(1.0 - x * z));
}

double classic_highp(double fc, double f, double rate) {
  double x = std::exp(-2 * M_PI * fc / rate);
  Complex z = std::polar(1.0, -2 * M_PI * f / rate);
  return decibels((1 + x) / 2 * std::abs(1.0 - z) / std::abs(1.0 - x * z));
}

double classic_band(double c, double w, double f, double rate) {
  double C = std::exp(-2 * M_PI * w / rate);
  double B = -4 * C / (1 + C) * std::cos(2 * M_PI * c / rate);
  double A = std::sqrt(1 - B * B / (4 * C)) * (1 - C);
  Complex z = std::polar(1.0, -2 * M_PI * f / rate);
  return decibels(A / std::abs(1.0 + B * z + C * z * z));
}

// The frequency between lo and hi where a falling or rising gain passes -3 dB.
double minus_3db(const std::function<double(double)> &gain, double lo, double hi) {
  bool rising = gain(hi) > gain(lo);
  for (int i = 0; i < 10; ++i) {
    double mid = std::sqrt(lo * hi);
    ((gain(mid) > -3) == rising ? hi : lo) = mid;
  }
  return std::sqrt(lo * hi);
}

TEST(ClassicStages, EchoRepeatsAtEachDelayWithEachPowerOfTheVolume) {
  // One click, then silence: each repeat of the classic echo is a copy of the click.
  std::string dir = scratch_dir();
  std::vector<double> click(8000 * 2 / 10);
  click[400] = kAmplitude;
  write_s16(dir + "/in.sw", click);
  Ran ran =
      run(LIBEXEC_DIR "/sox", {"sox", "-t", "sw", "-", "-t", "sw", "-", "echo", "0.150", "0.500 "},
          kEnv, dir + "/in.sw", dir + "/out.sw");
  ASSERT_EQ(ran.status, 0) << ran.err;
  std::vector<double> out = read_s16(dir + "/out.sw");
  ASSERT_EQ(out.size(), click.size() + 7 * 1200);  // rings out for seven repeats
  double direct = out[400];
  EXPECT_NEAR(direct, kAmplitude / 1.9921875, 2 * kLsb);  // gain-out 1 / (1 + 0.5 + ... + 0.5^7)
  for (int k = 1; k <= 7; ++k) {
    double level = out[400 + 1200 * k];
    std::printf("[measured] echo repeat %d at %.3f s: %.5f of the direct sound (classic %.5f)\n", k,
                k * 0.150, level / direct, std::pow(0.5, k));
    EXPECT_NEAR(level, direct * std::pow(0.5, k), 2 * kLsb) << "repeat " << k;
    out[400 + 1200 * k] = 0;
  }
  out[400] = 0;
  for (size_t i = 0; i < out.size(); ++i) ASSERT_LE(std::fabs(out[i]), 2 * kLsb) << "at " << i;
}

TEST(ClassicStages, EchoCannotClip) {
  std::string dir = scratch_dir();
  std::vector<double> loud(8000, 0.999);
  for (size_t i = 0; i < loud.size(); i += 2) loud[i] = -0.999;
  write_s16(dir + "/in.sw", loud);
  Ran ran =
      run(LIBEXEC_DIR "/sox", {"sox", "-t", "sw", "-", "-t", "sw", "-", "echo", "0.001", "1.000 "},
          kEnv, dir + "/in.sw", dir + "/out.sw");
  ASSERT_EQ(ran.status, 0);
  EXPECT_EQ(ran.err.find("clip"), std::string::npos) << ran.err;
}

TEST(ClassicStages, VibroSwingsBetweenOneMinusDepthAndOneAtItsSpeed) {
  // A 1 kHz sine at 8 kHz peaks once in every 8 samples: those peaks trace the gain.
  std::vector<double> out = stage_of_tone("sw", 8000, 1000, {"vibro", "5", "0.600 "});
  ASSERT_GE(out.size(), 12000u);
  std::vector<double> gain;
  for (size_t i = 0; i + 8 <= 12000; i += 8) {
    double peak = 0;
    for (size_t j = i; j < i + 8; ++j) peak = std::max(peak, std::fabs(out[j]) / kAmplitude);
    gain.push_back(peak);
  }
  double low = *std::min_element(gain.begin(), gain.end());
  double high = *std::max_element(gain.begin(), gain.end());
  std::vector<size_t> rises;  // where the gain rises through its middle
  for (size_t i = 1; i < gain.size(); ++i)
    if (gain[i - 1] < (low + high) / 2 && gain[i] >= (low + high) / 2) rises.push_back(i);
  ASSERT_GE(rises.size(), 3u);
  double hz = 1000.0 * static_cast<double>(rises.size() - 1) /
              static_cast<double>(rises.back() - rises.front());
  std::printf("[measured] vibro 5 0.600: gain %.4f..%.4f, %.3f Hz\n", low, high, hz);
  EXPECT_NEAR(low, 0.4, 0.005);
  EXPECT_NEAR(high, 1.0, 0.005);
  EXPECT_NEAR(hz, 5.0, 0.03);
}

TEST(ClassicStages, OnePoleFiltersMatchTheClassicOnes) {
  for (int rate : {44100, 8000}) {
    for (double f : {2030.0 / 4, 2030.0, 2030.0 * 1.8}) {
      EXPECT_NEAR(stage_gain("wav", rate, f, {"lowp", "2030 "}), classic_lowp(2030, f, rate), 0.05)
          << f << " Hz at " << rate;
      EXPECT_NEAR(stage_gain("au", rate, f, {"highp", "2030 "}), classic_highp(2030, f, rate), 0.05)
          << f << " Hz at " << rate;
    }
    double low = minus_3db(
        [&](double f) {
          return stage_gain("wav", rate, f, {"lowp", "2030 "});
        },
        500, 3900);
    double high = minus_3db(
        [&](double f) {
          return stage_gain("au", rate, f, {"highp", "2030 "});
        },
        500, 3900);
    std::printf(
        "[measured] at %d Hz: lowp 2030 is %.2f dB at 2030 Hz, -3 dB at %.0f Hz; "
        "highp 2030 is %.2f dB at 2030 Hz, -3 dB at %.0f Hz\n",
        rate, stage_gain("wav", rate, 2030, {"lowp", "2030 "}), low,
        stage_gain("au", rate, 2030, {"highp", "2030 "}), high);
    EXPECT_NEAR(classic_lowp(2030, low, rate), -3, 0.05);
    EXPECT_NEAR(classic_highp(2030, high, rate), -3, 0.05);
  }
}

TEST(ClassicStages, BandMatchesTheClassicResonator) {
  for (int rate : {8000, 44100}) {
    for (double f : {2030.0, 1000.0, 3000.0}) {
      double gain = stage_gain("au", rate, f, {"band", "2030", "3490 "});
      if (f == 2030)
        std::printf("[measured] band 2030 3490 at %d Hz: centre gain %.2f dB (classic %.2f)\n",
                    rate, gain, classic_band(2030, 3490, f, rate));
      EXPECT_NEAR(gain, classic_band(2030, 3490, f, rate), 0.05) << f << " Hz at " << rate;
    }
  }
}

TEST(ClassicStages, SettingsTodaysSoxRefusesStillWork) {
  // 0 Hz: the classic low-pass is silent, the high-pass passes all; no width is silence too.
  EXPECT_LT(stage_gain("au", 8000, 440, {"lowp", "0 "}), -80);
  EXPECT_LT(stage_gain("au", 8000, 440, {"band", "2030", "0 "}), -80);
  for (const Args &same :
       {Args{"highp", "0 "}, Args{"vibro", "5", "0.000 "}, Args{"echo", "0.150", "0.000 "}})
    EXPECT_NEAR(stage_gain("au", 8000, 440, same), 0, 0.01) << same[0];
  // Above half the rate (read from the piped header): as high as today's filters go.
  EXPECT_NEAR(stage_gain("au", 8000, 1000, {"lowp", "6000 "}), classic_lowp(3999, 1000, 8000),
              0.05);
  EXPECT_NEAR(stage_gain("wav", 8000, 1000, {"band", "6000", "3490 "}),
              classic_band(3999, 3490, 1000, 8000), 0.05);
  EXPECT_FALSE(stage_of_tone("au", 8000, 440, {"vibro", "0", "0.600 "}).empty());
  EXPECT_FALSE(stage_of_tone("au", 96000, 440, {"echo", "10.000", "0.500 "}).empty());
}

}  // namespace
