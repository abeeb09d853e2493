#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <set>
#include <cstring>
#include <map>

#include "catalog/catalog.h"
#include "dupes/collate.h"
#include "dupes/keys.h"
#include "dupes/result_store.h"
#include "dupes/store_format.h"
#include "platform/main_thread.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "support/test_env.h"

namespace fv::dupes {
namespace {

using test::Sj;

// An in-memory catalog: media of files and folders, with long names.
class FakeMedia : public MediaSource {
 public:
  struct Item {
    std::string name;  // UTF-8
    double size = 100;
    bool folder = false;
    std::uint32_t time = 0x5A215C00;
  };

  FakeMedia() : media_(kMediaSlots) {
    for (auto& m : media_) std::memset(&m, 0, sizeof m);
  }

  // Adds a live medium in the next slot; returns its slot.
  int Add(const std::string& medium, const std::vector<Item>& items) {
    int m = used_++;
    std::vector<EntryRecord> block(items.size() + 1);
    for (auto& r : block) std::memset(&r, 0, sizeof r);
    block[0].Name.assign(Sj(medium));
    block[0].Kind = kKindFixed;
    for (std::size_t i = 0; i < items.size(); ++i) {
      EntryRecord& r = block[i + 1];
      std::string name = Sj(items[i].name);
      r.Name.assign(name);
      if (name.size() > 91) long_names_[MakeEntryId(m, static_cast<int>(i + 1))] = name;
      r.Kind = items[i].folder ? kKindFolder : kKindFile;
      r.Attributes = items[i].folder ? 0x10 : 0x20;
      r.Size = items[i].size;
      r.Time = items[i].time;
    }
    media_[static_cast<std::size_t>(m)].Name.assign(Sj(medium));
    media_[static_cast<std::size_t>(m)].EntryCount = static_cast<std::int32_t>(block.size());
    blocks_[m] = block;
    return m;
  }
  // Deletes a medium as the catalog does: the name goes, the block stays.
  void Delete(int m) { media_[static_cast<std::size_t>(m)].Name.clear(); }
  // Leaves a never-used slot and continues after it.
  void SkipSlot() { ++used_; }

  const MediumRecord& Medium(int m) const override { return media_[static_cast<std::size_t>(m)]; }
  bool LoadMedium(int m) override {
    loads.push_back(m);
    if (unreadable.count(m) || !blocks_.count(m)) return false;
    loaded_ = m;
    return true;
  }
  int LoadedCount() const override { return static_cast<int>(blocks_.at(loaded_).size()); }
  const EntryRecord& Entry(int e) const override { return blocks_.at(loaded_)[static_cast<std::size_t>(e)]; }
  bool LoadedLongName(int e, std::string& name) const override {
    auto it = long_names_.find(MakeEntryId(loaded_, e));
    if (it == long_names_.end()) return false;
    name = it->second;
    return true;
  }
  std::string FullName(EntryId id, std::string_view stored) const override {
    auto it = long_names_.find(id);
    if (stored.size() >= 90 && it != long_names_.end()) return it->second;
    return std::string(stored);
  }

  std::vector<int> loads;
  std::set<int> unreadable;

 private:
  std::vector<MediumRecord> media_;
  std::map<int, std::vector<EntryRecord>> blocks_;
  std::map<EntryId, std::string> long_names_;
  int used_ = 0;
  int loaded_ = -1;
};

struct Store {
  StoreHeader head;
  std::string separators;
  std::vector<StoreRecord> members, groups;
};

Store ParseStore(const std::string& bytes, StoreMode mode) {
  Store s;
  std::memcpy(&s.head, bytes.data(), sizeof s.head);
  std::size_t header = sizeof(StoreHeader);
  if (mode == StoreMode::Similar) {
    LikeStoreHeader h;
    std::memcpy(&h, bytes.data(), sizeof h);
    s.separators = h.Separators.str();
    header = sizeof h;
  }
  for (int i = 0; i < s.head.Members + s.head.Groups; ++i) {
    StoreRecord r;
    std::memcpy(&r, bytes.data() + header + static_cast<std::size_t>(i) * sizeof r, sizeof r);
    (i < s.head.Members ? s.members : s.groups).push_back(r);
  }
  return s;
}

std::string U(const PString<91>& p) { return text::Cp932ToUtf8(p.view()); }

std::vector<std::string> Names(const std::vector<StoreRecord>& recs) {
  std::vector<std::string> v;
  for (const auto& r : recs) v.push_back(U(r.Name));
  return v;
}

class RecordingProgress : public DetectionProgress {
 public:
  void Counters(const std::string& a, const std::string& b, const std::string& c) override {
    counters.push_back(a + "|" + b + "|" + c);
  }
  void Status(const std::string& t) override { statuses.push_back(text::Cp932ToUtf8(t)); }
  void ProcessEvents() override { ++events; }
  std::vector<std::string> counters, statuses;
  int events = 0;
};

class DupesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test::MakeTempDir();
    dup.SetStorePath(dir + "/Default.fvd");
    like.SetStorePath(dir + "/Default.fvd");
    dup.SetNameSource(&media);
    like.SetNameSource(&media);
  }
  Store RunAndParse(ResultStore& store, RecordingProgress* progress = nullptr) {
    RunOutcome out = store.RunDetection(media, progress);
    EXPECT_TRUE(out.ok) << out.error;
    return ParseStore(test::ReadFile(store.StorePath()), store.Mode());
  }
  std::vector<std::string> GroupNames(const ResultStore& store) {
    std::vector<std::string> v;
    StoreRow row;
    for (int i = 0; store.GroupAt(i, row); ++i) v.push_back(text::Cp932ToUtf8(row.name));
    return v;
  }

  test::PlatformScope scope;
  std::string dir;
  FakeMedia media;
  ResultStore dup{StoreMode::Duplicate};
  ResultStore like{StoreMode::Similar};
};

// ---- keys ---------------------------------------------------------------------

