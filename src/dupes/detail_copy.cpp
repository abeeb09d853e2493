#include "dupes/detail_copy.h"

#include <cstdio>
#include <utility>

#include "platform/files.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace fv::dupes {

namespace {

std::string Sj(const char* utf8) { return text::Utf8ToCp932(utf8); }

bool IsQuotedText(DetailColumn c) {
  switch (c) {
    case DetailColumn::Name:
    case DetailColumn::Medium:
    case DetailColumn::Path:
    case DetailColumn::Classification:
    case DetailColumn::Location:
    case DetailColumn::LocationDetail:
      return true;
    default:
      return false;
  }
}

const std::string& TextOf(const DetailRow& r, DetailColumn c) {
  switch (c) {
    case DetailColumn::Name: return r.name;
    case DetailColumn::Time: return r.time;
    case DetailColumn::Medium: return r.medium;
    case DetailColumn::Path: return r.path;
    case DetailColumn::Classification: return r.classification;
    case DetailColumn::Location: return r.location;
    case DetailColumn::LocationDetail: return r.location_detail;
    default: break;
  }
  static const std::string none;
  return none;
}

// A quoted CSV field; a double quote inside is written twice so that the
// field stays one field.
void AppendQuoted(const std::string& s, std::string& out) {
  out.push_back('"');
  for (char c : s) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

}  // namespace

std::string DetailColumnCaption(DetailColumn c) {
  switch (c) {
    case DetailColumn::No: return "No";
    case DetailColumn::Name: return Sj("名前");
    case DetailColumn::Time: return Sj("更新日時");
    case DetailColumn::Size: return Sj("サイズ");
    case DetailColumn::Medium: return Sj("メディア名");
    case DetailColumn::Path: return Sj("パス名");
    case DetailColumn::Classification: return Sj("分類");
    case DetailColumn::Location: return Sj("保管場所");
    case DetailColumn::LocationDetail: return Sj("保管詳細");
  }
  return {};
}

DetailRow MakeDetailRow(const StoreRow& member, std::int32_t no, const MediumRecord& medium,
                        const std::string& time_picture) {
  DetailRow r;
  r.no = no;
  r.name = member.name;
  r.time = FormatDosTime(time_picture, member.time);
  r.size = member.size;
  r.medium = medium.Name.str();
  r.classification = medium.Classification.str();
  r.location = medium.Location.str();
  r.location_detail = medium.LocationDetail.str();
  return r;
}

void DupSubClipbord::Open(DetailGrid grid, bool path_shown, bool no_shown) {
  case_mode = ReadSettingInteger(SettingKey::REG_ClipBordNameMode);
  if (case_mode < 0 || case_mode > 2) case_mode = 0;
  if (opened_ && grid == grid_) return;
  opened_ = true;
  grid_ = grid;
  columns_.clear();
  if (grid != DetailGrid::GridView2 && no_shown) columns_.push_back({DetailColumn::No, true});
  for (DetailColumn c : {DetailColumn::Name, DetailColumn::Time, DetailColumn::Size, DetailColumn::Medium,
                         DetailColumn::Path, DetailColumn::Classification, DetailColumn::Location,
                         DetailColumn::LocationDetail}) {
    if (c == DetailColumn::Path && !path_shown) continue;
    columns_.push_back({c, true});
  }
}

std::string DupSubClipbord::Caption() const {
  return Sj(grid_ == DetailGrid::GridView2 ? "コピー（重複ファイル詳細）" : "コピー（似たようなファイル詳細）");
}

void DupSubClipbord::Tick(int i, bool on) {
  if (i >= 0 && i < static_cast<int>(columns_.size())) columns_[static_cast<std::size_t>(i)].ticked = on;
}

int DupSubClipbord::MoveUp(int i) {
  if (i <= 0 || i >= static_cast<int>(columns_.size())) return i;
  std::swap(columns_[static_cast<std::size_t>(i)], columns_[static_cast<std::size_t>(i - 1)]);
  return i - 1;
}

int DupSubClipbord::MoveDown(int i) {
  if (i < 0 || i + 1 >= static_cast<int>(columns_.size())) return i;
  std::swap(columns_[static_cast<std::size_t>(i)], columns_[static_cast<std::size_t>(i + 1)]);
  return i + 1;
}

void DupSubClipbord::AllOn() {
  for (Column& c : columns_) c.ticked = true;
}

void DupSubClipbord::AllOff() {
  for (Column& c : columns_) c.ticked = false;
}

std::string DupSubClipbord::BuildText(const std::vector<DetailRow>& rows) const {
  std::vector<DetailColumn> chosen;
  for (const Column& c : columns_)
    if (c.ticked) chosen.push_back(c.column);
  if (chosen.empty()) return {};
  const char sep = comma ? ',' : '\t';
  std::string out;
  if (title_line) {
    for (std::size_t i = 0; i < chosen.size(); ++i) {
      if (i) out.push_back(sep);
      out += DetailColumnCaption(chosen[i]);
    }
    out += "\r\n";
  }
  std::string line;
  for (const DetailRow& r : rows) {
    line.clear();
    for (std::size_t i = 0; i < chosen.size(); ++i) {
      if (i) line.push_back(sep);
      DetailColumn c = chosen[i];
      if (c == DetailColumn::No)
        line += std::to_string(r.no);
      else if (c == DetailColumn::Size)
        line += std::to_string(r.size);
      else if (comma && IsQuotedText(c))
        AppendQuoted(TextOf(r, c), line);
      else
        line += TextOf(r, c);
    }
    if (case_mode == 1) text::ToLowerInPlace(line);
    if (case_mode == 2) text::ToUpperInPlace(line);
    out += line;
    out += "\r\n";
  }
  return out;
}

std::string DupSubClipbord::ProposedFileName(const DateTime& now) const {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", now.year, now.month, now.day, now.hour,
                now.minute, now.second);
  return std::string(stamp) +
         (grid_ == DetailGrid::GridView2 ? "_重複ファイル詳細.csv" : "_似たようなファイル詳細.csv");
}

