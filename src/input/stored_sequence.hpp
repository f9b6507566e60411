// The stored sequence: a window of consecutive sequence lines of the current contig,
// kept as a ring of rows so that sliding the window forward by one row costs O(1).
// Row 0 holds the lowest positions of the window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

class StoredSequence {
public:
    // Obtains nRows empty rows; false when the memory cannot be had.
    bool allocate(std::int32_t nRows);
    // Rows of the window in use: all that were allocated, or fewer (see useRows).
    std::int32_t nRows() const { return static_cast<std::int32_t>(used_); }
    std::int32_t allocatedRows() const { return static_cast<std::int32_t>(rows_.size()); }
    // On an empty window (after clearAll): use only the first n rows (1 <= n <= allocated).
    void useRows(std::int32_t n);

    std::string& row(std::int32_t r) { return rows_[slot(r)]; }
    const std::string& row(std::int32_t r) const { return rows_[slot(r)]; }

    // Drops row 0; every other row moves down by one and the last row is empty, ready
    // to be filled. The storage of the dropped row is reused.
    void advance();
    void clearAll();

private:
    std::size_t slot(std::int32_t r) const {
        std::size_t s = first_ + static_cast<std::size_t>(r);
        return s >= used_ ? s - used_ : s;
    }
    std::vector<std::string> rows_;
    std::size_t used_ = 0;
    std::size_t first_ = 0;
};

}  // namespace kestrel
