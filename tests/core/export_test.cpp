#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "browse/hierarchy.h"
#include "browse/row_format.h"
#include "export/clipboard_settings_form.h"
#include "export/export_command.h"
#include "export/listing.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/timefmt.h"
#include "settings/settings.h"
#include "support/test_env.h"

namespace fv {
namespace {

using test::Sj;

// A folder or file of a fake medium; children are laid out breadth-first,
// as a read stores them.
struct Node {
  std::string name;  // UTF-8
  bool folder = false;
  std::vector<Node> kids;
  std::uint32_t time = 0;
  double size = 0;
  std::int32_t comment = -1;
};
Node File(const std::string& name, double size = 0) { return Node{name, false, {}, 0, size}; }
Node Dir(const std::string& name, std::vector<Node> kids = {}) { return Node{name, true, std::move(kids)}; }

class FakeCatalog : public ExportCatalog {
 public:
  struct Medium {
    std::string name;  // cp932
    std::vector<EntryRecord> entries;
    std::vector<std::string> names;  // cp932 full names
  };

  // Adds a medium; returns its index.
  int AddMedium(const std::string& utf8_name, const std::vector<Node>& top) {
    Medium m;
    m.name = Sj(utf8_name);
    std::vector<const Node*> order{nullptr};
    std::vector<int> parents{-1};
    for (std::size_t i = 0; i < order.size(); ++i) {
      const std::vector<Node>& kids = order[i] ? order[i]->kids : top;
      EntryRecord e{};
      e.Parent = parents[i];
      e.FirstChild = -1;
      e.CommentIndex = -1;
      if (!order[i]) {
        e.Kind = kKindFixed;
        e.Attributes = 0x10;
        m.names.push_back(m.name);
      } else {
        e.Kind = order[i]->folder ? kKindFolder : kKindFile;
        e.Attributes = order[i]->folder ? 0x10 : 0x20;
        e.Time = order[i]->time;
        e.Size = order[i]->size;
        e.ClusterBytes = order[i]->size;
        e.CommentIndex = order[i]->comment;
        m.names.push_back(Sj(order[i]->name));
      }
      e.Name.assign(m.names.back());
      if (!kids.empty()) e.FirstChild = static_cast<int>(order.size());
      for (const Node& k : kids) {
        order.push_back(&k);
        parents.push_back(static_cast<int>(i));
      }
      m.entries.push_back(e);
    }
    media.push_back(std::move(m));
    return static_cast<int>(media.size()) - 1;
  }

  // Entry index of a path of names below the root ("F/sub").
  int Find(int m, const std::string& utf8_path) const {
    int at = 0;
    std::size_t start = 0;
    while (start <= utf8_path.size()) {
      std::size_t end = utf8_path.find('/', start);
      if (end == std::string::npos) end = utf8_path.size();
      const std::string part = Sj(utf8_path.substr(start, end - start));
      int found = -1;
      const auto& es = media[static_cast<std::size_t>(m)].entries;
      for (std::size_t i = 1; i < es.size(); ++i)
        if (es[i].Parent == at && media[static_cast<std::size_t>(m)].names[i] == part) found = static_cast<int>(i);
      if (found < 0) return -1;
      at = found;
      start = end + 1;
    }
    return at;
  }

  // The file-list row of an entry, as the browsing list fills it.
  TRecord Row(int m, int e) const {
    const auto& med = media[static_cast<std::size_t>(m)];
    TRecord t;
    FillRow(t, MakeEntryId(m, e), med.entries[static_cast<std::size_t>(e)], med.names[static_cast<std::size_t>(e)]);
    return t;
  }

  bool LoadMedium(int m) override {
    if (m < 0 || m >= static_cast<int>(media.size())) return false;
    loaded = m;
    ++loads;
    return true;
  }
  int EntryCount() const override {
    return loaded < 0 ? 0 : static_cast<int>(media[static_cast<std::size_t>(loaded)].entries.size());
  }
  const EntryRecord& Entry(int e) const override {
    return media[static_cast<std::size_t>(loaded)].entries[static_cast<std::size_t>(e)];
  }
  std::string FullName(int e) const override {
    return media[static_cast<std::size_t>(loaded)].names[static_cast<std::size_t>(e)];
  }
  std::string MediumName(int m) const override { return media[static_cast<std::size_t>(m)].name; }
  std::string CommentText(int k) const override {
    auto it = comments.find(k);
    return it == comments.end() ? std::string() : it->second;
  }

