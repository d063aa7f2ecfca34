// mksample: writes one synthetic sample file for the scanner's tests.
//
//   mksample --list
//   mksample --record N --kind KIND [--second M] [--cut BYTES] --out FILE
//   mksample --runnable PROGRAM.exe --record N --out FILE
//   mksample --hosts --out FILE
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "detect/signature_table.h"
#include "hosts_sample.h"
#include "sample_builder.h"

namespace {

int Usage() {
    fprintf(stderr,
            "usage: mksample --list\n"
            "       mksample --record N --kind KIND [--second M] [--cut BYTES] --out FILE\n"
            "       mksample --runnable PROGRAM.exe --record N --out FILE\n"
            "       mksample --hosts --out FILE   (a hosts file the text signature matches)\n");
    return 2;
}

void List() {
    printf("kinds (detected: under the record, the second record, or not at all):\n");
    for (const samples::KindInfo& info : samples::Kinds())
        printf("  %-30s %-7s %s\n", info.name, info.detectedAs == 0 ? "-" : info.detectedAs == 1 ? "record" : "second",
               info.description);
    printf("records:\n");
    for (int n = 1; n <= kSignatureRecordCount; ++n) {
        const SignatureRecord& r = SignatureTable[n - 1];
        printf("  %3d %-28s first %+9d second %+9d size %8d\n", n, r.detectionName, r.firstOffset, r.secondOffset,
               r.fileSize);
    }
}

}  // namespace

int main(int argc, char** argv) {
    int record = 0;
    std::string kind, out, runnable;
    bool hosts = false;
    samples::Options options;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        bool hasValue = i + 1 < argc;
        if (argument == "--list") {
            List();
            return 0;
        } else if (argument == "--record" && hasValue) {
            record = atoi(argv[++i]);
        } else if (argument == "--kind" && hasValue) {
            kind = argv[++i];
        } else if (argument == "--second" && hasValue) {
            options.secondRecord = atoi(argv[++i]);
        } else if (argument == "--cut" && hasValue) {
            options.cut = atoll(argv[++i]);
        } else if (argument == "--out" && hasValue) {
            out = argv[++i];
        } else if (argument == "--hosts") {
            hosts = true;
        } else if (argument == "--runnable" && hasValue) {
            runnable = argv[++i];
        } else {
            return Usage();
        }
    }
    std::string error;
    if (hosts) {
        if (out.empty() || record != 0 || !kind.empty() || !runnable.empty()) return Usage();
        std::string text = samples::MatchingHostsText();
        std::vector<uint8_t> bytes(text.begin(), text.end());
        if (!samples::WriteBytesFile(out, bytes, &error)) {
            fprintf(stderr, "mksample: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (record == 0 || out.empty() || (kind.empty() == runnable.empty())) return Usage();

    if (!runnable.empty()) {
        std::vector<uint8_t> program, sample;
        if (!samples::ReadBytesFile(runnable, &program, &error) ||
            !samples::BuildRunnable(program, record, &sample, &error) || !samples::WriteBytesFile(out, sample, &error)) {
            fprintf(stderr, "mksample: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    const samples::KindInfo* info = samples::FindKind(kind);
    if (info == nullptr) {
        fprintf(stderr, "mksample: unknown kind %s (see --list)\n", kind.c_str());
        return 2;
    }
    samples::Sample sample;
    if (!samples::BuildSample(record, info->kind, options, &sample, &error) ||
        !samples::WriteSampleFile(out, sample, &error)) {
        fprintf(stderr, "mksample: record %d, %s: %s\n", record, kind.c_str(), error.c_str());
        return 1;
    }
    return 0;
}
