#pragma once
// Ids of the review's things, one type per kind, and the tables they index:
// a student id cannot be passed where an item id is expected, nor index the
// table of files.
#include <compare>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace qa::review {

// An index into one kind's table. A default id is none.
template <class Tag> class Id {
public:
    constexpr Id() = default;
    constexpr explicit Id(std::uint32_t index) : index_(index) {}
    constexpr explicit Id(std::size_t index) : index_(static_cast<std::uint32_t>(index)) {}
    constexpr std::uint32_t index() const { return index_; }
    constexpr bool none() const { return index_ == kNoIndex; }
    constexpr bool some() const { return index_ != kNoIndex; }
    friend constexpr bool operator==(Id, Id) = default;
    friend constexpr auto operator<=>(Id, Id) = default;

private:
    static constexpr std::uint32_t kNoIndex = 0xFFFFFFFFu;
    std::uint32_t index_ = kNoIndex;
};

using StudentId = Id<struct StudentTag>;
using AssignmentId = Id<struct AssignmentTag>;
using SittingId = Id<struct SittingTag>;
using ItemId = Id<struct ItemTag>;
using FileId = Id<struct FileTag>;
using LineId = Id<struct LineTag>;         // an interned bank line or current line
using QuestionId = Id<struct QuestionTag>; // a question's place in its assignment

// The ids of a table, in order.
template <class IdT> class IdRange {
public:
    class iterator {
    public:
        using value_type = IdT;
        using difference_type = std::ptrdiff_t;
        constexpr iterator() = default;
        constexpr explicit iterator(std::uint32_t i) : i_(i) {}
        constexpr IdT operator*() const { return IdT(i_); }
        constexpr iterator& operator++()
        {
            ++i_;
            return *this;
        }
        constexpr iterator operator++(int)
        {
            iterator old = *this;
            ++i_;
            return old;
        }
        friend constexpr bool operator==(iterator, iterator) = default;

    private:
        std::uint32_t i_ = 0;
    };
    constexpr explicit IdRange(std::size_t n) : n_(static_cast<std::uint32_t>(n)) {}
    constexpr iterator begin() const { return iterator(0); }
    constexpr iterator end() const { return iterator(n_); }

private:
    std::uint32_t n_;
};

// Values of one kind, indexed by their ids only.
template <class IdT, class T> class Table {
public:
    Table() = default;
    explicit Table(std::vector<T> values) : values_(std::move(values)) {}
    explicit Table(std::size_t n) : values_(n) {}

    T& operator[](IdT id) { return values_[id.index()]; }
    const T& operator[](IdT id) const { return values_[id.index()]; }
    IdT add(T value)
    {
        values_.push_back(std::move(value));
        return IdT(values_.size() - 1);
    }
    std::size_t size() const { return values_.size(); }
    bool empty() const { return values_.empty(); }
    IdRange<IdT> ids() const { return IdRange<IdT>(values_.size()); }
    auto begin() { return values_.begin(); }
    auto end() { return values_.end(); }
    auto begin() const { return values_.begin(); }
    auto end() const { return values_.end(); }
    T& back() { return values_.back(); }
    const T& back() const { return values_.back(); }
    void reserve(std::size_t n) { values_.reserve(n); }
    void clear() { values_.clear(); }
    // The values in id order, for moving them out whole.
    std::vector<T>& values() { return values_; }
    const std::vector<T>& values() const { return values_; }

private:
    std::vector<T> values_;
};

} // namespace qa::review
