// bruvane-corpus: a seeded, realistic tree for the scan benchmark.
//
//   bruvane-corpus --out DIR [--files N] [--seed S] [--samples K] [--light]
//
// DIR/tree is the disk: nested folders below the usual Windows top-level
// folders, mostly small files that are no PE images, clean PE images of
// realistic sizes, near misses and samples. DIR/answer-key.tsv lists what
// must be found (path, record, name) and DIR/near-misses.tsv what must
// not; DIR/corpus-info.txt counts the kinds. --light keeps every file
// small, for runs over a million files.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "corpus_random.h"
#include "file_content.h"
#include "unusual_files.h"

namespace {

struct Options {
    std::string out;
    uint64_t files = 100000;
    uint64_t seed = 20240501;
    int samples = 36;
    bool light = false;
};

const char* const kFolderWords[] = {
    "system32", "drivers", "config", "help", "fonts", "inf", "media", "temp", "cache", "data",
    "bin", "lib", "plugins", "resources", "skins", "lang", "docs", "setup", "update", "backup",
    "common", "shared", "tools", "games", "music", "pictures", "office", "mail", "archive", "logs",
};
const char* const kFileWords[] = {
    "setup", "readme", "install", "update", "config", "main", "core", "util", "helper", "driver",
    "service", "msg", "res", "data", "index", "image", "sound", "font", "print", "net",
    "shell", "user", "kernel", "gdi", "comctl", "mfc", "vb", "dx", "ole", "crypt",
};
const char* const kPeExtensions[] = {"exe", "exe", "dll", "dll", "dll", "sys", "ocx", "cpl"};
const char* const kTextExtensions[] = {"txt", "ini", "log", "htm", "inf", "bat", "xml"};
const char* const kBinaryExtensions[] = {"dat", "bmp", "gif", "jpg", "cab", "wav", "hlp", "chm", "dbx", "tmp"};
const char* const kTopFolders[] = {"WINDOWS", "Program Files", "Documents and Settings",
                                   "RECYCLER", "System Volume Information", "TEMP"};

template <size_t N>
const char* Pick(CorpusRandom& random, const char* const (&words)[N]) {
    return words[random.Next() % N];
}

const SizeClass kPlainSizes[] = {
    {1800, 62, 1023}, {3000, 1024, 4095}, {2800, 4096, 16383}, {1500, 16384, 65535},
    {300, 65536, 262143}, {50, 262144, 1048575}, {10, 1048576, 4194303},
};
const SizeClass kPeSizes[] = {
    {2000, 2048, 16383}, {3500, 16384, 65535}, {3000, 65536, 262143},
    {1200, 262144, 1048575}, {270, 1048576, 4194303}, {30, 4194304, 12582911},
};
const SizeClass kLightPlainSizes[] = {{3000, 62, 1023}, {7000, 1024, 4095}};
const SizeClass kLightPeSizes[] = {{10000, 2048, 8191}};

struct Counts {
    uint64_t folders = 0, tiny = 0, text = 0, binary = 0, dos = 0, pe = 0, manySections = 0, special = 0;
    uint64_t bytes = 0;
};

struct Folder {
    std::string relative;  // "" for the root, else "WINDOWS/system32"
    int depth;
};

std::string UniqueName(CorpusRandom& random, std::set<std::string>* used, const std::string& stem,
                       const char* extension) {
    for (int attempt = 0;; ++attempt) {
        std::string name = stem;
        if (attempt > 0 || random.Chance(5000)) name += std::to_string(random.Between(1, attempt > 20 ? 99999 : 999));
        if (extension != nullptr) name += std::string(".") + extension;
        std::string folded = name;
        for (char& c : folded) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        if (used->insert(folded).second) return name;
    }
}

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST; }

// Every missing level, like mkdir -p.
bool MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        if (!MakeFolder(path.substr(0, slash))) return false;
    return MakeFolder(path);
}

uint32_t SubfolderCount(CorpusRandom& random, int depth) {
    if (depth <= 2) return static_cast<uint32_t>(random.Between(2, 8));
    if (depth <= 5) return static_cast<uint32_t>(random.Between(0, 5));
    if (depth <= 8) return static_cast<uint32_t>(random.Between(0, 2));
    return 0;
}

class CorpusWriter {
public:
    CorpusWriter(const Options& options, std::vector<SpecialFile> specials)
        : options_(options), random_(options.seed), specials_(std::move(specials)) {}

