// Duplicate and similar-name detection over 2,000,000 files in 20 media,
// against `LC_ALL=C sort -f NAMES | uniq -di` over the same names, measured
// in the same run, three rounds by default. Prints each round, then the
// medians and their ratios (targets: duplicate detection at most 0.5x,
// similar-name detection at most 1.5x).
//
// usage: dupes_bench [--files N] [--media M] [--rounds R] [--keep DIR] [--only dup|similar [--repeat R]]
//
// The media are served from memory (the catalog's own loading is not what
// is measured); the stores are written to a temporary folder. Besides the
// wall times the CPU times are printed (the baseline's are those of the
// pipeline's processes), which hold steadier on a busy machine.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "dupes/result_store.h"
#include "platform/text.h"

namespace {

using namespace fv;
using namespace fv::dupes;

class MemoryMedia : public MediaSource {
 public:
  explicit MemoryMedia(int media) : table_(kMediaSlots), blocks_(static_cast<std::size_t>(media)) {
    for (auto& m : table_) std::memset(&m, 0, sizeof m);
  }
  std::vector<EntryRecord>& Block(int m) { return blocks_[static_cast<std::size_t>(m)]; }
  MediumRecord& Slot(int m) { return table_[static_cast<std::size_t>(m)]; }

  const MediumRecord& Medium(int m) const override { return table_[static_cast<std::size_t>(m)]; }
  bool LoadMedium(int m) override {
    loaded_ = m;
    return true;
  }
  int LoadedCount() const override { return static_cast<int>(blocks_[static_cast<std::size_t>(loaded_)].size()); }
  const EntryRecord& Entry(int e) const override {
    return blocks_[static_cast<std::size_t>(loaded_)][static_cast<std::size_t>(e)];
  }
  bool LoadedLongName(int, std::string&) const override { return false; }
  std::string FullName(EntryId, std::string_view stored) const override { return std::string(stored); }

