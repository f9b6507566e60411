#include "input/stored_sequence.hpp"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace kestrel {

bool StoredSequence::allocate(std::int32_t nRows) {
    if (nRows <= 0) return false;
    try {
        rows_.assign(static_cast<std::size_t>(nRows), std::string());
        for (auto& r : rows_) r.reserve(100);
    } catch (const std::bad_alloc&) {
        rows_.clear();
        used_ = 0;
        return false;
    } catch (const std::length_error&) {
        rows_.clear();
        used_ = 0;
        return false;
    }
    used_ = rows_.size();
    first_ = 0;
    return true;
}

void StoredSequence::useRows(std::int32_t n) {
    if (rows_.empty()) return;
    used_ = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(n, 1)), 1, rows_.size());
    first_ = 0;
}

void StoredSequence::advance() {
    rows_[first_].clear();
    first_ = first_ + 1 == used_ ? 0 : first_ + 1;
}

void StoredSequence::clearAll() {
    for (auto& r : rows_) r.clear();
    first_ = 0;
}

}  // namespace kestrel
