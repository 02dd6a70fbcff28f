// A class downloaded as one archive, made here with libarchive: ZIP deflated
// and stored, tar.gz and 7z, with a ZIP per student inside one, reads to the
// same cells as the extracted files; a damaged archive is a problem that names
// it, and reading goes on.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "review/intake/stages.h"
#include "review/report/csv_export.h"
#include "review/report/html_report.h"
#include "review/review.h"
#include "support/record_class.h"

#if QA_HAVE_LIBARCHIVE
#include <archive.h>
#include <archive_entry.h>
#include <locale.h>
#include <zlib.h>
#ifdef _WIN32
#include "platform/win32_text.h"
#endif
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
    if (std::string(format) == "zip") {
        archive_write_set_format_zip(a);
        archive_write_set_options(a, "zip:hdrcharset=UTF-8"); // and flagged so
    } else if (std::string(format) == "7z")
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
#ifdef _WIN32
        // Whole through the wide name: the UTF-8 one goes through the C
        // library's code page there.
        std::wstring wide;
        win32::widen(path, wide);
        archive_entry_copy_pathname_w(e, wide.c_str());
#else
        archive_entry_set_pathname_utf8(e, path.c_str());
#endif
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

// A ZIP written byte by byte, as other compressors write them: names as
// given (flagged as UTF-8 or not), and sizes as given, true or not.
struct ZipMember {
    std::string name;
    std::string data; // as stored: deflated when `deflated`
    std::uint32_t crc = 0;
    std::uint32_t size = 0; // what the headers say it expands to
    bool deflated = false;
    bool utf8 = false;
};

ZipMember stored(std::string name, std::string data, bool utf8 = false)
{
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
    const auto size = static_cast<std::uint32_t>(data.size());
    return {std::move(name), std::move(data), crc, size, false, utf8};
}

// Raw deflate of `times` copies of `bytes`.
std::string deflated(const std::string& bytes, std::size_t times)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string out;
    char buf[1 << 16];
    for (std::size_t k = 0; k <= times; ++k) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
        z.avail_in = k < times ? static_cast<uInt>(bytes.size()) : 0;
        do {
            z.next_out = reinterpret_cast<Bytef*>(buf);
            z.avail_out = sizeof buf;
            deflate(&z, k < times ? Z_NO_FLUSH : Z_FINISH);
            out.append(buf, sizeof buf - z.avail_out);
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    return out;
}

std::string zipOf(const std::vector<ZipMember>& members)
{
    std::string out, central;
    // `v` little-endian in `bytes` bytes; past its four, zeros.
    auto put = [](std::string& to, std::uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k)
            to += static_cast<char>(k < 4 ? (v >> (8 * k)) & 0xFF : 0);
    };
    for (const ZipMember& m : members) {
        const auto offset = static_cast<std::uint32_t>(out.size());
        for (std::string* to : {&out, &central}) {
            put(*to, to == &out ? 0x04034b50 : 0x02014b50, 4);
            if (to == &central)
                put(*to, 20, 2); // made by: MS-DOS
            put(*to, 20, 2);
            put(*to, m.utf8 ? 0x800 : 0, 2);
            put(*to, m.deflated ? 8 : 0, 2);
            put(*to, 0, 2);    // time
            put(*to, 0x21, 2); // 1980-01-01
            put(*to, m.crc, 4);
            put(*to, static_cast<std::uint32_t>(m.data.size()), 4);
            put(*to, m.size, 4);
            put(*to, static_cast<std::uint32_t>(m.name.size()), 2);
            put(*to, 0, 2);
            if (to == &central) {
                put(*to, 0, 2 + 2 + 2 + 4); // comment, disk, attributes
                put(*to, offset, 4);
            }
            *to += m.name;
        }
        out += m.data;
    }
    const auto at = static_cast<std::uint32_t>(out.size());
    out += central;
    put(out, 0x06054b50, 4);
    put(out, 0, 4);
    put(out, static_cast<std::uint32_t>(members.size()), 2);
    put(out, static_cast<std::uint32_t>(members.size()), 2);
    put(out, static_cast<std::uint32_t>(central.size()), 4);
    put(out, at, 4);
    put(out, 0, 2);
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
        for (int k = 0; k < 5; ++k)
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

    // A member damaged inside (its data cut short, after the others): named,
    // and nothing of it taken.
    std::vector<ZipMember> whole, damaged;
    for (const auto& [name, bytes] : cls.files)
        if (name.find("Bo") == std::string::npos)
            whole.push_back(stored(name, bytes));
    damaged = whole;
    for (const auto& [name, bytes] : cls.files)
        if (name.find("Bo") != std::string::npos) {
            ZipMember m = stored(name, bytes);
            m.data = deflated(bytes, 1);
            m.data.resize(m.data.size() / 2);
            m.deflated = true;
            damaged.push_back(m);
        }
    std::ofstream(dir / "whole.zip", std::ios::binary) << zipOf(whole);
    std::ofstream(dir / "damaged.zip", std::ios::binary) << zipOf(damaged);
    problems.clear();
    EXPECT_EQ(cells(dir / "damaged.zip", s, &problems), cells(dir / "whole.zip", s));
    std::vector<std::string> named, left;
    for (const review::Problem& p : problems) {
        named.push_back(p.file);
        EXPECT_EQ(p.what.substr(0, 27), "the member cannot be read: ") << p.what;
    }
    for (std::size_t k = whole.size(); k < damaged.size(); ++k)
        left.push_back("damaged.zip/" + damaged[k].name);
    EXPECT_EQ(named, left);
    fs::remove_all(dir);
}

