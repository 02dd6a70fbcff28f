#pragma once
// A long part of the page (the answers by question, each student's work)
// made in slices: by threads of their own ahead of its place, and by the
// page's own thread for the slices still untouched when it gets there.
// Written in order, so the page is the same whatever the threads.
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

namespace qa::review {

class PageParts {
public:
    // Draws the part's pieces [from, to) onto a stream.
    using Draw = std::function<void(std::ostream& os, std::size_t from, std::size_t to)>;

    // Starts `threads` - 1 threads of its own, which begin at once.
    PageParts(std::size_t pieces, unsigned threads, Draw draw);
    ~PageParts();
    PageParts(const PageParts&) = delete;
    PageParts& operator=(const PageParts&) = delete;

    // Every slice onto `os`, in order; a slice nobody took yet is drawn
    // straight onto it.
    void writeTo(std::ostream& os);

private:
    struct Slice;
    enum class State { Free, Taken, Done };

    void help();
    // The first slice from `from` nobody took, now taken; or none.
    Slice* take(std::size_t from);
    void drawAhead(Slice& s);

    Draw draw_;
    std::vector<std::unique_ptr<Slice>> slices_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::thread> threads_;
};

} // namespace qa::review