  std::vector<Medium> media;
  std::map<int, std::string> comments;
  int loaded = -1;
  int loads = 0;
};

// F holding file1 and sub (a.txt, b.txt) then file2; a/b/x.txt; two lone files.
class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    Platform().files->Remove(SettingsFilePath(), err);
    disc = cat.AddMedium("DISC1", {Dir("F", {File("file1"), Dir("sub", {File("a.txt"), File("b.txt")}), File("file2")}),
                                   Dir("a", {Dir("b", {File("x.txt")})}), File("a.txt"), File("b.txt"),
                                   Dir("G", {File("g.txt"), Dir("e")})});
    cat.LoadMedium(disc);
  }

  // Text of a file-list export of the named rows (paths below the root).
  std::string Export(int form, std::vector<std::string> paths, bool simple = false,
                     NodeLevel level = NodeLevel::Folder) {
    std::vector<TRecord> rows;
    for (const auto& p : paths) {
      const int e = cat.Find(disc, p);
      EXPECT_GE(e, 0) << p;
      rows.push_back(cat.Row(disc, e));
    }
    FileListRequest req;
    req.form = form;
    req.simple = simple;
    req.level = level;
    req.node = MakeEntryId(disc, 0);
    for (const auto& r : rows) req.rows.push_back(&r);
    return text::Cp932ToUtf8(BuildFileListText(cat, ExportSettings::Read(), req));
  }

  static void SetTree(int mark = 0, bool numbers = false, bool offsets = false) {
    WriteSettingInteger(SettingKey::REG_ClipBordTree, 1);
    WriteSettingInteger(SettingKey::REG_ClipBordFolderMark, mark);
    WriteSettingInteger(SettingKey::REG_ClipBordTreeNo, numbers ? 1 : 0);
    WriteSettingInteger(SettingKey::REG_ClipBordOffsetNo, offsets ? 1 : 0);
  }

  test::PlatformScope scope;
  FakeCatalog cat;
  int disc = 0;
};

TEST_F(ExportTest, FileNamesQuotedWithHeaderAndSimpleVariantBare) {
  EXPECT_EQ(Export(0, {"a.txt", "b.txt"}), "\"名前\"\r\n\"a.txt\"\r\n\"b.txt\"\r\n");
  EXPECT_EQ(Export(0, {"a.txt", "b.txt"}, true), "a.txt\r\nb.txt\r\n");
  EXPECT_EQ(Export(1, {"a/b/x.txt"}, true), "a\\b\\x.txt\r\n");
}

TEST_F(ExportTest, TabSeparatedColumnsWithNumberAndTime) {
  WriteSettingString(SettingKey::REG_ClipBordPutItem, "11100000000000");
  WriteSettingInteger(SettingKey::REG_ClipBordItemSep, 1);
  cat.media[0].entries[static_cast<std::size_t>(cat.Find(disc, "a.txt"))].Time =
      PackDosTime({2024, 1, 31, 23, 59, 58});
  EXPECT_EQ(Export(0, {"a.txt", "b.txt"}), "No\t名前\t更新日時\r\n1\ta.txt\t2024/01/31(水) 23:59\r\n2\tb.txt\t\r\n");
}

