// Writes the seeds of the fuzzers, in each fuzzer's own input layout:
// performance blocks as the simulated machine builds them, Run keys with
// the commands the trojan leaves, walk trees, every kind of sample the
// sample tool makes, wininit.ini files, hosts files.
// usage: bruvane_fuzz_seeds OUT   (writes OUT/<fuzzer>/<seed>)
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "detect/signature_table.h"
#include "detect/text_signature.h"
#include "sample_builder.h"
#include "winsim/machine.h"

namespace {

std::string out;

void Seed(const std::string& fuzzer, const std::string& name, const std::string& bytes) {
    std::string folder = out + "/" + fuzzer;
    mkdir(folder.c_str(), 0755);
    FILE* file = fopen((folder + "/" + name).c_str(), "wb");
    if (file == nullptr) {
        perror(name.c_str());
        return;
    }
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

std::string Word(size_t value) {
    return std::string{static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

std::string Dword(uint32_t value) { return Word(value & 0xFFFF) + Word(value >> 16); }

std::string Text(const std::string& text) { return text + std::string(1, '\0'); }

// Performance input: table length, table, fallback id index, block.
void PerformanceSeed(const std::string& name) {
    winsim::Machine& m = winsim::TheMachine();
    std::string table = winsim::EnglishCounterNames(m.processes.performance);
    std::vector<BYTE> block = m.processes.BuildPerformanceBlock(std::to_string(m.processes.performance.processObjectIndex));
    Seed("performance_block_fuzzer", name,
         Word(table.size()) + table + Dword(m.processes.performance.idCounterIndex) +
             std::string(block.begin(), block.end()));
}

void PerformanceSeeds() {
    winsim::Reset();
    PerformanceSeed("no-process");
    winsim::Machine& m = winsim::TheMachine();
    m.processes.Start("C:\\WINDOWS\\SYSTEM32\\svchost.exe");
    m.processes.Start("C:\\WINDOWS\\SYSTEM32\\ZGORVEX.EXE");
    m.processes.Start("C:\\Program Files\\App\\a-name-longer-than-sixteen.exe");
    m.processes.Start("C:\\x\\caf\xe9.exe");
    PerformanceSeed("four-processes");
    m.processes.performance.withIdCounter = false;
    PerformanceSeed("no-id-counter");
    m.processes.performance.withIdCounter = true;
    m.processes.performance.overrideInstanceCount = true;
    m.processes.performance.instanceCount = -1;
    PerformanceSeed("negative-instance-count");
    m.processes.performance.overrideInstanceCount = false;
    m.processes.performance.noObjects = true;
    PerformanceSeed("no-object");
    m.processes.performance.noObjects = false;
    for (int i = 0; i < 300; ++i) m.processes.Start("C:\\many\\p" + std::to_string(i) + ".exe");
    PerformanceSeed("more-than-254-instances");
}

// Run-key input: infected path, %windir%, then per value: type, name
// length selector, name, data length, data (stored with its terminator).
std::string RunValue(uint8_t type, const std::string& name, const std::string& data) {
    return std::string(1, static_cast<char>(type)) + std::string(1, '\0') + Text(name) + Word(data.size() + 1) +
           Text(data);
}

void RunKeySeeds() {
    const std::string system = "C:\\WINDOWS\\SYSTEM\\ZGORVEX.EXE";
    Seed("run_key_values_fuzzer", "every-kind-of-command",
         Text(system) + Text("C:\\WINDOWS") + RunValue(1, "Full", "c:\\windows\\system\\zgorvex.exe -s") +
             RunValue(1, "Bare", "zgorvex.exe") + RunValue(1, "Quoted", "\"" + system + "\" /run") +
             RunValue(2, "Expanded", "%windir%\\SYSTEM\\ZGORVEX.EXE") + RunValue(1, "Other", "C:\\other.exe"));
    Seed("run_key_values_fuzzer", "outside-the-system-folder",
         Text("C:\\Temp\\ZGORVEX.EXE") + Text("C:\\WINDOWS") + RunValue(1, "Bare", "zgorvex.exe") +
             RunValue(1, "Full", "C:\\Temp\\ZGORVEX.EXE"));
    Seed("run_key_values_fuzzer", "long-name-and-data",
         Text(system) + Text(std::string(280, 'w')) + RunValue(1, std::string(200, 'n'), system) +
             RunValue(2, "Long", "%windir%" + std::string(250, 'x')) + RunValue(3, "Binary", std::string(261, 'b')));
}

// Walk input: per step an operation (0 file, 1 folder entered, 2 up), a
// name length and the name.
std::string File(const std::string& name) { return std::string(1, '\0') + std::string(1, static_cast<char>(name.size())) + name; }
std::string Folder(const std::string& name) { return std::string(1, '\1') + std::string(1, static_cast<char>(name.size())) + name; }
std::string Up() { return std::string(1, '\2'); }

void WalkSeeds() {
    Seed("walk_tree_fuzzer", "case-variants-of-one-folder",
         Folder("Dir") + File("one.exe") + Up() + Folder("dir") + File("two.exe") + File("three.exe") + Up() +
             Folder("DIR") + Up());
    std::string deep;
    for (int i = 0; i < 12; ++i) deep += Folder(std::string(20, static_cast<char>('a' + i))) + File("f.exe");
    Seed("walk_tree_fuzzer", "deep-past-the-buffer", deep);
    Seed("walk_tree_fuzzer", "names-windows-cannot-hold",
         File("a*b.exe") + File("q?.exe") + Folder("pipe|d") + File("in.exe") + Up() + Folder("a/..") + File("x") +
             Up() + File("../victim.exe") + File("ctl\x01.exe"));
    Seed("walk_tree_fuzzer", "long-names",
         Folder(std::string(250, 'L')) + File("x") + Up() + File(std::string(255, 'F')) + Folder("Program Files") +
             File("app.exe"));
}

// InspectFile input: the file itself. Every kind of sample the sample
// tool makes (matches, near misses, tricks of the address mapping, files
// cut inside each header) for the three smallest records it can build.
void SampleSeeds() {
    int records = 0;
    for (int number = 1; number <= kSignatureRecordCount && records < 3; ++number) {
        if (SignatureTable[number - 1].fileSize > 32 * 1024) continue;
        ++records;
        for (const samples::KindInfo& info : samples::Kinds()) {
            samples::Options options;
            options.secondRecord = number == 1 ? 2 : 1;
            samples::Sample sample;
            std::string error;
            if (!samples::BuildSample(number, info.kind, options, &sample, &error)) continue;
            std::vector<uint8_t> bytes = sample.Bytes();
            Seed("file_check_fuzzer", "record-" + std::to_string(number) + "-" + info.name,
                 std::string(bytes.begin(), bytes.end()));
        }
    }
}

// wininit.ini input: the file as it stands before the line is added.
void WininitSeeds() {
    const std::string line(700, 'x');
    Seed("wininit_fuzzer", "rename-then-other", "[rename]\r\nNUL=C:\\OLD.EXE\r\n[other]\r\nkey=value\r\n");
    Seed("wininit_fuzzer", "rename-last", "[other]\r\nkey=1\r\n[Rename]\r\nNUL=C:\\OLD.EXE\r\n");
    Seed("wininit_fuzzer", "no-rename", "[other]\r\nkey=1\r\n");
    Seed("wininit_fuzzer", "no-line-end-at-the-end", "[rename]\r\nNUL=C:\\OLD.EXE");
    Seed("wininit_fuzzer", "long-line-with-bracket-inside", "[rename]\r\n" + line + "[not-a-header]\r\n[next]\r\n");
    Seed("wininit_fuzzer", "upper-case-header", "[RENAME]\r\n[x]\r\n");
    Seed("wininit_fuzzer", "zero-byte-in-a-line", std::string("[rename]\r\nNUL=C:\\A\0B.EXE\r\n[x]\r\n", 30));
}

// Text-signature input: a byte whose lowest bit keeps the shipped record
// (0), then the file. The pattern comes from the unscrambled table.
void TextSignatureSeeds() {
    UnscrambleTextSignatures();
    const TextSignatureRecord& record = TextSignatureTable[0];
    std::string pattern(reinterpret_cast<const char*>(record.pattern), record.patternLength);
    std::string spread;
    for (size_t i = 0; i < pattern.size(); ++i) spread += pattern.substr(i, 1) + (i % 7 == 6 ? "\r\n" : (i % 3 ? "" : " \t"));
    const std::string shipped(1, '\0');
    Seed("text_signature_fuzzer", "begin-and-pattern", shipped + "begin 644 hosts\r\n" + pattern + "\r\nend\r\n");
    Seed("text_signature_fuzzer", "pattern-spread-over-lines", shipped + "BEGIN\n" + spread + "\n");
    Seed("text_signature_fuzzer", "pattern-only-in-the-middle",
         shipped + "begin\n" + std::string(5000, 'x') + pattern + std::string(5000, 'y'));
    Seed("text_signature_fuzzer", "pattern-in-the-tail",
         shipped + "begin\n" + std::string(6000, 'x') + pattern + std::string(100, 'z'));
    Seed("text_signature_fuzzer", "leading-blank", shipped + " begin\n" + pattern);
    Seed("text_signature_fuzzer", "plain-hosts-file", shipped + "127.0.0.1 localhost\r\n");
    // The fixed-position kind in the tail, with the record's fields given.
    std::string fields = std::string(1, '\1') + Word(140) + std::string(1, '\1') + std::string(1, '\2') +
                         std::string(1, '\0') + std::string(1, static_cast<char>(100)) + Dword(0);
    Seed("text_signature_fuzzer", "fixed-position-in-the-tail", fields + "begin\n" + pattern + std::string(40, 'q'));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s OUT\n", argv[0]);
        return 2;
    }
    out = argv[1];
    mkdir(out.c_str(), 0755);
    PerformanceSeeds();
    RunKeySeeds();
    WalkSeeds();
    SampleSeeds();
    WininitSeeds();
    TextSignatureSeeds();
    return 0;
}
