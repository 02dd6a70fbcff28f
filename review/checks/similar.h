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

} // namespace qa::review
