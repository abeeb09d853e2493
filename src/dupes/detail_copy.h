#pragma once
// The detail copy dialog TfrmDupSubClipbord without its window: the column
// list and its state for the run of the program, and the CSV or tab text of
// a detail grid, delivered to the clipboard or to a file.

#include <cstdint>
#include <string>
#include <vector>

#include "catalog/records.h"
#include "dupes/result_store.h"
#include "export/export_command.h"
#include "platform/timefmt.h"

namespace fv::dupes {

// The three grids the dialog copies from.
enum class DetailGrid {
  GridView2,   // duplicate detail grid of the result page
  GridView12,  // similar detail grid of the result page
  GridView4,   // similar detail grid of the panel under the file list
};

enum class DetailColumn { No, Name, Time, Size, Medium, Path, Classification, Location, LocationDetail };

// Caption of a column (cp932).
std::string DetailColumnCaption(DetailColumn c);

// One row of a detail grid as it shows it.
struct DetailRow {
  std::int32_t no = 0;        // position inside the word group, from 1
  std::string name;           // cp932
  std::string time;           // formatted update time; empty for none
  std::uint32_t size = 0;
  std::string medium;
  std::string path;           // empty until "全パス名表示" filled it
  std::string classification;
  std::string location;
  std::string location_detail;
};

// A detail row from a member record: the medium's fields from its slot and
// the time in the picture of REG_FormatUpdateDateTime.
DetailRow MakeDetailRow(const StoreRow& member, std::int32_t no, const MediumRecord& medium,
                        const std::string& time_picture);

class DupSubClipbord {
 public:
  struct Column {
    DetailColumn column;
    bool ticked;
  };

  // Prepares the dialog for a grid. On a different grid than last time the
  // column list is rebuilt from the grid's visible columns, all ticked
  // ("パス名" only when shown; "No" of the similar grids only when shown).
  // The case choice comes from REG_ClipBordNameMode.
  void Open(DetailGrid grid, bool path_shown, bool no_shown = true);
  std::string Caption() const;  // cp932

  // 0 no change, 1 lower case, 2 upper case (multibyte letters included).
  int case_mode = 0;
  bool comma = true;        // ",(カンマ)"; false: "TAB"
  bool title_line = true;   // "先頭にタイトル行を出力"
  bool to_file = false;     // "クリップボード出力では無くファイルへ出力する"

  const std::vector<Column>& Columns() const { return columns_; }
  void Tick(int i, bool on);
  // Moves column i one place; returns its new index.
  int MoveUp(int i);
  int MoveDown(int i);
  void AllOn();
  void AllOff();

  // The lines of the rows (each ended by CR LF); empty when no column is
  // ticked.
  std::string BuildText(const std::vector<DetailRow>& rows) const;

  // "コピー": stores the case choice, then delivers the text to the
  // clipboard or, with to_file, to the file the save dialog gives.
  ExportOutcome Copy(const std::vector<DetailRow>& rows, const ClipboardSink& clipboard,
                     const DateTime& now = NowLocal());

  // yyyymmddhhnnss + "_重複ファイル詳細.csv" (or the similar title); native.
  std::string ProposedFileName(const DateTime& now) const;

 private:
  bool opened_ = false;
  DetailGrid grid_ = DetailGrid::GridView2;
  std::vector<Column> columns_;
};

// The chosen name with ".csv" appended unless it holds ".CSV" (upper-cased).
std::string WithCsvExtension(const std::string& chosen);

}  // namespace fv::dupes
