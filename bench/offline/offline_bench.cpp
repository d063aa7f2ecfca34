// bruvane-offline-bench: what the registry costs bruvane-scan --windows.
//
//   bruvane-offline-bench --work DIR [--tree TREE] [--software-mb 64] [--system-mb 16] [--rounds 7]
//
// Writes the offline tests' infected XP installation into TREE (a corpus
// tree from bruvane-corpus, so that the scan has a disk to walk) or into
// DIR/installation, pads its hives with keys and values to the given sizes
// (SYSTEM with 700 service registrations in both control sets, as a
// Windows 10 machine has; sizes of 0 keep the tests' own small hives), and
// keeps a copy. Then, round by round on a
// fresh copy of the hives and the sample, each round in a child process of
// its own (a fresh machine and program state), it times what
// bruvane-scan --windows --remove does: loading the registry (finding the
// installation, opening the hives for writing, reading the version,
// copying what the scan reads), the scan, and the write-back (what was
// deleted, backup, rewrite, commit, rename); and, in another child, the
// load of a report-only run (hives opened read-only). An untimed first
// round warms the cache and removes the corpus's own samples. Medians,
// minimum and maximum in milliseconds.
#include <fcntl.h>
#include <hivex.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/shared_state.h"
#include "console_window.h"
#include "offline_scan.h"
#include "scan/scan_driver.h"
#include "test_hives.h"
#include "test_installation.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const int kServices = 700;

struct Options {
    std::string work;
    std::string tree;
    double softwareMb = 64;
    double systemMb = 16;
    int rounds = 7;
};

double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

std::string Text(const std::string& text) { return testhives::Utf16(text); }

hive_node_h Child(hive_h* hive, hive_node_h parent, const std::string& name) {
    hive_node_h child = hivex_node_get_child(hive, parent, name.c_str());
    return child != 0 ? child : hivex_node_add_child(hive, parent, name.c_str());
}

bool SetValues(hive_h* hive, hive_node_h node, std::vector<std::pair<std::string, std::string>> values) {
    std::vector<hive_set_value> set;
    for (auto& value : values) {
        hive_set_value v;
        v.key = &value.first[0];
        v.t = hive_t_REG_SZ;
        v.len = value.second.size();
        v.value = &value.second[0];
        set.push_back(v);
    }
    return hivex_node_set_values(hive, node, set.size(), set.data(), 0) == 0;
}

// Keys of a few typical values under `under` until the file would reach
// `megabytes` (about 850 bytes a key); commits.
bool Pad(const std::string& path, const std::vector<std::string>& under, double megabytes) {
    hive_h* hive = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
    if (hive == nullptr) return false;
    hive_node_h base = hivex_root(hive);
    for (const std::string& part : under) base = Child(hive, base, part);
    const long keys = static_cast<long>(megabytes * 1024 * 1024 / 850);
    bool ok = base != 0;
    for (long i = 0; ok && i < keys; ++i) {
        // Forty children a level keeps hivex's sorted inserts cheap.
        hive_node_h a = Child(hive, base, "Group" + std::to_string(i / 1600));
        hive_node_h b = a != 0 ? Child(hive, a, "Set" + std::to_string(i / 40 % 40)) : 0;
        hive_node_h key = b != 0 ? Child(hive, b, "Item" + std::to_string(i % 40)) : 0;
        std::string filler(120, static_cast<char>('a' + i % 26));
        ok = key != 0 && SetValues(hive, key,
                                   {{"", Text("{" + std::to_string(i) + "-0000-0000}")},
                                    {"InprocServer32", Text("C:\\WINDOWS\\system32\\lib" + std::to_string(i) + ".dll")},
                                    {"ThreadingModel", Text("Apartment")},
                                    {"Description", Text(filler)}});
    }
    ok = ok && hivex_commit(hive, nullptr, 0) == 0;
    hivex_close(hive);
    return ok;
}

// A Windows 10 machine's worth of service registrations in both control
// sets, each with the subkeys the scan's loader reads.
bool AddServices(const std::string& path) {
    hive_h* hive = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
    if (hive == nullptr) return false;
    bool ok = true;
    for (const char* set : {"ControlSet001", "ControlSet002"}) {
        hive_node_h services = Child(hive, Child(hive, hivex_root(hive), set), "Services");
        for (int i = 0; ok && i < kServices; ++i) {
            hive_node_h service = Child(hive, services, "svc" + std::to_string(i));
            ok = service != 0 &&
                 SetValues(hive, service,
                           {{"ImagePath", Text("C:\\WINDOWS\\system32\\svc" + std::to_string(i) + ".exe")},
                            {"DisplayName", Text("Service " + std::to_string(i))},
                            {"ObjectName", Text("LocalSystem")}});
            for (const char* sub : {"Enum", "Security", "Parameters"}) {
                hive_node_h key = ok ? Child(hive, service, sub) : 0;
                ok = key != 0 && SetValues(hive, key, {{"Value", Text(sub)}});
            }
            if (ok) ok = Child(hive, Child(hive, service, "Parameters"), "Tcpip") != 0;
        }
    }
    ok = ok && hivex_commit(hive, nullptr, 0) == 0;
    hivex_close(hive);
    return ok;
}

bool CopyFile(const std::string& from, const std::string& to) {
    std::error_code error;
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
}

struct Timings {
    double load = 0, scan = 0, write = 0, readOnlyLoad = 0;
    int infected = 0;
};

