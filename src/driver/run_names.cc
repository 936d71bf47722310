// Several names in one run: each with the settings of its mod, the shared
// declarations read once, the names spread over threads and their reports
// handed on in the order of the names.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <numeric>
#include <optional>
#include <thread>
#include <utility>

#include "base/cp1251.h"
#include "driver/driver.h"
#include "project/project.h"

namespace zunt {
namespace {

// Keeps a name's reports until the names before it have handed theirs on.
class TRecorded final : public TReporter {
 public:
  void Report(const TFail& report) override { Reports.push_back(report); }
  void Translated(const std::string& script, const std::string& output) override {
    Done = std::make_pair(script, output);
  }
  /// Hands everything on, in the order it came.
  void ReplayTo(TReporter& reporter) const {
    for (const TFail& report : Reports) reporter.Report(report);
    if (Done) reporter.Translated(Done->first, Done->second);
  }

 private:
  std::vector<TFail> Reports;
  std::optional<std::pair<std::string, std::string>> Done;
};

using TJob = TPlannedNames::TName;

// Returns the options of a name in the project (none: no settings file).
TRunOptions MergedOptions(const TRunOptions& options, const TProject* project) {
  TRunOptions merged = options;
  if (!project) return merged;
  merged.Includes = project->Includes;
  merged.Includes.insert(merged.Includes.end(), options.Includes.begin(), options.Includes.end());
  if (project->Output && options.Output.empty()) merged.OutputFolder = *project->Output;
  if (project->Strict && !options.StrictGiven) merged.Strict = *project->Strict;
  if (project->Warnings && !options.WarningsGiven) merged.Warnings = *project->Warnings;
  merged.Wanted = project->Wanted.With(options.Wanted, options.WantedGiven);
  // Strict without looking for warnings would have nothing to be strict about.
  if (merged.Strict && project->Strict && !project->Warnings && !options.WarningsGiven) {
    merged.Warnings = true;
  }
  return merged;
}

// Returns the settings file of a name: given, none, or the nearest one.
std::string ProjectFileOf(TPlatform& platform, const std::string& name, const TRunOptions& options,
                          std::map<std::string, std::string>& found, TDiagnostics& reports) {
  if (options.NoProject) return {};
  if (!options.Project.empty()) return options.Project;
  std::string_view separators = platform.PathSeparators();
  size_t end = name.find_last_of(separators);
  std::string folder = end == std::string::npos ? "" : name.substr(0, end + 1);
  auto it = found.find(folder);
  if (it == found.end()) it = found.emplace(folder, FindProjectFile(platform, name, reports)).first;
  return it->second;
}

// Returns a file name folded to lower case, for comparing paths loosely.
std::string FoldedFileName(const TPlatform& platform, std::string_view path) {
  std::string name(FileNamePart(path, platform.PathSeparators()));
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

// Groups the jobs that must run one after another, in their order: those
// whose outputs may be the same file, or one's output another's input. Paths
// are compared by their file names alone, which errs on the safe side.
std::vector<std::vector<size_t>> Chains(const TPlatform& platform, const std::vector<TJob>& jobs) {
  std::vector<size_t> group(jobs.size());
  std::iota(group.begin(), group.end(), 0);
  auto root = [&](size_t i) {
    while (group[i] != i) i = group[i] = group[group[i]];
    return i;
  };
  std::map<std::string, size_t> writer;               // an output's file name: its first job
  std::map<std::string, std::vector<size_t>> reader;  // an input's file name: its jobs
  std::vector<std::string> outputs;
  for (size_t i = 0; i < jobs.size(); ++i) {
    std::string base(StripExtension(jobs[i].Name, platform.PathSeparators()));
    outputs.push_back(FoldedFileName(platform, OutputPath(platform, base, *jobs[i].Options)));
    auto [at, added] = writer.emplace(outputs[i], i);
    if (!added) group[root(i)] = root(at->second);
    for (const char* extension : {".txt", ".erm"}) {
      reader[FoldedFileName(platform, base + extension)].push_back(i);
    }
  }
  for (size_t i = 0; i < jobs.size(); ++i) {
    auto it = reader.find(outputs[i]);
    if (it == reader.end()) continue;
    for (size_t j : it->second) group[root(j)] = root(i);
  }
  std::map<size_t, size_t> chainOf;
  std::vector<std::vector<size_t>> chains;
  for (size_t i = 0; i < jobs.size(); ++i) {
    auto [at, added] = chainOf.emplace(root(i), chains.size());
    if (added) chains.emplace_back();
    chains[at->second].push_back(i);
  }
  return chains;
}

// The status of a job that ran out of memory even for its report.
constexpr int kOutOfMemory = 2;

// Runs the jobs, `threads` at a time, handing each job's reports on in order.
int RunJobs(TPlatform& platform, const std::vector<TJob>& jobs, size_t threads,
            TReporter& reporter) {
  // Made while memory is plenty, for when it is not.
  static const TFail outOfMemory(Win1251("Недостаточно памяти для компиляции!"));
  if (threads <= 1 || jobs.size() == 1) {
    // One at a time: each name's reports go straight on.
    int exit = 0;
    for (const TJob& job : jobs) {
      if (RunName(platform, job.Name, *job.Options, job.Shared, reporter) != 0) exit = 1;
    }
    return exit;
  }
  std::vector<std::vector<size_t>> chains = Chains(platform, jobs);
  std::vector<TRecorded> recorded(jobs.size());
  std::vector<int> status(jobs.size(), -1);
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t c; (c = next.fetch_add(1)) < chains.size();) {
      for (size_t i : chains[c]) {
        int result = kOutOfMemory;
        try {
          result = RunName(platform, jobs[i].Name, *jobs[i].Options, jobs[i].Shared, recorded[i]);
        } catch (const std::bad_alloc&) {
          // Even its report found no memory: said when its turn comes.
        }
        std::lock_guard<std::mutex> lock(mutex);
        status[i] = result;
        finished.notify_all();
      }
    }
  };
  std::vector<std::thread> workers;
  threads = std::min(threads, chains.size());
  try {
    while (workers.size() < threads) workers.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads than asked for: those there, or this one, do the work.
  }
  if (workers.empty()) work();
  int exit = 0;
  for (size_t i = 0; i < jobs.size(); ++i) {
    {
      std::unique_lock<std::mutex> lock(mutex);
      finished.wait(lock, [&] { return status[i] >= 0; });
    }
    recorded[i].ReplayTo(reporter);
    if (status[i] == kOutOfMemory) reporter.Report(outOfMemory);
    if (status[i] != 0) exit = 1;
  }
  for (std::thread& worker : workers) worker.join();
  return exit;
}

}  // namespace

