// The correctly rounded functions of compute/maths against the C library's on
// the same arguments: angles within 8 pi, ratios and pairs of the size the
// fault models produce. ns per call is the time per iteration / 4096.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "compute/maths.h"

namespace dipview {
namespace {

constexpr int kCount = 4096;

std::vector<double> Arguments(double lo, double hi, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> d(lo, hi);
  std::vector<double> v(kCount);
  for (double& x : v) {
    x = d(rng);
  }
  return v;
}

const std::vector<double>& Angles() {
  static const std::vector<double> v = Arguments(-8 * 3.141592653589793, 8 * 3.141592653589793, 1);
  return v;
}

const std::vector<double>& Values() {
  static const std::vector<double> v = Arguments(-10.0, 10.0, 2);
  return v;
}

const std::vector<double>& Others() {
  static const std::vector<double> v = Arguments(-10.0, 10.0, 3);
  return v;
}

template <double (*F)(double)>
void Unary(benchmark::State& state, const std::vector<double>& args) {
  for (auto _ : state) {
    double sum = 0;
    for (double x : args) {
      sum += F(x);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

template <double (*F)(double, double)>
void Binary(benchmark::State& state) {
  const std::vector<double>& a = Values();
  const std::vector<double>& b = Others();
  for (auto _ : state) {
    double sum = 0;
    for (int i = 0; i < kCount; ++i) {
      sum += F(a[i], b[i]);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}

double LibSin(double x) {
  return std::sin(x);
}
double LibCos(double x) {
  return std::cos(x);
}
double LibAtan(double x) {
  return std::atan(x);
}
double LibAtan2(double y, double x) {
  return std::atan2(y, x);
}
double LibHypot(double x, double y) {
  return std::hypot(x, y);
}

void BM_Sin(benchmark::State& s) {
  Unary<maths::Sin>(s, Angles());
}
void BM_LibSin(benchmark::State& s) {
  Unary<LibSin>(s, Angles());
}
void BM_Cos(benchmark::State& s) {
  Unary<maths::Cos>(s, Angles());
}
void BM_LibCos(benchmark::State& s) {
  Unary<LibCos>(s, Angles());
}
void BM_Atan(benchmark::State& s) {
  Unary<maths::Atan>(s, Values());
}
void BM_LibAtan(benchmark::State& s) {
  Unary<LibAtan>(s, Values());
}
void BM_Atan2(benchmark::State& s) {
  Binary<maths::Atan2>(s);
}
void BM_LibAtan2(benchmark::State& s) {
  Binary<LibAtan2>(s);
}
void BM_Hypot(benchmark::State& s) {
  Binary<maths::Hypot>(s);
}
void BM_LibHypot(benchmark::State& s) {
  Binary<LibHypot>(s);
}

BENCHMARK(BM_Sin);
BENCHMARK(BM_LibSin);
BENCHMARK(BM_Cos);
BENCHMARK(BM_LibCos);
BENCHMARK(BM_Atan);
BENCHMARK(BM_LibAtan);
BENCHMARK(BM_Atan2);
BENCHMARK(BM_LibAtan2);
BENCHMARK(BM_Hypot);
BENCHMARK(BM_LibHypot);

}  // namespace
}  // namespace dipview

BENCHMARK_MAIN();
