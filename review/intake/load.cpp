// The reading, stage by stage (stages.h): the inputs listed, each file read
// through the platform's file calls and parsed, the blocks put together and
// indexed.
#include <algorithm>
#include <cerrno>
#include <tuple>
#include <unordered_set>

#include "review/intake/archives.h"
#include "review/intake/prefetch.h"
#include "review/intake/stages.h"

namespace qa::review {
namespace {

// One file's bytes (a file's, or an archive member's): an archive's members,
// or the blocks to the assembler; a file that holds no block is skipped.
class Reader {
public:
    Reader(Model& m, Assembler& a, const ArchiveLimits& limits) : m_(m), assembler_(a), budget_{limits} {}
    ~Reader() { m_.expanded = budget_.expanded; }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    void take(FileId f, std::string& bytes, int depth = 0)
    {
        ++m_.filesFound;
        if (looksLikeArchive(bytes)) {
            if (depth < budget_.limits.depth)
                members(f, bytes, depth + 1);
            else
                m_.skipped.push_back({m_.files[f].shown,
                                      "an archive inside an archive inside an archive: archives are "
                                      "read " +
                                          std::to_string(budget_.limits.depth) + " deep, no deeper",
                                      true});
            return;
        }
        const records::Resaved resaved = records::undoResave(bytes);
        settle(f, bytes, resaved, records::parseRecordFile(bytes));
    }

    // A listed file read and parsed ahead (Prefetch).
    void take(FileId f, Fetched& got)
    {
        if (got.archive)
            return take(f, got.bytes);
        ++m_.filesFound;
        settle(f, got.bytes, got.resaved, got.parsed);
    }

private:
    void settle(FileId f, const std::string& bytes, const records::Resaved& resaved,
                const records::ParsedFile& parsed)
    {
        if (!assembler_.take(f, parsed)) {
            m_.skipped.push_back(
                {m_.files[f].shown, bytes.empty() ? "an empty file" : "not a record file", false});
            return;
        }
        ++m_.recordFilesRead;
        if (resaved.utf8 || resaved.lineBreaks)
            m_.changed.push_back({f, 0,
                                  std::string("changed after the tutor wrote it: ") +
                                      (resaved.utf8 ? "saved as UTF-8" : "") +
                                      (resaved.utf8 && resaved.lineBreaks ? ", " : "") +
                                      (resaved.lineBreaks ? "line breaks without CR" : "")});
    }

    void members(FileId archive, const std::string& bytes, int depth)
    {
        --m_.filesFound; // the archive is not a file of the class; its members are
        const std::string base = m_.files[archive].shown;
        readArchive(
            bytes, budget_,
            [&](std::string path, std::string data) {
                const std::string name = path.substr(path.find_last_of('/') + 1);
                InputFile f{"", base + "/" + path, name, name, {}, {}, {}, nullptr};
                nameFile(f, f.shown);
                // A member whose own name tells no platform's participant
                // was handed in by the archive's (a ZIP in a Moodle download).
                if (!f.platform) {
                    const InputFile& outer = m_.files[archive];
                    f.submitterName = outer.submitterName;
                    f.submitterId = outer.submitterId;
                    f.platform = outer.platform;
                    f.squeezedName = outer.squeezedName;
                    f.late = outer.late;
                    f.blind = outer.blind;
                }
                take(m_.files.add(std::move(f)), data, depth);
            },
            [&](const std::string& path, const std::string& why) {
                ++m_.filesFound;
                m_.skipped.push_back({base + "/" + path, why, true});
            },
            [&](const std::string& member, const std::string& what) {
                m_.problems.push_back({member.empty() ? base : base + "/" + member, 0, 0, what});
            });
    }

    Model& m_;
    Assembler& assembler_;
    ArchiveBudget budget_;
};

// A file's device and number as one hash.
struct DeviceAndId {
    std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& f) const
    {
        return std::hash<std::uint64_t>{}(f.first * 0x9E3779B97F4A7C15ull ^ f.second);
    }
};

// Reads every listed file and hands its blocks to the assembler, in the
// order listed; the reading and parsing run ahead on other threads.
void readAll(Model& m, Assembler& assembler, FileOps& ops, const Options& options)
{
    Reader reader(m, assembler, options.archiveLimits);
    // A file that two inputs lead to is read once.
    const std::size_t listed = m.files.size();
    std::unordered_set<std::pair<std::uint64_t, std::uint64_t>, DeviceAndId> seen(listed);
    std::vector<std::string> hosts; // archives add members to the table as it is read
    hosts.reserve(listed);
    for (const InputFile& f : m.files)
        hosts.push_back(f.host);
    // File calls given by the caller are made from this thread only.
    Prefetch ahead(ops, hosts, options.fileOps ? 1 : threadsFor(options.threads));
    for (FileId f : IdRange<FileId>(listed)) {
        if (options.progress && (f.index() % 64 == 0))
            options.progress(f.index(), listed);
        if (options.stop && options.stop())
            return;
        Fetched& got = ahead.get(f.index());
        if (!got.read) {
            m.problems.push_back({m.files[f].shown, 0, 0, "the file cannot be read: " + got.reason});
            ++m.filesFound;
        } else {
            m.files[f].device = got.info.device;
            m.files[f].id = got.info.id;
            if (got.info.id == 0 || seen.insert({got.info.device, got.info.id}).second)
                reader.take(f, got);
        }
        ahead.done(f.index());
    }
    if (options.progress)
        options.progress(listed, listed);
}

} // namespace

void loadModel(Model& model, const Options& options)
{
    FileOps& ops = options.fileOps ? *options.fileOps : systemFileOps();
    model.inputs = options.inputs;
    Listing listing = findInputs(ops, options.inputs, threadsFor(options.threads));
    model.files = std::move(listing.files);
    model.problems = std::move(listing.problems);
    model.skipped = std::move(listing.skipped);
    Assembler assembler(model.files, options.assignment, options.showNames);
    readAll(model, assembler, ops, options);
    assembler.finish(model);
    indexRows(model, options.assignment.has_value());
    std::stable_sort(model.problems.begin(), model.problems.end(), [](const Problem& a, const Problem& b) {
        return std::tie(a.file, a.line) < std::tie(b.file, b.line);
    });
    std::stable_sort(model.skipped.begin(), model.skipped.end(),
                     [](const Skipped& a, const Skipped& b) { return a.file < b.file; });
}

} // namespace qa::review
