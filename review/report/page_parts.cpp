#include "review/report/page_parts.h"

#include <algorithm>
#include <streambuf>

namespace qa::review {
namespace {

// Bytes kept in blocks that never move once written: a slice drawn ahead
// costs no copying as it grows.
class Blocks : public std::streambuf {
public:
    void writeTo(std::ostream& os) const
    {
        for (std::size_t k = 0; k < blocks_.size(); ++k) {
            const std::size_t n = k + 1 < blocks_.size() ? kBlock : static_cast<std::size_t>(pptr() - pbase());
            os.write(blocks_[k].get(), static_cast<std::streamsize>(n));
        }
    }

    void clear()
    {
        blocks_.clear();
        setp(nullptr, nullptr);
    }

protected:
    int_type overflow(int_type c) override
    {
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(kBlock));
        setp(blocks_.back().get(), blocks_.back().get() + kBlock);
        return traits_type::eq_int_type(c, traits_type::eof()) ? traits_type::not_eof(c)
                                                               : sputc(static_cast<char>(c));
    }

private:
    static constexpr std::size_t kBlock = std::size_t{1} << 16;
    std::vector<std::unique_ptr<char[]>> blocks_;
};

// Students to a slice: enough slices for the threads to share out evenly.
constexpr std::size_t kSlicesPerThread = 8;

} // namespace

struct PageParts::Slice {
    std::size_t from = 0, to = 0;
    State state = State::Free;
    Blocks made;
};

PageParts::PageParts(std::size_t pieces, unsigned threads, Draw draw) : draw_(std::move(draw))
{
    const std::size_t helpers = threads > 1 ? threads - 1 : 0;
    const std::size_t count = helpers ? std::min(pieces, threads * kSlicesPerThread) : 1;
    for (std::size_t k = 0; k < count; ++k) {
        auto s = std::make_unique<Slice>();
        s->from = pieces * k / count;
        s->to = pieces * (k + 1) / count;
        slices_.push_back(std::move(s));
    }
    for (std::size_t k = 0; k < helpers && count > 1; ++k)
        threads_.emplace_back([this] { help(); });
}

PageParts::~PageParts()
{
    {
        // Slices not drawn by now are not wanted: the helpers stop.
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& s : slices_)
            if (s->state == State::Free)
                s->state = State::Done;
    }
    for (std::thread& t : threads_)
        t.join();
}

PageParts::Slice* PageParts::take(std::size_t from)
{
    for (std::size_t k = from; k < slices_.size(); ++k)
        if (slices_[k]->state == State::Free) {
            slices_[k]->state = State::Taken;
            return slices_[k].get();
        }
    return nullptr;
}

void PageParts::drawAhead(Slice& s)
{
    {
        std::ostream os(&s.made);
        draw_(os, s.from, s.to);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    s.state = State::Done;
    changed_.notify_all();
}

void PageParts::help()
{
    for (;;) {
        Slice* s;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            s = take(0);
        }
        if (!s)
            return;
        drawAhead(*s);
    }
}

void PageParts::writeTo(std::ostream& os)
{
    for (std::size_t k = 0; k < slices_.size(); ++k) {
        Slice& s = *slices_[k];
        std::unique_lock<std::mutex> lock(mutex_);
        while (s.state != State::Done) {
            if (s.state == State::Free) {
                s.state = State::Taken;
                lock.unlock();
                draw_(os, s.from, s.to);
                lock.lock();
                s.state = State::Done;
                break;
            }
            // Drawn by a helper just now: help with a later one rather than wait.
            if (Slice* later = take(k + 1)) {
                lock.unlock();
                drawAhead(*later);
                lock.lock();
                continue;
            }
            changed_.wait(lock);
        }
        lock.unlock();
        s.made.writeTo(os);
        s.made.clear();
    }
}

} // namespace qa::review