TEST(ReviewArchives, MemberNamesInTheirCodePageAndNestedArchivesKeepTheParticipant)
{
    const auto q = qa::testing::builtinQuestions();
    qa::testing::RecordClass cls;
    cls.respond(cls.start("S\xF8ren Holm", "SH", "\xC1"), q[0], "one");
    cls.respond(cls.start("Bo Chen", "BC", "\xC2"), q[1], "two");
    cls.respond(cls.start("Cy Dunn", "CD", "\xC3"), q[2], "three");
    const std::string soren = cls.files.at("send_0307S\xF8ren_Holm.txt");
    // A member name not flagged as UTF-8 is UTF-8 when it reads as such (as
    // a Mac writes it), else code page 850 (Windows' own compressor in
    // Western Europe: 0x9B is "\xC3\xB8", where 437 has a cent sign).
    const std::vector<ZipMember> members = {
        stored("S\x9Bren Holm_1040005_assignsubmission_file_send_0307S\x9Bren_Holm.txt", soren),
        stored("S\xC3\xB8ren Holm_1040005_assignsubmission_file_/send_0307S\xC3\xB8ren_Holm.txt", soren),
        stored("S\xC3\xB8ren Holm_1040005_assignsubmission_file_/send_0307S\xC3\xB8ren_Holm (1).txt", soren, true),
        // A student's ZIP in a flat download: its member is handed in by her.
        stored("Bo Chen_1040006_assignsubmission_file_work.zip",
               zipOf({stored("send_0307Bo_Chen.txt", cls.files.at("send_0307Bo_Chen.txt"))})),
        // Late, as Canvas marks it.
        stored("dunncy_LATE_1040007_901_send_0307Cy_Dunn.txt", cls.files.at("send_0307Cy_Dunn.txt")),
    };
    std::random_device random;
    const fs::path dir = fs::temp_directory_path() / ("qa-review-names-" + std::to_string(random()));
    fs::create_directories(dir);
    std::ofstream(dir / "class.zip", std::ios::binary) << zipOf(members);
    review::Model m;
    review::Options options;
    options.inputs = {dir / "class.zip"};
    review::loadModel(m, options);
    fs::remove_all(dir);
    std::vector<std::string> got;
    for (const review::InputFile& f : m.files)
        got.push_back(f.shown + " | " + f.original + " | " + f.submitterName + " (" + f.submitterId + ")" +
                      (f.late ? " late" : ""));
    const std::string soren8 = "S\xC3\xB8ren Holm_1040005_assignsubmission_file_";
    EXPECT_EQ(
        got, (std::vector<std::string>{
                 "class.zip | class.zip |  ()",
                 "class.zip/" + soren8 +
                     "send_0307S\xC3\xB8ren_Holm.txt | send_0307S\xC3\xB8ren_Holm.txt | "
                     "S\xC3\xB8ren Holm (1040005)",
                 "class.zip/" + soren8 +
                     "/send_0307S\xC3\xB8ren_Holm.txt | send_0307S\xC3\xB8ren_Holm.txt | "
                     "S\xC3\xB8ren Holm (1040005)",
                 "class.zip/" + soren8 +
                     "/send_0307S\xC3\xB8ren_Holm (1).txt | send_0307S\xC3\xB8ren_Holm.txt | "
                     "S\xC3\xB8ren Holm (1040005)",
                 "class.zip/Bo Chen_1040006_assignsubmission_file_work.zip | work.zip | Bo Chen (1040006)",
                 "class.zip/Bo Chen_1040006_assignsubmission_file_work.zip/send_0307Bo_Chen.txt | "
                 "send_0307Bo_Chen.txt | Bo Chen (1040006)",
                 "class.zip/dunncy_LATE_1040007_901_send_0307Cy_Dunn.txt | send_0307Cy_Dunn.txt |  (1040007) late",
             }));
    EXPECT_EQ(m.recordFilesRead, 5u);
    EXPECT_TRUE(m.problems.empty()) << m.problems.front().what;
    EXPECT_TRUE(m.names.empty()) << m.names.front().what;
    // The late file: named in the report, and its student's rows marked.
    std::ostringstream csv, html;
    review::writeCsvExport(m, csv);
    review::writeHtmlReport(m, html, "2026-03-09 12:00");
    std::istringstream rows(csv.str());
    std::map<std::string, std::string> late; // student -> the Late cells of the rows, "|" after each
    for (std::string line; std::getline(rows, line);) {
        // ...,Submitter id,Late,Notes\r: the notes are empty here.
        const std::size_t notes = line.rfind(','), at = line.rfind(',', notes - 1);
        late[line.substr(0, line.find(','))] += line.substr(at + 1, notes - at - 1) + "|";
    }
    EXPECT_EQ(late["Bo Chen"], std::string(q.size(), '|'));
    std::string cy;
    for (std::size_t k = 0; k < q.size(); ++k)
        cy += "late|";
    EXPECT_EQ(late["Cy Dunn"], cy);
    EXPECT_NE(html.str().find("Handed in late, as the platform marked it: "
                              "class.zip/dunncy_LATE_1040007_901_send_0307Cy_Dunn.txt<"),
              std::string::npos);
}

