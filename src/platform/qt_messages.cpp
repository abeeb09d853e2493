#include "platform/qt_messages.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QString>

#include "platform/qt_convert.h"
#include "platform/services.h"
#include "platform/text.h"

namespace fv {

namespace {

QString Q(const std::string& cp932) {
  std::string u = text::Cp932ToUtf8(cp932);
  QString s = QString::fromUtf8(u.data(), static_cast<qsizetype>(u.size()));
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QChar('\r'), QChar('\n'));
  return s;
}

QString QPath(const std::string& native) { return QString::fromLocal8Bit(native.data(), static_cast<qsizetype>(native.size())); }
std::string NativePath(const QString& p) { return p.toLocal8Bit().toStdString(); }

// "Name (*.a)|*.a|Name2|*.*" (name and pattern pairs) becomes Qt's
// "Name (*.a);;Name2 (*.*)".
QString Filter(const std::string& cp932) {
  if (cp932.find('|') == std::string::npos) return Q(cp932);
  QStringList parts = Q(cp932).split(QChar('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i];
    if (!name.contains(QChar('('))) name += QStringLiteral(" (") + parts[i + 1].replace(QChar(';'), QChar(' ')) + QStringLiteral(")");
    out << name;
  }
  return out.join(QStringLiteral(";;"));
}

QString StartPath(const FileDialogRequest& req) {
  if (req.initial_dir.empty()) return QPath(req.initial_name);
  if (req.initial_name.empty()) return QPath(req.initial_dir);
  return QPath(req.initial_dir + "/" + req.initial_name);
}

}  // namespace

MsgResult QtMessages::Show(const std::string& text, const std::string& caption, MsgIcon icon,
                           MsgButtons buttons) {
  QMessageBox box(parent_);
  box.setText(Q(text));
  box.setWindowTitle(caption.empty() ? QApplication::applicationDisplayName() : Q(caption));
  switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
  }
  QMessageBox::StandardButtons b;
  switch (buttons) {
    case MsgButtons::Ok: b = QMessageBox::Ok; break;
    case MsgButtons::YesNo: b = QMessageBox::Yes | QMessageBox::No; break;
    case MsgButtons::OkCancel: b = QMessageBox::Ok | QMessageBox::Cancel; break;
    case MsgButtons::YesNoCancel: b = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    case MsgButtons::RetryCancel: b = QMessageBox::Retry | QMessageBox::Cancel; break;
  }
  box.setStandardButtons(b);
  switch (box.exec()) {
    case QMessageBox::Ok: return MsgResult::Ok;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Retry: return MsgResult::Retry;
    default: return MsgResult::Cancel;
  }
}

std::optional<std::string> QtFileDialogs::OpenFile(const FileDialogRequest& req) {
  QFileDialog dlg(parent_, Q(req.title), StartPath(req), Filter(req.filter));
  dlg.setAcceptMode(QFileDialog::AcceptOpen);
  dlg.setFileMode(req.must_exist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!req.default_ext.empty()) dlg.setDefaultSuffix(QPath(req.default_ext));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return NativePath(dlg.selectedFiles().front());
}

std::optional<std::string> QtFileDialogs::SaveFile(const FileDialogRequest& req) {
  QFileDialog dlg(parent_, Q(req.title), StartPath(req), Filter(req.filter));
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  if (!req.default_ext.empty()) dlg.setDefaultSuffix(QPath(req.default_ext));
  if (!req.confirm_overwrite) dlg.setOption(QFileDialog::DontConfirmOverwrite);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
  return NativePath(dlg.selectedFiles().front());
}

std::optional<std::string> QtFileDialogs::ChooseFolder(const FileDialogRequest& req) {
  QString f = QFileDialog::getExistingDirectory(parent_, Q(req.title), StartPath(req));
  if (f.isEmpty()) return std::nullopt;
  return NativePath(f);
}

std::optional<std::uint32_t> QtFileDialogs::ChooseColor(std::uint32_t initial_bgr, const std::string& title_cp932) {
  QColorDialog dlg(QColorFromStored(initial_bgr), parent_);
  if (!title_cp932.empty()) dlg.setWindowTitle(Q(title_cp932));
  if (dlg.exec() != QDialog::Accepted) return std::nullopt;
  return StoredFromQColor(dlg.selectedColor());
}

void InstallQtPlatform(QWidget* parent) {
  static QtMessages messages;
  static QtFileDialogs dialogs;
  messages.SetParent(parent);
  dialogs.SetParent(parent);
  Platform().messages = &messages;
  Platform().dialogs = &dialogs;
}

}  // namespace fv