// One bruvane-scan --windows ROOT [--remove] in this (child) process.
Timings OneRun(const std::string& root, bool remove) {
    Timings t;
    FILE* quiet = fopen("/dev/null", "w");
    winsim::TheMachine().files.MapDrive('C', root, DRIVE_FIXED);
    OfflineScan scan;
    std::string error;
    Clock::time_point start = Clock::now();
    if (!StartOfflineScan(root, remove, &scan, &error)) {
        fprintf(stderr, "bruvane-offline-bench: %s\n", error.c_str());
        exit(1);
    }
    Clock::time_point loaded = Clock::now();
    if (!remove) {
        t.readOnlyLoad = Ms(start, loaded);
        return t;
    }
    MainWindowHandle = CreateConsoleWindow(quiet);
    CopyText(ScanTarget, sizeof ScanTarget, "!:");
    ActionCode = kActionRemove;
    RunScan();
    Clock::time_point scanned = Clock::now();
    if (!FinishOfflineScan(&scan, quiet, &error)) {
        fprintf(stderr, "bruvane-offline-bench: %s\n", error.c_str());
        exit(1);
    }
    Clock::time_point written = Clock::now();
    t.load = Ms(start, loaded);
    t.scan = Ms(loaded, scanned);
    t.write = Ms(scanned, written);
    t.infected = ScanCounters.filesInfected;
    return t;
}

Timings InChild(const std::string& root, bool remove) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) exit(1);
    pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        Timings t = OneRun(root, remove);
        ssize_t written = write(pipeEnds[1], &t, sizeof t);
        _exit(written == static_cast<ssize_t>(sizeof t) ? 0 : 1);
    }
    close(pipeEnds[1]);
    Timings t;
    ssize_t got = read(pipeEnds[0], &t, sizeof t);
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (got != static_cast<ssize_t>(sizeof t) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "bruvane-offline-bench: a round failed\n");
        exit(1);
    }
    return t;
}

void PrintRow(const char* what, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    printf("| %s | %.1f | %.1f - %.1f |\n", what, values[values.size() / 2], values.front(), values.back());
}

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (i + 1 == argc) return false;
        std::string value = argv[++i];
        if (argument == "--work") options->work = value;
        else if (argument == "--tree") options->tree = value;
        else if (argument == "--software-mb") options->softwareMb = atof(value.c_str());
        else if (argument == "--system-mb") options->systemMb = atof(value.c_str());
        else if (argument == "--rounds") options->rounds = atoi(value.c_str());
        else return false;
    }
    return !options->work.empty() && options->rounds > 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        fprintf(stderr, "usage: bruvane-offline-bench --work DIR [--tree TREE] [--software-mb 64] [--system-mb 16] "
                        "[--rounds 7]\n");
        return 2;
    }
    std::string root = options.tree.empty() ? options.work + "/installation" : options.tree;
    fs::create_directories(root);
    testhives::TestInstallation installation = testhives::InfectedInstallation(testhives::WindowsKind::kXp);
    std::string error;
    std::string software = testhives::SoftwareHivePath(installation, root);
    std::string system = testhives::SystemHivePath(installation, root);
    // Sizes of 0 leave the hives as the tests make them.
    bool padded = options.softwareMb > 0 || options.systemMb > 0;
    if (!testhives::WriteInstallation(installation, root, &error) ||
        (padded && (!Pad(software, {"Classes", "CLSID"}, options.softwareMb) || !AddServices(system) ||
                    !Pad(system, {"ControlSet001", "Control", "Class"}, std::max(0.0, options.systemMb - 2.5))))) {
        fprintf(stderr, "bruvane-offline-bench: cannot make the installation: %s\n", error.c_str());
        return 1;
    }
    std::string sample = root + "/" + installation.windowsFolder + "/" + installation.systemFolder + "/svcupd.exe";
    std::string keep = options.work + "/template";
    fs::create_directories(keep);
    if (!CopyFile(software, keep + "/software") || !CopyFile(system, keep + "/system") ||
        !CopyFile(sample, keep + "/svcupd.exe")) {
        fprintf(stderr, "bruvane-offline-bench: cannot keep the template\n");
        return 1;
    }

    std::vector<double> load, scan, write, readOnlyLoad;
    int infected = 0;
    // Round 0 warms the cache and removes whatever else the tree holds
    // (a corpus's own samples), so that every timed round finds the same.
    for (int round = 0; round <= options.rounds; ++round) {
        CopyFile(keep + "/software", software);
        CopyFile(keep + "/system", system);
        CopyFile(keep + "/svcupd.exe", sample);
        fs::remove(software + ".bruvane-bak");
        fs::remove(system + ".bruvane-bak");
        double readOnly = InChild(root, false).readOnlyLoad;
        Timings t = InChild(root, true);
        if (round == 0) continue;
        readOnlyLoad.push_back(readOnly);
        load.push_back(t.load);
        scan.push_back(t.scan);
        write.push_back(t.write);
        infected = t.infected;
    }
    printf("SOFTWARE %.2f MiB, SYSTEM %.2f MiB, %d rounds, %d infected file(s) found a round\n\n",
           fs::file_size(keep + "/software") / 1048576.0, fs::file_size(keep + "/system") / 1048576.0,
           options.rounds, infected);
    printf("| phase | median ms | min - max ms |\n|---|---|---|\n");
    PrintRow("registry load, report only (hives read-only)", readOnlyLoad);
    PrintRow("registry load, --remove (hives read for writing)", load);
    PrintRow("scan (memory stage, walk, removal)", scan);
    PrintRow("write-back (diff, backup, rewrite, commit, rename)", write);
    return 0;
}
