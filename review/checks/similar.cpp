// MinHash with banding: each text's shingles are hashed by 100 functions and
// the minima cut into 25 bands of 4; texts that agree on a whole band become
// candidates. A pair with Jaccard similarity 0.8 misses every band with a
// chance of (1 - 0.8^4)^25, about 2 in a million; candidates are then
// measured exactly.
#include "review/checks/similar.h"
#include "platform/text.h"

#include <algorithm>
#include <array>
#include <limits>

namespace qa::review {
namespace {

constexpr int kBands = 25;
constexpr int kRows = 4;
constexpr int kHashes = kBands * kRows;

std::uint64_t mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

bool isPunctuation(unsigned char c)
{
    return c < 128 && !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
}

// The sorted, distinct hashes of the text's 3-word shingles; empty when it
// has fewer than `minWords` words.
std::vector<std::uint64_t> shingles(std::string_view folded, std::size_t minWords)
{
    std::vector<std::uint64_t> words;
    std::size_t i = 0;
    while (i < folded.size()) {
        std::size_t e = folded.find(' ', i);
        if (e == std::string_view::npos)
            e = folded.size();
        std::size_t b = i;
        std::size_t f = e;
        while (b < f && isPunctuation(static_cast<unsigned char>(folded[b])))
            ++b;
        while (f > b && isPunctuation(static_cast<unsigned char>(folded[f - 1])))
            --f;
        if (f > b)
            words.push_back(text::fnv1a(folded.substr(b, f - b)));
        i = e + 1;
    }
    std::vector<std::uint64_t> out;
    if (words.size() < minWords || words.size() < 3)
        return out;
    out.reserve(words.size() - 2);
    for (std::size_t k = 0; k + 2 < words.size(); ++k)
        out.push_back(mix(words[k] ^ mix(words[k + 1] ^ mix(words[k + 2]))));
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

double jaccard(const std::vector<std::uint64_t>& x, const std::vector<std::uint64_t>& y)
{
    std::size_t i = 0, j = 0, both = 0;
    while (i < x.size() && j < y.size()) {
        if (x[i] < y[j])
            ++i;
        else if (y[j] < x[i])
            ++j;
        else {
            ++both;
            ++i;
            ++j;
        }
    }
    const std::size_t either = x.size() + y.size() - both;
    return either == 0 ? 0 : static_cast<double>(both) / static_cast<double>(either);
}

} // namespace

std::vector<Similar> nearIdentical(const std::vector<std::string_view>& folded, double threshold,
                                   std::size_t minWords)
{
    const std::size_t n = folded.size();
    std::vector<std::vector<std::uint64_t>> sets(n);
    std::vector<std::uint32_t> usable;
    for (std::size_t i = 0; i < n; ++i) {
        sets[i] = shingles(folded[i], minWords);
        if (!sets[i].empty())
            usable.push_back(static_cast<std::uint32_t>(i));
    }
    // Band keys: (key, text) per band, sorted so that equal keys stand together.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> keys(usable.size() * kBands);
    for (std::size_t u = 0; u < usable.size(); ++u) {
        std::array<std::uint64_t, kHashes> minima;
        minima.fill(std::numeric_limits<std::uint64_t>::max());
        // The k-th hash of a shingle is a + k b (double hashing): one addition
        // per hash instead of a mixing function.
        for (std::uint64_t s : sets[usable[u]]) {
            std::uint64_t v = s;
            const std::uint64_t step = mix(s) | 1;
            for (int k = 0; k < kHashes; ++k, v += step)
                minima[k] = std::min(minima[k], v);
        }
        for (int band = 0; band < kBands; ++band) {
            std::uint64_t key = mix(static_cast<std::uint64_t>(band));
            for (int r = 0; r < kRows; ++r)
                key = mix(key ^ minima[band * kRows + r]);
            keys[u * kBands + band] = {key, usable[u]};
        }
    }
    std::sort(keys.begin(), keys.end());
    std::vector<std::pair<std::uint32_t, std::uint32_t>> candidates;
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t j = i + 1;
        while (j < keys.size() && keys[j].first == keys[i].first)
            ++j;
        for (std::size_t x = i; x < j; ++x)
            for (std::size_t y = x + 1; y < j; ++y)
                if (keys[x].second != keys[y].second)
                    candidates.emplace_back(keys[x].second, keys[y].second);
        i = j;
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    std::vector<Similar> out;
    for (const auto& [a, b] : candidates) {
        const double share = jaccard(sets[a], sets[b]);
        if (share >= threshold)
            out.push_back({a, b, share});
    }
    return out;
}

std::string leaveOut(std::string_view folded, std::string_view passage)
{
    if (passage.empty())
        return std::string(folded);
    std::string out;
    out.reserve(folded.size());
    std::size_t i = 0;
    while (i < folded.size()) {
        std::size_t at = folded.find(passage, i);
        // Only whole words: a blank or either end on both sides.
        while (at != std::string_view::npos &&
               ((at > 0 && folded[at - 1] != ' ') ||
                (at + passage.size() < folded.size() && folded[at + passage.size()] != ' ')))
            at = folded.find(passage, at + 1);
        const std::size_t upTo = at == std::string_view::npos ? folded.size() : at;
        for (char c : folded.substr(i, upTo - i))
            if (c != ' ' || (!out.empty() && out.back() != ' '))
                out += c;
        i = at == std::string_view::npos ? folded.size() : at + passage.size();
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

} // namespace qa::review