TEST_F(ExportTest, EveryColumnAndTheEmptyFirstValueRule) {
  WriteSettingString(SettingKey::REG_ClipBordPutItem, "11111111111111trailing ignored");
  auto& e = cat.media[0].entries[static_cast<std::size_t>(cat.Find(disc, "a.txt"))];
  e.Size = 1000.4;
  e.ClusterBytes = 4096;
  e.Attributes = 0x27;
  e.Mark = 1;
  e.DirectFiles = 2;
  e.AllFolders = 3;
  e.CommentIndex = 7;
  e.Version.assign("1.2");
  cat.comments[7] = Sj("say \"hi\"");
  EXPECT_EQ(Export(0, {"a.txt"}),
            "No,\"名前\",更新日時,ファイルサイズ,クラスタサイズ,クラスタギャップ,属性,直下のフォルダ数,直下のファイル数,"
            "配下のフォルダ数,配下のファイル数,マーク,\"コメント\",Version\r\n"
            "1,\"a.txt\",,1000,4096,3096,RHSA,0,2,3,0,有,\"say \"\"hi\"\"\",1.2\r\n");
  // An empty first value puts no separator before the next one.
  WriteSettingString(SettingKey::REG_ClipBordPutItem, "00100000000001");
  EXPECT_EQ(Export(0, {"a.txt"}), "更新日時,Version\r\n1.2\r\n");
}

TEST_F(ExportTest, QuoteInsideANameIsDoubled) {
  cat.media[0].names[static_cast<std::size_t>(cat.Find(disc, "a.txt"))] = "say \"x\".txt";
  EXPECT_EQ(Export(0, {"say \"x\".txt"}), "\"名前\"\r\n\"say \"\"x\"\".txt\"\r\n");
}

TEST_F(ExportTest, FullPathsWithEachSeparator) {
  const struct {
    int folder;
    const char* expected;
  } cases[] = {{0, "a\\b\\x.txt"}, {1, "a/b/x.txt"}, {2, "a,b,x.txt"}, {3, "a\tb\tx.txt"}, {9, "a\\b\\x.txt"}};
  for (const auto& c : cases) {
    WriteSettingInteger(SettingKey::REG_ClipBordFolder, c.folder);
    EXPECT_EQ(Export(1, {"a/b/x.txt"}), std::string("\"名前\"\r\n\"") + c.expected + "\"\r\n") << c.folder;
  }
}

TEST_F(ExportTest, TreeFormDrawsBranches) {
  SetTree();
  EXPECT_EQ(Export(2, {"F"}),
            "F\r\n"
            "  ├  file1\r\n"
            "  ├  sub\r\n"
            "  │     ├  a.txt\r\n"
            "  │     └  b.txt\r\n"
            "  └  file2\r\n");
  SetTree(2, false, true);
  EXPECT_EQ(Export(2, {"F"}),
            "F\r\n"
            "  ├  [0001] file1\r\n"
            "  ├◆[0002] sub\r\n"
            "  │     ├  [0001] a.txt\r\n"
            "  │     └  [0002] b.txt\r\n"
            "  └  [0003] file2\r\n");
}

TEST_F(ExportTest, TreeFormWithLevelNumbers) {
  SetTree(2, true, true);  // the in-folder number does not apply here
  EXPECT_EQ(Export(2, {"F"}),
            "F\r\n"
            "[0001]  file1\r\n"
            "[0002]◆sub\r\n"
            "[0002]-[0001]  a.txt\r\n"
            "[0002]-[0002]  b.txt\r\n"
            "[0003]  file2\r\n");
}

TEST_F(ExportTest, PathFormListsLeavesAndEmptyFolders) {
  EXPECT_EQ(Export(2, {"F"}), "\"名前\"\r\n\"F\\file1\"\r\n\"F\\sub\\a.txt\"\r\n\"F\\sub\\b.txt\"\r\n\"F\\file2\"\r\n");
  EXPECT_EQ(Export(2, {"G"}), "\"名前\"\r\n\"G\\g.txt\"\r\n\"G\\e\\\"\r\n");
  WriteSettingString(SettingKey::REG_ClipBordPutItem, "11000000000000");
  WriteSettingInteger(SettingKey::REG_ClipBordFolderOnly, 1);
  EXPECT_EQ(Export(2, {"F", "G"}), "No,\"名前\"\r\n1,\"F\\sub\\\"\r\n2,\"G\\e\\\"\r\n");
}

TEST_F(ExportTest, EverythingUnderASelectedFile) {
  EXPECT_EQ(Export(2, {"a.txt"}), "\"名前\"\r\n");
  SetTree();
  EXPECT_EQ(Export(2, {"a.txt"}), "a.txt\r\n");
}