TEST(DupesKeys, FoldingTouchesOnlyCapitalsNeverTrailBytes) {
  EXPECT_TRUE(SameKey("Readme.TXT", "README.txt"));
  EXPECT_TRUE(SameKey(Sj("ＡＢＣ"), Sj("ａｂｃ")));  // full-width Latin folds as the system casing does
  // ア is 0x83 0x41: its trail byte is an ASCII capital and must not fold
  // into ヂ (0x83 0x61).
  EXPECT_FALSE(SameKey(Sj("ア"), Sj("ヂ")));
  EXPECT_TRUE(SameKey(Sj("ア.TXT"), Sj("ア.txt")));
  EXPECT_FALSE(SameKey("a", "ab"));

  // Mixed texts of every length around the eight-byte steps: folding
  // agrees with the system casing, and a text folds to its folded form only.
  const std::vector<std::string> pieces = {"A", "Z", "@", "[", "z", "q", "5", Sj("ア"), Sj("Ｗ"), Sj("ｷ"), Sj("表"), Sj("ａ")};
  std::uint32_t seed = 3;
  for (int round = 0; round < 400; ++round) {
    std::string t;
    for (int len = round % 23; len > 0; --len) {
      seed = seed * 1103515245u + 12345u;
      t += pieces[(seed >> 16) % pieces.size()];
    }
    std::string folded;
    AppendFolded(t, folded);
    ASSERT_EQ(folded, text::ToLower(t)) << round;
    ASSERT_TRUE(FoldsTo(t, folded)) << round;
    if (!folded.empty()) {
      std::string other = folded;
      other.back() = other.back() == 'x' ? 'y' : 'x';
      ASSERT_FALSE(FoldsTo(t, other)) << round;
    }
  }
}

