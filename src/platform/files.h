#pragma once
// File access for every subsystem. The real layer is POSIX; tests put a
// fault-injecting layer in its place through Services.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/file_lock.h"

namespace fv {

enum class OpenMode {
  Read,          // existing file, read only
  ReadWrite,     // existing file, read and write
  CreateTrunc,   // create or truncate, read and write
};

class File {
 public:
  virtual ~File() = default;
  // Reads up to n bytes at offset; got = bytes read (short at end of file).
  virtual bool ReadAt(std::int64_t offset, void* buf, std::size_t n, std::size_t& got) = 0;
  // Writes all n bytes at offset or fails. Reads and writes of disjoint
  // ranges may run on several threads at once.
  virtual bool WriteAt(std::int64_t offset, const void* buf, std::size_t n) = 0;
  virtual std::int64_t Size() = 0;  // -1 on failure
  virtual bool Truncate(std::int64_t size) = 0;
  virtual bool Sync() = 0;
  // The system's text for the last failure of this file.
  virtual std::string LastError() const = 0;

  // Reads exactly n bytes or fails (a short read is a failure).
  bool ReadExact(std::int64_t offset, void* buf, std::size_t n);
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // nullptr on failure with err set to the system's text. Only regular
  // files open: a folder, FIFO, socket or device is refused without
  // blocking.
  virtual std::unique_ptr<File> Open(const std::string& path, OpenMode mode, std::string& err) = 0;
  virtual bool Exists(const std::string& path) = 0;
  virtual bool IsDirectory(const std::string& path) = 0;
  virtual bool Remove(const std::string& path, std::string& err) = 0;
  // Atomic replace of `to` by `from` (same folder); durable when it returns
  // (the folder is synced after the rename).
  virtual bool Rename(const std::string& from, const std::string& to, std::string& err) = 0;
  // Makes the folder holding path durable: a file created, removed or
  // renamed there survives a power loss once this returns.
  virtual bool SyncFolderOf(const std::string& path, std::string& err) = 0;
  // Creates the folder and every missing parent.
  virtual bool CreateDirs(const std::string& path, std::string& err) = 0;
  // A lock between processes on lock_path (FileLock::Take on real files).
  virtual std::unique_ptr<FileLock> TakeLock(const std::string& lock_path, LockKind kind, int wait_ms,
                                             const std::function<void()>& on_wait, std::string& err) {
    return FileLock::Take(lock_path, kind, wait_ms, on_wait, err);
  }

  // Whole-file helpers built on the primitives above.
  bool ReadWholeFile(const std::string& path, std::string& out, std::string& err);
  // Writes to a temporary file beside path (named after the process),
  // syncs, then renames it over path.
  bool WriteFileAtomic(const std::string& path, const std::string& data, std::string& err);
};

// The POSIX implementation.
class PosixFileSystem : public FileSystem {
 public:
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode, std::string& err) override;
  bool Exists(const std::string& path) override;
  bool IsDirectory(const std::string& path) override;
  bool Remove(const std::string& path, std::string& err) override;
  bool Rename(const std::string& from, const std::string& to, std::string& err) override;
  bool SyncFolderOf(const std::string& path, std::string& err) override;
  bool CreateDirs(const std::string& path, std::string& err) override;
};

// Folder part of a path ("" when it has none) and the last component.
std::string DirName(const std::string& path);
std::string BaseName(const std::string& path);
// path with its extension (from the last '.' of the last component) replaced.
std::string ChangeExtension(const std::string& path, const std::string& ext_with_dot);

}  // namespace fv