TEST_F(ExportTest, FoldersOnlyTreeCountsOnlyFolders) {
  SetTree(1, false, true);
  WriteSettingInteger(SettingKey::REG_ClipBordFolderOnly, 1);
  // A and B are the last two entries of the medium.
  cat.media.clear();
  disc = cat.AddMedium("M", {Dir("P", {File("x.txt"), Dir("A"), Dir("B")})});
  cat.LoadMedium(disc);
  EXPECT_EQ(Export(2, {"P"}), "P\r\n  ├◇[0001] A\r\n  └◇[0002] B\r\n");
  // A file after the last folder does not make it a middle branch.
  cat.media.clear();
  disc = cat.AddMedium("M", {Dir("Q", {Dir("C"), Dir("D"), File("y")})});
  cat.LoadMedium(disc);
  EXPECT_EQ(Export(2, {"Q"}), "Q\r\n  ├◇[0001] C\r\n  └◇[0002] D\r\n");
}

TEST_F(ExportTest, WholeMediumFromInsideAMedium) {
  cat.media.clear();
  disc = cat.AddMedium("DISC1", {Dir("F", {File("file1"), Dir("e")}), File("top.txt")});
  cat.LoadMedium(disc);
  EXPECT_EQ(Export(3, {"top.txt"}),
            "\"名前\"\r\n[メディア名：DISC1]\r\n\"F\\file1\"\r\n\"F\\e\\\"\r\n\"top.txt\"\r\n\r\n");
  SetTree();
  EXPECT_EQ(Export(3, {"top.txt", "F"}),
            "[メディア名：DISC1]\r\n\r\n  ├  F\r\n  │     ├  file1\r\n  │     └  e\r\n  └  top.txt\r\n\r\n");
}

TEST_F(ExportTest, MediaRowsAtTheCatalogLevel) {
  const int other = cat.AddMedium("ＤＩＳＣ２", {File("Readme.txt")});
  TRecord r0 = cat.Row(disc, 0), r1 = cat.Row(other, 0);
  FileListRequest req;
  req.level = NodeLevel::Catalog;
  req.rows = {&r0, &r1};
  WriteSettingInteger(SettingKey::REG_ClipBordNameMode, 2);
  WriteSettingInteger(SettingKey::REG_ClipBordFolderOnly, 1);
  auto run = [&](int form) {
    req.form = form;
    return text::Cp932ToUtf8(BuildFileListText(cat, ExportSettings::Read(), req));
  };
  // Upper case over the whole item, full-width letters too; the header stays.
  EXPECT_EQ(run(3), "\"名前\"\r\n【メディア名：DISC1】\r\n\"F\\\"\r\n\"F\\SUB\\\"\r\n\"A\\\"\r\n\"A\\B\\\"\r\n\"G\\\"\r\n"
                    "\"G\\E\\\"\r\n\r\n"
                    "【メディア名：ＤＩＳＣ２】\r\n\r\n");
  EXPECT_EQ(run(0), "\"名前\"\r\n\"DISC1\"\r\n\"ＤＩＳＣ２\"\r\n");
  EXPECT_EQ(run(1), "\"名前\"\r\n\"DISC1\"\r\n\"ＤＩＳＣ２\"\r\n");
  // Everything under a medium row: its whole medium under its name.
  WriteSettingInteger(SettingKey::REG_ClipBordFolderOnly, 0);
  WriteSettingInteger(SettingKey::REG_ClipBordNameMode, 0);
  EXPECT_EQ(run(2).substr(0, 46), "\"名前\"\r\n\"DISC1\\F\\file1\"\r\n\"DISC1\\F\\sub\\a.txt\"");
  EXPECT_NE(run(2).find("\"ＤＩＳＣ２\\Readme.txt\"\r\n"), std::string::npos);
}

