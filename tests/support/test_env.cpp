#include "support/test_env.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/text.h"

namespace fv::test {

namespace {

// Every test run gets its own home: settings, data and runtime folders all
// point inside it, so no test touches the real user's files.
class PrivateHome : public ::testing::Environment {
 public:
  void SetUp() override { Root(); }
  void TearDown() override {
    if (!root_.empty()) RunCommand("rm -rf '" + root_ + "'");
  }
  static const std::string& Root() {
    if (root_.empty()) {
      char tmpl[] = "/tmp/ferrovan-test-XXXXXX";
      char* d = mkdtemp(tmpl);
      if (!d) std::abort();
      root_ = d;
      for (const char* sub : {"/home", "/config", "/data", "/runtime", "/tmp"}) {
        std::string p = root_ + sub;
        mkdir(p.c_str(), 0700);
      }
      setenv("HOME", (root_ + "/home").c_str(), 1);
      setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
      setenv("XDG_DATA_HOME", (root_ + "/data").c_str(), 1);
      setenv("XDG_RUNTIME_DIR", (root_ + "/runtime").c_str(), 1);
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      setenv("TZ", "Asia/Tokyo", 1);
      tzset();
    }
    return root_;
  }
  static std::string root_;
};
std::string PrivateHome::root_;

[[maybe_unused]] ::testing::Environment* const kHome = ::testing::AddGlobalTestEnvironment(new PrivateHome);
// Set the folders before any static initialiser of a test reads them.
[[maybe_unused]] const bool kHomeReady = (PrivateHome::Root(), true);

}  // namespace

std::string Sj(const std::string& utf8) { return text::Utf8ToCp932(utf8); }

std::string MakeTempDir() {
  static int n = 0;
  std::string p = PrivateHome::Root() + "/tmp/t" + std::to_string(++n);
  RunCommand("rm -rf '" + p + "'");
  mkdir(p.c_str(), 0755);
  return p;
}

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(data.data(), static_cast<std::streamsize>(data.size()));
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

int RunCommand(const std::string& cmd, std::string* out) {
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  std::string data;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) data.append(buf, n);
  int st = pclose(p);
  if (out) *out = data;
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// ---- scripted message boxes ----------------------------------------------

MsgResult ScriptedMessages::Show(const std::string& text, const std::string& caption, MsgIcon icon,
                                 MsgButtons buttons) {
  shown.push_back({text, caption, icon, buttons});
  if (!answers.empty()) {
    MsgResult r = answers.front();
    answers.erase(answers.begin());
    return r;
  }
  switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel: return MsgResult::Ok;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel: return MsgResult::Yes;
    case MsgButtons::RetryCancel: return MsgResult::Retry;
  }
  return MsgResult::Ok;
}

std::string ScriptedMessages::TextsUtf8() const {
  std::string all;
  for (const auto& s : shown) all += text::Cp932ToUtf8(s.text) + "\n";
  return all;
}

std::optional<std::string> ScriptedDialogs::Next(const FileDialogRequest& req) {
  requests.push_back(req);
  if (answers.empty()) return std::nullopt;
  auto a = answers.front();
  answers.erase(answers.begin());
  return a;
}
std::optional<std::string> ScriptedDialogs::OpenFile(const FileDialogRequest& r) { return Next(r); }
std::optional<std::string> ScriptedDialogs::SaveFile(const FileDialogRequest& r) { return Next(r); }
std::optional<std::string> ScriptedDialogs::ChooseFolder(const FileDialogRequest& r) { return Next(r); }
std::optional<std::uint32_t> ScriptedDialogs::ChooseColor(std::uint32_t initial_bgr, const std::string& title_cp932) {
  color_requests.push_back({initial_bgr, title_cp932});
  if (colors.empty()) return std::nullopt;
  auto c = colors.front();
  colors.erase(colors.begin());
  return c;
}

// ---- fault-injecting files ---------------------------------------------------

int FaultyFileSystem::calls(Op op) const {
  std::lock_guard<std::mutex> hold(lock_);
  auto it = counts_.find(static_cast<int>(op));
  return it == counts_.end() ? 0 : it->second;
}

bool FaultyFileSystem::ShouldFail(Op op, const std::string& path, const Fault** fault) {
  std::lock_guard<std::mutex> hold(lock_);
  ++counts_[static_cast<int>(op)];
  for (Fault& f : faults) {
    if (f.op != op) continue;
    if (!f.path_contains.empty() && path.find(f.path_contains) == std::string::npos) continue;
    if (f.skip > 0) {
      --f.skip;
      continue;
    }
    if (f.times == 0) continue;
    if (f.times > 0) --f.times;
    *fault = &f;
    return true;
  }
  return false;
}

void FaultyFileSystem::Change(Op op, const std::string& path, bool* half) {
  std::lock_guard<std::mutex> hold(lock_);
  if (changes++ != stop_at) return;
  static const char* const kNames[] = {"open", "read", "write", "truncate", "sync",
                                       "rename", "remove", "mkdir", "folder sync"};
  stopped_at = std::string(kNames[static_cast<int>(op)]) + " " + BaseName(path);
  if (half && tear) {
    *half = true;
    return;
  }
  throw ProcessStopped{};
}

