#include "content/operands.h"

#include <utility>

namespace zvk {

void OperandList::push_back(Operand operand) {
    // Most operations take a few operands: one allocation each for the held
    // operands and the numbers, rather than a growth step per operand.
    if (count_ == 0) {
        leading_.reserve(kLeading);
        numbers_.reserve(kLeading);
    }
    if (count_ != SIZE_MAX) ++count_;
    if (const float* v = operand.number()) {
        if (numbers_.size() < kMaxColorComponents) numbers_.push_back(*v);
        if (number_count_ != SIZE_MAX) ++number_count_;
    }
    if (leading_.size() < kLeading) {
        leading_.push_back(std::move(operand));
        return;
    }
    if (trailing_.size() == kTrailing) trailing_.erase(trailing_.begin());
    trailing_.push_back(std::move(operand));
}

void OperandList::push_number(float value) {
    if (count_ == 0) {
        leading_.reserve(kLeading);
        numbers_.reserve(kLeading);
    }
    if (count_ != SIZE_MAX) ++count_;
    if (numbers_.size() < kMaxColorComponents) numbers_.push_back(value);
    if (number_count_ != SIZE_MAX) ++number_count_;
    if (leading_.size() < kLeading) {
        leading_.emplace_back().value.emplace<float>(value);
        return;
    }
    if (trailing_.size() == kTrailing) trailing_.erase(trailing_.begin());
    trailing_.emplace_back().value.emplace<float>(value);
}

void OperandList::swap(OperandList& other) noexcept {
    leading_.swap(other.leading_);
    trailing_.swap(other.trailing_);
    numbers_.swap(other.numbers_);
    std::swap(number_count_, other.number_count_);
    std::swap(count_, other.count_);
}

const Operand* OperandList::at(std::size_t index) const {
    if (index < leading_.size()) return &leading_[index];
    if (index >= count_) return nullptr;
    std::size_t first_trailing = count_ - trailing_.size();
    if (index < first_trailing) return nullptr;
    return &trailing_[index - first_trailing];
}

std::vector<Operand> OperandList::held() const {
    std::vector<Operand> out = leading_;
    out.insert(out.end(), trailing_.begin(), trailing_.end());
    return out;
}

// The room of the vectors stays for the next operation's operands.
void OperandList::clear() {
    leading_.clear();
    trailing_.clear();
    numbers_.clear();
    number_count_ = 0;
    count_ = 0;
}

}  // namespace zvk