    bool Write();
    const Counts& counts() const { return counts_; }

private:
    bool WriteOrdinary(const std::string& folderPath, std::set<std::string>* used);
    bool WriteSpecial(const Folder& folder, const std::string& folderPath, std::set<std::string>* used);

    const Options& options_;
    CorpusRandom random_;
    std::vector<SpecialFile> specials_;
    Counts counts_;
    FILE* answerKey_ = nullptr;
    FILE* nearMisses_ = nullptr;
};

bool CorpusWriter::WriteOrdinary(const std::string& folderPath, std::set<std::string>* used) {
    uint32_t roll = static_cast<uint32_t>(random_.Next() % 10000);
    std::string name;
    uint64_t size;
    bool ok;
    FILE* out;
    if (roll < 700) {
        bool many = random_.Chance(50);
        size = options_.light ? DrawSize(random_, kLightPeSizes) : DrawSize(random_, kPeSizes);
        name = UniqueName(random_, used, Pick(random_, kFileWords), Pick(random_, kPeExtensions));
        out = fopen((folderPath + "/" + name).c_str(), "wb");
        if (out == nullptr) return false;
        ok = WriteCleanPe(random_, size, many, out);
        ++counts_.pe;
        if (many) ++counts_.manySections;
    } else {
        PlainKind kind = roll < 900 ? PlainKind::kTiny : roll < 1100 ? PlainKind::kDosProgram
                         : roll < 4600 ? PlainKind::kText : PlainKind::kBinary;
        const char* extension = kind == PlainKind::kDosProgram ? "exe"
                                : kind == PlainKind::kBinary   ? Pick(random_, kBinaryExtensions)
                                                               : Pick(random_, kTextExtensions);
        size = kind == PlainKind::kTiny ? random_.Between(0, 61)
               : options_.light         ? DrawSize(random_, kLightPlainSizes)
                                        : DrawSize(random_, kPlainSizes);
        name = UniqueName(random_, used, Pick(random_, kFileWords), extension);
        out = fopen((folderPath + "/" + name).c_str(), "wb");
        if (out == nullptr) return false;
        ok = WritePlainFile(random_, kind, size, out);
        ++(kind == PlainKind::kTiny ? counts_.tiny : kind == PlainKind::kDosProgram ? counts_.dos
           : kind == PlainKind::kText ? counts_.text : counts_.binary);
    }
    counts_.bytes += size;
    return fclose(out) == 0 && ok;
}

bool CorpusWriter::WriteSpecial(const Folder& folder, const std::string& folderPath, std::set<std::string>* used) {
    SpecialFile& file = specials_.back();
    std::string stem = file.fileName.substr(0, file.fileName.rfind('.'));
    std::string extension = file.fileName.substr(file.fileName.rfind('.') + 1);
    std::string name = UniqueName(random_, used, stem, extension.c_str());
    if (!WriteSpecialFile(file, folderPath + "/" + name)) return false;
    std::string relative = folder.relative.empty() ? name : folder.relative + "/" + name;
    if (file.record > 0)
        fprintf(answerKey_, "%s\t%d\t%s\n", relative.c_str(), file.record, file.detectionName.c_str());
    else
        fprintf(nearMisses_, "%s\t%s\n", relative.c_str(), file.kind.c_str());
    ++counts_.special;
    counts_.bytes += file.size;
    specials_.pop_back();
    return true;
}

