// What the ordinary files of the corpus hold: text, binary data, DOS and
// 16-bit programs that are no PE files, and clean PE32 images of any
// size with realistic headers.
#pragma once

#include <cstdint>
#include <cstdio>

#include "corpus_random.h"

enum class PlainKind { kText, kBinary, kDosProgram, kTiny };

// Writes `size` bytes of the kind to `out`. False on a write error.
bool WritePlainFile(CorpusRandom& random, PlainKind kind, uint64_t size, FILE* out);

// Writes a well-formed PE32 image of exactly `size` bytes (at least
// 2048): 1 to 6 sections (or, with `manySections`, 21 to 24, more than an
// inspection reads), the entry point inside the first section.
bool WriteCleanPe(CorpusRandom& random, uint64_t size, bool manySections, FILE* out);