TEST(DupesKeys, CuttingNamesIntoWords) {
  SeparatorSet def(Sj(" _-.()[]　、，・（）【】「」"));
  EXPECT_EQ(def.size(), 18u);
  struct {
    const char* name;
    int kind;
    std::vector<std::string> words;
  } cases[] = {
      {"report_2023.txt", kKindFile, {"report", "2023"}},
      {"2023-budget.xls", kKindFile, {"2023", "budget"}},
      {"cat_cat.txt", kKindFile, {"cat", "cat"}},
      {".profile", kKindFile, {}},
      {"__a__b__", kKindFile, {"a", "b"}},
      {"photo_2023", kKindFolder, {"photo", "2023"}},
      {"archive.tar.gz", kKindFile, {"archive", "tar"}},
      {"noext", kKindFile, {"noext"}},
      {"日本【語】テスト.doc", kKindFile, {"日本", "語", "テスト"}},
      {"a　b・c", kKindFile, {"a", "b", "c"}},
      {"___", kKindFile, {}},
      {"", kKindFile, {}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> got;
    for (const auto& w : CutWords(Sj(c.name), c.kind, def)) got.push_back(text::Cp932ToUtf8(w));
    EXPECT_EQ(got, c.words) << c.name;
  }
  // An empty set keeps the whole name, extension included.
  EXPECT_EQ(CutWords("a_b.txt", kKindFile, SeparatorSet()), std::vector<std::string>{"a_b.txt"});
  // A double-byte separator matches only its own two bytes: ソ (0x83 0x5C)
  // ends in "\" but is no separator when "\" is one, and it hides no
  // extension start either.
  SeparatorSet backslash("\\");
  EXPECT_EQ(CutWords(Sj("ソa\\b"), kKindFolder, backslash), (std::vector<std::string>{Sj("ソa"), "b"}));
  EXPECT_EQ(WithoutExtension(Sj("x.ソ")), "x");
  EXPECT_EQ(WithoutExtension("dir.d\\file"), "dir.d\\file");
  EXPECT_EQ(WithoutExtension("c:.x"), "c:");
  // Only the first 24 characters are separators.
  SeparatorSet many("abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(many.size(), 24u);
  EXPECT_EQ(CutWords("1y2z3a4", kKindFolder, many), (std::vector<std::string>{"1y2z3", "4"}));
  // At most 257 words.
  std::string dense;
  for (int i = 0; i < 300; ++i) dense += "w_";
  EXPECT_EQ(CutWords(dense, kKindFolder, def).size(), kMaxWordsPerName);
}

TEST(DupesKeys, BulkCollationKeysMatchTheTextServices) {
  NoCaseCollator coll;
  EXPECT_TRUE(NoCaseCollator::FastKeys());
  // Every character alone, then texts mixing every kind of character
  // (kanji, kana with their marks and prolonged sounds, half-width kana,
  // symbols, full-width letters, ASCII).
  std::vector<std::string> chars;
  for (int b = 0x20; b < 0x100; ++b)
    if (!text::IsLeadByte(static_cast<unsigned char>(b)) && b != 0x7F) chars.emplace_back(1, static_cast<char>(b));
  for (int lead = 0x81; lead <= 0xFC; ++lead)
    for (int trail = 0x40; lead <= 0xFC && text::IsLeadByte(static_cast<unsigned char>(lead)) && trail <= 0xFC; ++trail) {
      std::string two{static_cast<char>(lead), static_cast<char>(trail)};
      if (text::Cp932ToUtf8(two) != "?") chars.push_back(two);
    }
  for (const std::string& c : chars) {
    std::string key;
    coll.AppendKey(c, key);
    ASSERT_EQ(key, text::SortKeyNoCase(c)) << text::Cp932ToUtf8(c);
  }
  const std::vector<std::string> marks = {Sj("ー"), Sj("ゝ"), Sj("ゞ"), Sj("ヽ"), Sj("々"), Sj("ﾞ"), Sj("ﾟ"), Sj("ｰ")};
  std::uint32_t seed = 99;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  for (int i = 0; i < 3000; ++i) {
    std::string t;
    for (std::size_t len = next() % 12; len > 0; --len)
      t += next() % 4 == 0 ? marks[next() % marks.size()] : chars[next() % chars.size()];
    std::string key;
    coll.AppendKey(t, key);
    ASSERT_EQ(key, text::SortKeyNoCase(t)) << text::Cp932ToUtf8(t);
  }
  const std::string long_q(300, 'q');
  const char* samples[] = {"", "a", "A.TXT", "readme.txt", "img_Photo123.jpg", "~{|}", " x ", "a b_c-d(e)[f]",
                           "写真_2023.jpg", "ﾃﾞｰﾀ", "ＡＢＣ", "abc\tdef", long_q.c_str()};
  for (const char* a : samples) {
    std::string key;
    coll.AppendKey(Sj(a), key);
    EXPECT_EQ(key, text::SortKeyNoCase(Sj(a))) << a;
    for (const char* b : samples)
      EXPECT_EQ(coll.Compare(Sj(a), Sj(b)), text::CompareNoCase(Sj(a), Sj(b))) << a << " / " << b;
  }
}

// The bulk fill of the name table: keys crowding the same home slots,
// also at the table's end (where the probe wraps to its start), are all
// found again, and an absent key is not.
TEST(DupesKeys, TableFilledInBulkFindsEveryKey) {
  std::vector<std::string> texts;
  std::vector<std::uint64_t> hashes;
  for (int i = 0; i < 40; ++i) {
    texts.push_back("k" + std::to_string(i));
    // Homes: a crowd at slot 5, a crowd at the last slot, the rest spread.
    std::uint64_t home = i < 10 ? 5 : i < 20 ? 0xFFFFFFFFu : static_cast<std::uint64_t>(i) * 7;
    hashes.push_back(static_cast<std::uint64_t>(i) << 32 | home);
  }
  FoldedTable table;
  table.BuildDistinct(hashes);
  auto key_of = [&](std::uint32_t k) { return std::string_view(texts[k]); };
  for (std::uint32_t i = 0; i < texts.size(); ++i) EXPECT_EQ(table.Find(texts[i], hashes[i], key_of), i) << i;
  EXPECT_EQ(table.Find("k99", 99ull << 32 | 5, key_of), FoldedTable::kNone);
  EXPECT_EQ(table.size(), texts.size());
}

TEST(DupesKeys, SizesClampTo32Bits) {
  EXPECT_EQ(ClampSize32(5e9), 4294967295u);
  EXPECT_EQ(ClampSize32(4294967295.0), 4294967295u);
  EXPECT_EQ(ClampSize32(4294967294.0), 4294967294u);
  EXPECT_EQ(ClampSize32(-1), 0u);
  EXPECT_EQ(ClampSize32(0), 0u);
}

// ---- duplicate runs -------------------------------------------------------------

TEST_F(DupesTest, NamesEqualIgnoringCaseFormOneKindAcrossMedia) {
  media.Add("M1", {{"Readme.TXT", 10}, {"solo.txt"}, {"dir", 0, true}});
  media.Add("M2", {{"README.txt", 20}, {"Dir"}});
  Store s = RunAndParse(dup);
  EXPECT_EQ(s.head.Format, 1);
  EXPECT_EQ(s.head.Zero, 0);
  EXPECT_EQ(s.head.Groups, 1);
  EXPECT_EQ(s.head.Members, 2);  // the folder "dir" is ignored, so "Dir" stays alone; solo.txt too
  EXPECT_EQ(Names(s.members), (std::vector<std::string>{"Readme.TXT", "README.txt"}));
  EXPECT_EQ(s.members[0].EntryId, 1);
  EXPECT_EQ(s.members[1].EntryId, 1000001);
  EXPECT_EQ(s.members[1].Size32, 20u);
  EXPECT_EQ(dup.GroupCount(), 1);
  EXPECT_EQ(dup.MemberCount(), 2);
  EXPECT_EQ(dup.FindKindSize("readme.txt"), 2);
  EXPECT_EQ(dup.FindKindSize("solo.txt"), 0);
  EXPECT_EQ(dup.FindKindStart("README.TXT"), 0);
  EXPECT_EQ(dup.FindKindStart("dir"), -1);
  EXPECT_EQ(test::ReadFile(dup.StorePath()).size(), 21u + 3 * 116);
}

TEST_F(DupesTest, KatakanaIsMatchedOnlyByTheSameBytes) {
  media.Add("M1", {{"ア.txt"}, {"ヂ.txt"}});
  media.Add("M2", {{"ア.txt"}});
  Store s = RunAndParse(dup);
  EXPECT_EQ(s.head.Groups, 1);
  EXPECT_EQ(Names(s.members), (std::vector<std::string>{"ア.txt", "ア.txt"}));
  EXPECT_EQ(dup.FindKindSize(Sj("ヂ.txt")), 0);
  EXPECT_EQ(dup.FindKindSize(Sj("ア.TXT")), 2);
}

TEST_F(DupesTest, ThreeFilesGiveOneKindOfSizeThreeAndTheGroupCopiesTheFirstMember) {
  media.Add("M1", {{"a.txt", 1}, {"b.txt"}, {"a.txt", 2}});
  media.Add("M2", {{"A.TXT", 5e9}, {"b.txt"}});
  Store s = RunAndParse(dup);
  ASSERT_EQ(s.head.Groups, 2);
  ASSERT_EQ(s.head.Members, 5);
  // Kinds in key order; positions, next-kind and kind size in every record.
  EXPECT_EQ(Names(s.members), (std::vector<std::string>{"a.txt", "a.txt", "A.TXT", "b.txt", "b.txt"}));
  for (int p = 0; p < 3; ++p) {
    EXPECT_EQ(s.members[p].Position, p);
    EXPECT_EQ(s.members[p].NextKind, 3);
    EXPECT_EQ(s.members[p].KindSize, 3);
  }
  EXPECT_EQ(s.members[3].NextKind, 5);
  EXPECT_EQ(s.members[4].KindSize, 2);
  EXPECT_EQ(s.members[2].Size32, 4294967295u);  // the 5 GB file
  for (int g = 0; g < 2; ++g) {
    const StoreRecord& first = s.members[static_cast<std::size_t>(s.groups[g].Position)];
    EXPECT_EQ(U(s.groups[g].Name), U(first.Name));
    EXPECT_EQ(std::memcmp(&s.groups[g].EntryId, &first.EntryId, 116 - 92), 0);
  }
  StoreRow row;
  ASSERT_TRUE(dup.GroupAt(0, row));
  EXPECT_EQ(row.name, "a.txt");
  EXPECT_EQ(row.kind_size, 3);
  EXPECT_EQ(row.next, 3);
  EXPECT_FALSE(dup.GroupAt(2, row));

  ASSERT_TRUE(dup.LoadMembers(MemberListId::Detail, 0, 3));
  ASSERT_EQ(dup.LoadedMemberCount(MemberListId::Detail), 3);
  ASSERT_TRUE(dup.MemberAt(MemberListId::Detail, 2, row));
  EXPECT_EQ(row.name, "A.TXT");
  EXPECT_EQ(row.size, 4294967295u);
  EXPECT_EQ(row.id, 1000001);
  // The two member lists are independent.
  ASSERT_TRUE(dup.LoadMembers(MemberListId::Panel, 3, 2));
  EXPECT_EQ(dup.LoadedMemberCount(MemberListId::Detail), 3);
  EXPECT_FALSE(dup.MemberAt(MemberListId::Panel, 2, row));
  // Reading past the end keeps what was read and reports the short read.
  EXPECT_FALSE(dup.LoadMembers(MemberListId::Panel, 3, 10));
  EXPECT_EQ(dup.LoadedMemberCount(MemberListId::Panel), 4);  // two members, then the two group records
  EXPECT_FALSE(dup.LoadMembers(MemberListId::Panel, -1, 2));
  EXPECT_EQ(dup.LoadedMemberCount(MemberListId::Panel), 0);
}

TEST_F(DupesTest, KindsFollowTheCollationOrderOverLongSharedBeginnings) {
  const std::string stem(40, 'x');
  std::vector<std::string> names = {stem + "b.txt", stem + "a.txt", stem + "_.txt", stem + "B.TXT",
                                    stem + "a.txt.bak", stem,          "写真" + stem,   stem + "10",
                                    stem + "9",        "Z" + stem,    stem + "ａ"};
  std::vector<FakeMedia::Item> twice;
  for (const auto& n : names) twice.push_back({n});
  media.Add("M0", twice);
  media.Add("M1", twice);
  RunAndParse(dup);
  std::vector<std::string> got = GroupNames(dup);
  ASSERT_EQ(got.size(), names.size() - 1);  // b.txt and B.TXT are one kind
  for (std::size_t i = 1; i < got.size(); ++i)
    EXPECT_LT(text::CompareNoCase(Sj(got[i - 1]), Sj(got[i])), 0) << got[i - 1] << " / " << got[i];
}

TEST_F(DupesTest, EmptyCatalogGivesTheHeaderAlone) {
  Store s = RunAndParse(dup);
  EXPECT_EQ(test::ReadFile(dup.StorePath()).size(), 21u);
  EXPECT_EQ(s.head.Groups, 0);
  EXPECT_EQ(s.head.Members, 0);
  EXPECT_TRUE(dup.StoreExists());
  EXPECT_EQ(dup.LoadedGroupCount(), 0);
  // The written time is today's local date as a day count from 1899-12-30.
  double now = StoreTimestamp();
  EXPECT_NEAR(s.head.Written, now, 1.0 / 24);
  EXPECT_GT(s.head.Written, 46000);  // after 2025
}

TEST_F(DupesTest, DeletedSlotsAreSkippedAndTheWalkEndsAtTheFirstUnusedSlot) {
  media.Add("M0", {{"x.txt"}});
  int gone = media.Add("M1", {{"x.txt"}, {"y.txt"}});
  media.Add("M2", {{"y.txt"}, {"x.txt"}});
  media.SkipSlot();
  media.Add("M4", {{"y.txt"}});
  media.Delete(gone);
  RecordingProgress progress;
  Store s = RunAndParse(dup, &progress);
  EXPECT_EQ(Names(s.members), (std::vector<std::string>{"x.txt", "x.txt"}));
  EXPECT_EQ(s.members[1].EntryId, 2000002);
  EXPECT_EQ(media.loads, (std::vector<int>{0, 2}));
  EXPECT_EQ(progress.statuses[1], "検索中...(1/2メディア)");
  EXPECT_EQ(progress.statuses[2], "検索中...(2/2メディア)");
}

TEST_F(DupesTest, UnreadableMediumAddsNothingUnderItsIdentifiers) {
  media.Add("M0", {{"x.txt"}});
  media.Add("M1", {{"x.txt"}});
  media.Add("M2", {{"y.txt"}});
  media.unreadable.insert(1);
  RecordingProgress progress;
  Store s = RunAndParse(dup, &progress);
  EXPECT_EQ(s.head.Members, 0);
  // Every medium's text still shows, in order.
  EXPECT_EQ(progress.statuses, (std::vector<std::string>{"", "検索中...(1/3メディア)", "検索中...(2/3メディア)",
                                                         "検索中...(3/3メディア)", "0ファイルのソート中...",
                                                         "最後のオマジナイ..."}));
}

TEST_F(DupesTest, ProgressShowsCountersAndStatusTexts) {
  std::vector<FakeMedia::Item> many;
  for (int i = 0; i < 1500; ++i) many.push_back({"f" + std::to_string(i % 700) + ".txt"});
  media.Add("M0", many);
  RecordingProgress progress;
  Store s = RunAndParse(dup, &progress);
  EXPECT_EQ(s.head.Groups, 700);
  EXPECT_EQ(s.head.Members, 1500);
  EXPECT_EQ(progress.counters.front(), "0|0|0");
  // After 1,000 files: 700 kinds, 1,000 - 700 + 700 results.
  EXPECT_NE(std::find(progress.counters.begin(), progress.counters.end(), "1,000|300|600"), progress.counters.end());
  EXPECT_EQ(progress.counters.back(), "1,500|700|1,500");
  EXPECT_EQ(progress.statuses,
            (std::vector<std::string>{"", "検索中...(1/1メディア)", "1,500ファイルのソート中...", "最後のオマジナイ..."}));
  EXPECT_EQ(text::Cp932ToUtf8(ProgressCaption(StoreMode::Similar)), "似たようなファイルの検索中");
  EXPECT_EQ(text::Cp932ToUtf8(ResultLabel(StoreMode::Duplicate)), "件の重複ファイルを検出");
}

TEST_F(DupesTest, LongNamesAreKeysAndDisplayNames) {
  std::string long1 = std::string(95, 'n') + ".txt";
  std::string long2 = std::string(95, 'n') + ".dat";  // same first 91 bytes, different name
  media.Add("M0", {{long1}, {long2}});
  media.Add("M1", {{long1}});
  Store s = RunAndParse(dup);
  ASSERT_EQ(s.head.Groups, 1);
  EXPECT_EQ(s.members[0].Name.len, 91);  // cut in the store
  EXPECT_EQ(dup.FindKindSize(long1), 2);  // whole name from the long-name store
  StoreRow row;
  ASSERT_TRUE(dup.GroupAt(0, row));
  EXPECT_EQ(row.name, long1);
}

TEST_F(DupesTest, FailedWriteKeepsThePreviousStoreAndReportsTheSystemText) {
  media.Add("M0", {{"x.txt"}});
  media.Add("M1", {{"x.txt"}});
  RunAndParse(dup);
  std::string before = test::ReadFile(dup.StorePath());
  media.Add("M2", {{"y.txt"}, {"y.txt"}});
  scope.UseFaultyFiles();
  scope.faulty.faults.push_back({test::FaultyFileSystem::Op::Write, ".dup", 1, -1, 50});
  RecordingProgress progress;
  RunOutcome out = dup.RunDetection(media, &progress);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.error, "No space left on device");
  EXPECT_EQ(test::ReadFile(dup.StorePath()), before);
  EXPECT_FALSE(Platform().files->Exists(dup.StorePath() + ".tmp"));
  EXPECT_EQ(dup.FindKindSize("x.txt"), 2);  // the previous store is shown again
  EXPECT_EQ(dup.FindKindSize("y.txt"), 0);

  // A store that cannot be created at all (read-only folder) ends the same way.
  scope.faulty.faults = {{test::FaultyFileSystem::Op::Open, ".tmp", 0, -1, 0, "Permission denied"}};
  out = dup.RunDetection(media, nullptr);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.error, "Permission denied");

  // Without a catalog there is nowhere to write.
  ResultStore unset(StoreMode::Duplicate);
  out = unset.RunDetection(media, nullptr);
  EXPECT_FALSE(out.ok);
  EXPECT_FALSE(out.error.empty());
  EXPECT_FALSE(Platform().files->Exists(".tmp"));
}

