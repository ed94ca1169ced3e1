// libFuzzer entry point: scripts/fuzz.sh runs it against tests/fuzz/corpus/identity_reply.
#include "fuzz/FuzzMain.h"

DORVO_FUZZ_TARGET ("identity_reply")