TEST_F(ExportTest, LineCapAndDamagedLinksEndTheListing) {
  SetTree();
  // The same folder twice: the export stops at the medium's entry count (7).
  cat.media.clear();
  disc = cat.AddMedium("M", {Dir("F", {File("file1"), Dir("sub", {File("a.txt"), File("b.txt")}), File("file2")})});
  cat.LoadMedium(disc);
  EXPECT_EQ(Export(2, {"F", "F"}), "F\r\n  ├  file1\r\n  ├  sub\r\n  │     ├  a.txt\r\n  │     └  b.txt\r\n  └  file2\r\nF\r\n");
  cat.media.clear();
  disc = cat.AddMedium("DISC1", {Dir("F", {File("file1"), Dir("sub", {File("a.txt"), File("b.txt")}), File("file2")}),
                                 Dir("a", {Dir("b", {File("x.txt")})})});
  cat.LoadMedium(disc);
  // A folder that names itself or its parent as first child lists nothing
  // below it, even at the catalog level where no cap applies.
  auto& es = cat.media[0].entries;
  const int sub = cat.Find(disc, "F/sub");
  es[static_cast<std::size_t>(sub)].FirstChild = sub;
  es[static_cast<std::size_t>(cat.Find(disc, "a/b"))].FirstChild = 1;
  TRecord root = cat.Row(disc, 0);
  FileListRequest req;
  req.form = 3;
  req.level = NodeLevel::Catalog;
  req.rows = {&root};
  const std::string all = text::Cp932ToUtf8(BuildFileListText(cat, ExportSettings::Read(), req));
  EXPECT_NE(all.find("  │     ├  sub\r\n  │     └  file2"), std::string::npos) << all;
}

TEST_F(ExportTest, DeepTreesStopDrawingAfterFiftyLevels) {
  cat.media.clear();
  Node deep = File("leaf");
  for (int i = 52; i >= 1; --i) deep = Dir("d" + std::to_string(i), {deep});
  disc = cat.AddMedium("M", {deep});
  cat.LoadMedium(disc);
  SetTree(0, true);
  const std::string out = Export(2, {"d1"});
  EXPECT_NE(out.find("\r\n[0001]-[0001]-"), std::string::npos);
  EXPECT_NE(out.find("\r\nd52\r\nleaf\r\n"), std::string::npos);  // levels 51 and 52: no prefix
  EXPECT_EQ(out.find("[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-"
                     "[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-"
                     "[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-"
                     "[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]-[0001]"),
            std::string::npos);
}

TEST_F(ExportTest, CommandWarnsClipboardsOrWritesAFile) {
  std::string clip = "old";
  auto sink = [&](const std::string& t) { clip = t; };
  FileListRequest none;
  EXPECT_EQ(ExportFileList(cat, none, sink).kind, ExportOutcome::NothingSelected);
  ASSERT_EQ(scope.messages.shown.size(), 1u);
  EXPECT_EQ(scope.messages.shown[0].text, Sj("クリップボードにコピーするファイル名、またはフォルダ名が不明です"));
  EXPECT_EQ(scope.messages.shown[0].icon, MsgIcon::Warning);
  EXPECT_EQ(clip, "old");

  TRecord a = cat.Row(disc, cat.Find(disc, "a.txt"));
  FileListRequest req;
  req.rows = {&a};
  EXPECT_EQ(ExportFileList(cat, req, sink).kind, ExportOutcome::Clipboard);
  EXPECT_EQ(clip, "\"" + Sj("名前") + "\"\r\n\"a.txt\"\r\n");

  WriteSettingInteger(SettingKey::REG_ClipBordFileWrite, 1);
  const std::string dir = test::MakeTempDir();
  scope.dialogs.answers = {dir + "/report.log", std::nullopt, dir + "/list.Txt"};
  const DateTime now{2024, 1, 31, 23, 59, 59};
  ExportOutcome out = ExportFileList(cat, req, sink, now);
  EXPECT_EQ(out.kind, ExportOutcome::File);
  EXPECT_EQ(out.path, dir + "/report.log.txt");
  EXPECT_EQ(test::ReadFile(out.path), "\"" + Sj("名前") + "\"\r\n\"a.txt\"\r\n");
  ASSERT_EQ(scope.dialogs.requests.size(), 1u);
  EXPECT_EQ(scope.dialogs.requests[0].initial_name, "20240131235959_ファイル名.txt");
  EXPECT_EQ(scope.dialogs.requests[0].filter, Sj("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*"));
  EXPECT_EQ(ExportFileList(cat, req, sink, now).kind, ExportOutcome::Cancelled);
  EXPECT_EQ(ExportFileList(cat, req, sink, now).path, dir + "/list.Txt");
  EXPECT_EQ(clip, "\"" + Sj("名前") + "\"\r\n\"a.txt\"\r\n");  // the file option leaves the clipboard alone

  scope.UseFaultyFiles();
  scope.faulty.faults.push_back({test::FaultyFileSystem::Op::Write, "out.txt"});
  scope.dialogs.answers = {dir + "/out.txt"};
  out = ExportFileList(cat, req, sink, now);
  EXPECT_EQ(out.kind, ExportOutcome::Failed);
  EXPECT_FALSE(Platform().files->Exists(dir + "/out.txt"));
  EXPECT_EQ(scope.messages.shown.back().icon, MsgIcon::Error);
  EXPECT_NE(scope.messages.TextsUtf8().find("No space left on device"), std::string::npos);
}

