// The benchmark's records are the engine's own signature table.
#include <cstring>

#include "detect/signature_table.h"
#include "record_source.h"

std::vector<PortableRecord> BenchmarkRecords() {
    std::vector<PortableRecord> records;
    for (int i = 0; i < kSignatureRecordCount && SignatureTable[i].detectionName[0] != '\0'; ++i) {
        const SignatureRecord& source = SignatureTable[i];
        PortableRecord record;
        record.number = i + 1;
        record.detectionName.assign(source.detectionName, strnlen(source.detectionName, sizeof source.detectionName));
        record.firstOffset = source.firstOffset;
        memcpy(record.firstPattern, source.firstPattern, kPatternLength);
        record.secondOffset = source.secondOffset;
        memcpy(record.secondPattern, source.secondPattern, kPatternLength);
        record.fileSize = source.fileSize;
        record.sizeMode = source.sizeMode;
        records.push_back(record);
    }
    return records;
}

const char* BenchmarkRecordSource() { return "table"; }
