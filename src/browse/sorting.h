#pragma once
// Sorting of the file list and the search result list: one key or, after
// shift-clicks, two keys; right-aligned (numeric) columns compare as texts
// left-padded with spaces to 20 characters; the name breaks ties.

#include <exception>
#include <memory>
#include <new>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "browse/row_format.h"
#include "browse/split_work.h"
#include "reading/trecord.h"

namespace fv {

// Sort state of one list; columns are data columns.
struct SortState {
  int column = 0;        // the sort column (second key while shift_count > 0)
  int primary = 0;       // the first key when two keys are in use
  int shift_count = 0;   // 0 = one key
  bool descending = false;
  bool right_aligned = false;  // of the sort column
};

// A header click: the sort column clicked again reverses the direction;
// with Shift the primary column stays and the shift count grows, without it
// the clicked column becomes the primary and the count returns to 0.
void ClickColumn(SortState& s, int column, bool shift, bool right_aligned);

// Header image of a column: 14/15 on the sort column (ascending/
// descending); with two keys 14/15 on the primary and 16/17 on the sort
// column; -1 for the others.
int HeaderImage(const SortState& s, int column);

// The text a right-aligned column compares by: left-padded with spaces to
// 20 characters (a text of 20 or more characters stays as it is).
std::string PadNumericKey(const std::string& text);

// The comparison key text of a row, exactly as the lists compare it with
// the locale collation: k1 + "_" + name, and with two keys k0 + "_" + key.
// For column 0 k1 is "1" for a folder or medium row and "2" for a file row
// (image index above 9).
std::string SortKeyText(const TRecord& row, const SortState& s, const std::function<bool(int)>& right_aligned);

// The collation order of two names (negative, zero, positive), as
// text::Compare gives it; names of printable ASCII take a table-driven path.
int CompareNames(const std::string& a, const std::string& b);

// Rows in storage order, kept in blocks of 1024 so that appending never
// moves a row and costs no allocation per row.
class RowStore {
 public:
  static constexpr std::size_t kBlock = 1024;
  static constexpr std::size_t kParallelRows = 16384;
  RowStore() = default;
  RowStore(const RowStore& o) {
    for (const TRecord& r : o) emplace_back() = r;
  }
  RowStore& operator=(const RowStore& o) {
    if (this != &o) {
      clear();
      for (const TRecord& r : o) emplace_back() = r;
    }
    return *this;
  }
  RowStore(RowStore&& o) noexcept : blocks_(std::move(o.blocks_)), size_(o.size_) { o.size_ = 0; }
  RowStore& operator=(RowStore&& o) noexcept {
    if (this != &o) {
      clear();
      blocks_ = std::move(o.blocks_);
      size_ = o.size_;
      o.size_ = 0;
    }
    return *this;
  }
  ~RowStore() { clear(); }

  std::size_t size() const { return size_; }
  TRecord& operator[](std::size_t i) { return Slot(i); }
  const TRecord& operator[](std::size_t i) const { return const_cast<RowStore*>(this)->Slot(i); }
  TRecord& emplace_back() {
    if (size_ == blocks_.size() * kBlock) blocks_.emplace_back(new Storage[kBlock]);
    TRecord* r = new (&blocks_[size_ / kBlock][size_ % kBlock]) TRecord();
    ++size_;
    return *r;
  }
  // Appends n rows, each default-constructed and then given to
  // fill(index among the new rows, row); long runs are filled on two
  // threads, so fill must be safe to call concurrently for distinct rows.
  // A row whose fill throws stays as filled so far; the exception reaches
  // the caller once every row exists.
  template <typename Fill>
  void Append(std::size_t n, Fill&& fill) {
    while (blocks_.size() * kBlock < size_ + n) blocks_.emplace_back(new Storage[kBlock]);
    const std::size_t base = size_;
    try {
      SplitWork(n, kParallelRows, [&](std::size_t begin, std::size_t end) {
        std::exception_ptr error;
        for (std::size_t i = begin; i < end; ++i) {
          TRecord* r = new (&blocks_[(base + i) / kBlock][(base + i) % kBlock]) TRecord();
          if (error) continue;
          try {
            fill(i, *r);
          } catch (...) {
            error = std::current_exception();
          }
        }
        if (error) std::rethrow_exception(error);
      });
    } catch (...) {
      size_ = base + n;
      throw;
    }
    size_ = base + n;
  }
  void clear() {
    for (std::size_t i = 0; i < size_; ++i) Slot(i).~TRecord();
    size_ = 0;
    blocks_.clear();
  }

