// The review as its callers see it: each call forwarded to the room that
// does the work.
#include "review/review.h"

#include <chrono>
#include <cstdio>

#include "platform/clock.h"
#include "platform/text.h"
#include "platform/utf8.h"
#include "review/checks/checks.h"
#include "review/intake/prefetch.h"
#include "review/intake/stages.h"
#include "review/marking/sheet.h"
#include "review/model/model.h"
#include "review/report/csv_export.h"
#include "review/report/html_report.h"
#include "review/report/workbook.h"

namespace qa::review {

Review::Review(std::unique_ptr<Model> model) : model_(std::move(model)) {}
Review::Review(Review&&) noexcept = default;
Review& Review::operator=(Review&&) noexcept = default;
Review::~Review() = default;

void Review::leaveToExit()
{
    static std::vector<std::unique_ptr<Model>>* const left = new std::vector<std::unique_ptr<Model>>;
    left->push_back(std::move(model_));
}

Review Review::load(const Options& options)
{
    auto model = std::make_unique<Model>();
    loadModel(*model, options);
    runChecks(*model, threadsFor(options.threads));
    Review review(std::move(model));
    review.threads_ = threadsFor(options.threads);
    return review;
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
    s.skipped = model_->skipped.size();
    s.expanded = model_->expanded;
    if (model_->assignments.empty())
        for (const std::string& a : model_->assignmentsSeen)
            s.otherAssignments.push_back(text::toUtf8(a));
    return s;
}

const std::vector<Problem>& Review::problems() const
{
    return model_->problems;
}

const std::vector<Skipped>& Review::skipped() const
{
    return model_->skipped;
}

std::vector<ReadInput> Review::inputFiles() const
{
    std::vector<ReadInput> out;
    out.reserve(model_->files.size());
    for (const InputFile& f : model_->files)
        if (!f.host.empty()) // not an archive's member
#ifdef _WIN32
            out.push_back({text::pathFromUtf8(f.host), f.device, f.id});
#else
            out.push_back({std::filesystem::path(f.host), f.device, f.id});
#endif
    return out;
}

void Review::writeHtml(std::ostream& out, const std::string& madeOn) const
{
    writeHtmlReport(*model_, out, madeOn, marks_, threads_);
}

std::string counted(std::size_t n, const std::string& one, const std::string& many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many.empty() ? one + "s" : many);
}

void Review::writeCsv(std::ostream& out) const
{
    writeCsvExport(*model_, out, marks_);
}

Result<void> Review::writeWorkbook(const std::filesystem::path& file, const std::string& madeOn) const
{
    return writeWorkbookFile(*model_, marks_, file, madeOn);
}

std::vector<Sheet> Review::sheets() const
{
    return sheetsOf(*model_);
}

std::string madeOnNow()
{
    const LocalTime t = SystemClock::at(std::chrono::system_clock::now());
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
    return buf;
}

} // namespace qa::review