// Big enough that media are prepared on a helper thread, the kinds are
// sorted in two parts on two threads and the store is written in many
// chunks by more than one thread: every record must still land in its
// place, in order.
TEST_F(DupesTest, LargeRunsWriteEveryRecordInItsPlace) {
  auto lower = [](std::string t) {
    for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return t;
  };
  std::map<std::string, int> seen;  // folded name -> files
  std::uint32_t seed = 7;
  const char* stems[] = {"alpha", "Beta", "GAMMA", "写真", "ﾃﾞｰﾀ", "zeta"};
  for (int m = 0; m < 3; ++m) {
    std::vector<FakeMedia::Item> items;
    for (int e = 0; e < 80000; ++e) {
      seed = seed * 1103515245u + 12345u;
      std::string name = stems[(seed >> 4) % 6] + std::to_string((seed >> 8) % 18000) + ".txt";
      if ((seed >> 20) % 3 == 0) name = lower(name);
      ++seen[lower(name)];
      items.push_back({name, static_cast<double>(e)});
    }
    media.Add("M" + std::to_string(m), items);
  }
  int kinds = 0, members = 0;
  for (const auto& [name, n] : seen)
    if (n > 1) ++kinds, members += n;

  Store s = RunAndParse(dup);
  ASSERT_EQ(s.head.Groups, kinds);
  ASSERT_EQ(s.head.Members, members);
  ASSERT_GT(kinds, 65536);
  for (int i = 0; i < members; ++i) ASSERT_EQ(s.members[static_cast<std::size_t>(i)].Position, i);
  int expect_first = 0;
  for (int g = 0; g < kinds; ++g) {
    const StoreRecord& gr = s.groups[static_cast<std::size_t>(g)];
    ASSERT_EQ(gr.Position, expect_first);
    ASSERT_EQ(gr.NextKind - gr.Position, gr.KindSize);
    ASSERT_EQ(gr.KindSize, seen[lower(U(gr.Name))]);
    const StoreRecord& first = s.members[static_cast<std::size_t>(gr.Position)];
    EXPECT_EQ(std::memcmp(&gr, &first, 104), 0);  // name and fields of the first member
    for (int q = gr.Position; q < gr.NextKind; ++q) {
      const StoreRecord& r = s.members[static_cast<std::size_t>(q)];
      ASSERT_EQ(r.NextKind, gr.NextKind);
      ASSERT_EQ(r.KindSize, gr.KindSize);
      ASSERT_EQ(lower(U(r.Name)), lower(U(gr.Name)));
      if (q > gr.Position) ASSERT_LT(s.members[static_cast<std::size_t>(q) - 1].EntryId, r.EntryId);  // entry order
    }
    if (g > 0) ASSERT_LT(text::CompareNoCase(s.groups[static_cast<std::size_t>(g) - 1].Name.view(), gr.Name.view()), 0);
    expect_first = gr.NextKind;
  }
  ASSERT_EQ(expect_first, members);
  EXPECT_EQ(dup.LoadedGroupCount(), kinds);
  for (const auto& [name, n] : seen) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ASSERT_EQ(dup.FindKindSize(Sj(upper)), n > 1 ? n : 0) << name;
  }

  // A write failing part-way (in some chunk after the first) keeps the
  // previous store and reports the failure.
  const std::string before = test::ReadFile(dup.StorePath());
  scope.UseFaultyFiles();
  scope.faulty.faults.push_back({test::FaultyFileSystem::Op::Write, ".dup", 2, 1, 100});
  RunOutcome out = dup.RunDetection(media, nullptr);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.error, "No space left on device");
  EXPECT_EQ(test::ReadFile(dup.StorePath()), before);
  EXPECT_EQ(dup.LoadedGroupCount(), kinds);
}

