// A class downloaded as one archive, made here with libarchive: ZIP deflated
// and stored, tar.gz and 7z, with a ZIP per student inside one, reads to the
// same cells as the extracted files; a damaged archive is a problem that names
// it, and reading goes on.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "review/review.h"
#include "support/record_class.h"

#if QA_HAVE_LIBARCHIVE
#include <archive.h>
#include <archive_entry.h>
#include <locale.h>
#endif

namespace {

namespace fs = std::filesystem;
using namespace qa;

#if QA_HAVE_LIBARCHIVE

using Members = std::vector<std::pair<std::string, std::string>>; // path (UTF-8), bytes

std::string archiveOf(const Members& members, const char* format, bool stored = false, bool gzip = false)
{
#ifndef _WIN32
    // UTF-8 names are written where the locale is UTF-8 (Windows takes
    // them through the wide calls).
    const locale_t utf8 = newlocale(LC_ALL_MASK, "C.UTF-8", locale_t(0));
    const locale_t before = uselocale(utf8);
#endif
    archive* a = archive_write_new();
    if (std::string(format) == "zip")
        archive_write_set_format_zip(a);
    else if (std::string(format) == "7z")
        archive_write_set_format_7zip(a);
    else
        archive_write_set_format_pax_restricted(a);
    if (gzip)
        archive_write_add_filter_gzip(a);
    if (stored)
        archive_write_set_options(a, "zip:compression=store");
    std::string out(1 << 22, '\0');
    std::size_t used = 0;
    archive_write_open_memory(a, out.data(), out.size(), &used);
    for (const auto& [path, bytes] : members) {
        archive_entry* e = archive_entry_new();
        archive_entry_set_pathname_utf8(e, path.c_str());
        archive_entry_set_size(e, static_cast<la_int64_t>(bytes.size()));
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_perm(e, 0644);
        archive_write_header(a, e);
        archive_write_data(a, bytes.data(), bytes.size());
        archive_entry_free(e);
    }
    archive_write_close(a);
    archive_write_free(a);
#ifndef _WIN32
    uselocale(before);
    freelocale(utf8);
#endif
    out.resize(used);
    return out;
}

// The CSV's cells up to Revisions: the files are named apart.
std::string cells(const fs::path& input, review::Summary& summary,
                  std::vector<review::Problem>* problems = nullptr)
{
    review::Options options;
    options.inputs = {input};
    const review::Review r = review::Review::load(options);
    summary = r.summary();
    if (problems)
        *problems = r.problems();
    std::ostringstream csv;
    r.writeCsv(csv);
    std::string rows, line;
    std::istringstream in(csv.str());
    while (std::getline(in, line)) {
        for (int k = 0; k < 4; ++k)
            line.erase(line.rfind(','));
        rows += line + "\n";
    }
    return rows;
}

TEST(ReviewArchives, ADownloadReadsAsTheExtractedFiles)
{
    const auto q = qa::testing::builtinQuestions();
    qa::testing::RecordClass cls;
    auto zoe = cls.start("Zo\xEB N\xFA\xF1"
                         "ez",
                         "ZN", "\xC1");
    cls.respond(zoe, q[0], "one");
    auto bo = cls.start("Bo Chen", "BC", "\xC2");
    cls.respond(bo, q[1], "two");
    std::random_device random;
    const fs::path dir = fs::temp_directory_path() / ("qa-review-archives-" + std::to_string(random()));
    cls.write(dir / "plain");

    Members moodle, perStudent;
    for (const auto& [name, bytes] : cls.files) {
        const bool isBo = name.find("Bo") != std::string::npos;
        const std::string folder = isBo ? "Bo Chen_7_assignsubmission_file_"
                                        : "Zo\xC3\xAB N\xC3\xBA\xC3\xB1"
                                          "ez_8_assignsubmission_file_";
        moodle.emplace_back(folder + "/" + text::toUtf8(name), bytes);
        if (isBo)
            perStudent.emplace_back(text::toUtf8(name), bytes);
        else
            moodle.emplace_back("__MACOSX/" + folder + "/._" + text::toUtf8(name), "\x00\x05\x16\x07");
    }
    Members nested = {{"Bo Chen_7_assignsubmission_file_/work.zip", archiveOf(perStudent, "zip")}};
    for (const auto& m : moodle)
        if (m.first.starts_with("Zo"))
            nested.push_back(m);
    const std::vector<std::pair<std::string, std::string>> archives = {
        {"class.zip", archiveOf(moodle, "zip")},
        {"stored.zip", archiveOf(moodle, "zip", true)},
        {"class.tar.gz", archiveOf(moodle, "tar", false, true)},
        {"class.7z", archiveOf(moodle, "7z")},
        {"nested.zip", archiveOf(nested, "zip")},
    };
    review::Summary plain;
    const std::string want = cells(dir / "plain", plain);
    for (const auto& [name, bytes] : archives) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        review::Summary s;
        EXPECT_EQ(cells(dir / name, s), want) << name;
        EXPECT_EQ(s.recordFilesRead, plain.recordFilesRead) << name;
        EXPECT_EQ(s.problems, 0u) << name;
        EXPECT_EQ(s.findings, 0u) << name;
    }

    // Damaged: cut in half. The archive is named, and the folder's other files are read.
    fs::create_directories(dir / "mixed");
    std::ofstream(dir / "mixed" / "cut.zip", std::ios::binary) << archives[0].second.substr(0, 300);
    fs::copy(dir / "plain", dir / "mixed" / "plain");
    review::Summary s;
    std::vector<review::Problem> problems;
    EXPECT_EQ(cells(dir / "mixed", s, &problems), want);
    ASSERT_FALSE(problems.empty());
    EXPECT_EQ(problems.front().file.substr(0, 7), "cut.zip");
    fs::remove_all(dir);
}

#endif

} // namespace