 private:
  std::vector<MediumRecord> table_;
  std::vector<std::vector<EntryRecord>> blocks_;
  int loaded_ = -1;
};

// CPU seconds (user + system) of this process, or of its finished children.
double CpuSeconds(int who) {
  rusage u{};
  getrusage(who, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  int files = 2000000, media_count = 20;
  std::string keep, only;
  int repeat = 1, rounds = 3;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--files")) files = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--media")) media_count = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--keep")) keep = argv[i + 1];
    if (!std::strcmp(argv[i], "--only")) only = argv[i + 1];  // dup | similar: skips the rest (profiling)
    if (!std::strcmp(argv[i], "--repeat")) repeat = std::atoi(argv[i + 1]);  // runs of --only
    if (!std::strcmp(argv[i], "--rounds")) rounds = std::max(1, std::atoi(argv[i + 1]));
  }
  char tmpl[] = "/tmp/dupes-bench-XXXXXX";
  std::string dir = keep.empty() ? std::string(mkdtemp(tmpl)) : keep;

  // Names: a word, a separator, another word and a number from a pool half
  // the size of the file count (so most names occur more than once), an
  // extension. A third of the words are Japanese.
  const char* ascii[] = {"IMG", "DSC", "report", "Budget", "photo", "Readme", "setup", "data", "backup", "Music",
                         "track", "video", "notes", "draft", "final", "scan", "invoice", "letter", "memo", "plan"};
  const char* japanese[] = {"写真", "資料", "音楽", "動画", "報告書", "設定", "日記", "ﾃﾞｰﾀ", "旅行", "会議"};
  const char* exts[] = {".jpg", ".txt", ".doc", ".xls", ".mp3", ".pdf", ".png", ".zip", ".c", ".h"};
  const char* seps[] = {"_", "-", " ", "", "(", "."};
  std::vector<std::string> words;
  for (const char* w : ascii) words.push_back(w);
  for (const char* w : japanese) words.push_back(text::Utf8ToCp932(w));

  MemoryMedia media(media_count);
  std::mt19937_64 rng(1);
  const int pool = files / 2;
  const int per_medium = files / media_count;
  std::ofstream names_out(dir + "/NAMES", std::ios::binary);
  for (int m = 0; m < media_count; ++m) {
    MediumRecord& slot = media.Slot(m);
    slot.Name.assign("MEDIUM" + std::to_string(m));
    auto& block = media.Block(m);
    block.resize(static_cast<std::size_t>(per_medium) + 1);
    std::memset(block.data(), 0, block.size() * sizeof(EntryRecord));
    slot.EntryCount = static_cast<std::int32_t>(block.size());
    block[0].Name.assign(slot.Name.view());
    for (int e = 1; e <= per_medium; ++e) {
      std::uint64_t k = rng() % static_cast<std::uint64_t>(pool);
      std::mt19937_64 pick(k);
      std::string name = words[pick() % words.size()];
      name += seps[pick() % 6];
      name += words[pick() % words.size()];
      name += std::to_string(k);
      name += exts[pick() % 10];
      // Letter case varies between copies of the same name.
      if (rng() % 4 == 0)
        for (char& c : name)
          if (c >= 'a' && c <= 'z' && (static_cast<unsigned char>(name[0]) < 0x80)) c = static_cast<char>(c - 32);
      EntryRecord& r = block[static_cast<std::size_t>(e)];
      r.Kind = kKindFile;
      r.Attributes = 0x20;
      r.Name.assign(name);
      r.Size = static_cast<double>(rng() % 10000000);
      r.Time = 0x5A215C00;
      names_out << name << '\n';
    }
  }
  names_out.close();

  if (!only.empty()) {
    ResultStore store(only == "dup" ? StoreMode::Duplicate : StoreMode::Similar);
    store.SetStorePath(dir + "/Bench.fvd");
    store.SetSeparators(text::Utf8ToCp932(" _-.()[]　、，・（）【】「」"));
    RunOutcome o;
    for (int r = 0; r < repeat; ++r) {
      auto t = std::chrono::steady_clock::now();
      o = store.RunDetection(media, nullptr);
      std::printf("%s %.3f s (%d kinds, %d members)\n", only.c_str(), Seconds(t), o.kinds, o.results);
    }
    if (keep.empty()) std::system(("rm -rf '" + dir + "'").c_str());
    return o.ok ? 0 : 1;
  }

  // Rounds of baseline, duplicate run and similar run, each run writing a
  // new store; the ratios are those of the rounds' medians, which a busy
  // machine moves less than single runs.
  struct Times {
    double wall = 0, cpu = 0;
  };
  std::vector<Times> base(static_cast<std::size_t>(rounds)), dups(base.size()), likes(base.size());
  RunOutcome d, l;
  for (std::size_t r = 0; r < base.size(); ++r) {
    double children = CpuSeconds(RUSAGE_CHILDREN);
    auto t0 = std::chrono::steady_clock::now();
    std::string cmd = "LC_ALL=C sort -f '" + dir + "/NAMES' | uniq -di | wc -l > '" + dir + "/UNIQ'";
    if (std::system(cmd.c_str()) != 0) return 1;
    base[r] = {Seconds(t0), CpuSeconds(RUSAGE_CHILDREN) - children};

    const std::string catalog = dir + "/Bench" + std::to_string(r) + ".fvd";
    {
      ResultStore dup(StoreMode::Duplicate);
      dup.SetStorePath(catalog);
      t0 = std::chrono::steady_clock::now();
      double c0 = CpuSeconds(RUSAGE_SELF);
      d = dup.RunDetection(media, nullptr);
      dups[r] = {Seconds(t0), CpuSeconds(RUSAGE_SELF) - c0};
    }
    {
      ResultStore like(StoreMode::Similar);
      like.SetStorePath(catalog);
      like.SetSeparators(text::Utf8ToCp932(" _-.()[]　、，・（）【】「」"));
      t0 = std::chrono::steady_clock::now();
      double c0 = CpuSeconds(RUSAGE_SELF);
      l = like.RunDetection(media, nullptr);
      likes[r] = {Seconds(t0), CpuSeconds(RUSAGE_SELF) - c0};
    }
    if (!d.ok || !l.ok) {
      std::fprintf(stderr, "run failed: %s%s\n", d.error.c_str(), l.error.c_str());
      return 1;
    }
    std::printf("round %zu: baseline %.3f s, duplicate %.3f s (%.2fx), similar %.3f s (%.2fx)\n", r + 1, base[r].wall,
                dups[r].wall, dups[r].wall / base[r].wall, likes[r].wall, likes[r].wall / base[r].wall);
    std::fflush(stdout);
    if (keep.empty()) {
      std::remove((dir + "/Bench" + std::to_string(r) + ".dup").c_str());
      std::remove((dir + "/Bench" + std::to_string(r) + ".lik").c_str());
    }
  }
  auto median = [](std::vector<Times> v, double Times::*field) {
    std::sort(v.begin(), v.end(), [field](const Times& a, const Times& b) { return a.*field < b.*field; });
    return v[v.size() / 2].*field;
  };
  const double baseline = median(base, &Times::wall), baseline_cpu = median(base, &Times::cpu);
  const double dup_time = median(dups, &Times::wall), dup_cpu = median(dups, &Times::cpu);
  const double like_time = median(likes, &Times::wall), like_cpu = median(likes, &Times::cpu);

  std::printf("files %d in %d media; medians of %d rounds\n", d.examined, media_count, rounds);
  std::printf("                                 wall      cpu\n");
  std::printf("baseline  sort -f | uniq -di   %6.3f s  %6.3f s\n", baseline, baseline_cpu);
  std::printf("duplicate detection            %6.3f s  %6.3f s  (%d kinds, %d members)\n", dup_time, dup_cpu, d.kinds,
              d.results);
  std::printf("similar-name detection         %6.3f s  %6.3f s  (%d groups, %d members)\n", like_time, like_cpu,
              l.kinds, l.results);
  std::printf("ratio duplicate  %.2fx wall, %.2fx cpu (target <= 0.5x)\n", dup_time / baseline, dup_cpu / baseline_cpu);
  std::printf("ratio similar    %.2fx wall, %.2fx cpu (target <= 1.5x)\n", like_time / baseline,
              like_cpu / baseline_cpu);
  if (keep.empty()) std::system(("rm -rf '" + dir + "'").c_str());
  return 0;
}