TEST_F(DupesTest, DeleteStoreClearsTheLists) {
  media.Add("M0", {{"x.txt"}, {"x.txt"}});
  RunAndParse(dup);
  ASSERT_TRUE(dup.LoadMembers(MemberListId::Panel, 0, 2));
  EXPECT_TRUE(dup.DeleteStore());
  EXPECT_FALSE(dup.StoreExists());
  EXPECT_EQ(dup.LoadedGroupCount(), 0);
  EXPECT_EQ(dup.LoadedMemberCount(MemberListId::Panel), 0);
  EXPECT_EQ(dup.FindKindSize("x.txt"), 0);
  EXPECT_FALSE(dup.DeleteStore());
}

// ---- similar runs ---------------------------------------------------------------

TEST_F(DupesTest, SimilarWordsGroupFilesAndMembersFollowFileNames) {
  like.SetSeparators(Sj(" _-.()[]　、，・（）【】「」"));
  media.Add("M0", {{"report_2023.txt"}, {"b.txt"}, {"cat_cat.txt"}, {".profile"}, {"photo_2023", 0, true}});
  media.Add("M1", {{"2023-budget.xls"}, {"c.txt"}, {"A.doc"}});
  Store s = RunAndParse(like);
  EXPECT_EQ(s.head.Format, 2);
  EXPECT_EQ(text::Cp932ToUtf8(s.separators), " _-.()[]　、，・（）【】「」");
  // Groups: "2023" (two files), "b"/"c"/"A" no, "cat" (twice from one file).
  EXPECT_EQ(Names(s.groups), (std::vector<std::string>{"2023", "cat"}));
  EXPECT_EQ(Names(s.members), (std::vector<std::string>{"2023-budget.xls", "report_2023.txt", "cat_cat.txt",
                                                        "cat_cat.txt"}));
  EXPECT_EQ(s.members[2].EntryId, s.members[3].EntryId);
  // The group record carries the first pair's file (report_2023), not the
  // first member record's.
  EXPECT_EQ(s.groups[0].EntryId, 1);
  EXPECT_EQ(s.members[0].EntryId, 1000001);
  EXPECT_EQ(s.members[1].Position, 1);
  EXPECT_EQ(s.members[1].NextKind, 2);
  auto w = like.FindWord("CAT");
  EXPECT_EQ(w.first, 2);
  EXPECT_EQ(w.size, 2);
  EXPECT_EQ(like.FindWord("report").first, -1);
  EXPECT_EQ(like.FindWord("report").size, 0);
  EXPECT_EQ(like.FindWord("profile").size, 0);
}

