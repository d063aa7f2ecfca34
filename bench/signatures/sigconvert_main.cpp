// bruvane-sigconvert: the benchmark's signature records as a ClamAV
// database and as YARA rules.
//
//   bruvane-sigconvert --clamav FILE.ldb --yara FILE.yar
#include <cstdio>
#include <cstring>
#include <string>

#include "record_source.h"
#include "signature_formats.h"

int main(int argc, char** argv) {
    // Which records the benchmark works with: always the engine's "table"
    // now (bench/run also knows an older "stand-in" of four records).
    if (argc == 2 && strcmp(argv[1], "--source") == 0) {
        printf("%s\n", BenchmarkRecordSource());
        return 0;
    }
    std::string clamav, yara;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (strcmp(argv[i], "--clamav") == 0) clamav = argv[i + 1];
        else if (strcmp(argv[i], "--yara") == 0) yara = argv[i + 1];
    }
    if (clamav.empty() || yara.empty() || argc != 5) {
        fprintf(stderr, "usage: bruvane-sigconvert --clamav FILE.ldb --yara FILE.yar\n");
        return 2;
    }
    FILE* ldb = fopen(clamav.c_str(), "w");
    FILE* yar = fopen(yara.c_str(), "w");
    if (ldb == nullptr || yar == nullptr) {
        fprintf(stderr, "bruvane-sigconvert: cannot write the databases\n");
        return 1;
    }
    fputs("import \"pe\"\n\n", yar);
    int written = 0;
    for (const PortableRecord& record : BenchmarkRecords()) {
        std::string line, rule;
        if (!ClamAvLogicalSignature(record, &line) || !YaraRule(record, &rule)) continue;
        fprintf(ldb, "%s\n", line.c_str());
        fprintf(yar, "%s\n", rule.c_str());
        ++written;
    }
    bool ok = fclose(ldb) == 0;
    ok = fclose(yar) == 0 && ok;
    fprintf(stderr, "bruvane-sigconvert: %d records\n", written);
    return ok ? 0 : 1;
}