bool PlanNames(TPlatform& platform, const std::vector<std::string>& given,
               const TRunOptions& options, TReporter& reporter, TPlannedNames* plan) {
  TDiagnostics settings;                     // what reading the settings files reported
  std::map<std::string, TProject> projects;  // by the settings file's path
  std::map<std::string, std::string> found;  // a name's folder: its settings file
  std::vector<std::string> names = given;
  std::vector<std::string> projectOf;
  bool failed = false;
  auto readProject = [&](const std::string& file) {
    if (file.empty() || projects.count(file) != 0) return;
    TProject& project = projects[file];
    failed = failed || !ReadProject(platform, file, &project, settings);
  };
  if (names.empty() && options.ScriptsWithoutName) {
    // The project's scripts, each with that project's settings.
    std::string file = ProjectFileOf(platform, "", options, found, settings);
    readProject(file);
    if (!file.empty() && !failed) {
      failed = !ListScripts(platform, projects[file], options.ScriptsFolder, &names, settings);
      projectOf.assign(names.size(), file);
    }
  }
  for (size_t i = projectOf.size(); i < names.size(); ++i) {
    projectOf.push_back(ProjectFileOf(platform, names[i], options, found, settings));
    readProject(projectOf.back());
  }
  for (const TFail& report : settings.Items) {
    // A settings file passed over is warned about unless the command line says no.
    if (report.Warning != TWarning::None &&
        !(options.Warnings && options.Wanted.Has(report.Warning))) {
      continue;
    }
    reporter.Report(report);
  }
  if (failed) return false;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& file = projectOf[i];
    auto it = plan->Options.find(file);
    if (it == plan->Options.end()) {
      const TProject* project = file.empty() ? nullptr : &projects[file];
      it = plan->Options.emplace(file, MergedOptions(options, project)).first;
      plan->Shared[file] = ReadShared(platform, it->second.Includes, it->second.Warnings,
                                      it->second.Wanted, it->second.EveryReference);
    }
    plan->Names.push_back(TJob{names[i], &it->second, plan->Shared[file].get()});
  }
  return true;
}

int RunNames(TPlatform& platform, const std::vector<std::string>& given, const TRunOptions& options,
             TReporter& reporter, bool* withoutName) {
  TPlannedNames plan;
  if (!PlanNames(platform, given, options, reporter, &plan)) return 1;
  if (plan.Names.empty()) {
    if (withoutName) *withoutName = true;
    return RunName(platform, "", options, nullptr, reporter);
  }
  return RunJobs(platform, plan.Names, std::max<size_t>(options.Jobs, 1), reporter);
}

}  // namespace zunt