TEST_F(DupesTest, SimilarGroupTakesTheSecondFilesFormAndOrdersMembersByName) {
  like.SetSeparators("_.");
  media.Add("M0", {{"b_Photo.txt"}, {"PHOTO_c.txt"}, {"A.doc_photo.x"}, {"z_photo.txt"}});
  Store s = RunAndParse(like);
  ASSERT_EQ(s.head.Groups, 1);
  EXPECT_EQ(U(s.groups[0].Name), "PHOTO");
  EXPECT_EQ(Names(s.members), (std::vector<std::string>{"A.doc_photo.x", "b_Photo.txt", "PHOTO_c.txt", "z_photo.txt"}));
  EXPECT_EQ(GroupNames(like), std::vector<std::string>{"PHOTO"});
}

TEST_F(DupesTest, EmptySeparatorSetGivesTheDuplicateKinds) {
  media.Add("M0", {{"Readme.TXT"}, {"a_b.txt"}, {"x.txt"}});
  media.Add("M1", {{"README.txt"}, {"A_B.TXT"}});
  like.SetSeparators("");
  Store s = RunAndParse(like);
  RunAndParse(dup);
  EXPECT_EQ(like.GroupCount(), dup.GroupCount());
  EXPECT_EQ(like.MemberCount(), dup.MemberCount());
  EXPECT_EQ(GroupNames(like), (std::vector<std::string>{"A_B.TXT", "README.txt"}));
  EXPECT_EQ(GroupNames(dup), (std::vector<std::string>{"a_b.txt", "Readme.TXT"}));
  EXPECT_EQ(s.separators, "");
}

TEST_F(DupesTest, SeparatorSetLifecycle) {
  // Until something sets it, the current set is REG_LikeKey.
  ASSERT_TRUE(WriteSettingString(SettingKey::REG_LikeKey, "-"));
  ResultStore fresh(StoreMode::Similar);
  fresh.SetStorePath(dir + "/Default.fvd");
  EXPECT_EQ(fresh.Separators(), "-");
  media.Add("M0", {{"a_b.txt"}, {"a_c.txt"}});
  media.Add("M1", {{"a-d.txt"}});
  like.SetSeparators("_");
  RunAndParse(like);
  EXPECT_EQ(GroupNames(like), std::vector<std::string>{"a"});
  // Loading a store takes the set it recorded.
  EXPECT_TRUE(fresh.LoadGroups());
  EXPECT_EQ(fresh.Separators(), "_");
  // A header too short to hold the set leaves the current one.
  fresh.SetSeparatorsFromSettings();
  test::WriteFile(like.StorePath(), test::ReadFile(like.StorePath()).substr(0, 33176));
  EXPECT_FALSE(fresh.LoadGroups());
  EXPECT_EQ(fresh.Separators(), "-");
  EXPECT_EQ(fresh.LoadedGroupCount(), 0);
  EXPECT_EQ(fresh.WordsOf("a-b_c.d", kKindFile), (std::vector<std::string>{"a", "b_c"}));
  EXPECT_EQ(fresh.WordsOf("a-b_c.d", kKindFolder), (std::vector<std::string>{"a", "b_c.d"}));
  std::string err;
  Platform().files->Remove(SettingsFilePath(), err);
}

// ---- untrusted stores -------------------------------------------------------------

