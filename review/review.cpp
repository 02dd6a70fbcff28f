// The review as its callers see it.
#include "review/review.h"

#include "review/model.h"

namespace qa::review {

Review::Review(std::unique_ptr<Model> model) : model_(std::move(model)) {}
Review::Review(Review&&) noexcept = default;
Review& Review::operator=(Review&&) noexcept = default;
Review::~Review() = default;

Review Review::load(const Options& options)
{
    auto model = std::make_unique<Model>();
    loadModel(*model, options);
    return Review(std::move(model));
}

std::size_t Review::recordFilesRead() const
{
    return model_->recordFilesRead;
}

Summary Review::summary() const
{
    Summary s;
    s.filesFound = model_->filesFound;
    s.recordFilesRead = model_->recordFilesRead;
    s.students = model_->students.size();
    s.assignments = model_->assignments.size();
    model_->count(s.responses, s.notes);
    s.problems = model_->problems.size();
    s.findings = model_->findings();
    return s;
}

const std::vector<Problem>& Review::problems() const
{
    return model_->problems;
}

void Review::writeHtml(std::ostream& out, const std::string& madeOn) const
{
    writeHtmlReport(*model_, out, madeOn);
}

void Review::writeCsv(std::ostream& out) const
{
    writeCsvExport(*model_, out);
}

} // namespace qa::review
