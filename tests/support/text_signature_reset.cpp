// Each test starts with the text-signature table as shipped: scrambled,
// and not yet unscrambled by this run.
#include <cstring>

#include "detect/text_signature.h"
#include "test_machine.h"

namespace {

TextSignatureRecord ShippedTable[kTextSignatureCount];

// The table is constant-initialised, so it holds the shipped bytes before
// any dynamic initialisation runs.
struct ShippedTableCopy {
    ShippedTableCopy() { memcpy(ShippedTable, TextSignatureTable, sizeof ShippedTable); }
} shippedTableCopy;

void ResetTextSignatures() {
    memcpy(TextSignatureTable, ShippedTable, sizeof ShippedTable);
    TextSignaturesUnscrambled = 0;
    memset(TextSignatureMatchedName, 0, sizeof TextSignatureMatchedName);
}

StateReset resetTextSignatures(&ResetTextSignatures);

}  // namespace