class DupesStoreInput : public DupesTest {
 protected:
  void SetUp() override {
    DupesTest::SetUp();
    media.Add("M0", {{"a.txt"}, {"b.txt"}, {"a.txt"}, {"b.txt"}, {"b.txt"}});
    RunAndParse(dup);
    good = test::ReadFile(dup.StorePath());
  }

 public:
  void Patch(std::size_t at, std::int32_t v) { std::memcpy(bytes.data() + at, &v, 4); }
  std::string good, bytes;
};

TEST_F(DupesStoreInput, DamagedStoresLoadWhatIsWholeAndNoMore) {
  // Sections: header 21, members 5 x 116, groups 2 x 116.
  const std::size_t groups_at = 21 + 5 * 116;
  struct Case {
    const char* what;
    std::function<void(DupesStoreInput&)> damage;
    bool ok;
    int loaded;
    int kinds;
  } cases[] = {
      {"intact", [](DupesStoreInput&) {}, true, 2, 2},
      {"short header", [](DupesStoreInput& t) { t.bytes.resize(20); }, false, 0, 0},
      {"group section missing", [&](DupesStoreInput& t) { t.bytes.resize(groups_at); }, false, 0, 2},
      {"cut inside the second group", [&](DupesStoreInput& t) { t.bytes.resize(groups_at + 116 + 50); }, false, 1, 2},
      {"kinds beyond the file", [](DupesStoreInput& t) { t.Patch(5, 0x7FFFFFFF); }, false, 2, 0x7FFFFFFF},
      {"negative kinds", [](DupesStoreInput& t) { t.Patch(5, -3); }, false, 0, 0},
      {"negative members", [](DupesStoreInput& t) { t.Patch(9, -1); }, false, 0, 0},
      {"members beyond the file", [](DupesStoreInput& t) { t.Patch(9, 0x7FFFFFFF); }, false, 0, 2},
      {"next-kind 0 ends the list", [&](DupesStoreInput& t) { t.Patch(groups_at + 108, 0); }, true, 1, 2},
      {"name length above 91", [&](DupesStoreInput& t) { t.bytes[groups_at] = static_cast<char>(200); }, true, 2, 2},
  };
  for (const Case& c : cases) {
    bytes = good;
    c.damage(*this);
    test::WriteFile(dup.StorePath(), bytes);
    EXPECT_EQ(dup.LoadGroups(), c.ok) << c.what;
    EXPECT_EQ(dup.LoadedGroupCount(), c.loaded) << c.what;
    EXPECT_EQ(dup.GroupCount(), c.kinds) << c.what;
    StoreRow row;
    for (int i = 0; dup.GroupAt(i, row); ++i) EXPECT_LE(row.name.size(), 91u) << c.what;
  }
}

TEST_F(DupesStoreInput, MemberRangesFromDamagedRecordsAreRefusedOrCut) {
  EXPECT_FALSE(dup.LoadMembers(MemberListId::Detail, -5, 3));
  EXPECT_FALSE(dup.LoadMembers(MemberListId::Detail, 0, -1));
  EXPECT_FALSE(dup.LoadMembers(MemberListId::Detail, 0x7FFFFFFF, 0x7FFFFFFF));
  EXPECT_EQ(dup.LoadedMemberCount(MemberListId::Detail), 0);
  EXPECT_FALSE(dup.LoadMembers(MemberListId::Detail, 1, 0x7FFFFFFF));
  EXPECT_EQ(dup.LoadedMemberCount(MemberListId::Detail), 6);  // up to the end of the file
}

TEST_F(DupesTest, SimilarStoreSeparatorLengthAbove127IsCut) {
  media.Add("M0", {{"a_b"}, {"a_c"}});
  like.SetSeparators("_");
  RunAndParse(like);
  std::string bytes = test::ReadFile(like.StorePath());
  bytes[21] = static_cast<char>(250);
  std::memset(bytes.data() + 22, '_', 127);
  test::WriteFile(like.StorePath(), bytes);
  like.SetSeparators("x");
  EXPECT_TRUE(like.LoadGroups());
  EXPECT_EQ(like.Separators(), std::string(127, '_'));
  EXPECT_EQ(like.LoadedGroupCount(), 1);
}

// ---- loader threads ----------------------------------------------------------------

TEST_F(DupesTest, LoaderHandsTheGroupsOverOnTheMainThread) {
  media.Add("M0", {{"x.txt"}, {"x.txt"}, {"y_z"}, {"y_w"}});
  like.SetSeparators("_");
  RunAndParse(dup);
  RunAndParse(like);
  like.SetSeparators("-");

  ResultStore d(StoreMode::Duplicate), l(StoreMode::Similar);
  d.SetStorePath(dir + "/Default.fvd");
  l.SetStorePath(dir + "/Default.fvd");
  std::vector<std::string> done;
  ASSERT_TRUE(d.StartLoader([&](bool ok) { done.push_back(std::string("dup ") + (ok ? "ok" : "failed")); }));
  ASSERT_TRUE(l.StartLoader([&](bool ok) { done.push_back(std::string("like ") + (ok ? "ok" : "failed")); }));
  EXPECT_TRUE(d.Loading());
  // Until the completion has run on the main thread, look-ups find nothing.
  EXPECT_EQ(d.FindKindSize("x.txt"), 0);
  EXPECT_EQ(l.FindWord("y").size, 0);
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (done.size() < 2 && std::chrono::steady_clock::now() < until)
    WaitAndRunMainThreadTasks(std::chrono::milliseconds(100));
  EXPECT_EQ(done.size(), 2u);
  EXPECT_FALSE(d.Loading());
  EXPECT_EQ(d.FindKindSize("x.txt"), 2);
  EXPECT_EQ(l.FindWord("y").size, 2);
  EXPECT_EQ(l.Separators(), "_");

  // Without a store nothing starts.
  ResultStore none(StoreMode::Duplicate);
  none.SetStorePath(dir + "/Other.fvd");
  EXPECT_FALSE(none.StartLoader([](bool) {}));

  // A deletion asked for while the loader runs waits for it; the queued
  // completion then does nothing.
  done.clear();
  ASSERT_TRUE(d.StartLoader([&](bool) { done.push_back("again"); }));
  EXPECT_TRUE(d.DeleteStore());
  EXPECT_EQ(done, std::vector<std::string>{"again"});
  EXPECT_EQ(d.FindKindSize("x.txt"), 0);
  WaitAndRunMainThreadTasks(std::chrono::milliseconds(200));
  EXPECT_EQ(done.size(), 1u);
}

}  // namespace
}  // namespace fv::dupes

