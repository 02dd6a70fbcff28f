#pragma once
// Same and near-identical answers. Texts are Windows-1252.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "review/model/fold.h"

namespace qa::review {

struct Similar {
    std::uint32_t a = 0, b = 0; // indices into the texts, a < b
    double share = 0;           // Jaccard similarity of their 3-word shingles
};

// The pairs of folded texts of at least `minWords` words whose 3-word shingle
// sets share `threshold` or more (Jaccard), found by MinHash with banding and
// then measured exactly: no comparison of all pairs. Sorted by a, then b.
std::vector<Similar> nearIdentical(const std::vector<std::string_view>& folded, double threshold = 0.8,
                                   std::size_t minWords = 5);

// The folded text with every whole-word run of the folded `passage` left
// out, blanks folded again: an answer that pastes the question compared
// without it. The text as it is when the passage is empty.
std::string leaveOut(std::string_view folded, std::string_view passage);

} // namespace qa::review