bool CorpusWriter::Write() {
    std::string tree = options_.out + "/tree";
    if (!MakeFolders(options_.out) || mkdir(tree.c_str(), 0755) != 0) {
        fprintf(stderr, "bruvane-corpus: cannot make %s: %s\n", tree.c_str(), strerror(errno));
        return false;
    }
    answerKey_ = fopen((options_.out + "/answer-key.tsv").c_str(), "w");
    nearMisses_ = fopen((options_.out + "/near-misses.tsv").c_str(), "w");
    if (answerKey_ == nullptr || nearMisses_ == nullptr) return false;

    // The special files take slots spread over the whole walk.
    uint64_t total = options_.files;
    std::set<uint64_t> specialSlots;
    while (specialSlots.size() < specials_.size() && specialSlots.size() < total)
        specialSlots.insert(random_.Next() % total);

    // Breadth first, so that a small corpus is shallow and a large one deep.
    std::vector<Folder> queue = {{"", 0}};
    uint64_t slot = 0;
    for (size_t next = 0; slot < total; ++next) {
        if (next == queue.size()) {
            // Out of folders: grow one more below a random earlier one.
            const Folder& parent = queue[random_.Next() % queue.size()];
            std::string name = std::string(Pick(random_, kFolderWords)) + std::to_string(queue.size());
            queue.push_back({parent.relative.empty() ? name : parent.relative + "/" + name, parent.depth + 1});
        }
        Folder folder = queue[next];
        std::string folderPath = folder.relative.empty() ? tree : tree + "/" + folder.relative;
        if (!MakeFolder(folderPath)) return false;
        ++counts_.folders;
        std::set<std::string> used;
        uint64_t files = folder.depth == 0 ? random_.Between(3, 8) : random_.Between(3, 45);
        for (uint64_t i = 0; i < files && slot < total; ++i, ++slot) {
            bool ok = specialSlots.count(slot) && !specials_.empty() ? WriteSpecial(folder, folderPath, &used)
                                                                     : WriteOrdinary(folderPath, &used);
            if (!ok) {
                fprintf(stderr, "bruvane-corpus: cannot write a file in %s\n", folderPath.c_str());
                return false;
            }
        }
        uint32_t subfolders = folder.depth == 0 ? 6 : SubfolderCount(random_, folder.depth);
        for (uint32_t i = 0; i < subfolders; ++i) {
            std::string name = folder.depth == 0 ? kTopFolders[i] : UniqueName(random_, &used, Pick(random_, kFolderWords), nullptr);
            queue.push_back({folder.relative.empty() ? name : folder.relative + "/" + name, folder.depth + 1});
        }
    }
    return fclose(answerKey_) == 0 && fclose(nearMisses_) == 0;
}

bool ParseNumber(const char* text, uint64_t* value) {
    char* end = nullptr;
    errno = 0;
    unsigned long long parsed = strtoull(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0') return false;
    *value = parsed;
    return true;
}

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        uint64_t number = 0;
        bool hasValue = i + 1 < argc;
        if (argument == "--out" && hasValue) {
            options->out = argv[++i];
        } else if (argument == "--files" && hasValue && ParseNumber(argv[++i], &number) && number > 0) {
            options->files = number;
        } else if (argument == "--seed" && hasValue && ParseNumber(argv[++i], &number)) {
            options->seed = number;
        } else if (argument == "--samples" && hasValue && ParseNumber(argv[++i], &number) && number <= 110) {
            options->samples = static_cast<int>(number);
        } else if (argument == "--light") {
            options->light = true;
        } else {
            return false;
        }
    }
    return !options->out.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        fprintf(stderr, "usage: bruvane-corpus --out DIR [--files N] [--seed S] [--samples K (0-110)] [--light]\n");
        return 2;
    }
    CorpusRandom planRandom(options.seed + 1);
    std::string note;
    std::vector<SpecialFile> specials = PlanSpecialFiles(options.samples, planRandom, &note);
    size_t specialCount = specials.size();
    uint64_t samples = 0;
    for (const SpecialFile& file : specials) samples += file.record > 0;
    CorpusWriter writer(options, std::move(specials));
    if (!writer.Write()) return 1;
    const Counts& c = writer.counts();
    FILE* info = fopen((options.out + "/corpus-info.txt").c_str(), "w");
    if (info == nullptr) return 1;
    fprintf(info,
            "seed %llu\nfiles %llu\nfolders %llu\nbytes %llu\nlight %d\n"
            "tiny %llu\ntext %llu\nbinary %llu\ndos-programs %llu\nclean-pe %llu\nclean-pe-over-20-sections %llu\n"
            "samples %llu\nnear-misses %llu\n%s%s",
            static_cast<unsigned long long>(options.seed), static_cast<unsigned long long>(options.files),
            static_cast<unsigned long long>(c.folders), static_cast<unsigned long long>(c.bytes), options.light ? 1 : 0,
            static_cast<unsigned long long>(c.tiny), static_cast<unsigned long long>(c.text),
            static_cast<unsigned long long>(c.binary), static_cast<unsigned long long>(c.dos),
            static_cast<unsigned long long>(c.pe), static_cast<unsigned long long>(c.manySections),
            static_cast<unsigned long long>(samples), static_cast<unsigned long long>(specialCount - samples),
            note.empty() ? "" : "note ", note.empty() ? "" : (note + "\n").c_str());
    fclose(info);
    return 0;
}