  template <typename Store, typename Row>
  class Iter {
   public:
    Iter(Store* s, std::size_t i) : s_(s), i_(i) {}
    Row& operator*() const { return (*s_)[i_]; }
    Iter& operator++() {
      ++i_;
      return *this;
    }
    bool operator!=(const Iter& o) const { return i_ != o.i_; }

   private:
    Store* s_;
    std::size_t i_;
  };
  Iter<RowStore, TRecord> begin() { return {this, 0}; }
  Iter<RowStore, TRecord> end() { return {this, size_}; }
  Iter<const RowStore, const TRecord> begin() const { return {this, 0}; }
  Iter<const RowStore, const TRecord> end() const { return {this, size_}; }

 private:
  // Rows start on cache lines, so a row's leading fields share one line.
  struct Storage {
    alignas(64) unsigned char bytes[sizeof(TRecord)];
  };
  TRecord& Slot(std::size_t i) {
    return *std::launder(reinterpret_cast<TRecord*>(blocks_[i / kBlock][i % kBlock].bytes));
  }
  std::vector<std::unique_ptr<Storage[]>> blocks_;
  std::size_t size_ = 0;
};

// A list of rows in display order. Sorting changes only the order, never
// moves the rows themselves, and keeps each row's collation key of its name
// so repeated sorts do not compute them again. Indexes are display
// positions.
class RowList {
 public:
  std::size_t size() const { return order_.size(); }
  bool empty() const { return order_.empty(); }
  TRecord& operator[](std::size_t i) { return rows_[static_cast<std::size_t>(order_[i])]; }
  const TRecord& operator[](std::size_t i) const { return rows_[static_cast<std::size_t>(order_[i])]; }
  TRecord& back() { return (*this)[size() - 1]; }
  // Appends a row at the end of the display order.
  TRecord& emplace_back();
  // Appends n rows filled by fill(index among the new rows, row), on two
  // threads for long runs (see RowStore::Append).
  template <typename Fill>
  void Append(std::size_t n, Fill&& fill) {
    const std::size_t base = rows_.size();
    order_.reserve(base + n);
    struct Extend {  // the order gets every new row, filled or not
      std::vector<int>& order;
      std::size_t base, n;
      ~Extend() {
        for (std::size_t i = 0; i < n; ++i) order.push_back(static_cast<int>(base + i));
      }
    } extend{order_, base, n};
    rows_.Append(n, std::forward<Fill>(fill));
  }
  void push_back(TRecord row) { emplace_back() = std::move(row); }
  void assign(std::vector<TRecord> rows);
  void clear();

  template <typename List, typename Row>
  class Iter {
   public:
    Iter(List* l, std::size_t i) : l_(l), i_(i) {}
    Row& operator*() const { return (*l_)[i_]; }
    Row* operator->() const { return &(*l_)[i_]; }
    Iter& operator++() {
      ++i_;
      return *this;
    }
    bool operator!=(const Iter& o) const { return i_ != o.i_; }
    bool operator==(const Iter& o) const { return i_ == o.i_; }

   private:
    List* l_;
    std::size_t i_;
  };
  using iterator = Iter<RowList, TRecord>;
  using const_iterator = Iter<const RowList, const TRecord>;
  iterator begin() { return {this, 0}; }
  iterator end() { return {this, size()}; }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

  // Sorts with the state. right_aligned tells whether a data column is
  // right-aligned (the primary column's padding follows it).
  void Sort(const SortState& s, const std::function<bool(int)>& right_aligned);
  // The child list's order: by name alone, ascending.
  void SortByName();
  // Drops the cached name keys (after a row's name changed).
  void Invalidate() {
    name_key_start_.clear();
    name_ranks_.clear();
    by_name_.clear();
  }

 private:
  void EnsureNameKeys();
  void EnsureNameRanks();
  RowStore rows_;                // storage order; rows never move
  std::vector<int> order_;       // display position -> storage index
  std::string_view NameKey(std::size_t i) const;
  std::string name_key_buf_;                // every row's name key
  std::vector<std::size_t> name_key_start_;  // key i: [start[i], start[i + 1])
  // Position of each row's name in the collation order of all names (equal
  // names share one); per storage index, computed when first needed.
  std::vector<std::uint32_t> name_ranks_;
  std::vector<int> by_name_;  // storage indexes in name order, equal names in storage order
};

}  // namespace fv