// ---- over the catalog and the command line ----------------------------------------

namespace fv::dupes {
namespace {

using test::Sj;

class DupesCatalogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path = test::MakeTempDir() + "/Default.fvd";
    ASSERT_TRUE(cat.CreateCatalog(path));
    Add("DISC1", {"Readme.TXT", "photo_2023.jpg", long_name});
    Add("DISC2", {"README.txt", "2023-Photo.png", long_name});
    ASSERT_TRUE(cat.LoadCatalog(path));
    cat.LoadLongNameFile();
  }
  void Add(const std::string& medium, const std::vector<std::string>& files) {
    std::vector<std::string> names{Sj(medium)};
    for (const auto& f : files) names.push_back(Sj(f));
    const int n = static_cast<int>(names.size());
    TMediaInfomation info;
    info.Drive = "c";
    ASSERT_TRUE(cat.StoreScannedMedium(
        n,
        [&](int i, ScannedEntry& e) {
          e.Parent = i == 0 ? -1 : 0;
          e.FirstChild = i == 0 ? 1 : -1;
          e.Kind = i == 0 ? kKindFixed : kKindFile;
          e.Attributes = i == 0 ? 0x10 : 0x20;
          e.Name = names[static_cast<std::size_t>(i)];
          e.Size = 1000.0 + i;
          e.Time = 0x5A210000u;
        },
        info));
  }
  std::string Cli(const std::string& args, int* status = nullptr) {
    std::string out;
    int s = test::RunCommand(std::string(FERROVAN_CLI_PATH) + " " + args + " 2>/dev/null", &out);
    if (status) *status = s;
    return out;
  }

  const std::string long_name = std::string(100, 'L') + ".txt";
  std::string path;
  Catalog cat;
};

TEST_F(DupesCatalogTest, RunsOverTheCatalogWithItsLongNames) {
  CatalogMedia media(cat);
  ResultStore dup(StoreMode::Duplicate), like(StoreMode::Similar);
  dup.SetStorePath(path);
  like.SetStorePath(path);
  dup.SetNameSource(&media);
  like.SetNameSource(&media);
  EXPECT_EQ(dup.StorePath(), path.substr(0, path.size() - 4) + ".dup");
  ASSERT_TRUE(dup.RunDetection(media, nullptr).ok);
  EXPECT_EQ(dup.GroupCount(), 2);
  EXPECT_EQ(dup.FindKindSize(long_name), 2);
  EXPECT_EQ(dup.FindKindSize("readme.txt"), 2);
  // Loaded again from the file, the long name is still the display name.
  ResultStore again(StoreMode::Duplicate);
  again.SetStorePath(path);
  again.SetNameSource(&media);
  ASSERT_TRUE(again.LoadGroups());
  EXPECT_EQ(again.FindKindSize(long_name), 2);
  ASSERT_TRUE(again.LoadMembers(MemberListId::Panel, again.FindKindStart(long_name), 2));
  StoreRow row;
  ASSERT_TRUE(again.MemberAt(MemberListId::Panel, 1, row));
  EXPECT_EQ(row.name, long_name);
  EXPECT_EQ(row.id, 1000003);
  EXPECT_EQ(row.size, 1003u);

  like.SetSeparators(Sj(" _-.()[]　、，・（）【】「」"));
  ASSERT_TRUE(like.RunDetection(media, nullptr).ok);
  EXPECT_EQ(like.FindWord("photo").size, 2);
  EXPECT_EQ(like.FindWord("2023").size, 2);
  // The word of the long names (100 bytes) is found whole, and its group
  // is named by the word, not by a file's long name.
  EXPECT_EQ(like.FindWord(std::string(100, 'L')).size, 2);
  ASSERT_TRUE(like.LoadGroups());
  EXPECT_EQ(like.FindWord(std::string(100, 'L')).size, 2);
  for (int i = 0; like.GroupAt(i, row); ++i) EXPECT_EQ(row.name.find(".txt"), std::string::npos) << row.name;
}

TEST_F(DupesCatalogTest, CommandLineRunsAndLists) {
  int status = -1;
  std::string out = Cli("dups '" + path + "'", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out.substr(0, out.find('\n')), "2種類、4件の重複ファイル");
  EXPECT_NE(out.find("Readme.TXT (2)\n\tDISC1\tReadme.TXT\t1001\t"), std::string::npos) << out;
  EXPECT_NE(out.find("\tDISC2\tREADME.txt\t1001\t"), std::string::npos) << out;
  EXPECT_EQ(Cli("groups '" + path + "' dup"), out);

  out = Cli("similar '" + path + "' --separators _-.", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find("2023 (2)\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Photo (2)\n\tDISC2\t2023-Photo.png\t1002\t2025/01/01(水) 00:00\n\tDISC1\tphoto_2023.jpg"),
            std::string::npos)
      << out;
  // A word longer than a record holds is listed cut, never as a file name.
  EXPECT_NE(out.find("\n" + std::string(91, 'L') + " (2)\n"), std::string::npos) << out;
  EXPECT_EQ(Cli("groups '" + path + "' similar"), out);

  Cli("groups '" + path + "' other", &status);
  EXPECT_NE(status, 0);
  Cli("groups '" + path + ".missing' dup", &status);
  EXPECT_NE(status, 0);
  // A cut store lists what could be read.
  std::string bytes = test::ReadFile(path.substr(0, path.size() - 4) + ".dup");
  test::WriteFile(path.substr(0, path.size() - 4) + ".dup", bytes.substr(0, bytes.size() - 60));
  out = Cli("groups '" + path + "' dup", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(out.find(long_name + " (2)"), std::string::npos) << out;
  EXPECT_EQ(out.find("Readme"), std::string::npos) << out;
}

}  // namespace
}  // namespace fv::dupes
