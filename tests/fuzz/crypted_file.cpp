// libFuzzer entry point: scripts/fuzz.sh runs it against tests/fuzz/corpus/crypted_file.
#include "fuzz/FuzzMain.h"

DORVO_FUZZ_TARGET ("crypted_file")
