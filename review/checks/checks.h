#pragma once
// The checks across students, over what the intake read.
#include "review/model/model.h"

namespace qa::review {

// The checks over what was read: file names against headers, code lines
// shared by students, the same and near-identical answers, clocks that ran
// backwards. With `threads` above 1, the answers' checks are shared out among
// that many threads; the findings are the same whatever the number.
void runChecks(Model& model, unsigned threads = 1);

} // namespace qa::review