// ZIPs of ZIPs of a member that expands from a little to 64 MiB of text,
// its headers saying it holds 1,000 bytes (one in each ZIP says the truth):
// 8 GiB from a few KB. The run reads no more than its budget, and names
// every member it leaves with the reason.
TEST(ReviewArchives, ABombIsRefusedWithinTheBudget)
{
    const std::string text(std::size_t{1} << 20, 'a'); // no NUL: it might be text
    const std::string leaf = deflated(text, 64);
    uLong crc = 0;
    for (int k = 0; k < 64; ++k)
        crc = crc32(crc, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size()));
    const auto leafCrc = static_cast<std::uint32_t>(crc);
    std::vector<ZipMember> inner;
    for (int k = 0; k < 16; ++k)
        inner.push_back({"send_0307Leaf_" + std::to_string(k) + ".txt", leaf, leafCrc, k == 0 ? 64u << 20 : 1000u,
                         true, false});
    // And a ZIP in the ZIP in the download: one deeper than archives are read.
    inner.push_back(stored("deeper.zip", zipOf({stored("inner.zip", zipOf({stored("send_0307A.txt", "x")}))})));
    const std::string innerZip = zipOf(inner);
    std::vector<ZipMember> outer;
    for (int k = 0; k < 8; ++k) {
        ZipMember z = stored("student" + std::to_string(k) + ".zip", innerZip);
        z.data = deflated(innerZip, 1);
        z.deflated = true;
        outer.push_back(z);
    }
    const std::string bomb = zipOf(outer);
    EXPECT_LT(bomb.size(), 40u << 10);
    std::random_device random;
    const fs::path dir = fs::temp_directory_path() / ("qa-review-bomb-" + std::to_string(random()));
    fs::create_directories(dir);
    std::ofstream(dir / "bomb.zip", std::ios::binary) << bomb;
    review::Model m;
    review::Options options;
    options.inputs = {dir / "bomb.zip"};
    review::loadModel(m, options);
    fs::remove_all(dir);
    const review::ArchiveLimits limits;
    EXPECT_LE(m.expanded, limits.budget);
    EXPECT_GT(m.expanded, limits.budget - limits.recordFile - (64u << 10));
    EXPECT_EQ(m.recordFilesRead, 0u);
    const std::string spent = "not read: the archives of this run have given 256 MiB, the most one run reads";
    const std::map<std::string, int> reasons = {
        {"64 MiB: more than the 8 MiB a record file (text a student typed) may hold; not read",
         0},                                                                                // by its header
        {"more than the 8 MiB a record file (text a student typed) may hold; not read", 0}, // by its bytes
        {"an archive inside an archive inside an archive: archives are read 2 deep, no deeper", 0},
        {spent, 0}};
    std::map<std::string, int> why = reasons, under;
    for (const review::Skipped& s : m.skipped) {
        EXPECT_TRUE(reasons.count(s.why)) << s.file << ": " << s.why;
        ++why[s.why];
        const std::size_t zip = s.file.find(".zip/", 9);
        ++under[zip == std::string::npos ? "" : s.file.substr(0, zip + 4)];
    }
    for (const auto& [reason, n] : why)
        EXPECT_GT(n, 0) << reason;
    // Each ZIP in the download is read, every member of it left and named,
    // or left unread itself once the budget is spent.
    int read = 0;
    for (const review::InputFile& f : m.files)
        if (std::count(f.shown.begin(), f.shown.end(), '/') == 1) {
            ++read;
            EXPECT_EQ(under[f.shown], 17) << f.shown;
        }
    EXPECT_GT(read, 0);
    EXPECT_EQ(read + under[""], 8);
    std::size_t said = 0;
    for (const review::Problem& p : m.problems)
        said += p.what == "the archives of this run have given 256 MiB, the most one run reads: what is left of "
                          "them is not read";
    EXPECT_EQ(said, 1u);
}

#endif

} // namespace
