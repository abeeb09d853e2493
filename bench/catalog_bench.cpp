// Catalog file speed, each against the plain system calls that move the
// same bytes, measured in the same run:
//   LoadMedium of 1,000,000 entries      vs read() of the block   (target <= 1.5x)
//   StoreScannedMedium of 1,000,000      vs write() + fdatasync   (target <= 1.5x)
//   Optimise moving 1,000,000 entries    vs copying the bytes     (target <= 2x)
// The files live in $FERROVAN_BENCH_DIR (default /tmp); about 500 MB are
// needed. The ratios of the mean times are printed at the end.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "platform/files.h"

namespace {

using fv::Catalog;
constexpr int kEntries = 1000000;
constexpr std::size_t kBytes = static_cast<std::size_t>(kEntries) * sizeof(fv::EntryRecord);

std::string Dir() {
  const char* d = std::getenv("FERROVAN_BENCH_DIR");
  static std::string dir = std::string(d && *d ? d : "/tmp") + "/ferrovan-catalog-bench-" + std::to_string(getpid());
  static bool made = (fv::PosixFileSystem().CreateDirs(dir, *new std::string), true);
  (void)made;
  return dir;
}

const std::vector<std::string>& Names() {
  static std::vector<std::string> names = [] {
    std::vector<std::string> v(kEntries);
    for (int i = 0; i < kEntries; ++i) v[static_cast<std::size_t>(i)] = "file-" + std::to_string(i) + ".dat";
    return v;
  }();
  return names;
}

fv::TMediaInfomation Info() {
  fv::TMediaInfomation info;
  info.Drive = "c";
  info.SerialNo = "1234ABCD";
  return info;
}

bool Store(Catalog& c, int n) {
  const auto& names = Names();
  return c.StoreScannedMedium(
      n,
      [&](int i, fv::ScannedEntry& e) {
        e.Parent = i == 0 ? -1 : 0;
        e.FirstChild = i == 0 ? 1 : -1;
        e.Kind = i == 0 ? fv::kKindFixed : fv::kKindFile;
        e.Name = names[static_cast<std::size_t>(i)];
        e.Size = i;
        e.Time = 0x5A210000u;
        e.ClusterBytes = 4096;
      },
      Info());
}

// ---- LoadMedium ----------------------------------------------------------------

Catalog& LoadCatalogFixture() {
  static Catalog* c = [] {
    auto* cat = new Catalog;
    cat->CreateCatalog(Dir() + "/load.fvd");
    Store(*cat, kEntries);
    Store(*cat, 1);
    return cat;
  }();
  return *c;
}

void BM_LoadMedium(benchmark::State& state) {
  Catalog& c = LoadCatalogFixture();
  for (auto _ : state) {
    state.PauseTiming();
    c.LoadMedium(1);
    state.ResumeTiming();
    if (!c.LoadMedium(0)) state.SkipWithError("LoadMedium failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kBytes));
}

void BM_ReadBaseline(benchmark::State& state) {
  LoadCatalogFixture();
  static std::vector<char>* buf = new std::vector<char>(kBytes + sizeof(fv::EntryRecord));
  const std::string path = Dir() + "/load.fvd";
  for (auto _ : state) {
    int fd = ::open(path.c_str(), O_RDONLY);
    std::size_t got = 0;
    while (got < kBytes) {
      ssize_t r = ::pread(fd, buf->data() + got, kBytes - got, fv::kEntryAreaOffset + static_cast<off_t>(got));
      if (r <= 0) break;
      got += static_cast<std::size_t>(r);
    }
    ::close(fd);
    benchmark::DoNotOptimize(buf->data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kBytes));
}

// ---- StoreScannedMedium -----------------------------------------------------------

void BM_StoreScannedMedium(benchmark::State& state) {
  Names();
  Catalog c;
  for (auto _ : state) {
    state.PauseTiming();
    c.CreateCatalog(Dir() + "/store.fvd");
    state.ResumeTiming();
    if (!Store(c, kEntries)) state.SkipWithError("store failed");
  }
}

void BM_WriteBaseline(benchmark::State& state) {
  std::vector<char> bytes(kBytes, 'x');
  const std::string path = Dir() + "/write.bin";
  for (auto _ : state) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    std::size_t done = 0;
    while (done < kBytes) {
      ssize_t r = ::write(fd, bytes.data() + done, kBytes - done);
      if (r <= 0) break;
      done += static_cast<std::size_t>(r);
    }
    ::fdatasync(fd);
    ::close(fd);
  }
}

// ---- Optimise -----------------------------------------------------------------------

void BM_Optimise(benchmark::State& state) {
  Names();
  Catalog c;
  for (auto _ : state) {
    state.PauseTiming();
    c.CreateCatalog(Dir() + "/optimise.fvd");
    Store(c, 10);
    Store(c, kEntries);
    c.DeleteMedium(0);
    state.ResumeTiming();
    if (!c.Optimise()) state.SkipWithError("optimise failed");
  }
}

void BM_CopyBaseline(benchmark::State& state) {
  const std::string path = Dir() + "/copy.bin";
  {
    std::vector<char> bytes(kBytes + 10 * sizeof(fv::EntryRecord), 'y');
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (::write(fd, bytes.data(), bytes.size()) < 0) state.SkipWithError("write failed");
    ::close(fd);
  }
  std::vector<char> buf(16384 * sizeof(fv::EntryRecord));
  for (auto _ : state) {
    // The same move: 1,000,000 records ten records down, through one buffer.
    int fd = ::open(path.c_str(), O_RDWR);
    const off_t from = 10 * static_cast<off_t>(sizeof(fv::EntryRecord));
    for (std::size_t done = 0; done < kBytes;) {
      const std::size_t n = std::min(buf.size(), kBytes - done);
      if (::pread(fd, buf.data(), n, from + static_cast<off_t>(done)) != static_cast<ssize_t>(n)) break;
      if (::pwrite(fd, buf.data(), n, static_cast<off_t>(done)) != static_cast<ssize_t>(n)) break;
      done += n;
    }
    ::fdatasync(fd);
    ::close(fd);
  }
}

// Collects mean real times to print the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && r.iterations > 0)
        seconds[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

BENCHMARK(BM_ReadBaseline)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_LoadMedium)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_WriteBaseline)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StoreScannedMedium)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CopyBaseline)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Optimise)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto ratio = [&](const char* what, const char* mine, const char* base, double target) {
    auto a = reporter.seconds.find(mine), b = reporter.seconds.find(base);
    if (a == reporter.seconds.end() || b == reporter.seconds.end() || b->second <= 0) return;
    const double r = a->second / b->second;
    std::printf("%-40s %.2fx (target <= %.1fx) %s\n", what, r, target, r <= target ? "ok" : "OVER");
  };
  std::printf("\n");
  ratio("LoadMedium 1,000,000 vs read()", "BM_LoadMedium/iterations:10", "BM_ReadBaseline/iterations:10", 1.5);
  ratio("StoreScannedMedium 1,000,000 vs write()", "BM_StoreScannedMedium/iterations:3",
        "BM_WriteBaseline/iterations:3", 1.5);
  ratio("Optimise moving 1,000,000 vs copy", "BM_Optimise/iterations:3", "BM_CopyBaseline/iterations:3", 2.0);
  std::string ignored;
  fv::PosixFileSystem fs;
  for (const char* f : {"/load.fvd", "/load.lfn", "/store.fvd", "/store.lfn", "/write.bin", "/optimise.fvd",
                        "/optimise.lfn", "/copy.bin"})
    fs.Remove(Dir() + f, ignored);
  ::rmdir(Dir().c_str());
  return 0;
}