TEST_F(ExportTest, ProposedNamesAndTitles) {
  const DateTime t{2026, 12, 1, 8, 5, 3};
  EXPECT_EQ(ProposedExportFileName(1, NodeLevel::Folder, t), "20261201080503_フルパス名.txt");
  EXPECT_EQ(ProposedExportFileName(2, NodeLevel::Medium, t), "20261201080503_フォルダ配下すべて.txt");
  EXPECT_EQ(ProposedExportFileName(3, NodeLevel::Catalog, t), "20261201080503_メディア情報すべて.txt");
  EXPECT_EQ(ProposedExportFileName(3, NodeLevel::Folder, t), "20261201080503_カレントのメディア情報すべて.txt");
  EXPECT_EQ(WithTextExtension("a.txt.bak"), "a.txt.bak");
  EXPECT_EQ(WithTextExtension("notes"), "notes.txt");
}

TEST_F(ExportTest, SearchListModes) {
  TRecord f;
  f.Kind = kKindFile;
  f.Name = Sj("Ａb\"c.txt");
  f.ParentPath = "DISC1\\F";
  f.Size = 1234;
  f.ClusterBytes = 4096;
  f.Time = PackDosTime({2024, 1, 31, 23, 59, 0});
  f.Version = "1.0";
  f.SetText(kSearchColClassification, Sj("分類A"));
  f.SetText(kSearchColLocation, Sj("棚"));
  f.SetText(kSearchColLocationDetail, "3");
  f.SetText(kSearchColType, Sj("TXTファイル"));
  f.SetText(kSearchColComment, Sj("コメント"));
  TRecord d;
  d.Kind = kKindFolder;
  d.Name = "sub";
  d.ParentPath = "DISC1";
  d.AllFiles = 12;
  std::vector<const TRecord*> rows{&f, &d};
  std::string clip;
  auto sink = [&](const std::string& t) { clip = t; };
  auto run = [&](int mode) {
    ExportSearchList(rows, mode, sink);
    return text::Cp932ToUtf8(clip);
  };
  EXPECT_EQ(run(0), "Ａb\"c.txt\r\nsub\r\n");
  EXPECT_EQ(run(1), "DISC1\\F\\Ａb\"c.txt\r\nDISC1\\sub\r\n");
  EXPECT_EQ(run(4),
            "\"Ａb\"\"c.txt\",1,\"DISC1\\F\",\"分類A\",\"棚\",\"3\",1234,\"TXTファイル\",\"2024/01/31(水) 23:59\",4096,2862,"
            "\"1.0\",\"コメント\"\r\n"
            "\"sub\",12,\"DISC1\",\"\",\"\",\"\",0,\"\",\"\",0,0,\"\",\"\"\r\n");
  WriteSettingInteger(SettingKey::REG_ClipBordNameMode, 1);
  EXPECT_EQ(run(1), "disc1\\f\\ａb\"c.txt\r\ndisc1\\sub\r\n");
  clip = "kept";
  EXPECT_EQ(ExportSearchList({}, 0, sink).kind, ExportOutcome::NothingSelected);
  EXPECT_EQ(clip, "kept");
}

