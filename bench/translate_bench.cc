// Throughput of the translation pass on generated scripts.
#include <benchmark/benchmark.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "driver/state.h"
#include "symbols/declarations.h"
#include "translator/translator.h"

namespace zunt {
namespace {

std::string Join(std::initializer_list<std::string_view> parts) {
  std::string joined;
  for (std::string_view part : parts) joined += part;
  return joined;
}

// Declarations of 1000 variables V0..V999 and 100 constants C0..C99.
std::string Declarations() {
  std::string text;
  for (int i = 0; i < 1000; ++i) {
    std::string n = std::to_string(i);
    text += Join({"V", n, " = y", n, "\r\n"});
  }
  for (int i = 0; i < 100; ++i) {
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

void Translate(benchmark::State& bench, const std::string& script) {
  std::string declarations = Declarations();
  for (auto _ : bench) {
    TState state;
    state.LoadIntoCursor(declarations);
    ReadDeclarations(state.Cursor, state.GlobalVars, state.Constants);
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

}  // namespace
}  // namespace zunt

BENCHMARK_MAIN();
