#pragma once
// In-memory files and silent message boxes for the catalog fuzz targets.

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/messages.h"
#include "platform/services.h"

namespace fv::fuzz {

class MemFileSystem : public FileSystem {
 public:
  std::map<std::string, std::shared_ptr<std::string>> files;
  // Buffers of removed files, reused so that big files cost no fresh pages.
  std::vector<std::shared_ptr<std::string>> pool;

  void Recycle(std::shared_ptr<std::string> d) {
    if (d && d.use_count() == 1) {
      d->clear();
      pool.push_back(std::move(d));
    }
  }
  std::shared_ptr<std::string> Take() {
    if (pool.empty()) return std::make_shared<std::string>();
    auto d = std::move(pool.back());
    pool.pop_back();
    return d;
  }
  void Clear() {
    for (auto& [path, d] : files) Recycle(std::move(d));
    files.clear();
  }

  class MemFile : public File {
   public:
    explicit MemFile(std::shared_ptr<std::string> d) : d_(std::move(d)) {}
    bool ReadAt(std::int64_t off, void* buf, std::size_t n, std::size_t& got) override {
      got = 0;
      if (off < 0) return false;
      if (static_cast<std::size_t>(off) >= d_->size()) return true;
      got = std::min(n, d_->size() - static_cast<std::size_t>(off));
      std::memcpy(buf, d_->data() + off, got);
      return true;
    }
    bool WriteAt(std::int64_t off, const void* buf, std::size_t n) override {
      if (off < 0 || static_cast<std::size_t>(off) + n > (std::size_t{1} << 31)) return false;
      if (d_->size() < static_cast<std::size_t>(off) + n) d_->resize(static_cast<std::size_t>(off) + n);
      std::memcpy(d_->data() + off, buf, n);
      return true;
    }
    std::int64_t Size() override { return static_cast<std::int64_t>(d_->size()); }
    bool Truncate(std::int64_t n) override {
      if (n < 0 || n > (std::int64_t{1} << 31)) return false;
      d_->resize(static_cast<std::size_t>(n));
      return true;
    }
    bool Sync() override { return true; }
    std::string LastError() const override { return "error"; }

   private:
    std::shared_ptr<std::string> d_;
  };

  std::unique_ptr<File> Open(const std::string& path, OpenMode mode, std::string& err) override {
    auto it = files.find(path);
    if (mode == OpenMode::CreateTrunc) {
      auto d = Take();
      if (it != files.end()) Recycle(std::move(it->second));
      files[path] = d;
      return std::make_unique<MemFile>(d);
    }
    if (it == files.end()) {
      err = "No such file or directory";
      return nullptr;
    }
    return std::make_unique<MemFile>(it->second);
  }
  bool Exists(const std::string& path) override { return files.count(path) > 0; }
  bool IsDirectory(const std::string&) override { return false; }
  bool Remove(const std::string& path, std::string&) override {
    auto it = files.find(path);
    if (it == files.end()) return false;
    auto d = std::move(it->second);
    files.erase(it);
    Recycle(std::move(d));
    return true;
  }
  bool Rename(const std::string& from, const std::string& to, std::string& err) override {
    auto it = files.find(from);
    if (it == files.end()) {
      err = "No such file or directory";
      return false;
    }
    auto d = std::move(it->second);
    files.erase(it);
    auto& slot = files[to];
    Recycle(std::move(slot));
    slot = std::move(d);
    return true;
  }
  bool CreateDirs(const std::string&, std::string&) override { return true; }
  bool SyncFolderOf(const std::string&, std::string&) override { return true; }
  std::unique_ptr<FileLock> TakeLock(const std::string& lock_path, LockKind kind, int, const std::function<void()>&,
                                     std::string&) override {
    return FileLock::Unshared(lock_path, kind);
  }
};

class SilentMessages : public Messages {
 public:
  MsgResult Show(const std::string&, const std::string&, MsgIcon, MsgButtons) override { return MsgResult::No; }
};

// Installs the fakes once per process; each input starts with no files.
inline MemFileSystem& FreshFiles() {
  static MemFileSystem* fs = [] {
    auto* f = new MemFileSystem;
    Platform().files = f;
    static SilentMessages quiet;
    Platform().messages = &quiet;
    return f;
  }();
  fs->Clear();
  return *fs;
}

inline void Put(MemFileSystem& fs, const std::string& path, const std::string& data) {
  auto d = fs.Take();
  d->assign(data);
  fs.files[path] = d;
}

}  // namespace fv::fuzz
