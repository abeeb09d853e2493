#include "export/export_command.h"

#include <cstdio>

#include "platform/files.h"
#include "platform/messages.h"
#include "platform/services.h"
#include "platform/text.h"
#include "settings/settings.h"

namespace fv {

std::string ExportTitle(int form, NodeLevel level) {
  const char* utf8 = "ファイル名";
  switch (form) {
    case 1: utf8 = "フルパス名"; break;
    case 2: utf8 = "フォルダ配下すべて"; break;
    case 3: utf8 = level == NodeLevel::Catalog ? "メディア情報すべて" : "カレントのメディア情報すべて"; break;
    default: break;
  }
  return text::Utf8ToCp932(utf8);
}

std::string ProposedExportFileName(int form, NodeLevel level, const DateTime& now) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", now.year, now.month, now.day, now.hour,
                now.minute, now.second);
  return std::string(stamp) + "_" + text::Cp932ToUtf8(ExportTitle(form, level)) + ".txt";
}

std::string WithTextExtension(const std::string& chosen) {
  std::string upper = chosen;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper.find(".TXT") == std::string::npos ? chosen + ".txt" : chosen;
}

ExportOutcome ExportFileList(ExportCatalog& catalog, const FileListRequest& request,
                                const ClipboardSink& clipboard, const DateTime& now) {
  ExportOutcome result;
  if (request.rows.empty()) {
    Platform().messages->Show(
        text::Utf8ToCp932("クリップボードにコピーするファイル名、またはフォルダ名が不明です"), "",
        MsgIcon::Warning, MsgButtons::Ok);
    result.kind = ExportOutcome::NothingSelected;
    return result;
  }
  const ExportSettings settings = ExportSettings::Read();
  result.text = BuildFileListText(catalog, settings, request);
  if (!settings.file_write) {
    if (clipboard) clipboard(result.text);
    result.kind = ExportOutcome::Clipboard;
    return result;
  }
  FileDialogRequest dlg;
  dlg.filter = text::Utf8ToCp932("テキストファイル(*.txt)|*.txt|すべてのファイル(*.*)|*.*");
  dlg.initial_name = ProposedExportFileName(request.form, request.level, now);
  dlg.must_exist = false;
  auto chosen = Platform().dialogs->SaveFile(dlg);
  if (!chosen) {
    result.kind = ExportOutcome::Cancelled;
    return result;
  }
  result.path = WithTextExtension(*chosen);
  // Written line by line: every line, the last one too, ends with CR LF.
  std::string data = result.text;
  if (!data.empty() && (data.size() < 2 || data.compare(data.size() - 2, 2, "\r\n") != 0)) data += "\r\n";
  if (!Platform().files->WriteFileAtomic(result.path, data, result.error)) {
    result.kind = ExportOutcome::Failed;
    Platform().messages->Show(text::Utf8ToCp932(result.error), "", MsgIcon::Error, MsgButtons::Ok);
    return result;
  }
  result.kind = ExportOutcome::File;
  return result;
}

ExportOutcome ExportSearchList(const std::vector<const TRecord*>& rows, int mode,
                                  const ClipboardSink& clipboard) {
  ExportOutcome result;
  if (rows.empty()) return result;
  result.text = BuildSearchListText(rows, mode, ReadSettingInteger(SettingKey::REG_ClipBordNameMode),
                                    ReadSettingString(SettingKey::REG_FormatUpdateDateTime));
  if (clipboard) clipboard(result.text);
  result.kind = ExportOutcome::Clipboard;
  return result;
}

}  // namespace fv
