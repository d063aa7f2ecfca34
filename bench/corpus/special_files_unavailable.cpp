// Until the sample library exists the corpus holds no samples: the
// timing runs work, the detection check has nothing to find.
#include "special_files.h"

std::vector<SpecialFile> PlanSpecialFiles(int, CorpusRandom&, std::string* note) {
    *note = "no samples: the sample library is not built yet";
    return {};
}

bool WriteSpecialFile(const SpecialFile&, const std::string&) { return false; }