std::string WithCsvExtension(const std::string& chosen) {
  if (text::ToUpper(chosen).find(".CSV") != std::string::npos) return chosen;
  return chosen + ".csv";
}

ExportOutcome DupSubClipbord::Copy(const std::vector<DetailRow>& rows, const ClipboardSink& clipboard,
                                   const DateTime& now) {
  ExportOutcome result;
  std::string err;
  WriteSettingInteger(SettingKey::REG_ClipBordNameMode, case_mode, &err);
  result.text = BuildText(rows);
  if (result.text.empty()) {
    result.kind = ExportOutcome::NothingSelected;  // no column ticked: nothing happens
    return result;
  }
  if (!to_file) {
    if (clipboard) clipboard(result.text);
    result.kind = ExportOutcome::Clipboard;
    return result;
  }
  FileDialogRequest dlg;
  dlg.filter = Sj("CSVファイル(*.csv)|*.csv|すべてのファイル(*.*)|*.*");
  dlg.initial_name = ProposedFileName(now);
  dlg.default_ext = "csv";
  dlg.must_exist = false;
  auto chosen = Platform().dialogs->SaveFile(dlg);
  if (!chosen) {
    result.kind = ExportOutcome::Cancelled;
    return result;
  }
  result.path = WithCsvExtension(*chosen);
  if (!Platform().files->WriteFileAtomic(result.path, result.text, result.error)) {
    result.kind = ExportOutcome::Failed;
    Platform().messages->Show(text::Utf8ToCp932(result.error), "", MsgIcon::Error, MsgButtons::Ok);
    return result;
  }
  result.kind = ExportOutcome::File;
  return result;
}

}  // namespace fv::dupes
