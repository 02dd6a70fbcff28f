#pragma once
// The review's one way of saying that something failed: a `Problem`, handed
// back as a value. A call that can fail returns `Result<T>`, which holds
// either what it made or the Problem; nothing is thrown across the review's
// core. The command line and the window each turn a Problem into their
// message in one place, with `describe`.
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "review/model/options.h"

namespace qa::review {

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
    Result(Problem problem) : v_(std::in_place_index<1>, std::move(problem)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& operator*() & { return std::get<0>(v_); }
    const T& operator*() const& { return std::get<0>(v_); }
    T&& operator*() && { return std::get<0>(std::move(v_)); }
    T* operator->() { return &std::get<0>(v_); }
    const T* operator->() const { return &std::get<0>(v_); }
    const Problem& problem() const { return std::get<1>(v_); }

private:
    std::variant<T, Problem> v_;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Problem problem) : problem_(std::move(problem)) {}

    bool ok() const { return !problem_; }
    explicit operator bool() const { return ok(); }
    const Problem& problem() const { return *problem_; }

private:
    std::optional<Problem> problem_;
};

// The Problem as one line of text: "file:line-last: what", the file and the
// lines left out where there are none.
std::string describe(const Problem& problem);

} // namespace qa::review
