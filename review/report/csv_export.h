#pragma once
// The CSV of the review: one row per student, assignment and question.
#include <ostream>

#include "review/model/model.h"

namespace qa::review {

class Marking;

// UTF-8 with a byte-order mark, CR LF rows; with `marking`, the marks at the
// end of each row.
void writeCsvExport(const Model& model, std::ostream& out, const Marking* marking = nullptr);

} // namespace qa::review