TEST_F(ExportTest, DefaultFormAndCopyButtonHint) {
  const struct {
    int stored, form;
    bool simple;
    const char* hint;
  } cases[] = {{0, 0, false, "(ファイル名)"}, {1, 1, false, "(フルパス名)"}, {2, 2, false, "(フォルダ配下すべて)"},
               {3, 3, false, "(カレントのメディア情報すべて)"}, {4, 0, false, "(ファイル名)"},
               {5, 0, true, "(ファイル名（シンプル）)"}, {6, 1, true, "(フルパス名（シンプル）)"}, {-1, 0, false, "(ファイル名)"}};
  for (const auto& c : cases) {
    EXPECT_EQ(DefaultExportForm(c.stored).form, c.form) << c.stored;
    EXPECT_EQ(DefaultExportForm(c.stored).simple, c.simple) << c.stored;
    EXPECT_EQ(text::Cp932ToUtf8(CopyButtonHint(c.stored)), std::string("クリップボードへコピー") + c.hint);
  }
}

TEST_F(ExportTest, ClipboardSettingsFormShowsAndStoresSettings) {
  ClipboardSettingsForm form;
  form.Load();
  EXPECT_EQ(form.name_mode, 0);
  EXPECT_EQ(form.default_form, 2);  // "ファイル名"
  EXPECT_TRUE(form.columns[kColName]);
  EXPECT_FALSE(form.columns[kColNo]);
  EXPECT_TRUE(form.ColumnsEnabled());
  EXPECT_FALSE(form.TreeOptionsEnabled());

  // Out-of-range values select the first item; a short flags text counts as the default.
  WriteSettingInteger(SettingKey::REG_ClipBordNameMode, 7);
  WriteSettingInteger(SettingKey::REG_ClipBordFolder, 4);
  WriteSettingInteger(SettingKey::REG_ClipBordItemSep, 2);
  WriteSettingInteger(SettingKey::REG_ClipBordFolderMark, 19);
  WriteSettingInteger(SettingKey::REG_ClipBordDefault, 4);
  WriteSettingInteger(SettingKey::REG_ClipBordTree, 2);
  WriteSettingString(SettingKey::REG_ClipBordPutItem, "111");
  form.Load();
  EXPECT_EQ(form.name_mode, 0);
  EXPECT_EQ(form.path_mark, 0);
  EXPECT_EQ(form.item_sep, 0);
  EXPECT_EQ(form.folder_mark, 0);
  EXPECT_EQ(form.default_form, 2);
  EXPECT_TRUE(form.tree);
  EXPECT_FALSE(form.ColumnsEnabled());
  EXPECT_TRUE(form.columns[kColName] && !form.columns[kColNo]);

  form.AllOn();
  form.columns[kColVersion] = false;
  form.name_mode = 2;
  form.item_sep = 1;
  form.path_mark = 3;
  form.folder_mark = 18;
  form.default_form = 0;
  form.file_write = true;
  ASSERT_TRUE(form.Save());
  EXPECT_EQ(ReadSettingString(SettingKey::REG_ClipBordPutItem), "11111111111110");
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ClipBordDefault), 5);
  EXPECT_EQ(ReadSettingInteger(SettingKey::REG_ClipBordTree), 1);
  const ExportSettings s = ExportSettings::Read();
  EXPECT_EQ(s.name_mode, 2);
  EXPECT_EQ(s.item_sep, "\t");
  EXPECT_EQ(s.path_sep, "\t");
  EXPECT_EQ(FolderMarkText(s.folder_mark), Sj("×"));
  EXPECT_TRUE(s.file_write);
  form.Defaults();
  EXPECT_EQ(std::count(form.columns.begin(), form.columns.end(), true), 1);
  EXPECT_EQ(ClipboardSettingsForm::FolderMarkTexts().size(), 19u);
}

}  // namespace
}  // namespace fv