namespace {

class FaultyFile : public File {
 public:
  FaultyFile(FaultyFileSystem* fs, std::unique_ptr<File> inner, std::string path)
      : fs_(fs), inner_(std::move(inner)), path_(std::move(path)) {}
  using Op = FaultyFileSystem::Op;

  bool ReadAt(std::int64_t offset, void* buf, std::size_t n, std::size_t& got) override {
    const FaultyFileSystem::Fault* f;
    if (fs_->ShouldFail(Op::Read, path_, &f)) {
      got = 0;
      SetError(f->error);
      return false;
    }
    return inner_->ReadAt(offset, buf, n, got);
  }
  bool WriteAt(std::int64_t offset, const void* buf, std::size_t n) override {
    const FaultyFileSystem::Fault* f;
    if (fs_->ShouldFail(Op::Write, path_, &f)) {
      if (f->partial > 0) inner_->WriteAt(offset, buf, std::min(n, f->partial));
      SetError(f->error);
      return false;
    }
    bool half = false;
    fs_->Change(Op::Write, path_, &half);
    if (half) {
      inner_->WriteAt(offset, buf, n / 2);
      throw ProcessStopped{};
    }
    return inner_->WriteAt(offset, buf, n);
  }
  std::int64_t Size() override { return inner_->Size(); }
  bool Truncate(std::int64_t size) override {
    const FaultyFileSystem::Fault* f;
    if (fs_->ShouldFail(Op::Truncate, path_, &f)) {
      SetError(f->error);
      return false;
    }
    fs_->Change(Op::Truncate, path_);
    return inner_->Truncate(size);
  }
  bool Sync() override {
    const FaultyFileSystem::Fault* f;
    if (fs_->ShouldFail(Op::Sync, path_, &f)) {
      SetError(f->error);
      return false;
    }
    fs_->Change(Op::Sync, path_);
    return inner_->Sync();
  }
  std::string LastError() const override {
    std::lock_guard<std::mutex> hold(err_lock_);
    return err_.empty() ? inner_->LastError() : err_;
  }

 private:
  FaultyFileSystem* fs_;
  std::unique_ptr<File> inner_;
  std::string path_;
  void SetError(const std::string& e) {
    std::lock_guard<std::mutex> hold(err_lock_);
    err_ = e;
  }
  mutable std::mutex err_lock_;
  std::string err_;
};

}  // namespace

std::unique_ptr<File> FaultyFileSystem::Open(const std::string& path, OpenMode mode, std::string& err) {
  const Fault* f;
  if (ShouldFail(Op::Open, path, &f)) {
    err = f->error;
    return nullptr;
  }
  if (mode == OpenMode::CreateTrunc) Change(Op::Open, path);
  auto inner = real_.Open(path, mode, err);
  if (!inner) return nullptr;
  return std::make_unique<FaultyFile>(this, std::move(inner), path);
}

bool FaultyFileSystem::Exists(const std::string& path) { return real_.Exists(path); }
bool FaultyFileSystem::IsDirectory(const std::string& path) { return real_.IsDirectory(path); }

bool FaultyFileSystem::Remove(const std::string& path, std::string& err) {
  const Fault* f;
  if (ShouldFail(Op::Remove, path, &f)) {
    err = f->error;
    return false;
  }
  Change(Op::Remove, path);
  return real_.Remove(path, err);
}

bool FaultyFileSystem::Rename(const std::string& from, const std::string& to, std::string& err) {
  const Fault* f;
  if (ShouldFail(Op::Rename, to, &f)) {
    err = f->error;
    return false;
  }
  Change(Op::Rename, to);
  return real_.Rename(from, to, err);
}

bool FaultyFileSystem::SyncFolderOf(const std::string& path, std::string& err) {
  const Fault* f;
  if (ShouldFail(Op::SyncFolder, path, &f)) {
    err = f->error;
    return false;
  }
  Change(Op::SyncFolder, path);
  return real_.SyncFolderOf(path, err);
}

bool FaultyFileSystem::CreateDirs(const std::string& path, std::string& err) {
  const Fault* f;
  if (ShouldFail(Op::CreateDirs, path, &f)) {
    err = f->error;
    return false;
  }
  Change(Op::CreateDirs, path);
  return real_.CreateDirs(path, err);
}

// ---- scope -----------------------------------------------------------------

std::optional<std::string> FakeFileTypes::Describe(std::string_view extension) {
  ++describe_calls;
  auto it = descriptions.find(text::ToUpper(extension));
  if (it == descriptions.end()) return std::nullopt;
  return it->second;
}

std::string FakeFileTypes::IconName(std::string_view extension) {
  ++icon_calls;
  auto it = icons.find(text::ToUpper(extension));
  return it == icons.end() ? std::string() : it->second;
}

PlatformScope::PlatformScope() {
  Platform().messages = &messages;
  Platform().dialogs = &dialogs;
  Platform().types = &types;
}

PlatformScope::~PlatformScope() { ResetPlatform(); }

void PlatformScope::UseFaultyFiles() { Platform().files = &faulty; }

}  // namespace fv::test
