// Throughput of the translation pass on generated scripts.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "symbols/declarations.h"
#include "translator/state.h"
#include "translator/translator.h"

namespace zunt {
namespace {

std::string Join(std::initializer_list<std::string_view> parts) {
  std::string joined;
  for (std::string_view part : parts) joined += part;
  return joined;
}

// Declarations of variables V0, V1, ... and constants C0, C1, ...
std::string Declarations(int variables = 1000, int constants = 100) {
  std::string text;
  for (int i = 0; i < variables; ++i) {
    std::string n = std::to_string(i);
    text += Join({"V", n, " = y", n, "\r\n"});
  }
  for (int i = 0; i < constants; ++i) {
    std::string n = std::to_string(i);
    text += Join({"(C", n, ") = 'text ", n, "'\r\n"});
  }
  return text;
}

// A script of about 8 MB made of lines line(0), line(1), ...
template <class TLine>
std::string Script(TLine line) {
  std::string script;
  for (int i = 0; script.size() < (8 << 20); ++i) script += line(std::to_string(i % 100));
  return script;
}

void Translate(benchmark::State& bench, const std::string& script,
               const std::string& declarations = Declarations()) {
  for (auto _ : bench) {
    TState state;
    state.LoadIntoCursor(declarations);
    ReadDeclarations(state.Cursor, state.Vars, state.Constants);
    state.LoadIntoCursor(script);
    state.Output.Reserve(script.size() + script.size() / 4);
    TranslateScript(state);
    benchmark::DoNotOptimize(state.Output.View().data());
  }
  bench.SetBytesProcessed(static_cast<int64_t>(bench.iterations()) *
                          static_cast<int64_t>(script.size()));
}

void BM_PlainText(benchmark::State& bench) {
  Translate(bench, Script([](const std::string&) {
              return "!!VRy1:S5; an ordinary line of script text, with no references\r\n";
            }));
}
BENCHMARK(BM_PlainText)->Unit(benchmark::kMillisecond);

void BM_References(benchmark::State& bench) {
  Translate(bench, Script([](const std::string& n) {
              return Join({"!!VR$V", n, "$:S@V", n, "[2]@; !!IF:M^(C", n, ")^;\r\n"});
            }));
}
BENCHMARK(BM_References)->Unit(benchmark::kMillisecond);

void BM_Compact(benchmark::State& bench) {
  Translate(bench, Script([](const std::string& n) {
              return Join({"`!!VR $V", n, "$ : S 1 ;\r\n  !!IF : M ^ok^ ;`\r\n"});
            }));
}
BENCHMARK(BM_Compact)->Unit(benchmark::kMillisecond);

void BM_Locals(benchmark::State& bench) {
  Translate(bench, Script([](const std::string& n) {
              return Join({"~T=y", n, ";\r\n!!VR$T$:S1;\r\n~~\r\n"});
            }));
}
BENCHMARK(BM_Locals)->Unit(benchmark::kMillisecond);

// A reference about every 18 bytes to 10,000 variables and 1,000 constants,
// in an order that defeats the cache.
void BM_Dense(benchmark::State& bench) {
  uint32_t seed = 1;
  auto next = [&seed](uint32_t below) {
    seed = seed * 1103515245u + 12345u;
    return std::to_string((seed >> 8) % below);
  };
  std::string script;
  while (script.size() < (8 << 20)) {
    script += Join({"!!VR:$V", next(10000), "$ @V", next(10000), "@;(C", next(1000), ") $V",
                    next(10000), "[2]$\r\n"});
  }
  Translate(bench, script, Declarations(10000, 1000));
}
BENCHMARK(BM_Dense)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zunt

BENCHMARK_MAIN();
